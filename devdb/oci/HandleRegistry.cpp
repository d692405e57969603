// The registry of live handles. Objects are destroyed after the lock is released, because a
// destructor may talk to the server (a server handle closes its connection).
#include "devdb/oci/HandleRegistry.h"

#include <vector>

namespace devdb::oci {

HandleRegistry& HandleRegistry::Instance() {
  // Destroyed when the library is unloaded, freeing whatever handles the program left.
  static HandleRegistry registry;
  return registry;
}

void HandleRegistry::Insert(const void* key, Entry entry) {
  std::shared_ptr<void> replaced;
  std::lock_guard lock(mutex_);
  auto found = entries_.find(key);
  if (found != entries_.end()) {
    replaced = std::move(found->second.owner);
    found->second = std::move(entry);
    return;
  }
  entries_.emplace(key, std::move(entry));
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

void HandleRegistry::CollectChildren(const void* key, std::vector<std::shared_ptr<void>>& doomed) {
  std::vector<const void*> children;
  for (const auto& [address, entry] : entries_)
    if (entry.parent == key) children.push_back(address);
  for (const void* child : children) {
    CollectChildren(child, doomed);
    auto found = entries_.find(child);
    if (found == entries_.end()) continue;
    doomed.push_back(std::move(found->second.owner));
    entries_.erase(found);
  }
}

bool HandleRegistry::Remove(const void* address, ub4 type) {
  std::vector<std::shared_ptr<void>> doomed;
  {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(address);
    if (found == entries_.end() || found->second.type != type) return false;
    CollectChildren(address, doomed);
    found = entries_.find(address);
    doomed.push_back(std::move(found->second.owner));
    entries_.erase(found);
  }
  // Children first, then the entry itself, outside the lock.
  while (!doomed.empty()) doomed.erase(doomed.begin());
  return true;
}

}  // namespace devdb::oci

namespace devdb::oci {

void HandleRegistry::RemoveChildren(const void* address) {
  std::vector<std::shared_ptr<void>> doomed;
  {
    std::lock_guard lock(mutex_);
    CollectChildren(address, doomed);
  }
  while (!doomed.empty()) doomed.erase(doomed.begin());
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
