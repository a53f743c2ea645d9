// What a report keeps besides its objects: named variables (the report's
// own and the process-wide global ones), styles with their style-sheet
// files, and the four option objects whose properties appear in templates
// as dotted attributes (EngineOptions.DoublePass).
#pragma once
#include "platform/Classes.h"
#include "platform/Collection.h"
#include "platform/Colors.h"
#include "platform/Font.h"
#include "platform/Graphics.h"
#include "platform/SysUtils.h"
#include "platform/Variants.h"
#include "report/model/qdzClass.h"

#include <QString>
#include <memory>

class TStream;

// ----------------------------------------------------------------- variables

class TqdzVariable : public TCollectionItem
{
    STATION_CLASS(TqdzVariable, TCollectionItem)
public:
    explicit TqdzVariable(TCollection *Collection);
    void Assign(TPersistent *Source) override;

    const QString &Name() const { return FName; }
    void SetName(const QString &Value) { FName = Value; }
    const Variant &Value() const { return FValue; }
    void SetValue(const Variant &Value) { FValue = Value; }

private:
    QString FName;
    Variant FValue;
};

class TqdzVariables : public TCollection
{
    STATION_CLASS(TqdzVariables, TCollection)
public:
    TqdzVariables();

    TqdzVariable *Add() { return static_cast<TqdzVariable *>(TCollection::Add()); }
    TqdzVariable *Items(int Index) const { return static_cast<TqdzVariable *>(TCollection::Items(Index)); }
    // The first variable named Name, without regard to case; -1 when none.
    int IndexOf(const QString &Name) const;
    // The value, null when there is no such variable.
    Variant Variables(const QString &Name) const;
    // Sets the value, adding the variable when it is missing.
    void SetVariables(const QString &Name, const Variant &Value);
};

// Variables keyed by a value: the key's text is the name.
class TqdzArray : public TCollection
{
    STATION_CLASS(TqdzArray, TCollection)
public:
    TqdzArray();

    TqdzVariable *Items(int Index) const { return static_cast<TqdzVariable *>(TCollection::Items(Index)); }
    Variant Variables(const Variant &Key) const;
    void SetVariables(const Variant &Key, const Variant &Value);

private:
    int IndexOf(const Variant &Key) const;
};

// The variables every report sees after its own.
TqdzVariables *qdzGlobalVariables();

// -------------------------------------------------------------------- styles

class TqdzStyleItem : public TCollectionItem
{
    STATION_CLASS(TqdzStyleItem, TCollectionItem)
public:
    explicit TqdzStyleItem(TCollection *Collection);
    ~TqdzStyleItem() override;
    void Assign(TPersistent *Source) override;

    const QString &Name() const { return FName; }
    // A name another style of the collection has raises "Duplicate name".
    void SetName(const QString &Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value) { FFont->Assign(Value); }
    TqdzFrame *Frame() const { return FFrame.get(); }
    void SetFrame(TqdzFrame *Value);

private:
    QString FName;
    TColor FColor = 0x1FFFFFFF;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TqdzFrame> FFrame;
};

class TqdzStyles : public TCollection
{
    STATION_CLASS(TqdzStyles, TCollection)
public:
    explicit TqdzStyles(TqdzReport *AReport);

    // Nil once the report is gone: a sheet made by a script may outlive it.
    TqdzReport *Report() const;
    // The style sheet's name.
    const QString &Name() const { return FName; }
    void SetName(const QString &Value) { FName = Value; }
    TqdzStyleItem *Add() { return static_cast<TqdzStyleItem *>(TCollection::Add()); }
    TqdzStyleItem *Items(int Index) const { return static_cast<TqdzStyleItem *>(TCollection::Items(Index)); }
    // Without regard to case; none when missing.
    TqdzStyleItem *Find(const QString &Name) const;
    // Clears List and adds the style names in order.
    void GetList(TStrings *List) const;
    // Every memo of the report takes its style again; a memo naming a style
    // that does not exist loses the name.
    void Apply();

    // Style sheets: XML with the root "style" (its Name attribute is the
    // sheet's name) and one "item" element per style. A document with
    // another root loads as an empty sheet; other elements are skipped. Two
    // items of one name raise "Duplicate name" and leave the sheet empty.
    // The styles are applied after loading.
    void LoadFromFile(const QString &FileName);
    void LoadFromStream(TStream *Stream);
    void SaveToFile(const QString &FileName);
    void SaveToStream(TStream *Stream);

private:
    TqdzReport *FReport;
    quint64 FReportSerial;
    QString FName;
};

// ------------------------------------------------------------------- options

STATION_DECLARE_ENUM(TqdzSilentMode, simMessageBoxes, simSilent, simReThrow)
STATION_DECLARE_ENUM(TqdzPrintMode, pmDefault, pmSplit, pmJoin, pmScale)
STATION_DECLARE_ENUM(TqdzPrintPages, ppAll, ppOdd, ppEven)
STATION_DECLARE_ENUM(TqdzZoomMode, zmDefault, zmWholePage, zmPageWidth, zmManyPages)
STATION_DECLARE_ENUM(TqdzPreviewButton, pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline, pbPageSetup,
                     pbTools, pbEdit, pbNavigator, pbExportQuick, pbNoClose, pbNoFullScreen, pbNoEmail)
STATION_DECLARE_SET(TqdzPreviewButtons, TqdzPreviewButton)

class TqdzEngineOptions : public TPersistent
{
    STATION_CLASS(TqdzEngineOptions, TPersistent)
public:
    TqdzEngineOptions();
    void Assign(TPersistent *Source) override;
    // ConvertNulls, DoublePass and IgnoreDevByZero back to their defaults.
    void Clear();

    bool ConvertNulls() const { return FConvertNulls; }
    void SetConvertNulls(bool Value) { FConvertNulls = Value; }
    bool DoublePass() const { return FDoublePass; }
    void SetDoublePass(bool Value) { FDoublePass = Value; }
    int MaxMemSize() const { return FMaxMemSize; }
    void SetMaxMemSize(int Value) { FMaxMemSize = Value; }
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool Value) { FPrintIfEmpty = Value; }
    // True exactly when NewSilentMode is simSilent.
    bool SilentMode() const { return FNewSilentMode == simSilent; }
    void SetSilentMode(bool Value) { FNewSilentMode = Value ? simSilent : simMessageBoxes; }
    TqdzSilentMode NewSilentMode() const { return FNewSilentMode; }
    void SetNewSilentMode(TqdzSilentMode Value) { FNewSilentMode = Value; }
    const QString &TempDir() const { return FTempDir; }
    void SetTempDir(const QString &Value) { FTempDir = Value; }
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool Value) { FUseFileCache = Value; }
    bool IgnoreDevByZero() const { return FIgnoreDevByZero; }
    void SetIgnoreDevByZero(bool Value) { FIgnoreDevByZero = Value; }
    bool RestoreAfterRun() const { return FRestoreAfterRun; }
    void SetRestoreAfterRun(bool Value) { FRestoreAfterRun = Value; }
    bool ThreadSafe() const { return FThreadSafe; }
    void SetThreadSafe(bool Value) { FThreadSafe = Value; }
    bool UseGlobalDataSetList() const { return FUseGlobalDataSetList; }
    void SetUseGlobalDataSetList(bool Value) { FUseGlobalDataSetList = Value; }
    // Run time, for scripts: whether dialog pages free their forms after a run.
    bool DestroyForms() const { return FDestroyForms; }
    void SetDestroyForms(bool Value) { FDestroyForms = Value; }
    // The most memory a build may take, in megabytes (0: no limit): what the
    // process comes to hold while the build runs, so memory other threads
    // take meanwhile counts too; not what the file cache keeps on disk. Past
    // it the build stops with an error. The caller's bound, so not kept in
    // templates.
    int MaxBuildMemSize() const { return FMaxBuildMemSize; }
    void SetMaxBuildMemSize(int Value) { FMaxBuildMemSize = Value; }

private:
    bool FDestroyForms = true;
    bool FConvertNulls = true;
    bool FDoublePass = false;
    int FMaxMemSize = 10;
    bool FPrintIfEmpty = true;
    TqdzSilentMode FNewSilentMode = simMessageBoxes;
    QString FTempDir;
    bool FUseFileCache = false;
    bool FIgnoreDevByZero = false;
    bool FRestoreAfterRun = true;
    bool FThreadSafe = false;
    bool FUseGlobalDataSetList = true;
    int FMaxBuildMemSize = 1024;
};

class TqdzPrintOptions : public TPersistent
{
    STATION_CLASS(TqdzPrintOptions, TPersistent)
public:
    TqdzPrintOptions();
    void Assign(TPersistent *Source) override;
    // Everything but SwapPageSize back to its default.
    void Clear();

    int Copies() const { return FCopies; }
    void SetCopies(int Value) { FCopies = Value; }
    bool Collate() const { return FCollate; }
    void SetCollate(bool Value) { FCollate = Value; }
    const QString &PageNumbers() const { return FPageNumbers; }
    void SetPageNumbers(const QString &Value) { FPageNumbers = Value; }
    const QString &Printer() const { return FPrinter; }
    void SetPrinter(const QString &Value) { FPrinter = Value; }
    TqdzPrintMode PrintMode() const { return FPrintMode; }
    void SetPrintMode(TqdzPrintMode Value) { FPrintMode = Value; }
    int PrintOnSheet() const { return FPrintOnSheet; }
    void SetPrintOnSheet(int Value) { FPrintOnSheet = Value; }
    TqdzPrintPages PrintPages() const { return FPrintPages; }
    void SetPrintPages(TqdzPrintPages Value) { FPrintPages = Value; }
    bool Reverse() const { return FReverse; }
    void SetReverse(bool Value) { FReverse = Value; }
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool Value) { FShowDialog = Value; }
    bool SwapPageSize() const { return FSwapPageSize; }
    void SetSwapPageSize(bool Value) { FSwapPageSize = Value; }
    TqdzDuplexMode Duplex() const { return FDuplex; }
    void SetDuplex(TqdzDuplexMode Value) { FDuplex = Value; }
    // Where the pages go instead of the printer (a PDF file); empty: the
    // printer. Set by the print dialog, or by code to print to a file.
    const QString &OutputFileName() const { return FOutputFileName; }
    void SetOutputFileName(const QString &Value) { FOutputFileName = Value; }
    // Millimetres by which the pieces of a split page overlap.
    int Overlap() const { return FOverlap; }
    void SetOverlap(int Value) { FOverlap = Value; }
    // Set when the report has been printed.
    bool Printed() const { return FPrinted; }
    void SetPrinted(bool Value) { FPrinted = Value; }

private:
    int FCopies = 1;
    bool FCollate = true;
    QString FPageNumbers;
    QString FPrinter;
    TqdzPrintMode FPrintMode = pmDefault;
    int FPrintOnSheet = 0;
    TqdzPrintPages FPrintPages = ppAll;
    bool FReverse = false;
    bool FShowDialog = true;
    bool FSwapPageSize = false;
    TqdzDuplexMode FDuplex = dmSimplex;
    bool FPrinted = false;
    QString FOutputFileName;
    int FOverlap = 0;
};

class TqdzPreviewOptions : public TPersistent
{
    STATION_CLASS(TqdzPreviewOptions, TPersistent)
public:
    TqdzPreviewOptions();
    void Assign(TPersistent *Source) override;
    // OutlineExpand, OutlineVisible, OutlineWidth, PagesInCache and
    // ThumbnailVisible back to their defaults.
    void Clear();

    bool AllowEdit() const { return FAllowEdit; }
    void SetAllowEdit(bool Value) { FAllowEdit = Value; }
    TqdzPreviewButtons Buttons() const { return FButtons; }
    void SetButtons(TqdzPreviewButtons Value) { FButtons = Value; }
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
    bool Maximized() const { return FMaximized; }
    void SetMaximized(bool Value) { FMaximized = Value; }
    bool MDIChild() const { return FMDIChild; }
    void SetMDIChild(bool Value) { FMDIChild = Value; }
    bool Modal() const { return FModal; }
    void SetModal(bool Value) { FModal = Value; }
    bool OutlineExpand() const { return FOutlineExpand; }
    void SetOutlineExpand(bool Value) { FOutlineExpand = Value; }
    bool OutlineVisible() const { return FOutlineVisible; }
    void SetOutlineVisible(bool Value) { FOutlineVisible = Value; }
    int OutlineWidth() const { return FOutlineWidth; }
    void SetOutlineWidth(int Value) { FOutlineWidth = Value; }
    int PagesInCache() const { return FPagesInCache; }
    void SetPagesInCache(int Value) { FPagesInCache = Value; }
    bool ThumbnailVisible() const { return FThumbnailVisible; }
    void SetThumbnailVisible(bool Value) { FThumbnailVisible = Value; }
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value) { FShowCaptions = Value; }
    double Zoom() const { return FZoom; }
    void SetZoom(double Value) { FZoom = Value; }
    TqdzZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TqdzZoomMode Value) { FZoomMode = Value; }
    bool PictureCacheInFile() const { return FPictureCacheInFile; }
    void SetPictureCacheInFile(bool Value) { FPictureCacheInFile = Value; }

    static TqdzPreviewButtons DefaultButtons();

private:
    bool FAllowEdit = true;
    TqdzPreviewButtons FButtons;
    bool FDoubleBuffered = true;
    bool FMaximized = true;
    bool FMDIChild = false;
    bool FModal = true;
    bool FOutlineExpand = true;
    bool FOutlineVisible = false;
    int FOutlineWidth = 120;
    int FPagesInCache = 50;
    bool FThumbnailVisible = false;
    bool FShowCaptions = false;
    double FZoom = 1.0;
    TqdzZoomMode FZoomMode = zmDefault;
    bool FPictureCacheInFile = false;
};

// Asks for the report's password; True with the typed text when confirmed.
// Installed by the build layer, which owns the prompt window.
TqdzPasswordPrompt &qdzPasswordPrompt();

class TqdzReportOptions : public TPersistent
{
    STATION_CLASS(TqdzReportOptions, TPersistent)
public:
    TqdzReportOptions();
    ~TqdzReportOptions() override;
    // Unless locked: Author, Description, the version strings, Picture,
    // Compressed and the two dates; always the connection, name and
    // password fields and the accepted password.
    void Clear();
    // True when there is no password or it has been accepted; otherwise
    // the prompt must give exactly Password, which is then accepted.
    bool CheckPassword();

    const QString &Author() const { return FAuthor; }
    void SetAuthor(const QString &Value) { FAuthor = Value; }
    bool Compressed() const { return FCompressed; }
    void SetCompressed(bool Value) { FCompressed = Value; }
    const QString &ConnectionName() const { return FConnectionName; }
    void SetConnectionName(const QString &Value) { FConnectionName = Value; }
    TDateTime CreateDate() const { return FCreateDate; }
    void SetCreateDate(TDateTime Value) { FCreateDate = Value; }
    TStringList *Description() const { return FDescription.get(); }
    void SetDescription(TStringList *Value) { FDescription->Assign(Value); }
    const QString &InitString() const { return FInitString; }
    void SetInitString(const QString &Value) { FInitString = Value; }
    TDateTime LastChange() const { return FLastChange; }
    void SetLastChange(TDateTime Value) { FLastChange = Value; }
    const QString &Name() const { return FName; }
    void SetName(const QString &Value) { FName = Value; }
    const QString &Password() const { return FPassword; }
    void SetPassword(const QString &Value) { FPassword = Value; }
    TPicture *Picture() const { return FPicture.get(); }
    void SetPicture(TPicture *Value) { FPicture->Assign(Value); }
    const QString &VersionBuild() const { return FVersionBuild; }
    void SetVersionBuild(const QString &Value) { FVersionBuild = Value; }
    const QString &VersionMajor() const { return FVersionMajor; }
    void SetVersionMajor(const QString &Value) { FVersionMajor = Value; }
    const QString &VersionMinor() const { return FVersionMinor; }
    void SetVersionMinor(const QString &Value) { FVersionMinor = Value; }
    const QString &VersionRelease() const { return FVersionRelease; }
    void SetVersionRelease(const QString &Value) { FVersionRelease = Value; }
    const QString &AcceptedPassword() const { return FAcceptedPassword; }
    bool Locked() const { return FLocked; }
    void SetLocked(bool Value) { FLocked = Value; }

private:
    QString FAuthor;
    bool FCompressed = false;
    QString FConnectionName;
    TDateTime FCreateDate = 0;
    std::unique_ptr<TStringList> FDescription;
    QString FInitString;
    TDateTime FLastChange = 0;
    QString FName;
    QString FPassword;
    std::unique_ptr<TPicture> FPicture;
    QString FVersionBuild;
    QString FVersionMajor;
    QString FVersionMinor;
    QString FVersionRelease;
    QString FAcceptedPassword;
    bool FLocked = false;
};
