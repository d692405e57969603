// The logon window's controls in their design layout, scaled by the screen's logical density
// over 120 pixels per inch, and its four behaviours: the focus rule, Ctrl+Enter, the history
// popup and filling the fields from an entry.
#include "logon/LogOnForm.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QShowEvent>
#include <cmath>

#include "logon/HistoryItems.h"

namespace vek {
namespace {

// Each bevel of the frame around the rows takes one pixel; its bottom-aligned rows sit
// inside both. Bevels are not scaled.
constexpr int kFrameBevels = 2;

// Every masked field shows "*" for each character, whatever the style's own mask is.
const char* const kStarMask = "QLineEdit { lineedit-password-character: 42; }";

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }
std::string ToUtf8(const QString& text) { return text.toStdString(); }

// The history button's glyph: three small black squares in a row, an ellipsis, on the
// button's own face.
QIcon EllipsisGlyph() {
  QPixmap glyph(10, 8);
  glyph.fill(Qt::transparent);
  QPainter painter(&glyph);
  for (int left : {0, 4, 8}) painter.fillRect(left, 4, 2, 2, Qt::black);
  painter.end();
  QIcon icon;
  icon.addPixmap(glyph, QIcon::Normal);
  // Disabled: the squares greyed, as a disabled speed button shows its glyph.
  QPixmap disabled(10, 8);
  disabled.fill(Qt::transparent);
  QPainter grey(&disabled);
  for (int left : {0, 4, 8}) grey.fillRect(left, 4, 2, 2, QColor(128, 128, 128));
  grey.end();
  icon.addPixmap(disabled, QIcon::Disabled);
  return icon;
}

QFrame* NewPanel(QWidget* parent, const char* name, QFrame::Shape shape) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(name);
  panel->setFrameShape(shape);
  return panel;
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* text) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

QLineEdit* NewEdit(QWidget* parent, const char* name, const char* text) {
  auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
  edit->setObjectName(name);
  return edit;
}

// A popup caption shows its text as it stands: "&" would otherwise mark a mnemonic.
QString MenuCaption(const std::string& text) {
  return FromUtf8(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

TLogOnForm::TLogOnForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("LogOnForm"));
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen) scale_ = screen->logicalDotsPerInchY() / kDesignPixelsPerInch;
  setWindowTitle(QStringLiteral("Oracle Logon"));
  // "MS Sans Serif" of 13 pixels at 120 pixels per inch: 7.8 points.
  QFont designFont = font();
  designFont.setPointSizeF(13.0 * 72.0 / kDesignPixelsPerInch);
  setFont(designFont);
  setFixedSize(Scaled(kDesignClientWidth), Scaled(kDesignClientHeight));
  setSizeGripEnabled(false);
  CreateControls();
  SetTabOrder();
  AlignBottomPanels();
  // Key preview: the window sees key presses before the focused control.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

TLogOnForm::~TLogOnForm() = default;

int TLogOnForm::Scaled(int designUnits) const {
  return static_cast<int>(std::lround(designUnits * scale_));
}

void TLogOnForm::Place(QWidget* control, int left, int top, int width, int height) {
  control->setGeometry(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
}

void TLogOnForm::CreateControls() {
  ButtonPanel = NewPanel(this, "ButtonPanel", QFrame::NoFrame);
  ButtonPanel->resize(width(), Scaled(47));
  OKBtn = new QPushButton(QStringLiteral("OK"), ButtonPanel);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setDefault(true);
  Place(OKBtn, 12, 6, 97, 33);
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), ButtonPanel);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setAutoDefault(false);
  Place(CancelBtn, 120, 6, 97, 33);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  // Raised inner and lowered outer bevel: an etched frame.
  GroupBox = NewPanel(this, "GroupBox", QFrame::Box);
  GroupBox->setFrameShadow(QFrame::Sunken);
  GroupBox->setLineWidth(1);
  GroupBox->setMidLineWidth(0);
  Place(GroupBox, 8, 8, 343, 153);

  Label1 = NewLabel(GroupBox, "Label1", "Username");
  Place(Label1, 8, 24, 115, 16);
  UsernameEdit = NewEdit(GroupBox, "UsernameEdit", "UsernameEdit");
  Place(UsernameEdit, 128, 20, 185, 24);
  HistoryBtn = new QToolButton(GroupBox);
  HistoryBtn->setObjectName(QStringLiteral("HistoryBtn"));
  HistoryBtn->setFocusPolicy(Qt::NoFocus);  // a speed button never takes the focus
  HistoryBtn->setIcon(EllipsisGlyph());
  HistoryBtn->setIconSize(QSize(10, 8));
  HistoryBtn->setVisible(false);
  Place(HistoryBtn, 316, 20, 20, 25);
  connect(HistoryBtn, &QToolButton::clicked, this, [this] { HistoryBtnClick(); });
  Label2 = NewLabel(GroupBox, "Label2", "Password");
  Place(Label2, 8, 56, 115, 16);
  PasswordEdit = NewEdit(GroupBox, "PasswordEdit", "PasswordEdit");
  PasswordEdit->setEchoMode(QLineEdit::Password);
  PasswordEdit->setStyleSheet(QString::fromLatin1(kStarMask));
  Place(PasswordEdit, 128, 52, 185, 24);

  DBPanel = NewPanel(GroupBox, "DBPanel", QFrame::NoFrame);
  DBPanel->resize(GroupBox->width() - 2 * kFrameBevels, Scaled(32));
  Label3 = NewLabel(DBPanel, "Label3", "Database");
  Place(Label3, 8, 4, 113, 16);
  DatabaseEdit = NewEdit(DBPanel, "DatabaseEdit", "DatabaseEdit");
  Place(DatabaseEdit, 126, 0, 185, 24);
  AliasList = new QComboBox(DBPanel);
  AliasList->setObjectName(QStringLiteral("AliasList"));
  AliasList->setEditable(true);
  AliasList->setInsertPolicy(QComboBox::NoInsert);
  AliasList->setEditText(QStringLiteral("AliasList"));
  AliasList->setVisible(false);
  Place(AliasList, 224, 0, 89, 24);

  CAPanel = NewPanel(GroupBox, "CAPanel", QFrame::NoFrame);
  CAPanel->resize(GroupBox->width() - 2 * kFrameBevels, Scaled(35));
  Label4 = NewLabel(CAPanel, "Label4", "Connect as");
  Place(Label4, 8, 4, 113, 16);
  ConnectAsList = new QComboBox(CAPanel);
  ConnectAsList->setObjectName(QStringLiteral("ConnectAsList"));
  ConnectAsList->addItems(
      {QStringLiteral("Normal"), QStringLiteral("SYSDBA"), QStringLiteral("SYSOPER")});
  Place(ConnectAsList, 126, 0, 95, 24);

  HistoryPopup = new QMenu(this);
  HistoryPopup->setObjectName(QStringLiteral("HistoryPopup"));
  QAction* history = HistoryPopup->addAction(QStringLiteral("History"));
  history->setObjectName(QStringLiteral("History"));
  history->setData(0);
  connect(history, &QAction::triggered, this, [this] { HistoryClick(0); });
}

// Tab order per parent as designed: the button panel first, then the frame's fields top to
// bottom, the database row's field before its list.
void TLogOnForm::SetTabOrder() {
  QWidget::setTabOrder(OKBtn, CancelBtn);
  QWidget::setTabOrder(CancelBtn, UsernameEdit);
  QWidget::setTabOrder(UsernameEdit, PasswordEdit);
  QWidget::setTabOrder(PasswordEdit, DatabaseEdit);
  QWidget::setTabOrder(DatabaseEdit, AliasList);
  QWidget::setTabOrder(AliasList, ConnectAsList);
}

void TLogOnForm::AlignBottomPanels() {
  ButtonPanel->setGeometry(0, height() - ButtonPanel->height(), width(), ButtonPanel->height());
  int bottom = GroupBox->height() - kFrameBevels;
  const int rowWidth = GroupBox->width() - 2 * kFrameBevels;
  for (QFrame* row : {CAPanel, DBPanel}) {
    if (row->isHidden()) continue;
    row->setGeometry(kFrameBevels, bottom - row->height(), rowWidth, row->height());
    bottom -= row->height();
  }
}

void TLogOnForm::HideRow(QFrame* row) {
  if (row->isHidden()) return;
  row->setVisible(false);
  GroupBox->resize(GroupBox->width(), GroupBox->height() - row->height());
  setFixedSize(width(), height() - row->height());
  AlignBottomPanels();
}

void TLogOnForm::HideDatabaseRow() { HideRow(DBPanel); }
void TLogOnForm::HideConnectAsRow() { HideRow(CAPanel); }

void TLogOnForm::UseAliasList(int dropDownCount, const std::vector<std::string>& entries) {
  AliasList->setVisible(true);
  AliasList->setGeometry(DatabaseEdit->x(), AliasList->y(), DatabaseEdit->width(),
                         AliasList->height());
  AliasList->setMaxVisibleItems(dropDownCount > 0 ? dropDownCount : 1);
  const QString text = AliasList->currentText();
  AliasList->clear();
  for (const std::string& entry : entries) AliasList->addItem(FromUtf8(entry));
  AliasList->setEditText(text);
  DatabaseEdit->setVisible(false);
}

bool TLogOnForm::UsesAliasList() const { return !AliasList->isHidden(); }

void TLogOnForm::FormActivate() {
  if (!UsernameEdit->text().isEmpty()) {
    PasswordEdit->setFocus();
  } else {
    UsernameEdit->setFocus();
  }
}

bool TLogOnForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if ((key != Qt::Key_Return && key != Qt::Key_Enter) || !(modifiers & Qt::ControlModifier))
    return false;
  ctrlAtOK_ = true;
  accept();
  return true;
}

void TLogOnForm::OKBtnClick() {
  ctrlAtOK_ = (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0;
  accept();
}

void TLogOnForm::HistoryBtnClick() {
  HistoryPopup->clear();
  const THistoryItems& history = LogonHistory();
  for (int position = 0; position < history.Count(); ++position) {
    const std::string caption = history[position].DisplayText();
    if (caption == "-") {
      // A menu draws "-" as a separator line; as the first item it would only be a line.
      if (!HistoryPopup->actions().isEmpty()) HistoryPopup->addSeparator();
      continue;
    }
    QAction* item = HistoryPopup->addAction(MenuCaption(caption));
    item->setData(position);
    connect(item, &QAction::triggered, this, [this, position] { HistoryClick(position); });
  }
  const QPoint belowButton(HistoryBtn->x(), HistoryBtn->y() + HistoryBtn->height());
  HistoryPopup->popup(GroupBox->mapToGlobal(belowButton));
}

void TLogOnForm::HistoryClick(int position) {
  const THistoryItems& history = LogonHistory();
  // The list may have changed since the popup was built.
  if (position < 0 || position >= history.Count()) return;
  FillFromHistoryItem(*this, history[position], history.WithPassword);
}

bool TLogOnForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && isAncestorOf(qobject_cast<QWidget*>(watched))) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (FormKeyDown(key->key(), key->modifiers())) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TLogOnForm::keyPressEvent(QKeyEvent* event) {
  if (FormKeyDown(event->key(), event->modifiers())) return;
  QDialog::keyPressEvent(event);
}

void TLogOnForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormActivate();
}

void TLogOnForm::CenterOnScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

TLogonWindowResult TLogOnForm::ShowModal() {
  ctrlAtOK_ = false;
  CenterOnScreen();
  const bool ok = exec() == QDialog::Accepted;
  return {ok, ok && ctrlAtOK_};
}

void TLogOnForm::SetTitle(const std::string& text) { setWindowTitle(FromUtf8(text)); }
std::string TLogOnForm::Title() const { return ToUtf8(windowTitle()); }

void TLogOnForm::SetFontStyle(TFontStyles style) {
  QFont styled = font();
  styled.setBold((style & fsBold) != 0);
  styled.setItalic((style & fsItalic) != 0);
  styled.setUnderline((style & fsUnderline) != 0);
  styled.setStrikeOut((style & fsStrikeOut) != 0);
  setFont(styled);
}

void TLogOnForm::SetOKCaption(const std::string& text) { OKBtn->setText(FromUtf8(text)); }
void TLogOnForm::SetCancelCaption(const std::string& text) { CancelBtn->setText(FromUtf8(text)); }
void TLogOnForm::SetUsernameLabel(const std::string& text) { Label1->setText(FromUtf8(text)); }
void TLogOnForm::SetPasswordLabel(const std::string& text) { Label2->setText(FromUtf8(text)); }
void TLogOnForm::SetDatabaseLabel(const std::string& text) { Label3->setText(FromUtf8(text)); }
void TLogOnForm::SetConnectAsLabel(const std::string& text) { Label4->setText(FromUtf8(text)); }

std::string TLogOnForm::UsernameText() const { return ToUtf8(UsernameEdit->text()); }
void TLogOnForm::SetUsernameText(const std::string& text) { UsernameEdit->setText(FromUtf8(text)); }
std::string TLogOnForm::PasswordText() const { return ToUtf8(PasswordEdit->text()); }
void TLogOnForm::SetPasswordText(const std::string& text) { PasswordEdit->setText(FromUtf8(text)); }
std::string TLogOnForm::DatabaseText() const { return ToUtf8(DatabaseEdit->text()); }
void TLogOnForm::SetDatabaseText(const std::string& text) { DatabaseEdit->setText(FromUtf8(text)); }
std::string TLogOnForm::AliasText() const { return ToUtf8(AliasList->currentText()); }
void TLogOnForm::SetAliasText(const std::string& text) { AliasList->setEditText(FromUtf8(text)); }
int TLogOnForm::ConnectAsIndex() const { return ConnectAsList->currentIndex(); }
void TLogOnForm::SetConnectAsIndex(int index) {
  ConnectAsList->setCurrentIndex(index >= 0 && index < ConnectAsList->count() ? index : 0);
}

void TLogOnForm::ShowHistoryButton(const std::string& hint, bool enabled) {
  HistoryBtn->setToolTip(FromUtf8(hint));
  HistoryBtn->setEnabled(enabled);
  HistoryBtn->setVisible(true);
}

void TLogOnForm::SetUsernameMasked(bool masked) {
  UsernameEdit->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
  UsernameEdit->setStyleSheet(masked ? QString::fromLatin1(kStarMask) : QString());
}

}  // namespace vek
