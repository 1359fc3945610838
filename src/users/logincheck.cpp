#include "users/logincheck.h"

#include <QDir>
#include <QFileInfo>

#include "core/settings.h"

namespace users {

namespace {

// A folder an account may own: a plain name below the data root, never the
// public data directory.
bool isAccountDirName(const QString& name) {
  return isPlainFileName(name) && name.compare(AppSettings::dataSubdir, Qt::CaseInsensitive) != 0;
}

}  // namespace

LoginOutcome checkLogin(const LoginTyped& typed, const AppSettings& settings,
                        const UsersLoader& load) {
  LoginOutcome out;
  out.result = LoginResult::Passed;
  out.databaseDir = joinPath(settings.dataRootDir, AppSettings::dataSubdir);
  out.accessRights = 1;
  if (typed.userId == AppSettings::supervisorName) {
    if (settings.passwordMode == 0 && typed.password != settings.supervisorPassword)
      out.result = LoginResult::Failed;
    else
      out.isSupervisor = true;
    return out;
  }
  UserList list;
  out.usersFile = load(list);
  const int index = findUserById(list, typed.userId);
  if (index < 0) {
    out.result = LoginResult::Failed;
    return out;
  }
  const UserRec& u = list[static_cast<size_t>(index)];
  if (settings.passwordMode == 0 && typed.password != u.password) {
    out.result = LoginResult::Failed;
    return out;
  }
  out.userId = u.userId;
  // A folder the file names must be the account's own below the data root:
  // one that is not is taken from the account's number instead.
  out.dataDir = isAccountDirName(u.dataDir) ? u.dataDir : dataDirName(u.number);
  out.databaseDir = joinPath(settings.dataRootDir, out.dataDir);
  out.accessRights =
      settings.publicAccess != 0 ? settings.publicAccess : static_cast<uint16_t>(u.access + 1);
  if (u.status == static_cast<uint8_t>(AccountStatus::NotActive))
    out.result = LoginResult::AccountDisabled;
  return out;
}

void applyLogin(const LoginOutcome& outcome, AppSettings& settings) {
  settings.isSupervisor = outcome.isSupervisor;
  if (!outcome.isSupervisor) settings.userId = outcome.userId;
  settings.databaseDir = outcome.databaseDir;
  settings.accessRights = outcome.accessRights;
}

bool securityCheckNeeded(const AppSettings& settings) {
  return settings.passwordMode == 0 && !settings.supervisorPassword.isEmpty();
}

bool createAccountDirectories(const QString& dataDir) {
  if (!isAccountDirName(dataDir)) return false;
  const AppSettings& s = appSettings();
  const QString dir = joinPath(s.dataRootDir, dataDir);
  const QString backup = joinPath(dir, QStringLiteral("BACKUP"));
  QDir().mkdir(dir);
  QDir().mkdir(backup);
  return QFileInfo(dir).isDir() && QFileInfo(backup).isDir();
}

void removeAccountData(const QString& dataDir) {
  // Only a name of our own making below the data root: never a path read
  // from a file that could point anywhere else.
  if (!isAccountDirName(dataDir)) return;
  const QString dir = joinPath(appSettings().dataRootDir, dataDir);
  const QString backup = joinPath(dir, QStringLiteral("BACKUP"));
  for (const QString& d : {backup, dir}) {
    QDir folder(d);
    for (const QString& f : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
      folder.remove(f);
  }
  QDir().rmdir(backup);
  QDir().rmdir(dir);
}

}  // namespace users

bool isSupervisor() { return appSettings().isSupervisor; }

int accessRights() { return appSettings().accessRights; }

bool mayOpenPublicDatabases() { return isSupervisor() || accessRights() != 3; }

bool mayMaintainDatabase() {
  // A table opened read-only because it is damaged is what Repair is for:
  // only the user's rights keep maintenance away.
  return isSupervisor() || !isPublicDataDir(appSettings().databaseDir);
}
