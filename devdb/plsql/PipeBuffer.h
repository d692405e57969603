// A session's local DBMS_PIPE message buffer: one per session, shared by packing and
// unpacking and by every pipe, with Oracle's 4096-byte limit and per-item overhead.
#pragma once

#include <cstddef>
#include <vector>

#include "devdb/plsql/PlValue.h"

namespace devdb::plsql {

// NEXT_ITEM_TYPE codes.
enum PipeItemType {
  kPipeNoItem = 0,
  kPipeNumber = 6,
  kPipeVarchar2 = 9,
  kPipeRowid = 11,
  kPipeDate = 12,
  kPipeRaw = 23
};

struct PipeItem {
  int type = kPipeVarchar2;
  PlValue value;
  std::size_t Size() const;  // bytes the item takes in a buffer or a pipe
};

struct PipeMessage {
  std::vector<PipeItem> items;
  std::size_t Size() const;  // the items plus the message terminator
};

class PipeBuffer {
 public:
  static constexpr std::size_t kLimit = 4096;

  // Appends an item; ORA-06558 when it would not fit.
  void Pack(PipeItem item);
  int NextItemType() const;
  // Takes the next item; ORA-06556 when none is left, ORA-06559 when expectedType is not 0
  // and differs from the item's type.
  PlValue Unpack(int expectedType);
  void Reset();
  // The packed message, leaving the buffer empty for the next message.
  PipeMessage TakeMessage();
  // Replaces the buffer by a received message, ready to unpack from its first item.
  void Load(PipeMessage message);

 private:
  PipeMessage message_;
  // message_.Size(), kept as items come so that a pack does not size every earlier item again.
  std::size_t size_ = 1;
  std::size_t unpackPosition_ = 0;
};

}  // namespace devdb::plsql
