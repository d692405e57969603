// Entry points of this library alone, for tests: they are not part of Oracle's interface,
// carry the devdb prefix so that no Oracle name is ever mistaken for them, and the program's
// call table never binds them. A test reaches them with dlsym on the library the program
// loaded.
#include <cstddef>

#include "devdb/oci/HandleRegistry.h"
#include "devdb/oci/OciTypes.h"

extern "C" {

// How many descriptors of the type are alive in the environment: what the program has been
// handed (OCIDescriptorAlloc, OCIParamGet) and not yet freed. 0 for an unknown environment.
__attribute__((visibility("default"))) std::size_t devdbLiveDescriptorCount(const void* envhp,
                                                                             ub4 type) {
  using devdb::oci::HandleRegistry;
  if (HandleRegistry::Instance().TypeOf(envhp) != OCI_HTYPE_ENV) return 0;
  return HandleRegistry::Instance().CountBelow(envhp, type);
}

}  // extern "C"
