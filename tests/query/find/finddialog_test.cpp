#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "book/contents/contentsview.h"
#include "book/recordpages/recordpagesview.h"
#include "core/labels.h"
#include "core/runobjects.h"
#include "dbase/table.h"
#include "query/find/finddialog.h"
#include "query/sort/sortbar.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/recordtext.h"
#include "store/sortstate.h"
#include "support/bookviewfixture.h"
#include "ui/contentsentry.h"

namespace {

const QString kNotFound = QStringLiteral("Text Not Found!");

// The table of contents over a copy of the shipped template, with its
// search window.
class FindView : public BookViewTest {
 protected:
  void SetUp() override {
    BookViewTest::SetUp();
    findMemory() = FindMemory{};
    runObjects().findHistory.clear();
  }
  void TearDown() override {
    if (FindDialog* d = FindDialog::instance()) d->close();
    form.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    BookViewTest::TearDown();
  }

  static void makeTable(const std::vector<BookRow>& rows, bool sortByTitle = false) {
    makeBookTable(rows, sortByTitle);
  }
  static std::vector<BookRow> numberedRows(int count) { return titledRows(numbered(count)); }

  void open() {
    form = std::make_unique<ContentsView>();
    form->show();
    ASSERT_TRUE(form->databaseOpen());
    ASSERT_TRUE(form->searchButton->isEnabled());
    QTest::mouseClick(form->searchButton, Qt::LeftButton);
    dlg = FindDialog::instance();
    ASSERT_NE(dlg, nullptr);
  }
  void open(const std::vector<BookRow>& rows, bool byTitle = false) {
    makeTable(rows, byTitle);
    open();
  }
  void choose(const QString& field) {
    const int i = dlg->fieldCombo->findText(field);
    ASSERT_GE(i, 0) << field.toStdString();
    dlg->fieldCombo->setCurrentIndex(i);
    emit dlg->fieldCombo->activated(i);
  }
  void type(const QString& text) {
    dlg->textCombo->setEditText(QString());
    QTest::keyClicks(dlg->textCombo, text);
  }
  QString entryText(int slot) const {
    ContentsEntry* e =
        slot < 12 ? form->leftEntries[size_t(slot)] : form->rightEntries[size_t(slot - 12)];
    return e->text(0);
  }
  // A hit opens the record pages on the pair that holds it.
  bool pagesShow(const QString& title) const {
    RecordPagesView* pages = form->recordPages;
    if (!pages || !pages->isVisible()) return false;
    return pages->pageValues(0).text[0] == title || pages->pageValues(1).text[0] == title;
  }
  int focusedSlot() const {
    for (int s = 0; s < 24; ++s) {
      ContentsEntry* e = s < 12 ? form->leftEntries[size_t(s)] : form->rightEntries[size_t(s - 12)];
      if (form->focusWidget() == e) return s;
    }
    return -1;
  }
  std::string marks() {
    dbase::Table t;
    t.open(nativePath(table()));
    std::string out;
    for (t.first(); !t.eof(); t.next()) out += t.asString(1);
    return out;
  }
  // Find, next, previous and stop: 1 where enabled.
  std::string buttons() const {
    std::string out;
    for (const QPushButton* b :
         {dlg->findButton, dlg->findNextButton, dlg->findPreviousButton, dlg->stopButton})
      out += b->isEnabled() ? '1' : '0';
    return out;
  }

  std::unique_ptr<ContentsView> form;
  FindDialog* dlg = nullptr;
};

TEST_F(FindView, OpensModelessAndOnTopWithItsControls) {
  open(numberedRows(3));
  EXPECT_EQ(dlg->windowTitle(), "Search");
  EXPECT_FALSE(dlg->isModal());
  EXPECT_TRUE(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(dlg->fieldCombo->itemText(0), "ALL FIELDS");
  EXPECT_EQ(dlg->fieldCombo->itemText(1), "Book Title");
  EXPECT_EQ(dlg->fieldCombo->findText("Picture"), -1);
  EXPECT_NE(dlg->fieldCombo->findText("Notes"), -1);
  EXPECT_TRUE(dlg->skipMemosCheck->isChecked());
  EXPECT_FALSE(dlg->nonStopCheck->isChecked());
  EXPECT_TRUE(dlg->beginningRadio->isChecked());
  EXPECT_EQ(buttons(), "1000");
  EXPECT_EQ(dlg->findNextButton->text(), "Find &Next");
  EXPECT_EQ(dlg->findButton->toolTip(), "Start Search From Beginning or End of File");
  // A second Find brings the same window up.
  QTest::mouseClick(form->searchButton, Qt::LeftButton);
  EXPECT_EQ(FindDialog::instance(), dlg);
}

TEST_F(FindView, ReturnInTheTextStartsTheSearch) {
  open({{"Red", ""}, {"Blue", ""}});
  type("blue");
  QTest::keyClick(dlg->textCombo, Qt::Key_Return);
  EXPECT_EQ(dlg->counterLabel->text(), "2");
  EXPECT_EQ(runObjects().findHistory, QStringList{"blue"});
  EXPECT_EQ(dlg->textCombo->count(), 1);
}

TEST_F(FindView, EmptyTextAsksForTextAndStaysIdle) {
  open(numberedRows(3));
  type("");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text, "You have to enter Text!");
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Information);
  EXPECT_EQ(buttons(), "1000");
  EXPECT_TRUE(form->isEnabled());
  EXPECT_TRUE(runObjects().findHistory.isEmpty());
}

// Which record and field each step finds is FindSearchTest's business; here
// the buttons reach the search and the window shows where it stands.
TEST_F(FindView, StepsShowTheirCounterPagesAndButtons) {
  struct Step {
    char button;          // F find, N next, P previous
    const char* counter;  // "" once nothing more is found
    const char* buttons;  // as buttons() gives them; "" not checked
    const char* shown;    // a title the record pages show, or ""
  };
  struct Case {
    const char* what;
    std::vector<BookRow> rows;
    const char* field;
    bool fromEnd;
    const char* text;
    std::vector<Step> steps;
  };
  const std::vector<BookRow> values{{"First", "", 112}, {"Second", "", 12}, {"Volume 112", "", 5}};
  const std::vector<BookRow> blues{
      {"Red", "Nobody"}, {"Blue Moon", "Blue Author"}, {"Green", "Blue Bird"}};
  std::vector<BookRow> smiths = numberedRows(30);
  smiths[0].author = "Smith";
  smiths[27].author = "Smithers";
  // clang-format off
  const Case cases[] = {
      {"exactly 12 in a number field", values, "Value", false, "12",
       {{'F', "2", "1100", "Second"}, {'N', "", "1000", ""}}},
      {"112 in a title over all fields", values, "ALL FIELDS", false, "12",
       {{'F', "2", "", ""}, {'N', "3", "", ""}, {'N', "", "", ""}}},
      // Found by Next: both directions go on.
      {"a later field of the same record", blues, "ALL FIELDS", false, "blue",
       {{'F', "2", "1100", ""}, {'N', "2", "1110", ""}, {'N', "3", "", ""}, {'P', "2", "", ""},
        {'P', "2", "", ""}, {'P', "", "1100", ""}}},
      {"backwards from the last record", smiths, "ALL FIELDS", true, "smith",
       {{'F', "28", "1010", "Book 027"}, {'P', "1", "", "Book 000"}, {'P', "", "1100", ""}}}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    open(c.rows);
    prompts.shown.clear();
    choose(c.field);
    dlg->endRadio->setChecked(c.fromEnd);
    type(c.text);
    for (size_t i = 0; i < c.steps.size(); ++i) {
      SCOPED_TRACE(i);
      const Step& s = c.steps[i];
      QTest::mouseClick(s.button == 'F'   ? dlg->findButton
                        : s.button == 'N' ? dlg->findNextButton
                                          : dlg->findPreviousButton,
                        Qt::LeftButton);
      EXPECT_EQ(dlg->counterLabel->text(), s.counter);
      if (*s.buttons) {
        EXPECT_EQ(buttons(), s.buttons);
      }
      if (*s.shown) {
        EXPECT_TRUE(pagesShow(s.shown));
      }
      const bool last = i + 1 == c.steps.size();
      EXPECT_EQ(prompts.texts(), last ? QStringList{kNotFound} : QStringList{});
    }
    EXPECT_TRUE(form->isEnabled());
    dlg->close();
    form.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(FindView, ControlsFollowTheFieldTheTextAndTheMode) {
  open({{"Blue", ""}, {"Blue", ""}});
  choose("Value");  // a number field has no memo to skip
  EXPECT_FALSE(dlg->skipMemosCheck->isChecked());
  EXPECT_FALSE(dlg->skipMemosCheck->isEnabled());
  choose("ALL FIELDS");
  EXPECT_TRUE(dlg->skipMemosCheck->isChecked());
  EXPECT_TRUE(dlg->skipMemosCheck->isEnabled());
  type("blue");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  ASSERT_EQ(buttons(), "1100");
  QTest::keyClick(dlg->textCombo, Qt::Key_X);  // an edited text stops the stepping
  EXPECT_EQ(buttons(), "1000");
  QTest::keyClick(dlg->textCombo, Qt::Key_Backspace);
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  ASSERT_EQ(buttons(), "1100");
  // Non-stop mode fixes the direction.
  dlg->endRadio->setChecked(true);
  QTest::mouseClick(dlg->nonStopCheck, Qt::LeftButton);
  EXPECT_TRUE(dlg->beginningRadio->isChecked());
  EXPECT_FALSE(dlg->directionGroup->isEnabled());
  EXPECT_EQ(buttons(), "1000");
  QTest::mouseClick(dlg->nonStopCheck, Qt::LeftButton);
  EXPECT_TRUE(dlg->directionGroup->isEnabled());
}

TEST_F(FindView, SteppingSearchWalksTheLetterTabs) {
  open({{"Apple", ""}, {"Banana", ""}, {"Cherry pie", ""}, {"Date", ""}, {"Plum pie", ""}}, true);
  form->selectLetter('D');
  type("pie");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  EXPECT_EQ(form->currentLetter(), 'C');
  EXPECT_EQ(dlg->letterLabel->text(), "C");
  EXPECT_EQ(dlg->counterLabel->text(), "1");
  EXPECT_TRUE(pagesShow("Cherry pie"));
  QTest::mouseClick(dlg->findNextButton, Qt::LeftButton);
  EXPECT_EQ(form->recordPages->currentLetter, 'P');
  EXPECT_TRUE(pagesShow("Plum pie"));
  // Past Z: nothing more, and the pages go back to the letter of the last match.
  QTest::mouseClick(dlg->findNextButton, Qt::LeftButton);
  EXPECT_EQ(prompts.texts(), QStringList{kNotFound});
  EXPECT_EQ(form->recordPages->currentLetter, 'P');
  EXPECT_TRUE(dlg->letterLabel->text().isEmpty());
}

TEST_F(FindView, NonStopOverAnEmptyDatabaseFindsNoRecords) {
  open({});
  QTest::mouseClick(dlg->nonStopCheck, Qt::LeftButton);
  type("anything");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  EXPECT_EQ(prompts.texts(), QStringList{"No Records Found!"});
  EXPECT_EQ(appSettings().filterState, 0);
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FindView, FalseFromBeforeMarkAllCancelsThePass) {
  open({{"Blue", ""}});
  int after = 0;
  FindHooks hooks;
  hooks.beforeMarkAll = [] { return false; };
  hooks.afterMarkAll = [&] { ++after; };
  dlg->setHooks(hooks);
  QTest::mouseClick(dlg->nonStopCheck, Qt::LeftButton);
  type("blue");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(after, 0);
  EXPECT_EQ(marks(), "0");
}

TEST_F(FindView, NonStopLeavesTheViewShowingOnlyTheFoundRecords) {
  std::vector<BookRow> rows = numberedRows(30);
  rows[4].title = "The Xenon Affair";
  rows[17].author = "Xenon Press";
  rows[29].title = "xenon";
  open(rows);
  QTest::mouseClick(dlg->nonStopCheck, Qt::LeftButton);
  type("XENON");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text,
            "3 Record(s) Found!\rTo return later to All-Record-Display set Filter to All Records.");
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Information);
  EXPECT_EQ(appSettings().filterState, 1);
  EXPECT_EQ(form->sortBar->filterState(), 1);
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(entryText(0), "The Xenon Affair");
  EXPECT_EQ(entryText(1), "Book 017");
  EXPECT_EQ(entryText(2), "xenon");
  EXPECT_TRUE(entryText(3).isEmpty());
  EXPECT_EQ(runObjects().findHistory, QStringList{"XENON"});
  // Back to every record through the sort button's filter menu.
  form->applyFilterState(0);
  EXPECT_EQ(entryText(3), "Book 003");
}

TEST_F(FindView, StopEndsALongNonStopPassAndTheWindowStaysResponsive) {
  constexpr int kRecords = 100000;
  open(std::vector<BookRow>(kRecords, BookRow{QStringLiteral("Same title"), {}}));
  QTest::mouseClick(dlg->nonStopCheck, Qt::LeftButton);
  type("same");
  int ticks = 0;
  int32_t stoppedAt = -1;
  QTimer clicker;
  clicker.setInterval(1);
  QObject::connect(&clicker, &QTimer::timeout, [&] {
    ++ticks;
    FindSearch& search = dlg->search();
    // Stop only once the pass has let the timer run a few times: that is the
    // window staying responsive.
    if (stoppedAt < 0 && ticks >= 3 && search.running() && search.counter() >= 1000) {
      EXPECT_TRUE(dlg->stopButton->isEnabled());
      EXPECT_FALSE(dlg->findButton->isEnabled());
      EXPECT_FALSE(form->isEnabled());
      stoppedAt = search.counter();
      QTest::mouseClick(dlg->stopButton, Qt::LeftButton);
    }
  });
  clicker.start();
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  clicker.stop();
  ASSERT_GE(stoppedAt, 1000);
  EXPECT_LT(stoppedAt, kRecords - 1);
  // Stopped: nothing reported, nothing counted, every record shown.
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(dlg->search().foundCount(), 0);
  EXPECT_EQ(appSettings().filterState, 0);
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(buttons(), "1000");
  EXPECT_EQ(marks().back(), '0');  // which marks a stop keeps is FindSearchTest's
}

TEST_F(FindView, TheWindowRemembersItsChoicesBetweenOpenings) {
  open(numberedRows(3));
  choose("Author");
  dlg->endRadio->setChecked(true);
  type("Book 001");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  type("draft");
  QPointer<FindDialog> first(dlg);
  QTest::mouseClick(dlg->closeButton, Qt::LeftButton);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(FindDialog::instance(), nullptr);
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(findMemory().lastText, "draft");

  QTest::mouseClick(form->searchButton, Qt::LeftButton);
  dlg = FindDialog::instance();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(dlg->textCombo->currentText(), "draft");
  EXPECT_EQ(dlg->textCombo->itemText(0), "Book 001");
  EXPECT_EQ(dlg->fieldCombo->currentText(), "Author");
  EXPECT_FALSE(dlg->skipMemosCheck->isEnabled());
  EXPECT_TRUE(dlg->endRadio->isChecked());
  EXPECT_EQ(buttons(), "1000");
}

TEST_F(FindView, ClosingTheViewClosesTheWindow) {
  open(numberedRows(3));
  QPointer<FindDialog> watched(dlg);
  form.reset();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(FindDialog::instance(), nullptr);
  EXPECT_TRUE(watched.isNull());
}

TEST(FindPlacement, GoesBesideTheViewOnTheSideWithRoom) {
  const QRect screen(0, 0, 1280, 1024);
  const QSize window(400, 250);
  // A view right of the screen's centre: the window goes to its left, at its top.
  EXPECT_EQ(FindDialog::placement(QRect(700, 100, 566, 500), window, screen), QPoint(300, 100));
  // Left of the centre: to its right.
  EXPECT_EQ(FindDialog::placement(QRect(10, 50, 566, 500), window, screen), QPoint(576, 50));
  // Never past the screen's edges.
  EXPECT_EQ(FindDialog::placement(QRect(300, 900, 700, 100), window, screen), QPoint(0, 774));
  EXPECT_EQ(FindDialog::placement(QRect(100, -20, 1000, 100), window, screen), QPoint(880, 0));
}

}  // namespace
