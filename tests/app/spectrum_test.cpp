// The View menu's Spectrum window: the picture of the log named in the main window, drawn like a
// conversion, with its readout and Save Picture.
#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>

#include "app/access_points_form.h"
#include "app/export_form.h"
#include "app/spectrum_form.h"
#include "example_log.h"
#include "outputs/picture/waterfall_output.h"
#include "reader/identify.h"
#include "window_test.h"

namespace veltrix::apptest {
namespace {

namespace fs = std::filesystem;

bool WaitForPicture(TMainForm& form) {
  return WaitUntil([&] { return !form.SpectrumForm->Drawing(); });
}

TEST_F(WindowTest, MenusHoldTheirItemsInOrder) {
  QStringList titles;
  for (QAction* menu : form.menuBar()->actions()) {
    titles << menu->text() + u':';
    for (QAction* item : menu->menu()->actions()) titles << item->text();
  }
  EXPECT_EQ(titles.join(QLatin1Char(' ')).toStdString(),
            "&File: &Export... E&xit &View: &Spectrum... &Access Points... &Help: &About");
  EXPECT_EQ(form.Export1->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
}

TEST_F(WindowTest, SpectrumShowsAndSavesThePictureOfTheInput) {
  const std::string log = WriteLog("in.qx", tools::MakeExampleLog(LogVariant::G, 64 * 1024));
  form.edInputFile->setText(QString::fromStdString(log));
  form.Spectrum1->trigger();
  ASSERT_TRUE(WaitForPicture(form));
  EXPECT_TRUE(messages.empty());
  TSpectrumForm& spectrum = *form.SpectrumForm;
  ASSERT_TRUE(spectrum.Picture());
  EXPECT_FALSE(spectrum.View->Image().isNull());
  EXPECT_TRUE(spectrum.btnSavePicture->isEnabled());
  EXPECT_FALSE(spectrum.pbDrawing->isVisible());
  for (QWidget* w : Inputs(form)) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();

  // Under the pointer: the row's time, the frequency and the level.
  const PixelRect& panel = spectrum.Picture()->WaterfallPanel();
  const QString readout =
      spectrum.ReadoutText(QPointF(spectrum.Picture()->XOfMHz(2450), panel.y + 1));
  EXPECT_TRUE(readout.startsWith(QStringLiteral("07/12/2007 13:05:")) &&
              readout.contains(QStringLiteral("2450.0 MHz")) && readout.endsWith(" dBm"))
      << readout.toStdString();
  EXPECT_TRUE(spectrum.ReadoutText(QPointF(2, 2)).isEmpty());

  // Saved, it is the command line's picture of the same log, byte for byte.
  QString proposed;
  spectrum.askPictureFile = [&](const QString& name) -> std::optional<QString> {
    proposed = name;
    return QString::fromStdString(File("saved.png"));
  };
  spectrum.btnSavePicture->click();
  EXPECT_EQ(proposed.toStdString(), File("in.waterfall.png"));
#ifdef VELTRIX_CONVERT
  ASSERT_EQ(QProcess::execute(QStringLiteral(VELTRIX_CONVERT),
                              {QStringLiteral("--waterfall"), QString::fromStdString(log)}),
            0);
  EXPECT_TRUE(testing::ReadFile(File("saved.png")) == testing::ReadFile(File("in.waterfall.png")));
#endif
}

TEST_F(WindowTest, SpectrumOfWhatHasNoPicture) {
  const struct {
    std::string input;
    Message message;
  } cases[] = {
      {WriteLog("junk.qx", {'J', 'U', 'N', 'K'}), Info(kMsgNotValid)},
      {File("missing.qx"),
       {MessageKind::Information,
        std::string(kMsgCannotOpen) + "\n(" + File("missing.qx") + ": No such file or directory)"}},
      {WriteLog("b.qx", testing::LogBuilder("QXB ").Frame(4, {6}).bytes()), Info(kMsgNoSweeps)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    messages.clear();
    form.edInputFile->setText(QString::fromStdString(c.input));
    form.Spectrum1->trigger();
    ASSERT_TRUE(WaitForPicture(form));
    EXPECT_EQ(messages, std::vector{c.message});
    EXPECT_FALSE(form.SpectrumForm->Picture());
    EXPECT_FALSE(form.SpectrumForm->btnSavePicture->isEnabled());
  }
}

// Spectrum... is locked while a conversion runs, and the main window's inputs while a picture is
// drawn: both open the log exclusively.
TEST_F(WindowTest, SpectrumAndConversionLockEachOther) {
  HoldConversions();
  const std::string log = WriteLog("in.qx", tools::MakeExampleLog(LogVariant::G, 64 * 1024));
  StartConversion(log, File("out.out"));
  ASSERT_TRUE(WaitForFirstRecord());
  EXPECT_FALSE(form.Spectrum1->isEnabled());
  EXPECT_FALSE(form.AccessPoints1->isEnabled());
  form.Spectrum1Click(); // past the locked menu items: nothing starts
  form.AccessPoints1Click();
  EXPECT_FALSE(form.SpectrumForm->Drawing());
  EXPECT_FALSE(form.AccessPointsForm->Drawing());
  ReleaseConversions();
  ASSERT_TRUE(WaitForConversionEnd());
  EXPECT_TRUE(form.Spectrum1->isEnabled());

  form.SpectrumForm->recordHook = nullptr;
  form.SetRecordHook([](const std::atomic<bool>& terminate) {
    while (!terminate.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  form.Spectrum1->trigger();
  ASSERT_TRUE(WaitUntil([&] { return form.SpectrumForm->pbDrawing->isVisible(); }));
  EXPECT_TRUE(form.SpectrumForm->Drawing());
  for (QWidget* w : Inputs(form)) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(form.Spectrum1->isEnabled());
  form.AccessPoints1Click(); // both read the log: one waits for the other
  EXPECT_FALSE(form.AccessPointsForm->Drawing());
  form.Export1->trigger();
  EXPECT_FALSE(form.ExportForm->btnExport->isEnabled());
  form.SpectrumForm->btnCancelDrawing->click();
  ASSERT_TRUE(WaitForPicture(form));
  for (QWidget* w : Inputs(form)) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_TRUE(form.Spectrum1->isEnabled());
}

} // namespace
} // namespace veltrix::apptest
