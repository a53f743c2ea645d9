// The report engine: turns a loaded template into built pages in the
// report's built-page store. The run loop and passes, data bands and
// groups, pages and columns, band output with stretching, splitting and
// keep-together, and subreports are in qdzEngine*.cpp by topic.
#pragma once
#include "report/engine/qdzAggregate.h"
#include "report/engine/qdzBandTree.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassEngine.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

class TqdzView;
class TqdzStretcheable;
class TqdzSubreport;
class TqdzXMLItem;
class TqdzDialogPage;

// The bands shown again at the top of every new page or column.
struct TqdzHeaderListItem
{
    TqdzBand *Band = nullptr; // none once used up
    double Left = 0;
    bool IsInKeep = false;
};

class TqdzHeaderList
{
public:
    void Add(TqdzBand *Band, bool IsInKeep, double Left) { FItems.push_back({Band, Left, IsInKeep}); }
    // Deletes the first item of Band.
    void Remove(TqdzBand *Band);
    void Clear() { FItems.clear(); }
    int Count() const { return int(FItems.size()); }
    TqdzHeaderListItem &Items(int Index) { return FItems[Index]; }

private:
    std::vector<TqdzHeaderListItem> FItems;
};

// Two group-condition values count as the same group (Null and Empty alike).
bool qdzSameGroupValue(const Variant &A, const Variant &B);

class TqdzEngine : public TqdzCustomEngine
{
    STATION_CLASS(TqdzEngine, TqdzCustomEngine)
public:
    // The built pages at which the engine gives up (the build's limits).
    int MaxPages() const;

    // Cells of vertical bands, one list per horizontal page.
    using TqdzCells = std::vector<std::vector<TqdzComponent *>>;
    // Frees the cells it watches when the scope that built them ends.
    struct TqdzCellsGuard {
        TqdzCells &C;
        ~TqdzCellsGuard()
        {
            for (auto &Page : C)
                for (TqdzComponent *Cell : Page)
                    delete Cell;
        }
    };

    explicit TqdzEngine(TqdzReport *AReport);
    ~TqdzEngine() override;

    double GetPageHeight() override;
    void EndPage() override;
    void Initialize() override;
    void NewColumn() override;
    void NewPage() override;
    void ShowBand(TqdzBand *Band) override;
    void ShowBandByClass(TClass BandClass) override;
    double HeaderHeight() override;
    double FooterHeight() override;
    double FreeSpace() override;
    Variant GetAggregateValue(const QString &Name, const QString &Expression, TqdzBand *Band, int Flags) override;
    bool Run() override;

    // Builds one template page (for the page of a subreport: only its data
    // bands, at the current position).
    void RunPage(TqdzReportPage *Page);

    // The host's replacement for showing a dialog page; none here.
    std::function<void(TqdzDialogPage *)> OnRunDialog;

    TqdzAggregateList *AggregateList() const { return FAggregateList.get(); }
    TqdzHeaderList *HeaderList() const { return FHeaderList.get(); }
    const TqdzBandTree &BandTree() const { return FTree; }
    TqdzReportPage *CurPage() const { return FCurPage; }
    TqdzBand *CurBand() const { return FCurBand; }

private:
    // ---- run loop (qdzEngine.cpp)
    bool Prepare();
    bool RunDialogs();
    void RunReportPages();
    void RunPageBody(TqdzReportPage *Page);
    void ResetCounters();
    // Drops every pointer into the template (after a run, before the next).
    void ForgetTemplate();
    // The report's error list gets Text; the engine's own messages.
    void AddError(const QString &Text);
    // Ends the run when the page limit is reached.
    void CheckPageLimit();

    // ---- data bands and groups (qdzEngineBands.cpp)
    bool HasData(TqdzBand *Band, bool PrintIfEmpty, int Depth = 0);
    bool PageHasData(TqdzReportPage *Page, bool PrintIfEmpty);
    void ShowDataBands(const std::vector<TqdzBand *> &Bands);
    void ShowDataBand(TqdzDataBand *B);
    void ColumnStep(TqdzDataBand *B, int RowStartPos, double RowStartY);
    void OpenGroups(TqdzDataBand *B, int Level, bool AfterBreak);
    std::vector<TqdzBand *> CountGroupLines(TqdzDataBand *B, int Level, bool AfterBreak, bool Forget);
    void EnterGroupHeader(TqdzGroupHeader *G);
    bool CheckGroups(TqdzDataBand *B, TqdzDataSet *DS, int &RowStartPos, double &RowStartY);
    void CloseGroups(TqdzDataBand *B, int Level);
    void WorkOutDrillDown(TqdzDataBand *B);
    void AddToReprint(TqdzBand *Band);
    void RemoveFromReprint(TqdzBand *Band);
    void ForgetLastValues(TqdzBand *Band);
    std::vector<TqdzBand *> GroupRun(TqdzDataBand *B) const;

    // ---- pages and columns (qdzEnginePages.cpp)
    void StartTemplatePage(TqdzReportPage *Page);
    // Further: a further horizontal page of the current page (for vertical
    // cells), which takes the page's headers but is not a new page of rows.
    void StartPageWithHeaders(bool Further = false);
    // The page footer (on every horizontal page of the page) and the
    // overlay on top, on the store's current page.
    void FinishPageBands();
    void PlaceTopOverlay();
    void AdvanceColumn();
    void NoteBreak();
    void ShowColumnFooter();
    double ColumnPosition(int Column);
    void AddOutline(TqdzBand *Band, double Top);
    void AddPageOutline();
    void CloseOutlineLevel(TqdzBand *Band);
    void ShiftKeptOutline(int NewTop);
    // Runs Body on Band between its preparation and finish (qdzEnginePages.cpp).
    template<class F>
    void InVisibleBand(TqdzBand *Band, F &&Body);
    // Outputs Band at CurX/CurY without any page logic (footers, overlay,
    // headers in a new column), with its vertical cells.
    void PlaceBand(TqdzBand *Band, double Left, int Mode = 0);

    // ---- band output (qdzEngineOutput.cpp)
    void OutputBand(TqdzBand *Band);
    void PrepareBand(TqdzBand *Band);
    void AfterPrintBand(TqdzBand *Band);
    void BuildShiftTree(TqdzBand *Band);
    void ShiftViews(TqdzComponent *From, double Amount, bool IsRoot);
    void SplitBand(TqdzBand *Band);
    void AddToStore(TqdzBand *Band);
    void StartKeep(TqdzBand *Band, int Position = -1);
    void EndKeep(TqdzBand *Band);
    void DropKeep();
    // A kept block's cells on the further horizontal pages: held aside
    // before a break (where the block starts on the page of rows: Left,
    // Top), and put on the further pages after it, moved as the block was.
    struct TqdzKeptCells
    {
        std::vector<int> Pages; // old further pages, by index
        std::vector<bool> Held;
    };
    TqdzKeptCells HoldKeptCells();
    TqdzKeptCells CutKeptBlock(double &KeptLeft, double &KeptTop);
    void PlaceKeptCells(const TqdzKeptCells &Kept, double DX, double DY);
    // The views among a band's children, with what the output asks of each,
    // found once and kept while the children stay the same.
    struct TqdzBandViews
    {
        std::vector<TObject *> Children;
        std::vector<TClass> Classes;
        std::vector<TqdzView *> Views;
        std::vector<TqdzStretcheable *> Stretch; // per view, or none
        std::vector<TqdzSubreport *> Subs;       // per view, or none
        bool AnySub = false;
    };
    // Shared: a holder keeps its list while scripts change the children.
    std::shared_ptr<const TqdzBandViews> ViewsOf(TqdzBand *Band);
    std::vector<TqdzView *> OwnViews(TqdzBand *Band) { return ViewsOf(Band)->Views; }

    // ---- vertical bands (qdzEngineVertical.cpp)
    // The cells of the page's vertical bands for Host (placed at HostX), per
    // horizontal page.
    TqdzCells BuildVerticalCells(TqdzBand *Host, double HostX);
    void ShowVerticalData(TqdzBand *Host, TqdzDataBand *B, TqdzCells &Cells);
    void OpenVerticalGroups(TqdzBand *Host, TqdzDataBand *B, int Level, bool AfterBreak, TqdzCells &Cells);
    bool CheckVerticalGroups(TqdzBand *Host, TqdzDataBand *B, TqdzDataSet *DS, TqdzCells &Cells);
    void CloseVerticalGroups(TqdzBand *Host, TqdzDataBand *B, int Level, TqdzCells &Cells);
    // Reprint: a vertical header shown again at the start of a further
    // horizontal page, which never breaks.
    void ShowVerticalCell(TqdzBand *Host, TqdzBand *V, TqdzCells &Cells, bool Reprint = false);
    // How a host goes onto the further horizontal pages: where its cells
    // reached; on every one (column footers, prepared again on each); on
    // every one that does not hold a page footer yet.
    enum { omCells = 0, omEveryPage = 1, omPageFooter = 2 };
    // Puts Host on the current page with its first page of cells, and on
    // the further horizontal pages with theirs. While a further page is
    // started, only on that page.
    void OutputWithCells(TqdzBand *Host, TqdzCells &Cells, int Mode = omCells);
    // The store index of the current page's further horizontal page Index
    // (1-based), made when missing; -1 when the run stops.
    int VerticalPage(int Index);
    // Page footers on the further horizontal pages of the page being closed.
    void FinishVerticalPages();

    // ---- subreports (qdzEngineSubreports.cpp)
    void RunSubreports(TqdzBand *Band);
    void RunSubreportsOnParent(TqdzBand *Band);
    // False, with an error, for a subreport that cannot run.
    bool CanRunSubreport(TqdzSubreport *S);

    // ---- store helpers
    int StorePageCount();

    std::unique_ptr<TqdzHeaderList> FHeaderList;
    std::unique_ptr<TqdzAggregateList> FAggregateList;
    // Name and LineThrough of each data band whose details are shown,
    // innermost last.
    std::vector<std::pair<QString, int>> FDrillPath;
    // Bands whose outline level is open.
    QSet<const TqdzBand *> FOutlineOpen;
    // Views a band held before print-on-parent subreports added theirs.
    QHash<const TqdzBand *, int> FOwnViewCount;
    std::vector<TqdzBand *> FVReprintList;
    TqdzBandTree FTree;

    TqdzReportPage *FCurPage = nullptr;
    TqdzBand *FCurBand = nullptr;
    bool FFirstReportPage = false;
    bool FFirstPageOfRun = false;
    bool FPageRunStart = false;
    bool FLastPage = false;
    double FFooterReserve = 0;
    double FColumnLeft = 0;
    double FPageTopY = 0;
    TqdzBand *FOutputTarget = nullptr;
    TqdzBand *FBreakBand = nullptr;
    TqdzBand *FBreakBand2 = nullptr;
    bool FInSummary = false;
    bool FReprintingHeaders = false;
    bool FPageHeaderInProgress = false;
    bool FVerticalCells = false;
    // The horizontal page, from the host's, that vertical cells reached;
    // whether cells (not reprinted headers) are on it yet.
    int FVCellPage = 0;
    bool FVPageHasCells = false;
    // A cell of a vertical data band whose totals are kept per column is
    // being evaluated.
    bool FCellPerColumn = false;
    // Where vertical cells start on every horizontal page, from the host's
    // left; the host's left on the page.
    double FVStart = 0;
    double FVHostX = 0;
    // Store indices of the current page's further horizontal pages.
    std::vector<int> FVPages;
    // The further page (1-based) being started, whose headers take only
    // their cells of that page; 0 otherwise.
    int FFurtherIndex = 0;
    // Hosts already put on a further page (by its start), by page.
    std::set<std::pair<const TqdzBand *, int>> FFurtherPlaced;
    // The store index of the page of rows being filled, and the further
    // pages of the last finished one (a page printed on the previous one
    // continues there).
    int FMainPage = -1;
    std::vector<int> FLastVPages;
    int FLastMainPage = -1;
    // Keep-together: per further page, the store position where the kept
    // block starts on it.
    std::vector<int> FKeepVPos;
    int FVChildDepth = 0;
    // While the page's own headers start a page of rows, their further
    // pages are made after them (so that each is shown there once, in
    // order), this many; the hosts being put on further pages now.
    bool FDeferVPages = false;
    int FVPagesWanted = 0;
    std::vector<const TqdzBand *> FCellHosts;

    // keep-together
    bool FKeeping = false;
    TqdzBand *FKeepBand = nullptr;
    double FKeepStartY = 0;
    int FKeepPosition = 0;
    TqdzXMLItem *FKeepOutline = nullptr;
    // The outline level the kept block adds to, for a block whose first
    // entry opens that level (FKeepOutline is then nil).
    TqdzXMLItem *FKeepOutlineLevel = nullptr;
    int FKeepAnchor = 0;
    bool FKeepHeaderMark = false;
    bool FFooterInProgress = false;

    // run-time state of bands and views
    QHash<const TqdzComponent *, std::vector<TqdzView *>> FShiftLists;
    QHash<const TqdzView *, double> FStretchDelta;
    QHash<const TqdzBand *, double> FLastOutputHeight;
    std::unordered_map<const TqdzBand *, std::shared_ptr<const TqdzBandViews>> FBandViews;
    // Pages being run: a subreport naming one of them is refused.
    QSet<const TqdzReportPage *> FRunningPages;
    int FShowDepth = 0;
    // Bands whose own events (or their views') are running, with a count of
    // the nested runs: such a band is not shown again from them.
    QHash<const TqdzBand *, int> FBandsInEvents;
    struct TqdzInEvents
    {
        TqdzInEvents(QHash<const TqdzBand *, int> &AList, const TqdzBand *ABand);
        ~TqdzInEvents();
        QHash<const TqdzBand *, int> &List;
        const TqdzBand *Band;
    };
    // Counts page and column breaks; the store position and Y where output
    // went on after the last one (a multi-column row restarts there).
    int FBreakSerial = 0;
    int FBreakPos = 0;
    double FBreakY = 0;
};

// Puts the engine and the progress window into the build layer's factory
// table (the other entries are left as they are).
void qdzAddEngineFactories(TqdzBuildFactories &Factories);
