// The engine's subreports: pages run beside the band that holds them, or
// printed into that band while it is prepared.
#include "report/engine/qdzEngine.h"

#include "report/model/qdzClassViews.h"

#include <tuple>

bool TqdzEngine::CanRunSubreport(TqdzSubreport *S)
{
    if (!S->Page()) {
        AddError(S->Name() + QStringLiteral(": the subreport has no page"));
        return false;
    }
    // A page already being built, directly or through nesting, would run
    // itself without end.
    if (FRunningPages.contains(S->Page())) {
        AddError(S->Name() + QStringLiteral(": the subreport's page ") + S->Page()->Name() +
                 QStringLiteral(" is already being built"));
        return false;
    }
    return true;
}

void TqdzEngine::RunSubreports(TqdzBand *Band)
{
    const std::shared_ptr<const TqdzBandViews> BV = ViewsOf(Band);
    if (!BV->AnySub)
        return;
    std::vector<TqdzSubreport *> Subs;
    for (TqdzSubreport *S : BV->Subs)
        if (S && S->Visible() && !S->PrintOnParent())
            Subs.push_back(S);
    if (Subs.empty() || FOutputTarget)
        return;
    TqdzCustomPreviewPages *Store = PreviewPages();
    const int Page0 = Store->CurPage();
    const int Col0 = CurColumn();
    const double X0 = CurX(), Y0 = CurY(), CL0 = FColumnLeft;
    const double BandTop = Y0 - FLastOutputHeight.value(Band, Band->Height());
    std::tuple<int, int, double> Far{Page0, Col0, Y0};
    bool Ran = false;
    TqdzReportPage *SavedPage = FCurPage;
    // A subreport of a title or header shown at a page start prints its
    // own bands, not reprinted headers.
    const bool SavedReprinting = FReprintingHeaders, SavedPageHeader = FPageHeaderInProgress;
    FReprintingHeaders = false;
    FPageHeaderInProgress = false;
    struct Restore {
        bool &R, &P;
        bool SR, SP;
        ~Restore()
        {
            R = SR;
            P = SP;
        }
    } Rs{FReprintingHeaders, FPageHeaderInProgress, SavedReprinting, SavedPageHeader};
    for (TqdzSubreport *S : Subs) {
        if (!CanRunSubreport(S))
            continue;
        Store->SetCurPage(Page0);
        SetCurColumn(Col0);
        FColumnLeft = S->Left() + CL0;
        SetCurX(S->Left() + X0);
        SetCurY(S->Top() + BandTop);
        RunPage(S->Page());
        FCurPage = SavedPage;
        Ran = true;
        const std::tuple<int, int, double> Pos{Store->CurPage(), CurColumn(), CurY()};
        if (Pos > Far)
            Far = Pos;
        if (Report()->Terminated())
            break;
    }
    if (!Ran) {
        SetCurX(X0);
        SetCurY(Y0);
        FColumnLeft = CL0;
        return;
    }
    Store->SetCurPage(std::get<0>(Far));
    SetCurColumn(std::get<1>(Far));
    SetCurX(X0 + (CurColumn() > 1 ? ColumnPosition(CurColumn()) : 0));
    SetCurY(std::get<2>(Far));
    FColumnLeft = CL0;
}

void TqdzEngine::RunSubreportsOnParent(TqdzBand *Band)
{
    const bool Outer = FOutputTarget == nullptr;
    std::unique_ptr<TqdzBand> Target;
    if (Outer) {
        Target = std::make_unique<TqdzBand>(nullptr);
        FOutputTarget = Target.get();
    }
    const double X0 = CurX(), Y0 = CurY(), CL0 = FColumnLeft;
    TqdzReportPage *SavedPage = FCurPage;
    TqdzBand *SavedBand = FCurBand;
    const bool SavedReprinting = FReprintingHeaders;
    FReprintingHeaders = false;
    auto Restore = [&] {
        FReprintingHeaders = SavedReprinting;
        SetCurX(X0);
        SetCurY(Y0);
        FColumnLeft = CL0;
        FCurPage = SavedPage;
        FCurBand = SavedBand;
        if (Outer)
            FOutputTarget = nullptr;
    };
    try {
        if (Outer)
            for (TqdzView *V : OwnViews(Band)) {
                auto *S = dynamic_cast<TqdzSubreport *>(V);
                if (!S || !S->Visible() || !S->PrintOnParent() || !CanRunSubreport(S))
                    continue;
                FColumnLeft = S->Left() + CL0;
                SetCurX(S->Left());
                SetCurY(S->Top());
                RunPage(S->Page());
            }
    } catch (...) {
        Restore();
        throw;
    }
    Restore();
    if (!Outer)
        return;
    // The views printed into the target become the band's own for this
    // output, at their place within the band.
    std::vector<TqdzView *> Collected;
    TList *All = Target->AllObjects();
    for (int i = 0; i < All->Count(); ++i)
        if (auto *V = dynamic_cast<TqdzView *>(static_cast<TObject *>(All->Items(i))))
            Collected.push_back(V);
    for (TqdzView *V : Collected) {
        const double L = V->AbsLeft() - Target->AbsLeft(), T = V->AbsTop() - Target->AbsTop();
        V->SetParent(Band);
        V->SetLeft(L);
        V->SetTop(T);
        if (auto *S = dynamic_cast<TqdzStretcheable *>(V))
            S->SetStretchMode(smDontStretch);
    }
}
