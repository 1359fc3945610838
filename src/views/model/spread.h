#pragma once

#include <QString>
#include <cstdint>

// The current listing as the table-of-contents pages see it: a count within
// the applied range, and the letter ranges. Implemented over the record
// table; tests give a plain list.
class TListing {
 public:
  virtual ~TListing() = default;
  virtual bool IsOpen() const = 0;
  // Records of the current listing (within the letter range when one applies).
  virtual int32_t RecordCount() = 0;
  virtual bool LetterTabsActive() const = 0;
  // Restricts the listing to one letter; false when no letter range applies.
  virtual bool SetLetterRange(char letter) = 0;
};

struct TSpreadButtons {
  bool first = false, pgUp = false, pgDn = false, last = false;
  friend bool operator==(const TSpreadButtons&, const TSpreadButtons&) = default;
};

// Position and paging rules of a table of contents that shows `pageEntries`
// records per spread (24 on the two facing pages, 12 on the combined view).
// It never reads records itself: the view asks it which positions to show.
class TSpreadModel {
 public:
  TSpreadModel(TListing& listing, int pageEntries) : listing_(listing), entries_(pageEntries) {}

  int32_t TopRecord() const { return top_; }
  char CurrentLetter() const { return letter_; }
  int PageEntries() const { return entries_; }
  // False once a letter range could not be applied: the tabs are then off.
  bool LetterTabsEnabled() const { return tabsEnabled_; }
  bool TabsActive() const { return tabsEnabled_ && listing_.LetterTabsActive(); }

  // Each returns true when the spread must be shown again.
  bool First();
  bool PgUp();
  bool PgDn();
  bool Last();
  // A tab click, Ctrl+Alt+letter, or paging across letters: the letter's
  // first spread. Always asks for a refresh.
  bool SelectLetter(char letter);
  // Positions the listing on an entry's record: TopRecord + slot.
  int32_t PositionOfSlot(int slot) const { return top_ + slot; }

  void SetTopRecord(int32_t top) { top_ = top < 0 ? 0 : top; }
  void SetLetterTabsEnabled(bool on) { tabsEnabled_ = on; }

  TSpreadButtons Buttons();
  // Decimal page numbers of the left and right page, cut to 6 characters.
  QString LeftPageNumber() const;
  QString RightPageNumber() const;

 private:
  int32_t LastTop();
  void ApplyLetter();

  TListing& listing_;
  int entries_;
  int32_t top_ = 0;
  char letter_ = 'A';
  bool tabsEnabled_ = true;
};
