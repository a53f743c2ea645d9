// What built pages keep through the real engine: highlights, ancestors, pictures, hostile names and sizes.
#include "EngineHarness.h"
#include "PrinterFakes.h"
#include "StoreFixture.h"

#include "platform/Dialogs.h"
#include "platform/Streams.h"
#include "report/engine/qdzDictionary.h"
#include "report/engine/qdzPictureCache.h"
#include "report/engine/qdzPreviewPages.h"
#include "report/engine/qdzPrinter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TqdzPreviewPages *StoreOf(TqdzReport *R)
{
    return dynamic_cast<TqdzPreviewPages *>(R->PreviewPages());
}

// Pixels of Image inside R that are close to Color.
int CountColor(const QImage &Image, QRgb Color, QRect R = QRect())
{
    if (R.isNull())
        R = Image.rect();
    R &= Image.rect();
    int n = 0;
    for (int y = R.top(); y <= R.bottom(); ++y)
        for (int x = R.left(); x <= R.right(); ++x) {
            const QRgb p = Image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(Color)) < 60 && std::abs(qGreen(p) - qGreen(Color)) < 60
                && std::abs(qBlue(p) - qBlue(Color)) < 60)
                ++n;
        }
    return n;
}

// Prints the built report to a PDF file on a 300 dpi printer.
bool PrintToPdf(TqdzReport *R, const QString &File)
{
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
    spooler->Default = QStringLiteral("Laser");
    qdzFreePrinters();
    R->PrintOptions()->SetShowDialog(false);
    R->PrintOptions()->SetOutputFileName(File);
    const bool printed = R->PrintReport();
    qdzFreePrinters();
    return printed && QFile::exists(File);
}

// Prints the built report to a PDF file and renders page 1 at 96 dpi.
QImage PrintedPage(TqdzReport *R, const QString &Dir)
{
    const QString file = Dir + QStringLiteral("/out.pdf");
    EXPECT_TRUE(PrintToPdf(R, file));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-f"),
                                         QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                         QStringLiteral("-png"), file, Dir + QStringLiteral("/page")});
    p.waitForFinished(30000);
    const QStringList pngs = QDir(Dir).entryList({QStringLiteral("page*.png")});
    return pngs.isEmpty() ? QImage() : QImage(Dir + QLatin1Char('/') + pngs.first());
}

QByteArray BluePng(int Size)
{
    QImage img(Size, Size, QImage::Format_RGB32);
    img.fill(QColor(0, 0, 255));
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

QByteArray PictureBytes(TqdzReportPage *Page, const QString &Name = QStringLiteral("Picture1"))
{
    auto *v = Page ? dynamic_cast<TqdzPictureView *>(Page->FindObject(Name)) : nullptr;
    return v && v->Picture()->Graphic() ? v->Picture()->Graphic()->SaveToBytes() : QByteArray();
}

void WriteFile(const QString &Path, const QByteArray &Bytes)
{
    QFile f(Path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Bytes);
}

QByteArray ReadFile(const QString &Path)
{
    QFile f(Path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(BuiltPagesKept, HighlightIsDrawnInThePreviewAndThePdf)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "poppler-utils missing (scripts/setup installs it)";
    EngineHarness h;
    auto *title = h.Band<TqdzReportTitle>("ReportTitle1", 0, 60);
    TqdzMemoView *m = h.Memo(title, "Memo1", "HHHHHHHH", 0, 0, 300, 50);
    m->Font()->SetSize(28);
    m->Font()->SetColor(clBlack);
    m->Highlight()->SetCondition("1 = 1");
    m->Highlight()->Font()->SetSize(28);
    ASSERT_EQ(m->Highlight()->Font()->Color(), clRed);
    ASSERT_TRUE(h.Build()) << h.Errors().join('|').toStdString();

    auto *built = dynamic_cast<TqdzMemoView *>(h.Store()->GetPage(0)->FindObject("Memo1"));
    ASSERT_NE(built, nullptr);
    EXPECT_TRUE(built->Highlight()->Active());
    // The memo sits at the page's 10 mm margins: 38 px in.
    const QRect memo(38, 38, 300, 50);
    const QImage screen = DrawnPage(StoreOf(h.Report.get()), 0);
    EXPECT_GT(CountColor(screen, qRgb(255, 0, 0), memo), 100);
    EXPECT_EQ(CountColor(screen, qRgb(0, 0, 0), memo), 0);

    QTemporaryDir dir;
    const QImage printed = PrintedPage(h.Report.get(), dir.path());
    ASSERT_FALSE(printed.isNull());
    EXPECT_GT(CountColor(printed, qRgb(255, 0, 0), memo), 100);
    EXPECT_LT(CountColor(printed, qRgb(0, 0, 0), memo), 5);
}

TEST(BuiltPagesKept, InheritedTemplateKeepsItsAncestorThroughBuildsAndSave)
{
    EngineHarness h;
    QTemporaryDir dir;
    {
        TqdzReport base(nullptr);
        auto *page = new TqdzReportPage(&base);
        page->SetName("Page1");
        auto *title = new TqdzReportTitle(page);
        title->SetName("ReportTitle1");
        title->SetBounds(0, 0, 700, 80);
        auto *memo = new TqdzMemoView(title);
        memo->SetName("Memo2");
        memo->SetBounds(10, 5, 300, 20);
        memo->SetText("Base text");
        base.SaveToFile(dir.filePath("base.qd3"));
    }
    WriteFile(dir.filePath("child.qd3"),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
              "<TqdzReport ParentReport=\"base.qd3\">\r\n"
              "  <inherited Name=\"Page1\">\r\n"
              "    <inherited Name=\"ReportTitle1\">\r\n"
              "      <TqdzMemoView Name=\"Memo3\" Left=\"10\" Top=\"40\" Width=\"200\" Height=\"20\" Text=\"Child text\"/>\r\n"
              "    </inherited>\r\n"
              "  </inherited>\r\n"
              "</TqdzReport>\r\n");

    TqdzReport &r = *h.Report;
    r.EngineOptions()->SetRestoreAfterRun(true);
    ASSERT_TRUE(r.LoadFromFile(dir.filePath("child.qd3")));
    auto check = [&](const char *When) {
        auto *m2 = dynamic_cast<TqdzMemoView *>(r.FindObject("Memo2"));
        ASSERT_NE(m2, nullptr) << When;
        EXPECT_EQ(m2->Text().trimmed(), "Base text") << When;
        EXPECT_EQ(m2->Top(), 5) << When;
        EXPECT_EQ(m2->Width(), 300) << When;
        EXPECT_EQ(m2->Height(), 20) << When;
    };
    check("loaded");
    for (const char *when : {"first build", "second build"}) {
        ASSERT_TRUE(h.Build()) << h.Errors().join('|').toStdString();
        EXPECT_EQ(h.TextList(0), QStringList({"Base text", "Child text"})) << when;
        check(when);
    }
    r.SaveToFile(dir.filePath("saved.qd3"));
    const QByteArray saved = ReadFile(dir.filePath("saved.qd3"));
    // Only what differs from the ancestor is written.
    EXPECT_TRUE(saved.contains("<inherited Name=\"Memo2\"/>")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("Child text"));
    TqdzReport again(nullptr);
    again.EngineOptions()->SetSilentMode(true);
    ASSERT_TRUE(again.LoadFromFile(dir.filePath("saved.qd3")));
    auto *m2 = dynamic_cast<TqdzMemoView *>(again.FindObject("Memo2"));
    ASSERT_NE(m2, nullptr);
    EXPECT_EQ(m2->Text().trimmed(), "Base text");
    EXPECT_EQ(m2->Width(), 300);
}

TEST(BuiltPagesKept, PictureSurvivesWholePagesFilesAndTemplates)
{
    const QByteArray png = BluePng(30);
    TMemoryStream tmpl;
    {
        EngineHarness h;
        auto *title = h.Band<TqdzReportTitle>("ReportTitle1", 0, 60);
        auto *pic = new TqdzPictureView(title);
        pic->SetName("Picture1");
        pic->SetBounds(0, 0, 30, 30);
        TStringStream in(png);
        ASSERT_EQ(pic->LoadPictureFromStream(&in, true), 0u);
        h.Report->SaveToStream(&tmpl, true, false, false);
    }
    const QByteArray text(static_cast<const char *>(tmpl.Memory()), qsizetype(tmpl.Size()));
    EXPECT_TRUE(text.contains("Picture.PropData=\"")) << text.left(2000).toStdString();

    // The template read back holds the picture and builds it.
    EngineHarness h;
    tmpl.SetPosition(0);
    h.Report->LoadFromStream(&tmpl);
    EXPECT_EQ(PictureBytes(dynamic_cast<TqdzReportPage *>(h.Report->GetPages(0))), png);
    ASSERT_TRUE(h.Build()) << h.Errors().join('|').toStdString();
    TqdzPreviewPages *store = StoreOf(h.Report.get());
    const QRgb blue = qRgb(0, 0, 255);
    auto blues = [&](TqdzPreviewPages *S, int Index) { return CountColor(DrawnPage(S, Index), blue); };
    EXPECT_EQ(PictureBytes(store->GetPage(0)), png);
    EXPECT_EQ(blues(store, 0), 900);

    store->ModifyPage(0, store->GetPage(0));
    EXPECT_EQ(PictureBytes(store->GetPage(0)), png);
    EXPECT_EQ(blues(store, 0), 900);

    TMemoryStream file;
    store->SaveToStream(&file);
    EngineHarness loaded;
    file.SetPosition(0);
    StoreOf(loaded.Report.get())->LoadFromStream(&file);
    EXPECT_EQ(PictureBytes(loaded.Store()->GetPage(0)), png);
    EXPECT_EQ(blues(StoreOf(loaded.Report.get()), 0), 900);

    EngineHarness other;
    auto *title = other.Band<TqdzReportTitle>("ReportTitle1", 0, 60);
    other.Memo(title, "Memo1", "first");
    ASSERT_TRUE(other.Build());
    StoreOf(other.Report.get())->AddPagesFrom(h.Report.get());
    ASSERT_EQ(other.PageCount(), 2);
    EXPECT_EQ(PictureBytes(other.Store()->GetPage(1)), png);
    EXPECT_EQ(blues(StoreOf(other.Report.get()), 1), 900);
}

TEST(BuiltPagesKept, ACachedPictureIsDecodedOnceForAllItsViews)
{
    EngineHarness h;
    auto *band = h.Band<TqdzMasterData>("MasterData1", 0, 20);
    band->SetRowCount(40);
    auto *pic = new TqdzPictureView(band);
    pic->SetName("Picture1");
    pic->SetBounds(0, 0, 16, 16);
    TStringStream in(BluePng(64));
    ASSERT_EQ(pic->LoadPictureFromStream(&in, true), 0u);
    ASSERT_TRUE(h.Build()) << h.Errors().join('|').toStdString();
    TqdzPreviewPages *store = StoreOf(h.Report.get());
    EXPECT_EQ(store->PictureCache()->Count(), 1);
    std::vector<const uchar *> pixels;
    TList *all = store->GetPage(0)->AllObjects();
    for (int i = 0; i < all->Count(); ++i)
        if (auto *v = dynamic_cast<TqdzPictureView *>(static_cast<TObject *>(all->Items(i)))) {
            ASSERT_NE(v->Picture()->Graphic(), nullptr);
            pixels.push_back(v->Picture()->Graphic()->ToImage().constBits());
        }
    ASSERT_EQ(pixels.size(), 40u);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), pixels.front()), 40);
}

TEST(BuiltPagesKept, HostileDictionaryNamesSaveAndLoadToTheSameBytes)
{
    EngineHarness h;
    auto *title = h.Band<TqdzReportTitle>("ReportTitle1", 0, 80);
    h.Memo(title, "Memo1", "one");
    h.Memo(title, "Memo2", "two", 0, 20);
    ASSERT_TRUE(h.Build()) << h.Errors().join('|').toStdString();
    TMemoryStream built;
    StoreOf(h.Report.get())->SaveToStream(&built);
    QByteArray file(static_cast<const char *>(built.Memory()), qsizetype(built.Size()));
    // A file from elsewhere whose dictionary names hold what markup uses.
    const QByteArray hostile = "Page0.M&#60;2&#38;amp;&#34;&#62;";
    ASSERT_TRUE(file.contains("name=\"Page0.Memo2\""));
    file.replace("Page0.Memo2", hostile);

    auto loadSave = [](const QByteArray &In, QByteArray &Out, QStringList &Texts) {
        EngineHarness e;
        TMemoryStream s;
        s.WriteBuffer(In.constData(), In.size());
        s.SetPosition(0);
        StoreOf(e.Report.get())->LoadFromStream(&s);
        Texts = e.TextList(0);
        TqdzDictionary *d = StoreOf(e.Report.get())->Dictionary();
        for (int i = 0; i < d->Count(); ++i)
            Texts << d->GetSourceName(d->Names(i));
        TMemoryStream o;
        StoreOf(e.Report.get())->SaveToStream(&o);
        Out = QByteArray(static_cast<const char *>(o.Memory()), qsizetype(o.Size()));
    };
    QByteArray first, second;
    QStringList texts1, texts2;
    ASSERT_NO_THROW(loadSave(file, first, texts1));
    ASSERT_NO_THROW(loadSave(first, second, texts2));
    EXPECT_TRUE(texts1.contains("Page0.M<2&amp;\">")) << texts1.join('|').toStdString();
    EXPECT_TRUE(texts1.contains("one"));
    EXPECT_EQ(texts2, texts1);
    EXPECT_EQ(second, first);
}

TEST(BuiltPagesKept, AbsurdSizesAreBoundedAndEveryScaleDraws)
{
    EngineHarness h;
    TMemoryStream tmpl;
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<TqdzReport>\r\n"
        "  <TqdzReportPage Name=\"Page1\" PaperWidth=\"1e9\" PaperHeight=\"297\" LeftMargin=\"1e9\" TopMargin=\"-1e300\">\r\n"
        "    <TqdzReportTitle Name=\"ReportTitle1\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"80\">\r\n"
        "      <TqdzMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"18\" Font.Height=\"-2147483648\" Text=\"a\"/>\r\n"
        "      <TqdzMemoView Name=\"Memo2\" Left=\"0\" Top=\"20\" Width=\"100\" Height=\"18\" CharSpacing=\"1e9\" Text=\"bb\"/>\r\n"
        "      <TqdzMemoView Name=\"Memo3\" Left=\"1e300\" Top=\"-1e300\" Width=\"1e300\" Height=\"1e12\" Font.Size=\"2147483647\" LineSpacing=\"1e300\" Text=\"cc\"/>\r\n"
        "      <TqdzShapeView Name=\"Shape1\" Left=\"0\" Top=\"40\" Width=\"1e12\" Height=\"1e12\" Frame.Width=\"1e9\"/>\r\n"
        "    </TqdzReportTitle>\r\n"
        "  </TqdzReportPage>\r\n"
        "</TqdzReport>\r\n";
    tmpl.WriteBuffer(xml.constData(), xml.size());
    tmpl.SetPosition(0);
    h.Report->LoadFromStream(&tmpl);
    auto *page = dynamic_cast<TqdzReportPage *>(h.Report->FindObject("Page1"));
    ASSERT_NE(page, nullptr);
    EXPECT_LE(page->PaperWidth(), qdzMaxPaperSize);
    auto *m1 = dynamic_cast<TqdzMemoView *>(h.Report->FindObject("Memo1"));
    auto *m2 = dynamic_cast<TqdzMemoView *>(h.Report->FindObject("Memo2"));
    ASSERT_TRUE(m1 && m2);
    EXPECT_LE(std::abs(m1->Font()->Height()), TFont::MaxHeight);
    EXPECT_LE(m2->CharSpacing(), qdzMaxCharSpacing);
    ASSERT_TRUE(h.Build()) << h.Errors().join('|').toStdString();

    TqdzPreviewPages *store = StoreOf(h.Report.get());
    for (double scale : {0.25, 1.0, 300.0 / 96}) {
        TBitmap bmp;
        bmp.SetSize(400, 300);
        TCanvas *c = bmp.Canvas();
        const int level = c->SaveDC();
        c->RestoreDC(level);
        EXPECT_NO_THROW(store->DrawPage(0, c, scale, scale, 0, 0)) << scale;
        // Drawing gives the canvas back as it found it.
        EXPECT_EQ(c->SaveDC(), level) << scale;
    }
    // And printed, at the printer's scale.
    QTemporaryDir dir;
    EXPECT_TRUE(PrintToPdf(h.Report.get(), dir.filePath("out.pdf")));
}
