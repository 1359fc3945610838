#pragma once

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "book/keytable.h"
#include "book/spreadmodel.h"

class QAction;
class QFrame;
class QKeyEvent;
class QMenu;
class QPushButton;
class QTabBar;
class QToolButton;
class ColorButton;
class RecordSession;
class ColumnHeader;
class ContentsEntry;
class SortBar;
class TableListing;
class UrlOpener;
struct FindHooks;
struct SortFields;
struct StoreTables;

// The base of both main windows: entries, letter tabs, paging, sorting, bars and menus.
//
// Pages of contents entries over the record table; closing the view ends the
// run with everything saved.
class BookView : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kLetterColumnWidth = 24;
  static constexpr int kEntryHelpContext = 105;

  // What sets the models apart in size: entries per spread and one page.
  struct Shape {
    int spreadEntries;
    int pageWidth;
    int pageHeight;
  };

  BookView(const Shape& shape, QWidget* parent);
  ~BookView() override;

  // Set while the view is replaced by the other book model: closing then
  // saves nothing and keeps the run going.
  bool switchingModel = false;

  // The caption with the read-only note when it applies.
  void applyCaption();

  // State the tests and the other windows read.
  int32_t topRecord() const { return spread_->topRecord(); }
  char currentLetter() const { return spread_->currentLetter(); }
  bool showLetters() const { return showLetters_; }
  void setShowLetters(bool on);
  StoreTables& tables() { return *tables_; }
  bool databaseOpen() const { return databaseOpen_; }
  // The entry whose menu is open or that has the focus, -1 for none.
  int menuSlot() const { return menuSlot_; }

  // Shows the records of the entries again.
  void refresh();
  void selectLetter(char letter);
  // The letter tabs shown or disabled for the current sort.
  void applyLetterTabs();
  // Called by the record table after a new sort or index.
  void indexChanged();
  // Makes the table follow SortState after a sort change; selects 'A'.
  void applyViewSort();
  // The filter state chosen on the sort bar, over the marks already set.
  void applyFilterState(int state);
  // Marks every record by the current filter and lists those that pass.
  void applyFilter();
  void applyLayout();
  void applyColors();
  void prepareEntryMenu(int slot);
  // The listing ran out during a search: steps to the next letter with
  // records; true past the last one.
  bool findAtRangeEnd(bool forward);

  // The "Standard" and "Advanced" speed bars under their tab set.
  QFrame* standardBar = nullptr;
  QFrame* advancedBar = nullptr;
  QTabBar* speedBarTabs = nullptr;
  QToolButton *searchButton = nullptr, *optionsButton = nullptr, *printButton = nullptr,
              *newButton = nullptr, *loadButton = nullptr, *aboutButton = nullptr,
              *helpButton = nullptr, *exitButton = nullptr;
  QToolButton *exportButton = nullptr, *importButton = nullptr, *passwordButton = nullptr,
              *maintenanceButton = nullptr, *filterButton = nullptr, *sortButton = nullptr,
              *summaryButton = nullptr;

  // The form popup (right click on the form, F2) with its check items.
  QMenu* formMenu = nullptr;
  QAction *oneLevelAction = nullptr, *twoLevelAction = nullptr;
  std::array<QAction*, 3> menusItems{};
  std::array<QAction*, 2> speedBarItems{};
  std::array<QAction*, 2> letterTabItems{};
  std::array<QAction*, 2> letterPlaceItems{};
  std::array<QAction*, 2> hintItems{};
  std::array<QAction*, 2> deleteModeItems{};
  // Ticks the items of the current settings, as the popup opens.
  void prepareFormMenu();
  void setMenusAndSpeedBars(int value);

  // The contents side: the left page, its entries in slot order, the letter
  // column, the column header and sort bar, paging and the menus.
  QFrame* leftPage = nullptr;
  QFrame* letterColumn = nullptr;
  ColumnHeader* columnHeader = nullptr;
  SortBar* sortBar = nullptr;
  std::vector<ContentsEntry*> entries;
  std::array<ColorButton*, 26> letterButtons{};  // A_Btn .. Z_Btn
  QPushButton *firstButton = nullptr, *pageUpButton = nullptr, *pageDownButton = nullptr,
              *lastButton = nullptr, *sponsorButton = nullptr;
  QMenu* entryMenu = nullptr;
  QMenu *quickViewMenu = nullptr, *copyBufferMenu = nullptr;
  QAction *entryCopyAction = nullptr, *entryPasteAction = nullptr, *entryDeleteAction = nullptr,
          *entryPrintAction = nullptr, *entryHelpAction = nullptr;
  QAction *newRecordAction = nullptr, *loadDatabaseAction = nullptr, *printAction = nullptr,
          *exitAction = nullptr, *findAction = nullptr, *optionsAction = nullptr,
          *firstAction = nullptr, *pageUpAction = nullptr, *pageDownAction = nullptr,
          *lastAction = nullptr, *exportAction = nullptr, *importAction = nullptr,
          *passwordAction = nullptr, *maintenanceAction = nullptr, *filterAction = nullptr,
          *sortAction = nullptr, *summaryAction = nullptr, *helpContentsAction = nullptr,
          *aboutAction = nullptr;

  // Handlers.
  void onFirstClicked();
  void onPageUpClicked();
  void onPageDownClicked();
  void onLastClicked();
  void onLetterClicked(int index);
  void onColumnHeaderChanged();
  void onSponsorClicked();
  UrlOpener* homePageOpener = nullptr;  // the browser of the home-page button; none: the desktop's
  void onAboutClicked();
  void onSortClicked();
  // "Summary" over every record of the filter state.
  void onSummaryClicked();
  // "Set Filter": applies the filter or the chosen scope.
  void onFilterClicked();
  // Reports over every record of the filter, the letter range lifted meanwhile.
  void onPrintClicked();
  // Prints the record of an entry on its own.
  void onPrintRecordClicked(int slot);
  void onMaintenanceClicked();
  // Another database from the catalogue, opened in place of this one.
  void onLoadClicked();
  // "Options": the dialog, then its settings in this view, or the other book model.
  void onOptionsClicked();
  // Export: the records shown, to a text file or an exchange table.
  void onExportClicked();
  // Import: appends records, then shows the book from its start.
  void onImportClicked();
  // Opens the search window, or brings it to the front.
  void onSearchClicked();
  virtual void onNewClicked() {}
  virtual void onEntryClicked(int slot) = 0;
  // The entry's record into the copy buffer, and the buffer onto the entry.
  virtual void onCopyRecordClicked(int slot);
  virtual void onPasteRecordClicked(int slot);
  virtual void onDeleteRecordClicked(int slot) = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

  // Parts the views place themselves; the builders wire them to the base.
  void buildSpeedBars(int standardWidth, int advancedWidth);
  void buildFormMenu();
  void buildMenuBar();
  void buildEntryMenu();
  void buildLetterColumn(int top, int buttonHeight);
  void buildColumnHeader(QWidget* page);
  void buildSortBar(QWidget* page);
  // First and PgUp on `firstPage`, PgDn and Last on `lastPage`, the sponsor
  // button on the left page; the captions only `withTexts`.
  void buildPageButtons(QWidget* firstPage, QWidget* lastPage, bool withTexts);
  ContentsEntry* addEntry(QWidget* page, int slot);
  // After the parts are built: the header, entries, database, layout and
  // the first letter.
  void openBook();

  // What the views do differently.
  virtual int viewBookModel() const = 0;
  virtual QWidget* rightSide() const = 0;
  virtual void buildEntries() = 0;
  virtual FindHooks findHooks() = 0;
  virtual void addMoveItems(QMenu* move) { (void)move; }
  virtual void databaseOpened() {}
  virtual void applyPageColors() {}
  // Labels and date format of the record editors, after the options changed.
  virtual void applyRecordOptions() {}
  // The current record of a view that has one: the row the table stands on,
  // and the slot it was shown in (-1 when not on the entries).
  virtual bool isCurrentRecord(int32_t number) const {
    (void)number;
    return false;
  }
  virtual void showSpreadState(int currentSlot) { (void)currentSlot; }
  virtual int focusSlot() const { return 0; }
  virtual void entryMenuOpening(int slot) { (void)slot; }
  // A record was copied: what offers the copy buffer follows.
  virtual void copyBufferChanged() {}
  // The copy buffer's record as the quick view lists it; disabled when empty.
  void fillCopyBufferMenu(QMenu* menu);
  // Around a change of order or filter: leave (save) the current record,
  // let go of the table, take it again, show the new first record.
  virtual bool leaveCurrent() { return true; }
  virtual void closeRecords() {}
  virtual bool reopenRecords() { return true; }
  virtual void reloadCurrent() {}
  // The items of user field k's lookup list for the filter's "One Of";
  // nothing when the field has none.
  virtual std::optional<QStringList> fieldValues(int k) const {
    (void)k;
    return std::nullopt;
  }
  // The items of a lookup editor that lists them; nothing for other editors.
  static std::optional<QStringList> lookupValues(const QWidget* editor);
  // The list table of user field k's lookup box; empty without one. Nothing
  // at all while no record page exists.
  virtual std::function<QString(int)> listSources() const { return {}; }
  // The record pages' lookup boxes read their lists again.
  virtual void reloadLists() {}
  // Maintenance follows read-only mode.
  void applyMaintenanceAccess();

  // Shows `state` over the marks once the records are let go (closeRecords),
  // and takes them again.
  void showFilterState(int state);
  // The switch to the other book model from the popup.
  void switchBookModel();
  // Letter tabs enabled (0) or disabled (1) from the popup.
  void setLetterTabs(int value);
  void focusEntry();
  ContentsEntry* entry(int slot) const;
  void showEntryMenu(int slot, const QPoint& globalPos);
  void syncLetterButton();
  void colorLetterTab(int index);
  void updateSortButtonLabels();
  void sortButtonChoice(const SortFields& fields);
  void setDatabaseCaption();
  void saveViewState();
  // Records of the applied listing, 0 when it cannot be counted.
  int32_t count();
  // Deletes the record at `position` of the listing after the user's
  // confirmation. Kept: an empty entry, or the user said no.
  enum class DeleteOutcome { Deleted, InUse, Kept };
  DeleteOutcome deleteListedRecord(int32_t position);
  bool lettersOn() const { return spread_->tabsActive() && showLetters_; }
  // Tells the search window the letter the view stands on.
  void reportFindLetter();
  // Back to the letter a search started from.
  void returnToLetter(char letter);
  bool hintsOn() const { return hintsOn_; }
  void setHintsOn(bool on) { hintsOn_ = on; }
  int clientTop() const;

  KeyTable keys_;
  std::unique_ptr<StoreTables> tables_;
  std::unique_ptr<TableListing> listing_;
  std::unique_ptr<SpreadModel> spread_;
  // What the entries do with records, through the listing's own cursor.
  std::unique_ptr<RecordSession> listed_;
  const Shape shape_;
  bool showLetters_ = true;
  int menuSlot_ = -1;
  char searchLetter_ = 'A';  // the letter a search started from

 private:
  void onSpeedBarTabClicked(int index);
  void addBookKeys();
  void positionPanels();
  void openDatabaseAndCaption();
  // Lets go of the database's three tables and opens DatabaseDir\TableName
  // with its letters, lists and first page; false when it cannot be opened.
  bool reopenDatabase();
  void installStoreHooks();
  void popupEntryMenuAtFocus();
  void popupSortMenu(int part);
  void fillEntries();

  bool databaseOpen_ = false;
  bool hintsOn_ = true;
};

// Sort state, header and filter, then both options files.
void saveSessionState();
