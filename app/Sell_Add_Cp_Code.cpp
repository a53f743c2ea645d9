// Implementation of the add-product dialog.
#include "Sell_Add_Cp_Code.h"
#include "Sell_Host.h"
#include "SysUtils.h"
#include "datacenter_code.h"
#include "weighing_code.h"

TSell_Add_Cp *Sell_Add_Cp = nullptr;

int AddStationLine(int OrderId, int ProductId, double Gross, double Tare, double Net, double Price, double Amount)
{
    qint64 id = 0;
    const bool ok = LocalTransaction([&] {
        // Negative, below every id ever given: no downloaded line can meet it,
        // and no record the central keeps of an earlier line names it. The key
        // finds this line's server copy inside the upload that inserts it.
        id = NextStationRowId(false);
        LocalRun(QStringLiteral("insert into sys_jhsj(id,dhid,mc,dinghl,songhl,dj,shisje,local_jhsj,upload_key) "
                                "values(?,?,?,?,?,?,?,1,lower(hex(randomblob(6))))"),
                 {Variant(id), Variant(OrderId), Variant(ProductId), Variant(Net), Variant(Net), Variant(Price),
                  Variant(WrittenAmount(Amount))});
        // The record belongs to the line just made, by its id.
        LocalRun(QStringLiteral("insert into sys_jhsj_mx(jhsj_id,zhongzl,qup) values(?,?,?)"),
                 {Variant(id), Variant(Gross), Variant(Tare)});
    });
    return ok ? int(id) : 0;
}

namespace {

TEdit *NumberField(TSell_Add_Cp *Form, const char *Name, const QString &Caption, int Top, TLabel *&Label)
{
    Label = new TLabel(Form);
    Label->SetParent(Form);
    Label->SetBounds(460, Top + 4, 90, 28);
    Label->SetCaption(Caption);
    Label->Font()->SetSize(14);
    auto *e = new TEdit(Form);
    e->SetName(QString::fromLatin1(Name));
    e->SetParent(Form);
    e->SetBounds(556, Top, 180, 36);
    e->Font()->SetSize(16);
    e->SetText(QString());
    e->SetOnKeyPress(TKeyPressEvent(Form, &TSell_Add_Cp::NumberKeyPress));
    return e;
}

bool ToNumber(const QString &Text, double &Value)
{
    return TryStrToFloat(Trim(Text), Value);
}

} // namespace

TSell_Add_Cp::TSell_Add_Cp(TComponent *AOwner) : TForm(AOwner)
{
    Sell_Add_Cp = this;
    SetName(UniqueFormName(AOwner, QStringLiteral("Sell_Add_Cp")));
    SetCaption(QStringLiteral("产品选取"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(760);
    SetClientHeight(560);
    SetKeyPreview(true);

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetBounds(16, 18, 90, 24);
    Label1->SetCaption(QStringLiteral("产品分类:"));
    Cpfenl_mc = new TComboBox(this);
    Cpfenl_mc->SetName(QStringLiteral("Cpfenl_mc"));
    Cpfenl_mc->SetParent(this);
    Cpfenl_mc->SetBounds(110, 14, 320, 28);
    Cpfenl_mc->SetStyle(csDropDownList);
    Cpfenl_mc->SetOnChange(TNotifyEvent(this, &TSell_Add_Cp::Cpfenl_mcChange));
    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetBounds(16, 58, 90, 24);
    Label2->SetCaption(QStringLiteral("模糊检索:"));
    edit1 = new TEdit(this);
    edit1->SetName(QStringLiteral("edit1"));
    edit1->SetParent(this);
    edit1->SetBounds(110, 54, 320, 28);
    edit1->SetText(QString());
    edit1->SetOnChange(TNotifyEvent(this, &TSell_Add_Cp::edit1Change));
    Cp_mc = new TListBox(this);
    Cp_mc->SetName(QStringLiteral("Cp_mc"));
    Cp_mc->SetParent(this);
    Cp_mc->SetBounds(16, 94, 414, 450);
    Cp_mc->Font()->SetSize(14);
    Cp_mc->SetOnClick(TNotifyEvent(this, &TSell_Add_Cp::Cp_mcClick));

    zzl = NumberField(this, "zzl", QStringLiteral("总重量:"), 94, Label_zzl);
    qp = NumberField(this, "qp", QStringLiteral("去皮:"), 144, Label_qp);
    jz = NumberField(this, "jz", QStringLiteral("净重:"), 194, Label_jz);
    dj = NumberField(this, "dj", QStringLiteral("单价:"), 244, Label_dj);
    je = NumberField(this, "je", QStringLiteral("金额:"), 294, Label_je);

    Button1 = new TButton(this);
    Button1->SetName(QStringLiteral("Button1"));
    Button1->SetParent(this);
    Button1->SetBounds(460, 370, 130, 48);
    Button1->SetCaption(QStringLiteral("确定"));
    Button1->SetOnClick(TNotifyEvent(this, &TSell_Add_Cp::Button1Click));
    Button2 = new TButton(this);
    Button2->SetName(QStringLiteral("Button2"));
    Button2->SetParent(this);
    Button2->SetBounds(606, 370, 130, 48);
    Button2->SetCaption(QStringLiteral("关闭(Esc)"));
    Button2->SetOnClick(TNotifyEvent(this, &TSell_Add_Cp::Button2Click));

    Timer1 = new TTimer(this);
    Timer1->SetName(QStringLiteral("Timer1"));
    Timer1->SetEnabled(false);
    Timer1->SetInterval(300);
    Timer1->SetOnTimer(TNotifyEvent(this, &TSell_Add_Cp::Timer1Timer));

    SetOnShow(TNotifyEvent(this, &TSell_Add_Cp::FormShow));
    SetOnClose(TCloseEvent(this, &TSell_Add_Cp::FormClose));
    SetOnKeyDown(TKeyEvent(this, &TSell_Add_Cp::FormKeyDown));
}

TSell_Add_Cp::~TSell_Add_Cp()
{
    if (Sell_Add_Cp == this)
        Sell_Add_Cp = nullptr;
}

void TSell_Add_Cp::FormShow(TObject *)
{
    Timer1->SetEnabled(true);
    qp->SetText(QStringLiteral("0"));
    Cpfenl_mc->Items()->Clear();
    FClassIds.clear();
    auto q = DataCenter->LocalOpen(QStringLiteral("select id,fenlmc from sys_cpfenl order by id"));
    for (q->First(); !q->Eof(); q->Next()) {
        Cpfenl_mc->Items()->Add(q->FieldByName(QStringLiteral("fenlmc")).AsString());
        FClassIds.push_back(q->FieldByName(QStringLiteral("id")).AsInteger());
    }
    LoadProducts();
    if (edit1->CanFocus())
        edit1->SetFocus();
}

void TSell_Add_Cp::LoadProducts()
{
    QString sql = QStringLiteral("select id,mc,bh,dw,gg from sys_cp cp where cp.id>0 ");
    QList<Variant> params;
    const QString t = edit1->Text();
    if (!t.isEmpty()) {
        sql += QStringLiteral(" and (cp.mc like ? or cp.piny like ?) ");
        const QString like = QStringLiteral("%") + t + QStringLiteral("%");
        params << Variant(like) << Variant(like);
    }
    const int c = Cpfenl_mc->ItemIndex();
    if (c >= 0 && c < int(FClassIds.size())) {
        sql += QStringLiteral(" and cp.dfl=?");
        params << Variant(FClassIds[size_t(c)]);
    }
    sql += QStringLiteral(" order by cp.bh,cp.mc");
    Cp_mc->Items()->Clear();
    FProductIds.clear();
    auto q = DataCenter->LocalOpen(sql, params);
    for (q->First(); !q->Eof(); q->Next()) {
        Cp_mc->Items()->Add(q->FieldByName(QStringLiteral("bh")).AsString() + q->FieldByName(QStringLiteral("mc")).AsString()
                            + QStringLiteral("____") + q->FieldByName(QStringLiteral("dw")).AsString());
        FProductIds.push_back(q->FieldByName(QStringLiteral("id")).AsInteger());
    }
}

int TSell_Add_Cp::ProductIdAt(int Index) const
{
    return Index >= 0 && Index < int(FProductIds.size()) ? FProductIds[size_t(Index)] : 0;
}

void TSell_Add_Cp::edit1Change(TObject *)
{
    LoadProducts();
}

void TSell_Add_Cp::Cpfenl_mcChange(TObject *)
{
    LoadProducts();
}

void TSell_Add_Cp::Timer1Timer(TObject *)
{
    if (SellHost.GetScaleRead()) {
        const QString w = SellHost.GetScaleWeight();
        if (zzl->Text() != w)
            zzl->SetText(w);
    }
    // Only what converts is computed; a half-typed number waits.
    double g, t, p;
    if (zzl->Text().isEmpty() || qp->Text().isEmpty() || !ToNumber(zzl->Text(), g) || !ToNumber(qp->Text(), t))
        return;
    const double n = RoundedNet(g, t);
    const QString net = FloatToStr(n);
    if (jz->Text() != net)
        jz->SetText(net);
    if (dj->Text().isEmpty() || !ToNumber(dj->Text(), p))
        return;
    const QString amount = FloatToStr(n * p);
    if (je->Text() != amount)
        je->SetText(amount);
}

void TSell_Add_Cp::Cp_mcClick(TObject *)
{
    const int product = ProductIdAt(Cp_mc->ItemIndex());
    if (product == 0)
        return;
    auto q = DataCenter->LocalOpen(QStringLiteral("select jg.sellprice from sys_jhdh dh,sys_selljg jg where dh.unit=jg.unitid "
                                                  "and dh.id=? and jg.cpid=?"),
                                   {Variant(SellHost.GetCurrentOrderId()), Variant(product)});
    if (q->IsEmpty()) {
        dj->SetText(QStringLiteral("0"));
        if (dj->CanFocus())
            dj->SetFocus();
        return;
    }
    dj->SetText(q->FieldByName(QStringLiteral("sellprice")).AsString());
    double n, p;
    if (!jz->Text().isEmpty() && ToNumber(jz->Text(), n) && ToNumber(dj->Text(), p))
        je->SetText(FloatToStr(n * p));
    if (jz->CanFocus())
        jz->SetFocus();
}

void TSell_Add_Cp::NumberKeyPress(TObject *Sender, QChar &Key)
{
    const ushort k = Key.unicode();
    if (k == 13) {
        if (Sender == dj)
            Button1Click(Button1);
        return;
    }
    if (k == 8 || Key == QLatin1Char('.') || (Key >= QLatin1Char('0') && Key <= QLatin1Char('9')))
        return;
    Key = QChar();
}

void TSell_Add_Cp::Button1Click(TObject *)
{
    const int product = ProductIdAt(Cp_mc->ItemIndex());
    if (product == 0) {
        SellWarning(QStringLiteral("清选择本次发货产品!"));
        return;
    }
    if (dj->Text().isEmpty()) {
        SellWarning(QStringLiteral("单价不能为空,请重新录入!"));
        dj->SetText(QStringLiteral("0"));
        return;
    }
    if (qp->Text().isEmpty()) {
        SellWarning(QStringLiteral("去皮不能为空,请重新录入!"));
        qp->SetText(QStringLiteral("0"));
        return;
    }
    // The figures as the timer would show them now, so a price typed just
    // before Enter is in the amount.
    Timer1Timer(Timer1);
    double gross, tare, net = 0, price;
    bool weighed = ToNumber(zzl->Text(), gross) && ToNumber(qp->Text(), tare) && ToNumber(dj->Text(), price) && gross >= 0;
    if (weighed) {
        // A net below zero would take goods back, as the keypads refuse it.
        try {
            net = NetWeight(gross, tare);
            gross = WrittenWeight(gross);
            tare = WrittenWeight(tare);
        } catch (const EConvertError &) {
            weighed = false;
        }
    }
    if (!weighed) {
        SellWarning(QStringLiteral("总重量或去皮不对,本次操作失败,请重新操作!"));
        return;
    }
    const int order = SellHost.GetCurrentOrderId();
    if (order == 0 || AddStationLine(order, product, gross, tare, net, price, net * price) == 0) {
        SellWarning(QStringLiteral("加品种失败,请重新操作!"));
        return;
    }
    SellHost.DoShowAllocatedLines();
    Close();
}

void TSell_Add_Cp::Button2Click(TObject *)
{
    Close();
}

void TSell_Add_Cp::FormKeyDown(TObject *, Word &Key, TShiftState)
{
    if (Key == VK_ESCAPE)
        Close();
}

void TSell_Add_Cp::FormClose(TObject *, TCloseAction &Action)
{
    Action = caHide;
    SellHost.EnableMain();
    Timer1->SetEnabled(false);
}

STATION_PUBLISHED(TSell_Add_Cp) {}
