// Statements nested ever deeper, of every construct that nests (parentheses, subqueries,
// NOT, signs, CASE, function calls, PL/SQL blocks, IF, loops and expressions): whatever the
// depth, the server answers, either with the statement's result or with a clear error, and
// goes on serving the same connection.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "DevdbServerTest.h"

namespace devdb::testing {
namespace {

std::string Repeat(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

struct NestedConstruct {
  const char* name;
  bool procedural;
  std::function<std::string(int)> text;  // the statement nested this many levels
};

// The depth every construct must take. SQLite's parser, which reads the translated SQL,
// gives up after a few dozen levels (under ten for IN subqueries); PL/SQL's own constructs
// go much deeper.
constexpr int kSqlDepth = 8;
constexpr int kPlsqlDepth = 200;

void PrintTo(const NestedConstruct& c, std::ostream* out) { *out << c.name; }

const std::vector<NestedConstruct>& Constructs() {
  static const std::vector<NestedConstruct> all = {
      {"parentheses", false,
       [](int n) { return "select " + Repeat("(", n) + "1" + Repeat(")", n) + " from dual"; }},
      {"scalar subqueries", false,
       [](int n) {
         return "select " + Repeat("(select ", n) + "1" + Repeat(" from dual)", n) + " from dual";
       }},
      {"subqueries in FROM", false,
       [](int n) {
         return "select * from " + Repeat("(select * from ", n) + "dual" + Repeat(")", n);
       }},
      {"EXISTS", false,
       [](int n) {
         return Repeat("select 1 from dual where exists (", n) + "select 1 from dual" +
                Repeat(")", n);
       }},
      {"IN subqueries", false,
       [](int n) {
         return "select 1 from dual where 1 in " + Repeat("(select 1 from dual where 1 in ", n) +
                "(1)" + Repeat(")", n);
       }},
      {"parenthesised queries", false,
       [](int n) { return Repeat("(", n) + "select 1 from dual" + Repeat(")", n); }},
      {"NOT", false,
       [](int n) { return "select 1 from dual where " + Repeat("not ", n) + "1 = 1"; }},
      {"signs", false, [](int n) { return "select " + Repeat("- ", n) + "1 from dual"; }},
      {"searched CASE", false,
       [](int n) {
         return "select " + Repeat("case when 1 = 1 then ", n) + "1" + Repeat(" end", n) +
                " from dual";
       }},
      {"CASE conditions", false,
       [](int n) {
         return "select " + Repeat("(case when ", n) + "1" + Repeat(" = 1 then 1 end)", n) +
                " from dual";
       }},
      {"function calls", false,
       [](int n) { return "select " + Repeat("abs(", n) + "1" + Repeat(")", n) + " from dual"; }},
      {"concatenation", false,
       [](int n) {
         return "select " + Repeat("('a' || ", n) + "'b'" + Repeat(")", n) + " from dual";
       }},
      {"PL/SQL blocks", true,
       [](int n) { return Repeat("begin ", n) + "null;" + Repeat(" end;", n); }},
      {"PL/SQL IF", true,
       [](int n) { return "begin " + Repeat("if 1 = 1 then ", n) + "null;" +
                          Repeat(" end if;", n) + " end;"; }},
      {"PL/SQL loops", true,
       [](int n) {
         return "begin " + Repeat("while 1 = 0 loop ", n) + "null;" + Repeat(" end loop;", n) +
                " end;";
       }},
      {"PL/SQL expressions", true,
       [](int n) {
         return "declare x number; begin x := " + Repeat("(", n) + "1" + Repeat(")", n) +
                "; end;";
       }},
      {"PL/SQL NOT", true,
       [](int n) { return "declare b boolean; begin b := " + Repeat("not ", n) + "true; end;"; }},
      {"PL/SQL function calls", true,
       [](int n) {
         return "declare x number; begin x := " + Repeat("abs(", n) + "1" + Repeat(")", n) +
                "; end;";
       }},
      {"PL/SQL SELECT INTO", true,
       [](int n) {
         return "declare x number; begin select " + Repeat("(", n) + "1" + Repeat(")", n) +
                " into x from dual; end;";
       }},
      {"PL/SQL SELECT INTO subqueries", true,
       [](int n) {
         return "declare x number; begin select " + Repeat("(select ", n) + "1" +
                Repeat(" from dual)", n) + " into x from dual; end;";
       }},
  };
  return all;
}

// The depths tried: every one up to 12, then ever larger steps to far beyond any limit.
std::vector<int> Depths() {
  std::vector<int> depths;
  for (int n = 1; n <= 12; ++n) depths.push_back(n);
  for (int n : {20, 50, 100, 150, 199, 200, 201, 254, 255, 256, 300, 499, 500, 501, 1000, 1200,
                2000, 5000, 20000})
    depths.push_back(n);
  return depths;
}

// The errors a statement nested too deeply may get: Oracle's for too many subquery levels
// and for an expression too deep, PL/SQL's "program too large" (inside ORA-06550), and
// "unimplemented feature" where SQLite's parser gives up before Oracle would.
const std::set<int> kTooDeepErrors = {1778, 3001, 3095, 6550};

class NestingTest : public DevdbServerTest,
                    public ::testing::WithParamInterface<NestedConstruct> {};

TEST_P(NestingTest, AnyDepthGetsAnAnswerAndTheServerStaysUp) {
  const NestedConstruct& construct = GetParam();
  auto client = System();
  for (int depth : Depths()) {
    const std::string text = construct.text(depth);
    auto error = ErrorOf([&] {
      if (construct.procedural) client->Run(text);
      else client->Query(text);
    });
    if (error) {
      EXPECT_TRUE(kTooDeepErrors.count(error->Code()))
          << construct.name << " at depth " << depth << ": " << error->what();
      const bool plsqlOnly = construct.procedural && !std::string(construct.name).starts_with(
                                                        "PL/SQL SELECT");
      EXPECT_GT(depth, plsqlOnly ? kPlsqlDepth : kSqlDepth) << construct.name << " refused at depth " << depth << ": "
                            << error->what();
    }
    ASSERT_EQ(client->Scalar("select 1 from dual"), "1")
        << construct.name << " at depth " << depth << " left the connection unusable";
  }
  EXPECT_EQ(System()->Scalar("select 2 from dual"), "2") << "the server stopped taking logons";
}

INSTANTIATE_TEST_SUITE_P(AllConstructs, NestingTest, ::testing::ValuesIn(Constructs()),
                         [](const auto& info) {
                           std::string name;
                           for (char c : std::string(info.param.name))
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           return name;
                         });

class NestingLimitTest : public DevdbServerTest {};

TEST_F(NestingLimitTest, TooDeepIsRefusedWithOraclesErrors) {
  auto client = System();
  struct Case {
    std::string text;
    int code;
    const char* message;
  };
  const std::vector<Case> cases = {
      {Constructs()[0].text(1200), 3095, "ORA-03095: expression level is too deep, maximum 255"},
      {Constructs()[6].text(1200), 3095, "ORA-03095: expression level is too deep, maximum 255"},
      {Constructs()[1].text(300), 1778, "ORA-01778: maximum subquery nesting level exceeded"},
      {Constructs()[3].text(300), 1778, "ORA-01778: maximum subquery nesting level exceeded"},
  };
  for (const Case& c : cases) {
    auto error = ErrorOf([&] { client->Query(c.text); });
    ASSERT_TRUE(error) << c.message;
    EXPECT_EQ(error->Code(), c.code);
    EXPECT_EQ(std::string(error->what()), c.message);
  }
  // The same statements, as deep as SQLite can take them, give their results.
  EXPECT_EQ(client->Scalar(Constructs()[0].text(40)), "1");
  EXPECT_EQ(client->Scalar(Constructs()[1].text(8)), "1");
}

TEST_F(NestingLimitTest, TooDeepSqlInsideAPlsqlBlockFailsTheBlock) {
  auto client = System();
  auto error = ErrorOf([&] { client->Run(Constructs()[18].text(1200)); });
  ASSERT_TRUE(error);
  EXPECT_NE(std::string(error->what()).find("ORA-03095"), std::string::npos) << error->what();
  EXPECT_EQ(client->Scalar("select 1 from dual"), "1");
}

}  // namespace
}  // namespace devdb::testing
