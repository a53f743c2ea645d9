// Small report classes registered for the tests of the component tree and template format.
#include "test_serializer_classes.h"

#include "platform/Exceptions.h"

// ------------------------------------------------------------------ frame

STATION_PUBLISHED(TqdzTestFrame)
{
    P.Prop("Color", &TqdzTestFrame::Color, &TqdzTestFrame::SetColor).Default(0);
    P.Prop("Typ", &TqdzTestFrame::Typ, &TqdzTestFrame::SetTyp).Default(TqdzTestFrameTypes());
    P.Prop("Width", &TqdzTestFrame::Width, &TqdzTestFrame::SetWidth).Stored(&TqdzTestFrame::IsWidthStored);
}

void TqdzTestFrame::Assign(TPersistent *Source)
{
    if (auto *f = dynamic_cast<TqdzTestFrame *>(Source)) {
        FTyp = f->FTyp;
        FWidth = f->FWidth;
        FColor = f->FColor;
        return;
    }
    TPersistent::Assign(Source);
}

// ------------------------------------------------------------------- item

STATION_PUBLISHED(TqdzTestItem)
{
    P.Prop("Caption", &TqdzTestItem::Caption, &TqdzTestItem::SetCaption);
    P.Prop("Value", &TqdzTestItem::Value, &TqdzTestItem::SetValue).Default(0);
    P.Prop("Target", &TqdzTestItem::Target, &TqdzTestItem::SetTarget);
}

// ----------------------------------------------------------------- report

STATION_PUBLISHED(TqdzTestReport)
{
    P.Prop("Title", &TqdzTestReport::Title, &TqdzTestReport::SetTitle);
}

TqdzTestReport::TqdzTestReport(TComponent *AOwner)
    : TqdzReport(AOwner), FItems(std::make_unique<TCollection>(TqdzTestItem::StaticClass()))
{
}

TqdzTestReport::~TqdzTestReport()
{
    // The items refer to objects of the tree: they go first.
    FItems->Clear();
}

void TqdzTestReport::DefineProperties(TFiler *Filer)
{
    TqdzReport::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("Items"), [this](TReader *Reader) { ReadCollection(FItems.get(), Reader, this); },
        [this](TWriter *Writer) { WriteCollection(FItems.get(), Writer, this); }, FItems->Count() > 0);
}

// ------------------------------------------------------------------- page

STATION_PUBLISHED(TqdzTestPage)
{
    P.Prop("Guides", &TqdzTestPage::Guides, &TqdzTestPage::SetGuides);
    P.Prop("PaperWidth", &TqdzTestPage::PaperWidth, &TqdzTestPage::SetPaperWidth);
    P.Prop("OnBeforePrint", &TqdzTestPage::OnBeforePrint, &TqdzTestPage::SetOnBeforePrint);
}

TqdzTestPage::TqdzTestPage(TComponent *AOwner) : TqdzPage(AOwner), FGuides(std::make_unique<TStringList>()) {}

TqdzTestPage::~TqdzTestPage() = default;

// ------------------------------------------------------------------- band

STATION_PUBLISHED(TqdzTestBand)
{
    P.Prop("Child", &TqdzTestBand::Child, &TqdzTestBand::SetChild);
    P.Prop("Font", &TqdzTestBand::Font, &TqdzTestBand::SetFont).Stored(&TqdzTestBand::IsFontStored);
    P.Prop("Height", &TqdzTestBand::Height, &TqdzTestBand::SetHeight).Type(TypeInfoExtended());
    P.Prop("Left", &TqdzTestBand::Left, &TqdzTestBand::SetLeft).Type(TypeInfoExtended());
    P.Prop("ParentFont", &TqdzTestBand::ParentFont, &TqdzTestBand::SetParentFont).Default(true);
    P.Prop("Stretched", &TqdzTestBand::Stretched, &TqdzTestBand::SetStretched).Default(false);
    P.Prop("Top", &TqdzTestBand::Top, &TqdzTestBand::SetTop).Type(TypeInfoExtended());
    P.Prop("Visible", &TqdzTestBand::Visible, &TqdzTestBand::SetVisible).Default(true);
    P.Prop("Width", &TqdzTestBand::Width, &TqdzTestBand::SetWidth).Type(TypeInfoExtended());
}

TqdzTestBand::TqdzTestBand(TComponent *AOwner) : TqdzBand(AOwner) {}

TqdzTestBand::~TqdzTestBand() = default;

void TqdzTestBand::SetChild(TqdzTestBand *Value)
{
    for (TqdzTestBand *b = Value; b; b = b->FChild)
        if (b == this)
            throw Exception(QStringLiteral("Circular child reference is not allowed"));
    FChild = Value;
}

void TqdzTestBand::Loaded()
{
    ++LoadedCalls;
    LoadingSeenInLoaded = IsLoading();
    ChildSeenInLoaded = FChild;
    TqdzBand::Loaded();
}

void TqdzTestBand::Notification(TComponent *AComponent, TOperation Operation)
{
    TqdzBand::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FChild)
        FChild = nullptr;
}

// ------------------------------------------------------------------- memo

STATION_PUBLISHED(TqdzTestMemoView)
{
    P.Prop("Align", &TqdzTestMemoView::Align, &TqdzTestMemoView::SetAlign).Default(baNone);
    P.Prop("AutoWidth", &TqdzTestMemoView::AutoWidth, &TqdzTestMemoView::SetAutoWidth).Default(false);
    P.Prop("Data", &TqdzTestMemoView::Data, &TqdzTestMemoView::SetData);
    P.Prop("Font", &TqdzTestMemoView::Font, &TqdzTestMemoView::SetFont).Stored(&TqdzTestMemoView::IsFontStored);
    P.Prop("Frame", &TqdzTestMemoView::Frame, &TqdzTestMemoView::SetFrame);
    P.Prop("GapX", &TqdzTestMemoView::GapX, &TqdzTestMemoView::SetGapX).Stored(&TqdzTestMemoView::IsGapXStored);
    P.Prop("HAlign", &TqdzTestMemoView::HAlign, &TqdzTestMemoView::SetHAlign).Default(thaLeft);
    P.Prop("Height", &TqdzTestMemoView::Height, &TqdzTestMemoView::SetHeight).Type(TypeInfoExtended());
    P.Prop("Hint", &TqdzTestMemoView::Hint, &TqdzTestMemoView::SetHint);
    P.Prop("Left", &TqdzTestMemoView::Left, &TqdzTestMemoView::SetLeft).Type(TypeInfoExtended());
    P.Prop("LineCount", &TqdzTestMemoView::LineCount);
    P.Prop("Lines", &TqdzTestMemoView::Lines, &TqdzTestMemoView::SetLines);
    P.Prop("Link", &TqdzTestMemoView::Link, &TqdzTestMemoView::SetLink);
    P.Prop("Mark", &TqdzTestMemoView::Mark, &TqdzTestMemoView::SetMark).Default(QChar(0));
    P.Prop("Memo", &TqdzTestMemoView::Memo, &TqdzTestMemoView::SetMemo);
    P.Prop("ParentFont", &TqdzTestMemoView::ParentFont, &TqdzTestMemoView::SetParentFont).Default(true);
    P.Prop("Restrictions", &TqdzTestMemoView::Restrictions, &TqdzTestMemoView::SetRestrictions)
        .Default(TqdzRestrictions());
    P.Prop("Top", &TqdzTestMemoView::Top, &TqdzTestMemoView::SetTop).Type(TypeInfoExtended());
    P.Prop("Visible", &TqdzTestMemoView::Visible, &TqdzTestMemoView::SetVisible).Default(true);
    P.Prop("Width", &TqdzTestMemoView::Width, &TqdzTestMemoView::SetWidth).Type(TypeInfoExtended());
}

TqdzTestMemoView::TqdzTestMemoView(TComponent *AOwner)
    : TqdzCustomMemoView(AOwner), FFrame(std::make_unique<TqdzTestFrame>()), FLines(std::make_unique<TStringList>())
{
}

TqdzTestMemoView::~TqdzTestMemoView() = default;

void TqdzTestMemoView::Draw(TCanvas *, double, double, double, double) {}

void TqdzTestMemoView::SetLink(TqdzComponent *Value)
{
    FLink = Value;
}

void TqdzTestMemoView::DefineProperties(TFiler *Filer)
{
    TqdzCustomMemoView::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("Extra"),
        [this](TReader *Reader) {
            Reader->ReadListBegin();
            Extra = Reader->ReadBinary();
            ExtraText = Reader->ReadString();
            Reader->ReadListEnd();
        },
        [this](TWriter *Writer) {
            Writer->WriteListBegin();
            Writer->WriteBinary(Extra);
            Writer->WriteString(ExtraText);
            Writer->WriteListEnd();
        },
        !Extra.isEmpty() || !ExtraText.isEmpty());
}

void TqdzTestMemoView::Notification(TComponent *AComponent, TOperation Operation)
{
    TqdzCustomMemoView::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FLink)
        FLink = nullptr;
}

// ---------------------------------------------------------------- helpers

void RegisterTestReportClasses()
{
    static const bool Done = [] {
        RegisterClasses({TqdzTestReport::StaticClass(), TqdzTestPage::StaticClass(), TqdzTestBand::StaticClass(),
                         TqdzTestMemoView::StaticClass(), TqdzTestFrame::StaticClass(),
                         TqdzTestItem::StaticClass()});
        return true;
    }();
    (void)Done;
}

QByteArray SaveTemplate(TqdzComponent *Root, bool SaveDefaultValues)
{
    TMemoryStream s;
    Root->SaveToStream(&s, true, false, SaveDefaultValues);
    return QByteArray(static_cast<const char *>(s.Memory()), qsizetype(s.Size()));
}

void LoadTemplate(TqdzComponent *Root, const QByteArray &Text)
{
    TStringStream s(Text);
    Root->LoadFromStream(&s);
}
