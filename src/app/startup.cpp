#include "startup.h"

#include <QDir>

#include "labels.h"
#include "prompt.h"
#include "runtime.h"
#include "settings.h"

const QString kDataDirWarning = QStringLiteral("Could not Create Data Directory!");

namespace {

TLoginGate& Gate() {
  static TLoginGate gate;
  return gate;
}

}  // namespace

void SetLoginGate(TLoginGate gate) { Gate() = std::move(gate); }

bool LoginGateNeeded() {
  const TAppSettings& s = AppSettings();
  return s.UsersCount == 1 || (s.PasswordMode == 0 && !s.SupervisorPassword.isEmpty());
}

TLoginResult RunLoginGate() {
  if (!LoginGateNeeded() || !Gate()) return TLoginResult::Passed;
  return Gate()();
}

QString LoginFailureMessage(TLoginResult result) {
  switch (result) {
    case TLoginResult::AccountDisabled:
      return QStringLiteral(
          "Your acount has been disactivated! Please, contact the System Supervisor.");
    case TLoginResult::Failed: return QStringLiteral("Incorrect Login!");
    case TLoginResult::Passed: break;
  }
  return {};
}

void SetProgramDir(const QString& dir) {
  TAppSettings& s = AppSettings();
  QString d = QDir::toNativeSeparators(QDir::cleanPath(dir));
  while (d.size() > 1 && d.endsWith(QDir::separator())) d.chop(1);
  s.ProgramDir = d;
  s.DataRootDir = d;
  QDir::setCurrent(d);
}

void PrepareDataDirectories() {
  const TAppSettings& s = AppSettings();
  const QString backup = JoinPath(s.DatabaseDir, QStringLiteral("BACKUP"));
  const bool entered =
      QDir::setCurrent(s.DatabaseDir) && QDir::setCurrent(backup) && QDir::setCurrent(s.ProgramDir);
  if (!entered) {
    QDir::setCurrent(s.DataRootDir);
    QDir().mkdir(s.DatabaseDir);  // may exist already
    if (!QDir().mkdir(backup) && !QDir(backup).exists())
      ShowMessage(MsgKind::Warning, kDataDirWarning);
    QDir::setCurrent(s.ProgramDir);
  }
}

TStartupOutcome RunStartupSteps(const QString& programDir) {
  TAppSettings& s = AppSettings();
  TStartupOutcome out;
  s.setEditionValues();
  SetProgramDir(programDir);
  out.programOptionsRead = LoadProgramOptions();
  s.DatabaseDir = JoinPath(s.DataRootDir, TAppSettings::DataSubdir);
  PrepareDataDirectories();
  for (const auto& seed : RunObjects().afterDataDirectories) seed();
  if (out.programOptionsRead) {
    out.login = RunLoginGate();
    if (out.login != TLoginResult::Passed) {
      ShowMessage(MsgKind::Error, LoginFailureMessage(out.login));
      return out;
    }
  }
  LoadUserOptions();
  LoadLabels();
  return out;
}
