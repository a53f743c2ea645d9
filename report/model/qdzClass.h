// The report's component tree: every object of a report (the report, its
// pages, bands, views, datasets) is a TqdzComponent with a parent, an ordered
// list of children, a position and size in report units (screen pixels at 96
// per inch), a font that may follow the parent's, naming rules and streaming
// in the template format (qdzXMLSerializer). TqdzReportComponent adds what
// the building engine calls to print an object.
//
// The report, page and band classes declared here carry only what the
// component tree itself needs of them; their own units fill them in. The
// views are in qdzClassViews.h, included at the end.
#pragma once
#include "platform/Classes.h"
#include "platform/Collection.h"
#include "platform/Component.h"
#include "platform/Font.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/Printers.h" // TPrinterOrientation, also the pages' orientation
#include "platform/Variants.h"
#include "report/model/qdzClassEngine.h"
#include "report/model/qdzNameIndex.h"
#include "report/model/qdzUtils.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QRecursiveMutex>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TCanvas;
class TStream;
class TWideStrings;
class TqdzXMLSerializer;
class TqdzPage;
class TqdzReport;
class TqdzReportDataSets;
class TqdzBand;
class TqdzDataSet;
class TqdzVariables;
class TqdzStyles;
class TqdzEngineOptions;
class TqdzPreviewOptions;
class TqdzPrintOptions;
class TqdzReportOptions;
class TqdzFrame;
class TqdzPictureView;
class TqdzReportComponent;
class TqdzReportPage;
class TqdzSubreport;
class TqdzDialogPage;
class TqdzCustomDatabase;
class TqdzView;
class TqdzDrawText;
class TqdzExpressionCache;
class TCustomIniFile;
class TTimer;
class TkwScript;
class TkwCustomVariable;
class TkwMethodHelper;

STATION_DECLARE_ENUM(TqdzRestriction, rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit)
STATION_DECLARE_SET(TqdzRestrictions, TqdzRestriction)
STATION_DECLARE_ENUM(TqdzAlign, baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient)

// The report engine's global lock: held around reading a template when the
// report's engine options ask for thread safety, and around freeing a dialog
// page with its form.
QRecursiveMutex *qdzEngineLock();

// The report engine's own cursors, kept in the screen's cursor table.
constexpr TCursor crHand = 150;
constexpr TCursor crZoom = 151;
constexpr TCursor crFormat = 152;

// Puts the engine's cursors into the screen's cursor table, once per process.
// Pixmaps need the GUI application and its thread; called anywhere else it
// does nothing, and the next call from the GUI thread loads them.
void qdzLoadCursors();
// The cursor of one of the engine's cursor resources ("qdzHAND", "qdzZOOM",
// "qdzFORMAT"); the default cursor for any other name.
QCursor qdzCursorResource(const QString &Name);

// Component flags (TqdzComponent::Flags).
constexpr quint16 qdzFlagShowInPrepared = 2; // the object is shown in built pages
constexpr quint16 qdzFlagWriteFull = 4;      // the object is written to built pages in full

class TqdzComponent;

// A component's list of children (or of all its descendants). It knows
// whose it is, so that scripts, which reach it as a plain list, are kept
// from changing it behind the component's back.
class TqdzObjectList : public TList
{
public:
    explicit TqdzObjectList(const TqdzComponent *AComponent) : FComponent(AComponent) {}
    const TqdzComponent *Component() const { return FComponent; }

protected:
    // Its items are report objects, live when they are put in.
    quint64 ItemSerial(void *Item) const override { return Item ? static_cast<TObject *>(Item)->Serial() : 0; }

private:
    const TqdzComponent *FComponent;
};

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
    TList *Objects() const { return &FObjects; }
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
    TFont *Font() const { return &FFont; }
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
    // Set by the report's constructor: GetReport asks it of every parent
    // of every object read.
    bool FIsReport = false;

private:
    void FillAllObjects(TList *List) const;
    TqdzComponent *FindObjectIn(const QString &s) const;

    // Kept in the object itself: reports are read by the ten thousand objects.
    mutable TFont FFont;
    mutable TqdzObjectList FObjects{this};
    TqdzObjectList FAllObjects{this};
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

STATION_EVENT(TqdzBeforePrintEvent, void(TqdzReportComponent *Sender))
STATION_EVENT(TqdzGetValueEvent, void(const QString &VarName, Variant &Value))
STATION_EVENT(TqdzNewGetValueEvent, void(TObject *Sender, const QString &VarName, Variant &Value))
STATION_EVENT(TqdzBeforeConnectEvent, void(TqdzCustomDatabase *Sender, bool &Connected))
STATION_EVENT(TqdzAfterDisconnectEvent, void(TqdzCustomDatabase *Sender))
STATION_EVENT(TqdzPreviewClickEvent, void(TqdzView *Sender, TMouseButton Button, TShiftState Shift, bool &Modified))
STATION_EVENT(TqdzMouseOverObjectEvent, void(TqdzView *Sender))
STATION_EVENT(TqdzManualBuildEvent, void(TqdzPage *Page))
STATION_EVENT(TqdzPrintPageEvent, void(TqdzReportPage *Page, int CopyNo))
STATION_EVENT(TqdzProgressEvent, void(TqdzReport *Sender, TqdzProgressType ProgressType, int Progress))
STATION_EVENT(TqdzRunDialogsEvent, void(TqdzDialogPage *Page))
STATION_EVENT(TqdzUserFunctionEvent, Variant(const QString &MethodName, Variant &Params))
STATION_EVENT(TqdzLoadTemplateEvent, void(TqdzReport *Report, const QString &TemplateName))

// Limits of template ancestry: a chain deeper than this is refused.
constexpr int qdzMaxAncestorDepth = 16;
// Report variables whose values are expressions naming further variables:
// a chain deeper than this is refused.
constexpr int qdzMaxVariableDepth = 64;

// The report object: the root of the tree and owner of every object in it,
// and of the machinery around it: the script, the expression cache, the
// engine and built-page store (installed by the build layer), the options,
// variables, styles and dataset lists.
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
    // Makes room in the name index for Count more objects, before a read.
    void ReserveNames(qsizetype Count);

    // The datasets the template uses, and those that look-ups by name search.
    TqdzReportDataSets *DataSets() const { return FDataSets.get(); }
    TqdzReportDataSets *EnabledDataSets() const { return FEnabledDataSets.get(); }
    // Report variables, styles and options (qdzVariables). Datasets,
    // variables and styles are kept in templates as the defined
    // properties "Datasets", "Variables" and "Style".
    TqdzVariables *Variables() const { return FVariables.get(); }
    TqdzStyles *Styles() const { return FStyles.get(); }
    TqdzEngineOptions *EngineOptions() const { return FEngineOptions.get(); }
    TqdzPreviewOptions *PreviewOptions() const { return FPreviewOptions.get(); }
    TqdzPrintOptions *PrintOptions() const { return FPrintOptions.get(); }
    TqdzReportOptions *ReportOptions() const { return FReportOptions.get(); }
    void SetEngineOptions(TqdzEngineOptions *Value);
    void SetPreviewOptions(TqdzPreviewOptions *Value);
    void SetPrintOptions(TqdzPrintOptions *Value);
    void SetReportOptions(TqdzReportOptions *Value);

    // Besides the children: the dataset list, variables and styles are
    // emptied, the option objects cleared, the script text and language and
    // the system variables set back. Raises EInvalidOperation while building.
    void Clear() override;
    // Reads a template (see qdzClassReport.cpp). Raises EInvalidOperation
    // while building.
    void LoadFromStream(TStream *Stream) override;
    void SaveToStream(TStream *Stream, bool SaveChildren = true, bool KeepAncestors = false,
                      bool SaveDefaultValues = false) override;
    QString GetDescription() const override;

    // Progress of a build, print or export.
    virtual void DoProgressStart(TqdzProgressType ProgressType);
    virtual void DoProgress(TqdzProgressType ProgressType, int Progress);
    virtual void DoProgressStop(TqdzProgressType ProgressType);

    // Clears, then reads FileName when it exists (or, with
    // ExceptionIfNotFound, raises the file-open error). Whether it existed.
    bool LoadFromFile(const QString &FileName, bool ExceptionIfNotFound = false);
    // Saves with children, without default values; an absolute ParentReport
    // is written relative to FileName's folder.
    void SaveToFile(const QString &FileName);
    // Sets up the script, runs it and the engine; True when the engine ran
    // the report pages and no error was met, also when they produced no page
    // (a page with PrintIfEmpty off and no data builds nothing). False when
    // the script does not compile, the main block stopped the build before
    // the engine ran, a dialog page was cancelled or an error was met, the
    // build was cancelled or ran past its time limit (the reason in Errors;
    // a stop the report asks for itself is a normal end). The template comes
    // back afterwards (EngineOptions.RestoreAfterRun), the build's errors
    // kept. The build's state lives in its session (qdzBuildSession.h).
    bool BuildReport(bool ClearLastReport = true);
    void ShowReport(bool ClearLastReport = true);
    void ShowBuiltReport();
    bool PrintReport();
    // Makes PrintOptions.Printer current when the printer list knows it.
    void SelectPrinter();

    // --- expressions and script
    // Compiles the script with the report's objects and functions; False
    // with "Script error at ..." in Errors when it does not compile.
    bool SetupScript();
    // Evaluates Expr in AScript (the report's script when none); raises on
    // error. FromScript: the call comes from a script's Calc.
    Variant Calc(const QString &Expr, TkwScript *AScript = nullptr, bool FromScript = false);
    // The value of a name the script does not know: a data field, a system
    // variable, OnGetValue, a report or global variable, a script variable.
    bool DoGetValue(const QString &Name, Variant &Value);
    // The script functions Get and Set.
    Variant Get(const QString &Name);
    void Set(const QString &Name, const Variant &Value);
    // Calls the script procedure EventName with Obj as its argument when the
    // engine runs (or RunAlways).
    void DoNotifyEvent(TObject *Obj, const QString &EventName, bool RunAlways = false);
    // The same with the elements of Params (a variant array), which take
    // back what the procedure left in them.
    void CallScriptEvent(const QString &EventName, Variant &Params, bool RunAlways = false);
    void DoBeforePrint(TqdzReportComponent *Obj);
    void DoAfterPrint(TqdzReportComponent *Obj);
    void DoPreviewClick(TqdzView *Obj, TMouseButton Button, TShiftState Shift, bool &Modified, bool DblClick);
    // The script variables "Value" and "Self" (set up by SetupScript).
    TkwCustomVariable *LocalValue() const { return FLocalValue; }
    void SetLocalValue(const Variant &Value);
    void SetSelfValue(TqdzView *Value);
    // The name of the object being worked on, put before expression errors.
    const QString &CurObject() const { return FCurObject; }
    void SetCurObject(const QString &Value) { FCurObject = Value; }

    // --- other services
    TqdzDataSet *GetDataset(const QString &Alias);
    // A registry-backed settings object when IniFile begins with
    // "\Software\", else the INI file of that name.
    std::unique_ptr<TCustomIniFile> GetIniFile();
    // The folder of the executable, ending in the path separator.
    QString GetApplicationFolder() const;
    TqdzPage *GetPages(int Index) const;
    int GetPagesCount() const;
    // The preview window's status line.
    void SetProgressMessage(const QString &Value, bool IsHint = false);

    // --- owned parts
    TkwScript *Script() const { return FScript.get(); }
    TTimer *Timer() const { return FTimer.get(); }
    TqdzExpressionCache *ExpressionCache() const { return FExpressionCache.get(); }
    TStringList *SysVariables() const { return FSysVariables.get(); }
    // None when the build layer is not installed.
    TqdzCustomEngine *Engine() const { return FEngine.get(); }
    TqdzCustomPreviewPages *PreviewPages() const { return FPreviewPages.get(); }
    TqdzDrawText *DrawText() const { return FDrawText.get(); }
    // Drill names of the group headers that are expanded in the preview.
    TStringList *DrillState() const { return FDrillState.get(); }
    // The preview window of the report while it is shown modeless.
    TqdzCustomPreviewForm *PreviewForm() const { return FPreviewForm; }

    // --- state
    // During a build its session holds the stop; between builds the report
    // does (printing, exporting, and how the last build ended).
    bool Terminated() const;
    // True also terminates the running script; during a build it is a
    // cancel (the build fails with "The report was cancelled").
    void SetTerminated(bool Value);
    // Sets Terminated for Reason: during a build the session records why.
    void StopBuild(TqdzStopReason Reason);
    // While BuildReport runs.
    bool Building() const { return Session() != nullptr; }
    // The build under way, none between builds.
    TqdzBuildSession *Session() const;
    // The longest a build may run, in milliseconds (0: no limit). Past it
    // the build stops, scripts included, with an error. The caller's choice,
    // not kept in templates.
    int MaxBuildTime() const { return FBuildLimits.MaxBuildTime; }
    void SetMaxBuildTime(int Value) { FBuildLimits.MaxBuildTime = Value; }
    // What the caller allows each build (its memory is taken from
    // EngineOptions.MaxBuildMemSize when the build starts).
    TqdzBuildLimits &BuildLimits() { return FBuildLimits; }
    // Called while a build runs (per record, and at the lines its scripts
    // announce, every loop turn among them): TqdzBuildSession::CheckStop.
    void CheckBuildStop();
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &Value) { FFileName = Value; }

    // --- published
    QString Version() const;
    // Ignored: the version is the system's own.
    void SetVersion(const QString &Value);
    TqdzDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TqdzDataSet *Value);
    QString DataSetName() const;
    void SetDataSetName(const QString &Value);
    bool DotMatrixReport() const { return FDotMatrixReport; }
    void SetDotMatrixReport(bool Value) { FDotMatrixReport = Value; }
    const QString &IniFile() const { return FIniFile; }
    void SetIniFile(const QString &Value) { FIniFile = Value; }
    bool OldStyleProgress() const { return FOldStyleProgress; }
    void SetOldStyleProgress(bool Value) { FOldStyleProgress = Value; }
    const QString &ParentReport() const { return FParentReport; }
    // Loads the ancestor template (see qdzClassReport.cpp).
    void SetParentReport(const QString &Value);
    TqdzCustomPreview *Preview() const { return FPreview; }
    void SetPreview(TqdzCustomPreview *Value);
    const QString &ScriptLanguage() const { return FScriptLanguage; }
    // Empty is the default language: a template cannot hold an empty one
    // (an empty text is never written).
    void SetScriptLanguage(const QString &Value);
    TStrings *ScriptText() const { return FScriptText.get(); }
    void SetScriptText(TStrings *Value);
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    // Script procedures the engine and the print path call.
    const QString &OnStartReport() const { return FOnStartReport; }
    void SetOnStartReport(const QString &Value) { FOnStartReport = Value; }
    const QString &OnStopReport() const { return FOnStopReport; }
    void SetOnStopReport(const QString &Value) { FOnStopReport = Value; }
    const QString &OnRunDialogs() const { return FOnRunDialogs; }
    void SetOnRunDialogs(const QString &Value) { FOnRunDialogs = Value; }
    const QString &OnReportPrint() const { return FOnReportPrint; }
    void SetOnReportPrint(const QString &Value) { FOnReportPrint = Value; }

#define QDZ_REPORT_EVENT(Type, Name)                                                                 \
    const Type &Name() const { return F##Name; }                                                    \
    void Set##Name(const Type &Value) { F##Name = Value; }
    QDZ_REPORT_EVENT(TqdzBeforePrintEvent, OnAfterPrint)
    QDZ_REPORT_EVENT(TqdzBeforeConnectEvent, OnBeforeConnect)
    QDZ_REPORT_EVENT(TqdzAfterDisconnectEvent, OnAfterDisconnect)
    QDZ_REPORT_EVENT(TqdzBeforePrintEvent, OnBeforePrint)
    QDZ_REPORT_EVENT(TNotifyEvent, OnBeginDoc)
    QDZ_REPORT_EVENT(TqdzPreviewClickEvent, OnClickObject)
    QDZ_REPORT_EVENT(TqdzPreviewClickEvent, OnDblClickObject)
    QDZ_REPORT_EVENT(TNotifyEvent, OnEndDoc)
    QDZ_REPORT_EVENT(TqdzGetValueEvent, OnGetValue)
    QDZ_REPORT_EVENT(TqdzNewGetValueEvent, OnNewGetValue)
    QDZ_REPORT_EVENT(TqdzManualBuildEvent, OnManualBuild)
    QDZ_REPORT_EVENT(TqdzMouseOverObjectEvent, OnMouseOverObject)
    QDZ_REPORT_EVENT(TNotifyEvent, OnPreview)
    QDZ_REPORT_EVENT(TqdzPrintPageEvent, OnPrintPage)
    QDZ_REPORT_EVENT(TNotifyEvent, OnPrintReport)
    QDZ_REPORT_EVENT(TNotifyEvent, OnAfterPrintReport)
    QDZ_REPORT_EVENT(TqdzProgressEvent, OnProgressStart)
    QDZ_REPORT_EVENT(TqdzProgressEvent, OnProgress)
    QDZ_REPORT_EVENT(TqdzProgressEvent, OnProgressStop)
    QDZ_REPORT_EVENT(TqdzUserFunctionEvent, OnUserFunction)
    QDZ_REPORT_EVENT(TqdzLoadTemplateEvent, OnLoadTemplate)
    QDZ_REPORT_EVENT(TNotifyEvent, OnClosePreview)
    QDZ_REPORT_EVENT(TNotifyEvent, OnAfterScriptCompile)
#undef QDZ_REPORT_EVENT

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void ValidateRename(TComponent *AComponent, const QString &CurName, const QString &NewName) override;
    void DefineProperties(TFiler *Filer) override;

private:
    friend class TqdzComponent;
    friend class TqdzExpressionCache;
    friend class TqdzBuildSession;
    // Names in the report's tree, counted by their ASCII upper-case form, so
    // that a new name is checked without walking the whole tree.
    void IndexNames(TqdzComponent *Root, int Delta);
    void IndexName(const QString &Name, int Delta);
    bool HasIndexedName(const QString &Name) const;
    using TNameCounts = TqdzNameIndex::TCounts;
    void CountName(const QString &Name, int TNameCounts::*Count, int Delta);
    bool HasName(const QString &Name, int TNameCounts::*Count) const;
    // Raises EInvalidOperation while a build runs: Operation would free the
    // objects the build works on.
    void CheckNotBuilding(const char *Operation) const;
    // Raises EInvalidOperation while the report's own script runs.
    void CheckScriptNotRunning(const char *Operation) const;
    // The run of a build within its session: the script and the engine.
    bool RunBuild();
    // Creates the engine and the store when the build layer has been
    // installed since; False when it has not.
    bool EnsureEngine();
    // The script's handlers of Get, Set and the macro functions.
    Variant CallReportFunction(TObject *Instance, TClass ClassType, const QString &MethodName,
                               TkwMethodHelper *Caller);
    void TimerTick(TObject *Sender);
    void ShowErrors();
    void ResetSysVariables();
    // After the template is read back: objects the ancestor copy has.
    void MarkAncestorObjects();
    // While Roots and everything below them are freed together, a removal
    // is told only to the owned components that stay: told to all, freeing
    // the tree would cost the square of its size. False (nothing begun)
    // while another such free runs or the report itself goes.
    bool BeginFreeing(const std::vector<TqdzComponent *> &Roots);
    void EndFreeing();

    // Both counts of every name, in one index. A report owns thousands of
    // objects: an owned name found here is looked up for certain, a name
    // missing here is missing.
    TqdzNameIndex FNames;
    // The owned components that stay while a part of the tree is freed;
    // one that goes meanwhile leaves the set, not the list.
    bool FFreeing = false;
    std::vector<TComponent *> FStaying;
    QSet<const TComponent *> FStayingSet;
    std::unique_ptr<TStringList> FErrors;
    TqdzXMLSerializer *FXMLSerializer = nullptr;
    bool FStoreInDFM = true;
    std::unique_ptr<TqdzReport> FParentReportObject;
    std::unique_ptr<TqdzReportDataSets> FDataSets;
    std::unique_ptr<TqdzReportDataSets> FEnabledDataSets;
    std::unique_ptr<TqdzVariables> FVariables;
    std::unique_ptr<TqdzEngineOptions> FEngineOptions;
    std::unique_ptr<TqdzPreviewOptions> FPreviewOptions;
    std::unique_ptr<TqdzPrintOptions> FPrintOptions;
    std::unique_ptr<TqdzReportOptions> FReportOptions;
    std::unique_ptr<TqdzStyles> FStyles;

    std::unique_ptr<TkwScript> FScript;
    std::unique_ptr<TTimer> FTimer;
    std::unique_ptr<TStringList> FScriptText;
    std::unique_ptr<TqdzExpressionCache> FExpressionCache;
    std::unique_ptr<TStringList> FSysVariables;
    std::unique_ptr<TqdzCustomEngine> FEngine;
    std::unique_ptr<TqdzCustomPreviewPages> FPreviewPages;
    std::unique_ptr<TqdzDrawText> FDrawText;
    std::unique_ptr<TStringList> FDrillState;
    std::unique_ptr<TqdzCustomProgress> FProgress;
    TqdzCustomPreviewForm *FPreviewForm = nullptr;
    TqdzDataSet *FDataSet = nullptr;
    QString FDataSetName;
    bool FDotMatrixReport = false;
    QString FIniFile = QStringLiteral("\\Software\\Tarvo Reports");
    bool FOldStyleProgress = false;
    QString FParentReport;
    TqdzCustomPreview *FPreview = nullptr;
    QString FScriptLanguage = QStringLiteral("PascalScript");
    bool FShowProgress = true;
    QString FOnStartReport;
    QString FOnStopReport;
    QString FOnRunDialogs;
    QString FOnReportPrint;
    QString FFileName;
    QString FCurObject;
    bool FTerminated = false;
    TqdzBuildLimits FBuildLimits;
    // Set while the template is read back after a build.
    bool FRestoring = false;
    // Ancestor files being loaded, outermost first.
    QStringList FAncestorChain;
    // Names DoGetValue is evaluating, to stop values that refer to themselves.
    QStringList FEvaluating;
    TkwCustomVariable *FLocalValue = nullptr;
    TkwCustomVariable *FSelfValue = nullptr;

    TqdzBeforePrintEvent FOnAfterPrint;
    TqdzBeforeConnectEvent FOnBeforeConnect;
    TqdzAfterDisconnectEvent FOnAfterDisconnect;
    TqdzBeforePrintEvent FOnBeforePrint;
    TNotifyEvent FOnBeginDoc;
    TqdzPreviewClickEvent FOnClickObject;
    TqdzPreviewClickEvent FOnDblClickObject;
    TNotifyEvent FOnEndDoc;
    TqdzGetValueEvent FOnGetValue;
    TqdzNewGetValueEvent FOnNewGetValue;
    TqdzManualBuildEvent FOnManualBuild;
    TqdzMouseOverObjectEvent FOnMouseOverObject;
    TNotifyEvent FOnPreview;
    TqdzPrintPageEvent FOnPrintPage;
    TNotifyEvent FOnPrintReport;
    TNotifyEvent FOnAfterPrintReport;
    TqdzProgressEvent FOnProgressStart;
    TqdzProgressEvent FOnProgress;
    TqdzProgressEvent FOnProgressStop;
    TqdzUserFunctionEvent FOnUserFunction;
    TqdzLoadTemplateEvent FOnLoadTemplate;
    TNotifyEvent FOnClosePreview;
    TNotifyEvent FOnAfterScriptCompile;
};

class TqdzPage : public TqdzComponent
{
    STATION_CLASS(TqdzPage, TqdzComponent)
public:
    explicit TqdzPage(TComponent *AOwner);
};

STATION_DECLARE_ENUM(TqdzDuplexMode, dmNone, dmVertical, dmHorizontal, dmSimplex)

// The printer layer's paper table and current printer, installed by that
// layer (the report model sits below it). PaperSize gives the portrait size
// in millimetres of a paper code, False when the code is unknown;
// DefaultPaper the current printer's paper, False without a printer.
struct TqdzPaperHooks
{
    bool (*PaperSize)(int PaperSize, double &Width, double &Height) = nullptr;
    bool (*DefaultPaper)(int &PaperSize, double &Width, double &Height, bool &Landscape) = nullptr;
};
TqdzPaperHooks &qdzPaperHooks();

// The most columns a report page divides into.
constexpr int qdzMaxColumns = 1000;
// The largest paper side in millimetres: a page of any size a template asks
// for stays drawable at every scale.
constexpr double qdzMaxPaperSize = 100000;

// Report units (screen pixels at 96 per inch) per millimetre.
constexpr double qdzPixelsPerMM = 3.77953;

// A printable page: paper, margins, columns and the bands on it.
class TqdzReportPage : public TqdzPage
{
    STATION_CLASS(TqdzReportPage, TqdzPage)
public:
    explicit TqdzReportPage(TComponent *AOwner);
    ~TqdzReportPage() override;
    QString GetDescription() const override;
    // Sizes the page to its printable area and its bands to the page (or
    // to a column), then the bands' own views.
    void AlignChildren() override;

    // Rounded to 8 decimals; the paper becomes custom (256).
    virtual void SetPaperHeight(double Value);
    virtual void SetPaperWidth(double Value);
    // A code the paper table knows brings its size (turned for landscape).
    virtual void SetPaperSize(int Value);
    // Margins of 10 mm and the current printer's paper.
    virtual void SetDefaults();

    // The first band among the children that is an instance of BandClass.
    TqdzBand *FindBand(TClass BandClass) const;
    bool IsSubReport() const { return FSubReport != nullptr; }
    // The subreport object that shows this page.
    TqdzComponent *SubReport() const { return FSubReport; }
    void SetSubReport(TqdzComponent *Value) { FSubReport = Value; }

    TPrinterOrientation Orientation() const { return FOrientation; }
    // Turns the paper and the margins with it.
    void SetOrientation(TPrinterOrientation Value);
    double PaperWidth() const { return FPaperWidth; }
    double PaperHeight() const { return FPaperHeight; }
    int PaperSize() const { return FPaperSize; }
    double LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(double Value) { FLeftMargin = Value; }
    double RightMargin() const { return FRightMargin; }
    void SetRightMargin(double Value) { FRightMargin = Value; }
    double TopMargin() const { return FTopMargin; }
    void SetTopMargin(double Value) { FTopMargin = Value; }
    double BottomMargin() const { return FBottomMargin; }
    void SetBottomMargin(double Value) { FBottomMargin = Value; }
    bool MirrorMargins() const { return FMirrorMargins; }
    void SetMirrorMargins(bool Value) { FMirrorMargins = Value; }
    int Columns() const { return FColumns; }
    // Divides the printable width into N columns (0 to qdzMaxColumns).
    void SetColumns(int Value);
    double ColumnWidth() const { return FColumnWidth; }
    void SetColumnWidth(double Value) { FColumnWidth = Value; }
    TStringList *ColumnPositions() const { return FColumnPositions.get(); }
    void SetColumnPositions(TStringList *Value) { FColumnPositions->Assign(Value); }
    int Bin() const { return FBin; }
    void SetBin(int Value) { FBin = Value; }
    int BinOtherPages() const { return FBinOtherPages; }
    void SetBinOtherPages(int Value) { FBinOtherPages = Value; }
    // The background picture, colour and frame belong to the page's own
    // picture view, which DrawBackground draws.
    TPicture *BackPicture() const;
    void SetBackPicture(TPicture *Value);
    bool BackPictureVisible() const { return FBackPictureVisible; }
    void SetBackPictureVisible(bool Value) { FBackPictureVisible = Value; }
    bool BackPicturePrintable() const { return FBackPicturePrintable; }
    void SetBackPicturePrintable(bool Value) { FBackPicturePrintable = Value; }
    int PageCount() const { return FPageCount; }
    // Values of 0 or less are ignored.
    void SetPageCount(int Value);
    TColor Color() const;
    void SetColor(TColor Value);
    TqdzFrame *Frame() const;
    void SetFrame(TqdzFrame *Value);
    TqdzPictureView *PictureView() const { return FPictureView.get(); }
    // The picture view over the printable area, moved by the margins; not
    // on paper unless BackPicturePrintable.
    void DrawBackground(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
    TqdzDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TqdzDataSet *Value);
    QString DataSetName() const;
    void SetDataSetName(const QString &Value);
    TqdzDuplexMode Duplex() const { return FDuplex; }
    void SetDuplex(TqdzDuplexMode Value) { FDuplex = Value; }
    bool EndlessHeight() const { return FEndlessHeight; }
    void SetEndlessHeight(bool Value) { FEndlessHeight = Value; }
    bool EndlessWidth() const { return FEndlessWidth; }
    void SetEndlessWidth(bool Value) { FEndlessWidth = Value; }
    bool LargeDesignHeight() const { return FLargeDesignHeight; }
    void SetLargeDesignHeight(bool Value) { FLargeDesignHeight = Value; }
    const QString &OutlineText() const { return FOutlineText; }
    void SetOutlineText(const QString &Value) { FOutlineText = Value; }
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool Value) { FPrintIfEmpty = Value; }
    bool PrintOnPreviousPage() const { return FPrintOnPreviousPage; }
    void SetPrintOnPreviousPage(bool Value) { FPrintOnPreviousPage = Value; }
    bool ResetPageNumbers() const { return FResetPageNumbers; }
    void SetResetPageNumbers(bool Value) { FResetPageNumbers = Value; }
    bool TitleBeforeHeader() const { return FTitleBeforeHeader; }
    void SetTitleBeforeHeader(bool Value) { FTitleBeforeHeader = Value; }
    TStringList *HGuides() const { return FHGuides.get(); }
    void SetHGuides(TStringList *Value) { FHGuides->Assign(Value); }
    TStringList *VGuides() const { return FVGuides.get(); }
    void SetVGuides(TStringList *Value) { FVGuides->Assign(Value); }
    const QString &OnAfterPrint() const { return FOnAfterPrint; }
    void SetOnAfterPrint(const QString &Value) { FOnAfterPrint = Value; }
    const QString &OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(const QString &Value) { FOnBeforePrint = Value; }
    const QString &OnManualBuild() const { return FOnManualBuild; }
    void SetOnManualBuild(const QString &Value) { FOnManualBuild = Value; }

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    // Paper width and height in millimetres, keeping the paper code, and the
    // bounds recomputed (for pages that adjust the paper they were given).
    void SetPaperDimensions(double Width, double Height);

private:
    // Width and Height in pixels from the paper size.
    void UpdateDimensions();

    TPrinterOrientation FOrientation = poPortrait;
    double FPaperWidth = 0;
    double FPaperHeight = 0;
    int FPaperSize = 0;
    double FLeftMargin = 0;
    double FRightMargin = 0;
    double FTopMargin = 0;
    double FBottomMargin = 0;
    bool FMirrorMargins = false;
    int FColumns = 0;
    double FColumnWidth = 0;
    std::unique_ptr<TStringList> FColumnPositions;
    int FBin = 7;
    int FBinOtherPages = 7;
    std::unique_ptr<TqdzPictureView> FPictureView;
    bool FBackPictureVisible = true;
    bool FBackPicturePrintable = true;
    int FPageCount = 1;
    TqdzDataSet *FDataSet = nullptr;
    QString FDataSetName;
    TqdzDuplexMode FDuplex = dmNone;
    bool FEndlessHeight = false;
    bool FEndlessWidth = false;
    bool FLargeDesignHeight = false;
    QString FOutlineText;
    bool FPrintIfEmpty = true;
    bool FPrintOnPreviousPage = false;
    bool FResetPageNumbers = false;
    bool FTitleBeforeHeader = true;
    std::unique_ptr<TStringList> FHGuides;
    std::unique_ptr<TStringList> FVGuides;
    QString FOnAfterPrint;
    QString FOnBeforePrint;
    QString FOnManualBuild;
    TqdzComponent *FSubReport = nullptr;
    // The subreports that name this page. A report frees its objects without
    // telling them of each other's end, so the page tells these itself.
    std::vector<TqdzSubreport *> FNamedBy;
    friend class TqdzSubreport;
};

// A page that becomes a modal form when the report runs.
class TqdzDialogPage : public TqdzPage
{
    STATION_CLASS(TqdzDialogPage, TqdzPage)
public:
    explicit TqdzDialogPage(TComponent *AOwner);
    ~TqdzDialogPage() override;
    QString GetDescription() const override;
    void FontChanged(TObject *Sender) override;

    // Shows the form modally; the result is its modal result. Without the
    // windows layer the page has no form and this raises NoWindowsError.
    int ShowModal();
    int GetModalResult() const;
    TForm *Form() const { return FForm.get(); }
    QString NoWindowsError() const;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int ClientWidth() const;
    void SetClientWidth(int Value);
    int ClientHeight() const;
    void SetClientHeight(int Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value) { FWindowState = Value; }

#define QDZ_SCRIPT_EVENT(Name)                                                                      \
    const QString &Name() const { return F##Name; }                                                 \
    void Set##Name(const QString &Value) { F##Name = Value; }
    QDZ_SCRIPT_EVENT(OnActivate)
    QDZ_SCRIPT_EVENT(OnClick)
    QDZ_SCRIPT_EVENT(OnCloseQuery)
    QDZ_SCRIPT_EVENT(OnDeactivate)
    QDZ_SCRIPT_EVENT(OnHide)
    QDZ_SCRIPT_EVENT(OnKeyDown)
    QDZ_SCRIPT_EVENT(OnKeyPress)
    QDZ_SCRIPT_EVENT(OnKeyUp)
    QDZ_SCRIPT_EVENT(OnShow)
    QDZ_SCRIPT_EVENT(OnResize)
#undef QDZ_SCRIPT_EVENT

private:
    std::unique_ptr<TForm> FForm;
    // The client size when there is no form to hold it (the form's own at
    // first).
    int FClientWidth = 115;
    int FClientHeight = 59;
    TFormBorderStyle FBorderStyle = bsSizeable;
    QString FCaption;
    TColor FColor = clBtnFace;
    TPosition FPosition = poScreenCenter;
    TWindowState FWindowState = wsNormal;
    QString FOnActivate, FOnClick, FOnCloseQuery, FOnDeactivate, FOnHide, FOnKeyDown, FOnKeyPress, FOnKeyUp,
        FOnShow, FOnResize;
};

// The page that holds the report's datasets and database components; a
// report keeps exactly one, named "Data".
class TqdzDataPage : public TqdzPage
{
    STATION_CLASS(TqdzDataPage, TqdzPage)
public:
    explicit TqdzDataPage(TComponent *AOwner);
    QString GetDescription() const override;
};

// After a template is loaded: gives the report its data page when it has
// none (named "Data", or a unique name when that is taken) and moves the
// dataset and database components found directly on report pages onto it.
TqdzDataPage *qdzCheckDataPage(TqdzReport *Report);

// A control of the class library on a dialog page's form (or, off a dialog
// page, on a hidden parent form), kept in step with the object.
class TqdzDialogControl : public TqdzReportComponent
{
    STATION_CLASS(TqdzDialogControl, TqdzReportComponent)
public:
    explicit TqdzDialogControl(TComponent *AOwner);
    ~TqdzDialogControl() override;

    void SetParent(TqdzComponent *AParent) override;
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    void SetVisible(bool Value) override;
    void SetParentFont(bool Value) override;
    void FontChanged(TObject *Sender) override;
    // Paints the control off-screen on the button-face colour and draws it
    // at the object's place.
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

    TControl *Control() const { return FControl.get(); }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value) { FGroupIndex = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    const QString &Hint() const { return FHint; }
    void SetHint(const QString &Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);

protected:
    // Called by the kinds of control: the object takes Control over.
    void SetControl(TControl *Value);

private:
    void UpdateControl();

    std::unique_ptr<TControl> FControl;
    int FGroupIndex = 0;
    bool FEnabled = true;
    QString FHint;
    bool FShowHint = false;
};

class TqdzChild;
class TqdzDataSet;
class TqdzUserDataSet;

// A strip of a report page that the engine prints, holding views. The
// properties most band kinds share live here; each kind publishes its own.
class TqdzBand : public TqdzReportComponent
{
    STATION_CLASS(TqdzBand, TqdzReportComponent)
public:
    explicit TqdzBand(TComponent *AOwner);
    ~TqdzBand() override;
    // Bands draw nothing of their own: their views are drawn.
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    QString GetDescription() const override;
    // On a dot-matrix page the band snaps to the character grid.
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetHeight(double Value) override;

    // The position of the band's kind in the kind table (0 to 17).
    int GetBandKind() const;

    bool Vertical() const { return FVertical; }
    void SetVertical(bool Value) { FVertical = Value; }
    const QString &OnAfterCalcHeight() const { return FOnAfterCalcHeight; }
    void SetOnAfterCalcHeight(const QString &Value) { FOnAfterCalcHeight = Value; }
    const QString &OnAfterPrint() const { return FOnAfterPrint; }
    void SetOnAfterPrint(const QString &Value) { FOnAfterPrint = Value; }
    const QString &OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(const QString &Value) { FOnBeforePrint = Value; }

    bool AllowSplit() const { return FAllowSplit; }
    void SetAllowSplit(bool Value) { FAllowSplit = Value; }
    TqdzChild *Child() const { return FChild; }
    // A child chain leading back to this band raises "Circular child
    // reference is not allowed".
    void SetChild(TqdzChild *Value);
    bool KeepChild() const { return FKeepChild; }
    void SetKeepChild(bool Value) { FKeepChild = Value; }
    bool PrintChildIfInvisible() const { return FPrintChildIfInvisible; }
    void SetPrintChildIfInvisible(bool Value) { FPrintChildIfInvisible = Value; }
    bool StartNewPage() const { return FStartNewPage; }
    void SetStartNewPage(bool Value) { FStartNewPage = Value; }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool Value) { FStretched = Value; }
    bool PrintOnFirstPage() const { return FPrintOnFirstPage; }
    void SetPrintOnFirstPage(bool Value) { FPrintOnFirstPage = Value; }
    bool PrintOnLastPage() const { return FPrintOnLastPage; }
    void SetPrintOnLastPage(bool Value) { FPrintOnLastPage = Value; }
    bool ReprintOnNewPage() const { return FReprintOnNewPage; }
    void SetReprintOnNewPage(bool Value) { FReprintOnNewPage = Value; }
    bool KeepTogether() const { return FKeepTogether; }
    void SetKeepTogether(bool Value) { FKeepTogether = Value; }
    const QString &OutlineText() const { return FOutlineText; }
    void SetOutlineText(const QString &Value) { FOutlineText = Value; }
    // Run time: the band did not fit where it was being put.
    bool Overflow() const { return FOverflow; }
    void SetOverflow(bool Value) { FOverflow = Value; }

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    bool FOverflow = false;
    bool FVertical = false;
    QString FOnAfterCalcHeight;
    QString FOnAfterPrint;
    QString FOnBeforePrint;
    bool FAllowSplit = false;
    TqdzChild *FChild = nullptr;
    bool FKeepChild = false;
    bool FPrintChildIfInvisible = false;
    bool FStartNewPage = false;
    bool FStretched = false;
    bool FPrintOnFirstPage = true;
    bool FPrintOnLastPage = true;
    bool FReprintOnNewPage = false;
    bool FKeepTogether = false;
    QString FOutlineText;
};

#define QDZ_BAND_CLASS(Name, Base)                                                                  \
    class Name : public Base                                                                        \
    {                                                                                               \
        STATION_CLASS(Name, Base)                                                                   \
    public:                                                                                         \
        explicit Name(TComponent *AOwner);                                                          \
    };

QDZ_BAND_CLASS(TqdzReportTitle, TqdzBand)
QDZ_BAND_CLASS(TqdzReportSummary, TqdzBand)
QDZ_BAND_CLASS(TqdzPageHeader, TqdzBand)
QDZ_BAND_CLASS(TqdzPageFooter, TqdzBand)
QDZ_BAND_CLASS(TqdzHeader, TqdzBand)
QDZ_BAND_CLASS(TqdzFooter, TqdzBand)
QDZ_BAND_CLASS(TqdzChild, TqdzBand)
QDZ_BAND_CLASS(TqdzColumnHeader, TqdzBand)
QDZ_BAND_CLASS(TqdzColumnFooter, TqdzBand)
// The band the engine places objects on that sit directly on a page.
QDZ_BAND_CLASS(TqdzNullBand, TqdzBand)

class TqdzGroupHeader : public TqdzBand
{
    STATION_CLASS(TqdzGroupHeader, TqdzBand)
public:
    explicit TqdzGroupHeader(TComponent *AOwner);
    // With DrillDown, the built page keeps the drill name.
    QByteArray DiffAttributes(TqdzComponent *DefaultObject) override;

    const QString &Condition() const { return FCondition; }
    void SetCondition(const QString &Value) { FCondition = Value; }
    bool DrillDown() const { return FDrillDown; }
    void SetDrillDown(bool Value) { FDrillDown = Value; }
    bool ExpandDrillDown() const { return FExpandDrillDown; }
    void SetExpandDrillDown(bool Value) { FExpandDrillDown = Value; }
    bool ResetPageNumbers() const { return FResetPageNumbers; }
    void SetResetPageNumbers(bool Value) { FResetPageNumbers = Value; }
    bool ShowFooterIfDrillDown() const { return FShowFooterIfDrillDown; }
    void SetShowFooterIfDrillDown(bool Value) { FShowFooterIfDrillDown = Value; }
    bool ShowChildIfDrillDown() const { return FShowChildIfDrillDown; }
    void SetShowChildIfDrillDown(bool Value) { FShowChildIfDrillDown = Value; }
    const QString &DrillName() const { return FDrillName; }
    void SetDrillName(const QString &Value) { FDrillName = Value; }

private:
    QString FCondition;
    bool FDrillDown = false;
    bool FExpandDrillDown = false;
    bool FResetPageNumbers = false;
    bool FShowFooterIfDrillDown = false;
    bool FShowChildIfDrillDown = false;
    QString FDrillName;
};

class TqdzGroupFooter : public TqdzBand
{
    STATION_CLASS(TqdzGroupFooter, TqdzBand)
public:
    explicit TqdzGroupFooter(TComponent *AOwner);
    bool HideIfSingleDataRecord() const { return FHideIfSingleDataRecord; }
    void SetHideIfSingleDataRecord(bool Value) { FHideIfSingleDataRecord = Value; }

private:
    bool FHideIfSingleDataRecord = false;
};

class TqdzOverlay : public TqdzBand
{
    STATION_CLASS(TqdzOverlay, TqdzBand)
public:
    explicit TqdzOverlay(TComponent *AOwner);
    bool PrintOnTop() const { return FPrintOnTop; }
    void SetPrintOnTop(bool Value) { FPrintOnTop = Value; }

private:
    bool FPrintOnTop = false;
};

// The data bands (kinds 6 to 11): one row per record of their dataset, or,
// without one, RowCount rows of their own virtual dataset.
class TqdzDataBand : public TqdzBand
{
    STATION_CLASS(TqdzDataBand, TqdzBand)
public:
    explicit TqdzDataBand(TComponent *AOwner);
    ~TqdzDataBand() override;
    QString GetDescription() const override;

    int Columns() const { return FColumns; }
    // 0 to qdzMaxColumns, as a page's.
    void SetColumns(int Value);
    double ColumnWidth() const { return FColumnWidth; }
    // Within the largest page, either way; 0 for what is no number.
    void SetColumnWidth(double Value);
    double ColumnGap() const { return FColumnGap; }
    void SetColumnGap(double Value);
    TqdzDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TqdzDataSet *Value);
    // The dataset's UserName while one is set, else the stored name.
    QString DataSetName() const;
    // Looks the dataset up by name; the old one stays when none is found.
    void SetDataSetName(const QString &Value);
    bool FooterAfterEach() const { return FFooterAfterEach; }
    void SetFooterAfterEach(bool Value) { FFooterAfterEach = Value; }
    bool KeepFooter() const { return FKeepFooter; }
    void SetKeepFooter(bool Value) { FKeepFooter = Value; }
    bool KeepHeader() const { return FKeepHeader; }
    void SetKeepHeader(bool Value) { FKeepHeader = Value; }
    bool PrintIfDetailEmpty() const { return FPrintIfDetailEmpty; }
    void SetPrintIfDetailEmpty(bool Value) { FPrintIfDetailEmpty = Value; }
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    const QString &OnMasterDetail() const { return FOnMasterDetail; }
    void SetOnMasterDetail(const QString &Value) { FOnMasterDetail = Value; }

    int CurColumn() const { return FCurColumn; }
    // Selects column N (column 1 past the last) and moves the band there.
    void SetCurColumn(int N);
    // Walked when the band has no dataset: RowCount records.
    TqdzUserDataSet *VirtualDataSet() const { return FVirtualDataSet.get(); }

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    int FColumns = 0;
    double FColumnWidth = 0;
    double FColumnGap = 0;
    TqdzDataSet *FDataSet = nullptr;
    QString FDataSetName;
    bool FFooterAfterEach = false;
    bool FKeepFooter = false;
    bool FKeepHeader = false;
    bool FPrintIfDetailEmpty = false;
    int FRowCount = 0;
    QString FOnMasterDetail;
    int FCurColumn = 0;
    std::unique_ptr<TqdzUserDataSet> FVirtualDataSet;
};

QDZ_BAND_CLASS(TqdzMasterData, TqdzDataBand)
QDZ_BAND_CLASS(TqdzDetailData, TqdzDataBand)
QDZ_BAND_CLASS(TqdzSubdetailData, TqdzDataBand)
QDZ_BAND_CLASS(TqdzDataBand4, TqdzDataBand)
QDZ_BAND_CLASS(TqdzDataBand5, TqdzDataBand)
QDZ_BAND_CLASS(TqdzDataBand6, TqdzDataBand)

#undef QDZ_BAND_CLASS

// ------------------------------------------------------------------ datasets


STATION_DECLARE_ENUM(TqdzRangeBegin, rbFirst, rbCurrent)
STATION_DECLARE_ENUM(TqdzRangeEnd, reLast, reCurrent, reCount)
STATION_DECLARE_ENUM(TqdzFieldType, fftNumeric, fftString, fftBoolean)
STATION_EVENT(TqdzCheckEOFEvent, void(TObject *Sender, bool &Eof))
STATION_EVENT(TqdzUserDSGetValueEvent, void(const QString &VarName, Variant &Value))
STATION_EVENT(TqdzUserDSNewGetValueEvent, void(TObject *Sender, const QString &VarName, Variant &Value))

// A non-visual component on a data or dialog page. Its position is kept in
// templates as the defined properties pLeft and pTop.
class TqdzDialogComponent : public TqdzReportComponent
{
    STATION_CLASS(TqdzDialogComponent, TqdzReportComponent)
public:
    explicit TqdzDialogComponent(TComponent *AOwner);
    // Non-visual: nothing shows in built pages.
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

protected:
    void DefineProperties(TFiler *Filer) override;
};

// The row source the engine walks.
class TqdzDataSet : public TqdzDialogComponent
{
    STATION_CLASS(TqdzDataSet, TqdzDialogComponent)
public:
    explicit TqdzDataSet(TComponent *AOwner);
    ~TqdzDataSet() override;

    // The component's rename takes UserName along while it followed Name.
    void SetName(const QString &NewName) override;

    virtual QString GetDisplayText(const QString &Index);
    virtual int GetDisplayWidth(const QString &Index);
    virtual TqdzFieldType GetFieldType(const QString &Index);
    virtual Variant GetValue(const QString &Index);
    // A blank name is refused with "prInvProp".
    virtual void SetUserName(const QString &Value);
    virtual void Initialize();
    virtual void Finalize();
    virtual void Open();
    virtual void Close();
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    virtual int FieldsCount();
    virtual bool IsBlobField(const QString &Index);
    virtual int RecordCount();
    virtual void AssignBlobTo(const QString &Index, TObject *Dest);
    virtual void GetFieldList(TStrings *List);
    bool HasField(const QString &Name);

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    TqdzRangeBegin RangeBegin() const { return FRangeBegin; }
    void SetRangeBegin(TqdzRangeBegin Value) { FRangeBegin = Value; }
    TqdzRangeEnd RangeEnd() const { return FRangeEnd; }
    void SetRangeEnd(TqdzRangeEnd Value) { FRangeEnd = Value; }
    int RangeEndCount() const { return FRangeEndCount; }
    void SetRangeEndCount(int Value) { FRangeEndCount = Value; }
    const QString &UserName() const { return FUserName; }
    bool OpenDataSource() const { return FOpenDataSource; }
    void SetOpenDataSource(bool Value) { FOpenDataSource = Value; }
    bool CloseDataSource() const { return FCloseDataSource; }
    void SetCloseDataSource(bool Value) { FCloseDataSource = Value; }
    int RecNo() const { return FRecNo; }
    void SetRecNo(int Value) { FRecNo = Value; }
    // The report that currently uses the dataset.
    TqdzReport *Report() const { return FReport; }
    void SetReport(TqdzReport *Value) { FReport = Value; }

    TqdzCheckEOFEvent OnCheckEOF() const { return FOnCheckEOF; }
    void SetOnCheckEOF(TqdzCheckEOFEvent Value) { FOnCheckEOF = Value; }
    TNotifyEvent OnFirst() const { return FOnFirst; }
    void SetOnFirst(TNotifyEvent Value) { FOnFirst = Value; }
    TNotifyEvent OnNext() const { return FOnNext; }
    void SetOnNext(TNotifyEvent Value) { FOnNext = Value; }
    TNotifyEvent OnPrior() const { return FOnPrior; }
    void SetOnPrior(TNotifyEvent Value) { FOnPrior = Value; }
    TNotifyEvent OnOpen() const { return FOnOpen; }
    void SetOnOpen(TNotifyEvent Value) { FOnOpen = Value; }
    TNotifyEvent OnClose() const { return FOnClose; }
    void SetOnClose(TNotifyEvent Value) { FOnClose = Value; }

private:
    bool FEnabled = true;
    TqdzRangeBegin FRangeBegin = rbFirst;
    TqdzRangeEnd FRangeEnd = reLast;
    int FRangeEndCount = 0;
    QString FUserName;
    bool FOpenDataSource = true;
    bool FCloseDataSource = false;
    int FRecNo = 0;
    bool FEof = false;
    TqdzReport *FReport = nullptr;
    TqdzCheckEOFEvent FOnCheckEOF;
    TNotifyEvent FOnFirst;
    TNotifyEvent FOnNext;
    TNotifyEvent FOnPrior;
    TNotifyEvent FOnOpen;
    TNotifyEvent FOnClose;
};

// Rows delivered entirely through events.
class TqdzUserDataSet : public TqdzDataSet
{
    STATION_CLASS(TqdzUserDataSet, TqdzDataSet)
public:
    explicit TqdzUserDataSet(TComponent *AOwner);
    ~TqdzUserDataSet() override;

    QString GetDisplayText(const QString &Index) override;
    Variant GetValue(const QString &Index) override;
    int FieldsCount() override;
    void GetFieldList(TStrings *List) override;

    TStringList *Fields() const { return FFields.get(); }
    void SetFields(TStringList *Value) { FFields->Assign(Value); }
    TqdzUserDSGetValueEvent OnGetValue() const { return FOnGetValue; }
    void SetOnGetValue(TqdzUserDSGetValueEvent Value) { FOnGetValue = Value; }
    TqdzUserDSNewGetValueEvent OnNewGetValue() const { return FOnNewGetValue; }
    void SetOnNewGetValue(TqdzUserDSNewGetValueEvent Value) { FOnNewGetValue = Value; }

private:
    std::unique_ptr<TStringList> FFields;
    TqdzUserDSGetValueEvent FOnGetValue;
    TqdzUserDSNewGetValueEvent FOnNewGetValue;
};

// Base of datasets bound to database tables.
class TqdzCustomDBDataSet : public TqdzDataSet
{
    STATION_CLASS(TqdzCustomDBDataSet, TqdzDataSet)
public:
    explicit TqdzCustomDBDataSet(TComponent *AOwner);
    ~TqdzCustomDBDataSet() override;

    int FieldsCount() override;

    TStringList *FieldAliases() const { return FFieldAliases.get(); }
    void SetFieldAliases(TStringList *Value) { FFieldAliases->Assign(Value); }

private:
    std::unique_ptr<TStringList> FFieldAliases;
    std::unique_ptr<TStringList> FFieldList; // sorted
};

// The abstract database connection.
class TqdzCustomDatabase : public TqdzDialogComponent
{
    STATION_CLASS(TqdzCustomDatabase, TqdzDialogComponent)
public:
    explicit TqdzCustomDatabase(TComponent *AOwner);

    virtual bool GetConnected() { return false; }
    virtual void SetConnected(bool) {}
    virtual QString GetDatabaseName() { return QString(); }
    virtual void SetDatabaseName(const QString &) {}
    virtual bool GetLoginPrompt() { return false; }
    virtual void SetLoginPrompt(bool) {}
    virtual TStrings *GetParams() { return nullptr; }
    virtual void SetParams(TStrings *) {}
};

class TqdzDataSetItem : public TCollectionItem
{
    STATION_CLASS(TqdzDataSetItem, TCollectionItem)
public:
    explicit TqdzDataSetItem(TCollection *Collection);

    TqdzDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TqdzDataSet *Value);
    // The dataset's UserName while a dataset is set, else the stored name.
    QString DataSetName() const;
    void SetDataSetName(const QString &Value);

private:
    TqdzDataSet *FDataSet = nullptr;
    QString FDataSetName;
};

class TqdzReportDataSets : public TCollection
{
    STATION_CLASS(TqdzReportDataSets, TCollection)
public:
    explicit TqdzReportDataSets(TqdzReport *AReport);

    TqdzReport *Report() const { return FReport; }
    TqdzDataSetItem *Add() { return static_cast<TqdzDataSetItem *>(TCollection::Add()); }
    TqdzDataSetItem *Items(int Index) const { return static_cast<TqdzDataSetItem *>(TCollection::Items(Index)); }
    void Initialize();
    void Finalize();
    TqdzDataSetItem *Find(TqdzDataSet *DataSet) const;
    // By UserName, without regard to case.
    TqdzDataSetItem *Find(const QString &Name) const;
    // Drops the items that hold the dataset AComponent (it is going away,
    // possibly already past its own destructor).
    void RemoveDataSet(TComponent *AComponent);

private:
    TqdzReport *FReport;
};

// Finds a dataset by its user name for Owner's report: in the report's
// enabled datasets, or, when the report uses the global list, among all
// datasets of the process that belong to no report or to this one. Without
// a report, or when the global list has no match, Current is kept.
TqdzDataSet *qdzFindDataSet(TComponent *Owner, TqdzDataSet *Current, const QString &Name);
// A snapshot of the process-wide dataset list, taken under its lock.
std::vector<TqdzDataSet *> qdzGlobalDataSets();

// The views live in their own header; it needs the classes above.
#include "report/model/qdzClassViews.h"
