// Tests of exceptions (platform).
#include "Exceptions.h"
#include <gtest/gtest.h>

TEST(Exceptions, CarryMessageAndClassName)
{
    try {
        throw EConvertError(QStringLiteral("'abc' is not a valid integer value"));
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'abc' is not a valid integer value"));
        EXPECT_STREQ(e.ClassName(), "EConvertError");
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_THROW(throw EReadError(QStringLiteral("x")), EStreamError);
}
