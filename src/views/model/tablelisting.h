#pragma once

#include "spread.h"

class TDbTable;

// The record table in its current order and range, as a table of contents
// pages through it.
class TTableListing : public TListing {
 public:
  explicit TTableListing(TDbTable& table) : table_(table) {}
  bool IsOpen() const override;
  int32_t RecordCount() override;
  bool LetterTabsActive() const override;
  bool SetLetterRange(char letter) override;

 private:
  TDbTable& table_;
};
