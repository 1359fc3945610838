#pragma once

#include <QPointer>
#include <array>
#include <memory>
#include <vector>

#include "mainview.h"
#include "spread.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QTabBar;
class QToolButton;
class QPushButton;
class TColorButton;
class TForm2;
class TFormatedButton;
class TOrvantaHeader;
class TSortButton;
class TTableListing;
struct TFindHooks;
struct TSortFields;
struct TStoreTables;

// The table of contents: two facing pages of 12 records each, the letter
// tabs, the speed bars and menus (book model "Two Levels").
class TForm1 : public TMainView {
  Q_OBJECT

 public:
  static constexpr int kPageEntries = 12;
  static constexpr int kSpreadEntries = 24;
  static constexpr int kPageWidth = 271;
  static constexpr int kPageHeight = 391;
  static constexpr int kLetterColumnWidth = 24;
  static constexpr int kEntryHelpContext = 105;

  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // State the tests and the other views read.
  int32_t TopRecord() const { return spread_->TopRecord(); }
  char CurrentLetter() const { return spread_->CurrentLetter(); }
  bool ShowLetters() const { return showLetters_; }
  void SetShowLetters(bool on);
  TStoreTables& Tables() { return *tables_; }
  bool DatabaseOpen() const { return databaseOpen_; }

  // Shows the records of the current spread again.
  void Refresh();
  void SelectLetter(char letter);
  // The letter tabs shown or disabled for the current sort.
  void ApplyLetterTabs();
  // Called by the record table after a new sort or index.
  void IndexChanged();
  // Makes the table follow SortState after a sort change; selects 'A'.
  void ApplyViewSort();
  void ApplyLayout() override;
  void ApplyColors();
  void ApplyReadOnlyMode();
  void SwitchToOneLevel();

  // Components, named as the rest of the program refers to them.
  QFrame* Panel1 = nullptr;  // left page
  QFrame* Panel2 = nullptr;  // right page
  QFrame* Panel5 = nullptr;  // letter column
  QLabel* TocLbl1 = nullptr;
  QLabel* TocLbl2 = nullptr;
  QLabel* PgL_Lbl = nullptr;
  QLabel* PgR_Lbl = nullptr;
  TOrvantaHeader* OrvantaHeader1 = nullptr;
  TSortButton* SortButton1 = nullptr;
  std::vector<TFormatedButton*> LeftEntries;
  std::vector<TFormatedButton*> RightEntries;
  std::array<TColorButton*, 26> LetterButtons{};  // A_Btn .. Z_Btn
  QPushButton* B_First = nullptr;
  QPushButton* B_PgUp = nullptr;
  QPushButton* B_PgDn = nullptr;
  QPushButton* B_Last = nullptr;
  QPushButton* SponsorBtn = nullptr;
  TForm2* RecordPages = nullptr;  // owned: freed with this view
  QMenu* PopupMenu1 = nullptr;  // entry menu
  QMenu* QuickView1 = nullptr;
  QMenu* ViewCopyBuffer1 = nullptr;
  QAction *CopyRecord1 = nullptr, *PasteRecord1 = nullptr, *DeleteRecord1 = nullptr,
          *PrintRecord1 = nullptr, *EntryHelp1 = nullptr;
  QAction *NewRecord1 = nullptr, *LoadDatabase1 = nullptr, *Print1 = nullptr, *Exit1 = nullptr,
          *Find1 = nullptr, *Options1 = nullptr, *First1 = nullptr, *PageUp1 = nullptr,
          *PageDown1 = nullptr, *Last1 = nullptr, *Export1 = nullptr, *Import1 = nullptr,
          *Password1 = nullptr, *Maintenance1 = nullptr, *Filter1 = nullptr, *Sort1 = nullptr,
          *Summary1 = nullptr, *HelpContents1 = nullptr, *About1 = nullptr;

  // Handlers.
  void B_FirstClick();
  void B_PgUpClick();
  void B_PgDnClick();
  void B_LastClick();
  void B_NewClick() override;
  void B_AboutClick() override;
  void B_SortClick() override;
  // The filter state chosen on the sort button, over the marks already set.
  void ApplyFilterState(int state);
  // Opens the search window, or brings it to the front.
  void B_SearchClick() override;
  void SponsorBtnClick();
  void EntryClick(int slot);
  void LetterClick(int index);
  void PopupMenu1Popup(int slot);
  void DeleteRecordClick(int slot);
  void OrvantaHeader1HChange();
  // The record pages gave back their place and letter.
  void RecordPagesHidden(const QPoint& where, char letter, bool exitRequested);

  // The entry whose menu is open or that has the focus (0..23), -1 for none.
  int MenuSlot() const { return menuSlot_; }

 protected:
  int ViewBookModel() const override { return 1; }
  void SwitchBookModel() override { SwitchToOneLevel(); }
  void SetLetterTabs(int value) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void SaveViewState() override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildPages();
  void BuildEntries();
  void BuildLetterColumn();
  void BuildMenus();
  void BuildPopupMenus();
  void PositionPanels();
  void OpenDatabaseAndCaption();
  void SetDatabaseCaption();
  void ColorLetterTab(int index);
  void UpdateSortButtonLabels();
  void SortButtonChoice(const TSortFields& fields);
  bool HandleKey(QKeyEvent* event);
  void FocusFirstEntry();
  TFormatedButton* Entry(int slot) const;
  void ShowEntryMenu(int slot, const QPoint& globalPos);
  void SyncLetterButton();
  void ApplyDateFormat();

  // What this view does for the search window.
  TFindHooks PagesFindHooks();
  TFindHooks FindHooks();
  bool FindBeforeFind(bool forward);
  bool FindAtRangeEnd(bool forward);
  void FindOnFound();
  bool FindOnNotFound();
  void ReportFindLetter();
  bool FindTabsActive() const;

  std::unique_ptr<TStoreTables> tables_;
  std::unique_ptr<TTableListing> listing_;
  std::unique_ptr<TSpreadModel> spread_;
  bool showLetters_ = true;
  bool databaseOpen_ = false;
  int menuSlot_ = -1;
  char searchLetter_ = 'A';  // the letter a search started from
};
