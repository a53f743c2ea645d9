// The flat combo box, the scroll window and the tool-bar panel.
#include "report/preview/qdzCtrls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>

STATION_PUBLISHED(TqdzCustomComboBox) {}
STATION_PUBLISHED(TqdzComboBox)
{
    P.Prop("ListWidth", &TqdzComboBox::ListWidth, &TqdzComboBox::SetListWidth).Default(0);
    P.Prop("ReadOnly", &TqdzComboBox::ReadOnly, &TqdzComboBox::SetReadOnly).Default(false);
}
STATION_PUBLISHED(TqdzScrollWin) {}
STATION_PUBLISHED(TqdzTBPanel) {}

TColor qdzBlendColor(TColor A, TColor B, int P)
{
    const TColor a = ColorToRGB(A), b = ColorToRGB(B);
    const int base = P < 100 ? 100 : 1000;
    const int half = base / 2;
    auto mix = [&](int ca, int cb) { return (cb * (base - P) + ca * P + half) / base; };
    return TColor(mix(GetRValue(a), GetRValue(b)) | (mix(GetGValue(a), GetGValue(b)) << 8)
                  | (mix(GetBValue(a), GetBValue(b)) << 16));
}

// ---------------------------------------------------------- TqdzCustomComboBox

namespace {

// Lets the combo box paint as usual and then draws the flat frame and
// button over it; places the list as it opens.
class TFlatPainter : public QObject
{
public:
    TFlatPainter(TqdzCustomComboBox *Combo, QObject *Parent) : QObject(Parent), FCombo(Combo) {}
    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        if (Event->type() == QEvent::Paint && !FInPaint) {
            auto *w = static_cast<QWidget *>(Watched);
            FInPaint = true;
            QCoreApplication::sendEvent(w, Event);
            FInPaint = false;
            QPainter p(w);
            FCombo->PaintFlat(p);
            return true;
        }
        return QObject::eventFilter(Watched, Event);
    }

private:
    TqdzCustomComboBox *FCombo;
    bool FInPaint = false;
};

QColor Q(TColor C)
{
    return ColorToQColor(C);
}

} // namespace

TqdzCustomComboBox::TqdzCustomComboBox(TComponent *AOwner) : TCustomComboBox(AOwner)
{
    SetStyle(csDropDown);
    SetWidth(100);
    if (QComboBox *c = ComboWidget()) {
        FPainter = new TFlatPainter(this, c);
        c->installEventFilter(FPainter);
        c->setFrame(false);
    }
    SetItemHeight(QFontMetrics(FontToQFont(Font())).height());
    SetOnDropDown(TNotifyEvent(this, &TqdzCustomComboBox::PlaceListEvent));
}

TqdzCustomComboBox::~TqdzCustomComboBox() = default;

void TqdzCustomComboBox::PlaceListEvent(TObject *)
{
    PlaceList();
}

void TqdzCustomComboBox::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    if (QComboBox *c = ComboWidget())
        if (QLineEdit *e = c->lineEdit())
            e->setReadOnly(Value);
}

int TqdzCustomComboBox::ListHeight() const
{
    const int n = std::min(DropDownCount(), Items()->Count());
    return n > 0 ? ItemHeight() * n + 2 : ItemHeight() + 2;
}

int TqdzCustomComboBox::ListRectWidth() const
{
    return FListWidth > 0 ? FListWidth : Width();
}

void TqdzCustomComboBox::PlaceList()
{
    FListUpwards = false;
    QComboBox *c = ComboWidget();
    if (!c)
        return;
    const TPoint below = ClientToScreen(Point(0, Height()));
    if (QScreen *s = QGuiApplication::screenAt(QPoint(below.X, below.Y)))
        FListUpwards = below.Y + ListHeight() > s->availableGeometry().bottom();
    if (QAbstractItemView *v = c->view())
        if (QWidget *popup = v->window(); popup && popup != c->window())
            popup->resize(ListRectWidth(), ListHeight());
}

void TqdzCustomComboBox::PaintFlat(QPainter &P)
{
    const int w = Width(), h = Height();
    const bool dropped = DroppedDown();
    const bool hot = FMouseInControl || Focused() || (ComboWidget() && ComboWidget()->hasFocus());
    P.setRenderHint(QPainter::Antialiasing, false);
    // One-pixel frame in the window colour inside the window rectangle.
    P.setPen(Q(Enabled() ? clWindow : clBtnFace));
    P.setBrush(Qt::NoBrush);
    P.drawRect(1, 1, w - ButtonWidth - 3, h - 3);
    P.setPen(Q(hot || dropped ? clHighlight : clBtnShadow));
    P.drawRect(0, 0, w - 1, h - 1);
    // The button.
    const QRect b(w - ButtonWidth - 1, 1, ButtonWidth, h - 2);
    TColor fill = clBtnFace, sep = clWindow, arrow = clBtnText;
    if (!Enabled()) {
        arrow = clGrayText;
    } else if (dropped) {
        fill = qdzBlendColor(clHighlight, clWindow, 50);
        sep = clHighlight;
        arrow = clHighlightText;
    } else if (hot) {
        fill = qdzBlendColor(clHighlight, clWindow, 30);
        sep = clHighlight;
    }
    P.fillRect(b, Q(fill));
    P.setPen(Q(sep));
    P.drawLine(b.left(), b.top(), b.left(), b.bottom());
    // Three lines of 5, 3 and 1 pixels.
    P.setPen(Q(arrow));
    const int cx = b.left() + (b.width() - 5) / 2 + 1, cy = b.top() + (b.height() - 3) / 2;
    for (int i = 0; i < 3; ++i)
        P.drawLine(cx + i, cy + i, cx + 4 - i, cy + i);
}

void TqdzCustomComboBox::MouseEnter()
{
    TCustomComboBox::MouseEnter();
    FMouseInControl = true;
    Invalidate();
}

void TqdzCustomComboBox::MouseLeave()
{
    TCustomComboBox::MouseLeave();
    FMouseInControl = false;
    Invalidate();
}

void TqdzCustomComboBox::FontChanged()
{
    TCustomComboBox::FontChanged();
    SetItemHeight(QFontMetrics(FontToQFont(Font())).height());
}

// --------------------------------------------------------------- TqdzScrollWin

namespace {

// The classic desktop look of the bars, which flat scroll bars keep unless
// told otherwise; it also paints without the gradients that made every
// change of range or position cost milliseconds. One style for all bars,
// freed with the application.
QStyle *ClassicBarStyle()
{
    static QPointer<QStyle> style;
    if (!style && QCoreApplication::instance()) {
        style = QStyleFactory::create(QStringLiteral("Windows"));
        if (style)
            style->setParent(QCoreApplication::instance());
    }
    return style;
}

} // namespace

TqdzScrollWin::TqdzScrollWin(TComponent *AOwner) : TCustomControl(AOwner)
{
    FHorzBar = new QScrollBar(Qt::Horizontal, Widget());
    FVertBar = new QScrollBar(Qt::Vertical, Widget());
    QStyle *classic = ClassicBarStyle();
    for (QScrollBar *b : {FHorzBar, FVertBar}) {
        if (classic)
            b->setStyle(classic);
        b->setRange(0, 0);
        b->setEnabled(false);
        b->setFocusPolicy(Qt::NoFocus);
        const bool horz = b == FHorzBar;
        QObject::connect(b, &QScrollBar::valueChanged, b, [this, horz](int V) {
            if (FUpdating)
                return;
            Guard([&] {
                if (horz)
                    SetHorzPosition(V);
                else
                    SetVertPosition(V);
            });
        });
    }
    if (Widget())
        Widget()->setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    PlaceBars();
}

TqdzScrollWin::~TqdzScrollWin() = default;

int TqdzScrollWin::ScrollBarSize() const
{
    return FVertBar ? FVertBar->sizeHint().width() : 16;
}

TRect TqdzScrollWin::ClientRect() const
{
    const int s = FVertBar ? ScrollBarSize() : 0;
    const int b = FBorderStyle == bsSingle ? 2 : 0;
    return Rect(0, 0, std::max(0, Width() - s - 2 * b), std::max(0, Height() - s - 2 * b));
}

void TqdzScrollWin::PlaceBars()
{
    if (!FHorzBar || !FVertBar)
        return;
    const int s = ScrollBarSize();
    const int b = FBorderStyle == bsSingle ? 2 : 0;
    FVertBar->setGeometry(Width() - s - b, b, s, std::max(0, Height() - s - 2 * b));
    FHorzBar->setGeometry(b, Height() - s - b, std::max(0, Width() - s - 2 * b), s);
}

void TqdzScrollWin::Resize()
{
    PlaceBars();
    TCustomControl::Resize();
}

void TqdzScrollWin::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    PlaceBars();
    Invalidate();
}

void TqdzScrollWin::UpdateBar(bool Horz)
{
    QScrollBar *b = Horz ? FHorzBar : FVertBar;
    const int range = Horz ? FHorzRange : FVertRange;
    const int page = Horz ? FHorzPage : FVertPage;
    const int pos = Horz ? FHorzPosition : FVertPosition;
    FUpdating = true;
    // A page larger than the range disables the bar.
    b->setRange(0, std::max(0, range - page));
    b->setPageStep(std::max(1, page));
    b->setSingleStep(std::max(1, FSmallChange));
    b->setValue(pos);
    b->setEnabled(page < range);
    FUpdating = false;
}

void TqdzScrollWin::SetHorzRange(int Value)
{
    FHorzRange = Value;
    UpdateBar(true);
    SetHorzPosition(FHorzPosition);
}

void TqdzScrollWin::SetHorzPage(int Value)
{
    FHorzPage = Value;
    UpdateBar(true);
    SetHorzPosition(FHorzPosition);
}

void TqdzScrollWin::SetVertRange(int Value)
{
    FVertRange = Value;
    UpdateBar(false);
    SetVertPosition(FVertPosition);
}

void TqdzScrollWin::SetVertPage(int Value)
{
    FVertPage = Value;
    UpdateBar(false);
    SetVertPosition(FVertPosition);
}

void TqdzScrollWin::SetHorzPosition(int Value)
{
    // Also when the range is below the page: never a negative position.
    Value = std::max(0, std::min(Value, FHorzRange - FHorzPage));
    if (Value == FHorzPosition)
        return;
    FHorzPosition = Value;
    UpdateBar(true);
    OnHScrollChange();
}

void TqdzScrollWin::SetVertPosition(int Value)
{
    Value = std::max(0, std::min(Value, FVertRange - FVertPage));
    if (Value == FVertPosition)
        return;
    FVertPosition = Value;
    UpdateBar(false);
    OnVScrollChange();
}

void TqdzScrollWin::Perform(unsigned Msg, int WParam, int LParam)
{
    if (Msg != WM_VSCROLL && Msg != WM_HSCROLL) {
        TCustomControl::Perform(Msg, WParam, LParam);
        return;
    }
    const bool horz = Msg == WM_HSCROLL;
    const int pos = horz ? FHorzPosition : FVertPosition;
    const int range = horz ? FHorzRange : FVertRange;
    int np = pos;
    switch (WParam) {
    case SB_LINEUP:
        np = pos - FSmallChange;
        break;
    case SB_LINEDOWN:
        np = pos + FSmallChange;
        break;
    case SB_PAGEUP:
        np = pos - FLargeChange;
        break;
    case SB_PAGEDOWN:
        np = pos + FLargeChange;
        break;
    case SB_TOP:
        np = 0;
        break;
    case SB_BOTTOM:
        np = range;
        break;
    default:
        return;
    }
    if (horz)
        SetHorzPosition(np);
    else
        SetVertPosition(np);
}

void TqdzScrollWin::Paint()
{
    Canvas()->Brush()->SetColor(Color());
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->FillRect(ClientRect());
}

// ----------------------------------------------------------------- TqdzTBPanel

TqdzTBPanel::TqdzTBPanel(TComponent *AOwner) : TCustomPanel(AOwner)
{
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
    SetWidth(8);
    SetHeight(8);
    SetAlign(alLeft);
    SetColor(clBtnFace);
}

void TqdzTBPanel::SetParent(TWinControl *AParent)
{
    TCustomPanel::SetParent(AParent);
    auto *panel = dynamic_cast<TPanel *>(AParent);
    if (panel && (panel->Align() == alLeft || panel->Align() == alRight))
        SetAlign(alTop);
    else
        SetAlign(alLeft);
}

void TqdzTBPanel::Paint()
{
    Canvas()->Brush()->SetColor(clBtnFace);
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->FillRect(ClientRect());
}
