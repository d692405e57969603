// Splitting scripts into statements: SQL ended by ";", PL/SQL ended by a "/" line, comments
// and strings that hold either, CR LF line ends, and the program's package resource.
#include <gtest/gtest.h>

#include "PlsqlFixture.h"
#include "devdb/plsql/ScriptSplitter.h"

namespace devdb::plsql::testing {
namespace {

TEST(ScriptSplitterTest, SqlAndPlsqlStatements) {
  const std::string script =
      "-- set-up\r\n"
      "CREATE TABLE t (s VARCHAR2(10));\r\n"
      "INSERT INTO t VALUES ('a;b');\r\n"
      "BEGIN\r\n"
      "  INSERT INTO t VALUES ('c');\r\n"
      "END;\r\n"
      "/\r\n"
      "GRANT EXECUTE ON p TO PUBLIC\r\n"
      "/\r\n"
      "/* a comment; with a semicolon */\r\n"
      "COMMIT;\r\n";
  auto statements = ScriptSplitter::Split(script);
  ASSERT_EQ(statements.size(), 5u);
  EXPECT_EQ(statements[0].text, "-- set-up\nCREATE TABLE t (s VARCHAR2(10))");
  EXPECT_EQ(statements[1].text, "INSERT INTO t VALUES ('a;b')");
  EXPECT_EQ(statements[2].text, "BEGIN\n  INSERT INTO t VALUES ('c');\nEND;\n");
  EXPECT_EQ(statements[2].line, 4);
  EXPECT_EQ(statements[3].text, "GRANT EXECUTE ON p TO PUBLIC\n");
  EXPECT_EQ(statements[4].text, "/* a comment; with a semicolon */\nCOMMIT");
}

TEST(ScriptSplitterTest, ThePackageResource) {
  std::string resource = PlsqlFixture::PackageResource();
  ASSERT_FALSE(resource.empty()) << "the resource file could not be read";
  auto statements = ScriptSplitter::Split(resource);
  ASSERT_EQ(statements.size(), 4u);
  EXPECT_NE(statements[0].text.find("CREATE OR REPLACE PACKAGE Vek_Debug AS"), std::string::npos);
  EXPECT_NE(statements[1].text.find("CREATE OR REPLACE PACKAGE BODY Vek_Debug IS"),
            std::string::npos);
  EXPECT_EQ(statements[1].line, 14);
  EXPECT_EQ(statements[2].text, "GRANT EXECUTE ON Vek_Debug TO PUBLIC\n");
  EXPECT_EQ(statements[3].text, "CREATE OR REPLACE PUBLIC SYNONYM Vek_Debug FOR Vek_Debug\n");
}

TEST(ScriptSplitterTest, Windows1252ToUtf8) {
  EXPECT_EQ(ScriptSplitter::FromWindows1252("m\xE5 f\xF8lgande \x80"),
            "m\xC3\xA5 f\xC3\xB8lgande \xE2\x82\xAC");
}

}  // namespace
}  // namespace devdb::plsql::testing
