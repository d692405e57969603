// The monitor's only window: a tool bar with the schema box and three actions above a
// read-only pane that shows one line per debug message. What the window does with the
// database at start and when the schema changes is filled into FormCreate,
// SchemaNamesChange and OracleAlertEventEvent.
#pragma once

#include <QComboBox>
#include <QList>
#include <QAction>
#include <QIcon>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QToolBar>
#include <string>

#include "platform/Variant.h"

namespace vek {
class TOracleEvent;
}

namespace vek::monitor {

class TFormPipewatch : public QMainWindow {
  Q_OBJECT

 public:
  // The pane keeps this many of the newest lines unless told otherwise.
  static constexpr int kDefaultMaxLines = 100000;

  explicit TFormPipewatch(QWidget* parent = nullptr);

  // Components, under the names the window gives them.
  QPlainTextEdit* Memo = nullptr;
  QWidget* CoolBar = nullptr;
  QToolBar* ToolBar = nullptr;
  QComboBox* SchemaNames = nullptr;
  QList<QIcon> ImageList;
  QAction* ActionClear = nullptr;
  QAction* ActionStayOnTop = nullptr;
  QAction* ActionHelp = nullptr;

  // The pane's bound: older lines are dropped from the top beyond it.
  int MaxLines() const;
  void SetMaxLines(int lines);

  // Handlers.
  void FormCreate();
  void SchemaNamesChange();
  void ActionClearExecute();
  // Runs after the check-style action has flipped its checked state.
  void ActionStayOnTopExecute();
  void ActionHelpExecute();
  void OraclePipeEventEvent(TOracleEvent* Sender, const std::string& ObjectName,
                            const Variant& Info);
  void OracleAlertEventEvent(TOracleEvent* Sender, const std::string& ObjectName,
                             const Variant& Info);

  // The window was declared to stay on top; taking the property away never changes that.
  static constexpr bool kDeclaredStayOnTop = true;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateToolBar();
  void CreateMemo();
  void AppendLine(const QString& line);
};

}  // namespace vek::monitor
