// A machine printer through the platform printer: opening, page set-up,
// documents to PDF files and raw jobs.
#include "PrinterFakes.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClassEngine.h"

#include "platform/Classes.h"
#include "platform/Dialogs.h"
#include "platform/Forms.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Records the message boxes shown meanwhile, answering OK; errors are shown
// in a box as the windows layer shows them.
struct TMessages {
    QStringList Texts;
    TScopedDialogHook Hook{[this](TDialogRequest &R) {
        if (R.Kind != TDialogKind::MessageBox)
            return 0;
        Texts << R.Text;
        return int(IDOK);
    }};
    const TqdzBuildFactories Saved = qdzBuildFactories();
    TMessages()
    {
        TqdzBuildFactories f = Saved;
        f.ShowErrorMessage = [](const QString &Text) { Application->MessageBox(Text, QString(), MB_OK); };
        qdzInstallBuildFactories(f);
    }
    ~TMessages() { qdzInstallBuildFactories(Saved); }
};

QString RunTool(const QString &Program, const QStringList &Args)
{
    QProcess p;
    p.start(Program, Args);
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class PrinterDevice : public ::testing::Test
{
protected:
    void SetUp() override { spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))}; }
    TScopedSpooler spooler;
};

TEST_F(PrinterDevice, InitReadsTheDevice)
{
    TMessages messages;
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    EXPECT_FALSE(p.Initialized());
    p.Init();
    ASSERT_TRUE(p.Initialized());
    ASSERT_NE(p.Device(), nullptr);
    EXPECT_EQ(p.DPI(), TPoint(300, 300));
    EXPECT_EQ(p.DefPaper(), 9);
    EXPECT_EQ(p.PaperSize(), 9);
    EXPECT_DOUBLE_EQ(p.PaperWidth(), 210);
    EXPECT_DOUBLE_EQ(p.PaperHeight(), 297);
    EXPECT_DOUBLE_EQ(p.DefPaperWidth(), 210);
    EXPECT_DOUBLE_EQ(p.DefPaperHeight(), 297);
    EXPECT_DOUBLE_EQ(p.LeftMargin(), 4);
    EXPECT_DOUBLE_EQ(p.TopMargin(), 5);
    EXPECT_DOUBLE_EQ(p.RightMargin(), 4);
    EXPECT_DOUBLE_EQ(p.BottomMargin(), 5);
    EXPECT_FALSE(p.DefOrientation());
    EXPECT_FALSE(p.Orientation());
    EXPECT_EQ(p.DefBin(), DMBIN_UPPER);
    EXPECT_EQ(p.DefDuplex(), DMDUP_VERTICAL);
    EXPECT_EQ(p.Bin(), -1);
    EXPECT_EQ(p.Duplex(), -1);

    // Papers: "Custom" first, then the device's own, its custom entry left out.
    ASSERT_EQ(p.Papers()->Count(), 5);
    const QStringList names{"Custom", "A4", "Letter", "A5", "Label 80x50"};
    const int ids[] = {256, 9, 1, 11, 257};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(p.Papers()->Strings(i), names[i]);
        EXPECT_EQ(p.PaperIdAt(i), ids[i]);
    }
    // Bins: "Default" first, the device's automatic tray left out.
    ASSERT_EQ(p.Bins()->Count(), 3);
    EXPECT_EQ(p.Bins()->Strings(0), QStringLiteral("Default"));
    EXPECT_EQ(p.BinCodeAt(0), DMBIN_AUTO);
    EXPECT_EQ(p.Bins()->Strings(1), QStringLiteral("Tray1"));
    EXPECT_EQ(p.BinCodeAt(1), DMBIN_UPPER);
    EXPECT_EQ(p.Bins()->Strings(2), QStringLiteral("Manual"));
    EXPECT_EQ(p.BinCodeAt(2), DMBIN_MANUAL);
    EXPECT_TRUE(messages.Texts.isEmpty());

    // A second Init changes nothing.
    p.Init();
    EXPECT_EQ(p.Papers()->Count(), 5);
}

TEST_F(PrinterDevice, DeviceWithoutResolutionIsNotValid)
{
    spooler->Printers[0].DPI = 0;
    TMessages messages;
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    EXPECT_FALSE(p.Initialized());
    EXPECT_EQ(p.Device(), nullptr);
    EXPECT_EQ(messages.Texts, QStringList{QStringLiteral("Printer selected is not valid")});
    EXPECT_EQ(p.Papers()->Count(), 1);
    // Nothing to print on: the document refuses to start.
    p.SetFileName(QStringLiteral("/tmp/never.pdf"));
    EXPECT_THROW(p.BeginDoc(), EPrinter);
    EXPECT_FALSE(p.Printing());
}

TEST_F(PrinterDevice, UnknownPrinterStaysClosedSilently)
{
    TMessages messages;
    TqdzPrinter p(QStringLiteral("Unplugged"), QString());
    p.Init();
    EXPECT_FALSE(p.Initialized());
    EXPECT_EQ(p.Device(), nullptr);
    EXPECT_TRUE(messages.Texts.isEmpty());
    p.SetViewParams(9, 0, 0, true);
    EXPECT_EQ(p.PaperSize(), 0);
}

TEST_F(PrinterDevice, ViewParameters)
{
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    const struct {
        int Id;
        double W, H;
        bool Landscape;
        double WantW, WantH;
    } cases[] = {
        {1, 0, 0, false, 216, 279},   // Letter, rounded to whole millimetres
        {1, 0, 0, true, 279, 216},
        {11, 0, 0, true, 210, 148},
        {9, 0, 0, false, 210, 297},
        {256, 123.4, 56.7, false, 123.4, 56.7},
        {256, 123.4, 56.7, true, 123.4, 56.7},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Id);
        p.SetViewParams(c.Id, c.W, c.H, c.Landscape);
        EXPECT_EQ(p.PaperSize(), c.Id);
        EXPECT_EQ(p.Orientation(), c.Landscape);
        EXPECT_DOUBLE_EQ(p.PaperWidth(), c.WantW);
        EXPECT_DOUBLE_EQ(p.PaperHeight(), c.WantH);
    }
    // A custom size is laid out on A4 as the base.
    EXPECT_EQ(p.Device()->PaperId(), 9);
    EXPECT_EQ(p.Device()->Orientation(), poLandscape);
}

TEST_F(PrinterDevice, PrintParametersDuplexBinAndCustomSize)
{
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    ASSERT_TRUE(p.Initialized());

    // duplex argument: 0 the printer's default, 1 vertical, 2 horizontal, 3 simplex
    const int duplex[][2] = {{0, DMDUP_VERTICAL}, {1, DMDUP_VERTICAL}, {2, DMDUP_HORIZONTAL}, {3, DMDUP_SIMPLEX}};
    for (const auto &d : duplex) {
        p.SetPrintParams(9, 0, 0, false, 7, d[0], 1);
        EXPECT_EQ(p.Device()->Duplex(), d[1]) << d[0];
    }
    EXPECT_EQ(p.Device()->Handle()->duplex(), QPrinter::DuplexNone);

    // bin 7 ("Default") is the printer's default tray; others pass through
    p.SetPrintParams(9, 0, 0, false, 7, 0, 1);
    EXPECT_EQ(p.Device()->Bin(), DMBIN_UPPER);
    p.SetPrintParams(9, 0, 0, false, DMBIN_MANUAL, 0, 1);
    EXPECT_EQ(p.Device()->Bin(), DMBIN_MANUAL);

    // what the printer's own dialog chose wins over the arguments
    p.SetBin(DMBIN_LOWER);
    p.SetDuplex(DMDUP_HORIZONTAL);
    p.SetPrintParams(9, 0, 0, false, DMBIN_MANUAL, 3, 1);
    EXPECT_EQ(p.Device()->Bin(), DMBIN_LOWER);
    EXPECT_EQ(p.Device()->Duplex(), DMDUP_HORIZONTAL);
    p.SetBin(-1);
    p.SetDuplex(-1);

    // copies
    p.SetPrintParams(9, 0, 0, false, 7, 0, 3);
    EXPECT_EQ(p.Device()->Copies(), 3);

    // custom size: the device takes it portrait, in whole tenths of a millimetre
    p.SetPrintParams(256, 300.04, 100.06, true, 7, 0, 1);
    EXPECT_EQ(p.Device()->PaperId(), 256);
    EXPECT_DOUBLE_EQ(p.Device()->PaperWidth(), 100.1);
    EXPECT_DOUBLE_EQ(p.Device()->PaperHeight(), 300.0);
    EXPECT_EQ(p.Device()->Orientation(), poLandscape);
    EXPECT_EQ(p.PaperSize(), 256);
    EXPECT_TRUE(p.Orientation());
    EXPECT_DOUBLE_EQ(p.PaperWidth(), 300);
    EXPECT_DOUBLE_EQ(p.PaperHeight(), 100);

    p.SetPrintParams(11, 0, 0, false, 7, 0, 1);
    EXPECT_EQ(p.PaperSize(), 11);
    EXPECT_DOUBLE_EQ(p.PaperWidth(), 148);
    EXPECT_DOUBLE_EQ(p.PaperHeight(), 210);
}

TEST_F(PrinterDevice, CanvasFontFollowsThePrinterResolution)
{
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    TFont *f = p.Canvas()->Font();
    f->SetPixelsPerInch(96);
    f->SetSize(12);
    EXPECT_EQ(f->Height(), -16);
    p.Canvas()->UpdateFont();
    EXPECT_EQ(f->PixelsPerInch(), 300);
    EXPECT_EQ(f->Size(), 12);
    EXPECT_EQ(f->Height(), -50);
    // A font assigned later at screen resolution keeps its point size.
    TFont screen;
    screen.SetSize(8);
    p.Canvas()->SetFont(&screen);
    EXPECT_EQ(f->Size(), 8);
    EXPECT_EQ(f->Height(), -33);
}

TEST_F(PrinterDevice, PrintsPagesToAPdfFile)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "poppler-utils missing (scripts/setup installs it)";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.prn"));
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    p.SetFileName(file);
    p.SetPrintParams(9, 0, 0, false, 7, 0, 1);
    p.BeginDoc();
    EXPECT_TRUE(p.Printing());
    p.BeginPage();
    p.Canvas()->Font()->SetName(QStringLiteral("Arial"));
    p.Canvas()->Font()->SetSize(14);
    p.Canvas()->TextOut(300, 300, QStringLiteral("Delivery note 4711"));
    p.EndPage();
    // The second page on A5 landscape.
    p.SetPrintParams(11, 0, 0, true, 7, 0, 1);
    p.BeginPage();
    p.Canvas()->TextOut(300, 300, QStringLiteral("Second sheet"));
    p.EndPage();
    p.EndDoc();
    EXPECT_FALSE(p.Printing());

    const QString info = RunTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                          QStringLiteral("-l"), QStringLiteral("2"), file});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Tarvo Report Document\\n"))))
        << info.toStdString();
    // A4 portrait is 595 x 842 points, A5 landscape 595 x 420.
    const QRegularExpression page1(QStringLiteral("Page\\s+1 size:\\s+(\\d+)(\\.\\d+)? x (\\d+)"));
    const QRegularExpression page2(QStringLiteral("Page\\s+2 size:\\s+(\\d+)(\\.\\d+)? x (\\d+)"));
    const auto m1 = page1.match(info), m2 = page2.match(info);
    ASSERT_TRUE(m1.hasMatch()) << info.toStdString();
    ASSERT_TRUE(m2.hasMatch()) << info.toStdString();
    EXPECT_NEAR(m1.captured(1).toInt(), 595, 1);
    EXPECT_NEAR(m1.captured(3).toInt(), 842, 1);
    EXPECT_NEAR(m2.captured(1).toInt(), 595, 1);
    EXPECT_NEAR(m2.captured(3).toInt(), 420, 1);

    const QString text1 = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                             QStringLiteral("-l"), QStringLiteral("1"), file,
                                                             QStringLiteral("-")});
    const QString text2 = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QStringLiteral("2"),
                                                             QStringLiteral("-l"), QStringLiteral("2"), file,
                                                             QStringLiteral("-")});
    EXPECT_TRUE(text1.contains(QStringLiteral("Delivery note 4711"))) << text1.toStdString();
    EXPECT_TRUE(text2.contains(QStringLiteral("Second sheet"))) << text2.toStdString();

    // Drawing starts at the printable corner (4 mm, 5 mm) and is in device
    // pixels (300 per inch): 300 pixels in is one inch further; the 14-point
    // font is about 14 points high.
    const QString box = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"),
                                                            QStringLiteral("1"), QStringLiteral("-l"),
                                                            QStringLiteral("1"), file, QStringLiteral("-")});
    const auto word = QRegularExpression(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                                        "xMax=\"[\\d.]+\" yMax=\"([\\d.]+)\">Delivery<"))
                          .match(box);
    ASSERT_TRUE(word.hasMatch()) << box.toStdString();
    EXPECT_NEAR(word.captured(1).toDouble(), 4 / 25.4 * 72 + 72, 1.0);
    const double height = word.captured(3).toDouble() - word.captured(2).toDouble();
    EXPECT_GT(height, 12);
    EXPECT_LT(height, 20);

    // After the document the dialog's choices are forgotten and the device
    // is back on its default tray and duplex mode.
    EXPECT_EQ(p.Bin(), -1);
    EXPECT_EQ(p.Duplex(), -1);
    EXPECT_EQ(p.Device()->Bin(), DMBIN_UPPER);
    EXPECT_EQ(p.Device()->Duplex(), DMDUP_VERTICAL);
}

TEST_F(PrinterDevice, DocumentTitleAndUnwritableFile)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "poppler-utils missing (scripts/setup installs it)";
    QTemporaryDir dir;
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    p.SetTitle(QStringLiteral("Order 12"));
    p.SetFileName(dir.filePath(QStringLiteral("t.pdf")));
    p.BeginDoc();
    p.BeginPage();
    p.Canvas()->TextOut(10, 10, QStringLiteral("x"));
    p.EndPage();
    p.EndDoc();
    EXPECT_TRUE(RunTool(QStringLiteral("pdfinfo"), {dir.filePath(QStringLiteral("t.pdf"))})
                    .contains(QRegularExpression(QStringLiteral("Title:\\s+Order 12\\n"))));

    p.SetFileName(dir.filePath(QStringLiteral("no/such/folder/t.pdf")));
    EXPECT_THROW(p.BeginDoc(), EPrinter);
    EXPECT_FALSE(p.Printing());
    // Without a file the made-up printer has nowhere to print.
    p.SetFileName(QString());
    EXPECT_THROW(p.BeginDoc(), EPrinter);
    EXPECT_FALSE(p.Printing());
}

TEST_F(PrinterDevice, AbortEndsTheDocument)
{
    QTemporaryDir dir;
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    p.SetFileName(dir.filePath(QStringLiteral("a.pdf")));
    p.SetBin(DMBIN_MANUAL);
    p.BeginDoc();
    p.BeginPage();
    p.Canvas()->TextOut(10, 10, QStringLiteral("cancelled"));
    p.Abort();
    EXPECT_FALSE(p.Printing());
    EXPECT_FALSE(p.Device()->Printing());
    EXPECT_TRUE(p.Device()->Aborted());
    EXPECT_EQ(p.Bin(), -1);
    // A new document can start afterwards.
    p.BeginDoc();
    p.BeginPage();
    p.EndPage();
    p.EndDoc();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("a.pdf"))));
}

TEST_F(PrinterDevice, RawOutputToFileAndSpooler)
{
    QTemporaryDir dir;
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    const QByteArray bytes("\x1b@\x1b" "E\xb5\xa5\xba\xc5\x00\r\n\x0c", 13);

    p.SetTitle(QStringLiteral("Dot matrix"));
    p.BeginRAWDoc();
    p.WriteRAWDoc(bytes.left(5));
    p.WriteRAWDoc(bytes.mid(5));
    p.EndRAWDoc();
    ASSERT_EQ(spooler->Jobs.size(), 1);
    EXPECT_EQ(spooler->Jobs[0].Printer, QStringLiteral("Laser"));
    EXPECT_EQ(spooler->Jobs[0].Title, QStringLiteral("Dot matrix"));
    EXPECT_EQ(spooler->Jobs[0].Data, bytes);

    const QString file = dir.filePath(QStringLiteral("raw.prn"));
    p.SetFileName(file);
    p.BeginRAWDoc();
    p.WriteRAWDoc(bytes);
    p.EndRAWDoc();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes);
    EXPECT_EQ(spooler->Jobs.size(), 1);

    // A refused job is an error, not a silent loss.
    p.SetFileName(QString());
    spooler->RefuseJobs = true;
    p.BeginRAWDoc();
    p.WriteRAWDoc(bytes);
    EXPECT_THROW(p.EndRAWDoc(), EPrinter);
    EXPECT_FALSE(p.Device()->RawPrinting());
}

TEST_F(PrinterDevice, PropertiesDialogTakesTheDevicesTray)
{
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    // Without a window layer there is no dialog and nothing changes.
    qdzPrinterSetupHook() = nullptr;
    p.ShowPropertiesDialog();
    EXPECT_EQ(p.Bin(), -1);
    // The preview layer installs the platform's set-up dialog.
    qdzPrinterSetupHook() = [] {
        TPrinterSetupDialog dlg(nullptr);
        return dlg.Execute();
    };
    struct Reset {
        ~Reset() { qdzPrinterSetupHook() = nullptr; }
    } reset;
    int shown = 0;
    {
        TScopedDialogHook hook([&](TDialogRequest &R) {
            if (R.Kind != TDialogKind::PrinterSetupDialog)
                return 0;
            ++shown;
            return int(mrOk);
        });
        p.ShowPropertiesDialog();
    }
    EXPECT_EQ(shown, 1);
    // OK: the tray is the device's; the sides did not change, so no choice.
    EXPECT_EQ(p.Bin(), DMBIN_UPPER);
    EXPECT_EQ(p.Duplex(), -1);
    // Cancel changes nothing.
    p.SetBin(-1);
    {
        TScopedDialogHook hook([](TDialogRequest &) { return int(mrCancel); });
        p.ShowPropertiesDialog();
    }
    EXPECT_EQ(p.Bin(), -1);
    EXPECT_EQ(p.Duplex(), -1);
}

TEST(PlatformPrinter, SlotKeywordsBecomeBinCodes)
{
    const struct {
        const char *Keyword;
        int Index, Code;
    } cases[] = {
        {"Auto", 0, DMBIN_AUTO},       {"Tray1", 1, DMBIN_UPPER},   {"tray-2", 2, DMBIN_LOWER},
        {"Upper", 0, DMBIN_UPPER},     {"Lower", 0, DMBIN_LOWER},   {"Middle", 0, DMBIN_MIDDLE},
        {"ManualFeed", 0, DMBIN_MANUAL}, {"manual", 3, DMBIN_MANUAL}, {"Envelope", 0, DMBIN_ENVELOPE},
        {"Tractor", 0, DMBIN_TRACTOR}, {"LargeCapacity", 0, DMBIN_LARGECAPACITY},
        {"Cassette", 0, DMBIN_CASSETTE}, {"Tray7", 4, DMBIN_USER + 4}, {"Photo", 2, DMBIN_USER + 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(BinCodeOfSlot(QString::fromLatin1(c.Keyword), c.Index), c.Code) << c.Keyword;
}

TEST(PlatformPrinter, PageSetUpAndDocumentRules)
{
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
    spooler->Default = QStringLiteral("Laser");
    TPrinter printer;
    EXPECT_EQ(printer.Printers()->Count(), 1);
    EXPECT_EQ(printer.Handle(), nullptr);
    printer.SetPrinterIndex(-1);
    EXPECT_EQ(printer.PrinterIndex(), 0);
    ASSERT_NE(printer.Handle(), nullptr);
    EXPECT_EQ(printer.Resolution(), 300);
    // A4 less 4 mm left and right at 300 dpi.
    EXPECT_NEAR(printer.PageWidth(), 2386, 1);

    EXPECT_TRUE(printer.SetPaper(1));
    EXPECT_DOUBLE_EQ(printer.PaperWidth(), 215.9);
    EXPECT_TRUE(printer.SetPaper(8)); // not the device's own: the standard size
    EXPECT_NEAR(printer.PaperWidth(), 297, 0.1);
    EXPECT_FALSE(printer.SetPaper(48));
    EXPECT_FALSE(printer.SetPaper(256, 0, 10));
    EXPECT_EQ(printer.PaperId(), 8);
    EXPECT_TRUE(printer.SetPaper(256, 80, 50));
    EXPECT_EQ(printer.Handle()->pageLayout().pageSize().size(QPageSize::Millimeter), QSizeF(80, 50));

    EXPECT_THROW(printer.NewPage(), EPrinter);
    EXPECT_THROW(printer.EndDoc(), EPrinter);
    EXPECT_THROW(printer.WriteRAWDoc("x"), EPrinter);
    EXPECT_THROW(printer.SetPrinterIndex(5), EPrinter);
    EXPECT_FALSE(printer.SetPrinterName(QStringLiteral("Nobody")));
    EXPECT_EQ(printer.Handle(), nullptr);
    EXPECT_EQ(printer.PrinterIndex(), -1);
}

TEST(PlatformPrinter, DocumentOnItsOwnCanvas)
{
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
    QTemporaryDir dir;
    TPrinter printer;
    ASSERT_TRUE(printer.SetPrinterName(QStringLiteral("Laser")));
    printer.SetOrientation(poLandscape);
    printer.SetFileName(dir.filePath(QStringLiteral("own.pdf")));
    printer.BeginDoc();
    EXPECT_TRUE(printer.Printing());
    EXPECT_EQ(printer.PageNumber(), 1);
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    EXPECT_THROW(printer.SetPrinterIndex(0), EPrinter);
    EXPECT_THROW(printer.BeginRAWDoc(), EPrinter);
    EXPECT_EQ(printer.Canvas()->GetDeviceCaps(LOGPIXELSX), 300);
    // Landscape A4 less 4 mm each side, at 300 per inch (Qt keeps margins in whole points).
    EXPECT_NEAR(printer.Canvas()->GetDeviceCaps(HORZRES), (297 - 8) / 25.4 * 300, 4);
    printer.Canvas()->TextOut(0, 0, QStringLiteral("one"));
    printer.NewPage();
    EXPECT_EQ(printer.PageNumber(), 2);
    printer.Canvas()->TextOut(0, 0, QStringLiteral("two"));
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing());
    EXPECT_FALSE(printer.Aborted());
    EXPECT_EQ(printer.Canvas()->Device(), nullptr) << "no painter outside a document";
    QFile f(dir.filePath(QStringLiteral("own.pdf")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("%PDF"));

    // The list follows the spooler.
    spooler->Printers.append(TFakeSpooler::Laser(QStringLiteral("Second")));
    EXPECT_EQ(printer.Printers()->Count(), 1);
    printer.Refresh();
    EXPECT_EQ(printer.Printers()->Count(), 2);
    EXPECT_EQ(printer.PrinterIndex(), 0);
    printer.SetPrinterIndex(1);
    EXPECT_EQ(printer.PrinterName(), QStringLiteral("Second"));
}

TEST_F(PrinterDevice, DrawingBringsTheFontToThePrinterResolution)
{
    QTemporaryDir dir;
    TqdzPrinter p(QStringLiteral("Laser"), QString());
    p.Init();
    p.SetFileName(dir.filePath(QStringLiteral("f.pdf")));
    p.BeginDoc();
    p.BeginPage();
    // A font set straight on the canvas's font at screen resolution...
    p.Canvas()->Font()->SetPixelsPerInch(96);
    p.Canvas()->Font()->SetSize(10);
    EXPECT_EQ(p.Canvas()->Font()->Height(), -13);
    // ...is rescaled before the next drawing operation.
    p.Canvas()->TextOut(0, 0, QStringLiteral("x"));
    EXPECT_EQ(p.Canvas()->Font()->PixelsPerInch(), 300);
    EXPECT_EQ(p.Canvas()->Font()->Size(), 10);
    EXPECT_EQ(p.Canvas()->Font()->Height(), -42);
    p.EndPage();
    p.EndDoc();
}
