// Implementation of registration of the class library's controls and forms for scripts.
#include "kw_iformsrtti.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "kw_ievents.h"
#include "kw_irttihelpers.h"

namespace kw_iformsrtti {

namespace {

struct TConst
{
    const char *Name;
    int Value;
};

// Cursors, registered twice as the class library's unit does; the second
// round changes nothing.
const TConst Cursors[] = {
    {"crDefault", 0},      {"crNone", -1},       {"crArrow", -2},      {"crCross", -3},      {"crIBeam", -4},
    {"crSize", -22},       {"crSizeNESW", -6},   {"crSizeNS", -7},     {"crSizeNWSE", -8},   {"crSizeWE", -9},
    {"crUpArrow", -10},    {"crHourGlass", -11}, {"crDrag", -12},      {"crNoDrop", -13},    {"crHSplit", -14},
    {"crVSplit", -15},     {"crMultiDrag", -16}, {"crSQLWait", -17},   {"crNo", -18},        {"crAppStart", -19},
    {"crHelp", -20},       {"crHandPoint", -21}, {"crSizeAll", -22}};

const TConst Constants[] = {
    {"mrNone", 0},        {"mrOk", 1},          {"mrCancel", 2},      {"mrAbort", 3},       {"mrRetry", 4},
    {"mrIgnore", 5},      {"mrYes", 6},         {"mrNo", 7},          {"mrAll", 8},         {"mrNoToAll", 9},
    {"mrYesToAll", 10}};

const TConst BorderStyles[] = {{"bsNone", 0},    {"bsSingle", 1},     {"bsSizeable", 2},
                               {"bsDialog", 3},  {"bsToolWindow", 4}, {"bsSizeToolWin", 5}};

// Windows key codes; there is none for the left mouse button.
const TConst Keys[] = {
    {"VK_RBUTTON", 2},    {"VK_CANCEL", 3},     {"VK_MBUTTON", 4},    {"VK_BACK", 8},       {"VK_TAB", 9},
    {"VK_RETURN", 13},    {"VK_SHIFT", 16},     {"VK_CONTROL", 17},   {"VK_MENU", 18},      {"VK_PAUSE", 19},
    {"VK_CAPITAL", 20},   {"VK_ESCAPE", 27},    {"VK_SPACE", 32},     {"VK_PRIOR", 33},     {"VK_NEXT", 34},
    {"VK_END", 35},       {"VK_HOME", 36},      {"VK_LEFT", 37},      {"VK_UP", 38},        {"VK_RIGHT", 39},
    {"VK_DOWN", 40},      {"VK_INSERT", 45},    {"VK_DELETE", 46},    {"VK_HELP", 47},      {"VK_LWIN", 91},
    {"VK_RWIN", 92},      {"VK_APPS", 93},      {"VK_MULTIPLY", 106}, {"VK_ADD", 107},      {"VK_SEPARATOR", 108},
    {"VK_SUBTRACT", 109}, {"VK_DECIMAL", 110},  {"VK_DIVIDE", 111},   {"VK_NUMLOCK", 144},  {"VK_SCROLL", 145}};

} // namespace

TFunctions::TFunctions(TkwScript *AScript) : TkwRTTIModule(AScript)
{
    TkwScript *s = AScript;
    const TkwCallMethodNewEvent call(this, &TFunctions::CallMethod);
    const TkwGetValueEvent get(this, &TFunctions::GetProp);
    const TkwSetValueEvent set(this, &TFunctions::SetProp);
    const QString integer = QStringLiteral("Integer");
    auto addConsts = [s, &integer](const auto &Table) {
        for (const TConst &c : Table)
            s->AddConst(QString::fromLatin1(c.Name), integer, Variant(c.Value));
    };

    // 1. Constants.
    addConsts(Constants);
    addConsts(Cursors);
    addConsts(BorderStyles);
    const int keysBeforeNumpad = 27; // VK_RBUTTON .. VK_APPS
    for (int i = 0; i < keysBeforeNumpad; ++i)
        s->AddConst(QString::fromLatin1(Keys[i].Name), integer, Variant(Keys[i].Value));
    for (int i = 0; i <= 9; ++i)
        s->AddConst(QStringLiteral("VK_NUMPAD%1").arg(i), integer, Variant(96 + i));
    for (int i = keysBeforeNumpad; i < keysBeforeNumpad + 6; ++i)
        s->AddConst(QString::fromLatin1(Keys[i].Name), integer, Variant(Keys[i].Value));
    for (int i = 1; i <= 12; ++i)
        s->AddConst(QStringLiteral("VK_F%1").arg(i), integer, Variant(111 + i));
    for (size_t i = keysBeforeNumpad + 6; i < std::size(Keys); ++i)
        s->AddConst(QString::fromLatin1(Keys[i].Name), integer, Variant(Keys[i].Value));
    addConsts(Cursors);

    // 2. Types held as integers.
    for (const char *t : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"})
        s->AddType(QString::fromLatin1(t), fvtInt);
    s->AddConst(QStringLiteral("taLeftJustify"), integer, Variant(0));
    s->AddConst(QStringLiteral("taRightJustify"), integer, Variant(1));
    s->AddConst(QStringLiteral("taCenter"), integer, Variant(2));

    // 3. Enumerations and sets.
    s->AddEnumSet(QStringLiteral("TShiftState"),
                  QStringLiteral("ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble"));
    s->AddEnum(QStringLiteral("TAlign"), QStringLiteral("alNone, alTop, alBottom, alLeft, alRight, alClient"));
    s->AddEnum(QStringLiteral("TMouseButton"), QStringLiteral("mbLeft, mbRight, mbMiddle"));
    s->AddEnumSet(QStringLiteral("TAnchors"), QStringLiteral("akLeft, akTop, akRight, akBottom"));
    s->AddEnum(QStringLiteral("TBevelCut"), QStringLiteral("bvNone, bvLowered, bvRaised, bvSpace"));
    s->AddEnum(QStringLiteral("TTextLayout"), QStringLiteral("tlTop, tlCenter, tlBottom"));
    s->AddEnum(QStringLiteral("TEditCharCase"), QStringLiteral("ecNormal, ecUpperCase, ecLowerCase"));
    s->AddEnum(QStringLiteral("TScrollStyle"), QStringLiteral("ssNone, ssHorizontal, ssVertical, ssBoth"));
    s->AddEnum(QStringLiteral("TComboBoxStyle"),
               QStringLiteral("csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable"));
    s->AddEnum(QStringLiteral("TCheckBoxState"), QStringLiteral("cbUnchecked, cbChecked, cbGrayed"));
    s->AddEnum(QStringLiteral("TListBoxStyle"), QStringLiteral("lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable"));
    s->AddEnum(QStringLiteral("TWindowState"), QStringLiteral("wsNormal, wsMinimized, wsMaximized"));
    s->AddEnum(QStringLiteral("TFormStyle"), QStringLiteral("fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop"));
    s->AddEnumSet(QStringLiteral("TBorderIcons"), QStringLiteral("biSystemMenu, biMinimize, biMaximize, biHelp"));
    s->AddEnum(QStringLiteral("TPosition"), QStringLiteral("poDesigned, poDefault, poDefaultPosOnly, "
                                                           "poDefaultSizeOnly, poScreenCenter, poDesktopCenter"));
    s->AddEnum(QStringLiteral("TCloseAction"), QStringLiteral("caNone, caHide, caFree, caMinimize"));

    // 4. Classes.
    const TkwEventClass notify = kwEventClassOf<TkwNotifyEvent>();
    if (TkwClassVariable *c = s->AddClass(TControl::StaticClass(), QStringLiteral("TComponent"))) {
        c->AddMethod(QStringLiteral("procedure Hide"), call);
        c->AddMethod(QStringLiteral("procedure Show"), call);
        c->AddMethod(QStringLiteral("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)"), call);
        c->AddProperty(QStringLiteral("Parent"), QStringLiteral("TWinControl"), get, set);
        c->AddEvent(QStringLiteral("OnCanResize"), kwEventClassOf<TkwCanResizeEvent>());
        c->AddEvent(QStringLiteral("OnClick"), notify);
        c->AddEvent(QStringLiteral("OnDblClick"), notify);
        c->AddEvent(QStringLiteral("OnMouseDown"), kwEventClassOf<TkwMouseEvent>());
        c->AddEvent(QStringLiteral("OnMouseMove"), kwEventClassOf<TkwMouseMoveEvent>());
        c->AddEvent(QStringLiteral("OnMouseUp"), kwEventClassOf<TkwMouseEvent>());
        c->AddEvent(QStringLiteral("OnResize"), notify);
    }
    if (TkwClassVariable *c = s->AddClass(TWinControl::StaticClass(), QStringLiteral("TControl"))) {
        c->AddMethod(QStringLiteral("procedure SetFocus"), call);
        c->AddEvent(QStringLiteral("OnEnter"), notify);
        c->AddEvent(QStringLiteral("OnExit"), notify);
        c->AddEvent(QStringLiteral("OnKeyDown"), kwEventClassOf<TkwKeyEvent>());
        c->AddEvent(QStringLiteral("OnKeyPress"), kwEventClassOf<TkwKeyPressEvent>());
        c->AddEvent(QStringLiteral("OnKeyUp"), kwEventClassOf<TkwKeyEvent>());
    }
    const QString winControl = QStringLiteral("TWinControl");
    s->AddClass(TCustomControl::StaticClass(), winControl);
    s->AddClass(TGraphicControl::StaticClass(), QStringLiteral("TControl"));
    s->AddClass(TGroupBox::StaticClass(), winControl);
    s->AddClass(TLabel::StaticClass(), QStringLiteral("TControl"));
    s->AddClass(TEdit::StaticClass(), winControl);
    s->AddClass(TMemo::StaticClass(), winControl);
    if (TkwClassVariable *c = s->AddClass(TCustomComboBox::StaticClass(), winControl)) {
        c->AddProperty(QStringLiteral("DroppedDown"), QStringLiteral("Boolean"), get, set);
        c->AddProperty(QStringLiteral("ItemIndex"), integer, get, set);
        c->AddEvent(QStringLiteral("OnChange"), notify);
        c->AddEvent(QStringLiteral("OnDropDown"), notify);
        c->AddEvent(QStringLiteral("OnCloseUp"), notify);
    }
    s->AddClass(TComboBox::StaticClass(), QStringLiteral("TCustomComboBox"));
    s->AddClass(TButton::StaticClass(), winControl);
    s->AddClass(TCheckBox::StaticClass(), winControl);
    s->AddClass(TRadioButton::StaticClass(), winControl);
    if (TkwClassVariable *c = s->AddClass(TCustomListBox::StaticClass(), winControl)) {
        c->AddProperty(QStringLiteral("ItemIndex"), integer, get, set);
        c->AddProperty(QStringLiteral("SelCount"), integer, get);
        c->AddIndexProperty(QStringLiteral("Selected"), integer, QStringLiteral("Boolean"), call);
    }
    s->AddClass(TListBox::StaticClass(), QStringLiteral("TCustomListBox"));
    s->AddClass(TControlScrollBar::StaticClass(), QStringLiteral("TPersistent"));
    s->AddClass(TScrollingWinControl::StaticClass(), winControl);
    s->AddClass(TScrollBox::StaticClass(), QStringLiteral("TScrollingWinControl"));
    if (TkwClassVariable *c = s->AddClass(TCustomForm::StaticClass(), QStringLiteral("TScrollingWinControl"))) {
        c->AddMethod(QStringLiteral("procedure Close"), call);
        c->AddMethod(QStringLiteral("procedure Hide"), call);
        c->AddMethod(QStringLiteral("procedure Show"), call);
        c->AddMethod(QStringLiteral("function ShowModal: Integer"), call);
        c->AddProperty(QStringLiteral("Canvas"), QStringLiteral("TCanvas"), get);
        c->AddProperty(QStringLiteral("ModalResult"), integer, get, set);
        c->AddEvent(QStringLiteral("OnActivate"), notify);
        c->AddEvent(QStringLiteral("OnClose"), kwEventClassOf<TkwCloseEvent>());
        c->AddEvent(QStringLiteral("OnCloseQuery"), kwEventClassOf<TkwCloseQueryEvent>());
        c->AddEvent(QStringLiteral("OnCreate"), notify);
        c->AddEvent(QStringLiteral("OnDestroy"), notify);
        c->AddEvent(QStringLiteral("OnDeactivate"), notify);
        c->AddEvent(QStringLiteral("OnHide"), notify);
        c->AddEvent(QStringLiteral("OnPaint"), notify);
        c->AddEvent(QStringLiteral("OnShow"), notify);
    }
    s->AddClass(TForm::StaticClass(), QStringLiteral("TCustomForm"));
    s->AddClass(TDataModule::StaticClass(), QStringLiteral("TComponent"));
    if (TkwClassVariable *c = s->AddClass(TApplication::StaticClass(), QStringLiteral("TComponent"))) {
        c->AddMethod(QStringLiteral("procedure Minimize"), call);
        c->AddMethod(QStringLiteral("procedure ProcessMessages"), call);
        c->AddMethod(QStringLiteral("procedure Restore"), call);
        c->AddProperty(QStringLiteral("ExeName"), QStringLiteral("String"), get);
    }

    // 5. The application object.
    s->AddObject(QStringLiteral("Application"), GetApplication());
}

Variant TFunctions::CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName,
                               TkwMethodHelper *Caller)
{
    Variant r(0);
    const QString &m = MethodName;
    auto is = [&m](const char *Name) { return m == QLatin1String(Name); };
    auto i = [Caller](int I) { return Caller->GetParam(I).AsInteger(); };

    if (ClassType == TControl::StaticClass()) {
        auto *c = static_cast<TControl *>(Instance);
        if (is("HIDE"))
            c->Hide();
        else if (is("SHOW"))
            c->Show();
        else if (is("SETBOUNDS"))
            c->SetBounds(i(0), i(1), i(2), i(3));
    } else if (ClassType == TWinControl::StaticClass()) {
        if (is("SETFOCUS"))
            static_cast<TWinControl *>(Instance)->SetFocus();
    } else if (ClassType == TCustomListBox::StaticClass()) {
        auto *l = static_cast<TCustomListBox *>(Instance);
        if (is("SELECTED.GET"))
            r = Variant(l->Selected(i(0)));
        else if (is("SELECTED.SET"))
            l->SetSelected(i(0), Caller->GetParam(1).AsBoolean());
    } else if (ClassType == TCustomForm::StaticClass()) {
        auto *f = static_cast<TCustomForm *>(Instance);
        if (is("CLOSE"))
            f->Close();
        else if (is("HIDE"))
            f->Hide();
        else if (is("SHOW"))
            f->Show();
        else if (is("SHOWMODAL"))
            r = Variant(f->ShowModal());
    } else if (ClassType == TApplication::StaticClass()) {
        auto *a = static_cast<TApplication *>(Instance);
        if (is("MINIMIZE"))
            a->Minimize();
        else if (is("PROCESSMESSAGES"))
            a->ProcessMessages();
        else if (is("RESTORE"))
            a->Restore();
    }
    return r;
}

Variant TFunctions::GetProp(TObject *Instance, TClass ClassType, const QString &PropName)
{
    Variant r(0);
    const QString &n = PropName;
    auto is = [&n](const char *Name) { return n == QLatin1String(Name); };
    if (ClassType == TControl::StaticClass()) {
        if (is("PARENT"))
            r = kwObjectToVar(static_cast<TControl *>(Instance)->Parent());
    } else if (ClassType == TCustomComboBox::StaticClass()) {
        auto *c = static_cast<TCustomComboBox *>(Instance);
        if (is("DROPPEDDOWN"))
            r = Variant(c->DroppedDown());
        else if (is("ITEMINDEX"))
            r = Variant(c->ItemIndex());
    } else if (ClassType == TCustomListBox::StaticClass()) {
        auto *l = static_cast<TCustomListBox *>(Instance);
        if (is("SELCOUNT"))
            r = Variant(l->SelCount());
        else if (is("ITEMINDEX"))
            r = Variant(l->ItemIndex());
    } else if (ClassType == TCustomForm::StaticClass()) {
        auto *f = static_cast<TCustomForm *>(Instance);
        if (is("MODALRESULT"))
            r = Variant(f->ModalResult());
        else if (is("CANVAS"))
            r = kwObjectToVar(f->Canvas(), f);
    } else if (ClassType == TApplication::StaticClass()) {
        if (is("EXENAME"))
            r = Variant(static_cast<TApplication *>(Instance)->ExeName());
    }
    return r;
}

void TFunctions::SetProp(TObject *Instance, TClass ClassType, const QString &PropName, const Variant &Value)
{
    const QString &n = PropName;
    auto is = [&n](const char *Name) { return n == QLatin1String(Name); };
    if (ClassType == TControl::StaticClass()) {
        if (is("PARENT"))
            static_cast<TControl *>(Instance)->SetParent(kwVarAs<TWinControl>(Value));
    } else if (ClassType == TCustomComboBox::StaticClass()) {
        auto *c = static_cast<TCustomComboBox *>(Instance);
        if (is("DROPPEDDOWN"))
            c->SetDroppedDown(Value.AsBoolean());
        else if (is("ITEMINDEX"))
            c->SetItemIndex(Value.AsInteger());
    } else if (ClassType == TCustomListBox::StaticClass()) {
        if (is("ITEMINDEX"))
            static_cast<TCustomListBox *>(Instance)->SetItemIndex(Value.AsInteger());
    } else if (ClassType == TCustomForm::StaticClass()) {
        if (is("MODALRESULT"))
            static_cast<TCustomForm *>(Instance)->SetModalResult(Value.AsInteger());
    }
}

} // namespace kw_iformsrtti

void kwRegisterFormsRTTI()
{
    kwAddRTTIModule(&kwNewModule<kw_iformsrtti::TFunctions>);
}

void kwUnregisterFormsRTTI()
{
    kwRemoveRTTIModule(&kwNewModule<kw_iformsrtti::TFunctions>);
}
