// The per-session DBMS_PIPE buffer and the sizes of items, which decide both the 4096-byte
// buffer limit and how quickly a pipe fills up.
#include "devdb/plsql/PipeBuffer.h"

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/PlsqlError.h"

namespace devdb::plsql {
namespace {
// Type, length, character set id and form.
constexpr std::size_t kItemOverhead = 7;
}  // namespace

std::size_t PipeItem::Size() const {
  std::size_t data = 0;
  if (!value.IsNull()) {
    switch (type) {
      case kPipeNumber: data = value.TextLength() / 2 + 2; break;
      case kPipeDate: data = 7; break;
      case kPipeRaw: data = value.ToRaw().size(); break;
      // Sized at every pack, send and receive: the text is not copied for it.
      default: data = value.TextLength(); break;
    }
  }
  return kItemOverhead + data;
}

std::size_t PipeMessage::Size() const {
  std::size_t size = 1;
  for (const auto& item : items) size += item.Size();
  return size;
}

void PipeBuffer::Pack(PipeItem item) {
  const std::size_t itemSize = item.Size();
  if (size_ + itemSize > kLimit) throw PlsqlError(texts::kPipeBufferFull);
  message_.items.push_back(std::move(item));
  size_ += itemSize;
}

int PipeBuffer::NextItemType() const {
  if (unpackPosition_ >= message_.items.size()) return kPipeNoItem;
  return message_.items[unpackPosition_].type;
}

PlValue PipeBuffer::Unpack(int expectedType) {
  if (unpackPosition_ >= message_.items.size()) throw PlsqlError(texts::kPipeEmpty);
  const PipeItem& item = message_.items[unpackPosition_];
  if (expectedType != 0 && expectedType != item.type) {
    throw PlsqlError(texts::kPipeWrongType,
                     {std::to_string(expectedType), std::to_string(item.type)});
  }
  ++unpackPosition_;
  return item.value;
}

void PipeBuffer::Reset() {
  message_ = {};
  size_ = message_.Size();
  unpackPosition_ = 0;
}

PipeMessage PipeBuffer::TakeMessage() {
  PipeMessage message = std::move(message_);
  Reset();
  return message;
}

void PipeBuffer::Load(PipeMessage message) {
  message_ = std::move(message);
  size_ = message_.Size();
  unpackPosition_ = 0;
}

}  // namespace devdb::plsql
