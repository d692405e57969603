// TLogOnForm: the small modal window of the logon and of the password change. Its controls
// keep the names and the design layout of the logon window (358 x 215 units at 120 pixels per
// inch, scaled to the screen); the window owns the focus rule, the Ctrl+Enter shortcut, the
// history popup and filling the fields from a history entry. Everything else is set by the
// code that shows it, through LogonWindow.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "logon/LogonWindow.h"

namespace vek {

class TLogOnForm : public QDialog, public LogonWindow {
  Q_OBJECT

 public:
  // The design layout's density.
  static constexpr int kDesignPixelsPerInch = 120;
  static constexpr int kDesignClientWidth = 358;
  static constexpr int kDesignClientHeight = 215;

  explicit TLogOnForm(QWidget* parent = nullptr);
  ~TLogOnForm() override;

  // Controls, under the names the code uses.
  QFrame* ButtonPanel = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
  QFrame* GroupBox = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* UsernameEdit = nullptr;
  QToolButton* HistoryBtn = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* PasswordEdit = nullptr;
  QFrame* DBPanel = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* DatabaseEdit = nullptr;
  QComboBox* AliasList = nullptr;
  QFrame* CAPanel = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* ConnectAsList = nullptr;
  QMenu* HistoryPopup = nullptr;

  // Design units to pixels on this window's screen.
  double Scale() const { return scale_; }
  int Scaled(int designUnits) const;

  // Handlers.
  void FormActivate();
  // True when the key was consumed: Enter with Ctrl held closes the window with OK.
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
  void HistoryBtnClick();
  void HistoryClick(int position);

  // LogonWindow.
  void SetTitle(const std::string& text) override;
  std::string Title() const override;
  void SetFontStyle(TFontStyles style) override;
  void SetOKCaption(const std::string& text) override;
  void SetCancelCaption(const std::string& text) override;
  void SetUsernameLabel(const std::string& text) override;
  void SetPasswordLabel(const std::string& text) override;
  void SetDatabaseLabel(const std::string& text) override;
  void SetConnectAsLabel(const std::string& text) override;
  std::string UsernameText() const override;
  void SetUsernameText(const std::string& text) override;
  std::string PasswordText() const override;
  void SetPasswordText(const std::string& text) override;
  std::string DatabaseText() const override;
  void SetDatabaseText(const std::string& text) override;
  std::string AliasText() const override;
  void SetAliasText(const std::string& text) override;
  int ConnectAsIndex() const override;
  void SetConnectAsIndex(int index) override;
  void HideDatabaseRow() override;
  void HideConnectAsRow() override;
  void UseAliasList(int dropDownCount, const std::vector<std::string>& entries) override;
  bool UsesAliasList() const override;
  void ShowHistoryButton(const std::string& hint, bool enabled) override;
  void SetUsernameMasked(bool masked) override;
  TLogonWindowResult ShowModal() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateControls();
  void SetTabOrder();
  void Place(QWidget* control, int left, int top, int width, int height);
  void HideRow(QFrame* row);
  // Stacks the bottom-aligned panels: the buttons at the foot of the window, the
  // Connect-as row and above it the database row at the foot of the frame.
  void AlignBottomPanels();
  void OKBtnClick();
  void CenterOnScreen();

  double scale_ = 1.0;
  bool ctrlAtOK_ = false;
};

}  // namespace vek
