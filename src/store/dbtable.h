#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "dbase/table.h"

// A dBASE table object as the program sees one: directory, table name,
// exclusive flag and active tag are set while it is closed and take effect on
// Open(). The field and index definitions stay readable while it is closed.
class TDbTable {
 public:
  TDbTable();
  TDbTable(const TDbTable&) = delete;
  TDbTable& operator=(const TDbTable&) = delete;

  QString DatabaseName;  // directory
  QString TableName;     // file name with extension
  bool Exclusive = false;
  std::string IndexName;  // active tag; empty = natural order

  // Throws dbase::Error; a failure leaves the object closed.
  void Open();
  void Close();
  bool Active() const { return engine_->isOpen(); }

  // Directory + table name.
  QString FilePath() const;
  std::string NativePath() const;

  // Re-reads the field and tag definitions (opening the file briefly when closed).
  void RefreshDefinitions();
  const std::vector<dbase::FieldDef>& FieldDefs() const { return fields_; }
  const std::vector<dbase::TagDef>& IndexDefs() const { return tags_; }

  dbase::Table& Engine() { return *engine_; }
  const dbase::Table& Engine() const { return *engine_; }

 private:
  std::unique_ptr<dbase::Table> engine_;
  std::vector<dbase::FieldDef> fields_;  // as last read
  std::vector<dbase::TagDef> tags_;
};

// Paths between Qt and the engine.
std::string ToNativePath(const QString& path);
bool TableFileExists(const QString& path);
