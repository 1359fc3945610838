#include "dbase/mdx.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "dbase/keys.h"
#include "dbase/mdx_counts.h"
#include "dbase/mdx_impl.h"

// The file header, the tag table and the public MdxFile calls.

namespace dbase {

using namespace mdx;

namespace {

void putDate(char* p) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  p[0] = static_cast<char>(tm.tm_year);
  p[1] = static_cast<char>(tm.tm_mon + 1);
  p[2] = static_cast<char>(tm.tm_mday);
}

// Entry counts of index files closed unchanged, so a reopen (every sort
// change closes and opens the table) need not read every leaf again. Keyed by
// the file and everything that moves when it changes; a few files at most.
struct KeptCounts {
  dev_t dev = 0;
  ino_t ino = 0;
  uint64_t size = 0;
  int64_t mtime = 0;
  uint32_t counter = 0;
  std::unordered_map<uint32_t, uint64_t> counts;
  size_t onDisk = 0;  // how many of them the kept file holds
};
constexpr size_t kKeptCountFiles = 4;
constexpr int64_t kClockTickMarginNs = 50'000'000;

std::vector<KeptCounts>& keptCounts() {
  static std::vector<KeptCounts> kept;
  return kept;
}

int64_t nowNs() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

MdxFile::Impl::~Impl() {
  if (fd < 0) return;
  unmapWrites();
  keepCounts();
  ::close(fd);
}

void MdxFile::Impl::keepCounts() {
  if (counts.empty() || !dirty.empty() || busyOnDisk || interrupted) return;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return;
  const int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  // A change within the same clock tick could leave size and time as they were.
  if (static_cast<uint64_t>(st.st_size) != seenSize || mtime != seenMtime ||
      nowNs() - mtime <= kClockTickMarginNs)
    return;
  if (counts.size() != countsOnDisk) {
    // Learned more than the next run would find: keep them for it too.
    saveCounts({st.st_dev, st.st_ino, seenSize, seenMtime, seenCounter}, counts);
    countsOnDisk = counts.size();
  }
  auto& kept = keptCounts();
  std::erase_if(kept,
                [&](const KeptCounts& k) { return k.dev == st.st_dev && k.ino == st.st_ino; });
  if (kept.size() >= kKeptCountFiles) kept.erase(kept.begin());
  kept.push_back(KeptCounts{st.st_dev, st.st_ino, seenSize, seenMtime, seenCounter,
                            std::move(counts), countsOnDisk});
}

void MdxFile::Impl::takeKeptCounts() {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return;
  auto& kept = keptCounts();
  for (auto it = kept.begin(); it != kept.end(); ++it) {
    if (it->dev == st.st_dev && it->ino == st.st_ino && it->size == seenSize &&
        it->mtime == seenMtime && it->counter == seenCounter && !interrupted) {
      // Handed over, not copied: this handle keeps them again when it closes.
      counts = std::move(it->counts);
      countsOnDisk = it->onDisk;
      kept.erase(it);
      return;
    }
  }
  // A new run: perhaps an earlier one kept them.
  if (!interrupted &&
      loadSavedCounts({st.st_dev, st.st_ino, seenSize, seenMtime, seenCounter}, pageCount, counts))
    countsOnDisk = counts.size();
}

void MdxFile::Impl::readAt(uint64_t offset, char* buf, size_t n) const {
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd, buf + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      ioFail("cannot read");
    }
    if (r == 0) fail("the file ends at byte " + std::to_string(offset + done) + ", inside a block");
    done += static_cast<size_t>(r);
  }
}

void MdxFile::Impl::writeAt(uint64_t offset, const char* buf, size_t n) const {
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pwrite(fd, buf + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      ioFail("cannot write");
    }
    done += static_cast<size_t>(r);
  }
}

void MdxFile::Impl::syncData() const {
  if (::fdatasync(fd) != 0) ioFail("cannot sync");
}

void MdxFile::Impl::statFile(uint64_t& size, int64_t& mtime) const {
  struct stat st {};
  if (::fstat(fd, &st) != 0) ioFail("cannot examine");
  size = static_cast<uint64_t>(st.st_size);
  mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

void MdxFile::Impl::load() {
  cache.clear();
  counts.clear();
  countsOnDisk = 0;
  tags.clear();
  ++generation;
  uint64_t size;
  statFile(size, seenMtime);
  seenSize = size;
  if (size < kHeaderBytes) fail("too short for an MDX header");
  readAt(0, header.data(), kHeaderBytes);
  const char* h = header.data();
  if (static_cast<uint8_t>(h[kHeaderVersion]) != kVersion)
    fail("not a dBASE IV production index (version byte " +
         std::to_string(static_cast<uint8_t>(h[kHeaderVersion])) + ")");
  if (decode16(h + kHeaderBlockSize) != kBlockSize ||
      decode16(h + kHeaderPagesPerBlock) != kPagesPerBlock)
    fail("unsupported block size " + std::to_string(decode16(h + kHeaderBlockSize)));
  if (static_cast<uint8_t>(h[kHeaderEntrySize]) != kTagEntrySize) fail("bad tag entry size");
  const int used = decode16(h + kHeaderTagsInUse);
  if (used > kMaxTags) fail("tag count " + std::to_string(used) + " exceeds 47");
  const uint64_t filePages = size / kPageSize;
  if (filePages > 0xFFFFFFF0u) fail("file too large");
  // New blocks go after everything the file holds, whatever the header says.
  pageCount = static_cast<uint32_t>(std::max<uint64_t>(filePages, kFirstDataPage));
  pageCount += pageCount % 2;
  seenCounter = decode32(h + kHeaderChangeCounter);
  interrupted = h[kHeaderBusy] != 0;
  chainChecked = false;
  for (int i = 0; i < used; ++i) tags.push_back(loadTag(i, filePages));
  checkTagLayout();
  takeKeptCounts();
}

Tag MdxFile::Impl::loadTag(int slot, uint64_t filePages) {
  const char* e = header.data() + kTagTableOffset + static_cast<size_t>(slot) * kTagEntrySize;
  Tag t;
  t.name = cString(e + kEntryName, kEntryNameSize);
  t.headerPage = decode32(e + kEntryHeaderPage);
  const std::string what = "tag " + t.name + ": ";
  if (t.headerPage < kFirstDataPage || t.headerPage + uint64_t{2} > filePages)
    fail(what + "header page " + std::to_string(t.headerPage) + " lies outside the file");
  readAt(uint64_t{t.headerPage} * kPageSize, t.header.data(), kBlockSize);
  const char* h = t.header.data();
  const char type = h[kTagKeyType];
  if (type != 'C' && type != 'N' && type != 'D') fail(what + "unknown key type");
  t.type = static_cast<KeyType>(type);
  t.keyLength = decode16(h + kTagKeyLength);
  t.itemLength = decode16(h + kTagItemLength);
  if (t.keyLength < 1 || (t.type == KeyType::Numeric && t.keyLength != kNumericKeyLength) ||
      (t.type == KeyType::Date && t.keyLength != kDateKeyLength))
    fail(what + "bad key length " + std::to_string(t.keyLength));
  if (t.itemLength < t.keyLength + 4 || t.itemLength > static_cast<int>(kNodeSpace) / 3)
    fail(what + "bad item length " + std::to_string(t.itemLength));
  t.maxCount = static_cast<int>(kNodeSpace) / t.itemLength;
  const int stored = decode16(h + kTagMaxKeys);
  t.maxKeys = stored >= 3 && stored <= t.maxCount ? stored : t.maxCount;
  const auto format = static_cast<uint8_t>(h[kTagKeyFormat]);
  t.descending = format & kFormatDescending;
  t.unique = (format & kFormatUnique) || h[kTagUnique] != 0;
  t.expression = cString(h + kTagExpression, kExpressionSize);
  t.filter = cString(h + kTagFilter, kExpressionSize);
  return t;
}

void MdxFile::Impl::checkTagLayout() const {
  for (size_t i = 0; i < tags.size(); ++i) {
    const Tag& t = tags[i];
    if (t.name.empty()) fail("a tag has no name");
    if (t.headerPage % kPagesPerBlock != 0)
      fail("tag " + t.name + ": header page " + std::to_string(t.headerPage) +
           " is not on a block boundary");
    for (size_t j = 0; j < i; ++j) {
      if (upper(tags[j].name) == upper(t.name)) fail("two tags are named " + t.name);
      if (tags[j].headerPage == t.headerPage)
        fail("tags " + tags[j].name + " and " + t.name + " share the tag header at page " +
             std::to_string(t.headerPage));
    }
  }
}

std::string MdxFile::Impl::rootProblem(const Tag& t) const {
  const uint32_t root = t.root();
  const auto says = [&](const std::string& is) {
    return "tag " + t.name + ": root page " + std::to_string(root) + " " + is;
  };
  if (root % kPagesPerBlock != 0) return says("is not on a block boundary");
  for (const Tag& o : tags) {
    if (o.headerPage == root)
      return says(&o == &t ? std::string("is its own tag header")
                           : "is the tag header of " + o.name);
    if (&o != &t && o.root() == root) return says("is the root of tag " + o.name + " too");
  }
  return {};
}

void MdxFile::Impl::writeTagTable() {
  char* table = header.data() + kTagTableOffset;
  std::memset(table, 0, kMaxTags * kTagEntrySize);
  const int n = static_cast<int>(tags.size());
  std::vector<int> left(static_cast<size_t>(n)), right(left), parent(left);
  // Readers find tags by walking this binary tree of names.
  for (int i = 1; i < n; ++i) {
    int cur = 0;
    for (;;) {
      auto& next = tags[static_cast<size_t>(i)].name < tags[static_cast<size_t>(cur)].name
                       ? left[static_cast<size_t>(cur)]
                       : right[static_cast<size_t>(cur)];
      if (next == 0) {
        next = i + 1;
        parent[static_cast<size_t>(i)] = cur + 1;
        break;
      }
      cur = next - 1;
    }
  }
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<size_t>(i);
    char* e = table + k * kTagEntrySize;
    encode32(e + kEntryHeaderPage, tags[k].headerPage);
    std::memcpy(e + kEntryName, tags[k].name.data(), tags[k].name.size());
    e[kEntryFormat] = static_cast<char>(kEntryFormatValue);
    e[kEntryLeft] = static_cast<char>(left[k]);
    e[kEntryRight] = static_cast<char>(right[k]);
    e[kEntryParent] = static_cast<char>(parent[k]);
    e[kEntryMarker] = static_cast<char>(kEntryMarkerValue);
    e[kEntryKeyType] = static_cast<char>(tags[k].type);
  }
  encode16(header.data() + kHeaderTagsInUse, static_cast<uint16_t>(n));
}

int MdxFile::Impl::findTag(std::string_view name) const {
  const std::string u = upper(name);
  for (size_t i = 0; i < tags.size(); ++i)
    if (upper(tags[i].name) == u) return static_cast<int>(i);
  return -1;
}

void MdxFile::Impl::beginWrite() {
  if (readOnly) throw Error(path, "the index is open read-only");
  if (!busyOnDisk) {
    header[kHeaderBusy] = 1;
    writeAt(kHeaderBusy, header.data() + kHeaderBusy, 1);
    busyOnDisk = true;
  }
}

void MdxFile::Impl::endWrite() {
  if (batch > 0) {
    if (dirty.size() >= kCacheBlocks / 2) writeDirty();
    ++generation;
    return;
  }
  writeDirty();
  for (auto& t : tags)
    if (t.headerDirty) {
      writeAt(uint64_t{t.headerPage} * kPageSize, t.header.data(), kBlockSize);
      t.headerDirty = false;
    }
  char* h = header.data();
  encode32(h + kHeaderPageCount, pageCount);
  encode32(h + kHeaderChangeCounter, ++seenCounter);
  putDate(h + kHeaderUpdated);
  h[kHeaderBusy] = 0;
  writeAt(0, h, kHeaderBytes);
  busyOnDisk = false;
  statFile(seenSize, seenMtime);
  ++generation;
}

// In file order, neighbouring blocks in one write: a batch of new keys
// dirties thousands of nodes, many of them side by side.
void MdxFile::Impl::writeDirty() {
  std::stable_sort(dirty.begin(), dirty.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  // A batch dirties blocks all over the tree: through the mapping each is a
  // copy, where a write each (or runs bridging the gaps) cost far more.
  size_t i = 0;
  if (const uint64_t mapped = dirty.size() >= kMapBlocks ? mapForWrites() : 0) {
    for (; i < dirty.size(); ++i) {
      auto& [page, b] = dirty[i];
      const uint64_t at = uint64_t{page} * kPageSize;
      if (at + kBlockSize > mapped) break;
      if (!b->dirty) continue;
      std::memcpy(writeMap + at, b->d.data(), kBlockSize);
      b->dirty = false;
    }
  }
  // Blocks past the file's end (a batch's new nodes, side by side) are written.
  iovec iov[kMaxRun];
  while (i < dirty.size()) {
    size_t n = 0;
    const uint32_t first = dirty[i].first;
    for (; i < dirty.size() && n < kMaxRun; ++i) {
      auto& [page, b] = dirty[i];
      if (!b->dirty) continue;
      if (page != first + n * kPagesPerBlock && !fillGap(first, page, iov, n)) break;
      iov[n++] = {b->d.data(), kBlockSize};
      b->dirty = false;
    }
    if (n > 0) writeRun(uint64_t{first} * kPageSize, iov, n);
  }
  dirty.clear();
}

// Only what the file holds now is mapped, so the mapping never reaches past
// its end; the size is read again each time (a rebuild may have cut it).
// Only where overwriting a block needs no new space: a store through the
// mapping cannot report a full disk, the system would end the program.
uint64_t MdxFile::Impl::mapForWrites() {
  if (mapAllowed < 0) {
    constexpr long kExt4 = 0xEF53, kTmpfs = 0x01021994;
    struct statfs fs {};
    mapAllowed = ::fstatfs(fd, &fs) == 0 && (fs.f_type == kExt4 || fs.f_type == kTmpfs);
  }
  if (!mapAllowed) return 0;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size <= 0) return 0;
  const auto size = static_cast<uint64_t>(st.st_size);
  if (size == writeMapLength) return size;
  void* p = writeMap ? ::mremap(writeMap, writeMapLength, size, MREMAP_MAYMOVE)
                     : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) {
    unmapWrites();
    return 0;
  }
  writeMap = static_cast<char*>(p);
  writeMapLength = size;
  return size;
}

void MdxFile::Impl::unmapWrites() {
  if (writeMap) ::munmap(writeMap, writeMapLength);
  writeMap = nullptr;
  writeMapLength = 0;
}

// Bridges a short gap before `page` in the run at `first` with the cached
// blocks in between (the cache holds what the file holds, or newer): a few
// blocks more written cost less than another write.
bool MdxFile::Impl::fillGap(uint32_t first, uint32_t page, iovec* iov, size_t& n) const {
  constexpr size_t kMaxGap = 16;
  const uint32_t from = first + static_cast<uint32_t>(n) * kPagesPerBlock;
  if (n == 0 || page < from || (page - from) / kPagesPerBlock > kMaxGap) return false;
  size_t m = n;
  for (uint32_t p = from; p < page; p += kPagesPerBlock) {
    const BlockRef* b = cache.find(p);
    if (!b || m + 1 >= kMaxRun) return false;
    iov[m++] = {(*b)->d.data(), kBlockSize};
  }
  n = m;
  return true;
}

void MdxFile::Impl::writeRun(uint64_t offset, iovec* iov, size_t n) const {
  if (n == 1) return writeAt(offset, static_cast<const char*>(iov[0].iov_base), kBlockSize);
  size_t left = n * kBlockSize;
  while (left > 0) {
    const ssize_t r = ::pwritev(fd, iov, static_cast<int>(n), static_cast<off_t>(offset));
    if (r < 0) {
      if (errno == EINTR) continue;
      ioFail("cannot write");
    }
    // A short write: go on from where it stopped.
    size_t done = static_cast<size_t>(r);
    offset += done;
    left -= done;
    while (n > 0 && done >= iov->iov_len) {
      done -= iov->iov_len;
      ++iov;
      --n;
    }
    if (n > 0) {
      iov->iov_base = static_cast<char*>(iov->iov_base) + done;
      iov->iov_len -= done;
    }
  }
}

void MdxFile::Impl::abortWrite() {
  dirty.clear();
  cache.clear();
  counts.clear();
  ++generation;
  try {
    load();
  } catch (const Error&) {
  }
  interrupted = true;
}

// ---- MdxFile ----

MdxFile::MdxFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MdxFile::~MdxFile() = default;

void MdxFile::create(const std::string& path, const std::string& tableBaseName) {
  std::array<char, kHeaderBytes> h{};
  h[kHeaderVersion] = static_cast<char>(kVersion);
  putDate(h.data() + kHeaderCreated);
  std::memcpy(h.data() + kHeaderTableName, tableBaseName.data(),
              std::min(tableBaseName.size(), kHeaderTableNameSize));
  encode16(h.data() + kHeaderPagesPerBlock, kPagesPerBlock);
  encode16(h.data() + kHeaderBlockSize, kBlockSize);
  h[kHeaderProduction] = 1;
  h[kHeaderSlots] = static_cast<char>(kSlotCount);
  h[kHeaderEntrySize] = static_cast<char>(kTagEntrySize);
  encode32(h.data() + kHeaderPageCount, kFirstDataPage);
  putDate(h.data() + kHeaderUpdated);
  // A new file (callers remove what was there), never through a planted link.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) throw Error(path, std::string("cannot create: ") + std::strerror(errno));
  const ssize_t w = ::write(fd, h.data(), h.size());
  const int err = errno;
  ::close(fd);
  if (w != static_cast<ssize_t>(h.size()))
    throw Error(path, std::string("cannot write: ") + std::strerror(err));
}

std::unique_ptr<MdxFile> MdxFile::open(const std::string& path, bool readOnly) {
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  impl->readOnly = readOnly;
  impl->fd = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (impl->fd < 0) throw Error(path, std::string("cannot open: ") + std::strerror(errno));
  impl->load();
  return std::unique_ptr<MdxFile>(new MdxFile(std::move(impl)));
}

const std::string& MdxFile::path() const { return impl_->path; }

std::vector<TagInfo> MdxFile::tags() const {
  std::vector<TagInfo> out;
  for (const auto& t : impl_->tags)
    out.push_back({t.name, t.expression, t.filter, t.type, t.keyLength, t.descending, t.unique,
                   t.headerPage});
  return out;
}

int MdxFile::findTag(std::string_view name) const { return impl_->findTag(name); }

// A new tag's description and header block, checked; its pages are left to the caller.
Tag MdxFile::Impl::newTag(const TagDef& def, KeyType type, int keyLength) const {
  const std::string name = upper(def.name);
  if (name.empty() || name.size() > static_cast<size_t>(kMaxTagName) ||
      !std::isalpha(static_cast<unsigned char>(name[0])) ||
      !std::all_of(name.begin(), name.end(),
                   [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }))
    throw Error(path, "\"" + def.name +
                          "\" is not a tag name (a letter, then up to 9 letters, digits or _)");
  if (findTag(name) >= 0) throw Error(path, "tag " + name + " already exists");
  if (static_cast<int>(tags.size()) >= kMaxTags) throw Error(path, "no room for more than 47 tags");
  if (type == KeyType::Character && (keyLength < 1 || keyLength > kMaxCharacterKeyLength))
    throw Error(path, "tag " + name + ": key length " + std::to_string(keyLength) +
                          " (a character key holds 1 to 100 bytes)");
  if (type == KeyType::Numeric) keyLength = kNumericKeyLength;
  if (type == KeyType::Date) keyLength = kDateKeyLength;
  if (def.expression.empty() || def.expression.size() >= kExpressionSize ||
      def.filter.size() >= kExpressionSize)
    throw Error(path, "tag " + name + ": expressions hold 1 to 219 characters");
  Tag t;
  t.name = name;
  t.type = type;
  t.keyLength = keyLength;
  t.itemLength = itemLengthFor(keyLength);
  t.maxCount = static_cast<int>(kNodeSpace) / t.itemLength;
  t.maxKeys = t.maxCount;
  t.descending = def.descending;
  t.unique = def.unique;
  t.expression = def.expression;
  t.filter = def.filter;
  char* h = t.header.data();
  encode32(h + kTagSize, 2 * kPagesPerBlock);
  h[kTagKeyFormat] = static_cast<char>(kFormatBase | (t.descending ? kFormatDescending : 0) |
                                       (t.unique ? kFormatUnique : 0));
  h[kTagKeyType] = static_cast<char>(type);
  encode16(h + kTagKeyLength, static_cast<uint16_t>(keyLength));
  encode16(h + kTagMaxKeys, static_cast<uint16_t>(t.maxKeys));
  h[kTagDateFlag] = type == KeyType::Date ? 1 : 0;
  encode16(h + kTagItemLength, static_cast<uint16_t>(t.itemLength));
  h[kTagUnique] = static_cast<char>(t.unique ? kFormatUnique : 0);
  std::memcpy(h + kTagExpression, def.expression.data(), def.expression.size());
  std::memcpy(h + kTagFilter, def.filter.data(), def.filter.size());
  if (!def.filter.empty()) h[kTagHasFilter] = h[kTagFilterKeys] = 1;
  t.headerDirty = true;
  return t;
}

int MdxFile::addTag(const TagDef& def, KeyType type, int keyLength) {
  Impl& f = *impl_;
  Tag t = f.newTag(def, type, keyLength);
  Impl::Mutation m(f);
  t.headerPage = f.allocBlock();
  f.forget(t.headerPage);  // the tag keeps its header block itself
  t.setRoot(f.allocBlock());
  f.tags.push_back(std::move(t));
  f.writeTagTable();
  m.commit();
  return static_cast<int>(f.tags.size()) - 1;
}

int MdxFile::appendTag(const TagDef& def, KeyType type, int keyLength, const KeyList& sorted) {
  Impl& f = *impl_;
  if (f.readOnly) throw Error(f.path, "the index is open read-only");
  if (f.batch > 0 || f.busyOnDisk) throw Error(f.path, "the index is in the middle of an update");
  Tag t = f.newTag(def, type, keyLength);
  f.checkBuildInput(t, sorted);
  f.writeDirty();
  uint64_t oldSize;
  int64_t mtime;
  f.statFile(oldSize, mtime);
  const uint32_t oldPages = f.pageCount;
  Impl::BuiltTree built;
  try {
    t.headerPage = f.pageCount;
    f.pageCount += kPagesPerBlock;
    built = f.writeTree(t, sorted, {});
    t.setRoot(built.root);
    encode32(t.header.data() + kTagSize, 2 + built.blocks * kPagesPerBlock);
    f.writeAt(uint64_t{t.headerPage} * kPageSize, t.header.data(), kBlockSize);
    t.headerDirty = false;
    f.syncData();  // on disk before the header names them
  } catch (...) {
    // Nothing names the blocks written so far: cut them off again (should
    // that fail too, a later load just counts past them).
    f.pageCount = oldPages;
    f.counts.clear();
    f.countsOnDisk = 0;
    [[maybe_unused]] const int cut = ::ftruncate(f.fd, static_cast<off_t>(oldSize));
    throw;
  }
  f.tags.push_back(std::move(t));
  f.writeTagTable();
  char* h = f.header.data();
  encode32(h + kHeaderPageCount, f.pageCount);
  encode32(h + kHeaderChangeCounter, ++f.seenCounter);
  putDate(h + kHeaderUpdated);
  f.writeAt(0, h, kHeaderBytes);
  f.syncData();
  f.statFile(f.seenSize, f.seenMtime);
  ++f.generation;
  f.counts[built.root] = built.count;
  return static_cast<int>(f.tags.size()) - 1;
}

void MdxFile::dropTag(std::string_view name) {
  Impl& f = *impl_;
  const int i = f.findTag(name);
  if (i < 0) throw Error(f.path, "no tag " + std::string(name));
  Impl::Mutation m(f);
  Tag& t = f.tags[static_cast<size_t>(i)];
  std::vector<uint32_t> pages;
  f.collectPages(t, pages);
  for (uint32_t p : pages) f.freeBlock(p);
  f.freeBlock(t.headerPage);
  f.tags.erase(f.tags.begin() + i);
  f.writeTagTable();
  m.commit();
}

void MdxFile::buildTag(int tag, const KeyList& sorted) {
  Impl& f = *impl_;
  Tag& t = f.tag(tag);
  f.checkBuildInput(t, sorted);
  Impl::Mutation m(f);
  f.build(t, sorted);
  m.commit();
}

void MdxFile::buildTag(int tag, const std::vector<std::pair<std::string, uint32_t>>& sorted) {
  const Impl::Tag& t = impl_->tag(tag);
  KeyList list(static_cast<size_t>(t.keyLength));
  list.reserve(sorted.size());
  for (const auto& [key, recno] : sorted) {
    if (key.size() != list.width)
      throw Error(impl_->path, "tag " + t.name + ": key of " + std::to_string(key.size()) +
                                   " bytes for a key length of " + std::to_string(t.keyLength));
    list.add(key, recno);
  }
  buildTag(tag, list);
}

void MdxFile::rebuildTags(const std::vector<KeyList>& sorted) {
  Impl& f = *impl_;
  if (f.batch > 0) throw Error(f.path, "the index is in the middle of an update");
  if (sorted.size() != f.tags.size())
    throw Error(f.path, "entries for " + std::to_string(sorted.size()) + " tags, the index has " +
                            std::to_string(f.tags.size()));
  for (size_t i = 0; i < sorted.size(); ++i) f.checkBuildInput(f.tags[i], sorted[i]);
  Impl::Mutation m(f);
  // Nothing of the old layout is trusted: trees, free chain and tag header
  // pages are laid out afresh from the first data page.
  f.dirty.clear();
  f.cache.clear();
  f.counts.clear();
  f.countsOnDisk = 0;
  encode32(f.header.data() + kHeaderFreePage, 0);
  f.pageCount = kFirstDataPage;
  for (size_t i = 0; i < sorted.size(); ++i) {
    Tag& t = f.tags[i];
    t.headerPage = f.pageCount;
    f.pageCount += kPagesPerBlock;
    const Impl::BuiltTree built = f.writeTree(t, sorted[i], {});
    t.setRoot(built.root);
    encode32(t.header.data() + kTagSize, 2 + built.blocks * kPagesPerBlock);
    t.headerDirty = true;
    f.counts[built.root] = built.count;
  }
  f.writeTagTable();
  m.commit();
  // Past the new end only the old layout's blocks remain.
  if (::ftruncate(f.fd, static_cast<off_t>(uint64_t{f.pageCount} * kPageSize)) == 0)
    f.statFile(f.seenSize, f.seenMtime);
  f.interrupted = false;
}

void MdxFile::insert(int tag, std::string_view key, uint32_t recno) {
  Impl& f = *impl_;
  Tag& t = f.tag(tag);
  if (key.size() != static_cast<size_t>(t.keyLength))
    throw Error(f.path, "tag " + t.name + ": key of " + std::to_string(key.size()) +
                            " bytes for a key length of " + std::to_string(t.keyLength));
  Impl::Mutation m(f);
  Path p;
  if (t.unique) {
    f.seekPath(t, p, key, 0, false);
    if (f.normalizeForward(t, p) &&
        Impl::keyCmp(t, f.node(t, p.back()).key(p.back().idx), key, false) == 0) {
      m.commit();
      return;
    }
  }
  f.seekPath(t, p, key, recno, false);
  f.forgetCounts(p);
  f.insertAt(t, p, p.size() - 1, p.back().idx, recno, key);
  m.commit();
}

void MdxFile::insertSorted(int tag, const KeyList& sorted) {
  Impl& f = *impl_;
  Tag& t = f.tag(tag);
  if (sorted.empty()) return;
  if (t.unique) {
    for (size_t k = 0; k < sorted.size(); ++k) insert(tag, sorted.key(k), sorted.recnos[k]);
    return;
  }
  if (sorted.width != static_cast<size_t>(t.keyLength))
    throw Error(f.path, "tag " + t.name + ": keys of " + std::to_string(sorted.width) +
                            " bytes for a key length of " + std::to_string(t.keyLength));
  f.checkBuildInput(t, sorted);
  Impl::Mutation m(f);
  Path p;
  for (size_t k = 0; k < sorted.size(); ++k) {
    const std::string_view key = sorted.key(k);
    const uint32_t recno = sorted.recnos[k];
    // What is done so far may go out, as single inserts let it.
    if (f.dirty.size() >= kCacheBlocks / 2) f.writeDirty();
    // After a split, which moves entries and separators, the walk starts at the root.
    if (p.empty())
      f.seekPath(t, p, key, recno, false);
    else
      f.seekFrom(t, p, key, recno);
    if (!f.counts.empty()) f.forgetCounts(p);
    const bool splits = f.node(t, p.back()).count() >= t.maxKeys;
    f.insertAt(t, p, p.size() - 1, p.back().idx, recno, key);
    if (splits) p.clear();
  }
  m.commit();
}

void MdxFile::erase(int tag, std::string_view key, uint32_t recno) {
  Impl& f = *impl_;
  Tag& t = f.tag(tag);
  Impl::Mutation m(f);
  Path p;
  f.seekPath(t, p, key, recno, false);
  if (f.normalizeForward(t, p)) {
    Node n = f.node(t, p.back());
    if (n.ptr(p.back().idx) == recno && compareKeys(t.type, n.key(p.back().idx), key) == 0)
      f.eraseAt(t, p);
  }
  m.commit();
}

void MdxFile::reloadIfChanged() {
  Impl& f = *impl_;
  uint64_t size;
  int64_t mtime;
  f.statFile(size, mtime);
  char counter[4];
  if (size >= kHeaderBytes)
    f.readAt(kHeaderChangeCounter, counter, 4);
  else
    std::memset(counter, 0, 4);
  if (size != f.seenSize || mtime != f.seenMtime || decode32(counter) != f.seenCounter) f.load();
}

void MdxFile::flush() { impl_->writeDirty(); }

void MdxFile::sync() {
  flush();
  if (!impl_->readOnly) impl_->syncData();
}

bool MdxFile::needsRebuild() const { return impl_->interrupted; }

void MdxFile::beginBatch() { ++impl_->batch; }

void MdxFile::endBatch() {
  Impl& f = *impl_;
  if (f.batch > 0 && --f.batch == 0 && f.busyOnDisk) f.endWrite();
}

std::vector<std::string> MdxFile::layoutProblems() { return impl_->layoutProblems(); }

uint64_t MdxFile::count(int tag) {
  Impl& f = *impl_;
  const Tag& t = f.tag(tag);
  if (std::string why = f.rootProblem(t); !why.empty()) f.fail(why);
  return f.subtreeCount(t, t.root(), 0);
}

}  // namespace dbase
