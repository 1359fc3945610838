#include "dbase/check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "dbase/check_files.h"
#include "dbase/codepage.h"
#include "dbase/error.h"
#include "dbase/expr.h"
#include "dbase/keys.h"
#include "dbase/mdx.h"

namespace dbase {
namespace {

// Counts every problem and lists the first few of each kind: a badly broken
// tag must not fill memory with lines nobody reads.
class Report {
 public:
  Report(CheckReport& out, int limit) : out_(out), limit_(limit) {}
  void add(const std::string& kind, const std::string& line) {
    ++out_.total;
    if (++out_.counts[kind] <= limit_) out_.listed.push_back({kind, line});
  }

 private:
  CheckReport& out_;
  int limit_;
};

bool isMemoType(FieldType t) {
  return t == FieldType::Memo || t == FieldType::Binary || static_cast<char>(t) == 'G';
}

std::string keyText(KeyType type, std::string_view key) {
  char buf[64];
  switch (type) {
    case KeyType::Numeric:
      if (key.size() != kNumericKeyLength) break;
      std::snprintf(buf, sizeof buf, "%.15g", numericKeyValue(key));
      return buf;
    case KeyType::Date: {
      if (key.size() != kDateKeyLength) break;
      if (key == dateKey(0)) return "(blank date)";
      double j = 0;
      uint64_t bits = 0;
      for (int i = 7; i >= 0; --i) bits = bits << 8 | static_cast<uint8_t>(key[i]);
      std::memcpy(&j, &bits, sizeof j);
      if (j < 0 || j > 1e8) break;
      const auto d = fromJulian(static_cast<int64_t>(j));
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
      return buf;
    }
    case KeyType::Character:
      return "\"" + cp1252ToUtf8(key) + "\"";
  }
  std::string hex;
  for (unsigned char c : key) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    hex += buf;
  }
  return "0x" + hex;
}

struct Context {
  const RawDbf& dbf;
  const RawMemo* memo;  // null when the table has none
  Report& report;
};

// Memo pointers must lead to sound entries that no two fields share.
void checkMemos(Context& cx) {
  const auto& fields = cx.dbf.fields();
  std::vector<std::pair<uint32_t, uint32_t>> used;  // first block, block count
  std::map<uint32_t, uint32_t> owner;               // first block -> record
  for (uint32_t r = 1; r <= cx.dbf.recordCount(); ++r) {
    const auto rec = cx.dbf.record(r);
    for (size_t f = 0; f < fields.size(); ++f) {
      if (!isMemoType(fields[f].type)) continue;
      const auto text = rec.substr(cx.dbf.fieldOffset(static_cast<int>(f)), fields[f].length);
      bool bad = false;
      const auto block = memoBlock(text, &bad);
      const std::string where = "record " + std::to_string(r) + " " + fields[f].name + ": ";
      if (bad) {
        cx.report.add("memo", where + "memo pointer \"" + std::string(text) + "\" is not a number");
        continue;
      }
      if (!block) continue;
      if (!cx.memo) {
        cx.report.add("memo", where + "points to block " + std::to_string(*block) +
                                  " but the table has no memo file");
        continue;
      }
      std::string problem;
      const auto entry = cx.memo->read(*block, &problem);
      if (!entry) {
        cx.report.add("memo", where + problem);
        continue;
      }
      if (cx.memo->nextFree() != 0 && *block + entry->blocks > cx.memo->nextFree()) {
        cx.report.add("memo", where + "memo at block " + std::to_string(*block) +
                                  " lies beyond the header's next free block " +
                                  std::to_string(cx.memo->nextFree()));
      }
      if (auto [it, fresh] = owner.emplace(*block, r); !fresh) {
        cx.report.add("memo", where + "shares block " + std::to_string(*block) + " with record " +
                                  std::to_string(it->second));
        continue;
      }
      used.emplace_back(*block, entry->blocks);
    }
  }
  std::sort(used.begin(), used.end());
  for (size_t i = 1; i < used.size(); ++i) {
    if (used[i - 1].first + used[i - 1].second > used[i].first) {
      cx.report.add("memo", "memo at block " + std::to_string(used[i - 1].first) + " (" +
                                std::to_string(used[i - 1].second) +
                                " blocks) overlaps the memo at block " +
                                std::to_string(used[i].first));
    }
  }
}

using Entry = std::pair<std::string, uint32_t>;  // key, record number

// A tag's order of entries: by key in its direction, then by record number.
struct TagOrder {
  KeyType type;
  bool descending;

  int keys(std::string_view a, std::string_view b) const {
    const int c = compareKeys(type, a, b);
    return descending ? -c : c;
  }
  bool operator()(const Entry& a, const Entry& b) const {
    const int c = keys(a.first, b.first);
    return c != 0 ? c < 0 : a.second < b.second;
  }
};

// What the tag should hold: the key of every record its filter admits.
std::vector<Entry> expectedEntries(Context& cx, const TagInfo& tag, const Expression& expr,
                                   const std::optional<Expression>& filter) {
  std::vector<Entry> expected;
  for (uint32_t r = 1; r <= cx.dbf.recordCount(); ++r) {
    RecordView view;
    view.record = cx.dbf.record(r);
    view.memo = [&cx, &view](int field) -> std::string {
      if (!cx.memo) return {};
      const auto& f = cx.dbf.fields()[field];
      bool bad = false;
      const auto block = memoBlock(view.record.substr(cx.dbf.fieldOffset(field), f.length), &bad);
      if (!block) return {};
      std::string problem;
      auto entry = cx.memo->read(*block, &problem);
      return entry ? std::move(entry->data) : std::string();
    };
    if (filter) {
      const auto v = filter->evaluate(view);
      if (v.kind != ExprValue::Kind::Logical || !v.logical) continue;
    }
    expected.emplace_back(makeKey(expr.evaluate(view), tag.keyType, tag.keyLength), r);
  }
  return expected;
}

// What the tag holds, in its own order.
std::vector<Entry> walkedEntries(Context& cx, MdxFile& mdx, int index, const std::string& name) {
  std::vector<Entry> walked;
  try {
    MdxFile::Cursor cursor(mdx, index);
    for (bool ok = cursor.first(); ok; ok = cursor.next()) {
      walked.emplace_back(std::string(cursor.key()), cursor.recno());
      if (walked.size() > uint64_t{cx.dbf.recordCount()} + 1000) {
        cx.report.add("tag", name + "walk does not end (more entries than records)");
        break;
      }
    }
  } catch (const Error& e) {
    cx.report.add("tag", name + "walk failed after " + std::to_string(walked.size()) +
                             " entries: " + e.what());
  }
  return walked;
}

// The walk's own soundness: order, searches that find each entry, key lengths.
void checkWalk(Context& cx, MdxFile& mdx, int index, const TagInfo& tag, const std::string& name,
               const std::vector<Entry>& walked) {
  const TagOrder before{tag.keyType, tag.descending};
  const auto type = tag.keyType;
  for (size_t i = 1; i < walked.size(); ++i) {
    if (!before(walked[i - 1], walked[i])) {
      cx.report.add(
          "order",
          name + "entry " + std::to_string(i) + " (record " + std::to_string(walked[i].second) +
              ", key " + keyText(type, walked[i].first) + ") is out of order after record " +
              std::to_string(walked[i - 1].second) + ", key " + keyText(type, walked[i - 1].first));
    }
  }
  // Interior keys must route a search to every entry, or seeks miss records.
  try {
    MdxFile::Cursor seeker(mdx, index);
    for (const auto& [key, recno] : walked) {
      if (!seeker.seek(key, recno) || seeker.recno() != recno || seeker.key() != key) {
        cx.report.add("seek", name + "a search for record " + std::to_string(recno) + ", key " +
                                  keyText(type, key) + " lands on " +
                                  (seeker.valid() ? "record " + std::to_string(seeker.recno())
                                                  : std::string("no entry")));
      }
    }
  } catch (const Error& e) {
    cx.report.add("seek", name + "search failed: " + e.what());
  }
  for (const auto& [key, recno] : walked) {
    if (key.size() != static_cast<size_t>(tag.keyLength)) {
      cx.report.add("key", name + "record " + std::to_string(recno) + " has a key of " +
                               std::to_string(key.size()) + " bytes, the tag's length is " +
                               std::to_string(tag.keyLength));
    }
  }
}

// A unique tag: one entry per distinct key, for one of the records that have it.
void compareUnique(Context& cx, const TagInfo& tag, const std::string& name,
                   const std::vector<Entry>& expected, const std::vector<Entry>& stored) {
  const TagOrder order{tag.keyType, tag.descending};
  const auto type = tag.keyType;
  auto keyLess = [&order](const std::string& a, const std::string& b) {
    return order.keys(a, b) < 0;
  };
  std::map<std::string, std::vector<uint32_t>, decltype(keyLess)> byKey(keyLess);
  for (const auto& [key, recno] : expected) byKey[key].push_back(recno);
  std::map<std::string, int, decltype(keyLess)> seen(keyLess);
  for (const auto& [key, recno] : stored) {
    auto it = byKey.find(key);
    if (it == byKey.end()) {
      cx.report.add("extra", name + "extra entry for record " + std::to_string(recno) + ", key " +
                                 keyText(type, key));
      continue;
    }
    if (++seen[key] > 1) {
      cx.report.add("duplicate",
                    name + "unique tag holds key " + keyText(type, key) + " more than once");
    }
    if (std::find(it->second.begin(), it->second.end(), recno) == it->second.end()) {
      cx.report.add("extra", name + "entry for record " + std::to_string(recno) + " has key " +
                                 keyText(type, key) + ", which that record lacks");
    }
  }
  for (const auto& [key, recnos] : byKey) {
    if (!seen.count(key)) {
      cx.report.add("missing", name + "key " + keyText(type, key) + " of record " +
                                   std::to_string(recnos.front()) + " is missing");
    }
  }
}

// Any other tag: the two sorted lists merged, entry for entry.
void compareEntries(Context& cx, const TagInfo& tag, const std::string& name,
                    const std::vector<Entry>& expected, const std::vector<Entry>& stored) {
  const TagOrder before{tag.keyType, tag.descending};
  const auto type = tag.keyType;
  size_t i = 0, j = 0;
  while (i < expected.size() || j < stored.size()) {
    if (j == stored.size() || (i < expected.size() && before(expected[i], stored[j]))) {
      cx.report.add("missing", name + "record " + std::to_string(expected[i].second) + ", key " +
                                   keyText(type, expected[i].first) + " is missing");
      ++i;
    } else if (i == expected.size() || before(stored[j], expected[i])) {
      const bool dup = j > 0 && stored[j - 1] == stored[j];
      cx.report.add(dup ? "duplicate" : "extra", name + (dup ? "duplicate" : "extra") +
                                                     " entry for record " +
                                                     std::to_string(stored[j].second) + ", key " +
                                                     keyText(type, stored[j].first));
      ++j;
    } else {
      ++i;
      ++j;
    }
  }
}

void checkTag(Context& cx, MdxFile& mdx, int index, const TagInfo& tag) {
  const std::string name = "tag " + tag.name + ": ";
  const auto& fields = cx.dbf.fields();
  std::optional<Expression> expr, filter;
  try {
    expr.emplace(Expression::compile(tag.expression, fields));
    if (!tag.filter.empty()) filter.emplace(Expression::compile(tag.filter, fields));
  } catch (const Error& e) {
    cx.report.add("tag", name + e.what());
    return;
  }
  std::vector<Entry> expected = expectedEntries(cx, tag, *expr, filter);
  const std::vector<Entry> walked = walkedEntries(cx, mdx, index, name);
  checkWalk(cx, mdx, index, tag, name, walked);

  const TagOrder before{tag.keyType, tag.descending};
  std::sort(expected.begin(), expected.end(), before);
  std::vector<Entry> stored = walked;
  std::sort(stored.begin(), stored.end(), before);
  if (tag.unique)
    compareUnique(cx, tag, name, expected, stored);
  else
    compareEntries(cx, tag, name, expected, stored);
}

}  // namespace

CheckReport checkTable(const std::string& dbfPath, int listLimit) {
  CheckReport result;
  Report report(result, listLimit);
  const RawDbf dbf = RawDbf::load(dbfPath);
  for (const auto& w : dbf.warnings()) report.add("table", dbfPath + ": " + w);

  bool needsMemo = false;
  for (const auto& f : dbf.fields()) needsMemo = needsMemo || isMemoType(f.type);
  std::unique_ptr<RawMemo> memo;
  const std::string dbtPath = siblingFile(dbfPath, ".dbt");
  if (!dbtPath.empty()) {
    try {
      memo = std::make_unique<RawMemo>(RawMemo::load(dbtPath, dbf.version() == 0x83));
    } catch (const Error& e) {
      report.add("memo", e.what());
    }
  } else if (needsMemo) {
    report.add("memo", dbfPath + ": has memo fields but no .dbt beside it");
  }
  Context cx{dbf, memo.get(), report};
  if (needsMemo) checkMemos(cx);

  const std::string mdxPath = siblingFile(dbfPath, ".mdx");
  if (mdxPath.empty()) {
    if (dbf.productionFlag()) {
      report.add("index", dbfPath + ": header announces a production index but there is no .mdx");
    }
  } else {
    if (!dbf.productionFlag()) {
      report.add("index", dbfPath + ": an .mdx exists but the header's production flag is not set");
    }
    std::unique_ptr<MdxFile> mdx;
    try {
      mdx = MdxFile::open(mdxPath, true);
    } catch (const Error& e) {
      report.add("index", e.what());
    }
    if (mdx && mdx->needsRebuild()) {
      report.add("index", mdxPath +
                              ": marked as being updated: a writer stopped midway "
                              "(reindex rebuilds it)");
    }
    if (mdx) {
      for (const std::string& problem : mdx->layoutProblems())
        report.add("index", mdxPath + ": " + problem);
      const auto tags = mdx->tags();
      for (size_t i = 0; i < tags.size(); ++i) checkTag(cx, *mdx, static_cast<int>(i), tags[i]);
    }
  }
  return result;
}

}  // namespace dbase
