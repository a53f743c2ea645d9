// Wrapping and drawing a long memo through the text layout, against Qt's
// own QTextLayout doing the same wrap (and draw) on the same text, font and
// width in the same run; long paragraphs and one long word at 1x and 10x.
#include "platform/Graphics.h"
#include "report/model/qdzDrawText.h"
#include "report/model/qdzWideStrings.h"

#include "BenchQtMain.h"

#include <benchmark/benchmark.h>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextLayout>
#include <cstdlib>

namespace {

constexpr int WidthUnits = 300; // report units (pixels at 96 per inch)
constexpr int HeightUnits = 4000;

QString LongMemo()
{
    QString s;
    for (int i = 0; i < 60; ++i) {
        s += QStringLiteral("第%1行 客户：城东蔬菜批发市场 品名 Tomato 西红柿 毛重 12.50 kg 皮重 0.60 kg "
                            "净重 11.90 kg 单价 3.20 元/kg 金额 38.08 元 delivered to the east gate of the "
                            "market before seven o'clock\n")
                 .arg(i + 1);
    }
    return s;
}

TFont &MemoFont()
{
    static TFont f;
    static bool init = false;
    if (!init) {
        f.SetName(QStringLiteral("宋体"));
        f.SetSize(10);
        init = true;
    }
    return f;
}

void Prepare(TqdzDrawText &D, TWideStrings &Lines)
{
    D.SetFont(&MemoFont());
    D.SetOptions(true, true, 0, true, false, false, false);
    D.SetGaps(0, 0, 0);
    const TRect r{0, 0, WidthUnits, HeightUnits};
    D.SetDimensions(1, 1, 1, r, r);
    D.SetText(&Lines);
}

// The same font at the measuring resolution, as Qt lays it out.
QFont MeasuringQFont()
{
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(83); // 10 points at 600 per inch
    f.setKerning(false);
    return f;
}

int QtWrap(const QString &Text, const QFont &Font, double Width, QImage *Target = nullptr)
{
    int lines = 0;
    QPainter *p = nullptr;
    if (Target)
        p = new QPainter(Target);
    QTextOption opt;
    opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    double y = 0;
    for (const QString &para : Text.split(QLatin1Char('\n'))) {
        QTextLayout layout(para, Font);
        layout.setTextOption(opt);
        layout.beginLayout();
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(Width);
            line.setPosition(QPointF(0, y));
            y += line.height();
            ++lines;
        }
        layout.endLayout();
        if (p)
            layout.draw(p, QPointF(0, 0));
    }
    delete p;
    return lines;
}

void BM_DrawText_Wrap(benchmark::State &State)
{
    TqdzDrawText d;
    TWideStrings lines;
    lines.SetText(LongMemo());
    for (auto _ : State) {
        Prepare(d, lines);
        benchmark::DoNotOptimize(d.Text()->Count());
    }
    State.counters["lines"] = d.Text()->Count();
}
BENCHMARK(BM_DrawText_Wrap)->Unit(benchmark::kMillisecond);

void BM_QTextLayout_Wrap(benchmark::State &State)
{
    const QString text = LongMemo();
    const QFont f = MeasuringQFont();
    int lines = 0;
    for (auto _ : State) {
        lines = QtWrap(text, f, WidthUnits * 600.0 / 96.0);
        benchmark::DoNotOptimize(lines);
    }
    State.counters["lines"] = lines;
}
BENCHMARK(BM_QTextLayout_Wrap)->Unit(benchmark::kMillisecond);

void BM_DrawText_WrapAndDraw(benchmark::State &State)
{
    TqdzDrawText d;
    TWideStrings lines;
    lines.SetText(LongMemo());
    QImage img(WidthUnits, 2000, QImage::Format_RGB32);
    for (auto _ : State) {
        img.fill(Qt::white);
        TCanvas c(&img);
        Prepare(d, lines);
        d.DrawText(&c, haLeft, vaTop);
        c.Release();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawText_WrapAndDraw)->Unit(benchmark::kMillisecond);

void BM_QTextLayout_WrapAndDraw(benchmark::State &State)
{
    const QString text = LongMemo();
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(13); // the same font at 96 per inch
    f.setKerning(false);
    QImage img(WidthUnits, 2000, QImage::Format_RGB32);
    for (auto _ : State) {
        img.fill(Qt::white);
        benchmark::DoNotOptimize(QtWrap(text, f, WidthUnits, &img));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_QTextLayout_WrapAndDraw)->Unit(benchmark::kMillisecond);

// Lays Text out in 10 pt Arial, Width pixels wide, with word wrap (and
// hyphenation when asked), as often as the state runs.
void WrapLoop(benchmark::State &State, const QString &Text, bool Hyphenate, int Width)
{
    TFont f;
    f.SetName(QStringLiteral("Arial"));
    f.SetSize(10);
    TWideStrings w;
    w.SetText(Text);
    TqdzDrawText d;
    d.SetFont(&f);
    d.SetOptions(true, !Hyphenate, 0, true, false, Hyphenate, false);
    d.SetGaps(0, 0, 0);
    const TRect r{0, 0, Width, 100};
    d.SetDimensions(1, 1, 1, r, r);
    for (auto _ : State) {
        d.SetText(&w);
        benchmark::DoNotOptimize(d.Text()->Count());
    }
    State.counters["lines"] = d.Text()->Count();
}

// The same words as one paragraph (ShortLines 0) and as lines of six words
// (1): wrapping a paragraph costs per word what short lines cost, and 10x the
// words about 10x the time.
void BM_DrawText_WrapWords(benchmark::State &State)
{
    QString text;
    for (int i = 0; i < State.range(0); ++i) {
        if (State.range(1) && i > 0 && i % 6 == 0)
            text += QLatin1Char('\n');
        text += QStringLiteral("word%1 ").arg(i % 97);
    }
    WrapLoop(State, text, false, 300);
}
BENCHMARK(BM_DrawText_WrapWords)->Args({800, 1})->Args({8000, 1})->Args({800, 0})->Args({8000, 0})
    ->Unit(benchmark::kMillisecond);

// One Cyrillic word of 6 x N letters broken with hyphens at its syllables,
// at 1x and 10x: time in proportion to the word.
void BM_DrawText_HyphenatedWord(benchmark::State &State)
{
    QString word;
    for (int i = 0; i < State.range(0); ++i)
        word += QStringLiteral("\u041C\u041E\u041B\u041E\u041A\u041E");
    WrapLoop(State, word, true, 200);
}
BENCHMARK(BM_DrawText_HyphenatedWord)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QGuiApplication>(argc, argv);
}
