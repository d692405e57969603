/* Every entry point of the client library's table (client/OracleEntryPoints.def) as a stub
   that does nothing and returns 0, for the stand-in libraries. A variant's linker version
   script chooses which of the names it exports; the stubs are weak, so that the few entry
   points FakeClientLibrary.c implements replace them when the module is linked. */
#define VEK_ENTRY_POINT(family, name, returnType, parameters) \
  __attribute__((weak)) int name(void) { return 0; }
#include "client/OracleEntryPoints.def"
