#pragma once

#include <QString>
#include <QStringList>

// Hands an address to the desktop's web browser.
class UrlOpener {
 public:
  virtual ~UrlOpener() = default;
  // Whether a browser took the address.
  virtual bool open(const QString& address) = 0;
};

// The desktop's handler for web addresses (QDesktopServices).
class DesktopUrlOpener : public UrlOpener {
 public:
  bool open(const QString& address) override;
};

// The address with the scheme its type calls for, unless it names one:
// "WWW" the web's, "Gopher", "Ftp", and "News..." ("news:"); other types none.
QString browserAddress(const QString& address, const QString& type);

// Opens an address in the browser; tells the user when none takes it.
class BrowserLink {
 public:
  static constexpr int kHelpTopic = 113;
  enum Text { Address = 0, Title = 1, AddressType = 2, Fourth = 3, Fifth = 4 };

  // The opener is not owned; none: the desktop's.
  explicit BrowserLink(UrlOpener* opener = nullptr, int addressIndex = 1, int typeIndex = 6);
  void setText(int index, const QString& text);
  // From the stored address and type, or from the texts of a record's
  // controls at the two indices when given.
  bool open(const QStringList* controlTexts = nullptr);
  bool found() const { return found_; }

 private:
  UrlOpener* opener_;
  int addressIndex_;
  int typeIndex_;
  QString texts_[5] = {QString(), QString(), QStringLiteral("WWW"), QStringLiteral("Unknown"),
                       QString()};
  bool found_ = true;
};
