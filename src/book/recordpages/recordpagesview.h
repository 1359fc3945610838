#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "query/lookup/lookuplist.h"
#include "store/pagevalues.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QStackedWidget;
class QTabBar;
class QToolButton;
class ColorButton;
class EditorMenu;
class DateEdit;
class RecordSession;
struct StoreTables;

// The window that edits records of the table of contents, two at a time.
//
// Two consecutive records of the current listing are the left and right page
// of an open book, each edited on its own; leaving the pair saves both. Owned
// by the table of contents, which opens it on a record and is shown again
// when it hides.
class RecordPagesView : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kPageWidth = 300;
  static constexpr int kPageHeight = 446;
  static constexpr int kLetterColumnWidth = 24;
  static constexpr int kHelpContext = 1;

  RecordPagesView(StoreTables& tables, QWidget* owner);
  ~RecordPagesView() override;

  // From the table of contents: the letter, whether its tabs apply, then the
  // position; the pair holding the position is loaded and shown.
  void openAt(char letter, bool letterTabsOn, int32_t position);
  // Called once the view has hidden: its position, its letter, and whether
  // the program is to end.
  std::function<void(const QPoint& pos, char letter, bool exitRequested)> onHidden;
  // "Find": the table of contents opens the search window for this view.
  std::function<void()> onSearch;

  // View state.
  int32_t requestedRecord() const { return pair_.requested; }
  int32_t leftRecord() const { return pair_.left; }
  char currentLetter = 'A';
  // The page's record is a new one past the listing's end / held elsewhere.
  bool isNew(int page) const;
  bool inUse(int page) const;
  bool exitRequested = false;
  bool closingForFind = false;
  bool hasAdvancedBar = false;
  bool letterTabsOn = false;

  std::vector<QWidget*> leftEditors, rightEditors;  // by user field
  std::vector<QLabel*> leftLabels, RightLabels;
  std::array<int, kPageParts> partEditorCounts{};
  std::vector<DateEdit*> DateEditors;
  QWidget* highlightedEditor = nullptr;

  // A new sort or index: letters recounted, 'A' selected.
  void indexChanged();
  // Shows the current pair again (loads it, locks it, enables the buttons).
  void refresh();
  // Saves both pages; false when the user chose to stay on the pair.
  bool savePair();
  // What each page's editors hold now.
  PageValues pageValues(int page) const;
  // The find dialog's hit: user field, and for a memo the found text.
  void showFindHit(int field, int start, int length);

  // What this view does for the search window while it is shown (the
  // window's hooks call these). False answers stop the search.
  bool findBeforeFind();
  bool findBeforeFindAgain(char searchLetter);
  void findOnNotFound(char searchLetter);
  // A match at `position` of the listing of `letter` (0 when no letters).
  void findOnFound(char letter, int32_t position, int field, int start, int length);
  // A non-stop search hands over to the table of contents: the pair is
  // saved, nothing of it is saved again, and this view closes.
  bool findBeforeMarkAll(bool nonStop);
  // Lookup editor of user field k on the left page, and its list file.
  QWidget* fieldLookup(int k) const;
  QString fieldLookupSource(int k) const;
  // Every lookup box reads its list again (after the lists were edited).
  void reloadLookupLists();
  // The part (0..3) shown on a page.
  int pagePart(int page) const;
  void selectPart(int page, int part);

  // Components.
  QFrame *leftPage = nullptr, *rightPage = nullptr;        // the two pages
  QFrame *leftPageBar = nullptr, *rightPageBar = nullptr;  // page bars
  QFrame *standardBar = nullptr, *advancedBar = nullptr;   // speed bars
  QFrame* letterColumn = nullptr;                          // letter column
  QLabel *leftPageNumber = nullptr, *rightPageNumber = nullptr;
  QLabel *leftStatus = nullptr, *rightStatus = nullptr;
  QTabBar *speedBarTabs = nullptr, *leftPartTabs = nullptr, *rightPartTabs = nullptr;
  QStackedWidget *leftParts = nullptr, *rightParts = nullptr;
  std::array<ColorButton*, 26> letterButtons{};
  QToolButton *firstButton = nullptr, *pageUpButton = nullptr, *leftUndoButton = nullptr,
              *leftPasteButton = nullptr, *leftCopyButton = nullptr, *leftDeleteButton = nullptr,
              *leftPrintButton = nullptr;
  QToolButton *rightPrintButton = nullptr, *rightDeleteButton = nullptr, *rightCopyButton = nullptr,
              *rightPasteButton = nullptr, *rightUndoButton = nullptr, *pageDownButton = nullptr,
              *lastButton = nullptr;
  QToolButton *searchButton = nullptr, *contentsButton = nullptr, *newButton = nullptr,
              *exitButton = nullptr, *helpButton = nullptr;
  QMenu *leftPageMenu = nullptr, *rightPageMenu = nullptr;
  EditorMenu* editMenu = nullptr;  // the editors' popup menu
  std::array<QMenu*, 2> viewCopyBuffer{};
  struct PopupItems {
    QAction *paste = nullptr, *copy = nullptr, *undo = nullptr, *del = nullptr, *print = nullptr;
  };
  std::array<PopupItems, 2> popup;
  QAction *newRecordAction = nullptr, *printLeftAction = nullptr, *printRightAction = nullptr,
          *contentsAction = nullptr, *exitAction = nullptr, *findAction = nullptr,
          *firstAction = nullptr, *pageUpAction = nullptr, *pageDownAction = nullptr,
          *lastAction = nullptr, *helpContentsAction = nullptr;

  // Handlers (page 0 = left, 1 = right).
  void onFirstClicked();
  void onPageUpClicked();
  void onPageDownClicked();
  void onLastClicked();
  void onNewClicked();
  void onUndoClicked(int page);
  void onCopyClicked(int page);
  void onPasteClicked(int page);
  // The page's record on its own, after the pair is stored.
  void onPrintClicked(int page);
  void onDeleteClicked(int page);
  void onLetterClicked(int index);
  void preparePageMenu(int page);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  LookupLists lookupLists_;  // before the pages: their boxes share these lists
  void buildPages();
  void buildPage(int page);
  void buildPageBar(int page, QFrame* panel, int inner, int width);
  void buildLetterColumn();
  void buildSpeedBar();
  void buildMenus();
  void buildPopup(int page);
  void applyLayout();
  void applyColors();
  void applyLabels();
  void applyAccess();
  void colorEditor(QWidget* editor, bool inUse);
  void colorLetterTab(int index);
  void selectLetter(char letter);
  void releaseRecords();
  void loadPair();
  void fillPage(int page, const PageValues& values);
  void clearPage(int page);
  void focusPage(int page);
  // Stores the pages that savePair() found to be stored; false when one
  // could not be updated.
  bool storePair(const PageState& left, const PageState& right);
  std::vector<QString> labelTexts() const;
  RecordSession& session(int page) const { return page == 0 ? *left_ : *right_; }
  bool deletePage(int page);
  // Saves the page that is not deleted; false when the user stays.
  bool keepOtherPage(int page);
  bool handleKey(const QKeyEvent* event);
  bool pageEmpty(int page) const;
  int32_t count();
  const std::vector<QWidget*>& editors(int page) const {
    return page == 0 ? leftEditors : rightEditors;
  }

  StoreTables& tables_;
  // The left record is held by a cursor of its own, the right one by the
  // listing's cursor.
  std::unique_ptr<RecordSession> left_;
  std::unique_ptr<RecordSession> right_;
  PagePair pair_;
  int32_t count_ = 0;  // records of the listing when the pair was loaded
  // The table of contents' hooks, given back when this view hides.
  std::function<void(int)> ownerRecolour_;
  std::function<void()> ownerIndexChanged_;
};
