# The builds of a client library (devdb's substitute library, the tests' stand-ins) take the
# names they export from the one entry-point table, OracleEntryPoints.def, as the program's
# binding does: the names of chosen families, and a linker version script that exports exactly
# a list of names and hides everything else.
set(VEK_ORACLE_ENTRY_POINTS ${CMAKE_CURRENT_LIST_DIR}/OracleEntryPoints.def)

# Sets <out> to the names of the given families (OCI7, OCI8, ...), in the table's order.
function(vek_oracle_entry_points out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEK_ORACLE_ENTRY_POINTS})
  file(STRINGS ${VEK_ORACLE_ENTRY_POINTS} entries REGEX "^VEK_ENTRY_POINT")
  set(families ${ARGN})
  set(names)
  foreach(entry IN LISTS entries)
    # One entry a line: VEK_ENTRY_POINT(family, name, return type, (parameters))
    if(NOT entry MATCHES "^VEK_ENTRY_POINT\\(([A-Z0-9_]+), ([A-Za-z0-9_]+), .*\\)\\)$")
      message(FATAL_ERROR "${VEK_ORACLE_ENTRY_POINTS}: not one entry on one line: ${entry}")
    endif()
    if(CMAKE_MATCH_1 IN_LIST families)
      list(APPEND names ${CMAKE_MATCH_2})
    endif()
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "${VEK_ORACLE_ENTRY_POINTS} has no entry point of the families ${ARGN}")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# Makes <target> export exactly the given names.
function(vek_export_only target)
  list(JOIN ARGN ";\n    " joined)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  file(CONFIGURE OUTPUT ${script} CONTENT "{\n  global:\n    ${joined};\n  local:\n    *;\n};\n" @ONLY)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
  target_link_options(${target} PRIVATE -Wl,--version-script=${script})
endfunction()
