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
#include "ui/qtprompter.h"

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
  keepAboveStayOnTopWindows(this);
  picture_ = programPixmap();
  const AppSettings& s = appSettings();

  iconLabel_ = new QLabel(this);
  iconLabel_->setObjectName(QStringLiteral("iconLabel"));
  iconLabel_->setFixedSize(70, 70);
  iconLabel_->setAlignment(Qt::AlignCenter);
  iconLabel_->setPixmap(picture_);
  productLabel_ = new QLabel(s.appTitle, this);
  productLabel_->setObjectName(QStringLiteral("productLabel"));
  QFont big = productLabel_->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  productLabel_->setFont(big);
  versionLabel_ = new QLabel(s.versionText, this);
  versionLabel_->setObjectName(QStringLiteral("versionLabel"));
  makerLabel_ = new QLabel(QStringLiteral("Made by Orvanta Software"), this);
  makerLabel_->setObjectName(QStringLiteral("makerLabel"));
  webLabel_ = new QLabel(s.homePageUrl, this);
  webLabel_->setObjectName(QStringLiteral("webLabel"));
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setDefault(true);
  growTimer_ = new QTimer(this);
  growTimer_->setObjectName(QStringLiteral("growTimer"));
  growTimer_->setInterval(20);

  auto* texts = new QVBoxLayout;
  texts->addWidget(productLabel_);
  texts->addWidget(versionLabel_);
  texts->addSpacing(8);
  texts->addWidget(makerLabel_);
  texts->addWidget(webLabel_);
  auto* top = new QHBoxLayout;
  top->addWidget(iconLabel_, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addWidget(okButton, 0, Qt::AlignHCenter);
  all->setSizeConstraint(QLayout::SetFixedSize);

  connect(growTimer_, &QTimer::timeout, this, &AboutBox::onGrowTimeout);
  connect(okButton, &QPushButton::clicked, this, &AboutBox::onOkClicked);
}

void AboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!animate_) return;
  // The icon grows from one pixel to its own size.
  iconLabel_->setPixmap(picture_.scaled(1, 1));
  growTimer_->start();
}

void AboutBox::onGrowTimeout() {
  const QSize now = iconLabel_->pixmap().size();
  const int w = std::min(now.width() + 1, picture_.width());
  const int h = std::min(now.height() + 1, picture_.height());
  iconLabel_->setPixmap(picture_.scaled(w, h));
  repaint();
  QApplication::processEvents();
  if (w >= picture_.width() && h >= picture_.height()) growTimer_->stop();
}

void AboutBox::onOkClicked() { accept(); }
