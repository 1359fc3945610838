#pragma once

// What a login decides, apart from its dialog: who is logged in, where he
// works and what he may do with the public databases. Widget-free.

#include <QString>
#include <cstdint>
#include <functional>

#include "core/startup.h"
#include "users/useraccounts.h"

struct AppSettings;

namespace users {

struct LoginTyped {
  QString userId;
  QString password;
};

// The identity a login gives.
struct LoginOutcome {
  LoginResult result = LoginResult::Failed;
  bool isSupervisor = false;
  QString userId;       // empty for the supervisor
  QString databaseDir;  // the public directory, or the account's own
  QString dataDir;      // the account's directory name below DataRootDir
  uint16_t accessRights = 1;
  // users.lst could not be read when a user's ID was looked up.
  LoadResult usersFile;
};

// The login dialog's OK: checks the typed ID and password against the
// supervisor and the accounts (read through `load` only when the ID is not
// the supervisor's). Exact comparisons.
using UsersLoader = std::function<LoadResult(UserList&)>;
LoginOutcome checkLogin(const LoginTyped& typed, const AppSettings& settings,
                        const UsersLoader& load = loadUsers);

// The settings take the identity of a login that passed.
void applyLogin(const LoginOutcome& outcome, AppSettings& settings);

// Whether the password is asked again before a destructive function.
bool securityCheckNeeded(const AppSettings& settings);

// The account's private data directory and its BACKUP below DataRootDir;
// false when either is missing afterwards.
bool createAccountDirectories(const QString& dataDir);
// Every file of the account's data directory and of its BACKUP, then both
// directories. Failures are ignored.
void removeAccountData(const QString& dataDir);

}  // namespace users

// Entry points for the windows.
bool isSupervisor();
// Effective rights on the public databases: 1 read and write, 2 read only, 3 none.
int accessRights();
// A public database may be opened (rights other than "None", or the supervisor).
bool mayOpenPublicDatabases();
// Maintenance of the current database: a public database only by the
// supervisor. A table read-only because it is damaged stays open to Repair.
bool mayMaintainDatabase();
