// The built-in library: what it registers, conversions, formatting, dates.
#include "test_syslib_support.h"
#include "Dialogs.h"

TEST(SysLib, RegistersTypesConstantsHelpersAndVariables)
{
    TSysLibHost h;
    const struct
    {
        const char *Name;
        TkwVarType Typ;
    } types[] = {{"Byte", fvtInt},        {"Word", fvtInt},        {"Integer", fvtInt},   {"Longint", fvtInt},
                 {"Cardinal", fvtInt},    {"TColor", fvtInt},      {"Boolean", fvtBool},  {"Real", fvtFloat},
                 {"Single", fvtFloat},    {"Double", fvtFloat},    {"Extended", fvtFloat}, {"Currency", fvtFloat},
                 {"TDate", fvtFloat},     {"TTime", fvtFloat},     {"TDateTime", fvtFloat}, {"Char", fvtChar},
                 {"String", fvtString},   {"Variant", fvtVariant}, {"Pointer", fvtVariant}, {"Array", fvtArray},
                 {"Constructor", fvtConstructor}};
    for (const auto &t : types) {
        auto *v = dynamic_cast<TkwTypeVariable *>(h.S.Find(QString::fromLatin1(t.Name)));
        ASSERT_NE(v, nullptr) << t.Name;
        EXPECT_EQ(v->Typ(), t.Typ) << t.Name;
        EXPECT_EQ(v->AddedBy(), kwRTTIStamp()) << t.Name;
    }

    TkwCustomVariable *c = h.S.Find(QStringLiteral("true"));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->IsReadOnly());
    EXPECT_EQ(c->Typ(), fvtBool);
    EXPECT_EQ(VarType(c->GetValue()), varBoolean);
    EXPECT_TRUE(c->GetValue().AsBoolean());
    EXPECT_FALSE(h.S.Find(QStringLiteral("False"))->GetValue().AsBoolean());
    EXPECT_EQ(VarType(h.S.Find(QStringLiteral("nil"))->GetValue()), varInteger);
    EXPECT_EQ(h.S.Find(QStringLiteral("nil"))->GetValue().AsInteger(), 0);
    EXPECT_TRUE(VarIsNull(h.S.Find(QStringLiteral("Null"))->GetValue()));

    auto *sh = dynamic_cast<TkwStringHelper *>(h.S.Find(QStringLiteral("__StringHelper")));
    ASSERT_NE(sh, nullptr);
    EXPECT_EQ(sh->Typ(), fvtChar);
    EXPECT_EQ(sh->Count(), 1);
    auto *ah = dynamic_cast<TkwArrayHelper *>(h.S.Find(QStringLiteral("__ArrayHelper")));
    ASSERT_NE(ah, nullptr);
    EXPECT_EQ(ah->Typ(), fvtVariant);
    EXPECT_EQ(ah->Count(), 3);
    EXPECT_EQ(ah->RequiredParamCount(), 1);

    for (const char *name : {"ExceptionClassName", "ExceptionMessage"}) {
        TkwCustomVariable *v = h.S.Find(QString::fromLatin1(name));
        ASSERT_NE(v, nullptr) << name;
        EXPECT_FALSE(v->IsReadOnly());
        EXPECT_EQ(v->Typ(), fvtString);
        EXPECT_EQ(VarToStr(v->GetValue()), QString());
    }

    const struct
    {
        const char *Name;
        int Value;
    } codes[] = {{"varEmpty", 0},     {"varNull", 1},      {"varSmallint", 2},  {"varInteger", 3},
                 {"varSingle", 4},    {"varDouble", 5},    {"varCurrency", 6},  {"varDate", 7},
                 {"varOleStr", 8},    {"varDispatch", 9},  {"varError", 10},    {"varBoolean", 11},
                 {"varVariant", 12},  {"varUnknown", 13},  {"varShortInt", 16}, {"varByte", 17},
                 {"varWord", 18},     {"varLongWord", 19}, {"varInt64", 20},    {"varStrArg", 72},
                 {"varString", 256},  {"varAny", 257},     {"varTypeMask", 4095}, {"varArray", 8192},
                 {"varByRef", 16384}};
    for (const auto &code : codes) {
        TkwCustomVariable *v = h.S.Find(QString::fromLatin1(code.Name));
        ASSERT_NE(v, nullptr) << code.Name;
        EXPECT_TRUE(v->IsReadOnly()) << code.Name;
        EXPECT_EQ(v->Typ(), fvtInt) << code.Name;
        EXPECT_EQ(v->GetValue().AsInteger(), code.Value) << code.Name;
    }
}

TEST(SysLib, RegistersTheRoutinesByCategory)
{
    TSysLibHost h;
    QMap<QString, int> perCategory;
    QStringList names;
    for (int i = 0; i < h.S.Count(); ++i) {
        auto *m = dynamic_cast<TkwMethodHelper *>(h.S.Items(i));
        if (!m || m->AddedBy() != kwRTTIStamp() || m->Name() == QLatin1String("Log"))
            continue;
        ++perCategory[m->Category()];
        names << m->Name();
        EXPECT_EQ(m->Description(), m->Name());
    }
    EXPECT_EQ(names.size(), 68);
    EXPECT_EQ(perCategory.value(QStringLiteral("ctConv")), 14);
    EXPECT_EQ(perCategory.value(QStringLiteral("ctFormat")), 4);
    EXPECT_EQ(perCategory.value(QStringLiteral("ctDate")), 10);
    EXPECT_EQ(perCategory.value(QStringLiteral("ctString")), 14);
    EXPECT_EQ(perCategory.value(QStringLiteral("ctMath")), 13);
    EXPECT_EQ(perCategory.value(QStringLiteral("ctOther")), 13);

    // Declarations as the parser reads them: names, kinds and defaults.
    auto *inc = dynamic_cast<TkwMethodHelper *>(h.S.Find(QStringLiteral("Inc")));
    ASSERT_NE(inc, nullptr);
    EXPECT_EQ(inc->Count(), 2);
    EXPECT_TRUE(inc->Params(0)->IsVarParam());
    EXPECT_TRUE(inc->Params(1)->IsOptional());
    EXPECT_EQ(inc->Params(1)->DefValue().AsInteger(), 1);
    auto *decodeTime = dynamic_cast<TkwMethodHelper *>(h.S.Find(QStringLiteral("DecodeTime")));
    ASSERT_NE(decodeTime, nullptr);
    EXPECT_EQ(decodeTime->Count(), 5);
    EXPECT_FALSE(decodeTime->Params(0)->IsVarParam());
    for (int i = 1; i < 5; ++i)
        EXPECT_TRUE(decodeTime->Params(i)->IsVarParam());
    auto *boolToStr = dynamic_cast<TkwMethodHelper *>(h.S.Find(QStringLiteral("BoolToStr")));
    ASSERT_NE(boolToStr, nullptr);
    EXPECT_EQ(boolToStr->Typ(), fvtString);
    auto *extract = dynamic_cast<TkwMethodHelper *>(h.S.Find(QStringLiteral("ExtractFilePath")));
    ASSERT_NE(extract, nullptr);
    EXPECT_EQ(extract->Typ(), fvtString);
    EXPECT_EQ(extract->Count(), 1);
    EXPECT_EQ(h.S.Find(QStringLiteral("Pi"))->Count(), 0);
    EXPECT_EQ(h.S.Find(QStringLiteral("Format"))->Params(1)->Typ(), fvtArray);
}

TEST(SysLib, ModuleComesFirstAndKeepsNamesAHostRegisteredBefore)
{
    kwInitSysFunctions();
    kwInitSysFunctions();
    const QList<TkwRTTIModuleClass> modules = kwRTTIModules();
    ASSERT_FALSE(modules.isEmpty());
    EXPECT_EQ(modules.first(), &kwNewModule<TkwSysFunctions>);
    EXPECT_EQ(modules.count(&kwNewModule<TkwSysFunctions>), 1);

    TkwScript s(nullptr);
    s.AddVariable(QStringLiteral("ExceptionMessage"), QStringLiteral("Variant"), Variant(7));
    s.AddRTTI();
    EXPECT_EQ(s.Find(QStringLiteral("ExceptionMessage"))->GetValue().AsInteger(), 7);
    EXPECT_EQ(s.Find(QStringLiteral("Integer"))->Typ(), fvtInt);
    // Clear keeps the library; ClearRTTI removes it.
    s.Clear();
    EXPECT_NE(s.Find(QStringLiteral("IntToStr")), nullptr);
    s.ClearRTTI();
    EXPECT_EQ(s.Find(QStringLiteral("IntToStr")), nullptr);
    EXPECT_EQ(s.Find(QStringLiteral("Integer")), nullptr);
}

TEST(SysLib, ToStringConversions)
{
    TSysLibHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "Log(IntToStr(42)); Log(IntToStr(-7)); Log(IntToStr(StrToInt64('5000000000')));\r\n"
        "Log(FloatToStr(2.5)); Log(FloatToStr(0.1 + 0.2)); Log(FloatToStr(1E20));\r\n"
        "Log(DateToStr(EncodeDate(2024, 3, 5)));\r\n"
        "Log(TimeToStr(EncodeTime(13, 4, 5, 0)));\r\n"
        "Log(DateTimeToStr(EncodeDate(2024, 3, 5) + EncodeTime(6, 7, 8, 0)));\r\n"
        "Log(BoolToStr(True)); Log(BoolToStr(False)); Log(BoolToStr(1 = 1));\r\n"
        "Log(VarToStr(Null)); Log(VarToStr(3.25)); Log(VarToStr('x'));")),
        QStringLiteral("42|-7|5000000000|2.5|0.3|1E20|2024-03-05|13:04:05|2024-03-05 06:07:08|-1|0|-1||3.25|x"));
}

TEST(SysLib, FromStringConversions)
{
    TSysLibHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "Log(StrToInt('12') + 1); Log(StrToInt(' -$1F'));\r\n"
        "Log(VarType(StrToInt64('5000000000')) = varInt64);\r\n"
        "Log(StrToFloat('2.5') * 2);\r\n"
        "Log(StrToDate('2024-03-05') = EncodeDate(2024, 3, 5));\r\n"
        "Log(VarType(StrToDate('2024-03-05')));\r\n"
        "Log(StrToTime('12:00:00')); Log(StrToDateTime('1899-12-31 18:00:00'));\r\n"
        "Log(StrToBool('true')); Log(StrToBool('False')); Log(StrToBool(0));")),
        QStringLiteral("13|-31|True|5|True|5|0.5|1.75|True|False|False"));

    // Text that does not convert raises the conversion error, which the
    // script's try statement catches.
    const char *bad[] = {"StrToInt('12a')", "StrToInt('2147483648')", "StrToFloat('1,5')", "StrToDate('2024-13-01')",
                         "StrToTime('25:00')", "StrToBool('maybe')", "StrToInt64('')"};
    for (const char *e : bad) {
        const QString r = h.Pas(QStringLiteral("try Log(%1); Log('no error'); except Log(ExceptionClassName); end;")
                                    .arg(QString::fromLatin1(e)));
        EXPECT_TRUE(r == QLatin1String("EConvertError") || r == QLatin1String("EVariantError")) << e << " " << r.toStdString();
    }
    EXPECT_EQ(h.Pas(QStringLiteral("Log(StrToInt('x'));")), QStringLiteral("EConvertError: 'x' is not a valid integer value"));
    EXPECT_EQ(h.Pas(QStringLiteral("Log(StrToDate('5.3.2024'));")),
              QStringLiteral("EConvertError: '5.3.2024' is not a valid date"));
}

TEST(SysLib, Formatting)
{
    TSysLibHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "Log(Format('%d-%s-%.2f', [5, 'x', 0.125]));\r\n"
        "Log(Format('%5d|%-4s|%x', [42, 'ab', 255]));\r\n"
        "Log(Format('no args', Null));\r\n"
        "Log(FormatFloat('#,##0.00', 1234.5)); Log(FormatFloat('0.###', 2)); Log(FormatFloat('0;(0);zero', -3));\r\n"
        "Log(FormatDateTime('dd.mm.yyyy hh:nn', EncodeDate(2024, 1, 2) + EncodeTime(3, 4, 0, 0)));\r\n"
        "Log(FormatDateTime('yyyy/m/d', EncodeDate(2024, 1, 2)));")),
        QStringLiteral("5-x-0.13|   42|ab  |FF|no args|1,234.50|2|(3)|02.01.2024 03:04|2024-1-2"));
    EXPECT_EQ(h.Pas(QStringLiteral("Log(Format('%d', ['a']));")),
              QStringLiteral("EConvertError: Format '%d' invalid or incompatible with argument"));
    EXPECT_EQ(h.Pas(QStringLiteral("Log(Format('%s', [True]));")),
              QStringLiteral("EConvertError: Format '%s' invalid or incompatible with argument"));
    EXPECT_EQ(h.Pas(QStringLiteral("Log(Format('%d %d', [1]));")),
              QStringLiteral("EConvertError: Format '%d %d' invalid or incompatible with argument"));
}

TEST(SysLib, FormatMaskText)
{
    TSysLibHost h;
    const struct
    {
        const char *Mask;
        const char *Value;
        const char *Expected;
    } cases[] = {
        {"000-0000;0;_", "1234567", "123-4567"},   // literals inserted
        {"000-0000;0;_", "12", "12 -    "},        // missing characters blank
        {"000-0000;0;_", "123456789", "123-456789"}, // surplus kept at the end
        {"000-0000;1;_", "123-4567", "123-4567"},  // literals already in place
        {"000-0000;1;_", "1234567", "123-4567"},   // a missing literal is put in
        {"000-0000", "1234567", "123-4567"},       // no second field: literals saved
        {"!999-99;0;_", "123", "  1-23"},           // aligned to the right end
        {"\\(000\\) 000;0;_", "123456", "(123) 456"}, // escaped literals
        {"00/00/0000;0;_", "01022024", "01-02-2024"}, // date separator
        {"00:00;0;_", "1230", "12:30"},            // time separator
        {">LL<ll;0;_", "abCD", "abCD"},            // case directives take no place
        {"0_0;0;_", "12", "1 2"},                  // '_' is a blank
        {"", "abc", "abc"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(h.Pas(QStringLiteral("Log(FormatMaskText('%1', '%2'));")
                            .arg(QString::fromLatin1(c.Mask), QString::fromLatin1(c.Value))),
                  QString::fromLatin1(c.Expected))
            << c.Mask << " / " << c.Value;
}

TEST(SysLib, Dates)
{
    TSysLibHost h;
    EXPECT_EQ(h.Run(QStringLiteral(
        "var y, m, d, hh, nn, ss, ms: Integer; t: TDateTime;\r\n"
        "begin\r\n"
        "Log(EncodeDate(1899, 12, 31) * 1); Log(VarType(EncodeDate(2000, 1, 1)));\r\n"
        "Log(EncodeTime(18, 0, 0, 0) * 1);\r\n"
        "DecodeDate(EncodeDate(2024, 2, 29), y, m, d); Log(Format('%d/%d/%d', [y, m, d]));\r\n"
        "DecodeTime(EncodeTime(23, 59, 58, 997), hh, nn, ss, ms); Log(Format('%d:%d:%d.%d', [hh, nn, ss, ms]));\r\n"
        "Log(DayOfWeek(EncodeDate(2024, 1, 7))); Log(DayOfWeek(EncodeDate(2024, 1, 13)));\r\n"
        "Log(IsLeapYear(2000)); Log(IsLeapYear(1900)); Log(IsLeapYear(2024)); Log(IsLeapYear(2023));\r\n"
        "Log(DaysInMonth(2000, 2)); Log(DaysInMonth(1900, 2)); Log(DaysInMonth(2024, 12)); Log(DaysInMonth(2023, 4));\r\n"
        "t := Now; Log((t >= Date) and (t < Date + 1)); Log((Time >= 0) and (Time < 1));\r\n"
        "Log(Frac(Date) = 0); Log(Int(Now) = Date);\r\n"
        "end.")),
        QStringLiteral("1|7|0.75|2024/2/29|23:59:58.997|1|7|True|False|True|False|29|28|31|30|True|True|True|True"));
}

TEST(SysLib, DateErrors)
{
    TSysLibHost h;
    EXPECT_EQ(h.Pas(QStringLiteral("try EncodeDate(2023, 2, 29); except Log(ExceptionClassName); end;")),
              QStringLiteral("EConvertError"));
    EXPECT_EQ(h.Pas(QStringLiteral("try EncodeTime(24, 0, 0, 0); except Log(ExceptionClassName); end;")),
              QStringLiteral("EConvertError"));
    EXPECT_EQ(h.Pas(QStringLiteral("Log(DaysInMonth(2024, 13));")), QStringLiteral("ERangeError: Range check error"));
    EXPECT_EQ(h.Pas(QStringLiteral("Log(DaysInMonth(2024, 0));")), QStringLiteral("ERangeError: Range check error"));
}
