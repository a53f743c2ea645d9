// Fuzzing a template end to end as the station uses one: any document loads or is refused with an exception, and what loads builds twice with the real engine (scripts and events included) to the same template, and every built page draws, at the preview's and at the printer's scale.
#include "Dialogs.h"
#include "Graphics.h"
#include "Streams.h"
#include "fuzz_support.h"
#include "kw_iclassesrtti.h"
#include "kw_igraphicsrtti.h"
#include "kw_iinterpreter.h"
#include "kw_isysrtti.h"
#include "report/engine/qdzBuild.h"
#include "report/engine/qdzEngine.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzDMPClass.h"
#include "report/model/qdzVariables.h"

#include <QDir>
#include <QElapsedTimer>

namespace {

// Each input is bounded: a few pages, a few records a band, and a budget of
// band events, script lines and time after which the build is stopped.
constexpr int MaxPages = 12;
constexpr int MaxRows = 40;
constexpr int MaxEvents = 4000;
constexpr int MaxLines = 20000;
constexpr qint64 MaxMilliseconds = 3000;

class TBudget : public TObject
{
public:
    TqdzReport *Report = nullptr;
    int Events = 0;
    int Lines = 0;
    QElapsedTimer Clock;

    void Spend(int &Count, int Max)
    {
        if (++Count > Max || Clock.elapsed() > MaxMilliseconds) {
            Report->SetTerminated(true);
            Report->Script()->Terminate();
        }
    }
    void BeforePrint(TqdzReportComponent *) { Spend(Events, MaxEvents); }
    void RunLine(TkwScript *, const QString &, const QString &) { Spend(Lines, MaxLines); }
    // The station answers the delivery note's column names; so do we.
    void GetValue(const QString &Name, Variant &Value)
    {
        static const QStringList names = {QStringLiteral("row"),    QStringLiteral("bh"),     QStringLiteral("mc"),
                                          QStringLiteral("gg"),     QStringLiteral("dw"),     QStringLiteral("dinghl"),
                                          QStringLiteral("songhl"), QStringLiteral("dj"),     QStringLiteral("shisje"),
                                          QStringLiteral("bz")};
        if (names.contains(Name, Qt::CaseInsensitive))
            Value = Name + QString::number(Events);
    }
};

// No data runs long: record counts are capped and a dataset without an end
// gets one.
void Bound(TqdzReport &Report)
{
    TList *all = Report.AllObjects();
    for (int i = 0; i < all->Count(); ++i) {
        auto *obj = static_cast<TObject *>(all->Items(i));
        if (auto *band = dynamic_cast<TqdzDataBand *>(obj)) {
            if (band->RowCount() < 0 || band->RowCount() > MaxRows)
                band->SetRowCount(MaxRows);
        } else if (auto *ds = dynamic_cast<TqdzDataSet *>(obj)) {
            if (ds->RangeEnd() != reCount)
                ds->SetRangeEndCount(MaxRows); // its own end may still come first
            ds->SetRangeEnd(reCount);
            ds->SetRangeEndCount(std::min(std::max(ds->RangeEndCount(), 0), MaxRows));
        }
    }
    TqdzEngineOptions *o = Report.EngineOptions();
    o->SetSilentMode(true);
    o->SetUseFileCache(false);
    o->SetTempDir(QString());
    // A script that keeps taking memory stops well inside the fuzzer's limit.
    o->SetMaxBuildMemSize(256);
}

void Draw(TqdzCustomPreviewPages *Store)
{
    TBitmap bmp;
    bmp.SetSize(160, 220);
    for (int i = 0; i < Store->GetCount() && i < MaxPages; ++i) {
        Store->GetPageSize(i);
        Store->DrawPage(i, bmp.Canvas(), 0.25, 0.25, 0, 0);
        // The print path draws at the printer's resolution (300 dpi here).
        Store->DrawPage(i, bmp.Canvas(), 300 / 96.0, 300 / 96.0, -50, -60);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzQtApp();
    SetDialogHook([](TDialogRequest &) { return 1; });
    // What the station registers, less the forms and dialogs, which would
    // wait for a user.
    kwInitSysFunctions();
    kwRegisterClassesRTTI();
    kwRegisterGraphicsRTTI();
    qdzRegisterClassRTTI();
    qdzInstallPaperHooks();
    qdzEngineStartup();
    qdzRegisterDMPObjects();
    for (TClass c : {TqdzReportPage::StaticClass(), TqdzDataBand::StaticClass(), TqdzMemoView::StaticClass(),
                     TqdzGroupHeader::StaticClass(), TqdzGroupFooter::StaticClass(), TqdzOverlay::StaticClass(),
                     TqdzPictureView::StaticClass(), TqdzShapeView::StaticClass(), TqdzLineView::StaticClass(),
                     TqdzSubreport::StaticClass(), TqdzDialogPage::StaticClass(), TqdzDataPage::StaticClass(),
                     TqdzUserDataSet::StaticClass()})
        (void)c;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TqdzReport report(nullptr);
    try {
        TStringStream in(QByteArray(reinterpret_cast<const char *>(Data), qsizetype(Size)));
        report.LoadFromStream(&in);
    } catch (const Exception &) {
        return 0;
    }
    Bound(report);
    report.BuildLimits().MaxPages = MaxPages;
    TBudget budget;
    budget.Report = &report;
    budget.Clock.start();
    report.SetOnBeforePrint(TqdzBeforePrintEvent(&budget, &TBudget::BeforePrint));
    report.SetOnGetValue(TqdzGetValueEvent(&budget, &TBudget::GetValue));
    report.Script()->SetOnRunLine(TkwRunLineEvent(&budget, &TBudget::RunLine));
    // Built twice: whatever its scripts free or move, the template comes
    // back the same after each build.
    int objects = -1;
    for (int build = 0; build < 2; ++build) {
        budget.Events = budget.Lines = 0;
        budget.Clock.restart();
        try {
            report.BuildReport();
        } catch (const Exception &) {
            // A failed build is an answer; what it left must still draw.
        }
        const int now = report.AllObjects()->Count();
        FUZZ_CHECK(objects < 0 || now == objects);
        objects = now;
    }
    TqdzCustomPreviewPages *store = report.PreviewPages();
    FUZZ_CHECK(store);
    Draw(store);
    // Refreshing the built-report seeds: STATION_FUZZ_QE3_OUT names a folder
    // that gets each built report as a .qe3 file.
    static const QString out = qEnvironmentVariable("STATION_FUZZ_QE3_OUT");
    if (!out.isEmpty() && store->GetCount() > 0) {
        static int n = 0;
        store->SaveToFile(QDir(out).filePath(QStringLiteral("built%1.qe3").arg(++n)));
    }
    return 0;
}
