// Boolean display formats of memo views: "equals True" follows the variant comparison rules.
#include "report/model/qdzClassViews.h"

#include <gtest/gtest.h>

TEST(MemoViewFormat, BooleanFormatComparesWithTrueByVariantRules)
{
    TqdzMemoView m(nullptr);
    TqdzFormat f;
    f.SetKind(fkBoolean);
    f.SetFormatStr(QStringLiteral("No,Yes"));
    struct TCase
    {
        const char *Name;
        Variant Value;
        const char *Expected;
    };
    const TCase cases[] = {
        {"True", Variant(true), "Yes"},
        {"False", Variant(false), "No"},
        {"integer -1 is True", Variant(-1), "Yes"},
        {"integer 0", Variant(0), "No"},
        {"string True", Variant(QStringLiteral("True")), "Yes"},
        {"text that is no Boolean", Variant(QStringLiteral("abc")), "No"},
        {"Null", Null(), ""},
    };
    for (const TCase &c : cases)
        EXPECT_EQ(m.FormatData(c.Value, &f), QString::fromUtf8(c.Expected)) << c.Name;
}
