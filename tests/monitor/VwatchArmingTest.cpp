// The window and vwatch arm the debug channel through the same code: with statement tracing
// on (each statement shown as a message before it runs, recorded here), both run the same
// statements on their main session to arm and to answer "STARTED".
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "access/DBMS_Application_Info.h"
#include "access/OraclePackage.h"
#include "monitor/DebugChannel.h"
#include "tests/monitor/MonitorDevdbFixture.h"
#include "tools/vwatch/Watcher.h"

namespace vek::monitor {
namespace {

using testing::WaitUntil;

class VwatchArming : public testing::MonitorDevdbTest {
 protected:
  static void TraceStatements(TOracleSession& session, TOracleQuery& query) {
    query.Debug = true;
    session.DBMS_Application_Info().Package().Debug = true;
  }
  // The traced statements from the first after the schema list on.
  std::vector<std::string> TakeStatements() {
    std::vector<std::string> statements;
    for (const std::string& text : messages_) {
      if (text.rfind("select username from all_users", 0) == 0) continue;
      statements.push_back(text);
    }
    messages_.clear();
    return statements;
  }
  static bool HasSignalBlock(const std::vector<std::string>& statements) {
    for (const std::string& text : statements) {
      if (text.find(SignalEnableBlock("APP")) != std::string::npos) return true;
    }
    return false;
  }
};

TEST_F(VwatchArming, TheWindowAndVwatchRunTheSameStatementsToArmAndToAnswerStarted) {
  std::vector<std::string> window;
  std::vector<std::string> windowAnswer;
  {
    auto form = std::make_unique<TFormPipewatch>();
    TraceStatements(*form->OracleSession, *form->OracleQuery);
    ASSERT_TRUE(form->FormCreate());
    window = TakeStatements();
    TOracleSession& sender = Session("app", "app");
    Print(sender, "first use of the package signals STARTED");
    ASSERT_TRUE(WaitUntil([&] { return HasLine(*form, "Debug session started"); }));
    windowAnswer = TakeStatements();
    sender.LogOff();
  }

  vwatch::TMainLoop loop;
  std::ostringstream out;
  std::ostringstream notices;
  std::vector<std::string> watcher;
  std::vector<std::string> watcherAnswer;
  {
    vwatch::TWatcher watch(loop, out, notices, {});
    TraceStatements(watch.Session(), *watch.OracleQuery);
    watch.Session().SetLogonUsername("app/app@" + Database());
    watch.Session().LogOn();
    ASSERT_TRUE(watch.Start(watch.Session().LogonUsername())) << notices.str();
    watcher = TakeStatements();
    TOracleSession& sender = Session("app", "app");
    Print(sender, "first use of the package signals STARTED");
    ASSERT_TRUE(WaitUntil([&] {
      return notices.str().find("Debug session started") != std::string::npos;
    })) << notices.str();
    watcherAnswer = TakeStatements();
    sender.LogOff();
    watch.Stop();
  }

  ASSERT_EQ(window.size(), 2u) << "marking the session, then signalling ENABLE";
  EXPECT_NE(window[0].find(SessionMarker("APP")), std::string::npos) << window[0];
  EXPECT_TRUE(HasSignalBlock({window[1]})) << window[1];
  EXPECT_EQ(watcher, window);
  EXPECT_TRUE(HasSignalBlock(windowAnswer));
  EXPECT_EQ(watcherAnswer, windowAnswer);
}

}  // namespace
}  // namespace vek::monitor
