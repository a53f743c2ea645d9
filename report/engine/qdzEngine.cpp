// The engine's run loop: preparation and its checks, start and stop events,
// dialog pages, the passes, and the loop over template pages and page
// datasets.
#include "report/engine/qdzEngine.h"

#include "platform/Forms.h"
#include "platform/SysUtils.h"
#include "report/engine/qdzEngineStore.h"
#include "report/model/qdzVariables.h"

#include <algorithm>

STATION_PUBLISHED(TqdzEngine) {}

void TqdzHeaderList::Remove(TqdzBand *Band)
{
    for (auto It = FItems.begin(); It != FItems.end(); ++It)
        if (It->Band == Band) {
            FItems.erase(It);
            return;
        }
}

TqdzEngine::TqdzEngine(TqdzReport *AReport)
    : TqdzCustomEngine(AReport), FHeaderList(std::make_unique<TqdzHeaderList>()),
      FAggregateList(std::make_unique<TqdzAggregateList>(AReport))
{
    FAggregateList->SetCalc([this](const QString &Expr) { return Report()->Calc(Expr); });
}

TqdzEngine::~TqdzEngine() = default;

void TqdzEngine::Initialize()
{
    TqdzCustomEngine::Initialize();
    FKeepStartY = 0;
    FKeeping = false;
    FKeepBand = nullptr;
    FAggregateList->EndKeep();
    FKeepHeaderMark = false;
}

Variant TqdzEngine::GetAggregateValue(const QString &Name, const QString &Expression, TqdzBand *Band, int Flags)
{
    return FAggregateList->GetValue(FCurBand, CurVColumn(), Flags, Band, Expression, Name, FCellPerColumn);
}

void TqdzEngine::AddError(const QString &Text)
{
    Report()->Errors()->Add(Text);
}

int TqdzEngine::StorePageCount()
{
    return PreviewPages() ? PreviewPages()->GetCount() : 0;
}

int TqdzEngine::MaxPages() const
{
    TqdzBuildSession *s = Report()->Session();
    return s ? s->Limits().MaxPages : TqdzBuildLimits().MaxPages;
}

void TqdzEngine::CheckPageLimit()
{
    if (StorePageCount() >= MaxPages() && !Report()->Terminated()) {
        AddError(QStringLiteral("The report reached %1 pages and was stopped").arg(MaxPages()));
        Report()->StopBuild(TqdzStopReason::Limit);
    }
}

void TqdzEngine::ForgetTemplate()
{
    FCurPage = nullptr;
    FCurBand = nullptr;
    FBreakBand = FBreakBand2 = nullptr;
    FKeepBand = nullptr;
    FKeepOutline = nullptr;
    FKeepOutlineLevel = nullptr;
    FKeeping = false;
    FOutputTarget = nullptr;
    FHeaderList->Clear();
    FVReprintList.clear();
    FVPages.clear();
    FLastVPages.clear();
    FFurtherPlaced.clear();
    FKeepVPos.clear();
    FCellHosts.clear();
    FMainPage = FLastMainPage = -1;
    FFurtherIndex = FVPagesWanted = 0;
    FDeferVPages = false;
    FTree.Clear();
    FShiftLists.clear();
    FStretchDelta.clear();
    FLastOutputHeight.clear();
    FBandViews.clear();
    FOwnViewCount.clear();
    FOutlineOpen.clear();
    FDrillPath.clear();
    FRunningPages.clear();
    FAggregateList->Clear();
}

void TqdzEngine::ResetCounters()
{
    // Line# runs through a whole pass; each pass starts it again.
    FTree.ResetCounters();
    FDrillPath.clear();
    FOutlineOpen.clear();
}

bool TqdzEngine::Prepare()
{
    ForgetTemplate();
    TStrings *Errors = Report()->Errors();
    std::vector<TqdzReportPage *> Pages;
    TList *Children = Report()->Objects();
    for (int i = 0; i < Children->Count(); ++i)
        if (auto *P = dynamic_cast<TqdzReportPage *>(static_cast<TObject *>(Children->Items(i))))
            Pages.push_back(P);
    for (TqdzReportPage *P : Pages) {
        FCurPage = P;
        FTree.Build(P, false, Errors);
        FTree.Build(P, true, Errors);
    }
    TqdzDataSet *RDS = Report()->DataSet();
    for (TqdzReportPage *P : Pages) {
        if (RDS && P->DataSet() == RDS) {
            AddError(QStringLiteral("Cannot use the same dataset for Report.DataSet and Page.DataSet"));
            break;
        }
        std::vector<TqdzDataBand *> Top = FTree.Masters(P, false);
        const auto &V = FTree.Masters(P, true);
        Top.insert(Top.end(), V.begin(), V.end());
        for (TqdzDataBand *B : Top) {
            if (B->DataSet() && B->DataSet() == RDS) {
                AddError(QStringLiteral("Cannot use the same dataset for Report.DataSet and Band.DataSet"));
                break;
            }
            if (B->DataSet() && B->DataSet() == P->DataSet()) {
                AddError(QStringLiteral("Cannot use the same dataset for Page.DataSet and Band.DataSet"));
                break;
            }
        }
    }
    return Errors->Count() == 0;
}

bool TqdzEngine::RunDialogs()
{
    TqdzReport *R = Report();
    if (!R->OnRunDialogs().trimmed().isEmpty()) {
        Variant Params = VarArrayOf({Variant(true)});
        R->CallScriptEvent(R->OnRunDialogs().trimmed(), Params);
        return VarArrayGet(Params, {0}).AsBoolean();
    }
    TList *Children = R->Objects();
    for (int i = 0; i < Children->Count(); ++i) {
        auto *D = dynamic_cast<TqdzDialogPage *>(static_cast<TObject *>(Children->Items(i)));
        if (!D || !D->Visible())
            continue;
        if (!D->Form()) {
            // Without the windows layer nobody could answer the page: a
            // page with controls ends the build instead of being skipped.
            bool HasControls = false;
            for (int j = 0; j < D->Objects()->Count() && !HasControls; ++j)
                HasControls = dynamic_cast<TqdzDialogControl *>(static_cast<TObject *>(D->Objects()->Items(j)));
            if (!HasControls)
                continue;
            AddError(D->NoWindowsError());
            return false;
        }
        D->Form()->SetBorderStyle(D->BorderStyle());
        if (D->Form()->ControlCount() == 0)
            continue;
        if (OnRunDialog)
            OnRunDialog(D);
        else
            D->ShowModal();
        if (D->GetModalResult() == mrCancel)
            return false;
    }
    return true;
}

bool TqdzEngine::Run()
{
    TqdzReport *R = Report();
    TqdzCustomPreviewPages *Store = PreviewPages();
    if (!Store) {
        AddError(QStringLiteral("The report has no built-page store"));
        return false;
    }
    bool Result = false;
    FFooterReserve = 0;
    Store->Initialize();
    qdzStoreSetAddPageAction(Store, 1);
    SetStartDate(Date());
    SetStartTime(Time());
    SetRunning(true);
    FKeeping = false;
    FKeepBand = nullptr;
    SetCurVColumn(0);
    ForgetTemplate();

    struct Finally {
        TqdzEngine *E;
        ~Finally()
        {
            try {
                E->Report()->DataSets()->Finalize();
            } catch (...) {
            }
            // Also while an exception (out of memory among them) leaves the
            // run: one more from here would end the program.
            try {
                E->PreviewPages()->Finish();
            } catch (...) {
            }
            E->SetRunning(false);
            // The report may reload its template after the run: nothing of
            // it is kept.
            E->ForgetTemplate();
        }
    } Fin{this};

    if (!Prepare())
        return false;
    R->DataSets()->Initialize();
    R->DoNotifyEvent(R, R->OnStartReport());
    if (RunDialogs()) {
        Result = true;
        TList *Children = R->Objects();
        for (int i = 0; i < Children->Count(); ++i)
            if (auto *P = dynamic_cast<TqdzReportPage *>(static_cast<TObject *>(Children->Items(i)))) {
                FCurPage = P;
                Store->AddSourcePage(P);
                FAggregateList->AddItems(P, &FTree);
            }
        SetFinalPass(!DoublePass());
        SetTotalPages(0);
        Store->BeginPass();
        ResetCounters();
        RunReportPages();
        // A first pass the user cancelled keeps what it built.
        if (DoublePass() && !R->Terminated()) {
            SetTotalPages(Store->GetCount());
            Store->SetCurPage(Store->GetCount() - 1);
            Store->ClearFirstPassPages();
            FAggregateList->ClearValues();
            SetFinalPass(true);
            ResetCounters();
            RunReportPages();
        }
    }
    R->DoNotifyEvent(R, R->OnStopReport());
    return Result;
}

void TqdzEngine::RunReportPages()
{
    TqdzReport *R = Report();
    FFirstReportPage = true;
    auto RunAll = [&] {
        TList *Children = R->Objects();
        for (int i = 0; i < Children->Count(); ++i) {
            auto *P = dynamic_cast<TqdzReportPage *>(static_cast<TObject *>(Children->Items(i)));
            if (!P)
                continue;
            FCurPage = P;
            if (!P->IsSubReport() && P->Visible())
                RunPage(P);
            if (R->Terminated())
                break;
            FFirstReportPage = false;
        }
    };
    if (TqdzDataSet *DS = R->DataSet()) {
        DS->First();
        while (!DS->Eof() && !R->Terminated()) {
            RunAll();
            DS->Next();
        }
    } else {
        RunAll();
    }
}

void TqdzEngine::RunPage(TqdzReportPage *Page)
{
    if (!Page)
        return;
    TqdzReport *R = Report();
    FRunningPages.insert(Page);
    struct Leave {
        QSet<const TqdzReportPage *> &S;
        TqdzReportPage *P;
        ~Leave() { S.remove(P); }
    } L{FRunningPages, Page};

    if (Page->IsSubReport()) {
        const auto &M = FTree.Masters(Page, false);
        ShowDataBands(std::vector<TqdzBand *>(M.begin(), M.end()));
        return;
    }
    TqdzReportPage *Saved = FCurPage;
    FCurPage = Page;
    FPageRunStart = true;
    R->DoNotifyEvent(Page, Page->OnBeforePrint());
    if (TqdzDataSet *DS = Page->DataSet()) {
        DS->First();
        while (!DS->Eof() && !R->Terminated()) {
            RunPageBody(Page);
            DS->Next();
        }
    } else {
        for (int i = 0; i < Page->PageCount() && !R->Terminated(); ++i)
            RunPageBody(Page);
    }
    R->DoNotifyEvent(Page, Page->OnAfterPrint());
    FCurPage = Saved;
}

void TqdzEngine::RunPageBody(TqdzReportPage *Page)
{
    TqdzReport *R = Report();
    // The page's own PrintIfEmpty off drops an empty copy as the engine
    // option does.
    if (!PageHasData(Page, R->EngineOptions()->PrintIfEmpty() && Page->PrintIfEmpty()))
        return;
    StartTemplatePage(Page);
    if (R->OnManualBuild())
        R->OnManualBuild()(Page);
    else if (Page->OnManualBuild().trimmed().isEmpty()) {
        const auto &M = FTree.Masters(Page, false);
        ShowDataBands(std::vector<TqdzBand *>(M.begin(), M.end()));
    } else
        R->DoNotifyEvent(Page, Page->OnManualBuild());
    FLastPage = true;
    if (Page->EndlessHeight() || Page->EndlessWidth()) {
        double W = Page->PaperWidth() * qdzPixelsPerMM;
        if (Page->EndlessWidth())
            W = (Page->LeftMargin() + Page->RightMargin()) * qdzPixelsPerMM + PageWidth();
        double H = Page->PaperHeight() * qdzPixelsPerMM;
        if (Page->EndlessHeight()) {
            SetPageHeight(CurY() + FooterHeight());
            H = (Page->TopMargin() + Page->BottomMargin()) * qdzPixelsPerMM + PageHeight();
        }
        qdzStoreUpdatePageDimensions(PreviewPages(), Page, W, H);
    }
    EndPage();
    FLastPage = false;
}

// -------------------------------------------------------------- start-up

namespace {

TqdzCustomEngine *CreateEngine(TqdzReport *AReport)
{
    return new TqdzEngine(AReport);
}

} // namespace

void qdzAddEngineFactories(TqdzBuildFactories &Factories)
{
    Factories.CreateEngine = &CreateEngine;
}
