// The band tree: linking a page's bands into data bands with their details,
// headers, footers and groups.
#include "report/engine/qdzBandTree.h"

#include "platform/Classes.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzRes.h"

#include <algorithm>
#include <map>

namespace {

// Kinds of the band-kind table the tree sorts.
constexpr int bkHeader = 4, bkFooter = 5, bkMaster = 6, bkLastData = 11, bkGroupHeader = 12, bkGroupFooter = 13;

bool IsDataKind(int Kind) { return Kind >= bkMaster && Kind <= bkLastData; }

void Report(TStrings *Errors, const char *Key, const TqdzBand *Band)
{
    if (Errors)
        Errors->Add(qdzResources()->ResourceText(QString::fromLatin1(Key)) + QLatin1Char(' ') + Band->Name());
}

} // namespace

void TqdzBandTree::Clear()
{
    FLinks.clear();
    FMasters.clear();
    FSourceBands.clear();
}

void TqdzBandTree::ResetCounters()
{
    for (auto &P : FLinks) {
        P.second.Line = 0;
        P.second.LineThrough = 0;
        P.second.LastValue = Variant();
        P.second.ColumnMaxY = 0;
    }
}

const TqdzBandLinks *TqdzBandTree::Find(const TqdzBand *Band) const
{
    auto It = FLinks.find(Band);
    return It == FLinks.end() ? nullptr : &It->second;
}

const std::vector<TqdzDataBand *> &TqdzBandTree::Masters(const TqdzReportPage *Page, bool Vertical) const
{
    static const std::vector<TqdzDataBand *> None;
    auto It = FMasters.constFind(Page);
    if (It == FMasters.cend())
        return None;
    return Vertical ? It->V : It->H;
}

TqdzDataSet *TqdzBandTree::DataSetOf(const TqdzDataBand *Band)
{
    if (!Band)
        return nullptr;
    if (Band->DataSet())
        return Band->DataSet();
    return Band->RowCount() >= 1 ? Band->VirtualDataSet() : nullptr;
}

void TqdzBandTree::TakeDetails(std::vector<TqdzBand *> &List, TqdzBand *Band, size_t From)
{
    const int Kind = Band->GetBandKind();
    if (Kind >= bkLastData)
        return;
    size_t I = From;
    while (I < List.size()) {
        TqdzBand *B = List[I];
        const int K = B->GetBandKind();
        if (K <= Kind)
            return;
        if (K == Kind + 1) {
            List.erase(List.begin() + I);
            if (DataSetOf(static_cast<TqdzDataBand *>(B)))
                FLinks[Band].Details.push_back(B);
            TakeDetails(List, B, I);
            continue;
        }
        ++I; // deeper than one level down: stays for the position check
    }
}

void TqdzBandTree::Build(TqdzReportPage *Page, bool Vertical, TStrings *Errors)
{
    PageMasters &PM = FMasters[Page];
    (Vertical ? PM.V : PM.H).clear();

    std::vector<TqdzBand *> Bands, VBands;
    TList *Children = Page->Objects();
    for (int i = 0; i < Children->Count(); ++i) {
        auto *B = dynamic_cast<TqdzBand *>(static_cast<TObject *>(Children->Items(i)));
        if (!B)
            continue;
        if (B->Vertical())
            VBands.push_back(B);
        if (B->Vertical() == Vertical) {
            Bands.push_back(B);
            FLinks[B] = TqdzBandLinks();
        }
    }

    if (!Vertical) {
        // Views of horizontal bands that lie within a vertical band's
        // horizontal extent become cells of that vertical band.
        for (TqdzBand *H : Bands) {
            if (H->InheritsFrom(TqdzOverlay::StaticClass()))
                continue;
            for (TqdzBand *V : VBands) {
                const double VL = V->AbsLeft(), VR = VL + V->Width();
                std::vector<TqdzComponent *> Moving;
                TList *Views = H->Objects();
                for (int i = 0; i < Views->Count(); ++i) {
                    auto *View = static_cast<TqdzComponent *>(static_cast<TObject *>(Views->Items(i)));
                    if (!View->InheritsFrom(TqdzView::StaticClass()))
                        continue;
                    const double L = View->AbsLeft(), R = L + View->Width();
                    if (L >= VL - 0.0001 && R <= VR + 0.0001)
                        Moving.push_back(View);
                }
                for (TqdzComponent *View : Moving) {
                    const double L = View->AbsLeft();
                    View->SetParent(V);
                    View->SetLeft(L - VL);
                    FSourceBands.insert(View, H);
                    FLinks[H].HasVBands = true;
                }
            }
        }
    }

    // The sorted kinds, by position; of two at one position the first in
    // object order takes part.
    std::map<QString, TqdzBand *> Sorted;
    for (TqdzBand *B : Bands) {
        const int K = B->GetBandKind();
        if (K < bkHeader || K > bkGroupFooter)
            continue;
        const QString Key = QString::asprintf("%9.2f", Vertical ? B->Left() : B->Top());
        Sorted.emplace(Key, B);
    }
    std::vector<TqdzBand *> List;
    for (auto &P : Sorted)
        List.push_back(P.second);

    // Groups: a run of group headers belongs to the next data band.
    for (size_t I = 0; I < List.size();) {
        if (List[I]->GetBandKind() != bkGroupHeader) {
            ++I;
            continue;
        }
        TqdzBand *First = List[I];
        std::vector<TqdzBand *> &Run = FLinks[First].Details;
        Run.clear();
        size_t J = I;
        while (J < List.size() && List[J]->GetBandKind() == bkGroupHeader)
            Run.push_back(List[J++]);
        size_t D = J;
        while (D < List.size() && !IsDataKind(List[D]->GetBandKind()))
            ++D;
        if (D < List.size())
            FLinks[List[D]].Group = static_cast<TqdzGroupHeader *>(First);
        else
            Report(Errors, "enUnconnGroup", First);
        I = J;
    }
    for (size_t I = 0; I < List.size();) {
        if (List[I]->GetBandKind() != bkGroupFooter) {
            ++I;
            continue;
        }
        size_t H = I;
        bool Found = false;
        while (H > 0) {
            --H;
            if (List[H]->GetBandKind() == bkGroupHeader) {
                Found = true;
                break;
            }
        }
        if (!Found) {
            ++I;
            continue;
        }
        FLinks[List[H]].Footer = List[I];
        List.erase(List.begin() + I);
        List.erase(List.begin() + H);
        I = H;
    }
    for (size_t I = 0; I < List.size();) {
        const int K = List[I]->GetBandKind();
        if (K == bkGroupFooter)
            Report(Errors, "enUnconnGFooter", List[I]);
        if (K == bkGroupHeader || K == bkGroupFooter)
            List.erase(List.begin() + I);
        else
            ++I;
    }

    // Headers and footers next to their data band.
    for (size_t I = 0; I < List.size(); ++I) {
        if (!IsDataKind(List[I]->GetBandKind()))
            continue;
        TqdzBand *B = List[I];
        if (I + 1 < List.size() && List[I + 1]->GetBandKind() == bkFooter) {
            FLinks[B].Footer = List[I + 1];
            List.erase(List.begin() + I + 1);
        }
        if (I > 0 && List[I - 1]->GetBandKind() == bkHeader) {
            FLinks[B].Header = List[I - 1];
            List.erase(List.begin() + I - 1);
            --I;
        }
    }
    for (size_t I = 0; I < List.size();) {
        const int K = List[I]->GetBandKind();
        if (K == bkHeader || K == bkFooter) {
            Report(Errors, "enUnconnHeader", List[I]);
            List.erase(List.begin() + I);
        } else {
            ++I;
        }
    }

    // Master-detail.
    for (size_t I = 0; I < List.size();) {
        if (List[I]->GetBandKind() != bkMaster) {
            ++I;
            continue;
        }
        auto *M = static_cast<TqdzDataBand *>(List[I]);
        List.erase(List.begin() + I);
        if (DataSetOf(M))
            (Vertical ? PM.V : PM.H).push_back(M);
        TakeDetails(List, M, I);
    }
    for (TqdzBand *B : List)
        Report(Errors, "enBandPos", B);
}
