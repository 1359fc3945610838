#include "dbase/check.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "dbase/table.h"
#include "table_fixture.h"

namespace dbase {
namespace {

using testing::addBook;
using testing::bookFields;
using testing::ScratchDir;
using testing::tag;

TEST(CheckTable, SoundTableHasNoProblems) {
  ScratchDir dir;
  const std::string path = dir.file("books.dbf");
  Table::create(path, bookFields(), {tag("TITLE", "UPPER(TITLE)"), tag("AUTHOR", "AUTHOR", true)});
  Table t;
  t.open(path);
  for (int i = 0; i < 40; ++i) addBook(t, "book" + std::to_string(i), "author", i, "memo");
  t.close();
  const CheckReport report = checkTable(path);
  EXPECT_TRUE(report.sound());
  EXPECT_TRUE(report.listed.empty());
  EXPECT_TRUE(report.counts.empty());
}

// Records added behind an old copy of the index: every one is missing from it,
// all are counted, only the first few of the kind are listed.
TEST(CheckTable, CountsEveryProblemAndListsUpToTheLimit) {
  ScratchDir dir;
  const std::string path = dir.file("books.dbf");
  Table::create(path, bookFields(), {tag("TITLE", "TITLE")});
  const std::string mdx = dir.file("books.mdx");
  const std::string saved = dir.file("saved.mdx");
  std::filesystem::copy_file(mdx, saved);
  Table t;
  t.open(path);
  for (int i = 0; i < 30; ++i) addBook(t, "book" + std::to_string(100 + i), "author");
  t.close();
  std::filesystem::copy_file(saved, mdx, std::filesystem::copy_options::overwrite_existing);

  const CheckReport report = checkTable(path, 5);
  EXPECT_FALSE(report.sound());
  EXPECT_EQ(report.total, 30);
  ASSERT_EQ(report.counts.size(), 1u);
  EXPECT_EQ(report.counts.at("missing"), 30);
  ASSERT_EQ(report.listed.size(), 5u);
  EXPECT_EQ(report.listed[0].kind, "missing");
  EXPECT_EQ(report.listed[0].text,
            "tag TITLE: record 1, key \"book100" + std::string(33, ' ') + "\" is missing");
}

TEST(CheckTable, UnreadableTableThrows) {
  ScratchDir dir;
  EXPECT_THROW(checkTable(dir.file("none.dbf")), Error);
}

}  // namespace
}  // namespace dbase
