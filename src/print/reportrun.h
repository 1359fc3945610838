#pragma once

#include <QDialog>
#include <functional>

#include "print/reportjob.h"

class QLabel;
class QPrinter;
class QPushButton;
class QTimer;

// The job window: shows which page is printing and lets the user cancel.
// It starts the job when it is shown; once the job returns, Cancel turns
// into OK, and a completed job closes the window by itself.
class ReportStatusDialog : public QDialog {
  Q_OBJECT

 public:
  ReportStatusDialog(ReportJob& job, PageRenderer& renderer, QWidget* parent = nullptr);
  // Any job that reports its status and asks whether to go on (label sheets).
  using JobRun = std::function<bool(PageRenderer&)>;
  ReportStatusDialog(JobRun run, std::function<void(const QString&)>& status,
                     std::function<bool()>& keepGoing, PageRenderer& renderer,
                     QWidget* parent = nullptr);

  bool completed() const { return completed_; }
  bool aborted() const { return aborted_; }
  // While the job runs, closing the window cancels it.
  void reject() override;

  QLabel* statusLabel;
  QPushButton* cancelButton;
  QTimer* closeTimer;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void run();
  void onCancelClicked();

  JobRun run_;
  PageRenderer& renderer_;
  bool started_ = false, running_ = false, completed_ = false, aborted_ = false;
};

// Where the printer is chosen; the default shows the print dialog (whose
// file output writes a PDF). Tests point the printer at a PDF file instead.
using PrinterChooser = std::function<bool(QPrinter& printer, QWidget* parent)>;
PrinterChooser& printerChooser();

// Prints (after the printer is chosen) or previews a report. Messages go
// through the prompter.
void printReport(const ReportSettings& settings, ReportSource& source, QWidget* parent,
                 bool preview, ReportJob::Mode mode = ReportJob::Mode::List);
