// Controls: geometry and align layout, mouse events, parent font and colour,
// the standard controls' events, published properties by name.
#include "ExtCtrls.h"
#include "FormHarness.h"
#include "Forms.h"
#include "StdCtrls.h"
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace FormHarness;

namespace {

class TEvents : public TObject
{
public:
    QStringList Log;
    void Click(TObject *Sender) { Log << "Click " + static_cast<TComponent *>(Sender)->Name(); }
    void DblClick(TObject *Sender) { Log << "DblClick " + static_cast<TComponent *>(Sender)->Name(); }
    void Change(TObject *Sender) { Log << "Change " + static_cast<TComponent *>(Sender)->Name(); }
    void Resize(TObject *Sender) { Log << "Resize " + static_cast<TComponent *>(Sender)->Name(); }
    void MouseDown(TObject *, TMouseButton Button, TShiftState Shift, int X, int Y)
    {
        Log << QStringLiteral("Down %1 %2 %3,%4").arg(int(Button)).arg(Shift.ToInt()).arg(X).arg(Y);
    }
    void MouseUp(TObject *, TMouseButton Button, TShiftState Shift, int X, int Y)
    {
        Log << QStringLiteral("Up %1 %2 %3,%4").arg(int(Button)).arg(Shift.ToInt()).arg(X).arg(Y);
    }
    void CanResize(TObject *, int &NewWidth, int &, bool &Resize)
    {
        if (NewWidth > 500)
            NewWidth = 500;
        Resize = NewWidth >= 10;
    }
};

TPanel *NewPanel(TWinControl *Parent, const QString &Name, TAlign Align, int L, int T, int W, int H)
{
    auto *p = new TPanel(Parent);
    p->SetName(Name);
    p->SetBounds(L, T, W, H);
    p->SetAlign(Align);
    p->SetParent(Parent);
    return p;
}

} // namespace

TEST(Controls, AlignLayoutFollowsTheClassLibraryOrderAndResizes)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    // As while a stored form loads: the layout waits until all are there.
    form.DisableAlign();
    TPanel *client = NewPanel(&form, "Client", alClient, 0, 0, 10, 10);
    TPanel *top2 = NewPanel(&form, "Top2", alTop, 0, 50, 10, 30);
    TPanel *top1 = NewPanel(&form, "Top1", alTop, 0, 5, 10, 20);
    TPanel *bottom = NewPanel(&form, "Bottom", alBottom, 0, 0, 10, 25);
    TPanel *left = NewPanel(&form, "Left", alLeft, 0, 0, 40, 10);
    TPanel *right = NewPanel(&form, "Right", alRight, 0, 0, 60, 10);
    form.EnableAlign();

    // Tops by their Top, then bottoms, lefts, rights, and the client gets the rest.
    EXPECT_EQ(top1->BoundsRect(), Rect(0, 0, 400, 20));
    EXPECT_EQ(top2->BoundsRect(), Rect(0, 20, 400, 50));
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 275, 400, 300));
    EXPECT_EQ(left->BoundsRect(), Rect(0, 50, 40, 275));
    EXPECT_EQ(right->BoundsRect(), Rect(340, 50, 400, 275));
    EXPECT_EQ(client->BoundsRect(), Rect(40, 50, 340, 275));

    // A resize of the form lays them out again.
    form.SetClientWidth(600);
    form.SetClientHeight(400);
    EXPECT_EQ(top1->BoundsRect(), Rect(0, 0, 600, 20));
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 375, 600, 400));
    EXPECT_EQ(right->BoundsRect(), Rect(540, 50, 600, 375));
    EXPECT_EQ(client->BoundsRect(), Rect(40, 50, 540, 375));

    // A hidden control gives its place up; a new height is kept.
    top2->SetVisible(false);
    EXPECT_EQ(left->BoundsRect(), Rect(0, 20, 40, 375));
    top1->SetHeight(35);
    EXPECT_EQ(top1->BoundsRect(), Rect(0, 0, 600, 35));
    EXPECT_EQ(client->BoundsRect(), Rect(40, 35, 540, 375));

    // A control aligned later goes first among equals (Top 0 here), or
    // after those above its Top.
    TPanel *top3 = NewPanel(&form, "Top3", alTop, 0, 0, 10, 5);
    EXPECT_EQ(top3->BoundsRect(), Rect(0, 0, 600, 5));
    EXPECT_EQ(top1->BoundsRect(), Rect(0, 5, 600, 40));
    top3->SetTop(100);
    EXPECT_EQ(top1->BoundsRect(), Rect(0, 0, 600, 35));
    EXPECT_EQ(top3->BoundsRect(), Rect(0, 35, 600, 40));
    top3->SetVisible(false);

    // Inside a panel: the bevel and border are outside the client area left for children.
    client->SetBorderWidth(3);
    TPanel *inner = NewPanel(client, "Inner", alClient, 0, 0, 5, 5);
    EXPECT_EQ(inner->BoundsRect(), Rect(4, 4, 496, 336));

    // The same after the widgets show: the Qt geometry is the control's.
    ASSERT_TRUE(ShowAndActivate(&form));
    EXPECT_EQ(client->Widget()->geometry(), QRect(40, 35, 500, 340));
    EXPECT_EQ(form.ClientWidth(), 600);
}

TEST(Controls, AnchorsKeepDistancesToTheParentsEdges)
{
    TForm form(nullptr);
    form.SetClientWidth(400);
    form.SetClientHeight(300);
    TPanel *fixed = NewPanel(&form, "Fixed", alNone, 10, 10, 50, 20);
    TPanel *right = NewPanel(&form, "RightBottom", alNone, 300, 250, 80, 30);
    right->SetAnchors(TAnchors{akRight, akBottom});
    TPanel *stretch = NewPanel(&form, "Stretch", alNone, 10, 40, 380, 100);
    stretch->SetAnchors(TAnchors{akLeft, akTop, akRight, akBottom});
    TPanel *centre = NewPanel(&form, "Centre", alNone, 150, 140, 100, 20);
    centre->SetAnchors(TAnchors{});
    TPanel *top = NewPanel(&form, "Top", alTop, 0, 0, 10, 30);
    EXPECT_EQ(top->Height(), 30);

    form.SetClientWidth(600);
    form.SetClientHeight(400);
    EXPECT_EQ(fixed->BoundsRect(), Rect(10, 10, 60, 30));
    EXPECT_EQ(right->BoundsRect(), Rect(500, 350, 580, 380));
    EXPECT_EQ(stretch->BoundsRect(), Rect(10, 40, 590, 240));
    // The centre stays in proportion: 200 of 400 becomes 300 of 600.
    EXPECT_EQ(centre->BoundsRect(), Rect(250, 190, 350, 210));

    // Bounds set by the program become the new base; shrinking never gives
    // a negative size.
    right->SetLeft(100);
    form.SetClientWidth(500);
    EXPECT_EQ(right->Left(), 0);
    form.SetClientWidth(10);
    EXPECT_EQ(stretch->Width(), 0);
    form.SetClientWidth(600);
    EXPECT_EQ(stretch->BoundsRect(), Rect(10, 40, 590, 240));

    // Published with the class library's default.
    PPropInfo info = GetPropInfo(right, QStringLiteral("Anchors"));
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(IsDefaultOrdProp(fixed, info));
    EXPECT_FALSE(IsDefaultOrdProp(right, info));
    EXPECT_EQ(GetSetProp(right, info), QStringLiteral("akRight,akBottom"));
}

TEST(Controls, GeometryResizeEventsAndCanResize)
{
    TEvents ev;
    TForm form(nullptr);
    TPanel *p = NewPanel(&form, "P", alNone, 10, 20, 100, 50);
    p->SetOnResize(TNotifyEvent(&ev, &TEvents::Resize));
    p->SetLeft(15);
    EXPECT_TRUE(ev.Log.isEmpty());
    p->SetWidth(120);
    EXPECT_EQ(ev.Log, QStringList({"Resize P"}));
    EXPECT_EQ(p->BoundsRect(), Rect(15, 20, 135, 70));
    EXPECT_EQ(p->ClientRect(), Rect(0, 0, 120, 50));
    p->SetOnCanResize(TCanResizeEvent(&ev, &TEvents::CanResize));
    p->SetWidth(900);
    EXPECT_EQ(p->Width(), 500);
    p->SetWidth(5);
    EXPECT_EQ(p->Width(), 500);

    // Reparenting keeps the bounds relative to the new parent.
    TPanel *q = NewPanel(&form, "Q", alNone, 200, 0, 100, 100);
    p->SetParent(q);
    EXPECT_EQ(p->Parent(), q);
    EXPECT_EQ(q->ControlCount(), 1);
    EXPECT_EQ(form.ControlCount(), 1);
    EXPECT_EQ(p->Widget()->parentWidget(), q->Widget());
    EXPECT_THROW(q->SetParent(static_cast<TWinControl *>(p)), EInvalidOperation);
}

TEST(Controls, MouseEventsCarryButtonShiftAndClientPointAndClickComesBeforeMouseUp)
{
    TEvents ev;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    TPanel *p = NewPanel(&form, "P", alNone, 10, 10, 100, 50);
    p->SetOnClick(TNotifyEvent(&ev, &TEvents::Click));
    p->SetOnDblClick(TNotifyEvent(&ev, &TEvents::DblClick));
    p->SetOnMouseDown(TMouseEvent(&ev, &TEvents::MouseDown));
    p->SetOnMouseUp(TMouseEvent(&ev, &TEvents::MouseUp));
    ASSERT_TRUE(ShowAndActivate(&form));

    Click(p, Point(7, 9));
    EXPECT_EQ(ev.Log, QStringList({"Down 0 8 7,9", "Click P", "Up 0 0 7,9"}));
    ev.Log.clear();
    Click(p, Point(3, 4), Qt::RightButton, Qt::ShiftModifier);
    EXPECT_EQ(ev.Log, QStringList({"Down 1 17 3,4", "Up 1 1 3,4"}));
    ev.Log.clear();
    // Released outside: no click.
    MouseDown(p, Point(5, 5));
    MouseUp(p, Point(150, 5));
    EXPECT_EQ(ev.Log, QStringList({"Down 0 8 5,5", "Up 0 0 150,5"}));
    ev.Log.clear();
    DblClick(p, Point(5, 5));
    EXPECT_TRUE(ev.Log.contains("DblClick P"));
    EXPECT_TRUE(ev.Log.contains("Down 0 72 5,5")); // ssLeft + ssDouble
}

TEST(Controls, ParentFontAndParentColorFollowTheParent)
{
    TForm form(nullptr);
    form.Font()->SetName(QStringLiteral("Tahoma"));
    form.Font()->SetSize(14);
    auto *label = new TLabel(&form);
    label->SetParent(&form);
    EXPECT_TRUE(label->ParentFont());
    EXPECT_EQ(label->Font()->Size(), 14);
    EXPECT_EQ(label->Color(), clBtnFace);
    form.SetColor(clRed);
    EXPECT_EQ(label->Color(), clRed);
    form.Font()->SetSize(20);
    EXPECT_EQ(label->Font()->Size(), 20);
    EXPECT_EQ(label->Widget()->font().pixelSize(), 27);
    // A font of its own ends the inheritance.
    label->Font()->SetSize(9);
    EXPECT_FALSE(label->ParentFont());
    form.Font()->SetSize(30);
    EXPECT_EQ(label->Font()->Size(), 9);
    label->SetColor(clYellow);
    EXPECT_FALSE(label->ParentColor());
    form.SetColor(clBlue);
    EXPECT_EQ(label->Color(), clYellow);
}

TEST(Controls, EditChangeSelectionMaxLengthAndPasswordChar)
{
    TEvents ev;
    TForm form(nullptr);
    auto *edit = new TEdit(&form);
    edit->SetName(QStringLiteral("E"));
    edit->SetParent(&form);
    edit->SetOnChange(TNotifyEvent(&ev, &TEvents::Change));
    edit->SetText(QStringLiteral("填写帐号"));
    EXPECT_EQ(ev.Log, QStringList({"Change E"}));
    edit->SetText(QStringLiteral("填写帐号"));
    EXPECT_EQ(ev.Log.size(), 1);
    edit->SelectAll();
    EXPECT_EQ(edit->SelStart(), 0);
    EXPECT_EQ(edit->SelLength(), 4);
    EXPECT_EQ(edit->SelText(), QStringLiteral("填写帐号"));

    ASSERT_TRUE(ShowAndActivate(&form));
    ASSERT_TRUE(Focus(edit));
    edit->SelectAll();
    Type(QStringLiteral("12345"));
    EXPECT_EQ(edit->Text(), "12345");
    edit->SetMaxLength(3);
    edit->Clear();
    Type(QStringLiteral("98765"));
    EXPECT_EQ(edit->Text(), "987");

    edit->SetReadOnly(true);
    Type(QStringLiteral("x"));
    EXPECT_EQ(edit->Text(), "987");

    edit->SetPasswordChar(QLatin1Char('*'));
    EXPECT_EQ(static_cast<QLineEdit *>(edit->Widget())->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit->Text(), "987");
    edit->SetPasswordChar(QChar());
    EXPECT_EQ(static_cast<QLineEdit *>(edit->Widget())->echoMode(), QLineEdit::Normal);
}

TEST(Controls, CheckBoxAndRadioButtonClicksFollowTheirState)
{
    TEvents ev;
    TForm form(nullptr);
    auto *box = new TCheckBox(&form);
    box->SetName(QStringLiteral("Box"));
    box->SetParent(&form);
    box->SetOnClick(TNotifyEvent(&ev, &TEvents::Click));
    box->SetChecked(true);
    EXPECT_EQ(ev.Log, QStringList({"Click Box"}));
    box->SetChecked(true);
    EXPECT_EQ(ev.Log.size(), 1);

    auto *same = new TRadioButton(&form);
    same->SetName(QStringLiteral("SameBang"));
    same->SetParent(&form);
    same->SetTop(30);
    auto *different = new TRadioButton(&form);
    different->SetName(QStringLiteral("DifferentBang"));
    different->SetParent(&form);
    different->SetTop(60);
    same->SetOnClick(TNotifyEvent(&ev, &TEvents::Click));
    different->SetOnClick(TNotifyEvent(&ev, &TEvents::Click));
    different->SetChecked(true);
    EXPECT_TRUE(different->Checked());
    ASSERT_TRUE(ShowAndActivate(&form));
    ev.Log.clear();
    Click(same, Point(5, 8));
    EXPECT_TRUE(same->Checked());
    EXPECT_FALSE(different->Checked());
    EXPECT_EQ(ev.Log, QStringList({"Click SameBang"}));
    // Clicking the checked one changes nothing.
    Click(same, Point(5, 8));
    EXPECT_TRUE(same->Checked());
    EXPECT_EQ(ev.Log.size(), 1);
    // The user's click on the check box toggles it.
    Click(box, Point(5, 8));
    EXPECT_FALSE(box->Checked());
    box->SetAllowGrayed(true);
    Click(box, Point(5, 8));
    EXPECT_EQ(box->State(), cbGrayed);
    Click(box, Point(5, 8));
    EXPECT_EQ(box->State(), cbChecked);
}

TEST(Controls, ListBoxItemsObjectsAndClicks)
{
    TEvents ev;
    TForm form(nullptr);
    auto *list = new TListBox(&form);
    list->SetName(QStringLiteral("Keh_mc"));
    list->SetParent(&form);
    list->SetBounds(0, 0, 150, 200);
    list->SetOnClick(TNotifyEvent(&ev, &TEvents::Click));
    list->SetOnDblClick(TNotifyEvent(&ev, &TEvents::DblClick));
    list->Items()->AddObject(QStringLiteral("张三"), reinterpret_cast<TObject *>(quintptr(12)));
    list->Items()->AddObject(QStringLiteral("李四"), reinterpret_cast<TObject *>(quintptr(15)));
    list->Items()->Add(QStringLiteral("王五"));
    EXPECT_EQ(list->Items()->Count(), 3);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(reinterpret_cast<quintptr>(list->Items()->Objects(1)), 15u);
    EXPECT_EQ(list->Items()->Objects(2), nullptr);
    EXPECT_EQ(list->Items()->IndexOf(QStringLiteral("王五")), 2);
    EXPECT_THROW(list->Items()->Strings(3), EStringListError);
    list->SetItemIndex(1);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_TRUE(ev.Log.isEmpty()); // setting it from code is no click

    ASSERT_TRUE(ShowAndActivate(&form));
    const TRect r = list->ItemRect(2);
    Click(list, Point(r.Left + 5, r.Top + 3));
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_EQ(ev.Log, QStringList({"Click Keh_mc"}));
    ev.Log.clear();
    DblClick(list, Point(r.Left + 5, r.Top + 3));
    EXPECT_TRUE(ev.Log.contains("DblClick Keh_mc"));
    ev.Log.clear();
    Key(Qt::Key_Up);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(ev.Log, QStringList({"Click Keh_mc"}));

    list->Items()->Delete(0);
    EXPECT_EQ(list->Items()->Strings(0), QStringLiteral("李四"));
    list->Clear();
    EXPECT_EQ(list->Items()->Count(), 0);
}

TEST(Controls, ComboBoxChangeComesFromTheUserOnly)
{
    TEvents ev;
    TForm form(nullptr);
    auto *combo = new TComboBox(&form);
    combo->SetName(QStringLiteral("Sell_Dh_Fenl"));
    combo->SetParent(&form);
    combo->SetStyle(csDropDownList);
    combo->SetOnChange(TNotifyEvent(&ev, &TEvents::Change));
    combo->Items()->Add(QStringLiteral("-客户分类不限-"));
    // The first item does not select itself.
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->Items()->AddObject(QStringLiteral("超市"), reinterpret_cast<TObject *>(quintptr(3)));
    combo->SetItemIndex(0);
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(combo->Text(), QStringLiteral("-客户分类不限-"));
    EXPECT_TRUE(ev.Log.isEmpty());
    EXPECT_EQ(reinterpret_cast<quintptr>(combo->Items()->Objects(1)), 3u);

    ASSERT_TRUE(ShowAndActivate(&form));
    ASSERT_TRUE(Focus(combo));
    Key(Qt::Key_Down);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(ev.Log, QStringList({"Change Sell_Dh_Fenl"}));

    // An editable combo: typing changes the text and fires OnChange.
    auto *edit = new TComboBox(&form);
    edit->SetName(QStringLiteral("Typed"));
    edit->SetParent(&form);
    edit->SetTop(40);
    edit->SetOnChange(TNotifyEvent(&ev, &TEvents::Change));
    edit->SetText(QStringLiteral("abc"));
    edit->Items()->Add(QStringLiteral("x"));
    EXPECT_EQ(edit->Text(), "abc");
    EXPECT_EQ(edit->ItemIndex(), -1);
    ev.Log.clear();
    ASSERT_TRUE(Focus(edit));
    Key(Qt::Key_End);
    Type(QStringLiteral("d"));
    EXPECT_EQ(edit->Text(), "abcd");
    EXPECT_EQ(ev.Log, QStringList({"Change Typed"}));
    edit->SetDropDownCount(5);
    EXPECT_EQ(static_cast<QComboBox *>(edit->Widget())->maxVisibleItems(), 5);
}

TEST(Controls, LabelSizesItselfToItsCaption)
{
    TForm form(nullptr);
    auto *label = new TLabel(&form);
    label->SetParent(&form);
    label->SetCaption(QStringLiteral("斤"));
    const int oneWidth = label->Width();
    EXPECT_GT(oneWidth, 5);
    label->SetCaption(QStringLiteral("斤斤斤斤"));
    EXPECT_GT(label->Width(), 3 * oneWidth);
    const int h = label->Height();
    label->Font()->SetSize(24);
    EXPECT_GT(label->Height(), h);
    // Without AutoSize the size stays.
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 10, 10);
    label->SetCaption(QStringLiteral("much longer caption"));
    EXPECT_EQ(label->Width(), 10);
    // Right-aligned autosizing keeps the right edge.
    auto *right = new TLabel(&form);
    right->SetParent(&form);
    right->SetAlignment(taRightJustify);
    right->SetBounds(100, 0, 50, 13);
    right->SetCaption(QStringLiteral("ab"));
    EXPECT_EQ(right->Left() + right->Width(), 150);
}

TEST(Controls, TimerRunsItsEventAndStops)
{
    TEvents ev;
    TTimer timer(nullptr);
    timer.SetName(QStringLiteral("Timer1"));
    timer.SetInterval(5);
    timer.SetOnTimer(TNotifyEvent(&ev, &TEvents::Click));
    // A loaded machine may be slow to deliver: wait for two ticks, not for a fixed time.
    EXPECT_TRUE(QTest::qWaitFor([&] { return ev.Log.size() >= 2; }, 30000));
    timer.SetEnabled(false);
    const auto n = ev.Log.size();
    QTest::qWait(30);
    EXPECT_EQ(ev.Log.size(), n);
}

TEST(Controls, SplitterResizesTheControlBeforeIt)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    TPanel *left = NewPanel(&form, "L", alLeft, 0, 0, 100, 10);
    auto *split = new TSplitter(&form);
    split->SetParent(&form);
    split->SetLeft(150);
    TPanel *client = NewPanel(&form, "C", alClient, 0, 0, 10, 10);
    EXPECT_EQ(split->Left(), 100);
    EXPECT_EQ(client->Left(), 103);
    ASSERT_TRUE(ShowAndActivate(&form));
    MouseDown(split, Point(1, 50));
    MouseMove(split, Point(41, 50));
    MouseUp(split, Point(41, 50));
    EXPECT_EQ(split->ResizedControl(), left);
    EXPECT_EQ(left->Width(), 140);
    EXPECT_EQ(client->Left(), 143);
    // Never narrower than MinSize.
    MouseDown(split, Point(1, 50));
    MouseMove(split, Point(-300, 50));
    MouseUp(split, Point(-300, 50));
    EXPECT_EQ(left->Width(), 30);
}

TEST(Controls, PublishedPropertiesAndEventsAreReachableByName)
{
    TEvents ev;
    TForm form(nullptr);
    form.SetName(QStringLiteral("Form1"));
    auto *edit = new TEdit(&form);
    edit->SetName(QStringLiteral("Edit1"));
    edit->SetParent(&form);
    auto *button = new TButton(&form);
    button->SetName(QStringLiteral("Button1"));
    button->SetParent(&form);

    SetStrProp(&form, u"Caption", QStringLiteral("配货"));
    EXPECT_EQ(form.Caption(), QStringLiteral("配货"));
    EXPECT_EQ(form.Widget()->windowTitle(), QStringLiteral("配货"));
    SetStrProp(edit, u"Text", QStringLiteral("13.5"));
    EXPECT_EQ(edit->Text(), "13.5");
    EXPECT_EQ(GetStrProp(edit, u"text"), "13.5");
    SetOrdProp(edit, u"Left", 33);
    EXPECT_EQ(edit->Left(), 33);
    SetEnumProp(&form, u"Position", QStringLiteral("poScreenCenter"));
    EXPECT_EQ(form.Position(), poScreenCenter);
    EXPECT_EQ(GetEnumProp(&form, u"BorderStyle"), "bsSizeable");
    SetStrProp(&form, u"Font.Name", QStringLiteral("Arial"));
    EXPECT_EQ(form.Font()->Name(), "Arial");
    EXPECT_EQ(GetSetProp(&form, u"BorderIcons"), "biSystemMenu,biMinimize,biMaximize");

    SetMethodProp(button, u"OnClick", TNotifyEvent(&ev, &TEvents::Click).Method());
    ASSERT_TRUE(ShowAndActivate(&form));
    Click(button);
    EXPECT_EQ(ev.Log, QStringList({"Click Button1"}));
    EXPECT_NE(GetPropInfo(&form, u"OnCloseQuery"), nullptr);
    EXPECT_NE(GetPropInfo(button, u"ModalResult"), nullptr);
    EXPECT_EQ(TButton::StaticClass()->ClassParent(), TButtonControl::StaticClass());
    EXPECT_TRUE(button->InheritsFrom(TWinControl::StaticClass()));
    EXPECT_EQ(button->ClassName(), "TButton");
}
