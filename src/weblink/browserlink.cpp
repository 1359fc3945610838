#include "weblink/browserlink.h"

#include <QDesktopServices>
#include <QUrl>

#include "core/prompt.h"

bool DesktopUrlOpener::open(const QString& address) {
  return QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

QString browserAddress(const QString& address, const QString& type) {
  if (address.contains(QStringLiteral("://"))) return address;
  const auto is = [&type](const char* name) {
    return type.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
  };
  if (is("WWW")) return QStringLiteral("http://") + address;
  if (is("Gopher")) return QStringLiteral("gopher://") + address;
  if (is("Ftp")) return QStringLiteral("ftp://") + address;
  if (type.startsWith(QStringLiteral("News"), Qt::CaseInsensitive) &&
      !address.startsWith(QStringLiteral("news:")))
    return QStringLiteral("news:") + address;
  return address;
}

BrowserLink::BrowserLink(UrlOpener* opener, int addressIndex, int typeIndex)
    : opener_(opener), addressIndex_(addressIndex), typeIndex_(typeIndex) {}

void BrowserLink::setText(int index, const QString& text) {
  if (index >= 0 && index < 5) texts_[index] = text;
}

bool BrowserLink::open(const QStringList* controlTexts) {
  QString address = texts_[Address];
  QString type = texts_[AddressType];
  if (controlTexts) {
    address = controlTexts->value(addressIndex_);
    type = controlTexts->value(typeIndex_);
  }
  DesktopUrlOpener desktop;
  UrlOpener& opener = opener_ ? *opener_ : desktop;
  found_ = opener.open(browserAddress(address, type));
  if (!found_)
    showMessage(MsgKind::Error,
                QStringLiteral("Browser Not Found!\rYou have to start your Web Browser before "
                               "using this function.\rSee Help for a list of currently supported "
                               "browsers."),
                MsgButtons::OkHelp, kHelpTopic);
  return found_;
}
