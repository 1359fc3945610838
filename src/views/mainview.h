#pragma once

#include <QMainWindow>

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

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

  // Saves what the view owns (sort state, column header, filter) before the
  // options files are written.
  virtual void SaveViewState() {}
};

// Sort state, header and filter, then both options files.
void SaveSessionState();

// The view of BookModel 1 (table of contents) or 0 (combined).
TMainView* CreateMainView(int bookModel, QWidget* owner);
