// Sorting the record table: tags found, made and reused; failures put the
// previous sort back.

#include <gtest/gtest.h>

#include "storefixture.h"

namespace storetest {
namespace {

class ApplySortTest : public StoreTest {};

TEST_F(ApplySortTest, NewSortMakesTagNamedByTagCount) {
  MakeDatabase({{"b", 1, "0", "Carol"}, {"a", 2, "0", "alice"}, {"c", 3, "0", "Bob"}});
  ASSERT_TRUE(OpenSorted(F(kAuthor)));
  EXPECT_EQ(tables_.Records.IndexName, "IDX2");
  EXPECT_EQ(TagNames(), (std::vector<std::string>{"IDX0", "IDX1", "IDX2"}));
  EXPECT_EQ(Listing(F(kAuthor)), (std::vector<std::string>{"alice", "Bob", "Carol"}));
  const auto tags = tables_.Records.IndexDefs();
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[2].expression, "UPPER(AUTHOR)");
  EXPECT_FALSE(tags[2].descending);
}

TEST_F(ApplySortTest, TemplateTagIsReusedForTheSameKey) {
  MakeDatabase({{"Beta"}, {"alpha"}});
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  EXPECT_EQ(tables_.Records.IndexName, "IDX1");
  EXPECT_EQ(TagNames().size(), 2u);
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"alpha", "Beta"}));
}

TEST_F(ApplySortTest, SameKeyTwiceMakesOneTag) {
  MakeDatabase({{"x", 5}, {"y", 7}});
  ASSERT_TRUE(OpenSorted(F(kValue), true));
  ASSERT_TRUE(OpenSorted(F(kAuthor)));
  ASSERT_TRUE(OpenSorted(F(kValue), true));
  EXPECT_EQ(tables_.Records.IndexName, "IDX2");
  EXPECT_EQ(TagNames().size(), 4u);
}

TEST_F(ApplySortTest, DescendingTextUsesDescendingTag) {
  MakeDatabase({{"b"}, {"C"}, {"a"}});
  ASSERT_TRUE(OpenSorted(F(kTitle), true));
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"C", "b", "a"}));
  EXPECT_TRUE(tables_.Records.IndexDefs().back().descending);
}

TEST_F(ApplySortTest, DescendingNumbersListLargestFirst) {
  // Values a few units apart: the reversal needs all 19 digits of the key.
  MakeDatabase({{"one", 1}, {"half", 0.5}, {"big", 123456.78}, {"twelve", 12.5}, {"two", 2}});
  ASSERT_TRUE(OpenSorted(F(kValue), true));
  EXPECT_EQ(Listing(F(kTitle)),
            (std::vector<std::string>{"big", "twelve", "two", "one", "half"}));
  ASSERT_TRUE(OpenSorted(F(kValue), false));
  EXPECT_EQ(Listing(F(kTitle)),
            (std::vector<std::string>{"half", "one", "two", "twelve", "big"}));
}

TEST_F(ApplySortTest, FilteredSortMakesIdxfTagWithMarkInFront) {
  MakeDatabase({{"b", 0, "2"}, {"a", 0, "0"}});
  SortState().Filtered = true;
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  EXPECT_EQ(tables_.Records.IndexName, "IDXF2");
  EXPECT_EQ(tables_.Records.IndexDefs().back().expression, "MARK+UPPER(SUBSTR(TITLE, 1, 99))");
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"a", "b"}));
}

TEST_F(ApplySortTest, PictureSortFailsAndPreviousSortStays) {
  MakeDatabase({{"b"}, {"a"}});
  AppSettings().IndexErrorQuiet = false;
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  SortState().CommitSort();
  SortState().FirstField = static_cast<uint8_t>(F(kPicture));
  EXPECT_FALSE(ApplySort());
  EXPECT_EQ(SortState().FirstField, F(kTitle));
  EXPECT_EQ(tables_.Records.IndexName, "IDX1");
  EXPECT_TRUE(tables_.Records.Active());
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"a", "b"}));
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompter_.shown[0].text,
            "Unable to create Index!\rDatabase may be used by someone else - this function "
            "requires Exclusive Database Use.");
  EXPECT_EQ(TagNames().size(), 2u);
}

TEST_F(ApplySortTest, FailureIsQuietWhileIndexErrorQuiet) {
  MakeDatabase({{"a"}});
  AppSettings().IndexErrorQuiet = true;
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  SortState().FirstField = static_cast<uint8_t>(F(kPicture));
  EXPECT_FALSE(ApplySort());
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(ApplySortTest, NewTagNeedsExclusiveUseAndFailsWhileOthersHaveTheTable) {
  MakeDatabase({{"b", 0, "0", "y"}, {"a", 0, "0", "x"}});
  AppSettings().IndexErrorQuiet = false;
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  SortState().CommitSort();
  dbase::Table other;
  other.open(dataFile("data.dbf"));
  SortState().FirstField = static_cast<uint8_t>(F(kAuthor));
  EXPECT_FALSE(ApplySort());
  EXPECT_EQ(SortState().FirstField, F(kTitle));
  EXPECT_EQ(tables_.Records.IndexName, "IDX1");
  EXPECT_EQ(prompter_.texts(), QStringList{kMsgIndexFailed});
  // An existing tag needs no exclusive use.
  SortState().FirstField = static_cast<uint8_t>(0);
  EXPECT_TRUE(ApplySort());
  EXPECT_EQ(tables_.Records.IndexName, "IDX0");
}

TEST_F(ApplySortTest, FortyEighthTagFailsCleanlyAndIndexStaysWhole) {
  MakeDatabase({{"b", 2}, {"a", 1}});
  {
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Exclusive);
    for (int i = 2; i < 47; ++i)
      t.addTag({"T" + std::to_string(i), "STR(VALUE+" + std::to_string(i) + ", 20, 4)", false,
                false, ""});
  }
  ASSERT_EQ(TagNames().size(), 47u);
  AppSettings().IndexErrorQuiet = false;
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  SortState().CommitSort();
  const std::string before = ReadBytes(dataFile("data.mdx"));
  SortState().FirstField = static_cast<uint8_t>(F(kAuthor));
  EXPECT_FALSE(ApplySort());
  EXPECT_EQ(prompter_.texts(), QStringList{kMsgIndexFailed});
  EXPECT_NE(LastEngineError().find("47"), std::string::npos);
  EXPECT_EQ(tables_.Records.IndexName, "IDX1");
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"a", "b"}));
  tables_.Records.Close();
  EXPECT_EQ(ReadBytes(dataFile("data.mdx")), before);
}

TEST_F(ApplySortTest, TakenTagNumberIsSkipped) {
  MakeDatabase({{"a"}});
  {
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Exclusive);
    t.addTag({"IDX3", "UPPER(ISBN)", false, false, ""});
  }
  ASSERT_TRUE(OpenSorted(F(kAuthor)));
  EXPECT_EQ(tables_.Records.IndexName, "IDX4");
}

TEST_F(ApplySortTest, IndexChangedHookRunsAfterEachAppliedSort) {
  MakeDatabase({{"a"}});
  int calls = 0;
  StoreHooks().IndexChanged = [&] { ++calls; };
  ASSERT_TRUE(OpenSorted(F(kTitle)));
  SortState().FirstField = static_cast<uint8_t>(F(kPicture));
  EXPECT_FALSE(ApplySort());
  EXPECT_EQ(calls, 1);
}

class SortFileTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    MakeDatabase({});
    SortState().Table = &tables_.Records;
    ASSERT_TRUE(OpenTable(tables_.Records, "data.dbf", false));
  }
};

TEST_F(SortFileTest, RoundTripsFourBytes) {
  TIndex& s = SortState();
  s.FirstField = static_cast<uint8_t>(F(kAuthor));
  s.FirstDescending = true;
  s.SecondField = static_cast<uint8_t>(F(kValue));
  s.SecondDescending = true;
  SaveSortState();
  EXPECT_EQ(ReadBytes(dataFile("data.idx")), std::string("\x03\x01\x0a\x01", 4));
  s.ResetSort();
  s.PrevFirstField = 9;
  LoadSortState();
  EXPECT_EQ(s.FirstField, F(kAuthor));
  EXPECT_TRUE(s.FirstDescending);
  EXPECT_EQ(s.SecondField, F(kValue));
  EXPECT_TRUE(s.SecondDescending);
  EXPECT_EQ(s.PrevFirstField, 0);  // the previous sort is cleared too
}

TEST_F(SortFileTest, WrongSizeGivesEntryOrder) {
  WriteBytes(dataFile("data.idx"), std::string("\x03\x01\x0a\x01\x00", 5));
  SortState().FirstField = 7;
  LoadSortState();
  EXPECT_EQ(SortState().FirstField, 0);
  WriteBytes(dataFile("data.idx"), std::string("\x03\x01", 2));
  LoadSortState();
  EXPECT_EQ(SortState().FirstField, 0);
}

TEST_F(SortFileTest, FieldsThatDoNotExistGiveEntryOrder) {
  WriteBytes(dataFile("data.idx"), std::string("\x40\x00\x00\x00", 4));
  LoadSortState();
  EXPECT_EQ(SortState().FirstField, 0);
  WriteBytes(dataFile("data.idx"), std::string("\x03\x00\x30\x00", 4));
  LoadSortState();
  EXPECT_EQ(SortState().FirstField, 0);
  EXPECT_EQ(SortState().SecondField, 0);
}

TEST_F(SortFileTest, MissingFileGivesEntryOrder) {
  SortState().FirstField = 4;
  LoadSortState();
  EXPECT_EQ(SortState().FirstField, 0);
  EXPECT_TRUE(SortState().SortUnchanged());
}

TEST_F(SortFileTest, NamedAfterTheTable) {
  AppSettings().TableName = "data_12.dbf";
  EXPECT_TRUE(SortFilePath().endsWith("/data_12.idx"));
}

}  // namespace
}  // namespace storetest
