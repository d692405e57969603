// The Qt logon window on its own: its controls in the design layout, the focus rule, the
// Ctrl+Enter shortcut and OK with Ctrl held, hiding rows, the database list, the masked
// fields, the history button's glyph, the history popup and filling the fields from it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <string>
#include <vector>

#include "logon/HistoryItems.h"
#include "logon/LogOnForm.h"
#include "tests/logon/DialogDriver.h"

namespace vek::testing {
namespace {

void ClearHistory() {
  LogonHistory().Clear();
  LogonHistory().Size = 0;
  LogonHistory().WithPassword = false;
}

class LogOnFormTest : public ::testing::Test {
 protected:
  LogOnFormTest() { ClearHistory(); }
  ~LogOnFormTest() override { ClearHistory(); }
  DialogDriver driver_;
};

QRect DesignRect(const TLogOnForm& form, int left, int top, int width, int height) {
  return {form.Scaled(left), form.Scaled(top), form.Scaled(width), form.Scaled(height)};
}

TEST_F(LogOnFormTest, ControlsKeepTheirNamesKindsParentsAndScaledDesignPlaces) {
  TLogOnForm form;
  const double scale = QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 120.0;
  EXPECT_DOUBLE_EQ(form.Scale(), scale);
  EXPECT_EQ(form.size(), QSize(form.Scaled(358), form.Scaled(215)));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "a dialog border: not resizable";
  EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_NEAR(form.font().pointSizeF(), 7.8, 0.01) << "13 pixels at 120 pixels per inch";
  EXPECT_EQ(form.windowTitle(), "Oracle Logon");

  struct Control {
    QWidget* widget;
    const char* name;
    const char* kind;
    QWidget* parent;
    QRect place;  // empty: aligned to its parent's bottom, checked below
  };
  const std::vector<Control> controls = {
      {form.ButtonPanel, "ButtonPanel", "QFrame", &form, {}},
      {form.OKBtn, "OKBtn", "QPushButton", form.ButtonPanel, DesignRect(form, 12, 6, 97, 33)},
      {form.CancelBtn, "CancelBtn", "QPushButton", form.ButtonPanel,
       DesignRect(form, 120, 6, 97, 33)},
      {form.GroupBox, "GroupBox", "QFrame", &form, DesignRect(form, 8, 8, 343, 153)},
      {form.Label1, "Label1", "QLabel", form.GroupBox, DesignRect(form, 8, 24, 115, 16)},
      {form.UsernameEdit, "UsernameEdit", "QLineEdit", form.GroupBox,
       DesignRect(form, 128, 20, 185, 24)},
      {form.HistoryBtn, "HistoryBtn", "QToolButton", form.GroupBox,
       DesignRect(form, 316, 20, 20, 25)},
      {form.Label2, "Label2", "QLabel", form.GroupBox, DesignRect(form, 8, 56, 115, 16)},
      {form.PasswordEdit, "PasswordEdit", "QLineEdit", form.GroupBox,
       DesignRect(form, 128, 52, 185, 24)},
      {form.DBPanel, "DBPanel", "QFrame", form.GroupBox, {}},
      {form.Label3, "Label3", "QLabel", form.DBPanel, DesignRect(form, 8, 4, 113, 16)},
      {form.DatabaseEdit, "DatabaseEdit", "QLineEdit", form.DBPanel,
       DesignRect(form, 126, 0, 185, 24)},
      {form.AliasList, "AliasList", "QComboBox", form.DBPanel, DesignRect(form, 224, 0, 89, 24)},
      {form.CAPanel, "CAPanel", "QFrame", form.GroupBox, {}},
      {form.Label4, "Label4", "QLabel", form.CAPanel, DesignRect(form, 8, 4, 113, 16)},
      {form.ConnectAsList, "ConnectAsList", "QComboBox", form.CAPanel,
       DesignRect(form, 126, 0, 95, 24)},
  };
  for (const Control& control : controls) {
    SCOPED_TRACE(control.name);
    ASSERT_NE(control.widget, nullptr);
    EXPECT_EQ(control.widget->objectName().toStdString(), control.name);
    EXPECT_STREQ(control.widget->metaObject()->className(), control.kind);
    EXPECT_EQ(control.widget->parentWidget(), control.parent);
    if (!control.place.isEmpty()) EXPECT_EQ(control.widget->geometry(), control.place);
  }
  // Bottom-aligned panels: the buttons at the window's foot across its width; in the frame,
  // inside its two bevel pixels, the Connect-as row at the foot and the database row above.
  EXPECT_EQ(form.ButtonPanel->geometry(),
            QRect(0, form.height() - form.Scaled(47), form.width(), form.Scaled(47)));
  const int inner = form.GroupBox->height() - 2;
  EXPECT_EQ(form.CAPanel->geometry(),
            QRect(2, inner - form.Scaled(35), form.GroupBox->width() - 4, form.Scaled(35)));
  EXPECT_EQ(form.DBPanel->geometry(), QRect(2, inner - form.Scaled(35) - form.Scaled(32),
                                            form.GroupBox->width() - 4, form.Scaled(32)));

  EXPECT_TRUE(form.OKBtn->isDefault());
  EXPECT_TRUE(form.HistoryBtn->isHidden());
  EXPECT_TRUE(form.AliasList->isHidden());
  EXPECT_TRUE(form.AliasList->isEditable());
  EXPECT_FALSE(form.ConnectAsList->isEditable());
  ASSERT_EQ(form.ConnectAsList->count(), 3);
  EXPECT_EQ(form.ConnectAsList->itemText(0), "Normal");
  EXPECT_EQ(form.ConnectAsList->itemText(1), "SYSDBA");
  EXPECT_EQ(form.ConnectAsList->itemText(2), "SYSOPER");
  EXPECT_EQ(form.HistoryPopup->objectName(), "HistoryPopup");
  ASSERT_EQ(form.HistoryPopup->actions().size(), 1);
  EXPECT_EQ(form.HistoryPopup->actions()[0]->objectName(), "History");
  for (QLabel* label : {form.Label1, form.Label2, form.Label3, form.Label4})
    EXPECT_TRUE(label->alignment() & Qt::AlignRight) << label->objectName().toStdString();
}

TEST_F(LogOnFormTest, TabOrderRunsThroughTheButtonsThenTheRowsTopToBottom) {
  TLogOnForm form;
  const std::vector<std::string> expected = {"OKBtn",        "CancelBtn",    "UsernameEdit",
                                             "PasswordEdit", "DatabaseEdit", "AliasList",
                                             "ConnectAsList"};
  std::vector<std::string> order;
  QWidget* widget = form.OKBtn;
  for (int step = 0; step < 100 && order.size() < expected.size(); ++step) {
    const std::string name = widget->objectName().toStdString();
    if (widget->focusPolicy() & Qt::TabFocus &&
        std::find(expected.begin(), expected.end(), name) != expected.end())
      order.push_back(name);
    widget = widget->nextInFocusChain();
  }
  EXPECT_EQ(order, expected);
  EXPECT_EQ(form.HistoryBtn->focusPolicy(), Qt::NoFocus) << "a speed button takes no focus";
}

TEST_F(LogOnFormTest, FocusStartsInThePasswordWhenTheUserNameIsFilled) {
  for (const std::string user : {"", "scott"}) {
    SCOPED_TRACE("user name \"" + user + "\"");
    TLogOnForm form;
    form.SetUsernameText(user);
    QWidget* focused = nullptr;
    driver_.actions = {[&](TLogOnForm& shown) {
      focused = shown.focusWidget();
      shown.reject();
    }};
    form.ShowModal();
    EXPECT_EQ(focused, user.empty() ? static_cast<QWidget*>(form.UsernameEdit) : form.PasswordEdit);
  }
}

TEST_F(LogOnFormTest, EnterWithCtrlClosesWithOKAndTellsThatCtrlWasDown) {
  struct Case {
    const char* what;
    std::function<void(TLogOnForm&)> press;
    bool ok;
    bool ctrl;
  };
  const std::vector<Case> cases = {
      {"Ctrl+Enter in the user name",
       [](TLogOnForm& f) { QTest::keyClick(f.UsernameEdit, Qt::Key_Return, Qt::ControlModifier); },
       true, true},
      {"Ctrl+Shift+Enter in the password",
       [](TLogOnForm& f) {
         QTest::keyClick(f.PasswordEdit, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
       },
       true, true},
      {"Ctrl with the keypad's Enter in the database",
       [](TLogOnForm& f) {
         QTest::keyClick(f.DatabaseEdit, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
       },
       true, true},
      {"Ctrl+Enter in the Connect-as list",
       [](TLogOnForm& f) { QTest::keyClick(f.ConnectAsList, Qt::Key_Return, Qt::ControlModifier); },
       true, true},
      {"Enter alone: the default button",
       [](TLogOnForm& f) { QTest::keyClick(f.PasswordEdit, Qt::Key_Return); }, true, false},
      {"OK clicked with Ctrl held",
       [](TLogOnForm& f) { QTest::mouseClick(f.OKBtn, Qt::LeftButton, Qt::ControlModifier); }, true,
       true},
      {"OK clicked", [](TLogOnForm& f) { QTest::mouseClick(f.OKBtn, Qt::LeftButton); }, true,
       false},
      {"Escape", [](TLogOnForm& f) { QTest::keyClick(f.UsernameEdit, Qt::Key_Escape); }, false,
       false},
      {"Cancel clicked with Ctrl held",
       [](TLogOnForm& f) { QTest::mouseClick(f.CancelBtn, Qt::LeftButton, Qt::ControlModifier); },
       false, false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    TLogOnForm form;
    form.SetUsernameText("scott");
    driver_.actions = {test.press};
    const TLogonWindowResult result = form.ShowModal();
    EXPECT_EQ(result.ok, test.ok);
    EXPECT_EQ(result.ctrlDown, test.ctrl);
  }
}

TEST_F(LogOnFormTest, HidingBothRowsMakesTheWindow67UnitsLowerWithTheButtonsAtTheFoot) {
  TLogOnForm form;
  const int height = form.height();
  const int frame = form.GroupBox->height();
  form.HideDatabaseRow();
  EXPECT_TRUE(form.DBPanel->isHidden());
  EXPECT_EQ(form.CAPanel->y(), form.GroupBox->height() - 2 - form.CAPanel->height())
      << "the Connect-as row moves up with the frame's foot";
  form.HideConnectAsRow();
  const int lowered = form.Scaled(32) + form.Scaled(35);
  EXPECT_EQ(form.height(), height - lowered);
  EXPECT_NEAR(height - form.height(), 67 * form.Scale(), 1.0);
  EXPECT_EQ(form.GroupBox->height(), frame - lowered);
  EXPECT_EQ(form.minimumHeight(), form.height());
  EXPECT_EQ(form.ButtonPanel->y() + form.ButtonPanel->height(), form.height());
  EXPECT_GT(form.ButtonPanel->y(), form.GroupBox->geometry().bottom());
  form.HideConnectAsRow();
  EXPECT_EQ(form.height(), height - lowered) << "hiding a hidden row changes nothing";
}

TEST_F(LogOnFormTest, TheDatabaseListTakesThePlaceOfThePlainField) {
  TLogOnForm form;
  form.SetAliasText("DEV");
  form.UseAliasList(5, {"Alpha", "zeta"});
  EXPECT_TRUE(form.UsesAliasList());
  EXPECT_FALSE(form.AliasList->isHidden());
  EXPECT_TRUE(form.DatabaseEdit->isHidden());
  EXPECT_EQ(form.AliasList->x(), form.DatabaseEdit->x());
  EXPECT_EQ(form.AliasList->width(), form.DatabaseEdit->width());
  EXPECT_EQ(form.AliasList->maxVisibleItems(), 5);
  ASSERT_EQ(form.AliasList->count(), 2);
  EXPECT_EQ(form.AliasList->itemText(1), "zeta");
  EXPECT_EQ(form.AliasText(), "DEV");
  form.SetDatabaseValue("Alpha");
  EXPECT_EQ(form.AliasText(), "Alpha");
  EXPECT_EQ(form.DatabaseValue(), "Alpha");
}

TEST_F(LogOnFormTest, PasswordFieldsShowAStarForEachCharacter) {
  TLogOnForm form;
  form.SetPasswordText("abc");
  EXPECT_EQ(form.PasswordEdit->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.PasswordEdit->displayText(), "***");
  form.SetUsernameText("secret");
  EXPECT_EQ(form.UsernameEdit->displayText(), "secret");
  form.SetUsernameMasked(true);
  EXPECT_EQ(form.UsernameEdit->displayText(), "******");
  EXPECT_EQ(form.UsernameText(), "secret");
  form.SetFontStyle(fsBold | fsItalic);
  EXPECT_TRUE(form.font().bold());
  EXPECT_TRUE(form.font().italic());
  EXPECT_FALSE(form.font().underline());
}

TEST_F(LogOnFormTest, TheHistoryButtonShowsAnEllipsisGlyph) {
  TLogOnForm form;
  form.ShowHistoryButton("Logon history", false);
  EXPECT_FALSE(form.HistoryBtn->isHidden());
  EXPECT_FALSE(form.HistoryBtn->isEnabled());
  EXPECT_EQ(form.HistoryBtn->toolTip(), "Logon history");
  const QImage glyph = form.HistoryBtn->icon().pixmap(QSize(10, 8)).toImage();
  ASSERT_EQ(glyph.size(), QSize(10, 8));
  int black = 0;
  for (int y = 0; y < glyph.height(); ++y)
    for (int x = 0; x < glyph.width(); ++x)
      if (qAlpha(glyph.pixel(x, y)) == 255 && qGray(glyph.pixel(x, y)) == 0) ++black;
  EXPECT_EQ(black, 12) << "three squares of two by two pixels";
  EXPECT_EQ(qGray(glyph.pixel(0, 4)), 0);
  EXPECT_EQ(qAlpha(glyph.pixel(2, 4)), 0) << "a gap between the squares";
}

// The popup's item captions, "---" for a separator.
std::vector<std::string> PopupItems(const QMenu& popup) {
  std::vector<std::string> items;
  for (const QAction* action : popup.actions())
    items.push_back(action->isSeparator() ? "---" : action->text().toStdString());
  return items;
}

TEST_F(LogOnFormTest, TheHistoryPopupSkipsALeadingDashAndShowsALaterOneAsASeparator) {
  struct Case {
    std::vector<std::string> users;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {{"-", "scott"}, {"scott"}},
      {{"scott", "-", "sys"}, {"scott", "---", "sys"}},
      {{"a&b"}, {"a&&b"}},
  };
  for (const Case& test : cases) {
    ClearHistory();
    for (const std::string& user : test.users) LogonHistory().AddLogon(user, "", "", "", false);
    TLogOnForm form;
    form.ShowHistoryButton("Logon history", true);
    std::vector<std::string> items;
    QPoint popupAt, expectedAt;
    driver_.actions = {[&](TLogOnForm& shown) {
      QTest::mouseClick(shown.HistoryBtn, Qt::LeftButton);
      items = PopupItems(*shown.HistoryPopup);
      popupAt = shown.HistoryPopup->pos();
      expectedAt = shown.GroupBox->mapToGlobal(
          QPoint(shown.HistoryBtn->x(), shown.HistoryBtn->y() + shown.HistoryBtn->height()));
      EXPECT_TRUE(shown.HistoryPopup->isVisible());
      shown.HistoryPopup->close();
      shown.reject();
    }};
    form.ShowModal();
    EXPECT_EQ(items, test.items);
    EXPECT_EQ(popupAt, expectedAt) << "just below the button's left edge";
  }
}

TEST_F(LogOnFormTest, PickingAnEntryFillsTheFieldsAndNoModeSelectsNormal) {
  LogonHistory().WithPassword = true;
  LogonHistory().AddLogon("sys", "secret", "PROD", "SYSDBA", false);
  LogonHistory().AddLogon("scott", "tiger", "DEV", "", false);
  TLogOnForm form;
  form.ShowHistoryButton("Logon history", true);
  form.UseAliasList(8, {"DEV", "PROD"});
  form.SetDatabaseText("untouched");
  form.SetConnectAsIndex(2);
  driver_.actions = {[&](TLogOnForm& shown) {
    QTest::mouseClick(shown.HistoryBtn, Qt::LeftButton);
    QMenu& popup = *shown.HistoryPopup;
    ASSERT_EQ(popup.actions().size(), 2);
    QAction* scott = popup.actions()[1];
    QTest::mouseClick(&popup, Qt::LeftButton, {}, popup.actionGeometry(scott).center());
    shown.reject();
  }};
  form.ShowModal();
  EXPECT_EQ(form.UsernameText(), "scott");
  EXPECT_EQ(form.PasswordText(), "tiger");
  EXPECT_EQ(form.AliasText(), "DEV");
  EXPECT_EQ(form.DatabaseText(), "untouched") << "the plain field stays when the list is in use";
  EXPECT_EQ(form.ConnectAsIndex(), 0) << "no mode: Normal";

  LogonHistory().WithPassword = false;
  form.HistoryClick(0);
  EXPECT_EQ(form.UsernameText(), "sys");
  EXPECT_EQ(form.PasswordText(), "") << "a list without passwords fills none";
  EXPECT_EQ(form.ConnectAsIndex(), 1);
  form.HistoryClick(7);  // no such entry: nothing happens
  EXPECT_EQ(form.UsernameText(), "sys");
}

}  // namespace
}  // namespace vek::testing
