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

#include "database.h"
#include "dbase/table.h"
#include "finddlg.h"
#include "form1.h"
#include "form2.h"
#include "formatedbutton.h"
#include "labels.h"
#include "letters.h"
#include "recordtext.h"
#include "runtime.h"
#include "scriptedprompter.h"
#include "sortbutton.h"
#include "sortstate.h"
#include "tempdir.h"
#include "viewsandbox.h"

namespace {

std::string Native(const QString& p) { return QFile::encodeName(p).toStdString(); }

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
    UseBuildProgramDir(box);
    FindMemory() = TFindMemory{};
    RunObjects().FindHistory.clear();
  }
  void TearDown() override {
    if (TFindDlg* d = TFindDlg::Instance()) d->close();
    form.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SortState() = TIndex{};
  }

  QString table() const { return JoinPath(AppSettings().DatabaseDir, "data.dbf"); }

  void MakeTable(const std::vector<Row>& rows, bool sortByTitle = false) {
    std::vector<TBookRow> books;
    for (const Row& r : rows) books.push_back({r.title, r.author, r.value});
    MakeBookTable(books, sortByTitle);
  }
  static std::vector<Row> Numbered(int count) {
    std::vector<Row> out;
    for (int i = 0; i < count; ++i)
      out.push_back({QStringLiteral("Book %1").arg(i, 3, 10, QLatin1Char('0')), {}});
    return out;
  }

  void Open() {
    form = std::make_unique<TForm1>();
    form->show();
    ASSERT_TRUE(form->DatabaseOpen());
    ASSERT_TRUE(form->B_Search->isEnabled());
    QTest::mouseClick(form->B_Search, Qt::LeftButton);
    dlg = TFindDlg::Instance();
    ASSERT_NE(dlg, nullptr);
  }
  void Choose(const QString& field) {
    const int i = dlg->ComboBox1->findText(field);
    ASSERT_GE(i, 0) << field.toStdString();
    dlg->ComboBox1->setCurrentIndex(i);
    emit dlg->ComboBox1->activated(i);
  }
  void Type(const QString& text) {
    dlg->Edit1->setEditText(QString());
    QTest::keyClicks(dlg->Edit1, text);
  }
  QString EntryText(int slot) const {
    TFormatedButton* e =
        slot < 12 ? form->LeftEntries[size_t(slot)] : form->RightEntries[size_t(slot - 12)];
    return e->text(0);
  }
  // A hit opens the record pages on the pair that holds it.
  bool PagesShow(const QString& title) const {
    TForm2* pages = form->RecordPages;
    if (!pages || !pages->isVisible()) return false;
    return pages->PageValues(0).text[0] == title || pages->PageValues(1).text[0] == title;
  }
  int FocusedSlot() const {
    for (int s = 0; s < 24; ++s) {
      TFormatedButton* e =
          s < 12 ? form->LeftEntries[size_t(s)] : form->RightEntries[size_t(s - 12)];
      if (form->focusWidget() == e) return s;
    }
    return -1;
  }
  std::string Marks() {
    dbase::Table t;
    t.open(Native(table()));
    std::string out;
    for (t.first(); !t.eof(); t.next()) out += t.asString(1);
    return out;
  }
  std::vector<bool> Buttons() const {
    return {dlg->BitBtn1->isEnabled(), dlg->BitBtn2->isEnabled(), dlg->BitBtn3->isEnabled(),
            dlg->BitBtn4->isEnabled()};
  }

  SettingsSandbox box;
  ScriptedPrompter prompts;
  std::unique_ptr<TForm1> form;
  TFindDlg* dlg = nullptr;
};

TEST_F(FindView, OpensModelessAndOnTopWithItsControls) {
  MakeTable(Numbered(3));
  Open();
  EXPECT_EQ(dlg->windowTitle(), "Search");
  EXPECT_FALSE(dlg->isModal());
  EXPECT_TRUE(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(dlg->ComboBox1->itemText(0), "ALL FIELDS");
  EXPECT_EQ(dlg->ComboBox1->itemText(1), "Book Title");
  EXPECT_EQ(dlg->ComboBox1->findText("Picture"), -1);
  EXPECT_NE(dlg->ComboBox1->findText("Notes"), -1);
  EXPECT_TRUE(dlg->CheckBox1->isChecked());
  EXPECT_FALSE(dlg->CheckBox2->isChecked());
  EXPECT_TRUE(dlg->RadioBeginning->isChecked());
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(dlg->BitBtn2->text(), "Find &Next");
  EXPECT_EQ(dlg->BitBtn1->toolTip(), "Start Search From Beginning or End of File");
  // A second Find brings the same window up.
  QTest::mouseClick(form->B_Search, Qt::LeftButton);
  EXPECT_EQ(TFindDlg::Instance(), dlg);
}

TEST_F(FindView, ReturnInTheTextStartsTheSearch) {
  MakeTable({{"Red", ""}, {"Blue", ""}});
  Open();
  Type("blue");
  QTest::keyClick(dlg->Edit1, Qt::Key_Return);
  EXPECT_EQ(dlg->Label4->text(), "2");
  EXPECT_EQ(RunObjects().FindHistory, QStringList{"blue"});
  EXPECT_EQ(dlg->Edit1->count(), 1);
}

TEST_F(FindView, EmptyTextAsksForTextAndStaysIdle) {
  MakeTable(Numbered(3));
  Open();
  Type("");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text, "You have to enter Text!");
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Information);
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false, false}));
  EXPECT_TRUE(form->isEnabled());
  EXPECT_TRUE(RunObjects().FindHistory.isEmpty());
}

TEST_F(FindView, TwelveFindsTheValueTwelveButNotOneHundredTwelve) {
  MakeTable({{"First", "", 112}, {"Second", "", 12}, {"Volume 112", "", 5}});
  Open();
  Choose("Value");
  EXPECT_FALSE(dlg->CheckBox1->isChecked());
  EXPECT_FALSE(dlg->CheckBox1->isEnabled());
  Type("12");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(dlg->Label4->text(), "2");
  EXPECT_TRUE(PagesShow("Second"));
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, true, false, false}));
  QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(prompts.texts(), QStringList{kNotFound});
  EXPECT_TRUE(dlg->Label4->text().isEmpty());
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false, false}));
  // In all fields the title with 112 holds the text.
  Choose("ALL FIELDS");
  EXPECT_TRUE(dlg->CheckBox1->isChecked());
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  EXPECT_EQ(dlg->Label4->text(), "2");
  QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(dlg->Label4->text(), "3");
  EXPECT_EQ(dlg->Search().CurrentField(), kTitle);
}

TEST_F(FindView, FindNextFindsTheSameRecordAgainInALaterField) {
  MakeTable({{"Red", "Nobody"}, {"Blue Moon", "Blue Author"}, {"Green", "Blue Bird"}});
  Open();
  Type("blue");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  EXPECT_EQ(dlg->Label4->text(), "2");
  EXPECT_EQ(dlg->Search().CurrentField(), kTitle);
  QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(dlg->Label4->text(), "2");
  EXPECT_EQ(dlg->Search().CurrentField(), kAuthor);
  // Found by Next: both directions go on from here.
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, true, true, false}));
  QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(dlg->Label4->text(), "3");
  QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
  EXPECT_EQ(dlg->Label4->text(), "2");
  EXPECT_EQ(dlg->Search().CurrentField(), kAuthor);
  EXPECT_TRUE(prompts.shown.empty());
  // Any change of the text stops the stepping.
  QTest::keyClick(dlg->Edit1, Qt::Key_X);
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false, false}));
}

TEST_F(FindView, BackwardSearchStartsAtTheLastRecordAndShowsItsSpread) {
  std::vector<Row> rows = Numbered(30);
  rows[0].author = "Smith";
  rows[27].author = "Smithers";
  MakeTable(rows);
  Open();
  dlg->RadioEnd->setChecked(true);
  Type("smith");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  EXPECT_EQ(dlg->Label4->text(), "28");
  EXPECT_TRUE(PagesShow("Book 027"));
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, true, false}));
  QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
  EXPECT_EQ(dlg->Label4->text(), "1");
  EXPECT_TRUE(PagesShow("Book 000"));
  QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
  EXPECT_EQ(prompts.texts(), QStringList{kNotFound});
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, true, false, false}));
}

TEST_F(FindView, SteppingSearchWalksTheLetterTabs) {
  MakeTable({{"Apple", ""}, {"Banana", ""}, {"Cherry pie", ""}, {"Date", ""}, {"Plum pie", ""}},
            true);
  Open();
  form->SelectLetter('D');
  Type("pie");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  EXPECT_EQ(form->CurrentLetter(), 'C');
  EXPECT_EQ(dlg->Label5->text(), "C");
  EXPECT_EQ(dlg->Label4->text(), "1");
  EXPECT_TRUE(PagesShow("Cherry pie"));
  QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(form->RecordPages->CurrentLetter, 'P');
  EXPECT_TRUE(PagesShow("Plum pie"));
  // Past Z: nothing more, and the pages go back to the letter of the last match.
  QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(prompts.texts(), QStringList{kNotFound});
  EXPECT_EQ(form->RecordPages->CurrentLetter, 'P');
  EXPECT_TRUE(dlg->Label5->text().isEmpty());
}

TEST_F(FindView, NonStopOverAnEmptyDatabaseFindsNoRecords) {
  MakeTable({});
  Open();
  QTest::mouseClick(dlg->CheckBox2, Qt::LeftButton);
  Type("anything");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  EXPECT_EQ(prompts.texts(), QStringList{"No Records Found!"});
  EXPECT_EQ(AppSettings().FilterState, 0);
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FindView, FalseFromBeforeMarkAllCancelsThePass) {
  MakeTable({{"Blue", ""}});
  Open();
  int after = 0;
  TFindHooks hooks;
  hooks.BeforeMarkAll = [] { return false; };
  hooks.AfterMarkAll = [&] { ++after; };
  dlg->SetHooks(hooks);
  QTest::mouseClick(dlg->CheckBox2, Qt::LeftButton);
  Type("blue");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(after, 0);
  EXPECT_EQ(Marks(), "0");
}

TEST_F(FindView, NonStopModeFixesTheDirection) {
  MakeTable({{"Blue", ""}, {"Blue", ""}});
  Open();
  Type("blue");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  ASSERT_TRUE(dlg->BitBtn2->isEnabled());
  dlg->RadioEnd->setChecked(true);
  QTest::mouseClick(dlg->CheckBox2, Qt::LeftButton);
  EXPECT_TRUE(dlg->RadioBeginning->isChecked());
  EXPECT_FALSE(dlg->RadioGroup1->isEnabled());
  EXPECT_FALSE(dlg->BitBtn2->isEnabled());
  EXPECT_FALSE(dlg->BitBtn3->isEnabled());
  QTest::mouseClick(dlg->CheckBox2, Qt::LeftButton);
  EXPECT_TRUE(dlg->RadioGroup1->isEnabled());
}

TEST_F(FindView, NonStopLeavesTheViewShowingOnlyTheFoundRecords) {
  std::vector<Row> rows = Numbered(30);
  rows[4].title = "The Xenon Affair";
  rows[17].author = "Xenon Press";
  rows[29].title = "xenon";
  MakeTable(rows);
  Open();
  QTest::mouseClick(dlg->CheckBox2, Qt::LeftButton);
  Type("XENON");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text,
            "3 Record(s) Found!\rTo return later to All-Record-Display set Filter to All Records.");
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Information);
  EXPECT_EQ(AppSettings().FilterState, 1);
  EXPECT_EQ(form->SortButton1->filterState(), 1);
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(EntryText(0), "The Xenon Affair");
  EXPECT_EQ(EntryText(1), "Book 017");
  EXPECT_EQ(EntryText(2), "xenon");
  EXPECT_TRUE(EntryText(3).isEmpty());
  std::string expected(30, '0');
  expected[4] = expected[17] = expected[29] = '2';
  EXPECT_EQ(Marks(), expected);
  EXPECT_EQ(RunObjects().FindHistory, QStringList{"XENON"});
  // Back to every record through the sort button's filter menu.
  form->ApplyFilterState(0);
  EXPECT_EQ(EntryText(3), "Book 003");
}

TEST_F(FindView, StopEndsALongNonStopPassAndTheWindowStaysResponsive) {
  constexpr int kRecords = 100000;
  {
    std::vector<Row> rows(kRecords, Row{QStringLiteral("Same title"), {}});
    MakeTable(rows);
  }
  Open();
  QTest::mouseClick(dlg->CheckBox2, Qt::LeftButton);
  Type("same");
  int ticks = 0;
  int32_t stoppedAt = -1;
  QTimer clicker;
  clicker.setInterval(1);
  QObject::connect(&clicker, &QTimer::timeout, [&] {
    ++ticks;
    TFindSearch& search = dlg->Search();
    if (stoppedAt < 0 && search.Running() && search.Counter() >= 1000) {
      EXPECT_TRUE(dlg->BitBtn4->isEnabled());
      EXPECT_FALSE(dlg->BitBtn1->isEnabled());
      EXPECT_FALSE(form->isEnabled());
      stoppedAt = search.Counter();
      QTest::mouseClick(dlg->BitBtn4, Qt::LeftButton);
    }
  });
  clicker.start();
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  clicker.stop();
  ASSERT_GE(stoppedAt, 1000);
  EXPECT_LT(stoppedAt, kRecords - 1);
  EXPECT_GE(ticks, 2);
  // Stopped: nothing reported, nothing counted, every record shown.
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_EQ(dlg->Search().FoundCount(), 0);
  EXPECT_EQ(AppSettings().FilterState, 0);
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false, false}));
  const std::string marks = Marks();
  const auto marked = std::count(marks.begin(), marks.end(), '2');
  EXPECT_GE(marked, stoppedAt);
  EXPECT_LT(marked, kRecords);
  EXPECT_EQ(marks.back(), '0');
}

TEST_F(FindView, TheWindowRemembersItsChoicesBetweenOpenings) {
  MakeTable(Numbered(3));
  Open();
  Choose("Author");
  dlg->RadioEnd->setChecked(true);
  Type("Book 001");
  QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
  Type("draft");
  QPointer<TFindDlg> first(dlg);
  QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(TFindDlg::Instance(), nullptr);
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(FindMemory().lastText, "draft");

  QTest::mouseClick(form->B_Search, Qt::LeftButton);
  dlg = TFindDlg::Instance();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(dlg->Edit1->currentText(), "draft");
  EXPECT_EQ(dlg->Edit1->itemText(0), "Book 001");
  EXPECT_EQ(dlg->ComboBox1->currentText(), "Author");
  EXPECT_FALSE(dlg->CheckBox1->isEnabled());
  EXPECT_TRUE(dlg->RadioEnd->isChecked());
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false, false}));
}

TEST_F(FindView, ClosingTheViewClosesTheWindow) {
  MakeTable(Numbered(3));
  Open();
  QPointer<TFindDlg> watched(dlg);
  form.reset();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(TFindDlg::Instance(), nullptr);
  EXPECT_TRUE(watched.isNull());
}

TEST(FindPlacement, GoesBesideTheViewOnTheSideWithRoom) {
  const QRect screen(0, 0, 1280, 1024);
  const QSize window(400, 250);
  // A view right of the screen's centre: the window goes to its left, at its top.
  EXPECT_EQ(TFindDlg::Placement(QRect(700, 100, 566, 500), window, screen), QPoint(300, 100));
  // Left of the centre: to its right.
  EXPECT_EQ(TFindDlg::Placement(QRect(10, 50, 566, 500), window, screen), QPoint(576, 50));
  // Never past the screen's edges.
  EXPECT_EQ(TFindDlg::Placement(QRect(300, 900, 700, 100), window, screen), QPoint(0, 774));
  EXPECT_EQ(TFindDlg::Placement(QRect(100, -20, 1000, 100), window, screen), QPoint(880, 0));
}

}  // namespace
