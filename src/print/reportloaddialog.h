#pragma once

#include <memory>

#include "print/dialogframe.h"
#include "print/reportdef.h"

// "Load Report Template": picks a template of report.dat for the current
// definition, or deletes templates (written only on OK).
class ReportLoadDialog : public TemplateLoadDialog {
  Q_OBJECT

 public:
  explicit ReportLoadDialog(QWidget* parent = nullptr);

  // Reads report.dat; on failure shows its message and gives nothing, and
  // the dialog must not open.
  static std::unique_ptr<ReportLoadDialog> create(QWidget* parent);

  void accept() override;

 private:
  void removeTemplate(int row) override { list_.remove(row); }

  ReportList list_;
};
