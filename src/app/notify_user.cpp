#include "app/notify_user.h"

#include <cstdarg>
#include <cstdio>

#include <QApplication>
#include <QMessageBox>

namespace veltrix {
namespace {

MessagePresenter& CurrentPresenter() {
  static MessagePresenter presenter;
  return presenter;
}

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
  case MessageKind::Warning:
    return QMessageBox::Warning;
  case MessageKind::Error:
    return QMessageBox::Critical;
  default:
    return QMessageBox::Information;
  }
}

} // namespace

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
  MessagePresenter previous = std::move(CurrentPresenter());
  CurrentPresenter() = std::move(presenter);
  return previous;
}

std::unique_ptr<QMessageBox> MakeMessageBox(MessageKind kind, const QString& text,
                                            QWidget* parent) {
  const std::string_view title = MessageTitle(kind);
  auto box = std::make_unique<QMessageBox>(
      IconOf(kind), QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size())), text,
      QMessageBox::Ok, parent);
  box->setDefaultButton(QMessageBox::Ok);
  return box;
}

int NotifyUser(MessageKind kind, const char* format, ...) {
  char buffer[kMessageBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  // Texts are 8-bit; file names come in the system's own encoding.
  const QString text = QString::fromLocal8Bit(buffer);
  if (const MessagePresenter& presenter = CurrentPresenter()) {
    presenter(kind, text);
  } else {
    MakeMessageBox(kind, text, QApplication::activeWindow())->exec();
  }
  return 1;
}

} // namespace veltrix
