#include "store/tablerescue.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <set>
#include <utility>
#include <vector>

#include "core/progress.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "store/dbtable.h"
#include "store/recordtable.h"
#include "store/sortstate.h"
#include "store/storehooks.h"

namespace {

bool isIndexFile(const std::string& file) {
  return QString::fromStdString(file).endsWith(QStringLiteral(".mdx"), Qt::CaseInsensitive);
}

bool isTableFile(const std::string& file) {
  return QString::fromStdString(file).endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive);
}

QString baseName(const QString& fileName) {
  const int dot = fileName.lastIndexOf(u'.');
  return dot < 0 ? fileName : fileName.left(dot);
}

// A file of the family that exists but may not be written: the table is then
// read-only on purpose, not damaged, and needs no notice.
bool writeProtected(const DbTable& table) {
  const QString base = joinPath(table.databaseName, baseName(table.tableName));
  for (const QString& path :
       {table.filePath(), base + QStringLiteral(".mdx"), base + QStringLiteral(".dbt")}) {
    const auto found = dbase::Table::resolve(toNativePath(path));
    if (found && !QFileInfo(QFile::decodeName(found->c_str())).isWritable()) return true;
  }
  return false;
}

// Opens for reading; without its tag when the index cannot give it.
void openReading(DbTable& t) {
  t.exclusive = false;
  t.readOnly = true;
  try {
    t.open();
    return;
  } catch (const dbase::Error&) {
    if (t.indexName.empty()) throw;
  }
  t.indexName.clear();
  t.open();
}

// Every table object on the file reads it from now on; the database is read-only.
void reopenReadOnly(DbTable& table, bool naturalOrder) {
  for (DbTable* t : DbTable::onFile(table.nativePath())) {
    const bool wasOpen = t->active() || t == &table;
    t->close();
    if (naturalOrder) t->indexName.clear();
    t->readOnly = true;
    if (!wasOpen) continue;
    try {
      openReading(*t);
    } catch (const dbase::Error& e) {
      setLastEngineError(e.what());
    }
  }
  appSettings().tablesReadOnly = true;
}

std::vector<dbase::TagDef> tagsOf(const std::string& path) {
  dbase::Table peek;
  peek.open(path, dbase::OpenMode::Shared, true);
  return peek.indexProblem().empty() ? peek.tags() : std::vector<dbase::TagDef>{};
}

// The tags to build: the index's own while its definitions can be read, else
// those of the shipped table of that name (or of the record table template).
std::vector<std::vector<dbase::TagDef>> candidateTags(const DbTable& table) {
  std::vector<std::vector<dbase::TagDef>> candidates;
  auto add = [&](const std::string& path) {
    try {
      auto tags = tagsOf(path);
      if (!tags.empty()) candidates.push_back(std::move(tags));
    } catch (const dbase::Error&) {
    }
  };
  add(table.nativePath());
  const QString programDir = appSettings().programDir;
  if (programDir.isEmpty()) return candidates;
  for (const QString& name : {table.tableName, AppSettings::defaultTableName}) {
    const QString shipped = joinPath(programDir, name);
    if (tableFileExists(shipped) && toNativePath(shipped) != table.nativePath()) {
      add(toNativePath(shipped));
      break;
    }
  }
  return candidates;
}

bool rebuildIndex(DbTable& table) {
  const std::string path = table.nativePath();
  const auto candidates = candidateTags(table);
  if (candidates.empty()) {
    setLastEngineError(path + ": the index's tags cannot be read");
    return false;
  }
  std::vector<std::pair<DbTable*, bool>> family;
  for (DbTable* t : DbTable::onFile(path)) {
    family.emplace_back(t, t->active() || t == &table);
    t->close();
  }
  bool rebuilt = false;
  Progress& bar = progress();
  bar.open(kRebuildCaption);
  for (const auto& tags : candidates) {
    try {
      dbase::Table::rebuildIndex(path, tags, [&bar](size_t built, size_t total) {
        bar.setPosition(static_cast<qint64>(built), static_cast<qint64>(total));
      });
      rebuilt = true;
      break;
    } catch (const dbase::ExpressionError& e) {
      setLastEngineError(e.what());  // definitions that do not fit: try the next
    } catch (const dbase::Error& e) {
      setLastEngineError(e.what());
      break;
    }
  }
  bar.close();
  for (auto [t, wasOpen] : family) {
    if (!wasOpen) continue;
    try {
      t->open();
    } catch (const dbase::Error& e) {
      setLastEngineError(e.what());
    }
  }
  return rebuilt;
}

// Tables whose index was rebuilt this run: failing again, they are only read.
std::set<std::string>& rebuiltFiles() {
  static std::set<std::string> files;
  return files;
}

void showOnce(MsgKind kind, const QString& text) {
  static QSet<QString> shown;
  if (shown.contains(text)) return;
  shown.insert(text);
  showMessage(kind, text);
}

// The views follow a table that changed under them.
void tableChanged(const DbTable& table, bool wentReadOnly) {
  if (!sortState().table || sortState().table->nativePath() != table.nativePath()) return;
  try {
    if (wentReadOnly) callHook(storeHooks().accessChanged);
    callHook(storeHooks().indexChanged);
  } catch (const std::exception& e) {
    reportEngineFailure(e);
  }
}

std::exception_ptr copyOf(const std::exception& e) {
  if (const auto* x = dynamic_cast<const dbase::LockError*>(&e)) return std::make_exception_ptr(*x);
  if (const auto* x = dynamic_cast<const dbase::FormatError*>(&e))
    return std::make_exception_ptr(*x);
  if (const auto* x = dynamic_cast<const dbase::ExpressionError*>(&e))
    return std::make_exception_ptr(*x);
  if (const auto* x = dynamic_cast<const dbase::Error*>(&e)) return std::make_exception_ptr(*x);
  return std::make_exception_ptr(std::runtime_error(e.what()));
}

bool g_reportPending = false;
bool g_handling = false;

}  // namespace

QString indexDamagedQuestion(const QString& tableName, const QString& reason) {
  return QStringLiteral("The index of ") + tableName + QStringLiteral(" cannot be used:\r") +
         reason + QStringLiteral("\r\rRebuild it from the records now?");
}

QString readOnlyNotice(const QString& tableName, const QString& reason) {
  return tableName + QStringLiteral(" cannot be written:\r") + reason +
         QStringLiteral("\r\rThe database is opened in Read Only Mode.");
}

bool offerIndexRebuild(DbTable& table, const QString& reason) {
  if (table.readOnly || rebuiltFiles().count(table.nativePath())) return false;
  if (!askYesNo(MsgKind::Warning, indexDamagedQuestion(table.tableName, reason))) return false;
  callHook(storeHooks().busyCursor, true);
  const bool rebuilt = rebuildIndex(table);
  callHook(storeHooks().busyCursor, false);
  if (!rebuilt) {
    showMessage(MsgKind::Error, QStringLiteral("The index could not be rebuilt:\r") +
                                    QString::fromStdString(lastEngineError()));
    return false;
  }
  rebuiltFiles().insert(table.nativePath());
  return true;
}

bool openTableOrRescue(DbTable& table, const QString& name) {
  const QString dir = appSettings().databaseDir;
  if (!tableFileExists(joinPath(dir, name))) return false;
  table.close();
  table.databaseName = dir;
  table.tableName = name;
  table.exclusive = false;
  table.readOnly = false;
  QString reason;
  try {
    table.open();
    return true;
  } catch (const dbase::LockError& e) {
    // Another user holds the table: retried and asked about as always. An
    // unfinished index they keep open is rebuilt by the next sole writer.
    if (!isIndexFile(e.file())) return openTable(table, name, false);
    setLastEngineError(e.what());
    reason = QString::fromStdString(e.what());
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
    reason = QString::fromStdString(e.what());
    // A write-protected index is not damaged: it is only read, like the table.
    if (isIndexFile(e.file()) && !writeProtected(table) && offerIndexRebuild(table, reason)) {
      try {
        table.open();
        return true;
      } catch (const dbase::Error& again) {
        setLastEngineError(again.what());
        reason = QString::fromStdString(again.what());
      }
    }
  }
  const bool quiet = writeProtected(table);
  try {
    openReading(table);
  } catch (const dbase::Error& e) {
    // Not even readable: retried and asked about as always.
    setLastEngineError(e.what());
    table.readOnly = false;
    return openTable(table, name, false);
  }
  appSettings().tablesReadOnly = true;
  if (!quiet) showMessage(MsgKind::Warning, readOnlyNotice(name, reason));
  return true;
}

bool isIndexFailure(const std::exception& error) {
  const auto* e = dynamic_cast<const dbase::Error*>(&error);
  return e && !dynamic_cast<const dbase::LockError*>(&error) && isIndexFile(e->file());
}

void reportEngineFailure(const std::exception& error) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) {
    handleEngineFailure(error);
    return;
  }
  if (g_reportPending || g_handling) return;  // one at a time; a lasting fault comes back
  g_reportPending = true;
  QMetaObject::invokeMethod(
      app,
      [failure = copyOf(error)] {
        g_reportPending = false;
        try {
          std::rethrow_exception(failure);
        } catch (const std::exception& e) {
          handleEngineFailure(e);
        }
      },
      Qt::QueuedConnection);
}

void handleEngineFailure(const std::exception& error) {
  if (g_handling) return;
  g_handling = true;
  struct Done {
    ~Done() { g_handling = false; }
  } done;
  const QString text = QString::fromStdString(error.what());
  const auto* engineError = dynamic_cast<const dbase::Error*>(&error);
  const bool lock = dynamic_cast<const dbase::LockError*>(&error) != nullptr;
  DbTable* table = nullptr;
  if (engineError && !lock) {
    for (DbTable* t : DbTable::onFile(engineError->file()))
      if (t->active() && (!table || t == sortState().table)) table = t;
  }
  if (table && isIndexFile(engineError->file())) {
    if (offerIndexRebuild(*table, text)) {
      tableChanged(*table, false);
      return;
    }
    if (shuttingDown()) return;  // the views are closing: nothing more to show
    // Without a usable index the records are read in the order they were entered.
    const bool wasReadOnly = table->readOnly;
    reopenReadOnly(*table, true);
    if (wasReadOnly)
      showOnce(MsgKind::Warning, text + QStringLiteral("\rThe records are shown unsorted."));
    tableChanged(*table, true);
    return;
  }
  if (table && !table->readOnly && isTableFile(engineError->file()) &&
      dynamic_cast<const dbase::FormatError*>(&error)) {
    reopenReadOnly(*table, false);
    showOnce(MsgKind::Warning, readOnlyNotice(table->tableName, text));
    tableChanged(*table, true);
    return;
  }
  showOnce(MsgKind::Error, text);
}
