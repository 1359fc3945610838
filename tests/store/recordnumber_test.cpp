// Record numbers from the catalogue's counter, also with two programs adding
// records to one database at once.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "support/storefixture.h"

namespace storetest {
namespace {

class RecordNumberTest : public StoreTest {
 protected:
  // Appends n records, each numbered as a new record is when it is saved.
  static void appendNumbered(StoreTables& tables, int n) {
    dbase::Table& rec = tables.records.engine();
    for (int i = 0; i < n; ++i) {
      rec.append();
      rec.setString(F(kTitle), "Book " + std::to_string(i));
      nextRecordNumber(tables.records, tables.catalogue);
      rec.post();
    }
  }
  std::vector<int64_t> storedNumbers() {
    std::vector<int64_t> out;
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Shared, true);
    for (t.first(); !t.eof(); t.next()) out.push_back(t.asInteger(0));
    return out;
  }
};

TEST_F(RecordNumberTest, CounterGivesTheNextNumberAndKeepsIt) {
  ASSERT_TRUE(openDatabase(tables_));
  appendNumbered(tables_, 3);
  EXPECT_EQ(storedNumbers(), (std::vector<int64_t>{2, 3, 4}));
  dbase::Table& cat = tables_.catalogue.engine();
  ASSERT_TRUE(findCatalogEntry(tables_.catalogue, "data.dbf"));
  EXPECT_EQ(cat.asInteger(3), 4);
}

TEST_F(RecordNumberTest, NumberedRecordKeepsItsNumber) {
  ASSERT_TRUE(openDatabase(tables_));
  dbase::Table& rec = tables_.records.engine();
  rec.append();
  rec.setNumber(0, 77);
  EXPECT_EQ(nextRecordNumber(tables_.records, tables_.catalogue), 2);
  rec.post();
  EXPECT_EQ(storedNumbers(), std::vector<int64_t>{77});
}

TEST_F(RecordNumberTest, CatalogueMovedToAnotherEntryIsBroughtBack) {
  ASSERT_TRUE(openDatabase(tables_));
  ensureCatalogEntry(tables_.catalogue, "data_5.dbf");
  appendNumbered(tables_, 1);
  EXPECT_EQ(storedNumbers(), std::vector<int64_t>{2});
  ASSERT_TRUE(findCatalogEntry(tables_.catalogue, "data_5.dbf"));
  EXPECT_EQ(tables_.catalogue.engine().asInteger(3), 1);
}

TEST_F(RecordNumberTest, EntryLockedByAnotherProgramIsWaitedFor) {
  ASSERT_TRUE(openDatabase(tables_));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Another program: holds the entry while it sets the counter to 100.
    dbase::Table other;
    other.open(dataFile("master.dbf"));
    other.edit();
    char c = 1;
    if (write(ready[1], &c, 1) != 1) _exit(1);
    usleep(300 * 1000);
    other.setNumber(3, 100);
    other.post();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  dbase::Table& rec = tables_.records.engine();
  rec.append();
  const int64_t n = nextRecordNumber(tables_.records, tables_.catalogue);
  rec.post();
  int status = 0;
  waitpid(child, &status, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(n, 101);
}

TEST_F(RecordNumberTest, TwoProgramsNeverHandOutTheSameNumber) {
  ASSERT_TRUE(openDatabase(tables_));
  tables_.records.close();
  tables_.copy.close();
  tables_.catalogue.close();
  constexpr int kEach = 1000;
  pid_t children[2];
  for (pid_t& child : children) {
    child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int rc = 0;
      try {
        setPrompter(nullptr);
        StoreTables mine;
        if (!openDatabase(mine)) _exit(2);
        appendNumbered(mine, kEach);
      } catch (const std::exception& e) {
        fprintf(stderr, "child: %s\n", e.what());
        rc = 1;
      }
      _exit(rc);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::vector<int64_t> numbers = storedNumbers();
  EXPECT_EQ(numbers.size(), 2u * kEach);
  const std::set<int64_t> distinct(numbers.begin(), numbers.end());
  EXPECT_EQ(distinct.size(), 2u * kEach);
  EXPECT_EQ(*distinct.begin(), 2);
  EXPECT_EQ(*distinct.rbegin(), 2 * kEach + 1);
}

}  // namespace
}  // namespace storetest
