// The monitor window. The pane is a plain-text view with a block limit, so appending stays
// cheap at any length and a monitor left running for days keeps constant memory.
#include "monitor/F_Pipewatch.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>

#include "monitor/MonitorTexts.h"
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
  FormCreate();
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
  connect(SchemaNames->lineEdit(), &QLineEdit::textEdited, this, [this] { SchemaNamesChange(); });
  connect(SchemaNames, &QComboBox::textActivated, this, [this] { SchemaNamesChange(); });
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
  Memo = new QPlainTextEdit(this);
  Memo->setObjectName(QStringLiteral("Memo"));
  Memo->setReadOnly(true);
  Memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setMaximumBlockCount(kDefaultMaxLines);
  setCentralWidget(Memo);
}

int TFormPipewatch::MaxLines() const { return Memo->maximumBlockCount(); }

void TFormPipewatch::SetMaxLines(int lines) { Memo->setMaximumBlockCount(lines < 1 ? 1 : lines); }

void TFormPipewatch::FormCreate() {}

void TFormPipewatch::SchemaNamesChange() {}

void TFormPipewatch::OracleAlertEventEvent(TOracleEvent*, const std::string&, const Variant&) {}

void TFormPipewatch::ActionClearExecute() { Memo->clear(); }

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
  Memo->appendPlainText(line);
  QScrollBar* scrollBar = Memo->verticalScrollBar();
  scrollBar->setValue(scrollBar->maximum());
}

void TFormPipewatch::closeEvent(QCloseEvent* event) { event->accept(); }

}  // namespace vek::monitor
