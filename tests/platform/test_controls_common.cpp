// Page controls, tool bars, status bars, date pickers, tree views, up-down
// buttons and popup menus.
#include "ComCtrls.h"
#include "FormHarness.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include <gtest/gtest.h>
#include <QDateTimeEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace FormHarness;

namespace {

class TCommonEvents : public TObject
{
public:
    QStringList Log;
    bool AllowExpand = true;
    void Change(TObject *Sender) { Log << "Change " + static_cast<TComponent *>(Sender)->Name(); }
    void Click(TObject *Sender) { Log << "Click " + static_cast<TComponent *>(Sender)->Name(); }
    void NodeChange(TObject *, TTreeNode *Node) { Log << "Node " + (Node ? Node->Text() : QStringLiteral("-")); }
    void Expanding(TObject *, TTreeNode *Node, bool &Allow)
    {
        Log << "Expanding " + Node->Text();
        Allow = AllowExpand;
    }
    void Expanded(TObject *, TTreeNode *Node) { Log << "Expanded " + Node->Text(); }
    void UpDownClick(TObject *, TUDBtnType Button) { Log << QStringLiteral("UpDown %1").arg(int(Button)); }
};

TTabSheet *NewSheet(TPageControl *PC, const QString &Name, const QString &Caption)
{
    auto *s = new TTabSheet(PC->Owner());
    s->SetName(Name);
    s->SetPageControl(PC);
    s->SetCaption(Caption);
    return s;
}

} // namespace

TEST(CommonControls, PageControlPagesTabVisibilityAndChange)
{
    TCommonEvents ev;
    TForm form(nullptr);
    form.SetBounds(0, 0, 500, 400);
    auto *pc = new TPageControl(&form);
    pc->SetName(QStringLiteral("PageControl1"));
    pc->SetParent(&form);
    pc->SetAlign(alClient);
    pc->SetOnChange(TNotifyEvent(&ev, &TCommonEvents::Change));
    TTabSheet *s1 = NewSheet(pc, "TabSheet1", QStringLiteral("按客户配货"));
    TTabSheet *s2 = NewSheet(pc, "TabSheet2", QStringLiteral("按产品配货"));
    TTabSheet *s3 = NewSheet(pc, "TabSheet3", QStringLiteral("过总榜"));
    TTabSheet *s4 = NewSheet(pc, "TabSheet4", QStringLiteral("操作说明"));
    EXPECT_EQ(pc->PageCount(), 4);
    EXPECT_EQ(pc->Pages(2), s3);
    EXPECT_EQ(s4->PageIndex(), 3);
    EXPECT_EQ(pc->ActivePage(), s1);
    auto *tabs = static_cast<QTabWidget *>(pc->Widget());
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("按产品配货"));

    // A hidden tab keeps its page but leaves the tab row.
    s3->SetTabVisible(false);
    EXPECT_FALSE(tabs->isTabVisible(2));
    EXPECT_EQ(s3->TabIndex(), -1);
    EXPECT_EQ(s4->TabIndex(), 2);

    // From code: no OnChange.
    pc->SetActivePage(s2);
    EXPECT_EQ(pc->ActivePage(), s2);
    EXPECT_TRUE(ev.Log.isEmpty());
    // The user's pick: OnChange.
    ASSERT_TRUE(ShowAndActivate(&form));
    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(3).center());
    EXPECT_EQ(pc->ActivePage(), s4);
    EXPECT_EQ(ev.Log, QStringList({"Change PageControl1"}));

    // Controls on a sheet lie in its page; the sheet follows the page control's size.
    auto *edit = new TEdit(&form);
    edit->SetParent(s1);
    EXPECT_EQ(edit->Widget()->parentWidget(), s1->Widget());
    s4->SetHighlighted(true);
    EXPECT_EQ(bar->tabTextColor(3), ColorToQColor(clHighlight));
    EXPECT_THROW(s1->SetParent(&form), EInvalidOperation);
    delete s2;
    EXPECT_EQ(pc->PageCount(), 3);
    EXPECT_EQ(tabs->count(), 3);
}

TEST(CommonControls, ToolBarPlacesItsButtonsAndClicksThem)
{
    TCommonEvents ev;
    TForm form(nullptr);
    form.SetBounds(0, 0, 500, 300);
    auto *bar = new TToolBar(&form);
    bar->SetParent(&form);
    EXPECT_EQ(bar->Align(), alTop);
    EXPECT_EQ(bar->Width(), 500);
    QStringList captions{QStringLiteral(" 同步订单 "), QStringLiteral(" 刷新订单 "), QStringLiteral("-"),
                         QStringLiteral(" 上传数据 ")};
    int n = 1;
    for (const QString &c : captions) {
        auto *b = new TToolButton(&form);
        b->SetName(QStringLiteral("ToolButton%1").arg(n++));
        b->SetParent(bar);
        if (c == QLatin1String("-"))
            b->SetStyle(tbsSeparator);
        else
            b->SetCaption(c);
        b->SetOnClick(TNotifyEvent(&ev, &TCommonEvents::Click));
    }
    EXPECT_EQ(bar->ButtonCount(), 4);
    EXPECT_EQ(bar->Buttons(0)->Left(), 0);
    EXPECT_EQ(bar->Buttons(1)->Left(), 23);
    EXPECT_EQ(bar->Buttons(2)->Width(), 8);
    EXPECT_EQ(bar->Buttons(3)->Left(), 54);
    bar->SetShowCaptions(true);
    EXPECT_GT(bar->Buttons(0)->Width(), 23);
    EXPECT_EQ(bar->Buttons(1)->Left(), bar->Buttons(0)->Width());
    ASSERT_TRUE(ShowAndActivate(&form));
    Click(bar->Buttons(3));
    EXPECT_EQ(ev.Log, QStringList({"Click ToolButton4"}));
}

TEST(CommonControls, StatusBarPanelsAndSimpleText)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto *sb = new TStatusBar(&form);
    sb->SetParent(&form);
    EXPECT_EQ(sb->Align(), alBottom);
    EXPECT_EQ(sb->Top(), 300 - sb->Height());
    TStatusPanel *p1 = sb->Panels()->Add();
    p1->SetWidth(120);
    p1->SetText(QStringLiteral("操作员: 管理员"));
    TStatusPanel *p2 = sb->Panels()->Add();
    p2->SetText(QStringLiteral("2024-05-01"));
    p2->SetAlignment(taRightJustify);
    EXPECT_EQ(sb->Panels()->Count(), 2);
    EXPECT_EQ(sb->Panels()->Items(0)->Text(), QStringLiteral("操作员: 管理员"));
    EXPECT_EQ(sb->PanelRect(0), Rect(0, 2, 120, sb->ClientHeight()));
    // The last panel reaches the right edge.
    EXPECT_EQ(sb->PanelRect(1), Rect(120, 2, 400, sb->ClientHeight()));
    EXPECT_EQ(GetStrProp(p2, u"Text"), "2024-05-01");
    sb->SetSimplePanel(true);
    sb->SetSimpleText(QStringLiteral("正在同步"));
    EXPECT_EQ(sb->SimpleText(), QStringLiteral("正在同步"));
}

TEST(CommonControls, DateTimePickerDateAndUserChanges)
{
    TCommonEvents ev;
    TForm form(nullptr);
    auto *dtp = new TDateTimePicker(&form);
    dtp->SetName(QStringLiteral("DateTimePicker1"));
    dtp->SetParent(&form);
    dtp->SetOnChange(TNotifyEvent(&ev, &TCommonEvents::Change));
    dtp->SetDate(EncodeDate(2024, 5, 1));
    EXPECT_DOUBLE_EQ(dtp->Date(), EncodeDate(2024, 5, 1));
    EXPECT_TRUE(ev.Log.isEmpty());
    auto *edit = static_cast<QDateTimeEdit *>(dtp->Widget());
    EXPECT_TRUE(edit->calendarPopup());
    EXPECT_EQ(edit->displayFormat(), "yyyy-MM-dd");
    EXPECT_EQ(edit->text(), "2024-05-01");
    // A date set keeps the time of day.
    dtp->SetTime(EncodeTime(10, 30, 0, 0));
    dtp->SetDate(EncodeDate(2024, 5, 2));
    EXPECT_DOUBLE_EQ(dtp->DateTime(), EncodeDate(2024, 5, 2) + EncodeTime(10, 30, 0, 0));
    ASSERT_TRUE(ShowAndActivate(&form));
    ASSERT_TRUE(Focus(dtp));
    Key(Qt::Key_Up);
    EXPECT_FALSE(ev.Log.isEmpty());
    EXPECT_EQ(ev.Log.first(), "Change DateTimePicker1");
    EXPECT_EQ(DateTimeFormatToQt(QStringLiteral("yyyy-mm-dd hh:nn:ss")), "yyyy-MM-dd hh:mm:ss");
    EXPECT_DOUBLE_EQ(QDateTimeToDateTime(DateTimeToQDateTime(45413.75)), 45413.75);
}

TEST(CommonControls, TreeViewNodesDataExpandAndChange)
{
    TCommonEvents ev;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 300);
    auto *tv = new TTreeView(&form);
    tv->SetParent(&form);
    tv->SetAlign(alClient);
    tv->SetOnChange(TTVChangedEvent(&ev, &TCommonEvents::NodeChange));
    tv->SetOnExpanding(TTVExpandingEvent(&ev, &TCommonEvents::Expanding));
    tv->SetOnExpanded(TTVExpandedEvent(&ev, &TCommonEvents::Expanded));
    int fruitData = 1, appleData = 2;
    TTreeNode *fruit = tv->Items()->AddObject(nullptr, QStringLiteral("水果"), &fruitData);
    TTreeNode *veg = tv->Items()->Add(fruit, QStringLiteral("蔬菜"));
    TTreeNode *apple = tv->Items()->AddChildObject(fruit, QStringLiteral("苹果"), &appleData);
    TTreeNode *pear = tv->Items()->AddChild(fruit, QStringLiteral("梨"));
    TTreeNode *first = tv->Items()->AddChildFirst(fruit, QStringLiteral("桃"));
    EXPECT_EQ(tv->Items()->Count(), 5);
    EXPECT_EQ(fruit->Count(), 3);
    EXPECT_EQ(fruit->Item(0), first);
    EXPECT_EQ(apple->Parent(), fruit);
    EXPECT_EQ(apple->Level(), 1);
    EXPECT_EQ(apple->Index(), 1);
    EXPECT_EQ(apple->Data(), &appleData);
    EXPECT_EQ(fruit->Data(), &fruitData);
    // Depth first: 水果 桃 苹果 梨 蔬菜.
    EXPECT_EQ(tv->Items()->Item(3), pear);
    EXPECT_EQ(tv->Items()->Item(4), veg);
    EXPECT_EQ(pear->GetNext(), veg);
    EXPECT_EQ(veg->AbsoluteIndex(), 4);

    fruit->Expand(false);
    EXPECT_TRUE(fruit->Expanded());
    EXPECT_EQ(ev.Log, QStringList({"Expanding 水果", "Expanded 水果"}));
    fruit->Collapse(false);
    ev.AllowExpand = false;
    fruit->SetExpanded(true);
    EXPECT_FALSE(fruit->Expanded());

    ev.Log.clear();
    tv->SetSelected(apple);
    EXPECT_EQ(tv->Selected(), apple);
    EXPECT_TRUE(apple->Selected());
    EXPECT_EQ(ev.Log, QStringList({"Node 苹果"}));
    // Deleting a node takes its children with it.
    fruit->Delete();
    EXPECT_EQ(tv->Items()->Count(), 1);
    EXPECT_EQ(tv->Items()->GetFirstNode(), veg);
    tv->Items()->Clear();
    EXPECT_EQ(tv->Items()->Count(), 0);
}

TEST(CommonControls, UpDownStepsItsAssociatedEdit)
{
    TCommonEvents ev;
    TForm form(nullptr);
    auto *edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 100, 21);
    auto *ud = new TUpDown(&form);
    ud->SetParent(&form);
    ud->SetMin(0);
    ud->SetMax(1500);
    ud->SetIncrement(600);
    ud->SetAssociate(edit);
    ud->SetOnClick(TUDClickEvent(&ev, &TCommonEvents::UpDownClick));
    EXPECT_EQ(edit->Width(), 100 - ud->Width());
    EXPECT_EQ(ud->Left(), edit->Left() + edit->Width());
    EXPECT_EQ(edit->Text(), "0");
    ud->Step(btNext);
    ud->Step(btNext);
    EXPECT_EQ(edit->Text(), "1,200");
    ud->Step(btNext);
    EXPECT_EQ(ud->Position(), 1500);
    EXPECT_EQ(edit->Text(), "1,500");
    // A number typed into the edit is the position.
    edit->SetText(QStringLiteral("7"));
    ud->Step(btPrev);
    EXPECT_EQ(ud->Position(), 0);
    ud->SetWrap(true);
    ud->Step(btPrev);
    EXPECT_EQ(ud->Position(), 1500);
    EXPECT_EQ(ev.Log.size(), 5);
    EXPECT_EQ(ev.Log.first(), "UpDown 0");
}

TEST(CommonControls, PopupMenuItemsClickAndRadioGroups)
{
    TCommonEvents ev;
    TForm form(nullptr);
    auto *menu = new TPopupMenu(&form);
    auto *n1 = new TMenuItem(&form);
    n1->SetName(QStringLiteral("N1"));
    n1->SetCaption(QStringLiteral("删除所选行配货数据"));
    n1->SetOnClick(TNotifyEvent(&ev, &TCommonEvents::Click));
    auto *n2 = new TMenuItem(&form);
    n2->SetName(QStringLiteral("N2"));
    n2->SetCaption(QStringLiteral("删除所选新增品种"));
    menu->Items()->Add(n1);
    menu->Items()->Add(n2);
    EXPECT_EQ(menu->Items()->Count(), 2);
    EXPECT_EQ(n2->MenuIndex(), 1);
    EXPECT_EQ(menu->Items()->Find(QStringLiteral("删除所选新增品种")), n2);
    n1->Click();
    EXPECT_EQ(ev.Log, QStringList({"Click N1"}));
    EXPECT_THROW(menu->Items()->Add(n1), EMenuError);
    n1->SetRadioItem(true);
    n2->SetRadioItem(true);
    n1->SetChecked(true);
    n2->SetChecked(true);
    EXPECT_FALSE(n1->Checked());
    // A freed item leaves its menu.
    delete n1;
    EXPECT_EQ(menu->Items()->Count(), 1);
    auto *edit = new TEdit(&form);
    edit->SetPopupMenu(menu);
    delete menu;
    EXPECT_EQ(edit->PopupMenu(), nullptr);
}
