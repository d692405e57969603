// Sessions side by side: each has its own transaction, waits for another's uncommitted
// write like Oracle waits on a row lock, and can be broken or killed from another thread.
// Also V$SESSION, ALTER SYSTEM KILL SESSION and data surviving a restart.
#include <thread>

#include "EngineFixture.h"

namespace devdb::sql::testing {
namespace {

class SessionTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    Session& admin = System();
    Run(admin, "create table notes (id number, text varchar2(20))");
    Run(admin, "create user scott identified by tiger");
    Run(admin, "grant create session to scott");
    // SCOTT reads and writes SYSTEM's table by its qualified name.
    Run(admin, "grant select, insert on notes to scott");
  }
  static void WaitUntilActive(Session& session) {
    while (session.Describe().status != "ACTIVE") std::this_thread::yield();
  }
  static std::string Count(Session& session) {
    return Text(One(session, "select count(*) from system.notes"));
  }
};

TEST_F(SessionTest, UncommittedChangesAreInvisibleAndVanishOnRollback) {
  Session& writer = System();
  Session& reader = System();
  Run(writer, "insert into notes values (1, 'draft')");
  EXPECT_EQ(Count(writer), "1");
  EXPECT_EQ(Count(reader), "0");
  writer.Rollback();
  EXPECT_EQ(Count(writer), "0");
  Run(writer, "insert into notes values (2, 'final')");
  Run(writer, "commit");
  EXPECT_EQ(Count(reader), "1");
}

TEST_F(SessionTest, CommitAndRollbackLeaveAnOpenCursorFetching) {
  Session& session = System();
  for (int id = 1; id <= 5; ++id)
    Run(session, "insert into notes values (" + std::to_string(id) + ", 'n')");
  session.Commit();
  auto cursor = session.Prepare("select id from notes order by id");
  cursor->Execute({}, 1, 0, false);
  ASSERT_EQ(cursor->Fetch(2).size(), 2u);
  Run(session, "insert into notes values (6, 'while fetching')");
  session.Commit();
  ASSERT_EQ(cursor->Fetch(1).size(), 1u);
  Run(session, "update notes set text = 'undone'");
  session.Rollback();
  const auto rest = cursor->Fetch(10);
  EXPECT_FALSE(rest.empty());
  EXPECT_EQ(Text(One(session, "select count(*) from notes where text = 'undone'")), "0");
  EXPECT_EQ(Count(session), "6");
}

TEST_F(SessionTest, SavepointsUndoPartOfATransaction) {
  Session& session = System();
  Session& other = System();
  Run(session, "insert into notes values (1, 'keep')");
  Run(session, "savepoint before_second");
  Run(session, "insert into notes values (2, 'undo')");
  Run(session, "rollback to savepoint before_second");
  EXPECT_EQ(Count(session), "1");
  EXPECT_EQ(Count(other), "0");
  session.Commit();
  EXPECT_EQ(Count(other), "1");
  EXPECT_STREQ(ErrorOf(session, "rollback to nowhere").what(),
               "ORA-01086: savepoint 'NOWHERE' never established in this session or is invalid");
  auto statement = session.Prepare("savepoint s1");
  EXPECT_EQ(statement->Info().sqlFunctionCode, 56);
}

TEST_F(SessionTest, RollbackLeavesACursorOpenedInTheTransactionReading) {
  Session& session = System();
  for (int id = 1; id <= 4; ++id)
    Run(session, "insert into notes values (" + std::to_string(id) + ", 'uncommitted')");
  auto cursor = session.Prepare("select id from notes order by id");
  cursor->Execute({}, 1, 0, false);
  ASSERT_EQ(cursor->Fetch(1).size(), 1u);
  session.Rollback();
  EXPECT_EQ(cursor->Fetch(10).size(), 3u);
  EXPECT_EQ(Count(session), "0");
}

TEST_F(SessionTest, WritingWhileACursorReadsAnOlderState) {
  Session& session = System();
  Session& other = System();
  for (int id = 1; id <= 5; ++id)
    Run(session, "insert into notes values (" + std::to_string(id) + ", 'n')");
  session.Commit();
  auto cursor = session.Prepare("select id from notes order by id");
  cursor->Execute({}, 1, 0, false);
  ASSERT_EQ(cursor->Fetch(2).size(), 2u);
  // Another session commits after the cursor opened; this session then writes.
  Run(other, "insert into notes values (10, 'other')");
  other.Commit();
  Run(session, "update notes set text = 'mine' where id = 1");
  session.Commit();
  // The cursor still shows the rows as they were when it was opened.
  const auto rest = cursor->Fetch(10);
  ASSERT_EQ(rest.size(), 3u);
  EXPECT_EQ(rest.back()[0], Value::Number("5"));
  EXPECT_EQ(Text(One(other, "select text from notes where id = 1")), "mine");
  // The same for DDL.
  cursor->Execute({}, 1, 0, false);
  ASSERT_EQ(cursor->Fetch(1).size(), 1u);
  Run(other, "insert into notes values (11, 'other')");
  other.Commit();
  Run(session, "create table later_table (n number)");
  EXPECT_EQ(cursor->Fetch(100).size(), 5u);
}

TEST_F(SessionTest, DisconnectDiscardsTheTransaction) {
  Session& writer = System();
  Run(writer, "insert into notes values (1, 'lost')");
  sessions_.pop_back();  // log the writer off
  Session& other = System();
  Run(other, "insert into notes values (2, 'kept')");
  other.Commit();
  EXPECT_EQ(Count(other), "1");
}

TEST_F(SessionTest, DdlCommitsThePendingTransaction) {
  Session& writer = System();
  Session& reader = System();
  Run(writer, "insert into notes values (1, 'x')");
  Run(writer, "create table other_table (a number)");
  EXPECT_EQ(Count(reader), "1");
}

TEST_F(SessionTest, WriterWaitsForAnotherWritersCommit) {
  Session& first = System();
  Session& second = System();
  Run(first, "insert into notes values (1, 'first')");
  std::optional<SqlError> failure;
  std::thread waiting([&] {
    try {
      Run(second, "insert into notes values (2, 'second')");
      second.Commit();
    } catch (const SqlError& error) {
      failure = error;
    }
  });
  WaitUntilActive(second);
  first.Commit();
  waiting.join();
  EXPECT_FALSE(failure.has_value()) << failure->what();
  EXPECT_EQ(Count(first), "2");
}

TEST_F(SessionTest, SelectForUpdateLocksAndNowaitRefusesToWait) {
  Session& first = System();
  Session& second = System();
  Run(first, "select * from notes for update");
  EXPECT_STREQ(ErrorOf(second, "select id from notes for update of id nowait").what(),
               "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired");
  EXPECT_EQ(Count(second), "0");  // reading is never blocked
  first.Commit();
  Run(second, "select id from notes for update nowait");
  second.Rollback();
}

TEST_F(SessionTest, BreakEndsAWaitWithOra01013AndTheSessionGoesOn) {
  Session& first = System();
  Session& second = System();
  Run(first, "insert into notes values (1, 'first')");
  // Prepared beforehand, so that the session is busy only with the execution.
  auto insert = second.Prepare("insert into notes values (2, 'second')");
  std::optional<SqlError> failure;
  std::thread waiting([&] {
    try {
      insert->Execute({}, 1, 0, false);
    } catch (const SqlError& error) {
      failure = error;
    }
  });
  WaitUntilActive(second);
  second.Interrupt(1013);
  waiting.join();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->Code(), 1013);
  EXPECT_STREQ(failure->what(), "ORA-01013: user requested cancel of current operation");
  first.Rollback();
  Run(second, "insert into notes values (3, 'after break')");
  EXPECT_EQ(Count(second), "1");
}

TEST_F(SessionTest, BreakEndsARunningQuery) {
  Session& session = System();
  Bind ids;
  ids.name = "id";
  for (int id = 0; id < 1000; ++id) ids.values.push_back(Value::Number(std::to_string(id)));
  session.Prepare("insert into notes (id) values (:id)")->Execute({ids}, 1000, 0, true);
  // A billion combinations: far more than the break takes to arrive.
  auto query = session.Prepare("select count(*) from notes a, notes b, notes c");
  query->Execute({}, 1, 0, false);
  std::optional<SqlError> failure;
  std::thread running([&] {
    try {
      query->Fetch(1);
    } catch (const SqlError& error) {
      failure = error;
    }
  });
  WaitUntilActive(session);
  session.Interrupt(1013);
  running.join();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->Code(), 1013);
  EXPECT_EQ(Count(session), "1000");
}

TEST_F(SessionTest, KillEndsTheCurrentCallAndEveryLaterOne) {
  Session& first = System();
  Session& victim = LogOn("scott", "tiger");
  Run(first, "insert into notes values (1, 'first')");
  auto insert = victim.Prepare("insert into system.notes values (2, 'victim')");
  std::optional<SqlError> failure;
  std::thread waiting([&] {
    try {
      insert->Execute({}, 1, 0, false);
    } catch (const SqlError& error) {
      failure = error;
    }
  });
  WaitUntilActive(victim);
  const SessionRow row = victim.Describe();
  Run(first, "alter system kill session '" + std::to_string(row.sid) + "," +
                 std::to_string(row.serial) + "'");
  waiting.join();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->Code(), 28);
  EXPECT_STREQ(failure->what(), "ORA-00028: your session has been killed");
  EXPECT_EQ(ErrorOf(victim, "select 1 from dual").Code(), 28);
  EXPECT_EQ(victim.Describe().status, "KILLED");
}

TEST_F(SessionTest, KillingAnIdleSessionReleasesItsTransaction) {
  Session& victim = System();
  Run(victim, "insert into notes values (1, 'doomed')");
  victim.Interrupt(28);
  Session& other = System();
  Run(other, "insert into notes values (2, 'free to write')");
  other.Commit();
  EXPECT_EQ(Count(other), "1");
  EXPECT_THROW(victim.Commit(), SqlError);
}

TEST_F(SessionTest, KillNeedsPrivilegeAndAKnownSession) {
  Session& scott = LogOn("scott", "tiger");
  Session& admin = System();
  EXPECT_EQ(ErrorOf(scott, "alter system kill session '1,1'").Code(), 1031);
  EXPECT_EQ(ErrorOf(admin, "alter system kill session '999,1'").Code(), 30);
  EXPECT_EQ(ErrorOf(admin, "alter system kill session 'junk'").Code(), 26);
}

TEST_F(SessionTest, VSessionShowsTheLiveSessions) {
  Session& me = System();
  Session& scott = LogOn("scott", "tiger");
  (void)scott;
  const auto rows = Run(me,
                        "select sid, serial#, audsid, username, status, osuser, machine, program, "
                        "schemaname, client_info, logon_time from v$session where username = 'SCOTT'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][3], Value::Text("SCOTT"));
  EXPECT_EQ(rows[0][4], Value::Text("INACTIVE"));
  EXPECT_EQ(rows[0][5], Value::Text("tester"));
  EXPECT_EQ(rows[0][6], Value::Text("testhost"));
  EXPECT_EQ(rows[0][7], Value::Text("engine_tests"));
  EXPECT_EQ(rows[0][8], Value::Text("SCOTT"));
  EXPECT_TRUE(rows[0][9].IsNull());
  EXPECT_EQ(rows[0][10].kind, Value::Kind::Date);
  const auto mine = Run(me, "select status, audsid from v$session where audsid = userenv('SESSIONID')");
  ASSERT_EQ(mine.size(), 1u);
  EXPECT_EQ(mine[0][0], Value::Text("ACTIVE"));
  EXPECT_EQ(Text(One(me, "select count(*) from v$session")), std::to_string(sessions_.size()));
}

TEST_F(SessionTest, VersionBannerAndSessionSettings) {
  Session& session = System();
  EXPECT_EQ(Text(One(session, "select banner from v$version")),
            "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production");
  for (const char* sql : {"alter session set sql_trace = true", "alter session set optimizer_goal = first_rows",
                          "alter session set optimizer_mode = all_rows",
                          "alter session set isolation_level = read committed",
                          "alter session set isolation_level = serializable"})
    EXPECT_NO_THROW(Run(session, sql)) << sql;
  EXPECT_EQ(ErrorOf(session, "alter session set sql_trace = maybe").Code(), 96);
}

TEST_F(SessionTest, TablesBelongToTheirSchema) {
  Session& admin = System();
  Session& scott = LogOn("scott", "tiger");
  Run(admin, "insert into notes values (1, 'system note')");
  admin.Commit();
  EXPECT_EQ(ErrorOf(scott, "select * from notes").Code(), 942);
  EXPECT_EQ(Count(scott), "1");
  Run(scott, "create table notes (n number)");
  Run(scott, "insert into notes values (42)");
  EXPECT_EQ(Text(One(scott, "select n from notes")), "42");
  EXPECT_EQ(Text(One(scott, "select n from scott.notes")), "42");
  EXPECT_EQ(Count(admin), "1");
  Run(scott, "alter session set current_schema = system");
  EXPECT_EQ(Text(One(scott, "select text from notes")), "system note");
}

TEST_F(SessionTest, DictionaryViewsListUsersAndObjects) {
  Session& scott = LogOn("scott", "tiger");
  Run(scott, "create table gadgets (g number primary key)");
  const auto tables = Run(scott, "select table_name from user_tables");
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0][0], Value::Text("GADGETS"));
  EXPECT_EQ(Text(One(scott, "select count(*) from all_tables where owner = 'SYSTEM' and table_name = 'NOTES'")), "1");
  EXPECT_EQ(Text(One(scott, "select count(*) from user_objects where object_type = 'INDEX'")), "1");
  Run(System(), "alter user scott password grace 2");
  Run(System(), "grant select any dictionary to scott");  // the DBA_ views
  EXPECT_EQ(Text(One(scott, "select account_status from dba_users where username = 'SCOTT'")), "EXPIRED(GRACE)");
}

TEST_F(SessionTest, DataSurvivesARestart) {
  Session& session = System();
  Run(session, "insert into notes values (1, 'kept')");
  session.Commit();
  Run(session, "insert into notes values (2, 'not committed')");
  Reopen();
  Session& again = System();
  const auto rows = Run(again, "select id, text from notes");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1], Value::Text("kept"));
  LogOn("scott", "tiger");
}

TEST(ThrowawayDatabaseTest, MemoryInstanceWorksAndStartsEmpty) {
  TestDirectory directory;
  EngineOptions options;
  options.sysPassword = "secret";
  for (int round = 0; round < 2; ++round) {
    auto database = Database::Open(options, directory);
    LogonRequest request;
    request.user = "system";
    request.password = "secret";
    auto outcome = database->LogOn(request, 1, 1, 1);
    auto statement = outcome.session->Prepare("select count(*) from all_users where username = 'TEMP_USER'");
    statement->Execute({}, 1, 0, false);
    EXPECT_EQ(statement->Fetch(1)[0][0], Value::Number("0"));
    outcome.session->Prepare("create user temp_user identified by pw")->Execute({}, 1, 0, false);
  }
}

}  // namespace
}  // namespace devdb::sql::testing
