// How forms look: a form with Chinese captions and a demo form with one of
// each control, rendered offscreen into PNG files under /tmp and checked by
// their pixels.
#include "TestFiles.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FormHarness.h"
#include "Forms.h"
#include "Grids.h"
#include "StdCtrls.h"
#include <gtest/gtest.h>
#include <QDir>

using namespace FormHarness;

namespace {

// Counts the pixels of Image inside R that differ from Background.
int InkIn(const QImage &Image, const QRect &R, QRgb Background)
{
    int n = 0;
    for (int y = R.top(); y <= R.bottom(); ++y)
        for (int x = R.left(); x <= R.right(); ++x)
            if (Image.pixel(x, y) != Background)
                ++n;
    return n;
}

// Paints a cross on the paint box it is given.
struct TCrossPainter : TObject
{
    void Paint(TObject *Sender)
    {
        auto *box = static_cast<TPaintBox *>(Sender);
        TCanvas *c = box->Canvas();
        c->Pen()->SetColor(clRed);
        c->Pen()->SetWidth(3);
        c->MoveTo(0, 0);
        c->LineTo(box->Width(), box->Height());
        c->MoveTo(box->Width(), 0);
        c->LineTo(0, box->Height());
    }
};

QString TempPng(const QString &Name)
{
    return TestFile(Name);
}

// The station's keypad dialog, in small.
class TKeypadForm : public TForm
{
public:
    explicit TKeypadForm(TComponent *AOwner) : TForm(AOwner)
    {
        SetCaption(QStringLiteral("Quorvel软件电子秤配货系统  V8.0"));
        SetBounds(0, 0, 360, 260);
        Font()->SetName(QStringLiteral("宋体"));
        Font()->SetSize(12);
        Label1 = new TLabel(this);
        Label1->SetParent(this);
        Label1->SetBounds(16, 12, 10, 10);
        Label1->SetCaption(QStringLiteral("请手动输入"));
        Lur_value = new TEdit(this);
        Lur_value->SetParent(this);
        Lur_value->SetBounds(16, 44, 200, 28);
        Lur_value->SetText(QStringLiteral("13.5"));
        Panel = new TPanel(this);
        Panel->SetParent(this);
        Panel->SetBounds(16, 84, 200, 40);
        Panel->SetCaption(QStringLiteral("未配完(3)"));
        Panel->SetColor(RGB(255, 0, 0));
        Commit = new TButton(this);
        Commit->SetParent(this);
        Commit->SetBounds(16, 140, 110, 36);
        Commit->SetCaption(QStringLiteral("确 定[F1]"));
        Close = new TButton(this);
        Close->SetParent(this);
        Close->SetBounds(140, 140, 110, 36);
        Close->SetCaption(QStringLiteral("关闭(ESC)"));
    }
    TLabel *Label1;
    TEdit *Lur_value;
    TPanel *Panel;
    TButton *Commit, *Close;
};

} // namespace

TEST(FormsLook, ChineseCaptionsAreRendered)
{
    TKeypadForm form(nullptr);
    ASSERT_TRUE(ShowAndActivate(&form));
    const QImage img = Grab(&form).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(img.size(), QSize(360, 260));
    EXPECT_TRUE(img.save(TempPng("station_forms_chinese.png")));
    const QRgb face = ColorToQColor(clBtnFace).rgb();
    // Every caption leaves ink where it stands.
    EXPECT_GT(InkIn(img, QRect(16, 12, form.Label1->Width(), form.Label1->Height()), face), 40);
    EXPECT_GT(form.Label1->Width(), 5 * 12);
    // The red panel with its text: red around, black text in the middle.
    const QImage panel = Grab(form.Panel).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(panel.pixel(5, 5)), QColor(255, 0, 0));
    EXPECT_GT(InkIn(panel, QRect(60, 10, 80, 20), qRgb(255, 0, 0)), 40);
    // The panel's raised bevel: white top-left, grey bottom-right.
    EXPECT_EQ(QColor(panel.pixel(0, 5)), QColor(Qt::white));
    EXPECT_EQ(QColor(panel.pixel(199, 5)), QColor(128, 128, 128));
    const QImage button = Grab(form.Commit).convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(InkIn(button, QRect(20, 8, 70, 20), button.pixel(3, 18)), 30);
}

TEST(FormsLook, DemoFormWithOneOfEachControl)
{
    TForm form(nullptr);
    form.SetCaption(QStringLiteral("控件一览"));
    form.SetBounds(0, 0, 640, 480);
    form.Font()->SetSize(10);

    auto *bar = new TToolBar(&form);
    bar->SetParent(&form);
    bar->SetShowCaptions(true);
    for (const QString &c : {QStringLiteral(" 同步订单 "), QStringLiteral(" 刷新订单 "), QStringLiteral("退 出")}) {
        auto *b = new TToolButton(&form);
        b->SetParent(bar);
        b->SetCaption(c);
    }
    auto *status = new TStatusBar(&form);
    status->SetParent(&form);
    status->Panels()->Add()->SetText(QStringLiteral("操作员: 管理员"));
    status->Panels()->Items(0)->SetWidth(160);
    status->Panels()->Add()->SetText(QStringLiteral("就绪"));

    auto *pc = new TPageControl(&form);
    pc->SetParent(&form);
    pc->SetAlign(alClient);
    auto *sheet = new TTabSheet(&form);
    sheet->SetPageControl(pc);
    sheet->SetCaption(QStringLiteral("按客户配货"));
    auto *sheet2 = new TTabSheet(&form);
    sheet2->SetPageControl(pc);
    sheet2->SetCaption(QStringLiteral("按产品配货"));

    auto *label = new TLabel(&form);
    label->SetParent(sheet);
    label->SetBounds(8, 8, 10, 10);
    label->SetCaption(QStringLiteral("操作日期:"));
    auto *dtp = new TDateTimePicker(&form);
    dtp->SetParent(sheet);
    dtp->SetBounds(80, 4, 130, 24);
    dtp->SetDate(EncodeDate(2024, 5, 1));
    auto *edit = new TEdit(&form);
    edit->SetParent(sheet);
    edit->SetBounds(220, 4, 90, 24);
    edit->SetText(QStringLiteral("12.34"));
    auto *ud = new TUpDown(&form);
    ud->SetParent(sheet);
    ud->SetAssociate(edit);
    auto *combo = new TComboBox(&form);
    combo->SetParent(sheet);
    combo->SetBounds(320, 4, 140, 24);
    combo->SetStyle(csDropDownList);
    combo->Items()->Add(QStringLiteral("-客户分类不限-"));
    combo->SetItemIndex(0);
    auto *button = new TButton(&form);
    button->SetParent(sheet);
    button->SetBounds(470, 4, 130, 26);
    button->SetCaption(QStringLiteral("打印单  F1"));

    auto *group = new TGroupBox(&form);
    group->SetParent(sheet);
    group->SetBounds(8, 36, 200, 90);
    group->SetCaption(QStringLiteral("称重方式"));
    auto *same = new TRadioButton(&form);
    same->SetParent(group);
    same->SetBounds(10, 24, 80, 20);
    same->SetCaption(QStringLiteral("同榜"));
    auto *different = new TRadioButton(&form);
    different->SetParent(group);
    different->SetBounds(100, 24, 80, 20);
    different->SetCaption(QStringLiteral("异榜"));
    different->SetChecked(true);
    auto *check = new TCheckBox(&form);
    check->SetParent(group);
    check->SetBounds(10, 56, 150, 20);
    check->SetCaption(QStringLiteral("打印金额"));
    check->SetChecked(true);

    auto *list = new TListBox(&form);
    list->SetParent(sheet);
    list->SetBounds(216, 36, 120, 90);
    for (const QString &s : {QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("王五")})
        list->Items()->Add(s);
    list->SetItemIndex(1);
    auto *memo = new TMemo(&form);
    memo->SetParent(sheet);
    memo->SetBounds(344, 36, 130, 90);
    memo->SetText(QStringLiteral("操作说明\r\n第二行"));
    auto *tree = new TTreeView(&form);
    tree->SetParent(sheet);
    tree->SetBounds(482, 36, 130, 90);
    TTreeNode *n = tree->Items()->Add(nullptr, QStringLiteral("水果"));
    tree->Items()->AddChild(n, QStringLiteral("苹果"));
    n->Expand(false);

    auto *panel = new TPanel(&form);
    panel->SetParent(sheet);
    panel->SetBounds(8, 134, 120, 36);
    panel->SetCaption(QStringLiteral("已配完(2)"));
    panel->SetColor(RGB(255, 0, 0));
    auto *image = new TImage(&form);
    image->SetParent(sheet);
    image->SetBounds(136, 134, 36, 36);
    image->Canvas()->Brush()->SetColor(clNavy);
    image->Canvas()->Ellipse(0, 0, 36, 36);
    auto *paint = new TPaintBox(&form);
    paint->SetParent(sheet);
    paint->SetBounds(180, 134, 36, 36);
    TCrossPainter cross;
    paint->SetOnPaint(TNotifyEvent(&cross, &TCrossPainter::Paint));

    auto *grid = new TStringGrid(&form);
    grid->SetParent(sheet);
    grid->SetBounds(8, 178, 400, 150);
    grid->SetColCount(4);
    grid->SetRowCount(3);
    grid->SetDefaultRowHeight(44);
    grid->SetCells(1, 0, QStringLiteral("品名"));
    grid->SetCells(1, 1, QStringLiteral("白菜"));
    grid->SetCells(2, 1, QStringLiteral("5斤"));
    auto *scroll = new TScrollBox(&form);
    scroll->SetParent(sheet);
    scroll->SetBounds(416, 178, 120, 80);
    auto *inner = new TLabel(&form);
    inner->SetParent(scroll);
    inner->SetBounds(4, 4, 10, 10);
    inner->SetCaption(QStringLiteral("滚动区域"));
    auto *split = new TSplitter(&form);
    split->SetParent(sheet);
    split->SetAlign(alRight);

    ASSERT_TRUE(ShowAndActivate(&form));
    const QImage img = Grab(&form).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(img.size(), QSize(640, 480));
    EXPECT_TRUE(img.save(TempPng("station_forms_demo.png")));
    // The page fills the form between tool bar and status bar.
    EXPECT_EQ(pc->Top(), bar->Height());
    EXPECT_EQ(pc->Top() + pc->Height(), status->Top());
    EXPECT_EQ(split->Left() + split->Width(), sheet->ClientWidth());
    // The image's bitmap canvas drew a navy disc.
    const QImage picture = Grab(image).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(picture.pixel(18, 18)), QColor(0, 0, 128));
    // The paint box shows what its OnPaint drew, the page elsewhere.
    const QImage painted = Grab(paint).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(painted.pixel(18, 18)), QColor(255, 0, 0));
    const QPoint corner = paint->Widget()->mapTo(form.Widget(), QPoint(18, 2));
    EXPECT_EQ(QColor(img.pixel(corner)), ColorToQColor(sheet->Color()));
    // The group box's frame is etched in the classic palette: a shadow line
    // inside a highlight line, the face plain inside.
    const QImage box = Grab(group).convertToFormat(QImage::Format_RGB32);
    const int mid = box.height() / 2;
    EXPECT_EQ(QColor(box.pixel(box.width() - 1, mid)), ColorToQColor(clBtnHighlight));
    EXPECT_EQ(QColor(box.pixel(box.width() - 2, mid)), ColorToQColor(clBtnShadow));
    EXPECT_EQ(QColor(box.pixel(box.width() - 6, mid)), ColorToQColor(clBtnFace));
    EXPECT_EQ(QColor(box.pixel(0, box.height() - 2)), ColorToQColor(clBtnShadow));
    // Every control shows something of its own.
    for (TControl *c : std::initializer_list<TControl *>{label, dtp, edit, combo, button, group, list, memo, tree,
                                                         panel, grid, bar, status}) {
        const QImage part = Grab(c).convertToFormat(QImage::Format_RGB32);
        const QRgb corner = part.pixel(part.width() / 2, part.height() - 1);
        EXPECT_GT(InkIn(part, part.rect(), corner), 20) << c->ClassName().toStdString();
    }
}
