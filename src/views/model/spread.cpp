#include "spread.h"

bool TSpreadModel::First() {
  if (top_ == 0) return false;
  top_ = 0;
  return true;
}

bool TSpreadModel::PgUp() {
  if (top_ != 0) {
    top_ -= entries_;
    if (top_ < 0) top_ = 0;
    return true;
  }
  if (TabsActive() && letter_ > 'A') {
    // The previous letter even when it is empty, at its last spread.
    --letter_;
    ApplyLetter();
    top_ = LastTop();
    return true;
  }
  return false;
}

bool TSpreadModel::PgDn() {
  const int32_t count = listing_.RecordCount();
  if (count >= top_ + entries_) {
    top_ += entries_;
    return true;
  }
  if (TabsActive() && letter_ < 'Z') return SelectLetter(static_cast<char>(letter_ + 1));
  return false;
}

bool TSpreadModel::Last() {
  const int32_t t = LastTop();
  if (t == top_) return false;
  top_ = t;
  return true;
}

bool TSpreadModel::SelectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') return false;
  letter_ = letter;
  top_ = 0;
  ApplyLetter();
  return true;
}

void TSpreadModel::ApplyLetter() {
  if (!listing_.SetLetterRange(letter_) && listing_.LetterTabsActive()) tabsEnabled_ = false;
}

int32_t TSpreadModel::LastTop() {
  // The last spread that holds a record: a count that fills its spreads
  // exactly does not end on an empty one.
  const int32_t n = listing_.RecordCount();
  int32_t t = entries_ * (n / entries_);
  if (t > 0 && n == t) t -= entries_;
  return t;
}

TSpreadButtons TSpreadModel::Buttons() {
  const int32_t count = listing_.RecordCount();
  const bool tabs = TabsActive();
  TSpreadButtons b;
  b.first = top_ != 0;
  b.last = !(top_ + entries_ >= count);
  b.pgUp = top_ != 0 || (tabs && letter_ != 'A');
  b.pgDn = count >= top_ + entries_ || (tabs && letter_ != 'Z');
  return b;
}

QString TSpreadModel::LeftPageNumber() const {
  const int64_t left = static_cast<int64_t>(top_ / entries_) * 2 + 1;
  return QString::number(left).left(6);
}

QString TSpreadModel::RightPageNumber() const {
  const int64_t right = static_cast<int64_t>(top_ / entries_) * 2 + 2;
  return QString::number(right).left(6);
}
