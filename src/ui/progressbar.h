#pragma once

#include <QColor>
#include <QWidget>

// A framed bar that fills to a percentage and shows it as text.
class ProgressBar : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int percentShaded READ percentShaded WRITE setPercentShaded)
  Q_PROPERTY(QColor percentColor READ percentColor WRITE setPercentColor)
  Q_PROPERTY(bool showPercent READ showPercent WRITE setShowPercent)
  Q_PROPERTY(QString caption READ caption WRITE setCaption)

 public:
  explicit ProgressBar(QWidget* parent = nullptr);

  int percentShaded() const { return percent_; }
  QColor percentColor() const { return color_; }
  bool showPercent() const { return showPercent_; }
  QString caption() const { return caption_; }

  // Clamped to 0..100.
  void setPercentShaded(int percent);
  void setPercentColor(const QColor& color);
  void setShowPercent(bool on);
  void setCaption(const QString& text);

  // The text in the middle: "37%" or the caption.
  QString shownText() const;
  bool horizontal() const { return width() >= height(); }
  // Where the coloured part ends along the bar.
  static int barEnd(int length, int percent);

  QSize sizeHint() const override { return {90, 20}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect barRect() const;

  int percent_ = 0;
  QColor color_{0xFF, 0, 0};
  bool showPercent_ = true;
  QString caption_;
};
