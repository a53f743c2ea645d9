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
#include <memory>

namespace {

// A control kind of a dialog page that wraps no widget: the page has a
// control to answer, so it would be shown.
class THeadlessControl : public TqdzDialogControl
{
    STATION_CLASS(THeadlessControl, TqdzDialogControl)
public:
    explicit THeadlessControl(TComponent *AOwner) : TqdzDialogControl(AOwner) {}
};

STATION_PUBLISHED(THeadlessControl) {}

// Records what the store hands it; its dialog is a window of its own.
class TListFilter : public TqdzCustomExportFilter
{
public:
    TModalResult ShowModal() override
    {
        Log << QStringLiteral("dialog");
        return mrCancel;
    }
    bool Start() override
    {
        Log << QStringLiteral("start");
        return true;
    }
    void BeginPage(TqdzReportPage *) override { Log << QStringLiteral("page"); }
    void ExportObject(TqdzComponent *) override {}
    void Finish() override { Log << QStringLiteral("finish"); }
    QStringList Log;
};

// A template with a memo, a dialog page and the given script, saved and read
// back as the station reads its files.
std::unique_ptr<TqdzReport> LoadTemplate(const QString &MemoText, const QString &Script, bool DialogControl)
{
    TqdzReport made(nullptr);
    auto *page = new TqdzReportPage(&made);
    page->SetName(QStringLiteral("Page1"));
    page->SetPaperSize(9);
    auto *band = new TqdzReportTitle(page);
    band->SetName(QStringLiteral("ReportTitle1"));
    band->SetBounds(0, 20, 700, 40);
    auto *memo = new TqdzMemoView(band);
    memo->SetName(QStringLiteral("Memo1"));
    memo->SetBounds(10, 25, 300, 20);
    memo->SetText(MemoText);
    auto *dialog = new TqdzDialogPage(&made);
    dialog->SetName(QStringLiteral("DialogPage1"));
    dialog->SetCaption(QStringLiteral("Pick"));
    if (DialogControl)
        (new THeadlessControl(dialog))->SetName(QStringLiteral("Control1"));
    made.ScriptText()->SetText(Script);
    TMemoryStream stream;
    made.SaveToStream(&stream);
    stream.SetPosition(0);
    auto r = std::make_unique<TqdzReport>(nullptr);
    r->LoadFromStream(&stream);
    return r;
}

QStringList Lines(TStrings *S)
{
    QStringList out;
    for (int i = 0; i < S->Count(); ++i)
        out << S->Strings(i);
    return out;
}

} // namespace

TEST(HeadlessEngine, BuildsAndPrintsWithoutAWindow)
{
    RegisterClasses({THeadlessControl::StaticClass()});
    qdzEngineStartup();
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
    spooler->Default = QStringLiteral("Laser");
    qdzFreePrinters();
    QTemporaryDir dir;
    const QString noWindows = QStringLiteral("The dialog page DialogPage1 cannot be shown: the report has no windows");
    struct Case {
        const char *Name, *Memo, *Script;
        bool Control, Built;
        QString Error; // the first error, empty for none
    } cases[] = {
        // An error in a memo stays in Errors: no message box waits for a click.
        {"memo error", "[1 +]", "begin\nend.", false, false, QStringLiteral("Memo1: Error in expression '1 +'")},
        // Scripts know the report classes, the engine's included.
        {"script names the engine", "[Value]", "var N: Integer;\nbegin\n  if Engine.FinalPass then N := 1;\n"
                                               "  Memo1.Memo.Text := 'Engine ' + IntToStr(Engine.TotalPages);\nend.",
         false, true, QString()},
        // A dialog page someone would have to answer ends the build.
        {"dialog page with a control", "Hello", "begin\nend.", true, false, noWindows},
        {"script shows the dialog page", "Hello", "begin\n  DialogPage1.ShowModal;\nend.", false, false, noWindows},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<TqdzReport> r = LoadTemplate(QString::fromLatin1(c.Memo), QString::fromLatin1(c.Script),
                                                     c.Control);
        ASSERT_NE(r->FindObject(QStringLiteral("DialogPage1")), nullptr);
        EXPECT_EQ(r->EngineOptions()->NewSilentMode(), simMessageBoxes);
        EXPECT_EQ(r->BuildReport(), c.Built) << Lines(r->Errors()).join('|').toStdString();
        const QStringList errors = Lines(r->Errors());
        EXPECT_EQ(errors.isEmpty() ? QString() : errors[0].left(c.Error.size()), c.Error) << errors.join('|').toStdString();
        if (!c.Built)
            continue;
        const QString file = dir.filePath(QString::fromLatin1(c.Name) + QStringLiteral(".pdf"));
        r->PrintOptions()->SetShowDialog(false);
        r->PrintOptions()->SetOutputFileName(file);
#if STATION_HEADLESS_GUI
        EXPECT_TRUE(r->PrintReport()) << Lines(r->Errors()).join('|').toStdString();
        QFile pdf(file);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
        EXPECT_EQ(pdf.read(5), "%PDF-");
#else
        // Qt draws no text without a QGuiApplication: an error, not an abort.
        EXPECT_FALSE(r->PrintReport());
        EXPECT_EQ(Lines(r->Errors()), QStringList{"Text cannot be measured or drawn without a QGuiApplication"});
#endif
    }
    // An export filter runs without its dialog, which only the windows show.
    std::unique_ptr<TqdzReport> r = LoadTemplate(QStringLiteral("Hello"), QStringLiteral("begin\nend."), false);
    ASSERT_TRUE(r->BuildReport());
    TListFilter filter;
    r->PreviewPages()->Export(&filter);
    EXPECT_EQ(filter.Log, (QStringList{"start", "page", "finish"}));
    // No printer at all: the reason is in Errors.
    spooler->Printers.clear();
    spooler->Default.clear();
    qdzFreePrinters();
    EXPECT_FALSE(r->PrintReport());
    EXPECT_EQ(Lines(r->Errors()), QStringList{"No printers installed on your system"});
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
