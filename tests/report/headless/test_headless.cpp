// The report engine alone under an application that has no widgets (a QCoreApplication, or a QGuiApplication):
// templates with errors and dialog pages build, print to PDF and export without a window.
#include "PrinterFakes.h"

#include "platform/Streams.h"
#include "report/engine/qdzBuild.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassEngine.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzExportFilter.h"
#include "report/model/qdzVariables.h"

#if STATION_HEADLESS_GUI
#include <QGuiApplication>
#else
#include <QCoreApplication>
#endif
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdlib>

namespace {

// A dialog page's control that wraps no widget: the page would be shown.
class THeadlessControl : public TqdzDialogControl
{
    STATION_CLASS(THeadlessControl, TqdzDialogControl)
public:
    explicit THeadlessControl(TComponent *AOwner) : TqdzDialogControl(AOwner) {}
};

STATION_PUBLISHED(THeadlessControl) {}

// Its dialog would be a window; it records what runs.
class TListFilter : public TqdzCustomExportFilter
{
public:
    TModalResult ShowModal() override { return Log << "dialog", mrCancel; }
    bool Start() override { return Log << "start", true; }
    void BeginPage(TqdzReportPage *) override { Log << "page"; }
    void ExportObject(TqdzComponent *) override {}
    void Finish() override { Log << "finish"; }
    QStringList Log;
};

// A memo and a dialog page, saved and read back as the station reads its files.
std::unique_ptr<TqdzReport> LoadTemplate(const char *MemoText, const char *Script, bool DialogControl)
{
    TqdzReport made(nullptr);
    auto *page = new TqdzReportPage(&made);
    page->SetName("Page1");
    page->SetPaperSize(9);
    auto *band = new TqdzReportTitle(page);
    band->SetName("ReportTitle1");
    band->SetBounds(0, 20, 700, 40);
    auto *memo = new TqdzMemoView(band);
    memo->SetName("Memo1");
    memo->SetBounds(10, 25, 300, 20);
    memo->SetText(QString::fromLatin1(MemoText));
    (new TqdzDialogPage(&made))->SetName("DialogPage1");
    if (DialogControl)
        (new THeadlessControl(made.FindObject("DialogPage1")))->SetName("Control1");
    made.ScriptText()->SetText(QString::fromLatin1(Script));
    TMemoryStream stream;
    made.SaveToStream(&stream);
    stream.SetPosition(0);
    auto r = std::make_unique<TqdzReport>(nullptr);
    r->LoadFromStream(&stream);
    return r;
}

} // namespace

TEST(HeadlessEngine, BuildsAndPrintsWithoutAWindow)
{
    RegisterClasses({THeadlessControl::StaticClass()});
    qdzEngineStartup();
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser("Laser")};
    spooler->Default = "Laser";
    qdzFreePrinters();
    QTemporaryDir dir;
    const char *noWindows = "The dialog page DialogPage1 cannot be shown: the report has no windows";
    const struct {
        const char *Memo, *Script;
        bool Control, Built;
        const char *Error; // the start of the first error
    } cases[] = {
        // An error in a memo stays in Errors (the report is not silent): no box waits for a click.
        {"[1 +]", "begin\nend.", false, false, "Memo1: Error in expression '1 +'"},
        // Scripts know the report classes, the engine's included; their message boxes show nowhere.
        {"x", "begin\n  ShowMessage('to nobody');\n  if Engine.FinalPass then Memo1.Memo.Text := IntToStr(Engine.TotalPages);\nend.",
         false, true, ""},
        // A dialog page someone would have to answer ends the build.
        {"x", "begin\nend.", true, false, noWindows},
        {"x", "begin\n  DialogPage1.ShowModal;\nend.", false, false, noWindows},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Script);
        std::unique_ptr<TqdzReport> r = LoadTemplate(c.Memo, c.Script, c.Control);
        EXPECT_EQ(r->BuildReport(), c.Built);
        const QString first = r->Errors()->Count() ? r->Errors()->Strings(0) : QString();
        EXPECT_EQ(*c.Error ? first.left(int(qstrlen(c.Error))) : first, QString::fromLatin1(c.Error)) << first.toStdString();
        if (!c.Built)
            continue;
        const QString file = dir.filePath("out.pdf");
        r->PrintOptions()->SetShowDialog(false);
        r->PrintOptions()->SetOutputFileName(file);
#if STATION_HEADLESS_GUI
        EXPECT_TRUE(r->PrintReport());
        QFile pdf(file);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
        EXPECT_EQ(pdf.read(5), "%PDF-");
#else
        // Qt draws no text without a QGuiApplication: an error, not an abort.
        EXPECT_FALSE(r->PrintReport());
        EXPECT_EQ(r->Errors()->Strings(0), "Text cannot be measured or drawn without a QGuiApplication");
#endif
        // An export filter runs without its dialog, which only the windows show.
        TListFilter filter;
        r->PreviewPages()->Export(&filter);
        EXPECT_EQ(filter.Log, (QStringList{"start", "page", "finish"}));
    }
    qdzFreePrinters();
}

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
#if STATION_HEADLESS_GUI
    QGuiApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
