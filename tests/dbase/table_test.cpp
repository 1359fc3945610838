#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "dbase/check.h"
#include "dbase/codepage.h"
#include "dbase/table.h"
#include "dbase/table_impl.h"
#include "table_fixture.h"

namespace dbase {
namespace {

// Every write of this test program passes here: a child that sets
// writesUntilKill dies at that write call, before it or just after it.
long writesUntilKill = 0;
bool killAfterWrite = false;

}  // namespace
}  // namespace dbase

extern "C" ssize_t pwrite(int fd, const void* buf, size_t n, off_t offset) {
  if (dbase::writesUntilKill > 0 && --dbase::writesUntilKill == 0) {
    if (dbase::killAfterWrite) syscall(SYS_pwrite64, fd, buf, n, offset);
    raise(SIGKILL);
  }
  return syscall(SYS_pwrite64, fd, buf, n, offset);
}

namespace dbase {
namespace {

using testing::addBook;
using testing::bookFields;
using testing::killedBySignal;
using testing::le16;
using testing::readFile;
using testing::ScratchDir;
using testing::tag;
using testing::Titles;
using testing::titles;
using testing::writeFile;

std::string binaryBlob(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + 7) & 0xFF);
  return s;
}

// A books.dbf in a scratch folder; each test creates it with the tags it needs.
class BookTable : public ::testing::Test {
 protected:
  // Creates the table and opens it in `t`.
  void create(const std::vector<TagDef>& tags = {}, OpenMode mode = OpenMode::Shared) {
    Table::create(path, bookFields(), tags);
    t.open(path, mode);
  }
  void addTitles(std::initializer_list<const char*> list) {
    for (const char* s : list) addBook(t, s, "x");
  }
  void addNumbered(int n) {
    for (int i = 1; i <= n; ++i) addBook(t, "book" + std::to_string(i), "x");
  }

  ScratchDir dir;
  const std::string path = dir.file("books.dbf");
  Table t;
};
using TableFields = BookTable;
using TableMemo = BookTable;
using TableNavigation = BookTable;
using TableCreate = BookTable;
using TableFiles = BookTable;
using TableTags = BookTable;
using TablePack = BookTable;
using TableRecovery = BookTable;
using TableDefinitions = BookTable;

TEST_F(TableFields, EveryTypeSurvivesReopen) {
  create({}, OpenMode::Exclusive);
  std::string notes = std::string(100 * 1024, 'n') + "\r\nend";
  std::string cover = binaryBlob(70000);
  t.append();
  t.setString(0, "Moby Dick");
  t.setString(1, "Melville");
  t.setNumber(2, 12.5);
  t.setString(3, "635");
  t.setDate(4, Date{1999, 12, 31});
  t.setBool(5, true);
  t.writeBlob(6, notes);
  std::istringstream in(cover);
  t.writeBlob(7, in);
  t.setNumber(8, -3.25);
  t.post();
  t.close();
  t.open(path, OpenMode::Shared, true);
  ASSERT_EQ(t.recordCount(), 1u);
  EXPECT_EQ(t.versionByte(), 0x8B);
  EXPECT_EQ(t.asString(0), "Moby Dick");
  EXPECT_EQ(t.asString(1), "Melville");
  EXPECT_DOUBLE_EQ(t.asNumber(2), 12.5);
  EXPECT_EQ(t.asString(2), "12.50");
  EXPECT_EQ(t.asInteger(3), 635);
  EXPECT_EQ(t.asDate(4), (Date{1999, 12, 31}));
  EXPECT_EQ(t.asString(4), "19991231");
  EXPECT_TRUE(t.asBool(5));
  EXPECT_EQ(t.asString(6), notes);
  EXPECT_EQ(t.readBlob(7), cover);
  std::ostringstream out;
  t.readBlob(7, out);
  EXPECT_EQ(out.str(), cover);
  EXPECT_DOUBLE_EQ(t.asNumber(8), -3.3);  // one decimal: rounded when stored
  EXPECT_TRUE(t.readOnly());
  EXPECT_THROW(t.append(), Error);
  EXPECT_THROW(t.edit(), Error);
}

TEST_F(TableFields, BlankNumbersAndDatesStayBlankOnDisk) {
  create();
  addBook(t, "Blank", "Nobody");
  t.close();
  t.open(path);
  for (int field : {2, 4, 5, 6}) EXPECT_TRUE(t.isEmpty(field)) << field;
  EXPECT_TRUE(t.asDate(4).isBlank());
  EXPECT_EQ(t.asString(2), "");
  std::string bytes = readFile(path);
  std::string record = bytes.substr(le16(bytes, 8), 1 + 40 + 30 + 8 + 5 + 8);
  EXPECT_EQ(record.substr(71, 8), std::string(8, ' '));  // PRICE
  EXPECT_EQ(record.substr(84, 8), std::string(8, ' '));  // BOUGHT
}

TEST_F(TableFields, ValuesThatDoNotFitAreRefused) {
  create();
  t.append();
  EXPECT_THROW(t.setNumber(3, 123456), Error);
  // numberFits tells beforehand what setNumber refuses.
  EXPECT_FALSE(numberFits(t.fields()[3], 123456));
  EXPECT_TRUE(numberFits(t.fields()[3], 99999));
  EXPECT_TRUE(numberFits(t.fields()[2], -9999.99));
  EXPECT_FALSE(numberFits(t.fields()[2], 99999.999));  // rounds to 100000.00
  EXPECT_THROW(t.setString(2, "twelve"), Error);
  EXPECT_THROW(t.setString(4, "20230231"), Error);
  t.setString(0, std::string(60, 'x'));
  EXPECT_EQ(t.asString(0), std::string(40, 'x'));
  t.cancel();
  EXPECT_EQ(t.physicalCount(), 0u);
}

TEST_F(TableMemo, RewriteReusesBlocksWhenItFitsAndAppendsOtherwise) {
  create({}, OpenMode::Exclusive);
  addBook(t, "A", "B", -1, std::string(1500, 'a'));
  addBook(t, "C", "D", -1, "second");
  size_t before = readFile(dir.file("books.dbt")).size();
  t.first();
  testing::editRecord(t, [&] { t.writeBlob(6, std::string(1000, 'b')); });
  EXPECT_EQ(readFile(dir.file("books.dbt")).size(), before);
  EXPECT_EQ(t.readBlob(6), std::string(1000, 'b'));
  testing::editRecord(t, [&] { t.writeBlob(6, std::string(5000, 'c')); });
  EXPECT_GT(readFile(dir.file("books.dbt")).size(), before);
  EXPECT_EQ(t.readBlob(6), std::string(5000, 'c'));
  t.next();
  EXPECT_EQ(t.readBlob(6), "second");
}

TEST_F(TableMemo, ClearedMemoReadsEmptyAndPendingMemoIsVisibleBeforePost) {
  create();
  addBook(t, "A", "B", -1, "text");
  t.edit();
  t.writeBlob(6, "new");
  EXPECT_EQ(t.asString(6), "new");
  t.cancel();
  EXPECT_EQ(t.asString(6), "text");
  testing::editRecord(t, [&] { t.clear(6); });
  EXPECT_TRUE(t.isEmpty(6));
  EXPECT_EQ(t.readBlob(6), "");
}

TEST_F(TableNavigation, NaturalOrderSkipsDeletedRecords) {
  create();
  addTitles({"one", "two", "three", "four"});
  t.goToRecord(2);
  t.deleteRecord();
  EXPECT_EQ(t.recNo(), 3u);
  EXPECT_EQ(titles(t), (Titles{"one", "three", "four"}));
  EXPECT_EQ(t.recordCount(), 3u);
  EXPECT_EQ(t.physicalCount(), 4u);
  t.goToRecord(2);
  EXPECT_TRUE(t.isDeleted());
  std::string bytes = readFile(path);
  EXPECT_EQ(bytes[le16(bytes, 8) + le16(bytes, 10)], '*');
  EXPECT_EQ(bytes[le16(bytes, 8)], ' ');
  EXPECT_EQ(static_cast<uint8_t>(bytes.back()), 0x1A);
}

TEST_F(TableNavigation, DeletingTheLastRecordLeavesEofOnTheNewLast) {
  create();
  addTitles({"one", "two"});
  t.last();
  t.deleteRecord();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.asString(0), "one");
  t.deleteRecord();
  EXPECT_TRUE(t.eof());
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recNo(), 0u);
  EXPECT_EQ(t.recordCount(), 0u);
}

TEST_F(TableNavigation, BofEofMoveByAndPositions) {
  create();
  EXPECT_TRUE(t.bof());
  EXPECT_TRUE(t.eof());
  addNumbered(10);
  t.goToRecord(4);
  t.deleteRecord();
  t.first();
  EXPECT_FALSE(t.bof());
  t.prior();
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recNo(), 1u);
  EXPECT_EQ(t.moveBy(4), 4);
  EXPECT_EQ(t.recNo(), 6u);  // 4 is deleted
  EXPECT_EQ(t.position(), 4u);
  EXPECT_EQ(t.moveBy(-10), 4);
  EXPECT_EQ(t.recNo(), 1u);
  // Positions count live records only.
  for (auto [position, recNo] : {std::pair{3u, 5u}, std::pair{8u, 10u}}) {
    t.goToPosition(position);
    EXPECT_EQ(t.recNo(), recNo) << position;
  }
  t.goToPosition(9);
  EXPECT_TRUE(t.eof());
  t.last();
  t.next();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.recNo(), 10u);
}

TEST_F(TableNavigation, BookmarksReturnToTheirRecord) {
  create();
  addNumbered(5);
  t.goToRecord(3);
  Bookmark mark = t.bookmark();
  t.first();
  t.goToBookmark(mark);
  EXPECT_EQ(t.asString(0), "book3");
  EXPECT_THROW(t.goToRecord(6), Error);
  EXPECT_THROW(t.goToBookmark(Bookmark{}), Error);
}

TEST_F(TableCreate, RefusesExistingTablesAndBadFields) {
  Table::create(path, bookFields());
  const std::vector<std::pair<const char*, std::vector<FieldDef>>> refused = {
      {"BOOKS.DBF", bookFields()},  // exists, whatever the case
      {"a.dbf", {{"TOOLONGNAME1", FieldType::Character, 5, 0}}},
      {"b.dbf", {{"A", FieldType::Character, 5, 0}, {"a", FieldType::Numeric, 5, 0}}},
      {"c.dbf", {}},
  };
  for (const auto& [name, fields] : refused)
    EXPECT_THROW(Table::create(dir.file(name), fields), Error) << name;
  EXPECT_FALSE(Table::resolve(dir.file("a.dbf")));
}

TEST_F(TableCreate, PlainTableHasNoMemoFile) {
  Table::create(dir.file("plain.dbf"), {{"NAME", FieldType::Character, 10, 0}});
  EXPECT_FALSE(Table::resolve(dir.file("plain.dbt")));
  t.open(dir.file("plain.dbf"));
  EXPECT_EQ(t.versionByte(), 0x03);
  EXPECT_EQ(t.fields().size(), 1u);
  EXPECT_EQ(t.fieldIndex("name"), 0);
  EXPECT_EQ(t.fieldIndex("nope"), -1);
}

TEST_F(TableFiles, NamesResolveCaseInsensitively) {
  Table::create(dir.file("DATA.DBF"), bookFields());
  auto found = Table::resolve(dir.file("data.dbf"));
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, dir.file("DATA.DBF"));
  EXPECT_TRUE(Table::resolve(dir.file("DATA.DBT")));
  t.open(dir.file("Data.Dbf"));
  EXPECT_EQ(t.tableName(), "DATA.DBF");
  EXPECT_EQ(t.directory(), dir.path());
  addBook(t, "memo", "x", -1, "found the DBT");
  t.close();
  t.open(dir.file("data.dbf"));
  EXPECT_EQ(t.asString(6), "found the DBT");
}

TEST_F(TableFiles, CopyRenameAndDeleteMoveTheWholeFamily) {
  create({tag("TITLE", "TITLE")});
  addBook(t, "Zed", "x", -1, "memo z");
  addBook(t, "Alpha", "y", -1, "memo a");
  t.close();
  Table::copyTable(dir.file("BOOKS.DBF"), dir.file("copy.dbf"), false);
  EXPECT_THROW(Table::copyTable(path, dir.file("copy.dbf"), false), Error);
  Table::copyTable(path, dir.file("copy.dbf"), true);
  Table::renameTable(dir.file("copy.dbf"), dir.file("moved.dbf"));
  for (const char* gone : {"copy.dbf", "copy.dbt", "copy.mdx"})
    EXPECT_FALSE(Table::resolve(dir.file(gone))) << gone;
  t.open(dir.file("moved.dbf"));
  t.setActiveTag("TITLE");
  EXPECT_EQ(titles(t), (Titles{"Alpha", "Zed"}));
  t.first();
  EXPECT_EQ(t.asString(6), "memo a");
  EXPECT_THROW(Table::deleteTable(dir.file("moved.dbf")), LockError);
  t.close();
  Table::deleteTable(dir.file("MOVED.DBF"));
  for (const char* gone : {"moved.dbf", "moved.dbt", "moved.mdx"})
    EXPECT_FALSE(Table::resolve(dir.file(gone))) << gone;
  EXPECT_TRUE(Table::resolve(path));
}

TEST_F(TableTags, TagOrderFollowsTheKeyAndEditsMoveKeys) {
  create({tag("TITLE", "UPPER(TITLE)"), tag("PRICE", "PRICE", true)});
  addBook(t, "cherry", "x", 3);
  addBook(t, "Apple", "x", 1);
  addBook(t, "banana", "x", 2);
  t.setActiveTag("title");
  EXPECT_EQ(t.activeTag(), "TITLE");
  EXPECT_EQ(titles(t), (Titles{"Apple", "banana", "cherry"}));
  t.setActiveTag("PRICE");
  EXPECT_EQ(titles(t), (Titles{"cherry", "banana", "Apple"}));
  t.first();
  testing::editRecord(t, [&] { t.setNumber(2, 0.5); });
  EXPECT_EQ(titles(t), (Titles{"banana", "Apple", "cherry"}));
  EXPECT_THROW(t.setActiveTag("NOPE"), Error);
  t.setActiveTag("");
  EXPECT_EQ(titles(t), (Titles{"cherry", "Apple", "banana"}));
}

TEST_F(TableTags, DeletedRecordsKeepTheirKeysButAreSkipped) {
  create({tag("TITLE", "TITLE")});
  addTitles({"d", "b", "a", "c"});
  t.setActiveTag("TITLE");
  ASSERT_TRUE(t.findKey(std::string("b")));
  t.deleteRecord();
  EXPECT_EQ(t.asString(0), "c");
  EXPECT_EQ(titles(t), (Titles{"a", "c", "d"}));
  EXPECT_EQ(t.recordCount(), 3u);
  t.findKey(std::string("c"));
  EXPECT_EQ(t.position(), 1u);
  t.prior();
  EXPECT_EQ(t.asString(0), "a");
}

TEST_F(TableTags, RangesAdmitLongerKeysUnderACharacterHighBound) {
  create({tag("AUTHOR", "AUTHOR")});
  for (const char* a : {"SMITHSON", "SMIT", "SMITH", "JONES", "SMYTHE", "SNOW", "ADAMS"})
    addBook(t, a, a);
  t.setActiveTag("AUTHOR");
  auto applyRange = [&](const char* low, const char* high) {
    t.setRangeStart(std::string(low));
    t.setRangeEnd(std::string(high));
    t.applyRange();
  };
  applyRange("SMI", "SMITH");
  EXPECT_TRUE(t.hasRange());
  EXPECT_EQ(titles(t), (Titles{"SMIT", "SMITH", "SMITHSON"}));
  EXPECT_EQ(t.recordCount(), 3u);
  t.last();
  EXPECT_EQ(t.asString(0), "SMITHSON");
  t.next();
  EXPECT_TRUE(t.eof());
  t.goToPosition(1);
  EXPECT_EQ(t.asString(0), "SMITH");
  EXPECT_EQ(t.position(), 1u);
  t.cancelRange();
  EXPECT_FALSE(t.hasRange());
  EXPECT_EQ(t.recordCount(), 7u);
  applyRange("S", "S");
  EXPECT_EQ(t.recordCount(), 5u);
  applyRange("X", "Z");
  EXPECT_EQ(t.recordCount(), 0u);
  t.first();
  EXPECT_TRUE(t.eof());
  EXPECT_TRUE(t.bof());
}

TEST_F(TableTags, FindKeyPositionsOnTheFirstKeyNotBelow) {
  create({tag("TITLE", "TITLE"), tag("PAGES", "PAGES"), tag("BOUGHT", "BOUGHT")});
  const int pages[] = {300, 120, 800};
  const Date dates[] = {{2001, 5, 1}, {1999, 1, 2}, {}};
  const char* names[] = {"Gamma", "Alpha", "Beta"};
  for (int i = 0; i < 3; ++i) {
    t.append();
    t.setString(0, names[i]);
    t.setNumber(3, pages[i]);
    t.setDate(4, dates[i]);
    t.post();
  }
  t.setActiveTag("TITLE");
  EXPECT_TRUE(t.findKey(std::string("Be")));
  EXPECT_EQ(t.asString(0), "Beta");
  EXPECT_FALSE(t.findKey(std::string("Bz")));
  EXPECT_EQ(t.asString(0), "Gamma");
  EXPECT_FALSE(t.findKey(std::string("Z")));
  EXPECT_TRUE(t.eof());
  t.setActiveTag("PAGES");
  EXPECT_TRUE(t.findKey(300.0));
  EXPECT_EQ(t.asString(0), "Gamma");
  EXPECT_FALSE(t.findKey(200.0));
  EXPECT_EQ(t.asInteger(3), 300);
  EXPECT_EQ(titles(t), (Titles{"Alpha", "Gamma", "Beta"}));
  t.setActiveTag("BOUGHT");
  EXPECT_EQ(titles(t), (Titles{"Alpha", "Gamma", "Beta"}));  // blank date last
  EXPECT_TRUE(t.findKey(Date{2001, 5, 1}));
  EXPECT_EQ(t.asString(0), "Gamma");
  EXPECT_EQ(t.currentKey().size(), 8u);
}

TEST_F(TableTags, AddAndDeleteTagsNeedExclusiveUse) {
  create();
  addTitles({"c", "a", "b"});
  EXPECT_THROW(t.addTag(tag("TITLE", "TITLE")), Error);
  t.close();
  t.open(path, OpenMode::Exclusive);
  t.addTag(tag("TITLE", "TITLE"));
  t.addTag(tag("AUTH", "AUTHOR+TITLE", false, false, "PAGES > 0"));
  EXPECT_THROW(t.addTag(tag("title", "AUTHOR")), Error);
  EXPECT_THROW(t.addTag(tag("BAD", "NOSUCHFIELD")), ExpressionError);
  ASSERT_EQ(t.tags().size(), 2u);
  EXPECT_EQ(t.tags()[1].filter, "PAGES > 0");
  t.setActiveTag("TITLE");
  EXPECT_EQ(titles(t), (Titles{"a", "b", "c"}));
  t.setActiveTag("AUTH");
  EXPECT_EQ(t.recordCount(), 0u);  // no record passes the filter
  t.deleteTag("AUTH");
  EXPECT_EQ(t.activeTag(), "");
  EXPECT_EQ(t.tags().size(), 1u);
  EXPECT_THROW(t.deleteTag("AUTH"), Error);
  t.close();
  t.open(path);
  EXPECT_EQ(t.tags().size(), 1u);
  t.setActiveTag("TITLE");
  EXPECT_EQ(titles(t), (Titles{"a", "b", "c"}));
  std::string header = readFile(path);
  EXPECT_EQ(header[28], 0x01);       // production index flag
  EXPECT_EQ(header[32 + 31], 0x01);  // TITLE carries a tag
  EXPECT_EQ(header[64 + 31], 0x00);
  t.close();
  t.open(path, OpenMode::Exclusive);
  t.deleteTag("TITLE");
  EXPECT_TRUE(t.tags().empty());
  EXPECT_FALSE(Table::resolve(dir.file("books.mdx")));
  header = readFile(path);
  EXPECT_EQ(header[28], 0x00);
  EXPECT_EQ(header[32 + 31], 0x00);
  t.close();
  t.open(path);
  EXPECT_EQ(t.recordCount(), 3u);
}

TEST_F(TableTags, UniqueTagKeepsTheFirstRecordOfEachKey) {
  create(
      {tag("AUTHOR", "AUTHOR", false, true), tag("LIVE", "AUTHOR", false, true, ".NOT.DELETED()")},
      OpenMode::Exclusive);
  addBook(t, "one", "Eco");
  addBook(t, "two", "Eco");
  addBook(t, "three", "Alcott");
  t.setActiveTag("AUTHOR");
  EXPECT_EQ(titles(t), (Titles{"three", "one"}));
  t.regenerateTags();
  t.setActiveTag("AUTHOR");
  EXPECT_EQ(titles(t), (Titles{"three", "one"}));
  // When the listed record leaves a key, the next record with it is listed.
  t.setActiveTag("");
  t.goToRecord(1);
  testing::editRecord(t, [&] { t.setString(1, "Zola"); });
  t.setActiveTag("AUTHOR");
  EXPECT_EQ(titles(t), (Titles{"three", "two", "one"}));
  t.setActiveTag("");
  t.goToRecord(2);
  t.deleteRecord();
  t.setActiveTag("LIVE");
  EXPECT_EQ(titles(t), (Titles{"three", "one"}));
  addBook(t, "four", "Eco");
  t.setActiveTag("");
  t.goToRecord(3);
  t.deleteRecord();
  t.setActiveTag("LIVE");
  EXPECT_EQ(titles(t), (Titles{"four", "one"}));
  t.close();
  EXPECT_TRUE(checkTable(path).sound());
}

TEST_F(TableTags, MemoExpressionsSeeTheMemo) {
  create({tag("NOTE1", "MLINE(NOTES, 1)")});
  addBook(t, "b", "x", -1, "zebra");
  addBook(t, "a", "x", -1, "apple");
  t.setActiveTag("NOTE1");
  EXPECT_EQ(titles(t), (Titles{"a", "b"}));
  t.first();
  testing::editRecord(t, [&] { t.writeBlob(6, "zzz"); });
  EXPECT_EQ(titles(t), (Titles{"b", "a"}));
}

TEST_F(TablePack, DropsDeletedRecordsCompactsMemosAndRebuildsTags) {
  create({tag("TITLE", "TITLE")});
  for (int i = 0; i < 20; ++i)
    addBook(t, "book" + std::to_string(100 - i), "x", i, std::string(3000, 'a' + i % 26));
  t.first();
  for (int i = 0; i < 10; ++i) {
    t.edit();
    t.writeBlob(6, std::string(9000, 'z'));  // outgrows its blocks: old ones become garbage
    t.post();
    t.deleteRecord();
  }
  EXPECT_THROW(t.pack(), Error);
  t.close();
  size_t dbtBefore = readFile(dir.file("books.dbt")).size();
  t.open(path, OpenMode::Exclusive);
  t.pack();
  EXPECT_EQ(t.physicalCount(), 10u);
  EXPECT_EQ(t.recordCount(), 10u);
  EXPECT_LT(readFile(dir.file("books.dbt")).size(), dbtBefore / 3);
  t.setActiveTag("TITLE");
  std::vector<std::string> expected;
  for (int i = 19; i >= 10; --i) expected.push_back("book" + std::to_string(100 - i));
  EXPECT_EQ(titles(t), expected);
  t.first();
  EXPECT_EQ(t.readBlob(6), std::string(3000, 'a' + 19));
  EXPECT_FALSE(Table::resolve(path + ".tmp"));
  t.close();
  t.open(path);
  EXPECT_EQ(t.recordCount(), 10u);
}

TEST_F(TablePack, EmptyTableRemovesEveryRecordAndKey) {
  create({tag("TITLE", "TITLE")}, OpenMode::Exclusive);
  for (int i = 0; i < 5; ++i) addBook(t, "b" + std::to_string(i), "x", -1, "memo");
  t.emptyTable();
  EXPECT_EQ(t.physicalCount(), 0u);
  t.setActiveTag("TITLE");
  EXPECT_EQ(t.recordCount(), 0u);
  EXPECT_TRUE(t.eof());
  addBook(t, "again", "x");
  EXPECT_EQ(titles(t), (Titles{"again"}));
  EXPECT_EQ(readFile(dir.file("books.dbt")).size(), 512u);
}

// Runs `body` in a child process until it is killed; one that stops by itself exits 1.
template <class Body>
pid_t untilKilled(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    try {
      body();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child stopped: %s\n", e.what());
    } catch (...) {
    }
    _exit(1);
  }
  return pid;
}

// Appends "book<n>" records with memo "memo <n>" until killed.
void appendForever(const std::string& path, OpenMode mode) {
  Table t;
  t.open(path, mode);
  for (uint32_t n = t.physicalCount() + 1;; ++n) {
    t.append();
    t.setString(0, "book" + std::to_string(n));
    t.setNumber(3, n % 10000);
    t.writeBlob(6, "memo " + std::to_string(n) + std::string(n % 700, '.'));
    t.post();
  }
}

class CrashDuringAppend : public ::testing::TestWithParam<OpenMode> {};

TEST_P(CrashDuringAppend, EveryCountedRecordSurvivesKillNine) {
  ScratchDir dir;
  std::string path = dir.file("books.dbf");
  Table::create(path, bookFields(), {tag("TITLE", "TITLE")});
  for (int round = 0; round < 3; ++round) {
    const pid_t pid = untilKilled([&] { appendForever(path, GetParam()); });
    // Let it write a while, at a different moment each round.
    uint64_t target = 40000 + static_cast<uint64_t>(round) * 37000;
    for (int i = 0; i < 2000 && readFile(path).size() < target; ++i) usleep(2000);
    ASSERT_TRUE(killedBySignal(pid));
    Table t;
    t.open(path, OpenMode::Exclusive);
    uint32_t n = t.physicalCount();
    ASSERT_GT(n, 0u);
    for (uint32_t r = 1; r <= n; ++r) {
      t.goToRecord(r);
      ASSERT_EQ(t.asString(0), "book" + std::to_string(r));
      ASSERT_EQ(t.asInteger(3), r % 10000);
      ASSERT_EQ(t.readBlob(6), "memo " + std::to_string(r) + std::string(r % 700, '.'));
    }
    t.setActiveTag("TITLE");
    EXPECT_EQ(t.recordCount(), n);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, CrashDuringAppend,
                         ::testing::Values(OpenMode::Exclusive, OpenMode::Shared));

// Appends "<prefix><n>" books; once told through `go` (a non-blocking pipe)
// that the other writer is dead, appends a few more and exits.
[[noreturn]] void appendUntilTold(const std::string& path, const std::string& prefix, int go) {
  try {
    Table t;
    t.open(path, OpenMode::Shared);
    int after = -1;
    for (uint32_t n = 1; after != 0; ++n) {
      char c;
      if (after < 0 && go >= 0 && ::read(go, &c, 1) == 1) after = 3;
      if (after > 0) --after;
      t.append();
      t.setString(0, prefix + std::to_string(n));
      t.setNumber(3, n % 1000);
      t.writeBlob(6, "memo " + std::to_string(n));
      t.post();
    }
  } catch (...) {
    _exit(1);
  }
  _exit(0);
}

// Two appenders share the table and one dies at a random write call. The
// survivor writes on after the death: it must take the dead writer's mark for
// what it is and rebuild, not clear it, so every tag holds every record.
TEST(CrashDuringSharedAppends, SurvivorRebuildsWhatTheDeadWriterLeftUnfinished) {
  ScratchDir dir;
  std::string path = dir.file("books.dbf");
  Table::create(path, bookFields(), {tag("TITLE", "TITLE"), tag("PAGES", "PAGES", true)});
  uint32_t x = 20261208;
  for (int round = 0; round < 12; ++round) {
    x = x * 1103515245u + 12345u;
    int go[2];
    ASSERT_EQ(pipe2(go, O_NONBLOCK), 0);
    const pid_t survivor = fork();
    if (survivor == 0) {
      ::close(go[1]);
      appendUntilTold(path, "s" + std::to_string(round) + "-", go[0]);
    }
    const pid_t victim = fork();
    if (victim == 0) {
      writesUntilKill = 1 + static_cast<long>((x >> 8) % 600);
      killAfterWrite = (x >> 4) & 1;
      appendUntilTold(path, "v" + std::to_string(round) + "-", -1);
    }
    ::close(go[0]);
    int status = 0;
    waitpid(victim, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "round " << round;
    ASSERT_EQ(::write(go[1], "g", 1), 1);
    ::close(go[1]);
    waitpid(survivor, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;

    const CheckReport report = checkTable(path);
    for (const auto& p : report.listed) ADD_FAILURE() << "round " << round << ": " << p.text;
    ASSERT_TRUE(report.sound());
    Table t;
    t.open(path, OpenMode::Shared, true);
    for (const char* name : {"TITLE", "PAGES"}) {
      t.setActiveTag(name);
      EXPECT_EQ(t.recordCount(), t.physicalCount()) << name << ", round " << round;
    }
  }
}

TEST(Interop, PerlXBaseReadsOurTable) {
  if (!testing::perlXBaseAvailable()) GTEST_SKIP() << "perl XBase is not installed";
  ScratchDir dir;
  std::string path = dir.file("books.dbf");
  Table::create(path, bookFields());
  std::string big(100 * 1024, 'm');
  for (size_t i = 0; i < big.size(); i += 100) big[i] = '\n';
  {
    Table t;
    t.open(path);
    addBook(t, "First", "Austen", 12.5, big);
    addBook(t, "Gone", "Nobody", 1);
    addBook(t, "Third", "Bronte", -1, "short");
    t.goToRecord(2);
    t.deleteRecord();
    t.goToRecord(1);
    t.edit();
    t.setDate(4, Date{2024, 2, 29});
    t.setBool(5, true);
    t.post();
  }
  std::string script =
      "use XBase; my $t = XBase->new(shift) or die XBase->errstr;"
      "for my $i (0 .. $t->last_record) { my ($del, $title, $author, $price, $pages, $bought, "
      "$read,"
      " $notes) = $t->get_record($i); print join(\"|\", $del, $title, $author, $price // 'undef',"
      " $bought // 'undef', $read // 'undef', length($notes // ''), substr($notes // '', 0, 3)), "
      "\"\\n\"; }";
  writeFile(dir.file("read.pl"), script);
  std::string out = testing::runCommand("perl " + dir.file("read.pl") + " " + path + " 2>&1");
  std::string expected =
      "0|First|Austen|12.5|20240229|1|102400|\nmm\n"
      "1|Gone|Nobody|1|undef|undef|0|\n"
      "0|Third|Bronte|undef|undef|undef|5|sho\n";
  EXPECT_EQ(out, expected);
}

// Sets the index's "update under way" byte as a crash in mid-update leaves it.
void markIndexBusy(const std::string& mdxPath) {
  std::string bytes = readFile(mdxPath);
  bytes[52] = 1;
  writeFile(mdxPath, bytes);
}

// A table of "b", "c", "a" with a tag on the title.
void createThreeBooks(const std::string& path) {
  Table::create(path, bookFields(), {tag("TITLE", "TITLE")});
  Table t;
  t.open(path);
  for (const char* s : {"b", "c", "a"}) addBook(t, s, "x");
}

TEST_F(TableRecovery, UnfinishedIndexUpdateIsRebuiltOnOpen) {
  createThreeBooks(path);
  // Drop the index's keys by writing an empty one in its place, then mark it busy.
  t.open(path, OpenMode::Exclusive);
  t.emptyTable();
  t.close();
  std::string emptyIndex = readFile(dir.file("books.mdx"));
  Table::deleteTable(path);
  createThreeBooks(path);
  writeFile(dir.file("books.mdx"), emptyIndex);
  markIndexBusy(dir.file("books.mdx"));
  t.open(path);
  t.setActiveTag("TITLE");
  EXPECT_EQ(titles(t), (Titles{"a", "b", "c"}));
  EXPECT_EQ(static_cast<int>(readFile(dir.file("books.mdx"))[52]), 0);
}

TEST_F(TableRecovery, RebuildNeedsTheTableToItself) {
  Table::create(path, bookFields(), {tag("TITLE", "TITLE")});
  Table holder;
  holder.open(path);
  addBook(holder, "a", "x");
  markIndexBusy(dir.file("books.mdx"));
  EXPECT_THROW(t.open(path), LockError);
  // A reader still reads the records, in their natural order; the tags wait
  // for the next writer that has the table to itself.
  t.open(path, OpenMode::Shared, true);
  EXPECT_NE(t.indexProblem().find("left unfinished"), std::string::npos) << t.indexProblem();
  EXPECT_TRUE(t.tags().empty());
  EXPECT_THROW(t.setActiveTag("TITLE"), FormatError);
  EXPECT_EQ(titles(t), (Titles{"a"}));
  t.close();
  holder.close();
  t.open(path);
  EXPECT_TRUE(t.indexProblem().empty());
  t.setActiveTag("TITLE");
  EXPECT_EQ(t.recordCount(), 1u);
}

// A damaged index: a reader leaves it out, a writer is refused, and a rebuild
// from the records replaces it whatever state it is in.
TEST_F(TableRecovery, DamagedIndexIsLeftOutByReadersAndRebuiltOnRequest) {
  createThreeBooks(path);
  const std::vector<TagDef> tags{tag("TITLE", "TITLE"), tag("AUTHOR", "AUTHOR")};
  std::string mdx = readFile(dir.file("books.mdx"));
  mdx[0] = 9;  // not an index version
  writeFile(dir.file("books.mdx"), mdx);
  EXPECT_THROW(t.open(path), FormatError);
  t.open(path, OpenMode::Shared, true);
  EXPECT_FALSE(t.indexProblem().empty());
  EXPECT_EQ(titles(t), (Titles{"b", "c", "a"}));
  // The rebuild needs the table to itself.
  EXPECT_THROW(Table::rebuildIndex(path, tags), LockError);
  t.close();
  EXPECT_EQ(readFile(dir.file("books.mdx")), mdx);
  EXPECT_THROW(Table::rebuildIndex(path, {tag("BAD", "NOSUCHFIELD")}), ExpressionError);
  EXPECT_EQ(readFile(dir.file("books.mdx")), mdx);
  std::vector<size_t> built;
  Table::rebuildIndex(path, tags, [&](size_t done, size_t total) {
    EXPECT_EQ(total, 2u);
    built.push_back(done);
  });
  EXPECT_EQ(built, (std::vector<size_t>{1, 2}));
  t.open(path);
  t.setActiveTag("TITLE");
  EXPECT_EQ(titles(t), (Titles{"a", "b", "c"}));
  EXPECT_EQ(t.tags().size(), 2u);
}

TEST_F(TableRecovery, InterruptedPackIsFinishedByTheNextOpen) {
  create();
  addBook(t, "old", "x");
  t.close();
  // A pack that reached its commit point: new files and the marker, no renames yet.
  Table::create(dir.file("new.dbf"), bookFields());
  t.open(dir.file("new.dbf"));
  addBook(t, "packed", "x", -1, "memo");
  t.close();
  std::rename(dir.file("new.dbf").c_str(), (path + ".tmp").c_str());
  std::rename(dir.file("new.dbt").c_str(), (dir.file("books.dbt") + ".tmp").c_str());
  writeFile(path + ".pck", "");
  t.open(path);
  EXPECT_EQ(titles(t), (Titles{"packed"}));
  t.first();
  EXPECT_EQ(t.asString(6), "memo");
  EXPECT_FALSE(Table::resolve(path + ".pck"));
}

// A link planted at a temporary name (a shared data folder) never has its
// target written: each operation that writes temporary files, each name.
TEST_F(TableFiles, LinksAtTemporaryNamesAreNeverFollowed) {
  const std::vector<std::pair<const char*, std::function<void(Table&)>>> operations = {
      {"pack", [](Table& table) { table.pack(); }},
      {"empty", [](Table& table) { table.emptyTable(); }},
      {"reindex", [](Table& table) { table.regenerateTags(); }},
      {"drop a tag", [](Table& table) { table.deleteTag("AUTHOR"); }},
  };
  for (const auto& [name, operation] : operations) {
    SCOPED_TRACE(name);
    ScratchDir scratch;  // a folder of its own for each operation
    const std::string books = scratch.file("books.dbf");
    Table::create(books, bookFields(), {tag("TITLE", "TITLE"), tag("AUTHOR", "AUTHOR")});
    Table table;
    table.open(books, OpenMode::Exclusive);
    addBook(table, "a", "x", -1, "memo");
    std::vector<std::string> victims;
    for (const char* temporary :
         {"books.dbf.tmp", "books.dbt.tmp", "books.mdx.tmp", "books.dbf.pck"}) {
      victims.push_back(scratch.file(std::string("victim-") + temporary));
      writeFile(victims.back(), "precious");
      ASSERT_EQ(symlink(victims.back().c_str(), scratch.file(temporary).c_str()), 0);
    }
    operation(table);
    table.close();
    for (const auto& victim : victims) EXPECT_EQ(readFile(victim), "precious") << victim;
    table.open(books);
    EXPECT_EQ(titles(table).size(), std::string(name) == "empty" ? 0u : 1u);
  }
}

int packReached = -1, packGoOn = -1;  // pipes between a held pack and the test

// A pack held between its commit point and its renames, in a child process,
// while this process opens the table: the open neither finishes nor disturbs
// the pack, which then reports success.
TEST_F(TableRecovery, RunningPackIsLeftToItsWriter) {
  create({tag("TITLE", "TITLE")});
  addBook(t, "gone", "x", -1, "old memo");
  addBook(t, "kept", "y", -1, "memo");
  t.goToRecord(1);
  t.deleteRecord();
  t.close();
  int reached[2], goOn[2];
  ASSERT_EQ(pipe(reached), 0);
  ASSERT_EQ(pipe(goOn), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    packReached = reached[1];
    packGoOn = goOn[0];
    afterPackMarkerHook = [] {
      char c = 'm';
      if (write(packReached, &c, 1) != 1 || read(packGoOn, &c, 1) != 1) _exit(3);
    };
    try {
      t.open(path, OpenMode::Exclusive);
      t.pack();
      t.close();
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(reached[0], &c, 1), 1);
  const std::string before = readFile(path);
  for (bool readOnly : {false, true}) {
    Table reader;
    EXPECT_THROW(reader.open(path, OpenMode::Shared, readOnly), LockError);
  }
  EXPECT_TRUE(Table::resolve(path + ".pck"));
  EXPECT_TRUE(Table::resolve(path + ".tmp"));
  EXPECT_EQ(readFile(path), before);
  ASSERT_EQ(write(goOn[1], "g", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the pack failed: " << status;
  for (int fd : {reached[0], reached[1], goOn[0], goOn[1]}) close(fd);
  t.open(path);
  EXPECT_EQ(t.physicalCount(), 1u);
  EXPECT_EQ(titles(t), (Titles{"kept"}));
  t.first();
  EXPECT_EQ(t.asString(6), "memo");
  EXPECT_FALSE(Table::resolve(path + ".pck"));
}

TEST_F(TableRecovery, TemporaryFilesWithoutTheMarkerAreIgnored) {
  create();
  addBook(t, "kept", "x");
  t.close();
  writeFile(path + ".tmp", "half written");
  t.open(path);
  EXPECT_EQ(titles(t), (Titles{"kept"}));
}

// Checks order, counts and positions against a plain model, in both modes
// (exclusive use takes the index-position shortcuts, shared use walks) and
// with a tag that keeps deleted records' keys or one FOR .NOT.DELETED()
// (index positions whatever is deleted).
class OrderModel : public ::testing::TestWithParam<std::tuple<OpenMode, const char*>> {
 protected:
  void expectMatches(Table& t, const std::vector<std::pair<std::string, uint32_t>>& model,
                     const std::string& low, const std::string& high) {
    std::vector<uint32_t> want;
    for (const auto& [key, recno] : model)
      if (key.compare(0, low.size(), low) >= 0 && key.compare(0, high.size(), high) <= 0)
        want.push_back(recno);
    t.setRangeStart(low);
    t.setRangeEnd(high);
    t.applyRange();
    SCOPED_TRACE(low + ".." + high);
    EXPECT_EQ(t.recordCount(), want.size());
    std::vector<uint32_t> got;
    for (t.first(); !t.eof(); t.next()) {
      EXPECT_EQ(t.position(), got.size());
      got.push_back(t.recNo());
    }
    EXPECT_EQ(got, want);
    for (size_t i = 0; i < want.size(); i += 7) {
      t.goToPosition(static_cast<uint32_t>(i));
      EXPECT_EQ(t.recNo(), want[i]);
    }
    t.goToPosition(static_cast<uint32_t>(want.size()));
    EXPECT_TRUE(t.eof());
  }
};

TEST_P(OrderModel, CountsPositionsAndWalksAgreeWithTheModel) {
  ScratchDir dir;
  std::string path = dir.file("books.dbf");
  const auto [mode, filter] = GetParam();
  Table::create(path, bookFields(), {tag("AUTHOR", "AUTHOR", false, false, filter)});
  Table t;
  t.open(path, mode);
  std::vector<std::pair<std::string, uint32_t>> model;
  uint32_t x = 7;
  for (uint32_t r = 1; r <= 300; ++r) {
    x = x * 1103515245u + 12345u;
    std::string author =
        std::string(1, static_cast<char>('A' + (x >> 16) % 6)) + std::to_string((x >> 8) % 50);
    addBook(t, "t" + std::to_string(r), author);
    model.emplace_back(author + std::string(30 - author.size(), ' '), r);
  }
  std::sort(model.begin(), model.end());
  t.setActiveTag("AUTHOR");
  expectMatches(t, model, "", "\xFF");
  expectMatches(t, model, "B", "C");
  expectMatches(t, model, "C1", "C3");
  expectMatches(t, model, "Z", "Z");
  for (uint32_t r = 3; r <= 300; r += 5) {
    t.cancelRange();
    t.goToRecord(r);
    t.deleteRecord();
    model.erase(
        std::find_if(model.begin(), model.end(), [r](const auto& e) { return e.second == r; }));
  }
  expectMatches(t, model, "", "\xFF");
  expectMatches(t, model, "B", "C");
  expectMatches(t, model, "C1", "C3");
  t.cancelRange();
  t.setActiveTag("");
  EXPECT_EQ(t.recordCount(), model.size());

  // The bulk pass sees what the walk sees, a record changed through a second
  // cursor (shared use) included; deleted records are left out either way.
  Table other;
  if (mode == OpenMode::Shared) other.open(path, OpenMode::Shared);
  Table& editor = mode == OpenMode::Shared ? other : t;
  editor.goToRecord(4);
  editor.edit();
  editor.setString(1, "Changed");
  editor.setNumber(2, 12.5);
  editor.setString(4, "20240229");
  editor.setBool(5, true);
  editor.post();
  // A record as the walk (a Table) or the pass (a ScanRecord) shows it.
  const auto line = [](const auto& v) {
    const Date bought = v.asDate(4);
    return std::to_string(v.recNo()) + "|" + v.asString(0) + "|" + v.asString(1) + "|" +
           std::to_string(v.asNumber(2)) + "|" +
           std::to_string(bought.year * 10000 + bought.month * 100 + bought.day) + "|" +
           (v.asBool(5) ? "T" : "F") + (v.isEmpty(6) ? "-" : "+");
  };
  std::vector<std::string> walked, scanned;
  const auto walk = [&] {
    walked.clear();
    for (t.first(); !t.eof(); t.next()) walked.push_back(line(t));
  };
  const auto collect = [&](const ScanRecord& v) {
    scanned.push_back(line(v));
    return true;
  };
  walk();
  t.setActiveTag("AUTHOR");
  t.scan(collect);
  EXPECT_EQ(scanned, walked);
  EXPECT_EQ(scanned.size(), model.size());
  EXPECT_NE(std::find(scanned.begin(), scanned.end(), "4|t4|Changed|12.500000|20240229|T-"),
            scanned.end());
  int visits = 0;
  t.scan([&](const ScanRecord&) { return ++visits < 2; });
  EXPECT_EQ(visits, 2);

  // The pass in the active order and range visits what first()/next() visit, in their order.
  t.setActiveTag("AUTHOR");
  for (const auto& [low, high] : std::vector<std::pair<std::string, std::string>>{
           {"", ""}, {"B", "C"}, {"C1", "C3"}, {"Z", "Z"}}) {
    t.cancelRange();
    if (!low.empty()) {
      t.setRangeStart(low);
      t.setRangeEnd(high);
      t.applyRange();
    }
    walk();
    scanned.clear();
    t.scanInOrder(collect);
    EXPECT_EQ(scanned, walked) << low;
  }
  t.cancelRange();
}

INSTANTIATE_TEST_SUITE_P(Modes, OrderModel,
                         ::testing::Combine(::testing::Values(OpenMode::Exclusive,
                                                              OpenMode::Shared),
                                            ::testing::Values("", ".NOT.DELETED()")));

// A table of "book<id>" records whose memo names the same id, every 10th deleted.
void fillCheckable(const std::string& path, int n, const std::string& filter = "") {
  Table::create(path, bookFields(), {tag("TITLE", "TITLE", false, false, filter)});
  Table t;
  t.open(path, OpenMode::Exclusive);
  for (int i = 1; i <= n; ++i)
    addBook(t, "book" + std::to_string(10000 + i), "x", -1, "memo " + std::to_string(10000 + i));
  for (int i = 1; i <= n; i += 10) {
    t.goToRecord(static_cast<uint32_t>(i));
    t.deleteRecord();
  }
}

// Every live record is whole, its memo belongs to it, the tag agrees with the data.
void expectConsistent(const std::string& path, uint32_t live) {
  Table t;
  t.open(path, OpenMode::Exclusive);
  EXPECT_EQ(t.recordCount(), live);
  for (t.first(); !t.eof(); t.next()) {
    std::string title = t.asString(0);
    ASSERT_EQ(title.substr(0, 4), "book");
    ASSERT_EQ(t.readBlob(6), "memo " + title.substr(4));
  }
  t.setActiveTag("TITLE");
  EXPECT_EQ(t.recordCount(), live);
  std::string prev;
  for (t.first(); !t.eof(); t.next()) {
    ASSERT_LT(prev, t.asString(0));
    prev = t.asString(0);
  }
}

bool hasTag(const Table& t, const std::string& name) {
  for (const TagDef& d : t.tags())
    if (d.name == name) return true;
  return false;
}

TEST(CrashDuringPack, KillNineLeavesEitherTheOldOrTheNewTable) {
  ScratchDir dir;
  std::string path = dir.file("books.dbf");
  fillCheckable(path, 3000);
  for (int round = 0; round < 6; ++round) {
    const pid_t pid = untilKilled([&] {
      for (;;) {
        Table t;
        t.open(path, OpenMode::Exclusive);
        // A child killed between adding and deleting the tag leaves it behind.
        if (hasTag(t, "AUTHOR")) t.deleteTag("AUTHOR");
        t.pack();
        t.addTag(tag("AUTHOR", "AUTHOR"));
        t.deleteTag("AUTHOR");
      }
    });
    usleep(static_cast<useconds_t>(3000 + round * 7000));
    ASSERT_TRUE(killedBySignal(pid)) << "the child stopped by itself";
    expectConsistent(path, 2700);
    Table t;
    t.open(path);
    std::vector<TagDef> tags = t.tags();
    ASSERT_TRUE(tags.size() == 1 || (tags.size() == 2 && tags[1].name == "AUTHOR")) << tags.size();
    EXPECT_EQ(tags[0].name, "TITLE");
  }
}

TEST(Codepage, Cp1252AndUtf8RoundTrip) {
  EXPECT_EQ(cp1252ToUtf8("caf\xE9 \x80 \x93x\x94"),
            "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D");
  EXPECT_EQ(utf8ToCp1252("caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D"),
            "caf\xE9 \x80 \x93x\x94");
  EXPECT_EQ(utf8ToCp1252("\xE6\x97\xA5"), "?");  // no cp1252 code
  EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");        // cut sequence
  for (int b = 0x20; b < 0x100; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(one)), one) << b;
  }
  // Which characters a 1252 text can hold: euro, curly quotes, é yes; Č, ř, Ω no.
  for (uint32_t cp : {0x41u, 0x3Fu, 0xE9u, 0x20ACu, 0x201Cu, 0x81u, 0x178u})
    EXPECT_TRUE(hasCp1252Code(cp)) << cp;
  for (uint32_t cp : {0x10Cu, 0x159u, 0x3A9u, 0x65E5u, 0x1F600u})
    EXPECT_FALSE(hasCp1252Code(cp)) << cp;
}

class ExclusiveAppends : public ::testing::TestWithParam<bool> {};

// Exclusive appends hold their keys back; every way of reading the index must see them.
TEST_P(ExclusiveAppends, HeldBackKeysReachTheIndexInOrder) {
  const bool descending = GetParam();
  ScratchDir dir;
  std::string path = dir.file("books.dbf");
  Table::create(path, bookFields(), {tag("TITLE", "TITLE", descending)});
  std::vector<std::string> model;
  auto expectOrder = [&](Table& t) {
    std::vector<std::string> want = model;
    std::sort(want.begin(), want.end());
    if (descending) std::reverse(want.begin(), want.end());
    EXPECT_EQ(titles(t), want);
    EXPECT_EQ(t.recordCount(), want.size());
  };
  Table t;
  t.open(path, OpenMode::Exclusive);
  t.setActiveTag("TITLE");
  uint32_t x = 3;
  auto add = [&](int n) {
    for (int i = 0; i < n; ++i) {
      x = x * 1103515245u + 12345u;
      std::string title = "k" + std::to_string((x >> 8) % 100000);
      addBook(t, title, "a");
      model.push_back(title);
    }
  };
  add(200);  // into an empty tag: merged and built
  expectOrder(t);
  add(30);  // few against many: inserted one by one
  expectOrder(t);
  ASSERT_TRUE(t.findKey(model.back()));
  EXPECT_EQ(t.asString(0), model.back());
  add(5);
  t.goToRecord(static_cast<uint32_t>(model.size()));  // a record whose key is still held back
  testing::editRecord(t, [&] { t.setString(0, "edited"); });
  model.back() = "edited";
  expectOrder(t);
  add(50);
  t.close();  // held-back keys are written on close, the file is cut to its records
  std::string bytes = readFile(path);
  EXPECT_EQ(bytes.size(), le16(bytes, 8) + model.size() * le16(bytes, 10) + 1);
  EXPECT_EQ(static_cast<uint8_t>(bytes.back()), 0x1A);
  EXPECT_EQ(testing::le32(bytes, 4), model.size());
  t.open(path);
  t.setActiveTag("TITLE");
  expectOrder(t);
}

INSTANTIATE_TEST_SUITE_P(Directions, ExclusiveAppends, ::testing::Values(false, true));

class CrashDuringEdits : public ::testing::TestWithParam<std::tuple<OpenMode, const char*>> {};

// Edits move keys (and deletions, in a tag FOR .NOT.DELETED()); a kill
// between a record write and its key updates must leave the index rebuilt
// (or intact) on the next open.
TEST_P(CrashDuringEdits, TagAgreesWithTheDataAfterKillNine) {
  ScratchDir dir;
  std::string path = dir.file("books.dbf");
  const auto [mode, filter] = GetParam();
  fillCheckable(path, 2000, filter);
  for (int round = 0; round < 4; ++round) {
    const pid_t pid = untilKilled([&] {
      Table t;
      t.open(path, mode);
      uint32_t x = static_cast<uint32_t>(round) + 1;
      for (;;) {
        x = x * 1103515245u + 12345u;
        t.goToRecord(1 + (x >> 8) % 2000);
        if (t.isDeleted()) continue;
        const std::string title = "book" + std::to_string(10000 + (x >> 4) % 90000);
        testing::editRecord(t, [&] { t.setString(0, title); });
        if (x % 7 == 0) t.deleteRecord();
      }
    });
    usleep(static_cast<useconds_t>(20000 + round * 15000));
    ASSERT_TRUE(killedBySignal(pid)) << "the child stopped by itself";
    Table t;
    t.open(path, OpenMode::Exclusive);
    uint32_t live = t.recordCount();
    t.setActiveTag("TITLE");
    EXPECT_EQ(t.recordCount(), live);
    std::string prev;
    for (t.first(); !t.eof(); t.next()) {
      ASSERT_LE(prev, t.asString(0));
      prev = t.asString(0);
      std::string key = t.currentKey();
      uint32_t here = t.recNo();
      ASSERT_TRUE(t.findKey(key));
      bool found = false;
      while (!t.eof() && t.currentKey() == key) {
        if (t.recNo() == here) {
          found = true;
          break;
        }
        t.next();
      }
      ASSERT_TRUE(found) << "record " << here << " is not under its key";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, CrashDuringEdits,
                         ::testing::Combine(::testing::Values(OpenMode::Exclusive,
                                                              OpenMode::Shared),
                                            ::testing::Values("", ".NOT.DELETED()")));

TEST_F(TableFields, AssignFromCopiesBetweenTablesAndTypes) {
  Table::create(dir.file("a.dbf"), bookFields());
  Table::create(dir.file("b.dbf"), {{"NAME", FieldType::Character, 10, 0},
                                    {"COST", FieldType::Numeric, 10, 3},
                                    {"WHEN", FieldType::Character, 8, 0},
                                    {"TEXT", FieldType::Memo, 10, 0},
                                    {"FLAG", FieldType::Numeric, 1, 0}});
  Table a, b;
  a.open(dir.file("a.dbf"));
  addBook(a, "A rather long title", "x", 12.5, "memo text");
  a.edit();
  a.setDate(4, Date{2020, 2, 29});
  a.setBool(5, true);
  a.post();
  b.open(dir.file("b.dbf"));
  b.append();
  b.assignFrom(0, a, 0);
  b.assignFrom(1, a, 2);
  b.assignFrom(2, a, 4);
  b.assignFrom(3, a, 6);
  b.assignFrom(4, a, 5);
  b.post();
  EXPECT_EQ(b.asString(0), "A rather l");
  EXPECT_EQ(b.asString(1), "12.500");
  EXPECT_EQ(b.asString(2), "20200229");
  EXPECT_EQ(b.asString(3), "memo text");
  EXPECT_EQ(b.asInteger(4), 1);
  EXPECT_THROW(b.writeBlob(0, "x"), Error);  // not editing
  EXPECT_THROW(b.setString(0, "x"), Error);
  b.edit();
  EXPECT_THROW(b.writeBlob(0, "x"), Error);  // not a memo field
  EXPECT_THROW(b.setString(99, "x"), Error);
  b.setString(0, "C");
  b.post();
  EXPECT_EQ(b.asString(0), "C");
}

TEST_F(TableFields, LargeIntegersKeepTheirDigits) {
  Table::create(dir.file("n.dbf"), {{"BIG", FieldType::Numeric, 19, 0}});
  t.open(dir.file("n.dbf"));
  t.append();
  t.setString(0, "1234567890123456789");
  t.post();
  EXPECT_EQ(t.asInteger(0), 1234567890123456789LL);
  EXPECT_EQ(t.asString(0), "1234567890123456789");
}

TEST_F(TableDefinitions, RefreshSeesTagsAddedByAnotherObject) {
  create({}, OpenMode::Exclusive);
  addTitles({"b", "a"});
  t.addTag(tag("TITLE", "TITLE"));
  t.close();
  t.open(path, OpenMode::Shared, true);
  ASSERT_EQ(t.tags().size(), 1u);
  t.refreshDefinitions();
  ASSERT_EQ(t.tags().size(), 1u);
  EXPECT_EQ(t.tags()[0].expression, "TITLE");
  t.setActiveTag("TITLE");
  EXPECT_EQ(titles(t), (Titles{"a", "b"}));
  EXPECT_EQ(t.currentKey(),
            "b" + std::string(39, ' '));  // past the end the last record stays current
  t.first();
  EXPECT_EQ(t.currentKey(), "a" + std::string(39, ' '));
}

}  // namespace
}  // namespace dbase
