#include "core/startup.h"

#include <QDir>

#include "core/labels.h"
#include "core/prompt.h"
#include "core/runobjects.h"
#include "core/settings.h"

const QString kDataDirWarning = QStringLiteral("Could not Create Data Directory!");

namespace {

LoginGate& installedGate() {
  static LoginGate gate;
  return gate;
}

}  // namespace

void setLoginGate(LoginGate gate) { installedGate() = std::move(gate); }

bool loginGateNeeded() {
  const AppSettings& s = appSettings();
  return s.usersCount == 1 || (s.passwordMode == 0 && !s.supervisorPassword.isEmpty());
}

LoginResult runLoginGate() {
  if (!loginGateNeeded() || !installedGate()) return LoginResult::Passed;
  return installedGate()();
}

QString loginFailureMessage(LoginResult result) {
  switch (result) {
    case LoginResult::AccountDisabled:
      return QStringLiteral(
          "Your acount has been disactivated! Please, contact the System Supervisor.");
    case LoginResult::Failed:
      return QStringLiteral("Incorrect Login!");
    case LoginResult::Passed:
      break;
  }
  return {};
}

void setProgramDir(const QString& dir) {
  AppSettings& s = appSettings();
  QString d = QDir::toNativeSeparators(QDir::cleanPath(dir));
  while (d.size() > 1 && d.endsWith(QDir::separator())) d.chop(1);
  s.programDir = d;
  s.dataRootDir = d;
  QDir::setCurrent(d);
}

void prepareDataDirectories() {
  const AppSettings& s = appSettings();
  const QString backup = joinPath(s.databaseDir, QStringLiteral("BACKUP"));
  const bool entered =
      QDir::setCurrent(s.databaseDir) && QDir::setCurrent(backup) && QDir::setCurrent(s.programDir);
  if (!entered) {
    QDir::setCurrent(s.dataRootDir);
    QDir().mkdir(s.databaseDir);  // may exist already
    if (!QDir().mkdir(backup) && !QDir(backup).exists())
      showMessage(MsgKind::Warning, kDataDirWarning);
    QDir::setCurrent(s.programDir);
  }
}

StartupOutcome runStartupSteps(const QString& programDir) {
  AppSettings& s = appSettings();
  StartupOutcome out;
  s.setEditionValues();
  setProgramDir(programDir);
  out.programOptionsRead = loadProgramOptions();
  s.databaseDir = joinPath(s.dataRootDir, AppSettings::dataSubdir);
  for (const auto& seed : runObjects().beforeDataDirectories) seed();
  prepareDataDirectories();
  if (out.programOptionsRead) {
    out.login = runLoginGate();
    if (out.login != LoginResult::Passed) {
      // Ended by a signal or the session while asking: nothing to tell.
      if (!shuttingDown()) showMessage(MsgKind::Error, loginFailureMessage(out.login));
      return out;
    }
  }
  // Without a login the one user of a 1-user system is its supervisor: he
  // works in the public directory and may set a password and maintain it.
  if (!loginGateNeeded() && s.usersCount == 0) s.isSupervisor = true;
  loadUserOptions();
  loadLabels();
  return out;
}
