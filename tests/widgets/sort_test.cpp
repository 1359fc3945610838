#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "dbase/table.h"
#include "form1.h"
#include "formatedbutton.h"
#include "labels.h"
#include "recordtext.h"
#include "scriptedprompter.h"
#include "sortbutton.h"
#include "sortdlg.h"
#include "sortstate.h"
#include "tempdir.h"

namespace {

std::string Native(const QString& p) { return QFile::encodeName(p).toStdString(); }

class Sorting : public ::testing::Test {
 protected:
  void SetUp() override {
    TAppSettings& s = AppSettings();
    s.setEditionValues();
    s.ProgramDir = qEnvironmentVariable("TOMES_BIN");
    s.DataRootDir = box.path();
    s.DatabaseDir = box.file("home");
    s.HomeDir = s.DatabaseDir;
    QDir().mkpath(s.DatabaseDir);
    LoadLabels();
    s.LetterTabs = 1;  // whole listings, not one letter's
    SortState() = TIndex{};
    dbase::Table::copyTable(Native(JoinPath(s.ProgramDir, "data.dbf")), Native(table()), true);
    dbase::Table t;
    t.open(Native(table()), dbase::OpenMode::Exclusive);
    const struct {
      const char* title;
      const char* author;
      int year;
      double value;
    } rows[] = {{"Beta", "Young", 1990, 5}, {"alpha", "Adams", 2001, 30}, {"Gamma", "Adams", 1950, 12}};
    int n = 0;
    for (const auto& r : rows) {
      t.append();
      t.setNumber(0, ++n);
      t.setString(1, "0");
      t.setString(2, r.title);
      t.setString(3, r.author);
      t.setDate(9, dbase::Date{r.year, 6, 1});
      t.setNumber(10, r.value);
      t.post();
    }
  }
  void TearDown() override {
    form.reset();
    SortState() = TIndex{};
  }
  QString table() const { return JoinPath(AppSettings().DatabaseDir, "data.dbf"); }
  void Open() {
    form = std::make_unique<TForm1>();
    form->show();
  }
  QStringList Titles() const {
    QStringList out;
    for (auto* e : form->LeftEntries)
      if (!e->text(0).isEmpty()) out << e->text(0);
    return out;
  }
  size_t TagCount() const {
    dbase::Table t;
    t.open(Native(table()), dbase::OpenMode::Shared, true);
    return t.tags().size();
  }
  // Runs the sort dialog from the view with the choices made by `choose`.
  void SortWith(std::function<void(TSortDlg*)> choose, bool ok = true) {
    QTimer::singleShot(0, [choose, ok] {
      auto* dlg = qobject_cast<TSortDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      choose(dlg);
      QTest::mouseClick(ok ? dlg->OKBtn : dlg->CancelBtn, Qt::LeftButton);
    });
    form->B_SortClick();
  }

  SettingsSandbox box;
  ScriptedPrompter prompts;
  std::unique_ptr<TForm1> form;
};

TEST_F(Sorting, EachFieldKindSortsTheListing) {
  Open();
  EXPECT_EQ(Titles(), QStringList({"Beta", "alpha", "Gamma"}));
  SortWith([](TSortDlg* d) { d->Sort_CB->setCurrentIndex(1); });  // title
  EXPECT_EQ(Titles(), QStringList({"alpha", "Beta", "Gamma"}));
  SortWith([](TSortDlg* d) {
    d->Sort_CB->setCurrentIndex(d->Sort_CB->findText("Published Date"));
    d->Descending1->setChecked(true);
  });
  EXPECT_EQ(Titles(), QStringList({"alpha", "Beta", "Gamma"}));
  SortWith([](TSortDlg* d) {
    d->Sort_CB->setCurrentIndex(d->Sort_CB->findText("Value"));
    d->Ascending1->setChecked(true);
  });
  EXPECT_EQ(Titles(), QStringList({"Beta", "Gamma", "alpha"}));
  SortWith([](TSortDlg* d) {
    d->Sort_CB->setCurrentIndex(d->Sort_CB->findText("Author"));
    d->Sort2_CB->setCurrentIndex(d->Sort2_CB->findText("Published Date"));
    d->Descending2->setChecked(true);
  });
  EXPECT_EQ(Titles(), QStringList({"alpha", "Gamma", "Beta"}));
  EXPECT_EQ(SortState().SecondField, 9);
  EXPECT_TRUE(SortState().SecondDescending);
}

TEST_F(Sorting, MemoAndPictureNeverOfferedAndCancelChangesNothing) {
  Open();
  SortWith(
      [](TSortDlg* d) {
        EXPECT_EQ(d->Sort_CB->findText("Notes"), -1);
        EXPECT_EQ(d->Sort2_CB->findText("Picture"), -1);
        EXPECT_EQ(d->Sort_CB->count(), 21);  // Entry Order + 20 fields
        d->Sort_CB->setCurrentIndex(1);
      },
      false);
  EXPECT_EQ(SortState().FirstField, 0);
  EXPECT_EQ(Titles(), QStringList({"Beta", "alpha", "Gamma"}));
}

TEST_F(Sorting, TheSameSortTwiceMakesNoNewTag) {
  Open();
  const size_t before = TagCount();
  auto byAuthor = [](TSortDlg* d) { d->Sort_CB->setCurrentIndex(d->Sort_CB->findText("Author")); };
  SortWith(byAuthor);
  EXPECT_EQ(TagCount(), before + 1);
  SortWith([](TSortDlg* d) { d->Sort_CB->setCurrentIndex(0); });
  SortWith(byAuthor);
  EXPECT_EQ(TagCount(), before + 1);
}

TEST_F(Sorting, AnotherUserKeepsTheListingAsItWas) {
  Open();
  dbase::Table other;  // a second program instance has the table open
  other.open(Native(table()), dbase::OpenMode::Shared);
  SortWith([](TSortDlg* d) { d->Sort_CB->setCurrentIndex(d->Sort_CB->findText("Author")); });
  ASSERT_FALSE(prompts.shown.empty());
  EXPECT_EQ(prompts.shown.back().text,
            QStringLiteral("Unable to create Index!\rDatabase may be used by someone else - this "
                           "function requires Exclusive Database Use."));
  EXPECT_EQ(SortState().FirstField, 0);
  EXPECT_EQ(Titles(), QStringList({"Beta", "alpha", "Gamma"}));
}

TEST_F(Sorting, TheSortSurvivesARestart) {
  Open();
  SortWith([](TSortDlg* d) {
    d->Sort_CB->setCurrentIndex(1);
    d->Descending1->setChecked(true);
  });
  form->close();  // saves the sort file
  form.release();  // deleted on close
  SortState() = TIndex{};
  Open();
  EXPECT_EQ(SortState().FirstField, 2);
  EXPECT_TRUE(SortState().FirstDescending);
  EXPECT_EQ(Titles(), QStringList({"Gamma", "Beta", "alpha"}));
}

}  // namespace

namespace {

TEST_F(Sorting, FilterStatesWorkOnTheMarksAlone) {
  Open();
  // No record carries a filter mark yet: a normal filter lists none, a
  // reversed one all of them.
  form->ApplyFilterState(1);
  EXPECT_TRUE(Titles().isEmpty());
  EXPECT_EQ(form->SortButton1->filterState(), 1);
  EXPECT_TRUE(SortState().Filtered);
  form->ApplyFilterState(2);
  EXPECT_EQ(Titles().size(), 3);
  form->ApplyFilterState(0);
  EXPECT_EQ(Titles(), QStringList({"Beta", "alpha", "Gamma"}));
  EXPECT_FALSE(SortState().Filtered);
}

}  // namespace
