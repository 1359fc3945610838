#include "ui/aboutbox.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/settings.h"

QPixmap programPixmap() {
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

AboutBox::AboutBox(QWidget* parent, bool animate) : QDialog(parent), animate_(animate) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  picture_ = programPixmap();
  const AppSettings& s = appSettings();

  programIcon = new QLabel(this);
  programIcon->setObjectName(QStringLiteral("programIcon"));
  programIcon->setFixedSize(70, 70);
  programIcon->setAlignment(Qt::AlignCenter);
  programIcon->setPixmap(picture_);
  productName = new QLabel(s.appTitle, this);
  productName->setObjectName(QStringLiteral("productName"));
  QFont big = productName->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  productName->setFont(big);
  version = new QLabel(s.versionText, this);
  version->setObjectName(QStringLiteral("version"));
  makerLine = new QLabel(QStringLiteral("Made by Orvanta Software"), this);
  makerLine->setObjectName(QStringLiteral("makerLine"));
  webAddress = new QLabel(s.homePageUrl, this);
  webAddress->setObjectName(QStringLiteral("webAddress"));
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setDefault(true);
  timer1 = new QTimer(this);
  timer1->setObjectName(QStringLiteral("timer1"));
  timer1->setInterval(20);

  auto* texts = new QVBoxLayout;
  texts->addWidget(productName);
  texts->addWidget(version);
  texts->addSpacing(8);
  texts->addWidget(makerLine);
  texts->addWidget(webAddress);
  auto* top = new QHBoxLayout;
  top->addWidget(programIcon, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addWidget(okButton, 0, Qt::AlignHCenter);
  all->setSizeConstraint(QLayout::SetFixedSize);

  connect(timer1, &QTimer::timeout, this, &AboutBox::timer1Timer);
  connect(okButton, &QPushButton::clicked, this, &AboutBox::okButtonClick);
}

void AboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!animate_) return;
  // The icon grows from one pixel to its own size.
  programIcon->setPixmap(picture_.scaled(1, 1));
  timer1->start();
}

void AboutBox::timer1Timer() {
  const QSize now = programIcon->pixmap().size();
  const int w = std::min(now.width() + 1, picture_.width());
  const int h = std::min(now.height() + 1, picture_.height());
  programIcon->setPixmap(picture_.scaled(w, h));
  repaint();
  QApplication::processEvents();
  if (w >= picture_.width() && h >= picture_.height()) timer1->stop();
}

void AboutBox::okButtonClick() { accept(); }
