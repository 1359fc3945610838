#pragma once

// Damage done to a production index the way a failing disk does it.

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

namespace indexdamage {

inline uint32_t le32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
  return v;
}

// The root page of every tag (a leaf while the table is small) claims billions
// of keys: opening the index works, walking any tag fails.
inline void breakRoots(std::string& mdx) {
  for (uint32_t i = 0; i < (le32(mdx, 28) & 0xFFFF); ++i) {  // tags in use
    const size_t tagHeader = size_t{le32(mdx, 544 + 32 * i)} * 512;
    const size_t root = size_t{le32(mdx, tagHeader)} * 512;
    mdx[root + 3] = 0x7F;
  }
}

inline void put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// Layouts no sound index has; each breaks tag 0 (and 1) or the free chain
// (which must not be empty) of an index whose tag 0 has an interior root.
inline size_t tagEntry(uint32_t tag) { return 544 + 32 * size_t{tag}; }
inline uint32_t headerPage(const std::string& mdx, uint32_t tag) {
  return le32(mdx, tagEntry(tag));
}
inline uint32_t rootPage(const std::string& mdx, uint32_t tag) {
  return le32(mdx, size_t{headerPage(mdx, tag)} * 512);
}
inline void freeBlockToItself(std::string& mdx) {
  const uint32_t free = le32(mdx, 36);
  put32(mdx, size_t{free} * 512 + 4, free);
}
inline void freeBlockIntoTheTree(std::string& mdx) {
  const uint32_t firstChild = le32(mdx, size_t{rootPage(mdx, 0)} * 512 + 8);
  put32(mdx, size_t{le32(mdx, 36)} * 512 + 4, firstChild);
}
inline void tagsShareAHeader(std::string& mdx) { put32(mdx, tagEntry(1), headerPage(mdx, 0)); }
inline void tagsShareAName(std::string& mdx) {
  std::copy_n(mdx.begin() + static_cast<long>(tagEntry(0) + 4), 11,
              mdx.begin() + static_cast<long>(tagEntry(1) + 4));
}
inline void rootAtAnOddPage(std::string& mdx) {
  put32(mdx, size_t{headerPage(mdx, 0)} * 512, rootPage(mdx, 0) + 1);
}
inline void rootAtItsTagHeader(std::string& mdx) {
  put32(mdx, size_t{headerPage(mdx, 0)} * 512, headerPage(mdx, 0));
}

inline void breakRootsOf(const std::string& mdxPath) {
  std::string bytes;
  {
    std::ifstream in(mdxPath, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
  }
  breakRoots(bytes);
  std::ofstream(mdxPath, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace indexdamage
