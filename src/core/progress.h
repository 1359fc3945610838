#pragma once

#include <QString>
#include <QtGlobal>

// num / den rounded to the nearest whole number, halves to the even one.
// den must be positive; a negative num rounds the same way towards the even.
qint64 roundHalfEvenDiv(qint64 num, qint64 den);

// position / total × 100 rounded halves to even; 100 when total is 0.
int progressPercent(qint64 position, qint64 total);

// Position and percent of one long operation; tells when the shown bar is stale.
class ProgressCounter {
 public:
  void reset();
  // Both return true when the position or the percent changed.
  bool setPosition(qint64 position, qint64 total);
  bool step();

  qint64 position() const { return position_; }
  qint64 total() const { return total_; }
  int percent() const { return percent_; }

 private:
  qint64 position_ = -1;  // -1: nothing shown yet
  qint64 total_ = 0;
  int percent_ = -1;
};

// Progress of a long pass over the records. Model code reports through
// Progress(); the program installs one that shows the progress window, and
// until then (and in model tests) the default one shows nothing.
class Progress {
 public:
  virtual ~Progress() = default;

  // One window at a time: opening again only changes the caption and restarts.
  void open(const QString& caption);
  void setPosition(qint64 position, qint64 total);
  void step();
  void close();

  bool isOpen() const { return open_; }
  int percent() const { return counter_.percent(); }
  qint64 position() const { return counter_.position(); }

 protected:
  virtual void showWindow(const QString& caption) { Q_UNUSED(caption); }
  virtual void showPercent(int percent) { Q_UNUSED(percent); }
  virtual void hideWindow() {}

 private:
  ProgressCounter counter_;
  bool open_ = false;
};

// The progress in use; not owned. Installing nullptr restores the silent one.
Progress& progress();
void setProgress(Progress* progress);
