#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "pagefields.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QStackedWidget;
class QTabBar;
class QToolButton;
class TColorButton;
class TDbTable;
class TEditMenu;
class TPageEdit;
struct TStoreTables;

// The record pages: two consecutive records of the current listing as the
// left and right page of an open book, each edited on its own; leaving the
// pair saves both. Owned by the table of contents, which opens it on a
// record and is shown again when it hides.
class TForm2 : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kPageWidth = 300;
  static constexpr int kPageHeight = 446;
  static constexpr int kLetterColumnWidth = 24;
  static constexpr int kHelpContext = 1;

  TForm2(TStoreTables& tables, QWidget* owner);
  ~TForm2() override;

  // From the table of contents: the letter, whether its tabs apply, then the
  // position; the pair holding the position is loaded and shown.
  void OpenAt(char letter, bool letterTabsOn, int32_t position);
  // Called once the view has hidden: its position, its letter, and whether
  // the program is to end.
  std::function<void(const QPoint& pos, char letter, bool exitRequested)> OnHidden;

  // View state.
  int32_t RequestedRecord() const { return pair_.requested; }
  int32_t LeftRecord() const { return pair_.left; }
  char CurrentLetter = 'A';
  bool LeftNew = false, RightNew = false;
  bool LeftInUse = false, RightInUse = false;
  char LeftLetter = 0, RightLetter = 0;
  bool ExitRequested = false;
  bool ClosingForFind = false;
  bool HasAdvancedBar = false;
  bool LetterTabsOn = false;

  std::vector<QWidget*> LeftEditors, RightEditors;  // by user field
  std::vector<QLabel*> LeftLabels, RightLabels;
  std::array<int, kPageParts> PartEditorCounts{};
  std::vector<TPageEdit*> DateEditors;
  QWidget* HighlightedEditor = nullptr;
  TDbTable& LeftCursor() { return *leftCursor_; }

  // A new sort or index: letters recounted, 'A' selected.
  void IndexChanged();
  // Shows the current pair again (loads it, locks it, enables the buttons).
  void Refresh();
  // Saves both pages; false when the user chose to stay on the pair.
  bool SavePair();
  // What each page's editors hold now.
  TPageValues PageValues(int page) const;
  // The find dialog's hit: user field, and for a memo the found text.
  void ShowFindHit(int field, int start, int length);

  // What this view does for the search window while it is shown (the
  // window's hooks call these). False answers stop the search.
  bool FindBeforeFind();
  bool FindBeforeFindAgain(char searchLetter);
  void FindOnNotFound(char searchLetter);
  // A match at `position` of the listing of `letter` (0 when no letters).
  void FindOnFound(char letter, int32_t position, int field, int start, int length);
  // A non-stop search hands over to the table of contents: the pair is
  // saved, nothing of it is saved again, and this view closes.
  bool FindBeforeMarkAll(bool nonStop);
  // Lookup editor of user field k on the left page, and its list file.
  QWidget* FieldLookup(int k) const;
  QString FieldLookupSource(int k) const;
  // The part (0..3) shown on a page.
  int PagePart(int page) const;
  void SelectPart(int page, int part);

  // Components.
  QFrame *PgLeft = nullptr, *PgRight = nullptr;  // the two pages
  QFrame *Panel1 = nullptr, *Panel2 = nullptr;   // page bars
  QFrame *Panel3 = nullptr, *Panel4 = nullptr;   // speed bars
  QFrame* Panel5 = nullptr;                      // letter column
  QLabel *PgL_Lbl = nullptr, *PgR_Lbl = nullptr;
  QLabel *LStatus = nullptr, *RStatus = nullptr;
  QTabBar *TabSet1 = nullptr, *TabSet2 = nullptr, *TabSet3 = nullptr;
  QStackedWidget *LeftParts = nullptr, *RightParts = nullptr;
  std::array<TColorButton*, 26> LetterButtons{};
  QToolButton *B_First = nullptr, *B_PgUp = nullptr, *B_LUndo = nullptr, *B_LPaste = nullptr,
              *B_LCopy = nullptr, *B_LDelete = nullptr, *B_LPrint = nullptr;
  QToolButton *B_RPrint = nullptr, *B_RDelete = nullptr, *B_RCopy = nullptr, *B_RPaste = nullptr,
              *B_RUndo = nullptr, *B_PgDn = nullptr, *B_Last = nullptr;
  QToolButton *B_Search = nullptr, *B_TOC = nullptr, *B_New = nullptr, *B_Exit = nullptr,
              *B_Help = nullptr;
  QMenu *PopupMenu1 = nullptr, *PopupMenu2 = nullptr;
  TEditMenu* EditMenu = nullptr;  // the editors' popup menu
  std::array<QMenu*, 2> ViewCopyBuffer{};
  struct PopupItems {
    QAction *paste = nullptr, *copy = nullptr, *undo = nullptr, *del = nullptr, *print = nullptr;
  };
  std::array<PopupItems, 2> Popup;
  QAction *NewRecord1 = nullptr, *PrintLeft1 = nullptr, *PrintRight1 = nullptr, *Toc1 = nullptr,
          *Exit1 = nullptr, *Find1 = nullptr, *First1 = nullptr, *PageUp1 = nullptr,
          *PageDown1 = nullptr, *Last1 = nullptr, *HelpContents1 = nullptr;

  // Handlers (page 0 = left, 1 = right).
  void B_FirstClick();
  void B_PgUpClick();
  void B_PgDnClick();
  void B_LastClick();
  void B_NewClick();
  void UndoClick(int page);
  void CopyClick(int page);
  void PasteClick(int page);
  void DeleteClick(int page);
  void LetterClick(int index);
  void PopupMenuPopup(int page);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPages();
  void BuildPage(int page);
  void BuildLetterColumn();
  void BuildSpeedBar();
  void BuildMenus();
  void BuildPopup(int page);
  void ApplyLayout();
  void ApplyColors();
  void ApplyLabels();
  void ApplyAccess();
  void ColorEditor(QWidget* editor, bool inUse);
  void ColorLetterTab(int index);
  void SelectLetter(char letter);
  void ReleaseRecords();
  void KeepOnScreen();
  void LoadPair();
  void FillPage(int page, const TPageValues& values);
  void ClearPage(int page);
  void FocusPage(int page);
  // Posts the page into the cursor's record (100 attempts); `letter` is the
  // record's letter before and after, for the letter counts.
  bool SavePage(int page, TDbTable& cursor, char* letter, bool moveLetters);
  bool DeletePage(int page);
  // Saves the page that is not deleted; false when the user stays.
  bool KeepOtherPage(int page);
  bool HandleKey(QKeyEvent* event);
  bool PageEmpty(int page) const;
  int32_t Count();
  const std::vector<QWidget*>& Editors(int page) const {
    return page == 0 ? LeftEditors : RightEditors;
  }

  TStoreTables& tables_;
  std::unique_ptr<TDbTable> leftCursor_;
  TPagePair pair_;
  int32_t count_ = 0;  // records of the listing when the pair was loaded
  uint32_t leftRecNo_ = 0;
  uint32_t rightRecNo_ = 0;
  // The table of contents' hooks, given back when this view hides.
  std::function<void(int)> ownerRecolour_;
  std::function<void()> ownerIndexChanged_;
};
