// The smaller built-in packages: DBMS_APPLICATION_INFO shown live in V$SESSION, DBMS_SESSION,
// SYS.DIUTIL, DBMS_OUTPUT with its limits and DBMS_LOCK.SLEEP ended by a break.
#include <gtest/gtest.h>

#include <future>

#include "PlsqlFixture.h"

namespace devdb::plsql::testing {
namespace {

class BuiltinTest : public PlsqlFixture {
 protected:
  void SetUp() override {
    PlsqlFixture::SetUp();
    CreateUser("app", "app");
    Connect("system", "manager")->Run("GRANT SELECT ON V_$SESSION TO app");
    app_ = Connect("app", "app");
  }
  void TearDown() override {
    app_.reset();
    PlsqlFixture::TearDown();
  }
  std::unique_ptr<Connection> app_;
};

TEST_F(BuiltinTest, ApplicationInfoIsShownInVSessionAtOnce) {
  app_->Run("begin dbms_application_info.set_client_info('VEKDEBUGSESSION#APP'); end;");
  app_->Run(
      "begin sys.dbms_application_info.set_module('a module name that is longer than forty-eight "
      "bytes in all', 'act'); end;");
  auto other = Connect("app", "app");
  auto rows = other->Query(
      "SELECT client_info, module, action FROM v$session WHERE client_info = "
      "'VEKDEBUGSESSION#APP'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(
      Text(rows[0][1]),
      std::string("a module name that is longer than forty-eight bytes in all").substr(0, 48));
  EXPECT_EQ(Text(rows[0][2]), "act");
  EXPECT_EQ(Result(*app_, "begin dbms_application_info.read_client_info(:r); end;"),
            "VEKDEBUGSESSION#APP");
  app_->Run("begin dbms_application_info.set_action('next'); end;");
  EXPECT_EQ(Result(*app_,
                   "declare m varchar2(48); a varchar2(32); begin "
                   "dbms_application_info.read_module(m, a); :r := a; end;"),
            "next");
  // Client info is cut at 64 bytes without an error.
  app_->Run("begin dbms_application_info.set_client_info(rpad('c', 100, 'c')); end;");
  EXPECT_EQ(Result(*app_, "begin dbms_application_info.read_client_info(:r); end;").size(), 64u);
}

TEST_F(BuiltinTest, DiutilConvertsBooleans) {
  EXPECT_EQ(Result(*app_,
                   "begin :r := sys.diutil.bool_to_int(true) || sys.diutil.bool_to_int(false) || "
                   "nvl(to_char(sys.diutil.bool_to_int(null)), 'n'); end;"),
            "10n");
  EXPECT_EQ(Result(*app_,
                   "begin if sys.diutil.int_to_bool(1) and not diutil.int_to_bool(0) and "
                   "sys.diutil.int_to_bool(null) is null then :r := 'ok'; end if; end;"),
            "ok");
  EXPECT_EQ(app_->ErrorOf("declare b boolean; begin b := sys.diutil.int_to_bool(2); end;").Code(),
            6502);
}

TEST_F(BuiltinTest, DbmsOutputLines) {
  app_->Run("begin dbms_output.put_line('dropped while disabled'); end;");
  app_->Run(
      "begin dbms_output.enable; dbms_output.put('a'); dbms_output.put('b'); dbms_output.new_line; "
      "dbms_output.put_line('second'); end;");
  std::vector<BlockBind> binds{OutBind("line"), OutBind("status")};
  const std::string getLine = "begin dbms_output.get_line(:line, :status); end;";
  app_->Run(getLine, binds);
  EXPECT_EQ(Text(binds[0].values.at(0)), "ab");
  EXPECT_EQ(Text(binds[1].values.at(0)), "0");

  std::vector<BlockBind> many{TableBind("lines", 10), InBind("count", Number(10))};
  app_->Run("begin dbms_output.put_line('third'); dbms_output.get_lines(:lines, :count); end;",
            many);
  ASSERT_EQ(many[0].values.size(), 2u);
  EXPECT_EQ(Text(many[0].values[0]), "second");
  EXPECT_EQ(Text(many[0].values[1]), "third");
  EXPECT_EQ(Text(many[1].values.at(0)), "2");

  app_->Run(getLine, binds);
  EXPECT_EQ(Text(binds[1].values.at(0)), "1") << "no more lines";

  auto error = app_->ErrorOf(
      "begin dbms_output.enable(2000); for i in 1..30 loop dbms_output.put_line(rpad('x', 100, "
      "'x')); end loop; end;");
  EXPECT_EQ(error.Code(), 20000);
  EXPECT_EQ(std::string(error.what())
                .rfind("ORA-20000: ORU-10027: buffer overflow, limit of 2000 bytes", 0),
            0u)
      << error.what();
}

TEST_F(BuiltinTest, SleepEndsOnBreak) {
  app_->Run("begin dbms_lock.sleep(0.01); end;");
  auto sleeping = std::async(std::launch::async, [&] {
    return app_->ErrorOf("begin dbms_lock.sleep(100000); end;").Code();
  });
  Engine().Room().AwaitWaiters(1);
  app_->Procedural().Interrupt(1013);
  EXPECT_EQ(sleeping.get(), 1013);
}

}  // namespace
}  // namespace devdb::plsql::testing
