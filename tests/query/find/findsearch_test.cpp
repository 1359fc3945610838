#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/labels.h"
#include "core/progress.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "query/find/findmatch.h"
#include "query/find/findsearch.h"
#include "store/dbtable.h"

namespace {

using dbase::FieldType;

// Field numbers of the test table.
constexpr int kTitle = 2, kAuthor = 3, kValue = 4, kPubDate = 5, kPages = 6, kNotes = 7;

struct Book {
  std::string title{}, author{};
  std::string value{};  // as typed into the numeric field, "" for blank
  dbase::Date date{};
  std::string notes{};
  char mark = '0';
};

// A record table with the layout of the program's tables (number, mark, user
// fields of every type) and a title tag for letter ranges.
class FindSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appSettings() = AppSettings{};
    labels() = {"Title", "Author", "Value", "Published", "Pages", "Notes", "Picture"};
    appSettings().blobFields.set(8);
  }
  void TearDown() override {
    table.close();
    appSettings() = AppSettings{};
    labels().clear();
  }

  // A new table each time: the last one is closed and removed.
  void make(const std::vector<Book>& books) {
    table.close();
    for (const char* f : {"books.dbf", "books.mdx", "books.dbt"}) QFile::remove(dir.filePath(f));
    const std::string path = QFile::encodeName(dir.filePath("books.dbf")).toStdString();
    dbase::Table::create(path,
                         {{"RECNO", FieldType::Numeric, 10, 0},
                          {"MARK", FieldType::Character, 1, 0},
                          {"TITLE", FieldType::Character, 40, 0},
                          {"AUTHOR", FieldType::Character, 20, 0},
                          {"VALUE", FieldType::Numeric, 12, 2},
                          {"PUBDATE", FieldType::Date, 8, 0},
                          {"PAGES", FieldType::Character, 10, 0},
                          {"NOTES", FieldType::Memo, 10, 0},
                          {"PICTURE", FieldType::Binary, 10, 0}},
                         {{"TITLE", "UPPER(TITLE)", false, false, ""}});
    dbase::Table t;
    t.open(path, dbase::OpenMode::Exclusive);
    int n = 0;
    for (const Book& b : books) {
      t.append();
      t.setNumber(0, ++n);
      t.setString(1, std::string(1, b.mark));
      t.setString(kTitle, b.title);
      t.setString(kAuthor, b.author);
      if (!b.value.empty()) t.setString(kValue, b.value);
      if (!b.date.isBlank()) t.setDate(kPubDate, b.date);
      if (!b.notes.empty()) t.writeBlob(kNotes, b.notes);
      t.post();
    }
    t.close();
    table.databaseName = dir.path();
    table.tableName = "books.dbf";
    table.open();
  }

  // Marks of all records in file order.
  std::string marks() {
    dbase::Table& t = table.engine();
    std::string out;
    const std::string tag = t.activeTag();
    t.setActiveTag("");
    for (t.first(); !t.eof(); t.next()) out += t.asString(1);
    t.setActiveTag(tag);
    return out;
  }
  int currentRecord() { return static_cast<int>(table.engine().asInteger(0)); }

  // Puts the table in title order, restricted to titles starting with `letter`.
  void letterRange(char letter) {
    dbase::Table& t = table.engine();
    if (t.activeTag() != "TITLE") t.setActiveTag("TITLE");
    t.setRangeStart(std::string(1, letter));
    t.setRangeEnd(std::string(1, letter) + '\xFF');
    t.applyRange();
    t.first();
  }

  QTemporaryDir dir;
  DbTable table;
};

// ---------------------------------------------------------------- field tests

TEST(FindMatch, TextIsFoundInAnyLetterCase) {
  const std::string needle = foldTableText("abc");
  EXPECT_EQ(findFolded("xxABCyy", needle), 2u);
  EXPECT_EQ(findFolded("xxaBcyy", needle), 2u);
  EXPECT_EQ(findFolded("xxAB Cyy", needle), std::string_view::npos);
  EXPECT_EQ(findFolded("ab", needle), std::string_view::npos);
}

TEST(FindMatch, AccentedWindows1252LettersFoldToCapitals) {
  // "é" 0xE9 and "É" 0xC9, "š" 0x9A and "Š" 0x8A, "ÿ" 0xFF and "Ÿ" 0x9F.
  EXPECT_EQ(foldTableText("caf\xE9 \x9A\xFF"), "CAF\xC9 \x8A\x9F");
  EXPECT_EQ(findFolded("Le Caf\xC9 Noir", foldTableText("caf\xE9")), 3u);
  // Division sign and sharp s have no capitals.
  EXPECT_EQ(foldByte(0xF7), 0xF7);
  EXPECT_EQ(foldByte(0xDF), 0xDF);
}

TEST(FindMatch, NumbersReadTheSameInEveryLocale) {
  EXPECT_EQ(parseSearchNumber("12"), 12.0);
  EXPECT_EQ(parseSearchNumber("  -3.5e2"), -350.0);
  EXPECT_EQ(parseSearchNumber("+.5"), 0.5);
  EXPECT_EQ(parseSearchNumber("12 "), 12.0);
  EXPECT_FALSE(parseSearchNumber("1,000"));
  EXPECT_FALSE(parseSearchNumber("12,5"));
  EXPECT_FALSE(parseSearchNumber("12abc"));
  EXPECT_FALSE(parseSearchNumber("inf"));
  EXPECT_FALSE(parseSearchNumber("nan"));
  EXPECT_FALSE(parseSearchNumber(""));
  EXPECT_FALSE(parseSearchNumber("-"));
}

TEST(FindMatch, DatesFollowTheShortDateOrder) {
  const dbase::Date christmas{1985, 12, 25};
  EXPECT_EQ(parseSearchDate("12/25/85", 0), christmas);
  EXPECT_EQ(parseSearchDate("25/12/1985", 1), christmas);
  EXPECT_EQ(parseSearchDate("85/12/25", 2), christmas);
  EXPECT_EQ(parseSearchDate("01/02/03", 0), (dbase::Date{2003, 1, 2}));
  EXPECT_FALSE(parseSearchDate("12/25/85", 1));  // no month 25
  EXPECT_FALSE(parseSearchDate("02/30/99", 0));
  EXPECT_FALSE(parseSearchDate("12/25", 0));
  EXPECT_FALSE(parseSearchDate("Dec 25 1985", 0));
}

TEST(FindMatch, QueryKnowsWhichFieldKindsCanMatch) {
  const FindQuery words = FindQuery::make("Ab c", 0, false);
  EXPECT_EQ(words.needle, "AB C");
  EXPECT_FALSE(words.number);
  EXPECT_TRUE(words.dateKey.empty());
  const FindQuery date = FindQuery::make("12/25/85", 0, true);
  EXPECT_EQ(date.dateKey, "19851225");
  EXPECT_TRUE(date.searchMemos);
  EXPECT_EQ(FindQuery::make("\u00E9t\u00E9", 0, false).needle, "\xC9T\xC9");
}

// ---------------------------------------------------------------- field list and memory

TEST(FindChoices, ListAllFieldsThenLabelsWithoutPictures) {
  appSettings() = AppSettings{};
  labels() = {"Title", "Author", "Photo", "Notes"};
  appSettings().blobFields.set(4);
  EXPECT_EQ(findFieldChoices(), (QStringList{"ALL FIELDS", "Title", "Author", "Notes"}));
  EXPECT_EQ(findFieldOfChoice("ALL FIELDS"), -1);
  EXPECT_EQ(findFieldOfChoice("author"), 3);
  EXPECT_EQ(findFieldOfChoice("Notes"), 5);
  EXPECT_EQ(findFieldOfChoice("Nothing"), -1);
  labels().clear();
  appSettings() = AppSettings{};
}

TEST(FindChoices, RecentTextsKeepTheNewestFirstWithoutDuplicates) {
  QStringList history{"tolkien", "Dune", "austen"};
  rememberSearchText(history, "DUNE");
  EXPECT_EQ(history, (QStringList{"DUNE", "tolkien", "austen"}));
  rememberSearchText(history, "new");
  EXPECT_EQ(history.front(), "new");
  EXPECT_EQ(history.size(), 4);
}

// ---------------------------------------------------------------- stepping search

// Forward steps from the first record: the records (and, over all fields, the
// fields) found in turn, then nothing.
TEST_F(FindSearchTest, StepsFindTheMatchingRecordsInTurn) {
  struct Case {
    const char* what;
    std::vector<Book> books;
    int field;  // -1: all fields
    const char* text;
    int dateFormat;
    std::vector<std::pair<int, int>> found;  // record and field of each match
  };
  const std::vector<Book> values{
      {"Volume 112", "A", "112.00"}, {"Plain", "B", "12.00"}, {"Other", "C", "1.20"}};
  const std::vector<Book> dates{{"A", "", "", {1985, 12, 24}}, {"B", "", "", {1985, 12, 25}}};
  // clang-format off
  const Case cases[] = {
      {"a number only when it is exactly 12", values, kValue, "12", 0, {{2, kValue}}},
      {"all fields: a text holding 112 holds 12", values, -1, "12", 0, {{1, kTitle}, {2, kValue}}},
      {"one field moves on to the next record", {{"Blue Moon", "Blue Author"}, {"Blue Sky", "x"}},
       kAuthor, "blue", 0, {{1, kAuthor}}},
      {"text ending in blanks misses the field padding", {{"Moby", "x"}, {"Moby Dick", "y"}},
       kTitle, "moby ", 0, {{2, kTitle}}},
      {"dates by the short date format", dates, -1, "12/25/85", 0, {{2, kPubDate}}},
      {"day first, that text is no date", dates, -1, "12/25/85", 1, {}},
      {"day first", dates, -1, "25/12/85", 1, {{2, kPubDate}}}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    appSettings().dateFormat = static_cast<uint16_t>(c.dateFormat);
    make(c.books);
    FindSearch search(table);
    search.text = c.text;
    search.field = c.field;
    for (size_t i = 0; i < c.found.size(); ++i) {
      ASSERT_EQ(i == 0 ? search.find(true) : search.findAgain(true), FindSearch::Outcome::Found);
      EXPECT_EQ(currentRecord(), c.found[i].first);
      EXPECT_EQ(search.counter(), c.found[i].first - 1);
      if (c.field < 0) {
        EXPECT_EQ(search.currentField(), c.found[i].second);
      }
    }
    EXPECT_EQ(c.found.empty() ? search.find(true) : search.findAgain(true),
              FindSearch::Outcome::NotFound);
  }
}

TEST_F(FindSearchTest, AllFieldsFindsASecondHitInALaterFieldOfTheSameRecord) {
  make({{"Nothing here", "Nobody"}, {"Blue Moon", "Blue Author"}, {"Red", "Blue Bird"}});
  FindSearch search(table);
  search.text = "blue";
  ASSERT_EQ(search.find(true), FindSearch::Outcome::Found);
  EXPECT_EQ(currentRecord(), 2);
  EXPECT_EQ(search.currentField(), kTitle);
  ASSERT_EQ(search.findAgain(true), FindSearch::Outcome::Found);
  EXPECT_EQ(currentRecord(), 2);
  EXPECT_EQ(search.currentField(), kAuthor);
  ASSERT_EQ(search.findAgain(true), FindSearch::Outcome::Found);
  EXPECT_EQ(currentRecord(), 3);
  EXPECT_EQ(search.counter(), 2);
  // Backwards from there: the author, then the title of record 2.
  ASSERT_EQ(search.findAgain(false), FindSearch::Outcome::Found);
  EXPECT_EQ(currentRecord(), 2);
  EXPECT_EQ(search.currentField(), kAuthor);
  ASSERT_EQ(search.findAgain(false), FindSearch::Outcome::Found);
  EXPECT_EQ(search.currentField(), kTitle);
  EXPECT_EQ(search.counter(), 1);
  EXPECT_EQ(search.findAgain(false), FindSearch::Outcome::NotFound);
}

TEST_F(FindSearchTest, BackwardSearchStartsAtTheLastRecord) {
  make({{"Dune"}, {"Emma"}, {"Dune Messiah"}, {"Ivanhoe"}, {"Persuasion"}});
  FindSearch search(table);
  search.text = "dune";
  std::vector<int32_t> counters;
  search.pump = [&] { counters.push_back(search.counter()); };
  ASSERT_EQ(search.find(false), FindSearch::Outcome::Found);
  ASSERT_FALSE(counters.empty());
  EXPECT_EQ(counters.front(), 4);  // the record count minus 1
  EXPECT_EQ(search.currentField(), kTitle);
  EXPECT_EQ(currentRecord(), 3);
  EXPECT_EQ(search.counter(), 2);
  EXPECT_EQ(search.lastFoundPosition(), 2);
  ASSERT_EQ(search.findAgain(false), FindSearch::Outcome::Found);
  EXPECT_EQ(currentRecord(), 1);
  EXPECT_EQ(search.counter(), 0);
}

TEST_F(FindSearchTest, EmptyDatabaseFindsNothing) {
  make({});
  FindSearch search(table);
  search.text = "anything";
  int notFound = 0;
  search.hooks.onNotFound = [&] { ++notFound; };
  EXPECT_EQ(search.find(true), FindSearch::Outcome::NotFound);
  EXPECT_EQ(search.find(false), FindSearch::Outcome::NotFound);
  EXPECT_EQ(notFound, 2);
  const MarkResult r = search.markAll("Searching");
  EXPECT_EQ(r.found, 0);
  EXPECT_FALSE(r.stopped);
  EXPECT_TRUE(r.error.empty());
}

TEST_F(FindSearchTest, MemosAreSearchedOnlyWhenAllowedAndWhole) {
  // 20,000 lines ending in CR LF, which the memo editor counts as one
  // character each: the match is where the editor shows it.
  std::string longNotes;
  for (int i = 0; i < 20000; ++i) longNotes += "line\r\n";
  longNotes += "a lone \r, the Needle at the end";
  make({{"First", "", "", {}, "short notes"}, {"Second", "", "", {}, longNotes}});
  FindSearch search(table);
  search.text = "needle";
  EXPECT_EQ(search.find(true), FindSearch::Outcome::NotFound);
  search.searchMemos = true;
  ASSERT_EQ(search.find(true), FindSearch::Outcome::Found);
  EXPECT_EQ(currentRecord(), 2);
  EXPECT_EQ(search.currentField(), kNotes);
  EXPECT_EQ(search.memoMatch().offset, 120014u);
  EXPECT_EQ(search.memoMatch().length, 6u);
  EXPECT_EQ(search.memoMatch().editorOffset, 100014u);
  EXPECT_EQ(search.memoMatch().editorLength, 6u);
  search.field = kNotes;
  search.text = "SHORT";
  ASSERT_EQ(search.find(true), FindSearch::Outcome::Found);
  EXPECT_EQ(currentRecord(), 1);
  EXPECT_EQ(search.memoMatch().offset, 0u);
}

TEST_F(FindSearchTest, HooksFrameTheSearch) {
  make({{"Alpha"}, {"Beta"}});
  FindSearch search(table);
  search.text = "beta";
  std::vector<std::string> calls;
  search.hooks.beforeFind = [&](bool forward) {
    calls.push_back(forward ? "before fwd" : "before back");
    return true;
  };
  search.hooks.onFound = [&] { calls.push_back("found"); };
  search.hooks.onNotFound = [&] { calls.push_back("not found"); };
  search.hooks.beforeFindAgain = [&] {
    calls.push_back("again");
    return true;
  };
  search.hooks.atRangeEnd = [&](bool) {
    calls.push_back("range end");
    return true;
  };
  search.busy = [&](bool on) { calls.push_back(on ? "busy" : "idle"); };
  search.find(true);
  search.findAgain(true);
  search.findAgain(true);  // nothing found last time: no BeforeFindAgain
  // The third search retests the record of the last match: nothing was found in between.
  EXPECT_EQ(calls,
            (std::vector<std::string>{"before fwd", "busy", "idle", "found", "busy", "again",
                                      "range end", "idle", "not found", "busy", "idle", "found"}));
}

TEST_F(FindSearchTest, FalseFromBeforeFindOrBeforeFindAgainCancels) {
  make({{"Alpha"}, {"Alpha Two"}});
  FindSearch search(table);
  search.text = "alpha";
  bool allow = false;
  int ended = 0;
  search.hooks.beforeFind = [&](bool) { return allow; };
  search.hooks.beforeFindAgain = [&] { return allow; };
  search.hooks.onFound = [&] { ++ended; };
  search.hooks.onNotFound = [&] { ++ended; };
  EXPECT_EQ(search.find(true), FindSearch::Outcome::Cancelled);
  allow = true;
  ASSERT_EQ(search.find(true), FindSearch::Outcome::Found);
  allow = false;
  EXPECT_EQ(search.findAgain(true), FindSearch::Outcome::Cancelled);
  EXPECT_TRUE(search.Found());  // the last match still counts
  allow = true;
  ASSERT_EQ(search.findAgain(true), FindSearch::Outcome::Found);
  EXPECT_EQ(currentRecord(), 2);
  EXPECT_EQ(ended, 2);
}

TEST_F(FindSearchTest, AtRangeEndMovesTheSearchToTheNextLetter) {
  make({{"Apple"}, {"Avocado"}, {"Banana"}, {"Cherry pie"}, {"Coconut pie"}});
  letterRange('A');
  FindSearch search(table);
  search.text = "pie";
  std::string letters = "A";
  search.hooks.atRangeEnd = [&](bool forward) {
    if (!forward || letters.back() == 'C') return true;
    const char next = static_cast<char>(letters.back() + 1);
    letters += next;
    letterRange(next);
    return false;
  };
  ASSERT_EQ(search.find(true), FindSearch::Outcome::Found);
  EXPECT_EQ(letters, "ABC");
  EXPECT_EQ(currentRecord(), 4);
  EXPECT_EQ(search.counter(), 0);  // the first record of the letter's range
  ASSERT_EQ(search.findAgain(true), FindSearch::Outcome::Found);
  EXPECT_EQ(currentRecord(), 5);
  EXPECT_EQ(search.counter(), 1);
  EXPECT_EQ(search.findAgain(true), FindSearch::Outcome::NotFound);
}

TEST_F(FindSearchTest, StopEndsASteppingSearch) {
  std::vector<Book> books(500, Book{"filler"});
  books.push_back({"target"});
  make(books);
  FindSearch search(table);
  search.text = "target";
  int pumps = 0;
  search.pump = [&] {
    if (++pumps == 100) search.requestStop();
  };
  EXPECT_EQ(search.find(true), FindSearch::Outcome::NotFound);
  EXPECT_EQ(pumps, 100);
  EXPECT_FALSE(search.running());
}

// ---------------------------------------------------------------- marking pass

TEST_F(FindSearchTest, MarkAllWritesTwoForFoundAndZeroForTheRest) {
  make({{"Dune", "", "", {}, "", '2'},
        {"Emma", "", "", {}, "", '2'},
        {"Dune Messiah"},
        {"Ivanhoe"}});
  letterRange('E');
  FindSearch search(table);
  search.text = "dune";
  const MarkResult r = search.markAll("Searching");
  EXPECT_EQ(r.found, 2);
  EXPECT_FALSE(r.stopped);
  EXPECT_EQ(search.foundCount(), 2);
  EXPECT_EQ(marks(), "2020");
  // The range of the view was given up; the order stays the one it had.
  EXPECT_FALSE(table.engine().hasRange());
  EXPECT_EQ(table.engine().activeTag(), "TITLE");
  EXPECT_EQ(table.engine().recordCount(), 4u);
}

TEST_F(FindSearchTest, MarkAllTestsOnlyTheChosenFieldAndGivesExclusiveUseBack) {
  make({{"Dune", "Herbert"}, {"Herbert's Life", "Someone"}});
  FindSearch search(table);
  search.text = "herbert";
  search.field = kAuthor;
  EXPECT_EQ(search.markAll("Searching").found, 1);
  EXPECT_EQ(marks(), "20");
  EXPECT_FALSE(table.exclusive);
  EXPECT_TRUE(table.active());
  dbase::Table other;
  EXPECT_NO_THROW(other.open(QFile::encodeName(dir.filePath("books.dbf")).toStdString()));
}

TEST_F(FindSearchTest, MarkAllReportsProgressOverTheWholeTable) {
  class Recorder : public Progress {
   public:
    std::vector<int> percents;
    QString caption;
    bool closed = false;

   protected:
    void showWindow(const QString& c) override { caption = c; }
    void showPercent(int p) override { percents.push_back(p); }
    void hideWindow() override { closed = true; }
  } recorder;
  setProgress(&recorder);
  make(std::vector<Book>(4, Book{"x"}));
  FindSearch search(table);
  search.text = "x";
  search.markAll("Searching - Please Wait...");
  setProgress(nullptr);
  EXPECT_EQ(recorder.caption, "Searching - Please Wait...");
  EXPECT_EQ(recorder.percents, (std::vector<int>{25, 50, 75, 100}));
  EXPECT_TRUE(recorder.closed);
}

TEST_F(FindSearchTest, StoppedMarkAllKeepsTheOldMarksAfterTheStop) {
  std::vector<Book> books;
  for (int i = 0; i < 10; ++i) books.push_back({"match", "", "", {}, "", '3'});
  make(books);
  FindSearch search(table);
  search.text = "match";
  int pumps = 0;
  search.pump = [&] {
    if (++pumps == 5) search.requestStop();
  };
  const MarkResult r = search.markAll("Searching");
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.found, 0);
  EXPECT_EQ(search.counter(), 0);
  EXPECT_EQ(marks(), "2222333333");
}

TEST_F(FindSearchTest, MarkAllSkipsARecordAnotherCursorHolds) {
  make({{"keep"}, {"keep"}, {"keep"}});
  dbase::Table other;
  other.open(QFile::encodeName(dir.filePath("books.dbf")).toStdString());
  other.goToRecord(2);
  other.edit();
  FindSearch search(table);
  search.text = "keep";
  const MarkResult r = search.markAll("Searching");
  other.cancel();
  EXPECT_EQ(r.found, 3);
  EXPECT_EQ(r.skipped, 1);
  EXPECT_EQ(marks(), "202");
}

}  // namespace
