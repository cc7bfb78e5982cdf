#include "app/spectrum_form.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_icon.h"
#include "app/controls.h"
#include "app/notify_user.h"
#include "io/output_target.h"
#include "outputs/picture/waterfall_output.h"
#include "products/catalogue.h"
#include "products/output_names.h"

namespace veltrix {
namespace {

std::optional<QString> RunPictureDialog(QWidget* parent, const QString& proposed) {
  QFileDialog dialog(parent, QString(), QString(), QStringLiteral("PNG Pictures (*.png)"));
  dialog.setObjectName(QStringLiteral("PictureDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("png"));
  dialog.selectFile(proposed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

QImage ImageOf(const WaterfallPicture& picture) {
  cairo_surface_t* surface = picture.Surface();
  const QImage view(cairo_image_surface_get_data(surface), picture.Width(), picture.Height(),
                    cairo_image_surface_get_stride(surface), QImage::Format_RGB32);
  return view.copy();
}

} // namespace

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setMinimumSize(550, 360);
}

void PictureView::SetImage(QImage image) {
  image_ = std::move(image);
  update();
}

QRectF PictureView::Target() const {
  if (image_.isNull()) return {};
  const double scale = std::min(width() / static_cast<double>(image_.width()),
                                height() / static_cast<double>(image_.height()));
  const QSizeF size(image_.width() * scale, image_.height() * scale);
  return QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

std::optional<QPointF> PictureView::PicturePoint(QPointF widgetPoint) const {
  const QRectF target = Target();
  if (!target.contains(widgetPoint)) return std::nullopt;
  const double scale = target.width() / image_.width();
  return (widgetPoint - target.topLeft()) / scale;
}

void PictureView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  if (image_.isNull()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(Target(), image_);
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
  if (onPointer) onPointer(PicturePoint(event->position()));
}

void PictureView::leaveEvent(QEvent*) {
  if (onPointer) onPointer(std::nullopt);
}

TSpectrumForm::TSpectrumForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("SpectrumForm"));
  setWindowTitle(QStringLiteral("Spectrum"));
  setWindowIcon(ProgramIcon());
  setFont(WindowFont());

  View = new PictureView(this);
  View->setObjectName(QStringLiteral("PictureView"));
  lReadout = new QLabel(this);
  lReadout->setObjectName(QStringLiteral("lReadout"));
  pbDrawing = new QProgressBar(this);
  pbDrawing->setObjectName(QStringLiteral("pbDrawing"));
  pbDrawing->setRange(0, 100);
  pbDrawing->setVisible(false);
  progressBar_ = pbDrawing;
  btnCancelDrawing = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancelDrawing->setObjectName(QStringLiteral("btnCancelDrawing"));
  btnCancelDrawing->setEnabled(false);
  cancelButton_ = btnCancelDrawing;
  btnSavePicture = new QPushButton(QStringLiteral("Save Picture..."), this);
  btnSavePicture->setObjectName(QStringLiteral("btnSavePicture"));
  btnSavePicture->setEnabled(false);
  for (QPushButton* button : {btnCancelDrawing, btnSavePicture}) button->setAutoDefault(true);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lReadout, 1);
  bottom->addWidget(pbDrawing);
  bottom->addWidget(btnCancelDrawing);
  bottom->addWidget(btnSavePicture);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(View, 1);
  layout->addLayout(bottom);
  resize(WaterfallPicture::kWidth + 20, WaterfallPicture::kHeight + 60);

  View->onPointer = [this](std::optional<QPointF> point) {
    lReadout->setText(point ? ReadoutText(*point) : QString());
  };
  askPictureFile = [this](const QString& proposed) { return RunPictureDialog(this, proposed); };
  connect(btnCancelDrawing, &QPushButton::clicked, this, &TSpectrumForm::btnCancelDrawingClick);
  connect(btnSavePicture, &QPushButton::clicked, this, &TSpectrumForm::btnSavePictureClick);
}

TSpectrumForm::~TSpectrumForm() {
  EndDrawing(); // it calls into the controls: gone before they are
}

void TSpectrumForm::Draw(const std::string& inputPath, const QString& name) {
  if (Drawing()) return;
  picture_.reset();
  View->SetImage(QImage());
  lReadout->clear();
  setWindowTitle(QStringLiteral("Spectrum \u2014 ") + name);
  WaterfallSettings settings;
  settings.name = name.toStdString();
  auto output = std::make_unique<WaterfallOutput>(std::nullopt, settings);
  output_ = output.get();
  Convert::Outputs outputs;
  outputs.push_back(std::move(output));
  btnSavePicture->setEnabled(false);
  StartDrawing(inputPath, std::move(outputs));
}

QString TSpectrumForm::ReadoutText(QPointF point) const {
  if (!picture_) return {};
  const std::optional<WaterfallPicture::Readout> r = picture_->ReadoutAt(point.x(), point.y());
  if (!r) return {};
  return QStringLiteral("%1    %2 MHz    %3 dBm")
      .arg(QString::fromStdString(r->time))
      .arg(r->mhz, 0, 'f', 1)
      .arg(r->dBm, 0, 'f', 1);
}

void TSpectrumForm::btnCancelDrawingClick() {
  CancelDrawing();
}

void TSpectrumForm::btnSavePictureClick() {
  if (!picture_) return;
  const std::string name = FileBeside(OutputStemOf(OutputNameLastThreeReplaced(input_path_)),
                                      ProductOf(ProductId::Waterfall));
  const std::optional<QString> file = askPictureFile(FromPath(name));
  if (!file) return;
  OutputTarget target;
  if (!target.Open(ToPath(*file)) || !picture_->WritePng(target) || !target.Finish()) {
    const std::string detail = target.FailureDetail();
    target.Abandon();
    ShowMessage(MessageKind::Error, OutputFailureText(kMsgCannotWrite, detail));
  }
}

void TSpectrumForm::closeEvent(QCloseEvent* event) {
  EndDrawing(); // drawing stops with the window
  QWidget::closeEvent(event);
}

void TSpectrumForm::Drawn(const ConversionResult& result, bool closing) {
  if (Succeeded(result.status) && !closing) {
    if (output_->Picture()) {
      picture_ = output_->Picture();
      View->SetImage(ImageOf(*picture_));
    } else {
      NotifyUser(MessageKind::Information, "%s", kMsgNoSweeps);
    }
  }
  btnSavePicture->setEnabled(picture_.has_value());
}

} // namespace veltrix
