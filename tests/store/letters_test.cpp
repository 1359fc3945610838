// Letter tabs over real tables: bounds, counts and the letter of a record.

#include <gtest/gtest.h>

#include <map>

#include "storefixture.h"

namespace storetest {
namespace {

// Titles at the edges of the letter bounds; \xC9 is a capital E acute.
std::vector<Book> EdgeTitles() {
  return {{"1984"},       {"'Salem's Lot"}, {"apple pie"},   {"Apple"},
          {""},           {"Banana"},       {"banana split"}, {"Zebra"},
          {"\xC9mile"},   {"[Bracketed]"},  {"~tilde"},      {"Middlemarch"},
          {"zz top"},     {"Ye olde"}};
}

std::map<char, int> Expected() {
  return {{'A', 5}, {'B', 2}, {'M', 1}, {'Y', 1}, {'Z', 5}};
}

class LetterTest : public StoreTest {
 protected:
  void ExpectCounts(const std::map<char, int>& expected) {
    for (char c = 'A'; c <= 'Z'; ++c) {
      auto it = expected.find(c);
      EXPECT_EQ(LetterCounts()[static_cast<size_t>(c - 'A')], it == expected.end() ? 0 : it->second)
          << "letter " << c;
    }
  }
  std::vector<std::string> Under(char letter) {
    EXPECT_TRUE(SetLetterRange(tables_.Records, letter));
    return Listing(F(kTitle));
  }
};

TEST_F(LetterTest, AscendingBoundsPutDigitsPunctuationAndBlanksUnderA) {
  MakeDatabase(EdgeTitles());
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  EXPECT_EQ(Under('A'), (std::vector<std::string>{"", "'Salem's Lot", "1984", "Apple", "apple pie"}));
  EXPECT_EQ(Under('B'), (std::vector<std::string>{"Banana", "banana split"}));
  EXPECT_EQ(Under('Z'),
            (std::vector<std::string>{"Zebra", "zz top", "[Bracketed]", "~tilde", "\xC9mile"}));
  EXPECT_TRUE(Under('C').empty());
  CountLetters(tables_.Records);
  ExpectCounts(Expected());
}

TEST_F(LetterTest, DescendingBoundsAreSwapped) {
  MakeDatabase(EdgeTitles());
  ASSERT_TRUE(OpenSorted(F(kTitle), true));
  EXPECT_EQ(Under('A'), (std::vector<std::string>{"apple pie", "Apple", "1984", "'Salem's Lot", ""}));
  EXPECT_EQ(Under('Z'),
            (std::vector<std::string>{"\xC9mile", "~tilde", "[Bracketed]", "zz top", "Zebra"}));
  CountLetters(tables_.Records);
  ExpectCounts(Expected());
}

TEST_F(LetterTest, TwoFieldSortCountsByTheFirst) {
  MakeDatabase(EdgeTitles());
  ASSERT_TRUE(OpenSorted(F(kTitle), false, F(kValue), true));
  CountLetters(tables_.Records);
  ExpectCounts(Expected());
}

TEST_F(LetterTest, FilterMarkNarrowsEveryLetter) {
  MakeDatabase({{"Apple", 0, "2"}, {"Avocado", 0, "0"}, {"Banana", 0, "2"}, {"Berry", 0, "3"},
                {"Cherry", 0, "0"}});
  SortState().Filtered = true;
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  AppSettings().FilterState = 1;
  EXPECT_EQ(Under('A'), std::vector<std::string>{"Apple"});
  CountLetters(tables_.Records);
  ExpectCounts({{'A', 1}, {'B', 1}});
  AppSettings().FilterState = 2;
  CountLetters(tables_.Records);
  ExpectCounts({{'A', 1}, {'C', 1}});
}

TEST_F(LetterTest, WithoutLetterTabsOnlyTheFilterRangeIsSet) {
  MakeDatabase({{"Apple", 0, "2"}, {"Avocado", 0, "1"}, {"Banana", 0, "3"}, {"Cherry", 0, "0"}});
  SortState().Filtered = true;
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  AppSettings().LetterTabs = 1;
  EXPECT_FALSE(LetterTabsActive());
  AppSettings().FilterState = 1;
  EXPECT_FALSE(SetLetterRange(tables_.Records, 'A'));
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"Apple", "Banana"}));
  AppSettings().FilterState = 2;
  EXPECT_FALSE(SetLetterRange(tables_.Records, 'A'));
  // Mark "0" comes before mark "1" in the filtered key.
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"Cherry", "Avocado"}));
  AppSettings().FilterState = 0;
  EXPECT_FALSE(SetLetterRange(tables_.Records, 'A'));
  EXPECT_EQ(RecordCount(tables_.Records), 4u);
}

TEST_F(LetterTest, NumberSortHasNoLetterTabs) {
  MakeDatabase({{"Apple", 3}, {"Banana", 1}});
  ASSERT_TRUE(OpenSorted(F(kValue)));
  EXPECT_FALSE(LetterTabsActive());
  LetterCounts().fill(7);
  CountLetters(tables_.Records);
  EXPECT_EQ(LetterCounts()[0], 7);  // untouched
  EXPECT_FALSE(SetLetterRange(tables_.Records, 'A'));
  EXPECT_EQ(RecordCount(tables_.Records), 2u);
  EXPECT_EQ(FirstLetter(tables_.Records), 'A');
}

TEST_F(LetterTest, FirstLetterOfEachRecord) {
  MakeDatabase(EdgeTitles());
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  std::map<std::string, char> letters;
  dbase::Table& t = tables_.Records.Engine();
  for (t.first(); !t.eof(); t.next())
    letters[t.asString(F(kTitle))] = FirstLetter(tables_.Records);
  EXPECT_EQ(letters["1984"], 'A');
  EXPECT_EQ(letters["'Salem's Lot"], 'A');
  EXPECT_EQ(letters[""], 'A');
  EXPECT_EQ(letters["apple pie"], 'A');
  EXPECT_EQ(letters["banana split"], 'B');
  EXPECT_EQ(letters["zz top"], 'Z');
  EXPECT_EQ(letters["[Bracketed]"], 'Z');
  EXPECT_EQ(letters["\xC9mile"], 'Z');
  EXPECT_EQ(letters["Ye olde"], 'Y');
  tables_.Records.Close();
  EXPECT_EQ(FirstLetter(tables_.Records), 'A');
}

TEST_F(LetterTest, CountLetterAndAdjustRecolourTheirTabs) {
  MakeDatabase({{"Apple"}, {"Avocado"}, {"Banana"}});
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  std::vector<int> recoloured;
  StoreHooks().RecolourTab = [&](int letter) { recoloured.push_back(letter); };
  ASSERT_TRUE(SetLetterRange(tables_.Records, 'A'));
  CountLetter(tables_.Records, 'A');
  EXPECT_EQ(LetterCounts()[0], 2);
  AdjustLetterCounts('A', 'C');
  EXPECT_EQ(LetterCounts()[0], 1);
  EXPECT_EQ(LetterCounts()[2], 1);
  AdjustLetterCounts('?', 'B');
  EXPECT_EQ(LetterCounts()[1], 1);
  EXPECT_EQ(recoloured, (std::vector<int>{0, 0, 2, 1}));
}

TEST_F(LetterTest, CountLettersShowsTheHourglass) {
  MakeDatabase({{"Apple"}});
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  std::vector<bool> busy;
  StoreHooks().BusyCursor = [&](bool on) { busy.push_back(on); };
  CountLetters(tables_.Records);
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));
}

TEST_F(LetterTest, GoToPositionPastTheEndLeavesTheTableAtItsEnd) {
  MakeDatabase({{"c"}, {"a"}, {"b"}});
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  GoToPosition(tables_.Records, 1);
  EXPECT_EQ(tables_.Records.Engine().asString(F(kTitle)), "b");
  EXPECT_FALSE(tables_.Records.Engine().eof());
  GoToPosition(tables_.Records, 3);
  EXPECT_TRUE(tables_.Records.Engine().eof());
}

}  // namespace
}  // namespace storetest
