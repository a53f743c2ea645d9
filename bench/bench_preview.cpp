// Benchmarks of the preview window: showing a page, Find across pages, building with the preview open.
#include "report/preview/qdzPreviewSetup.h"
#include "report/preview/qdzPreview.h"
#include "report/preview/qdzPreviewForm.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzVariables.h"
#include "script/kw_irttiunits.h"

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include "BenchQtMain.h"

// Each is measured beside a reference in the same run: the store drawing
// the same page onto an image of the same size, the same pages drawn onto
// images, and the same report built without a preview.
namespace {

const char *const Products[] = {"Tomato 西红柿", "Cabbage 白菜", "Potato 土豆", "Cucumber 黄瓜", "Carrot 胡萝卜"};
const QString Needle = QStringLiteral("Zucchini");

// Rows of a delivery list; only the last row names the product Find looks for.
class ListSource : public TObject
{
public:
    TqdzUserDataSet *DS = nullptr;
    int Rows = 0;
    void GetValue(const QString &Name, Variant &Value)
    {
        const int R = DS->RecNo();
        if (Name == QLatin1String("No"))
            Value = Variant(R + 1);
        else if (Name == QLatin1String("Product"))
            Value = Variant(R == Rows - 1 ? Needle + QStringLiteral(" 西葫芦") : QString::fromUtf8(Products[R % 5]));
        else if (Name == QLatin1String("Weight"))
            Value = Variant(10.0 + (R % 97) * 0.25);
        else if (Name == QLatin1String("Amount"))
            Value = Variant(32.5 + (R % 89) * 1.5);
    }
};

// An A4 list report: page header and footer with page numbers, a data band
// of four texts, RowsPerPage rows to a page and Pages pages.
struct ListReport {
    ListSource Source;
    std::unique_ptr<TqdzReport> Report;

    ListReport(int Pages, int RowsPerPage)
    {
        qdzBuildStartup();
        Report = std::make_unique<TqdzReport>(nullptr);
        Report->SetOnGetValue(TqdzGetValueEvent(&Source, &ListSource::GetValue));
        Report->PreviewOptions()->SetMaximized(false);
        auto *Page = new TqdzReportPage(Report.get());
        Page->SetName("Page1");
        Page->SetPaperWidth(210);
        Page->SetPaperHeight(297);
        for (auto set : {&TqdzReportPage::SetLeftMargin, &TqdzReportPage::SetRightMargin, &TqdzReportPage::SetTopMargin,
                         &TqdzReportPage::SetBottomMargin})
            (Page->*set)(10);
        auto *DS = new TqdzUserDataSet(Report.get());
        DS->SetName("Lines");
        DS->SetRangeEnd(reCount);
        DS->SetRangeEndCount(Pages * RowsPerPage);
        Report->DataSets()->Add()->SetDataSet(DS);
        Source.DS = DS;
        Source.Rows = Pages * RowsPerPage;
        auto Band = [&](TqdzBand *B, const QString &Name, double Top, double Height) {
            B->SetName(Name);
            B->SetTop(Top);
            B->SetHeight(Height);
            B->SetWidth(700);
            return B;
        };
        auto Memo = [&](TqdzBand *On, const QString &Name, const QString &Text, double Left, double Width) {
            auto *M = new TqdzMemoView(On);
            M->SetName(Name);
            M->SetBounds(Left, 0, Width, 18);
            M->SetText(Text);
        };
        // The page body between header and footer, shared by the rows.
        const double body = 1123 - 2 * 37.8 - 2 * 20 - 4;
        TqdzBand *PH = Band(new TqdzPageHeader(Page), "PageHeader1", 0, 20);
        Memo(PH, "Title", "Delivered goods, page [Page#]", 0, 400);
        TqdzBand *PF = Band(new TqdzPageFooter(Page), "PageFooter1", 1000, 20);
        Memo(PF, "PageNo", "Page [Page#]", 500, 200);
        auto *MD = static_cast<TqdzMasterData *>(Band(new TqdzMasterData(Page), "MasterData1", 100,
                                                       std::floor(body / RowsPerPage)));
        MD->SetDataSet(DS);
        Memo(MD, "No", "[No]", 0, 60);
        Memo(MD, "Product", "[Product]", 60, 300);
        Memo(MD, "Weight", "[Weight]", 360, 150);
        Memo(MD, "Amount", "[Amount]", 510, 150);
    }
    int PageCount() const { return Report->PreviewPages()->GetCount(); }
};

// The report shown in a preview window whose workspace holds a whole A4
// page at zoom 1; Build runs with the window driven by the report.
struct Shown {
    ListReport L;
    std::unique_ptr<TqdzPreviewForm> Form;

    Shown(int Pages, int RowsPerPage) : L(Pages, RowsPerPage), Form(std::make_unique<TqdzPreviewForm>(nullptr))
    {
        Form->SetClientWidth(900);
        Form->SetClientHeight(1250);
        Form->Preview->SetReport(L.Report.get());
        L.Report->SetPreview(Form->Preview);
        Form->Init();
        Form->Show();
        Form->Preview->Init();
        Application->ProcessMessages();
    }
    ~Shown()
    {
        L.Report->SetPreview(nullptr);
        Form.reset();
    }
    TqdzPreview *P() const { return Form->Preview; }
    bool Build() { return L.Report->BuildReport(); }
};

QImage Blank(const QSize &Size)
{
    QImage img(Size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    return img;
}

// The workspace painted with a page wholly visible at zoom 1, as a repaint
// paints it; WithBars also paints its two scroll bars (Qt widgets).
void ShowPage(benchmark::State &State, bool WithBars)
{
    Shown s(1, int(State.range(0)));
    if (!s.Build()) {
        State.SkipWithError("the report did not build");
        return;
    }
    s.P()->SetZoom(1.0);
    s.P()->SetPageNo(1);
    Application->ProcessMessages();
    QWidget *w = s.P()->Workspace()->Widget();
    if (s.P()->Workspace()->PageList().Count() != 1) {
        State.SkipWithError("the preview shows no page");
        return;
    }
    const TRect page = s.P()->Workspace()->PageRect(0);
    if (page.Left < 0 || page.Top < 0 || page.Right > w->width() || page.Bottom > w->height()) {
        State.SkipWithError("the page is not wholly visible");
        return;
    }
    QImage img = Blank(w->size());
    const QWidget::RenderFlags flags =
        WithBars ? QWidget::DrawWindowBackground | QWidget::DrawChildren : QWidget::DrawWindowBackground;
    for (auto _ : State) {
        w->render(&img, QPoint(), QRegion(), flags);
        benchmark::DoNotOptimize(img.constBits());
    }
    State.counters["objects"] = double(s.L.Report->PreviewPages()->GetPage(0)->AllObjects()->Count());
    State.SetLabel(QStringLiteral("%1x%2").arg(w->width()).arg(w->height()).toStdString());
}

// Rows per page: 1x and 10x the objects on the page shown.
void BM_ShowPage(benchmark::State &State)
{
    ShowPage(State, false);
}
BENCHMARK(BM_ShowPage)->Arg(5)->Arg(50)->Unit(benchmark::kMicrosecond);

void BM_ShowPage_WithScrollBars(benchmark::State &State)
{
    ShowPage(State, true);
}
BENCHMARK(BM_ShowPage_WithScrollBars)->Arg(5)->Arg(50)->Unit(benchmark::kMicrosecond);

// Reference: the store draws the same page at zoom 1 onto a fresh white
// image of the workspace's size (the workspace too paints a whole frame).
void BM_ShowPage_DrawPageImage(benchmark::State &State)
{
    Shown s(1, int(State.range(0)));
    if (!s.Build()) {
        State.SkipWithError("the report did not build");
        return;
    }
    s.P()->SetZoom(1.0);
    Application->ProcessMessages();
    const QSize size = s.P()->Workspace()->Widget()->size();
    TqdzCustomPreviewPages *pages = s.L.Report->PreviewPages();
    QImage img = Blank(size);
    for (auto _ : State) {
        img.fill(Qt::white);
        TCanvas c(&img);
        pages->DrawPage(0, &c, 1, 1, 10, 10);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_ShowPage_DrawPageImage)->Arg(5)->Arg(50)->Unit(benchmark::kMicrosecond);

// Find of a text that only the last page holds, from the first page.
void BM_Find(benchmark::State &State)
{
    const int n = int(State.range(0));
    Shown s(n, 20);
    if (!s.Build() || s.L.PageCount() != n) {
        State.SkipWithError("the report did not build as asked");
        return;
    }
    Application->ProcessMessages();
    for (auto _ : State) {
        s.P()->FindText(Needle, false, true);
        if (s.P()->FoundPage() != n - 1) {
            State.SkipWithError("the text was not found on the last page");
            return;
        }
    }
    State.counters["pages"] = n;
}
BENCHMARK(BM_Find)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// Reference: the same pages drawn at zoom 1 onto page-sized images.
void BM_Find_DrawImages(benchmark::State &State)
{
    const int n = int(State.range(0));
    Shown s(n, 20);
    if (!s.Build() || s.L.PageCount() != n) {
        State.SkipWithError("the report did not build as asked");
        return;
    }
    TqdzCustomPreviewPages *pages = s.L.Report->PreviewPages();
    for (auto _ : State)
        for (int i = 0; i < n; ++i) {
            const TPoint size = pages->GetPageSize(i);
            QImage img = Blank(QSize(size.X, size.Y));
            TCanvas c(&img);
            pages->DrawPage(i, &c, 1, 1, 0, 0);
            benchmark::DoNotOptimize(img.constBits());
        }
    State.counters["pages"] = n;
}
BENCHMARK(BM_Find_DrawImages)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void CountPages(benchmark::State &State, int Pages)
{
    State.counters["pages"] = Pages;
    State.counters["time_per_page"] = benchmark::Counter(double(Pages) * double(State.iterations()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Building with the preview window open: the report drives its progress.
void BM_BuildWithPreview(benchmark::State &State)
{
    const int n = int(State.range(0));
    Shown s(n, 10);
    for (auto _ : State)
        if (!s.Build() || s.L.PageCount() != n || s.P()->Workspace()->PageList().Count() != n) {
            State.SkipWithError("the report did not build as asked");
            return;
        }
    CountPages(State, n);
}
BENCHMARK(BM_BuildWithPreview)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// Reference: the same report built without a preview.
void BM_BuildWithPreview_NoPreview(benchmark::State &State)
{
    const int n = int(State.range(0));
    ListReport l(n, 10);
    for (auto _ : State)
        if (!l.Report->BuildReport() || l.PageCount() != n) {
            State.SkipWithError("the report did not build as asked");
            return;
        }
    CountPages(State, n);
}
BENCHMARK(BM_BuildWithPreview_NoPreview)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QApplication>(argc, argv, kwRegisterRTTIUnits);
}
