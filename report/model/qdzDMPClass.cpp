// Dot-matrix text, line and command objects and the dot-matrix page: the
// character grid, the page's font style and the registration of the kinds.
#include "qdzDMPClass.h"
#include "qdzDsgnIntf.h"
#include "qdzRes.h"
#include "qdzXML.h"
#include "platform/CodePages.h"
#include "platform/SysUtils.h"

#include <cmath>

namespace {

constexpr double CX = qd1CharX;
constexpr double CY = qd1CharY;

// A value already on the grid stays there: the quotient of a snapped value
// may come out a hair below the whole number.
double TruncCells(double Value, double Cell)
{
    const double q = Value / Cell;
    const double r = std::round(q);
    return std::fabs(q - r) < 1e-9 ? r : std::trunc(q);
}

double RoundCells(double Value, double Cell)
{
    return Round(Value / Cell);
}

QByteArray Attr(const char *Name, const QByteArray &Value)
{
    return QByteArray(" ") + Name + "=\"" + Value + '"';
}

TqdzDMPPage *DMPPageOf(const TqdzComponent *C)
{
    return dynamic_cast<TqdzDMPPage *>(C->GetPage());
}

// Millimetres onto whole cells of Cell report units.
double SnapMM(double MM, double Cell)
{
    return RoundCells(MM * qdzPixelsPerMM, Cell) * Cell / qdzPixelsPerMM;
}

} // namespace

void qdzApplyDMPFont(TFont *Font, TqdzDMPFontStyles Style)
{
    Font->SetName(QStringLiteral("Courier New"));
    Font->SetSize(12);
    Font->SetColor(TColor(0));
    TFontStyles s;
    if (Style.Contains(fsxBold))
        s.Include(fsBold);
    if (Style.Contains(fsxItalic))
        s.Include(fsItalic);
    if (Style.Contains(fsxUnderline))
        s.Include(fsUnderline);
    Font->SetStyle(s);
}

// ------------------------------------------------------------ text

STATION_PUBLISHED(TqdzDMPMemoView)
{
    using C = TqdzDMPMemoView;
    P.Prop("AutoWidth", &C::AutoWidth, &C::SetAutoWidth).NoDefault();
    P.Prop("AllowExpressions", &C::AllowExpressions, &C::SetAllowExpressions).NoDefault();
    P.Prop("DataField", &C::DataField, &C::SetDataField);
    P.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    P.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    P.Prop("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    P.Prop("ExpressionDelimiters", &C::ExpressionDelimiters, &C::SetExpressionDelimiters)
        .Stored(&C::IsExpressionDelimitersStored);
    P.Prop("FlowTo", &C::FlowTo, &C::SetFlowTo);
    P.Prop("FontStyle", &C::FontStyle, &C::SetFontStyle).Default(TqdzDMPFontStyles()).Stored(&C::IsFontStyleStored);
    P.Prop("Frame", &C::Frame, &C::SetFrame);
    P.Prop("HAlign", &C::HAlign, &C::SetHAlign).NoDefault();
    P.Prop("HideZeros", &C::HideZeros, &C::SetHideZeros).NoDefault();
    P.Prop("Memo", &C::Memo, &C::SetMemo);
    P.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).NoDefault();
    P.Prop("RTLReading", &C::RTLReading, &C::SetRTLReading).NoDefault();
    P.Prop("SuppressRepeated", &C::SuppressRepeated, &C::SetSuppressRepeated).NoDefault();
    P.Prop("WordWrap", &C::WordWrap, &C::SetWordWrap).NoDefault();
    P.Prop("TruncOutboundText", &C::TruncOutboundText, &C::SetTruncOutboundText).NoDefault();
    P.Prop("VAlign", &C::VAlign, &C::SetVAlign).NoDefault();
}

TqdzDMPMemoView::TqdzDMPMemoView(TComponent *AOwner) : TqdzCustomMemoView(AOwner)
{
    ApplyFontStyle();
}

QString TqdzDMPMemoView::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obDMPText"));
}

void TqdzDMPMemoView::ApplyFontStyle()
{
    // The font follows the style, not the parent: changing it here does not
    // turn ParentFont off.
    FApplying = true;
    qdzApplyDMPFont(Font(), FFontStyle);
    FApplying = false;
    SetCharSpacing(0);
    SetLineSpacing(1);
    SetGapX(0);
    SetGapY(0);
}

void TqdzDMPMemoView::FontChanged(TObject *Sender)
{
    if (!FApplying)
        TqdzCustomMemoView::FontChanged(Sender);
}

void TqdzDMPMemoView::SetFontStyle(TqdzDMPFontStyles Value)
{
    FFontStyle = Value;
    ApplyFontStyle();
    TqdzCustomMemoView::SetParentFont(false);
}

void TqdzDMPMemoView::SetParentFont(bool Value)
{
    TqdzCustomMemoView::SetParentFont(Value);
    if (!Value)
        return;
    if (TqdzDMPPage *page = DMPPageOf(this)) {
        // The field, not the setter: the setter would turn ParentFont off
        // again and the object would stop following the page.
        FFontStyle = page->FontStyle();
        ApplyFontStyle();
    }
}

void TqdzDMPMemoView::SetLeft(double Value)
{
    const double cells = Align() == baRight ? TruncCells(Value, CX) : RoundCells(Value, CX);
    TqdzCustomMemoView::SetLeft(cells * CX);
}

void TqdzDMPMemoView::SetTop(double Value)
{
    TqdzCustomMemoView::SetTop(RoundCells(Value, CY) * CY);
}

void TqdzDMPMemoView::SetWidth(double Value)
{
    TqdzCustomMemoView::SetWidth(RoundCells(Value, CX) * CX);
}

void TqdzDMPMemoView::SetHeight(double Value)
{
    TqdzCustomMemoView::SetHeight(RoundCells(Value, CY) * CY);
}

double TqdzDMPMemoView::CalcHeight()
{
    return RoundCells(TqdzCustomMemoView::CalcHeight(), CY) * CY;
}

double TqdzDMPMemoView::CalcWidth()
{
    return RoundCells(TqdzCustomMemoView::CalcWidth(), CX) * CX;
}

void TqdzDMPMemoView::DrawFrame()
{
    const int x = FX, y = FY, x1 = FX1, y1 = FY1;
    FX = int(std::lround((AbsLeft() - CX / 2) * ScaleX() + OffsetX()));
    FY = int(std::lround((AbsTop() - CY / 2) * ScaleY() + OffsetY()));
    FX1 = int(std::lround((AbsLeft() + Width() + CX / 2) * ScaleX() + OffsetX()));
    FY1 = int(std::lround((AbsTop() + Height() + CY / 2) * ScaleY() + OffsetY()));
    TqdzCustomMemoView::DrawFrame();
    FX = x;
    FY = y;
    FX1 = x1;
    FY1 = y1;
}

QByteArray TqdzDMPMemoView::DiffAttributes(TqdzComponent *DefaultObject)
{
    QByteArray r = TqdzCustomMemoView::DiffAttributes(DefaultObject);
    auto *d = dynamic_cast<TqdzDMPMemoView *>(DefaultObject);
    if (d && d->FFontStyle != FFontStyle)
        r += Attr("FontStyle", QByteArray::number(quint16(FFontStyle.ToInt())));
    return r;
}

// ------------------------------------------------------------ line

STATION_PUBLISHED(TqdzDMPLineView)
{
    using C = TqdzDMPLineView;
    P.Prop("FontStyle", &C::FontStyle, &C::SetFontStyle).Default(TqdzDMPFontStyles()).Stored(&C::IsFontStyleStored);
    P.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).NoDefault();
}

TqdzDMPLineView::TqdzDMPLineView(TComponent *AOwner) : TqdzCustomLineView(AOwner) {}

QString TqdzDMPLineView::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obDMPLine"));
}

void TqdzDMPLineView::SetLeft(double Value)
{
    double v;
    if (Value < 0)
        v = TruncCells(Value, CX) * CX - CX / 2;
    else if (Align() == baRight)
        v = RoundCells(Value, CX) * CX - CX / 2;
    else
        v = TruncCells(Value, CX) * CX + CX / 2;
    TqdzCustomLineView::SetLeft(v);
}

void TqdzDMPLineView::SetTop(double Value)
{
    TqdzCustomLineView::SetTop(TruncCells(Value, CY) * CY + CY / 2);
}

void TqdzDMPLineView::SetWidth(double Value)
{
    const double cells = Align() == baWidth ? RoundCells(Value, CX) : TruncCells(Value, CX);
    TqdzCustomLineView::SetWidth(cells * CX);
}

void TqdzDMPLineView::SetHeight(double Value)
{
    TqdzCustomLineView::SetHeight(TruncCells(Value, CY) * CY + CY / 2);
}

QByteArray TqdzDMPLineView::DiffAttributes(TqdzComponent *DefaultObject)
{
    QByteArray r = TqdzView::DiffAttributes(DefaultObject);
    auto *d = dynamic_cast<TqdzDMPLineView *>(DefaultObject);
    if (d && d->FFontStyle != FFontStyle)
        r += Attr("FontStyle", QByteArray::number(quint16(FFontStyle.ToInt())));
    return r;
}

// ------------------------------------------------------------ command

STATION_PUBLISHED(TqdzDMPCommand)
{
    P.Prop("Command", &TqdzDMPCommand::Command, &TqdzDMPCommand::SetCommand);
}

TqdzDMPCommand::TqdzDMPCommand(TComponent *AOwner) : TqdzView(AOwner) {}

QString TqdzDMPCommand::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obDMPCmd"));
}

QByteArray TqdzDMPCommand::DiffAttributes(TqdzComponent *DefaultObject)
{
    QByteArray r = TqdzView::DiffAttributes(DefaultObject);
    auto *d = dynamic_cast<TqdzDMPCommand *>(DefaultObject);
    if (d && d->FCommand != FCommand)
        r += Attr("Command", StrToXML(StringToCodePage(FCommand, CP_ACP)));
    return r;
}

// ------------------------------------------------------------ page

STATION_PUBLISHED(TqdzDMPPage)
{
    P.Prop("FontStyle", &TqdzDMPPage::FontStyle, &TqdzDMPPage::SetFontStyle).Default(TqdzDMPFontStyles());
}

TqdzDMPPage::TqdzDMPPage(TComponent *AOwner) : TqdzReportPage(AOwner)
{
    qdzApplyDMPFont(Font(), FFontStyle);
    SnapToGrid();
}

void TqdzDMPPage::SnapToGrid()
{
    if (FSnapping)
        return;
    FSnapping = true;
    SetPaperDimensions(SnapMM(PaperWidth(), CX), SnapMM(PaperHeight(), CY));
    SetLeftMargin(SnapMM(LeftMargin(), CX));
    SetRightMargin(SnapMM(RightMargin(), CX));
    SetTopMargin(SnapMM(TopMargin(), CY));
    SetBottomMargin(SnapMM(BottomMargin(), CY));
    FSnapping = false;
}

void TqdzDMPPage::SetPaperHeight(double Value)
{
    TqdzReportPage::SetPaperHeight(Value);
    SnapToGrid();
}

void TqdzDMPPage::SetPaperWidth(double Value)
{
    TqdzReportPage::SetPaperWidth(Value);
    SnapToGrid();
}

void TqdzDMPPage::SetPaperSize(int Value)
{
    TqdzReportPage::SetPaperSize(Value);
    SnapToGrid();
}

void TqdzDMPPage::SetDefaults()
{
    TqdzReportPage::SetDefaults();
    SnapToGrid();
}

void TqdzDMPPage::SetFontStyle(TqdzDMPFontStyles Value)
{
    FFontStyle = Value;
    qdzApplyDMPFont(Font(), FFontStyle);
    TList *all = AllObjects();
    std::vector<TqdzComponent *> objects;
    for (int i = 0; i < all->Count(); ++i)
        objects.push_back(static_cast<TqdzComponent *>(all->Items(i)));
    for (TqdzComponent *c : objects)
        if (c->ParentFont())
            c->SetParentFont(true);
}

// ------------------------------------------------------------ registration

void qdzRegisterDMPObjects()
{
    RegisterClass(TqdzDMPPage::StaticClass());
    RegisterObject(TqdzDMPMemoView::StaticClass(), nullptr, qdzCategoryDotMatrix, 2);
    RegisterObject(TqdzDMPLineView::StaticClass(), nullptr, qdzCategoryDotMatrix, 5);
    RegisterObject(TqdzDMPCommand::StaticClass(), nullptr, qdzCategoryDotMatrix, 21);
}

void qdzUnregisterDMPObjects()
{
    UnregisterObject(TqdzDMPMemoView::StaticClass());
    UnregisterObject(TqdzDMPLineView::StaticClass());
    UnregisterObject(TqdzDMPCommand::StaticClass());
}
