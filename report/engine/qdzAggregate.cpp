// Aggregates: finding the aggregate calls in memo texts, counting records
// into them and answering their values.
#include "report/engine/qdzAggregate.h"

#include "platform/SysUtils.h"
#include "report/engine/qdzBandTree.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzUtils.h"
#include "report/model/qdzVariables.h"

namespace {

// A deeper nesting of parentheses or angle brackets is not looked into: a
// template cannot drive the scanner's recursion without bound.
constexpr int MaxScanDepth = 64;

bool IsSkipped(QChar C)
{
    const ushort U = C.unicode();
    if (U < 32 || U == ' ' || (U >= '0' && U <= '9'))
        return true;
    switch (U) {
    case '!': case '#': case '$': case '%': case '&': case '*': case '+': case ',':
    case '-': case '.': case '/': case '=': case '[': case ']': case '^': case '|':
        return true;
    default:
        return false;
    }
}

bool EndsWord(QChar C)
{
    const ushort U = C.unicode();
    if (U <= 32)
        return true;
    switch (U) {
    case '!': case '#': case '$': case '%': case '&': case '(': case '*': case '+':
    case ',': case '-': case '.': case '/': case '=': case '[': case ']': case '^': case '|':
        return true;
    default:
        return false;
    }
}

// Index of the quote closing the literal that opens at I, or the last index.
int SkipQuoted(const QString &S, int I)
{
    const QChar Q = S[I];
    int J = I + 1;
    while (J < S.size() && S[J] != Q)
        ++J;
    return J < S.size() ? J : int(S.size()) - 1;
}

// Index of the delimiter Close matching the Open at I (nesting and quotes
// count), or -1 when it is never closed.
int FindClosing(const QString &S, int I, QChar Open, QChar Close)
{
    int Level = 0;
    for (int J = I; J < S.size(); ++J) {
        const QChar C = S[J];
        if (C == QLatin1Char('"') || C == QLatin1Char('\'')) {
            J = SkipQuoted(S, J);
        } else if (C == Open) {
            ++Level;
        } else if (C == Close) {
            if (--Level == 0)
                return J;
        }
    }
    return -1;
}

// A data field reference: DataSet."Field".
bool IsFieldReference(const QString &S)
{
    const int P = S.indexOf(QLatin1String(".\""));
    return P > 0 && S.size() > P + 2 && S.endsWith(QLatin1Char('"'));
}

Variant AsNumber(const Variant &V)
{
    if (V.VType() == varBoolean)
        return Variant(V.AsBoolean() ? 1 : 0);
    return V;
}

} // namespace

int qdzAggregateKind(const QString &Name)
{
    if (Name == QLatin1String("SUM"))
        return 0;
    if (Name == QLatin1String("AVG"))
        return 1;
    if (Name == QLatin1String("MIN"))
        return 2;
    if (Name == QLatin1String("MAX"))
        return 3;
    return 4;
}

QStringList qdzSplitAggregateArgs(const QString &Args)
{
    QStringList Result;
    int Level = 0;
    int Start = 0;
    for (int I = 0; I < Args.size(); ++I) {
        const QChar C = Args[I];
        if (C == QLatin1Char('"') || C == QLatin1Char('\'')) {
            I = SkipQuoted(Args, I);
        } else if (C == QLatin1Char('(')) {
            ++Level;
        } else if (C == QLatin1Char(')')) {
            if (Level > 0)
                --Level;
        } else if (C == QLatin1Char(',') && Level == 0 && Result.size() < 2) {
            Result.append(Args.mid(Start, I - Start).trimmed());
            Start = I + 1;
        }
    }
    const QString Last = Args.mid(Start).trimmed();
    if (!Last.isEmpty() || !Result.isEmpty())
        Result.append(Last);
    return Result;
}

// ------------------------------------------------------------------- item

void TqdzAggregateItem::Fold(Variant &Acc, const Variant &V) const
{
    if (FuncKind == 4)
        return;
    if (VarIsNull(Acc)) {
        Acc = V;
        return;
    }
    if (VarIsNull(V))
        return;
    switch (FuncKind) {
    case 2:
        if (VarCompare(V, Acc, opCmpLT))
            Acc = V;
        break;
    case 3:
        if (VarCompare(V, Acc, opCmpGT))
            Acc = V;
        break;
    default:
        Acc = VarAdd(Acc, V);
        break;
    }
}

void TqdzAggregateItem::Calc(const std::function<Variant(const QString &)> &RecordValue)
{
    if (!DataBand || (!DataBand->Visible() && !CountInvisible))
        return;
    Variant V;
    if (FuncKind != 4)
        V = AsNumber(RecordValue ? RecordValue(Expression) : Null());
    const bool Counts = !(FuncKind == 1 && VarIsNull(V));
    if (Column < 1) {
        if (!Keeping) {
            LastCount = Count;
            LastValue = Value;
            if (Counts)
                ++Count;
            Fold(Value, V);
        } else {
            if (Counts)
                ++KeptCount;
            if (KeptValue.VType() == varEmpty)
                KeptValue = Null();
            Fold(KeptValue, V);
        }
        return;
    }
    if (Column > MaxColumn)
        return;
    // A kept block counts per column too on the page it ends up on.
    std::vector<Variant> &Values = Keeping ? KeptColumnValues : ColumnValues;
    std::vector<int> &Counted = Keeping ? KeptColumnCounts : ColumnCounts;
    if (Values.empty()) {
        Values.assign(MaxColumn + 1, Null());
        Counted.assign(MaxColumn + 1, 0);
    }
    if (Counts)
        ++Counted[Column];
    Fold(Values[Column], V);
}

void TqdzAggregateItem::Reset()
{
    if (RunningTotal && Count != 0)
        return;
    Count = 0;
    Value = Null();
    ColumnValues.clear();
    ColumnCounts.clear();
}

void TqdzAggregateItem::DeleteValue()
{
    Count = LastCount;
    Value = LastValue;
}

void TqdzAggregateItem::StartKeep()
{
    if (!IsPageFooter || Keeping)
        return;
    Keeping = true;
    KeptCount = 0;
    KeptValue = Variant();
    KeptColumnValues.clear();
    KeptColumnCounts.clear();
}

void TqdzAggregateItem::EndKeep()
{
    if (!IsPageFooter || !Keeping)
        return;
    Keeping = false;
    Count += KeptCount;
    if (!KeptColumnValues.empty()) {
        if (ColumnValues.empty()) {
            ColumnValues.assign(MaxColumn + 1, Null());
            ColumnCounts.assign(MaxColumn + 1, 0);
        }
        for (size_t C = 0; C < KeptColumnValues.size(); ++C) {
            ColumnCounts[C] += KeptColumnCounts[C];
            Fold(ColumnValues[C], KeptColumnValues[C]);
        }
        KeptColumnValues.clear();
        KeptColumnCounts.clear();
    }
    if (KeptValue.VType() == varEmpty)
        return;
    Fold(Value, KeptValue);
}

Variant TqdzAggregateItem::Result() const
{
    Variant V;
    int N;
    if (ColumnValues.empty()) {
        V = Value;
        N = Count;
    } else {
        if (Column < 0 || Column > MaxColumn)
            return Variant(0);
        V = ColumnValues[Column];
        N = ColumnCounts[Column];
    }
    Variant R;
    switch (FuncKind) {
    case 1:
        R = (N == 0 || VarIsNull(V)) ? Null() : VarDiv(V, Variant(N));
        break;
    case 4:
        R = Variant(N);
        break;
    default:
        R = V;
        break;
    }
    if (VarIsNull(R) || R.VType() == varEmpty)
        return Variant(0);
    return R;
}

// ------------------------------------------------------------------- list

TqdzAggregateList::TqdzAggregateList(TqdzReport *AReport) : FReport(AReport) {}

TqdzAggregateList::~TqdzAggregateList() = default;

void TqdzAggregateList::Clear()
{
    FItems.clear();
}

void TqdzAggregateList::AddValue(TqdzBand *Band, int Column)
{
    for (auto &Item : FItems)
        if (Item->DataBand == Band) {
            Item->Column = Column;
            Item->Calc(FCalc);
        }
}

void TqdzAggregateList::AddVerticalValue(TqdzBand *Band, int Column, bool FromDataRow)
{
    for (auto &Item : FItems) {
        if (Item->DataBand != Band)
            continue;
        const bool Horizontal = Item->ParentBand && !Item->ParentBand->Vertical();
        if (Horizontal && !FromDataRow)
            continue;
        Item->Column = Horizontal && Item->PerColumn ? Column : 0;
        Item->Calc(FCalc);
    }
}

void TqdzAggregateList::DeleteValue(TqdzBand *Band)
{
    for (auto &Item : FItems)
        if (Item->DataBand == Band)
            Item->DeleteValue();
}

void TqdzAggregateList::Reset(TqdzBand *Band)
{
    for (auto &Item : FItems)
        if (Item->ParentBand == Band)
            Item->Reset();
}

void TqdzAggregateList::StartKeep()
{
    for (auto &Item : FItems)
        Item->StartKeep();
}

void TqdzAggregateList::EndKeep()
{
    for (auto &Item : FItems)
        Item->EndKeep();
}

void TqdzAggregateList::ClearValues()
{
    for (auto &Item : FItems) {
        const bool Running = Item->RunningTotal;
        Item->RunningTotal = false;
        Item->Reset();
        Item->RunningTotal = Running;
        Item->Keeping = false;
    }
}

Variant TqdzAggregateList::GetValue(TqdzBand *ParentBand, int Column, int Flags, TqdzBand *DataBand,
                                    const QString &Expression, const QString &Name, bool PerColumn)
{
    const int Kind = qdzAggregateKind(Name.trimmed().toUpper());
    const QString Expr = Expression.trimmed();
    for (auto &Item : FItems) {
        if (Item->ParentBand != ParentBand || Item->FuncKind != Kind || Item->PerColumn != PerColumn)
            continue;
        if (Item->Expression.compare(Expr, Qt::CaseInsensitive) != 0)
            continue;
        if (DataBand && Item->DataBand != DataBand)
            continue;
        if (Item->CountInvisible != bool(Flags & 1) || Item->RunningTotal != bool(Flags & 2))
            continue;
        Item->Column = Column;
        return Item->Result();
    }
    return Variant();
}

// ------------------------------------------------------------------ scanning

void TqdzAggregateList::AddItems(TqdzReportPage *Page, const TqdzBandTree *Tree)
{
    if (!Page || !Tree)
        return;
    FTree = Tree;
    QSet<const TqdzBand *> Seen;
    // Walks a data band and its details; Seen guards against a band met twice.
    std::function<void(TqdzBand *, bool)> Walk = [&](TqdzBand *Band, bool Vertical) {
        if (!Band || Seen.contains(Band))
            return;
        Seen.insert(Band);
        const TqdzBandLinks *L = Tree->Find(Band);
        QSet<const TqdzBand *> Scanned;
        if (L) {
            ScanBand(L->Footer, Band, Scanned);
            if (L->Group) {
                if (const TqdzBandLinks *G = Tree->Find(L->Group))
                    for (TqdzBand *H : G->Details)
                        if (const TqdzBandLinks *HL = Tree->Find(H))
                            ScanBand(HL->Footer, Band, Scanned);
            }
        }
        if (Vertical)
            ScanBand(Band, Band, Scanned);
        if (L)
            for (TqdzBand *D : L->Details)
                Walk(D, Vertical);
    };
    for (TqdzDataBand *B : Tree->Masters(Page, false))
        Walk(B, false);
    for (TqdzDataBand *B : Tree->Masters(Page, true))
        Walk(B, true);

    const auto &H = Tree->Masters(Page, false);
    if (!H.empty()) {
        QSet<const TqdzBand *> Scanned;
        ScanBand(Page->FindBand(TqdzPageFooter::StaticClass()), H.front(), Scanned);
        ScanBand(Page->FindBand(TqdzColumnFooter::StaticClass()), H.front(), Scanned);
        ScanBand(Page->FindBand(TqdzReportSummary::StaticClass()), H.front(), Scanned);
    }
    FTree = nullptr;
}

void TqdzAggregateList::ScanBand(TqdzBand *Band, TqdzBand *DefaultBand, QSet<const TqdzBand *> &Seen)
{
    // The child chain is followed once per band: a cycle ends there.
    while (Band && !Seen.contains(Band)) {
        Seen.insert(Band);
        TList *Views = Band->Objects();
        for (int i = 0; i < Views->Count(); ++i) {
            auto *Memo = dynamic_cast<TqdzCustomMemoView *>(static_cast<TObject *>(Views->Items(i)));
            if (!Memo || !Memo->AllowExpressions())
                continue;
            TqdzBand *Parent = Band;
            if (Band->Vertical() && FTree) {
                if (TqdzBand *Source = FTree->SourceBand(Memo)) {
                    const int K = Source->GetBandKind();
                    // Column footers total their column as footers do.
                    if (K == 1 || K == 3 || K == 5 || K == 13 || K == 16)
                        Parent = Source;
                }
            }
            const size_t Before = FItems.size();
            ScanText(Memo->Text(), Memo->ExpressionDelimiters(), Parent, DefaultBand, Memo->Name());
            const int K = Band->GetBandKind();
            if (Parent != Band && K >= 6 && K <= 11)
                for (size_t j = Before; j < FItems.size(); ++j)
                    FItems[j]->PerColumn = true;
        }
        Band = Band->Child();
    }
}

void TqdzAggregateList::ScanText(const QString &Text, const QString &Delimiters, TqdzBand *ParentBand,
                                 TqdzBand *DefaultBand, const QString &MemoName)
{
    const int Comma = Delimiters.indexOf(QLatin1Char(','));
    const QString Open = Comma < 0 ? Delimiters : Delimiters.left(Comma);
    const QString Close = Comma < 0 ? QString() : Delimiters.mid(Comma + 1);
    if (Open.isEmpty() || Close.isEmpty())
        return;
    int From = 0;
    while (From < Text.size()) {
        const int P = Text.indexOf(Open, From);
        if (P < 0)
            break;
        QString Expr;
        int StartPos = P + 1, EndPos = 0;
        qdzGetBracketedExpression(Text, Open, Close, Expr, EndPos, StartPos);
        if (StartPos == EndPos || EndPos <= P)
            break;
        ScanExpression(Expr, ParentBand, DefaultBand, MemoName);
        From = EndPos;
    }
}

bool TqdzAggregateList::IsVariable(const QString &Name, Variant *Value) const
{
    if (!FReport || !FReport->Variables())
        return false;
    const int I = FReport->Variables()->IndexOf(Name);
    if (I < 0)
        return false;
    if (Value)
        *Value = FReport->Variables()->Items(I)->Value();
    return true;
}

void TqdzAggregateList::ScanVariable(const QString &Name, TqdzBand *ParentBand, TqdzBand *DefaultBand,
                                     const QString &MemoName)
{
    const QString Key = Name.toUpper();
    if (FScanningVariables.contains(Key))
        return;
    Variant Value;
    if (!IsVariable(Name, &Value))
        return;
    FScanningVariables.insert(Key);
    try {
        ScanExpression(VarToStr(Value), ParentBand, DefaultBand, MemoName);
    } catch (...) {
        FScanningVariables.remove(Key);
        throw;
    }
    FScanningVariables.remove(Key);
}

void TqdzAggregateList::ScanExpression(const QString &Expr, TqdzBand *ParentBand, TqdzBand *DefaultBand,
                                       const QString &MemoName)
{
    const QString E = Expr.trimmed();
    if (E.isEmpty())
        return;
    if (IsVariable(E, nullptr)) {
        ScanVariable(E, ParentBand, DefaultBand, MemoName);
        return;
    }
    if (IsFieldReference(E))
        return;
    ScanWalk(E, ParentBand, DefaultBand, MemoName);
}

void TqdzAggregateList::ScanWalk(const QString &S, TqdzBand *ParentBand, TqdzBand *DefaultBand,
                                 const QString &MemoName)
{
    if (FScanDepth >= MaxScanDepth)
        return;
    ++FScanDepth;
    struct Leave {
        int &D;
        ~Leave() { --D; }
    } L{FScanDepth};
    int I = 0;
    const int N = S.size();
    while (I < N) {
        const QChar C = S[I];
        if (IsSkipped(C)) {
            ++I;
            continue;
        }
        if (C == QLatin1Char('"') || C == QLatin1Char('\'')) {
            I = SkipQuoted(S, I) + 1;
            continue;
        }
        if (C == QLatin1Char('(') || C == QLatin1Char('<')) {
            const QChar Close = C == QLatin1Char('(') ? QLatin1Char(')') : QLatin1Char('>');
            const int J = FindClosing(S, I, C, Close);
            const int End = J < 0 ? N : J;
            ScanWalk(S.mid(I + 1, End - I - 1), ParentBand, DefaultBand, MemoName);
            I = End + 1;
            continue;
        }
        int J = I;
        while (J < N && !EndsWord(S[J]))
            ++J;
        if (J == I) { // a lone '(' never reaches here; anything else is one character
            ++I;
            continue;
        }
        const QString Word = S.mid(I, J - I);
        const QString Upper = Word.toUpper();
        if (J < N && S[J] == QLatin1Char('(') &&
            (Upper == QLatin1String("SUM") || Upper == QLatin1String("MIN") || Upper == QLatin1String("MAX") ||
             Upper == QLatin1String("AVG") || Upper == QLatin1String("COUNT"))) {
            const int K = FindClosing(S, J, QLatin1Char('('), QLatin1Char(')'));
            const int End = K < 0 ? N : K;
            AddItem(Upper, S.mid(J + 1, End - J - 1), S.mid(I, End - I + 1).trimmed(), ParentBand, DefaultBand,
                    MemoName);
            I = End + 1;
            continue;
        }
        if (IsVariable(Word, nullptr))
            ScanVariable(Word, ParentBand, DefaultBand, MemoName);
        I = J;
    }
}

void TqdzAggregateList::AddItem(const QString &Name, const QString &Args, const QString &Text, TqdzBand *ParentBand,
                                TqdzBand *DefaultBand, const QString &MemoName)
{
    const QStringList A = qdzSplitAggregateArgs(Args);
    auto Item = std::make_unique<TqdzAggregateItem>();
    Item->FuncKind = quint8(qdzAggregateKind(Name));
    QString BandName;
    QString FlagText;
    if (Name != QLatin1String("COUNT")) {
        Item->Expression = A.value(0);
        BandName = A.value(1);
        FlagText = A.value(2);
    } else {
        BandName = A.value(0);
        FlagText = A.value(1);
    }
    if (!BandName.isEmpty() && FReport)
        Item->DataBand = dynamic_cast<TqdzBand *>(FReport->FindObject(BandName));
    const int Flags = FlagText.isEmpty() ? 0 : StrToInt(FlagText);
    if (!Item->DataBand)
        Item->DataBand = DefaultBand;
    Item->CountInvisible = Flags & 1;
    Item->RunningTotal = Flags & 2;
    Item->ParentBand = ParentBand;
    Item->IsPageFooter = ParentBand && ParentBand->InheritsFrom(TqdzPageFooter::StaticClass());
    Item->Report = FReport;
    Item->MemoName = MemoName;
    Item->Text = Text;
    Item->Reset();
    FItems.push_back(std::move(Item));
}
