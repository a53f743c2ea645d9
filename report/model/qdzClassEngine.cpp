// The behaviour the abstract engine, store, outline and preview bases have, and the factory table.
#include "qdzClassEngine.h"

#include "qdzClass.h"
#include "qdzVariables.h"

namespace {

TqdzBuildFactories &Factories()
{
    static TqdzBuildFactories Table;
    return Table;
}

} // namespace

const TqdzBuildFactories &qdzBuildFactories()
{
    return Factories();
}

void qdzInstallBuildFactories(const TqdzBuildFactories &Value)
{
    Factories() = Value;
    qdzPasswordPrompt() = Value.PasswordPrompt;
}

// -------------------------------------------------------------------- engine

STATION_PUBLISHED(TqdzCustomEngine)
{
    using C = TqdzCustomEngine;
    P.Prop("CurColumn", &C::CurColumn, &C::SetCurColumn);
    P.Prop("CurVColumn", &C::CurVColumn, &C::SetCurVColumn);
    P.Prop("CurX", &C::CurX, &C::SetCurX).Type(TypeInfoExtended());
    P.Prop("CurY", &C::CurY, &C::SetCurY).Type(TypeInfoExtended());
    P.Prop("DoublePass", &C::DoublePass);
    P.Prop("FinalPass", &C::FinalPass, &C::SetFinalPass);
    P.Prop("PageHeight", &C::PageHeight, &C::SetPageHeight).Type(TypeInfoExtended());
    P.Prop("PageWidth", &C::PageWidth, &C::SetPageWidth).Type(TypeInfoExtended());
    P.Prop("StartDate", &C::StartDate, &C::SetStartDate).Type(TypeInfoDateTime());
    P.Prop("StartTime", &C::StartTime, &C::SetStartTime).Type(TypeInfoDateTime());
    P.Prop("TotalPages", &C::TotalPages, &C::SetTotalPages);
    P.Prop("SecondScriptCall", &C::SecondScriptCall, &C::SetSecondScriptCall);
}

TqdzCustomEngine::TqdzCustomEngine(TqdzReport *AReport)
    : FNotifyList(std::make_unique<TList>()), FReport(AReport)
{
}

TqdzCustomEngine::~TqdzCustomEngine() = default;

double TqdzCustomEngine::GetPageHeight()
{
    return FPageHeight;
}

void TqdzCustomEngine::Initialize() {}

void TqdzCustomEngine::StopReport()
{
    if (FReport)
        FReport->StopBuild(TqdzStopReason::Requested);
}

bool TqdzCustomEngine::RunSession(const TqdzBuildLimits &Limits, const std::function<bool()> &Body)
{
    if (FSession)
        throw EInvalidOperation(QStringLiteral("Cannot build the report while the report is being built"));
    FSession = std::make_unique<TqdzBuildSession>(FReport, Limits);
    struct TEnd
    {
        std::unique_ptr<TqdzBuildSession> &Session;
        ~TEnd() { Session.reset(); }
    } end{FSession};
    return FSession->Run(Body);
}

bool TqdzCustomEngine::DoublePass() const
{
    return FReport && FReport->EngineOptions()->DoublePass();
}

// ----------------------------------------------------------- built-page store

TqdzCustomPreviewPages::TqdzCustomPreviewPages(TqdzReport *AReport) : FReport(AReport)
{
    if (auto create = qdzBuildFactories().CreateOutline)
        FOutline.reset(create(this));
}

TqdzCustomPreviewPages::~TqdzCustomPreviewPages() = default;

// -------------------------------------------------------------------- outline

STATION_PUBLISHED(TqdzCustomOutline) {}

TqdzCustomOutline::TqdzCustomOutline(TqdzCustomPreviewPages *APreviewPages) : FPreviewPages(APreviewPages) {}

TqdzCustomEngine *TqdzCustomOutline::GetEngine() const
{
    return FPreviewPages ? FPreviewPages->Engine() : nullptr;
}

// -------------------------------------------------------------------- preview

STATION_PUBLISHED(TqdzCustomPreview) {}

TqdzCustomPreview::TqdzCustomPreview(TComponent *AOwner) : TCustomControl(AOwner) {}

// ------------------------------------------------------------------- windows

STATION_PUBLISHED(TqdzCustomProgress) {}

TqdzCustomProgress::TqdzCustomProgress(TComponent *AOwner) : TForm(AOwner) {}

STATION_PUBLISHED(TqdzCustomPreviewForm) {}

TqdzCustomPreviewForm::TqdzCustomPreviewForm(TComponent *AOwner) : TForm(AOwner) {}
