#pragma once

#include <QStringList>
#include <vector>

#include "print/reportsource.h"

// Records held in memory: one text per field, kinds per field.
class MemorySource : public ReportSource {
 public:
  QStringList names;
  std::vector<FieldKind> kinds;
  std::vector<int> sizes;
  std::vector<QStringList> rows;
  size_t at = 0;
  QByteArray pictureBytes;  // every picture field's content

  QStringList captions() const override { return names; }
  FieldKind kind(int k) const override { return kinds.at(size_t(k)); }
  int textSize(int k) const override { return sizes.at(size_t(k)); }
  bool exists(int k) const override { return k >= 0 && k < names.size(); }
  void first() override { at = 0; }
  void next() override { ++at; }
  bool atEnd() const override { return at >= rows.size(); }
  QString text(int k) const override { return rows[at].value(k); }
  double number(int k) const override { return rows[at].value(k).toDouble(); }
  QString memo(int k) const override { return rows[at].value(k); }
  QByteArray picture(int) const override { return pictureBytes; }
};

// Title, author, value, notes.
inline MemorySource books(int count, const QString& longNote = {}) {
  MemorySource s;
  s.names = {"Book Title", "Author", "Value", "Notes"};
  s.kinds = {FieldKind::Text, FieldKind::Text, FieldKind::Numeric, FieldKind::Memo};
  s.sizes = {50, 40, 12, 10};
  for (int i = 1; i <= count; ++i)
    s.rows.push_back({QStringLiteral("Book number %1 of a long series of books").arg(i),
                      QStringLiteral("Author %1").arg(i), QStringLiteral("1234.5"),
                      i == 2 && !longNote.isEmpty() ? longNote : QStringLiteral("note %1").arg(i)});
  return s;
}
