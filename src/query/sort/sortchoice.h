#pragma once

#include <QStringList>

#include "core/settings.h"

// The choices of the sort dialog as list positions and order flags, with the
// rules that keep them consistent. Position 0 is "Entry Order" in the primary
// list and "NONE" in the secondary; position k names the same field in both.
class SortChoice {
 public:
  // Items from the labels, leaving out memo and picture fields.
  explicit SortChoice(const QStringList& labels, const FieldSet& stringFields,
                      const FieldSet& memoFields, const FieldSet& blobFields, int firstUserField);
  // From the program's labels and field sets.
  static SortChoice fromSettings();

  const QStringList& primaryItems() const { return primary_; }
  const QStringList& secondaryItems() const { return secondary_; }

  // Field number <-> list position.
  int positionOf(int field) const;
  int fieldAt(int position) const;

  // Starts from a sort state and applies the rules.
  void load(int firstField, bool firstDescending, int secondField, bool secondDescending);

  int primary() const { return primaryPos_; }
  int secondary() const { return secondaryPos_; }
  bool primaryDescending() const { return primaryDesc_; }
  bool secondaryDescending() const { return secondaryDesc_; }
  bool secondaryOrderEnabled() const { return secondaryOrderEnabled_; }

  void setPrimary(int position);
  void setSecondary(int position);
  void setPrimaryDescending(bool on);
  void setSecondaryDescending(bool on);

 private:
  bool isText(int position) const;
  void applyRules();

  QStringList labels_;
  QStringList primary_;
  QStringList secondary_;
  FieldSet strings_;
  int firstUserField_;
  int primaryPos_ = 0;
  int secondaryPos_ = 0;
  bool primaryDesc_ = false;
  bool secondaryDesc_ = false;
  bool secondaryOrderEnabled_ = false;
};
