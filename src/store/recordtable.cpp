#include "recordtable.h"

#include <QFile>
#include <QFileInfo>

#include "prompt.h"
#include "settings.h"
#include "sortstate.h"
#include "storehooks.h"

namespace {

std::string g_lastError;

constexpr int kSilentRetries = 10;
constexpr qint64 kSortFileSize = 4;

QString BaseName(const QString& fileName) {
  const int dot = fileName.lastIndexOf(u'.');
  return dot < 0 ? fileName : fileName.left(dot);
}

bool HasTag(const std::vector<dbase::TagDef>& tags, const std::string& name) {
  for (const auto& t : tags)
    if (QString::fromStdString(t.name).compare(QString::fromStdString(name),
                                               Qt::CaseInsensitive) == 0)
      return true;
  return false;
}

std::optional<std::string> MatchingTag(const std::vector<dbase::TagDef>& tags, const TIndex& s) {
  const std::string& expr = s.Filtered ? s.FilteredKeyExpression : s.KeyExpression;
  const uint8_t options = s.Filtered ? s.FilteredIndexOptions : s.IndexOptions;
  for (const auto& t : tags) {
    if (!t.filter.empty()) continue;  // a FOR tag does not list every record
    if (t.expression == expr && TagOptions(t) == options) return t.name;
  }
  return std::nullopt;
}

void OpenQuietly(TDbTable& table) {
  try {
    table.Open();
  } catch (const dbase::Error& e) {
    SetLastEngineError(e.what());
  }
}

}  // namespace

const std::string& LastEngineError() { return g_lastError; }
void SetLastEngineError(const std::string& message) { g_lastError = message; }

bool OpenTable(TDbTable& table, const QString& name, bool exclusive) {
  const QString dir = AppSettings().DatabaseDir;
  if (!TableFileExists(JoinPath(dir, name))) return false;
  table.Close();
  table.DatabaseName = dir;
  table.TableName = name;
  table.Exclusive = exclusive;
  int failures = 0;
  for (;;) {
    try {
      table.Open();
      return true;
    } catch (const dbase::Error& e) {
      SetLastEngineError(e.what());
      if (++failures <= kSilentRetries) continue;
      if (exclusive) return false;
      if (!AskYesNo(MsgKind::Warning, QStringLiteral("Cannot open the file: ") + name +
                                          QStringLiteral("\r") + QStringLiteral("Retry?")))
        return false;
    }
  }
}

bool RestoreMissingIndex(TDbTable& table) {
  const QString dbf = table.FilePath();
  if (!TableFileExists(dbf)) return false;
  const QString mdx = JoinPath(table.DatabaseName, BaseName(table.TableName) + ".MDX");
  if (TableFileExists(mdx)) return true;
  const TAppSettings& s = AppSettings();
  const auto source = dbase::Table::resolve(ToNativePath(JoinPath(s.ProgramDir, "DATA.MDX")));
  if (!source) return false;
  table.Close();
  if (!QFile::copy(QFile::decodeName(source->c_str()), mdx)) return false;
  // The template's index holds no keys: build them from this table's records.
  try {
    std::vector<dbase::TagDef> templateTags;
    {
      dbase::Table tmpl;
      tmpl.open(ToNativePath(JoinPath(s.ProgramDir, TAppSettings::DefaultTableName)),
                dbase::OpenMode::Shared, true);
      templateTags = tmpl.tags();
    }
    dbase::Table t;
    t.open(table.NativePath(), dbase::OpenMode::Exclusive);
    if (t.tags().empty()) {
      // The table did not announce an index, so the copy was not taken up.
      for (const auto& tag : templateTags) t.addTag(tag);
    } else {
      t.regenerateTags();
    }
    t.close();
    return true;
  } catch (const dbase::Error& e) {
    SetLastEngineError(e.what());
    QFile::remove(mdx);
    return false;
  }
}

bool EnsureOpen(TDbTable& table) {
  if (table.Active()) return true;
  RestoreMissingIndex(table);
  try {
    table.Open();
    return true;
  } catch (const dbase::Error& e) {
    SetLastEngineError(e.what());
    return false;
  }
}

bool CreateFromTemplate(TDbTable& table, bool keepIndexes) {
  const TAppSettings& s = AppSettings();
  try {
    table.Close();
    dbase::Table::copyTable(ToNativePath(JoinPath(s.ProgramDir, TAppSettings::DefaultTableName)),
                            table.NativePath(), true);
    if (!keepIndexes) DeleteAllIndexes(table);
  } catch (const dbase::Error& e) {
    SetLastEngineError(e.what());
    return false;
  }
  return true;
}

void DeleteAllIndexes(TDbTable& table) {
  table.Close();
  table.IndexName.clear();
  table.Exclusive = true;
  try {
    table.Open();
    table.RefreshDefinitions();
    auto tags = table.IndexDefs();
    for (auto it = tags.rbegin(); it != tags.rend(); ++it) table.Engine().deleteTag(it->name);
    table.RefreshDefinitions();
  } catch (...) {
    table.Close();
    table.Exclusive = false;
    throw;
  }
  table.Close();
  table.Exclusive = false;
}

void RebuildFieldSets(const TDbTable& table) {
  TAppSettings& s = AppSettings();
  s.StringFields.reset();
  s.MemoFields.reset();
  s.BlobFields.reset();
  const auto& fields = table.FieldDefs();
  for (size_t f = s.FirstUserField; f < fields.size() && f < s.StringFields.size(); ++f) {
    switch (fields[f].type) {
      case dbase::FieldType::Character: s.StringFields.set(f); break;
      case dbase::FieldType::Memo: s.MemoFields.set(f); break;
      case dbase::FieldType::Binary: s.BlobFields.set(f); break;
      default: break;
    }
  }
}

QString SortFilePath() {
  const TAppSettings& s = AppSettings();
  return JoinPath(s.DatabaseDir, BaseName(s.TableName) + ".idx");
}

void LoadSortState() {
  TIndex& sort = SortState();
  sort.ResetSort();
  QFile f(SortFilePath());
  if (!f.open(QIODevice::ReadOnly)) return;
  if (f.size() != kSortFileSize) return;
  const QByteArray b = f.read(kSortFileSize);
  if (b.size() != kSortFileSize) return;
  const auto first = static_cast<uint8_t>(b[0]);
  const auto second = static_cast<uint8_t>(b[2]);
  // Field numbers from another table layout would build keys on nothing.
  if (sort.Table) {
    const size_t count = sort.Table->FieldDefs().size();
    const bool secondNone = second < AppSettings().FirstUserField;
    if (first >= count || (!secondNone && second >= count)) return;
  }
  sort.FirstField = first;
  sort.FirstDescending = b[1] != 0;
  sort.SecondField = second;
  sort.SecondDescending = b[3] != 0;
}

void SaveSortState() {
  const TIndex& sort = SortState();
  QFile f(SortFilePath());
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  const char bytes[4] = {static_cast<char>(sort.FirstField),
                         static_cast<char>(sort.FirstDescending ? 1 : 0),
                         static_cast<char>(sort.SecondField),
                         static_cast<char>(sort.SecondDescending ? 1 : 0)};
  f.write(bytes, sizeof bytes);
}

std::optional<std::string> FindOrCreateTag() {
  TIndex& s = SortState();
  if (!s.Table) return std::nullopt;
  TDbTable& t = *s.Table;
  if (t.FieldDefs().empty() || t.IndexDefs().empty()) t.RefreshDefinitions();
  s.BuildKeys(t.FieldDefs(), AppSettings().FirstUserField);
  if (s.KeyExpression.empty()) return std::nullopt;
  if (auto found = MatchingTag(t.IndexDefs(), s)) return found;

  if (!OpenTable(t, t.TableName, true)) return std::nullopt;
  std::string name;
  try {
    // Another program may have made the tag since our list was read.
    const auto tags = t.Engine().tags();
    if (auto found = MatchingTag(tags, s)) {
      name = *found;
    } else {
      const std::string prefix = s.Filtered ? "IDXF" : "IDX";
      size_t n = tags.size();
      // A number freed by a dropped tag may still be taken by a later one.
      while (HasTag(tags, prefix + std::to_string(n))) ++n;
      name = prefix + std::to_string(n);
      dbase::TagDef def;
      def.name = name;
      def.expression = s.Filtered ? s.FilteredKeyExpression : s.KeyExpression;
      const uint8_t options = s.Filtered ? s.FilteredIndexOptions : s.IndexOptions;
      def.descending = (options & kIndexDescending) != 0;
      t.Engine().addTag(def);
    }
    t.RefreshDefinitions();
  } catch (...) {
    t.Close();
    t.Exclusive = false;
    throw;
  }
  t.Close();
  t.Exclusive = false;
  return name;
}

bool ApplySort() {
  TIndex& s = SortState();
  if (!s.Table) return false;
  TDbTable& t = *s.Table;
  SetLastEngineError({});
  t.Close();
  const std::string remembered = t.IndexName;
  t.IndexName.clear();
  try {
    if (auto tag = FindOrCreateTag()) {
      t.Exclusive = false;
      t.IndexName = *tag;
      t.Open();
      CallHook(StoreHooks().IndexChanged);
      return true;
    }
  } catch (const dbase::Error& e) {
    SetLastEngineError(e.what());
  }
  t.Close();
  t.Exclusive = false;
  t.IndexName = remembered;
  OpenQuietly(t);
  if (!t.Active() && !remembered.empty()) {
    t.IndexName.clear();
    OpenQuietly(t);
  }
  s.RevertSort();
  CallHook(StoreHooks().BusyCursor, false);
  if (!AppSettings().IndexErrorQuiet) ShowMessage(MsgKind::Error, kMsgIndexFailed);
  return false;
}
