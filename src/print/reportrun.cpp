#include "print/reportrun.h"

#include <QApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/prompt.h"

ReportStatusDialog::ReportStatusDialog(ReportJob& job, PageRenderer& renderer, QWidget* parent)
    : ReportStatusDialog([&job](PageRenderer& r) { return job.run(r); }, job.status, job.keepGoing,
                         renderer, parent) {}

ReportStatusDialog::ReportStatusDialog(JobRun run, std::function<void(const QString&)>& status,
                                       std::function<bool()>& keepGoing, PageRenderer& renderer,
                                       QWidget* parent)
    : QDialog(parent), run_(std::move(run)), renderer_(renderer) {
  setObjectName(QStringLiteral("ReportStatusDialog"));
  setWindowTitle(QStringLiteral("Report Status Screen"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  statusLabel = new QLabel(QStringLiteral("Printing Status"), this);
  statusLabel->setObjectName(QStringLiteral("statusLabel"));
  QFont bold(QStringLiteral("Arial"));
  bold.setBold(true);
  statusLabel->setFont(bold);
  statusLabel->setAlignment(Qt::AlignCenter);
  statusLabel->setMinimumSize(260, 60);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  closeTimer = new QTimer(this);
  closeTimer->setObjectName(QStringLiteral("closeTimer"));
  closeTimer->setInterval(500);
  closeTimer->setSingleShot(true);
  auto* box = new QVBoxLayout(this);
  box->addWidget(statusLabel);
  box->addWidget(cancelButton, 0, Qt::AlignCenter);
  connect(cancelButton, &QPushButton::clicked, this, &ReportStatusDialog::onCancelClicked);
  connect(closeTimer, &QTimer::timeout, this, &QDialog::accept);
  status = [this](const QString& text) {
    statusLabel->setText(QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
  };
  keepGoing = [this] {
    QApplication::processEvents();
    return !aborted_ && !shuttingDown();
  };
}

void ReportStatusDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    QTimer::singleShot(0, this, &ReportStatusDialog::run);
  }
}

void ReportStatusDialog::run() {
  running_ = true;
  completed_ = run_(renderer_) && !aborted_;
  running_ = false;
  renderer_.end();
  statusLabel->setText(completed_ ? QStringLiteral("\nReport Completed!")
                                  : QStringLiteral("\nReport Canceled!"));
  cancelButton->setText(QStringLiteral("&OK"));
  if (completed_) closeTimer->start();
}

void ReportStatusDialog::onCancelClicked() {
  if (running_) {
    aborted_ = true;
    return;
  }
  if (started_)
    accept();
  else
    reject();
}

void ReportStatusDialog::reject() {
  if (running_)
    aborted_ = true;
  else
    QDialog::reject();
}

PrinterChooser& printerChooser() {
  static PrinterChooser chooser = [](QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
  };
  return chooser;
}

namespace {

// The paper as the printer's own setting, so its dialog starts on it.
void preparePrinter(QPrinter& printer, const PaperSetup& paper) {
  printer.setFullPage(true);
  PageRenderer layout(printer, paper);  // sets the page layout only
}

}  // namespace

void printReport(const ReportSettings& settings, ReportSource& source, QWidget* parent,
                 bool preview, ReportJob::Mode mode) {
  QPrinter printer(QPrinter::HighResolution);
  preparePrinter(printer, settings.paper);
  if (preview) {
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Report Preview Window"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
      PageRenderer r(*target, settings.paper);
      if (!r.begin()) return;
      ReportJob job(source, settings, mode);
      job.keepGoing = [] { return !shuttingDown(); };
      job.run(r);
    });
    dialog.resize(900, 700);
    if (!shuttingDown()) dialog.exec();
    if (!source.error().isEmpty()) showMessage(MsgKind::Error, source.error());
    return;
  }
  if (!printerChooser()(printer, parent)) return;
  PageRenderer renderer(printer, settings.paper);
  if (!renderer.begin()) {
    showMessage(MsgKind::Error,
                QStringLiteral("Unable to print on %1")
                    .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                            : printer.outputFileName()));
    return;
  }
  ReportJob job(source, settings, mode);
  ReportStatusDialog status(job, renderer, parent);
  status.exec();
  if (!source.error().isEmpty()) showMessage(MsgKind::Error, source.error());
}
