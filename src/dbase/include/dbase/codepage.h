#pragma once

#include <string>
#include <string_view>

namespace dbase {

// The one place where table text (Windows-1252) meets UTF-8.
std::string cp1252ToUtf8(std::string_view bytes);
// Characters without a Windows-1252 code become '?'.
std::string utf8ToCp1252(std::string_view utf8);

}  // namespace dbase
