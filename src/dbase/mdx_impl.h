#pragma once

// MdxFile's internals, shared by mdx.cpp (file and tag table), mdx_tree.cpp
// (B-tree) and mdx_cursor.cpp.

#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "dbase/coding.h"
#include "dbase/error.h"
#include "dbase/hugemem.h"
#include "dbase/mdx.h"
#include "dbase/mdx_format.h"

namespace dbase::mdx {

constexpr int kMaxDepth = 24;           // far beyond any real tree; guards against cycles
constexpr size_t kCacheBlocks = 65536;  // 64 MiB of cached nodes
constexpr size_t kBuildChunkBlocks = 1024;
constexpr size_t kRunBlocks = 256;  // longest single read of neighbouring blocks

struct Block {
  std::array<char, kBlockSize> d{};
  bool dirty = false;
};
using BlockRef = std::shared_ptr<Block>;

// Cached nodes by page, in one flat array probed from the page's hash: a
// tree walk looks up every level, and a map of separate nodes cost two
// cache misses per lookup. Page 0 (the file header) marks a free slot.
class BlockCache {
 public:
  size_t size() const { return size_; }
  BlockRef* find(uint32_t page) {
    const size_t i = slot(page);
    return i == kNone ? nullptr : &slots_[i].blk;
  }
  const BlockRef* find(uint32_t page) const {
    const size_t i = slot(page);
    return i == kNone ? nullptr : &slots_[i].blk;
  }
  bool contains(uint32_t page) const { return slot(page) != kNone; }
  void prefetch(uint32_t page) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[home(page)]);
  }
  void put(uint32_t page, BlockRef b) {
    if (BlockRef* at = find(page)) {
      *at = std::move(b);
      return;
    }
    if ((size_ + 1) * 4 > slots_.size() * 3) grow();
    size_t i = home(page);
    while (slots_[i].page != 0) i = (i + 1) & mask_;
    slots_[i] = {page, std::move(b)};
    ++size_;
  }
  void erase(uint32_t page) {
    if (slots_.empty() || page == 0) return;
    size_t i = home(page);
    for (; slots_[i].page != page; i = (i + 1) & mask_)
      if (slots_[i].page == 0) return;
    slots_[i] = {};
    --size_;
    // Later entries of the probe run move up into the hole.
    for (size_t j = (i + 1) & mask_; slots_[j].page != 0; j = (j + 1) & mask_) {
      const size_t k = home(slots_[j].page);
      const bool stays = i <= j ? (i < k && k <= j) : (i < k || k <= j);
      if (stays) continue;
      slots_[i] = std::move(slots_[j]);
      slots_[j] = {};
      i = j;
    }
  }
  // Drops the blocks `drop` picks, keeping the rest.
  template <class F>
  void eraseIf(F drop) {
    std::vector<Slot> old;
    old.swap(slots_);
    size_ = 0;
    slots_.resize(old.size());
    for (Slot& s : old)
      if (s.page != 0 && !drop(s.blk)) put(s.page, std::move(s.blk));
  }
  void clear() {
    slots_.clear();
    size_ = 0;
  }

 private:
  struct Slot {
    uint32_t page = 0;
    BlockRef blk;
  };
  static constexpr size_t kNone = SIZE_MAX;
  size_t home(uint32_t page) const { return (page * 0x9E3779B1u) >> shift_; }
  size_t slot(uint32_t page) const {
    if (slots_.empty() || page == 0) return kNone;  // a damaged pointer may name page 0
    for (size_t i = home(page);; i = (i + 1) & mask_) {
      if (slots_[i].page == page) return i;
      if (slots_[i].page == 0) return kNone;
    }
  }
  void grow() {
    const size_t n = slots_.empty() ? 1024 : slots_.size() * 2;
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.resize(n);
    mask_ = n - 1;
    shift_ = 32 - std::countr_zero(n);
    size_ = 0;
    for (Slot& s : old)
      if (s.page != 0) put(s.page, std::move(s.blk));
  }
  std::vector<Slot> slots_;
  size_t size_ = 0;
  size_t mask_ = 0;
  int shift_ = 32;
};

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

inline std::string upper(std::string_view s) {
  std::string r(s);
  for (auto& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

inline std::string cString(const char* p, size_t max) {
  size_t n = 0;
  while (n < max && p[n] != '\0') ++n;
  std::string s(p, n);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

inline int itemLengthFor(int keyLength) { return (keyLength + 4 + 3) / 4 * 4; }
}  // namespace dbase::mdx

namespace dbase {

struct MdxFile::Impl {
  using Tag = mdx::Tag;
  using Block = mdx::Block;
  using BlockRef = mdx::BlockRef;
  using Level = mdx::Level;
  using Path = mdx::Path;
  using Node = mdx::Node;

  std::string path;
  int fd = -1;
  bool readOnly = false;
  std::array<char, mdx::kHeaderBytes> header{};
  std::vector<Tag> tags;
  uint32_t pageCount = 0;
  mdx::BlockCache cache;
  // Room for a node and its shared_ptr bookkeeping.
  std::shared_ptr<FixedPool> blockPool = std::make_shared<FixedPool>(sizeof(Block) + 64);
  std::vector<std::pair<uint32_t, BlockRef>> dirty;  // written at the end of the update
  std::unordered_map<uint32_t, uint64_t> counts;     // entries below an interior page
  size_t countsOnDisk = 0;                           // of them, how many the kept counts file holds
  uint64_t generation = 1;
  uint32_t seenCounter = 0;
  uint64_t seenSize = 0;
  int64_t seenMtime = 0;
  bool busyOnDisk = false;
  bool interrupted = false;
  bool chainChecked = false;  // the free chain was walked since the last load
  int batch = 0;              // > 0 inside beginBatch()/endBatch()

  ~Impl();
  // Entry counts outlive the handle while the file stays as it was.
  void keepCounts();
  void takeKeptCounts();
  [[noreturn]] void fail(const std::string& reason) const { throw FormatError(path, reason); }
  [[noreturn]] void ioFail(const std::string& what) const {
    throw Error(path, what + ": " + std::strerror(errno));
  }
  void readAt(uint64_t offset, char* buf, size_t n) const;
  void writeAt(uint64_t offset, const char* buf, size_t n) const;
  void statFile(uint64_t& size, int64_t& mtime) const;
  void syncData() const;

  // ---- header and tags ----
  void load();
  Tag loadTag(int slot, uint64_t filePages);
  // Tag definitions no sound file has (two of one name, two in one tag
  // header, a header between blocks): FormatError. A bad root is found when
  // the tree is read (push(), block()), so the definitions stay readable for
  // a rebuild.
  void checkTagLayout() const;
  // Why the tag's root cannot be one (between blocks, on a tag header, shared), or "".
  std::string rootProblem(const Tag& t) const;
  bool isTagHeader(uint32_t page) const {
    for (const auto& t : tags)
      if (t.headerPage == page) return true;
    return false;
  }
  bool isRoot(uint32_t page) const {
    for (const auto& t : tags)
      if (t.root() == page) return true;
    return false;
  }
  // FormatError unless page (then its block) may be handed out as a free one.
  void checkFreePage(uint32_t page) const;
  void checkFreeBlock(uint32_t page, const char* block) const;
  // The free chain, each page checked, in chain order; FormatError on a loop.
  std::vector<uint32_t> freeChain();
  // Pages claimed twice (free and in a tree, in two trees, a tree node on a
  // tag header): what check reports beyond the walks.
  std::vector<std::string> layoutProblems();
  void writeTagTable();
  Tag& tag(int i) {
    if (i < 0 || i >= static_cast<int>(tags.size()))
      throw Error(path, "no tag number " + std::to_string(i));
    return tags[static_cast<size_t>(i)];
  }
  int findTag(std::string_view name) const;
  Tag newTag(const TagDef& def, KeyType type, int keyLength) const;

  // ---- updates ----
  void beginWrite();
  void endWrite();
  void writeDirty();
  // Writing many blocks already in the file goes through a shared mapping of
  // it; returns how many of the file's bytes are mapped (0: none).
  uint64_t mapForWrites();
  void unmapWrites();
  char* writeMap = nullptr;
  uint64_t writeMapLength = 0;
  int mapAllowed = -1;                      // the file system's answer, once known
  static constexpr size_t kMaxRun = 256;    // blocks in one write
  static constexpr size_t kMapBlocks = 64;  // dirty blocks worth the mapping
  bool fillGap(uint32_t first, uint32_t page, struct iovec* iov, size_t& n) const;
  void writeRun(uint64_t offset, struct iovec* iov, size_t n) const;
  void touch(uint32_t page, const BlockRef& b) {
    if (!b->dirty) {
      b->dirty = true;
      dirty.emplace_back(page, b);
    }
  }
  // A failed update leaves the mark set on disk: the caller should rebuild.
  void abortWrite();
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
  BlockRef block(uint32_t page);
  BlockRef newBlock() {
#if defined(__SANITIZE_ADDRESS__)
    return std::make_shared<Block>();  // so that the sanitizer sees each node's lifetime
#else
    return std::allocate_shared<Block>(PoolAllocator<Block>(blockPool));
#endif
  }
  // Drops a page that is about to be written by other means.
  void forget(uint32_t page);
  // Reads blocks with as few calls as possible, handing each to use(page, bytes).
  template <class F>
  void readBlocks(std::vector<uint32_t> pages, F use);
  template <class F>
  void readBlockRuns(const std::vector<std::pair<uint32_t, uint32_t>>& pages, F use);
  std::unique_ptr<char[]> runBuffer;
  // Loads the children of an interior node together: a walk then reads a run, not a block.
  void prefetchChildren(const Node& n);
  void evict();
  Node node(const Tag& t, Block& b, uint32_t page);
  Node node(const Tag& t, const Level& l) { return node(t, *l.blk, l.page); }
  uint32_t allocBlock();
  void freeBlock(uint32_t page);

  // ---- tree navigation ----
  static int keyCmp(const Tag& t, std::string_view entry, std::string_view target, bool prefix);
  static int entryCmp(const Tag& t, std::string_view k1, uint32_t r1, std::string_view k2,
                      uint32_t r2, bool prefix) {
    const int c = keyCmp(t, k1, k2, prefix);
    if (c != 0) return c;
    return r1 < r2 ? -1 : (r1 > r2 ? 1 : 0);
  }
  void push(const Tag& t, Path& p, uint32_t page);
  // Record number of the last entry below a page (0 when empty).
  uint32_t maxRecno(const Tag& t, uint32_t page);
  // Path to the leaf position of the first entry >= target (the position
  // may be one past the leaf's end; normalizeForward moves on from there).
  void seekPath(const Tag& t, Path& p, std::string_view key, uint32_t recno, bool prefix);
  // seekPath from the node at p.back() (its idx is chosen anew).
  void descend(const Tag& t, Path& p, std::string_view key, uint32_t recno, bool prefix);
  // From an interior level with idx set, down to a leaf at its first (or past its last) entry.
  void descendEdge(const Tag& t, Path& p, bool first);
  void rootPath(const Tag& t, Path& p, bool first);
  // Moves a position that is past its leaf's end to the next entry.
  bool normalizeForward(const Tag& t, Path& p);
  bool stepBack(const Tag& t, Path& p);
  uint64_t subtreeCount(const Tag& t, uint32_t page, int depth);
  void forgetCounts(const Path& p) {
    for (const auto& l : p) counts.erase(l.page);
  }

  // ---- insert ----
  // Like seekPath for a key not before the one p leads to: climbs only as
  // far as the key's node, so a run of sorted keys walks the tree once.
  void seekFrom(const Tag& t, Path& p, std::string_view key, uint32_t recno);
  void insertAt(Tag& t, Path& p, size_t level, int idx, uint32_t pointer, std::string_view key);

  // ---- erase ----
  void setSeparatorAbove(Tag& t, Path& p, size_t level, std::string_view maxKey);
  void removeChild(Tag& t, Path& p, size_t level);
  void collapseRoot(Tag& t);
  void eraseAt(Tag& t, Path& p);
  // Pages of a tag's tree; stops quietly where the tree is damaged.
  void collectPages(const Tag& t, std::vector<uint32_t>& out);
  void build(Tag& t, const KeyList& sorted);
  void checkBuildInput(const Tag& t, const KeyList& sorted) const;
  std::vector<uint32_t> freeListSorted();
  // A tree written by writeTree(): its root, entries, blocks, and how many of
  // the free blocks it took (lowest first).
  struct BuiltTree {
    uint32_t root = 0;
    uint64_t count = 0;
    uint32_t blocks = 0;
    size_t freeUsed = 0;
  };
  BuiltTree writeTree(const Tag& t, const KeyList& sorted, const std::vector<uint32_t>& free);
};

}  // namespace dbase
