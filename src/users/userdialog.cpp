#include "users/userdialog.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "core/filetext.h"
#include "core/prompt.h"
#include "ui/qtprompter.h"

namespace {

constexpr int kHelpTopic = 111;

QGroupBox* radioGroup(QWidget* parent, const QString& title, const char* name,
                      std::initializer_list<const char*> items, QButtonGroup*& buttons) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(QLatin1String(name));
  buttons = new QButtonGroup(box);
  auto* column = new QVBoxLayout(box);
  int id = 0;
  for (const char* item : items) {
    auto* radio = new QRadioButton(QString::fromLatin1(item), box);
    buttons->addButton(radio, id++);
    column->addWidget(radio);
  }
  return box;
}

}  // namespace

UserDialog::UserDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("UserDialog"));
  setWindowTitle(QStringLiteral("User Account"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  nameEdit = new QLineEdit(this);
  nameEdit->setMaxLength(users::kNameLength);
  userIdEdit = new QLineEdit(this);
  userIdEdit->setMaxLength(users::kUserIdLength);
  passwordEdit = new QLineEdit(this);
  // Typed here 10 long; one changed in the password dialog is shown and kept whole.
  passwordEdit->setMaxLength(users::kPasswordLength);
  dataDirEdit = new QLineEdit(this);
  dataDirEdit->setReadOnly(true);
  dataDirLabel = new QLabel(QStringLiteral("Data Directory:"), this);
  dataDirLabel->setBuddy(dataDirEdit);
  accessGroup = radioGroup(this, QStringLiteral("Public Files Access Rights"), "accessGroup",
                           {"Read and Write", "Read Only", "None"}, accessButtons);
  statusGroup = radioGroup(this, QStringLiteral("Current Status"), "statusGroup",
                           {"Active", "Not Active"}, statusButtons);
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  helpButton = new QPushButton(QStringLiteral("&Help"), this);
  okButton->setDefault(true);
  const std::pair<QWidget*, const char*> names[] = {
      {nameEdit, "nameEdit"},         {userIdEdit, "userIdEdit"},
      {passwordEdit, "passwordEdit"}, {dataDirEdit, "dataDirEdit"},
      {dataDirLabel, "dataDirLabel"}, {okButton, "okButton"},
      {cancelButton, "cancelButton"}, {helpButton, "helpButton"}};
  for (const auto& [control, name] : names) control->setObjectName(QLatin1String(name));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Name:"), nameEdit);
  form->addRow(QStringLiteral("User ID:"), userIdEdit);
  form->addRow(QStringLiteral("Password:"), passwordEdit);
  form->addRow(dataDirLabel, dataDirEdit);
  auto* groups = new QHBoxLayout;
  groups->addWidget(accessGroup);
  groups->addWidget(statusGroup);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  buttons->addWidget(helpButton);
  auto* box = new QVBoxLayout(this);
  box->addLayout(form);
  box->addLayout(groups);
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  connect(okButton, &QPushButton::clicked, this, &UserDialog::onOkClicked);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(helpButton, &QPushButton::clicked, this, [] { showHelpTopic(kHelpTopic); });
  reset({}, true);
}

void UserDialog::reset(const users::UserRec& account, bool isNew) {
  nameEdit->setText(account.name);
  userIdEdit->setText(account.userId);
  passwordEdit->setMaxLength(std::max<int>(users::kPasswordLength, account.password.size()));
  passwordEdit->setText(account.password);
  dataDirEdit->setText(account.dataDir);
  dataDirEdit->setVisible(!isNew);
  dataDirLabel->setVisible(!isNew);
  // A stored byte outside the groups selects nothing rather than a wrong item.
  if (auto* b = accessButtons->button(account.access)) b->setChecked(true);
  if (auto* b = statusButtons->button(account.status)) b->setChecked(true);
  nameEdit->setFocus();
}

users::UserRec UserDialog::apply(users::UserRec account) const {
  account.name = nameEdit->text();
  account.userId = userIdEdit->text();
  account.password = passwordEdit->text();
  if (accessButtons->checkedId() >= 0)
    account.access = static_cast<uint8_t>(accessButtons->checkedId());
  if (statusButtons->checkedId() >= 0)
    account.status = static_cast<uint8_t>(statusButtons->checkedId());
  return account;
}

void UserDialog::onOkClicked() {
  if (nameEdit->text().isEmpty() || userIdEdit->text().isEmpty()) return;
  // users.lst holds one byte per character: other characters would come
  // back changed, and the ID or password would never match again.
  QString objection =
      unstorableTextMessage(nameEdit->text() + userIdEdit->text() + passwordEdit->text());
  if (objection.isEmpty() && refuse) objection = refuse(apply({}));
  if (!objection.isEmpty()) {
    showMessage(MsgKind::Warning, objection);
    return;
  }
  accept();
}
