#include "pagefields.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "dbase/table.h"
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

namespace {

// A copy of the shipped record table template with one record.
class PageRecord : public PageFields {
 protected:
  void SetUp() override {
    PageFields::SetUp();
    path = QFile::encodeName(dir.filePath("data.dbf")).toStdString();
    const QString source = qEnvironmentVariable("TOMES_BIN") + "/data.dbf";
    dbase::Table::copyTable(QFile::encodeName(source).toStdString(), path, true);
    table.open(path, dbase::OpenMode::Exclusive);
    table.append();
    table.setString(2, "Stored");
    table.post();
    table.first();
  }
  void TearDown() override {
    table.close();
    PageFields::TearDown();
  }
  TPageValues Write(const TPageValues& page, const QDate& today = QDate(2024, 2, 29)) {
    table.edit();
    bool memoFailed = false;
    WritePage(table, page, today, &memoFailed);
    table.post();
    EXPECT_FALSE(memoFailed);
    return ReadPage(table, &memoFailed);
  }

  QTemporaryDir dir;
  std::string path;
  dbase::Table table;
};

TEST_F(PageRecord, ValuesGoToTheirFieldsAndComeBackAsTheEditorsShowThem) {
  TPageValues page;
  page.text[0] = QString::fromUtf8("Caf\xC3\xA9");
  page.text[7] = "7/4/1976";
  page.text[8] = "1,234.5";
  page.text[10] = "320";
  page.text[20] = "one\ntwo";
  page.picture = QByteArray("BM\x00\x01", 4);
  const TPageValues back = Write(page);
  EXPECT_EQ(table.asString(2), "Caf\xE9");
  EXPECT_EQ(table.asString(9), "19760704");
  EXPECT_DOUBLE_EQ(table.asNumber(10), 1234.5);
  EXPECT_EQ(table.readBlob(22), "one\r\ntwo");
  EXPECT_EQ(back.text[0], page.text[0]);
  EXPECT_EQ(back.text[7], "07/04/1976");
  EXPECT_EQ(back.text[8], "1,234.50");
  EXPECT_EQ(back.text[10], "320");
  EXPECT_EQ(back.text[20], "one\ntwo");
  EXPECT_EQ(back.picture, page.picture);
}

TEST_F(PageRecord, EmptyDatesTakeTodayOnlyWhereThatIsTheDefault) {
  TPageValues page;
  page.text[0] = "T";
  Write(page);
  EXPECT_TRUE(table.isEmpty(9));
  AppSettings().TodayDefaultFields.set(16);
  Write(page);
  EXPECT_TRUE(table.isEmpty(9));
  EXPECT_EQ(table.asString(18), "20240229");
}

TEST_F(PageRecord, BadDatesAndNumbersAreNamedByTheirLabels) {
  TPageValues page;
  page.text[7] = "31/12/2020";
  page.text[8] = "12.50";
  page.text[19] = "1.2.3";
  page.text[10] = "many";  // a text field: anything goes
  const std::vector<QString> labels = {"Title",  "Author", "Co",         "Cat",  "Fmt",
                                       "Rating", "Pub",    "Bought On:", "Price"};
  EXPECT_EQ(PageInputProblems(page, table, labels),
            "Bought On: \"31/12/2020\" is not a date (mm/dd/yyyy).\r"
            "Custom 6: \"1.2.3\" is not a number.");
  AppSettings().DateFormat = 1;
  EXPECT_EQ(PageInputProblems(page, table, labels), "Custom 6: \"1.2.3\" is not a number.");
}

TEST_F(PageRecord, CorruptMemoTextNamesTheAuthor) {
  table.edit();
  table.setString(3, "Ann Author");
  table.post();
  EXPECT_EQ(CorruptMemoText(table), "Corrupt Memo Field!!! You should delete record: \rAnn Author");
}

}  // namespace
