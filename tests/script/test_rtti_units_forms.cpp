// Scripts creating and driving forms and controls through the forms
// registration module, with events that run script procedures.
#include "FormHarness.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "kw_iclassesrtti.h"
#include "kw_iformsrtti.h"
#include "kw_igraphicsrtti.h"
#include "test_rtti_units_support.h"
#include <QCoreApplication>

namespace {

struct TFormsHost : TRttiHost
{
    TFormsHost()
    {
        AddModule<kw_iclassesrtti::TFunctions>();
        AddModule<kw_igraphicsrtti::TFunctions>();
        AddModule<kw_iformsrtti::TFunctions>();
    }
    template<class T>
    T *Obj(const char *Name)
    {
        return dynamic_cast<T *>(Value(QString::fromLatin1(Name)).AsObject());
    }
};

} // namespace

TEST(RttiForms, Constants)
{
    TFormsHost h;
    const std::pair<const char *, int> table[] = {
        {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrIgnore", 5}, {"mrYesToAll", 10}, {"crDefault", 0},
        {"crNone", -1}, {"crIBeam", -4}, {"crSize", -22}, {"crSizeAll", -22}, {"crSizeNESW", -6},
        {"crHandPoint", -21}, {"bsNone", 0}, {"bsDialog", 3}, {"bsSizeToolWin", 5}, {"VK_RBUTTON", 2},
        {"VK_RETURN", 13}, {"VK_ESCAPE", 27}, {"VK_APPS", 93}, {"VK_NUMPAD0", 96}, {"VK_NUMPAD9", 105},
        {"VK_MULTIPLY", 106}, {"VK_DIVIDE", 111}, {"VK_F1", 112}, {"VK_F12", 123}, {"VK_NUMLOCK", 144},
        {"VK_SCROLL", 145}, {"taLeftJustify", 0}, {"taCenter", 2}, {"ssShift", 1}, {"ssDouble", 64},
        {"alClient", 5}, {"mbMiddle", 2}, {"akBottom", 8}, {"bvSpace", 3}, {"tlBottom", 2}, {"ecLowerCase", 2},
        {"ssBoth", 3}, {"csOwnerDrawVariable", 4}, {"cbGrayed", 2}, {"lbOwnerDrawVariable", 2},
        {"wsMaximized", 2}, {"fsStayOnTop", 3}, {"biHelp", 8}, {"poDesktopCenter", 5}, {"caMinimize", 3}};
    for (const auto &[name, value] : table) {
        TkwCustomVariable *v = h.S.Find(QString::fromLatin1(name));
        ASSERT_NE(v, nullptr) << name;
        EXPECT_EQ(v->GetValue().AsInteger(), value) << name;
    }
    for (const char *t : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"}) {
        TkwCustomVariable *v = h.S.Find(QString::fromLatin1(t));
        ASSERT_NE(v, nullptr) << t;
        EXPECT_EQ(v->Typ(), fvtInt) << t;
    }
    EXPECT_EQ(h.S.Find(QStringLiteral("VK_LBUTTON")), nullptr);
    EXPECT_FALSE(h.Compile(QStringLiteral("PascalScript"), QStringLiteral("begin Log(VK_LBUTTON) end.")));
    EXPECT_EQ(h.S.ErrorMessage(), QStringLiteral("Undeclared identifier: 'VK_LBUTTON'"));

    for (const char *cls : {"TControl", "TWinControl", "TCustomControl", "TGraphicControl", "TGroupBox", "TLabel",
                            "TEdit", "TMemo", "TCustomComboBox", "TComboBox", "TButton", "TCheckBox",
                            "TRadioButton", "TCustomListBox", "TListBox", "TControlScrollBar",
                            "TScrollingWinControl", "TScrollBox", "TCustomForm", "TForm", "TDataModule",
                            "TApplication"})
        EXPECT_NE(h.S.FindClass(QString::fromLatin1(cls)), nullptr) << cls;
    EXPECT_EQ(h.S.FindClass(QStringLiteral("TButton"))->Ancestor(), QStringLiteral("TWinControl"));
    EXPECT_EQ(h.S.FindClass(QStringLiteral("TLabel"))->Ancestor(), QStringLiteral("TControl"));
}

TEST(RttiForms, ScriptBuildsAFormAndHandlesAClick)
{
    TFormsHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var F: TForm; B: TButton; E: TEdit; L: TLabel; Clicks: Integer;\r\n"
        "procedure ButtonClick(Sender: Variant);\r\n"
        "begin\r\n"
        "  Clicks := Clicks + 1;\r\n"
        "  E.Text := 'clicked ' + IntToStr(Clicks);\r\n"
        "  Log(Sender.Caption);\r\n"
        "end;\r\n"
        "begin\r\n"
        "  F := TForm.Create(nil); F.Caption := 'Script form'; F.SetBounds(10, 10, 300, 200);\r\n"
        "  B := TButton.Create(F); B.Parent := F; B.Caption := 'Go'; B.SetBounds(10, 10, 80, 30);\r\n"
        "  E := TEdit.Create(F); E.Parent := F; E.Top := 60;\r\n"
        "  L := TLabel.Create(F); L.Parent := F; L.Caption := 'label'; L.Hide; Log(L.Visible); L.Show;\r\n"
        "  B.OnClick := @ButtonClick;\r\n"
        "  Log(B.Parent.ClassName); Log(B.Width); Log(F.Caption);\r\n"
        "end.").replace(QLatin1String("IntToStr(Clicks)"), QLatin1String("'x'"))),
        QStringLiteral("False|TForm|80|Script form"));
    auto *f = h.Obj<TForm>("F");
    auto *b = h.Obj<TButton>("B");
    ASSERT_NE(f, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(FormHarness::ShowAndActivate(f));
    FormHarness::Click(b);
    FormHarness::Click(b);
    EXPECT_EQ(h.Value(QStringLiteral("Clicks")).AsInteger(), 2);
    EXPECT_EQ(h.Obj<TEdit>("E")->Text(), QStringLiteral("clicked x"));
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("False|TForm|80|Script form|Go|Go"));
    f->Free();
}

TEST(RttiForms, ModalResultSetInAClickEndsShowModal)
{
    TFormsHost h;
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 120);
    auto *ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetBounds(10, 10, 80, 30);
    h.S.AddObject(QStringLiteral("Form1"), &form);
    h.S.AddObject(QStringLiteral("Button1"), ok);
    FormHarness::Later([ok] { FormHarness::Click(ok); });
    EXPECT_EQ(h.Pas(QStringLiteral(
        "procedure OkClick(Sender: Variant);\r\n"
        "begin\r\n"
        "  Form1.ModalResult := mrOk;\r\n"
        "end;\r\n"
        "begin\r\n"
        "  Button1.OnClick := @OkClick;\r\n"
        "  Log(Form1.ShowModal); Log(Form1.ModalResult);\r\n"
        "end.")),
        QStringLiteral("1|1"));
    EXPECT_FALSE(form.Visible());
}

TEST(RttiForms, CloseQueryAndCloseHandlers)
{
    TFormsHost h;
    TForm form(nullptr);
    h.S.AddObject(QStringLiteral("Form1"), &form);
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var Allow: Boolean; Closed: Integer;\r\n"
        "procedure FormCloseQuery(Sender: TObject; var CanClose: Boolean);\r\n"
        "begin\r\n"
        "  CanClose := Allow;\r\n"
        "end;\r\n"
        "procedure FormClose(Sender: TObject; var Action: TCloseAction);\r\n"
        "begin\r\n"
        "  Closed := Closed + 1; Log(Action); Action := caHide;\r\n"
        "end;\r\n"
        "begin\r\n"
        "  Form1.OnCloseQuery := @FormCloseQuery;\r\n"
        "  Form1.OnClose := @FormClose;\r\n"
        "  Form1.Show;\r\n"
        "  Form1.Close;\r\n"
        "  Log(Form1.Visible);\r\n"
        "end.")),
        QStringLiteral("True"));
    EXPECT_TRUE(form.Visible());
    h.S.SetVariable(QStringLiteral("Allow"), Variant(true));
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(h.Value(QStringLiteral("Closed")).AsInteger(), 1);
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("True|1"));
}

TEST(RttiForms, KeyEventsChangeWhatIsTyped)
{
    TFormsHost h;
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 120);
    auto *edit = new TEdit(&form);
    edit->SetParent(&form);
    h.S.AddObject(QStringLiteral("Edit1"), edit);
    EXPECT_EQ(h.Pas(QStringLiteral(
        "procedure EditKeyPress(Sender: TObject; var Key: Char);\r\n"
        "begin\r\n"
        "  if Key = 'a' then Key := 'b';\r\n"
        "  if Key = 'x' then Key := '';\r\n"
        "end;\r\n"
        "procedure EditKeyDown(Sender: TObject; var Key: Word; Shift: TShiftState);\r\n"
        "begin\r\n"
        "  Log(Key);\r\n"
        "end;\r\n"
        "begin\r\n"
        "  Edit1.OnKeyPress := @EditKeyPress;\r\n"
        "  Edit1.OnKeyDown := @EditKeyDown;\r\n"
        "end.")),
        QString());
    ASSERT_TRUE(FormHarness::ShowAndActivate(&form));
    ASSERT_TRUE(FormHarness::Focus(edit));
    FormHarness::Type(QStringLiteral("cax"));
    EXPECT_EQ(edit->Text(), QStringLiteral("cb"));
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("67|65|88"));
}

TEST(RttiForms, MouseEventsAndClearingAHandler)
{
    TFormsHost h;
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 120);
    auto *button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 80, 30);
    h.S.AddObject(QStringLiteral("Button1"), button);
    EXPECT_EQ(h.Pas(QStringLiteral(
        "procedure Down(Sender: TObject; Button: TMouseButton; Shift: TShiftState; X, Y: Integer);\r\n"
        "begin Log('down'); Log(Button); Log(X); Log(Y) end;\r\n"
        "procedure Up(Sender: TObject; Button: TMouseButton; Shift: TShiftState; X, Y: Integer);\r\n"
        "begin Log('up') end;\r\n"
        "procedure Clicked(Sender: TObject); begin Log('click') end;\r\n"
        "begin\r\n"
        "  Button1.OnMouseDown := @Down; Button1.OnMouseUp := @Up; Button1.OnClick := @Clicked;\r\n"
        "end.")),
        QString());
    ASSERT_TRUE(FormHarness::ShowAndActivate(&form));
    FormHarness::Click(button, TPoint{5, 6}, Qt::RightButton);
    FormHarness::Click(button, TPoint{7, 8});
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("down|1|5|6|up|down|0|7|8|click|up"));
    h.Out.clear();
    h.Pas(QStringLiteral("begin Button1.OnClick := nil end."));
    EXPECT_FALSE(button->OnClick().Assigned());
    FormHarness::Click(button);
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("down|0|40|15|up"));
}

TEST(RttiForms, ListsCombosApplicationAndCanvas)
{
    TFormsHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var F: TForm; LB: TListBox; CB: TComboBox; E: TEdit; Changes: Integer;\r\n"
        "procedure ComboChange(Sender: TObject); begin Changes := Changes + 1 end;\r\n"
        "begin\r\n"
        "  F := TForm.Create(nil); F.SetBounds(0, 0, 300, 200);\r\n"
        "  LB := TListBox.Create(F); LB.Parent := F;\r\n"
        "  LB.Items.Add('a'); LB.Items.Add('b'); LB.Items.Add('c');\r\n"
        "  LB.ItemIndex := 1; Log(LB.ItemIndex); Log(LB.Selected(1)); Log(LB.SelCount);\r\n"
        "  LB.MultiSelect := True; LB.Selected(0) := True; LB.Selected(2) := True; Log(LB.SelCount);\r\n"
        "  LB.Selected(0) := False; Log(LB.Selected(0));\r\n"
        "  CB := TComboBox.Create(F); CB.Parent := F; CB.Items.CommaText := 'x,y,z';\r\n"
        "  CB.OnChange := @ComboChange;\r\n"
        "  CB.ItemIndex := 2; Log(CB.ItemIndex); Log(CB.Text); Log(CB.DroppedDown);\r\n"
        "  E := TEdit.Create(F); E.Parent := F;\r\n"
        "  Log(Application.ExeName <> ''); Application.ProcessMessages;\r\n"
        "  Log(F.Canvas.ClassName);\r\n"
        "  E.Parent := nil; Log(E.Parent = nil);\r\n"
        "end.")),
        QStringLiteral("1|True|-1|3|False|2|z|False|True|TCanvas|True"));
    EXPECT_EQ(h.Obj<TEdit>("E")->Parent(), nullptr);
    EXPECT_EQ(h.Value(QStringLiteral("Changes")).AsInteger(), 0);
    EXPECT_EQ(GetApplication()->ExeName(), QCoreApplication::applicationFilePath());
    auto *f = h.Obj<TForm>("F");
    auto *e = h.Obj<TEdit>("E");
    e->SetParent(f);
    ASSERT_TRUE(FormHarness::ShowAndActivate(f));
    TFormsHost h2;
    h2.S.AddObject(QStringLiteral("Edit1"), e);
    EXPECT_EQ(h2.Pas(QStringLiteral("begin Edit1.SetFocus end.")), QString());
    FormHarness::ProcessEvents();
    EXPECT_EQ(f->ActiveControl(), e);
    f->Free();
}

TEST(RttiForms, ErrorsOfTheClassLibraryReachTheScript)
{
    TFormsHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var F: TForm; E: TEdit;\r\n"
        "begin\r\n"
        "  F := TForm.Create(nil); E := TEdit.Create(F); E.Parent := F;\r\n"
        "  try E.SetFocus except Log('focus') end;\r\n"
        "  F.Free;\r\n"
        "end.")),
        QStringLiteral("focus"));
}

TEST(RttiForms, ResizeShowAndFocusEvents)
{
    TFormsHost h;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto *a = new TEdit(&form);
    a->SetParent(&form);
    auto *b = new TEdit(&form);
    b->SetParent(&form);
    b->SetTop(40);
    auto *panel = new TButton(&form);
    panel->SetParent(&form);
    h.S.AddObject(QStringLiteral("Form1"), &form);
    a->SetName(QStringLiteral("EditA"));
    b->SetName(QStringLiteral("EditB"));
    h.S.AddObject(QStringLiteral("EditA"), a);
    h.S.AddObject(QStringLiteral("EditB"), b);
    h.S.AddObject(QStringLiteral("Button1"), panel);
    EXPECT_EQ(h.Pas(QStringLiteral(
        "procedure CanResize(Sender: TObject; var NewWidth, NewHeight: Integer; var Resize: Boolean);\r\n"
        "begin\r\n"
        "  if NewHeight > 100 then Resize := False else NewWidth := 200;\r\n"
        "end;\r\n"
        "procedure Resized(Sender: TObject); begin Log('resize') end;\r\n"
        "procedure Shown(Sender: TObject); begin Log('show') end;\r\n"
        "procedure Entered(Sender: Variant); begin Log('enter ' + Sender.Name) end;\r\n"
        "procedure Left(Sender: Variant); begin Log('exit ' + Sender.Name) end;\r\n"
        "begin\r\n"
        "  Button1.OnCanResize := @CanResize; Button1.OnResize := @Resized;\r\n"
        "  Button1.SetBounds(0, 100, 50, 30); Log(Button1.Width);\r\n"
        "  Button1.SetBounds(0, 100, 50, 300); Log(Button1.Height);\r\n"
        "  Form1.OnShow := @Shown;\r\n"
        "  EditB.OnEnter := @Entered; EditA.OnExit := @Left;\r\n"
        "end.")),
        QStringLiteral("resize|200|30"));
    h.Out.clear();
    ASSERT_TRUE(FormHarness::ShowAndActivate(&form));
    ASSERT_TRUE(FormHarness::Focus(a));
    ASSERT_TRUE(FormHarness::Focus(b));
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("show|exit EditA|enter EditB"));
}

TEST(RttiForms, IntegerTypedStylesAssignToPublishedProperties)
{
    TFormsHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var F: TForm; M: TMemo;\r\n"
        "begin\r\n"
        "  F := TForm.Create(nil); F.BorderStyle := bsDialog; F.Position := poScreenCenter;\r\n"
        "  M := TMemo.Create(F); M.Parent := F; M.Alignment := taCenter; M.Align := alClient;\r\n"
        "  M.ScrollBars := ssVertical; M.Lines.Add('one'); M.Cursor := crHandPoint;\r\n"
        "  Log(F.BorderStyle); Log(M.Alignment); Log(M.Align); Log(M.Lines.Count); Log(M.Cursor);\r\n"
        "  F.Free;\r\n"
        "end.")),
        QStringLiteral("3|2|5|1|-21"));
}
