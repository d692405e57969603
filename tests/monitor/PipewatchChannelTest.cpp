// The whole monitor end to end: the real window (offscreen) logs on to a devdb process through
// the substitute client library, lists the schemas, arms the debug channel, and shows what
// sessions of the armed schema send with Vek_Debug.PRINT.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "access/OracleEvent.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "monitor/F_Pipewatch.h"
#include "monitor/QtUiHooks.h"
#include "platform/ProgramArguments.h"
#include "platform/UiHooks.h"
#include "platform/UserLocale.h"
#include "tests/monitor/MonitorDevdbFixture.h"

namespace vek::monitor {
namespace {

using testing::WaitUntil;

class PipewatchChannel : public testing::MonitorDevdbTest {};

TEST_F(PipewatchChannel, LogonAsAppInSmallLettersArmsForTheSchemaApp) {
  TFormPipewatch& window = StartedWindow();
  EXPECT_EQ(window.windowTitle().toStdString(),
            "VEK - Tracescope for app@" + Database())
      << "the caption keeps the user name as it was typed";
  EXPECT_EQ(window.SchemaNames->currentText(), "APP");
  EXPECT_TRUE(window.ActionStayOnTop->isChecked());
  EXPECT_EQ(window.Memo->toPlainText(), "");
  QStringList schemas;
  for (int i = 0; i < window.SchemaNames->count(); ++i) schemas << window.SchemaNames->itemText(i);
  EXPECT_TRUE(schemas.contains("APP") && schemas.contains("SCOTT") && schemas.contains("SYSTEM"))
      << schemas.join(",").toStdString();
  EXPECT_EQ(MarkedClientInfo(Session("system", "manager")), "VEKDEBUGSESSION#APP");
  EXPECT_TRUE(window.OraclePipeEvent->Started());
  EXPECT_TRUE(window.OracleAlertEvent->Started());
  EXPECT_EQ(window.OraclePipeEvent->ObjectNames(), "VEK_DEBUG#APP");
  EXPECT_EQ(window.OracleAlertEvent->ObjectNames(), "VEK_DEBUG#APP");
  EXPECT_TRUE(messages_.empty()) << messages_.front();
}

TEST_F(PipewatchChannel, EachPrintOfTheArmedSchemaBecomesOneLine) {
  TFormPipewatch& window = StartedWindow();
  TOracleSession& sender = Session("app", "app");
  const std::string today = One(sender, "select to_char(sysdate, 'DD.MM.YYYY') from dual");
  Print(sender, "first");
  Print(sender, "second");
  ASSERT_TRUE(WaitUntil([&] { return HasLineEndingWith(window, "\tAPP\tsecond\t"); }))
      << Lines(window).join("|").toStdString();
  QStringList printed;
  for (const QString& line : Lines(window)) {
    if (line.endsWith("\tAPP\tfirst\t") || line.endsWith("\tAPP\tsecond\t")) printed << line;
  }
  ASSERT_EQ(printed.size(), 2) << "one line per call, in the order of the calls";
  EXPECT_TRUE(printed[0].endsWith("first\t"));
  EXPECT_TRUE(printed[0].startsWith(QString::fromStdString(today) + " "))
      << "the server date in the locale's short format, then the time: "
      << printed[0].toStdString();
}

TEST_F(PipewatchChannel, ASenderThatStartedBeforeTheMonitorIsSilentUntilArming) {
  TOracleSession& sender = Session("app", "app");
  Print(sender, "before any monitor");
  TFormPipewatch& window = StartedWindow();
  Print(sender, "after arming");
  ASSERT_TRUE(WaitUntil([&] { return HasLineEndingWith(window, "\tAPP\tafter arming\t"); }))
      << Lines(window).join("|").toStdString();
  EXPECT_FALSE(HasLineEndingWith(window, "\tbefore any monitor\t"));
}

TEST_F(PipewatchChannel, ASenderStartingWhileTheMonitorListensAddsDebugSessionStarted) {
  TFormPipewatch& window = StartedWindow();
  TOracleSession& sender = Session("app", "app");
  Print(sender, "hello");
  EXPECT_TRUE(WaitUntil([&] {
    return HasLine(window, "Debug session started") &&
           HasLineEndingWith(window, "\tAPP\thello\t");
  })) << Lines(window).join("|").toStdString();
}

TEST_F(PipewatchChannel, AMonitorThatStoppedReadingFindsThePurgeNoticeOfTheSender) {
  TOracleSession& sender = Session("app", "app");
  StartedWindow();
  Print(sender, "while the monitor listens");
  windows_.clear();  // the monitor is closed; the sender goes on

  bool waited = false;
  for (int call = 0; call < 5000 && !waited; ++call) {
    const auto start = std::chrono::steady_clock::now();
    Print(sender, "nobody reads this message, number " + std::to_string(call));
    waited = std::chrono::steady_clock::now() - start > std::chrono::milliseconds(800);
  }
  ASSERT_TRUE(waited) << "a call waits about a second once the pipe is full";
  TOracleQuery nameQuery;
  nameQuery.SetSession(&sender);
  nameQuery.SQL = {"begin :name := dbms_pipe.unique_session_name; end;"};
  nameQuery.DeclareVariable("name", 5);
  nameQuery.Execute();
  const std::string uniqueName = nameQuery.GetVariable("name").AsString();

  TFormPipewatch& next = StartedWindow();
  ASSERT_TRUE(WaitUntil([&] { return !Lines(next).isEmpty(); }));
  EXPECT_TRUE(Lines(next).first().endsWith(QString::fromStdString(
      "\tAPP\t** Message queue purged AND debugging disabled FOR process " + uniqueName + "\t")))
      << Lines(next).first().toStdString();
}

TEST_F(PipewatchChannel, OnlyTheExactAlertStartedIsAnswered) {
  TFormPipewatch& window = StartedWindow();
  int alerts = 0;
  window.OracleAlertEvent->SetOnEvent(
      [&](TOracleEvent& sender, const std::string& name, const Variant& info) {
        window.OracleAlertEventEvent(&sender, name, info);
        ++alerts;
      });
  TOracleSession& system = Session("system", "manager");
  for (const char* message : {"ENABLE", "started", "Started "}) {
    const int before = alerts;
    Run(system, std::string("begin dbms_alert.signal('VEK_DEBUG#APP', '") + message +
                    "'); commit; end;");
    ASSERT_TRUE(WaitUntil([&] { return alerts > before; })) << message;
    EXPECT_FALSE(HasLine(window, "Debug session started")) << message;
  }
  Run(system, "begin dbms_alert.signal('VEK_DEBUG#APP', 'STARTED'); commit; end;");
  EXPECT_TRUE(WaitUntil([&] { return HasLine(window, "Debug session started"); }));
}

TEST_F(PipewatchChannel, EveryChangeOfTheSchemaBoxArmsTheChannelAgain) {
  TFormPipewatch& window = StartedWindow();
  TOracleSession& system = Session("system", "manager");
  QLineEdit* box = window.SchemaNames->lineEdit();
  box->clear();
  struct Step {
    const char* typed;
    const char* channel;
  };
  const Step steps[] = {{"a", "VEK_DEBUG#A"}, {"b", "VEK_DEBUG#AB"}};
  for (const Step& step : steps) {
    QTest::keyClicks(box, step.typed);
    EXPECT_EQ(window.OraclePipeEvent->ObjectNames(), step.channel);
    EXPECT_EQ(window.OracleAlertEvent->ObjectNames(), step.channel);
    EXPECT_EQ(MarkedClientInfo(system),
              "VEKDEBUGSESSION#" + std::string(step.channel).substr(10));
  }
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(window.OraclePipeEvent->ObjectNames(), "VEK_DEBUG#")
      << "an empty box arms for the empty schema name";

  QTest::keyClicks(box, "o'hara");
  EXPECT_EQ(window.OraclePipeEvent->ObjectNames(), "VEK_DEBUG#O'HARA");
  EXPECT_TRUE(window.OracleAlertEvent->Started());
  EXPECT_TRUE(messages_.empty()) << "a quote in the box arms without an error: "
                                 << messages_.front();

  // Choosing from the list arms too; the channel then carries that schema's output.
  const int scott = window.SchemaNames->findText("SCOTT");
  ASSERT_GE(scott, 0);
  window.SchemaNames->setCurrentIndex(scott);
  emit window.SchemaNames->textActivated("SCOTT");
  EXPECT_EQ(window.OraclePipeEvent->ObjectNames(), "VEK_DEBUG#SCOTT");
  TOracleSession& sender = Session("scott", "tiger");
  Print(sender, "from scott");
  EXPECT_TRUE(WaitUntil([&] { return HasLineEndingWith(window, "\tSCOTT\tfrom scott\t"); }));
}

TEST_F(PipewatchChannel, ADebugTextNearThePipeLimitWithNonAsciiLettersArrivesWhole) {
  TFormPipewatch& window = StartedWindow();
  TOracleSession& sender = Session("app", "app");
  std::string text;
  while (text.size() < 4010) text += "blåbærsyltetøy ";
  Print(sender, text);
  EXPECT_TRUE(WaitUntil([&] {
    return HasLineEndingWith(window, "\tAPP\t" + QString::fromStdString(text) + "\t");
  })) << "a " << text.size() << "-byte text";
  EXPECT_TRUE(messages_.empty()) << messages_.front();
}

}  // namespace
}  // namespace vek::monitor
