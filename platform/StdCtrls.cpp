// Implementation of the standard controls.
#include "StdCtrls.h"
#include "Forms.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// Windows line breaks outside, Qt's '\n' inside the editors.
QString ToWidgetText(const QString &S)
{
    QString t = S;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

QString FromWidgetText(const QString &S)
{
    QString t = S;
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

// Position of S in a sorted list of Count items read by At, case ignored.
template <class F>
int SortedPosition(int Count, const QString &S, F At)
{
    int lo = 0, hi = Count;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (QString::compare(At(mid), S, Qt::CaseInsensitive) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

QVariant ObjectData(TObject *AObject)
{
    return QVariant::fromValue(reinterpret_cast<quintptr>(AObject));
}

// An item's object is kept with its serial, in the next role.
constexpr int SerialRole = Qt::UserRole + 1;

QVariant SerialData(TObject *AObject)
{
    return QVariant::fromValue(LiveSerial(AObject));
}

TObject *DataObject(const QVariant &V)
{
    return reinterpret_cast<TObject *>(V.value<quintptr>());
}

[[noreturn]] void ListIndexError(int Index)
{
    throw EStringListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

} // namespace

// --- TCustomLabel ------------------------------------------------------------------

STATION_PUBLISHED(TCustomLabel)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Republish("ParentColor").Default(true);
    P.Prop("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment).Default(taLeftJustify);
    P.Prop("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize).Default(true);
    P.Prop("Caption", &TCustomLabel::Caption, &TCustomLabel::SetCaption);
    P.Prop("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
    P.Prop("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout).Default(tlTop);
    P.Prop("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar).Default(true);
    P.Prop("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent).Default(false);
    P.Prop("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap).Default(false);
}

STATION_PUBLISHED(TLabel) {}

TCustomLabel::TCustomLabel(TComponent *AOwner) : TGraphicControl(AOwner)
{
    FColor = clBtnFace;
    FParentColor = true;
    ApplyColor();
    SetBounds(0, 0, 65, 17);
    AdjustBounds();
}

unsigned TCustomLabel::DrawTextFlags() const
{
    unsigned flags = DT_EXPANDTABS;
    if (FWordWrap)
        flags |= DT_WORDBREAK;
    if (FAlignment == taRightJustify)
        flags |= DT_RIGHT;
    else if (FAlignment == taCenter)
        flags |= DT_CENTER;
    if (!FShowAccelChar)
        flags |= DT_NOPREFIX;
    return flags;
}

void TCustomLabel::Paint()
{
    TCanvas *c = Canvas();
    TRect r = ClientRect();
    if (!FTransparent) {
        c->Brush()->SetColor(Color());
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(r);
    }
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    const unsigned flags = DrawTextFlags();
    const QString text = Caption();
    if (FLayout != tlTop) {
        TRect calc = r;
        c->DrawText(text, calc, flags | DT_CALCRECT);
        const int offset = FLayout == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
        r.Top += offset;
    }
    if (!Enabled()) {
        OffsetRect(r, 1, 1);
        c->Font()->SetColor(clBtnHighlight);
        c->DrawText(text, r, flags);
        OffsetRect(r, -1, -1);
        c->Font()->SetColor(clBtnShadow);
    }
    c->DrawText(text, r, flags);
}

void TCustomLabel::AdjustBounds()
{
    if (!FAutoSize)
        return;
    QImage scratch(1, 1, QImage::Format_RGB32);
    TCanvas c(&scratch);
    c.Font()->Assign(Font());
    QString text = Caption();
    if (text.isEmpty() || (FShowAccelChar && text == QLatin1String("&")))
        text += QLatin1Char(' ');
    TRect r = ClientRect();
    if (!FWordWrap)
        r.Right = r.Left + 1;
    c.DrawText(text, r, (DrawTextFlags() & ~unsigned(DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
    int x = Left();
    // A right-aligned label keeps its right edge.
    if (FAlignment == taRightJustify)
        x += Width() - r.Right;
    SetBounds(x, Top(), r.Right, r.Bottom);
}

void TCustomLabel::TextChanged()
{
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::FontChanged()
{
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value)
{
    if (FLayout == Value)
        return;
    FLayout = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value)
{
    if (FAutoSize == Value)
        return;
    FAutoSize = Value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool Value)
{
    if (FWordWrap == Value)
        return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl *Value)
{
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent *AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl)
        FFocusControl = nullptr;
}

bool TCustomLabel::DialogChar(QChar Key, TShiftState)
{
    if (FFocusControl && Enabled() && FShowAccelChar && IsAccel(Key, Caption()) && FFocusControl->CanFocus()) {
        FFocusControl->SetFocus();
        return true;
    }
    return false;
}

void TCustomLabel::SetShowAccelChar(bool Value)
{
    if (FShowAccelChar == Value)
        return;
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

// --- TButton -----------------------------------------------------------------------

STATION_PUBLISHED(TButtonControl) {}

STATION_PUBLISHED(TButton)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Republish("TabStop").Default(true);
    P.Prop("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
    P.Prop("Caption", &TButton::Caption, &TButton::SetCaption);
    P.Prop("Default", &TButton::Default, &TButton::SetDefault).Default(false);
    P.Prop("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Default(0);
}

TButton::TButton(TComponent *AOwner) : TButtonControl(AOwner)
{
    auto *w = new TWidgetHost<QPushButton>();
    FButton = w;
    InitWidget(w, w);
    w->setAutoDefault(false);
    SetClickEvents(false);
    SetDoubleClicks(false);
    SetTabStop(true);
    FColor = clBtnFace;
    ApplyColor();
    SetBounds(0, 0, 75, 25);
    QObject::connect(w, &QPushButton::clicked, w, [this] { Guard([this] { Click(); }); });
}

QString TButton::GetText() const
{
    return FButton->text();
}

void TButton::SetTextValue(const QString &Value)
{
    FButton->setText(Value);
}

void TButton::SetDefault(bool Value)
{
    FDefault = Value;
    FButton->setDefault(Value);
    TCustomForm *form = GetParentForm(this);
    TWinControl *focused = form ? FindWinControl(QApplication::focusWidget()) : nullptr;
    if (focused && GetParentForm(focused) == form && dynamic_cast<TButton *>(focused))
        FActive = focused == this;
    else
        FActive = Value;
}

void TButton::Click()
{
    if (TCustomForm *form = GetParentForm(this))
        form->SetModalResult(FModalResult);
    TButtonControl::Click();
}

bool TButton::DialogKey(Word Key, TShiftState Shift)
{
    if (((Key == VK_RETURN && FActive) || (Key == VK_ESCAPE && FCancel)) && Shift.Empty() && CanFocus()) {
        Click();
        return true;
    }
    return false;
}

bool TButton::DialogChar(QChar Key, TShiftState)
{
    if (IsAccel(Key, Caption()) && CanFocus()) {
        Click();
        return true;
    }
    return false;
}

void TButton::FocusChanged(TWinControl *Focused)
{
    if (dynamic_cast<TButton *>(Focused))
        FActive = Focused == this;
    else
        FActive = FDefault;
}

// --- TCustomEdit ---------------------------------------------------------------------

STATION_PUBLISHED(TCustomEdit)
{
    P.Republish("TabStop").Default(true);
    P.Prop("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect).Default(true);
    P.Prop("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle).Default(bsSingle);
    P.Prop("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase).Default(ecNormal);
    P.Prop("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength).Default(0);
    P.Prop("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar).Default(QChar());
    P.Prop("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly).Default(false);
    P.Prop("Text", &TCustomEdit::Text, &TCustomEdit::SetText);
    P.Prop("OnChange", &TCustomEdit::OnChange, &TCustomEdit::SetOnChange);
}

STATION_PUBLISHED(TEdit) {}

TCustomEdit::TCustomEdit(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TWidgetHost<QLineEdit>();
    FEdit = w;
    InitWidget(w, w);
    SetTabStop(true);
    FColor = clWindow;
    ApplyColor();
    SetBounds(0, 0, 121, 21);
    QObject::connect(w, &QLineEdit::textChanged, w, [this] { ChangeFromWidget(); });
    QObject::connect(w, &QLineEdit::textEdited, w, [this] { FModified = true; });
}

TCustomEdit::TCustomEdit(TComponent *AOwner, bool) : TWinControl(AOwner) {}

void TCustomEdit::ChangeFromWidget()
{
    Guard([this] { Change(); });
}

void TCustomEdit::Change()
{
    if (FOnChange)
        FOnChange(this);
}

QString TCustomEdit::GetText() const
{
    return FEdit ? FEdit->text() : FText;
}

void TCustomEdit::SetTextValue(const QString &Value)
{
    if (FEdit)
        FEdit->setText(Value);
}

void TCustomEdit::DoEnter()
{
    // Entering by keyboard selects the whole text, as the class library does.
    if (FAutoSelect && FEdit && QApplication::mouseButtons() == Qt::NoButton)
        FEdit->selectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::KeyPress(QChar &Key)
{
    TWinControl::KeyPress(Key);
    if (FCharCase == ecUpperCase)
        Key = Key.toUpper();
    else if (FCharCase == ecLowerCase)
        Key = Key.toLower();
}

void TCustomEdit::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    if (FEdit)
        FEdit->setReadOnly(Value);
}

void TCustomEdit::SetMaxLength(int Value)
{
    FMaxLength = Value < 0 ? 0 : Value;
    if (FEdit)
        FEdit->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TCustomEdit::SetPasswordChar(QChar Value)
{
    FPasswordChar = Value;
    if (!FEdit)
        return;
    if (Value.isNull()) {
        FEdit->setEchoMode(QLineEdit::Normal);
        FEdit->setStyleSheet(QString());
    } else {
        FEdit->setEchoMode(QLineEdit::Password);
        FEdit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: %1 }").arg(Value.unicode()));
    }
}

void TCustomEdit::SetCharCase(TEditCharCase Value)
{
    FCharCase = Value;
    if (Value == ecUpperCase)
        SetText(Text().toUpper());
    else if (Value == ecLowerCase)
        SetText(Text().toLower());
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value)
{
    FBorderStyle = Value;
    if (FEdit)
        FEdit->setFrame(Value != bsNone);
}

int TCustomEdit::SelStart() const
{
    if (!FEdit)
        return 0;
    return FEdit->hasSelectedText() ? FEdit->selectionStart() : FEdit->cursorPosition();
}

void TCustomEdit::SetSelStart(int Value)
{
    if (FEdit)
        FEdit->setCursorPosition(Value);
}

int TCustomEdit::SelLength() const
{
    return FEdit ? int(FEdit->selectedText().size()) : 0;
}

void TCustomEdit::SetSelLength(int Value)
{
    if (FEdit)
        FEdit->setSelection(SelStart(), Value);
}

QString TCustomEdit::SelText() const
{
    return FEdit ? FEdit->selectedText() : QString();
}

void TCustomEdit::SetSelText(const QString &Value)
{
    if (FEdit)
        FEdit->insert(Value);
}

void TCustomEdit::SelectAll()
{
    if (FEdit)
        FEdit->selectAll();
}

void TCustomEdit::Clear()
{
    SetText(QString());
}

// --- TMemo -------------------------------------------------------------------------

QStringList TMemoStrings::Lines() const
{
    const QString text = FMemo->Editor()->toPlainText();
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    // The empty line after a final line break is not a line.
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void TMemoStrings::SetLines(const QStringList &Lines)
{
    FMemo->Editor()->setPlainText(Lines.join(QLatin1Char('\n')));
}

QString TMemoStrings::Get(int Index) const
{
    const QStringList lines = Lines();
    if (Index < 0 || Index >= lines.size())
        ListIndexError(Index);
    return lines[Index];
}

int TMemoStrings::GetCount() const
{
    return int(Lines().size());
}

void TMemoStrings::Put(int Index, const QString &S)
{
    QStringList lines = Lines();
    if (Index < 0 || Index >= lines.size())
        ListIndexError(Index);
    lines[Index] = ToWidgetText(S);
    SetLines(lines);
}

void TMemoStrings::Insert(int Index, const QString &S)
{
    QStringList lines = Lines();
    if (Index < 0 || Index > lines.size())
        ListIndexError(Index);
    lines.insert(Index, ToWidgetText(S));
    SetLines(lines);
}

void TMemoStrings::Delete(int Index)
{
    QStringList lines = Lines();
    if (Index < 0 || Index >= lines.size())
        ListIndexError(Index);
    lines.removeAt(Index);
    SetLines(lines);
}

void TMemoStrings::Clear()
{
    FMemo->Editor()->clear();
}

QString TMemoStrings::GetTextStr() const
{
    return FMemo->Text();
}

void TMemoStrings::SetTextStr(const QString &Value)
{
    FMemo->SetText(Value);
}

STATION_PUBLISHED(TCustomMemo)
{
    P.Prop("Alignment", &TCustomMemo::Alignment, &TCustomMemo::SetAlignment).Default(taLeftJustify);
    P.Prop("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines);
    P.Prop("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars).Default(ssNone);
    P.Prop("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns).Default(true);
    P.Prop("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs).Default(false);
    P.Prop("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap).Default(true);
}

STATION_PUBLISHED(TMemo) {}

TCustomMemo::TCustomMemo(TComponent *AOwner) : TCustomEdit(AOwner, true)
{
    auto *w = new TScrollHost<QPlainTextEdit>();
    FEditor = w;
    InitWidget(w, w);
    w->setTabChangesFocus(true);
    w->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    w->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FLines = new TMemoStrings(this);
    SetTabStop(true);
    FColor = clWindow;
    ApplyColor();
    SetBounds(0, 0, 185, 89);
    QObject::connect(w, &QPlainTextEdit::textChanged, w, [this] { ChangeFromWidget(); });
}

TCustomMemo::~TCustomMemo()
{
    delete FLines;
}

void TCustomMemo::SetLines(TStrings *Value)
{
    if (Value && Value != FLines)
        FLines->Assign(Value);
}

QString TCustomMemo::GetText() const
{
    return FromWidgetText(FEditor->toPlainText());
}

void TCustomMemo::SetTextValue(const QString &Value)
{
    FEditor->setPlainText(ToWidgetText(Value));
}

void TCustomMemo::SetWordWrap(bool Value)
{
    FWordWrap = Value;
    FEditor->setLineWrapMode(Value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TCustomMemo::SetScrollBars(TScrollStyle Value)
{
    FScrollBars = Value;
    const bool v = Value == ssVertical || Value == ssBoth;
    const bool h = Value == ssHorizontal || Value == ssBoth;
    FEditor->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    FEditor->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TCustomMemo::SetWantTabs(bool Value)
{
    FWantTabs = Value;
    FEditor->setTabChangesFocus(!Value);
}

void TCustomMemo::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    QTextOption opt = FEditor->document()->defaultTextOption();
    opt.setAlignment(Value == taRightJustify ? Qt::AlignRight : Value == taCenter ? Qt::AlignHCenter : Qt::AlignLeft);
    FEditor->document()->setDefaultTextOption(opt);
}

void TCustomMemo::SetReadOnly(bool Value)
{
    TCustomEdit::SetReadOnly(Value);
    FEditor->setReadOnly(Value);
}

void TCustomMemo::SetMaxLength(int Value)
{
    TCustomEdit::SetMaxLength(Value);
}

int TCustomMemo::SelStart() const
{
    return FEditor->textCursor().selectionStart();
}

void TCustomMemo::SetSelStart(int Value)
{
    QTextCursor c = FEditor->textCursor();
    c.setPosition(qBound(0, Value, int(FEditor->document()->characterCount()) - 1));
    FEditor->setTextCursor(c);
}

int TCustomMemo::SelLength() const
{
    const QTextCursor c = FEditor->textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TCustomMemo::SetSelLength(int Value)
{
    QTextCursor c = FEditor->textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(qBound(0, start + Value, int(FEditor->document()->characterCount()) - 1), QTextCursor::KeepAnchor);
    FEditor->setTextCursor(c);
}

QString TCustomMemo::SelText() const
{
    return FromWidgetText(FEditor->textCursor().selectedText().replace(QChar(0x2029), QLatin1Char('\n')));
}

void TCustomMemo::SetSelText(const QString &Value)
{
    FEditor->textCursor().insertText(ToWidgetText(Value));
}

void TCustomMemo::SelectAll()
{
    FEditor->selectAll();
}

void TCustomMemo::Clear()
{
    FEditor->clear();
}

int TCustomMemo::WantKeys() const
{
    int keys = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (FWantReturns)
        keys |= DLGC_WANTALLKEYS;
    if (FWantTabs)
        keys |= DLGC_WANTTAB;
    return keys;
}

// --- TCustomCheckBox -----------------------------------------------------------------

STATION_PUBLISHED(TCustomCheckBox)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Republish("TabStop").Default(true);
    P.Prop("Alignment", &TCustomCheckBox::Alignment, &TCustomCheckBox::SetAlignment).Default(taRightJustify);
    P.Prop("AllowGrayed", &TCustomCheckBox::AllowGrayed, &TCustomCheckBox::SetAllowGrayed).Default(false);
    P.Prop("Caption", &TCustomCheckBox::Caption, &TCustomCheckBox::SetCaption);
    P.Prop("Checked", &TCustomCheckBox::Checked, &TCustomCheckBox::SetChecked).Default(false);
    P.Prop("State", &TCustomCheckBox::State, &TCustomCheckBox::SetState).Default(cbUnchecked);
}

STATION_PUBLISHED(TCheckBox) {}

TCustomCheckBox::TCustomCheckBox(TComponent *AOwner) : TButtonControl(AOwner)
{
    auto *w = new TWidgetHost<QCheckBox>();
    FBox = w;
    InitWidget(w, w);
    SetClickEvents(false);
    SetTabStop(true);
    FColor = clBtnFace;
    ApplyColor();
    SetBounds(0, 0, 97, 17);
    // The user's click toggles through our own state, which runs OnClick.
    QObject::connect(w, &QCheckBox::clicked, w, [this] { Guard([this] { Toggle(); }); });
}

QString TCustomCheckBox::GetText() const
{
    return FBox->text();
}

void TCustomCheckBox::SetTextValue(const QString &Value)
{
    FBox->setText(Value);
}

void TCustomCheckBox::Toggle()
{
    switch (FState) {
    case cbUnchecked:
        SetState(FAllowGrayed ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TCustomCheckBox::SetState(TCheckBoxState Value)
{
    const Qt::CheckState qs = Value == cbChecked ? Qt::Checked : Value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked;
    if (Value == cbGrayed)
        FBox->setTristate(true);
    FBox->setCheckState(qs);
    if (FState == Value)
        return;
    FState = Value;
    Click();
}

void TCustomCheckBox::SetAllowGrayed(bool Value)
{
    FAllowGrayed = Value;
    FBox->setTristate(Value || FState == cbGrayed);
}

bool TCustomCheckBox::DialogChar(QChar Key, TShiftState)
{
    if (IsAccel(Key, Caption()) && CanFocus()) {
        SetFocus();
        Toggle();
        return true;
    }
    return false;
}

void TCustomCheckBox::SetAlignment(TLeftRight Value)
{
    FAlignment = Value;
    FBox->setLayoutDirection(Value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

// --- TRadioButton ------------------------------------------------------------------

STATION_PUBLISHED(TRadioButton)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Prop("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment).Default(taRightJustify);
    P.Prop("Caption", &TRadioButton::Caption, &TRadioButton::SetCaption);
    P.Prop("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false);
}

TRadioButton::TRadioButton(TComponent *AOwner) : TButtonControl(AOwner)
{
    auto *w = new TWidgetHost<QRadioButton>();
    FRadio = w;
    InitWidget(w, w);
    // Exclusion among the parent's radio buttons is ours, so a checked
    // button can be unchecked from code.
    w->setAutoExclusive(false);
    SetClickEvents(false);
    FColor = clBtnFace;
    ApplyColor();
    SetBounds(0, 0, 113, 17);
    QObject::connect(w, &QRadioButton::clicked, w, [this] {
        Guard([this] {
            if (FChecked)
                FRadio->setChecked(true);
            else
                SetChecked(true);
        });
    });
}

QString TRadioButton::GetText() const
{
    return FRadio->text();
}

void TRadioButton::SetTextValue(const QString &Value)
{
    FRadio->setText(Value);
}

void TRadioButton::SetChecked(bool Value)
{
    FRadio->setChecked(Value);
    if (FChecked == Value)
        return;
    FChecked = Value;
    SetTabStop(Value);
    if (!Value)
        return;
    if (TWinControl *p = Parent())
        for (int i = 0; i < p->ControlCount(); ++i)
            if (auto *other = dynamic_cast<TRadioButton *>(p->Controls(i)); other && other != this)
                other->SetChecked(false);
    Click();
}

bool TRadioButton::DialogChar(QChar Key, TShiftState)
{
    if (IsAccel(Key, Caption()) && CanFocus()) {
        SetFocus();
        SetChecked(true);
        return true;
    }
    return false;
}

void TRadioButton::SetAlignment(TLeftRight Value)
{
    FAlignment = Value;
    FRadio->setLayoutDirection(Value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

// --- TListBox ----------------------------------------------------------------------

void TListBoxStrings::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        ListIndexError(Index);
}

QString TListBoxStrings::Get(int Index) const
{
    CheckIndex(Index);
    return FListBox->FList->item(Index)->text();
}

int TListBoxStrings::GetCount() const
{
    return FListBox->FList->count();
}

TObject *TListBoxStrings::GetObject(int Index) const
{
    CheckIndex(Index);
    return DataObject(FListBox->FList->item(Index)->data(Qt::UserRole));
}

void TListBoxStrings::Put(int Index, const QString &S)
{
    CheckIndex(Index);
    FListBox->FList->item(Index)->setText(S);
}

TObjectRef TListBoxStrings::ObjectRef(int Index) const
{
    CheckIndex(Index);
    const QListWidgetItem *item = FListBox->FList->item(Index);
    return {DataObject(item->data(Qt::UserRole)), item->data(SerialRole).value<quint64>()};
}

void TListBoxStrings::PutObject(int Index, TObject *AObject)
{
    CheckIndex(Index);
    QListWidgetItem *item = FListBox->FList->item(Index);
    item->setData(Qt::UserRole, ObjectData(AObject));
    item->setData(SerialRole, SerialData(AObject));
}

int TListBoxStrings::Add(const QString &S)
{
    return AddObject(S, nullptr);
}

int TListBoxStrings::AddObject(const QString &S, TObject *AObject)
{
    int index = GetCount();
    if (FListBox->FSorted)
        index = SortedPosition(GetCount(), S, [this](int i) { return FListBox->FList->item(i)->text(); });
    TStrings::InsertObject(index, S, AObject);
    return index;
}

void TListBoxStrings::Insert(int Index, const QString &S)
{
    if (Index < 0 || Index > GetCount())
        ListIndexError(Index);
    ++FListBox->FSettingIndex;
    auto *item = new QListWidgetItem(S);
    item->setData(Qt::UserRole, ObjectData(nullptr));
    FListBox->FList->insertItem(Index, item);
    --FListBox->FSettingIndex;
}

void TListBoxStrings::Delete(int Index)
{
    CheckIndex(Index);
    ++FListBox->FSettingIndex;
    delete FListBox->FList->takeItem(Index);
    --FListBox->FSettingIndex;
}

void TListBoxStrings::Clear()
{
    ++FListBox->FSettingIndex;
    FListBox->FList->clear();
    --FListBox->FSettingIndex;
}

void TListBoxStrings::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    const QString s1 = Get(Index1), s2 = Get(Index2);
    TObject *o1 = LiveObject(ObjectRef(Index1)), *o2 = LiveObject(ObjectRef(Index2));
    Put(Index1, s2);
    PutObject(Index1, o2);
    Put(Index2, s1);
    PutObject(Index2, o1);
}

void TListBoxStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    ++FListBox->FSettingIndex;
    QListWidgetItem *item = FListBox->FList->takeItem(CurIndex);
    FListBox->FList->insertItem(NewIndex, item);
    --FListBox->FSettingIndex;
}

STATION_PUBLISHED(TCustomListBox)
{
    P.Republish("TabStop").Default(true);
    P.Prop("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight);
    P.Prop("Items", &TCustomListBox::Items, &TCustomListBox::SetItems);
    P.Prop("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect).Default(false);
    P.Prop("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted).Default(false);
    P.Prop("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle).Default(lbStandard);
}

STATION_PUBLISHED(TListBox) {}

TCustomListBox::TCustomListBox(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TScrollHost<QListWidget>();
    FList = w;
    InitWidget(w, w);
    w->setSelectionMode(QAbstractItemView::SingleSelection);
    w->setUniformItemSizes(true);
    FItems = new TListBoxStrings(this);
    SetClickEvents(false);
    SetTabStop(true);
    FColor = clWindow;
    ApplyColor();
    SetBounds(0, 0, 121, 97);
    // Keyboard moves of the selection are clicks; mouse clicks come on release.
    QObject::connect(w, &QListWidget::currentRowChanged, w, [this](int) {
        if (!FSettingIndex && !FMousePressed)
            Guard([this] { Click(); });
    });
}

TCustomListBox::~TCustomListBox()
{
    delete FItems;
}

void TCustomListBox::SetItems(TStrings *Value)
{
    if (Value && Value != FItems)
        FItems->Assign(Value);
}

int TCustomListBox::ItemIndex() const
{
    return FList->currentRow();
}

void TCustomListBox::SetItemIndex(int Value)
{
    ++FSettingIndex;
    if (Value < 0 || Value >= FList->count()) {
        FList->setCurrentRow(-1);
        FList->clearSelection();
    } else {
        FList->setCurrentRow(Value);
    }
    --FSettingIndex;
}

void TCustomListBox::SetMultiSelect(bool Value)
{
    FMultiSelect = Value;
    FList->setSelectionMode(Value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TCustomListBox::Selected(int Index) const
{
    if (Index < 0 || Index >= FList->count())
        ListIndexError(Index);
    return FList->item(Index)->isSelected();
}

void TCustomListBox::SetSelected(int Index, bool Value)
{
    if (Index < 0 || Index >= FList->count())
        ListIndexError(Index);
    ++FSettingIndex;
    if (!FMultiSelect && Value)
        FList->setCurrentRow(Index);
    else
        FList->item(Index)->setSelected(Value);
    --FSettingIndex;
}

int TCustomListBox::SelCount() const
{
    // A single-selection list box has no selection count.
    return FMultiSelect ? int(FList->selectedItems().size()) : -1;
}

void TCustomListBox::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    FSorted = Value;
    if (Value) {
        ++FSettingIndex;
        FList->sortItems();
        --FSettingIndex;
    }
}

int TCustomListBox::ItemHeight() const
{
    if (FList->count() > 0)
        return FList->visualItemRect(FList->item(0)).height();
    return QFontMetrics(FList->font()).height() + 2;
}

void TCustomListBox::SetItemHeight(int Value)
{
    for (int i = 0; i < FList->count(); ++i)
        FList->item(i)->setSizeHint(QSize(-1, Value));
}

int TCustomListBox::TopIndex() const
{
    QListWidgetItem *item = FList->itemAt(0, 0);
    return item ? FList->row(item) : 0;
}

void TCustomListBox::SetTopIndex(int Value)
{
    if (Value >= 0 && Value < FList->count())
        FList->scrollToItem(FList->item(Value), QAbstractItemView::PositionAtTop);
}

int TCustomListBox::ItemAtPos(const TPoint &Pos, bool Existing) const
{
    QListWidgetItem *item = FList->itemAt(QPoint(Pos.X, Pos.Y));
    if (item)
        return FList->row(item);
    return Existing ? -1 : FList->count();
}

TRect TCustomListBox::ItemRect(int Index) const
{
    if (Index < 0 || Index >= FList->count())
        return TRect{};
    return TRect::FromQRect(FList->visualItemRect(FList->item(Index)));
}

void TCustomListBox::Clear()
{
    FItems->Clear();
}

bool TCustomListBox::HostEvent(QEvent *Event)
{
    if (Event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(Event)->button() == Qt::LeftButton)
        FMousePressed = true;
    return TWinControl::HostEvent(Event);
}

void TCustomListBox::HostEventAfter(QEvent *Event)
{
    if (Event->type() == QEvent::MouseButtonRelease && FMousePressed) {
        FMousePressed = false;
        auto *me = static_cast<QMouseEvent *>(Event);
        const QPoint p = me->position().toPoint();
        if (me->button() == Qt::LeftButton && ItemAtPos(Point(p.x(), p.y()), true) >= 0)
            Guard([this] { Click(); });
        if (!IsLiveControl(this))
            return;
    }
    TWinControl::HostEventAfter(Event);
}

// --- TComboBox ---------------------------------------------------------------------

namespace {

// The combo box widget tells its control when its list opens and closes.
class TComboHost : public TWidgetHost<QComboBox>
{
public:
    void showPopup() override
    {
        if (auto *c = dynamic_cast<TCustomComboBox *>(LinkedControl))
            c->DropDown();
        TWidgetHost<QComboBox>::showPopup();
    }
    void hidePopup() override
    {
        TWidgetHost<QComboBox>::hidePopup();
        if (auto *c = dynamic_cast<TCustomComboBox *>(LinkedControl))
            c->CloseUp();
    }
};

} // namespace

void TComboBoxStrings::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        ListIndexError(Index);
}

QString TComboBoxStrings::Get(int Index) const
{
    CheckIndex(Index);
    return FComboBox->FCombo->itemText(Index);
}

int TComboBoxStrings::GetCount() const
{
    return FComboBox->FCombo->count();
}

TObject *TComboBoxStrings::GetObject(int Index) const
{
    CheckIndex(Index);
    return DataObject(FComboBox->FCombo->itemData(Index));
}

void TComboBoxStrings::Put(int Index, const QString &S)
{
    CheckIndex(Index);
    FComboBox->FCombo->setItemText(Index, S);
}

TObjectRef TComboBoxStrings::ObjectRef(int Index) const
{
    CheckIndex(Index);
    return {DataObject(FComboBox->FCombo->itemData(Index)),
            FComboBox->FCombo->itemData(Index, SerialRole).value<quint64>()};
}

void TComboBoxStrings::PutObject(int Index, TObject *AObject)
{
    CheckIndex(Index);
    FComboBox->FCombo->setItemData(Index, ObjectData(AObject));
    FComboBox->FCombo->setItemData(Index, SerialData(AObject), SerialRole);
}

int TComboBoxStrings::Add(const QString &S)
{
    return AddObject(S, nullptr);
}

int TComboBoxStrings::AddObject(const QString &S, TObject *AObject)
{
    int index = GetCount();
    if (FComboBox->FSorted)
        index = SortedPosition(GetCount(), S, [this](int i) { return FComboBox->FCombo->itemText(i); });
    TStrings::InsertObject(index, S, AObject);
    return index;
}

void TComboBoxStrings::Insert(int Index, const QString &S)
{
    if (Index < 0 || Index > GetCount())
        ListIndexError(Index);
    QComboBox *c = FComboBox->FCombo;
    const int before = c->currentIndex();
    const QString text = c->isEditable() ? c->currentText() : QString();
    c->insertItem(Index, S, ObjectData(nullptr));
    // Qt selects the first item put into an empty combo box; the class
    // library leaves the selection alone.
    if (before < 0 && c->currentIndex() >= 0) {
        c->setCurrentIndex(-1);
        if (c->isEditable())
            c->setEditText(text);
    }
}

void TComboBoxStrings::Delete(int Index)
{
    CheckIndex(Index);
    FComboBox->FCombo->removeItem(Index);
}

void TComboBoxStrings::Clear()
{
    QComboBox *c = FComboBox->FCombo;
    const QString text = c->isEditable() ? c->currentText() : QString();
    c->clear();
    if (c->isEditable())
        c->setEditText(text);
}

STATION_PUBLISHED(TCustomComboBox)
{
    P.Republish("TabStop").Default(true);
    P.Prop("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount).Default(8);
    P.Prop("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight);
    P.Prop("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex).Default(-1);
    P.Prop("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
    P.Prop("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength).Default(0);
    P.Prop("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted).Default(false);
    P.Prop("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle).Default(csDropDown);
    P.Prop("Text", &TCustomComboBox::Text, &TCustomComboBox::SetText);
    P.Prop("OnChange", &TCustomComboBox::OnChange, &TCustomComboBox::SetOnChange);
    P.Prop("OnCloseUp", &TCustomComboBox::OnCloseUp, &TCustomComboBox::SetOnCloseUp);
    P.Prop("OnDropDown", &TCustomComboBox::OnDropDown, &TCustomComboBox::SetOnDropDown);
    P.Prop("OnSelect", &TCustomComboBox::OnSelect, &TCustomComboBox::SetOnSelect);
}

STATION_PUBLISHED(TComboBox) {}

TCustomComboBox::TCustomComboBox(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TComboHost();
    FCombo = w;
    InitWidget(w, w);
    w->setEditable(true);
    w->setInsertPolicy(QComboBox::NoInsert);
    w->setMaxVisibleItems(FDropDownCount);
    ConnectEditor();
    FItems = new TComboBoxStrings(this);
    SetClickEvents(false);
    SetTabStop(true);
    FColor = clWindow;
    ApplyColor();
    SetBounds(0, 0, 145, 21);
    // A choice from the list: OnClick, then OnSelect (or OnChange without one).
    QObject::connect(w, &QComboBox::activated, w, [this](int) {
        Guard([this] {
            Click();
            if (IsLiveControl(this))
                Select();
        });
    });
}

TCustomComboBox::~TCustomComboBox()
{
    delete FItems;
}

void TCustomComboBox::ConnectEditor()
{
    if (QLineEdit *e = FCombo->lineEdit()) {
        e->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
        QObject::connect(e, &QLineEdit::textEdited, e, [this] { Guard([this] { Change(); }); });
    }
}

void TCustomComboBox::SetItems(TStrings *Value)
{
    if (Value && Value != FItems)
        FItems->Assign(Value);
}

int TCustomComboBox::ItemIndex() const
{
    return FCombo->currentIndex();
}

void TCustomComboBox::SetItemIndex(int Value)
{
    FCombo->setCurrentIndex(Value >= 0 && Value < FCombo->count() ? Value : -1);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    const bool editable = Value == csDropDown || Value == csSimple;
    if (FCombo->isEditable() != editable) {
        const int index = FCombo->currentIndex();
        FCombo->setEditable(editable);
        FCombo->setCurrentIndex(index);
        if (editable)
            ConnectEditor();
    }
}

void TCustomComboBox::SetDropDownCount(int Value)
{
    FDropDownCount = Value;
    FCombo->setMaxVisibleItems(Value > 0 ? Value : 1);
}

bool TCustomComboBox::DroppedDown() const
{
    return FCombo->view() && FCombo->view()->isVisible();
}

void TCustomComboBox::SetDroppedDown(bool Value)
{
    if (Value == DroppedDown())
        return;
    if (Value)
        FCombo->showPopup();
    else
        FCombo->hidePopup();
}

void TCustomComboBox::SetMaxLength(int Value)
{
    FMaxLength = Value < 0 ? 0 : Value;
    if (QLineEdit *e = FCombo->lineEdit())
        e->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TCustomComboBox::Clear()
{
    FItems->Clear();
    SetText(QString());
}

void TCustomComboBox::SelectAll()
{
    if (QLineEdit *e = FCombo->lineEdit())
        e->selectAll();
}

void TCustomComboBox::Change()
{
    if (FOnChange)
        FOnChange(this);
}

void TCustomComboBox::Select()
{
    if (FOnSelect)
        FOnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown()
{
    Guard([this] {
        if (FOnDropDown)
            FOnDropDown(this);
    });
}

void TCustomComboBox::CloseUp()
{
    Guard([this] {
        if (FOnCloseUp)
            FOnCloseUp(this);
    });
}

QString TCustomComboBox::GetText() const
{
    return FCombo->currentText();
}

void TCustomComboBox::SetTextValue(const QString &Value)
{
    if (FCombo->isEditable()) {
        FCombo->setEditText(Value);
        return;
    }
    FCombo->setCurrentIndex(FCombo->findText(Value, Qt::MatchFixedString));
}

int TCustomComboBox::WantKeys() const
{
    int keys = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (DroppedDown())
        keys |= DLGC_WANTALLKEYS;
    return keys;
}

// --- TCustomGroupBox ---------------------------------------------------------------

STATION_PUBLISHED(TCustomGroupBox)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Republish("ParentColor").Default(true);
    P.Prop("Caption", &TCustomGroupBox::Caption, &TCustomGroupBox::SetCaption);
}

STATION_PUBLISHED(TGroupBox) {}

TCustomGroupBox::TCustomGroupBox(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TWidgetHost<QGroupBox>();
    FBox = w;
    InitWidget(w, w);
    FColor = clBtnFace;
    FParentColor = true;
    ApplyColor();
    SetBounds(0, 0, 185, 105);
    FCanvas = new TControlCanvas;
    FCanvas->SetControl(this);
}

TCustomGroupBox::~TCustomGroupBox()
{
    delete FCanvas;
}

bool TCustomGroupBox::HostPaint(QPaintEvent *)
{
    QPainter p(FBox);
    PaintWith(p, FCanvas);
    return true;
}

void TCustomGroupBox::Paint()
{
    TCanvas *c = FCanvas;
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    const int h = c->TextHeight(QStringLiteral("0"));
    TRect r = Rect(1, h / 2, Width(), Height());
    c->Brush()->SetColor(clBtnHighlight);
    c->FrameRect(r);
    OffsetRect(r, -1, -1);
    c->Brush()->SetColor(clBtnShadow);
    c->FrameRect(r);
    const QString text = Caption();
    if (text.isEmpty())
        return;
    TRect t = Rect(8, 0, 0, h);
    c->DrawText(text, t, DT_SINGLELINE | DT_CALCRECT);
    c->Brush()->SetColor(Color());
    if (!Enabled())
        c->Font()->SetColor(clGrayText);
    c->DrawText(text, t, DT_SINGLELINE);
}

void TCustomGroupBox::AdjustClientRect(TRect &Rect) const
{
    // Below the caption, inside the frame.
    Rect.Top += QFontMetrics(FontToQFont(Font())).height();
    InflateRect(Rect, -2, -2);
}

QString TCustomGroupBox::GetText() const
{
    return FBox->title();
}

void TCustomGroupBox::SetTextValue(const QString &Value)
{
    FBox->setTitle(Value);
}
