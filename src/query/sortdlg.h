#pragma once

#include <QDialog>

#include "sortchoice.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

// "Sort Options": edits the sort state; the caller applies it on OK.
class TSortDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 22;
  explicit TSortDlg(QWidget* parent = nullptr);

  QGroupBox* Order_GB;
  QGroupBox* Order2_GB;
  QRadioButton* Ascending1;
  QRadioButton* Descending1;
  QRadioButton* Ascending2;
  QRadioButton* Descending2;
  QComboBox* Sort_CB;
  QComboBox* Sort2_CB;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QPushButton* HelpBtn;

  // Writes the choice into SortState and closes with OK.
  void OKBtnClick();
  const TSortChoice& Choice() const { return choice_; }

 private:
  void FormCreate();
  void Show();  // the controls follow the choice
  void Sort_CBChange(int position);
  void Sort2_CBChange(int position);
  void Order_GBClick();
  void Order2_GBClick();

  TSortChoice choice_;
  bool updating_ = false;
};
