// A fixed table whose memo file is the fuzz input. The first input byte picks
// dBASE IV (even) or dBASE III (odd) memos and where the pointers lead. After
// reading, memos are rewritten through the damaged file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/table.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool dbase3 = data[0] & 1;
  const unsigned spread = data[0] >> 1;
  std::vector<std::string> records;
  const uint32_t blocks[] = {1, 2, 3, 5, 8, 13, 1 + spread, 4000000000u};
  for (uint32_t b : blocks) {
    std::string ptr = std::to_string(b);
    ptr.insert(0, 10 - ptr.size(), ' ');
    records.push_back(" Title     " + ptr + ptr);
  }
  records.push_back(" Blank     " + std::string(20, ' '));
  const std::vector<fuzz::Field> fields = {
      {"TITLE", 'C', 10, 0}, {"NOTES", 'M', 10, 0}, {"PICTURE", dbase3 ? 'M' : 'B', 10, 0}};
  const std::string dbf =
      fuzz::writeFile("F.DBF", fuzz::makeDbf(dbase3 ? 0x83 : 0x8B, false, fields, records));
  fuzz::writeFile("F.DBT", std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  try {
    dbase::Table t;
    t.open(dbf, dbase::OpenMode::Shared, true);
    for (t.first(); !t.eof(); t.next()) {
      for (int f = 1; f <= 2; ++f) {
        try {
          (void)t.readBlob(f);
          (void)t.asString(f);
          (void)t.isEmpty(f);
        } catch (const dbase::Error&) {
          // A damaged memo spoils only its own field.
        }
      }
    }
  } catch (const dbase::Error&) {
  }
  if (dbase3) return 0;  // dBASE III memos are read, never written
  try {
    dbase::Table t;
    t.open(dbf, dbase::OpenMode::Exclusive);
    for (uint32_t r : {1u, 7u, 9u}) {
      try {
        t.goToRecord(r);
        t.edit();
        t.writeBlob(1, r == 9 ? std::string(700, 'm') : std::string("short"));
        t.post();
      } catch (const dbase::Error&) {
        if (t.state() != dbase::Table::State::Browse) t.cancel();
      }
    }
  } catch (const dbase::Error&) {
  }
  return 0;
}
