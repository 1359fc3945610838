#pragma once

// Damage done to a production index the way a failing disk does it.

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
