// Property access by name and creation by class name, as the template reader
// and the script engine use them for every object of a report. Each is
// measured next to the direct C++ call it stands for.
#include "Component.h"
#include "Font.h"
#include "TypInfo.h"
#include "Variants.h"
#include <benchmark/benchmark.h>
#include <memory>

STATION_DECLARE_ENUM(TBenchAlign, bvNone, bvLeft, bvRight, bvCenter)

class TBenchView : public TComponent
{
    STATION_CLASS(TBenchView, TComponent)
public:
    explicit TBenchView(TComponent *AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {}
    double Left() const { return FLeft; }
    void SetLeft(double V) { FLeft = V; }
    double Top() const { return FTop; }
    void SetTop(double V) { FTop = V; }
    double Width() const { return FWidth; }
    void SetWidth(double V) { FWidth = V; }
    double Height() const { return FHeight; }
    void SetHeight(double V) { FHeight = V; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool V) { FVisible = V; }
    TBenchAlign Align() const { return FAlign; }
    void SetAlign(TBenchAlign V) { FAlign = V; }
    int FrameTyp() const { return FFrameTyp; }
    void SetFrameTyp(int V) { FFrameTyp = V; }
    const QString &Memo() const { return FMemo; }
    void SetMemo(const QString &V) { FMemo = V; }
    const QString &Description() const { return FDescription; }
    void SetDescription(const QString &V) { FDescription = V; }
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *V) { FFont->Assign(V); }

private:
    double FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    TBenchAlign FAlign = bvNone;
    int FFrameTyp = 0;
    QString FMemo, FDescription;
    std::unique_ptr<TFont> FFont;
};

STATION_PUBLISHED(TBenchView)
{
    P.Prop("Left", &TBenchView::Left, &TBenchView::SetLeft);
    P.Prop("Top", &TBenchView::Top, &TBenchView::SetTop);
    P.Prop("Width", &TBenchView::Width, &TBenchView::SetWidth);
    P.Prop("Height", &TBenchView::Height, &TBenchView::SetHeight);
    P.Prop("Visible", &TBenchView::Visible, &TBenchView::SetVisible).Default(true);
    P.Prop("Align", &TBenchView::Align, &TBenchView::SetAlign).Default(bvNone);
    P.Prop("FrameTyp", &TBenchView::FrameTyp, &TBenchView::SetFrameTyp).Default(0);
    P.Prop("Memo", &TBenchView::Memo, &TBenchView::SetMemo);
    P.Prop("Description", &TBenchView::Description, &TBenchView::SetDescription);
    P.Prop("Font", &TBenchView::Font, &TBenchView::SetFont);
}

static void BM_DirectGetSet(benchmark::State &state)
{
    TBenchView v(nullptr);
    int i = 0;
    for (auto _ : state) {
        v.SetFrameTyp(++i & 15);
        benchmark::DoNotOptimize(v.FrameTyp());
    }
}
BENCHMARK(BM_DirectGetSet);

static void BM_OrdPropByName(benchmark::State &state)
{
    TBenchView v(nullptr);
    int i = 0;
    for (auto _ : state) {
        SetOrdProp(&v, u"frametyp", ++i & 15);
        benchmark::DoNotOptimize(GetOrdProp(&v, u"FrameTyp"));
    }
}
BENCHMARK(BM_OrdPropByName);

static void BM_OrdPropByInfo(benchmark::State &state)
{
    TBenchView v(nullptr);
    PPropInfo p = GetPropInfo(&v, u"FrameTyp");
    int i = 0;
    for (auto _ : state) {
        SetOrdProp(&v, p, ++i & 15);
        benchmark::DoNotOptimize(GetOrdProp(&v, p));
    }
}
BENCHMARK(BM_OrdPropByInfo);

static void BM_StrPropByName(benchmark::State &state)
{
    TBenchView v(nullptr);
    const QString text = QStringLiteral("[Sum(<Qty>)]");
    for (auto _ : state) {
        SetStrProp(&v, u"Memo", text);
        benchmark::DoNotOptimize(GetStrProp(&v, u"Memo"));
    }
}
BENCHMARK(BM_StrPropByName);

static void BM_FloatPropDottedPath(benchmark::State &state)
{
    TBenchView v(nullptr);
    int i = 0;
    for (auto _ : state) {
        SetOrdProp(&v, u"Font.Size", 8 + (++i & 3));
        benchmark::DoNotOptimize(GetStrProp(&v, u"Font.Name"));
    }
}
BENCHMARK(BM_FloatPropDottedPath);

static void BM_PropValueByName(benchmark::State &state)
{
    TBenchView v(nullptr);
    const Variant value(QStringLiteral("bvCenter"));
    for (auto _ : state) {
        SetPropValue(&v, u"Align", value);
        benchmark::DoNotOptimize(GetPropValue(&v, u"Align"));
    }
}
BENCHMARK(BM_PropValueByName);

static void BM_NewDirect(benchmark::State &state)
{
    TComponent owner(nullptr);
    for (auto _ : state) {
        auto *v = new TBenchView(&owner);
        benchmark::DoNotOptimize(v);
        delete v;
    }
}
BENCHMARK(BM_NewDirect);

static void BM_CreateByName(benchmark::State &state)
{
    RegisterClass(TBenchView::StaticClass());
    TComponent owner(nullptr);
    for (auto _ : state) {
        TObject *v = FindClass(u"TBenchView")->Create(&owner);
        benchmark::DoNotOptimize(v);
        delete v;
    }
}
BENCHMARK(BM_CreateByName);

BENCHMARK_MAIN();
