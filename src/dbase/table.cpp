#include "dbase/table.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "dbf.h"
#include "expr.h"
#include "fileutil.h"
#include "keys.h"
#include "lock.h"
#include "mdx.h"
#include "mdx_format.h"
#include "memo.h"

namespace dbase {

namespace {

constexpr int kShortLockTimeoutMs = 10000;
constexpr size_t kScanChunk = 1 << 20;
constexpr size_t kMaxPendingKeys = 2'000'000;
constexpr int64_t kRecentChangeNs = 3'000'000'000;
constexpr int64_t kClockTickMarginNs = 50'000'000;  // file times move in clock ticks of a few ms

int64_t nowNs() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}
constexpr const char* kTempSuffix = ".tmp";
constexpr const char* kPackMarkerSuffix = ".pck";

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool validDate(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  int dim = kDays[m - 1] + (m == 2 && leapYear(y) ? 1 : 0);
  return d <= dim;
}

// "YYYYMMDD" (also "YYYY-MM-DD"); nullopt for text that is no date, a blank Date for blanks.
std::optional<Date> parseDateText(std::string_view text) {
  text = trim(text);
  if (text.empty()) return Date{};
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits.push_back(c);
    else if (c != '-' && c != '/' && c != '.') return std::nullopt;
  }
  if (digits.size() != 8) return std::nullopt;
  Date d{std::atoi(digits.substr(0, 4).c_str()), std::atoi(digits.substr(4, 2).c_str()),
         std::atoi(digits.substr(6, 2).c_str())};
  if (!validDate(d.year, d.month, d.day)) return std::nullopt;
  return d;
}

std::string dateText(const Date& d) {
  if (d.isBlank()) return std::string(8, ' ');
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year % 10000, d.month % 100, d.day % 100);
  return std::string(buf, 8);
}

bool isBlankBytes(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\0') return false;
  return true;
}

bool isMemoType(FieldType t) { return t == FieldType::Memo || t == FieldType::Binary; }

KeyType keyTypeFor(ExprValue::Kind kind, const std::string& file, const std::string& expr) {
  switch (kind) {
    case ExprValue::Kind::Character: return KeyType::Character;
    case ExprValue::Kind::Numeric: return KeyType::Numeric;
    case ExprValue::Kind::Date: return KeyType::Date;
    default: throw ExpressionError(file, "a logical expression cannot be a key: " + expr);
  }
}

int keyLengthFor(KeyType type, const Expression& e, const std::string& file) {
  if (type == KeyType::Numeric) return kNumericKeyLength;
  if (type == KeyType::Date) return kDateKeyLength;
  int len = e.resultLength();
  if (len < 1 || len > kMaxCharacterKeyLength)
    throw ExpressionError(file, "key of " + e.text() + " must be 1 to " +
                                    std::to_string(kMaxCharacterKeyLength) + " characters long");
  return len;
}

// The tag flag of a field descriptor marks a tag whose key is just that field.
void markTaggedFields(DbfHeader& h, const std::vector<TagInfo>& tags) {
  h.tagFlags.assign(h.fields.size(), false);
  for (const auto& t : tags) {
    std::string expr = toUpper(trim(t.expression));
    for (size_t i = 0; i < h.fields.size(); ++i)
      if (h.fields[i].name == expr && t.filter.empty()) h.tagFlags[i] = true;
  }
}

// Completes a pack that reached its commit point (the marker file) before a crash.
void finishInterruptedPack(const std::string& dbfPath) {
  std::string marker = dbfPath + kPackMarkerSuffix;
  if (!fileExists(marker)) return;
  bool hasMdx = false, hasDbt = false;
  std::string mdx = companionPath(dbfPath, ".mdx", &hasMdx);
  std::string dbt = companionPath(dbfPath, ".dbt", &hasDbt);
  for (const std::string& target : {dbt, mdx, dbfPath}) {
    std::string tmp = target + kTempSuffix;
    try {
      if (fileExists(tmp)) replaceFile(tmp, target);
    } catch (const Error&) {
      // The packer itself may be renaming it this very moment.
    }
  }
  try {
    removeFile(marker);
  } catch (const Error&) {
  }
  syncDirectory(dirName(dbfPath));
}

}  // namespace

struct TagState {
  TagInfo info;
  int index = -1;  // in MdxFile
  std::optional<Expression> expr;
  std::optional<Expression> filter;
};

struct Table::Impl {
  // Files
  std::string path;
  File dbf;
  File mdxLock;  // our own descriptor on the .mdx for its lock byte
  std::unique_ptr<MemoFile> memo;
  std::unique_ptr<MdxFile> mdx;
  bool exclusive = false;
  bool readOnly = false;
  bool dateStamped = false;
  bool countDirty = false;  // exclusive use: the header count is written by flushPending()
  bool batchOn = false;     // exclusive use: the index holds its writes (MdxFile batch)

  DbfHeader hdr;
  uint32_t count = 0;  // physical records we can read
  const char* map = nullptr;  // exclusive use: mapping of the .dbf (writable unless read-only)
  bool grownAhead = false;    // the file has zeros past its end mark (exclusive appends)
  uint64_t mapLength = 0;
  int64_t seenMtime = -1;  // shared use: the .dbf as last looked at
  uint64_t seenSize = 0;
  int64_t flagsMtime = -1;  // shared use: the .dbf when the flags were read
  uint64_t flagsSize = 0;
  bool flagsCacheable = false;

  // Deleted flags, 1 per record (index = recno); exclusive use only.
  std::vector<uint8_t> flags;
  bool flagsValid = false;
  uint32_t deletedCount = 0;

  // Tags and order
  std::vector<TagState> tags;
  int active = -1;
  std::string activeName;
  std::unique_ptr<MdxFile::Cursor> cursor;
  bool cursorStale = true;
  std::string curKey;

  // Exclusive use: keys of appended records wait here (per tag, flat) until
  // the index is next read, then go in sorted, or by a rebuild when they outnumber it.
  struct PendingKeys {
    std::string keys;
    std::vector<uint32_t> recnos;
  };
  std::vector<PendingKeys> pending;
  size_t pendingCount = 0;

  // Range
  std::optional<KeyValue> pendingLow, pendingHigh;
  bool rangeOn = false;
  std::optional<std::string> low, high;

  // Position and buffer
  uint32_t recno = 0;
  bool bof = true, eof = true;
  std::string rec;    // current record, flag byte first
  std::string saved;  // the record as it was when editing started
  std::string scratch;
  std::string keyBuffer;
  Table::State state = Table::State::Inactive;
  uint32_t lockedRecord = 0;
  std::map<int, std::string> pendingBlobs;

  // Caches (exclusive use only, dropped by every change)
  uint64_t generation = 0;
  uint64_t indexWrites = 0;  // insert/erase calls: each ends by clearing the busy mark
  std::optional<std::pair<uint64_t, uint32_t>> countCache;

  // ---- basics ----
  [[noreturn]] void fail(const std::string& reason) const { throw Error(path, reason); }

  void requireOpen() const {
    if (state == Table::State::Inactive) throw Error("", "table is not open");
  }
  void requireWritable() const {
    requireOpen();
    if (readOnly) fail("table is open read-only");
  }
  void requireExclusive(const char* what) const {
    requireWritable();
    if (!exclusive) fail(std::string(what) + " needs exclusive use of the table");
  }
  const FieldDef& field(int i) const {
    if (i < 0 || static_cast<size_t>(i) >= hdr.fields.size())
      fail("no field number " + std::to_string(i));
    return hdr.fields[static_cast<size_t>(i)];
  }
  std::string_view fieldBytes(std::string_view record, int i) const {
    const FieldDef& f = field(i);
    return record.substr(static_cast<size_t>(hdr.offsets[static_cast<size_t>(i)]),
                         static_cast<size_t>(f.length));
  }
  char* fieldPtr(int i) { return rec.data() + hdr.offsets[static_cast<size_t>(i)]; }
  uint64_t recordOffset(uint32_t r) const {
    return hdr.headerLength + static_cast<uint64_t>(r - 1) * hdr.recordLength;
  }
  uint32_t boundedCount(uint32_t headerCount) const {
    uint64_t size = dbf.size();
    if (size <= hdr.headerLength) return 0;
    uint64_t fit = (size - hdr.headerLength) / hdr.recordLength;
    return static_cast<uint32_t>(std::min<uint64_t>(headerCount, fit));
  }
  void changed() {
    ++generation;
    countCache.reset();
  }

  // ---- records ----
  // Exclusive use reads records through a read-only mapping: no one else may
  // shrink the file under it then. Shared use reads with pread.
  void unmap() {
    if (map) ::munmap(const_cast<char*>(map), mapLength);
    map = nullptr;
    mapLength = 0;
  }
  void remap() {
    unmap();
    uint64_t size = dbf.size();
    if (size == 0 || size > (uint64_t{1} << 46)) return;
    int prot = readOnly ? PROT_READ : PROT_READ | PROT_WRITE;
    void* p = ::mmap(nullptr, size, prot, MAP_SHARED, dbf.fd(), 0);
    if (p == MAP_FAILED) return;
    map = static_cast<const char*>(p);
    mapLength = size;
  }
  const char* recordPtr(uint32_t r) {
    if (!exclusive) return nullptr;
    uint64_t off = recordOffset(r);
    uint64_t end = off + hdr.recordLength;
    if (end <= mapLength) return map + off;
    // Appends grow the file past the mapping: map again once it is worth it.
    uint64_t size = dbf.size();
    if (end > size) return nullptr;
    if (!map || size >= mapLength + std::max<uint64_t>(mapLength / 4, uint64_t{16} << 20)) {
      remap();
      if (end <= mapLength) return map + off;
    }
    return nullptr;
  }
  // Exclusive appends go through the mapping: no system call per record, and
  // the bytes are in the page cache the moment they are stored, so kill -9
  // cannot lose them. The file grows ahead in large steps (zeros) and is cut
  // back to its records on close; the flag byte is stored last, over the
  // previous end mark, so a record counts only once it is whole.
  bool appendMapped(uint32_t target, std::string_view record) {
    if (!exclusive || readOnly) return false;
    uint64_t off = recordOffset(target);
    uint64_t need = off + record.size() + 1;
    if (need > mapLength) {
      uint64_t size = dbf.size();
      if (need > size) {
        uint64_t grown = std::max(need, size + std::max<uint64_t>(size / 2, uint64_t{32} << 20));
        dbf.truncate(grown);
        grownAhead = true;
      }
      remap();
      if (need > mapLength) return false;
    }
    char* p = const_cast<char*>(map) + off;
    std::memcpy(p + 1, record.data() + 1, record.size() - 1);
    p[record.size()] = static_cast<char>(kEofMarker);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    p[0] = record[0];
    return true;
  }
  // Cuts the zeros grown ahead off again.
  void trimGrowth() {
    if (!grownAhead) return;
    unmap();  // nothing may touch the pages past the new end
    dbf.truncate(hdr.headerLength + static_cast<uint64_t>(count) * hdr.recordLength + 1);
    grownAhead = false;
  }
  void readRecord(uint32_t r, std::string& out) {
    out.resize(hdr.recordLength);
    if (const char* p = recordPtr(r)) {
      std::memcpy(out.data(), p, out.size());
      return;
    }
    if (dbf.readAt(recordOffset(r), out.data(), out.size()) != out.size())
      throw FormatError(path, "record " + std::to_string(r) + " is truncated");
  }
  void loadFlags() {
    if (!exclusive) {
      // Shared use: the flags stay valid while the file keeps its size and time
      // (sync() drops them), but only when its time is older than a clock tick
      // so a change right after this scan cannot keep the same time.
      struct stat st;
      if (::fstat(dbf.fd(), &st) == 0) {
        flagsMtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        flagsSize = static_cast<uint64_t>(st.st_size);
        flagsCacheable = nowNs() - flagsMtime > kClockTickMarginNs;
      } else {
        flagsCacheable = false;
      }
    }
    flags.assign(static_cast<size_t>(count) + 1, 0);
    deletedCount = 0;
    if (count > 0 && recordPtr(count)) {
      for (uint32_t r = 1; r <= count; ++r) {
        if (static_cast<uint8_t>(map[recordOffset(r)]) == kRecordDeleted) {
          flags[r] = 1;
          ++deletedCount;
        }
      }
      flagsValid = true;
      return;
    }
    std::vector<char> buf;
    uint32_t perChunk = std::max<uint32_t>(1, static_cast<uint32_t>(kScanChunk / hdr.recordLength));
    buf.resize(static_cast<size_t>(perChunk) * hdr.recordLength);
    for (uint32_t r = 1; r <= count; r += perChunk) {
      uint32_t n = std::min(perChunk, count - r + 1);
      size_t want = static_cast<size_t>(n) * hdr.recordLength;
      size_t got = dbf.readAt(recordOffset(r), buf.data(), want);
      for (uint32_t k = 0; k < n && static_cast<size_t>(k + 1) * hdr.recordLength <= got; ++k) {
        if (static_cast<uint8_t>(buf[static_cast<size_t>(k) * hdr.recordLength]) == kRecordDeleted) {
          flags[r + k] = 1;
          ++deletedCount;
        }
      }
    }
    flagsValid = true;
  }
  bool flagsCurrent() const { return flagsValid && flags.size() == static_cast<size_t>(count) + 1; }
  bool live(uint32_t r) {
    if (r < 1 || r > count) return false;
    if (exclusive && !flagsCurrent()) loadFlags();
    if (flagsCurrent()) return deletedCount == 0 || flags[r] == 0;
    char c = 0;
    dbf.readAt(recordOffset(r), &c, 1);
    return static_cast<uint8_t>(c) != kRecordDeleted;
  }
  // For counts, positions and walks: one sequential scan of the deletion flags
  // beats many small reads.
  void prepareBulk() {
    if (!flagsCurrent()) loadFlags();
  }
  // After a bulk operation in shared use: flags that cannot be trusted later are dropped.
  void endBulk() {
    if (!exclusive && !flagsCacheable) flagsValid = false;
  }
  // Ends a bulk operation however it is left.
  struct BulkScope {
    explicit BulkScope(Impl& d) : d_(d) {}
    ~BulkScope() { d_.endBulk(); }
    BulkScope(const BulkScope&) = delete;
    BulkScope& operator=(const BulkScope&) = delete;
    Impl& d_;
  };
  // True when every record is live: index positions are then record positions.
  bool allLive() {
    prepareBulk();
    return flagsCurrent() && deletedCount == 0;
  }
  // Index position of the range's first entry, or nullopt when the range is empty.
  std::optional<uint64_t> rangeStartPosition() {
    MdxFile::Cursor c(*mdx, activeTag().index);
    seekStart(c);
    if (!c.valid() || !belowHigh(c.key())) return std::nullopt;
    return c.position();
  }
  void setFlag(uint32_t r, bool deleted) {
    if (!flagsValid) return;
    if (flags.size() <= r) flags.resize(static_cast<size_t>(r) + 1, 0);
    if (flags[r] != (deleted ? 1 : 0)) {
      flags[r] = deleted ? 1 : 0;
      deletedCount += deleted ? 1 : static_cast<uint32_t>(-1);
    }
  }

  // Sees changes of other programs: the header count is re-read when the file
  // changed, the index looked at while the table was changed lately (its keys
  // are written just after the record).
  void sync() {
    if (pendingCount != 0 && active >= 0) applyPendingKeys();
    if (exclusive || state == Table::State::Inactive) return;
    struct stat st;
    if (::fstat(dbf.fd(), &st) != 0) return;
    int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    bool dbfChanged = mtime != seenMtime || static_cast<uint64_t>(st.st_size) != seenSize;
    if (flagsValid && (mtime != flagsMtime || static_cast<uint64_t>(st.st_size) != flagsSize)) flagsValid = false;
    if (dbfChanged) {
      seenMtime = mtime;
      seenSize = static_cast<uint64_t>(st.st_size);
      char buf[4];
      if (dbf.readAt(kHdrRecordCount, buf, 4) == 4) {
        uint32_t headerCount = getU32(buf);
        count = boundedCount(headerCount);
      }
      changed();
    }
    if (!mdx) return;
    if (dbfChanged || nowNs() - mtime < kRecentChangeNs) mdx->reloadIfChanged();  // cursors re-find their entry
  }

  void stampDate() {
    if (dateStamped) return;
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char d[3] = {static_cast<char>(tm.tm_year), static_cast<char>(tm.tm_mon + 1),
                 static_cast<char>(tm.tm_mday)};
    dbf.writeAt(kHdrLastUpdate, d, 3);
    dateStamped = true;
  }

  void writeCount(uint32_t n) {
    char buf[4];
    putU32(buf, n);
    dbf.writeAt(kHdrRecordCount, buf, 4);
  }

  // ---- memos ----
  std::string memoOf(std::string_view record, int i) const {
    if (!memo) return {};
    return memo->read(parseMemoBlock(fieldBytes(record, i)));
  }

  // ---- keys ----
  bool tagKey(const TagState& t, std::string_view record, std::string& key) const {
    RecordView view{record, [this, record](int f) { return memoOf(record, f); }};
    if (t.filter) {
      ExprValue v = t.filter->evaluate(view);
      if (v.kind != ExprValue::Kind::Logical || !v.logical) return false;
    }
    key = makeKey(t.expr->evaluate(view), t.info.keyType, t.info.keyLength);
    return true;
  }
  const TagState& activeTag() const { return tags[static_cast<size_t>(active)]; }
  bool charTag() const { return activeTag().info.keyType == KeyType::Character; }
  // Order of key against a bound in the active tag's direction; bounds compare over their length.
  int compareBound(std::string_view key, const std::string& bound) const {
    const TagInfo& info = activeTag().info;
    int c = compareKeyPrefix(info.keyType, key, bound);
    return info.descending ? -c : c;
  }
  bool aboveLow(std::string_view key) const { return !rangeOn || !low || compareBound(key, *low) >= 0; }
  bool belowHigh(std::string_view key) const { return !rangeOn || !high || compareBound(key, *high) <= 0; }

  void loadTags() {
    tags.clear();
    if (!mdx) return;
    auto infos = mdx->tags();
    for (const TagInfo& info : infos) {
      TagState t;
      t.info = info;
      t.index = mdx->findTag(info.name);
      t.expr.emplace(Expression::compile(info.expression, hdr.fields));
      if (!trim(info.filter).empty()) t.filter.emplace(Expression::compile(info.filter, hdr.fields));
      tags.push_back(std::move(t));
    }
  }

  void insertKeys(std::string_view record, uint32_t r) {
    std::string& key = keyBuffer;
    for (size_t i = 0; i < tags.size(); ++i) {
      const TagState& t = tags[i];
      if (!tagKey(t, record, key)) continue;
      if (exclusive && !t.info.unique) {
        if (pending.size() < tags.size()) pending.resize(tags.size());
        pending[i].keys.append(key);
        pending[i].recnos.push_back(r);
        ++pendingCount;
        continue;
      }
      if (t.info.unique && hasKey(t, key)) continue;
      mdx->insert(t.index, key, r);
      ++indexWrites;
    }
    if (pendingCount >= kMaxPendingKeys) applyPendingKeys();
  }
  void applyPendingKeys() {
    if (pendingCount == 0) return;
    for (size_t i = 0; i < pending.size() && i < tags.size(); ++i) {
      PendingKeys& p = pending[i];
      if (p.recnos.empty()) continue;
      const TagState& t = tags[i];
      auto sorted = sortEntries(t.info, p.keys, p.recnos);
      std::string().swap(p.keys);
      std::vector<uint32_t>().swap(p.recnos);
      uint64_t existing = mdx->count(t.index);
      if (existing <= sorted.size() * 2) {
        // Many new keys: merge with the old ones and build the tag anew.
        std::vector<std::pair<std::string, uint32_t>> merged;
        merged.reserve(existing + sorted.size());
        MdxFile::Cursor c(*mdx, t.index);
        std::vector<std::pair<std::string, uint32_t>> old;
        old.reserve(existing);
        for (c.first(); c.valid(); c.next()) old.emplace_back(std::string(c.key()), c.recno());
        KeyType type = t.info.keyType;
        bool desc = t.info.descending;
        std::merge(std::make_move_iterator(old.begin()), std::make_move_iterator(old.end()),
                   std::make_move_iterator(sorted.begin()), std::make_move_iterator(sorted.end()),
                   std::back_inserter(merged), [type, desc](const auto& a, const auto& b) {
                     int cmp = compareKeys(type, a.first, b.first);
                     if (cmp != 0) return desc ? cmp > 0 : cmp < 0;
                     return a.second < b.second;
                   });
        mdx->buildTag(t.index, merged);
      } else {
        for (const auto& [key, r] : sorted) mdx->insert(t.index, key, r);
      }
      ++indexWrites;
    }
    pendingCount = 0;
    cursorStale = true;
    changed();
  }
  bool hasKey(const TagState& t, const std::string& key) const {
    MdxFile::Cursor c(*mdx, t.index);
    return c.seek(key, 0, false) && compareKeys(t.info.keyType, c.key(), key) == 0;
  }

  // ---- cursor positioning in the active tag ----
  void seekStart(MdxFile::Cursor& c) const {
    if (rangeOn && low) c.seek(*low, 0, charTag());
    else c.first();
  }
  void seekEnd(MdxFile::Cursor& c) const {
    if (!(rangeOn && high)) {
      c.last();
      return;
    }
    c.seek(*high, 0xFFFFFFFFu, charTag());
    while (c.valid() && compareBound(c.key(), *high) <= 0) c.next();
    if (!c.valid()) c.last();
    while (c.valid() && compareBound(c.key(), *high) > 0) c.prev();
  }
  // Moves the main cursor forward (backward) to the first live record in range.
  bool settle(bool forward) {
    MdxFile::Cursor& c = *cursor;
    while (c.valid()) {
      std::string_view key = c.key();
      if (forward ? !belowHigh(key) : !aboveLow(key)) return false;
      if (loadIfLive(c.recno())) {
        curKey.assign(key.data(), key.size());
        cursorStale = false;
        return true;
      }
      if (forward) c.next();
      else c.prev();
    }
    return false;
  }
  // Puts the main cursor back on the current entry. Returns false when the
  // entry is gone and the cursor already stands on its successor.
  bool restoreCursor() {
    if (!cursorStale) return true;
    cursorStale = false;
    if (!cursor->seek(curKey, recno, false)) return false;
    return cursor->recno() == recno && compareKeys(activeTag().info.keyType, cursor->key(), curKey) == 0;
  }

  void setCurrent(uint32_t r) {
    recno = r;
    readRecord(r, rec);
  }
  // Makes r current when it is live; one read in shared use (the flag comes with the record).
  bool loadIfLive(uint32_t r) {
    if (r < 1 || r > count) return false;
    if (exclusive) {
      if (!live(r)) return false;
      setCurrent(r);
      return true;
    }
    readRecord(r, scratch);
    if (static_cast<uint8_t>(scratch[0]) == kRecordDeleted) return false;
    rec.swap(scratch);
    recno = r;
    return true;
  }
  void setEmpty() {
    recno = 0;
    bof = eof = true;
    rec.assign(hdr.recordLength, ' ');
  }
  void refreshCurrentKey() {
    if (active < 0 || recno == 0) return;
    if (!tagKey(activeTag(), rec, curKey)) {
      // Outside the tag's filter: keep the position of its key in the tag anyway.
      RecordView view{rec, [this](int f) { return memoOf(rec, f); }};
      curKey = makeKey(activeTag().expr->evaluate(view), activeTag().info.keyType,
                       activeTag().info.keyLength);
    }
    cursorStale = true;
  }

  // ---- navigation ----
  void browseMode() {
    if (state == Table::State::Edit || state == Table::State::Insert) post();
  }
  void first() {
    browseMode();
    sync();
    bof = eof = false;
    if (active < 0) {
      uint32_t r = 1;
      while (r <= count && !loadIfLive(r)) ++r;
      if (r > count) return setEmpty();
      return;
    }
    seekStart(*cursor);
    if (!settle(true)) setEmpty();
  }
  void last() {
    browseMode();
    sync();
    bof = eof = false;
    if (active < 0) {
      uint32_t r = count;
      while (r >= 1 && !loadIfLive(r)) --r;
      if (r == 0) return setEmpty();
      return;
    }
    seekEnd(*cursor);
    if (!settle(false)) setEmpty();
  }
  bool step(bool forward) {
    browseMode();
    sync();
    if (recno == 0) {
      bof = eof = true;
      return false;
    }
    bool moved = false;
    if (active < 0) {
      if (forward) {
        uint32_t r = recno + 1;
        while (r <= count && !loadIfLive(r)) ++r;
        moved = r <= count;
      } else {
        uint32_t r = std::min(recno, count + 1) - 1;
        while (r >= 1 && !loadIfLive(r)) --r;
        moved = r >= 1;
      }
    } else {
      bool onEntry = restoreCursor();
      if (forward) {
        if (onEntry) cursor->next();
      } else {
        cursor->prev();
        (void)onEntry;
      }
      moved = settle(forward);
      if (!moved) cursorStale = true;
    }
    if (moved) {
      if (forward) bof = false;
      else eof = false;
    } else {
      if (forward) eof = true;
      else bof = true;
    }
    return moved;
  }

  // Walks live records of the active order and range from its start until f returns false.
  template <class F>
  void walk(F&& f) {
    prepareBulk();
    if (active < 0) {
      for (uint32_t r = 1; r <= count; ++r)
        if (live(r) && !f(r)) return;
      return;
    }
    MdxFile::Cursor c(*mdx, activeTag().index);
    seekStart(c);
    while (c.valid()) {
      if (!belowHigh(c.key())) return;
      uint32_t r = c.recno();
      if (live(r) && !f(r)) return;
      c.next();
    }
  }

  uint32_t recordCount() {
    sync();
    if (exclusive && countCache && countCache->first == generation) return countCache->second;
    uint32_t n = 0;
    if (active < 0) {
      prepareBulk();
      if (flagsCurrent()) n = count - deletedCount;
      else walk([&](uint32_t) { ++n; return true; });
    } else if (allLive()) {
      // Index positions give the count without a walk.
      if (!rangeOn) {
        n = static_cast<uint32_t>(mdx->count(activeTag().index));
      } else if (auto start = rangeStartPosition()) {
        MdxFile::Cursor c(*mdx, activeTag().index);
        seekEnd(c);
        uint64_t end = c.valid() ? c.position() : 0;
        n = c.valid() && end >= *start ? static_cast<uint32_t>(end - *start + 1) : 0;
      }
    } else {
      walk([&](uint32_t) { ++n; return true; });
    }
    endBulk();
    countCache = std::make_pair(generation, n);
    return n;
  }

  // ---- editing ----
  void lockRecord(uint32_t r) {
    if (exclusive || lockedRecord == r) return;
    if (!tryLock(dbf.fd(), recordLockOffset(r), 1, LockKind::Write))
      throw LockError(path, "record " + std::to_string(r) + " is being edited by another user");
    lockedRecord = r;
  }
  void unlockRecord() {
    if (lockedRecord != 0) unlock(dbf.fd(), recordLockOffset(lockedRecord), 1);
    lockedRecord = 0;
  }
  void requireEditing() const {
    if (state != Table::State::Edit && state != Table::State::Insert)
      fail("the record is not being edited (call edit() or append() first)");
  }

  void edit() {
    requireWritable();
    if (state == Table::State::Edit || state == Table::State::Insert) return;
    sync();
    if (recno == 0) return append();
    lockRecord(recno);
    readRecord(recno, rec);  // another user may have changed it
    saved = rec;
    pendingBlobs.clear();
    state = Table::State::Edit;
  }
  void append() {
    requireWritable();
    browseMode();
    saved.assign(hdr.recordLength, ' ');
    saved[0] = static_cast<char>(kRecordLive);
    rec = saved;
    pendingBlobs.clear();
    state = Table::State::Insert;
  }
  void cancel() {
    if (state == Table::State::Edit) {
      rec = saved;
      unlockRecord();
    } else if (state == Table::State::Insert) {
      if (recno != 0 && recno <= count) readRecord(recno, rec);
      else rec.assign(hdr.recordLength, ' ');
    }
    pendingBlobs.clear();
    if (state != Table::State::Inactive) state = Table::State::Browse;
  }

  void writePendingMemos() {
    if (pendingBlobs.empty()) return;
    if (!memo) fail("table has no memo file");
    ScopedLock guard;
    if (!exclusive) {
      if (!waitLock(memo->fd(), kMemoLockOffset, kMemoLockLength, LockKind::Write, kShortLockTimeoutMs))
        throw LockError(memo->path(), "memo file is locked by another user");
      guard.hold(memo->fd(), kMemoLockOffset, kMemoLockLength);
    }
    for (auto& [i, data] : pendingBlobs) {
      const FieldDef& f = field(i);
      uint32_t old = parseMemoBlock(fieldBytes(saved, i));
      uint32_t block = memo->write(old, data);
      std::string text = formatMemoBlock(block, f.length);
      std::memcpy(fieldPtr(i), text.data(), text.size());
    }
  }

  void post() {
    if (state != Table::State::Edit && state != Table::State::Insert) return;
    bool inserting = state == Table::State::Insert;
    if (!inserting && mdx) applyPendingKeys();  // the old keys must be in the index to be erased
    // Old keys first: an in-place memo rewrite would change what they read.
    std::vector<std::optional<std::string>> oldKeys(tags.size());
    if (!inserting) {
      for (size_t t = 0; t < tags.size(); ++t) {
        std::string k;
        if (tagKey(tags[t], saved, k)) oldKeys[t] = std::move(k);
      }
    }
    writePendingMemos();
    pendingBlobs.clear();
    stampDate();
    uint32_t target = recno;
    // The index is marked busy before the record changes, so a crash in
    // between leaves a mark that makes the next open rebuild the tags.
    IndexUpdate index(*this);
    if (inserting) {
      ScopedLock guard;
      if (!exclusive) {
        if (!waitLock(dbf.fd(), kAppendLockOffset, 1, LockKind::Write, kShortLockTimeoutMs))
          throw LockError(path, "another user is appending");
        guard.hold(dbf.fd(), kAppendLockOffset, 1);
        char buf[4];
        dbf.readExact(kHdrRecordCount, buf, 4);
        count = boundedCount(getU32(buf));
      }
      if (count == 0xFFFFFFFFu) fail("table is full");
      target = count + 1;
      // Record and end mark first, the count last: a torn append loses only this record.
      if (!appendMapped(target, rec)) {
        rec.push_back(static_cast<char>(kEofMarker));
        dbf.writeAt(recordOffset(target), rec);
        rec.pop_back();
      }
      if (exclusive) countDirty = true;  // a crash is recovered from the file size on open
      else writeCount(target);
      count = target;
      if (exclusive && flagsValid) {
        if (flags.size() <= target) flags.resize(static_cast<size_t>(target) + 1, 0);
        flags[target] = 0;
      }
      guard.release();
      if (!tags.empty()) insertKeys(rec, target);
    } else {
      dbf.writeAt(recordOffset(target), rec);
      std::string key;
      for (size_t t = 0; t < tags.size(); ++t) {
        const TagState& tag = tags[t];
        bool has = tagKey(tag, rec, key);
        if (oldKeys[t] && has && *oldKeys[t] == key) continue;
        if (oldKeys[t]) {
          mdx->erase(tag.index, *oldKeys[t], target);
          ++indexWrites;
        }
        if (has && !(tag.info.unique && hasKey(tag, key))) {
          mdx->insert(tag.index, key, target);
          ++indexWrites;
        }
      }
      unlockRecord();
    }
    index.finish();
    recno = target;
    state = Table::State::Browse;
    bof = eof = false;
    changed();
    refreshCurrentKey();
  }

  // Holds the index lock (shared use) and the index's busy mark across a
  // record write and its key updates.
  class IndexUpdate {
   public:
    explicit IndexUpdate(Impl& d) : d_(d) {
      if (!d_.mdx || d_.tags.empty() || d_.readOnly) return;
      if (d_.exclusive) {
        // One batch for the whole exclusive session: the mark stays until flushPending().
        if (!d_.batchOn) {
          d_.setIndexBusy(1);
          d_.mdx->beginBatch();
          d_.batchOn = true;
        }
        d_.cursorStale = true;
        return;
      }
      {
        if (!waitLock(d_.mdxLock.fd(), kMdxLockOffset, 1, LockKind::Write, kShortLockTimeoutMs))
          throw LockError(d_.mdx->path(), "index is locked by another user");
        lock_.hold(d_.mdxLock.fd(), kMdxLockOffset, 1);
        d_.mdx->reloadIfChanged();
      }
      d_.setIndexBusy(1);
      // One batch for all keys of the record: the index clears its mark only
      // at the end, so a crash between two key updates still asks for a rebuild.
      d_.mdx->beginBatch();
      active_ = true;
      writesBefore_ = d_.indexWrites;
    }
    void finish() {
      if (!active_) return;
      active_ = false;
      d_.mdx->endBatch();
      if (d_.indexWrites == writesBefore_) d_.setIndexBusy(0);
      d_.cursorStale = true;
    }
    // Left by an exception: what was done goes out, the mark stays, the tags get rebuilt.
    ~IndexUpdate() {
      if (!active_) return;
      try {
        d_.mdx->endBatch();
        d_.setIndexBusy(1);
      } catch (...) {
      }
    }
    IndexUpdate(const IndexUpdate&) = delete;
    IndexUpdate& operator=(const IndexUpdate&) = delete;

   private:
    Impl& d_;
    ScopedLock lock_;
    bool active_ = false;
    uint64_t writesBefore_ = 0;
  };

  void setIndexBusy(char v) { mdxLock.writeAt(mdx::kHeaderBusy, &v, 1); }

  // Writes what exclusive use keeps back: the record count, the memo header, the index batch.
  void flushPending() {
    if (mdx) applyPendingKeys();
    if (countDirty && dbf.isOpen()) {
      writeCount(count);
      countDirty = false;
    }
    if (dbf.isOpen()) trimGrowth();
    if (memo) memo->flushHeader();
    if (batchOn && mdx) {
      batchOn = false;
      mdx->endBatch();
      setIndexBusy(0);
    }
  }

  // An exclusive writer that crashed leaves whole records past the header's
  // count (each record's flag byte is stored last, then an end mark follows)
  // and perhaps zeros grown ahead: count the records back in, cut the zeros.
  void recoverCount() {
    uint64_t size = dbf.size();
    const uint64_t base = hdr.headerLength;
    const uint64_t len = hdr.recordLength;
    if (size < base + 1) return;
    ScopedLock guard;
    uint64_t k = count;
    if (!exclusive) {
      if (!waitLock(dbf.fd(), kAppendLockOffset, 1, LockKind::Write, kShortLockTimeoutMs)) return;
      guard.hold(dbf.fd(), kAppendLockOffset, 1);
      char buf[4];
      dbf.readExact(kHdrRecordCount, buf, 4);
      hdr.recordCount = getU32(buf);
      count = boundedCount(hdr.recordCount);
      k = count;
      size = dbf.size();
    }
    if (k < hdr.recordCount) return;  // a damaged count larger than the file: read as is
    std::vector<char> buf(std::max<size_t>(len, kScanChunk / len * len));
    for (;;) {
      uint64_t off = base + k * len;
      if (off + len + 1 > size) break;
      size_t got = dbf.readAt(off, buf.data(), static_cast<size_t>(std::min<uint64_t>(buf.size(), size - off)));
      size_t whole = got / len;
      size_t i = 0;
      for (; i < whole && base + (k + 1) * len + 1 <= size; ++i, ++k) {
        auto flag = static_cast<uint8_t>(buf[i * len]);
        if (flag != kRecordLive && flag != kRecordDeleted) break;
      }
      if (i < whole || whole == 0 || k >= 0xFFFFFFFEull) break;
    }
    uint64_t end = base + k * len;
    char mark = 0;
    if (end >= size || dbf.readAt(end, &mark, 1) != 1 || static_cast<uint8_t>(mark) != kEofMarker) return;
    if (k > hdr.recordCount) {
      writeCount(static_cast<uint32_t>(k));
      hdr.recordCount = static_cast<uint32_t>(k);
    }
    count = boundedCount(hdr.recordCount);
    if (size > end + 1 && zerosFrom(end + 1, size)) dbf.truncate(end + 1);
  }
  bool zerosFrom(uint64_t from, uint64_t to) const {
    std::vector<char> buf(kScanChunk);
    while (from < to) {
      size_t n = dbf.readAt(from, buf.data(), static_cast<size_t>(std::min<uint64_t>(buf.size(), to - from)));
      if (n == 0) return false;
      for (size_t i = 0; i < n; ++i)
        if (buf[i] != 0) return false;
      from += n;
    }
    return true;
  }

  void deleteRecord() {
    requireWritable();
    if (state == Table::State::Insert) {
      cancel();
      return;
    }
    if (recno == 0) fail("no record to delete");
    if (state == Table::State::Edit) {
      rec = saved;
      pendingBlobs.clear();
      state = Table::State::Browse;
    }
    lockRecord(recno);
    char flag = static_cast<char>(kRecordDeleted);
    stampDate();
    dbf.writeAt(recordOffset(recno), &flag, 1);
    rec[0] = flag;
    setFlag(recno, true);
    unlockRecord();
    changed();
    uint32_t gone = recno;
    if (!step(true)) {
      if (recno == gone && !step(false)) setEmpty();
      eof = true;
      if (recno == gone) setEmpty();
    }
  }

  // ---- open / close ----
  void openFiles(const std::string& dbfPath, OpenMode mode, bool ro) {
    path = dbfPath;
    exclusive = mode == OpenMode::Exclusive;
    readOnly = ro;
    int flagsRw = ro && !exclusive ? O_RDONLY : O_RDWR;
    dbf = File::open(path, flagsRw);
    if (exclusive) {
      if (!tryLock(dbf.fd(), kOpenLockOffset, 1, LockKind::Write))
        throw LockError(path, "table is in use by another user");
    } else if (!tryLock(dbf.fd(), kOpenLockOffset, 1, LockKind::Read)) {
      throw LockError(path, "table is open exclusively by another user");
    }
    hdr = readDbfHeader(dbf);
    count = boundedCount(hdr.recordCount);
    if (!readOnly) recoverCount();
    if (hdr.hasMemoFields()) {
      bool exists = false;
      std::string dbt = companionPath(path, ".dbt", &exists);
      if (!exists) throw FormatError(dbt, "memo file is missing");
      memo = MemoFile::open(dbt, readOnly, hdr.version == kDbfVersionMemo3);
      if (exclusive && !readOnly) memo->setSoleUser(true);
    }
    if (hdr.productionMdx) {
      bool exists = false;
      std::string mdxPath = companionPath(path, ".mdx", &exists);
      if (exists) openIndex(mdxPath);
    }
  }
  void openIndex(const std::string& mdxPath) {
    mdx = MdxFile::open(mdxPath, readOnly);
    if (!readOnly) mdxLock = File::open(mdxPath, O_RDWR);
    loadTags();
  }
  // A crash in the middle of an index update left its mark: rebuild the tags,
  // which needs the table to ourselves for a moment.
  void repairIndex() {
    if (!mdx || !mdx->needsRebuild()) return;
    if (!exclusive) {
      // Perhaps another user is just updating it: wait for their lock and look again.
      if (mdxLock.isOpen() && waitLock(mdxLock.fd(), kMdxLockOffset, 1, LockKind::Write, kShortLockTimeoutMs)) {
        mdx->reloadIfChanged();
        unlock(mdxLock.fd(), kMdxLockOffset, 1);
      }
      if (!mdx->needsRebuild()) return;
    }
    std::string reason = "the index was left unfinished (a crash?) and must be rebuilt";
    if (readOnly) throw Error(mdx->path(), reason + "; open the table for writing");
    bool upgraded = exclusive || tryLock(dbf.fd(), kOpenLockOffset, 1, LockKind::Write);
    if (!upgraded) throw LockError(mdx->path(), reason + " when no one else has the table open");
    try {
      replaceIndex(tagDefs());
    } catch (...) {
      if (!exclusive) tryLock(dbf.fd(), kOpenLockOffset, 1, LockKind::Read);
      throw;
    }
    if (!exclusive) tryLock(dbf.fd(), kOpenLockOffset, 1, LockKind::Read);
  }
  void closeIndex() {
    flushPending();
    cursor.reset();
    if (mdx && !readOnly) mdx->flush();
    mdx.reset();
    mdxLock.close();
    tags.clear();
  }

  void closeAll() {
    if (state == Table::State::Edit || state == Table::State::Insert) cancel();
    unlockRecord();
    try {
      flushPending();
    } catch (...) {
      // Closing must go on; what was kept back is recovered on the next open.
    }
    countDirty = false;
    batchOn = false;
    grownAhead = false;
    pending.clear();
    pendingCount = 0;
    closeIndex();
    memo.reset();
    unmap();
    dbf.close();
    seenMtime = -1;
    state = Table::State::Inactive;
    active = -1;
    activeName.clear();
    rangeOn = false;
    low.reset();
    high.reset();
    pendingLow.reset();
    pendingHigh.reset();
    flags.clear();
    flagsValid = false;
    deletedCount = 0;
    recno = 0;
    bof = eof = true;
    dateStamped = false;
    changed();
  }

  void writeHeaderDefinitions() {
    DbfHeader h = hdr;
    h.recordCount = count;
    std::string bytes = encodeDbfHeader(h);
    // Only the fixed part and descriptors change; the count stays as written last.
    dbf.writeAt(0, bytes.data(), bytes.size());
  }

  // ---- building tags ----
  // Keys of every record (deleted ones too: dBASE keeps them) in the tag's order.
  std::vector<std::pair<std::string, uint32_t>> collectKeys(const TagState& t, const File& src,
                                                            const DbfHeader& h, uint32_t n,
                                                            const MemoFile* memoFile) const {
    const size_t len = static_cast<size_t>(t.info.keyLength);
    const KeyType type = t.info.keyType;
    std::string keys;
    keys.reserve(static_cast<size_t>(n) * len);
    std::vector<uint32_t> recnos;
    recnos.reserve(n);
    std::vector<char> buf;
    uint32_t perChunk = std::max<uint32_t>(1, static_cast<uint32_t>(kScanChunk / h.recordLength));
    buf.resize(static_cast<size_t>(perChunk) * h.recordLength);
    std::string_view current;
    RecordView view{{}, [&](int f) -> std::string {
                      if (!memoFile) return {};
                      auto fb = current.substr(static_cast<size_t>(h.offsets[static_cast<size_t>(f)]),
                                               static_cast<size_t>(h.fields[static_cast<size_t>(f)].length));
                      return memoFile->read(parseMemoBlock(fb));
                    }};
    for (uint32_t r = 1; r <= n; r += perChunk) {
      uint32_t k = std::min(perChunk, n - r + 1);
      size_t want = static_cast<size_t>(k) * h.recordLength;
      src.readExact(h.headerLength + static_cast<uint64_t>(r - 1) * h.recordLength, buf.data(), want);
      for (uint32_t i = 0; i < k; ++i) {
        current = std::string_view(buf.data() + static_cast<size_t>(i) * h.recordLength, h.recordLength);
        view.record = current;
        if (t.filter) {
          ExprValue v = t.filter->evaluate(view);
          if (v.kind != ExprValue::Kind::Logical || !v.logical) continue;
        }
        std::string key = makeKey(t.expr->evaluate(view), type, t.info.keyLength);
        keys.append(key.data(), len);
        recnos.push_back(r + i);
      }
    }
    return sortEntries(t.info, keys, recnos);
  }

  // Entries (keys flat in one buffer, one record number each) in the tag's
  // order; a unique tag keeps the first record of each key. Sorting goes
  // through small fixed slots: a big-endian 16-byte prefix settles most
  // character comparisons without touching the key bytes.
  static std::vector<std::pair<std::string, uint32_t>> sortEntries(const TagInfo& info, const std::string& keys,
                                                                   const std::vector<uint32_t>& recnos) {
    const size_t len = static_cast<size_t>(info.keyLength);
    const KeyType type = info.keyType;
    const bool desc = info.descending;
    struct Slot {
      uint64_t prefix;
      uint64_t prefix2;
      uint32_t recno;
      uint32_t index;
    };
    std::vector<Slot> slots;
    slots.reserve(recnos.size());
    for (size_t i = 0; i < recnos.size(); ++i) {
      const char* key = keys.data() + i * len;
      uint64_t prefix = 0, prefix2 = 0;
      if (type == KeyType::Character) {
        for (size_t b = 0; b < 8; ++b) prefix = (prefix << 8) | (b < len ? static_cast<uint8_t>(key[b]) : 0x20);
        for (size_t b = 8; b < 16; ++b) prefix2 = (prefix2 << 8) | (b < len ? static_cast<uint8_t>(key[b]) : 0x20);
      }
      slots.push_back(Slot{prefix, prefix2, recnos[i], static_cast<uint32_t>(i)});
    }
    auto keyOf = [&](const Slot& s) { return std::string_view(keys.data() + static_cast<size_t>(s.index) * len, len); };
    std::sort(slots.begin(), slots.end(), [&](const Slot& a, const Slot& b) {
      int c = 0;
      if (a.prefix != b.prefix) c = a.prefix < b.prefix ? -1 : 1;
      else if (a.prefix2 != b.prefix2) c = a.prefix2 < b.prefix2 ? -1 : 1;
      else if (type != KeyType::Character || len > 16) c = compareKeys(type, keyOf(a), keyOf(b));
      if (c != 0) return desc ? c > 0 : c < 0;
      return a.recno < b.recno;
    });
    std::vector<std::pair<std::string, uint32_t>> entries;
    entries.reserve(slots.size());
    for (const Slot& s : slots) {
      std::string_view key = keyOf(s);
      if (info.unique && !entries.empty() && compareKeys(type, entries.back().first, key) == 0) continue;
      entries.emplace_back(std::string(key), s.recno);
    }
    return entries;
  }

  static TagState compileTag(const TagDef& def, const std::vector<FieldDef>& fields, const std::string& file) {
    TagState t;
    t.expr.emplace(Expression::compile(def.expression, fields));
    if (!trim(def.filter).empty()) t.filter.emplace(Expression::compile(def.filter, fields));
    t.info.keyType = keyTypeFor(t.expr->resultKind(), file, def.expression);
    t.info.keyLength = keyLengthFor(t.info.keyType, *t.expr, file);
    t.info.descending = def.descending;
    t.info.unique = def.unique;
    return t;
  }
  // Adds def to an open index file and builds it from the table in src.
  void addBuiltTag(MdxFile& file, const TagDef& def, const File& src, const DbfHeader& h, uint32_t n,
                   const MemoFile* memoFile) const {
    TagState t = compileTag(def, h.fields, file.path());
    t.index = file.addTag(def, t.info.keyType, t.info.keyLength);
    file.buildTag(t.index, collectKeys(t, src, h, n, memoFile));
  }
  // Writes a new index at mdxPath holding defs, built from the table in src.
  void buildIndexFile(const std::string& mdxPath, const std::vector<TagDef>& defs, const File& src,
                      const DbfHeader& h, uint32_t n, const MemoFile* memoFile) const {
    removeFile(mdxPath);
    MdxFile::create(mdxPath, toUpper(baseName(path)));
    auto file = MdxFile::open(mdxPath, false);
    for (const TagDef& def : defs) addBuiltTag(*file, def, src, h, n, memoFile);
    file->sync();
  }
  // Changes a copy of the index and puts it in place of the index.
  template <class F>
  void changeIndexCopy(F&& change) {
    flushPending();
    std::string mdxPath = mdx->path();
    std::string tmp = mdxPath + kTempSuffix;
    try {
      removeFile(tmp);
      copyFile(mdxPath, tmp);
      auto file = MdxFile::open(tmp, false);
      change(*file);
      file->sync();
    } catch (...) {
      removeFile(tmp);
      throw;
    }
    closeIndex();
    replaceFile(tmp, mdxPath);
    openIndex(mdxPath);
    markTaggedFields(hdr, mdx->tags());
    writeHeaderDefinitions();
    reactivate();
  }
  void dropTag(const std::string& name) {
    changeIndexCopy([&](MdxFile& file) { file.dropTag(name); });
  }
  // A new tag: copy of the index plus the tag, then the copy replaces the index.
  void addTag(const TagDef& def) {
    flushPending();
    if (!mdx) {
      replaceIndex({def});
      return;
    }
    changeIndexCopy([&](MdxFile& file) { addBuiltTag(file, def, dbf, hdr, count, memo.get()); });
  }

  std::vector<TagDef> tagDefs() const {
    std::vector<TagDef> defs;
    if (!mdx) return defs;
    for (const TagInfo& info : mdx->tags())
      defs.push_back(TagDef{info.name, info.expression, info.descending, info.unique, info.filter});
    return defs;
  }

  // Replaces the index by one with defs (empty: no index), built from the data.
  void replaceIndex(const std::vector<TagDef>& defs) {
    flushPending();
    bool exists = false;
    std::string mdxPath = mdx ? mdx->path() : companionPath(path, ".mdx", &exists);
    std::string tmp = mdxPath + kTempSuffix;
    if (!defs.empty()) {
      try {
        buildIndexFile(tmp, defs, dbf, hdr, count, memo.get());
      } catch (...) {
        removeFile(tmp);
        throw;
      }
    }
    closeIndex();
    if (defs.empty()) {
      removeFile(mdxPath);
      hdr.productionMdx = false;
    } else {
      replaceFile(tmp, mdxPath);
      hdr.productionMdx = true;
      openIndex(mdxPath);
    }
    markTaggedFields(hdr, mdx ? mdx->tags() : std::vector<TagInfo>{});
    writeHeaderDefinitions();
    reactivate();
  }

  // After the index changed: find the active tag again by name.
  void reactivate() {
    int found = -1;
    for (size_t i = 0; i < tags.size(); ++i)
      if (!activeName.empty() && equalsIgnoreCase(tags[i].info.name, activeName)) found = static_cast<int>(i);
    active = found;
    if (found < 0) activeName.clear();
    cursor = found >= 0 ? std::make_unique<MdxFile::Cursor>(*mdx, tags[static_cast<size_t>(found)].index) : nullptr;
    rangeOn = false;
    low.reset();
    high.reset();
    cursorStale = true;
    changed();
  }

  // ---- pack / empty ----
  void rewrite(bool keepLive) {
    requireExclusive("packing");
    browseMode();
    std::string dir = dirName(path);
    bool hasMdx = mdx != nullptr;
    std::string mdxPath = hasMdx ? mdx->path() : std::string();
    std::string dbtPath = memo ? memo->path() : std::string();
    std::string dbfTmp = path + kTempSuffix;
    std::string dbtTmp = dbtPath.empty() ? std::string() : dbtPath + kTempSuffix;
    std::string mdxTmp = hasMdx ? mdxPath + kTempSuffix : std::string();
    std::vector<TagDef> defs = tagDefs();
    flushPending();
    File newDbf;
    try {
      DbfHeader h = hdr;
      newDbf = File::open(dbfTmp, O_RDWR | O_CREAT | O_TRUNC, 0644);
      if (!tryLock(newDbf.fd(), kOpenLockOffset, 1, LockKind::Write)) fail("cannot lock the new table");
      std::unique_ptr<MemoFile> newMemo;
      if (memo) {
        MemoFile::create(dbtTmp, toUpper(baseName(path)));
        newMemo = MemoFile::open(dbtTmp, false, false);
        newMemo->setSoleUser(true);
        newMemo->setBuffered(true);
      }
      std::string out;
      out.reserve(kScanChunk + h.recordLength);
      uint64_t offset = h.headerLength;
      uint32_t kept = 0;
      std::string r;
      if (keepLive) {
        prepareBulk();
        for (uint32_t n = 1; n <= count; ++n) {
          if (!live(n)) continue;
          readRecord(n, r);
          if (newMemo) {
            for (size_t f = 0; f < h.fields.size(); ++f) {
              if (!isMemoType(h.fields[f].type)) continue;
              int fi = static_cast<int>(f);
              uint32_t block = parseMemoBlock(fieldBytes(r, fi));
              uint32_t nb = block ? newMemo->write(0, memo->read(block)) : 0;
              std::string text = formatMemoBlock(nb, h.fields[f].length);
              std::memcpy(r.data() + h.offsets[f], text.data(), text.size());
            }
          }
          out += r;
          ++kept;
          if (out.size() >= kScanChunk) {
            newDbf.writeAt(offset, out);
            offset += out.size();
            out.clear();
          }
        }
      }
      out.push_back(static_cast<char>(kEofMarker));
      newDbf.writeAt(offset, out);
      h.recordCount = kept;
      std::time_t now = std::time(nullptr);
      std::tm tm{};
      localtime_r(&now, &tm);
      h.updateYear = tm.tm_year + 1900;
      h.updateMonth = tm.tm_mon + 1;
      h.updateDay = tm.tm_mday;
      newDbf.writeAt(0, encodeDbfHeader(h));
      if (newMemo) newMemo->flushHeader();
      if (hasMdx && !defs.empty()) buildIndexFile(mdxTmp, defs, newDbf, h, kept, newMemo.get());
      newDbf.sync();
      if (newMemo) File::open(dbtTmp, O_RDONLY).sync();
    } catch (...) {
      newDbf.close();
      removeFile(dbfTmp);
      if (!dbtTmp.empty()) removeFile(dbtTmp);
      if (!mdxTmp.empty()) removeFile(mdxTmp);
      throw;
    }
    // Commit point: from here an interrupted pack is finished by the next open.
    std::string marker = path + kPackMarkerSuffix;
    File::open(marker, O_WRONLY | O_CREAT | O_TRUNC, 0644).sync();
    syncDirectory(dir);
    closeIndex();
    memo.reset();
    if (!dbtTmp.empty()) replaceFile(dbtTmp, dbtPath);
    if (hasMdx && !defs.empty()) replaceFile(mdxTmp, mdxPath);
    replaceFile(dbfTmp, path);
    removeFile(marker);
    syncDirectory(dir);
    // The new file is already locked exclusively through newDbf.
    unmap();
    dbf = std::move(newDbf);
    hdr = readDbfHeader(dbf);
    count = boundedCount(hdr.recordCount);
    if (!dbtPath.empty()) {
      memo = MemoFile::open(dbtPath, false, false);
      memo->setSoleUser(true);
    }
    if (hasMdx && !defs.empty()) openIndex(mdxPath);
    flagsValid = false;
    reactivate();
    first();
  }
};

// ======================================================================

Table::Table() : impl_(std::make_unique<Impl>()) {}
Table::~Table() {
  try {
    close();
  } catch (...) {
  }
}

void Table::create(const std::string& path, const std::vector<FieldDef>& fields,
                   const std::vector<TagDef>& tags) {
  if (resolve(path)) throw Error(path, "table already exists");
  DbfHeader h = makeDbfHeader(fields, path);
  // Tags are checked before anything is written.
  for (const TagDef& t : tags) {
    if (t.name.empty() || t.name.size() > 10) throw Error(path, "tag name '" + t.name + "' must have 1 to 10 characters");
    Expression e = Expression::compile(t.expression, h.fields);
    KeyType type = keyTypeFor(e.resultKind(), path, t.expression);
    keyLengthFor(type, e, path);
    if (!trim(t.filter).empty()) Expression::compile(t.filter, h.fields);
  }
  std::string dbt = companionPath(path, ".dbt", nullptr);
  std::string mdxPath = companionPath(path, ".mdx", nullptr);
  try {
    {
      File f = File::open(path, O_RDWR | O_CREAT | O_EXCL, 0644);
      std::string bytes = encodeDbfHeader(h);
      bytes.push_back(static_cast<char>(kEofMarker));
      f.writeAt(0, bytes);
    }
    if (h.hasMemoFields()) MemoFile::create(dbt, toUpper(baseName(path)));
    if (!tags.empty()) {
      Table t;
      t.open(path, OpenMode::Exclusive);
      for (const TagDef& def : tags) t.addTag(def);
      t.close();
    }
  } catch (...) {
    removeFile(path);
    if (h.hasMemoFields()) removeFile(dbt);
    if (!tags.empty()) removeFile(mdxPath);
    throw;
  }
}

std::optional<std::string> Table::resolve(const std::string& path) { return resolveFile(path); }

void Table::open(const std::string& path, OpenMode mode, bool readOnly) {
  close();
  auto found = resolveFile(path);
  if (!found) throw Error(path, "table not found");
  finishInterruptedPack(*found);
  Impl& d = *impl_;
  try {
    d.openFiles(*found, mode, readOnly);
    d.state = State::Browse;
    d.repairIndex();
    d.changed();
    d.first();
  } catch (...) {
    d.closeAll();
    throw;
  }
}

void Table::close() {
  if (impl_->state == State::Inactive) return;
  impl_->closeAll();
}

bool Table::isOpen() const { return impl_->state != State::Inactive; }
const std::string& Table::path() const { return impl_->path; }
std::string Table::directory() const { return dirName(impl_->path); }
std::string Table::tableName() const { return fileName(impl_->path); }
uint8_t Table::versionByte() const { return impl_->hdr.version; }
bool Table::exclusive() const { return impl_->exclusive; }
bool Table::readOnly() const { return impl_->readOnly; }

void Table::refreshDefinitions() {
  Impl& d = *impl_;
  d.requireOpen();
  d.browseMode();
  d.flushPending();
  d.hdr = readDbfHeader(d.dbf);
  d.count = d.boundedCount(d.hdr.recordCount);
  if (d.mdx) {
    std::string mdxPath = d.mdx->path();
    d.closeIndex();
    d.openIndex(mdxPath);
  } else if (d.hdr.productionMdx) {
    bool exists = false;
    std::string mdxPath = companionPath(d.path, ".mdx", &exists);
    if (exists) d.openIndex(mdxPath);
  }
  d.reactivate();
  d.first();
}

const std::vector<FieldDef>& Table::fields() const { return impl_->hdr.fields; }

int Table::fieldIndex(std::string_view name) const {
  const auto& f = impl_->hdr.fields;
  for (size_t i = 0; i < f.size(); ++i)
    if (equalsIgnoreCase(f[i].name, trim(name))) return static_cast<int>(i);
  return -1;
}

std::vector<TagDef> Table::tags() const { return impl_->tagDefs(); }

void Table::addTag(const TagDef& tag) {
  Impl& d = *impl_;
  d.requireExclusive("adding a tag");
  d.browseMode();
  if (tag.name.empty() || tag.name.size() > 10)
    d.fail("tag name '" + tag.name + "' must have 1 to 10 characters");
  std::vector<TagDef> defs = d.tagDefs();
  for (const auto& t : defs)
    if (equalsIgnoreCase(t.name, tag.name)) d.fail("tag " + tag.name + " already exists");
  if (defs.size() >= 47) d.fail("an index holds at most 47 tags");
  TagDef def = tag;
  def.name = toUpper(def.name);
  d.addTag(def);
  d.first();
}

void Table::deleteTag(const std::string& name) {
  Impl& d = *impl_;
  d.requireExclusive("deleting a tag");
  d.browseMode();
  std::vector<TagDef> defs = d.tagDefs();
  auto it = std::find_if(defs.begin(), defs.end(), [&](const TagDef& t) { return equalsIgnoreCase(t.name, name); });
  if (it == defs.end()) d.fail("no tag " + name);
  if (defs.size() == 1) d.replaceIndex({});
  else d.dropTag(it->name);
  d.first();
}

void Table::regenerateTags() {
  Impl& d = *impl_;
  d.requireExclusive("rebuilding the index");
  d.browseMode();
  d.replaceIndex(d.tagDefs());
  d.first();
}

void Table::setActiveTag(const std::string& name) {
  Impl& d = *impl_;
  d.requireOpen();
  d.browseMode();
  if (trim(name).empty()) {
    d.active = -1;
    d.activeName.clear();
    d.cursor.reset();
  } else {
    int found = -1;
    for (size_t i = 0; i < d.tags.size(); ++i)
      if (equalsIgnoreCase(d.tags[i].info.name, trim(name))) found = static_cast<int>(i);
    if (found < 0) d.fail("no tag " + name);
    d.active = found;
    d.activeName = d.tags[static_cast<size_t>(found)].info.name;
    d.cursor = std::make_unique<MdxFile::Cursor>(*d.mdx, d.tags[static_cast<size_t>(found)].index);
  }
  d.rangeOn = false;
  d.low.reset();
  d.high.reset();
  d.pendingLow.reset();
  d.pendingHigh.reset();
  d.changed();
  uint32_t keep = d.recno;
  if (keep != 0 && d.live(keep)) {
    d.setCurrent(keep);
    d.refreshCurrentKey();
    d.bof = d.eof = false;
  } else {
    d.first();
  }
}

const std::string& Table::activeTag() const { return impl_->activeName; }

void Table::first() { impl_->requireOpen(); impl_->first(); }
void Table::last() { impl_->requireOpen(); impl_->last(); }
void Table::next() { impl_->requireOpen(); impl_->step(true); }
void Table::prior() { impl_->requireOpen(); impl_->step(false); }

int Table::moveBy(int n) {
  impl_->requireOpen();
  int done = 0;
  bool forward = n > 0;
  for (int i = 0; i < std::abs(n); ++i) {
    if (!impl_->step(forward)) break;
    ++done;
  }
  return done;
}

bool Table::bof() const { return impl_->bof; }
bool Table::eof() const { return impl_->eof; }
uint32_t Table::recNo() const { return impl_->recno; }

void Table::goToRecord(uint32_t recno) {
  Impl& d = *impl_;
  d.requireOpen();
  d.browseMode();
  d.sync();
  if (recno < 1 || recno > d.count) d.fail("record " + std::to_string(recno) + " does not exist");
  d.setCurrent(recno);
  d.refreshCurrentKey();
  d.bof = d.eof = false;
}

uint32_t Table::position() {
  Impl& d = *impl_;
  d.requireOpen();
  d.browseMode();
  d.sync();
  if (d.recno == 0) return 0;
  Impl::BulkScope bulk(d);
  uint32_t n = 0;
  uint32_t target = d.recno;
  if (d.active < 0) {
    d.prepareBulk();
    if (d.flagsCurrent() && d.deletedCount == 0) return target - 1;
    for (uint32_t r = 1; r < target && r <= d.count; ++r)
      if (d.live(r)) ++n;
    return n;
  }
  if (d.allLive()) {
    MdxFile::Cursor c(*d.mdx, d.activeTag().index);
    auto start = d.rangeStartPosition();
    if (start && c.seek(d.curKey, target, false) && c.recno() == target) {
      uint64_t here = c.position();
      if (here >= *start) return static_cast<uint32_t>(here - *start);
    }
  }
  d.walk([&](uint32_t r) {
    if (r == target) return false;
    ++n;
    return true;
  });
  return n;
}

void Table::goToPosition(uint32_t index) {
  Impl& d = *impl_;
  d.requireOpen();
  d.browseMode();
  d.sync();
  Impl::BulkScope bulk(d);
  if (d.active < 0) {
    d.prepareBulk();
    uint32_t target = 0;
    if (d.flagsCurrent() && d.deletedCount == 0) {
      target = index < d.count ? index + 1 : 0;
    } else {
      uint32_t n = 0;
      for (uint32_t r = 1; r <= d.count; ++r) {
        if (!d.live(r)) continue;
        if (n++ == index) {
          target = r;
          break;
        }
      }
    }
    if (target == 0) {
      d.last();
      d.eof = true;
      return;
    }
    d.setCurrent(target);
    d.bof = d.eof = false;
    return;
  }
  MdxFile::Cursor& c = *d.cursor;
  if (d.allLive()) {
    auto start = d.rangeStartPosition();
    if (start && c.goToPosition(*start + index) && d.belowHigh(c.key()) && d.settle(true)) {
      d.bof = d.eof = false;
      return;
    }
    d.last();
    d.eof = true;
    return;
  }
  // Tag order: count entries on the main cursor itself so it ends where we stop.
  d.seekStart(c);
  uint32_t n = 0;
  while (c.valid()) {
    if (!d.belowHigh(c.key())) break;
    if (d.live(c.recno())) {
      if (n == index) {
        d.settle(true);
        d.bof = d.eof = false;
        return;
      }
      ++n;
    }
    c.next();
  }
  d.last();
  d.eof = true;
}

uint32_t Table::recordCount() { impl_->requireOpen(); impl_->browseMode(); return impl_->recordCount(); }

uint32_t Table::physicalCount() {
  impl_->requireOpen();
  impl_->sync();
  return impl_->count;
}

void Table::edit() { impl_->requireOpen(); impl_->edit(); }
void Table::append() { impl_->requireOpen(); impl_->append(); }
void Table::post() { impl_->requireOpen(); impl_->post(); }
void Table::cancel() { impl_->requireOpen(); impl_->cancel(); }
void Table::deleteRecord() { impl_->requireOpen(); impl_->deleteRecord(); }
Table::State Table::state() const { return impl_->state; }

bool Table::isDeleted() const {
  const Impl& d = *impl_;
  return d.recno != 0 && !d.rec.empty() && static_cast<uint8_t>(d.rec[0]) == kRecordDeleted;
}

std::string Table::asString(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (isMemoType(f.type)) return readBlob(field);
  std::string_view v = d.fieldBytes(d.rec, field);
  switch (f.type) {
    case FieldType::Numeric:
    case FieldType::Float: return std::string(trim(v));
    case FieldType::Logical: {
      char c = v.empty() ? ' ' : v[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return "T";
      if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return "F";
      return "";
    }
    case FieldType::Date: {
      auto date = parseDateText(v);
      return date && !date->isBlank() ? dateText(*date) : std::string(trimRight(v));
    }
    default: return std::string(trimRight(v));
  }
}

double Table::asNumber(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  switch (f.type) {
    case FieldType::Logical: return asBool(field) ? 1.0 : 0.0;
    case FieldType::Date: return static_cast<double>(toJulian(asDate(field)));
    case FieldType::Memo:
    case FieldType::Binary: return parseNumber(readBlob(field)).value_or(0.0);
    default: return parseNumber(d.fieldBytes(d.rec, field)).value_or(0.0);
  }
}

int64_t Table::asInteger(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (f.type == FieldType::Numeric || f.type == FieldType::Float || f.type == FieldType::Character) {
    std::string_view t = trim(d.fieldBytes(d.rec, field));
    if (!t.empty() && t.find_first_of(".eE,") == std::string_view::npos) {
      std::string s(t);
      char* end = nullptr;
      long long v = std::strtoll(s.c_str(), &end, 10);
      if (end && *end == '\0') return v;
    }
  }
  return std::llround(asNumber(field));
}

Date Table::asDate(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  std::string text = isMemoType(f.type) ? readBlob(field) : std::string(d.fieldBytes(d.rec, field));
  return parseDateText(text).value_or(Date{});
}

bool Table::asBool(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (f.type == FieldType::Logical) return asString(field) == "T";
  if (f.type == FieldType::Numeric || f.type == FieldType::Float) return asNumber(field) != 0;
  return !isEmpty(field);
}

bool Table::isEmpty(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (isMemoType(f.type)) {
    auto it = d.pendingBlobs.find(field);
    if (it != d.pendingBlobs.end()) return it->second.empty();
    return parseMemoBlock(d.fieldBytes(d.rec, field)) == 0;
  }
  std::string_view v = d.fieldBytes(d.rec, field);
  if (f.type == FieldType::Logical) return v.empty() || v[0] == ' ' || v[0] == '?' || v[0] == '\0';
  return isBlankBytes(v);
}

void Table::clear(int field) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (isMemoType(f.type)) {
    d.pendingBlobs[field].clear();
    return;
  }
  std::memset(d.fieldPtr(field), ' ', static_cast<size_t>(f.length));
}

void Table::setString(int field, std::string_view value) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  auto len = static_cast<size_t>(f.length);
  char* p = d.fieldPtr(field);
  switch (f.type) {
    case FieldType::Memo:
    case FieldType::Binary: d.pendingBlobs[field] = std::string(value); return;
    case FieldType::Numeric:
    case FieldType::Float: {
      std::string_view text = trim(value);
      if (text.empty()) return clear(field);
      // Whole numbers are kept digit for digit (a double holds only 15 or so).
      bool whole = f.decimals == 0 && text.size() <= len && text.size() > 15;
      for (size_t i = 0; whole && i < text.size(); ++i)
        whole = (text[i] >= '0' && text[i] <= '9') || (i == 0 && text[i] == '-' && text.size() > 1);
      if (whole) {
        std::memset(p, ' ', len - text.size());
        std::memcpy(p + (len - text.size()), text.data(), text.size());
        return;
      }
      auto v = parseNumber(value);
      if (!v) d.fail("field " + f.name + ": '" + std::string(value) + "' is not a number");
      return setNumber(field, *v);
    }
    case FieldType::Date: {
      auto date = parseDateText(value);
      if (!date) d.fail("field " + f.name + ": '" + std::string(value) + "' is not a date");
      return setDate(field, *date);
    }
    case FieldType::Logical: {
      std::string_view t = trim(value);
      if (t.size() >= 3 && t.front() == '.' && t.back() == '.') t = t.substr(1, t.size() - 2);
      char c = t.empty() ? ' ' : t[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == '1') *p = 'T';
      else if (c == 'F' || c == 'f' || c == 'N' || c == 'n' || c == '0') *p = 'F';
      else if (c == ' ' || c == '?') *p = ' ';
      else d.fail("field " + f.name + ": '" + std::string(value) + "' is not a logical value");
      return;
    }
    default: {
      size_t n = std::min(len, value.size());
      std::memcpy(p, value.data(), n);
      std::memset(p + n, ' ', len - n);
    }
  }
}

void Table::setNumber(int field, double value) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (f.type == FieldType::Numeric || f.type == FieldType::Float) {
    auto text = formatNumber(value, f.length, f.decimals);
    if (!text) d.fail("field " + f.name + ": " + std::to_string(value) + " does not fit");
    std::memcpy(d.fieldPtr(field), text->data(), text->size());
    return;
  }
  if (f.type == FieldType::Logical) return setBool(field, value != 0);
  std::ostringstream s;
  s.precision(15);
  s << value;
  setString(field, s.str());
}

void Table::setDate(int field, const Date& value) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (!value.isBlank() && !validDate(value.year, value.month, value.day))
    d.fail("field " + f.name + ": not a valid date");
  std::string text = dateText(value);
  if (f.type == FieldType::Date) {
    std::memcpy(d.fieldPtr(field), text.data(), 8);
    return;
  }
  setString(field, value.isBlank() ? std::string() : text);
}

void Table::setBool(int field, bool value) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (f.type == FieldType::Logical) {
    *d.fieldPtr(field) = value ? 'T' : 'F';
    return;
  }
  if (f.type == FieldType::Numeric || f.type == FieldType::Float) return setNumber(field, value ? 1 : 0);
  setString(field, value ? "T" : "F");
}

void Table::assignFrom(int field, const Table& other, int otherField) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  const FieldDef& g = other.impl_->field(otherField);
  if (isMemoType(f.type)) return writeBlob(field, other.readBlob(otherField));
  if (other.isEmpty(otherField)) return clear(field);
  if (f.type == g.type && f.length == g.length && f.decimals == g.decimals) {
    std::string_view src = other.impl_->fieldBytes(other.impl_->rec, otherField);
    std::memcpy(d.fieldPtr(field), src.data(), src.size());
    return;
  }
  switch (f.type) {
    case FieldType::Date: return setDate(field, other.asDate(otherField));
    case FieldType::Numeric:
    case FieldType::Float:
      if (g.type == FieldType::Logical) return setNumber(field, other.asBool(otherField) ? 1 : 0);
      return setString(field, other.asString(otherField));
    case FieldType::Logical: return setBool(field, other.asBool(otherField));
    default: return setString(field, other.asString(otherField));
  }
}

std::string Table::readBlob(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (!isMemoType(f.type)) return std::string(d.fieldBytes(d.rec, field));
  auto it = d.pendingBlobs.find(field);
  if (it != d.pendingBlobs.end()) return it->second;
  return d.memoOf(d.rec, field);
}

void Table::writeBlob(int field, std::string_view data) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (!isMemoType(f.type)) d.fail("field " + f.name + " is not a memo field");
  d.pendingBlobs[field] = std::string(data);
}

void Table::readBlob(int field, std::ostream& out) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  auto it = d.pendingBlobs.find(field);
  if (!isMemoType(f.type) || it != d.pendingBlobs.end() || !d.memo) {
    std::string s = readBlob(field);
    out.write(s.data(), static_cast<std::streamsize>(s.size()));
    return;
  }
  d.memo->read(parseMemoBlock(d.fieldBytes(d.rec, field)), out);
}

void Table::writeBlob(int field, std::istream& in) {
  std::string data = readStream(in);
  writeBlob(field, data);
}

bool Table::findKey(const KeyValue& value) {
  Impl& d = *impl_;
  d.requireOpen();
  d.browseMode();
  if (d.active < 0) d.fail("searching needs an active tag");
  d.sync();
  const TagInfo& info = d.activeTag().info;
  std::string key = boundKey(value, info.keyType, info.keyLength);
  d.cursor->seek(key, 0, info.keyType == KeyType::Character);
  if (d.cursor->valid() && !d.aboveLow(d.cursor->key())) d.seekStart(*d.cursor);
  if (!d.settle(true)) {
    d.last();
    d.eof = true;
    return false;
  }
  d.bof = d.eof = false;
  return compareKeyPrefix(info.keyType, d.curKey, key) == 0;
}

std::string Table::currentKey() const {
  const Impl& d = *impl_;
  if (d.active < 0 || d.recno == 0) return {};
  std::string key;
  if (!d.tagKey(d.activeTag(), d.rec, key)) return {};
  return key;
}

void Table::setRangeStart(const KeyValue& value) { impl_->pendingLow = value; }
void Table::setRangeEnd(const KeyValue& value) { impl_->pendingHigh = value; }

void Table::applyRange() {
  Impl& d = *impl_;
  d.requireOpen();
  d.browseMode();
  if (d.active < 0) d.fail("a range needs an active tag");
  const TagInfo& info = d.activeTag().info;
  d.low.reset();
  d.high.reset();
  if (d.pendingLow) d.low = boundKey(*d.pendingLow, info.keyType, info.keyLength);
  if (d.pendingHigh) d.high = boundKey(*d.pendingHigh, info.keyType, info.keyLength);
  d.rangeOn = d.low || d.high;
  d.changed();
  d.first();
}

void Table::cancelRange() {
  Impl& d = *impl_;
  d.pendingLow.reset();
  d.pendingHigh.reset();
  bool was = d.rangeOn;
  d.rangeOn = false;
  d.low.reset();
  d.high.reset();
  d.changed();
  if (was && isOpen()) {
    uint32_t keep = d.recno;
    if (keep) {
      d.setCurrent(keep);
      d.refreshCurrentKey();
    } else {
      d.first();
    }
  }
}

bool Table::hasRange() const { return impl_->rangeOn; }

Bookmark Table::bookmark() const { return Bookmark{impl_->recno}; }

void Table::goToBookmark(const Bookmark& mark) {
  if (mark.recno == 0) impl_->fail("empty bookmark");
  goToRecord(mark.recno);
}

void Table::emptyTable() { impl_->rewrite(false); }
void Table::pack() { impl_->rewrite(true); }

namespace {

struct Family {
  std::string dbf, mdx, dbt;
  bool hasMdx = false, hasDbt = false;
};

Family familyOf(const std::string& dbfPath) {
  Family f;
  f.dbf = dbfPath;
  f.mdx = companionPath(dbfPath, ".mdx", &f.hasMdx);
  f.dbt = companionPath(dbfPath, ".dbt", &f.hasDbt);
  return f;
}

// Fails unless nobody has the table open; the returned descriptor keeps it so.
File claimTable(const std::string& dbfPath) {
  File f = File::open(dbfPath, O_RDWR);
  if (!tryLock(f.fd(), kOpenLockOffset, 1, LockKind::Write))
    throw LockError(dbfPath, "table is in use by another user");
  return f;
}

// The base name inside the memo and index headers follows the table's name.
void renameInside(const Family& f, const std::string& base) {
  std::string upper = toUpper(base);
  if (f.hasDbt) {
    File dbt = File::open(f.dbt, O_RDWR);
    std::string name(kDbtBaseNameSize, '\0');
    std::memcpy(name.data(), upper.data(), std::min(upper.size(), kDbtBaseNameSize));
    if (dbt.size() >= kDbtHeaderSize) dbt.writeAt(kDbtBaseName, name);
  }
  if (f.hasMdx) {
    constexpr size_t kMdxTableName = 4, kMdxTableNameSize = 16;
    File mdx = File::open(f.mdx, O_RDWR);
    std::string name(kMdxTableNameSize, '\0');
    std::memcpy(name.data(), upper.data(), std::min(upper.size(), kMdxTableNameSize - 1));
    if (mdx.size() >= 512) mdx.writeAt(kMdxTableName, name);
  }
}

Family targetFamily(const std::string& target, const Family& source) {
  Family t;
  t.dbf = target;
  t.mdx = companionPath(target, ".mdx", nullptr);
  t.dbt = companionPath(target, ".dbt", nullptr);
  t.hasMdx = source.hasMdx;
  t.hasDbt = source.hasDbt;
  return t;
}

}  // namespace

void Table::deleteTable(const std::string& path) {
  auto found = resolveFile(path);
  if (!found) throw Error(path, "table not found");
  File claim = claimTable(*found);
  Family f = familyOf(*found);
  if (f.hasMdx) removeFile(f.mdx);
  if (f.hasDbt) removeFile(f.dbt);
  removeFile(f.dbf);
  syncDirectory(dirName(*found));
}

void Table::copyTable(const std::string& source, const std::string& target, bool overwrite) {
  auto found = resolveFile(source);
  if (!found) throw Error(source, "table not found");
  if (auto existing = resolveFile(target)) {
    if (!overwrite) throw Error(*existing, "table already exists");
    deleteTable(*existing);
  }
  Family src = familyOf(*found);
  Family dst = targetFamily(target, src);
  // Hold a shared open lock so no one packs the source while we copy.
  File hold = File::open(src.dbf, O_RDONLY);
  if (!tryLock(hold.fd(), kOpenLockOffset, 1, LockKind::Read))
    throw LockError(src.dbf, "table is open exclusively by another user");
  try {
    copyFile(src.dbf, dst.dbf);
    if (src.hasDbt) copyFile(src.dbt, dst.dbt);
    if (src.hasMdx) copyFile(src.mdx, dst.mdx);
    renameInside(dst, baseName(dst.dbf));
  } catch (...) {
    removeFile(dst.dbf);
    if (src.hasDbt) removeFile(dst.dbt);
    if (src.hasMdx) removeFile(dst.mdx);
    throw;
  }
  syncDirectory(dirName(dst.dbf));
}

void Table::renameTable(const std::string& from, const std::string& to) {
  auto found = resolveFile(from);
  if (!found) throw Error(from, "table not found");
  if (auto existing = resolveFile(to)) {
    if (*existing != *found) throw Error(*existing, "table already exists");
  }
  File claim = claimTable(*found);
  Family src = familyOf(*found);
  Family dst = targetFamily(to, src);
  // Companions first: the .dbf is what makes the new name a table.
  if (src.hasDbt) replaceFile(src.dbt, dst.dbt);
  if (src.hasMdx) replaceFile(src.mdx, dst.mdx);
  replaceFile(src.dbf, dst.dbf);
  renameInside(dst, baseName(dst.dbf));
}

}  // namespace dbase
