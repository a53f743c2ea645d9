// Shared pieces of the built-page store tests: a drawn test object, a test engine, a small report.
#pragma once
#include "report/engine/qdzPreviewPages.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassEngine.h"

#include "platform/Graphics.h"

// A view that fills its rectangle with its colour and writes its Tag, so a
// drawn page shows where every object went and which page it is.
class TTestView : public TqdzView
{
    STATION_CLASS(TTestView, TqdzView)
public:
    explicit TTestView(TComponent *AOwner);
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    TColor FillColor() const { return FFillColor; }
    void SetFillColor(TColor Value) { FFillColor = Value; }
    int DrawCount = 0;

private:
    TColor FFillColor = 0xC0C0C0;
};

class TTestEngine : public TqdzCustomEngine
{
    STATION_CLASS(TTestEngine, TqdzCustomEngine)
public:
    explicit TTestEngine(TqdzReport *AReport) : TqdzCustomEngine(AReport) {}
    void EndPage() override {}
    void NewColumn() override {}
    void NewPage() override {}
    void ShowBand(TqdzBand *) override {}
    void ShowBandByClass(TClass) override {}
    double HeaderHeight() override { return 0; }
    double FooterHeight() override { return 0; }
    double FreeSpace() override { return 0; }
    Variant GetAggregateValue(const QString &, const QString &, TqdzBand *, int) override { return Variant(); }
    bool Run() override { return false; }
};

// A report with Page1 (A4) holding MasterData1 at (0, 20) 718 x 40 with
// View1 at (10, 5) 100 x 20 and View2 at (200, 5) 50 x 20, a store of its own
// and an engine that is in its final pass unless told otherwise.
struct TStoreReport {
    TStoreReport();
    ~TStoreReport();
    bool Installed;
    TqdzReport Report{nullptr};
    TqdzReportPage *Page;
    TqdzMasterData *Band;
    TTestView *View1;
    TTestView *View2;
    TTestEngine Engine{&Report};
    TqdzPreviewPages *Store;
    std::unique_ptr<TqdzPreviewPages> OwnStore;

    // Stores the source page and one built page per Tag in Tags: the band
    // and both views, View1 carrying the Tag and moved down by Shift.
    void Build(const std::vector<int> &Tags, double Shift = 0);
};

// The drawing of page Index of Store at scale 1 on a white image.
QImage DrawnPage(TqdzPreviewPages *Store, int Index);
