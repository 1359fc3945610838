#include "ui/bmpcontrol.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVariant>

#include "core/prompt.h"
#include "ui/captureform.h"
#include "ui/editors/picturemodel.h"
#include "ui/qtprompter.h"

namespace {

constexpr int kToolBarHeight = 20;

const QString kCaptureError =
    QStringLiteral("Both Width and Height of Captured Area must be > 0 !");

// The picture, stretched over the whole widget.
class ImageView : public QWidget {
 public:
  ImageView(QWidget* parent, const QImage* image) : QWidget(parent), image_(image) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (image_->isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), *image_);
  }

 private:
  const QImage* image_;
};

QString pictureFilters() {
  return QStringLiteral(
      "Bitmap files (*.bmp);;"
      "Pictures (*.bmp *.png *.jpg *.jpeg *.gif *.ico *.pbm *.pgm *.ppm *.xbm *.xpm);;"
      "All files (*)");
}

}  // namespace

BmpControl::BmpControl(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);

  scrollBox = new QScrollArea(this);
  scrollBox->setObjectName(QStringLiteral("scrollBox"));
  scrollBox->setWidgetResizable(false);
  scrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* canvas = new QWidget;
  imageView = new ImageView(canvas, &image_);
  imageView->setObjectName(QStringLiteral("imageView"));
  scrollBox->setWidget(canvas);

  toolBar = new QFrame(this);
  toolBar->setObjectName(QStringLiteral("toolBar"));
  toolBar->setFrameStyle(QFrame::Panel | QFrame::Raised);

  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  QToolButton** buttons[picture::kToolButtons] = {&clearButton, &loadButton, &saveButton,
                                                  &scaleButton, &captureButton};
  const char* names[picture::kToolButtons] = {"clearButton", "loadButton", "saveButton",
                                              "scaleButton", "captureButton"};
  for (int b = 0; b < picture::kToolButtons; ++b) {
    auto* button = new QToolButton(toolBar);
    button->setObjectName(QString::fromLatin1(names[b]));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFont(font);
    button->setToolTip(picture::toolButtonHint(static_cast<picture::ToolButton>(b)));
    *buttons[b] = button;
  }
  connect(clearButton, &QToolButton::clicked, this, &BmpControl::clearPicture);
  connect(loadButton, &QToolButton::clicked, this, &BmpControl::loadPicture);
  connect(saveButton, &QToolButton::clicked, this, &BmpControl::savePicture);
  connect(scaleButton, &QToolButton::clicked, this, &BmpControl::toggleZoom);
  connect(captureButton, &QToolButton::clicked, this, &BmpControl::captureScreen);

  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("pictureMenu"));
  menu_->addAction(QStringLiteral("Clear"), this, &BmpControl::clearPicture);
  menu_->addAction(QStringLiteral("Load"), this, &BmpControl::loadPicture);
  menu_->addAction(QStringLiteral("Save"), this, &BmpControl::savePicture);
  zoomAction_ = menu_->addAction(QStringLiteral("Zoom"), this, &BmpControl::toggleZoom);
  menu_->addAction(QStringLiteral("Screen Capture"), this, &BmpControl::captureScreen);
  menu_->addAction(QStringLiteral("Copy"), this, &BmpControl::copyPicture);
  pasteAction_ = menu_->addAction(QStringLiteral("Paste"), this, &BmpControl::pastePicture);
  menu_->addSeparator();
  menu_->addAction(QStringLiteral("Help"), this, [this] {
    if (helpContext) showHelpTopic(helpContext);
  });
  connect(menu_, &QMenu::aboutToShow, this, &BmpControl::prepareMenu);

  layoutToolBar();
  layoutImage();
}

void BmpControl::setPicture(const QByteArray& bytes) {
  bytes_ = bytes;
  image_ = picture::decode(bytes);
  layoutImage();
}

void BmpControl::setShowButtons(bool on) {
  showButtons_ = on;
  layoutToolBar();
  layoutImage();
}

void BmpControl::setAutoZoom(bool on) {
  autoZoom_ = on;
  if (!on) zoomed_ = false;
  layoutToolBar();
  layoutImage();
}

void BmpControl::setEnlarge(bool on) {
  enlarge_ = on;
  layoutImage();
}

void BmpControl::layoutToolBar() {
  const int w = contentsRect().width();
  const picture::ToolBarLayout bar = picture::layoutToolBar(w, autoZoom_);
  QToolButton* buttons[picture::kToolButtons] = {clearButton, loadButton, saveButton, scaleButton,
                                                 captureButton};
  for (int b = 0; b < picture::kToolButtons; ++b) {
    const picture::ToolButtonPlace& place = bar.buttons[b];
    buttons[b]->setText(place.caption);
    buttons[b]->setGeometry(place.x, 2, bar.buttonWidth, kToolBarHeight - 4);
    buttons[b]->setVisible(place.visible);
  }
  const QRect inside = contentsRect();
  const int barHeight = showButtons_ ? kToolBarHeight : 0;
  toolBar->setVisible(showButtons_);
  toolBar->setGeometry(inside.left(), inside.bottom() + 1 - barHeight, inside.width(), barHeight);
  scrollBox->setGeometry(inside.left(), inside.top(), inside.width(), inside.height() - barHeight);
}

void BmpControl::layoutImage() {
  const QSize view = scrollBox->size() - QSize(4, 4);
  const picture::ImagePlace place =
      picture::layoutImage(image_.size(), view, zoomed(), autoZoom_, enlarge_);
  scrollBox->setHorizontalScrollBarPolicy(zoomed() ? Qt::ScrollBarAlwaysOff
                                                   : Qt::ScrollBarAsNeeded);
  scrollBox->setVerticalScrollBarPolicy(zoomed() ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
  scrollBox->widget()->resize(place.scrollSize.expandedTo(view));
  imageView->setGeometry(place.image);
  scrollBox->horizontalScrollBar()->setValue(0);
  scrollBox->verticalScrollBar()->setValue(0);
  imageView->update();
}

void BmpControl::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  layoutToolBar();
  layoutImage();
}

void BmpControl::prepareMenu() {
  zoomAction_->setVisible(!autoZoom_);
  const QMimeData* clip = QApplication::clipboard()->mimeData();
  pasteAction_->setEnabled(clip && clip->hasImage());
}

void BmpControl::contextMenuEvent(QContextMenuEvent* event) {
  menu_->popup(event->globalPos());
  event->accept();
}

void BmpControl::takePicture(const QByteArray& bytes, const QImage& image) {
  bytes_ = bytes;
  image_ = image;
  layoutImage();
  emit pictureChanged();
}

void BmpControl::clearPicture() {
  // Bytes that show no picture can be cleared too.
  if (bytes_.isEmpty() && image_.isNull()) return;
  takePicture({}, {});
}

void BmpControl::loadPicture() {
  const QString name =
      prompter().openFile({QStringLiteral("Open"), {}, QStringLiteral("*.bmp"), pictureFilters()});
  if (name.isEmpty()) return;
  const picture::Content c = picture::fromFile(name);
  if (!c.ok()) {
    showMessage(MsgKind::Error, c.error);
    return;
  }
  takePicture(c.bytes, c.image);
}

void BmpControl::savePicture() {
  if (image_.isNull()) return;
  QString name = prompter().saveFile({QStringLiteral("Save As"),
                                      {},
                                      QStringLiteral("*.bmp"),
                                      QStringLiteral("Bitmap files (*.bmp)")});
  if (name.isEmpty()) return;
  if (!name.contains(QLatin1Char('.'))) name += QStringLiteral(".bmp");
  if (const QString error = picture::saveFile(bytes_, image_, name); !error.isEmpty())
    showMessage(MsgKind::Error, error);
}

void BmpControl::toggleZoom() {
  if (image_.isNull()) return;
  zoomed_ = !zoomed_;
  layoutImage();
}

void BmpControl::copyPicture() {
  if (!image_.isNull()) QApplication::clipboard()->setImage(image_);
}

void BmpControl::pastePicture() {
  const picture::Content c = picture::fromImage(QApplication::clipboard()->image());
  if (!c.ok()) {
    showMessage(MsgKind::Error, c.error);
    return;
  }
  takePicture(c.bytes, c.image);
}

void BmpControl::captureScreen() {
  QWidget* owner = window();
  owner->setProperty("Tag", kCapturingTag);
  QApplication::processEvents();
  owner->hide();
  QApplication::processEvents();
  QImage shot;
  bool cancelled = false;
  {
    CaptureForm form;
    QApplication::processEvents();
    // A screen that cannot be taken is an empty capture.
    if (!form.screenShot().isNull()) cancelled = form.exec() != QDialog::Accepted;
    shot = form.captured();
  }
  owner->show();
  owner->raise();
  owner->activateWindow();
  owner->setProperty("Tag", 0);
  if (cancelled || shuttingDown()) return;  // Escape, or the program is ending
  if (shot.width() <= 0 || shot.height() <= 0) {
    showMessage(MsgKind::Error, kCaptureError);
    return;
  }
  // Through the clipboard, so the capture stays there too.
  QApplication::clipboard()->setImage(shot);
  QImage taken = QApplication::clipboard()->image();
  if (taken.isNull()) taken = shot;
  const picture::Content c = picture::fromImage(taken);
  if (!c.ok()) {
    showMessage(MsgKind::Error, c.error);
    return;
  }
  takePicture(c.bytes, c.image);
}
