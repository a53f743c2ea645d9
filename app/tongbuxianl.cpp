// Implementation of the line chooser: which delivery lines' orders the download brings down.
#include "tongbuxianl.h"
#include "datacenter_code.h"
#include "one_value_file.h"
#include "sync_code.h"
#include <QFile>

TTongbu_Xianl *Tongbu_Xianl = nullptr;

namespace {

TListBox *MakeList(TTongbu_Xianl *Form, const char *Name, int Left, bool Visible)
{
    auto *l = new TListBox(Form);
    l->SetName(QString::fromLatin1(Name));
    l->SetParent(Form);
    l->SetBounds(Left, 40, 260, 360);
    l->Font()->SetSize(12);
    l->SetVisible(Visible);
    return l;
}

void LoadList(TListBox *List, const QString &File)
{
    List->Items()->Clear();
    ReadOneValueFile(File, List->Items());
}

} // namespace

QString TTongbu_Xianl::IdFile()
{
    return ProgramDir() + QStringLiteral("db/tongbxlid.txt");
}

QString TTongbu_Xianl::NameFile()
{
    return ProgramDir() + QStringLiteral("db/tongbxlmc.txt");
}

TTongbu_Xianl::TTongbu_Xianl(TComponent *AOwner) : TForm(AOwner)
{
    Tongbu_Xianl = this;
    SetName(UniqueFormName(AOwner, QStringLiteral("Tongbu_Xianl")));
    SetCaption(QStringLiteral("同步线路"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(720);
    SetClientHeight(420);

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetCaption(QStringLiteral("所有发货客户系统列表"));
    Label1->SetBounds(16, 14, 260, 20);
    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetCaption(QStringLiteral("已选中发货客户系统列表"));
    Label2->SetBounds(444, 14, 260, 20);

    all_khfl = MakeList(this, "all_khfl", 16, true);
    all_khfl_id = MakeList(this, "all_khfl_id", 16, false);
    select_khfl = MakeList(this, "select_khfl", 444, true);
    select_khfl_id = MakeList(this, "select_khfl_id", 444, false);
    all_khfl->SetOnDblClick(TNotifyEvent(this, &TTongbu_Xianl::all_khflDblClick));
    select_khfl->SetOnDblClick(TNotifyEvent(this, &TTongbu_Xianl::select_khflDblClick));

    Button1 = new TButton(this);
    Button1->SetName(QStringLiteral("Button1"));
    Button1->SetParent(this);
    Button1->SetCaption(QStringLiteral("选中所有->>"));
    Button1->SetBounds(292, 150, 136, 40);
    Button1->SetOnClick(TNotifyEvent(this, &TTongbu_Xianl::Button1Click));
    Button2 = new TButton(this);
    Button2->SetName(QStringLiteral("Button2"));
    Button2->SetParent(this);
    Button2->SetCaption(QStringLiteral("开始同步"));
    Button2->SetBounds(292, 220, 136, 40);
    Button2->SetOnClick(TNotifyEvent(this, &TTongbu_Xianl::Button2Click));

    SetOnShow(TNotifyEvent(this, &TTongbu_Xianl::FormShow));
    SetOnClose(TCloseEvent(this, &TTongbu_Xianl::FormClose));
}

TTongbu_Xianl::~TTongbu_Xianl()
{
    if (Tongbu_Xianl == this)
        Tongbu_Xianl = nullptr;
}

void TTongbu_Xianl::FormShow(TObject *)
{
    all_khfl->Items()->Clear();
    all_khfl_id->Items()->Clear();
    auto q = DataCenter->LocalOpen(QStringLiteral("select id,fenlmc from sys_khline order by bianh"));
    for (q->First(); !q->Eof(); q->Next()) {
        all_khfl->Items()->Add(q->FieldByName(QStringLiteral("fenlmc")).AsString());
        all_khfl_id->Items()->Add(q->FieldByName(QStringLiteral("id")).AsString());
    }
    LoadList(select_khfl_id, IdFile());
    LoadList(select_khfl, NameFile());
}

void TTongbu_Xianl::all_khflDblClick(TObject *)
{
    const int i = all_khfl->ItemIndex();
    if (i < 0 || i >= all_khfl_id->Items()->Count())
        return;
    const QString id = all_khfl_id->Items()->Strings(i);
    if (select_khfl_id->Items()->IndexOf(id) >= 0)
        return;
    select_khfl->Items()->Add(all_khfl->Items()->Strings(i));
    select_khfl_id->Items()->Add(id);
}

void TTongbu_Xianl::select_khflDblClick(TObject *)
{
    const int i = select_khfl->ItemIndex();
    if (i < 0)
        return;
    select_khfl->Items()->Delete(i);
    if (i < select_khfl_id->Items()->Count())
        select_khfl_id->Items()->Delete(i);
}

void TTongbu_Xianl::Button1Click(TObject *)
{
    select_khfl->Items()->Assign(all_khfl->Items());
    select_khfl_id->Items()->Assign(all_khfl_id->Items());
}

void TTongbu_Xianl::Button2Click(TObject *)
{
    Close();
}

void TTongbu_Xianl::FormClose(TObject *, TCloseAction &Action)
{
    Action = caHide;
    try {
        select_khfl_id->Items()->SaveToFile(IdFile(), 936);
        select_khfl->Items()->SaveToFile(NameFile(), 936);
    } catch (Exception &E) {
        // Without the chosen lines on disk the download would use stale ones:
        // report it and give the main window back instead.
        Hide();
        if (SyncHost.MainForm)
            SyncHost.MainForm->SetEnabled(true);
        Application->ShowException(&E);
        return;
    }
    Hide();
    if (SyncHost.MainForm)
        SyncHost.MainForm->SetEnabled(true);
    FullDownloadClick();
}

STATION_PUBLISHED(TTongbu_Xianl) {}
