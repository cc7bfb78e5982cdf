#include <gtest/gtest.h>

#include <QKeyEvent>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>

#include "app/controls.h"
#include "window_test.h"

namespace veltrix::apptest {
namespace {

struct Control {
  const char* name;
  const char* parent;
  QRect rect;
  const char* caption;
  bool grows; // a label or check box: may be wider (or, wrapped, taller) to show its text
  bool bold;
  QColor colour; // the text colour; invalid: the parent's
};

// Where the window differs from its design: lMinFreq and lMaxFreq start 8 pixels further right
// (same right edge), so the wider Linux captions beside them stay readable.
const Control kControls[] = {
    {"Label1", "ClientArea", {8, 16, 169, 13}, "Input File (from Tarvik)", true, true, {}},
    {"Label2", "ClientArea", {8, 48, 107, 13}, "Output File (ASCII)", true, true, {}},
    {"Bevel1", "ClientArea", {0, 0, 753, 9}, "", false, false, {}},
    {"btnInputBrowse", "ClientArea", {416, 16, 65, 25}, "Browse", false, true, {}},
    {"btnOutputBrowse", "ClientArea", {416, 48, 65, 25}, "Browse", false, true, {}},
    {"edInputFile", "ClientArea", {184, 16, 225, 21}, "", false, false, {}},
    {"edOutputFile", "ClientArea", {184, 48, 225, 21}, "", false, false, {}},
    {"GroupBox1",
     "ClientArea",
     {8, 80, 481, 289},
     "Field Selection (per record)",
     false,
     true,
     kBlue},
    {"cbRTCDate", "GroupBox1", {16, 16, 193, 17}, "Put RTC Date in every record", true, true, {}},
    {"cbRTCTime", "GroupBox1", {16, 32, 201, 17}, "Put RTC Time in every record", true, true, {}},
    {"cbMarker",
     "GroupBox1",
     {232, 16, 217, 17},
     "Put marker number in every record",
     true,
     true,
     {}},
    {"cbGPSDate", "GroupBox1", {16, 48, 209, 17}, "Put GPS Date in every record", true, true, {}},
    {"cbGPSTime", "GroupBox1", {16, 64, 201, 17}, "Put GPS Time in every record", true, true, {}},
    {"cbGPSLat",
     "GroupBox1",
     {232, 48, 233, 17},
     "Put GPS Latitude in every record",
     true,
     true,
     {}},
    {"cbGPSLon",
     "GroupBox1",
     {232, 64, 233, 17},
     "Put GPS Longitude in every record",
     true,
     true,
     {}},
    {"cbFullSpectrum",
     "GroupBox1",
     {16, 88, 289, 17},
     "Convert Full Spectrum Data (RSSI*count)",
     true,
     true,
     {}},
    {"cbSingleSpectrum",
     "GroupBox1",
     {16, 104, 457, 17},
     "Convert Single Channel Spectrum (Ch,RSSI*count)",
     true,
     true,
     {}},
    {"cbMAC",
     "GroupBox1",
     {16, 136, 401, 17},
     "Convert Survey MAC Data (Ch,MAC,SSID,RSSI,WEP,AP/STA)",
     true,
     true,
     {}},
    {"cbAP",
     "GroupBox1",
     {64, 160, 289, 17},
     "Convert Access Points only, no stations.",
     true,
     true,
     {}},
    {"cbSingle",
     "GroupBox1",
     {16, 200, 457, 25},
     "Convert Single Channel MAC Data",
     true,
     true,
     {}},
    {"cbUtil",
     "GroupBox1",
     {16, 264, 441, 17},
     "Utilization Data (% for each of the data rates)",
     true,
     true,
     {}},
    {"Label7",
     "GroupBox1",
     {40, 224, 0, 13},
     "--- Tarvik 802.11b (MAC,RSSI,Data Rate,Multipath)",
     true,
     true,
     {}},
    {"Label10",
     "GroupBox1",
     {40, 240, 0, 13},
     "--- Tarvik 802.11g (MAC,RSSI,Data Rate,Packet Length,Good/Bad)",
     true,
     true,
     {}},
    {"rgDelimiter", "ClientArea", {496, 320, 201, 81}, "Delimiter", false, true, kGreen},
    {"cbHeader", "ClientArea", {8, 384, 161, 17}, "Include Header Record", true, true, {}},
    {"GroupBox3", "ClientArea", {495, 8, 249, 121}, "Input File Data", false, true, {}},
    {"Label5", "GroupBox3", {8, 56, 135, 13}, "Min Frequency (in MHz)", true, true, {}},
    {"Label6", "GroupBox3", {8, 72, 138, 13}, "Max Frequency (in MHz)", true, true, {}},
    {"lMinFreq", "GroupBox3", {160, 56, 82, 13}, "2400 MHz", false, true, kRed},
    {"lMaxFreq", "GroupBox3", {160, 72, 82, 13}, "2500 MHz", false, true, kRed},
    {"GroupBox4", "ClientArea", {495, 136, 249, 177}, "Conversion Data", false, true, {}},
    {"pbProgress", "GroupBox4", {8, 104, 233, 25}, "", false, true, {}},
    {"Label8", "GroupBox4", {8, 24, 62, 13}, "BytesRead", true, true, {}},
    {"Label9", "GroupBox4", {8, 40, 65, 13}, "Total Bytes", true, true, {}},
    {"lBytesRead", "GroupBox4", {136, 24, 105, 13}, "0", false, true, kNavy},
    {"lTotalBytes", "GroupBox4", {136, 40, 105, 13}, "0", false, true, {}},
    {"btnConvert", "GroupBox4", {8, 136, 105, 33}, "CONVERT", false, true, kGreen},
    {"btnCancel", "GroupBox4", {136, 136, 105, 33}, "CANCEL", false, true, kRed},
    // The about box; its copyright and maker lines wrap onto a second line.
    {"Panel1", "AboutBox", {8, 8, 281, 161}, "", false, false, {}},
    {"ProgramIcon", "Panel1", {8, 8, 33, 33}, "", false, false, {}},
    {"ProductName", "Panel1", {88, 16, 160, 13}, "Veltrix (Tarvik Edition)", true, false, {}},
    {"Version", "Panel1", {88, 32, 59, 13}, "Version 2.11", true, false, {}},
    {"Copyright",
     "Panel1",
     {88, 48, 185, 13},
     "Copyright (c) 2026 Veltrix contributors",
     true,
     false,
     {}},
    {"Comments",
     "Panel1",
     {8, 112, 258, 13},
     "Made by the Veltrix contributors. All rights reserved.",
     true,
     false,
     {}},
    {"OKButton", "AboutBox", {111, 180, 75, 25}, "OK", false, false, {}},
};

QString Caption(const QWidget* w) {
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
  if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
  return QString();
}

QPalette::ColorRole TextRole(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) ? QPalette::ButtonText : QPalette::WindowText;
}

TEST_F(WindowTest, FreshWindowHasTheDefaults) {
  EXPECT_EQ(QCoreApplication::applicationName().toStdString(), "Veltrix (Tarvik Edition)");
  EXPECT_EQ(form.windowTitle().toStdString(), "Veltrix Data Converter (Tarvik Edition)");
  ConversionOptions expected; // the header alone, "Comma"
  expected.header = true;
  EXPECT_EQ(form.Options(), expected);
  EXPECT_EQ(form.rgDelimiter->item(form.rgDelimiter->itemIndex())->text().toStdString(), "Comma");
  EXPECT_TRUE(form.pbProgress->isVisibleTo(&form));
  EXPECT_EQ(form.pbProgress->text().toStdString(), "0%");
  EXPECT_FALSE(form.Converting());
  EXPECT_FALSE(about->isVisible());
  EXPECT_EQ(form.pos(), QPoint(177, 122));
}

TEST_F(WindowTest, ControlsAreLaidOutWithTheirCaptionsFontsAndColours) {
  for (const Control& c : kControls) {
    SCOPED_TRACE(c.name);
    auto* w = form.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget()->objectName().toStdString(), c.parent);
    EXPECT_EQ(w->pos(), c.rect.topLeft());
    if (c.grows) {
      EXPECT_GE(w->width(), c.rect.width());
      EXPECT_GE(w->height(), c.rect.height());
    } else {
      EXPECT_EQ(w->size(), c.rect.size());
    }
    EXPECT_EQ(Caption(w).toStdString(), c.caption);
    EXPECT_EQ(w->font().pointSize(), 8);
    EXPECT_EQ(w->font().styleHint(), QFont::SansSerif);
    EXPECT_EQ(w->font().bold(), c.bold);
    const QPalette::ColorRole role = TextRole(w);
    EXPECT_EQ(w->palette().color(role),
              c.colour.isValid() ? c.colour : w->parentWidget()->palette().color(role));
  }
  for (QLabel* value : {form.lMinFreq, form.lMaxFreq, form.lBytesRead, form.lTotalBytes}) {
    EXPECT_EQ(value->palette().color(QPalette::Window), kWhite);
    EXPECT_TRUE(value->autoFillBackground());
  }
  EXPECT_TRUE(form.lMinFreq->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(form.lBytesRead->alignment() & form.lTotalBytes->alignment() & Qt::AlignRight);
  EXPECT_EQ(form.pbProgress->palette().color(QPalette::Highlight), kGreen);
  EXPECT_EQ(about->size(), QSize(298, 213));
  EXPECT_EQ(about->minimumSize(), about->maximumSize()); // not resizable
  EXPECT_TRUE(about->OKButton->isDefault());

  const char* const menus[] = {"&File", "E&xit", "&Help", "&About"};
  const QString shown[] = {form.File1->title(), form.Exit1->text(), form.Help1->title(),
                           form.About1->text()};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(shown[i].toStdString(), menus[i]);
}

// Where a control puts its text: a check box or radio button its indicator and caption, centred
// in its height; the bevel its line; anything else its whole rectangle.
QRect InkRect(const QWidget* w) {
  if (w->objectName() == QLatin1String("Bevel1")) return {w->pos(), QSize(w->width(), 2)};
  if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
    const int h = std::max(w->fontMetrics().height(),
                           w->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, w));
    return {w->x(), w->y() + (w->height() - h) / 2, w->sizeHint().width(), h};
  }
  return w->geometry();
}

// The width a control needs to show its caption whole.
int NeededWidth(const QWidget* w) {
  const QFontMetrics metrics = w->fontMetrics();
  if (auto* b = qobject_cast<const QPushButton*>(w)) {
    return metrics.horizontalAdvance(b->text()) +
           2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w);
  }
  if (auto* g = qobject_cast<const QGroupBox*>(w)) {
    return 8 + metrics.horizontalAdvance(g->title()) + 12; // the title stands in the frame
  }
  return w->sizeHint().width();
}

TEST_F(WindowTest, NoCaptionIsCutOffOrCovered) {
  form.show(); // lays out the main window and the radio group
  about->show();
  // The window leaves the client area below the menu bar for the controls.
  EXPECT_EQ(form.size(), QSize(757, 463));
  EXPECT_EQ(form.ClientArea->y(), form.menuBar()->height());
  EXPECT_GE(form.ClientArea->height(), 401); // the lowest controls end there
  const QList<QWidget*> parents = {form.ClientArea,  form.GroupBox1, form.GroupBox3, form.GroupBox4,
                                   form.rgDelimiter, about,          about->Panel1};
  for (QWidget* parent : parents) {
    QRect inside = parent->rect();
    if (auto* group = qobject_cast<QGroupBox*>(parent)) {
      inside.adjust(2, group->fontMetrics().height(), -2, -2); // below the title, in the frame
    }
    const QList<QWidget*> children =
        parent->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* a : children) {
      const std::string name = a->objectName().toStdString();
      auto* label = qobject_cast<QLabel*>(a);
      if (label && label->wordWrap()) {
        EXPECT_GE(a->height(), label->heightForWidth(a->width())) << name << " is cut off";
      } else if (!Caption(a).isEmpty() && !qobject_cast<QLineEdit*>(a)) {
        EXPECT_GE(a->width(), NeededWidth(a)) << name << " is cut off";
      }
      EXPECT_TRUE(inside.contains(InkRect(a)))
          << name << " leaves " << parent->objectName().toStdString();
      for (QWidget* b : children) {
        if (a < b) {
          EXPECT_FALSE(InkRect(a).intersects(InkRect(b)))
              << name << " and " << b->objectName().toStdString() << " overlap";
        }
      }
    }
  }
  // Delimiter items fill two columns, column by column.
  EXPECT_EQ(form.rgDelimiter->item(1)->x(), form.rgDelimiter->item(0)->x());
  EXPECT_GT(form.rgDelimiter->item(2)->x(), form.rgDelimiter->item(1)->x());
  about->hide();
  form.close();
}

TEST_F(WindowTest, AboutTwiceShowsOneBoxAndOkHidesIt) {
  form.show();
  form.About1->trigger();
  form.About1->trigger();
  int shown = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) shown += w->isVisible() && w != &form;
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(about->isVisible());
  const QPoint offCentre = about->frameGeometry().center() -
                           QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE(offCentre.manhattanLength(), 4);

  about->OKButton->click();
  EXPECT_FALSE(about->isVisible());
  EXPECT_EQ(about->result(), QDialog::Accepted);
  EXPECT_TRUE(form.isVisible()); // modeless: the main window stays as it was

  form.About1->trigger();
  EXPECT_TRUE(about->isVisible());
  about->close(); // its close box hides it too
  EXPECT_FALSE(about->isVisible());
  form.close();
}

// Tab follows reading order, Enter presses a focused button, and the window keeps the size its
// controls need.
TEST_F(WindowTest, KeyboardAndSize) {
  QList<QWidget*> expected = {form.edInputFile, form.btnInputBrowse, form.edOutputFile,
                              form.btnOutputBrowse};
  for (QCheckBox* box : {form.cbRTCDate, form.cbMarker, form.cbRTCTime, form.cbGPSDate,
                         form.cbGPSLat, form.cbGPSTime, form.cbGPSLon, form.cbFullSpectrum,
                         form.cbSingleSpectrum, form.cbMAC, form.cbAP, form.cbSingle, form.cbUtil})
    expected << box;
  for (int i = 0; i < form.rgDelimiter->count(); ++i) expected << form.rgDelimiter->item(i);
  expected << form.cbHeader << form.btnConvert << form.btnCancel;
  QList<QWidget*> chain;
  for (QWidget* w = form.edInputFile; chain.size() < expected.size(); w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) chain << w;
  }
  EXPECT_TRUE(chain == expected);

  nextOutput = QStringLiteral("/tmp/by-enter.out");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(form.btnOutputBrowse, &enter);
  EXPECT_EQ(form.edOutputFile->text().toStdString(), "/tmp/by-enter.out");

  EXPECT_EQ(form.minimumSize(), QSize(757, 463));
  form.resize(300, 200);
  EXPECT_EQ(form.size(), QSize(757, 463));
}

TEST_F(WindowTest, ExitClosesTheWindow) {
  form.show();
  form.Exit1->trigger();
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(messages.empty());
}

} // namespace
} // namespace veltrix::apptest
