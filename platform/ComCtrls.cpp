// Implementation of the common controls.
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Language.h"
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>
#include <functional>

namespace {

QIcon ImageListIcon(TCustomImageList *Images, int Index)
{
    if (!Images || Index < 0 || Index >= Images->Count())
        return QIcon();
    return QIcon(QPixmap::fromImage(Images->GetImage(Index)));
}

} // namespace

// --- TTabSheet -----------------------------------------------------------------

STATION_PUBLISHED(TTabSheet)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Prop("Caption", &TTabSheet::Caption, &TTabSheet::SetCaption);
    P.Prop("Highlighted", &TTabSheet::Highlighted, &TTabSheet::SetHighlighted).Default(false);
    P.Prop("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex).Default(-1);
    P.Prop("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl);
    P.Prop("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex);
    P.Prop("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible).Default(true);
}

TTabSheet::TTabSheet(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TWidgetHost<QWidget>();
    InitWidget(w, w);
    FColor = clBtnFace;
    FParentColor = false;
    ApplyColor();
    // A sheet is shown by its page control.
    FVisible = true;
}

TTabSheet::~TTabSheet()
{
    SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl *Value)
{
    SetParent(Value);
}

void TTabSheet::SetParent(TWinControl *AParent)
{
    if (AParent && !dynamic_cast<TPageControl *>(AParent))
        throw EInvalidOperation(QStringLiteral("A tab sheet goes on a page control"));
    TWinControl::SetParent(AParent);
}

void TTabSheet::SetTextValue(const QString &Value)
{
    FText = Value;
    if (FPageControl)
        FPageControl->UpdateTab(this);
}

void TTabSheet::UpdateWidgetVisibility()
{
    // The page control's tab widget shows the current page only.
}

void TTabSheet::SetTabVisible(bool Value)
{
    if (FTabVisible == Value)
        return;
    FTabVisible = Value;
    if (FPageControl)
        FPageControl->UpdateTab(this);
}

void TTabSheet::SetHighlighted(bool Value)
{
    FHighlighted = Value;
    if (FPageControl)
        FPageControl->UpdateTab(this);
}

int TTabSheet::PageIndex() const
{
    if (!FPageControl)
        return -1;
    const auto &v = FPageControl->FPages;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : int(it - v.begin());
}

void TTabSheet::SetPageIndex(int Value)
{
    if (!FPageControl)
        return;
    auto &v = FPageControl->FPages;
    const int from = PageIndex();
    const int to = std::clamp(Value, 0, int(v.size()) - 1);
    if (from < 0 || from == to)
        return;
    v.erase(v.begin() + from);
    v.insert(v.begin() + to, this);
    ++FPageControl->FSettingPage;
    FPageControl->FTabs->tabBar()->moveTab(from, to);
    --FPageControl->FSettingPage;
}

int TTabSheet::TabIndex() const
{
    if (!FPageControl || !FTabVisible)
        return -1;
    int n = 0;
    for (TTabSheet *s : FPageControl->FPages) {
        if (s == this)
            return n;
        if (s->FTabVisible)
            ++n;
    }
    return -1;
}

// --- TPageControl ----------------------------------------------------------------

STATION_PUBLISHED(TPageControl)
{
    P.Republish("TabStop").Default(true);
    P.Prop("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
    P.Prop("Images", &TPageControl::Images, &TPageControl::SetImages);
    P.Prop("OnChange", &TPageControl::OnChange, &TPageControl::SetOnChange);
}

TPageControl::TPageControl(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TWidgetHost<QTabWidget>();
    FTabs = w;
    InitWidget(w, w);
    SetTabStop(true);
    FColor = clBtnFace;
    ApplyColor();
    SetBounds(0, 0, 289, 193);
    // The user picked another tab.
    QObject::connect(w, &QTabWidget::currentChanged, w, [this](int) {
        if (!FSettingPage)
            Guard([this] { Change(); });
    });
}

TPageControl::~TPageControl()
{
    // The sheets go first, while the tab widget still knows them.
    while (!FPages.empty())
        delete FPages.back();
}

TTabSheet *TPageControl::Pages(int Index) const
{
    if (Index < 0 || Index >= PageCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FPages[size_t(Index)];
}

TTabSheet *TPageControl::ActivePage() const
{
    return dynamic_cast<TTabSheet *>(FindControl(FTabs->currentWidget()));
}

void TPageControl::SetActivePage(TTabSheet *Value)
{
    if (Value && Value->FPageControl != this)
        return;
    ++FSettingPage;
    if (Value)
        FTabs->setCurrentWidget(Value->Widget());
    else
        FTabs->setCurrentIndex(-1);
    --FSettingPage;
}

int TPageControl::ActivePageIndex() const
{
    TTabSheet *s = ActivePage();
    return s ? s->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int Value)
{
    SetActivePage(Value >= 0 && Value < PageCount() ? FPages[size_t(Value)] : nullptr);
}

TTabSheet *TPageControl::FindNextPage(TTabSheet *CurPage, bool GoForward, bool CheckTabVisible) const
{
    const int n = PageCount();
    if (n == 0)
        return nullptr;
    int start = CurPage ? CurPage->PageIndex() : -1;
    if (start < 0)
        start = GoForward ? n - 1 : 0;
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = GoForward ? (i + 1) % n : (i + n - 1) % n;
        if (!CheckTabVisible || FPages[size_t(i)]->TabVisible())
            return FPages[size_t(i)];
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward, bool CheckTabVisible)
{
    TTabSheet *next = FindNextPage(ActivePage(), GoForward, CheckTabVisible);
    if (next && next != ActivePage()) {
        SetActivePage(next);
        Change();
    }
}

void TPageControl::Change()
{
    if (FOnChange)
        FOnChange(this);
}

void TPageControl::InsertControl(TControl *AControl)
{
    auto *sheet = dynamic_cast<TTabSheet *>(AControl);
    if (!sheet) {
        TWinControl::InsertControl(AControl);
        return;
    }
    ++FSettingPage;
    const bool first = FPages.empty();
    TWinControl::InsertControl(AControl);
    sheet->FPageControl = this;
    FPages.push_back(sheet);
    FTabs->addTab(sheet->Widget(), sheet->Caption());
    UpdateTab(sheet);
    if (!first && ActivePage() != sheet)
        FTabs->setCurrentWidget(ActivePage() ? ActivePage()->Widget() : sheet->Widget());
    --FSettingPage;
}

void TPageControl::RemoveControl(TControl *AControl)
{
    if (auto *sheet = dynamic_cast<TTabSheet *>(AControl)) {
        ++FSettingPage;
        const int i = FTabs->indexOf(sheet->Widget());
        if (i >= 0)
            FTabs->removeTab(i);
        FPages.erase(std::remove(FPages.begin(), FPages.end(), sheet), FPages.end());
        sheet->FPageControl = nullptr;
        --FSettingPage;
    }
    TWinControl::RemoveControl(AControl);
}

void TPageControl::UpdateTab(TTabSheet *Sheet)
{
    const int i = FTabs->indexOf(Sheet->Widget());
    if (i < 0)
        return;
    ++FSettingPage;
    FTabs->setTabText(i, Sheet->Caption());
    FTabs->setTabIcon(i, ImageListIcon(FImages, Sheet->ImageIndex()));
    const bool wasCurrent = FTabs->currentIndex() == i;
    FTabs->setTabVisible(i, Sheet->TabVisible());
    // A hidden tab's page stays out of sight, also when it was the active one.
    if (!Sheet->TabVisible() && wasCurrent)
        if (TTabSheet *next = FindNextPage(Sheet, true, true))
            FTabs->setCurrentWidget(next->Widget());
    FTabs->tabBar()->setTabTextColor(i, Sheet->Highlighted() ? ColorToQColor(clHighlight) : QColor());
    --FSettingPage;
}

// --- TToolButton ---------------------------------------------------------------

STATION_PUBLISHED(TToolButton)
{
    P.Prop("AllowAllUp", &TToolButton::AllowAllUp, &TToolButton::SetAllowAllUp).Default(false);
    P.Prop("Caption", &TToolButton::Caption, &TToolButton::SetCaption);
    P.Prop("Down", &TToolButton::Down, &TToolButton::SetDown).Default(false);
    P.Prop("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu);
    P.Prop("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped).Default(false);
    P.Prop("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex).Default(-1);
    P.Prop("Style", &TToolButton::Style, &TToolButton::SetStyle).Default(tbsButton);
}

TToolButton::TToolButton(TComponent *AOwner) : TControl(AOwner)
{
    auto *w = new TWidgetHost<QToolButton>();
    FButton = w;
    InitWidget(w, w);
    w->setFocusPolicy(Qt::NoFocus);
    SetClickEvents(false);
    SetDoubleClicks(false);
    FColor = clBtnFace;
    FParentColor = true;
    ApplyColor();
    SetBounds(0, 0, 23, 22);
    QObject::connect(w, &QToolButton::clicked, w, [this] { Guard([this] { Click(); }); });
}

TToolBar *TToolButton::ToolBar() const
{
    return dynamic_cast<TToolBar *>(Parent());
}

int TToolButton::Index() const
{
    TToolBar *bar = ToolBar();
    if (!bar)
        return -1;
    for (int i = 0; i < bar->ButtonCount(); ++i)
        if (bar->Buttons(i) == this)
            return i;
    return -1;
}

void TToolButton::SetParent(TWinControl *AParent)
{
    TControl::SetParent(AParent);
    UpdateLook();
}

void TToolButton::SetTextValue(const QString &Value)
{
    FText = Value;
    UpdateLook();
}

void TToolButton::SetStyle(TToolButtonStyle Value)
{
    FStyle = Value;
    if (Value == tbsSeparator || Value == tbsDivider)
        SetWidth(8);
    UpdateLook();
}

void TToolButton::SetImageIndex(int Value)
{
    FImageIndex = Value;
    UpdateLook();
}

void TToolButton::SetDown(bool Value)
{
    if (FStyle != tbsCheck && Value)
        Value = false;
    if (FDown == Value)
        return;
    FDown = Value;
    // A grouped check button pushes the others of its group up.
    if (Value && FGrouped)
        if (TToolBar *bar = ToolBar()) {
            const int me = Index();
            for (int dir : {-1, 1})
                for (int i = me + dir; i >= 0 && i < bar->ButtonCount(); i += dir) {
                    TToolButton *b = bar->Buttons(i);
                    if (!b->FGrouped || b->FStyle != tbsCheck)
                        break;
                    b->FDown = false;
                    b->UpdateLook();
                }
        }
    UpdateLook();
}

void TToolButton::Click()
{
    if (FStyle == tbsCheck) {
        if (!FDown)
            SetDown(true);
        else if (!FGrouped || FAllowAllUp)
            SetDown(false);
        else
            UpdateLook();
    }
    if (FStyle == tbsDropDown && FDropdownMenu && !FOnClick) {
        const TPoint p = ClientToScreen(Point(0, Height()));
        FDropdownMenu->Popup(p.X, p.Y);
        return;
    }
    TControl::Click();
}

void TToolButton::UpdateLook()
{
    TToolBar *bar = ToolBar();
    const bool separator = FStyle == tbsSeparator || FStyle == tbsDivider;
    FButton->setEnabled(FEnabled && !separator);
    FButton->setAutoRaise(!bar || bar->Flat() || separator);
    FButton->setCheckable(FStyle == tbsCheck);
    FButton->setChecked(FDown);
    FButton->setText(separator ? QString() : FText);
    FButton->setIcon(separator || !bar ? QIcon() : ImageListIcon(bar->Images(), FImageIndex));
    if (bar && bar->Images())
        FButton->setIconSize(QSize(bar->Images()->Width(), bar->Images()->Height()));
    const bool captions = bar && bar->ShowCaptions();
    const bool icon = !FButton->icon().isNull();
    FButton->setToolButtonStyle(captions ? (icon ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonTextOnly)
                                         : (icon ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly));
    if (bar && !bar->FArranging)
        bar->ArrangeButtons();
}

// --- TToolBar ------------------------------------------------------------------

STATION_PUBLISHED(TToolBar)
{
    P.Republish("Align").Default(alTop);
    P.Republish("Color").Default(int(clBtnFace));
    P.Prop("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight).Default(22);
    P.Prop("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth).Default(23);
    P.Prop("Flat", &TToolBar::Flat, &TToolBar::SetFlat).Default(false);
    P.Prop("Images", &TToolBar::Images, &TToolBar::SetImages);
    P.Prop("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions).Default(false);
    P.Prop("Wrapable", &TToolBar::Wrapable, &TToolBar::SetWrapable).Default(true);
}

TToolBar::TToolBar(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TWidgetHost<QWidget>();
    InitWidget(w, w);
    FColor = clBtnFace;
    ApplyColor();
    SetBounds(0, 0, 150, 29);
    FAlign = alTop;
}

int TToolBar::ButtonCount() const
{
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (dynamic_cast<TToolButton *>(Controls(i)))
            ++n;
    return n;
}

TToolButton *TToolBar::Buttons(int Index) const
{
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto *b = dynamic_cast<TToolButton *>(Controls(i))) {
            if (n == Index)
                return b;
            ++n;
        }
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

void TToolBar::SetButtonWidth(int Value)
{
    FButtonWidth = Value;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int Value)
{
    FButtonHeight = Value;
    ArrangeButtons();
}

void TToolBar::SetShowCaptions(bool Value)
{
    FShowCaptions = Value;
    for (int i = 0; i < ButtonCount(); ++i)
        Buttons(i)->UpdateLook();
    ArrangeButtons();
}

void TToolBar::SetFlat(bool Value)
{
    FFlat = Value;
    for (int i = 0; i < ButtonCount(); ++i)
        Buttons(i)->UpdateLook();
}

void TToolBar::SetWrapable(bool Value)
{
    FWrapable = Value;
    ArrangeButtons();
}

void TToolBar::SetImages(TCustomImageList *Value)
{
    FImages = Value;
    for (int i = 0; i < ButtonCount(); ++i)
        Buttons(i)->UpdateLook();
    ArrangeButtons();
}

void TToolBar::InsertControl(TControl *AControl)
{
    TWinControl::InsertControl(AControl);
    ArrangeButtons();
}

void TToolBar::RemoveControl(TControl *AControl)
{
    TWinControl::RemoveControl(AControl);
    if (IsLiveControl(this))
        ArrangeButtons();
}

void TToolBar::Resize()
{
    TWinControl::Resize();
    ArrangeButtons();
}

void TToolBar::FontChanged()
{
    TWinControl::FontChanged();
    ArrangeButtons();
}

void TToolBar::ArrangeButtons()
{
    if (FArranging)
        return;
    FArranging = true;
    // With captions every button is as wide as the widest caption needs.
    int width = FButtonWidth, height = FButtonHeight;
    if (FShowCaptions) {
        const QFontMetrics fm(FontToQFont(Font()));
        for (int i = 0; i < ButtonCount(); ++i) {
            TToolButton *b = Buttons(i);
            if (b->Style() == tbsSeparator || b->Style() == tbsDivider)
                continue;
            QString text = b->Caption();
            text.remove(QLatin1Char('&'));
            width = std::max(width, fm.horizontalAdvance(text) + 8);
        }
        const int textH = fm.height() + 4;
        height = std::max(height, FImages ? FImages->Height() + textH + 2 : textH);
    }
    int x = 0, y = 0;
    const int limit = std::max(ClientWidth(), 1);
    for (int i = 0; i < ButtonCount(); ++i) {
        TToolButton *b = Buttons(i);
        if (!b->Visible())
            continue;
        const bool separator = b->Style() == tbsSeparator || b->Style() == tbsDivider;
        const int w = separator ? b->Width() : width;
        if (FWrapable && x > 0 && x + w > limit) {
            x = 0;
            y += height;
        }
        b->SetBounds(x, y, w, height);
        x += w;
    }
    FArranging = false;
}

// --- TStatusBar ----------------------------------------------------------------

STATION_PUBLISHED(TStatusPanel)
{
    P.Prop("Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment).Default(taLeftJustify);
    P.Prop("Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel).Default(pbLowered);
    P.Prop("Style", &TStatusPanel::Style, &TStatusPanel::SetStyle).Default(psText);
    P.Prop("Text", &TStatusPanel::Text, &TStatusPanel::SetText);
    P.Prop("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth);
}

TStatusPanel::TStatusPanel(TCollection *Collection) : TCollectionItem(Collection) {}

void TStatusPanel::Assign(TPersistent *Source)
{
    if (auto *p = dynamic_cast<TStatusPanel *>(Source)) {
        FText = p->FText;
        FWidth = p->FWidth;
        FAlignment = p->FAlignment;
        FBevel = p->FBevel;
        FStyle = p->FStyle;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(Source);
}

void TStatusPanel::SetText(const QString &Value)
{
    if (FText == Value)
        return;
    FText = Value;
    Changed(false);
}

void TStatusPanel::SetWidth(int Value)
{
    FWidth = Value;
    Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value)
{
    FBevel = Value;
    Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle Value)
{
    FStyle = Value;
    Changed(false);
}

STATION_PUBLISHED(TStatusPanels) {}

TStatusPanels::TStatusPanels(TStatusBar *StatusBar) : TCollection(TStatusPanel::StaticClass()), FStatusBar(StatusBar)
{
}

void TStatusPanels::Update(TCollectionItem *)
{
    if (FStatusBar)
        FStatusBar->Invalidate();
}

TPersistent *TStatusPanels::GetOwner() const
{
    return FStatusBar;
}

STATION_PUBLISHED(TStatusBar)
{
    P.Republish("Align").Default(alBottom);
    P.Republish("Color").Default(int(clBtnFace));
    P.Prop("Panels", &TStatusBar::Panels, &TStatusBar::SetPanels);
    P.Prop("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel).Default(false);
    P.Prop("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
}

TStatusBar::TStatusBar(TComponent *AOwner) : TCustomControl(AOwner), FPanels(new TStatusPanels(this))
{
    FColor = clBtnFace;
    ApplyColor();
    SetBounds(0, 0, 150, 19);
    FAlign = alBottom;
}

TStatusBar::~TStatusBar()
{
    delete FPanels;
}

void TStatusBar::SetPanels(TStatusPanels *Value)
{
    if (Value && Value != FPanels)
        FPanels->Assign(Value);
}

void TStatusBar::SetSimplePanel(bool Value)
{
    FSimplePanel = Value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const QString &Value)
{
    FSimpleText = Value;
    Invalidate();
}

TRect TStatusBar::PanelRect(int Index) const
{
    int x = 0;
    for (int i = 0; i < Index; ++i)
        x += FPanels->Items(i)->Width();
    const bool last = Index == FPanels->Count() - 1;
    const int right = last ? ClientWidth() : x + FPanels->Items(Index)->Width();
    return Rect(x, 2, std::min(right, ClientWidth()), ClientHeight());
}

void TStatusBar::Paint()
{
    TCanvas *c = Canvas();
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(ClientRect());
    c->Font()->Assign(Font());
    auto drawText = [c](TRect r, const QString &Text, TAlignment A) {
        InflateRect(r, -2, 0);
        unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        if (A == taCenter)
            flags |= DT_CENTER;
        else if (A == taRightJustify)
            flags |= DT_RIGHT;
        c->Brush()->SetStyle(bsClear);
        c->DrawText(Text, r, flags);
    };
    if (FSimplePanel || FPanels->Count() == 0) {
        TRect r = Rect(0, 2, ClientWidth(), ClientHeight());
        if (FSimplePanel)
            drawText(r, FSimpleText, taLeftJustify);
        return;
    }
    for (int i = 0; i < FPanels->Count(); ++i) {
        TStatusPanel *p = FPanels->Items(i);
        TRect r = PanelRect(i);
        if (r.Width() <= 0)
            continue;
        TRect frame = r;
        frame.Right -= 2;
        if (p->Bevel() == pbLowered)
            Frame3D(c, frame, clBtnShadow, clBtnHighlight, 1);
        else if (p->Bevel() == pbRaised)
            Frame3D(c, frame, clBtnHighlight, clBtnShadow, 1);
        if (p->Style() == psText)
            drawText(frame, p->Text(), p->Alignment());
    }
}

// --- TDateTimePicker -------------------------------------------------------------

QString DateTimeFormatToQt(const QString &Format)
{
    QString out;
    for (int i = 0; i < Format.size(); ++i) {
        const QChar c = Format[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            // Quoted text stays as it is.
            const int end = Format.indexOf(c, i + 1);
            const QString lit = Format.mid(i + 1, end < 0 ? -1 : end - i - 1);
            out += QLatin1Char('\'') + lit + QLatin1Char('\'');
            i = end < 0 ? int(Format.size()) : end;
            continue;
        }
        switch (c.toLower().unicode()) {
        case 'm':
            out += QLatin1Char('M');
            break;
        case 'n':
            out += QLatin1Char('m');
            break;
        case 'y':
        case 'd':
        case 'h':
        case 's':
            out += c.toLower();
            break;
        case 'z':
            out += QLatin1Char('z');
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

QDateTime DateTimeToQDateTime(TDateTime Value)
{
    const double days = std::floor(Value);
    const qint64 ms = qint64(std::llround((Value - days) * 86400000.0));
    return QDateTime(QDate(1899, 12, 30).addDays(qint64(days)), QTime(0, 0)).addMSecs(ms);
}

TDateTime QDateTimeToDateTime(const QDateTime &Value)
{
    const double days = double(QDate(1899, 12, 30).daysTo(Value.date()));
    return days + Value.time().msecsSinceStartOfDay() / 86400000.0;
}

STATION_PUBLISHED(TDateTimePicker)
{
    P.Republish("TabStop").Default(true);
    P.Prop("Date", &TDateTimePicker::Date, &TDateTimePicker::SetDate).Type(TypeInfoDateTime());
    P.Prop("DateFormat", &TDateTimePicker::DateFormat, &TDateTimePicker::SetDateFormat).Default(dfShort);
    P.Prop("Format", &TDateTimePicker::Format, &TDateTimePicker::SetFormat);
    P.Prop("Kind", &TDateTimePicker::Kind, &TDateTimePicker::SetKind).Default(dtkDate);
    P.Prop("MaxDate", &TDateTimePicker::MaxDate, &TDateTimePicker::SetMaxDate).Type(TypeInfoDateTime());
    P.Prop("MinDate", &TDateTimePicker::MinDate, &TDateTimePicker::SetMinDate).Type(TypeInfoDateTime());
    P.Prop("Time", &TDateTimePicker::Time, &TDateTimePicker::SetTime).Type(TypeInfoDateTime());
    P.Prop("OnChange", &TDateTimePicker::OnChange, &TDateTimePicker::SetOnChange);
}

TDateTimePicker::TDateTimePicker(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TWidgetHost<QDateTimeEdit>();
    FEdit = w;
    InitWidget(w, w);
    w->setCalendarPopup(true);
    // The calendar's month and day names in the program's language.
    if (ResourceChinese())
        w->setLocale(ResourceLanguage());
    w->setTimeSpec(Qt::LocalTime);
    ++FSetting;
    w->setMinimumDateTime(QDateTime(QDate(1752, 9, 14), QTime(0, 0)));
    w->setDateTime(DateTimeToQDateTime(Now()));
    --FSetting;
    SetTabStop(true);
    FColor = clWindow;
    ApplyColor();
    SetBounds(0, 0, 186, 21);
    UpdateFormat();
    QObject::connect(w, &QDateTimeEdit::dateTimeChanged, w, [this] {
        if (!FSetting)
            Guard([this] { Change(); });
    });
}

void TDateTimePicker::UpdateFormat()
{
    QString f = FFormat;
    if (f.isEmpty()) {
        if (FKind == dtkTime)
            f = FormatSettings.LongTimeFormat;
        else
            f = FDateFormat == dfLong ? FormatSettings.LongDateFormat : FormatSettings.ShortDateFormat;
    }
    ++FSetting;
    FEdit->setDisplayFormat(DateTimeFormatToQt(f));
    FEdit->setCalendarPopup(FKind == dtkDate);
    --FSetting;
}

TDateTime TDateTimePicker::DateTime() const
{
    return QDateTimeToDateTime(FEdit->dateTime());
}

void TDateTimePicker::SetDateTime(TDateTime Value)
{
    ++FSetting;
    FEdit->setDateTime(DateTimeToQDateTime(Value));
    --FSetting;
}

TDateTime TDateTimePicker::Date() const
{
    return std::floor(DateTime());
}

void TDateTimePicker::SetDate(TDateTime Value)
{
    SetDateTime(std::floor(Value) + Time());
}

TDateTime TDateTimePicker::Time() const
{
    const TDateTime v = DateTime();
    return v - std::floor(v);
}

void TDateTimePicker::SetTime(TDateTime Value)
{
    SetDateTime(Date() + (Value - std::floor(Value)));
}

void TDateTimePicker::SetKind(TDateTimeKind Value)
{
    FKind = Value;
    UpdateFormat();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat Value)
{
    FDateFormat = Value;
    UpdateFormat();
}

void TDateTimePicker::SetFormat(const QString &Value)
{
    FFormat = Value;
    UpdateFormat();
}

void TDateTimePicker::SetMinDate(TDateTime Value)
{
    FMinDate = Value;
    ++FSetting;
    if (Value != 0)
        FEdit->setMinimumDate(DateTimeToQDateTime(Value).date());
    --FSetting;
}

void TDateTimePicker::SetMaxDate(TDateTime Value)
{
    FMaxDate = Value;
    ++FSetting;
    if (Value != 0)
        FEdit->setMaximumDate(DateTimeToQDateTime(Value).date());
    --FSetting;
}

void TDateTimePicker::Change()
{
    if (FOnChange)
        FOnChange(this);
}

// --- TTreeNode -----------------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes *Owner, QTreeWidgetItem *Item) : FOwner(Owner), FItem(Item) {}

QString TTreeNode::Text() const
{
    return FItem->text(0);
}

void TTreeNode::SetText(const QString &Value)
{
    FItem->setText(0, Value);
}

TTreeNode *TTreeNode::Parent() const
{
    return FItem->parent() ? FOwner->NodeOf(FItem->parent()) : nullptr;
}

int TTreeNode::Count() const
{
    return FItem->childCount();
}

TTreeNode *TTreeNode::Item(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FOwner->NodeOf(FItem->child(Index));
}

int TTreeNode::Index() const
{
    if (QTreeWidgetItem *p = FItem->parent())
        return p->indexOfChild(FItem);
    return FOwner->Owner()->TreeWidget()->indexOfTopLevelItem(FItem);
}

int TTreeNode::Level() const
{
    int n = 0;
    for (QTreeWidgetItem *p = FItem->parent(); p; p = p->parent())
        ++n;
    return n;
}

int TTreeNode::AbsoluteIndex() const
{
    int i = 0;
    for (TTreeNode *n = FOwner->GetFirstNode(); n; n = n->GetNext(), ++i)
        if (n == this)
            return i;
    return -1;
}

bool TTreeNode::Expanded() const
{
    return FItem->isExpanded();
}

void TTreeNode::SetExpanded(bool Value)
{
    if (Value)
        Expand(false);
    else
        Collapse(false);
}

void TTreeNode::Expand(bool Recurse)
{
    if (Count() > 0 && !FItem->isExpanded())
        FItem->setExpanded(true);
    if (Recurse)
        for (int i = 0; i < Count(); ++i)
            Item(i)->Expand(true);
}

void TTreeNode::Collapse(bool Recurse)
{
    if (FItem->isExpanded())
        FItem->setExpanded(false);
    if (Recurse)
        for (int i = 0; i < Count(); ++i)
            Item(i)->Collapse(true);
}

bool TTreeNode::Selected() const
{
    return FOwner->Owner()->TreeWidget()->currentItem() == FItem;
}

void TTreeNode::SetSelected(bool Value)
{
    TCustomTreeView *tv = FOwner->Owner();
    if (Value)
        tv->SetSelected(this);
    else if (Selected())
        tv->SetSelected(nullptr);
}

void TTreeNode::SetImageIndex(int Value)
{
    FImageIndex = Value;
    FItem->setIcon(0, ImageListIcon(FOwner->Owner()->Images(), Value));
}

TTreeNode *TTreeNode::GetNextSibling() const
{
    const int i = Index();
    if (QTreeWidgetItem *p = FItem->parent())
        return i + 1 < p->childCount() ? FOwner->NodeOf(p->child(i + 1)) : nullptr;
    QTreeWidget *t = FOwner->Owner()->TreeWidget();
    return i + 1 < t->topLevelItemCount() ? FOwner->NodeOf(t->topLevelItem(i + 1)) : nullptr;
}

TTreeNode *TTreeNode::GetPrevSibling() const
{
    const int i = Index();
    if (i <= 0)
        return nullptr;
    if (QTreeWidgetItem *p = FItem->parent())
        return FOwner->NodeOf(p->child(i - 1));
    return FOwner->NodeOf(FOwner->Owner()->TreeWidget()->topLevelItem(i - 1));
}

TTreeNode *TTreeNode::GetNext() const
{
    if (Count() > 0)
        return Item(0);
    for (const TTreeNode *n = this; n; n = n->Parent())
        if (TTreeNode *s = n->GetNextSibling())
            return s;
    return nullptr;
}

void TTreeNode::MakeVisible()
{
    for (QTreeWidgetItem *p = FItem->parent(); p; p = p->parent())
        p->setExpanded(true);
    FOwner->Owner()->TreeWidget()->scrollToItem(FItem);
}

void TTreeNode::Delete()
{
    FOwner->Delete(this);
}

void TTreeNode::DeleteChildren()
{
    while (Count() > 0)
        FOwner->Delete(Item(Count() - 1));
}

// --- TTreeNodes ----------------------------------------------------------------

TTreeNodes::TTreeNodes(TCustomTreeView *Owner) : FOwner(Owner) {}

TTreeNodes::~TTreeNodes() = default;

TTreeNode *TTreeNodes::NodeOf(QTreeWidgetItem *Item) const
{
    auto it = FNodes.find(Item);
    return it == FNodes.end() ? nullptr : it->second.get();
}

TTreeNode *TTreeNodes::InsertAt(QTreeWidgetItem *Parent, int Index, const QString &S, void *Ptr)
{
    auto *item = new QTreeWidgetItem(QStringList{S});
    QTreeWidget *t = FOwner->TreeWidget();
    ++FOwner->FSetting;
    if (Parent)
        Parent->insertChild(Index, item);
    else
        t->insertTopLevelItem(Index, item);
    --FOwner->FSetting;
    auto node = std::make_unique<TTreeNode>(this, item);
    node->SetData(Ptr);
    TTreeNode *raw = node.get();
    FNodes[item] = std::move(node);
    return raw;
}

TTreeNode *TTreeNodes::Add(TTreeNode *Sibling, const QString &S)
{
    return AddObject(Sibling, S, nullptr);
}

TTreeNode *TTreeNodes::AddObject(TTreeNode *Sibling, const QString &S, void *Ptr)
{
    QTreeWidgetItem *parent = Sibling ? Sibling->ItemWidget()->parent() : nullptr;
    const int n = parent ? parent->childCount() : FOwner->TreeWidget()->topLevelItemCount();
    return InsertAt(parent, n, S, Ptr);
}

TTreeNode *TTreeNodes::AddFirst(TTreeNode *Sibling, const QString &S)
{
    return InsertAt(Sibling ? Sibling->ItemWidget()->parent() : nullptr, 0, S, nullptr);
}

TTreeNode *TTreeNodes::AddChild(TTreeNode *Parent, const QString &S)
{
    return AddChildObject(Parent, S, nullptr);
}

TTreeNode *TTreeNodes::AddChildObject(TTreeNode *Parent, const QString &S, void *Ptr)
{
    if (!Parent)
        return AddObject(nullptr, S, Ptr);
    return InsertAt(Parent->ItemWidget(), Parent->Count(), S, Ptr);
}

TTreeNode *TTreeNodes::AddChildFirst(TTreeNode *Parent, const QString &S)
{
    return InsertAt(Parent ? Parent->ItemWidget() : nullptr, 0, S, nullptr);
}

TTreeNode *TTreeNodes::Insert(TTreeNode *Sibling, const QString &S)
{
    if (!Sibling)
        return Add(nullptr, S);
    return InsertAt(Sibling->ItemWidget()->parent(), Sibling->Index(), S, nullptr);
}

void TTreeNodes::Forget(QTreeWidgetItem *Item)
{
    for (int i = 0; i < Item->childCount(); ++i)
        Forget(Item->child(i));
    if (FOwner->FPrevious == Item)
        FOwner->FPrevious = nullptr;
    FNodes.erase(Item);
}

void TTreeNodes::Delete(TTreeNode *Node)
{
    if (!Node)
        return;
    QTreeWidgetItem *item = Node->ItemWidget();
    const bool wasSelected = FOwner->TreeWidget()->currentItem() == item
                             || (FOwner->TreeWidget()->currentItem()
                                 && [&] {
                                        for (QTreeWidgetItem *p = FOwner->TreeWidget()->currentItem(); p; p = p->parent())
                                            if (p == item)
                                                return true;
                                        return false;
                                    }());
    ++FOwner->FSetting;
    if (wasSelected)
        FOwner->TreeWidget()->setCurrentItem(nullptr);
    Forget(item);
    delete item;
    --FOwner->FSetting;
}

void TTreeNodes::Clear()
{
    ++FOwner->FSetting;
    FOwner->FPrevious = nullptr;
    FNodes.clear();
    FOwner->TreeWidget()->clear();
    --FOwner->FSetting;
}

TTreeNode *TTreeNodes::Item(int Index) const
{
    int i = 0;
    for (TTreeNode *n = GetFirstNode(); n; n = n->GetNext(), ++i)
        if (i == Index)
            return n;
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

TTreeNode *TTreeNodes::GetFirstNode() const
{
    QTreeWidget *t = FOwner->TreeWidget();
    return t->topLevelItemCount() ? NodeOf(t->topLevelItem(0)) : nullptr;
}

void TTreeNodes::BeginUpdate()
{
    FOwner->TreeWidget()->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate()
{
    FOwner->TreeWidget()->setUpdatesEnabled(true);
}

// --- TCustomTreeView -------------------------------------------------------------

STATION_PUBLISHED(TCustomTreeView)
{
    P.Republish("TabStop").Default(true);
    P.Prop("AutoExpand", &TCustomTreeView::AutoExpand, &TCustomTreeView::SetAutoExpand).Default(false);
    P.Prop("HideSelection", &TCustomTreeView::HideSelection, &TCustomTreeView::SetHideSelection).Default(true);
    P.Prop("Images", &TCustomTreeView::Images, &TCustomTreeView::SetImages);
    P.Prop("ReadOnly", &TCustomTreeView::ReadOnly, &TCustomTreeView::SetReadOnly).Default(false);
    P.Prop("ShowButtons", &TCustomTreeView::ShowButtons, &TCustomTreeView::SetShowButtons).Default(true);
    P.Prop("ShowLines", &TCustomTreeView::ShowLines, &TCustomTreeView::SetShowLines).Default(true);
    P.Prop("ShowRoot", &TCustomTreeView::ShowRoot, &TCustomTreeView::SetShowRoot).Default(true);
    P.Prop("OnChange", &TCustomTreeView::OnChange, &TCustomTreeView::SetOnChange);
    P.Prop("OnChanging", &TCustomTreeView::OnChanging, &TCustomTreeView::SetOnChanging);
    P.Prop("OnCollapsed", &TCustomTreeView::OnCollapsed, &TCustomTreeView::SetOnCollapsed);
    P.Prop("OnCollapsing", &TCustomTreeView::OnCollapsing, &TCustomTreeView::SetOnCollapsing);
    P.Prop("OnExpanded", &TCustomTreeView::OnExpanded, &TCustomTreeView::SetOnExpanded);
    P.Prop("OnExpanding", &TCustomTreeView::OnExpanding, &TCustomTreeView::SetOnExpanding);
}

STATION_PUBLISHED(TTreeNodes) {}

STATION_PUBLISHED(TTreeView)
{
    // Scripts and templates reach the nodes; the nodes are not streamed as a property.
    P.Prop("Items", &TTreeView::Items).Stored(false);
}

TCustomTreeView::TCustomTreeView(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TScrollHost<QTreeWidget>();
    FTree = w;
    InitWidget(w, w);
    w->setHeaderHidden(true);
    w->setColumnCount(1);
    w->setEditTriggers(QAbstractItemView::NoEditTriggers);
    w->setSelectionMode(QAbstractItemView::SingleSelection);
    FItems = new TTreeNodes(this);
    SetTabStop(true);
    FColor = clWindow;
    ApplyColor();
    SetBounds(0, 0, 121, 97);
    QObject::connect(w, &QTreeWidget::currentItemChanged, w, [this](QTreeWidgetItem *Now, QTreeWidgetItem *) {
        if (FSetting)
            return;
        Guard([this, Now] {
            TTreeNode *node = FItems->NodeOf(Now);
            // A refused change puts the selection back.
            if (node && FOnChanging) {
                bool allow = true;
                FOnChanging(this, node, allow);
                if (!allow) {
                    ++FSetting;
                    FTree->setCurrentItem(FPrevious);
                    --FSetting;
                    return;
                }
            }
            FPrevious = Now;
            Change(node);
        });
    });
    QObject::connect(w, &QTreeWidget::itemExpanded, w, [this](QTreeWidgetItem *Item) { ItemExpanded(Item); });
    QObject::connect(w, &QTreeWidget::itemCollapsed, w, [this](QTreeWidgetItem *Item) { ItemCollapsed(Item); });
}

TCustomTreeView::~TCustomTreeView()
{
    ++FSetting;
    delete FItems;
    FItems = nullptr;
}

TTreeNode *TCustomTreeView::Selected() const
{
    return FItems->NodeOf(FTree->currentItem());
}

void TCustomTreeView::SetSelected(TTreeNode *Value)
{
    // Selecting from code runs OnChange, as the control reports it.
    FTree->setCurrentItem(Value ? Value->ItemWidget() : nullptr);
}

TTreeNode *TCustomTreeView::TopItem() const
{
    return FItems->NodeOf(FTree->itemAt(0, 0));
}

TTreeNode *TCustomTreeView::GetNodeAt(int X, int Y) const
{
    return FItems->NodeOf(FTree->itemAt(QPoint(X, Y)));
}

void TCustomTreeView::FullExpand()
{
    for (TTreeNode *n = FItems->GetFirstNode(); n; n = n->GetNextSibling())
        n->Expand(true);
}

void TCustomTreeView::FullCollapse()
{
    for (TTreeNode *n = FItems->GetFirstNode(); n; n = n->GetNextSibling())
        n->Collapse(true);
}

void TCustomTreeView::SetReadOnly(bool Value)
{
    FReadOnly = Value;
}

void TCustomTreeView::SetShowRoot(bool Value)
{
    FShowRoot = Value;
    FTree->setRootIsDecorated(Value);
}

void TCustomTreeView::SetShowButtons(bool Value)
{
    FShowButtons = Value;
    FTree->setItemsExpandable(true);
}

void TCustomTreeView::SetAutoExpand(bool Value)
{
    FAutoExpand = Value;
    FTree->setExpandsOnDoubleClick(!Value);
}

void TCustomTreeView::SetImages(TCustomImageList *Value)
{
    FImages = Value;
    for (TTreeNode *n = FItems->GetFirstNode(); n; n = n->GetNext())
        n->SetImageIndex(n->ImageIndex());
}

void TCustomTreeView::Change(TTreeNode *Node)
{
    if (FOnChange)
        FOnChange(this, Node);
}

bool TCustomTreeView::CanExpand(TTreeNode *Node)
{
    bool allow = true;
    if (FOnExpanding)
        FOnExpanding(this, Node, allow);
    return allow;
}

bool TCustomTreeView::CanCollapse(TTreeNode *Node)
{
    bool allow = true;
    if (FOnCollapsing)
        FOnCollapsing(this, Node, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode *Node)
{
    if (FOnExpanded)
        FOnExpanded(this, Node);
}

void TCustomTreeView::Collapse(TTreeNode *Node)
{
    if (FOnCollapsed)
        FOnCollapsed(this, Node);
}

void TCustomTreeView::ItemExpanded(QTreeWidgetItem *Item)
{
    if (FSetting)
        return;
    TTreeNode *node = FItems->NodeOf(Item);
    if (!node)
        return;
    Guard([this, node, Item] {
        if (!CanExpand(node)) {
            ++FSetting;
            Item->setExpanded(false);
            --FSetting;
            return;
        }
        Expand(node);
    });
}

void TCustomTreeView::ItemCollapsed(QTreeWidgetItem *Item)
{
    if (FSetting)
        return;
    TTreeNode *node = FItems->NodeOf(Item);
    if (!node)
        return;
    Guard([this, node, Item] {
        if (!CanCollapse(node)) {
            ++FSetting;
            Item->setExpanded(true);
            --FSetting;
            return;
        }
        Collapse(node);
    });
}

// --- TUpDown -------------------------------------------------------------------

STATION_PUBLISHED(TUpDown)
{
    P.Prop("AlignButton", &TUpDown::AlignButton, &TUpDown::SetAlignButton).Default(udRight);
    P.Prop("ArrowKeys", &TUpDown::ArrowKeys, &TUpDown::SetArrowKeys).Default(true);
    P.Prop("Associate", &TUpDown::Associate, &TUpDown::SetAssociate);
    P.Prop("Increment", &TUpDown::Increment, &TUpDown::SetIncrement).Default(1);
    P.Prop("Max", &TUpDown::Max, &TUpDown::SetMax).Default(100);
    P.Prop("Min", &TUpDown::Min, &TUpDown::SetMin).Default(0);
    P.Prop("Orientation", &TUpDown::Orientation, &TUpDown::SetOrientation).Default(udVertical);
    P.Prop("Position", &TUpDown::Position, &TUpDown::SetPosition).Default(0);
    P.Prop("Thousands", &TUpDown::Thousands, &TUpDown::SetThousands).Default(true);
    P.Prop("Wrap", &TUpDown::Wrap, &TUpDown::SetWrap).Default(false);
    P.Prop("OnChanging", &TUpDown::OnChanging, &TUpDown::SetOnChanging);
    P.Prop("OnClick", &TUpDown::OnClick, &TUpDown::SetOnClick);
}

TUpDown::TUpDown(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TWidgetHost<QWidget>();
    InitWidget(w, w);
    FUp = new QToolButton(w);
    FDown = new QToolButton(w);
    FUp->setArrowType(Qt::UpArrow);
    FDown->setArrowType(Qt::DownArrow);
    FUp->setFocusPolicy(Qt::NoFocus);
    FDown->setFocusPolicy(Qt::NoFocus);
    FUp->setAutoRepeat(true);
    FDown->setAutoRepeat(true);
    SetClickEvents(false);
    FColor = clBtnFace;
    ApplyColor();
    SetBounds(0, 0, 17, 25);
    QObject::connect(FUp, &QToolButton::clicked, w, [this] { Guard([this] { Step(btNext); }); });
    QObject::connect(FDown, &QToolButton::clicked, w, [this] { Guard([this] { Step(btPrev); }); });
    PlaceButtons();
}

void TUpDown::PlaceButtons()
{
    const int w = Width(), h = Height();
    if (FOrientation == udVertical) {
        FUp->setGeometry(0, 0, w, h / 2);
        FDown->setGeometry(0, h / 2, w, h - h / 2);
        FUp->setArrowType(Qt::UpArrow);
        FDown->setArrowType(Qt::DownArrow);
    } else {
        // Left arrow goes down, right arrow goes up.
        FDown->setGeometry(0, 0, w / 2, h);
        FUp->setGeometry(w / 2, 0, w - w / 2, h);
        FUp->setArrowType(Qt::RightArrow);
        FDown->setArrowType(Qt::LeftArrow);
    }
}

void TUpDown::Resize()
{
    PlaceButtons();
    TWinControl::Resize();
}

void TUpDown::SetOrientation(TUDOrientation Value)
{
    FOrientation = Value;
    PlaceButtons();
}

void TUpDown::SetMin(int Value)
{
    FMin = Value;
    SetPosition(FPosition);
}

void TUpDown::SetMax(int Value)
{
    FMax = Value;
    SetPosition(FPosition);
}

int TUpDown::Position() const
{
    // The associated control's text is the position while it holds a number.
    if (FAssociate) {
        QString text = FAssociate->Text();
        text.remove(FormatSettings.ThousandSeparator);
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        if (ok)
            return std::clamp(v, std::min(FMin, FMax), std::max(FMin, FMax));
    }
    return FPosition;
}

void TUpDown::SetPosition(int Value)
{
    FPosition = std::clamp(Value, std::min(FMin, FMax), std::max(FMin, FMax));
    UpdateAssociate();
}

void TUpDown::SetThousands(bool Value)
{
    FThousands = Value;
    UpdateAssociate();
}

void TUpDown::SetAlignButton(TUDAlignButton Value)
{
    FAlignButton = Value;
    SetAssociate(FAssociate);
}

void TUpDown::UpdateAssociate()
{
    if (!FAssociate)
        return;
    QString text = QString::number(FPosition);
    if (FThousands) {
        const bool negative = FPosition < 0;
        QString digits = QString::number(std::abs(qint64(FPosition)));
        for (int i = int(digits.size()) - 3; i > 0; i -= 3)
            digits.insert(i, FormatSettings.ThousandSeparator);
        text = negative ? QLatin1Char('-') + digits : digits;
    }
    FAssociate->SetText(text);
}

void TUpDown::SetAssociate(TWinControl *Value)
{
    if (FAssociate && FAssociate != Value)
        FAssociate->RemoveFreeNotification(this);
    FAssociate = Value;
    if (!Value)
        return;
    Value->FreeNotification(this);
    // The buttons take their place at the edge of the associated control,
    // which gives up that width.
    if (Value->Parent() && Value->Parent() != Parent())
        SetParent(Value->Parent());
    const int w = Width();
    if (FAlignButton == udRight) {
        Value->SetWidth(Value->Width() - w);
        SetBounds(Value->Left() + Value->Width(), Value->Top(), w, Value->Height());
    } else {
        SetBounds(Value->Left(), Value->Top(), w, Value->Height());
        Value->SetBounds(Value->Left() + w, Value->Top(), Value->Width() - w, Value->Height());
    }
    UpdateAssociate();
}

void TUpDown::Notification(TComponent *AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAssociate)
        FAssociate = nullptr;
}

void TUpDown::Step(TUDBtnType Button)
{
    bool allow = true;
    if (FOnChanging)
        FOnChanging(this, allow);
    if (!allow)
        return;
    const int lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
    // Up counts towards Max, whichever way the range runs.
    int step = FIncrement * (FMax >= FMin ? 1 : -1);
    if (Button == btPrev)
        step = -step;
    int next = Position() + step;
    if (next > hi)
        next = FWrap ? lo : hi;
    else if (next < lo)
        next = FWrap ? hi : lo;
    SetPosition(next);
    if (FOnClick)
        FOnClick(this, Button);
}

// --- TProgressBar ------------------------------------------------------------------

STATION_PUBLISHED(TProgressBar)
{
    P.Prop("Max", &TProgressBar::Max, &TProgressBar::SetMax).Default(100);
    P.Prop("Min", &TProgressBar::Min, &TProgressBar::SetMin).Default(0);
    P.Prop("Position", &TProgressBar::Position, &TProgressBar::SetPosition).Default(0);
    P.Prop("Step", &TProgressBar::Step, &TProgressBar::SetStep).Default(10);
}

TProgressBar::TProgressBar(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TWidgetHost<QProgressBar>();
    InitWidget(w, w);
    FBar = w;
    FBar->setTextVisible(false);
    SetBounds(0, 0, 150, 16);
    Apply();
}

void TProgressBar::Apply()
{
    FBar->setRange(FMin, qMax(FMin, FMax));
    FBar->setValue(FPosition);
}

void TProgressBar::SetMin(int Value)
{
    FMin = Value;
    FPosition = qBound(FMin, FPosition, qMax(FMin, FMax));
    Apply();
}

void TProgressBar::SetMax(int Value)
{
    FMax = Value;
    FPosition = qBound(FMin, FPosition, qMax(FMin, FMax));
    Apply();
}

void TProgressBar::SetPosition(int Value)
{
    FPosition = qBound(FMin, Value, qMax(FMin, FMax));
    Apply();
}
