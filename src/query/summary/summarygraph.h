#pragma once

// What the summary graph draws, without widgets: the pie's slices with the
// small shares gathered into "OTHER", and the paging of the bars and lines.

#include <QString>
#include <QStringList>
#include <vector>

// An amount text as a number; text that does not read counts as 0.
double graphAmount(const QString& text);

struct PieSlice {
  QString label;
  double value = 0;
};

// Groups whose share of the grand total is 2 % or less go into one last
// slice "OTHER" (when that remainder is above 0). With a grand total of 0
// or below shares mean nothing: no slices at all.
std::vector<PieSlice> pieSlices(const QStringList& keys, const QStringList& amounts);

inline const QString kOtherSlice = QStringLiteral("OTHER");
inline const QString kNoSlicesText =
    QStringLiteral("The amounts add up to 0.00 or less: the pie has no slices.");

// "Items Per Page:" for the whole run, 10 at first.
int& rememberedItemsPerPage();
// The update button's reading of the box: empty or below 1 gives 1.
int itemsPerPageFrom(const QString& text);

// Pages of points for the bars and the lines.
class GraphPaging {
 public:
  void reset(int items, int perPage);
  int pageCount() const;
  int page() const { return page_; }  // from 1
  void setPage(int page);
  // The points of the current page: [first, first + count).
  int first() const { return (page_ - 1) * perPage_; }
  int count() const;
  bool previousEnabled() const { return page_ > 1; }
  bool nextEnabled() const { return page_ < pageCount(); }
  bool buttonsVisible() const { return pageCount() > 1; }

 private:
  int items_ = 0;
  int perPage_ = 10;
  int page_ = 1;
};
