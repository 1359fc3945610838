#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dbase {

// The one place where table text (Windows-1252) meets UTF-8.
std::string cp1252ToUtf8(std::string_view bytes);
// Characters without a Windows-1252 code become '?'.
std::string utf8ToCp1252(std::string_view utf8);
// Whether a Unicode code point has a Windows-1252 byte (the five unassigned
// bytes count as the C1 controls of the same value, so every byte round-trips).
bool hasCp1252Code(uint32_t codePoint);

}  // namespace dbase
