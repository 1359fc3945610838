#pragma once

// Index key encodings of the MDX format and their ordering.

#include <string>
#include <string_view>

#include "dbase/expr.h"
#include "dbase/types.h"

namespace dbase {

constexpr int kNumericKeyLength = 12;
constexpr int kDateKeyLength = 8;
// dBASE IV refuses longer character keys; the 1024-byte node would allow more.
constexpr int kMaxCharacterKeyLength = 100;
// The stored key of a blank date: sorts after every real date.
constexpr double kBlankDateKey = 1.0E100;

std::string numericKey(double value);  // 12-byte packed BCD with sign and exponent
double numericKeyValue(std::string_view key);
std::string dateKey(int64_t julian);  // little-endian double; blank = 1.0E100
std::string characterKey(std::string_view text, int length);  // blank padded / cut

// The stored key for a value of an expression, for a tag of this type and length.
std::string makeKey(const ExprValue& value, KeyType type, int keyLength);
// The key for a search or range bound (character bounds keep their own length).
std::string boundKey(const KeyValue& value, KeyType type, int keyLength);

// Ascending order of two stored keys of one type (<0, 0, >0).
int compareKeys(KeyType type, std::string_view a, std::string_view b);
// Like compareKeys, but a character key is compared over prefix's length only.
int compareKeyPrefix(KeyType type, std::string_view key, std::string_view prefix);

}  // namespace dbase
