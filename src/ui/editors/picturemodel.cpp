#include "ui/editors/picturemodel.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace picture {

namespace {

const char* const kCaptions[kToolButtons] = {"Clear", "Load", "Save", "Zoom", "Capture"};
const char* const kHints[kToolButtons] = {"Clear Image", "Load Image from BMP File",
                                          "Save Image to BMP File", "Zoom In / Out",
                                          "Capture Screen"};

quint32 le32(const QByteArray& b, int at) {
  return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}
quint16 le16(const QByteArray& b, int at) {
  return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

// The BMP reader shows a file cut short with its missing rows made up, so
// the header's promise is checked against the bytes first.
bool bmpComplete(const QByteArray& b) {
  if (b.size() < 26) return false;
  const qint64 offBits = le32(b, 10);
  const quint32 header = le32(b, 14);
  qint64 width = 0, height = 0;
  int bpp = 0;
  quint32 compression = 0, imageSize = 0;
  if (header == 12) {
    width = le16(b, 18);
    height = le16(b, 20);
    bpp = le16(b, 24);
  } else if (header >= 40 && b.size() >= 54) {
    width = static_cast<qint32>(le32(b, 18));
    height = std::abs(static_cast<qint64>(static_cast<qint32>(le32(b, 22))));
    bpp = le16(b, 28);
    compression = le32(b, 30);
    imageSize = le32(b, 34);
  } else {
    return false;
  }
  if (width <= 0 || height <= 0 || width > (1 << 20) || height > (1 << 20) || bpp <= 0 || bpp > 32)
    return false;
  // Uncompressed rows (plain or with bit masks) have a known size; packed
  // ones only the size their header gives.
  const bool plain = compression == 0 || compression == 3 || compression == 6;
  const qint64 pixels = plain ? (width * bpp + 31) / 32 * 4 * height : imageSize;
  return offBits + pixels <= b.size();
}

bool isJpeg(const QByteArray& b) { return b.startsWith("\xFF\xD8"); }

// A JPEG cut short decodes with grey rows: its end marker must be there,
// and not only the one of a thumbnail near its start (data may follow it).
bool jpegComplete(const QByteArray& b) {
  const qsizetype end = b.lastIndexOf("\xFF\xD9");
  return end > 0 && end + 2 >= b.size() / 2;
}

qint64 bitmapBytes(QSize size) {
  return 54 + (static_cast<qint64>(size.width()) * 3 + 3) / 4 * 4 * size.height();
}

enum class Decoded { Ok, NotPicture, TooLarge };

Decoded decodeChecked(const QByteArray& bytes, QImage* out) {
  *out = QImage();
  if (bytes.isEmpty() || bytes.size() > kMaxFileBytes) return Decoded::NotPicture;
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  // The size from the header, so a huge picture is refused before decoding.
  QSize size = reader.size();
  if (isBmp(bytes) && bytes.size() >= 26 && le32(bytes, 14) >= 40)
    size =
        QSize(static_cast<qint32>(le32(bytes, 18)),
              static_cast<int>(std::min<qint64>(
                  std::abs(static_cast<qint64>(static_cast<qint32>(le32(bytes, 22)))), 1 << 30)));
  if (size.isValid() && bitmapBytes(size) > kMaxBitmapBytes) return Decoded::TooLarge;
  if (isBmp(bytes) && !bmpComplete(bytes)) return Decoded::NotPicture;
  if (isJpeg(bytes) && !jpegComplete(bytes)) return Decoded::NotPicture;
  QImage image;
  if (!reader.read(&image) || image.isNull()) return Decoded::NotPicture;
  if (bitmapBytes(image.size()) > kMaxBitmapBytes) return Decoded::TooLarge;
  *out = image;
  return Decoded::Ok;
}

QString sizeText(QSize size) {
  return QStringLiteral("%1 x %2 pixels").arg(size.width()).arg(size.height());
}

}  // namespace

QString toolButtonCaption(ToolButton button) { return QString::fromLatin1(kCaptions[button]); }
QString toolButtonHint(ToolButton button) { return QString::fromLatin1(kHints[button]); }

ToolBarLayout layoutToolBar(int width, bool autoZoom) {
  ToolBarLayout out;
  const int n = autoZoom ? 4 : 5;
  out.buttonWidth = n * 44 < width ? 44 : 24;
  const int gap = (width - n * out.buttonWidth) / (n + 1);
  int x = gap;
  for (int b = 0; b < kToolButtons; ++b) {
    ToolButtonPlace& place = out.buttons[b];
    const QString caption = toolButtonCaption(static_cast<ToolButton>(b));
    place.caption = out.buttonWidth == 44 ? caption : caption.left(1);
    if (b == ZoomButton && autoZoom) {
      place.visible = false;
      place.x = -out.buttonWidth;  // out of sight, left of the bar
      continue;
    }
    place.x = x;
    x += out.buttonWidth + gap;
  }
  return out;
}

ImagePlace layoutImage(QSize picture, QSize view, bool zoomed, bool autoZoom, bool enlarge) {
  ImagePlace out;
  QSize size = picture;
  const bool fits = picture.width() <= view.width() && picture.height() <= view.height();
  if (zoomed && !(autoZoom && !enlarge && fits)) {
    const double r = picture.height() > 0 ? double(picture.width()) / picture.height() : 0.0;
    size = QSize(static_cast<int>(std::lround(view.height() * r)), view.height());
    if (size.width() > view.width()) {
      size.setWidth(view.width());
      size.setHeight(static_cast<int>(std::lround(view.width() / r)));
    }
  } else if (!zoomed) {
    out.scrollSize = picture;
  }
  const int left = size.width() < view.width() ? (view.width() - size.width()) / 2 : 0;
  const int top = size.height() < view.height() ? (view.height() - size.height()) / 2 : 0;
  out.image = QRect(QPoint(left, top), size);
  return out;
}

QRect selectionRect(QPoint start, QPoint end) {
  const QPoint topLeft(std::min(start.x(), end.x()), std::min(start.y(), end.y()));
  return QRect(topLeft, QSize(std::abs(end.x() - start.x()), std::abs(end.y() - start.y())));
}

bool isBmp(const QByteArray& bytes) { return bytes.startsWith("BM"); }

QImage decode(const QByteArray& bytes) {
  QImage image;
  decodeChecked(bytes, &image);
  return image;
}

QByteArray encodeBmp(const QImage& image) {
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  {
    QPainter p(&flat);
    p.drawImage(0, 0, image);
  }
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  flat.save(&buffer, "BMP");
  return out;
}

Content fromFile(const QString& path) {
  Content c;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    c.error = QStringLiteral("Cannot open the file: ") + path;
    return c;
  }
  if (file.size() > kMaxFileBytes) {
    c.error = QStringLiteral("The file is larger than 32 MB; no picture was loaded: ") + path;
    return c;
  }
  const QByteArray bytes = file.readAll();
  switch (decodeChecked(bytes, &c.image)) {
    case Decoded::Ok:
      c.bytes = isBmp(bytes) ? bytes : encodeBmp(c.image);
      break;
    case Decoded::TooLarge:
      c.error = QStringLiteral("The picture is too large to store; no picture was loaded: ") + path;
      break;
    case Decoded::NotPicture:
      c.error =
          QStringLiteral("The file is not a picture or it is damaged; no picture was loaded: ") +
          path;
      break;
  }
  if (!c.ok()) c.image = QImage();
  return c;
}

Content fromImage(const QImage& image) {
  Content c;
  if (image.isNull()) {
    c.error = QStringLiteral("There is no picture to take.");
  } else if (bitmapBytes(image.size()) > kMaxBitmapBytes) {
    c.error = QStringLiteral("The picture is too large to store (%1).").arg(sizeText(image.size()));
  } else {
    c.bytes = encodeBmp(image);
    c.image = image;
  }
  return c;
}

QString saveFile(const QByteArray& bytes, const QImage& image, const QString& path) {
  const QByteArray out = isBmp(bytes) && !decode(bytes).isNull() ? bytes : encodeBmp(image);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
    return QStringLiteral("Cannot write the file: ") + path;
  return {};
}

}  // namespace picture
