// Declaring, setting, reading, copying and substituting bind variables. The binding itself
// is in VariablesBinding.cpp.
#include "access/Variables.h"

#include <algorithm>
#include <cstring>

#include "access/FieldConversion.h"
#include "access/OracleDate.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/SubstitutionScanner.h"
#include "access/VariableTexts.h"
#include "platform/ConvertError.h"
#include "platform/Exception.h"
#include "platform/TextCase.h"
#include "platform/UserLocale.h"
#include "platform/VariantText.h"

namespace vek {
namespace texts = variable_texts;
namespace {

constexpr std::int32_t kStringCapWithoutSession = 2001;

// Bytes per element at declaration; -1 for a code the layer does not know.
std::int32_t ElementSizeOf(std::int32_t type) {
  switch (type) {
    case otSubst:
    case otLong:
    case otLongRaw: return 0;
    case otInteger: return 4;
    case otFloat: return 8;
    case otString:
    case otChar: return 4001;
    case otPLSQLString: return 32513;
    case otDate: return 7;
    case otObject:
    case otReference:
    case otCLOB:
    case otBLOB:
    case otBFile:
    case otCursor: return 0;
    default: return -1;
  }
}

bool IsComplexType(std::int32_t type) {
  switch (type) {
    case otObject:
    case otReference:
    case otCLOB:
    case otBLOB:
    case otBFile:
    case otCursor: return true;
    default: return false;
  }
}

// Text in the user's short date format, optionally followed by a time of day (H:mm[:ss]).
TDateTime TextToDateTime(const std::string& text) {
  std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) begin = text.size();
  const std::size_t blank = text.find(' ', begin);
  const std::string datePart =
      text.substr(begin, blank == std::string::npos ? blank : blank - begin);
  TDateTime value = TextToDate(datePart, UserLocale().shortDateFormat);
  if (blank == std::string::npos) return value;
  const std::string timePart = text.substr(blank + 1);
  int numbers[3] = {0, 0, 0};
  int count = 0;
  std::string current;
  for (char c : timePart + " ") {
    if (c >= '0' && c <= '9') {
      current += c;
    } else if (!current.empty()) {
      if (count == 3 || current.size() > 2) {
        throw EConvertError("'" + text + "' is not a valid date and time");
      }
      numbers[count++] = std::stoi(current);
      current.clear();
    }
  }
  if (count == 0) return value;
  try {
    return value + EncodeTime(numbers[0], numbers[1], numbers[2]);
  } catch (const std::exception&) {
    throw EConvertError("'" + text + "' is not a valid date and time");
  }
}

}  // namespace

TVariables::TVariables(TOracleQuery* owner) : owner_(owner) {}

TVariables::~TVariables() = default;

TVariables& TVariables::Of(TOracleQuery& query) {
  if (TQueryVariables* existing = query.Variables()) {
    if (TVariables* list = existing->VariableList()) return *list;
  }
  auto list = std::make_unique<TVariables>(&query);
  TVariables& created = *list;
  query.SetVariables(std::move(list));
  return created;
}

std::string TVariables::NormalizeName(const std::string& name) {
  if (!name.empty() && name.front() != ':') return UpperCase(":" + name);
  return UpperCase(name);
}

TOracleSession* TVariables::Session() const { return owner_ ? owner_->Session() : nullptr; }

int TVariables::VariableIndex(const std::string& name) const {
  return IndexOfNormalized(NormalizeName(name));
}

int TVariables::IndexOfNormalized(const std::string& normalized) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->name == normalized) return static_cast<int>(i);
  }
  return -1;
}

int TVariables::FindOrRaise(const std::string& normalized, const char* prefix,
                            const char* suffix) const {
  const int index = IndexOfNormalized(normalized);
  if (index < 0) throw Exception(prefix + normalized + suffix);
  return index;
}

std::string TVariables::VariableName(int index) const {
  if (index < 0 || index >= VariableCount()) {
    throw Exception(texts::kVariablePrefix + std::to_string(index) + texts::kDoesNotExist);
  }
  return items_[static_cast<std::size_t>(index)]->name;
}

std::int32_t TVariables::VariableType(int index) const {
  if (index < 0 || index >= VariableCount()) {
    throw Exception(texts::kVariablePrefix + std::to_string(index) + texts::kDoesNotExist);
  }
  return items_[static_cast<std::size_t>(index)]->type;
}

void TVariables::StatementChanged() {
  if (!owner_) return;
  if (TOracleSession* session = Session(); session && session->ODBCMode()) owner_->Close();
  owner_->ForgetParsedText();
}

// ---- Declaring and deleting ----------------------------------------------------------------

void TVariables::DeclareVariable(const std::string& name, std::int32_t type) {
  if (name.empty()) throw Exception(texts::kEmptyName);
  const std::string normalized = NormalizeName(name);
  int position = IndexOfNormalized(normalized);
  if (position >= 0) items_.erase(items_.begin() + position);
  StatementChanged();

  const std::int32_t elementSize = ElementSizeOf(type);
  // A variable of the same name declared before stays removed.
  if (elementSize < 0) throw Exception(texts::kUnsupportedType);
  auto variable = std::make_unique<TVariableData>();
  variable->type = static_cast<std::int16_t>(type);
  variable->name = normalized;
  variable->indicators.assign(1, -1);
  variable->elementCount = 1;
  variable->lowBound = 0;
  variable->elementSize = elementSize;
  if (type == otString || type == otPLSQLString) {
    // Bound as zero-terminated text (type 5) and read up to the zero byte: nothing past the
    // first zero is ever read before it is written, so only the first byte is cleared.
    // (otChar is sent by its length and stays cleared whole.)
    variable->buffer.resize(static_cast<std::size_t>(elementSize));
    variable->buffer[0] = 0;
  } else if (elementSize >= 1) {
    variable->buffer.assign(static_cast<std::size_t>(elementSize), 0);
  }
  variable->complex = IsComplexType(type);
  variable->ownsBuffer = !variable->complex;
  if (position >= 0) {
    items_.insert(items_.begin() + position, std::move(variable));
  } else {
    items_.push_back(std::move(variable));
  }
}

void TVariables::DeleteVariable(const std::string& name) {
  const std::string normalized = NormalizeName(name);
  const int index = FindOrRaise(normalized, texts::kVariablePrefix, texts::kNotDeclared);
  items_.erase(items_.begin() + index);
  StatementChanged();
}

void TVariables::DeleteVariables() {
  items_.clear();
  StatementChanged();
}

// ---- PL/SQL tables and resizing ------------------------------------------------------------

void TVariables::DeclarePLSQLTable(const std::string& name, std::int32_t tableSize,
                                   std::int32_t stringSize) {
  const std::string normalized = NormalizeName(name);
  TVariableData& variable = *items_[static_cast<std::size_t>(
      FindOrRaise(normalized, texts::kVariablePrefix, texts::kNotDeclared))];
  const std::int32_t type = variable.type;
  if (type != otInteger && type != otFloat && type != otString && type != otDate) {
    throw Exception(texts::kTableTypes);
  }
  if (type == otString && stringSize < 1) throw Exception(texts::kTableNeedsStringSize);
  if (type != otString && stringSize != 0) {
    throw Exception(texts::kTableStringSizeOnlyForStrings);
  }
  if (tableSize < 1) throw Exception(texts::kTableNeedsSize);
  variable.plsqlTable = true;
  variable.elementsInUse = 0;
  Resize(variable, tableSize, stringSize);
}

void TVariables::Resize(TVariableData& variable, std::int32_t count, std::int32_t stringSize) {
  if (count == variable.elementCount &&
      (stringSize <= 0 || stringSize == variable.elementSize - 1)) {
    return;
  }
  // An empty array still keeps one null slot, so that a binding never points at nothing.
  const std::int32_t slots = std::max(count, 1);
  variable.indicators.assign(static_cast<std::size_t>(slots), -1);
  if (variable.ownsBuffer && !variable.buffer.empty()) {
    variable.buffer.clear();
    const bool capped = variable.type == otString || variable.type == otChar;
    const std::int32_t cap =
        Session() ? Session()->MaxStringLength() + 1 : kStringCapWithoutSession;
    if (capped) variable.elementSize = std::min(variable.elementSize, cap);
    if (stringSize > 0) variable.elementSize = stringSize + 1;
    // The client library steps through an array by the bound size, which is capped: the
    // elements must lie at that distance.
    if (capped && count > 1) variable.elementSize = std::min(variable.elementSize, cap);
    variable.buffer.assign(static_cast<std::size_t>(slots) * variable.elementSize, 0);
  }
  variable.elementCount = count;
}

// ---- Setting ---------------------------------------------------------------------------

void TVariables::SetVariable(const std::string& name, const Variant& value) {
  const std::string normalized = NormalizeName(name);
  TVariableData& variable = *items_[static_cast<std::size_t>(
      FindOrRaise(normalized, texts::kVariablePrefix, texts::kNotDeclared))];
  if (value.IsArray() && variable.type != otLongRaw) {
    if (variable.complex) throw Exception(variable.name + texts::kComplexNotArray);
    if (variable.type == otSubst) throw Exception(variable.name + texts::kSubstNotArray);
    const std::int32_t low = value.LowBound();
    const std::int32_t high = value.HighBound();
    const std::int32_t count = high - low + 1;
    if (variable.plsqlTable) {
      // Checked before the count is taken: a count above the table size would let the client
      // library read past the buffer at the next binding.
      if (count > variable.elementCount) {
        throw Exception(texts::kArrayLargerThanTable + std::to_string(count) + " > " +
                        std::to_string(variable.elementCount) + ")");
      }
      variable.elementsInUse = static_cast<ub4>(std::max(count, 0));
    } else {
      Resize(variable, count, 0);
    }
    variable.lowBound = low;
    for (std::int32_t k = low; k <= high; ++k) StoreElement(variable, k - low, value.Element(k));
    return;
  }
  if (!variable.plsqlTable) {
    Resize(variable, 1, 0);
    variable.elementCount = 1;
    variable.lowBound = 0;
    StoreElement(variable, 0, value);
    return;
  }
  if (value.IsEmpty()) {
    variable.elementsInUse = 0;
    return;
  }
  throw Exception(variable.name + texts::kIsAPLSQLTable);
}

std::string TVariables::TextForSending(std::string text) const {
  TOracleSession* session = Session();
  if (!session || session->Preferences().ConvertCRLF) std::erase(text, '\r');
  return text;
}

std::string TVariables::TextForReading(const std::string& text) const {
  TOracleSession* session = Session();
  if (!session || session->Preferences().ConvertCRLF) return ConvertLineBreaks(text);
  return text;
}

void TVariables::StoreElement(TVariableData& variable, std::int32_t slot, const Variant& value) {
  if (value.IsEmpty()) {
    variable.indicators[static_cast<std::size_t>(slot)] = -1;
    if (variable.complex) variable.object = nullptr;
    return;
  }
  try {
    StoreElementByType(variable, slot, value);
  } catch (const VariantError&) {
    throw Exception(texts::kConversionError + variable.name);
  }
}

void TVariables::StoreElementByType(TVariableData& variable, std::int32_t slot,
                                    const Variant& value) {
  sb2& indicator = variable.indicators[static_cast<std::size_t>(slot)];
  switch (variable.type) {
    case otSubst:
    case otLong: {
      const std::string text = TextForSending(VariantToText(value));
      variable.buffer.assign(text.begin(), text.end());
      variable.buffer.push_back(0);
      variable.elementSize = static_cast<std::int32_t>(text.size()) + 1;
      variable.valueLength = static_cast<std::int32_t>(text.size());
      variable.indicators[0] = 0;
      return;
    }
    case otInteger: {
      const std::int32_t number = value.AsInteger();
      std::memcpy(variable.Slot(slot), &number, sizeof number);
      indicator = 0;
      return;
    }
    case otFloat: {
      const double number = value.AsDouble();
      std::memcpy(variable.Slot(slot), &number, sizeof number);
      indicator = 0;
      return;
    }
    case otString:
    case otPLSQLString:
    case otChar: {
      const std::string text = TextForSending(VariantToText(value));
      const std::size_t length =
          std::min(text.size(), static_cast<std::size_t>(variable.elementSize - 1));
      std::memcpy(variable.Slot(slot), text.data(), length);
      variable.Slot(slot)[length] = 0;
      indicator = 0;
      return;
    }
    case otDate: {
      const TDateTime number = value.Kind() == VariantKind::vkString
                                   ? TextToDateTime(value.AsString())
                                   : value.AsDateTime();
      TOracleSession* session = Session();
      if (number != 0 || (session && !session->Preferences().ZeroDateIsNull)) {
        const TOracleDateBytes bytes = DateTimeToOracleDate(number);
        std::memcpy(variable.Slot(slot), bytes.data(), bytes.size());
        indicator = 0;
      } else {
        indicator = -1;
      }
      return;
    }
    case otLongRaw: {
      TVariableBuffer bytes;
      if (value.Kind() == VariantKind::vkString) {
        const std::string& text = value.AsString();
        bytes.assign(text.begin(), text.end());
      } else if (value.Kind() == VariantKind::vkByteArray) {
        const std::vector<std::uint8_t>& given = value.AsBytes();
        bytes.assign(given.begin(), given.end());
      } else if (value.IsArray()) {
        for (const Variant& element : value.AsArray().elements) {
          if (element.Kind() != VariantKind::vkByte) {
            throw Exception(texts::kOnlyByteArrays + variable.name);
          }
          bytes.push_back(element.AsByte());
        }
      } else {
        throw Exception(texts::kOnlyByteArrays + variable.name);
      }
      variable.buffer = std::move(bytes);
      variable.elementSize = static_cast<std::int32_t>(variable.buffer.size());
      variable.valueLength = variable.elementSize;
      variable.indicators[0] = 0;
      return;
    }
    case otObject:
    case otReference:
    case otCLOB:
    case otBLOB:
    case otBFile:
    case otCursor: {
      if (value.Kind() != VariantKind::vkInteger) {
        throw Exception(texts::kPassObject + variable.name);
      }
      // A 32-bit number cannot carry an object's address here; only the empty reference is
      // accepted this way.
      if (value.AsInteger() != 0) throw Exception(texts::kUseSetComplexVariable + variable.name);
      variable.object = nullptr;
      variable.indicators[0] = -1;
      return;
    }
    default: throw Exception(texts::kUnsupportedTypeFor + variable.name);
  }
}

// ---- Getting ---------------------------------------------------------------------------

Variant TVariables::EmptyValue() const {
  TOracleSession* session = Session();
  return session && session->NullValue == nvNull ? Variant::Null() : Variant();
}

Variant TVariables::ReadElement(const TVariableData& variable, std::int32_t slot) const {
  switch (variable.type) {
    case otSubst:
    case otString:
    case otPLSQLString:
    case otChar: return Variant(TextForReading(variable.SlotText(slot)));
    case otInteger: {
      std::int32_t number = 0;
      std::memcpy(&number, variable.Slot(slot), sizeof number);
      return Variant(number);
    }
    case otFloat: {
      double number = 0;
      std::memcpy(&number, variable.Slot(slot), sizeof number);
      return Variant(number);
    }
    case otDate: return Variant::FromDateTime(OracleDateToDateTime(variable.Slot(slot)));
    case otLong: {
      const std::size_t length = std::min(
          variable.buffer.size(), static_cast<std::size_t>(std::max(variable.valueLength, 0)));
      return Variant(TextForReading(
          std::string(reinterpret_cast<const char*>(variable.buffer.data()), length)));
    }
    case otLongRaw: {
      const std::size_t length = std::min(
          variable.buffer.size(), static_cast<std::size_t>(std::max(variable.valueLength, 0)));
      return Variant::FromBytes(
          std::vector<std::uint8_t>(variable.buffer.begin(), variable.buffer.begin() + length));
    }
    default: return EmptyValue();
  }
}

Variant TVariables::GetVariable(const std::string& name) const {
  const std::string normalized = NormalizeName(name);
  const TVariableData& variable =
      *items_[static_cast<std::size_t>(FindOrRaise(normalized, texts::kUnknownVariable, ""))];
  if (variable.elementCount == 1 && !variable.plsqlTable) {
    // A 32-bit number cannot hold an object's address on this platform: the value says only
    // whether an object is assigned; ComplexVariable gives the object itself.
    if (variable.complex) return Variant(static_cast<std::int32_t>(variable.object ? 1 : 0));
    if (variable.indicators[0] == -1) return EmptyValue();
    return ReadElement(variable, 0);
  }
  std::int32_t count = variable.elementCount;
  if (variable.plsqlTable) {
    // The block may report more elements than the table holds; only those that exist count.
    count = static_cast<std::int32_t>(
        std::min<ub4>(variable.elementsInUse, static_cast<ub4>(variable.elementCount)));
  }
  if (count < 1) return EmptyValue();
  std::vector<Variant> elements;
  elements.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    elements.push_back(variable.indicators[static_cast<std::size_t>(i)] == -1
                           ? EmptyValue()
                           : ReadElement(variable, i));
  }
  return Variant::Array(variable.lowBound, std::move(elements));
}

// ---- Complex variables -------------------------------------------------------------------

void TVariables::SetComplexVariable(const std::string& name, TComponent* object) {
  const std::string normalized = NormalizeName(name);
  TVariableData& variable =
      *items_[static_cast<std::size_t>(FindOrRaise(normalized, texts::kUnknownVariable, ""))];
  if (!variable.complex) throw Exception(variable.name + texts::kNotComplex);
  if (object) {
    // Objects, references and LOB locators have no class in this layer, so nothing fits them.
    switch (variable.type) {
      case otCursor:
        if (!dynamic_cast<TOracleQuery*>(object)) {
          throw Exception(texts::kAssignQuery + variable.name);
        }
        break;
      case otObject: throw Exception(texts::kAssignObject + variable.name);
      case otReference: throw Exception(texts::kAssignReference + variable.name);
      default: throw Exception(texts::kAssignLOB + variable.name);
    }
  }
  variable.object = object;
  variable.indicators[0] = object ? 0 : -1;
}

TComponent* TVariables::ComplexVariable(const std::string& name) const {
  const std::string normalized = NormalizeName(name);
  return items_[static_cast<std::size_t>(FindOrRaise(normalized, texts::kUnknownVariable, ""))]
      ->object;
}

// ---- Copying -------------------------------------------------------------------------------

void TVariables::Assign(const TVariables& source) {
  if (!owner_ || !source.owner_) throw EConvertError(texts::kAssignOwnedOnly);
  if (&source == this) return;
  DeleteVariables();
  for (const auto& item : source.items_) {
    DeclareVariable(item->name, item->type);
    if (item->plsqlTable) {
      const std::int32_t stringSize = item->type == otString ? item->elementSize - 1 : 0;
      DeclarePLSQLTable(item->name, item->elementCount, stringSize);
    } else if (item->complex) {
      // The reference itself is shared: both statements then bind the caller's object.
      if (item->object) SetComplexVariable(item->name, item->object);
    } else {
      SetVariable(item->name, source.GetVariable(item->name));
    }
  }
}

// ---- Substitution and the statement's needs ---------------------------------------------------

bool TVariables::Substitutes() const {
  return std::any_of(items_.begin(), items_.end(),
                     [](const auto& item) { return item->type == otSubst; });
}

std::string TVariables::Substitute(const std::string& text) const {
  if (!Substitutes()) return text;
  std::string result = text;
  const std::vector<TNameOccurrence> found = TSubstitutionScanner::Scan(text);
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    const int index = VariableIndex(":" + it->name);
    if (index < 0 || items_[static_cast<std::size_t>(index)]->type != otSubst) continue;
    const std::string value = VariantToText(GetVariable(":" + it->name));
    result.replace(it->position, it->length + 1, value);
  }
  return result;
}

bool TVariables::ForcesPreparation() const {
  return std::any_of(items_.begin(), items_.end(), [](const auto& item) {
    return item->type == otLong || item->type == otLongRaw || item->plsqlTable ||
           item->elementCount > 1;
  });
}

void TVariables::ForgetBindHandles() {
  for (auto& item : items_) item->ForgetBinding();
}

void TVariables::UpdateAfterExecute(TOracleQuery&) {
  for (auto& item : items_) {
    if ((item->type == otLong || item->type == otLongRaw) && item->elementSize <= 65535 &&
        item->indicators[0] == 0) {
      item->valueLength = std::min<std::int32_t>(item->lengthSlot, item->elementSize);
    }
  }
}

std::string TVariables::DebugText() const {
  std::string text;
  for (const auto& item : items_) {
    std::string shown;
    if (item->plsqlTable) {
      shown = texts::kDisplayTable;
    } else if (item->elementCount > 1) {
      shown = texts::kDisplayArray;
    } else {
      switch (item->type) {
        case otLongRaw: shown = texts::kDisplayLongRaw; break;
        case otLong: shown = texts::kDisplayLong; break;
        case otCursor: shown = texts::kDisplayCursor; break;
        case otCLOB: shown = texts::kDisplayCLOB; break;
        case otBLOB: shown = texts::kDisplayBLOB; break;
        case otBFile: shown = texts::kDisplayBFile; break;
        case otReference: shown = texts::kDisplayReference; break;
        case otObject: shown = texts::kDisplayObject; break;
        default: {
          const Variant value = GetVariable(item->name);
          shown = value.IsEmpty() ? texts::kDisplayNull : VariantToText(value);
        }
      }
    }
    text += "\r" + item->name + " = " + shown;
  }
  return text;
}

}  // namespace vek
