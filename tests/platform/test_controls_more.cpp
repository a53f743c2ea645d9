// Smaller rules of the controls, mostly table-driven: virtual-key codes,
// panel client areas, image placement, memo lines, list and combo sorting,
// edit character case, data modules, releasing a form from its own button.
#include "ExtCtrls.h"
#include "FormHarness.h"
#include "Forms.h"
#include "StdCtrls.h"
#include <gtest/gtest.h>
#include <QAbstractScrollArea>
#include <QPlainTextEdit>
#include <QScrollBar>

using namespace FormHarness;

TEST(ControlsMore, QtKeysMapToWindowsVirtualKeys)
{
    struct Case {
        int Key;
        Qt::KeyboardModifiers Mods;
        Word VK;
    };
    const Case cases[] = {
        {Qt::Key_A, Qt::NoModifier, 'A'},       {Qt::Key_Z, Qt::ShiftModifier, 'Z'},
        {Qt::Key_0, Qt::NoModifier, '0'},       {Qt::Key_5, Qt::KeypadModifier, VK_NUMPAD5},
        {Qt::Key_F1, Qt::NoModifier, VK_F1},    {Qt::Key_F12, Qt::NoModifier, VK_F12},
        {Qt::Key_Return, Qt::NoModifier, VK_RETURN}, {Qt::Key_Enter, Qt::KeypadModifier, VK_RETURN},
        {Qt::Key_Escape, Qt::NoModifier, VK_ESCAPE}, {Qt::Key_Backspace, Qt::NoModifier, VK_BACK},
        {Qt::Key_Tab, Qt::NoModifier, VK_TAB},  {Qt::Key_Backtab, Qt::ShiftModifier, VK_TAB},
        {Qt::Key_Up, Qt::NoModifier, VK_UP},    {Qt::Key_PageDown, Qt::NoModifier, VK_NEXT},
        {Qt::Key_Delete, Qt::NoModifier, VK_DELETE}, {Qt::Key_Period, Qt::NoModifier, VK_OEM_PERIOD},
        {Qt::Key_Period, Qt::KeypadModifier, VK_DECIMAL}, {Qt::Key_Minus, Qt::KeypadModifier, VK_SUBTRACT},
        {Qt::Key_Exclam, Qt::ShiftModifier, '1'}, {Qt::Key_Shift, Qt::ShiftModifier, VK_SHIFT},
        {Qt::Key_Control, Qt::ControlModifier, VK_CONTROL}, {Qt::Key_Alt, Qt::AltModifier, VK_MENU},
        {Qt::Key_unknown, Qt::NoModifier, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QtKeyToVirtualKey(c.Key, c.Mods), c.VK) << c.Key;
    const TShiftState s = QtToShiftState(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton | Qt::MiddleButton);
    EXPECT_EQ(s, (TShiftState{ssShift, ssCtrl, ssLeft, ssMiddle}));
    EXPECT_EQ(s.ToInt(), 0x01u | 0x04u | 0x08u | 0x20u);
}

TEST(ControlsMore, PanelClientAreaLeavesBevelsAndBorder)
{
    struct Case {
        TBevelCut Outer, Inner;
        int BevelWidth, BorderWidth;
        TBorderStyle Border;
        TRect Expected;
    };
    const Case cases[] = {
        {bvRaised, bvNone, 1, 0, bsNone, Rect(1, 1, 99, 49)},
        {bvNone, bvNone, 1, 0, bsNone, Rect(0, 0, 100, 50)},
        {bvRaised, bvLowered, 2, 0, bsNone, Rect(4, 4, 96, 46)},
        {bvLowered, bvNone, 1, 3, bsNone, Rect(4, 4, 96, 46)},
        {bvNone, bvNone, 1, 0, bsSingle, Rect(1, 1, 99, 49)},
    };
    for (const Case &c : cases) {
        TForm form(nullptr);
        auto *panel = new TPanel(&form);
        panel->SetParent(&form);
        panel->SetBounds(0, 0, 100, 50);
        panel->SetBevelOuter(c.Outer);
        panel->SetBevelInner(c.Inner);
        panel->SetBevelWidth(c.BevelWidth);
        panel->SetBorderWidth(c.BorderWidth);
        panel->SetBorderStyle(c.Border);
        auto *inner = new TPanel(&form);
        inner->SetParent(panel);
        inner->SetAlign(alClient);
        EXPECT_EQ(inner->BoundsRect(), c.Expected) << int(c.Outer) << int(c.Inner) << c.BevelWidth;
    }
}

TEST(ControlsMore, ImagePlacementByStretchProportionalAndCenter)
{
    struct Case {
        bool Stretch, Proportional, Center;
        int PicW, PicH;
        TRect Expected;
    };
    // The control is 100 x 50.
    const Case cases[] = {
        {false, false, false, 40, 20, Rect(0, 0, 40, 20)},
        {false, false, true, 40, 20, Rect(30, 15, 70, 35)},
        {true, false, false, 40, 20, Rect(0, 0, 100, 50)},
        {true, true, false, 40, 40, Rect(0, 0, 50, 50)},
        {true, true, true, 40, 40, Rect(25, 0, 75, 50)},
        {false, true, false, 200, 50, Rect(0, 0, 100, 25)},
        // Proportional alone never enlarges a small picture.
        {false, true, false, 20, 10, Rect(0, 0, 20, 10)},
    };
    for (const Case &c : cases) {
        TForm form(nullptr);
        auto *image = new TImage(&form);
        image->SetParent(&form);
        image->SetBounds(0, 0, 100, 50);
        TBitmap bmp;
        bmp.SetSize(c.PicW, c.PicH);
        image->Picture()->SetGraphic(&bmp);
        image->SetStretch(c.Stretch);
        image->SetProportional(c.Proportional);
        image->SetCenter(c.Center);
        EXPECT_EQ(image->DestRect(), c.Expected) << c.Stretch << c.Proportional << c.Center << c.PicW;
    }
    // AutoSize takes the picture's size; a JPEG cannot be drawn on.
    TForm form(nullptr);
    auto *image = new TImage(&form);
    image->SetAutoSize(true);
    TBitmap bmp;
    bmp.SetSize(33, 44);
    image->Picture()->SetGraphic(&bmp);
    EXPECT_EQ(image->Width(), 33);
    EXPECT_EQ(image->Height(), 44);
    TJPEGImage jpeg;
    image->Picture()->SetGraphic(&jpeg);
    EXPECT_THROW(image->Canvas(), EInvalidOperation);
}

TEST(ControlsMore, MemoLinesAndText)
{
    TForm form(nullptr);
    auto *memo = new TMemo(&form);
    memo->SetParent(&form);
    EXPECT_EQ(memo->Lines()->Count(), 0);
    memo->Lines()->Add(QStringLiteral("第一行"));
    memo->Lines()->Add(QStringLiteral("second"));
    EXPECT_EQ(memo->Text(), QStringLiteral("第一行\r\nsecond"));
    EXPECT_EQ(memo->Lines()->Count(), 2);
    memo->SetText(QStringLiteral("a\r\nb\r\n"));
    // The empty line after the last break is no line.
    EXPECT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(memo->Lines()->Strings(1), "b");
    memo->Lines()->Insert(0, QStringLiteral("z"));
    memo->Lines()->Delete(2);
    EXPECT_EQ(memo->Lines()->Strings(0), "z");
    EXPECT_EQ(memo->Lines()->Count(), 2);
    memo->Lines()->SetStrings(1, QStringLiteral("y"));
    EXPECT_EQ(memo->Text(), "z\r\ny");
    EXPECT_THROW(memo->Lines()->Strings(5), EStringListError);
    memo->Lines()->Clear();
    EXPECT_EQ(memo->Text(), "");
    memo->SetReadOnly(true);
    EXPECT_TRUE(static_cast<QPlainTextEdit *>(memo->Widget())->isReadOnly());
}

TEST(ControlsMore, SortedListsAndMultiSelection)
{
    TForm form(nullptr);
    auto *list = new TListBox(&form);
    list->SetParent(&form);
    list->SetSorted(true);
    for (const char *s : {"pear", "Apple", "banana", "apple"})
        list->Items()->Add(QString::fromLatin1(s));
    EXPECT_EQ(list->Items()->Strings(0).toLower(), "apple");
    EXPECT_EQ(list->Items()->Strings(2), "banana");
    EXPECT_EQ(list->Items()->Strings(3), "pear");
    EXPECT_EQ(list->SelCount(), -1);
    list->SetMultiSelect(true);
    list->SetSelected(1, true);
    list->SetSelected(3, true);
    EXPECT_EQ(list->SelCount(), 2);
    EXPECT_TRUE(list->Selected(3));
    EXPECT_FALSE(list->Selected(2));
    EXPECT_THROW(list->Selected(4), EStringListError);

    auto *combo = new TComboBox(&form);
    combo->SetParent(&form);
    combo->SetSorted(true);
    EXPECT_EQ(combo->Items()->Add(QStringLiteral("Small 1.0")), 0);
    EXPECT_EQ(combo->Items()->Add(QStringLiteral("large 3.5")), 0);
    EXPECT_EQ(combo->Items()->IndexOf(QStringLiteral("Small 1.0")), 1);
    combo->SetStyle(csDropDownList);
    combo->SetText(QStringLiteral("Small 1.0"));
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetText(QStringLiteral("none"));
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST(ControlsMore, EditCharCaseAppliesToWhatIsTyped)
{
    TForm form(nullptr);
    auto *edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetText(QStringLiteral("ab"));
    edit->SetCharCase(ecUpperCase);
    EXPECT_EQ(edit->Text(), "AB");
    ASSERT_TRUE(ShowAndActivate(&form));
    ASSERT_TRUE(Focus(edit));
    Key(Qt::Key_End);
    Type(QStringLiteral("cd"));
    EXPECT_EQ(edit->Text(), "ABCD");
}

namespace {
class TModule : public TDataModule
{
public:
    static QStringList Log;
    explicit TModule(TComponent *AOwner) : TDataModule(AOwner)
    {
        SetOnCreate(TNotifyEvent(this, &TModule::Created));
        SetOnDestroy(TNotifyEvent(this, &TModule::Destroyed));
    }
    void Created(TObject *) { Log << "Create"; }
    void Destroyed(TObject *) { Log << "Destroy"; }
};
QStringList TModule::Log;

class TSelfClosing : public TForm
{
public:
    explicit TSelfClosing(TComponent *AOwner) : TForm(AOwner)
    {
        Button = new TButton(this);
        Button->SetParent(this);
        Button->SetOnClick(TNotifyEvent(this, &TSelfClosing::ButtonClick));
    }
    // Freeing the form from its own button's event is what Release is for.
    void ButtonClick(TObject *) { Release(); }
    TButton *Button;
};
} // namespace

TEST(ControlsMore, DataModuleEventsAndReleaseFromOwnButton)
{
    TModule::Log.clear();
    TModule *module = nullptr;
    Application->CreateForm(module);
    EXPECT_EQ(TModule::Log, QStringList({"Create"}));
    // A data module is never the main form.
    EXPECT_EQ(Application->MainForm(), nullptr);
    // OnDestroy, a method of the module itself, runs while it is whole.
    module->BeforeDestruction();
    delete module;
    EXPECT_EQ(TModule::Log, QStringList({"Create", "Destroy"}));

    auto *form = new TSelfClosing(nullptr);
    ASSERT_TRUE(ShowAndActivate(form));
    Click(form->Button);
    ProcessEvents();
    EXPECT_FALSE(IsLiveControl(form));
}

TEST(ControlsMore, TerminateEndsAModalLoopWithCancel)
{
    TForm form(nullptr);
    Later([] { Application->Terminate(); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_FALSE(form.Visible());
    DoneApplication();
    EXPECT_FALSE(Application->Terminated());
}

TEST(ControlsMore, ScrollBoxRangeFollowsItsChildren)
{
    TForm form(nullptr);
    auto *box = new TScrollBox(&form);
    box->SetParent(&form);
    box->SetBounds(0, 0, 100, 80);
    auto *far = new TPanel(&form);
    far->SetParent(box);
    far->SetBounds(150, 200, 40, 40);
    EXPECT_EQ(far->Widget()->parentWidget()->size(), QSize(190, 240));
    box->ScrollInView(far);
    auto *client = new TPanel(&form);
    client->SetParent(box);
    client->SetAlign(alTop);
    EXPECT_EQ(client->Width(), box->ClientWidth());
}

TEST(ControlsMore, ScrollBarsOfAScrollBoxAndOfAForm)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 300);
    auto *box = new TScrollBox(&form);
    box->SetParent(&form);
    box->SetBounds(0, 0, 100, 80);
    auto *far = new TPanel(&form);
    far->SetParent(box);
    far->SetBounds(150, 200, 40, 40);
    QWidget *inner = far->Widget()->parentWidget();
    ASSERT_TRUE(ShowAndActivate(&form));

    // Margin adds to the children's extent; a range replaces it.
    box->VertScrollBar()->SetMargin(10);
    EXPECT_EQ(inner->size(), QSize(190, 250));
    box->HorzScrollBar()->SetRange(500);
    EXPECT_EQ(inner->width(), 500);
    // Positions are clamped to what can be scrolled.
    box->VertScrollBar()->SetPosition(30);
    EXPECT_EQ(box->VertScrollBar()->Position(), 30);
    box->VertScrollBar()->SetPosition(100000);
    EXPECT_EQ(box->VertScrollBar()->Position(), box->VertScrollBar()->ScrollRange());
    EXPECT_GT(box->VertScrollBar()->ScrollRange(), 150);
    box->VertScrollBar()->SetPosition(-5);
    EXPECT_EQ(box->VertScrollBar()->Position(), 0);
    // A hidden scroll bar does not scroll.
    box->HorzScrollBar()->SetVisible(false);
    ProcessEvents();
    EXPECT_FALSE(static_cast<QAbstractScrollArea *>(box->Widget())->horizontalScrollBar()->isVisible());

    // Reachable by name, and copied by assignment.
    EXPECT_EQ(GetOrdProp(box, QStringLiteral("VertScrollBar.Margin")), 10);
    form.HorzScrollBar()->Assign(box->HorzScrollBar());
    EXPECT_EQ(form.HorzScrollBar()->Range(), 500);
    EXPECT_FALSE(form.HorzScrollBar()->Visible());
    // A form does not scroll: the position is kept only.
    form.VertScrollBar()->SetPosition(40);
    EXPECT_EQ(form.VertScrollBar()->Position(), 40);
    EXPECT_EQ(form.VertScrollBar()->ScrollRange(), 0);
    EXPECT_EQ(GetClass(u"TControlScrollBar"), TControlScrollBar::StaticClass());
}
