// Lookup lists over real list tables: what the boxes offer and add, what the
// list editor changes, fills in from the records and packs away.

#include <gtest/gtest.h>

#include "query/lookup/listeditor.h"
#include "query/lookup/lookuplist.h"
#include "support/storefixture.h"

namespace storetest {
namespace {

class LookupTest : public StoreTest {
 protected:
  // The values of a list file in file order, deleted ones left out.
  std::vector<std::string> stored(const std::string& list) {
    dbase::Table t;
    t.open(dataFile(list), dbase::OpenMode::Shared, true);
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.asString(0));
    return out;
  }
  uint32_t physical(const std::string& list) {
    dbase::Table t;
    t.open(dataFile(list), dbase::OpenMode::Shared, true);
    return t.physicalCount();
  }
  void fill(const std::string& list, const std::vector<std::string>& values) {
    dbase::Table::copyTable(program_.file("list.dbf"), dataFile(list), true);
    dbase::Table t;
    t.open(dataFile(list));
    for (const std::string& v : values) {
      t.append();
      t.setString(0, v);
      t.post();
    }
  }
};

TEST_F(LookupTest, ABoxOffersItsListInIndexOrderAndAddsWhatIsNew) {
  fill("list1.dbf", {"Tolkien", "Austen", "Borges"});
  LookupList list(QStringLiteral("list1.dbf"));
  ASSERT_TRUE(list.open());
  EXPECT_EQ(list.items(), (QStringList{"Austen", "Borges", "Tolkien"}));

  struct Case {
    QString typed;
    bool added;
  } cases[] = {{"austen", false},  // letter case aside, it is there
               {"", false},        // nothing typed
               {"   ", false},
               {"Ca\u00F1as \u20AC", true},  // code page text
               {QString(255, 'x'), true},    // cut to the field
               {QString(40, 'x') + "y", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    EXPECT_EQ(list.addValue(c.typed), c.added);
  }
  EXPECT_EQ(list.items(),
            (QStringList{"Austen", "Borges", "Ca\u00F1as \u20AC", "Tolkien", QString(40, 'x')}));
  EXPECT_EQ(list.model()->rowCount(), 5);
  EXPECT_EQ(stored("list1.dbf").at(3),
            "Ca\xF1"
            "as \x80");
  EXPECT_TRUE(prompter_.shown.empty());

  // A missing list is made from the template, silently.
  LookupList fresh(QStringLiteral("list8.dbf"));
  EXPECT_TRUE(fresh.open());
  EXPECT_TRUE(fresh.items().isEmpty());
  EXPECT_TRUE(fresh.addValue(QStringLiteral("Mine")));
  EXPECT_EQ(stored("list8.dbf"), std::vector<std::string>{"Mine"});
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(LookupTest, AnUnusableListIsReportedOnceAndNeverReplaced) {
  struct Case {
    const char* name;
    bool damaged;  // else held exclusively by another program
  } cases[] = {{"damaged", true}, {"locked", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prompter_.shown.clear();
    const std::string file = std::string("list_") + c.name + ".dbf";
    fill(file, {"Kept"});
    if (c.damaged) {
      std::string bytes = readBytes(dataFile(file));
      bytes[0] = '\x7F';
      bytes.resize(20);
      writeBytes(dataFile(file), bytes);
    }
    const std::string before = readBytes(dataFile(file));
    dbase::Table holder;
    if (!c.damaged) holder.open(dataFile(file), dbase::OpenMode::Exclusive);
    LookupList list(QString::fromStdString(file)), twin(QString::fromStdString(file));
    EXPECT_FALSE(list.open());
    EXPECT_FALSE(twin.open());
    EXPECT_EQ(prompter_.texts(), QStringList{"Error! Could not create a list file: \r" +
                                             QString::fromStdString(dataFile(file))});
    EXPECT_TRUE(list.items().isEmpty());
    // The page goes on: a typed value is offered until the next reload.
    EXPECT_TRUE(list.addValue(QStringLiteral("Typed")));
    EXPECT_EQ(list.items(), QStringList{"Typed"});
    holder.close();
    EXPECT_EQ(readBytes(dataFile(file)), before);
  }
}

TEST_F(LookupTest, TenThousandValuesComeFromTheIndex) {
  std::vector<std::string> values;
  for (int i = 9999; i >= 0; --i) values.push_back("Value " + std::to_string(100000 + i));
  fill("list2.dbf", values);
  LookupList list(QStringLiteral("list2.dbf"));
  ASSERT_TRUE(list.open());
  ASSERT_EQ(list.items().size(), 10000);
  EXPECT_EQ(list.items().front(), "Value 100000");
  EXPECT_EQ(list.items().back(), "Value 109999");
  EXPECT_TRUE(list.addValue(QStringLiteral("Value 0")));
  EXPECT_EQ(list.items().size(), 10001);
  EXPECT_EQ(list.items().front(), "Value 0");
}

TEST_F(LookupTest, TheListEditorChangesFillsAndPacksTheLists) {
  makeDatabase({{"A", 0, "0", "Tolkien"},
                {"B", 0, "0", "Borges"},
                {"C", 0, "0", "Tolkien"},
                {"D", 0, "0", ""}});
  fill("list1.dbf", {"Borges", "Austen"});
  {
    dbase::Table t;
    t.open(dataFile("data.dbf"));
    t.first();
    t.edit();
    t.setString(F(kPublisher), "Allen & Unwin");
    t.post();
  }
  ListEditor editor({{"Author:", "list1.dbf", kAuthor}, {"Publisher:", "list5.dbf", kPublisher}});
  // A list that is not there yet cannot be shown.
  EXPECT_FALSE(editor.select(1));
  EXPECT_EQ(prompter_.texts(), QStringList{"Cannot open the file: list5.dbf"});
  prompter_.shown.clear();
  dbase::Table::copyTable(program_.file("list.dbf"), dataFile("list5.dbf"), true);

  ASSERT_TRUE(editor.select(0));
  ASSERT_EQ(editor.items().size(), 2u);
  EXPECT_EQ(editor.items()[0].text, "Austen");
  EXPECT_TRUE(editor.add(QStringLiteral("Cervantes")));
  EXPECT_TRUE(editor.modify(0, QStringLiteral("Austen, Jane")));
  EXPECT_TRUE(editor.remove(1));  // Borges
  std::vector<QString> shown;
  for (const auto& item : editor.items()) shown.push_back(item.text);
  EXPECT_EQ(shown, (std::vector<QString>{"Austen, Jane", "Cervantes"}));
  EXPECT_FALSE(editor.remove(5));
  EXPECT_EQ(prompter_.texts(), QStringList{"Could not Delete the Item!"});
  prompter_.shown.clear();

  // Every list gets the values of its field that it lacks, each once.
  ASSERT_TRUE(editor.updateLists(appSettings().databaseDir, appSettings().tableName));
  EXPECT_EQ(stored("list1.dbf"),
            (std::vector<std::string>{"Austen, Jane", "Cervantes", "Tolkien", "Borges"}));
  EXPECT_EQ(stored("list5.dbf"), std::vector<std::string>{"Allen & Unwin"});
  EXPECT_EQ(editor.selected(), 0);
  EXPECT_TRUE(prompter_.shown.empty());

  // The deleted value leaves the file when the lists are packed.
  EXPECT_EQ(physical("list1.dbf"), 5u);
  editor.packAll();
  EXPECT_EQ(physical("list1.dbf"), 4u);
  EXPECT_EQ(stored("list1.dbf").size(), 4u);
}

}  // namespace
}  // namespace storetest
