#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class DbTable;

// What a report reads of the records: the kind of each labelled field and
// the current record's values, moving through the table's current order and
// range. Positions are those of the field labels (user field k).

enum class FieldKind { Text, Numeric, Memo, Picture, Other };

class ReportSource {
 public:
  virtual ~ReportSource() = default;
  virtual QStringList captions() const = 0;
  // Outside the table's fields: Other.
  virtual FieldKind kind(int k) const = 0;
  virtual int textSize(int k) const = 0;  // characters of a text field
  virtual bool exists(int k) const = 0;

  virtual void first() = 0;
  virtual void next() = 0;
  virtual bool atEnd() const = 0;

  virtual QString text(int k) const = 0;  // display text
  virtual double number(int k) const = 0;
  virtual QString memo(int k) const = 0;  // empty when it cannot be read
  virtual QByteArray picture(int k) const = 0;
  // What stopped reading the records early; empty when nothing did.
  virtual QString error() const { return {}; }
};

// The record table through the engine. Engine errors end the table's part:
// atEnd() turns true and error() holds the engine's message.
class TableReportSource : public ReportSource {
 public:
  TableReportSource(DbTable& table, QStringList captions);

  QStringList captions() const override { return captions_; }
  FieldKind kind(int k) const override;
  int textSize(int k) const override;
  bool exists(int k) const override;
  void first() override;
  void next() override;
  bool atEnd() const override;
  QString text(int k) const override;
  double number(int k) const override;
  QString memo(int k) const override;
  QByteArray picture(int k) const override;
  QString error() const override { return error_; }

 private:
  int field(int k) const;
  template <class F>
  auto guarded(F&& f, decltype(f()) fallback) const -> decltype(f());

  DbTable& table_;
  QStringList captions_;
  mutable QString error_;
  mutable bool failed_ = false;
};

// Numbers as reports print them: thousands separators, two decimals.
QString reportNumberText(double value);
