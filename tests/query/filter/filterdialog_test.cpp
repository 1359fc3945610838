// The filter dialogs driven as a user would: texts, what each button does to
// the filter, and the messages they show.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/labels.h"
#include "core/templatelist.h"
#include "query/filter/fieldfilterdialog.h"
#include "query/filter/filterdialog.h"
#include "query/filter/filteredit.h"
#include "query/filter/filterlist.h"
#include "query/filter/loadfiltersdialog.h"
#include "support/qtapp.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"
#include "ui/editors/calendarpopup.h"
#include "ui/editors/currencyedit.h"
#include "ui/editors/dateedit.h"

namespace {

using T = dbase::FieldType;
// Table fields: number and mark, then Title, Notes (memo), Value, Bought
// (date), Picture, Copies (a number without decimals).
constexpr int kTitle = 2, kValue = 4, kBought = 5, kCopies = 7;

std::vector<dbase::FieldDef> tableFields() {
  return {{"NUMBER", T::Numeric, 10, 0},  {"MARK", T::Character, 1, 0},
          {"TITLE", T::Character, 60, 0}, {"NOTES", T::Memo, 10, 0},
          {"VALUE", T::Numeric, 12, 2},   {"BOUGHT", T::Date, 8, 0},
          {"PICTURE", T::Binary, 10, 0},  {"COPIES", T::Numeric, 4, 0}};
}

// Runs `answer` on the next modal window once it is up.
void whenModal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer] {
    QWidget* w = QApplication::activeModalWidget();
    ASSERT_NE(w, nullptr);
    answer(w);
  });
}

QStringList items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

class FilterDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    appSettings().homeDir = box.path();
    appSettings().firstUserField = 2;
    labels() = {"Title", "Notes", "Value", "Bought", "Picture", "Copies"};
    filterList().clear();
    filterTemplates().loadList({});
    installFilter();
  }
  void TearDown() override {
    filterList().clear();
    filterTemplates().loadList({});
    labels().clear();
  }
  std::unique_ptr<FilterDialog> dialog(FilterDialog::ValuesProvider values = {}) {
    return std::make_unique<FilterDialog>(filterList(), tableFields(), filterTemplates(), values);
  }
  std::unique_ptr<FieldFilterDialog> fieldDialog(int field,
                                                 std::optional<QStringList> values = {}) {
    FilterList& f = filterList();
    if (f.indexOfField(field) < 0) f.addCondition(field);
    return std::make_unique<FieldFilterDialog>(
        f, f.indexOfField(field), labels()[field - 2],
        filterKindOf(tableFields()[static_cast<size_t>(field)]), values);
  }

  SettingsSandbox box;
  ScriptedPrompter prompts;
};

TEST(FilterEditChars, ValidCharsParsesSetLiterals) {
  testApp();
  const struct {
    const char* chars;
    const char* before;
    const char* after;
  } rows[] = {
      {"[0..9]", "a1b2", "12"},   {"[a..c,'-',x]", "abcd-xyz", "abc-x"},
      {"[',',.]", "1,2.3", ",."}, {"0..9", "a1b2", "a1b2"},  // no brackets: ignored
      {"[]", "a1b2", "a1b2"},
  };
  for (const auto& r : rows) {
    FilterEdit e;
    e.setText(r.before);
    e.setValidChars(r.chars);
    EXPECT_EQ(e.text(), r.after) << r.chars;
  }
  FilterEdit e;
  e.setValidChars("[0..9]");
  e.setValidChars("bad");
  EXPECT_EQ(e.validChars(), "[0..9]");
  QTest::keyClicks(&e, "4x2");
  QTest::keyClick(&e, Qt::Key_Return);
  QTest::keyClick(&e, Qt::Key_Backspace);
  EXPECT_EQ(e.text(), "4");
  e.setValidChars("[]");
  QTest::keyClicks(&e, "x");
  EXPECT_EQ(e.text(), "4x");
}

TEST_F(FilterDialogs, SetFilterListsFieldsAndAddsEachOnce) {
  filterList().addCondition(kValue);
  filterList().setCondition(0, "5", "", fkFloat, foGreater);
  appSettings().filterState = 2;
  auto d = dialog();
  EXPECT_EQ(d->windowTitle(), "Set Filter");
  // Memo and picture fields take no part.
  EXPECT_EQ(items(d->allFieldsList), (QStringList{"Title", "Value", "Bought", "Copies"}));
  EXPECT_EQ(d->allFieldsList->toolTip(), "All Fields That Can Be Used In Filters");
  EXPECT_EQ(items(d->usedFieldsList), QStringList{"Value"});
  EXPECT_TRUE(d->scopeRadios[2]->isChecked());
  EXPECT_EQ(d->scopeRadios[0]->text(), "All Records");
  EXPECT_EQ(d->applyButton->toolTip(),
            "Close and Apply Filter - Use ONLY After You Have Modified The Filter");
  EXPECT_EQ(d->findChild<QLabel*>("applyNote")->text(),
            "Use it ONLY after you have modified the Filter and want the new filter to take "
            "effect or after Non-Stop Search.");
  EXPECT_TRUE(d->applyButton->isEnabled());

  QTest::mouseClick(d->removeAllButton, Qt::LeftButton);
  EXPECT_EQ(filterList().count(), 0);
  EXPECT_FALSE(d->applyButton->isEnabled());
  EXPECT_FALSE(d->editButton->isEnabled());
  d->allFieldsList->setCurrentRow(0);
  QTest::mouseClick(d->addButton, Qt::LeftButton);
  QTest::mouseClick(d->addButton, Qt::LeftButton);  // already there: nothing
  d->allFieldsList->setCurrentRow(2);
  QTest::mouseClick(d->addButton, Qt::LeftButton);
  EXPECT_EQ(items(d->usedFieldsList), (QStringList{"Title", "Bought"}));
  EXPECT_EQ(filterList().indexOfField(kBought), 1);
  EXPECT_TRUE(filterList().conditionAt(1)->undefined);
  EXPECT_FALSE(d->applyButton->isEnabled());  // every condition undefined
  EXPECT_TRUE(d->editButton->isEnabled());

  // Edit the title's condition: Apply comes on.
  d->usedFieldsList->setCurrentRow(0);
  whenModal([](QWidget* w) {
    auto* f = qobject_cast<FieldFilterDialog*>(w);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), "Filter For Title");
    f->operatorRadios[foEqual]->setChecked(true);
    QTest::keyClicks(f->edit1, "dune");
    QTest::mouseClick(f->okButton, Qt::LeftButton);
  });
  QTest::mouseClick(d->editButton, Qt::LeftButton);
  EXPECT_FALSE(filterList().conditionAt(0)->undefined);
  EXPECT_EQ(filterList().conditionAt(0)->first, "DUNE");
  EXPECT_EQ(filterList().conditionAt(0)->kind, fkText);
  EXPECT_TRUE(d->applyButton->isEnabled());

  d->usedFieldsList->setCurrentRow(1);
  QTest::mouseClick(d->removeButton, Qt::LeftButton);
  EXPECT_EQ(items(d->usedFieldsList), QStringList{"Title"});
  EXPECT_EQ(d->usedFieldsList->currentRow(), 0);
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(FilterDialogs, TemplatesSaveLoadAndDelete) {
  filterList().addCondition(kTitle);
  filterList().setCondition(0, "m", "", fkText, foGreater);
  ASSERT_TRUE(filterList().saveToFile(filterFilePath()));
  auto d = dialog();
  prompts.inputs = {QStringLiteral("Classics"), QStringLiteral("Classics")};
  QTest::mouseClick(d->saveButton, Qt::LeftButton);
  QTest::mouseClick(d->saveButton, Qt::LeftButton);
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[0].caption, "Save Filter As Template");
  EXPECT_EQ(prompts.asked[0].prompt, "Template Name:");
  ASSERT_EQ(prompts.texts(), QStringList{"Duplicate name - Template Not Saved!"});
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(filterTemplates().names(), QStringList{"Classics"});

  // Loading it replaces the filter.
  QTest::mouseClick(d->removeAllButton, Qt::LeftButton);
  whenModal([](QWidget* w) {
    auto* l = qobject_cast<LoadFiltersDialog*>(w);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->windowTitle(), "Load Filter Template");
    EXPECT_EQ(items(l->templateList), QStringList{"Classics"});
    QTest::mouseClick(l->okButton, Qt::LeftButton);
  });
  QTest::mouseClick(d->loadButton, Qt::LeftButton);
  EXPECT_EQ(items(d->usedFieldsList), QStringList{"Title"});
  EXPECT_TRUE(d->applyButton->isEnabled());

  // A damaged template: the filter comes back from filter.dat.
  QTest::mouseClick(d->removeAllButton, Qt::LeftButton);
  SettingsSandbox::write(joinPath(box.path(), filterTemplates().at(0).fileName), "\x01\x02");
  whenModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
  QTest::mouseClick(d->loadButton, Qt::LeftButton);
  EXPECT_EQ(prompts.texts().last(), "Error Loading Template.");
  EXPECT_EQ(items(d->usedFieldsList), QStringList{"Title"});
  EXPECT_EQ(filterList().conditionAt(0)->first, "M");

  // Delete asks first; Yes removes the template and its file.
  const QString file = joinPath(box.path(), filterTemplates().at(0).fileName);
  LoadFiltersDialog load(filterTemplates());
  prompts.answers = {MsgResult::No, MsgResult::Yes};
  QTest::mouseClick(load.deleteButton, Qt::LeftButton);
  EXPECT_EQ(load.templateList->count(), 1);
  QTest::mouseClick(load.deleteButton, Qt::LeftButton);
  EXPECT_EQ(prompts.texts().last(), "Delete Selected Filter Template?");
  EXPECT_EQ(prompts.shown.back().kind, MsgKind::Confirmation);
  EXPECT_EQ(prompts.shown.back().buttons, MsgButtons::YesNo);
  EXPECT_EQ(load.templateList->count(), 0);
  EXPECT_EQ(filterTemplates().count(), 0);
  EXPECT_FALSE(QFile::exists(file));
  EXPECT_TRUE(load.fileName().isEmpty());
}

TEST_F(FilterDialogs, EditorsFollowTheFieldTypeAndTheOperator) {
  const struct {
    int field;
    int op;
    const char* shown;
    const char* word;
  } rows[] = {{kTitle, foLess, "edit1 wordLabel", "THAN"},
              {kTitle, foEqual, "edit1 wordLabel", "TO"},
              {kTitle, foGreater, "edit1 wordLabel", "THAN"},
              {kTitle, foBetween, "edit1 andLabel edit2", ""},
              {kTitle, foOneOf, "oneOfMemo memoRemoveButton", ""},  // no list: no fill button
              {kValue, foBetween, "currencyEdit1 andLabel currencyEdit2", ""},
              {kBought, foGreaterOrEqual, "dateEdit1 wordLabel", "TO"},
              {kBought, foOneOf, "oneOfMemo fillButton memoRemoveButton", ""},
              {kCopies, foLessOrEqual, "currencyEdit1 wordLabel", "TO"}};
  const QStringList parts{"edit1",     "edit2",      "currencyEdit1",   "currencyEdit2",
                          "dateEdit1", "dateEdit2",  "wordLabel",       "andLabel",
                          "oneOfMemo", "fillButton", "memoRemoveButton"};
  for (const auto& r : rows) {
    auto d = fieldDialog(r.field);
    d->show();
    d->operatorRadios[static_cast<size_t>(r.op)]->setChecked(true);
    const QStringList shown = QString(r.shown).split(' ');
    for (const QString& part : parts)
      EXPECT_EQ(d->findChild<QWidget*>(part)->isVisible(), shown.contains(part))
          << r.field << " " << r.op << " " << part.toStdString();
    if (*r.word) {
      EXPECT_EQ(d->wordLabel->text(), r.word);
    }
  }
  EXPECT_EQ(fieldDialog(kCopies)->kind(), fkFloat);  // a number without decimals too
  auto dates = fieldDialog(kBought);
  EXPECT_EQ(dates->kind(), fkDate);
  EXPECT_EQ(dates->dateEdit1->dateFormat(), "mm/dd/yyyy");
  EXPECT_EQ(dates->fillButton->text(), "&Add");
  EXPECT_EQ(dates->fillButton->toolTip(), "Add Dates From Calendar");
  // "&Add" takes dates from the calendar until it is cancelled.
  whenModal([](QWidget* w) {
    static_cast<QDialog*>(w)->done(CalendarPopup::TodayResult);
    whenModal([](QWidget* next) { static_cast<QDialog*>(next)->reject(); });
  });
  dates->operatorRadios[foOneOf]->setChecked(true);
  QTest::mouseClick(dates->fillButton, Qt::LeftButton);
  EXPECT_EQ(dates->oneOfMemo->toPlainText(), DateEdit::today().toString("MM/dd/yyyy"));
  // A lookup list offers "&Populate".
  auto d = fieldDialog(kTitle, QStringList{"Dune", "Emma"});
  d->show();
  d->operatorRadios[foOneOf]->setChecked(true);
  EXPECT_EQ(d->fillButton->text(), "&Populate");
  EXPECT_EQ(d->oneOfMemo->toolTip(), "Enter One Value Per Line Here");
  QTest::mouseClick(d->fillButton, Qt::LeftButton);
  EXPECT_EQ(d->oneOfMemo->toPlainText(), "Dune\nEmma");
  // The memo's Remove works while the memo has the focus, on the caret's line.
  EXPECT_FALSE(d->memoRemoveButton->isEnabled());
  d->activateWindow();
  d->oneOfMemo->setFocus();
  QTRY_VERIFY(d->memoRemoveButton->isEnabled());
  d->oneOfMemo->moveCursor(QTextCursor::End);
  QTest::mouseClick(d->memoRemoveButton, Qt::LeftButton);
  EXPECT_EQ(d->oneOfMemo->toPlainText(), "Dune");
}

TEST_F(FilterDialogs, OkStoresTheConditionOrSaysWhatIsMissing) {
  auto d = fieldDialog(kValue);
  d->operatorRadios[foBetween]->setChecked(true);
  d->currencyEdit1->setText("10");
  QTest::mouseClick(d->okButton, Qt::LeftButton);
  EXPECT_EQ(prompts.texts(), QStringList{"The Field expression cannot be Empty!"});
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(d->result(), 0);  // still open
  EXPECT_TRUE(filterList().conditionAt(0)->undefined);
  d->currencyEdit2->setText("1,020.50");
  QTest::mouseClick(d->okButton, Qt::LeftButton);
  const FilterCondition* c = filterList().conditionAt(0);
  EXPECT_FALSE(c->undefined);
  EXPECT_EQ(c->op, foBetween);
  EXPECT_EQ(c->kind, fkFloat);
  EXPECT_TRUE(c->numbers);
  EXPECT_EQ(c->secondNumber, 1020.5);

  // "One Of" wants a line; empty lines are dropped.
  auto one = fieldDialog(kBought);
  one->operatorRadios[foOneOf]->setChecked(true);
  QTest::mouseClick(one->okButton, Qt::LeftButton);
  EXPECT_EQ(prompts.texts().size(), 2);
  one->oneOfMemo->setPlainText("01/02/2020\n\n03/04/2021\n");
  QTest::mouseClick(one->okButton, Qt::LeftButton);
  c = filterList().conditionAt(filterList().indexOfField(kBought));
  EXPECT_EQ(c->values, (QStringList{"01/02/2020", "03/04/2021"}));
  EXPECT_EQ(c->op, foOneOf);

  // An empty first value leaves the condition as it was.
  auto title = fieldDialog(kTitle);
  title->operatorRadios[foGreater]->setChecked(true);
  QTest::mouseClick(title->okButton, Qt::LeftButton);
  EXPECT_EQ(title->result(), QDialog::Accepted);
  EXPECT_TRUE(filterList().conditionAt(filterList().indexOfField(kTitle))->undefined);
  EXPECT_EQ(prompts.texts().size(), 2);
}

TEST_F(FilterDialogs, FiftyConditionsAreListedAndKept) {
  for (int k = 6; k < 56; ++k) labels() << QStringLiteral("Custom %1").arg(k);
  std::vector<dbase::FieldDef> fields = tableFields();
  for (int k = 6; k < 56; ++k) fields.push_back({"C", T::Character, 10, 0});
  for (int i = 0; i < 50; ++i) {
    filterList().addCondition(8 + i);
    filterList().setCondition(i, "a", "", fkText, foGreater);
  }
  FilterDialog d(filterList(), fields, filterTemplates());
  EXPECT_EQ(d.usedFieldsList->count(), 50);
  EXPECT_EQ(d.usedFieldsList->item(49)->text(), "Custom 55");
  EXPECT_TRUE(d.applyButton->isEnabled());
  ASSERT_TRUE(saveFilter());
  filterList().clear();
  reloadFilter();
  EXPECT_EQ(filterList().count(), 50);
}

}  // namespace
