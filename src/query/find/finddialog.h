#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <memory>
#include <vector>

#include "query/find/findsearch.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class DbTable;

// The search window: finds text in the records of the view that opened it.
// Captioned "Search"; modeless and on top, one at a time, freed when closed.
class FindDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 21;
  static constexpr int kMaxTextLength = 128;

  // The open window brought to the front, or a new one for `view` over
  // `table`, placed beside the view (or the window `shownBeside` that stands
  // for it) and shown with the given hooks.
  static FindDialog* openFor(QWidget* view, DbTable& table, const FindHooks& hooks,
                             const QWidget* shownBeside = nullptr);
  // The open window, null when there is none.
  static FindDialog* instance();
  // The view goes away: a window it opened closes.
  static void viewClosing(const QWidget* view);

  ~FindDialog() override;

  // Another view takes over the search (its hooks from now on).
  void setHooks(const FindHooks& hooks);
  // The listing was sorted anew: the last match no longer has a position.
  void reset();
  // The view reports the letter tab it is on during a search (0 = none).
  void setCurrentLetter(char letter);
  bool nonStop() const;
  int foundCount() const { return search_->foundCount(); }
  FindSearch& search() { return *search_; }
  const QWidget* view() const { return view_; }

  // Where the window goes beside `view` on a screen of `screen`.
  static QPoint placement(const QRect& view, const QSize& window, const QRect& screen);

  // Controls, reached by the views' tests as a user would.
  QComboBox* fieldCombo = nullptr;
  QCheckBox* skipMemosCheck = nullptr;  // "Don't Search Multiline Fields"
  QCheckBox* nonStopCheck = nullptr;    // marks every match in one pass
  QGroupBox* directionGroup = nullptr;  // "Start From"
  QRadioButton* beginningRadio = nullptr;
  QRadioButton* endRadio = nullptr;
  QComboBox* textCombo = nullptr;  // the text, with the search history
  QLabel* counterLabel = nullptr;  // record number of the match
  QLabel* letterLabel = nullptr;   // letter tab of the match
  QPushButton* findButton = nullptr;
  QPushButton* findNextButton = nullptr;
  QPushButton* findPreviousButton = nullptr;
  QPushButton* stopButton = nullptr;
  QPushButton* closeButton = nullptr;
  QPushButton* helpButton = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private slots:
  void onFindClicked();
  void onFindNextClicked();
  void onFindPreviousClicked();
  void onStopClicked();
  void onFieldActivated(int index);
  void onNonStopClicked(bool checked);
  void onTextEdited();

 private:
  FindDialog(QWidget* view, DbTable& table);
  void build();
  void restoreChoices();
  void takeChoices();
  void stepSearch(bool forward, bool again);
  void markAll();
  void setBusy(bool busy);
  void pumpEvents();
  void showCounter();
  void clearCounter();
  // Closes the window when a close came during the search; true when it did.
  bool closePending();

  std::unique_ptr<FindSearch> search_;
  QPointer<QWidget> view_;
  std::vector<QWidget*> disabled_;  // controls a search switched off
  QElapsedTimer sincePump_;
  bool closePending_ = false;
};
