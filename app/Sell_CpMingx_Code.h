// The details of one product on the work date, over all its order lines
// ("查明细F5" on the by-product page).
#pragma once
#include "Sell_Mingx_Code.h"

class TSell_CpMingx : public TSell_Mingx
{
    STATION_CLASS(TSell_CpMingx, TSell_Mingx)
public:
    explicit TSell_CpMingx(TComponent *AOwner);
    ~TSell_CpMingx() override;

protected:
    QString ListStatement(QList<Variant> &Params) const override;
};

extern TSell_CpMingx *Sell_CpMingx;
