#include "book/combined/combinedview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "book/contents/contentsview.h"
#include "book/recordpage.h"
#include "book/recordpages/recordpagesview.h"
#include "book/viewhost.h"
#include "core/labels.h"
#include "core/templatelist.h"
#include "dbase/table.h"
#include "prefs/optionsdialog.h"
#include "print/radiogroup.h"
#include "query/filter/filterlist.h"
#include "query/find/finddialog.h"
#include "query/sort/sortbar.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/recordtext.h"
#include "store/sortstate.h"
#include "support/bookviewfixture.h"
#include "support/mainviews.h"
#include "ui/colorbutton.h"
#include "ui/columnheader.h"
#include "ui/contentsentry.h"
#include "ui/editors/calculatordialog.h"
#include "ui/editors/calendarpopup.h"
#include "ui/editors/currencyedit.h"
#include "ui/editors/dateedit.h"
#include "ui/elementcolors.h"
#include "ui/pageeditors.h"

namespace {

// Clicks the view's "Options" and lets `act` work in the dialog before "Close".
void inOptions(BookView* v, std::function<void(OptionsDialog*)> act) {
  QTimer::singleShot(0, [act] {
    auto* d = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    act(d);
    QTest::mouseClick(d->closeButton, Qt::LeftButton);
  });
  QTest::mouseClick(v->optionsButton, Qt::LeftButton);
}

void chooseBookModel(BookView* v, int model) {
  inOptions(v,
            [model](OptionsDialog* d) { d->group(&AppSettings::bookModel)->item(model)->click(); });
}

// The combined view over a copy of the shipped template with records.
class CombinedViewTest : public BookViewTest {
 protected:
  void SetUp() override {
    BookViewTest::SetUp();
    registerBookViews();
    appSettings().bookModel = 0;
  }
  void TearDown() override {
    if (BookView* v = currentView()) {
      v->switchingModel = true;  // nothing to save at the end of a test
      delete v;
    }
    delete guard.data();
    BookViewTest::TearDown();
  }

  void open() {
    view = new CombinedView;
    guard = view;
    setCurrentView(view);
    view->show();
    ASSERT_TRUE(view->databaseOpen());
  }
  void open(const QStringList& titles, bool byTitle = false) {
    makeTable(titles, byTitle);
    open();
  }
  // The colour painted in the middle of the record page's top.
  QColor pageColour() {
    QTest::qWait(20);
    const QPoint inPage = view->recordPage->mapTo(view, QPoint(CombinedView::kPageWidth / 2, 30));
    return view->grab().toImage().pixelColor(inPage);
  }
  QString Text(int k) const { return editorText(view->recordPage->editors[size_t(k)]); }
  void type(int k, const QString& text) {
    auto* e = lineEditOf(view->recordPage->editors[size_t(k)]);
    ASSERT_NE(e, nullptr);
    e->selectAll();
    if (text.isEmpty())
      QTest::keyClick(e, Qt::Key_Delete);
    else
      QTest::keyClicks(e, text);
  }
  // A key as the user presses it: to the widget that has the focus.
  void key(int key, Qt::KeyboardModifiers mods) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target ? target : static_cast<QWidget*>(view), Qt::Key(key), mods);
  }
  void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
  QString position() const { return view->recordPage->pageNumber->text(); }
  QString status() const { return view->recordPage->statusLabel->text(); }
  ContentsEntry* entry(int slot) const { return view->entries[size_t(slot)]; }
  int selectedEntry() const {
    int found = -1;
    for (int s = 0; s < CombinedView::kPageEntries; ++s)
      if (entry(s)->selected()) found = s;
    return found;
  }

  CombinedView* view = nullptr;
  QPointer<CombinedView> guard;  // the view frees itself when it closes
};

TEST_F(CombinedViewTest, OpensWithTheFirstRecordCurrentAndItsEntryDown) {
  open(numbered(20));
  EXPECT_EQ(view->currentPosition, 1);
  EXPECT_EQ(Text(0), "Book 000");
  EXPECT_EQ(Text(1), "Author 1");
  EXPECT_EQ(position(), "1");
  EXPECT_EQ(status(), "Read/Write Access");
  EXPECT_EQ(view->currentEntry, 0);
  EXPECT_EQ(selectedEntry(), 0);
  EXPECT_EQ(entry(11)->text(0), "Book 011");
  EXPECT_EQ(view->recordPage->labels[0]->text(), "Book Title");
  EXPECT_EQ(view->recordPage->editors[0]->objectName(), "L1");
  EXPECT_EQ(view->recordPage->editors[21]->objectName(), "L22");
  EXPECT_EQ(view->fieldLookup(1), view->recordPage->editors[1]);  // the author's list
  EXPECT_EQ(view->fieldLookupSource(1), "list1.dbf");
  EXPECT_EQ(view->fieldLookup(0), nullptr);
  EXPECT_EQ(view->fieldLookupSource(0), "");
  EXPECT_FALSE(view->recordPage->previousButton->isEnabled());
  EXPECT_TRUE(view->recordPage->nextButton->isEnabled());
  EXPECT_TRUE(view->windowTitle().endsWith(" - Database: Test Books"));
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedViewTest, PagingKeepsTheCurrentRecordAndItsEntryIsDownOnlyOnItsPage) {
  open(numbered(30));
  QTest::mouseClick(entry(2), Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 002");
  EXPECT_EQ(position(), "3");
  EXPECT_EQ(selectedEntry(), 2);
  type(1, "Changed");
  QTest::mouseClick(view->pageDownButton, Qt::LeftButton);
  EXPECT_EQ(view->topRecord(), 12);
  EXPECT_EQ(entry(0)->text(0), "Book 012");
  EXPECT_EQ(Text(0), "Book 002");
  EXPECT_EQ(Text(1), "Changed");  // paging neither saves nor reloads
  EXPECT_EQ(view->currentEntry, -1);
  EXPECT_EQ(selectedEntry(), -1);
  QTest::mouseClick(view->pageUpButton, Qt::LeftButton);
  EXPECT_EQ(view->currentEntry, 2);
  EXPECT_EQ(selectedEntry(), 2);
  EXPECT_EQ(Text(1), "Changed");
  QTest::mouseClick(entry(5), Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 005");
  EXPECT_EQ(stored(3)[2], "Changed");
}

// Which record Next and Previous reach is recordstep_test's business; here the
// buttons and keys get there and the left page keeps its letter.
TEST_F(CombinedViewTest, NextAndPreviousCrossLettersAndKeepTheLeftPage) {
  open({"Alpha", "Cedar", "Canal", "Grape", "Gold"}, true);
  click(view->letterButtons[2]);
  EXPECT_EQ(view->currentLetter(), 'C');
  EXPECT_EQ(Text(0), "Alpha");  // a letter moves only the left page
  click(entry(1));
  EXPECT_EQ(Text(0), "Cedar");
  EXPECT_EQ(position(), "2");
  click(view->recordPage->nextButton);
  EXPECT_EQ(Text(0), "Gold");
  EXPECT_EQ(position(), "1");
  EXPECT_EQ(view->currentLetter(), 'C');
  EXPECT_EQ(view->currentEntry, -1);
  click(view->recordPage->nextButton);
  EXPECT_EQ(Text(0), "Grape");
  EXPECT_FALSE(view->recordPage->nextButton->isEnabled());
  EXPECT_EQ(entry(1)->text(0), "Cedar");  // the left page still lists 'C' only
  EXPECT_TRUE(entry(2)->text(0).isEmpty());
  click(view->recordPage->previousButton);
  click(view->recordPage->previousButton);
  EXPECT_EQ(Text(0), "Cedar");
  EXPECT_EQ(view->currentEntry, 1);
  key(Qt::Key_PageUp, Qt::AltModifier);
  EXPECT_EQ(Text(0), "Canal");
  key(Qt::Key_PageUp, Qt::AltModifier);
  EXPECT_EQ(Text(0), "Alpha");
  EXPECT_FALSE(view->recordPage->previousButton->isEnabled());
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedViewTest, SynchronizeBringsTheLeftPageToTheCurrentRecord) {
  QStringList titles{"Alpha"};
  for (int i = 0; i < 15; ++i) titles << QStringLiteral("Gold %1").arg(i, 2, 10, QLatin1Char('0'));
  open(titles, true);
  QTest::mouseClick(view->recordPage->nextButton, Qt::LeftButton);  // Gold 00
  for (int i = 0; i < 13; ++i) QTest::mouseClick(view->recordPage->nextButton, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Gold 13");
  EXPECT_EQ(view->currentLetter(), 'A');
  QTest::mouseClick(view->recordPage->synchronizeButton, Qt::LeftButton);
  EXPECT_EQ(view->currentLetter(), 'G');
  EXPECT_EQ(view->topRecord(), 12);
  EXPECT_EQ(view->currentEntry, 1);
  EXPECT_EQ(entry(1)->text(0), "Gold 13");
  EXPECT_EQ(Text(0), "Gold 13");
  EXPECT_EQ(position(), "14");
}

// Which record a delete leaves current is the session's business (DeleteTest,
// PositionAfterADeleteElsewhere); here the button, the entry menu and the
// page follow it.
TEST_F(CombinedViewTest, DeleteByButtonOrEntryMenuShowsTheFollowingRecord) {
  open(numbered(5));
  click(entry(3));
  view->onDeleteRecordClicked(1);  // another record's entry
  EXPECT_EQ(Text(0), "Book 003");
  EXPECT_EQ(position(), "3");
  EXPECT_EQ(view->currentEntry, 2);
  click(view->recordPage->deleteButton);
  EXPECT_EQ(Text(0), "Book 004");
  EXPECT_EQ(entry(2)->text(0), "Book 004");
  EXPECT_EQ(view->currentEntry, 2);
  view->onDeleteRecordClicked(2);  // the current record's own entry, the last one
  EXPECT_TRUE(view->currentNew());
  EXPECT_TRUE(Text(0).isEmpty());
  EXPECT_EQ(position(), "");
  EXPECT_EQ(status(), "New Record");
  EXPECT_EQ(stored(2), (std::vector<std::string>{"Book 000", "Book 002"}));
  EXPECT_TRUE(prompts.shown.empty());
  view->onDeleteRecordClicked(7);
  EXPECT_EQ(prompts.texts(), QStringList{"Empty Record cannot be Deleted."});
}

TEST_F(CombinedViewTest, DeletingTheOnlyRecordAsksFirstAndLeavesANewRecord) {
  open({"Lonely"}, true);
  EXPECT_TRUE(view->currentNew());  // nothing under 'A'
  click(view->letterButtons[11]);
  click(entry(0));
  EXPECT_EQ(Text(0), "Lonely");
  appSettings().deleteMode = 0;
  QTimer::singleShot(0, [] {
    // The confirmation dialog: anything but YES keeps the record.
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->reject();
  });
  click(view->recordPage->deleteButton);
  EXPECT_EQ(prompts.texts(), QStringList{"Record not Deleted."});
  appSettings().deleteMode = 1;
  key(Qt::Key_Delete, Qt::AltModifier);
  EXPECT_TRUE(view->currentNew());
  EXPECT_TRUE(stored(2).empty());
  EXPECT_TRUE(view->recordPage->previousButton->isEnabled());  // both stay on for a new record
}

// Numbering is RecordSessionTest.NewRecordsGetTheNextCatalogueNumbers.
TEST_F(CombinedViewTest, NewRecordShowsNoPositionAndIsStoredWhenLeft) {
  open(numbered(5));
  click(view->newButton);
  EXPECT_TRUE(view->currentNew());
  EXPECT_EQ(view->currentNumber(), -1);
  EXPECT_EQ(position(), "");
  EXPECT_EQ(status(), "New Record");
  EXPECT_EQ(view->focusWidget(), view->recordPage->editors[0]);
  type(0, "Zebra");
  // New again: the record is stored and the new page follows it.
  click(view->newButton);
  EXPECT_TRUE(view->currentNew());
  EXPECT_TRUE(Text(0).isEmpty());
  EXPECT_EQ(stored(2).back(), "Zebra");
  EXPECT_EQ(entry(5)->text(0), "Zebra");
  // A new record left empty stores nothing and asks nothing.
  click(entry(1));
  EXPECT_EQ(Text(0), "Book 001");
  EXPECT_EQ(stored(2).size(), 6u);
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedViewTest, AnEmptyTitleAsksAndNoKeepsTheRecordAndItsEdits) {
  open(numbered(3));
  type(0, "");
  type(1, "Someone");
  click(entry(2));
  EXPECT_EQ(prompts.texts(), QStringList{"First Field cannot be empty!" + kDiscardQuestion});
  EXPECT_EQ(Text(1), "Someone");
  EXPECT_EQ(selectedEntry(), 0);
  prompts.answers.push_back(MsgResult::Yes);
  click(entry(2));
  EXPECT_EQ(Text(0), "Book 002");
  EXPECT_EQ(stored(3)[0], "Author 1");
}

TEST_F(CombinedViewTest, RecordHeldElsewhereIsShownReadOnly) {
  makeTable(numbered(3));
  dbase::Table other;
  holdRecord(other, 1);
  open();
  click(entry(1));
  EXPECT_TRUE(view->currentInUse());
  EXPECT_EQ(status(), "Read Only Access - Record In Use");
  EXPECT_FALSE(view->recordPage->editors[0]->isEnabled());
  EXPECT_FALSE(view->recordPage->deleteButton->isEnabled());
  click(entry(0));
  EXPECT_EQ(status(), "Read/Write Access");
  EXPECT_FALSE(lockable(0));  // the view's lock keeps others off the current record
  other.cancel();
}

TEST_F(CombinedViewTest, CopyPasteAndUndoOfTheCurrentRecord) {
  open(numbered(3));
  EXPECT_FALSE(view->recordPage->pasteButton->isEnabled());
  key(Qt::Key_C, Qt::AltModifier);
  EXPECT_TRUE(appSettings().copyBufferFull);
  EXPECT_TRUE(view->recordPage->pasteButton->isEnabled());
  EXPECT_TRUE(view->entryPasteAction->isEnabled());
  QTest::mouseClick(entry(2), Qt::LeftButton);
  QTest::mouseClick(view->recordPage->pasteButton, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 000");
  EXPECT_EQ(stored(2)[2], "Book 002");  // pasting only fills the editors
  QTest::mouseClick(view->recordPage->undoButton, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 002");
  // Pasting from the entry menu onto another entry stores at once.
  view->onPasteRecordClicked(1);
  EXPECT_EQ(stored(2)[1], "Book 000");
  EXPECT_EQ(Text(0), "Book 002");
  EXPECT_EQ(position(), "3");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedViewTest, KeysSelectPartsAndLettersOfTheLeftPageOnly) {
  open({"Alpha", "Bravo"}, true);
  key(Qt::Key_3, Qt::AltModifier);
  EXPECT_EQ(view->recordPage->part(), 2);
  key(Qt::Key_5, Qt::AltModifier);
  EXPECT_EQ(view->recordPage->part(), 2);
  // Inside the memo Ctrl+End is the memo's own key.
  auto* memo = qobject_cast<QPlainTextEdit*>(view->recordPage->editors[20]);
  memo->setPlainText("one\ntwo");
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view));
  memo->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), memo);
  key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(memo->textCursor().position(), 7);
  view->recordPage->selectPart(0);
  key(Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(view->currentLetter(), 'B');
  EXPECT_EQ(entry(0)->text(0), "Bravo");
  EXPECT_EQ(Text(0), "Alpha");
  key(Qt::Key_Y, Qt::AltModifier);
  EXPECT_EQ(view->currentLetter(), 'A');
}

TEST_F(CombinedViewTest, ReadOnlyModeShowsWithoutLockingOrEditing) {
  useReadOnlyMode();
  open(numbered(2));
  // The title and the buttons are ReadOnlyUser's.
  EXPECT_EQ(status(), "Read Only Access");
  EXPECT_FALSE(view->recordPage->editors[0]->isEnabled());
  EXPECT_FALSE(view->entryDeleteAction->isEnabled());
  EXPECT_TRUE(lockable(0));
  click(view->recordPage->nextButton);
  EXPECT_EQ(Text(0), "Book 001");
  EXPECT_FALSE(view->recordPage->nextButton->isEnabled());
}

TEST_F(CombinedViewTest, ANewSortMakesTheFirstRecordCurrentUnderTheLetterA) {
  open({"Zulu", "Bravo", "Alpha"});
  EXPECT_EQ(Text(0), "Zulu");
  EXPECT_FALSE(view->letterButtons[0]->isEnabled());  // entry order: no letters
  type(1, "Zed");
  SortFields byTitle;
  byTitle.firstField = appSettings().firstUserField;
  byTitle.secondField = 0;
  emit view->sortBar->sortByClick(byTitle);
  EXPECT_EQ(stored(3)[0], "Zed");  // saved before the sort
  EXPECT_TRUE(view->letterButtons[0]->isEnabled());
  EXPECT_EQ(view->currentLetter(), 'A');
  EXPECT_EQ(Text(0), "Alpha");
  EXPECT_EQ(letterCounts()[25], 1);
  EXPECT_EQ(view->currentEntry, 0);
  EXPECT_EQ(entry(1)->text(0), "");  // only 'A' is listed
  QTest::mouseClick(view->recordPage->nextButton, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Bravo");
  QTest::mouseClick(view->recordPage->nextButton, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Zulu");
  EXPECT_TRUE(prompts.shown.empty());
}

// The counts themselves are RecordSessionTest's LetterCounts.
TEST_F(CombinedViewTest, ARecordLeavingItsLetterLeavesTheLeftPage) {
  open({"Alpha", "Apple", "Bravo"}, true);
  type(0, "Banana");
  click(entry(1));
  EXPECT_EQ(entry(0)->text(0), "Apple");
  EXPECT_EQ(Text(0), "Apple");
  EXPECT_EQ(letterCounts()[1], 2);
}

// The model side is RecordSessionTest.SavingOnTheWayFindsTheRequestedRecordAgain.
TEST_F(CombinedViewTest, AnEntryClickedWhileANewRecordIsStoredStillOpensItsRecord) {
  open({"Alpha", "Apple"}, true);
  click(view->newButton);
  type(0, "Aardvark");
  click(entry(1));  // "Apple" when clicked
  EXPECT_EQ(Text(0), "Apple");
  EXPECT_EQ(position(), "3");
  EXPECT_EQ(view->currentEntry, 2);
  EXPECT_EQ(entry(0)->text(0), "Aardvark");
}

// The hooks the search window calls; TheSearchWindowMakesEachMatchCurrent
// drives the found case through the window.
TEST_F(CombinedViewTest, SearchHooksSaveFirstAndShowTheMatch) {
  open({"Alpha", "Cedar", "Canal"}, true);
  type(1, "Edited");
  click(view->letterButtons[2]);
  ASSERT_TRUE(view->findBeforeFind(false));
  EXPECT_EQ(stored(3)[0], "Edited");
  EXPECT_EQ(view->currentLetter(), 'A');
  EXPECT_FALSE(view->isEnabled());
  setLetterRange(view->tables().records, 'C');
  view->findOnFound('C', 1, 0, 1, 3);
  EXPECT_TRUE(view->isEnabled());
  EXPECT_EQ(Text(0), "Cedar");
  EXPECT_EQ(view->currentEntry, 1);
  EXPECT_EQ(lineEditOf(view->recordPage->editors[0])->selectedText(), "eda");
  view->findOnNotFound('A', false);
  EXPECT_EQ(view->currentLetter(), 'A');
  EXPECT_EQ(Text(0), "Cedar");  // the match stays current
  ASSERT_TRUE(view->findBeforeMarkAll());
  EXPECT_FALSE(view->recordCursor().active());
  view->findAfterMarkAll(false);
  EXPECT_TRUE(view->isEnabled());
  EXPECT_TRUE(view->recordCursor().active());
  EXPECT_EQ(Text(0), "Alpha");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedViewTest, TheSearchWindowMakesEachMatchCurrent) {
  open({"Apple", "Banana", "Cherry pie", "Date", "Plum pie"}, true);
  type(1, "Saved first");
  QTest::mouseClick(view->searchButton, Qt::LeftButton);
  FindDialog* dlg = FindDialog::instance();
  ASSERT_NE(dlg, nullptr);
  dlg->textCombo->setEditText(QString());
  QTest::keyClicks(dlg->textCombo, "pie");
  QTest::mouseClick(dlg->findButton, Qt::LeftButton);
  EXPECT_EQ(stored(3)[0], "Saved first");
  EXPECT_TRUE(view->isEnabled());
  EXPECT_EQ(view->currentLetter(), 'C');
  EXPECT_EQ(Text(0), "Cherry pie");
  EXPECT_EQ(view->currentEntry, 0);
  auto* title = lineEditOf(view->recordPage->editors[0]);
  EXPECT_EQ(title->selectedText(), "pie");
  EXPECT_EQ(title->palette().color(QPalette::Base), QColor(Qt::red));
  QTest::mouseClick(dlg->findNextButton, Qt::LeftButton);
  EXPECT_EQ(view->currentLetter(), 'P');
  EXPECT_EQ(Text(0), "Plum pie");
  dlg->close();
  QTest::mouseClick(view->recordPage->previousButton, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Date");
  EXPECT_EQ(title->palette().color(QPalette::Base), elementColor(16));
}

// What the pass marks and says is FindSearchTest's and FindView's; here the
// combined view lists the marked records and saves before the pass.
TEST_F(CombinedViewTest, ANonStopSearchListsTheFoundRecordsAndMakesTheFirstCurrent) {
  open(numbered(8));
  type(1, "Xenon Press");
  click(view->searchButton);
  FindDialog* dlg = FindDialog::instance();
  ASSERT_NE(dlg, nullptr);
  click(dlg->nonStopCheck);
  dlg->textCombo->setEditText("006");
  click(dlg->findButton);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_TRUE(prompts.shown[0].text.startsWith("1 Record(s) Found!"));
  EXPECT_TRUE(view->isEnabled());
  EXPECT_TRUE(view->recordCursor().active());
  EXPECT_EQ(entry(0)->text(0), "Book 006");
  EXPECT_TRUE(entry(1)->text(0).isEmpty());
  EXPECT_EQ(Text(0), "Book 006");
  EXPECT_EQ(status(), "Read/Write Access");
  EXPECT_EQ(stored(3)[0], "Xenon Press");
  dlg->close();
}

TEST_F(CombinedViewTest, FilterStatesListExactlyTheMarkedRecords) {
  installFilter();
  makeTable({"Charlie", "Alpha", "Beta", "Apple", "Bravo"}, true);
  filterList().addCondition(2);
  filterList().setCondition(0, "b", "", fkText, foGreaterOrEqual);
  ASSERT_TRUE(filterTemplates().addTemplate("From B"));
  const struct {
    int menuItem;  // of the sort bar's filter menu; -1 the first template
    QStringList listed;
    std::vector<int> counts;  // of A, B and C while the tabs are on
  } states[] = {{-1, {"Beta", "Bravo", "Charlie"}, {0, 2, 1}},
                {2, {"Alpha", "Apple"}, {2, 0, 0}},                               // Reversed
                {0, {"Alpha", "Apple", "Beta", "Bravo", "Charlie"}, {2, 2, 1}}};  // All Records
  for (int tabs : {0, 1}) {
    SCOPED_TRACE(tabs == 0 ? "letter tabs" : "no letter tabs");
    appSettings().letterTabs = static_cast<uint16_t>(tabs);
    appSettings().filterState = 0;
    open();
    filterList().clear();
    type(1, "Edited");  // left by the filter: saved first
    auto listed = [&] {
      QStringList out;
      for (char c : tabs == 0 ? QByteArray("ABC") : QByteArray("A")) {
        if (tabs == 0) view->selectLetter(c);
        for (int s = 0; s < 12; ++s)
          if (!entry(s)->text(0).isEmpty()) out << entry(s)->text(0);
      }
      return out;
    };
    view->sortBar->updateFilterMenu();
    for (const auto& s : states) {
      SCOPED_TRACE(s.menuItem);
      QMenu* menu = view->sortBar->filterMenu();
      if (s.menuItem < 0) {
        ASSERT_NE(menu->actions()[4]->menu(), nullptr);
        menu->actions()[4]->menu()->actions()[0]->trigger();  // the quick filter
        EXPECT_EQ(appSettings().filterState, 1);
        // The first record under 'A' is current: none while the tabs are on.
        EXPECT_EQ(Text(0), tabs == 0 ? "" : "Beta");
        EXPECT_EQ(stored(3)[1], "Edited");
      } else {
        menu->actions()[s.menuItem]->trigger();
      }
      EXPECT_EQ(listed(), s.listed);
      if (tabs == 0) {
        EXPECT_EQ(std::vector<int>(letterCounts().begin(), letterCounts().begin() + 3), s.counts);
      }
    }
    EXPECT_TRUE(prompts.shown.empty());
    view->switchingModel = true;
    delete view;
  }
}

TEST_F(CombinedViewTest, FunctionKeysOpenTheEntryAndPagePopups) {
  open(numbered(3));
  key(Qt::Key_F4, Qt::NoModifier);
  EXPECT_TRUE(view->pageMenu->isVisible());
  view->pageMenu->hide();
  key(Qt::Key_F3, Qt::NoModifier);
  EXPECT_TRUE(view->entryMenu->isVisible());
  EXPECT_EQ(view->menuSlot(), 0);
  EXPECT_EQ(view->quickViewMenu->actions().value(0)->text(), "Book 000");
  view->entryMenu->hide();
  key(Qt::Key_F2, Qt::NoModifier);
  EXPECT_TRUE(view->formMenu->isVisible());
  EXPECT_TRUE(view->oneLevelAction->isChecked());
  EXPECT_FALSE(view->twoLevelAction->isChecked());
  view->formMenu->hide();
}

TEST_F(CombinedViewTest, LayoutFollowsTheBarAndLetterPlaces) {
  appSettings().speedBarLocation = 0;
  appSettings().letterTabsLocation = 1;
  open(numbered(3));
  EXPECT_EQ(view->standardBar->y(), 0);
  EXPECT_GT(view->leftPage->y(), view->standardBar->y());
  EXPECT_EQ(view->recordPage->x(), CombinedView::kPageWidth);
  EXPECT_EQ(view->letterColumn->x(), 2 * CombinedView::kPageWidth);
  appSettings().speedBarLocation = 1;
  appSettings().letterTabsLocation = 0;
  view->applyLayout();
  EXPECT_EQ(view->leftPage->y(), 0);
  EXPECT_EQ(view->standardBar->y(), CombinedView::kPageHeight);
  EXPECT_EQ(view->letterColumn->x(), CombinedView::kPageWidth);
  appSettings().menusAndSpeedBars = 1;
  view->applyLayout();
  EXPECT_FALSE(view->standardBar->isVisible());
  EXPECT_FALSE(view->speedBarTabs->isVisible());
}

TEST_F(CombinedViewTest, ARefusedSaveKeepsTheViewOpen) {
  open(numbered(2));
  type(0, "");
  EXPECT_FALSE(view->close());
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(prompts.shown.size(), 1u);
  type(0, "Kept");
  view->switchToTwoLevels();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(stored(2)[0], "Kept");
  EXPECT_NE(qobject_cast<ContentsView*>(currentView()), nullptr);
}

TEST_F(CombinedViewTest, PagePopupFollowsTheButtons) {
  open(numbered(2));
  view->preparePageMenu();
  EXPECT_FALSE(view->pagePasteAction->isEnabled());
  EXPECT_TRUE(view->pageCopyAction->isEnabled());
  EXPECT_TRUE(view->pageDeleteAction->isEnabled());
  EXPECT_TRUE(view->pageSynchronizeAction->isEnabled());
  EXPECT_FALSE(view->pageCopyBufferMenu->isEnabled());
  view->onCopyClicked();
  view->preparePageMenu();
  EXPECT_TRUE(view->pagePasteAction->isEnabled());
  EXPECT_TRUE(view->pageCopyBufferMenu->isEnabled());
  EXPECT_EQ(view->pageCopyBufferMenu->actions().value(0)->text(), "Book 000");
  QTest::mouseClick(view->newButton, Qt::LeftButton);
  view->preparePageMenu();
  EXPECT_FALSE(view->pageSynchronizeAction->isEnabled());
  view->prepareEntryMenu(1);
  EXPECT_TRUE(view->quickViewMenu->isEnabled());
  EXPECT_EQ(view->quickViewMenu->actions().value(0)->text(), "Book 001");
  view->prepareEntryMenu(5);
  EXPECT_FALSE(view->quickViewMenu->isEnabled());
}

TEST_F(CombinedViewTest, TenSwitchesOfBookModelLoseNoEdit) {
  open(numbered(12));
  for (int round = 0; round < 10; ++round) {
    auto* combined = qobject_cast<CombinedView*>(currentView());
    ASSERT_NE(combined, nullptr) << round;
    QTest::mouseClick(combined->entries[size_t(round)], Qt::LeftButton);
    auto* title = lineEditOf(combined->recordPage->editors[1]);
    title->selectAll();
    QTest::keyClicks(title, QStringLiteral("One %1").arg(round));
    combined->prepareFormMenu();
    EXPECT_TRUE(combined->oneLevelAction->isChecked());
    // Odd rounds switch from the options dialog.
    if (round % 2)
      chooseBookModel(combined, 1);
    else
      combined->twoLevelAction->trigger();
    EXPECT_EQ(appSettings().bookModel, 1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    auto* toc = qobject_cast<ContentsView*>(currentView());
    ASSERT_NE(toc, nullptr) << round;
    ASSERT_TRUE(toc->databaseOpen());
    toc->onEntryClicked(round);
    RecordPagesView* pages = toc->recordPages;
    const int page = round % 2;
    auto* edit = lineEditOf((page == 0 ? pages->leftEditors : pages->rightEditors)[2]);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("Two %1").arg(round));
    pages->close();
    if (round % 2)
      chooseBookModel(toc, 0);
    else
      toc->switchToOneLevel();
    EXPECT_EQ(appSettings().bookModel, 0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  auto* combined = qobject_cast<CombinedView*>(currentView());
  ASSERT_NE(combined, nullptr);
  combined->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const std::vector<std::string> authors = stored(3), coauthors = stored(4);
  for (int round = 0; round < 10; ++round) {
    EXPECT_EQ(authors[size_t(round)], QStringLiteral("One %1").arg(round).toStdString());
    EXPECT_EQ(coauthors[size_t(round)], QStringLiteral("Two %1").arg(round).toStdString());
  }
  EXPECT_EQ(authors[10], "Author 11");
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_TRUE(QFile::exists(joinPath(appSettings().programDir, "options.dat")));
}

TEST_F(CombinedViewTest, OptionsTakeEffectInTheOpenView) {
  open(numbered(2));
  inOptions(view, [](OptionsDialog* d) {
    d->group(&AppSettings::menusAndSpeedBars)->item(1)->click();
    d->labelList->setCurrentRow(0);
    d->newLabelEdit->setText(QStringLiteral("Titre é"));
    d->changeButton->click();
    d->elementList->setCurrentRow(24);
    d->colorGrid->setCurrentRow(3);
  });
  EXPECT_EQ(view->recordPage->labelTexts()[0], QStringLiteral("Titre é"));
  EXPECT_EQ(view->columnHeader->sectionCaption(0), QStringLiteral("Titre é"));
  EXPECT_EQ(entry(1)->text(0), "Book 001");
  EXPECT_FALSE(view->standardBar->isVisible());
  EXPECT_TRUE(view->menuBar()->isVisible());
  EXPECT_EQ(pageColour(), QColor(255, 255, 0));
  EXPECT_EQ(readLabelsFile(joinPath(appSettings().homeDir, "labels.dat")).value(0),
            QStringLiteral("Titre é"));
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedViewTest, TheSampleCollectionOpensAsAnOpenBook) {
  ASSERT_NO_FATAL_FAILURE(loadSampleByTitle());
  open();
  EXPECT_FALSE(Text(0).isEmpty());
  EXPECT_EQ(entry(0)->text(0), Text(0));
  EXPECT_EQ(view->leftPage->x() + CombinedView::kPageWidth, view->letterColumn->x());
  EXPECT_EQ(view->letterColumn->x() + CombinedView::kLetterColumnWidth, view->recordPage->x());
  EXPECT_EQ(pageColour(), elementColor(24));
}

}  // namespace

// The field editors inside the record page, typed into as a user would.
class FieldEditorsTest : public CombinedViewTest {
 protected:
  static constexpr int kPublished = 7, kValue = 8;  // user fields
  DateEdit* dateEdit() const {
    return qobject_cast<DateEdit*>(view->recordPage->editors[size_t(kPublished)]);
  }
  CurrencyEdit* amount() const {
    return qobject_cast<CurrencyEdit*>(view->recordPage->editors[size_t(kValue)]);
  }
  void focus(QWidget* w) {
    if (!view->isActiveWindow()) {
      view->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(view));
    }
    w->setFocus(Qt::TabFocusReason);
  }
  void leave() { view->recordPage->editors[0]->setFocus(Qt::TabFocusReason); }
  // Runs `act` on the pop-up that `open` shows; the pop-up is closed in any case.
  template <class Popup>
  void withPopup(const std::function<void()>& open, const std::function<void(Popup*)>& act) {
    QTimer::singleShot(0, [act] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* popup = qobject_cast<Popup*>(modal))
        act(popup);
      else
        ADD_FAILURE() << "no pop-up";
      if (modal && modal->isVisible()) static_cast<QDialog*>(modal)->reject();
    });
    open();
  }
  QColor textColor(QWidget* w) const {
    return w->palette().color(QPalette::Active, QPalette::Text);
  }
};

// Typing over the mask and zero-filling are DateEditTyping's and
// DateEditLeaving's; here the keys reach the edit, a bad date keeps the focus
// and the edit's menu works.
TEST_F(FieldEditorsTest, DateEditTakesKeysAndRefusesToBeLeftWithNoDate) {
  open(numbered(2));
  DateEdit* d = dateEdit();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->text(), "__/__/____");
  focus(d);
  QTest::keyClicks(d, "1231x19979");  // the letter is refused, the ninth digit ignored
  EXPECT_EQ(d->text(), "12/31/1997");
  QTest::keyClick(d, Qt::Key_Home);
  QTest::keyClicks(d, "12");
  QTest::keyClick(d, Qt::Key_Backspace);
  EXPECT_EQ(d->text(), "1_/31/1997");
  EXPECT_EQ(d->cursorPosition(), 1);
  leave();
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(prompts.shown[0].text, "Invalid Date!");
  EXPECT_EQ(QApplication::focusWidget(), d);
  EXPECT_EQ(d->text(), "1_/31/1997");
  QTest::keyClick(d, Qt::Key_Home);
  QTest::keyClick(d, Qt::Key_Delete);  // blanks the digit right of the caret
  QTest::keyClick(d, Qt::Key_Right);
  QTest::keyClicks(d, "5");
  leave();
  EXPECT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(Text(kPublished), "05/31/1997");
  // Its own menu: Clear, then Undo brings the date back.
  EXPECT_TRUE(d->undoAction->isEnabled());
  d->clearAction->trigger();
  EXPECT_EQ(d->text(), "__/__/____");
  d->undoAction->trigger();
  EXPECT_EQ(d->text(), "05/31/1997");
}

TEST_F(FieldEditorsTest, CalendarPicksByKeysAndByMouse) {
  open(numbered(2));
  DateEdit* d = dateEdit();
  d->setDateValue(QDate(2023, 3, 31));
  withPopup<CalendarPopup>([d] { d->showCalendar(); },
                           [](CalendarPopup* c) {
                             EXPECT_EQ(c->size(), c->geometry().formSize());
                             QTest::keyClick(c, Qt::Key_PageUp);  // 3 March 2023
                             QTest::keyClick(c, Qt::Key_End);     // 3 March 2022
                             QTest::keyClick(c, Qt::Key_Right);
                             QTest::keyClick(c, Qt::Key_Return);
                           });
  EXPECT_EQ(d->text(), "03/04/2022");
  // Escape changes nothing.
  withPopup<CalendarPopup>([d] { d->showCalendar(); },
                           [](CalendarPopup* c) {
                             QTest::keyClick(c, Qt::Key_Home);
                             QTest::keyClick(c, Qt::Key_Escape);
                           });
  EXPECT_EQ(d->text(), "03/04/2022");
  // March 2022 begins on a Tuesday (cell 3): an empty cell does nothing, a
  // press dragged to another day and released takes that day.
  withPopup<CalendarPopup>([d] { d->showCalendar(); },
                           [](CalendarPopup* c) {
                             const CalendarGeometry& g = c->geometry();
                             QTest::mouseClick(c, Qt::LeftButton, {}, g.cell(1).center());
                             EXPECT_TRUE(c->isVisible());
                             QTest::mousePress(c, Qt::LeftButton, {}, g.cell(9).center());
                             QMouseEvent move(QEvent::MouseMove, g.cell(10).center(),
                                              c->mapToGlobal(g.cell(10).center()), Qt::NoButton,
                                              Qt::LeftButton, Qt::NoModifier);
                             QApplication::sendEvent(c, &move);
                             QTest::mouseRelease(c, Qt::LeftButton, {}, g.cell(10).center());
                             EXPECT_FALSE(c->isVisible());
                           });
  EXPECT_EQ(d->text(), "03/08/2022");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(FieldEditorsTest, AmountsShowTheirSignColoursAndTheCalculatorFillsThem) {
  open(numbered(2));
  CurrencyEdit* a = amount();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->text(), "0.00");
  struct Typing {
    const char* keys;
    const char* shown;
    int colorElement;
  };
  for (const Typing& t : {Typing{"12.5", "12.50", 21}, Typing{"-3", "-3.00", 22},
                          Typing{"1234.5", "1,234.50", 21}, Typing{"", "0.00", 21}}) {
    focus(a);
    a->selectAll();
    QTest::keyClick(a, Qt::Key_Backspace);
    QTest::keyClicks(a, t.keys);
    leave();
    EXPECT_EQ(a->text(), t.shown) << t.keys;
    EXPECT_EQ(textColor(a), elementColor(t.colorElement)) << t.keys;
  }
  focus(a);
  QTest::keyClicks(a, "abc,");  // dropped
  EXPECT_EQ(a->text(), "0.00");
  a->setValue(7);
  withPopup<CalculatorDialog>([a] { a->showCalculator(); },
                              [a](CalculatorDialog* calc) {
                                EXPECT_EQ(a->text(), "0");
                                QTest::keyClicks(calc, "200+10");
                                QTest::mouseClick(calc->findChild<QPushButton*>("percentButton"),
                                                  Qt::LeftButton);
                                EXPECT_EQ(a->text(), "220");
                                QTest::mouseClick(calc->okButton, Qt::LeftButton);
                              });
  EXPECT_EQ(a->text(), "220.00");
  EXPECT_EQ(a->value(), 220);
  withPopup<CalculatorDialog>([a] { a->showCalculator(); },
                              [a](CalculatorDialog* calc) {
                                QTest::keyClicks(calc, "7/0=");
                                EXPECT_EQ(a->text(), "Error");
                                // Not the record's until OK.
                                EXPECT_EQ(editorText(a), "220.00");
                                QTest::mouseClick(calc->cancelButton, Qt::LeftButton);
                              });
  EXPECT_EQ(a->text(), "220.00");
  withPopup<CalculatorDialog>([a] { a->showCalculator(); },
                              [](CalculatorDialog* calc) {
                                QTest::keyClicks(calc, "50_*2");
                                QTest::keyClick(calc, Qt::Key_Return);  // = then OK
                              });
  EXPECT_EQ(a->text(), "-100.00");
  EXPECT_EQ(textColor(a), elementColor(22));
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(FieldEditorsTest, DatesAndAmountsGoThroughASavedRecordInTheSettingsDateOrder) {
  appSettings().dateFormat = 1;                   // dd/mm/yyyy
  QLocale::setDefault(QLocale(QLocale::German));  // a comma for the decimal point
  open(numbered(3));
  DateEdit* d = dateEdit();
  EXPECT_EQ(d->dateFormat(), "dd/mm/yyyy");
  withPopup<CalendarPopup>([d] { d->showCalendar(); },
                           [](CalendarPopup* c) { QTest::keyClick(c, Qt::Key_Return); });
  EXPECT_EQ(d->dateValue(), QDate::currentDate());  // a blank edit's calendar starts on today
  focus(d);
  QTest::keyClicks(d, "29022024");
  focus(amount());
  amount()->selectAll();
  QTest::keyClicks(amount(), "1234.56");
  // The custom date field takes a calendar pick alone: the page is changed by it.
  auto* custom = qobject_cast<DateEdit*>(view->recordPage->editors[16]);
  view->recordPage->selectPart(1);
  withPopup<CalendarPopup>([custom] { custom->showCalendar(); },
                           [](CalendarPopup* c) { QTest::keyClick(c, Qt::Key_Return); });
  QTest::mouseClick(entry(1), Qt::LeftButton);  // leaving the record saves it
  QLocale::setDefault(QLocale::c());
  EXPECT_TRUE(prompts.shown.empty());
  dbase::Table t;
  t.open(nativePath(table()), dbase::OpenMode::Shared, true);
  t.first();
  const dbase::Date published = t.asDate(9);
  EXPECT_EQ(QDate(published.year, published.month, published.day), QDate(2024, 2, 29));
  EXPECT_DOUBLE_EQ(t.asNumber(10), 1234.56);
  const dbase::Date picked = t.asDate(18);
  EXPECT_EQ(QDate(picked.year, picked.month, picked.day), QDate::currentDate());
  t.next();
  EXPECT_TRUE(t.isEmpty(9));  // the record not touched keeps its empty fields
  EXPECT_TRUE(t.isEmpty(10));
  t.close();
  // Back on the first record, the editors show what was stored.
  QTest::mouseClick(entry(0), Qt::LeftButton);
  EXPECT_EQ(d->text(), "29/02/2024");
  EXPECT_EQ(amount()->text(), "1,234.56");
  appSettings().dateFormat = 0;
}
