#pragma once
// The window's building blocks beyond Qt's stock widgets, and the fonts and colours they share.

#include <string>
#include <string_view>
#include <vector>

#include <QButtonGroup>
#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QRect>
#include <QStringList>
#include <QWidget>

class QLabel;
class QMimeData;
class QRadioButton;

namespace veltrix {

inline const QColor kBlue(0, 0, 255);
inline const QColor kGreen(0, 128, 0);
inline const QColor kRed(255, 0, 0);
inline const QColor kNavy(0, 0, 128);
inline const QColor kWhite(255, 255, 255);

// The 8-point sans-serif font of every window.
QFont WindowFont(bool bold = false);

// A path as the system names files (its 8-bit encoding), from a text of the window and back.
std::string ToPath(const QString& text);
QString FromPath(std::string_view path);

// Shows a window in front of the others, with the focus.
void BringToFront(QWidget* window);

// The local files dragged or dropped; none when anything else is among them.
QStringList LocalFilesOf(const QMimeData* data);

// Text colour of a widget and of everything inside it, while they are enabled.
void SetTextColour(QWidget* widget, const QColor& colour);

// A label that shows a value: white background, the given alignment.
void MakeValueLabel(QLabel* label, Qt::Alignment alignment);

// A sunken line along the top edge of its rectangle.
class Bevel : public QWidget {
public:
  using QWidget::QWidget;

protected:
  void paintEvent(QPaintEvent* event) override;
};

// A group box whose title sits on its frame line, drawn in the WindowText colour. (Qt's Fusion
// style puts the title above the frame, where it would run into controls placed just below the
// title.)
class GroupBox : public QGroupBox {
public:
  using QGroupBox::QGroupBox;

protected:
  void paintEvent(QPaintEvent* event) override;
};

// A group box of radio buttons laid out in columns, filled column by column; exactly one item is
// selected at any time.
class RadioGroup : public GroupBox {
public:
  RadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent);

  int itemIndex() const;
  void setItemIndex(int index);
  QRadioButton* item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  int count() const { return static_cast<int>(items_.size()); }

  // Where the item `index` of `count` sits in a group of `size` with `columns` columns, for a
  // font `fontHeight` pixels high.
  static QRect ItemRect(QSize size, int fontHeight, int columns, int count, int index);

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  const int columns_;
  QButtonGroup buttons_;
  std::vector<QRadioButton*> items_;
};

} // namespace veltrix
