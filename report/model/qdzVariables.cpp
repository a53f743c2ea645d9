// Implementation of what a report keeps besides its objects.
#include "qdzVariables.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "qdzRes.h"
#include "qdzXML.h"
#include "qdzXMLSerializer.h"

// -------------------------------------------------------------- TqdzVariable

STATION_PUBLISHED(TqdzVariable)
{
    P.Prop("Name", &TqdzVariable::Name, &TqdzVariable::SetName);
    P.Prop("Value", &TqdzVariable::Value, &TqdzVariable::SetValue);
}

TqdzVariable::TqdzVariable(TCollection *Collection) : TCollectionItem(Collection), FValue(Null()) {}

void TqdzVariable::Assign(TPersistent *Source)
{
    if (auto *v = dynamic_cast<TqdzVariable *>(Source)) {
        FName = v->FName;
        FValue = v->FValue;
        return;
    }
    TCollectionItem::Assign(Source);
}

// ------------------------------------------------------------- TqdzVariables

STATION_PUBLISHED(TqdzVariables) {}

TqdzVariables::TqdzVariables() : TCollection(TqdzVariable::StaticClass()) {}

int TqdzVariables::IndexOf(const QString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (StationRtti::SameName(Items(i)->Name(), Name))
            return i;
    return -1;
}

Variant TqdzVariables::Variables(const QString &Name) const
{
    const int i = IndexOf(Name);
    return i < 0 ? Null() : Items(i)->Value();
}

void TqdzVariables::SetVariables(const QString &Name, const Variant &Value)
{
    const int i = IndexOf(Name);
    TqdzVariable *v = i < 0 ? Add() : Items(i);
    if (i < 0)
        v->SetName(Name);
    v->SetValue(Value);
}

// ----------------------------------------------------------------- TqdzArray

STATION_PUBLISHED(TqdzArray) {}

TqdzArray::TqdzArray() : TCollection(TqdzVariable::StaticClass()) {}

int TqdzArray::IndexOf(const Variant &Key) const
{
    const QString name = VarToStr(Key);
    for (int i = 0; i < Count(); ++i)
        if (StationRtti::SameName(Items(i)->Name(), name))
            return i;
    return -1;
}

Variant TqdzArray::Variables(const Variant &Key) const
{
    const int i = IndexOf(Key);
    return i < 0 ? Null() : Items(i)->Value();
}

void TqdzArray::SetVariables(const Variant &Key, const Variant &Value)
{
    int i = IndexOf(Key);
    TqdzVariable *v;
    if (i < 0) {
        v = static_cast<TqdzVariable *>(Add());
        v->SetName(VarToStr(Key));
    } else {
        v = Items(i);
    }
    v->SetValue(Value);
}

TqdzVariables *qdzGlobalVariables()
{
    static TqdzVariables Variables;
    return &Variables;
}

// ------------------------------------------------------------- TqdzStyleItem

STATION_PUBLISHED(TqdzStyleItem)
{
    P.Prop("Name", &TqdzStyleItem::Name, &TqdzStyleItem::SetName);
    P.Prop("Color", &TqdzStyleItem::Color, &TqdzStyleItem::SetColor).Type(TypeInfoTColor()).Default(0x1FFFFFFF);
    P.Prop("Font", &TqdzStyleItem::Font, &TqdzStyleItem::SetFont);
    P.Prop("Frame", &TqdzStyleItem::Frame, &TqdzStyleItem::SetFrame);
}

TqdzStyleItem::TqdzStyleItem(TCollection *Collection)
    : TCollectionItem(Collection), FFont(std::make_unique<TFont>()), FFrame(std::make_unique<TqdzFrame>())
{
}

void TqdzStyleItem::SetFrame(TqdzFrame *Value)
{
    FFrame->Assign(Value);
}

TqdzStyleItem::~TqdzStyleItem() = default;

void TqdzStyleItem::Assign(TPersistent *Source)
{
    if (auto *s = dynamic_cast<TqdzStyleItem *>(Source)) {
        SetName(s->FName);
        FColor = s->FColor;
        FFont->Assign(s->FFont.get());
        FFrame->Assign(s->FFrame.get());
        return;
    }
    TCollectionItem::Assign(Source);
}

void TqdzStyleItem::SetName(const QString &Value)
{
    if (TCollection *c = Collection())
        for (int i = 0; i < c->Count(); ++i) {
            auto *other = static_cast<TqdzStyleItem *>(c->Items(i));
            if (other != this && StationRtti::SameName(other->FName, Value))
                throw Exception(QStringLiteral("Duplicate name"));
        }
    FName = Value;
}

// ---------------------------------------------------------------- TqdzStyles

STATION_PUBLISHED(TqdzStyles) {}

TqdzStyles::TqdzStyles(TqdzReport *AReport)
    : TCollection(TqdzStyleItem::StaticClass()), FReport(AReport), FReportSerial(LiveSerial(AReport))
{
}

TqdzReport *TqdzStyles::Report() const
{
    return ObjectIsLive(FReport, FReportSerial) ? FReport : nullptr;
}

TqdzStyleItem *TqdzStyles::Find(const QString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (StationRtti::SameName(Items(i)->Name(), Name))
            return Items(i);
    return nullptr;
}

void TqdzStyles::GetList(TStrings *List) const
{
    List->Clear();
    for (int i = 0; i < Count(); ++i)
        List->Add(Items(i)->Name());
}

void TqdzStyles::LoadFromFile(const QString &FileName)
{
    TFileStream s(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&s);
}

void TqdzStyles::LoadFromStream(TStream *Stream)
{
    Clear();
    FName.clear();
    TqdzXMLDocument doc;
    doc.LoadFromStream(Stream);
    TqdzXMLItem *root = doc.Root();
    if (root->Name().compare("style", Qt::CaseInsensitive) != 0)
        return;
    TqdzXMLSerializer serializer(Stream);
    FName = serializer.DecodeString(root->GetProp("Name"));
    for (int i = 0; i < root->Count(); ++i) {
        TqdzXMLItem *item = root->GetItems(i);
        if (item->Name().compare("item", Qt::CaseInsensitive) != 0)
            continue;
        // The reader skips an attribute it cannot set: a repeated name would
        // leave a style without one.
        const QString name = serializer.DecodeString(item->GetProp("Name"));
        if (!name.isEmpty() && Find(name)) {
            Clear();
            FName.clear();
            throw Exception(QStringLiteral("Duplicate name"));
        }
        serializer.ReadObjectAttributes(Add(), item->Text());
    }
    Apply();
}

void TqdzStyles::Apply()
{
    TqdzReport *report = Report();
    if (!report)
        return;
    TList *all = report->AllObjects();
    for (int i = 0; i < all->Count(); ++i) {
        auto *memo = dynamic_cast<TqdzCustomMemoView *>(static_cast<TqdzComponent *>(all->Items(i)));
        if (!memo || memo->Style().isEmpty())
            continue;
        if (TqdzStyleItem *item = Find(memo->Style()))
            memo->ApplyStyle(item);
        else
            memo->SetStyle(QString());
    }
}

void TqdzStyles::SaveToFile(const QString &FileName)
{
    TFileStream s(FileName, fmCreate);
    SaveToStream(&s);
}

void TqdzStyles::SaveToStream(TStream *Stream)
{
    TqdzXMLDocument doc;
    doc.SetAutoIndent(true);
    TqdzXMLSerializer serializer(Stream);
    TqdzXMLItem *root = doc.Root();
    root->SetName("style");
    root->SetText("Name=\"" + serializer.EncodeString(FName) + '"');
    for (int i = 0; i < Count(); ++i) {
        TqdzXMLItem *item = root->Add();
        item->SetName("item");
        QByteArray text = serializer.WriteObjectAttributes(Items(i));
        if (text.startsWith(' '))
            text.remove(0, 1);
        item->SetText(text);
    }
    doc.SaveToStream(Stream);
}

// --------------------------------------------------------- TqdzEngineOptions

STATION_PUBLISHED(TqdzEngineOptions)
{
    using C = TqdzEngineOptions;
    P.Prop("ConvertNulls", &C::ConvertNulls, &C::SetConvertNulls).Default(true);
    P.Prop("DoublePass", &C::DoublePass, &C::SetDoublePass).Default(false);
    P.Prop("MaxMemSize", &C::MaxMemSize, &C::SetMaxMemSize).Default(10);
    P.Prop("PrintIfEmpty", &C::PrintIfEmpty, &C::SetPrintIfEmpty).Default(true);
    P.Prop("SilentMode", &C::SilentMode, &C::SetSilentMode).Default(false);
    P.Prop("NewSilentMode", &C::NewSilentMode, &C::SetNewSilentMode).Default(simMessageBoxes);
    P.Prop("TempDir", &C::TempDir, &C::SetTempDir);
    P.Prop("UseFileCache", &C::UseFileCache, &C::SetUseFileCache).Default(false);
    P.Prop("IgnoreDevByZero", &C::IgnoreDevByZero, &C::SetIgnoreDevByZero).Default(false);
}

TqdzEngineOptions::TqdzEngineOptions() = default;

void TqdzEngineOptions::Assign(TPersistent *Source)
{
    if (auto *o = dynamic_cast<TqdzEngineOptions *>(Source)) {
        FConvertNulls = o->FConvertNulls;
        FDoublePass = o->FDoublePass;
        FMaxMemSize = o->FMaxMemSize;
        FPrintIfEmpty = o->FPrintIfEmpty;
        FNewSilentMode = o->FNewSilentMode;
        FTempDir = o->FTempDir;
        FUseFileCache = o->FUseFileCache;
        FIgnoreDevByZero = o->FIgnoreDevByZero;
        return;
    }
    TPersistent::Assign(Source);
}

void TqdzEngineOptions::Clear()
{
    FConvertNulls = true;
    FDoublePass = false;
    FIgnoreDevByZero = false;
}

// ---------------------------------------------------------- TqdzPrintOptions

STATION_PUBLISHED(TqdzPrintOptions)
{
    using C = TqdzPrintOptions;
    P.Prop("Copies", &C::Copies, &C::SetCopies).Default(1);
    P.Prop("Collate", &C::Collate, &C::SetCollate).Default(true);
    P.Prop("PageNumbers", &C::PageNumbers, &C::SetPageNumbers);
    P.Prop("Printer", &C::Printer, &C::SetPrinter);
    P.Prop("PrintMode", &C::PrintMode, &C::SetPrintMode).Default(pmDefault);
    P.Prop("PrintOnSheet", &C::PrintOnSheet, &C::SetPrintOnSheet).Default(0);
    P.Prop("PrintPages", &C::PrintPages, &C::SetPrintPages).Default(ppAll);
    P.Prop("Reverse", &C::Reverse, &C::SetReverse).Default(false);
    P.Prop("ShowDialog", &C::ShowDialog, &C::SetShowDialog).Default(true);
    P.Prop("SwapPageSize", &C::SwapPageSize, &C::SetSwapPageSize).Stored(false);
}

TqdzPrintOptions::TqdzPrintOptions()
{
    Clear();
}

void TqdzPrintOptions::Assign(TPersistent *Source)
{
    if (auto *o = dynamic_cast<TqdzPrintOptions *>(Source)) {
        FCopies = o->FCopies;
        FCollate = o->FCollate;
        FPageNumbers = o->FPageNumbers;
        FPrinter = o->FPrinter;
        FPrintMode = o->FPrintMode;
        FPrintOnSheet = o->FPrintOnSheet;
        FPrintPages = o->FPrintPages;
        FReverse = o->FReverse;
        FShowDialog = o->FShowDialog;
        FDuplex = o->FDuplex;
        FOutputFileName = o->FOutputFileName;
        FOverlap = o->FOverlap;
        return;
    }
    TPersistent::Assign(Source);
}

void TqdzPrintOptions::Clear()
{
    FCopies = 1;
    FCollate = true;
    FPageNumbers.clear();
    FPrinter = qdzResources()->ResourceText(QStringLiteral("prDefault"));
    FPrintMode = pmDefault;
    FPrintOnSheet = 0;
    FPrintPages = ppAll;
    FReverse = false;
    FShowDialog = true;
    FDuplex = dmSimplex;
    FOutputFileName.clear();
    FOverlap = 0;
}

// -------------------------------------------------------- TqdzPreviewOptions

STATION_PUBLISHED(TqdzPreviewOptions)
{
    using C = TqdzPreviewOptions;
    P.Prop("AllowEdit", &C::AllowEdit, &C::SetAllowEdit).Default(true);
    P.Prop("Buttons", &C::Buttons, &C::SetButtons).Default(C::DefaultButtons());
    P.Prop("DoubleBuffered", &C::DoubleBuffered, &C::SetDoubleBuffered).Default(true);
    P.Prop("Maximized", &C::Maximized, &C::SetMaximized).Default(true);
    P.Prop("MDIChild", &C::MDIChild, &C::SetMDIChild).Default(false);
    P.Prop("Modal", &C::Modal, &C::SetModal).Default(true);
    P.Prop("OutlineExpand", &C::OutlineExpand, &C::SetOutlineExpand).Default(true);
    P.Prop("OutlineVisible", &C::OutlineVisible, &C::SetOutlineVisible).Default(false);
    P.Prop("OutlineWidth", &C::OutlineWidth, &C::SetOutlineWidth).Default(120);
    P.Prop("PagesInCache", &C::PagesInCache, &C::SetPagesInCache).Default(50);
    P.Prop("ThumbnailVisible", &C::ThumbnailVisible, &C::SetThumbnailVisible).Default(false);
    P.Prop("ShowCaptions", &C::ShowCaptions, &C::SetShowCaptions).Default(false);
    P.Prop("Zoom", &C::Zoom, &C::SetZoom).Type(TypeInfoExtended());
    P.Prop("ZoomMode", &C::ZoomMode, &C::SetZoomMode).Default(zmDefault);
    P.Prop("PictureCacheInFile", &C::PictureCacheInFile, &C::SetPictureCacheInFile).Default(false);
}

TqdzPreviewOptions::TqdzPreviewOptions() : FButtons(DefaultButtons()) {}

TqdzPreviewButtons TqdzPreviewOptions::DefaultButtons()
{
    return TqdzPreviewButtons{pbPrint, pbLoad, pbSave,      pbExport, pbZoom,      pbFind,
                              pbOutline, pbPageSetup, pbTools, pbEdit, pbNavigator, pbExportQuick};
}

void TqdzPreviewOptions::Assign(TPersistent *Source)
{
    if (auto *o = dynamic_cast<TqdzPreviewOptions *>(Source)) {
        FAllowEdit = o->FAllowEdit;
        FButtons = o->FButtons;
        FDoubleBuffered = o->FDoubleBuffered;
        FMaximized = o->FMaximized;
        FMDIChild = o->FMDIChild;
        FModal = o->FModal;
        FOutlineExpand = o->FOutlineExpand;
        FOutlineVisible = o->FOutlineVisible;
        FOutlineWidth = o->FOutlineWidth;
        FPagesInCache = o->FPagesInCache;
        FThumbnailVisible = o->FThumbnailVisible;
        FShowCaptions = o->FShowCaptions;
        FZoom = o->FZoom;
        FZoomMode = o->FZoomMode;
        FPictureCacheInFile = o->FPictureCacheInFile;
        return;
    }
    TPersistent::Assign(Source);
}

void TqdzPreviewOptions::Clear()
{
    FOutlineExpand = true;
    FOutlineVisible = false;
    FOutlineWidth = 120;
    FPagesInCache = 50;
    FThumbnailVisible = false;
}

// --------------------------------------------------------- TqdzReportOptions

TqdzPasswordPrompt &qdzPasswordPrompt()
{
    static TqdzPasswordPrompt Prompt = nullptr;
    return Prompt;
}

STATION_PUBLISHED(TqdzReportOptions)
{
    using C = TqdzReportOptions;
    P.Prop("Author", &C::Author, &C::SetAuthor);
    P.Prop("Compressed", &C::Compressed, &C::SetCompressed).Default(false);
    P.Prop("ConnectionName", &C::ConnectionName, &C::SetConnectionName);
    P.Prop("CreateDate", &C::CreateDate, &C::SetCreateDate).Type(TypeInfoDateTime());
    P.Prop("Description", &C::Description, &C::SetDescription);
    P.Prop("InitString", &C::InitString, &C::SetInitString);
    P.Prop("LastChange", &C::LastChange, &C::SetLastChange).Type(TypeInfoDateTime());
    P.Prop("Name", &C::Name, &C::SetName);
    P.Prop("Password", &C::Password, &C::SetPassword);
    P.Prop("Picture", &C::Picture, &C::SetPicture);
    P.Prop("VersionBuild", &C::VersionBuild, &C::SetVersionBuild);
    P.Prop("VersionMajor", &C::VersionMajor, &C::SetVersionMajor);
    P.Prop("VersionMinor", &C::VersionMinor, &C::SetVersionMinor);
    P.Prop("VersionRelease", &C::VersionRelease, &C::SetVersionRelease);
}

TqdzReportOptions::TqdzReportOptions()
    : FDescription(std::make_unique<TStringList>()), FPicture(std::make_unique<TPicture>())
{
    FCreateDate = FLastChange = Now();
}

TqdzReportOptions::~TqdzReportOptions() = default;

void TqdzReportOptions::Clear()
{
    if (!FLocked) {
        FAuthor.clear();
        FDescription->Clear();
        FVersionBuild.clear();
        FVersionMajor.clear();
        FVersionMinor.clear();
        FVersionRelease.clear();
        FPicture->Assign(nullptr);
        FCompressed = false;
        FCreateDate = FLastChange = Now();
    }
    FConnectionName.clear();
    FInitString.clear();
    FName.clear();
    FPassword.clear();
    FAcceptedPassword.clear();
}

bool TqdzReportOptions::CheckPassword()
{
    if (FPassword.isEmpty() || FPassword == FAcceptedPassword)
        return true;
    QString typed;
    if (!qdzPasswordPrompt() || !qdzPasswordPrompt()(typed) || typed != FPassword)
        return false;
    FAcceptedPassword = FPassword;
    return true;
}
