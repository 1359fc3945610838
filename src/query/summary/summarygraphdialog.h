#pragma once

#include <QDialog>
#include <QStringList>

#include "query/summary/summarygraph.h"

class QCheckBox;
class QChart;
class QChartView;
class QLabel;
class QLineEdit;
class QPushButton;
class RadioGroup;

// "Summary Graph": the summary's amounts as bars, a pie or lines, a page of
// points at a time for the bars and lines.
class PieGraphDialog : public QDialog {
  Q_OBJECT

 public:
  PieGraphDialog(const QStringList& keys, const QStringList& amounts, const QString& title,
                 QWidget* parent = nullptr);

  const GraphPaging& paging() const { return paging_; }
  // The chart as it is drawn now.
  QChart* chart() const;

  QChartView* chartView;
  QLabel* noSlicesLabel;
  RadioGroup *graphTypeGroup, *xLabelsGroup;
  QCheckBox* threeDCheck;
  QLabel* itemsPerPageLabel;
  QLineEdit* itemsPerPageEdit;
  QPushButton *updateButton, *previousButton, *nextButton, *printButton, *closeButton;

 private:
  void rebuild();
  void buildBars(bool lines);
  void buildPie();
  void applyLook();
  void refreshPaging();
  void onUpdateClicked();
  void onPageClicked(int step);
  void onPrintClicked();

  QStringList keys_, amounts_;
  std::vector<PieSlice> slices_;
  GraphPaging paging_;
};
