#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "book/contents/contentsview.h"
#include "core/labels.h"
#include "dbase/table.h"
#include "query/filter/filterdialog.h"
#include "query/filter/filterlist.h"
#include "query/sort/sortbar.h"
#include "store/letters.h"
#include "store/recordtext.h"
#include "store/sortstate.h"
#include "support/bookviewfixture.h"
#include "ui/colorbutton.h"
#include "ui/confirmdialog.h"
#include "ui/contentsentry.h"
#include "ui/nofocusbutton.h"
#include "weblink/browserlink.h"

namespace {

// The table of contents over a copy of the shipped template with records.
class TocView : public BookViewTest {
 protected:
  void TearDown() override {
    form.reset();
    BookViewTest::TearDown();
  }

  void open() {
    form = std::make_unique<ContentsView>();
    form->show();
    ASSERT_TRUE(form->databaseOpen());
  }
  void open(const QStringList& titles, bool byTitle = false) {
    makeTable(titles, byTitle);
    open();
  }
  QString entryText(int slot, int column = 0) const {
    ContentsEntry* e =
        slot < 12 ? form->leftEntries[size_t(slot)] : form->rightEntries[size_t(slot - 12)];
    return e->text(column);
  }
  std::vector<bool> buttons() const {
    return {form->firstButton->isEnabled(), form->pageUpButton->isEnabled(),
            form->pageDownButton->isEnabled(), form->lastButton->isEnabled()};
  }
  QString pages() const {
    return form->leftPageNumber->text() + "/" + form->rightPageNumber->text();
  }

  std::unique_ptr<ContentsView> form;
};

// Where each move lands is SpreadModel's (spreadmodel_test); here the buttons
// and keys reach it and the entries, page numbers and buttons show it.
TEST_F(TocView, PagingButtonsAndKeysShowTheSpread) {
  enum Move { kOpen, kPageDownButton, kLastButton, kCtrlEnd, kCtrlHome, kCtrlPageUp };
  struct Step {
    Move move;
    const char* pages;
    const char* first;          // entry 0
    const char* last;           // entry 23
    std::vector<bool> buttons;  // first, page up, page down, last; empty: not checked
  };
  const struct {
    int records;
    std::vector<Step> steps;
  } cases[] = {
      {0, {{kOpen, "1/2", "", "", {false, false, false, false}}}},
      {24,
       {{kOpen, "1/2", "Book 000", "Book 023", {false, false, true, false}},
        {kPageDownButton, "3/4", "", "", {true, true, false, false}},
        {kCtrlEnd, "1/2", "Book 000", "Book 023", {}}}},  // Last goes back to page 1
      {25,
       {{kLastButton, "3/4", "Book 024", "", {true, true, false, false}},
        {kCtrlHome, "1/2", "Book 000", "Book 023", {}}}},
      {48,
       {{kCtrlEnd, "3/4", "Book 024", "Book 047", {true, true, true, false}},
        {kCtrlPageUp, "1/2", "Book 000", "Book 023", {}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.records);
    open(numbered(c.records));
    for (const Step& s : c.steps) {
      SCOPED_TRACE(s.move);
      switch (s.move) {
        case kOpen:
          break;
        case kPageDownButton:
          QTest::mouseClick(form->pageDownButton, Qt::LeftButton);
          break;
        case kLastButton:
          QTest::mouseClick(form->lastButton, Qt::LeftButton);
          break;
        case kCtrlEnd:
          QTest::keyClick(form.get(), Qt::Key_End, Qt::ControlModifier);
          break;
        case kCtrlHome:
          QTest::keyClick(form.get(), Qt::Key_Home, Qt::ControlModifier);
          break;
        case kCtrlPageUp:
          QTest::keyClick(form.get(), Qt::Key_PageUp, Qt::ControlModifier);
          break;
      }
      EXPECT_EQ(pages(), s.pages);
      EXPECT_EQ(entryText(0), s.first);
      EXPECT_EQ(entryText(23), s.last);
      if (!s.buttons.empty()) {
        EXPECT_EQ(buttons(), s.buttons);
      }
    }
    if (c.records == 0) {
      for (int s = 0; s < 24; ++s) EXPECT_TRUE(entryText(s).isEmpty());
      EXPECT_TRUE(form->windowTitle().startsWith("Orvanta Tomekeeper - Database: "));
    }
    if (c.records == 24) {
      EXPECT_EQ(entryText(1, 1), " Author 2");  // later columns start with a space
    }
    form.reset();
  }
}

TEST_F(TocView, LetterTabsFollowTheTitleSort) {
  open({"cobalt", "Cedar", "#1 Hits", "42 Days", "Zebra",
        "\xC3\x9C"
        "ber",
        "", "Delta", "Canal"},
       true);
  EXPECT_EQ(sortState().firstField, 2);
  EXPECT_TRUE(form->letterButtons[0]->isEnabled());
  // Which titles count under which letter is LetterTest's business.
  EXPECT_EQ(form->currentLetter(), 'A');

  QTest::mouseClick(form->letterButtons[2], Qt::LeftButton);
  EXPECT_EQ(form->currentLetter(), 'C');
  EXPECT_TRUE(form->letterButtons[2]->selected());
  EXPECT_FALSE(form->letterButtons[0]->selected());
  EXPECT_EQ(entryText(0), "Canal");
  EXPECT_EQ(entryText(1), "Cedar");
  EXPECT_EQ(entryText(2), "cobalt");
  EXPECT_TRUE(entryText(3).isEmpty());

  // PgDn on C's only spread goes to D; PgUp comes back to C.
  QTest::mouseClick(form->pageDownButton, Qt::LeftButton);
  EXPECT_EQ(form->currentLetter(), 'D');
  EXPECT_EQ(entryText(0), "Delta");
  QTest::mouseClick(form->pageUpButton, Qt::LeftButton);
  EXPECT_EQ(form->currentLetter(), 'C');
  // An empty letter is still a page of its own.
  QTest::keyClick(form.get(), Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(form->currentLetter(), 'B');
  EXPECT_TRUE(entryText(0).isEmpty());
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(entryText(0), "Zebra");
  EXPECT_EQ(entryText(1), QString::fromUtf8("\xC3\x9C"
                                            "ber"));
}

TEST_F(TocView, EntryOrderTurnsTheLettersOffAndIgnoresCtrlAlt) {
  open({"Beta", "Alpha"});
  EXPECT_FALSE(form->letterButtons[1]->isEnabled());
  QTest::keyClick(form.get(), Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(form->currentLetter(), 'A');
  EXPECT_EQ(entryText(0), "Beta");
}

// Answers the Confirm Action dialog once it is up.
void typeIntoConfirmation(const QString& text) {
  QTimer::singleShot(0, [text] {
    auto* dlg = qobject_cast<ConfirmDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    QTest::keyClicks(dlg->answerEdit, text);
    QTest::mouseClick(dlg->okButton, Qt::LeftButton);
  });
}

TEST_F(TocView, DeleteAsksForYes) {
  makeTable({"Alpha", "Bravo", "Charlie"});
  appSettings().deleteMode = 0;
  open();
  typeIntoConfirmation("no");
  form->onDeleteRecordClicked(1);
  EXPECT_EQ(prompts.texts(), QStringList{"Record not Deleted."});
  EXPECT_EQ(entryText(1), "Bravo");

  typeIntoConfirmation("yes");
  form->onDeleteRecordClicked(1);
  EXPECT_EQ(entryText(1), "Charlie");
  EXPECT_TRUE(entryText(2).isEmpty());

  form->onDeleteRecordClicked(5);
  EXPECT_EQ(prompts.texts().last(), "Empty Record cannot be Deleted.");
}

// The home-page button hands the address to the browser link (its rules are
// browserlink_test's) and gives the focus back to the first record button.
TEST_F(TocView, HomePageButtonOpensTheBrowser) {
  struct NoBrowser : UrlOpener {
    QStringList opened;
    bool open(const QString& address) override {
      opened << address;
      return false;
    }
  } browser;
  open({"Alpha"});
  form->homePageOpener = &browser;
  form->leftEntries[1]->setFocus();
  ASSERT_EQ(form->focusWidget(), form->leftEntries[1]);
  QTest::mouseClick(form->sponsorButton, Qt::LeftButton);
  EXPECT_EQ(browser.opened, QStringList{appSettings().homePageUrl});
  ASSERT_EQ(prompts.texts().size(), 1);
  EXPECT_TRUE(prompts.texts()[0].startsWith("Browser Not Found!\r"));
  EXPECT_EQ(form->focusWidget(), form->leftEntries[0]);
}

// The refusal itself is RecordSessionTest.DeleteOfALockedRecordIsRefused.
TEST_F(TocView, RecordLockedElsewhereIsNotDeleted) {
  open({"Alpha", "Bravo"});
  dbase::Table other;
  holdRecord(other, 0);  // another program edits "Alpha"
  form->onDeleteRecordClicked(0);
  EXPECT_EQ(prompts.texts(), QStringList{"Record in use - not Deleted!"});
  EXPECT_EQ(entryText(0), "Alpha");
  other.cancel();
  form->onDeleteRecordClicked(0);
  EXPECT_EQ(entryText(0), "Bravo");
}

TEST_F(TocView, ReadOnlyModeLocksTheRecords) {
  useReadOnlyMode();
  open({"Alpha"});
  EXPECT_FALSE(form->entryDeleteAction->isEnabled());
  EXPECT_FALSE(form->newRecordAction->isEnabled());
  EXPECT_FALSE(form->newButton->isEnabled());
  appSettings().copyBufferFull = true;
  form->prepareEntryMenu(0);
  EXPECT_TRUE(form->quickViewMenu->isEnabled());
  EXPECT_FALSE(form->copyBufferMenu->isEnabled());
  EXPECT_FALSE(form->entryCopyAction->isEnabled());
  EXPECT_FALSE(form->entryPasteAction->isEnabled());
}

TEST_F(TocView, EntryMenuShowsTheRecordAndCopiesAndPastesIt) {
  open({"Alpha"});
  form->prepareEntryMenu(0);
  const auto items = form->quickViewMenu->actions();
  ASSERT_EQ(items.size(), 22);
  EXPECT_EQ(items[0]->text(), "Alpha");
  EXPECT_EQ(items[1]->text(), "Author 1");
  EXPECT_EQ(items[21]->text(), "<PICTURE> - Empty");
  EXPECT_TRUE(form->entryCopyAction->isEnabled());
  EXPECT_FALSE(form->entryPasteAction->isEnabled());
  EXPECT_FALSE(form->copyBufferMenu->isEnabled());
  form->entryCopyAction->trigger();
  form->prepareEntryMenu(3);  // an empty entry: the buffer goes there as a new record
  EXPECT_FALSE(form->quickViewMenu->isEnabled());
  EXPECT_TRUE(form->entryPasteAction->isEnabled());
  ASSERT_TRUE(form->copyBufferMenu->isEnabled());
  EXPECT_EQ(form->copyBufferMenu->actions()[0]->text(), "Alpha");
  form->entryPasteAction->trigger();
  EXPECT_EQ(entryText(1), "Alpha");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(TocView, FormMenuTicksTheCurrentSettings) {
  makeTable({});
  appSettings().letterTabsLocation = 1;
  open();
  form->prepareFormMenu();
  EXPECT_TRUE(form->twoLevelAction->isChecked());
  EXPECT_FALSE(form->oneLevelAction->isChecked());
  EXPECT_TRUE(form->menusItems[0]->isChecked());
  EXPECT_FALSE(form->menusItems[1]->isChecked());
  EXPECT_TRUE(form->deleteModeItems[1]->isChecked());
  EXPECT_FALSE(form->deleteModeItems[0]->isChecked());
  EXPECT_TRUE(form->letterPlaceItems[1]->isChecked());
  EXPECT_TRUE(form->speedBarItems[1]->isChecked());
  // The letter column sits right of the right page.
  EXPECT_GT(form->letterColumn->x(), form->rightPage->x());
  form->menusItems[1]->trigger();  // only menus
  EXPECT_TRUE(form->standardBar->isHidden());
  form->prepareFormMenu();
  EXPECT_TRUE(form->menusItems[1]->isChecked());
  EXPECT_FALSE(form->menusItems[0]->isChecked());
}

// The filter dialog closes with Apply, or with OK and a scope.
void answerFilterDialog(int scope) {
  QTimer::singleShot(0, [scope] {
    auto* dlg = qobject_cast<FilterDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    if (scope < 0) {
      QTest::mouseClick(dlg->applyButton, Qt::LeftButton);
      return;
    }
    dlg->scopeRadios[scope]->setChecked(true);
    QTest::mouseClick(dlg->okButton, Qt::LeftButton);
  });
}

TEST_F(TocView, FilterStatesListExactlyTheMarkedRecords) {
  installFilter();
  makeTable({"Charlie", "Alpha", "Beta", "Apple", "Bravo"}, true);
  const QStringList all{"Alpha", "Apple", "Beta", "Bravo", "Charlie"};
  const QStringList passing{"Beta", "Bravo", "Charlie"};
  const QStringList failing{"Alpha", "Apple"};
  for (int tabs : {0, 1}) {
    appSettings().letterTabs = static_cast<uint16_t>(tabs);
    appSettings().filterState = 0;
    open();
    filterList().clear();
    filterList().addCondition(2);
    filterList().setCondition(0, "b", "", fkText, foGreaterOrEqual);
    // What the entries list, letter by letter while the tabs are on.
    auto listed = [&] {
      QStringList out;
      for (char c : tabs == 0 ? QByteArray("ABC") : QByteArray("A")) {
        if (tabs == 0) form->selectLetter(c);
        for (int s = 0; s < 24; ++s)
          if (!entryText(s).isEmpty()) out << entryText(s);
      }
      return out;
    };
    auto counts = [] {
      return std::vector<int>(letterCounts().begin(), letterCounts().begin() + 3);
    };
    answerFilterDialog(-1);
    QTest::mouseClick(form->sortBar->filterButton(), Qt::LeftButton);
    EXPECT_EQ(form->sortBar->filterState(), 1) << tabs;
    EXPECT_EQ(form->sortBar->filterButton()->text(), "Normal Filter");
    EXPECT_EQ(listed(), passing) << tabs;
    if (tabs == 0) {
      EXPECT_EQ(counts(), (std::vector<int>{0, 2, 1}));
    }
    form->sortBar->filterMenu()->actions()[2]->trigger();  // "&Reversed Filter"
    EXPECT_EQ(appSettings().filterState, 2);
    EXPECT_EQ(listed(), failing) << tabs;
    if (tabs == 0) {
      EXPECT_EQ(counts(), (std::vector<int>{2, 0, 0}));
    }
    answerFilterDialog(0);  // "All Records" and OK
    form->filterAction->trigger();
    EXPECT_EQ(form->sortBar->filterButton()->text(), "All Records");
    EXPECT_EQ(listed(), all) << tabs;
    if (tabs == 0) {
      EXPECT_EQ(counts(), (std::vector<int>{2, 2, 1}));
    }
    EXPECT_TRUE(prompts.shown.empty());
    form.reset();
  }
}

}  // namespace
