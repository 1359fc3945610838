// tometool driven as a user would: the built binary (TOMES_BIN) with files
// in a scratch directory, its results read back through the engine.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "dbase/table.h"
#include "table_fixture.h"

namespace {

namespace fs = std::filesystem;
using dbase::testing::readFile;
using dbase::testing::shellQuote;
using dbase::testing::writeFile;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

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
    emptyDir();
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void emptyDir() {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  ToolRun run(const std::vector<std::string>& args, const std::string& input = "") {
    std::ofstream(dir_ / "stdin", std::ios::binary) << input;
    std::string cmd = shellQuote(tool_);
    for (const auto& a : args) cmd += " " + shellQuote(a);
    cmd += " <" + shellQuote(path("stdin")) + " >" + shellQuote(path("stdout")) + " 2>" +
           shellQuote(path("stderr"));
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

// The rows of a CSV text after the header, unquoted; quoted fields may hold
// commas and line breaks.
std::vector<std::vector<std::string>> csvRows(const std::string& csv) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
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
    } else if (c == ',' || c == '\n') {
      if (!field.empty() && field.back() == '\r' && c == '\n') field.pop_back();
      rows.back().push_back(field);
      field.clear();
      if (c == '\n') rows.emplace_back();
    } else {
      field += c;
    }
  }
  if (rows.back().empty()) rows.pop_back();
  if (!rows.empty()) rows.erase(rows.begin());
  return rows;
}

std::vector<std::string> firstColumn(const std::string& csv) {
  std::vector<std::string> out;
  for (const auto& row : csvRows(csv)) out.push_back(row.front());
  return out;
}

std::vector<std::string> lastColumn(const std::string& csv) {
  std::vector<std::string> out;
  for (const auto& row : csvRows(csv)) out.push_back(row.back());
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

// Numbers are decimal text, rounded half away from zero on their digits.
TEST_F(Tometool, AppendRoundsDecimalTextAwayFromZero) {
  const std::string dbf = makeBooks();
  ok({"append", dbf}, "TITLE,PRICE\na,1.005\nb,-1.005\nc,2.675\nd,1e2\ne,+.125\n");
  std::vector<std::string> prices;
  for (const auto& row : csvRows(ok({"list", dbf}))) prices.push_back(row[2]);
  EXPECT_EQ(std::vector<std::string>(prices.begin() + 5, prices.end()),
            (std::vector<std::string>{"1.01", "-1.01", "2.68", "100.00", "0.13"}));
}

// Every refused row names its CSV line, whether the text or the engine refuses
// it; malformed CSV is refused whole.
TEST_F(Tometool, AppendNamesTheLineOfARefusedRow) {
  const std::string dbf = makeBooks();
  const struct {
    const char* csv;
    const char* err;
  } cases[] = {
      {"TITLE,PRICE\nok,1\nhex,0x10\n", "line 3: PRICE: \"0x10\" is not a number"},
      {"TITLE,PRICE\ninf,inf\n", "line 2: PRICE: \"inf\" is not a number"},
      {"TITLE,PRICE\n\nbig,123456789\n", "line 3: PRICE: "},  // the engine: does not fit
      {"TITLE,BOUGHT\nx,2001-02-30\n", "line 2: BOUGHT: "},
      {"TITLE,AUTHOR\n\"Unclosed,x\n", "not closed"},
      {"TITLE,AUTHOR\n\"a\"b,x\n", "after a closing quote"},
      {"TITLE,AUTHOR\na,b,c\n", "3 values for 2 columns"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.csv);
    const ToolRun r = run({"append", dbf}, c.csv);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
  }
  // Only the "ok" row before the first refused one was kept.
  EXPECT_EQ(lines(ok({"info", dbf}))[1], "records 6");
}

TEST_F(Tometool, AppendReadsCsvFileArgument) {
  const std::string dbf = makeBooks();
  std::ofstream(path("more.csv"), std::ios::binary) << "TITLE\nAnathem\n";
  ok({"append", dbf, path("more.csv")});
  EXPECT_EQ(firstColumn(ok({"list", dbf})).back(), "Anathem");
}

// Listing through a tag, whole or over a range of keys of each field type.
TEST_F(Tometool, ListFollowsTheTagAndItsRange) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "UTITLE", "UPPER(TITLE)"});
  ok({"tag", dbf, "UTITLED", "UPPER(TITLE)", "--descending"});
  ok({"tag", dbf, "BOUGHT", "BOUGHT"});
  ok({"tag", dbf, "PRICE", "PRICE"});
  const std::string cafe = "Caf\xC3\xA9 Society";
  const struct {
    std::vector<std::string> options;
    std::vector<std::string> titles;
  } cases[] = {
      // Case-insensitive, and a character range compares over the bound's length.
      {{"--tag", "UTITLE"}, {"beloved", "Brave New World", cafe, "Cat's Cradle, A", "Dune"}},
      {{"--tag", "UTITLED"}, {"Dune", "Cat's Cradle, A", cafe, "Brave New World", "beloved"}},
      {{"--tag", "UTITLE", "--from", "B", "--to", "C"},
       {"beloved", "Brave New World", cafe, "Cat's Cradle, A"}},
      {{"--tag", "UTITLE", "--from", "CAT"}, {"Cat's Cradle, A", "Dune"}},
      {{"--tag", "BOUGHT", "--from", "1995-01-01", "--to", "2001-12-31"},
       {cafe, "Cat's Cradle, A"}},
      {{"--tag", "PRICE", "--from", "1", "--to", "12.5"}, {"Dune", "beloved"}},
      {{"--tag", "PRICE", "--from", "-4", "--to", "-3"}, {"Brave New World"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"list", dbf};
    args.insert(args.end(), c.options.begin(), c.options.end());
    SCOPED_TRACE(testing::PrintToString(c.options));
    EXPECT_EQ(firstColumn(ok(args)), c.titles);
  }
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
  writeFile(file, bytes.replace(at, replace.size(), replace));
  return true;
}

// Rewrites one byte range of a file in place.
void poke(const std::string& file, size_t at, const std::string& bytes) {
  writeFile(file, readFile(file).replace(at, bytes.size(), bytes));
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

// A key changed in the index, or the data changed behind the index's back:
// check names what disagrees, and reindex repairs it.
TEST_F(Tometool, CheckReportsKeysThatDisagreeWithTheDataAndReindexRepairsThem) {
  const struct {
    std::vector<std::string> tag;
    const char* file;
    const char *find, *replace;
    std::vector<std::string> reported;
  } cases[] = {
      {{"UTITLE", "UPPER(TITLE)"}, "BOOKS.MDX", "BRAVE", "ZRAVE", {"tag UTITLE", "record 5"}},
      {{"AUTHOR", "AUTHOR"}, "BOOKS.DBF", "Herbert", "Zerbert", {"missing", "extra"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    emptyDir();
    const std::string dbf = makeBooks();
    ok({"tag", dbf, c.tag[0], c.tag[1]});
    EXPECT_EQ(ok({"check", dbf}), "");
    ASSERT_TRUE(patch(path(c.file), c.find, c.replace));
    const ToolRun bad = run({"check", dbf});
    EXPECT_EQ(bad.status, 1);
    for (const auto& text : c.reported) EXPECT_NE(bad.out.find(text), std::string::npos) << bad.out;
    ok({"reindex", dbf});
    EXPECT_EQ(ok({"check", dbf}), "");
  }
}

TEST_F(Tometool, CheckReportsInteriorKeyThatMisroutesSearches) {
  using dbase::testing::le32;
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
  writeFile(path("KEYS.MDX"), mdx);

  const ToolRun bad = run({"check", dbf});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("tag K: a search for record"), std::string::npos) << bad.out;
}

TEST_F(Tometool, CheckReportsIndexLeftMidUpdate) {
  const std::string dbf = makeBooks();
  ok({"tag", dbf, "UTITLE", "UPPER(TITLE)"});
  std::string mdx = readFile(path("BOOKS.MDX"));
  mdx[52] = 1;  // the "being updated" mark a writer sets while it works
  writeFile(path("BOOKS.MDX"), mdx);
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

// Damage to the memos that check reports; list still shows every record it
// can read, and never a memo's block prefix as text.
TEST_F(Tometool, CheckReportsMemoDamage) {
  struct Case {
    const char* name;
    std::function<void(const std::string& dbf, const std::string& dbt)> damage;
    const char* reported;
    std::vector<std::string> listedNotes;  // NOTES column of list, "" for no memo
    const char* lost;                      // named by list and pack, "" when all is read
  };
  const std::vector<std::string> allNotes = {"", "Said \"so it goes\"\nmany times", "",
                                             "\xE2\x82\xAC 5", "short"};
  // Record 5's memo is the last one; its pointer sits after the fixed fields.
  auto lastMemoPointer = [](const std::string& dbf) {
    return readFile(dbf).find("Brave New World") + 30 + 20 + 8 + 8 + 1;
  };
  const std::vector<Case> cases = {
      {"pointer outside the memo file",
       [&](const std::string& dbf, const std::string&) {
         poke(dbf, lastMemoPointer(dbf), "    999999");
       },
       "record 5 NOTES",
       {allNotes[0], allNotes[1], allNotes[2], allNotes[3], ""},
       "record 5 NOTES: "},
      {"block without its header",
       [](const std::string&, const std::string& dbt) {
         ASSERT_TRUE(patch(dbt, std::string("\xFF\xFF\x08\x00", 4), "XXXX"));
       },
       "FF FF 08 00",
       {},
       ""},
      // What an older engine wrote into a dBASE III table: dBASE IV blocks.
      {"dBASE IV blocks in a dBASE III memo file",
       [](const std::string& dbf, const std::string& dbt) {
         poke(dbf, 0, "\x83");
         poke(dbt, 16, "\x03");
       },
       "holds a dBASE IV memo (FF FF 08 00) in a dBASE III memo file", allNotes, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    emptyDir();
    const std::string dbf = makeBooks();
    c.damage(dbf, fs::exists(path("BOOKS.DBT")) ? path("BOOKS.DBT") : path("BOOKS.dbt"));
    const ToolRun bad = run({"check", dbf});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find(c.reported), std::string::npos) << bad.out;
    if (c.listedNotes.empty()) continue;
    const ToolRun list = run({"list", dbf});
    EXPECT_EQ(lastColumn(list.out), c.listedNotes) << list.out;
    if (*c.lost) {
      EXPECT_EQ(list.status, 1);
      EXPECT_NE(list.err.find(std::string("list: ") + c.lost), std::string::npos) << list.err;
      const ToolRun pack = run({"pack", dbf});
      EXPECT_EQ(pack.status, 1);
      EXPECT_NE(pack.err.find(c.lost), std::string::npos) << pack.err;
      EXPECT_EQ(lastColumn(run({"list", dbf}).out), c.listedNotes);  // the pack changed nothing
    } else {
      EXPECT_EQ(list.status, 0) << list.err;
      ok({"pack", dbf});  // rewrites the memos in the file's own layout
      EXPECT_EQ(ok({"check", dbf}), "");
      EXPECT_EQ(lastColumn(ok({"list", dbf})), c.listedNotes);
    }
  }
}

TEST_F(Tometool, CheckAcceptsTableWrittenByPerl) {
  if (!dbase::testing::perlXBaseAvailable()) GTEST_SKIP() << "no Perl XBase";
  const char* src = std::getenv("TOMES_SOURCE");
  const std::string script =
      (src ? std::string(src) + "/tests/dbase" : fs::path(__FILE__).parent_path().string()) +
      "/interop/write_table.pl";
  // Two memos, one spanning blocks, and a deleted record (plan format of write_table.pl).
  std::ofstream(path("plan"), std::ios::binary)
      << "0\t416c706861\t1.50\t20240301\tT\t" << std::string(1500, 'a') << "\n"
      << "1\t42657461\t\t\t\t6d656d6f\n"
      << "0\t47616d6d61\t\t\tF\t\n";
  ASSERT_EQ(std::system(("perl " + shellQuote(script) + " " + shellQuote(dir_.string()) + " PERL " +
                         shellQuote(path("plan")))
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

  const ToolRun badTag = run({"tag", dbf, "BAD", "NOSUCHFIELD+1"});
  EXPECT_NE(badTag.status, 0);
  EXPECT_EQ(lines(badTag.err).size(), 1u) << badTag.err;

  EXPECT_NE(run({"create", dbf, "A:C:5"}).status, 0);  // never over a table
  EXPECT_EQ(lines(ok({"info", dbf}))[1], "records 5");

  EXPECT_EQ(run({"frobnicate"}).status, 2);
  EXPECT_EQ(run({"create", path("X.DBF"), "NAME:Q:3"}).status, 2);
}

// File contents reach the terminal escaped: an expression holding a terminal
// control sequence; a version byte that is no table's fails every command.
TEST_F(Tometool, MessagesEscapeControlBytesFromFiles) {
  const std::string dbf = makeBooks();
  const std::string hostile = "TITLE+\"\x1B]0;owned\x07\"";
  ok({"tag", dbf, "EVIL", hostile});
  const std::string info = ok({"info", dbf});
  EXPECT_EQ(info.find('\x1B'), std::string::npos);
  EXPECT_NE(info.find("tag EVIL ascending TITLE+\"\\x1B]0;owned\\x07\""), std::string::npos)
      << info;
  // The same expression, no longer compiling, quoted in check's report and list's error.
  std::string mdx = fs::exists(path("BOOKS.MDX")) ? path("BOOKS.MDX") : path("BOOKS.mdx");
  ASSERT_TRUE(patch(mdx, "TITLE+\"\x1B", "TITLX+\"\x1B"));
  for (const ToolRun& r : {run({"check", dbf}), run({"list", dbf, "--tag", "EVIL"})}) {
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ((r.out + r.err).find('\x1B'), std::string::npos);
    EXPECT_NE((r.out + r.err).find("\\x1B]0;owned\\x07"), std::string::npos) << r.out << r.err;
  }

  poke(dbf, 0, "\xFF");
  for (const char* command : {"info", "list", "check"}) {
    const ToolRun r = run({command, dbf});
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ((r.out + r.err).find('\xFF'), std::string::npos) << command;
  }
  EXPECT_NE(run({"check", dbf}).out.find("version byte 0xFF"), std::string::npos);
}

}  // namespace
