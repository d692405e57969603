// The texts of the logon and password-change dialogs and three record-conflict messages, as
// process-wide UTF-8 strings. They start in English; ApplyUserInterfaceLanguage, called once
// at start-up before the main window is created, puts in Norwegian (Bokmål or Nynorsk) ones
// when the user-interface language is Norwegian. Code may overwrite any entry afterwards.
#pragma once

#include <cstdint>
#include <string>

namespace vek {

extern std::string TextLogonCaption;
extern std::string TextChangePassword;
extern std::string TextConfirm;
extern std::string TextUsername;
extern std::string TextPassword;
extern std::string TextDatabase;
extern std::string TextConnectAs;
extern std::string TextNewPassword;
extern std::string TextOldPassword;
extern std::string TextVerification;
extern std::string TextVerificationFailed;
extern std::string TextChangePasswordNow;
extern std::string TextPasswordExpired;
extern std::string TextOK;
extern std::string TextCancel;
extern std::string TextLogonHistory;
extern std::string TextRecordLocked;
extern std::string TextRecordChanged;
extern std::string TextRecordDeleted;

// The start-up step: chooses the texts for the user-interface language of the process
// (platform UserInterfaceLocaleId). Call once, before the main window is created.
void ApplyUserInterfaceLanguage();
// The same for a given Windows-style locale identifier: primary language 20 (Norwegian) with
// sub-language 1 gives Bokmål, 2 Nynorsk; anything else leaves the texts as they are. An
// identifier whose low 16 bits are 0 counts as English (0x0409).
void ApplyUserInterfaceLanguage(std::uint32_t localeId);
// Puts back every English text; for tests.
void RestoreEnglishTexts();

}  // namespace vek
