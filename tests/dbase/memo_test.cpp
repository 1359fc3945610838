#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "dbase/dbf.h"
#include "dbase/memo.h"
#include "dbase/table.h"
#include "table_fixture.h"

namespace dbase {
namespace {

using testing::readFile;
using testing::ScratchDir;
using testing::writeFile;

TEST(MemoFile, NewFileHasTheDbaseFourHeader) {
  ScratchDir dir;
  std::string path = dir.file("books.dbt");
  MemoFile::create(path, "books");
  std::string bytes = readFile(path);
  ASSERT_EQ(bytes.size(), kDbtHeaderSize);
  EXPECT_EQ(getU32(bytes.data() + kDbtNextFree), 1u);
  EXPECT_EQ(bytes.substr(kDbtBaseName, 5), "BOOKS");
  EXPECT_EQ(getU16(bytes.data() + kDbtBlockSize), 512u);
}

TEST(MemoFile, MemosStartWithSignatureAndCountedLength) {
  ScratchDir dir;
  std::string path = dir.file("m.dbt");
  MemoFile::create(path, "M");
  auto m = MemoFile::open(path, false, false);
  uint32_t a = m->write(0, "hello");
  uint32_t b = m->write(0, std::string(600, 'x'));
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(b, 2u);
  std::string bytes = readFile(path);
  EXPECT_EQ(bytes.size(), 4u * 512u);
  EXPECT_EQ(bytes.substr(512, 4), std::string("\xFF\xFF\x08\x00", 4));
  EXPECT_EQ(getU32(bytes.data() + 512 + 4), 13u);
  EXPECT_EQ(bytes.substr(520, 5), "hello");
  EXPECT_EQ(getU32(bytes.data() + kDbtNextFree), 4u);
  EXPECT_EQ(m->read(a), "hello");
  EXPECT_EQ(m->read(b), std::string(600, 'x'));
  EXPECT_EQ(m->read(0), "");
}

TEST(MemoFile, BinaryDataAndLargeMemosRoundTrip) {
  ScratchDir dir;
  std::string path = dir.file("m.dbt");
  MemoFile::create(path, "M");
  auto m = MemoFile::open(path, false, false);
  std::string data(300 * 1024, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
  data[1000] = '\x1A';
  data[1001] = '\x1A';
  uint32_t block = m->write(0, data);
  EXPECT_EQ(m->read(block), data);
  std::istringstream in(data + "tail");
  uint32_t streamed = m->write(0, in);
  std::ostringstream out;
  m->read(streamed, out);
  EXPECT_EQ(out.str(), data + "tail");
}

TEST(MemoFile, RewriteStaysInPlaceOnlyWhenItFits) {
  ScratchDir dir;
  std::string path = dir.file("m.dbt");
  MemoFile::create(path, "M");
  auto m = MemoFile::open(path, false, false);
  uint32_t block = m->write(0, std::string(1000, 'a'));  // 2 blocks
  uint32_t after = m->write(0, "next");
  EXPECT_EQ(m->write(block, std::string(1016, 'b')), block);
  EXPECT_EQ(m->read(after), "next");
  uint32_t moved = m->write(block, std::string(1017, 'c'));
  EXPECT_NE(moved, block);
  EXPECT_EQ(m->read(moved), std::string(1017, 'c'));
  EXPECT_EQ(m->read(after), "next");
  EXPECT_EQ(m->write(moved, ""), 0u);
}

TEST(MemoFile, ReadsDbaseThreeMemos) {
  ScratchDir dir;
  std::string path = dir.file("old.dbt");
  std::string bytes(512, '\0');
  putU32(bytes.data(), 3);
  bytes[kDbtVersion] = 0x03;
  std::string memo = std::string(700, 'q') + "\x1A\x1A";
  memo.resize(1024, '\0');
  bytes += memo;
  writeFile(path, bytes);
  auto m = MemoFile::open(path, true, true);
  EXPECT_EQ(m->read(1), std::string(700, 'q'));
  EXPECT_THROW(m->read(5), FormatError);
}

// A dBASE III file gets dBASE III memos: text and 1A 1A, no prefix, and the
// byte 1A refused; a dBASE IV block found in it (an old writer mixed layouts)
// is still read by its own layout, never as text with its prefix.
TEST(MemoFile, DbaseThreeFileWritesItsOwnLayout) {
  ScratchDir dir;
  std::string path = dir.file("old.dbt");
  MemoFile::create(path, "OLD", true);
  auto m = MemoFile::open(path, false, false);  // the header's version byte decides
  EXPECT_TRUE(m->isDbase3());
  uint32_t a = m->write(0, std::string(510, 'a'));  // 1A 1A ends exactly at the block end
  uint32_t b = m->write(0, "second");
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(b, 2u);
  std::string bytes = readFile(path);
  EXPECT_EQ(bytes[kDbtVersion], 0x03);
  EXPECT_EQ(bytes.substr(512, 512), std::string(510, 'a') + "\x1A\x1A");
  EXPECT_EQ(bytes.substr(1024, 8), std::string("second\x1A\x1A"));
  EXPECT_EQ(getU32(bytes.data() + kDbtNextFree), 3u);
  EXPECT_EQ(m->write(b, "third"), b);                 // fits in place
  EXPECT_EQ(m->write(a, std::string(511, 'c')), 3u);  // needs a second block: moves
  EXPECT_EQ(m->read(b), "third");
  EXPECT_EQ(m->read(3), std::string(511, 'c'));
  EXPECT_THROW(m->write(0, std::string("x\x1Ay", 3)), Error);

  std::string mixed = readFile(path);
  ASSERT_EQ(mixed.size(), 5u * 512);
  mixed += std::string(
      "\xFF\xFF\x08\x00\x0C\x00\x00\x00"
      "four",
      12);
  mixed.resize(6 * 512, '\0');
  writeFile(path, mixed);
  EXPECT_EQ(MemoFile::open(path, true, true)->read(5), "four");
}

TEST(MemoFile, DbaseThreeTableWithMemosOpens) {
  ScratchDir dir;
  std::string path = dir.file("old.dbf");
  Table::create(path, {{"NAME", FieldType::Character, 8, 0}, {"TEXT", FieldType::Memo, 10, 0}});
  {
    Table t;
    t.open(path);
    t.append();
    t.setString(0, "x");
    t.post();
  }
  std::string dbf = readFile(path);
  dbf[0] = static_cast<char>(kDbfVersionMemo3);
  size_t header = getU16(dbf.data() + kHdrHeaderLength);
  std::memcpy(dbf.data() + header + 1 + 8, "         1", 10);
  writeFile(path, dbf);
  std::string dbt(512, '\0');
  dbt += std::string("old style text\x1A\x1A");
  dbt.resize(1024, '\0');
  writeFile(dir.file("old.dbt"), dbt);
  Table t;
  t.open(path, OpenMode::Shared, true);
  EXPECT_EQ(t.versionByte(), kDbfVersionMemo3);
  EXPECT_EQ(t.asString(1), "old style text");
}

TEST(MemoFile, ReadOnlyFileRefusesWrites) {
  ScratchDir dir;
  std::string path = dir.file("m.dbt");
  MemoFile::create(path, "M");
  auto m = MemoFile::open(path, true, false);
  EXPECT_THROW(m->write(0, "x"), Error);
}

}  // namespace
}  // namespace dbase
