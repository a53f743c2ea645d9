#include "Unit1.h"
#include "Login_Code.h"
#include <cmath>

Tmain *main_ = nullptr;

TDateTime WorkDateFor(TDateTime Moment)
{
    int h, n, s, ms;
    DecodeTime(Moment, h, n, s, ms);
    const TDateTime day = DateOf(Moment);
    return h <= 9 ? day : day + 1;
}

Tmain::Tmain(TComponent *AOwner) : TForm(AOwner)
{
    main_ = this;
    SetName(QStringLiteral("main"));
    SetCaption(QStringLiteral("Quorvel软件电子秤配货系统  V8.0"));
    SetBounds(0, 0, 1024, 768);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);

    TopPanel = new TPanel(this);
    TopPanel->SetName(QStringLiteral("TopPanel"));
    TopPanel->SetParent(this);
    TopPanel->SetHeight(48);
    TopPanel->SetAlign(alTop);
    TopPanel->SetCaption(QString());

    ToolBar1 = new TToolBar(this);
    ToolBar1->SetName(QStringLiteral("ToolBar1"));
    ToolBar1->SetParent(TopPanel);
    ToolBar1->SetBounds(4, 4, 120, 40);
    ToolBar1->SetShowCaptions(true);
    ToolBar1->SetButtonWidth(80);
    ToolBar1->SetButtonHeight(36);
    ToolButton6 = new TToolButton(this);
    ToolButton6->SetName(QStringLiteral("ToolButton6"));
    ToolButton6->SetParent(ToolBar1);
    ToolButton6->SetCaption(QStringLiteral("退 出"));
    ToolButton6->SetOnClick(TNotifyEvent(this, &Tmain::ToolButton6Click));

    Label_Date = new TLabel(this);
    Label_Date->SetParent(TopPanel);
    Label_Date->SetCaption(QStringLiteral("操作日期:"));
    Label_Date->SetBounds(140, 14, 80, 20);
    DateTimePicker1 = new TDateTimePicker(this);
    DateTimePicker1->SetName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->SetParent(TopPanel);
    DateTimePicker1->SetBounds(220, 10, 140, 26);

    Label_Caozy = new TLabel(this);
    Label_Caozy->SetParent(TopPanel);
    Label_Caozy->SetCaption(QStringLiteral("操作员:"));
    Label_Caozy->SetBounds(390, 14, 60, 20);
    caozy = new TLabel(this);
    caozy->SetName(QStringLiteral("caozy"));
    caozy->SetParent(TopPanel);
    caozy->SetCaption(QStringLiteral("管理员"));
    caozy->SetBounds(450, 14, 160, 20);

    PageControl1 = new TPageControl(this);
    PageControl1->SetName(QStringLiteral("PageControl1"));
    PageControl1->SetParent(this);
    PageControl1->SetAlign(alClient);
    auto sheet = [this](const char *Name, const QString &Caption) {
        auto *t = new TTabSheet(this);
        t->SetName(QString::fromLatin1(Name));
        t->SetPageControl(PageControl1);
        t->SetCaption(Caption);
        return t;
    };
    TabSheet1 = sheet("TabSheet1", QStringLiteral("按客户配货"));
    TabSheet2 = sheet("TabSheet2", QStringLiteral("按产品配货"));
    TabSheet3 = sheet("TabSheet3", QStringLiteral("过总榜"));
    TabSheet4 = sheet("TabSheet4", QStringLiteral("操作说明"));

    SetOnCreate(TNotifyEvent(this, &Tmain::FormCreate));
    SetOnActivate(TNotifyEvent(this, &Tmain::FormActivate));
}

void Tmain::FormCreate(TObject *)
{
    DateTimePicker1->SetDate(WorkDateFor(Now()));
}

void Tmain::FormActivate(TObject *)
{
    if (Tag() != 0)
        return;
    SetEnabled(false);
    Login->Show();
    SetTag(1);
}

void Tmain::ToolButton6Click(TObject *)
{
    Application->Terminate();
}

STATION_PUBLISHED(Tmain) {}
