#pragma once

#include <QString>
#include <cstdint>

// The current listing as the table-of-contents pages see it: a count within
// the applied range, and the letter ranges. Implemented over the record
// table; tests give a plain list.
class Listing {
 public:
  virtual ~Listing() = default;
  virtual bool isOpen() const = 0;
  // Records of the current listing (within the letter range when one applies).
  virtual int32_t recordCount() = 0;
  virtual bool letterTabsActive() const = 0;
  // Restricts the listing to one letter; false when no letter range applies.
  virtual bool setLetterRange(char letter) = 0;
};

struct SpreadButtons {
  bool first = false, pgUp = false, pgDn = false, last = false;
  friend bool operator==(const SpreadButtons&, const SpreadButtons&) = default;
};

// Position and paging rules of a table of contents that shows `pageEntries`
// records per spread (24 on the two facing pages, 12 on the combined view).
// It never reads records itself: the view asks it which positions to show.
class SpreadModel {
 public:
  SpreadModel(Listing& listing, int pageEntries) : listing_(listing), entries_(pageEntries) {}

  int32_t topRecord() const { return top_; }
  char currentLetter() const { return letter_; }
  int pageEntries() const { return entries_; }
  // False once a letter range could not be applied: the tabs are then off.
  bool letterTabsEnabled() const { return tabsEnabled_; }
  bool tabsActive() const { return tabsEnabled_ && listing_.letterTabsActive(); }

  // Each returns true when the spread must be shown again.
  bool first();
  bool pgUp();
  bool pgDn();
  bool last();
  // A tab click, Ctrl+Alt+letter, or paging across letters: the letter's
  // first spread. Always asks for a refresh.
  bool selectLetter(char letter);
  // Positions the listing on an entry's record: TopRecord + slot.
  int32_t positionOfSlot(int slot) const { return top_ + slot; }

  void setTopRecord(int32_t top) { top_ = top < 0 ? 0 : top; }
  void setLetterTabsEnabled(bool on) { tabsEnabled_ = on; }

  SpreadButtons buttons();
  // Decimal page numbers of the left and right page, cut to 6 characters.
  QString leftPageNumber() const;
  QString rightPageNumber() const;

 private:
  int32_t lastTop();
  void applyLetter();

  Listing& listing_;
  int entries_;
  int32_t top_ = 0;
  char letter_ = 'A';
  bool tabsEnabled_ = true;
};
