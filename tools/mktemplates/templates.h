#pragma once

#include <string>
#include <vector>

#include "dbase/types.h"

// The template tables that ship in the program directory. Every new record
// table, catalogue and lookup list is a copy of one of them, so their layout is
// declared here once and written by the build.
namespace templates {

struct TemplateTable {
  std::string fileName;   // as it lies in the program directory
  std::string indexName;  // production index file name, empty when it keeps the engine's
  std::vector<dbase::FieldDef> fields;
  std::vector<dbase::TagDef> tags;
};

// Header "last update" stamped into every shipped file, so builds are byte-identical.
inline constexpr int kStampYear = 2026;
inline constexpr int kStampMonth = 1;
inline constexpr int kStampDay = 1;

const TemplateTable& RecordTable();   // data.dbf with DATA.MDX and its memo file
const TemplateTable& CatalogTable();  // master.dbf
const TemplateTable& ListTable();     // list.dbf
std::vector<const TemplateTable*> AllTemplates();

// Writes every template family into dir, replacing older copies. Throws dbase::Error.
void WriteTemplates(const std::string& dir);
// Writes one family into dir (replacing it).
void WriteTemplate(const TemplateTable& t, const std::string& dir);

}  // namespace templates
