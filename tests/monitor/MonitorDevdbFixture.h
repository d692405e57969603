// The fixture of the monitor's end-to-end tests: a devdb process of its own with the users APP
// (owner of Vek_Debug) and SCOTT, the substitute client library loaded as the program loads it,
// the program arguments of a monitor that logs on as app, UI hooks that record messages
// instead of showing them, and helpers to wait for the pane while serving the event loop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "monitor/F_Pipewatch.h"
#include "monitor/QtUiHooks.h"
#include "platform/ProgramArguments.h"
#include "platform/UiHooks.h"
#include "platform/UserLocale.h"
#include "tests/support/DevdbProcess.h"
#include "tests/access/Statements.h"
#include "tests/client/ClientTestEnvironment.h"
#include "tests/support/PackageScript.h"

namespace vek::monitor::testing {

using vek::testing::ClientTestEnvironment;
using vek::testing::PackageScriptStatements;

inline const LocaleFormats kNorwegian{"dd.MM.yyyy", "HH:mm:ss", ','};

// The window's own hooks, but messages are recorded instead of shown, so that nothing modal
// waits for a person.
class RecordingQtUiHooks : public QtUiHooks {
 public:
  explicit RecordingQtUiHooks(std::vector<std::string>& messages) : messages_(messages) {}
  void ShowMessage(const std::string& text, const std::string&) override {
    messages_.push_back(text);
  }
  bool AskYesNo(const std::string& text, const std::string&) override {
    messages_.push_back(text);
    return false;
  }

 private:
  std::vector<std::string>& messages_;
};

// Serves the event loop until the condition holds or the bound passes.
inline bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds bound = std::chrono::seconds(20)) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > bound.count()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

class MonitorDevdbTest : public ::testing::Test {
 protected:
  explicit MonitorDevdbTest(const std::vector<std::string>& serverArguments = {"--memory"}) {
    StartServer(serverArguments);
    previousHooks_ = InstallUiHooks(std::make_unique<RecordingQtUiHooks>(messages_));
    SetMonitorArguments("UserId=app/app@" + Database());
    TOracleSession& system = Session("system", "manager");
    Run(system, "create user app identified by app");
    Run(system, "grant create session to app");
    // What the package's installation and its code need.
    Run(system, "grant create public synonym to app");
    Run(system, "grant select on v_$session to app");
    Run(system, "create user scott identified by tiger");
    Run(system, "grant create session to scott");
    InstallPackage();
  }
  ~MonitorDevdbTest() override {
    windows_.clear();
    sessions_.clear();
    InstallUiHooks(std::move(previousHooks_));
  }

  void StartServer(const std::vector<std::string>& arguments) {
    server_ = std::make_unique<devdb::testing::DevdbProcess>(arguments);
    port_ = server_->Port();
  }
  // Ends the server as a crash would, or as SIGTERM asks.
  void StopServer(int signal) {
    server_->Stop(signal);
    server_.reset();
  }
  std::string Database() const { return "127.0.0.1:" + std::to_string(port_); }
  std::uint16_t Port() const { return port_; }

  // Installs Vek_Debug as its owner APP, whose session then ends.
  void InstallPackage() {
    const auto owner = vek::testing::LoggedOnSession("app", "app", Database());
    for (const std::string& statement : PackageScriptStatements(VEK_PACKAGE_SCRIPT)) {
      Run(*owner, statement);
    }
  }

  static void SetMonitorArguments(const std::string& userId) {
    SetProgramArguments({"pipewatch", "OCIDLL=" VEK_DEVDB_CLNTSH, userId});
  }

  TOracleSession& Session(const std::string& user, const std::string& password) {
    sessions_.push_back(vek::testing::LoggedOnSession(user, password, Database()));
    return *sessions_.back();
  }
  static void Run(TOracleSession& session, const std::string& sql) {
    vek::testing::RunStatement(session, sql);
  }
  static std::string One(TOracleSession& session, const std::string& sql) {
    return vek::testing::FirstValue(session, sql);
  }
  static void Print(TOracleSession& sender, const std::string& text) {
    TOracleQuery query;
    query.SetSession(&sender);
    query.SQL = {"begin Vek_Debug.print(:text); end;"};
    query.DeclareVariable("text", 10);  // otPLSQLString: texts longer than a SQL string
    query.SetVariable("text", Variant(text));
    query.Execute();
  }

  // A window that has logged on and armed, as the program's start leaves it.
  TFormPipewatch& StartedWindow() {
    auto window = std::make_unique<TFormPipewatch>();
    EXPECT_TRUE(window->FormCreate()) << "the logon did not succeed";
    window->show();
    windows_.push_back(std::move(window));
    return *windows_.back();
  }

  static QStringList Lines(const TFormPipewatch& window) {
    QStringList lines;
    for (QTextBlock block = window.Memo->document()->begin(); block.isValid();
         block = block.next()) {
      if (!block.text().isEmpty() || block.next().isValid()) lines << block.text();
    }
    return lines;
  }
  static bool HasLine(const TFormPipewatch& window, const QString& line) {
    return Lines(window).contains(line);
  }
  static bool HasLineEndingWith(const TFormPipewatch& window, const QString& end) {
    for (const QString& line : Lines(window)) {
      if (line.endsWith(end)) return true;
    }
    return false;
  }

  static std::string MarkedClientInfo(TOracleSession& system) {
    return One(system,
               "select client_info from v$session where client_info like 'VEKDEBUGSESSION#%'");
  }

  ScopedUserLocale locale_{kNorwegian};
  ClientTestEnvironment environment_;
  std::unique_ptr<devdb::testing::DevdbProcess> server_;
  std::uint16_t port_ = 0;
  std::vector<std::string> messages_;
  std::unique_ptr<UiHooks> previousHooks_;
  std::vector<std::unique_ptr<TOracleSession>> sessions_;
  std::vector<std::unique_ptr<TFormPipewatch>> windows_;
};

}  // namespace vek::monitor::testing
