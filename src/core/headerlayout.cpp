#include "core/headerlayout.h"

#include <algorithm>
#include <cmath>

#include "core/valuestream.h"

QString headerFilePath() {
  return joinPath(appSettings().homeDir, QString::fromLatin1(kHeaderFileName));
}

int findLabel(const QStringList& labels, const QString& caption) {
  for (qsizetype i = 0; i < labels.size(); ++i)
    if (labels[i].compare(caption, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  return -1;
}

int HeaderLayout::width(int i) const {
  const int last = count() - 1;
  if (i != last) return section(i).width;
  int rest = clientWidth_;
  for (int k = 0; k < last; ++k) rest -= sections_[static_cast<size_t>(k)].width;
  return rest;
}

int HeaderLayout::rightEdge(int i) const {
  int e = 0;
  for (int k = 0; k <= i; ++k) e += width(k);
  return e;
}

int HeaderLayout::newSectionWidth(const QString& caption) const {
  return measure_ ? measure_(caption) + kCaptionPadding : kNoCanvasWidth;
}

void HeaderLayout::addSection(const QString& caption) {
  sections_.push_back({caption, newSectionWidth(caption), 0});
}

void HeaderLayout::removeSection(int i) {
  if (i < 0 || i >= count()) return;
  sections_.erase(sections_.begin() + i);
}

void HeaderLayout::moveSection(int from, int to) {
  if (from < 0 || from >= count() || to < 0 || to >= count() || from == to) return;
  HeaderSection s = sections_[static_cast<size_t>(from)];
  sections_.erase(sections_.begin() + from);
  s.width = newSectionWidth(s.caption);
  sections_.insert(sections_.begin() + to, s);
}

uint16_t HeaderLayout::columnPercent(int i) {
  if (i < 0 || i >= count()) return 0;
  if (i == 0 && section(0).percent() == 0) recomputePercents();
  return section(i).percent();
}

uint16_t HeaderLayout::columnField(int i) const {
  if (i < 0 || i >= count()) return 0;
  return section(i).field();
}

void HeaderLayout::recomputePercents() {
  if (makingRoom_) makeRoom();
  for (int i = 0; i < count(); ++i) {
    long p = 0;
    if (outerWidth_ > 0) p = std::lround(width(i) * 100.0 / outerWidth_);
    // A negative remainder wraps, as the word is unsigned.
    sections_[static_cast<size_t>(i)].setPercent(static_cast<uint16_t>(p));
  }
}

void HeaderLayout::makeRoom() {
  const int last = count() - 1;
  if (last < 1) return;
  if (width(last) >= kMinLeftWidth || width(last - 1) <= 0) return;
  if (width(last) < 0) sections_[static_cast<size_t>(last - 1)].width += width(last);
  int k = 1;
  while (k <= last && width(last - k) < kMinSplitWidth) ++k;
  // The halved width goes to the last column, which takes the remainder.
  if (k <= last) sections_[static_cast<size_t>(last - k)].width /= 2;
}

HitResult HeaderLayout::hitTest(int x) const {
  if (count() < 2) return {};
  int e = 0;
  for (int i = 0; i < count(); ++i) {
    e += width(i);
    if (e - kBorderSlop < x && x < e + kBorderSlop) return {HitResult::Resize, i};
    if (x < e) return {HitResult::Drag, i};
  }
  return {};
}

int HeaderLayout::dropTarget(int x) const {
  int e = 0;
  for (int i = 0; i < count(); ++i) {
    e += width(i);
    if (e >= x) return i;
  }
  return -1;
}

bool HeaderLayout::drop(int dragged, int x) {
  if (dragged < 0 || dragged >= count() || count() < 2) return false;
  const int target = dropTarget(x);
  if (target < 0 || target == dragged) return false;
  moveSection(dragged, target);
  recomputePercents();
  return true;
}

int HeaderLayout::resizeWidth(int s, int wanted) const {
  const int last = count() - 1;
  if (s < 0 || s >= last) return std::max(kMinLeftWidth, wanted);
  int room = clientWidth_ - kMinLeftWidth;
  for (int k = 0; k < last; ++k)
    if (k != s) room -= sections_[static_cast<size_t>(k)].width;
  return std::clamp(wanted, kMinLeftWidth, std::max(kMinLeftWidth, room));
}

void HeaderLayout::afterResize(int s) {
  if (s > 0 && s - 1 < count() && width(s - 1) < kMinLeftWidth) setWidth(s - 1, kMinLeftWidth);
  recomputePercents();
}

bool HeaderLayout::insertField(const QString& label, int labelPos) {
  if (count() > 0 && width(count() - 1) < 0) return false;
  addSection(label);
  setField(count() - 1, static_cast<uint16_t>(labelPos));
  makingRoom_ = true;
  recomputePercents();
  makingRoom_ = false;
  return true;
}

bool HeaderLayout::removeField(const QString& caption) {
  for (int i = 0; i < count(); ++i) {
    if (section(i).caption.compare(caption, Qt::CaseInsensitive) == 0) {
      removeSection(i);
      recomputePercents();
      return true;
    }
  }
  return false;
}

FieldMenu HeaderLayout::fieldMenu(const QStringList& labels, const FieldSet& memoFields,
                                  const FieldSet& blobFields, int firstUserField) const {
  FieldMenu menu;
  for (qsizetype p = 0; p < labels.size(); ++p) {
    const qsizetype fieldNo = p + firstUserField;
    const bool inSets = fieldNo >= 0 && fieldNo < static_cast<qsizetype>(memoFields.size()) &&
                        (memoFields.test(static_cast<size_t>(fieldNo)) ||
                         blobFields.test(static_cast<size_t>(fieldNo)));
    if (inSets) continue;
    bool shown = false;
    for (const auto& s : sections_)
      if (s.caption.compare(labels[p], Qt::CaseInsensitive) == 0) shown = true;
    (shown ? menu.remove : menu.insert).push_back({labels[p], static_cast<int>(p)});
  }
  menu.removeEnabled = count() > 1;
  return menu;
}

void HeaderLayout::refreshCaptions(const QStringList& labels) {
  for (auto& s : sections_)
    if (s.field() < labels.size()) s.caption = labels[s.field()];
}

void HeaderLayout::matchFields(const QStringList& labels) {
  for (auto& s : sections_) {
    const int p = findLabel(labels, s.caption);
    s.setField(p < 0 || p >= kNoField ? kNoField : static_cast<uint16_t>(p));
  }
}

QByteArray HeaderLayout::encode() const {
  valuestream::ValueWriter w;
  w.listStart();
  for (int i = 0; i < count(); ++i) {
    w.string(caption(i));
    w.integer(width(i));
  }
  w.listEnd();
  return w.data();
}

bool HeaderLayout::decode(const QByteArray& bytes, const QString& source) {
  clear();
  valuestream::ValueReader r(bytes, source);
  try {
    r.listStart();
    while (!r.atListEnd()) {
      if (count() >= kMaxSections) return false;
      addSection(r.string());
      const int32_t w = r.integer();
      if (w < -kMaxSectionWidth || w > kMaxSectionWidth) return false;
      sections_.back().width = w;
    }
    return true;
  } catch (const valuestream::StreamError&) {
    return false;
  }
}

bool HeaderLayout::loadFromFile(const QString& path, const QStringList& labels) {
  clear();
  bool whole = false;
  if (auto bytes = valuestream::readFileBounded(path)) whole = decode(*bytes, path);
  if (count() == 0) {
    addSection(labels.value(0));
    sections_.back().width = 50;
    addSection(labels.value(1));
    sections_.back().width = 100;
  }
  matchFields(labels);
  recomputePercents();
  return whole;
}

bool HeaderLayout::saveToFile(const QString& path) const {
  valuestream::writeFileOrThrow(path, encode());
  return true;
}
