// Implementation of the new-order dialog.
#include "Sell_Add_Keh_Code.h"
#include "Sell_Host.h"
#include "SysUtils.h"
#include "datacenter_code.h"
#include <QDate>

TSell_Add_Keh *Sell_Add_Keh = nullptr;

QString StationOrderNumber(const QString &WorkDate, const QString &LastSeq)
{
    const QDate d = QDate::fromString(WorkDate, QStringLiteral("yyyy-MM-dd"));
    const QString prefix = QStringLiteral("CS") + d.toString(QStringLiteral("yyMMdd"));
    const QString last = LastSeq.trimmed();
    bool ok = false;
    const int n = last.toInt(&ok);
    if (last.isEmpty() || !ok)
        return prefix + QStringLiteral("001");
    return prefix + (QStringLiteral("000") + QString::number(n + 1)).right(3);
}

bool CreateStationOrder(const QString &WorkDate, int CustomerId, const QString &Operator, QString &Dh, qint64 *Id)
{
    QString number;
    qint64 id = 0;
    const bool ok = LocalTransaction([&] {
        // The newest station order has the smallest id.
        auto seq = DataCenter->LocalOpen(QStringLiteral(
            "select substr(dh,-3) as dh from sys_jhdh where id=(select min(id) as id from sys_jhdh where lx=2 and local_dh=1)"));
        number = StationOrderNumber(WorkDate, seq->IsEmpty() ? QString() : seq->FieldByName(QStringLiteral("dh")).AsString());
        // Below zero and below every id ever given: the server's ids are
        // positive, so an order that comes down later never meets one made
        // here, and no record the central keeps of an earlier order names it.
        id = NextStationRowId(true);
        LocalRun(QStringLiteral("insert into sys_jhdh(id,dh,dhrq,unit,lx,lury,local_dh) values(?,?,?,?,2,?,1)"),
                 {Variant(id), Variant(number), Variant(WorkDate), Variant(CustomerId), Variant(Operator)});
    });
    if (ok) {
        Dh = number;
        if (Id)
            *Id = id;
    }
    return ok;
}

TSell_Add_Keh::TSell_Add_Keh(TComponent *AOwner) : TForm(AOwner)
{
    Sell_Add_Keh = this;
    SetName(UniqueFormName(AOwner, QStringLiteral("Sell_Add_Keh")));
    SetCaption(QStringLiteral("请选择新增单的客户"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(520);
    SetClientHeight(560);
    SetKeyPreview(true);

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetBounds(16, 18, 90, 24);
    Label1->SetCaption(QStringLiteral("客户分类:"));
    kehfenl_mc = new TComboBox(this);
    kehfenl_mc->SetName(QStringLiteral("kehfenl_mc"));
    kehfenl_mc->SetParent(this);
    kehfenl_mc->SetBounds(110, 14, 394, 28);
    kehfenl_mc->SetStyle(csDropDownList);
    kehfenl_mc->SetOnChange(TNotifyEvent(this, &TSell_Add_Keh::kehfenl_mcChange));

    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetBounds(16, 58, 90, 24);
    Label2->SetCaption(QStringLiteral("模糊检索:"));
    edit1 = new TEdit(this);
    edit1->SetName(QStringLiteral("edit1"));
    edit1->SetParent(this);
    edit1->SetBounds(110, 54, 394, 28);
    edit1->SetText(QString());
    edit1->SetOnChange(TNotifyEvent(this, &TSell_Add_Keh::edit1Change));

    Keh_mc = new TListBox(this);
    Keh_mc->SetName(QStringLiteral("Keh_mc"));
    Keh_mc->SetParent(this);
    Keh_mc->SetBounds(16, 94, 488, 390);
    Keh_mc->Font()->SetSize(14);
    Keh_mc->SetOnDblClick(TNotifyEvent(this, &TSell_Add_Keh::Keh_mcDblClick));

    Button1 = new TButton(this);
    Button1->SetName(QStringLiteral("Button1"));
    Button1->SetParent(this);
    Button1->SetBounds(364, 498, 140, 44);
    Button1->SetCaption(QStringLiteral("关闭(Esc)"));
    Button1->SetOnClick(TNotifyEvent(this, &TSell_Add_Keh::Button1Click));

    SetOnShow(TNotifyEvent(this, &TSell_Add_Keh::FormShow));
    SetOnClose(TCloseEvent(this, &TSell_Add_Keh::FormClose));
    SetOnKeyDown(TKeyEvent(this, &TSell_Add_Keh::FormKeyDown));
}

TSell_Add_Keh::~TSell_Add_Keh()
{
    if (Sell_Add_Keh == this)
        Sell_Add_Keh = nullptr;
}

void TSell_Add_Keh::FormShow(TObject *)
{
    kehfenl_mc->Items()->Clear();
    FClassIds.clear();
    auto q = DataCenter->LocalOpen(QStringLiteral("select id,fenlmc from sys_khfenl order by bianh"));
    for (q->First(); !q->Eof(); q->Next()) {
        kehfenl_mc->Items()->Add(q->FieldByName(QStringLiteral("fenlmc")).AsString());
        FClassIds.push_back(q->FieldByName(QStringLiteral("id")).AsInteger());
    }
    LoadCustomers();
}

void TSell_Add_Keh::LoadCustomers()
{
    QString sql = QStringLiteral("select id,shortname from sys_unit unit where unit.id>0 ");
    QList<Variant> params;
    const QString t = edit1->Text();
    if (!t.isEmpty()) {
        sql += QStringLiteral(" and (unit.shortname like ? or unit.piny like ?) ");
        const QString like = QStringLiteral("%") + t + QStringLiteral("%");
        params << Variant(like) << Variant(like);
    }
    const int c = kehfenl_mc->ItemIndex();
    if (c >= 0 && c < int(FClassIds.size())) {
        sql += QStringLiteral(" and unit.typea=?");
        params << Variant(FClassIds[size_t(c)]);
    }
    sql += QStringLiteral(" order by typea,usercode");
    Keh_mc->Items()->Clear();
    FCustomerIds.clear();
    auto q = DataCenter->LocalOpen(sql, params);
    for (q->First(); !q->Eof(); q->Next()) {
        Keh_mc->Items()->Add(q->FieldByName(QStringLiteral("shortname")).AsString());
        FCustomerIds.push_back(q->FieldByName(QStringLiteral("id")).AsInteger());
    }
}

int TSell_Add_Keh::CustomerIdAt(int Index) const
{
    return Index >= 0 && Index < int(FCustomerIds.size()) ? FCustomerIds[size_t(Index)] : 0;
}

void TSell_Add_Keh::edit1Change(TObject *)
{
    LoadCustomers();
}

void TSell_Add_Keh::kehfenl_mcChange(TObject *)
{
    LoadCustomers();
}

void TSell_Add_Keh::Keh_mcDblClick(TObject *)
{
    const int customer = CustomerIdAt(Keh_mc->ItemIndex());
    if (customer == 0)
        return;
    QString dh;
    qint64 id = 0;
    if (!CreateStationOrder(SellHost.GetWorkDate(), customer, SellHost.GetOperatorName(), dh, &id)) {
        SellWarning(QStringLiteral("新增单失败,请重新操作!"));
        return;
    }
    SellHost.DoShowNewOrder(id);
    Close();
}

void TSell_Add_Keh::Button1Click(TObject *)
{
    Close();
}

void TSell_Add_Keh::FormKeyDown(TObject *, Word &Key, TShiftState)
{
    if (Key == VK_ESCAPE)
        Close();
}

void TSell_Add_Keh::FormClose(TObject *, TCloseAction &Action)
{
    Action = caHide;
    SellHost.EnableMain();
}

STATION_PUBLISHED(TSell_Add_Keh) {}
