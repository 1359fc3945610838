// The engine's check (what tometool check runs) on a damaged table and memo
// file: its own bounds-checked readers must report, never crash. Input:
// 2-byte length of the .dbf part, the .dbf, then the .dbt.

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "dbase/check.h"
#include "dbase/error.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string_view in(reinterpret_cast<const char*>(data) + 2, size - 2);
  const size_t split = std::min<size_t>(in.size(), data[0] | data[1] << 8);
  const std::string dbf = fuzz::writeFile("C.DBF", in.substr(0, split));
  fuzz::writeFile("C.DBT", in.substr(split));
  try {
    (void)dbase::checkTable(dbf);
  } catch (const dbase::Error&) {
  }
  return 0;
}
