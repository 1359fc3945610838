// The catalogue's databases: listing, the next free table name, entries
// added and changed, and deleting a database safely.

#include <gtest/gtest.h>

#include <filesystem>

#include "store/catalogue.h"
#include "support/storefixture.h"

namespace storetest {
namespace {

class CatalogueTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    makeDatabase({{"Alpha"}});
    ASSERT_TRUE(openDatabase(tables_));
  }
  void add(const QString& file) { addCatalogEntry(tables_.catalogue, {file, file, {}}); }
};

TEST_F(CatalogueTest, TheNextTableNameFillsTheFirstGapUpTo999) {
  add("data_1.dbf");
  add("DATA_3.DBF");
  EXPECT_EQ(firstFreeTableName(tables_.catalogue), "data_2.dbf");
  for (int n = 2; n <= 999; ++n)
    if (n != 3) add(QStringLiteral("data_%1.dbf").arg(n));
  EXPECT_EQ(firstFreeTableName(tables_.catalogue), std::nullopt);
}

TEST_F(CatalogueTest, EntriesAreListedAddedAndChanged) {
  addCatalogEntry(tables_.catalogue, {"data_1.dbf", "Caf\u00E9 books", "Read in 2026"});
  ASSERT_TRUE(updateCatalogEntry(tables_.catalogue, {"data_1.dbf", "Novels", "All of them"}));
  EXPECT_FALSE(updateCatalogEntry(tables_.catalogue, {"data_9.dbf", "x", "y"}));
  const std::vector<CatalogEntry> all = catalogEntries(tables_.catalogue);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].fileName, "data.dbf");
  EXPECT_EQ(all[1].fileName, "data_1.dbf");
  EXPECT_EQ(all[1].name, "Novels");
  EXPECT_EQ(all[1].description, "All of them");
}

TEST_F(CatalogueTest, DeletingTakesTheEntryAndTheFilesButNothingInUseOrOutside) {
  namespace fs = std::filesystem;
  dbase::Table::copyTable(program_.file("data.dbf"), dataFile("data_1.dbf"), false);
  fs::create_directories(dataFile("BACKUP"));
  dbase::Table::copyTable(program_.file("data.dbf"), dataFile("BACKUP/data_1.dbf"), false);
  add("data_1.dbf");
  add("../data.dbf");

  // The open database is in use; a name that leaves the folder is refused.
  EXPECT_EQ(deleteDatabase(tables_.catalogue, appSettings().databaseDir, "data.dbf"),
            DatabaseDeletion::InUse);
  EXPECT_EQ(deleteDatabase(tables_.catalogue, appSettings().databaseDir, "../data.dbf"),
            DatabaseDeletion::NotPlainName);
  EXPECT_EQ(deleteDatabase(tables_.catalogue, appSettings().databaseDir, "data_7.dbf"),
            DatabaseDeletion::NoEntry);
  EXPECT_TRUE(fs::exists(dataFile("data.dbf")));

  EXPECT_FALSE(tableIsFree(appSettings().databaseDir, "data.dbf"));
  EXPECT_TRUE(tableIsFree(appSettings().databaseDir, "data_1.dbf"));
  EXPECT_EQ(deleteDatabase(tables_.catalogue, appSettings().databaseDir, "data_1.dbf"),
            DatabaseDeletion::Deleted);
  for (const char* gone : {"data_1.dbf", "data_1.mdx", "BACKUP/data_1.dbf", "BACKUP/data_1.mdx"})
    EXPECT_FALSE(fs::exists(dataFile(gone))) << gone;
  std::vector<QString> files;
  for (const CatalogEntry& e : catalogEntries(tables_.catalogue)) files.push_back(e.fileName);
  EXPECT_EQ(files, (std::vector<QString>{"../data.dbf", "data.dbf"}));
}

// The Load Database window's work: the private directory is the home, the
// public one DataRootDir/DATA; a reader of the public databases changes nothing.
TEST_F(CatalogueTest, BrowsingCreatesLoadsAndGoesBack) {
  namespace fs = std::filesystem;
  TempDir root;
  fs::create_directories(root.file("DATA"));
  AppSettings& s = appSettings();
  s.dataRootDir = root.qpath();
  add("../data.dbf");
  CatalogueBrowser browser(tables_.catalogue);

  ASSERT_TRUE(browser.choose(CatalogueBrowser::Kind::Private));
  ASSERT_EQ(browser.entries().size(), 2u);
  QString made;
  ASSERT_EQ(browser.create("Caf\u00E9", "Poetry", &made), CatalogueBrowser::Creation::Created);
  EXPECT_EQ(made, "data_1.dbf");
  EXPECT_TRUE(fs::exists(dataFile("data_1.dbf")));
  EXPECT_EQ(browser.entries().back().name, "Caf\u00E9");
  QString problem;
  EXPECT_EQ(browser.load("data_1.dbf", &problem), "data_1.dbf");
  EXPECT_EQ(browser.load("../data.dbf", &problem), std::nullopt);  // never outside the folder
  EXPECT_TRUE(problem.contains("not a plain file name"));
  EXPECT_EQ(browser.remove("data_1.dbf"), DatabaseDeletion::Deleted);
  EXPECT_EQ(browser.entries().size(), 2u);
  EXPECT_FALSE(fs::exists(dataFile("data_1.dbf")));

  // Public, as a user who may only read there: listed, nothing made.
  s.accessRights = 2;
  ASSERT_TRUE(browser.choose(CatalogueBrowser::Kind::Public));
  EXPECT_EQ(s.databaseDir, root.qpath() + "/DATA");
  EXPECT_FALSE(browser.mayChange());
  EXPECT_TRUE(browser.entries().empty());
  EXPECT_FALSE(fs::exists(root.file("DATA/master.dbf")));
  s.isSupervisor = true;
  EXPECT_TRUE(browser.mayChange());

  browser.cancel();
  browser.finish();
  EXPECT_EQ(s.databaseDir, data_.qpath());
  ASSERT_TRUE(tables_.catalogue.active());
  EXPECT_EQ(tables_.catalogue.engine().asString(0), "data.dbf");
}

}  // namespace
}  // namespace storetest
