// Sorting the record table: tags found, made and reused; failures put the
// previous sort back.

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "support/storefixture.h"

namespace storetest {
namespace {

class ApplySortTest : public StoreTest {};

TEST_F(ApplySortTest, NewSortMakesTagNamedByTagCount) {
  makeDatabase({{"b", 1, "0", "Carol"}, {"a", 2, "0", "alice"}, {"c", 3, "0", "Bob"}});
  ASSERT_TRUE(openSorted(F(kAuthor)));
  EXPECT_EQ(tables_.records.indexName, "IDX2");
  EXPECT_EQ(tagNames(), (Strings{"IDX0", "IDX1", "IDX2"}));
  EXPECT_EQ(listing(F(kAuthor)), (Strings{"alice", "Bob", "Carol"}));
  const auto tags = tables_.records.indexDefs();
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[2].expression, "UPPER(AUTHOR)");
  EXPECT_FALSE(tags[2].descending);
  EXPECT_EQ(tags[2].filter, ".NOT.DELETED()");  // the index counts what the listing shows
}

TEST_F(ApplySortTest, TemplateTagIsReusedForTheSameKey) {
  makeDatabase({{"Beta"}, {"alpha"}});
  ASSERT_TRUE(openSorted(F(kTitle)));
  EXPECT_EQ(tables_.records.indexName, "IDX1");
  EXPECT_EQ(tagNames().size(), 2u);
  EXPECT_EQ(listing(F(kTitle)), (Strings{"alpha", "Beta"}));
}

TEST_F(ApplySortTest, SameKeyTwiceMakesOneTag) {
  makeDatabase({{"x", 5}, {"y", 7}});
  ASSERT_TRUE(openSorted(F(kValue), true));
  ASSERT_TRUE(openSorted(F(kAuthor)));
  ASSERT_TRUE(openSorted(F(kValue), true));
  EXPECT_EQ(tables_.records.indexName, "IDX2");
  EXPECT_EQ(tagNames().size(), 4u);
}

TEST_F(ApplySortTest, DescendingTextUsesDescendingTag) {
  makeDatabase({{"b"}, {"C"}, {"a"}});
  ASSERT_TRUE(openSorted(F(kTitle), true));
  EXPECT_EQ(listing(F(kTitle)), (Strings{"C", "b", "a"}));
  EXPECT_TRUE(tables_.records.indexDefs().back().descending);
}

TEST_F(ApplySortTest, DescendingNumbersListLargestFirst) {
  // Values a few units apart: the reversal needs all 19 digits of the key.
  makeDatabase({{"one", 1}, {"half", 0.5}, {"big", 123456.78}, {"twelve", 12.5}, {"two", 2}});
  ASSERT_TRUE(openSorted(F(kValue), true));
  EXPECT_EQ(listing(F(kTitle)), (Strings{"big", "twelve", "two", "one", "half"}));
  ASSERT_TRUE(openSorted(F(kValue), false));
  EXPECT_EQ(listing(F(kTitle)), (Strings{"half", "one", "two", "twelve", "big"}));
}

TEST_F(ApplySortTest, FilteredSortMakesIdxfTagWithMarkInFront) {
  makeDatabase({{"b", 0, "2"}, {"a", 0, "0"}});
  sortState().filtered = true;
  ASSERT_TRUE(openSorted(F(kTitle)));
  EXPECT_EQ(tables_.records.indexName, "IDXF2");
  EXPECT_EQ(tables_.records.indexDefs().back().expression, "MARK+UPPER(SUBSTR(TITLE, 1, 99))");
  EXPECT_EQ(listing(F(kTitle)), (Strings{"a", "b"}));
}

TEST_F(ApplySortTest, DateThenLongTitleFitsTheKeyPlainAndFiltered) {
  makeDatabase({{"b"}, {"a"}});
  appSettings().indexErrorQuiet = false;
  for (const bool filtered : {false, true}) {
    sortState().filtered = filtered;
    ASSERT_TRUE(openSorted(F(kPublished), true, F(kTitle))) << lastEngineError();
    EXPECT_EQ(tables_.records.indexDefs().back().expression,
              std::string(filtered ? "MARK+" : "") +
                  "STR({12/31/3099}-PUBLISHED, 10, 0)+UPPER(SUBSTR(TITLE, 1, 89))");
    EXPECT_EQ(listing(F(kTitle)), (Strings{"a", "b"}));
  }
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(ApplySortTest, ShortTextOfATwoFieldSortIsUpperCasedAndOldTagsStayReadable) {
  makeDatabase({{"z", 2, "0", "Zola"}, {"a", 1, "0", "alpha"}, {"b", 3, "0", "Beta"}});
  addTags({{"IDX2", "AUTHOR+STR(VALUE, 20, 4)", false, false, ""}});  // as made before
  ASSERT_TRUE(openSorted(F(kAuthor), false, F(kValue)));
  EXPECT_EQ(tables_.records.indexName, "IDX3");
  EXPECT_EQ(listing(F(kAuthor)), (Strings{"alpha", "Beta", "Zola"}));
  countLetters(tables_.records);
  EXPECT_EQ(letterCounts()[0], 1);   // alpha under A, as its first letter says
  EXPECT_EQ(letterCounts()[25], 1);  // Zola alone under Z
  tables_.records.close();
  tables_.records.indexName = "IDX2";
  tables_.records.open();
  EXPECT_EQ(listing(F(kAuthor)), (Strings{"Beta", "Zola", "alpha"}));
}

TEST_F(ApplySortTest, PictureSortFailsAndPreviousSortStays) {
  makeDatabase({{"b"}, {"a"}});
  appSettings().indexErrorQuiet = false;
  ASSERT_TRUE(openSorted(F(kTitle)));
  sortState().commitSort();
  sortState().firstField = static_cast<uint8_t>(F(kPicture));
  EXPECT_FALSE(applySort());
  EXPECT_EQ(sortState().firstField, F(kTitle));
  EXPECT_EQ(tables_.records.indexName, "IDX1");
  EXPECT_TRUE(tables_.records.active());
  EXPECT_EQ(listing(F(kTitle)), (Strings{"a", "b"}));
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompter_.shown[0].text,
            "Unable to create Index!\rDatabase may be used by someone else - this function "
            "requires Exclusive Database Use.");
  EXPECT_EQ(tagNames().size(), 2u);
}

TEST_F(ApplySortTest, FailureIsQuietWhileIndexErrorQuiet) {
  makeDatabase({{"a"}});
  appSettings().indexErrorQuiet = true;
  ASSERT_TRUE(openSorted(F(kTitle)));
  sortState().firstField = static_cast<uint8_t>(F(kPicture));
  EXPECT_FALSE(applySort());
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(ApplySortTest, NewTagNeedsExclusiveUseAndFailsWhileOthersHaveTheTable) {
  makeDatabase({{"b", 0, "0", "y"}, {"a", 0, "0", "x"}});
  appSettings().indexErrorQuiet = false;
  ASSERT_TRUE(openSorted(F(kTitle)));
  sortState().commitSort();
  dbase::Table other;
  other.open(dataFile("data.dbf"));
  sortState().firstField = static_cast<uint8_t>(F(kAuthor));
  EXPECT_FALSE(applySort());
  EXPECT_EQ(sortState().firstField, F(kTitle));
  EXPECT_EQ(tables_.records.indexName, "IDX1");
  EXPECT_EQ(prompter_.texts(), QStringList{kMsgIndexFailed});
  // An existing tag needs no exclusive use.
  sortState().firstField = static_cast<uint8_t>(0);
  EXPECT_TRUE(applySort());
  EXPECT_EQ(tables_.records.indexName, "IDX0");
}

TEST_F(ApplySortTest, FortyEighthTagFailsCleanlyAndIndexStaysWhole) {
  makeDatabase({{"b", 2}, {"a", 1}});
  std::vector<dbase::TagDef> more;
  for (int i = 2; i < 47; ++i)
    more.push_back(
        {"T" + std::to_string(i), "STR(VALUE+" + std::to_string(i) + ", 20, 4)", false, false, ""});
  addTags(more);
  ASSERT_EQ(tagNames().size(), 47u);
  appSettings().indexErrorQuiet = false;
  ASSERT_TRUE(openSorted(F(kTitle)));
  sortState().commitSort();
  const std::string before = readBytes(dataFile("data.mdx"));
  sortState().firstField = static_cast<uint8_t>(F(kAuthor));
  EXPECT_FALSE(applySort());
  EXPECT_EQ(prompter_.texts(), QStringList{kMsgIndexFailed});
  EXPECT_NE(lastEngineError().find("47"), std::string::npos);
  EXPECT_EQ(tables_.records.indexName, "IDX1");
  EXPECT_EQ(listing(F(kTitle)), (Strings{"a", "b"}));
  tables_.records.close();
  EXPECT_EQ(readBytes(dataFile("data.mdx")), before);
}

TEST_F(ApplySortTest, TakenTagNumberIsSkipped) {
  makeDatabase({{"a"}});
  addTags({{"IDX3", "UPPER(ISBN)", false, false, ""}});
  ASSERT_TRUE(openSorted(F(kAuthor)));
  EXPECT_EQ(tables_.records.indexName, "IDX4");
}

TEST_F(ApplySortTest, IndexChangedHookRunsAfterEachAppliedSort) {
  makeDatabase({{"a"}});
  int calls = 0;
  storeHooks().indexChanged = [&] { ++calls; };
  ASSERT_TRUE(openSorted(F(kTitle)));
  sortState().firstField = static_cast<uint8_t>(F(kPicture));
  EXPECT_FALSE(applySort());
  EXPECT_EQ(calls, 1);
}

class SortFileTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    makeDatabase({});
    sortState().table = &tables_.records;
    ASSERT_TRUE(openTable(tables_.records, "data.dbf", false));
  }
};

TEST_F(SortFileTest, RoundTripsFourBytes) {
  SortState& s = sortState();
  loadSortState();
  s.firstField = static_cast<uint8_t>(F(kAuthor));
  s.firstDescending = true;
  s.secondField = static_cast<uint8_t>(F(kValue));
  s.secondDescending = true;
  saveSortState();
  EXPECT_EQ(readBytes(dataFile("data.idx")), std::string("\x03\x01\x0a\x01", 4));
  s.resetSort();
  s.prevFirstField = 9;
  loadSortState();
  EXPECT_EQ(s.firstField, F(kAuthor));
  EXPECT_TRUE(s.firstDescending);
  EXPECT_EQ(s.secondField, F(kValue));
  EXPECT_TRUE(s.secondDescending);
  EXPECT_EQ(s.prevFirstField, 0);  // the previous sort is cleared too
}

// A sort file of the wrong size, one naming fields the table lacks, and none
// at all give the entry order.
TEST_F(SortFileTest, UnusableOrMissingFileGivesEntryOrder) {
  const std::optional<std::string> files[] = {
      std::string("\x03\x01\x0a\x01\x00", 5), std::string("\x03\x01", 2),
      std::string("\x40\x00\x00\x00", 4), std::string("\x03\x00\x30\x00", 4), std::nullopt};
  for (const auto& bytes : files) {
    SCOPED_TRACE(bytes ? ::testing::PrintToString(*bytes) : "none");
    if (bytes)
      writeBytes(dataFile("data.idx"), *bytes);
    else
      std::remove(dataFile("data.idx").c_str());
    sortState().firstField = 7;
    loadSortState();
    EXPECT_EQ(sortState().firstField, 0);
    EXPECT_EQ(sortState().secondField, 0);
  }
  EXPECT_TRUE(sortState().sortUnchanged());
}

TEST_F(SortFileTest, NamedAfterTheTable) {
  appSettings().tableName = "data_12.dbf";
  EXPECT_TRUE(sortFilePath().endsWith("/data_12.idx"));
}

}  // namespace
}  // namespace storetest
