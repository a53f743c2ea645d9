// Variant arithmetic, logic and comparison over pairs of kinds.
#include "variant_test_util.h"
#include <gtest/gtest.h>
#include <limits>

namespace {

const qint64 Int64Max = std::numeric_limits<qint64>::max();
const qint64 Int64Min = std::numeric_limits<qint64>::min();
const int IntMax = std::numeric_limits<int>::max();
const int IntMin = std::numeric_limits<int>::min();

struct BinCase
{
    const char *Name;
    Variant L, R;
    TVarOp Op;
    const char *Expected;
};

const char *const ConvStrDouble = "EVariantError: Could not convert variant of type (String) into type (Double)";
const char *const InvalidOp = "EVariantError: Invalid variant operation";
const char *const DivZero = "EDivByZero: Division by zero";
const char *const ZeroDivide = "EZeroDivide: Floating point division by zero";

class TObjHolder : public TObject {};

void RunBinaryTable(const std::vector<BinCase> &cases)
{
    for (const BinCase &c : cases)
        EXPECT_EQ(Outcome([&] { return VarOp(c.L, c.R, c.Op); }), c.Expected) << c.Name;
}

} // namespace

TEST(VariantOps, Add)
{
    static TObjHolder obj;
    RunBinaryTable({
        {"int+int", 1, 2, opAdd, "Integer:3"},
        {"int overflow promotes", IntMax, 1, opAdd, "Int64:2147483648"},
        {"negative overflow promotes", IntMin, -1, opAdd, "Int64:-2147483649"},
        {"int64 stays int64", qint64(5), 1, opAdd, "Int64:6"},
        {"int64 overflow gives double", Int64Max, 1, opAdd, "Double:9.22337203685478E18"},
        {"int+double", 1, 2.5, opAdd, "Double:3.5"},
        {"single+single", 1.5f, 1.0f, opAdd, "Double:2.5"},
        {"byte+byte leaves byte range", Typed(200, varByte), Typed(100, varByte), opAdd, "Integer:300"},
        {"str+str concatenates", "ab", "cd", opAdd, "String:abcd"},
        {"numeric strings still concatenate", "1", "2", opAdd, "String:12"},
        {"olestr+olestr", Variant::FromOleStr("a"), Variant::FromOleStr("b"), opAdd, "OleStr:ab"},
        {"str+int converts the string", "1", 2, opAdd, "Double:3"},
        {"int+str converts the string", 2, "1.5", opAdd, "Double:3.5"},
        {"str not a number", "a", 1, opAdd, ConvStrDouble},
        {"null+int", Null(), 1, opAdd, "Null"},
        {"int+null", 1, Null(), opAdd, "Null"},
        {"null+str", Null(), "a", opAdd, "Null"},
        {"null+null", Null(), Null(), opAdd, "Null"},
        {"empty+int", Variant(), 5, opAdd, "Integer:5"},
        {"empty+str", Variant(), "x", opAdd, "String:x"},
        {"str+empty", "x", Variant(), opAdd, "String:x"},
        {"empty+empty", Variant(), Variant(), opAdd, "Integer:0"},
        {"bool counts -1", true, 1, opAdd, "Integer:0"},
        {"bool+bool", true, true, opAdd, "Integer:-2"},
        {"date+int stays date", Variant::FromDate(2), 1, opAdd, "Date:1900-01-02"},
        {"int+date stays date", 1, Variant::FromDate(2), opAdd, "Date:1900-01-02"},
        {"date+number string", Variant::FromDate(2), "1", opAdd, "Date:1900-01-02"},
        {"date+date text", Variant::FromDate(1), "1900-01-01", opAdd, "Date:1900-01-02"},
        {"date+bad string", Variant::FromDate(2), "x", opAdd,
         "EVariantError: Could not convert variant of type (String) into type (Date)"},
        {"currency+int", Variant::FromCurrency(1.25), 1, opAdd, "Currency:2.25"},
        {"currency+currency exact", Variant::FromCurrency(0.1), Variant::FromCurrency(0.2), opAdd, "Currency:0.3"},
        {"currency+double", Variant::FromCurrency(1), 0.5, opAdd, "Double:1.5"},
        {"object", &obj, 1, opAdd, InvalidOp},
        {"object+object", &obj, &obj, opAdd, InvalidOp},
        {"array", VarArrayOf({1}), 1, opAdd, InvalidOp},
    });
}

TEST(VariantOps, SubtractAndMultiply)
{
    RunBinaryTable({
        {"int-int", 5, 7, opSubtract, "Integer:-2"},
        {"int underflow promotes", IntMin, 1, opSubtract, "Int64:-2147483649"},
        {"int64 underflow gives double", Int64Min, 1, opSubtract, "Double:-9.22337203685478E18"},
        {"str-str converts both", "5", "2", opSubtract, "Double:3"},
        {"str-str not numbers", "a", "b", opSubtract, ConvStrDouble},
        {"str+empty in minus", "x", Variant(), opSubtract, ConvStrDouble},
        {"null-int", Null(), 1, opSubtract, "Null"},
        {"empty-int", Variant(), 3, opSubtract, "Integer:-3"},
        {"date-date is days", Variant::FromDate(10.5), Variant::FromDate(3), opSubtract, "Double:7.5"},
        {"date-int stays date", Variant::FromDate(4), 1, opSubtract, "Date:1900-01-02"},
        {"currency-int", Variant::FromCurrency(1), 3, opSubtract, "Currency:-2"},
        {"int*int", 6, 7, opMultiply, "Integer:42"},
        {"int*int overflow promotes", 65536, 65536, opMultiply, "Int64:4294967296"},
        {"negative product promotes", -65536, 65536, opMultiply, "Int64:-4294967296"},
        {"int64*int64 overflow gives double", qint64(4294967296LL), qint64(4294967296LL), opMultiply,
         "Double:1.84467440737096E19"},
        {"double*int", 1.5, 2, opMultiply, "Double:3"},
        {"str*str", "3", "4", opMultiply, "Double:12"},
        {"currency*currency rounds to 4 places", Variant::FromCurrency(0.0005), Variant::FromCurrency(0.5), opMultiply,
         "Currency:0.0002"},
        {"currency*int", Variant::FromCurrency(0.1), 3, opMultiply, "Currency:0.3"},
        {"double overflow raises", 1e308, 10, opMultiply, "EOverflow: Floating point overflow"},
        {"null*null", Null(), Null(), opMultiply, "Null"},
    });
}

TEST(VariantOps, DivideAlwaysGivesDouble)
{
    RunBinaryTable({
        {"int/int", 7, 2, opDivide, "Double:3.5"},
        {"exact int/int", 6, 3, opDivide, "Double:2"},
        {"str/str", "7", "2", opDivide, "Double:3.5"},
        {"currency/int", Variant::FromCurrency(1), 4, opDivide, "Double:0.25"},
        {"by int zero", 1, 0, opDivide, ZeroDivide},
        {"by double zero", 1.5, 0.0, opDivide, ZeroDivide},
        {"zero by zero", 0, 0, opDivide, ZeroDivide},
        {"by negative zero", 1.0, -0.0, opDivide, ZeroDivide},
        {"by empty", 1, Variant(), opDivide, ZeroDivide},
        {"by string zero", 1, "0", opDivide, ZeroDivide},
        {"null by zero", Null(), 0, opDivide, "Null"},
        {"empty by int", Variant(), 2, opDivide, "Double:0"},
        {"overflow", 1e308, 1e-10, opDivide, "EOverflow: Floating point overflow"},
    });
}

TEST(VariantOps, IntDivAndMod)
{
    RunBinaryTable({
        {"div", 7, 2, opIntDivide, "Integer:3"},
        {"div truncates toward zero", -7, 2, opIntDivide, "Integer:-3"},
        {"div by zero", 7, 0, opIntDivide, DivZero},
        {"div by empty", 7, Variant(), opIntDivide, DivZero},
        {"div by 0.4 rounds to zero", 7, 0.4, opIntDivide, DivZero},
        {"div rounds reals half to even", 7.5, 2, opIntDivide, "Integer:4"},
        {"div of 6.5 rounds to 6", 6.5, 2, opIntDivide, "Integer:3"},
        {"div of strings", "9", "2", opIntDivide, "Integer:4"},
        {"div min by -1 promotes", IntMin, -1, opIntDivide, "Int64:2147483648"},
        {"int64 div", qint64(10), 3, opIntDivide, "Int64:3"},
        {"int64 min div -1 gives double", Int64Min, -1, opIntDivide, "Double:9.22337203685478E18"},
        {"null div zero", Null(), 0, opIntDivide, "Null"},
        {"div non-number string", "x", 2, opIntDivide, ConvStrDouble},
        {"mod", 7, 3, opModulus, "Integer:1"},
        {"mod keeps the dividend's sign", -7, 3, opModulus, "Integer:-1"},
        {"mod by negative", 7, -3, opModulus, "Integer:1"},
        {"mod by zero", 7, 0, opModulus, DivZero},
        {"int64 min mod -1", Int64Min, -1, opModulus, "Int64:0"},
        {"mod null", 7, Null(), opModulus, "Null"},
    });
}

TEST(VariantOps, LogicalAndBitwise)
{
    RunBinaryTable({
        {"bool and bool", true, false, opAnd, "Boolean:False"},
        {"bool or bool", true, false, opOr, "Boolean:True"},
        {"bool xor bool", true, true, opXor, "Boolean:False"},
        {"int and int", 12, 10, opAnd, "Integer:8"},
        {"int or int", 12, 3, opOr, "Integer:15"},
        {"int xor int", 12, 10, opXor, "Integer:6"},
        {"bool and int is bitwise", true, 3, opAnd, "Integer:3"},
        {"false or int", false, 4, opOr, "Integer:4"},
        {"real operands are rounded", 12.4, 10, opAnd, "Integer:8"},
        {"int64 stays int64", qint64(0x100000000LL), 1, opOr, "Int64:4294967297"},
        {"bool word and bool", "True", true, opAnd, "Boolean:True"},
        {"bool word case-insensitive", "false", false, opOr, "Boolean:False"},
        {"number string next to bool", "0", true, opOr, "Boolean:True"},
        {"number string and int", "12", 10, opAnd, "Integer:8"},
        {"bad string", "abc", 1, opAnd, "EVariantError: Could not convert variant of type (String) into type (Integer)"},
        {"bad string next to bool", "abc", true, opAnd,
         "EVariantError: Could not convert variant of type (String) into type (Boolean)"},
        {"null and bool", Null(), true, opAnd, "Null"},
        {"bool or null", true, Null(), opOr, "Null"},
        {"empty and bool", Variant(), true, opAnd, "Boolean:False"},
        {"empty or int", Variant(), 6, opOr, "Integer:6"},
        {"array", VarArrayOf({1}), 1, opOr, InvalidOp},
    });
}

TEST(VariantOps, Shifts)
{
    RunBinaryTable({
        {"shl", 1, 4, opShiftLeft, "Integer:16"},
        {"shl into bit 31 promotes", 1, 31, opShiftLeft, "Int64:2147483648"},
        {"shl past 32 bits", 1, 40, opShiftLeft, "Int64:1099511627776"},
        {"shl negative", -3, 2, opShiftLeft, "Integer:-12"},
        {"shl past 64 bits gives double", 3, 62, opShiftLeft, "Double:1.38350580552822E19"},
        {"shl of zero", 0, 100, opShiftLeft, "Integer:0"},
        {"shr", 256, 4, opShiftRight, "Integer:16"},
        {"shr is logical on 32 bits", -1, 28, opShiftRight, "Integer:15"},
        {"shr by 32 or more", 12345, 40, opShiftRight, "Integer:0"},
        {"shr of int64 is logical on 64 bits", qint64(-1), 60, opShiftRight, "Int64:15"},
        {"shr by zero", -5, 0, opShiftRight, "Integer:-5"},
        {"negative count", 1, -1, opShiftLeft, InvalidOp},
        {"null", Null(), 1, opShiftLeft, "Null"},
        {"string operands", "3", "2", opShiftLeft, "Integer:12"},
    });
}

TEST(VariantOps, Negation)
{
    static TObjHolder obj;
    struct Case { const char *Name; Variant V; const char *Expected; };
    const Case cases[] = {
        {"int", 5, "Integer:-5"},
        {"int min promotes", IntMin, "Int64:2147483648"},
        {"int64 min gives double", Int64Min, "Double:9.22337203685478E18"},
        {"double", 1.5, "Double:-1.5"},
        {"string", "2", "Double:-2"},
        {"bad string", "x", ConvStrDouble},
        {"null", Null(), "Null"},
        {"empty", Variant(), "Integer:0"},
        {"bool", true, "Integer:1"},
        {"currency", Variant::FromCurrency(2.5), "Currency:-2.5"},
        {"object", &obj, InvalidOp},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Outcome([&] { return VarNeg(c.V); }), c.Expected) << c.Name;
}

TEST(VariantOps, Not)
{
    struct Case { const char *Name; Variant V; const char *Expected; };
    const Case cases[] = {
        {"true", true, "Boolean:False"},
        {"false", false, "Boolean:True"},
        {"zero", 0, "Integer:-1"},
        {"five", 5, "Integer:-6"},
        {"int64", qint64(0), "Int64:-1"},
        {"bool word", "False", "Boolean:True"},
        {"number string", "1", "Integer:-2"},
        {"null", Null(), "Null"},
        {"empty", Variant(), "Integer:-1"},
        {"array", VarArrayOf({true}), InvalidOp},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Outcome([&] { return VarNot(c.V); }), c.Expected) << c.Name;
}

TEST(VariantOps, CppOperatorsFollowTheSameRules)
{
    EXPECT_EQ(Describe(Variant(1) + 2), "Integer:3");
    EXPECT_EQ(Describe(Variant("a") + "b"), "String:ab");
    EXPECT_EQ(Describe(Variant(7) / 2), "Double:3.5");
    EXPECT_EQ(Describe(Variant(7) % 4), "Integer:3");
    EXPECT_EQ(Describe(-Variant(3)), "Integer:-3");
    EXPECT_EQ(Describe(VarOp(1, 2, opCmpLT)), "Boolean:True");
}

namespace {

// Expected results of = <> < <= > >= as six letters T/F, or the exception.
struct CmpCase
{
    const char *Name;
    Variant L, R;
    const char *Expected;
};

std::string CompareAll(const Variant &l, const Variant &r)
{
    std::string s;
    for (TVarOp op : {opCmpEQ, opCmpNE, opCmpLT, opCmpLE, opCmpGT, opCmpGE}) {
        try {
            s += VarCompare(l, r, op) ? 'T' : 'F';
        } catch (const Exception &) {
            s += '!';
        }
    }
    return s;
}

} // namespace

TEST(VariantCompare, SixComparisons)
{
    static TObjHolder obj, other;
    const CmpCase cases[] = {
        {"int<int", 1, 2, "FTTTFF"},
        {"int=double", 2, 2.0, "TFFTFT"},
        {"strings ordinal and case-sensitive", "a", "B", "FTFFTT"},
        {"strings", "abc", "abd", "FTTTFF"},
        {"case differs", "abc", "ABC", "FTFFTT"},
        {"numeric strings compare as strings", "10", "9", "FTTTFF"},
        {"string with number compares numerically", "10", 9, "FTFFTT"},
        {"number with string", 9, "10", "FTTTFF"},
        {"string and double", "2.5", 2.5, "TFFTFT"},
        {"null=null", Null(), Null(), "TFFFFF"},
        {"null vs int", Null(), 1, "FTFFFF"},
        {"int vs null", 1, Null(), "FTFFFF"},
        {"null vs empty", Null(), Variant(), "FTFFFF"},
        {"null vs string", Null(), "", "FTFFFF"},
        {"empty=empty", Variant(), Variant(), "TFFTFT"},
        {"empty=0", Variant(), 0, "TFFTFT"},
        {"empty<1", Variant(), 1, "FTTTFF"},
        {"empty=''", Variant(), "", "TFFTFT"},
        {"empty<'a'", Variant(), "a", "FTTTFF"},
        {"empty=false", Variant(), false, "TFFTFT"},
        {"true>false", true, false, "FTFFTT"},
        {"true=-1", true, -1, "TFFTFT"},
        {"bool word equals bool", true, "true", "TFFTFT"},
        {"int64 precision kept", qint64(9007199254740993LL), qint64(9007199254740992LL), "FTFFTT"},
        {"int vs int64", 3, qint64(3), "TFFTFT"},
        {"date vs number", Variant::FromDate(2), 2, "TFFTFT"},
        {"currency vs double", Variant::FromCurrency(1.5), 1.5, "TFFTFT"},
        {"same object", &obj, &obj, "TF!!!!"},
        {"different objects", &obj, &other, "FT!!!!"},
        {"object vs nil integer", &obj, 0, "FT!!!!"},
        {"nil object vs 0", static_cast<TObject *>(nullptr), 0, "TF!!!!"},
        {"nil object vs empty", Variant(), static_cast<TObject *>(nullptr), "TF!!!!"},
        {"object vs null", &obj, Null(), "FTFFFF"},
        {"string not a number", "a", 1, "!!!!!!"},
        {"arrays", VarArrayOf({1}), VarArrayOf({1}), "!!!!!!"},
    };
    for (const CmpCase &c : cases)
        EXPECT_EQ(CompareAll(c.L, c.R), c.Expected) << c.Name;
}

TEST(VariantCompare, FailuresCarryTheLibraryTexts)
{
    static TObjHolder obj;
    EXPECT_EQ(Raised([] { VarCompare("a", 1, opCmpEQ); }), ConvStrDouble);
    EXPECT_EQ(Raised([] { VarCompare(VarArrayOf({1}), 1, opCmpEQ); }), InvalidOp);
    EXPECT_EQ(Raised([] { VarCompare(&obj, &obj, opCmpLT); }), InvalidOp);
}

TEST(VariantCompare, RelationshipValue)
{
    EXPECT_EQ(VarCompareValue(1, 2), vrLessThan);
    EXPECT_EQ(VarCompareValue("b", "a"), vrGreaterThan);
    EXPECT_EQ(VarCompareValue(2.0, 2), vrEqual);
    EXPECT_EQ(VarCompareValue(Null(), 1), vrNotEqual);
    EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
}
