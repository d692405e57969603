// The version-7 calls against a real devdb: the data areas' layout, logon with the whole
// user/password@database text, cursors with deferred parse, describe until ORA-01007,
// array binds and fetches with the counts kept in the cursor data area, LONG pieces with
// oflng, transactions, error texts, and moving a logon between the two interfaces.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "OciTest.h"

namespace devdb::oci::testing {
namespace {

static_assert(sizeof(Cda_Def) == (sizeof(void*) == 8 ? 88 : 64));
static_assert(offsetof(cda_def, ft) == 2 && offsetof(cda_def, rpc) == 4 &&
              offsetof(cda_def, peo) == 8);
static_assert(offsetof(cda_def, fc) == 10 && offsetof(cda_def, rc) == 12 &&
              offsetof(cda_def, wrn) == 14);
static_assert(offsetof(cda_def, rid) == 20 && offsetof(cda_def, ose) == 36 &&
              offsetof(cda_def, chk) == 40);
static_assert(offsetof(cda_def, rcsp) == (sizeof(void*) == 8 ? 48 : 44));

OraText* Text(const char* text) { return reinterpret_cast<OraText*>(const_cast<char*>(text)); }

class Version7Test : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    ASSERT_EQ(opinit(0), 0) << "process initialisation, non-threaded";
    CreateUser("scott", "tiger");
    std::memset(&lda_, 0, sizeof lda_);
    std::memset(hda_, 0, sizeof hda_);
    ASSERT_EQ(olog(&lda_, hda_, Text("scott/tiger@DEV"), -1, nullptr, -1, nullptr, -1, 0), 0)
        << lda_.rc;
    ASSERT_EQ(oopen(&cda_, &lda_, nullptr, -1, -1, nullptr, -1), 0);
  }
  void TearDown() override {
    oclose(&cda_);
    ologof(&lda_);
    OciTest::TearDown();
  }

  sword Parse(const char* sql, sword deferred = 1) {
    return oparse(&cda_, Text(sql), -1, deferred, 2);
  }
  std::string Message(int code) {
    OraText buffer[512] = {};
    oerhms(&lda_, static_cast<sb2>(code), buffer, sizeof buffer);
    return reinterpret_cast<char*>(buffer);
  }

  Lda_Def lda_;
  Cda_Def cda_;
  ub1 hda_[HDA_SIZE];
};

TEST_F(Version7Test, LogonTextsAreSplitAsWritten) {
  const std::string ez = server_->EasyConnect();
  const std::string texts[] = {"scott/tiger@DEV", "SCOTT/tiger@dev", "scott/tiger@" + ez};
  for (const std::string& text : texts) {
    Lda_Def lda{};
    ub1 hda[HDA_SIZE] = {};
    EXPECT_EQ(orlon(&lda, hda, Text(text.c_str()), -1, nullptr, -1, 0), 0)
        << text << ": " << lda.rc;
    EXPECT_EQ(ologof(&lda), 0);
  }
  Lda_Def lda{};
  EXPECT_EQ(olog(&lda, hda_, Text("scott"), -1, Text("tiger"), -1, Text("DEV"), -1, 0), 0)
      << "separate password and database";
  ologof(&lda);
  EXPECT_EQ(olog(&lda, hda_, Text("scott/wrong@DEV"), -1, nullptr, -1, nullptr, -1, 0), 1017);
  EXPECT_EQ(lda.rc, 1017);
  EXPECT_EQ(Message(1017), "ORA-01017: invalid username/password; logon denied\n");
  EXPECT_EQ(olog(&lda, hda_, Text("sys/manager@DEV as sysdba"), -1, nullptr, -1, nullptr, -1, 0), 0)
      << lda.rc;
  ologof(&lda);
}

TEST_F(Version7Test, GracePeriodLogonSucceedsWithTheWarningInTheReturnCode) {
  OCISvcCtx* system = System();
  Run(system, "alter user scott password grace 7");
  Lda_Def lda{};
  EXPECT_EQ(olog(&lda, hda_, Text("scott/tiger@DEV"), -1, nullptr, -1, nullptr, -1, 0), 28002);
  EXPECT_EQ(lda.rc, 28002);
  Cda_Def cda{};
  EXPECT_EQ(oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 0) << "the session is usable";
  oclose(&cda);
  ologof(&lda);
}

TEST_F(Version7Test, ExpiredAndLockedAccountsAreRefused) {
  OCISvcCtx* system = System();
  Run(system, "create user expo identified by Secret1");
  Run(system, "grant create session to expo");
  Run(system, "alter user expo password expire");
  Lda_Def lda{};
  EXPECT_EQ(olog(&lda, hda_, Text("expo/Secret1@DEV"), -1, nullptr, -1, nullptr, -1, 0), 28001);
  EXPECT_EQ(lda.rc, 28001);
  Cda_Def cda{};
  EXPECT_EQ(oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 1012) << "no session after a refusal";
  Run(system, "alter user scott account lock");
  EXPECT_EQ(orlon(&lda, hda_, Text("scott/tiger@DEV"), -1, nullptr, -1, 0), 28000);
}

TEST_F(Version7Test, DescribeRunsUntilNotInSelectList) {
  ASSERT_EQ(Parse("select id, name from t7"), 0) << "a deferred parse waits for the server";
  EXPECT_EQ(cda_.ft, 4) << "a query is known before the server parses it";
  sb4 size = 0, nameLength = 0, displaySize = 0;
  sb2 type = 0, precision = 0, scale = 0, nullable = 0;
  sb1 name[30];
  nameLength = sizeof name;
  EXPECT_EQ(odescr(&cda_, 1, &size, &type, name, &nameLength, &displaySize, &precision, &scale,
                   &nullable),
            942)
      << "the table does not exist, found at the first describe";
  EXPECT_EQ(cda_.rc, 942);
  EXPECT_EQ(cda_.peo, 21);

  OCISvcCtx* scott = nullptr;
  ASSERT_EQ(LogOn("scott", "tiger", &scott), OCI_SUCCESS);
  Run(scott, "create table t7 (id number(5), name varchar2(12) not null)");
  ASSERT_EQ(Parse("select id, name from t7", 0), 0) << cda_.rc;
  const char* names[] = {"ID", "NAME"};
  for (sword position = 1; position <= 3; ++position) {
    nameLength = sizeof name;
    const sword status = odescr(&cda_, position, &size, &type, name, &nameLength, &displaySize,
                                &precision, &scale, &nullable);
    if (position == 3) {
      EXPECT_EQ(status, 1007);
      EXPECT_EQ(cda_.rc, 1007);
      EXPECT_EQ(Message(1007), "ORA-01007: variable not in select list\n");
      break;
    }
    ASSERT_EQ(status, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name), nameLength), names[position - 1]);
    EXPECT_EQ(cda_.fc, 60) << "the function code of odescr";
  }
  nameLength = sizeof name;
  odescr(&cda_, 2, &size, &type, name, &nameLength, &displaySize, &precision, &scale, &nullable);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(size, 12);
  EXPECT_EQ(nullable, 0);
}

TEST_F(Version7Test, ArrayInsertAndFetchKeepTheCounts) {
  ASSERT_EQ(Parse("create table t7 (id number(5), name varchar2(12))", 0), 0) << cda_.rc;
  ASSERT_EQ(oexec(&cda_), 0) << cda_.rc;
  ASSERT_EQ(Parse("insert into t7 values (:id, :name)"), 0);
  EXPECT_EQ(cda_.ft, 3);
  int ids[5] = {1, 2, 3, 4, 5};
  char names[5][8] = {"one", "two", "three", "four", "five"};
  sb2 nameIndicators[5] = {0, 0, -1, 0, 0};
  ASSERT_EQ(obndra(&cda_, Text(":ID"), -1, reinterpret_cast<ub1*>(ids), sizeof(int), SQLT_INT, -1,
                   nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(obndra(&cda_, Text(":name"), -1, reinterpret_cast<ub1*>(names), 8, SQLT_STR, -1,
                   nameIndicators, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(oexn(&cda_, 5, 0), 0) << cda_.rc;
  EXPECT_EQ(cda_.rpc, 5u);
  EXPECT_EQ(cda_.fc, 4);
  ASSERT_EQ(ocom(&lda_), 0);

  ASSERT_EQ(Parse("select id, name from t7 order by id"), 0);
  int fetchedIds[2];
  char fetchedNames[2][8];
  sb2 indicators[2];
  ub2 lengths[2];
  ASSERT_EQ(odefin(&cda_, 1, reinterpret_cast<ub1*>(fetchedIds), sizeof(int), SQLT_INT, -1, nullptr,
                   nullptr, -1, -1, nullptr, nullptr),
            0);
  ASSERT_EQ(odefin(&cda_, 2, reinterpret_cast<ub1*>(fetchedNames), 8, SQLT_STR, -1, indicators,
                   nullptr, -1, -1, lengths, nullptr),
            0);
  std::string seen;
  sword status = oexfet(&cda_, 2, 0, 0);
  ub4 before = 0;
  while (true) {
    ASSERT_TRUE(status == 0 || status == 1403) << cda_.rc;
    for (ub4 i = 0; i < cda_.rpc - before; ++i)
      seen += std::to_string(fetchedIds[i]) + "=" +
              (indicators[i] == -1 ? "null" : fetchedNames[i]) + " ";
    if (status == 1403) break;
    before = cda_.rpc;
    status = ofen(&cda_, 2);
  }
  EXPECT_EQ(seen, "1=one 2=two 3=null 4=four 5=five ");
  EXPECT_EQ(cda_.rpc, 5u);
  EXPECT_EQ(cda_.rc, 1403);
  EXPECT_EQ(ofen(&cda_, 2), 1403);
  EXPECT_EQ(cda_.rpc, 5u) << "no more rows: the count stays";
}

TEST_F(Version7Test, ExecutionsLeaveTheRowidOfTheLastRowTouched) {
  ASSERT_EQ(Parse("create table marks (id number(5))", 0), 0) << cda_.rc;
  ASSERT_EQ(oexec(&cda_), 0) << cda_.rc;
  // The four ROWID words as extended ROWID text.
  auto rowid = [&] {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    auto put = [&](std::uint64_t value, int width) {
      for (int k = width - 1; k >= 0; --k) text += digits[(value >> (6 * k)) & 63];
    };
    if (cda_.rid.rd.rcs4 == 0 && cda_.rid.rd.rcs5 == 0 && cda_.rid.rcs7 == 0 && cda_.rid.rcs8 == 0)
      return std::string("none");
    put(cda_.rid.rd.rcs4, 6);
    put(cda_.rid.rd.rcs5, 3);
    put(cda_.rid.rcs7, 6);
    put(cda_.rid.rcs8, 3);
    return text;
  };
  auto selected = [&](int id) {
    return Scalar(System(), "select rowid from scott.marks where id = " + std::to_string(id));
  };

  ASSERT_EQ(Parse("insert into marks values (:id)"), 0);
  int ids[3] = {1, 2, 3};
  ASSERT_EQ(obndra(&cda_, Text(":id"), -1, reinterpret_cast<ub1*>(ids), sizeof(int), SQLT_INT, -1,
                   nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(oexn(&cda_, 3, 0), 0) << cda_.rc;
  ASSERT_EQ(ocom(&lda_), 0);
  const std::string last = rowid();
  EXPECT_EQ(last, selected(3)) << "an array INSERT leaves its last row";
  ASSERT_EQ(Parse("update marks set id = 20 where id = 2"), 0);
  ASSERT_EQ(oexec(&cda_), 0) << cda_.rc;
  ASSERT_EQ(ocom(&lda_), 0);
  EXPECT_EQ(rowid(), selected(20));
  ASSERT_EQ(oexec(&cda_), 0) << cda_.rc;
  EXPECT_EQ(rowid(), "none") << "no row touched: all four words 0";
  ASSERT_EQ(Parse("delete from marks where id = 3"), 0);
  ASSERT_EQ(oexfet(&cda_, 1, 0, 0), 0) << cda_.rc;
  EXPECT_EQ(rowid(), last) << "a DELETE leaves the row it removed";
}

TEST_F(Version7Test, LongValuesAreReadOnWithOflng) {
  ASSERT_EQ(Parse("create table notes (body long)", 0), 0);
  ASSERT_EQ(oexec(&cda_), 0);
  std::string text;
  for (int i = 0; i < 500; ++i) text += "line " + std::to_string(i) + "\n";
  ASSERT_EQ(Parse("insert into notes values (:body)"), 0);
  ASSERT_EQ(obndra(&cda_, Text(":body"), -1, reinterpret_cast<ub1*>(text.data()),
                   static_cast<sword>(text.size()), SQLT_LNG, -1, nullptr, nullptr, nullptr, 0,
                   nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(oexec(&cda_), 0) << cda_.rc;
  ASSERT_EQ(Parse("select body from notes"), 0);
  char slot[2000];
  sb2 indicator = 0;
  ub2 length = 0;
  ASSERT_EQ(odefin(&cda_, 1, reinterpret_cast<ub1*>(slot), sizeof slot, SQLT_LNG, -1, &indicator,
                   nullptr, -1, -1, &length, nullptr),
            0);
  ASSERT_EQ(oexfet(&cda_, 1, 0, 0), 0)
      << "a truncation the indicator shows is no error: " << cda_.rc;
  EXPECT_EQ(length, 2000);
  EXPECT_EQ(cda_.wrn & 0x03, 0x03) << "the warning flags show the truncation";
  EXPECT_EQ(indicator, static_cast<sb2>(text.size()));
  std::string whole(slot, length);
  char rest[700];
  ub4 got = 0;
  do {
    ASSERT_EQ(oflng(&cda_, 1, reinterpret_cast<ub1*>(rest), sizeof rest, SQLT_LNG, &got,
                    static_cast<sb4>(whole.size())),
              0);
    whole.append(rest, got);
  } while (got == sizeof rest);
  EXPECT_EQ(whole, text);
}

TEST_F(Version7Test, AutocommitAndRollback) {
  OCISvcCtx* other = nullptr;
  ASSERT_EQ(LogOn("scott", "tiger", &other), OCI_SUCCESS);
  Run(other, "create table t7 (id number)");
  ASSERT_EQ(Parse("insert into t7 values (1)"), 0);
  ASSERT_EQ(oexec(&cda_), 0);
  ASSERT_EQ(orol(&lda_), 0);
  EXPECT_EQ(Scalar(other, "select count(*) from t7"), "0");
  ASSERT_EQ(ocon(&lda_), 0);
  ASSERT_EQ(oexec(&cda_), 0);
  EXPECT_EQ(Scalar(other, "select count(*) from t7"), "1") << "autocommit is on";
  EXPECT_EQ(obreak(&lda_), 0) << "a break without a running call does nothing";
  ASSERT_EQ(ocof(&lda_), 0);
  ASSERT_EQ(oexec(&cda_), 0);
  EXPECT_EQ(Scalar(other, "select count(*) from t7"), "1");
  ASSERT_EQ(ocom(&lda_), 0);
  EXPECT_EQ(Scalar(other, "select count(*) from t7"), "2");
}

TEST_F(Version7Test, ErrorsGoIntoTheCursorArea) {
  EXPECT_EQ(Parse("select * from nowhere", 0), 942);
  EXPECT_EQ(cda_.rc, 942);
  EXPECT_EQ(cda_.fc, 54);
  EXPECT_EQ(cda_.peo, 14);
  EXPECT_EQ(Message(942), "ORA-00942: table or view does not exist\n");
  Cda_Def unopened{};
  EXPECT_EQ(oexec(&unopened), 1001);
  EXPECT_EQ(unopened.rc, 1001);
  EXPECT_EQ(odessp(&cda_, Text("p"), 1, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr),
            3001);
  EXPECT_EQ(Message(3001), "ORA-03001: unimplemented feature\n");
  Lda_Def none{};
  EXPECT_EQ(ocom(&none), 1012);
}

TEST_F(Version7Test, PlsqlBlocksWriteOutValuesIntoTheBoundBuffers) {
  ASSERT_EQ(Parse("begin null; end;", 0), 0);
  EXPECT_EQ(cda_.ft, 34) << "a block is PL/SQL EXECUTE";
  ASSERT_EQ(oexec(&cda_), 0) << Message(cda_.rc);
  ASSERT_EQ(Parse("begin :total := :a + :b; :label := 'sum'; end;"), 0);
  int a = 40, b = 2, total = 0;
  char label[8] = {};
  sb2 labelIndicator = -1;
  ASSERT_EQ(obndra(&cda_, Text(":a"), -1, reinterpret_cast<ub1*>(&a), sizeof a, SQLT_INT, -1,
                   nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(obndra(&cda_, Text(":b"), -1, reinterpret_cast<ub1*>(&b), sizeof b, SQLT_INT, -1,
                   nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(obndra(&cda_, Text(":total"), -1, reinterpret_cast<ub1*>(&total), sizeof total,
                   SQLT_INT, -1, nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(obndra(&cda_, Text(":label"), -1, reinterpret_cast<ub1*>(label), sizeof label, SQLT_STR,
                   -1, &labelIndicator, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(oexec(&cda_), 0) << Message(cda_.rc);
  EXPECT_EQ(total, 42);
  EXPECT_STREQ(label, "sum");
  EXPECT_EQ(labelIndicator, 0);
}

TEST_F(Version7Test, ErrorTextsBelongToTheLogonThatMetThem) {
  Lda_Def other{};
  Cda_Def otherCursor{};
  ASSERT_EQ(olog(&other, hda_, Text("scott/tiger@DEV"), -1, nullptr, -1, nullptr, -1, 0), 0);
  ASSERT_EQ(oopen(&otherCursor, &other, nullptr, -1, -1, nullptr, -1), 0);
  const int mine = Parse("select first_unknown from dual", 0);
  const int theirs = oparse(&otherCursor, Text("select second_unknown from dual"), -1, 0, 2);
  ASSERT_EQ(mine, theirs);
  ASSERT_NE(mine, 0);
  EXPECT_NE(Message(mine).find("FIRST_UNKNOWN"), std::string::npos) << Message(mine);
  OraText buffer[512] = {};
  oerhms(&other, static_cast<sb2>(theirs), buffer, sizeof buffer);
  EXPECT_NE(std::string(reinterpret_cast<char*>(buffer)).find("SECOND_UNKNOWN"), std::string::npos)
      << buffer;
  oclose(&otherCursor);
  ologof(&other);
}

TEST_F(Version7Test, PlsqlTablesAndCursorVariables) {
  ASSERT_EQ(Parse("create table t7 (id number(5))", 0), 0);
  ASSERT_EQ(oexec(&cda_), 0);
  ASSERT_EQ(
      Parse("declare v number; begin for i in 1..:n loop v := :ids(i); insert into t7 values (v); "
            "end loop; :ids(:n + 1) := 99; open :c for select id from t7 order by id desc; end;"),
      0);
  int ids[4] = {7, 8, 9, 0};
  ub4 current = 3;
  int n = 3;
  Cda_Def rows;  // the cursor variable: never opened with oopen
  std::memset(&rows, 0xEE, sizeof rows);
  ASSERT_EQ(obndra(&cda_, Text(":ids"), -1, reinterpret_cast<ub1*>(ids), sizeof(int), SQLT_INT, -1,
                   nullptr, nullptr, nullptr, 4, &current, nullptr, -1, -1),
            0);
  ASSERT_EQ(obndra(&cda_, Text(":n"), -1, reinterpret_cast<ub1*>(&n), sizeof n, SQLT_INT, -1,
                   nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(obndra(&cda_, Text(":c"), -1, reinterpret_cast<ub1*>(&rows), sizeof rows, SQLT_CUR, -1,
                   nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
            0);
  ASSERT_EQ(oexec(&cda_), 0) << Message(cda_.rc);
  EXPECT_EQ(current, 4u);
  EXPECT_EQ(ids[3], 99);
  EXPECT_EQ(rows.rc, 0);
  EXPECT_EQ(rows.ft, 4) << "the cursor variable holds a query";

  sb4 size = 0, nameLength = 30;
  sb2 type = 0;
  sb1 name[30];
  ASSERT_EQ(odescr(&rows, 1, &size, &type, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name), nameLength), "ID");
  int fetched[3] = {};
  ASSERT_EQ(odefin(&rows, 1, reinterpret_cast<ub1*>(fetched), sizeof(int), SQLT_INT, -1, nullptr,
                   nullptr, -1, -1, nullptr, nullptr),
            0);
  EXPECT_EQ(ofen(&rows, 3), 0);
  EXPECT_EQ(fetched[0], 9);
  EXPECT_EQ(fetched[2], 7);
  EXPECT_EQ(ofen(&rows, 3), 1403);
  EXPECT_EQ(rows.rpc, 3u);
  EXPECT_EQ(oclose(&rows), 0);
}

TEST_F(Version7Test, ServiceContextBecomesALogonAreaAndBack) {
  OCISvcCtx* service = nullptr;
  ASSERT_EQ(LogOn("scott", "tiger", &service), OCI_SUCCESS);
  Lda_Def lda;
  ASSERT_EQ(OCISvcCtxToLda(service, err_, &lda), OCI_SUCCESS) << ErrorText();
  Cda_Def cda{};
  ASSERT_EQ(oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 0);
  ASSERT_EQ(oparse(&cda, Text("select user from dual"), -1, 0, 2), 0);
  char user[31] = {};
  ASSERT_EQ(odefin(&cda, 1, reinterpret_cast<ub1*>(user), sizeof user, SQLT_STR, -1, nullptr,
                   nullptr, -1, -1, nullptr, nullptr),
            0);
  ASSERT_EQ(oexfet(&cda, 1, 0, 0), 0) << cda.rc;
  EXPECT_STREQ(user, "SCOTT");
  oclose(&cda);
  OCISvcCtx* back = nullptr;
  ASSERT_EQ(OCILdaToSvcCtx(&back, err_, &lda), OCI_SUCCESS);
  EXPECT_EQ(back, service);
  EXPECT_EQ(Scalar(back, "select user from dual"), "SCOTT");
}

}  // namespace
}  // namespace devdb::oci::testing
