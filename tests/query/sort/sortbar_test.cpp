#include "query/sort/sortbar.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "core/labels.h"
#include "ui/nofocusbutton.h"
#include "support/qtapp.h"
#include "support/scriptedprompter.h"
#include "core/settings.h"

namespace {

constexpr int kTitle = 2, kAuthor = 3, kNotes = 4, kPages = 5;

QStringList texts(const QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions()) out << (a->isSeparator() ? "-" : a->text());
  return out;
}

QAction* Item(const QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions()) {
    if (a->text() == text) return a;
  }
  return nullptr;
}

QMenu* sub(const QMenu* menu, const QString& text) {
  QAction* a = Item(menu, text);
  return a ? a->menu() : nullptr;
}

// A template list kept in memory.
class FakeTemplates : public FilterTemplateAccess {
 public:
  QStringList list{"Unread", "Borrowed"};
  QStringList applied;
  bool applyWorks = true;

  QStringList names() const override { return list; }
  bool apply(const QString& name) override {
    applied << name;
    return applyWorks;
  }
  void remove(const QString& name) override { list.removeAll(name); }
  bool add(const QString& name) override {
    if (list.contains(name, Qt::CaseInsensitive)) return false;
    list << name;
    return true;
  }
};

class SortButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    labels() = {"Title", "Author", "Notes", "Pages"};
    appSettings() = AppSettings{};
    appSettings().stringFields.set(kTitle);
    appSettings().stringFields.set(kAuthor);
    appSettings().memoFields.set(kNotes);
    button_.setSortSource([this] { return sort_; });
    button_.setFilterTemplates(&templates_);
  }
  void TearDown() override {
    labels().clear();
    appSettings() = AppSettings{};
  }
  // The sort state as the view would show it on the button.
  void show(SortFields s) {
    sort_ = s;
    const auto label = [](int f, const char* none) {
      return f >= kTitle ? labels()[f - kTitle] : QString(none);
    };
    button_.setLabelsAndDirections(label(s.firstField, kEntryOrderLabel),
                                   label(s.secondField, kNoneLabel), s.secondDescending,
                                   s.firstDescending);
  }

  QApplication& app_ = testApp();  // before any widget member
  SortBar button_;
  SortFields sort_;
  FakeTemplates templates_;
};

}  // namespace

TEST_F(SortButtonTest, ThreePartsSplitTheWidthInThirds) {
  EXPECT_EQ(button_.size(), QSize(300, 20));
  button_.show();
  button_.resize(301, 20);
  EXPECT_EQ(button_.firstButton()->geometry(), QRect(0, 0, 100, 20));
  EXPECT_EQ(button_.secondButton()->geometry(), QRect(100, 0, 100, 20));
  EXPECT_EQ(button_.filterButton()->geometry(), QRect(200, 0, 101, 20));
}

TEST_F(SortButtonTest, PartsNeverTakeTheFocus) {
  EXPECT_EQ(button_.firstButton()->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(button_.secondButton()->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(button_.filterButton()->focusPolicy(), Qt::NoFocus);
}

TEST_F(SortButtonTest, LabelsAndDirectionsShowTogether) {
  button_.setLabelsAndDirections("Title", "Author", true, false);
  EXPECT_EQ(button_.firstButton()->text(), "Title");
  EXPECT_EQ(button_.secondButton()->text(), "Author");
  EXPECT_FALSE(button_.isDown1());
  EXPECT_TRUE(button_.isDown2());
  EXPECT_EQ(button_.firstButton()->icon().pixmap(12).toImage(), button_.upBmp().toImage());
  EXPECT_EQ(button_.secondButton()->icon().pixmap(12).toImage(), button_.downBmp().toImage());
  EXPECT_NE(button_.upBmp().toImage(), button_.downBmp().toImage());
}

TEST_F(SortButtonTest, FilterStateShowsItsCaption) {
  EXPECT_EQ(button_.filterButton()->text(), "All Records");
  button_.setFilterState(fsNormal);
  EXPECT_EQ(button_.filterButton()->text(), "Normal Filter");
  button_.setFilterState(fsReversed);
  EXPECT_EQ(button_.filterButton()->text(), "Reversed Filter");
}

TEST_F(SortButtonTest, HintsGoToTheirParts) {
  button_.setHint1("[Primary Sort Field]: Left Click - Sort Options; Right Click - Menu");
  button_.setHint3("Left Click - Set Filter;  Right Click - Menu");
  EXPECT_EQ(button_.firstButton()->toolTip(),
            "[Primary Sort Field]: Left Click - Sort Options; Right Click - Menu");
  EXPECT_EQ(button_.filterButton()->toolTip(), "Left Click - Set Filter;  Right Click - Menu");
}

TEST_F(SortButtonTest, ClicksOnFieldPartsAreClicksOnTheBar) {
  button_.show();
  QSignalSpy clicks(&button_, &SortBar::clicked);
  QSignalSpy filter(&button_, &SortBar::filterClick);
  QTest::mouseClick(button_.firstButton(), Qt::LeftButton);
  QTest::mouseClick(button_.secondButton(), Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_EQ(filter.count(), 0);
  QTest::mouseClick(button_.filterButton(), Qt::LeftButton);
  EXPECT_EQ(filter.count(), 1);
  EXPECT_EQ(clicks.count(), 2);
}

TEST_F(SortButtonTest, MenusHoldTheirEntries) {
  EXPECT_EQ(texts(button_.firstFieldMenu()),
            QStringList({"&Primary Sort Field", "&Sort Direction", "-", "&Help"}));
  EXPECT_EQ(texts(button_.secondFieldMenu()),
            QStringList({"&Secondary Sort Field", "Sort &Direction", "-", "&Help"}));
  EXPECT_EQ(
      texts(button_.filterMenu()),
      QStringList({"&All Records", "&Normal Filter", "&Reversed Filter", "-", "&Load From Template",
                   "&Save As Template", "&Delete Template", "-", "&Help"}));
  EXPECT_EQ(texts(sub(button_.firstFieldMenu(), "&Sort Direction")),
            QStringList({"Ascending", "Descending"}));
}

TEST_F(SortButtonTest, FirstMenuListsFieldsAndTicksTheCurrentOne) {
  show({kAuthor, kNoSortField, true, false});
  button_.updateFirstMenu();
  QMenu* fields = sub(button_.firstFieldMenu(), "&Primary Sort Field");
  EXPECT_EQ(texts(fields), QStringList({"Entry Order", "Title", "Author", "Notes", "Pages"}));
  EXPECT_TRUE(Item(fields, "Author")->isChecked());
  EXPECT_FALSE(Item(fields, "Entry Order")->isChecked());
  EXPECT_FALSE(Item(fields, "Notes")->isEnabled());
  QMenu* dirs = sub(button_.firstFieldMenu(), "&Sort Direction");
  EXPECT_TRUE(Item(dirs, "Descending")->isChecked());
  EXPECT_FALSE(Item(dirs, "Ascending")->isChecked());
}

TEST_F(SortButtonTest, ChoosingAFirstFieldSignalsTheNewSort) {
  show({kTitle, kAuthor, false, false});
  QSignalSpy sortBy(&button_, &SortBar::sortByClick);
  button_.updateFirstMenu();
  Item(sub(button_.firstFieldMenu(), "&Primary Sort Field"), "Author")->trigger();
  ASSERT_EQ(sortBy.count(), 1);
  const auto s = sortBy.at(0).at(0).value<SortFields>();
  EXPECT_EQ(s.firstField, kAuthor);
  EXPECT_EQ(s.secondField, kNoSortField);
  // The view has not applied it yet, so Title is still the current field.
  Item(sub(button_.firstFieldMenu(), "&Primary Sort Field"), "Title")->trigger();
  EXPECT_EQ(sortBy.count(), 1);
  Item(sub(button_.firstFieldMenu(), "&Primary Sort Field"), "Pages")->trigger();
  ASSERT_EQ(sortBy.count(), 2);
  EXPECT_EQ(sortBy.at(1).at(0).value<SortFields>().firstField, kPages);
}

TEST_F(SortButtonTest, ChoosingTheTickedFieldDoesNothing) {
  show({kTitle, kNoSortField, false, false});
  QSignalSpy sortBy(&button_, &SortBar::sortByClick);
  button_.updateFirstMenu();
  QAction* title = Item(sub(button_.firstFieldMenu(), "&Primary Sort Field"), "Title");
  title->trigger();
  EXPECT_EQ(sortBy.count(), 0);
  EXPECT_TRUE(title->isChecked());
}

TEST_F(SortButtonTest, FirstDirectionNeedsAListener) {
  show({kTitle, kAuthor, false, false});
  button_.updateFirstMenu();
  QMenu* dirs = sub(button_.firstFieldMenu(), "&Sort Direction");
  Item(dirs, "Descending")->trigger();
  EXPECT_FALSE(Item(dirs, "Descending")->isChecked());  // nobody listens: nothing changes
  QSignalSpy sort1(&button_, &SortBar::sort1MenuClick);
  Item(dirs, "Descending")->trigger();
  ASSERT_EQ(sort1.count(), 1);
  const auto s = sort1.at(0).at(0).value<SortFields>();
  EXPECT_TRUE(s.firstDescending);
  EXPECT_TRUE(s.secondDescending);  // two text fields share the direction
  EXPECT_TRUE(Item(dirs, "Descending")->isChecked());
  EXPECT_FALSE(Item(dirs, "Ascending")->isChecked());
}

TEST_F(SortButtonTest, EntryOrderOffersNoSecondFieldOrDirection) {
  show({kNoSortField, kNoSortField, false, false});
  button_.updateFirstMenu();
  EXPECT_TRUE(
      Item(sub(button_.firstFieldMenu(), "&Primary Sort Field"), "Entry Order")->isChecked());
  button_.updateSecondMenu();
  EXPECT_FALSE(Item(button_.secondFieldMenu(), "&Secondary Sort Field")->isEnabled());
  EXPECT_FALSE(Item(button_.secondFieldMenu(), "Sort &Direction")->isEnabled());
}

TEST_F(SortButtonTest, SecondMenuDisablesTheFirstFieldAndFollowsStringDirections) {
  show({kTitle, kAuthor, true, true});
  QSignalSpy sort2(&button_, &SortBar::sort2MenuClick);
  button_.updateSecondMenu();
  QMenu* fields = sub(button_.secondFieldMenu(), "&Secondary Sort Field");
  EXPECT_EQ(texts(fields), QStringList({"NONE", "Title", "Author", "Notes", "Pages"}));
  EXPECT_FALSE(Item(fields, "Title")->isEnabled());
  EXPECT_TRUE(Item(fields, "Author")->isChecked());
  QMenu* dirs = sub(button_.secondFieldMenu(), "Sort &Direction");
  EXPECT_TRUE(dirs->menuAction()->isEnabled());
  EXPECT_FALSE(Item(dirs, "Ascending")->isEnabled());
  EXPECT_TRUE(Item(dirs, "Descending")->isChecked());

  show({kTitle, kPages, false, false});
  button_.updateSecondMenu();
  EXPECT_TRUE(Item(dirs, "Descending")->isEnabled());
  Item(dirs, "Descending")->trigger();
  ASSERT_EQ(sort2.count(), 1);
  EXPECT_TRUE(sort2.at(0).at(0).value<SortFields>().secondDescending);
  EXPECT_FALSE(sort2.at(0).at(0).value<SortFields>().firstDescending);
}

TEST_F(SortButtonTest, ChoosingASecondFieldSignalsTheNewSort) {
  show({kTitle, kNoSortField, true, false});
  QSignalSpy sortBy(&button_, &SortBar::sortByClick);
  button_.updateSecondMenu();
  EXPECT_FALSE(Item(button_.secondFieldMenu(), "Sort &Direction")->isEnabled());
  Item(sub(button_.secondFieldMenu(), "&Secondary Sort Field"), "Author")->trigger();
  ASSERT_EQ(sortBy.count(), 1);
  const auto s = sortBy.at(0).at(0).value<SortFields>();
  EXPECT_EQ(s.secondField, kAuthor);
  EXPECT_TRUE(s.secondDescending);
}

TEST_F(SortButtonTest, FilterMenuStatesExceptTheCurrentAreEnabled) {
  QSignalSpy chosen(&button_, &SortBar::filterMenuClick);
  button_.updateFilterMenu();
  EXPECT_FALSE(Item(button_.filterMenu(), "&All Records")->isEnabled());
  EXPECT_TRUE(Item(button_.filterMenu(), "&Normal Filter")->isEnabled());
  Item(button_.filterMenu(), "&Reversed Filter")->trigger();
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen.at(0).at(0).toInt(), fsReversed);
  EXPECT_EQ(button_.filterState(), fsReversed);
  EXPECT_EQ(button_.filterButton()->text(), "Reversed Filter");
  EXPECT_TRUE(Item(button_.filterMenu(), "&All Records")->isEnabled());
  EXPECT_FALSE(Item(button_.filterMenu(), "&Reversed Filter")->isEnabled());
}

TEST_F(SortButtonTest, LoadingATemplateIsAQuickFilter) {
  QSignalSpy quick(&button_, &SortBar::quickFilter);
  button_.updateFilterMenu();
  QMenu* load = sub(button_.filterMenu(), "&Load From Template");
  EXPECT_EQ(texts(load), QStringList({"Unread", "Borrowed"}));
  Item(load, "Borrowed")->trigger();
  EXPECT_EQ(templates_.applied, QStringList({"Borrowed"}));
  ASSERT_EQ(quick.count(), 1);
  EXPECT_EQ(quick.at(0).at(0).toString(), "Borrowed");
}

TEST_F(SortButtonTest, ATemplateThatFailsToLoadIsReported) {
  ScriptedPrompter prompter;
  templates_.applyWorks = false;
  QSignalSpy quick(&button_, &SortBar::quickFilter);
  button_.updateFilterMenu();
  Item(sub(button_.filterMenu(), "&Load From Template"), "Unread")->trigger();
  EXPECT_EQ(quick.count(), 0);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompter.shown[0].text, "Error Loading Template.");
}

TEST_F(SortButtonTest, TemplateSubmenusNeedTemplates) {
  templates_.list.clear();
  button_.updateFilterMenu();
  EXPECT_FALSE(Item(button_.filterMenu(), "&Load From Template")->isEnabled());
  EXPECT_FALSE(Item(button_.filterMenu(), "&Delete Template")->isEnabled());
  templates_.list << "Unread";
  button_.updateFilterMenu();
  EXPECT_TRUE(Item(button_.filterMenu(), "&Load From Template")->isEnabled());
  Item(sub(button_.filterMenu(), "&Delete Template"), "Unread")->trigger();
  EXPECT_TRUE(templates_.list.isEmpty());
}

TEST_F(SortButtonTest, SavingUnderAnExistingNameKeepsTheOldTemplate) {
  ScriptedPrompter prompter;
  prompter.inputs = {QString("Unread"), QString("Signed copies")};
  Item(button_.filterMenu(), "&Save As Template")->trigger();
  ASSERT_EQ(prompter.asked.size(), 1u);
  EXPECT_EQ(prompter.asked[0].caption, "Save Filter As Template");
  EXPECT_EQ(prompter.asked[0].prompt, "Template Name:");
  EXPECT_EQ(prompter.texts(), QStringList({"Duplicate name - Template Not Saved!"}));
  EXPECT_EQ(templates_.list, QStringList({"Unread", "Borrowed"}));
  Item(button_.filterMenu(), "&Save As Template")->trigger();
  EXPECT_EQ(templates_.list, QStringList({"Unread", "Borrowed", "Signed copies"}));
  EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(SortButtonTest, AnEmptyOrCancelledNameSavesNothing) {
  ScriptedPrompter prompter;
  prompter.inputs = {QString(""), std::nullopt};
  Item(button_.filterMenu(), "&Save As Template")->trigger();
  Item(button_.filterMenu(), "&Save As Template")->trigger();
  EXPECT_EQ(templates_.list.size(), 2);
  EXPECT_TRUE(prompter.shown.empty());
}
