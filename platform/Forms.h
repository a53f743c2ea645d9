// Forms, data modules, the application and the screen. Every form is its own
// top-level Qt window (never a Qt child of another form), so disabling one
// form leaves the others usable. ShowModal runs a nested event loop until
// ModalResult is non-zero. The application filters every Qt input event: its
// OnMessage hook sees it first, then keys take the class library's path
// (form with KeyPreview, the focused control, Enter/Escape to the default and
// cancel buttons, then the character).
#pragma once
#include <QCursor>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include "Controls.h"
#include <QPointF>
#include <QString>
#include <functional>
#include <new>
#include <array>
#include <vector>

class QKeyEvent;
class QObject;
class TApplication;
class TScreen;

STATION_DECLARE_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
STATION_DECLARE_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
STATION_DECLARE_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
                     poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
STATION_DECLARE_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)
STATION_DECLARE_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
STATION_DECLARE_SET(TBorderIcons, TBorderIcon)

STATION_EVENT(TCloseEvent, void(TObject *Sender, TCloseAction &Action))
STATION_EVENT(TCloseQueryEvent, void(TObject *Sender, bool &CanClose))
STATION_EVENT(TMessageEvent, void(TMsg &Msg, bool &Handled))
STATION_EVENT(TExceptionEvent, void(TObject *Sender, Exception *E))

// Message box flags and results.
enum : int {
    MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5, MB_ICONHAND = 0x10, MB_ICONSTOP = 0x10,
    MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30,
    MB_ICONWARNING = 0x30, MB_ICONASTERISK = 0x40, MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200,
    MB_APPLMODAL = 0x0, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// --- TScrollingWinControl ----------------------------------------------------

STATION_DECLARE_ENUM(TScrollBarKind, sbHorizontal, sbVertical)

class TScrollingWinControl;
class QScrollBar;

// One scroll bar of a scrolling control. On a control that scrolls (a scroll
// box) it drives the control's scroll bar; a form does not scroll, so there
// the values are only kept.
class TControlScrollBar : public TPersistent
{
    STATION_CLASS(TControlScrollBar, TPersistent)
public:
    TControlScrollBar(TScrollingWinControl *Control, TScrollBarKind Kind);

    TScrollBarKind Kind() const { return FKind; }
    // Distance of one step of the arrows.
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value);
    // Space kept beyond the farthest child when the range follows the children.
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    int Position() const;
    void SetPosition(int Value);
    // 0: the range follows the children; otherwise the extent scrolled over.
    int Range() const { return FRange; }
    void SetRange(int Value);
    bool Tracking() const { return FTracking; }
    void SetTracking(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    // Largest position (0 when everything is in view).
    int ScrollRange() const;

    void Assign(TPersistent *Source) override;

private:
    QScrollBar *Bar() const;
    void Changed();
    TScrollingWinControl *FControl;
    TScrollBarKind FKind;
    int FIncrement = 8;
    int FMargin = 0;
    int FPosition = 0;
    int FRange = 0;
    bool FTracking = false;
    bool FVisible = true;
};

class TScrollingWinControl : public TWinControl
{
    STATION_CLASS(TScrollingWinControl, TWinControl)
public:
    explicit TScrollingWinControl(TComponent *AOwner);
    ~TScrollingWinControl() override;

    TControlScrollBar *HorzScrollBar() const { return FHorzScrollBar; }
    void SetHorzScrollBar(TControlScrollBar *Value) { FHorzScrollBar->Assign(Value); }
    TControlScrollBar *VertScrollBar() const { return FVertScrollBar; }
    void SetVertScrollBar(TControlScrollBar *Value) { FVertScrollBar->Assign(Value); }

    // The Qt scroll bar of a kind when the control scrolls; null otherwise.
    virtual QScrollBar *ScrollBarWidget(TScrollBarKind) const { return nullptr; }
    // Range, margin or visibility of a scroll bar changed.
    virtual void ScrollBarChanged() {}

private:
    TControlScrollBar *FHorzScrollBar;
    TControlScrollBar *FVertScrollBar;
};

// --- TCustomForm / TForm -------------------------------------------------------

class TCustomForm : public TScrollingWinControl
{
    STATION_CLASS(TCustomForm, TScrollingWinControl)
public:
    explicit TCustomForm(TComponent *AOwner);
    ~TCustomForm() override;

    // OnCreate; Application->CreateForm calls it once the form is built.
    virtual void AfterConstruction();
    // OnDestroy, once, before the form goes. Release, caFree and the
    // application's end call it; code that deletes a form whose OnDestroy is
    // a method of the form itself calls it first.
    virtual void BeforeDestruction();

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState Value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    // Kept for stored forms; fonts are at a fixed 96 pixels per inch.
    bool Scaled() const { return FScaled; }
    void SetScaled(bool Value) { FScaled = Value; }
    TWinControl *ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl *Control);
    // Makes Control the active control; raises when the form cannot take the focus.
    void FocusControl(TWinControl *Control);
    bool Active() const;
    TCanvas *Canvas() const { return FCanvas; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value);
    bool Modal() const { return FModal; }

    void SetVisible(bool Value) override;
    void Show() override;
    void Hide() override;
    virtual int ShowModal();
    void Close();
    // Frees the form once the events being handled are done.
    void Release();
    virtual bool CloseQuery();

    TNotifyEvent OnCreate() const { return FOnCreate; }
    void SetOnCreate(TNotifyEvent Value) { FOnCreate = Value; }
    TNotifyEvent OnDestroy() const { return FOnDestroy; }
    void SetOnDestroy(TNotifyEvent Value) { FOnDestroy = Value; }
    TNotifyEvent OnShow() const { return FOnShow; }
    void SetOnShow(TNotifyEvent Value) { FOnShow = Value; }
    TNotifyEvent OnHide() const { return FOnHide; }
    void SetOnHide(TNotifyEvent Value) { FOnHide = Value; }
    TNotifyEvent OnActivate() const { return FOnActivate; }
    void SetOnActivate(TNotifyEvent Value) { FOnActivate = Value; }
    TNotifyEvent OnDeactivate() const { return FOnDeactivate; }
    void SetOnDeactivate(TNotifyEvent Value) { FOnDeactivate = Value; }
    TNotifyEvent OnPaint() const { return FOnPaint; }
    void SetOnPaint(TNotifyEvent Value) { FOnPaint = Value; }
    TCloseEvent OnClose() const { return FOnClose; }
    void SetOnClose(TCloseEvent Value) { FOnClose = Value; }
    TCloseQueryEvent OnCloseQuery() const { return FOnCloseQuery; }
    void SetOnCloseQuery(TCloseQueryEvent Value) { FOnCloseQuery = Value; }

    // Called by the application's focus tracking and by dying controls.
    void SetFocusedControl(TWinControl *Control);
    void DefocusControl(TWinControl *Control, bool Removing);
    bool HostEvent(QEvent *Event) override;
    void HostEventAfter(QEvent *Event) override;
    bool HostPaint(QPaintEvent *Event) override;

protected:
    QString GetText() const override;
    void SetTextValue(const QString &Value) override;
    void UpdateWidgetVisibility() override;
    bool FixedWindowSize() const override;
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction &Action);
    virtual void Activate();
    virtual void Deactivate();
    void Paint() override;
    void CloseModal();
    void ApplyWindowFlags();
    void ApplyPosition();
    void FocusFirst();

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    bool FKeyPreview = false;
    bool FScaled = true;
    TWinControl *FActiveControl = nullptr;
    TWinControl *FFocusedControl = nullptr;
    TControlCanvas *FCanvas;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FCreated = false;
    bool FDestroyed = false;
    bool FShowing = false;
    bool FReleasing = false;
    TNotifyEvent FOnCreate;
    TNotifyEvent FOnDestroy;
    TNotifyEvent FOnShow;
    TNotifyEvent FOnHide;
    TNotifyEvent FOnActivate;
    TNotifyEvent FOnDeactivate;
    TNotifyEvent FOnPaint;
    TCloseEvent FOnClose;
    TCloseQueryEvent FOnCloseQuery;
};

class TForm : public TCustomForm
{
    STATION_CLASS(TForm, TCustomForm)
public:
    explicit TForm(TComponent *AOwner) : TCustomForm(AOwner) {}
};

// --- TDataModule -------------------------------------------------------------

class TDataModule : public TComponent
{
    STATION_CLASS(TDataModule, TComponent)
public:
    explicit TDataModule(TComponent *AOwner);
    ~TDataModule() override;
    virtual void AfterConstruction();
    virtual void BeforeDestruction();
    TNotifyEvent OnCreate() const { return FOnCreate; }
    void SetOnCreate(TNotifyEvent Value) { FOnCreate = Value; }
    TNotifyEvent OnDestroy() const { return FOnDestroy; }
    void SetOnDestroy(TNotifyEvent Value) { FOnDestroy = Value; }

private:
    TNotifyEvent FOnCreate;
    TNotifyEvent FOnDestroy;
    bool FCreated = false;
    bool FDestroyed = false;
};

// --- TApplication --------------------------------------------------------------

class TApplication : public TComponent
{
    STATION_CLASS(TApplication, TComponent)
public:
    explicit TApplication(TComponent *AOwner);
    ~TApplication() override;

    void Initialize();
    // Creates a form (or data module) owned by the application. Reference is
    // set before the constructor runs, so OnCreate code can use it; the first
    // form created this way becomes the main form.
    template <class T>
    void CreateForm(T *&Reference)
    {
        HookEvents();
        void *mem = ::operator new(sizeof(T));
        Reference = static_cast<T *>(mem);
        T *made;
        try {
            made = new (mem) T(this);
        } catch (...) {
            ::operator delete(mem);
            Reference = nullptr;
            throw;
        }
        FormCreated(made);
    }
    // Shows the main form and handles events until Terminate.
    void Run();
    void ProcessMessages();
    // Handles events, waiting for one when none is pending.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    void Minimize();
    void Restore();
    // Shows the exception being handled (call from a catch block); EAbort is silent.
    void HandleException(TObject *Sender);
    void ShowException(Exception *E);
    int MessageBox(const QString &Text, const QString &Caption, int Flags = MB_OK);

    TCustomForm *MainForm() const { return FMainForm; }
    QString ExeName() const;
    QString Title() const;
    void SetTitle(const QString &Value) { FTitle = Value; }
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool Value) { FShowMainForm = Value; }

    TMessageEvent OnMessage() const { return FOnMessage; }
    void SetOnMessage(TMessageEvent Value) { FOnMessage = Value; }
    TExceptionEvent OnException() const { return FOnException; }
    void SetOnException(TExceptionEvent Value) { FOnException = Value; }

    // Installs the event filter and focus tracking once a QApplication exists.
    void HookEvents();
    // The event filter's work; true when the event is used up.
    bool FilterEvent(QObject *Receiver, QEvent *Event);
    // A form is going away.
    void FormDestroying(TCustomForm *Form);

private:
    void FormCreated(TComponent *Instance);
    bool DispatchKey(QWidget *Receiver, QKeyEvent *Event);
    bool CallOnMessage(TMsg &Msg);
    void FocusChanged(QWidget *Old, QWidget *Now);

    TCustomForm *FMainForm = nullptr;
    bool FTerminated = false;
    bool FShowMainForm = true;
    bool FHooked = false;
    bool FResending = false;
    bool FMinimized = false;
    QString FTitle;
    QObject *FFilter = nullptr;
    int FLastMouseType = 0;
    quint64 FLastMouseTime = 0;
    QPointF FLastMousePos;
    // The key events last handed to the class library and the widgets they
    // went to: Qt offers the same event to each parent when it is not
    // accepted, possibly only after a modal box the handler opened has taken
    // other keys of its own (so one entry is not enough).
    struct THandledKey {
        const QEvent *Event = nullptr;
        int Type = 0;
        int Key = 0;
        quint64 Time = 0;
        QPointer<QWidget> Widget;
    };
    std::array<THandledKey, 8> FHandledKeys;
    size_t FNextHandledKey = 0;
    std::vector<QWidget *> FMinimizedWindows;
    TMessageEvent FOnMessage;
    TExceptionEvent FOnException;
};

// --- TScreen -------------------------------------------------------------------

class TScreen : public TComponent
{
    STATION_CLASS(TScreen, TComponent)
public:
    explicit TScreen(TComponent *AOwner) : TComponent(AOwner) {}
    ~TScreen() override;
    int Width() const;
    int Height() const;
    int PixelsPerInch() const { return 96; }
    int FormCount() const { return int(FForms.size()); }
    TCustomForm *Forms(int Index) const;
    TCustomForm *ActiveForm() const;
    TWinControl *ActiveControl() const;
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    // The cursor table: ids given a cursor of their own (SetCursors) show it;
    // the standard ids otherwise keep their Qt shapes and any other id is the
    // default arrow.
    QCursor Cursors(TCursor Index) const;
    void SetCursors(TCursor Index, const QCursor &Value);

    // Called by forms as they come and go.
    void AddForm(TCustomForm *Form);
    void RemoveForm(TCustomForm *Form);

private:
    std::vector<TCustomForm *> FForms;
    TCursor FCursor = crDefault;
    QHash<TCursor, QCursor> FCursors;
};

// --- The process-wide objects ----------------------------------------------------

// Makes the forms, controls and menus creatable by class name (FindClass,
// GetClass). The application object does it when it comes up.
void RegisterFormsClasses();

// Loads Qt's own translations (standard buttons of dialogs and message
// boxes) for the locale, replacing those loaded before; false, and Qt's
// English texts, when the locale has none installed.
bool InstallQtTranslations(const QLocale &Locale);

TApplication *GetApplication();
TScreen *GetScreen();
// Frees the application object and the forms it owns (end of the program).
void DoneApplication();

struct TApplicationRef {
    TApplication *operator->() const { return GetApplication(); }
    operator TApplication *() const { return GetApplication(); }
};
struct TScreenRef {
    TScreen *operator->() const { return GetScreen(); }
    operator TScreen *() const { return GetScreen(); }
};
inline constexpr TApplicationRef Application{};
inline constexpr TScreenRef Screen{};
