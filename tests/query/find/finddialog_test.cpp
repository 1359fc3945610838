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
#include "support/scriptedprompter.h"
#include "support/tempdir.h"
#include "support/viewsandbox.h"
#include "ui/contentsentry.h"

namespace {

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

constexpr int kTitle = 2, kAuthor = 3, kValue = 10;

struct Row {
  QString title;
  QString author;
  double value = 0;  // 0 = blank
};

const QString kNotFound = QStringLiteral("Text Not Found!");

// The table of contents over a copy of the shipped template, with its
// search window.
class FindView : public ::testing::Test {
 protected:
  void SetUp() override {
    useBuildProgramDir(box);
    findMemory() = FindMemory{};
    runObjects().findHistory.clear();
  }
  void TearDown() override {
    if (FindDialog* d = FindDialog::instance()) d->close();
    form.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    sortState() = SortState{};
  }

  QString table() const { return joinPath(appSettings().databaseDir, "data.dbf"); }

  void makeTable(const std::vector<Row>& rows, bool sortByTitle = false) {
    std::vector<BookRow> books;
    for (const Row& r : rows) books.push_back({r.title, r.author, r.value});
    makeBookTable(books, sortByTitle);
  }
  static std::vector<Row> numbered(int count) {
    std::vector<Row> out;
    for (int i = 0; i < count; ++i)
      out.push_back({QStringLiteral("Book %1").arg(i, 3, 10, QLatin1Char('0')), {}});
    return out;
  }

  void open() {
    form = std::make_unique<ContentsView>();
    form->show();
    ASSERT_TRUE(form->databaseOpen());
    ASSERT_TRUE(form->searchButton->isEnabled());
    QTest::mouseClick(form->searchButton, Qt::LeftButton);
    dlg = FindDialog::instance();
    ASSERT_NE(dlg, nullptr);
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
    t.open(native(table()));
    std::string out;
    for (t.first(); !t.eof(); t.next()) out += t.asString(1);
    return out;
  }
  std::vector<bool> buttons() const {
    return {dlg->findButton->isEnabled(), dlg->findNextButton->isEnabled(),
            dlg->findPreviousButton->isEnabled(), dlg->stopButton->isEnabled()};
  }

  SettingsSandbox box;
  ScriptedPrompter prompts;
  std::unique_ptr<ContentsView> form;
  FindDialog* dlg = nullptr;
};

TEST_F(FindView, OpensModelessAndOnTopWithItsControls) {
  makeTable(numbered(3));
  open();
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
  EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(dlg->findNextButton->text(), "Find &Next");
  EXPECT_EQ(dlg->findButton->toolTip(), "Start Search From Beginning or End of File");
  // A second Find brings the same window up.
  QTest::mouseClick(form->searchButton, Qt::LeftButton);
  EXPECT_EQ(FindDialog::instance(), dlg);
}

TEST_F(FindView, ReturnInTheTextStartsTheSearch) {
  makeTable({{"Red", ""}, {"Blue", ""}});
  open();
  type("blue");
  QTest::keyClick(dlg->textCombo, Qt::Key_Return);
  EXPECT_EQ(dlg->counterLabel->text(), "2");
  EXPECT_EQ(runObjects().findHistory, QStringList{"blue"});
  EXPECT_EQ(dlg->textCombo->count(), 1);
}

TEST_F(FindView, EmptyTextAsksForTextAndStaysIdle) {
  makeTable(numbered(3));
  open();
  type("");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text, "You have to enter Text!");
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Information);
  EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, false}));
  EXPECT_TRUE(form->isEnabled());
  EXPECT_TRUE(runObjects().findHistory.isEmpty());
}

// Which record and field each step finds is FindSearchTest's business; here
// the buttons reach the search and the window shows where it stands.
TEST_F(FindView, StepsShowTheirCounterPagesAndButtons) {
  enum Button { kFind, kNext, kPrevious };
  struct Step {
    Button button;
    const char* counter;
    std::vector<bool> buttons;    // find, next, previous, stop; empty: not checked
    const char* shown = nullptr;  // a title the record pages show
  };
  const std::vector<Row> values{{"First", "", 112}, {"Second", "", 12}, {"Volume 112", "", 5}};
  std::vector<Row> smiths = numbered(30);
  smiths[0].author = "Smith";
  smiths[27].author = "Smithers";
  const struct {
    const char* what;
    std::vector<Row> rows;
    const char* field;
    bool fromEnd;
    const char* text;
    std::vector<Step> steps;  // the last one finds nothing
  } cases[] = {
      {"only exactly 12 in a number field",
       values,
       "Value",
       false,
       "12",
       {{kFind, "2", {true, true, false, false}, "Second"},
        {kNext, "", {true, false, false, false}}}},
      {"the title holding 112 in all fields",
       values,
       "ALL FIELDS",
       false,
       "12",
       {{kFind, "2", {}}, {kNext, "3", {}}, {kNext, "", {}}}},
      {"Next finds the same record in a later field",
       {{"Red", "Nobody"}, {"Blue Moon", "Blue Author"}, {"Green", "Blue Bird"}},
       "ALL FIELDS",
       false,
       "blue",
       {{kFind, "2", {true, true, false, false}},
        {kNext, "2", {true, true, true, false}},  // found by Next: both directions go on
        {kNext, "3", {}},
        {kPrevious, "2", {}},
        {kPrevious, "2", {}},
        {kPrevious, "", {true, true, false, false}}}},
      {"backwards from the last record",
       smiths,
       "ALL FIELDS",
       true,
       "smith",
       {{kFind, "28", {true, false, true, false}, "Book 027"},
        {kPrevious, "1", {}, "Book 000"},
        {kPrevious, "", {true, true, false, false}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    makeTable(c.rows);
    open();
    prompts.shown.clear();
    choose(c.field);
    dlg->endRadio->setChecked(c.fromEnd);
    type(c.text);
    for (size_t i = 0; i < c.steps.size(); ++i) {
      SCOPED_TRACE(i);
      const Step& s = c.steps[i];
      QTest::mouseClick(s.button == kFind   ? dlg->findButton
                        : s.button == kNext ? dlg->findNextButton
                                            : dlg->findPreviousButton,
                        Qt::LeftButton);
      EXPECT_EQ(dlg->counterLabel->text(), s.counter);
      if (!s.buttons.empty()) {
        EXPECT_EQ(buttons(), s.buttons);
      }
      if (s.shown) {
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

TEST_F(FindView, ANumberFieldSearchesNoMemosAndAnEditedTextStopsTheStepping) {
  makeTable({{"Blue", ""}, {"Blue", ""}});
  open();
  choose("Value");
  EXPECT_FALSE(dlg->skipMemosCheck->isChecked());
  EXPECT_FALSE(dlg->skipMemosCheck->isEnabled());
  choose("ALL FIELDS");
  EXPECT_TRUE(dlg->skipMemosCheck->isChecked());
  EXPECT_TRUE(dlg->skipMemosCheck->isEnabled());
  type("blue");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  ASSERT_TRUE(dlg->findNextButton->isEnabled());
  QTest::keyClick(dlg->textCombo, Qt::Key_X);
  EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, false}));
}

TEST_F(FindView, SteppingSearchWalksTheLetterTabs) {
  makeTable({{"Apple", ""}, {"Banana", ""}, {"Cherry pie", ""}, {"Date", ""}, {"Plum pie", ""}},
            true);
  open();
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
  makeTable({});
  open();
  QTest::mouseClick(dlg->nonStopCheck, Qt::LeftButton);
  type("anything");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  EXPECT_EQ(prompts.texts(), QStringList{"No Records Found!"});
  EXPECT_EQ(appSettings().filterState, 0);
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FindView, FalseFromBeforeMarkAllCancelsThePass) {
  makeTable({{"Blue", ""}});
  open();
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

TEST_F(FindView, NonStopModeFixesTheDirection) {
  makeTable({{"Blue", ""}, {"Blue", ""}});
  open();
  type("blue");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  ASSERT_TRUE(dlg->findNextButton->isEnabled());
  dlg->endRadio->setChecked(true);
  QTest::mouseClick(dlg->nonStopCheck, Qt::LeftButton);
  EXPECT_TRUE(dlg->beginningRadio->isChecked());
  EXPECT_FALSE(dlg->directionGroup->isEnabled());
  EXPECT_FALSE(dlg->findNextButton->isEnabled());
  EXPECT_FALSE(dlg->findPreviousButton->isEnabled());
  QTest::mouseClick(dlg->nonStopCheck, Qt::LeftButton);
  EXPECT_TRUE(dlg->directionGroup->isEnabled());
}

TEST_F(FindView, NonStopLeavesTheViewShowingOnlyTheFoundRecords) {
  std::vector<Row> rows = numbered(30);
  rows[4].title = "The Xenon Affair";
  rows[17].author = "Xenon Press";
  rows[29].title = "xenon";
  makeTable(rows);
  open();
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
  {
    std::vector<Row> rows(kRecords, Row{QStringLiteral("Same title"), {}});
    makeTable(rows);
  }
  open();
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
  EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(marks().back(), '0');  // which marks a stop keeps is FindSearchTest's
}

TEST_F(FindView, TheWindowRemembersItsChoicesBetweenOpenings) {
  makeTable(numbered(3));
  open();
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
  EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, false}));
}

TEST_F(FindView, ClosingTheViewClosesTheWindow) {
  makeTable(numbered(3));
  open();
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
