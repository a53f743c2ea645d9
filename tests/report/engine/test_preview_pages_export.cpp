// Exporting built pages through a filter: page lists, the page background, dialogs, dot-matrix printing.
#include "PrinterFakes.h"
#include "StoreFixture.h"

#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzDsgnIntf.h"
#include "report/model/qdzExportFilter.h"
#include "report/model/qdzVariables.h"

#include <gtest/gtest.h>

namespace {

// Writes down what the store hands it: "start", "page<Tag of View1>", the
// names of the objects with their absolute positions, "finish".
class TRecordingFilter : public TqdzCustomExportFilter
{
public:
    TModalResult ShowModal() override
    {
        Log << QStringLiteral("dialog");
        return DialogResult;
    }
    bool Start() override
    {
        Log << QStringLiteral("start");
        return StartResult;
    }
    void BeginPage(TqdzReportPage *Page) override
    {
        Current = Page;
        Log << QStringLiteral("page");
    }
    void ExportObject(TqdzComponent *Obj) override
    {
        if (auto *v = dynamic_cast<TTestView *>(Obj); v && v->Name() == QLatin1String("View1"))
            Log.last() += QString::number(v->Tag());
        Objects << QStringLiteral("%1 %2,%3 %4x%5")
                       .arg(Obj->Name())
                       .arg(Obj->AbsLeft(), 0, 'f', 0)
                       .arg(Obj->AbsTop(), 0, 'f', 0)
                       .arg(Obj->Width(), 0, 'f', 0)
                       .arg(Obj->Height(), 0, 'f', 0);
        if (auto *p = dynamic_cast<TqdzPictureView *>(Obj); p && Obj->Name() == QLatin1String("_pagebackground"))
            Backgrounds << QStringLiteral("%1 %2 %3").arg(p->Color()).arg(p->Stretched()).arg(p->KeepAspectRatio());
    }
    void Finish() override { Log << QStringLiteral("finish"); }
    bool DotMatrix() const override { return IsDotMatrix; }

    QStringList Log, Objects, Backgrounds;
    TqdzReportPage *Current = nullptr;
    TModalResult DialogResult = mrOk;
    bool StartResult = true;
    bool IsDotMatrix = false;
};

struct TEvents {
    QStringList Log;
    void Before(TObject *) { Log << QStringLiteral("before"); }
    void After(TObject *) { Log << QStringLiteral("after"); }
};

} // namespace

TEST(ExportPages, PagesListsDialogsAndStart)
{
    TStoreReport r;
    r.Page->SetLeftMargin(10);
    r.Page->SetRightMargin(20);
    r.Page->SetTopMargin(5);
    r.Page->SetBottomMargin(7);
    r.Page->SetMirrorMargins(true);
    r.Page->SetColor(clYellow);
    r.Build({1, 2, 3});
    r.Store->Finish();
    struct Case {
        const char *Pages;
        bool Dialog;
        TModalResult Result;
        bool Start;
        QStringList Log;
        bool Windows = true; // the windows layer shows export dialogs
    } cases[] = {
        {"", false, mrOk, true, {"start", "page1", "page2", "page3", "finish"}},
        {"3,2,9", false, mrOk, true, {"start", "page2", "page3", "finish"}},
        {"2", true, mrOk, true, {"dialog", "start", "page2", "finish"}},
        {"", true, mrCancel, true, {"dialog"}},
        {"", false, mrOk, false, {"start"}},
        // Without the windows layer the filter runs without its dialog.
        {"1", true, mrCancel, true, {"start", "page1", "finish"}, false},
    };
    const TqdzBuildFactories saved = qdzBuildFactories();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Pages);
        TqdzBuildFactories windows = saved;
        if (c.Windows)
            windows.ShowExportDialog = [](TqdzCustomExportFilter *F) { return F->ShowModal(); };
        qdzInstallBuildFactories(windows);
        TRecordingFilter f;
        f.SetPageNumbers(QString::fromLatin1(c.Pages));
        f.SetShowDialog(c.Dialog);
        f.DialogResult = c.Result;
        f.StartResult = c.Start;
        r.Store->Export(&f);
        EXPECT_EQ(f.Log, c.Log);
        EXPECT_EQ(f.Report(), &r.Report);
    }
    qdzInstallBuildFactories(saved);

    // Page 2 (index 1) has its margins mirrored: the right one on the left.
    TRecordingFilter f;
    f.SetPageNumbers(QStringLiteral("1-2"));
    r.Store->Export(&f);
    const double l = Round(10 * qdzPixelsPerMM), m = Round(20 * qdzPixelsPerMM), t = Round(5 * qdzPixelsPerMM);
    const int w = Round((210 - 30) * qdzPixelsPerMM), h = Round((297 - 12) * qdzPixelsPerMM);
    auto at = [](const char *Name, double X, double Y, int W, int H) {
        return QStringLiteral("%1 %2,%3 %4x%5").arg(QLatin1String(Name)).arg(X).arg(Y).arg(W).arg(H);
    };
    EXPECT_EQ(f.Objects, (QStringList{at("_pagebackground", l, t, w, h), at("MasterData1", l, t + 20, 718, 40),
                                       at("View1", l + 10, t + 25, 100, 20), at("View2", l + 200, t + 25, 50, 20),
                                       at("_pagebackground", m, t, w, h), at("MasterData1", m, t + 20, 718, 40),
                                       at("View1", m + 10, t + 25, 100, 20), at("View2", m + 200, t + 25, 50, 20)}));
    EXPECT_EQ(f.Backgrounds, (QStringList{QStringLiteral("%1 1 0").arg(clYellow), QStringLiteral("%1 1 0").arg(clYellow)}));
    // The page sits where it was for the preview afterwards.
    TqdzReportPage *page = r.Store->GetPage(1);
    EXPECT_EQ(page->Left(), 0);
    EXPECT_EQ(page->Top(), 0);
    EXPECT_EQ(r.Store->CopyNo(), 0);

    r.Store->Export(nullptr); // nothing to hand the pages to
}

TEST(ExportPages, DotMatrixReportsPrintThroughTheirFilter)
{
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
    spooler->Default = QStringLiteral("Laser");
    qdzFreePrinters();
    TStoreReport r;
    r.Build({1, 2});
    r.Store->Finish();
    r.Report.SetDotMatrixReport(true);
    r.Report.PrintOptions()->SetShowDialog(false);
    TEvents events;
    r.Report.SetOnPrintReport(TNotifyEvent(&events, &TEvents::Before));
    r.Report.SetOnAfterPrintReport(TNotifyEvent(&events, &TEvents::After));

    TRecordingFilter dm;
    dm.IsDotMatrix = true;
    TRecordingFilter other;
    auto *item1 = static_cast<TqdzExportFilterItem *>(qdzExportFilters()->Add());
    item1->Filter = &other;
    auto *item2 = static_cast<TqdzExportFilterItem *>(qdzExportFilters()->Add());
    item2->Filter = &dm;
    const bool printed = r.Store->Print();
    EXPECT_TRUE(printed);
    EXPECT_EQ(dm.Log, (QStringList{"start", "page1", "page2", "finish"}));
    EXPECT_TRUE(other.Log.isEmpty());
    EXPECT_EQ(events.Log, (QStringList{"before", "after"}));

    // Other filters do not fire the print events.
    events.Log.clear();
    r.Store->Export(&other);
    EXPECT_TRUE(events.Log.isEmpty());
    // Headless: the filter's dialog is not shown.
    EXPECT_EQ(other.Log, (QStringList{"start", "page1", "page2", "finish"}));

    qdzExportFilters()->Delete(item2->Index());
    qdzExportFilters()->Delete(item1->Index());
    qdzFreePrinters();
}

// A preview showing page PageNo (1-based).
class TPagePreview : public TqdzCustomPreview
{
    STATION_CLASS(TPagePreview, TqdzCustomPreview)
public:
    explicit TPagePreview(TComponent *AOwner) : TqdzCustomPreview(AOwner) {}
    void Init() override {}
    void Lock() override { Log << QStringLiteral("lock"); }
    void Unlock() override { Log << QStringLiteral("unlock"); }
    void RefreshReport() override {}
    void ProgressStart(TqdzReport *, TqdzProgressType, int) override {}
    void ProgressStep(TqdzReport *, TqdzProgressType, int) override {}
    void ProgressStop(TqdzReport *, TqdzProgressType, int) override {}
    int PageNo() const { return FPageNo; }
    void SetPageNo(int Value) { FPageNo = Value; }
    QStringList Log;

private:
    int FPageNo = 2;
};

STATION_PUBLISHED(TPagePreview)
{
    P.Prop("PageNo", &TPagePreview::PageNo, &TPagePreview::SetPageNo);
}

TEST(ExportPages, CurrentPageIsThePreviewsPage)
{
    TStoreReport r;
    r.Build({1, 2, 3});
    r.Store->Finish();
    TRecordingFilter f;
    f.SetShowDialog(false);
    f.SetCurPage(true);
    f.SetPageNumbers(QStringLiteral("1"));
    r.Store->Export(&f); // no preview: every page
    EXPECT_EQ(f.Log, (QStringList{"start", "page1", "page2", "page3", "finish"}));
    TPagePreview preview(nullptr);
    r.Report.SetPreview(&preview);
    f.Log.clear();
    r.Store->Export(&f);
    EXPECT_EQ(f.Log, (QStringList{"start", "page2", "finish"}));
    EXPECT_EQ(f.PageNumbers(), QStringLiteral("2"));
    EXPECT_EQ(preview.Log, (QStringList{"lock", "unlock"}));
    r.Report.SetPreview(nullptr);
}
