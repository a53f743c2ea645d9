// Bands of a report page: the kinds the engine prints, their stored
// properties and the few rules the classes enforce themselves.
#include "qdzClass.h"

#include "platform/CodePages.h"
#include "platform/SysUtils.h"
#include "qdzRes.h"
#include "qdzXML.h"

#include <algorithm>
#include <cmath>

namespace {

// Character cell of dot-matrix pages.
constexpr double CharX = 9.6;
constexpr double CharY = 17;

// The dot-matrix page lives in a unit of its own: known by class name. The
// answer depends on the page's class alone and is asked on every move of a
// band while building: kept for the class last asked about, per thread, as
// builds on several threads ask at once.
bool IsDotMatrixPageClass(TClass Class)
{
    static thread_local TClass lastClass = nullptr;
    static thread_local bool lastAnswer = false;
    if (Class != lastClass) {
        lastAnswer = false;
        for (TClass c = Class; c && !lastAnswer; c = c->ClassParent())
            lastAnswer = c->ClassName() == QLatin1String("TqdzDMPPage");
        lastClass = Class;
    }
    return lastAnswer;
}

bool OnDotMatrixPage(const TqdzComponent *C)
{
    // The page by the class registry: a dynamic_cast per level costs more
    // than the move itself.
    // A band is no page: the search starts at its parent.
    for (const TqdzComponent *p = C->Parent(); p; p = p->Parent())
        if (p->InheritsFrom(TqdzPage::StaticClass()))
            return IsDotMatrixPageClass(p->ClassType());
    return false;
}

double Snap(double Value, double Cell)
{
    return Round(Value / Cell) * Cell;
}

} // namespace

// ------------------------------------------------------------------ TqdzBand

// Published in this order by every band; each kind adds its own after.
#define QDZ_PUBLISH_BAND_BASE(C)                                                                    \
    P.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);                                 \
    P.Prop("Height", &C::Height, &C::SetHeight).Type(TypeInfoExtended());                           \
    P.Prop("Left", &C::Left, &C::SetLeft).Type(TypeInfoExtended());                                 \
    P.Prop("Top", &C::Top, &C::SetTop).Type(TypeInfoExtended());                                    \
    P.Prop("Width", &C::Width, &C::SetWidth).Type(TypeInfoExtended());                              \
    P.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);                          \
    P.Prop("Restrictions", &C::Restrictions, &C::SetRestrictions).Default(TqdzRestrictions());      \
    P.Prop("Vertical", &C::Vertical, &C::SetVertical).Default(false);                               \
    P.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);                                   \
    P.Prop("OnAfterCalcHeight", &C::OnAfterCalcHeight, &C::SetOnAfterCalcHeight);                   \
    P.Prop("OnAfterPrint", &C::OnAfterPrint, &C::SetOnAfterPrint);                                  \
    P.Prop("OnBeforePrint", &C::OnBeforePrint, &C::SetOnBeforePrint);

#define QDZ_BOOL(C, Name, Def) P.Prop(#Name, &C::Name, &C::Set##Name).Default(Def)

// TqdzBand itself publishes the base set; kinds republish nothing of it but
// inherit it, so only their additions are listed below.
STATION_PUBLISHED(TqdzBand)
{
    QDZ_PUBLISH_BAND_BASE(TqdzBand)
}

TqdzBand::TqdzBand(TComponent *AOwner) : TqdzReportComponent(AOwner) {}

TqdzBand::~TqdzBand() = default;

void TqdzBand::Draw(TCanvas *, double, double, double, double) {}

QString TqdzBand::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obBand"));
}

void TqdzBand::SetLeft(double Value)
{
    TqdzReportComponent::SetLeft(OnDotMatrixPage(this) ? Snap(Value, CharX) : Value);
}

void TqdzBand::SetTop(double Value)
{
    TqdzReportComponent::SetTop(OnDotMatrixPage(this) ? Snap(Value, CharY) : Value);
}

void TqdzBand::SetHeight(double Value)
{
    TqdzReportComponent::SetHeight(OnDotMatrixPage(this) ? Snap(Value, CharY) : Value);
}

int TqdzBand::GetBandKind() const
{
    static const TClass Kinds[] = {
        TqdzReportTitle::StaticClass(),   TqdzReportSummary::StaticClass(), TqdzPageHeader::StaticClass(),
        TqdzPageFooter::StaticClass(),    TqdzHeader::StaticClass(),        TqdzFooter::StaticClass(),
        TqdzMasterData::StaticClass(),    TqdzDetailData::StaticClass(),    TqdzSubdetailData::StaticClass(),
        TqdzDataBand4::StaticClass(),     TqdzDataBand5::StaticClass(),     TqdzDataBand6::StaticClass(),
        TqdzGroupHeader::StaticClass(),   TqdzGroupFooter::StaticClass(),   TqdzChild::StaticClass(),
        TqdzColumnHeader::StaticClass(),  TqdzColumnFooter::StaticClass(),  TqdzOverlay::StaticClass()};
    for (int i = int(std::size(Kinds)) - 1; i >= 0; --i)
        if (InheritsFrom(Kinds[i]))
            return i;
    return 0;
}

void TqdzBand::SetChild(TqdzChild *Value)
{
    for (TqdzBand *b = Value; b; b = b->FChild)
        if (b == this)
            throw Exception(QStringLiteral("Circular child reference is not allowed"));
    FChild = Value;
    if (Value)
        FreeNotification(Value);
}

void TqdzBand::Notification(TComponent *AComponent, TOperation Operation)
{
    TqdzReportComponent::Notification(AComponent, Operation);
    // Compared by address: the child may already be past its own destructor.
    if (Operation == opRemove && FChild && AComponent == static_cast<TComponent *>(FChild))
        FChild = nullptr;
}

// -------------------------------------------------------------- band kinds

STATION_PUBLISHED(TqdzReportTitle)
{
    QDZ_BOOL(TqdzReportTitle, AllowSplit, false);
    P.Prop("Child", &TqdzReportTitle::Child, &TqdzReportTitle::SetChild);
    QDZ_BOOL(TqdzReportTitle, KeepChild, false);
    QDZ_BOOL(TqdzReportTitle, PrintChildIfInvisible, false);
    QDZ_BOOL(TqdzReportTitle, StartNewPage, false);
    QDZ_BOOL(TqdzReportTitle, Stretched, false);
}
TqdzReportTitle::TqdzReportTitle(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzReportSummary)
{
    QDZ_BOOL(TqdzReportSummary, AllowSplit, false);
    P.Prop("Child", &TqdzReportSummary::Child, &TqdzReportSummary::SetChild);
    QDZ_BOOL(TqdzReportSummary, KeepChild, false);
    QDZ_BOOL(TqdzReportSummary, PrintChildIfInvisible, false);
    QDZ_BOOL(TqdzReportSummary, StartNewPage, false);
    QDZ_BOOL(TqdzReportSummary, Stretched, false);
}
TqdzReportSummary::TqdzReportSummary(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzPageHeader)
{
    P.Prop("Child", &TqdzPageHeader::Child, &TqdzPageHeader::SetChild);
    QDZ_BOOL(TqdzPageHeader, PrintChildIfInvisible, false);
    QDZ_BOOL(TqdzPageHeader, PrintOnFirstPage, true);
    QDZ_BOOL(TqdzPageHeader, Stretched, false);
}
TqdzPageHeader::TqdzPageHeader(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzPageFooter)
{
    QDZ_BOOL(TqdzPageFooter, PrintOnFirstPage, true);
    QDZ_BOOL(TqdzPageFooter, PrintOnLastPage, true);
}
TqdzPageFooter::TqdzPageFooter(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzHeader)
{
    QDZ_BOOL(TqdzHeader, AllowSplit, false);
    P.Prop("Child", &TqdzHeader::Child, &TqdzHeader::SetChild);
    QDZ_BOOL(TqdzHeader, KeepChild, false);
    QDZ_BOOL(TqdzHeader, PrintChildIfInvisible, false);
    QDZ_BOOL(TqdzHeader, ReprintOnNewPage, false);
    QDZ_BOOL(TqdzHeader, StartNewPage, false);
    QDZ_BOOL(TqdzHeader, Stretched, false);
}
TqdzHeader::TqdzHeader(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzFooter)
{
    QDZ_BOOL(TqdzFooter, AllowSplit, false);
    P.Prop("Child", &TqdzFooter::Child, &TqdzFooter::SetChild);
    QDZ_BOOL(TqdzFooter, KeepChild, false);
    QDZ_BOOL(TqdzFooter, PrintChildIfInvisible, false);
    QDZ_BOOL(TqdzFooter, Stretched, false);
}
TqdzFooter::TqdzFooter(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzChild)
{
    QDZ_BOOL(TqdzChild, AllowSplit, false);
    P.Prop("Child", &TqdzChild::Child, &TqdzChild::SetChild);
    QDZ_BOOL(TqdzChild, KeepChild, false);
    QDZ_BOOL(TqdzChild, PrintChildIfInvisible, false);
    QDZ_BOOL(TqdzChild, StartNewPage, false);
    QDZ_BOOL(TqdzChild, Stretched, false);
}
TqdzChild::TqdzChild(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzColumnHeader)
{
    P.Prop("Child", &TqdzColumnHeader::Child, &TqdzColumnHeader::SetChild);
    QDZ_BOOL(TqdzColumnHeader, Stretched, false);
}
TqdzColumnHeader::TqdzColumnHeader(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzColumnFooter) {}
TqdzColumnFooter::TqdzColumnFooter(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzNullBand) {}
TqdzNullBand::TqdzNullBand(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzGroupHeader)
{
    QDZ_BOOL(TqdzGroupHeader, AllowSplit, false);
    P.Prop("Child", &TqdzGroupHeader::Child, &TqdzGroupHeader::SetChild);
    P.Prop("Condition", &TqdzGroupHeader::Condition, &TqdzGroupHeader::SetCondition);
    QDZ_BOOL(TqdzGroupHeader, DrillDown, false);
    QDZ_BOOL(TqdzGroupHeader, ExpandDrillDown, false);
    QDZ_BOOL(TqdzGroupHeader, KeepChild, false);
    QDZ_BOOL(TqdzGroupHeader, KeepTogether, false);
    QDZ_BOOL(TqdzGroupHeader, ReprintOnNewPage, false);
    P.Prop("OutlineText", &TqdzGroupHeader::OutlineText, &TqdzGroupHeader::SetOutlineText);
    QDZ_BOOL(TqdzGroupHeader, PrintChildIfInvisible, false);
    QDZ_BOOL(TqdzGroupHeader, ResetPageNumbers, false);
    QDZ_BOOL(TqdzGroupHeader, ShowFooterIfDrillDown, false);
    QDZ_BOOL(TqdzGroupHeader, ShowChildIfDrillDown, false);
    QDZ_BOOL(TqdzGroupHeader, StartNewPage, false);
    QDZ_BOOL(TqdzGroupHeader, Stretched, false);
    P.Prop("DrillName", &TqdzGroupHeader::DrillName, &TqdzGroupHeader::SetDrillName);
}
TqdzGroupHeader::TqdzGroupHeader(TComponent *AOwner) : TqdzBand(AOwner) {}

QByteArray TqdzGroupHeader::DiffAttributes(TqdzComponent *DefaultObject)
{
    QByteArray r = TqdzBand::DiffAttributes(DefaultObject);
    if (FDrillDown)
        r += " DrillName=\"" + StrToXML(StringToCodePage(FDrillName, CP_ACP)) + '"';
    return r;
}

STATION_PUBLISHED(TqdzGroupFooter)
{
    QDZ_BOOL(TqdzGroupFooter, AllowSplit, false);
    P.Prop("Child", &TqdzGroupFooter::Child, &TqdzGroupFooter::SetChild);
    QDZ_BOOL(TqdzGroupFooter, HideIfSingleDataRecord, false);
    QDZ_BOOL(TqdzGroupFooter, KeepChild, false);
    QDZ_BOOL(TqdzGroupFooter, PrintChildIfInvisible, false);
    QDZ_BOOL(TqdzGroupFooter, Stretched, false);
}
TqdzGroupFooter::TqdzGroupFooter(TComponent *AOwner) : TqdzBand(AOwner) {}

STATION_PUBLISHED(TqdzOverlay)
{
    QDZ_BOOL(TqdzOverlay, PrintOnTop, false);
}
TqdzOverlay::TqdzOverlay(TComponent *AOwner) : TqdzBand(AOwner) {}

// -------------------------------------------------------------- data bands

STATION_PUBLISHED(TqdzDataBand)
{
    QDZ_BOOL(TqdzDataBand, AllowSplit, false);
    P.Prop("Child", &TqdzDataBand::Child, &TqdzDataBand::SetChild);
    P.Prop("Columns", &TqdzDataBand::Columns, &TqdzDataBand::SetColumns).Default(0);
    P.Prop("ColumnWidth", &TqdzDataBand::ColumnWidth, &TqdzDataBand::SetColumnWidth).Type(TypeInfoExtended());
    P.Prop("ColumnGap", &TqdzDataBand::ColumnGap, &TqdzDataBand::SetColumnGap).Type(TypeInfoExtended());
    P.Prop("DataSet", &TqdzDataBand::DataSet, &TqdzDataBand::SetDataSet);
    P.Prop("DataSetName", &TqdzDataBand::DataSetName, &TqdzDataBand::SetDataSetName);
    QDZ_BOOL(TqdzDataBand, FooterAfterEach, false);
    QDZ_BOOL(TqdzDataBand, KeepChild, false);
    QDZ_BOOL(TqdzDataBand, KeepFooter, false);
    QDZ_BOOL(TqdzDataBand, KeepHeader, false);
    QDZ_BOOL(TqdzDataBand, KeepTogether, false);
    P.Prop("OutlineText", &TqdzDataBand::OutlineText, &TqdzDataBand::SetOutlineText);
    QDZ_BOOL(TqdzDataBand, PrintChildIfInvisible, false);
    QDZ_BOOL(TqdzDataBand, PrintIfDetailEmpty, false);
    P.Prop("RowCount", &TqdzDataBand::RowCount, &TqdzDataBand::SetRowCount).Default(0);
    QDZ_BOOL(TqdzDataBand, StartNewPage, false);
    QDZ_BOOL(TqdzDataBand, Stretched, false);
    P.Prop("OnMasterDetail", &TqdzDataBand::OnMasterDetail, &TqdzDataBand::SetOnMasterDetail);
}

TqdzDataBand::TqdzDataBand(TComponent *AOwner)
    : TqdzBand(AOwner), FVirtualDataSet(std::make_unique<TqdzUserDataSet>(nullptr))
{
    FVirtualDataSet->SetRangeEnd(reCount);
}

TqdzDataBand::~TqdzDataBand() = default;

QString TqdzDataBand::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obDataBand"));
}

void TqdzDataBand::SetDataSet(TqdzDataSet *Value)
{
    FDataSet = Value;
    if (Value) {
        FDataSetName = Value->UserName();
        FreeNotification(Value);
    }
}

QString TqdzDataBand::DataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TqdzDataBand::SetDataSetName(const QString &Value)
{
    FDataSetName = Value;
    // An empty name unbinds the band.
    if (Value.isEmpty()) {
        FDataSet = nullptr;
        return;
    }
    if (TqdzDataSet *ds = qdzFindDataSet(this, FDataSet, Value)) {
        FDataSet = ds;
        FreeNotification(ds);
    }
}

void TqdzDataBand::SetRowCount(int Value)
{
    FRowCount = Value;
    FVirtualDataSet->SetRangeEndCount(Value);
}

namespace {

double ColumnMeasure(double Value)
{
    constexpr double Most = qdzMaxPaperSize * qdzPixelsPerMM;
    return std::isfinite(Value) ? std::clamp(Value, -Most, Most) : 0;
}

} // namespace

void TqdzDataBand::SetColumns(int Value)
{
    FColumns = std::clamp(Value, 0, qdzMaxColumns);
}

void TqdzDataBand::SetColumnWidth(double Value)
{
    FColumnWidth = ColumnMeasure(Value);
}

void TqdzDataBand::SetColumnGap(double Value)
{
    FColumnGap = ColumnMeasure(Value);
}

void TqdzDataBand::SetCurColumn(int N)
{
    FCurColumn = N > FColumns ? 1 : N;
    SetLeft((FCurColumn - 1) * (FColumnWidth + FColumnGap));
}

void TqdzDataBand::Notification(TComponent *AComponent, TOperation Operation)
{
    TqdzBand::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataSet && AComponent == static_cast<TComponent *>(FDataSet))
        FDataSet = nullptr;
}

#define QDZ_DATA_BAND(Name)                                                                         \
    STATION_PUBLISHED(Name) {}                                                                      \
    Name::Name(TComponent *AOwner) : TqdzDataBand(AOwner) {}

QDZ_DATA_BAND(TqdzMasterData)
QDZ_DATA_BAND(TqdzDetailData)
QDZ_DATA_BAND(TqdzSubdetailData)
QDZ_DATA_BAND(TqdzDataBand4)
QDZ_DATA_BAND(TqdzDataBand5)
QDZ_DATA_BAND(TqdzDataBand6)
