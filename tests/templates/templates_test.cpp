// The template tables that ship in the program directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "dbase/table.h"
#include "templates.h"

namespace {

namespace fs = std::filesystem;
using dbase::FieldType;

std::string programDir() {
  const char* bin = std::getenv("TOMES_BIN");
  return bin ? bin : "";
}

std::string fileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::string bytes(static_cast<size_t>(fs::file_size(p)), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("tpl_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

struct Expected {
  const char* name;
  FieldType type;
  int length;
  int decimals;
};

void expectFields(const dbase::Table& t, const std::vector<Expected>& want) {
  const auto& f = t.fields();
  ASSERT_EQ(f.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE("field " + std::to_string(i));
    EXPECT_EQ(f[i].name, want[i].name);
    EXPECT_EQ(f[i].type, want[i].type);
    EXPECT_EQ(f[i].length, want[i].length);
    EXPECT_EQ(f[i].decimals, want[i].decimals);
  }
}

class ShippedTemplates : public ::testing::Test {
 protected:
  void SetUp() override {
    if (programDir().empty() || !fs::exists(fs::path(programDir()) / "data.dbf"))
      GTEST_SKIP() << "TOMES_BIN holds no generated templates";
  }
  std::string path(const char* name) const { return (fs::path(programDir()) / name).string(); }
};

TEST_F(ShippedTemplates, RecordTableHasNumberMarkAndTheUserFieldsInOrder) {
  dbase::Table t;
  t.open(path("data.dbf"), dbase::OpenMode::Shared, true);
  const FieldType C = FieldType::Character, N = FieldType::Numeric, D = FieldType::Date;
  expectFields(t, {{"RECNO", N, 10, 0},
                   {"MARK", C, 1, 0},
                   {"TITLE", C, 120, 0},
                   {"AUTHOR", C, 40, 0},
                   {"COAUTHORS", C, 60, 0},
                   {"CATEGORY", C, 30, 0},
                   {"FORMAT", C, 20, 0},
                   {"RATING", C, 10, 0},
                   {"PUBLISHER", C, 40, 0},
                   {"PUBDATE", D, 8, 0},
                   {"VALUE", N, 12, 2},
                   {"ISBN", C, 20, 0},
                   {"PAGES", C, 10, 0},
                   {"KEYWORDS", C, 60, 0},
                   {"TYPE", C, 20, 0},
                   {"STATUS", C, 20, 0},
                   {"CUSTOM1", C, 40, 0},
                   {"CUSTOM2", C, 40, 0},
                   {"CUSTOM3", D, 8, 0},
                   {"CUSTOM4", D, 8, 0},
                   {"CUSTOM5", N, 12, 2},
                   {"CUSTOM6", N, 12, 2},
                   {"NOTES", FieldType::Memo, 10, 0},
                   {"PICTURE", FieldType::Binary, 10, 0}});
  EXPECT_EQ(t.versionByte(), 0x8B);  // dBASE IV with memo file
  EXPECT_EQ(t.recordCount(), 0u);
}

TEST_F(ShippedTemplates, RecordTableTagsAreTheEntryOrderAndTitleSortKeys) {
  dbase::Table t;
  t.open(path("data.dbf"), dbase::OpenMode::Shared, true);
  auto tags = t.tags();
  ASSERT_EQ(tags.size(), 2u);
  // Field 0 ascending and a title over 99 characters, as the sort code words them.
  EXPECT_EQ(tags[0].name, "IDX0");
  EXPECT_EQ(tags[0].expression, "STR(RECNO, 20, 4)");
  EXPECT_EQ(tags[1].name, "IDX1");
  EXPECT_EQ(tags[1].expression, "UPPER(SUBSTR(TITLE, 1, 99))");
  for (const auto& tag : tags) {
    EXPECT_FALSE(tag.descending) << tag.name;
    EXPECT_FALSE(tag.unique) << tag.name;
    // Deleted records stay out: counts and positions come from the index.
    EXPECT_EQ(tag.filter, ".NOT.DELETED()") << tag.name;
  }
  // The production index keeps the upper-case name other tools look for.
  EXPECT_TRUE(fs::exists(path("DATA.MDX")));
}

TEST_F(ShippedTemplates, CatalogueHasFileNameNameDescriptionAndCounter) {
  dbase::Table t;
  t.open(path("master.dbf"), dbase::OpenMode::Shared, true);
  const FieldType C = FieldType::Character;
  expectFields(t, {{"FILENAME", C, 12, 0},
                   {"DBNAME", C, 40, 0},
                   {"DESCRIPT", C, 250, 0},
                   {"LASTRECNO", FieldType::Numeric, 10, 0}});
  auto tags = t.tags();
  ASSERT_EQ(tags.size(), 1u);
  EXPECT_EQ(tags[0].name, "IDX0");
  EXPECT_EQ(tags[0].expression, "FILENAME");
}

TEST_F(ShippedTemplates, ListTableHasOneTextFieldWithTagIdx) {
  dbase::Table t;
  t.open(path("list.dbf"), dbase::OpenMode::Shared, true);
  ASSERT_EQ(t.fields().size(), 1u);
  EXPECT_EQ(t.fields()[0].type, FieldType::Character);
  // Wide enough for the widest field that has a lookup list.
  EXPECT_EQ(t.fields()[0].length, 40);
  auto tags = t.tags();
  ASSERT_EQ(tags.size(), 1u);
  EXPECT_EQ(tags[0].name, "IDX");
  EXPECT_EQ(tags[0].expression, t.fields()[0].name);
}

TEST_F(ShippedTemplates, TagsFindTheirKeysOnceRecordsAreAdded) {
  TempDir dir;
  dbase::Table::copyTable(path("data.dbf"), (dir.path() / "data.dbf").string(), false);
  dbase::Table t;
  t.open((dir.path() / "data.dbf").string(), dbase::OpenMode::Exclusive);
  const char* titles[] = {"Walden", "emma", "Middlemarch"};
  int n = 0;
  for (const char* title : titles) {
    t.append();
    t.setNumber(0, ++n);
    t.setString(1, "0");
    t.setString(2, title);
    t.post();
  }
  t.setActiveTag("IDX1");
  std::vector<std::string> order;
  for (t.first(); !t.eof(); t.next()) order.push_back(t.asString(2));
  EXPECT_EQ(order, (std::vector<std::string>{"emma", "Middlemarch", "Walden"}));
  t.setActiveTag("IDX0");
  std::string key = "2.0000";
  key.insert(0, 20 - key.size(), ' ');  // STR(n, 20, 4)
  EXPECT_TRUE(t.findKey(key));
  EXPECT_EQ(t.asString(2), "emma");
}

TEST(TemplateGenerator, WritesIdenticalBytesEveryTimeAndOverOldCopies) {
  TempDir a, b;
  templates::WriteTemplates(a.str());
  templates::WriteTemplates(b.str());
  const auto expectSame = [&] {
    int files = 0;
    for (const auto& e : fs::directory_iterator(a.path())) {
      SCOPED_TRACE(e.path().filename().string());
      ASSERT_TRUE(fs::exists(b.path() / e.path().filename()));
      EXPECT_EQ(fileBytes(e.path()), fileBytes(b.path() / e.path().filename()));
      ++files;
    }
    EXPECT_EQ(files, 7);  // three tables, three indexes, one memo file
  };
  expectSame();
  // A used copy in the way is replaced, not appended to.
  {
    dbase::Table t;
    t.open((b.path() / "list.dbf").string(), dbase::OpenMode::Exclusive);
    t.append();
    t.setString(0, "Fiction");
    t.post();
  }
  templates::WriteTemplates(b.str());
  expectSame();
}

TEST(TemplateGenerator, HeadersCarryTheFixedDateNotToday) {
  TempDir a;
  templates::WriteTemplates(a.str());
  for (const char* name : {"data.dbf", "master.dbf", "list.dbf"}) {
    std::string bytes = fileBytes(a.path() / name);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]) + 1900, templates::kStampYear) << name;
    EXPECT_EQ(bytes[2], templates::kStampMonth) << name;
    EXPECT_EQ(bytes[3], templates::kStampDay) << name;
  }
}

TEST_F(ShippedTemplates, MatchWhatTheGeneratorWritesNow) {
  TempDir a;
  templates::WriteTemplates(a.str());
  for (const auto& e : fs::directory_iterator(a.path()))
    EXPECT_EQ(fileBytes(e.path()), fileBytes(fs::path(programDir()) / e.path().filename()))
        << e.path().filename();
}

TEST_F(ShippedTemplates, OpenInPerlXBase) {
  if (std::system("command -v dbf_dump >/dev/null 2>&1") != 0) GTEST_SKIP() << "no dbf_dump";
  for (const char* name : {"data.dbf", "master.dbf", "list.dbf"}) {
    std::string cmd = "dbf_dump --info '" + path(name) + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << name;
  }
  // The production index as Perl's reader walks it.
  if (std::system("command -v index_dump >/dev/null 2>&1") == 0) {
    std::string cmd = "index_dump '" + path("DATA.MDX") + "' 2>/dev/null | grep -qx IDX1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
}

}  // namespace
