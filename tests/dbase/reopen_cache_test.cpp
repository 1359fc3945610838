// Counts and deletion flags kept across a close: a table reopened unchanged
// reuses them, one changed in between is read again.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "table_fixture.h"

namespace dbase::testing {
namespace {

// Past the clock-tick margin, so what was read may be kept.
void letTimePass() { std::this_thread::sleep_for(std::chrono::milliseconds(80)); }

class ReopenCache : public ::testing::Test {
 protected:
  ScratchDir dir_;
  std::string path_ = dir_.file("books.dbf");

  void SetUp() override {
    Table::create(path_, bookFields(), {tag("TITLE", "UPPER(TITLE)")});
    Table t;
    t.open(path_, OpenMode::Exclusive);
    for (int i = 0; i < 300; ++i) addBook(t, "Title " + std::to_string(1000 + i), "A");
  }
  // Counts under a range and in all, as a reader that just opened the table.
  std::pair<uint32_t, uint32_t> counts() {
    Table t;
    t.open(path_);
    t.setActiveTag("TITLE");
    const uint32_t all = t.recordCount();
    t.setRangeStart(std::string("TITLE 11"));
    t.setRangeEnd(std::string("TITLE 11"));
    t.applyRange();
    return {all, t.recordCount()};
  }
};

TEST_F(ReopenCache, UnchangedTableCountsTheSameAfterReopen) {
  letTimePass();
  EXPECT_EQ(counts(), std::make_pair(300u, 100u));
  EXPECT_EQ(counts(), std::make_pair(300u, 100u));
}

TEST_F(ReopenCache, AppendBetweenOpensIsCounted) {
  letTimePass();
  EXPECT_EQ(counts(), std::make_pair(300u, 100u));
  {
    Table w;
    w.open(path_);
    addBook(w, "Title 1150b", "B");
  }
  EXPECT_EQ(counts(), std::make_pair(301u, 101u));
  letTimePass();
  EXPECT_EQ(counts(), std::make_pair(301u, 101u));
}

TEST_F(ReopenCache, DeleteBetweenOpensIsCounted) {
  letTimePass();
  EXPECT_EQ(counts(), std::make_pair(300u, 100u));
  {
    Table w;
    w.open(path_);
    w.setActiveTag("TITLE");
    ASSERT_TRUE(w.findKey(std::string("TITLE 1105")));
    w.deleteRecord();
  }
  EXPECT_EQ(counts(), std::make_pair(299u, 99u));
  letTimePass();
  EXPECT_EQ(counts(), std::make_pair(299u, 99u));
  // A record deleted in place keeps the file's size: only its time tells.
  {
    Table w;
    w.open(path_);
    w.setActiveTag("TITLE");
    ASSERT_TRUE(w.findKey(std::string("TITLE 1106")));
    w.deleteRecord();
  }
  EXPECT_EQ(counts(), std::make_pair(298u, 98u));
}

}  // namespace
}  // namespace dbase::testing
