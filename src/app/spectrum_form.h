#pragma once
// TSpectrumForm: the second window, with the waterfall picture of the log named in the main
// window. The picture is drawn on a worker as a conversion runs (progress, Cancel), shown scaled
// to the window with a readout of time, frequency and level under the pointer, and saved as PNG.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QImage>
#include <QString>
#include <QWidget>

#include "app/convert_worker.h"
#include "plot/waterfall.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace veltrix {

class WaterfallOutput;

// The picture, scaled to the widget with its proportions kept; reports where the pointer is in
// picture pixels.
class PictureView : public QWidget {
public:
  explicit PictureView(QWidget* parent = nullptr);
  void SetImage(QImage image);
  const QImage& Image() const { return image_; }
  // The picture pixel under a point of the widget, if the picture is there.
  std::optional<QPointF> PicturePoint(QPointF widgetPoint) const;
  std::function<void(std::optional<QPointF>)> onPointer;

protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  QRectF Target() const;
  QImage image_;
};

class TSpectrumForm : public QWidget, public LogDrawing {
  Q_OBJECT

public:
  explicit TSpectrumForm(QWidget* parent = nullptr);
  ~TSpectrumForm() override;

  // Draws the picture of the identified log at `inputPath`, `name` being its file name.
  void Draw(const std::string& inputPath, const QString& name) override;

  void btnCancelDrawingClick();
  void btnSavePictureClick();

  // How Save Picture asks for a file name; the default runs a save dialog.
  std::function<std::optional<QString>(const QString& proposed)> askPictureFile;

  // The picture shown, if any, and the readout text of a picture point.
  const std::optional<WaterfallPicture>& Picture() const { return picture_; }
  QString ReadoutText(QPointF picturePoint) const;

  PictureView* View;
  QLabel* lReadout;
  QProgressBar* pbDrawing;
  QPushButton* btnCancelDrawing;
  QPushButton* btnSavePicture;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void Drawn(const ConversionResult& result, bool closing) override;

  const WaterfallOutput* output_ = nullptr; // the worker's
  std::optional<WaterfallPicture> picture_;
};

} // namespace veltrix
