#include "query/sort/sortchoice.h"

#include "core/labels.h"

SortChoice::SortChoice(const QStringList& labels, const FieldSet& stringFields,
                       const FieldSet& memoFields, const FieldSet& blobFields, int firstUserField)
    : labels_(labels), strings_(stringFields), firstUserField_(firstUserField) {
  primary_ << QStringLiteral("Entry Order");
  secondary_ << QStringLiteral("NONE");
  for (int k = 0; k < labels.size(); ++k) {
    const int field = k + firstUserField;
    const bool excluded = field < 256 && (memoFields.test(static_cast<size_t>(field)) ||
                                          blobFields.test(static_cast<size_t>(field)));
    if (excluded) continue;
    primary_ << labels[k];
    secondary_ << labels[k];
  }
}

SortChoice SortChoice::fromSettings() {
  const AppSettings& s = appSettings();
  return SortChoice(labels(), s.stringFields, s.memoFields, s.blobFields, s.firstUserField);
}

int SortChoice::positionOf(int field) const {
  if (field < firstUserField_) return 0;
  const int k = field - firstUserField_;
  if (k >= labels_.size()) return 0;
  for (int i = 1; i < primary_.size(); ++i)
    if (primary_[i].compare(labels_[k], Qt::CaseInsensitive) == 0) return i;
  return 0;
}

int SortChoice::fieldAt(int position) const {
  if (position <= 0 || position >= primary_.size()) return 0;
  for (int k = 0; k < labels_.size(); ++k)
    if (labels_[k].compare(primary_[position], Qt::CaseInsensitive) == 0)
      return k + firstUserField_;
  return 0;
}

bool SortChoice::isText(int position) const {
  const int field = fieldAt(position);
  return field > 0 && field < 256 && strings_.test(static_cast<size_t>(field));
}

void SortChoice::load(int firstField, bool firstDescending, int secondField,
                      bool secondDescending) {
  primaryPos_ = positionOf(firstField);
  secondaryPos_ = positionOf(secondField);
  primaryDesc_ = firstDescending;
  secondaryDesc_ = secondDescending;
  applyRules();
}

void SortChoice::applyRules() {
  if (isText(primaryPos_) && isText(secondaryPos_)) {
    secondaryOrderEnabled_ = false;
    secondaryDesc_ = primaryDesc_;
  } else {
    secondaryOrderEnabled_ = true;
  }
  if (secondaryPos_ == primaryPos_ || primaryPos_ == 0) secondaryPos_ = 0;
  if (secondaryPos_ == 0) {
    secondaryOrderEnabled_ = false;
    secondaryDesc_ = false;
  }
}

void SortChoice::setPrimary(int position) {
  primaryPos_ = position < 0 || position >= primary_.size() ? 0 : position;
  applyRules();
}

void SortChoice::setSecondary(int position) {
  secondaryPos_ = position < 0 || position >= secondary_.size() ? 0 : position;
  applyRules();
}

void SortChoice::setPrimaryDescending(bool on) {
  primaryDesc_ = on;
  if (isText(primaryPos_) && isText(secondaryPos_)) secondaryDesc_ = on;
}

void SortChoice::setSecondaryDescending(bool on) {
  if (secondaryOrderEnabled_) secondaryDesc_ = on;
}
