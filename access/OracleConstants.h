// The client interface's handle types, modes, attribute numbers and return codes that the
// sessions and statements pass, with the values Oracle documents for them. The few the client
// binding needs itself come with its call table.
#pragma once

#include "client/OracleCallTable.h"

namespace vek {

inline constexpr sword OCI_NEED_DATA = 99;
inline constexpr sword OCI_CONTINUE = -24200;

// Handle and descriptor types.
inline constexpr ub4 OCI_HTYPE_SVCCTX = 3;
inline constexpr ub4 OCI_HTYPE_STMT = 4;
inline constexpr ub4 OCI_HTYPE_SERVER = 8;
inline constexpr ub4 OCI_HTYPE_SESSION = 9;
inline constexpr ub4 OCI_DTYPE_PARAM = 53;
inline constexpr ub4 OCI_DTYPE_ROWID = 54;

// Modes.
inline constexpr ub4 OCI_ENV_NO_MUTEX = 0x08;
inline constexpr ub4 OCI_DESCRIBE_ONLY = 0x10;
inline constexpr ub4 OCI_COMMIT_ON_SUCCESS = 0x20;
inline constexpr ub4 OCI_DYNAMIC_FETCH = 0x02;
inline constexpr ub4 OCI_SYSDBA = 0x02;
inline constexpr ub4 OCI_SYSOPER = 0x04;
inline constexpr ub4 OCI_CRED_RDBMS = 1;
inline constexpr ub4 OCI_CRED_EXT = 2;
inline constexpr ub4 OCI_NTV_SYNTAX = 1;
inline constexpr ub2 OCI_FETCH_NEXT = 0x02;

// Attributes.
inline constexpr ub4 OCI_ATTR_DATA_SIZE = 1;
inline constexpr ub4 OCI_ATTR_DATA_TYPE = 2;
inline constexpr ub4 OCI_ATTR_NAME = 4;
inline constexpr ub4 OCI_ATTR_PRECISION = 5;
inline constexpr ub4 OCI_ATTR_SCALE = 6;
inline constexpr ub4 OCI_ATTR_IS_NULL = 7;
inline constexpr ub4 OCI_ATTR_SERVER = 6;
inline constexpr ub4 OCI_ATTR_SESSION = 7;
inline constexpr ub4 OCI_ATTR_ROW_COUNT = 9;
inline constexpr ub4 OCI_ATTR_SQLFNCODE = 10;
inline constexpr ub4 OCI_ATTR_PREFETCH_ROWS = 11;
inline constexpr ub4 OCI_ATTR_PREFETCH_MEMORY = 13;
inline constexpr ub4 OCI_ATTR_PARAM_COUNT = 18;
inline constexpr ub4 OCI_ATTR_ROWID = 19;
inline constexpr ub4 OCI_ATTR_USERNAME = 22;
inline constexpr ub4 OCI_ATTR_PASSWORD = 23;
inline constexpr ub4 OCI_ATTR_STMT_TYPE = 24;
// 129 from release 8.1 on; release 8.0 clients number it 128.
inline constexpr ub4 OCI_ATTR_PARSE_ERROR_OFFSET = 129;

}  // namespace vek
