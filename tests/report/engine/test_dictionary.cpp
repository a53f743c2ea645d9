// The dictionary of short object names of a built report.
#include "report/engine/qdzDictionary.h"
#include "report/model/qdzClass.h"

#include <QStringList>

#include <gtest/gtest.h>

TEST(Dictionary, CreateUniqueNameProbesAndCountsUp)
{
    struct Case {
        int Used; // m1..mUsed in use
        const char *Expected;
    } cases[] = {{0, "m1"}, {2, "m3"}, {600, "m601"}, {1, "m2"}, {10000, "m10001"}};
    for (const Case &c : cases) {
        TqdzDictionary d;
        for (int i = 1; i <= c.Used; ++i)
            d.Add(QStringLiteral("m%1").arg(i), QStringLiteral("Page0.Memo%1").arg(i), nullptr);
        EXPECT_EQ(d.CreateUniqueName(QStringLiteral("m")), QString::fromLatin1(c.Expected)) << c.Used;
        EXPECT_EQ(d.CreateUniqueName(QStringLiteral("b")), QStringLiteral("b1"));
    }
}

TEST(Dictionary, LooksUpObjectsAndSourceNames)
{
    TqdzComponent a(nullptr), b(nullptr);
    TqdzDictionary d;
    EXPECT_EQ(d.AddUnique(QStringLiteral("m"), QStringLiteral("Page0.Memo1"), &a), QStringLiteral("m1"));
    EXPECT_EQ(d.AddUnique(QStringLiteral("m"), QStringLiteral("Page0.Memo2"), &b), QStringLiteral("m2"));
    EXPECT_EQ(d.AddUnique(QStringLiteral("b"), QStringLiteral("Page1.Band1"), nullptr), QStringLiteral("b1"));
    EXPECT_EQ(d.GetObject(QStringLiteral("m2")), &b);
    EXPECT_EQ(d.GetObject(QStringLiteral("m1")), &a);
    EXPECT_EQ(d.GetObject(QStringLiteral("b1")), nullptr);
    EXPECT_EQ(d.GetObject(QStringLiteral("x9")), nullptr);
    EXPECT_EQ(d.GetSourceName(QStringLiteral("b1")), QStringLiteral("Page1.Band1"));
    EXPECT_EQ(d.GetSourceName(QStringLiteral("x9")), QString());
    ASSERT_EQ(d.Count(), 3);
    EXPECT_EQ(d.Names(0), QStringLiteral("b1"));
    EXPECT_EQ(d.Names(2), QStringLiteral("m2"));
    d.Clear();
    EXPECT_EQ(d.Count(), 0);
    EXPECT_EQ(d.GetObject(QStringLiteral("m1")), nullptr);
}

TEST(Dictionary, NamesCompareWithoutCaseAndSortAsTheStringLists)
{
    TqdzComponent a(nullptr), b(nullptr);
    TqdzDictionary d;
    for (const char *n : {"m2", "M1", "m10", "b1"})
        d.Add(QString::fromLatin1(n), QStringLiteral("Page0.X"), &a);
    // A name in use in another case keeps its first entry.
    d.Add(QStringLiteral("m1"), QStringLiteral("Page0.Y"), &b);
    EXPECT_EQ(d.GetObject(QStringLiteral("m1")), &a);
    EXPECT_EQ(d.GetSourceName(QStringLiteral("M1")), QStringLiteral("Page0.X"));
    ASSERT_EQ(d.Count(), 4);
    QStringList sorted;
    for (int i = 0; i < d.Count(); ++i)
        sorted << d.Names(i);
    EXPECT_EQ(sorted, QStringList({"b1", "M1", "m10", "m2"}));
    EXPECT_EQ(d.CreateUniqueName(QStringLiteral("m")), QStringLiteral("m3"));
    EXPECT_EQ(d.AddUnique(QStringLiteral("M"), QStringLiteral("Page0.Z"), nullptr), QStringLiteral("M3"));
    // Counting goes on from the last number given, past names added meanwhile.
    d.Add(QStringLiteral("m4"), QStringLiteral("Page0.W"), nullptr);
    EXPECT_EQ(d.AddUnique(QStringLiteral("m"), QStringLiteral("Page0.V"), nullptr), QStringLiteral("m5"));
}
