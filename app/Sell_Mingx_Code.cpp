// Implementation of the details windows.
#include "Sell_Mingx_Code.h"
#include "Sell_Host.h"
#include "SysUtils.h"
#include "datacenter_code.h"
#include "weighing_code.h"

TSell_Mingx *Sell_Mingx = nullptr;

void FillDetailsRows(TADOQuery *Details, TADOQuery *Source)
{
    Details->Close();
    // Rows appended here are for showing only: they never reach the table.
    Details->SetLockType(ltBatchOptimistic);
    Details->SQL()->SetText(
        QStringLiteral("select id,local_jhsj,sys_jhsj_id,mc,dw,gg,dinghl,songhl,bz from sys_print where id=0"));
    Details->Open();
    QString lastLine;
    int number = 0;
    for (Source->First(); !Source->Eof(); Source->Next()) {
        const TField line = Source->FieldByName(QStringLiteral("sjid"));
        if (line.AsString() != lastLine) {
            lastLine = line.AsString();
            number = 0;
            Details->Append();
            Details->FieldByName(QStringLiteral("local_jhsj")).SetValue(Source->FieldByName(QStringLiteral("local_jhsj")).Value());
            Details->FieldByName(QStringLiteral("sys_jhsj_id")).SetValue(line.Value());
            for (const char *f : {"mc", "dw", "gg", "dinghl", "songhl", "bz"})
                Details->FieldByName(QString::fromLatin1(f)).SetValue(Source->FieldByName(QString::fromLatin1(f)).Value());
            Details->Post();
        }
        const TField record = Source->FieldByName(QStringLiteral("id"));
        if (record.IsNull())
            continue;
        ++number;
        Details->Append();
        Details->FieldByName(QStringLiteral("id")).SetValue(record.Value());
        Details->FieldByName(QStringLiteral("sys_jhsj_id")).SetValue(line.Value());
        Details->FieldByName(QStringLiteral("local_jhsj")).SetValue(Source->FieldByName(QStringLiteral("local_jhsj")).Value());
        Details->FieldByName(QStringLiteral("mc")).SetAsString(QString());
        Details->FieldByName(QStringLiteral("dw")).SetAsString(QString::number(number));
        Details->FieldByName(QStringLiteral("gg")).SetAsString(Source->FieldByName(QStringLiteral("zhongzl")).AsString());
        Details->FieldByName(QStringLiteral("dinghl")).SetValue(Source->FieldByName(QStringLiteral("qup")).Value());
        Details->FieldByName(QStringLiteral("songhl")).SetValue(Source->FieldByName(QStringLiteral("zl")).Value());
        Details->Post();
    }
    Details->Last();
}

bool DeleteWeighingRecord(int RecordId)
{
    return LocalTransaction([&] {
        auto q = DataCenter->LocalOpen(
            QStringLiteral("select mx.jhsj_id,mx.zhongzl,mx.qup,sj.songhl,sj.dj from sys_jhsj_mx mx left join sys_jhsj sj "
                           "on sj.id=mx.jhsj_id where mx.id=? and mx.delete_yes is null"),
            {Variant(RecordId)});
        if (q->IsEmpty())
            return;
        const int line = q->FieldByName(QStringLiteral("jhsj_id")).AsInteger();
        const double net = RoundedNet(q->FieldByName(QStringLiteral("zhongzl")).AsFloat(),
                                      q->FieldByName(QStringLiteral("qup")).AsFloat());
        // Rounded as a weighing is, so taking off the only record leaves 0,
        // not the binary remainder of two subtractions.
        const Variant left = q->FieldByName(QStringLiteral("songhl")).IsNull()
                                 ? Null()
                                 : Variant(WrittenWeight(q->FieldByName(QStringLiteral("songhl")).AsFloat() - net));
        const TField dj = q->FieldByName(QStringLiteral("dj"));
        const Variant amount =
            VarIsNull(left) || dj.IsNull() ? Null() : Variant(WrittenAmount(left.AsDouble() * dj.AsFloat()));
        LocalRun(QStringLiteral("update sys_jhsj set dinghl=case when local_jhsj is null then dinghl else ? end,"
                                "songhl=?,shisje=? where id=?"),
                 {left, left, amount, Variant(line)});
        LocalRun(QStringLiteral("update sys_jhsj_mx set delete_yes=1 where id=?"), {Variant(RecordId)});
    });
}

bool DeleteAddedLine(int LineId)
{
    bool added = false;
    const bool ok = LocalTransaction([&] {
        auto q = DataCenter->LocalOpen(QStringLiteral("select id from sys_jhsj where id=? and local_jhsj is not null"),
                                       {Variant(LineId)});
        added = !q->IsEmpty();
        if (!added)
            return;
        // Order id 0 hides the line from every order: with station orders below
        // zero, a negated id could name another order. The line waits (not
        // uploaded) until an upload took its share off the server.
        LocalRun(QStringLiteral("update sys_jhsj set deleted_dhid=dhid,dhid=0,has_upload=null where id=? and dhid<>0"),
                 {Variant(LineId)});
        LocalRun(QStringLiteral("update sys_jhsj_mx set  delete_yes=1  where jhsj_id=?"), {Variant(LineId)});
    });
    return ok && added;
}

TSell_Mingx::TSell_Mingx(TComponent *AOwner) : TForm(AOwner)
{
    Build(false);
}

TSell_Mingx::TSell_Mingx(TComponent *AOwner, bool ByProduct) : TForm(AOwner)
{
    Build(ByProduct);
}

void TSell_Mingx::Build(bool ByProduct)
{
    FByProduct = ByProduct;
    if (!ByProduct)
        Sell_Mingx = this;
    const QString base = ByProduct ? QStringLiteral("Sell_CpMingx") : QStringLiteral("Sell_Mingx");
    SetName(UniqueFormName(Owner(), base));
    SetCaption(ByProduct ? QStringLiteral("产品配货明细查询") : QStringLiteral("订单配货明细查询"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(900);
    SetClientHeight(600);
    SetKeyPreview(true);

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetBounds(16, 18, 130, 24);
    Label1->SetCaption(QStringLiteral("模糊检索产品:"));
    Edit1 = new TEdit(this);
    Edit1->SetName(QStringLiteral("Edit1"));
    Edit1->SetParent(this);
    Edit1->SetBounds(150, 14, 300, 28);
    Edit1->SetText(QString());
    Edit1->SetOnChange(TNotifyEvent(this, &TSell_Mingx::Edit1Change));

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
    N1 = new TMenuItem(this);
    N1->SetName(QStringLiteral("N1"));
    N1->SetCaption(QStringLiteral("删除所选行配货数据"));
    N1->SetOnClick(TNotifyEvent(this, &TSell_Mingx::N1Click));
    PopupMenu1->Items()->Add(N1);
    N2 = new TMenuItem(this);
    N2->SetName(QStringLiteral("N2"));
    N2->SetCaption(QStringLiteral("删除所选新增品种"));
    N2->SetOnClick(TNotifyEvent(this, &TSell_Mingx::N2Click));
    PopupMenu1->Items()->Add(N2);

    Sell_Mingx_DBGrid1 = new TDBGrid(this);
    Sell_Mingx_DBGrid1->SetName(ByProduct ? QStringLiteral("Sell_CpMingx_DBGrid1") : QStringLiteral("Sell_Mingx_DBGrid1"));
    Sell_Mingx_DBGrid1->SetParent(this);
    Sell_Mingx_DBGrid1->SetBounds(16, 54, 868, 470);
    Sell_Mingx_DBGrid1->Font()->SetSize(12);
    Sell_Mingx_DBGrid1->SetDefaultRowHeight(28);
    Sell_Mingx_DBGrid1->SetDataSource(ByProduct ? DataCenter->L_Sell_CpTmp_Source : DataCenter->L_Sell_Tmp_Source);
    Sell_Mingx_DBGrid1->SetPopupMenu(PopupMenu1);
    struct Col {
        const char *Field;
        const char *Title;
        int Width;
    };
    for (const Col &c : {Col{"mc", "品名", 220}, Col{"dw", "单位/序", 100}, Col{"gg", "规格/总重量", 130},
                         Col{"dinghl", "订货量/去皮", 130}, Col{"songhl", "已送量/本次量", 130}, Col{"bz", "备注", 120}}) {
        TColumn *column = Sell_Mingx_DBGrid1->Columns()->Add();
        column->SetFieldName(QString::fromLatin1(c.Field));
        column->Title()->SetCaption(QString::fromUtf8(c.Title));
        column->SetWidth(c.Width);
    }
    Sell_Mingx_DBGrid1->SetOnDrawColumnCell(TDrawColumnCellEvent(this, &TSell_Mingx::Sell_Mingx_DBGrid1DrawColumnCell));

    Button1 = new TButton(this);
    Button1->SetName(QStringLiteral("Button1"));
    Button1->SetParent(this);
    Button1->SetBounds(744, 538, 140, 44);
    Button1->SetCaption(QStringLiteral("关闭(Esc)"));
    Button1->SetOnClick(TNotifyEvent(this, &TSell_Mingx::Button1Click));

    SetOnShow(TNotifyEvent(this, &TSell_Mingx::FormShow));
    SetOnClose(TCloseEvent(this, &TSell_Mingx::FormClose));
    SetOnKeyDown(TKeyEvent(this, &TSell_Mingx::FormKeyDown));
}

TSell_Mingx::~TSell_Mingx()
{
    if (Sell_Mingx == this)
        Sell_Mingx = nullptr;
}

TADOQuery *TSell_Mingx::Details() const
{
    return FByProduct ? DataCenter->L_Sell_CpTmp_Query : DataCenter->L_Sell_Tmp_Query;
}

QString TSell_Mingx::ListStatement(QList<Variant> &Params) const
{
    QString sql = QStringLiteral(
        "select sj.local_jhsj,sj.id as sjid,mx.id,cp.mc,cp.dw,cp.gg,sj.dinghl,sj.songhl,sj.bz,mx.zhongzl,mx.qup,"
        "mx.zhongzl-mx.qup as zl "
        "from sys_jhsj sj inner join sys_cp cp on sj.mc=cp.id "
        "left join sys_jhsj_mx mx on (sj.id=mx.jhsj_id and mx.delete_yes is null) "
        "where sj.dhid=?");
    Params << Variant(SellHost.GetCurrentOrderId());
    const QString t = Edit1->Text();
    if (!t.isEmpty()) {
        sql += QStringLiteral(" and (cp.mc like ? or cp.piny like ?) ");
        const QString like = QStringLiteral("%") + t + QStringLiteral("%");
        Params << Variant(like) << Variant(like);
    }
    return sql + QStringLiteral(" order by sj.id,mx.id");
}

void TSell_Mingx::LoadDetails()
{
    QList<Variant> params;
    const QString sql = ListStatement(params);
    auto q = DataCenter->LocalOpen(sql, params);
    FillDetailsRows(Details(), q.get());
    Sell_Mingx_DBGrid1->SyncWithDataSet();
    Sell_Mingx_DBGrid1->Invalidate();
    if (q->IsEmpty())
        SellWarning(QStringLiteral("没有配货信息!"));
}

bool TSell_Mingx::OnRecordRow() const
{
    TADOQuery *d = Details();
    return d->Active() && !d->IsEmpty() && !d->FieldByName(QStringLiteral("id")).IsNull();
}

void TSell_Mingx::FormShow(TObject *)
{
    LoadDetails();
}

void TSell_Mingx::Edit1Change(TObject *)
{
    LoadDetails();
}

void TSell_Mingx::N1Click(TObject *)
{
    if (!OnRecordRow()) {
        SellWarning(QStringLiteral("请选择正确的配货明细所在行!"));
        return;
    }
    if (!SellConfirm(QStringLiteral("您确认要删除所选行吗?")))
        return;
    const int record = Details()->FieldByName(QStringLiteral("id")).AsInteger();
    const bool ok = DeleteWeighingRecord(record);
    LoadDetails();
    SellHost.DoReloadTiles();
    if (!ok)
        SellWarning(QStringLiteral("删除失败,请重新操作!"));
}

void TSell_Mingx::N2Click(TObject *)
{
    TADOQuery *d = Details();
    if (!d->Active() || d->IsEmpty() || OnRecordRow()) {
        SellWarning(QStringLiteral("请选择正确的新增品种所在行!"));
        return;
    }
    if (d->FieldByName(QStringLiteral("local_jhsj")).AsString().isEmpty()) {
        SellWarning(QStringLiteral("只能删除车间新增单，网络订单不可删除!"));
        return;
    }
    if (!SellConfirm(QStringLiteral("您确认要删除所选新增品种吗?")))
        return;
    const int line = d->FieldByName(QStringLiteral("sys_jhsj_id")).AsInteger();
    const bool ok = DeleteAddedLine(line);
    LoadDetails();
    ReloadAfterLineDeleted();
    if (!ok)
        SellWarning(QStringLiteral("删除失败,请重新操作!"));
}

void TSell_Mingx::ReloadAfterLineDeleted()
{
    SellHost.DoReloadLists();
}

void TSell_Mingx::Sell_Mingx_DBGrid1DrawColumnCell(TObject *, const TRect &Rect, int DataCol, TColumn *Column,
                                                   TGridDrawState State)
{
    TCanvas *c = Sell_Mingx_DBGrid1->Canvas();
    if (State.Contains(gdSelected) || State.Contains(gdFocused)) {
        c->Brush()->SetColor(clLime);
    } else if (!OnRecordRow()) {
        c->Brush()->SetColor(clGray);
    }
    if (OnRecordRow())
        c->Font()->SetColor(clBlack);
    Sell_Mingx_DBGrid1->DefaultDrawColumnCell(Rect, DataCol, Column, State);
}

void TSell_Mingx::Button1Click(TObject *)
{
    Close();
}

void TSell_Mingx::FormKeyDown(TObject *, Word &Key, TShiftState)
{
    if (Key == VK_ESCAPE)
        Close();
}

void TSell_Mingx::FormClose(TObject *, TCloseAction &Action)
{
    Action = caHide;
    SellHost.EnableMain();
}

STATION_PUBLISHED(TSell_Mingx) {}
