// Collecting a package call's parameters, writing the anonymous block around the call, and
// running it on the inner statement.
#include "access/OraclePackage.h"

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/VariableTexts.h"
#include "access/VariableTypes.h"
#include "access/Variables.h"
#include "platform/Exception.h"

namespace vek {
namespace texts = variable_texts;
namespace {

constexpr const char* kResultName = "zqa__value";
constexpr const char* kBooleanPrefix = "zqa__boolean";
constexpr const char* kLineBreak = "\r\n";

// The parameter type a value gives, or -1 when its kind has none.
std::int32_t ParameterTypeOf(const Variant& value) {
  switch (value.Kind()) {
    case VariantKind::vkUnassigned:
    case VariantKind::vkNull: return 0;
    case VariantKind::vkInteger: return otInteger;
    case VariantKind::vkDouble: return otFloat;
    case VariantKind::vkDateTime: return otDate;
    case VariantKind::vkString: return otString;
    case VariantKind::vkBoolean: return otBoolean;
    default: return -1;
  }
}

bool IsOutputType(std::int32_t type) {
  return type == otInteger || type == otFloat || type == otString || type == otDate ||
         type == otBoolean;
}

}  // namespace

TOraclePackage::TOraclePackage(TComponent* owner)
    : TComponent(owner), query_(std::make_unique<TOracleQuery>()) {
  query_->SetName("Query");
}

TOraclePackage::~TOraclePackage() { Destroying(); }

TOracleSession* TOraclePackage::Session() const { return query_->Session(); }

void TOraclePackage::SetSession(TOracleSession* session) { query_->SetSession(session); }

void TOraclePackage::CallProcedure(const std::string& name,
                                   const std::vector<Variant>& parameters) {
  if (lastResultType_ != 0) needDeclare_ = true;
  lastResultType_ = 0;
  CollectParameters(parameters);
  BuildBlock(name, 0);
  query_->Execute();
}

void TOraclePackage::CollectParameters(const std::vector<Variant>& given) {
  std::vector<Variant> values = given;
  if (given.size() == 1 && given[0].Kind() == VariantKind::vkByte && given[0].AsByte() == 0) {
    values.clear();
  } else if (given.size() == 1 && given[0].IsArray()) {
    values = given[0].AsArray().elements;
  }
  const bool named = ParameterMode == pmNamed;
  if (named && values.size() % 2 != 0) throw Exception(texts::kEvenParameters);

  std::vector<TPackageParameter> collected;
  for (std::size_t i = 0; i < values.size(); ++i) {
    TPackageParameter parameter;
    if (named) {
      const Variant& nameValue = values[i++];
      if (nameValue.Kind() != VariantKind::vkString) throw Exception(texts::kNamesMustBeStrings);
      parameter.name = nameValue.AsString();
    } else {
      parameter.name = "p" + std::to_string(collected.size() + 1);
    }
    const Variant& value = values[i];
    if (value.Kind() == VariantKind::vkByte) {
      // A byte names the type of an output parameter that starts without a value.
      const std::int32_t type = value.AsByte();
      if (!IsOutputType(type)) throw Exception(texts::kByteParameters);
      parameter.parameterType = type;
      parameter.value = Variant::Null();
    } else {
      parameter.parameterType = ParameterTypeOf(value);
      if (parameter.parameterType < 0) {
        throw Exception(texts::kTypeOfParameter + parameter.name + texts::kNotSupported);
      }
      parameter.value = value;
    }
    collected.push_back(std::move(parameter));
  }
  int booleans = 0;
  for (TPackageParameter& parameter : collected) {
    if (parameter.parameterType == otBoolean) {
      parameter.BooleanName = kBooleanPrefix + std::to_string(++booleans);
    }
  }

  bool changed = !Optimize || collected.size() != parameters_.size();
  for (std::size_t i = 0; !changed && i < collected.size(); ++i) {
    changed = collected[i].parameterType != parameters_[i].parameterType ||
              collected[i].name != parameters_[i].name;
  }
  if (changed) needDeclare_ = true;
  parameters_ = std::move(collected);
}

Variant TOraclePackage::BoundValue(const TPackageParameter& parameter) const {
  if (parameter.parameterType != otBoolean) return parameter.value;
  if (parameter.value.IsEmpty()) {
    TOracleSession* session = Session();
    return session && session->NullValue == nvNull ? Variant::Null() : Variant();
  }
  return Variant(static_cast<std::int32_t>(parameter.value.AsBoolean() ? 1 : 0));
}

void TOraclePackage::BuildBlock(const std::string& name, std::int32_t resultType) {
  TOracleQuery& query = *query_;
  query.Debug = Debug;
  query.Cursor = Cursor;
  query.Optimize = Optimize;
  TVariables& variables = TVariables::Of(query);

  query.SQL.clear();
  if (needDeclare_) variables.DeleteVariables();
  query.SQL.push_back("begin");

  std::string call = "  ";
  if (resultType > 0) {
    call += ":" + std::string(kResultName) + " := ";
    if (resultType == otBoolean) call += "sys.diutil.bool_to_int(";
    if (needDeclare_) {
      variables.DeclareVariable(kResultName, resultType == otBoolean ? otInteger : resultType);
    } else {
      variables.SetVariable(kResultName, Variant::Null());
    }
  }
  if (!PackageName.empty()) call += PackageName + ".";
  call += name;

  std::string conversions;
  std::string declarations;
  if (!parameters_.empty()) {
    call += "(";
    for (std::size_t i = 0; i < parameters_.size(); ++i) {
      const TPackageParameter& parameter = parameters_[i];
      if (i > 0) call += ", ";
      if (ParameterMode == pmNamed) call += parameter.name + " => ";
      if (parameter.parameterType == 0) {
        call += "Null";
        continue;
      }
      if (parameter.parameterType == otBoolean) {
        call += parameter.BooleanName;
        if (!conversions.empty()) conversions += kLineBreak;
        conversions +=
            "  :" + parameter.name + " := sys.diutil.bool_to_int(" + parameter.BooleanName + ");";
        if (!declarations.empty()) declarations += kLineBreak;
        declarations += "  " + parameter.BooleanName +
                        " boolean := sys.diutil.int_to_bool(:" + parameter.name + ");";
      } else {
        call += ":" + parameter.name;
      }
      if (needDeclare_) {
        variables.DeclareVariable(parameter.name, parameter.parameterType == otBoolean
                                                      ? otInteger
                                                      : parameter.parameterType);
      }
      variables.SetVariable(parameter.name, BoundValue(parameter));
    }
    call += ")";
  }
  call += resultType == otBoolean ? ");" : ";";

  query.SQL.push_back(call);
  if (!conversions.empty()) query.SQL.push_back(conversions);
  query.SQL.push_back("end;");
  if (!declarations.empty()) {
    query.SQL.insert(query.SQL.begin(), std::string("declare") + kLineBreak + declarations);
  }
  needDeclare_ = false;
}

}  // namespace vek
