// Opening, closing and creating tables.

#include "dbase/table.h"

#include <fcntl.h>

#include "dbase/lock.h"
#include "dbase/table_impl.h"

namespace dbase {

void Table::Impl::openFiles(const std::string& dbfPath, OpenMode mode, bool ro) {
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
  if (!readOnly) {
    HeaderNumbers n;
    n.headerLength = hdr.headerLength;
    n.fieldsEnd = hdr.fieldsEnd;
    n.zeroAfterEnd = hdr.zeroAfterEnd;
    n.recordLength = hdr.recordLength;
    n.fieldsLength = static_cast<uint64_t>(hdr.offsets.back()) + hdr.fields.back().length;
    n.recordCount = hdr.recordCount;
    n.fileSize = dbf.size();
    if (std::string why = headerDisagreement(n); !why.empty())
      throw FormatError(path, why + "; it can only be opened read-only");
  }
  count = boundedCount(hdr.recordCount);
  if (!readOnly) recoverCount();
  if (hdr.hasMemoFields()) {
    bool exists = false;
    std::string dbt = companionPath(path, ".dbt", &exists);
    if (!exists) throw FormatError(dbt, "memo file is missing");
    memo = MemoFile::open(dbt, readOnly, hdr.version == kDbfVersionMemo3);
    if (exclusive && !readOnly) memo->setSoleUser(true);
  }
  if (hdr.productionMdx && !skipIndex) {
    bool exists = false;
    std::string mdxPath = companionPath(path, ".mdx", &exists);
    if (exists) attachIndex(mdxPath);
  }
}

void Table::Impl::attachIndex(const std::string& mdxPath) {
  if (!readOnly) {
    openIndex(mdxPath);
    return;
  }
  try {
    openIndex(mdxPath);
  } catch (const Error& e) {
    dropIndex(e);
  }
}

void Table::Impl::openIndex(const std::string& mdxPath) {
  mdx = MdxFile::open(mdxPath, readOnly);
  if (!readOnly) mdxLock = File::open(mdxPath, O_RDWR);
  loadTags();
}

void Table::Impl::closeIndex() {
  flushPending();
  cursor.reset();
  if (mdx && !readOnly) mdx->flush();
  mdx.reset();
  mdxLock.close();
  tags.clear();
}

// Read-only use goes on without an index it cannot use; the tags are gone with it.
void Table::Impl::dropIndex(const Error& why) {
  closeIndex();
  indexError = why;
}

void Table::Impl::closeAll() {
  if (state == Table::State::Edit || state == Table::State::Insert) cancel();
  unlockRecord();
  try {
    flushPending();
  } catch (...) {
    // Closing must go on; what was kept back is recovered on the next open.
  }
  holdingAppends = false;
  dropHeldAppends();
  countDirty = false;
  batchOn = false;
  grownAhead = false;
  pending.clear();
  pendingCount = 0;
  closeIndex();
  indexError.reset();
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
    if (t.name.empty() || t.name.size() > 10)
      throw Error(path, "tag name '" + t.name + "' must have 1 to 10 characters");
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
  finishInterruptedSwap(found.value_or(path));
  if (!found) found = resolveFile(path);
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
    d.attachIndex(mdxPath);
  } else if (d.hdr.productionMdx && !d.skipIndex) {
    bool exists = false;
    std::string mdxPath = companionPath(d.path, ".mdx", &exists);
    d.indexError.reset();
    if (exists) d.attachIndex(mdxPath);
  }
  if (d.readOnly) d.repairIndex();
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

std::string Table::indexProblem() const {
  return impl_->indexError ? impl_->indexError->what() : std::string();
}

}  // namespace dbase
