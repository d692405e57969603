// Binding the client library's entry points by name: the only place in the program that turns
// their names (client/OracleEntryPoints.def) into strings. Each family is bound in the table's
// order under its flag; the first missing name clears the flag and leaves the family's later
// slots empty.
#include "client/OracleCallTable.h"

#include <atomic>
#include <cstring>

#include "client/ClientLibrary.h"
#include "platform/DynamicLibrary.h"

namespace vek {
namespace {

template <typename Function>
void BindEntryPoint(const DynamicLibrary& library, std::atomic<bool>& family, Function& slot,
                    const char* name) {
  slot = nullptr;
  if (!family.load()) return;
  void* address = library.Symbol(name);
  if (!address) {
    family.store(false);
    return;
  }
  static_assert(sizeof(Function) == sizeof(void*));
  std::memcpy(&slot, &address, sizeof slot);
}

// An entry point that only some releases have: its slot stays empty without it, and no
// family depends on it.
template <typename Function>
void BindOptionalEntryPoint(const DynamicLibrary& library, Function& slot, const char* name) {
  void* address = library.Symbol(name);
  static_assert(sizeof(Function) == sizeof(void*));
  std::memcpy(&slot, &address, sizeof slot);
}

// The families of client/OracleEntryPoints.def.
enum class Family { OCI7, OCI7_OLOG, OCI7_OPINIT, OCI8, OCI8_ERROR_POSITION, OCI81, OCI9_OPTIONAL };

// Binds the family's entry points in the table's order under its flag.
void BindFamily(const DynamicLibrary& library, Family wanted, std::atomic<bool>& flag) {
#define VEK_ENTRY_POINT(family, name, returnType, parameters) \
  if (Family::family == wanted) BindEntryPoint(library, flag, OracleCalls.name, #name);
#include "client/OracleEntryPoints.def"
}

void BindOptionalEntryPoints(const DynamicLibrary& library) {
#define VEK_ENTRY_POINT(family, name, returnType, parameters) \
  if (Family::family == Family::OCI9_OPTIONAL)                \
    BindOptionalEntryPoint(library, OracleCalls.name, #name);
#include "client/OracleEntryPoints.def"
}

}  // namespace

// A family that extends another starts from that one's flag, so that it is usable only
// together with it.
void BindOracleCalls(const DynamicLibrary& library) {
  ClientFamilyFlags& families = ClientFamilies();
  families.hasOCI7 = true;
  BindFamily(library, Family::OCI7, families.hasOCI7);
  families.hasOLog = families.hasOCI7.load();
  BindFamily(library, Family::OCI7_OLOG, families.hasOLog);
  families.hasOPInit = families.hasOLog.load();
  BindFamily(library, Family::OCI7_OPINIT, families.hasOPInit);

  families.useOCI8 = !DisableOCI8();
  families.hasOCI8 = true;
  BindFamily(library, Family::OCI8, families.hasOCI8);
  if (!families.hasOCI8.load()) families.useOCI8 = false;

  families.hasErrorPosition = families.hasOCI8.load();
  BindFamily(library, Family::OCI8_ERROR_POSITION, families.hasErrorPosition);
  families.hasOCI81 = families.hasOCI8.load();
  BindFamily(library, Family::OCI81, families.hasOCI81);

  BindOptionalEntryPoints(library);
}

}  // namespace vek
