// Implementation of forms, data modules, the application and the screen.
#include "Forms.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "ExtCtrls.h"
#include "Grids.h"
#include "Menus.h"
#include "StdCtrls.h"
#include <QPointer>
#include <QAbstractEventDispatcher>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <mutex>

namespace {

TApplication *GApplication = nullptr;
TScreen *GScreen = nullptr;

// A script on a worker thread may be the first to ask for either.
std::recursive_mutex &GlobalsLock()
{
    static std::recursive_mutex lock;
    return lock;
}

class TAppEventFilter : public QObject
{
public:
    explicit TAppEventFilter(TApplication *App) : FApp(App) {}
    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        return FApp->FilterEvent(Watched, Event);
    }

private:
    TApplication *FApp;
};

// The offscreen platform cannot raise windows and says so every time.
void RaiseWindow(QWidget *W)
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        W->raise();
}

// A press on a window that is not the active one makes it active, as a
// click does on a desktop. Without a window manager (a kiosk) nothing else
// does after a modal window closed, and the press would only move the focus.
void ActivateOnPress(QWidget *W)
{
    QWidget *window = W->window();
    if (window->isActiveWindow() || QApplication::activePopupWidget() || !window->isVisible()
        || window->testAttribute(Qt::WA_ShowWithoutActivating) || window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
        return;
    const Qt::WindowType kind = window->windowType();
    if (kind == Qt::Popup || kind == Qt::ToolTip || kind == Qt::SplashScreen)
        return;
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != window)
        return;
    window->activateWindow();
    QApplication::setActiveWindow(window);
}

void WakeEventLoop()
{
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance())
        d->wakeUp();
}

} // namespace

void RegisterFormsClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterClasses({TControl::StaticClass(), TWinControl::StaticClass(), TGraphicControl::StaticClass(),
                     TCustomControl::StaticClass(), TControlScrollBar::StaticClass(), TScrollingWinControl::StaticClass(),
                     TCustomForm::StaticClass(), TForm::StaticClass(), TDataModule::StaticClass(),
                     TApplication::StaticClass(), TScreen::StaticClass(), TLabel::StaticClass(),
                     TButton::StaticClass(), TEdit::StaticClass(), TMemo::StaticClass(), TCheckBox::StaticClass(),
                     TRadioButton::StaticClass(), TListBox::StaticClass(), TComboBox::StaticClass(),
                     TGroupBox::StaticClass(), TPanel::StaticClass(), TImage::StaticClass(),
                     TPaintBox::StaticClass(), TTimer::StaticClass(), TSplitter::StaticClass(),
                     TScrollBox::StaticClass(), TPageControl::StaticClass(), TTabSheet::StaticClass(),
                     TToolBar::StaticClass(), TToolButton::StaticClass(), TStatusBar::StaticClass(),
                     TStatusPanels::StaticClass(), TStatusPanel::StaticClass(), TDateTimePicker::StaticClass(),
                     TTreeView::StaticClass(), TUpDown::StaticClass(), TDrawGrid::StaticClass(),
                     TStringGrid::StaticClass(), TMenuItem::StaticClass(), TPopupMenu::StaticClass(),
                     TFont::StaticClass(), TPen::StaticClass(), TBrush::StaticClass(), TOpenDialog::StaticClass(),
                     TSaveDialog::StaticClass()});
}

bool InstallQtTranslations(const QLocale &Locale)
{
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    auto t = std::make_unique<QTranslator>();
    if (!t->load(Locale, QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(t.get());
    installed = std::move(t);
    return true;
}

TApplication *GetApplication()
{
    std::lock_guard<std::recursive_mutex> guard(GlobalsLock());
    if (!GApplication)
        GApplication = new TApplication(nullptr);
    return GApplication;
}

TScreen *GetScreen()
{
    std::lock_guard<std::recursive_mutex> guard(GlobalsLock());
    if (!GScreen)
        GScreen = new TScreen(nullptr);
    return GScreen;
}

void DoneApplication()
{
    std::lock_guard<std::recursive_mutex> guard(GlobalsLock());
    TApplication *app = GApplication;
    delete app;
    GApplication = nullptr;
}

// --- TCustomForm -----------------------------------------------------------------

STATION_PUBLISHED(TControlScrollBar)
{
    P.Prop("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement).Default(8);
    P.Prop("Margin", &TControlScrollBar::Margin, &TControlScrollBar::SetMargin).Default(0);
    P.Prop("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition).Default(0);
    P.Prop("Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange).Default(0);
    P.Prop("Tracking", &TControlScrollBar::Tracking, &TControlScrollBar::SetTracking).Default(false);
    P.Prop("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible).Default(true);
}

TControlScrollBar::TControlScrollBar(TScrollingWinControl *Control, TScrollBarKind Kind)
    : FControl(Control), FKind(Kind)
{
}

QScrollBar *TControlScrollBar::Bar() const
{
    return FControl ? FControl->ScrollBarWidget(FKind) : nullptr;
}

void TControlScrollBar::Changed()
{
    if (FControl)
        FControl->ScrollBarChanged();
}

void TControlScrollBar::SetIncrement(int Value)
{
    FIncrement = std::max(1, Value);
    if (QScrollBar *b = Bar())
        b->setSingleStep(FIncrement);
}

void TControlScrollBar::SetMargin(int Value)
{
    if (FMargin == Value)
        return;
    FMargin = std::max(0, Value);
    Changed();
}

int TControlScrollBar::Position() const
{
    if (QScrollBar *b = Bar())
        return b->value();
    return FPosition;
}

void TControlScrollBar::SetPosition(int Value)
{
    if (QScrollBar *b = Bar()) {
        b->setValue(std::clamp(Value, 0, b->maximum()));
        return;
    }
    FPosition = std::max(0, Value);
}

int TControlScrollBar::ScrollRange() const
{
    if (QScrollBar *b = Bar())
        return b->maximum();
    return 0;
}

void TControlScrollBar::SetRange(int Value)
{
    if (FRange == Value)
        return;
    FRange = std::max(0, Value);
    Changed();
}

void TControlScrollBar::SetTracking(bool Value)
{
    FTracking = Value;
    if (QScrollBar *b = Bar())
        b->setTracking(true); // the view follows the thumb either way
}

void TControlScrollBar::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    Changed();
}

void TControlScrollBar::Assign(TPersistent *Source)
{
    if (auto *s = dynamic_cast<TControlScrollBar *>(Source)) {
        FIncrement = s->FIncrement;
        FMargin = s->FMargin;
        FRange = s->FRange;
        FTracking = s->FTracking;
        FVisible = s->FVisible;
        SetIncrement(FIncrement);
        Changed();
        SetPosition(s->Position());
        return;
    }
    TPersistent::Assign(Source);
}

STATION_PUBLISHED(TScrollingWinControl)
{
    P.Prop("HorzScrollBar", &TScrollingWinControl::HorzScrollBar, &TScrollingWinControl::SetHorzScrollBar);
    P.Prop("VertScrollBar", &TScrollingWinControl::VertScrollBar, &TScrollingWinControl::SetVertScrollBar);
}

TScrollingWinControl::TScrollingWinControl(TComponent *AOwner)
    : TWinControl(AOwner), FHorzScrollBar(new TControlScrollBar(this, sbHorizontal)),
      FVertScrollBar(new TControlScrollBar(this, sbVertical))
{
}

TScrollingWinControl::~TScrollingWinControl()
{
    delete FHorzScrollBar;
    delete FVertScrollBar;
}

STATION_PUBLISHED(TCustomForm)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Prop("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
    P.Prop("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons)
        .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
    P.Prop("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).Default(bsSizeable);
    P.Prop("Caption", &TCustomForm::Caption, &TCustomForm::SetCaption);
    P.Prop("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight);
    P.Prop("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth);
    P.Prop("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
    P.Prop("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
    P.Prop("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDesigned);
    P.Prop("Scaled", &TCustomForm::Scaled, &TCustomForm::SetScaled).Default(true);
    P.Prop("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).Default(wsNormal);
    P.Prop("OnActivate", &TCustomForm::OnActivate, &TCustomForm::SetOnActivate);
    P.Prop("OnClose", &TCustomForm::OnClose, &TCustomForm::SetOnClose);
    P.Prop("OnCloseQuery", &TCustomForm::OnCloseQuery, &TCustomForm::SetOnCloseQuery);
    P.Prop("OnCreate", &TCustomForm::OnCreate, &TCustomForm::SetOnCreate);
    P.Prop("OnDeactivate", &TCustomForm::OnDeactivate, &TCustomForm::SetOnDeactivate);
    P.Prop("OnDestroy", &TCustomForm::OnDestroy, &TCustomForm::SetOnDestroy);
    P.Prop("OnHide", &TCustomForm::OnHide, &TCustomForm::SetOnHide);
    P.Prop("OnPaint", &TCustomForm::OnPaint, &TCustomForm::SetOnPaint);
    P.Prop("OnShow", &TCustomForm::OnShow, &TCustomForm::SetOnShow);
}

STATION_PUBLISHED(TForm) {}

TCustomForm::TCustomForm(TComponent *AOwner) : TScrollingWinControl(AOwner)
{
    Application->HookEvents();
    FCanvas = new TControlCanvas;
    FCanvas->SetControl(this);
    auto *w = new TWidgetHost<QWidget>(nullptr, Qt::Window);
    // The application decides when the program ends, not the last window.
    w->setAttribute(Qt::WA_QuitOnClose, false);
    InitWidget(w, w);
    SetPaintsItself(true);
    FVisible = false;
    FColor = clBtnFace;
    ApplyColor();
    FLeft = 0;
    FTop = 0;
    FWidth = 320;
    FHeight = 240;
    ApplyWindowFlags();
    ApplyGeometry();
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm()
{
    // A handler that is a method of the form itself can only run while the
    // form is whole: Release, caFree and the application's end call
    // BeforeDestruction first. Here only handlers of other objects run.
    if (!FDestroyed && !(FOnDestroy && FOnDestroy.Data() == static_cast<void *>(this)))
        BeforeDestruction();
    FDestroyed = true;
    if (GApplication)
        GApplication->FormDestroying(this);
    if (GScreen)
        GScreen->RemoveForm(this);
    if (FModal)
        FModalResult = mrCancel;
    delete FCanvas;
    FCanvas = nullptr;
}

void TCustomForm::AfterConstruction()
{
    if (FCreated)
        return;
    FCreated = true;
    DoCreate();
}

void TCustomForm::BeforeDestruction()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    try {
        DoDestroy();
    } catch (...) {
        Application->HandleException(this);
    }
}

void TCustomForm::DoCreate()
{
    if (FOnCreate)
        FOnCreate(this);
}

void TCustomForm::DoDestroy()
{
    if (FOnDestroy)
        FOnDestroy(this);
}

void TCustomForm::DoShow()
{
    if (FOnShow)
        FOnShow(this);
}

void TCustomForm::DoHide()
{
    if (FOnHide)
        FOnHide(this);
}

void TCustomForm::DoClose(TCloseAction &Action)
{
    if (FOnClose)
        FOnClose(this, Action);
}

void TCustomForm::Activate()
{
    if (FOnActivate)
        FOnActivate(this);
}

void TCustomForm::Deactivate()
{
    if (FOnDeactivate)
        FOnDeactivate(this);
}

void TCustomForm::Paint()
{
    if (FOnPaint)
        FOnPaint(this);
}

QString TCustomForm::GetText() const
{
    return FText;
}

void TCustomForm::SetTextValue(const QString &Value)
{
    FText = Value;
    if (QWidget *w = Widget())
        w->setWindowTitle(Value);
}

bool TCustomForm::FixedWindowSize() const
{
    return FBorderStyle == bsSingle || FBorderStyle == bsDialog || FBorderStyle == bsToolWindow;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    ApplyWindowFlags();
    ApplyGeometry();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value)
{
    FBorderIcons = Value;
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle Value)
{
    FFormStyle = Value;
    ApplyWindowFlags();
}

void TCustomForm::ApplyWindowFlags()
{
    QWidget *w = Widget();
    if (!w || Parent())
        return;
    Qt::WindowFlags f;
    switch (FBorderStyle) {
    case bsNone:
        f = Qt::Window | Qt::FramelessWindowHint;
        break;
    case bsDialog:
        f = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        f = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    default:
        f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (FBorderIcons.Contains(biSystemMenu)) {
            f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (FBorderIcons.Contains(biMinimize))
                f |= Qt::WindowMinimizeButtonHint;
            if (FBorderIcons.Contains(biMaximize) && FBorderStyle == bsSizeable)
                f |= Qt::WindowMaximizeButtonHint;
        }
        break;
    }
    if (FFormStyle == fsStayOnTop)
        f |= Qt::WindowStaysOnTopHint;
    if (w->windowFlags() == f)
        return;
    const bool shown = w->isVisible();
    w->setWindowFlags(f);
    if (shown)
        w->show();
}

TWindowState TCustomForm::WindowState() const
{
    QWidget *w = Widget();
    if (w && w->isVisible()) {
        if (w->isMinimized())
            return wsMinimized;
        if (w->isMaximized())
            return wsMaximized;
        return wsNormal;
    }
    return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState Value)
{
    FWindowState = Value;
    QWidget *w = Widget();
    if (!w || !w->isVisible())
        return;
    switch (Value) {
    case wsMinimized:
        w->showMinimized();
        break;
    case wsMaximized:
        w->showMaximized();
        break;
    default:
        w->showNormal();
        break;
    }
}

bool TCustomForm::Active() const
{
    QWidget *w = Widget();
    return w && QApplication::activeWindow() == w;
}

void TCustomForm::SetModalResult(TModalResult Value)
{
    FModalResult = Value;
    if (FModal)
        WakeEventLoop();
}

void TCustomForm::SetActiveControl(TWinControl *Control)
{
    if (Control && (Control == this || GetParentForm(Control) != this || !Control->CanFocus()))
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    FActiveControl = Control;
    QWidget *w = Widget();
    if (Control && w && w->isVisible())
        if (QWidget *cw = Control->Widget())
            cw->setFocus(Qt::OtherFocusReason);
}

void TCustomForm::FocusControl(TWinControl *Control)
{
    SetActiveControl(Control);
    if (!Active() && !(FVisible && FEnabled))
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
}

void TCustomForm::SetFocusedControl(TWinControl *Control)
{
    if (Control == this)
        Control = nullptr;
    if (Control == FFocusedControl) {
        FActiveControl = Control ? Control : FActiveControl;
        return;
    }
    TWinControl *old = FFocusedControl;
    FFocusedControl = Control;
    if (Control)
        FActiveControl = Control;
    // Exit from the old control up to the common parent, enter from there
    // down to the new one, as the focus moves through nested containers.
    std::vector<TWinControl *> exits, enters;
    for (TWinControl *c = old; c && c != this; c = c->Parent())
        if (!Control || !c->ContainsControl(Control))
            exits.push_back(c);
    for (TWinControl *c = Control; c && c != this; c = c->Parent())
        if (!old || !c->ContainsControl(old))
            enters.insert(enters.begin(), c);
    try {
        for (TWinControl *c : exits)
            if (IsLiveControl(c))
                c->DoExit();
        for (TWinControl *c : enters)
            if (IsLiveControl(c))
                c->DoEnter();
        TWinControl::FocusChanged(Control);
    } catch (...) {
        Application->HandleException(this);
    }
}

void TCustomForm::DefocusControl(TWinControl *Control, bool Removing)
{
    if (Removing && FFocusedControl && Control->ContainsControl(FFocusedControl))
        FFocusedControl = nullptr;
    if (FActiveControl && Control->ContainsControl(FActiveControl))
        FActiveControl = nullptr;
}

void TCustomForm::FocusFirst()
{
    QWidget *w = Widget();
    if (!w)
        return;
    if (FActiveControl && IsLiveControl(FActiveControl) && FActiveControl->CanFocus()) {
        if (QWidget *cw = FActiveControl->Widget())
            cw->setFocus(Qt::OtherFocusReason);
        return;
    }
    // The first control of the tab order that can take the focus.
    std::vector<TWinControl *> list;
    GetTabOrderList(list);
    for (TWinControl *c : list)
        if (c->TabStop() && c->CanFocus()) {
            if (QWidget *cw = c->Widget())
                cw->setFocus(Qt::TabFocusReason);
            return;
        }
}

void TCustomForm::ApplyPosition()
{
    TRect area;
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
        area = Rect(0, 0, Screen->Width(), Screen->Height());
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm *over = FPosition == poOwnerFormCenter ? dynamic_cast<TCustomForm *>(Owner()) : nullptr;
        if (!over)
            over = Application->MainForm();
        if (over && over != this && over->Visible())
            area = over->BoundsRect();
        else
            area = Rect(0, 0, Screen->Width(), Screen->Height());
        break;
    }
    default:
        return;
    }
    SetBounds(area.Left + (area.Width() - FWidth) / 2, area.Top + (area.Height() - FHeight) / 2, FWidth,
              FHeight);
}

void TCustomForm::UpdateWidgetVisibility()
{
    if (Parent()) {
        TControl::UpdateWidgetVisibility();
        return;
    }
    QWidget *w = Widget();
    if (!w)
        return;
    if (!FVisible) {
        w->hide();
        return;
    }
    switch (FWindowState) {
    case wsMinimized:
        w->showMinimized();
        break;
    case wsMaximized:
        w->showMaximized();
        break;
    default:
        w->show();
        break;
    }
    RaiseWindow(w);
    w->activateWindow();
    // A window hidden while active and shown again can keep the platform's
    // focus without becoming the active window; make it the active one.
    if (QGuiApplication::focusWindow() && QGuiApplication::focusWindow() == w->windowHandle()
        && QApplication::activeWindow() != w)
        QApplication::setActiveWindow(w);
}

void TCustomForm::SetVisible(bool Value)
{
    if (Parent()) {
        TControl::SetVisible(Value);
        return;
    }
    if (FVisible == Value)
        return;
    FVisible = Value;
    if (Value) {
        try {
            DoShow();
        } catch (...) {
            Application->HandleException(this);
        }
        if (!FVisible || !IsLiveControl(this))
            return;
        ApplyPosition();
        UpdateWidgetVisibility();
        FocusFirst();
    } else {
        try {
            DoHide();
        } catch (...) {
            Application->HandleException(this);
        }
        if (FVisible || !IsLiveControl(this))
            return;
        UpdateWidgetVisibility();
    }
}

void TCustomForm::Show()
{
    SetVisible(true);
    if (QWidget *w = Widget()) {
        RaiseWindow(w);
        w->activateWindow();
    }
}

void TCustomForm::Hide()
{
    SetVisible(false);
}

int TCustomForm::ShowModal()
{
    if (FVisible || !FEnabled || FModal)
        throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    QWidget *w = Widget();
    FModal = true;
    const TCursor savedCursor = Screen->Cursor();
    Screen->SetCursor(crDefault);
    w->setWindowModality(Qt::ApplicationModal);
    try {
        Show();
        FModalResult = mrNone;
        for (;;) {
            if (FModalResult == mrNone)
                Application->HandleMessage();
            if (!IsLiveControl(this))
                return mrCancel;
            if (Application->Terminated())
                FModalResult = mrCancel;
            else if (FModalResult != mrNone)
                CloseModal();
            if (FModalResult != mrNone)
                break;
        }
    } catch (...) {
        FModal = false;
        if (QWidget *ww = Widget())
            ww->setWindowModality(Qt::NonModal);
        Hide();
        Screen->SetCursor(savedCursor);
        throw;
    }
    const int result = FModalResult;
    FModal = false;
    Hide();
    if (QWidget *ww = Widget())
        ww->setWindowModality(Qt::NonModal);
    Screen->SetCursor(savedCursor);
    return result;
}

void TCustomForm::CloseModal()
{
    try {
        TCloseAction action = caNone;
        if (CloseQuery()) {
            action = caHide;
            DoClose(action);
        }
        switch (action) {
        case caNone:
            FModalResult = mrNone;
            break;
        case caFree:
            Release();
            break;
        default:
            break;
        }
    } catch (...) {
        FModalResult = mrNone;
        Application->HandleException(this);
    }
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (FOnCloseQuery)
        FOnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close()
{
    if (FModal) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone)
        return;
    if (Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::Release()
{
    if (FReleasing)
        return;
    FReleasing = true;
    TCustomForm *self = this;
    QMetaObject::invokeMethod(
        qApp,
        [self] {
            if (!IsLiveControl(self))
                return;
            self->BeforeDestruction();
            delete self;
        },
        Qt::QueuedConnection);
}

bool TCustomForm::HostEvent(QEvent *Event)
{
    if (Event->type() == QEvent::Close && !Parent()) {
        // The window's close box: the form decides, and hides itself if it agrees.
        Event->ignore();
        Guard([this] { Close(); });
        return true;
    }
    return TScrollingWinControl::HostEvent(Event);
}

void TCustomForm::HostEventAfter(QEvent *Event)
{
    switch (Event->type()) {
    case QEvent::WindowActivate:
        Guard([this] { Activate(); });
        break;
    case QEvent::WindowDeactivate:
        Guard([this] { Deactivate(); });
        break;
    default:
        TScrollingWinControl::HostEventAfter(Event);
        break;
    }
}

bool TCustomForm::HostPaint(QPaintEvent *)
{
    QWidget *w = Widget();
    if (!w || !FCanvas)
        return false;
    QPainter p(w);
    FCanvas->Font()->Assign(Font());
    FCanvas->Brush()->SetColor(Color());
    PaintWith(p, FCanvas);
    return true;
}

// --- TDataModule ---------------------------------------------------------------

STATION_PUBLISHED(TDataModule)
{
    P.Prop("OnCreate", &TDataModule::OnCreate, &TDataModule::SetOnCreate);
    P.Prop("OnDestroy", &TDataModule::OnDestroy, &TDataModule::SetOnDestroy);
}

TDataModule::TDataModule(TComponent *AOwner) : TComponent(AOwner) {}

TDataModule::~TDataModule()
{
    // As for forms: OnDestroy bound to the module itself runs only through
    // BeforeDestruction, called while the module is whole.
    if (!FDestroyed && !(FOnDestroy && FOnDestroy.Data() == static_cast<void *>(this)))
        BeforeDestruction();
    FDestroyed = true;
}

void TDataModule::AfterConstruction()
{
    if (FCreated)
        return;
    FCreated = true;
    if (FOnCreate)
        FOnCreate(this);
}

void TDataModule::BeforeDestruction()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    try {
        if (FOnDestroy)
            FOnDestroy(this);
    } catch (...) {
        Application->HandleException(this);
    }
}

// --- TApplication ----------------------------------------------------------------

STATION_PUBLISHED(TApplication)
{
    P.Prop("ExeName", &TApplication::ExeName);
    P.Prop("Title", &TApplication::Title, &TApplication::SetTitle);
}

TApplication::TApplication(TComponent *AOwner) : TComponent(AOwner)
{
    RegisterFormsClasses();
}

TApplication::~TApplication()
{
    // Forms and data modules get their OnDestroy while they are whole.
    while (ComponentCount() > 0) {
        TComponent *c = Components(ComponentCount() - 1);
        if (auto *f = dynamic_cast<TCustomForm *>(c))
            f->BeforeDestruction();
        else if (auto *d = dynamic_cast<TDataModule *>(c))
            d->BeforeDestruction();
        delete c;
    }
    if (FFilter) {
        if (qApp)
            qApp->removeEventFilter(FFilter);
        delete FFilter;
    }
}

void TApplication::Initialize()
{
    HookEvents();
    QApplication::setQuitOnLastWindowClosed(false);
}

void TApplication::HookEvents()
{
    if (FHooked || !qApp)
        return;
    FHooked = true;
    FFilter = new TAppEventFilter(this);
    qApp->installEventFilter(FFilter);
    QObject::connect(qApp, &QApplication::focusChanged, FFilter,
                     [this](QWidget *Old, QWidget *Now) { FocusChanged(Old, Now); });
}

void TApplication::FormCreated(TComponent *Instance)
{
    if (auto *f = dynamic_cast<TCustomForm *>(Instance)) {
        f->AfterConstruction();
        if (!FMainForm)
            FMainForm = f;
    } else if (auto *d = dynamic_cast<TDataModule *>(Instance)) {
        d->AfterConstruction();
    }
}

void TApplication::FormDestroying(TCustomForm *Form)
{
    if (FMainForm == Form)
        FMainForm = nullptr;
}

void TApplication::Run()
{
    HookEvents();
    if (!FMainForm)
        return;
    if (FShowMainForm) {
        if (FMainForm->WindowState() == wsMinimized)
            Minimize();
        else
            FMainForm->Show();
    }
    while (!FTerminated)
        HandleMessage();
}

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::Terminate()
{
    FTerminated = true;
    WakeEventLoop();
}

void TApplication::Minimize()
{
    FMinimizedWindows.clear();
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm *f = Screen->Forms(i);
        QWidget *w = f->Widget();
        if (w && w->isVisible() && !f->Parent()) {
            w->showMinimized();
            FMinimizedWindows.push_back(w);
        }
    }
    FMinimized = true;
}

void TApplication::Restore()
{
    if (!FMinimized)
        return;
    FMinimized = false;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        QWidget *w = Screen->Forms(i)->Widget();
        if (w && std::find(FMinimizedWindows.begin(), FMinimizedWindows.end(), w) != FMinimizedWindows.end())
            w->showNormal();
    }
    FMinimizedWindows.clear();
}

QString TApplication::ExeName() const
{
    return QCoreApplication::applicationFilePath();
}

QString TApplication::Title() const
{
    if (!FTitle.isEmpty())
        return FTitle;
    return QFileInfo(ExeName()).completeBaseName();
}

void TApplication::HandleException(TObject *Sender)
{
    try {
        throw;
    } catch (EAbort &) {
    } catch (Exception &E) {
        if (FOnException)
            FOnException(Sender, &E);
        else
            ShowException(&E);
    } catch (std::exception &e) {
        Exception E(QString::fromUtf8(e.what()));
        if (FOnException)
            FOnException(Sender, &E);
        else
            ShowException(&E);
    } catch (...) {
        Exception E(QStringLiteral("Unknown exception"));
        ShowException(&E);
    }
}

void TApplication::ShowException(Exception *E)
{
    QString msg = E->Message();
    // The class library ends the message with a full stop unless it ends in
    // punctuation already.
    if (!msg.isEmpty() && msg.back() > QLatin1Char('.'))
        msg += QLatin1Char('.');
    MessageBox(msg, Title(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const QString &Text, const QString &Caption, int Flags)
{
    // A dialog hook (tests, unattended runs) answers instead of a window.
    TDialogRequest request;
    request.Kind = TDialogKind::MessageBox;
    request.Caption = Caption;
    request.Text = Text;
    request.Flags = Flags;
    int answer = 0;
    if (AskDialogHook(request, answer))
        return answer;
    QMessageBox box;
    box.setWindowTitle(Caption);
    box.setText(Text);
    switch (Flags & 0xF0) {
    case MB_ICONSTOP:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    struct Button {
        const char16_t *Text;
        QMessageBox::ButtonRole Role;
        int Id;
    };
    static const Button ok{u"确定", QMessageBox::AcceptRole, IDOK};
    static const Button cancel{u"取消", QMessageBox::RejectRole, IDCANCEL};
    static const Button abort{u"中止(&A)", QMessageBox::RejectRole, IDABORT};
    static const Button retry{u"重试(&R)", QMessageBox::AcceptRole, IDRETRY};
    static const Button ignore{u"忽略(&I)", QMessageBox::AcceptRole, IDIGNORE};
    static const Button yes{u"是(&Y)", QMessageBox::YesRole, IDYES};
    static const Button no{u"否(&N)", QMessageBox::NoRole, IDNO};
    std::vector<Button> buttons;
    int escape = 0;
    switch (Flags & 0xF) {
    case MB_OKCANCEL:
        buttons = {ok, cancel};
        escape = IDCANCEL;
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = {abort, retry, ignore};
        break;
    case MB_YESNOCANCEL:
        buttons = {yes, no, cancel};
        escape = IDCANCEL;
        break;
    case MB_YESNO:
        buttons = {yes, no};
        break;
    case MB_RETRYCANCEL:
        buttons = {retry, cancel};
        escape = IDCANCEL;
        break;
    default:
        buttons = {ok};
        escape = IDOK;
        break;
    }
    std::vector<std::pair<QAbstractButton *, int>> made;
    for (const Button &b : buttons) {
        QPushButton *pb = box.addButton(QString::fromUtf16(b.Text), b.Role);
        made.emplace_back(pb, b.Id);
        if (b.Id == escape)
            box.setEscapeButton(pb);
    }
    const size_t def = size_t((Flags >> 8) & 0xF);
    if (def < made.size())
        box.setDefaultButton(static_cast<QPushButton *>(made[def].first));
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    for (const auto &m : made)
        if (m.first == clicked)
            return m.second;
    return escape ? escape : IDCANCEL;
}

bool TApplication::CallOnMessage(TMsg &Msg)
{
    if (!FOnMessage)
        return false;
    bool handled = false;
    try {
        FOnMessage(Msg, handled);
    } catch (...) {
        HandleException(this);
        return true;
    }
    return handled;
}

bool TApplication::FilterEvent(QObject *Receiver, QEvent *Event)
{
    if (FResending || !Receiver->isWidgetType())
        return false;
    auto *w = static_cast<QWidget *>(Receiver);
    // A disabled window gets no input, so the message hook never sees any.
    if (!w->isEnabled() && IsUserInputEvent(Event))
        return false;
    const QEvent::Type type = Event->type();
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // A key travels up to the parents when the focused widget leaves it;
        // the class library handles it once, at the focused control.
        QWidget *focus = QApplication::focusWidget();
        if (focus && w != focus && w->isAncestorOf(focus))
            return false;
        // The handler may have moved the focus (a modal box took it, say)
        // before Qt passes the unaccepted event on to the parents: the
        // event itself tells it was handled already.
        // A copy reaches an ancestor of the widget that had it; a new press
        // always reaches the focused widget first, so an address reused by a
        // later press is not taken for a copy.
        auto *ke = static_cast<QKeyEvent *>(Event);
        for (THandledKey &h : FHandledKeys)
            if (h.Event == Event && h.Type == type && h.Key == ke->key() && h.Time == ke->timestamp() && h.Widget
                && w != h.Widget && w->isAncestorOf(h.Widget))
                return false;
        THandledKey *slot = nullptr;
        for (THandledKey &h : FHandledKeys)
            if (h.Event == Event)
                slot = &h;
        if (!slot) {
            slot = &FHandledKeys[FNextHandledKey];
            FNextHandledKey = (FNextHandledKey + 1) % FHandledKeys.size();
        }
        *slot = THandledKey{Event, int(type), ke->key(), ke->timestamp(), w};
        if (FOnMessage) {
            TMsg msg;
            TWinControl *c = FindWinControl(w);
            msg.hwnd = c ? c->Handle() : w;
            msg.message = type == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP;
            msg.wParam = QtKeyToVirtualKey(ke->key(), ke->modifiers());
            if (CallOnMessage(msg))
                return true;
            if (type == QEvent::KeyPress && !ke->text().isEmpty()) {
                msg.message = WM_CHAR;
                msg.wParam = ke->text().at(0).unicode();
                if (CallOnMessage(msg))
                    return true;
            }
        }
        return DispatchKey(w, ke);
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel: {
        if (type == QEvent::MouseButtonPress && Event->spontaneous()) {
            // Activation runs the form's handlers, which may free the widget pressed.
            const QPointer<QWidget> pressed(w);
            ActivateOnPress(w);
            if (!pressed)
                return true;
        }
        if (!FOnMessage)
            return false;
        auto *ie = static_cast<QSinglePointEvent *>(Event);
        // Propagation to the parents delivers copies of the same input; it
        // reaches the hook once.
        const QPointF global = ie->globalPosition();
        if (type == FLastMouseType && ie->timestamp() == FLastMouseTime && global == FLastMousePos)
            return false;
        FLastMouseType = type;
        FLastMouseTime = ie->timestamp();
        FLastMousePos = global;
        TMsg msg;
        TWinControl *c = FindWinControl(w);
        msg.hwnd = c ? c->Handle() : w;
        msg.time = unsigned(ie->timestamp());
        msg.pt = Point(int(global.x()), int(global.y()));
        const QPoint local = ie->position().toPoint();
        msg.lParam = qintptr((local.x() & 0xFFFF) | ((local.y() & 0xFFFF) << 16));
        const Qt::MouseButton b = ie->button();
        switch (type) {
        case QEvent::MouseButtonPress:
            msg.message = b == Qt::RightButton ? WM_RBUTTONDOWN : b == Qt::MiddleButton ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
            break;
        case QEvent::MouseButtonRelease:
            msg.message = b == Qt::RightButton ? WM_RBUTTONUP : b == Qt::MiddleButton ? WM_MBUTTONUP : WM_LBUTTONUP;
            break;
        case QEvent::MouseButtonDblClick:
            msg.message = b == Qt::RightButton ? WM_RBUTTONDBLCLK : b == Qt::MiddleButton ? WM_MBUTTONDBLCLK : WM_LBUTTONDBLCLK;
            break;
        case QEvent::MouseMove:
            msg.message = WM_MOUSEMOVE;
            break;
        default: {
            auto *we = static_cast<QWheelEvent *>(Event);
            msg.message = WM_MOUSEWHEEL;
            const int delta = we->angleDelta().y();
            msg.wParam = quintptr(quint32(quint16(qint16(delta))) << 16);
            msg.lParam = qintptr((msg.pt.X & 0xFFFF) | ((msg.pt.Y & 0xFFFF) << 16));
            break;
        }
        }
        return CallOnMessage(msg);
    }
    default:
        return false;
    }
}

bool TApplication::DispatchKey(QWidget *Receiver, QKeyEvent *Event)
{
    TWinControl *c = FindWinControl(Receiver);
    if (!c)
        return false;
    TCustomForm *f = GetParentForm(c);
    const bool preview = f && f->KeyPreview() && f != static_cast<TControl *>(c);
    Word key = QtKeyToVirtualKey(Event->key(), Event->modifiers());
    const TShiftState shift = QtToShiftState(Event->modifiers());
    try {
        if (Event->type() == QEvent::KeyRelease) {
            // A held key repeats its key-down only; the one key-up comes at the real release.
            if (!key || Event->isAutoRepeat())
                return false;
            if (preview) {
                f->KeyUp(key, shift);
                if (!key)
                    return true;
            }
            if (IsLiveControl(c))
                c->KeyUp(key, shift);
            return key == 0;
        }
        if (key) {
            int mask = 0;
            switch (key) {
            case VK_TAB:
                mask = DLGC_WANTTAB;
                break;
            case VK_LEFT:
            case VK_RIGHT:
            case VK_UP:
            case VK_DOWN:
                mask = DLGC_WANTARROWS;
                break;
            case VK_RETURN:
            case VK_ESCAPE:
            case VK_EXECUTE:
            case VK_CANCEL:
                mask = DLGC_WANTALLKEYS;
                break;
            default:
                break;
            }
            if (mask && !(c->WantKeys() & mask)) {
                // Tab and arrows move the focus (Qt does that); Enter and
                // Escape go to the form's default and cancel buttons first.
                if (mask != DLGC_WANTALLKEYS)
                    return false;
                if (f && f->DialogKey(key, shift))
                    return true;
            }
            if (preview) {
                f->KeyDown(key, shift);
                if (!key)
                    return true;
            }
            if (!IsLiveControl(c))
                return true;
            c->KeyDown(key, shift);
            if (!key)
                return true;
        }
        // Alt+letter: an accelerator of a control on the form.
        if ((Event->modifiers() & Qt::AltModifier) && f && key >= '0' && key <= 'Z'
            && f->DialogChar(QChar(key), shift))
            return true;
        const QString text = Event->text();
        if (text.isEmpty())
            return false;
        QChar ch = text.at(0);
        const QChar original = ch;
        if (preview && IsLiveControl(f)) {
            f->KeyPress(ch);
            if (ch.isNull())
                return true;
        }
        if (!IsLiveControl(c))
            return true;
        c->KeyPress(ch);
        if (ch.isNull())
            return true;
        // A character the focused control does not take may be an accelerator.
        if (!(c->WantKeys() & DLGC_WANTCHARS) && ch.isPrint() && ch != QLatin1Char(' ') && f && IsLiveControl(f)
            && f->DialogChar(ch, shift))
            return true;
        if (ch != original) {
            // The handler changed the character: the control gets the new one.
            QKeyEvent changed(QEvent::KeyPress, Qt::Key_unknown, Event->modifiers(), QString(ch));
            FResending = true;
            QCoreApplication::sendEvent(Receiver, &changed);
            FResending = false;
            return true;
        }
    } catch (...) {
        FResending = false;
        HandleException(c);
        return true;
    }
    return false;
}

void TApplication::FocusChanged(QWidget *, QWidget *Now)
{
    TWinControl *c = FindWinControl(Now);
    if (!c)
        return;
    if (TCustomForm *f = GetParentForm(c))
        f->SetFocusedControl(c);
}

// --- TScreen -------------------------------------------------------------------

STATION_PUBLISHED(TScreen)
{
    P.Prop("Width", &TScreen::Width);
    P.Prop("Height", &TScreen::Height);
}

TScreen::~TScreen()
{
    if (FCursor != crDefault && qApp)
        QGuiApplication::restoreOverrideCursor();
}

int TScreen::Width() const
{
    QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int TScreen::Height() const
{
    QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

TCustomForm *TScreen::Forms(int Index) const
{
    if (Index < 0 || Index >= FormCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FForms[size_t(Index)];
}

TCustomForm *TScreen::ActiveForm() const
{
    return dynamic_cast<TCustomForm *>(FindControl(QApplication::activeWindow()));
}

TWinControl *TScreen::ActiveControl() const
{
    TCustomForm *f = ActiveForm();
    return f ? f->ActiveControl() : nullptr;
}

void TScreen::SetCursor(TCursor Value)
{
    if (Value == FCursor)
        return;
    if (FCursor != crDefault)
        QGuiApplication::restoreOverrideCursor();
    FCursor = Value;
    if (Value != crDefault)
        QGuiApplication::setOverrideCursor(Cursors(Value));
}

QCursor TScreen::Cursors(TCursor Index) const
{
    if (const auto it = FCursors.constFind(Index); it != FCursors.constEnd())
        return it.value();
    return QCursor(CursorToQtShape(Index));
}

void TScreen::SetCursors(TCursor Index, const QCursor &Value)
{
    FCursors.insert(Index, Value);
}

void TScreen::AddForm(TCustomForm *Form)
{
    FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm *Form)
{
    FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
}
