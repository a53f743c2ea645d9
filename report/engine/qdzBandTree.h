// The band tree the engine walks: per template page, the top-level data
// bands with their details, headers, footers and groups, built from the
// page's flat band list before each run, and the run-time counters of the
// bands in it.
#pragma once
#include "platform/Variants.h"

#include <QHash>
#include <unordered_map>
#include <QString>
#include <vector>

class TStrings;
class TqdzBand;
class TqdzDataBand;
class TqdzDataSet;
class TqdzGroupHeader;
class TqdzReportPage;
class TqdzComponent;

// Run-time links and counters of one band.
struct TqdzBandLinks
{
    // Data band: its detail bands that have a dataset, in position order.
    // Group header: the run of consecutive group headers it starts.
    std::vector<TqdzBand *> Details;
    TqdzBand *Header = nullptr;
    // Data band: its footer; group header: its group footer.
    TqdzBand *Footer = nullptr;
    // Data band: the first group header of the groups around it.
    TqdzGroupHeader *Group = nullptr;
    // Some of the band's views were moved into vertical bands.
    bool HasVBands = false;
    int Line = 0;
    int LineThrough = 0;
    // Group header: Condition's value for the current group.
    Variant LastValue;
    // Multi-column data band: the lowest bottom of the current row.
    double ColumnMaxY = 0;
};

class TqdzBandTree
{
public:
    void Clear();
    // Every band's counters and group values start again (a new pass).
    void ResetCounters();
    // Builds the tree of one page and orientation; messages of bands that
    // fit nowhere go to Errors. The horizontal pass also moves the views of
    // horizontal bands that lie within a vertical band into it.
    void Build(TqdzReportPage *Page, bool Vertical, TStrings *Errors);

    TqdzBandLinks &Links(const TqdzBand *Band) { return FLinks[Band]; }
    const TqdzBandLinks *Find(const TqdzBand *Band) const;
    // The top-level data bands (with a dataset) of a page.
    const std::vector<TqdzDataBand *> &Masters(const TqdzReportPage *Page, bool Vertical) const;
    // The band's dataset, or its own virtual one when it has none and a
    // RowCount of at least 1; none otherwise.
    static TqdzDataSet *DataSetOf(const TqdzDataBand *Band);
    // For a view moved into a vertical band: the band it came from.
    TqdzBand *SourceBand(const TqdzComponent *View) const { return FSourceBands.value(View); }

private:
    struct PageMasters
    {
        std::vector<TqdzDataBand *> H, V;
    };
    void TakeDetails(std::vector<TqdzBand *> &List, TqdzBand *Band, size_t From);

    // Node-based: a reference to a band's links stays valid while others are added.
    std::unordered_map<const TqdzBand *, TqdzBandLinks> FLinks;
    QHash<const TqdzReportPage *, PageMasters> FMasters;
    QHash<const TqdzComponent *, TqdzBand *> FSourceBands;
};
