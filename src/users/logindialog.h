#pragma once

#include <QDialog>

#include "users/logincheck.h"

class QLabel;
class QLineEdit;
class QPushButton;

// "Login" at start-up, and "Security Check" before a destructive function:
// the user ID (hidden in a 1-user system, where it is the supervisor's) and
// the password (hidden while none is required). One try: OK ends the dialog
// accepted, rejected, or with kDisabledResult for an inactive account, and
// never says whether the ID or the password was wrong.
class LoginDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Purpose { Login, SecurityCheck };
  static constexpr int kDisabledResult = 2;

  explicit LoginDialog(Purpose purpose, QWidget* parent = nullptr);

  QLabel* userIdLabel;
  QLineEdit* userIdEdit;
  QLabel* passwordLabel;
  QLineEdit* passwordEdit;
  QPushButton* okButton;
  QPushButton* cancelButton;

  // What the last OK decided; nothing is applied to the settings here.
  const users::LoginOutcome& outcome() const { return outcome_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void onOkClicked();

 private:
  users::LoginOutcome outcome_;
};

// Shows typed characters as "*".
void showAsStars(QLineEdit* edit);

// The start-up gate: the login dialog, then the settings of the account.
void installLoginGate();

// Asks for the password again when the password system is active; true when
// the typed account is accepted as at login. Who is logged in, his rights and
// the open database stay as they are.
bool securityCheck(QWidget* parent = nullptr);
