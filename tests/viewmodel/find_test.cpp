#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "dbase/table.h"
#include "dbtable.h"
#include "findmatch.h"
#include "findsearch.h"
#include "labels.h"
#include "progress.h"
#include "settings.h"

namespace {

using dbase::FieldType;

// Field numbers of the test table.
constexpr int kTitle = 2, kAuthor = 3, kValue = 4, kPubDate = 5, kPages = 6, kNotes = 7;

struct Book {
  Book(std::string t = {}, std::string a = {}, std::string v = {}, dbase::Date d = {},
       std::string n = {}, char m = '0')
      : title(std::move(t)),
        author(std::move(a)),
        value(std::move(v)),
        date(d),
        notes(std::move(n)),
        mark(m) {}
  std::string title;
  std::string author;
  std::string value;  // as typed into the numeric field, "" for blank
  dbase::Date date;
  std::string notes;
  char mark;
};

// A record table with the layout of the program's tables (number, mark, user
// fields of every type) and a title tag for letter ranges.
class FindSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    AppSettings() = TAppSettings{};
    Labels() = {"Title", "Author", "Value", "Published", "Pages", "Notes", "Picture"};
    AppSettings().BlobFields.set(8);
  }
  void TearDown() override {
    table.Close();
    AppSettings() = TAppSettings{};
    Labels().clear();
  }

  void Make(const std::vector<Book>& books) {
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
    table.DatabaseName = dir.path();
    table.TableName = "books.dbf";
    table.Open();
  }

  // Marks of all records in file order.
  std::string Marks() {
    dbase::Table& t = table.Engine();
    std::string out;
    const std::string tag = t.activeTag();
    t.setActiveTag("");
    for (t.first(); !t.eof(); t.next()) out += t.asString(1);
    t.setActiveTag(tag);
    return out;
  }
  int CurrentRecord() { return static_cast<int>(table.Engine().asInteger(0)); }

  // Puts the table in title order, restricted to titles starting with `letter`.
  void LetterRange(char letter) {
    dbase::Table& t = table.Engine();
    if (t.activeTag() != "TITLE") t.setActiveTag("TITLE");
    t.setRangeStart(std::string(1, letter));
    t.setRangeEnd(std::string(1, letter) + '\xFF');
    t.applyRange();
    t.first();
  }

  QTemporaryDir dir;
  TDbTable table;
};

// ---------------------------------------------------------------- field tests

TEST(FindMatch, TextIsFoundInAnyLetterCase) {
  const std::string needle = FoldTableText("abc");
  EXPECT_EQ(FindFolded("xxABCyy", needle), 2u);
  EXPECT_EQ(FindFolded("xxaBcyy", needle), 2u);
  EXPECT_EQ(FindFolded("xxAB Cyy", needle), std::string_view::npos);
  EXPECT_EQ(FindFolded("ab", needle), std::string_view::npos);
}

TEST(FindMatch, AccentedWindows1252LettersFoldToCapitals) {
  // "é" 0xE9 and "É" 0xC9, "š" 0x9A and "Š" 0x8A, "ÿ" 0xFF and "Ÿ" 0x9F.
  EXPECT_EQ(FoldTableText("caf\xE9 \x9A\xFF"), "CAF\xC9 \x8A\x9F");
  EXPECT_EQ(FindFolded("Le Caf\xC9 Noir", FoldTableText("caf\xE9")), 3u);
  // Division sign and sharp s have no capitals.
  EXPECT_EQ(FoldByte(0xF7), 0xF7);
  EXPECT_EQ(FoldByte(0xDF), 0xDF);
}

TEST(FindMatch, NumbersReadTheSameInEveryLocale) {
  EXPECT_EQ(ParseSearchNumber("12"), 12.0);
  EXPECT_EQ(ParseSearchNumber("  -3.5e2"), -350.0);
  EXPECT_EQ(ParseSearchNumber("+.5"), 0.5);
  EXPECT_EQ(ParseSearchNumber("12 "), 12.0);
  EXPECT_FALSE(ParseSearchNumber("1,000"));
  EXPECT_FALSE(ParseSearchNumber("12,5"));
  EXPECT_FALSE(ParseSearchNumber("12abc"));
  EXPECT_FALSE(ParseSearchNumber("inf"));
  EXPECT_FALSE(ParseSearchNumber("nan"));
  EXPECT_FALSE(ParseSearchNumber(""));
  EXPECT_FALSE(ParseSearchNumber("-"));
}

TEST(FindMatch, DatesFollowTheShortDateOrder) {
  const dbase::Date christmas{1985, 12, 25};
  EXPECT_EQ(ParseSearchDate("12/25/85", 0), christmas);
  EXPECT_EQ(ParseSearchDate("25/12/1985", 1), christmas);
  EXPECT_EQ(ParseSearchDate("85/12/25", 2), christmas);
  EXPECT_EQ(ParseSearchDate("01/02/03", 0), (dbase::Date{2003, 1, 2}));
  EXPECT_FALSE(ParseSearchDate("12/25/85", 1));  // no month 25
  EXPECT_FALSE(ParseSearchDate("02/30/99", 0));
  EXPECT_FALSE(ParseSearchDate("12/25", 0));
  EXPECT_FALSE(ParseSearchDate("Dec 25 1985", 0));
}

TEST(FindMatch, QueryKnowsWhichFieldKindsCanMatch) {
  const TFindQuery words = TFindQuery::Make("Ab c", 0, false);
  EXPECT_EQ(words.needle, "AB C");
  EXPECT_FALSE(words.number);
  EXPECT_TRUE(words.dateKey.empty());
  const TFindQuery date = TFindQuery::Make("12/25/85", 0, true);
  EXPECT_EQ(date.dateKey, "19851225");
  EXPECT_TRUE(date.searchMemos);
  EXPECT_EQ(TFindQuery::Make("\u00E9t\u00E9", 0, false).needle, "\xC9T\xC9");
}

// ---------------------------------------------------------------- field list and memory

TEST(FindChoices, ListAllFieldsThenLabelsWithoutPictures) {
  AppSettings() = TAppSettings{};
  Labels() = {"Title", "Author", "Photo", "Notes"};
  AppSettings().BlobFields.set(4);
  EXPECT_EQ(FindFieldChoices(), (QStringList{"ALL FIELDS", "Title", "Author", "Notes"}));
  EXPECT_EQ(FindFieldOfChoice("ALL FIELDS"), -1);
  EXPECT_EQ(FindFieldOfChoice("author"), 3);
  EXPECT_EQ(FindFieldOfChoice("Notes"), 5);
  EXPECT_EQ(FindFieldOfChoice("Nothing"), -1);
  Labels().clear();
  AppSettings() = TAppSettings{};
}

TEST(FindChoices, RecentTextsKeepTheNewestFirstWithoutDuplicates) {
  QStringList history{"tolkien", "Dune", "austen"};
  RememberSearchText(history, "DUNE");
  EXPECT_EQ(history, (QStringList{"DUNE", "tolkien", "austen"}));
  RememberSearchText(history, "new");
  EXPECT_EQ(history.front(), "new");
  EXPECT_EQ(history.size(), 4);
}

// ---------------------------------------------------------------- stepping search

TEST_F(FindSearch, TwelveMatchesANumberOnlyWhenItIsExactlyTwelve) {
  Make({{"Volume 112", "A", "112.00"}, {"Plain", "B", "12.00"}, {"Other", "C", "1.20"}});
  TFindSearch search(table);
  search.text = "12";
  search.field = kValue;
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(search.Counter(), 1);
  EXPECT_EQ(search.FindAgain(true), TFindSearch::Outcome::NotFound);
  // All fields: the text field holding 112 contains "12".
  search.field = -1;
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_EQ(search.CurrentField(), kTitle);
  ASSERT_EQ(search.FindAgain(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(search.CurrentField(), kValue);
}

TEST_F(FindSearch, AllFieldsFindsASecondHitInALaterFieldOfTheSameRecord) {
  Make({{"Nothing here", "Nobody"}, {"Blue Moon", "Blue Author"}, {"Red", "Blue Bird"}});
  TFindSearch search(table);
  search.text = "blue";
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(search.CurrentField(), kTitle);
  ASSERT_EQ(search.FindAgain(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(search.CurrentField(), kAuthor);
  ASSERT_EQ(search.FindAgain(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 3);
  EXPECT_EQ(search.Counter(), 2);
  // Backwards from there: the author, then the title of record 2.
  ASSERT_EQ(search.FindAgain(false), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(search.CurrentField(), kAuthor);
  ASSERT_EQ(search.FindAgain(false), TFindSearch::Outcome::Found);
  EXPECT_EQ(search.CurrentField(), kTitle);
  EXPECT_EQ(search.Counter(), 1);
  EXPECT_EQ(search.FindAgain(false), TFindSearch::Outcome::NotFound);
}

TEST_F(FindSearch, ASingleFieldMovesOnToTheNextRecord) {
  Make({{"Blue Moon", "Blue Author"}, {"Blue Sky", "x"}});
  TFindSearch search(table);
  search.text = "blue";
  search.field = kAuthor;
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_EQ(search.FindAgain(true), TFindSearch::Outcome::NotFound);
}

TEST_F(FindSearch, BackwardSearchStartsAtTheLastRecord) {
  Make({{"Dune"}, {"Emma"}, {"Dune Messiah"}, {"Ivanhoe"}, {"Persuasion"}});
  TFindSearch search(table);
  search.text = "dune";
  std::vector<int32_t> counters;
  search.pump = [&] { counters.push_back(search.Counter()); };
  ASSERT_EQ(search.Find(false), TFindSearch::Outcome::Found);
  ASSERT_FALSE(counters.empty());
  EXPECT_EQ(counters.front(), 4);  // the record count minus 1
  EXPECT_EQ(search.CurrentField(), kTitle);
  EXPECT_EQ(CurrentRecord(), 3);
  EXPECT_EQ(search.Counter(), 2);
  EXPECT_EQ(search.LastFoundPosition(), 2);
  ASSERT_EQ(search.FindAgain(false), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_EQ(search.Counter(), 0);
}

TEST_F(FindSearch, EmptyDatabaseFindsNothing) {
  Make({});
  TFindSearch search(table);
  search.text = "anything";
  int notFound = 0;
  search.hooks.OnNotFound = [&] { ++notFound; };
  EXPECT_EQ(search.Find(true), TFindSearch::Outcome::NotFound);
  EXPECT_EQ(search.Find(false), TFindSearch::Outcome::NotFound);
  EXPECT_EQ(notFound, 2);
  const TMarkResult r = search.MarkAll("Searching");
  EXPECT_EQ(r.found, 0);
  EXPECT_FALSE(r.stopped);
  EXPECT_TRUE(r.error.empty());
}

TEST_F(FindSearch, DatesMatchByTheShortDateFormat) {
  Make({{"A", "", "", {1985, 12, 24}}, {"B", "", "", {1985, 12, 25}}});
  TFindSearch search(table);
  search.text = "12/25/85";
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(search.CurrentField(), kPubDate);
  AppSettings().DateFormat = 1;  // day first: the same text is no date now
  EXPECT_EQ(search.Find(true), TFindSearch::Outcome::NotFound);
  search.text = "25/12/85";
  EXPECT_EQ(search.Find(true), TFindSearch::Outcome::Found);
}

TEST_F(FindSearch, MemosAreSearchedOnlyWhenAllowedAndWhole) {
  std::string longNotes(200000, 'x');
  longNotes += " the Needle at the end";
  Make({{"First", "", "", {}, "short notes"}, {"Second", "", "", {}, longNotes}});
  TFindSearch search(table);
  search.text = "needle";
  EXPECT_EQ(search.Find(true), TFindSearch::Outcome::NotFound);
  search.searchMemos = true;
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(search.CurrentField(), kNotes);
  EXPECT_EQ(search.MemoMatch().offset, 200005u);
  EXPECT_EQ(search.MemoMatch().length, 6u);
  search.field = kNotes;
  search.text = "SHORT";
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_EQ(search.MemoMatch().offset, 0u);
}

TEST_F(FindSearch, TextEndingInBlanksDoesNotMatchTheFieldPadding) {
  Make({{"Moby", "x"}, {"Moby Dick", "y"}});
  TFindSearch search(table);
  search.text = "moby ";
  search.field = kTitle;
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 2);
}

TEST_F(FindSearch, HooksFrameTheSearch) {
  Make({{"Alpha"}, {"Beta"}});
  TFindSearch search(table);
  search.text = "beta";
  std::vector<std::string> calls;
  search.hooks.BeforeFind = [&](bool forward) {
    calls.push_back(forward ? "before fwd" : "before back");
    return true;
  };
  search.hooks.OnFound = [&] { calls.push_back("found"); };
  search.hooks.OnNotFound = [&] { calls.push_back("not found"); };
  search.hooks.BeforeFindAgain = [&] {
    calls.push_back("again");
    return true;
  };
  search.hooks.AtRangeEnd = [&](bool) {
    calls.push_back("range end");
    return true;
  };
  search.busy = [&](bool on) { calls.push_back(on ? "busy" : "idle"); };
  search.Find(true);
  search.FindAgain(true);
  search.FindAgain(true);  // nothing found last time: no BeforeFindAgain
  // The third search retests the record of the last match: nothing was found in between.
  EXPECT_EQ(calls,
            (std::vector<std::string>{"before fwd", "busy", "idle", "found", "busy", "again",
                                      "range end", "idle", "not found", "busy", "idle", "found"}));
}

TEST_F(FindSearch, FalseFromBeforeFindOrBeforeFindAgainCancels) {
  Make({{"Alpha"}, {"Alpha Two"}});
  TFindSearch search(table);
  search.text = "alpha";
  bool allow = false;
  int ended = 0;
  search.hooks.BeforeFind = [&](bool) { return allow; };
  search.hooks.BeforeFindAgain = [&] { return allow; };
  search.hooks.OnFound = [&] { ++ended; };
  search.hooks.OnNotFound = [&] { ++ended; };
  EXPECT_EQ(search.Find(true), TFindSearch::Outcome::Cancelled);
  allow = true;
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  allow = false;
  EXPECT_EQ(search.FindAgain(true), TFindSearch::Outcome::Cancelled);
  EXPECT_TRUE(search.Found());  // the last match still counts
  allow = true;
  ASSERT_EQ(search.FindAgain(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(ended, 2);
}

TEST_F(FindSearch, AtRangeEndMovesTheSearchToTheNextLetter) {
  Make({{"Apple"}, {"Avocado"}, {"Banana"}, {"Cherry pie"}, {"Coconut pie"}});
  LetterRange('A');
  TFindSearch search(table);
  search.text = "pie";
  std::string letters = "A";
  search.hooks.AtRangeEnd = [&](bool forward) {
    if (!forward || letters.back() == 'C') return true;
    const char next = static_cast<char>(letters.back() + 1);
    letters += next;
    LetterRange(next);
    return false;
  };
  ASSERT_EQ(search.Find(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(letters, "ABC");
  EXPECT_EQ(CurrentRecord(), 4);
  EXPECT_EQ(search.Counter(), 0);  // the first record of the letter's range
  ASSERT_EQ(search.FindAgain(true), TFindSearch::Outcome::Found);
  EXPECT_EQ(CurrentRecord(), 5);
  EXPECT_EQ(search.Counter(), 1);
  EXPECT_EQ(search.FindAgain(true), TFindSearch::Outcome::NotFound);
}

TEST_F(FindSearch, StopEndsASteppingSearch) {
  std::vector<Book> books(500, Book{"filler"});
  books.push_back({"target"});
  Make(books);
  TFindSearch search(table);
  search.text = "target";
  int pumps = 0;
  search.pump = [&] {
    if (++pumps == 100) search.RequestStop();
  };
  EXPECT_EQ(search.Find(true), TFindSearch::Outcome::NotFound);
  EXPECT_EQ(pumps, 100);
  EXPECT_FALSE(search.Running());
}

// ---------------------------------------------------------------- marking pass

TEST_F(FindSearch, MarkAllWritesTwoForFoundAndZeroForTheRest) {
  Make({Book("Dune", "", "", {}, "", '2'),
        {"Emma", "", "", {}, "", '2'},
        {"Dune Messiah"},
        {"Ivanhoe"}});
  LetterRange('E');
  TFindSearch search(table);
  search.text = "dune";
  const TMarkResult r = search.MarkAll("Searching");
  EXPECT_EQ(r.found, 2);
  EXPECT_FALSE(r.stopped);
  EXPECT_EQ(search.FoundCount(), 2);
  EXPECT_EQ(Marks(), "2020");
  // The range of the view was given up; the order stays the one it had.
  EXPECT_FALSE(table.Engine().hasRange());
  EXPECT_EQ(table.Engine().activeTag(), "TITLE");
  EXPECT_EQ(table.Engine().recordCount(), 4u);
}

TEST_F(FindSearch, MarkAllTestsOnlyTheChosenField) {
  Make({{"Dune", "Herbert"}, {"Herbert's Life", "Someone"}});
  TFindSearch search(table);
  search.text = "herbert";
  search.field = kAuthor;
  EXPECT_EQ(search.MarkAll("Searching").found, 1);
  EXPECT_EQ(Marks(), "20");
}

TEST_F(FindSearch, MarkAllReportsProgressOverTheWholeTable) {
  class Recorder : public TProgress {
   public:
    std::vector<int> percents;
    QString caption;
    bool closed = false;

   protected:
    void showWindow(const QString& c) override { caption = c; }
    void showPercent(int p) override { percents.push_back(p); }
    void hideWindow() override { closed = true; }
  } recorder;
  SetProgress(&recorder);
  Make(std::vector<Book>(4, Book{"x"}));
  TFindSearch search(table);
  search.text = "x";
  search.MarkAll("Searching - Please Wait...");
  SetProgress(nullptr);
  EXPECT_EQ(recorder.caption, "Searching - Please Wait...");
  EXPECT_EQ(recorder.percents, (std::vector<int>{25, 50, 75, 100}));
  EXPECT_TRUE(recorder.closed);
}

TEST_F(FindSearch, StoppedMarkAllKeepsTheOldMarksAfterTheStop) {
  std::vector<Book> books;
  for (int i = 0; i < 10; ++i) books.push_back({"match", "", "", {}, "", '3'});
  Make(books);
  TFindSearch search(table);
  search.text = "match";
  int pumps = 0;
  search.pump = [&] {
    if (++pumps == 5) search.RequestStop();
  };
  const TMarkResult r = search.MarkAll("Searching");
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.found, 0);
  EXPECT_EQ(search.Counter(), 0);
  EXPECT_EQ(Marks(), "2222333333");
}

TEST_F(FindSearch, MarkAllGivesExclusiveUseBack) {
  Make({{"one"}, {"two"}});
  TFindSearch search(table);
  search.text = "one";
  EXPECT_EQ(search.MarkAll("Searching").found, 1);
  EXPECT_FALSE(table.Exclusive);
  EXPECT_TRUE(table.Active());
  dbase::Table other;
  EXPECT_NO_THROW(other.open(QFile::encodeName(dir.filePath("books.dbf")).toStdString()));
}

TEST_F(FindSearch, MarkAllSkipsARecordAnotherCursorHolds) {
  Make({{"keep"}, {"keep"}, {"keep"}});
  dbase::Table other;
  other.open(QFile::encodeName(dir.filePath("books.dbf")).toStdString());
  other.goToRecord(2);
  other.edit();
  TFindSearch search(table);
  search.text = "keep";
  const TMarkResult r = search.MarkAll("Searching");
  other.cancel();
  EXPECT_EQ(r.found, 3);
  EXPECT_EQ(r.skipped, 1);
  EXPECT_EQ(Marks(), "202");
}

}  // namespace
