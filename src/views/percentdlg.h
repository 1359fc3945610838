#pragma once

#include <QDialog>
#include <memory>

#include "progress.h"

class TPercent;

// The progress window: one bar, always on top, no border icons.
class TPercentDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TPercentDlg(QWidget* parent = nullptr);

  TPercent* Percent1() const { return percent1_; }
  void centreOnScreen();

 private:
  TPercent* percent1_;
};

// The progress that the running program installs: shows a TPercentDlg with
// the hourglass while open and lets pending events run after each update.
class TWindowProgress : public TProgress {
 public:
  TWindowProgress() = default;
  ~TWindowProgress() override;
  TWindowProgress(const TWindowProgress&) = delete;
  TWindowProgress& operator=(const TWindowProgress&) = delete;

  // The open window, null while closed.
  TPercentDlg* window() const { return dlg_.get(); }

 protected:
  void showWindow(const QString& caption) override;
  void showPercent(int percent) override;
  void hideWindow() override;

 private:
  std::unique_ptr<TPercentDlg> dlg_;
  bool cursorSet_ = false;
};
