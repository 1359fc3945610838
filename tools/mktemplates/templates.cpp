#include "templates.h"

#include <filesystem>
#include <fstream>

#include "dbase/table.h"

namespace templates {

namespace {

namespace fs = std::filesystem;
using dbase::FieldDef;
using dbase::FieldType;
using dbase::TagDef;

constexpr FieldType C = FieldType::Character;
constexpr FieldType N = FieldType::Numeric;
constexpr FieldType D = FieldType::Date;
constexpr FieldType M = FieldType::Memo;
constexpr FieldType B = FieldType::Binary;

// Offsets of the "last update" date (YY MM DD, YY = year - 1900).
constexpr std::streamoff kDbfStampOffset = 1;
constexpr std::streamoff kMdxStampOffset = 44;

std::string Join(const std::string& dir, const std::string& name) {
  return (fs::path(dir) / name).string();
}

void Stamp(const std::string& path, std::streamoff offset) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  if (!f) throw dbase::Error(path, "cannot open to set its date");
  const char date[3] = {static_cast<char>(kStampYear - 1900), static_cast<char>(kStampMonth),
                        static_cast<char>(kStampDay)};
  f.seekp(offset);
  f.write(date, sizeof date);
  if (!f) throw dbase::Error(path, "cannot set its date");
}

// The engine names companions after the table; find one by extension.
std::string Companion(const std::string& dbf, const std::string& ext) {
  const fs::path p(dbf);
  for (const auto& e : fs::directory_iterator(p.parent_path())) {
    std::string name = e.path().filename().string();
    std::string stem = e.path().stem().string();
    std::string x = e.path().extension().string();
    auto lower = [](std::string s) {
      for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      return s;
    };
    if (lower(stem) == lower(p.stem().string()) && lower(x) == lower(ext)) return e.path().string();
  }
  return {};
}

}  // namespace

const TemplateTable& RecordTable() {
  // Field 0 the record number, field 1 the filter mark, then the 22 user fields.
  static const TemplateTable t{
      "data.dbf",
      "DATA.MDX",
      {
          {"RECNO", N, 10, 0},   {"MARK", C, 1, 0},       {"TITLE", C, 120, 0},
          {"AUTHOR", C, 40, 0},  {"COAUTHORS", C, 60, 0}, {"CATEGORY", C, 30, 0},
          {"FORMAT", C, 20, 0},  {"RATING", C, 10, 0},    {"PUBLISHER", C, 40, 0},
          {"PUBDATE", D, 8, 0},  {"VALUE", N, 12, 2},     {"ISBN", C, 20, 0},
          {"PAGES", C, 10, 0},   {"KEYWORDS", C, 60, 0},  {"TYPE", C, 20, 0},
          {"STATUS", C, 20, 0},  {"CUSTOM1", C, 40, 0},   {"CUSTOM2", C, 40, 0},
          {"CUSTOM3", D, 8, 0},  {"CUSTOM4", D, 8, 0},    {"CUSTOM5", N, 12, 2},
          {"CUSTOM6", N, 12, 2}, {"NOTES", M, 10, 0},     {"PICTURE", B, 10, 0},
      },
      // The keys the sort code builds for entry order (field 0 ascending) and
      // for the title, so a new database sorts without making a tag. Deleted
      // records stay out of them, as out of every tag the sort code makes
      // (kLiveRecordsFilter): counts and positions then come from the index.
      {
          {"IDX0", "STR(RECNO, 20, 4)", false, false, ".NOT.DELETED()"},
          {"IDX1", "UPPER(SUBSTR(TITLE, 1, 99))", false, false, ".NOT.DELETED()"},
      },
  };
  return t;
}

const TemplateTable& CatalogTable() {
  static const TemplateTable t{
      "master.dbf",
      "",
      {
          {"FILENAME", C, 12, 0},
          {"DBNAME", C, 40, 0},
          {"DESCRIPT", C, 250, 0},
          {"LASTRECNO", N, 10, 0},
      },
      {{"IDX0", "FILENAME", false, false, ""}},
  };
  return t;
}

const TemplateTable& ListTable() {
  // As wide as the widest field that has a lookup list.
  static const TemplateTable t{
      "list.dbf",
      "",
      {{"ITEM", C, 40, 0}},
      {{"IDX", "ITEM", false, false, ""}},
  };
  return t;
}

std::vector<const TemplateTable*> AllTemplates() {
  return {&RecordTable(), &CatalogTable(), &ListTable()};
}

void WriteTemplate(const TemplateTable& t, const std::string& dir) {
  const std::string dbf = Join(dir, t.fileName);
  if (dbase::Table::resolve(dbf)) dbase::Table::deleteTable(dbf);
  dbase::Table::create(dbf, t.fields, t.tags);
  Stamp(dbf, kDbfStampOffset);
  const std::string mdx = Companion(dbf, ".mdx");
  if (!mdx.empty()) {
    // Both the creation date and the last update, or a build on another day
    // writes other bytes.
    Stamp(mdx, kDbfStampOffset);
    Stamp(mdx, kMdxStampOffset);
    if (!t.indexName.empty() && fs::path(mdx).filename() != t.indexName)
      fs::rename(mdx, Join(dir, t.indexName));
  }
}

void WriteTemplates(const std::string& dir) {
  fs::create_directories(dir);
  for (const TemplateTable* t : AllTemplates()) WriteTemplate(*t, dir);
}

}  // namespace templates
