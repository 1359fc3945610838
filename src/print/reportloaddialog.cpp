#include "print/reportloaddialog.h"

#include "core/prompt.h"

ReportLoadDialog::ReportLoadDialog(QWidget* parent)
    : TemplateLoadDialog(QStringLiteral("Report"), parent) {}

std::unique_ptr<ReportLoadDialog> ReportLoadDialog::create(QWidget* parent) {
  auto dialog = std::make_unique<ReportLoadDialog>(parent);
  QString error;
  if (!dialog->list_.load(reportReadPath(), &error)) {
    showMessage(MsgKind::Error, error);
    return nullptr;
  }
  QStringList names;
  for (int i = 0; i < dialog->list_.count(); ++i) names << dialog->list_.at(i).name;
  dialog->showNames(names);
  return dialog;
}

// The file is written only when templates were deleted, so one that was
// only read keeps its bytes.
void ReportLoadDialog::accept() {
  QString error;
  if (deleted() && !list_.save(reportFilePath(), &error)) showMessage(MsgKind::Error, error);
  if (const int row = selectedRow(); row >= 0) currentReport() = list_.at(row);
  QDialog::accept();
}
