// The dialog texts for each user-interface language, and the start-up step that takes the
// language from the environment.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "logon/ZqaNLS.h"
#include "platform/ProgramArguments.h"

namespace vek {
namespace {

class ZqaNLSTest : public ::testing::Test {
 protected:
  void SetUp() override { RestoreEnglishTexts(); }
  void TearDown() override { RestoreEnglishTexts(); }
};

TEST_F(ZqaNLSTest, LocalesChooseTheirTexts) {
  struct Case {
    std::uint32_t localeId;
    const char* caption;
    const char* username;
    const char* confirm;
    const char* recordDeleted;
  };
  const std::vector<Case> cases = {
      {0x0414, "Oracle-pålogging", "Brukernavn", "Bekreft", "Posten er slettet av en annen bruker"},
      {0x0814, "Oracle-pålogging", "Brukarnamn", "Stadfest", "Posten er sletta av ein annan brukar"},
      {0x0409, "Oracle Logon", "Username", "Confirm", "Record has been deleted by another user"},
      {0x0C14, "Oracle Logon", "Username", "Confirm", "Record has been deleted by another user"},
      {0x0014, "Oracle Logon", "Username", "Confirm", "Record has been deleted by another user"},
      {0x041D, "Oracle Logon", "Username", "Confirm", "Record has been deleted by another user"},
      {0x10000, "Oracle Logon", "Username", "Confirm", "Record has been deleted by another user"},
  };
  for (const Case& c : cases) {
    RestoreEnglishTexts();
    ApplyUserInterfaceLanguage(c.localeId);
    EXPECT_EQ(TextLogonCaption, c.caption) << std::hex << c.localeId;
    EXPECT_EQ(TextUsername, c.username) << std::hex << c.localeId;
    EXPECT_EQ(TextConfirm, c.confirm) << std::hex << c.localeId;
    EXPECT_EQ(TextRecordDeleted, c.recordDeleted) << std::hex << c.localeId;
    EXPECT_EQ(TextConnectAs, "Connect as") << "never translated";
  }
}

TEST_F(ZqaNLSTest, NynorskAndBokmalDifferWhereTheyShould) {
  ApplyUserInterfaceLanguage(0x0814);
  EXPECT_EQ(TextChangePassword, "Endre passord");
  EXPECT_EQ(TextChangePasswordNow, "Vil du endre passordet no?");
  EXPECT_EQ(TextOldPassword, "Gamalt passord");
  EXPECT_EQ(TextPasswordExpired, "Levetida for passordet er over");
  RestoreEnglishTexts();
  ApplyUserInterfaceLanguage(0x0414);
  EXPECT_EQ(TextChangePassword, "Forandre passord");
  EXPECT_EQ(TextChangePasswordNow, "Vil du forandre passordet nå?");
  EXPECT_EQ(TextVerificationFailed, "Mislykket verifikasjon");
  EXPECT_EQ(TextCancel, "Avbryt");
  EXPECT_EQ(TextOK, "OK");
}

TEST_F(ZqaNLSTest, OverwrittenTextsStay) {
  TextLogonCaption = "Pipewatch";
  ApplyUserInterfaceLanguage(0x0409);
  EXPECT_EQ(TextLogonCaption, "Pipewatch");
}

TEST_F(ZqaNLSTest, StartUpStepReadsTheEnvironment) {
  ScopedEnvironmentVariable all("LC_ALL", std::nullopt);
  ScopedEnvironmentVariable messages("LC_MESSAGES", "nn_NO.UTF-8");
  ApplyUserInterfaceLanguage();
  EXPECT_EQ(TextUsername, "Brukarnamn");
}

}  // namespace
}  // namespace vek
