// The standard controls: labels, buttons, edits, memos, check boxes, radio
// buttons, list and combo boxes, group boxes. Each wraps one Qt widget and
// follows the class library's rules for its events: OnChange of an edit fires
// for every change of its text, OnChange of a combo box and OnClick of a list
// box only for what the user does, OnClick of a check box or radio button for
// every change of its state.
#pragma once
#include "Controls.h"
#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

STATION_DECLARE_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)
STATION_DECLARE_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed,
                     csOwnerDrawVariable)
STATION_DECLARE_ENUM(TListBoxStyle, lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable)
// Left or right of a check mark: taLeftJustify or taRightJustify.
using TLeftRight = TAlignment;

// --- TLabel --------------------------------------------------------------------

class TCustomLabel : public TGraphicControl
{
    STATION_CLASS(TCustomLabel, TGraphicControl)
public:
    explicit TCustomLabel(TComponent *AOwner);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    TWinControl *FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl *Value);
    // Its accelerator focuses FocusControl.
    bool DialogChar(QChar Key, TShiftState Shift) override;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    bool PaintsBackground() const override { return false; }
    // Resizes the label to its text when AutoSize is on.
    void AdjustBounds();
    unsigned DrawTextFlags() const;

private:
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    TWinControl *FFocusControl = nullptr;
};

class TLabel : public TCustomLabel
{
    STATION_CLASS(TLabel, TCustomLabel)
public:
    explicit TLabel(TComponent *AOwner) : TCustomLabel(AOwner) {}
};

// --- TButton -------------------------------------------------------------------

class TButtonControl : public TWinControl
{
    STATION_CLASS(TButtonControl, TWinControl)
public:
    explicit TButtonControl(TComponent *AOwner) : TWinControl(AOwner) {}
};

class TButton : public TButtonControl
{
    STATION_CLASS(TButton, TButtonControl)
public:
    explicit TButton(TComponent *AOwner);

    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    // Enter clicks the active button: the focused one, or the default one
    // while no button has the focus.
    bool Active() const { return FActive; }

    // Copies ModalResult to the form, then runs OnClick.
    void Click() override;
    bool DialogKey(Word Key, TShiftState Shift) override;
    bool DialogChar(QChar Key, TShiftState Shift) override;
    void FocusChanged(TWinControl *Focused) override;

protected:
    QString GetText() const override;
    void SetTextValue(const QString &Value) override;

private:
    QPushButton *FButton;
    bool FDefault = false;
    bool FCancel = false;
    bool FActive = false;
    TModalResult FModalResult = mrNone;
};

// --- TEdit ---------------------------------------------------------------------

class TCustomEdit : public TWinControl
{
    STATION_CLASS(TCustomEdit, TWinControl)
public:
    explicit TCustomEdit(TComponent *AOwner);

    bool ReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool Value);
    // 0: no limit.
    int MaxLength() const { return FMaxLength; }
    virtual void SetMaxLength(int Value);
    QChar PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    virtual int SelStart() const;
    virtual void SetSelStart(int Value);
    virtual int SelLength() const;
    virtual void SetSelLength(int Value);
    virtual QString SelText() const;
    virtual void SetSelText(const QString &Value);
    virtual void SelectAll();
    virtual void Clear();
    void ClearSelection() { SetSelText(QString()); }

    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = Value; }
    int WantKeys() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }

protected:
    // Fires OnChange.
    virtual void Change();
    QString GetText() const override;
    void SetTextValue(const QString &Value) override;
    void DoEnter() override;
    // Typed characters follow CharCase.
    void KeyPress(QChar &Key) override;

private:
    QLineEdit *FEdit = nullptr;
    bool FReadOnly = false;
    int FMaxLength = 0;
    QChar FPasswordChar;
    TEditCharCase FCharCase = ecNormal;
    bool FAutoSelect = true;
    TBorderStyle FBorderStyle = bsSingle;
    bool FModified = false;
    TNotifyEvent FOnChange;

protected:
    // For descendants that wrap another editor widget.
    TCustomEdit(TComponent *AOwner, bool NoWidget);
    void ChangeFromWidget();
};

class TEdit : public TCustomEdit
{
    STATION_CLASS(TEdit, TCustomEdit)
public:
    explicit TEdit(TComponent *AOwner) : TCustomEdit(AOwner) {}
};

// --- TMemo ---------------------------------------------------------------------

class TCustomMemo;

// The lines of a memo, kept in its editor.
class TMemoStrings : public TStrings
{
public:
    explicit TMemoStrings(TCustomMemo *Memo) : FMemo(Memo) {}
    void Insert(int Index, const QString &S) override;
    void Delete(int Index) override;
    void Clear() override;

protected:
    QString Get(int Index) const override;
    int GetCount() const override;
    void Put(int Index, const QString &S) override;
    QString GetTextStr() const override;
    void SetTextStr(const QString &Value) override;

private:
    QStringList Lines() const;
    void SetLines(const QStringList &Lines);
    TCustomMemo *FMemo;
};

class TCustomMemo : public TCustomEdit
{
    STATION_CLASS(TCustomMemo, TCustomEdit)
public:
    explicit TCustomMemo(TComponent *AOwner);
    ~TCustomMemo() override;

    TStrings *Lines() const { return FLines; }
    void SetLines(TStrings *Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    void SetReadOnly(bool Value) override;
    void SetMaxLength(int Value) override;
    int SelStart() const override;
    void SetSelStart(int Value) override;
    int SelLength() const override;
    void SetSelLength(int Value) override;
    QString SelText() const override;
    void SetSelText(const QString &Value) override;
    void SelectAll() override;
    void Clear() override;
    int WantKeys() const override;

    // The editor widget.
    QPlainTextEdit *Editor() const { return FEditor; }

protected:
    QString GetText() const override;
    void SetTextValue(const QString &Value) override;

private:
    QPlainTextEdit *FEditor;
    TMemoStrings *FLines;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
    bool FWantReturns = true;
    bool FWantTabs = false;
    TAlignment FAlignment = taLeftJustify;
};

class TMemo : public TCustomMemo
{
    STATION_CLASS(TMemo, TCustomMemo)
public:
    explicit TMemo(TComponent *AOwner) : TCustomMemo(AOwner) {}
};

// --- TCheckBox / TRadioButton ----------------------------------------------------

class TCustomCheckBox : public TButtonControl
{
    STATION_CLASS(TCustomCheckBox, TButtonControl)
public:
    explicit TCustomCheckBox(TComponent *AOwner);

    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    // A change runs OnClick, as a click does.
    void SetState(TCheckBoxState Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value);
    TLeftRight Alignment() const { return FAlignment; }
    void SetAlignment(TLeftRight Value);
    bool DialogChar(QChar Key, TShiftState Shift) override;

protected:
    // Unchecked -> (grayed ->) checked -> unchecked.
    virtual void Toggle();
    QString GetText() const override;
    void SetTextValue(const QString &Value) override;

private:
    QCheckBox *FBox;
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TLeftRight FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox
{
    STATION_CLASS(TCheckBox, TCustomCheckBox)
public:
    explicit TCheckBox(TComponent *AOwner) : TCustomCheckBox(AOwner) {}
};

class TRadioButton : public TButtonControl
{
    STATION_CLASS(TRadioButton, TButtonControl)
public:
    explicit TRadioButton(TComponent *AOwner);

    bool Checked() const { return FChecked; }
    // Checking unchecks the other radio buttons of the same parent and runs OnClick.
    void SetChecked(bool Value);
    TLeftRight Alignment() const { return FAlignment; }
    void SetAlignment(TLeftRight Value);
    bool DialogChar(QChar Key, TShiftState Shift) override;

protected:
    QString GetText() const override;
    void SetTextValue(const QString &Value) override;

private:
    QRadioButton *FRadio;
    bool FChecked = false;
    TLeftRight FAlignment = taRightJustify;
};

// --- TListBox ------------------------------------------------------------------

class TCustomListBox;

class TListBoxStrings : public TStrings
{
public:
    explicit TListBoxStrings(TCustomListBox *ListBox) : FListBox(ListBox) {}
    int Add(const QString &S) override;
    int AddObject(const QString &S, TObject *AObject) override;
    void Insert(int Index, const QString &S) override;
    void Delete(int Index) override;
    void Clear() override;
    void Exchange(int Index1, int Index2) override;
    void Move(int CurIndex, int NewIndex) override;
    TObjectRef ObjectRef(int Index) const override;

protected:
    QString Get(int Index) const override;
    int GetCount() const override;
    TObject *GetObject(int Index) const override;
    void Put(int Index, const QString &S) override;
    void PutObject(int Index, TObject *AObject) override;

private:
    void CheckIndex(int Index) const;
    TCustomListBox *FListBox;
};

class TCustomListBox : public TWinControl
{
    STATION_CLASS(TCustomListBox, TWinControl)
public:
    explicit TCustomListBox(TComponent *AOwner);
    ~TCustomListBox() override;

    TStrings *Items() const { return FItems; }
    void SetItems(TStrings *Value);
    int ItemIndex() const;
    void SetItemIndex(int Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool Selected(int Index) const;
    void SetSelected(int Index, bool Value);
    int SelCount() const;
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle Value) { FStyle = Value; }
    int ItemHeight() const;
    void SetItemHeight(int Value);
    int TopIndex() const;
    void SetTopIndex(int Value);
    int Count() const { return FItems->Count(); }
    // The item under a client point; -1 (or the count when not Existing) for none.
    int ItemAtPos(const TPoint &Pos, bool Existing) const;
    TRect ItemRect(int Index) const;
    void Clear();
    int WantKeys() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }

    QListWidget *ListWidget() const { return FList; }
    bool HostEvent(QEvent *Event) override;
    void HostEventAfter(QEvent *Event) override;

private:
    friend class TListBoxStrings;
    QListWidget *FList;
    TListBoxStrings *FItems;
    bool FMultiSelect = false;
    bool FSorted = false;
    TListBoxStyle FStyle = lbStandard;
    int FSettingIndex = 0;
    bool FMousePressed = false;
};

class TListBox : public TCustomListBox
{
    STATION_CLASS(TListBox, TCustomListBox)
public:
    explicit TListBox(TComponent *AOwner) : TCustomListBox(AOwner) {}
};

// --- TComboBox -----------------------------------------------------------------

class TCustomComboBox;

class TComboBoxStrings : public TStrings
{
public:
    explicit TComboBoxStrings(TCustomComboBox *ComboBox) : FComboBox(ComboBox) {}
    int Add(const QString &S) override;
    int AddObject(const QString &S, TObject *AObject) override;
    void Insert(int Index, const QString &S) override;
    void Delete(int Index) override;
    void Clear() override;
    TObjectRef ObjectRef(int Index) const override;

protected:
    QString Get(int Index) const override;
    int GetCount() const override;
    TObject *GetObject(int Index) const override;
    void Put(int Index, const QString &S) override;
    void PutObject(int Index, TObject *AObject) override;

private:
    void CheckIndex(int Index) const;
    TCustomComboBox *FComboBox;
};

class TCustomComboBox : public TWinControl
{
    STATION_CLASS(TCustomComboBox, TWinControl)
public:
    explicit TCustomComboBox(TComponent *AOwner);
    ~TCustomComboBox() override;

    TStrings *Items() const { return FItems; }
    void SetItems(TStrings *Value);
    // Setting it does not run OnChange.
    int ItemIndex() const;
    void SetItemIndex(int Value);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value);
    bool DroppedDown() const;
    void SetDroppedDown(bool Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value) { FSorted = Value; }
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value) { FItemHeight = Value; }
    void Clear();
    void SelectAll();

    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = Value; }
    TNotifyEvent OnSelect() const { return FOnSelect; }
    void SetOnSelect(TNotifyEvent Value) { FOnSelect = Value; }
    TNotifyEvent OnDropDown() const { return FOnDropDown; }
    void SetOnDropDown(TNotifyEvent Value) { FOnDropDown = Value; }
    TNotifyEvent OnCloseUp() const { return FOnCloseUp; }
    void SetOnCloseUp(TNotifyEvent Value) { FOnCloseUp = Value; }

    int WantKeys() const override;
    QComboBox *ComboWidget() const { return FCombo; }
    // Called by the widget as its list opens and closes.
    void DropDown();
    void CloseUp();

protected:
    virtual void Change();
    virtual void Select();
    QString GetText() const override;
    void SetTextValue(const QString &Value) override;

private:
    friend class TComboBoxStrings;
    void ConnectEditor();
    QComboBox *FCombo;
    TComboBoxStrings *FItems;
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    bool FSorted = false;
    int FMaxLength = 0;
    int FItemHeight = 16;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnSelect;
    TNotifyEvent FOnDropDown;
    TNotifyEvent FOnCloseUp;
};

class TComboBox : public TCustomComboBox
{
    STATION_CLASS(TComboBox, TCustomComboBox)
public:
    explicit TComboBox(TComponent *AOwner) : TCustomComboBox(AOwner) {}
};

// --- TGroupBox -------------------------------------------------------------------

class TCustomGroupBox : public TWinControl
{
    STATION_CLASS(TCustomGroupBox, TWinControl)
public:
    explicit TCustomGroupBox(TComponent *AOwner);
    ~TCustomGroupBox() override;

protected:
    void AdjustClientRect(TRect &Rect) const override;
    QString GetText() const override;
    void SetTextValue(const QString &Value) override;
    // An etched frame with the caption over its top line, in the classic
    // palette rather than the desktop style's shaded box.
    bool HostPaint(QPaintEvent *Event) override;
    void Paint() override;

private:
    QGroupBox *FBox;
    TControlCanvas *FCanvas;
};

class TGroupBox : public TCustomGroupBox
{
    STATION_CLASS(TGroupBox, TCustomGroupBox)
public:
    explicit TGroupBox(TComponent *AOwner) : TCustomGroupBox(AOwner) {}
};
