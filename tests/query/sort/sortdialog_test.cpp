#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "book/contents/contentsview.h"
#include "core/labels.h"
#include "dbase/table.h"
#include "query/sort/sortbar.h"
#include "query/sort/sortdialog.h"
#include "store/recordtext.h"
#include "store/sortstate.h"
#include "support/bookviewfixture.h"
#include "ui/contentsentry.h"

namespace {

class Sorting : public BookViewTest {
 protected:
  void SetUp() override {
    BookViewTest::SetUp();
    appSettings().letterTabs = 1;  // whole listings, not one letter's
    makeBookTable({{"Beta", "Young", 5}, {"alpha", "Adams", 30}, {"Gamma", "Adams", 12}}, false);
    dbase::Table t;
    t.open(nativePath(table()), dbase::OpenMode::Exclusive);
    t.first();
    for (int year : {1990, 2001, 1950}) {
      t.edit();
      t.setDate(9, dbase::Date{year, 6, 1});
      t.post();
      t.next();
    }
  }
  void TearDown() override {
    form.reset();
    BookViewTest::TearDown();
  }
  void open() {
    form = std::make_unique<ContentsView>();
    form->show();
  }
  QStringList titles() const {
    QStringList out;
    for (auto* e : form->leftEntries)
      if (!e->text(0).isEmpty()) out << e->text(0);
    return out;
  }
  size_t tagCount() const {
    dbase::Table t;
    t.open(nativePath(table()), dbase::OpenMode::Shared, true);
    return t.tags().size();
  }
  // Runs the sort dialog from the view with the choices made by `choose`.
  void sortWith(std::function<void(SortDialog*)> choose, bool ok = true) {
    QTimer::singleShot(0, [choose, ok] {
      auto* dlg = qobject_cast<SortDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      choose(dlg);
      QTest::mouseClick(ok ? dlg->okButton : dlg->cancelButton, Qt::LeftButton);
    });
    form->onSortClicked();
  }

  std::unique_ptr<ContentsView> form;
};

TEST_F(Sorting, EachFieldKindSortsTheListing) {
  open();
  EXPECT_EQ(titles(), QStringList({"Beta", "alpha", "Gamma"}));
  sortWith([](SortDialog* d) { d->firstFieldCombo->setCurrentIndex(1); });  // title
  EXPECT_EQ(titles(), QStringList({"alpha", "Beta", "Gamma"}));
  sortWith([](SortDialog* d) {
    d->firstFieldCombo->setCurrentIndex(d->firstFieldCombo->findText("Published Date"));
    d->firstDescendingRadio->setChecked(true);
  });
  EXPECT_EQ(titles(), QStringList({"alpha", "Beta", "Gamma"}));
  sortWith([](SortDialog* d) {
    d->firstFieldCombo->setCurrentIndex(d->firstFieldCombo->findText("Value"));
    d->firstAscendingRadio->setChecked(true);
  });
  EXPECT_EQ(titles(), QStringList({"Beta", "Gamma", "alpha"}));
  sortWith([](SortDialog* d) {
    d->firstFieldCombo->setCurrentIndex(d->firstFieldCombo->findText("Author"));
    d->secondFieldCombo->setCurrentIndex(d->secondFieldCombo->findText("Published Date"));
    d->secondDescendingRadio->setChecked(true);
  });
  EXPECT_EQ(titles(), QStringList({"alpha", "Gamma", "Beta"}));
  EXPECT_EQ(sortState().secondField, 9);
  EXPECT_TRUE(sortState().secondDescending);
}

TEST_F(Sorting, MemoAndPictureNeverOfferedAndCancelChangesNothing) {
  open();
  sortWith(
      [](SortDialog* d) {
        EXPECT_EQ(d->firstFieldCombo->findText("Notes"), -1);
        EXPECT_EQ(d->secondFieldCombo->findText("Picture"), -1);
        EXPECT_EQ(d->firstFieldCombo->count(), 21);  // Entry Order + 20 fields
        // The list drops down 12 rows high and scrolls for the rest.
        d->firstFieldCombo->showPopup();
        const QAbstractItemView* list = d->firstFieldCombo->view();
        EXPECT_EQ(list->viewport()->height() / list->sizeHintForRow(0), 12);
        d->firstFieldCombo->hidePopup();
        d->firstFieldCombo->setCurrentIndex(1);
      },
      false);
  EXPECT_EQ(sortState().firstField, 0);
  EXPECT_EQ(titles(), QStringList({"Beta", "alpha", "Gamma"}));
}

TEST_F(Sorting, TheSortSurvivesARestart) {
  open();
  sortWith([](SortDialog* d) {
    d->firstFieldCombo->setCurrentIndex(1);
    d->firstDescendingRadio->setChecked(true);
  });
  form->close();   // saves the sort file
  form.release();  // deleted on close
  sortState() = SortState{};
  open();
  EXPECT_EQ(sortState().firstField, 2);
  EXPECT_TRUE(sortState().firstDescending);
  EXPECT_EQ(titles(), QStringList({"Gamma", "Beta", "alpha"}));
}

TEST_F(Sorting, DateThenTitleSortsAndATagThatCannotBeMadeKeepsThePreviousSort) {
  open();
  sortWith([](SortDialog* d) {
    d->firstFieldCombo->setCurrentIndex(d->firstFieldCombo->findText("Author"));
  });
  prompts.shown.clear();
  // A date counts its width against the key budget, so this key fits.
  sortWith([](SortDialog* d) {
    d->firstFieldCombo->setCurrentIndex(d->firstFieldCombo->findText("Published Date"));
    d->secondFieldCombo->setCurrentIndex(d->secondFieldCombo->findText("Book Title"));
  });
  EXPECT_TRUE(prompts.shown.empty());
  const QStringList before = titles();
  EXPECT_EQ(before, QStringList({"Gamma", "Beta", "alpha"}));
  // Another program has the table open: a new tag needs it alone.
  dbase::Table other;
  other.open(nativePath(table()));
  sortWith([](SortDialog* d) {
    d->firstFieldCombo->setCurrentIndex(d->firstFieldCombo->findText("Value"));
    d->secondFieldCombo->setCurrentIndex(0);
  });
  // When a tag is made or reused is ApplySortTest's business.
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text,
            QStringLiteral("Unable to create Index!\rDatabase may be used by someone else - this "
                           "function requires Exclusive Database Use."));
  EXPECT_EQ(sortState().firstField, 9);
  EXPECT_EQ(sortState().secondField, 2);
  EXPECT_EQ(titles(), before);
}

}  // namespace
