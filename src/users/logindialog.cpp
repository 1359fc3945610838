#include "users/logindialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "core/prompt.h"
#include "core/settings.h"
#include "ui/qtprompter.h"

namespace {

class StarStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

}  // namespace

void showAsStars(QLineEdit* edit) {
  auto* style = new StarStyle;
  style->setParent(edit);  // the edit does not own a style it is given
  edit->setStyle(style);
  edit->setEchoMode(QLineEdit::Password);
}

LoginDialog::LoginDialog(Purpose purpose, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("LoginDialog"));
  setWindowTitle(purpose == Purpose::Login ? QStringLiteral("Login")
                                           : QStringLiteral("Security Check"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);

  userIdLabel = new QLabel(QStringLiteral("User ID:"), this);
  userIdEdit = new QLineEdit(this);
  userIdEdit->setMaxLength(users::kUserIdLength);
  passwordLabel = new QLabel(QStringLiteral("Password:"), this);
  passwordEdit = new QLineEdit(this);
  // A password changed in the password dialog may be 20 long: it must be typeable here.
  passwordEdit->setMaxLength(users::kNewPasswordLength);
  showAsStars(passwordEdit);
  userIdLabel->setBuddy(userIdEdit);
  passwordLabel->setBuddy(passwordEdit);
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  okButton->setDefault(true);
  const std::pair<QWidget*, const char*> names[] = {
      {userIdLabel, "userIdLabel"},   {userIdEdit, "userIdEdit"}, {passwordLabel, "passwordLabel"},
      {passwordEdit, "passwordEdit"}, {okButton, "okButton"},     {cancelButton, "cancelButton"}};
  for (const auto& [control, name] : names) control->setObjectName(QLatin1String(name));

  auto* fields = new QGridLayout;
  fields->addWidget(userIdLabel, 0, 0);
  fields->addWidget(userIdEdit, 0, 1);
  fields->addWidget(passwordLabel, 1, 0);
  fields->addWidget(passwordEdit, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* box = new QVBoxLayout(this);
  box->addLayout(fields);
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  const AppSettings& s = appSettings();
  if (s.usersCount == 0) {
    userIdEdit->setText(AppSettings::supervisorName);
    userIdEdit->hide();
    userIdLabel->hide();
  } else if (s.passwordMode == 1) {
    passwordEdit->hide();
    passwordLabel->hide();
  }
  connect(okButton, &QPushButton::clicked, this, &LoginDialog::onOkClicked);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void LoginDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  (userIdEdit->isHidden() ? passwordEdit : userIdEdit)->setFocus();
}

void LoginDialog::onOkClicked() {
  const AppSettings& s = appSettings();
  // A password the mode does not ask for is never compared.
  const QString password = passwordEdit->isHidden() ? QString() : passwordEdit->text();
  outcome_ = users::checkLogin({userIdEdit->text(), password}, s);
  if (outcome_.usersFile.state == users::LoadState::Damaged)
    showMessage(MsgKind::Warning, users::damagedFileMessage(outcome_.usersFile));
  switch (outcome_.result) {
    case LoginResult::Passed:
      accept();
      break;
    case LoginResult::AccountDisabled:
      done(kDisabledResult);
      break;
    case LoginResult::Failed:
      reject();
      break;
  }
}

void installLoginGate() {
  setLoginGate([] {
    LoginDialog dlg(LoginDialog::Purpose::Login);
    const int result = dlg.exec();
    if (result == LoginDialog::kDisabledResult) return LoginResult::AccountDisabled;
    if (result != QDialog::Accepted) return LoginResult::Failed;
    const users::LoginOutcome& outcome = dlg.outcome();
    users::applyLogin(outcome, appSettings());
    // An account made outside the account dialog (or whose folder was
    // removed) still gets its home directory, as a new account does.
    if (!outcome.isSupervisor) users::createAccountDirectories(outcome.dataDir);
    return LoginResult::Passed;
  });
}

bool securityCheck(QWidget* parent) {
  if (!users::securityCheckNeeded(appSettings())) return true;
  if (shuttingDown()) return false;
  LoginDialog dlg(LoginDialog::Purpose::SecurityCheck, parent);
  return dlg.exec() == QDialog::Accepted;
}
