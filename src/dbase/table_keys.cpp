// Keys of records: evaluating them, keeping them in the index, sorting many at once.

#include <iterator>

#include "dbase/table_impl.h"

namespace dbase {

bool Table::Impl::tagKey(const TagState& t, std::string_view record, std::string& key) const {
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
    tags.push_back(std::move(t));
  }
}

void Table::Impl::insertKeys(std::string_view record, uint32_t r) {
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

void Table::Impl::applyPendingKeys() {
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

bool Table::Impl::hasKey(const TagState& t, const std::string& key) const {
  MdxFile::Cursor c(*mdx, t.index);
  return c.seek(key, 0, false) && compareKeys(t.info.keyType, c.key(), key) == 0;
}

// Entries (keys flat in one buffer, one record number each) in the tag's
// order; a unique tag keeps the first record of each key. Sorting goes
// through small fixed slots: a big-endian 16-byte prefix settles most
// character comparisons without touching the key bytes.
std::vector<std::pair<std::string, uint32_t>> Table::Impl::sortEntries(
    const TagInfo& info, const std::string& keys, const std::vector<uint32_t>& recnos) {
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
      for (size_t b = 0; b < 8; ++b)
        prefix = (prefix << 8) | (b < len ? static_cast<uint8_t>(key[b]) : 0x20);
      for (size_t b = 8; b < 16; ++b)
        prefix2 = (prefix2 << 8) | (b < len ? static_cast<uint8_t>(key[b]) : 0x20);
    }
    slots.push_back(Slot{prefix, prefix2, recnos[i], static_cast<uint32_t>(i)});
  }
  auto keyOf = [&](const Slot& s) {
    return std::string_view(keys.data() + static_cast<size_t>(s.index) * len, len);
  };
  std::sort(slots.begin(), slots.end(), [&](const Slot& a, const Slot& b) {
    int c = 0;
    if (a.prefix != b.prefix)
      c = a.prefix < b.prefix ? -1 : 1;
    else if (a.prefix2 != b.prefix2)
      c = a.prefix2 < b.prefix2 ? -1 : 1;
    else if (type != KeyType::Character || len > 16)
      c = compareKeys(type, keyOf(a), keyOf(b));
    if (c != 0) return desc ? c > 0 : c < 0;
    return a.recno < b.recno;
  });
  std::vector<std::pair<std::string, uint32_t>> entries;
  entries.reserve(slots.size());
  for (const Slot& s : slots) {
    std::string_view key = keyOf(s);
    if (info.unique && !entries.empty() && compareKeys(type, entries.back().first, key) == 0)
      continue;
    entries.emplace_back(std::string(key), s.recno);
  }
  return entries;
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
