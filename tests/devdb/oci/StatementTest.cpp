// Statements through the version-8 calls against a real devdb: preparing and describing,
// array DML with an offset, array fetches ending in OCI_NO_DATA with rows in the buffers,
// indicators and returned lengths, truncation, the conversions of the defined types, LONG
// values in pieces through a callback, parse errors with their offset, and commits.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "OciTest.h"

namespace devdb::oci::testing {
namespace {

class StatementTest : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    CreateUser("scott", "tiger");
    ASSERT_EQ(LogOn("scott", "tiger", &service_), OCI_SUCCESS) << ErrorText();
    Run(service_,
        "create table items (id number(9), name varchar2(20), price number(8,2), made date)");
  }

  // Inserts ids first .. first+count-1 with names "item<id>" by array execution.
  void InsertItems(int first, int count) {
    Statement insert(env_, err_, "insert into items (id, name) values (:id, :name)");
    std::vector<int> ids(count);
    std::vector<char> names(count * 21, 0);
    for (int i = 0; i < count; ++i) {
      ids[i] = first + i;
      std::snprintf(&names[i * 21], 21, "item%d", first + i);
    }
    OCIBind* idBind = nullptr;
    OCIBind* nameBind = nullptr;
    ASSERT_EQ(OCIBindByName(insert.get(), &idBind, err_, reinterpret_cast<const OraText*>(":id"),
                            -1, ids.data(), sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, 0,
                            nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(OCIBindByName(insert.get(), &nameBind, err_,
                            reinterpret_cast<const OraText*>(":NAME"), -1, names.data(), 21,
                            SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(insert.Execute(service_, static_cast<ub4>(count)), OCI_SUCCESS) << ErrorText();
  }

  ub4 RowCount(OCIStmt* statement) {
    ub4 count = 0;
    EXPECT_EQ(OCIAttrGet(statement, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, err_),
              OCI_SUCCESS);
    return count;
  }

  OCISvcCtx* service_ = nullptr;
};

TEST_F(StatementTest, StatementTypeIsKnownAfterPrepare) {
  const struct {
    const char* sql;
    ub2 type;
  } cases[] = {{"select * from items", 1},
               {"  update items set id = 1", 2},
               {"delete from items", 3},
               {"insert into items (id) values (1)", 4},
               {"create table t (x number)", 5},
               {"drop table items", 6},
               {"alter session set nls_date_format = 'YYYY'", 7},
               {"begin null; end;", 8},
               {"declare x number; begin null; end;", 9},
               {"/* note */ select 1 from dual", 1}};
  for (const auto& c : cases) {
    Statement statement(env_, err_, c.sql);
    ub2 type = 0;
    ASSERT_EQ(OCIAttrGet(statement.get(), OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, err_),
              OCI_SUCCESS);
    EXPECT_EQ(type, c.type) << c.sql;
  }
}

TEST_F(StatementTest, ArrayInsertWithOffsetRunsTheRowsFromTheOffset) {
  Statement insert(env_, err_, "insert into items (id) values (:id)");
  int ids[5] = {1, 2, 3, 4, 5};
  OCIBind* bind = nullptr;
  ASSERT_EQ(OCIBindByPos(insert.get(), &bind, err_, 1, ids, sizeof(int), SQLT_INT, nullptr, nullptr,
                         nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(insert.Execute(service_, 5, OCI_DEFAULT, 2), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(RowCount(insert.get()), 3u);
  ub2 function = 0;
  OCIAttrGet(insert.get(), OCI_HTYPE_STMT, &function, nullptr, OCI_ATTR_SQLFNCODE, err_);
  EXPECT_EQ(function, 3) << "INSERT";
  EXPECT_EQ(Scalar(service_, "select count(*) || ':' || min(id) from items"), "3:3");
  EXPECT_EQ(insert.Execute(service_, 0), OCI_ERROR);
  EXPECT_EQ(ErrorCode(), 24333) << "a DML statement needs an iteration";
}

TEST_F(StatementTest, ArrayFetchEndsWithNoDataAndTheLastRowsInTheBuffers) {
  InsertItems(1, 7);
  Statement select(env_, err_, "select id, name from items order by id");
  int ids[3];
  char names[3][21];
  sb2 nameIndicators[3];
  ub2 nameLengths[3];
  OCIDefine* idDefine = nullptr;
  OCIDefine* nameDefine = nullptr;
  ASSERT_EQ(select.Execute(service_, 0), OCI_SUCCESS) << ErrorText();
  OCIDefineByPos(select.get(), &idDefine, err_, 1, ids, sizeof(int), SQLT_INT, nullptr, nullptr,
                 nullptr, OCI_DEFAULT);
  OCIDefineByPos(select.get(), &nameDefine, err_, 2, names, 21, SQLT_STR, nameIndicators,
                 nameLengths, nullptr, OCI_DEFAULT);
  std::vector<int> seen;
  std::vector<ub4> counts;
  sword status = OCI_SUCCESS;
  while (status == OCI_SUCCESS) {
    const ub4 before = RowCount(select.get());
    status = OCIStmtFetch(select.get(), err_, 3, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (status == OCI_NO_DATA) {
      EXPECT_EQ(ErrorCode(), 1403);
    }
    const ub4 fetched = RowCount(select.get()) - before;
    counts.push_back(RowCount(select.get()));
    for (ub4 i = 0; i < fetched; ++i) {
      seen.push_back(ids[i]);
      EXPECT_EQ(std::string(names[i]), "item" + std::to_string(ids[i]));
      EXPECT_EQ(nameIndicators[i], 0);
      EXPECT_EQ(nameLengths[i], std::strlen(names[i]));
    }
  }
  EXPECT_EQ(status, OCI_NO_DATA);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(counts, (std::vector<ub4>{3, 6, 7})) << "ROW_COUNT is cumulative";
  ub4 lastBatch = 0;
  OCIAttrGet(select.get(), OCI_HTYPE_STMT, &lastBatch, nullptr, OCI_ATTR_ROWS_FETCHED, err_);
  EXPECT_EQ(lastBatch, 1u);
  EXPECT_EQ(OCIStmtFetch(select.get(), err_, 3, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
  EXPECT_EQ(RowCount(select.get()), 7u) << "an exhausted cursor moves no more";
}

TEST_F(StatementTest, ArraysOfStructuresUseTheirSkips) {
  struct Row {
    int id;
    char name[12];
    sb2 nameIndicator;
    ub2 nameLength;
  };
  Row in[3] = {{10, "ten", 0, 3}, {20, "", -1, 0}, {30, "thirty", 0, 6}};
  Statement insert(env_, err_, "insert into items (id, name) values (:id, :name)");
  OCIBind* idBind = nullptr;
  OCIBind* nameBind = nullptr;
  OCIBindByName(insert.get(), &idBind, err_, reinterpret_cast<const OraText*>(":id"), -1, &in[0].id,
                sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByName(insert.get(), &nameBind, err_, reinterpret_cast<const OraText*>(":name"), -1,
                in[0].name, sizeof in[0].name, SQLT_CHR, &in[0].nameIndicator, &in[0].nameLength,
                nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(OCIBindArrayOfStruct(idBind, err_, sizeof(Row), 0, 0, 0), OCI_SUCCESS);
  ASSERT_EQ(OCIBindArrayOfStruct(nameBind, err_, sizeof(Row), sizeof(Row), sizeof(Row), 0),
            OCI_SUCCESS);
  ASSERT_EQ(insert.Execute(service_, 3), OCI_SUCCESS) << ErrorText();

  Row out[3] = {};
  Statement select(env_, err_, "select id, name from items order by id");
  OCIDefine* idDefine = nullptr;
  OCIDefine* nameDefine = nullptr;
  OCIDefineByPos(select.get(), &idDefine, err_, 1, &out[0].id, sizeof(int), SQLT_INT, nullptr,
                 nullptr, nullptr, OCI_DEFAULT);
  OCIDefineByPos(select.get(), &nameDefine, err_, 2, out[0].name, sizeof out[0].name, SQLT_STR,
                 &out[0].nameIndicator, &out[0].nameLength, nullptr, OCI_DEFAULT);
  ASSERT_EQ(OCIDefineArrayOfStruct(idDefine, err_, sizeof(Row), 0, 0, 0), OCI_SUCCESS);
  ASSERT_EQ(OCIDefineArrayOfStruct(nameDefine, err_, sizeof(Row), sizeof(Row), sizeof(Row), 0),
            OCI_SUCCESS);
  ASSERT_EQ(select.Execute(service_, 3), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(out[0].id, 10);
  EXPECT_STREQ(out[0].name, "ten");
  EXPECT_EQ(out[1].id, 20);
  EXPECT_EQ(out[1].nameIndicator, -1);
  EXPECT_EQ(out[2].id, 30);
  EXPECT_STREQ(out[2].name, "thirty");
  EXPECT_EQ(out[2].nameLength, 6);
}

TEST_F(StatementTest, ExecuteWithIterationsFetchesAtOnce) {
  InsertItems(1, 2);
  Statement select(env_, err_, "select id from items order by id");
  int ids[5] = {};
  OCIDefine* define = nullptr;
  OCIDefineByPos(select.get(), &define, err_, 1, ids, sizeof(int), SQLT_INT, nullptr, nullptr,
                 nullptr, OCI_DEFAULT);
  EXPECT_EQ(select.Execute(service_, 5), OCI_NO_DATA) << "fewer rows than asked";
  EXPECT_EQ(RowCount(select.get()), 2u);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], 2);
}

TEST_F(StatementTest, NullsNeedAnIndicator) {
  Run(service_, "insert into items (id, name) values (1, null)");
  Statement select(env_, err_, "select name from items");
  char name[21] = "untouched";
  sb2 indicator = 5;
  ub2 code = 7;
  OCIDefine* define = nullptr;
  OCIDefineByPos(select.get(), &define, err_, 1, name, sizeof name, SQLT_STR, &indicator, nullptr,
                 &code, OCI_DEFAULT);
  ASSERT_EQ(select.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(indicator, -1);
  EXPECT_EQ(code, 1405);
  Statement bare(env_, err_, "select name from items");
  OCIDefineByPos(bare.get(), &define, err_, 1, name, sizeof name, SQLT_STR, nullptr, nullptr,
                 nullptr, OCI_DEFAULT);
  EXPECT_EQ(bare.Execute(service_, 1), OCI_ERROR);
  EXPECT_EQ(ErrorText(), "ORA-01405: fetched column value is NULL\n");
}

TEST_F(StatementTest, TruncationSetsTheIndicatorToTheOriginalLength) {
  Run(service_, "insert into items (id, name) values (1, 'abcdefghij')");
  Statement select(env_, err_, "select name from items");
  char name[5];
  sb2 indicator = 0;
  ub2 length = 0;
  ub2 code = 0;
  OCIDefine* define = nullptr;
  OCIDefineByPos(select.get(), &define, err_, 1, name, sizeof name, SQLT_CHR, &indicator, &length,
                 &code, OCI_DEFAULT);
  EXPECT_EQ(select.Execute(service_, 1), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(ErrorCode(), 1406);
  EXPECT_EQ(indicator, 10);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(code, 1406);
  EXPECT_EQ(std::string(name, 5), "abcde");
}

TEST_F(StatementTest, DefinedTypesConvertAsOracleConverts) {
  Run(service_,
      "insert into items (id, name, price, made) values "
      "(42, 'x', 0.5, to_date('2024-02-29 13:45:07', 'YYYY-MM-DD HH24:MI:SS'))");
  Statement select(env_, err_, "select id, price, made, price, made, id, made from items");
  long long id = 0;
  double price = 0;
  ub1 made[7] = {};
  char priceText[16] = {};
  char madeText[16] = {};
  char idPadded[6] = {};
  char madeIso[24] = {};
  OCIDefine* d[7] = {};
  OCIDefineByPos(select.get(), &d[0], err_, 1, &id, sizeof id, SQLT_INT, nullptr, nullptr, nullptr,
                 OCI_DEFAULT);
  OCIDefineByPos(select.get(), &d[1], err_, 2, &price, sizeof price, SQLT_FLT, nullptr, nullptr,
                 nullptr, OCI_DEFAULT);
  OCIDefineByPos(select.get(), &d[2], err_, 3, made, sizeof made, SQLT_DAT, nullptr, nullptr,
                 nullptr, OCI_DEFAULT);
  OCIDefineByPos(select.get(), &d[3], err_, 4, priceText, sizeof priceText, SQLT_STR, nullptr,
                 nullptr, nullptr, OCI_DEFAULT);
  OCIDefineByPos(select.get(), &d[4], err_, 5, madeText, sizeof madeText, SQLT_STR, nullptr,
                 nullptr, nullptr, OCI_DEFAULT);
  OCIDefineByPos(select.get(), &d[5], err_, 6, idPadded, sizeof idPadded, SQLT_AFC, nullptr,
                 nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(select.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(id, 42);
  EXPECT_EQ(price, 0.5);
  const ub1 expectedDate[7] = {120, 124, 2, 29, 14, 46, 8};
  EXPECT_EQ(std::memcmp(made, expectedDate, 7), 0);
  EXPECT_STREQ(priceText, ".5") << "Oracle writes no zero before the point";
  EXPECT_STREQ(madeText, "29-FEB-24") << "the session's default date format";
  EXPECT_EQ(std::string(idPadded, 6), "42    ") << "CHAR is padded with blanks";

  Run(service_, "alter session set nls_date_format = 'YYYY-MM-DD HH24:MI:SS'");
  Statement again(env_, err_, "select made from items");
  OCIDefineByPos(again.get(), &d[6], err_, 1, madeIso, sizeof madeIso, SQLT_STR, nullptr, nullptr,
                 nullptr, OCI_DEFAULT);
  ASSERT_EQ(again.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
  EXPECT_STREQ(madeIso, "2024-02-29 13:45:07") << "a changed date format is followed";
}

TEST_F(StatementTest, BindsCarryIndicatorsDatesAndLengths) {
  Statement insert(env_, err_, "insert into items (id, name, made) values (:id, :name, :made)");
  int id = 7;
  char name[8] = "abcdefg";
  ub2 nameLength = 3;
  sb2 nullIndicator = -1;
  const ub1 made[7] = {119, 199, 12, 31, 24, 60, 60};
  OCIBind* b[3] = {};
  OCIBindByName(insert.get(), &b[0], err_, reinterpret_cast<const OraText*>("id"), 2, &id,
                sizeof id, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByName(insert.get(), &b[1], err_, reinterpret_cast<const OraText*>(":Name"), 5, name,
                sizeof name, SQLT_CHR, nullptr, &nameLength, nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByName(insert.get(), &b[2], err_, reinterpret_cast<const OraText*>(":MADE"), 5,
                const_cast<ub1*>(made), 7, SQLT_DAT, &nullIndicator, nullptr, nullptr, 0, nullptr,
                OCI_DEFAULT);
  ASSERT_EQ(insert.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(Scalar(service_, "select name || '|' || nvl(to_char(made), 'null') from items"),
            "abc|null");
  nullIndicator = 0;
  id = 8;
  ASSERT_EQ(insert.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(
      Scalar(service_, "select to_char(made, 'YYYY-MM-DD HH24:MI:SS') from items where id = 8"),
      "1999-12-31 23:59:59");
}

TEST_F(StatementTest, UnknownBindNameIsRefused) {
  Statement insert(env_, err_, "insert into items (id) values (:id)");
  int id = 1;
  OCIBind* bind = nullptr;
  OCIBindByName(insert.get(), &bind, err_, reinterpret_cast<const OraText*>(":nope"), -1, &id,
                sizeof id, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  EXPECT_EQ(insert.Execute(service_, 1), OCI_ERROR);
  EXPECT_EQ(ErrorCode(), 1036) << ErrorText();
}

TEST_F(StatementTest, ParamDescriptorsDescribeTheSelectList) {
  Statement select(env_, err_, "select id, name, price, made from items");
  ASSERT_EQ(select.Execute(service_, 0, OCI_DESCRIBE_ONLY), OCI_SUCCESS) << ErrorText();
  ub4 count = 0;
  ASSERT_EQ(OCIAttrGet(select.get(), OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err_),
            OCI_SUCCESS);
  ASSERT_EQ(count, 4u);
  const struct {
    const char* name;
    ub2 type;
    ub2 size;
    sb2 precision;
    sb1 scale;
  } expected[] = {
      {"ID", 2, 22, 9, 0}, {"NAME", 1, 20, 0, 0}, {"PRICE", 2, 22, 8, 2}, {"MADE", 12, 7, 0, 0}};
  for (ub4 position = 1; position <= count; ++position) {
    void* param = nullptr;
    ASSERT_EQ(OCIParamGet(select.get(), OCI_HTYPE_STMT, err_, &param, position), OCI_SUCCESS);
    OraText* name = nullptr;
    ub4 nameLength = 0;
    ub2 type = 0, size = 0;
    sb2 precision = -1;
    sb1 scale = -1;
    ub1 nullable = 0;
    OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &nameLength, OCI_ATTR_NAME, err_);
    OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, err_);
    OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, err_);
    OCIAttrGet(param, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, err_);
    OCIAttrGet(param, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, err_);
    OCIAttrGet(param, OCI_DTYPE_PARAM, &nullable, nullptr, OCI_ATTR_IS_NULL, err_);
    const auto& e = expected[position - 1];
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name), nameLength), e.name);
    EXPECT_EQ(type, e.type) << e.name;
    EXPECT_EQ(size, e.size) << e.name;
    EXPECT_EQ(precision, e.precision) << e.name;
    EXPECT_EQ(scale, e.scale) << e.name;
    EXPECT_EQ(nullable, 1) << e.name;
  }
  void* param = nullptr;
  EXPECT_EQ(OCIParamGet(select.get(), OCI_HTYPE_STMT, err_, &param, 5), OCI_ERROR);
  EXPECT_EQ(Scalar(service_, "select count(*) from items"), "0") << "describe-only runs nothing";
}

TEST_F(StatementTest, ParseErrorsCarryTheirOffset) {
  Statement bad(env_, err_, "select id,, name from items");
  EXPECT_EQ(bad.Execute(service_, 0), OCI_ERROR);
  EXPECT_NE(ErrorCode(), 0);
  ub2 offset = 0;
  ASSERT_EQ(
      OCIAttrGet(bad.get(), OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, err_),
      OCI_SUCCESS);
  EXPECT_EQ(offset, 10) << ErrorText();
  ub2 offset80 = 0;
  OCIAttrGet(bad.get(), OCI_HTYPE_STMT, &offset80, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET_80, err_);
  EXPECT_EQ(offset80, offset) << "the 8.0 number answers the same";
  Statement missing(env_, err_, "select * from no_such_table");
  EXPECT_EQ(missing.Execute(service_, 0), OCI_ERROR);
  EXPECT_EQ(ErrorText(), "ORA-00942: table or view does not exist\n");
}

TEST_F(StatementTest, CommitOnSuccessAndRollback) {
  OCISvcCtx* other = nullptr;
  ASSERT_EQ(LogOn("scott", "tiger", &other), OCI_SUCCESS);
  Run(service_, "insert into items (id) values (1)");
  EXPECT_EQ(Scalar(other, "select count(*) from items"), "0") << "not yet committed";
  ASSERT_EQ(OCITransCommit(service_, err_, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(Scalar(other, "select count(*) from items"), "1");
  Run(service_, "insert into items (id) values (2)");
  ASSERT_EQ(OCITransRollback(service_, err_, OCI_DEFAULT), OCI_SUCCESS);
  Statement insert(env_, err_, "insert into items (id) values (3)");
  ASSERT_EQ(insert.Execute(service_, 1, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(Scalar(other, "select count(*) || ':' || sum(id) from items"), "2:4");
}

// The piece callback of a LONG column: hands out pieces of growing size and keeps them.
struct Pieces {
  std::vector<std::vector<char>> buffers;
  std::vector<ub4> lengths;
  sb2 indicator = 0;
  ub4 next = 2;
  std::string Joined() const {
    std::string all;
    for (std::size_t i = 0; i < buffers.size(); ++i) all.append(buffers[i].data(), lengths[i]);
    return all;
  }
};

sb4 TakePiece(void* context, OCIDefine*, ub4, void** buffer, ub4** length, ub1*, void** indicator,
              ub2** code) {
  auto* pieces = static_cast<Pieces*>(context);
  pieces->buffers.emplace_back(pieces->next);
  pieces->lengths.push_back(pieces->next);
  pieces->next *= 2;
  *buffer = pieces->buffers.back().data();
  *length = &pieces->lengths.back();
  *indicator = &pieces->indicator;
  *code = nullptr;
  return OCI_CONTINUE;
}

TEST_F(StatementTest, LongValuesArriveInPiecesThroughTheCallback) {
  Run(service_, "create table notes (id number, body long)");
  Statement insert(env_, err_, "insert into notes values (1, :body)");
  const std::string text = "The quick brown fox jumps over the lazy dog";
  OCIBind* bind = nullptr;
  OCIBindByName(insert.get(), &bind, err_, reinterpret_cast<const OraText*>(":body"), -1,
                const_cast<char*>(text.data()), static_cast<sb4>(text.size()), SQLT_LNG, nullptr,
                nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(insert.Execute(service_, 1), OCI_SUCCESS) << ErrorText();

  Statement select(env_, err_, "select body from notes");
  ASSERT_EQ(select.Execute(service_, 0), OCI_SUCCESS) << ErrorText();
  Pieces pieces;
  OCIDefine* define = nullptr;
  ASSERT_EQ(OCIDefineByPos(select.get(), &define, err_, 1, nullptr, 2147483647, SQLT_LNG, nullptr,
                           nullptr, nullptr, OCI_DYNAMIC_FETCH),
            OCI_SUCCESS);
  ASSERT_EQ(OCIDefineDynamic(define, err_, &pieces, TakePiece), OCI_SUCCESS);
  ASSERT_EQ(OCIStmtFetch(select.get(), err_, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS)
      << ErrorText();
  EXPECT_EQ(pieces.Joined(), text);
  EXPECT_EQ(pieces.buffers.size(), 5u) << "pieces of 2, 4, 8, 16 and 32 bytes";
  EXPECT_EQ(pieces.indicator, 0);
}

TEST_F(StatementTest, PlsqlBlocksWriteOutValuesIntoTheBindBuffers) {
  Statement block(env_, err_,
                  "begin :doubled := :n * 2; :name := 'x' || :name; :gone := null; end;");
  int n = 21;
  int doubled = 0;
  char name[16] = "abc";
  char gone[8] = "keep";
  sb2 nameIndicator = 0;
  sb2 goneIndicator = 0;
  ub2 nameLength = 3;
  OCIBind* b[4] = {};
  OCIBindByName(block.get(), &b[0], err_, reinterpret_cast<const OraText*>(":n"), -1, &n, sizeof n,
                SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByName(block.get(), &b[1], err_, reinterpret_cast<const OraText*>(":doubled"), -1,
                &doubled, sizeof doubled, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                OCI_DEFAULT);
  OCIBindByName(block.get(), &b[2], err_, reinterpret_cast<const OraText*>(":name"), -1, name,
                sizeof name, SQLT_CHR, &nameIndicator, &nameLength, nullptr, 0, nullptr,
                OCI_DEFAULT);
  OCIBindByName(block.get(), &b[3], err_, reinterpret_cast<const OraText*>(":gone"), -1, gone,
                sizeof gone, SQLT_STR, &goneIndicator, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(block.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(doubled, 42);
  EXPECT_EQ(std::string(name, nameLength), "xabc");
  EXPECT_EQ(nameIndicator, 0);
  EXPECT_EQ(goneIndicator, -1) << "a NULL out-value shows in the indicator";
}

TEST_F(StatementTest, PlsqlTablesTravelWithTheirElementCounts) {
  Statement block(env_, err_,
                  "declare s number := 0; begin\n  for i in 1..3 loop s := s + :t(i); end loop;\n"
                  "  :total := s;\n  :t(4) := s * 10;\n  :names(1) := 'n' || s;\nend;");
  int numbers[5] = {1, 2, 3, 0, 0};
  ub4 numberCount = 3;
  int total = 0;
  char names[2][8] = {};
  sb2 nameIndicators[2] = {-1, -1};
  ub2 nameLengths[2] = {};
  ub4 nameCount = 0;
  OCIBind* b[3] = {};
  ASSERT_EQ(
      OCIBindByName(block.get(), &b[0], err_, reinterpret_cast<const OraText*>(":t"), -1, numbers,
                    sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, 5, &numberCount, OCI_DEFAULT),
      OCI_SUCCESS);
  OCIBindByName(block.get(), &b[1], err_, reinterpret_cast<const OraText*>(":total"), -1, &total,
                sizeof total, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByName(block.get(), &b[2], err_, reinterpret_cast<const OraText*>(":names"), -1, names, 8,
                SQLT_STR, nameIndicators, nameLengths, nullptr, 2, &nameCount, OCI_DEFAULT);
  ASSERT_EQ(block.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(total, 6);
  EXPECT_EQ(numberCount, 4u) << "the block wrote a fourth element";
  EXPECT_EQ(numbers[3], 60);
  EXPECT_EQ(nameCount, 1u);
  EXPECT_STREQ(names[0], "n6");
  EXPECT_EQ(nameIndicators[0], 0);

  Statement beyond(env_, err_, "begin :t(6) := 1; end;");
  numberCount = 0;
  OCIBindByName(beyond.get(), &b[0], err_, reinterpret_cast<const OraText*>(":t"), -1, numbers,
                sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, 5, &numberCount, OCI_DEFAULT);
  EXPECT_EQ(beyond.Execute(service_, 1), OCI_ERROR);
  EXPECT_EQ(ErrorCode(), 6513) << ErrorText();
}

TEST_F(StatementTest, CursorVariablesBecomeStatementsToFetchFrom) {
  InsertItems(1, 5);
  Statement block(env_, err_,
                  "begin open :c for select id, name from items where id > :low order by id; end;");
  OCIStmt* cursor = nullptr;
  ASSERT_EQ(OCIHandleAlloc(env_, reinterpret_cast<void**>(&cursor), OCI_HTYPE_STMT, 0, nullptr),
            OCI_SUCCESS);
  int low = 2;
  OCIBind* b[2] = {};
  ASSERT_EQ(
      OCIBindByName(block.get(), &b[0], err_, reinterpret_cast<const OraText*>(":c"), -1, &cursor,
                    0, SQLT_RSET, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
      OCI_SUCCESS);
  OCIBindByName(block.get(), &b[1], err_, reinterpret_cast<const OraText*>(":low"), -1, &low,
                sizeof low, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(block.Execute(service_, 1), OCI_SUCCESS) << ErrorText();

  ub4 count = 0;
  ASSERT_EQ(OCIAttrGet(cursor, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err_),
            OCI_SUCCESS);
  EXPECT_EQ(count, 2u);
  void* param = nullptr;
  ASSERT_EQ(OCIParamGet(cursor, OCI_HTYPE_STMT, err_, &param, 2), OCI_SUCCESS) << ErrorText();
  OraText* name = nullptr;
  ub4 nameLength = 0;
  OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &nameLength, OCI_ATTR_NAME, err_);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name), nameLength), "NAME");
  int ids[5] = {};
  OCIDefine* define = nullptr;
  OCIDefineByPos(cursor, &define, err_, 1, ids, sizeof(int), SQLT_INT, nullptr, nullptr, nullptr,
                 OCI_DEFAULT);
  EXPECT_EQ(OCIStmtFetch(cursor, err_, 5, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
  EXPECT_EQ(RowCount(cursor), 3u);
  EXPECT_EQ(ids[0], 3);
  EXPECT_EQ(ids[2], 5);
  EXPECT_EQ(OCIHandleFree(cursor, OCI_HTYPE_STMT), OCI_SUCCESS);
}

TEST_F(StatementTest, StoredCodeThatDoesNotCompileSucceedsWithTheServersWarning) {
  Statement broken(env_, err_, "create or replace procedure broken is begin undeclared := 1; end;");
  ASSERT_EQ(broken.Execute(service_, 1), OCI_SUCCESS_WITH_INFO) << ErrorText();
  EXPECT_EQ(ErrorCode(), 24344);
  EXPECT_EQ(ErrorText(), "ORA-24344: success with compilation error\n");
  EXPECT_EQ(ErrorText(2), "") << "one record, the warning";
  ub4 rows = 99;
  EXPECT_EQ(OCIAttrGet(broken.get(), OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, err_),
            OCI_SUCCESS);
  EXPECT_EQ(rows, 0u) << "the warning does not disturb the counts";

  // The warning belongs to the execution that met it: the next one on the same handles
  // reports only its own outcome.
  Statement fine(env_, err_, "create or replace procedure fine is begin null; end;");
  EXPECT_EQ(fine.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(broken.Execute(service_, 1), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(OCIAttrGet(broken.get(), OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, err_),
            OCI_SUCCESS);
  EXPECT_EQ(ErrorCode(), 0) << "any later call clears the record";

  // The code is stored all the same, and refuses to run.
  Statement call(env_, err_, "begin broken; end;");
  EXPECT_EQ(call.Execute(service_, 1), OCI_ERROR);
  Statement callFine(env_, err_, "begin fine; end;");
  EXPECT_EQ(callFine.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
}

// The extended ROWID text of four numbers: object in six base-64 digits, file in three,
// block in six, row in three.
std::string RowidText(ub4 object, ub2 file, ub4 block, ub2 row) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  auto put = [&](std::uint64_t value, int width) {
    for (int k = width - 1; k >= 0; --k) text += digits[(value >> (6 * k)) & 63];
  };
  put(object, 6);
  put(file, 3);
  put(block, 6);
  put(row, 3);
  return text;
}

TEST_F(StatementTest, RowidNamesTheLastRowTheDmlTouched) {
  OCIRowid* rowid = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(env_, reinterpret_cast<void**>(&rowid), OCI_DTYPE_ROWID, 0, nullptr),
            OCI_SUCCESS);
  // Read as programs read the descriptor: the third 32-bit word points to the numbers.
  auto rowidOf = [&](Statement& statement) -> std::string {
    EXPECT_EQ(OCIAttrGet(statement.get(), OCI_HTYPE_STMT, rowid, nullptr, OCI_ATTR_ROWID, err_),
              OCI_SUCCESS)
        << ErrorText();
    const ub1* numbers = nullptr;
    std::memcpy(&numbers, reinterpret_cast<const ub1*>(rowid) + 8, sizeof numbers);
    if (numbers == nullptr) return "none";
    auto number = [&](int at, int bytes) {
      ub4 value = 0;
      for (int i = 0; i < bytes; ++i) value = value << 8 | numbers[at + i];
      return value;
    };
    return RowidText(number(1, 4), static_cast<ub2>(number(5, 2)), number(7, 4),
                     static_cast<ub2>(number(11, 2)));
  };
  auto selected = [&](int id) {
    return Scalar(service_, "select rowid from items where id = " + std::to_string(id));
  };

  InsertItems(1, 3);
  {
    Statement single(env_, err_, "insert into items (id) values (4)");
    ASSERT_EQ(single.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
    const std::string fourth = selected(4);
    ASSERT_EQ(fourth.size(), 18u) << fourth;
    EXPECT_EQ(rowidOf(single), fourth) << "an INSERT names the row it made";
  }
  {
    Statement array(env_, err_, "insert into items (id) values (:id)");
    int ids[3] = {5, 6, 7};
    OCIBind* bind = nullptr;
    ASSERT_EQ(
        OCIBindByName(array.get(), &bind, err_, reinterpret_cast<const OraText*>(":id"), -1, ids,
                      sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
        OCI_SUCCESS);
    ASSERT_EQ(array.Execute(service_, 3), OCI_SUCCESS) << ErrorText();
    EXPECT_EQ(rowidOf(array), selected(7)) << "an array INSERT names its last row";
  }
  {
    Statement update(env_, err_, "update items set name = 'two' where id = 2");
    ASSERT_EQ(update.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
    EXPECT_EQ(rowidOf(update), selected(2));
    Statement none(env_, err_, "update items set name = 'none' where id = 99");
    ASSERT_EQ(none.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
    EXPECT_EQ(rowidOf(none), "none") << "no row touched, no ROWID";
  }
  {
    const std::string third = selected(3);
    Statement remove(env_, err_, "delete from items where id = 3");
    ASSERT_EQ(remove.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
    EXPECT_EQ(rowidOf(remove), third) << "a DELETE names the row it removed";
    ASSERT_EQ(remove.Execute(service_, 1), OCI_SUCCESS) << ErrorText();
    EXPECT_EQ(rowidOf(remove), "none") << "each execution reports its own row";
  }
  {
    Statement query(env_, err_, "select id from items");
    ASSERT_EQ(query.Execute(service_, 0), OCI_SUCCESS) << ErrorText();
    EXPECT_EQ(rowidOf(query), "none") << "a query touches no row";
  }
  EXPECT_EQ(OCIDescriptorFree(rowid, OCI_DTYPE_ROWID), OCI_SUCCESS);
}

TEST_F(StatementTest, BreakInterruptsTheRunningCall) {
  OCIServer* server = nullptr;
  OCIAttrGet(service_, OCI_HTYPE_SVCCTX, &server, nullptr, OCI_ATTR_SERVER, err_);
  EXPECT_EQ(OCIBreak(service_, err_), OCI_SUCCESS) << "without a running call it does nothing";
  EXPECT_EQ(Scalar(service_, "select 1 from dual"), "1");
  InsertItems(1, 100);

  OCIError* breakErr = nullptr;
  OCIHandleAlloc(env_, reinterpret_cast<void**>(&breakErr), OCI_HTYPE_ERROR, 0, nullptr);
  std::atomic<bool> done{false};
  sword status = OCI_SUCCESS;
  int code = 0;
  std::thread runner([&] {
    // Far too many rows to count before the break arrives.
    Statement slow(env_, err_, "select count(*) from items a, items b, items c, items d");
    int count = 0;
    OCIDefine* define = nullptr;
    OCIDefineByPos(slow.get(), &define, err_, 1, &count, sizeof count, SQLT_INT, nullptr, nullptr,
                   nullptr, OCI_DEFAULT);
    status = slow.Execute(service_, 1);
    code = ErrorCode();
    done = true;
  });
  // A break reaches only a running call, so repeat it until the call has ended.
  while (!done) {
    EXPECT_EQ(OCIBreak(server, breakErr), OCI_SUCCESS);
    std::this_thread::yield();
  }
  runner.join();
  EXPECT_EQ(status, OCI_ERROR);
  EXPECT_EQ(code, 1013);
  EXPECT_EQ(Scalar(service_, "select count(*) from items"), "100") << "the session stays usable";
}

}  // namespace
}  // namespace devdb::oci::testing
