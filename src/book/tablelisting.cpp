#include "book/tablelisting.h"

#include "store/letters.h"
#include "store/tablerescue.h"

bool TableListing::isOpen() const { return table_.active(); }

int32_t TableListing::recordCount() {
  if (!table_.active()) return 0;
  try {
    return static_cast<int32_t>(::recordCount(table_));
  } catch (const std::exception& e) {
    reportEngineFailure(e);
    return 0;
  }
}

bool TableListing::letterTabsActive() const { return ::letterTabsActive(); }

bool TableListing::setLetterRange(char letter) {
  if (!table_.active()) return false;
  try {
    return ::setLetterRange(table_, letter);
  } catch (const std::exception& e) {
    reportEngineFailure(e);
    return false;
  }
}
