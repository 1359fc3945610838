#include "exchange/exchange.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QWidget>
#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>

#include "core/bulkmemory.h"
#include "core/progress.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "store/database.h"
#include "store/dbtable.h"
#include "store/letters.h"
#include "store/pagevalues.h"
#include "store/recordtable.h"
#include "store/storehooks.h"

namespace {

constexpr qint64 kWriteChunk = 1 << 20;
constexpr int64_t kNumberBlock = 4096;
// New records written together: in exclusive use a batch that stays in
// the processor's cache; in shared use (one lock for so many) enough that in
// a large table a batch's titles share the title tag's leaves, each a
// write, while another instance waits only a moment for the index.
constexpr int64_t kAppendBatch = 2048;
constexpr int64_t kSharedAppendBatch = 16384;
// So many refusals in a row mean the table takes nothing any more.
constexpr int64_t kFailuresInARow = 100;
const QString kExporting = QStringLiteral("Exporting. Please Wait...");
const QString kImporting = QStringLiteral("Importing. Please Wait...");

QString engineText(const std::exception& e) { return QString::fromLocal8Bit(e.what()); }

void cancelQuietly(dbase::Table& t) {
  try {
    if (t.state() == dbase::Table::State::Edit || t.state() == dbase::Table::State::Insert)
      t.cancel();
  } catch (const std::exception&) {
  }
}

// Exclusive use of the record table for a long pass when no one else has it
// open (reads come from memory, appends take no locks); shared use when
// someone has. Shared use comes back at the end, the active tag kept.
class PassUse {
 public:
  // Throws dbase::Error when the table cannot be had even shared (it is then closed).
  explicit PassUse(DbTable& table) : table_(table) {
    if (table.exclusive || table.readOnly) return;
    table.close();
    table.exclusive = true;
    try {
      table.open();
      taken_ = true;
    } catch (const dbase::Error&) {
      table.exclusive = false;
      table.open();
    }
  }
  ~PassUse() {
    try {
      release();
    } catch (const std::exception& e) {
      showMessage(MsgKind::Error, engineText(e));
    }
  }
  // Throws dbase::Error when shared use cannot be had again.
  void release() {
    if (!taken_) return;
    taken_ = false;
    table_.close();
    table_.exclusive = false;
    table_.open();
  }

 private:
  DbTable& table_;
  bool taken_ = false;
};

// Every record of the range the table shows, letter by letter when the
// letter tabs apply; `pass` walks the records of the table's current range.
template <class Pass>
void walkShown(DbTable& records, Pass pass) {
  dbase::Table& t = records.engine();
  progress().open(kExporting);
  progress().setPosition(0, recordCount(records));
  if (!letterTabsActive()) {
    pass(t);
    return;
  }
  for (char l = 'A'; l <= 'Z'; ++l) {
    if (!setLetterRange(records, l)) continue;
    const uint32_t n = recordCount(records);
    if (n == 0) continue;
    progress().open(kExporting + QStringLiteral(" (") + QChar::fromLatin1(l) + QLatin1Char(')'));
    progress().setPosition(0, n);
    pass(t);
  }
}

// Record by record through the cursor, which `each` may read as a whole.
template <class F>
void walkCursor(dbase::Table& t, F&& each) {
  for (t.first(); !t.eof(); t.next()) {
    each(t);
    progress().step();
  }
}

// One bulk read pass in the order the table shows.
template <class F>
void walkBulk(dbase::Table& t, F&& each) {
  t.scanInOrder([&](const dbase::ScanRecord& r) {
    each(r);
    progress().step();
    return true;
  });
}

// The record's numbers come from the catalogue a block at a time; what is
// left of the last block goes back when no one took a number meanwhile.
class Numbers {
 public:
  explicit Numbers(DbTable& catalogue) : catalogue_(catalogue) {}
  ~Numbers() {
    try {
      returnRecordNumbers(catalogue_, next_, end_);
    } catch (const std::exception&) {
    }
  }
  int64_t take() {
    if (next_ == end_) {
      next_ = reserveRecordNumbers(catalogue_, kNumberBlock);
      end_ = next_ + kNumberBlock;
    }
    return next_++;
  }
  void giveBack(int64_t n) {
    if (n + 1 == next_) --next_;
  }

 private:
  DbTable& catalogue_;
  int64_t next_ = 0, end_ = 0;
};

// New records go to the table a batch at a time; `added` counts those written.
// Left by an exception, the batch posted so far is still written when it can be.
class AppendBatch {
 public:
  AppendBatch(dbase::Table& t, int64_t& added)
      : t_(t), added_(added), size_(t.exclusive() ? kAppendBatch : kSharedAppendBatch) {
    t_.beginAppends(static_cast<uint32_t>(size_));
  }
  ~AppendBatch() {
    try {
      finish();
    } catch (const std::exception&) {
    }
  }
  // After each post.
  void posted() {
    if (++held_ < size_) return;
    finish();
    t_.beginAppends(static_cast<uint32_t>(size_));
  }
  // Throws dbase::Error when the batch cannot be written (it is then lost).
  void finish() {
    if (!t_.isOpen()) return;
    held_ = 0;
    added_ += t_.endAppends();
  }

 private:
  BulkMemory memory_;  // batch after batch takes and frees the same large buffers
  dbase::Table& t_;
  int64_t& added_;
  const int64_t size_;
  int64_t held_ = 0;
};

// Posts the record being appended with its number and filter mark; false
// when the table refuses it (the record is dropped). Throws when no number
// can be had.
bool postNew(dbase::Table& t, Numbers& numbers, QString* why) {
  const int64_t n = numbers.take();
  try {
    t.setString(0, std::to_string(n));
    callHook(storeHooks().beforePost, t);
    t.post();
    return true;
  } catch (const dbase::Error& e) {
    *why = engineText(e);
    cancelQuietly(t);
    numbers.giveBack(n);
    return false;
  }
}

// The two shapes the export writes ("nn/nn/nnnn", "nnnn/nn/nn", any of / . -)
// read as parseDateText reads them, without its patterns: nullopt for any
// other shape; the date, or an empty one when it is no valid date.
std::optional<dbase::Date> quickDate(std::string_view s, bool* handled) {
  *handled = false;
  const auto digits = [&](size_t at, size_t n, int* v) {
    *v = 0;
    for (size_t i = at; i < at + n; ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      *v = *v * 10 + (s[i] - '0');
    }
    return true;
  };
  const auto sep = [&](size_t at) { return s[at] == '/' || s[at] == '.' || s[at] == '-'; };
  if (s.size() != 10) return std::nullopt;
  int a = 0, b = 0, c = 0;
  int year = 0, month = 0, day = 0;
  const int format = appSettings().dateFormat;
  if (sep(2) && sep(5) && digits(0, 2, &a) && digits(3, 2, &b) && digits(6, 4, &c)) {
    // Four digits last: a year only where the format puts the year last.
    if (format == 2) return std::nullopt;
    year = c;
    month = format == 1 ? b : a;
    day = format == 1 ? a : b;
  } else if (sep(4) && sep(7) && digits(0, 4, &a) && digits(5, 2, &b) && digits(8, 2, &c)) {
    if (format != 2) return std::nullopt;
    year = a, month = b, day = c;
  } else {
    return std::nullopt;
  }
  *handled = true;
  const QDate d(year, month, day);
  if (!d.isValid() || year < 1) return std::nullopt;
  return dbase::Date{year, month, day};
}

void storeField(dbase::Table& t, int field, const exchange::FieldText& v) {
  const dbase::FieldDef& f = t.fields().at(static_cast<size_t>(field));
  try {
    switch (f.type) {
      case dbase::FieldType::Memo: {
        std::string text;
        for (size_t i = 0; i < v.lines.size(); ++i) {
          if (i) text.append("\r\n");
          text.append(v.lines[i]);
        }
        if (!text.empty()) t.setString(field, text);
        return;
      }
      case dbase::FieldType::Binary:
        return;
      case dbase::FieldType::Date: {
        // Most books have no date for most date fields.
        if (v.text.find_first_not_of(' ') == std::string::npos) return;
        bool handled = false;
        if (const auto quick = quickDate(v.text, &handled); handled) {
          if (quick) t.setDate(field, *quick);
          return;
        }
        const ParsedDate d = parseDateText(QString::fromLatin1(v.text));
        if (d.date) t.setDate(field, {d.date->year(), d.date->month(), d.date->day()});
        return;
      }
      case dbase::FieldType::Numeric:
      case dbase::FieldType::Float:
        try {
          t.setString(field, v.text);  // exact for plain decimals
        } catch (const dbase::Error&) {
          t.clear(field);
          const ParsedNumber n = parseNumberText(QString::fromLatin1(v.text));
          if (n.value) t.setNumber(field, *n.value);
        }
        return;
      default:
        t.setString(field, v.text);
    }
  } catch (const dbase::Error&) {
    // A value the field cannot take leaves it empty.
    t.clear(field);
  }
}

// Reads a file in chunks; a read error ends the import with its reason.
class FileSource : public exchange::ByteSource {
 public:
  explicit FileSource(QFile& file) : file_(file) {}
  size_t read(char* data, size_t size) override {
    const qint64 n = file_.read(data, static_cast<qint64>(size));
    if (n < 0) throw std::runtime_error(file_.errorString().toStdString());
    done_ += n;
    return static_cast<size_t>(n);
  }
  qint64 done() const { return done_; }

 private:
  QFile& file_;
  qint64 done_ = 0;
};

// Keeps a window disabled until released or destroyed.
class WindowOff {
 public:
  explicit WindowOff(QWidget* w) : w_(w) {
    if (w_) w_->setEnabled(false);
  }
  ~WindowOff() { release(); }
  void release() {
    if (w_) w_->setEnabled(true);
    w_ = nullptr;
  }

 private:
  QPointer<QWidget> w_;
};

QString nativeName(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

ExchangeSettings& exchangeSettings() {
  static ExchangeSettings s;
  return s;
}

QString exchangeFolder() { return joinPath(appSettings().homeDir, QStringLiteral("EXPIMP")); }

void makeExchangeFolder() { QDir().mkpath(exchangeFolder()); }

namespace {

// A date with four-digit years in the DateFormat order, so every date comes back as it was.
void appendDate(std::string& out, const dbase::Date& d, int format) {
  if (d.isBlank()) return;
  char buf[16];
  switch (format) {
    case 1:
      std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day, d.month, d.year);
      break;
    case 2:
      std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", d.year, d.month, d.day);
      break;
    default:
      std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.month, d.day, d.year);
  }
  out.append(buf);
}

// The export's text of a field of a cursor's record or a scanned one.
template <class R>
std::string fieldText(const R& r, const dbase::FieldDef& f, int field) {
  switch (f.type) {
    case dbase::FieldType::Memo:
      return r.readBlob(field);
    case dbase::FieldType::Binary:
      return {};
    case dbase::FieldType::Date: {
      std::string s;
      appendDate(s, r.asDate(field), appSettings().dateFormat);
      return s;
    }
    case dbase::FieldType::Numeric:
    case dbase::FieldType::Float: {
      std::string s = r.asString(field);
      s.erase(0, s.find_first_not_of(' '));
      return s;
    }
    default:
      return r.asString(field);
  }
}

}  // namespace

std::string exportFieldText(const DbTable& table, int field) {
  const dbase::Table& t = table.engine();
  return fieldText(t, t.fields().at(static_cast<size_t>(field)), field);
}

bool exportText(DbTable& records, const QString& path) {
  const ExchangeSettings& s = exchangeSettings();
  if (!s.separator || s.fields.empty() || !records.active()) return true;
  // Written beside and put in place at the end: a failed export leaves an
  // older file of that name as it was.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    showMessage(
        MsgKind::Error,
        QStringLiteral("Cannot create the file %1:\r%2").arg(nativeName(path), file.errorString()));
    return false;
  }
  std::string buf;
  buf.reserve(kWriteChunk + 65536);
  const auto flush = [&] {
    if (file.write(buf.data(), static_cast<qint64>(buf.size())) != static_cast<qint64>(buf.size()))
      throw std::runtime_error(file.errorString().toStdString());
    buf.clear();
  };
  const exchange::TextFormat format = s.format();
  try {
    PassUse use(records);
    if (!letterTabsActive()) setLetterRange(records, 0);  // the filter's range again
    const std::vector<dbase::FieldDef>& defs = records.engine().fields();
    std::string text;
    const auto each = [&](const dbase::ScanRecord& r) {
      exchange::TextLineWriter line(buf, format);
      for (int field : s.fields) {
        const dbase::FieldDef& f = defs.at(static_cast<size_t>(field));
        if (f.type == dbase::FieldType::Memo) {
          line.memo(r.readBlob(field));
          continue;
        }
        if (f.type == dbase::FieldType::Character) {
          // Straight from the record: no copy of each value.
          std::string_view v = r.fieldBytes(field);
          while (!v.empty() && (v.back() == ' ' || v.back() == '\0')) v.remove_suffix(1);
          line.value(v);
          continue;
        }
        text = fieldText(r, f, field);
        line.value(text);
      }
      line.endLine();
      if (static_cast<qint64>(buf.size()) >= kWriteChunk) flush();
    };
    walkShown(records, [&](dbase::Table& t) { walkBulk(t, each); });
    flush();
    use.release();
  } catch (const std::exception& e) {
    progress().close();
    file.cancelWriting();
    showMessage(MsgKind::Error, QStringLiteral("The export stopped and the file %1 was not "
                                               "written:\r%2")
                                    .arg(nativeName(path), engineText(e)));
    return false;
  }
  progress().close();
  if (!file.commit()) {
    showMessage(
        MsgKind::Error,
        QStringLiteral("Cannot create the file %1:\r%2").arg(nativeName(path), file.errorString()));
    return false;
  }
  return true;
}

QString importSummary(const ImportCount& c) {
  QStringList lines;
  if (!c.stopped.isEmpty()) {
    lines << QStringLiteral("The import stopped: %1").arg(c.stopped)
          << QStringLiteral("Records imported before it: %1 (they are kept).").arg(c.added);
  } else if (c.notPosted || c.cut || c.unreadable || c.replaced) {
    lines << QStringLiteral("Records imported: %1.").arg(c.added);
  }
  if (c.notPosted) lines << QStringLiteral("Records that could not be added: %1.").arg(c.notPosted);
  if (c.cut) lines << QStringLiteral("Records with a value cut at 255 characters: %1.").arg(c.cut);
  if (c.unreadable)
    lines << QStringLiteral("Values that could not be read, left empty: %1.").arg(c.unreadable);
  if (c.replaced)
    lines << QStringLiteral("Characters with no Windows-1252 form, imported as \"?\": %1.")
                 .arg(c.replaced);
  return lines.join(QLatin1Char('\r'));
}

ImportCount importText(StoreTables& tables, const QString& path, QWidget* window) {
  ImportCount count;
  const ExchangeSettings& s = exchangeSettings();
  DbTable& records = tables.records;
  if (!s.separator || s.fields.empty() || !records.active()) return count;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    showMessage(
        MsgKind::Error,
        QStringLiteral("Cannot open the file %1:\r%2").arg(nativeName(path), file.errorString()));
    return count;
  }
  const QByteArray head = file.peek(65536);
  if (head.contains('\0')) {
    showMessage(
        MsgKind::Error,
        QStringLiteral("%1 is not a text file: nothing was imported.").arg(nativeName(path)));
    return count;
  }
  bool bom = false;
  const bool utf8 =
      exchange::looksLikeUtf8(std::string_view(head.constData(), size_t(head.size())), &bom);
  FileSource source(file);
  exchange::Utf8To1252Source decoded(source, bom);
  exchange::ByteSource& in = utf8 ? static_cast<exchange::ByteSource&>(decoded) : source;

  dbase::Table& t = records.engine();
  std::vector<bool> memo;
  for (int field : s.fields)
    memo.push_back(t.fields().at(static_cast<size_t>(field)).type == dbase::FieldType::Memo);
  exchange::TextRecordReader reader(in, s.format(), memo);
  std::vector<exchange::FieldText> values;
  const qint64 size = std::max<qint64>(file.size(), 1);
  reader.onEveryMiB([&] { progress().setPosition(source.done(), size); });
  WindowOff off(window);
  progress().open(kImporting);
  progress().setPosition(0, size);
  int64_t failures = 0;
  QString why;
  try {
    PassUse use(records);
    Numbers numbers(tables.catalogue);
    AppendBatch batch(t, count.added);
    while (reader.next(values)) {
      if (shuttingDown()) {
        count.stopped = QStringLiteral("the program is ending.");
        break;
      }
      // A line without a single value adds no empty book.
      if (exchange::TextRecordReader::blank(values)) {
        ++count.blank;
        continue;
      }
      t.append();
      bool cut = false;
      for (size_t i = 0; i < values.size(); ++i) {
        storeField(t, s.fields[i], values[i]);
        cut = cut || values[i].cut;
      }
      if (postNew(t, numbers, &why)) {
        batch.posted();
        failures = 0;
        if (cut) ++count.cut;
      } else {
        ++count.notPosted;
        if (++failures == kFailuresInARow) {
          count.stopped = QStringLiteral("the table takes no more records (%1).").arg(why);
          break;
        }
      }
      progress().setPosition(source.done(), size);
    }
    batch.finish();
    use.release();
  } catch (const std::exception& e) {
    cancelQuietly(t);
    count.stopped = engineText(e);
  }
  count.replaced = utf8 ? decoded.replaced() : 0;
  progress().close();
  try {
    if (letterTabsActive()) countLetters(records);
  } catch (const std::exception&) {
  }
  off.release();
  const QString summary = importSummary(count);
  if (!summary.isEmpty())
    showMessage(count.stopped.isEmpty() ? MsgKind::Warning : MsgKind::Error, summary);
  return count;
}

QString exchangeTableName(const QString& name) {
  // Only the file part: a name never reaches outside the exchange folder.
  const QString file = QFileInfo(name.trimmed()).fileName();
  const QString base = file.left(file.indexOf(QLatin1Char('.'))).trimmed().toUpper();
  // A pattern names no one table.
  if (base.contains(QLatin1Char('*')) || base.contains(QLatin1Char('?'))) return {};
  return base;
}

bool exportDbase(DbTable& records, const QString& name, QWidget* window) {
  const QString base = exchangeTableName(name);
  if (base.isEmpty() || !records.active()) {
    showMessage(MsgKind::Error, kMsgNoExportFile);
    return false;
  }
  makeExchangeFolder();
  const QString fileName = base + QStringLiteral(".DBF");
  const QString dbf = joinPath(exchangeFolder(), fileName);
  if (dbase::Table::resolve(toNativePath(dbf))) {
    if (!askYesNo(MsgKind::Warning, kMsgExists)) {
      showMessage(MsgKind::Error, kMsgNoExportFile);
      return false;
    }
    try {
      dbase::Table::deleteTable(toNativePath(dbf));
    } catch (const std::exception&) {
      showMessage(MsgKind::Error, kMsgNoExportFile);
      return false;
    }
  }
  WindowOff off(window);
  DbTable out;
  out.databaseName = exchangeFolder();
  out.tableName = fileName;
  out.exclusive = true;
  if (!createFromTemplate(out, true)) {
    off.release();
    showMessage(MsgKind::Error, kMsgNoExportFile);
    return false;
  }
  try {
    out.open();
    dbase::Table& to = out.engine();
    const int fields = static_cast<int>(std::min(to.fields().size(), records.fieldDefs().size()));
    walkShown(records, [&](dbase::Table& t) {
      walkCursor(t, [&](dbase::Table& from) {
        to.append();
        for (int i = 0; i < fields; ++i) to.assignFrom(i, from, i);
        to.post();
      });
    });
    out.close();
  } catch (const std::exception& e) {
    progress().close();
    off.release();
    out.close();
    // Half a copy is no export: it goes.
    try {
      dbase::Table::deleteTable(toNativePath(dbf));
    } catch (const std::exception&) {
    }
    showMessage(MsgKind::Error, kMsgNoExportFile + QLatin1Char('\r') + engineText(e));
    return false;
  }
  progress().close();
  off.release();
  showMessage(MsgKind::Information, kMsgExported + nativeName(dbf));
  return true;
}

ImportCount importDbase(StoreTables& tables, const QString& name, QWidget* window) {
  ImportCount count;
  const QString base = exchangeTableName(name);
  DbTable& records = tables.records;
  const QString dbf = joinPath(exchangeFolder(), base + QStringLiteral(".DBF"));
  DbTable in;
  in.databaseName = exchangeFolder();
  in.tableName = base + QStringLiteral(".DBF");
  in.readOnly = true;
  if (base.isEmpty() || !records.active() || !dbase::Table::resolve(toNativePath(dbf))) {
    showMessage(MsgKind::Error, kMsgNotOpen);
    return count;
  }
  try {
    in.open();
  } catch (const std::exception& e) {
    showMessage(MsgKind::Error, kMsgNotOpen + QLatin1Char('\r') + engineText(e));
    return count;
  }
  dbase::Table& from = in.engine();
  dbase::Table& t = records.engine();
  const int first = appSettings().firstUserField;
  const int last = static_cast<int>(std::min(from.fields().size(), t.fields().size()));
  WindowOff off(window);
  progress().open(kImporting);
  int64_t failures = 0;
  QString why;
  try {
    progress().setPosition(0, from.recordCount());
    PassUse use(records);
    Numbers numbers(tables.catalogue);
    AppendBatch batch(t, count.added);
    for (from.first(); !from.eof(); from.next()) {
      if (shuttingDown()) {
        count.stopped = QStringLiteral("the program is ending.");
        break;
      }
      t.append();
      for (int i = first; i < last; ++i) {
        try {
          t.assignFrom(i, from, i);
        } catch (const dbase::Error&) {
          t.clear(i);  // a damaged value or memo of the exchange table stays out
          ++count.unreadable;
        }
      }
      if (postNew(t, numbers, &why)) {
        batch.posted();
        failures = 0;
      } else {
        ++count.notPosted;
        if (++failures == kFailuresInARow) {
          count.stopped = QStringLiteral("the table takes no more records (%1).").arg(why);
          break;
        }
      }
    }
    batch.finish();
    use.release();
  } catch (const std::exception& e) {
    cancelQuietly(t);
    count.stopped = engineText(e);
  }
  progress().close();
  in.close();
  off.release();
  try {
    if (letterTabsActive()) countLetters(records);
  } catch (const std::exception&) {
  }
  const QString summary = importSummary(count);
  if (summary.isEmpty())
    showMessage(MsgKind::Information, kMsgImported);
  else
    showMessage(count.stopped.isEmpty() ? MsgKind::Warning : MsgKind::Error, summary);
  return count;
}
