#include "book/recordpages/recordpagesview.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "book/contents/contentsview.h"
#include "book/recordpages/confirmpagedialog.h"
#include "core/labels.h"
#include "dbase/table.h"
#include "query/find/finddialog.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/recordtext.h"
#include "store/sortstate.h"
#include "support/bookviewfixture.h"
#include "ui/colorbutton.h"
#include "ui/editormenu.h"
#include "ui/elementcolors.h"
#include "ui/pageeditors.h"

namespace {

// The table of contents over a copy of the shipped template with records,
// opened on the record pages.
class RecordPages : public BookViewTest {
 protected:
  void TearDown() override {
    delete guard.data();
    BookViewTest::TearDown();
  }

  // Opens the table of contents and clicks the entry of `slot`.
  void openPages(int slot) {
    toc = new ContentsView;
    guard = toc;
    toc->show();
    ASSERT_TRUE(toc->databaseOpen());
    toc->onEntryClicked(slot);
    pages = toc->recordPages;
    ASSERT_TRUE(pages->isVisible());
  }
  void openPages(const QStringList& titles, int slot = 0, bool byTitle = false) {
    makeTable(titles, byTitle);
    openPages(slot);
  }
  QWidget* editor(int page, int k) const {
    return (page == 0 ? pages->leftEditors : pages->rightEditors)[size_t(k)];
  }
  QLineEdit* Edit(int page, int k) const { return lineEditOf(editor(page, k)); }
  QPlainTextEdit* Memo(int page) const { return qobject_cast<QPlainTextEdit*>(editor(page, 20)); }
  QString Text(int page, int k) const { return editorText(editor(page, k)); }
  QString pageNumbers() const {
    return pages->leftPageNumber->text() + "/" + pages->rightPageNumber->text();
  }
  void type(int page, int k, const QString& text) {
    QLineEdit* e = Edit(page, k);
    e->selectAll();
    QTest::keyClicks(e, text);
  }
  void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
  void close() { pages->close(); }

  ContentsView* toc = nullptr;
  QPointer<ContentsView> guard;  // the view frees itself when it closes
  RecordPagesView* pages = nullptr;
};

TEST_F(RecordPages, OpenShowsThePairHoldingThePosition) {
  openPages(numbered(10), 5);
  EXPECT_FALSE(toc->isVisible());
  EXPECT_EQ(pages->requestedRecord(), 5);
  EXPECT_EQ(pages->leftRecord(), 4);
  EXPECT_EQ(Text(0, 0), "Book 004");
  EXPECT_EQ(Text(1, 0), "Book 005");
  EXPECT_EQ(Text(1, 1), "Author 6");
  EXPECT_EQ(pageNumbers(), "5/6");
  EXPECT_EQ(pages->focusWidget(), pages->rightEditors[0]);
  EXPECT_EQ(pages->leftStatus->text(), "Read/Write Access");
  EXPECT_EQ(pages->rightStatus->text(), "Read/Write Access");
  EXPECT_EQ(pages->leftLabels[0]->text(), "Book Title");  // the field labels
  EXPECT_TRUE(pages->firstButton->isEnabled());
  EXPECT_TRUE(pages->lastButton->isEnabled());
  close();
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_FALSE(pages->isVisible());
  EXPECT_TRUE(toc->isVisible());
}

TEST_F(RecordPages, NewAfterAnOddCountKeepsTheLastRecordOnTheLeft) {
  openPages(numbered(7));
  click(pages->newButton);
  EXPECT_EQ(pages->leftRecord(), 6);
  EXPECT_EQ(Text(0, 0), "Book 006");
  EXPECT_TRUE(Text(1, 0).isEmpty());
  EXPECT_TRUE(pages->isNew(1));
  EXPECT_EQ(pages->rightStatus->text(), "New Record");
  EXPECT_EQ(pageNumbers(), "7/8");
  EXPECT_EQ(pages->focusWidget(), pages->rightEditors[0]);
  // Stored with the next catalogue number.
  type(1, 0, "Fresh");
  close();
  EXPECT_EQ(stored(2).back(), "Fresh");
  EXPECT_EQ(stored(0).back(), "8");
}

TEST_F(RecordPages, NewAfterAnEvenCountShowsTwoNewPagesAndStoresNothingEmpty) {
  openPages(numbered(8));
  click(pages->newButton);
  EXPECT_EQ(pageNumbers(), "9/10");
  EXPECT_TRUE(pages->isNew(0));
  EXPECT_TRUE(pages->isNew(1));
  EXPECT_FALSE(pages->pageDownButton->isEnabled());
  EXPECT_FALSE(pages->lastButton->isEnabled());
  close();
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(stored(2).size(), 8u);
}

TEST_F(RecordPages, NoEditIsLostWhenThePairIsLeft) {
  openPages(numbered(4));
  type(0, 0, "Left Title");
  type(0, 7, "12/25/1999");
  type(0, 8, "1234.5");
  Memo(0)->setPlainText("line one\nline two");
  Edit(1, 1)->setText(QString::fromUtf8("Jos\xC3\xA9"));
  type(1, 18, "-7");
  click(pages->pageDownButton);
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(Text(0, 0), "Book 002");
  EXPECT_EQ(stored(2),
            (std::vector<std::string>{"Left Title", "Book 001", "Book 002", "Book 003"}));
  EXPECT_EQ(stored(3)[1], "Jos\xE9");
  EXPECT_EQ(stored(9)[0], "19991225");
  EXPECT_EQ(stored(10)[0], "1234.50");
  EXPECT_EQ(stored(20)[1], "-7.00");
  EXPECT_EQ(stored(22)[0], "line one\r\nline two");
  EXPECT_EQ(stored(0), (std::vector<std::string>{"1", "2", "3", "4"}));  // numbers kept
  // Back on the first pair the editors show what was stored.
  click(pages->firstButton);
  EXPECT_EQ(Text(0, 8), "1,234.50");
  EXPECT_EQ(Text(0, 7), "12/25/1999");
  EXPECT_EQ(Memo(0)->toPlainText(), "line one\nline two");
}

TEST_F(RecordPages, EmptyTitleAsksAndNoStaysWithTheEdits) {
  openPages(numbered(2));
  Edit(0, 0)->clear();
  type(0, 1, "Changed Author");
  close();
  // The box's kind and buttons are RefusedLeave's.
  ASSERT_EQ(prompts.texts(), QStringList{"First Field cannot be empty!" + kDiscardQuestion});
  EXPECT_TRUE(pages->isVisible());
  EXPECT_EQ(Text(0, 1), "Changed Author");
  prompts.answers.push_back(MsgResult::Yes);
  close();
  EXPECT_FALSE(pages->isVisible());
  EXPECT_EQ(stored(3)[0], "Author 1");  // left without saving
}

// A signal or the end of the session closes the table of contents while the
// pages are up: nothing is asked and the pages are stored as typed.
TEST_F(RecordPages, EndOfTheRunWhileThePagesAreUpStoresThemAsTyped) {
  openPages(numbered(2));
  Edit(0, 0)->clear();
  type(0, 1, "Changed Author");
  struct Ending {
    Ending() { setShuttingDown(true); }
    ~Ending() { setShuttingDown(false); }
  } ending;
  toc->close();
  QTest::qWait(0);
  EXPECT_TRUE(guard.isNull());
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(stored(2), (std::vector<std::string>{"", "Book 001"}));
  EXPECT_EQ(stored(3), (std::vector<std::string>{"Changed Author", "Author 2"}));
}

TEST_F(RecordPages, TextThatIsNoDateOrNumberIsKeptAndExplained) {
  openPages(numbered(2));
  type(0, 7, "13/45/2020");
  type(1, 8, "1.2.3");  // letters would not even go in
  click(pages->pageDownButton);
  ASSERT_EQ(prompts.texts().size(), 1);
  EXPECT_EQ(prompts.texts()[0],
            "Published Date: \"13/45/2020\" is not a date (mm/dd/yyyy).\r"
            "Value: \"1.2.3\" is not a number." +
                kDiscardQuestion);
  EXPECT_EQ(Text(0, 7), "13/45/2020");
  EXPECT_EQ(Text(1, 8), "1.2.3");
  EXPECT_EQ(pages->leftRecord(), 0);
  EXPECT_EQ(stored(9)[0], "");
}

TEST_F(RecordPages, RecordHeldByAnotherCursorIsShownInUse) {
  makeTable(numbered(4));
  dbase::Table other;
  holdRecord(other, 1);  // "Book 001", the right page of the first pair
  openPages(0);
  EXPECT_EQ(pages->rightStatus->text(), "Read Only Access - Record In Use");
  EXPECT_EQ(pages->leftStatus->text(), "Read/Write Access");
  EXPECT_TRUE(pages->inUse(1));
  EXPECT_EQ(Text(1, 0), "Book 001");
  EXPECT_FALSE(pages->rightEditors[0]->isEnabled());
  EXPECT_FALSE(pages->rightUndoButton->isEnabled());
  EXPECT_FALSE(pages->rightDeleteButton->isEnabled());
  EXPECT_TRUE(pages->leftEditors[0]->isEnabled());
  EXPECT_EQ(pages->focusWidget(), pages->leftEditors[0]);
  EXPECT_FALSE(lockable(0));  // the pages' lock keeps others off the left record
  type(0, 1, "Edited");
  close();
  other.cancel();
  EXPECT_EQ(stored(3)[0], "Edited");
  EXPECT_EQ(stored(3)[1], "Author 2");
  EXPECT_TRUE(lockable(0));  // leaving the pair let go of the lock
}

TEST_F(RecordPages, RecordLockedByAnotherProgramUntilItDies) {
  makeTable(numbered(4));
  QProcess holder;
  holder.start(QStringLiteral(TOMES_LOCKHOLDER), {table(), "0"});
  ASSERT_TRUE(holder.waitForReadyRead(10000));
  ASSERT_EQ(holder.readAllStandardOutput().trimmed(), "locked");
  openPages(0);
  EXPECT_EQ(pages->leftStatus->text(), "Read Only Access - Record In Use");
  EXPECT_EQ(pages->rightStatus->text(), "Read/Write Access");
  EXPECT_FALSE(pages->leftEditors[0]->isEnabled());
  EXPECT_EQ(pages->focusWidget(), pages->rightEditors[0]);
  type(1, 0, "Right Edit");
  holder.kill();  // a crash frees the lock
  holder.waitForFinished();
  click(pages->pageDownButton);
  click(pages->pageUpButton);
  EXPECT_EQ(pages->leftStatus->text(), "Read/Write Access");
  EXPECT_TRUE(pages->leftEditors[0]->isEnabled());
  EXPECT_EQ(Text(1, 0), "Right Edit");
}

// Copy, paste and undo reach the page's session (stored results are the
// session tests' business).
TEST_F(RecordPages, PasteFillsTheEditorsAndUndoBringsBackTheRecord) {
  openPages(numbered(2));
  EXPECT_FALSE(pages->rightPasteButton->isEnabled());
  QTest::keyClick(Edit(0, 0), Qt::Key_O, Qt::ControlModifier);  // copy left
  EXPECT_TRUE(appSettings().copyBufferFull);
  EXPECT_TRUE(pages->rightPasteButton->isEnabled());
  QTest::keyClick(Edit(0, 0), Qt::Key_P, Qt::AltModifier);  // paste right
  EXPECT_EQ(Text(1, 0), "Book 000");
  EXPECT_EQ(Text(1, 1), "Author 1");
  EXPECT_EQ(stored(2)[1], "Book 001");  // nothing stored yet
  click(pages->rightUndoButton);
  EXPECT_EQ(Text(1, 0), "Book 001");
  EXPECT_EQ(Text(1, 1), "Author 2");
  pages->preparePageMenu(0);
  EXPECT_EQ(pages->viewCopyBuffer[0]->actions().value(0)->text(), "Book 000");
}

// Answers the page's Confirm Action dialog once it is up.
void confirmDelete(const QString& text, int page) {
  QTimer::singleShot(0, [text, page] {
    auto* dlg = qobject_cast<ConfirmPageDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    (page == 0 ? dlg->leftPageRadio : dlg->rightPageRadio)->setChecked(true);
    QTest::keyClicks(dlg->answerEdit, text);
    QTest::mouseClick(dlg->okButton, Qt::LeftButton);
  });
}

TEST_F(RecordPages, DeleteAsksWhichPageAndForYes) {
  makeTable(numbered(3));
  appSettings().deleteMode = 0;
  openPages(0);
  confirmDelete("no", 0);
  pages->onDeleteClicked(0);
  EXPECT_EQ(prompts.texts(), QStringList{"Record not Deleted."});
  QTimer::singleShot(0, [] {
    auto* dlg = qobject_cast<ConfirmPageDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->rightPageRadio->isChecked());  // the page asked for comes preselected
    dlg->leftPageRadio->setChecked(true);
    QTest::keyClicks(dlg->answerEdit, "yes");
    QTest::mouseClick(dlg->okButton, Qt::LeftButton);
  });
  pages->onDeleteClicked(1);
  EXPECT_EQ(stored(2), (std::vector<std::string>{"Book 001", "Book 002"}));
  EXPECT_EQ(Text(0, 0), "Book 001");
  EXPECT_EQ(Text(1, 0), "Book 002");
}

TEST_F(RecordPages, ImmediateDeleteShowsTheNextPairAndANewPageDeletesNothing) {
  openPages(numbered(2));
  pages->onDeleteClicked(0);
  EXPECT_EQ(stored(2), (std::vector<std::string>{"Book 001"}));
  EXPECT_EQ(Text(0, 0), "Book 001");
  EXPECT_TRUE(pages->isNew(1));
  appSettings().deleteMode = 0;
  pages->onDeleteClicked(1);  // no dialog: it would block here
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(stored(2).size(), 1u);
}

TEST_F(RecordPages, PagingCrossesTheLetters) {
  openPages({"Alpha", "Cedar", "Canal"}, 0, true);
  EXPECT_TRUE(pages->letterButtons[0]->isEnabled());
  EXPECT_TRUE(pages->pageDownButton->isEnabled());
  click(pages->pageDownButton);
  EXPECT_EQ(pages->currentLetter, 'B');
  EXPECT_TRUE(pages->isNew(0));
  click(pages->pageDownButton);
  EXPECT_EQ(pages->currentLetter, 'C');
  EXPECT_EQ(Text(0, 0), "Canal");
  EXPECT_EQ(Text(1, 0), "Cedar");
  QTest::keyClick(Edit(0, 0), Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(pages->currentLetter, 'A');
  EXPECT_EQ(Text(0, 0), "Alpha");
  close();
  EXPECT_EQ(toc->currentLetter(), 'A');
}

TEST_F(RecordPages, PartKeysSwitchOnlyPartsThatExistAndAMemoKeepsItsOwnKeys) {
  openPages(numbered(4));
  QTest::keyClick(Edit(0, 0), Qt::Key_2, Qt::ControlModifier);
  EXPECT_EQ(pages->pagePart(0), 1);
  EXPECT_EQ(pages->pagePart(1), 0);
  QTest::keyClick(Edit(0, 0), Qt::Key_3, Qt::AltModifier);
  EXPECT_EQ(pages->pagePart(1), 2);
  QTest::keyClick(Edit(0, 0), Qt::Key_5, Qt::ControlModifier);
  EXPECT_EQ(pages->pagePart(0), 1);
  EXPECT_EQ(pages->partEditorCounts, (std::array<int, 4>{9, 11, 1, 1}));
  // Ctrl+End and Ctrl+Home move inside a memo and page nothing; keys the
  // memo has no use for still work.
  pages->selectPart(0, 2);
  Memo(0)->setPlainText("one\ntwo");
  pages->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(pages));
  Memo(0)->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), Memo(0));
  QTest::keyClick(Memo(0), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Memo(0)->textCursor().position(), 7);
  EXPECT_EQ(pageNumbers(), "1/2");
  QTest::keyClick(Memo(0), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(Memo(0)->textCursor().position(), 0);
  QTest::keyClick(Memo(0), Qt::Key_1, Qt::AltModifier);
  EXPECT_EQ(pages->pagePart(1), 0);
}

TEST_F(RecordPages, ReadOnlyModeShowsButNeverLocks) {
  useReadOnlyMode();
  openPages(numbered(2));
  EXPECT_EQ(pages->leftStatus->text(), "Read Only Access");
  EXPECT_EQ(pages->rightStatus->text(), "Read Only Access");
  EXPECT_FALSE(pages->leftEditors[0]->isEnabled());  // the buttons are ReadOnlyUser's
  EXPECT_TRUE(lockable(0));
}

TEST_F(RecordPages, ExitEndsTheTableOfContentsToo) {
  openPages(numbered(2));
  click(pages->exitButton);
  QApplication::processEvents();
  QTest::qWait(0);
  EXPECT_TRUE(guard.isNull());
}

TEST_F(RecordPages, DeletingOnePageKeepsTheEditsOfTheOther) {
  openPages(numbered(4));
  type(1, 1, "Kept Author");
  pages->onDeleteClicked(0);
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(stored(2), (std::vector<std::string>{"Book 001", "Book 002", "Book 003"}));
  EXPECT_EQ(stored(3)[0], "Kept Author");
  EXPECT_EQ(Text(0, 1), "Kept Author");
  // A new right page with values is stored too, numbered.
  click(pages->newButton);
  EXPECT_EQ(Text(0, 0), "Book 003");
  type(1, 0, "Brand New");
  pages->onDeleteClicked(0);
  EXPECT_EQ(stored(2), (std::vector<std::string>{"Book 001", "Book 002", "Brand New"}));
  EXPECT_EQ(stored(0)[2], "5");
}

TEST_F(RecordPages, EditMenuFollowsTheEditorAndLoadsMemos) {
  openPages(numbered(2));
  EditorMenu* menu = pages->editMenu;
  menu->prepare(Edit(0, 0));
  EXPECT_TRUE(menu->selectAllAction->isEnabled());
  EXPECT_FALSE(menu->copyAction->isEnabled());
  EXPECT_FALSE(menu->loadAction->isVisible());
  Edit(0, 0)->selectAll();
  menu->prepare(Edit(0, 0));
  EXPECT_FALSE(menu->selectAllAction->isEnabled());
  EXPECT_TRUE(menu->cutAction->isEnabled());
  menu->deleteAction->trigger();
  EXPECT_TRUE(Text(0, 0).isEmpty());

  const QString file = box.file("notes.txt");
  ASSERT_TRUE(SettingsSandbox::write(file, "first\r\nsecond"));
  menu->prepare(Memo(0));
  EXPECT_TRUE(menu->loadAction->isVisible());
  prompts.files.push_back(file);
  menu->loadAction->trigger();
  EXPECT_EQ(Memo(0)->toPlainText(), "first\nsecond");
  EXPECT_EQ(prompts.fileRequests.back().fileName, "*.txt");
  Memo(0)->appendPlainText("third");
  const QString out = box.file("out.txt");
  prompts.files.push_back(out);
  menu->saveAction->trigger();
  EXPECT_EQ(SettingsSandbox::read(out), "first\r\nsecond\r\nthird");
}

// The pages on the sample collection: two page panels around the letter
// column, painted in the page colour. TOMES_SCREENSHOT names a file to keep
// the picture in.
TEST_F(RecordPages, PagesOfTheSampleCollectionFaceEachOther) {
  ASSERT_NO_FATAL_FAILURE(loadSampleByTitle());
  openPages(1);
  EXPECT_FALSE(Text(0, 0).isEmpty());
  EXPECT_FALSE(Text(1, 0).isEmpty());
  EXPECT_EQ(pages->leftPage->x() + RecordPagesView::kPageWidth, pages->letterColumn->x());
  EXPECT_EQ(pages->letterColumn->x() + RecordPagesView::kLetterColumnWidth, pages->rightPage->x());
  QTest::qWait(20);
  const QImage shot = pages->grab().toImage();
  const QPoint inPage = pages->leftPage->mapTo(pages, QPoint(RecordPagesView::kPageWidth / 2, 28));
  EXPECT_EQ(shot.pixelColor(inPage), elementColor(24));
  const QString keep = qEnvironmentVariable("TOMES_SCREENSHOT");
  if (!keep.isEmpty()) {
    EXPECT_TRUE(shot.save(keep));
  }
}

TEST_F(RecordPages, FunctionKeysOpenThePagePopups) {
  openPages(numbered(2));
  QTest::keyClick(Edit(0, 0), Qt::Key_F2);
  EXPECT_TRUE(pages->leftPageMenu->isVisible());
  EXPECT_TRUE(pages->popup[0].undo->isEnabled());
  EXPECT_FALSE(pages->popup[0].paste->isEnabled());  // nothing copied yet
  EXPECT_FALSE(pages->viewCopyBuffer[0]->isEnabled());
  pages->leftPageMenu->hide();
  QTest::keyClick(Edit(0, 0), Qt::Key_F3);
  EXPECT_TRUE(pages->rightPageMenu->isVisible());
  pages->rightPageMenu->hide();
  // Ctrl+U undoes the left page only.
  type(0, 0, "Changed");
  type(1, 0, "Changed Too");
  QTest::keyClick(Edit(1, 0), Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(Text(0, 0), "Book 000");
  EXPECT_EQ(Text(1, 0), "Changed Too");
}

TEST_F(RecordPages, NewFromTheTableOfContentsAndAnEmptyListing) {
  makeTable(numbered(3));
  toc = new ContentsView;
  guard = toc;
  toc->show();
  toc->onNewClicked();
  pages = toc->recordPages;
  ASSERT_TRUE(pages->isVisible());
  EXPECT_EQ(pages->leftRecord(), 2);
  EXPECT_EQ(Text(0, 0), "Book 002");
  EXPECT_TRUE(pages->isNew(1));
  EXPECT_EQ(pages->focusWidget(), pages->rightEditors[0]);
  close();
  delete toc;
  openPages({}, 4);
  EXPECT_EQ(pageNumbers(), "1/2");
  EXPECT_TRUE(pages->isNew(0));
  EXPECT_TRUE(pages->isNew(1));
  EXPECT_EQ(pages->leftStatus->text(), "New Record");
  EXPECT_FALSE(pages->firstButton->isEnabled());
  EXPECT_FALSE(pages->pageUpButton->isEnabled());
  EXPECT_FALSE(pages->pageDownButton->isEnabled());
  EXPECT_FALSE(pages->lastButton->isEnabled());
  pages->onDeleteClicked(0);  // nothing stored to delete
  EXPECT_TRUE(prompts.shown.empty());
  type(0, 0, "First Ever");
  close();
  EXPECT_EQ(stored(2), (std::vector<std::string>{"First Ever"}));
  EXPECT_EQ(stored(0), (std::vector<std::string>{"1"}));
}

TEST_F(RecordPages, FindStartsOnThePagesAndSelectsAMemoHitFarDown) {
  makeTable(numbered(4));
  // About 100 KB of lines ending in CR LF, the text near the end.
  std::string notes;
  for (int i = 0; notes.size() < 100000; ++i) notes += "line " + std::to_string(i) + "\r\n";
  notes += "the Needle here\r\n";
  {
    dbase::Table t;
    t.open(nativePath(table()), dbase::OpenMode::Exclusive);
    t.goToRecord(3);
    t.edit();
    t.writeBlob(appSettings().firstUserField + 20, notes);
    t.post();
  }
  openPages(0);
  ASSERT_TRUE(pages->searchButton->isEnabled());
  EXPECT_TRUE(pages->findAction->isEnabled());
  click(pages->searchButton);
  FindDialog* dlg = FindDialog::instance();
  ASSERT_NE(dlg, nullptr);
  dlg->skipMemosCheck->setChecked(false);
  dlg->textCombo->setEditText("needle");
  click(dlg->findButton);
  EXPECT_TRUE(pages->isVisible());
  EXPECT_EQ(pageNumbers(), "3/4");
  EXPECT_EQ(pages->pagePart(0), 2);
  EXPECT_EQ(Memo(0)->textCursor().selectedText(), "Needle");
  EXPECT_TRUE(Memo(0)->viewport()->rect().contains(Memo(0)->cursorRect()));
  EXPECT_EQ(Memo(0)->palette().color(QPalette::Base), QColor(Qt::red));
  EXPECT_TRUE(prompts.shown.empty());
  dlg->close();
  pages->refresh();  // the hit is painted until the pages show records again
  EXPECT_EQ(pages->highlightedEditor, nullptr);
  EXPECT_NE(Memo(0)->palette().color(QPalette::Base), QColor(Qt::red));
}

TEST_F(RecordPages, SearchHooksSaveFirstAndShowTheMatch) {
  openPages({"Alpha", "Bravo", "Beta", "Charlie"}, 0, true);
  type(0, 1, "Saved Before Search");
  EXPECT_TRUE(pages->findBeforeFind());
  EXPECT_EQ(stored(3)[0], "Saved Before Search");
  // A match on the second record of B: the right page, with the hit painted.
  setLetterRange(toc->tables().records, 'B');
  pages->findOnFound('B', 1, 1, 0, 0);
  EXPECT_EQ(pages->currentLetter, 'B');
  EXPECT_TRUE(pages->letterButtons[1]->selected());
  EXPECT_EQ(Text(1, 0), "Bravo");
  EXPECT_EQ(pages->highlightedEditor, pages->rightEditors[1]);
  EXPECT_EQ(pages->focusWidget(), pages->rightEditors[1]);
  // Find Next from another letter returns to the search letter first.
  EXPECT_TRUE(pages->findBeforeFindAgain('A'));
  EXPECT_EQ(pages->currentLetter, 'A');
  EXPECT_FALSE(pages->isEnabled());
  pages->findOnNotFound('A');
  EXPECT_TRUE(pages->isEnabled());
  // A non-stop search closes the pages without saving them again.
  Edit(0, 0)->clear();
  EXPECT_FALSE(pages->findBeforeMarkAll(true));  // the empty title is refused first
  type(0, 0, "Alpha");
  EXPECT_TRUE(pages->findBeforeMarkAll(true));
  EXPECT_TRUE(pages->closingForFind);
  EXPECT_FALSE(pages->isVisible());
  EXPECT_TRUE(toc->isVisible());
}

TEST_F(RecordPages, BothPagesInUseSaveNothing) {
  makeTable(numbered(2));
  dbase::Table first, second;
  holdRecord(first, 0);
  holdRecord(second, 1);
  openPages(0);
  EXPECT_TRUE(pages->inUse(0));
  EXPECT_TRUE(pages->inUse(1));
  EXPECT_FALSE(pages->leftUndoButton->isEnabled());
  EXPECT_FALSE(pages->rightPasteButton->isEnabled());
  EXPECT_TRUE(pages->leftCopyButton->isEnabled());  // a page in use is copied from its editors
  pages->onCopyClicked(0);
  EXPECT_TRUE(appSettings().copyBufferFull);
  close();
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_FALSE(pages->isVisible());
  first.cancel();
  second.cancel();
}

TEST_F(RecordPages, DatesFollowTheDateFormatOption) {
  makeTable(numbered(2));
  appSettings().dateFormat = 2;
  openPages(0);
  type(0, 7, "1999/12/25");
  type(1, 17, "20000102");
  click(pages->pageDownButton);
  EXPECT_EQ(stored(9)[0], "19991225");
  EXPECT_EQ(stored(19)[1], "20000102");
  click(pages->pageUpButton);
  EXPECT_EQ(Text(0, 7), "1999/12/25");
  EXPECT_EQ(Text(1, 17), "2000/01/02");
  EXPECT_EQ(Edit(0, 16)->text(), "____/__/__");
}

}  // namespace

namespace {

TEST_F(RecordPages, LookupBoxesShareTheirListsAndTheMaintenanceWindowEditsThem) {
  openPages({"Alpha", "Beta"});
  auto* left = qobject_cast<QComboBox*>(editor(0, 1));
  auto* right = qobject_cast<QComboBox*>(editor(1, 1));
  ASSERT_NE(left, nullptr);
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(pages->fieldLookupSource(1), "list1.dbf");
  EXPECT_EQ(pages->fieldLookupSource(0), "");
  // A value typed on the left page is offered on the right one at once.
  type(0, 1, QStringLiteral("Le Guin"));
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(left, &leave);
  EXPECT_EQ(right->findText(QStringLiteral("Le Guin")), 0);
  EXPECT_EQ(Text(0, 1), "Le Guin");
  EXPECT_EQ(Text(1, 1), "Author 2");  // the twin keeps its own text

  // Maintenance, Edit Lists: the eight lists by their labels; a deleted value
  // leaves the file when the window closes, and the boxes read their lists again.
  ASSERT_TRUE(toc->maintenanceButton->isEnabled());
  QStringList lists;
  prompts.answers.push_back(MsgResult::Yes);
  QTimer::singleShot(0, [&] {
    QWidget* maintenance = QApplication::activeModalWidget();
    ASSERT_NE(maintenance, nullptr);
    EXPECT_EQ(maintenance->windowTitle(), "Database Maintenance");
    QTimer::singleShot(0, [&, maintenance] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), "Edit Lists");
      for (auto* radio : dialog->findChildren<QRadioButton*>()) lists << radio->text();
      click(dialog->findChild<QPushButton*>("deleteButton"));
      click(dialog->findChild<QPushButton*>("closeButton"));
      click(maintenance->findChild<QPushButton*>("OKBtn"));
    });
    click(maintenance->findChild<QPushButton*>("Button8"));
  });
  click(toc->maintenanceButton);
  EXPECT_EQ(lists, (QStringList{"Author", "Category", "Format", "Rating", "Publisher", "Type",
                                "Status", "Custom 2"}));
  EXPECT_EQ(prompts.texts(), QStringList{"Are you sure you want to Delete this Item?"});
  EXPECT_EQ(right->count(), 0);
  dbase::Table list;
  list.open(nativePath(joinPath(appSettings().databaseDir, "list1.dbf")));
  EXPECT_EQ(list.physicalCount(), 0u);
}

}  // namespace
