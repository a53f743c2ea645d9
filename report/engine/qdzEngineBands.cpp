// The engine's data bands: whether a band has data, the record loop with
// headers, footers, keeps and details, multi-column rows, groups with their
// breaks and drill-down, and the header reprint lists.
#include "report/engine/qdzEngine.h"

#include "platform/Forms.h"
#include "report/model/qdzClassViews.h"

std::vector<TqdzBand *> TqdzEngine::GroupRun(TqdzDataBand *B) const
{
    const TqdzBandLinks *L = FTree.Find(B);
    if (!L || !L->Group)
        return {};
    const TqdzBandLinks *G = FTree.Find(L->Group);
    return G ? G->Details : std::vector<TqdzBand *>{};
}

bool TqdzEngine::HasData(TqdzBand *Band, bool PrintIfEmpty, int Depth)
{
    if (PrintIfEmpty)
        return true;
    const TqdzBandLinks *L = FTree.Find(Band);
    if (!L || L->Details.empty() || Depth > 16)
        return true;
    bool Result = false;
    const std::vector<TqdzBand *> Details = L->Details;
    for (TqdzBand *D : Details) {
        auto *DB = static_cast<TqdzDataBand *>(D);
        TqdzDataSet *DS = TqdzBandTree::DataSetOf(DB);
        if (!DS)
            continue;
        Report()->DoNotifyEvent(DB, DB->OnMasterDetail());
        DS->First();
        while (!DS->Eof() && !Report()->Terminated()) {
            if (HasData(DB, DB->PrintIfDetailEmpty(), Depth + 1)) {
                Result = true;
                break;
            }
            DS->Next();
        }
    }
    return Result;
}

bool TqdzEngine::PageHasData(TqdzReportPage *Page, bool PrintIfEmpty)
{
    if (PrintIfEmpty)
        return true;
    const auto &M = FTree.Masters(Page, false);
    for (TqdzDataBand *B : M) {
        TqdzDataSet *DS = TqdzBandTree::DataSetOf(B);
        if (!DS)
            continue;
        Report()->DoNotifyEvent(B, B->OnMasterDetail());
        DS->First();
        while (!DS->Eof() && !Report()->Terminated()) {
            if (HasData(B, B->PrintIfDetailEmpty()))
                return true;
            DS->Next();
        }
    }
    return false;
}

void TqdzEngine::ForgetLastValues(TqdzBand *Band)
{
    if (!Band)
        return;
    TList *Views = Band->Objects();
    for (int i = 0; i < Views->Count(); ++i)
        if (auto *M = dynamic_cast<TqdzCustomMemoView *>(static_cast<TObject *>(Views->Items(i))))
            M->ClearValue();
}

void TqdzEngine::AddToReprint(TqdzBand *Band)
{
    if (!Band || !Band->ReprintOnNewPage())
        return;
    const bool Group = Band->InheritsFrom(TqdzGroupHeader::StaticClass());
    if (!Group && !Band->InheritsFrom(TqdzHeader::StaticClass()))
        return;
    if (Band->Vertical())
        FVReprintList.push_back(Band);
    else
        FHeaderList->Add(Band, FKeeping && Group, FColumnLeft);
}

void TqdzEngine::RemoveFromReprint(TqdzBand *Band)
{
    if (!Band)
        return;
    if (Band->Vertical()) {
        auto It = std::find(FVReprintList.begin(), FVReprintList.end(), Band);
        if (It != FVReprintList.end())
            FVReprintList.erase(It);
    } else {
        FHeaderList->Remove(Band);
    }
}

void TqdzEngine::ShowDataBands(const std::vector<TqdzBand *> &Bands)
{
    // Pending messages (the progress window's cancel) and the build's time
    // limit, looked at every few milliseconds.
    Report()->CheckBuildStop();
    if (Report()->Terminated())
        return;
    for (TqdzBand *B : Bands) {
        auto *DB = dynamic_cast<TqdzDataBand *>(B);
        if (!DB || !TqdzBandTree::DataSetOf(DB))
            continue;
        ShowDataBand(DB);
        if (Report()->Terminated())
            return;
        FPageRunStart = false;
    }
}

void TqdzEngine::ShowDataBand(TqdzDataBand *B)
{
    TqdzReport *R = Report();
    TqdzCustomPreviewPages *Store = PreviewPages();
    TqdzDataSet *DS = TqdzBandTree::DataSetOf(B);
    const bool HasGroups = FTree.Links(B).Group != nullptr;
    {
        TqdzBandLinks &L = FTree.Links(B);
        DS->First();
        L.Line = 1;
        // Line# counts on through the whole run; Line starts again.
        if (L.LineThrough == 0)
            L.LineThrough = 1;
        L.ColumnMaxY = CurY();
    }
    B->SetCurColumn(1);
    ForgetLastValues(B);

    bool First = true;
    int Shown = 0;
    int LastRecordPos = -1;
    double LastRecordY = CurY();
    int RowStartPos = Store->GetCurPosition();
    double RowStartY = CurY();
    while (!DS->Eof()) {
        if (HasData(B, B->PrintIfDetailEmpty())) {
            TqdzBand *Header = FTree.Links(B).Header;
            bool HeaderKeep = false;
            if (First) {
                if (B->KeepHeader() && Header && !FPageRunStart && !FKeeping) {
                    StartKeep(B);
                    HeaderKeep = FKeeping;
                    FKeepHeaderMark = HeaderKeep;
                }
                AddToReprint(Header);
                ShowBand(Header);
                if (B->KeepTogether())
                    StartKeep(B);
            } else if (!HasGroups && B->KeepTogether()) {
                StartKeep(B);
            }
            if (HasGroups) {
                if (First)
                    OpenGroups(B, 0, false);
                else
                    CheckGroups(B, DS, RowStartPos, RowStartY);
            }
            if (B->KeepFooter()) {
                LastRecordPos = Store->GetCurPosition();
                LastRecordY = CurY();
            }
            if (B->Columns() > 1 && B->CurColumn() <= 1) {
                // A row starts: its lowest bottom starts here too.
                RowStartPos = Store->GetCurPosition();
                RowStartY = CurY();
                FTree.Links(B).ColumnMaxY = CurY();
            }
            double BandTop = CurY();
            SetCurLine(FTree.Links(B).Line);
            SetCurLineThrough(FTree.Links(B).LineThrough);
            const int Breaks = FBreakSerial;
            ShowBand(B);
            if (FBreakSerial != Breaks) {
                // The record went to a new page or column: its row starts
                // there, or every later record would sit alone.
                BandTop = FBreakY;
                if (B->Columns() > 1) {
                    RowStartPos = FBreakPos;
                    RowStartY = FBreakY;
                    FTree.Links(B).ColumnMaxY = FBreakY;
                }
            }
            if (First && HeaderKeep)
                EndKeep(B);
            FDrillPath.emplace_back(B->Name(), FTree.Links(B).LineThrough);
            FTree.Links(B).Line += 1;
            FTree.Links(B).LineThrough += 1;
            ColumnStep(B, RowStartPos, RowStartY);
            AddOutline(B, BandTop);
            ShowDataBands(FTree.Links(B).Details);
            FDrillPath.pop_back();
            CloseOutlineLevel(B);
            FPageRunStart = false;
            if (B->FooterAfterEach())
                ShowBand(FTree.Links(B).Footer);
            First = false;
            ++Shown;
        }
        if (!HasGroups && B->KeepTogether())
            EndKeep(B);
        DS->Next();
        if ((B->RowCount() != 0 && B->RowCount() < FTree.Links(B).Line) || R->Terminated())
            break;
    }
    if (B->Columns() > 1) {
        B->SetCurColumn(B->Columns());
        ColumnStep(B, RowStartPos, RowStartY);
    }
    if (Shown > 0) {
        CloseGroups(B, 0);
        if (!B->FooterAfterEach()) {
            FFooterInProgress = true;
            struct Leave {
                bool &F;
                ~Leave() { F = false; }
            } Lv{FFooterInProgress};
            const bool Keep = B->KeepFooter() && FTree.Links(B).Footer;
            if (Keep) {
                StartKeep(B, LastRecordPos);
                if (FKeeping && FKeepBand == B)
                    FKeepStartY = LastRecordY;
            }
            ShowBand(FTree.Links(B).Footer);
            if (Keep)
                EndKeep(B);
        }
        RemoveFromReprint(FTree.Links(B).Header);
        if (HasGroups && B->KeepTogether())
            EndKeep(B);
    }
}

void TqdzEngine::ColumnStep(TqdzDataBand *B, int RowStartPos, double RowStartY)
{
    if (B->Columns() <= 1)
        return;
    TqdzBandLinks &L = FTree.Links(B);
    L.ColumnMaxY = std::max(L.ColumnMaxY, CurY());
    if (B->CurColumn() < B->Columns()) {
        SetCurY(RowStartY);
    } else if (L.ColumnMaxY <= PageHeight() - FooterHeight() || (FCurPage && FCurPage->EndlessHeight())) {
        SetCurY(L.ColumnMaxY);
    } else if (!FKeeping) {
        // The row does not fit above the footers: it moves whole.
        PreviewPages()->CutObjects(RowStartPos);
        NewColumn();
        const double NewY = CurY();
        PreviewPages()->PasteObjects(CurX(), NewY);
        SetCurY(FTree.Links(B).ColumnMaxY + NewY - RowStartY);
        FTree.Links(B).ColumnMaxY = CurY();
    } else {
        NewColumn();
        FTree.Links(B).ColumnMaxY = CurY();
    }
    if (B->Visible())
        B->SetCurColumn(B->CurColumn() >= B->Columns() ? 1 : B->CurColumn() + 1);
}

void TqdzEngine::WorkOutDrillDown(TqdzDataBand *B)
{
    const std::vector<TqdzBand *> Run = GroupRun(B);
    if (Run.empty())
        return;
    TStringList *Expanded = Report()->DrillState();
    const bool ChildIfDrill = static_cast<TqdzGroupHeader *>(Run.front())->ShowChildIfDrillDown();
    for (size_t Lvl = 0; Lvl < Run.size(); ++Lvl) {
        auto *G = static_cast<TqdzGroupHeader *>(Run[Lvl]);
        if (!G->DrillDown())
            continue;
        QString Name;
        for (const auto &E : FDrillPath)
            Name = E.first + QLatin1Char('.') + QString::number(E.second) + QLatin1Char('.');
        Name += G->Name() + QLatin1Char('.') + QString::number(FTree.Links(G).LineThrough);
        G->SetDrillName(Name);
        bool Open = Expanded && Expanded->IndexOf(Name) >= 0;
        if (G->ExpandDrillDown())
            Open = !Open;
        if (G->Child() && !ChildIfDrill)
            G->Child()->SetVisible(Open);
        for (size_t In = Lvl + 1; In < Run.size(); ++In) {
            Run[In]->SetVisible(Open);
            if (TqdzBand *F = FTree.Links(Run[In]).Footer)
                F->SetVisible(Open);
        }
        B->SetVisible(Open);
        if (TqdzBand *F = FTree.Links(G).Footer)
            if (!G->ShowFooterIfDrillDown())
                F->SetVisible(Open);
        if (!Open)
            break;
    }
}

// Line counters of the groups from Level down as they open: after a break
// the group's lines go on and the next level's restart; on a fresh start
// they begin at 1 and, when Forget is set, the last values are dropped.
std::vector<TqdzBand *> TqdzEngine::CountGroupLines(TqdzDataBand *B, int Level, bool AfterBreak, bool Forget)
{
    std::vector<TqdzBand *> Run = GroupRun(B);
    const int N = int(Run.size());
    for (int Lvl = Level; Lvl < N; ++Lvl) {
        TqdzBandLinks &GL = FTree.Links(Run[Lvl]);
        if (AfterBreak) {
            GL.Line += 1;
            GL.LineThrough += 1;
            if (Lvl + 1 < N)
                FTree.Links(Run[Lvl + 1]).Line = 0;
        } else {
            GL.Line = 1;
            if (GL.LineThrough == 0)
                GL.LineThrough = 1;
            if (Forget)
                ForgetLastValues(Run[Lvl]);
        }
    }
    return Run;
}

// A group header about to show: its line counters become current and its
// condition's value is kept to tell the next break.
void TqdzEngine::EnterGroupHeader(TqdzGroupHeader *G)
{
    SetCurLine(FTree.Links(G).Line);
    SetCurLineThrough(FTree.Links(G).LineThrough);
    Report()->SetCurObject(G->Name());
    FTree.Links(G).LastValue = G->Condition().trimmed().isEmpty() ? Null() : Report()->Calc(G->Condition());
}

void TqdzEngine::OpenGroups(TqdzDataBand *B, int Level, bool AfterBreak)
{
    const std::vector<TqdzBand *> Run = CountGroupLines(B, Level, AfterBreak, true);
    const int N = int(Run.size());
    WorkOutDrillDown(B);
    for (int Lvl = Level; Lvl < N; ++Lvl) {
        auto *G = static_cast<TqdzGroupHeader *>(Run[Lvl]);
        EnterGroupHeader(G);
        if (G->KeepTogether())
            StartKeep(G);
        double Top = CurY();
        const int Breaks = FBreakSerial;
        ShowBand(G);
        // A header moved to a new page is listed where it went.
        if (FBreakSerial != Breaks)
            Top = FBreakY;
        AddOutline(G, Top);
        AddToReprint(G);
    }
}

bool TqdzEngine::CheckGroups(TqdzDataBand *B, TqdzDataSet *DS, int &RowStartPos, double &RowStartY)
{
    WorkOutDrillDown(B);
    const std::vector<TqdzBand *> Run = GroupRun(B);
    for (int Lvl = 0; Lvl < int(Run.size()); ++Lvl) {
        auto *G = static_cast<TqdzGroupHeader *>(Run[Lvl]);
        Report()->SetCurObject(G->Name());
        const Variant V = G->Condition().trimmed().isEmpty() ? Null() : Report()->Calc(G->Condition());
        if (qdzSameGroupValue(V, FTree.Links(G).LastValue))
            continue;
        if (B->Columns() > 1) {
            B->SetCurColumn(B->Columns());
            ColumnStep(B, RowStartPos, RowStartY);
        }
        DS->Prior();
        CloseGroups(B, Lvl);
        DS->Next();
        OpenGroups(B, Lvl, true);
        FTree.Links(B).Line = 1;
        ForgetLastValues(B);
        return true;
    }
    return false;
}

void TqdzEngine::CloseGroups(TqdzDataBand *B, int Level)
{
    const std::vector<TqdzBand *> Run = GroupRun(B);
    for (int Lvl = int(Run.size()) - 1; Lvl >= Level; --Lvl) {
        auto *G = static_cast<TqdzGroupHeader *>(Run[Lvl]);
        if (TqdzBand *F = FTree.Links(G).Footer) {
            auto *GF = dynamic_cast<TqdzGroupFooter *>(F);
            if (GF && GF->HideIfSingleDataRecord() && FTree.Links(B).Line < 3)
                FAggregateList->Reset(F);
            else
                ShowBand(F);
        }
        CloseOutlineLevel(G);
        RemoveFromReprint(G);
        if (G->KeepTogether())
            EndKeep(G);
    }
}

bool qdzSameGroupValue(const Variant &A, const Variant &B)
{
    const bool AN = VarIsNull(A) || VarIsEmpty(A), BN = VarIsNull(B) || VarIsEmpty(B);
    if (AN || BN)
        return AN && BN;
    try {
        return VarCompare(A, B, opCmpEQ);
    } catch (...) {
        return VarToStr(A) == VarToStr(B);
    }
}
