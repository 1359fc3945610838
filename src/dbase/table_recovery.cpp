// Putting a table right after a writer crashed: counts, packs, indexes.

#include <fcntl.h>
#include <sys/stat.h>

#include "dbase/lock.h"
#include "dbase/table_impl.h"

namespace dbase {

namespace {

// What a pack writes is a plain file; a link there was planted by someone else.
bool plainFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

// Completes a pack that reached its commit point (the marker file) before a crash.
void finishInterruptedPack(const std::string& dbfPath) {
  std::string marker = dbfPath + kPackMarkerSuffix;
  if (!plainFile(marker)) return;
  // The packer holds the table's open lock until its renames are done: finish
  // only a pack whose writer is gone, holding the lock while renaming, and only
  // while the file locked is still the table (a packer may just have renamed).
  File guard;
  try {
    guard = File::open(dbfPath, O_RDWR);
  } catch (const Error&) {
    return;
  }
  if (!tryLock(guard.fd(), kOpenLockOffset, 1, LockKind::Write)) return;
  struct stat held {
  }, now{};
  if (::fstat(guard.fd(), &held) != 0 || ::stat(dbfPath.c_str(), &now) != 0 ||
      held.st_dev != now.st_dev || held.st_ino != now.st_ino || !plainFile(marker))
    return;
  bool hasMdx = false, hasDbt = false;
  std::string mdx = companionPath(dbfPath, ".mdx", &hasMdx);
  std::string dbt = companionPath(dbfPath, ".dbt", &hasDbt);
  for (const std::string& target : {dbt, mdx, dbfPath}) {
    std::string tmp = target + kTempSuffix;
    try {
      if (plainFile(tmp)) replaceFile(tmp, target);
    } catch (const Error&) {
    }
  }
  try {
    removeFile(marker);
  } catch (const Error&) {
  }
  syncDirectory(dirName(dbfPath));
}

// An exclusive writer that crashed leaves whole records past the header's
// count (each record's flag byte is stored last, then an end mark follows)
// and perhaps zeros grown ahead: count the records back in, cut the zeros.
void Table::Impl::recoverCount() {
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
  // Sized for what lies past the count (mostly nothing), not a whole chunk.
  const uint64_t past = size - std::min<uint64_t>(size, base + k * len);
  std::vector<char> buf(static_cast<size_t>(
      std::max<uint64_t>(len, std::min<uint64_t>(kScanChunk / len, past / len + 1) * len)));
  for (;;) {
    uint64_t off = base + k * len;
    if (off + len + 1 > size) break;
    size_t got = dbf.readAt(off, buf.data(),
                            static_cast<size_t>(std::min<uint64_t>(buf.size(), size - off)));
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
  if (end >= size || dbf.readAt(end, &mark, 1) != 1) return;
  if (static_cast<uint8_t>(mark) != kEofMarker) {
    // A batch of appends cut short before its end mark and its count (one
    // write for the batch, with the count written before and after it):
    // none of it was ever counted, so the table ends where its count says.
    const uint64_t keep = base + static_cast<uint64_t>(count) * len;
    const char endMark = static_cast<char>(kEofMarker);
    dbf.writeAt(keep, &endMark, 1);
    dbf.truncate(keep + 1);
    return;
  }
  if (k > hdr.recordCount) {
    writeCount(static_cast<uint32_t>(k));
    hdr.recordCount = static_cast<uint32_t>(k);
  }
  count = boundedCount(hdr.recordCount);
  if (size > end + 1) {
    bool ours = zerosFrom(end + 1, size);
    // An append cut short: up to one record's bytes, and perhaps its end
    // mark, without its flag, stand before the zeros grown ahead.
    if (!ours && end + len + 1 <= size) {
      char next = 0;
      ours = dbf.readAt(end + len, &next, 1) == 1 &&
             (next == 0 || static_cast<uint8_t>(next) == kEofMarker) &&
             zerosFrom(end + len + 1, size);
    }
    if (ours) dbf.truncate(end + 1);
  }
}

bool Table::Impl::zerosFrom(uint64_t from, uint64_t to) const {
  std::vector<char> buf(kScanChunk);
  while (from < to) {
    size_t n = dbf.readAt(from, buf.data(),
                          static_cast<size_t>(std::min<uint64_t>(buf.size(), to - from)));
    if (n == 0) return false;
    for (size_t i = 0; i < n; ++i)
      if (buf[i] != 0) return false;
    from += n;
  }
  return true;
}

// A crash in the middle of an index update left its mark: rebuild the tags,
// which needs the table to ourselves for a moment.
void Table::Impl::repairIndex() {
  if (!mdx || !mdx->needsRebuild()) return;
  std::string reason = "the index was left unfinished (a crash?) and must be rebuilt";
  if (readOnly) {
    // Perhaps a writer is just updating it: wait for its lock and look again.
    try {
      File look = File::open(mdx->path(), O_RDONLY);
      if (waitLock(look.fd(), kMdxLockOffset, 1, LockKind::Read, kShortLockTimeoutMs)) {
        mdx->reloadIfChanged();
        unlock(look.fd(), kMdxLockOffset, 1);
      }
    } catch (const Error&) {
    }
    // The records are still there to read; the next writer rebuilds the tags.
    if (mdx->needsRebuild()) dropIndex(Error(mdx->path(), reason));
    return;
  }
  if (!exclusive) {
    // Perhaps another user is just updating it: wait for their lock and look again.
    if (mdxLock.isOpen() &&
        waitLock(mdxLock.fd(), kMdxLockOffset, 1, LockKind::Write, kShortLockTimeoutMs)) {
      mdx->reloadIfChanged();
      unlock(mdxLock.fd(), kMdxLockOffset, 1);
    }
    if (!mdx->needsRebuild()) return;
  }
  bool upgraded = exclusive || tryLock(dbf.fd(), kOpenLockOffset, 1, LockKind::Write);
  if (!upgraded) throw LockError(mdx->path(), reason + " when no one else has the table open");
  try {
    if (!exclusive) {
      // Others may have appended since this open read the count; the rebuild
      // writes the header back with it.
      char buf[4];
      dbf.readExact(kHdrRecordCount, buf, 4);
      hdr.recordCount = getU32(buf);
      count = boundedCount(hdr.recordCount);
    }
    replaceIndex(tagDefs());
  } catch (...) {
    if (!exclusive) tryLock(dbf.fd(), kOpenLockOffset, 1, LockKind::Read);
    throw;
  }
  if (!exclusive) tryLock(dbf.fd(), kOpenLockOffset, 1, LockKind::Read);
}

// Under the index lock, with others perhaps reading: every tag from the
// records the header counts (appenders take the index lock first, so the
// count holds still).
void Table::Impl::rebuildTagsInPlace() {
  char buf[4];
  dbf.readExact(kHdrRecordCount, buf, 4);
  const uint32_t n = boundedCount(getU32(buf));
  // Only the tags this table knows, as it knows them: an index that reads
  // otherwise now (a load that failed left none) is not rewritten.
  const std::vector<TagInfo> infos = mdx->tags();
  if (infos.empty() || infos.size() != tags.size())
    throw FormatError(mdx->path(), "the index no longer holds the tags the table opened with");
  std::vector<KeyList> lists;
  for (size_t i = 0; i < infos.size(); ++i) lists.emplace_back(0);
  for (const TagState& t : tags) {
    const auto i = static_cast<size_t>(t.index);
    if (t.index < 0 || i >= infos.size() || infos[i].name != t.info.name)
      throw FormatError(mdx->path(), "the index no longer holds the tags the table opened with");
    lists[i] = collectKeys(t, dbf, hdr, n, memo.get());
  }
  mdx->rebuildTags(lists);
  cursorStale = true;
}

}  // namespace dbase
