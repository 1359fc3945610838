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

// "Search": the modeless, stay-on-top search window over the listing of the
// view that opened it. One at a time; it frees itself when closed.
class FindDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 21;
  static constexpr int kMaxTextLength = 128;

  // The open window brought to the front, or a new one for `view` over
  // `table`, placed beside the view and shown with the view's hooks.
  static FindDialog* openFor(QWidget* view, DbTable& table, const FindHooks& hooks);
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

  // Components.
  QComboBox* comboBox1 = nullptr;  // fields to be searched
  QCheckBox* checkBox1 = nullptr;  // don't search multiline fields
  QCheckBox* checkBox2 = nullptr;  // non-stop search mode
  QGroupBox* radioGroup1 = nullptr;
  QRadioButton* radioBeginning = nullptr;
  QRadioButton* radioEnd = nullptr;
  QComboBox* edit1 = nullptr;      // text to search for
  QLabel* label4 = nullptr;        // record counter
  QLabel* label5 = nullptr;        // letter
  QPushButton* bitBtn1 = nullptr;  // Find
  QPushButton* bitBtn2 = nullptr;  // Find Next
  QPushButton* bitBtn3 = nullptr;  // Find Previous
  QPushButton* bitBtn4 = nullptr;  // Stop
  QPushButton* okBtn = nullptr;    // Close
  QPushButton* bitBtn5 = nullptr;  // Help

  // Handlers.
  void bitBtn1Click();
  void bitBtn2Click();
  void bitBtn3Click();
  void bitBtn4Click();
  void comboBox1Change(int index);
  void checkBox2Click(bool checked);
  void edit1Change();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  FindDialog(QWidget* view, DbTable& table);
  void build();
  void formCreate();
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
