#include "app/notify_user.h"

#include "app/controls.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <utility>
#include <vector>

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

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

// The paths of a line: runs that start with "/" at the start of the line or after a space, "(" or
// a quote, up to ": ", ", ", ")", " -> " or the end. As [start, end) pairs.
std::vector<std::pair<qsizetype, qsizetype>> PathsIn(const QString& line) {
  std::vector<std::pair<qsizetype, qsizetype>> paths;
  for (qsizetype i = 0; i < line.size(); ++i) {
    if (line[i] != u'/' || (i > 0 && !QStringLiteral(" (\"'").contains(line[i - 1]))) continue;
    qsizetype end = line.size();
    for (const QString& stop : {QStringLiteral(": "), QStringLiteral(", "), QStringLiteral(")"),
                                QStringLiteral(" -> ")}) {
      const qsizetype at = line.indexOf(stop, i);
      if (at >= 0) end = std::min(end, at);
    }
    paths.emplace_back(i, end);
    i = end;
  }
  return paths;
}

// `text` shortened to `length` characters by "..." in place of its middle.
QString ShortenMiddle(const QString& text, qsizetype length) {
  static const QString dots = QStringLiteral("...");
  if (text.size() <= length) return text;
  const qsizetype kept = std::max<qsizetype>(length - dots.size(), 0);
  const qsizetype head = kept / 2;
  return text.left(head) + dots + text.right(kept - head);
}

} // namespace

QString FitLine(const QString& line) {
  const qsizetype excess = line.size() - kMessageLineLength;
  if (excess <= 0) return line;
  // Shortened to no less than this, a path still shows where it starts and its file name.
  constexpr qsizetype kShortestPath = 24;
  std::pair<qsizetype, qsizetype> longest{0, 0};
  for (const auto& path : PathsIn(line))
    if (path.second - path.first > longest.second - longest.first) longest = path;
  const qsizetype length = longest.second - longest.first;
  if (length - excess < kShortestPath) return ShortenMiddle(line, kMessageLineLength);
  return line.left(longest.first) +
         ShortenMiddle(line.mid(longest.first, length), length - excess) + line.mid(longest.second);
}

void ShowMessage(MessageKind kind, const QString& text) {
  QStringList lines = text.split(u'\n');
  for (QString& line : lines) line = FitLine(line);
  const QString fitted = lines.join(u'\n');
  if (const MessagePresenter& presenter = CurrentPresenter()) {
    presenter(kind, fitted);
  } else {
    MakeMessageBox(kind, fitted, QApplication::activeWindow())->exec();
  }
}

QString FailureText(std::string_view first, const std::string& file, const std::string& reason) {
  QString text = QString::fromLatin1(first.data(), static_cast<qsizetype>(first.size()));
  if (reason.empty()) return text;
  text += QStringLiteral("\n(");
  if (!file.empty()) text += QFileInfo(FromPath(file)).absoluteFilePath() + QStringLiteral(": ");
  return text + FromPath(reason) + u')';
}

QString ResultText(const ConversionResult& result, const std::string& input) {
  const std::string first = ResultMessage(result);
  const std::string& detail = result.failureDetail;
  if (Succeeded(result.status) || detail.empty()) return FromPath(first);
  if (result.status == ConvertStatus::CannotOpen) return FailureText(first, input, detail);
  return OutputFailureText(first, detail);
}

QString IdentifyText(const Identification& found, const std::string& path) {
  return FailureText(IdentifyMessage(found.result), path, found.reason);
}

QString OutputFailureText(std::string_view first, const std::string& detail) {
  // The system's reasons hold no ": ", file names may.
  const std::size_t colon = detail.rfind(": ");
  if (colon == std::string::npos) return FailureText(first, {}, detail);
  return FailureText(first, detail.substr(0, colon), detail.substr(colon + 2));
}

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
  ShowMessage(kind, QString::fromLocal8Bit(buffer));
  return 1;
}

} // namespace veltrix
