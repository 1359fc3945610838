#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;
class QTimer;

// The about window: the program's name, version and maker. Also shown
// without its button as the start-up splash.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr, bool animate = true);

  QPushButton* okButton;  // hidden on the splash

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void onGrowTimeout();
  void onOkClicked();

 private:
  QLabel* iconLabel_;
  QLabel* productLabel_;
  QLabel* versionLabel_;
  QLabel* makerLabel_;
  QLabel* webLabel_;
  QTimer* growTimer_;
  QPixmap picture_;
  bool animate_;
};

// The program's icon, drawn once.
QPixmap programPixmap();
