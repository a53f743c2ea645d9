// Small report classes registered for the tests of the component tree and
// the template format: a report with a collection stored as defined data, a
// page-like and a band-like container, and a memo-like view with a font, a
// frame, a string list, an enumeration, a set, floats, a reference, a
// variant and a defined property.
#pragma once
#include "platform/Classes.h"
#include "platform/Collection.h"
#include "platform/Filer.h"
#include "platform/Variants.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzWideStrings.h"
#include "report/model/qdzXMLSerializer.h"

#include <QByteArray>
#include <QString>
#include <memory>

STATION_DECLARE_ENUM(TqdzTestFrameType, tftLeft, tftRight, tftTop, tftBottom)
STATION_DECLARE_SET(TqdzTestFrameTypes, TqdzTestFrameType)
STATION_DECLARE_ENUM(TqdzTestHAlign, thaLeft, thaRight, thaCenter, thaBlock)

class TqdzTestFrame : public TPersistent
{
    STATION_CLASS(TqdzTestFrame, TPersistent)
public:
    TqdzTestFrame() = default;
    void Assign(TPersistent *Source) override;

    TqdzTestFrameTypes Typ() const { return FTyp; }
    void SetTyp(TqdzTestFrameTypes Value) { FTyp = Value; }
    double Width() const { return FWidth; }
    void SetWidth(double Value) { FWidth = Value; }
    int Color() const { return FColor; }
    void SetColor(int Value) { FColor = Value; }
    bool IsWidthStored() const { return FWidth != 1; }

private:
    TqdzTestFrameTypes FTyp;
    double FWidth = 1;
    int FColor = 0;
};

// A collection item held in the report's defined data.
class TqdzTestItem : public TCollectionItem
{
    STATION_CLASS(TqdzTestItem, TCollectionItem)
public:
    explicit TqdzTestItem(TCollection *Collection) : TCollectionItem(Collection) {}

    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &Value) { FCaption = Value; }
    int Value() const { return FValue; }
    void SetValue(int Value) { FValue = Value; }
    TqdzComponent *Target() const { return FTarget; }
    void SetTarget(TqdzComponent *Value) { FTarget = Value; }

private:
    QString FCaption;
    int FValue = 0;
    TqdzComponent *FTarget = nullptr;
};

class TqdzTestReport : public TqdzReport
{
    STATION_CLASS(TqdzTestReport, TqdzReport)
public:
    explicit TqdzTestReport(TComponent *AOwner);
    ~TqdzTestReport() override;

    TCollection *Items() const { return FItems.get(); }
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &Value) { FTitle = Value; }
    // Templates read as the component tree reads them, without what the
    // report object adds (data page, options kept, errors shown).
    void LoadFromStream(TStream *Stream) override { TqdzComponent::LoadFromStream(Stream); }
    int LoadedCalls = 0;
    void Loaded() override
    {
        ++LoadedCalls;
        TqdzReport::Loaded();
    }

protected:
    void DefineProperties(TFiler *Filer) override;

private:
    std::unique_ptr<TCollection> FItems;
    QString FTitle;
};

class TqdzTestPage : public TqdzPage
{
    STATION_CLASS(TqdzTestPage, TqdzPage)
public:
    explicit TqdzTestPage(TComponent *AOwner);
    ~TqdzTestPage() override;

    TStringList *Guides() const { return FGuides.get(); }
    void SetGuides(TStringList *Value) { FGuides->Assign(Value); }
    double PaperWidth() const { return FPaperWidth; }
    void SetPaperWidth(double Value) { FPaperWidth = Value; }
    const QString &OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(const QString &Value) { FOnBeforePrint = Value; }
    // Exposes the class library's ancestor state for the tests.
    void MarkAncestor(bool Value) { SetAncestor(Value); }

private:
    std::unique_ptr<TStringList> FGuides;
    double FPaperWidth = 210;
    QString FOnBeforePrint;
};

class TqdzTestBand : public TqdzBand
{
    STATION_CLASS(TqdzTestBand, TqdzBand)
public:
    explicit TqdzTestBand(TComponent *AOwner);
    ~TqdzTestBand() override;

    TqdzTestBand *Child() const { return FChild; }
    // A child chain that leads back to this band is refused.
    void SetChild(TqdzTestBand *Value);
    bool Stretched() const { return FStretched; }
    void SetStretched(bool Value) { FStretched = Value; }

    // Templates read as the component tree reads them, without what the
    // report object adds (data page, options kept, errors shown).
    void LoadFromStream(TStream *Stream) override { TqdzComponent::LoadFromStream(Stream); }
    int LoadedCalls = 0;
    bool LoadingSeenInLoaded = false;
    TqdzTestBand *ChildSeenInLoaded = nullptr;
    void Loaded() override;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    TqdzTestBand *FChild = nullptr;
    bool FStretched = false;
};

class TqdzTestMemoView : public TqdzCustomMemoView
{
    STATION_CLASS(TqdzTestMemoView, TqdzCustomMemoView)
public:
    explicit TqdzTestMemoView(TComponent *AOwner);
    ~TqdzTestMemoView() override;

    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

    TqdzTestFrame *Frame() const { return FFrame.get(); }
    void SetFrame(TqdzTestFrame *Value) { FFrame->Assign(Value); }
    TStringList *Lines() const { return FLines.get(); }
    void SetLines(TStringList *Value) { FLines->Assign(Value); }
    TqdzTestHAlign HAlign() const { return FHAlign; }
    void SetHAlign(TqdzTestHAlign Value) { FHAlign = Value; }
    double GapX() const { return FGapX; }
    void SetGapX(double Value) { FGapX = Value; }
    bool IsGapXStored() const { return FGapX != 2; }
    TqdzComponent *Link() const { return FLink; }
    void SetLink(TqdzComponent *Value);
    const QString &Hint() const { return FHint; }
    void SetHint(const QString &Value) { FHint = Value; }
    const Variant &Data() const { return FData; }
    void SetData(const Variant &Value) { FData = Value; }
    int LineCount() const { return Memo()->Count(); }
    QChar Mark() const { return FMark; }
    void SetMark(QChar Value) { FMark = Value; }
    // Defined (non-published) data: written when not empty.
    QByteArray Extra;
    QString ExtraText;

protected:
    void DefineProperties(TFiler *Filer) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    std::unique_ptr<TqdzTestFrame> FFrame;
    std::unique_ptr<TStringList> FLines;
    TqdzTestHAlign FHAlign = thaLeft;
    double FGapX = 2;
    TqdzComponent *FLink = nullptr;
    QString FHint;
    Variant FData;
    QChar FMark;
};

// Registers the test classes once.
void RegisterTestReportClasses();

// Bytes of a template as the report saves it.
QByteArray SaveTemplate(TqdzComponent *Root, bool SaveDefaultValues = false);
// Loads a template text into Root through LoadFromStream.
void LoadTemplate(TqdzComponent *Root, const QByteArray &Text);
