// Message and input boxes and the common dialogs (open, save, colour, font,
// print, printer set-up) over Qt's dialogs.
//
// Answering dialogs without a person: a process-wide dialog hook, when set,
// is asked instead of showing any of these dialogs (and Application's
// MessageBox asks it too). It receives a TDialogRequest describing the
// dialog, may fill in the answer (Value, Files, Color, Font...), and returns
// the button pressed as a modal result (mrOk, mrYes... or IDOK, IDYES... for
// a MessageBox, which share the same numbers). TScopedDialogHook installs one
// for a scope:
//
//   TScopedDialogHook answer([](TDialogRequest &R) { R.Value = "42"; return mrOk; });
//   QString v;  InputQuery("Tare", "Weight", v);   // v == "42", no window shown
#pragma once
#include "Classes.h"
#include "Colors.h"
#include "Component.h"
#include "Controls.h"
#include "Font.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QPrinter;

STATION_DECLARE_ENUM(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom)
STATION_DECLARE_ENUM(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
                     mbYesToAll, mbHelp)
STATION_DECLARE_SET(TMsgDlgButtons, TMsgDlgBtn)

inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
inline const TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// --- the hook ---------------------------------------------------------------

enum class TDialogKind {
    MessageBox, MessageDlg, ShowMessage, InputQuery, OpenDialog, SaveDialog, ColorDialog, FontDialog,
    PrintDialog, PrinterSetupDialog
};

struct TDialogRequest {
    TDialogKind Kind = TDialogKind::MessageDlg;
    QString Caption;           // window title
    QString Text;              // message, or the prompt of an input box
    int Flags = 0;             // MessageBox: the MB_* flags
    TMsgDlgType DlgType = mtCustom;
    TMsgDlgButtons Buttons;    // MessageDlg
    QString Value;             // InputQuery: in and out; file dialogs: the file name in and out
    QStringList Files;         // file dialogs: the files chosen (out)
    QString Filter;            // file dialogs, as the program wrote it ("desc|*.ext|...")
    int FilterIndex = 1;       // file dialogs, 1-based, in and out
    QString InitialDir;
    TColor Color = clBlack;    // colour dialog, in and out
    TFont *Font = nullptr;     // font dialog: the dialog's font, may be changed
    int Copies = 1, FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0; // print dialog
    int PrintRange = 0;        // TPrintRange
    bool Collate = false, PrintToFile = false;
};

// Returns the modal result of the answer; mrNone (0) means "not answered
// here": the dialog is then shown for real.
using TDialogHook = std::function<int(TDialogRequest &Request)>;
void SetDialogHook(TDialogHook Hook);
TDialogHook DialogHook();
// Asks the hook; false when there is none or it did not answer. Without a
// QApplication (a program with a QCoreApplication or QGuiApplication) every
// dialog is answered mrCancel, as no widget can be created there.
bool AskDialogHook(TDialogRequest &Request, int &Result);

class TScopedDialogHook
{
public:
    explicit TScopedDialogHook(TDialogHook Hook);
    ~TScopedDialogHook();
    TScopedDialogHook(const TScopedDialogHook &) = delete;
    TScopedDialogHook &operator=(const TScopedDialogHook &) = delete;

private:
    TDialogHook FPrevious;
};

// --- message and input boxes -----------------------------------------------

// Shows Msg with the buttons of the set, in the set's order; returns the
// modal result of the button pressed (Escape or closing the window gives
// Cancel, else No, else OK when present). The title is "Warning", "Error",
// "Information", "Confirm", or the application's title for mtCustom.
int MessageDlg(const QString &Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);
void ShowMessage(const QString &Msg);
// True when the user confirmed; Value is changed only then.
bool InputQuery(const QString &ACaption, const QString &APrompt, QString &Value);
// The text entered, or ADefault when cancelled.
QString InputBox(const QString &ACaption, const QString &APrompt, const QString &ADefault);

// --- common dialogs ------------------------------------------------------------

class TCommonDialog : public TComponent
{
    STATION_CLASS(TCommonDialog, TComponent)
public:
    explicit TCommonDialog(TComponent *AOwner) : TComponent(AOwner) {}
    // Shows the dialog modally; true when the user confirmed.
    virtual bool Execute() = 0;

    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value) { FCtl3D = Value; }
    TNotifyEvent OnShow() const { return FOnShow; }
    void SetOnShow(TNotifyEvent Value) { FOnShow = Value; }
    TNotifyEvent OnClose() const { return FOnClose; }
    void SetOnClose(TNotifyEvent Value) { FOnClose = Value; }

protected:
    void DoShow();
    void DoClose();

private:
    int FHelpContext = 0;
    bool FCtl3D = true;
    TNotifyEvent FOnShow;
    TNotifyEvent FOnClose;
};

STATION_DECLARE_ENUM(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp,
                     ofNoValidate, ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist,
                     ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,
                     ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,
                     ofEnableSizing)
STATION_DECLARE_SET(TOpenOptions, TOpenOption)
STATION_DECLARE_ENUM(TFileEditStyle, fsEdit, fsComboBox)

// Qt name filters of a filter text "Text files|*.txt;*.log|All|*.*": each
// description with its patterns in parentheses, unless it shows them already.
QStringList FilterToNameFilters(const QString &Filter);

class TOpenDialog : public TCommonDialog
{
    STATION_CLASS(TOpenDialog, TCommonDialog)
public:
    explicit TOpenDialog(TComponent *AOwner);
    ~TOpenDialog() override;
    bool Execute() override;

    QString DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString &Value) { FDefaultExt = Value; }
    QString FileName() const { return FFileName; }
    void SetFileName(const QString &Value) { FFileName = Value; }
    // The files chosen by the last Execute.
    TStrings *Files() const { return FFiles.get(); }
    QString Filter() const { return FFilter; }
    void SetFilter(const QString &Value) { FFilter = Value; }
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int Value) { FFilterIndex = Value; }
    QString InitialDir() const { return FInitialDir; }
    void SetInitialDir(const QString &Value) { FInitialDir = Value; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString &Value) { FTitle = Value; }
    TFileEditStyle FileEditStyle() const { return FFileEditStyle; }
    void SetFileEditStyle(TFileEditStyle Value) { FFileEditStyle = Value; }

protected:
    bool DoExecute(bool Save);

private:
    QString FDefaultExt;
    QString FFileName;
    std::unique_ptr<TStringList> FFiles;
    QString FFilter;
    int FFilterIndex = 1;
    QString FInitialDir;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
    QString FTitle;
    TFileEditStyle FFileEditStyle = fsEdit;
};

class TSaveDialog : public TOpenDialog
{
    STATION_CLASS(TSaveDialog, TOpenDialog)
public:
    explicit TSaveDialog(TComponent *AOwner) : TOpenDialog(AOwner) {}
    bool Execute() override;
};

STATION_DECLARE_ENUM(TColorDialogOption, cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor)
STATION_DECLARE_SET(TColorDialogOptions, TColorDialogOption)

class TColorDialog : public TCommonDialog
{
    STATION_CLASS(TColorDialog, TCommonDialog)
public:
    explicit TColorDialog(TComponent *AOwner);
    ~TColorDialog() override;
    bool Execute() override;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    // "ColorA=RRGGBB" ... "ColorP=..." lines, as hex BGR values.
    TStrings *CustomColors() const { return FCustomColors.get(); }
    void SetCustomColors(TStrings *Value);
    TColorDialogOptions Options() const { return FOptions; }
    void SetOptions(TColorDialogOptions Value) { FOptions = Value; }

private:
    TColor FColor = clBlack;
    std::unique_ptr<TStringList> FCustomColors;
    TColorDialogOptions FOptions;
};

STATION_DECLARE_ENUM(TFontDialogOption, fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist,
                     fdNoFaceSel, fdNoOEMFonts, fdNoSimulations, fdNoSizeSel, fdNoStyleSel, fdNoVectorFonts,
                     fdShowHelp, fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton)
STATION_DECLARE_SET(TFontDialogOptions, TFontDialogOption)
STATION_DECLARE_ENUM(TFontDialogDevice, fdScreen, fdPrinter, fdBoth)

class TFontDialog : public TCommonDialog
{
    STATION_CLASS(TFontDialog, TCommonDialog)
public:
    explicit TFontDialog(TComponent *AOwner);
    ~TFontDialog() override;
    bool Execute() override;

    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value) { FFont->Assign(Value); }
    TFontDialogDevice Device() const { return FDevice; }
    void SetDevice(TFontDialogDevice Value) { FDevice = Value; }
    int MinFontSize() const { return FMinFontSize; }
    void SetMinFontSize(int Value) { FMinFontSize = Value; }
    int MaxFontSize() const { return FMaxFontSize; }
    void SetMaxFontSize(int Value) { FMaxFontSize = Value; }
    TFontDialogOptions Options() const { return FOptions; }
    void SetOptions(TFontDialogOptions Value) { FOptions = Value; }

private:
    std::unique_ptr<TFont> FFont;
    TFontDialogDevice FDevice = fdScreen;
    int FMinFontSize = 0;
    int FMaxFontSize = 0;
    TFontDialogOptions FOptions{fdEffects};
};

STATION_DECLARE_ENUM(TPrintRange, prAllPages, prSelection, prPageNums)
STATION_DECLARE_ENUM(TPrintDialogOption, poPrintToFile, poPageNums, poSelection, poWarning, poHelp,
                     poDisablePrintToFile)
STATION_DECLARE_SET(TPrintDialogOptions, TPrintDialogOption)

// The printer the print and printer set-up dialogs work on. The printer
// layer installs the current printer's QPrinter; without one the dialogs use
// a printer of their own.
void SetDialogPrinterProvider(std::function<QPrinter *()> Provider);

class TPrintDialog : public TCommonDialog
{
    STATION_CLASS(TPrintDialog, TCommonDialog)
public:
    explicit TPrintDialog(TComponent *AOwner) : TCommonDialog(AOwner) {}
    bool Execute() override;

    bool Collate() const { return FCollate; }
    void SetCollate(bool Value) { FCollate = Value; }
    int Copies() const { return FCopies; }
    void SetCopies(int Value) { FCopies = Value; }
    int FromPage() const { return FFromPage; }
    void SetFromPage(int Value) { FFromPage = Value; }
    int ToPage() const { return FToPage; }
    void SetToPage(int Value) { FToPage = Value; }
    int MinPage() const { return FMinPage; }
    void SetMinPage(int Value) { FMinPage = Value; }
    int MaxPage() const { return FMaxPage; }
    void SetMaxPage(int Value) { FMaxPage = Value; }
    TPrintDialogOptions Options() const { return FOptions; }
    void SetOptions(TPrintDialogOptions Value) { FOptions = Value; }
    TPrintRange PrintRange() const { return FPrintRange; }
    void SetPrintRange(TPrintRange Value) { FPrintRange = Value; }
    bool PrintToFile() const { return FPrintToFile; }
    void SetPrintToFile(bool Value) { FPrintToFile = Value; }

private:
    bool FCollate = false;
    int FCopies = 0;
    int FFromPage = 0;
    int FToPage = 0;
    int FMinPage = 0;
    int FMaxPage = 0;
    TPrintDialogOptions FOptions;
    TPrintRange FPrintRange = prAllPages;
    bool FPrintToFile = false;
};

class TPrinterSetupDialog : public TCommonDialog
{
    STATION_CLASS(TPrinterSetupDialog, TCommonDialog)
public:
    explicit TPrinterSetupDialog(TComponent *AOwner) : TCommonDialog(AOwner) {}
    bool Execute() override;
};
