// The monitor window. The pane is a plain-text view whose line bound the window keeps, so
// appending stays cheap at any length and a monitor left running for days keeps constant memory.
#include "monitor/F_Pipewatch.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include "access/OracleEvent.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "logon/OracleLogon.h"
#include "monitor/ChannelRecovery.h"
#include "monitor/DebugChannel.h"
#include "monitor/MonitorTexts.h"
#include "monitor/PipewatchApplication.h"
#include "monitor/ProgramResource.h"
#include "monitor/ToolIcons.h"
#include "monitor/TopMostWindows.h"
#include "platform/TextEncoding.h"
#include "platform/VariantText.h"

namespace vek::monitor {
namespace {

constexpr int kWindowWidth = 392;
constexpr int kWindowHeight = 465;
constexpr int kCoolBarHeight = 26;
constexpr int kBandMinimumHeight = 22;
constexpr int kSchemaNamesWidth = 145;
constexpr int kSeparatorWidth = 8;
constexpr const char* kSchemaListQuery = "select username from all_users order by username";
constexpr const char* kLogonHistoryKey = "Software\\VEK\\LogonHistory";
// The pane is painted at most once in this time; lines that come in between are in the pane
// at once and on the screen at its next paint.
constexpr std::chrono::milliseconds kPaintInterval{16};

// The pane, which notes when it was last painted.
class TPaneMemo : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;
  std::chrono::steady_clock::time_point lastPaint{};

 protected:
  void paintEvent(QPaintEvent* event) override {
    lastPaint = std::chrono::steady_clock::now();
    QPlainTextEdit::paintEvent(event);
  }
};

// Runs a handler's work and shows what escapes it in the standard error report; the window
// keeps its state.
template <class Work>
void Reported(Work&& work) {
  try {
    work();
  } catch (const std::exception& error) {
    PipewatchApplication::ShowException(error.what());
  }
}

}  // namespace

TFormPipewatch::TFormPipewatch(QWidget* parent) : QMainWindow(parent) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QStringLiteral("FormPipewatch"));
  setWindowTitle(QString::fromUtf8(texts::kApplicationTitle));
  resize(kWindowWidth, kWindowHeight);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  QPalette buttonFace = palette();
  buttonFace.setColor(QPalette::Window, buttonFace.color(QPalette::Button));
  setPalette(buttonFace);
  setWindowFlag(Qt::WindowStaysOnTopHint, kDeclaredStayOnTop);

  ImageList = CreateToolIcons();
  CreateActions();
  CreateToolBar();
  CreateMemo();
  CreateDatabaseComponents();
}

// The components' settings as the window was designed with them; the session starts
// disconnected with empty logon values.
void TFormPipewatch::CreateDatabaseComponents() {
  OracleSession = &components_.CreateOwned<TOracleSession>();
  OracleSession->SetName("OracleSession");
  ApplyMonitorSessionSettings(*OracleSession);

  OracleLogon = &components_.CreateOwned<TOracleLogon>();
  OracleLogon->SetName("OracleLogon");
  OracleLogon->SetSession(OracleSession);
  OracleLogon->Retries = 2;
  OracleLogon->Options = {ldAuto, ldDatabase, ldDatabaseList, ldLogonHistory};
  OracleLogon->AliasDropDownCount = 8;
  OracleLogon->HistoryRegSection = kLogonHistoryKey;
  OracleLogon->HistorySize = 6;
  OracleLogon->HistoryWithPassword = false;

  OracleQuery = &components_.CreateOwned<TOracleQuery>();
  OracleQuery->SetName("OracleQuery");
  ApplyMonitorQuerySettings(*OracleQuery, *OracleSession);
  OracleQuery->SQL = {kSchemaListQuery};

  auto createListener = [this](const char* name, bool alerts) {
    TOracleEvent& event = components_.CreateOwned<TOracleEvent>();
    event.SetName(name);
    ApplyMonitorListenerSettings(event, *OracleSession, alerts);
    return &event;
  };
  OraclePipeEvent = createListener("OraclePipeEvent", false);
  OraclePipeEvent->SetOnEvent(
      [this](TOracleEvent& sender, const std::string& objectName, const Variant& info) {
        OraclePipeEventEvent(&sender, objectName, info);
      });
  OracleAlertEvent = createListener("OracleAlertEvent", true);
  OracleAlertEvent->SetOnEvent(
      [this](TOracleEvent& sender, const std::string& objectName, const Variant& info) {
        OracleAlertEventEvent(&sender, objectName, info);
      });

  channel_ = std::make_unique<TDebugChannel>(*OracleSession, *OracleQuery, *OraclePipeEvent,
                                             *OracleAlertEvent, [this] { return SchemaText(); });

  // A listener that loses its connection is not left deaf: the window says so and gets the
  // channel back by itself. Other listener errors change nothing.
  TChannelRecovery::Hooks hooks;
  hooks.notice = [this](const std::string& line) { AppendLine(QString::fromStdString(line)); };
  hooks.schedule = [this](std::chrono::milliseconds delay) { ScheduleRecoveryAttempt(delay); };
  recovery_ = std::make_unique<TChannelRecovery>(*OracleSession, *OraclePipeEvent,
                                                 *OracleAlertEvent, *channel_, std::move(hooks));
  for (TOracleEvent* event : {OraclePipeEvent, OracleAlertEvent}) {
    event->SetOnError([this](TOracleEvent&, const std::exception& error) {
      recovery_->ListenerError(error);
    });
  }
}

// Safe from any thread: the attempt itself runs on the window's thread.
void TFormPipewatch::ScheduleRecoveryAttempt(std::chrono::milliseconds delay) {
  QMetaObject::invokeMethod(
      this,
      [this, delay] {
        QTimer::singleShot(delay, this, [this] {
          if (recovery_) recovery_->Attempt();
        });
      },
      Qt::QueuedConnection);
}

bool TFormPipewatch::Recovering() const { return recovery_->Recovering(); }

// The listeners stop before anything their deliveries use is gone; a delivery that is
// being handed over while they stop still finds the window whole.
TFormPipewatch::~TFormPipewatch() {
  for (TOracleEvent* event : {OraclePipeEvent, OracleAlertEvent}) event->SetOnError(nullptr);
  recovery_.reset();
  for (TOracleEvent* event : {OraclePipeEvent, OracleAlertEvent}) {
    try {
      event->Stop();
    } catch (const std::exception&) {
      // Closing goes on: the listener's own destruction finishes the stop.
    }
  }
}

void TFormPipewatch::CreateActions() {
  ActionClear = new QAction(ImageList[0], QString::fromUtf8(texts::kClearCaption), this);
  ActionClear->setObjectName(QStringLiteral("ActionClear"));
  ActionClear->setToolTip(QString::fromUtf8(texts::kClearHint));
  connect(ActionClear, &QAction::triggered, this, [this] { ActionClearExecute(); });

  ActionStayOnTop = new QAction(ImageList[1], QString::fromUtf8(texts::kStayOnTopCaption), this);
  ActionStayOnTop->setObjectName(QStringLiteral("ActionStayOnTop"));
  ActionStayOnTop->setToolTip(QString::fromUtf8(texts::kStayOnTopHint));
  ActionStayOnTop->setCheckable(true);
  ActionStayOnTop->setChecked(kDeclaredStayOnTop);
  connect(ActionStayOnTop, &QAction::triggered, this, [this] { ActionStayOnTopExecute(); });

  ActionHelp = new QAction(ImageList[2], QString::fromUtf8(texts::kHelpCaption), this);
  ActionHelp->setObjectName(QStringLiteral("ActionHelp"));
  ActionHelp->setToolTip(QString::fromUtf8(texts::kHelpHint));
  connect(ActionHelp, &QAction::triggered, this, [this] { ActionHelpExecute(); });
}

void TFormPipewatch::CreateToolBar() {
  CoolBar = new QWidget(this);
  CoolBar->setObjectName(QStringLiteral("CoolBar"));
  CoolBar->setFixedHeight(kCoolBarHeight);
  auto* band = new QHBoxLayout(CoolBar);
  band->setContentsMargins(2, 2, 2, 2);
  band->setSpacing(0);

  ToolBar = new QToolBar(CoolBar);
  ToolBar->setObjectName(QStringLiteral("ToolBar"));
  ToolBar->setMinimumHeight(kBandMinimumHeight);
  ToolBar->setMovable(false);
  ToolBar->setFloatable(false);
  ToolBar->setIconSize(QSize(16, 16));
  ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  ToolBar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; }"));

  SchemaNames = new QComboBox(ToolBar);
  SchemaNames->setObjectName(QStringLiteral("SchemaNames"));
  SchemaNames->setEditable(true);
  SchemaNames->setInsertPolicy(QComboBox::NoInsert);
  SchemaNames->setFixedWidth(kSchemaNamesWidth);
  SchemaNames->setToolTip(QString::fromUtf8(texts::kSchemaNamesHint));
  // Only the user's own changes count: typing in the box or choosing from the list.
  connect(SchemaNames->lineEdit(), &QLineEdit::textEdited, this,
          [this] { Reported([this] { SchemaNamesChange(); }); });
  connect(SchemaNames, &QComboBox::textActivated, this,
          [this] { Reported([this] { SchemaNamesChange(); }); });
  ToolBar->addWidget(SchemaNames);

  auto* separator = new QWidget(ToolBar);
  separator->setFixedWidth(kSeparatorWidth);
  ToolBar->addWidget(separator);

  ToolBar->addAction(ActionClear);
  ToolBar->addAction(ActionStayOnTop);
  ToolBar->addAction(ActionHelp);
  band->addWidget(ToolBar);
  setMenuWidget(CoolBar);
}

void TFormPipewatch::CreateMemo() {
  Memo = new TPaneMemo(this);
  Memo->setObjectName(QStringLiteral("Memo"));
  Memo->setReadOnly(true);
  Memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The window keeps the bound itself (MakeRoom), and a pane that only shows needs no undo.
  Memo->setUndoRedoEnabled(false);
  setCentralWidget(Memo);
}

int TFormPipewatch::MaxLines() const { return maxLines_; }

void TFormPipewatch::SetMaxLines(int lines) {
  maxLines_ = lines < 1 ? 1 : lines;
  while (pendingLines_.size() > maxLines_) pendingLines_.removeFirst();
  MakeRoom(0);
}

void TFormPipewatch::MakeRoom(int room) {
  QTextDocument* document = Memo->document();
  const int lines = document->isEmpty() ? 0 : document->blockCount();
  const int drop = lines + room - maxLines_;
  if (drop <= 0) return;
  // One selection by position: a cursor moved block by block (as the document's own block
  // limit does it) lays out every line it passes, which made a full pane several times
  // slower than a growing one.
  QTextCursor cursor(document);
  cursor.setPosition(0);
  if (drop >= lines) {
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  } else {
    cursor.setPosition(document->findBlockByNumber(drop).position(), QTextCursor::KeepAnchor);
  }
  cursor.removeSelectedText();
}

bool TFormPipewatch::FormCreate() {
  if (!OracleLogon->Execute() || !OracleSession->Connected()) return false;
  setWindowTitle(QString::fromUtf8(texts::kCaptionPrefix) +
                 QString::fromStdString(OracleSession->LogonUsername() + "@" +
                                        OracleSession->LogonDatabase()));
  Reported([this] {
    ActionStayOnTop->setChecked(kDeclaredStayOnTop);
    FillSchemaList();
    SchemaNames->setEditText(QString::fromStdString(SchemaName(OracleSession->LogonUsername())));
    ActionClearExecute();
    ArmReported();
  });
  return true;
}

void TFormPipewatch::FillSchemaList() {
  SchemaNames->clear();
  OracleQuery->SQL = {kSchemaListQuery};
  OracleQuery->Execute();
  while (!OracleQuery->Eof()) {
    SchemaNames->addItem(QString::fromStdString(OracleQuery->FieldAsString(0)));
    OracleQuery->Next();
  }
}

std::string TFormPipewatch::SchemaText() const {
  return SchemaNames->currentText().toStdString();
}

void TFormPipewatch::ArmDebugChannel() { channel_->Arm(); }

// Arming on the user's behalf: a success ends a recovery that was under way, and a lost
// connection starts one; the error still reaches the standard error report.
void TFormPipewatch::ArmReported() {
  try {
    ArmDebugChannel();
  } catch (const std::exception& error) {
    recovery_->ArmingFailed(error);
    throw;
  }
  recovery_->Armed();
}

void TFormPipewatch::SchemaNamesChange() { ArmReported(); }

void TFormPipewatch::OracleAlertEventEvent(TOracleEvent*, const std::string&, const Variant& Info) {
  if (!channel_->AnswerAlert(Info)) return;
  AppendLine(QString::fromUtf8(texts::kDebugSessionStarted));
}

void TFormPipewatch::ActionClearExecute() {
  pendingLines_.clear();
  Memo->clear();
}

void TFormPipewatch::ActionStayOnTopExecute() {
  if (ActionStayOnTop->isChecked()) {
    TopMostWindows::Restore();
  } else {
    TopMostWindows::Normalize();
  }
}

void TFormPipewatch::ActionHelpExecute() {
  const std::string bytes = ReadProgramResource(texts::kPackageResourceName);
  QString text = QString::fromStdString(Windows1252ToUtf8(bytes));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  pendingLines_.clear();
  Memo->setPlainText(text);
}

void TFormPipewatch::OraclePipeEventEvent(TOracleEvent*, const std::string&, const Variant& Info) {
  std::string line;
  if (Info.IsArray()) {
    for (int index = Info.LowBound(); index <= Info.HighBound(); ++index) {
      line += VariantToText(Info.Element(index));
      line += '\t';
    }
  }
  AppendLine(QString::fromStdString(line));
}

void TFormPipewatch::AppendLine(const QString& line) {
  pendingLines_.append(line);
  if (pendingLines_.size() > MaxLines()) pendingLines_.removeFirst();
  if (flushScheduled_) return;
  flushScheduled_ = true;
  QMetaObject::invokeMethod(this, &TFormPipewatch::FlushPendingLines, Qt::QueuedConnection);
}

void TFormPipewatch::FlushPendingLines() {
  flushScheduled_ = false;
  if (pendingLines_.isEmpty()) return;
  // One insertion of all lines: the pane adds a block per line and drops the oldest blocks
  // beyond its bound in a single step.
  MakeRoom(static_cast<int>(pendingLines_.size()));
  const QString text = pendingLines_.join(QLatin1Char('\n'));
  pendingLines_.clear();
  HoldPaintsIfRecent();
  Memo->appendPlainText(text);
  QScrollBar* scrollBar = Memo->verticalScrollBar();
  scrollBar->setValue(scrollBar->maximum());
}

void TFormPipewatch::HoldPaintsIfRecent() {
  // Painting the pane and its scroll bars costs far more than adding a line; a channel that
  // delivers a line every few hundred microseconds would spend most of the processor on it.
  if (paintsHeld_ || !Memo->isVisible()) return;
  const auto sincePaint =
      std::chrono::steady_clock::now() - static_cast<TPaneMemo*>(Memo)->lastPaint;
  if (sincePaint >= kPaintInterval) return;
  paintsHeld_ = true;
  Memo->setUpdatesEnabled(false);
  QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(kPaintInterval - sincePaint),
                     this, [this] {
                       paintsHeld_ = false;
                       Memo->setUpdatesEnabled(true);
                     });
}

void TFormPipewatch::closeEvent(QCloseEvent* event) {
  if (BeforeClose) BeforeClose();
  event->accept();
}

}  // namespace vek::monitor
