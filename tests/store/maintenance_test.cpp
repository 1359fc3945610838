// Maintenance of a database's tables: what each function keeps, refuses and
// leaves behind, also when another program has the table or the process dies.

#include "store/maintenance.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <algorithm>
#include <functional>

#include "dbase/check.h"
#include "support/storefixture.h"

// A stand-in for the file calls the maintenance makes: the process dies at
// call number killAtCall (before it), or counts them when killAtCall is -1.
namespace {
long killAtCall = 0;
long callsSeen = 0;

bool dieHere() {
  if (killAtCall == 0) return false;
  ++callsSeen;
  if (killAtCall > 0 && callsSeen == killAtCall) raise(SIGKILL);
  return false;
}
}  // namespace

extern "C" ssize_t pwrite(int fd, const void* buf, size_t n, off_t offset) {
  dieHere();
  return syscall(SYS_pwrite64, fd, buf, n, offset);
}
extern "C" int rename(const char* from, const char* to) {
  dieHere();
  return static_cast<int>(syscall(SYS_rename, from, to));
}
extern "C" int link(const char* from, const char* to) {
  dieHere();
  return static_cast<int>(syscall(SYS_link, from, to));
}
extern "C" int unlink(const char* path) {
  dieHere();
  return static_cast<int>(syscall(SYS_unlink, path));
}

namespace storetest {
namespace {

constexpr int kNumber = 0;

class Maintenance : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    tables_.catalogue.databaseName = data_.qpath();
    tables_.catalogue.tableName = kCatalogueFile;
    tables_.catalogue.indexName = "IDX0";
    dbase::Table::copyTable(program_.file("master.dbf"), dataFile("master.dbf"), false);
    tables_.catalogue.open();
    tables_.records.databaseName = data_.qpath();
    tables_.records.tableName = QStringLiteral("data.dbf");
  }

  // n books "book1".. with a note each; every `deleteEvery`th is deleted.
  void makeBooks(const std::string& path, int n, int deleteEvery = 0) {
    dbase::Table::copyTable(program_.file("data.dbf"), path, false);
    dbase::Table t;
    t.open(path, dbase::OpenMode::Exclusive);
    for (int i = 1; i <= n; ++i) {
      t.append();
      t.setNumber(kNumber, i);
      t.setString(F(kTitle), "book" + std::to_string(i));
      t.writeBlob(F(kNotes), "note " + std::to_string(i) + std::string(i % 900, '.'));
      t.post();
    }
    for (int i = deleteEvery; deleteEvery > 0 && i <= n; i += deleteEvery) {
      t.goToRecord(static_cast<uint32_t>(i));
      t.deleteRecord();
    }
  }
  // Title and note of every live record, sorted.
  static std::vector<std::string> contents(const std::string& path) {
    dbase::Table t;
    t.open(path, dbase::OpenMode::Shared, true);
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next())
      out.push_back(t.asString(F(kTitle)) + "|" + t.readBlob(F(kNotes)));
    std::sort(out.begin(), out.end());
    return out;
  }
  double counter() {
    EXPECT_TRUE(findCatalogEntry(tables_.catalogue, QStringLiteral("data.dbf")));
    return tables_.catalogue.engine().asNumber(3);
  }
  static void expectSound(const std::string& path) {
    const dbase::CheckReport report = dbase::checkTable(path);
    for (const auto& p : report.listed) ADD_FAILURE() << path << ": " << p.text;
  }
  bool exists(const std::string& name) { return dbase::Table::resolve(dataFile(name)).has_value(); }
};

TEST_F(Maintenance, RepairKeepsEveryRecordAndOneGenerationOfTheOldTable) {
  makeBooks(dataFile("data.dbf"), 50, 10);
  const auto before = contents(dataFile("data.dbf"));
  CopyOutcome out = repairTable(tables_.records, tables_.catalogue);
  EXPECT_TRUE(out.succeeded());
  EXPECT_FALSE(tables_.records.active());
  EXPECT_EQ(contents(dataFile("data.dbf")), before);
  EXPECT_EQ(contents(dataFile("TEMP$$$.DBF")), before);
  EXPECT_FALSE(exists("TEMP$00.DBF"));
  EXPECT_EQ(counter(), 46);
  expectSound(dataFile("data.dbf"));
  {
    dbase::Table t;  // renumbered from 1, deleted records gone
    t.open(dataFile("data.dbf"), dbase::OpenMode::Shared, true);
    EXPECT_EQ(t.physicalCount(), 45u);
    t.goToRecord(45);
    EXPECT_EQ(t.asInteger(kNumber), 45);
    EXPECT_EQ(t.tags().size(), 2u);
  }
  // A second repair replaces the kept table by the first repair's result.
  out = repairTable(tables_.records, tables_.catalogue);
  EXPECT_TRUE(out.succeeded());
  dbase::Table kept;
  kept.open(dataFile("TEMP$$$.DBF"), dbase::OpenMode::Shared, true);
  EXPECT_EQ(kept.physicalCount(), 45u);
}

TEST_F(Maintenance, EmptyTablesGiveEmptyTablesAndCounterOne) {
  makeBooks(dataFile("data.dbf"), 0);
  ASSERT_TRUE(backupTable(tables_.records).succeeded());
  EXPECT_TRUE(contents(dataFile("BACKUP/data.dbf")).empty());
  for (auto run : {std::function<CopyOutcome()>(
                       [&] { return repairTable(tables_.records, tables_.catalogue); }),
                   std::function<CopyOutcome()>(
                       [&] { return restoreTable(tables_.records, tables_.catalogue, false); })}) {
    EXPECT_TRUE(run().succeeded());
    EXPECT_TRUE(contents(dataFile("data.dbf")).empty());
    EXPECT_EQ(counter(), 1);
  }
}

TEST_F(Maintenance, BackupCopiesTheListsUpToTheFirstGapAndRestoreBringsThemBack) {
  makeBooks(dataFile("data.dbf"), 5);
  for (int n : {1, 2, 4})
    dbase::Table::copyTable(program_.file("list.dbf"),
                            dataFile("list" + std::to_string(n) + ".dbf"), false);
  ASSERT_TRUE(QDir().mkpath(data_.qpath() + "/BACKUP"));
  writeBytes(dataFile("BACKUP/list1.dbf"), "stale");
  const CopyOutcome b = backupTable(tables_.records);
  ASSERT_TRUE(b.succeeded()) << b.error.toStdString() << " lost " << b.lost;
  QStringList lists = QDir(data_.qpath() + "/BACKUP").entryList({"list*"}, QDir::Files);
  lists.sort();
  EXPECT_EQ(lists, QStringList({"list1.dbf", "list1.mdx", "list2.dbf", "list2.mdx"}));
  EXPECT_EQ(readBytes(dataFile("BACKUP/list1.dbf")), readBytes(dataFile("list1.dbf")));
  EXPECT_EQ(contents(dataFile("BACKUP/data.dbf")), contents(dataFile("data.dbf")));

  // The table changes; a restore with the lists brings back both.
  const auto backedUp = contents(dataFile("data.dbf"));
  makeBooks(dataFile("other.dbf"), 9);
  dbase::Table::deleteTable(dataFile("data.dbf"));
  dbase::Table::renameTable(dataFile("other.dbf"), dataFile("data.dbf"));
  writeBytes(dataFile("list1.dbf"), "changed");
  CopyOutcome out = restoreTable(tables_.records, tables_.catalogue, true);
  EXPECT_TRUE(out.succeeded());
  EXPECT_EQ(contents(dataFile("data.dbf")), backedUp);
  EXPECT_EQ(contents(dataFile("TEMP$$$.DBF")).size(), 9u);
  EXPECT_EQ(readBytes(dataFile("list1.dbf")), readBytes(dataFile("BACKUP/list1.dbf")));
  EXPECT_TRUE(exists("list4.dbf"));  // past the first gap: left alone
  EXPECT_EQ(counter(), 6);
  expectSound(dataFile("data.dbf"));
}

TEST_F(Maintenance, RefusalsLeaveTheFilesAsTheyWere) {
  makeBooks(dataFile("data.dbf"), 5, 2);
  const std::string bytes = readBytes(dataFile("data.dbf"));
  // No backup.
  CopyOutcome out = restoreTable(tables_.records, tables_.catalogue, true);
  EXPECT_EQ(out.status, MaintenanceStatus::Failed);
  // A name from a data file that leads out of the folder.
  tables_.records.tableName = QStringLiteral("../data.dbf");
  EXPECT_EQ(repairTable(tables_.records, tables_.catalogue).status, MaintenanceStatus::Failed);
  EXPECT_EQ(backupTable(tables_.records).status, MaintenanceStatus::Failed);
  EXPECT_EQ(readBytes(dataFile("data.dbf")), bytes);
  EXPECT_FALSE(exists("TEMP$$$.DBF"));
}

TEST_F(Maintenance, DeleteIndexesKeepsTheFirstTwoTags) {
  makeBooks(dataFile("data.dbf"), 3);
  addTags({{"IDX2", "UPPER(AUTHOR)", false, false, ""}});
  tables_.records.indexName = "IDX2";
  tables_.records.open();
  EXPECT_EQ(deleteIndexes(tables_.records), MaintenanceStatus::Done);
  EXPECT_FALSE(tables_.records.active());
  EXPECT_TRUE(tables_.records.indexName.empty());
  EXPECT_EQ(tagNames(), (Strings{"IDX0", "IDX1"}));
}

TEST_F(Maintenance, PackAndReindexTakeTheTableFromOurOwnObjectsAndGiveItBack) {
  makeBooks(dataFile("data.dbf"), 20, 3);
  tables_.records.indexName = "IDX1";
  tables_.records.open();
  DbTable view;  // another object of the program on the same file
  view.databaseName = data_.qpath();
  view.tableName = QStringLiteral("DATA.DBF");
  view.open();
  EXPECT_EQ(packTable(tables_.records), MaintenanceStatus::Done);
  EXPECT_TRUE(tables_.records.active() && view.active());
  EXPECT_EQ(tables_.records.engine().activeTag(), "IDX1");
  EXPECT_EQ(tables_.records.engine().physicalCount(), 14u);
  EXPECT_EQ(reindexTable(tables_.records), MaintenanceStatus::Done);
  EXPECT_TRUE(tables_.records.active() && view.active());
  EXPECT_EQ(tables_.records.engine().activeTag(), "");
  expectSound(dataFile("data.dbf"));
}

TEST_F(Maintenance, RepairReadsDamagedHeaderRecordsMemosAndIndex) {
  makeBooks(dataFile("data.dbf"), 60);
  const auto before = contents(dataFile("data.dbf"));
  std::string dbf = readBytes(dataFile("data.dbf"));
  std::string dbt = readBytes(dataFile("data.dbt"));
  dbase::Table t;
  t.open(dataFile("data.dbf"), dbase::OpenMode::Shared, true);
  const size_t headerLength = le16(dbf, 8), recordLength = le16(dbf, 10);
  auto field = [&](int record, int f, std::string_view bytes) {
    t.goToRecord(static_cast<uint32_t>(record));
    const size_t at = headerLength + static_cast<size_t>(record - 1) * recordLength +
                      static_cast<size_t>(t.fieldBytes(f).data() - t.fieldBytes(0).data()) + 1;
    dbf.replace(at, bytes.size(), bytes);
  };
  t.goToRecord(40);
  const size_t block40 = std::stoul(std::string(t.fieldBytes(F(kNotes))));
  field(10, kNumber, "12x4%%!!ab");    // not a number
  field(20, F(kNotes), "    999999");  // memo past the end
  field(30, F(kPublished),
        std::string("2020\0\0"
                    "99",
                    8));                                  // not a date
  field(35, F(kTitle), std::string(3, '\0'));             // zeros in text
  dbt.replace(block40 * 512, 4, "junk");                  // memo block without its mark
  dbf.replace(4, 4, std::string("\xFF\xFF\x00\x00", 4));  // a count past the end
  dbf.replace(8, 2, std::string("\x0F\x27", 2));          // a header length of 9999
  dbf.resize(dbf.size() - recordLength / 2);              // the last record cut short
  t.close();
  writeBytes(dataFile("data.dbf"), dbf);
  writeBytes(dataFile("data.dbt"), dbt);
  writeBytes(dataFile("DATA.MDX"), std::string(4096, '\x5A'));

  CopyOutcome out = repairTable(tables_.records, tables_.catalogue);
  ASSERT_EQ(out.status, MaintenanceStatus::Done) << out.error.toStdString();
  EXPECT_EQ(out.lost, 6);
  auto after = contents(dataFile("data.dbf"));
  ASSERT_EQ(after.size(), 60u);
  // Every record whose title and note read is there as it was.
  int same = 0;
  for (const auto& r : before) same += std::binary_search(after.begin(), after.end(), r);
  EXPECT_EQ(same, 56);  // 20 and 40 lost their note, 35 its title, 60 its end
  expectSound(dataFile("data.dbf"));
  EXPECT_EQ(counter(), 61);
}

// Only the memo file is damaged: the records read, so the check before the
// copy must follow each reference to find the two notes that are gone.
TEST_F(Maintenance, BackupCountsNotesItCannotReadAsLost) {
  makeBooks(dataFile("data.dbf"), 60);
  std::string dbt = readBytes(dataFile("data.dbt"));
  size_t block[2];
  {
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Shared, true);
    for (int i : {0, 1}) {
      t.goToRecord(i ? 60 : 30);
      block[i] = std::stoul(std::string(t.fieldBytes(F(kNotes))));
    }
  }
  dbt.replace(block[0] * 512, 4, "junk");  // memo block without its mark
  dbt.resize(block[1] * 512 + 4);          // the last memo cut inside its mark
  writeBytes(dataFile("data.dbt"), dbt);
  const CopyOutcome out = backupTable(tables_.records);
  ASSERT_EQ(out.status, MaintenanceStatus::Done) << out.error.toStdString();
  EXPECT_EQ(out.lost, 2);
  EXPECT_EQ(contents(dataFile("BACKUP/data.dbf")).size(), 60u);
}

// Another program holds the table open: every function that needs the table
// to itself refuses and changes nothing.
TEST_F(Maintenance, RefusedWhileAnotherProgramHasTheTable) {
  makeBooks(dataFile("data.dbf"), 10, 4);
  ASSERT_TRUE(backupTable(tables_.records).succeeded());
  const std::string bytes = readBytes(dataFile("data.dbf"));
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  const pid_t other = fork();
  if (other == 0) {
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Shared);
    char c = 'r';
    if (::write(ready[1], &c, 1) != 1) _exit(1);
    if (::read(done[0], &c, 1) < 0) _exit(1);
    _exit(0);
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  const std::vector<std::pair<const char*, std::function<MaintenanceStatus()>>> functions = {
      {"reindex", [&] { return reindexTable(tables_.records); }},
      {"delete indexes", [&] { return deleteIndexes(tables_.records); }},
      {"pack", [&] { return packTable(tables_.records); }},
      {"empty", [&] { return emptyRecords(tables_.records); }},
      {"repair", [&] { return repairTable(tables_.records, tables_.catalogue).status; }},
      {"restore", [&] { return restoreTable(tables_.records, tables_.catalogue, false).status; }},
  };
  for (const auto& [name, run] : functions) {
    EXPECT_EQ(run(), MaintenanceStatus::InUse) << name;
    EXPECT_EQ(readBytes(dataFile("data.dbf")), bytes) << name;
  }
  EXPECT_FALSE(exists("TEMP$$$.DBF"));
  EXPECT_FALSE(exists("TEMP$00.DBF"));
  ASSERT_EQ(::write(done[1], "x", 1), 1);
  int status = 0;
  waitpid(other, &status, 0);
}

// The process dies at one file call after another; afterwards every record
// is there and the tables open and check sound.
TEST_F(Maintenance, KilledAtAnyMomentLosesNoRecord) {
  struct Case {
    const char* name;
    std::function<void()> run;
  };
  const std::vector<Case> cases = {
      {"pack", [&] { packTable(tables_.records); }},
      {"repair", [&] { repairTable(tables_.records, tables_.catalogue); }},
      {"backup", [&] { backupTable(tables_.records); }},
      {"restore", [&] { restoreTable(tables_.records, tables_.catalogue, false); }},
  };
  for (const Case& c : cases) {
    // Before each run: an old backup of 30 books, a table of 40 with deleted ones.
    auto setUp = [&] {
      tables_.records.close();
      tables_.catalogue.close();
      std::filesystem::remove_all(dataFile("BACKUP"));
      for (const auto& e : std::filesystem::directory_iterator(data_.path()))
        std::filesystem::remove(e.path());
      dbase::Table::copyTable(program_.file("master.dbf"), dataFile("master.dbf"), false);
      tables_.catalogue.open();
      makeBooks(dataFile("data.dbf"), 30);
      ASSERT_TRUE(backupTable(tables_.records).succeeded());
      dbase::Table::deleteTable(dataFile("data.dbf"));
      makeBooks(dataFile("data.dbf"), 40, 7);
    };
    long calls = 0;
    auto inChild = [&](long at) {
      int seen[2];
      EXPECT_EQ(pipe(seen), 0);
      const pid_t pid = fork();
      if (pid == 0) {
        killAtCall = at;
        callsSeen = 0;
        c.run();
        killAtCall = 0;
        _exit(::write(seen[1], &callsSeen, sizeof callsSeen) == sizeof callsSeen ? 0 : 1);
      }
      ::close(seen[1]);
      if (::read(seen[0], &calls, sizeof calls) != sizeof calls && at < 0) calls = 0;
      ::close(seen[0]);
      int status = 0;
      waitpid(pid, &status, 0);
      return status;
    };
    setUp();
    const auto table = contents(dataFile("data.dbf"));
    const auto backup = contents(dataFile("BACKUP/data.dbf"));
    ASSERT_TRUE(WIFEXITED(inChild(-1))) << c.name;
    const long total = calls;
    ASSERT_GT(total, 5) << c.name;
    setUp();
    for (long at = 1; at <= total; at += (at < total - 12 ? std::max(1L, total / 12) : 1)) {
      const int status = inChild(at);
      ASSERT_TRUE(WIFSIGNALED(status)) << c.name << " at " << at << " of " << total;
      const auto now = contents(dataFile("data.dbf"));
      const bool restored = std::string(c.name) == "restore" && now == backup;
      EXPECT_TRUE(now == table || restored) << c.name << " at " << at;
      expectSound(dataFile("data.dbf"));
      if (exists("BACKUP/data.dbf")) {
        const auto b = contents(dataFile("BACKUP/data.dbf"));
        EXPECT_TRUE(b == backup || (std::string(c.name) == "backup" && b == table))
            << c.name << " at " << at;
      }
      setUp();
    }
  }
}

}  // namespace
}  // namespace storetest
