// The engine's band output: preparing a band (events, data, stretching and
// shifting of its views), fitting it on the page, splitting it across
// pages, keep-together, after-print and vertical bands.
#include "report/engine/qdzEngine.h"

#include "report/engine/qdzEngineStore.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzUtils.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace {

bool Is(const TqdzComponent *C, TClass Class)
{
    return C && C->InheritsFrom(Class);
}

// Child chains are refused when circular; this bounds them all the same.
constexpr int MaxChildDepth = 64;

} // namespace

std::shared_ptr<const TqdzEngine::TqdzBandViews> TqdzEngine::ViewsOf(TqdzBand *Band)
{
    std::shared_ptr<const TqdzBandViews> &Cached = FBandViews[Band];
    TList *Children = Band->Objects();
    const int N = Children->Count();
    if (Cached && int(Cached->Children.size()) == N) {
        bool Same = true;
        for (int i = 0; Same && i < N; ++i) {
            auto *O = static_cast<TObject *>(Children->Items(i));
            Same = Cached->Children[size_t(i)] == O && Cached->Classes[size_t(i)] == O->ClassType();
        }
        if (Same)
            return Cached;
    }
    auto C = std::make_shared<TqdzBandViews>();
    C->Children.reserve(size_t(N));
    C->Classes.reserve(size_t(N));
    for (int i = 0; i < N; ++i) {
        auto *O = static_cast<TObject *>(Children->Items(i));
        C->Children.push_back(O);
        C->Classes.push_back(O->ClassType());
        if (auto *V = dynamic_cast<TqdzView *>(O)) {
            C->Views.push_back(V);
            C->Stretch.push_back(dynamic_cast<TqdzStretcheable *>(V));
            auto *S = dynamic_cast<TqdzSubreport *>(V);
            C->Subs.push_back(S);
            C->AnySub = C->AnySub || S;
        }
    }
    Cached = C;
    return C;
}

// ------------------------------------------------------------- ShowBand

TqdzEngine::TqdzInEvents::TqdzInEvents(QHash<const TqdzBand *, int> &AList, const TqdzBand *ABand)
    : List(AList), Band(ABand)
{
    ++List[Band];
}

TqdzEngine::TqdzInEvents::~TqdzInEvents()
{
    auto It = List.find(Band);
    if (It != List.end() && --It.value() <= 0)
        List.erase(It);
}

void TqdzEngine::ShowBand(TqdzBand *Band)
{
    // Scripts may call it outside a run: there is no page to show it on.
    if (!Band || !FCurPage || !Running())
        return;
    // Shown from its own events it would be shown again from the same
    // events, without end.
    if (FBandsInEvents.contains(Band))
        throw EInvalidOperation(
            QStringLiteral("%1 is being shown: it cannot be shown again from its own events").arg(Band->Name()));
    if (FShowDepth >= MaxChildDepth)
        return;
    ++FShowDepth;
    struct Leave {
        int &D;
        ~Leave() { --D; }
    } L{FShowDepth};

    const bool Keep = Band->KeepChild();
    if (Keep)
        StartKeep(Band);
    OutputBand(Band);
    if (TqdzBand *C = Band->Child())
        if (Band->Visible() || Band->PrintChildIfInvisible())
            ShowBand(C);
    if (Keep)
        EndKeep(Band);
    if (Is(Band, TqdzDataBand::StaticClass()))
        FAggregateList->AddValue(Band, 0);
}

// ------------------------------------------------------------ shift tree

namespace {

constexpr double Eps = 0.0001;

struct TArea
{
    double X, Y, X1, Y1;
};

// Intervals along X, kept disjoint and sorted by their start.
class TSpans
{
public:
    // Open intervals: ones that only touch stay apart.
    void AddOpen(double A, double B) { Add(A, B, false); }
    // Closed ones: touching ones merge.
    void AddClosed(double A, double B) { Add(A, B, true); }
    // Some interval meets the open interval (A, B).
    bool Meets(double A, double B) const
    {
        auto It = FSpans.lower_bound(B);
        return It != FSpans.begin() && std::prev(It)->second > A;
    }
    // One interval holds [A, B].
    bool Holds(double A, double B) const
    {
        auto It = FSpans.upper_bound(A);
        return It != FSpans.begin() && std::prev(It)->second >= B;
    }

private:
    void Add(double A, double B, bool Touching)
    {
        auto It = FSpans.upper_bound(A);
        if (It != FSpans.begin()) {
            auto Prev = std::prev(It);
            if (Touching ? Prev->second >= A : Prev->second > A) {
                A = Prev->first;
                B = std::max(B, Prev->second);
                It = FSpans.erase(Prev);
            }
        }
        while (It != FSpans.end() && (Touching ? It->first <= B : It->first < B)) {
            B = std::max(B, It->second);
            It = FSpans.erase(It);
        }
        FSpans.emplace(A, B);
    }
    std::map<double, double> FSpans;
};

// The largest Y of ranges of areas, to find the first one at or below a
// height without walking those above it.
class TMaxY
{
public:
    explicit TMaxY(const std::vector<TArea> &Areas) : FN(Areas.size())
    {
        while (FLeaves < FN)
            FLeaves *= 2;
        FMax.assign(2 * FLeaves, -std::numeric_limits<double>::infinity());
        for (size_t i = 0; i < FN; ++i)
            FMax[FLeaves + i] = Areas[i].Y;
        for (size_t i = FLeaves; i-- > 1;)
            FMax[i] = std::max(FMax[2 * i], FMax[2 * i + 1]);
    }
    // The first index from From on whose Y is at least Y; the count if none.
    size_t FirstAtLeast(size_t From, double Y) const
    {
        if (From >= FN)
            return FN;
        size_t Node = FLeaves + From;
        if (FMax[Node] >= Y)
            return From;
        // Up to the first right neighbour holding one, then down its left edge.
        for (;;) {
            if (Node <= 1)
                return FN;
            if (!(Node & 1) && FMax[Node + 1] >= Y) {
                ++Node;
                break;
            }
            Node >>= 1;
        }
        while (Node < FLeaves)
            Node = FMax[2 * Node] >= Y ? 2 * Node : 2 * Node + 1;
        return std::min(Node - FLeaves, FN);
    }

private:
    size_t FN;
    size_t FLeaves = 1;
    std::vector<double> FMax;
};

} // namespace

void TqdzEngine::BuildShiftTree(TqdzBand *Band)
{
    if (FShiftLists.contains(Band))
        return;
    const std::vector<TqdzView *> Own = OwnViews(Band);
    // By the top as the template lists it, ties in object order.
    std::vector<std::pair<QString, TqdzView *>> Keyed;
    Keyed.reserve(Own.size());
    for (TqdzView *V : Own)
        Keyed.emplace_back(QString::asprintf("%9.2f", V->Top()), V);
    std::stable_sort(Keyed.begin(), Keyed.end(), [](const auto &A, const auto &B) { return A.first < B.first; });
    std::vector<TqdzView *> Views;
    Views.reserve(Keyed.size());
    for (auto &K : Keyed)
        Views.push_back(K.second);
    // Areas in band units; index 0 is the root just above the band.
    std::vector<TArea> Areas;
    Areas.reserve(Views.size() + 1);
    // What is no number stands at 0: the sorted structures below need an order.
    auto Finite = [](double X) { return std::isfinite(X) ? X : 0.0; };
    Areas.push_back({0, -2, Finite(Band->Width()), -1});
    for (TqdzView *V : Views)
        Areas.push_back({Finite(V->Left()), Finite(V->Top()), Finite(V->Left() + V->Width()),
                         Finite(V->Top() + V->Height())});
    const size_t N = Areas.size();
    auto Owner = [&](size_t I) -> const TqdzComponent * {
        return I == 0 ? static_cast<TqdzComponent *>(Band) : Views[I - 1];
    };
    for (size_t A = 0; A < N; ++A)
        FShiftLists[Owner(A)].clear();

    // A view B goes on the list of A when it lies below A, overlaps it
    // across, and no view between them in that order lies wholly between
    // A's bottom and B's top over their common width. Each A looks only at
    // the views from A's bottom down and stops once views it has passed
    // close its whole width, or no view further on reaches into it; so a
    // band of rows costs in proportion to its views, not their square.
    std::vector<double> LowestYFrom(N + 1, std::numeric_limits<double>::infinity());
    std::vector<double> LeftmostFrom(N + 1, std::numeric_limits<double>::infinity());
    std::vector<double> RightmostFrom(N + 1, -std::numeric_limits<double>::infinity());
    for (size_t I = N; I-- > 0;) {
        LowestYFrom[I] = std::min(LowestYFrom[I + 1], Areas[I].Y);
        LeftmostFrom[I] = std::min(LeftmostFrom[I + 1], Areas[I].X);
        RightmostFrom[I] = std::max(RightmostFrom[I + 1], Areas[I].X1);
    }
    const TMaxY MaxY(Areas);
    TqdzReport *R = Report();
    size_t Work = 0;
    for (size_t A = 0; A < N; ++A) {
        const TArea &RA = Areas[A];
        const double From = RA.Y1 - Eps;
        std::vector<TqdzView *> &List = FShiftLists[Owner(A)];
        // Views passed that may stand between A and a later one: open ones
        // until every later view lies below their bottom, closed after.
        std::multimap<double, size_t> Open;
        std::vector<size_t> Closed;
        TSpans ClosedSpans, Cover;
        std::vector<size_t> Odd; // closed ones of no width
        const bool Wide = RA.X1 - RA.X > 2 * Eps;
        for (size_t B = MaxY.FirstAtLeast(A + 1, From); B < N; ++B) {
            if (++Work % 4096 == 0) {
                R->CheckBuildStop();
                if (R->Terminated())
                    return;
            }
            const TArea &RB = Areas[B];
            if (RB.Y < From)
                continue;
            bool Closing = false;
            while (!Open.empty() && Open.begin()->first <= LowestYFrom[B] + Eps) {
                const TArea &C = Areas[Open.begin()->second];
                Closed.push_back(Open.begin()->second);
                if (C.X1 > C.X) {
                    ClosedSpans.AddOpen(C.X, C.X1);
                    if (C.X1 - C.X > Eps)
                        Cover.AddClosed(C.X + Eps / 2, C.X1 - Eps / 2);
                } else {
                    Odd.push_back(Open.begin()->second);
                }
                Open.erase(Open.begin());
                Closing = true;
            }
            const bool Across = RB.X < RA.X1 - Eps && RB.X1 > RA.X + Eps;
            if (Across) {
                const TArea Common{std::max(RA.X, RB.X), 0, std::min(RA.X1, RB.X1), 0};
                auto Blocks = [&](const TArea &C) { return C.X < Common.X1 - Eps && C.X1 > Common.X + Eps; };
                bool Between = false;
                if (Common.X1 - Common.X > 2 * Eps) {
                    Between = ClosedSpans.Meets(Common.X + Eps, Common.X1 - Eps);
                    for (size_t i = 0; !Between && i < Odd.size(); ++i)
                        Between = Blocks(Areas[Odd[i]]);
                } else {
                    for (size_t i = 0; !Between && i < Closed.size(); ++i)
                        Between = Blocks(Areas[Closed[i]]);
                }
                for (auto It = Open.begin(); !Between && It != Open.end() && It->first <= RB.Y + Eps; ++It)
                    Between = Blocks(Areas[It->second]);
                if (!Between)
                    List.push_back(Views[B - 1]);
                Open.emplace(RB.Y1, B);
            }
            if (Closing && Wide && Cover.Holds(RA.X + Eps / 2, RA.X1 - Eps / 2))
                break;
            if (LeftmostFrom[B + 1] >= RA.X1 - Eps || RightmostFrom[B + 1] <= RA.X + Eps)
                break;
        }
    }
}

void TqdzEngine::ShiftViews(TqdzComponent *From, double Amount, bool IsRoot)
{
    // A view below two stretched views moves by the larger push, not by
    // their sum: each view remembers how far it was moved in this pass.
    QHash<const TqdzView *, double> Moved;
    // A view reached again by another way, not moved since and pushed no
    // further, moves nothing below it: without this a lattice of views
    // would be walked once for every path through it.
    struct TVisit
    {
        double Amt;
        int Depth;
        double Bottom;
    };
    QHash<const TqdzComponent *, TVisit> Visits;
    TqdzReport *R = Report();
    size_t Work = 0;
    std::function<void(TqdzComponent *, double, bool, int)> Shift = [&](TqdzComponent *X, double Amt, bool Root,
                                                                         int Depth) {
        if (Depth > 256 || R->Terminated())
            return;
        if (++Work % 4096 == 0)
            R->CheckBuildStop();
        auto It = FShiftLists.find(X);
        if (It == FShiftLists.end())
            return;
        if (!Root) {
            const double Bottom = X->Top() + X->Height();
            auto Seen = Visits.find(X);
            if (Seen != Visits.end() && Seen->Bottom == Bottom && Seen->Amt >= Amt && Seen->Depth <= Depth)
                return;
            if (Seen == Visits.end() || Seen->Bottom != Bottom || Amt > Seen->Amt
                || (Amt == Seen->Amt && Depth < Seen->Depth))
                Visits.insert(X, {Amt, Depth, Bottom});
        }
        const std::vector<TqdzView *> List = It.value();
        for (TqdzView *V : List) {
            const double Delta = FStretchDelta.value(V);
            switch (V->ShiftMode()) {
            case smAlways: {
                const double Done = Moved.value(V, 0);
                if (Amt > Done) {
                    V->SetTop(V->Top() + Amt - Done);
                    Moved[V] = Amt;
                }
                Shift(V, Amt + Delta, false, Depth + 1);
                break;
            }
            case smWhenOverlapped: {
                const double XBottom = Root ? 0 : X->Top() + X->Height();
                if (Root || V->Top() >= XBottom) {
                    Shift(V, Delta, false, Depth + 1);
                } else {
                    const double Dist = XBottom - V->Top();
                    V->SetTop(XBottom);
                    Shift(V, Dist + Delta, false, Depth + 1);
                }
                break;
            }
            default:
                Shift(V, Delta, false, Depth + 1);
                break;
            }
            FStretchDelta.remove(V);
        }
    };
    Shift(From, Amount, IsRoot, 0);
}

// -------------------------------------------------------------- preparing

void TqdzEngine::PrepareBand(TqdzBand *Band)
{
    TqdzReport *R = Report();
    const TqdzInEvents InEvents(FBandsInEvents, Band);
    FCurBand = Band;
    BuildShiftTree(Band);
    if (!FOwnViewCount.contains(Band))
        FOwnViewCount.insert(Band, Band->Objects()->Count());
    Band->BeforePrint();
    R->DoBeforePrint(Band);
    // A copy: scripts run below may change the band's children.
    const std::shared_ptr<const TqdzBandViews> Own = ViewsOf(Band);
    const TqdzBandViews &BV = *Own;
    const std::vector<TqdzView *> &Views = BV.Views;
    bool OnParent = false;
    for (size_t i = 0; i < Views.size(); ++i) {
        TqdzView *V = Views[i];
        V->BeforePrint();
        R->DoBeforePrint(V);
        if (Band->Visible() && V->Visible()) {
            V->GetData();
            R->DoNotifyEvent(V, V->OnAfterData());
            if (TqdzSubreport *S = BV.Subs[i]; S && S->PrintOnParent())
                OnParent = true;
        }
    }
    bool Stretched = false;
    for (TqdzStretcheable *S : BV.Stretch) {
        if (!S || !S->Visible() || S->StretchMode() == smDontStretch)
            continue;
        const double H = S->CalcHeight();
        if (H > S->Height()) {
            FStretchDelta.insert(S, H - S->Height());
            S->SetHeight(H);
            Stretched = true;
        } else {
            FStretchDelta.remove(S);
        }
    }
    if (!Band->Visible())
        return;
    if (Stretched)
        ShiftViews(Band, 0, true);
    if (OnParent)
        RunSubreportsOnParent(Band);
    double Bottom = 0;
    const std::shared_ptr<const TqdzBandViews> AllViews = ViewsOf(Band);
    const TqdzBandViews &All = *AllViews;
    for (TqdzView *V : All.Views)
        Bottom = std::max(Bottom, V->Top() + V->Height());
    if (Band->Stretched())
        Band->SetHeight(Bottom);
    R->DoNotifyEvent(Band, Band->OnAfterCalcHeight());
    for (TqdzStretcheable *S : All.Stretch)
        if (S && S->StretchMode() == smMaxHeight)
            S->SetHeight(Bottom - S->Top());
}

void TqdzEngine::AfterPrintBand(TqdzBand *Band)
{
    TqdzReport *R = Report();
    const TqdzInEvents InEvents(FBandsInEvents, Band);
    const std::vector<TqdzView *> Views = OwnViews(Band);
    if (Band->Visible())
        for (TqdzView *V : Views)
            R->DoAfterPrint(V);
    for (TqdzView *V : Views)
        V->AfterPrint();
    if (Band->Visible())
        R->DoAfterPrint(Band);
    Band->AfterPrint();
    // Views that subreports printed on the band were this output's only.
    const int Own = FOwnViewCount.value(Band, -1);
    if (Own >= 0) {
        TList *Children = Band->Objects();
        while (Children->Count() > Own) {
            auto *C = static_cast<TqdzComponent *>(static_cast<TObject *>(Children->Items(Children->Count() - 1)));
            FShiftLists.remove(C);
            FStretchDelta.remove(static_cast<TqdzView *>(C));
            delete C;
        }
    }
}

// --------------------------------------------------------------- keeping

void TqdzEngine::StartKeep(TqdzBand *Band, int Position)
{
    if (FKeeping || FPageRunStart)
        return;
    TqdzCustomPreviewPages *Store = PreviewPages();
    FKeepStartY = CurY();
    FKeeping = true;
    FKeepBand = Band;
    FKeepPosition = Position >= 0 ? Position : Store->GetCurPosition();
    FKeepOutline = Store->Outline() ? Store->Outline()->GetLastItem() : nullptr;
    FKeepOutlineLevel = Store->Outline() ? Store->Outline()->CurItem() : nullptr;
    FKeepAnchor = Store->GetAnchorCurPosition();
    // Where the block starts on each further horizontal page.
    FKeepVPos.clear();
    const int Page0 = Store->CurPage();
    for (int P : FVPages) {
        Store->SetCurPage(P);
        FKeepVPos.push_back(Store->GetCurPosition());
    }
    Store->SetCurPage(Page0);
    FAggregateList->StartKeep();
}

void TqdzEngine::EndKeep(TqdzBand *Band)
{
    if (!FKeeping || Band != FKeepBand)
        return;
    DropKeep();
}

void TqdzEngine::DropKeep()
{
    FKeepStartY = 0;
    FKeeping = false;
    FKeepBand = nullptr;
    FAggregateList->EndKeep();
    FKeepHeaderMark = false;
    FKeepVPos.clear();
}

TqdzEngine::TqdzKeptCells TqdzEngine::HoldKeptCells()
{
    TqdzKeptCells K;
    TqdzCustomPreviewPages *Store = PreviewPages();
    K.Pages = FVPages;
    K.Held.assign(FVPages.size(), false);
    for (size_t i = 0; i < FVPages.size() && i < FKeepVPos.size(); ++i) {
        double L = 0, T = 0;
        if (!qdzStoreObjectPlace(Store, FVPages[i], FKeepVPos[i], L, T))
            continue;
        qdzStoreHoldObjects(Store, FVPages[i], FKeepVPos[i], int(i) + 1);
        K.Held[i] = true;
    }
    return K;
}

void TqdzEngine::PlaceKeptCells(const TqdzKeptCells &Kept, double DX, double DY)
{
    TqdzCustomPreviewPages *Store = PreviewPages();
    const int Page0 = Store->CurPage();
    for (size_t i = 0; i < Kept.Pages.size(); ++i) {
        if (!Kept.Held[i])
            continue;
        // Without a further page (the run stopped) they go back unmoved:
        // nothing is lost.
        const int P = VerticalPage(int(i) + 1);
        if (P >= 0)
            qdzStorePlaceHeld(Store, int(i) + 1, P, DX, DY);
        else
            qdzStorePlaceHeld(Store, int(i) + 1, Kept.Pages[i], 0, 0);
    }
    Store->SetCurPage(Page0);
}

// ---------------------------------------------------------------- output

void TqdzEngine::AddToStore(TqdzBand *Band)
{
    PreviewPages()->AddObject(Band);
}

void TqdzEngine::OutputBand(TqdzBand *Band)
{
    if (Band->Vertical())
        return; // vertical bands are shown through their horizontal host
    const TqdzBandLinks *Links = FTree.Find(Band);
    const bool HasVBands = Links && Links->HasVBands;
    // The cells of the vertical bands, which the host carries.
    TqdzCells Cells;
    const TqdzCellsGuard FC{Cells};
    const bool WithCells = HasVBands && !FOutputTarget;

    if (!FReprintingHeaders && Band->Visible() && Band->StartNewPage() && !FOutputTarget) {
        const bool FirstRecord = (Is(Band, TqdzDataBand::StaticClass()) || Is(Band, TqdzGroupHeader::StaticClass())) &&
                                 Links && Links->Line == 1;
        if (!FirstRecord) {
            FBreakBand = Band;
            if (auto *G = dynamic_cast<TqdzGroupHeader *>(Band); G && G->ResetPageNumbers())
                PreviewPages()->ResetLogicalPageNumber();
            NewPage();
            FBreakBand = nullptr;
        }
    }

    PrepareBand(Band);
    FLastOutputHeight.insert(Band, Band->Height());
    try {
        // Headers being reprinted never break for lack of space: a header
        // taller than the page would start page after page.
        if (Band->Visible() && !Is(Band, TqdzOverlay::StaticClass()) && !Is(Band, TqdzNullBand::StaticClass()) &&
            !FOutputTarget && !FReprintingHeaders && FreeSpace() < Band->Height()) {
            const bool FitsEmpty = Band->Height() <= PageHeight() - FooterHeight();
            // A band with vertical cells is never split: it moves whole.
            if (((!Band->AllowSplit() || FKeeping) && FitsEmpty) || HasVBands) {
                if (!FKeeping) {
                    bool Forgot = false;
                    for (TqdzView *V : OwnViews(Band))
                        if (auto *M = dynamic_cast<TqdzCustomMemoView *>(V); M && M->SuppressRepeated()) {
                            M->ClearValue();
                            Forgot = true;
                        }
                    if (Forgot && !HasVBands) {
                        AfterPrintBand(Band);
                        if (Links) {
                            SetCurLine(Links->Line);
                            SetCurLineThrough(Links->LineThrough);
                        }
                        SetSecondScriptCall(true);
                        try {
                            PrepareBand(Band);
                        } catch (...) {
                            SetSecondScriptCall(false);
                            throw;
                        }
                        SetSecondScriptCall(false);
                    }
                }
                if (!(Is(Band, TqdzChild::StaticClass()) && FPageHeaderInProgress))
                    NewColumn();
            } else {
                if (!Band->AllowSplit() && Links && Links->LineThrough > 1 && !Band->StartNewPage())
                    NewColumn();
                // A band split across pages cannot be kept together.
                if (FKeeping)
                    DropKeep();
                SplitBand(Band);
                AfterPrintBand(Band);
                FAggregateList->Reset(Band);
                RunSubreports(Band);
                return;
            }
        }
        if (!Is(Band, TqdzNullBand::StaticClass()) && Band->Visible()) {
            double Left = CurX();
            if (auto *D = dynamic_cast<TqdzDataBand *>(Band); D && D->Columns() > 1)
                Left += D->Left();
            Band->SetLeft(Left);
            Band->SetTop(CurY());
            if (WithCells) {
                // The cells are made where the host goes, once it no longer
                // moves: a total per column counts them on that page.
                Cells = BuildVerticalCells(Band, Left);
                Band->SetLeft(Left);
                Band->SetTop(CurY());
                OutputWithCells(Band, Cells);
            } else if (!FOutputTarget) {
                if (!(FReprintingHeaders && PreviewPages()->BandExists(Band)))
                    AddToStore(Band);
            } else {
                auto *Copy = static_cast<TqdzBand *>(Band->ClassType()->Create(FOutputTarget));
                Copy->AssignAll(Band);
                Copy->SetParent(FOutputTarget);
            }
            SetCurY(CurY() + Band->Height());
        }
    } catch (...) {
        AfterPrintBand(Band);
        throw;
    }
    AfterPrintBand(Band);
    FAggregateList->Reset(Band);
    RunSubreports(Band);
}

// -------------------------------------------------------------- splitting

void TqdzEngine::SplitBand(TqdzBand *Band)
{
    struct Pending
    {
        TqdzView *V;
        TqdzStretcheable *S; // text views, which can be cut into parts
        double Top;          // where the view stands now, band units
        double Height;       // what is left of it to print
        double SavedTop;
        bool Progress = false;
    };
    struct Piece
    {
        TqdzView *V;
        TqdzStretcheable *S;
        double Top;
        double Height;
    };
    const std::vector<TqdzView *> Views = OwnViews(Band);
    std::vector<Pending> Pend;
    for (TqdzView *V : Views) {
        if (!V->Visible())
            continue;
        // Only text is cut across pages; other views move whole.
        TqdzStretcheable *S = dynamic_cast<TqdzCustomMemoView *>(V);
        if (S)
            S->BeginParts();
        Pend.push_back({V, S, V->Top(), V->Height(), V->Top()});
    }
    const double PageRoom = PageHeight() - FooterHeight();
    double Free = FreeSpace();
    bool AfterBreak = false;
    TqdzReport *R = Report();

    // Pushes the pending views that lie below Bottom within [L, Rt) down by
    // Dist, each once per page.
    auto PushBelow = [](std::vector<Pending> &List, size_t Self, double Bottom, double L, double Rt, double Dist,
                        std::vector<bool> &Pushed) {
        for (size_t j = 0; j < List.size(); ++j) {
            if (j == Self || Pushed[j])
                continue;
            TqdzView *W = List[j].V;
            if (List[j].Top >= Bottom - 0.0001 && W->Left() < Rt - 0.0001 && W->Left() + W->Width() > L + 0.0001) {
                List[j].Top += Dist;
                Pushed[j] = true;
            }
        }
    };

    while (!Pend.empty()) {
        // A page of a long text at a time: the caller's limit holds here too.
        R->CheckBuildStop();
        if (R->Terminated())
            break;
        std::vector<Piece> Part;
        std::vector<Pending> Rest;
        std::vector<bool> Pushed(Pend.size(), false);
        for (size_t i = 0; i < Pend.size(); ++i) {
            // Views that move push the others below them: a band of many
            // views takes the stop within a page too.
            if (i % 256 == 255) {
                R->CheckBuildStop();
                if (R->Terminated())
                    return;
            }
            Pending &P = Pend[i];
            TqdzView *V = P.V;
            P.Progress = false;
            P.SavedTop = P.Top;
            if (P.S) {
                if (P.Top < Free) {
                    // Cut what fits above the page end; the memo tells
                    // whether text remains.
                    V->SetTop(P.Top);
                    V->SetHeight(Free - P.Top);
                    const double Used = P.S->CutPart();
                    if (!P.S->HasMoreParts()) {
                        // The last part takes the height of its text.
                        Part.push_back({V, P.S, P.Top, std::clamp(P.S->CalcHeight(), 0.0, std::max(Used, 0.0))});
                        P.Height = -1; // done
                        continue;
                    }
                    if (Used >= 0.0001) {
                        Part.push_back({V, P.S, P.Top, Used});
                        // The rest goes on at the next page's top; what lay
                        // below the view follows it.
                        const double OldBottom = P.Top + P.Height;
                        P.Height = std::max(P.Height - Used, 1.0);
                        PushBelow(Pend, i, OldBottom, V->Left(), V->Left() + V->Width(), Free - (P.Top + Used),
                                  Pushed);
                        P.Top = Free;
                        P.Progress = true;
                        continue;
                    }
                }
                // Nothing of it fits here: it moves below the page end.
                const double Dist = Free - P.Top;
                if (Dist > 0) {
                    PushBelow(Pend, i, P.Top + P.Height, V->Left(), V->Left() + V->Width(), Dist, Pushed);
                    P.Top = Free;
                }
                continue;
            }
            if (P.Top + P.Height <= Free + 0.0001 || P.Height > PageRoom) {
                // Fits, or is taller than a page and is printed as it is.
                Part.push_back({V, nullptr, P.Top, P.Height});
                P.Height = -1;
                continue;
            }
            const double Dist = Free - P.Top;
            if (Dist > 0) {
                PushBelow(Pend, i, P.Top + P.Height, V->Left(), V->Left() + V->Width(), Dist, Pushed);
                P.Top = Free;
            }
        }
        for (Pending &P : Pend)
            if (P.Height >= 0)
                Rest.push_back(P);
        if (Part.empty() && AfterBreak && !Rest.empty()) {
            // Nothing went onto a fresh page: the first pending view goes
            // in whole, or with at least one line, so the loop always ends.
            Pending &P = Rest.front();
            if (P.S) {
                P.S->SetTop(0);
                P.S->SetHeight(std::max(Free, 1.0));
                double Used = P.S->CutPart();
                // A view that cut nothing twice puts one line out.
                if (Used < 0.0001 && P.S->HasMoreParts())
                    Used = P.S->CutPart();
                Used = std::max(Used, 1.0);
                Part.push_back({P.V, P.S, 0, Used});
                if (P.S->HasMoreParts()) {
                    P.Height = std::max(P.Height - Used, 1.0);
                    P.Top = Free;
                    P.Progress = true;
                } else {
                    Rest.erase(Rest.begin());
                }
            } else {
                Part.push_back({P.V, nullptr, 0, P.Height});
                Rest.erase(Rest.begin());
            }
        }
        if (!Part.empty()) {
            // Output the part: only its views are shown.
            double Bottom = 0;
            for (const Piece &P : Part)
                Bottom = std::max(Bottom, P.Top + P.Height);
            const bool Last = Rest.empty();
            std::vector<TqdzView *> Hidden;
            QHash<const TqdzView *, size_t> InPart;
            InPart.reserve(qsizetype(Part.size()));
            for (size_t i = 0; i < Part.size(); ++i)
                InPart.insert(Part[i].V, i);
            for (TqdzView *V : Views) {
                const auto Found = InPart.constFind(V);
                auto It = Found == InPart.cend() ? Part.end() : Part.begin() + qsizetype(*Found);
                if (It == Part.end()) {
                    if (V->Visible()) {
                        V->SetVisible(false);
                        Hidden.push_back(V);
                    }
                    continue;
                }
                double T = It->Top, H = It->Height;
                if (Last && V->Align() == baBottom)
                    T = Bottom - H;
                if (Last && It->S && It->S->StretchMode() == smMaxHeight)
                    H = Bottom - T;
                V->SetTop(T);
                V->SetHeight(H);
            }
            Band->SetHeight(Bottom);
            Band->SetLeft(CurX());
            Band->SetTop(CurY());
            try {
                AddToStore(Band);
            } catch (...) {
                for (TqdzView *V : Hidden)
                    V->SetVisible(true);
                throw;
            }
            for (TqdzView *V : Hidden)
                V->SetVisible(true);
            SetCurY(CurY() + Bottom);
        }
        if (Rest.empty())
            break;
        NewColumn();
        AfterBreak = true;
        // What is left moves up by the page just filled.
        for (Pending &P : Rest) {
            double T = P.Top - Free;
            if (P.S && !P.Progress && T < 0)
                T = P.SavedTop - Free;
            P.Top = std::max(T, 0.0);
        }
        Pend = std::move(Rest);
        Free = FreeSpace();
    }
}
