// A stand-in engine, built-page store and outline for the report object's
// tests: the engine walks the report pages, evaluates every bracketed
// expression of every memo through the report's Calc and adds one built page
// per report page; tests hook into the run to act while it builds.
#pragma once
#include "platform/Dialogs.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassEngine.h"

#include <QStringList>
#include <functional>

class TStandInEngine;

// A memo that draws nothing, for templates of these tests.
class TqdzStandInMemo : public TqdzCustomMemoView
{
    STATION_CLASS(TqdzStandInMemo, TqdzCustomMemoView)
public:
    explicit TqdzStandInMemo(TComponent *AOwner) : TqdzCustomMemoView(AOwner) {}
    void Draw(TCanvas *, double, double, double, double) override {}
};

class TStandInOutline : public TqdzCustomOutline
{
public:
    using TqdzCustomOutline::TqdzCustomOutline;
    int GetCount() override { return Items.size(); }
    void AddItem(const QString &Text, int) override { Items.append(Text); }
    void LevelDown(int) override {}
    void LevelRoot() override {}
    void LevelUp() override {}
    void GetItem(int Index, QString &Text, int &, int &) override { Text = Items.value(Index); }
    void ShiftItems(TqdzXMLItem *, int) override {}
    TqdzXMLItem *GetLastItem() override { return nullptr; }
    QStringList Items;
};

class TStandInPages : public TqdzCustomPreviewPages
{
public:
    using TqdzCustomPreviewPages::TqdzCustomPreviewPages;
    int GetCount() override { return Pages; }
    TqdzReportPage *GetPage(int) override { return nullptr; }
    TPoint GetPageSize(int) override { return TPoint{0, 0}; }
    void Clear() override
    {
        Pages = 0;
        ++Clears;
        SetCurPage(-1);
    }
    void Initialize() override {}
    void AddObject(TqdzComponent *) override {}
    void AddPage(TqdzReportPage *) override
    {
        ++Pages;
        SetCurPage(Pages - 1);
    }
    void AddSourcePage(TqdzReportPage *) override {}
    void AddToSourcePage(TqdzComponent *) override {}
    void BeginPass() override {}
    void ClearFirstPassPages() override {}
    void CutObjects(int) override {}
    void Finish() override {}
    void IncLogicalPageNumber() override {}
    void ResetLogicalPageNumber() override {}
    void PasteObjects(double, double) override {}
    void ShiftAnchors(int, int) override {}
    void AddPicture(TqdzPictureView *) override {}
    bool BandExists(TqdzBand *) override { return false; }
    int GetCurPosition() override { return 0; }
    int GetAnchorCurPosition() override { return -1; }
    double GetLastY(double) override { return 0; }
    int GetLogicalPageNo() override { return CurPage() + 1; }
    int GetLogicalTotalPages() override { return Pages; }
    void AddEmptyPage(int) override {}
    void DeletePage(int) override {}
    void ModifyPage(int, TqdzReportPage *) override {}
    void DrawPage(int, TCanvas *, double, double, double, double) override {}
    void ObjectAtPoint(int, int, int, bool, TCursor &, double, double, double, TMouseButton, TShiftState,
                       bool) override
    {
    }
    void AddPagesFrom(TqdzReport *) override {}
    void LoadFromStream(TStream *, bool) override {}
    void SaveToStream(TStream *) override {}
    bool LoadFromFile(const QString &, bool) override { return false; }
    void SaveToFile(const QString &) override {}
    bool Print() override
    {
        ++Prints;
        return Pages > 0;
    }
    void Export(TqdzCustomExportFilter *) override {}
    void AddAnchor(const QString &) override {}
    int GetAnchorPage(const QString &) override { return 1; }

    int Pages = 0;
    int Clears = 0;
    int Prints = 0;
};

class TStandInEngine : public TqdzCustomEngine
{
public:
    using TqdzCustomEngine::TqdzCustomEngine;
    void EndPage() override {}
    void NewColumn() override {}
    void NewPage() override {}
    void ShowBand(TqdzBand *) override {}
    void ShowBandByClass(TClass) override {}
    double HeaderHeight() override { return 0; }
    double FooterHeight() override { return 0; }
    double FreeSpace() override { return 0; }
    Variant GetAggregateValue(const QString &Name, const QString &Expression, TqdzBand *, int Flags) override
    {
        Aggregates.append(Name + QLatin1Char('|') + Expression + QLatin1Char('|') + QString::number(Flags));
        return Variant(42);
    }
    bool Run() override;

    // Values of the memo expressions, "Memo1=value", in the order met.
    QStringList Results;
    QStringList Aggregates;
};

// Called inside every stand-in run, after the pages are walked; may throw.
std::function<void(TStandInEngine *)> &StandInRunHook();
// The last stand-in engine created.
TStandInEngine *&LastStandInEngine();

// Installs the stand-ins as the build layer's factories for the test's life.
class TStandInBuild
{
public:
    TStandInBuild();
    ~TStandInBuild();
    TStandInBuild(const TStandInBuild &) = delete;
    TStandInBuild &operator=(const TStandInBuild &) = delete;
    // Messages shown in message boxes meanwhile.
    QStringList Shown;

private:
    TScopedDialogHook FHook;
};
