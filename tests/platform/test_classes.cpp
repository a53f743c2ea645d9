// Tests of classes (platform).
#include "Classes.h"
#include "Exceptions.h"
#include "Filer.h"
#include <gtest/gtest.h>
#include <QStringList>
#include <atomic>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace {

// Runs F and returns the class name and message of the Exception it raises.
template <typename F>
std::pair<QString, QString> Raised(F &&Fn)
{
    try {
        Fn();
    } catch (const Exception &E) {
        return {QString::fromLatin1(E.ClassName()), E.Message()};
    }
    return {QStringLiteral("(none)"), QString()};
}

QStringList Lines(const TStrings &L)
{
    QStringList Result;
    for (int I = 0; I < L.Count(); ++I)
        Result << L.Strings(I);
    return Result;
}

void Fill(TStrings &L, const QStringList &Items)
{
    for (const QString &S : Items)
        L.Add(S);
}

class TCounted : public TObject
{
public:
    explicit TCounted(int &Alive) : FAlive(Alive) { ++FAlive; }
    ~TCounted() override { --FAlive; }

private:
    int &FAlive;
};

} // namespace

// --- TList -------------------------------------------------------------------

TEST(TList, AddInsertDeleteMoveExchange)
{
    int A = 1, B = 2, C = 3, D = 4;
    TList L;
    EXPECT_EQ(L.Add(&A), 0);
    EXPECT_EQ(L.Add(&B), 1);
    L.Insert(0, &C);  // C A B
    L.Insert(3, &D);  // C A B D
    ASSERT_EQ(L.Count(), 4);
    EXPECT_EQ(L.First(), &C);
    EXPECT_EQ(L.Last(), &D);
    L.Move(0, 3);  // A B D C
    EXPECT_EQ(L.Items(3), &C);
    EXPECT_EQ(L.Items(0), &A);
    L.Exchange(0, 1);  // B A D C
    EXPECT_EQ(L.IndexOf(&B), 0);
    EXPECT_EQ(L.Remove(&D), 2);  // B A C
    EXPECT_EQ(L.Remove(&D), -1);
    L.Delete(0);  // A C
    EXPECT_EQ(L.Count(), 2);
    EXPECT_EQ(L.Extract(&C), &C);
    EXPECT_EQ(L.Extract(&C), nullptr);
    EXPECT_EQ(L.Count(), 1);
    L.SetItems(0, nullptr);
    L.Add(&B);
    L.Add(nullptr);
    L.Pack();
    ASSERT_EQ(L.Count(), 1);
    EXPECT_EQ(L.Items(0), &B);
    L.Clear();
    EXPECT_EQ(L.Count(), 0);
    EXPECT_EQ(L.Capacity(), 0);
}

TEST(TList, IndexErrorsCarryTheIndex)
{
    int A = 1;
    TList L;
    L.Add(&A);
    const struct
    {
        std::function<void()> Fn;
        const char *Message;
    } Cases[] = {
        {[&] { L.Items(1); }, "List index out of bounds (1)"},
        {[&] { L.Items(-1); }, "List index out of bounds (-1)"},
        {[&] { L.SetItems(5, nullptr); }, "List index out of bounds (5)"},
        {[&] { L.Insert(2, &A); }, "List index out of bounds (2)"},
        {[&] { L.Delete(1); }, "List index out of bounds (1)"},
        {[&] { L.Exchange(0, 3); }, "List index out of bounds (3)"},
        {[&] { L.Move(0, 1); }, "List index out of bounds (1)"},
        {[&] { L.SetCapacity(0); }, "List capacity out of bounds (0)"},
        {[&] { L.SetCount(-1); }, "List count out of bounds (-1)"},
        {[&] { TList().First(); }, "List index out of bounds (0)"},
        {[&] { TList().Last(); }, "List index out of bounds (-1)"},
    };
    for (const auto &Case : Cases) {
        const auto R = Raised(Case.Fn);
        EXPECT_EQ(R.first, QStringLiteral("EListError")) << Case.Message;
        EXPECT_EQ(R.second, QString::fromLatin1(Case.Message));
    }
    EXPECT_EQ(L.Count(), 1);
}

TEST(TList, CountCapacityAndStableSort)
{
    TList L;
    L.SetCount(3);
    EXPECT_EQ(L.Count(), 3);
    EXPECT_EQ(L.Items(2), nullptr);
    EXPECT_GE(L.Capacity(), 3);
    L.SetCount(1);
    EXPECT_EQ(L.Count(), 1);

    int V[] = {3, 1, 2, 1};
    TList S;
    for (int &X : V)
        S.Add(&X);
    S.Sort([](void *A, void *B) { return *static_cast<int *>(A) - *static_cast<int *>(B); });
    EXPECT_EQ(S.Items(0), &V[1]);  // the first 1 stays first
    EXPECT_EQ(S.Items(1), &V[3]);
    EXPECT_EQ(S.Items(2), &V[2]);
    EXPECT_EQ(S.Items(3), &V[0]);

    // A comparison that raises leaves every item in its place.
    int W[40];
    TList R;
    for (int I = 0; I < 40; ++I) {
        W[I] = (I * 7) % 40;
        R.Add(&W[I]);
    }
    int Calls = 0;
    EXPECT_THROW(R.Sort([&](void *A, void *B) {
        if (++Calls == 60)
            throw EListError(QStringLiteral("compare failed"));
        return *static_cast<int *>(A) - *static_cast<int *>(B);
    }),
                 EListError);
    for (int I = 0; I < 40; ++I)
        EXPECT_EQ(R.Items(I), &W[I]) << I;
}

// --- Text --------------------------------------------------------------------

TEST(StringListText, SetterSplitsAtEveryLineBreak)
{
    const struct
    {
        QString Text;
        QStringList Lines;
    } Cases[] = {
        {QString(), {}},
        {QStringLiteral("a"), {QStringLiteral("a")}},
        {QStringLiteral("a\r\nb"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\nb\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\rb\r"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\r\n"), {QStringLiteral("a")}},
        {QStringLiteral("a\r\rb"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {QStringLiteral("a\n\r b"), {QStringLiteral("a"), QString(), QStringLiteral(" b")}},
        {QStringLiteral("\r\n"), {QString()}},
        {QStringLiteral("\r\n\r\n"), {QString(), QString()}},
        {QStringLiteral("用户\r\n名"), {QStringLiteral("用户"), QStringLiteral("名")}},
    };
    for (const auto &Case : Cases) {
        TStringList L;
        L.Add(QStringLiteral("old"));
        L.SetText(Case.Text);
        EXPECT_EQ(Lines(L), Case.Lines) << Case.Text.toStdString();
    }
}

TEST(StringListText, GetterEndsEveryLineWithCrLf)
{
    TStringList L;
    EXPECT_EQ(L.Text(), QString());
    L.Add(QString());
    EXPECT_EQ(L.Text(), QStringLiteral("\r\n"));
    L.SetText(QStringLiteral("a\nb"));
    EXPECT_EQ(L.Text(), QStringLiteral("a\r\nb\r\n"));
    EXPECT_EQ(L.GetText(), L.Text());
    // Round trip keeps the lines.
    TStringList M;
    M.SetText(L.Text());
    EXPECT_TRUE(M.Equals(&L));
}

// --- CommaText and DelimitedText ---------------------------------------------

TEST(StringListCommaText, GetterQuotesWhenNeeded)
{
    const struct
    {
        QStringList Lines;
        QString Text;
    } Cases[] = {
        {{}, QString()},
        {{QString()}, QStringLiteral("\"\"")},
        {{QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("a,b")},
        {{QStringLiteral("a b"), QStringLiteral("c")}, QStringLiteral("\"a b\",c")},
        {{QStringLiteral("a,b")}, QStringLiteral("\"a,b\"")},
        {{QStringLiteral("say \"hi\"")}, QStringLiteral("\"say \"\"hi\"\"\"")},
        {{QStringLiteral("x\"y")}, QStringLiteral("\"x\"\"y\"")},
        {{QStringLiteral("a"), QString(), QStringLiteral("b")}, QStringLiteral("a,,b")},
        {{QStringLiteral("a"), QString()}, QStringLiteral("a,")},
        {{QStringLiteral("tab\there")}, QStringLiteral("\"tab\there\"")},
        {{QStringLiteral("名称=值")}, QStringLiteral("名称=值")},
    };
    for (const auto &Case : Cases) {
        TStringList L;
        Fill(L, Case.Lines);
        EXPECT_EQ(L.CommaText(), Case.Text) << Case.Lines.join(QLatin1Char('|')).toStdString();
    }
}

TEST(StringListCommaText, SetterSplitsAtCommasAndBlanks)
{
    const struct
    {
        QString Text;
        QStringList Lines;
    } Cases[] = {
        {QString(), {}},
        {QStringLiteral("a,b,c"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}},
        {QStringLiteral("a b"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("  a ,  b  "), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("\"a b\",c"), {QStringLiteral("a b"), QStringLiteral("c")}},
        {QStringLiteral("\"say \"\"hi\"\"\""), {QStringLiteral("say \"hi\"")}},
        {QStringLiteral("a,,b"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {QStringLiteral("a,"), {QStringLiteral("a"), QString()}},
        {QStringLiteral(",a"), {QString(), QStringLiteral("a")}},
        {QStringLiteral("\"\""), {QString()}},
        {QStringLiteral("\"ab\"cd,e"), {QStringLiteral("ab"), QStringLiteral("cd"), QStringLiteral("e")}},
        {QStringLiteral("\"open end"), {QStringLiteral("open end")}},
        {QStringLiteral("a , , b"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
    };
    for (const auto &Case : Cases) {
        TStringList L;
        L.Add(QStringLiteral("old"));
        L.SetCommaText(Case.Text);
        EXPECT_EQ(Lines(L), Case.Lines) << Case.Text.toStdString();
    }
}

TEST(StringListCommaText, RoundTripsAwkwardLines)
{
    TStringList L;
    Fill(L, {QStringLiteral(" lead"), QString(), QStringLiteral("a,\"b\""), QStringLiteral("trail ")});
    TStringList M;
    M.SetCommaText(L.CommaText());
    EXPECT_EQ(Lines(M), Lines(L));
}

TEST(StringListDelimitedText, DelimiterQuoteCharAndStrict)
{
    TStringList L;
    L.SetDelimiter(QLatin1Char(';'));
    L.SetQuoteChar(QLatin1Char('\''));
    L.SetDelimitedText(QStringLiteral("a b;'c;d';e"));
    EXPECT_EQ(Lines(L), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c;d"),
                                     QStringLiteral("e")}));
    EXPECT_EQ(L.DelimitedText(), QStringLiteral("a;b;'c;d';e"));

    L.SetStrictDelimiter(true);
    L.SetDelimitedText(QStringLiteral(" a b ;c"));
    EXPECT_EQ(Lines(L), (QStringList{QStringLiteral(" a b "), QStringLiteral("c")}));
    // Strict: blanks need no quotes.
    EXPECT_EQ(L.DelimitedText(), QStringLiteral(" a b ;c"));
    // CommaText keeps its own rules whatever the delimiter settings.
    EXPECT_EQ(L.CommaText(), QStringLiteral("\" a b \",c"));
    L.SetCommaText(QStringLiteral("x y"));
    EXPECT_EQ(L.Count(), 2);
    EXPECT_EQ(L.Delimiter(), QLatin1Char(';'));
}

// --- Names and values ------------------------------------------------------------

TEST(StringListValues, NamesValuesAndRemoval)
{
    TStringList L;
    Fill(L, {QStringLiteral("Server=10.0.0.1"), QStringLiteral("plain"), QStringLiteral("Empty="),
             QStringLiteral("=nameless"), QStringLiteral("Pair=a=b")});
    const struct
    {
        int Index;
        const char *Name;
        const char *Value;
    } ByIndex[] = {
        {0, "Server", "10.0.0.1"}, {1, "", ""}, {2, "Empty", ""}, {3, "", "nameless"}, {4, "Pair", "a=b"},
    };
    for (const auto &Case : ByIndex) {
        EXPECT_EQ(L.Names(Case.Index), QString::fromLatin1(Case.Name)) << Case.Index;
        EXPECT_EQ(L.ValueFromIndex(Case.Index), QString::fromLatin1(Case.Value)) << Case.Index;
    }
    EXPECT_EQ(L.Values(QStringLiteral("server")), QStringLiteral("10.0.0.1"));  // name ignores case
    EXPECT_EQ(L.Values(QStringLiteral("pair")), QStringLiteral("a=b"));
    EXPECT_EQ(L.Values(QStringLiteral("missing")), QString());
    EXPECT_EQ(L.IndexOfName(QStringLiteral("EMPTY")), 2);
    EXPECT_EQ(L.IndexOfName(QStringLiteral("plain")), -1);

    L.SetValues(QStringLiteral("Server"), QStringLiteral("10.0.0.2"));
    EXPECT_EQ(L.Strings(0), QStringLiteral("Server=10.0.0.2"));
    L.SetValues(QStringLiteral("Port"), QStringLiteral("5432"));
    EXPECT_EQ(L.Strings(5), QStringLiteral("Port=5432"));
    L.SetValues(QStringLiteral("server"), QString());  // '' removes the line
    EXPECT_EQ(L.IndexOfName(QStringLiteral("Server")), -1);
    EXPECT_EQ(L.Count(), 5);
    L.SetValues(QStringLiteral("nothing"), QString());
    EXPECT_EQ(L.Count(), 5);

    L.SetValueFromIndex(0, QStringLiteral("word"));
    EXPECT_EQ(L.Strings(0), QStringLiteral("=word"));  // "plain" had no name
    L.SetNameValueSeparator(QLatin1Char(':'));
    L.Add(QStringLiteral("k:v"));
    EXPECT_EQ(L.Values(QStringLiteral("K")), QStringLiteral("v"));
}

TEST(StringListValues, SortedListKeepsOrderWhenAValueChanges)
{
    TStringList L;
    L.SetSorted(true);
    L.Add(QStringLiteral("b=2"));
    L.Add(QStringLiteral("c=3"));
    L.SetValues(QStringLiteral("a"), QStringLiteral("1"));
    L.SetValues(QStringLiteral("c"), QStringLiteral("0"));
    EXPECT_EQ(Lines(L), (QStringList{QStringLiteral("a=1"), QStringLiteral("b=2"), QStringLiteral("c=0")}));
    L.SetValues(QStringLiteral("b"), QString());
    EXPECT_EQ(Lines(L), (QStringList{QStringLiteral("a=1"), QStringLiteral("c=0")}));
}

// --- Sorting, Find and duplicates --------------------------------------------

TEST(StringListSorted, InsertPositionsFollowTheCaseFoldedOrder)
{
    TStringList L;
    L.SetSorted(true);
    const QStringList In = {QStringLiteral("b"), QStringLiteral("A1"), QStringLiteral("a 2"), QStringLiteral("C"),
                            QStringLiteral("_x"), QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("a")};
    for (const QString &S : In)
        L.Add(S);
    // Upper-cased code order: blank < digits < letters < '_'.
    EXPECT_EQ(Lines(L), (QStringList{QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("a"),
                                     QStringLiteral("a 2"), QStringLiteral("A1"), QStringLiteral("b"),
                                     QStringLiteral("C"), QStringLiteral("_x")}));
    EXPECT_EQ(L.Add(QStringLiteral("B0")), 6);
    EXPECT_EQ(L.IndexOf(QStringLiteral("c")), 7);
    EXPECT_EQ(L.IndexOf(QStringLiteral("zz")), -1);

    const auto R = Raised([&] { L.Insert(0, QStringLiteral("x")); });
    EXPECT_EQ(R.first, QStringLiteral("EStringListError"));
    EXPECT_EQ(R.second, QStringLiteral("Operation not allowed on sorted list"));
    EXPECT_EQ(Raised([&] { L.SetStrings(0, QStringLiteral("x")); }).second,
              QStringLiteral("Operation not allowed on sorted list"));
    EXPECT_EQ(Raised([&] { L.Exchange(0, 1); }).second, QStringLiteral("Operation not allowed on sorted list"));
    EXPECT_EQ(Raised([&] { L.Move(0, 1); }).second, QStringLiteral("Operation not allowed on sorted list"));
    EXPECT_EQ(L.Count(), 9);
}

TEST(StringListSorted, Duplicates)
{
    struct Obj : TObject
    {
    } O1, O2;
    {
        TStringList L;
        L.SetSorted(true);
        EXPECT_EQ(L.AddObject(QStringLiteral("Key"), &O1), 0);
        L.Add(QStringLiteral("a"));
        EXPECT_EQ(L.AddObject(QStringLiteral("KEY"), &O2), 1);  // dupIgnore: index of the one kept
        EXPECT_EQ(L.Count(), 2);
        EXPECT_EQ(L.Objects(1), &O1);
        EXPECT_EQ(L.Strings(1), QStringLiteral("Key"));
    }
    {
        TStringList L;
        L.SetSorted(true);
        L.SetDuplicates(dupError);
        L.Add(QStringLiteral("Key"));
        const auto R = Raised([&] { L.Add(QStringLiteral("key")); });
        EXPECT_EQ(R.first, QStringLiteral("EStringListError"));
        EXPECT_EQ(R.second, QStringLiteral("String list does not allow duplicates"));
        EXPECT_EQ(L.Count(), 1);
    }
    {
        // dupAccept: a new equal key goes before the equal ones already there.
        TStringList L;
        L.SetSorted(true);
        L.SetDuplicates(dupAccept);
        L.Add(QStringLiteral("b"));
        L.AddObject(QStringLiteral("key"), &O1);
        L.Add(QStringLiteral("z"));
        EXPECT_EQ(L.AddObject(QStringLiteral("KEY"), &O2), 1);
        EXPECT_EQ(L.Add(QStringLiteral("Key")), 1);
        EXPECT_EQ(Lines(L), (QStringList{QStringLiteral("b"), QStringLiteral("Key"), QStringLiteral("KEY"),
                                         QStringLiteral("key"), QStringLiteral("z")}));
        EXPECT_EQ(L.Objects(2), &O2);
        EXPECT_EQ(L.Objects(3), &O1);
    }
    {
        // Duplicates in an unsorted list are not checked.
        TStringList L;
        L.SetDuplicates(dupError);
        L.Add(QStringLiteral("x"));
        L.Add(QStringLiteral("x"));
        EXPECT_EQ(L.Count(), 2);
    }
}

TEST(StringListSorted, FindReturnsMatchOrInsertionIndex)
{
    TStringList L;
    L.SetSorted(true);
    L.SetDuplicates(dupAccept);
    Fill(L, {QStringLiteral("b"), QStringLiteral("d"), QStringLiteral("d"), QStringLiteral("d"),
             QStringLiteral("f")});
    const struct
    {
        const char *Key;
        bool Found;
        int Index;
    } Cases[] = {
        {"a", false, 0}, {"b", true, 0}, {"B", true, 0}, {"c", false, 1},
        {"d", true, 1},  // the first of the equal keys
        {"e", false, 4}, {"f", true, 4}, {"g", false, 5},
    };
    for (const auto &Case : Cases) {
        int Index = -7;
        EXPECT_EQ(L.Find(QString::fromLatin1(Case.Key), Index), Case.Found) << Case.Key;
        EXPECT_EQ(Index, Case.Index) << Case.Key;
    }
    TStringList Empty;
    Empty.SetSorted(true);
    int Index = -7;
    EXPECT_FALSE(Empty.Find(QStringLiteral("x"), Index));
    EXPECT_EQ(Index, 0);
}

TEST(StringListSorted, CaseSensitivity)
{
    TStringList L;
    Fill(L, {QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("a"), QStringLiteral("A")});
    EXPECT_EQ(L.IndexOf(QStringLiteral("A")), 2);  // unsorted IndexOf ignores case by default
    L.SetCaseSensitive(true);
    EXPECT_EQ(L.IndexOf(QStringLiteral("A")), 3);
    L.SetSorted(true);
    EXPECT_EQ(Lines(L), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("a"),
                                     QStringLiteral("b")}));
    int Index;
    EXPECT_FALSE(L.Find(QStringLiteral("c"), Index));
    EXPECT_EQ(Index, 4);
    // Turning case sensitivity off re-sorts, so Find keeps working.
    L.SetCaseSensitive(false);
    EXPECT_EQ(L.Strings(0).toUpper(), QStringLiteral("A"));
    EXPECT_EQ(L.Strings(1).toUpper(), QStringLiteral("A"));
    EXPECT_TRUE(L.Find(QStringLiteral("b"), Index));
    EXPECT_GE(Index, 2);
    // Non-ASCII letters fold too.
    EXPECT_EQ(CompareTextOrdinal(QStringLiteral("é"), QStringLiteral("É")), 0);
    EXPECT_LT(CompareTextOrdinal(QStringLiteral("ab"), QStringLiteral("ABC")), 0);
    EXPECT_GT(CompareTextOrdinal(QStringLiteral("_"), QStringLiteral("z")), 0);
    EXPECT_LT(CompareTextOrdinal(QStringLiteral("a b"), QStringLiteral("a1")), 0);
}

TEST(StringListSorted, SortAndCustomSort)
{
    TStringList L;
    Fill(L, {QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("100")});
    L.CustomSort([](TStringList *List, int A, int B) {
        return List->Strings(A).toInt() - List->Strings(B).toInt();
    });
    EXPECT_EQ(Lines(L), (QStringList{QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("100")}));
    L.Sort();
    EXPECT_EQ(Lines(L), (QStringList{QStringLiteral("10"), QStringLiteral("100"), QStringLiteral("9")}));
    L.SetSorted(true);
    // A sorted list stays in its own order.
    L.CustomSort([](TStringList *, int A, int B) { return B - A; });
    EXPECT_EQ(L.Strings(0), QStringLiteral("10"));
}

// --- Editing, index errors, objects --------------------------------------------

TEST(StringListEditing, InsertMoveExchangeDelete)
{
    TStringList L;
    Fill(L, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    L.Insert(3, QStringLiteral("d"));
    L.Insert(0, QStringLiteral("z"));
    L.Append(QStringLiteral("e"));
    EXPECT_EQ(L.CommaText(), QStringLiteral("z,a,b,c,d,e"));
    L.Move(0, 5);
    EXPECT_EQ(L.CommaText(), QStringLiteral("a,b,c,d,e,z"));
    L.Move(4, 1);
    EXPECT_EQ(L.CommaText(), QStringLiteral("a,e,b,c,d,z"));
    L.Exchange(0, 5);
    EXPECT_EQ(L.CommaText(), QStringLiteral("z,e,b,c,d,a"));
    L.Delete(1);
    L.SetStrings(0, QStringLiteral("y"));
    EXPECT_EQ(L.CommaText(), QStringLiteral("y,b,c,d,a"));
    EXPECT_EQ(L.IndexOf(QStringLiteral("D")), 3);
}

TEST(StringListEditing, IndexErrorsCarryTheIndex)
{
    TStringList L;
    Fill(L, {QStringLiteral("a"), QStringLiteral("b")});
    const struct
    {
        std::function<void()> Fn;
        const char *Message;
    } Cases[] = {
        {[&] { L.Strings(2); }, "List index out of bounds (2)"},
        {[&] { L.Strings(-1); }, "List index out of bounds (-1)"},
        {[&] { L.SetStrings(2, QString()); }, "List index out of bounds (2)"},
        {[&] { L.Objects(5); }, "List index out of bounds (5)"},
        {[&] { L.SetObjects(-2, nullptr); }, "List index out of bounds (-2)"},
        {[&] { L.Insert(3, QString()); }, "List index out of bounds (3)"},
        {[&] { L.Insert(-1, QString()); }, "List index out of bounds (-1)"},
        {[&] { L.Delete(2); }, "List index out of bounds (2)"},
        {[&] { L.Exchange(0, 2); }, "List index out of bounds (2)"},
        {[&] { L.Move(0, 2); }, "List index out of bounds (2)"},
        {[&] { L.Move(3, 0); }, "List index out of bounds (3)"},
        {[&] { L.Names(2); }, "List index out of bounds (2)"},
        {[&] { L.ValueFromIndex(2); }, "List index out of bounds (2)"},
    };
    for (const auto &Case : Cases) {
        const auto R = Raised(Case.Fn);
        EXPECT_EQ(R.first, QStringLiteral("EStringListError")) << Case.Message;
        EXPECT_EQ(R.second, QString::fromLatin1(Case.Message));
    }
    EXPECT_EQ(L.CommaText(), QStringLiteral("a,b"));
}

TEST(StringListEditing, ObjectsAndOwnership)
{
    int Alive = 0;
    {
        TStringList L(true);
        auto *A = new TCounted(Alive);
        auto *B = new TCounted(Alive);
        L.AddObject(QStringLiteral("a"), A);
        L.AddObject(QStringLiteral("b"), B);
        L.InsertObject(0, QStringLiteral("none"), nullptr);
        EXPECT_EQ(L.IndexOfObject(B), 2);
        EXPECT_EQ(L.IndexOfObject(nullptr), 0);
        L.Move(2, 0);  // the object travels with its line
        EXPECT_EQ(L.Objects(0), B);
        L.Delete(0);
        EXPECT_EQ(Alive, 1);
        L.Add(QStringLiteral("c"));
        L.SetObjects(2, new TCounted(Alive));
        EXPECT_EQ(Alive, 2);
    }
    EXPECT_EQ(Alive, 0);
    {
        TStringList L;  // not owning
        TCounted Kept(Alive);
        L.AddObject(QStringLiteral("k"), &Kept);
        L.Clear();
        EXPECT_EQ(Alive, 1);
    }
}

TEST(StringListEditing, AssignAddStringsEquals)
{
    struct Obj : TObject
    {
    } O;
    TStringList A;
    A.AddObject(QStringLiteral("one"), &O);
    A.Add(QStringLiteral("two"));
    TStringList B;
    B.Add(QStringLiteral("old"));
    B.Assign(&A);
    EXPECT_TRUE(B.Equals(&A));
    EXPECT_EQ(B.Objects(0), &O);
    B.Assign(&B);  // self-assignment keeps the lines
    EXPECT_EQ(B.Count(), 2);
    B.AddStrings(&A);
    EXPECT_EQ(B.CommaText(), QStringLiteral("one,two,one,two"));
    EXPECT_FALSE(B.Equals(&A));
    TStringList C;
    C.Add(QStringLiteral("ONE"));
    C.Add(QStringLiteral("two"));
    EXPECT_FALSE(C.Equals(&A));  // exact comparison

    TPersistent Other;
    const auto R = Raised([&] { B.Assign(&Other); });
    EXPECT_EQ(R.first, QStringLiteral("EConvertError"));
}

namespace {

class TChangeLog : public TObject
{
public:
    explicit TChangeLog(TStringList *List) : FList(List) {}
    void ListChanging(TObject *Sender)
    {
        EXPECT_EQ(Sender, FList);
        Log.push_back(QStringLiteral("changing %1").arg(FList->Count()));
    }
    void ListChange(TObject *) { Log.push_back(QStringLiteral("change %1").arg(FList->Count())); }
    std::vector<QString> Log;

private:
    TStringList *FList;
};

} // namespace

TEST(StringListEditing, ChangeEventsAndUpdateBrackets)
{
    TStringList L;
    TChangeLog Events(&L);
    std::vector<QString> &Log = Events.Log;
    L.SetOnChanging(TNotifyEvent(&Events, &TChangeLog::ListChanging));
    L.SetOnChange(TNotifyEvent(&Events, &TChangeLog::ListChange));
    L.Add(QStringLiteral("a"));
    EXPECT_EQ(Log, (std::vector<QString>{QStringLiteral("changing 0"), QStringLiteral("change 1")}));

    Log.clear();
    L.BeginUpdate();
    L.Add(QStringLiteral("b"));
    L.BeginUpdate();
    L.Delete(0);
    L.EndUpdate();
    EXPECT_EQ(Log, (std::vector<QString>{QStringLiteral("changing 1")}));
    L.EndUpdate();
    EXPECT_EQ(Log, (std::vector<QString>{QStringLiteral("changing 1"), QStringLiteral("change 1")}));

    Log.clear();
    L.SetText(QStringLiteral("x\r\ny\r\nz"));  // one bracket for the whole text
    EXPECT_EQ(Log, (std::vector<QString>{QStringLiteral("changing 1"), QStringLiteral("change 3")}));

    Log.clear();
    L.EndUpdate();  // unbalanced: ignored
    EXPECT_TRUE(Log.empty());
    L.Clear();
    L.Clear();  // nothing to clear: no events
    EXPECT_EQ(Log.size(), 2u);
    L.SetOnChange(TNotifyEvent());
    L.Add(QStringLiteral("quiet"));
    EXPECT_EQ(Log.size(), 3u);  // only the changing event is still set
}

TEST(StringListEditing, ClassReferences)
{
    TStringList L;
    TStringStream S;
    const struct
    {
        TObject *Obj;
        const char *Name;
        TClass Ancestor;
    } Cases[] = {
        {&L, "TStringList", TStrings::StaticClass()},
        {&S, "TStringStream", TStream::StaticClass()},
    };
    for (const auto &Case : Cases) {
        EXPECT_EQ(Case.Obj->ClassName(), QString::fromLatin1(Case.Name));
        EXPECT_TRUE(Case.Obj->InheritsFrom(Case.Ancestor)) << Case.Name;
    }
    EXPECT_FALSE(L.InheritsFrom(TList::StaticClass()));
    EXPECT_EQ(TList::StaticClass()->ClassParent(), TObject::StaticClass());
}

TEST(StringListEditing, LinesTravelAsTheStringsProperty)
{
    TStringList L;
    TMemoryStream Empty;
    {
        TWriter W(&Empty);
        W.WriteDefinedProperties(&L);  // no lines: nothing written
    }
    EXPECT_EQ(Empty.Size(), 0);

    L.Add(QStringLiteral("a"));
    L.Add(QStringLiteral("中"));
    TStringStream S;
    {
        TWriter W(&S);
        W.WriteDefinedProperties(&L);
    }
    EXPECT_EQ(S.DataString().toHex(), QByteArray("07537472696e677301" "060161" "0602d6d0" "00"));

    TStringList M;
    M.Add(QStringLiteral("old"));
    S.SetPosition(0);
    {
        TReader R(&S);
        R.ReadProperty(&M);
    }
    EXPECT_TRUE(M.Equals(&L));
    EXPECT_EQ(S.Position(), S.Size());

    // Equal to the ancestor: nothing to write; different: written.
    TStringList Same;
    Same.Assign(&L);
    TMemoryStream Out;
    {
        TWriter W(&Out);
        W.SetAncestor(&Same);
        W.WriteDefinedProperties(&L);
        EXPECT_EQ(Out.Size(), 0);
        Same.Add(QStringLiteral("more"));
        W.WriteDefinedProperties(&L);
    }
    EXPECT_EQ(Out.Size(), S.Size());
}

// The register of live objects under many objects side by side, freed in an
// order unlike the one they were made in.
TEST(TObject, RegisterKnowsEveryLiveObjectByItsSerial)
{
    std::vector<std::unique_ptr<TObject>> objects;
    std::vector<std::pair<const TObject *, quint64>> made;
    for (int i = 0; i < 20000; ++i) {
        objects.push_back(std::make_unique<TObject>());
        made.emplace_back(objects.back().get(), objects.back()->Serial());
    }
    for (size_t i = 0; i < objects.size(); i += (i % 3 == 0) ? 1 : 2)
        objects[i].reset();
    for (size_t i = 0; i < objects.size(); ++i) {
        const auto [object, serial] = made[i];
        const bool live = objects[i] != nullptr;
        ASSERT_EQ(ObjectIsLive(object, serial), live) << i;
        ASSERT_EQ(LiveSerial(object), live ? serial : 0) << i;
        if (live) {
            ASSERT_FALSE(ObjectIsLive(object, serial + 1)) << i;
        }
    }
    EXPECT_FALSE(ObjectIsLive(nullptr, 0));
    EXPECT_FALSE(ObjectIsLive(made[1].first, 0));
}

// Objects made again where others were freed, among many live ones: each
// address answers the serial of what lives there now, never an earlier one's,
// and no pointer that is not an object's start passes for one.
TEST(TObject, RegisterTellsANewObjectFromTheFreedOneAtItsAddress)
{
    constexpr size_t N = 400000;
    // 8 bytes apart: every other object starts at an odd multiple of 8, as members may.
    struct alignas(TObject) TRoom
    {
        unsigned char Bytes[sizeof(TObject) + 8];
    };
    std::vector<TRoom> rooms(N);
    std::vector<quint64> first(N), second(N, 0);
    auto at = [&](size_t i) { return reinterpret_cast<TObject *>(rooms[i].Bytes); };
    for (size_t i = 0; i < N; ++i)
        first[i] = (new (rooms[i].Bytes) TObject)->Serial();
    for (size_t i = 0; i < N; i += 2) {
        at(i)->~TObject();
        if (i % 4 == 0)
            second[i] = (new (rooms[i].Bytes) TObject)->Serial();
    }
    for (size_t i = 0; i < N; ++i) {
        // Odd rooms keep their first object; every fourth has a new one; the rest are empty.
        const quint64 now = i % 2 ? first[i] : second[i];
        ASSERT_EQ(LiveSerial(at(i)), now) << i;
        ASSERT_EQ(ObjectIsLive(at(i), first[i]), i % 2 == 1) << i;
        if (i % 4 == 0) {
            ASSERT_NE(now, first[i]) << i;
            ASSERT_TRUE(ObjectIsLive(at(i), now)) << i;
        }
    }
    const auto *inside = reinterpret_cast<const TObject *>(rooms[1].Bytes + 8);
    const auto *unaligned = reinterpret_cast<const TObject *>(rooms[1].Bytes + 4);
    const auto *nowhere = reinterpret_cast<const TObject *>(quintptr(0x7ff0'0000'0000));
    const auto *beyond = reinterpret_cast<const TObject *>(quintptr(1) << 56);
    for (const TObject *p : {inside, unaligned, nowhere, beyond})
        EXPECT_EQ(LiveSerial(p), 0u) << p;
    for (size_t i = 0; i < N; ++i)
        if (i % 2 || i % 4 == 0)
            at(i)->~TObject();
}

// Threads making and freeing objects side by side: neighbours share a word
// of the register, and no thread's change may undo another's.
TEST(TObjectThreads, NeighboursMadeOnOtherThreadsStayKnown)
{
    constexpr int Threads = 4, PerThread = 2000, Rounds = 50;
    struct alignas(TObject) TRoom
    {
        unsigned char Bytes[sizeof(TObject)];
    };
    std::vector<TRoom> rooms(Threads * PerThread);
    std::atomic<int> wrong{0};
    auto work = [&](int t) {
        std::vector<quint64> serials(PerThread);
        for (int round = 0; round < Rounds; ++round) {
            for (int i = 0; i < PerThread; ++i)
                serials[i] = (new (rooms[i * Threads + t].Bytes) TObject)->Serial();
            for (int i = 0; i < PerThread; ++i) {
                auto *o = reinterpret_cast<TObject *>(rooms[i * Threads + t].Bytes);
                wrong += !ObjectIsLive(o, serials[i]);
                o->~TObject();
            }
            for (int i = 0; i < PerThread; ++i)
                wrong += LiveSerial(reinterpret_cast<TObject *>(rooms[i * Threads + t].Bytes)) != 0;
        }
    };
    std::vector<std::thread> running;
    for (int t = 0; t < Threads; ++t)
        running.emplace_back(work, t);
    for (auto &th : running)
        th.join();
    EXPECT_EQ(wrong.load(), 0);
}
