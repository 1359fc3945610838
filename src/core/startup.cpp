#include "core/startup.h"

#include <fcntl.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>

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

// The file that marks a directory holding the shipped files.
const QString kTemplateMark = QStringLiteral("data.dbf");
const QString kHelpDir = QStringLiteral("help");
const QString kSetupMark = QStringLiteral("~setup-");

bool holdsShippedFiles(const QString& dir) {
  return !dir.isEmpty() && QFileInfo(QDir(dir).filePath(kTemplateMark)).isFile();
}

// Installed files are read-only; the user's copies must not be.
bool copyWritable(const QString& from, const QString& to) {
  if (!QFile::copy(from, to)) return false;
  return QFile::setPermissions(to, QFile::permissions(to) | QFile::ReadOwner | QFile::WriteOwner);
}

bool copyTree(const QString& from, const QString& to, bool withHelp) {
  const QFileInfoList entries =
      QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  for (const QFileInfo& e : entries) {
    const QString target = QDir(to).filePath(e.fileName());
    if (e.isDir()) {
      if (!withHelp && e.fileName() == kHelpDir) continue;
      if (!QDir().mkdir(target) || !copyTree(e.filePath(), target, true)) return false;
    } else if (!copyWritable(e.filePath(), target)) {
      return false;
    }
  }
  return true;
}

// A later install may ship a file an older copy lacks; nothing there is replaced.
void addMissingFiles(const QString& from, const QString& to) {
  for (const QFileInfo& e : QDir(from).entryInfoList(QDir::Files | QDir::Hidden)) {
    const QString target = QDir(to).filePath(e.fileName());
    if (!QFileInfo::exists(target)) copyWritable(e.filePath(), target);
  }
}

// Copies named "<dir>~setup-<pid>-<random>" whose start is no longer running.
void removeAbandonedSetups(const QString& userDir) {
  const QFileInfo target(userDir);
  const QString prefix = target.fileName() + kSetupMark;
  const QDir parent(target.absolutePath());
  for (const QString& name : parent.entryList({prefix + QLatin1Char('*')}, QDir::Dirs)) {
    bool ok = false;
    const qint64 pid = name.mid(prefix.size()).section(QLatin1Char('-'), 0, 0).toLongLong(&ok);
    if (!ok || pid <= 0) continue;
    if (pid == QCoreApplication::applicationPid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    QDir(parent.filePath(name)).removeRecursively();
  }
}

}  // namespace

bool moveIntoPlace(const QString& from, const QString& to) {
  const QByteArray a = QFile::encodeName(from);
  const QByteArray b = QFile::encodeName(to);
  if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a directory is never renamed over one
  // that holds files.
  return !QFileInfo::exists(to) && ::rename(a.constData(), b.constData()) == 0;
}

QString installedFilesDir(const QString& appDir) {
  return QDir::cleanPath(appDir + QStringLiteral("/../share/tomekeeper"));
}

QString userProgramDir() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("tomekeeper"));
}

QString userProgramDirMessage(const QString& dir) {
  return QStringLiteral(
             "Your own Tomekeeper folder has been set up in\n%1\n\nYour databases, options and "
             "backups are kept there. Copy this folder to keep a spare of everything.")
      .arg(QDir::toNativeSeparators(dir));
}

QString chooseProgramDir(const QString& appDir, const QString& installedDir,
                         const QString& userDir) {
  const bool inAppDir = holdsShippedFiles(appDir);
  const QString source = inAppDir ? appDir : installedDir;
  if (!holdsShippedFiles(source)) return appDir;
  if (inAppDir && QFileInfo(appDir).isWritable()) return appDir;
  if (userDir.isEmpty()) return source;

  QDir().mkpath(QFileInfo(userDir).absolutePath());
  removeAbandonedSetups(userDir);
  if (QFileInfo(userDir).isDir()) {
    addMissingFiles(source, userDir);
    return userDir;
  }
  if (QFileInfo::exists(userDir)) return source;  // a file in the way: run read-only

  const QString work = userDir + kSetupMark +
                       QStringLiteral("%1-%2")
                           .arg(QCoreApplication::applicationPid())
                           .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
  const bool made =
      QDir().mkdir(work) && copyTree(source, work, inAppDir) && moveIntoPlace(work, userDir);
  if (!made) {
    QDir(work).removeRecursively();
    // Another start may have been first: its copy is as good.
    return QFileInfo(userDir).isDir() ? userDir : source;
  }
  showMessage(MsgKind::Information, userProgramDirMessage(userDir));
  return userDir;
}

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
