// The picture control's rules: tool bar and picture layout, and what picture
// files and field bytes give.

#include "ui/editors/picturemodel.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

namespace {

using namespace picture;

struct BarCase {
  const char* name;
  int width;
  bool autoZoom;
  int buttonWidth;
  std::vector<int> xs;  // Clear, Load, Save, Zoom, Capture; -1 hidden
  std::vector<const char*> captions;
};

class ToolBar : public testing::TestWithParam<BarCase> {};

TEST_P(ToolBar, PlacesTheButtons) {
  const BarCase& c = GetParam();
  const ToolBarLayout bar = layoutToolBar(c.width, c.autoZoom);
  EXPECT_EQ(bar.buttonWidth, c.buttonWidth);
  for (int b = 0; b < kToolButtons; ++b) {
    SCOPED_TRACE(b);
    EXPECT_EQ(bar.buttons[b].visible, c.xs[b] >= 0);
    if (c.xs[b] >= 0) {
      EXPECT_EQ(bar.buttons[b].x, c.xs[b]);
    }
    EXPECT_EQ(bar.buttons[b].caption.toStdString(), c.captions[b]);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Widths, ToolBar, testing::Values(
    // 5 x 44 = 220 is not less than 180: narrow buttons, gap (180 - 120) / 6.
    BarCase{"Narrow", 180, false, 24, {10, 44, 78, 112, 146}, {"C", "L", "S", "Z", "C"}},
    BarCase{"ExactlyFiveWideIsNarrow", 220, false, 24, {16, 56, 96, 136, 176}, {"C", "L", "S", "Z", "C"}},
    BarCase{"Wide", 300, false, 44, {13, 70, 127, 184, 241}, {"Clear", "Load", "Save", "Zoom", "Capture"}},
    // Four buttons under AutoZoom: 4 x 44 = 176 < 180.
    BarCase{"AutoZoomHidesZoom", 180, true, 44, {0, 44, 88, -1, 132}, {"Clear", "Load", "Save", "Zoom", "Capture"}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

struct ImageCase {
  const char* name;
  QSize picture, view;
  bool zoomed, autoZoom, enlarge;
  QRect image;
  QSize scroll;
};

class ImageLayout : public testing::TestWithParam<ImageCase> {};

TEST_P(ImageLayout, FitsOrScrollsThePicture) {
  const ImageCase& c = GetParam();
  const ImagePlace place = layoutImage(c.picture, c.view, c.zoomed, c.autoZoom, c.enlarge);
  EXPECT_EQ(place.image, c.image);
  EXPECT_EQ(place.scrollSize, c.scroll);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, ImageLayout, testing::Values(
    ImageCase{"WideZoomedIsCentredVertically", {400, 100}, {200, 200}, true, false, true, {0, 75, 200, 50}, {}},
    ImageCase{"TallZoomedIsCentredAcross", {100, 400}, {200, 200}, true, false, true, {75, 0, 50, 200}, {}},
    ImageCase{"SmallZoomedIsEnlarged", {50, 50}, {200, 200}, true, true, true, {0, 0, 200, 200}, {}},
    ImageCase{"SmallUnderAutoZoomWithoutEnlargeKeepsItsSize", {50, 50}, {200, 200}, true, true, false, {75, 75, 50, 50}, {}},
    ImageCase{"LargeUnderAutoZoomWithoutEnlargeShrinks", {400, 100}, {200, 200}, true, true, false, {0, 75, 200, 50}, {}},
    ImageCase{"NotZoomedScrollsAtNaturalSize", {400, 100}, {200, 200}, false, false, true, {0, 50, 400, 100}, {400, 100}},
    ImageCase{"EmptyZoomedHasNoWidth", {0, 0}, {200, 200}, true, false, true, {100, 0, 0, 200}, {}}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST(CaptureSelection, IsTheSameWhicheverWayItWasDragged) {
  const QRect area(QPoint(10, 20), QSize(30, 40));
  EXPECT_EQ(selectionRect({10, 20}, {40, 60}), area);
  EXPECT_EQ(selectionRect({40, 60}, {10, 20}), area);
  EXPECT_EQ(selectionRect({40, 20}, {10, 60}), area);
  EXPECT_TRUE(selectionRect({5, 5}, {5, 5}).isEmpty());   // a click
  EXPECT_TRUE(selectionRect({5, 5}, {50, 5}).isEmpty());  // along a line
}

QByteArray encoded(const QImage& image, const char* format) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return out;
}

QImage sample(int w = 37, int h = 21) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 6, y * 11, (x + y) * 3));
  return image;
}

class PictureFiles : public testing::Test {
 protected:
  QString write(const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
  }
  QTemporaryDir dir;
};

TEST_F(PictureFiles, BmpKeepsItsBytesOtherFormatsBecomeBmp) {
  // An 8-bit BMP is stored as it is, not widened to 24 bits.
  const QByteArray bmp8 = encoded(sample().convertToFormat(QImage::Format_Indexed8), "BMP");
  const Content fromBmp = fromFile(write("a.bmp", bmp8));
  ASSERT_TRUE(fromBmp.ok()) << fromBmp.error.toStdString();
  EXPECT_EQ(fromBmp.bytes, bmp8);

  const Content fromPng = fromFile(write("a.png", encoded(sample(), "PNG")));
  ASSERT_TRUE(fromPng.ok()) << fromPng.error.toStdString();
  ASSERT_TRUE(isBmp(fromPng.bytes));
  EXPECT_EQ(fromPng.bytes[28], 24);  // bits per pixel
  EXPECT_EQ(decode(fromPng.bytes).convertToFormat(QImage::Format_RGB32), sample());

  // Saving writes a loaded BMP back unchanged.
  const QString out = dir.filePath(QStringLiteral("out.bmp"));
  EXPECT_TRUE(saveFile(fromBmp.bytes, fromBmp.image, out).isEmpty());
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), bmp8);
  EXPECT_EQ(
      saveFile(bmp8, fromBmp.image, dir.filePath(QStringLiteral("no/such/x.bmp"))),
      QStringLiteral("Cannot write the file: ") + dir.filePath(QStringLiteral("no/such/x.bmp")));
}

TEST_F(PictureFiles, BadFilesAreRefusedWithAMessage) {
  const QByteArray bmp = encoded(sample(), "BMP");
  const QByteArray png = encoded(sample(), "PNG");
  const QByteArray jpg = encoded(sample(200, 200), "JPG");
  QByteArray hugeHeader = bmp;  // a header claiming 30000 x 30000 pixels
  hugeHeader.replace(18, 8, QByteArray("\x30\x75\0\0\x30\x75\0\0", 8));
  const QString big = dir.filePath(QStringLiteral("big.bmp"));
  {
    QFile f(big);
    f.open(QIODevice::WriteOnly);
    f.write(bmp);
    f.resize(100ll * 1024 * 1024);  // sparse: no 100 MB written
  }
  const QString notPicture =
      QStringLiteral("The file is not a picture or it is damaged; no picture was loaded: ");
  struct Row {
    const char* name;
    QString path;
    QString error;
  };
  const std::vector<Row> rows = {
      {"TruncatedBmp", write("t.bmp", bmp.left(bmp.size() / 2)), notPicture},
      {"TruncatedPng", write("t.png", png.left(png.size() * 2 / 3)), notPicture},
      {"TruncatedJpeg", write("t.jpg", jpg.left(jpg.size() * 2 / 3)), notPicture},
      {"CorruptBmpHeader", write("c.bmp", QByteArray("BM") + QByteArray(60, '\xFF')), notPicture},
      {"Text", write("notes.bmp", "Not a picture at all\r\n"), notPicture},
      {"Empty", write("empty.bmp", {}), notPicture},
      {"HugeByHeader", write("h.bmp", hugeHeader),
       QStringLiteral("The picture is too large to store; no picture was loaded: ")},
      {"HundredMegabytes", big,
       QStringLiteral("The file is larger than 32 MB; no picture was loaded: ")},
      {"Missing", dir.filePath(QStringLiteral("gone.bmp")),
       QStringLiteral("Cannot open the file: ")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Content c = fromFile(r.path);
    EXPECT_EQ(c.error, r.error + r.path);
    EXPECT_TRUE(c.bytes.isEmpty());
    EXPECT_TRUE(c.image.isNull());
  }
}

TEST(PictureField, GarbageShowsNoPictureAndImagesBecomeBmp) {
  EXPECT_TRUE(decode(QByteArray("BM\x00\x01", 4)).isNull());
  EXPECT_TRUE(decode(QByteArray(5000, '\x07')).isNull());
  EXPECT_TRUE(decode({}).isNull());
  EXPECT_EQ(decode(encoded(sample(), "BMP")).size(), QSize(37, 21));

  // A transparent picture is stored on white.
  QImage clear(4, 4, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  const Content c = fromImage(clear);
  ASSERT_TRUE(c.ok());
  EXPECT_EQ(decode(c.bytes).pixel(1, 1), qRgb(255, 255, 255));
  EXPECT_EQ(fromImage(QImage(5000, 5000, QImage::Format_Mono)).error,
            QStringLiteral("The picture is too large to store (5000 x 5000 pixels)."));
}

}  // namespace
