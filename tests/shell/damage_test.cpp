// The real program on a sample database damaged a few bytes at a time, on a
// table that is read-only on disk, and on an index a crashed writer left
// unfinished: every start settles in a box or a working view within seconds,
// SIGTERM ends it cleanly, and no table changes (SIGTERM answers every
// question with No, so the user agrees to no repair).

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <map>
#include <memory>

#include "dbase/table.h"
#include "support/programrun.h"

namespace {

using Files = std::map<QString, QByteArray>;  // path below the root -> bytes

Files readTree(const QString& root, bool tablesOnly) {
  Files files;
  QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString file = it.next();
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (tablesOnly && suffix != "dbf" && suffix != "mdx" && suffix != "dbt") continue;
    QFile f(file);
    if (f.open(QIODevice::ReadOnly)) files[QDir(root).relativeFilePath(file)] = f.readAll();
  }
  return files;
}

void writeTree(const QString& root, const Files& files) {
  QDir(root).removeRecursively();
  for (const auto& [name, bytes] : files) {
    const QString file = QDir(root).filePath(name);
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << file.toStdString();
    f.write(bytes);
  }
}

void damage(const QString& file, qint64 offset, const QByteArray& bytes) {
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite)) << file.toStdString();
  ASSERT_TRUE(f.seek(offset));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

// Bytes that look like noise, the same in every run.
QByteArray noise(int n, uint32_t seed) {
  QByteArray b(n, '\0');
  for (int i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    b[i] = static_cast<char>(seed >> 16);
  }
  return b;
}

struct Outcome {
  bool settled = false;
  bool ended = false;
  QProcess::ExitStatus status = QProcess::CrashExit;
  int code = -1;
  QStringList boxes;  // every message box, as the program tells them on stderr

  bool showed(const QString& text) const {
    for (const QString& b : boxes)
      if (b.contains(text)) return true;
    return false;
  }
};

class DamagedDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir;
    ASSERT_TRUE(copyProgramDir(qEnvironmentVariable("TOMES_BIN"), dir_->path()));
    // The first start makes the sample database and the files of a run.
    const Outcome first = run();
    ASSERT_TRUE(first.ended && first.code == 0);
    pristine_ = new Files(readTree(path("DATA"), false));
    ASSERT_TRUE(pristine_->count("data.mdx") && pristine_->count("master.dbf"));
  }
  static void TearDownTestSuite() {
    delete pristine_;
    delete dir_;
  }
  void SetUp() override { writeTree(path("DATA"), *pristine_); }

  static QString path(const QString& rel) { return QDir(dir_->path()).filePath(rel); }

  // Starts the program (through `wrapper` when given), waits for it to settle,
  // then ends it with SIGTERM.
  static Outcome run(const QStringList& wrapper = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    const QStringList command = wrapper + QStringList{path("tomekeeper")};
    p.start(command.front(), command.mid(1));
    Outcome r;
    if (!p.waitForStarted(10000)) return r;
    r.settled = settled(p.processId(), 400, 15000);
    if (p.state() == QProcess::Running) ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    r.ended = p.waitForFinished(15000);
    if (!r.ended) {
      p.kill();
      p.waitForFinished(5000);
      return r;
    }
    r.status = p.exitStatus();
    r.code = p.exitCode();
    for (const QByteArray& line : p.readAllStandardError().split('\n'))
      if (line.startsWith("tomekeeper: ")) r.boxes << QString::fromUtf8(line.mid(12));
    return r;
  }

  static void expectCleanEnd(const Outcome& r) {
    EXPECT_TRUE(r.settled) << "it neither showed a view nor a box in time";
    ASSERT_TRUE(r.ended) << "it did not end after SIGTERM";
    EXPECT_EQ(r.status, QProcess::NormalExit);
    EXPECT_EQ(r.code, 0);
  }

  static QTemporaryDir* dir_;
  static Files* pristine_;
};

QTemporaryDir* DamagedDatabase::dir_ = nullptr;
Files* DamagedDatabase::pristine_ = nullptr;

TEST_F(DamagedDatabase, EveryStartEndsInABoxOrAWorkingViewAndChangesNoTable) {
  // The sample's data.dbf: 801 header bytes, records of 622; data.mdx: tag
  // headers at 2048 and 4096, the root of the tag in use at 18432; master.dbf:
  // 162 header bytes, its counter at 303 of the record; master.mdx: a leaf at 3072.
  const QString unusableIndex = "cannot be used";
  const QString readOnly = "cannot be written";
  const QString unreadable = "Cannot open the file: ";
  struct Damage {
    const char* file;
    qint64 offset;
    QByteArray bytes;
    QString box;  // part of a box the start shows; empty: the view works without one
  };
  auto hex = [](const char* h) { return QByteArray::fromHex(h); };
  const std::vector<Damage> sweep{
      {"data.dbf", 0, hex("00"), unreadable},                // version
      {"data.dbf", 4, hex("FFFFFF7F"), readOnly},            // record count
      {"data.dbf", 8, hex("22"), readOnly},                  // header length
      {"data.dbf", 10, hex("70"), readOnly},                 // record length
      {"data.dbf", 32 + 11, "D", unreadable},                // a field's type
      {"data.dbf", 801 + 622 * 7 + 12, noise(40, 7), ""},    // a title
      {"data.mdx", 0, hex("09"), unusableIndex},             // version
      {"data.mdx", 544, noise(32, 1), unusableIndex},        // the tag table
      {"data.mdx", 2048, noise(64, 2), unusableIndex},       // a tag header
      {"data.mdx", 4096 + 24, noise(16, 3), unusableIndex},  // a key expression
      {"data.mdx", 8436, noise(1024, 4), unusableIndex},     // pages of the tags
      {"data.mdx", 18432, noise(32, 5), unusableIndex},      // the root of the tag in use
      {"data.mdx", 50176, noise(512, 6), ""},                // a leaf of another tag
      {"data.dbt", 0, hex("FFFFFFFF"), ""},                  // next free block
      {"data.dbt", 20, hex("0004"), ""},                     // block size
      {"data.dbt", 512, noise(16, 8), ""},                   // the first memo
      {"master.dbf", 0, hex("00"), unreadable},              // version
      {"master.dbf", 4, hex("FFFFFF7F"), readOnly},          // record count
      {"master.dbf", 162 + 303, "ABCD", ""},                 // the counter
      {"master.mdx", 3072, hex("FFFFFF7F"), unusableIndex},  // its one leaf
  };
  QElapsedTimer clock;
  clock.start();
  for (const Damage& d : sweep) {
    SCOPED_TRACE(std::string(d.file) + " at " + std::to_string(d.offset));
    writeTree(path("DATA"), *pristine_);
    damage(path("DATA/") + d.file, d.offset, d.bytes);
    const Files before = readTree(path("DATA"), true);
    const Outcome r = run();
    expectCleanEnd(r);
    if (d.box.isEmpty())
      EXPECT_TRUE(r.boxes.isEmpty()) << r.boxes.join("\n").toStdString();
    else
      EXPECT_TRUE(r.showed(d.box)) << r.boxes.join("\n").toStdString();
    EXPECT_TRUE(readTree(path("DATA"), true) == before) << "a table changed";
  }
  RecordProperty("sweep_ms", static_cast<int>(clock.elapsed()));
}

// A table that may not be written is read: no box, the view stays up.
TEST_F(DamagedDatabase, ReadOnlyTableOnDiskOpensInReadOnlyMode) {
  QStringList wrapper;
  if (::geteuid() == 0) {
    // Root writes whatever the mode says: the program runs as nobody instead.
    QDirIterator it(dir_->path(), QDir::AllEntries | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QFile::setPermissions(dir_->path(), QFileDevice::Permissions(0x7777));
    while (it.hasNext()) {
      const QFileInfo fi(it.next());
      QFile::setPermissions(fi.filePath(), fi.isDir() || fi.isExecutable()
                                               ? QFileDevice::Permissions(0x7777)
                                               : QFileDevice::Permissions(0x6666));
    }
    wrapper = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  // The table alone, then its whole family (as in a read-only installation).
  for (const QStringList& files : {QStringList{"data.dbf"}, {"data.dbf", "data.mdx", "data.dbt"}}) {
    SCOPED_TRACE(files.join(" ").toStdString());
    for (const QString& f : files)
      ASSERT_TRUE(QFile::setPermissions(path("DATA/" + f), QFileDevice::Permissions(0x4444)));
    const Files before = readTree(path("DATA"), true);
    const Outcome r = run(wrapper);
    for (const QString& f : files)
      QFile::setPermissions(path("DATA/" + f), QFileDevice::Permissions(0x6666));
    expectCleanEnd(r);
    EXPECT_TRUE(r.boxes.isEmpty()) << r.boxes.join("\n").toStdString();
    EXPECT_TRUE(readTree(path("DATA"), true) == before);
  }
}

// A writer killed while it updated the index, another still holding the
// table: the program reads the records and tells why it cannot write.
TEST_F(DamagedDatabase, IndexLeftUnfinishedIsReadWhileAnotherUserHoldsTheTable) {
  dbase::Table holder;
  holder.open(QFile::encodeName(path("DATA/data.dbf")).toStdString());
  damage(path("DATA/data.mdx"), 52, "\x01");  // the mark of an update under way
  const Files before = readTree(path("DATA"), true);
  const Outcome r = run();
  expectCleanEnd(r);
  EXPECT_TRUE(r.showed("left unfinished")) << r.boxes.join("\n").toStdString();
  EXPECT_TRUE(readTree(path("DATA"), true) == before);
}

}  // namespace
