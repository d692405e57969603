// Describe of select lists: declared columns exactly as declared, expressions typed as
// Oracle types them.
#include "EngineFixture.h"

namespace devdb::sql::testing {
namespace {

class DescribeTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    session_ = &System();
    Run(*session_,
        "create table all_types (v varchar2(30) not null, c char(4), n number, n9 number(9), "
        "n52 number(5,2), f float, i integer, d date, r raw(16), l long)");
    Run(*session_, "create table long_raw_table (lr long raw)");
  }
  std::vector<ColumnDescription> Describe(const std::string& sql) {
    return session_->Prepare(sql)->Info().columns;
  }
  Session* session_ = nullptr;
};

struct DescribeCase {
  const char* name;
  int type;
  int size;
  int precision;
  int scale;
  bool nullable;
};

TEST_F(DescribeTest, DeclaredColumnsAsDeclared) {
  const std::vector<DescribeCase> expected = {
      {"V", 1, 30, 0, 0, false},   {"C", 96, 4, 0, 0, true},    {"N", 2, 22, 0, -127, true},
      {"N9", 2, 22, 9, 0, true},   {"N52", 2, 22, 5, 2, true},  {"F", 2, 22, 126, -127, true},
      {"I", 2, 22, 38, 0, true},   {"D", 12, 7, 0, 0, true},    {"R", 23, 16, 0, 0, true},
      {"L", 8, 0, 0, 0, true},
  };
  const auto columns = Describe("select * from all_types");
  ASSERT_EQ(columns.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE(expected[k].name);
    EXPECT_EQ(columns[k].name, expected[k].name);
    EXPECT_EQ(columns[k].oracleType, expected[k].type);
    EXPECT_EQ(columns[k].dataSize, expected[k].size);
    EXPECT_EQ(columns[k].precision, expected[k].precision);
    EXPECT_EQ(columns[k].scale, expected[k].scale);
    EXPECT_EQ(columns[k].nullable, expected[k].nullable);
  }
  EXPECT_EQ(Describe("select lr from long_raw_table")[0].oracleType, 24);
  const auto rowid = Describe("select rowid from all_types");
  EXPECT_EQ(rowid[0].oracleType, 11);
  EXPECT_EQ(rowid[0].name, "ROWID");
}

TEST_F(DescribeTest, ExpressionsTypedAsOracleTypesThem) {
  const auto columns = Describe(
      "select sysdate, to_date('01-01-2000', 'dd-mm-yyyy') d2, to_char(n), v || c, count(*), "
      "length(v), n * 2, 'abc', user, rowid, v x from all_types group by sysdate, n, v, c, rowid");
  ASSERT_EQ(columns.size(), 11u);
  EXPECT_EQ(columns[0].name, "SYSDATE");
  EXPECT_EQ(columns[0].oracleType, 12);
  EXPECT_EQ(columns[0].dataSize, 7);
  EXPECT_EQ(columns[1].name, "D2");
  EXPECT_EQ(columns[1].oracleType, 12);
  EXPECT_EQ(columns[2].name, "TO_CHAR(N)");
  EXPECT_EQ(columns[2].oracleType, 1);
  EXPECT_GT(columns[2].dataSize, 0);
  EXPECT_EQ(columns[3].name, "V||C");
  EXPECT_EQ(columns[3].oracleType, 1);
  EXPECT_EQ(columns[3].dataSize, 34);
  for (int k : {4, 5, 6}) {
    EXPECT_EQ(columns[static_cast<std::size_t>(k)].oracleType, 2) << columns[static_cast<std::size_t>(k)].name;
    EXPECT_EQ(columns[static_cast<std::size_t>(k)].precision, 0);
    EXPECT_EQ(columns[static_cast<std::size_t>(k)].scale, -127);
  }
  EXPECT_EQ(columns[4].name, "COUNT(*)");
  EXPECT_EQ(columns[7].name, "'ABC'");
  EXPECT_EQ(columns[7].oracleType, 96);
  EXPECT_EQ(columns[7].dataSize, 3);
  EXPECT_EQ(columns[8].oracleType, 1);
  EXPECT_EQ(columns[9].oracleType, 11);
  EXPECT_EQ(columns[10].name, "X");
}

TEST_F(DescribeTest, StatementCodesForEveryKind) {
  struct CodeCase {
    const char* sql;
    int type;
    int function;
  };
  const std::vector<CodeCase> cases = {
      {"select * from dual", 1, 4},
      {"insert into all_types (v) values ('x')", 4, 3},
      {"update all_types set v = 'y'", 2, 5},
      {"delete from all_types", 3, 9},
      {"create table t2 (a number)", 5, 1},
      {"create index all_types_v on all_types (v)", 5, 20},
      {"create user someone identified by pw", 5, 19},
      {"drop table all_types", 6, 8},
      {"drop user someone", 6, 11},
      {"alter session set sql_trace = true", 7, 52},
      {"alter user system identified by manager", 7, 53},
      {"commit", 0, 54},
      {"rollback", 0, 55},
      {"grant create session to system", 0, 28},
      {"revoke create session from system", 0, 29},
      {"truncate table all_types", 0, 85},
      {"begin null; end;", 8, 34},
      {"declare x number; begin null; end;", 9, 34},
  };
  for (const CodeCase& c : cases) {
    const auto statement = session_->Prepare(c.sql);
    EXPECT_EQ(statement->Info().statementType, c.type) << c.sql;
    EXPECT_EQ(statement->Info().sqlFunctionCode, c.function) << c.sql;
  }
}

TEST_F(DescribeTest, BindNamesInOrderOfFirstAppearance) {
  const auto statement = session_->Prepare(
      "select :b, :a from (select :c c from dual) where :B = :a and c = :\"mixed\"");
  EXPECT_EQ(statement->Info().bindNames, (std::vector<std::string>{"B", "A", "C", "mixed"}));
  const auto block = session_->Prepare("begin :x := :y; end;");
  EXPECT_EQ(block->Info().bindNames, (std::vector<std::string>{"X", "Y"}));
}

}  // namespace
}  // namespace devdb::sql::testing
