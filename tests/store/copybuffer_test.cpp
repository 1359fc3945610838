// Whole records through the copy buffer: field by field, memos and pictures
// byte for byte, between the databases of one directory, and the menu lines
// that list a record's values.

#include <gtest/gtest.h>

#include "store/listingrows.h"
#include "store/recordsession.h"
#include "support/storefixture.h"

namespace storetest {
namespace {

class CopyBufferTest : public StoreTest {
 protected:
  void openTables() {
    ASSERT_TRUE(openDatabase(tables_));
    prompter_.shown.clear();
  }
  void closeTables() {
    tables_.records.close();
    tables_.copy.close();
    tables_.catalogue.close();
  }
  // Every user field of record `recNo` of `file` as stored: the field's
  // bytes, or a memo's contents.
  std::vector<std::string> userFields(const std::string& file, uint32_t recNo) {
    dbase::Table t;
    t.open(dataFile(file), dbase::OpenMode::Shared, true);
    t.goToRecord(recNo);
    std::vector<std::string> out;
    for (int f = 2; f < static_cast<int>(t.fields().size()); ++f)
      out.push_back(f >= F(kNotes) ? t.readBlob(f) : std::string(t.fieldBytes(f)));
    return out;
  }
  int64_t number(const std::string& file, uint32_t recNo) {
    dbase::Table t;
    t.open(dataFile(file), dbase::OpenMode::Shared, true);
    t.goToRecord(recNo);
    return t.asInteger(0);
  }
};

TEST_F(CopyBufferTest, ARecordTravelsToAnotherDatabaseByteForByte) {
  makeDatabase({{"Donor", 12.5, "0", "Author"}});
  std::string memo;
  for (int i = 0; memo.size() < 100 * 1024; ++i)
    memo += "Line " + std::to_string(i) + " caf\xE9 \x80\r\n";
  std::string picture("BM\x00\x1A\xFF", 5);
  for (int i = 0; i < 5000; ++i) picture += static_cast<char>(i * 7);
  editFirstRecord([&](dbase::Table& t) {
    t.setString(F(kPublished), "19991231");
    t.setString(F(kCategory), "Fantasy \xE9");
    t.writeBlob(F(kNotes), memo);
    t.writeBlob(F(kPicture), picture);
  });
  const std::vector<std::string> donor = userFields("data.dbf", 1);
  openTables();
  RecordSession session(tables_, tables_.records);
  ASSERT_TRUE(session.copyRecordAt(0));
  EXPECT_TRUE(appSettings().copyBufferFull);
  closeTables();

  // The second database of the directory, with a record of its own.
  dbase::Table::copyTable(program_.file("data.dbf"), dataFile("data_1.dbf"), false);
  {
    dbase::Table t;
    t.open(dataFile("data_1.dbf"));
    t.append();
    t.setNumber(0, 41);
    t.setString(F(kTitle), "Kept number");
    t.writeBlob(F(kNotes), "old memo");
    t.post();
  }
  appSettings().tableName = QStringLiteral("data_1.dbf");
  openTables();
  RecordSession other(tables_, tables_.records);
  EXPECT_EQ(other.pasteInto(0), RecordSession::Pasted::Yes);
  EXPECT_EQ(other.pasteInto(1), RecordSession::Pasted::Yes);
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.texts().join("|").toStdString();
  closeTables();
  EXPECT_EQ(userFields("data_1.dbf", 1), donor);
  EXPECT_EQ(userFields("data_1.dbf", 2), donor);
  EXPECT_EQ(userFields("data_1.dbf", 1)[F(kNotes) - 2], memo);
  EXPECT_EQ(number("data_1.dbf", 1), 41);  // the pasted-over record keeps its number
  EXPECT_GT(number("data_1.dbf", 2), 0);   // the new one is numbered
}

TEST_F(CopyBufferTest, PasteNeedsACopyOfThisRunAndLeavesAHeldRecordAlone) {
  makeDatabase({{"Alpha"}, {"Beta"}});
  openTables();
  RecordSession session(tables_, tables_.records);
  ASSERT_TRUE(session.copyRecordAt(0));
  // A later run: copy.dbf still holds Alpha, but nothing was copied yet.
  appSettings().copyBufferFull = false;
  EXPECT_EQ(session.pasteInto(1), RecordSession::Pasted::Nothing);
  EXPECT_EQ(session.pasteInto(2), RecordSession::Pasted::Nothing);
  EXPECT_EQ(userFields("data.dbf", 2)[0].substr(0, 4), "Beta");

  ASSERT_TRUE(session.copyRecordAt(0));
  const std::vector<std::string> before = userFields("data.dbf", 2);
  dbase::Table holder;
  holder.open(dataFile("data.dbf"));
  holder.goToRecord(2);
  holder.edit();
  EXPECT_EQ(session.pasteInto(1), RecordSession::Pasted::Failed);
  EXPECT_EQ(prompter_.texts(), QStringList{"Could not Update the record!"});
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Error);
  holder.cancel();
  EXPECT_EQ(userFields("data.dbf", 2), before);

  // Copying past the end keeps the buffer as it was.
  prompter_.shown.clear();
  EXPECT_FALSE(session.copyRecordAt(2));
  EXPECT_EQ(prompter_.texts(), QStringList{"Empty Record - Not Copied!"});
  EXPECT_EQ(session.copyBufferLines().at(0), "Alpha");
}

TEST_F(CopyBufferTest, RecordValuesAsTheMenusListThem) {
  makeDatabase({{std::string(60, 'T'), 3.5}});
  editFirstRecord([](dbase::Table& t) {
    t.writeBlob(F(kNotes), "First line\r\nsecond line");
    t.writeBlob(F(kPicture), std::string("BM\x00\x01", 4));
  });
  openTables();
  goToPosition(tables_.records, 0);
  std::vector<QString> lines = listRecordValues(tables_.records);
  ASSERT_EQ(lines.size(), size_t(kPageFieldCount));
  EXPECT_EQ(lines[kTitle], QString(50, 'T'));
  EXPECT_EQ(lines[kValue], "3.50");
  EXPECT_EQ(lines[kNotes], "First line");
  EXPECT_EQ(lines[kPicture], "<PICTURE> - Not Empty");
  EXPECT_TRUE(prompter_.shown.empty());

  // A memo pointing past its file: reported, and the list ends before it.
  closeTables();
  patchFirstRecord(F(kNotes), "    999999");
  openTables();
  goToPosition(tables_.records, 0);
  lines = listRecordValues(tables_.records);
  EXPECT_EQ(lines.size(), size_t(kNotes));
  EXPECT_EQ(prompter_.texts(), QStringList{"Corrupt Memo Field!!! You should delete record: \r"});
}

}  // namespace
}  // namespace storetest
