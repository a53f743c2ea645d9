// The print path of the built-page store: copies, page lists, parity, order, modes, duplex, bins.
#include "qdzPreviewPages.h"

#include "qdzPrinter.h"

#include "platform/TypInfo.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzExportFilter.h"

#include "platform/Forms.h"
#include "platform/SysUtils.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzUtils.h"
#include "report/model/qdzVariables.h"

#include <cmath>

namespace {

TqdzPrintDialogHook GPrintDialog = nullptr;

// How many pieces of length B cover A: a remainder of 11 mm or more takes
// one piece more, a smaller one is rounded away.
int PieceCount(double A, double B)
{
    if (B <= 0 || A <= 0)
        return 1;
    const double q = A / B;
    int n = std::abs(std::trunc(q) * B - A) >= 11 ? int(std::trunc(q)) + 1 : Round(q);
    return std::max(n, 1);
}

// How many pieces of length B lie whole within A: a page of a joined sheet
// is never cut. Half a millimetre is let pass for sizes the device rounds.
int WholeCount(double A, double B)
{
    if (B <= 0 || A <= 0)
        return 1;
    return std::max(int(std::floor((A + 0.5) / B)), 1);
}

bool SkippedByParity(TqdzPrintPages Pages, int Index)
{
    return (Pages == ppOdd && (Index + 1) % 2 == 0) || (Pages == ppEven && (Index + 1) % 2 == 1);
}

} // namespace

TqdzPrintDialogHook &qdzPrintDialogHook()
{
    return GPrintDialog;
}

struct TqdzPreviewPages::TPrintRun {
    TqdzCustomPrinter *Printer = nullptr;
    TqdzPrintOptions *Options = nullptr;
    std::vector<int> List; // 1-based page numbers; empty: all pages
    int PageCount = 0;
    int Copies = 1;
    bool Collate = true;
    // Uncollated copies the device does not make: each printed page goes
    // out this many times in a row.
    int OwnCopies = 1;
    double SheetWidth = 0, SheetHeight = 0;
    // The last page printed, to set the printer up only when it changes.
    bool First = true;
    int LastPaper = 0, LastWidth = 0, LastHeight = 0, LastBin = 0, LastDuplex = -1;
    bool LastLandscape = false, LastTurned = false;
    int Duplex = -1;
    // The last sheet has only its front printed.
    bool FrontOnly = false;
    bool DocBegun = false;
    bool Aborted = false;

    int Pages() const { return List.empty() ? PageCount : int(List.size()); }
    // Page index of run position N, -1 when it lies beyond the report.
    int PageAt(int N) const
    {
        const int i = List.empty() ? N : List[size_t(N)] - 1;
        return i >= 0 && i < PageCount ? i : -1;
    }
};

namespace {

TPoint DPIOf(TqdzCustomPrinter *P)
{
    TPoint d = P->DPI();
    if (d.X <= 0)
        d.X = 96;
    if (d.Y <= 0)
        d.Y = 96;
    return d;
}

int PageBin(TqdzReportPage *Page, int Index)
{
    return Index == 0 ? Page->Bin() : Page->BinOtherPages();
}

} // namespace

void TqdzPreviewPages::BeginPrintedPage(TPrintRun &Run)
{
    if (!Run.DocBegun) {
        Run.Printer->BeginDoc();
        Run.DocBegun = true;
    }
    Run.Printer->BeginPage();
}

void TqdzPreviewPages::TrackDuplex(TPrintRun &Run, TqdzReportPage *Page)
{
    const int duplex = Run.Options->Duplex() != dmNone ? int(Run.Options->Duplex()) : int(Page->Duplex());
    if (duplex != Run.Duplex)
        Run.FrontOnly = false;
    Run.Duplex = duplex;
    if (duplex == dmVertical || duplex == dmHorizontal)
        Run.FrontOnly = !Run.FrontOnly;
}

// Whether page Index prints in this run. A page out of range or of the other
// parity is passed over (Go stays true); a terminated report aborts the
// printer and ends the run (Go false).
bool TqdzPreviewPages::PageDue(TPrintRun &Run, int Index, bool &Go)
{
    if (Index < 0 || Index >= Run.PageCount)
        return false;
    if (SkippedByParity(Run.Options->PrintPages(), Index))
        return false;
    if (Report()->Terminated()) {
        Run.Printer->Abort();
        Run.Aborted = true;
        Go = false;
        return false;
    }
    return true;
}

bool TqdzPreviewPages::PrintPage(TPrintRun &Run, int Index, bool ScaleMode)
{
    bool go = true;
    if (!PageDue(Run, Index, go))
        return go;
    TPageHold hold(this, Index);
    TqdzReportPage *page = hold.Page();
    if (!page)
        return true;
    const int copies = Run.Collate || Run.OwnCopies > 1 ? 1 : Run.Copies;
    if (Report()->OnPrintPage())
        Report()->OnPrintPage()(page, FCopyNo);

    const int bin = PageBin(page, Index);
    TrackDuplex(Run, page);
    const bool landscape = page->Orientation() == poLandscape;
    if (!ScaleMode) {
        if (Run.First || page->PaperSize() != Run.LastPaper || Round(page->PaperWidth()) != Run.LastWidth
            || Round(page->PaperHeight()) != Run.LastHeight || bin != Run.LastBin || landscape != Run.LastLandscape
            || Run.Duplex != Run.LastDuplex)
            Run.Printer->SetPrintParams(page->PaperSize(), page->PaperWidth(), page->PaperHeight(), landscape, bin,
                                        Run.Duplex, copies);
    } else if (Run.First || bin != Run.LastBin || landscape != Run.LastLandscape || Run.Duplex != Run.LastDuplex) {
        Run.Printer->SetPrintParams(Report()->PrintOptions()->PrintOnSheet(), Run.SheetWidth, Run.SheetHeight,
                                    landscape, bin, Run.Duplex, copies);
        Run.SheetWidth = Run.Printer->PaperWidth();
        Run.SheetHeight = Run.Printer->PaperHeight();
    }
    const TPoint dpi = DPIOf(Run.Printer);
    double sx = 1, sy = 1;
    if (ScaleMode && page->PaperWidth() > 0 && page->PaperHeight() > 0) {
        sx = Run.SheetWidth / page->PaperWidth();
        sy = Run.SheetHeight / page->PaperHeight();
        FPrintScale = std::min(sx, sy);
    }
    sx *= dpi.X / 96.0;
    sy *= dpi.Y / 96.0;
    const double ox = -(dpi.X * Run.Printer->LeftMargin() / 25.4);
    const double oy = -(dpi.Y * Run.Printer->TopMargin() / 25.4);
    for (int c = 0; c < Run.OwnCopies; ++c) {
        BeginPrintedPage(Run);
        DrawPage(Index, Run.Printer->Canvas(), sx, sy, ox, oy);
        Run.Printer->EndPage();
    }
    Report()->DoProgress(ptPrinting, Index + 1);
    Application->ProcessMessages();

    Run.First = false;
    Run.LastPaper = page->PaperSize();
    Run.LastWidth = Round(page->PaperWidth());
    Run.LastHeight = Round(page->PaperHeight());
    Run.LastBin = bin;
    Run.LastLandscape = landscape;
    Run.LastDuplex = Run.Duplex;
    ClearPageCache();
    return true;
}

bool TqdzPreviewPages::PrintSplitPage(TPrintRun &Run, int Index)
{
    bool go = true;
    if (!PageDue(Run, Index, go))
        return go;
    TPageHold hold(this, Index);
    TqdzReportPage *page = hold.Page();
    if (!page)
        return true;
    // A page without a size is not cut: it prints as it is.
    if (page->PaperWidth() <= 0 || page->PaperHeight() <= 0)
        return PrintPage(Run, Index, false);
    const int copies = Run.Collate || Run.OwnCopies > 1 ? 1 : Run.Copies;
    if (Report()->OnPrintPage())
        Report()->OnPrintPage()(page, FCopyNo);
    const int bin = PageBin(page, Index);
    TrackDuplex(Run, page);

    double sheetW = Run.SheetWidth, sheetH = Run.SheetHeight;
    const int across = PieceCount(page->PaperWidth(), sheetW), down = PieceCount(page->PaperHeight(), sheetH);
    const int acrossT = PieceCount(page->PaperWidth(), sheetH), downT = PieceCount(page->PaperHeight(), sheetW);
    const bool turned = acrossT * downT < across * down;
    if (turned)
        std::swap(sheetW, sheetH);
    if (Run.First || turned != Run.LastTurned || bin != Run.LastBin || Run.Duplex != Run.LastDuplex)
        Run.Printer->SetPrintParams(Report()->PrintOptions()->PrintOnSheet(), Run.SheetWidth, Run.SheetHeight,
                                    turned, bin, Run.Duplex, copies);
    const int nx = turned ? acrossT : across, ny = turned ? downT : down;

    const TPoint dpi = DPIOf(Run.Printer);
    const double kx = dpi.X / 25.4, ky = dpi.Y / 25.4;
    const double printableW = sheetW - Run.Printer->LeftMargin() - Run.Printer->RightMargin();
    const double printableH = sheetH - Run.Printer->TopMargin() - Run.Printer->BottomMargin();
    const double overlap = Report()->PrintOptions()->Overlap();
    // A step of nothing would print the same corner over and over.
    const double stepX = std::max(printableW - overlap, 1.0), stepY = std::max(printableH - overlap, 1.0);
    for (int y = 0; y < ny; ++y)
        for (int x = 0; x < nx; ++x)
            for (int c = 0; c < Run.OwnCopies; ++c) {
                BeginPrintedPage(Run);
                TCanvas *canvas = Run.Printer->Canvas();
                const int saved = canvas->SaveDC();
                canvas->IntersectClipRect(Rect(0, 0, Round(printableW * kx), Round(printableH * ky)));
                DrawPage(Index, canvas, dpi.X / 96.0, dpi.Y / 96.0, -(Run.Printer->LeftMargin() + x * stepX) * kx,
                         -(Run.Printer->TopMargin() + y * stepY) * ky);
                canvas->RestoreDC(saved);
                Run.Printer->EndPage();
            }
    Report()->DoProgress(ptPrinting, Index + 1);
    Application->ProcessMessages();
    Run.First = false;
    Run.LastTurned = turned;
    Run.LastBin = bin;
    Run.LastDuplex = Run.Duplex;
    ClearPageCache();
    return true;
}

void TqdzPreviewPages::PrintJoined(TPrintRun &Run)
{
    // The pages of the run in order, each repeated for the copies: the sheet
    // is set up for one copy, collated or not.
    std::vector<int> cells;
    const int repeat = Run.Copies;
    for (int n = 0; n < Run.Pages(); ++n) {
        const int i = Run.PageAt(n);
        if (i < 0 || SkippedByParity(Run.Options->PrintPages(), i))
            continue;
        for (int c = 0; c < repeat; ++c)
            cells.push_back(i);
    }
    if (cells.empty())
        return;
    double pageW = 0, pageH = 0;
    int bin = 7;
    {
        TPageHold hold(this, cells.front());
        if (!hold.Page())
            return;
        pageW = hold.Page()->PaperWidth();
        pageH = hold.Page()->PaperHeight();
        bin = PageBin(hold.Page(), cells.front());
        TrackDuplex(Run, hold.Page());
    }
    // Only whole pages go on a sheet; the sheet turns when that holds more.
    int across = WholeCount(Run.SheetWidth, pageW), down = WholeCount(Run.SheetHeight, pageH);
    const int acrossT = WholeCount(Run.SheetHeight, pageW), downT = WholeCount(Run.SheetWidth, pageH);
    const bool turned = acrossT * downT > across * down;
    if (turned) {
        across = acrossT;
        down = downT;
    }
    Run.Printer->SetPrintParams(Report()->PrintOptions()->PrintOnSheet(), Run.SheetWidth, Run.SheetHeight, turned,
                                bin, Run.Duplex, 1);
    const TPoint dpi = DPIOf(Run.Printer);
    const double kx = dpi.X / 25.4, ky = dpi.Y / 25.4;
    size_t next = 0;
    while (next < cells.size()) {
        if (Report()->Terminated()) {
            Run.Printer->Abort();
            Run.Aborted = true;
            return;
        }
        BeginPrintedPage(Run);
        for (int y = 0; y < down && next < cells.size(); ++y)
            for (int x = 0; x < across && next < cells.size(); ++x) {
                const int i = cells[next++];
                DrawPage(i, Run.Printer->Canvas(), dpi.X / 96.0, dpi.Y / 96.0,
                         (x * pageW - Run.Printer->LeftMargin()) * kx, (y * pageH - Run.Printer->TopMargin()) * ky);
                Report()->DoProgress(ptPrinting, i + 1);
            }
        Run.Printer->EndPage();
        Application->ProcessMessages();
        ClearPageCache();
    }
}

void TqdzPreviewPages::PrintMode(TPrintRun &Run, int Mode)
{
    if (Mode == pmJoin) {
        PrintJoined(Run);
        return;
    }
    const int n = Run.Pages();
    const bool reverse = Report()->PrintOptions()->Reverse();
    for (int k = 0; k < n; ++k) {
        const int i = Run.PageAt(reverse ? n - 1 - k : k);
        const bool go = Mode == pmSplit ? PrintSplitPage(Run, i) : PrintPage(Run, i, Mode == pmScale);
        if (!go)
            return;
    }
}

bool TqdzPreviewPages::PrintRun(TPrintRun &Run, int Mode)
{
    Report()->SetTerminated(false);
    Report()->DoProgressStart(ptPrinting);
    const QString name = Report()->ReportOptions()->Name();
    Run.Printer->SetTitle(!name.isEmpty() ? name : Report()->FileName());
    Run.Copies = std::max(Run.Options->Copies(), 1);
    Run.Collate = Run.Options->Collate();
    // A PDF file holds one copy whatever the count: the copies are printed here.
    if (!Run.Collate && !Run.Printer->PrintsCopies())
        Run.OwnCopies = Run.Copies;
    try {
        if (Run.Collate && Mode != pmJoin) {
            for (int copy = 1; copy <= Run.Copies; ++copy) {
                FCopyNo = copy;
                PrintMode(Run, Mode);
                if (Run.Aborted || Report()->Terminated())
                    break;
                if (Run.FrontOnly && Run.DocBegun) {
                    // The next copy starts on a sheet of its own.
                    Run.Printer->BeginPage();
                    Run.Printer->EndPage();
                    Run.FrontOnly = false;
                }
            }
        } else {
            FCopyNo = 1;
            PrintMode(Run, Mode);
        }
    } catch (...) {
        if (Run.DocBegun && !Run.Aborted)
            Run.Printer->Abort();
        Report()->DoProgressStop(ptPrinting);
        throw;
    }
    bool printed = false;
    if (Run.DocBegun && !Run.Aborted) {
        if (Report()->Terminated()) {
            Run.Printer->Abort();
        } else {
            Run.Printer->EndDoc();
            printed = true;
        }
    }
    Report()->DoProgressStop(ptPrinting);
    return printed;
}

bool TqdzPreviewPages::Print()
{
    if (!qdzCanPrintHere()) {
        // No box either: a window belongs to the main thread as well.
        Report()->Errors()->Add(QStringLiteral("Printing is possible on the program's main thread only"));
        return false;
    }
    TqdzPrinters *printers = qdzPrinters();
    if (!printers->HasPhysicalPrinter()) {
        qdzErrorMsg(qdzResources()->ResourceText(QStringLiteral("clNoPrinters")), Report()->Errors());
        return false;
    }
    FPrintScale = 1.0;
    if (Report()->DotMatrixReport())
        if (TqdzCustomExportFilter *filter = qdzDotMatrixExportFilter()) {
            Report()->SelectPrinter();
            filter->SetShowDialog(Report()->PrintOptions()->ShowDialog());
            return ExportRun(filter);
        }
    TqdzPrintOptions *options = Report()->PrintOptions();
    TqdzPrintOptions saved;
    saved.Assign(options);
    bool printed = false;
    TqdzCustomPreview *preview = Report()->Preview();
    bool locked = false;
    try {
        Report()->SelectPrinter();
        bool go = true;
        if (options->ShowDialog() && GPrintDialog)
            go = GPrintDialog(Report());
        if (go) {
            TPrintRun run;
            run.Printer = printers->GetCurrentPrinter();
            run.Options = options;
            if (run.Printer) {
                run.Printer->SetFileName(options->OutputFileName());
                int mode = options->PrintMode();
                if (mode != pmDefault) {
                    if (options->PrintOnSheet() == 256)
                        run.Printer->SetViewParams(256, run.Printer->PaperWidth(), run.Printer->PaperHeight(), false);
                    else
                        run.Printer->SetViewParams(options->PrintOnSheet(), 0, 0, false);
                    run.SheetWidth = run.Printer->PaperWidth();
                    run.SheetHeight = run.Printer->PaperHeight();
                    // Without a sheet size the pages print as they are.
                    if (run.SheetWidth <= 0 || run.SheetHeight <= 0)
                        mode = pmDefault;
                }
                if (Report()->OnPrintReport())
                    Report()->OnPrintReport()(Report());
                Report()->DoNotifyEvent(Report(), Report()->OnReportPrint(), true);
                if (preview) {
                    preview->Lock();
                    locked = true;
                }
                run.PageCount = GetCount();
                TStringList list;
                qdzParsePageNumbers(options->PageNumbers(), &list, run.PageCount);
                for (int i = 0; i < list.Count(); ++i)
                    run.List.push_back(StrToInt(list.Strings(i)));
                ClearPageCache();
                // An empty list means every page: a text that names no page
                // of the report prints none.
                if (!run.List.empty() || options->PageNumbers().trimmed().isEmpty()) {
                    if (run.Printer->Initialized())
                        printed = PrintRun(run, mode);
                    else
                        qdzErrorMsg(QStringLiteral("Printer selected is not valid"), Report()->Errors());
                }
            }
        }
    } catch (const Exception &e) {
        Report()->Errors()->Add(e.Message());
        qdzErrorMsg(e.Message());
        printed = false;
    } catch (const std::bad_alloc &) {
        Report()->Errors()->Add(QStringLiteral("Out of memory"));
        printed = false;
    }
    if (locked)
        preview->Unlock();
    if (Report()->OnAfterPrintReport())
        Report()->OnAfterPrintReport()(Report());
    FCopyNo = 0;
    options->Assign(&saved);
    return printed;
}

void TqdzPreviewPages::ExportPage(TqdzCustomExportFilter *Filter, int Index)
{
    TPageHold hold(this, Index);
    TqdzReportPage *page = hold.Page();
    if (!page)
        return;
    if (Filter->ShowProgress())
        Report()->DoProgress(ptExporting, Index + 1);
    Filter->BeginPage(page);
    // The page moves for the filter only: drawn again, it must sit as before.
    struct TRestore {
        TqdzReportPage *Page;
        double Left, Top;
        ~TRestore()
        {
            Page->SetLeft(Left);
            Page->SetTop(Top);
        }
    } restore{page, page->Left(), page->Top()};
    const bool mirrored = page->MirrorMargins() && Index % 2 == 1;
    page->SetLeft((mirrored ? page->RightMargin() : page->LeftMargin()) * qdzPixelsPerMM);
    page->SetTop(page->TopMargin() * qdzPixelsPerMM);
    {
        // The page's colour, frame and background picture travel as one
        // picture view over the area inside the margins.
        TqdzPictureView background(nullptr);
        background.SetName(QStringLiteral("_pagebackground"));
        background.SetColor(page->Color());
        background.SetFrame(page->Frame());
        background.Picture()->Assign(page->BackPicture());
        background.SetStretched(true);
        background.SetKeepAspectRatio(false);
        background.SetBounds(page->Left(), page->Top(),
                             (page->PaperWidth() - page->LeftMargin() - page->RightMargin()) * qdzPixelsPerMM,
                             (page->PaperHeight() - page->TopMargin() - page->BottomMargin()) * qdzPixelsPerMM);
        Filter->ExportObject(&background);
    }
    TList *all = page->AllObjects();
    std::vector<TqdzComponent *> objects;
    for (int i = 0; i < all->Count(); ++i)
        objects.push_back(static_cast<TqdzComponent *>(static_cast<TObject *>(all->Items(i))));
    for (TqdzComponent *obj : objects) {
        if (auto *memo = dynamic_cast<TqdzCustomMemoView *>(obj)) {
            memo->TotalPages = GetCount();
            memo->CopyNo = 1;
            memo->ExpandPreviewMacros();
        }
        Filter->ExportObject(obj);
    }
}

bool TqdzPreviewPages::ExportRun(TqdzCustomExportFilter *Filter)
{
    FCopyNo = 0;
    if (!Filter)
        return false;
    Filter->SetReport(Report());
    // The filter's dialog is a window: without the windows layer the
    // filter runs with the settings it has.
    if (Filter->ShowDialog())
        if (auto show = qdzBuildFactories().ShowExportDialog; show && show(Filter) != mrOk)
            return false;
    TqdzCustomPreview *preview = Report()->Preview();
    if (Filter->CurPage()) {
        QString current;
        if (preview)
            if (PPropInfo p = GetPropInfo(preview, u"PageNo"))
                current = QString::number(GetOrdProp(preview, p));
        Filter->SetPageNumbers(current);
    }
    Report()->SetTerminated(false);
    TStringList list;
    qdzParsePageNumbers(Filter->PageNumbers(), &list, GetCount());
    std::vector<bool> listed;
    // A text that names no page of the report exports none.
    if (!Filter->PageNumbers().trimmed().isEmpty()) {
        listed.assign(size_t(GetCount()), false);
        for (int i = 0; i < list.Count(); ++i) {
            const int n = list.Strings(i).toInt();
            if (n >= 1 && n <= GetCount())
                listed[size_t(n - 1)] = true;
        }
    }
    const bool dotMatrix = Filter == qdzDotMatrixExportFilter();
    if (dotMatrix && Report()->OnPrintReport())
        Report()->OnPrintReport()(Report());
    bool done = false;
    if (Filter->OnBeginExport())
        Filter->OnBeginExport()(Filter);
    if (Filter->Start()) {
        if (preview)
            preview->Lock();
        if (Filter->ShowProgress())
            Report()->DoProgressStart(ptExporting);
        try {
            for (int i = 0; i < GetCount() && !Report()->Terminated(); ++i) {
                if (!listed.empty() && !listed[size_t(i)])
                    continue;
                ExportPage(Filter, i);
                Application->ProcessMessages();
            }
        } catch (...) {
            if (preview)
                preview->Unlock();
            if (Filter->ShowProgress())
                Report()->DoProgressStop(ptExporting);
            throw;
        }
        if (preview)
            preview->Unlock();
        if (Filter->ShowProgress())
            Report()->DoProgressStop(ptExporting);
        Filter->Finish();
        done = true;
    }
    if (dotMatrix && Report()->OnAfterPrintReport())
        Report()->OnAfterPrintReport()(Report());
    return done;
}

void TqdzPreviewPages::Export(TqdzCustomExportFilter *Filter)
{
    QString error;
    try {
        ExportRun(Filter);
        return;
    } catch (const Exception &e) {
        error = e.Message();
    } catch (const std::bad_alloc &) {
        error = QStringLiteral("Out of memory");
    }
    Report()->Errors()->Add(error);
    qdzErrorMsg(error);
}
