// The logon procedure with the real Qt windows against devdb: typing into the fields,
// logging on with OK and with Ctrl held, the password change in its masked fields, and the
// component's title in a Norwegian user interface.
#include <gtest/gtest.h>

#include <QTest>
#include <string>

#include "logon/OracleLogon.h"
#include "logon/QtLogonWindows.h"
#include "tests/logon/DialogDriver.h"
#include "tests/logon/LogonFixture.h"

namespace vek::testing {
namespace {

class LogonDialogDevdbTest : public LogonFixture {
 protected:
  LogonDialogDevdbTest() {
    previous_ = InstallLogonWindowFactory(nullptr);
    InstallQtLogonWindows();
  }
  ~LogonDialogDevdbTest() override { InstallLogonWindowFactory(std::move(previous_)); }

  TOracleLogon& Logon(TOracleSession& session, TLogonOptions options) {
    logon_.SetSession(&session);
    logon_.Options = options;
    return logon_;
  }

  static void Type(QLineEdit* field, const QString& text) {
    field->clear();
    QTest::keyClicks(field, text);
  }

  DialogDriver driver_;
  ScopedAnsweringHooks hooks_;
  TOracleLogon logon_;

 private:
  LogonWindowFactory previous_;
};

TEST_F(LogonDialogDevdbTest, AWrongPasswordTypedThenTheRightOne) {
  TOracleSession& session = NewSession("", "", Database());
  std::string refilledUser, refilledPassword;
  driver_.actions = {[](TLogOnForm& form) {
                       Type(form.UsernameEdit, "SYSTEM");
                       Type(form.PasswordEdit, "wrong");
                       QTest::keyClick(form.PasswordEdit, Qt::Key_Return);
                     },
                     [&](TLogOnForm& form) {
                       refilledUser = form.UsernameText();
                       refilledPassword = form.PasswordText();
                       EXPECT_EQ(form.focusWidget(), form.PasswordEdit);
                       Type(form.PasswordEdit, "manager");
                       QTest::mouseClick(form.OKBtn, Qt::LeftButton);
                     }};
  EXPECT_TRUE(Logon(session, {ldDatabase}).Execute());
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(UserOf(session), "SYSTEM");
  EXPECT_EQ(refilledUser, "SYSTEM");
  EXPECT_EQ(refilledPassword, "wrong");
  ASSERT_EQ(hooks_->messages.size(), 1u);
}

TEST_F(LogonDialogDevdbTest, OKWithCtrlHeldLogsOnWithoutRecordingTheLogon) {
  TOracleSession& session = NewSession("system", "", Database());
  TOracleLogon& logon = Logon(session, {ldDatabase, ldLogonHistory});
  driver_.actions = {[](TLogOnForm& form) {
    Type(form.PasswordEdit, "manager");
    QTest::mouseClick(form.OKBtn, Qt::LeftButton, Qt::ControlModifier);
  }};
  EXPECT_TRUE(logon.Execute());
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(LogonHistory().Count(), 0);

  driver_.actions = {[](TLogOnForm& form) {
    EXPECT_FALSE(form.HistoryBtn->isEnabled()) << "nothing recorded yet";
    Type(form.PasswordEdit, "manager");
    QTest::keyClick(form.PasswordEdit, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
  }};
  EXPECT_TRUE(logon.Execute());
  EXPECT_EQ(LogonHistory().Count(), 0) << "Ctrl+Shift+Enter records nothing either";

  driver_.actions = {[](TLogOnForm& form) {
    Type(form.PasswordEdit, "manager");
    QTest::mouseClick(form.OKBtn, Qt::LeftButton);
  }};
  EXPECT_TRUE(logon.Execute());
  ASSERT_EQ(LogonHistory().Count(), 1);
  EXPECT_EQ(LogonHistory()[0].Username, "system");

  // The next dialog offers it; picking it and Ctrl+Enter logs on without a second entry.
  driver_.actions = {[&](TLogOnForm& form) {
    EXPECT_TRUE(form.HistoryBtn->isEnabled());
    form.SetUsernameText("");
    QTest::mouseClick(form.HistoryBtn, Qt::LeftButton);
    QMenu& popup = *form.HistoryPopup;
    ASSERT_EQ(popup.actions().size(), 1);
    QTest::mouseClick(&popup, Qt::LeftButton, {},
                      popup.actionGeometry(popup.actions()[0]).center());
    EXPECT_EQ(form.UsernameText(), "system");
    EXPECT_EQ(form.DatabaseText(), Database());
    Type(form.PasswordEdit, "manager");
    QTest::keyClick(form.PasswordEdit, Qt::Key_Enter, Qt::ControlModifier);
  }};
  EXPECT_TRUE(logon.Execute());
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(LogonHistory().Count(), 1);
}

TEST_F(LogonDialogDevdbTest, AnExpiredPasswordIsChangedInTheMaskedDialog) {
  CreateUser("qt_expired", "Old1");
  AsAdmin({"alter user qt_expired password expire"});
  TOracleSession& session = NewSession("qt_expired", "", Database());
  std::string title, firstLabel, secondLabel;
  int heightLost = 0, rowsHeight = -1;
  driver_.actions = {[](TLogOnForm& form) {
                       Type(form.PasswordEdit, "Old1");
                       QTest::keyClick(form.PasswordEdit, Qt::Key_Return);
                     },
                     [&](TLogOnForm& form) {
                       title = form.windowTitle().toStdString();
                       firstLabel = form.Label1->text().toStdString();
                       secondLabel = form.Label2->text().toStdString();
                       heightLost = form.Scaled(215) - form.height();
                       rowsHeight = form.Scaled(32) + form.Scaled(35);
                       EXPECT_EQ(form.focusWidget(), form.UsernameEdit);
                       EXPECT_TRUE(form.HistoryBtn->isHidden());
                       Type(form.UsernameEdit, "fresh7");
                       Type(form.PasswordEdit, "FRESH7");
                       EXPECT_EQ(form.UsernameEdit->displayText(), "******");
                       EXPECT_EQ(form.PasswordEdit->displayText(), "******");
                       QTest::mouseClick(form.OKBtn, Qt::LeftButton);
                     }};
  EXPECT_TRUE(Logon(session, {ldDatabase}).Execute());
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(title, "Your password has expired");
  EXPECT_EQ(firstLabel, "New password");
  EXPECT_EQ(secondLabel, "Verification");
  EXPECT_EQ(heightLost, rowsHeight) << "both rows hidden";
  EXPECT_TRUE(CanLogOn("qt_expired", "FRESH7"));
  EXPECT_TRUE(hooks_->messages.empty());
}

TEST_F(LogonDialogDevdbTest, TheComponentsCaptionWinsOverTheNynorskTitle) {
  ApplyUserInterfaceLanguage(0x0814);
  TOracleSession& session = NewSession("system", "", Database());
  TOracleLogon& logon = Logon(session, {ldDatabase});
  logon.Caption = "Pipewatch";
  std::string title, label, cancel;
  driver_.actions = {[&](TLogOnForm& form) {
    title = form.windowTitle().toStdString();
    label = form.Label1->text().toStdString();
    cancel = form.CancelBtn->text().toStdString();
    QTest::mouseClick(form.CancelBtn, Qt::LeftButton);
  }};
  EXPECT_FALSE(logon.Execute());
  EXPECT_EQ(title, "Pipewatch");
  EXPECT_EQ(label, "Brukarnamn");
  EXPECT_EQ(cancel, "Avbryt");
}

}  // namespace
}  // namespace vek::testing
