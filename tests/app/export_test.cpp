#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "app/controls.h"
#include "app/export_form.h"
#include "example_log.h"
#include "window_test.h"

namespace veltrix::apptest {
namespace {

namespace fs = std::filesystem;

// Every file of a folder by name, with its bytes.
std::map<std::string, std::string> FolderContents(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[entry.path().filename().string()] = bytes.str();
  }
  return files;
}

#ifdef VELTRIX_CONVERT
#define SKIP_WITHOUT_CLI()
void RunCli(QStringList args) {
  args << "-q";
  EXPECT_EQ(QProcess::execute(QStringLiteral(VELTRIX_CONVERT), args), 0)
      << args.join(' ').toStdString();
}
#else
#define SKIP_WITHOUT_CLI() GTEST_SKIP() << "veltrix-convert is not built"
void RunCli(const QStringList&) {}
#endif

class ExportTest : public WindowTest {
protected:
  ExportTest() {
    b = WriteLog("b.qx", tools::MakeExampleLog(LogVariant::B, 48 * 1024));
    g = WriteLog("g.qx", tools::MakeExampleLog(LogVariant::G, 48 * 1024));
    fs::create_directory(File("out"));
    fs::create_directory(File("cli"));
  }

  TExportForm& Dialog() { return *form.ExportForm; }
  void Tick(ProductId id) {
    for (const auto& [product, box] : Dialog().productBoxes)
      if (product == id) box->setChecked(true);
  }
  void IntoFolder(const std::string& folder) {
    Dialog().rbFolder->setChecked(true);
    Dialog().edFolder->setText(QString::fromStdString(folder));
  }
  bool Export() {
    Dialog().btnExport->click();
    return WaitUntil([this] { return !Dialog().Exporting(); });
  }

  std::string b, g;
};

// Every product of each log, into one folder, and a merged survey with filters: the files the
// command line writes, byte for byte, with the main window's options for the split text and the
// table.
TEST_F(ExportTest, WritesWhatTheCommandLineWrites) {
  SKIP_WITHOUT_CLI();
  form.cbMAC->setChecked(true);
  form.cbUtil->setChecked(true);
  form.cbRTCTime->setChecked(true);
  form.rgDelimiter->setItemIndex(3); // semicolon
  form.Export1->trigger();
  Dialog().AddLogs({QString::fromStdString(b), QString::fromStdString(g)});
  for (const Product& product : Catalogue())
    if (!product.caption.empty()) Tick(product.id);
  Dialog().edDatabase->setText(QString::fromStdString(File("s.db")));
  IntoFolder(File("out"));
  ASSERT_TRUE(Export());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MessageKind::Information) << messages[0].text;
  EXPECT_EQ(messages[0].text.substr(0, messages[0].text.find('\n')),
            "2 of 2 logs exported into " + File("out") + ":");
  for (const std::string& log : {b, g}) {
    const std::string stem = fs::path(log).stem().string();
    RunCli({"--kml", "--gpx", "--wigle", "--ap-summary", "--report", "--waterfall", "--split",
            "--survey", "--util", "--rtc-time", "-d", "semicolon", "-o",
            QString::fromStdString(File("cli/" + stem + ".out")), QString::fromStdString(log)});
  }
  const std::map<std::string, std::string> exported = FolderContents(File("out"));
  EXPECT_EQ(exported.size(), 2u * 8); // six products and two record groups each
  EXPECT_TRUE(exported == FolderContents(File("cli")));
  // The message names every file whole, and each log's import into the database.
  for (const auto& [name, bytes] : exported)
    EXPECT_NE(messages[0].text.find(name), std::string::npos) << name;
  for (const char* log : {"b.qx", "g.qx"})
    EXPECT_NE(messages[0].text.find(std::string(log) + ": imported into " + File("s.db") + " ("),
              std::string::npos)
        << messages[0].text;

  // Merged, with a filter of each kind, beside the first log.
  messages.clear();
  Dialog().cbMerge->setChecked(true);
  Dialog().edMergeName->setText(QStringLiteral("site"));
  Dialog().rbBeside->setChecked(true);
  Dialog().cbMinRssi->setChecked(true);
  Dialog().seMinRssi->setValue(-85);
  Dialog().edExcludeSsids->setText(QStringLiteral("x*, [!a-z]*"));
  Dialog().cbEncryption->setCurrentIndex(1);
  ASSERT_TRUE(Export());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text.substr(0, messages[0].text.find('\n')), "2 logs merged into 5 files:");
  RunCli({"--merge",
          "--kml",
          "--gpx",
          "--wigle",
          "--ap-summary",
          "--report",
          "--min-rssi",
          "-85",
          "--exclude-ssid",
          "x*",
          "--exclude-ssid",
          "[!a-z]*",
          "--encryption",
          "open",
          "-d",
          "semicolon",
          "-o",
          QString::fromStdString(File("cli/site")),
          QString::fromStdString(b),
          QString::fromStdString(g)});
  for (const char* suffix : {".kml", ".gpx", ".wigle.csv", ".aps.csv", ".report.html"}) {
    SCOPED_TRACE(suffix);
    EXPECT_TRUE(testing::ReadFile(File(std::string("site") + suffix)) ==
                testing::ReadFile(File(std::string("cli/site") + suffix)));
  }
}

// What is refused before anything is written, and a log that fails.
TEST_F(ExportTest, RefusesOrReportsWhatStopsIt) {
  fs::create_directory(File("sub"));
  const std::string same = WriteLog("sub/g.qx", tools::MakeExampleLog(LogVariant::G, 8 * 1024));
  const struct {
    std::vector<std::string> logs;
    ProductId product;
    bool folder;
    std::string says;
  } cases[] = {
      {{}, ProductId::Kml, false, "Add the logs to export."},
      {{g, same},
       ProductId::Kml,
       true,
       g + " and " + same + " would both be converted to " + File("out") + "/g.kml"},
      {{g},
       ProductId::Split,
       false,
       "Split text by record group needs a record group: tick one in the main window."},
      {{File("missing.qx")},
       ProductId::Kml,
       false,
       "Nothing was exported.\n" + File("missing.qx") + ": Cannot Open File.\n(" +
           File("missing.qx") + ": No such file or directory)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    Dialog().lwLogs->clear();
    for (const auto& [product, box] : Dialog().productBoxes) box->setChecked(false);
    Dialog().rbBeside->setChecked(true);
    for (const std::string& log : c.logs) Dialog().AddLogs({QString::fromStdString(log)});
    Tick(c.product);
    if (c.folder) IntoFolder(File("out"));
    messages.clear();
    ASSERT_TRUE(Export());
    ASSERT_EQ(messages.size(), 1u);
    // Each line as the box shows it: a long one loses its middle.
    QStringList lines = QString::fromStdString(c.says).split(u'\n');
    for (QString& line : lines) line = FitLine(line);
    EXPECT_EQ(messages[0].text, lines.join(u'\n').toStdString());
    EXPECT_TRUE(fs::is_empty(File("out")));
    EXPECT_FALSE(fs::exists(File("g.kml")));
  }
}

// Export waits while a conversion runs; while an export runs, the main window and the dialog's
// inputs wait, and Cancel ends it.
TEST_F(ExportTest, LocksAndIsLockedByTheOtherRuns) {
  HoldConversions();
  StartConversion(g, File("g.out"));
  ASSERT_TRUE(WaitForFirstRecord());
  form.Export1->trigger();
  Tick(ProductId::Kml);
  EXPECT_FALSE(Dialog().btnExport->isEnabled());
  ReleaseConversions();
  ASSERT_TRUE(WaitForConversionEnd());
  EXPECT_TRUE(Dialog().btnExport->isEnabled());
  EXPECT_EQ(Dialog().Logs(), QStringList{QString::fromStdString(g)}); // the main window's log

  std::atomic<bool> started{false};
  Dialog().startHook = [&](const std::atomic<bool>& stop) {
    started = true;
    while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  messages.clear();
  Dialog().btnExport->click();
  ASSERT_TRUE(WaitUntil([&] { return started.load(); }));
  for (QWidget* w : Inputs(form)) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(form.Spectrum1->isEnabled());
  EXPECT_FALSE(form.AccessPoints1->isEnabled());
  for (QWidget* w :
       {static_cast<QWidget*>(Dialog().lwLogs), static_cast<QWidget*>(Dialog().btnExport),
        static_cast<QWidget*>(Dialog().gbProducts)})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  Dialog().btnCancelExport->click();
  ASSERT_TRUE(WaitUntil([&] { return !Dialog().Exporting(); }));
  EXPECT_EQ(messages,
            (std::vector<Message>{{MessageKind::Warning, "Nothing was exported.\n" + g +
                                                             ": Not converted (interrupted)."}}));
  for (QWidget* w : Inputs(form)) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_TRUE(Dialog().btnExport->isEnabled());
}

// Each product's letter reaches its check box alone, Tab follows reading order, Escape closes.
TEST_F(ExportTest, KeyboardReachesEveryControl) {
  form.Export1->trigger();
  std::map<QChar, int> mnemonics;
  for (const QAbstractButton* button : Dialog().findChildren<QAbstractButton*>())
    if (const qsizetype at = button->text().indexOf(u'&'); at >= 0)
      mnemonics[button->text().at(at + 1).toUpper()] += 1;
  for (const QLabel* label : Dialog().findChildren<QLabel*>())
    if (const qsizetype at = label->text().indexOf(u'&'); at >= 0)
      mnemonics[label->text().at(at + 1).toUpper()] += 1;
  for (const char letter : {'W', 'K', 'P', 'C', 'A', 'R', 'G', 'D', 'M'})
    EXPECT_EQ(mnemonics[QChar(letter)], 1) << letter;

  TExportForm& d = Dialog();
  QList<QWidget*> expected = {d.lwLogs, d.btnAdd, d.btnRemove};
  for (const ProductId id : {ProductId::Waterfall, ProductId::Kml, ProductId::Gpx, ProductId::Wigle,
                             ProductId::AccessPointSummary, ProductId::Report, ProductId::Split})
    for (const auto& [product, box] : d.productBoxes)
      if (product == id) expected << box;
  for (const auto& [product, box] : d.productBoxes)
    if (product == ProductId::Database) expected << box << d.edDatabase << d.btnDatabase;
  expected << d.cbMerge << d.edMergeName << d.edSsids << d.edExcludeSsids << d.edExcludeMacs
           << d.btnLoadMacs << d.edChannels << d.cbEncryption << d.cbMinRssi << d.seMinRssi
           << d.cbFrom << d.dtFrom << d.cbTo << d.dtTo << d.rbBeside << d.rbFolder << d.edFolder
           << d.btnFolder << d.btnExport << d.btnCancelExport << d.btnClose;
  QList<QWidget*> chain;
  for (QWidget* w = d.lwLogs; chain.size() < expected.size(); w = w->nextInFocusChain())
    if (w->focusPolicy() & Qt::TabFocus && !qobject_cast<QAbstractSpinBox*>(w->parent()))
      chain << w;
  QStringList names, wanted;
  for (const QWidget* w : chain) names << w->objectName();
  for (const QWidget* w : expected) wanted << w->objectName();
  EXPECT_EQ(names.join(' ').toStdString(), wanted.join(' ').toStdString());

  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(&d, &escape);
  EXPECT_FALSE(d.isVisible());
}

// Several files dropped on the main window go to the Export dialog; one is still the input.
TEST_F(ExportTest, SeveralFilesDroppedOpenTheDialog) {
  Drop(form, {QUrl::fromLocalFile(QString::fromStdString(b)),
              QUrl::fromLocalFile(QString::fromStdString(g))});
  EXPECT_TRUE(Dialog().isVisible());
  EXPECT_EQ(Dialog().Logs(), (QStringList{QString::fromStdString(b), QString::fromStdString(g)}));
  EXPECT_TRUE(Dialog().cbMerge->isEnabled());
  EXPECT_TRUE(form.edInputFile->text().isEmpty());
}

} // namespace
} // namespace veltrix::apptest
