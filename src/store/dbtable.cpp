#include "store/dbtable.h"

#include <QFile>

#include "core/settings.h"

std::string toNativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool tableFileExists(const QString& path) {
  return dbase::Table::resolve(toNativePath(path)).has_value();
}

DbTable::DbTable() : engine_(std::make_unique<dbase::Table>()) {}

QString DbTable::filePath() const { return joinPath(databaseName, tableName); }

std::string DbTable::nativePath() const { return toNativePath(filePath()); }

void DbTable::open() {
  if (engine_->isOpen()) return;
  engine_->open(nativePath(), exclusive ? dbase::OpenMode::Exclusive : dbase::OpenMode::Shared);
  try {
    fields_ = engine_->fields();
    tags_ = engine_->tags();
    if (!indexName.empty()) engine_->setActiveTag(indexName);
  } catch (...) {
    engine_->close();
    throw;
  }
}

void DbTable::close() { engine_->close(); }

void DbTable::refreshDefinitions() {
  if (engine_->isOpen()) {
    engine_->refreshDefinitions();
    if (!indexName.empty()) engine_->setActiveTag(indexName);
    fields_ = engine_->fields();
    tags_ = engine_->tags();
    return;
  }
  dbase::Table peek;
  peek.open(nativePath(), dbase::OpenMode::Shared, true);
  fields_ = peek.fields();
  tags_ = peek.tags();
}
