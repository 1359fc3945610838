#pragma once

#include <QDialog>
#include <memory>

#include "print/reportdef.h"

class QLabel;
class QListWidget;
class QPushButton;

// "Load Report Template": picks a template of report.dat for the current
// definition, or deletes templates (written only on OK).
class ReportLoadDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 56;
  explicit ReportLoadDialog(QWidget* parent = nullptr);

  // Reads report.dat; on failure shows its message and gives nothing, and
  // the dialog must not open.
  static std::unique_ptr<ReportLoadDialog> create(QWidget* parent);

  QLabel* listLabel;
  QListWidget* templateList;
  QPushButton* okButton;
  QPushButton* cancelButton;
  QPushButton* deleteButton;
  QPushButton* helpButton;

  void accept() override;

 private:
  void onDeleteClicked();

  ReportList list_;
  bool deleted_ = false;
};
