// Letter tabs over real tables: bounds, counts and the letter of a record.

#include <gtest/gtest.h>

#include <map>

#include "support/storefixture.h"

namespace storetest {
namespace {

// Titles at the edges of the letter bounds; \xC9 is a capital E acute.
std::vector<Book> edgeTitles() {
  return {{"1984"},   {"'Salem's Lot"}, {"apple pie"}, {"Apple"},    {""},
          {"Banana"}, {"banana split"}, {"Zebra"},     {"\xC9mile"}, {"[Bracketed]"},
          {"~tilde"}, {"Middlemarch"},  {"zz top"},    {"Ye olde"}};
}

std::map<char, int> Expected() { return {{'A', 5}, {'B', 2}, {'M', 1}, {'Y', 1}, {'Z', 5}}; }

class LetterTest : public StoreTest {
 protected:
  void expectCounts(const std::map<char, int>& expected) {
    for (char c = 'A'; c <= 'Z'; ++c) {
      auto it = expected.find(c);
      EXPECT_EQ(letterCounts()[static_cast<size_t>(c - 'A')], it == expected.end() ? 0 : it->second)
          << "letter " << c;
    }
  }
  std::vector<std::string> under(char letter) {
    EXPECT_TRUE(setLetterRange(tables_.records, letter));
    return listing(F(kTitle));
  }
};

// Ascending: digits, punctuation and blanks under A, what sorts after Z under
// Z. Descending swaps the bounds; a two-field sort counts by the first.
TEST_F(LetterTest, BoundsAndCountsOfATitleSort) {
  makeDatabase(edgeTitles());
  ASSERT_TRUE(openSorted(F(kTitle)));
  EXPECT_EQ(under('A'), (Strings{"", "'Salem's Lot", "1984", "Apple", "apple pie"}));
  EXPECT_EQ(under('B'), (Strings{"Banana", "banana split"}));
  EXPECT_EQ(under('Z'), (Strings{"Zebra", "zz top", "[Bracketed]", "~tilde", "\xC9mile"}));
  EXPECT_TRUE(under('C').empty());
  countLetters(tables_.records);
  expectCounts(Expected());

  ASSERT_TRUE(openSorted(F(kTitle), true));
  EXPECT_EQ(under('A'), (Strings{"apple pie", "Apple", "1984", "'Salem's Lot", ""}));
  EXPECT_EQ(under('Z'), (Strings{"\xC9mile", "~tilde", "[Bracketed]", "zz top", "Zebra"}));
  letterCounts().fill(0);
  countLetters(tables_.records);
  expectCounts(Expected());

  ASSERT_TRUE(openSorted(F(kTitle), false, F(kValue), true));
  letterCounts().fill(0);
  countLetters(tables_.records);
  expectCounts(Expected());
}

TEST_F(LetterTest, FilterMarkNarrowsEveryLetter) {
  makeDatabase({{"Apple", 0, "2"},
                {"Avocado", 0, "0"},
                {"Banana", 0, "2"},
                {"Berry", 0, "3"},
                {"Cherry", 0, "0"}});
  sortState().filtered = true;
  ASSERT_TRUE(openSorted(F(kTitle)));
  appSettings().filterState = 1;
  EXPECT_EQ(under('A'), Strings{"Apple"});
  countLetters(tables_.records);
  expectCounts({{'A', 1}, {'B', 1}});
  appSettings().filterState = 2;
  countLetters(tables_.records);
  expectCounts({{'A', 1}, {'C', 1}});
}

TEST_F(LetterTest, WithoutLetterTabsOnlyTheFilterRangeIsSet) {
  makeDatabase({{"Apple", 0, "2"}, {"Avocado", 0, "1"}, {"Banana", 0, "3"}, {"Cherry", 0, "0"}});
  sortState().filtered = true;
  ASSERT_TRUE(openSorted(F(kTitle)));
  appSettings().letterTabs = 1;
  EXPECT_FALSE(letterTabsActive());
  appSettings().filterState = 1;
  EXPECT_FALSE(setLetterRange(tables_.records, 'A'));
  EXPECT_EQ(listing(F(kTitle)), (Strings{"Apple", "Banana"}));
  appSettings().filterState = 2;
  EXPECT_FALSE(setLetterRange(tables_.records, 'A'));
  // Mark "0" comes before mark "1" in the filtered key.
  EXPECT_EQ(listing(F(kTitle)), (Strings{"Cherry", "Avocado"}));
  appSettings().filterState = 0;
  EXPECT_FALSE(setLetterRange(tables_.records, 'A'));
  EXPECT_EQ(recordCount(tables_.records), 4u);
}

TEST_F(LetterTest, NumberSortHasNoLetterTabs) {
  makeDatabase({{"Apple", 3}, {"Banana", 1}});
  ASSERT_TRUE(openSorted(F(kValue)));
  EXPECT_FALSE(letterTabsActive());
  letterCounts().fill(7);
  countLetters(tables_.records);
  EXPECT_EQ(letterCounts()[0], 7);  // untouched
  EXPECT_FALSE(setLetterRange(tables_.records, 'A'));
  EXPECT_EQ(recordCount(tables_.records), 2u);
  EXPECT_EQ(firstLetter(tables_.records), 'A');
}

TEST_F(LetterTest, FirstLetterOfEachRecord) {
  makeDatabase(edgeTitles());
  ASSERT_TRUE(openSorted(F(kTitle)));
  std::map<std::string, char> letters;
  dbase::Table& t = tables_.records.engine();
  for (t.first(); !t.eof(); t.next()) letters[t.asString(F(kTitle))] = firstLetter(tables_.records);
  const std::map<std::string, char> expected = {
      {"1984", 'A'},        {"'Salem's Lot", 'A'}, {"", 'A'},
      {"apple pie", 'A'},   {"banana split", 'B'}, {"zz top", 'Z'},
      {"[Bracketed]", 'Z'}, {"\xC9mile", 'Z'},     {"Ye olde", 'Y'}};
  for (const auto& [title, letter] : expected) EXPECT_EQ(letters[title], letter) << title;
  tables_.records.close();
  EXPECT_EQ(firstLetter(tables_.records), 'A');
}

TEST_F(LetterTest, CountLetterAndAdjustRecolourTheirTabs) {
  makeDatabase({{"Apple"}, {"Avocado"}, {"Banana"}});
  ASSERT_TRUE(openSorted(F(kTitle)));
  std::vector<int> recoloured;
  storeHooks().recolourTab = [&](int letter) { recoloured.push_back(letter); };
  ASSERT_TRUE(setLetterRange(tables_.records, 'A'));
  countLetter(tables_.records, 'A');
  EXPECT_EQ(letterCounts()[0], 2);
  adjustLetterCounts('A', 'C');
  EXPECT_EQ(letterCounts()[0], 1);
  EXPECT_EQ(letterCounts()[2], 1);
  adjustLetterCounts('?', 'B');
  EXPECT_EQ(letterCounts()[1], 1);
  EXPECT_EQ(recoloured, (std::vector<int>{0, 0, 2, 1}));
}

TEST_F(LetterTest, CountLettersShowsTheHourglass) {
  makeDatabase({{"Apple"}});
  ASSERT_TRUE(openSorted(F(kTitle)));
  std::vector<bool> busy;
  storeHooks().busyCursor = [&](bool on) { busy.push_back(on); };
  countLetters(tables_.records);
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));
}

TEST_F(LetterTest, GoToPositionPastTheEndLeavesTheTableAtItsEnd) {
  makeDatabase({{"c"}, {"a"}, {"b"}});
  ASSERT_TRUE(openSorted(F(kTitle)));
  goToPosition(tables_.records, 1);
  EXPECT_EQ(tables_.records.engine().asString(F(kTitle)), "b");
  EXPECT_FALSE(tables_.records.engine().eof());
  goToPosition(tables_.records, 3);
  EXPECT_TRUE(tables_.records.engine().eof());
}

}  // namespace
}  // namespace storetest
