// Moving through the active order and range; counts and positions.

#include <cstdlib>

#include "dbase/table_impl.h"

namespace dbase {

// Index position of the range's first entry, or nullopt when the range is empty.
std::optional<uint64_t> Table::Impl::rangeStartPosition() {
  MdxFile::Cursor c(*mdx, activeTag().index);
  seekStart(c);
  if (!c.valid() || !belowHigh(c.key())) return std::nullopt;
  return c.position();
}

void Table::Impl::seekStart(MdxFile::Cursor& c) const {
  if (rangeOn && low)
    c.seek(*low, 0, charTag());
  else
    c.first();
}

void Table::Impl::seekEnd(MdxFile::Cursor& c) const {
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
bool Table::Impl::settle(bool forward) {
  MdxFile::Cursor& c = *cursor;
  while (c.valid()) {
    std::string_view key = c.key();
    if (forward ? !belowHigh(key) : !aboveLow(key)) return false;
    if (loadIfLive(c.recno())) {
      curKey.assign(key.data(), key.size());
      cursorStale = false;
      return true;
    }
    if (forward)
      c.next();
    else
      c.prev();
  }
  return false;
}

// Puts the main cursor back on the current entry. Returns false when the
// entry is gone and the cursor already stands on its successor.
bool Table::Impl::restoreCursor() {
  if (!cursorStale) return true;
  cursorStale = false;
  if (!cursor->seek(curKey, recno, false)) return false;
  return cursor->recno() == recno &&
         compareKeys(activeTag().info.keyType, cursor->key(), curKey) == 0;
}

// Makes r current when it is live; one read in shared use (the flag comes with the record).
bool Table::Impl::loadIfLive(uint32_t r) {
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

void Table::Impl::setEmpty() {
  recno = 0;
  bof = eof = true;
  rec.assign(hdr.recordLength, ' ');
}

void Table::Impl::first() {
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

void Table::Impl::last() {
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

bool Table::Impl::step(bool forward) {
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
    if (forward)
      bof = false;
    else
      eof = false;
  } else {
    if (forward)
      eof = true;
    else
      bof = true;
  }
  return moved;
}

uint32_t Table::Impl::recordCount() {
  sync();
  if (exclusive && countCache && countCache->first == generation) return countCache->second;
  uint32_t n = 0;
  if (active < 0) {
    prepareBulk();
    if (flagsCurrent())
      n = count - deletedCount;
    else
      walk([&](uint32_t) {
        ++n;
        return true;
      });
  } else if (positionsExact()) {
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
    walk([&](uint32_t) {
      ++n;
      return true;
    });
  }
  endBulk();
  countCache = std::make_pair(generation, n);
  return n;
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
    if (found < 0 && d.indexError)
      throw FormatError(d.indexError->file(), "no tag " + name + ": the index cannot be used (" +
                                                  d.indexError->reason() + ")");
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

void Table::first() {
  impl_->requireOpen();
  impl_->first();
}
void Table::last() {
  impl_->requireOpen();
  impl_->last();
}
void Table::next() {
  impl_->requireOpen();
  impl_->step(true);
}
void Table::prior() {
  impl_->requireOpen();
  impl_->step(false);
}

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
  if (d.positionsExact()) {
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
  if (d.positionsExact()) {
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

uint32_t Table::recordCount() {
  impl_->requireOpen();
  impl_->browseMode();
  return impl_->recordCount();
}

uint32_t Table::physicalCount() {
  impl_->requireOpen();
  impl_->sync();
  return impl_->count;
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

// Records of a batch are read in file order, neighbours in one read; the
// visits follow the index. Exclusive use reads through the mapping.
void Table::scanInOrder(const std::function<bool(const ScanRecord&)>& visit) {
  Impl& d = *impl_;
  d.requireOpen();
  if (d.active < 0) return scan(visit);
  d.browseMode();
  d.sync();
  if (d.pendingCount != 0) d.applyPendingKeys();
  const uint32_t n = d.count;
  const size_t length = d.hdr.recordLength;
  ScanRecord view(*this);
  std::vector<uint32_t> batch, order;
  std::vector<size_t> slot;
  std::vector<char> buf;
  batch.reserve(kOrderedBatch);
  MdxFile::Cursor c(*d.mdx, d.activeTag().index);
  d.seekStart(c);
  bool more = c.valid();
  while (more) {
    batch.clear();
    while (batch.size() < kOrderedBatch) {
      if (!c.valid() || !d.belowHigh(c.key())) {
        more = false;
        break;
      }
      const uint32_t r = c.recno();
      if (r >= 1 && r <= n) batch.push_back(r);
      c.next();
    }
    if (batch.empty()) break;
    const bool mapped = d.exclusive && d.recordPtr(n) != nullptr;
    if (!mapped) {
      // Where each record of the batch lands in buf, reading in file order.
      order.resize(batch.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
      std::sort(order.begin(), order.end(),
                [&](uint32_t a, uint32_t b) { return batch[a] < batch[b]; });
      slot.assign(batch.size(), 0);
      buf.resize(batch.size() * length);
      size_t at = 0;
      for (size_t i = 0; i < order.size();) {
        // A run of records close together is one read, gaps included.
        size_t j = i + 1;
        while (j < order.size() && batch[order[j]] - batch[order[j - 1]] <= kReadAcrossGap) ++j;
        const uint32_t from = batch[order[i]];
        const uint32_t to = batch[order[j - 1]];
        const size_t span = static_cast<size_t>(to - from + 1) * length;
        if (buf.size() < at + span) buf.resize(at + span);
        if (d.dbf.readAt(d.recordOffset(from), buf.data() + at, span) != span)
          throw FormatError(d.path, "record " + std::to_string(to) + " is truncated");
        for (size_t k = i; k < j; ++k) slot[order[k]] = at + (batch[order[k]] - from) * length;
        at += span;
        i = j;
      }
    }
    for (size_t i = 0; i < batch.size(); ++i) {
      const char* p = mapped ? d.recordPtr(batch[i]) : buf.data() + slot[i];
      if (static_cast<uint8_t>(*p) == kRecordDeleted) continue;
      view.record_ = std::string_view(p, length);
      view.recno_ = batch[i];
      if (!visit(view)) return;
    }
  }
}

}  // namespace dbase
