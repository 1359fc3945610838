// The picture control's wiring: its buttons and menu reach the picture, the
// field's bytes come back unchanged, bad files and empty captures are named.

#include "ui/bmpcontrol.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "support/qtapp.h"
#include "support/scriptedprompter.h"
#include "ui/captureform.h"

namespace {

QImage sample() {
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(qRgb(10, 120, 200));
  return image;
}

class BmpControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    window.resize(400, 300);
    control.resize(180, 150);
    window.show();
  }
  QString writeFile(const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
  }
  QAction* menuItem(const QString& text) {
    for (QAction* a : control.menu()->actions())
      if (a->text() == text) return a;
    return nullptr;
  }
  ScriptedPrompter prompter;
  QTemporaryDir dir;
  QWidget window;
  BmpControl control{&window};
};

TEST_F(BmpControlTest, ButtonsFollowTheWidthAndReachThePicture) {
  EXPECT_EQ(control.clearButton->text(), "C");
  EXPECT_EQ(control.captureButton->width(), 24);
  control.resize(300, 150);
  EXPECT_EQ(control.captureButton->text(), "Capture");
  EXPECT_EQ(control.saveButton->toolTip(), "Save Image to BMP File");
  QStringList items;
  for (QAction* a : control.menu()->actions()) items << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(items, QStringList({"Clear", "Load", "Save", "Zoom", "Screen Capture", "Copy", "Paste",
                                "-", "Help"}));

  // Bytes that hold no picture show none and come back as they were.
  const QByteArray garbage("BM\x00\x07garbage", 11);
  control.setPicture(garbage);
  EXPECT_TRUE(control.image().isNull());
  EXPECT_EQ(control.picture(), garbage);
  QTest::mouseClick(control.clearButton, Qt::LeftButton);
  EXPECT_TRUE(control.picture().isEmpty());

  // A PNG is stored as BMP; a file that is no picture changes nothing.
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  sample().save(&buffer, "PNG");
  prompter.files = {writeFile("a.png", png), writeFile("b.bmp", "text")};
  QTest::mouseClick(control.loadButton, Qt::LeftButton);
  EXPECT_EQ(prompter.fileRequests.at(0).fileName, "*.bmp");
  EXPECT_TRUE(control.picture().startsWith("BM"));
  EXPECT_EQ(control.image().size(), QSize(40, 20));
  const QByteArray loaded = control.picture();
  control.loadPicture();
  EXPECT_EQ(prompter.texts(),
            QStringList{"The file is not a picture or it is damaged; no picture was loaded: " +
                        dir.filePath("b.bmp")});
  EXPECT_EQ(control.picture(), loaded);

  // Copy, then Paste is offered and brings the picture back.
  control.copyPicture();
  control.clearPicture();
  control.prepareMenu();
  ASSERT_TRUE(menuItem("Paste")->isEnabled());
  menuItem("Paste")->trigger();
  EXPECT_EQ(control.picture(), loaded);
  QApplication::clipboard()->clear();
  control.prepareMenu();
  EXPECT_FALSE(menuItem("Paste")->isEnabled());

  control.setAutoZoom(true);
  EXPECT_TRUE(control.scaleButton->isHidden());
  control.prepareMenu();
  EXPECT_FALSE(menuItem("Zoom")->isVisible());
}

TEST_F(BmpControlTest, CaptureTakesTheDraggedAreaOrNamesAnEmptyOne) {
  // Dragged right to left on the frozen screen; then a click only.
  for (const QPoint end : {QPoint(10, 10), QPoint(50, 10)}) {
    auto* poll = new QTimer(&control);
    QObject::connect(poll, &QTimer::timeout, [this, poll, end] {
      CaptureForm* form = nullptr;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<CaptureForm*>(w); f && f->isVisible()) form = f;
      if (!form) return;
      poll->deleteLater();
      poll->stop();
      EXPECT_TRUE(isCapturing(&window));
      EXPECT_TRUE(window.isHidden());
      QTest::mousePress(form, Qt::LeftButton, {}, QPoint(50, 40));
      QTest::mouseMove(form, end);
      QTest::mouseRelease(form, Qt::LeftButton, {}, end);
    });
    poll->start(10);
    control.captureScreen();
    EXPECT_FALSE(isCapturing(&window));
    EXPECT_TRUE(window.isVisible());
  }
  // The offscreen screen can be taken: the first capture is in the picture
  // and on the clipboard, the click is refused and changes nothing.
  EXPECT_EQ(control.image().size(), QSize(40, 30));
  EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(40, 30));
  EXPECT_EQ(prompter.texts(), QStringList{"Both Width and Height of Captured Area must be > 0 !"});
}

}  // namespace
