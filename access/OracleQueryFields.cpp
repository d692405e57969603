// Column access of TOracleQuery: the description of the select list and the current row's
// values as a variant, text, integer, float or date, LONG values, and the row identifier.
// Kept apart from the execution code, which it only reads.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "access/AccessTexts.h"
#include "access/FieldConversion.h"
#include "access/OracleDate.h"
#include "access/OracleError.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/RowIdText.h"
#include "client/ClientLibrary.h"
#include "platform/ConvertError.h"
#include "platform/TextCase.h"
#include "platform/UserLocale.h"
#include "platform/VariantText.h"

namespace vek {
namespace {

constexpr std::int32_t kLongSlotSize = 2000;
constexpr std::int32_t kLongReadChunk = 64000;

std::string FieldMessage(const std::string& what, const char* ending) {
  return access_texts::kFieldPrefix + what + ending;
}

std::uint32_t BigEndian(const ub1* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

// ---- Description -------------------------------------------------------------------------

const TFieldData& TOracleQuery::Column(int index) const {
  if (index < 0 || index >= FieldCount()) {
    throw Exception(FieldMessage(std::to_string(index), access_texts::kDoesNotExist));
  }
  return *columns_[index];
}

const TFieldData& TOracleQuery::CurrentColumn(int index) const {
  const TFieldData& column = Column(index);
  // After a failed fetch the row index may point past the buffer: that is no row either.
  if (eof_ || currentRow_ < 0 || currentRow_ >= std::min(rowsInBuffer_, column.rows)) {
    throw Exception(access_texts::kBeyondEof);
  }
  return column;
}

std::string TOracleQuery::FieldName(int index) const { return Column(index).name; }

int TOracleQuery::FieldIndex(const std::string& name) const {
  for (int index = 0; index < FieldCount(); ++index) {
    if (SameText(columns_[index]->name, name)) return index;
  }
  return -1;
}

int TOracleQuery::FieldType(int index) const { return Column(index).bufferType; }
int TOracleQuery::FieldInternalType(int index) const { return Column(index).internalType; }

int TOracleQuery::FieldSize(int index) const {
  const TFieldData& column = Column(index);
  return column.bufferType == otcString ? column.elementSize - 1 : 0;
}

int TOracleQuery::FieldPrecision(int index) const { return Column(index).precision; }
int TOracleQuery::FieldScale(int index) const { return Column(index).scale; }
bool TOracleQuery::FieldOptional(int index) const { return Column(index).nullable != 0; }

// ---- Current row -------------------------------------------------------------------------

bool TOracleQuery::FieldIsNull(int index) const {
  const TFieldData& column = CurrentColumn(index);
  return column.indicators[currentRow_] == -1;
}

bool TOracleQuery::FieldTruncated(int index) const {
  return CurrentColumn(index).ValueTruncated(currentRow_);
}

const void* TOracleQuery::FieldData(int index) const {
  const TFieldData& column = CurrentColumn(index);
  return column.Slot(currentRow_);
}

bool TOracleQuery::ConvertsLineBreaks() const {
  return !session_ || session_->Preferences().ConvertCRLF;
}

Variant TOracleQuery::NullValue() const {
  if (session_ && session_->NullValue == nvNull) return Variant::Null();
  return Variant();
}

std::string TOracleQuery::SlotText(const TFieldData& column) const {
  const char* slot = reinterpret_cast<const char*>(column.Slot(currentRow_));
  if (!slot) return {};
  return std::string(slot, strnlen(slot, static_cast<std::size_t>(column.elementSize)));
}

Variant TOracleQuery::Field(int index) {
  if (index < 0 || index >= FieldCount()) {
    throw Exception(access_texts::kListIndexOutOfBounds + std::to_string(index) + ")");
  }
  const TFieldData& column = CurrentColumn(index);
  if (column.indicators[currentRow_] == -1 || column.bufferType == otcObject ||
      column.bufferType == otcReference || column.bufferType == otcCursor) {
    return NullValue();
  }
  switch (column.bufferType) {
    case otcLong: {
      const std::string value = ReadWholeLong(index);
      return Variant(ConvertsLineBreaks() ? ConvertLineBreaks(value) : value);
    }
    case otcLongRaw: {
      const std::string value = ReadWholeLong(index);
      return Variant::FromBytes(std::vector<std::uint8_t>(value.begin(), value.end()));
    }
    case otcString: {
      const std::string text = SlotText(column);
      return Variant(ConvertsLineBreaks() ? ConvertLineBreaks(text) : text);
    }
    case otcInteger: {
      std::int32_t value = 0;
      std::memcpy(&value, column.Slot(currentRow_), sizeof value);
      return Variant(value);
    }
    case otcFloat: {
      double value = 0;
      std::memcpy(&value, column.Slot(currentRow_), sizeof value);
      return Variant(value);
    }
    case otcDate: return Variant::FromDateTime(OracleDateToDateTime(column.Slot(currentRow_)));
    default:
      // Large objects are read through their locators, which this layer does not offer.
      return NullValue();
  }
}

Variant TOracleQuery::Field(const std::string& name) {
  const int index = FieldIndex(name);
  if (index < 0) throw Exception(FieldMessage(name, access_texts::kDoesNotExist));
  return Field(index);
}

void TOracleQuery::CannotConvert(const TFieldData& column, const char* target) const {
  throw Exception(access_texts::kCannotConvertField + column.name + target);
}

std::string TOracleQuery::FieldAsString(int index) const {
  if (FieldIsNull(index)) return {};
  const TFieldData& column = CurrentColumn(index);
  const ub1* slot = column.Slot(currentRow_);
  switch (column.bufferType) {
    case otcInteger: {
      std::int32_t value = 0;
      std::memcpy(&value, slot, sizeof value);
      return std::to_string(value);
    }
    case otcFloat: {
      double value = 0;
      std::memcpy(&value, slot, sizeof value);
      return FloatToGeneralText(value, UserLocale().decimalSeparator);
    }
    case otcString: {
      const std::string text = SlotText(column);
      return ConvertsLineBreaks() ? ConvertLineBreaks(text) : text;
    }
    case otcDate: return DateTimeToText(OracleDateToDateTime(slot), UserLocale());
    default: CannotConvert(column, access_texts::kToAString);
  }
}

std::int32_t TOracleQuery::FieldAsInteger(int index) const {
  if (FieldIsNull(index)) return 0;
  const TFieldData& column = CurrentColumn(index);
  const ub1* slot = column.Slot(currentRow_);
  switch (column.bufferType) {
    case otcInteger: {
      std::int32_t value = 0;
      std::memcpy(&value, slot, sizeof value);
      return value;
    }
    case otcFloat: {
      double value = 0;
      std::memcpy(&value, slot, sizeof value);
      // The low 32 bits of the 64-bit truncation, as the number's own conversion gives them.
      const double truncated = std::trunc(value);
      if (!(std::fabs(truncated) < 9.2e18)) return 0;
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(
          static_cast<std::uint64_t>(static_cast<std::int64_t>(truncated))));
    }
    case otcString: return TextToInteger(SlotText(column));
    case otcDate: return static_cast<std::int32_t>(std::trunc(OracleDateToDateTime(slot)));
    default: CannotConvert(column, access_texts::kToAnInteger);
  }
}

double TOracleQuery::FieldAsFloat(int index) const {
  if (FieldIsNull(index)) return 0;
  const TFieldData& column = CurrentColumn(index);
  const ub1* slot = column.Slot(currentRow_);
  switch (column.bufferType) {
    case otcInteger: {
      std::int32_t value = 0;
      std::memcpy(&value, slot, sizeof value);
      return value;
    }
    case otcFloat: {
      double value = 0;
      std::memcpy(&value, slot, sizeof value);
      return value;
    }
    case otcString: return TextToFloat(SlotText(column), UserLocale().decimalSeparator);
    case otcDate: return OracleDateToDateTime(slot);
    default: CannotConvert(column, access_texts::kToAFloat);
  }
}

TDateTime TOracleQuery::FieldAsDate(int index) const {
  if (FieldIsNull(index)) return 0;
  const TFieldData& column = CurrentColumn(index);
  const ub1* slot = column.Slot(currentRow_);
  switch (column.bufferType) {
    case otcInteger:
    case otcFloat: return FieldAsFloat(index);
    case otcString: return TextToDate(SlotText(column), UserLocale().shortDateFormat);
    case otcDate: return OracleDateToDateTime(slot);
    default: CannotConvert(column, access_texts::kToADate);
  }
}

// ---- LONG values ---------------------------------------------------------------------------

std::int32_t TOracleQuery::GetLongField(int index, void* buffer, std::int32_t length,
                                        std::int32_t offset) {
  const TFieldData& column = Column(index);
  if (!column.IsLong()) {
    throw Exception(FieldMessage(std::to_string(index), access_texts::kIsNotALong));
  }
  if (length <= 0 || offset < 0) return 0;
  auto* target = static_cast<ub1*>(buffer);

  if (openedWithOCI8_) {
    std::int32_t copied = 0;
    std::int64_t skip = offset;
    for (const auto& piece : column.longPieces) {
      const std::int64_t available = std::min<std::int64_t>(
          piece->returnedLength, static_cast<std::int64_t>(piece->buffer.size()));
      if (skip >= available) {
        skip -= available;
        continue;
      }
      const std::int64_t count = std::min<std::int64_t>(available - skip, length - copied);
      std::memcpy(target + copied, piece->buffer.data() + skip, static_cast<std::size_t>(count));
      copied += static_cast<std::int32_t>(count);
      skip = 0;
      if (copied >= length) break;
    }
    return copied;
  }

  // Version 7: the first 2000 bytes came with the row; the rest is read from the server.
  if (currentRow_ < 0 || currentRow_ >= column.rows) return 0;
  std::int32_t copied = 0;
  while (copied < length) {
    const std::int32_t wanted = std::min(length - copied, kLongReadChunk);
    const std::int32_t start = offset + copied;
    std::int32_t taken = 0;
    const std::int32_t slotLength = column.returnedLengths[currentRow_];
    if (start < slotLength) {
      taken = std::min(wanted, slotLength - start);
      std::memcpy(target + copied, column.Slot(currentRow_) + start,
                  static_cast<std::size_t>(taken));
    }
    if (taken < wanted && slotLength == kLongSlotSize) {
      const ub4 read =
          CursorReadLong(index, target + copied + taken, wanted - taken, start + taken);
      taken += static_cast<std::int32_t>(std::min<ub4>(read, static_cast<ub4>(wanted - taken)));
    }
    copied += taken;
    if (taken < wanted) break;
  }
  return copied;
}

void* TOracleQuery::LOBField(int index) const {
  const TFieldData& column = Column(index);
  if (column.bufferType != otcCLOB && column.bufferType != otcBLOB &&
      column.bufferType != otcBFile) {
    throw Exception(FieldMessage(column.name, access_texts::kIsNotALOB));
  }
  return nullptr;
}

std::string TOracleQuery::ReadWholeLong(int index) {
  const TFieldData& column = Column(index);
  if (openedWithOCI8_) return column.LongValue();
  std::string value;
  std::int32_t chunk = kLongSlotSize;
  for (;;) {
    std::vector<ub1> buffer(static_cast<std::size_t>(chunk));
    const std::int32_t read =
        GetLongField(index, buffer.data(), chunk, static_cast<std::int32_t>(value.size()));
    value.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(read));
    if (read < chunk) break;
    if (chunk < 32000) chunk *= 2;
  }
  return value;
}

// ---- Row identifier ----------------------------------------------------------------------

namespace {
// Room for the longest ROWID text (a universal ROWID may be far longer than 18 characters).
constexpr std::size_t kRowIdTextRoom = 4000;
}  // namespace

std::string TOracleQuery::RowId() {
  std::uint32_t object = 0;
  std::uint32_t file = 0;
  std::uint32_t block = 0;
  std::uint32_t row = 0;
  if (openedWithOCI8_) {
    if (statement_ && rowIdDescriptor_) {
      OracleCalls.OCIAttrGet(statement_, OCI_HTYPE_STMT, rowIdDescriptor_, nullptr, OCI_ATTR_ROWID,
                             errorHandle_);
      if (OracleCalls.OCIRowidToChar) {
        // The descriptor is opaque; a library that can write its text is asked for it.
        OraText text[kRowIdTextRoom] = {};
        ub2 length = sizeof text;
        if (OracleCalls.OCIRowidToChar(static_cast<OCIRowid*>(rowIdDescriptor_), text, &length,
                                       secondErrorHandle_) == OCI_SUCCESS) {
          return std::string(reinterpret_cast<const char*>(text),
                             std::min<std::size_t>(length, sizeof text));
        }
      }
      // Older libraries: the four numbers are read from the descriptor's known layout.
      const auto* words = static_cast<const ub1*>(rowIdDescriptor_);
      if (HasOCI81()) {
        // The third 32-bit word holds a pointer to the byte block of the four numbers.
        const ub1* numbers = nullptr;
        std::memcpy(&numbers, words + 8, sizeof numbers);
        if (numbers) {
          object = BigEndian(numbers + 1, 4);
          file = BigEndian(numbers + 5, 2);
          block = BigEndian(numbers + 7, 4);
          row = BigEndian(numbers + 11, 2);
        }
      } else {
        ub4 parts[4] = {};
        std::memcpy(parts, words + 8, sizeof parts);
        object = parts[0];
        file = parts[1];
        block = parts[2];
        row = parts[3];
      }
    }
  } else {
    object = cursorDataArea_.rid.rd.rcs4;
    file = cursorDataArea_.rid.rd.rcs5;
    block = cursorDataArea_.rid.rcs7;
    row = cursorDataArea_.rid.rcs8;
  }
  return RowIdText(object, file, block, row);
}

}  // namespace vek
