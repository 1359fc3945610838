#include "book/tablelisting.h"

#include "store/letters.h"

bool TableListing::isOpen() const { return table_.active(); }

int32_t TableListing::recordCount() {
  if (!table_.active()) return 0;
  return static_cast<int32_t>(::recordCount(table_));
}

bool TableListing::letterTabsActive() const { return ::letterTabsActive(); }

bool TableListing::setLetterRange(char letter) {
  if (!table_.active()) return false;
  return ::setLetterRange(table_, letter);
}
