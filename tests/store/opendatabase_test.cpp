// Opening a database: catalogue, copy buffer and record table, each made
// from the template only when its file is missing.

#include <gtest/gtest.h>

#include <filesystem>

#include "storefixture.h"

namespace storetest {
namespace {

class OpenDatabaseTest : public StoreTest {
 protected:
  int CatalogueCounter(const std::string& fileName) {
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
  ASSERT_TRUE(OpenDatabase(tables_));
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(prompter_.shown[0].text, kMissingWarning);
  EXPECT_TRUE(tables_.Catalogue.Active());
  EXPECT_EQ(tables_.Catalogue.Engine().activeTag(), "IDX0");
  EXPECT_EQ(tables_.Copy.Engine().recordCount(), 1u);
  EXPECT_TRUE(tables_.Copy.Engine().tags().empty());
  EXPECT_TRUE(tables_.Records.Active());
  EXPECT_EQ(tables_.Records.IndexName, "IDX0");  // entry order
  EXPECT_EQ(CatalogueCounter("data.dbf"), 1);
  EXPECT_FALSE(AppSettings().IndexErrorQuiet);
}

TEST_F(OpenDatabaseTest, FieldSetsFollowTheTable) {
  ASSERT_TRUE(OpenDatabase(tables_));
  const TAppSettings& s = AppSettings();
  EXPECT_TRUE(s.StringFields.test(F(kTitle)));
  EXPECT_TRUE(s.StringFields.test(F(kCustom2)));
  EXPECT_FALSE(s.StringFields.test(1));  // the mark is not a user field
  EXPECT_FALSE(s.StringFields.test(F(kValue)));
  EXPECT_EQ(s.StringFields.count(), 14u);
  EXPECT_EQ(s.MemoFields.count(), 1u);
  EXPECT_TRUE(s.MemoFields.test(F(kNotes)));
  EXPECT_EQ(s.BlobFields.count(), 1u);
  EXPECT_TRUE(s.BlobFields.test(F(kPicture)));
}

TEST_F(OpenDatabaseTest, SavedSortIsAppliedOnOpen) {
  MakeDatabase({{"b"}, {"a"}});
  WriteBytes(dataFile("data.idx"), std::string("\x02\x01\x00\x00", 4));
  ASSERT_TRUE(OpenDatabase(tables_));
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(SortState().FirstField, F(kTitle));
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"b", "a"}));
}

TEST_F(OpenDatabaseTest, DeletedTableIsRecreatedEmptyWithWarningAndSortReset) {
  MakeDatabase({{"b"}, {"a"}});
  ASSERT_TRUE(OpenDatabase(tables_));
  SortState().FirstField = static_cast<uint8_t>(F(kTitle));
  ASSERT_TRUE(ApplySort());
  tables_.Records.Close();
  dbase::Table::deleteTable(dataFile("data.dbf"));
  prompter_.shown.clear();
  ASSERT_TRUE(OpenDatabase(tables_));
  EXPECT_EQ(prompter_.texts(), QStringList{kMissingWarning});
  EXPECT_EQ(SortState().FirstField, 0);
  EXPECT_EQ(tables_.Records.Engine().recordCount(), 0u);
  EXPECT_EQ(tables_.Records.IndexName, "IDX0");
}

TEST_F(OpenDatabaseTest, DeletedIndexIsRestoredFromTheTemplateWithTheRecords) {
  MakeDatabase({{"b"}, {"a"}, {"c"}});
  std::filesystem::remove(dataFile("data.mdx"));
  WriteBytes(dataFile("data.idx"), std::string("\x02\x00\x00\x00", 4));
  ASSERT_TRUE(OpenDatabase(tables_));
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_TRUE(std::filesystem::exists(dataFile("data.MDX")));
  EXPECT_EQ(tables_.Records.IndexName, "IDX1");
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(OpenDatabaseTest, EnsureOpenRestoresTheIndexOfAClosedTable) {
  MakeDatabase({{"b"}, {"a"}});
  std::filesystem::remove(dataFile("data.mdx"));
  tables_.Records.DatabaseName = data_.qpath();
  tables_.Records.TableName = "data.dbf";
  tables_.Records.IndexName = "IDX1";
  ASSERT_TRUE(EnsureOpen(tables_.Records));
  EXPECT_EQ(Listing(F(kTitle)), (std::vector<std::string>{"a", "b"}));
}

TEST_F(OpenDatabaseTest, DamagedTableIsReportedAndNeverReplaced) {
  MakeDatabase({{"a"}});
  WriteBytes(dataFile("data.dbf"), "not a table at all");
  prompter_.answers = {MsgResult::No};
  EXPECT_FALSE(OpenDatabase(tables_));
  ASSERT_EQ(prompter_.shown.size(), 2u);
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(prompter_.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(prompter_.shown[0].text, "Cannot open the file: data.dbf\rRetry?");
  EXPECT_EQ(prompter_.shown[1].kind, MsgKind::Error);
  EXPECT_TRUE(prompter_.shown[1].text.startsWith("Could not Open the database!\r"));
  EXPECT_EQ(ReadBytes(dataFile("data.dbf")), "not a table at all");
  EXPECT_TRUE(AppSettings().IndexErrorQuiet);
}

TEST_F(OpenDatabaseTest, TableHeldExclusivelyIsRetriedOnYes) {
  MakeDatabase({{"a"}});
  auto holder = std::make_unique<dbase::Table>();
  holder->open(dataFile("data.dbf"), dbase::OpenMode::Exclusive);
  prompter_.answers = {MsgResult::Yes, MsgResult::No};
  EXPECT_FALSE(OpenDatabase(tables_));
  EXPECT_EQ(prompter_.shown.size(), 3u);  // asked twice, then reported
  holder.reset();
  EXPECT_EQ(ReadBytes(dataFile("data.dbf")).size() > 100, true);
  prompter_.shown.clear();
  EXPECT_TRUE(OpenDatabase(tables_));
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(OpenDatabaseTest, DamagedCatalogueIsReportedAndNeverReplaced) {
  WriteBytes(dataFile("master.dbf"), "garbage");
  prompter_.answers = {MsgResult::No};
  EXPECT_FALSE(OpenDatabase(tables_));
  EXPECT_EQ(prompter_.texts(),
            (QStringList{"Cannot open the file: master.dbf\rRetry?",
                         "Could not Open the Master.dbf file!"}));
  EXPECT_EQ(ReadBytes(dataFile("master.dbf")), "garbage");
}

TEST_F(OpenDatabaseTest, MissingCatalogueTemplateFailsWithMessage) {
  std::filesystem::remove(program_.file("master.dbf"));
  EXPECT_FALSE(OpenDatabase(tables_));
  EXPECT_EQ(prompter_.texts(), QStringList{"Could not Open the Master.dbf file!"});
}

TEST_F(OpenDatabaseTest, MissingTemplateFailsTheNewDatabase) {
  ASSERT_TRUE(OpenDatabase(tables_));
  tables_.Records.Close();
  tables_.Copy.Close();
  tables_.Catalogue.Close();
  AppSettings().TableName = "data_2.dbf";
  dbase::Table::deleteTable(program_.file("data.dbf"));
  prompter_.shown.clear();
  EXPECT_FALSE(OpenDatabase(tables_));
  EXPECT_EQ(prompter_.texts(),
            (QStringList{kMissingWarning, "Could not Open the new database!"}));
}

TEST_F(OpenDatabaseTest, EmptyCopyBufferGetsOneRecord) {
  dbase::Table::copyTable(program_.file("data.dbf"), dataFile("copy.dbf"), false);
  ASSERT_TRUE(OpenDatabase(tables_));
  EXPECT_EQ(tables_.Copy.Engine().recordCount(), 1u);
  // The template's tags stay where the copy already had them.
  EXPECT_EQ(tables_.Copy.Engine().tags().size(), 2u);
}

TEST_F(OpenDatabaseTest, OpenTableGivesUpOnExclusiveAfterSilentRetries) {
  MakeDatabase({});
  dbase::Table holder;
  holder.open(dataFile("data.dbf"));
  TDbTable t;
  EXPECT_FALSE(OpenTable(t, "data.dbf", true));
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_FALSE(OpenTable(t, "nothing.dbf", false));
  EXPECT_TRUE(t.TableName == "data.dbf");  // a missing file leaves the object alone
}

TEST_F(OpenDatabaseTest, CatalogueEntryIsAddedOnceWithCounterOne) {
  ASSERT_TRUE(OpenDatabase(tables_));
  EnsureCatalogEntry(tables_.Catalogue, "data.dbf");
  EnsureCatalogEntry(tables_.Catalogue, "data_3.dbf");
  EnsureCatalogEntry(tables_.Catalogue, "DATA_3.DBF");
  EXPECT_EQ(tables_.Catalogue.Engine().recordCount(), 2u);
  EXPECT_EQ(CatalogueCounter("data_3.dbf"), 1);
  dbase::Table& c = tables_.Catalogue.Engine();
  ASSERT_TRUE(FindCatalogEntry(tables_.Catalogue, "data_3.dbf"));
  EXPECT_EQ(c.asString(1), "data_3.dbf");
}

TEST_F(OpenDatabaseTest, CreateFromTemplateWithoutIndexesDropsEveryTag) {
  TDbTable t;
  t.DatabaseName = data_.qpath();
  t.TableName = "scratch.dbf";
  ASSERT_TRUE(CreateFromTemplate(t, false));
  dbase::Table e;
  e.open(dataFile("scratch.dbf"));
  EXPECT_TRUE(e.tags().empty());
  EXPECT_EQ(e.fields().size(), 24u);
}

}  // namespace
}  // namespace storetest
