#include "aboutbox.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "settings.h"

QPixmap ProgramPixmap() {
  static QPixmap pixmap = [] {
    QPixmap p(70, 70);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    // An open book: two pages on a dark blue cover.
    g.setBrush(QColor(0, 0, 128));
    g.setPen(Qt::NoPen);
    g.drawRoundedRect(QRectF(3, 12, 64, 48), 4, 4);
    g.setBrush(QColor(255, 255, 240));
    g.setPen(QPen(QColor(128, 128, 128), 1));
    QPainterPath left, right;
    left.moveTo(35, 18);
    left.cubicTo(26, 13, 14, 13, 7, 16);
    left.lineTo(7, 55);
    left.cubicTo(14, 52, 26, 52, 35, 57);
    left.closeSubpath();
    right.moveTo(35, 18);
    right.cubicTo(44, 13, 56, 13, 63, 16);
    right.lineTo(63, 55);
    right.cubicTo(56, 52, 44, 52, 35, 57);
    right.closeSubpath();
    g.drawPath(left);
    g.drawPath(right);
    g.setPen(QPen(QColor(128, 128, 128), 1));
    for (int y = 24; y <= 46; y += 6) {
      g.drawLine(12, y, 30, y + 1);
      g.drawLine(40, y + 1, 58, y);
    }
    g.setPen(QPen(QColor(255, 0, 0), 2));
    g.drawLine(50, 14, 50, 30);
    return p;
  }();
  return pixmap;
}

TAboutBox::TAboutBox(QWidget* parent, bool animate) : QDialog(parent), animate_(animate) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  picture_ = ProgramPixmap();
  const TAppSettings& s = AppSettings();

  ProgramIcon = new QLabel(this);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setFixedSize(70, 70);
  ProgramIcon->setAlignment(Qt::AlignCenter);
  ProgramIcon->setPixmap(picture_);
  ProductName = new QLabel(s.AppTitle, this);
  ProductName->setObjectName(QStringLiteral("ProductName"));
  QFont big = ProductName->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  ProductName->setFont(big);
  Version = new QLabel(s.VersionText, this);
  Version->setObjectName(QStringLiteral("Version"));
  MakerLine = new QLabel(QStringLiteral("Made by Orvanta Software"), this);
  MakerLine->setObjectName(QStringLiteral("MakerLine"));
  WebAddress = new QLabel(s.HomePageUrl, this);
  WebAddress->setObjectName(QStringLiteral("WebAddress"));
  OKButton = new QPushButton(QStringLiteral("&OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(20);

  auto* texts = new QVBoxLayout;
  texts->addWidget(ProductName);
  texts->addWidget(Version);
  texts->addSpacing(8);
  texts->addWidget(MakerLine);
  texts->addWidget(WebAddress);
  auto* top = new QHBoxLayout;
  top->addWidget(ProgramIcon, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addWidget(OKButton, 0, Qt::AlignHCenter);
  all->setSizeConstraint(QLayout::SetFixedSize);

  connect(Timer1, &QTimer::timeout, this, &TAboutBox::Timer1Timer);
  connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!animate_) return;
  // The icon grows from one pixel to its own size.
  ProgramIcon->setPixmap(picture_.scaled(1, 1));
  Timer1->start();
}

void TAboutBox::Timer1Timer() {
  const QSize now = ProgramIcon->pixmap().size();
  const int w = std::min(now.width() + 1, picture_.width());
  const int h = std::min(now.height() + 1, picture_.height());
  ProgramIcon->setPixmap(picture_.scaled(w, h));
  repaint();
  QApplication::processEvents();
  if (w >= picture_.width() && h >= picture_.height()) Timer1->stop();
}

void TAboutBox::OKButtonClick() { accept(); }
