// Loading, freeing and saving a report template of 10,000 objects (one page,
// 500 bands of 19 text objects each), and of ten times as many, so a cost
// that grows faster than the objects shows as a ratio above 10. References
// measured in the same run: a plain expat parse of the same bytes, the XML
// tree alone reading and writing them, and building the same objects by hand
// without the template format.
#include "report/model/qdzClass.h"
#include "report/model/qdzWideStrings.h"
#include "report/model/qdzXML.h"
#include "report/model/qdzXMLSerializer.h"

#include "platform/Streams.h"

#include <benchmark/benchmark.h>
#include <expat.h>
#include <map>

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

void BuildByHand(TqdzReport *Report, int Scale = 1)
{
    auto *page = new TqdzReportPage(Report);
    page->SetName("Page1");
    int n = 0;
    for (int b = 0; b < BandCount * Scale; ++b) {
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

// The template of Scale times 10,000 objects.
const QByteArray &Template(int Scale = 1)
{
    static std::map<int, QByteArray> cache;
    auto it = cache.find(Scale);
    if (it == cache.end()) {
        Register();
        TqdzReport report(nullptr);
        BuildByHand(&report, Scale);
        TMemoryStream s;
        report.SaveToStream(&s);
        it = cache.emplace(Scale, QByteArray(static_cast<const char *>(s.Memory()), qsizetype(s.Size()))).first;
    }
    return it->second;
}

int ObjectCount(int Scale)
{
    return BandCount * Scale * (MemosPerBand + 1) + 1;
}

// Loading alone; the report is freed outside the timing.
void BM_LoadTemplate(benchmark::State &State)
{
    const int scale = int(State.range(0));
    const QByteArray &bytes = Template(scale);
    for (auto _ : State) {
        auto report = std::make_unique<TqdzReport>(nullptr);
        TStringStream s(bytes);
        report->LoadFromStream(&s);
        benchmark::DoNotOptimize(report->Objects()->Count());
        State.PauseTiming();
        report.reset();
        State.ResumeTiming();
    }
    State.SetBytesProcessed(State.iterations() * bytes.size());
    State.counters["objects"] = ObjectCount(scale);
}
BENCHMARK(BM_LoadTemplate)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// Freeing alone: the loaded report is freed inside the timing.
void BM_FreeReport(benchmark::State &State)
{
    const int scale = int(State.range(0));
    const QByteArray &bytes = Template(scale);
    for (auto _ : State) {
        State.PauseTiming();
        auto report = std::make_unique<TqdzReport>(nullptr);
        TStringStream s(bytes);
        report->LoadFromStream(&s);
        State.ResumeTiming();
        report.reset();
    }
    State.counters["objects"] = ObjectCount(scale);
}
BENCHMARK(BM_FreeReport)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// Loading and freeing, the whole cycle.
void BM_LoadFreeTemplate(benchmark::State &State)
{
    const int scale = int(State.range(0));
    const QByteArray &bytes = Template(scale);
    for (auto _ : State) {
        TqdzReport report(nullptr);
        TStringStream s(bytes);
        report.LoadFromStream(&s);
        benchmark::DoNotOptimize(report.Objects()->Count());
    }
    State.SetBytesProcessed(State.iterations() * bytes.size());
    State.counters["objects"] = ObjectCount(scale);
}
BENCHMARK(BM_LoadFreeTemplate)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// Reference: a plain expat parse of the same bytes, counting elements and
// attributes. Templates keep text in the report's 8-bit code page under a
// "utf-8" declaration, so the parser is told to take the bytes as Latin-1.
void BM_ReferenceExpat(benchmark::State &State)
{
    const QByteArray &bytes = Template(int(State.range(0)));
    struct TCount
    {
        qint64 Elements = 0;
        qint64 Attributes = 0;
    };
    for (auto _ : State) {
        TCount count;
        XML_Parser p = XML_ParserCreate("ISO-8859-1");
        XML_SetUserData(p, &count);
        XML_SetElementHandler(
            p,
            [](void *Data, const XML_Char *, const XML_Char **Atts) {
                auto *c = static_cast<TCount *>(Data);
                ++c->Elements;
                for (; *Atts; Atts += 2)
                    ++c->Attributes;
            },
            nullptr);
        if (XML_Parse(p, bytes.constData(), int(bytes.size()), 1) != XML_STATUS_OK)
            State.SkipWithError(XML_ErrorString(XML_GetErrorCode(p)));
        XML_ParserFree(p);
        benchmark::DoNotOptimize(count.Elements);
    }
    State.SetBytesProcessed(State.iterations() * bytes.size());
}
BENCHMARK(BM_ReferenceExpat)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

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

// Reference: the same objects built by hand and freed, at both sizes: what
// making and freeing the objects alone costs at 10x, caches and heap included.
void BM_ReferenceBuildByHand(benchmark::State &State)
{
    Register();
    const int scale = int(State.range(0));
    for (auto _ : State) {
        TqdzReport report(nullptr);
        BuildByHand(&report, scale);
        benchmark::DoNotOptimize(report.Objects()->Count());
    }
    State.counters["objects"] = ObjectCount(scale);
}
BENCHMARK(BM_ReferenceBuildByHand)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
