#pragma once

#include <QMainWindow>
#include <array>

class QAction;
class QFrame;
class QMenu;
class DbTable;
class ColumnHeader;
class QTabBar;
class QToolButton;

// Base of the two main views (table of contents, combined view): the window
// whose closing ends the run with everything saved.
class BookView : public QMainWindow {
  Q_OBJECT

 public:
  explicit BookView(QWidget* parent = nullptr);

  // Set while the view is replaced by the other book model: closing then
  // saves nothing and keeps the run going.
  bool switchingModel = false;

  // The caption with the read-only note when it applies.
  void applyCaption();

  // The "Standard" and "Advanced" speed bars under their tab set.
  QFrame* standardBar = nullptr;
  QFrame* advancedBar = nullptr;
  QTabBar* speedBarTabs = nullptr;
  QToolButton *searchButton = nullptr, *optionsButton = nullptr, *printButton = nullptr, *newButton = nullptr,
              *loadButton = nullptr, *aboutButton = nullptr, *helpButton = nullptr, *exitButton = nullptr;
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

  // What the speed bar buttons do in each view.
  virtual void onNewClicked() {}
  virtual void onAboutClicked() {}
  virtual void onSortClicked() {}
  virtual void onSearchClicked() {}

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

  // Saves what the view owns (sort state, column header, filter) before the
  // options files are written.
  virtual void saveViewState() {}

  // Builds both speed bars and the tab set on `parent`; the buttons are
  // `standardWidth` and `advancedWidth` wide. Dialogs that have not come
  // yet leave their buttons off.
  void buildSpeedBars(QWidget* parent, int barHeight, int standardWidth, int advancedWidth);
  void onSpeedBarTabClicked(int index);

  // Builds PopupMenu2; the view answers through the hooks below.
  void buildFormMenu();
  // The book model this view shows (0 one level, 1 two levels), and the
  // switch to the other one.
  virtual int viewBookModel() const = 0;
  virtual void switchBookModel() {}
  virtual void applyLayout() {}
  // Letter tabs enabled (0) or disabled (1) from the popup.
  virtual void setLetterTabs(int value) { (void)value; }
  bool hintsOn() const { return hintsOn_; }
  void setHintsOn(bool on) { hintsOn_ = on; }

 private:
  bool hintsOn_ = true;
};

// Sort state, header and filter, then both options files.
void saveSessionState();

// AppTitle + " - Database: " (cut to 53 characters) + the name of the
// catalogue's current entry, with the read-only note when it applies.
QString databaseCaption(const DbTable& catalogue);
// The sort file and the column header of HomeDir, as a view closes.
void saveSortAndHeader(ColumnHeader& header);

// The view of BookModel 1 (table of contents) or 0 (combined).
BookView* createMainView(int bookModel, QWidget* owner);
