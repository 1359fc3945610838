// Key expressions and options built from a sort, over the record layout.

#include <gtest/gtest.h>

#include "store/sortstate.h"
#include "support/storefixture.h"

namespace storetest {
namespace {

constexpr int kNone = 0;
constexpr uint8_t E = kIndexExpression;
constexpr uint8_t ED = kIndexExpression | kIndexDescending;

struct KeyRow {
  const char* label;
  int first;
  bool firstDesc;
  int second;
  bool secondDesc;
  const char* key;
  uint8_t options;
};

void PrintTo(const KeyRow& row, std::ostream* os) { *os << row.label; }

std::string rowName(const ::testing::TestParamInfo<KeyRow>& row) { return row.param.label; }

class SortKeys : public ::testing::TestWithParam<KeyRow> {};

TEST_P(SortKeys, BuildsTheKeyAndOptions) {
  const KeyRow& row = GetParam();
  SortState s;
  s.firstField = static_cast<uint8_t>(row.first);
  s.firstDescending = row.firstDesc;
  s.secondField = static_cast<uint8_t>(row.second);
  s.secondDescending = row.secondDesc;
  s.buildKeys(recordFields(), 2);
  EXPECT_EQ(s.keyExpression, row.key);
  EXPECT_EQ(s.indexOptions, row.options);
  EXPECT_EQ(s.filteredKeyExpression, std::string("MARK+") + row.key);
  EXPECT_EQ(s.filteredIndexOptions, row.options);
}

INSTANTIATE_TEST_SUITE_P(
    SingleField, SortKeys,
    ::testing::Values(
        KeyRow{"LongStringAscending", F(kTitle), false, kNone, false, "UPPER(SUBSTR(TITLE, 1, 99))",
               E},
        KeyRow{"LongStringDescending", F(kTitle), true, kNone, false, "UPPER(SUBSTR(TITLE, 1, 99))",
               ED},
        KeyRow{"StringAscending", F(kAuthor), false, kNone, false, "UPPER(AUTHOR)", E},
        KeyRow{"StringDescending", F(kAuthor), true, kNone, false, "UPPER(AUTHOR)", ED},
        KeyRow{"NumberAscending", F(kValue), false, kNone, false, "STR(VALUE, 20, 4)", E},
        KeyRow{"NumberDescendingIsReversedInsideTheKey", F(kValue), true, kNone, false,
               "STR(999999999999999999-VALUE, 20, 4)", E},
        KeyRow{"DateAscending", F(kPublished), false, kNone, false, "DTOS(PUBLISHED)", E},
        KeyRow{"DateDescendingIsReversedInsideTheKey", F(kPublished), true, kNone, false,
               "STR({12/31/3099}-PUBLISHED, 10, 0)", E},
        KeyRow{"MemoAscending", F(kNotes), false, kNone, false, "UPPER(MLINE(NOTES, 1))", E},
        KeyRow{"MemoDescending", F(kNotes), true, kNone, false, "UPPER(MLINE(NOTES, 1))", ED},
        KeyRow{"PictureHasNoKey", F(kPicture), false, kNone, false, "", 0},
        KeyRow{"SecondEqualToFirstGivesSingleKey", F(kAuthor), false, F(kAuthor), true,
               "UPPER(AUTHOR)", E},
        KeyRow{"SecondBelowUserFieldsIsNone", F(kAuthor), true, 1, false, "UPPER(AUTHOR)", ED},
        KeyRow{"EntryOrderIsTheRecordNumber", 0, false, kNone, false, "STR(NUMBER, 20, 4)", E}),
    rowName);

INSTANTIATE_TEST_SUITE_P(
    TwoFields, SortKeys,
    ::testing::Values(
        KeyRow{"ShortStringThenDate", F(kAuthor), false, F(kPublished), false,
               "UPPER(AUTHOR)+DTOS(PUBLISHED)", E},
        KeyRow{"BothTextSecondFollowsFirstDescending", F(kAuthor), true, F(kCategory), false,
               "UPPER(AUTHOR)+UPPER(CATEGORY)", ED},
        KeyRow{"LongTextsShareTheBudget", F(kTitle), false, F(kAuthor), true,
               "UPPER(SUBSTR(TITLE, 1, 79))+UPPER(SUBSTR(AUTHOR, 1, 20))", E},
        KeyRow{"TextThenMemo", F(kCoAuthors), false, F(kNotes), false,
               "UPPER(COAUTHORS)+UPPER(SUBSTR(MLINE(NOTES, 1), 1, 39))", E},
        KeyRow{"MemoThenNumber", F(kNotes), false, F(kValue), false,
               "UPPER(SUBSTR(MLINE(NOTES, 1), 1, 79))+STR(VALUE, 20, 4)", E},
        KeyRow{"TextDescendingInvertsNumberAscending", F(kAuthor), true, F(kValue), false,
               "UPPER(AUTHOR)+STR(999999999999999999-VALUE, 20, 4)", ED},
        KeyRow{"TextDescendingInvertsNumberDescending", F(kAuthor), true, F(kValue), true,
               "UPPER(AUTHOR)+STR(VALUE, 20, 4)", ED},
        KeyRow{"TextAscendingKeepsNumberDescending", F(kAuthor), false, F(kValue), true,
               "UPPER(AUTHOR)+STR(999999999999999999-VALUE, 20, 4)", E},
        KeyRow{"TextAscendingThenDateDescending", F(kAuthor), false, F(kPublished), true,
               "UPPER(AUTHOR)+STR({12/31/3099}-PUBLISHED, 10, 0)", E},
        KeyRow{"NumberThenTextDescendingInvertsNumber", F(kValue), false, F(kTitle), true,
               "STR(999999999999999999-VALUE, 20, 4)+UPPER(SUBSTR(TITLE, 1, 79))", ED},
        KeyRow{"NumberDescendingThenTextAscending", F(kValue), true, F(kTitle), false,
               "STR(999999999999999999-VALUE, 20, 4)+UPPER(SUBSTR(TITLE, 1, 79))", E},
        KeyRow{"DateThenTextDescendingInvertsDate", F(kPublished), false, F(kAuthor), true,
               "STR({12/31/3099}-PUBLISHED, 10, 0)+UPPER(AUTHOR)", ED},
        KeyRow{"ShortDateLeavesItsWidthToTheText", F(kCustom3), false, F(kCoAuthors), false,
               "DTOS(CUSTOM3)+UPPER(COAUTHORS)", E},
        KeyRow{"DateCountsEightAgainstTheBudget", F(kPublished), false, F(kTitle), false,
               "DTOS(PUBLISHED)+UPPER(SUBSTR(TITLE, 1, 91))", E},
        KeyRow{"ReversedDateCountsTenAgainstTheBudget", F(kPublished), true, F(kTitle), false,
               "STR({12/31/3099}-PUBLISHED, 10, 0)+UPPER(SUBSTR(TITLE, 1, 89))", E},
        KeyRow{"NumbersReverseThemselves", F(kValue), true, F(kCustom5), false,
               "STR(999999999999999999-VALUE, 20, 4)+STR(CUSTOM5, 20, 4)", E},
        KeyRow{"DatesReverseThemselves", F(kPublished), false, F(kCustom3), true,
               "DTOS(PUBLISHED)+STR({12/31/3099}-CUSTOM3, 10, 0)", E}),
    rowName);

// Fields sized at the edges of the budgets.
std::vector<dbase::FieldDef> edgeFields() {
  using T = dbase::FieldType;
  return {{"N", T::Numeric, 10, 0},     {"M", T::Character, 1, 0},
          {"S99", T::Character, 99, 0}, {"S100", T::Character, 100, 0},
          {"S79", T::Character, 79, 0}, {"S80", T::Character, 80, 0},
          {"S20", T::Character, 20, 0}, {"S21", T::Character, 21, 0},
          {"L", T::Logical, 1, 0},      {"F", T::Float, 10, 2}};
}

SortState keys(const std::vector<dbase::FieldDef>& fields, int first, bool d1, int second,
               bool d2) {
  SortState s;
  s.firstField = static_cast<uint8_t>(first);
  s.firstDescending = d1;
  s.secondField = static_cast<uint8_t>(second);
  s.secondDescending = d2;
  s.buildKeys(fields, 2);
  return s;
}

TEST(SortKeyBudgets, StringOf99IsWholeAnd100IsCut) {
  EXPECT_EQ(keys(edgeFields(), 2, false, 0, false).keyExpression, "UPPER(S99)");
  EXPECT_EQ(keys(edgeFields(), 3, false, 0, false).keyExpression, "UPPER(SUBSTR(S100, 1, 99))");
}

TEST(SortKeyBudgets, FirstPartOf79IsWholeAnd80IsCut) {
  EXPECT_EQ(keys(edgeFields(), 4, false, 6, false).keyExpression, "UPPER(S79)+UPPER(S20)");
  EXPECT_EQ(keys(edgeFields(), 5, false, 6, false).keyExpression,
            "UPPER(SUBSTR(S80, 1, 79))+UPPER(S20)");
  EXPECT_EQ(keys(edgeFields(), 5, false, 7, false).keyExpression,
            "UPPER(SUBSTR(S80, 1, 79))+UPPER(SUBSTR(S21, 1, 20))");
}

TEST(SortKeyBudgets, FloatFieldsAreNumbers) {
  EXPECT_EQ(keys(edgeFields(), 9, true, 0, false).keyExpression,
            "STR(999999999999999999-F, 20, 4)");
  EXPECT_EQ(keys(edgeFields(), 4, false, 9, false).keyExpression, "UPPER(S79)+STR(F, 20, 4)");
}

TEST(SortKeyBudgets, LogicalFieldHasNoKey) {
  SortState s = keys(edgeFields(), 8, false, 0, false);
  EXPECT_EQ(s.keyExpression, "");
  EXPECT_EQ(s.indexOptions, 0);
}

TEST(SortKeyBudgets, KeyTextsAreCutTo100Characters) {
  auto fields = edgeFields();
  fields[1].name = std::string(30, 'K');  // names longer than dBASE allows
  fields[4].name = std::string(60, 'A');
  fields[3].name = std::string(60, 'B');
  SortState s = keys(fields, 4, false, 3, false);
  EXPECT_EQ(s.keyExpression.size(), 100u);
  EXPECT_EQ(
      s.keyExpression,
      ("UPPER(" + std::string(60, 'A') + ")+UPPER(SUBSTR(" + std::string(60, 'B')).substr(0, 100));
  EXPECT_EQ(s.filteredKeyExpression.size(), 100u);
  EXPECT_EQ(s.filteredKeyExpression.substr(0, 31), std::string(30, 'K') + "+");
}

TEST(SortKeyBudgets, BuildingAgainEmptiesTheOldKey) {
  SortState s = keys(recordFields(), F(kAuthor), false, 0, false);
  s.firstField = static_cast<uint8_t>(F(kPicture));
  s.buildKeys(recordFields(), 2);
  EXPECT_EQ(s.keyExpression, "");
}

TEST(SortStateValues, CommitRevertAndReset) {
  SortState s;
  s.firstField = 5;
  s.firstDescending = true;
  s.secondField = 7;
  EXPECT_FALSE(s.sortUnchanged());
  s.commitSort();
  EXPECT_TRUE(s.sortUnchanged());
  s.firstField = 9;
  s.secondDescending = true;
  s.revertSort();
  EXPECT_EQ(s.firstField, 5);
  EXPECT_TRUE(s.firstDescending);
  EXPECT_EQ(s.secondField, 7);
  EXPECT_FALSE(s.secondDescending);
  s.buildKeys(recordFields(), 2);
  s.resetSort();
  EXPECT_EQ(s.firstField, 0);
  EXPECT_FALSE(s.firstDescending);
  EXPECT_EQ(s.prevFirstField, 0);
  EXPECT_EQ(s.prevSecondField, 0);
  EXPECT_EQ(s.keyExpression, "");
  EXPECT_EQ(s.filteredKeyExpression, "");
  EXPECT_TRUE(s.sortUnchanged());
}

}  // namespace
}  // namespace storetest
