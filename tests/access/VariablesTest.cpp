// Bind variables without a server: names, declaring and re-declaring, the element rule of
// every type, arrays and PL/SQL tables, every message of the failure table, substitution,
// copying between statements, the debug text and the stored form.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "access/OracleDate.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/SubstitutionScanner.h"
#include "access/VariableStoredForm.h"
#include "access/Variables.h"
#include "platform/ConvertError.h"
#include "platform/Exception.h"
#include "platform/UserLocale.h"

namespace vek {
namespace {

LocaleFormats KnownLocale() { return {"dd.MM.yyyy", "HH:mm:ss", ','}; }

class VariablesTest : public ::testing::Test {
 protected:
  VariablesTest() : locale_(KnownLocale()) {}
  TVariables& Vars() { return TVariables::Of(query_); }

  ScopedUserLocale locale_;
  TOracleQuery query_;
};

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "<nothing raised>";
}

TEST_F(VariablesTest, NamesAreNormalisedAndLookedUpInEveryWriting) {
  Vars().DeclareVariable("status", otInteger);
  EXPECT_EQ(Vars().VariableName(0), ":STATUS");
  for (const char* name : {"Status", ":status", ":STATUS", "STATUS"}) {
    EXPECT_EQ(Vars().VariableIndex(name), 0) << name;
  }
  EXPECT_EQ(Vars().VariableIndex("pipename"), -1);
  EXPECT_EQ(Vars().VariableType(0), otInteger);
  EXPECT_EQ(&TVariables::Of(query_), &Vars()) << "the statement keeps one list";
}

TEST_F(VariablesTest, TheStatementsOwnOperationsWorkOnItsList) {
  query_.DeclareVariable("pipename", otString);
  query_.SetVariable(":PipeName", Variant("VEK_DEBUG#SCOTT"));
  EXPECT_EQ(query_.GetVariable("pipename").AsString(), "VEK_DEBUG#SCOTT");
  EXPECT_EQ(&query_.VariableList(), &Vars());
  EXPECT_EQ(Vars().VariableCount(), 1);
}

TEST_F(VariablesTest, RedeclaringKeepsThePositionMakesNullAndChangesTheType) {
  Vars().DeclareVariable("a", otInteger);
  Vars().DeclareVariable("b", otInteger);
  Vars().DeclareVariable("c", otInteger);
  Vars().SetVariable("b", Variant(std::int32_t{7}));
  Vars().DeclareVariable(":B", otString);
  ASSERT_EQ(Vars().VariableCount(), 3);
  EXPECT_EQ(Vars().VariableName(1), ":B");
  EXPECT_EQ(Vars().VariableType(1), otString);
  EXPECT_TRUE(Vars().GetVariable("b").IsUnassigned());
}

TEST_F(VariablesTest, AFreshVariableIsEmptyOrNullAfterTheSessionsNullValue) {
  Vars().DeclareVariable("x", otFloat);
  EXPECT_TRUE(Vars().GetVariable("x").IsUnassigned());
  TOracleSession session;
  session.NullValue = nvNull;
  query_.SetSession(&session);
  EXPECT_TRUE(Vars().GetVariable("x").IsNull());
}

TEST_F(VariablesTest, DeletingForgetsTheVariableAndItsName) {
  Vars().DeclareVariable("a", otInteger);
  Vars().DeclareVariable("b", otInteger);
  Vars().DeleteVariable("A");
  ASSERT_EQ(Vars().VariableCount(), 1);
  EXPECT_EQ(Vars().VariableName(0), ":B");
  query_.Clear();
  EXPECT_EQ(Vars().VariableCount(), 0) << "Clear of the statement deletes all variables";
}

TEST_F(VariablesTest, ScalarValuesOfEveryTypeReadBack) {
  struct Case {
    std::int32_t type;
    Variant given;
    Variant expected;
  };
  const std::vector<Case> cases = {
      {otInteger, Variant(std::int32_t{-42}), Variant(std::int32_t{-42})},
      {otInteger, Variant(2.6), Variant(std::int32_t{3})},
      {otInteger, Variant("12"), Variant(std::int32_t{12})},
      {otFloat, Variant(2.5), Variant(2.5)},
      {otFloat, Variant(std::int32_t{3}), Variant(3.0)},
      {otString, Variant(std::int32_t{10}), Variant("10")},
      {otString, Variant(1.5), Variant("1,5")},
      {otPLSQLString, Variant("long text"), Variant("long text")},
      {otChar, Variant("c"), Variant("c")},
      {otSubst, Variant("emp"), Variant("emp")},
      {otLong, Variant("a long"), Variant("a long")},
      {otDate, Variant::FromDateTime(EncodeDateTime({2024, 2, 29, 13, 5, 9, 0})),
       Variant::FromDateTime(EncodeDateTime({2024, 2, 29, 13, 5, 9, 0}))},
      {otDate, Variant("29.02.2024 13:05:09"),
       Variant::FromDateTime(EncodeDateTime({2024, 2, 29, 13, 5, 9, 0}))},
      {otLongRaw, Variant("AB"), Variant::FromBytes({'A', 'B'})},
      {otLongRaw, Variant::Array(0, {Variant::FromByte(1), Variant::FromByte(255)}),
       Variant::FromBytes({1, 255})},
  };
  for (const Case& c : cases) {
    Vars().DeclareVariable("v", c.type);
    Vars().SetVariable("v", c.given);
    EXPECT_EQ(Vars().GetVariable("v"), c.expected) << "type " << c.type;
    Vars().SetVariable("v", Variant::Null());
    EXPECT_TRUE(Vars().GetVariable("v").IsEmpty()) << "type " << c.type << " set to null";
  }
}

TEST_F(VariablesTest, AStringLongerThanTheBufferIsCutToItsFirst4000Bytes) {
  Vars().DeclareVariable("s", otString);
  const std::string text(5000, 'x');
  Vars().SetVariable("s", Variant(text));
  EXPECT_EQ(Vars().GetVariable("s").AsString(), std::string(4000, 'x'));
}

TEST_F(VariablesTest, LineBreaksAreSentAsLineFeedsAndReadAsCrLf) {
  Vars().DeclareVariable("s", otString);
  Vars().SetVariable("s", Variant("a\r\nb"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Vars().Data(0).buffer.data())), "a\nb");
  EXPECT_EQ(Vars().GetVariable("s").AsString(), "a\r\nb");

  TOracleSession session;
  session.Preferences().ConvertCRLF = false;
  query_.SetSession(&session);
  Vars().SetVariable("s", Variant("a\r\nb"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Vars().Data(0).buffer.data())), "a\r\nb");
  EXPECT_EQ(Vars().GetVariable("s").AsString(), "a\r\nb");
}

TEST_F(VariablesTest, DateZeroIsNullUnlessTheSessionSaysOtherwise) {
  Vars().DeclareVariable("d", otDate);
  Vars().SetVariable("d", Variant::FromDateTime(0));
  EXPECT_EQ(Vars().Data(0).indicators[0], -1) << "without a session 0 is null";

  TOracleSession session;
  query_.SetSession(&session);
  Vars().SetVariable("d", Variant::FromDateTime(0));
  EXPECT_EQ(Vars().Data(0).indicators[0], -1) << "ZeroDateIsNull on";

  session.Preferences().ZeroDateIsNull = false;
  Vars().SetVariable("d", Variant::FromDateTime(0));
  ASSERT_EQ(Vars().Data(0).indicators[0], 0) << "ZeroDateIsNull off";
  const Variant read = Vars().GetVariable("d");
  EXPECT_EQ(read.Kind(), VariantKind::vkDateTime);
  EXPECT_EQ(read.AsDateTime(), 0.0) << "1899-12-30 00:00:00";
  const TOracleDateBytes expected = DateTimeToOracleDate(0);
  EXPECT_EQ(std::memcmp(Vars().Data(0).buffer.data(), expected.data(), expected.size()), 0);
}

TEST_F(VariablesTest, AnArrayWithBounds1To3MakesAnArrayVariableThatReadsBackWithItsBounds) {
  Vars().DeclareVariable("n", otInteger);
  Vars().SetVariable(
      "n", Variant::Array(1, {Variant(std::int32_t{10}), Variant(), Variant(std::int32_t{30})}));
  EXPECT_EQ(Vars().Data(0).elementCount, 3);
  const Variant read = Vars().GetVariable("n");
  ASSERT_TRUE(read.IsArray());
  EXPECT_EQ(read.LowBound(), 1);
  EXPECT_EQ(read.HighBound(), 3);
  EXPECT_EQ(read.Element(1), Variant(std::int32_t{10}));
  EXPECT_TRUE(read.Element(2).IsUnassigned());
  EXPECT_EQ(read.Element(3), Variant(std::int32_t{30}));
  EXPECT_TRUE(Vars().ForcesPreparation());

  Vars().SetVariable("n", Variant(std::int32_t{5}));
  EXPECT_EQ(Vars().Data(0).elementCount, 1) << "a scalar makes it a scalar again";
  EXPECT_EQ(Vars().GetVariable("n"), Variant(std::int32_t{5}));
}

TEST_F(VariablesTest, AnEmptyArrayReadsAsNoValueAndKeepsOneNullSlot) {
  Vars().DeclareVariable("n", otInteger);
  Vars().SetVariable("n", Variant::Array(0, std::vector<Variant>{}));
  EXPECT_EQ(Vars().Data(0).elementCount, 0);
  EXPECT_GE(Vars().Data(0).indicators.size(), 1u);
  EXPECT_GE(Vars().Data(0).buffer.size(), 4u);
  EXPECT_TRUE(Vars().GetVariable("n").IsUnassigned());
}

TEST_F(VariablesTest, StringArraysLieAtTheDistanceTheBindingPasses) {
  Vars().DeclareVariable("s", otString);
  Vars().SetVariable("s", Variant::Array(0, {Variant("a"), Variant("b")}));
  EXPECT_EQ(Vars().Data(0).elementSize, 2001) << "capped without a session";
  EXPECT_EQ(Vars().GetVariable("s"), Variant::Array(0, {Variant("a"), Variant("b")}));
}

TEST_F(VariablesTest, APLSQLTablePassesTheElementsGivenAndReturnsWhatTheBlockLeft) {
  Vars().DeclareVariable("t", otString);
  Vars().DeclarePLSQLTable("t", 10, 20);
  TVariableData& table = Vars().Data(0);
  EXPECT_EQ(table.elementCount, 10);
  EXPECT_EQ(table.elementSize, 21);
  EXPECT_TRUE(Vars().GetVariable("t").IsUnassigned()) << "no elements in use yet";

  Vars().SetVariable("t", Variant::Array(1, {Variant("a"), Variant("b"), Variant("c")}));
  EXPECT_EQ(table.elementsInUse, 3u);

  // What a block writes back: five elements, the fourth null.
  for (int i = 0; i < 5; ++i) {
    const std::string text = "r" + std::to_string(i);
    std::memcpy(table.Slot(i), text.c_str(), text.size() + 1);
    table.indicators[static_cast<std::size_t>(i)] = i == 3 ? -1 : 0;
  }
  table.elementsInUse = 5;
  const Variant read = Vars().GetVariable("t");
  ASSERT_TRUE(read.IsArray());
  EXPECT_EQ(read.LowBound(), 1);
  EXPECT_EQ(read.HighBound(), 5);
  EXPECT_EQ(read.Element(5), Variant("r4"));
  EXPECT_TRUE(read.Element(4).IsUnassigned());

  table.elementsInUse = 50;
  EXPECT_EQ(Vars().GetVariable("t").HighBound(), 10) << "never more than the table holds";

  Vars().SetVariable("t", Variant::Null());
  EXPECT_EQ(table.elementsInUse, 0u) << "null passes no elements";
}

TEST_F(VariablesTest, ATooLargeArrayLeavesTheTableAsItWas) {
  Vars().DeclareVariable("t", otInteger);
  Vars().DeclarePLSQLTable("t", 2, 0);
  Vars().SetVariable("t", Variant::Array(0, {Variant(std::int32_t{1})}));
  EXPECT_EQ(MessageOf([&] { Vars().SetVariable("t", Variant::Array(0, 3)); }),
            "Array is larger than PL/SQL Table (3 > 2)");
  EXPECT_EQ(Vars().Data(0).elementsInUse, 1u);
}

TEST_F(VariablesTest, EveryMessageOfTheFailureTable) {
  TOracleQuery cursorTarget;
  struct Case {
    const char* what;
    std::function<void(TVariables&)> action;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"empty name", [](TVariables& v) { v.DeclareVariable("", otInteger); },
       "You cannot declare a variable with an empty name"},
      {"unknown type", [](TVariables& v) { v.DeclareVariable("x", 2); },
       "Unsupported variable type"},
      {"set undeclared", [](TVariables& v) { v.SetVariable("nope", Variant()); },
       "Variable :NOPE not declared"},
      {"table undeclared", [](TVariables& v) { v.DeclarePLSQLTable("nope", 1, 0); },
       "Variable :NOPE not declared"},
      {"delete undeclared", [](TVariables& v) { v.DeleteVariable("nope"); },
       "Variable :NOPE not declared"},
      {"get undeclared", [](TVariables& v) { v.GetVariable("nope"); }, "Unknown variable: :NOPE"},
      {"complex undeclared", [](TVariables& v) { v.SetComplexVariable("nope", nullptr); },
       "Unknown variable: :NOPE"},
      {"name index", [](TVariables& v) { v.VariableName(99); }, "Variable 99 does not exist"},
      {"type index", [](TVariables& v) { v.VariableType(-1); }, "Variable -1 does not exist"},
      {"table type", [](TVariables& v) { v.DeclarePLSQLTable("l", 5, 0); },
       "Only PL/SQL Tables of strings, integers, floats and dates supported"},
      {"table string size", [](TVariables& v) { v.DeclarePLSQLTable("s", 5, 0); },
       "You must specify a string size for a PL/SQL Table of strings"},
      {"table size for non-strings", [](TVariables& v) { v.DeclarePLSQLTable("i", 5, 10); },
       "You can only specify a string size for a PL/SQL Table of strings"},
      {"table size", [](TVariables& v) { v.DeclarePLSQLTable("i", 0, 0); },
       "You must specify the size of the PL/SQL Table"},
      {"complex array", [](TVariables& v) { v.SetVariable("c", Variant::Array(0, 1)); },
       ":C is a complex variable and cannot be an array"},
      {"substitution array", [](TVariables& v) { v.SetVariable("sub", Variant::Array(0, 1)); },
       ":SUB is a substitution variable and cannot be an array"},
      {"table given a value", [](TVariables& v) { v.SetVariable("t", Variant(std::int32_t{1})); },
       ":T is a PL/SQL Table, assign a variant array to it"},
      {"integer conversion", [](TVariables& v) { v.SetVariable("i", Variant("abc")); },
       "Variant conversion error for variable :I"},
      {"bytes", [](TVariables& v) { v.SetVariable("raw", Variant(std::int32_t{1})); },
       "Only one-dimensional array of bytes allowed for :RAW"},
      {"object as text", [](TVariables& v) { v.SetVariable("c", Variant("x")); },
       "Pass LongInt(Object) to complex variable :C"},
      {"not complex", [](TVariables& v) { v.SetComplexVariable("i", nullptr); },
       ":I is not a complex variable"},
      {"cursor of the wrong class",
       [](TVariables& v) {
         TComponent other;
         v.SetComplexVariable("c", &other);
       },
       "Assign TOracleQuery instance to variable :C"},
      {"object of the wrong class",
       [&](TVariables& v) { v.SetComplexVariable("o", &cursorTarget); },
       "Assign TOracleObject instance to variable :O"},
      {"reference", [&](TVariables& v) { v.SetComplexVariable("r", &cursorTarget); },
       "Assign TOracleReference instance to variable :R"},
      {"LOB", [&](TVariables& v) { v.SetComplexVariable("lob", &cursorTarget); },
       "Assign TLOBLocator instance to variable :LOB"},
  };
  for (const Case& c : cases) {
    TOracleQuery query;
    TVariables& v = TVariables::Of(query);
    v.DeclareVariable("i", otInteger);
    v.DeclareVariable("s", otString);
    v.DeclareVariable("l", otLong);
    v.DeclareVariable("c", otCursor);
    v.DeclareVariable("o", otObject);
    v.DeclareVariable("r", otReference);
    v.DeclareVariable("lob", otCLOB);
    v.DeclareVariable("sub", otSubst);
    v.DeclareVariable("raw", otLongRaw);
    v.DeclareVariable("t", otInteger);
    v.DeclarePLSQLTable("t", 3, 0);
    EXPECT_EQ(MessageOf([&] { c.action(v); }), c.message) << c.what;
  }
}

TEST_F(VariablesTest, AnUnsupportedTypeRemovesTheEarlierVariableOfThatName) {
  Vars().DeclareVariable("x", otInteger);
  EXPECT_THROW(Vars().DeclareVariable("x", 999), Exception);
  EXPECT_EQ(Vars().VariableIndex("x"), -1);
}

TEST_F(VariablesTest, AFailedArraySetKeepsTheElementsStoredBeforeTheFailure) {
  Vars().DeclareVariable("i", otInteger);
  EXPECT_THROW(Vars().SetVariable("i", Variant::Array(0, {Variant(std::int32_t{1}), Variant("x"),
                                                          Variant(std::int32_t{3})})),
               Exception);
  const Variant read = Vars().GetVariable("i");
  ASSERT_TRUE(read.IsArray());
  EXPECT_EQ(read.Element(0), Variant(std::int32_t{1}));
  EXPECT_TRUE(read.Element(2).IsUnassigned());
}

TEST_F(VariablesTest, CursorVariablesHoldTheStatementTheyAreGiven) {
  TOracleQuery target;
  Vars().DeclareVariable("c", otCursor);
  Vars().SetComplexVariable("c", &target);
  EXPECT_EQ(Vars().ComplexVariable("c"), &target);
  EXPECT_EQ(Vars().GetVariable("c"), Variant(std::int32_t{1}));
  Vars().SetVariable("c", Variant(std::int32_t{0}));
  EXPECT_EQ(Vars().ComplexVariable("c"), nullptr) << "the empty reference clears it";
  EXPECT_EQ(MessageOf([&] { Vars().SetVariable("c", Variant(std::int32_t{12345})); }),
            "Use SetComplexVariable to assign an object to complex variable :C")
      << "a number is never taken for an address";
}

// ---- Substitution ------------------------------------------------------------------------

TEST(SubstitutionScannerTest, FindsNamesOutsideQuotesAndComments) {
  struct Case {
    std::string text;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {"select * from :tab where x = ':tab'", {"TAB"}},
      {"select :a, :b, :a from dual", {"A", "B", "A"}},
      {"begin :x := 1; end;", {"X"}},
      {"a := b; c : d", {}},
      {"x -- :hidden\r\n:shown", {"SHOWN"}},
      {"x /* :hidden */ :shown", {"SHOWN"}},
      {"x /*/ :hidden */ :shown", {"SHOWN"}},
      {":n#$_9\xC3\xA6x", {"N#$_9\xC3\xA6X"}},
      {"at the end :last", {"LAST"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> names;
    for (const TNameOccurrence& found : TSubstitutionScanner::Scan(c.text)) {
      names.push_back(found.name);
    }
    EXPECT_EQ(names, c.names) << c.text;
  }
  const auto found = TSubstitutionScanner::Scan("ab :cd");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].position, 3u);
}

TEST_F(VariablesTest, SubstitutionReplacesOnlyNamesOutsideQuotesAndComments) {
  Vars().DeclareVariable("tab", otSubst);
  Vars().DeclareVariable("x", otInteger);
  Vars().SetVariable("tab", Variant("emp"));
  EXPECT_EQ(Vars().Substitute("select * from :tab where x = ':tab'\r\n"),
            "select * from emp where x = ':tab'\r\n");
  EXPECT_EQ(Vars().Substitute("select :Tab -- :tab\r\n/* :tab */ from :x\r\n"),
            "select emp -- :tab\r\n/* :tab */ from :x\r\n");
  Vars().SetVariable("tab", Variant::Null());
  EXPECT_EQ(Vars().Substitute("select :tab x\r\n"), "select  x\r\n");
}

// ---- Copying and the debug text -----------------------------------------------------------

TEST_F(VariablesTest, AssigningCopiesDeclarationsAndValuesToAnotherStatement) {
  Vars().DeclareVariable("i", otInteger);
  Vars().DeclareVariable("s", otString);
  Vars().DeclareVariable("t", otString);
  Vars().DeclarePLSQLTable("t", 4, 30);
  Vars().SetVariable("i", Variant(std::int32_t{9}));
  Vars().SetVariable("s", Variant("text"));

  TOracleQuery other;
  TVariables& copy = TVariables::Of(other);
  copy.DeclareVariable("old", otInteger);
  copy.Assign(Vars());
  ASSERT_EQ(copy.VariableCount(), 3);
  EXPECT_EQ(copy.VariableIndex("old"), -1);
  EXPECT_EQ(copy.GetVariable("i"), Variant(std::int32_t{9}));
  EXPECT_EQ(copy.GetVariable("s"), Variant("text"));
  EXPECT_TRUE(copy.Data(2).plsqlTable);
  EXPECT_EQ(copy.Data(2).elementCount, 4);
  EXPECT_EQ(copy.Data(2).elementSize, 31);

  TVariables unowned;
  EXPECT_THROW(unowned.Assign(Vars()), EConvertError);
  EXPECT_EQ(MessageOf([&] { copy.Assign(unowned); }),
            "Can only Assign TVariables owned by a TOracleQuery");
}

TEST_F(VariablesTest, TheDebugTextShowsEachVariable) {
  Vars().DeclareVariable("n", otInteger);
  Vars().DeclareVariable("s", otString);
  Vars().DeclareVariable("a", otInteger);
  Vars().DeclareVariable("t", otDate);
  Vars().DeclareVariable("c", otCursor);
  Vars().DeclareVariable("l", otLong);
  Vars().SetVariable("s", Variant("hi"));
  Vars().SetVariable("a", Variant::Array(0, 2));
  Vars().DeclarePLSQLTable("t", 3, 0);
  EXPECT_EQ(Vars().DebugText(),
            "\r:N = Null\r:S = hi\r:A = (Array)\r:T = (PL/SQL Table)\r:C = (Cursor)\r:L = (Long)");
}

// ---- The stored form -----------------------------------------------------------------------

TEST_F(VariablesTest, TheStoredFormRoundTripsDeclarationsValuesAndTables) {
  Vars().DeclareVariable("status", otInteger);
  Vars().DeclareVariable("pipename", otString);
  Vars().DeclareVariable("nothing", otFloat);
  Vars().DeclareVariable("when", otDate);
  Vars().DeclareVariable("tab", otSubst);
  Vars().DeclareVariable("table", otString);
  Vars().DeclarePLSQLTable("table", 7, 15);
  Vars().DeclareVariable("raw", otLongRaw);
  Vars().DeclareVariable("long", otLong);
  Vars().SetVariable("status", Variant(std::int32_t{-3}));
  Vars().SetVariable("pipename", Variant("VEK_DEBUG#APP"));
  const TDateTime when = EncodeDateTime({2001, 12, 31, 23, 59, 58, 0});
  Vars().SetVariable("when", Variant::FromDateTime(when));
  Vars().SetVariable("tab", Variant("emp"));
  Vars().SetVariable("raw", Variant::FromBytes({0, 1, 2}));
  Vars().SetVariable("long", Variant("long text"));

  const std::vector<std::uint8_t> stored = TVariableStoredForm::Write(Vars());
  ASSERT_GE(stored.size(), 8u);
  EXPECT_EQ(stored[0], 3) << "version 3";
  EXPECT_EQ(stored[4], 8) << "eight variables";

  TOracleQuery other;
  TVariables& read = TVariables::Of(other);
  TVariableStoredForm::Read(read, stored);
  ASSERT_EQ(read.VariableCount(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(read.VariableName(i), Vars().VariableName(i));
    EXPECT_EQ(read.VariableType(i), Vars().VariableType(i));
  }
  EXPECT_EQ(read.GetVariable("status"), Variant(std::int32_t{-3}));
  EXPECT_EQ(read.GetVariable("pipename"), Variant("VEK_DEBUG#APP"));
  EXPECT_TRUE(read.GetVariable("nothing").IsUnassigned());
  EXPECT_EQ(read.GetVariable("when"), Variant::FromDateTime(when));
  EXPECT_EQ(read.GetVariable("tab"), Variant("emp"));
  EXPECT_EQ(read.GetVariable("raw"), Variant::FromBytes({0, 1, 2}));
  EXPECT_EQ(read.GetVariable("long"), Variant("long text"));
  EXPECT_TRUE(read.Data(5).plsqlTable);
  EXPECT_EQ(read.Data(5).elementCount, 7);
  EXPECT_EQ(read.Data(5).elementSize, 16);
  EXPECT_EQ(TVariableStoredForm::Write(read), stored) << "written again, the bytes are the same";
  EXPECT_FALSE(TVariableStoredForm::ShouldWrite(read, &Vars()));
  read.SetVariable("status", Variant(std::int32_t{4}));
  EXPECT_TRUE(TVariableStoredForm::ShouldWrite(read, &Vars()));
}

// The stored form of a list of one variable, ":" + name, of the type: from version 2 on with
// the value's bytes after their length (no bytes: no value), from version 3 on with the
// PL/SQL-table flag.
std::vector<std::uint8_t> StoredVariable(std::int32_t version, char name, std::int32_t type,
                                         const std::vector<std::uint8_t>& value) {
  std::vector<std::uint8_t> out;
  auto put = [&](std::int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  put(version);
  put(1);
  put(2);
  out.push_back(':');
  out.push_back(static_cast<std::uint8_t>(name));
  put(type);
  if (version >= 2) {
    put(static_cast<std::int32_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
  }
  if (version >= 3) put(0);
  return out;
}

std::vector<std::uint8_t> StoredList(std::int32_t version, bool withValue) {
  return StoredVariable(version, 'N', otInteger,
                        withValue ? std::vector<std::uint8_t>{77, 0, 0, 0}
                                  : std::vector<std::uint8_t>{});
}

TEST_F(VariablesTest, OlderStoredFormsAreReadAndNewerOnesRefused) {
  TVariableStoredForm::Read(Vars(), StoredList(1, false));
  ASSERT_EQ(Vars().VariableCount(), 1);
  EXPECT_EQ(Vars().VariableName(0), ":N");
  EXPECT_TRUE(Vars().GetVariable("n").IsUnassigned()) << "version 1 has no values";

  TVariableStoredForm::Read(Vars(), StoredList(2, true));
  EXPECT_EQ(Vars().GetVariable("n"), Variant(std::int32_t{77}));

  EXPECT_EQ(MessageOf([&] { TVariableStoredForm::Read(Vars(), StoredList(4, true)); }),
            "Invalid version of Query variables");

  std::vector<std::uint8_t> truncated = StoredList(3, true);
  truncated.resize(truncated.size() - 6);
  EXPECT_THROW(TVariableStoredForm::Read(Vars(), truncated), Exception);
}

TEST_F(VariablesTest, AStoredValueLongerThanTheBufferIsCutToTheBuffer) {
  std::vector<std::uint8_t> value;
  for (int i = 0; i < 12; ++i) value.push_back(static_cast<std::uint8_t>(i));
  TVariableStoredForm::Read(Vars(), StoredVariable(3, 'N', otInteger, value));
  EXPECT_EQ(Vars().Data(0).buffer.size(), 4u);
  EXPECT_EQ(Vars().GetVariable("n"), Variant(std::int32_t{0x03020100}));
}

// A text variable's buffer is not cleared past its first byte when declared; a stored text
// without its zero byte must still end where it was stored. The list held a longer text just
// before, so that the new buffer is likely to come back from the same memory.
TEST_F(VariablesTest, AStoredTextWithoutItsZeroByteEndsWhereItWasStored) {
  for (std::int32_t type : {otString, otPLSQLString, otChar}) {
    SCOPED_TRACE("type " + std::to_string(type));
    Vars().DeclareVariable("t", type);
    Vars().SetVariable("t", Variant(std::string(300, 'x')));
    TVariableStoredForm::Read(Vars(), StoredVariable(3, 'T', type, {'a', 'b', 'c'}));
    EXPECT_EQ(Vars().GetVariable("t"), Variant(std::string("abc")));
    const std::vector<std::uint8_t> written = TVariableStoredForm::Write(Vars());
    const std::vector<std::uint8_t> text(written.end() - 8, written.end() - 4);
    EXPECT_EQ(text, (std::vector<std::uint8_t>{'a', 'b', 'c', 0})) << "written with its zero byte";
  }
}

TEST_F(VariablesTest, AnEmptyListIsStoredOnlyWhenItDiffersFromTheInheritedOne) {
  EXPECT_FALSE(TVariableStoredForm::ShouldWrite(Vars(), nullptr));
  TOracleQuery inheritedQuery;
  TVariables& inherited = TVariables::Of(inheritedQuery);
  inherited.DeclareVariable("x", otInteger);
  EXPECT_TRUE(TVariableStoredForm::ShouldWrite(Vars(), &inherited));
}

}  // namespace
}  // namespace vek
