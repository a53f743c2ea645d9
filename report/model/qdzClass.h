#pragma once
// The report's component tree: every object of a report (the report, its
// pages, bands, views, datasets) is a TqdzComponent with a parent, an ordered
// list of children, a position and size in report units (screen pixels at 96
// per inch), a font that may follow the parent's, naming rules and streaming
// in the template format (qdzXMLSerializer). TqdzReportComponent adds what
// the building engine calls to print an object.
//
// The report, page, band, view and memo classes declared here carry only what
// the component tree itself needs of them; their own units fill them in.
#include "platform/Classes.h"
#include "platform/Component.h"
#include "platform/Font.h"
#include "report/model/qdzUtils.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>

class TCanvas;
class TStream;
class TWideStrings;
class TqdzXMLSerializer;
class TqdzPage;
class TqdzReport;

STATION_DECLARE_ENUM(TqdzRestriction, rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit)
STATION_DECLARE_SET(TqdzRestrictions, TqdzRestriction)
STATION_DECLARE_ENUM(TqdzAlign, baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient)

// Component flags (TqdzComponent::Flags).
constexpr quint16 qdzFlagShowInPrepared = 2; // the object is shown in built pages
constexpr quint16 qdzFlagWriteFull = 4;      // the object is written to built pages in full

class TqdzComponent : public TComponent
{
    STATION_CLASS(TqdzComponent, TComponent)
public:
    // When AOwner is a report object, the new object is owned (and freed) by
    // AOwner's report and becomes AOwner's child; otherwise AOwner owns it
    // and it has no parent.
    explicit TqdzComponent(TComponent *AOwner);
    ~TqdzComponent() override;

    // The design-time constructor: the object is marked IsDesigning before
    // its constructors run. DesignCreateFlags() tells those constructors the
    // Flags given here (-1 outside a design-time creation).
    static TqdzComponent *DesignCreate(TClass AClass, TComponent *AOwner, int Flags = 0);

    // Copies a report object through the template format: without children
    // and with default values (Assign), or with them (AssignAll). Other
    // sources are ignored.
    void Assign(TPersistent *Source) override;
    void AssignAll(TqdzComponent *Source);
    // Within a report a name must be unique ("prDupl") and an object of the
    // ancestor report cannot be renamed.
    void SetName(const QString &NewName) override;
    void GetChildren(const TGetChildProc &Proc, TComponent *Root) override;

    virtual void SetParent(TqdzComponent *AParent);
    virtual void SetLeft(double Value);
    virtual void SetTop(double Value);
    virtual void SetWidth(double Value);
    virtual void SetHeight(double Value);
    virtual void SetFont(TFont *Value);
    virtual void SetParentFont(bool Value);
    virtual void SetVisible(bool Value);
    // Change notification of Font.
    virtual void FontChanged(TObject *Sender);
    virtual TList *GetChildObjects();
    // A readable name of the object kind.
    virtual QString GetDescription() const;
    virtual void AlignChildren();
    // Frees the children, except objects in the ancestor state, which are
    // cleared and kept.
    virtual void Clear();
    virtual void LoadFromStream(TStream *Stream);
    virtual void SaveToStream(TStream *Stream, bool SaveChildren = true, bool KeepAncestors = false,
                              bool SaveDefaultValues = false);
    // The short built-page attributes in which this object differs from
    // DefaultObject, each preceded by a space.
    virtual QByteArray DiffAttributes(TqdzComponent *DefaultObject);

    void SetBounds(double ALeft, double ATop, double AWidth, double AHeight);
    TqdzPage *GetPage() const;
    TqdzReport *GetReport() const;
    double AbsLeft() const;
    double AbsTop() const;
    TList *Objects() const { return FObjects.get(); }
    // All descendants, depth first; refilled on each call.
    TList *AllObjects();
    TqdzComponent *FindObject(const QString &s) const;
    void CreateUniqueName();
    // The attribute text of the object as the template format writes it,
    // then, with DefaultObject, a space and DiffAttributes.
    void WriteToPreparedItem(TqdzComponent *DefaultObject, QByteArray &Text);

    TqdzComponent *Parent() const { return FParent; }
    double Left() const { return FLeft; }
    double Top() const { return FTop; }
    double Width() const { return FWidth; }
    double Height() const { return FHeight; }
    TFont *Font() const { return FFont.get(); }
    bool ParentFont() const { return FParentFont; }
    bool Visible() const { return FVisible; }
    TqdzRestrictions Restrictions() const { return FRestrictions; }
    void SetRestrictions(TqdzRestrictions Value) { FRestrictions = Value; }
    bool IsDesigning() const { return FIsDesigning; }
    void SetIsDesigning(bool Value) { FIsDesigning = Value; }
    bool IsLoading() const;
    void SetIsLoading(bool Value) { FIsLoading = Value; }
    bool IsWriting() const { return FIsWriting; }
    void SetIsWriting(bool Value) { FIsWriting = Value; }
    bool IsAncestor() const;
    void SetIsAncestor(bool Value) { FIsAncestor = Value; }
    // The class name without "Tqdz" and "View" unless set otherwise.
    QString BaseName() const;
    void SetBaseName(const QString &Value);
    quint16 Flags() const { return FFlags; }
    void SetFlags(quint16 Value) { FFlags = Value; }
    TqdzComponent *SourceLink() const { return FSourceLink; }
    void SetSourceLink(TqdzComponent *Value) { FSourceLink = Value; }
    const QString &DictName() const { return FDictName; }
    void SetDictName(const QString &Value) { FDictName = Value; }

    // Whether Font is written to templates: not while it follows the parent.
    bool IsFontStored() const { return !FParentFont; }

protected:
    static int DesignCreateFlags();

private:
    void FillAllObjects(TList *List) const;
    TqdzComponent *FindObjectIn(const QString &s) const;

    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TList> FObjects;
    std::unique_ptr<TList> FAllObjects;
    TqdzComponent *FParent = nullptr;
    double FLeft = 0;
    double FTop = 0;
    double FWidth = 0;
    double FHeight = 0;
    bool FParentFont = true;
    bool FIsDesigning = false;
    bool FIsLoading = false;
    bool FIsWriting = false;
    TqdzRestrictions FRestrictions;
    bool FVisible = true;
    bool FIsAncestor = false;
    QString FBaseName;
    bool FBaseNameSet = false;
    quint16 FFlags = 0;
    TqdzComponent *FSourceLink = nullptr;
    QString FDictName;
};

class TqdzReportComponent : public TqdzComponent
{
    STATION_CLASS(TqdzReportComponent, TqdzComponent)
public:
    explicit TqdzReportComponent(TComponent *AOwner);

    const QString &Description() const { return FDescription; }
    void SetDescription(const QString &Value) { FDescription = Value; }

    virtual void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) = 0;
    // The engine calls BeforePrint, GetData and AfterPrint around printing
    // one instance of the object; AfterPrint brings back the bounds that
    // BeforePrint saved, so changes made while printing do not last.
    virtual void BeforePrint();
    virtual void GetData();
    virtual void AfterPrint();
    virtual QString GetComponentText();
    // AbsLeft, AbsTop, AbsLeft + Width, AbsTop + Height.
    virtual TqdzRect GetRect() const;

private:
    QString FDescription;
    double FSavedLeft = 0;
    double FSavedTop = 0;
    double FSavedWidth = 0;
    double FSavedHeight = 0;
};

// The report object: the root of the tree and owner of every object in it.
// Only what the component tree and the template format use is here.
class TqdzReport : public TqdzComponent
{
    STATION_CLASS(TqdzReport, TqdzComponent)
public:
    explicit TqdzReport(TComponent *AOwner);
    ~TqdzReport() override;

    // Messages of the last load or build; sorted, duplicates ignored.
    TStringList *Errors() const { return FErrors.get(); }
    // The serializer reading a template into the report, while it reads.
    TqdzXMLSerializer *XMLSerializer() const { return FXMLSerializer; }
    void SetXMLSerializer(TqdzXMLSerializer *Value) { FXMLSerializer = Value; }
    bool StoreInDFM() const { return FStoreInDFM; }
    void SetStoreInDFM(bool Value) { FStoreInDFM = Value; }
    // The copy of the ancestor report, when the report has one.
    TqdzReport *ParentReportObject() const { return FParentReportObject.get(); }
    // The object of the ancestor copy that an object named Name is compared
    // with when the report is written; none without an ancestor copy.
    void DoGetAncestor(const QString &Name, TPersistent *&Ancestor);
    // FindComponent, answered at once when no owned component has the name.
    TComponent *FindOwnedComponent(const QString &Name) const;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void ValidateRename(TComponent *AComponent, const QString &CurName, const QString &NewName) override;

private:
    friend class TqdzComponent;
    // Names in the report's tree, counted by their ASCII upper-case form, so
    // that a new name is checked without walking the whole tree.
    void IndexNames(TqdzComponent *Root, int Delta);
    void IndexName(const QString &Name, int Delta);
    static void CountName(QHash<QString, int> &Index, const QString &Name, int Delta);
    bool HasIndexedName(const QString &Name) const;

    QHash<QString, int> FNameIndex;
    // Names of the components the report owns, counted the same way. A
    // report owns thousands of objects: a name found here is looked up for
    // certain, a name missing here is missing.
    QHash<QString, int> FOwnedNames;
    std::unique_ptr<TStringList> FErrors;
    TqdzXMLSerializer *FXMLSerializer = nullptr;
    bool FStoreInDFM = true;
    std::unique_ptr<TqdzReport> FParentReportObject;
};

class TqdzPage : public TqdzComponent
{
    STATION_CLASS(TqdzPage, TqdzComponent)
public:
    explicit TqdzPage(TComponent *AOwner);
};

class TqdzReportPage : public TqdzPage
{
    STATION_CLASS(TqdzReportPage, TqdzPage)
public:
    explicit TqdzReportPage(TComponent *AOwner);
};

class TqdzDialogPage : public TqdzPage
{
    STATION_CLASS(TqdzDialogPage, TqdzPage)
public:
    explicit TqdzDialogPage(TComponent *AOwner);
};

class TqdzBand : public TqdzReportComponent
{
    STATION_CLASS(TqdzBand, TqdzReportComponent)
public:
    explicit TqdzBand(TComponent *AOwner);
    // Bands draw nothing of their own: their views are drawn.
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
};

// The band the engine places objects on that sit directly on a page.
class TqdzNullBand : public TqdzBand
{
    STATION_CLASS(TqdzNullBand, TqdzBand)
public:
    explicit TqdzNullBand(TComponent *AOwner);
};

class TqdzView : public TqdzReportComponent
{
    STATION_CLASS(TqdzView, TqdzReportComponent)
public:
    explicit TqdzView(TComponent *AOwner);

    TqdzAlign Align() const { return FAlign; }
    void SetAlign(TqdzAlign Value) { FAlign = Value; }

private:
    TqdzAlign FAlign = baNone;
};

class TqdzStretcheable : public TqdzView
{
    STATION_CLASS(TqdzStretcheable, TqdzView)
public:
    explicit TqdzStretcheable(TComponent *AOwner);
};

class TqdzCustomMemoView : public TqdzStretcheable
{
    STATION_CLASS(TqdzCustomMemoView, TqdzStretcheable)
public:
    explicit TqdzCustomMemoView(TComponent *AOwner);
    ~TqdzCustomMemoView() override;

    TWideStrings *Memo() const { return FMemo.get(); }
    void SetMemo(TWideStrings *Value);
    bool AutoWidth() const { return FAutoWidth; }
    void SetAutoWidth(bool Value) { FAutoWidth = Value; }
    // Every line followed by CR LF.
    QString Text() const;
    void SetText(const QString &Value);

private:
    std::unique_ptr<TWideStrings> FMemo;
    bool FAutoWidth = false;
};
