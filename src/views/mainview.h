#pragma once

#include <QMainWindow>

class QFrame;
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
