#pragma once

#include <QDialog>

#include "query/sort/sortchoice.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

// The sort window: picks the listing's first and second sort fields and
// their directions. Captioned "Sort Options"; the caller applies it on OK.
class SortDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 22;
  explicit SortDialog(QWidget* parent = nullptr);

  // Controls, reached by the tests as a user would.
  QGroupBox* firstOrderGroup;
  QGroupBox* secondOrderGroup;
  QRadioButton* firstAscendingRadio;
  QRadioButton* firstDescendingRadio;
  QRadioButton* secondAscendingRadio;
  QRadioButton* secondDescendingRadio;
  QComboBox* firstFieldCombo;
  QComboBox* secondFieldCombo;
  QPushButton* okButton;
  QPushButton* cancelButton;
  QPushButton* helpButton;

  const SortChoice& choice() const { return choice_; }

 private slots:
  // Writes the choice into SortState and closes with OK.
  void onOkClicked();
  void onFirstFieldChanged(int position);
  void onSecondFieldChanged(int position);
  void onFirstOrderToggled();
  void onSecondOrderToggled();

 private:
  void loadChoice();
  void showChoice();  // the controls follow the choice

  SortChoice choice_;
  bool updating_ = false;
};
