#include "query/summary/summarygraph.h"

#include <QLocale>
#include <algorithm>

double graphAmount(const QString& text) {
  bool ok = false;
  const double v = QLocale::c().toDouble(text.trimmed(), &ok);
  return ok ? v : 0;
}

std::vector<PieSlice> pieSlices(const QStringList& keys, const QStringList& amounts) {
  double grand = 0;
  for (const QString& a : amounts) grand += graphAmount(a);
  std::vector<PieSlice> out;
  if (grand <= 0) return out;
  double rest = 0;
  for (qsizetype i = 0; i < amounts.size(); ++i) {
    const double v = graphAmount(amounts[i]);
    if (v / grand <= 0.02)
      rest += v;
    else
      out.push_back({i < keys.size() ? keys[i] : QString(), v});
  }
  if (rest > 0) out.push_back({kOtherSlice, rest});
  return out;
}

int& rememberedItemsPerPage() {
  static int perPage = 10;
  return perPage;
}

int itemsPerPageFrom(const QString& text) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  // Digits only reach the box: a number too long for an int is plenty.
  if (!ok) return text.trimmed().isEmpty() ? 1 : 1000000;
  return std::max(1, v);
}

void GraphPaging::reset(int items, int perPage) {
  items_ = std::max(0, items);
  perPage_ = std::max(1, perPage);
  page_ = 1;
}

int GraphPaging::pageCount() const { return std::max(1, (items_ + perPage_ - 1) / perPage_); }

void GraphPaging::setPage(int page) { page_ = std::clamp(page, 1, pageCount()); }

int GraphPaging::count() const { return std::clamp(items_ - first(), 0, perPage_); }
