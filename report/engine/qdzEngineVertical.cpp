// The engine's vertical bands: the cells a horizontal band gets from the
// page's vertical data bands with their headers, footers and groups, laid
// out from the vertical bands' place across horizontal pages.
#include "report/engine/qdzEngine.h"

#include "report/engine/qdzEngineStore.h"
#include "report/model/qdzClassViews.h"

#include <algorithm>

namespace {

constexpr int bkFooter = 5, bkMaster = 6, bkLastData = 11, bkGroupFooter = 13, bkColumnFooter = 16;


void FreeCells(TqdzEngine::TqdzCells &Cells)
{
    for (auto &Page : Cells)
        for (TqdzComponent *C : Page)
            delete C;
    Cells.clear();
}

} // namespace

TqdzEngine::TqdzCells TqdzEngine::BuildVerticalCells(TqdzBand *Host, double HostX)
{
    TqdzCells Cells(1);
    if (!FCurPage)
        return Cells;
    // Every host walks the vertical data again: its cells start where the
    // page's vertical bands start, and their counters start again, so a
    // column reads the same in every row.
    std::vector<TqdzBand *> VBands;
    double Start = -1;
    TList *Children = FCurPage->Objects();
    for (int i = 0; i < Children->Count(); ++i)
        if (auto *B = dynamic_cast<TqdzBand *>(static_cast<TObject *>(Children->Items(i))); B && B->Vertical()) {
            VBands.push_back(B);
            Start = Start < 0 ? B->Left() : std::min(Start, B->Left());
        }
    if (VBands.empty())
        return Cells;
    for (TqdzBand *B : VBands) {
        TqdzBandLinks &L = FTree.Links(B);
        L.Line = 0;
        L.LineThrough = 0;
        L.LastValue = Variant();
    }

    const double SavedX = CurX();
    const int SavedLine = CurLine(), SavedLineThrough = CurLineThrough();
    TqdzBand *SavedBand = FCurBand;
    FVReprintList.clear();
    FVStart = std::max(Start, 0.0);
    FVHostX = HostX;
    FVCellPage = 0;
    FVPageHasCells = false;
    SetCurX(FVStart);
    SetCurVColumn(0);
    auto Restore = [&] {
        SetCurX(SavedX);
        SetCurLine(SavedLine);
        SetCurLineThrough(SavedLineThrough);
        FCurBand = SavedBand;
        FVReprintList.clear();
    };
    try {
        const std::vector<TqdzDataBand *> Masters = FTree.Masters(FCurPage, true);
        for (TqdzDataBand *B : Masters) {
            ShowVerticalData(Host, B, Cells);
            if (Report()->Terminated())
                break;
        }
    } catch (...) {
        FreeCells(Cells);
        Restore();
        throw;
    }
    Restore();
    if (FFurtherIndex > 0) {
        // A further page being started takes only its own cells.
        TqdzCells Own(1);
        if (size_t(FFurtherIndex) < Cells.size())
            Own[0].swap(Cells[size_t(FFurtherIndex)]);
        FreeCells(Cells);
        Cells.swap(Own);
    }
    return Cells;
}

void TqdzEngine::ShowVerticalData(TqdzBand *Host, TqdzDataBand *B, TqdzCells &Cells)
{
    TqdzDataSet *DS = TqdzBandTree::DataSetOf(B);
    if (!DS)
        return;
    TqdzReport *R = Report();
    TqdzBandLinks &L = FTree.Links(B);
    const bool HasGroups = L.Group != nullptr;
    DS->First();
    L.Line = 1;
    if (L.LineThrough == 0)
        L.LineThrough = 1;
    bool First = true;
    while (!DS->Eof()) {
        if (HasData(B, B->PrintIfDetailEmpty())) {
            if (First) {
                AddToReprint(L.Header);
                if (L.Header)
                    ShowVerticalCell(Host, L.Header, Cells);
            }
            if (HasGroups) {
                if (First)
                    OpenVerticalGroups(Host, B, 0, false, Cells);
                else
                    CheckVerticalGroups(Host, B, DS, Cells);
            }
            SetCurLine(L.Line);
            SetCurLineThrough(L.LineThrough);
            ShowVerticalCell(Host, B, Cells);
            FDrillPath.emplace_back(B->Name(), L.LineThrough);
            ++L.Line;
            ++L.LineThrough;
            try {
                for (TqdzBand *D : L.Details)
                    if (auto *DB = dynamic_cast<TqdzDataBand *>(D))
                        ShowVerticalData(Host, DB, Cells);
            } catch (...) {
                FDrillPath.pop_back();
                throw;
            }
            FDrillPath.pop_back();
            if (B->FooterAfterEach() && L.Footer)
                ShowVerticalCell(Host, L.Footer, Cells);
            First = false;
        }
        DS->Next();
        if ((B->RowCount() != 0 && B->RowCount() < L.Line) || R->Terminated())
            break;
    }
    if (!First) {
        CloseVerticalGroups(Host, B, 0, Cells);
        if (!B->FooterAfterEach() && L.Footer)
            ShowVerticalCell(Host, L.Footer, Cells);
        RemoveFromReprint(L.Header);
    }
}

void TqdzEngine::OpenVerticalGroups(TqdzBand *Host, TqdzDataBand *B, int Level, bool AfterBreak, TqdzCells &Cells)
{
    const std::vector<TqdzBand *> Run = CountGroupLines(B, Level, AfterBreak, false);
    const int N = int(Run.size());
    WorkOutDrillDown(B);
    for (int Lvl = Level; Lvl < N; ++Lvl) {
        auto *G = static_cast<TqdzGroupHeader *>(Run[Lvl]);
        EnterGroupHeader(G);
        AddToReprint(G);
        ShowVerticalCell(Host, G, Cells);
    }
}

bool TqdzEngine::CheckVerticalGroups(TqdzBand *Host, TqdzDataBand *B, TqdzDataSet *DS, TqdzCells &Cells)
{
    WorkOutDrillDown(B);
    const std::vector<TqdzBand *> Run = GroupRun(B);
    for (int Lvl = 0; Lvl < int(Run.size()); ++Lvl) {
        auto *G = static_cast<TqdzGroupHeader *>(Run[Lvl]);
        const Variant V = G->Condition().trimmed().isEmpty() ? Null() : Report()->Calc(G->Condition());
        if (qdzSameGroupValue(V, FTree.Links(G).LastValue))
            continue;
        DS->Prior();
        CloseVerticalGroups(Host, B, Lvl, Cells);
        DS->Next();
        OpenVerticalGroups(Host, B, Lvl, true, Cells);
        FTree.Links(B).Line = 1;
        return true;
    }
    return false;
}

void TqdzEngine::CloseVerticalGroups(TqdzBand *Host, TqdzDataBand *B, int Level, TqdzCells &Cells)
{
    const std::vector<TqdzBand *> Run = GroupRun(B);
    for (int Lvl = int(Run.size()) - 1; Lvl >= Level; --Lvl) {
        TqdzBand *G = Run[Lvl];
        if (TqdzBand *F = FTree.Links(G).Footer) {
            auto *GF = dynamic_cast<TqdzGroupFooter *>(F);
            if (GF && GF->HideIfSingleDataRecord() && FTree.Links(B).Line < 3)
                FAggregateList->Reset(F);
            else
                ShowVerticalCell(Host, F, Cells);
        }
        RemoveFromReprint(G);
    }
}

void TqdzEngine::ShowVerticalCell(TqdzBand *Host, TqdzBand *V, TqdzCells &Cells, bool Reprint)
{
    TqdzReport *R = Report();
    const int Kind = V->GetBandKind();
    const bool IsData = Kind >= bkMaster && Kind <= bkLastData;
    if (IsData) {
        SetCurVColumn(CurVColumn() + 1);
        // Vertical data that never ends stops the run as the page limit
        // does: by the horizontal pages it would take, or, for cells too
        // narrow to take any, by its count.
        if (!R->Terminated()) {
            if (StorePageCount() + FVCellPage >= MaxPages()) {
                AddError(QStringLiteral("The report reached %1 pages and was stopped").arg(MaxPages()));
                R->StopBuild(TqdzStopReason::Limit);
            } else if (CurVColumn() > MaxPages()) {
                AddError(QStringLiteral("The report reached %1 vertical columns and was stopped").arg(MaxPages()));
                R->StopBuild(TqdzStopReason::Limit);
            }
        }
    }
    FCurBand = V;
    V->BeforePrint();
    R->DoBeforePrint(V);
    try {
        if (V->Visible()) {
            const double W = V->Width();
            if (FVHostX + CurX() + W > PageWidth() + 0.0001) {
                if (FCurPage->EndlessWidth()) {
                    SetPageWidth(PageWidth() + W);
                } else if (!Reprint && FVPageHasCells) {
                    // On to the next horizontal page, which starts again
                    // with the vertical headers that are still open. A cell
                    // wider than a page goes alone on a page, so every cell
                    // takes at most one new page.
                    ++FVCellPage;
                    Cells.resize(size_t(FVCellPage) + 1);
                    SetCurX(FVStart);
                    FVPageHasCells = false;
                    const std::vector<TqdzBand *> Again = FVReprintList;
                    for (TqdzBand *H : Again)
                        if (H != V)
                            ShowVerticalCell(Host, H, Cells, true);
                    FCurBand = V;
                }
            }
            TList *Children = V->Objects();
            std::vector<TqdzView *> Views;
            for (int i = 0; i < Children->Count(); ++i)
                if (auto *View = dynamic_cast<TqdzView *>(static_cast<TObject *>(Children->Items(i))))
                    if (FTree.SourceBand(View) == Host)
                        Views.push_back(View);
            // Aggregates are looked up under the band the scan gave their
            // memo: the host for footers and summaries, else this band.
            const int HostKind = Host->GetBandKind();
            const bool UnderHost = HostKind == 1 || HostKind == 3 || HostKind == bkFooter ||
                                   HostKind == bkGroupFooter || HostKind == bkColumnFooter;
            struct Flag {
                bool &F;
                ~Flag() { F = false; }
            } PC{FCellPerColumn};
            for (TqdzView *View : Views) {
                FCurBand = UnderHost ? Host : V;
                FCellPerColumn = UnderHost && IsData;
                View->BeforePrint();
                R->DoBeforePrint(View);
                try {
                    View->GetData();
                    R->DoNotifyEvent(View, View->OnAfterData());
                    // The copy is made outside the report, so its name
                    // clashes with nothing, and joins the host for output.
                    auto *Copy = static_cast<TqdzComponent *>(View->ClassType()->Create(nullptr));
                    Copy->Assign(View);
                    Copy->SetLeft(View->Left() + CurX());
                    Cells[size_t(FVCellPage)].push_back(Copy);
                } catch (...) {
                    View->AfterPrint();
                    throw;
                }
                View->AfterPrint();
            }
            FCellPerColumn = false;
            FCurBand = V;
            SetCurX(CurX() + W);
            if (!Reprint)
                FVPageHasCells = true;
        }
    } catch (...) {
        V->AfterPrint();
        throw;
    }
    if (V->Visible())
        R->DoAfterPrint(V);
    V->AfterPrint();
    if (IsData)
        FAggregateList->AddVerticalValue(V, CurVColumn(), Host->InheritsFrom(TqdzDataBand::StaticClass()));
    if (Kind == bkFooter || Kind == bkGroupFooter)
        FAggregateList->Reset(V);
    // A vertical child follows its band, as a horizontal one does.
    TqdzBand *C = V->Child();
    if (C && C->Vertical() && (V->Visible() || V->PrintChildIfInvisible()) && FVChildDepth < 64) {
        ++FVChildDepth;
        struct Leave {
            int &D;
            ~Leave() { --D; }
        } Lv{FVChildDepth};
        ShowVerticalCell(Host, C, Cells, Reprint);
    }
}

int TqdzEngine::VerticalPage(int Index)
{
    TqdzCustomPreviewPages *Store = PreviewPages();
    // The headers of a further page being started make no other.
    while (int(FVPages.size()) < Index && !Report()->Terminated() && FFurtherIndex == 0) {
        // A further horizontal page: after the last page, with the page's
        // headers but not the data bands' headers and group headers.
        Store->SetCurPage(Store->GetCount() - 1);
        qdzStoreSetAddPageAction(Store, 1);
        const double SavedY = CurY(), SavedX = CurX();
        const bool SavedCells = FVerticalCells;
        FVerticalCells = true;
        FFurtherIndex = int(FVPages.size()) + 1;
        struct Back {
            TqdzEngine *E;
            bool Cells;
            ~Back()
            {
                E->FVerticalCells = Cells;
                E->FFurtherIndex = 0;
            }
        } Bk{this, SavedCells};
        StartPageWithHeaders(true);
        FVPages.push_back(Store->CurPage());
        // A kept block goes on from here on this page.
        if (FKeeping)
            FKeepVPos.resize(FVPages.size(), Store->GetCurPosition());
        SetCurY(SavedY);
        SetCurX(SavedX);
    }
    return Index - 1 < int(FVPages.size()) ? FVPages[size_t(Index - 1)] : -1;
}

void TqdzEngine::OutputWithCells(TqdzBand *Host, TqdzCells &Cells, int Mode)
{
    TqdzCustomPreviewPages *Store = PreviewPages();
    const int Page0 = Store->CurPage();
    const double Y = CurY(), X = Host->Left();
    struct Back {
        TqdzCustomPreviewPages *S;
        int P;
        ~Back() { S->SetCurPage(P); }
    } B{Store, Page0};
    size_t Pages = FFurtherIndex > 0 ? 1 : Cells.size();
    if (Mode != omCells && FFurtherIndex == 0)
        Pages = std::max(Pages, FVPages.size() + 1);
    if (FDeferVPages && FFurtherIndex == 0) {
        FVPagesWanted = std::max(FVPagesWanted, int(Cells.size()) - 1);
        Pages = 1;
    }
    // Page bands show their own page's values (page numbers) there.
    const bool PerPage = Mode != omCells || Host->InheritsFrom(TqdzPageHeader::StaticClass()) ||
                         Host->InheritsFrom(TqdzColumnHeader::StaticClass());
    FCellHosts.push_back(Host);
    struct Pop {
        std::vector<const TqdzBand *> &H;
        ~Pop() { H.pop_back(); }
    } Pp{FCellHosts};
    static const std::vector<TqdzComponent *> None;
    for (size_t i = 0; i < Pages; ++i) {
        if (i > 0) {
            const int P = VerticalPage(int(i));
            if (P < 0)
                break;
            // Its start may have put the host there already.
            if (FFurtherPlaced.count({Host, int(i)}))
                continue;
            Store->SetCurPage(P);
            if (PerPage) {
                // Footers show their page's own values (page numbers).
                AfterPrintBand(Host);
                PrepareBand(Host);
            }
        }
        if (FFurtherIndex > 0)
            FFurtherPlaced.insert({Host, FFurtherIndex});
        if (Mode == omPageFooter && Store->BandExists(Host))
            continue;
        const std::vector<TqdzComponent *> &Page = i < Cells.size() ? Cells[i] : None;
        for (TqdzComponent *C : Page)
            C->SetParent(Host);
        Host->SetLeft(X);
        Host->SetTop(Y);
        try {
            AddToStore(Host);
        } catch (...) {
            for (TqdzComponent *C : Page)
                C->SetParent(nullptr);
            throw;
        }
        for (TqdzComponent *C : Page)
            C->SetParent(nullptr);
    }
}

void TqdzEngine::FinishVerticalPages()
{
    FLastMainPage = FMainPage;
    FLastVPages = FVPages;
    FFurtherPlaced.clear();
    FKeepVPos.clear();
    if (FVPages.empty())
        return;
    TqdzCustomPreviewPages *Store = PreviewPages();
    const double SavedY = CurY();
    const std::vector<int> Pages = FVPages;
    FVPages.clear();
    // Their page footers came with the page's; the store stays on the last
    // of them, so the next page of rows comes after it.
    for (int P : Pages) {
        Store->SetCurPage(P);
        PlaceTopOverlay();
    }
    SetCurY(SavedY);
}
