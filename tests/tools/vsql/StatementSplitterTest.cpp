// The splitter's cuts: SQL ended by ";" or "/", PL/SQL and stored code ended only by "/",
// one-line commands, comments between statements, and the program's own package script.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/vsql/ScriptText.h"
#include "tools/vsql/StatementSplitter.h"

namespace vek::vsql {
namespace {

std::vector<TScriptUnit> Split(const std::vector<std::string>& lines) {
  TStatementSplitter splitter;
  std::vector<TScriptUnit> units;
  for (const std::string& line : lines) {
    if (auto unit = splitter.AddLine(line)) units.push_back(*unit);
  }
  if (auto unit = splitter.Finish()) units.push_back(*unit);
  return units;
}

std::vector<std::string> Texts(const std::vector<TScriptUnit>& units) {
  std::vector<std::string> texts;
  for (const TScriptUnit& unit : units) {
    texts.push_back((unit.kind == TScriptUnit::Command ? "!" : "") + unit.text);
  }
  return texts;
}

TEST(StatementSplitterTest, CutsLinesIntoUnits) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::vector<std::string> units;  // commands marked with "!"
  };
  const std::vector<Case> cases = {
      {"semicolons",
       {"select 1 from dual;", "select 2", "from dual ;"},
       {"select 1 from dual", "select 2\nfrom dual "}},
      {"slash after SQL", {"grant execute on x to public", "/"}, {"grant execute on x to public"}},
      {"block keeps its semicolons",
       {"begin", "  null;", "end;", "/", "select 1 from dual;"},
       {"begin\n  null;\nend;", "select 1 from dual"}},
      {"declare",
       {"DECLARE x number;", "BEGIN x := 1; END;", "/"},
       {"DECLARE x number;\nBEGIN x := 1; END;"}},
      {"stored code",
       {"create or replace procedure p is", "begin null; end;", "/"},
       {"create or replace procedure p is\nbegin null; end;"}},
      {"create table is SQL", {"create table t (n number);"}, {"create table t (n number)"}},
      {"commands",
       {"set serveroutput on", "exec p(1);", "whenever sqlerror exit failure", "@other.sql",
        "prompt hello", "exit"},
       {"!set serveroutput on", "!exec p(1);", "!whenever sqlerror exit failure", "!@other.sql",
        "!prompt hello", "!exit"}},
      {"comments and blanks",
       {"/* a", " comment */", "", "-- remark", "rem old style", "select 1 from dual;"},
       {"select 1 from dual"}},
      {"unfinished at the end", {"select 1", "from dual"}, {"select 1\nfrom dual"}},
      {"carriage returns", {"select 1 from dual;\r"}, {"select 1 from dual"}},
      {"a lone slash does nothing", {"/", "/"}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Texts(Split(c.lines)), c.units) << c.what;
}

TEST(StatementSplitterTest, UnitsKnowTheirFirstLine) {
  const auto units = Split({"", "select 1", "from dual;", "", "begin", "null;", "end;", "/"});
  ASSERT_EQ(units.size(), 2u);
  EXPECT_EQ(units[0].firstLine, 2);
  EXPECT_EQ(units[1].firstLine, 5);
}

TEST(StatementSplitterTest, ThePackageScriptIsFourStatements) {
  const auto units = Split(TScriptText::ReadLines(VEK_PACKAGE_SCRIPT));
  ASSERT_EQ(units.size(), 4u);
  EXPECT_EQ(units[0].text.rfind("CREATE OR REPLACE PACKAGE Vek_Debug AS", 0), 0u);
  EXPECT_EQ(units[1].text.rfind("CREATE OR REPLACE PACKAGE BODY Vek_Debug IS", 0), 0u);
  EXPECT_NE(units[1].text.find("  INITIALIZE;\nEND;"), std::string::npos);
  EXPECT_EQ(units[2].text, "GRANT EXECUTE ON Vek_Debug TO PUBLIC");
  EXPECT_EQ(units[3].text, "CREATE OR REPLACE PUBLIC SYNONYM Vek_Debug FOR Vek_Debug");
}

}  // namespace
}  // namespace vek::vsql
