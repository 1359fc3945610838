#pragma once

#include <array>
#include <memory>
#include <vector>

#include "mainview.h"
#include "spread.h"

class QAction;
class QFrame;
class QMenu;
class QPushButton;
class QTabBar;
class QToolButton;
class TColorButton;
class TDbTable;
class TFormatedButton;
class TOrvantaHeader;
class TRecordPage;
class TSortButton;
class TTableListing;
struct TFindHooks;
struct TSortFields;
struct TStoreTables;

// The combined view (book model "One Level"): a contents page of 12 entries
// on the left, the letter tabs, and on the right the current record with its
// editors. The current record stays while the contents page is paged.
class TForm3 : public TMainView {
  Q_OBJECT

 public:
  static constexpr int kPageEntries = 12;
  static constexpr int kPageWidth = 300;
  static constexpr int kPageHeight = 446;
  static constexpr int kLetterColumnWidth = 24;
  static constexpr int kEntryHelpContext = 105;

  explicit TForm3(QWidget* parent = nullptr);
  ~TForm3() override;

  // View state.
  int32_t TopRecord() const { return spread_->TopRecord(); }
  char CurrentLetter() const { return spread_->CurrentLetter(); }
  int32_t CurrentPosition = 0;  // 1-based within its letter; 0 before the first load
  int32_t CurrentNumber = -1;   // entry number; -1 for a new record
  char CurrentRecordLetter = 0;
  bool CurrentNew = false;
  bool CurrentInUse = false;
  int CurrentEntry = -1;
  int ClickedEntry = -1;
  bool ShowLetters() const { return showLetters_; }
  TStoreTables& Tables() { return *tables_; }
  TDbTable& RecordCursor() { return *recordCursor_; }
  bool DatabaseOpen() const { return databaseOpen_; }

  // Shows the records of the left page again.
  void Refresh();
  void SelectLetter(char letter);
  void ApplyLetterTabs();
  void IndexChanged();
  void ApplyViewSort();
  void ApplyLayout() override;
  void ApplyColors();
  void ApplyReadOnlyMode();
  // Makes position p (0-based) of the applied listing the current record,
  // saving the current one first unless `saved`; false when the save was refused.
  bool MakeCurrent(int32_t position, bool saved = false);
  // Saves the current record into the record cursor; false when the user stays.
  bool SaveCurrent();
  void SwitchToTwoLevels();

  // Components.
  QFrame* Panel1 = nullptr;  // left page
  TRecordPage* PgRight = nullptr;
  QFrame* Panel5 = nullptr;  // letter column
  TOrvantaHeader* OrvantaHeader1 = nullptr;
  TSortButton* SortButton1 = nullptr;
  std::vector<TFormatedButton*> Entries;
  std::array<TColorButton*, 26> LetterButtons{};
  QPushButton *B_First = nullptr, *B_PgUp = nullptr, *B_PgDn = nullptr, *B_Last = nullptr,
              *SponsorBtn = nullptr;
  QMenu* PopupMenu1 = nullptr;  // entries
  QMenu* PopupMenu3 = nullptr;  // right page
  QMenu *QuickView1 = nullptr, *ViewCopyBuffer1 = nullptr, *ViewCopyBuffer3 = nullptr;
  QAction *CopyRecord1 = nullptr, *PasteRecord1 = nullptr, *DeleteRecord1 = nullptr,
          *PrintRecord1 = nullptr;
  QAction *PasteRecord3 = nullptr, *CopyRecord3 = nullptr, *UndoChanges3 = nullptr,
          *DeleteRecord3 = nullptr, *PrintRecord3 = nullptr, *Synchronize3 = nullptr;
  QAction *NewRecord1 = nullptr, *First1 = nullptr, *PageUp1 = nullptr, *PageDown1 = nullptr,
          *Last1 = nullptr, *Previous1 = nullptr, *Next1 = nullptr;

  // Handlers.
  void B_FirstClick();
  void B_PgUpClick();
  void B_PgDnClick();
  void B_LastClick();
  void B_NewClick() override;
  void B_AboutClick() override;
  void B_PrevClick();
  void B_NextClick();
  void B_RSynchroClick();
  void B_RDeleteClick();
  void B_RCopyClick();
  void B_RPasteClick();
  void B_RUndoClick();
  void B_SortClick() override;
  void ApplyFilterState(int state);
  void EntryClick(int slot);
  void LetterClick(int index);
  void PopupMenu1Popup(int slot);
  void PopupMenu3Popup();
  void CopyRecordClick(int slot);
  void PasteRecordClick(int slot);
  void DeleteRecordClick(int slot);
  void OrvantaHeader1HChange();

  // What this view does for the search window (its hooks call these).
  void B_SearchClick() override;
  TFindHooks FindHooks();
  bool FindBeforeFind(bool fromEnd);
  // Steps the left page to the next letter with records; true past the end.
  bool FindAtRangeEnd(bool forward);
  // A match at `position` of the listing of `letter`, in user field `field`;
  // a memo match gives its start and length, other fields the searched text.
  void FindOnFound(char letter, int32_t position, int field, int start, int length,
                   const QString& text = {});
  void FindOnNotFound(char searchLetter, bool nonStop);
  bool FindBeforeMarkAll();
  void FindAfterMarkAll(bool found);

  // Lookup editor of user field k on the record page, and its list file.
  QWidget* FieldLookup(int k) const;
  QString FieldLookupSource(int k) const;

  int MenuSlot() const { return menuSlot_; }

 protected:
  int ViewBookModel() const override { return 0; }
  void SwitchBookModel() override { SwitchToTwoLevels(); }
  void SetLetterTabs(int value) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void SaveViewState() override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildLeftPage();
  void BuildEntries();
  void BuildRightPage();
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
  void FocusEntry();
  void ShowEntryMenu(int slot, const QPoint& globalPos);
  void SyncLetterButton();
  void FillCopyBufferMenu(QMenu* menu);
  // Loads position p of the applied listing (the range of `letter`, 0 for
  // the left page's) onto the right page, without saving.
  void LoadCurrent(int32_t position, char letter = 0);
  void ReleaseCurrent();
  bool OpenRecordCursor();
  void ShowCurrentState();
  void ApplyAccess();
  // Applies a letter's range (when letter tabs apply) and gives its count.
  int32_t UseLetter(char letter);
  int32_t Count();
  void Step(int direction);
  void AfterEntryChange();

  std::unique_ptr<TStoreTables> tables_;
  std::unique_ptr<TTableListing> listing_;
  std::unique_ptr<TSpreadModel> spread_;
  std::unique_ptr<TDbTable> recordCursor_;
  bool showLetters_ = true;
  bool databaseOpen_ = false;
  bool loaded_ = false;        // a record is current
  char positionLetter_ = 'A';  // the listing that CurrentPosition counts in
  int32_t letterCount_ = 0;    // records of that listing at the last load
  int menuSlot_ = -1;
  char searchLetter_ = 'A';  // the letter a search started from
};
