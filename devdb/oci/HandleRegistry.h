// Every live handle, descriptor and version-7 data area of the process, keyed by the
// address the program holds, with its type and its parent. A call checks the address and
// type here before it touches the object, so a wrong or freed handle is refused instead of
// followed; freeing a handle frees its children (an environment frees everything in it).
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "devdb/oci/OciTypes.h"

namespace devdb::oci {

class HandleRegistry {
 public:
  // Pseudo types for the version-7 areas, outside Oracle's handle and descriptor numbers.
  static constexpr ub4 kLogonArea = 1000;
  static constexpr ub4 kCursorArea = 1001;

  static HandleRegistry& Instance() {
    // Destroyed when the library is unloaded, freeing whatever handles the program left.
    static HandleRegistry registry;
    return registry;
  }

  // Takes the object; its address is the handle. `key` overrides the address (for areas
  // that live in the program's memory).
  template <typename T>
  T* Add(std::unique_ptr<T> object, ub4 type, const void* parent, const void* key = nullptr) {
    T* raw = object.get();
    Owner owner(object.release(), [](void* doomed) { delete static_cast<T*>(doomed); });
    Insert(key != nullptr ? key : raw, Entry{type, parent, std::move(owner), raw});
    return raw;
  }

  // The object registered under address with that type, or nullptr.
  template <typename T>
  T* Find(const void* address, ub4 type) {
    return static_cast<T*>(FindObject(address, type));
  }
  ub4 TypeOf(const void* address);
  // Frees the entry and, first, all entries whose parent it is. False when not registered
  // with that type.
  bool Remove(const void* address, ub4 type);
  // Frees everything below address, keeping address itself.
  void RemoveChildren(const void* address);
  // How many live entries of that type stand anywhere below ancestor.
  std::size_t CountBelow(const void* ancestor, ub4 type);

 private:
  // Deletes the object as the type it was added with.
  using Owner = std::unique_ptr<void, void (*)(void*)>;
  struct Entry {
    ub4 type;
    const void* parent;
    Owner owner;
    void* object;
  };
  void Insert(const void* key, Entry entry);
  void* FindObject(const void* address, ub4 type);
  // Takes every entry below key out of the registry, the deepest first, into doomed.
  void CollectChildren(const void* key, std::vector<Owner>& doomed);
  void Unlink(const void* key, const void* parent);

  std::mutex mutex_;
  std::unordered_map<const void*, Entry> entries_;
  // The keys of the entries whose parent is the key here, oldest first, so that freeing a
  // handle finds its children without looking at every other entry.
  std::unordered_map<const void*, std::vector<const void*>> children_;
};

}  // namespace devdb::oci
