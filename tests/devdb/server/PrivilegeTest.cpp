// Who may read and change what, through the real server: devdb's dictionary under SYS,
// public synonyms, TRUNCATE of another schema's table, object privileges on tables and
// views, the dictionary views, and stored code running with its owner's direct grants.
// The attacker MALLORY holds CREATE SESSION and nothing else.
#include <gtest/gtest.h>

#include <csignal>

#include "DevdbServerTest.h"

namespace devdb::testing {
namespace {

class PrivilegeTest : public DevdbServerTest {
 protected:
  void SetUp() override {
    DevdbServerTest::SetUp();
    Prepare();
  }
  void Prepare() {
    CreateUser("app", "app");
    CreateUser("mallory", "mallory");
    app_ = LogOnAs("app", "app");
    mallory_ = LogOnAs("mallory", "mallory");
    system_ = System();
  }
  // The error code of a statement, 0 when it succeeded.
  static int CodeOf(TestClient& client, const std::string& sql) {
    auto error = ErrorOf([&] {
      if (sql.starts_with("select")) client.Query(sql);
      else client.Run(sql);
    });
    return error ? error->Code() : 0;
  }
  std::unique_ptr<TestClient> Sys() {
    auto sys = Connect();
    sys->LogOn("SYS", kSysPassword, protocol::WireConnectMode::SysDba);
    return sys;
  }

  std::unique_ptr<TestClient> app_;
  std::unique_ptr<TestClient> mallory_;
  std::unique_ptr<TestClient> system_;
};

struct Attempt {
  std::string sql;
  int code;  // expected error, 0 for success
};

void ExpectCodes(TestClient& client, const std::string& who, const std::vector<Attempt>& attempts,
                 int (*codeOf)(TestClient&, const std::string&)) {
  for (const Attempt& attempt : attempts)
    EXPECT_EQ(codeOf(client, attempt.sql), attempt.code) << who << ": " << attempt.sql;
}

TEST_F(PrivilegeTest, TheDictionaryUnderSysChangesOnlyThroughDevdbItselfAndSurvivesARestart) {
  StartWithDataFolder();
  Prepare();
  app_->Run("create or replace function greeting return varchar2 is begin return 'hello'; end;");
  app_->Run("grant execute on greeting to public");
  ASSERT_EQ(mallory_->Scalar("select app.greeting from dual"), "hello");

  // An ordinary user does not even see devdb's own tables.
  ExpectCodes(*mallory_, "MALLORY",
              {{"update sys.devdb_plsql_source set text = 'function greeting return varchar2 is "
                "begin return ''pwned''; end;' where owner = 'APP'", 942},
               {"delete from sys.devdb_plsql_grants", 942},
               {"insert into sys.devdb_plsql_synonyms (name, owner, target) values ('X', 'MALLORY', 'X')",
                942},
               {"select count(*) from sys.devdb_plsql_source", 942},
               {"truncate table sys.devdb_plsql_source", 942},
               {"drop table sys.devdb_plsql_grants", 942},
               {"create index sys.evil on sys.devdb_plsql_source (name)", 942},
               {"create table sys.evil (n number)", 1031},
               {"update sys.dual set dummy = 'Y'", 1031},
               {"delete from all_users", 1031}},
              CodeOf);
  // SYS and SYSTEM read the dictionary, and may not change it with SQL either.
  auto sys = Sys();
  for (TestClient* dba : {system_.get(), sys.get()}) {
    const std::string who = dba == sys.get() ? "SYS AS SYSDBA" : "SYSTEM";
    EXPECT_EQ(dba->Scalar("select count(*) from sys.devdb_plsql_source where owner = 'APP'"), "1")
        << who;
    ExpectCodes(*dba, who,
                {{"update sys.devdb_plsql_source set text = 'x'", 1031},
                 {"delete from sys.devdb_plsql_grants", 1031},
                 {"insert into sys.devdb_plsql_synonyms (name, owner, target) values ('X', 'Y', 'Z')",
                  1031},
                 {"truncate table sys.devdb_plsql_source", 1031},
                 {"drop table sys.devdb_plsql_source", 1031},
                 {"create index sys.evil on sys.devdb_plsql_source (name)", 1031},
                 {"create table sys.evil (n number)", 1031},
                 {"delete from sys.dual", 1031}},
                CodeOf);
  }
  sys.reset();
  app_.reset();
  mallory_.reset();
  system_.reset();
  server_->Stop(SIGTERM);
  Start({"--data", dataFolder_.string()});
  auto mallory = LogOnAs("mallory", "mallory");
  EXPECT_EQ(mallory->Scalar("select app.greeting from dual"), "hello");
  EXPECT_EQ(mallory->Scalar("select count(*) from dual"), "1");
}

TEST_F(PrivilegeTest, PublicSynonymsTakeTheirSystemPrivileges) {
  app_->Run("create or replace package vek_debug is procedure print(msg varchar2); end;");
  app_->Run("create or replace package body vek_debug is procedure print(msg varchar2) is "
            "begin null; end; end;");
  app_->Run("grant execute on vek_debug to public");
  mallory_->Run("create or replace package vek_debug is procedure print(msg varchar2); end;");

  EXPECT_EQ(CodeOf(*app_, "create or replace public synonym vek_debug for vek_debug"), 1031);
  system_->Run("grant create public synonym to app");
  EXPECT_EQ(CodeOf(*app_, "create or replace public synonym vek_debug for vek_debug"), 0);

  ExpectCodes(*mallory_, "MALLORY",
              {{"create or replace public synonym vek_debug for mallory.vek_debug", 1031},
               {"create public synonym other_name for mallory.vek_debug", 1031},
               {"drop public synonym vek_debug", 1031}},
              CodeOf);
  // The synonym still names APP's package, for everyone without one of their own.
  EXPECT_EQ(CodeOf(*system_, "begin vek_debug.print('x'); end;"), 0);
  EXPECT_EQ(CodeOf(*app_, "drop public synonym vek_debug"), 1031)
      << "creating one is not dropping one";
  system_->Run("grant drop public synonym to app");
  EXPECT_EQ(CodeOf(*app_, "drop public synonym vek_debug"), 0);
  system_->Run("revoke create public synonym from app");
  EXPECT_EQ(CodeOf(*app_, "create public synonym vek_debug for vek_debug"), 1031);
  EXPECT_EQ(CodeOf(*system_, "create public synonym vek_debug for app.vek_debug"), 0);
  EXPECT_EQ(CodeOf(*system_, "drop public synonym vek_debug"), 0);
}

TEST_F(PrivilegeTest, TruncateOfAnotherSchemasTableTakesDropAnyTable) {
  app_->Run("create table t (n number)");
  app_->Run("insert into t values (1)", {}, 1, 0, true);
  CreateUser("eve", "eve");
  auto eve = LogOnAs("eve", "eve");
  app_->Run("grant select, delete on t to mallory");

  EXPECT_EQ(CodeOf(*eve, "truncate table app.t"), 942);
  EXPECT_EQ(CodeOf(*mallory_, "truncate table app.t"), 1031) << "she sees the table";
  EXPECT_EQ(CodeOf(*mallory_, "drop table app.t"), 1031);
  EXPECT_EQ(app_->Scalar("select count(*) from t"), "1");
  system_->Run("grant drop any table to mallory");
  EXPECT_EQ(CodeOf(*mallory_, "truncate table app.t"), 0);
  EXPECT_EQ(app_->Scalar("select count(*) from t"), "0");
  EXPECT_EQ(CodeOf(*app_, "truncate table t"), 0) << "the owner truncates her own";
}

TEST_F(PrivilegeTest, TablesAreReadAndChangedByTheirOwnerGranteesAndAnyPrivilegeHolders) {
  app_->Run("create table t (n number)");
  app_->Run("insert into t values (1)", {}, 1, 0, true);
  const std::vector<Attempt> nothing = {{"select n from app.t", 942},
                                        {"insert into app.t values (2)", 942},
                                        {"update app.t set n = 3", 942},
                                        {"delete from app.t", 942}};
  ExpectCodes(*mallory_, "no grant", nothing, CodeOf);

  app_->Run("grant select on t to mallory");
  ExpectCodes(*mallory_, "SELECT granted",
              {{"select n from app.t", 0},
               {"insert into app.t values (2)", 1031},
               {"update app.t set n = 3", 1031},
               {"delete from app.t", 1031}},
              CodeOf);
  app_->Run("grant insert, update on t to mallory");
  ExpectCodes(*mallory_, "SELECT, INSERT, UPDATE granted",
              {{"insert into app.t values (2)", 0}, {"update app.t set n = 3", 0},
               {"delete from app.t", 1031}},
              CodeOf);
  mallory_->Run("rollback");
  app_->Run("revoke select, insert, update on t from mallory");
  ExpectCodes(*mallory_, "revoked", nothing, CodeOf);
  EXPECT_EQ(CodeOf(*app_, "revoke delete on t from mallory"), 1927);
  EXPECT_EQ(CodeOf(*mallory_, "grant select on app.t to mallory"), 942);

  app_->Run("grant all on t to mallory");
  ExpectCodes(*mallory_, "ALL granted",
              {{"select n from app.t", 0}, {"insert into app.t values (2)", 0},
               {"update app.t set n = 3", 0}, {"delete from app.t", 0}},
              CodeOf);
  mallory_->Run("rollback");
  EXPECT_EQ(CodeOf(*mallory_, "grant select on app.t to public"), 1031)
      << "only the owner grants on it";
  app_->Run("revoke all on t from mallory");

  CreateUser("eve", "eve");
  auto eve = LogOnAs("eve", "eve");
  EXPECT_EQ(CodeOf(*eve, "select n from app.t"), 942);
  app_->Run("grant select on t to public");
  EXPECT_EQ(eve->Scalar("select n from app.t"), "1");
  EXPECT_EQ(CodeOf(*eve, "delete from app.t"), 1031);

  // The ANY privileges; SYSTEM holds them through its DBA role.
  system_->Run("grant select any table to mallory");
  EXPECT_EQ(CodeOf(*mallory_, "select n from app.t"), 0);
  EXPECT_EQ(CodeOf(*mallory_, "delete from app.t"), 1031);
  system_->Run("grant delete any table to mallory");
  EXPECT_EQ(CodeOf(*mallory_, "delete from app.t"), 0);
  mallory_->Run("rollback");
  EXPECT_EQ(CodeOf(*system_, "update app.t set n = 5"), 0);
  system_->Run("rollback");
}

TEST_F(PrivilegeTest, DictionaryViewsNeedADictionaryPrivilegeAndStoredCodeADirectGrant) {
  ExpectCodes(*mallory_, "MALLORY",
              {{"select count(*) from v$session", 942},
               {"select count(*) from sys.v$session", 942},
               {"select count(*) from dba_users", 942},
               {"select count(*) from all_users", 0},
               {"select count(*) from user_users", 0},
               {"select count(*) from v$version", 0},
               {"select count(*) from dual", 0}},
              CodeOf);
  system_->Run("grant select on v_$session to mallory");
  EXPECT_EQ(CodeOf(*mallory_, "select count(*) from v$session"), 0);
  EXPECT_EQ(CodeOf(*mallory_, "select count(*) from dba_users"), 942);
  system_->Run("revoke select on v$session from mallory");
  EXPECT_EQ(CodeOf(*mallory_, "select count(*) from v$session"), 942);

  system_->Run("grant select any dictionary to mallory");
  EXPECT_EQ(CodeOf(*mallory_, "select count(*) from v$session"), 0);
  EXPECT_EQ(CodeOf(*mallory_, "select count(*) from dba_users"), 0);

  // Through a role a session reads the views, but the owner's stored code does not.
  system_->Run("grant select_catalog_role to app");
  EXPECT_EQ(CodeOf(*app_, "select count(*) from v$session"), 0);
  app_->Run("create or replace function sessions return number is n number; begin "
            "select count(*) into n from v$session; return n; end;");
  const auto refused = ErrorOf([&] { app_->Scalar("select sessions from dual"); });
  ASSERT_TRUE(refused);
  EXPECT_NE(std::string(refused->what()).find("ORA-00942"), std::string::npos) << refused->what();
  system_->Run("grant select on v_$session to app");
  EXPECT_NE(app_->Scalar("select sessions from dual"), "0");

  // Stored code reads with its owner's rights: MALLORY may call what reads APP's table.
  app_->Run("create table secrets (s varchar2(20))");
  app_->Run("insert into secrets values ('kept')", {}, 1, 0, true);
  app_->Run("create or replace function secret return varchar2 is v varchar2(20); begin "
            "select s into v from secrets; return v; end;");
  app_->Run("grant execute on secret to mallory");
  EXPECT_EQ(CodeOf(*mallory_, "select s from app.secrets"), 942);
  EXPECT_EQ(mallory_->Scalar("select app.secret from dual"), "kept");
}

TEST_F(PrivilegeTest, ANulByteInTheStatementIsAnInvalidCharacter) {
  for (const std::string sql :
       {std::string("select 'a\0b' from dual", 22), std::string("select 1 from dual\0", 19),
        std::string("select \"A\0\" from dual", 21)}) {
    auto error = ErrorOf([&] { mallory_->Query(sql); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Code(), 911);
    EXPECT_STREQ(error->what(), "ORA-00911: invalid character");
  }
  EXPECT_EQ(mallory_->Scalar("select 'still here' from dual"), "still here");
}

}  // namespace
}  // namespace devdb::testing
