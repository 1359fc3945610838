#pragma once

#include <array>
#include <memory>
#include <vector>

#include "book/bookview.h"
#include "book/spreadmodel.h"
#include "store/recordsession.h"

class QAction;
class QFrame;
class QMenu;
class QPushButton;
class QTabBar;
class QToolButton;
class ColorButton;
class DbTable;
class ContentsEntry;
class ColumnHeader;
class RecordPage;
class SortBar;
class TableListing;
struct FindHooks;
struct SortFields;
struct StoreTables;

// The combined view (book model "One Level"): a contents page of 12 entries
// on the left, the letter tabs, and on the right the current record with its
// editors. The current record stays while the contents page is paged.
class CombinedView : public BookView {
  Q_OBJECT

 public:
  static constexpr int kPageEntries = 12;
  static constexpr int kPageWidth = 300;
  static constexpr int kPageHeight = 446;
  static constexpr int kLetterColumnWidth = 24;
  static constexpr int kEntryHelpContext = 105;

  explicit CombinedView(QWidget* parent = nullptr);
  ~CombinedView() override;

  // View state.
  int32_t topRecord() const { return spread_->topRecord(); }
  char currentLetter() const { return spread_->currentLetter(); }
  int32_t currentPosition = 0;  // 1-based within its letter; 0 before the first load
  int32_t currentNumber() const { return session_->number(); }  // -1 for a new record
  char currentRecordLetter() const { return session_->letter(); }
  bool currentNew() const { return session_->isNew(); }
  bool currentInUse() const { return session_->inUse(); }
  int currentEntry = -1;
  int clickedEntry = -1;
  bool showLetters() const { return showLetters_; }
  StoreTables& tables() { return *tables_; }
  DbTable& recordCursor() { return session_->cursor(); }
  RecordSession& session() { return *session_; }
  bool databaseOpen() const { return databaseOpen_; }

  // Shows the records of the left page again.
  void refresh();
  void selectLetter(char letter);
  void applyLetterTabs();
  void indexChanged();
  void applyViewSort();
  void applyLayout() override;
  void applyColors();
  void applyReadOnlyMode();
  // Makes position p (0-based) of the applied listing the current record,
  // saving the current one first unless `saved`; false when the save was refused.
  bool makeCurrent(int32_t position, bool saved = false);
  // Saves the current record into the record cursor; false when the user stays.
  bool saveCurrent();
  void switchToTwoLevels();

  // Components.
  QFrame* leftPage = nullptr;  // left page
  RecordPage* recordPage = nullptr;
  QFrame* letterColumn = nullptr;  // letter column
  ColumnHeader* columnHeader = nullptr;
  SortBar* sortBar = nullptr;
  std::vector<ContentsEntry*> entries;
  std::array<ColorButton*, 26> letterButtons{};
  QPushButton *firstButton = nullptr, *pageUpButton = nullptr, *pageDownButton = nullptr, *lastButton = nullptr,
              *sponsorButton = nullptr;
  QMenu* entryMenu = nullptr;  // entries
  QMenu* pageMenu = nullptr;  // right page
  QMenu *quickViewMenu = nullptr, *copyBufferMenu = nullptr, *pageCopyBufferMenu = nullptr;
  QAction *entryCopyAction = nullptr, *entryPasteAction = nullptr, *entryDeleteAction = nullptr,
          *entryPrintAction = nullptr;
  QAction *pagePasteAction = nullptr, *pageCopyAction = nullptr, *pageUndoAction = nullptr,
          *pageDeleteAction = nullptr, *pagePrintAction = nullptr, *pageSynchronizeAction = nullptr;
  QAction *newRecordAction = nullptr, *firstAction = nullptr, *pageUpAction = nullptr, *pageDownAction = nullptr,
          *lastAction = nullptr, *previousAction = nullptr, *nextAction = nullptr;

  // Handlers.
  void onFirstClicked();
  void onPageUpClicked();
  void onPageDownClicked();
  void onLastClicked();
  void onNewClicked() override;
  void onAboutClicked() override;
  void onPreviousClicked();
  void onNextClicked();
  void onSynchronizeClicked();
  void onDeleteClicked();
  void onCopyClicked();
  void onPasteClicked();
  void onUndoClicked();
  void onSortClicked() override;
  void applyFilterState(int state);
  void onEntryClicked(int slot);
  void onLetterClicked(int index);
  void prepareEntryMenu(int slot);
  void preparePageMenu();
  void onCopyRecordClicked(int slot);
  void onPasteRecordClicked(int slot);
  void onDeleteRecordClicked(int slot);
  void onColumnHeaderChanged();

  // What this view does for the search window (its hooks call these).
  void onSearchClicked() override;
  FindHooks findHooks();
  bool findBeforeFind(bool fromEnd);
  // Steps the left page to the next letter with records; true past the end.
  bool findAtRangeEnd(bool forward);
  // A match at `position` of the listing of `letter`, in user field `field`;
  // a memo match gives its start and length, other fields the searched text.
  void findOnFound(char letter, int32_t position, int field, int start, int length,
                   const QString& text = {});
  void findOnNotFound(char searchLetter, bool nonStop);
  bool findBeforeMarkAll();
  void findAfterMarkAll(bool found);

  // Lookup editor of user field k on the record page, and its list file.
  QWidget* fieldLookup(int k) const;
  QString fieldLookupSource(int k) const;

  int menuSlot() const { return menuSlot_; }

 protected:
  int viewBookModel() const override { return 0; }
  void switchBookModel() override { switchToTwoLevels(); }
  void setLetterTabs(int value) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void saveViewState() override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildLeftPage();
  void buildEntries();
  void buildRightPage();
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
  void focusEntry();
  void showEntryMenu(int slot, const QPoint& globalPos);
  void syncLetterButton();
  void fillCopyBufferMenu(QMenu* menu);
  // Loads position p of the applied listing (the range of `letter`, 0 for
  // the left page's) onto the right page, without saving.
  void loadCurrent(int32_t position, char letter = 0);
  void releaseCurrent();
  void showCurrentState();
  void applyAccess();
  // Applies a letter's range (when letter tabs apply) and gives its count.
  int32_t useLetter(char letter);
  int32_t count();
  void step(int direction);
  void afterEntryChange();

  std::unique_ptr<StoreTables> tables_;
  std::unique_ptr<TableListing> listing_;
  std::unique_ptr<SpreadModel> spread_;
  std::unique_ptr<RecordSession> session_;
  bool showLetters_ = true;
  bool databaseOpen_ = false;
  bool loaded_ = false;        // a record is current
  char positionLetter_ = 'A';  // the listing that CurrentPosition counts in
  int32_t letterCount_ = 0;    // records of that listing at the last load
  int menuSlot_ = -1;
  char searchLetter_ = 'A';  // the letter a search started from
};
