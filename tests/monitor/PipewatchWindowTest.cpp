// The monitor window offscreen: its layout and actions, the line made of a pipe message,
// Help and Clear, the stay-on-top action through clicks, and the pane's line bound.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <QApplication>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolButton>
#include <memory>

#include "monitor/F_Pipewatch.h"
#include "monitor/ProgramResource.h"
#include "monitor/TopMostWindows.h"
#include "platform/TextEncoding.h"
#include "platform/UserLocale.h"

namespace vek::monitor {
namespace {

const LocaleFormats kNorwegian{"dd.MM.yyyy", "HH:mm:ss", ','};

class PipewatchWindow : public testing::Test {
 protected:
  void SetUp() override { window_ = std::make_unique<TFormPipewatch>(); }

  QStringList Lines() const {
    QStringList lines;
    for (QTextBlock block = window_->Memo->document()->begin(); block.isValid();
         block = block.next()) {
      lines << block.text();
    }
    return lines;
  }

  // Delivers a message and lets the event loop turn once, as it does between deliveries
  // from a listener.
  void Deliver(const Variant& info) {
    DeliverOnly(info);
    QApplication::processEvents();
  }
  void DeliverOnly(const Variant& info) {
    window_->OraclePipeEventEvent(nullptr, "VEK_DEBUG#SCOTT", info);
  }

  static Variant Message(const Variant& date, const std::string& user, const std::string& text) {
    return Variant::Array(0, {date, Variant(user), Variant(text)});
  }

  QToolButton* ButtonFor(QAction* action) const {
    return qobject_cast<QToolButton*>(window_->ToolBar->widgetForAction(action));
  }

  ScopedUserLocale locale_{kNorwegian};
  std::unique_ptr<TFormPipewatch> window_;
};

TEST_F(PipewatchWindow, IsLaidOutAsDeclared) {
  EXPECT_EQ(window_->windowTitle(), "VEK - Tracescope");
  EXPECT_EQ(window_->size(), QSize(392, 465));
  EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window_->Memo->isReadOnly());
  EXPECT_TRUE(window_->Memo->textInteractionFlags().testFlag(Qt::TextSelectableByMouse))
      << "the pane is read-only but its text can still be selected and copied";
  EXPECT_EQ(window_->Memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_TRUE(window_->SchemaNames->isEditable());
  EXPECT_EQ(window_->SchemaNames->width(), 145);
  EXPECT_EQ(window_->SchemaNames->toolTip(), "Velg brukar");
  EXPECT_EQ(window_->CoolBar->height(), 26);
  ASSERT_EQ(window_->ImageList.size(), 3);

  struct ActionCase {
    QAction* action;
    const char* caption;
    const char* hint;
    int image;
  };
  const ActionCase cases[] = {
      {window_->ActionClear, "Blank ut", "Blank ut", 0},
      {window_->ActionStayOnTop, "ActionStayOnTop", "Alltid framme", 1},
      {window_->ActionHelp, "Hjelp", "Hjelp", 2},
  };
  for (const ActionCase& c : cases) {
    EXPECT_EQ(c.action->text(), c.caption);
    EXPECT_EQ(c.action->toolTip(), c.hint) << c.caption;
    EXPECT_EQ(c.action->icon().cacheKey(), window_->ImageList[c.image].cacheKey()) << c.caption;
  }

  // Left to right: the schema box, the 8-pixel gap, then the three buttons.
  const QList<QAction*> items = window_->ToolBar->actions();
  ASSERT_EQ(items.size(), 5);
  EXPECT_EQ(window_->ToolBar->widgetForAction(items[0]), window_->SchemaNames);
  EXPECT_EQ(window_->ToolBar->widgetForAction(items[1])->width(), 8);
  EXPECT_EQ(items[2], window_->ActionClear);
  EXPECT_EQ(items[3], window_->ActionStayOnTop);
  EXPECT_EQ(items[4], window_->ActionHelp);
  EXPECT_TRUE(window_->ActionStayOnTop->isCheckable());
}

TEST_F(PipewatchWindow, EachPipeMessageBecomesOneLineOfItemsEachFollowedByATab) {
  struct MessageCase {
    const char* what;
    Variant info;
    QString line;
  };
  const MessageCase cases[] = {
      {"the package's three items",
       Message(Variant::FromDateTime(EncodeDateTime({2026, 12, 9, 14, 5, 7, 0})), "SCOTT", "hello"),
       "09.12.2026 14:05:07\tSCOTT\thello\t"},
      {"a date at exactly midnight shows no time",
       Message(Variant::FromDateTime(EncodeDate(2026, 12, 9)), "SCOTT", "midnight"),
       "09.12.2026\tSCOTT\tmidnight\t"},
      {"a number in a decimal-comma locale", Variant::Array(0, {Variant(12.5)}), "12,5\t"},
      {"non-ASCII text", Message(Variant::Null(), "SCOTT", "blåbær"), "\tSCOTT\tblåbær\t"},
      {"a value that is not an array gives an empty line", Variant("not an array"), ""},
  };
  Deliver(Message(Variant("first"), "line", "kept"));
  for (const MessageCase& c : cases) {
    Deliver(c.info);
    EXPECT_EQ(Lines().last(), c.line) << c.what;
  }
  EXPECT_EQ(Lines().size(), 1 + static_cast<int>(std::size(cases)));
  EXPECT_EQ(Lines().first(), "first\tline\tkept\t");
}

TEST_F(PipewatchWindow, NewLineIsScrolledIntoView) {
  window_->show();
  for (int i = 0; i < 500; ++i) Deliver(Message(Variant(std::int32_t{i}), "SCOTT", "line"));
  QScrollBar* scrollBar = window_->Memo->verticalScrollBar();
  EXPECT_GT(scrollBar->maximum(), 0);
  EXPECT_EQ(scrollBar->value(), scrollBar->maximum());
}

TEST_F(PipewatchWindow, HelpReplacesThePaneWithThePackageTextAndClearEmptiesIt) {
  Deliver(Message(Variant("a"), "b", "c"));
  Deliver(Message(Variant("d"), "e", "f"));
  window_->ActionHelp->trigger();
  QString expected = QString::fromStdString(Windows1252ToUtf8(ReadProgramResource("PLSQLPACKAGE")));
  expected.replace("\r\n", "\n");
  EXPECT_EQ(window_->Memo->toPlainText(), expected);
  EXPECT_EQ(Lines().size(), 73);
  EXPECT_EQ(Lines()[1], "For at pipewatch-applikasjonen skal fungere, må følgande pakke vere");

  window_->ActionClear->trigger();
  EXPECT_EQ(window_->Memo->toPlainText(), "");
}

TEST_F(PipewatchWindow, StayOnTopButtonTakesThePropertyAndGivesItBack) {
  window_->show();
  QToolButton* button = ButtonFor(window_->ActionStayOnTop);
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isChecked());

  button->click();
  EXPECT_FALSE(window_->ActionStayOnTop->isChecked());
  EXPECT_FALSE(button->isChecked());
  EXPECT_FALSE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window_->isVisible()) << "taking the property must not hide the window";

  button->click();
  EXPECT_TRUE(window_->ActionStayOnTop->isChecked());
  EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(TopMostWindows::Level(), 0);
}

TEST_F(PipewatchWindow, NestedTakesGiveThePropertyBackOnlyAtTheOutermostRestore) {
  window_->show();
  TopMostWindows::Normalize();  // the user unchecks stay-on-top
  TopMostWindows::Normalize();  // a modal box opens meanwhile
  TopMostWindows::Restore();    // the box closes
  EXPECT_FALSE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  TopMostWindows::Restore();
  EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  TopMostWindows::Restore();  // unmatched: nothing to give back, the level stays at 0
  EXPECT_EQ(TopMostWindows::Level(), 0);
}

TEST_F(PipewatchWindow, ABurstOfMessagesReachesThePaneInOrderAtTheNextTurnOfTheEventLoop) {
  window_->SetMaxLines(5);
  Deliver(Variant::Array(0, {Variant("before")}));
  for (int i = 1; i <= 8; ++i) DeliverOnly(Variant::Array(0, {Variant(std::int32_t{i})}));
  EXPECT_EQ(Lines(), QStringList({"before\t"})) << "the burst waits for the event loop";
  QApplication::processEvents();
  EXPECT_EQ(Lines(), QStringList({"4\t", "5\t", "6\t", "7\t", "8\t"}));

  DeliverOnly(Variant::Array(0, {Variant("dropped by Clear")}));
  window_->ActionClearExecute();
  QApplication::processEvents();
  EXPECT_EQ(window_->Memo->toPlainText(), "") << "Clear also empties lines not yet shown";

  window_->SetMaxLines(1000);
  DeliverOnly(Variant::Array(0, {Variant("dropped by Help")}));
  window_->ActionHelpExecute();
  QApplication::processEvents();
  EXPECT_EQ(Lines().size(), 73) << "Help replaces lines not yet shown too";
}

// A shown pane is painted at most once a frame: a line that comes right after a paint is in
// the pane at once and its paint follows. The pane never stays unpainted.
TEST_F(PipewatchWindow, LinesRightAfterAPaintAreInThePaneAtOnceAndPaintedSoon) {
  window_->show();
  Deliver(Message(Variant("first"), "SCOTT", "line"));
  window_->Memo->viewport()->repaint();
  Deliver(Message(Variant("second"), "SCOTT", "line"));
  EXPECT_EQ(Lines().size(), 2) << "the line is in the pane without waiting for a paint";
  EXPECT_FALSE(window_->Memo->updatesEnabled()) << "paints are held right after a paint";
  QElapsedTimer timer;
  timer.start();
  while (!window_->Memo->updatesEnabled() && timer.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(window_->Memo->updatesEnabled()) << "the held paint comes";
}

TEST_F(PipewatchWindow, PaneKeepsOnlyTheNewestLinesBeyondItsBound) {
  EXPECT_EQ(window_->MaxLines(), 100000);
  window_->SetMaxLines(5);
  for (int i = 1; i <= 8; ++i) Deliver(Variant::Array(0, {Variant(std::int32_t{i})}));
  EXPECT_EQ(Lines(), QStringList({"4\t", "5\t", "6\t", "7\t", "8\t"}));

  // A lower bound drops the oldest lines at once; a batch larger than the pane's room drops
  // lines already shown and then its own oldest.
  window_->SetMaxLines(2);
  EXPECT_EQ(Lines(), QStringList({"7\t", "8\t"}));
  window_->SetMaxLines(3);
  for (int i = 9; i <= 10; ++i) DeliverOnly(Variant::Array(0, {Variant(std::int32_t{i})}));
  QApplication::processEvents();
  EXPECT_EQ(Lines(), QStringList({"8\t", "9\t", "10\t"}));
  for (int i = 11; i <= 15; ++i) DeliverOnly(Variant::Array(0, {Variant(std::int32_t{i})}));
  QApplication::processEvents();
  EXPECT_EQ(Lines(), QStringList({"13\t", "14\t", "15\t"}));
}

}  // namespace
}  // namespace vek::monitor
