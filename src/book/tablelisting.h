#pragma once

#include "book/spreadmodel.h"

class DbTable;

// The record table in its current order and range, as a table of contents
// pages through it.
class TableListing : public Listing {
 public:
  explicit TableListing(DbTable& table) : table_(table) {}
  bool isOpen() const override;
  int32_t recordCount() override;
  bool letterTabsActive() const override;
  bool setLetterRange(char letter) override;

 private:
  DbTable& table_;
};
