#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;
class QTimer;

// The about box, also shown without its button as the start-up splash.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr, bool animate = true);

  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* MakerLine;
  QLabel* WebAddress;
  QPushButton* OKButton;
  QTimer* Timer1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Timer1Timer();
  void OKButtonClick();

  QPixmap picture_;
  bool animate_;
};

// The program's icon, drawn once.
QPixmap ProgramPixmap();
