// Inserts, updates and deletes with bind variables of every type, array execution, the
// column checks Oracle makes, and values coming back unchanged.
#include "EngineFixture.h"

namespace devdb::sql::testing {
namespace {

Bind In(const std::string& name, std::vector<Value> values) {
  Bind bind;
  bind.name = name;
  bind.values = std::move(values);
  return bind;
}

class DmlTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    session_ = &System();
    Run(*session_,
        "create table items (id number(6) primary key, name varchar2(10) not null, "
        "price number(5,2), born date, tag raw(4), code char(3))");
  }
  Session* session_ = nullptr;
};

TEST_F(DmlTest, BindsOfEveryTypeRoundTrip) {
  auto insert = session_->Prepare(
      "insert into items (id, name, price, born, tag, code) values (:id, :Name, :price, :born, :tag, :code)");
  const OracleDate born{1999, 12, 31, 23, 59, 58};
  const auto result = insert->Execute(
      {In(":ID", {Value::Number("1")}), In("name", {Value::Text("widget")}),
       In("PRICE", {Value::Number("12.345")}), In("born", {Value::Date(born)}),
       In("tag", {Value::Raw({0xde, 0xad, 0x00, 0x01})}), In("code", {Value::Text("a")})},
      1, 0, false);
  EXPECT_EQ(result.rowsProcessed, 1u);
  const auto rows = Run(*session_, "select id, name, price, born, tag, code, rowid from items");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], Value::Number("1"));
  EXPECT_EQ(rows[0][1], Value::Text("widget"));
  EXPECT_EQ(rows[0][2], Value::Number("12.35"));  // rounded to the column's scale
  EXPECT_EQ(rows[0][3], Value::Date(born));
  EXPECT_EQ(rows[0][4], Value::Raw({0xde, 0xad, 0x00, 0x01}));
  EXPECT_EQ(rows[0][5], Value::Text("a  "));  // CHAR pads with blanks
  ASSERT_EQ(rows[0][6].kind, Value::Kind::Rowid);
  EXPECT_EQ(rows[0][6].text.size(), 18u);
  // The ROWID finds its row again.
  const auto byRowid = Run(*session_, "select name from items where rowid = :r",
                           {In("r", {rows[0][6]})});
  ASSERT_EQ(byRowid.size(), 1u);
  EXPECT_EQ(byRowid[0][0], Value::Text("widget"));
  EXPECT_STREQ(ErrorOf(*session_, "select name from items where rowid = 'not a rowid'").what(),
               "ORA-01410: invalid ROWID");
}

TEST_F(DmlTest, ReturningIntoFillsOutBinds) {
  auto insert = session_->Prepare(
      "insert into items (id, name, born) values (:id, :name, to_date('2001-02-03', 'YYYY-MM-DD')) "
      "returning id * 10, name || '!', born, rowid into :tens, :shout, :born, :rid");
  Bind tens = In("tens", {});
  tens.out = true;
  Bind shout = In(":SHOUT", {});
  shout.out = true;
  Bind born = In("born", {});
  born.out = true;
  Bind rid = In("rid", {});
  rid.out = true;
  const auto result = insert->Execute(
      {In("id", {Value::Number("1"), Value::Number("2")}), tens,
       In("name", {Value::Text("a"), Value::Text("b")}), shout, born, rid},
      2, 0, false);
  ASSERT_FALSE(result.rowError.has_value());
  ASSERT_EQ(result.outValues.size(), 4u);
  EXPECT_EQ(result.outValues[0], (std::vector<Value>{Value::Number("10"), Value::Number("20")}));
  EXPECT_EQ(result.outValues[1], (std::vector<Value>{Value::Text("a!"), Value::Text("b!")}));
  EXPECT_EQ(result.outValues[2][1], Value::Date({2001, 2, 3, 0, 0, 0}));
  EXPECT_EQ(result.outValues[3][0].kind, Value::Kind::Rowid);
  auto update = session_->Prepare("update items set price = 9.5 where id = :id returning price into :p");
  Bind price = In("p", {});
  price.out = true;
  const auto updated = update->Execute({In("id", {Value::Number("2"), Value::Number("7")}), price}, 2, 0, false);
  EXPECT_EQ(updated.rowsProcessed, 1u);
  EXPECT_EQ(updated.outValues[0], (std::vector<Value>{Value::Number("9.5"), Value::Null()}));
  EXPECT_EQ(ErrorOf(*session_, "delete from items returning id, name into :a").Code(), 947);
}

TEST_F(DmlTest, RepeatedBindNameTakesOneValue) {
  Run(*session_, "insert into items (id, name, price) values (:v, 'n' || :v, :v)",
      {In("V", {Value::Number("7")})});
  EXPECT_EQ(Text(One(*session_, "select name from items where id = 7")), "n7");
}

TEST_F(DmlTest, EmptyStringIsNull) {
  Run(*session_, "insert into items (id, name, code) values (1, 'x', '')");
  Run(*session_, "insert into items (id, name, code) values (2, 'y', :c)", {In("c", {Value::Text("")})});
  EXPECT_EQ(Text(One(*session_, "select count(*) from items where code is null")), "2");
}

TEST_F(DmlTest, ArrayExecutionStopsAtTheFailingRow) {
  auto insert = session_->Prepare("insert into items (id, name) values (:id, :name)");
  const auto result = insert->Execute(
      {In("id", {Value::Number("1"), Value::Number("2"), Value::Number("2"), Value::Number("3")}),
       In("name", {Value::Text("a"), Value::Text("b"), Value::Text("c"), Value::Text("d")})},
      4, 0, false);
  ASSERT_TRUE(result.rowError.has_value());
  EXPECT_EQ(result.rowError->Code(), 1);
  EXPECT_STREQ(result.rowError->what(), "ORA-00001: unique constraint (SYSTEM.SYS_C0010001) violated");
  EXPECT_EQ(result.rowsProcessed, 2u);
  EXPECT_EQ(Text(One(*session_, "select count(*) from items")), "2");
}

TEST_F(DmlTest, ArrayExecutionFromAnOffsetWithCommit) {
  auto insert = session_->Prepare("insert into items (id, name) values (:id, 'n')");
  const auto result = insert->Execute(
      {In("id", {Value::Number("1"), Value::Number("2"), Value::Number("3")})}, 2, 1, true);
  EXPECT_FALSE(result.rowError.has_value());
  EXPECT_EQ(result.rowsProcessed, 2u);
  Session& other = System();
  EXPECT_EQ(Text(One(other, "select sum(id) from items")), "5");
}

TEST_F(DmlTest, UpdateAndDeleteCountRows) {
  Run(*session_, "insert into items (id, name, price) select 1, 'a', 1 from dual union all select 2, 'b', 2 from dual");
  auto update = session_->Prepare("update items set price = price * 10 where id >= :low");
  EXPECT_EQ(update->Execute({In("low", {Value::Number("1")})}, 1, 0, false).rowsProcessed, 2u);
  EXPECT_EQ(Text(One(*session_, "select max(price) from items")), "20");
  auto remove = session_->Prepare("delete from items where name = 'a'");
  EXPECT_EQ(remove->Execute({}, 1, 0, false).rowsProcessed, 1u);
}

struct CheckCase {
  const char* sql;
  int code;
  const char* message;
};

TEST_F(DmlTest, ColumnChecksRaiseOraclesErrors) {
  Run(*session_, "insert into items (id, name) values (1, 'x')");
  const std::vector<CheckCase> cases = {
      {"insert into items (id) values (2)", 1400, "ORA-01400: cannot insert NULL into (\"SYSTEM\".\"ITEMS\".\"NAME\")"},
      {"update items set name = null", 1407, "ORA-01407: cannot update (\"SYSTEM\".\"ITEMS\".\"NAME\") to NULL"},
      {"insert into items (id, name) values (3, 'abcdefghijk')", 12899,
       "ORA-12899: value too large for column \"SYSTEM\".\"ITEMS\".\"NAME\" (actual: 11, maximum: 10)"},
      {"insert into items (id, name, price) values (4, 'x', 1000)", 1438,
       "ORA-01438: value larger than specified precision allowed for this column"},
      {"insert into items (id, name, price) values (5, 'x', 'abc')", 1722, "ORA-01722: invalid number"},
      {"insert into items (id, name, born) values (6, 'x', '31-FEB-2020')", 1847,
       "ORA-01847: day of month must be between 1 and last day of month"},
      {"insert into items (id, name) values (1, 'dup')", 1, "ORA-00001: unique constraint (SYSTEM.SYS_C0010001) violated"},
      {"insert into items (id, name) values (7)", 947, "ORA-00947: not enough values"},
      {"insert into items (id, name) values (7, 'a', 'b')", 913, "ORA-00913: too many values"},
  };
  for (const CheckCase& c : cases) {
    const SqlError error = ErrorOf(*session_, c.sql);
    EXPECT_EQ(error.Code(), c.code) << c.sql;
    EXPECT_STREQ(error.what(), c.message) << c.sql;
  }
  EXPECT_EQ(Text(One(*session_, "select count(*) from items")), "1");
}

TEST_F(DmlTest, CharComparesBlankPadded) {
  Run(*session_, "insert into items (id, name, code) values (1, 'x', 'a')");
  EXPECT_EQ(Text(One(*session_, "select count(*) from items where code = 'a'")), "1");
  EXPECT_EQ(Text(One(*session_, "select count(*) from items where code = 'a  '")), "1");
  EXPECT_EQ(Text(One(*session_, "select length(code) from items")), "3");
}

TEST_F(DmlTest, DatesUseTheSessionFormat) {
  Run(*session_, "insert into items (id, name, born) values (1, 'x', '05-MAR-21')");
  EXPECT_EQ(Text(One(*session_, "select to_char(born, 'YYYY-MM-DD') from items")), "2021-03-05");
  EXPECT_EQ(Text(One(*session_, "select to_char(born) from items")), "05-MAR-21");
  Run(*session_, "alter session set nls_date_format = 'YYYY-MM-DD HH24:MI:SS'");
  EXPECT_EQ(Text(One(*session_, "select to_char(born) from items")), "2021-03-05 00:00:00");
  EXPECT_EQ(Text(One(*session_, "select 'born ' || born from items")), "born 2021-03-05 00:00:00");
  EXPECT_EQ(Text(One(*session_, "select count(*) from items where born = '2021-03-05 00:00:00'")), "1");
  EXPECT_EQ(ErrorOf(*session_, "alter session set nls_date_format = 'XYZ'").Code(), 1821);
}

TEST_F(DmlTest, QueriesJoinGroupAndOrder) {
  Run(*session_, "create table kinds (id number, label varchar2(10))");
  Run(*session_, "insert into kinds values (1, 'odd')");
  Run(*session_, "insert into kinds values (0, 'even')");
  for (int id = 1; id <= 6; ++id)
    Run(*session_, "insert into items (id, name, price) values (" + std::to_string(id) + ", 'i" +
                       std::to_string(id) + "', " + std::to_string(id) + ")");
  const auto rows = Run(*session_,
                        "select k.label, count(*) n, sum(i.price) total from items i, kinds k "
                        "where mod(i.id, 2) = k.id group by k.label order by total desc");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], Value::Text("even"));
  EXPECT_EQ(rows[0][2], Value::Number("12"));
  EXPECT_EQ(rows[1][1], Value::Number("3"));
  const auto joined = Run(*session_,
                          "select i.name, k.label from items i left join kinds k on k.id = i.id "
                          "where i.id in (1, 2) order by 1");
  ASSERT_EQ(joined.size(), 2u);
  EXPECT_TRUE(joined[1][1].IsNull());
  EXPECT_EQ(Text(One(*session_, "select count(*) from items where id in (select id + 1 from kinds)")), "2");
  EXPECT_EQ(Text(One(*session_, "select name from items where price = (select max(price) from items)")), "i6");
  struct RownumCase {
    const char* condition;
    std::size_t rows;
  };
  for (const RownumCase& c : std::vector<RownumCase>{{"rownum <= 2.5", 2}, {"rownum < 2.5", 2},
                                                      {"rownum < 1", 0}, {"rownum <= null", 0},
                                                      {"rownum <= -3", 0}, {"rownum = 1", 1},
                                                      {"rownum <= 5 and rownum <= 2", 2},
                                                      {"id > 2 and rownum <= 10", 4}})
    EXPECT_EQ(Run(*session_, std::string("select id from items where ") + c.condition).size(), c.rows)
        << c.condition;
  for (const char* refused : {"select id from items where id between rownum and 3",
                              "select id from items where rownum > 2",
                              "select id from items where rownum <= 2 or id = 1",
                              "delete from items where rownum <= 1",
                              "select count(*) from items group by rownum"})
    EXPECT_EQ(ErrorOf(*session_, refused).Code(), 3001) << refused;
  EXPECT_EQ(Run(*session_, "select id from items order by -1").size(), 6u);
  EXPECT_EQ(Run(*session_, "select count(*) from items group by 1, 2").size(), 1u);
  EXPECT_EQ(ErrorOf(*session_, "update items set price = count(*)").Code(), 934);
  EXPECT_EQ(ErrorOf(*session_, "select id from items where rownum <= id").Code(), 3001);
  // ROWNUM counts rows before the sort: some three rows, then sorted.
  const auto sorted = Run(*session_, "select id from items where rownum <= 3 order by id desc");
  ASSERT_EQ(sorted.size(), 3u);
  EXPECT_GT(std::stoi(sorted[0][0].text), std::stoi(sorted[1][0].text));
  EXPECT_GT(std::stoi(sorted[1][0].text), std::stoi(sorted[2][0].text));
  EXPECT_EQ(ErrorOf(*session_, "select id from items where rownum < 3 order by price").Code(), 3001);
  Run(*session_, "create table sorted_copy as select id, name from items order by name desc");
  Run(*session_, "insert into sorted_copy select id + 10, name from items where id < 3 order by name");
  EXPECT_EQ(Text(One(*session_, "select count(*) from sorted_copy")), "8");
  EXPECT_EQ(ErrorOf(*session_, "merge into items using dual on (1 = 1) when matched then update set name = 'x'").Code(), 3001);
  const auto limited = Run(*session_, "select * from (select name from items order by id desc) where rownum <= 2");
  ASSERT_EQ(limited.size(), 2u);
  EXPECT_EQ(limited[0][0], Value::Text("i6"));
  const auto numbered = Run(*session_, "select rownum, name from items where id > 4 order by id");
  ASSERT_EQ(numbered.size(), 2u);
  EXPECT_EQ(numbered[0][0], Value::Number("1"));
  EXPECT_EQ(Run(*session_, "select name from items where name like 'I%'").size(), 0u);
  EXPECT_EQ(Run(*session_, "select name from items where name like 'i%' and price between 2 and 3").size(), 2u);
  EXPECT_EQ(ErrorOf(*session_, "select (select name from items) from dual").Code(), 1427);
  EXPECT_EQ(Text(One(*session_, "select (select name from items where id = 99) from dual")), "<null>");
  EXPECT_EQ(Text(One(*session_, "select count(*) from items i where i.name = (select name from items j where j.id = i.id)")), "6");
  const auto nullsLast = Run(*session_, "select code from items, kinds where kinds.id = 1 and items.id < 3 order by code");
  EXPECT_EQ(nullsLast.size(), 2u);
}

TEST_F(DmlTest, FetchInBatchesCountsRowsFetched) {
  auto insert = session_->Prepare("insert into items (id, name) values (:id, 'x')");
  std::vector<Value> ids;
  for (int id = 1; id <= 60; ++id) ids.push_back(Value::Number(std::to_string(id)));
  insert->Execute({In("id", ids)}, 60, 0, false);
  auto select = session_->Prepare("select id from items order by id");
  select->Execute({}, 1, 0, false);
  EXPECT_EQ(select->Fetch(25).size(), 25u);
  EXPECT_EQ(select->RowsFetched(), 25u);
  EXPECT_EQ(select->Fetch(25).size(), 25u);
  const auto last = select->Fetch(25);
  ASSERT_EQ(last.size(), 10u);
  EXPECT_EQ(last.back()[0], Value::Number("60"));
  EXPECT_EQ(select->RowsFetched(), 60u);
  EXPECT_TRUE(select->Fetch(25).empty());
  // Executing again starts over.
  select->Execute({}, 1, 0, false);
  EXPECT_EQ(select->RowsFetched(), 0u);
  EXPECT_EQ(select->Fetch(1)[0][0], Value::Number("1"));
}

TEST_F(DmlTest, TableDefinitionsAndTheirLife) {
  Run(*session_, "create table stamped (id number constraint stamped_pk primary key, "
                 "at date default sysdate, note varchar2(5) default 'none', amount number(3) default 7)");
  Run(*session_, "insert into stamped (id) values (1)");
  const auto rows = Run(*session_, "select at, note, amount from stamped");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].kind, Value::Kind::Date);
  EXPECT_EQ(rows[0][1], Value::Text("none"));
  EXPECT_EQ(rows[0][2], Value::Number("7"));
  EXPECT_STREQ(ErrorOf(*session_, "insert into stamped (id) values (1)").what(),
               "ORA-00001: unique constraint (SYSTEM.STAMPED_PK) violated");
  Run(*session_, "create unique index stamped_note on stamped (note)");
  EXPECT_EQ(ErrorOf(*session_, "insert into stamped (id) values (2)").Code(), 1);
  EXPECT_EQ(ErrorOf(*session_, "create index stamped_note on stamped (amount)").Code(), 955);
  Run(*session_, "drop index stamped_note");
  EXPECT_EQ(ErrorOf(*session_, "drop index stamped_note").Code(), 1418);
  Run(*session_, "insert into stamped (id) values (2)");
  Run(*session_, "create table copied as select id, note from stamped where id > 1");
  const auto copied = session_->Prepare("select * from copied")->Info().columns;
  ASSERT_EQ(copied.size(), 2u);
  EXPECT_EQ(copied[1].oracleType, 1);
  EXPECT_EQ(copied[1].dataSize, 5);
  EXPECT_EQ(Text(One(*session_, "select count(*) from copied")), "1");
  Run(*session_, "truncate table copied");
  EXPECT_EQ(Text(One(*session_, "select count(*) from copied")), "0");
  auto stale = session_->Prepare("select count(*) from copied");
  Run(*session_, "drop table copied");
  stale->Execute({}, 1, 0, false);
  try {
    stale->Fetch(1);
    FAIL() << "a dropped table still answered";
  } catch (const SqlError& error) {
    EXPECT_EQ(error.Code(), 942);
  }
  EXPECT_EQ(ErrorOf(*session_, "select * from copied").Code(), 942);
  EXPECT_EQ(ErrorOf(*session_, "select * from stamped s, items i where s.id = i.id(+)").Code(), 3001);
  EXPECT_EQ(ErrorOf(*session_, "create table bad_default (n number default rownum)").Code(), 984);
  EXPECT_EQ(ErrorOf(*session_, "create table bad_default (n number default (select 1 from dual))").Code(), 22818);
  EXPECT_EQ(ErrorOf(*session_, "create table bad_size (v varchar2(1e3))").Code(), 910);
  EXPECT_EQ(ErrorOf(*session_, "create table bad_size (n number(2.5))").Code(), 1727);
}

TEST_F(DmlTest, ConnectByLevelGeneratesRows) {
  const auto rows = Run(*session_, "select level, dummy from dual connect by level <= 5 order by level desc");
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0][0], Value::Number("5"));
  EXPECT_EQ(rows[4][1], Value::Text("X"));
  EXPECT_EQ(Text(One(*session_, "select count(*) from dual where level > 2 connect by level < :n",
                     {In("n", {Value::Number("11")})})), "8");
  EXPECT_EQ(Text(One(*session_, "select count(*) from dual connect by level <= 0")), "1");
  Run(*session_, "insert into items (id, name) select level, 'g' || level from dual connect by level <= 100");
  EXPECT_EQ(Text(One(*session_, "select sum(id) from items")), "5050");
  EXPECT_EQ(ErrorOf(*session_, "select level from items connect by level <= 3").Code(), 3001);
  EXPECT_EQ(ErrorOf(*session_, "select level from dual").Code(), 3001);
  EXPECT_EQ(ErrorOf(*session_, "select 1 from dual connect by prior id = id").Code(), 3001);
}

TEST_F(DmlTest, WithClauseNamesQueries) {
  Run(*session_, "insert into items (id, name, price) select level, 'w' || level, level * 2 from dual connect by level <= 4");
  const auto rows = Run(*session_,
                        "with cheap (n, p) as (select id, price from items where price < 6), "
                        "cheaper as (select n from cheap where p < 4) "
                        "select c.n, (select count(*) from cheaper) k from cheap c order by c.n");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][0], Value::Number("2"));
  EXPECT_EQ(rows[0][1], Value::Number("1"));
  EXPECT_EQ(Text(One(*session_, "select count(*) from (with t as (select 1 x from dual) select x from t)")), "1");
  EXPECT_EQ(Text(One(*session_, "select (with t as (select 7 x from dual) select x from t) from dual")), "7");
  EXPECT_EQ(ErrorOf(*session_, "with t as (select 1 x from dual) select * from u").Code(), 942);
}

TEST_F(DmlTest, UnionsTakeTheFirstBranchsNames) {
  Run(*session_, "insert into items (id, name) values (1, 'one')");
  auto statement = session_->Prepare(
      "select id num, name from items union all select 2, 'two' from dual order by num desc");
  ASSERT_EQ(statement->Info().columns.size(), 2u);
  EXPECT_EQ(statement->Info().columns[0].name, "NUM");
  EXPECT_EQ(statement->Info().columns[1].dataSize, 10);
  statement->Execute({}, 1, 0, false);
  const auto rows = statement->Fetch(10);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][1], Value::Text("two"));
  EXPECT_EQ(Run(*session_, "select id from items minus select 1 from dual").size(), 0u);
  EXPECT_EQ(ErrorOf(*session_, "select id from items union select id, name from items").Code(), 1789);
}

}  // namespace
}  // namespace devdb::sql::testing
