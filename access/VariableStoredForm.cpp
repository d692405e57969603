// Writing and reading the stored form of a variable list: 32-bit little-endian integers,
// names without terminator, the first element's bytes and the PL/SQL table settings.
#include "access/VariableStoredForm.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "access/VariableTexts.h"
#include "access/Variables.h"
#include "platform/Exception.h"

namespace vek {
namespace texts = variable_texts;
namespace {

void PutInteger(std::vector<std::uint8_t>& out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

class ByteReader {
 public:
  explicit ByteReader(const std::vector<std::uint8_t>& data) : data_(data) {}

  std::int32_t Integer() {
    Need(4);
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(data_[position_ + i]) << (8 * i);
    position_ += 4;
    return static_cast<std::int32_t>(bits);
  }
  std::int32_t Length() {
    const std::int32_t value = Integer();
    if (value < 0) throw Exception(texts::kTruncatedStoredForm);
    return value;
  }
  const std::uint8_t* Bytes(std::int32_t count) {
    Need(static_cast<std::size_t>(count));
    const std::uint8_t* start = data_.data() + position_;
    position_ += static_cast<std::size_t>(count);
    return start;
  }

 private:
  void Need(std::size_t count) const {
    if (count > data_.size() - position_) throw Exception(texts::kTruncatedStoredForm);
  }

  const std::vector<std::uint8_t>& data_;
  std::size_t position_ = 0;
};

// How many bytes of the buffer the stored form carries for a variable.
std::int32_t StoredDataLength(const TVariableData& variable) {
  if (variable.indicators.empty() || variable.indicators[0] < 0) return 0;
  if (variable.IsTextType()) return static_cast<std::int32_t>(variable.SlotText(0).size()) + 1;
  return std::min<std::int32_t>(variable.elementSize,
                                static_cast<std::int32_t>(variable.buffer.size()));
}

std::int32_t StoredStringSize(const TVariableData& variable) {
  return variable.IsTextType() ? variable.elementSize - 1 : 0;
}

}  // namespace

std::vector<std::uint8_t> TVariableStoredForm::Write(const TVariables& list) {
  std::vector<std::uint8_t> out;
  PutInteger(out, kVersion);
  PutInteger(out, list.VariableCount());
  for (int i = 0; i < list.VariableCount(); ++i) {
    const TVariableData& variable = list.Data(i);
    PutInteger(out, static_cast<std::int32_t>(variable.name.size()));
    out.insert(out.end(), variable.name.begin(), variable.name.end());
    PutInteger(out, variable.type);
    const std::int32_t length = StoredDataLength(variable);
    PutInteger(out, length);
    if (variable.IsTextType() && length > 0) {
      const std::string text = variable.SlotText(0);
      out.insert(out.end(), text.begin(), text.end());
      out.push_back(0);
    } else {
      out.insert(out.end(), variable.buffer.begin(), variable.buffer.begin() + length);
    }
    PutInteger(out, variable.plsqlTable ? 1 : 0);
    if (variable.plsqlTable) {
      PutInteger(out, variable.elementCount);
      PutInteger(out, StoredStringSize(variable));
    }
  }
  return out;
}

void TVariableStoredForm::Read(TVariables& list, const std::vector<std::uint8_t>& data) {
  list.DeleteVariables();
  ByteReader reader(data);
  const std::int32_t version = reader.Integer();
  if (version > kVersion || version < 1) throw Exception(texts::kInvalidVersion);
  const std::int32_t count = reader.Length();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t nameLength = reader.Length();
    const std::uint8_t* nameBytes = reader.Bytes(nameLength);
    const std::string name(reinterpret_cast<const char*>(nameBytes),
                           static_cast<std::size_t>(nameLength));
    const std::int32_t type = reader.Integer();
    list.DeclareVariable(name, type);
    TVariableData& variable = list.Data(list.VariableIndex(name));
    if (version >= 2) {
      const std::int32_t length = reader.Length();
      if (length > 0) {
        const std::uint8_t* bytes = reader.Bytes(length);
        if (variable.buffer.empty()) {
          variable.buffer.assign(static_cast<std::size_t>(length), 0);
          variable.elementSize = length;
          variable.valueLength = length;
        }
        const std::size_t copied =
            std::min(variable.buffer.size(), static_cast<std::size_t>(length));
        std::memcpy(variable.buffer.data(), bytes, copied);
        // A text stored with its zero byte: the value's length stops before it.
        if ((variable.type == otSubst || variable.type == otLong) && bytes[length - 1] == 0) {
          variable.valueLength = length - 1;
        }
        // Text ends within its buffer, whether or not it was stored with its zero byte.
        if (variable.IsTextType()) {
          variable.buffer[std::min(copied, variable.buffer.size() - 1)] = 0;
        }
        variable.indicators[0] = 0;
      }
    }
    if (version >= 3 && reader.Integer() == 1) {
      const std::int32_t tableSize = reader.Integer();
      const std::int32_t stringSize = reader.Integer();
      list.DeclarePLSQLTable(name, tableSize, stringSize);
    }
  }
}

bool TVariableStoredForm::ShouldWrite(const TVariables& list, const TVariables* inherited) {
  if (!inherited) return list.VariableCount() > 0;
  if (list.VariableCount() != inherited->VariableCount()) return true;
  for (int i = 0; i < list.VariableCount(); ++i) {
    const TVariableData& a = list.Data(i);
    const TVariableData& b = inherited->Data(i);
    if (a.name != b.name || a.type != b.type || a.plsqlTable != b.plsqlTable) return true;
    const bool aNull = a.indicators[0] < 0;
    if (aNull != (b.indicators[0] < 0)) return true;
    if (a.plsqlTable && (a.elementCount != b.elementCount || a.elementSize != b.elementSize)) {
      return true;
    }
    if (!aNull) {
      const std::int32_t length = StoredDataLength(a);
      if (length != StoredDataLength(b)) return true;
      if (!std::equal(a.buffer.begin(),
                      a.buffer.begin() + std::min<std::size_t>(length, a.buffer.size()),
                      b.buffer.begin(),
                      b.buffer.begin() + std::min<std::size_t>(length, b.buffer.size()))) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace vek
