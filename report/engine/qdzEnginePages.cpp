// The engine's pages: starting a template page and built pages with their
// headers, new pages and columns, column and page footers, the summary,
// overlays, the free-space arithmetic and outline entries.
#include "report/engine/qdzEngine.h"

#include "report/engine/qdzEngineStore.h"
#include "report/engine/qdzOutline.h"
#include "report/model/qdzUtils.h"

#include <algorithm>
#include <cmath>

namespace {

bool Is(const TqdzComponent *C, TClass Class)
{
    return C && C->InheritsFrom(Class);
}

} // namespace

double TqdzEngine::GetPageHeight()
{
    if (FCurPage && FCurPage->EndlessHeight())
        return FooterHeight() + CurY();
    return StoredPageHeight();
}

double TqdzEngine::HeaderHeight()
{
    double H = 0;
    if (!FCurPage)
        return 0;
    int Guard = 0;
    for (TqdzBand *B = FCurPage->FindBand(TqdzColumnHeader::StaticClass()); B && Guard < 64; B = B->Child(), ++Guard)
        H += B->Height();
    Guard = 0;
    for (TqdzBand *B = FCurPage->FindBand(TqdzPageHeader::StaticClass()); B && Guard < 64; B = B->Child(), ++Guard)
        H += B->Height();
    return H;
}

double TqdzEngine::FooterHeight()
{
    if (!FCurPage)
        return 0;
    double H = 0;
    if (TqdzBand *B = FCurPage->FindBand(TqdzColumnFooter::StaticClass()))
        H += B->Height();
    if (TqdzBand *B = FCurPage->FindBand(TqdzPageFooter::StaticClass()))
        H += B->Height();
    return H;
}

double TqdzEngine::FreeSpace()
{
    if (FCurPage && FCurPage->EndlessHeight())
        return 1000000;
    if (FFooterReserve == 0)
        return PageHeight() - FooterHeight() - CurY();
    return PageHeight() - FFooterReserve - CurY();
}

void TqdzEngine::ShowBandByClass(TClass BandClass)
{
    if (!FCurPage)
        return;
    // The last band of the class on the page.
    TqdzBand *Found = nullptr;
    TList *Children = FCurPage->Objects();
    for (int i = 0; i < Children->Count(); ++i) {
        auto *C = static_cast<TqdzComponent *>(static_cast<TObject *>(Children->Items(i)));
        if (C->InheritsFrom(BandClass))
            Found = static_cast<TqdzBand *>(C);
    }
    if (Found)
        ShowBand(Found);
}

double TqdzEngine::ColumnPosition(int Column)
{
    // A missing or unreadable entry counts as the column's place at equal
    // widths.
    const double Fallback = (Column - 1) * (FCurPage ? FCurPage->ColumnWidth() : 0) * qdzPixelsPerMM;
    if (!FCurPage || Column < 1)
        return 0;
    TStringList *P = FCurPage->ColumnPositions();
    if (Column - 1 >= P->Count())
        return Fallback;
    try {
        return qdzStrToFloat(P->Strings(Column - 1)) * qdzPixelsPerMM;
    } catch (const Exception &) {
        return Fallback;
    }
}

void TqdzEngine::StartTemplatePage(TqdzReportPage *Page)
{
    TqdzCustomPreviewPages *Store = PreviewPages();
    FCurPage = Page;
    FHeaderList->Clear();
    TqdzBand *Title = Page->FindBand(TqdzReportTitle::StaticClass());
    TqdzBand *PH = Page->FindBand(TqdzPageHeader::StaticClass());
    if (Page->TitleBeforeHeader()) {
        FHeaderList->Add(Title, false, 0);
        FHeaderList->Add(PH, false, 0);
    } else {
        FHeaderList->Add(PH, false, 0);
        FHeaderList->Add(Title, false, 0);
    }
    SetPageHeight((Page->PaperHeight() - Page->TopMargin() - Page->BottomMargin()) * qdzPixelsPerMM);
    SetPageWidth((Page->PaperWidth() - Page->LeftMargin() - Page->RightMargin()) * qdzPixelsPerMM);
    SetCurX(0);
    SetCurY(0);
    SetCurColumn(1);
    FColumnLeft = 0;
    FFirstPageOfRun = true;
    FLastPage = false;
    if (TqdzCustomOutline *O = Store->Outline())
        O->LevelRoot();
    FOutlineOpen.clear();
    if (Page->ResetPageNumbers())
        Store->ResetLogicalPageNumber();
    if (Store->GetCount() == 0 || !Page->PrintOnPreviousPage()) {
        StartPageWithHeaders();
    } else {
        // Go on below the last page of rows, not on its last further
        // horizontal page, whose further pages stay its own.
        const int Count = Store->GetCount();
        const bool Known = FLastMainPage >= 0 && FLastMainPage < Count &&
                           std::all_of(FLastVPages.begin(), FLastVPages.end(),
                                       [&](int P) { return P > FLastMainPage && P < Count; });
        FMainPage = Known ? FLastMainPage : Count - 1;
        FVPages = Known ? FLastVPages : std::vector<int>();
        Store->SetCurPage(FMainPage);
        SetCurY(Store->GetLastY(0));
        FHeaderList->Remove(Title);
        ShowBandByClass(TqdzReportTitle::StaticClass());
    }
    if (FFirstReportPage)
        Store->SetFirstPage(Store->CurPage());
    FPageTopY = CurY();
    ShowBandByClass(TqdzColumnHeader::StaticClass());
    FHeaderList->Add(Page->FindBand(TqdzColumnHeader::StaticClass()), false, 0);
    FHeaderList->Remove(Title);
    if (!Page->OutlineText().isEmpty())
        AddPageOutline();
}

void TqdzEngine::AddPageOutline()
{
    TqdzCustomOutline *O = PreviewPages()->Outline();
    if (!O || !FCurPage)
        return;
    O->LevelRoot();
    Report()->SetCurObject(FCurPage->Name());
    O->AddItem(VarToStr(Report()->Calc(FCurPage->OutlineText())), 0);
}

void TqdzEngine::StartPageWithHeaders(bool Further)
{
    TqdzCustomPreviewPages *Store = PreviewPages();
    if (!Further)
        FFooterReserve = 0;
    Store->AddPage(FCurPage);
    CheckPageLimit();
    if (!Further)
        FMainPage = Store->CurPage();
    const double SavedTopY = FPageTopY;
    SetCurY(0);
    auto *Overlay = static_cast<TqdzOverlay *>(FCurPage->FindBand(TqdzOverlay::StaticClass()));
    if (Overlay && !Overlay->PrintOnTop())
        PlaceBand(Overlay, 0);
    SetCurY(0);
    const double SavedX = CurX();
    FPageTopY = 0;
    for (int i = 0; i < FHeaderList->Count(); ++i) {
        const TqdzHeaderListItem Item = FHeaderList->Items(i);
        SetCurX(Item.Left);
        TqdzBand *B = Item.Band;
        if (!B || B == FBreakBand)
            continue;
        if (Is(B, TqdzPageHeader::StaticClass()) && FFirstPageOfRun && !B->PrintOnFirstPage()) {
            if (B->Child() && B->PrintChildIfInvisible())
                B = B->Child();
            else
                continue;
        }
        const bool IsHeader = Is(B, TqdzHeader::StaticClass());
        if (((FKeepHeaderMark && IsHeader) || Item.IsInKeep) && !FFooterInProgress)
            continue;
        if (IsHeader && B == FBreakBand2)
            continue;
        if ((IsHeader || Is(B, TqdzGroupHeader::StaticClass())) && FVerticalCells)
            continue;
        // A further horizontal page: the title stays on the first; the page
        // and column headers come with their cells of this page.
        if (Further) {
            const TqdzBandLinks *HL = FTree.Find(B);
            const bool PageBand = Is(B, TqdzPageHeader::StaticClass()) || Is(B, TqdzColumnHeader::StaticClass()) ||
                                  Is(Item.Band, TqdzPageHeader::StaticClass());
            if (Is(B, TqdzReportTitle::StaticClass()) || (HL && HL->HasVBands && !PageBand))
                continue;
            // A host that is being put on this page puts itself there.
            if (std::find(FCellHosts.begin(), FCellHosts.end(), B) != FCellHosts.end())
                continue;
        }
        const int SavedLine = CurLine(), SavedLineThrough = CurLineThrough();
        if (const TqdzBandLinks *L = FTree.Find(B)) {
            SetCurLine(L->Line);
            SetCurLineThrough(L->LineThrough);
        }
        const bool IsTitle = Is(B, TqdzReportTitle::StaticClass());
        FReprintingHeaders = true;
        FPageHeaderInProgress = Is(B, TqdzPageHeader::StaticClass()) || Is(Item.Band, TqdzPageHeader::StaticClass());
        if (IsTitle)
            FHeaderList->Items(i).Band = nullptr;
        // The page and column headers of a page of rows take their further
        // pages' cells when those pages start, below.
        FDeferVPages = !Further && (FPageHeaderInProgress || Is(B, TqdzColumnHeader::StaticClass()));
        try {
            ShowBand(B);
        } catch (...) {
            FReprintingHeaders = false;
            FPageHeaderInProgress = false;
            FDeferVPages = false;
            throw;
        }
        FDeferVPages = false;
        if (FPageHeaderInProgress)
            FPageTopY = CurY();
        if (IsTitle)
            FPageRunStart = false;
        FReprintingHeaders = false;
        FPageHeaderInProgress = false;
        SetCurLine(SavedLine);
        SetCurLineThrough(SavedLineThrough);
    }
    SetCurX(SavedX);
    if (Further) {
        FPageTopY = SavedTopY;
    } else if (FVPagesWanted > 0) {
        const int Wanted = FVPagesWanted;
        FVPagesWanted = 0;
        const int Main = Store->CurPage();
        VerticalPage(Wanted);
        Store->SetCurPage(Main);
    }
}

// Prepares Band, runs Body on it when it is visible, and finishes the band
// whether or not Body throws.
template<class F>
void TqdzEngine::InVisibleBand(TqdzBand *Band, F &&Body)
{
    PrepareBand(Band);
    try {
        if (Band->Visible())
            Body();
    } catch (...) {
        AfterPrintBand(Band);
        throw;
    }
    AfterPrintBand(Band);
    FAggregateList->Reset(Band);
}

void TqdzEngine::PlaceBand(TqdzBand *Band, double Left, int Mode)
{
    const TqdzBandLinks *L = FTree.Find(Band);
    const bool WithCells = L && L->HasVBands && !FOutputTarget;
    TqdzCells Cells;
    const TqdzCellsGuard FC{Cells};
    if (WithCells)
        Cells = BuildVerticalCells(Band, Left);
    InVisibleBand(Band, [&] {
        Band->SetLeft(Left);
        Band->SetTop(CurY());
        if (WithCells || (Mode != omCells && !FVPages.empty()))
            OutputWithCells(Band, Cells, Mode);
        else
            AddToStore(Band);
        SetCurY(CurY() + Band->Height());
    });
}

void TqdzEngine::NewPage()
{
    if (!FCurPage)
        return;
    TqdzCustomPreviewPages *Store = PreviewPages();
    // A kept block taller than a page cannot move whole: it breaks here.
    if (FKeeping && FKeepBand && FKeepBand->Height() + CurY() - FKeepStartY > PageHeight() - FooterHeight())
        DropKeep();
    double KeptLeft = 0, KeptTop = 0;
    const TqdzKeptCells Kept = CutKeptBlock(KeptLeft, KeptTop);
    FBreakBand2 = FCurBand;
    EndPage();
    if (FCurPage->EndlessHeight() || FCurPage->EndlessWidth()) {
        const double W = (FCurPage->LeftMargin() + FCurPage->RightMargin()) * qdzPixelsPerMM + PageWidth();
        const double H = (FCurPage->TopMargin() + FCurPage->BottomMargin()) * qdzPixelsPerMM + CurY() + FooterHeight();
        qdzStoreUpdatePageDimensions(Store, FCurPage, W, H);
    }
    StartPageWithHeaders();
    FBreakBand2 = nullptr;
    if (FKeeping) {
        FAggregateList->EndKeep();
        PlaceKeptCells(Kept, CurX() - KeptLeft, CurY() - KeptTop);
        Store->PasteObjects(CurX(), CurY());
        ShiftKeptOutline(int(std::lround(CurY())));
        Store->ShiftAnchors(FKeepAnchor, int(std::lround(CurY())));
        SetCurY(Store->GetLastY(0));
        if (FFooterInProgress)
            FAggregateList->AddValue(FKeepBand, 0);
    }
    FKeeping = false;
    FKeepVPos.clear();
    FKeepBand = nullptr;
    FKeepHeaderMark = false;
    FKeepStartY = 0;
    if (!FCurPage->OutlineText().isEmpty())
        AddPageOutline();
    NoteBreak();
}

void TqdzEngine::NoteBreak()
{
    ++FBreakSerial;
    FBreakPos = PreviewPages()->GetCurPosition();
    FBreakY = CurY();
}

void TqdzEngine::NewColumn()
{
    if (!FCurPage)
        return;
    if (CurColumn() >= FCurPage->Columns()) {
        NewPage();
        return;
    }
    TqdzCustomPreviewPages *Store = PreviewPages();
    double KeptLeft = 0, KeptTop = 0;
    const TqdzKeptCells Kept = CutKeptBlock(KeptLeft, KeptTop);
    FBreakBand2 = FCurBand;
    ShowColumnFooter();
    AdvanceColumn();
    FBreakBand2 = nullptr;
    if (FKeeping) {
        FAggregateList->EndKeep();
        PlaceKeptCells(Kept, CurX() - KeptLeft, CurY() - KeptTop);
        Store->PasteObjects(CurX(), CurY());
        ShiftKeptOutline(int(std::lround(CurY())));
        Store->ShiftAnchors(FKeepAnchor, int(std::lround(CurY())));
        SetCurY(Store->GetLastY(CurX()));
        if (FFooterInProgress)
            FAggregateList->AddValue(FKeepBand, 0);
    }
    FKeeping = false;
    FKeepVPos.clear();
    FKeepBand = nullptr;
    FKeepHeaderMark = false;
    NoteBreak();
}

void TqdzEngine::AdvanceColumn()
{
    SetCurColumn(CurColumn() + 1);
    const double X = ColumnPosition(CurColumn());
    SetCurY(FPageTopY);
    for (int i = 0; i < FHeaderList->Count(); ++i) {
        const TqdzHeaderListItem Item = FHeaderList->Items(i);
        TqdzBand *B = Item.Band;
        if (!B || Is(B, TqdzPageHeader::StaticClass()) || B == FBreakBand2 || Item.IsInKeep || FKeepHeaderMark)
            continue;
        SetCurX(X + Item.Left);
        int Guard = 0;
        for (TqdzBand *C = B; C && Guard < 64; C = C->Child(), ++Guard) {
            if (!C->Visible() && !C->PrintChildIfInvisible())
                break;
            const bool Saved = FReprintingHeaders;
            FReprintingHeaders = true;
            try {
                PlaceBand(C, CurX());
            } catch (...) {
                FReprintingHeaders = Saved;
                throw;
            }
            FReprintingHeaders = Saved;
        }
    }
    SetCurX(X + FColumnLeft);
}

void TqdzEngine::ShowColumnFooter()
{
    TqdzBand *CF = FCurPage ? FCurPage->FindBand(TqdzColumnFooter::StaticClass()) : nullptr;
    if (CF)
        PlaceBand(CF, CurX() - FColumnLeft, omEveryPage);
}

void TqdzEngine::EndPage()
{
    if (!FCurPage)
        return;
    if (!FInSummary)
        ShowColumnFooter();
    if (!FLastPage) {
        SetCurX(FColumnLeft);
        SetCurColumn(1);
    }
    if (FLastPage && !FInSummary) {
        FInSummary = true;
        const double Y0 = CurY();
        try {
            TqdzBand *Summary = FCurPage->FindBand(TqdzReportSummary::StaticClass());
            ShowBandByClass(TqdzReportSummary::StaticClass());
            if (Summary && FCurPage->EndlessHeight()) {
                SetPageHeight(StoredPageHeight() + CurY() - Y0);
                const double W = (FCurPage->LeftMargin() + FCurPage->RightMargin()) * qdzPixelsPerMM + PageWidth();
                const double H = (FCurPage->TopMargin() + FCurPage->BottomMargin()) * qdzPixelsPerMM + PageHeight();
                qdzStoreUpdatePageDimensions(PreviewPages(), FCurPage, W, H);
            }
        } catch (...) {
            FInSummary = false;
            throw;
        }
        FInSummary = false;
    }
    FinishPageBands();
    FinishVerticalPages();
    FFirstPageOfRun = false;
}

void TqdzEngine::FinishPageBands()
{
    if (auto *PF = FCurPage->FindBand(TqdzPageFooter::StaticClass())) {
        SetCurY(PageHeight() - PF->Height());
        FFooterReserve = (FLastPage && PF->PrintOnLastPage() && !FInSummary) ? PF->Height() : 0;
        const bool Skip =
            (FFirstPageOfRun && !PF->PrintOnFirstPage()) || (FLastPage && !PF->PrintOnLastPage() && !FInSummary);
        // Its cells are made once for the page's horizontal pages: the
        // totals per column are the page's.
        const TqdzBandLinks *L = FTree.Find(PF);
        TqdzCells Cells;
        const TqdzCellsGuard FC{Cells};
        if (!Skip && L && L->HasVBands)
            Cells = BuildVerticalCells(PF, 0);
        InVisibleBand(PF, [&] {
            PF->SetLeft(0);
            PF->SetTop(CurY());
            if (!Skip) {
                OutputWithCells(PF, Cells, omPageFooter);
                SetCurY(CurY() + PF->Height());
            }
        });
    }
    PlaceTopOverlay();
}

void TqdzEngine::PlaceTopOverlay()
{
    auto *Overlay = static_cast<TqdzOverlay *>(FCurPage->FindBand(TqdzOverlay::StaticClass()));
    if (Overlay && Overlay->PrintOnTop()) {
        SetCurY(0);
        PlaceBand(Overlay, 0);
    }
}

void TqdzEngine::AddOutline(TqdzBand *Band, double Top)
{
    if (!Band || Band->OutlineText().isEmpty())
        return;
    Report()->SetCurObject(Band->Name());
    if (!Band->Visible())
        return;
    TqdzCustomOutline *O = PreviewPages()->Outline();
    if (!O)
        return;
    O->AddItem(VarToStr(Report()->Calc(Band->OutlineText())), int(std::lround(Top)));
    FOutlineOpen.insert(Band);
}

// The outline entries of a kept block that moved go with it.
void TqdzEngine::ShiftKeptOutline(int NewTop)
{
    TqdzCustomOutline *O = PreviewPages()->Outline();
    if (!O)
        return;
    if (FKeepOutline)
        O->ShiftItems(FKeepOutline, NewTop);
    else if (auto *Own = dynamic_cast<TqdzOutline *>(O))
        Own->ShiftFirstItem(FKeepOutlineLevel, NewTop);
}

void TqdzEngine::CloseOutlineLevel(TqdzBand *Band)
{
    if (!FOutlineOpen.remove(Band))
        return;
    if (TqdzCustomOutline *O = PreviewPages()->Outline())
        O->LevelUp();
}

// A kept block that moves on: its place is remembered, its cells on further
// horizontal pages held, and its objects cut from the page it leaves.
TqdzEngine::TqdzKeptCells TqdzEngine::CutKeptBlock(double &KeptLeft, double &KeptTop)
{
    TqdzCustomPreviewPages *Store = PreviewPages();
    TqdzKeptCells Kept;
    KeptLeft = CurX();
    KeptTop = FKeepStartY;
    if (FKeeping) {
        if (FFooterInProgress)
            FAggregateList->DeleteValue(FKeepBand);
        qdzStoreObjectPlace(Store, Store->CurPage(), FKeepPosition, KeptLeft, KeptTop);
        Kept = HoldKeptCells();
        Store->CutObjects(FKeepPosition);
        SetCurY(Store->GetLastY(0));
    }
    return Kept;
}
