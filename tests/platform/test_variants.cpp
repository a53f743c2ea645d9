// Variant kinds, type codes, conversions, arrays and the QVariant bridge.
#include "variant_test_util.h"
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <gtest/gtest.h>
#include <limits>

namespace {

class TObjHolder : public TPersistent {};

std::string CastMsg(const char *from, const char *to)
{
    return std::string("EVariantError: Could not convert variant of type (") + from + ") into type (" + to + ")";
}

std::string OverflowMsg(const char *from, const char *to)
{
    return std::string("EVariantError: Overflow while converting variant of type (") + from + ") into type (" + to
        + ")";
}

const char *const InvalidCast = "EVariantError: Invalid variant type conversion";
const char *const BadIndex = "EVariantError: Variant or safe array index out of bounds";
const char *const CreateError = "EVariantError: Error creating variant or safe array";

} // namespace

TEST(Variant, TypeCodesAsTheLibraryNumbersThem)
{
    static TObjHolder obj;
    struct Case { Variant V; TVarType Code; const char *Text; };
    const Case cases[] = {
        {Variant(), 0, "Empty"},
        {Null(), 1, "Null"},
        {Typed(1, varSmallint), 2, "Smallint"},
        {1, 3, "Integer"},
        {1.5f, 4, "Single"},
        {1.5, 5, "Double"},
        {Variant::FromCurrency(1), 6, "Currency"},
        {Variant::FromDate(1), 7, "Date"},
        {Variant::FromOleStr("w"), 8, "OleStr"},
        {true, 11, "Boolean"},
        {Typed(1, varShortInt), 16, "ShortInt"},
        {Typed(1, varByte), 17, "Byte"},
        {Typed(1, varWord), 18, "Word"},
        {1u, 19, "LongWord"},
        {qint64(1), 20, "Int64"},
        {"s", 256, "String"},
        {&obj, varObject, "Object"},
        {VarArrayCreate({0, 1}, varVariant), 0x200C, "Array Variant"},
        {VarArrayCreate({0, 1}, varInteger), 0x2003, "Array Integer"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(VarType(c.V), c.Code) << c.Text;
        EXPECT_EQ(VarTypeAsText(VarType(c.V)).toStdString(), c.Text);
    }
    // Our object code collides with no code of the library.
    for (TVarType t : {varEmpty, varNull, varSmallint, varInteger, varSingle, varDouble, varCurrency, varDate,
                       varOleStr, varDispatch, varError, varBoolean, varVariant, varUnknown, varShortInt, varByte,
                       varWord, varLongWord, varInt64, varStrArg, varString, varAny})
        EXPECT_NE(t, varObject);
    EXPECT_EQ(varArray, 0x2000);
    EXPECT_EQ(varByRef, 0x4000);
}

TEST(Variant, Predicates)
{
    static TObjHolder obj;
    // Null, Empty, Array, Numeric, Str, Object
    struct Case { const char *Name; Variant V; const char *Flags; };
    const Case cases[] = {
        {"empty", Variant(), "-E----"},
        {"null", Null(), "N-----"},
        {"integer", 1, "---#--"},
        {"int64", qint64(1), "---#--"},
        {"double", 1.5, "---#--"},
        {"currency", Variant::FromCurrency(1), "---#--"},
        {"boolean counts as ordinal", true, "---#--"},
        {"date is not numeric", Variant::FromDate(1), "------"},
        {"string", "1", "----S-"},
        {"olestr", Variant::FromOleStr("1"), "----S-"},
        {"array", VarArrayOf({1}), "--A---"},
        {"object", &obj, "-----O"},
    };
    for (const Case &c : cases) {
        std::string f;
        f += VarIsNull(c.V) ? 'N' : '-';
        f += VarIsEmpty(c.V) ? 'E' : '-';
        f += VarIsArray(c.V) ? 'A' : '-';
        f += VarIsNumeric(c.V) ? '#' : '-';
        f += VarIsStr(c.V) ? 'S' : '-';
        f += VarIsObject(c.V) ? 'O' : '-';
        EXPECT_EQ(f, c.Flags) << c.Name;
    }
}

TEST(VariantConvert, VarToStrTexts)
{
    struct Case { const char *Name; Variant V; const char *Text; };
    const Case cases[] = {
        {"empty", Variant(), ""},
        {"null", Null(), ""},
        {"true", true, "True"},
        {"false", false, "False"},
        {"integer", -42, "-42"},
        {"int64", std::numeric_limits<qint64>::max(), "9223372036854775807"},
        {"byte", Typed(255, varByte), "255"},
        {"longword", 4294967295u, "4294967295"},
        {"double", 0.5, "0.5"},
        {"double sum", 0.1 + 0.2, "0.3"},
        {"large double", 1e20, "1E20"},
        {"small double", 1e-5, "1E-5"},
        {"single shows its binary value", 0.1f, "0.100000001490116"},
        {"currency", Variant::FromCurrency(1.5), "1.5"},
        {"currency whole", Variant::FromCurrency(-3), "-3"},
        {"currency smallest", Variant::FromCurrency(-0.0001), "-0.0001"},
        {"currency large", Variant::FromCurrency(922337203685477.0), "922337203685477"},
        {"date", Variant::FromDate(3), "1900-01-02"},
        {"string", "abc", "abc"},
        {"chinese", QStringLiteral(u"提示"), "提示"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(VarToStr(c.V).toStdString(), c.Text) << c.Name;

    EXPECT_EQ(VarToStrDef(Null(), "none").toStdString(), "none");
    EXPECT_EQ(VarToStrDef(Variant(), "none").toStdString(), "");
    EXPECT_EQ(VarToStrDef(7, "none").toStdString(), "7");
}

TEST(VariantConvert, VarToStrFailures)
{
    static TObjHolder obj;
    EXPECT_EQ(Raised([] { VarToStr(&obj); }), CastMsg("Object", "String"));
    EXPECT_EQ(Raised([] { VarToStr(VarArrayOf({1})); }), InvalidCast);
}

TEST(VariantConvert, ToInteger)
{
    struct Case { const char *Name; Variant V; int Expected; };
    const Case cases[] = {
        {"2.5 rounds to even", 2.5, 2},
        {"3.5 rounds to even", 3.5, 4},
        {"-2.5 rounds to even", -2.5, -2},
        {"2.6", 2.6, 3},
        {"string", "12", 12},
        {"negative string", "-7", -7},
        {"real string rounds", "2.5", 2},
        {"word True", "True", -1},
        {"word false any case", "fALSE", 0},
        {"true", true, -1},
        {"false", false, 0},
        {"empty", Variant(), 0},
        {"currency rounds to even", Variant::FromCurrency(2.5), 2},
        {"currency 3.5", Variant::FromCurrency(3.5), 4},
        {"currency -3.5", Variant::FromCurrency(-3.5), -4},
        {"int max", std::numeric_limits<int>::max(), std::numeric_limits<int>::max()},
        {"date", Variant::FromDate(45000.25), 45000},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Outcome([&] { return Variant(c.V.AsInteger()); }), "Integer:" + std::to_string(c.Expected))
            << c.Name;
    }
}

TEST(VariantConvert, ImpossibleConversionsRaise)
{
    static TObjHolder obj;
    struct Case { const char *Name; std::function<void()> F; std::string Expected; };
    const Case cases[] = {
        {"text to integer", [] { Variant("abc").AsInteger(); }, CastMsg("String", "Integer")},
        {"empty text to integer", [] { Variant("").AsInteger(); }, CastMsg("String", "Integer")},
        {"null to integer", [] { Null().AsInteger(); }, CastMsg("Null", "Integer")},
        {"object to integer", [] { Variant(&obj).AsInteger(); }, CastMsg("Object", "Integer")},
        {"object to int64", [] { Variant(&obj).AsInt64(); }, CastMsg("Object", "Int64")},
        {"object to double", [] { Variant(&obj).AsDouble(); }, CastMsg("Object", "Double")},
        {"object to boolean", [] { Variant(&obj).AsBoolean(); }, CastMsg("Object", "Boolean")},
        {"object as integer type", [] { VarAsType(&obj, varInteger); }, CastMsg("Object", "Integer")},
        {"int64 beyond integer", [] { Variant(qint64(3000000000LL)).AsInteger(); }, OverflowMsg("Int64", "Integer")},
        {"string beyond integer", [] { Variant("3000000000").AsInteger(); }, OverflowMsg("String", "Integer")},
        {"double beyond integer", [] { Variant(1e10).AsInteger(); }, OverflowMsg("Double", "Integer")},
        {"double beyond int64", [] { Variant(1e19).AsInt64(); }, OverflowMsg("Double", "Int64")},
        {"array to integer", [] { VarArrayOf({1}).AsInteger(); }, InvalidCast},
        {"null to int64", [] { Null().AsInt64(); }, CastMsg("Null", "Int64")},
        {"text to double", [] { Variant("1,5x").AsDouble(); }, CastMsg("String", "Double")},
        {"null to double", [] { Null().AsDouble(); }, CastMsg("Null", "Double")},
        {"text to boolean", [] { Variant("yes").AsBoolean(); }, CastMsg("String", "Boolean")},
        {"null to boolean", [] { Null().AsBoolean(); }, CastMsg("Null", "Boolean")},
        {"null to string", [] { Null().AsString(); }, CastMsg("Null", "String")},
        {"text to date", [] { Variant("not a date").AsDateTime(); }, CastMsg("String", "Date")},
        {"300 to byte", [] { VarAsType(300, varByte); }, OverflowMsg("Integer", "Byte")},
        {"-1 to word", [] { VarAsType(-1, varWord); }, OverflowMsg("Integer", "Word")},
        {"-1 to longword", [] { VarAsType(-1, varLongWord); }, OverflowMsg("Integer", "LongWord")},
        {"40000 to smallint", [] { VarAsType(40000, varSmallint); }, OverflowMsg("Integer", "Smallint")},
        {"200 to shortint", [] { VarAsType(200, varShortInt); }, OverflowMsg("Integer", "ShortInt")},
        {"1e40 to single", [] { VarAsType(1e40, varSingle); }, OverflowMsg("Double", "Single")},
        {"1e20 to currency", [] { VarAsType(1e20, varCurrency); }, OverflowMsg("Double", "Currency")},
        {"null to string type", [] { VarAsType(Null(), varString); }, CastMsg("Null", "String")},
        {"to variant type", [] { VarAsType(1, varVariant); }, InvalidCast},
        {"to dispatch", [] { VarAsType(1, varDispatch); }, InvalidCast},
        {"array to string type", [] { VarAsType(VarArrayOf({1}), varString); }, InvalidCast},
        {"integer 5 to object", [] { Variant(5).AsObject(); }, CastMsg("Integer", "Object")},
        {"string to object", [] { Variant("x").AsObject(); }, CastMsg("String", "Object")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Raised(c.F), c.Expected) << c.Name;
}

TEST(VariantConvert, ToDoubleInt64Boolean)
{
    EXPECT_EQ(Variant("1.5").AsDouble(), 1.5);
    EXPECT_EQ(Variant(true).AsDouble(), -1.0);
    EXPECT_EQ(Variant(Variant::FromCurrency(0.0001)).AsDouble(), 0.0001);
    EXPECT_EQ(Variant("9223372036854775807").AsInt64(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(Variant(4294967295u).AsInt64(), 4294967295LL);

    struct Case { const char *Name; Variant V; bool Expected; };
    const Case cases[] = {
        {"TRUE", "TRUE", true}, {"False", "False", false}, {"zero", 0, false}, {"two", 2, true},
        {"'0'", "0", false}, {"'1.5'", "1.5", true}, {"0.0", 0.0, false}, {"-0.5", -0.5, true},
        {"empty", Variant(), false}, {"currency", Variant::FromCurrency(0.0001), true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.V.AsBoolean(), c.Expected) << c.Name;
}

TEST(VariantConvert, VarAsType)
{
    struct Case { const char *Name; Variant V; TVarType To; const char *Expected; };
    const Case cases[] = {
        {"string to integer", "12", varInteger, "Integer:12"},
        {"integer to string", 12, varString, "String:12"},
        {"integer to olestr", 12, varOleStr, "OleStr:12"},
        {"integer to boolean", 1, varBoolean, "Boolean:True"},
        {"zero to boolean", 0, varBoolean, "Boolean:False"},
        {"double to currency", 1.5, varCurrency, "Currency:1.5"},
        {"double to currency rounds", 0.00005, varCurrency, "Currency:0"},
        {"integer to currency", 7, varCurrency, "Currency:7"},
        {"integer to date", 5, varDate, "Date:1900-01-04"},
        {"date text to date", "2024-03-09", varDate, "Date:2024-03-09"},
        {"255 to byte", 255, varByte, "Byte:255"},
        {"double to int64", 2.5, varInt64, "Int64:2"},
        {"anything to null", 5, varNull, "Null"},
        {"anything to empty", "x", varEmpty, "Empty"},
        {"bool to integer", true, varInteger, "Integer:-1"},
        {"empty to integer", Variant(), varInteger, "Integer:0"},
        {"empty to string", Variant(), varString, "String:"},
        {"same type", 5, varInteger, "Integer:5"},
        {"double to single", 0.5, varSingle, "Single:0.5"},
        {"nil integer to object", 0, varObject, "Object"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Outcome([&] { return VarAsType(c.V, c.To); }), c.Expected) << c.Name;
}

TEST(VariantObject, ReferencesAreAKindOfTheirOwn)
{
    TObjHolder obj;
    Variant v(&obj);
    EXPECT_EQ(VarType(v), varObject);
    EXPECT_EQ(v.AsObject(), &obj);
    Variant copy = v;
    EXPECT_EQ(copy.AsObject(), &obj);
    EXPECT_EQ(Variant().AsObject(), nullptr);
    EXPECT_EQ(Null().AsObject(), nullptr);
    EXPECT_EQ(Variant(0).AsObject(), nullptr);
    EXPECT_EQ(Variant(static_cast<TObject *>(nullptr)).AsObject(), nullptr);
    EXPECT_EQ(Raised([&] { v.AsInt64(); }), CastMsg("Object", "Int64"));
    EXPECT_EQ(Outcome([&] { return VarAdd(v, 0); }), "EVariantError: Invalid variant operation");
    EXPECT_EQ(Outcome([&] { return VarOr(v, 0); }), "EVariantError: Invalid variant operation");
    EXPECT_EQ(Outcome([&] { return VarNot(v); }), "EVariantError: Invalid variant operation");
    EXPECT_FALSE(VarIsNumeric(v));
}

TEST(VariantArray, OneDimension)
{
    Variant a = VarArrayCreate({0, 4}, varVariant);
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a, 1), 0);
    EXPECT_EQ(VarArrayHighBound(a, 1), 4);
    for (int i = 0; i <= 4; ++i)
        EXPECT_TRUE(VarIsEmpty(VarArrayGet(a, {i})));
    VarArrayPut(a, "x", {4});
    VarArrayPut(a, 1.5, {0});
    EXPECT_EQ(Describe(VarArrayGet(a, {4})), "String:x");
    EXPECT_EQ(Describe(VarArrayGet(a, QList<int>{0})), "Double:1.5");
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {5}); }), BadIndex);
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {-1}); }), BadIndex);
    EXPECT_EQ(Raised([&] { VarArrayPut(a, 1, {5}); }), BadIndex);
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {0, 0}); }), BadIndex);
    EXPECT_EQ(Raised([&] { VarArrayLowBound(a, 2); }), BadIndex);
    EXPECT_EQ(Raised([&] { VarArrayHighBound(a, 0); }), BadIndex);

    Variant b = VarArrayCreate({-3, -1}, varVariant);
    EXPECT_EQ(VarArrayLowBound(b, 1), -3);
    EXPECT_EQ(VarArrayHighBound(b, 1), -1);
    VarArrayPut(b, 9, {-3});
    EXPECT_EQ(Describe(VarArrayGet(b, {-3})), "Integer:9");
}

TEST(VariantArray, TwoDimensions)
{
    Variant a = VarArrayCreate({1, 3, 0, 1}, varVariant);
    EXPECT_EQ(VarArrayDimCount(a), 2);
    EXPECT_EQ(VarArrayLowBound(a, 1), 1);
    EXPECT_EQ(VarArrayHighBound(a, 1), 3);
    EXPECT_EQ(VarArrayLowBound(a, 2), 0);
    EXPECT_EQ(VarArrayHighBound(a, 2), 1);
    for (int i = 1; i <= 3; ++i)
        for (int j = 0; j <= 1; ++j)
            VarArrayPut(a, i * 10 + j, {i, j});
    for (int i = 1; i <= 3; ++i)
        for (int j = 0; j <= 1; ++j)
            EXPECT_EQ(VarArrayGet(a, {i, j}).AsInteger(), i * 10 + j) << i << "," << j;
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {0, 0}); }), BadIndex);
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {1, 2}); }), BadIndex);
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {1}); }), BadIndex);
}

TEST(VariantArray, ThreeDimensions)
{
    Variant a = VarArrayCreate({0, 1, 0, 2, -1, 1}, varVariant);
    EXPECT_EQ(VarArrayDimCount(a), 3);
    EXPECT_EQ(VarArrayLowBound(a, 3), -1);
    EXPECT_EQ(VarArrayHighBound(a, 3), 1);
    for (int i = 0; i <= 1; ++i)
        for (int j = 0; j <= 2; ++j)
            for (int k = -1; k <= 1; ++k)
                VarArrayPut(a, i * 100 + j * 10 + k, {i, j, k});
    for (int i = 0; i <= 1; ++i)
        for (int j = 0; j <= 2; ++j)
            for (int k = -1; k <= 1; ++k)
                EXPECT_EQ(VarArrayGet(a, {i, j, k}).AsInteger(), i * 100 + j * 10 + k);
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {0, 0, 2}); }), BadIndex);
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {0, 3, 0}); }), BadIndex);
}

TEST(VariantArray, RedimKeepsContent)
{
    Variant a = VarArrayCreate({0, 4}, varVariant);
    for (int i = 0; i <= 4; ++i)
        VarArrayPut(a, i + 1, {i});
    VarArrayRedim(a, 9);
    EXPECT_EQ(VarArrayHighBound(a, 1), 9);
    for (int i = 0; i <= 4; ++i)
        EXPECT_EQ(VarArrayGet(a, {i}).AsInteger(), i + 1);
    EXPECT_TRUE(VarIsEmpty(VarArrayGet(a, {9})));
    VarArrayRedim(a, 2);
    EXPECT_EQ(VarArrayHighBound(a, 1), 2);
    EXPECT_EQ(VarArrayGet(a, {2}).AsInteger(), 3);
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {3}); }), BadIndex);
    VarArrayRedim(a, -1); // no elements left
    EXPECT_EQ(VarArrayHighBound(a, 1), -1);
    EXPECT_EQ(Raised([&] { VarArrayGet(a, {0}); }), BadIndex);
    EXPECT_EQ(Raised([&] { VarArrayRedim(a, -3); }), CreateError);

    // The last dimension changes; the rest keep their places.
    Variant m = VarArrayCreate({0, 1, 1, 2}, varVariant);
    for (int i = 0; i <= 1; ++i)
        for (int j = 1; j <= 2; ++j)
            VarArrayPut(m, i * 10 + j, {i, j});
    VarArrayRedim(m, 3);
    EXPECT_EQ(VarArrayHighBound(m, 1), 1);
    EXPECT_EQ(VarArrayHighBound(m, 2), 3);
    for (int i = 0; i <= 1; ++i) {
        for (int j = 1; j <= 2; ++j)
            EXPECT_EQ(VarArrayGet(m, {i, j}).AsInteger(), i * 10 + j);
        EXPECT_TRUE(VarIsEmpty(VarArrayGet(m, {i, 3})));
    }

    Variant typed = VarArrayCreate({0, 0}, varInteger);
    VarArrayRedim(typed, 1);
    EXPECT_EQ(Describe(VarArrayGet(typed, {1})), "Integer:0");
}

TEST(VariantArray, TypedElements)
{
    Variant a = VarArrayCreate({0, 2}, varInteger);
    EXPECT_EQ(VarType(a), varArray | varInteger);
    EXPECT_EQ(Describe(VarArrayGet(a, {0})), "Integer:0");
    VarArrayPut(a, "12", {1});
    VarArrayPut(a, 2.5, {2});
    EXPECT_EQ(Describe(VarArrayGet(a, {1})), "Integer:12");
    EXPECT_EQ(Describe(VarArrayGet(a, {2})), "Integer:2");
    EXPECT_EQ(Raised([&] { VarArrayPut(a, "x", {0}); }), CastMsg("String", "Integer"));
    EXPECT_EQ(Raised([&] { VarArrayPut(a, Null(), {0}); }), CastMsg("Null", "Integer"));
    EXPECT_EQ(Describe(VarArrayGet(a, {0})), "Integer:0");

    Variant s = VarArrayCreate({1, 2}, varString);
    EXPECT_EQ(Describe(VarArrayGet(s, {1})), "String:");
    Variant b = VarArrayCreate({1, 1}, varBoolean);
    EXPECT_EQ(Describe(VarArrayGet(b, {1})), "Boolean:False");
}

TEST(VariantArray, CreationRejectsBadBounds)
{
    EXPECT_EQ(Raised([] { VarArrayCreate({0}, varVariant); }), CreateError);
    EXPECT_EQ(Raised([] { VarArrayCreate({}, varVariant); }), CreateError);
    EXPECT_EQ(Raised([] { VarArrayCreate({0, 1, 0, 1, 0, 1, 0, 1}, varVariant); }), CreateError);
    EXPECT_EQ(Raised([] { VarArrayCreate({5, 3}, varVariant); }), CreateError);
    EXPECT_EQ(Raised([] { VarArrayCreate({0, 1}, varNull); }), CreateError);
    EXPECT_EQ(Raised([] { VarArrayCreate({0, 1}, varObject); }), CreateError);
    EXPECT_EQ(Raised([] { VarArrayCreate({0, 2000000000}, varVariant); }), CreateError);
    EXPECT_EQ(Raised([] { VarArrayCreate({0, 100000, 0, 100000}, varVariant); }), CreateError);
    Variant empty = VarArrayCreate({0, -1}, varVariant);
    EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
}

TEST(VariantArray, NotAnArray)
{
    Variant v = 1;
    EXPECT_EQ(VarArrayDimCount(v), 0);
    EXPECT_EQ(Raised([&] { VarArrayLowBound(v, 1); }), "EVariantError: Variant is not an array");
    EXPECT_EQ(Raised([&] { VarArrayGet(v, {0}); }), "EVariantError: Variant is not an array");
    EXPECT_EQ(Raised([&] { VarArrayRedim(v, 3); }), "EVariantError: Variant is not an array");
}

TEST(VariantArray, OfValuesCopiesAndNesting)
{
    Variant a = VarArrayOf({1, "a", Null()});
    EXPECT_EQ(VarType(a), varArray | varVariant);
    EXPECT_EQ(VarArrayLowBound(a, 1), 0);
    EXPECT_EQ(VarArrayHighBound(a, 1), 2);
    EXPECT_EQ(Describe(VarArrayGet(a, {1})), "String:a");
    EXPECT_TRUE(VarIsNull(VarArrayGet(a, {2})));

    // Arrays are values: writing a copy leaves the original alone.
    Variant b = a;
    VarArrayPut(b, 99, {0});
    EXPECT_EQ(VarArrayGet(a, {0}).AsInteger(), 1);
    EXPECT_EQ(VarArrayGet(b, {0}).AsInteger(), 99);
    VarArrayRedim(b, 5);
    EXPECT_EQ(VarArrayHighBound(a, 1), 2);

    VarArrayPut(a, VarArrayOf({7, 8}), {0});
    const Variant inner = VarArrayGet(a, {0});
    EXPECT_TRUE(VarIsArray(inner));
    EXPECT_EQ(VarArrayGet(inner, {1}).AsInteger(), 8);

    Variant none = VarArrayOf({});
    EXPECT_EQ(VarArrayHighBound(none, 1), -1);
}

TEST(VariantQVariant, FromQVariant)
{
    struct Case { const char *Name; QVariant Q; const char *Expected; };
    const Case cases[] = {
        {"invalid", QVariant(), "Empty"},
        {"typed null", QVariant(QMetaType::fromType<int>()), "Null"},
        {"null string field", QVariant(QMetaType::fromType<QString>()), "Null"},
        {"nullptr", QVariant::fromValue(nullptr), "Null"},
        {"empty string is no null", QVariant(QString("")), "String:"},
        {"int", QVariant(5), "Integer:5"},
        {"longlong", QVariant(qlonglong(1) << 40), "Int64:1099511627776"},
        {"uint", QVariant(4000000000u), "LongWord:4000000000"},
        {"double", QVariant(2.25), "Double:2.25"},
        {"bool", QVariant(true), "Boolean:True"},
        {"string", QVariant(QStringLiteral("ab")), "String:ab"},
        {"date", QVariant(QDate(1900, 1, 2)), "Date:1900-01-02"},
        {"invalid date", QVariant(QDate()), "Null"},
        {"invalid date-time", QVariant(QDateTime()), "Null"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Outcome([&] { return Variant::FromQVariant(c.Q); }), c.Expected) << c.Name;

    const Variant dt = Variant::FromQVariant(QDateTime(QDate(2024, 3, 9), QTime(12, 0)));
    EXPECT_EQ(VarType(dt), varDate);
    EXPECT_DOUBLE_EQ(dt.AsDouble(), 45360.5);
    // Before the epoch day the time still counts forward from midnight.
    EXPECT_DOUBLE_EQ(Variant::FromQVariant(QDateTime(QDate(1899, 12, 29), QTime(6, 0))).AsDouble(), -1.25);

    const Variant bytes = Variant::FromQVariant(QByteArray("\x01\xff", 2));
    EXPECT_EQ(VarType(bytes), varArray | varByte);
    EXPECT_EQ(VarArrayHighBound(bytes, 1), 1);
    EXPECT_EQ(VarArrayGet(bytes, {1}).AsInteger(), 255);

    const Variant list = Variant::FromQVariant(QVariantList{1, QStringLiteral("x")});
    EXPECT_EQ(Describe(VarArrayGet(list, {1})), "String:x");
}

TEST(VariantQVariant, ToQVariant)
{
    EXPECT_FALSE(Variant().ToQVariant().isValid());
    const QVariant n = Null().ToQVariant();
    EXPECT_TRUE(n.isValid());
    EXPECT_TRUE(n.isNull());
    EXPECT_EQ(Variant(5).ToQVariant(), QVariant(5));
    EXPECT_EQ(Variant(qint64(1) << 40).ToQVariant(), QVariant(qlonglong(1) << 40));
    EXPECT_EQ(Variant(true).ToQVariant(), QVariant(true));
    EXPECT_EQ(Variant("ab").ToQVariant(), QVariant(QStringLiteral("ab")));
    EXPECT_EQ(Variant::FromCurrency(1.5).ToQVariant(), QVariant(1.5));
    EXPECT_EQ(Variant::FromDate(45360.5).ToQVariant().toDateTime(), QDateTime(QDate(2024, 3, 9), QTime(12, 0)));
    EXPECT_EQ(Variant::FromDate(-1.25).ToQVariant().toDateTime(), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    const QByteArray raw("\x00\x10\xff", 3);
    EXPECT_EQ(Variant::FromQVariant(raw).ToQVariant().toByteArray(), raw);
    EXPECT_EQ(VarArrayOf({1, "x"}).ToQVariant(), QVariant(QVariantList{1, QStringLiteral("x")}));
    EXPECT_EQ(Raised([] { Variant::FromDate(1e300).ToQVariant(); }), InvalidCast);
    static TObjHolder obj;
    EXPECT_EQ(Raised([] { Variant(&obj).ToQVariant(); }), InvalidCast);
    EXPECT_EQ(Raised([] { VarArrayCreate({0, 1, 0, 1}, varVariant).ToQVariant(); }), InvalidCast);
}

TEST(Variant, AssignmentOverEveryKindLeavesNoOldPart)
{
    // Each value assigned (copied and moved) over each other kind.
    const std::vector<Variant> values = {Variant(), Null(), Variant(5), Variant(2.5), Variant(true),
                                         Variant(QStringLiteral("text")), Variant(QString()),
                                         VarArrayOf({1, "x"}), Variant(Q_INT64_C(1) << 40)};
    for (const Variant &from : values)
        for (const Variant &over : values) {
            Variant copy = over;
            copy = from;
            EXPECT_EQ(Describe(copy), Describe(from));
            Variant moved = over;
            Variant source = from;
            moved = std::move(source);
            EXPECT_EQ(Describe(moved), Describe(from));
            if (VarIsArray(from)) {
                EXPECT_EQ(VarArrayGet(copy, {1}).AsString(), "x");
                EXPECT_EQ(VarArrayGet(moved, {1}).AsString(), "x");
            }
        }
}

TEST(Variant, StringsAppendInPlace)
{
    Variant s(QStringLiteral("ab"));
    const Variant kept = s;
    ASSERT_TRUE(VarStrAppend(s, QStringLiteral("cd")));
    EXPECT_EQ(s.AsString(), "abcd");
    EXPECT_EQ(kept.AsString(), "ab"); // a shared text is copied first
    ASSERT_NE(VarStrData(s), nullptr);
    EXPECT_EQ(*VarStrData(s), "abcd");
    Variant ole = Variant::FromOleStr(QStringLiteral("x"));
    EXPECT_TRUE(VarStrAppend(ole, QStringLiteral("y")));
    EXPECT_EQ(VarType(ole), varOleStr);
    EXPECT_EQ(ole.AsString(), "xy");
    for (Variant other : {Variant(), Null(), Variant(1), VarArrayOf({1})}) {
        const QString before = Describe(other);
        EXPECT_FALSE(VarStrAppend(other, QStringLiteral("z")));
        EXPECT_EQ(Describe(other), before);
        EXPECT_EQ(VarStrData(other), nullptr);
    }
}

TEST(VariantArray, IndexesByPointer)
{
    Variant a = VarArrayCreate({1, 2, 0, 3}, varInteger);
    const int at[2] = {2, 3};
    VarArrayPut(a, Variant(QStringLiteral("7")), at, 2);
    EXPECT_EQ(Describe(VarArrayGet(a, at, 2)), Describe(Variant(7)));
    const Variant copy = a;
    VarArrayPut(a, Variant(8), at, 2);
    EXPECT_EQ(VarArrayGet(copy, at, 2).AsInteger(), 7);
    const int outside[2] = {3, 0};
    EXPECT_THROW(VarArrayGet(a, outside, 2), EVariantError);
    EXPECT_THROW(VarArrayPut(a, Variant(1), at, 1), EVariantError);
}
