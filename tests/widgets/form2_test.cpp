#include "form2.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
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

#include "colorbutton.h"
#include "database.h"
#include "dbase/table.h"
#include "deletedlg.h"
#include "editmenu.h"
#include "form1.h"
#include "labels.h"
#include "letters.h"
#include "pageeditors.h"
#include "recordtext.h"
#include "sampledata.h"
#include "scriptedprompter.h"
#include "sortstate.h"
#include "tempdir.h"
#include "viewsandbox.h"
#include "viewcolors.h"

namespace {

std::string Native(const QString& p) { return QFile::encodeName(p).toStdString(); }

const QString kDiscard = QStringLiteral(
    "\rDo you want to continue anyway?\r(If you answer Yes changes to the current record will be "
    "discarded.)");

// The table of contents over a copy of the shipped template with records,
// opened on the record pages.
class RecordPages : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildProgramDir(box);
    AppSettings().DeleteMode = 1;
    LetterCounts().fill(0);
  }
  void TearDown() override {
    delete guard.data();
    SortState() = TIndex{};
  }

  QString table() const { return JoinPath(AppSettings().DatabaseDir, "data.dbf"); }

  void MakeTable(const QStringList& titles, bool sortByTitle = false) {
    MakeBookTable(TitledRows(titles), sortByTitle);
    MakeCatalogue(static_cast<int>(titles.size()));
  }

  static QStringList Numbered(int count) {
    QStringList out;
    for (int i = 0; i < count; ++i)
      out << QStringLiteral("Book %1").arg(i, 3, 10, QLatin1Char('0'));
    return out;
  }

  // Opens the table of contents and clicks the entry of `slot`.
  void OpenPages(int slot) {
    toc = new TForm1;
    guard = toc;
    toc->show();
    ASSERT_TRUE(toc->DatabaseOpen());
    toc->EntryClick(slot);
    pages = toc->RecordPages;
    ASSERT_TRUE(pages->isVisible());
  }
  QLineEdit* Edit(int page, int k) const {
    return qobject_cast<QLineEdit*>(
        (page == 0 ? pages->LeftEditors : pages->RightEditors)[size_t(k)]);
  }
  QPlainTextEdit* Memo(int page) const {
    return qobject_cast<QPlainTextEdit*>(
        (page == 0 ? pages->LeftEditors : pages->RightEditors)[20]);
  }
  QString Text(int page, int k) const {
    return EditorText((page == 0 ? pages->LeftEditors : pages->RightEditors)[size_t(k)]);
  }
  QString Pages() const { return pages->PgL_Lbl->text() + "/" + pages->PgR_Lbl->text(); }
  void Type(int page, int k, const QString& text) {
    QLineEdit* e = Edit(page, k);
    e->selectAll();
    QTest::keyClicks(e, text);
  }
  void Close() { pages->close(); }

  // The stored records in entry order: field -> text.
  std::vector<std::string> Stored(int field) const {
    dbase::Table t;
    t.open(Native(table()), dbase::OpenMode::Shared, true);
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.asString(field));
    return out;
  }

  SettingsSandbox box;
  ScriptedPrompter prompts;
  TForm1* toc = nullptr;
  QPointer<TForm1> guard;  // the view frees itself when it closes
  TForm2* pages = nullptr;
};

TEST_F(RecordPages, OpenShowsThePairHoldingThePosition) {
  MakeTable(Numbered(10));
  OpenPages(5);
  EXPECT_FALSE(toc->isVisible());
  EXPECT_EQ(pages->RequestedRecord(), 5);
  EXPECT_EQ(pages->LeftRecord(), 4);
  EXPECT_EQ(Text(0, 0), "Book 004");
  EXPECT_EQ(Text(1, 0), "Book 005");
  EXPECT_EQ(Text(1, 1), "Author 6");
  EXPECT_EQ(Pages(), "5/6");
  EXPECT_EQ(pages->focusWidget(), pages->RightEditors[0]);
  EXPECT_EQ(pages->LStatus->text(), "Read/Write Access");
  EXPECT_EQ(pages->RStatus->text(), "Read/Write Access");
  EXPECT_EQ(pages->LeftLabels[0]->text(), "Book Title");  // the field labels
  EXPECT_TRUE(pages->B_First->isEnabled());
  EXPECT_TRUE(pages->B_Last->isEnabled());
  Close();
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_FALSE(pages->isVisible());
  EXPECT_TRUE(toc->isVisible());
}

TEST_F(RecordPages, NewAfterAnOddCountKeepsTheLastRecordOnTheLeft) {
  MakeTable(Numbered(7));
  OpenPages(0);
  QTest::mouseClick(pages->B_New, Qt::LeftButton);
  EXPECT_EQ(pages->LeftRecord(), 6);
  EXPECT_EQ(Text(0, 0), "Book 006");
  EXPECT_TRUE(Text(1, 0).isEmpty());
  EXPECT_TRUE(pages->RightNew);
  EXPECT_EQ(pages->RStatus->text(), "New Record");
  EXPECT_EQ(Pages(), "7/8");
  EXPECT_EQ(pages->focusWidget(), pages->RightEditors[0]);
}

TEST_F(RecordPages, NewAfterAnEvenCountShowsTwoNewPagesAndStoresNothingEmpty) {
  MakeTable(Numbered(8));
  OpenPages(0);
  QTest::mouseClick(pages->B_New, Qt::LeftButton);
  EXPECT_EQ(Pages(), "9/10");
  EXPECT_TRUE(pages->LeftNew);
  EXPECT_TRUE(pages->RightNew);
  EXPECT_FALSE(pages->B_PgDn->isEnabled());
  EXPECT_FALSE(pages->B_Last->isEnabled());
  Close();
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(Stored(2).size(), 8u);
}

TEST_F(RecordPages, NoEditIsLostWhenThePairIsLeft) {
  MakeTable(Numbered(4));
  OpenPages(0);
  Type(0, 0, "Left Title");
  Type(0, 7, "12/25/1999");
  Type(0, 8, "1234.5");
  Memo(0)->setPlainText("line one\nline two");
  Edit(1, 1)->setText(QString::fromUtf8("Jos\xC3\xA9"));
  Type(1, 18, "-7");
  QTest::mouseClick(pages->B_PgDn, Qt::LeftButton);
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(Text(0, 0), "Book 002");
  EXPECT_EQ(Stored(2),
            (std::vector<std::string>{"Left Title", "Book 001", "Book 002", "Book 003"}));
  EXPECT_EQ(Stored(3)[1], "Jos\xE9");
  EXPECT_EQ(Stored(9)[0], "19991225");
  EXPECT_EQ(Stored(10)[0], "1234.50");
  EXPECT_EQ(Stored(20)[1], "-7.00");
  EXPECT_EQ(Stored(22)[0], "line one\r\nline two");
  EXPECT_EQ(Stored(0), (std::vector<std::string>{"1", "2", "3", "4"}));  // numbers kept
  // Back on the first pair the editors show what was stored.
  QTest::mouseClick(pages->B_First, Qt::LeftButton);
  EXPECT_EQ(Text(0, 8), "1,234.50");
  EXPECT_EQ(Text(0, 7), "12/25/1999");
  EXPECT_EQ(Memo(0)->toPlainText(), "line one\nline two");
}

TEST_F(RecordPages, NewRecordsGetTheNextNumbers) {
  MakeTable(Numbered(3));
  OpenPages(0);
  QTest::mouseClick(pages->B_New, Qt::LeftButton);  // record 2 on the left, new on the right
  Type(1, 0, "Fresh");
  Close();
  const auto titles = Stored(2);
  ASSERT_EQ(titles.size(), 4u);
  EXPECT_EQ(titles[3], "Fresh");
  EXPECT_EQ(Stored(0)[3], "4");
}

TEST_F(RecordPages, ClearingEveryEditorKeepsTheStoredRecord) {
  MakeTable(Numbered(2));
  OpenPages(0);
  for (QWidget* e : pages->LeftEditors) ClearEditor(e);
  Close();
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(Stored(2), (std::vector<std::string>{"Book 000", "Book 001"}));
  EXPECT_EQ(Stored(3)[0], "Author 1");
}

TEST_F(RecordPages, EmptyTitleAsksAndNoStaysWithTheEdits) {
  MakeTable(Numbered(2));
  OpenPages(0);
  Edit(0, 0)->clear();
  Type(0, 1, "Changed Author");
  Close();
  ASSERT_EQ(prompts.texts(), QStringList{"First Field cannot be empty!" + kDiscard});
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_TRUE(pages->isVisible());
  EXPECT_EQ(Text(0, 1), "Changed Author");
  prompts.answers.push_back(MsgResult::Yes);
  Close();
  EXPECT_FALSE(pages->isVisible());
  EXPECT_EQ(Stored(3)[0], "Author 1");  // left without saving
}

TEST_F(RecordPages, TextThatIsNoDateOrNumberIsKeptAndExplained) {
  MakeTable(Numbered(2));
  OpenPages(0);
  Type(0, 7, "13/45/2020");
  Type(1, 8, "lots");
  QTest::mouseClick(pages->B_PgDn, Qt::LeftButton);
  ASSERT_EQ(prompts.texts().size(), 1);
  EXPECT_EQ(prompts.texts()[0],
            "Published Date: \"13/45/2020\" is not a date (mm/dd/yyyy).\r"
            "Value: \"lots\" is not a number." +
                kDiscard);
  EXPECT_EQ(Text(0, 7), "13/45/2020");
  EXPECT_EQ(Text(1, 8), "lots");
  EXPECT_EQ(pages->LeftRecord(), 0);
  EXPECT_EQ(Stored(9)[0], "");
}

TEST_F(RecordPages, RecordHeldByAnotherCursorIsShownInUse) {
  MakeTable(Numbered(4));
  dbase::Table other;
  other.open(Native(table()), dbase::OpenMode::Shared);
  other.goToPosition(1);
  other.edit();  // "Book 001", the right page of the first pair
  OpenPages(0);
  EXPECT_EQ(pages->RStatus->text(), "Read Only Access - Record In Use");
  EXPECT_EQ(pages->LStatus->text(), "Read/Write Access");
  EXPECT_TRUE(pages->RightInUse);
  EXPECT_EQ(Text(1, 0), "Book 001");
  EXPECT_FALSE(pages->RightEditors[0]->isEnabled());
  EXPECT_FALSE(pages->B_RUndo->isEnabled());
  EXPECT_FALSE(pages->B_RDelete->isEnabled());
  EXPECT_TRUE(pages->LeftEditors[0]->isEnabled());
  EXPECT_EQ(pages->focusWidget(), pages->LeftEditors[0]);
  // And the pages' lock keeps the other cursor off the left record.
  dbase::Table third;
  third.open(Native(table()), dbase::OpenMode::Shared);
  third.first();
  EXPECT_THROW(third.edit(), dbase::LockError);
  Type(0, 1, "Edited");
  Close();
  other.cancel();
  EXPECT_EQ(Stored(3)[0], "Edited");
  EXPECT_EQ(Stored(3)[1], "Author 2");
  third.first();
  EXPECT_NO_THROW(third.edit());  // leaving the pair let go of the lock
  third.cancel();
}

TEST_F(RecordPages, RecordLockedByAnotherProgramUntilItDies) {
  MakeTable(Numbered(4));
  QProcess holder;
  holder.start(QStringLiteral(TOMES_LOCKHOLDER), {table(), "0"});
  ASSERT_TRUE(holder.waitForReadyRead(10000));
  ASSERT_EQ(holder.readAllStandardOutput().trimmed(), "locked");
  OpenPages(0);
  EXPECT_EQ(pages->LStatus->text(), "Read Only Access - Record In Use");
  EXPECT_EQ(pages->RStatus->text(), "Read/Write Access");
  EXPECT_FALSE(pages->LeftEditors[0]->isEnabled());
  EXPECT_EQ(pages->focusWidget(), pages->RightEditors[0]);
  Type(1, 0, "Right Edit");
  holder.kill();  // a crash frees the lock
  holder.waitForFinished();
  QTest::mouseClick(pages->B_PgDn, Qt::LeftButton);
  QTest::mouseClick(pages->B_PgUp, Qt::LeftButton);
  EXPECT_EQ(pages->LStatus->text(), "Read/Write Access");
  EXPECT_TRUE(pages->LeftEditors[0]->isEnabled());
  EXPECT_EQ(Text(1, 0), "Right Edit");
}

TEST_F(RecordPages, PasteFillsTheEditorsAndUndoBringsBackTheRecord) {
  MakeTable(Numbered(2));
  OpenPages(0);
  EXPECT_FALSE(pages->B_RPaste->isEnabled());
  QTest::keyClick(Edit(0, 0), Qt::Key_O, Qt::ControlModifier);  // copy left
  EXPECT_TRUE(AppSettings().CopyBufferFull);
  EXPECT_TRUE(pages->B_RPaste->isEnabled());
  QTest::keyClick(Edit(0, 0), Qt::Key_P, Qt::AltModifier);  // paste right
  EXPECT_EQ(Text(1, 0), "Book 000");
  EXPECT_EQ(Text(1, 1), "Author 1");
  EXPECT_EQ(Stored(2)[1], "Book 001");  // nothing stored yet
  QTest::mouseClick(pages->B_RUndo, Qt::LeftButton);
  EXPECT_EQ(Text(1, 0), "Book 001");
  EXPECT_EQ(Text(1, 1), "Author 2");
  pages->PopupMenuPopup(0);
  EXPECT_EQ(pages->ViewCopyBuffer[0]->actions().value(0)->text(), "Book 000");
  // Pasted values are stored with the pair; the record keeps its number.
  pages->PasteClick(1);
  Close();
  EXPECT_EQ(Stored(2), (std::vector<std::string>{"Book 000", "Book 000"}));
  EXPECT_EQ(Stored(3)[1], "Author 1");
  EXPECT_EQ(Stored(0), (std::vector<std::string>{"1", "2"}));
}

TEST_F(RecordPages, CopyOfAnEmptyPageIsRefused) {
  MakeTable(Numbered(1));
  OpenPages(0);
  EXPECT_TRUE(pages->RightNew);
  pages->CopyClick(1);
  EXPECT_EQ(prompts.texts(), QStringList{"Empty Record - Not Copied!"});
  EXPECT_FALSE(AppSettings().CopyBufferFull);
}

// Answers the page's Confirm Action dialog once it is up.
void ConfirmDelete(const QString& text, int page) {
  QTimer::singleShot(0, [text, page] {
    auto* dlg = qobject_cast<TDeleteDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    (page == 0 ? dlg->LeftPage : dlg->RightPage)->setChecked(true);
    QTest::keyClicks(dlg->Edit1, text);
    QTest::mouseClick(dlg->B_OK, Qt::LeftButton);
  });
}

TEST_F(RecordPages, DeleteAsksWhichPageAndForYes) {
  MakeTable(Numbered(3));
  AppSettings().DeleteMode = 0;
  OpenPages(0);
  ConfirmDelete("no", 0);
  pages->DeleteClick(0);
  EXPECT_EQ(prompts.texts(), QStringList{"Record not Deleted."});
  QTimer::singleShot(0, [] {
    auto* dlg = qobject_cast<TDeleteDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->RightPage->isChecked());  // the page asked for comes preselected
    dlg->LeftPage->setChecked(true);
    QTest::keyClicks(dlg->Edit1, "yes");
    QTest::mouseClick(dlg->B_OK, Qt::LeftButton);
  });
  pages->DeleteClick(1);
  EXPECT_EQ(Stored(2), (std::vector<std::string>{"Book 001", "Book 002"}));
  EXPECT_EQ(Text(0, 0), "Book 001");
  EXPECT_EQ(Text(1, 0), "Book 002");
}

TEST_F(RecordPages, DeleteOfANewEmptyRightPageDoesNothing) {
  MakeTable(Numbered(1));
  AppSettings().DeleteMode = 0;
  OpenPages(0);
  pages->DeleteClick(1);  // no dialog: it would block here
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(Stored(2).size(), 1u);
}

TEST_F(RecordPages, ImmediateDeleteShowsTheNextPair) {
  MakeTable(Numbered(2));
  OpenPages(0);
  pages->DeleteClick(0);
  EXPECT_EQ(Stored(2), (std::vector<std::string>{"Book 001"}));
  EXPECT_EQ(Text(0, 0), "Book 001");
  EXPECT_TRUE(pages->RightNew);
}

TEST_F(RecordPages, ANewTitleLetterMovesTheCount) {
  MakeTable({"Alpha", "Apple", "Bravo"}, true);
  OpenPages(1);
  EXPECT_EQ(LetterCounts()[0], 2);
  EXPECT_EQ(LetterCounts()[1], 1);
  EXPECT_EQ(pages->CurrentLetter, 'A');
  EXPECT_TRUE(pages->LetterButtons[0]->isEnabled());
  Type(1, 0, "Banana");
  Close();
  EXPECT_EQ(LetterCounts()[0], 1);
  EXPECT_EQ(LetterCounts()[1], 2);
}

TEST_F(RecordPages, PagingCrossesTheLetters) {
  MakeTable({"Alpha", "Cedar", "Canal"}, true);
  OpenPages(0);
  EXPECT_TRUE(pages->B_PgDn->isEnabled());
  QTest::mouseClick(pages->B_PgDn, Qt::LeftButton);
  EXPECT_EQ(pages->CurrentLetter, 'B');
  EXPECT_TRUE(pages->LeftNew);
  QTest::mouseClick(pages->B_PgDn, Qt::LeftButton);
  EXPECT_EQ(pages->CurrentLetter, 'C');
  EXPECT_EQ(Text(0, 0), "Canal");
  EXPECT_EQ(Text(1, 0), "Cedar");
  QTest::keyClick(Edit(0, 0), Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(pages->CurrentLetter, 'A');
  EXPECT_EQ(Text(0, 0), "Alpha");
  Close();
  EXPECT_EQ(toc->CurrentLetter(), 'A');
}

TEST_F(RecordPages, PartKeysSwitchOnlyPartsThatExist) {
  MakeTable(Numbered(2));
  OpenPages(0);
  QTest::keyClick(Edit(0, 0), Qt::Key_2, Qt::ControlModifier);
  EXPECT_EQ(pages->PagePart(0), 1);
  EXPECT_EQ(pages->PagePart(1), 0);
  QTest::keyClick(Edit(0, 0), Qt::Key_3, Qt::AltModifier);
  EXPECT_EQ(pages->PagePart(1), 2);
  QTest::keyClick(Edit(0, 0), Qt::Key_5, Qt::ControlModifier);
  EXPECT_EQ(pages->PagePart(0), 1);
  EXPECT_EQ(pages->PartEditorCounts, (std::array<int, 4>{9, 11, 1, 1}));
}

TEST_F(RecordPages, UnreadableMemoIsReportedAndLoadingGoesOn) {
  MakeTable(Numbered(2));
  {
    dbase::Table t;
    t.open(Native(table()), dbase::OpenMode::Exclusive);
    t.first();
    t.edit();
    t.writeBlob(22, "a note");
    t.post();
  }
  // Point the first record's memo far beyond the memo file.
  QFile dbf(table());
  ASSERT_TRUE(dbf.open(QIODevice::ReadWrite));
  const QByteArray head = dbf.read(12);
  const int headerLength = uchar(head[8]) | uchar(head[9]) << 8;
  int offset = 1;
  for (int f = 0; f < 22; ++f) {
    dbf.seek(32 + f * 32 + 16);
    offset += uchar(dbf.read(1)[0]);
  }
  dbf.seek(headerLength + offset);
  dbf.write("    999999");
  dbf.close();
  OpenPages(0);
  ASSERT_EQ(prompts.texts(),
            QStringList{"Corrupt Memo Field!!! You should delete record: \rAuthor 1"});
  EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::OkHelp);
  EXPECT_EQ(prompts.shown[0].helpTopic, 62);
  EXPECT_TRUE(Memo(0)->toPlainText().isEmpty());
  EXPECT_EQ(Text(0, 0), "Book 000");
  EXPECT_EQ(Text(1, 0), "Book 001");
}

TEST_F(RecordPages, ReadOnlyModeShowsButNeverLocks) {
  TAppSettings& s = AppSettings();
  s.DatabaseDir = JoinPath(s.DataRootDir, "DATA");
  s.HomeDir = s.DatabaseDir;
  QDir().mkpath(s.DatabaseDir);
  s.AccessRights = 2;
  MakeTable(Numbered(2));
  OpenPages(0);
  EXPECT_EQ(pages->LStatus->text(), "Read Only Access");
  EXPECT_EQ(pages->RStatus->text(), "Read Only Access");
  EXPECT_FALSE(pages->LeftEditors[0]->isEnabled());
  EXPECT_FALSE(pages->B_New->isEnabled());
  EXPECT_FALSE(pages->B_LCopy->isEnabled());
  dbase::Table other;
  other.open(Native(table()), dbase::OpenMode::Shared);
  other.first();
  EXPECT_NO_THROW(other.edit());
  other.cancel();
}

TEST_F(RecordPages, ExitEndsTheTableOfContentsToo) {
  MakeTable(Numbered(2));
  OpenPages(0);
  QTest::mouseClick(pages->B_Exit, Qt::LeftButton);
  QApplication::processEvents();
  QTest::qWait(0);
  EXPECT_TRUE(guard.isNull());
}

TEST_F(RecordPages, FindHitIsPaintedOnThePageOfTheRequestedRecord) {
  MakeTable(Numbered(4));
  OpenPages(1);
  Memo(1)->setPlainText("find me here");
  pages->ShowFindHit(20, 5, 2);
  EXPECT_EQ(pages->PagePart(1), 2);
  EXPECT_EQ(pages->HighlightedEditor, pages->RightEditors[20]);
  EXPECT_EQ(Memo(1)->textCursor().selectedText(), "me");
  EXPECT_EQ(Memo(1)->palette().color(QPalette::Base), QColor(Qt::red));
  pages->Refresh();
  EXPECT_EQ(pages->HighlightedEditor, nullptr);
  EXPECT_NE(Memo(1)->palette().color(QPalette::Base), QColor(Qt::red));
}

TEST_F(RecordPages, DeletingOnePageKeepsTheEditsOfTheOther) {
  MakeTable(Numbered(4));
  OpenPages(0);
  Type(1, 1, "Kept Author");
  pages->DeleteClick(0);
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(Stored(2), (std::vector<std::string>{"Book 001", "Book 002", "Book 003"}));
  EXPECT_EQ(Stored(3)[0], "Kept Author");
  EXPECT_EQ(Text(0, 1), "Kept Author");
  // A new right page with values is stored too, numbered.
  QTest::mouseClick(pages->B_New, Qt::LeftButton);
  EXPECT_EQ(Text(0, 0), "Book 003");
  Type(1, 0, "Brand New");
  pages->DeleteClick(0);
  EXPECT_EQ(Stored(2), (std::vector<std::string>{"Book 001", "Book 002", "Brand New"}));
  EXPECT_EQ(Stored(0)[2], "5");
}

TEST_F(RecordPages, EditMenuFollowsTheEditorAndLoadsMemos) {
  MakeTable(Numbered(2));
  OpenPages(0);
  TEditMenu* menu = pages->EditMenu;
  menu->Prepare(Edit(0, 0));
  EXPECT_TRUE(menu->SelectAll1->isEnabled());
  EXPECT_FALSE(menu->Copy1->isEnabled());
  EXPECT_FALSE(menu->Load1->isVisible());
  Edit(0, 0)->selectAll();
  menu->Prepare(Edit(0, 0));
  EXPECT_FALSE(menu->SelectAll1->isEnabled());
  EXPECT_TRUE(menu->Cut1->isEnabled());
  menu->Delete1->trigger();
  EXPECT_TRUE(Text(0, 0).isEmpty());

  const QString file = box.file("notes.txt");
  ASSERT_TRUE(SettingsSandbox::write(file, "first\r\nsecond"));
  menu->Prepare(Memo(0));
  EXPECT_TRUE(menu->Load1->isVisible());
  prompts.files.push_back(file);
  menu->Load1->trigger();
  EXPECT_EQ(Memo(0)->toPlainText(), "first\nsecond");
  EXPECT_EQ(prompts.fileRequests.back().fileName, "*.txt");
  Memo(0)->appendPlainText("third");
  const QString out = box.file("out.txt");
  prompts.files.push_back(out);
  menu->Save1->trigger();
  EXPECT_EQ(SettingsSandbox::read(out), "first\r\nsecond\r\nthird");
}

// The pages on the sample collection: two page panels around the letter
// column, painted in the page colour. TOMES_SCREENSHOT names a file to keep
// the picture in.
TEST_F(RecordPages, PagesOfTheSampleCollectionFaceEachOther) {
  ASSERT_TRUE(LoadSampleCollection(AppSettings().ProgramDir, AppSettings().DatabaseDir));
  QFile sort(JoinPath(AppSettings().DatabaseDir, "data.idx"));
  ASSERT_TRUE(sort.open(QIODevice::WriteOnly));
  sort.write(QByteArray("\x02\x00\x00\x00", 4));  // by title
  sort.close();
  OpenPages(1);
  EXPECT_FALSE(Text(0, 0).isEmpty());
  EXPECT_FALSE(Text(1, 0).isEmpty());
  EXPECT_EQ(pages->PgLeft->x() + TForm2::kPageWidth, pages->Panel5->x());
  EXPECT_EQ(pages->Panel5->x() + TForm2::kLetterColumnWidth, pages->PgRight->x());
  QTest::qWait(20);
  const QImage shot = pages->grab().toImage();
  const QPoint inPage = pages->PgLeft->mapTo(pages, QPoint(TForm2::kPageWidth / 2, 28));
  EXPECT_EQ(shot.pixelColor(inPage), ElementColor(24));
  const QString keep = qEnvironmentVariable("TOMES_SCREENSHOT");
  if (!keep.isEmpty()) {
    EXPECT_TRUE(shot.save(keep));
  }
}

TEST_F(RecordPages, FunctionKeysOpenThePagePopups) {
  MakeTable(Numbered(2));
  OpenPages(0);
  QTest::keyClick(Edit(0, 0), Qt::Key_F2);
  EXPECT_TRUE(pages->PopupMenu1->isVisible());
  EXPECT_TRUE(pages->Popup[0].undo->isEnabled());
  EXPECT_FALSE(pages->Popup[0].paste->isEnabled());  // nothing copied yet
  EXPECT_FALSE(pages->ViewCopyBuffer[0]->isEnabled());
  pages->PopupMenu1->hide();
  QTest::keyClick(Edit(0, 0), Qt::Key_F3);
  EXPECT_TRUE(pages->PopupMenu2->isVisible());
  pages->PopupMenu2->hide();
  // Ctrl+U undoes the left page only.
  Type(0, 0, "Changed");
  Type(1, 0, "Changed Too");
  QTest::keyClick(Edit(1, 0), Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(Text(0, 0), "Book 000");
  EXPECT_EQ(Text(1, 0), "Changed Too");
}

TEST_F(RecordPages, NewFromTheTableOfContentsAndAnEmptyListing) {
  MakeTable(Numbered(3));
  toc = new TForm1;
  guard = toc;
  toc->show();
  toc->B_NewClick();
  pages = toc->RecordPages;
  ASSERT_TRUE(pages->isVisible());
  EXPECT_EQ(pages->LeftRecord(), 2);
  EXPECT_EQ(Text(0, 0), "Book 002");
  EXPECT_TRUE(pages->RightNew);
  EXPECT_EQ(pages->focusWidget(), pages->RightEditors[0]);
  Close();
  delete toc;
  MakeTable({});
  OpenPages(4);
  EXPECT_EQ(Pages(), "1/2");
  EXPECT_TRUE(pages->LeftNew);
  EXPECT_TRUE(pages->RightNew);
  EXPECT_EQ(pages->LStatus->text(), "New Record");
  EXPECT_FALSE(pages->B_First->isEnabled());
  EXPECT_FALSE(pages->B_PgUp->isEnabled());
  EXPECT_FALSE(pages->B_PgDn->isEnabled());
  EXPECT_FALSE(pages->B_Last->isEnabled());
  pages->DeleteClick(0);  // nothing stored to delete
  EXPECT_TRUE(prompts.shown.empty());
  Type(0, 0, "First Ever");
  Close();
  EXPECT_EQ(Stored(2), (std::vector<std::string>{"First Ever"}));
  EXPECT_EQ(Stored(0), (std::vector<std::string>{"1"}));
}

TEST_F(RecordPages, SearchHooksSaveFirstAndShowTheMatch) {
  MakeTable({"Alpha", "Bravo", "Beta", "Charlie"}, true);
  OpenPages(0);
  Type(0, 1, "Saved Before Search");
  EXPECT_TRUE(pages->FindBeforeFind());
  EXPECT_EQ(Stored(3)[0], "Saved Before Search");
  // A match on the second record of B: the right page, with the hit painted.
  SetLetterRange(toc->Tables().Records, 'B');
  pages->FindOnFound('B', 1, 1, 0, 0);
  EXPECT_EQ(pages->CurrentLetter, 'B');
  EXPECT_TRUE(pages->LetterButtons[1]->selected());
  EXPECT_EQ(Text(1, 0), "Bravo");
  EXPECT_EQ(pages->HighlightedEditor, pages->RightEditors[1]);
  EXPECT_EQ(pages->focusWidget(), pages->RightEditors[1]);
  // Find Next from another letter returns to the search letter first.
  EXPECT_TRUE(pages->FindBeforeFindAgain('A'));
  EXPECT_EQ(pages->CurrentLetter, 'A');
  EXPECT_FALSE(pages->isEnabled());
  pages->FindOnNotFound('A');
  EXPECT_TRUE(pages->isEnabled());
  // A non-stop search closes the pages without saving them again.
  Edit(0, 0)->clear();
  EXPECT_FALSE(pages->FindBeforeMarkAll(true));  // the empty title is refused first
  Type(0, 0, "Alpha");
  EXPECT_TRUE(pages->FindBeforeMarkAll(true));
  EXPECT_TRUE(pages->ClosingForFind);
  EXPECT_FALSE(pages->isVisible());
  EXPECT_TRUE(toc->isVisible());
}

TEST_F(RecordPages, BothPagesInUseSaveNothing) {
  MakeTable(Numbered(2));
  dbase::Table first, second;
  for (dbase::Table* t : {&first, &second}) t->open(Native(table()), dbase::OpenMode::Shared);
  first.goToPosition(0);
  first.edit();
  second.goToPosition(1);
  second.edit();
  OpenPages(0);
  EXPECT_TRUE(pages->LeftInUse);
  EXPECT_TRUE(pages->RightInUse);
  EXPECT_FALSE(pages->B_LUndo->isEnabled());
  EXPECT_FALSE(pages->B_RPaste->isEnabled());
  EXPECT_TRUE(pages->B_LCopy->isEnabled());  // a page in use is copied from its editors
  pages->CopyClick(0);
  EXPECT_TRUE(AppSettings().CopyBufferFull);
  Close();
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_FALSE(pages->isVisible());
  first.cancel();
  second.cancel();
}

TEST_F(RecordPages, DatesFollowTheDateFormatOption) {
  MakeTable(Numbered(2));
  AppSettings().DateFormat = 2;
  OpenPages(0);
  Type(0, 7, "1999/12/25");
  Type(1, 17, "2000/1/2");
  QTest::mouseClick(pages->B_PgDn, Qt::LeftButton);
  EXPECT_EQ(Stored(9)[0], "19991225");
  EXPECT_EQ(Stored(19)[1], "20000102");
  QTest::mouseClick(pages->B_PgUp, Qt::LeftButton);
  EXPECT_EQ(Text(0, 7), "1999/12/25");
  EXPECT_EQ(Text(1, 17), "2000/01/02");
  EXPECT_EQ(Edit(0, 16)->placeholderText(), "yyyy/mm/dd");
}

}  // namespace
