#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <vector>

#include "query/summary/summary.h"

class DbTable;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class RadioGroup;

// The grid's rows: one per group, then empty rows down to the grid's foot.
class SummaryGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit SummaryGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  void setSummary(const Summary* summary, int minimumRows);
  void setKeyHeader(const QString& header);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const Summary* summary_ = nullptr;
  int rows_ = 0;
  QString keyHeader_;
};

// "Summary": records counted and totalled by the values of one field.
class SummaryDialog : public QDialog {
  Q_OBJECT

 public:
  // `records` is the record table; the summary reads a second, read-only
  // object on the same file.
  explicit SummaryDialog(const DbTable& records, QWidget* parent = nullptr);

  const Summary& summary() const { return summary_; }
  // The grid's header texts as printed.
  QStringList headers() const;
  QString title() const;

  QComboBox* fieldCombo;  // "Summary By:"
  RadioGroup* sortByGroup;
  QTableView* grid;
  SummaryGridModel* gridModel;
  QLabel *totalCountLabel, *totalAmountLabel;
  QPushButton *graphButton, *printButton, *closeButton;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void onFieldChosen(int index);
  void onSortByChanged();
  void onGraphClicked();
  void onPrintClicked();
  void compute();
  void showSummary();
  int rowsThatFit() const;

  QString databaseDir_, tableName_;
  std::vector<std::pair<int, QString>> choices_;
  int labelPosition_ = -1;
  Summary summary_;
};
