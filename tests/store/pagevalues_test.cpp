#include "store/pagevalues.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/settings.h"
#include "dbase/table.h"

namespace {

class PageFields : public ::testing::Test {
 protected:
  void SetUp() override {
    appSettings() = AppSettings{};
    appSettings().setEditionValues();
  }
  void TearDown() override { appSettings() = AppSettings{}; }
};

TEST_F(PageFields, PartsFollowTheDesign) {
  const std::pair<int, int> parts[] = {{0, 0}, {8, 0}, {9, 1}, {19, 1}, {20, 2}, {21, 3}, {22, -1}};
  for (const auto& [field, part] : parts) EXPECT_EQ(partOfField(field), part) << field;
  EXPECT_STREQ(fieldDesigns()[15].lookupList, "list8.dbf");
  EXPECT_EQ(fieldDesigns()[7].kind, EditorKind::Date);
}

TEST_F(PageFields, DatesReadInTheChosenOrder) {
  EXPECT_EQ(*parseDateText("02/03/2021").date, QDate(2021, 2, 3));
  EXPECT_EQ(dateEditText(QDate(2021, 2, 3)), "02/03/2021");
  appSettings().dateFormat = 1;
  EXPECT_EQ(*parseDateText("02/03/2021").date, QDate(2021, 3, 2));
  EXPECT_EQ(dateEditText(QDate(2021, 3, 2)), "02/03/2021");
  appSettings().dateFormat = 2;
  EXPECT_EQ(*parseDateText("2021/03/02").date, QDate(2021, 3, 2));
  EXPECT_EQ(dateEditText(QDate(2021, 3, 2)), "2021/03/02");
}

TEST_F(PageFields, DateTextThatIsNoDateIsReportedNotGuessed) {
  EXPECT_TRUE(parseDateText("").empty);
  EXPECT_TRUE(parseDateText("__/__/____").empty);
  const ParsedDate bad = parseDateText("02/30/2021");
  EXPECT_FALSE(bad.empty);
  EXPECT_FALSE(bad.date);
  EXPECT_FALSE(parseDateText("soon").date);
  EXPECT_EQ(*parseDateText("12/31/99").date, QDate(1999, 12, 31));
  EXPECT_EQ(*parseDateText("1/2/05").date, QDate(2005, 1, 2));
}

TEST_F(PageFields, NumbersAndCurrencyText) {
  EXPECT_DOUBLE_EQ(*parseNumberText("1,234.50").value, 1234.5);
  EXPECT_DOUBLE_EQ(*parseNumberText("$12").value, 12);
  EXPECT_DOUBLE_EQ(*parseNumberText("(3.25)").value, -3.25);
  EXPECT_TRUE(parseNumberText("  ").empty);
  EXPECT_FALSE(parseNumberText("twelve").value);
  EXPECT_FALSE(parseNumberText("12abc").value);
  EXPECT_EQ(currencyText(1234.5), "1,234.50");
  EXPECT_EQ(currencyText(-0.5), "-0.50");
  EXPECT_EQ(currencyText(0), "0.00");
}

TEST_F(PageFields, EmptyPageIgnoresZeroValuesAndBadDates) {
  PageValues page;
  EXPECT_TRUE(pageIsEmpty(page));
  page.text[8] = "0.00";
  page.text[7] = "__/__/____";
  page.text[16] = "99/99/9999";  // no valid date
  EXPECT_TRUE(pageIsEmpty(page));
  page.text[18] = "1.00";
  EXPECT_FALSE(pageIsEmpty(page));
  PageValues pic;
  pic.picture = "BM";
  EXPECT_FALSE(pageIsEmpty(pic));
  PageValues memo;
  memo.text[20] = "a note";
  EXPECT_FALSE(pageIsEmpty(memo));
}

TEST_F(PageFields, OnlyTheTitleIsRequired) {
  PageValues page;
  page.text[1] = "Author";
  EXPECT_FALSE(pagePassesRequired(page));
  page.text[0] = "T";
  EXPECT_TRUE(pagePassesRequired(page));
  appSettings().requiredFields.set(7);
  EXPECT_FALSE(pagePassesRequired(page));
  page.text[7] = "01/02/2003";
  EXPECT_TRUE(pagePassesRequired(page));
}

TEST_F(PageFields, PairPositions) {
  PagePair p;
  p.positionOn(5, 10);
  EXPECT_EQ(p.requested, 5);
  EXPECT_EQ(p.left, 4);
  p.positionOn(12, 10);  // at most the record count
  EXPECT_EQ(p.requested, 10);
  EXPECT_EQ(p.left, 10);
  p.newRecord(7);
  EXPECT_EQ(p.left, 6);
  EXPECT_EQ(p.requested, 7);
  EXPECT_FALSE(p.leftIsNew(7));
  EXPECT_TRUE(p.rightIsNew(7));
  p.newRecord(8);
  EXPECT_EQ(p.left, 8);
  EXPECT_TRUE(p.leftIsNew(8));
  p = {};
  EXPECT_TRUE(p.last(7));
  EXPECT_EQ(p.left, 6);
  EXPECT_FALSE(p.last(7));
  p = {};
  EXPECT_FALSE(p.last(2));
  p = {};
  EXPECT_TRUE(p.last(4));
  EXPECT_EQ(p.left, 2);
  EXPECT_EQ(p.requested, 3);
}

TEST_F(PageFields, PairSaveVerdicts) {
  const PageState filled{false, false, false, true};
  const PageState untitled{false, false, false, false};
  const PageState empty{true, false, true, false};
  const PageState inUse{false, true, false, false};
  // Stored records the user did not touch: never asked about, never written.
  const PageState untouched{false, false, false, true, false};
  const PageState untouchedUntitled{false, false, false, false, false};
  EXPECT_EQ(decidePairSave(filled, filled, false), PairVerdict::Save);
  EXPECT_EQ(decidePairSave(untouched, untouchedUntitled, false), PairVerdict::Continue);
  EXPECT_EQ(decidePairSave(untouchedUntitled, filled, false), PairVerdict::Save);
  EXPECT_EQ(decidePairSave(untouched, untitled, false), PairVerdict::Ask);
  EXPECT_EQ(decidePairSave(empty, empty, false), PairVerdict::Continue);
  EXPECT_EQ(decidePairSave(filled, untitled, false), PairVerdict::Ask);
  EXPECT_EQ(decidePairSave(untitled, empty, false), PairVerdict::Ask);
  EXPECT_EQ(decidePairSave(untitled, untitled, true), PairVerdict::Continue);
  EXPECT_EQ(decidePairSave(inUse, inUse, false), PairVerdict::Continue);
  EXPECT_EQ(decidePairSave(inUse, filled, false), PairVerdict::Save);
  EXPECT_FALSE(storePage(inUse));
  EXPECT_FALSE(storePage(empty));
  EXPECT_TRUE(storePage(filled));
  EXPECT_FALSE(storePage(untouched));
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
  PageValues write(const PageValues& page, const QDate& today = QDate(2024, 2, 29)) {
    table.edit();
    bool memoFailed = false;
    writePage(table, page, today, &memoFailed);
    table.post();
    EXPECT_FALSE(memoFailed);
    return readPage(table, &memoFailed);
  }

  QTemporaryDir dir;
  std::string path;
  dbase::Table table;
};

TEST_F(PageRecord, ValuesGoToTheirFieldsAndComeBackAsTheEditorsShowThem) {
  PageValues page;
  page.text[0] = QString::fromUtf8("Caf\xC3\xA9");
  page.text[7] = "7/4/1976";
  page.text[8] = "1,234.5";
  page.text[10] = "320";
  page.text[20] = "one\ntwo";
  page.picture = QByteArray("BM\x00\x01", 4);
  const PageValues back = write(page);
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
  PageValues page;
  page.text[0] = "T";
  write(page);
  EXPECT_TRUE(table.isEmpty(9));
  appSettings().todayDefaultFields.set(16);
  write(page);
  EXPECT_TRUE(table.isEmpty(9));
  EXPECT_EQ(table.asString(18), "20240229");
}

TEST_F(PageRecord, BadDatesAndNumbersAreNamedByTheirLabels) {
  PageValues page;
  page.text[7] = "31/12/2020";
  page.text[8] = "12.50";
  page.text[19] = "1.2.3";
  page.text[10] = "many";  // a text field: anything goes
  const std::vector<QString> labels = {"Title",  "Author", "Co",         "Cat",  "Fmt",
                                       "Rating", "Pub",    "Bought On:", "Price"};
  EXPECT_EQ(pageInputProblems(page, table, labels),
            "Bought On: \"31/12/2020\" is not a date (mm/dd/yyyy).\r"
            "Custom 6: \"1.2.3\" is not a number.");
  appSettings().dateFormat = 1;
  EXPECT_EQ(pageInputProblems(page, table, labels), "Custom 6: \"1.2.3\" is not a number.");
}

TEST_F(PageRecord, CorruptMemoTextNamesTheAuthor) {
  table.edit();
  table.setString(3, "Ann Author");
  table.post();
  EXPECT_EQ(corruptMemoText(table), "Corrupt Memo Field!!! You should delete record: \rAnn Author");
}

}  // namespace
