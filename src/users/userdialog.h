#pragma once

#include <QDialog>
#include <functional>

#include "users/useraccounts.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "User Account": one account's name, ID, password, data directory (shown
// only), rights on public files and status. OK stays open while the name or
// the ID is empty, or while `refuse` has an objection.
class UserDialog : public QDialog {
  Q_OBJECT

 public:
  explicit UserDialog(QWidget* parent = nullptr);

  QLineEdit* nameEdit;
  QLineEdit* userIdEdit;
  QLineEdit* passwordEdit;
  QLabel* dataDirLabel;
  QLineEdit* dataDirEdit;
  QGroupBox* accessGroup;  // "Read and Write", "Read Only", "None"
  QGroupBox* statusGroup;  // "Active", "Not Active"
  QButtonGroup* accessButtons;
  QButtonGroup* statusButtons;
  QPushButton* okButton;
  QPushButton* cancelButton;
  QPushButton* helpButton;

  // The message that keeps the dialog open, or empty.
  std::function<QString(const users::UserRec&)> refuse;

  // Fills the controls; a new account hides its data directory.
  void reset(const users::UserRec& account, bool isNew);
  // The controls' values over `account` (its number and directory stay).
  users::UserRec apply(users::UserRec account) const;

 private slots:
  void onOkClicked();
};
