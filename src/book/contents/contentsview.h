#pragma once

#include <QPointer>
#include <array>
#include <memory>
#include <vector>

#include "book/bookview.h"
#include "book/spreadmodel.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QTabBar;
class QToolButton;
class QPushButton;
class ColorButton;
class RecordPagesView;
class ContentsEntry;
class ColumnHeader;
class SortBar;
class TableListing;
struct FindHooks;
struct SortFields;
struct StoreTables;

// The table of contents: two facing pages of 12 records each, the letter
// tabs, the speed bars and menus (book model "Two Levels").
class ContentsView : public BookView {
  Q_OBJECT

 public:
  static constexpr int kPageEntries = 12;
  static constexpr int kSpreadEntries = 24;
  static constexpr int kPageWidth = 271;
  static constexpr int kPageHeight = 391;
  static constexpr int kLetterColumnWidth = 24;
  static constexpr int kEntryHelpContext = 105;

  explicit ContentsView(QWidget* parent = nullptr);
  ~ContentsView() override;

  // State the tests and the other views read.
  int32_t topRecord() const { return spread_->topRecord(); }
  char currentLetter() const { return spread_->currentLetter(); }
  bool showLetters() const { return showLetters_; }
  void setShowLetters(bool on);
  StoreTables& tables() { return *tables_; }
  bool databaseOpen() const { return databaseOpen_; }

  // Shows the records of the current spread again.
  void refresh();
  void selectLetter(char letter);
  // The letter tabs shown or disabled for the current sort.
  void applyLetterTabs();
  // Called by the record table after a new sort or index.
  void indexChanged();
  // Makes the table follow SortState after a sort change; selects 'A'.
  void applyViewSort();
  void applyLayout() override;
  void applyColors();
  void applyReadOnlyMode();
  void switchToOneLevel();

  // Components, named as the rest of the program refers to them.
  QFrame* leftPage = nullptr;  // left page
  QFrame* rightPage = nullptr;  // right page
  QFrame* letterColumn = nullptr;  // letter column
  QLabel* leftHeading = nullptr;
  QLabel* rightHeading = nullptr;
  QLabel* leftPageNumber = nullptr;
  QLabel* rightPageNumber = nullptr;
  ColumnHeader* columnHeader = nullptr;
  SortBar* sortBar = nullptr;
  std::vector<ContentsEntry*> leftEntries;
  std::vector<ContentsEntry*> rightEntries;
  std::array<ColorButton*, 26> letterButtons{};  // A_Btn .. Z_Btn
  QPushButton* firstButton = nullptr;
  QPushButton* pageUpButton = nullptr;
  QPushButton* pageDownButton = nullptr;
  QPushButton* lastButton = nullptr;
  QPushButton* sponsorButton = nullptr;
  RecordPagesView* RecordPages = nullptr;  // owned: freed with this view
  QMenu* entryMenu = nullptr;  // entry menu
  QMenu* quickViewMenu = nullptr;
  QMenu* copyBufferMenu = nullptr;
  QAction *entryCopyAction = nullptr, *entryPasteAction = nullptr, *entryDeleteAction = nullptr,
          *entryPrintAction = nullptr, *entryHelpAction = nullptr;
  QAction *newRecordAction = nullptr, *loadDatabaseAction = nullptr, *printAction = nullptr, *exitAction = nullptr,
          *findAction = nullptr, *optionsAction = nullptr, *firstAction = nullptr, *pageUpAction = nullptr,
          *pageDownAction = nullptr, *lastAction = nullptr, *exportAction = nullptr, *importAction = nullptr,
          *passwordAction = nullptr, *maintenanceAction = nullptr, *filterAction = nullptr, *sortAction = nullptr,
          *summaryAction = nullptr, *helpContentsAction = nullptr, *aboutAction = nullptr;

  // Handlers.
  void onFirstClicked();
  void onPageUpClicked();
  void onPageDownClicked();
  void onLastClicked();
  void onNewClicked() override;
  void onAboutClicked() override;
  void onSortClicked() override;
  // The filter state chosen on the sort button, over the marks already set.
  void applyFilterState(int state);
  // Opens the search window, or brings it to the front.
  void onSearchClicked() override;
  void onSponsorClicked();
  void onEntryClicked(int slot);
  void onLetterClicked(int index);
  void prepareEntryMenu(int slot);
  void onDeleteRecordClicked(int slot);
  void onColumnHeaderChanged();
  // The record pages gave back their place and letter.
  void recordPagesHidden(const QPoint& where, char letter, bool exitRequested);

  // The entry whose menu is open or that has the focus (0..23), -1 for none.
  int menuSlot() const { return menuSlot_; }

 protected:
  int viewBookModel() const override { return 1; }
  void switchBookModel() override { switchToOneLevel(); }
  void setLetterTabs(int value) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void saveViewState() override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildPages();
  void buildEntries();
  void buildLetterColumn();
  void buildMenus();
  void buildPopupMenus();
  void positionPanels();
  void openDatabaseAndCaption();
  void setDatabaseCaption();
  void colorLetterTab(int index);
  void updateSortButtonLabels();
  void sortButtonChoice(const SortFields& fields);
  bool handleKey(QKeyEvent* event);
  void focusFirstEntry();
  ContentsEntry* entry(int slot) const;
  void showEntryMenu(int slot, const QPoint& globalPos);
  void syncLetterButton();
  void applyDateFormat();

  // What this view does for the search window.
  FindHooks pagesFindHooks();
  FindHooks findHooks();
  bool findBeforeFind(bool forward);
  bool findAtRangeEnd(bool forward);
  void findOnFound();
  bool findOnNotFound();
  void reportFindLetter();
  bool findTabsActive() const;

  std::unique_ptr<StoreTables> tables_;
  std::unique_ptr<TableListing> listing_;
  std::unique_ptr<SpreadModel> spread_;
  bool showLetters_ = true;
  bool databaseOpen_ = false;
  int menuSlot_ = -1;
  char searchLetter_ = 'A';  // the letter a search started from
};
