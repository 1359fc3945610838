#include "sortchoice.h"

#include "labels.h"

TSortChoice::TSortChoice(const QStringList& labels, const TFieldSet& stringFields,
                         const TFieldSet& memoFields, const TFieldSet& blobFields,
                         int firstUserField)
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

TSortChoice TSortChoice::FromSettings() {
  const TAppSettings& s = AppSettings();
  return TSortChoice(Labels(), s.StringFields, s.MemoFields, s.BlobFields, s.FirstUserField);
}

int TSortChoice::PositionOf(int field) const {
  if (field < firstUserField_) return 0;
  const int k = field - firstUserField_;
  if (k >= labels_.size()) return 0;
  for (int i = 1; i < primary_.size(); ++i)
    if (primary_[i].compare(labels_[k], Qt::CaseInsensitive) == 0) return i;
  return 0;
}

int TSortChoice::FieldAt(int position) const {
  if (position <= 0 || position >= primary_.size()) return 0;
  for (int k = 0; k < labels_.size(); ++k)
    if (labels_[k].compare(primary_[position], Qt::CaseInsensitive) == 0) return k + firstUserField_;
  return 0;
}

bool TSortChoice::IsText(int position) const {
  const int field = FieldAt(position);
  return field > 0 && field < 256 && strings_.test(static_cast<size_t>(field));
}

void TSortChoice::Load(int firstField, bool firstDescending, int secondField,
                       bool secondDescending) {
  primaryPos_ = PositionOf(firstField);
  secondaryPos_ = PositionOf(secondField);
  primaryDesc_ = firstDescending;
  secondaryDesc_ = secondDescending;
  ApplyRules();
}

void TSortChoice::ApplyRules() {
  if (IsText(primaryPos_) && IsText(secondaryPos_)) {
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

void TSortChoice::SetPrimary(int position) {
  primaryPos_ = position < 0 || position >= primary_.size() ? 0 : position;
  ApplyRules();
}

void TSortChoice::SetSecondary(int position) {
  secondaryPos_ = position < 0 || position >= secondary_.size() ? 0 : position;
  ApplyRules();
}

void TSortChoice::SetPrimaryDescending(bool on) {
  primaryDesc_ = on;
  if (IsText(primaryPos_) && IsText(secondaryPos_)) secondaryDesc_ = on;
}

void TSortChoice::SetSecondaryDescending(bool on) {
  if (secondaryOrderEnabled_) secondaryDesc_ = on;
}
