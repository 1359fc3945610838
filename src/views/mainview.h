#pragma once

#include <QMainWindow>
#include <array>

class QAction;
class QFrame;
class QMenu;
class TDbTable;
class TOrvantaHeader;
class QTabBar;
class QToolButton;

// Base of the two main views (table of contents, combined view): the window
// whose closing ends the run with everything saved.
class TMainView : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainView(QWidget* parent = nullptr);

  // Set while the view is replaced by the other book model: closing then
  // saves nothing and keeps the run going.
  bool SwitchingModel = false;

  // The caption with the read-only note when it applies.
  void ApplyCaption();

  // The "Standard" and "Advanced" speed bars under their tab set.
  QFrame* Panel3 = nullptr;
  QFrame* Panel4 = nullptr;
  QTabBar* TabSet1 = nullptr;
  QToolButton *B_Search = nullptr, *B_Options = nullptr, *B_Print = nullptr, *B_New = nullptr,
              *B_Load = nullptr, *B_About = nullptr, *B_Help = nullptr, *B_Exit = nullptr;
  QToolButton *B_Export = nullptr, *B_Import = nullptr, *B_Password = nullptr,
              *B_Maintenance = nullptr, *B_Filter = nullptr, *B_Sort = nullptr,
              *B_Summary = nullptr;

  // The form popup (right click on the form, F2) with its check items.
  QMenu* PopupMenu2 = nullptr;
  QAction *OneLevel1 = nullptr, *TwoLevel1 = nullptr;
  std::array<QAction*, 3> MenusItems{};
  std::array<QAction*, 2> SpeedBarItems{};
  std::array<QAction*, 2> LetterTabItems{};
  std::array<QAction*, 2> LetterPlaceItems{};
  std::array<QAction*, 2> HintItems{};
  std::array<QAction*, 2> DeleteModeItems{};
  // Ticks the items of the current settings, as the popup opens.
  void PopupMenu2Popup();
  void SetMenusAndSpeedBars(int value);

  // What the speed bar buttons do in each view.
  virtual void B_NewClick() {}
  virtual void B_AboutClick() {}
  virtual void B_SortClick() {}
  virtual void B_SearchClick() {}

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

  // Saves what the view owns (sort state, column header, filter) before the
  // options files are written.
  virtual void SaveViewState() {}

  // Builds both speed bars and the tab set on `parent`; the buttons are
  // `standardWidth` and `advancedWidth` wide. Dialogs that have not come
  // yet leave their buttons off.
  void BuildSpeedBars(QWidget* parent, int barHeight, int standardWidth, int advancedWidth);
  void TabSet1Click(int index);

  // Builds PopupMenu2; the view answers through the hooks below.
  void BuildFormMenu();
  // The book model this view shows (0 one level, 1 two levels), and the
  // switch to the other one.
  virtual int ViewBookModel() const = 0;
  virtual void SwitchBookModel() {}
  virtual void ApplyLayout() {}
  // Letter tabs enabled (0) or disabled (1) from the popup.
  virtual void SetLetterTabs(int value) { (void)value; }
  bool HintsOn() const { return hintsOn_; }
  void SetHintsOn(bool on) { hintsOn_ = on; }

 private:
  bool hintsOn_ = true;
};

// Sort state, header and filter, then both options files.
void SaveSessionState();

// AppTitle + " - Database: " (cut to 53 characters) + the name of the
// catalogue's current entry, with the read-only note when it applies.
QString DatabaseCaption(const TDbTable& catalogue);
// The sort file and the column header of HomeDir, as a view closes.
void SaveSortAndHeader(TOrvantaHeader& header);

// The view of BookModel 1 (table of contents) or 0 (combined).
TMainView* CreateMainView(int bookModel, QWidget* owner);
