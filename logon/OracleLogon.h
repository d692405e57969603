// TOracleLogon: the component that logs a session on through the logon dialog, and the two
// operations beneath it: ExecuteLogonDialog, the attempt loop (pre-filling, the automatic
// first attempt with the UserId argument, retries, expired and expiring passwords, the logon
// history), and ChangePasswordDialog. Both talk to the window only through LogonWindow.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "access/Component.h"
#include "logon/LogonWindow.h"

namespace vek {

class TOracleSession;

enum TLogonOption {
  ldAuto = 0,
  ldDatabase = 1,
  ldDatabaseList = 2,
  ldLogonHistory = 3,
  ldConnectAs = 4
};

// A set of TLogonOption.
class TLogonOptions {
 public:
  TLogonOptions() = default;
  TLogonOptions(std::initializer_list<TLogonOption> options) {
    for (TLogonOption option : options) Include(option);
  }
  bool Contains(TLogonOption option) const { return (bits_ & Bit(option)) != 0; }
  void Include(TLogonOption option) { bits_ |= Bit(option); }
  void Exclude(TLogonOption option) { bits_ &= ~Bit(option); }
  bool operator==(const TLogonOptions& other) const = default;

 private:
  static unsigned Bit(TLogonOption option) { return 1u << static_cast<unsigned>(option); }
  unsigned bits_ = 0;
};

// The font style of every logon and password-change window; plain unless the application
// changes it.
inline TFontStyles LogonFontStyle = 0;

class TOracleLogon : public TComponent {
 public:
  explicit TOracleLogon(TComponent* owner = nullptr);
  ~TOracleLogon() override;

  // Published properties, in declaration order.
  TOracleSession* Session() const { return session_; }
  // The component is told when the session goes and then forgets it.
  void SetSession(TOracleSession* session);
  std::uint16_t Retries = 2;
  TLogonOptions Options{ldAuto, ldDatabase};
  std::int32_t AliasDropDownCount = 8;
  std::string HistoryRegSection;
  std::string HistoryIniFile;
  std::int32_t HistorySize = 6;
  bool HistoryWithPassword = false;
  std::string Caption;

  // True when at least one logon attempt was made, whether or not it succeeded: test the
  // session's Connected to know. False after Cancel on the first dialog or without a session.
  bool Execute();

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TOracleSession* session_ = nullptr;
};

// Runs the attempt loop on a fresh logon window; the result rule is Execute's. Removes ldAuto
// from options when it uses it.
bool ExecuteLogonDialog(TOracleSession* session, int retries, int dropDownCount,
                        TLogonOptions& options);

// Asks for a new password twice and applies it, logging on when the session is not
// connected. True when a new password was applied, false after Cancel.
bool ChangePasswordDialog(TOracleSession* session, const std::string& title);

// Upper case by the user locale's rules (letters beyond ASCII included), as the password
// change compares its two entries.
std::string UserLocaleUpperCase(const std::string& text);

}  // namespace vek
