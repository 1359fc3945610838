// Building tags from the data and replacing the index.

#include "dbase/table_impl.h"

namespace dbase {

namespace {

// The tag flag of a field descriptor marks a tag whose key is just that field.
void markTaggedFields(DbfHeader& h, const std::vector<TagInfo>& tags) {
  h.tagFlags.assign(h.fields.size(), false);
  for (const auto& t : tags) {
    std::string expr = toUpper(trim(t.expression));
    for (size_t i = 0; i < h.fields.size(); ++i)
      if (h.fields[i].name == expr && t.filter.empty()) h.tagFlags[i] = true;
  }
}

}  // namespace

KeyType keyTypeFor(ExprValue::Kind kind, const std::string& file, const std::string& expr) {
  switch (kind) {
    case ExprValue::Kind::Character:
      return KeyType::Character;
    case ExprValue::Kind::Numeric:
      return KeyType::Numeric;
    case ExprValue::Kind::Date:
      return KeyType::Date;
    default:
      throw ExpressionError(file, "a logical expression cannot be a key: " + expr);
  }
}

std::optional<KeyType> expressionKeyType(const std::string& expression,
                                         const std::vector<FieldDef>& fields) {
  switch (Expression::compile(expression, fields).resultKind()) {
    case ExprValue::Kind::Character:
      return KeyType::Character;
    case ExprValue::Kind::Numeric:
      return KeyType::Numeric;
    case ExprValue::Kind::Date:
      return KeyType::Date;
    default:
      return std::nullopt;
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

void Table::Impl::writeHeaderDefinitions() {
  DbfHeader h = hdr;
  h.recordCount = count;
  std::string bytes = encodeDbfHeader(h);
  // Only the fixed part and descriptors change; the count stays as written last.
  dbf.writeAt(0, bytes.data(), bytes.size());
}

// Keys of every record the filter admits (deleted ones too unless the filter
// leaves them out: dBASE keeps them) in the tag's order.
KeyList Table::Impl::collectKeys(const TagState& t, const File& src, const DbfHeader& h, uint32_t n,
                                 const MemoFile* memoFile) const {
  const size_t len = static_cast<size_t>(t.info.keyLength);
  const KeyType type = t.info.keyType;
  KeyList entries(len);
  entries.reserve(n);
  std::vector<char> buf;
  uint32_t perChunk = std::max<uint32_t>(1, static_cast<uint32_t>(kScanChunk / h.recordLength));
  buf.resize(static_cast<size_t>(perChunk) * h.recordLength);
  std::string_view current;
  RecordView view{{}, [&](int f) -> std::string {
                    if (!memoFile) return {};
                    auto fb = current.substr(
                        static_cast<size_t>(h.offsets[static_cast<size_t>(f)]),
                        static_cast<size_t>(h.fields[static_cast<size_t>(f)].length));
                    return memoFile->read(parseMemoBlock(fb));
                  }};
  for (uint32_t r = 1; r <= n; r += perChunk) {
    uint32_t k = std::min(perChunk, n - r + 1);
    size_t want = static_cast<size_t>(k) * h.recordLength;
    src.readExact(h.headerLength + static_cast<uint64_t>(r - 1) * h.recordLength, buf.data(), want);
    for (uint32_t i = 0; i < k; ++i) {
      current =
          std::string_view(buf.data() + static_cast<size_t>(i) * h.recordLength, h.recordLength);
      view.record = current;
      if (t.filter) {
        ExprValue v = t.filter->evaluate(view);
        if (v.kind != ExprValue::Kind::Logical || !v.logical) continue;
      }
      entries.add(makeKey(t.expr->evaluate(view), type, t.info.keyLength), r + i);
    }
  }
  return sortEntries(t.info, entries);
}

TagState Table::Impl::compileTag(const TagDef& def, const std::vector<FieldDef>& fields,
                                 const std::string& file) {
  TagState t;
  t.expr.emplace(Expression::compile(def.expression, fields));
  if (!trim(def.filter).empty()) t.filter.emplace(Expression::compile(def.filter, fields));
  t.noteFields();
  t.info.keyType = keyTypeFor(t.expr->resultKind(), file, def.expression);
  t.info.keyLength = keyLengthFor(t.info.keyType, *t.expr, file);
  t.info.descending = def.descending;
  t.info.unique = def.unique;
  return t;
}

// Adds def to an open index file and builds it from the table in src.
void Table::Impl::addBuiltTag(MdxFile& file, const TagDef& def, const File& src, const DbfHeader& h,
                              uint32_t n, const MemoFile* memoFile) const {
  TagState t = compileTag(def, h.fields, file.path());
  t.index = file.addTag(def, t.info.keyType, t.info.keyLength);
  file.buildTag(t.index, collectKeys(t, src, h, n, memoFile));
}

// Writes a new index at mdxPath holding defs, built from the table in src.
void Table::Impl::buildIndexFile(const std::string& mdxPath, const std::vector<TagDef>& defs,
                                 const File& src, const DbfHeader& h, uint32_t n,
                                 const MemoFile* memoFile,
                                 const std::function<void(size_t, size_t)>& onTag) const {
  removeFile(mdxPath);
  MdxFile::create(mdxPath, toUpper(baseName(path)));
  auto file = MdxFile::open(mdxPath, false);
  for (size_t i = 0; i < defs.size(); ++i) {
    addBuiltTag(*file, defs[i], src, h, n, memoFile);
    if (onTag) onTag(i + 1, defs.size());
  }
  file->sync();
}

// Changes a copy of the index and puts it in place of the index.
template <class F>
void Table::Impl::changeIndexCopy(F&& change) {
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

void Table::Impl::dropTag(const std::string& name) {
  changeIndexCopy([&](MdxFile& file) { file.dropTag(name); });
}

// A new tag goes in after the index's end and is named in its header last
// (MdxFile::appendTag): no copy of the other tags.
void Table::Impl::addTag(const TagDef& def) {
  flushPending();
  if (!mdx) {
    replaceIndex({def});
    return;
  }
  const TagState t = compileTag(def, hdr.fields, mdx->path());
  mdx->appendTag(def, t.info.keyType, t.info.keyLength,
                 collectKeys(t, dbf, hdr, count, memo.get()));
  loadTags();
  markTaggedFields(hdr, mdx->tags());
  writeHeaderDefinitions();
  reactivate();
}

std::vector<TagDef> Table::Impl::tagDefs() const {
  std::vector<TagDef> defs;
  if (!mdx) return defs;
  for (const TagInfo& info : mdx->tags())
    defs.push_back(TagDef{info.name, info.expression, info.descending, info.unique, info.filter});
  return defs;
}

// Replaces the index by one with defs (empty: no index), built from the data.
void Table::Impl::replaceIndex(const std::vector<TagDef>& defs,
                               const std::function<void(size_t, size_t)>& onTag) {
  flushPending();
  bool exists = false;
  std::string mdxPath = mdx ? mdx->path() : companionPath(path, ".mdx", &exists);
  std::string tmp = mdxPath + kTempSuffix;
  if (!defs.empty()) {
    try {
      buildIndexFile(tmp, defs, dbf, hdr, count, memo.get(), onTag);
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
void Table::Impl::reactivate() {
  int found = -1;
  for (size_t i = 0; i < tags.size(); ++i)
    if (!activeName.empty() && equalsIgnoreCase(tags[i].info.name, activeName))
      found = static_cast<int>(i);
  active = found;
  if (found < 0) activeName.clear();
  cursor = found >= 0
               ? std::make_unique<MdxFile::Cursor>(*mdx, tags[static_cast<size_t>(found)].index)
               : nullptr;
  rangeOn = false;
  low.reset();
  high.reset();
  cursorStale = true;
  changed();
}

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
  auto it = std::find_if(defs.begin(), defs.end(),
                         [&](const TagDef& t) { return equalsIgnoreCase(t.name, name); });
  if (it == defs.end()) d.fail("no tag " + name);
  if (defs.size() == 1)
    d.replaceIndex({});
  else
    d.dropTag(it->name);
  d.first();
}

void Table::rebuildIndex(const std::string& path, const std::vector<TagDef>& tags,
                         const std::function<void(size_t built, size_t total)>& onTag) {
  Table t;
  t.impl_->skipIndex = true;
  t.open(path, OpenMode::Exclusive);
  Impl& d = *t.impl_;
  // Every definition is checked before the old index goes.
  for (const TagDef& def : tags) {
    if (def.name.empty() || def.name.size() > 10)
      d.fail("tag name '" + def.name + "' must have 1 to 10 characters");
    Impl::compileTag(def, d.hdr.fields, d.path);
  }
  std::vector<TagDef> defs = tags;
  for (TagDef& def : defs) def.name = toUpper(def.name);
  d.replaceIndex(defs, onTag);
  t.close();
}

void Table::regenerateTags() {
  Impl& d = *impl_;
  d.requireExclusive("rebuilding the index");
  d.browseMode();
  d.replaceIndex(d.tagDefs());
  d.first();
}

}  // namespace dbase
