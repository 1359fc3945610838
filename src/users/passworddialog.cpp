#include "users/passworddialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "core/prompt.h"
#include "ui/qtprompter.h"
#include "users/logindialog.h"
#include "users/passwords.h"

namespace {
constexpr int kHelpTopic = 27;
}

PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PasswordDialog"));
  setWindowTitle(QStringLiteral("Password Dialog"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  promptLabel = new QLabel(users::kNewPasswordLabel, this);
  passwordEdit = new QLineEdit(this);
  showAsStars(passwordEdit);
  promptLabel->setBuddy(passwordEdit);
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  helpButton = new QPushButton(QStringLiteral("&Help"), this);
  okButton->setDefault(true);
  const std::pair<QWidget*, const char*> names[] = {{promptLabel, "promptLabel"},
                                                    {passwordEdit, "passwordEdit"},
                                                    {okButton, "okButton"},
                                                    {cancelButton, "cancelButton"},
                                                    {helpButton, "helpButton"}};
  for (const auto& [control, name] : names) control->setObjectName(QLatin1String(name));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  buttons->addWidget(helpButton);
  auto* box = new QVBoxLayout(this);
  box->addWidget(promptLabel);
  box->addWidget(passwordEdit);
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(helpButton, &QPushButton::clicked, this, [] { showHelpTopic(kHelpTopic); });
  passwordEdit->setFocus();
}

std::optional<QString> PasswordDialog::ask(const QString& label, QWidget* parent) {
  if (shuttingDown()) return std::nullopt;
  PasswordDialog dlg(parent);
  dlg.promptLabel->setText(label);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.passwordEdit->text();
}

void changeMyPasswordCommand(QWidget* parent) {
  users::changeMyPassword(
      [parent](const QString& label) { return PasswordDialog::ask(label, parent); });
}
