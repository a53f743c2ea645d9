// The engine's vertical bands: the cells a horizontal band gets from the
// page's vertical data bands, laid out across horizontal pages.
#include "report/build/qdzEngine.h"

#include "report/model/qdzClassViews.h"

#include <algorithm>

std::vector<std::vector<TqdzComponent *>> TqdzEngine::BuildVerticalCells(TqdzBand *Host)
{
    std::vector<std::vector<TqdzComponent *>> Cells(1);
    if (!FCurPage)
        return Cells;
    const double SavedX = CurX();
    const int SavedLine = CurLine(), SavedLineThrough = CurLineThrough();
    TqdzBand *SavedBand = FCurBand;
    const bool SavedCells = FVerticalCells;
    FVerticalCells = true;
    FVCellPage = 0;
    SetCurX(0);
    SetCurVColumn(0);
    try {
        const std::vector<TqdzDataBand *> Masters = FTree.Masters(FCurPage, true);
        for (TqdzDataBand *B : Masters) {
            ShowVerticalData(Host, B, Cells);
            if (Report()->Terminated())
                break;
        }
    } catch (...) {
        for (auto &Page : Cells)
            for (TqdzComponent *C : Page)
                delete C;
        SetCurX(SavedX);
        FCurBand = SavedBand;
        FVerticalCells = SavedCells;
        throw;
    }
    SetCurX(SavedX);
    SetCurLine(SavedLine);
    SetCurLineThrough(SavedLineThrough);
    FCurBand = SavedBand;
    FVerticalCells = SavedCells;
    return Cells;
}

void TqdzEngine::ShowVerticalData(TqdzBand *Host, TqdzDataBand *B, std::vector<std::vector<TqdzComponent *>> &Cells)
{
    TqdzDataSet *DS = TqdzBandTree::DataSetOf(B);
    if (!DS)
        return;
    TqdzBandLinks &L = FTree.Links(B);
    DS->First();
    L.Line = 1;
    if (L.LineThrough == 0)
        L.LineThrough = 1;
    bool First = true;
    while (!DS->Eof()) {
        if (First) {
            AddToReprint(L.Header);
            if (L.Header)
                ShowVerticalCell(Host, L.Header, Cells);
        }
        SetCurLine(L.Line);
        SetCurLineThrough(L.LineThrough);
        ShowVerticalCell(Host, B, Cells);
        ++L.Line;
        ++L.LineThrough;
        for (TqdzBand *D : L.Details)
            if (auto *DB = dynamic_cast<TqdzDataBand *>(D))
                ShowVerticalData(Host, DB, Cells);
        if (B->FooterAfterEach() && L.Footer)
            ShowVerticalCell(Host, L.Footer, Cells);
        First = false;
        DS->Next();
        if ((B->RowCount() != 0 && B->RowCount() < L.Line) || Report()->Terminated())
            break;
    }
    if (!First) {
        if (!B->FooterAfterEach() && L.Footer)
            ShowVerticalCell(Host, L.Footer, Cells);
        RemoveFromReprint(L.Header);
    }
}

void TqdzEngine::ShowVerticalCell(TqdzBand *Host, TqdzBand *V, std::vector<std::vector<TqdzComponent *>> &Cells,
                                  int Depth)
{
    TqdzReport *R = Report();
    const int Kind = V->GetBandKind();
    const bool IsData = Kind >= 6 && Kind <= 11;
    if (IsData)
        SetCurVColumn(CurVColumn() + 1);
    // Aggregates are looked up under the host, except for the vertical
    // data, header and footer bands themselves.
    FCurBand = (IsData || Kind == 4 || Kind == 5) ? V : Host;
    V->BeforePrint();
    R->DoBeforePrint(V);
    try {
        if (V->Visible()) {
            if (CurX() + V->Width() > PageWidth() + 0.0001) {
                if (!FCurPage->EndlessWidth()) {
                    ++FVCellPage;
                    Cells.resize(size_t(FVCellPage) + 1);
                    SetCurX(0);
                    // The vertical headers remembered so far start the
                    // next page again.
                    if (Depth == 0) {
                        const std::vector<TqdzBand *> Reprint = FVReprintList;
                        for (TqdzBand *H : Reprint)
                            if (H != V)
                                ShowVerticalCell(Host, H, Cells, Depth + 1);
                    }
                } else {
                    SetPageWidth(PageWidth() + V->Width());
                }
            }
            TList *Children = V->Objects();
            std::vector<TqdzView *> Views;
            for (int i = 0; i < Children->Count(); ++i)
                if (auto *View = dynamic_cast<TqdzView *>(static_cast<TObject *>(Children->Items(i))))
                    if (FTree.SourceBand(View) == Host)
                        Views.push_back(View);
            for (TqdzView *View : Views) {
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
            SetCurX(CurX() + V->Width());
        }
    } catch (...) {
        V->AfterPrint();
        throw;
    }
    if (V->Visible())
        R->DoAfterPrint(V);
    V->AfterPrint();
    if (IsData)
        FAggregateList->AddValue(V, CurVColumn());
    if (Kind == 5 || Kind == 13)
        FAggregateList->Reset(V);
}

void TqdzEngine::OutputWithCells(TqdzBand *Host, std::vector<std::vector<TqdzComponent *>> &Cells)
{
    TqdzCustomPreviewPages *Store = PreviewPages();
    const int Page0 = Store->CurPage();
    const double Y = CurY();
    const std::vector<TqdzView *> Own = OwnViews(Host);
    for (size_t i = 0; i < Cells.size(); ++i) {
        if (i > 0) {
            // The next horizontal page: the one already there, or a new one.
            if (Page0 + int(i) < Store->GetCount()) {
                Store->SetCurPage(Page0 + int(i));
            } else {
                Store->SetCurPage(Store->GetCount() - 1);
                Store->AddPage(FCurPage);
            }
        }
        // The host's own views print on its first page only.
        std::vector<TqdzView *> Hidden;
        if (i > 0)
            for (TqdzView *V : Own)
                if (V->Visible()) {
                    V->SetVisible(false);
                    Hidden.push_back(V);
                }
        for (TqdzComponent *C : Cells[i])
            C->SetParent(Host);
        Host->SetTop(Y);
        try {
            AddToStore(Host);
        } catch (...) {
            for (TqdzComponent *C : Cells[i])
                C->SetParent(nullptr);
            for (TqdzView *V : Hidden)
                V->SetVisible(true);
            throw;
        }
        for (TqdzComponent *C : Cells[i])
            C->SetParent(nullptr);
        for (TqdzView *V : Hidden)
            V->SetVisible(true);
    }
    Store->SetCurPage(Page0);
}
