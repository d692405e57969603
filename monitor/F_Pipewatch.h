// The monitor's only window: a tool bar with the schema box and three actions above a
// read-only pane that shows one line per debug message. It owns the database components:
// the main session, its logon, a statement and the pipe and alert listeners. FormCreate logs
// on and arms the debug channel; every change of the schema box arms it again.
#pragma once

#include <QComboBox>
#include <QList>
#include <QStringList>
#include <QAction>
#include <QIcon>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QToolBar>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "access/Component.h"
#include "platform/Variant.h"

namespace vek {
class TOracleEvent;
class TOracleLogon;
class TOracleQuery;
class TOracleSession;
}  // namespace vek

namespace vek::monitor {

class TFormPipewatch : public QMainWindow {
  Q_OBJECT

 public:
  // The pane keeps this many of the newest lines unless told otherwise.
  static constexpr int kDefaultMaxLines = 100000;

  explicit TFormPipewatch(QWidget* parent = nullptr);
  ~TFormPipewatch() override;

  // Components, under the names the window gives them.
  QPlainTextEdit* Memo = nullptr;
  QWidget* CoolBar = nullptr;
  QToolBar* ToolBar = nullptr;
  QComboBox* SchemaNames = nullptr;
  QList<QIcon> ImageList;
  QAction* ActionClear = nullptr;
  QAction* ActionStayOnTop = nullptr;
  QAction* ActionHelp = nullptr;

  // Database components, owned by the window (freed with it, the listeners stopping first).
  TOracleSession* OracleSession = nullptr;
  TOracleLogon* OracleLogon = nullptr;
  TOracleQuery* OracleQuery = nullptr;
  TOracleEvent* OraclePipeEvent = nullptr;
  TOracleEvent* OracleAlertEvent = nullptr;

  // The pane's bound: older lines are dropped from the top beyond it.
  int MaxLines() const;
  void SetMaxLines(int lines);

  // Handlers. FormCreate logs on and arms the channel; false means the logon did not
  // succeed and the program ends without showing the window.
  bool FormCreate();
  void SchemaNamesChange();
  void ActionClearExecute();
  // Runs after the check-style action has flipped its checked state.
  void ActionStayOnTopExecute();
  void ActionHelpExecute();
  void OraclePipeEventEvent(TOracleEvent* Sender, const std::string& ObjectName,
                            const Variant& Info);
  void OracleAlertEventEvent(TOracleEvent* Sender, const std::string& ObjectName,
                             const Variant& Info);

  // Called first when the window is closed (the program uses it to bound how long the end
  // may take, whatever state the database or the network is in).
  std::function<void()> BeforeClose;

  // True while the window is getting the channel back after a lost connection.
  bool Recovering() const;

  // The window was declared to stay on top; taking the property away never changes that.
  static constexpr bool kDeclaredStayOnTop = true;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateToolBar();
  void CreateMemo();
  void CreateDatabaseComponents();
  void FillSchemaList();
  void ArmDebugChannel();
  std::string SchemaText() const;
  void AppendLine(const QString& line);

  void ArmReported();
  void ScheduleRecoveryAttempt(std::chrono::milliseconds delay);

  TComponent components_;
  std::unique_ptr<class TDebugChannel> channel_;
  std::unique_ptr<class TChannelRecovery> recovery_;

  // Lines delivered since the pane was last updated; they reach the pane in one edit at the
  // next turn of the event loop, so a fast channel costs one pane update per batch, not per
  // line. Never holds more than the pane's bound.
  QStringList pendingLines_;
  bool flushScheduled_ = false;
  int maxLines_ = kDefaultMaxLines;
  bool paintsHeld_ = false;
  // Holds the pane's paints until a frame has passed since its last paint.
  void HoldPaintsIfRecent();
  // Drops the oldest lines so that `room` more stay within the bound.
  void MakeRoom(int room);

 public:
  // Puts the pending lines into the pane now (the event loop does it by itself).
  void FlushPendingLines();
};

}  // namespace vek::monitor
