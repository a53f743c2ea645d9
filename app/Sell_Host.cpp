// Hooks the main window gives the weighing, manual-order and details dialogs.
#include "Sell_Host.h"
#include "Forms.h"

TSellHost SellHost;

void TSellHost::EnableMain() const
{
    if (MainForm)
        MainForm->SetEnabled(true);
}

void SellWarning(const QString &Text)
{
    Application->MessageBox(Text, QStringLiteral("提示!"), MB_ICONWARNING);
}

bool SellConfirm(const QString &Text)
{
    return Application->MessageBox(Text, QStringLiteral("提示!"), MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

#include "datacenter_code.h"

void LocalRun(const QString &Sql, const QList<Variant> &Params)
{
    if (!DataCenter->LocalExec(Sql, Params))
        throw EDatabaseError(QStringLiteral("本地数据库语句执行失败: ") + Sql);
}
