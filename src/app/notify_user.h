#pragma once
// NotifyUser: how the program speaks to the user, one modal box with an OK button per message.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <QString>

#include "convert/convert.h"
#include "convert/messages.h"
#include "reader/identify.h"

class QMessageBox;
class QWidget;

namespace veltrix {

// Messages are formatted into a buffer of this size, so a text has at most 127 characters.
inline constexpr int kMessageBufferSize = 128;

// Shows one message and returns when the user has dismissed it.
using MessagePresenter = std::function<void(MessageKind kind, const QString& text)>;

// Replaces the modal box (tests record the messages instead); an empty function restores it.
// Returns the presenter that was in place.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

// The box the default presenter runs: the kind's title and icon, the text, one OK button.
std::unique_ptr<QMessageBox> MakeMessageBox(MessageKind kind, const QString& text,
                                            QWidget* parent = nullptr);

// The longest line a message shows.
inline constexpr int kMessageLineLength = kMessageBufferSize - 1;

// `line` within kMessageLineLength characters: its longest path shortened in the middle with
// "..." (the line itself when it names no path that can take it).
QString FitLine(const QString& line);

// Shows `text`, each of its lines fitted (FitLine). Window thread only.
void ShowMessage(MessageKind kind, const QString& text);

// A failure's message: `first` as it stands and, when there is a reason, a second line
// "(FILE: reason)" naming the file by its full path ("(reason)" without a file).
QString FailureText(std::string_view first, const std::string& file, const std::string& reason);

// The same for a failure whose `detail` names its file as the outputs do: "out/x.out: reason".
QString OutputFailureText(std::string_view first, const std::string& detail);

// The window's message for a conversion's result: ResultMessage, and for a failure the reason,
// naming the log at `input` when it could not be opened and otherwise the file that failed.
QString ResultText(const ConversionResult& result, const std::string& input);

// The message of an identification of the log at `path`, with the reason it could not be opened.
QString IdentifyText(const Identification& found, const std::string& path);

// Formats printf-style and shows the text. Window thread only. Returns 1 (the OK button).
int NotifyUser(MessageKind kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace veltrix
