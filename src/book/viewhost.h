#pragma once

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <functional>

class BookView;

// The hidden owner window of the run: it ends the run when it closes.
//
// It owns the main view and knows how to make the view of each book model.
class ViewHost : public QDialog {
  Q_OBJECT

 public:
  explicit ViewHost(QWidget* parent = nullptr);
  ~ViewHost() override;

  // Clears the current view and ends the run: boxes and dialogs still open
  // are answered with their cancel, and a message loop that has not started
  // yet is not entered (runEnded()).
  void shutdown();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void formCreate();
  QObject* hintFilter_ = nullptr;
};

// Makes the main view of one book model; the program registers both at start.
using MainViewMaker = std::function<BookView*(QWidget* owner)>;
void registerMainView(int bookModel, MainViewMaker make);
// The view of BookModel 1 (table of contents) or any other (combined), made
// current; nullptr when that model was not registered.
BookView* createMainView(int bookModel, QWidget* owner);

// Moves a top-level window so that its frame starts at `framePos`, or as
// near as lets the whole frame lie on the available screen. Before a window
// manager has framed the window its frame is not known: `framed`, a window
// already shown, lends its frame's size beyond its client area. The position
// given is the frame's, so a title bar added later never goes above the top.
void placeOnScreen(QWidget* window, QPoint framePos, const QWidget* framed);

// The shown main view, or nullptr.
BookView* currentView();
void setCurrentView(BookView* view);
ViewHost* mainDlg();
// The main dialog has closed: the run is over, whether or not its message
// loop was running then.
bool runEnded();
// Answers every open modal dialog and box with its cancel.
void rejectModalDialogs();
