// Records through the mapping or pread, deletion flags, and catching up with
// other programs' changes.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ctime>

#include "dbase/table_impl.h"

namespace dbase {

namespace {

// Deletion flags of tables scanned in shared use, kept across closes: a
// table reopened unchanged (same file, size and time) need not be scanned
// again. A few tables at most; the newest replace the oldest.
struct SharedFlags {
  dev_t dev = 0;
  ino_t ino = 0;
  int64_t mtime = 0;
  uint64_t size = 0;
  std::vector<uint8_t> flags;
  uint32_t deleted = 0;
};
constexpr size_t kSharedFlagsKept = 4;
std::vector<SharedFlags>& sharedFlagsCache() {
  static std::vector<SharedFlags> cache;
  return cache;
}

}  // namespace

int64_t nowNs() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Exclusive use reads records through a read-only mapping: no one else may
// shrink the file under it then. Shared use reads with pread.
void Table::Impl::unmap() {
  if (map) ::munmap(const_cast<char*>(map), mapLength);
  map = nullptr;
  mapLength = 0;
  populatedTo = 0;
}

void Table::Impl::remap() {
  unmap();
  uint64_t size = dbf.size();
  if (size == 0 || size > (uint64_t{1} << 46)) return;
  int prot = readOnly ? PROT_READ : PROT_READ | PROT_WRITE;
  void* p = ::mmap(nullptr, size, prot, MAP_SHARED, dbf.fd(), 0);
  if (p == MAP_FAILED) return;
  map = static_cast<const char*>(p);
  mapLength = size;
}

const char* Table::Impl::recordPtr(uint32_t r) {
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

namespace {

uint64_t word(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

}  // namespace

// Writes the edited record over its old bytes, only the stretch that
// differs from the saved copy: each page touched is one more page for the
// system to write back (a pass that changes one mark per record pays per page).
// In exclusive use a pass forward through the table (each rewrite a few
// records after the last, as a marking pass that skips unchanged records
// goes) writes through the mapping: one fault per page instead of one system
// call per record. Scattered rewrites stay with the system call, cheaper
// than a fault each.
void Table::Impl::rewriteRecord(uint32_t target) {
  size_t from = 0, to = rec.size();
  if (saved.size() == rec.size()) {
    const char* a = saved.data();
    const char* b = rec.data();
    while (from + 8 <= to && word(a + from) == word(b + from)) from += 8;
    while (from < to && a[from] == b[from]) ++from;
    while (to >= from + 8 && word(a + to - 8) == word(b + to - 8)) to -= 8;
    while (to > from && a[to - 1] == b[to - 1]) --to;
  }
  const bool run = lastRewrite != 0 && target > lastRewrite && target - lastRewrite <= kPassGap;
  lastRewrite = target;
  if (from >= to) return;
  if (run && exclusive && !readOnly) {
    if (const char* p = recordPtr(target)) {
      std::memcpy(const_cast<char*>(p) + from, rec.data() + from, to - from);
      return;
    }
  }
  dbf.writeAt(recordOffset(target) + from, rec.data() + from, to - from);
}

// Exclusive appends go through the mapping: no system call per record, and
// the bytes are in the page cache the moment they are stored, so kill -9
// cannot lose them. The file grows ahead in large steps (zeros) and is cut
// back to its records on close; the flag byte is stored last, over the
// previous end mark, so a record counts only once it is whole.
bool Table::Impl::appendMapped(uint32_t target, std::string_view record) {
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
  if (need > populatedTo) {
    // The pages ahead made in one call: one fault per page costs more
    // than the copy (older kernels refuse it and fault as before).
    constexpr uint64_t kAhead = uint64_t{2} << 20;
    const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t from = std::max(populatedTo, off) / page * page;
    const uint64_t to = std::min(mapLength, (need + kAhead) / page * page);
    if (to > from) ::madvise(const_cast<char*>(map) + from, to - from, MADV_POPULATE_WRITE);
    populatedTo = std::max(to, need);
  }
  std::memcpy(p + 1, record.data() + 1, record.size() - 1);
  p[record.size()] = static_cast<char>(kEofMarker);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  p[0] = record[0];
  return true;
}

// Cuts the zeros grown ahead off again.
void Table::Impl::trimGrowth() {
  if (!grownAhead) return;
  unmap();  // nothing may touch the pages past the new end
  dbf.truncate(hdr.headerLength + static_cast<uint64_t>(count) * hdr.recordLength + 1);
  grownAhead = false;
}

void Table::Impl::readRecord(uint32_t r, std::string& out) {
  out.resize(hdr.recordLength);
  if (const char* p = recordPtr(r)) {
    std::memcpy(out.data(), p, out.size());
    return;
  }
  if (dbf.readAt(recordOffset(r), out.data(), out.size()) != out.size())
    throw FormatError(path, "record " + std::to_string(r) + " is truncated");
}

void Table::Impl::loadFlags() {
  struct stat st {};
  if (!exclusive) {
    // Shared use: the flags stay valid while the file keeps its size and time
    // (sync() drops them), but only when its time is older than a clock tick
    // so a change right after this scan cannot keep the same time.
    if (::fstat(dbf.fd(), &st) == 0) {
      flagsMtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
      flagsSize = static_cast<uint64_t>(st.st_size);
      flagsCacheable = nowNs() - flagsMtime > kClockTickMarginNs;
    } else {
      flagsCacheable = false;
    }
    if (flagsCacheable && takeSharedFlags(st)) return;
  }
  scanFlags();
  if (!exclusive && flagsCacheable) keepSharedFlags(st);
}

bool Table::Impl::takeSharedFlags(const struct stat& st) {
  for (const SharedFlags& e : sharedFlagsCache()) {
    if (e.dev != st.st_dev || e.ino != st.st_ino || e.mtime != flagsMtime || e.size != flagsSize ||
        e.flags.size() != static_cast<size_t>(count) + 1)
      continue;
    flags = e.flags;
    deletedCount = e.deleted;
    flagsValid = true;
    return true;
  }
  return false;
}

void Table::Impl::keepSharedFlags(const struct stat& st) {
  auto& cache = sharedFlagsCache();
  std::erase_if(cache,
                [&](const SharedFlags& e) { return e.dev == st.st_dev && e.ino == st.st_ino; });
  if (cache.size() >= kSharedFlagsKept) cache.erase(cache.begin());
  cache.push_back(SharedFlags{st.st_dev, st.st_ino, flagsMtime, flagsSize, flags, deletedCount});
}

void Table::Impl::scanFlags() {
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

void Table::Impl::setFlag(uint32_t r, bool deleted) {
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
void Table::Impl::sync() {
  if (heldCount != 0) writeHeldAppends();
  if (pendingCount != 0 && active >= 0) applyPendingKeys();
  if (exclusive || state == Table::State::Inactive) return;
  struct stat st;
  if (::fstat(dbf.fd(), &st) != 0) return;
  int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  bool dbfChanged = mtime != seenMtime || static_cast<uint64_t>(st.st_size) != seenSize;
  if (flagsValid && (mtime != flagsMtime || static_cast<uint64_t>(st.st_size) != flagsSize))
    flagsValid = false;
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
  if (dbfChanged || nowNs() - mtime < kRecentChangeNs)
    mdx->reloadIfChanged();  // cursors re-find their entry
}

void Table::Impl::stampDate() {
  if (dateStamped) return;
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char d[3] = {static_cast<char>(tm.tm_year), static_cast<char>(tm.tm_mon + 1),
               static_cast<char>(tm.tm_mday)};
  dbf.writeAt(kHdrLastUpdate, d, 3);
  dateStamped = true;
}

void Table::Impl::writeCount(uint32_t n) {
  char buf[4];
  putU32(buf, n);
  dbf.writeAt(kHdrRecordCount, buf, 4);
}

// One pread per block of records instead of a file check and a pread per
// record, as a cursor in shared use pays to see other programs' changes.
void Table::scan(const std::function<bool(const ScanRecord&)>& visit) {
  Impl& d = *impl_;
  d.requireOpen();
  d.browseMode();
  d.sync();
  const uint32_t n = d.count;
  const size_t length = d.hdr.recordLength;
  const uint32_t perBlock = static_cast<uint32_t>(std::max<size_t>(1, kBulkReadChunk / length));
  std::vector<char> buf(static_cast<size_t>(std::min(perBlock, n)) * length);
  ScanRecord view(*this);
  for (uint32_t r = 1; r <= n; r += perBlock) {
    const uint32_t want = std::min(perBlock, n - r + 1);
    const size_t got = d.dbf.readAt(d.recordOffset(r), buf.data(), want * length);
    const uint32_t whole = static_cast<uint32_t>(got / length);
    for (uint32_t k = 0; k < whole; ++k) {
      const char* p = buf.data() + k * length;
      if (static_cast<uint8_t>(*p) == kRecordDeleted) continue;
      view.record_ = std::string_view(p, length);
      view.recno_ = r + k;
      if (!visit(view)) return;
    }
    if (whole < want)
      throw FormatError(d.path, "record " + std::to_string(r + whole) + " is truncated");
  }
}

std::string Table::Impl::memoOf(std::string_view record, int i) const {
  if (!memo) return {};
  return memo->read(parseMemoBlock(fieldBytes(record, i)));
}

}  // namespace dbase
