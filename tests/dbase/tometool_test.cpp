// tometool driven as a user would: the built binary (TOMES_BIN) with files
// in a scratch directory, its results read back through the engine.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dbase/table.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class Tometool : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("TOMES_BIN");
    if (!bin || !fs::exists(fs::path(bin) / "tometool")) {
      GTEST_SKIP() << "TOMES_BIN does not hold a built tometool";
    }
    tool_ = (fs::path(bin) / "tometool").string();
    dir_ = fs::temp_directory_path() /
           ("tometool_test_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  ToolRun run(const std::vector<std::string>& args, const std::string& input = "") {
    std::ofstream(dir_ / "stdin", std::ios::binary) << input;
    std::string cmd = quote(tool_);
    for (const auto& a : args) cmd += " " + quote(a);
    cmd +=
        " <" + quote(path("stdin")) + " >" + quote(path("stdout")) + " 2>" + quote(path("stderr"));
    const int raw = std::system(cmd.c_str());
    ToolRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readFile(dir_ / "stdout");
    r.err = readFile(dir_ / "stderr");
    return r;
  }

  // Runs a command that must succeed; its output.
  std::string ok(const std::vector<std::string>& args, const std::string& input = "") {
    const ToolRun r = run(args, input);
    EXPECT_EQ(r.status, 0) << args[0] << " failed: " << r.err;
    EXPECT_TRUE(args[0] == "check" || r.err.empty()) << r.err;
    return r.out;
  }

  // A small book table: TITLE C30, AUTHOR C20, PRICE N8.2, BOUGHT D, READ L, NOTES M.
  std::string makeBooks() {
    const std::string dbf = path("BOOKS.DBF");
    ok({"create", dbf, "TITLE:C:30", "AUTHOR:C:20", "PRICE:N:8:2", "BOUGHT:D", "READ:L",
        "NOTES:M"});
    ok({"append", dbf},
       "TITLE,AUTHOR,PRICE,BOUGHT,READ,NOTES\r\n"
       "Dune,Herbert,9.99,1990-05-01,T,\r\n"
       "\"Cat's Cradle, A\",Vonnegut,,2001-12-31,F,\"Said \"\"so it goes\"\"\nmany times\"\r\n"
       "beloved,Morrison,12.5,,,\r\n"
       "Caf\xC3\xA9 Society,Z\xC3\xBCrich,0,1999-12-31,T,\xE2\x82\xAC 5\r\n"
       "Brave New World,Huxley,-3.25,,F,short\r\n");
    return dbf;
  }

  std::string tool_;
  fs::path dir_;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

// The first column of each CSV row after the header, unquoted; quoted
// fields may hold commas and line breaks.
std::vector<std::string> firstColumn(const std::string& csv) {
  std::vector<std::string> out;
  std::string field;
  bool quoted = false, first = true, header = true;
  for (size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',' || c == '\r' || c == '\n') {
      if (first && !header) out.push_back(field);
      first = false;
      field.clear();
      if (c == '\n') {
        first = true;
        header = false;
      }
    } else {
      field += c;
    }
  }
  return out;
}

TEST_F(Tometool, InfoDescribesCreatedTable) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "utitle", "UPPER(TITLE)"});
  ok({"tag", dbf, "PRICEDN", "PRICE", "--descending"});
  EXPECT_EQ(lines(ok({"info", dbf})),
            (std::vector<std::string>{"version 0x8B", "records 5", "field 0 TITLE C 30 0",
                                      "field 1 AUTHOR C 20 0", "field 2 PRICE N 8 2",
                                      "field 3 BOUGHT D 8 0", "field 4 READ L 1 0",
                                      "field 5 NOTES M 10 0", "tag UTITLE ascending UPPER(TITLE)",
                                      "tag PRICEDN descending PRICE"}));
}

TEST_F(Tometool, TableWithoutMemoIsVersion03AndHasNoDbt) {
  const std::string dbf = path("PLAIN.DBF");
  ok({"create", dbf, "NAME:C:10", "N:N:5"});
  EXPECT_EQ(lines(ok({"info", dbf}))[0], "version 0x03");
  EXPECT_FALSE(fs::exists(path("PLAIN.DBT")));
  EXPECT_FALSE(fs::exists(path("PLAIN.dbt")));
}

TEST_F(Tometool, ListRoundTripsQuotingAndUtf8) {
  const std::string dbf = makeBooks();
  const std::string out = ok({"list", dbf});
  EXPECT_EQ(out,
            "TITLE,AUTHOR,PRICE,BOUGHT,READ,NOTES\r\n"
            "Dune,Herbert,9.99,1990-05-01,T,\r\n"
            "\"Cat's Cradle, A\",Vonnegut,,2001-12-31,F,\"Said \"\"so it goes\"\"\nmany times\"\r\n"
            "beloved,Morrison,12.50,,,\r\n"
            "Caf\xC3\xA9 Society,Z\xC3\xBCrich,0.00,1999-12-31,T,\xE2\x82\xAC 5\r\n"
            "Brave New World,Huxley,-3.25,,F,short\r\n");
}

TEST_F(Tometool, AppendStoresWindows1252AndBlankValues) {
  const std::string dbf = makeBooks();
  dbase::Table t;
  t.open(dbf, dbase::OpenMode::Shared, true);
  t.goToRecord(4);
  EXPECT_EQ(t.asString(0), "Caf\xE9 Society");
  EXPECT_EQ(t.readBlob(5), "\x80 5");
  t.goToRecord(2);
  EXPECT_TRUE(t.isEmpty(2));  // blank number stays blank, not 0
  t.goToRecord(3);
  EXPECT_TRUE(t.isEmpty(3));
  EXPECT_TRUE(t.asDate(3).isBlank());
  EXPECT_TRUE(t.isEmpty(5));
}

TEST_F(Tometool, AppendTakesColumnsInAnyOrderAndLeavesOthersBlank) {
  const std::string dbf = makeBooks();
  ok({"append", dbf}, "AUTHOR,title\nOrwell,1984\n");
  const auto all = lines(ok({"list", dbf}));
  ASSERT_EQ(all.size(), 8u);  // header, 5 + 1 records over 7 lines (one memo has a newline)
  EXPECT_EQ(all.back(), "1984,Orwell,,,,");
}

TEST_F(Tometool, AppendReadsCsvFileArgument) {
  const std::string dbf = makeBooks();
  std::ofstream(path("more.csv"), std::ios::binary) << "TITLE\nAnathem\n";
  ok({"append", dbf, path("more.csv")});
  EXPECT_EQ(firstColumn(ok({"list", dbf})).back(), "Anathem");
}

TEST_F(Tometool, TagOrdersListCaseInsensitively) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "UTITLE", "UPPER(TITLE)"});
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "UTITLE"})),
            (std::vector<std::string>{"beloved", "Brave New World", "Caf\xC3\xA9 Society",
                                      "Cat's Cradle, A", "Dune"}));
}

TEST_F(Tometool, DescendingTagReversesOrder) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "UTITLED", "UPPER(TITLE)", "--descending"});
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "UTITLED"})),
            (std::vector<std::string>{"Dune", "Cat's Cradle, A", "Caf\xC3\xA9 Society",
                                      "Brave New World", "beloved"}));
}

TEST_F(Tometool, RangeOnCharacterTagComparesOverBoundLength) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "UTITLE", "UPPER(TITLE)"});
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "UTITLE", "--from", "B", "--to", "C"})),
            (std::vector<std::string>{"beloved", "Brave New World", "Caf\xC3\xA9 Society",
                                      "Cat's Cradle, A"}));
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "UTITLE", "--from", "CAT"})),
            (std::vector<std::string>{"Cat's Cradle, A", "Dune"}));
}

TEST_F(Tometool, RangeOnDateAndNumberTags) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "BOUGHT", "BOUGHT"});
  ok({"tag", dbf, "PRICE", "PRICE"});
  EXPECT_EQ(firstColumn(
                ok({"list", dbf, "--tag", "BOUGHT", "--from", "1995-01-01", "--to", "2001-12-31"})),
            (std::vector<std::string>{"Caf\xC3\xA9 Society", "Cat's Cradle, A"}));
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "PRICE", "--from", "1", "--to", "12.5"})),
            (std::vector<std::string>{"Dune", "beloved"}));
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "PRICE", "--from", "-4", "--to", "-3"})),
            (std::vector<std::string>{"Brave New World"}));
}

TEST_F(Tometool, DeletedRecordsAreNotListedAndPackRemovesThem) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "UTITLE", "UPPER(TITLE)"});
  ok({"delete", dbf, "2", "4"});
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "UTITLE"})),
            (std::vector<std::string>{"beloved", "Brave New World", "Dune"}));
  EXPECT_EQ(lines(ok({"info", dbf}))[1], "records 5");
  EXPECT_EQ(ok({"check", dbf}), "");
  ok({"pack", dbf});
  EXPECT_EQ(lines(ok({"info", dbf}))[1], "records 3");
  EXPECT_EQ(firstColumn(ok({"list", dbf})),
            (std::vector<std::string>{"Dune", "beloved", "Brave New World"}));
  EXPECT_EQ(ok({"check", dbf}), "");
  // The memo of a surviving record is still whole after compaction.
  EXPECT_EQ(lines(ok({"list", dbf})).back(), "Brave New World,Huxley,-3.25,,F,short");
}

TEST_F(Tometool, ListWithRecnoNamesPhysicalRecords) {
  const std::string dbf = makeBooks();
  ok({"delete", dbf, "1"});
  const auto all = lines(ok({"list", dbf, "--recno"}));
  EXPECT_EQ(all[0], "_RECNO,TITLE,AUTHOR,PRICE,BOUGHT,READ,NOTES");
  EXPECT_EQ(all[1].substr(0, 2), "2,");
}

// Overwrites bytes of a file at the first place `find` occurs.
bool patch(const std::string& file, const std::string& find, const std::string& replace) {
  std::string bytes = readFile(file);
  const size_t at = bytes.find(find);
  if (at == std::string::npos) return false;
  bytes.replace(at, replace.size(), replace);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  return true;
}

TEST_F(Tometool, FilteredAndUniqueTagsListAndCheckClean) {
  const std::string dbf = makeBooks();
  ok({"append", dbf}, "TITLE,AUTHOR,PRICE\nDune Messiah,Herbert,11\n");
  ok({"tag", dbf, "AUTHORU", "UPPER(AUTHOR)", "--unique"});
  ok({"tag", dbf, "DEAR", "TITLE", "--for", "PRICE > 5"});
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "DEAR"})),
            (std::vector<std::string>{"Dune", "Dune Messiah", "beloved"}));
  // One entry per author: Herbert's first book stands for both.
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "AUTHORU"})),
            (std::vector<std::string>{"Dune", "Brave New World", "beloved", "Cat's Cradle, A",
                                      "Caf\xC3\xA9 Society"}));
  EXPECT_EQ(ok({"check", dbf}), "");
  ok({"delete", dbf, "1"});
  ok({"pack", dbf});
  EXPECT_EQ(ok({"check", dbf}), "");
  EXPECT_EQ(firstColumn(ok({"list", dbf, "--tag", "AUTHORU"}))[0], "Dune Messiah");
}

TEST_F(Tometool, CheckReportsDamagedTagKeyAndReindexRepairsIt) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "UTITLE", "UPPER(TITLE)"});
  EXPECT_EQ(run({"check", dbf}).status, 0);
  ASSERT_TRUE(patch(path("BOOKS.MDX"), "BRAVE NEW WORLD", "ZRAVE NEW WORLD"));
  const ToolRun bad = run({"check", dbf});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("tag UTITLE"), std::string::npos) << bad.out;
  EXPECT_NE(bad.out.find("record 5"), std::string::npos) << bad.out;
  ok({"reindex", dbf});
  EXPECT_EQ(ok({"check", dbf}), "");
}

uint32_t le32(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
         static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

TEST_F(Tometool, CheckReportsInteriorKeyThatMisroutesSearches) {
  const std::string dbf = path("KEYS.DBF");
  ok({"create", dbf, "K:C:10"});
  std::string csv = "K\n";
  for (int i = 0; i < 300; ++i) csv += "K" + std::to_string(1000 + i) + "\n";
  ok({"append", dbf}, csv);
  ok({"tag", dbf, "K", "K"});
  EXPECT_EQ(ok({"check", dbf}), "");

  // The first tag's header page, its root, and the root's first separator.
  std::string mdx = readFile(path("KEYS.MDX"));
  const uint32_t header = le32(mdx, 544);
  const uint32_t root = le32(mdx, header * 512);
  const size_t node = size_t{root} * 512;
  ASSERT_GT(le32(mdx, node), 1u) << "expected an interior root";
  ASSERT_NE(le32(mdx, node + 8), 0u);
  // Claim the first child holds keys up to the very last one.
  mdx.replace(node + 12, 10, "K1299     ");
  std::ofstream(path("KEYS.MDX"), std::ios::binary | std::ios::trunc) << mdx;

  const ToolRun bad = run({"check", dbf});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("tag K: a search for record"), std::string::npos) << bad.out;
}

TEST_F(Tometool, CheckReportsIndexLeftMidUpdate) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "UTITLE", "UPPER(TITLE)"});
  std::string mdx = readFile(path("BOOKS.MDX"));
  mdx[52] = 1;  // the "being updated" mark a writer sets while it works
  std::ofstream(path("BOOKS.MDX"), std::ios::binary | std::ios::trunc) << mdx;
  const ToolRun bad = run({"check", dbf});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("being updated"), std::string::npos) << bad.out;
  // Readers still get the records, in natural order; only the tags wait.
  const ToolRun info = run({"info", dbf});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(info.out.find("tag "), std::string::npos) << info.out;
  EXPECT_NE(info.err.find("left unfinished"), std::string::npos) << info.err;
  const std::string listed = ok({"list", dbf});
  ASSERT_NE(listed.find("Brave New World"), std::string::npos) << listed;
  EXPECT_LT(listed.find("Dune"), listed.find("Brave New World"));
  EXPECT_EQ(run({"list", dbf, "--tag", "UTITLE"}).status, 1);
  EXPECT_EQ(readFile(path("BOOKS.MDX")), mdx);
  ok({"reindex", dbf});
  EXPECT_EQ(ok({"check", dbf}), "");
}

TEST_F(Tometool, CheckReportsKeyThatNoLongerMatchesTheRecord) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "AUTHOR", "AUTHOR"});
  // Change the data behind the index's back: the tag still holds "Herbert".
  ASSERT_TRUE(patch(dbf, "Herbert", "Zerbert"));
  const ToolRun bad = run({"check", dbf});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("missing"), std::string::npos) << bad.out;
  EXPECT_NE(bad.out.find("extra"), std::string::npos) << bad.out;
}

TEST_F(Tometool, CheckReportsMemoPointerOutsideTheMemoFile) {
  const std::string dbf = makeBooks();
  // Record 5's memo is the last one; point it far beyond the end.
  std::string bytes = readFile(dbf);
  const size_t at = bytes.find("Brave New World");
  ASSERT_NE(at, std::string::npos);
  const size_t memo = at + 30 + 20 + 8 + 8 + 1;
  bytes.replace(memo, 10, "    999999");
  std::ofstream(dbf, std::ios::binary | std::ios::trunc) << bytes;
  const ToolRun bad = run({"check", dbf});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("record 5 NOTES"), std::string::npos) << bad.out;
}

TEST_F(Tometool, CheckReportsMemoWithoutBlockHeader) {
  const std::string dbf = makeBooks();
  std::string dbt = fs::exists(path("BOOKS.DBT")) ? path("BOOKS.DBT") : path("BOOKS.dbt");
  ASSERT_TRUE(patch(dbt, std::string("\xFF\xFF\x08\x00", 4), "XXXX"));
  const ToolRun bad = run({"check", dbf});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("FF FF 08 00"), std::string::npos) << bad.out;
}

TEST_F(Tometool, CheckAcceptsTableWrittenByPerl) {
  if (std::system("perl -MXBase -e 1 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Perl XBase";
  const char* src = std::getenv("TOMES_SOURCE");
  const std::string script =
      (src ? std::string(src) + "/tests/dbase" : fs::path(__FILE__).parent_path().string()) +
      "/interop/write_table.pl";
  // Two memos, one spanning blocks, and a deleted record (plan format of write_table.pl).
  std::ofstream(path("plan"), std::ios::binary)
      << "0\t416c706861\t1.50\t20240301\tT\t" << std::string(1500, 'a') << "\n"
      << "1\t42657461\t\t\t\t6d656d6f\n"
      << "0\t47616d6d61\t\t\tF\t\n";
  ASSERT_EQ(std::system(("perl " + quote(script) + " " + quote(dir_.string()) + " PERL " +
                         quote(path("plan")))
                            .c_str()),
            0);
  EXPECT_EQ(ok({"check", path("PERL.dbf")}), "");
  EXPECT_EQ(firstColumn(ok({"list", path("PERL.dbf")})),
            (std::vector<std::string>{"Alpha", "Gamma"}));
}

TEST_F(Tometool, ErrorsExitNonZeroWithOneLineNamingTheFile) {
  const ToolRun missing = run({"info", path("NOPE.DBF")});
  EXPECT_NE(missing.status, 0);
  EXPECT_NE(missing.err.find("NOPE"), std::string::npos) << missing.err;
  EXPECT_EQ(lines(missing.err).size(), 1u) << missing.err;

  const std::string dbf = makeBooks();
  const ToolRun badField = run({"append", dbf}, "TITLE,NOSUCH\nx,y\n");
  EXPECT_NE(badField.status, 0);
  EXPECT_NE(badField.err.find("NOSUCH"), std::string::npos) << badField.err;

  const ToolRun badDate = run({"append", dbf}, "TITLE,BOUGHT\nx,2001-02-30\n");
  EXPECT_NE(badDate.status, 0);
  EXPECT_NE(badDate.err.find("line 2"), std::string::npos) << badDate.err;
  EXPECT_EQ(lines(ok({"info", dbf}))[1], "records 5");  // the bad row was not kept

  const ToolRun badTag = run({"tag", dbf, "BAD", "NOSUCHFIELD+1"});
  EXPECT_NE(badTag.status, 0);
  EXPECT_EQ(lines(badTag.err).size(), 1u) << badTag.err;

  EXPECT_EQ(run({"frobnicate"}).status, 2);
  EXPECT_EQ(run({"create", path("X.DBF"), "NAME:Q:3"}).status, 2);
}

TEST_F(Tometool, AppendRejectsMalformedCsv) {
  const std::string dbf = makeBooks();
  const ToolRun open = run({"append", dbf}, "TITLE,AUTHOR\n\"Unclosed,x\n");
  EXPECT_EQ(open.status, 1);
  EXPECT_NE(open.err.find("not closed"), std::string::npos) << open.err;
  const ToolRun stray = run({"append", dbf}, "TITLE,AUTHOR\n\"a\"b,x\n");
  EXPECT_EQ(stray.status, 1);
  EXPECT_NE(stray.err.find("after a closing quote"), std::string::npos) << stray.err;
  const ToolRun count = run({"append", dbf}, "TITLE,AUTHOR\na,b,c\n");
  EXPECT_EQ(count.status, 1);
  EXPECT_NE(count.err.find("3 values for 2 columns"), std::string::npos) << count.err;
  EXPECT_EQ(lines(ok({"info", dbf}))[1], "records 5");
}

TEST_F(Tometool, CreateRefusesExistingTable) {
  const std::string dbf = makeBooks();
  const ToolRun again = run({"create", dbf, "A:C:5"});
  EXPECT_NE(again.status, 0);
  EXPECT_EQ(lines(ok({"info", dbf}))[1], "records 5");
}

}  // namespace
