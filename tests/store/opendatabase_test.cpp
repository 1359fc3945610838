// Opening a database: catalogue, copy buffer and record table, each made
// from the template only when its file is missing.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/storefixture.h"

namespace storetest {
namespace {

class OpenDatabaseTest : public StoreTest {
 protected:
  int catalogueCounter(const std::string& fileName) {
    dbase::Table t;
    t.open(dataFile("master.dbf"), dbase::OpenMode::Shared, true);
    for (t.first(); !t.eof(); t.next())
      if (t.asString(0) == fileName) return static_cast<int>(t.asInteger(3));
    return -1;
  }
};

const QString kMissingWarning =
    QStringLiteral("Could not Open the database! A new database will be created.");

TEST_F(OpenDatabaseTest, EmptyDirectoryGetsEveryFileFromTheTemplates) {
  ASSERT_TRUE(openDatabase(tables_));
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(prompter_.shown[0].text, kMissingWarning);
  EXPECT_TRUE(tables_.catalogue.active());
  EXPECT_EQ(tables_.catalogue.engine().activeTag(), "IDX0");
  EXPECT_EQ(tables_.copy.engine().recordCount(), 1u);
  EXPECT_TRUE(tables_.copy.engine().tags().empty());
  EXPECT_TRUE(tables_.records.active());
  EXPECT_EQ(tables_.records.indexName, "IDX0");  // entry order
  EXPECT_EQ(catalogueCounter("data.dbf"), 1);
  EXPECT_FALSE(appSettings().indexErrorQuiet);
  // The field sets follow the table.
  const AppSettings& s = appSettings();
  EXPECT_TRUE(s.stringFields.test(F(kTitle)));
  EXPECT_TRUE(s.stringFields.test(F(kCustom2)));
  EXPECT_FALSE(s.stringFields.test(1));  // the mark is not a user field
  EXPECT_FALSE(s.stringFields.test(F(kValue)));
  EXPECT_EQ(s.stringFields.count(), 14u);
  EXPECT_EQ(s.memoFields.count(), 1u);
  EXPECT_TRUE(s.memoFields.test(F(kNotes)));
  EXPECT_EQ(s.blobFields.count(), 1u);
  EXPECT_TRUE(s.blobFields.test(F(kPicture)));
}

TEST_F(OpenDatabaseTest, SavedSortIsAppliedOnOpen) {
  makeDatabase({{"b"}, {"a"}});
  writeBytes(dataFile("data.idx"), std::string("\x02\x01\x00\x00", 4));
  ASSERT_TRUE(openDatabase(tables_));
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(sortState().firstField, F(kTitle));
  EXPECT_EQ(listing(F(kTitle)), (Strings{"b", "a"}));
}

TEST_F(OpenDatabaseTest, DeletedTableIsRecreatedEmptyWithWarningAndSortReset) {
  makeDatabase({{"b"}, {"a"}});
  ASSERT_TRUE(openDatabase(tables_));
  sortState().firstField = static_cast<uint8_t>(F(kTitle));
  ASSERT_TRUE(applySort());
  tables_.records.close();
  dbase::Table::deleteTable(dataFile("data.dbf"));
  prompter_.shown.clear();
  ASSERT_TRUE(openDatabase(tables_));
  EXPECT_EQ(prompter_.texts(), QStringList{kMissingWarning});
  EXPECT_EQ(sortState().firstField, 0);
  EXPECT_EQ(tables_.records.engine().recordCount(), 0u);
  EXPECT_EQ(tables_.records.indexName, "IDX0");
  saveSortState();
  EXPECT_EQ(readBytes(dataFile("data.idx")), std::string(4, '\0'));
}

TEST_F(OpenDatabaseTest, DeletedIndexIsRestoredFromTheTemplateWithTheRecords) {
  makeDatabase({{"b"}, {"a"}, {"c"}});
  std::filesystem::remove(dataFile("data.mdx"));
  writeBytes(dataFile("data.idx"), std::string("\x02\x00\x00\x00", 4));
  ASSERT_TRUE(openDatabase(tables_));
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_TRUE(std::filesystem::exists(dataFile("data.MDX")));
  EXPECT_EQ(tables_.records.indexName, "IDX1");
  EXPECT_EQ(listing(F(kTitle)), (Strings{"a", "b", "c"}));
}

TEST_F(OpenDatabaseTest, EnsureOpenRestoresTheIndexOfAClosedTable) {
  makeDatabase({{"b"}, {"a"}});
  std::filesystem::remove(dataFile("data.mdx"));
  tables_.records.databaseName = data_.qpath();
  tables_.records.tableName = "data.dbf";
  tables_.records.indexName = "IDX1";
  ASSERT_TRUE(ensureOpen(tables_.records));
  EXPECT_EQ(listing(F(kTitle)), (Strings{"a", "b"}));
}

TEST_F(OpenDatabaseTest, DamagedTableIsReportedAndNeverReplaced) {
  makeDatabase({{"a"}});
  writeBytes(dataFile("data.dbf"), "not a table at all");
  writeBytes(dataFile("data.idx"), std::string("\x02\x01\x00\x00", 4));
  prompter_.answers = {MsgResult::No};
  EXPECT_FALSE(openDatabase(tables_));
  ASSERT_EQ(prompter_.shown.size(), 2u);
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(prompter_.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(prompter_.shown[0].text, "Cannot open the file: data.dbf\rRetry?");
  EXPECT_EQ(prompter_.shown[1].kind, MsgKind::Error);
  EXPECT_TRUE(prompter_.shown[1].text.startsWith("Could not Open the database!\r"));
  EXPECT_EQ(readBytes(dataFile("data.dbf")), "not a table at all");
  EXPECT_TRUE(appSettings().indexErrorQuiet);
  saveSortState();  // as the view's close does: the sort was never loaded
  EXPECT_EQ(readBytes(dataFile("data.idx")), std::string("\x02\x01\x00\x00", 4));
}

TEST_F(OpenDatabaseTest, TableHeldExclusivelyIsRetriedOnYes) {
  makeDatabase({{"a"}});
  auto holder = std::make_unique<dbase::Table>();
  holder->open(dataFile("data.dbf"), dbase::OpenMode::Exclusive);
  prompter_.answers = {MsgResult::Yes, MsgResult::No};
  EXPECT_FALSE(openDatabase(tables_));
  EXPECT_EQ(prompter_.shown.size(), 3u);  // asked twice, then reported
  holder.reset();
  EXPECT_GT(readBytes(dataFile("data.dbf")).size(), 100u);
  prompter_.shown.clear();
  EXPECT_TRUE(openDatabase(tables_));
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(OpenDatabaseTest, DamagedCatalogueIsReportedAndNeverReplaced) {
  writeBytes(dataFile("master.dbf"), "garbage");
  prompter_.answers = {MsgResult::No};
  EXPECT_FALSE(openDatabase(tables_));
  EXPECT_EQ(prompter_.texts(), (QStringList{"Cannot open the file: master.dbf\rRetry?",
                                            "Could not Open the Master.dbf file!"}));
  EXPECT_EQ(readBytes(dataFile("master.dbf")), "garbage");
}

TEST_F(OpenDatabaseTest, MissingCatalogueTemplateFailsWithMessage) {
  std::filesystem::remove(program_.file("master.dbf"));
  EXPECT_FALSE(openDatabase(tables_));
  EXPECT_EQ(prompter_.texts(), QStringList{"Could not Open the Master.dbf file!"});
}

TEST_F(OpenDatabaseTest, MissingTemplateFailsTheNewDatabase) {
  ASSERT_TRUE(openDatabase(tables_));
  tables_.records.close();
  tables_.copy.close();
  tables_.catalogue.close();
  appSettings().tableName = "data_2.dbf";
  dbase::Table::deleteTable(program_.file("data.dbf"));
  prompter_.shown.clear();
  EXPECT_FALSE(openDatabase(tables_));
  EXPECT_EQ(prompter_.texts(), (QStringList{kMissingWarning, "Could not Open the new database!"}));
}

// A table name is a file name in the database directory, whatever a file said.
TEST_F(OpenDatabaseTest, TableNameThatIsNoPlainFileNameIsRefused) {
  appSettings().tableName = "../x.dbf";
  EXPECT_FALSE(openDatabase(tables_));
  EXPECT_EQ(prompter_.texts(),
            QStringList{"Could not Open the database!\r\"../x.dbf\" is not a plain file name."});
  const auto outside = std::filesystem::path(dataFile("data.dbf")).parent_path().parent_path();
  EXPECT_FALSE(std::filesystem::exists(outside / "x.dbf"));
  EXPECT_EQ(catalogueCounter("../x.dbf"), -1);
}

TEST_F(OpenDatabaseTest, EmptyCopyBufferGetsOneRecord) {
  dbase::Table::copyTable(program_.file("data.dbf"), dataFile("copy.dbf"), false);
  ASSERT_TRUE(openDatabase(tables_));
  EXPECT_EQ(tables_.copy.engine().recordCount(), 1u);
  // The template's tags stay where the copy already had them.
  EXPECT_EQ(tables_.copy.engine().tags().size(), 2u);
}

TEST_F(OpenDatabaseTest, OpenTableGivesUpOnExclusiveAfterSilentRetries) {
  makeDatabase({});
  dbase::Table holder;
  holder.open(dataFile("data.dbf"));
  DbTable t;
  EXPECT_FALSE(openTable(t, "data.dbf", true));
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_FALSE(openTable(t, "nothing.dbf", false));
  EXPECT_TRUE(t.tableName == "data.dbf");  // a missing file leaves the object alone
}

TEST_F(OpenDatabaseTest, CatalogueEntryIsAddedOnceWithCounterOne) {
  ASSERT_TRUE(openDatabase(tables_));
  ensureCatalogEntry(tables_.catalogue, "data.dbf");
  ensureCatalogEntry(tables_.catalogue, "data_3.dbf");
  ensureCatalogEntry(tables_.catalogue, "DATA_3.DBF");
  EXPECT_EQ(tables_.catalogue.engine().recordCount(), 2u);
  EXPECT_EQ(catalogueCounter("data_3.dbf"), 1);
  dbase::Table& c = tables_.catalogue.engine();
  ASSERT_TRUE(findCatalogEntry(tables_.catalogue, "data_3.dbf"));
  EXPECT_EQ(c.asString(1), "data_3.dbf");
}

TEST_F(OpenDatabaseTest, CreateFromTemplateWithoutIndexesDropsEveryTag) {
  DbTable t;
  t.databaseName = data_.qpath();
  t.tableName = "scratch.dbf";
  ASSERT_TRUE(createFromTemplate(t, false));
  dbase::Table e;
  e.open(dataFile("scratch.dbf"));
  EXPECT_TRUE(e.tags().empty());
  EXPECT_EQ(e.fields().size(), 24u);
}

}  // namespace
}  // namespace storetest
