#include "users/userlistdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "core/prompt.h"
#include "ui/qtprompter.h"
#include "users/logincheck.h"
#include "users/userdialog.h"

namespace {
constexpr int kHelpTopic = 110;
}

UserListDialog::UserListDialog(users::UserList accounts, QWidget* parent)
    : QDialog(parent), accounts_(std::move(accounts)) {
  setObjectName(QStringLiteral("UserListDialog"));
  setWindowTitle(QStringLiteral("User Accounts"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  auto* listLabel = new QLabel(QStringLiteral("User List:"), this);
  userList = new QListWidget(this);
  listLabel->setBuddy(userList);
  editButton = new QPushButton(QStringLiteral("&Edit"), this);
  newButton = new QPushButton(QStringLiteral("&New"), this);
  deleteButton = new QPushButton(QStringLiteral("&Delete"), this);
  closeButton = new QPushButton(QStringLiteral("&Close"), this);
  helpButton = new QPushButton(QStringLiteral("&Help"), this);
  const std::pair<QWidget*, const char*> names[] = {
      {userList, "userList"},         {editButton, "editButton"},   {newButton, "newButton"},
      {deleteButton, "deleteButton"}, {closeButton, "closeButton"}, {helpButton, "helpButton"}};
  for (const auto& [control, name] : names) control->setObjectName(QLatin1String(name));
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {editButton, newButton, deleteButton, closeButton, helpButton})
    buttons->addWidget(b);
  buttons->addStretch();
  auto* list = new QVBoxLayout;
  list->addWidget(listLabel);
  list->addWidget(userList);
  auto* box = new QHBoxLayout(this);
  box->addLayout(list);
  box->addLayout(buttons);

  for (const users::UserRec& u : accounts_) userList->addItem(u.name);
  if (userList->count() > 0) userList->setCurrentRow(0);
  connect(editButton, &QPushButton::clicked, this, &UserListDialog::onEditClicked);
  connect(userList, &QListWidget::itemDoubleClicked, this, &UserListDialog::onEditClicked);
  connect(newButton, &QPushButton::clicked, this, &UserListDialog::onNewClicked);
  connect(deleteButton, &QPushButton::clicked, this, &UserListDialog::onDeleteClicked);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(helpButton, &QPushButton::clicked, this, [] { showHelpTopic(kHelpTopic); });
}

void UserListDialog::done(int result) {
  if (!saved_) {
    saved_ = true;
    if (!users::saveUsers(accounts_)) showMessage(MsgKind::Error, users::saveFailedMessage());
  }
  QDialog::done(result);
}

QString UserListDialog::refuseTakenId(const users::UserRec& typed, int self) const {
  for (size_t i = 0; i < accounts_.size(); ++i)
    if (static_cast<int>(i) != self && accounts_[i].userId == typed.userId)
      return QStringLiteral("The User ID \"%1\" is used by the account \"%2\" already!")
          .arg(typed.userId, accounts_[i].name);
  return {};
}

void UserListDialog::onEditClicked() {
  const int row = userList->currentRow();
  if (row < 0 || row >= static_cast<int>(accounts_.size())) return;
  UserDialog dlg(this);
  dlg.reset(accounts_[static_cast<size_t>(row)], false);
  dlg.refuse = [this, row](const users::UserRec& typed) { return refuseTakenId(typed, row); };
  if (dlg.exec() != QDialog::Accepted) return;
  users::UserRec& account = accounts_[static_cast<size_t>(row)];
  account = dlg.apply(account);
  userList->item(row)->setText(account.name);
}

void UserListDialog::onNewClicked() {
  UserDialog dlg(this);
  dlg.refuse = [this](const users::UserRec& typed) { return refuseTakenId(typed, -1); };
  if (dlg.exec() != QDialog::Accepted) return;
  const users::UserRec typed = dlg.apply({});
  switch (users::addUser(accounts_, typed.name, typed.userId, typed.access, typed.status,
                         typed.password)) {
    case users::AddResult::NameTaken:
      return;
    case users::AddResult::NoFreeNumber:
      showMessage(MsgKind::Warning,
                  QStringLiteral("All %1 account numbers are in use - no account was added.")
                      .arg(users::kMaxNumber));
      return;
    case users::AddResult::Added:
      break;
  }
  userList->addItem(typed.name);
  if (!users::createAccountDirectories(accounts_.back().dataDir))
    showMessage(MsgKind::Warning, QStringLiteral("Could not create data directory!"));
}

void UserListDialog::onDeleteClicked() {
  const int row = userList->currentRow();
  if (row < 0 || row >= static_cast<int>(accounts_.size())) return;
  if (!askYesNo(MsgKind::Confirmation, QStringLiteral("Delete Selected User and his Data?")))
    return;
  const auto typed = prompter().input(QStringLiteral("Confirm User Deletion"),
                                      QStringLiteral("Type in YES:"), QString(), false);
  if (!typed || *typed != QLatin1String("YES")) return;
  const QString dataDir = accounts_[static_cast<size_t>(row)].dataDir;
  delete userList->takeItem(row);
  users::deleteUser(accounts_, row);
  users::removeAccountData(dataDir);
}

void showUserAccounts(QWidget* parent) {
  users::UserList accounts;
  const users::LoadResult loaded = users::loadUsers(accounts);
  if (loaded.state == users::LoadState::Damaged) {
    showMessage(MsgKind::Warning, users::damagedFileMessage(loaded));
    return;
  }
  UserListDialog dlg(std::move(accounts), parent);
  dlg.exec();
}
