#include "book/spreadmodel.h"

bool SpreadModel::first() {
  if (top_ == 0) return false;
  top_ = 0;
  return true;
}

bool SpreadModel::pgUp() {
  if (top_ != 0) {
    top_ -= entries_;
    if (top_ < 0) top_ = 0;
    return true;
  }
  if (tabsActive() && letter_ > 'A') {
    // The previous letter even when it is empty, at its last spread.
    --letter_;
    applyLetter();
    top_ = lastTop();
    return true;
  }
  return false;
}

bool SpreadModel::pgDn() {
  const int32_t count = listing_.recordCount();
  if (count >= top_ + entries_) {
    top_ += entries_;
    return true;
  }
  if (tabsActive() && letter_ < 'Z') return selectLetter(static_cast<char>(letter_ + 1));
  return false;
}

bool SpreadModel::last() {
  const int32_t t = lastTop();
  if (t == top_) return false;
  top_ = t;
  return true;
}

bool SpreadModel::selectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') return false;
  letter_ = letter;
  top_ = 0;
  applyLetter();
  return true;
}

void SpreadModel::applyLetter() {
  if (!listing_.setLetterRange(letter_) && listing_.letterTabsActive()) tabsEnabled_ = false;
}

int32_t SpreadModel::lastTop() {
  // The last spread that holds a record: a count that fills its spreads
  // exactly does not end on an empty one.
  const int32_t n = listing_.recordCount();
  int32_t t = entries_ * (n / entries_);
  if (t > 0 && n == t) t -= entries_;
  return t;
}

SpreadButtons SpreadModel::buttons() {
  const int32_t count = listing_.recordCount();
  const bool tabs = tabsActive();
  SpreadButtons b;
  b.first = top_ != 0;
  b.last = !(top_ + entries_ >= count);
  b.pgUp = top_ != 0 || (tabs && letter_ != 'A');
  b.pgDn = count >= top_ + entries_ || (tabs && letter_ != 'Z');
  return b;
}

QString SpreadModel::leftPageNumber() const {
  const int64_t left = static_cast<int64_t>(top_ / entries_) * 2 + 1;
  return QString::number(left).left(6);
}

QString SpreadModel::rightPageNumber() const {
  const int64_t right = static_cast<int64_t>(top_ / entries_) * 2 + 2;
  return QString::number(right).left(6);
}
