#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// "Password Dialog": one password, shown as "*", under a label that says
// which one is asked for.
class PasswordDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PasswordDialog(QWidget* parent = nullptr);

  QLabel* promptLabel;  // "Enter New Password:" unless told otherwise
  QLineEdit* passwordEdit;
  QPushButton* okButton;
  QPushButton* cancelButton;
  QPushButton* helpButton;

  // Shows the dialog with `label`; nothing when it is cancelled.
  static std::optional<QString> ask(const QString& label, QWidget* parent = nullptr);
};

// The views' "Password" command.
void changeMyPasswordCommand(QWidget* parent);
