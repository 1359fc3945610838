// Opens a table whose .dbf is the fuzz input (no memo, no index) and walks
// it; then opens it for exclusive writing (which may repair a lagging record
// count) and appends a record.

#include <cstdint>
#include <string_view>

#include "dbase/table.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path =
      fuzz::writeFile("F.DBF", std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    dbase::Table t;
    t.open(path, dbase::OpenMode::Shared, true);
    const auto& fields = t.fields();
    (void)t.recordCount();
    int seen = 0;
    for (t.first(); !t.eof() && seen < 2000; t.next(), ++seen) {
      for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
        try {
          (void)t.asString(i);
          (void)t.isEmpty(i);
          switch (fields[i].type) {
            case dbase::FieldType::Numeric:
            case dbase::FieldType::Float:
              (void)t.asNumber(i);
              break;
            case dbase::FieldType::Date:
              (void)t.asDate(i);
              break;
            case dbase::FieldType::Logical:
              (void)t.asBool(i);
              break;
            default:
              break;
          }
        } catch (const dbase::Error&) {
          // A field may be unreadable (no memo file); the walk goes on.
        }
      }
    }
    if (t.physicalCount() > 0) {
      t.goToRecord(t.physicalCount());
      (void)t.isDeleted();
      t.last();
      t.prior();
    }
  } catch (const dbase::Error&) {
    // Rejecting a damaged table is the expected outcome.
  }
  try {
    dbase::Table t;
    t.open(path, dbase::OpenMode::Exclusive);
    t.append();
    if (!t.fields().empty()) t.setString(0, "1");
    t.post();
    t.first();
    if (!t.eof()) t.deleteRecord();
  } catch (const dbase::Error&) {
  }
  return 0;
}
