#include <gtest/gtest.h>
#include <signal.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "core/reminders.h"

namespace {

// What a fresh installation holds: build/bin without anything a run left there.
bool copyProgramDir(const QString& from, const QString& to) {
  static const QStringList kRunFiles{"DATA", "options.dat", "remind.dat", "users.lst"};
  QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  while (it.hasNext()) {
    const QFileInfo fi(it.next());
    if (kRunFiles.contains(fi.fileName()) || fi.fileName().startsWith("data0")) continue;
    const QString target = QDir(to).filePath(fi.fileName());
    if (fi.isDir()) {
      if (!QDir().mkpath(target) || !copyProgramDir(fi.filePath(), target)) return false;
    } else if (!QFile::copy(fi.filePath(), target)) {
      return false;
    }
  }
  return true;
}

bool waitFor(const std::function<bool()>& ready, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (ready()) return true;
    QThread::msleep(50);
  }
  return ready();
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(copyProgramDir(qEnvironmentVariable("TOMES_BIN"), dir_.path()));
    ASSERT_TRUE(QFile::exists(path("tomekeeper")));
  }
  QString path(const QString& rel) const { return QDir(dir_.path()).filePath(rel); }

  void start() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    proc_.setProcessEnvironment(env);
    proc_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc_.start(path("tomekeeper"), {});
    ASSERT_TRUE(proc_.waitForStarted(10000));
  }
  void terminate() {
    ::kill(static_cast<pid_t>(proc_.processId()), SIGTERM);
    ASSERT_TRUE(proc_.waitForFinished(30000)) << "the program did not end after SIGTERM";
  }

  QTemporaryDir dir_;
  QProcess proc_;
};

TEST_F(ProgramTest, FirstRunThenSigtermSavesEverythingAndExitsCleanly) {
  const double before = nowDays();
  start();
  // The public data directory and its BACKUP folder appear in the program directory.
  ASSERT_TRUE(waitFor([&] { return QDir(path("DATA/BACKUP")).exists(); }, 30000));
  QThread::msleep(1500);  // let the main view and the first reminder come up
  EXPECT_EQ(proc_.state(), QProcess::Running);
  terminate();
  EXPECT_EQ(proc_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(proc_.exitCode(), 0);

  // The data root saved is the program directory itself.
  EXPECT_EQ(QFileInfo(path("options.dat")).size(),
            2 + 2 + 1 + QDir::toNativeSeparators(dir_.path()).toUtf8().size() + 2 + 1);
  EXPECT_TRUE(QFile::exists(path("DATA/options.dat")));
  ASSERT_EQ(QFileInfo(path("DATA/remind.dat")).size(), 32);

  const ReminderDates d = readRemindFile(path("DATA/remind.dat"));
  const double after = nowDays();
  // Never-made backup and maintenance count from this exit; the backup
  // reminder was shown during this run.
  EXPECT_GE(d.lastBackup, before);
  EXPECT_LE(d.lastBackup, after);
  EXPECT_GE(d.lastMaintenance, before);
  EXPECT_GE(d.backupReminded, before);
  EXPECT_LE(d.backupReminded, after);

  // A second start within the week shows no reminder and keeps those dates.
  start();
  QThread::msleep(1500);
  terminate();
  EXPECT_EQ(proc_.exitCode(), 0);
  const ReminderDates again = readRemindFile(path("DATA/remind.dat"));
  EXPECT_EQ(again.backupReminded, d.backupReminded);
  EXPECT_EQ(again.lastBackup, d.lastBackup);
}

TEST_F(ProgramTest, GarbageOptionsFilesDoNotStopTheStart) {
  QDir().mkpath(path("DATA/BACKUP"));
  for (const char* f : {"options.dat", "DATA/options.dat", "DATA/remind.dat", "DATA/labels.dat"}) {
    QFile out(path(f));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray(7, '\xEE'));
  }
  start();
  QThread::msleep(2000);
  EXPECT_EQ(proc_.state(), QProcess::Running);
  terminate();
  EXPECT_EQ(proc_.exitCode(), 0);
  EXPECT_EQ(QFileInfo(path("DATA/remind.dat")).size(), 32);
  // Rewritten whole from the defaults: 20 bytes of words, two strings, two words.
  EXPECT_GE(QFileInfo(path("DATA/options.dat")).size(), 24);
}

}  // namespace
