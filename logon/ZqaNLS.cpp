// The text table of the logon dialogs and its Norwegian forms, chosen once at start-up.
#include "logon/ZqaNLS.h"

#include "platform/UserInterfaceLanguage.h"

namespace vek {

std::string TextLogonCaption;
std::string TextChangePassword;
std::string TextConfirm;
std::string TextUsername;
std::string TextPassword;
std::string TextDatabase;
std::string TextConnectAs;
std::string TextNewPassword;
std::string TextOldPassword;
std::string TextVerification;
std::string TextVerificationFailed;
std::string TextChangePasswordNow;
std::string TextPasswordExpired;
std::string TextOK;
std::string TextCancel;
std::string TextLogonHistory;
std::string TextRecordLocked;
std::string TextRecordChanged;
std::string TextRecordDeleted;

namespace {

constexpr std::uint32_t kPrimaryNorwegian = 20;
constexpr std::uint32_t kSubLanguageBokmal = 1;
constexpr std::uint32_t kSubLanguageNynorsk = 2;

// One row of the table: the variable and its three forms; nullptr keeps the English text.
struct TextEntry {
  std::string* variable;
  const char* english;
  const char* bokmal;
  const char* nynorsk;
};

const TextEntry kTextTable[] = {
    {&TextLogonCaption, "Oracle Logon", "Oracle-pålogging", "Oracle-pålogging"},
    {&TextChangePassword, "Change password", "Forandre passord", "Endre passord"},
    {&TextConfirm, "Confirm", "Bekreft", "Stadfest"},
    {&TextUsername, "Username", "Brukernavn", "Brukarnamn"},
    {&TextPassword, "Password", "Passord", "Passord"},
    {&TextDatabase, "Database", "Database", "Database"},
    {&TextConnectAs, "Connect as", nullptr, nullptr},
    {&TextNewPassword, "New password", "Nytt passord", "Nytt passord"},
    {&TextOldPassword, "Old password", "Gammelt passord", "Gamalt passord"},
    {&TextVerification, "Verification", "Verifiser", "Verifiser"},
    {&TextVerificationFailed, "Verification failed", "Mislykket verifikasjon",
     "Mislykka verifikasjon"},
    {&TextChangePasswordNow, "Do you wish to change your password now?",
     "Vil du forandre passordet nå?", "Vil du endre passordet no?"},
    {&TextPasswordExpired, "Your password has expired", "Levetiden for passordet er over",
     "Levetida for passordet er over"},
    {&TextOK, "OK", "OK", "OK"},
    {&TextCancel, "Cancel", "Avbryt", "Avbryt"},
    {&TextLogonHistory, "Logon history", "Påloggingshistorie", "Påloggingshistorie"},
    {&TextRecordLocked, "Record is locked by another user", "Posten er låst av en annen bruker",
     "Posten er låst av ein annan brukar"},
    {&TextRecordChanged, "Record has been changed by another user",
     "Posten er endret av en annen bruker", "Posten er endra av ein annan brukar"},
    {&TextRecordDeleted, "Record has been deleted by another user",
     "Posten er slettet av en annen bruker", "Posten er sletta av ein annan brukar"},
};

// Gives every entry its English value during static initialisation, before any start-up
// code (this file defines the variables, so they are constructed before this object).
struct EnglishTextsAtLoad {
  EnglishTextsAtLoad() { RestoreEnglishTexts(); }
};
const EnglishTextsAtLoad englishTextsAtLoad;

}  // namespace

void RestoreEnglishTexts() {
  for (const TextEntry& entry : kTextTable) *entry.variable = entry.english;
}

void ApplyUserInterfaceLanguage(std::uint32_t localeId) {
  std::uint32_t languageId = localeId & 0xFFFF;
  if (languageId == 0) languageId = kLocaleEnglishUS;
  const std::uint32_t primary = languageId & 0x3FF;
  const std::uint32_t subLanguage = languageId >> 10;
  if (primary != kPrimaryNorwegian) return;
  const bool bokmal = subLanguage == kSubLanguageBokmal;
  if (!bokmal && subLanguage != kSubLanguageNynorsk) return;
  for (const TextEntry& entry : kTextTable) {
    const char* text = bokmal ? entry.bokmal : entry.nynorsk;
    if (text) *entry.variable = text;
  }
}

void ApplyUserInterfaceLanguage() { ApplyUserInterfaceLanguage(UserInterfaceLocaleId()); }

}  // namespace vek
