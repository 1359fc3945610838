#pragma once

// Changing a password: the old one, the new one twice, then the messages.
// The password dialog is reached through an asker, so the steps are tested
// without windows. Widget-free.

#include <QString>
#include <functional>
#include <optional>

namespace users {

inline const QString kOldPasswordLabel = QStringLiteral("Enter Your Old Password:");
inline const QString kNewPasswordLabel = QStringLiteral("Enter New Password:");
inline const QString kReenterPasswordLabel = QStringLiteral("Reenter New Password:");

// Shows the password dialog with a label; nothing when it is cancelled.
using PasswordAsker = std::function<std::optional<QString>(const QString& label)>;

// Asks for the old password (when there is one) and the new one twice; on
// success `password` holds the new one. May switch the password system on for
// the next start.
bool changePassword(QString& password, const PasswordAsker& ask);

// The views' "Password" command: the supervisor's password, or the logged-in
// account's, saved to users.lst at once.
void changeMyPassword(const PasswordAsker& ask);

}  // namespace users
