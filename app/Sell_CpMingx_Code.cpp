// Implementation of the details of one product on the work date.
#include "Sell_CpMingx_Code.h"
#include "Sell_Host.h"

TSell_CpMingx *Sell_CpMingx = nullptr;

TSell_CpMingx::TSell_CpMingx(TComponent *AOwner) : TSell_Mingx(AOwner, true)
{
    Sell_CpMingx = this;
}

TSell_CpMingx::~TSell_CpMingx()
{
    if (Sell_CpMingx == this)
        Sell_CpMingx = nullptr;
}

QString TSell_CpMingx::ListStatement(QList<Variant> &Params) const
{
    QString sql = QStringLiteral(
        "select sj.id as sjid,sj.local_jhsj as local_jhsj,mx.id,cp.mc,cp.dw,cp.gg,sj.dinghl,sj.songhl,sj.bz,"
        "mx.zhongzl,mx.qup,mx.zhongzl-mx.qup as zl from "
        "sys_jhsj sj inner join sys_cp cp on sj.mc=cp.id "
        "left join sys_jhsj_mx mx on (sj.id=mx.jhsj_id and mx.delete_yes is null) "
        "left join sys_jhdh dh on dh.id=sj.dhid where cp.id=? and dh.dhrq=?");
    Params << Variant(SellHost.GetCurrentProductId()) << Variant(SellHost.GetWorkDate());
    const QString t = Edit1->Text();
    if (!t.isEmpty()) {
        sql += QStringLiteral(" and (cp.mc like ? or cp.piny like ?) ");
        const QString like = QStringLiteral("%") + t + QStringLiteral("%");
        Params << Variant(like) << Variant(like);
    }
    return sql + QStringLiteral(" order by sj.id,mx.id");
}

STATION_PUBLISHED(TSell_CpMingx) {}
