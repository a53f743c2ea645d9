// TqdzNameIndex: counts by name without ASCII case, leaving at zero, and
// agreeing with a plain map through growth and removals.
#include "report/model/qdzNameIndex.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <map>

namespace {

using TCounts = TqdzNameIndex::TCounts;

struct TStep
{
    const char16_t *Name;
    int TCounts::*Which;
    int Delta;
};

struct TCase
{
    const char *Title;
    std::vector<TStep> Steps;
    const char16_t *Asked;
    bool Present;
    int Tree;
    int Owned;
    qsizetype Size;
};

QString Upper(const QString &S)
{
    QString r = S;
    for (QChar &c : r)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return r;
}

} // namespace

TEST(NameIndex, CountsByNameWithoutAsciiCase)
{
    int TCounts::*const T = &TCounts::Tree;
    int TCounts::*const O = &TCounts::Owned;
    const std::vector<TCase> cases = {
        {"empty index", {}, u"Memo1", false, 0, 0, 0},
        {"one count", {{u"Memo1", T, 1}}, u"Memo1", true, 1, 0, 1},
        {"ASCII case is ignored", {{u"memo1", T, 1}, {u"MEMO1", O, 1}}, u"Memo1", true, 1, 1, 1},
        {"other letters keep their case", {{u"\u00e9t\u00e9", T, 1}}, u"\u00c9T\u00c9", false, 0, 0, 1},
        {"a name differing in length is another", {{u"Memo1", T, 1}}, u"Memo10", false, 0, 0, 1},
        {"both counts zero: the name leaves", {{u"A", T, 2}, {u"a", T, -2}}, u"A", false, 0, 0, 0},
        {"one count left keeps it", {{u"A", T, 1}, {u"A", O, 1}, {u"A", T, -1}}, u"a", true, 0, 1, 1},
        {"counts stop at zero", {{u"A", T, 1}, {u"A", O, 1}, {u"A", T, -5}, {u"A", T, 1}}, u"A", true, 1, 1, 1},
        {"taking from a missing name does nothing", {{u"B", T, 1}, {u"A", O, -1}}, u"A", false, 0, 0, 1},
        {"removing one leaves the others", {{u"A", T, 1}, {u"B", T, 1}, {u"C", T, 1}, {u"A", T, -1}},
         u"C", true, 1, 0, 2},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Title);
        TqdzNameIndex index;
        for (const TStep &s : c.Steps)
            index.Count(QString::fromUtf16(s.Name), s.Which, s.Delta);
        const TCounts *found = index.Find(QString::fromUtf16(c.Asked));
        ASSERT_EQ(found != nullptr, c.Present);
        if (found) {
            EXPECT_EQ(found->Tree, c.Tree);
            EXPECT_EQ(found->Owned, c.Owned);
        }
        EXPECT_EQ(index.Size(), c.Size);
    }
}

TEST(NameIndex, AgreesWithAMapThroughGrowthAndRemovals)
{
    // Few names, many changes: runs of slots form, wrap round the table's
    // end and are closed again by removals.
    QRandomGenerator random(7);
    for (const int reserve : {0, 3000}) {
        SCOPED_TRACE(reserve);
        TqdzNameIndex index;
        index.Reserve(reserve);
        std::map<QString, TCounts> expected;
        for (int step = 0; step < 40000; ++step) {
            QString name = QStringLiteral("Memo%1").arg(random.bounded(2500));
            if (random.bounded(2))
                name = name.toLower();
            int TCounts::*which = random.bounded(2) ? &TCounts::Tree : &TCounts::Owned;
            const int delta = random.bounded(5) - 2;
            index.Count(name, which, delta);
            if (delta > 0) {
                expected[Upper(name)].*which += delta;
            } else if (auto it = expected.find(Upper(name)); it != expected.end()) {
                it->second.*which = std::max(0, it->second.*which + delta);
                if (it->second.Tree == 0 && it->second.Owned == 0)
                    expected.erase(it);
            }
        }
        ASSERT_EQ(index.Size(), qsizetype(expected.size()));
        for (int i = 0; i < 2500; ++i) {
            const QString name = QStringLiteral("MEMO%1").arg(i);
            const TCounts *found = index.Find(name);
            auto it = expected.find(name);
            ASSERT_EQ(found != nullptr, it != expected.end()) << name.toStdString();
            if (found) {
                EXPECT_EQ(found->Tree, it->second.Tree) << name.toStdString();
                EXPECT_EQ(found->Owned, it->second.Owned) << name.toStdString();
            }
        }
        index.Clear();
        EXPECT_EQ(index.Size(), 0);
        EXPECT_EQ(index.Find(QStringLiteral("Memo1")), nullptr);
    }
}

TEST(NameIndex, OneStringCountedAndAskedInARowWhileOthersComeAndGo)
{
    // Naming an object passes one string several times in a row: the index
    // keeps what it found for it, and must forget that whenever another name
    // fills a slot, one leaves (slots move back) or the table grows.
    QRandomGenerator random(11);
    std::vector<QString> pool;
    std::vector<QString> lowered;
    for (int i = 0; i < 60; ++i) {
        pool.push_back(QStringLiteral("Memo%1").arg(i));
        lowered.push_back(pool.back().toLower());
    }
    TqdzNameIndex index;
    std::map<QString, TCounts> expected;
    auto check = [&](const QString &Name) {
        const TCounts *found = index.Find(Name);
        auto it = expected.find(Upper(Name));
        ASSERT_EQ(found != nullptr, it != expected.end()) << Name.toStdString();
        if (found) {
            ASSERT_EQ(found->Tree, it->second.Tree) << Name.toStdString();
            ASSERT_EQ(found->Owned, it->second.Owned) << Name.toStdString();
        }
    };
    for (int step = 0; step < 20000; ++step) {
        const QString &name = pool[size_t(random.bounded(int(pool.size())))];
        // The same string object, asked, counted and asked again.
        for (int k = 0; k < 3; ++k) {
            check(name);
            int TCounts::*which = random.bounded(2) ? &TCounts::Tree : &TCounts::Owned;
            const int delta = random.bounded(5) - 2;
            index.Count(name, which, delta);
            if (delta > 0) {
                expected[Upper(name)].*which += delta;
            } else if (auto it = expected.find(Upper(name)); it != expected.end()) {
                it->second.*which = std::max(0, it->second.*which + delta);
                if (it->second.Tree == 0 && it->second.Owned == 0)
                    expected.erase(it);
            }
            check(name);
            // Another name in between, by an equal string of its own or
            // over bytes the index may not keep.
            const QString &o = lowered[size_t(random.bounded(int(lowered.size())))];
            const QString other = random.bounded(2) ? QString::fromRawData(o.constData(), o.size()) : o.toUpper();
            const int otherDelta = random.bounded(2) ? 1 : -1;
            index.Count(other, &TCounts::Tree, otherDelta);
            if (otherDelta > 0) {
                expected[Upper(other)].Tree += 1;
            } else if (auto it = expected.find(Upper(other)); it != expected.end()) {
                it->second.Tree = std::max(0, it->second.Tree - 1);
                if (it->second.Tree == 0 && it->second.Owned == 0)
                    expected.erase(it);
            }
            check(other);
        }
    }
    ASSERT_EQ(index.Size(), qsizetype(expected.size()));
    for (const QString &name : pool)
        check(name);

    // A name not there, asked again after each of a few others arrives in a
    // small table: one of them takes the slot where its search ended.
    for (int trial = 0; trial < 500; ++trial) {
        SCOPED_TRACE(trial);
        TqdzNameIndex small;
        small.Count(QStringLiteral("First"), &TCounts::Tree, 1);
        const QString absent = QStringLiteral("Absent%1").arg(trial);
        ASSERT_EQ(small.Find(absent), nullptr);
        for (int k = 0; k < 7; ++k) {
            const QString &o = lowered[size_t((trial * 7 + k) % int(lowered.size()))];
            small.Count(QString::fromRawData(o.constData(), o.size()), &TCounts::Owned, 1);
            ASSERT_EQ(small.Find(absent), nullptr) << k;
        }
    }
}
