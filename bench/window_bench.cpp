// window_bench INPUT OUTPUT: times the window converting a log as a user would: the seven context
// fields and the full spectrum ticked, comma, header, CONVERT pressed. Prints the seconds from
// the click to the completion message. Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/about_box.h"
#include "app/application.h"
#include "app/controls.h"
#include "app/main_form.h"
#include "app/notify_user.h"
#include "convert/convert.h"

int main(int argc, char** argv) {
  using namespace veltrix;
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_bench INPUT OUTPUT\n");
    return 2;
  }
  const QString input = QString::fromLocal8Bit(argv[1]);
  const QString output = QString::fromLocal8Bit(argv[2]);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  VeltrixApplication app(argc, argv);

  // The message that ends the conversion stops the clock; no box is shown. It only flags the loop
  // to end: the worker waits for this call to return.
  QElapsedTimer clock;
  qint64 elapsedNs = -1;
  std::string message;
  QEventLoop loop;
  SetMessagePresenter([&](MessageKind, const QString& text) {
    if (elapsedNs >= 0) return;
    elapsedNs = clock.nsecsElapsed();
    message = text.toStdString();
    loop.quit();
  });

  TMainForm form;
  form.SetAboutBox(new TAboutBox(&form));
  for (QCheckBox* box : {form.cbRTCDate, form.cbRTCTime, form.cbMarker, form.cbGPSDate,
                         form.cbGPSTime, form.cbGPSLat, form.cbGPSLon, form.cbFullSpectrum})
    box->setChecked(true);
  form.rgDelimiter->setItemIndex(0);
  ConversionOptions wanted;
  wanted.rtcDate = wanted.rtcTime = wanted.marker = true;
  wanted.gpsDate = wanted.gpsTime = wanted.gpsLatitude = wanted.gpsLongitude = true;
  wanted.fullSpectrum = true;
  if (form.Options() != wanted) {
    std::fprintf(stderr, "window_bench: the controls do not give the options wanted\n");
    return 1;
  }
  form.edInputFile->setText(input);
  form.edOutputFile->setText(output);
  form.show();

  // Pressed once the window is up and its event loop runs, as a user would.
  QTimer::singleShot(0, &form, [&] {
    clock.start();
    form.btnConvert->click();
  });
  loop.exec();
  // The worker's last call comes after the message.
  while (form.ConversionRunning()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

  if (message != kMsgCompleted) {
    std::fprintf(stderr, "window_bench: %s\n", message.empty() ? "no message" : message.c_str());
    return 1;
  }
  std::printf("%.3f\n", static_cast<double>(elapsedNs) / 1e9);
  return 0;
}
