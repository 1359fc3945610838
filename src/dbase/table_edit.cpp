// Editing, posting and deleting records, with their locks and index updates.

#include <algorithm>
#include <cstring>

#include "dbase/lock.h"
#include "dbase/table_impl.h"

namespace dbase {

void Table::Impl::lockRecord(uint32_t r) {
  if (exclusive || lockedRecord == r) return;
  if (!tryLock(dbf.fd(), recordLockOffset(r), 1, LockKind::Write))
    throw LockError(path, "record " + std::to_string(r) + " is being edited by another user");
  lockedRecord = r;
}

void Table::Impl::unlockRecord() {
  if (lockedRecord != 0) unlock(dbf.fd(), recordLockOffset(lockedRecord), 1);
  lockedRecord = 0;
}

void Table::Impl::edit() {
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

void Table::Impl::append() {
  requireWritable();
  browseMode();
  saved.assign(hdr.recordLength, ' ');
  saved[0] = static_cast<char>(kRecordLive);
  rec = saved;
  pendingBlobs.clear();
  state = Table::State::Insert;
}

void Table::Impl::cancel() {
  if (state == Table::State::Edit) {
    rec = saved;
    unlockRecord();
  } else if (state == Table::State::Insert) {
    if (recno != 0 && recno <= count)
      readRecord(recno, rec);
    else
      rec.assign(hdr.recordLength, ' ');
  }
  pendingBlobs.clear();
  if (state != Table::State::Inactive) state = Table::State::Browse;
}

// Memo blocks are allocated under the memo file's lock in shared use.
void Table::Impl::lockMemos(ScopedLock& guard) {
  if (exclusive) return;
  if (!waitLock(memo->fd(), kMemoLockOffset, kMemoLockLength, LockKind::Write, kShortLockTimeoutMs))
    throw LockError(memo->path(), "memo file is locked by another user");
  guard.hold(memo->fd(), kMemoLockOffset, kMemoLockLength);
}

void Table::Impl::writePendingMemos() {
  if (pendingBlobs.empty()) return;
  if (!memo) fail("table has no memo file");
  ScopedLock guard;
  lockMemos(guard);
  for (auto& [i, data] : pendingBlobs) {
    const FieldDef& f = field(i);
    uint32_t old = parseMemoBlock(fieldBytes(saved, i));
    uint32_t block = memo->write(old, data);
    std::string text = formatMemoBlock(block, f.length);
    std::memcpy(fieldPtr(i), text.data(), text.size());
  }
}

// Whether the edited record still holds the saved bytes in every one of
// `fields`, with no new memo contents for them.
bool Table::Impl::fieldsUnchanged(const std::vector<int>& fields) const {
  if (saved.size() != rec.size()) return false;
  for (int f : fields) {
    if (pendingBlobs.count(f) != 0) return false;
    const size_t at = static_cast<size_t>(hdr.offsets[static_cast<size_t>(f)]);
    const size_t width = static_cast<size_t>(field(f).length);
    if (std::memcmp(saved.data() + at, rec.data() + at, width) != 0) return false;
  }
  return true;
}

// Holds the index lock (shared use) and the index's busy mark across a
// record write and its key updates.
class Table::Impl::IndexUpdate {
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
    // With the lock ours, a busy mark is a dead writer's: its keys may be
    // half done, so the tags are rebuilt before anything builds on them.
    if (d_.mdx->needsRebuild()) d_.rebuildTagsInPlace();
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

void Table::Impl::post() {
  if (state != Table::State::Edit && state != Table::State::Insert) return;
  bool inserting = state == Table::State::Insert;
  if (inserting && holdingAppends) return holdAppend();
  if (!inserting && pendingBlobs.empty() && rec == saved) {
    // Nothing changed: nothing is written, not even the date or the index's mark.
    unlockRecord();
    state = Table::State::Browse;
    bof = eof = false;
    return;
  }
  if (!inserting && mdx) applyPendingKeys();  // the old keys must be in the index to be erased
  // Old keys first: an in-place memo rewrite would change what they read.
  std::vector<std::optional<std::string>> oldKeys(tags.size());
  // A tag whose fields kept their bytes (and memos) keeps its key: no need
  // to evaluate it twice, which is most of the cost of changing one field.
  std::vector<char> keyKept(tags.size(), 0);
  if (!inserting) {
    for (size_t t = 0; t < tags.size(); ++t) {
      keyKept[t] = fieldsUnchanged(tags[t].fields);
      if (keyKept[t]) continue;
      std::string k;
      if (tagKey(tags[t], saved, k)) oldKeys[t] = std::move(k);
    }
  }
  writePendingMemos();
  pendingBlobs.clear();
  stampDate();
  curKeyFresh = false;
  uint32_t target = recno;
  // The index is marked busy before the record changes, so a crash in
  // between leaves a mark that makes the next open rebuild the tags. A
  // rewrite that moves no key leaves the index alone (its kept counts too).
  std::optional<IndexUpdate> index;
  if (inserting || keysWouldMove(oldKeys, keyKept)) index.emplace(*this);
  if (inserting)
    target = postAppend();
  else
    postRewrite(oldKeys, keyKept);
  if (index) index->finish();
  recno = target;
  state = Table::State::Browse;
  bof = eof = false;
  changed();
  if (curKeyFresh)
    cursorStale = true;
  else
    refreshCurrentKey();
  curKeyFresh = false;
}

void Table::Impl::lockAppends(ScopedLock& guard) {
  if (!waitLock(dbf.fd(), kAppendLockOffset, 1, LockKind::Write, kShortLockTimeoutMs))
    throw LockError(path, "another user is appending");
  guard.hold(dbf.fd(), kAppendLockOffset, 1);
  char buf[4];
  dbf.readExact(kHdrRecordCount, buf, 4);
  count = boundedCount(getU32(buf));
}

// Appends the record buffer; returns its record number.
uint32_t Table::Impl::postAppend() {
  ScopedLock guard;
  if (!exclusive) lockAppends(guard);
  if (count == 0xFFFFFFFFu) fail("table is full");
  uint32_t target = count + 1;
  // Record and end mark first, the count last: a torn append loses only this record.
  if (!appendMapped(target, rec)) {
    rec.push_back(static_cast<char>(kEofMarker));
    dbf.writeAt(recordOffset(target), rec);
    rec.pop_back();
  }
  if (exclusive)
    countDirty = true;  // a crash is recovered from the file size on open
  else
    writeCount(target);
  count = target;
  if (exclusive && flagsValid) {
    if (flags.size() <= target) flags.resize(static_cast<size_t>(target) + 1, 0);
    flags[target] = 0;
  }
  guard.release();
  if (!tags.empty()) insertKeys(rec, target);
  return target;
}

// Writes the edited record over the current one and moves the keys that changed.
void Table::Impl::postRewrite(const std::vector<std::optional<std::string>>& oldKeys,
                              const std::vector<char>& keyKept) {
  const uint32_t target = recno;
  rewriteRecord(target);
  moveKeys(target, oldKeys, keyKept);
  unlockRecord();
}

// Whether the record buffer's keys differ from oldKeys in a tag not marked in keyKept.
bool Table::Impl::keysWouldMove(const std::vector<std::optional<std::string>>& oldKeys,
                                const std::vector<char>& keyKept) const {
  std::string key;
  for (size_t t = 0; t < tags.size(); ++t) {
    if (keyKept[t]) continue;
    const bool has = tagKey(tags[t], rec, key);
    if (has != oldKeys[t].has_value() || (has && *oldKeys[t] != key)) return true;
  }
  return false;
}

// Gives record target the keys of the record buffer in place of oldKeys (the
// tags marked in keyKept keep theirs).
void Table::Impl::moveKeys(uint32_t target, const std::vector<std::optional<std::string>>& oldKeys,
                           const std::vector<char>& keyKept) {
  std::string key;
  for (size_t t = 0; t < tags.size(); ++t) {
    if (keyKept[t]) continue;
    const TagState& tag = tags[t];
    bool has = tagKey(tag, rec, key);
    if (oldKeys[t] && has && *oldKeys[t] == key) continue;
    if (oldKeys[t]) {
      mdx->erase(tag.index, *oldKeys[t], target);
      ++indexWrites;
      if (tag.info.unique) refillUniqueKey(tag, *oldKeys[t], target);
    }
    if (has && !(tag.info.unique && hasKey(tag, key))) {
      mdx->insert(tag.index, key, target);
      ++indexWrites;
    }
  }
}

// A unique tag lists each key once, for one record: when that record's entry
// goes, another record with the key (the first in the file) takes its place,
// as a rebuild of the tag would list it.
void Table::Impl::refillUniqueKey(const TagState& tag, const std::string& key, uint32_t except) {
  if (hasKey(tag, key)) return;
  std::string record, other;
  for (uint32_t r = 1; r <= count; ++r) {
    if (r == except) continue;
    readRecord(r, record);
    if (tagKey(tag, record, other) && other == key) {
      mdx->insert(tag.index, key, r);
      ++indexWrites;
      return;
    }
  }
}

// Writes what exclusive use keeps back: the record count, the memo header, the index batch.
void Table::Impl::flushPending() {
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

// A new record held for endAppends(): the record, its memos and its keys
// are written with the batch. A tag that reads a memo needs its block now.
void Table::Impl::holdAppend() {
  if (!pendingBlobs.empty() && memo && !tagsReadMemos()) {
    for (auto& [f, data] : pendingBlobs) heldMemos.push_back({heldCount, f, std::move(data)});
  } else {
    writePendingMemos();
  }
  pendingBlobs.clear();
  if (heldKeys.size() != tags.size()) {
    heldKeys.clear();
    for (const TagState& t : tags) heldKeys.emplace_back(static_cast<size_t>(t.info.keyLength));
  }
  const uint32_t n = heldCount + 1;
  std::string& key = keyBuffer;
  // In exclusive use the keys go in when the records are written.
  for (size_t i = 0; i < tags.size() && !exclusive; ++i)
    if (tagKey(tags[i], rec, key)) heldKeys[i].add(key, n);
  if (heldRecords.capacity() < heldRecords.size() + rec.size() + 1)
    heldRecords.reserve(2 * (heldRecords.size() + rec.size()) + 1);
  heldRecords.append(rec);
  heldCount = n;
  ++appendsPosted;
  recno = 0;
  state = Table::State::Browse;
  bof = eof = false;
}

// The held records in one write after the last record, the count, then
// their keys in each tag's order, all under the index and append locks (in
// the order post() takes them). The index is marked busy first, so a crash
// before the last key leaves a mark that has the tags rebuilt. Exclusive use
// takes no locks and keeps the keys back as a single post keeps them; it
// writes whole pages of the file, not first made as zeros the way the
// mapping makes them. A kill can cut so long a write short, so the count is
// written on both sides of it: the next open drops the cut batch and nothing
// before it.
void Table::Impl::writeHeldAppends() {
  if (heldCount == 0) return;
  writeHeldMemos();
  IndexUpdate index(*this);
  ScopedLock guard;
  if (!exclusive) lockAppends(guard);
  if (uint64_t{count} + heldCount > 0xFFFFFFFEu) fail("table is full");
  if (countDirty) writeCount(count);
  countDirty = false;
  const uint32_t first = count + 1;
  stampDate();
  heldRecords.push_back(static_cast<char>(kEofMarker));
  dbf.writeAt(recordOffset(first), heldRecords);
  heldRecords.pop_back();
  count = first + heldCount - 1;
  writeCount(count);
  guard.release();
  if (exclusive) {
    if (flagsValid) {
      flags.resize(static_cast<size_t>(count) + 1, 0);
      std::fill(flags.begin() + first, flags.end(), 0);
    }
    const size_t len = hdr.recordLength;
    const std::string_view held(heldRecords);
    for (uint32_t i = 0; i < heldCount && !tags.empty(); ++i)
      insertKeys(held.substr(i * len, len), first + i);
    curKeyFresh = false;
  }
  // Shared use: the keys worked out as the records were held.
  for (size_t i = 0; i < tags.size() && i < heldKeys.size(); ++i) {
    const TagState& t = tags[i];
    KeyList& keys = heldKeys[i];
    for (uint32_t& r : keys.recnos) r += first - 1;
    KeyList& sorted = sortedBatch;
    sortEntries(t.info, keys, sorted);
    if (sorted.empty()) continue;
    if (!t.info.unique) {
      mdx->insertSorted(t.index, sorted);
      ++indexWrites;
      continue;
    }
    for (size_t k = 0; k < sorted.size(); ++k) {
      const std::string key(sorted.key(k));
      if (hasKey(t, key)) continue;
      mdx->insert(t.index, key, sorted.recnos[k]);
      ++indexWrites;
    }
  }
  index.finish();
  dropHeldAppends();
  changed();
}

bool Table::Impl::tagsReadMemos() const {
  return std::any_of(tags.begin(), tags.end(), [](const TagState& t) { return t.readsMemo; });
}

// The batch's memos before the records that point to them, as a single post
// writes them: one lock, the blocks gathered into large writes and the
// memo file's next free block written once.
void Table::Impl::writeHeldMemos() {
  if (heldMemos.empty()) return;
  ScopedLock guard;
  lockMemos(guard);
  if (!exclusive) memo->setSoleUser(true);  // while the lock is ours
  memo->setBuffered(true);
  try {
    const size_t len = hdr.recordLength;
    for (const HeldMemo& m : heldMemos) {
      const std::string text = formatMemoBlock(memo->write(0, m.data), field(m.field).length);
      std::memcpy(heldRecords.data() + m.record * len + hdr.offsets[static_cast<size_t>(m.field)],
                  text.data(), text.size());
    }
    memo->setBuffered(false);
    if (!exclusive) memo->setSoleUser(false);
  } catch (...) {
    try {
      memo->setBuffered(false);
      if (!exclusive) memo->setSoleUser(false);
    } catch (...) {
    }
    throw;
  }
  heldMemos.clear();
}

void Table::Impl::dropHeldAppends() {
  heldRecords.clear();
  heldMemos.clear();
  heldCount = 0;
  for (KeyList& k : heldKeys) {
    k.keys.clear();  // the next batch fills the same buffers
    k.recnos.clear();
  }
}

void Table::Impl::deleteRecord() {
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
  // Tags whose filter (or key) reads the deletion flag, such as FOR
  // .NOT.DELETED(), lose the record's key: with the record as it is now.
  std::vector<std::optional<std::string>> oldKeys(tags.size());
  std::vector<char> keyKept(tags.size(), 1);
  bool keysMove = false;
  for (size_t t = 0; t < tags.size(); ++t) {
    if (!tags[t].readsDeletion) continue;
    keyKept[t] = 0;
    keysMove = true;
  }
  if (keysMove) {
    applyPendingKeys();  // the keys must be in the index to be erased
    readRecord(recno, rec);
    for (size_t t = 0; t < tags.size(); ++t) {
      std::string k;
      if (!keyKept[t] && tagKey(tags[t], rec, k)) oldKeys[t] = std::move(k);
    }
  }
  char flag = static_cast<char>(kRecordDeleted);
  stampDate();
  {
    // Marked busy before the flag changes, as for a post.
    std::optional<IndexUpdate> index;
    if (keysMove) index.emplace(*this);
    dbf.writeAt(recordOffset(recno), &flag, 1);
    rec[0] = flag;
    setFlag(recno, true);
    if (keysMove) {
      moveKeys(recno, oldKeys, keyKept);
      index->finish();
    }
  }
  unlockRecord();
  changed();
  uint32_t gone = recno;
  if (!step(true)) {
    if (recno == gone && !step(false)) setEmpty();
    eof = true;
    if (recno == gone) setEmpty();
  }
}

void Table::edit() {
  impl_->requireOpen();
  impl_->edit();
}
void Table::append() {
  impl_->requireOpen();
  impl_->append();
}
void Table::post() {
  impl_->requireOpen();
  impl_->post();
}
void Table::beginAppends(uint32_t expected) {
  Impl& d = *impl_;
  d.requireWritable();
  d.browseMode();
  d.dropHeldAppends();
  // With room for the end mark that goes out after the last record.
  d.heldRecords.reserve(std::min<size_t>(expected, 1u << 20) * d.hdr.recordLength + 1);
  d.holdingAppends = true;
  d.appendsPosted = 0;
}
uint32_t Table::endAppends() {
  Impl& d = *impl_;
  d.requireOpen();
  if (!d.holdingAppends) return 0;
  d.browseMode();
  d.holdingAppends = false;
  try {
    d.writeHeldAppends();
  } catch (...) {
    d.dropHeldAppends();
    throw;
  }
  return d.appendsPosted;
}
void Table::cancel() {
  impl_->requireOpen();
  impl_->cancel();
}
void Table::deleteRecord() {
  impl_->requireOpen();
  impl_->deleteRecord();
}
Table::State Table::state() const { return impl_->state; }

bool Table::isDeleted() const {
  const Impl& d = *impl_;
  return d.recno != 0 && !d.rec.empty() && static_cast<uint8_t>(d.rec[0]) == kRecordDeleted;
}

}  // namespace dbase
