// LogonWindow: what the logon procedure and the password change need from the logon window,
// so that both stay standard C++ and can be driven by a scripted window in tests. The GUI
// installs a factory for its real window at start-up (InstallQtLogonWindows); without one,
// asking for a window raises an exception.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vek {

class THistoryItem;

// A font style set for the window's font: any of these bits.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// How a modal run of the window ended. ctrlDown tells whether the Ctrl key was down at the
// moment the window closed with OK (always false after Cancel).
struct TLogonWindowResult {
  bool ok = false;
  bool ctrlDown = false;
};

class LogonWindow {
 public:
  virtual ~LogonWindow() = default;

  virtual void SetTitle(const std::string& text) = 0;
  virtual std::string Title() const = 0;
  virtual void SetFontStyle(TFontStyles style) = 0;
  virtual void SetOKCaption(const std::string& text) = 0;
  virtual void SetCancelCaption(const std::string& text) = 0;
  // The labels of the four rows, top to bottom.
  virtual void SetUsernameLabel(const std::string& text) = 0;
  virtual void SetPasswordLabel(const std::string& text) = 0;
  virtual void SetDatabaseLabel(const std::string& text) = 0;
  virtual void SetConnectAsLabel(const std::string& text) = 0;

  virtual std::string UsernameText() const = 0;
  virtual void SetUsernameText(const std::string& text) = 0;
  virtual std::string PasswordText() const = 0;
  virtual void SetPasswordText(const std::string& text) = 0;
  // The plain database field, and the text of the database list.
  virtual std::string DatabaseText() const = 0;
  virtual void SetDatabaseText(const std::string& text) = 0;
  virtual std::string AliasText() const = 0;
  virtual void SetAliasText(const std::string& text) = 0;
  // 0 Normal, 1 SYSDBA, 2 SYSOPER.
  virtual int ConnectAsIndex() const = 0;
  virtual void SetConnectAsIndex(int index) = 0;

  // Hides a row; the window and the frame around the rows lose the row's height.
  virtual void HideDatabaseRow() = 0;
  virtual void HideConnectAsRow() = 0;
  // Replaces the plain database field by an editable list of these entries.
  virtual void UseAliasList(int dropDownCount, const std::vector<std::string>& entries) = 0;
  virtual bool UsesAliasList() const = 0;
  virtual void ShowHistoryButton(const std::string& hint, bool enabled) = 0;
  // The password change shows each character of the first field as "*".
  virtual void SetUsernameMasked(bool masked) = 0;

  // Shows the window modally until OK or Cancel.
  virtual TLogonWindowResult ShowModal() = 0;

  // The database text as the procedure carries it: the list's with the list in use, else
  // the plain field's.
  std::string DatabaseValue() const { return UsesAliasList() ? AliasText() : DatabaseText(); }
  void SetDatabaseValue(const std::string& text) {
    if (UsesAliasList()) {
      SetAliasText(text);
    } else {
      SetDatabaseText(text);
    }
  }
};

// A window that only holds its values and cannot be shown: ShowModal raises the exception of
// a missing logon window. The procedure uses it when no factory is installed, so that a logon
// through the program argument needs no GUI; scripted test windows build on it.
class MemoryLogonWindow : public LogonWindow {
 public:
  void SetTitle(const std::string& text) override { title = text; }
  std::string Title() const override { return title; }
  void SetFontStyle(TFontStyles style) override { fontStyle = style; }
  void SetOKCaption(const std::string& text) override { okCaption = text; }
  void SetCancelCaption(const std::string& text) override { cancelCaption = text; }
  void SetUsernameLabel(const std::string& text) override { usernameLabel = text; }
  void SetPasswordLabel(const std::string& text) override { passwordLabel = text; }
  void SetDatabaseLabel(const std::string& text) override { databaseLabel = text; }
  void SetConnectAsLabel(const std::string& text) override { connectAsLabel = text; }
  std::string UsernameText() const override { return username; }
  void SetUsernameText(const std::string& text) override { username = text; }
  std::string PasswordText() const override { return password; }
  void SetPasswordText(const std::string& text) override { password = text; }
  std::string DatabaseText() const override { return database; }
  void SetDatabaseText(const std::string& text) override { database = text; }
  std::string AliasText() const override { return alias; }
  void SetAliasText(const std::string& text) override { alias = text; }
  int ConnectAsIndex() const override { return connectAsIndex; }
  void SetConnectAsIndex(int index) override { connectAsIndex = index; }
  void HideDatabaseRow() override { databaseRowVisible = false; }
  void HideConnectAsRow() override { connectAsRowVisible = false; }
  void UseAliasList(int dropDownCount, const std::vector<std::string>& entries) override {
    usesAliasList = true;
    aliasDropDownCount = dropDownCount;
    aliasEntries = entries;
  }
  bool UsesAliasList() const override { return usesAliasList; }
  void ShowHistoryButton(const std::string& hint, bool enabled) override {
    historyButtonVisible = true;
    historyHint = hint;
    historyButtonEnabled = enabled;
  }
  void SetUsernameMasked(bool masked) override { usernameMasked = masked; }
  TLogonWindowResult ShowModal() override;

  std::string title, okCaption, cancelCaption;
  std::string usernameLabel, passwordLabel, databaseLabel, connectAsLabel;
  std::string username, password, database, alias;
  TFontStyles fontStyle = 0;
  int connectAsIndex = 0;
  bool databaseRowVisible = true;
  bool connectAsRowVisible = true;
  bool usesAliasList = false;
  int aliasDropDownCount = 0;
  std::vector<std::string> aliasEntries;
  bool historyButtonVisible = false;
  bool historyButtonEnabled = false;
  std::string historyHint;
  bool usernameMasked = false;
};

// Fills the fields from a history entry: the password only when the list keeps passwords;
// the database also when its row is hidden; Normal unless the entry names SYSDBA or SYSOPER.
void FillFromHistoryItem(LogonWindow& window, const THistoryItem& item, bool withPassword);

using LogonWindowFactory = std::function<std::unique_ptr<LogonWindow>()>;

// Installs the factory for every later window and returns the one it replaces.
LogonWindowFactory InstallLogonWindowFactory(LogonWindowFactory factory);
bool LogonWindowFactoryInstalled();
// A fresh window from the installed factory; raises Exception when none is installed.
std::unique_ptr<LogonWindow> CreateLogonWindow();

}  // namespace vek
