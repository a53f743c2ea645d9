// Type codes and compatibility, literals, positions, declaration strings and
// Format's argument records.
#include "test_registration_host.h"
#include <gtest/gtest.h>

namespace {

TEST(TypeRules, StrToVarTypeFindsRegisteredNamesAndDefaultsToClass)
{
    TkwScript s(nullptr);
    AddBaseTypes(s);
    s.AddEnum(QStringLiteral("TAlign"), QStringLiteral("alNone, alTop"));
    EXPECT_EQ(StrToVarType(QStringLiteral("Integer"), &s), fvtInt);
    EXPECT_EQ(StrToVarType(QStringLiteral("string"), &s), fvtString);
    EXPECT_EQ(StrToVarType(QStringLiteral("TDATETIME"), &s), fvtFloat);
    EXPECT_EQ(StrToVarType(QStringLiteral("TAlign"), &s), fvtEnum);
    EXPECT_EQ(StrToVarType(QStringLiteral("Constructor"), &s), fvtConstructor);
    // Never registered: a class, which the builder then reports as unknown.
    EXPECT_EQ(StrToVarType(QStringLiteral("TNoSuchType"), &s), fvtClass);
    EXPECT_EQ(StrToVarType(QStringLiteral("Integer"), nullptr), fvtClass);

    TkwScript child(nullptr);
    child.SetParent(&s);
    EXPECT_EQ(StrToVarType(QStringLiteral("Boolean"), &child), fvtBool);
}

TEST(TypeRules, CompatibilityTable)
{
    TkwScript s(nullptr);
    const TkwVarType all[] = {fvtInt, fvtBool, fvtFloat, fvtChar, fvtString, fvtClass, fvtArray, fvtVariant, fvtEnum,
                              fvtConstructor};
    // Rows: left type; columns: right type in the order above. Class and
    // enumeration pairs use unregistered and differing names here.
    const char *table[] = {
        "1010000110", // Int: Int Float Variant Enum
        "0100000100", // Bool
        "1010000100", // Float
        "0001100100", // Char
        "0001100100", // String
        "0000000100", // Class
        "0000001100", // Array
        "1111111111", // Variant
        "1000000100", // Enum
        "0000000000", // Constructor
    };
    for (int l = 0; l < 10; ++l)
        for (int r = 0; r < 10; ++r) {
            const TkwTypeRec left{all[l], QStringLiteral("TLeft")};
            const TkwTypeRec right{all[r], QStringLiteral("TRight")};
            EXPECT_EQ(TypesCompatible(left, right, &s), table[l][r] == '1') << "left " << l << " right " << r;
        }
}

TEST(TypeRules, ClassAndEnumerationPairsCompareTheirNames)
{
    TkwScript s(nullptr);
    s.AddClass(TComponent::StaticClass(), QString());
    s.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
    s.AddClass(TScrChild::StaticClass(), QStringLiteral("TScrHost"));
    const TkwTypeRec comp{fvtClass, QStringLiteral("TComponent")};
    const TkwTypeRec host{fvtClass, QStringLiteral("tscrhost")};
    const TkwTypeRec child{fvtClass, QStringLiteral("TScrChild")};
    const TkwTypeRec unknown{fvtClass, QStringLiteral("TUnknown")};
    EXPECT_TRUE(TypesCompatible(comp, child, &s));
    EXPECT_TRUE(TypesCompatible(host, host, &s));
    EXPECT_FALSE(TypesCompatible(child, comp, &s));
    EXPECT_FALSE(TypesCompatible(unknown, unknown, &s));
    EXPECT_TRUE(ClassInherits(QStringLiteral("TComponent"), QStringLiteral("TScrChild"), &s));
    EXPECT_FALSE(ClassInherits(QStringLiteral("TScrChild"), QStringLiteral("TComponent"), &s));
    EXPECT_FALSE(ClassInherits(QStringLiteral("TComponent"), QStringLiteral("TUnknown"), &s));

    const TkwTypeRec a1{fvtEnum, QStringLiteral("TAlign")};
    const TkwTypeRec a2{fvtEnum, QStringLiteral("talign")};
    const TkwTypeRec b{fvtEnum, QStringLiteral("TBorder")};
    EXPECT_TRUE(TypesCompatible(a1, a2, &s));
    EXPECT_FALSE(TypesCompatible(a1, b, &s));
}

TEST(TypeRules, AssignCompatibleRefusesFloatIntoInteger)
{
    TkwScript s(nullptr);
    TkwVariable i(QStringLiteral("i"), fvtInt, QString());
    TkwVariable f(QStringLiteral("f"), fvtFloat, QString());
    TkwVariable v(QStringLiteral("v"), fvtVariant, QString());
    EXPECT_TRUE(TypesCompatible({fvtInt, QString()}, {fvtFloat, QString()}, &s));
    EXPECT_FALSE(AssignCompatible(&i, &f, &s));
    EXPECT_TRUE(AssignCompatible(&f, &i, &s));
    EXPECT_TRUE(AssignCompatible(&i, &v, &s));
    EXPECT_TRUE(AssignCompatible(&v, &f, &s));
}

TEST(TypeRules, LiteralConversion)
{
    struct Case
    {
        const char *Text;
        TVarType Type;
        Variant Value;
    };
    const Case cases[] = {
        {"'abc'", varString, Variant("abc")},
        {"''", varString, Variant("")},
        {"'it''s'", varString, Variant("it''s")},
        {"123", varInteger, Variant(123)},
        {"2147483647", varInteger, Variant(2147483647)},
        {"2147483648", varInt64, Variant(qint64(2147483648LL))},
        {"-2147483648", varInteger, Variant(int(-2147483647 - 1))},
        {"-2147483649", varInt64, Variant(qint64(-2147483649LL))},
        {"$FF", varInteger, Variant(255)},
        {"1.5", varDouble, Variant(1.5)},
        {"1E3", varDouble, Variant(1000.0)},
        {"99999999999999999999", varDouble, Variant(1e20)},
    };
    for (const Case &c : cases) {
        const Variant v = ParserStringToVariant(QString::fromUtf8(c.Text));
        EXPECT_EQ(VarType(v), c.Type) << c.Text;
        EXPECT_TRUE(VarCompare(v, c.Value, opCmpEQ)) << c.Text;
    }
    EXPECT_TRUE(VarIsEmpty(ParserStringToVariant(QString())));
    EXPECT_THROW(ParserStringToVariant(QStringLiteral("abc")), EConvertError);
}

TEST(TypeRules, LiteralConversionFollowsTheDecimalSeparator)
{
    const QChar saved = FormatSettings.DecimalSeparator;
    FormatSettings.DecimalSeparator = QLatin1Char(',');
    const Variant v = ParserStringToVariant(QStringLiteral("2.25"));
    FormatSettings.DecimalSeparator = saved;
    EXPECT_EQ(VarType(v), varDouble);
    EXPECT_DOUBLE_EQ(v.AsDouble(), 2.25);
}

TEST(TypeRules, StrToPos)
{
    EXPECT_EQ(StrToPos(QStringLiteral("12:34")), (TPoint{34, 12}));
    EXPECT_EQ(StrToPos(QStringLiteral("1:1")), (TPoint{1, 1}));
    EXPECT_EQ(StrToPos(QString()), (TPoint{0, 0}));
    EXPECT_EQ(StrToPos(QStringLiteral("7")), (TPoint{0, 7}));
}

// --- declaration strings

struct ParamSpec
{
    const char *Name;
    TkwVarType Typ;
    bool Optional;
    bool VarParam;
};

void ExpectParams(const TkwCustomVariable &M, std::initializer_list<ParamSpec> Specs)
{
    ASSERT_EQ(M.Count(), int(Specs.size())) << M.Name().toStdString();
    int i = 0;
    for (const ParamSpec &p : Specs) {
        TkwParamItem *item = M.Params(i++);
        EXPECT_EQ(item->Name(), QString::fromUtf8(p.Name));
        EXPECT_EQ(item->Typ(), p.Typ) << p.Name;
        EXPECT_EQ(item->IsOptional(), p.Optional) << p.Name;
        EXPECT_EQ(item->IsVarParam(), p.VarParam) << p.Name;
    }
}

class Declarations : public ::testing::Test
{
protected:
    void SetUp() override { AddBaseTypes(S); }
    std::unique_ptr<TkwCustomVariable> Parse(const char *Syntax) { return ParseMethodSyntax(QString::fromUtf8(Syntax), &S); }
    TkwScript S{nullptr};
};

TEST_F(Declarations, FunctionWithGroups)
{
    auto m = Parse("function Copy(S: String; Index, Count: Integer): String");
    EXPECT_EQ(m->Name(), QStringLiteral("Copy"));
    EXPECT_EQ(m->Typ(), fvtString);
    EXPECT_EQ(m->TypeName(), QStringLiteral("String"));
    EXPECT_FALSE(m->IsMacro());
    ExpectParams(*m, {{"S", fvtString, false, false}, {"Index", fvtInt, false, false}, {"Count", fvtInt, false, false}});
    EXPECT_EQ(m->RequiredParamCount(), 3);
}

TEST_F(Declarations, ProcedureWithVarParameterAndStringDefault)
{
    auto m = Parse("procedure P(var A: Integer; B: String = 'x')");
    EXPECT_EQ(m->Name(), QStringLiteral("P"));
    EXPECT_TRUE(m->TypeName().isEmpty());
    ExpectParams(*m, {{"A", fvtInt, false, true}, {"B", fvtString, true, false}});
    EXPECT_TRUE(VarCompare(m->Params(1)->DefValue(), Variant("x"), opCmpEQ));
    EXPECT_TRUE(VarIsEmpty(m->Params(0)->DefValue()));
    EXPECT_EQ(m->RequiredParamCount(), 1);
}

TEST_F(Declarations, NoParentheses)
{
    auto m = Parse("function F: Integer");
    EXPECT_EQ(m->Typ(), fvtInt);
    EXPECT_EQ(m->Count(), 0);
    auto p = Parse("procedure Randomize");
    EXPECT_EQ(p->Name(), QStringLiteral("Randomize"));
    EXPECT_EQ(p->Count(), 0);
}

TEST_F(Declarations, OnlyTheLastNameOfAGroupTakesTheDefault)
{
    auto m = Parse("function F(a, b: Integer = 5): Integer");
    ExpectParams(*m, {{"a", fvtInt, false, false}, {"b", fvtInt, true, false}});
    EXPECT_TRUE(VarIsEmpty(m->Params(0)->DefValue()));
    EXPECT_TRUE(VarCompare(m->Params(1)->DefValue(), Variant(5), opCmpEQ));
}

TEST_F(Declarations, VarAndConstGroups)
{
    auto m = Parse("procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)");
    ExpectParams(*m, {{"Date", fvtFloat, false, false},
                      {"Year", fvtInt, false, true},
                      {"Month", fvtInt, false, true},
                      {"Day", fvtInt, false, true}});
    auto c = Parse("function StrToBool(const S: string): Boolean;");
    EXPECT_EQ(c->Typ(), fvtBool);
    ExpectParams(*c, {{"S", fvtString, false, false}});
    auto b = Parse("function BoolToStr(B: Boolean): string;");
    EXPECT_EQ(b->Typ(), fvtString);
    EXPECT_EQ(b->TypeName(), QStringLiteral("string"));
}

TEST_F(Declarations, DefaultsOfEveryForm)
{
    S.AddConst(QStringLiteral("Answer"), QStringLiteral("Integer"), Variant(42));
    auto m = Parse("procedure D(a: Integer = 7; b: Extended = 2.5; c: Integer = -3; d: Extended = - 1.5; "
                   "e: Integer = $10; f: String = ''; g: Boolean = True; h: Variant = nil; i: Integer = Answer; "
                   "j: Variant = Null; k: Variant = Unknown; l: Integer = 3000000000)");
    ASSERT_EQ(m->Count(), 12);
    struct Expect
    {
        Variant Value;
        TVarType Type;
        bool Optional;
    };
    const Expect expected[] = {
        {Variant(7), varInteger, true},
        {Variant(2.5), varDouble, true},
        {Variant(-3), varInteger, true},
        {Variant(-1.5), varDouble, true},
        {Variant(16), varInteger, true},
        {Variant(""), varString, true},
        {Variant(true), varBoolean, true},
        {Variant(0), varInteger, true},
        {Variant(42), varInteger, true},
        {Null(), varNull, false}, // a Null default leaves the parameter required
        {Null(), varNull, false}, // an unknown name gives Null
        {Variant(qint64(3000000000LL)), varInt64, true},
    };
    for (int i = 0; i < 12; ++i) {
        const TkwParamItem *p = m->Params(i);
        EXPECT_EQ(VarType(p->DefValue()), expected[i].Type) << p->Name().toStdString();
        EXPECT_EQ(p->IsOptional(), expected[i].Optional) << p->Name().toStdString();
        if (!VarIsNull(expected[i].Value)) {
            EXPECT_TRUE(VarCompare(p->DefValue(), expected[i].Value, opCmpEQ)) << p->Name().toStdString();
        }
    }
    EXPECT_EQ(m->RequiredParamCount(), 2);
}

TEST_F(Declarations, OptionalParametersOfTheLibrary)
{
    auto inc = Parse("procedure Inc(var i: Integer; incr: Integer = 1)");
    ExpectParams(*inc, {{"i", fvtInt, false, true}, {"incr", fvtInt, true, false}});
    auto sum = Parse("function SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant");
    ExpectParams(*sum, {{"Expr", fvtVariant, false, false}, {"Band", fvtVariant, true, false},
                        {"Flags", fvtInt, true, false}});
    auto count = Parse("function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant");
    EXPECT_EQ(count->RequiredParamCount(), 0);
    auto fmt = Parse("function Format(Fmt: String; Args: array): String");
    ExpectParams(*fmt, {{"Fmt", fvtString, false, false}, {"Args", fvtArray, false, false}});
}

TEST_F(Declarations, MacroKinds)
{
    auto m = Parse("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant");
    EXPECT_TRUE(m->IsMacro());
    EXPECT_EQ(m->Name(), QStringLiteral("IIF"));
    EXPECT_EQ(m->Typ(), fvtVariant);
    EXPECT_EQ(m->Count(), 3);
    auto u = Parse("MacroFunction Upper(S: String): String");
    EXPECT_TRUE(u->IsMacro());
    EXPECT_EQ(u->Typ(), fvtString);
    // A macro procedure has no result.
    auto p = Parse("macroprocedure Trace(Expr: Variant)");
    EXPECT_TRUE(p->IsMacro());
    EXPECT_TRUE(p->TypeName().isEmpty());
    EXPECT_FALSE(Parse("function IIF(Expr: Boolean): Variant")->IsMacro());
}

TEST_F(Declarations, ConstructorsAndUnknownTypes)
{
    auto c = Parse("function Create(AOwner: TComponent): Constructor");
    EXPECT_EQ(c->Typ(), fvtConstructor);
    ExpectParams(*c, {{"AOwner", fvtClass, false, false}});
    EXPECT_EQ(c->Params(0)->TypeName(), QStringLiteral("TComponent"));
}

TEST_F(Declarations, ExtendedCharsetNames)
{
    const QString decl = QStringLiteral("function \u91cd\u91cf(\u503c: Integer): Integer");
    auto plain = ParseMethodSyntax(decl, &S);
    EXPECT_TRUE(plain->Name().isEmpty());
    S.SetExtendedCharset(true);
    auto m = ParseMethodSyntax(decl, &S);
    EXPECT_EQ(m->Name(), QStringLiteral("\u91cd\u91cf"));
    ASSERT_EQ(m->Count(), 1);
    EXPECT_EQ(m->Params(0)->Name(), QStringLiteral("\u503c"));
}

TEST_F(Declarations, MalformedDeclarationsStop)
{
    EXPECT_EQ(Parse("function F(a b): Integer")->Count(), 0);
    EXPECT_EQ(Parse("procedure P(a: Integer")->Count(), 1);
    EXPECT_EQ(Parse("procedure P()")->Count(), 0);
    EXPECT_EQ(Parse("")->Count(), 0);
}

// --- Format's argument records

TEST(VarRecs, EveryElementKind)
{
    TComponent owner(nullptr);
    const Variant arr = VarArrayOf({Variant(1), Variant(QStringLiteral("text")), Variant(2.5), Variant(true),
                                    Variant(qint64(1) << 40), Variant(4000000000u), Variant(3u), Null(),
                                    Variant::FromDate(45000.5), Variant::FromCurrency(1.25), Variant(&owner),
                                    Variant::FromOleStr(QStringLiteral("ole")), Variant()});
    TkwVarRecArray recs;
    VariantToVarRecArray(arr, recs);
    ASSERT_EQ(recs.Count(), 13);
    const TVarRecType kinds[] = {vtInteger, vtUnicodeString, vtExtended, vtBoolean, vtInt64, vtInt64, vtInteger,
                                 vtVariant, vtExtended, vtExtended, vtObject, vtUnicodeString, vtVariant};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(recs.Items()[size_t(i)].VType, kinds[i]) << i;
    EXPECT_EQ(recs.Items()[5].VInt64, 4000000000LL);
    EXPECT_DOUBLE_EQ(recs.Items()[8].VExtended, 45000.5);

    // Back again: the values survive, the date and currency as floats.
    EXPECT_TRUE(VarCompare(VarRecToVariant(recs.Items()[0]), Variant(1), opCmpEQ));
    EXPECT_EQ(VarRecToVariant(recs.Items()[1]).AsString(), QStringLiteral("text"));
    EXPECT_EQ(VarType(VarRecToVariant(recs.Items()[2])), varDouble);
    EXPECT_EQ(VarType(VarRecToVariant(recs.Items()[3])), varBoolean);
    EXPECT_EQ(VarRecToVariant(recs.Items()[4]).AsInt64(), qint64(1) << 40);
    EXPECT_TRUE(VarIsNull(VarRecToVariant(recs.Items()[7])));
    EXPECT_EQ(VarType(VarRecToVariant(recs.Items()[8])), varDouble);
    EXPECT_EQ(VarRecToVariant(recs.Items()[10]).AsObject(), &owner);
    EXPECT_TRUE(VarIsEmpty(VarRecToVariant(recs.Items()[12])));

    ClearVarRecArray(recs);
    EXPECT_EQ(recs.Count(), 0);
}

TEST(VarRecs, RecordKindsToVariants)
{
    EXPECT_EQ(VarRecToVariant(TVarRec('x')).AsString(), QStringLiteral("x"));
    EXPECT_EQ(VarRecToVariant(TVarRec(QChar(0x4e2d))).AsString(), QString(QChar(0x4e2d)));
    EXPECT_EQ(VarType(VarRecToVariant(TVarRec::Currency(2.5))), varDouble);
    EXPECT_EQ(VarRecToVariant(TVarRec("ansi")).AsString(), QStringLiteral("ansi"));
    EXPECT_TRUE(VarIsNull(VarRecToVariant(TVarRec(static_cast<const void *>(nullptr)))));
}

TEST(VarRecs, FormatKeepsLongStrings)
{
    const QString longText = QString(300, QLatin1Char('a')) + QStringLiteral("\u4e2d\u6587 end");
    TkwVarRecArray recs;
    VariantToVarRecArray(VarArrayOf({Variant(longText)}), recs);
    EXPECT_EQ(Format(QStringLiteral("%s"), recs.Items()), longText);

    VariantToVarRecArray(VarArrayOf({Variant(7), Variant(QStringLiteral("kg")), Variant(2.345)}), recs);
    EXPECT_EQ(Format(QStringLiteral("%d %s %.2f"), recs.Items()), QStringLiteral("7 kg 2.35"));
}

TEST(VarRecs, EmptyNullAndWrongShapes)
{
    TkwVarRecArray recs;
    VariantToVarRecArray(VarArrayOf({Variant(1)}), recs);
    VariantToVarRecArray(Variant(), recs);
    EXPECT_EQ(recs.Count(), 0);
    VariantToVarRecArray(Null(), recs);
    EXPECT_EQ(recs.Count(), 0);
    EXPECT_THROW(VariantToVarRecArray(Variant(5), recs), EVariantError);
    EXPECT_THROW(VariantToVarRecArray(VarArrayCreate({0, 1, 0, 1}, varVariant), recs), EVariantError);
    // A nested value the format cannot use raises a format error, not a crash.
    VariantToVarRecArray(VarArrayOf({Null()}), recs);
    EXPECT_THROW(Format(QStringLiteral("%s"), recs.Items()), EConvertError);
}

} // namespace
