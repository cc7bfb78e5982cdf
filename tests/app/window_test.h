#pragma once
// A main window with its about box, the dialogs and the message box replaced by recorders, and
// helpers to drive conversions in it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "app/about_box.h"
#include "app/controls.h"
#include "app/main_form.h"
#include "app/notify_user.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"

namespace veltrix::apptest {

struct Message {
  MessageKind kind;
  std::string text;
  bool operator==(const Message&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Message& m) {
  return out << static_cast<int>(m.kind) << " \"" << m.text << '"';
}

inline Message Info(const char* text) {
  return {MessageKind::Information, text};
}

// Runs the window thread's events until `done` holds; false after `timeoutMs`. One pass at a
// time, so a conversion moves on by about one record per pass.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 120000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents();
    std::this_thread::yield();
  }
  return true;
}

inline std::string Text(const QLabel* label) {
  return label->text().toStdString();
}

// Drags `urls` onto the window and drops them there, as a file manager does.
inline void Drop(TMainForm& form, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &enter);
  QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &drop);
  QCoreApplication::processEvents();
}

// Every input of the window: the file names, their Browse buttons, the options and CONVERT.
inline QList<QWidget*> Inputs(const TMainForm& form) {
  QList<QWidget*> inputs = {form.edInputFile,     form.btnInputBrowse, form.edOutputFile,
                            form.btnOutputBrowse, form.cbHeader,       form.btnConvert};
  inputs << form.rgDelimiter;
  for (QCheckBox* box : form.GroupBox1->findChildren<QCheckBox*>()) inputs << box;
  return inputs;
}

class WindowTest : public ::testing::Test {
protected:
  WindowTest() {
    form.SetAboutBox(about);
    form.SetFileDialogs({
        [this](const QString& folder) {
          inputFolders.push_back(folder.toStdString());
          return nextInput;
        },
        [this](const QString&) { return nextOutput; },
    });
  }
  ~WindowTest() override { SetMessagePresenter(std::move(previousPresenter_)); }

  std::string File(const std::string& name) const { return dir.File(name); }
  std::string WriteLog(const std::string& name, const testing::Bytes& bytes) const {
    testing::WriteFile(File(name), bytes);
    return File(name);
  }

  // Names the files in the fields and presses CONVERT.
  void StartConversion(const std::string& input, const std::string& output) {
    form.edInputFile->setText(QString::fromStdString(input));
    form.edOutputFile->setText(QString::fromStdString(output));
    form.btnConvert->click();
  }
  bool WaitForConversionEnd() {
    return WaitUntil([this] { return !form.ConversionRunning(); });
  }
  // Waits until the display shows a record read.
  bool WaitForFirstRecord() {
    return WaitUntil([this] { return Text(form.lBytesRead) != "0"; });
  }
  // Conversions started from now on stop after their first records until released, cancelled or
  // closed: they would end before a test could look at them otherwise.
  void HoldConversions() {
    form.SetRecordHook([this](const std::atomic<bool>& terminate) {
      while (!released_ && !terminate.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  }
  void ReleaseConversions() { released_ = true; }

  std::vector<Message> messages;
  std::vector<std::string> inputFolders;
  std::optional<QString> nextInput;
  std::optional<QString> nextOutput;
  testing::TempDir dir;
  // Before the window: every message it shows is recorded.
  MessagePresenter previousPresenter_ =
      SetMessagePresenter([this](MessageKind kind, const QString& text) {
        messages.push_back({kind, text.toStdString()});
      });
  TMainForm form;
  TAboutBox* about = new TAboutBox(&form);

private:
  std::atomic<bool> released_{false};
};

} // namespace veltrix::apptest
