#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "dbase/check.h"
#include "dbase/lock.h"
#include "dbase/table.h"
#include "table_fixture.h"

namespace dbase {
namespace {

using testing::addBook;
using testing::bookFields;
using testing::ScratchDir;

// A child process that runs `body`, then waits for the parent's word before exiting.
class Child {
 public:
  explicit Child(const std::function<void()>& body) {
    if (pipe(toParent_) != 0 || pipe(toChild_) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      int rc = 0;
      try {
        body();
      } catch (...) {
        rc = 3;
      }
      char c = rc ? 'E' : 'R';
      (void)!write(toParent_[1], &c, 1);
      (void)!read(toChild_[0], &c, 1);
      _exit(rc);
    }
  }
  // True when the child's body ran without an exception.
  bool waitReady() {
    char c = 0;
    return read(toParent_[0], &c, 1) == 1 && c == 'R';
  }
  int finish() {
    char c = 'x';
    (void)!write(toChild_[1], &c, 1);
    int status = 0;
    waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ~Child() {
    for (int fd : {toParent_[0], toParent_[1], toChild_[0], toChild_[1]}) close(fd);
  }

 private:
  pid_t pid_ = -1;
  int toParent_[2] = {-1, -1};
  int toChild_[2] = {-1, -1};
};

class Locks : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("books.dbf");
    Table::create(path_, bookFields(), {testing::tag("TITLE", "TITLE")});
    Table t;
    t.open(path_);
    for (const char* s : {"one", "two", "three"}) addBook(t, s, "x");
  }
  ScratchDir dir_;
  std::string path_;
};

TEST_F(Locks, ExclusiveOpenFailsWhileAnotherObjectHasTheTable) {
  Table a, b;
  a.open(path_);
  EXPECT_THROW(b.open(path_, OpenMode::Exclusive), LockError);
  b.open(path_);  // shared beside shared is fine
  b.close();
  a.close();
  a.open(path_, OpenMode::Exclusive);
  EXPECT_TRUE(a.exclusive());
  EXPECT_THROW(b.open(path_), LockError);
  EXPECT_THROW(b.open(path_, OpenMode::Exclusive), LockError);
  a.close();
  b.open(path_, OpenMode::Exclusive);
}

TEST_F(Locks, EditingLocksTheRecordAgainstAnotherCursor) {
  Table a, b;
  a.open(path_);
  b.open(path_);
  a.goToRecord(1);
  a.edit();
  a.setString(0, "uno");
  b.goToRecord(1);
  EXPECT_THROW(b.edit(), LockError);
  EXPECT_THROW(b.deleteRecord(), LockError);
  b.goToRecord(2);
  b.edit();  // another record is free
  b.cancel();
  a.post();
  b.goToRecord(1);
  b.edit();
  EXPECT_EQ(b.asString(0), "uno");  // edit re-reads the record
  b.cancel();
  a.edit();  // the cancel released the lock
  a.post();
}

TEST_F(Locks, AnotherProcessHoldingARecordLockBlocksEdit) {
  Child child([&] {
    static Table t;  // stays open until the child exits
    t.open(path_);
    t.goToRecord(2);
    t.edit();
  });
  ASSERT_TRUE(child.waitReady());
  Table t;
  t.open(path_);
  t.goToRecord(2);
  EXPECT_THROW(t.edit(), LockError);
  t.goToRecord(3);
  t.edit();
  t.cancel();
  EXPECT_EQ(child.finish(), 0);
  t.goToRecord(2);
  t.edit();
  t.cancel();
}

TEST_F(Locks, AnotherProcessWithExclusiveUseKeepsUsOut) {
  Child child([&] {
    static Table t;
    t.open(path_, OpenMode::Exclusive);
  });
  ASSERT_TRUE(child.waitReady());
  Table t;
  EXPECT_THROW(t.open(path_), LockError);
  EXPECT_THROW(Table::deleteTable(path_), LockError);
  EXPECT_EQ(child.finish(), 0);
  t.open(path_);
  EXPECT_EQ(t.recordCount(), 3u);
}

TEST_F(Locks, AppendsAndEditsOfAnotherProcessAreSeenByTheNextMove) {
  Table t;
  t.open(path_);
  t.setActiveTag("TITLE");
  EXPECT_EQ(t.recordCount(), 3u);
  Child child([&] {
    Table other;
    other.open(path_);
    addBook(other, "alpha", "y");
    addBook(other, "zulu", "y");
    other.goToRecord(1);
    testing::editRecord(other, [&] { other.setString(0, "one-edited"); });
  });
  ASSERT_TRUE(child.waitReady());
  EXPECT_EQ(child.finish(), 0);
  EXPECT_EQ(t.physicalCount(), 5u);
  EXPECT_EQ(t.recordCount(), 5u);
  EXPECT_EQ(testing::titles(t),
            (std::vector<std::string>{"alpha", "one-edited", "three", "two", "zulu"}));
}

TEST_F(Locks, InterleavedAppendsFromTwoCursorsAllLand) {
  Table a, b;
  a.open(path_);
  b.open(path_);
  for (int i = 0; i < 20; ++i) addBook(i % 2 ? a : b, "n" + std::to_string(i), "z");
  EXPECT_EQ(a.physicalCount(), 23u);
  EXPECT_EQ(b.recordCount(), 23u);
  b.setActiveTag("TITLE");
  EXPECT_TRUE(b.findKey(std::string("n19")));
  a.goToRecord(23);
  EXPECT_EQ(a.asString(0), "n19");
}

TEST_F(Locks, HeldAppendsReachAnotherProcessTogether) {
  const auto seen = [&](uint32_t count, const std::vector<std::string>& titles) {
    Child child([&] {
      Table o;
      o.open(path_);
      o.setActiveTag("TITLE");
      if (o.recordCount() != count || testing::titles(o) != titles) throw std::runtime_error("");
    });
    EXPECT_TRUE(child.waitReady());
    EXPECT_EQ(child.finish(), 0);
  };
  Table t;
  t.open(path_);
  t.beginAppends();
  for (const char* s : {"zulu", "alpha", "mike"}) addBook(t, s, "y", 1, s);
  seen(3, {"one", "three", "two"});
  // Another writer's memo while ours wait: the batch's memos go after it.
  Child writer([&] {
    Table o;
    o.open(path_);
    addBook(o, "kilo", "y", 1, "theirs");
  });
  ASSERT_TRUE(writer.waitReady());
  EXPECT_EQ(writer.finish(), 0);
  EXPECT_EQ(t.endAppends(), 3u);
  seen(7, {"alpha", "kilo", "mike", "one", "three", "two", "zulu"});
  const int notes = t.fieldIndex("NOTES");
  for (uint32_t r = 4; r <= 7; ++r) {
    t.goToRecord(r);
    const std::string title = t.asString(0);
    EXPECT_EQ(t.readBlob(notes), title == "kilo" ? "theirs" : title) << r;
  }
  EXPECT_TRUE(checkTable(path_).sound());
}

// Exclusive use writes held records in one go: in posting order, with their
// keys and memos, after single appends (which grow the file ahead of them)
// and before the next ones.
TEST_F(Locks, HeldAppendsInExclusiveUse) {
  Table t;
  t.open(path_, OpenMode::Exclusive);
  t.setActiveTag("TITLE");
  addBook(t, "echo", "y", 1, "");
  t.beginAppends();
  for (const char* s : {"zulu", "alpha", "mike"}) addBook(t, s, "y", 1, s);
  EXPECT_EQ(t.endAppends(), 3u);
  addBook(t, "kilo", "y", 1, "");
  EXPECT_EQ(testing::titles(t), (std::vector<std::string>{"alpha", "echo", "kilo", "mike", "one",
                                                          "three", "two", "zulu"}));
  t.goToRecord(5);
  EXPECT_EQ(t.asString(0), "zulu");
  EXPECT_EQ(t.readBlob(t.fieldIndex("NOTES")), "zulu");
  t.goToRecord(8);
  EXPECT_EQ(t.asString(0), "kilo");
  t.close();
  EXPECT_TRUE(checkTable(path_).sound());
}

// Batch after batch of scattered keys into a growing tree: the index's
// blocks go out in runs (with cached neighbours between) and it stays sound.
TEST_F(Locks, ManyHeldBatchesKeepTheIndexSound) {
  for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
    SCOPED_TRACE(mode == OpenMode::Shared ? "shared" : "exclusive");
    Table::deleteTable(path_);
    SetUp();
    Table t;
    t.open(path_, mode);
    uint32_t seed = 12345;
    for (int batch = 0; batch < 20; ++batch) {
      t.beginAppends();
      for (int i = 0; i < 1000; ++i) {
        seed = seed * 1103515245u + 12345u;
        addBook(t, "t" + std::to_string(seed % 1000003u), "y");
      }
      EXPECT_EQ(t.endAppends(), 1000u);
    }
    t.setActiveTag("TITLE");
    const std::vector<std::string> titles = testing::titles(t);
    EXPECT_EQ(titles.size(), 20003u);
    EXPECT_TRUE(std::is_sorted(titles.begin(), titles.end()));
    t.close();
    const CheckReport report = checkTable(path_);
    EXPECT_TRUE(report.sound()) << (report.listed.empty() ? "" : report.listed[0].text);
  }
}

// Killed in the middle of an import, exclusive or shared: the next open for
// writing finds every record of every whole batch and the table sound.
TEST_F(Locks, KilledImportLeavesASoundTable) {
  for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
    if (!Table::resolve(path_)) SetUp();
    int written[2];
    ASSERT_EQ(pipe(written), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      Table t;
      t.open(path_, mode);
      for (int i = 0;; ++i) {
        if (i % 50 == 0) t.beginAppends();
        addBook(t, "n" + std::to_string(100000 + i), "y", i, i % 3 ? "" : "memo");
        if (i % 50 == 49 && t.endAppends() && i > 500) (void)!write(written[1], "x", 1);
      }
    }
    char c = 0;
    ASSERT_EQ(read(written[0], &c, 1), 1);
    usleep(2000);
    ASSERT_TRUE(testing::killedBySignal(pid));
    close(written[0]);
    close(written[1]);
    Table t;
    t.open(path_);
    const uint32_t n = t.physicalCount();
    EXPECT_GT(n, 100u);
    EXPECT_EQ((n - 3) % 50, 0u);  // whole batches in either use
    t.setActiveTag("TITLE");
    std::vector<std::string> titles = testing::titles(t);
    ASSERT_EQ(titles.size(), n);
    for (uint32_t i = 0; i < n - 3; ++i) EXPECT_EQ(titles[i], "n" + std::to_string(100000 + i));
    t.close();
    const CheckReport report = checkTable(path_);
    EXPECT_TRUE(report.sound()) << (mode == OpenMode::Shared ? "shared: " : "exclusive: ")
                                << (report.listed.empty() ? "" : report.listed[0].text);
    Table::deleteTable(path_);
  }
}

TEST_F(Locks, CountsSeeDeletionsByAnotherCursorAfterTheFileAged) {
  usleep(120000);  // old enough for the deletion flags to be kept between calls
  Table a, b;
  a.open(path_);
  b.open(path_);
  EXPECT_EQ(a.recordCount(), 3u);
  a.setActiveTag("TITLE");
  EXPECT_EQ(a.recordCount(), 3u);
  b.goToRecord(3);  // "three"
  b.deleteRecord();
  EXPECT_EQ(a.recordCount(), 2u);
  a.setActiveTag("");
  EXPECT_EQ(a.recordCount(), 2u);
  a.goToPosition(1);
  EXPECT_EQ(a.asString(0), "two");
  a.goToPosition(2);
  EXPECT_TRUE(a.eof());
}

TEST(LockBytes, RecordLocksUseTheDbaseOffsets) {
  ScratchDir dir;
  std::string path = dir.file("books.dbf");
  Table::create(path, bookFields());
  Table t;
  t.open(path);
  addBook(t, "one", "x");
  t.edit();
  // A classic POSIX probe from another process sees the OFD lock at 0xEFFFFFFE - 1.
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(path.c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(recordLockOffset(1));
    fl.l_len = 1;
    int busy = fcntl(fd, F_SETLK, &fl) != 0 ? 1 : 0;
    fl.l_start = static_cast<off_t>(recordLockOffset(2));
    int free = fcntl(fd, F_SETLK, &fl) == 0 ? 1 : 0;
    _exit(busy && free ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  t.cancel();
}

}  // namespace
}  // namespace dbase
