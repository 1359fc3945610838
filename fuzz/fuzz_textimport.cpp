// Reads the fuzz input as a text file to import: the first byte picks the
// separator, delimiter and memo fields, the rest is the file, read as
// Windows-1252 and, when it looks like UTF-8, through the converter too.
// Every value must stay within its limits.

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "exchange/textformat.h"

namespace {

void readAll(exchange::ByteSource& in, exchange::TextFormat format, const std::vector<bool>& memo) {
  exchange::TextRecordReader reader(in, format, memo);
  std::vector<exchange::FieldText> fields;
  while (reader.next(fields)) {
    if (fields.size() != memo.size()) std::abort();
    for (const auto& f : fields) {
      if (f.text.size() > exchange::kFieldLimit) std::abort();
      for (const auto& l : f.lines)
        if (l.size() > exchange::kFieldLimit) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t pick = data[0];
  const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  static const char kSeparators[] = {'\t', ',', ';', '"'};
  static const char kDelimiters[] = {0, '"', '\'', ','};
  const exchange::TextFormat format{kSeparators[pick & 3], kDelimiters[(pick >> 2) & 3]};
  std::vector<bool> memo;
  for (int i = 0; i < 1 + ((pick >> 4) & 3); ++i) memo.push_back((pick >> (6 + (i & 1))) & 1);
  exchange::MemorySource plain(file);
  readAll(plain, format, memo);
  if (exchange::looksLikeUtf8(file)) {
    exchange::MemorySource raw(file);
    exchange::Utf8To1252Source decoded(raw, true);
    readAll(decoded, format, memo);
  }
  return 0;
}
