// PascalScript programs compiled and run.
#include "test_interp_support.h"

TEST(InterpPascal, AssignmentsAndArithmetic)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var i: Integer; f: Extended; s: String;\r\n"
        "begin\r\n"
        "  i := 2 + 3 * 4; Log(i);\r\n"
        "  i := (2 + 3) * 4; Log(i);\r\n"
        "  i := 10 - 4 - 3; Log(i);\r\n"
        "  f := 7 / 2; Log(f);\r\n"
        "  i := 7 div 2; Log(i);\r\n"
        "  i := 7 mod 3; Log(i);\r\n"
        "  s := 'a' + 'b'; s := s + 'c'; Log(s);\r\n"
        "  i := -2 + 5; Log(i);\r\n"
        "  Log(1 shl 4);\r\n"
        "end.")), QStringLiteral("14|20|3|3.5|3|1|abc|3|16"));
}
