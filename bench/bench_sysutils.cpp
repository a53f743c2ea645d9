// Number formatting and parsing of the run-time library against Qt's own
// conversions doing comparable work in the same run.
#include "SysUtils.h"

#include <QLocale>
#include <QString>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

std::vector<double> SampleValues()
{
    std::vector<double> v;
    double x = 0.125;
    for (int i = 0; i < 64; ++i) {
        v.push_back(x);
        x = x * 7.31 + 0.77;
        if (x > 1e7)
            x /= 123456.7;
    }
    return v;
}

std::vector<QString> SampleTexts()
{
    std::vector<QString> t;
    for (double v : SampleValues())
        t.push_back(QString::number(v, 'f', 4));
    return t;
}

void BM_Format(benchmark::State &state)
{
    const auto values = SampleValues();
    const QString fmt = QStringLiteral("%s %5d: %.2f kg, %n");
    const QString name = QStringLiteral("Line");
    size_t i = 0;
    for (auto _ : state) {
        const double v = values[i++ % values.size()];
        benchmark::DoNotOptimize(Format(fmt, {name, int(i), v, v * 3}));
    }
}
BENCHMARK(BM_Format);

void BM_Format_QtAsprintf(benchmark::State &state)
{
    const auto values = SampleValues();
    const QByteArray name = "Line";
    size_t i = 0;
    for (auto _ : state) {
        const double v = values[i++ % values.size()];
        benchmark::DoNotOptimize(QString::asprintf("%s %5d: %.2f kg, %'.2f", name.constData(), int(i), v, v * 3));
    }
}
BENCHMARK(BM_Format_QtAsprintf);

void BM_FloatToStr(benchmark::State &state)
{
    const auto values = SampleValues();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(FloatToStr(values[i++ % values.size()]));
}
BENCHMARK(BM_FloatToStr);

void BM_FloatToStr_QtNumber(benchmark::State &state)
{
    const auto values = SampleValues();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(QString::number(values[i++ % values.size()], 'g', 15));
}
BENCHMARK(BM_FloatToStr_QtNumber);

void BM_FormatFloat(benchmark::State &state)
{
    const auto values = SampleValues();
    const QString fmt = QStringLiteral("#,##0.00");
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatFloat(fmt, values[i++ % values.size()]));
}
BENCHMARK(BM_FormatFloat);

void BM_FormatFloat_QtLocale(benchmark::State &state)
{
    const auto values = SampleValues();
    const QLocale c = QLocale::c();
    QLocale grouped(c);
    grouped.setNumberOptions(QLocale::DefaultNumberOptions);
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(grouped.toString(values[i++ % values.size()], 'f', 2));
}
BENCHMARK(BM_FormatFloat_QtLocale);

void BM_StrToFloat(benchmark::State &state)
{
    const auto texts = SampleTexts();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(StrToFloat(texts[i++ % texts.size()]));
}
BENCHMARK(BM_StrToFloat);

void BM_StrToFloat_QtToDouble(benchmark::State &state)
{
    const auto texts = SampleTexts();
    size_t i = 0;
    bool ok = false;
    for (auto _ : state)
        benchmark::DoNotOptimize(texts[i++ % texts.size()].toDouble(&ok));
}
BENCHMARK(BM_StrToFloat_QtToDouble);

void BM_FormatDateTime(benchmark::State &state)
{
    const TDateTime base = EncodeDate(2024, 3, 9);
    const QString fmt = QStringLiteral("yyyy-mm-dd hh:nn:ss");
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatDateTime(fmt, base + (i++ % 1000) * 0.37));
}
BENCHMARK(BM_FormatDateTime);

} // namespace

BENCHMARK_MAIN();
