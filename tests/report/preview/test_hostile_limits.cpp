// Hostile templates against a build's limits, through the real engine and its windows: builds that start
// themselves from their previews, a preview nobody closes, a page of more objects than could be drawn in time,
// a template whose set-up alone outlasts the limit.
#include "EngineHarness.h"
#include "FormHarness.h"

#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "report/engine/qdzPreviewPages.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>

namespace {

struct LimitCase
{
    const char *Name;
    // The main block; %1 is the template's own file.
    const char *Main;
    int MaxBuildTime;
    const char *Error;
    // A band of no height with endless rows: every row lands on page 1.
    bool EndlessRows = false;
    // Named views on one band, each given to the script at set-up, which
    // outlasts the limit.
    int Views = 0;
    // The error of reading the pages back again within 1 ms.
    const char *DrawError = "";
};

const LimitCase Cases[] = {
    // Each build loads its own template into a new report and previews it;
    // the preview's timer starts the next build before any stop check.
    {"SelfStartedPreviews", "R := TqdzReport.Create(nil); R.LoadFromFile('%1'); R.ShowReport;", 60000,
     "The report started builds nested more than 16 deep and was stopped"},
    // The same, each level taking 0.3 s first: the outer limit ends them all.
    {"SlowSelfStartedPreviews",
     "t := Now; while Now < t + 0.3 / 86400 do ;\r\n  R := TqdzReport.Create(nil); R.LoadFromFile('%1'); "
     "R.ShowReport;",
     1500, "The report ran longer than 1500 ms and was stopped"},
    {"PreviewNobodyCloses", "R := TqdzReport.Create(nil); R.ShowReport;", 1000,
     "The report ran longer than 1000 ms and was stopped"},
    {"ZeroHeightBandOfEndlessRows", "", 60000, "The report put more than 20000 objects on page 1 and was stopped",
     true, 0, "Page 1 takes longer than 1 ms to be read back"},
    {"SetUpBeyondTheLimit", "", 1, "The report ran longer than 1 ms and was stopped", false, 10000},
};

} // namespace

// Each ends with its error, every window it opened closed, and its pages
// drawn, within its time limit and a margin for a busy machine.
TEST(HostileLimits, BuildAndDrawEndWithinTheLimit)
{
    for (const LimitCase &C : Cases) {
        SCOPED_TRACE(C.Name);
        QTemporaryDir Dir;
        const QString File = Dir.filePath(QStringLiteral("self.qdz"));
        EngineHarness H;
        if (C.EndlessRows) {
            auto *MD = H.Band<TqdzMasterData>("MD", 0, 0);
            MD->SetRowCount(INT_MAX);
            H.Memo(MD, "M", "[Line]");
        }
        auto *Title = H.Band<TqdzReportTitle>("Title1", 0, 20);
        for (int i = 0; i < C.Views; ++i)
            H.Memo(Title, QStringLiteral("M%1").arg(i), "x", i % 10 * 70, 0, 65, 18);
        TStringList S;
        const QString Main = QString::fromLatin1(C.Main).replace(QLatin1String("%1"), File);
        // Each build's main block leaves a file behind first.
        const QString Ran = Dir.filePath(QStringLiteral("ran.txt"));
        S.SetText("var R: TqdzReport;\r\n  t: TDateTime;\r\n  L: TStringList;\r\nbegin\r\n  L := TStringList.Create; "
                  "L.SaveToFile('" + Ran + "'); L.Free;\r\n  " + Main + "\r\nend.");
        H.Report->SetScriptText(&S);
        H.Report->SaveToFile(File);
        H.Report->SetMaxBuildTime(C.MaxBuildTime);
        // The caller's bound, low so that the page draws fast here too.
        H.Report->BuildLimits().MaxPageObjects = 20000;
        // The inner reports are not silent: their error boxes are answered.
        FormHarness::TModalAnswerer Boxes;
        QElapsedTimer T;
        T.start();
        EXPECT_FALSE(H.Build());
        EXPECT_EQ(H.Errors().join('|').toStdString(), C.Error);
        EXPECT_EQ(FormHarness::ShownForm<TForm>(), nullptr);
        TBitmap Bmp;
        Bmp.SetSize(800, 1100);
        for (int i = 0; i < H.PageCount(); ++i)
            H.Store()->DrawPage(i, Bmp.Canvas(), 1, 1, 0, 0);
        EXPECT_EQ(H.Errors().join('|').toStdString(), C.Error);
        EXPECT_LT(T.elapsed(), C.MaxBuildTime + 30000);
        H.Report->SetMaxBuildTime(1);
        H.Report->Errors()->Clear();
        static_cast<TqdzPreviewPages *>(H.Store())->ClearPageCache();
        for (int i = 0; i < H.PageCount(); ++i)
            H.Store()->DrawPage(i, Bmp.Canvas(), 1, 1, 0, 0);
        EXPECT_EQ(H.Errors().join('|').toStdString(), C.DrawError);
        // Stopped in its set-up, the build ran no script.
        EXPECT_EQ(QFile::exists(Ran), !C.Views);
    }
}
