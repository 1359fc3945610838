#include "mdx.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <unordered_map>
#include <unordered_set>

#include "coding.h"
#include "dbase/error.h"
#include "keys.h"
#include "mdx_format.h"

namespace dbase {

using namespace mdx;

namespace {

constexpr int kMaxDepth = 24;            // far beyond any real tree; guards against cycles
constexpr size_t kCacheBlocks = 65536;   // 64 MiB of cached nodes
constexpr size_t kBuildChunkBlocks = 1024;
constexpr size_t kRunBlocks = 256;        // longest single read of neighbouring blocks

struct Block {
  std::array<char, kBlockSize> d{};
  bool dirty = false;
};
using BlockRef = std::shared_ptr<Block>;

struct Level {
  uint32_t page = 0;
  int idx = 0;
  BlockRef blk;
};
using Path = std::vector<Level>;

struct Tag {
  std::string name;
  uint32_t headerPage = 0;
  std::array<char, kBlockSize> header{};  // the raw tag header block
  bool headerDirty = false;
  KeyType type = KeyType::Character;
  int keyLength = 0;
  int itemLength = 0;
  int maxKeys = 0;   // what we put in a node
  int maxCount = 0;  // what a node can hold at all
  bool descending = false;
  bool unique = false;
  std::string expression;
  std::string filter;

  uint32_t root() const { return decode32(header.data() + kTagRoot); }
  void setRoot(uint32_t page) {
    encode32(header.data() + kTagRoot, page);
    headerDirty = true;
  }
  void addPages(int64_t delta) {
    const int64_t size = static_cast<int64_t>(decode32(header.data() + kTagSize)) + delta;
    encode32(header.data() + kTagSize, static_cast<uint32_t>(std::max<int64_t>(size, 0)));
    headerDirty = true;
  }
};

// Accessors for one node block of a tag.
struct Node {
  char* d;
  int itemLength;
  int keyLength;

  int count() const { return static_cast<int>(decode32(d + kNodeCount)); }
  void setCount(int n) { encode32(d + kNodeCount, static_cast<uint32_t>(n)); }
  char* item(int i) const { return d + kNodeItems + static_cast<size_t>(i) * itemLength; }
  uint32_t ptr(int i) const { return decode32(item(i)); }
  std::string_view key(int i) const { return {item(i) + 4, static_cast<size_t>(keyLength)}; }
  bool leaf() const { return ptr(count()) == 0; }
};

std::string upper(std::string_view s) {
  std::string r(s);
  for (auto& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

std::string cString(const char* p, size_t max) {
  size_t n = 0;
  while (n < max && p[n] != '\0') ++n;
  std::string s(p, n);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

void putDate(char* p) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  p[0] = static_cast<char>(tm.tm_year);
  p[1] = static_cast<char>(tm.tm_mon + 1);
  p[2] = static_cast<char>(tm.tm_mday);
}

int itemLengthFor(int keyLength) { return (keyLength + 4 + 3) / 4 * 4; }

}  // namespace

struct MdxFile::Impl {
  std::string path;
  int fd = -1;
  bool readOnly = false;
  std::array<char, kHeaderBytes> header{};
  std::vector<Tag> tags;
  uint32_t pageCount = 0;
  std::unordered_map<uint32_t, BlockRef> cache;
  std::vector<std::pair<uint32_t, BlockRef>> dirty;  // written at the end of the update
  std::unordered_map<uint32_t, uint64_t> counts;  // entries below a page
  uint64_t generation = 1;
  uint32_t seenCounter = 0;
  uint64_t seenSize = 0;
  int64_t seenMtime = 0;
  bool busyOnDisk = false;
  bool interrupted = false;
  int batch = 0;  // > 0 inside beginBatch()/endBatch()

  ~Impl() {
    if (fd >= 0) ::close(fd);
  }

  [[noreturn]] void fail(const std::string& reason) const { throw FormatError(path, reason); }
  [[noreturn]] void ioFail(const std::string& what) const {
    throw Error(path, what + ": " + std::strerror(errno));
  }

  void readAt(uint64_t offset, char* buf, size_t n) const {
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

  void writeAt(uint64_t offset, const char* buf, size_t n) const {
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

  void statFile(uint64_t& size, int64_t& mtime) const {
    struct stat st {};
    if (::fstat(fd, &st) != 0) ioFail("cannot examine");
    size = static_cast<uint64_t>(st.st_size);
    mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  }

  // ---- header and tags ----

  void load() {
    cache.clear();
    counts.clear();
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
    if (decode16(h + kHeaderBlockSize) != kBlockSize || decode16(h + kHeaderPagesPerBlock) != kPagesPerBlock)
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
    for (int i = 0; i < used; ++i) tags.push_back(loadTag(i, filePages));
  }

  Tag loadTag(int slot, uint64_t filePages) {
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

  void writeTagTable() {
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

  Tag& tag(int i) {
    if (i < 0 || i >= static_cast<int>(tags.size()))
      throw Error(path, "no tag number " + std::to_string(i));
    return tags[static_cast<size_t>(i)];
  }

  int findTag(std::string_view name) const {
    const std::string u = upper(name);
    for (size_t i = 0; i < tags.size(); ++i)
      if (upper(tags[i].name) == u) return static_cast<int>(i);
    return -1;
  }

  // ---- updates ----

  void beginWrite() {
    if (readOnly) throw Error(path, "the index is open read-only");
    if (!busyOnDisk) {
      header[kHeaderBusy] = 1;
      writeAt(kHeaderBusy, header.data() + kHeaderBusy, 1);
      busyOnDisk = true;
    }
  }

  void endWrite() {
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

  void writeDirty() {
    for (auto& [page, b] : dirty)
      if (b->dirty) {
        writeAt(uint64_t{page} * kPageSize, b->d.data(), kBlockSize);
        b->dirty = false;
      }
    dirty.clear();
  }

  void touch(uint32_t page, const BlockRef& b) {
    if (!b->dirty) {
      b->dirty = true;
      dirty.emplace_back(page, b);
    }
  }

  // A failed update leaves the mark set on disk: the caller should rebuild.
  void abortWrite() {
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

  struct Mutation {
    Impl& f;
    bool done = false;
    explicit Mutation(Impl& file) : f(file) { f.beginWrite(); }
    void commit() {
      f.endWrite();
      done = true;
    }
    ~Mutation() {
      if (!done) f.abortWrite();
    }
  };

  BlockRef block(uint32_t page) {
    if (auto it = cache.find(page); it != cache.end()) return it->second;
    if (page < kFirstDataPage || uint64_t{page} + 2 > pageCount)
      fail("page " + std::to_string(page) + " lies outside the file");
    if (cache.size() >= kCacheBlocks) evict();
    auto b = std::make_shared<Block>();
    readAt(uint64_t{page} * kPageSize, b->d.data(), kBlockSize);
    cache.emplace(page, b);
    return b;
  }

  // Drops a page that is about to be written by other means.
  void forget(uint32_t page) {
    if (auto it = cache.find(page); it != cache.end()) {
      it->second->dirty = false;
      cache.erase(it);
    }
    counts.erase(page);
  }

  // Reads blocks with as few calls as possible, handing each to use(page, bytes).
  template <class F>
  void readBlocks(std::vector<uint32_t> pages, F use) {
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    std::string buf;
    for (size_t i = 0; i < pages.size();) {
      size_t j = i + 1;
      while (j < pages.size() && pages[j] == pages[j - 1] + kPagesPerBlock && j - i < kRunBlocks) ++j;
      for (size_t k = i; k < j; ++k)
        if (pages[k] < kFirstDataPage || uint64_t{pages[k]} + 2 > pageCount)
          fail("page " + std::to_string(pages[k]) + " lies outside the file");
      buf.resize((j - i) * kBlockSize);
      readAt(uint64_t{pages[i]} * kPageSize, buf.data(), buf.size());
      for (size_t k = i; k < j; ++k) use(pages[k], buf.data() + (k - i) * kBlockSize);
      i = j;
    }
  }

  // Loads the children of an interior node together: a walk then reads a run, not a block.
  void prefetchChildren(const Node& n) {
    std::vector<uint32_t> missing;
    for (int i = 0; i <= n.count(); ++i)
      if (!cache.count(n.ptr(i))) missing.push_back(n.ptr(i));
    if (missing.size() < 2) return;
    if (cache.size() + missing.size() >= kCacheBlocks) evict();
    readBlocks(std::move(missing), [&](uint32_t page, const char* data) {
      auto b = std::make_shared<Block>();
      std::memcpy(b->d.data(), data, kBlockSize);
      cache.emplace(page, std::move(b));
    });
  }

  void evict() {
    for (auto it = cache.begin(); it != cache.end();)
      it = !it->second->dirty && it->second.use_count() == 1 ? cache.erase(it) : std::next(it);
  }

  Node node(const Tag& t, Block& b, uint32_t page) {
    Node n{b.d.data(), t.itemLength, t.keyLength};
    if (n.count() < 0 || n.count() > t.maxCount)
      fail("tag " + t.name + ": page " + std::to_string(page) + " claims " +
           std::to_string(decode32(b.d.data())) + " keys");
    return n;
  }
  Node node(const Tag& t, const Level& l) { return node(t, *l.blk, l.page); }

  uint32_t allocBlock() {
    uint32_t page = decode32(header.data() + kHeaderFreePage);
    if (page != 0 && page >= kFirstDataPage && uint64_t{page} + 2 <= pageCount) {
      BlockRef b = block(page);
      uint32_t next = decode32(b->d.data() + kFreeNext);
      if (next != 0 && (next < kFirstDataPage || uint64_t{next} + 2 > pageCount)) next = 0;
      encode32(header.data() + kHeaderFreePage, next);
      b->d.fill(0);
      touch(page, b);
    } else {
      page = pageCount;
      if (pageCount > 0xFFFFFFF0u - kPagesPerBlock) throw Error(path, "the index is full");
      pageCount += kPagesPerBlock;
      auto b = std::make_shared<Block>();
      cache[page] = b;
      touch(page, b);
      encode32(header.data() + kHeaderFreePage, 0);
    }
    counts.erase(page);
    return page;
  }

  void freeBlock(uint32_t page) {
    BlockRef b = block(page);
    b->d.fill(0);
    encode32(b->d.data() + kFreeNext, decode32(header.data() + kHeaderFreePage));
    touch(page, b);
    encode32(header.data() + kHeaderFreePage, page);
    counts.erase(page);
  }

  // ---- tree navigation ----

  static int keyCmp(const Tag& t, std::string_view entry, std::string_view target, bool prefix) {
    const int c = prefix ? compareKeyPrefix(t.type, entry, target) : compareKeys(t.type, entry, target);
    return t.descending ? -c : c;
  }

  static int entryCmp(const Tag& t, std::string_view k1, uint32_t r1, std::string_view k2,
                      uint32_t r2, bool prefix) {
    const int c = keyCmp(t, k1, k2, prefix);
    if (c != 0) return c;
    return r1 < r2 ? -1 : (r1 > r2 ? 1 : 0);
  }

  void push(const Tag& t, Path& p, uint32_t page) {
    if (p.size() >= static_cast<size_t>(kMaxDepth)) fail("tag " + t.name + " is deeper than any sound tree");
    for (const auto& l : p)
      if (l.page == page)
        fail("tag " + t.name + ": page " + std::to_string(page) + " points back to itself");
    BlockRef b = block(page);
    node(t, *b, page);
    p.push_back({page, 0, std::move(b)});
  }

  // Record number of the last entry below a page (0 when empty).
  uint32_t maxRecno(const Tag& t, uint32_t page) {
    for (int depth = 0; depth < kMaxDepth; ++depth) {
      BlockRef b = block(page);
      Node n = node(t, *b, page);
      if (n.leaf()) return n.count() > 0 ? n.ptr(n.count() - 1) : 0;
      page = n.ptr(n.count());
    }
    fail("tag " + t.name + " is deeper than any sound tree");
  }

  // Path to the leaf position of the first entry >= target (the position
  // may be one past the leaf's end; normalizeForward moves on from there).
  void seekPath(const Tag& t, Path& p, std::string_view key, uint32_t recno, bool prefix) {
    p.clear();
    push(t, p, t.root());
    for (;;) {
      Level& lv = p.back();
      Node n = node(t, lv);
      const int count = n.count();
      if (n.leaf()) {
        int lo = 0, hi = count;
        while (lo < hi) {
          const int mid = (lo + hi) / 2;
          if (entryCmp(t, n.key(mid), n.ptr(mid), key, recno, prefix) < 0) lo = mid + 1;
          else hi = mid;
        }
        lv.idx = lo;
        return;
      }
      int lo = 0, hi = count;
      while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (keyCmp(t, n.key(mid), key, prefix) < 0) lo = mid + 1;
        else hi = mid;
      }
      if (recno != 0) {
        // Equal separators: the child whose last record number reaches recno.
        int end = lo;
        while (end < count && keyCmp(t, n.key(end), key, prefix) == 0) ++end;
        int a = lo, b = end;
        while (a < b) {
          const int mid = (a + b) / 2;
          if (maxRecno(t, n.ptr(mid)) < recno) a = mid + 1;
          else b = mid;
        }
        lo = a;
      }
      lv.idx = lo;
      push(t, p, n.ptr(lo));
    }
  }

  // From an interior level with idx set, down to a leaf at its first (or past its last) entry.
  void descendEdge(const Tag& t, Path& p, bool first) {
    for (;;) {
      Level& lv = p.back();
      Node n = node(t, lv);
      if (n.leaf()) {
        lv.idx = first ? 0 : n.count();
        return;
      }
      if (!cache.count(n.ptr(lv.idx))) prefetchChildren(n);
      push(t, p, n.ptr(lv.idx));
      Level& child = p.back();
      child.idx = first ? 0 : node(t, child).count();
    }
  }

  void rootPath(const Tag& t, Path& p, bool first) {
    p.clear();
    push(t, p, t.root());
    p.back().idx = first ? 0 : node(t, p.back()).count();
    descendEdge(t, p, first);
  }

  // Moves a position that is past its leaf's end to the next entry.
  bool normalizeForward(const Tag& t, Path& p) {
    for (;;) {
      if (p.empty()) return false;
      Node leaf = node(t, p.back());
      if (p.back().idx < leaf.count()) return true;
      p.pop_back();
      while (!p.empty()) {
        Level& lv = p.back();
        if (lv.idx < node(t, lv).count()) {
          ++lv.idx;
          break;
        }
        p.pop_back();
      }
      if (p.empty()) return false;
      descendEdge(t, p, true);
    }
  }

  bool stepBack(const Tag& t, Path& p) {
    for (;;) {
      if (p.empty()) return false;
      Level& leaf = p.back();
      leaf.idx = std::min(leaf.idx, node(t, leaf).count());
      if (leaf.idx > 0) {
        --leaf.idx;
        return true;
      }
      p.pop_back();
      while (!p.empty() && p.back().idx == 0) p.pop_back();
      if (p.empty()) return false;
      --p.back().idx;
      descendEdge(t, p, false);
    }
  }

  uint64_t subtreeCount(const Tag& t, uint32_t page, int depth) {
    if (auto it = counts.find(page); it != counts.end()) return it->second;
    if (depth >= kMaxDepth) fail("tag " + t.name + " is deeper than any sound tree");
    BlockRef b = block(page);
    Node n = node(t, *b, page);
    uint64_t total = 0;
    if (n.leaf()) {
      total = static_cast<uint64_t>(n.count());
    } else {
      // Leaf counts come from one read per run of leaves, without filling the cache.
      std::vector<uint32_t> missing;
      for (int i = 0; i <= n.count(); ++i)
        if (!counts.count(n.ptr(i)) && !cache.count(n.ptr(i))) missing.push_back(n.ptr(i));
      if (missing.size() > 1)
        readBlocks(std::move(missing), [&](uint32_t child, const char* data) {
          Node c{const_cast<char*>(data), t.itemLength, t.keyLength};
          if (c.count() >= 0 && c.count() <= t.maxCount && c.leaf())
            counts[child] = static_cast<uint64_t>(c.count());
        });
      for (int i = 0; i <= n.count(); ++i) total += subtreeCount(t, n.ptr(i), depth + 1);
    }
    counts[page] = total;
    return total;
  }

  void forgetCounts(const Path& p) {
    for (const auto& l : p) counts.erase(l.page);
  }

  // ---- insert ----

  void insertAt(Tag& t, Path& p, size_t level, int idx, uint32_t pointer, std::string_view key) {
    Level& lv = p[level];
    Node n = node(t, lv);
    const int count = n.count();
    const size_t item = static_cast<size_t>(t.itemLength);
    touch(lv.page, lv.blk);
    counts.erase(lv.page);
    if (count < t.maxKeys) {
      std::memmove(n.item(idx + 1), n.item(idx), static_cast<size_t>(count - idx) * item + 4);
      std::memset(n.item(idx), 0, item);
      encode32(n.item(idx), pointer);
      std::memcpy(n.item(idx) + 4, key.data(), key.size());
      n.setCount(count + 1);
      return;
    }
    // Split: the lower half moves to a new block that goes in front of this one.
    const bool leaf = n.leaf();
    std::string all(static_cast<size_t>(count + 1) * item + 4, '\0');
    std::memcpy(all.data(), n.item(0), static_cast<size_t>(idx) * item);
    encode32(all.data() + static_cast<size_t>(idx) * item, pointer);
    std::memcpy(all.data() + static_cast<size_t>(idx) * item + 4, key.data(), key.size());
    std::memcpy(all.data() + static_cast<size_t>(idx + 1) * item, n.item(idx),
                static_cast<size_t>(count - idx) * item + 4);
    const int m = count + 1;
    const int h = m / 2;
    auto itemAt = [&](int i) { return all.data() + static_cast<size_t>(i) * item; };
    const uint32_t leftPage = allocBlock();
    BlockRef leftBlk = block(leftPage);
    Node left{leftBlk->d.data(), t.itemLength, t.keyLength};
    std::string sep;
    std::memcpy(left.item(0), itemAt(0), static_cast<size_t>(h) * item);
    int rightFrom;
    if (leaf) {
      left.setCount(h);
      sep.assign(itemAt(h - 1) + 4, static_cast<size_t>(t.keyLength));
      rightFrom = h;
    } else {
      left.setCount(h);
      encode32(left.item(h), decode32(itemAt(h)));  // its last child
      sep.assign(itemAt(h) + 4, static_cast<size_t>(t.keyLength));
      rightFrom = h + 1;
    }
    touch(leftPage, leftBlk);
    t.addPages(kPagesPerBlock);
    lv.blk->d.fill(0);
    std::memcpy(n.item(0), itemAt(rightFrom), static_cast<size_t>(m - rightFrom) * item + 4);
    n.setCount(m - rightFrom);
    if (level == 0) {
      const uint32_t rootPage = allocBlock();
      BlockRef rb = block(rootPage);
      Node r{rb->d.data(), t.itemLength, t.keyLength};
      encode32(r.item(0), leftPage);
      std::memcpy(r.item(0) + 4, sep.data(), sep.size());
      encode32(r.item(1), lv.page);
      r.setCount(1);
      t.setRoot(rootPage);
      t.addPages(kPagesPerBlock);
      return;
    }
    insertAt(t, p, level - 1, p[level - 1].idx, leftPage, sep);
  }

  // ---- erase ----

  void setSeparatorAbove(Tag& t, Path& p, size_t level, std::string_view maxKey) {
    for (size_t l = level; l-- > 0;) {
      Level& up = p[l];
      Node n = node(t, up);
      if (up.idx < n.count()) {
        std::memcpy(n.item(up.idx) + 4, maxKey.data(), maxKey.size());
        touch(up.page, up.blk);
        return;
      }
    }
  }

  void removeChild(Tag& t, Path& p, size_t level) {
    Level& lv = p[level];
    Node n = node(t, lv);
    const int count = n.count();
    const size_t item = static_cast<size_t>(t.itemLength);
    touch(lv.page, lv.blk);
    counts.erase(lv.page);
    if (count == 0) {  // its only child is gone
      if (level == 0) {
        lv.blk->d.fill(0);
        return;
      }
      freeBlock(lv.page);
      t.addPages(-static_cast<int>(kPagesPerBlock));
      removeChild(t, p, level - 1);
      return;
    }
    const int ci = lv.idx;
    if (ci < count) {
      std::memmove(n.item(ci), n.item(ci + 1), static_cast<size_t>(count - ci - 1) * item + 4);
      std::memset(n.item(count - 1) + 4, 0, item - 4);
      std::memset(n.item(count), 0, 4);
      n.setCount(count - 1);
    } else {
      const uint32_t last = n.ptr(count - 1);
      const std::string newMax(n.key(count - 1));
      std::memset(n.item(count - 1), 0, item + 4);
      encode32(n.item(count - 1), last);
      n.setCount(count - 1);
      setSeparatorAbove(t, p, level, newMax);
    }
    if (level == 0) collapseRoot(t);
  }

  void collapseRoot(Tag& t) {
    for (int guard = 0; guard < kMaxDepth; ++guard) {
      const uint32_t rootPage = t.root();
      BlockRef b = block(rootPage);
      Node n = node(t, *b, rootPage);
      if (n.leaf() || n.count() > 0) return;
      const uint32_t child = n.ptr(0);
      freeBlock(rootPage);
      t.addPages(-static_cast<int>(kPagesPerBlock));
      t.setRoot(child);
    }
  }

  void eraseAt(Tag& t, Path& p) {
    Level& lv = p.back();
    Node n = node(t, lv);
    const int count = n.count();
    const int idx = lv.idx;
    const size_t item = static_cast<size_t>(t.itemLength);
    forgetCounts(p);
    touch(lv.page, lv.blk);
    std::memmove(n.item(idx), n.item(idx + 1), static_cast<size_t>(count - idx - 1) * item + 4);
    std::memset(n.item(count - 1) + 4, 0, item - 4);
    std::memset(n.item(count), 0, 4);
    n.setCount(count - 1);
    if (count - 1 > 0) {
      if (idx == count - 1) setSeparatorAbove(t, p, p.size() - 1, n.key(count - 2));
      return;
    }
    if (p.size() > 1) {
      freeBlock(lv.page);
      t.addPages(-static_cast<int>(kPagesPerBlock));
      removeChild(t, p, p.size() - 2);
    }
  }

  // Pages of a tag's tree; stops quietly where the tree is damaged.
  void collectPages(const Tag& t, std::vector<uint32_t>& out) {
    std::unordered_set<uint32_t> seen;
    std::vector<std::pair<uint32_t, int>> todo{{t.root(), 0}};
    try {
      while (!todo.empty()) {
        auto [page, depth] = todo.back();
        todo.pop_back();
        if (depth >= kMaxDepth || !seen.insert(page).second) continue;
        BlockRef b = block(page);
        Node n = node(t, *b, page);
        out.push_back(page);
        if (!n.leaf())
          for (int i = 0; i <= n.count(); ++i) todo.emplace_back(n.ptr(i), depth + 1);
      }
    } catch (const FormatError&) {
      out.clear();  // leave a damaged tree's pages alone rather than free a wrong one
    }
  }

  void build(Tag& t, const std::vector<std::pair<std::string, uint32_t>>& sorted);
};

void MdxFile::Impl::build(Tag& t, const std::vector<std::pair<std::string, uint32_t>>& sorted) {
  const size_t keyLen = static_cast<size_t>(t.keyLength);
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (sorted[i].first.size() != keyLen)
      throw Error(path, "tag " + t.name + ": key of " + std::to_string(sorted[i].first.size()) +
                            " bytes for a key length of " + std::to_string(keyLen));
    if (i > 0 && entryCmp(t, sorted[i - 1].first, sorted[i - 1].second, sorted[i].first,
                          sorted[i].second, false) > 0)
      throw Error(path, "tag " + t.name + ": entries for the build are not in order");
  }
  std::vector<uint32_t> old;
  collectPages(t, old);
  for (uint32_t page : old) freeBlock(page);
  // Free blocks are used first, lowest page first, so rebuilding does not grow the file.
  std::vector<uint32_t> free;
  {
    std::unordered_set<uint32_t> seen;
    uint32_t page = decode32(header.data() + kHeaderFreePage);
    while (page != 0 && page >= kFirstDataPage && uint64_t{page} + 2 <= pageCount &&
           seen.insert(page).second) {
      free.push_back(page);
      page = decode32(block(page)->d.data() + kFreeNext);
    }
    std::sort(free.begin(), free.end());
  }
  size_t freeUsed = 0;

  const size_t item = static_cast<size_t>(t.itemLength);
  const size_t per = static_cast<size_t>(t.maxKeys);
  // Blocks are assembled in a buffer and written in runs of consecutive pages.
  std::string chunk;
  uint32_t chunkStart = 0;
  auto flushChunk = [&] {
    if (!chunk.empty()) writeAt(uint64_t{chunkStart} * kPageSize, chunk.data(), chunk.size());
    chunk.clear();
  };
  uint32_t page = 0;  // of the block newBlock() returned last
  auto newBlock = [&]() -> char* {
    if (freeUsed < free.size()) {
      page = free[freeUsed++];
      forget(page);
    } else {
      if (pageCount > 0xFFFFFFF0u - kPagesPerBlock) throw Error(path, "the index is full");
      page = pageCount;
      pageCount += kPagesPerBlock;
    }
    const uint64_t next = uint64_t{chunkStart} + chunk.size() / kPageSize;
    if (chunk.empty() || page != next || chunk.size() >= kBuildChunkBlocks * kBlockSize) {
      flushChunk();
      chunkStart = page;
    }
    chunk.resize(chunk.size() + kBlockSize, '\0');
    return chunk.data() + chunk.size() - kBlockSize;
  };
  struct Child {
    uint32_t page;
    size_t last;  // index of the subtree's last entry
    uint64_t count;
  };
  std::vector<Child> level;
  uint32_t blocks = 0;
  if (sorted.empty()) {
    newBlock();
    level.push_back({page, 0, 0});
    ++blocks;
  }
  for (size_t i = 0; i < sorted.size(); i += per) {
    const size_t n = std::min(per, sorted.size() - i);
    char* d = newBlock();
    encode32(d + kNodeCount, static_cast<uint32_t>(n));
    for (size_t k = 0; k < n; ++k) {
      char* it = d + kNodeItems + k * item;
      encode32(it, sorted[i + k].second);
      std::memcpy(it + 4, sorted[i + k].first.data(), keyLen);
    }
    level.push_back({page, i + n - 1, n});
    counts[page] = n;
    ++blocks;
  }
  while (level.size() > 1) {
    std::vector<Child> up;
    const size_t fan = per + 1;
    size_t i = 0;
    while (i < level.size()) {
      size_t n = std::min(fan, level.size() - i);
      // Never leave a last node with a single child.
      if (level.size() - i - n == 1) --n;
      char* d = newBlock();
      encode32(d + kNodeCount, static_cast<uint32_t>(n - 1));
      uint64_t total = 0;
      for (size_t k = 0; k < n; ++k) {
        const Child& c = level[i + k];
        char* it = d + kNodeItems + k * item;
        encode32(it, c.page);
        if (k + 1 < n) std::memcpy(it + 4, sorted[c.last].first.data(), keyLen);
        total += c.count;
      }
      up.push_back({page, level[i + n - 1].last, total});
      counts[page] = total;
      ++blocks;
      i += n;
    }
    level.swap(up);
  }
  flushChunk();
  t.setRoot(level.front().page);
  counts[level.front().page] = level.front().count;
  encode32(t.header.data() + kTagSize, 2 + blocks * kPagesPerBlock);
  t.headerDirty = true;
  // Relink the free blocks left over.
  encode32(header.data() + kHeaderFreePage, 0);
  for (size_t i = free.size(); i-- > freeUsed;) freeBlock(free[i]);
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
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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

int MdxFile::addTag(const TagDef& def, KeyType type, int keyLength) {
  Impl& f = *impl_;
  const std::string name = upper(def.name);
  if (name.empty() || name.size() > static_cast<size_t>(kMaxTagName) ||
      !std::isalpha(static_cast<unsigned char>(name[0])) ||
      !std::all_of(name.begin(), name.end(),
                   [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }))
    throw Error(f.path, "\"" + def.name + "\" is not a tag name (a letter, then up to 9 letters, digits or _)");
  if (f.findTag(name) >= 0) throw Error(f.path, "tag " + name + " already exists");
  if (static_cast<int>(f.tags.size()) >= kMaxTags) throw Error(f.path, "no room for more than 47 tags");
  if (type == KeyType::Character && (keyLength < 1 || keyLength > kMaxCharacterKeyLength))
    throw Error(f.path, "tag " + name + ": key length " + std::to_string(keyLength) +
                            " (a character key holds 1 to 100 bytes)");
  if (type == KeyType::Numeric) keyLength = kNumericKeyLength;
  if (type == KeyType::Date) keyLength = kDateKeyLength;
  if (def.expression.empty() || def.expression.size() >= kExpressionSize ||
      def.filter.size() >= kExpressionSize)
    throw Error(f.path, "tag " + name + ": expressions hold 1 to 219 characters");

  Impl::Mutation m(f);
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
  t.headerPage = f.allocBlock();
  f.forget(t.headerPage);  // the tag keeps its header block itself
  const uint32_t root = f.allocBlock();
  char* h = t.header.data();
  encode32(h + kTagRoot, root);
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
  t.headerDirty = true;
  f.tags.push_back(std::move(t));
  f.writeTagTable();
  m.commit();
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

void MdxFile::buildTag(int tag, const std::vector<std::pair<std::string, uint32_t>>& sorted) {
  Impl& f = *impl_;
  Tag& t = f.tag(tag);
  Impl::Mutation m(f);
  f.build(t, sorted);
  m.commit();
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
    if (f.normalizeForward(t, p) && Impl::keyCmp(t, f.node(t, p.back()).key(p.back().idx), key, false) == 0) {
      m.commit();
      return;
    }
  }
  f.seekPath(t, p, key, recno, false);
  f.forgetCounts(p);
  f.insertAt(t, p, p.size() - 1, p.back().idx, recno, key);
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
  if (size >= kHeaderBytes) f.readAt(kHeaderChangeCounter, counter, 4);
  else std::memset(counter, 0, 4);
  if (size != f.seenSize || mtime != f.seenMtime || decode32(counter) != f.seenCounter) f.load();
}

void MdxFile::flush() { impl_->writeDirty(); }

void MdxFile::sync() {
  flush();
  if (!impl_->readOnly && ::fdatasync(impl_->fd) != 0) impl_->ioFail("cannot sync");
}

bool MdxFile::needsRebuild() const { return impl_->interrupted; }

void MdxFile::beginBatch() { ++impl_->batch; }

void MdxFile::endBatch() {
  Impl& f = *impl_;
  if (f.batch > 0 && --f.batch == 0 && f.busyOnDisk) f.endWrite();
}

uint64_t MdxFile::count(int tag) {
  Impl& f = *impl_;
  const Tag& t = f.tag(tag);
  return f.subtreeCount(t, t.root(), 0);
}

// ---- Cursor ----

struct MdxFile::Cursor::State {
  MdxFile::Impl* f = nullptr;
  std::string tagName;
  int tag = 0;
  Path path;
  bool valid = false;
  uint64_t generation = 0;
  std::string key;  // copy of the current entry: survives updates of the page
  uint32_t recno = 0;

  const Tag& t() const { return f->tags[static_cast<size_t>(tag)]; }

  void capture() {
    if (!valid) return;
    const Level& l = path.back();
    Node n = f->node(t(), l);
    key.assign(n.key(l.idx));
    recno = n.ptr(l.idx);
  }

  void begin() {
    if (generation != f->generation) {
      tag = f->findTag(tagName);
      if (tag < 0) throw Error(f->path, "tag " + tagName + " was removed");
      generation = f->generation;
    }
  }

  // After the file changed under us: back to the current entry or the one after it.
  // Returns true when the current entry itself is still there.
  bool resync() {
    if (generation == f->generation) return true;
    begin();
    if (!valid) return false;
    f->seekPath(t(), path, key, recno, false);
    valid = f->normalizeForward(t(), path);
    if (!valid) return false;
    const Level& l = path.back();
    Node n = f->node(t(), l);
    return n.ptr(l.idx) == recno && compareKeys(t().type, n.key(l.idx), key) == 0;
  }

  bool landed(bool ok) {
    valid = ok;
    capture();
    return valid;
  }

  void checkOrder(int expectedSign) {
    const Level& l = path.back();
    Node n = f->node(t(), l);
    const int c = Impl::entryCmp(t(), n.key(l.idx), n.ptr(l.idx), key, recno, false);
    // A sound tag never holds one (key, record) twice: a repeat means a damaged tree.
    if (c == 0 || (c > 0) != (expectedSign > 0))
      f->fail("tag " + t().name + ": keys out of order near page " + std::to_string(l.page));
  }
};

MdxFile::Cursor::Cursor(MdxFile& file, int tag) : s_(std::make_unique<State>()) {
  s_->f = file.impl_.get();
  s_->tagName = s_->f->tag(tag).name;
  s_->tag = tag;
  s_->generation = s_->f->generation;
}

MdxFile::Cursor::~Cursor() = default;

bool MdxFile::Cursor::first() {
  s_->begin();
  s_->f->rootPath(s_->t(), s_->path, true);
  return s_->landed(s_->f->normalizeForward(s_->t(), s_->path));
}

bool MdxFile::Cursor::last() {
  s_->begin();
  s_->f->rootPath(s_->t(), s_->path, false);
  return s_->landed(s_->f->stepBack(s_->t(), s_->path));
}

bool MdxFile::Cursor::next() {
  if (!s_->valid) return false;
  if (!s_->resync()) return s_->landed(s_->valid);
  ++s_->path.back().idx;
  if (!s_->f->normalizeForward(s_->t(), s_->path)) return s_->landed(false);
  s_->checkOrder(1);
  return s_->landed(true);
}

bool MdxFile::Cursor::prev() {
  if (!s_->valid) return false;
  s_->resync();
  if (!s_->valid) s_->f->rootPath(s_->t(), s_->path, false);  // it was the last entry
  if (!s_->f->stepBack(s_->t(), s_->path)) return s_->landed(false);
  s_->checkOrder(-1);
  return s_->landed(true);
}

bool MdxFile::Cursor::seek(std::string_view key, uint32_t recno, bool prefix) {
  s_->begin();
  s_->f->seekPath(s_->t(), s_->path, key, recno, prefix);
  return s_->landed(s_->f->normalizeForward(s_->t(), s_->path));
}

bool MdxFile::Cursor::valid() const { return s_->valid; }
std::string_view MdxFile::Cursor::key() const { return s_->key; }
uint32_t MdxFile::Cursor::recno() const { return s_->recno; }

uint64_t MdxFile::Cursor::position() {
  State& s = *s_;
  if (!s.valid) return s.f->subtreeCount(s.t(), s.t().root(), 0);
  if (!s.resync() && !s.valid) return s.f->subtreeCount(s.t(), s.t().root(), 0);
  uint64_t pos = 0;
  for (size_t l = 0; l + 1 < s.path.size(); ++l) {
    Node n = s.f->node(s.t(), s.path[l]);
    for (int i = 0; i < s.path[l].idx; ++i)
      pos += s.f->subtreeCount(s.t(), n.ptr(i), static_cast<int>(l) + 1);
  }
  return pos + static_cast<uint64_t>(s.path.back().idx);
}

bool MdxFile::Cursor::goToPosition(uint64_t index) {
  State& s = *s_;
  s.begin();
  Impl& f = *s.f;
  const Tag& t = s.t();
  s.path.clear();
  f.push(t, s.path, t.root());
  for (;;) {
    Level& lv = s.path.back();
    Node n = f.node(t, lv);
    if (n.leaf()) {
      if (index >= static_cast<uint64_t>(n.count())) return s.landed(false);
      lv.idx = static_cast<int>(index);
      return s.landed(true);
    }
    int i = 0;
    for (; i <= n.count(); ++i) {
      const uint64_t c = f.subtreeCount(t, n.ptr(i), static_cast<int>(s.path.size()));
      if (index < c) break;
      index -= c;
    }
    if (i > n.count()) return s.landed(false);
    lv.idx = i;
    f.push(t, s.path, n.ptr(i));
  }
}

}  // namespace dbase
