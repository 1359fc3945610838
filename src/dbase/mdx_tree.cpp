#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "dbase/keys.h"
#include "dbase/mdx_impl.h"

// The B-tree of one tag: block cache, search, insert with splits, erase, bulk build.

namespace dbase {

using namespace mdx;

BlockRef MdxFile::Impl::block(uint32_t page) {
  if (BlockRef* cached = cache.find(page)) return *cached;
  if (page < kFirstDataPage || uint64_t{page} + 2 > pageCount)
    fail("page " + std::to_string(page) + " lies outside the file");
  if (page % kPagesPerBlock != 0)
    fail("page " + std::to_string(page) + " is not on a block boundary");
  if (cache.size() >= kCacheBlocks) evict();
  auto b = newBlock();
  readAt(uint64_t{page} * kPageSize, b->d.data(), kBlockSize);
  cache.put(page, b);
  return b;
}

void MdxFile::Impl::forget(uint32_t page) {
  if (BlockRef* cached = cache.find(page)) {
    (*cached)->dirty = false;
    cache.erase(page);
  }
  counts.erase(page);
}

template <class F>
void MdxFile::Impl::readBlocks(std::vector<uint32_t> pages, F use) {
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  std::vector<std::pair<uint32_t, uint32_t>> sorted;
  sorted.reserve(pages.size());
  for (uint32_t p : pages) sorted.emplace_back(p, 0);
  readBlockRuns(sorted, use);
}

// Pages each once, in the order given; runs of neighbours come in one read
// into a buffer kept for the purpose (no allocation, no zero-filling per run).
template <class F>
void MdxFile::Impl::readBlockRuns(const std::vector<std::pair<uint32_t, uint32_t>>& pages, F use) {
  if (pages.empty()) return;
  if (!runBuffer) runBuffer = std::make_unique_for_overwrite<char[]>(kRunBlocks * kBlockSize);
  for (size_t i = 0; i < pages.size();) {
    size_t j = i + 1;
    while (j < pages.size() && pages[j].first == pages[j - 1].first + kPagesPerBlock &&
           j - i < kRunBlocks)
      ++j;
    for (size_t k = i; k < j; ++k)
      if (pages[k].first < kFirstDataPage || uint64_t{pages[k].first} + 2 > pageCount ||
          pages[k].first % kPagesPerBlock != 0)
        fail("page " + std::to_string(pages[k].first) +
             (pages[k].first % kPagesPerBlock != 0 ? " is not on a block boundary"
                                                   : " lies outside the file"));
    readAt(uint64_t{pages[i].first} * kPageSize, runBuffer.get(), (j - i) * kBlockSize);
    for (size_t k = i; k < j; ++k) use(pages[k].first, runBuffer.get() + (k - i) * kBlockSize);
    i = j;
  }
}

void MdxFile::Impl::prefetchChildren(const Node& n) {
  std::vector<uint32_t> missing;
  for (int i = 0; i <= n.count(); ++i)
    if (!cache.contains(n.ptr(i))) missing.push_back(n.ptr(i));
  if (missing.size() < 2) return;
  if (cache.size() + missing.size() >= kCacheBlocks) evict();
  readBlocks(std::move(missing), [&](uint32_t page, const char* data) {
    auto b = newBlock();
    std::memcpy(b->d.data(), data, kBlockSize);
    cache.put(page, std::move(b));
  });
}

void MdxFile::Impl::evict() {
  cache.eraseIf([](const BlockRef& b) { return !b->dirty && b.use_count() == 1; });
}

Node MdxFile::Impl::node(const Tag& t, Block& b, uint32_t page) {
  Node n{b.d.data(), t.itemLength, t.keyLength};
  if (n.count() < 0 || n.count() > t.maxCount)
    fail("tag " + t.name + ": page " + std::to_string(page) + " claims " +
         std::to_string(decode32(b.d.data())) + " keys");
  return n;
}

void MdxFile::Impl::checkFreePage(uint32_t page) const {
  const std::string what = "free block chain: page " + std::to_string(page);
  if (page < kFirstDataPage || uint64_t{page} + 2 > pageCount)
    fail(what + " lies outside the file");
  if (page % kPagesPerBlock != 0) fail(what + " is not on a block boundary");
  if (isTagHeader(page)) fail(what + " is a tag header");
}

void MdxFile::Impl::checkFreeBlock(uint32_t page, const char* d) const {
  const std::string what = "free block chain: page " + std::to_string(page);
  // A node with no keys still has a child (or is a root): free blocks are zero past the link.
  if (isRoot(page) || decode32(d + kNodeCount) != 0 || decode32(d + kNodeItems) != 0)
    fail(what + " is in use by a tag");
  if (decode32(d + kFreeNext) == page) fail(what + " points to itself");
}

std::vector<uint32_t> MdxFile::Impl::freeChain() {
  std::vector<uint32_t> chain;
  std::unordered_set<uint32_t> seen;
  for (uint32_t page = decode32(header.data() + kHeaderFreePage); page != 0;) {
    if (!seen.insert(page).second)
      fail("free block chain: page " + std::to_string(page) + " comes round again");
    checkFreePage(page);
    const BlockRef b = block(page);
    checkFreeBlock(page, b->d.data());
    chain.push_back(page);
    page = decode32(b->d.data() + kFreeNext);
  }
  chainChecked = true;
  return chain;
}

uint32_t MdxFile::Impl::allocBlock() {
  uint32_t page = decode32(header.data() + kHeaderFreePage);
  if (page != 0) {
    // A writer never builds on a damaged chain: the update fails and leaves the mark.
    if (!chainChecked) freeChain();
    checkFreePage(page);
    BlockRef b = block(page);
    checkFreeBlock(page, b->d.data());
    const uint32_t next = decode32(b->d.data() + kFreeNext);
    encode32(header.data() + kHeaderFreePage, next);
    b->d.fill(0);
    touch(page, b);
  } else {
    page = pageCount;
    if (pageCount > 0xFFFFFFF0u - kPagesPerBlock) throw Error(path, "the index is full");
    pageCount += kPagesPerBlock;
    auto b = newBlock();
    cache.put(page, b);
    touch(page, b);
    encode32(header.data() + kHeaderFreePage, 0);
  }
  counts.erase(page);
  return page;
}

void MdxFile::Impl::freeBlock(uint32_t page) {
  BlockRef b = block(page);
  b->d.fill(0);
  encode32(b->d.data() + kFreeNext, decode32(header.data() + kHeaderFreePage));
  touch(page, b);
  encode32(header.data() + kHeaderFreePage, page);
  counts.erase(page);
}

int MdxFile::Impl::keyCmp(const Tag& t, std::string_view entry, std::string_view target,
                          bool prefix) {
  const int c =
      prefix ? compareKeyPrefix(t.type, entry, target) : compareKeys(t.type, entry, target);
  return t.descending ? -c : c;
}

void MdxFile::Impl::push(const Tag& t, Path& p, uint32_t page) {
  if (p.size() >= static_cast<size_t>(kMaxDepth))
    fail("tag " + t.name + " is deeper than any sound tree");
  for (const auto& l : p)
    if (l.page == page)
      fail("tag " + t.name + ": page " + std::to_string(page) + " points back to itself");
  if (p.empty()) {
    if (std::string why = rootProblem(t); !why.empty()) fail(why);
  } else if (isTagHeader(page)) {
    fail("tag " + t.name + ": page " + std::to_string(page) + " is a tag header, not a node");
  }
  BlockRef b = block(page);
  node(t, *b, page);
  p.push_back({page, 0, std::move(b)});
}

uint32_t MdxFile::Impl::maxRecno(const Tag& t, uint32_t page) {
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    BlockRef b = block(page);
    Node n = node(t, *b, page);
    if (n.leaf()) return n.count() > 0 ? n.ptr(n.count() - 1) : 0;
    page = n.ptr(n.count());
  }
  fail("tag " + t.name + " is deeper than any sound tree");
}

void MdxFile::Impl::seekPath(const Tag& t, Path& p, std::string_view key, uint32_t recno,
                             bool prefix) {
  p.clear();
  push(t, p, t.root());
  descend(t, p, key, recno, prefix);
}

void MdxFile::Impl::descend(const Tag& t, Path& p, std::string_view key, uint32_t recno,
                            bool prefix) {
  for (;;) {
    Level& lv = p.back();
    // The binary search below reads a line here and a line there, each a
    // miss on a large tree: asking for the whole node at once overlaps them.
    for (size_t at = 0; at < kBlockSize; at += 64) __builtin_prefetch(lv.blk->d.data() + at);
    Node n = node(t, lv);
    const int count = n.count();
    if (n.leaf()) {
      int lo = 0, hi = count;
      while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (entryCmp(t, n.key(mid), n.ptr(mid), key, recno, prefix) < 0)
          lo = mid + 1;
        else
          hi = mid;
      }
      lv.idx = lo;
      return;
    }
    int lo = 0, hi = count;
    while (lo < hi) {
      const int mid = (lo + hi) / 2;
      if (keyCmp(t, n.key(mid), key, prefix) < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    if (recno != 0) {
      // Equal separators: the child whose last record number reaches recno.
      int end = lo;
      while (end < count && keyCmp(t, n.key(end), key, prefix) == 0) ++end;
      int a = lo, b = end;
      while (a < b) {
        const int mid = (a + b) / 2;
        if (maxRecno(t, n.ptr(mid)) < recno)
          a = mid + 1;
        else
          b = mid;
      }
      lo = a;
    }
    lv.idx = lo;
    push(t, p, n.ptr(lo));
  }
}

void MdxFile::Impl::descendEdge(const Tag& t, Path& p, bool first) {
  for (;;) {
    Level& lv = p.back();
    Node n = node(t, lv);
    if (n.leaf()) {
      lv.idx = first ? 0 : n.count();
      return;
    }
    if (!cache.contains(n.ptr(lv.idx))) prefetchChildren(n);
    push(t, p, n.ptr(lv.idx));
    Level& child = p.back();
    child.idx = first ? 0 : node(t, child).count();
  }
}

void MdxFile::Impl::rootPath(const Tag& t, Path& p, bool first) {
  p.clear();
  push(t, p, t.root());
  p.back().idx = first ? 0 : node(t, p.back()).count();
  descendEdge(t, p, first);
}

bool MdxFile::Impl::normalizeForward(const Tag& t, Path& p) {
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

bool MdxFile::Impl::stepBack(const Tag& t, Path& p) {
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

uint64_t MdxFile::Impl::subtreeCount(const Tag& t, uint32_t page, int depth) {
  if (auto it = counts.find(page); it != counts.end()) return it->second;
  // A level at a time: the pages of one level are read together, in long runs
  // where they lie side by side (a bulk-built tag writes each level in order).
  // Only interior nodes keep their count; a leaf's is in its first bytes.
  struct Visit {
    uint32_t page;
    uint32_t firstChild = 0;  // in children
    uint32_t childCount = 0;
    uint64_t count = 0;
  };
  std::vector<Visit> nodes{{page}};
  std::vector<uint32_t> children;  // ids in nodes
  if (page == t.root()) {
    // A whole tag has about one node per block of its pages.
    const size_t blocks = decode32(t.header.data() + kTagSize) / kPagesPerBlock;
    nodes.reserve(std::min<size_t>(blocks, pageCount / kPagesPerBlock) + 1);
    children.reserve(nodes.capacity());
  }
  std::vector<uint64_t> seen((pageCount / kPagesPerBlock + 64) / 64);
  auto firstVisit = [&](uint32_t at) {
    const uint64_t bit = at / kPagesPerBlock;
    if (bit / 64 >= seen.size()) return true;  // outside the file: block() says so
    const uint64_t mask = uint64_t{1} << (bit % 64);
    if (seen[bit / 64] & mask) return false;
    seen[bit / 64] |= mask;
    return true;
  };
  firstVisit(page);
  std::vector<uint32_t> expand;  // ids of this level's interior nodes, for the final sums
  auto visit = [&](uint32_t id, const char* data) {
    const Node n{const_cast<char*>(data), t.itemLength, t.keyLength};
    if (n.count() < 0 || n.count() > t.maxCount)
      fail("tag " + t.name + ": page " + std::to_string(nodes[id].page) + " claims " +
           std::to_string(decode32(data)) + " keys");
    if (n.leaf()) {
      nodes[id].count = static_cast<uint64_t>(n.count());
      return;
    }
    nodes[id].firstChild = static_cast<uint32_t>(children.size());
    nodes[id].childCount = static_cast<uint32_t>(n.count() + 1);
    expand.push_back(id);
    for (int i = 0; i <= n.count(); ++i) {
      const uint32_t child = n.ptr(i);
      children.push_back(static_cast<uint32_t>(nodes.size()));
      Visit v{child};
      auto known = counts.empty() ? counts.end() : counts.find(child);
      if (known != counts.end()) {
        v.count = known->second;
        v.childCount = UINT32_MAX;  // nothing to read
      } else if (!firstVisit(child)) {
        fail("tag " + t.name + ": page " + std::to_string(child) + " is reached twice");
      }
      nodes.push_back(v);
    }
  };
  std::vector<std::pair<uint32_t, uint32_t>> fromDisk;  // page, id
  size_t levelBegin = 0;
  for (; levelBegin < nodes.size(); ++depth) {
    if (depth >= kMaxDepth) fail("tag " + t.name + " is deeper than any sound tree");
    const size_t levelEnd = nodes.size();
    fromDisk.clear();
    for (size_t id = levelBegin; id < levelEnd; ++id) {
      if (nodes[id].childCount == UINT32_MAX) continue;
      // Cached blocks may hold changes not yet written.
      if (const BlockRef* cached = cache.find(nodes[id].page))
        visit(static_cast<uint32_t>(id), (*cached)->d.data());
      else
        fromDisk.emplace_back(nodes[id].page, static_cast<uint32_t>(id));
    }
    // A level written by a bulk build lies in a few long runs already (a
    // reused free block or two in front): sorting would only cost. Scattered
    // pages are sorted into runs.
    size_t breaks = 0;
    for (size_t i = 1; i < fromDisk.size(); ++i)
      breaks += fromDisk[i].first != fromDisk[i - 1].first + kPagesPerBlock;
    if (breaks > fromDisk.size() / 64) std::sort(fromDisk.begin(), fromDisk.end());
    size_t next = 0;
    readBlockRuns(fromDisk,
                  [&](uint32_t, const char* data) { visit(fromDisk[next++].second, data); });
    levelBegin = levelEnd;
  }
  // Deeper nodes were found later: summing from the back has every child's count ready.
  for (auto it = expand.rbegin(); it != expand.rend(); ++it) {
    Visit& v = nodes[*it];
    uint64_t total = 0;
    for (uint32_t c = 0; c < v.childCount; ++c) total += nodes[children[v.firstChild + c]].count;
    v.count = total;
    counts[v.page] = total;
  }
  return nodes.front().count;
}

void MdxFile::Impl::insertAt(Tag& t, Path& p, size_t level, int idx, uint32_t pointer,
                             std::string_view key) {
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

void MdxFile::Impl::seekFrom(const Tag& t, Path& p, std::string_view key, uint32_t recno) {
  // The lowest node whose range still holds the key: below it every level
  // was either on its node's last child or bounded by a smaller separator.
  size_t keep = 0;
  for (size_t l = p.size() - 1; l-- > 0;) {
    const Node n = node(t, p[l]);
    if (p[l].idx < n.count() && keyCmp(t, key, n.key(p[l].idx), false) < 0) {
      keep = l + 1;
      break;
    }
  }
  if (keep == 0) return seekPath(t, p, key, recno, false);
  p.resize(keep + 1);
  descend(t, p, key, recno, false);
}

void MdxFile::Impl::setSeparatorAbove(Tag& t, Path& p, size_t level, std::string_view maxKey) {
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

void MdxFile::Impl::removeChild(Tag& t, Path& p, size_t level) {
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

void MdxFile::Impl::collapseRoot(Tag& t) {
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

void MdxFile::Impl::eraseAt(Tag& t, Path& p) {
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

void MdxFile::Impl::collectPages(const Tag& t, std::vector<uint32_t>& out) {
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

void MdxFile::Impl::checkBuildInput(const Tag& t, const KeyList& sorted) const {
  const size_t keyLen = static_cast<size_t>(t.keyLength);
  if (sorted.width != keyLen || sorted.keys.size() != sorted.size() * keyLen)
    throw Error(path, "tag " + t.name + ": keys of " + std::to_string(sorted.width) +
                          " bytes for a key length of " + std::to_string(keyLen));
  for (size_t i = 1; i < sorted.size(); ++i)
    if (entryCmp(t, sorted.key(i - 1), sorted.recnos[i - 1], sorted.key(i), sorted.recnos[i],
                 false) > 0)
      throw Error(path, "tag " + t.name + ": entries for the build are not in order");
}

// Free blocks are used first, lowest page first, so rebuilding does not grow the file.
std::vector<uint32_t> MdxFile::Impl::freeListSorted() {
  std::vector<uint32_t> free = freeChain();
  std::sort(free.begin(), free.end());
  return free;
}

std::vector<std::string> MdxFile::Impl::layoutProblems() {
  std::vector<std::string> out;
  std::unordered_map<uint32_t, std::string> owner;  // page -> what uses it
  for (const Tag& t : tags) owner.emplace(t.headerPage, "the tag header of " + t.name);
  for (const Tag& t : tags)
    if (std::string why = rootProblem(t); !why.empty()) out.push_back(why);
  for (const Tag& t : tags) {
    std::vector<uint32_t> pages;
    collectPages(t, pages);
    for (uint32_t p : pages) {
      auto [it, added] = owner.emplace(p, "a node of tag " + t.name);
      if (!added)
        out.push_back("page " + std::to_string(p) + " is a node of tag " + t.name + " and " +
                      it->second);
    }
  }
  try {
    for (uint32_t p : freeChain())
      if (auto it = owner.find(p); it != owner.end())
        out.push_back("free block chain: page " + std::to_string(p) + " is " + it->second);
  } catch (const FormatError& e) {
    out.push_back(e.reason());
  }
  return out;
}

namespace {

struct BuildChild {
  uint32_t page;
  size_t last;  // index of the subtree's last entry
  uint64_t count;
};

}  // namespace

MdxFile::Impl::BuiltTree MdxFile::Impl::writeTree(const Tag& t, const KeyList& sorted,
                                                  const std::vector<uint32_t>& free) {
  const size_t keyLen = static_cast<size_t>(t.keyLength);
  const size_t item = static_cast<size_t>(t.itemLength);
  const size_t per = static_cast<size_t>(t.maxKeys);
  BuiltTree built;
  // Blocks are assembled in a buffer and written in runs of consecutive pages.
  std::string chunk;
  uint32_t chunkStart = 0;
  auto flushChunk = [&] {
    if (!chunk.empty()) writeAt(uint64_t{chunkStart} * kPageSize, chunk.data(), chunk.size());
    chunk.clear();
  };
  uint32_t page = 0;  // of the block newBlock() returned last
  auto newBlock = [&]() -> char* {
    if (built.freeUsed < free.size()) {
      page = free[built.freeUsed++];
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
    ++built.blocks;
    return chunk.data() + chunk.size() - kBlockSize;
  };
  std::vector<BuildChild> level;
  if (sorted.empty()) {
    newBlock();
    level.push_back({page, 0, 0});
  }
  for (size_t i = 0; i < sorted.size(); i += per) {
    const size_t n = std::min(per, sorted.size() - i);
    char* d = newBlock();
    encode32(d + kNodeCount, static_cast<uint32_t>(n));
    for (size_t k = 0; k < n; ++k) {
      char* it = d + kNodeItems + k * item;
      encode32(it, sorted.recnos[i + k]);
      std::memcpy(it + 4, sorted.keys.data() + (i + k) * keyLen, keyLen);
    }
    level.push_back({page, i + n - 1, n});
  }
  while (level.size() > 1) {
    std::vector<BuildChild> up;
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
        const BuildChild& c = level[i + k];
        char* it = d + kNodeItems + k * item;
        encode32(it, c.page);
        if (k + 1 < n) std::memcpy(it + 4, sorted.keys.data() + c.last * keyLen, keyLen);
        total += c.count;
      }
      up.push_back({page, level[i + n - 1].last, total});
      counts[page] = total;
      i += n;
    }
    level.swap(up);
  }
  flushChunk();
  built.root = level.front().page;
  built.count = level.front().count;
  return built;
}

void MdxFile::Impl::build(Tag& t, const KeyList& sorted) {
  std::vector<uint32_t> old;
  collectPages(t, old);
  for (uint32_t page : old) freeBlock(page);
  if (!old.empty()) t.setRoot(0);  // its old root is a free block now
  const std::vector<uint32_t> free = freeListSorted();
  const BuiltTree built = writeTree(t, sorted, free);
  t.setRoot(built.root);
  counts[built.root] = built.count;
  encode32(t.header.data() + kTagSize, 2 + built.blocks * kPagesPerBlock);
  t.headerDirty = true;
  // Relink the free blocks left over.
  encode32(header.data() + kHeaderFreePage, 0);
  for (size_t i = free.size(); i-- > built.freeUsed;) freeBlock(free[i]);
}

}  // namespace dbase
