// The export filter base and the look-up of the dot-matrix filter among the registered ones.
#include "qdzExportFilter.h"

#include "qdzDsgnIntf.h"

STATION_PUBLISHED(TqdzCustomExportFilter) {}

TqdzCustomExportFilter *qdzDotMatrixExportFilter()
{
    TqdzExportFilterCollection *filters = qdzExportFilters();
    for (int i = 0; i < filters->Count(); ++i)
        if (auto *f = dynamic_cast<TqdzCustomExportFilter *>(filters->Items(i)->Filter); f && f->DotMatrix())
            return f;
    return nullptr;
}
