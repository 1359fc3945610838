#pragma once

#include <QDialog>

#include "query/sort/sortchoice.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

// "Sort Options": edits the sort state; the caller applies it on OK.
class SortDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 22;
  explicit SortDialog(QWidget* parent = nullptr);

  QGroupBox* Order_GB;
  QGroupBox* Order2_GB;
  QRadioButton* ascending1;
  QRadioButton* descending1;
  QRadioButton* ascending2;
  QRadioButton* descending2;
  QComboBox* Sort_CB;
  QComboBox* Sort2_CB;
  QPushButton* okBtn;
  QPushButton* cancelBtn;
  QPushButton* helpBtn;

  // Writes the choice into SortState and closes with OK.
  void okBtnClick();
  const SortChoice& choice() const { return choice_; }

 private:
  void formCreate();
  void showChoice();  // the controls follow the choice
  void Sort_CBChange(int position);
  void Sort2_CBChange(int position);
  void Order_GBClick();
  void Order2_GBClick();

  SortChoice choice_;
  bool updating_ = false;
};
