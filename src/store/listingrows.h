#pragma once

#include <QString>
#include <cstdint>
#include <vector>

class DbTable;

// What the contents entries and the quick-view menus show of records, read
// without handing the engine's table to the windows.

struct ListingRow {
  int32_t number = 0;          // the record's entry number
  std::vector<QString> texts;  // one per asked field; empty for field -1
};

// At most `count` records from position `top` of the table's current order
// and range. Throws std::exception on an engine error.
std::vector<ListingRow> readListingRows(DbTable& table, uint32_t top, size_t count,
                                        const std::vector<int>& fields);

// The quick-view lines of every user field of the table's current record. A
// memo that cannot be read is reported ("Corrupt Memo Field!!! ...") and ends
// the list there. Throws std::exception on any other engine error.
std::vector<QString> listRecordValues(DbTable& table);
