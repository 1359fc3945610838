// Rewriting records: keys of tags over untouched fields stay as they are,
// keys over changed fields (memo contents included) move, and exclusive
// rewrites through the mapping reach the file.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "table_fixture.h"

namespace dbase::testing {
namespace {

class Rewrite : public ::testing::Test {
 protected:
  void SetUp() override {
    Table::create(path, bookFields(),
                  {tag("TITLE", "UPPER(TITLE)"), tag("NOTES", "LEFT(NOTES, 10)"),
                   tag("CHEAP", "TITLE", false, false, "PRICE < 10")});
    Table t;
    t.open(path, OpenMode::Exclusive);
    const char* titles[] = {"delta", "alpha", "charlie", "bravo"};
    for (const char* title : titles) {
      t.append();
      t.setString(0, title);
      t.setNumber(2, 20);
      t.writeBlob(6, std::string("note ") + title);
      t.post();
    }
    t.close();
  }

  // Titles in the order of `tagName`.
  std::vector<std::string> Order(Table& t, const std::string& tagName) {
    t.setActiveTag(tagName);
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.asString(0));
    return out;
  }

  ScratchDir dir;
  std::string path = dir.file("books.dbf");
};

TEST_F(Rewrite, ChangingAnUnkeyedFieldKeepsEveryOrder) {
  Table t;
  t.open(path);
  t.goToRecord(2);
  t.edit();
  t.setString(1, "Somebody");
  t.post();
  EXPECT_EQ(Order(t, "TITLE"), (std::vector<std::string>{"alpha", "bravo", "charlie", "delta"}));
  EXPECT_EQ(t.recordCount(), 4u);
}

// A post that moves no key leaves the index file alone (not even its busy
// mark is set and cleared, so counts kept for it stay good); one that
// changes nothing writes nothing at all.
TEST_F(Rewrite, PostsTouchOnlyTheFilesTheyChange) {
  const std::string mdx = dir.file("books.mdx");
  auto modified = [](const std::string& file) {
    struct stat st {};
    ::stat(file.c_str(), &st);
    return std::pair{st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  };
  for (const bool change : {true, false}) {
    SCOPED_TRACE(change ? "an unkeyed field changed" : "nothing changed");
    Table t;
    t.open(path);
    t.goToRecord(3);
    const auto dbfBefore = modified(path);
    const auto mdxBefore = modified(mdx);
    const std::string dbfBytes = readFile(path), mdxBytes = readFile(mdx);
    ASSERT_FALSE(mdxBytes.empty());
    ::usleep(20000);  // past a clock tick, so a write would show in the times
    t.edit();
    if (change) t.setString(1, "Somebody else");
    t.post();
    EXPECT_EQ(modified(mdx), mdxBefore);
    EXPECT_EQ(readFile(mdx), mdxBytes);
    EXPECT_EQ(modified(path) == dbfBefore, !change);
    EXPECT_EQ(readFile(path) == dbfBytes, !change);
  }
}

TEST_F(Rewrite, ChangingAKeyedFieldMovesItsEntry) {
  for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
    Table t;
    t.open(path, mode);
    t.goToRecord(2);  // alpha
    t.edit();
    t.setString(0, mode == OpenMode::Shared ? "echo" : "foxtrot");
    t.post();
    t.close();
  }
  Table t;
  t.open(path);
  EXPECT_EQ(Order(t, "TITLE"), (std::vector<std::string>{"bravo", "charlie", "delta", "foxtrot"}));
  t.setActiveTag("TITLE");
  EXPECT_TRUE(t.findKey(std::string("FOXTROT")));
  EXPECT_FALSE(t.findKey(std::string("ALPHA")));
}

TEST_F(Rewrite, NewMemoContentsMoveAMemoKey) {
  Table t;
  t.open(path);
  t.goToRecord(1);  // delta
  t.edit();
  t.writeBlob(6, "aaa first");
  t.post();
  EXPECT_EQ(Order(t, "NOTES").front(), "delta");
}

TEST_F(Rewrite, AFieldOfTheTagConditionBringsTheRecordIn) {
  Table t;
  t.open(path);
  EXPECT_TRUE(Order(t, "CHEAP").empty());
  t.setActiveTag("");
  t.goToRecord(3);  // charlie
  t.edit();
  t.setNumber(2, 5);
  t.post();
  EXPECT_EQ(Order(t, "CHEAP"), std::vector<std::string>{"charlie"});
}

TEST_F(Rewrite, ExclusiveRewritesReachTheFile) {
  {
    // A pass that skips a record, as a marking pass skips unchanged marks.
    Table t;
    t.open(path, OpenMode::Exclusive);
    for (t.first(); !t.eof(); t.next()) {
      if (t.recNo() == 2) continue;
      t.edit();
      t.setString(1, "Rewritten " + t.asString(0));
      t.post();
    }
  }
  Table reader;
  reader.open(path);
  reader.goToRecord(3);
  EXPECT_EQ(reader.asString(1), "Rewritten charlie");
  EXPECT_EQ(std::string(reader.fieldBytes(0)).substr(0, 7), "charlie");
  EXPECT_EQ(reader.fieldBytes(0).size(), 40u);
  reader.goToRecord(2);
  EXPECT_EQ(reader.asString(1), "");
  reader.goToRecord(4);
  EXPECT_EQ(reader.asString(1), "Rewritten bravo");
}

}  // namespace
}  // namespace dbase::testing
