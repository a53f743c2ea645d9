// The report drives building, storing and showing pages only through the
// abstract classes here: the engine, the built-page store, its outline and
// the preview control, plus the progress and preview windows. The build
// layer implements them and installs its factories into qdzBuildFactories()
// once at start-up (the report model sits below it and cannot name them).
#pragma once
#include "platform/Classes.h"
#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/SysUtils.h"
#include "platform/Types.h"
#include "platform/Variants.h"
#include "report/model/qdzBuildSession.h"

#include <QString>
#include <memory>

class TCanvas;
class TStream;
class TqdzBand;
class TqdzComponent;
class TqdzCustomExportFilter;
class TqdzCustomOutline;
class TqdzCustomPreview;
class TqdzCustomPreviewPages;
class TqdzDialogPage;
class TqdzPictureView;
class TqdzReport;
class TqdzReportPage;
class TqdzXMLItem;

// What a progress report is about.
STATION_DECLARE_ENUM(TqdzProgressType, ptRunning, ptExporting, ptPrinting)

// -------------------------------------------------------------------- engine

class TqdzCustomEngine : public TPersistent
{
    STATION_CLASS(TqdzCustomEngine, TPersistent)
public:
    explicit TqdzCustomEngine(TqdzReport *AReport);
    ~TqdzCustomEngine() override;

    // The stored page height; engines with endless pages answer otherwise.
    virtual double GetPageHeight();
    virtual void EndPage() = 0;
    virtual void Initialize();
    virtual void NewColumn() = 0;
    virtual void NewPage() = 0;
    virtual void ShowBand(TqdzBand *Band) = 0;
    virtual void ShowBandByClass(TClass BandClass) = 0;
    virtual double HeaderHeight() = 0;
    virtual double FooterHeight() = 0;
    virtual double FreeSpace() = 0;
    // The current value of the aggregate Name (SUM, AVG, MIN, MAX, COUNT)
    // of Expression over Band (none: the band being shown).
    virtual Variant GetAggregateValue(const QString &Name, const QString &Expression, TqdzBand *Band,
                                      int Flags) = 0;
    // Builds the report into the store; True when the report pages were run
    // (the preparation found no error and no dialog page was cancelled),
    // also when they produced no page.
    virtual bool Run() = 0;

    // Sets the report's Terminated: a stop the report asks for itself.
    void StopReport();

    // Runs Body as one build of the report under the caller's Limits: the
    // engine owns the build's session from its set-up to its end
    // (TqdzBuildSession::Run). Body's result.
    bool RunSession(const TqdzBuildLimits &Limits, const std::function<bool()> &Body);
    // The build under way, none between builds.
    TqdzBuildSession *Session() const { return FSession.get(); }

    // --- published
    int CurColumn() const { return FCurColumn; }
    void SetCurColumn(int Value) { FCurColumn = Value; }
    int CurVColumn() const { return FCurVColumn; }
    void SetCurVColumn(int Value) { FCurVColumn = Value; }
    double CurX() const { return FCurX; }
    void SetCurX(double Value) { FCurX = Value; }
    double CurY() const { return FCurY; }
    void SetCurY(double Value) { FCurY = Value; }
    // The report's EngineOptions.DoublePass.
    bool DoublePass() const;
    bool FinalPass() const { return FFinalPass; }
    void SetFinalPass(bool Value) { FFinalPass = Value; }
    double PageHeight() { return GetPageHeight(); }
    void SetPageHeight(double Value) { FPageHeight = Value; }
    double PageWidth() const { return FPageWidth; }
    void SetPageWidth(double Value) { FPageWidth = Value; }
    TDateTime StartDate() const { return FStartDate; }
    void SetStartDate(TDateTime Value) { FStartDate = Value; }
    TDateTime StartTime() const { return FStartTime; }
    void SetStartTime(TDateTime Value) { FStartTime = Value; }
    int TotalPages() const { return FTotalPages; }
    void SetTotalPages(int Value) { FTotalPages = Value; }
    bool SecondScriptCall() const { return FSecondScriptCall; }
    void SetSecondScriptCall(bool Value) { FSecondScriptCall = Value; }

    // --- unpublished
    // The system variables "Line" and "Line#".
    int CurLine() const { return FCurLine; }
    void SetCurLine(int Value) { FCurLine = Value; }
    int CurLineThrough() const { return FCurLineThrough; }
    void SetCurLineThrough(int Value) { FCurLineThrough = Value; }
    // Objects that asked to hear of the run; emptied by the script set-up.
    TList *NotifyList() const { return FNotifyList.get(); }
    TqdzCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TqdzCustomPreviewPages *Value) { FPreviewPages = Value; }
    TqdzReport *Report() const { return FReport; }
    // Set while a build runs: script events of objects fire only then
    // unless forced.
    bool Running() const { return FRunning; }
    void SetRunning(bool Value) { FRunning = Value; }

protected:
    // The stored page height, for GetPageHeight overrides.
    double StoredPageHeight() const { return FPageHeight; }

private:
    int FCurColumn = 0;
    int FCurVColumn = 0;
    double FCurX = 0;
    double FCurY = 0;
    bool FFinalPass = false;
    double FPageHeight = 0;
    double FPageWidth = 0;
    TDateTime FStartDate = 0;
    TDateTime FStartTime = 0;
    int FTotalPages = 0;
    bool FSecondScriptCall = false;
    int FCurLine = 0;
    int FCurLineThrough = 0;
    std::unique_ptr<TList> FNotifyList;
    TqdzCustomPreviewPages *FPreviewPages = nullptr;
    TqdzReport *FReport;
    bool FRunning = false;
    std::unique_ptr<TqdzBuildSession> FSession;
};

// ----------------------------------------------------------- built-page store

class TqdzCustomPreviewPages : public TObject
{
public:
    // Stores the report and creates the outline (through the installed
    // factory; none when the build layer is not installed).
    explicit TqdzCustomPreviewPages(TqdzReport *AReport);
    ~TqdzCustomPreviewPages() override;
    TqdzCustomPreviewPages(const TqdzCustomPreviewPages &) = delete;
    TqdzCustomPreviewPages &operator=(const TqdzCustomPreviewPages &) = delete;

    virtual int GetCount() = 0;
    // The rebuilt page; none when the store is empty.
    virtual TqdzReportPage *GetPage(int Index) = 0;
    // Rounded width and height; (0, 0) out of range.
    virtual TPoint GetPageSize(int Index) = 0;
    virtual void Clear() = 0;
    virtual void Initialize() = 0;
    virtual void AddObject(TqdzComponent *Obj) = 0;
    virtual void AddPage(TqdzReportPage *Page) = 0;
    virtual void AddSourcePage(TqdzReportPage *Page) = 0;
    virtual void AddToSourcePage(TqdzComponent *Obj) = 0;
    virtual void BeginPass() = 0;
    virtual void ClearFirstPassPages() = 0;
    virtual void CutObjects(int FromIndex) = 0;
    virtual void Finish() = 0;
    virtual void IncLogicalPageNumber() = 0;
    virtual void ResetLogicalPageNumber() = 0;
    virtual void PasteObjects(double X, double Y) = 0;
    virtual void ShiftAnchors(int From, int NewTop) = 0;
    virtual void AddPicture(TqdzPictureView *Picture) = 0;
    virtual bool BandExists(TqdzBand *Band) = 0;
    virtual int GetCurPosition() = 0;
    virtual int GetAnchorCurPosition() = 0;
    virtual double GetLastY(double X = 0) = 0;
    virtual int GetLogicalPageNo() = 0;
    virtual int GetLogicalTotalPages() = 0;
    virtual void AddEmptyPage(int Index) = 0;
    virtual void DeletePage(int Index) = 0;
    virtual void ModifyPage(int Index, TqdzReportPage *Page) = 0;
    virtual void DrawPage(int Index, TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                          double OffsetY) = 0;
    // Hit test at (X, Y) of page Index; Cursor receives the cursor to show.
    // Button, Shift and DblClick go on to the report's preview click.
    virtual void ObjectAtPoint(int Index, int X, int Y, bool Click, TCursor &Cursor, double Scale, double OffsetX,
                               double OffsetY, TMouseButton Button, TShiftState Shift, bool DblClick = false) = 0;
    virtual void AddPagesFrom(TqdzReport *AReport) = 0;
    virtual void LoadFromStream(TStream *Stream, bool AllowPartialLoading = false) = 0;
    virtual void SaveToStream(TStream *Stream) = 0;
    // Whether the file exists; with ExceptionIfNotFound a missing file raises.
    virtual bool LoadFromFile(const QString &FileName, bool ExceptionIfNotFound = false) = 0;
    virtual void SaveToFile(const QString &FileName) = 0;
    // Prints with the report's PrintOptions; False when nothing was printed.
    virtual bool Print() = 0;
    virtual void Export(TqdzCustomExportFilter *Filter) = 0;
    // Named positions in the built pages. They live in the store's own
    // document, which only the implementation knows.
    virtual void AddAnchor(const QString &Text) = 0;
    // The 1-based page of the last anchor named Text; 1 when none is.
    virtual int GetAnchorPage(const QString &Text) = 0;

    TqdzCustomEngine *Engine() const { return FEngine; }
    void SetEngine(TqdzCustomEngine *Value) { FEngine = Value; }
    TqdzCustomOutline *Outline() const { return FOutline.get(); }
    TqdzReport *Report() const { return FReport; }
    // Index of the current built page; -1 when there is none.
    int CurPage() const { return FCurPage; }
    void SetCurPage(int Value) { FCurPage = Value; }
    // Index of this report's first page, for logical page numbers.
    int FirstPage() const { return FFirstPage; }
    void SetFirstPage(int Value) { FFirstPage = Value; }

private:
    TqdzCustomEngine *FEngine = nullptr;
    std::unique_ptr<TqdzCustomOutline> FOutline;
    TqdzReport *FReport;
    int FCurPage = -1;
    int FFirstPage = 0;
};

// -------------------------------------------------------------------- outline

class TqdzCustomOutline : public TPersistent
{
    STATION_CLASS(TqdzCustomOutline, TPersistent)
public:
    explicit TqdzCustomOutline(TqdzCustomPreviewPages *APreviewPages);

    // Children of the current item; 0 without one.
    virtual int GetCount() = 0;
    // Appends an item on the store's current page at Top; it becomes current.
    virtual void AddItem(const QString &Text, int Top) = 0;
    virtual void LevelDown(int Index) = 0;
    virtual void LevelRoot() = 0;
    virtual void LevelUp() = 0;
    // Page and Top change only when the item carries them.
    virtual void GetItem(int Index, QString &Text, int &Page, int &Top) = 0;
    virtual void ShiftItems(TqdzXMLItem *From, int NewTop) = 0;
    virtual TqdzXMLItem *GetLastItem() = 0;

    TqdzCustomEngine *GetEngine() const;
    TqdzXMLItem *CurItem() const { return FCurItem; }
    void SetCurItem(TqdzXMLItem *Value) { FCurItem = Value; }
    TqdzCustomPreviewPages *PreviewPages() const { return FPreviewPages; }

private:
    TqdzXMLItem *FCurItem = nullptr;
    TqdzCustomPreviewPages *FPreviewPages;
};

// -------------------------------------------------------------------- preview

class TqdzCustomPreview : public TCustomControl
{
    STATION_CLASS(TqdzCustomPreview, TCustomControl)
public:
    explicit TqdzCustomPreview(TComponent *AOwner);

    virtual void Init() = 0;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    virtual void RefreshReport() = 0;
    virtual void ProgressStart(TqdzReport *Sender, TqdzProgressType ProgressType, int Progress) = 0;
    virtual void ProgressStep(TqdzReport *Sender, TqdzProgressType ProgressType, int Progress) = 0;
    virtual void ProgressStop(TqdzReport *Sender, TqdzProgressType ProgressType, int Progress) = 0;

    TqdzReport *Report() const { return FReport; }
    void SetReport(TqdzReport *Value) { FReport = Value; }
    TqdzCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TqdzCustomPreviewPages *Value) { FPreviewPages = Value; }

private:
    TqdzReport *FReport = nullptr;
    TqdzCustomPreviewPages *FPreviewPages = nullptr;
};

// ------------------------------------------------------------------- windows

// The progress window of a build, print or export.
class TqdzCustomProgress : public TForm
{
    STATION_CLASS(TqdzCustomProgress, TForm)
public:
    explicit TqdzCustomProgress(TComponent *AOwner);

    // Shows the window (not modal) with a cleared Terminated.
    virtual void Execute(int MaxValue, const QString &Message, bool ShowProgressBar, bool ShowCancel) = 0;
    virtual void SetMessage(const QString &Value) = 0;
    // Set by the window's cancel button.
    virtual bool Terminated() const = 0;
};

// The window that shows a report's built pages.
class TqdzCustomPreviewForm : public TForm
{
    STATION_CLASS(TqdzCustomPreviewForm, TForm)
public:
    explicit TqdzCustomPreviewForm(TComponent *AOwner);

    // The window's preview control.
    virtual TqdzCustomPreview *GetPreview() = 0;
    // Takes the report's preview options and the report's title.
    virtual void Init() = 0;
    // The status line: with IsHint the hint panel, else the message panel.
    virtual void SetStatusText(const QString &Text, bool IsHint) = 0;
};

// ----------------------------------------------------------------- factories

// Asks for the report's password; True with the typed text when confirmed.
using TqdzPasswordPrompt = bool (*)(QString &Password);

// What the build layer installs. A missing entry means the report cannot do
// what needs it: building fails with an error, showing shows nothing.
struct TqdzBuildFactories
{
    TqdzCustomEngine *(*CreateEngine)(TqdzReport *AReport) = nullptr;
    TqdzCustomPreviewPages *(*CreatePreviewPages)(TqdzReport *AReport) = nullptr;
    TqdzCustomOutline *(*CreateOutline)(TqdzCustomPreviewPages *APreviewPages) = nullptr;
    TqdzCustomProgress *(*CreateProgress)(TComponent *AOwner) = nullptr;
    // The preview window for a report; its Preview control is set up by the
    // report.
    TqdzCustomPreviewForm *(*CreatePreviewForm)(TComponent *AOwner) = nullptr;
    TqdzPasswordPrompt PasswordPrompt = nullptr;
    // The form a dialog page shows. Without it a dialog page has no form and
    // a build that would show one ends with an error.
    TForm *(*CreateDialogForm)(TqdzDialogPage *Page) = nullptr;
    // Shows an error to the user. Without it nothing is shown: the error
    // stays in the report's Errors.
    void (*ShowErrorMessage)(const QString &Text) = nullptr;
    // Shows an export filter's own dialog. Without it the filter runs
    // without its dialog.
    TModalResult (*ShowExportDialog)(TqdzCustomExportFilter *Filter) = nullptr;
    // Makes the printer of that name current when the printer list knows it.
    void (*SelectPrinter)(const QString &Name) = nullptr;
};

// The installed factories (all empty until qdzInstallBuildFactories).
const TqdzBuildFactories &qdzBuildFactories();
// Installs the factories, the password prompt included. Reports created
// before the call have no engine: create them after it.
void qdzInstallBuildFactories(const TqdzBuildFactories &Factories);
