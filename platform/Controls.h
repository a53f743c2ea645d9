// Controls of the class library over Qt Widgets: TControl, TWinControl,
// TGraphicControl and TCustomControl. Every control wraps one QWidget; the
// control keeps the class library's geometry (Left/Top/Width/Height relative
// to the parent's client area), lays out aligned children the way the class
// library does, and turns Qt's input events into the class library's events
// (Windows virtual-key codes, Shift state, Key := 0 swallowing the key).
#pragma once
#include "ActnList.h"
#include "Classes.h"
#include "Colors.h"
#include "Component.h"
#include "Font.h"
#include "Graphics.h"
#include "Types.h"
#include <QAbstractScrollArea>
#include <QEvent>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QPaintEvent;
class QPainter;
class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

using Word = quint16;

// --- Enumerations and constants ----------------------------------------------

STATION_DECLARE_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient)
STATION_DECLARE_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)
STATION_DECLARE_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
STATION_DECLARE_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)
STATION_DECLARE_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)
STATION_DECLARE_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase)
STATION_DECLARE_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)
// The form border styles; a control's TBorderStyle uses the first two.
STATION_DECLARE_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
using TBorderStyle = TFormBorderStyle;
STATION_DECLARE_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
STATION_DECLARE_SET(TShiftState, TShiftStateItem)
STATION_DECLARE_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
STATION_DECLARE_SET(TAnchors, TAnchorKind)
STATION_DECLARE_ENUM(TBiDiMode, bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly)

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4,
    mrIgnore = 5, mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
    crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
    crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15,
    crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20,
    crHandPoint = -21, crSizeAll = -22, crSize = -22;

// Windows virtual-key codes.
enum : Word {
    VK_LBUTTON = 1, VK_RBUTTON = 2, VK_CANCEL = 3, VK_MBUTTON = 4, VK_BACK = 8, VK_TAB = 9,
    VK_CLEAR = 12, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
    VK_PAUSE = 19, VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33,
    VK_NEXT = 34, VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39,
    VK_DOWN = 40, VK_SELECT = 41, VK_PRINT = 42, VK_EXECUTE = 43, VK_SNAPSHOT = 44,
    VK_INSERT = 45, VK_DELETE = 46, VK_HELP = 47, VK_LWIN = 91, VK_RWIN = 92, VK_APPS = 93,
    VK_NUMPAD0 = 96, VK_NUMPAD1, VK_NUMPAD2, VK_NUMPAD3, VK_NUMPAD4, VK_NUMPAD5,
    VK_NUMPAD6, VK_NUMPAD7, VK_NUMPAD8, VK_NUMPAD9, VK_MULTIPLY = 106, VK_ADD = 107,
    VK_SEPARATOR = 108, VK_SUBTRACT = 109, VK_DECIMAL = 110, VK_DIVIDE = 111,
    VK_F1 = 112, VK_F2, VK_F3, VK_F4, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11,
    VK_F12, VK_F13, VK_F14, VK_F15, VK_F16, VK_F17, VK_F18, VK_F19, VK_F20, VK_F21,
    VK_F22, VK_F23, VK_F24, VK_NUMLOCK = 144, VK_SCROLL = 145, VK_OEM_1 = 186,
    VK_OEM_PLUS = 187, VK_OEM_COMMA = 188, VK_OEM_MINUS = 189, VK_OEM_PERIOD = 190,
    VK_OEM_2 = 191, VK_OEM_3 = 192, VK_OEM_4 = 219, VK_OEM_5 = 220, VK_OEM_6 = 221,
    VK_OEM_7 = 222
};

// The window messages the application's OnMessage hook sees.
enum : unsigned {
    WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102, WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105, WM_VSCROLL = 0x0115, WM_HSCROLL = 0x0114, WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205, WM_RBUTTONDBLCLK = 0x0206,
    WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208, WM_MBUTTONDBLCLK = 0x0209,
    WM_MOUSEWHEEL = 0x020A
};
// Scroll requests of WM_VSCROLL / WM_HSCROLL.
enum : int { SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3, SB_TOP = 6, SB_BOTTOM = 7 };
constexpr int SB_LINELEFT = SB_LINEUP, SB_LINERIGHT = SB_LINEDOWN;

// Which keys a control keeps for itself rather than leaving them to the form
// (tab moves the focus, Enter/Escape reach the default/cancel buttons).
enum : int { DLGC_WANTARROWS = 0x01, DLGC_WANTTAB = 0x02, DLGC_WANTALLKEYS = 0x04, DLGC_WANTCHARS = 0x80 };

// A window handle is the wrapped widget.
using HWND = QWidget *;

// One input message as the application's OnMessage hook sees it. For
// WM_MOUSEWHEEL the high word of wParam is the signed wheel delta (120 a
// notch); for key messages wParam is the virtual-key code or the character.
struct TMsg {
    HWND hwnd = nullptr;
    unsigned message = 0;
    quintptr wParam = 0;
    qintptr lParam = 0;
    unsigned time = 0;
    TPoint pt;
};

// --- Events ------------------------------------------------------------------

STATION_EVENT(TMouseEvent, void(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y))
STATION_EVENT(TMouseMoveEvent, void(TObject *Sender, TShiftState Shift, int X, int Y))
STATION_EVENT(TKeyEvent, void(TObject *Sender, Word &Key, TShiftState Shift))
STATION_EVENT(TKeyPressEvent, void(TObject *Sender, QChar &Key))
STATION_EVENT(TCanResizeEvent, void(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize))
STATION_EVENT(TContextPopupEvent, void(TObject *Sender, TPoint MousePos, bool &Handled))
// WheelDelta is 120 a notch, positive away from the user; MousePos in screen
// coordinates.
STATION_EVENT(TMouseWheelEvent, void(TObject *Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool &Handled))

// --- Helpers -----------------------------------------------------------------

// Windows virtual-key code of a Qt key (0 when there is none).
Word QtKeyToVirtualKey(int QtKey, Qt::KeyboardModifiers Modifiers);
// Shift state of Qt modifiers and pressed mouse buttons.
TShiftState QtToShiftState(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons = Qt::NoButton);
// Qt cursor shape of a class-library cursor.
Qt::CursorShape CursorToQtShape(TCursor Cursor);
// Names of the standard cursors ("crDefault", "crHandPoint"...), matched
// without regard to case. CursorToString gives the number of other cursors;
// StringToCursor takes a name or a number and raises EConvertError else.
bool CursorToIdent(int Cursor, QString &Ident);
bool IdentToCursor(const QString &Ident, int &Cursor);
QString CursorToString(TCursor Cursor);
TCursor StringToCursor(const QString &S);
void GetCursorValues(const std::function<void(const QString &)> &Proc);

// True when Str marks VK as its accelerator ("&OK" for 'o'), case ignored.
bool IsAccel(QChar VK, const QString &Str);

// The control a widget belongs to (the widget itself or its nearest
// ancestor that wraps a control), or nullptr.
TControl *FindControl(const QWidget *Widget);
// The nearest windowed control at or above Widget.
TWinControl *FindWinControl(const QWidget *Widget);
// True while Control exists (not yet destroyed).
bool IsLiveControl(const TControl *Control);
// The form a control sits on, or nullptr.
TCustomForm *GetParentForm(TControl *Control);

// Link from a wrapped widget back to its control; cleared when the control dies.
struct TWidgetLink {
    TControl *LinkedControl = nullptr;
};

// --- TControlCanvas ----------------------------------------------------------

// The canvas of a control: draws on the control's widget while it paints.
class TControlCanvas : public TCanvas
{
public:
    TControlCanvas() = default;
    TControl *Control() const { return FControl; }
    void SetControl(TControl *Value) { FControl = Value; }

private:
    TControl *FControl = nullptr;
};

// --- TControlActionLink ----------------------------------------------------

// Carries an action's caption, enabled state, hint and visibility to a
// control, while the control still shows the action's value.
class TControlActionLink : public TActionLink
{
public:
    explicit TControlActionLink(TControl *AClient);
    TControl *Control() const { return FControl; }
    bool IsCaptionLinked() const override;
    bool IsEnabledLinked() const override;
    bool IsHintLinked() const override;
    bool IsVisibleLinked() const override;
    void SetCaption(const QString &Value) override;
    void SetEnabled(bool Value) override;
    void SetHint(const QString &Value) override;
    void SetVisible(bool Value) override;

protected:
    TControl *FControl;
};

// --- TControl ----------------------------------------------------------------

class TControl : public TComponent
{
    STATION_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent *AOwner);
    ~TControl() override;

    // Geometry, relative to the parent's client area.
    int Left() const { return FLeft; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    int Top() const { return FTop; }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    int Height() const { return FHeight; }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect &R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
    // (0, 0, ClientWidth, ClientHeight).
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    void SetClientWidth(int Value);
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientHeight(int Value);
    TPoint ClientOrigin() const;
    TPoint ClientToScreen(const TPoint &P) const;
    TPoint ScreenToClient(const TPoint &P) const;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    // Which parent edges an unaligned control keeps its distance to when the
    // parent's client area changes size; neither of two opposite edges keeps
    // its centre in proportion.
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    // Visible, and every parent visible up to a shown form.
    bool Showing() const;
    virtual void Show();
    virtual void Hide();
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont *Font() const { return FFont; }
    void SetFont(TFont *Value);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);

    QString Caption() const { return GetText(); }
    void SetCaption(const QString &Value) { SetText(Value); }
    QString Text() const { return GetText(); }
    void SetText(const QString &Value);

    QString Hint() const { return FHint; }
    void SetHint(const QString &Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value) { FParentShowHint = Value; }
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    TPopupMenu *PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu *Value);

    TWinControl *Parent() const { return FParent; }
    virtual void SetParent(TWinControl *AParent);

    // Right-to-left reading and mirrored alignment, over the widget's layout
    // direction. ParentBiDiMode takes the parent's mode.
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    bool ParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool Value);
    bool IsRightToLeft() const { return FBiDiMode != bdLeftToRight; }
    bool UseRightToLeftReading() const { return FBiDiMode != bdLeftToRight; }
    bool UseRightToLeftAlignment() const { return FBiDiMode == bdRightToLeft; }
    // DT_RTLREADING when reading right to left.
    unsigned DrawTextBiDiModeFlagsReadingOnly() const;
    // Flags with left and right alignment swapped under mirrored alignment,
    // plus the reading flag.
    unsigned DrawTextBiDiModeFlags(unsigned Flags) const;

    void BringToFront();
    void SendToBack();
    void Invalidate();
    void Update();
    void Repaint();
    void Refresh() { Repaint(); }

    // The action the control shows and runs (nullptr: none).
    // Scales bounds (and the font unless it is the parent's) by M / D.
    virtual void ChangeScale(int M, int D);

    TAction *Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    void SetAction(TAction *Value);
    TControlActionLink *ActionLink() const { return FActionLink.get(); }

    // Runs OnClick, or else the linked action.
    virtual void Click();
    virtual void DblClick();

    // The wrapped widget.
    QWidget *Widget() const { return FWidget.data(); }

    TNotifyEvent OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent Value) { FOnClick = Value; }
    TNotifyEvent OnDblClick() const { return FOnDblClick; }
    void SetOnDblClick(TNotifyEvent Value) { FOnDblClick = Value; }
    TMouseEvent OnMouseDown() const { return FOnMouseDown; }
    void SetOnMouseDown(TMouseEvent Value) { FOnMouseDown = Value; }
    TMouseMoveEvent OnMouseMove() const { return FOnMouseMove; }
    void SetOnMouseMove(TMouseMoveEvent Value) { FOnMouseMove = Value; }
    TMouseEvent OnMouseUp() const { return FOnMouseUp; }
    void SetOnMouseUp(TMouseEvent Value) { FOnMouseUp = Value; }
    TNotifyEvent OnMouseEnter() const { return FOnMouseEnter; }
    void SetOnMouseEnter(TNotifyEvent Value) { FOnMouseEnter = Value; }
    TNotifyEvent OnMouseLeave() const { return FOnMouseLeave; }
    void SetOnMouseLeave(TNotifyEvent Value) { FOnMouseLeave = Value; }
    TNotifyEvent OnResize() const { return FOnResize; }
    void SetOnResize(TNotifyEvent Value) { FOnResize = Value; }
    TCanResizeEvent OnCanResize() const { return FOnCanResize; }
    void SetOnCanResize(TCanResizeEvent Value) { FOnCanResize = Value; }
    TContextPopupEvent OnContextPopup() const { return FOnContextPopup; }
    void SetOnContextPopup(TContextPopupEvent Value) { FOnContextPopup = Value; }
    TMouseWheelEvent OnMouseWheel() const { return FOnMouseWheel; }
    void SetOnMouseWheel(TMouseWheelEvent Value) { FOnMouseWheel = Value; }

    // A wheel turn over the control: OnMouseWheel; True when it was handled
    // (an unhandled turn goes on to the parent).
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);

    // Called by the wrapped widget; not for application code.
    virtual bool HostEvent(QEvent *Event);
    virtual void HostEventAfter(QEvent *Event);
    // True when the control painted the widget itself.
    virtual bool HostPaint(QPaintEvent *Event);
    // Which keys the control keeps for itself (DLGC_* bits).
    virtual int WantKeys() const { return 0; }
    // Enter/Escape offered by the form; true when this control took it.
    virtual bool DialogKey(Word Key, TShiftState Shift);
    // An accelerator character (Alt+letter, or a letter the focused control
    // does not take) offered by the form; true when this control took it.
    virtual bool DialogChar(QChar Key, TShiftState Shift);
    // The form's focused control changed.
    virtual void FocusChanged(TWinControl *Focused);

protected:
    // Installs the wrapped widget; called once by each constructor.
    void InitWidget(QWidget *Widget, TWidgetLink *Link);
    void Notification(TComponent *AComponent, TOperation Operation) override;

    virtual QString GetText() const { return FText; }
    // Stores the text in the widget; the base keeps it in the control.
    virtual void SetTextValue(const QString &Value);
    virtual void TextChanged() {}
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Resize();
    virtual bool CanResize(int &NewWidth, int &NewHeight);
    virtual void EnabledChanged() {}
    virtual void VisibleChanged() {}
    virtual void ColorChanged() {}
    virtual void FontChanged() {}
    virtual void BiDiModeChanged() {}
    virtual std::unique_ptr<TControlActionLink> CreateActionLink();
    // Takes the action's properties; with CheckDefaults only those the
    // control still has at their defaults.
    virtual void ActionChange(TAction *Sender, bool CheckDefaults);
    // Pushes Color and Font into the widget.
    virtual void ApplyColor();
    virtual void ApplyFont();
    // Colour of the widget's background role when it is not Color itself.
    virtual bool PaintsBackground() const { return true; }
    // The parent's client geometry changed the control's widget: keep the
    // control's fields in step.
    void SyncFromWidget();
    void ApplyGeometry();
    virtual void UpdateWidgetVisibility();
    // A top-level window whose size the user cannot change.
    virtual bool FixedWindowSize() const { return false; }
    // The parent or a descendant realigns after a change of this control.
    void RequestAlign();
    // Takes the present bounds and parent client size as the base the
    // anchors work from.
    void UpdateAnchorRules();
    // Bounds after the parent's client area became Width x Height.
    void AnchorBounds(int ParentWidth, int ParentHeight);
    // The control's own painting, for the classes that paint themselves.
    virtual void Paint() {}
    bool PaintsItself() const { return FPaintsItself; }
    void SetPaintsItself(bool Value) { FPaintsItself = Value; }
    // A left press and release inside the control is a click (panels, labels, images).
    void SetClickEvents(bool Value) { FClickEvents = Value; }
    void SetDoubleClicks(bool Value) { FDoubleClicks = Value; }
    // Paint with a canvas bound to the painter.
    void PaintWith(QPainter &Painter, TControlCanvas *Canvas);
    // For the classes that draw everything themselves: a plain widget and the
    // canvas bound to this control; the paint event goes through PaintOwnWidget.
    TControlCanvas *InitSelfPainted();
    bool PaintOwnWidget(TControlCanvas *Canvas);
    // Runs Proc, sending an escaping exception to the application's handler.
    void Guard(const std::function<void()> &Proc);
    bool InHostGeometry() const { return FSettingGeometry > 0; }

    friend class TWinControl;

    QPointer<QWidget> FWidget;
    TWidgetLink *FLink = nullptr;
    TWinControl *FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    TRect FAnchorRules;            // bounds the anchors were taken at
    int FAnchorParentWidth = -1;   // the parent's client size then; -1 unknown
    int FAnchorParentHeight = -1;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clWindow;
    bool FParentColor = false;
    TFont *FFont = nullptr;
    bool FParentFont = true;
    QString FText;
    QString FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    TPopupMenu *FPopupMenu = nullptr;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    std::unique_ptr<TControlActionLink> FActionLink;
    TNotifyEvent FOnClick;
    TNotifyEvent FOnDblClick;
    TMouseEvent FOnMouseDown;
    TMouseMoveEvent FOnMouseMove;
    TMouseEvent FOnMouseUp;
    TNotifyEvent FOnMouseEnter;
    TNotifyEvent FOnMouseLeave;
    TNotifyEvent FOnResize;
    TCanResizeEvent FOnCanResize;
    TContextPopupEvent FOnContextPopup;
    TMouseWheelEvent FOnMouseWheel;

private:
    void FontChangedHandler(TObject *Sender);
    void ParentColorChanged();
    void ParentFontChanged();
    void ParentBiDiModeChanged();
    void ApplyBiDiMode();
    bool FPaintsItself = false;
    bool FClickEvents = true;
    bool FDoubleClicks = true;
    bool FClicked = false;
    bool FUpdatingFont = false;
    int FSettingGeometry = 0;
};

// --- TWinControl -------------------------------------------------------------

class TWinControl : public TControl
{
    STATION_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent *AOwner);
    ~TWinControl() override;

    int ControlCount() const { return int(FControls.size()); }
    TControl *Controls(int Index) const;
    bool ContainsControl(TControl *Control) const;
    TControl *FindChildControl(const QString &ControlName) const;

    // Every windowed control below this one, in tab order, depth first.
    void GetTabOrderList(std::vector<TWinControl *> &List) const;
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    int TabOrder() const;
    void SetTabOrder(int Value);

    virtual bool CanFocus() const;
    virtual void SetFocus();
    bool Focused() const;
    HWND Handle() const { return Widget(); }
    bool HandleAllocated() const { return Widget() != nullptr; }

    // Scales the control's children (not the control itself) by M / D.
    void ScaleBy(int M, int D);
    void ChangeScale(int M, int D) override;

    // Lays out the aligned children in the client area.
    void Realign();
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();

    // Sends a scroll request to the control (WM_VSCROLL/WM_HSCROLL with SB_*).
    virtual void Perform(unsigned Msg, int WParam, int LParam = 0);

    // The widget that children are placed in.
    virtual QWidget *ClientWidget() const { return Widget(); }

    TNotifyEvent OnEnter() const { return FOnEnter; }
    void SetOnEnter(TNotifyEvent Value) { FOnEnter = Value; }
    TNotifyEvent OnExit() const { return FOnExit; }
    void SetOnExit(TNotifyEvent Value) { FOnExit = Value; }
    TKeyEvent OnKeyDown() const { return FOnKeyDown; }
    void SetOnKeyDown(TKeyEvent Value) { FOnKeyDown = Value; }
    TKeyPressEvent OnKeyPress() const { return FOnKeyPress; }
    void SetOnKeyPress(TKeyPressEvent Value) { FOnKeyPress = Value; }
    TKeyEvent OnKeyUp() const { return FOnKeyUp; }
    void SetOnKeyUp(TKeyEvent Value) { FOnKeyUp = Value; }

    // The key path; the form calls these in the class library's order.
    virtual void KeyDown(Word &Key, TShiftState Shift);
    virtual void KeyPress(QChar &Key);
    virtual void KeyUp(Word &Key, TShiftState Shift);
    virtual void DoEnter();
    virtual void DoExit();
    bool DialogKey(Word Key, TShiftState Shift) override;
    bool DialogChar(QChar Key, TShiftState Shift) override;
    void FocusChanged(TWinControl *Focused) override;
    bool HostEvent(QEvent *Event) override;

protected:
    // Client area left for aligned children.
    virtual void AdjustClientRect(TRect &Rect) const;
    virtual void AlignControls(TControl *AControl, TRect &Rect);
    virtual void InsertControl(TControl *AControl);
    virtual void RemoveControl(TControl *AControl);
    void ApplyColor() override;
    void ColorChanged() override;
    void FontChanged() override;
    void Resize() override;
    void ChildChanged(TControl *Child);
    void RestackTabOrder();

    friend class TControl;
    std::vector<TControl *> FControls;
    std::vector<TWinControl *> FTabList;
    bool FTabStop = false;
    int FAlignLevel = 0;
    bool FAligning = false;
    bool FAlignPending = false;
    TNotifyEvent FOnEnter;
    TNotifyEvent FOnExit;
    TKeyEvent FOnKeyDown;
    TKeyPressEvent FOnKeyPress;
    TKeyEvent FOnKeyUp;
};

// --- TGraphicControl / TCustomControl ------------------------------------------

// A control without its own window in the class library; here it wraps a
// plain widget that it paints itself.
class TGraphicControl : public TControl
{
    STATION_CLASS(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent *AOwner);
    ~TGraphicControl() override;
    TCanvas *Canvas() const { return FCanvas; }

protected:
    bool HostPaint(QPaintEvent *Event) override;
    // The parent shows through what the control does not paint.
    bool PaintsBackground() const override { return false; }

private:
    TControlCanvas *FCanvas;
};

class TCustomControl : public TWinControl
{
    STATION_CLASS(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent *AOwner);
    ~TCustomControl() override;
    TCanvas *Canvas() const { return FCanvas; }

protected:
    bool HostPaint(QPaintEvent *Event) override;

private:
    TControlCanvas *FCanvas;
};

// --- Widget host ---------------------------------------------------------------

// Mouse, wheel, key and context-menu events: what a user does to a control.
bool IsUserInputEvent(const QEvent *Event);

// A Qt widget class with its events routed through its control first.
template <class W>
class TWidgetHost : public W, public TWidgetLink
{
public:
    template <class... A>
    explicit TWidgetHost(A &&...Args) : W(std::forward<A>(Args)...) {}

protected:
    bool event(QEvent *e) override
    {
        TControl *c = LinkedControl;
        // A disabled control, or one on a disabled parent, takes no input:
        // its handlers never see it, owner-drawn or not.
        if (c && IsUserInputEvent(e) && !this->isEnabled())
            return W::event(e);
        if (c && c->HostEvent(e))
            return true;
        const bool r = W::event(e);
        c = LinkedControl;
        if (c)
            c->HostEventAfter(e);
        return r;
    }
    void paintEvent(QPaintEvent *e) override
    {
        TControl *c = LinkedControl;
        if (!c || !c->HostPaint(e))
            W::paintEvent(e);
    }
};

// A scrolling Qt widget: mouse events arrive at its viewport, whose
// coordinates are the control's client coordinates (inside the border).
template <class W>
class TScrollHost : public TWidgetHost<W>
{
public:
    template <class... A>
    explicit TScrollHost(A &&...Args) : TWidgetHost<W>(std::forward<A>(Args)...) {}

protected:
    bool viewportEvent(QEvent *e) override
    {
        TControl *c = this->LinkedControl;
        if (!c || !this->isEnabled())
            return W::viewportEvent(e);
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::ContextMenu: {
            if (c->HostEvent(e))
                return true;
            const bool r = W::viewportEvent(e);
            if ((c = this->LinkedControl))
                c->HostEventAfter(e);
            return r;
        }
        default:
            return W::viewportEvent(e);
        }
    }
};
