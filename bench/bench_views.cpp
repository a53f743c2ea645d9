// Drawing pages of memo views at 96 per inch against plain QPainter::drawText of the same strings at
// the same places in the same run; 200 memos (one page) and 2000 (ten pages).
#include "platform/Graphics.h"
#include "report/model/qdzClassViews.h"

#include "BenchQtMain.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int PageW = 794, PageH = 1123; // A4 at 96 per inch
constexpr int PerPage = 200;

struct TCell
{
    QString Text;
    QRect Box;
};

// The delivery-note kind of content: short labels, numbers, names, in a
// grid of 4 columns by 50 rows per page.
std::vector<TCell> Cells(int Count)
{
    static const char *Words[] = {"毛重", "皮重", "净重", "Tomato", "城东蔬菜批发市场", "12.50 kg", "38.08 元",
                                  "delivered"};
    std::vector<TCell> cells;
    for (int i = 0; i < Count; ++i) {
        const int k = i % PerPage;
        const QString text = QStringLiteral("%1 %2 %3").arg(QString::fromUtf8(Words[i % 8])).arg(i).arg(
            QString::fromUtf8(Words[(i * 3 + 1) % 8]));
        cells.push_back({text, QRect(10 + (k % 4) * 190, 10 + (k / 4) * 22, 185, 20)});
    }
    return cells;
}

struct TPageViews
{
    std::vector<std::unique_ptr<TqdzMemoView>> Memos;
    explicit TPageViews(const std::vector<TCell> &Cells)
    {
        for (const TCell &c : Cells) {
            auto m = std::make_unique<TqdzMemoView>(nullptr);
            m->SetBounds(c.Box.x(), c.Box.y(), c.Box.width(), c.Box.height());
            m->Font()->SetName(QStringLiteral("Arial"));
            m->Font()->SetSize(10);
            m->SetText(c.Text);
            Memos.push_back(std::move(m));
        }
    }
};

void BM_MemoViews(benchmark::State &State)
{
    const int n = int(State.range(0));
    const std::vector<TCell> cells = Cells(n);
    TPageViews views(cells);
    QImage img(PageW, PageH, QImage::Format_RGB32);
    for (auto _ : State) {
        // One image per page of 200, drawn again for each page.
        for (int first = 0; first < n; first += PerPage) {
            img.fill(Qt::white);
            TCanvas c(&img);
            for (int i = first; i < std::min(n, first + PerPage); ++i)
                views.Memos[size_t(i)]->Draw(&c, 1, 1, 0, 0);
            c.Release();
        }
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * n);
}
BENCHMARK(BM_MemoViews)->Arg(PerPage)->Arg(10 * PerPage)->Unit(benchmark::kMillisecond);

void BM_QPainterDrawText(benchmark::State &State)
{
    const int n = int(State.range(0));
    const std::vector<TCell> cells = Cells(n);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13); // 10 points at 96 per inch
    QImage img(PageW, PageH, QImage::Format_RGB32);
    for (auto _ : State) {
        for (int first = 0; first < n; first += PerPage) {
            img.fill(Qt::white);
            QPainter p(&img);
            p.setFont(f);
            for (int i = first; i < std::min(n, first + PerPage); ++i)
                p.drawText(cells[size_t(i)].Box.adjusted(2, 1, -2, -1), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                           cells[size_t(i)].Text);
        }
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * n);
}
BENCHMARK(BM_QPainterDrawText)->Arg(PerPage)->Arg(10 * PerPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QGuiApplication>(argc, argv);
}
