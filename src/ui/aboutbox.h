#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;
class QTimer;

// The about box, also shown without its button as the start-up splash.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr, bool animate = true);

  QLabel* programIcon;
  QLabel* productName;
  QLabel* version;
  QLabel* makerLine;
  QLabel* webAddress;
  QPushButton* okButton;
  QTimer* timer1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void timer1Timer();
  void okButtonClick();

  QPixmap picture_;
  bool animate_;
};

// The program's icon, drawn once.
QPixmap programPixmap();
