// The export filter base: what the built-page store hands its pages to.
#pragma once
#include "platform/Classes.h"
#include "platform/Controls.h"

#include <QString>

class TqdzComponent;
class TqdzReport;
class TqdzReportPage;

// A filter is registered in qdzExportFilters (the unit that registers it owns
// it); the store's Export drives it: Start, then per page BeginPage and
// ExportObject for each object (the page background first), then Finish.
class TqdzCustomExportFilter : public TPersistent
{
    STATION_CLASS(TqdzCustomExportFilter, TPersistent)
public:
    TqdzCustomExportFilter() = default;

    // The filter's own dialog; any result but mrOk ends the export.
    virtual TModalResult ShowModal() { return mrOk; }
    // False: nothing is exported.
    virtual bool Start() = 0;
    virtual void BeginPage(TqdzReportPage *Page) = 0;
    virtual void ExportObject(TqdzComponent *Obj) = 0;
    virtual void Finish() = 0;
    // True for the filter that prints dot-matrix reports.
    virtual bool DotMatrix() const { return false; }
    // What the preview's export menu calls the filter.
    virtual QString GetDescription() const { return ClassName(); }

    TqdzReport *Report() const { return FReport; }
    void SetReport(TqdzReport *Value) { FReport = Value; }
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool Value) { FShowDialog = Value; }
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    // Export only the preview's current page.
    bool CurPage() const { return FCurPage; }
    void SetCurPage(bool Value) { FCurPage = Value; }
    // Page-range text ("1,3,5-12"); empty: every page.
    const QString &PageNumbers() const { return FPageNumbers; }
    void SetPageNumbers(const QString &Value) { FPageNumbers = Value; }
    TNotifyEvent OnBeginExport() const { return FOnBeginExport; }
    void SetOnBeginExport(const TNotifyEvent &Value) { FOnBeginExport = Value; }

private:
    TqdzReport *FReport = nullptr;
    bool FShowDialog = true;
    bool FShowProgress = true;
    bool FCurPage = false;
    QString FPageNumbers;
    TNotifyEvent FOnBeginExport;
};

// The registered filter that prints dot-matrix reports, or nullptr.
TqdzCustomExportFilter *qdzDotMatrixExportFilter();
