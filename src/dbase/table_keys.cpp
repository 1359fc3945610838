// Keys of records: evaluating them, keeping them in the index, sorting many at once.

#include <algorithm>
#include <cstring>

#include "dbase/table_impl.h"

namespace dbase {

bool Table::Impl::tagKey(const TagState& t, std::string_view record, std::string& key) const {
  bool kept = true;
  if (!t.filter || t.filter->quickTest(record, kept)) {
    if (!kept) return false;
    if (t.info.keyType == KeyType::Character && t.expr->quickText(record, key)) {
      key.resize(static_cast<size_t>(std::max(t.info.keyLength, 0)), ' ');
      return true;
    }
  }
  RecordView view{record, [this, record](int f) { return memoOf(record, f); }};
  if (t.filter) {
    ExprValue v = t.filter->evaluate(view);
    if (v.kind != ExprValue::Kind::Logical || !v.logical) return false;
  }
  key = makeKey(t.expr->evaluate(view), t.info.keyType, t.info.keyLength);
  return true;
}

void Table::Impl::loadTags() {
  tags.clear();
  if (!mdx) return;
  auto infos = mdx->tags();
  for (const TagInfo& info : infos) {
    TagState t;
    t.info = info;
    t.index = mdx->findTag(info.name);
    try {
      t.expr.emplace(Expression::compile(info.expression, hdr.fields));
      if (!trim(info.filter).empty())
        t.filter.emplace(Expression::compile(info.filter, hdr.fields));
    } catch (const ExpressionError& e) {
      // A stored expression that does not fit the table: the index is unsound.
      throw FormatError(mdx->path(), "tag " + info.name + ": " + e.reason());
    }
    t.noteFields();
    for (int f : t.fields)
      t.readsMemo = t.readsMemo || isMemoType(hdr.fields[static_cast<size_t>(f)].type);
    tags.push_back(std::move(t));
  }
}

void Table::Impl::insertKeys(std::string_view record, uint32_t r) {
  std::string& key = keyBuffer;
  for (size_t i = 0; i < tags.size(); ++i) {
    const TagState& t = tags[i];
    if (!tagKey(t, record, key)) continue;
    if (static_cast<int>(i) == active) {
      curKey = key;  // the cursor's key: no need to work it out again
      curKeyFresh = true;
    }
    if (exclusive && !t.info.unique) {
      while (pending.size() < tags.size())
        pending.emplace_back(static_cast<size_t>(tags[pending.size()].info.keyLength));
      pending[i].add(key, r);
      ++pendingCount;
      continue;
    }
    if (t.info.unique && hasKey(t, key)) continue;
    mdx->insert(t.index, key, r);
    ++indexWrites;
  }
  if (pendingCount >= kMaxPendingKeys) applyPendingKeys();
}

namespace {

// Entries a and b (positions in one sorted list each) merged in the tag's order.
KeyList mergeSorted(const TagInfo& info, const KeyList& a, const KeyList& b) {
  KeyList out(a.width);
  out.reserve(a.size() + b.size());
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    bool takeA = j >= b.size();
    if (i < a.size() && j < b.size()) {
      int c = compareKeys(info.keyType, a.key(i), b.key(j));
      if (info.descending) c = -c;
      takeA = c < 0 || (c == 0 && a.recnos[i] < b.recnos[j]);
    }
    if (takeA) {
      out.add(a.key(i), a.recnos[i]);
      ++i;
    } else {
      out.add(b.key(j), b.recnos[j]);
      ++j;
    }
  }
  return out;
}

}  // namespace

void Table::Impl::applyPendingKeys() {
  if (pendingCount == 0) return;
  for (size_t i = 0; i < pending.size() && i < tags.size(); ++i) {
    KeyList& p = pending[i];
    if (p.empty()) continue;
    const TagState& t = tags[i];
    KeyList sorted = sortEntries(t.info, p);
    p = KeyList(p.width);
    uint64_t existing = mdx->count(t.index);
    if (existing <= sorted.size() * 2) {
      // Many new keys: merge with the old ones and build the tag anew.
      KeyList old(sorted.width);
      old.reserve(existing);
      MdxFile::Cursor c(*mdx, t.index);
      for (c.first(); c.valid(); c.next()) old.add(c.key(), c.recno());
      if (old.empty())
        mdx->buildTag(t.index, sorted);
      else
        mdx->buildTag(t.index, mergeSorted(t.info, old, sorted));
    } else {
      mdx->insertSorted(t.index, sorted);
    }
    ++indexWrites;
  }
  pendingCount = 0;
  cursorStale = true;
  changed();
}

bool Table::Impl::hasKey(const TagState& t, const std::string& key) const {
  MdxFile::Cursor c(*mdx, t.index);
  return c.seek(key, 0, false) && compareKeys(t.info.keyType, c.key(), key) == 0;
}

namespace {

// A word of 8 key bytes from `from` on, big-endian, so words compare as the bytes do.
uint64_t wordAt(const char* key, size_t len, size_t from) {
  uint64_t w = 0;
  if (from + 8 <= len) {
    std::memcpy(&w, key + from, 8);
    return __builtin_bswap64(w);
  }
  for (size_t b = from; b < from + 8; ++b)
    w = (w << 8) | (b < len ? static_cast<uint8_t>(key[b]) : 0);
  return w;
}

struct Slot {
  uint64_t word;
  uint32_t recno;
  uint32_t index;
};

// Character keys compare as unsigned bytes: sorted on their first 8 bytes,
// then each run of equal words on the next 8, and so on (descending tags
// sort the bytes' complement). Ties end by record number.
void sortCharacterSlots(std::vector<Slot>& slots, const char* keys, size_t len, bool desc) {
  const uint64_t flip = desc ? ~uint64_t{0} : 0;
  auto less = [](const Slot& a, const Slot& b) {
    return a.word != b.word ? a.word < b.word : a.recno < b.recno;
  };
  for (Slot& s : slots) s.word = wordAt(keys + size_t{s.index} * len, len, 0) ^ flip;
  struct Range {
    size_t begin, end, from;
  };
  std::vector<Range> todo{{0, slots.size(), 0}};
  while (!todo.empty()) {
    const Range r = todo.back();
    todo.pop_back();
    std::sort(slots.begin() + static_cast<ptrdiff_t>(r.begin),
              slots.begin() + static_cast<ptrdiff_t>(r.end), less);
    const size_t next = r.from + 8;
    if (next >= len) continue;
    for (size_t i = r.begin; i < r.end;) {
      size_t j = i + 1;
      while (j < r.end && slots[j].word == slots[i].word) ++j;
      if (j - i > 1) {
        for (size_t k = i; k < j; ++k)
          slots[k].word = wordAt(keys + size_t{slots[k].index} * len, len, next) ^ flip;
        todo.push_back({i, j, next});
      }
      i = j;
    }
  }
}

}  // namespace

// Entries in the tag's order; a unique tag keeps the first record of each key.
KeyList Table::Impl::sortEntries(const TagInfo& info, const KeyList& entries) {
  KeyList out(entries.width);
  sortEntries(info, entries, out);
  return out;
}

void Table::Impl::sortEntries(const TagInfo& info, const KeyList& entries, KeyList& out) {
  const size_t len = entries.width;
  const KeyType type = info.keyType;
  std::vector<Slot> slots;
  reserveHuge(slots, entries.size());
  slots.resize(entries.size());
  for (size_t i = 0; i < slots.size(); ++i)
    slots[i] = Slot{0, entries.recnos[i], static_cast<uint32_t>(i)};
  if (type == KeyType::Character) {
    sortCharacterSlots(slots, entries.keys.data(), len, info.descending);
  } else {
    std::sort(slots.begin(), slots.end(), [&](const Slot& a, const Slot& b) {
      int c = compareKeys(type, entries.key(a.index), entries.key(b.index));
      if (info.descending) c = -c;
      return c != 0 ? c < 0 : a.recno < b.recno;
    });
  }
  out.width = len;
  out.keys.clear();
  out.recnos.clear();
  out.reserve(slots.size());
  for (const Slot& s : slots) {
    std::string_view key = entries.key(s.index);
    if (info.unique && !out.empty() && compareKeys(type, out.key(out.size() - 1), key) == 0)
      continue;
    out.add(key, s.recno);
  }
}

void Table::Impl::refreshCurrentKey() {
  if (active < 0 || recno == 0) return;
  if (!tagKey(activeTag(), rec, curKey)) {
    // Outside the tag's filter: keep the position of its key in the tag anyway.
    RecordView view{rec, [this](int f) { return memoOf(rec, f); }};
    curKey = makeKey(activeTag().expr->evaluate(view), activeTag().info.keyType,
                     activeTag().info.keyLength);
  }
  cursorStale = true;
}

}  // namespace dbase
