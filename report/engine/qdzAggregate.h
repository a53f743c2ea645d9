// Aggregates of a report: the SUM, AVG, MIN, MAX and COUNT calls found in
// the memos of footers and summaries, each counting the records of its data
// band and answering the engine's aggregate look-up.
#pragma once
#include "platform/Object.h"
#include "platform/Variants.h"

#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TqdzBand;
class TqdzReport;
class TqdzReportPage;
class TqdzBandTree;

class TqdzAggregateItem : public TObject
{
public:
    // The per-column arrays hold the vertical columns 0..MaxColumn; a
    // request for a column past them counts nothing and answers 0.
    static constexpr int MaxColumn = 1000;

    quint8 FuncKind = 0; // 0 sum, 1 average, 2 minimum, 3 maximum, 4 count
    TqdzBand *DataBand = nullptr;
    bool CountInvisible = false;
    bool RunningTotal = false;
    QString Expression;
    bool IsPageFooter = false;
    std::vector<Variant> ColumnValues; // empty until a column is counted
    int Count = 0;
    std::vector<int> ColumnCounts;
    Variant Value = Null();
    bool Keeping = false;
    int LastCount = 0;
    Variant LastValue = Null();
    QString MemoName;
    QString Text;
    TqdzBand *ParentBand = nullptr;
    TqdzReport *Report = nullptr;
    int KeptCount = 0;
    Variant KeptValue;
    // What the records of a kept block added per vertical column.
    std::vector<Variant> KeptColumnValues;
    std::vector<int> KeptColumnCounts;
    int Column = 0;
    // The memo is a cell of a vertical data band counted under a
    // horizontal band: it keeps one value per vertical column.
    bool PerColumn = false;

    // Counts the current record of DataBand; RecordValue evaluates the
    // item's expression.
    void Calc(const std::function<Variant(const QString &)> &RecordValue);
    void Reset();
    void DeleteValue();
    void StartKeep();
    void EndKeep();
    // The value for Column (0: no vertical columns); Null becomes 0.
    Variant Result() const;

private:
    // Folds V into Acc by the item's kind; Null leaves Acc, a Null Acc takes V.
    void Fold(Variant &Acc, const Variant &V) const;
};

// "SUM" 0, "AVG" 1, "MIN" 2, "MAX" 3, anything else 4 (count); Name upper-case.
int qdzAggregateKind(const QString &Name);
// Splits an argument list at the commas outside quotes and parentheses into
// at most three trimmed parts.
QStringList qdzSplitAggregateArgs(const QString &Args);

class TqdzAggregateList : public TObject
{
public:
    explicit TqdzAggregateList(TqdzReport *AReport);
    ~TqdzAggregateList() override;

    void Clear();
    // Creates the items of a template page from the calls in the memos of
    // its footers, group footers, page and column footers and summary.
    // Tree gives the page's data bands with their footers and groups.
    void AddItems(TqdzReportPage *Page, const TqdzBandTree *Tree);
    void AddValue(TqdzBand *Band, int Column);
    // A record of the vertical data band Band, in vertical column Column.
    // Items of vertical bands count it as a plain value (their footer
    // resets them within the host's cells); items of horizontal bands count
    // it only when the host is a data band (FromDataRow), per column when
    // their memo is a cell of a vertical data band.
    void AddVerticalValue(TqdzBand *Band, int Column, bool FromDataRow);
    void DeleteValue(TqdzBand *Band);
    void Reset(TqdzBand *Band);
    void StartKeep();
    void EndKeep();
    // Resets every item, running totals included (between two passes).
    void ClearValues();
    // Unassigned when no item matches. PerColumn: the request comes from a
    // cell of a vertical data band and wants the item kept per column (a
    // total of the same call elsewhere in the band is another item).
    Variant GetValue(TqdzBand *ParentBand, int Column, int Flags, TqdzBand *DataBand, const QString &Expression,
                     const QString &Name, bool PerColumn = false);

    int Count() const { return int(FItems.size()); }
    TqdzAggregateItem *Items(int Index) const { return FItems[Index].get(); }

    // Scans the bracketed expressions of a memo text; calls create items for
    // ParentBand with DefaultBand as their data band when they name none.
    void ScanText(const QString &Text, const QString &Delimiters, TqdzBand *ParentBand, TqdzBand *DefaultBand,
                  const QString &MemoName);
    // Scans one expression (the text between a memo's delimiters).
    void ScanExpression(const QString &Expr, TqdzBand *ParentBand, TqdzBand *DefaultBand, const QString &MemoName);

    // Evaluates an item's expression for the current record; the report's
    // Calc unless set otherwise.
    void SetCalc(std::function<Variant(const QString &)> Value) { FCalc = std::move(Value); }

private:
    void ScanBand(TqdzBand *Band, TqdzBand *DefaultBand, QSet<const TqdzBand *> &Seen);
    void ScanWalk(const QString &S, TqdzBand *ParentBand, TqdzBand *DefaultBand, const QString &MemoName);
    void ScanVariable(const QString &Name, TqdzBand *ParentBand, TqdzBand *DefaultBand, const QString &MemoName);
    bool IsVariable(const QString &Name, Variant *Value) const;
    void AddItem(const QString &Name, const QString &Args, const QString &Text, TqdzBand *ParentBand,
                 TqdzBand *DefaultBand, const QString &MemoName);

    TqdzReport *FReport;
    const TqdzBandTree *FTree = nullptr;
    std::vector<std::unique_ptr<TqdzAggregateItem>> FItems;
    std::function<Variant(const QString &)> FCalc;
    // Variables being scanned: a variable naming itself, directly or
    // through others, is scanned once.
    QSet<QString> FScanningVariables;
    int FScanDepth = 0;
};
