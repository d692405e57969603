// The monitor's package resource cut into statements as the development set-up sends them,
// and the edges of the script form.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "devdb/oci/SetupScript.h"

namespace devdb::oci {
namespace {

TEST(SetupScript, PackageResourceGivesItsFourStatements) {
  std::ifstream file(VEK_PACKAGE_RESOURCE, std::ios::binary);
  ASSERT_TRUE(file) << VEK_PACKAGE_RESOURCE;
  std::stringstream content;
  content << file.rdbuf();
  const auto statements = SetupScript::Statements(SetupScript::Utf8FromLatin1(content.str()));
  ASSERT_EQ(statements.size(), 4u) << "package, body, grant, synonym";
  EXPECT_EQ(statements[0].rfind("CREATE OR REPLACE PACKAGE Vek_Debug AS\n", 0), 0u)
      << statements[0];
  EXPECT_EQ(statements[1].rfind("CREATE OR REPLACE PACKAGE BODY Vek_Debug IS\n", 0), 0u);
  EXPECT_EQ(statements[2], "GRANT EXECUTE ON Vek_Debug TO PUBLIC\n");
  EXPECT_EQ(statements[3], "CREATE OR REPLACE PUBLIC SYNONYM Vek_Debug FOR Vek_Debug\n");
  for (const auto& statement : statements) EXPECT_EQ(statement.find('\r'), std::string::npos);
}

TEST(SetupScript, EdgesOfTheScriptForm) {
  EXPECT_EQ(SetupScript::Statements("select 1 from dual\r\n/\r\n\r\n/\r\nbegin null; end;"),
            (std::vector<std::string>{"select 1 from dual\n", "begin null; end;\n"}));
  EXPECT_EQ(SetupScript::Statements("/* one\n/\n*/\nx\n/"), (std::vector<std::string>{"x\n"}))
      << "a \"/\" inside the header comment ends nothing";
  EXPECT_EQ(SetupScript::Utf8FromLatin1("m\xE5 f\xF8lgande"), "m\xC3\xA5 f\xC3\xB8lgande");
}

}  // namespace
}  // namespace devdb::oci
