#pragma once

// Table's internals, shared by the table_*.cpp files: table.cpp opens and
// closes, table_records.cpp maps records and deletion flags, table_keys.cpp
// keeps keys, table_cursor.cpp moves, table_edit.cpp edits and posts,
// table_recovery.cpp repairs after crashes, table_build.cpp builds tags,
// table_pack.cpp packs, table_fields.cpp reads and sets fields,
// table_family.cpp copies, renames and deletes whole tables.

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dbase/dbf.h"
#include "dbase/expr.h"
#include "dbase/fileutil.h"
#include "dbase/keys.h"
#include "dbase/lock.h"
#include "dbase/mdx.h"
#include "dbase/mdx_format.h"
#include "dbase/memo.h"
#include "dbase/table.h"

namespace dbase {

inline constexpr int kShortLockTimeoutMs = 10000;
inline constexpr size_t kScanChunk = 1 << 20;
inline constexpr size_t kBulkReadChunk = 256 << 10;  // Table::scan: fits the cache
inline constexpr size_t kOrderedBatch = 8192;        // Table::scanInOrder: entries per batch
inline constexpr uint32_t kReadAcrossGap = 4;        // records read over to join two reads
inline constexpr size_t kMaxPendingKeys = 2'000'000;
inline constexpr uint32_t kPassGap = 16;  // records between two rewrites of one forward pass
inline constexpr int64_t kRecentChangeNs = 3'000'000'000;
inline constexpr int64_t kClockTickMarginNs =
    50'000'000;  // file times move in clock ticks of a few ms

inline constexpr const char* kTempSuffix = ".tmp";
inline constexpr const char* kPackMarkerSuffix = ".pck";
inline constexpr const char* kSwapMarkerSuffix = ".swp";

inline bool isMemoType(FieldType t) { return t == FieldType::Memo || t == FieldType::Binary; }

// Wall-clock time in nanoseconds, comparable with file times.
int64_t nowNs();
KeyType keyTypeFor(ExprValue::Kind kind, const std::string& file, const std::string& expr);
int keyLengthFor(KeyType type, const Expression& e, const std::string& file);
// Completes a pack that reached its commit point (the marker file) before a
// crash; a pack still running (its writer holds the table) is left alone.
void finishInterruptedPack(const std::string& dbfPath);
// Tests hold a pack between its commit point and its renames here.
inline void (*afterPackMarkerHook)() = nullptr;
// Completes a salvage's family swap that reached its commit point.
void finishInterruptedSwap(const std::string& dbfPath);
inline void (*afterSwapMarkerHook)() = nullptr;

struct TagState {
  TagInfo info;
  int index = -1;  // in MdxFile
  std::optional<Expression> expr;
  std::optional<Expression> filter;
  std::vector<int> fields;     // read by the key and the filter
  bool readsDeletion = false;  // deleting a record changes what the tag holds for it
  bool liveOnly = false;       // the filter leaves deleted records out (FOR .NOT.DELETED())
  bool readsMemo = false;      // the key or filter reads a memo (or picture) field

  void noteFields() {
    fields = expr->fields();
    readsDeletion = expr->readsDeletion();
    liveOnly = false;
    if (filter) {
      const std::vector<int> more = filter->fields();
      fields.insert(fields.end(), more.begin(), more.end());
      readsDeletion = readsDeletion || filter->readsDeletion();
      liveOnly = filter->excludesDeleted();
    }
  }
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
  bool countDirty = false;          // exclusive use: the header count is written by flushPending()
  bool batchOn = false;             // exclusive use: the index holds its writes (MdxFile batch)
  bool skipIndex = false;           // opened to replace a damaged index: the old one is not read
  std::optional<Error> indexError;  // read-only use: why the index was left out

  DbfHeader hdr;
  uint32_t count = 0;         // physical records we can read
  const char* map = nullptr;  // exclusive use: mapping of the .dbf (writable unless read-only)
  bool grownAhead = false;    // the file has zeros past its end mark (exclusive appends)
  uint64_t mapLength = 0;
  uint64_t populatedTo = 0;  // appends have the mapping's pages made up to here
  int64_t seenMtime = -1;    // shared use: the .dbf as last looked at
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
  bool curKeyFresh = false;  // post() got curKey from the keys it inserted

  // Exclusive use: keys of appended records wait here (per tag, flat) until
  // the index is next read, then go in sorted, or by a rebuild when they outnumber it.
  std::vector<KeyList> pending;
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
  uint32_t lastRewrite = 0;  // record of the last rewrite, 0 for none

  // Between beginAppends() and endAppends(): posts counted, the new records
  // waiting here side by side (in shared use with their keys, numbered from 1).
  bool holdingAppends = false;
  uint32_t appendsPosted = 0;
  std::string heldRecords;
  uint32_t heldCount = 0;
  std::vector<KeyList> heldKeys;
  // Their memos, written just before them (record numbered from 0 in the batch).
  struct HeldMemo {
    uint32_t record;
    int field;
    std::string data;
  };
  std::vector<HeldMemo> heldMemos;

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

  // ---- open and close (table.cpp) ----
  void openFiles(const std::string& dbfPath, OpenMode mode, bool ro);
  void openIndex(const std::string& mdxPath);
  void attachIndex(const std::string& mdxPath);  // read-only use: drops one it cannot use
  void closeIndex();
  void dropIndex(const Error& why);
  void closeAll();

  // ---- records and deletion flags (table_records.cpp) ----
  void unmap();
  void remap();
  const char* recordPtr(uint32_t r);
  void rewriteRecord(uint32_t target);
  bool appendMapped(uint32_t target, std::string_view record);
  void trimGrowth();
  void readRecord(uint32_t r, std::string& out);
  void loadFlags();
  bool takeSharedFlags(const struct stat& st);
  void keepSharedFlags(const struct stat& st);
  void scanFlags();
  void setFlag(uint32_t r, bool deleted);
  void sync();
  void stampDate();
  void writeCount(uint32_t n);
  std::string memoOf(std::string_view record, int i) const;

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
  // True when positions in the active tag are positions among live records:
  // the tag leaves deleted records out (no flags need reading), or there are none.
  bool positionsExact() { return activeTag().liveOnly || allLive(); }

  // ---- keys (table_keys.cpp) ----
  bool tagKey(const TagState& t, std::string_view record, std::string& key) const;
  void refillUniqueKey(const TagState& tag, const std::string& key, uint32_t except);
  void loadTags();
  void insertKeys(std::string_view record, uint32_t r);
  void applyPendingKeys();
  bool hasKey(const TagState& t, const std::string& key) const;
  void refreshCurrentKey();
  static KeyList sortEntries(const TagInfo& info, const KeyList& entries);
  // The same into `out`, whose buffers a caller sorting batch after batch keeps.
  static void sortEntries(const TagInfo& info, const KeyList& entries, KeyList& out);
  KeyList sortedBatch{0};

  const TagState& activeTag() const { return tags[static_cast<size_t>(active)]; }
  bool charTag() const { return activeTag().info.keyType == KeyType::Character; }
  // Order of key against a bound in the active tag's direction; bounds compare over their length.
  int compareBound(std::string_view key, const std::string& bound) const {
    const TagInfo& info = activeTag().info;
    int c = compareKeyPrefix(info.keyType, key, bound);
    return info.descending ? -c : c;
  }
  bool aboveLow(std::string_view key) const {
    return !rangeOn || !low || compareBound(key, *low) >= 0;
  }
  bool belowHigh(std::string_view key) const {
    return !rangeOn || !high || compareBound(key, *high) <= 0;
  }

  // ---- cursor and range (table_cursor.cpp) ----
  std::optional<uint64_t> rangeStartPosition();
  void seekStart(MdxFile::Cursor& c) const;
  void seekEnd(MdxFile::Cursor& c) const;
  bool settle(bool forward);
  bool restoreCursor();
  bool loadIfLive(uint32_t r);
  void setEmpty();
  void first();
  void last();
  bool step(bool forward);
  uint32_t recordCount();

  void setCurrent(uint32_t r) {
    recno = r;
    readRecord(r, rec);
  }
  void browseMode() {
    if (state == Table::State::Edit || state == Table::State::Insert) post();
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

  // ---- editing (table_edit.cpp) ----
  class IndexUpdate;
  void lockRecord(uint32_t r);
  void unlockRecord();
  void edit();
  void append();
  void cancel();
  void writePendingMemos();
  bool fieldsUnchanged(const std::vector<int>& fields) const;
  void post();
  uint32_t postAppend();
  // Takes the append lock into `guard` and reads the count another process
  // may have moved.
  void lockAppends(ScopedLock& guard);
  void postRewrite(const std::vector<std::optional<std::string>>& oldKeys,
                   const std::vector<char>& keyKept);
  bool keysWouldMove(const std::vector<std::optional<std::string>>& oldKeys,
                     const std::vector<char>& keyKept) const;
  void moveKeys(uint32_t target, const std::vector<std::optional<std::string>>& oldKeys,
                const std::vector<char>& keyKept);
  void flushPending();
  void deleteRecord();
  void holdAppend();
  void writeHeldAppends();
  void writeHeldMemos();
  void lockMemos(ScopedLock& guard);
  bool tagsReadMemos() const;
  void dropHeldAppends();

  void requireEditing() const {
    if (state != Table::State::Edit && state != Table::State::Insert)
      fail("the record is not being edited (call edit() or append() first)");
  }
  void setIndexBusy(char v) { mdxLock.writeAt(mdx::kHeaderBusy, &v, 1); }

  // ---- crash recovery (table_recovery.cpp) ----
  void recoverCount();
  bool zerosFrom(uint64_t from, uint64_t to) const;
  void repairIndex();
  void rebuildTagsInPlace();

  // ---- building tags and replacing the index (table_build.cpp) ----
  void writeHeaderDefinitions();
  KeyList collectKeys(const TagState& t, const File& src, const DbfHeader& h, uint32_t n,
                      const MemoFile* memoFile) const;
  static TagState compileTag(const TagDef& def, const std::vector<FieldDef>& fields,
                             const std::string& file);
  void addBuiltTag(MdxFile& file, const TagDef& def, const File& src, const DbfHeader& h,
                   uint32_t n, const MemoFile* memoFile) const;
  void buildIndexFile(const std::string& mdxPath, const std::vector<TagDef>& defs, const File& src,
                      const DbfHeader& h, uint32_t n, const MemoFile* memoFile,
                      const std::function<void(size_t, size_t)>& onTag = {}) const;
  template <class F>
  void changeIndexCopy(F&& change);
  void dropTag(const std::string& name);
  void addTag(const TagDef& def);
  std::vector<TagDef> tagDefs() const;
  void replaceIndex(const std::vector<TagDef>& defs,
                    const std::function<void(size_t, size_t)>& onTag = {});
  void reactivate();

  // ---- pack and empty (table_pack.cpp) ----
  struct Rewritten;
  void rewrite(bool keepLive);
  void writeRewritten(Rewritten& r, bool keepLive);
  uint32_t copyLiveRecords(File& out, const DbfHeader& h, MemoFile* newMemo);
  void swapInRewritten(Rewritten& r);
};

}  // namespace dbase
