#include <gtest/gtest.h>
#include <signal.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "core/reminders.h"
#include "dbase/table.h"
#include "support/programrun.h"

namespace {

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// Overwrites a field of a record in the file, as another program may leave it.
void patchField(const QString& table, uint32_t recNo, int field, const QByteArray& bytes) {
  std::vector<int> lengths;
  {
    dbase::Table t;
    t.open(native(table), dbase::OpenMode::Shared, true);
    for (const auto& f : t.fields()) lengths.push_back(f.length);
  }
  QByteArray file = readAll(table);
  const auto u16 = [&](int at) { return uint8_t(file[at]) | uint8_t(file[at + 1]) << 8; };
  qsizetype at = u16(8) + qsizetype(recNo - 1) * u16(10) + 1;
  for (int f = 0; f < field; ++f) at += lengths[size_t(f)];
  file.replace(at, bytes.size(), bytes);
  writeAll(table, file);
}

std::string fieldOf(const QString& table, uint32_t recNo, int field) {
  dbase::Table t;
  t.open(native(table), dbase::OpenMode::Shared, true);
  t.goToRecord(recNo);
  return std::string(t.fieldBytes(field));
}

std::vector<std::string> catalogueNames(const QString& master) {
  dbase::Table t;
  t.open(native(master), dbase::OpenMode::Shared, true);
  std::vector<std::string> names;
  for (t.first(); !t.eof(); t.next()) names.push_back(t.asString(0));
  return names;
}

uint32_t recordsIn(const QString& table) {
  dbase::Table t;
  t.open(native(table), dbase::OpenMode::Shared, true);
  return t.recordCount();
}

// A user options file naming the last database (words as the defaults).
QByteArray userOptions(const QByteArray& table, const QByteArray& dir) {
  static const uint8_t key[] = {0x03, 0x0A, 0x11, 0x07, 0x0C, 0x04, 0x09, 0x02, 0x0D, 0x05};
  QByteArray b;
  for (uint16_t w : {0, 1, 0, 0, 0, 1, 0, 0, 1, 0}) b += char(w) + QByteArray(1, '\0');
  for (const QByteArray& text : {table, dir}) {
    b += char(text.size());
    for (int i = 0; i < text.size(); ++i) b += char(text[i] ^ key[i % 10]);
  }
  return b + QByteArray(4, '\0');
}

constexpr int kTitleField = 2;
constexpr int kPubDateField = 9;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(copyProgramDir(qEnvironmentVariable("TOMES_BIN"), dir_.path()));
    ASSERT_TRUE(QFile::exists(path("tomekeeper")));
  }
  QString path(const QString& rel) const { return QDir(dir_.path()).filePath(rel); }

  void start() { start(proc_); }
  void start(QProcess& proc) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    proc.setProcessEnvironment(env);
    proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc.start(path("tomekeeper"), {});
    ASSERT_TRUE(proc.waitForStarted(10000));
  }
  void terminate() { terminate(proc_); }
  void terminate(QProcess& proc) {
    ::kill(static_cast<pid_t>(proc.processId()), SIGTERM);
    ASSERT_TRUE(proc.waitForFinished(30000)) << "the program did not end after SIGTERM";
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);
  }
  // One run: start, let it come up (a box may be open then), SIGTERM.
  void runOnce() {
    start();
    QThread::msleep(2500);
    EXPECT_EQ(proc_.state(), QProcess::Running);
    terminate();
  }
  // The public directory after a first run, as a user has it.
  void firstRun() {
    runOnce();
    ASSERT_TRUE(QFile::exists(path("DATA/remind.dat")));
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
  // The record it shows, one another program stored with an impossible
  // date, is not written back: the user did not touch it.
  patchField(path("DATA/data.dbf"), 1, kPubDateField, "18651399");
  const QByteArray table = readAll(path("DATA/data.dbf"));
  start();
  QThread::msleep(1500);
  terminate();
  EXPECT_EQ(proc_.exitCode(), 0);
  EXPECT_EQ(readAll(path("DATA/data.dbf")), table);
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

// Only the first start of a program directory seeds the sample, also when
// two start at once; a table deleted later is made new and empty, unsorted.
TEST_F(ProgramTest, TwoFirstStartsAtOnceSeedOnceAndADeletedTableIsNotSeededAgain) {
  QProcess other;
  start();
  start(other);
  QThread::msleep(3000);
  EXPECT_EQ(proc_.state(), QProcess::Running);
  EXPECT_EQ(other.state(), QProcess::Running);
  terminate();
  terminate(other);
  EXPECT_EQ(recordsIn(path("DATA/data.dbf")), 505u);
  EXPECT_EQ(catalogueNames(path("DATA/master.dbf")), std::vector<std::string>{"data.dbf"});
  EXPECT_EQ(QDir(dir_.path()).entryList({"DATA*"}, QDir::Dirs), QStringList{"DATA"});

  writeAll(path("DATA/data.idx"), QByteArray("\x02\x00\x00\x00", 4));  // by title
  dbase::Table::deleteTable(native(path("DATA/data.dbf")));
  runOnce();  // the warning that a new database is made is answered by the signal
  EXPECT_EQ(recordsIn(path("DATA/data.dbf")), 0u);
  EXPECT_EQ(readAll(path("DATA/data.idx")), QByteArray(4, '\0'));
  EXPECT_EQ(catalogueNames(path("DATA/master.dbf")), std::vector<std::string>{"data.dbf"});
}

// A last database that cannot be opened any more (or whose name is not a
// plain file name) is not tried at every start: the public database opens
// instead, and the catalogue keeps one entry per table.
TEST_F(ProgramTest, LastDatabaseThatCannotBeOpenedGivesThePublicOne) {
  firstRun();
  const QByteArray publicDir = QDir::toNativeSeparators(path("DATA")).toUtf8();
  for (const auto& [table, dir] :
       {std::pair<QByteArray, QByteArray>{"longtablename1.dbf", publicDir},
        {"../../e.dbf", publicDir},  // a name only: nothing is made outside DATA
        {"data.dbf", path("gone/DATA").toUtf8()}}) {
    SCOPED_TRACE(table.toStdString() + " in " + dir.toStdString());
    writeAll(path("DATA/options.dat"), userOptions(table, dir));
    runOnce();
    runOnce();
    EXPECT_EQ(catalogueNames(path("DATA/master.dbf")), std::vector<std::string>{"data.dbf"});
    EXPECT_TRUE(
        readAll(path("DATA/options.dat")).contains(userOptions("data.dbf", publicDir).mid(20)));
    EXPECT_FALSE(QFile::exists(path("DATA/../../e.dbf")));
  }
}

// A multi-user installation asks for the login first; a signal while it asks
// ends the run at once, with nothing written anywhere.
TEST_F(ProgramTest, SigtermWhileTheLoginAsksEndsCleanlyAndWritesNothing) {
  firstRun();
  static const uint8_t key[] = {0x03, 0x0A, 0x11, 0x07, 0x0C, 0x04, 0x09, 0x02, 0x0D, 0x05};
  QByteArray program("\x00\x00\x00\x00\x00\x01\x00\x04", 8);  // password required, 1 user
  for (int i = 0; i < 4; ++i) program += char("boss"[i] ^ key[i]);
  writeAll(path("options.dat"), program);
  writeAll(path("users.lst"), QByteArray("\x01\x00", 2));
  auto snapshot = [&] {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir_.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString f = it.next();
      files[f] = readAll(f);
    }
    return files;
  };
  const auto before = snapshot();
  start();
  ASSERT_TRUE(settled(proc_.processId(), 500, 20000));  // the login waits for the user
  terminate();
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(QDir(dir_.path()).entryList({"data0*"}, QDir::Dirs), QStringList{});
}

// The program under Xvfb, driven with xdotool as a user would: boxes are
// answered by their title, keys go to the focused window.
class DesktopTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
        QStandardPaths::findExecutable("xdotool").isEmpty())
      GTEST_SKIP() << "needs Xvfb and xdotool (scripts/deps.sh installs them)";
    xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    ASSERT_TRUE(xvfb_.waitForStarted(10000));
    ASSERT_TRUE(waitFor(
        [&] {
          xvfb_.waitForReadyRead(50);
          display_ += QString::fromLatin1(xvfb_.readAllStandardOutput());
          return display_.contains('\n');
        },
        10000));
    display_ = ":" + display_.trimmed();
  }
  void TearDown() override {
    if (proc_.state() != QProcess::NotRunning) {
      proc_.kill();
      proc_.waitForFinished(5000);
    }
    xvfb_.terminate();
    xvfb_.waitForFinished(5000);
  }
  void startOnDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", display_);
    proc_.setProcessEnvironment(env);
    proc_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc_.start(path("tomekeeper"), {});
    ASSERT_TRUE(proc_.waitForStarted(10000));
  }
  QString xdotool(const QStringList& args) {
    QProcess x;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    x.setProcessEnvironment(env);
    x.start("xdotool", args);
    x.waitForFinished(10000);
    return QString::fromLatin1(x.readAllStandardOutput()).trimmed();
  }
  // The first shown window whose title starts with `title`.
  QString window(const QString& title) {
    return xdotool({"search", "--onlyvisible", "--name", "^" + title}).section('\n', 0, 0);
  }
  // Waits for the window, then gives it the focus and presses the keys.
  bool press(const QString& title, const QStringList& keys) {
    QString w;
    if (!waitFor([&] { return !(w = window(title)).isEmpty(); }, 15000)) return false;
    xdotool({"windowfocus", "--sync", w});
    xdotool(QStringList{"key", "--delay", "50"} + keys);
    return true;
  }

  QProcess xvfb_;
  QString display_;
};

// The database cannot be opened while a reminder is due: once the boxes are
// answered the program ends by itself, and the sort saved before stays.
TEST_F(DesktopTest, UnopenableDatabaseWithAReminderDueEndsOnceTheBoxesAreAnswered) {
  firstRun();
  writeAll(path("DATA/data.idx"), QByteArray("\x02\x00\x00\x00", 4));
  QFile::resize(path("DATA/data.dbf"), 20);
  QFile::remove(path("DATA/remind.dat"));
  startOnDisplay();
  ASSERT_TRUE(press("Warning", {"n"}));     // "Cannot open the file: data.dbf Retry?"
  ASSERT_TRUE(press("Error", {"Return"}));  // "Could not Open the database!"
  // The view closes while the backup reminder is up: that ends the run too.
  ASSERT_TRUE(proc_.waitForFinished(15000)) << "the program did not end";
  EXPECT_EQ(proc_.exitCode(), 0);
  EXPECT_EQ(readAll(path("DATA/data.idx")), QByteArray("\x02\x00\x00\x00", 4));
  EXPECT_TRUE(QFile::exists(path("DATA/remind.dat")));
}

// SIGTERM while the save of a record without its required title waits for
// the user's answer: the program ends, saves its options and stores the
// record as typed; the fields the user did not touch keep their bytes.
TEST_F(DesktopTest, SigtermWhileTheRequiredFieldQuestionIsOpenStoresTheRecordAsTyped) {
  firstRun();
  patchField(path("DATA/data.dbf"), 1, kPubDateField, "18651399");
  writeAll(path("DATA/data.idx"), QByteArray(4, '\0'));  // entry order: record 1 first
  QFile::remove(path("DATA/options.dat"));
  startOnDisplay();
  // The title has the focus: empty it and go on to the next record.
  ASSERT_TRUE(press("Orvanta Tomekeeper - Database", {"ctrl+a", "BackSpace", "alt+Next"}));
  ASSERT_TRUE(waitFor([&] { return !window("Warning").isEmpty(); }, 10000));
  ::kill(static_cast<pid_t>(proc_.processId()), SIGTERM);
  ASSERT_TRUE(proc_.waitForFinished(15000)) << "the program did not end after SIGTERM";
  EXPECT_EQ(proc_.exitCode(), 0);
  EXPECT_TRUE(QFile::exists(path("DATA/options.dat")));
  EXPECT_EQ(fieldOf(path("DATA/data.dbf"), 1, kTitleField), std::string(120, ' '));
  EXPECT_EQ(fieldOf(path("DATA/data.dbf"), 1, kPubDateField), "18651399");
}

}  // namespace
