#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <optional>

#include "dbase/check.h"
#include "dbase/dbf.h"
#include "dbase/table.h"
#include "table_fixture.h"

namespace dbase {
namespace {

using testing::addBook;
using testing::bookFields;
using testing::readFile;
using testing::ScratchDir;
using testing::writeFile;

TEST(DbfHeader, EncodesTheDbaseFourLayout) {
  DbfHeader h = makeDbfHeader(bookFields(), "t.dbf");
  h.recordCount = 7;
  h.productionMdx = true;
  h.tagFlags[0] = true;
  std::string bytes = encodeDbfHeader(h);
  ASSERT_EQ(bytes.size(), 32u + 32u * 9u + 1u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[kHdrVersion]), kDbfVersionMemo4);
  EXPECT_EQ(getU32(bytes.data() + kHdrRecordCount), 7u);
  EXPECT_EQ(getU16(bytes.data() + kHdrHeaderLength), bytes.size());
  EXPECT_EQ(getU16(bytes.data() + kHdrRecordLength), 1 + 40 + 30 + 8 + 5 + 8 + 1 + 10 + 10 + 6);
  EXPECT_EQ(bytes[kHdrProductionMdx], 0x01);
  EXPECT_EQ(static_cast<uint8_t>(bytes[kHdrLanguageDriver]), kLanguageDriverCp1252);
  const char* second = bytes.data() + kDbfHeaderSize + kFieldDescriptorSize;
  EXPECT_STREQ(second + kFldName, "AUTHOR");
  EXPECT_EQ(second[kFldType], 'C');
  EXPECT_EQ(second[kFldLength], 30);
  EXPECT_EQ(bytes[kDbfHeaderSize + kFldTagFlag], 0x01);
  EXPECT_EQ(second[kFldTagFlag], 0x00);
  EXPECT_EQ(static_cast<uint8_t>(bytes.back()), kHeaderTerminator);
  DbfHeader back = parseDbfHeader(bytes, "t.dbf");
  EXPECT_EQ(back.fields.size(), 9u);
  EXPECT_EQ(back.fields[2].decimals, 2);
  EXPECT_EQ(back.offsets[1], 41);
  EXPECT_TRUE(back.tagFlags[0]);
  EXPECT_EQ(back.recordCount, 7u);
}

TEST(DbfHeader, RejectsUnsoundHeaders) {
  DbfHeader h = makeDbfHeader(bookFields(), "t.dbf");
  std::string good = encodeDbfHeader(h);
  EXPECT_THROW(parseDbfHeader(good.substr(0, 20), "t"), FormatError);
  EXPECT_THROW(parseDbfHeader(good.substr(0, 100), "t"), FormatError);
  std::string noEnd = good;
  noEnd.back() = 'X';
  EXPECT_THROW(parseDbfHeader(noEnd, "t"), FormatError);
  std::string shortRecord = good;
  putU16(shortRecord.data() + kHdrRecordLength, 20);
  EXPECT_THROW(parseDbfHeader(shortRecord, "t"), FormatError);
  std::string badVersion = good;
  badVersion[0] = 0x42;
  EXPECT_THROW(parseDbfHeader(badVersion, "t"), FormatError);
}

// A descriptor's length and decimals, patched into otherwise sound header bytes.
std::string withField(int index, int length, int decimals) {
  std::string bytes = encodeDbfHeader(makeDbfHeader(bookFields(), "t.dbf"));
  char* d = bytes.data() + kDbfHeaderSize + kFieldDescriptorSize * static_cast<size_t>(index);
  d[kFldLength] = static_cast<char>(length);
  d[kFldDecimals] = static_cast<char>(decimals);
  putU16(bytes.data() + kHdrRecordLength, 1000);  // room for any width
  return bytes;
}

TEST(DbfHeader, RejectsWidthsBeyondDbaseFour) {
  // Fields: TITLE C, AUTHOR C, PRICE N, PAGES N, BOUGHT D, READ L, NOTES M, COVER B, RATING F.
  EXPECT_NO_THROW(parseDbfHeader(withField(0, 254, 0), "t.dbf"));
  EXPECT_NO_THROW(parseDbfHeader(withField(2, 20, 19), "t.dbf"));
  // {field, length, decimals}; a character field's decimals are a long field's high byte.
  const std::array<int, 3> refused[] = {{0, 255, 0}, {0, 40, 1}, {2, 21, 2}, {2, 8, 8}, {8, 100, 1},
                                        {4, 9, 0},   {5, 2, 0},  {6, 11, 0}, {7, 4, 0}};
  for (const auto& [field, length, decimals] : refused)
    EXPECT_THROW(parseDbfHeader(withField(field, length, decimals), "t.dbf"), FormatError)
        << field << ": " << length << "," << decimals;
  try {
    parseDbfHeader(withField(2, 100, 0), "books.dbf");
    FAIL() << "a numeric field of width 100 was accepted";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.file(), "books.dbf");
    EXPECT_NE(e.reason().find("PRICE"), std::string::npos) << e.what();
  }
}

// Refused (nullopt): wider than any field, no room for the decimals, too large;
// the text never comes from past the formatting buffer.
TEST(DbfFieldText, NumbersAreRightJustifiedAndRoundedAwayFromZero) {
  const struct {
    double value;
    int length, decimals;
    std::optional<std::string> field;
  } cases[] = {
      {12.5, 8, 2, "   12.50"},     {-3.25, 6, 1, "  -3.3"},
      {2.5, 3, 0, "  3"},           {-0.001, 5, 2, " 0.00"},
      {123456, 5, 0, std::nullopt}, {1.5, 100, 0, std::nullopt},
      {1.5, 64, 2, std::nullopt},   {1.5, 5, 5, std::nullopt},
      {1e300, 20, 0, std::nullopt}, {-1.5, 20, 17, "-1.50000000000000000"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(formatNumber(c.value, c.length, c.decimals), c.field)
        << c.value << " in " << c.length << "," << c.decimals;
  EXPECT_EQ(parseNumber("  42.5"), 42.5);
  EXPECT_EQ(parseNumber("1,5e2"), 150.0);
  for (const char* notNumber : {"     ", "4x", "0x10", "inf", "nan", "1e", "-", ".", "1.2.3"})
    EXPECT_FALSE(parseNumber(notNumber)) << notNumber;
}

// Text is rounded on its decimal digits, not on the nearest double.
TEST(DbfFieldText, DecimalTextIsRoundedOnItsDigits) {
  struct Case {
    const char* text;
    int length, decimals;
    std::optional<std::string> field;
  };
  const Case cases[] = {
      {"1.005", 8, 2, "    1.01"},  {"-1.005", 8, 2, "   -1.01"},  {"2.675", 5, 2, " 2.68"},
      {"1.004999", 5, 2, " 1.00"},  {"99.995", 6, 2, "100.00"},    {"99.995", 5, 2, std::nullopt},
      {"-0.004", 5, 2, " 0.00"},    {"0.5", 3, 0, "  1"},          {"-0.5", 3, 0, " -1"},
      {"1e2", 6, 2, "100.00"},      {"12.5E-1", 5, 1, "  1.3"},    {"007", 3, 0, "  7"},
      {"1,25", 5, 1, "  1.3"},      {".5", 4, 1, " 0.5"},          {"1e-9999", 4, 1, " 0.0"},
      {"0x10", 5, 0, std::nullopt}, {"1e99", 20, 0, std::nullopt}, {"12", 4, 4, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(formatDecimalText(c.text, c.length, c.decimals), c.field) << c.text;
}

TEST(DbfFieldText, MemoBlocksAreTenDigitsOrBlank) {
  EXPECT_EQ(formatMemoBlock(0, 10), std::string(10, ' '));
  EXPECT_EQ(formatMemoBlock(123, 10), "       123");
  EXPECT_EQ(parseMemoBlock("       123"), 123u);
  EXPECT_EQ(parseMemoBlock("          "), 0u);
  EXPECT_EQ(parseMemoBlock("  12ab    "), 0u);
  EXPECT_EQ(parseMemoBlock("9999999999"), 0u);
}

// Damaged tables: each case opens with FormatError or reads what is sound.
class DamagedTable : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("books.dbf");
    Table::create(path_, bookFields());
    Table t;
    t.open(path_);
    for (int i = 0; i < 5; ++i)
      addBook(t, "book" + std::to_string(i), "x", i, "memo " + std::to_string(i));
    t.close();
    bytes_ = readFile(path_);
    headerLength_ = getU16(bytes_.data() + kHdrHeaderLength);
    recordLength_ = getU16(bytes_.data() + kHdrRecordLength);
  }
  // Opens and reads everything; true when it opened.
  bool readAll() {
    Table t;
    try {
      t.open(path_);
    } catch (const FormatError&) {
      return false;
    }
    for (t.first(); !t.eof(); t.next()) {
      for (int f = 0; f < static_cast<int>(t.fields().size()); ++f) {
        try {
          (void)t.asString(f);
        } catch (const FormatError&) {
        }
      }
    }
    (void)t.recordCount();
    return true;
  }
  ScratchDir dir_;
  std::string path_;
  std::string bytes_;
  size_t headerLength_ = 0;
  size_t recordLength_ = 0;
};

// A header whose numbers disagree (as tometool check finds them) is never
// opened for writing; read-only it yields the whole records the file holds.
TEST_F(DamagedTable, HeaderThatDisagreesWithItselfIsOnlyRead) {
  struct Case {
    const char* name;
    std::function<std::string(std::string)> damage;
    const char* reason;  // empty: the header is sound
    std::vector<std::string> titles;
  };
  const std::vector<std::string> all{"book0", "book1", "book2", "book3", "book4"};
  auto headerLength = [this](std::string b, int delta) {
    putU16(b.data() + kHdrHeaderLength, static_cast<uint16_t>(headerLength_ + delta));
    return b;
  };
  const std::vector<Case> cases{
      {"truncated",
       [&](std::string b) { return b.substr(0, headerLength_ + 2 * recordLength_ + 7); },
       "header counts 5 records but the file ends before them",
       {"book0", "book1"}},
      {"count too large",
       [](std::string b) {
         putU32(b.data() + kHdrRecordCount, 1000000);
         return b;
       },
       "header counts 1000000 records but the file ends before them", all},
      {"header length one more",
       [&](std::string b) { return headerLength(b, 1); },
       "header length",
       {}},
      {"header length a field more",
       [&](std::string b) { return headerLength(b, 32); },
       "header length",
       {}},
      {"record length one more",
       [this](std::string b) {
         putU16(b.data() + kHdrRecordLength, static_cast<uint16_t>(recordLength_ + 1));
         return b;
       },
       "record length",
       {}},
      {"a zero after the end mark",
       [&](std::string b) { return headerLength(b, 1).insert(headerLength_, 1, '\0'); }, "", all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string damaged = c.damage(bytes_);
    writeFile(path_, damaged);
    Table t;
    if (*c.reason) {
      try {
        t.open(path_);
        FAIL() << "opened for writing";
      } catch (const FormatError& e) {
        EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.what();
      }
      EXPECT_THROW(checkTable(path_), FormatError);
    } else {
      t.open(path_);
      t.close();
      EXPECT_TRUE(checkTable(path_).sound());
    }
    t.open(path_, OpenMode::Shared, true);
    if (!c.titles.empty()) {
      EXPECT_EQ(testing::titles(t), c.titles);
    }
    t.close();
    EXPECT_EQ(readFile(path_), damaged);
  }
}

TEST_F(DamagedTable, RecordsPastALaggingCountAreCountedBackAndZerosCut) {
  putU32(bytes_.data() + kHdrRecordCount, 2);  // as an exclusive writer leaves it after kill -9
  writeFile(path_, bytes_ + std::string(5000, '\0'));
  {
    Table t;
    t.open(path_);
    EXPECT_EQ(t.physicalCount(), 5u);
  }
  EXPECT_EQ(readFile(path_), [&] {
    std::string fixed = bytes_;
    putU32(fixed.data() + kHdrRecordCount, 5);
    return fixed;
  }());
}

TEST_F(DamagedTable, ForeignBytesAfterTheEndAreLeftAlone) {
  std::string junk = bytes_ + "trailing junk";
  writeFile(path_, junk);
  Table t;
  t.open(path_);
  EXPECT_EQ(t.physicalCount(), 5u);
  t.close();
  EXPECT_EQ(readFile(path_), junk);
}

TEST_F(DamagedTable, NumberWiderThanDbaseFourIsRefusedBeforeAnyWrite) {
  // PAGES (N 5) claims 100 characters: appending a number once stored stack bytes.
  std::string wide = bytes_;
  wide[kDbfHeaderSize + 3 * kFieldDescriptorSize + kFldLength] = 100;
  putU16(wide.data() + kHdrRecordLength, static_cast<uint16_t>(recordLength_ + 95));
  writeFile(path_, wide);
  Table t;
  try {
    t.open(path_, OpenMode::Exclusive);
    t.append();
    t.setNumber(t.fieldIndex("PAGES"), 1.5);
    t.post();
    FAIL() << "a numeric field of width 100 was accepted";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.file(), path_);
    EXPECT_NE(e.reason().find("PAGES"), std::string::npos) << e.what();
  }
  EXPECT_EQ(readFile(path_), wide);
}

TEST_F(DamagedTable, HeaderCutShortOrMemoFileMissingIsAFormatError) {
  for (size_t kept : {50, 5}) {  // inside the fields, inside the first bytes
    writeFile(path_, bytes_.substr(0, kept));
    EXPECT_THROW(Table().open(path_), FormatError) << kept;
  }
  writeFile(path_, bytes_);
  std::remove(dir_.file("books.dbt").c_str());
  EXPECT_THROW(Table().open(path_), FormatError);
}

// A memo's pointer or length past the end fails reading that memo only.
TEST_F(DamagedTable, MemoPastTheEndIsAFormatError) {
  const std::string dbtPath = dir_.file("books.dbt"), dbt = readFile(dbtPath);
  for (bool pointer : {true, false}) {
    SCOPED_TRACE(pointer ? "pointer" : "length");
    std::string dbf = bytes_, damagedDbt = dbt;
    if (pointer)
      dbf.replace(headerLength_ + 1 + 40 + 30 + 8 + 5 + 8 + 1, 10, "   9999999");
    else
      putU32(damagedDbt.data() + 512 + 4, 0x7FFFFFF0u);  // first memo's length
    writeFile(path_, dbf);
    writeFile(dbtPath, damagedDbt);
    Table t;
    t.open(path_);
    EXPECT_THROW(t.asString(6), FormatError);
    t.next();
    EXPECT_EQ(t.asString(6), "memo 1");
  }
}

TEST_F(DamagedTable, EveryHeaderByteDamagedNeverCrashes) {
  for (size_t off = 0; off < headerLength_ + 2; ++off) {
    for (uint8_t v : {0x00, 0xFF, 0x0D, 0x30}) {
      std::string damaged = bytes_;
      damaged[off] = static_cast<char>(v);
      writeFile(path_, damaged);
      try {
        readAll();
      } catch (const Error&) {
        // A clear engine error is fine; anything else fails the test.
      }
    }
  }
}

TEST_F(DamagedTable, DamagedMemoBytesNeverCrash) {
  std::string dbt = readFile(dir_.file("books.dbt"));
  for (size_t off = 0; off < dbt.size(); off += 37) {
    std::string damaged = dbt;
    damaged[off] = static_cast<char>(0xFF);
    if (off + 5 < damaged.size()) damaged[off + 5] = static_cast<char>(0x7F);
    writeFile(dir_.file("books.dbt"), damaged);
    try {
      readAll();
    } catch (const Error&) {
    }
  }
}

}  // namespace
}  // namespace dbase
