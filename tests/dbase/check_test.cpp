#include "dbase/check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "dbase/table.h"
#include "support/indexdamage.h"
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

// Index layouts the walks alone did not reveal. Check names each. Damaged
// definitions keep readers and writers out of the index (a rebuild from the
// records mends it); a damaged root fails every walk and update, a damaged
// free chain the update that would take a free block. A failed update leaves
// the busy mark, so the next writer rebuilds the tags instead.
TEST(CheckTable, DamagedIndexLayoutsAreFoundAndRefused) {
  enum class Hit { Definitions, Tree, FreeChain };
  struct Case {
    const char* name;
    void (*damage)(std::string&);
    const char* says;
    Hit hit;
  };
  const Case cases[] = {
      {"shared tag header", indexdamage::tagsShareAHeader, "share the tag header",
       Hit::Definitions},
      {"duplicate names", indexdamage::tagsShareAName, "two tags are named TITLE",
       Hit::Definitions},
      {"root at an odd page", indexdamage::rootAtAnOddPage, "not on a block boundary", Hit::Tree},
      {"root at its tag header", indexdamage::rootAtItsTagHeader, "its own tag header", Hit::Tree},
      {"free block to itself", indexdamage::freeBlockToItself, "points to itself", Hit::FreeChain},
      {"free block into the tree", indexdamage::freeBlockIntoTheTree, "in use by a tag",
       Hit::FreeChain},
  };
  const std::vector<TagDef> tags{tag("TITLE", "TITLE", false, false, ".NOT.DELETED()"),
                                 tag("AUTHOR", "AUTHOR")};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    const std::string path = dir.file("books.dbf");
    const std::string mdx = dir.file("books.mdx");
    Table::create(path, bookFields(), tags);
    {
      Table t;
      t.open(path);
      for (int i = 0; i < 300; ++i) addBook(t, "book" + std::to_string(1000 + i), "a");
      for (uint32_t r = 1; r <= 150; ++r) {  // empties leaves of TITLE: free blocks
        t.goToRecord(r);
        t.deleteRecord();
      }
    }
    ASSERT_TRUE(checkTable(path).sound());
    std::string bytes = testing::readFile(mdx);
    ASSERT_NE(indexdamage::le32(bytes, 36), 0u) << "no free block to damage";
    c.damage(bytes);
    testing::writeFile(mdx, bytes);

    const CheckReport report = checkTable(path);
    EXPECT_FALSE(report.sound());
    EXPECT_TRUE(std::any_of(report.listed.begin(), report.listed.end(), [&](const auto& p) {
      return p.kind == "index" && p.text.find(c.says) != std::string::npos;
    })) << (report.listed.empty() ? "" : report.listed[0].text);
    {
      Table reader;
      reader.open(path, OpenMode::Shared, true);
      if (c.hit == Hit::Definitions) {
        EXPECT_NE(reader.indexProblem().find(c.says), std::string::npos) << reader.indexProblem();
      } else {
        reader.setActiveTag("TITLE");
        if (c.hit == Hit::Tree) {
          EXPECT_THROW(reader.recordCount(), FormatError);
          EXPECT_THROW(reader.first(), FormatError);
        } else {
          EXPECT_EQ(reader.recordCount(), 150u);
        }
      }
    }
    if (c.hit == Hit::Definitions) {
      try {
        Table writer;
        writer.open(path, OpenMode::Shared);
        ADD_FAILURE() << "a writer opened the damaged index";
      } catch (const FormatError& e) {
        EXPECT_EQ(e.file(), mdx);
        EXPECT_NE(e.reason().find(c.says), std::string::npos) << e.what();
      }
      Table::rebuildIndex(path, tags);
    } else {
      std::string failure;
      {
        Table writer;
        writer.open(path, OpenMode::Shared);
        for (int i = 0; i < 60 && failure.empty(); ++i) {
          try {
            addBook(writer, "new" + std::to_string(i), "a");
          } catch (const FormatError& e) {
            failure = e.what();
          }
        }
      }
      EXPECT_NE(failure.find(c.says), std::string::npos) << failure;
      Table next;
      next.open(path, OpenMode::Shared);
      addBook(next, "after", "a");
    }
    EXPECT_TRUE(checkTable(path).sound());
    Table t;
    t.open(path, OpenMode::Shared, true);
    const uint32_t live = t.recordCount();
    t.setActiveTag("TITLE");
    EXPECT_EQ(t.recordCount(), live);
  }
}

TEST(CheckTable, UnreadableTableThrows) {
  ScratchDir dir;
  EXPECT_THROW(checkTable(dir.file("none.dbf")), Error);
}

}  // namespace
}  // namespace dbase
