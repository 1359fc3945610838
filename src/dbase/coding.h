#pragma once

// Little-endian fixed-width encoding on byte buffers. Callers check bounds
// against the buffer size before calling (see checkRange).

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "dbase/error.h"

namespace dbase {

inline uint16_t decode16(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint16_t>(u[0] | (u[1] << 8));
}

inline uint32_t decode32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) | (static_cast<uint32_t>(u[1]) << 8) |
         (static_cast<uint32_t>(u[2]) << 16) | (static_cast<uint32_t>(u[3]) << 24);
}

inline void encode16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}

inline void encode32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline double decodeDouble(const char* p) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(p[i]);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

inline void encodeDouble(char* p, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

// Throws FormatError unless [offset, offset + size) lies inside a buffer of `limit` bytes.
inline void checkRange(const std::string& file, uint64_t offset, uint64_t size, uint64_t limit,
                       const char* what) {
  if (offset > limit || size > limit - offset)
    throw FormatError(file, std::string(what) + " lies outside its block");
}

}  // namespace dbase
