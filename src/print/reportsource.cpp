#include "print/reportsource.h"

#include <QLocale>

#include "core/settings.h"
#include "dbase/error.h"
#include "dbase/table.h"
#include "store/dbtable.h"
#include "store/recordtext.h"

TableReportSource::TableReportSource(DbTable& table, QStringList captions)
    : table_(table), captions_(std::move(captions)) {}

int TableReportSource::field(int k) const { return appSettings().firstUserField + k; }

bool TableReportSource::exists(int k) const {
  return k >= 0 && k < captions_.size() && field(k) < static_cast<int>(table_.fieldDefs().size());
}

FieldKind TableReportSource::kind(int k) const {
  if (!exists(k)) return FieldKind::Other;
  switch (table_.fieldDefs()[static_cast<size_t>(field(k))].type) {
    case dbase::FieldType::Numeric:
    case dbase::FieldType::Float:
      return FieldKind::Numeric;
    case dbase::FieldType::Memo:
      return FieldKind::Memo;
    case dbase::FieldType::Binary:
      return FieldKind::Picture;
    case dbase::FieldType::Character:
      return FieldKind::Text;
    default:
      return FieldKind::Other;
  }
}

int TableReportSource::textSize(int k) const {
  return exists(k) ? table_.fieldDefs()[static_cast<size_t>(field(k))].length : 0;
}

template <class F>
auto TableReportSource::guarded(F&& f, decltype(f()) fallback) const -> decltype(f()) {
  if (failed_) return fallback;
  try {
    return f();
  } catch (const dbase::Error& e) {
    failed_ = true;
    error_ = QString::fromStdString(e.what());
    return fallback;
  }
}

void TableReportSource::first() {
  guarded([&] { return table_.engine().first(), 0; }, 0);
}

void TableReportSource::next() {
  guarded([&] { return table_.engine().next(), 0; }, 0);
}

bool TableReportSource::atEnd() const { return failed_ || table_.engine().eof(); }

QString TableReportSource::text(int k) const {
  if (!exists(k)) return {};
  return guarded([&] { return fieldDisplayText(table_.engine(), field(k)); }, QString());
}

double TableReportSource::number(int k) const {
  if (!exists(k)) return 0;
  return guarded([&] { return table_.engine().asNumber(field(k)); }, 0.0);
}

QString TableReportSource::memo(int k) const {
  if (!exists(k)) return {};
  // A memo that cannot be read prints empty; the rest of the report goes on.
  try {
    return fromTableText(table_.engine().asString(field(k)));
  } catch (const dbase::Error&) {
    return {};
  }
}

QByteArray TableReportSource::picture(int k) const {
  if (!exists(k)) return {};
  try {
    const std::string bytes = table_.engine().readBlob(field(k));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
  } catch (const dbase::Error&) {
    return {};
  }
}

QString reportNumberText(double value) {
  static const QLocale locale = [] {
    QLocale l;
    l.setNumberOptions(QLocale::DefaultNumberOptions);
    return l;
  }();
  return locale.toString(value, 'f', 2);
}
