#include "app/controls.h"

#include <QMimeData>
#include <QUrl>

#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QStyle>
#include <qdrawutil.h>

namespace veltrix {

std::string ToPath(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

QString FromPath(std::string_view path) {
  return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

void BringToFront(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

QStringList LocalFilesOf(const QMimeData* data) {
  QStringList files;
  if (data == nullptr || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) return {};
    files << url.toLocalFile();
  }
  return files;
}

QFont WindowFont(bool bold) {
  QFont font(QStringLiteral("Sans Serif"), 8);
  font.setStyleHint(QFont::SansSerif);
  font.setBold(bold);
  return font;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  // Not for the disabled state: a locked control greys out like every other.
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, colour);
    palette.setColor(group, QPalette::ButtonText, colour);
  }
  widget->setPalette(palette);
}

void MakeValueLabel(QLabel* label, Qt::Alignment alignment) {
  label->setAlignment(alignment | Qt::AlignVCenter);
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, kWhite);
  label->setPalette(palette);
}

void Bevel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(0, 0, width() - 1, 0);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(0, 1, width() - 1, 1);
}

void GroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  // An etched frame whose top line runs through the middle of the title.
  const QRect frame = rect().adjusted(0, metrics.height() / 2, 0, 0);
  qDrawShadeRect(&painter, frame, palette(), true, 1, 0);
  if (title().isEmpty()) return;
  const QRect text(8, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
  painter.fillRect(text, palette().color(QPalette::Window));
  style()->drawItemText(&painter, text, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                        isEnabled(), title(), QPalette::WindowText);
}

QRect RadioGroup::ItemRect(QSize size, int fontHeight, int columns, int count, int index) {
  const int perColumn = (count + columns - 1) / columns;
  const int width = (size.width() - 10) / columns;
  const int free = size.height() - fontHeight - 5;
  const int height = free / perColumn;
  const int top = fontHeight + 1 + (free % perColumn) / 2;
  return QRect(8 + (index / perColumn) * width, top + (index % perColumn) * height, width, height);
}

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, int columns,
                       QWidget* parent)
    : GroupBox(caption, parent), columns_(columns) {
  for (const QString& text : items) {
    auto* button = new QRadioButton(text, this);
    buttons_.addButton(button, count());
    items_.push_back(button);
  }
  buttons_.setExclusive(true);
  if (!items_.empty()) items_.front()->setChecked(true);
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
  GroupBox::resizeEvent(event);
  const int height = fontMetrics().height();
  for (int i = 0; i < count(); ++i) {
    item(i)->setGeometry(ItemRect(size(), height, columns_, count(), i));
  }
}

int RadioGroup::itemIndex() const {
  return buttons_.checkedId();
}

void RadioGroup::setItemIndex(int index) {
  if (index >= 0 && index < count()) items_[static_cast<std::size_t>(index)]->setChecked(true);
}

} // namespace veltrix
