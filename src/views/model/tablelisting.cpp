#include "tablelisting.h"

#include "letters.h"

bool TTableListing::IsOpen() const { return table_.Active(); }

int32_t TTableListing::RecordCount() {
  if (!table_.Active()) return 0;
  return static_cast<int32_t>(::RecordCount(table_));
}

bool TTableListing::LetterTabsActive() const { return ::LetterTabsActive(); }

bool TTableListing::SetLetterRange(char letter) {
  if (!table_.Active()) return false;
  return ::SetLetterRange(table_, letter);
}
