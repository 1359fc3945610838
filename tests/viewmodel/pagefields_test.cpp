#include <gtest/gtest.h>

#include "pagefields.h"
#include "settings.h"

namespace {

class PageFields : public ::testing::Test {
 protected:
  void SetUp() override {
    AppSettings() = TAppSettings{};
    AppSettings().setEditionValues();
  }
  void TearDown() override { AppSettings() = TAppSettings{}; }
};

TEST_F(PageFields, PartsFollowTheDesign) {
  EXPECT_EQ(PartOfField(0), 0);
  EXPECT_EQ(PartOfField(8), 0);
  EXPECT_EQ(PartOfField(9), 1);
  EXPECT_EQ(PartOfField(19), 1);
  EXPECT_EQ(PartOfField(20), 2);
  EXPECT_EQ(PartOfField(21), 3);
  EXPECT_EQ(PartOfField(22), -1);
  EXPECT_STREQ(FieldDesigns()[15].lookupList, "list8.dbf");
  EXPECT_EQ(FieldDesigns()[7].kind, TEditorKind::Date);
}

TEST_F(PageFields, DatesReadInTheChosenOrder) {
  EXPECT_EQ(*ParseDateText("02/03/2021").date, QDate(2021, 2, 3));
  EXPECT_EQ(DateEditText(QDate(2021, 2, 3)), "02/03/2021");
  AppSettings().DateFormat = 1;
  EXPECT_EQ(*ParseDateText("02/03/2021").date, QDate(2021, 3, 2));
  EXPECT_EQ(DateEditText(QDate(2021, 3, 2)), "02/03/2021");
  AppSettings().DateFormat = 2;
  EXPECT_EQ(*ParseDateText("2021/03/02").date, QDate(2021, 3, 2));
  EXPECT_EQ(DateEditText(QDate(2021, 3, 2)), "2021/03/02");
}

TEST_F(PageFields, DateTextThatIsNoDateIsReportedNotGuessed) {
  EXPECT_TRUE(ParseDateText("").empty);
  EXPECT_TRUE(ParseDateText("__/__/____").empty);
  const TParsedDate bad = ParseDateText("02/30/2021");
  EXPECT_FALSE(bad.empty);
  EXPECT_FALSE(bad.date);
  EXPECT_FALSE(ParseDateText("soon").date);
  EXPECT_EQ(*ParseDateText("12/31/99").date, QDate(1999, 12, 31));
  EXPECT_EQ(*ParseDateText("1/2/05").date, QDate(2005, 1, 2));
}

TEST_F(PageFields, NumbersAndCurrencyText) {
  EXPECT_DOUBLE_EQ(*ParseNumberText("1,234.50").value, 1234.5);
  EXPECT_DOUBLE_EQ(*ParseNumberText("$12").value, 12);
  EXPECT_DOUBLE_EQ(*ParseNumberText("(3.25)").value, -3.25);
  EXPECT_TRUE(ParseNumberText("  ").empty);
  EXPECT_FALSE(ParseNumberText("twelve").value);
  EXPECT_FALSE(ParseNumberText("12abc").value);
  EXPECT_EQ(CurrencyText(1234.5), "1,234.50");
  EXPECT_EQ(CurrencyText(-0.5), "-0.50");
  EXPECT_EQ(CurrencyText(0), "0.00");
}

TEST_F(PageFields, EmptyPageIgnoresZeroValuesAndBadDates) {
  TPageValues page;
  EXPECT_TRUE(PageIsEmpty(page));
  page.text[8] = "0.00";
  page.text[7] = "__/__/____";
  page.text[16] = "99/99/9999";  // no valid date
  EXPECT_TRUE(PageIsEmpty(page));
  page.text[18] = "1.00";
  EXPECT_FALSE(PageIsEmpty(page));
  TPageValues pic;
  pic.picture = "BM";
  EXPECT_FALSE(PageIsEmpty(pic));
  TPageValues memo;
  memo.text[20] = "a note";
  EXPECT_FALSE(PageIsEmpty(memo));
}

TEST_F(PageFields, OnlyTheTitleIsRequired) {
  TPageValues page;
  page.text[1] = "Author";
  EXPECT_FALSE(PagePassesRequired(page));
  page.text[0] = "T";
  EXPECT_TRUE(PagePassesRequired(page));
  AppSettings().RequiredFields.set(7);
  EXPECT_FALSE(PagePassesRequired(page));
  page.text[7] = "01/02/2003";
  EXPECT_TRUE(PagePassesRequired(page));
}

TEST_F(PageFields, PairPositions) {
  TPagePair p;
  p.PositionOn(5, 10);
  EXPECT_EQ(p.requested, 5);
  EXPECT_EQ(p.left, 4);
  p.PositionOn(12, 10);  // at most the record count
  EXPECT_EQ(p.requested, 10);
  EXPECT_EQ(p.left, 10);
  p.NewRecord(7);
  EXPECT_EQ(p.left, 6);
  EXPECT_EQ(p.requested, 7);
  EXPECT_FALSE(p.LeftIsNew(7));
  EXPECT_TRUE(p.RightIsNew(7));
  p.NewRecord(8);
  EXPECT_EQ(p.left, 8);
  EXPECT_TRUE(p.LeftIsNew(8));
  p = {};
  EXPECT_TRUE(p.Last(7));
  EXPECT_EQ(p.left, 6);
  EXPECT_FALSE(p.Last(7));
  p = {};
  EXPECT_FALSE(p.Last(2));
  p = {};
  EXPECT_TRUE(p.Last(4));
  EXPECT_EQ(p.left, 2);
  EXPECT_EQ(p.requested, 3);
}

TEST_F(PageFields, PairSaveVerdicts) {
  const TPageState filled{false, false, false, true};
  const TPageState untitled{false, false, false, false};
  const TPageState empty{true, false, true, false};
  const TPageState inUse{false, true, false, false};
  EXPECT_EQ(DecidePairSave(filled, filled, false), TPairVerdict::Save);
  EXPECT_EQ(DecidePairSave(empty, empty, false), TPairVerdict::Continue);
  EXPECT_EQ(DecidePairSave(filled, untitled, false), TPairVerdict::Ask);
  EXPECT_EQ(DecidePairSave(untitled, empty, false), TPairVerdict::Ask);
  EXPECT_EQ(DecidePairSave(untitled, untitled, true), TPairVerdict::Continue);
  EXPECT_EQ(DecidePairSave(inUse, inUse, false), TPairVerdict::Continue);
  EXPECT_EQ(DecidePairSave(inUse, filled, false), TPairVerdict::Save);
  EXPECT_FALSE(StorePage(inUse));
  EXPECT_FALSE(StorePage(empty));
  EXPECT_TRUE(StorePage(filled));
}

}  // namespace
