#include "store/listingrows.h"

#include "core/prompt.h"
#include "core/settings.h"
#include "store/dbtable.h"
#include "store/letters.h"
#include "store/pagevalues.h"
#include "store/recordtext.h"

std::vector<ListingRow> readListingRows(DbTable& table, uint32_t top, size_t count,
                                        const std::vector<int>& fields) {
  std::vector<ListingRow> rows;
  goToPosition(table, top);
  dbase::Table& t = table.engine();
  for (size_t s = 0; s < count && !t.eof(); ++s) {
    ListingRow row;
    row.number = static_cast<int32_t>(t.asInteger(0));
    for (const int field : fields)
      row.texts.push_back(field < 0 ? QString() : fieldDisplayText(t, field));
    rows.push_back(std::move(row));
    t.next();
  }
  return rows;
}

std::vector<QString> listRecordValues(DbTable& table) {
  std::vector<QString> lines;
  const dbase::Table& t = table.engine();
  for (int f = appSettings().firstUserField; f < static_cast<int>(t.fields().size()); ++f) {
    const dbase::FieldType type = t.fields()[static_cast<size_t>(f)].type;
    const bool memo = type == dbase::FieldType::Memo || type == dbase::FieldType::Binary;
    try {
      lines.push_back(quickViewText(t, f));
    } catch (const std::exception&) {
      if (!memo) throw;
      showMessage(MsgKind::Error, corruptMemoText(t));
      break;
    }
  }
  return lines;
}
