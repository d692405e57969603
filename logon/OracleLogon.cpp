// The logon procedure: the component's Execute around the history, the attempt loop of
// ExecuteLogonDialog, and the password change on the same window.
#include "logon/OracleLogon.h"

#include <exception>
#include <locale>
#include <memory>
#include <vector>

#include "access/OracleError.h"
#include "access/OracleSession.h"
#include "client/ClientLibrary.h"
#include "client/NetServiceNames.h"
#include "logon/HistoryItems.h"
#include "logon/LogonErrorTexts.h"
#include "logon/ZqaNLS.h"
#include "platform/Exception.h"
#include "platform/ProgramArguments.h"
#include "platform/TextCase.h"
#include "platform/TextEncoding.h"
#include "platform/UiHooks.h"

namespace vek {
namespace {

constexpr std::int32_t kPasswordExpired = 28001;
constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr const char* kReplacementUtf8 = "\xEF\xBF\xBD";

// A fresh window from the GUI's factory; without one, a window that keeps the values and
// raises only when it would have to be shown.
std::unique_ptr<LogonWindow> NewWindow() {
  if (LogonWindowFactoryInstalled()) return CreateLogonWindow();
  return std::make_unique<MemoryLogonWindow>();
}

int ConnectAsIndexOf(TConnectAsOption option) {
  switch (option) {
    case caSYSDBA: return 1;
    case caSYSOPER: return 2;
    default: return 0;
  }
}

TConnectAsOption ConnectAsOfIndex(int index) {
  switch (index) {
    case 1: return caSYSDBA;
    case 2: return caSYSOPER;
    default: return caNormal;
  }
}

void SetUpLogonWindow(LogonWindow& window, const TOracleSession& session, int dropDownCount,
                      const TLogonOptions& options) {
  window.SetFontStyle(LogonFontStyle);
  window.SetOKCaption(TextOK);
  window.SetCancelCaption(TextCancel);
  window.SetTitle(TextLogonCaption);
  window.SetUsernameLabel(TextUsername);
  window.SetPasswordLabel(TextPassword);
  window.SetDatabaseLabel(TextDatabase);
  window.SetConnectAsLabel(TextConnectAs);
  window.SetUsernameText(session.LogonUsername());
  window.SetPasswordText(session.LogonPassword());
  if (options.Contains(ldDatabaseList)) {
    // Reading the names loads the client library, so the flags below are current.
    const std::vector<std::string> names = NetServiceNames().Names();
    window.UseAliasList(dropDownCount, names);
    window.SetAliasText(session.LogonDatabase());
  } else {
    window.SetDatabaseText(session.LogonDatabase());
  }
  window.SetConnectAsIndex(ConnectAsIndexOf(session.ConnectAs));
  if (options.Contains(ldLogonHistory))
    window.ShowHistoryButton(TextLogonHistory, LogonHistory().Count() > 0);
  if (!options.Contains(ldDatabase)) window.HideDatabaseRow();
  const bool connectAsPossible = options.Contains(ldConnectAs) && HasOCI8() &&
                                 !session.Preferences().UseOCI7() && !DisableOCI8();
  if (!connectAsPossible) window.HideConnectAsRow();
}

void RecordLogon(const TOracleSession& session) {
  LogonHistory().AddLogon(session.LogonUsername(), session.LogonPassword(), session.LogonDatabase(),
                          ConnectAsToText(session.ConnectAs), true);
}

// One logon with the values the window holds. Oracle errors are answered here (the password
// change for an expired password, else the message); anything else leaves the loop.
void AttemptLogon(TOracleSession& session, const LogonWindow& window, const TLogonOptions& options,
                  bool record) {
  session.SetLogonUsername(window.UsernameText());
  session.SetLogonPassword(window.PasswordText());
  session.SetLogonDatabase(window.DatabaseValue());
  session.ConnectAs = caNormal;
  if (options.Contains(ldConnectAs)) session.ConnectAs = ConnectAsOfIndex(window.ConnectAsIndex());
  try {
    if (session.ODBCMode() && options.Contains(ldDatabaseList)) {
      // The library that suits the mode is loaded by the logon itself.
      session.LogOff();
      UnloadClientLibrary();
    }
    session.LogOn();
    if (!session.LogonWarning().empty() &&
        CurrentUiHooks().AskYesNo(session.LogonWarning() + "\r\n" + TextChangePasswordNow,
                                  TextConfirm)) {
      ChangePasswordDialog(&session, TextPasswordExpired);
    }
    if (record) RecordLogon(session);
  } catch (const EOracleError& error) {
    if (error.ErrorCode() == kPasswordExpired && UseOCI8()) {
      // A changed password logs on: that logon counts as successful as any other.
      if (ChangePasswordDialog(&session, TextPasswordExpired) && session.Connected() && record)
        RecordLogon(session);
    } else {
      CurrentUiHooks().ShowMessage(error.what(), std::string());
    }
  }
}

// The locale whose case rules the password comparison follows: the user's, when it reads
// UTF-8 text; else the Unicode rules of C.UTF-8; else ASCII.
const std::locale& CaseLocale() {
  static const std::locale locale = [] {
    auto readsUtf8 = [](const std::string& name) {
      const std::string upper = UpperCase(name);
      return upper.find("UTF-8") != std::string::npos || upper.find("UTF8") != std::string::npos;
    };
    try {
      std::locale user("");
      if (readsUtf8(user.name())) return user;
    } catch (const std::exception&) {
    }
    try {
      return std::locale("C.UTF-8");
    } catch (const std::exception&) {
      return std::locale::classic();
    }
  }();
  return locale;
}

}  // namespace

std::string UserLocaleUpperCase(const std::string& text) {
  const auto& facet = std::use_facet<std::ctype<wchar_t>>(CaseLocale());
  std::string out;
  out.reserve(text.size());
  for (std::size_t position = 0; position < text.size();) {
    const std::size_t start = position;
    const char32_t code = NextCodePoint(text, position);
    if (code == kReplacementCharacter && text.compare(start, position - start, kReplacementUtf8)) {
      out.append(text, start, position - start);  // a stray byte stays as it is
      continue;
    }
    AppendUtf8(out, static_cast<char32_t>(facet.toupper(static_cast<wchar_t>(code))));
  }
  return out;
}

TOracleLogon::TOracleLogon(TComponent* owner) : TComponent(owner) {}

TOracleLogon::~TOracleLogon() { Destroying(); }

void TOracleLogon::SetSession(TOracleSession* session) {
  if (session == session_) return;
  if (session_) session_->RemoveFreeNotification(this);
  session_ = session;
  if (session_) session_->FreeNotification(this);
}

void TOracleLogon::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == session_) session_ = nullptr;
}

bool TOracleLogon::Execute() {
  if (!session_) return false;
  THistoryItems& history = LogonHistory();
  if (Options.Contains(ldLogonHistory)) {
    history.WithPassword = HistoryWithPassword;
    history.Size = HistorySize;
    // A failed load leaves what was read; the logon goes on.
    try {
      if (!HistoryRegSection.empty()) {
        history.Clear();
        history.LoadFromRegistry(HistoryRegSection);
      } else if (!HistoryIniFile.empty()) {
        history.Clear();
        history.LoadFromIniFile(HistoryIniFile);
      }
    } catch (const std::exception&) {
    }
  }
  if (!Caption.empty()) TextLogonCaption = Caption;
  const bool result = ExecuteLogonDialog(session_, Retries, AliasDropDownCount, Options);
  if (Options.Contains(ldLogonHistory)) {
    try {
      if (!HistoryRegSection.empty()) {
        history.SaveToRegistry(HistoryRegSection);
      } else if (!HistoryIniFile.empty()) {
        history.SaveToIniFile(HistoryIniFile);
      }
    } catch (const std::exception&) {
    }
  }
  return result;
}

bool ExecuteLogonDialog(TOracleSession* session, int retries, int dropDownCount,
                        TLogonOptions& options) {
  if (!session) throw Exception(logon_texts::kSessionUndefined);
  std::unique_ptr<LogonWindow> window = NewWindow();
  SetUpLogonWindow(*window, *session, dropDownCount, options);

  enum class Action { show, logOn, cancel };
  int cycle = 0;
  bool result = false;
  Action action = Action::show;
  do {
    action = Action::show;
    bool ctrlDown = false;
    if (options.Contains(ldAuto) && cycle == 0) {
      options.Exclude(ldAuto);
      const std::string userId = CommandLineValue("UserId");
      if (!userId.empty()) {
        window->SetUsernameText(userId);
        window->SetPasswordText(std::string());
        window->SetDatabaseValue(std::string());
        action = Action::logOn;
      } else if (!session->LogonUsername().empty() && !session->LogonPassword().empty()) {
        action = Action::logOn;
      }
    }
    if (action == Action::show) {
      const TLogonWindowResult shown = window->ShowModal();
      action = shown.ok ? Action::logOn : Action::cancel;
      ctrlDown = shown.ok && shown.ctrlDown;
    }
    ++cycle;
    if (action == Action::logOn) {
      result = true;
      AttemptLogon(*session, *window, options, options.Contains(ldLogonHistory) && !ctrlDown);
      // The logon normalises the values and a password change replaces the password: the
      // next cycle shows what the session holds.
      window->SetUsernameText(session->LogonUsername());
      window->SetPasswordText(session->LogonPassword());
      window->SetDatabaseValue(session->LogonDatabase());
    }
  } while (!session->Connected() && action == Action::logOn && cycle <= retries);
  return result;
}

bool ChangePasswordDialog(TOracleSession* session, const std::string& title) {
  if (!session) throw Exception(logon_texts::kSessionUndefined);
  std::unique_ptr<LogonWindow> window = CreateLogonWindow();
  window->SetFontStyle(LogonFontStyle);
  window->SetTitle(title);
  window->SetUsernameLabel(TextNewPassword);
  window->SetUsernameMasked(true);
  window->SetUsernameText(std::string());
  window->SetPasswordLabel(TextVerification);
  window->SetPasswordText(std::string());
  window->HideDatabaseRow();
  window->HideConnectAsRow();
  window->SetOKCaption(TextOK);
  window->SetCancelCaption(TextCancel);
  for (;;) {
    if (!window->ShowModal().ok) return false;
    // Letter case does not count; the verification, as typed, is what the server receives.
    if (UserLocaleUpperCase(window->UsernameText()) !=
        UserLocaleUpperCase(window->PasswordText())) {
      CurrentUiHooks().ShowMessage(TextVerificationFailed, std::string());
      continue;
    }
    try {
      session->ChangePassword(window->PasswordText());
      if (!session->Connected()) session->LogOn();
      return true;
    } catch (const EOracleError& error) {
      CurrentUiHooks().ShowMessage(error.what(), std::string());
    }
  }
}

}  // namespace vek
