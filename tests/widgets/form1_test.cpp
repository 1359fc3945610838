#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "colorbutton.h"
#include "dbase/table.h"
#include "deletedlg1.h"
#include "form1.h"
#include "formatedbutton.h"
#include "labels.h"
#include "letters.h"
#include "recordtext.h"
#include "scriptedprompter.h"
#include "sortstate.h"
#include "tempdir.h"
#include "viewsandbox.h"

namespace {

std::string Native(const QString& p) { return NativePath(p); }

// A database directory holding a copy of the shipped template with the given
// titles, and the settings pointing at it.
class TocView : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildProgramDir(box);
  }
  void TearDown() override {
    form.reset();
    SortState() = TIndex{};
  }

  QString table() const { return JoinPath(AppSettings().DatabaseDir, "data.dbf"); }

  void MakeTable(const QStringList& titles, bool sortByTitle) {
    MakeBookTable(TitledRows(titles), sortByTitle);
  }
  static QStringList Numbered(int count) {
    QStringList out;
    for (int i = 0; i < count; ++i) out << QStringLiteral("Book %1").arg(i, 3, 10, QLatin1Char('0'));
    return out;
  }

  void Open() {
    form = std::make_unique<TForm1>();
    form->show();
    ASSERT_TRUE(form->DatabaseOpen());
  }
  QString EntryText(int slot, int column = 0) const {
    TFormatedButton* e = slot < 12 ? form->LeftEntries[size_t(slot)] : form->RightEntries[size_t(slot - 12)];
    return e->text(column);
  }
  std::vector<bool> Buttons() const {
    return {form->B_First->isEnabled(), form->B_PgUp->isEnabled(), form->B_PgDn->isEnabled(),
            form->B_Last->isEnabled()};
  }
  QString Pages() const { return form->PgL_Lbl->text() + "/" + form->PgR_Lbl->text(); }

  SettingsSandbox box;
  ScriptedPrompter prompts;
  std::unique_ptr<TForm1> form;
};

TEST_F(TocView, EmptyDatabaseShowsEmptyPagesOneAndTwo) {
  MakeTable({}, false);
  Open();
  EXPECT_EQ(Pages(), "1/2");
  EXPECT_EQ(Buttons(), (std::vector<bool>{false, false, false, false}));
  for (int s = 0; s < 24; ++s) EXPECT_TRUE(EntryText(s).isEmpty());
  EXPECT_TRUE(form->windowTitle().startsWith("Orvanta Tomekeeper - Database: "));
}

TEST_F(TocView, TwentyFourRecordsPageOntoAnEmptySpread) {
  MakeTable(Numbered(24), false);
  Open();
  EXPECT_EQ(EntryText(0), "Book 000");
  EXPECT_EQ(EntryText(23), "Book 023");
  EXPECT_EQ(EntryText(1, 1), " Author 2");  // later columns start with a space
  EXPECT_EQ(Buttons(), (std::vector<bool>{false, false, true, false}));
  QTest::mouseClick(form->B_PgDn, Qt::LeftButton);
  EXPECT_EQ(Pages(), "3/4");
  EXPECT_TRUE(EntryText(0).isEmpty());
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, true, false, false}));
  QTest::keyClick(form.get(), Qt::Key_End, Qt::ControlModifier);  // Last: back to page 1
  EXPECT_EQ(Pages(), "1/2");
}

TEST_F(TocView, LastShowsTheSpreadWithTheLastRecord) {
  MakeTable(Numbered(25), false);
  Open();
  QTest::mouseClick(form->B_Last, Qt::LeftButton);
  EXPECT_EQ(Pages(), "3/4");
  EXPECT_EQ(EntryText(0), "Book 024");
  EXPECT_TRUE(EntryText(1).isEmpty());
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, true, false, false}));
  QTest::keyClick(form.get(), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(Pages(), "1/2");
  EXPECT_EQ(EntryText(0), "Book 000");
}

TEST_F(TocView, FortyEightRecordsEndOnPagesThreeAndFour) {
  MakeTable(Numbered(48), false);
  Open();
  QTest::keyClick(form.get(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Pages(), "3/4");
  EXPECT_EQ(EntryText(23), "Book 047");
  EXPECT_FALSE(form->B_Last->isEnabled());
  QTest::keyClick(form.get(), Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(Pages(), "1/2");
}

TEST_F(TocView, LetterTabsFollowTheTitleSort) {
  MakeTable({"cobalt", "Cedar", "#1 Hits", "42 Days", "Zebra", "\xC3\x9C" "ber", "", "Delta",
             "Canal"},
            true);
  Open();
  EXPECT_EQ(SortState().FirstField, 2);
  EXPECT_TRUE(form->LetterButtons[0]->isEnabled());
  // Digits, punctuation and empty titles are under A; Ü sorts after Z.
  EXPECT_EQ(form->CurrentLetter(), 'A');
  EXPECT_EQ(LetterCounts()[0], 3);
  EXPECT_EQ(LetterCounts()[2], 3);
  EXPECT_EQ(LetterCounts()[25], 2);
  EXPECT_EQ(LetterCounts()[1], 0);

  QTest::mouseClick(form->LetterButtons[2], Qt::LeftButton);
  EXPECT_EQ(form->CurrentLetter(), 'C');
  EXPECT_TRUE(form->LetterButtons[2]->selected());
  EXPECT_FALSE(form->LetterButtons[0]->selected());
  EXPECT_EQ(EntryText(0), "Canal");
  EXPECT_EQ(EntryText(1), "Cedar");
  EXPECT_EQ(EntryText(2), "cobalt");
  EXPECT_TRUE(EntryText(3).isEmpty());

  // PgDn on C's only spread goes to D; PgUp comes back to C.
  QTest::mouseClick(form->B_PgDn, Qt::LeftButton);
  EXPECT_EQ(form->CurrentLetter(), 'D');
  EXPECT_EQ(EntryText(0), "Delta");
  QTest::mouseClick(form->B_PgUp, Qt::LeftButton);
  EXPECT_EQ(form->CurrentLetter(), 'C');
  // An empty letter is still a page of its own.
  QTest::keyClick(form.get(), Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(form->CurrentLetter(), 'B');
  EXPECT_TRUE(EntryText(0).isEmpty());
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(EntryText(0), "Zebra");
  EXPECT_EQ(EntryText(1), QString::fromUtf8("\xC3\x9C" "ber"));
}

TEST_F(TocView, EntryOrderTurnsTheLettersOffAndIgnoresCtrlAlt) {
  MakeTable({"Beta", "Alpha"}, false);
  Open();
  EXPECT_FALSE(form->LetterButtons[1]->isEnabled());
  QTest::keyClick(form.get(), Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(form->CurrentLetter(), 'A');
  EXPECT_EQ(EntryText(0), "Beta");
}

// Answers the Confirm Action dialog once it is up.
void TypeIntoConfirmation(const QString& text) {
  QTimer::singleShot(0, [text] {
    auto* dlg = qobject_cast<TDeleteDlg1*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    QTest::keyClicks(dlg->Edit1, text);
    QTest::mouseClick(dlg->B_OK, Qt::LeftButton);
  });
}

TEST_F(TocView, DeleteAsksForYes) {
  MakeTable({"Alpha", "Bravo", "Charlie"}, false);
  AppSettings().DeleteMode = 0;
  Open();
  TypeIntoConfirmation("no");
  form->DeleteRecordClick(1);
  EXPECT_EQ(prompts.texts(), QStringList{"Record not Deleted."});
  EXPECT_EQ(EntryText(1), "Bravo");

  TypeIntoConfirmation("yes");
  form->DeleteRecordClick(1);
  EXPECT_EQ(EntryText(1), "Charlie");
  EXPECT_TRUE(EntryText(2).isEmpty());

  form->DeleteRecordClick(5);
  EXPECT_EQ(prompts.texts().last(), "Empty Record cannot be Deleted.");
}

TEST_F(TocView, RecordLockedElsewhereIsNotDeleted) {
  MakeTable({"Alpha", "Bravo"}, false);
  AppSettings().DeleteMode = 1;
  Open();
  dbase::Table other;
  other.open(Native(table()), dbase::OpenMode::Shared);
  other.first();
  other.edit();  // another program edits "Alpha"
  form->DeleteRecordClick(0);
  EXPECT_EQ(prompts.texts(), QStringList{"Record in use - not Deleted!"});
  EXPECT_EQ(prompts.shown.back().kind, MsgKind::Error);
  EXPECT_EQ(EntryText(0), "Alpha");
  other.cancel();
  form->DeleteRecordClick(0);
  EXPECT_EQ(EntryText(0), "Bravo");
}

TEST_F(TocView, ReadOnlyModeLocksTheRecords) {
  TAppSettings& s = AppSettings();
  s.DatabaseDir = JoinPath(s.DataRootDir, "DATA");
  s.HomeDir = s.DatabaseDir;
  QDir().mkpath(s.DatabaseDir);
  s.AccessRights = 2;
  MakeTable({"Alpha"}, false);
  Open();
  EXPECT_TRUE(form->windowTitle().endsWith(" [Read Only Mode]"));
  EXPECT_FALSE(form->DeleteRecord1->isEnabled());
  EXPECT_FALSE(form->NewRecord1->isEnabled());
  EXPECT_FALSE(form->B_New->isEnabled());
  form->PopupMenu1Popup(0);
  EXPECT_TRUE(form->QuickView1->isEnabled());
  EXPECT_FALSE(form->ViewCopyBuffer1->isEnabled());
}

TEST_F(TocView, QuickViewListsEveryUserField) {
  MakeTable({"Alpha"}, false);
  Open();
  form->PopupMenu1Popup(0);
  const auto items = form->QuickView1->actions();
  ASSERT_EQ(items.size(), 22);
  EXPECT_EQ(items[0]->text(), "Alpha");
  EXPECT_EQ(items[1]->text(), "Author 1");
  EXPECT_EQ(items[21]->text(), "<PICTURE> - Empty");
  form->PopupMenu1Popup(3);  // an empty entry
  EXPECT_FALSE(form->QuickView1->isEnabled());
}

TEST_F(TocView, FormMenuTicksTheCurrentSettings) {
  MakeTable({}, false);
  AppSettings().DeleteMode = 1;
  AppSettings().LetterTabsLocation = 1;
  Open();
  form->PopupMenu2Popup();
  EXPECT_TRUE(form->TwoLevel1->isChecked());
  EXPECT_FALSE(form->OneLevel1->isChecked());
  EXPECT_TRUE(form->MenusItems[0]->isChecked());
  EXPECT_FALSE(form->MenusItems[1]->isChecked());
  EXPECT_TRUE(form->DeleteModeItems[1]->isChecked());
  EXPECT_FALSE(form->DeleteModeItems[0]->isChecked());
  EXPECT_TRUE(form->LetterPlaceItems[1]->isChecked());
  EXPECT_TRUE(form->SpeedBarItems[1]->isChecked());
  // The letter column sits right of the right page.
  EXPECT_GT(form->Panel5->x(), form->Panel2->x());
  form->MenusItems[1]->trigger();  // only menus
  EXPECT_TRUE(form->Panel3->isHidden());
  form->PopupMenu2Popup();
  EXPECT_TRUE(form->MenusItems[1]->isChecked());
  EXPECT_FALSE(form->MenusItems[0]->isChecked());
}

}  // namespace
