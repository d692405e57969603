// TOraclePackage: calls a stored procedure by writing an anonymous PL/SQL block around the
// call, binding every parameter as a variable of its own inner statement, and executing it.
// Booleans, which the client interface cannot bind, travel as integers converted inside the
// block. Repeated calls with the same parameter names and types keep their variables.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "access/Component.h"
#include "access/PackageParameter.h"
#include "platform/UiHooks.h"
#include "platform/Variant.h"

namespace vek {

class TOracleQuery;
class TOracleSession;

enum TParameterModeOption { pmNamed = 0, pmPositional = 1 };

class TOraclePackage : public TComponent {
 public:
  explicit TOraclePackage(TComponent* owner = nullptr);
  ~TOraclePackage() override;

  // Published properties.
  TOracleSession* Session() const;
  void SetSession(TOracleSession* session);
  bool Debug = false;
  std::string PackageName;
  TParameterModeOption ParameterMode = pmPositional;
  TCursor Cursor = crDefault;
  bool Optimize = true;

  // Calls procedure `name`. With pmNamed the values are pairs of a name and a value; with
  // pmPositional each value is one parameter. One variant array stands for its elements, and
  // one byte variant 0 for no parameters at all.
  void CallProcedure(const std::string& name, const std::vector<Variant>& parameters);

  // The inner statement and the state that decides whether variables are declared again.
  TOracleQuery& Query() { return *query_; }
  const std::vector<TPackageParameter>& Parameters() const { return parameters_; }
  bool NeedDeclare() const { return needDeclare_; }
  std::int32_t LastResultType() const { return lastResultType_; }

 private:
  void CollectParameters(const std::vector<Variant>& given);
  void BuildBlock(const std::string& name, std::int32_t resultType);
  Variant BoundValue(const TPackageParameter& parameter) const;

  std::unique_ptr<TOracleQuery> query_;
  std::vector<TPackageParameter> parameters_;
  bool needDeclare_ = true;
  std::int32_t lastResultType_ = -1;
};

}  // namespace vek
