#include "form3.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "colorbutton.h"
#include "database.h"
#include "dbase/table.h"
#include "finddlg.h"
#include "form1.h"
#include "form2.h"
#include "formatedbutton.h"
#include "gui/maindlg.h"
#include "labels.h"
#include "letters.h"
#include "pageeditors.h"
#include "recordpage.h"
#include "recordtext.h"
#include "sampledata.h"
#include "scriptedprompter.h"
#include "sortbutton.h"
#include "sortstate.h"
#include "tempdir.h"
#include "viewcolors.h"
#include "viewsandbox.h"

namespace {

std::string Native(const QString& p) { return QFile::encodeName(p).toStdString(); }

const QString kDiscard = QStringLiteral(
    "\rDo you want to continue anyway?\r(If you answer Yes changes to the current record will be "
    "discarded.)");

// The combined view over a copy of the shipped template with records.
class CombinedView : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildProgramDir(box);
    AppSettings().DeleteMode = 1;
    AppSettings().BookModel = 0;
    LetterCounts().fill(0);
  }
  void TearDown() override {
    if (TMainView* v = CurrentView()) {
      v->SwitchingModel = true;  // nothing to save at the end of a test
      delete v;
    }
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

  void Open() {
    view = new TForm3;
    guard = view;
    SetCurrentView(view);
    view->show();
    ASSERT_TRUE(view->DatabaseOpen());
  }
  QString Text(int k) const { return EditorText(view->PgRight->Editors[size_t(k)]); }
  void Type(int k, const QString& text) {
    auto* e = qobject_cast<QLineEdit*>(view->PgRight->Editors[size_t(k)]);
    ASSERT_NE(e, nullptr);
    e->selectAll();
    if (text.isEmpty())
      QTest::keyClick(e, Qt::Key_Delete);
    else
      QTest::keyClicks(e, text);
  }
  // A key as the user presses it: to the widget that has the focus.
  void Key(int key, Qt::KeyboardModifiers mods) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target ? target : static_cast<QWidget*>(view), Qt::Key(key), mods);
  }
  QString Position() const { return view->PgRight->PgR_Lbl->text(); }
  QString Status() const { return view->PgRight->RStatus->text(); }
  TFormatedButton* Entry(int slot) const { return view->Entries[size_t(slot)]; }
  int SelectedEntry() const {
    int found = -1;
    for (int s = 0; s < TForm3::kPageEntries; ++s)
      if (Entry(s)->selected()) found = s;
    return found;
  }

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
  TForm3* view = nullptr;
  QPointer<TForm3> guard;  // the view frees itself when it closes
};

TEST_F(CombinedView, OpensWithTheFirstRecordCurrentAndItsEntryDown) {
  MakeTable(Numbered(20));
  Open();
  EXPECT_EQ(view->CurrentPosition, 1);
  EXPECT_EQ(Text(0), "Book 000");
  EXPECT_EQ(Text(1), "Author 1");
  EXPECT_EQ(Position(), "1");
  EXPECT_EQ(Status(), "Read/Write Access");
  EXPECT_EQ(view->CurrentEntry, 0);
  EXPECT_EQ(SelectedEntry(), 0);
  EXPECT_EQ(Entry(11)->text(0), "Book 011");
  EXPECT_EQ(view->PgRight->Labels[0]->text(), "Book Title");
  EXPECT_EQ(view->PgRight->Editors[0]->objectName(), "L1");
  EXPECT_EQ(view->PgRight->Editors[21]->objectName(), "L22");
  EXPECT_EQ(view->FieldLookup(1), view->PgRight->Editors[1]);  // the author's list
  EXPECT_EQ(view->FieldLookupSource(1), "list1.dbf");
  EXPECT_EQ(view->FieldLookup(0), nullptr);
  EXPECT_EQ(view->FieldLookupSource(0), "");
  EXPECT_FALSE(view->PgRight->B_Prev->isEnabled());
  EXPECT_TRUE(view->PgRight->B_Next->isEnabled());
  EXPECT_TRUE(view->windowTitle().endsWith(" - Database: Test Books"));
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedView, PagingKeepsTheCurrentRecordAndItsEntryIsDownOnlyOnItsPage) {
  MakeTable(Numbered(30));
  Open();
  QTest::mouseClick(Entry(2), Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 002");
  EXPECT_EQ(Position(), "3");
  EXPECT_EQ(SelectedEntry(), 2);
  Type(1, "Changed");
  QTest::mouseClick(view->B_PgDn, Qt::LeftButton);
  EXPECT_EQ(view->TopRecord(), 12);
  EXPECT_EQ(Entry(0)->text(0), "Book 012");
  EXPECT_EQ(Text(0), "Book 002");
  EXPECT_EQ(Text(1), "Changed");  // paging neither saves nor reloads
  EXPECT_EQ(view->CurrentEntry, -1);
  EXPECT_EQ(SelectedEntry(), -1);
  QTest::mouseClick(view->B_PgUp, Qt::LeftButton);
  EXPECT_EQ(view->CurrentEntry, 2);
  EXPECT_EQ(SelectedEntry(), 2);
  EXPECT_EQ(Text(1), "Changed");
  QTest::mouseClick(Entry(5), Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 005");
  EXPECT_EQ(Stored(3)[2], "Changed");
}

TEST_F(CombinedView, NextFromTheLastRecordOfALetterSkipsEmptyLettersAndKeepsTheLeftPage) {
  MakeTable({"Alpha", "Cedar", "Canal", "Grape", "Gold"}, true);
  Open();
  EXPECT_EQ(LetterCounts()[2], 2);
  EXPECT_EQ(LetterCounts()[3], 0);
  QTest::mouseClick(view->LetterButtons[2], Qt::LeftButton);
  EXPECT_EQ(view->CurrentLetter(), 'C');
  EXPECT_EQ(Text(0), "Alpha");  // a letter moves only the left page
  QTest::mouseClick(Entry(1), Qt::LeftButton);
  EXPECT_EQ(Text(0), "Cedar");
  EXPECT_EQ(Position(), "2");
  QTest::mouseClick(view->PgRight->B_Next, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Gold");
  EXPECT_EQ(Position(), "1");
  EXPECT_EQ(view->CurrentLetter(), 'C');
  EXPECT_EQ(Entry(0)->text(0), "Canal");
  EXPECT_EQ(view->CurrentEntry, -1);
  QTest::mouseClick(view->PgRight->B_Next, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Grape");
  EXPECT_FALSE(view->PgRight->B_Next->isEnabled());
  // The left page still lists 'C' only.
  EXPECT_EQ(Entry(1)->text(0), "Cedar");
  EXPECT_TRUE(Entry(2)->text(0).isEmpty());
  QTest::mouseClick(view->PgRight->B_Prev, Qt::LeftButton);
  QTest::mouseClick(view->PgRight->B_Prev, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Cedar");
  EXPECT_EQ(view->CurrentEntry, 1);
  Key(Qt::Key_PageUp, Qt::AltModifier);
  EXPECT_EQ(Text(0), "Canal");
  Key(Qt::Key_PageUp, Qt::AltModifier);
  EXPECT_EQ(Text(0), "Alpha");
  EXPECT_FALSE(view->PgRight->B_Prev->isEnabled());
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedView, SynchronizeBringsTheLeftPageToTheCurrentRecord) {
  QStringList titles{"Alpha"};
  for (int i = 0; i < 15; ++i) titles << QStringLiteral("Gold %1").arg(i, 2, 10, QLatin1Char('0'));
  MakeTable(titles, true);
  Open();
  QTest::mouseClick(view->PgRight->B_Next, Qt::LeftButton);  // Gold 00
  for (int i = 0; i < 13; ++i) QTest::mouseClick(view->PgRight->B_Next, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Gold 13");
  EXPECT_EQ(view->CurrentLetter(), 'A');
  QTest::mouseClick(view->PgRight->B_RSynchro, Qt::LeftButton);
  EXPECT_EQ(view->CurrentLetter(), 'G');
  EXPECT_EQ(view->TopRecord(), 12);
  EXPECT_EQ(view->CurrentEntry, 1);
  EXPECT_EQ(Entry(1)->text(0), "Gold 13");
  EXPECT_EQ(Text(0), "Gold 13");
  EXPECT_EQ(Position(), "14");
}

TEST_F(CombinedView, DeletingTheCurrentRecordShowsTheFollowingOne) {
  MakeTable(Numbered(3));
  Open();
  QTest::mouseClick(Entry(1), Qt::LeftButton);
  QTest::mouseClick(view->PgRight->B_RDelete, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 002");
  EXPECT_EQ(Position(), "2");
  EXPECT_EQ(Entry(1)->text(0), "Book 002");
  EXPECT_EQ(view->CurrentEntry, 1);
  EXPECT_EQ(Stored(2), (std::vector<std::string>{"Book 000", "Book 002"}));
  // The last one: a new record takes its place.
  QTest::mouseClick(view->PgRight->B_RDelete, Qt::LeftButton);
  EXPECT_TRUE(view->CurrentNew);
  EXPECT_TRUE(Text(0).isEmpty());
  EXPECT_EQ(Position(), "");
  EXPECT_EQ(Status(), "New Record");
  EXPECT_EQ(Stored(2), (std::vector<std::string>{"Book 000"}));
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedView, DeletingTheOnlyRecordLeavesANewRecord) {
  MakeTable({"Lonely"}, true);
  Open();
  // The first record of the listing of 'A': there is none, so a new one.
  EXPECT_TRUE(view->CurrentNew);
  EXPECT_EQ(LetterCounts()[11], 1);
  QTest::mouseClick(view->LetterButtons[11], Qt::LeftButton);
  QTest::mouseClick(Entry(0), Qt::LeftButton);
  EXPECT_EQ(Text(0), "Lonely");
  AppSettings().DeleteMode = 0;
  QTimer::singleShot(0, [] {
    // The confirmation dialog: anything but YES keeps the record.
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->reject();
  });
  QTest::mouseClick(view->PgRight->B_RDelete, Qt::LeftButton);
  EXPECT_EQ(prompts.texts(), QStringList{"Record not Deleted."});
  AppSettings().DeleteMode = 1;
  Key(Qt::Key_Delete, Qt::AltModifier);
  EXPECT_TRUE(view->CurrentNew);
  EXPECT_EQ(Position(), "");
  EXPECT_EQ(LetterCounts()[11], 0);
  EXPECT_TRUE(Stored(2).empty());
  EXPECT_TRUE(view->PgRight->B_Prev->isEnabled());  // both stay on for a new record
}

TEST_F(CombinedView, NewRecordShowsNoPositionAndIsStoredWithTheNextNumber) {
  MakeTable(Numbered(5));
  Open();
  QTest::mouseClick(view->B_New, Qt::LeftButton);
  EXPECT_TRUE(view->CurrentNew);
  EXPECT_EQ(view->CurrentNumber, -1);
  EXPECT_EQ(Position(), "");
  EXPECT_EQ(Status(), "New Record");
  EXPECT_EQ(view->focusWidget(), view->PgRight->Editors[0]);
  Type(0, "Zebra");
  // New again: the record is stored and the new page follows it.
  QTest::mouseClick(view->B_New, Qt::LeftButton);
  EXPECT_TRUE(view->CurrentNew);
  EXPECT_TRUE(Text(0).isEmpty());
  EXPECT_EQ(Stored(2).back(), "Zebra");
  EXPECT_EQ(Stored(0).back(), "6");
  EXPECT_EQ(Entry(5)->text(0), "Zebra");
  QTest::mouseClick(Entry(0), Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 000");
  // A new record left empty stores nothing and asks nothing.
  QTest::mouseClick(view->B_New, Qt::LeftButton);
  QTest::mouseClick(Entry(1), Qt::LeftButton);
  EXPECT_EQ(Stored(2).size(), 6u);
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedView, AnEmptyTitleAsksAndNoKeepsTheRecordAndItsEdits) {
  MakeTable(Numbered(3));
  Open();
  Type(0, "");
  Type(1, "Someone");
  QTest::mouseClick(Entry(2), Qt::LeftButton);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text, "First Field cannot be empty!" + kDiscard);
  EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(Text(1), "Someone");
  EXPECT_EQ(view->CurrentPosition, 1);
  EXPECT_EQ(SelectedEntry(), 0);
  prompts.answers.push_back(MsgResult::Yes);
  QTest::mouseClick(Entry(2), Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 002");
  EXPECT_EQ(Stored(3)[0], "Author 1");
}

TEST_F(CombinedView, RecordHeldElsewhereIsShownReadOnly) {
  MakeTable(Numbered(3));
  dbase::Table other;
  other.open(Native(table()), dbase::OpenMode::Shared);
  other.goToPosition(1);
  other.edit();
  Open();
  QTest::mouseClick(Entry(1), Qt::LeftButton);
  EXPECT_TRUE(view->CurrentInUse);
  EXPECT_EQ(Status(), "Read Only Access - Record In Use");
  EXPECT_FALSE(view->PgRight->Editors[0]->isEnabled());
  EXPECT_FALSE(view->PgRight->B_RDelete->isEnabled());
  QTest::mouseClick(Entry(0), Qt::LeftButton);
  EXPECT_EQ(Status(), "Read/Write Access");
  // The view's lock keeps the other cursor off the current record.
  dbase::Table third;
  third.open(Native(table()), dbase::OpenMode::Shared);
  third.first();
  EXPECT_THROW(third.edit(), dbase::LockError);
  other.cancel();
}

TEST_F(CombinedView, CopyPasteAndUndoOfTheCurrentRecord) {
  MakeTable(Numbered(3));
  Open();
  EXPECT_FALSE(view->PgRight->B_RPaste->isEnabled());
  Key(Qt::Key_C, Qt::AltModifier);
  EXPECT_TRUE(AppSettings().CopyBufferFull);
  EXPECT_TRUE(view->PgRight->B_RPaste->isEnabled());
  EXPECT_TRUE(view->PasteRecord1->isEnabled());
  QTest::mouseClick(Entry(2), Qt::LeftButton);
  QTest::mouseClick(view->PgRight->B_RPaste, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 000");
  EXPECT_EQ(Stored(2)[2], "Book 002");  // pasting only fills the editors
  QTest::mouseClick(view->PgRight->B_RUndo, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 002");
  // Pasting from the entry menu onto another entry stores at once.
  view->PasteRecordClick(1);
  EXPECT_EQ(Stored(2)[1], "Book 000");
  EXPECT_EQ(Text(0), "Book 002");
  EXPECT_EQ(Position(), "3");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedView, DeleteFromTheEntryMenuCorrectsThePosition) {
  MakeTable(Numbered(5));
  Open();
  QTest::mouseClick(Entry(3), Qt::LeftButton);
  view->DeleteRecordClick(1);
  EXPECT_EQ(Text(0), "Book 003");
  EXPECT_EQ(Position(), "3");
  EXPECT_EQ(view->CurrentEntry, 2);
  view->DeleteRecordClick(2);  // the current record's own entry
  EXPECT_EQ(Text(0), "Book 004");
  EXPECT_EQ(Stored(2).size(), 3u);
  view->DeleteRecordClick(7);
  EXPECT_EQ(prompts.texts(), QStringList{"Empty Record cannot be Deleted."});
}

TEST_F(CombinedView, KeysSelectPartsAndLettersOfTheLeftPageOnly) {
  MakeTable({"Alpha", "Bravo"}, true);
  Open();
  Key(Qt::Key_3, Qt::AltModifier);
  EXPECT_EQ(view->PgRight->Part(), 2);
  Key(Qt::Key_5, Qt::AltModifier);
  EXPECT_EQ(view->PgRight->Part(), 2);
  view->PgRight->SelectPart(0);
  Key(Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(view->CurrentLetter(), 'B');
  EXPECT_EQ(Entry(0)->text(0), "Bravo");
  EXPECT_EQ(Text(0), "Alpha");
  Key(Qt::Key_Y, Qt::AltModifier);
  EXPECT_EQ(view->CurrentLetter(), 'A');
}

TEST_F(CombinedView, ReadOnlyModeShowsWithoutLockingOrEditing) {
  TAppSettings& s = AppSettings();
  s.DatabaseDir = JoinPath(s.DataRootDir, "DATA");
  s.HomeDir = s.DatabaseDir;
  QDir().mkpath(s.DatabaseDir);
  s.AccessRights = 2;
  MakeTable(Numbered(2));
  Open();
  EXPECT_EQ(Status(), "Read Only Access");
  EXPECT_TRUE(view->windowTitle().endsWith(" [Read Only Mode]"));
  EXPECT_FALSE(view->PgRight->Editors[0]->isEnabled());
  EXPECT_FALSE(view->B_New->isEnabled());
  EXPECT_FALSE(view->PgRight->B_RCopy->isEnabled());
  EXPECT_FALSE(view->PgRight->B_RDelete->isEnabled());
  EXPECT_FALSE(view->DeleteRecord1->isEnabled());
  dbase::Table other;
  other.open(Native(table()), dbase::OpenMode::Shared);
  other.first();
  EXPECT_NO_THROW(other.edit());
  other.cancel();
  QTest::mouseClick(view->PgRight->B_Next, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Book 001");
  EXPECT_FALSE(view->PgRight->B_Next->isEnabled());
}

TEST_F(CombinedView, ANewSortMakesTheFirstRecordCurrentUnderTheLetterA) {
  MakeTable({"Zulu", "Bravo", "Alpha"});
  Open();
  EXPECT_EQ(Text(0), "Zulu");
  EXPECT_FALSE(view->LetterButtons[0]->isEnabled());  // entry order: no letters
  Type(1, "Zed");
  TSortFields byTitle;
  byTitle.FirstField = AppSettings().FirstUserField;
  byTitle.SecondField = 0;
  emit view->SortButton1->sortByClick(byTitle);
  EXPECT_EQ(Stored(3)[0], "Zed");  // saved before the sort
  EXPECT_TRUE(view->LetterButtons[0]->isEnabled());
  EXPECT_EQ(view->CurrentLetter(), 'A');
  EXPECT_EQ(Text(0), "Alpha");
  EXPECT_EQ(LetterCounts()[25], 1);
  EXPECT_EQ(view->CurrentEntry, 0);
  EXPECT_EQ(Entry(1)->text(0), "");  // only 'A' is listed
  QTest::mouseClick(view->PgRight->B_Next, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Bravo");
  QTest::mouseClick(view->PgRight->B_Next, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Zulu");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedView, ANewTitleLetterMovesTheCountWhenTheRecordIsLeft) {
  MakeTable({"Alpha", "Apple", "Bravo"}, true);
  Open();
  EXPECT_EQ(LetterCounts()[0], 2);
  Type(0, "Banana");
  QTest::mouseClick(Entry(1), Qt::LeftButton);
  EXPECT_EQ(LetterCounts()[0], 1);
  EXPECT_EQ(LetterCounts()[1], 2);
  EXPECT_EQ(Entry(0)->text(0), "Apple");
  EXPECT_EQ(Text(0), "Apple");  // the stored record left the page of 'A'
}

TEST_F(CombinedView, AnEntryClickedWhileANewRecordIsStoredStillOpensItsRecord) {
  MakeTable({"Alpha", "Apple"}, true);
  Open();
  QTest::mouseClick(view->B_New, Qt::LeftButton);
  Type(0, "Aardvark");
  QTest::mouseClick(Entry(1), Qt::LeftButton);  // "Apple" when clicked
  EXPECT_EQ(Text(0), "Apple");
  EXPECT_EQ(Position(), "3");
  EXPECT_EQ(view->CurrentEntry, 2);
  EXPECT_EQ(Entry(0)->text(0), "Aardvark");
  EXPECT_EQ(LetterCounts()[0], 3);
}

TEST_F(CombinedView, SearchOperationsSaveFirstAndShowTheMatch) {
  MakeTable({"Alpha", "Cedar", "Canal"}, true);
  Open();
  Type(1, "Edited");
  QTest::mouseClick(view->LetterButtons[2], Qt::LeftButton);
  ASSERT_TRUE(view->FindBeforeFind(false));
  EXPECT_EQ(Stored(3)[0], "Edited");
  EXPECT_EQ(view->CurrentLetter(), 'A');
  EXPECT_EQ(Text(0), "Alpha");
  EXPECT_FALSE(view->isEnabled());
  // The search window applies the letter of its match before it reports it.
  SetLetterRange(view->Tables().Records, 'C');
  view->FindOnFound('C', 1, 0, 1, 3);
  EXPECT_TRUE(view->isEnabled());
  EXPECT_EQ(view->CurrentLetter(), 'C');
  EXPECT_EQ(Text(0), "Cedar");
  EXPECT_EQ(view->CurrentEntry, 1);
  EXPECT_EQ(qobject_cast<QLineEdit*>(view->PgRight->Editors[0])->selectedText(), "eda");
  view->FindOnNotFound('A', false);
  EXPECT_EQ(view->CurrentLetter(), 'A');
  EXPECT_EQ(Text(0), "Cedar");  // the match stays current
  ASSERT_TRUE(view->FindBeforeMarkAll());
  EXPECT_FALSE(view->RecordCursor().Active());
  view->FindAfterMarkAll(false);
  EXPECT_TRUE(view->isEnabled());
  EXPECT_TRUE(view->RecordCursor().Active());
  EXPECT_EQ(Text(0), "Alpha");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CombinedView, TheSearchWindowMakesEachMatchCurrent) {
  MakeTable({"Apple", "Banana", "Cherry pie", "Date", "Plum pie"}, true);
  Open();
  Type(1, "Saved first");
  QTest::mouseClick(view->B_Search, Qt::LeftButton);
  TFindDlg* dlg = TFindDlg::Instance();
  ASSERT_NE(dlg, nullptr);
  dlg->Edit1->setEditText(QString());
  QTest::keyClicks(dlg->Edit1, "pie");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  EXPECT_EQ(Stored(3)[0], "Saved first");
  EXPECT_TRUE(view->isEnabled());
  EXPECT_EQ(view->CurrentLetter(), 'C');
  EXPECT_EQ(Text(0), "Cherry pie");
  EXPECT_EQ(view->CurrentEntry, 0);
  auto* title = qobject_cast<QLineEdit*>(view->PgRight->Editors[0]);
  EXPECT_EQ(title->selectedText(), "pie");
  EXPECT_EQ(title->palette().color(QPalette::Base), QColor(Qt::red));
  QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(view->CurrentLetter(), 'P');
  EXPECT_EQ(Text(0), "Plum pie");
  dlg->close();
  QTest::mouseClick(view->PgRight->B_Prev, Qt::LeftButton);
  EXPECT_EQ(Text(0), "Date");
  EXPECT_EQ(title->palette().color(QPalette::Base), ElementColor(16));
}

TEST_F(CombinedView, ANonStopSearchListsTheFoundRecordsAndMakesTheFirstCurrent) {
  MakeTable(Numbered(8));
  Open();
  Type(1, "Xenon Press");
  QTest::mouseClick(view->B_Search, Qt::LeftButton);
  TFindDlg* dlg = TFindDlg::Instance();
  ASSERT_NE(dlg, nullptr);
  QTest::mouseClick(dlg->CheckBox2, Qt::LeftButton);
  dlg->Edit1->setEditText(QString());
  QTest::keyClicks(dlg->Edit1, "006");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_TRUE(prompts.shown[0].text.startsWith("1 Record(s) Found!"));
  EXPECT_EQ(AppSettings().FilterState, 1);
  EXPECT_TRUE(view->isEnabled());
  EXPECT_TRUE(view->RecordCursor().Active());
  EXPECT_EQ(Entry(0)->text(0), "Book 006");
  EXPECT_TRUE(Entry(1)->text(0).isEmpty());
  EXPECT_EQ(Text(0), "Book 006");
  EXPECT_EQ(Status(), "Read/Write Access");
  EXPECT_EQ(Stored(3)[0], "Xenon Press");  // saved before the pass
  dlg->close();
}

TEST_F(CombinedView, FunctionKeysOpenTheEntryAndPagePopups) {
  MakeTable(Numbered(3));
  Open();
  Key(Qt::Key_F4, Qt::NoModifier);
  EXPECT_TRUE(view->PopupMenu3->isVisible());
  view->PopupMenu3->hide();
  Key(Qt::Key_F3, Qt::NoModifier);
  EXPECT_TRUE(view->PopupMenu1->isVisible());
  EXPECT_EQ(view->MenuSlot(), 0);
  EXPECT_EQ(view->QuickView1->actions().value(0)->text(), "Book 000");
  view->PopupMenu1->hide();
  Key(Qt::Key_F2, Qt::NoModifier);
  EXPECT_TRUE(view->PopupMenu2->isVisible());
  EXPECT_TRUE(view->OneLevel1->isChecked());
  EXPECT_FALSE(view->TwoLevel1->isChecked());
  view->PopupMenu2->hide();
}

TEST_F(CombinedView, LayoutFollowsTheBarAndLetterPlaces) {
  AppSettings().SpeedBarLocation = 0;
  AppSettings().LetterTabsLocation = 1;
  MakeTable(Numbered(3));
  Open();
  EXPECT_EQ(view->Panel3->y(), 0);
  EXPECT_GT(view->Panel1->y(), view->Panel3->y());
  EXPECT_EQ(view->PgRight->x(), TForm3::kPageWidth);
  EXPECT_EQ(view->Panel5->x(), 2 * TForm3::kPageWidth);
  AppSettings().SpeedBarLocation = 1;
  AppSettings().LetterTabsLocation = 0;
  view->ApplyLayout();
  EXPECT_EQ(view->Panel1->y(), 0);
  EXPECT_EQ(view->Panel3->y(), TForm3::kPageHeight);
  EXPECT_EQ(view->Panel5->x(), TForm3::kPageWidth);
  AppSettings().MenusAndSpeedBars = 1;
  view->ApplyLayout();
  EXPECT_FALSE(view->Panel3->isVisible());
  EXPECT_FALSE(view->TabSet1->isVisible());
}

TEST_F(CombinedView, ARefusedSaveKeepsTheViewOpen) {
  MakeTable(Numbered(2));
  Open();
  Type(0, "");
  EXPECT_FALSE(view->close());
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(prompts.shown.size(), 1u);
  Type(0, "Kept");
  view->SwitchToTwoLevels();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Stored(2)[0], "Kept");
  EXPECT_NE(qobject_cast<TForm1*>(CurrentView()), nullptr);
}

TEST_F(CombinedView, PagePopupFollowsTheButtons) {
  MakeTable(Numbered(2));
  Open();
  view->PopupMenu3Popup();
  EXPECT_FALSE(view->PasteRecord3->isEnabled());
  EXPECT_TRUE(view->CopyRecord3->isEnabled());
  EXPECT_TRUE(view->DeleteRecord3->isEnabled());
  EXPECT_TRUE(view->Synchronize3->isEnabled());
  EXPECT_FALSE(view->ViewCopyBuffer3->isEnabled());
  view->B_RCopyClick();
  view->PopupMenu3Popup();
  EXPECT_TRUE(view->PasteRecord3->isEnabled());
  EXPECT_TRUE(view->ViewCopyBuffer3->isEnabled());
  EXPECT_EQ(view->ViewCopyBuffer3->actions().value(0)->text(), "Book 000");
  QTest::mouseClick(view->B_New, Qt::LeftButton);
  view->PopupMenu3Popup();
  EXPECT_FALSE(view->Synchronize3->isEnabled());
  view->PopupMenu1Popup(1);
  EXPECT_TRUE(view->QuickView1->isEnabled());
  EXPECT_EQ(view->QuickView1->actions().value(0)->text(), "Book 001");
  view->PopupMenu1Popup(5);
  EXPECT_FALSE(view->QuickView1->isEnabled());
}

TEST_F(CombinedView, TenSwitchesOfBookModelLoseNoEdit) {
  MakeTable(Numbered(12));
  Open();
  for (int round = 0; round < 10; ++round) {
    auto* combined = qobject_cast<TForm3*>(CurrentView());
    ASSERT_NE(combined, nullptr) << round;
    QTest::mouseClick(combined->Entries[size_t(round)], Qt::LeftButton);
    auto* title = qobject_cast<QLineEdit*>(combined->PgRight->Editors[1]);
    title->selectAll();
    QTest::keyClicks(title, QStringLiteral("One %1").arg(round));
    combined->PopupMenu2Popup();
    EXPECT_TRUE(combined->OneLevel1->isChecked());
    combined->TwoLevel1->trigger();
    EXPECT_EQ(AppSettings().BookModel, 1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    auto* toc = qobject_cast<TForm1*>(CurrentView());
    ASSERT_NE(toc, nullptr) << round;
    ASSERT_TRUE(toc->DatabaseOpen());
    toc->EntryClick(round);
    TForm2* pages = toc->RecordPages;
    const int page = round % 2;
    auto* edit =
        qobject_cast<QLineEdit*>((page == 0 ? pages->LeftEditors : pages->RightEditors)[2]);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("Two %1").arg(round));
    pages->close();
    toc->SwitchToOneLevel();
    EXPECT_EQ(AppSettings().BookModel, 0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  auto* combined = qobject_cast<TForm3*>(CurrentView());
  ASSERT_NE(combined, nullptr);
  combined->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const std::vector<std::string> authors = Stored(3), coauthors = Stored(4);
  for (int round = 0; round < 10; ++round) {
    EXPECT_EQ(authors[size_t(round)], QStringLiteral("One %1").arg(round).toStdString());
    EXPECT_EQ(coauthors[size_t(round)], QStringLiteral("Two %1").arg(round).toStdString());
  }
  EXPECT_EQ(authors[10], "Author 11");
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_TRUE(QFile::exists(JoinPath(AppSettings().ProgramDir, "options.dat")));
}

TEST_F(CombinedView, TheSampleCollectionOpensAsAnOpenBook) {
  ASSERT_TRUE(LoadSampleCollection(AppSettings().ProgramDir, AppSettings().DatabaseDir));
  QFile sort(JoinPath(AppSettings().DatabaseDir, "data.idx"));
  ASSERT_TRUE(sort.open(QIODevice::WriteOnly));
  sort.write(QByteArray("\x02\x00\x00\x00", 4));  // by title
  sort.close();
  Open();
  EXPECT_FALSE(Text(0).isEmpty());
  EXPECT_EQ(Entry(0)->text(0), Text(0));
  EXPECT_EQ(view->Panel1->x() + TForm3::kPageWidth, view->Panel5->x());
  EXPECT_EQ(view->Panel5->x() + TForm3::kLetterColumnWidth, view->PgRight->x());
  QTest::qWait(20);
  const QImage shot = view->grab().toImage();
  const QPoint inPage = view->PgRight->mapTo(view, QPoint(TForm3::kPageWidth / 2, 30));
  EXPECT_EQ(shot.pixelColor(inPage), ElementColor(24));
}

}  // namespace
