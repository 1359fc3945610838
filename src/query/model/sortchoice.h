#pragma once

#include <QStringList>

#include "settings.h"

// The choices of the sort dialog as list positions and order flags, with the
// rules that keep them consistent. Position 0 is "Entry Order" in the primary
// list and "NONE" in the secondary; position k names the same field in both.
class TSortChoice {
 public:
  // Items from the labels, leaving out memo and picture fields.
  explicit TSortChoice(const QStringList& labels, const TFieldSet& stringFields,
                       const TFieldSet& memoFields, const TFieldSet& blobFields,
                       int firstUserField);
  // From the program's labels and field sets.
  static TSortChoice FromSettings();

  const QStringList& PrimaryItems() const { return primary_; }
  const QStringList& SecondaryItems() const { return secondary_; }

  // Field number <-> list position.
  int PositionOf(int field) const;
  int FieldAt(int position) const;

  // Starts from a sort state and applies the rules.
  void Load(int firstField, bool firstDescending, int secondField, bool secondDescending);

  int Primary() const { return primaryPos_; }
  int Secondary() const { return secondaryPos_; }
  bool PrimaryDescending() const { return primaryDesc_; }
  bool SecondaryDescending() const { return secondaryDesc_; }
  bool SecondaryOrderEnabled() const { return secondaryOrderEnabled_; }

  void SetPrimary(int position);
  void SetSecondary(int position);
  void SetPrimaryDescending(bool on);
  void SetSecondaryDescending(bool on);

 private:
  bool IsText(int position) const;
  void ApplyRules();

  QStringList labels_;
  QStringList primary_;
  QStringList secondary_;
  TFieldSet strings_;
  int firstUserField_;
  int primaryPos_ = 0;
  int secondaryPos_ = 0;
  bool primaryDesc_ = false;
  bool secondaryDesc_ = false;
  bool secondaryOrderEnabled_ = false;
};
