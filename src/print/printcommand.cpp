#include "print/printcommand.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/labels.h"
#include "core/prompt.h"
#include "print/labeldialog.h"
#include "print/radiogroup.h"
#include "print/reportdialog.h"
#include "print/reportjob.h"
#include "print/reportrun.h"
#include "print/reportsource.h"
#include "ui/qtprompter.h"

PrintChoiceDialog::PrintChoiceDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PrintChoiceDialog"));
  setWindowTitle(QStringLiteral("Print"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  reportType = new RadioGroup(QStringLiteral("Report Type"),
                              {QStringLiteral("Standard Report"), QStringLiteral("Labels")}, this);
  reportType->setObjectName(QStringLiteral("reportType"));
  reportType->setItemIndex(StandardReport);
  okButton = new QPushButton(QStringLiteral("OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setDefault(true);
  cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* box = new QVBoxLayout(this);
  box->addWidget(reportType);
  box->addLayout(buttons);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  // Centred on the screen, not over the view that asked.
  adjustSize();
  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

PrintChoiceDialog::Choice PrintChoiceDialog::choice() const {
  return static_cast<Choice>(reportType->itemIndex());
}

void runPrintCommand(DbTable& records, QWidget* parent) {
  PrintChoiceDialog choose(parent);
  if (shuttingDown() || choose.exec() != QDialog::Accepted) return;
  TableReportSource source(records, labels());
  if (choose.choice() == PrintChoiceDialog::Labels) {
    LabelDialog dialog(source, false, parent);
    if (!shuttingDown()) dialog.exec();
    return;
  }
  ReportDialog dialog(source, parent);
  if (!shuttingDown()) dialog.exec();
}

void runPrintRecordCommand(DbTable& records, QWidget* parent) {
  PrintChoiceDialog choose(parent);
  if (shuttingDown() || choose.exec() != QDialog::Accepted) return;
  TableReportSource source(records, labels());
  if (choose.choice() == PrintChoiceDialog::Labels) {
    LabelDialog dialog(source, true, parent);
    if (!shuttingDown()) dialog.exec();
    return;
  }
  ReportSettings settings;
  settings.paper.standard = QPageSize::Letter;
  printReport(settings, source, parent, false, ReportJob::Mode::Record);
}
