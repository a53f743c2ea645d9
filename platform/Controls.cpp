// Implementation of controls of the class library over Qt Widgets.
#include "Controls.h"
#include "SysUtils.h"
#include "Exceptions.h"
#include "Forms.h"
#include "Menus.h"
#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QScrollBar>
#include <QSet>
#include <algorithm>

namespace {

QHash<const QWidget *, TControl *> &WidgetControls()
{
    static QHash<const QWidget *, TControl *> map;
    return map;
}

QSet<const TControl *> &LiveControls()
{
    static QSet<const TControl *> set;
    return set;
}

TMouseButton ToMouseButton(Qt::MouseButton B)
{
    switch (B) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

} // namespace

// --- Helpers -----------------------------------------------------------------

Word QtKeyToVirtualKey(int Key, Qt::KeyboardModifiers Modifiers)
{
    const bool keypad = Modifiers & Qt::KeypadModifier;
    if (Key >= Qt::Key_A && Key <= Qt::Key_Z)
        return Word('A' + (Key - Qt::Key_A));
    if (Key >= Qt::Key_0 && Key <= Qt::Key_9)
        return keypad ? Word(VK_NUMPAD0 + (Key - Qt::Key_0)) : Word('0' + (Key - Qt::Key_0));
    if (Key >= Qt::Key_F1 && Key <= Qt::Key_F24)
        return Word(VK_F1 + (Key - Qt::Key_F1));
    switch (Key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_NumLock:
        return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    case Qt::Key_Menu:
        return VK_APPS;
    case Qt::Key_Meta:
        return VK_LWIN;
    case Qt::Key_Help:
        return VK_HELP;
    case Qt::Key_Clear:
        return VK_CLEAR;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Asterisk:
        return keypad ? Word(VK_MULTIPLY) : Word('8');
    case Qt::Key_Plus:
        return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Minus:
        return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Period:
        return keypad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Slash:
        return keypad ? VK_DIVIDE : VK_OEM_2;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return VK_OEM_1;
    case Qt::Key_Equal:
        return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return VK_OEM_COMMA;
    case Qt::Key_Underscore:
        return VK_OEM_MINUS;
    case Qt::Key_Greater:
        return VK_OEM_PERIOD;
    case Qt::Key_Question:
        return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return VK_OEM_7;
    // Shifted digits carry the digit's key.
    case Qt::Key_Exclam:
        return Word('1');
    case Qt::Key_At:
        return Word('2');
    case Qt::Key_NumberSign:
        return Word('3');
    case Qt::Key_Dollar:
        return Word('4');
    case Qt::Key_Percent:
        return Word('5');
    case Qt::Key_AsciiCircum:
        return Word('6');
    case Qt::Key_Ampersand:
        return Word('7');
    case Qt::Key_ParenLeft:
        return Word('9');
    case Qt::Key_ParenRight:
        return Word('0');
    default:
        return 0;
    }
}

TShiftState QtToShiftState(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons)
{
    TShiftState s;
    if (Modifiers & Qt::ShiftModifier)
        s.Include(ssShift);
    if (Modifiers & Qt::AltModifier)
        s.Include(ssAlt);
    if (Modifiers & Qt::ControlModifier)
        s.Include(ssCtrl);
    if (Buttons & Qt::LeftButton)
        s.Include(ssLeft);
    if (Buttons & Qt::RightButton)
        s.Include(ssRight);
    if (Buttons & Qt::MiddleButton)
        s.Include(ssMiddle);
    return s;
}

Qt::CursorShape CursorToQtShape(TCursor Cursor)
{
    switch (Cursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
    case crVSplit:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
    case crHSplit:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

bool IsAccel(QChar VK, const QString &Str)
{
    for (int i = 0; i + 1 < Str.size(); ++i) {
        if (Str[i] != QLatin1Char('&'))
            continue;
        if (Str[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return Str[i + 1].toUpper() == VK.toUpper();
    }
    return false;
}

bool IsUserInputEvent(const QEvent *Event)
{
    switch (Event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

TControl *FindControl(const QWidget *Widget)
{
    for (const QWidget *w = Widget; w; w = w->parentWidget()) {
        if (TControl *c = WidgetControls().value(w, nullptr))
            return c;
        if (w->isWindow())
            break;
    }
    return nullptr;
}

TWinControl *FindWinControl(const QWidget *Widget)
{
    for (const QWidget *w = Widget; w; w = w->parentWidget()) {
        if (auto *c = dynamic_cast<TWinControl *>(WidgetControls().value(w, nullptr)))
            return c;
        if (w->isWindow())
            break;
    }
    return nullptr;
}

bool IsLiveControl(const TControl *Control)
{
    return Control && LiveControls().contains(Control);
}

TCustomForm *GetParentForm(TControl *Control)
{
    TControl *c = Control;
    while (c && c->Parent())
        c = c->Parent();
    return dynamic_cast<TCustomForm *>(c);
}

// --- TControl ----------------------------------------------------------------

STATION_PUBLISHED(TControl)
{
    P.Prop("Left", &TControl::Left, &TControl::SetLeft);
    P.Prop("Top", &TControl::Top, &TControl::SetTop);
    P.Prop("Width", &TControl::Width, &TControl::SetWidth);
    P.Prop("Height", &TControl::Height, &TControl::SetHeight);
    P.Prop("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
    P.Prop("Anchors", &TControl::Anchors, &TControl::SetAnchors).Default(TAnchors{akLeft, akTop});
    P.Prop("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
    P.Prop("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
    P.Prop("Color", &TControl::Color, &TControl::SetColor).Type(TypeInfoTColor()).Default(int(clWindow));
    P.Prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(false);
    P.Prop("Font", &TControl::Font, &TControl::SetFont);
    P.Prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
    P.Prop("Hint", &TControl::Hint, &TControl::SetHint);
    P.Prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Default(false);
    P.Prop("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
    P.Prop("Cursor", &TControl::Cursor, &TControl::SetCursor).Default(crDefault);
    P.Prop("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode).Default(bdLeftToRight);
    P.Prop("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode).Default(true);
    P.Prop("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
    P.Prop("Action", &TControl::Action, &TControl::SetAction);
    P.Prop("OnClick", &TControl::OnClick, &TControl::SetOnClick);
    P.Prop("OnDblClick", &TControl::OnDblClick, &TControl::SetOnDblClick);
    P.Prop("OnMouseDown", &TControl::OnMouseDown, &TControl::SetOnMouseDown);
    P.Prop("OnMouseMove", &TControl::OnMouseMove, &TControl::SetOnMouseMove);
    P.Prop("OnMouseUp", &TControl::OnMouseUp, &TControl::SetOnMouseUp);
    P.Prop("OnMouseEnter", &TControl::OnMouseEnter, &TControl::SetOnMouseEnter);
    P.Prop("OnMouseLeave", &TControl::OnMouseLeave, &TControl::SetOnMouseLeave);
    P.Prop("OnResize", &TControl::OnResize, &TControl::SetOnResize);
    P.Prop("OnCanResize", &TControl::OnCanResize, &TControl::SetOnCanResize);
    P.Prop("OnContextPopup", &TControl::OnContextPopup, &TControl::SetOnContextPopup);
}

STATION_PUBLISHED(TWinControl)
{
    P.Prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
    P.Prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Default(-1);
    P.Prop("OnEnter", &TWinControl::OnEnter, &TWinControl::SetOnEnter);
    P.Prop("OnExit", &TWinControl::OnExit, &TWinControl::SetOnExit);
    P.Prop("OnKeyDown", &TWinControl::OnKeyDown, &TWinControl::SetOnKeyDown);
    P.Prop("OnKeyPress", &TWinControl::OnKeyPress, &TWinControl::SetOnKeyPress);
    P.Prop("OnKeyUp", &TWinControl::OnKeyUp, &TWinControl::SetOnKeyUp);
}

STATION_PUBLISHED(TGraphicControl) {}

STATION_PUBLISHED(TCustomControl) {}

TControl::TControl(TComponent *AOwner) : TComponent(AOwner)
{
    LiveControls().insert(this);
    FFont = new TFont;
    FFont->SetOnChange(TNotifyEvent(this, &TControl::FontChangedHandler));
}

TControl::~TControl()
{
    LiveControls().remove(this);
    if (FParent)
        FParent->RemoveControl(this);
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    if (FLink)
        FLink->LinkedControl = nullptr;
    if (QWidget *w = FWidget.data()) {
        WidgetControls().remove(w);
        delete w;
    }
    delete FFont;
}

void TControl::InitWidget(QWidget *Widget, TWidgetLink *Link)
{
    FWidget = Widget;
    FLink = Link;
    if (Link)
        Link->LinkedControl = this;
    WidgetControls().insert(Widget, this);
    // The class library sees every mouse move, not only dragging ones, and a
    // mouse event belongs to the control it happened on.
    Widget->setMouseTracking(true);
    Widget->setAttribute(Qt::WA_NoMousePropagation);
    // A scrolling widget's viewport reports to the control itself; passed on,
    // the same press would reach the control twice.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(Widget)) {
        area->viewport()->setMouseTracking(true);
        area->viewport()->setAttribute(Qt::WA_NoMousePropagation);
    }
    Widget->hide();
    const QSize s = Widget->size();
    FWidth = s.width();
    FHeight = s.height();
    ApplyFont();
    ApplyColor();
}

void TControl::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu)
        FPopupMenu = nullptr;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    const bool sized = AWidth != FWidth || AHeight != FHeight;
    if (sized && !CanResize(AWidth, AHeight))
        return;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    ApplyGeometry();
    // Bounds set by the program are the new base of the anchors; bounds set
    // by the parent's layout are not.
    if (!FParent || !FParent->FAligning)
        UpdateAnchorRules();
    RequestAlign();
    if (sized)
        Resize();
}

void TControl::ApplyGeometry()
{
    QWidget *w = FWidget.data();
    if (!w)
        return;
    ++FSettingGeometry;
    const int width = std::max(0, FWidth), height = std::max(0, FHeight);
    if (w->isWindow()) {
        // A window's Left/Top place its frame; its size is the client size.
        w->move(FLeft, FTop);
        if (FixedWindowSize()) {
            w->setFixedSize(width, height);
        } else {
            w->setMinimumSize(0, 0);
            w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            w->resize(width, height);
        }
    } else {
        w->setGeometry(FLeft, FTop, width, height);
    }
    --FSettingGeometry;
}

void TControl::SyncFromWidget()
{
    QWidget *w = FWidget.data();
    if (!w || FSettingGeometry)
        return;
    const QPoint p = w->isWindow() ? w->pos() : w->geometry().topLeft();
    const QSize s = w->size();
    if (p.x() == FLeft && p.y() == FTop && s.width() == FWidth && s.height() == FHeight)
        return;
    const bool sized = s.width() != FWidth || s.height() != FHeight;
    FLeft = p.x();
    FTop = p.y();
    FWidth = s.width();
    FHeight = s.height();
    if (sized)
        Guard([this] { Resize(); });
}

TRect TControl::ClientRect() const
{
    // A scrolling widget's client area is its viewport, inside the border.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(FWidget.data())) {
        const int f = area->frameWidth();
        return Rect(0, 0, std::max(0, FWidth - 2 * f), std::max(0, FHeight - 2 * f));
    }
    return Rect(0, 0, FWidth, FHeight);
}

void TControl::SetClientWidth(int Value)
{
    SetWidth(FWidth - ClientWidth() + Value);
}

void TControl::SetClientHeight(int Value)
{
    SetHeight(FHeight - ClientHeight() + Value);
}

TPoint TControl::ClientOrigin() const
{
    if (QWidget *w = FWidget.data()) {
        const QPoint p = w->mapToGlobal(QPoint(0, 0));
        return Point(p.x(), p.y());
    }
    return Point(FLeft, FTop);
}

TPoint TControl::ClientToScreen(const TPoint &P) const
{
    const TPoint o = ClientOrigin();
    return Point(P.X + o.X, P.Y + o.Y);
}

TPoint TControl::ScreenToClient(const TPoint &P) const
{
    const TPoint o = ClientOrigin();
    return Point(P.X - o.X, P.Y - o.Y);
}

void TControl::SetAlign(TAlign Value)
{
    if (FAlign == Value)
        return;
    FAlign = Value;
    RequestAlign();
}

void TControl::SetAnchors(TAnchors Value)
{
    if (FAnchors == Value)
        return;
    FAnchors = Value;
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules()
{
    FAnchorRules = BoundsRect();
    FAnchorParentWidth = FAnchorParentHeight = -1;
    if (!FParent)
        return;
    TRect r = FParent->ClientRect();
    FParent->AdjustClientRect(r);
    FAnchorParentWidth = r.Width();
    FAnchorParentHeight = r.Height();
}

void TControl::AnchorBounds(int ParentWidth, int ParentHeight)
{
    if (FAlign != alNone || FAnchors == TAnchors{akLeft, akTop})
        return;
    // A parent without a size yet gives no base to work from.
    if (FAnchorParentWidth <= 0 || FAnchorParentHeight <= 0) {
        UpdateAnchorRules();
        return;
    }
    int left = FAnchorRules.Left, top = FAnchorRules.Top;
    int width = FAnchorRules.Width(), height = FAnchorRules.Height();
    const int dx = ParentWidth - FAnchorParentWidth, dy = ParentHeight - FAnchorParentHeight;
    if (FAnchors.Contains(akRight)) {
        if (FAnchors.Contains(akLeft))
            width = std::max(0, width + dx);
        else
            left += dx;
    } else if (!FAnchors.Contains(akLeft)) {
        left = int(qint64(left + width / 2) * ParentWidth / FAnchorParentWidth) - width / 2;
    }
    if (FAnchors.Contains(akBottom)) {
        if (FAnchors.Contains(akTop))
            height = std::max(0, height + dy);
        else
            top += dy;
    } else if (!FAnchors.Contains(akTop)) {
        top = int(qint64(top + height / 2) * ParentHeight / FAnchorParentHeight) - height / 2;
    }
    SetBounds(left, top, width, height);
}

void TControl::RequestAlign()
{
    if (FParent && !FParent->FAligning)
        FParent->ChildChanged(this);
}

void TControl::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    UpdateWidgetVisibility();
    VisibleChanged();
    if (FParent && FAlign != alNone)
        FParent->ChildChanged(this);
}

void TControl::UpdateWidgetVisibility()
{
    QWidget *w = FWidget.data();
    if (!w)
        return;
    if (FParent)
        w->setVisible(FVisible);
    else
        w->hide();
}

bool TControl::Showing() const
{
    if (!FVisible)
        return false;
    if (FParent)
        return FParent->Showing();
    QWidget *w = FWidget.data();
    return w && w->isWindow() && w->isVisible();
}

void TControl::Show()
{
    SetVisible(true);
}

void TControl::Hide()
{
    SetVisible(false);
}

void TControl::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    if (QWidget *w = FWidget.data())
        w->setEnabled(Value);
    EnabledChanged();
}

void TControl::SetColor(TColor Value)
{
    const bool wasParent = FParentColor;
    FParentColor = false;
    if (FColor == Value && !wasParent)
        return;
    FColor = Value;
    ApplyColor();
    ColorChanged();
}

void TControl::SetParentColor(bool Value)
{
    if (FParentColor == Value)
        return;
    FParentColor = Value;
    if (Value)
        ParentColorChanged();
}

void TControl::SetBiDiMode(TBiDiMode Value)
{
    if (FBiDiMode == Value)
        return;
    FBiDiMode = Value;
    FParentBiDiMode = false;
    ApplyBiDiMode();
}

void TControl::SetParentBiDiMode(bool Value)
{
    if (FParentBiDiMode == Value)
        return;
    FParentBiDiMode = Value;
    if (Value)
        ParentBiDiModeChanged();
}

void TControl::ParentBiDiModeChanged()
{
    if (!FParentBiDiMode || !FParent || FParent->FBiDiMode == FBiDiMode)
        return;
    FBiDiMode = FParent->FBiDiMode;
    ApplyBiDiMode();
}

void TControl::ApplyBiDiMode()
{
    if (QWidget *w = Widget())
        w->setLayoutDirection(UseRightToLeftAlignment() ? Qt::RightToLeft : Qt::LeftToRight);
    BiDiModeChanged();
    if (auto *wc = dynamic_cast<TWinControl *>(this))
        for (TControl *c : wc->FControls)
            c->ParentBiDiModeChanged();
    Invalidate();
}

unsigned TControl::DrawTextBiDiModeFlagsReadingOnly() const
{
    return UseRightToLeftReading() ? unsigned(DT_RTLREADING) : 0u;
}

unsigned TControl::DrawTextBiDiModeFlags(unsigned Flags) const
{
    if (UseRightToLeftAlignment()) {
        if (Flags & DT_RIGHT)
            Flags &= ~unsigned(DT_RIGHT);
        else if (!(Flags & DT_CENTER))
            Flags |= DT_RIGHT;
    }
    return Flags | DrawTextBiDiModeFlagsReadingOnly();
}

void TControl::ParentColorChanged()
{
    if (!FParentColor || !FParent)
        return;
    if (FColor != FParent->Color()) {
        FColor = FParent->Color();
        ApplyColor();
        ColorChanged();
    }
}

void TControl::SetFont(TFont *Value)
{
    if (Value && Value != FFont)
        FFont->Assign(Value);
}

void TControl::SetParentFont(bool Value)
{
    if (FParentFont == Value)
        return;
    FParentFont = Value;
    if (Value)
        ParentFontChanged();
}

void TControl::ParentFontChanged()
{
    if (!FParentFont || !FParent)
        return;
    FUpdatingFont = true;
    try {
        FFont->Assign(FParent->Font());
    } catch (...) {
        FUpdatingFont = false;
        throw;
    }
    FUpdatingFont = false;
}

void TControl::FontChangedHandler(TObject *)
{
    if (!FUpdatingFont)
        FParentFont = false;
    ApplyFont();
    FontChanged();
}

void TControl::ApplyColor()
{
    QWidget *w = FWidget.data();
    if (!w)
        return;
    QPalette pal = w->palette();
    const QColor c = ColorToQColor(FColor);
    pal.setColor(QPalette::Window, c);
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Button, c);
    w->setPalette(pal);
    w->setAutoFillBackground(PaintsBackground());
    w->update();
}

void TControl::ApplyFont()
{
    QWidget *w = FWidget.data();
    if (!w)
        return;
    w->setFont(FontToQFont(FFont));
    QPalette pal = w->palette();
    const QColor c = ColorToQColor(FFont->Color());
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::Text, c);
    pal.setColor(QPalette::ButtonText, c);
    w->setPalette(pal);
    w->update();
}

void TControl::SetText(const QString &Value)
{
    if (GetText() == Value)
        return;
    SetTextValue(Value);
    TextChanged();
}

void TControl::SetTextValue(const QString &Value)
{
    FText = Value;
    if (QWidget *w = FWidget.data())
        w->update();
}

void TControl::SetHint(const QString &Value)
{
    FHint = Value;
    SetShowHint(FShowHint);
}

void TControl::SetShowHint(bool Value)
{
    FShowHint = Value;
    FParentShowHint = false;
    if (QWidget *w = FWidget.data()) {
        // The short hint is the part before '|'.
        const QString shortHint = FHint.section(QLatin1Char('|'), 0, 0);
        w->setToolTip(Value ? shortHint : QString());
    }
}

void TControl::SetCursor(TCursor Value)
{
    FCursor = Value;
    if (QWidget *w = FWidget.data()) {
        if (Value == crDefault)
            w->unsetCursor();
        else
            w->setCursor(GetScreen()->Cursors(Value));
    }
}

void TControl::SetPopupMenu(TPopupMenu *Value)
{
    if (FPopupMenu == Value)
        return;
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TControl::SetParent(TWinControl *AParent)
{
    if (FParent == AParent)
        return;
    for (TWinControl *p = AParent; p; p = p->Parent())
        if (p == this)
            throw EInvalidOperation(QStringLiteral("Control '%1' cannot have itself as its parent").arg(Name()));
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

void TControl::BringToFront()
{
    if (QWidget *w = FWidget.data()) {
        if (!w->isWindow() || QGuiApplication::platformName() != QLatin1String("offscreen"))
            w->raise();
    }
    if (FParent) {
        auto &v = FParent->FControls;
        auto it = std::find(v.begin(), v.end(), this);
        if (it != v.end()) {
            v.erase(it);
            v.push_back(this);
        }
    }
}

void TControl::SendToBack()
{
    if (QWidget *w = FWidget.data())
        w->lower();
    if (FParent) {
        auto &v = FParent->FControls;
        auto it = std::find(v.begin(), v.end(), this);
        if (it != v.end()) {
            v.erase(it);
            v.insert(v.begin(), this);
        }
    }
}

void TControl::Invalidate()
{
    if (QWidget *w = FWidget.data()) {
        w->update();
        // A scrolling control paints its content in the viewport: updating
        // the frame alone would leave the old rows on screen.
        if (auto *area = qobject_cast<QAbstractScrollArea *>(w))
            area->viewport()->update();
    }
}

void TControl::Update()
{
    if (QWidget *w = FWidget.data()) {
        w->repaint();
        if (auto *area = qobject_cast<QAbstractScrollArea *>(w))
            area->viewport()->repaint();
    }
}

void TControl::Repaint()
{
    Update();
}

void TControl::Click()
{
    if (FOnClick)
        FOnClick(this);
    else if (FActionLink)
        FActionLink->Execute(this);
}

void TControl::ChangeScale(int M, int D)
{
    if (M == D || D == 0)
        return;
    const int l = MulDiv(FLeft, M, D), t = MulDiv(FTop, M, D);
    SetBounds(l, t, MulDiv(FLeft + FWidth, M, D) - l, MulDiv(FTop + FHeight, M, D) - t);
    if (!FParentFont)
        FFont->SetSize(MulDiv(FFont->Size(), M, D));
}

void TWinControl::ScaleBy(int M, int D)
{
    if (M == D || D == 0)
        return;
    DisableAlign();
    for (TControl *c : std::vector<TControl *>(FControls))
        c->ChangeScale(M, D);
    EnableAlign();
}

void TWinControl::ChangeScale(int M, int D)
{
    if (M == D || D == 0)
        return;
    DisableAlign();
    for (TControl *c : std::vector<TControl *>(FControls))
        c->ChangeScale(M, D);
    TControl::ChangeScale(M, D);
    EnableAlign();
}

std::unique_ptr<TControlActionLink> TControl::CreateActionLink()
{
    return std::make_unique<TControlActionLink>(this);
}

void TControl::SetAction(TAction *Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink)
        FActionLink = CreateActionLink();
    if (FActionLink->Action() == Value)
        return;
    FActionLink->SetAction(Value);
    ActionChange(Value, ComponentState().Contains(csLoading));
}

void TControl::ActionChange(TAction *Sender, bool CheckDefaults)
{
    if (!Sender)
        return;
    if (!CheckDefaults || Caption().isEmpty())
        SetCaption(Sender->Caption());
    if (!CheckDefaults || Enabled())
        SetEnabled(Sender->Enabled());
    if (!CheckDefaults || Hint().isEmpty())
        SetHint(Sender->Hint());
    if (!CheckDefaults || Visible())
        SetVisible(Sender->Visible());
}

// --- TControlActionLink ----------------------------------------------------------

TControlActionLink::TControlActionLink(TControl *AClient) : TActionLink(AClient), FControl(AClient) {}

bool TControlActionLink::IsCaptionLinked() const
{
    return FAction && FControl->Caption() == FAction->Caption();
}

bool TControlActionLink::IsEnabledLinked() const
{
    return FAction && FControl->Enabled() == FAction->Enabled();
}

bool TControlActionLink::IsHintLinked() const
{
    return FAction && FControl->Hint() == FAction->Hint();
}

bool TControlActionLink::IsVisibleLinked() const
{
    return FAction && FControl->Visible() == FAction->Visible();
}

void TControlActionLink::SetCaption(const QString &Value)
{
    FControl->SetCaption(Value);
}

void TControlActionLink::SetEnabled(bool Value)
{
    FControl->SetEnabled(Value);
}

void TControlActionLink::SetHint(const QString &Value)
{
    FControl->SetHint(Value);
}

void TControlActionLink::SetVisible(bool Value)
{
    FControl->SetVisible(Value);
}

void TControl::DblClick()
{
    if (FOnDblClick)
        FOnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FOnMouseDown)
        FOnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FOnMouseMove)
        FOnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FOnMouseUp)
        FOnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseEnter()
{
    if (FOnMouseEnter)
        FOnMouseEnter(this);
}

void TControl::MouseLeave()
{
    if (FOnMouseLeave)
        FOnMouseLeave(this);
}

void TControl::Resize()
{
    if (FOnResize)
        FOnResize(this);
}

bool TControl::CanResize(int &NewWidth, int &NewHeight)
{
    bool result = true;
    if (FOnCanResize)
        FOnCanResize(this, NewWidth, NewHeight, result);
    return result;
}

bool TControl::DialogKey(Word, TShiftState)
{
    return false;
}

bool TControl::DialogChar(QChar, TShiftState)
{
    return false;
}

void TControl::FocusChanged(TWinControl *) {}

void TControl::Guard(const std::function<void()> &Proc)
{
    try {
        Proc();
    } catch (...) {
        Application->HandleException(this);
    }
}

bool TControl::HostEvent(QEvent *Event)
{
    switch (Event->type()) {
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(Event);
        const QPoint p = me->position().toPoint();
        const TMouseButton b = ToMouseButton(me->button());
        if (b == mbLeft && FClickEvents)
            FClicked = true;
        Guard([&] { MouseDown(b, QtToShiftState(me->modifiers(), me->buttons()), p.x(), p.y()); });
        return false;
    }
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(Event);
        const QPoint p = me->position().toPoint();
        const TMouseButton b = ToMouseButton(me->button());
        if (!FDoubleClicks)
            return false;
        Guard([&] {
            if (b == mbLeft)
                DblClick();
            if (IsLiveControl(this))
                MouseDown(b, QtToShiftState(me->modifiers(), me->buttons()) + TShiftState{ssDouble}, p.x(), p.y());
        });
        return false;
    }
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(Event);
        const QPoint p = me->position().toPoint();
        Guard([&] { MouseMove(QtToShiftState(me->modifiers(), me->buttons()), p.x(), p.y()); });
        return false;
    }
    case QEvent::Wheel: {
        auto *we = static_cast<QWheelEvent *>(Event);
        const QPoint g = we->globalPosition().toPoint();
        bool handled = false;
        Guard([&] { handled = DoMouseWheel(QtToShiftState(we->modifiers(), we->buttons()), we->angleDelta().y(),
                                           Point(g.x(), g.y())); });
        if (handled)
            we->accept();
        return handled;
    }
    case QEvent::Enter:
        Guard([this] { MouseEnter(); });
        return false;
    case QEvent::Leave:
        Guard([this] { MouseLeave(); });
        return false;
    case QEvent::ContextMenu: {
        auto *ce = static_cast<QContextMenuEvent *>(Event);
        bool handled = false;
        Guard([&] {
            if (FOnContextPopup)
                FOnContextPopup(this, Point(ce->pos().x(), ce->pos().y()), handled);
            if (!handled && FPopupMenu && FPopupMenu->AutoPopup()) {
                FPopupMenu->SetPopupComponent(this);
                FPopupMenu->Popup(ce->globalPos().x(), ce->globalPos().y());
                handled = true;
            }
        });
        return handled;
    }
    default:
        return false;
    }
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    bool handled = false;
    if (FOnMouseWheel)
        FOnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}

void TControl::HostEventAfter(QEvent *Event)
{
    // A control that paints itself has taken its mouse events.
    if (FPaintsItself) {
        switch (Event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            Event->accept();
            break;
        default:
            break;
        }
    }
    switch (Event->type()) {
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(Event);
        const QPoint p = me->position().toPoint();
        const TMouseButton b = ToMouseButton(me->button());
        const TShiftState shift = QtToShiftState(me->modifiers(), me->buttons());
        bool click = false;
        if (b == mbLeft && FClicked) {
            FClicked = false;
            click = ClientRect().Contains(Point(p.x(), p.y()));
        }
        Guard([&] {
            if (click)
                Click();
            if (IsLiveControl(this))
                MouseUp(b, shift, p.x(), p.y());
        });
        break;
    }
    case QEvent::Resize:
    case QEvent::Move:
        SyncFromWidget();
        break;
    case QEvent::EnabledChange:
        Guard([this] { EnabledChanged(); });
        break;
    default:
        break;
    }
}

bool TControl::HostPaint(QPaintEvent *)
{
    return false;
}

void TControl::PaintWith(QPainter &Painter, TControlCanvas *Canvas)
{
    Canvas->BeginPaint(&Painter);
    try {
        Paint();
    } catch (...) {
        Canvas->EndPaint();
        Application->HandleException(this);
        return;
    }
    Canvas->EndPaint();
}

// --- TWinControl -------------------------------------------------------------

TWinControl::TWinControl(TComponent *AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl()
{
    if (TCustomForm *form = GetParentForm(this))
        if (form != static_cast<TControl *>(this))
            form->DefocusControl(this, true);
    while (!FControls.empty()) {
        TControl *c = FControls.back();
        RemoveControl(c);
        delete c;
    }
}

TControl *TWinControl::Controls(int Index) const
{
    if (Index < 0 || Index >= ControlCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FControls[size_t(Index)];
}

bool TWinControl::ContainsControl(TControl *Control) const
{
    for (TControl *c = Control; c; c = c->Parent())
        if (c == this)
            return true;
    return false;
}

TControl *TWinControl::FindChildControl(const QString &ControlName) const
{
    for (TControl *c : FControls)
        if (c->Name().compare(ControlName, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void TWinControl::InsertControl(TControl *AControl)
{
    FControls.push_back(AControl);
    AControl->FParent = this;
    if (QWidget *w = AControl->Widget())
        w->setParent(ClientWidget());
    AControl->ApplyGeometry();
    AControl->ParentFontChanged();
    AControl->ParentColorChanged();
    AControl->ParentBiDiModeChanged();
    if (AControl->FParentShowHint && FShowHint && !AControl->FShowHint) {
        AControl->SetShowHint(true);
        AControl->FParentShowHint = true;
    }
    AControl->UpdateWidgetVisibility();
    AControl->UpdateAnchorRules();
    if (auto *wc = dynamic_cast<TWinControl *>(AControl)) {
        FTabList.push_back(wc);
        RestackTabOrder();
    }
    if (AControl->FAlign != alNone)
        ChildChanged(AControl);
}

void TWinControl::RemoveControl(TControl *AControl)
{
    auto it = std::find(FControls.begin(), FControls.end(), AControl);
    if (it == FControls.end())
        return;
    FControls.erase(it);
    if (auto *wc = dynamic_cast<TWinControl *>(AControl))
        FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), wc), FTabList.end());
    AControl->FParent = nullptr;
    if (QWidget *w = AControl->Widget()) {
        w->hide();
        w->setParent(nullptr);
    }
    if (AControl->FAlign != alNone && IsLiveControl(this))
        ChildChanged(nullptr);
}

void TWinControl::SetTabStop(bool Value)
{
    FTabStop = Value;
    QWidget *w = Widget();
    if (!w)
        return;
    if (Value)
        w->setFocusPolicy(Qt::StrongFocus);
    else if (w->focusPolicy() != Qt::NoFocus)
        w->setFocusPolicy(Qt::ClickFocus);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl *> &List) const
{
    for (TWinControl *c : FTabList) {
        List.push_back(c);
        c->GetTabOrderList(List);
    }
}

int TWinControl::TabOrder() const
{
    if (!FParent)
        return -1;
    const auto &v = FParent->FTabList;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : int(it - v.begin());
}

void TWinControl::SetTabOrder(int Value)
{
    if (!FParent)
        return;
    auto &v = FParent->FTabList;
    auto it = std::find(v.begin(), v.end(), this);
    if (it == v.end())
        return;
    v.erase(it);
    const int n = int(v.size());
    const int at = Value < 0 || Value > n ? n : Value;
    v.insert(v.begin() + at, this);
    FParent->RestackTabOrder();
}

void TWinControl::RestackTabOrder()
{
    QWidget *prev = nullptr;
    for (TWinControl *c : FTabList) {
        QWidget *w = c->Widget();
        if (!w)
            continue;
        if (prev && prev->window() == w->window())
            QWidget::setTabOrder(prev, w);
        prev = w;
    }
}

bool TWinControl::CanFocus() const
{
    // Every control up to the form visible and enabled; the form itself may
    // still be hidden.
    TCustomForm *form = GetParentForm(const_cast<TWinControl *>(this));
    if (!Widget() || !form)
        return false;
    for (const TControl *c = this; c && c != static_cast<TControl *>(form); c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void TWinControl::SetFocus()
{
    TCustomForm *form = GetParentForm(this);
    if (form && form != static_cast<TControl *>(this)) {
        form->FocusControl(this);
        return;
    }
    if (!CanFocus())
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    if (QWidget *w = Widget())
        w->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const
{
    return FindWinControl(QApplication::focusWidget()) == this;
}

void TWinControl::EnableAlign()
{
    if (FAlignLevel > 0 && --FAlignLevel == 0 && FAlignPending) {
        FAlignPending = false;
        Realign();
    }
}

void TWinControl::ChildChanged(TControl *Child)
{
    if (FAlignLevel > 0) {
        FAlignPending = true;
        return;
    }
    if (FAligning)
        return;
    FAligning = true;
    try {
        TRect r = ClientRect();
        AdjustClientRect(r);
        AlignControls(Child, r);
    } catch (...) {
        FAligning = false;
        throw;
    }
    FAligning = false;
}

void TWinControl::Realign()
{
    ChildChanged(nullptr);
}

void TWinControl::AdjustClientRect(TRect &) const {}

void TWinControl::AlignControls(TControl *AControl, TRect &Rect)
{
    // Top, bottom, left, right, then client: each takes its strip off the
    // remaining rectangle, in the order of its position, the control that
    // asked for the layout first among equals.
    auto insertBefore = [](TControl *C1, TControl *C2, TAlign A) {
        switch (A) {
        case alTop:
            return C1->Top() < C2->Top();
        case alBottom:
            return C1->Top() + C1->Height() >= C2->Top() + C2->Height();
        case alLeft:
            return C1->Left() < C2->Left();
        case alRight:
            return C1->Left() + C1->Width() >= C2->Left() + C2->Width();
        default:
            return false;
        }
    };
    auto doPosition = [&Rect](TControl *C, TAlign A) {
        int newWidth = Rect.Right - Rect.Left;
        if (newWidth < 0 || A == alLeft || A == alRight)
            newWidth = C->Width();
        int newHeight = Rect.Bottom - Rect.Top;
        if (newHeight < 0 || A == alTop || A == alBottom)
            newHeight = C->Height();
        int newLeft = Rect.Left, newTop = Rect.Top;
        switch (A) {
        case alTop:
            Rect.Top += newHeight;
            break;
        case alBottom:
            Rect.Bottom -= newHeight;
            newTop = Rect.Bottom;
            break;
        case alLeft:
            Rect.Left += newWidth;
            break;
        case alRight:
            Rect.Right -= newWidth;
            newLeft = Rect.Right;
            break;
        default:
            break;
        }
        C->SetBounds(newLeft, newTop, newWidth, newHeight);
        // A control that refused the size keeps its own; the rest follows it.
        if (C->Width() != newWidth || C->Height() != newHeight) {
            switch (A) {
            case alTop:
                Rect.Top -= newHeight - C->Height();
                break;
            case alBottom:
                Rect.Bottom += newHeight - C->Height();
                break;
            case alLeft:
                Rect.Left -= newWidth - C->Width();
                break;
            case alRight:
                Rect.Right += newWidth - C->Width();
                break;
            case alClient:
                Rect.Right += newWidth - C->Width();
                Rect.Bottom += newHeight - C->Height();
                break;
            default:
                break;
            }
        }
    };
    std::vector<TControl *> list;
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
        list.clear();
        if (AControl && AControl->Visible() && AControl->FAlign == a && AControl->Parent() == this)
            list.push_back(AControl);
        for (TControl *c : FControls) {
            if (c->FAlign != a || !c->Visible() || c == AControl)
                continue;
            size_t j = 0;
            while (j < list.size() && !insertBefore(c, list[j], a))
                ++j;
            list.insert(list.begin() + long(j), c);
        }
        for (TControl *c : list)
            doPosition(c, a);
    }
    // Unaligned controls follow their anchors within what is left.
    TRect client = ClientRect();
    AdjustClientRect(client);
    for (TControl *c : std::vector<TControl *>(FControls))
        if (c->FAlign == alNone && c != AControl)
            c->AnchorBounds(client.Width(), client.Height());
}

void TWinControl::Resize()
{
    Realign();
    TControl::Resize();
}

void TWinControl::ApplyColor()
{
    TControl::ApplyColor();
}

void TWinControl::ColorChanged()
{
    for (TControl *c : FControls)
        c->ParentColorChanged();
}

void TWinControl::FontChanged()
{
    for (TControl *c : FControls)
        c->ParentFontChanged();
}

void TWinControl::Perform(unsigned Msg, int WParam, int)
{
    auto *area = qobject_cast<QAbstractScrollArea *>(Widget());
    if (!area || (Msg != WM_VSCROLL && Msg != WM_HSCROLL))
        return;
    QScrollBar *bar = Msg == WM_VSCROLL ? area->verticalScrollBar() : area->horizontalScrollBar();
    switch (WParam) {
    case SB_LINEUP:
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case SB_LINEDOWN:
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case SB_PAGEUP:
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case SB_PAGEDOWN:
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case SB_TOP:
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case SB_BOTTOM:
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    default:
        break;
    }
}

void TWinControl::KeyDown(Word &Key, TShiftState Shift)
{
    if (FOnKeyDown)
        FOnKeyDown(this, Key, Shift);
}

void TWinControl::KeyPress(QChar &Key)
{
    if (FOnKeyPress)
        FOnKeyPress(this, Key);
}

void TWinControl::KeyUp(Word &Key, TShiftState Shift)
{
    if (FOnKeyUp)
        FOnKeyUp(this, Key, Shift);
}

void TWinControl::DoEnter()
{
    if (FOnEnter)
        FOnEnter(this);
}

void TWinControl::DoExit()
{
    if (FOnExit)
        FOnExit(this);
}

bool TWinControl::DialogKey(Word Key, TShiftState Shift)
{
    for (size_t i = 0; i < FControls.size(); ++i)
        if (FControls[i]->Visible() && FControls[i]->DialogKey(Key, Shift))
            return true;
    return false;
}

bool TWinControl::DialogChar(QChar Key, TShiftState Shift)
{
    for (size_t i = 0; i < FControls.size(); ++i)
        if (FControls[i]->Visible() && FControls[i]->Enabled() && FControls[i]->DialogChar(Key, Shift))
            return true;
    return false;
}

void TWinControl::FocusChanged(TWinControl *Focused)
{
    for (size_t i = 0; i < FControls.size(); ++i)
        FControls[i]->FocusChanged(Focused);
}

bool TWinControl::HostEvent(QEvent *Event)
{
    return TControl::HostEvent(Event);
}

// --- TGraphicControl / TCustomControl ------------------------------------------

TControlCanvas *TControl::InitSelfPainted()
{
    auto *canvas = new TControlCanvas;
    canvas->SetControl(this);
    auto *w = new TWidgetHost<QWidget>();
    InitWidget(w, w);
    SetPaintsItself(true);
    return canvas;
}

bool TControl::PaintOwnWidget(TControlCanvas *Canvas)
{
    QWidget *w = Widget();
    if (!w)
        return false;
    QPainter p(w);
    PaintWith(p, Canvas);
    return true;
}

TGraphicControl::TGraphicControl(TComponent *AOwner) : TControl(AOwner), FCanvas(InitSelfPainted()) {}

TGraphicControl::~TGraphicControl()
{
    delete FCanvas;
}

bool TGraphicControl::HostPaint(QPaintEvent *)
{
    return PaintOwnWidget(FCanvas);
}

TCustomControl::TCustomControl(TComponent *AOwner) : TWinControl(AOwner), FCanvas(InitSelfPainted()) {}

TCustomControl::~TCustomControl()
{
    delete FCanvas;
}

bool TCustomControl::HostPaint(QPaintEvent *)
{
    return PaintOwnWidget(FCanvas);
}

namespace {

struct TCursorName
{
    int Value;
    const char *Name;
};

const TCursorName CursorNames[] = {
    {crDefault, "crDefault"},     {crArrow, "crArrow"},         {crCross, "crCross"},       {crIBeam, "crIBeam"},
    {crSizeNESW, "crSizeNESW"},   {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"}, {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},         {crNoDrop, "crNoDrop"},
    {crHSplit, "crHSplit"},       {crVSplit, "crVSplit"},       {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},
    {crNo, "crNo"},               {crAppStart, "crAppStart"},   {crHelp, "crHelp"},         {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},     {crNone, "crNone"}};

} // namespace

bool CursorToIdent(int Cursor, QString &Ident)
{
    for (const TCursorName &c : CursorNames)
        if (c.Value == Cursor) {
            Ident = QString::fromLatin1(c.Name);
            return true;
        }
    return false;
}

bool IdentToCursor(const QString &Ident, int &Cursor)
{
    for (const TCursorName &c : CursorNames)
        if (Ident.compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0) {
            Cursor = c.Value;
            return true;
        }
    // The older name of crSizeAll.
    if (Ident.compare(QLatin1String("crSize"), Qt::CaseInsensitive) == 0) {
        Cursor = crSize;
        return true;
    }
    return false;
}

QString CursorToString(TCursor Cursor)
{
    QString s;
    return CursorToIdent(Cursor, s) ? s : QString::number(Cursor);
}

TCursor StringToCursor(const QString &S)
{
    int c = 0;
    if (IdentToCursor(S, c))
        return c;
    bool ok = false;
    c = S.trimmed().toInt(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(S));
    return c;
}

void GetCursorValues(const std::function<void(const QString &)> &Proc)
{
    for (const TCursorName &c : CursorNames)
        Proc(QString::fromLatin1(c.Name));
}
