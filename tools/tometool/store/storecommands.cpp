#include "storecommands.h"

#include <QFileInfo>
#include <iostream>
#include <stdexcept>

#include "letters.h"
#include "prompt.h"
#include "recordtable.h"
#include "settings.h"
#include "sortstate.h"

namespace tometool {

namespace {

// Answers every box No (so a failing open is not retried) and keeps the text.
class QuietPrompter : public TPrompter {
 public:
  QuietPrompter() { SetPrompter(this); }
  ~QuietPrompter() override { SetPrompter(nullptr); }
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
  QString openFile(const TFileFilter&) override { return {}; }
  QString saveFile(const TFileFilter&) override { return {}; }
  QString directory(const QString&, const QString&) override { return {}; }
};

std::string OneLine(const QString& text) {
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
    if (auto found = dbase::Table::resolve(path)) path = *found;
    else if (auto withExt = dbase::Table::resolve(path + ".dbf")) path = *withExt;
    const QFileInfo info(QString::fromStdString(path));
    TAppSettings& s = AppSettings();
    s.DatabaseDir = info.absolutePath();
    s.TableName = info.fileName();
    s.IndexErrorQuiet = false;
    SortState().Table = &table_;
    if (!OpenTable(table_, s.TableName, false)) {
      const std::string reason = LastEngineError();
      throw std::runtime_error(reason.empty() ? path + ": table not found" : reason);
    }
    table_.RefreshDefinitions();
    RebuildFieldSets(table_);
  }
  ~RecordTableSession() {
    table_.Close();
    SortState().Table = nullptr;
  }
  RecordTableSession(const RecordTableSession&) = delete;
  RecordTableSession& operator=(const RecordTableSession&) = delete;

  TDbTable& table() { return table_; }
  std::string file() const { return table_.NativePath(); }

  // ApplySort, failing with its message (and the engine's reason when there is one).
  void apply() {
    if (ApplySort()) return;
    std::string message = file() + ": " + OneLine(prompter_.last.isEmpty() ? kMsgIndexFailed
                                                                            : prompter_.last);
    if (!LastEngineError().empty()) message += " (" + LastEngineError() + ")";
    else if (SortState().KeyExpression.empty()) message += " (the field has no sort key)";
    throw std::runtime_error(message);
  }

 private:
  QuietPrompter prompter_;
  TDbTable table_;
};

struct FieldChoice {
  int position = -1;  // user field, -1 = none
  bool descending = false;
};

FieldChoice ParseField(const std::string& text, bool noneAllowed) {
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
  const FieldChoice first = ParseField(args[1], false);
  const FieldChoice second = args.size() > 2 ? ParseField(args[2], true) : FieldChoice{};
  RecordTableSession session(args[0]);
  const int firstUser = AppSettings().FirstUserField;
  const int count = static_cast<int>(session.table().FieldDefs().size()) - firstUser;
  for (const FieldChoice* c : {&first, &second})
    if (c->position >= count)
      throw UsageError{"no user field " + std::to_string(c->position) + " (the table has " +
                       std::to_string(count) + ")"};
  TIndex& s = SortState();
  s.FirstField = static_cast<uint8_t>(firstUser + first.position);
  s.FirstDescending = first.descending;
  s.SecondField = second.position < 0 ? 0 : static_cast<uint8_t>(firstUser + second.position);
  s.SecondDescending = second.descending;
  session.apply();
  SaveSortState();
  std::cout << "key: " << s.KeyExpression << '\n'
            << "options: " << ((s.IndexOptions & kIndexExpression) ? "expression" : "none")
            << ((s.IndexOptions & kIndexDescending) ? ",descending" : "") << '\n'
            << "tag: " << session.table().IndexName << '\n';
  return 0;
}

int cmdLetters(const Args& args) {
  if (args.size() != 1) throw UsageError{"expected FILE"};
  RecordTableSession session(args[0]);
  LoadSortState();
  session.apply();
  LetterCounts().fill(0);
  CountLetters(session.table());
  for (int i = 0; i < kLetterCount; ++i)
    std::cout << static_cast<char>('A' + i) << ' ' << LetterCounts()[static_cast<size_t>(i)]
              << '\n';
  return 0;
}

}  // namespace tometool
