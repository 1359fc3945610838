#include "users/passwords.h"

#include "core/filetext.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "users/useraccounts.h"

namespace users {

namespace {

std::optional<QString> askCut(const PasswordAsker& ask, const QString& label) {
  auto typed = ask(label);
  if (typed) *typed = typed->left(kNewPasswordLength);
  return typed;
}

}  // namespace

bool changePassword(QString& password, const PasswordAsker& ask) {
  if (!password.isEmpty()) {
    const auto old = askCut(ask, kOldPasswordLabel);
    if (!old) return false;
    if (*old != password) {
      showMessage(MsgKind::Error, QStringLiteral("Wrong Password!"));
      return false;
    }
  }
  const auto first = askCut(ask, kNewPasswordLabel);
  if (!first) return false;
  const auto second = askCut(ask, kReenterPasswordLabel);
  if (!second) return false;
  if (*first != *second) {
    showMessage(MsgKind::Error, QStringLiteral("Reentered Password is different!"));
    return false;
  }
  // A character the files cannot hold would come back as another one, and
  // the password would never match again.
  if (const QString refusal = unstorableTextMessage(*first); !refusal.isEmpty()) {
    showMessage(MsgKind::Error, refusal);
    return false;
  }
  password = *first;
  showMessage(MsgKind::Information, QStringLiteral("New Password accepted!"));
  AppSettings& s = appSettings();
  if (s.passwordMode == 1 &&
      showMessage(MsgKind::Information,
                  QStringLiteral("Do you want to activate the Password System next time you "
                                 "start the program?"),
                  MsgButtons::YesNo) == MsgResult::Yes)
    s.passwordMode = 0;
  return true;
}

void changeMyPassword(const PasswordAsker& ask) {
  AppSettings& s = appSettings();
  if (s.isSupervisor) {
    changePassword(s.supervisorPassword, ask);
    return;
  }
  UserList list;
  const LoadResult loaded = loadUsers(list);
  if (loaded.state == LoadState::Damaged) {
    showMessage(MsgKind::Warning, damagedFileMessage(loaded));
    return;
  }
  const int index = findUserById(list, s.userId);
  if (index < 0) return;
  QString password = list[static_cast<size_t>(index)].password;
  if (!changePassword(password, ask)) return;
  list[static_cast<size_t>(index)].password = password;
  if (!saveUsers(list)) showMessage(MsgKind::Error, saveFailedMessage());
}

}  // namespace users
