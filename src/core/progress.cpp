#include "core/progress.h"

qint64 roundHalfEvenDiv(qint64 num, qint64 den) {
  if (den <= 0) return 0;
  const bool negative = num < 0;
  const qint64 n = negative ? -num : num;
  qint64 q = n / den;
  const qint64 twice = (n % den) * 2;
  if (twice > den || (twice == den && (q % 2) != 0)) ++q;
  return negative ? -q : q;
}

int progressPercent(qint64 position, qint64 total) {
  if (total == 0) return 100;
  if (total < 0) total = -total;
  return static_cast<int>(roundHalfEvenDiv(position * 100, total));
}

void ProgressCounter::reset() {
  position_ = -1;
  total_ = 0;
  percent_ = -1;
}

bool ProgressCounter::setPosition(qint64 position, qint64 total) {
  const int percent = progressPercent(position, total);
  total_ = total;
  if (position == position_ && percent == percent_) return false;
  position_ = position;
  percent_ = percent;
  return true;
}

bool ProgressCounter::step() { return setPosition(position_ < 0 ? 1 : position_ + 1, total_); }

void Progress::open(const QString& caption) {
  counter_.reset();
  open_ = true;
  showWindow(caption);
}

void Progress::setPosition(qint64 position, qint64 total) {
  if (counter_.setPosition(position, total) && open_) showPercent(counter_.percent());
}

void Progress::step() {
  if (counter_.step() && open_) showPercent(counter_.percent());
}

void Progress::close() {
  if (!open_) return;
  open_ = false;
  hideWindow();
}

namespace {
Progress* g_current = nullptr;
}

Progress& progress() {
  static Progress silent;
  return g_current ? *g_current : silent;
}

void setProgress(Progress* progress) { g_current = progress; }
