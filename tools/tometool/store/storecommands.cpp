#include "storecommands.h"

#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <iostream>
#include <stdexcept>

#include "../values.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "core/startup.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/maintenance.h"
#include "store/recordtable.h"
#include "store/sortstate.h"

namespace tometool {

namespace {

// Answers every box No (so a failing open is not retried) and keeps the text.
class QuietPrompter : public Prompter {
 public:
  QuietPrompter() { setPrompter(this); }
  ~QuietPrompter() override { setPrompter(nullptr); }
  QuietPrompter(const QuietPrompter&) = delete;
  QuietPrompter& operator=(const QuietPrompter&) = delete;

  QString last;

  MsgResult message(MsgKind, MsgButtons buttons, const QString& text, int) override {
    last = text;
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::No
                                                                              : MsgResult::Ok;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&, bool) override {
    return std::nullopt;
  }
  QString openFile(const FileFilter&) override { return {}; }
  QString saveFile(const FileFilter&) override { return {}; }
  QString directory(const QString&, const QString&) override { return {}; }
};

std::string oneLine(const QString& text) {
  std::string s = text.toStdString();
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

// The record table of FILE opened shared as the program opens it.
class RecordTableSession {
 public:
  explicit RecordTableSession(const std::string& given) {
    std::string path = given;
    if (auto found = dbase::Table::resolve(path))
      path = *found;
    else if (auto withExt = dbase::Table::resolve(path + ".dbf"))
      path = *withExt;
    const QFileInfo info(QString::fromStdString(path));
    AppSettings& s = appSettings();
    s.databaseDir = info.absolutePath();
    s.tableName = info.fileName();
    s.indexErrorQuiet = false;
    sortState().table = &table_;
    if (!openTable(table_, s.tableName, false)) {
      const std::string reason = lastEngineError();
      throw std::runtime_error(reason.empty() ? path + ": table not found" : reason);
    }
    table_.refreshDefinitions();
    rebuildFieldSets(table_);
  }
  ~RecordTableSession() {
    table_.close();
    sortState().table = nullptr;
  }
  RecordTableSession(const RecordTableSession&) = delete;
  RecordTableSession& operator=(const RecordTableSession&) = delete;

  DbTable& table() { return table_; }
  std::string file() const { return table_.nativePath(); }

  // ApplySort, failing with its message (and the engine's reason when there is one).
  void apply() {
    if (applySort()) return;
    std::string message =
        file() + ": " + oneLine(prompter_.last.isEmpty() ? kMsgIndexFailed : prompter_.last);
    if (!lastEngineError().empty())
      message += " (" + lastEngineError() + ")";
    else if (sortState().keyExpression.empty())
      message += " (the field has no sort key)";
    throw std::runtime_error(message);
  }

 private:
  QuietPrompter prompter_;
  DbTable table_;
};

struct FieldChoice {
  int position = -1;  // user field, -1 = none
  bool descending = false;
};

FieldChoice parseField(const std::string& text, bool noneAllowed) {
  FieldChoice c;
  if (noneAllowed && text == "none") return c;
  std::string digits = text;
  if (!digits.empty() && digits.back() == '-') {
    c.descending = true;
    digits.pop_back();
  }
  if (digits.empty() || digits.size() > 3 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError{"bad field '" + text + "' (a user field position from 0, - for descending)"};
  c.position = std::stoi(digits);
  return c;
}

}  // namespace

int cmdSort(const Args& args) {
  if (args.size() < 2 || args.size() > 3) throw UsageError{"expected FILE FIRST[-] [SECOND[-]]"};
  const FieldChoice first = parseField(args[1], false);
  const FieldChoice second = args.size() > 2 ? parseField(args[2], true) : FieldChoice{};
  RecordTableSession session(args[0]);
  const int firstUser = appSettings().firstUserField;
  const int count = static_cast<int>(session.table().fieldDefs().size()) - firstUser;
  for (const FieldChoice* c : {&first, &second})
    if (c->position >= count)
      throw UsageError{"no user field " + std::to_string(c->position) + " (the table has " +
                       std::to_string(count) + ")"};
  loadSortState();  // the sort file is written only for a table whose sort was read
  SortState& s = sortState();
  s.firstField = static_cast<uint8_t>(firstUser + first.position);
  s.firstDescending = first.descending;
  s.secondField = second.position < 0 ? 0 : static_cast<uint8_t>(firstUser + second.position);
  s.secondDescending = second.descending;
  session.apply();
  saveSortState();
  std::cout << "key: " << printable(s.keyExpression) << '\n'
            << "options: " << ((s.indexOptions & kIndexExpression) ? "expression" : "none")
            << ((s.indexOptions & kIndexDescending) ? ",descending" : "") << '\n'
            << "tag: " << session.table().indexName << '\n';
  return 0;
}

int cmdLetters(const Args& args) {
  if (args.size() != 1) throw UsageError{"expected FILE"};
  RecordTableSession session(args[0]);
  loadSortState();
  session.apply();
  letterCounts().fill(0);
  countLetters(session.table());
  for (int i = 0; i < kLetterCount; ++i)
    std::cout << static_cast<char>('A' + i) << ' ' << letterCounts()[static_cast<size_t>(i)]
              << '\n';
  return 0;
}

namespace {

// The table of FILE as the maintenance functions take it, with the catalogue
// of its folder when there is one, and the templates beside the program
// (or in --program DIR).
class MaintenanceSession {
 public:
  MaintenanceSession(const Args& args, size_t fixed) {
    std::string path = args[0];
    if (!dbase::Table::resolve(path) && dbase::Table::resolve(path + ".dbf")) path += ".dbf";
    if (auto found = dbase::Table::resolve(path)) path = *found;
    const QFileInfo info(QString::fromStdString(path));
    AppSettings& s = appSettings();
    s.databaseDir = info.absolutePath();
    s.tableName = info.fileName();
    s.programDir = programDir();
    for (size_t i = fixed; i < args.size(); ++i) {
      if (args[i] == "--program" && i + 1 < args.size())
        s.programDir = QString::fromStdString(args[++i]);
      else if (args[i] == "--lists")
        lists = true;
      else
        throw UsageError{"unknown option " + args[i]};
    }
    table.databaseName = s.databaseDir;
    table.tableName = s.tableName;
    catalogue.databaseName = s.databaseDir;
    catalogue.tableName = kCatalogueFile;
    catalogue.indexName = kCatalogueTag.toStdString();
    if (tableFileExists(catalogue.filePath())) {
      try {
        catalogue.open();
      } catch (const dbase::Error&) {
        catalogue.indexName.clear();  // the counter is then looked for without its tag
        try {
          catalogue.open();
        } catch (const dbase::Error&) {
        }
      }
    }
  }

  static QString programDir() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    const QString own = QFileInfo(QString::fromLocal8Bit(buf, n)).absolutePath();
    // Installed, the templates lie under share/ rather than beside the tool.
    const QString installed = installedFilesDir(own);
    if (!QFileInfo::exists(own + "/data.dbf") && QFileInfo::exists(installed + "/data.dbf"))
      return installed;
    return own;
  }

  bool lists = false;
  QuietPrompter prompter;
  DbTable table;
  DbTable catalogue;
};

int report(MaintenanceStatus status) {
  if (status == MaintenanceStatus::Done) return 0;
  std::cerr << (status == MaintenanceStatus::InUse ? oneLine(kMsgFunctionFailed) + " (" : "(")
            << printable(lastEngineError()) << ")\n";
  return status == MaintenanceStatus::InUse ? 3 : 1;
}

int report(const char* what, const CopyOutcome& out) {
  if (out.status != MaintenanceStatus::Done) return report(out.status);
  std::cout << what << ": " << out.lost << " lost\n";
  if (!out.error.isEmpty()) std::cerr << printable(out.error.toStdString()) << '\n';
  return out.lost == 0 ? 0 : 4;
}

}  // namespace

int cmdRepair(const Args& args) {
  if (args.empty()) throw UsageError{"expected FILE"};
  MaintenanceSession m(args, 1);
  return report("repaired", repairTable(m.table, m.catalogue));
}

int cmdBackup(const Args& args) {
  if (args.empty()) throw UsageError{"expected FILE"};
  MaintenanceSession m(args, 1);
  return report("backed up", backupTable(m.table));
}

int cmdRestore(const Args& args) {
  if (args.empty()) throw UsageError{"expected FILE [--lists]"};
  MaintenanceSession m(args, 1);
  return report("restored", restoreTable(m.table, m.catalogue, m.lists));
}

int cmdEmpty(const Args& args) {
  if (args.size() != 1) throw UsageError{"expected FILE"};
  MaintenanceSession m(args, 1);
  return report(emptyRecords(m.table));
}

int cmdDeleteIndexes(const Args& args) {
  if (args.size() != 1) throw UsageError{"expected FILE"};
  MaintenanceSession m(args, 1);
  return report(deleteIndexes(m.table));
}

}  // namespace tometool
