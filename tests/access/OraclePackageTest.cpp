// The package call builder without a server: the block each call writes, line by line, the
// variables it declares and keeps, and the messages of a wrong parameter list. A package
// without a session builds its block and then stops at "Session undefined".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access/DBMS_Application_Info.h"
#include "access/OraclePackage.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/Variables.h"
#include "platform/Exception.h"

namespace vek {
namespace {

using Lines = std::vector<std::string>;

// Runs a call that cannot reach a server and returns the message it stopped with.
std::string Call(TOraclePackage& package, const std::string& name,
                 const std::vector<Variant>& parameters) {
  try {
    package.CallProcedure(name, parameters);
  } catch (const std::exception& error) {
    return error.what();
  }
  return "<nothing raised>";
}

void ExpectLines(const Lines& actual, const Lines& expected) {
  ASSERT_EQ(actual.size(), expected.size()) << "number of lines";
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
  }
}

TEST(OraclePackageTest, SetClientInfoWritesTheThreeLineBlockWithOneStringVariable) {
  TOracleSession session;
  TDBMS_Application_Info& info = session.DBMS_Application_Info();
  EXPECT_EQ(&session.DBMS_Application_Info(), &info) << "one wrapper per session";
  TOraclePackage& package = info.Package();
  EXPECT_EQ(package.Name(), "dbms_application_info");
  EXPECT_EQ(package.PackageName, "sys.dbms_application_info");
  EXPECT_EQ(package.ParameterMode, pmNamed);
  EXPECT_EQ(package.Session(), &session);
  EXPECT_EQ(package.Query().Name(), "Query");

  EXPECT_THROW(info.set_client_info("VEKDEBUGSESSION#APP"), Exception) << "not logged on";
  ExpectLines(package.Query().SQL,
              {"begin", "  sys.dbms_application_info.set_client_info(client_info => :client_info);",
               "end;"});
  TVariables& variables = TVariables::Of(package.Query());
  ASSERT_EQ(variables.VariableCount(), 1);
  EXPECT_EQ(variables.VariableName(0), ":CLIENT_INFO");
  EXPECT_EQ(variables.VariableType(0), otString);
  EXPECT_EQ(variables.GetVariable("client_info"), Variant("VEKDEBUGSESSION#APP"));
  EXPECT_FALSE(package.NeedDeclare());
  EXPECT_EQ(package.LastResultType(), 0);
}

TEST(OraclePackageTest, ASecondCallWithTheSameParametersKeepsItsVariables) {
  TOraclePackage package;
  package.ParameterMode = pmNamed;
  package.PackageName = "sys.dbms_application_info";
  Call(package, "set_client_info", {Variant("client_info"), Variant("first")});
  TVariables& variables = TVariables::Of(package.Query());
  // A mark that only a new declaration removes.
  constexpr std::int32_t kMark = 12345;
  variables.Data(0).boundCount = kMark;

  Call(package, "set_client_info", {Variant("client_info"), Variant("second")});
  ASSERT_EQ(variables.VariableCount(), 1);
  EXPECT_EQ(variables.Data(0).boundCount, kMark) << "not deleted and declared again";
  EXPECT_EQ(variables.GetVariable("client_info"), Variant("second"));

  package.Optimize = false;
  Call(package, "set_client_info", {Variant("client_info"), Variant("third")});
  EXPECT_NE(variables.Data(0).boundCount, kMark) << "without Optimize every call declares";
}

TEST(OraclePackageTest, AChangedParameterListDeclaresAgain) {
  TOraclePackage package;
  Call(package, "proc", {Variant(std::int32_t{1})});
  TVariables& variables = TVariables::Of(package.Query());
  Call(package, "proc", {Variant("now a string")});
  ASSERT_EQ(variables.VariableCount(), 1);
  EXPECT_EQ(variables.VariableType(0), otString);
  Call(package, "proc", {Variant("x"), Variant(std::int32_t{2})});
  EXPECT_EQ(variables.VariableCount(), 2);
}

TEST(OraclePackageTest, PositionalBooleansAreConvertedInsideTheBlock) {
  TOraclePackage package;
  package.PackageName = "pkg";
  Call(package, "proc", {Variant("text"), Variant(true)});
  ExpectLines(package.Query().SQL,
              {"declare\r\n  zqa__boolean1 boolean := sys.diutil.int_to_bool(:p2);", "begin",
               "  pkg.proc(:p1, zqa__boolean1);", "  :p2 := sys.diutil.bool_to_int(zqa__boolean1);",
               "end;"});
  TVariables& variables = TVariables::Of(package.Query());
  EXPECT_EQ(variables.VariableType(variables.VariableIndex("p2")), otInteger);
  EXPECT_EQ(variables.GetVariable("p2"), Variant(std::int32_t{1}));
  EXPECT_EQ(package.Parameters()[1].BooleanName, "zqa__boolean1");
}

TEST(OraclePackageTest, SeveralBooleansAreJoinedByLineBreaks) {
  TOraclePackage package;
  package.ParameterMode = pmNamed;
  Call(package, "proc",
       {Variant("a"), Variant(false), Variant("b"), Variant(std::int32_t{5}), Variant("c"),
        Variant::FromByte(otBoolean)});
  ExpectLines(package.Query().SQL,
              {"declare\r\n  zqa__boolean1 boolean := sys.diutil.int_to_bool(:a);\r\n"
               "  zqa__boolean2 boolean := sys.diutil.int_to_bool(:c);",
               "begin", "  proc(a => zqa__boolean1, b => :b, c => zqa__boolean2);",
               "  :a := sys.diutil.bool_to_int(zqa__boolean1);\r\n"
               "  :c := sys.diutil.bool_to_int(zqa__boolean2);",
               "end;"});
  TVariables& variables = TVariables::Of(package.Query());
  EXPECT_EQ(variables.GetVariable("a"), Variant(std::int32_t{0}));
  EXPECT_TRUE(variables.GetVariable("c").IsEmpty()) << "an output parameter starts null";
}

TEST(OraclePackageTest, AnEmptyValuePassesNullInEitherMode) {
  TOraclePackage positional;
  Call(positional, "proc", {Variant(std::int32_t{1}), Variant(), Variant::Null()});
  ExpectLines(positional.Query().SQL, {"begin", "  proc(:p1, Null, Null);", "end;"});
  EXPECT_EQ(TVariables::Of(positional.Query()).VariableCount(), 1) << "no variable for Null";

  TOraclePackage named;
  named.ParameterMode = pmNamed;
  Call(named, "proc", {Variant("x"), Variant()});
  ExpectLines(named.Query().SQL, {"begin", "  proc(x => Null);", "end;"});
}

TEST(OraclePackageTest, NoParametersWriteNoParentheses) {
  TOraclePackage package;
  for (const std::vector<Variant>& none :
       {std::vector<Variant>{}, std::vector<Variant>{Variant::FromByte(0)},
        std::vector<Variant>{Variant::Array(0, std::vector<Variant>{})}}) {
    Call(package, "dbms_output.enable", none);
    ExpectLines(package.Query().SQL, {"begin", "  dbms_output.enable;", "end;"});
  }
  Call(package, "proc", {Variant::Array(1, {Variant(1.5), Variant::FromDateTime(2.0)})});
  ExpectLines(package.Query().SQL, {"begin", "  proc(:p1, :p2);", "end;"});
  TVariables& variables = TVariables::Of(package.Query());
  EXPECT_EQ(variables.VariableType(0), otFloat);
  EXPECT_EQ(variables.VariableType(1), otDate);
}

TEST(OraclePackageTest, AWrongParameterListRaisesAndLeavesTheListAsItWas) {
  struct Case {
    TParameterModeOption mode;
    std::vector<Variant> parameters;
    std::string message;
  };
  const std::vector<Case> cases = {
      {pmNamed,
       {Variant("a"), Variant(std::int32_t{1}), Variant("b")},
       "Even number of parameters required when ParameterMode = pmNamed"},
      {pmNamed,
       {Variant(std::int32_t{1}), Variant(std::int32_t{2})},
       "Parameter names must be strings"},
      {pmPositional,
       {Variant::FromByte(7)},
       "Byte parameters can only be used for output parameter types"},
      {pmPositional,
       {Variant(std::int32_t{1}), Variant::FromBytes({1, 2})},
       "Type of parameter p2 not supported"},
      {pmNamed, {Variant("arr"), Variant::Array(0, 1)}, "Type of parameter arr not supported"},
  };
  for (const Case& c : cases) {
    TOraclePackage package;
    package.ParameterMode = c.mode;
    Call(package, "proc",
         c.mode == pmNamed ? std::vector<Variant>{Variant("keep"), Variant("v")}
                           : std::vector<Variant>{Variant("v")});
    const auto before = package.Parameters();
    EXPECT_EQ(Call(package, "proc", c.parameters), c.message);
    ASSERT_EQ(package.Parameters().size(), before.size()) << c.message;
    EXPECT_EQ(package.Parameters()[0].name, before[0].name) << c.message;
  }
}

}  // namespace
}  // namespace vek
