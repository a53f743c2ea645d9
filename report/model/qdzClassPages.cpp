// Pages of a report: printable report pages with paper, margins and
// columns, dialog pages that become forms, the data page, and the controls
// placed on dialog pages.
#include "qdzClass.h"
#include "qdzClassViews.h"

#include "platform/Colors.h"
#include "platform/SysUtils.h"
#include "qdzRes.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QMutexLocker>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <utility>

TqdzPaperHooks &qdzPaperHooks()
{
    static TqdzPaperHooks Hooks;
    return Hooks;
}

// ------------------------------------------------------------ TqdzReportPage

STATION_PUBLISHED(TqdzReportPage)
{
    using C = TqdzReportPage;
    P.Prop("Orientation", &C::Orientation, &C::SetOrientation).Default(poPortrait);
    P.Prop("PaperWidth", &C::PaperWidth, &C::SetPaperWidth).Type(TypeInfoExtended());
    P.Prop("PaperHeight", &C::PaperHeight, &C::SetPaperHeight).Type(TypeInfoExtended());
    // Always written: it comes after the width and height, which make the
    // paper custom while a template is read.
    P.Prop("PaperSize", &C::PaperSize, &C::SetPaperSize);
    P.Prop("LeftMargin", &C::LeftMargin, &C::SetLeftMargin).Type(TypeInfoExtended());
    P.Prop("RightMargin", &C::RightMargin, &C::SetRightMargin).Type(TypeInfoExtended());
    P.Prop("TopMargin", &C::TopMargin, &C::SetTopMargin).Type(TypeInfoExtended());
    P.Prop("BottomMargin", &C::BottomMargin, &C::SetBottomMargin).Type(TypeInfoExtended());
    P.Prop("MirrorMargins", &C::MirrorMargins, &C::SetMirrorMargins).Default(false);
    P.Prop("Columns", &C::Columns, &C::SetColumns).Default(0);
    P.Prop("ColumnWidth", &C::ColumnWidth, &C::SetColumnWidth).Type(TypeInfoExtended());
    P.Prop("ColumnPositions", &C::ColumnPositions, &C::SetColumnPositions);
    P.Prop("Bin", &C::Bin, &C::SetBin).Default(7);
    P.Prop("BinOtherPages", &C::BinOtherPages, &C::SetBinOtherPages).Default(7);
    P.Prop("BackPicture", &C::BackPicture, &C::SetBackPicture);
    P.Prop("BackPictureVisible", &C::BackPictureVisible, &C::SetBackPictureVisible).Default(true);
    P.Prop("BackPicturePrintable", &C::BackPicturePrintable, &C::SetBackPicturePrintable).Default(true);
    P.Prop("PageCount", &C::PageCount, &C::SetPageCount).Default(1);
    P.Prop("Color", &C::Color, &C::SetColor).Type(TypeInfoTColor()).Default(0x1FFFFFFF);
    P.Prop("Frame", &C::Frame, &C::SetFrame);
    P.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    P.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    P.Prop("Duplex", &C::Duplex, &C::SetDuplex).Default(dmNone);
    P.Prop("EndlessHeight", &C::EndlessHeight, &C::SetEndlessHeight).Default(false);
    P.Prop("EndlessWidth", &C::EndlessWidth, &C::SetEndlessWidth).Default(false);
    P.Prop("LargeDesignHeight", &C::LargeDesignHeight, &C::SetLargeDesignHeight).Default(false);
    P.Prop("OutlineText", &C::OutlineText, &C::SetOutlineText);
    P.Prop("PrintIfEmpty", &C::PrintIfEmpty, &C::SetPrintIfEmpty).Default(true);
    P.Prop("PrintOnPreviousPage", &C::PrintOnPreviousPage, &C::SetPrintOnPreviousPage).Default(false);
    P.Prop("ResetPageNumbers", &C::ResetPageNumbers, &C::SetResetPageNumbers).Default(false);
    P.Prop("TitleBeforeHeader", &C::TitleBeforeHeader, &C::SetTitleBeforeHeader).Default(true);
    P.Prop("HGuides", &C::HGuides, &C::SetHGuides);
    P.Prop("VGuides", &C::VGuides, &C::SetVGuides);
    P.Prop("OnAfterPrint", &C::OnAfterPrint, &C::SetOnAfterPrint);
    P.Prop("OnBeforePrint", &C::OnBeforePrint, &C::SetOnBeforePrint);
    P.Prop("OnManualBuild", &C::OnManualBuild, &C::SetOnManualBuild);
}

TqdzReportPage::TqdzReportPage(TComponent *AOwner)
    : TqdzPage(AOwner), FColumnPositions(std::make_unique<TStringList>()),
      FPictureView(std::make_unique<TqdzPictureView>(nullptr)), FHGuides(std::make_unique<TStringList>()),
      FVGuides(std::make_unique<TStringList>())
{
    SetBaseName(QStringLiteral("Page"));
    SetPaperSize(9);
}

TqdzReportPage::~TqdzReportPage()
{
    // Before the children go: a subreport on this very page must not reach
    // back into it.
    for (TqdzSubreport *s : std::exchange(FNamedBy, {}))
        s->FPage = nullptr;
    FSubReport = nullptr;
}

QString TqdzReportPage::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obRepPage"));
}

void TqdzReportPage::UpdateDimensions()
{
    SetWidth(Round(FPaperWidth * qdzPixelsPerMM));
    SetHeight(Round(FPaperHeight * qdzPixelsPerMM));
}

void TqdzReportPage::SetPaperDimensions(double Width, double Height)
{
    FPaperWidth = Width;
    FPaperHeight = Height;
    UpdateDimensions();
}

namespace {

double PaperSide(double Value)
{
    if (!std::isfinite(Value))
        return 0;
    return std::round(std::clamp(Value, 0.0, qdzMaxPaperSize) * 1e8) / 1e8;
}

} // namespace

void TqdzReportPage::SetPaperHeight(double Value)
{
    FPaperHeight = PaperSide(Value);
    FPaperSize = 256;
    UpdateDimensions();
}

void TqdzReportPage::SetPaperWidth(double Value)
{
    FPaperWidth = PaperSide(Value);
    FPaperSize = 256;
    UpdateDimensions();
}

void TqdzReportPage::SetPaperSize(int Value)
{
    FPaperSize = Value;
    double w = 0, h = 0;
    if (Value < 256 && qdzPaperHooks().PaperSize && qdzPaperHooks().PaperSize(Value, w, h)) {
        if (FOrientation == poLandscape)
            std::swap(w, h);
        FPaperWidth = w;
        FPaperHeight = h;
        UpdateDimensions();
    }
}

void TqdzReportPage::SetDefaults()
{
    FLeftMargin = FRightMargin = FTopMargin = FBottomMargin = 10;
    int size = 0;
    double w = 0, h = 0;
    bool landscape = false;
    if (qdzPaperHooks().DefaultPaper && qdzPaperHooks().DefaultPaper(size, w, h, landscape)) {
        FPaperSize = size;
        FPaperWidth = w;
        FPaperHeight = h;
        FOrientation = landscape ? poLandscape : poPortrait;
    }
    UpdateDimensions();
}

void TqdzReportPage::SetOrientation(TPrinterOrientation Value)
{
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    std::swap(FPaperWidth, FPaperHeight);
    const double l = FLeftMargin, r = FRightMargin, t = FTopMargin, b = FBottomMargin;
    if (Value == poLandscape) {
        FLeftMargin = t;
        FRightMargin = b;
        FTopMargin = r;
        FBottomMargin = l;
    } else {
        FLeftMargin = b;
        FRightMargin = t;
        FTopMargin = l;
        FBottomMargin = r;
    }
    UpdateDimensions();
}

void TqdzReportPage::SetColumns(int Value)
{
    // A template may ask for any number; each column is a list entry and a
    // pass of the engine, so the count is bounded.
    Value = std::clamp(Value, 0, qdzMaxColumns);
    FColumns = Value;
    FColumnPositions->Clear();
    if (Value <= 0)
        return;
    FColumnWidth = (FPaperWidth - FLeftMargin - FRightMargin) / Value;
    for (int i = 0; i < Value; ++i)
        FColumnPositions->Add(FloatToStr(i * FColumnWidth));
}

TPicture *TqdzReportPage::BackPicture() const
{
    return FPictureView->Picture();
}

void TqdzReportPage::SetBackPicture(TPicture *Value)
{
    FPictureView->SetPicture(Value);
}

TColor TqdzReportPage::Color() const
{
    return FPictureView->Color();
}

void TqdzReportPage::SetColor(TColor Value)
{
    FPictureView->SetColor(Value);
}

TqdzFrame *TqdzReportPage::Frame() const
{
    return FPictureView->Frame();
}

void TqdzReportPage::SetFrame(TqdzFrame *Value)
{
    FPictureView->SetFrame(Value);
}

void TqdzReportPage::DrawBackground(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (!Canvas || !FBackPictureVisible)
        return;
    QPaintDevice *d = Canvas->Device();
    if (!d && Canvas->HandleAllocated())
        d = Canvas->Handle()->device();
    if (d && d->devType() == QInternal::Printer && !FBackPicturePrintable)
        return;
    FPictureView->SetBounds(0, 0, (FPaperWidth - FLeftMargin - FRightMargin) * qdzPixelsPerMM,
                            (FPaperHeight - FTopMargin - FBottomMargin) * qdzPixelsPerMM);
    FPictureView->Draw(Canvas, ScaleX, ScaleY, OffsetX + FLeftMargin * qdzPixelsPerMM * ScaleX,
                       OffsetY + FTopMargin * qdzPixelsPerMM * ScaleY);
}

void TqdzReportPage::SetPageCount(int Value)
{
    if (Value > 0)
        FPageCount = Value;
}

void TqdzReportPage::SetDataSet(TqdzDataSet *Value)
{
    FDataSet = Value;
    if (Value) {
        FDataSetName = Value->UserName();
        FreeNotification(Value);
    }
}

QString TqdzReportPage::DataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TqdzReportPage::SetDataSetName(const QString &Value)
{
    FDataSetName = Value;
    if (Value.isEmpty()) {
        FDataSet = nullptr;
        return;
    }
    if (TqdzDataSet *ds = qdzFindDataSet(this, FDataSet, Value)) {
        FDataSet = ds;
        FreeNotification(ds);
    }
}

void TqdzReportPage::Notification(TComponent *AComponent, TOperation Operation)
{
    TqdzPage::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataSet && AComponent == static_cast<TComponent *>(FDataSet))
        FDataSet = nullptr;
    // The subreport that showed this page is gone.
    if (Operation == opRemove && FSubReport && AComponent == static_cast<TComponent *>(FSubReport))
        FSubReport = nullptr;
}

TqdzBand *TqdzReportPage::FindBand(TClass BandClass) const
{
    TList *children = Objects();
    for (int i = 0; i < children->Count(); ++i) {
        auto *c = static_cast<TqdzComponent *>(children->Items(i));
        if (c->InheritsFrom(BandClass))
            if (auto *b = dynamic_cast<TqdzBand *>(c))
                return b;
    }
    return nullptr;
}

void TqdzReportPage::AlignChildren()
{
    const double printableWidth = (FPaperWidth - FLeftMargin - FRightMargin) * qdzPixelsPerMM;
    const double printableHeight = (FPaperHeight - FTopMargin - FBottomMargin) * qdzPixelsPerMM;
    SetWidth(printableWidth);
    SetHeight(printableHeight);
    TqdzPage::AlignChildren();
    TList *children = Objects();
    for (int i = 0; i < children->Count(); ++i) {
        auto *band = dynamic_cast<TqdzBand *>(static_cast<TqdzComponent *>(children->Items(i)));
        if (!band)
            continue;
        if (band->Vertical())
            band->SetHeight(printableHeight - band->Top());
        else if (FColumns > 1 && !dynamic_cast<TqdzReportTitle *>(band) && !dynamic_cast<TqdzReportSummary *>(band)
                 && !dynamic_cast<TqdzPageHeader *>(band) && !dynamic_cast<TqdzPageFooter *>(band)
                 && !dynamic_cast<TqdzOverlay *>(band) && !dynamic_cast<TqdzNullBand *>(band))
            band->SetWidth(FColumnWidth * qdzPixelsPerMM);
        else
            band->SetWidth(Width() - band->Left());
        band->AlignChildren();
    }
    UpdateDimensions();
}

// ------------------------------------------------------------ TqdzDialogPage

STATION_PUBLISHED(TqdzDialogPage)
{
    using C = TqdzDialogPage;
    P.Prop("BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(bsSizeable);
    P.Prop("Caption", &C::Caption, &C::SetCaption);
    P.Prop("Color", &C::Color, &C::SetColor).Type(TypeInfoTColor()).Default(clBtnFace);
    P.Prop("Height", &C::Height, &C::SetHeight).Type(TypeInfoExtended());
    P.Prop("ClientHeight", &C::ClientHeight, &C::SetClientHeight);
    P.Prop("Left", &C::Left, &C::SetLeft).Type(TypeInfoExtended());
    P.Prop("Position", &C::Position, &C::SetPosition).Default(poScreenCenter);
    P.Prop("Top", &C::Top, &C::SetTop).Type(TypeInfoExtended());
    P.Prop("Width", &C::Width, &C::SetWidth).Type(TypeInfoExtended());
    P.Prop("ClientWidth", &C::ClientWidth, &C::SetClientWidth);
    P.Prop("WindowState", &C::WindowState, &C::SetWindowState).Default(wsNormal);
    P.Prop("OnActivate", &C::OnActivate, &C::SetOnActivate);
    P.Prop("OnClick", &C::OnClick, &C::SetOnClick);
    P.Prop("OnCloseQuery", &C::OnCloseQuery, &C::SetOnCloseQuery);
    P.Prop("OnDeactivate", &C::OnDeactivate, &C::SetOnDeactivate);
    P.Prop("OnHide", &C::OnHide, &C::SetOnHide);
    P.Prop("OnKeyDown", &C::OnKeyDown, &C::SetOnKeyDown);
    P.Prop("OnKeyPress", &C::OnKeyPress, &C::SetOnKeyPress);
    P.Prop("OnKeyUp", &C::OnKeyUp, &C::SetOnKeyUp);
    P.Prop("OnShow", &C::OnShow, &C::SetOnShow);
    P.Prop("OnResize", &C::OnResize, &C::SetOnResize);
}

namespace {

std::unique_ptr<TForm> NewDialogForm(TqdzDialogPage *Page)
{
    // Without the windows layer the page has no form: the engine alone
    // creates no widget.
    if (auto create = qdzBuildFactories().CreateDialogForm)
        return std::unique_ptr<TForm>(create(Page));
    return nullptr;
}

} // namespace

TqdzDialogPage::TqdzDialogPage(TComponent *AOwner) : TqdzPage(AOwner), FForm(NewDialogForm(this))
{
    if (FForm) {
        FForm->SetBorderStyle(FBorderStyle);
        FForm->SetColor(FColor);
        FClientWidth = FForm->ClientWidth();
        FClientHeight = FForm->ClientHeight();
    }
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
}

TqdzDialogPage::~TqdzDialogPage()
{
    QMutexLocker lock(qdzEngineLock());
    // The controls on the form go first, while the form is still there.
    Clear();
    FForm.reset();
}

QString TqdzDialogPage::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obDlgPage"));
}

void TqdzDialogPage::FontChanged(TObject *Sender)
{
    TqdzPage::FontChanged(Sender);
    if (FForm)
        FForm->SetFont(Font());
}

QString TqdzDialogPage::NoWindowsError() const
{
    return QStringLiteral("The dialog page %1 cannot be shown: the report has no windows").arg(Name());
}

int TqdzDialogPage::ShowModal()
{
    if (!FForm)
        throw Exception(NoWindowsError());
    FForm->SetPosition(FPosition);
    FForm->SetWindowState(FWindowState);
    FForm->SetBorderStyle(FBorderStyle);
    FForm->BringToFront();
    return FForm->ShowModal();
}

int TqdzDialogPage::GetModalResult() const
{
    return FForm ? FForm->ModalResult() : int(mrNone);
}

void TqdzDialogPage::SetBorderStyle(TFormBorderStyle Value)
{
    FBorderStyle = Value;
    if (FForm)
        FForm->SetBorderStyle(Value);
}

void TqdzDialogPage::SetCaption(const QString &Value)
{
    FCaption = Value;
    if (FForm)
        FForm->SetCaption(Value);
}

void TqdzDialogPage::SetColor(TColor Value)
{
    FColor = Value;
    if (FForm)
        FForm->SetColor(Value);
}

int TqdzDialogPage::ClientWidth() const
{
    return FForm ? FForm->ClientWidth() : FClientWidth;
}

void TqdzDialogPage::SetClientWidth(int Value)
{
    FClientWidth = Value;
    if (FForm)
        FForm->SetClientWidth(Value);
}

int TqdzDialogPage::ClientHeight() const
{
    return FForm ? FForm->ClientHeight() : FClientHeight;
}

void TqdzDialogPage::SetClientHeight(int Value)
{
    FClientHeight = Value;
    if (FForm)
        FForm->SetClientHeight(Value);
}

// -------------------------------------------------------------- TqdzDataPage

STATION_PUBLISHED(TqdzDataPage)
{
    P.Prop("Left", &TqdzDataPage::Left, &TqdzDataPage::SetLeft).Type(TypeInfoExtended());
    P.Prop("Top", &TqdzDataPage::Top, &TqdzDataPage::SetTop).Type(TypeInfoExtended());
    P.Prop("Width", &TqdzDataPage::Width, &TqdzDataPage::SetWidth).Type(TypeInfoExtended());
    P.Prop("Height", &TqdzDataPage::Height, &TqdzDataPage::SetHeight).Type(TypeInfoExtended());
}

TqdzDataPage::TqdzDataPage(TComponent *AOwner) : TqdzPage(AOwner) {}

QString TqdzDataPage::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obDataPage"));
}

TqdzDataPage *qdzCheckDataPage(TqdzReport *Report)
{
    TqdzDataPage *data = nullptr;
    TList *pages = Report->Objects();
    for (int i = 0; i < pages->Count() && !data; ++i)
        data = dynamic_cast<TqdzDataPage *>(static_cast<TqdzComponent *>(pages->Items(i)));
    if (!data) {
        data = new TqdzDataPage(Report);
        if (Report->FindObject(QStringLiteral("Data")))
            data->CreateUniqueName();
        else
            data->SetName(QStringLiteral("Data"));
    }
    std::vector<TqdzComponent *> moving;
    for (int i = 0; i < pages->Count(); ++i) {
        auto *page = dynamic_cast<TqdzReportPage *>(static_cast<TqdzComponent *>(pages->Items(i)));
        if (!page)
            continue;
        TList *children = page->Objects();
        for (int j = 0; j < children->Count(); ++j)
            if (auto *dc = dynamic_cast<TqdzDialogComponent *>(static_cast<TqdzComponent *>(children->Items(j))))
                moving.push_back(dc);
    }
    for (TqdzComponent *c : moving)
        c->SetParent(data);
    return data;
}

// --------------------------------------------------------- TqdzDialogControl

namespace {

// Holds the controls that are on no dialog page.
TForm *HiddenParentForm()
{
    static TForm *Form = new TForm(nullptr);
    return Form;
}

} // namespace

STATION_PUBLISHED(TqdzDialogControl)
{
    using C = TqdzDialogControl;
    P.Prop("Left", &C::Left, &C::SetLeft).Type(TypeInfoExtended());
    P.Prop("Top", &C::Top, &C::SetTop).Type(TypeInfoExtended());
    P.Prop("Width", &C::Width, &C::SetWidth).Type(TypeInfoExtended());
    P.Prop("Height", &C::Height, &C::SetHeight).Type(TypeInfoExtended());
    P.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    P.Prop("GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Default(0);
    P.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    P.Prop("Enabled", &C::Enabled, &C::SetEnabled).Default(true);
    P.Prop("Hint", &C::Hint, &C::SetHint);
    P.Prop("ShowHint", &C::ShowHint, &C::SetShowHint).Default(false);
    P.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);
}

TqdzDialogControl::TqdzDialogControl(TComponent *AOwner) : TqdzReportComponent(AOwner) {}

TqdzDialogControl::~TqdzDialogControl()
{
    if (FControl)
        FControl->SetParent(nullptr);
}

void TqdzDialogControl::SetControl(TControl *Value)
{
    FControl.reset(Value);
    UpdateControl();
}

void TqdzDialogControl::UpdateControl()
{
    if (!FControl)
        return;
    auto *page = dynamic_cast<TqdzDialogPage *>(Parent());
    FControl->SetParent(page ? page->Form() : HiddenParentForm());
    FControl->SetBounds(Round(Left()), Round(Top()), Round(Width()), Round(Height()));
    FControl->SetFont(Font());
    FControl->SetEnabled(FEnabled);
    FControl->SetHint(FHint);
    FControl->SetShowHint(FShowHint);
    FControl->SetVisible(Visible());
}

void TqdzDialogControl::SetParent(TqdzComponent *AParent)
{
    TqdzReportComponent::SetParent(AParent);
    UpdateControl();
}

void TqdzDialogControl::SetLeft(double Value)
{
    TqdzReportComponent::SetLeft(Value);
    UpdateControl();
}

void TqdzDialogControl::SetTop(double Value)
{
    TqdzReportComponent::SetTop(Value);
    UpdateControl();
}

void TqdzDialogControl::SetWidth(double Value)
{
    TqdzReportComponent::SetWidth(Value);
    UpdateControl();
}

void TqdzDialogControl::SetHeight(double Value)
{
    TqdzReportComponent::SetHeight(Value);
    UpdateControl();
}

void TqdzDialogControl::SetVisible(bool Value)
{
    TqdzReportComponent::SetVisible(Value);
    UpdateControl();
}

void TqdzDialogControl::SetParentFont(bool Value)
{
    TqdzReportComponent::SetParentFont(Value);
    UpdateControl();
}

void TqdzDialogControl::FontChanged(TObject *Sender)
{
    TqdzReportComponent::FontChanged(Sender);
    UpdateControl();
}

void TqdzDialogControl::SetEnabled(bool Value)
{
    FEnabled = Value;
    UpdateControl();
}

void TqdzDialogControl::SetHint(const QString &Value)
{
    FHint = Value;
    UpdateControl();
}

void TqdzDialogControl::SetShowHint(bool Value)
{
    FShowHint = Value;
    UpdateControl();
}

void TqdzDialogControl::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    const int w = Round(Width());
    const int h = Round(Height());
    if (!FControl || w <= 0 || h <= 0)
        return;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ColorToQColor(clBtnFace));
    if (QWidget *widget = FControl->Widget())
        widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const int x = Round(AbsLeft() * ScaleX + OffsetX);
    const int y = Round(AbsTop() * ScaleY + OffsetY);
    Canvas->DrawImage(Rect(x, y, x + w, y + h), image, image.rect());
}
