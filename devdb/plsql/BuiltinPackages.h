// The built-in packages the development server offers, reachable with and without the SYS.
// prefix: DBMS_PIPE, DBMS_ALERT, DBMS_SESSION, DBMS_APPLICATION_INFO, DIUTIL, DBMS_OUTPUT and
// DBMS_LOCK. Their signatures (for named notation and defaults) and their behaviour.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devdb/plsql/BuiltinArgument.h"
#include "devdb/plsql/PlValue.h"

namespace devdb::plsql {

class Interpreter;

struct BuiltinParameter {
  const char* name;
  bool in = true;
  bool out = false;
  bool optional = false;
};

struct BuiltinSignature {
  const char* package;
  const char* member;
  bool isFunction;
  std::vector<BuiltinParameter> parameters;
};

class BuiltinPackages {
 public:
  // The package's canonical name when the name (with schema, if given) is a built-in package;
  // empty otherwise. DIUTIL answers only with or without SYS, as the others do.
  static std::string CanonicalPackage(const std::string& name, const std::string& schema);
  static const BuiltinSignature* Find(const std::string& package, const std::string& member);
  // The subprogram that package.member (with schema, if given) names, as CanonicalPackage and
  // Find together would find it, without building a name; null when it is none.
  static const BuiltinSignature* Resolve(const std::string& package, const std::string& member,
                                         const std::string& schema);
  static std::optional<PlValue> Constant(const std::string& package, const std::string& member);
  // Runs the subprogram; arguments are in parameter order. Returns a function's result.
  static PlValue Call(Interpreter& interpreter, const BuiltinSignature& signature,
                      std::vector<BuiltinArgument>& arguments);
};

}  // namespace devdb::plsql
