#include "store/recordtable.h"

#include <QFile>
#include <QFileInfo>

#include "core/prompt.h"
#include "core/settings.h"
#include "store/sortstate.h"
#include "store/storehooks.h"

namespace {

std::string g_lastError;

constexpr int kSilentRetries = 10;
constexpr qint64 kSortFileSize = 4;

QString baseName(const QString& fileName) {
  const int dot = fileName.lastIndexOf(u'.');
  return dot < 0 ? fileName : fileName.left(dot);
}

bool hasTag(const std::vector<dbase::TagDef>& tags, const std::string& name) {
  for (const auto& t : tags)
    if (QString::fromStdString(t.name).compare(QString::fromStdString(name), Qt::CaseInsensitive) ==
        0)
      return true;
  return false;
}

std::optional<std::string> matchingTag(const std::vector<dbase::TagDef>& tags, const SortState& s) {
  const std::string& expr = s.filtered ? s.filteredKeyExpression : s.keyExpression;
  const uint8_t options = s.filtered ? s.filteredIndexOptions : s.indexOptions;
  for (const auto& t : tags) {
    if (!listsEveryLiveRecord(t.filter)) continue;  // a FOR tag that leaves records out
    if (t.expression == expr && tagOptions(t) == options) return t.name;
  }
  return std::nullopt;
}

void openQuietly(DbTable& table) {
  try {
    table.open();
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
  }
}

}  // namespace

const std::string& lastEngineError() { return g_lastError; }
void setLastEngineError(const std::string& message) { g_lastError = message; }

bool openTable(DbTable& table, const QString& name, bool exclusive) {
  const QString dir = appSettings().databaseDir;
  if (!tableFileExists(joinPath(dir, name))) return false;
  table.close();
  table.databaseName = dir;
  table.tableName = name;
  table.exclusive = exclusive;
  int failures = 0;
  for (;;) {
    try {
      table.open();
      return true;
    } catch (const dbase::Error& e) {
      setLastEngineError(e.what());
      if (++failures <= kSilentRetries) continue;
      if (exclusive) return false;
      if (!askYesNo(MsgKind::Warning, QStringLiteral("Cannot open the file: ") + name +
                                          QStringLiteral("\r") + QStringLiteral("Retry?")))
        return false;
    }
  }
}

bool restoreMissingIndex(DbTable& table) {
  const QString dbf = table.filePath();
  if (!tableFileExists(dbf)) return false;
  const QString mdx = joinPath(table.databaseName, baseName(table.tableName) + ".MDX");
  if (tableFileExists(mdx)) return true;
  const AppSettings& s = appSettings();
  const auto source = dbase::Table::resolve(toNativePath(joinPath(s.programDir, "DATA.MDX")));
  if (!source) return false;
  table.close();
  if (!QFile::copy(QFile::decodeName(source->c_str()), mdx)) return false;
  // The template's index holds no keys: build them from this table's records.
  try {
    std::vector<dbase::TagDef> templateTags;
    {
      dbase::Table tmpl;
      tmpl.open(toNativePath(joinPath(s.programDir, AppSettings::defaultTableName)),
                dbase::OpenMode::Shared, true);
      templateTags = tmpl.tags();
    }
    dbase::Table t;
    t.open(table.nativePath(), dbase::OpenMode::Exclusive);
    if (t.tags().empty()) {
      // The table did not announce an index, so the copy was not taken up.
      for (const auto& tag : templateTags) t.addTag(tag);
    } else {
      t.regenerateTags();
    }
    t.close();
    return true;
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
    QFile::remove(mdx);
    return false;
  }
}

bool ensureOpen(DbTable& table) {
  if (table.active()) return true;
  restoreMissingIndex(table);
  try {
    table.open();
    return true;
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
    return false;
  }
}

bool createFromTemplate(DbTable& table, bool keepIndexes) {
  const AppSettings& s = appSettings();
  try {
    table.close();
    dbase::Table::copyTable(toNativePath(joinPath(s.programDir, AppSettings::defaultTableName)),
                            table.nativePath(), true);
    if (!keepIndexes) deleteAllIndexes(table);
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
    return false;
  }
  return true;
}

void deleteAllIndexes(DbTable& table) {
  table.close();
  table.indexName.clear();
  table.exclusive = true;
  try {
    table.open();
    table.refreshDefinitions();
    auto tags = table.indexDefs();
    for (auto it = tags.rbegin(); it != tags.rend(); ++it) table.engine().deleteTag(it->name);
    table.refreshDefinitions();
  } catch (...) {
    table.close();
    table.exclusive = false;
    throw;
  }
  table.close();
  table.exclusive = false;
}

void rebuildFieldSets(const DbTable& table) {
  AppSettings& s = appSettings();
  s.stringFields.reset();
  s.memoFields.reset();
  s.blobFields.reset();
  const auto& fields = table.fieldDefs();
  for (size_t f = s.firstUserField; f < fields.size() && f < s.stringFields.size(); ++f) {
    switch (fields[f].type) {
      case dbase::FieldType::Character:
        s.stringFields.set(f);
        break;
      case dbase::FieldType::Memo:
        s.memoFields.set(f);
        break;
      case dbase::FieldType::Binary:
        s.blobFields.set(f);
        break;
      default:
        break;
    }
  }
}

QString sortFilePath() {
  const AppSettings& s = appSettings();
  return joinPath(s.databaseDir, baseName(s.tableName) + ".idx");
}

namespace {

// The sort file whose table was opened: only its sort is ever saved, so a
// table that could not be opened keeps the sort it had.
QString g_sortFileInUse;

}  // namespace

void resetSortState() {
  sortState().resetSort();
  g_sortFileInUse = sortFilePath();
}

void loadSortState() {
  SortState& sort = sortState();
  sort.resetSort();
  g_sortFileInUse = sortFilePath();
  QFile f(g_sortFileInUse);
  if (!f.open(QIODevice::ReadOnly)) return;
  if (f.size() != kSortFileSize) return;
  const QByteArray b = f.read(kSortFileSize);
  if (b.size() != kSortFileSize) return;
  const auto first = static_cast<uint8_t>(b[0]);
  const auto second = static_cast<uint8_t>(b[2]);
  // Field numbers from another table layout would build keys on nothing.
  if (sort.table) {
    const size_t count = sort.table->fieldDefs().size();
    const bool secondNone = second < appSettings().firstUserField;
    if (first >= count || (!secondNone && second >= count)) return;
  }
  sort.firstField = first;
  sort.firstDescending = b[1] != 0;
  sort.secondField = second;
  sort.secondDescending = b[3] != 0;
}

void saveSortState() {
  const SortState& sort = sortState();
  if (g_sortFileInUse.isEmpty() || g_sortFileInUse != sortFilePath()) return;
  QFile f(g_sortFileInUse);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  const char bytes[4] = {
      static_cast<char>(sort.firstField), static_cast<char>(sort.firstDescending ? 1 : 0),
      static_cast<char>(sort.secondField), static_cast<char>(sort.secondDescending ? 1 : 0)};
  f.write(bytes, sizeof bytes);
}

std::optional<std::string> findOrCreateTag() {
  SortState& s = sortState();
  if (!s.table) return std::nullopt;
  DbTable& t = *s.table;
  if (t.fieldDefs().empty() || t.indexDefs().empty()) t.refreshDefinitions();
  s.buildKeys(t.fieldDefs(), appSettings().firstUserField);
  if (s.keyExpression.empty()) return std::nullopt;
  if (auto found = matchingTag(t.indexDefs(), s)) return found;
  if (t.readOnly) return std::nullopt;  // a table that is only read gets no new tag

  if (!openTable(t, t.tableName, true)) return std::nullopt;
  std::string name;
  try {
    // Another program may have made the tag since our list was read.
    const auto tags = t.engine().tags();
    if (auto found = matchingTag(tags, s)) {
      name = *found;
    } else {
      const std::string prefix = s.filtered ? "IDXF" : "IDX";
      size_t n = tags.size();
      // A number freed by a dropped tag may still be taken by a later one.
      while (hasTag(tags, prefix + std::to_string(n))) ++n;
      name = prefix + std::to_string(n);
      dbase::TagDef def;
      def.name = name;
      def.expression = s.filtered ? s.filteredKeyExpression : s.keyExpression;
      def.filter = kLiveRecordsFilter;
      const uint8_t options = s.filtered ? s.filteredIndexOptions : s.indexOptions;
      def.descending = (options & kIndexDescending) != 0;
      t.engine().addTag(def);
    }
    t.refreshDefinitions();
  } catch (...) {
    t.close();
    t.exclusive = false;
    throw;
  }
  t.close();
  t.exclusive = false;
  return name;
}

bool applySort() {
  SortState& s = sortState();
  if (!s.table) return false;
  DbTable& t = *s.table;
  setLastEngineError({});
  t.close();
  const std::string remembered = t.indexName;
  t.indexName.clear();
  try {
    if (auto tag = findOrCreateTag()) {
      t.exclusive = false;
      t.indexName = *tag;
      t.open();
      callHook(storeHooks().indexChanged);
      return true;
    }
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
  }
  t.close();
  t.exclusive = false;
  t.indexName = remembered;
  openQuietly(t);
  if (!t.active() && !remembered.empty()) {
    t.indexName.clear();
    openQuietly(t);
  }
  s.revertSort();
  callHook(storeHooks().busyCursor, false);
  if (!appSettings().indexErrorQuiet) showMessage(MsgKind::Error, kMsgIndexFailed);
  return false;
}
