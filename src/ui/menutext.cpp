#include "ui/menutext.h"

#include <QApplication>
#include <QFontMetrics>

QString menuItemText(const QString& name) {
  const QFontMetrics metrics(QApplication::font("QMenu"));
  QString text = metrics.elidedText(name, Qt::ElideRight, kMenuTextWidth);
  return text.replace(u'&', QStringLiteral("&&"));
}
