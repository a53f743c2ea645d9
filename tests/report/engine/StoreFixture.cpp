// Shared pieces of the built-page store tests.
#include "StoreFixture.h"

#include "report/engine/qdzOutline.h"
#include "report/engine/qdzPrinter.h"

#include "platform/TypInfo.h"

#include <QImage>

STATION_PUBLISHED(TTestView)
{
    using C = TTestView;
    P.Prop("FillColor", &C::FillColor, &C::SetFillColor).Default(0xC0C0C0);
    P.Prop("Cursor", &C::Cursor, &C::SetCursor).Default(0);
    P.Prop("URL", &C::URL, &C::SetURL);
}
STATION_PUBLISHED(TTestEngine) {}

TTestView::TTestView(TComponent *AOwner) : TqdzView(AOwner)
{
    RegisterClass(StaticClass());
    // Written as differences, as text objects are.
    SetFlags(Flags() & ~qdzFlagWriteFull);
}

void TTestView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    ++DrawCount;
    const int l = Round(AbsLeft() * ScaleX + OffsetX), t = Round(AbsTop() * ScaleY + OffsetY);
    const int r = Round((AbsLeft() + Width()) * ScaleX + OffsetX), b = Round((AbsTop() + Height()) * ScaleY + OffsetY);
    Canvas->Brush()->SetColor(FFillColor);
    Canvas->FillRect(TRect(l, t, r, b));
    if (Tag() != 0) {
        Canvas->Font()->SetSize(12);
        Canvas->TextOut(l + 2, t + 2, QStringLiteral("page%1").arg(Tag()));
    }
}

namespace {

// The store and its outline through the factory table, as at start-up.
void InstallStore()
{
    static const bool Done = [] {
        qdzInstallPaperHooks();
        TqdzBuildFactories f = qdzBuildFactories();
        qdzAddPreviewPagesFactories(f);
        // Reports get a store of their own only together with an engine.
        if (!f.CreateEngine)
            f.CreateEngine = [](TqdzReport *R) -> TqdzCustomEngine * { return new TTestEngine(R); };
        qdzInstallBuildFactories(f);
        return true;
    }();
    (void)Done;
}

} // namespace

TStoreReport::TStoreReport() : Installed((InstallStore(), true))
{
    Page = new TqdzReportPage(&Report);
    Page->SetName(QStringLiteral("Page1"));
    Page->SetPaperSize(9);
    Page->SetLeftMargin(10);
    Page->SetTopMargin(10);
    Page->SetRightMargin(10);
    Page->SetBottomMargin(10);
    Band = new TqdzMasterData(Page);
    Band->SetName(QStringLiteral("MasterData1"));
    Band->SetBounds(0, 20, 718, 40);
    View1 = new TTestView(Band);
    View1->SetName(QStringLiteral("View1"));
    View1->SetBounds(10, 5, 100, 20);
    View2 = new TTestView(Band);
    View2->SetName(QStringLiteral("View2"));
    View2->SetBounds(200, 5, 50, 20);
    View2->SetFillColor(0x00FF00);
    Store = dynamic_cast<TqdzPreviewPages *>(Report.PreviewPages());
    if (!Store) {
        OwnStore = std::make_unique<TqdzPreviewPages>(&Report);
        Store = OwnStore.get();
    }
    Store->SetEngine(&Engine);
    Engine.SetPreviewPages(Store);
    Engine.SetFinalPass(true);
}

TStoreReport::~TStoreReport()
{
    Store->SetEngine(Report.Engine());
}

void TStoreReport::Build(const std::vector<int> &Tags, double Shift)
{
    Store->Clear();
    Store->AddSourcePage(Page);
    Store->BeginPass();
    const double top = View1->Top();
    for (int tag : Tags) {
        Store->AddPage(Page);
        View1->SetTag(tag);
        View1->SetTop(top + Shift);
        Store->AddObject(Band);
    }
    View1->SetTag(0);
    View1->SetTop(top);
}

QImage DrawnPage(TqdzPreviewPages *Store, int Index)
{
    const TPoint size = Store->GetPageSize(Index);
    TBitmap bmp;
    bmp.SetSize(size.X, size.Y);
    bmp.Canvas()->Brush()->SetColor(clWhite);
    bmp.Canvas()->FillRect(TRect(0, 0, size.X, size.Y));
    Store->DrawPage(Index, bmp.Canvas(), 1, 1, 0, 0);
    return bmp.ToImage();
}
