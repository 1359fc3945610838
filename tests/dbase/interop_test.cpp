// Tables written by Perl XBase (an independent implementation) read exactly
// in ours, ours read exactly in Perl (dBASE IV and dBASE III memo layouts),
// and Perl's index walker follows our tags.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dbase/mdx.h"
#include "dbase/table.h"
#include "table_fixture.h"

namespace {

namespace fs = std::filesystem;
using dbase::testing::perlXBaseAvailable;
using dbase::testing::shellQuote;

std::string scriptDir() {
  if (const char* src = std::getenv("TOMES_SOURCE"))
    return std::string(src) + "/tests/dbase/interop";
  return fs::path(__FILE__).parent_path().string() + "/interop";
}

// Runs a shell command; its standard output, or a failure naming the command.
std::string capture(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return out;
  }
  char buf[65536];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  const int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << " failed:\n" << out;
  return out;
}

using TempDir = dbase::testing::ScratchDir;

std::string toHex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// One record of the shared plan format of the Perl helpers.
struct Row {
  bool deleted = false;
  std::string title;   // Windows-1252 bytes
  std::string price;   // "12.50" or "" for blank
  std::string bought;  // "YYYYMMDD" or ""
  std::string read;    // "T", "F" or ""
  std::string notes;   // memo bytes, "" for none
};

std::string planText(const std::vector<Row>& rows) {
  std::string out;
  for (const auto& r : rows)
    out += std::string(r.deleted ? "1" : "0") + "\t" + toHex(r.title) + "\t" + r.price + "\t" +
           r.bought + "\t" + r.read + "\t" + toHex(r.notes) + "\n";
  return out;
}

std::string binaryMemo(size_t size) {
  std::string data(size, '\0');
  uint32_t x = 12345;
  for (auto& c : data) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  // The bytes older memo formats treat as terminators, right at a block end too.
  data[0] = 0x1A;
  data[1] = 0x1A;
  data[503] = 0x1A;
  data[504] = 0x1A;
  return data;
}

// version: 0x8B, or 0x83 (dBASE III memos end at 1A, so none holds that byte).
std::vector<Row> samplePlan(uint8_t version = 0x8B) {
  std::string picture = binaryMemo(100 * 1024);
  if (version == 0x83) std::replace(picture.begin(), picture.end(), '\x1A', 'z');
  std::vector<Row> rows = {
      {false, "The Hobbit", "12.50", "19370921", "T", "A short memo.\r\nSecond line."},
      {false, "Caf\xE9 \x80uro \xFFnd", "-3.25", "", "F", ""},
      {true, "Deleted with memo", "7.00", "20010101", "T", "still here"},
      {false, "Blank everything", "", "", "", ""},
      {false, "Binary picture", "0.00", "20240229", "F", picture},
      {true, "Deleted blank", "", "", "", ""},
      {false, "Exactly one block", "99999.99", "19000101", "T", std::string(504, 'x')},
      {false, "Terminator at block end", "1.00", "", "", std::string(510, 'y')},
  };
  for (int i = 0; i < 60; ++i) {
    Row r;
    r.deleted = i % 7 == 3;
    r.title = "Volume " + std::to_string(i);
    r.price = i % 5 == 0 ? "" : std::to_string(i) + ".0" + std::to_string(i % 10);
    r.bought = i % 4 == 0 ? ""
                          : "2023" + std::string(i % 12 < 9 ? "0" : "") +
                                std::to_string(i % 12 + 1) + "15";
    r.read = i % 3 == 0 ? "" : (i % 2 ? "T" : "F");
    if (i % 10 == 0) r.notes = "memo of volume " + std::to_string(i);
    rows.push_back(r);
  }
  return rows;
}

const std::vector<dbase::FieldDef> kFields = {
    {"TITLE", dbase::FieldType::Character, 40, 0}, {"PRICE", dbase::FieldType::Numeric, 8, 2},
    {"BOUGHT", dbase::FieldType::Date, 8, 0},      {"READ", dbase::FieldType::Logical, 1, 0},
    {"NOTES", dbase::FieldType::Memo, 10, 0},
};

void expectRecordMatches(const dbase::Table& t, const Row& row, uint32_t recno) {
  SCOPED_TRACE("record " + std::to_string(recno));
  EXPECT_EQ(t.isDeleted(), row.deleted);
  EXPECT_EQ(t.asString(0), row.title);
  if (row.price.empty()) {
    EXPECT_TRUE(t.isEmpty(1)) << "PRICE should be blank, is \"" << t.asString(1) << "\"";
  } else {
    EXPECT_FALSE(t.isEmpty(1));
    EXPECT_DOUBLE_EQ(t.asNumber(1), std::stod(row.price));
  }
  if (row.bought.empty()) {
    EXPECT_TRUE(t.isEmpty(2));
    EXPECT_TRUE(t.asDate(2).isBlank());
  } else {
    EXPECT_EQ(dbase::toDtos(t.asDate(2)), row.bought);
  }
  if (row.read.empty()) {
    EXPECT_TRUE(t.isEmpty(3)) << "READ should be blank, is \"" << t.asString(3) << "\"";
  } else {
    EXPECT_EQ(t.asBool(3), row.read == "T");
  }
  const std::string memo = t.readBlob(4);
  EXPECT_EQ(memo.size(), row.notes.size());
  EXPECT_TRUE(memo == row.notes) << "memo contents differ";
}

std::string perlScript(const std::string& name) {
  return "perl " + shellQuote(scriptDir() + "/" + name) + " ";
}

// Perl writes DIR/BASE.dbf from rows in the given version.
void writePerl(const TempDir& dir, const std::string& base, const std::vector<Row>& rows,
               uint8_t version) {
  std::ofstream(dir.file("plan"), std::ios::binary) << planText(rows);
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", version);
  capture(perlScript("write_table.pl") + shellQuote(dir.path()) + " " + base + " " +
          shellQuote(dir.file("plan")) + " " + hex);
}

// Our engine writes rows to path; a dBASE III table (we create only dBASE IV
// ones) is made empty by Perl and filled by us.
void writeOurs(const std::string& path, const std::vector<Row>& rows,
               const std::vector<dbase::TagDef>& tags = {}, uint8_t version = 0x8B) {
  if (version == 0x8B) {
    dbase::Table::create(path, kFields, tags);
  } else {
    const fs::path p(path);
    std::ofstream(p.parent_path() / "empty", std::ios::binary);
    capture(perlScript("write_table.pl") + shellQuote(p.parent_path().string()) + " " +
            p.stem().string() + " " + shellQuote((p.parent_path() / "empty").string()) + " 0x83");
  }
  dbase::Table t;
  t.open(path, dbase::OpenMode::Exclusive);
  for (const auto& r : rows) {
    t.append();
    t.setString(0, r.title);
    if (!r.price.empty()) t.setNumber(1, std::stod(r.price));
    if (!r.bought.empty()) t.setDate(2, dbase::parseDtos(r.bought));
    if (!r.read.empty()) t.setBool(3, r.read == "T");
    if (!r.notes.empty()) t.writeBlob(4, r.notes);
    t.post();
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].deleted) continue;
    t.goToRecord(static_cast<uint32_t>(i + 1));
    t.deleteRecord();
  }
  t.close();
}

// Each test runs for a dBASE IV table and a dBASE III one: each keeps its own memo layout.
class PerlRoundTrip : public ::testing::TestWithParam<uint8_t> {
 protected:
  void SetUp() override {
    if (!perlXBaseAvailable()) GTEST_SKIP() << "Perl XBase is not installed";
  }
};

INSTANTIATE_TEST_SUITE_P(Versions, PerlRoundTrip, ::testing::Values(0x8B, 0x83),
                         [](const ::testing::TestParamInfo<uint8_t>& param) {
                           return param.param == 0x8B ? std::string("DbaseIV")
                                                      : std::string("DbaseIII");
                         });

TEST_P(PerlRoundTrip, TablesWrittenByPerlReadExactly) {
  TempDir dir;
  const auto rows = samplePlan(GetParam());
  writePerl(dir, "BOOKS", rows, GetParam());

  dbase::Table t;
  t.open(dir.file("BOOKS.dbf"), dbase::OpenMode::Shared, true);
  EXPECT_EQ(t.versionByte(), GetParam());
  ASSERT_EQ(t.fields().size(), kFields.size());
  ASSERT_EQ(t.physicalCount(), rows.size());
  uint32_t live = 0;
  for (const auto& r : rows) live += r.deleted ? 0 : 1;
  EXPECT_EQ(t.recordCount(), live);

  // Natural order shows exactly the live records.
  std::vector<uint32_t> seen;
  for (t.first(); !t.eof(); t.next()) {
    seen.push_back(t.recNo());
    expectRecordMatches(t, rows[t.recNo() - 1], t.recNo());
  }
  std::vector<uint32_t> wanted;
  for (size_t i = 0; i < rows.size(); ++i)
    if (!rows[i].deleted) wanted.push_back(static_cast<uint32_t>(i + 1));
  EXPECT_EQ(seen, wanted);

  // Deleted records keep their contents.
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].deleted) continue;
    t.goToRecord(static_cast<uint32_t>(i + 1));
    expectRecordMatches(t, rows[i], static_cast<uint32_t>(i + 1));
  }
}

const std::string kPerlHeader =
    "TITLE:C:40:0\tPRICE:N:8:2\tBOUGHT:D:8:0\tREAD:L:1:0\tNOTES:M:10:0\n";

// Before and after a pack, which leaves only the live records.
TEST_P(PerlRoundTrip, TablesWeWriteReadExactlyInPerl) {
  TempDir dir;
  const std::string dbf = dir.file("OURS.dbf");
  const auto rows = samplePlan(GetParam());
  writeOurs(dbf, rows, {}, GetParam());
  const auto expectPerlReads = [&](const std::vector<Row>& expected) {
    const std::string out = capture(perlScript("read_table.pl") + shellQuote(dbf));
    EXPECT_TRUE(out == kPerlHeader + planText(expected)) << "Perl read differs; first 2000 bytes:\n"
                                                         << out.substr(0, 2000);
  };
  expectPerlReads(rows);
  EXPECT_EQ(static_cast<uint8_t>(dbase::testing::readFile(dbf)[0]), GetParam());
  {
    dbase::Table t;
    t.open(dbf, dbase::OpenMode::Exclusive);
    t.pack();
  }
  std::vector<Row> live;
  for (const auto& r : rows)
    if (!r.deleted) live.push_back(r);
  expectPerlReads(live);
}

// A dBASE III memo ends at the first 1A: such a memo is refused, not cut short.
TEST_P(PerlRoundTrip, MemoHoldingTerminatorIsRefusedOnlyInDbaseThree) {
  TempDir dir;
  writeOurs(dir.file("OURS.dbf"), {}, {}, GetParam());
  dbase::Table t;
  t.open(dir.file("OURS.dbf"), dbase::OpenMode::Exclusive);
  t.append();
  t.setString(0, "picture");
  const std::string data("a\x1A\x1A b", 5);
  if (GetParam() == 0x83) {
    try {
      t.writeBlob(4, data);
      t.post();
      ADD_FAILURE() << "a memo holding 1A was stored in a dBASE III memo file";
    } catch (const dbase::Error& e) {
      EXPECT_NE(std::string(e.what()).find("cannot hold the byte 1A"), std::string::npos)
          << e.what();
    }
    t.cancel();
    EXPECT_EQ(t.physicalCount(), 0u);
  } else {
    t.writeBlob(4, data);
    t.post();
    EXPECT_EQ(t.readBlob(4), data);
  }
}

struct Entry {
  std::string key;  // right-trimmed
  uint32_t recno;
  friend bool operator==(const Entry&, const Entry&) = default;
};

std::ostream& operator<<(std::ostream& os, const Entry& e) { return os << e.recno << ":" << e.key; }

std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

TEST(PerlInterop, IndexDumpWalksCharacterTagsInOurOrder) {
  if (!perlXBaseAvailable()) GTEST_SKIP() << "Perl XBase is not installed";
  TempDir dir;
  // Enough records for a tree three levels deep, with duplicates, mixed case
  // and bytes above 0x7F (ordered as unsigned).
  std::mt19937 rng(7);
  const char* words[] = {"alpha", "Beta",  "gamma",         "\xC9t\xE9",
                         "zeta",  "Omega", "\xFC\x62\x65r", "mu"};
  std::vector<Row> rows;
  for (int i = 0; i < 3000; ++i) {
    Row r;
    r.title =
        std::string(words[rng() % 8]) + " " + words[rng() % 8] + " " + std::to_string(rng() % 500);
    r.deleted = rng() % 10 == 0;
    rows.push_back(r);
  }
  using dbase::testing::tag;  // LIVE leaves the deleted records' keys out
  const std::vector<dbase::TagDef> tags = {
      tag("UTITLE", "UPPER(TITLE)"), tag("TITLE", "TITLE"),
      tag("LIVE", "UPPER(TITLE)", false, false, ".NOT.DELETED()")};
  const auto live = static_cast<size_t>(
      std::count_if(rows.begin(), rows.end(), [](const Row& r) { return !r.deleted; }));
  writeOurs(dir.file("IDX.DBF"), rows, tags);

  const std::string mdxPath = dir.file("IDX.MDX");
  ASSERT_TRUE(fs::exists(mdxPath));
  const std::string listing = capture("index_dump " + shellQuote(mdxPath));
  for (const auto& def : tags) EXPECT_NE(listing.find(def.name), std::string::npos) << listing;

  auto mdx = dbase::MdxFile::open(mdxPath, true);
  for (const auto& def : tags) {
    SCOPED_TRACE("tag " + def.name);
    const int index = mdx->findTag(def.name);
    ASSERT_GE(index, 0);
    std::vector<Entry> ours;
    dbase::MdxFile::Cursor cursor(*mdx, index);
    for (bool ok = cursor.first(); ok; ok = cursor.next())
      ours.push_back({rtrim(std::string(cursor.key())), cursor.recno()});
    EXPECT_EQ(ours.size(), def.filter.empty() ? rows.size() : live);

    std::vector<Entry> perls;
    std::istringstream in(capture("index_dump -tag " + def.name + " " + shellQuote(mdxPath)));
    for (std::string line; std::getline(in, line);) {
      const size_t space = line.find_last_of(' ');
      ASSERT_NE(space, std::string::npos) << line;
      perls.push_back({rtrim(line.substr(0, space)),
                       static_cast<uint32_t>(std::stoul(line.substr(space + 1)))});
    }
    ASSERT_EQ(perls.size(), ours.size());
    for (size_t i = 0; i < ours.size(); ++i) ASSERT_EQ(perls[i], ours[i]) << "at entry " << i;
  }
}

}  // namespace
