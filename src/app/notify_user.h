#pragma once
// NotifyUser: how the program speaks to the user, one modal box with an OK button per message.

#include <functional>
#include <memory>

#include <QString>

#include "convert/messages.h"

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

// Formats printf-style and shows the text. Window thread only. Returns 1 (the OK button).
int NotifyUser(MessageKind kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace veltrix
