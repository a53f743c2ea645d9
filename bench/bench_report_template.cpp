// Loading and saving a report template of 10,000 objects (one page, 500
// bands of 19 text objects each). References measured in the same run: the
// XML tree alone reading and writing the same bytes, and building the same
// objects by hand without the template format.
#include "report/model/qdzClass.h"
#include "report/model/qdzWideStrings.h"
#include "report/model/qdzXML.h"
#include "report/model/qdzXMLSerializer.h"

#include "platform/Streams.h"

#include <benchmark/benchmark.h>

namespace {

STATION_DECLARE_ENUM(TqdzBenchHAlign, bhaLeft, bhaRight, bhaCenter)

class TqdzBenchBand : public TqdzBand
{
    STATION_CLASS(TqdzBenchBand, TqdzBand)
public:
    explicit TqdzBenchBand(TComponent *AOwner) : TqdzBand(AOwner) {}
};

class TqdzBenchMemoView : public TqdzCustomMemoView
{
    STATION_CLASS(TqdzBenchMemoView, TqdzCustomMemoView)
public:
    explicit TqdzBenchMemoView(TComponent *AOwner) : TqdzCustomMemoView(AOwner) {}
    void Draw(TCanvas *, double, double, double, double) override {}

    TqdzBenchHAlign HAlign() const { return FHAlign; }
    void SetHAlign(TqdzBenchHAlign Value) { FHAlign = Value; }
    const QString &DataField() const { return FDataField; }
    void SetDataField(const QString &Value) { FDataField = Value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }

private:
    TqdzBenchHAlign FHAlign = bhaLeft;
    QString FDataField;
    bool FWordWrap = true;
};

STATION_PUBLISHED(TqdzBenchBand)
{
    P.Prop("Font", &TqdzBenchBand::Font, &TqdzBenchBand::SetFont).Stored(&TqdzBenchBand::IsFontStored);
    P.Prop("Height", &TqdzBenchBand::Height, &TqdzBenchBand::SetHeight);
    P.Prop("Left", &TqdzBenchBand::Left, &TqdzBenchBand::SetLeft);
    P.Prop("ParentFont", &TqdzBenchBand::ParentFont, &TqdzBenchBand::SetParentFont).Default(true);
    P.Prop("Top", &TqdzBenchBand::Top, &TqdzBenchBand::SetTop);
    P.Prop("Visible", &TqdzBenchBand::Visible, &TqdzBenchBand::SetVisible).Default(true);
    P.Prop("Width", &TqdzBenchBand::Width, &TqdzBenchBand::SetWidth);
}

STATION_PUBLISHED(TqdzBenchMemoView)
{
    P.Prop("AutoWidth", &TqdzBenchMemoView::AutoWidth, &TqdzBenchMemoView::SetAutoWidth).Default(false);
    P.Prop("DataField", &TqdzBenchMemoView::DataField, &TqdzBenchMemoView::SetDataField);
    P.Prop("Font", &TqdzBenchMemoView::Font, &TqdzBenchMemoView::SetFont).Stored(&TqdzBenchMemoView::IsFontStored);
    P.Prop("HAlign", &TqdzBenchMemoView::HAlign, &TqdzBenchMemoView::SetHAlign).Default(bhaLeft);
    P.Prop("Height", &TqdzBenchMemoView::Height, &TqdzBenchMemoView::SetHeight);
    P.Prop("Left", &TqdzBenchMemoView::Left, &TqdzBenchMemoView::SetLeft);
    P.Prop("Memo", &TqdzBenchMemoView::Memo, &TqdzBenchMemoView::SetMemo);
    P.Prop("ParentFont", &TqdzBenchMemoView::ParentFont, &TqdzBenchMemoView::SetParentFont).Default(true);
    P.Prop("Top", &TqdzBenchMemoView::Top, &TqdzBenchMemoView::SetTop);
    P.Prop("Visible", &TqdzBenchMemoView::Visible, &TqdzBenchMemoView::SetVisible).Default(true);
    P.Prop("Width", &TqdzBenchMemoView::Width, &TqdzBenchMemoView::SetWidth);
    P.Prop("WordWrap", &TqdzBenchMemoView::WordWrap, &TqdzBenchMemoView::SetWordWrap).Default(true);
}

constexpr int BandCount = 500;
constexpr int MemosPerBand = 19; // with the bands and the page: 10,001 objects

void Register()
{
    static const bool Done = [] {
        RegisterClasses({TqdzBenchBand::StaticClass(), TqdzBenchMemoView::StaticClass()});
        return true;
    }();
    (void)Done;
}

void BuildByHand(TqdzReport *Report)
{
    auto *page = new TqdzReportPage(Report);
    page->SetName("Page1");
    int n = 0;
    for (int b = 0; b < BandCount; ++b) {
        auto *band = new TqdzBenchBand(page);
        band->SetName("Band" + QString::number(b + 1));
        band->SetBounds(0, b * 22.68, 718.11, 22.68);
        for (int m = 0; m < MemosPerBand; ++m) {
            auto *memo = new TqdzBenchMemoView(band);
            memo->SetName("Memo" + QString::number(++n));
            memo->SetBounds(m * 37.8, 0, 37.8, 18.9);
            memo->SetText(QStringLiteral("[qdzUserDataSet1.\"品名%1\"] kg").arg(m));
            memo->SetDataField(m % 3 ? QString() : QStringLiteral("Field%1").arg(m));
            memo->SetHAlign(TqdzBenchHAlign(m % 3));
            memo->SetWordWrap(m % 2 == 0);
            if (m == 0) {
                TFont f;
                f.SetName(QStringLiteral("宋体"));
                f.SetSize(12);
                memo->SetFont(&f);
            }
        }
    }
}

const QByteArray &Template()
{
    static const QByteArray Bytes = [] {
        Register();
        TqdzReport report(nullptr);
        BuildByHand(&report);
        TMemoryStream s;
        report.SaveToStream(&s);
        return QByteArray(static_cast<const char *>(s.Memory()), qsizetype(s.Size()));
    }();
    return Bytes;
}

void BM_LoadTemplate(benchmark::State &State)
{
    const QByteArray &bytes = Template();
    for (auto _ : State) {
        TqdzReport report(nullptr);
        TStringStream s(bytes);
        report.LoadFromStream(&s);
        benchmark::DoNotOptimize(report.Objects()->Count());
    }
    State.SetBytesProcessed(State.iterations() * bytes.size());
    State.counters["objects"] = BandCount * (MemosPerBand + 1) + 1;
}
BENCHMARK(BM_LoadTemplate)->Unit(benchmark::kMillisecond);

void BM_SaveTemplate(benchmark::State &State)
{
    const QByteArray &bytes = Template();
    TqdzReport report(nullptr);
    TStringStream in(bytes);
    report.LoadFromStream(&in);
    for (auto _ : State) {
        TMemoryStream s;
        report.SaveToStream(&s);
        benchmark::DoNotOptimize(s.Size());
    }
    State.SetBytesProcessed(State.iterations() * bytes.size());
}
BENCHMARK(BM_SaveTemplate)->Unit(benchmark::kMillisecond);

// Reference: the XML tree alone on the same bytes.
void BM_ReferenceXMLTreeLoad(benchmark::State &State)
{
    const QByteArray &bytes = Template();
    for (auto _ : State) {
        TStringStream s(bytes);
        TqdzXMLDocument doc;
        doc.LoadFromStream(&s);
        benchmark::DoNotOptimize(doc.Root()->Count());
    }
    State.SetBytesProcessed(State.iterations() * bytes.size());
}
BENCHMARK(BM_ReferenceXMLTreeLoad)->Unit(benchmark::kMillisecond);

void BM_ReferenceXMLTreeSave(benchmark::State &State)
{
    const QByteArray &bytes = Template();
    TStringStream in(bytes);
    TqdzXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.LoadFromStream(&in);
    for (auto _ : State) {
        TMemoryStream s;
        doc.SaveToStream(&s);
        benchmark::DoNotOptimize(s.Size());
    }
    State.SetBytesProcessed(State.iterations() * bytes.size());
}
BENCHMARK(BM_ReferenceXMLTreeSave)->Unit(benchmark::kMillisecond);

// Reference: the same objects built by hand and freed.
void BM_ReferenceBuildByHand(benchmark::State &State)
{
    Register();
    for (auto _ : State) {
        TqdzReport report(nullptr);
        BuildByHand(&report);
        benchmark::DoNotOptimize(report.Objects()->Count());
    }
}
BENCHMARK(BM_ReferenceBuildByHand)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
