#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "dbase/table.h"

// A dBASE table object as the program sees one: directory, table name,
// exclusive flag and active tag are set while it is closed and take effect on
// Open(). The field and index definitions stay readable while it is closed.
class DbTable {
 public:
  DbTable();
  ~DbTable();
  DbTable(const DbTable&) = delete;
  DbTable& operator=(const DbTable&) = delete;

  QString databaseName;  // directory
  QString tableName;     // file name with extension
  bool exclusive = false;
  bool readOnly = false;  // the engine refuses every change
  std::string indexName;  // active tag; empty = natural order

  // Throws dbase::Error; a failure leaves the object closed.
  void open();
  void close();
  bool active() const { return engine_->isOpen(); }

  // Directory + table name.
  QString filePath() const;
  std::string nativePath() const;

  // Re-reads the field and tag definitions (opening the file briefly when closed).
  void refreshDefinitions();
  const std::vector<dbase::FieldDef>& fieldDefs() const { return fields_; }
  const std::vector<dbase::TagDef>& indexDefs() const { return tags_; }

  dbase::Table& engine() { return *engine_; }
  const dbase::Table& engine() const { return *engine_; }

  // Every table object of the program on the file of `path` (.dbf, .mdx or
  // .dbt of one family), so a repair can let go of the file and take it again.
  static std::vector<DbTable*> onFile(const std::string& path);

 private:
  std::unique_ptr<dbase::Table> engine_;
  std::vector<dbase::FieldDef> fields_;  // as last read
  std::vector<dbase::TagDef> tags_;
};

// Paths between Qt and the engine.
std::string toNativePath(const QString& path);
bool tableFileExists(const QString& path);
