#pragma once

#include <QDialog>

#include "users/useraccounts.h"

class QListWidget;
class QPushButton;

// "User Accounts": the supervisor's list of accounts. It works on the list
// read when it opened and writes users.lst whenever it closes.
class UserListDialog : public QDialog {
  Q_OBJECT

 public:
  explicit UserListDialog(users::UserList accounts, QWidget* parent = nullptr);

  QListWidget* userList;  // line i is account i
  QPushButton* editButton;
  QPushButton* newButton;
  QPushButton* deleteButton;
  QPushButton* closeButton;
  QPushButton* helpButton;

  const users::UserList& accounts() const { return accounts_; }

  void done(int result) override;

 private slots:
  void onEditClicked();
  void onNewClicked();
  void onDeleteClicked();

 private:
  // A user ID another account has: logging in would find that one.
  QString refuseTakenId(const users::UserRec& typed, int self) const;

  users::UserList accounts_;
  bool saved_ = false;
};

// The options dialog's "User Accounts" button: reads users.lst and opens the
// list. A file that cannot be read is reported and not opened, so it is never
// written over with an empty list.
void showUserAccounts(QWidget* parent);
