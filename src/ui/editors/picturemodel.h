#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <vector>

// The picture control's rules without widgets: where its tool buttons go,
// where the picture sits in its view, what a picture field's bytes show and
// what goes into the field from a file, the clipboard or a capture.
//
// The field keeps the bytes it was given until the user changes the picture;
// a new picture is stored as an uncompressed 24-bit BMP (BMP files loaded as
// they are), which every dBASE-era tool can show.

namespace picture {

// A picture file larger than this is not read at all.
constexpr qint64 kMaxFileBytes = 32ll * 1024 * 1024;
// Nor is a picture whose stored bitmap would be larger (about 22 million pixels).
constexpr qint64 kMaxBitmapBytes = 64ll * 1024 * 1024;

// Tool bar: Clear, Load, Save, Zoom, Capture, in this order.
enum ToolButton { ClearButton, LoadButton, SaveButton, ZoomButton, CaptureButton, kToolButtons };

struct ToolButtonPlace {
  int x = 0;
  bool visible = true;
  QString caption;  // full at width 44, its first letter at width 24
};

struct ToolBarLayout {
  int buttonWidth = 44;
  ToolButtonPlace buttons[kToolButtons];
};

QString toolButtonCaption(ToolButton button);
QString toolButtonHint(ToolButton button);

// The buttons on a tool bar `width` pixels wide; without Zoom under AutoZoom.
ToolBarLayout layoutToolBar(int width, bool autoZoom);

struct ImagePlace {
  QRect image;       // in the view, centred where smaller than it
  QSize scrollSize;  // what the view scrolls over; empty when zoomed
};

// Where a picture of size `picture` goes in a view of size `view`: stretched
// to fit when zoomed (natural size under AutoZoom without Enlarge when it
// fits anyway), else natural size with scrolling.
ImagePlace layoutImage(QSize picture, QSize view, bool zoomed, bool autoZoom, bool enlarge);

// The area between two corners of a screen selection, whichever way it was
// dragged; a click or a drag along a line gives an empty one.
QRect selectionRect(QPoint start, QPoint end);

// The picture a field's or file's bytes hold; null when they hold none that
// can be read in full (unknown format, damaged, cut short, too large).
QImage decode(const QByteArray& bytes);
bool isBmp(const QByteArray& bytes);
// The image as an uncompressed 24-bit BMP; transparent parts become white.
QByteArray encodeBmp(const QImage& image);

// A picture for the field, or why there is none.
struct Content {
  QByteArray bytes;  // what the field stores
  QImage image;      // what it shows
  QString error;     // the message when nothing could be taken
  bool ok() const { return error.isEmpty(); }
};

// A picture file for the field: a BMP keeps its bytes, other formats are
// stored as BMP.
Content fromFile(const QString& path);
// A pasted or captured image for the field.
Content fromImage(const QImage& image);
// Writes the field's picture to a BMP file: the stored bytes when they are
// one, else the shown image encoded. The message when that fails.
QString saveFile(const QByteArray& bytes, const QImage& image, const QString& path);

}  // namespace picture
