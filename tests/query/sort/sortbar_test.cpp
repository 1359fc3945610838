#include "query/sort/sortbar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "core/labels.h"
#include "core/settings.h"
#include "support/qtapp.h"
#include "support/scriptedprompter.h"
#include "ui/nofocusbutton.h"

namespace {

constexpr int kTitle = 2, kAuthor = 3, kNotes = 4, kPages = 5;

QStringList texts(const QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions()) out << (a->isSeparator() ? "-" : a->text());
  return out;
}

QAction* item(const QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions()) {
    if (a->text() == text) return a;
  }
  return nullptr;
}

QMenu* sub(const QMenu* menu, const QString& text) {
  QAction* a = item(menu, text);
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

class SortBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    labels() = {"Title", "Author", "Notes", "Pages"};
    appSettings() = AppSettings{};
    appSettings().stringFields.set(kTitle);
    appSettings().stringFields.set(kAuthor);
    appSettings().memoFields.set(kNotes);
    bar_.setSortSource([this] { return sort_; });
    bar_.setFilterTemplates(&templates_);
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
    bar_.setLabelsAndDirections(label(s.firstField, kEntryOrderLabel),
                                label(s.secondField, kNoneLabel), s.secondDescending,
                                s.firstDescending);
  }

  QApplication& app_ = testApp();  // before any widget member
  SortBar bar_;
  SortFields sort_;
  FakeTemplates templates_;
};

}  // namespace

TEST_F(SortBarTest, ThreePartsSplitTheWidthInThirdsAndNeverTakeTheFocus) {
  EXPECT_EQ(bar_.size(), QSize(300, 20));
  bar_.show();
  bar_.resize(301, 20);
  const std::pair<NoFocusButton*, QRect> parts[] = {{bar_.firstButton(), QRect(0, 0, 100, 20)},
                                                    {bar_.secondButton(), QRect(100, 0, 100, 20)},
                                                    {bar_.filterButton(), QRect(200, 0, 101, 20)}};
  for (const auto& [part, geometry] : parts) {
    SCOPED_TRACE(part->objectName().toStdString());
    EXPECT_EQ(part->geometry(), geometry);
    EXPECT_EQ(part->focusPolicy(), Qt::NoFocus);
  }
}

TEST_F(SortBarTest, LabelsAndDirectionsShowTogether) {
  bar_.setLabelsAndDirections("Title", "Author", true, false);
  EXPECT_EQ(bar_.firstButton()->text(), "Title");
  EXPECT_EQ(bar_.secondButton()->text(), "Author");
  EXPECT_FALSE(bar_.firstDescending());
  EXPECT_TRUE(bar_.secondDescending());
  EXPECT_EQ(bar_.firstButton()->icon().pixmap(12).toImage(), bar_.upBmp().toImage());
  EXPECT_EQ(bar_.secondButton()->icon().pixmap(12).toImage(), bar_.downBmp().toImage());
  EXPECT_NE(bar_.upBmp().toImage(), bar_.downBmp().toImage());
}

TEST_F(SortBarTest, GlyphsAlwaysShowAndLongCaptionsAreCut) {
  QSignalSpy filter(&bar_, &SortBar::filterClick);  // a filter dialog listens
  bar_.resize(261, 20);                             // as the table of contents places it
  bar_.setLabelsAndDirections("Published Date of the First Edition", "Title", false, true);
  bar_.setFilterState(fsReversed);
  bar_.show();
  const std::pair<NoFocusButton*, QColor> parts[] = {{bar_.firstButton(), QColor(176, 32, 32)},
                                                     {bar_.secondButton(), QColor(32, 128, 32)},
                                                     {bar_.filterButton(), QColor(40, 96, 200)}};
  for (const auto& [part, colour] : parts) {
    SCOPED_TRACE(part->objectName().toStdString());
    const NoFocusButton::Face f = part->face();
    EXPECT_TRUE(part->rect().contains(f.glyph));
    EXPECT_LT(f.glyph.right(), f.caption.left());
    EXPECT_LE(f.caption.right(), part->rect().right());
    const QImage img = part->grab().toImage();
    bool painted = false;
    for (int y = f.glyph.top(); y <= f.glyph.bottom(); ++y)
      for (int x = f.glyph.left(); x <= f.glyph.right(); ++x)
        painted = painted || img.pixelColor(x, y) == colour;
    EXPECT_TRUE(painted);
  }
  EXPECT_EQ(bar_.firstButton()->face().text.back(), QChar(0x2026));
  EXPECT_EQ(bar_.secondButton()->face().text, "Title");
}

TEST_F(SortBarTest, HintsGoToTheirParts) {
  bar_.setHint1("[Primary Sort Field]: Left Click - Sort Options; Right Click - Menu");
  bar_.setHint3("Left Click - Set Filter;  Right Click - Menu");
  EXPECT_EQ(bar_.firstButton()->toolTip(),
            "[Primary Sort Field]: Left Click - Sort Options; Right Click - Menu");
  EXPECT_EQ(bar_.filterButton()->toolTip(), "Left Click - Set Filter;  Right Click - Menu");
}

TEST_F(SortBarTest, ClicksOnFieldPartsAreClicksOnTheBar) {
  bar_.show();
  // Until a filter dialog listens the filter part is off; its menu still opens.
  EXPECT_FALSE(bar_.filterButton()->isEnabled());
  QContextMenuEvent menuClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                              bar_.filterButton()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(bar_.filterButton(), &menuClick);
  EXPECT_TRUE(bar_.filterMenu()->isVisible());
  bar_.filterMenu()->close();
  QSignalSpy clicks(&bar_, &SortBar::clicked);
  QSignalSpy filter(&bar_, &SortBar::filterClick);
  EXPECT_TRUE(bar_.filterButton()->isEnabled());
  QTest::mouseClick(bar_.firstButton(), Qt::LeftButton);
  QTest::mouseClick(bar_.secondButton(), Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_EQ(filter.count(), 0);
  QTest::mouseClick(bar_.filterButton(), Qt::LeftButton);
  EXPECT_EQ(filter.count(), 1);
  EXPECT_EQ(clicks.count(), 2);
}

TEST_F(SortBarTest, MenusHoldTheirEntries) {
  EXPECT_EQ(texts(bar_.firstFieldMenu()),
            QStringList({"&Primary Sort Field", "&Sort Direction", "-", "&Help"}));
  EXPECT_EQ(texts(bar_.secondFieldMenu()),
            QStringList({"&Secondary Sort Field", "Sort &Direction", "-", "&Help"}));
  EXPECT_EQ(
      texts(bar_.filterMenu()),
      QStringList({"&All Records", "&Normal Filter", "&Reversed Filter", "-", "&Load From Template",
                   "&Save As Template", "&Delete Template", "-", "&Help"}));
  EXPECT_EQ(texts(sub(bar_.firstFieldMenu(), "&Sort Direction")),
            QStringList({"Ascending", "Descending"}));
}

TEST_F(SortBarTest, FirstMenuListsFieldsAndTicksTheCurrentOne) {
  show({kAuthor, kNoSortField, true, false});
  bar_.updateFirstMenu();
  QMenu* fields = sub(bar_.firstFieldMenu(), "&Primary Sort Field");
  EXPECT_EQ(texts(fields), QStringList({"Entry Order", "Title", "Author", "Notes", "Pages"}));
  EXPECT_TRUE(item(fields, "Author")->isChecked());
  EXPECT_FALSE(item(fields, "Notes")->isEnabled());
  QMenu* dirs = sub(bar_.firstFieldMenu(), "&Sort Direction");
  EXPECT_TRUE(item(dirs, "Descending")->isChecked());
  EXPECT_FALSE(item(dirs, "Ascending")->isChecked());
}

// Which choices are refused and what they lead to is SortMenuChoice's; here and
// in the tests below a choice reaches the listener and a refused one does not.
TEST_F(SortBarTest, ChoosingAFirstFieldSignalsTheNewSort) {
  show({kTitle, kAuthor, false, false});
  QSignalSpy sortBy(&bar_, &SortBar::sortByClick);
  bar_.updateFirstMenu();
  QMenu* fields = sub(bar_.firstFieldMenu(), "&Primary Sort Field");
  item(fields, "Author")->trigger();
  ASSERT_EQ(sortBy.count(), 1);
  const auto s = sortBy.at(0).at(0).value<SortFields>();
  EXPECT_EQ(s.firstField, kAuthor);
  // The view has not applied it yet, so Title is still the current field.
  item(fields, "Title")->trigger();
  EXPECT_EQ(sortBy.count(), 1);
  EXPECT_TRUE(item(fields, "Title")->isChecked());
  item(fields, "Pages")->trigger();
  ASSERT_EQ(sortBy.count(), 2);
  EXPECT_EQ(sortBy.at(1).at(0).value<SortFields>().firstField, kPages);
}

TEST_F(SortBarTest, FirstDirectionNeedsAListener) {
  show({kTitle, kAuthor, false, false});
  bar_.updateFirstMenu();
  QMenu* dirs = sub(bar_.firstFieldMenu(), "&Sort Direction");
  item(dirs, "Descending")->trigger();
  EXPECT_FALSE(item(dirs, "Descending")->isChecked());  // nobody listens: nothing changes
  QSignalSpy sort1(&bar_, &SortBar::sort1MenuClick);
  item(dirs, "Descending")->trigger();
  ASSERT_EQ(sort1.count(), 1);
  const auto s = sort1.at(0).at(0).value<SortFields>();
  EXPECT_TRUE(s.firstDescending);
  EXPECT_TRUE(item(dirs, "Descending")->isChecked());
  EXPECT_FALSE(item(dirs, "Ascending")->isChecked());
}

TEST_F(SortBarTest, SecondMenuDisablesTheFirstFieldAndFollowsStringDirections) {
  show({kTitle, kAuthor, true, true});
  QSignalSpy sort2(&bar_, &SortBar::sort2MenuClick);
  bar_.updateSecondMenu();
  QMenu* fields = sub(bar_.secondFieldMenu(), "&Secondary Sort Field");
  EXPECT_EQ(texts(fields), QStringList({"NONE", "Title", "Author", "Notes", "Pages"}));
  EXPECT_FALSE(item(fields, "Title")->isEnabled());
  EXPECT_TRUE(item(fields, "Author")->isChecked());
  QMenu* dirs = sub(bar_.secondFieldMenu(), "Sort &Direction");
  EXPECT_TRUE(dirs->menuAction()->isEnabled());
  EXPECT_FALSE(item(dirs, "Ascending")->isEnabled());
  EXPECT_TRUE(item(dirs, "Descending")->isChecked());

  show({kTitle, kPages, false, false});
  bar_.updateSecondMenu();
  EXPECT_TRUE(item(dirs, "Descending")->isEnabled());
  item(dirs, "Descending")->trigger();
  ASSERT_EQ(sort2.count(), 1);
  EXPECT_TRUE(sort2.at(0).at(0).value<SortFields>().secondDescending);
}

TEST_F(SortBarTest, ChoosingASecondFieldSignalsTheNewSort) {
  show({kNoSortField, kNoSortField, false, false});  // entry order: no second field at all
  bar_.updateSecondMenu();
  EXPECT_FALSE(item(bar_.secondFieldMenu(), "&Secondary Sort Field")->isEnabled());
  EXPECT_FALSE(item(bar_.secondFieldMenu(), "Sort &Direction")->isEnabled());
  show({kTitle, kNoSortField, true, false});
  QSignalSpy sortBy(&bar_, &SortBar::sortByClick);
  bar_.updateSecondMenu();
  EXPECT_TRUE(item(bar_.secondFieldMenu(), "&Secondary Sort Field")->isEnabled());
  EXPECT_FALSE(item(bar_.secondFieldMenu(), "Sort &Direction")->isEnabled());
  item(sub(bar_.secondFieldMenu(), "&Secondary Sort Field"), "Author")->trigger();
  ASSERT_EQ(sortBy.count(), 1);
  EXPECT_EQ(sortBy.at(0).at(0).value<SortFields>().secondField, kAuthor);
}

// The captions of the states are filterMenu.StateCaptions'.
TEST_F(SortBarTest, FilterMenuStatesExceptTheCurrentAreEnabled) {
  EXPECT_EQ(bar_.filterButton()->text(), "All Records");
  QSignalSpy chosen(&bar_, &SortBar::filterMenuClick);
  bar_.updateFilterMenu();
  EXPECT_FALSE(item(bar_.filterMenu(), "&All Records")->isEnabled());
  EXPECT_TRUE(item(bar_.filterMenu(), "&Normal Filter")->isEnabled());
  item(bar_.filterMenu(), "&Reversed Filter")->trigger();
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen.at(0).at(0).toInt(), fsReversed);
  EXPECT_EQ(bar_.filterState(), fsReversed);
  EXPECT_EQ(bar_.filterButton()->text(), "Reversed Filter");
  EXPECT_TRUE(item(bar_.filterMenu(), "&All Records")->isEnabled());
  EXPECT_FALSE(item(bar_.filterMenu(), "&Reversed Filter")->isEnabled());
}

TEST_F(SortBarTest, LoadingATemplateIsAQuickFilter) {
  QSignalSpy quick(&bar_, &SortBar::quickFilter);
  bar_.updateFilterMenu();
  QMenu* load = sub(bar_.filterMenu(), "&Load From Template");
  EXPECT_EQ(texts(load), QStringList({"Unread", "Borrowed"}));
  item(load, "Borrowed")->trigger();
  EXPECT_EQ(templates_.applied, QStringList({"Borrowed"}));
  ASSERT_EQ(quick.count(), 1);
  EXPECT_EQ(quick.at(0).at(0).toString(), "Borrowed");
}

TEST_F(SortBarTest, ATemplateThatFailsToLoadIsReported) {
  ScriptedPrompter prompter;
  templates_.applyWorks = false;
  QSignalSpy quick(&bar_, &SortBar::quickFilter);
  bar_.updateFilterMenu();
  item(sub(bar_.filterMenu(), "&Load From Template"), "Unread")->trigger();
  EXPECT_EQ(quick.count(), 0);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompter.shown[0].text, "Error Loading Template.");
}

TEST_F(SortBarTest, TemplateSubmenusNeedTemplates) {
  SortBar bare;  // no template list: saving one would write nothing
  bare.updateFilterMenu();
  EXPECT_FALSE(item(bare.filterMenu(), "&Save As Template")->isEnabled());
  templates_.list.clear();
  bar_.updateFilterMenu();
  EXPECT_FALSE(item(bar_.filterMenu(), "&Load From Template")->isEnabled());
  EXPECT_FALSE(item(bar_.filterMenu(), "&Delete Template")->isEnabled());
  EXPECT_TRUE(item(bar_.filterMenu(), "&Save As Template")->isEnabled());
  templates_.list << "Unread" << QString(235, QLatin1Char('W'));
  bar_.updateFilterMenu();
  EXPECT_TRUE(item(bar_.filterMenu(), "&Load From Template")->isEnabled());
  // A long name is cut: the submenu stays narrow.
  EXPECT_LT(sub(bar_.filterMenu(), "&Load From Template")->sizeHint().width(), 400);
  item(sub(bar_.filterMenu(), "&Delete Template"), "Unread")->trigger();
  EXPECT_EQ(templates_.list.size(), 1);
}

TEST_F(SortBarTest, SavingUnderAnExistingNameKeepsTheOldTemplate) {
  ScriptedPrompter prompter;
  prompter.inputs = {QString("Unread"), QString("Signed copies")};
  item(bar_.filterMenu(), "&Save As Template")->trigger();
  ASSERT_EQ(prompter.asked.size(), 1u);
  EXPECT_EQ(prompter.asked[0].caption, "Save Filter As Template");
  EXPECT_EQ(prompter.asked[0].prompt, "Template Name:");
  EXPECT_EQ(prompter.texts(), QStringList({"Duplicate name - Template Not Saved!"}));
  EXPECT_EQ(templates_.list, QStringList({"Unread", "Borrowed"}));
  item(bar_.filterMenu(), "&Save As Template")->trigger();
  EXPECT_EQ(templates_.list, QStringList({"Unread", "Borrowed", "Signed copies"}));
  EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(SortBarTest, AnEmptyOrCancelledNameSavesNothing) {
  ScriptedPrompter prompter;
  prompter.inputs = {QString(""), std::nullopt};
  item(bar_.filterMenu(), "&Save As Template")->trigger();
  item(bar_.filterMenu(), "&Save As Template")->trigger();
  EXPECT_EQ(templates_.list.size(), 2);
  EXPECT_TRUE(prompter.shown.empty());
}
