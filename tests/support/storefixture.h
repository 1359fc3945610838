#pragma once

// A program directory with the template tables and an empty database
// directory per test, and the store's process-wide state reset.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QString>
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbase/table.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/recordtable.h"
// GCC sees the optional<QString> copy in the scripted prompter as maybe uninitialized.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "support/scriptedprompter.h"
#pragma GCC diagnostic pop
#include "core/settings.h"
#include "store/sortstate.h"
#include "store/storehooks.h"

namespace storetest {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "store-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  QString qpath() const { return QString::fromStdString(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// User field k is field 2 + k.
enum UserField {
  kTitle = 0,
  kAuthor,
  kCoAuthors,
  kCategory,
  kFormat,
  kRating,
  kPublisher,
  kPublished,
  kValue,
  kIsbn,
  kPages,
  kKeywords,
  kType,
  kStatus,
  kCustom1,
  kCustom2,
  kCustom3,
  kCustom4,
  kCustom5,
  kCustom6,
  kNotes,
  kPicture
};
constexpr int F(UserField k) { return 2 + static_cast<int>(k); }

inline std::vector<dbase::FieldDef> recordFields() {
  using T = dbase::FieldType;
  return {{"NUMBER", T::Numeric, 10, 0},      {"MARK", T::Character, 1, 0},
          {"TITLE", T::Character, 120, 0},    {"AUTHOR", T::Character, 40, 0},
          {"COAUTHORS", T::Character, 60, 0}, {"CATEGORY", T::Character, 30, 0},
          {"FORMAT", T::Character, 20, 0},    {"RATING", T::Character, 10, 0},
          {"PUBLISHER", T::Character, 40, 0}, {"PUBLISHED", T::Date, 8, 0},
          {"VALUE", T::Numeric, 12, 2},       {"ISBN", T::Character, 20, 0},
          {"PAGES", T::Character, 10, 0},     {"KEYWORDS", T::Character, 60, 0},
          {"TYPE", T::Character, 20, 0},      {"STATUS", T::Character, 20, 0},
          {"CUSTOM1", T::Character, 40, 0},   {"CUSTOM2", T::Character, 40, 0},
          {"CUSTOM3", T::Date, 8, 0},         {"CUSTOM4", T::Date, 8, 0},
          {"CUSTOM5", T::Numeric, 12, 2},     {"CUSTOM6", T::Numeric, 12, 2},
          {"NOTES", T::Memo, 10, 0},          {"PICTURE", T::Binary, 10, 0}};
}

// The template tables of a program directory: data.dbf with DATA.MDX (tags
// IDX0 entry order, IDX1 title), master.dbf with IDX0 and the lookup list
// list.dbf with IDX.
inline void writeTemplates(const TempDir& dir) {
  dbase::Table::create(dir.file("data.dbf"), recordFields(),
                       {{"IDX0", "STR(NUMBER, 20, 4)", false, false, ""},
                        {"IDX1", "UPPER(SUBSTR(TITLE, 1, 99))", false, false, ""}});
  // The template ships its index as DATA.MDX.
  std::filesystem::rename(dir.file("data.mdx"), dir.file("DATA.MDX"));
  using T = dbase::FieldType;
  dbase::Table::create(dir.file("master.dbf"),
                       {{"FILENAME", T::Character, 12, 0},
                        {"DBNAME", T::Character, 40, 0},
                        {"DESCRIPT", T::Character, 250, 0},
                        {"COUNTER", T::Numeric, 10, 0}},
                       {{"IDX0", "FILENAME", false, false, ""}});
  dbase::Table::create(dir.file("list.dbf"), {{"ITEM", T::Character, 40, 0}},
                       {{"IDX", "ITEM", false, false, ""}});
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string out;
  char buf[4096];
  while (in.read(buf, sizeof buf) || in.gcount() > 0)
    out.append(buf, static_cast<size_t>(in.gcount()));
  return out;
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A little-endian 16-bit number of a file's bytes, as a table header holds its lengths.
inline size_t le16(const std::string& bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) | static_cast<size_t>(static_cast<uint8_t>(bytes[at + 1]))
                                               << 8;
}

using Strings = std::vector<std::string>;

// One book for AddBooks: title, then optional value and mark.
struct Book {
  std::string title;
  double value = 0;
  std::string mark = "0";
  std::string author = {};
};

class StoreTest : public ::testing::Test {
 protected:
  TempDir program_;
  TempDir data_;
  ScriptedPrompter prompter_;
  StoreTables tables_;

  void SetUp() override {
    writeTemplates(program_);
    AppSettings& s = appSettings();
    s = AppSettings{};
    s.programDir = program_.qpath();
    s.databaseDir = data_.qpath();
    s.homeDir = data_.qpath();
    s.tableName = QStringLiteral("data.dbf");
    sortState() = SortState{};
    storeHooks() = StoreHooks{};
    letterCounts().fill(0);
  }
  void TearDown() override {
    tables_.records.close();
    tables_.copy.close();
    tables_.catalogue.close();
    sortState().table = nullptr;
  }

  std::string dataFile(const std::string& name) const { return data_.file(name); }

  // A database with these books, made the way the program makes one.
  void makeDatabase(const std::vector<Book>& books) {
    dbase::Table::copyTable(program_.file("data.dbf"), dataFile("data.dbf"), false);
    addBooks(books);
  }
  void addBooks(const std::vector<Book>& books) {
    dbase::Table t;
    t.open(dataFile("data.dbf"));
    for (const Book& b : books) {
      t.append();
      t.setNumber(0, static_cast<double>(t.physicalCount() + 1));
      t.setString(1, b.mark);
      t.setString(F(kTitle), b.title);
      t.setString(F(kAuthor), b.author);
      t.setNumber(F(kValue), b.value);
      t.post();
    }
  }
  // The record table opened as OpenDatabase opens it, sorted as given.
  bool openSorted(int first, bool firstDesc = false, int second = 0, bool secondDesc = false) {
    SortState& s = sortState();
    s.table = &tables_.records;
    if (!openTable(tables_.records, appSettings().tableName, false)) return false;
    tables_.records.refreshDefinitions();
    rebuildFieldSets(tables_.records);
    s.firstField = static_cast<uint8_t>(first);
    s.firstDescending = firstDesc;
    s.secondField = static_cast<uint8_t>(second);
    s.secondDescending = secondDesc;
    return applySort();
  }
  // Field `field` of every record in the table's current order and range.
  std::vector<std::string> listing(int field) {
    std::vector<std::string> out;
    dbase::Table& t = tables_.records.engine();
    for (t.first(); !t.eof(); t.next()) out.push_back(t.asString(field));
    return out;
  }
  // Changes the first record of a table behind the store's back.
  template <class Change>
  void editFirstRecord(Change change, const std::string& file = "data.dbf") {
    dbase::Table t;
    t.open(dataFile(file));
    t.first();
    t.edit();
    change(t);
    t.post();
  }
  // Overwrites the bytes of a field of data.dbf's first record.
  void patchFirstRecord(int field, const std::string& bytes) {
    std::string file = readBytes(dataFile("data.dbf"));
    size_t at = le16(file, 8) + 1;
    for (int f = 0; f < field; ++f) at += recordFields()[size_t(f)].length;
    file.replace(at, bytes.size(), bytes);
    writeBytes(dataFile("data.dbf"), file);
  }
  // Adds tags to the record table, as an earlier sort or another program left them.
  void addTags(const std::vector<dbase::TagDef>& tags) {
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Exclusive);
    for (const dbase::TagDef& d : tags) t.addTag(d);
  }
  std::vector<std::string> tagNames() {
    std::vector<std::string> out;
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Shared, true);
    for (const auto& tag : t.tags()) out.push_back(tag.name);
    return out;
  }
};

}  // namespace storetest
