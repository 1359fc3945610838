#pragma once

#include <QStringList>
#include <vector>

// The two lists of the options dialog: every field that can be exchanged,
// and those included, in file order. Positions are list rows, -1 for none.
class FieldChoice {
 public:
  // The labels of the user fields but the pictures, with their table field numbers.
  static FieldChoice fromLabels();
  FieldChoice(QStringList labels, std::vector<int> fields);

  const QStringList& all() const { return all_; }
  const QStringList& included() const { return included_; }
  int allRow() const { return allRow_; }
  int includedRow() const { return includedRow_; }
  void setAllRow(int row) { allRow_ = row; }
  void setIncludedRow(int row) { includedRow_ = row; }

  void include();  // the selected field of all(), when not yet included
  void includeAll();
  void exclude();
  void excludeAll();
  void moveUp();
  void moveDown();

  bool canInclude() const { return !all_.isEmpty(); }
  bool canExclude() const { return !included_.isEmpty(); }

  // Table field numbers of the included fields, in order.
  std::vector<int> fieldNumbers() const;

 private:
  QStringList all_, included_;
  std::vector<int> fields_;
  int allRow_ = 0, includedRow_ = -1;
};
