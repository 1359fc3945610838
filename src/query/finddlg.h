#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <memory>
#include <vector>

#include "findsearch.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TDbTable;

// "Search": the modeless, stay-on-top search window over the listing of the
// view that opened it. One at a time; it frees itself when closed.
class TFindDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 21;
  static constexpr int kMaxTextLength = 128;

  // The open window brought to the front, or a new one for `view` over
  // `table`, placed beside the view and shown with the view's hooks.
  static TFindDlg* Open(QWidget* view, TDbTable& table, const TFindHooks& hooks);
  // The open window, null when there is none.
  static TFindDlg* Instance();
  // The view goes away: a window it opened closes.
  static void ViewClosing(const QWidget* view);

  ~TFindDlg() override;

  // Another view takes over the search (its hooks from now on).
  void SetHooks(const TFindHooks& hooks);
  // The listing was sorted anew: the last match no longer has a position.
  void Reset();
  // The view reports the letter tab it is on during a search (0 = none).
  void SetCurrentLetter(char letter);
  bool NonStop() const;
  int FoundCount() const { return search_->FoundCount(); }
  TFindSearch& Search() { return *search_; }
  const QWidget* View() const { return view_; }

  // Where the window goes beside `view` on a screen of `screen`.
  static QPoint Placement(const QRect& view, const QSize& window, const QRect& screen);

  // Components.
  QComboBox* ComboBox1 = nullptr;  // fields to be searched
  QCheckBox* CheckBox1 = nullptr;  // don't search multiline fields
  QCheckBox* CheckBox2 = nullptr;  // non-stop search mode
  QGroupBox* RadioGroup1 = nullptr;
  QRadioButton* RadioBeginning = nullptr;
  QRadioButton* RadioEnd = nullptr;
  QComboBox* Edit1 = nullptr;      // text to search for
  QLabel* Label4 = nullptr;        // record counter
  QLabel* Label5 = nullptr;        // letter
  QPushButton* BitBtn1 = nullptr;  // Find
  QPushButton* BitBtn2 = nullptr;  // Find Next
  QPushButton* BitBtn3 = nullptr;  // Find Previous
  QPushButton* BitBtn4 = nullptr;  // Stop
  QPushButton* OKBtn = nullptr;    // Close
  QPushButton* BitBtn5 = nullptr;  // Help

  // Handlers.
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void ComboBox1Change(int index);
  void CheckBox2Click(bool checked);
  void Edit1Change();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  TFindDlg(QWidget* view, TDbTable& table);
  void Build();
  void FormCreate();
  void TakeChoices();
  void StepSearch(bool forward, bool again);
  void MarkAll();
  void SetBusy(bool busy);
  void PumpEvents();
  void ShowCounter();
  void ClearCounter();
  // Closes the window when a close came during the search; true when it did.
  bool ClosePending();

  std::unique_ptr<TFindSearch> search_;
  QPointer<QWidget> view_;
  std::vector<QWidget*> disabled_;  // controls a search switched off
  QElapsedTimer sincePump_;
  bool closePending_ = false;
};
