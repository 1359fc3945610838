#pragma once

#include <QByteArray>
#include <QFrame>
#include <QImage>

class QMenu;
class QScrollArea;
class QToolButton;
class QAction;

// The picture control of a record page: shows the picture field's image,
// scrolled or zoomed, with a tool bar to clear, load, save, zoom and capture
// the screen, and a menu that also copies and pastes through the clipboard.
// The field's bytes come back exactly as given until the user changes the
// picture.
class BmpControl : public QFrame {
  Q_OBJECT

 public:
  explicit BmpControl(QWidget* parent);
  int helpContext = 102;

  // The picture field's bytes.
  const QByteArray& picture() const { return bytes_; }
  // Shows what `bytes` hold; bytes that hold no picture show an empty one.
  void setPicture(const QByteArray& bytes);
  void clear() { setPicture({}); }
  const QImage& image() const { return image_; }

  bool showButtons() const { return showButtons_; }
  void setShowButtons(bool on);
  bool autoZoom() const { return autoZoom_; }
  void setAutoZoom(bool on);
  bool enlarge() const { return enlarge_; }
  void setEnlarge(bool on);
  bool zoomed() const { return zoomed_ || autoZoom_; }

  // The commands of the tool bar and the menu.
  void clearPicture();
  void loadPicture();
  void savePicture();
  void toggleZoom();
  void captureScreen();
  void copyPicture();
  void pastePicture();

  QMenu* menu() const { return menu_; }
  // Sets the menu's states as it opens (Paste only with an image to paste).
  void prepareMenu();

  QToolButton* clearButton;
  QToolButton* loadButton;
  QToolButton* saveButton;
  QToolButton* scaleButton;
  QToolButton* captureButton;
  QScrollArea* scrollBox;
  QFrame* toolBar;
  QWidget* imageView;

 signals:
  // The user replaced or cleared the picture.
  void pictureChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void layoutToolBar();
  void layoutImage();
  // A picture the user chose; its message when it cannot be taken.
  void takePicture(const QByteArray& bytes, const QImage& image);

  QByteArray bytes_;
  QImage image_;
  bool showButtons_ = true;
  bool autoZoom_ = false;
  bool enlarge_ = true;
  bool zoomed_ = false;
  QMenu* menu_;
  QAction* zoomAction_;
  QAction* pasteAction_;
};
