// The registry of live handles. Objects are destroyed after the lock is released, because a
// destructor may talk to the server (a server handle closes its connection).
#include "devdb/oci/HandleRegistry.h"

#include <iterator>
#include <vector>

namespace devdb::oci {

void HandleRegistry::Insert(const void* key, Entry entry) {
  Owner replaced(nullptr, nullptr);
  std::lock_guard lock(mutex_);
  const void* parent = entry.parent;
  auto found = entries_.find(key);
  if (found != entries_.end()) {
    Unlink(key, found->second.parent);
    replaced = std::move(found->second.owner);
    found->second = std::move(entry);
  } else {
    entries_.emplace(key, std::move(entry));
  }
  children_[parent].push_back(key);
}

void HandleRegistry::Unlink(const void* key, const void* parent) {
  auto siblings = children_.find(parent);
  if (siblings == children_.end()) return;
  std::vector<const void*>& keys = siblings->second;
  // Handles mostly go in the reverse order of their making: look from the newest.
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    if (*it != key) continue;
    keys.erase(std::next(it).base());
    break;
  }
  if (keys.empty()) children_.erase(siblings);
}

void* HandleRegistry::FindObject(const void* address, ub4 type) {
  if (address == nullptr) return nullptr;
  std::lock_guard lock(mutex_);
  auto found = entries_.find(address);
  if (found == entries_.end() || found->second.type != type) return nullptr;
  return found->second.object;
}

ub4 HandleRegistry::TypeOf(const void* address) {
  std::lock_guard lock(mutex_);
  auto found = entries_.find(address);
  return found == entries_.end() ? 0 : found->second.type;
}

void HandleRegistry::CollectChildren(const void* key, std::vector<Owner>& doomed) {
  auto found = children_.find(key);
  if (found == children_.end()) return;
  const std::vector<const void*> children = std::move(found->second);
  children_.erase(found);
  for (const void* child : children) {
    CollectChildren(child, doomed);
    auto entry = entries_.find(child);
    if (entry == entries_.end()) continue;
    doomed.push_back(std::move(entry->second.owner));
    entries_.erase(entry);
  }
}

bool HandleRegistry::Remove(const void* address, ub4 type) {
  std::vector<Owner> doomed;
  {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(address);
    if (found == entries_.end() || found->second.type != type) return false;
    CollectChildren(address, doomed);
    found = entries_.find(address);
    Unlink(address, found->second.parent);
    doomed.push_back(std::move(found->second.owner));
    entries_.erase(found);
  }
  // Children first, then the entry itself, outside the lock.
  for (Owner& owner : doomed) owner.reset();
  return true;
}

}  // namespace devdb::oci

namespace devdb::oci {

void HandleRegistry::RemoveChildren(const void* address) {
  std::vector<Owner> doomed;
  {
    std::lock_guard lock(mutex_);
    CollectChildren(address, doomed);
  }
  for (Owner& owner : doomed) owner.reset();
}

}  // namespace devdb::oci

namespace devdb::oci {

std::size_t HandleRegistry::CountBelow(const void* ancestor, ub4 type) {
  std::lock_guard lock(mutex_);
  std::size_t count = 0;
  for (const auto& [address, entry] : entries_) {
    if (entry.type != type) continue;
    // Parent chains are short (environment, statement, descriptor); a bound keeps a broken
    // chain from looping.
    const void* parent = entry.parent;
    for (int depth = 0; parent != nullptr && parent != ancestor && depth < 16; ++depth) {
      auto found = entries_.find(parent);
      parent = found == entries_.end() ? nullptr : found->second.parent;
    }
    if (parent != nullptr && parent == ancestor) ++count;
  }
  return count;
}

}  // namespace devdb::oci
