#include "app/about_box.h"

#include <algorithm>

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/app_icon.h"
#include "app/controls.h"

namespace veltrix {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, QRect rect,
                  bool wrap = false) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(wrap);
  // Like a self-sizing label: as wide as its text needs (or, wrapped, as tall), never smaller
  // than laid out.
  if (wrap) {
    rect.setHeight(std::max(rect.height(), label->heightForWidth(rect.width())));
  } else {
    rect.setWidth(std::max(rect.width(), label->sizeHint().width()));
  }
  label->setGeometry(rect);
  return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About Veltrix"));
  setFont(WindowFont());
  setFixedSize(298, 213); // client area; not resizable

  // A lowered outer and a raised inner bevel: Qt's etched box.
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Panel1->setGeometry(8, 8, 281, 161);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setPixmap(ProgramPixmap(64));
  ProgramIcon->setGeometry(8, 8, 33, 33);

  ProductName = MakeLabel(Panel1, "ProductName", kProductName, {88, 16, 160, 13});
  Version = MakeLabel(Panel1, "Version", kVersionText, {88, 32, 59, 13});
  // Our copyright line is longer than the panel has room for beside the icon: it wraps.
  Copyright = MakeLabel(Panel1, "Copyright", kCopyrightText, {88, 48, 185, 13}, true);
  Comments = MakeLabel(Panel1, "Comments", kCommentsText, {8, 112, 258, 13}, true);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(111, 180, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

void TAboutBox::OKButtonClick() {
  done(QDialog::Accepted);
}

void TAboutBox::setVisible(bool visible) {
  // Centred on the screen each time it appears.
  if (visible && !isVisible()) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
  }
  QDialog::setVisible(visible);
}

} // namespace veltrix
