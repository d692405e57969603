// Every Oracle entry point the library exports, declared from the one table the program binds
// from (client/OracleEntryPoints.def), with the C signature Oracle documents for it. Only these
// names and the library's own test entry points leave the library; everything else is hidden.
#pragma once

#include "devdb/oci/OciTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OCI_EXPORT __attribute__((visibility("default")))

#define VEK_ENTRY_POINT(family, name, returnType, parameters) OCI_EXPORT returnType name parameters;
#include "client/OracleEntryPoints.def"

#ifdef __cplusplus
}
#endif
