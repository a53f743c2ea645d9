// The built-in library: registrations and the routines' handlers.
#include "kw_isysrtti.h"
#include "Dialogs.h"
#include <QDateTime>
#include <cmath>
#include <limits>
#include <mutex>
#include <random>

namespace {

using TCall = Variant (TkwSysFunctions::*)(TObject *, TClass, const QString &, TkwMethodHelper *);

const char *const SFloatInvalid = "Invalid floating point operation";
const char *const SFloatZeroDivide = "Floating point division by zero";
const char *const SFloatOverflow = "Floating point overflow";

// One sequence for the process, as scripts expect; scripts on several
// threads draw from it in turn.
std::mutex &RandomLock()
{
    static std::mutex lock;
    return lock;
}

std::mt19937_64 &RandomEngine()
{
    static std::mt19937_64 engine;
    return engine;
}

QString ParamStr(TkwMethodHelper *Caller, int Index)
{
    return VarToStr(Caller->GetParam(Index));
}

int ParamInt(TkwMethodHelper *Caller, int Index)
{
    return Caller->GetParam(Index).AsInteger();
}

// A Boolean as an ordinal counts 0 and 1, not the -1 the integer
// conversion gives, nor the code of the first letter of its text.
bool ParamBooleanOrdinal(TkwMethodHelper *Caller, int Index, int &Ordinal)
{
    const Variant v = Caller->GetParam(Index);
    if ((VarType(v) & varTypeMask) != varBoolean)
        return false;
    Ordinal = v.AsBoolean() ? 1 : 0;
    return true;
}

double ParamFloat(TkwMethodHelper *Caller, int Index)
{
    return Caller->GetParam(Index).AsDouble();
}

// A whole number as the narrowest of Integer and Int64.
Variant IntValue(qint64 V)
{
    if (V >= std::numeric_limits<int>::min() && V <= std::numeric_limits<int>::max())
        return Variant(int(V));
    return Variant(static_cast<long long>(V));
}

double CheckedFloat(double V)
{
    if (std::isnan(V))
        throw EInvalidOp(QString::fromLatin1(SFloatInvalid));
    if (std::isinf(V))
        throw EOverflow(QString::fromLatin1(SFloatOverflow));
    return V;
}

QString NameCase(const QString &S)
{
    QString r = AnsiLowerCase(S);
    for (qsizetype i = 0; i < r.size(); ++i)
        if (i == 0 || (i >= 2 && r[i - 1] == QLatin1Char(' ')))
            r[i] = r[i].toUpper();
    return r;
}

} // namespace

TkwSysFunctions::TkwSysFunctions(TkwScript *AScript)
    : TkwRTTIModule(AScript), FCatConv(QStringLiteral("ctConv")), FCatDate(QStringLiteral("ctDate")),
      FCatFormat(QStringLiteral("ctFormat")), FCatMath(QStringLiteral("ctMath")),
      FCatOther(QStringLiteral("ctOther")), FCatStr(QStringLiteral("ctString"))
{
    TkwScript *s = AScript;

    static const struct
    {
        const char *Name;
        TkwVarType Typ;
    } types[] = {
        {"Byte", fvtInt},       {"Word", fvtInt},          {"Integer", fvtInt},    {"Longint", fvtInt},
        {"Cardinal", fvtInt},   {"TColor", fvtInt},        {"Boolean", fvtBool},   {"Real", fvtFloat},
        {"Single", fvtFloat},   {"Double", fvtFloat},      {"Extended", fvtFloat}, {"Currency", fvtFloat},
        {"TDate", fvtFloat},    {"TTime", fvtFloat},       {"TDateTime", fvtFloat}, {"Char", fvtChar},
        {"String", fvtString},  {"Variant", fvtVariant},   {"Pointer", fvtVariant}, {"Array", fvtArray},
        {"Constructor", fvtConstructor},
    };
    for (const auto &t : types)
        s->AddType(QString::fromLatin1(t.Name), t.Typ);

    s->AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    s->AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
    s->AddConst(QStringLiteral("nil"), QStringLiteral("Variant"), Variant(0));
    s->AddConst(QStringLiteral("Null"), QStringLiteral("Variant"), Null());

    if (!s->Find(QStringLiteral("__StringHelper"))) {
        auto *h = new TkwStringHelper;
        h->SetScript(s);
        s->Add(QStringLiteral("__StringHelper"), h);
    }
    if (!s->Find(QStringLiteral("__ArrayHelper"))) {
        auto *h = new TkwArrayHelper(QStringLiteral("__ArrayHelper"), 3, fvtVariant, QStringLiteral("Variant"), 1);
        h->SetScript(s);
        s->Add(QStringLiteral("__ArrayHelper"), h);
    }

    s->AddVariable(QStringLiteral("ExceptionClassName"), QStringLiteral("String"), Variant(QString()));
    s->AddVariable(QStringLiteral("ExceptionMessage"), QStringLiteral("String"), Variant(QString()));

    auto add = [this, s](const char *Syntax, TCall Handler, const QString &Category) {
        s->AddMethod(QString::fromLatin1(Syntax), TkwCallMethodNewEvent(this, Handler), Category);
    };
    const TCall toStr = &TkwSysFunctions::CallToStr;
    const TCall fromStr = &TkwSysFunctions::CallFromStr;
    const TCall format = &TkwSysFunctions::CallFormat;
    const TCall date = &TkwSysFunctions::CallDate;
    const TCall str = &TkwSysFunctions::CallString;
    const TCall math = &TkwSysFunctions::CallMath;
    const TCall other = &TkwSysFunctions::CallOther;

    add("function IntToStr(i: Integer): String", toStr, FCatConv);
    add("function FloatToStr(e: Extended): String", toStr, FCatConv);
    add("function DateToStr(e: Extended): String", toStr, FCatConv);
    add("function TimeToStr(e: Extended): String", toStr, FCatConv);
    add("function DateTimeToStr(e: Extended): String", toStr, FCatConv);
    add("function BoolToStr(B: Boolean): string;", toStr, FCatConv);
    add("function VarToStr(v: Variant): String", other, FCatConv);
    add("function StrToInt(s: String): Integer", fromStr, FCatConv);
    add("function StrToInt64(s: String): Integer", fromStr, FCatConv);
    add("function StrToFloat(s: String): Extended", fromStr, FCatConv);
    add("function StrToDate(s: String): Extended", fromStr, FCatConv);
    add("function StrToTime(s: String): Extended", fromStr, FCatConv);
    add("function StrToDateTime(s: String): Extended", fromStr, FCatConv);
    add("function StrToBool(const S: string): Boolean;", fromStr, FCatConv);

    add("function Format(Fmt: String; Args: array): String", format, FCatFormat);
    add("function FormatFloat(Fmt: String; Value: Extended): String", format, FCatFormat);
    add("function FormatDateTime(Fmt: String; DateTime: TDateTime): String", format, FCatFormat);
    add("function FormatMaskText(EditMask: string; Value: string): string", format, FCatFormat);

    add("function EncodeDate(Year, Month, Day: Word): TDateTime", date, FCatDate);
    add("procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", date, FCatDate);
    add("function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", date, FCatDate);
    add("procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", date, FCatDate);
    add("function Date: TDateTime", date, FCatDate);
    add("function Time: TDateTime", date, FCatDate);
    add("function Now: TDateTime", date, FCatDate);
    add("function DayOfWeek(aDate: TDateTime): Integer", date, FCatDate);
    add("function IsLeapYear(Year: Word): Boolean", date, FCatDate);
    add("function DaysInMonth(nYear, nMonth: Integer): Integer", date, FCatDate);

    add("function Length(s: Variant): Integer", str, FCatStr);
    add("function Copy(s: String; from, count: Integer): String", str, FCatStr);
    add("function Pos(substr, s: String): Integer", str, FCatStr);
    add("procedure Delete(var s: String; from, count: Integer)", str, FCatStr);
    add("procedure DeleteStr(var s: String; from, count: Integer)", str, FCatStr);
    add("procedure Insert(s: String; var s2: String; pos: Integer)", str, FCatStr);
    add("function Uppercase(s: String): String", str, FCatStr);
    add("function Lowercase(s: String): String", str, FCatStr);
    add("function Trim(s: String): String", str, FCatStr);
    add("function NameCase(s: String): String", str, FCatStr);
    add("function CompareText(s, s1: String): Integer", str, FCatStr);
    add("function Chr(i: Integer): Char", str, FCatStr);
    add("function Ord(ch: Char): Integer", str, FCatStr);
    add("procedure SetLength(var S: Variant; L: Integer)", str, FCatStr);

    add("function Round(e: Extended): Integer", math, FCatMath);
    add("function Trunc(e: Extended): Integer", math, FCatMath);
    add("function Int(e: Extended): Integer", math, FCatMath);
    add("function Frac(X: Extended): Extended", math, FCatMath);
    add("function Sqrt(e: Extended): Extended", math, FCatMath);
    add("function Abs(e: Extended): Extended", math, FCatMath);
    add("function Sin(e: Extended): Extended", math, FCatMath);
    add("function Cos(e: Extended): Extended", math, FCatMath);
    add("function ArcTan(X: Extended): Extended", math, FCatMath);
    add("function Tan(X: Extended): Extended", math, FCatMath);
    add("function Exp(X: Extended): Extended", math, FCatMath);
    add("function Ln(X: Extended): Extended", math, FCatMath);
    add("function Pi: Extended", math, FCatMath);

    add("procedure Inc(var i: Integer; incr: Integer = 1)", other, FCatOther);
    add("procedure Dec(var i: Integer; decr: Integer = 1)", other, FCatOther);
    add("procedure RaiseException(Param: String)", other, FCatOther);
    add("procedure ShowMessage(Msg: Variant)", other, FCatOther);
    add("procedure Randomize", other, FCatOther);
    add("function Random: Extended", other, FCatOther);
    add("function ValidInt(cInt: String): Boolean", other, FCatOther);
    add("function ValidFloat(cFlt: String): Boolean", other, FCatOther);
    add("function ValidDate(cDate: String): Boolean", other, FCatOther);
    add("function ExtractFilePath(const FileName: string): string;", other, FCatOther);
    add("function CreateOleObject(ClassName: String): Variant", other, FCatOther);
    add("function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", other, FCatOther);
    add("function VarType(V: Variant): Integer", other, FCatOther);

    static const struct
    {
        const char *Name;
        int Value;
    } varCodes[] = {
        {"varEmpty", varEmpty},       {"varNull", varNull},         {"varSmallint", varSmallint},
        {"varInteger", varInteger},   {"varSingle", varSingle},     {"varDouble", varDouble},
        {"varCurrency", varCurrency}, {"varDate", varDate},         {"varOleStr", varOleStr},
        {"varDispatch", varDispatch}, {"varError", varError},       {"varBoolean", varBoolean},
        {"varVariant", varVariant},   {"varUnknown", varUnknown},   {"varShortInt", varShortInt},
        {"varByte", varByte},         {"varWord", varWord},         {"varLongWord", varLongWord},
        {"varInt64", varInt64},       {"varStrArg", varStrArg},     {"varString", varString},
        {"varAny", varAny},           {"varTypeMask", varTypeMask}, {"varArray", varArray},
        {"varByRef", varByRef},
    };
    for (const auto &c : varCodes)
        s->AddConst(QString::fromLatin1(c.Name), QStringLiteral("Integer"), Variant(c.Value));
}

Variant TkwSysFunctions::CallToStr(TObject *, TClass, const QString &MethodName, TkwMethodHelper *Caller)
{
    if (MethodName == QLatin1String("INTTOSTR"))
        return IntToStr(Caller->GetParam(0).AsInt64());
    if (MethodName == QLatin1String("FLOATTOSTR"))
        return FloatToStr(ParamFloat(Caller, 0));
    if (MethodName == QLatin1String("DATETOSTR"))
        return DateToStr(ParamFloat(Caller, 0));
    if (MethodName == QLatin1String("TIMETOSTR"))
        return TimeToStr(ParamFloat(Caller, 0));
    if (MethodName == QLatin1String("DATETIMETOSTR"))
        return DateTimeToStr(ParamFloat(Caller, 0));
    if (MethodName == QLatin1String("BOOLTOSTR"))
        return Caller->GetParam(0).AsBoolean() ? QStringLiteral("-1") : QStringLiteral("0");
    return Variant();
}

Variant TkwSysFunctions::CallFromStr(TObject *, TClass, const QString &MethodName, TkwMethodHelper *Caller)
{
    if (MethodName == QLatin1String("STRTOINT"))
        return StrToInt(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("STRTOINT64"))
        return Variant(static_cast<long long>(StrToInt64(ParamStr(Caller, 0))));
    if (MethodName == QLatin1String("STRTOFLOAT"))
        return StrToFloat(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("STRTODATE"))
        return StrToDate(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("STRTOTIME"))
        return StrToTime(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("STRTODATETIME"))
        return StrToDateTime(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("STRTOBOOL"))
        return Caller->GetParam(0).AsBoolean();
    return Variant();
}

Variant TkwSysFunctions::CallFormat(TObject *, TClass, const QString &MethodName, TkwMethodHelper *Caller)
{
    if (MethodName == QLatin1String("FORMAT")) {
        TkwVarRecArray args;
        VariantToVarRecArray(Caller->GetParam(1), args);
        return Format(ParamStr(Caller, 0), args.Items());
    }
    if (MethodName == QLatin1String("FORMATFLOAT"))
        return FormatFloat(ParamStr(Caller, 0), ParamFloat(Caller, 1));
    if (MethodName == QLatin1String("FORMATDATETIME"))
        return FormatDateTime(ParamStr(Caller, 0), ParamFloat(Caller, 1));
    if (MethodName == QLatin1String("FORMATMASKTEXT"))
        return FormatMaskText(ParamStr(Caller, 0), ParamStr(Caller, 1));
    return Variant();
}

Variant TkwSysFunctions::CallDate(TObject *, TClass, const QString &MethodName, TkwMethodHelper *Caller)
{
    if (MethodName == QLatin1String("ENCODEDATE"))
        return Variant::FromDate(EncodeDate(ParamInt(Caller, 0), ParamInt(Caller, 1), ParamInt(Caller, 2)));
    if (MethodName == QLatin1String("ENCODETIME"))
        return Variant::FromDate(
            EncodeTime(ParamInt(Caller, 0), ParamInt(Caller, 1), ParamInt(Caller, 2), ParamInt(Caller, 3)));
    if (MethodName == QLatin1String("DECODEDATE")) {
        int y, m, d;
        DecodeDate(ParamFloat(Caller, 0), y, m, d);
        Caller->SetParam(1, y);
        Caller->SetParam(2, m);
        Caller->SetParam(3, d);
        return Variant();
    }
    if (MethodName == QLatin1String("DECODETIME")) {
        int h, n, sec, ms;
        DecodeTime(ParamFloat(Caller, 0), h, n, sec, ms);
        Caller->SetParam(1, h);
        Caller->SetParam(2, n);
        Caller->SetParam(3, sec);
        Caller->SetParam(4, ms);
        return Variant();
    }
    if (MethodName == QLatin1String("DATE"))
        return Variant::FromDate(Date());
    if (MethodName == QLatin1String("TIME"))
        return Variant::FromDate(Time());
    if (MethodName == QLatin1String("NOW"))
        return Variant::FromDate(Now());
    if (MethodName == QLatin1String("DAYOFWEEK"))
        return DayOfWeek(ParamFloat(Caller, 0));
    if (MethodName == QLatin1String("ISLEAPYEAR"))
        return IsLeapYear(ParamInt(Caller, 0));
    if (MethodName == QLatin1String("DAYSINMONTH")) {
        const int year = ParamInt(Caller, 0);
        const int month = ParamInt(Caller, 1);
        // The table has twelve months; anything else is no month.
        if (month < 1 || month > 12)
            throw ERangeError(SRangeError);
        return MonthDays[IsLeapYear(year) ? 1 : 0][month];
    }
    return Variant();
}

Variant TkwSysFunctions::CallString(TObject *, TClass, const QString &MethodName, TkwMethodHelper *Caller)
{
    if (MethodName == QLatin1String("LENGTH")) {
        const Variant v = Caller->GetParam(0);
        if (VarIsArray(v))
            return VarArrayHighBound(v, 1) - VarArrayLowBound(v, 1) + 1;
        return int(VarToStr(v).size());
    }
    if (MethodName == QLatin1String("COPY"))
        return Copy(ParamStr(Caller, 0), ParamInt(Caller, 1), ParamInt(Caller, 2));
    if (MethodName == QLatin1String("POS"))
        return Pos(ParamStr(Caller, 0), ParamStr(Caller, 1));
    if (MethodName == QLatin1String("DELETE") || MethodName == QLatin1String("DELETESTR")) {
        QString s = ParamStr(Caller, 0);
        Delete(s, ParamInt(Caller, 1), ParamInt(Caller, 2));
        Caller->SetParam(0, s);
        return Variant();
    }
    if (MethodName == QLatin1String("INSERT")) {
        QString s2 = ParamStr(Caller, 1);
        Insert(ParamStr(Caller, 0), s2, ParamInt(Caller, 2));
        Caller->SetParam(1, s2);
        return Variant();
    }
    if (MethodName == QLatin1String("UPPERCASE"))
        return AnsiUpperCase(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("LOWERCASE"))
        return AnsiLowerCase(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("TRIM"))
        return Trim(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("NAMECASE"))
        return NameCase(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("COMPARETEXT"))
        return AnsiCompareText(ParamStr(Caller, 0), ParamStr(Caller, 1));
    if (MethodName == QLatin1String("CHR")) {
        int code = 0;
        if (!ParamBooleanOrdinal(Caller, 0, code))
            code = ParamInt(Caller, 0);
        return QString(QChar(char16_t(code & 0xFF)));
    }
    if (MethodName == QLatin1String("ORD")) {
        int ordinal = 0;
        if (ParamBooleanOrdinal(Caller, 0, ordinal))
            return ordinal;
        // The empty string has no first character; it reads as its
        // terminating zero.
        const QString s = ParamStr(Caller, 0);
        return s.isEmpty() ? 0 : int(s[0].unicode());
    }
    if (MethodName == QLatin1String("SETLENGTH")) {
        Variant v = Caller->GetParam(0);
        const int len = std::max(0, ParamInt(Caller, 1));
        const TVarType t = VarType(v);
        if (t == varString || t == varOleStr) {
            kwCheckStringLength(len);
            QString s = v.AsString();
            // New characters are blanks rather than whatever memory held.
            s = s.size() >= len ? s.left(len) : s + QString(len - s.size(), QLatin1Char(' '));
            Caller->SetParam(0, s);
        } else if (VarIsArray(v)) {
            VarArrayRedim(v, len - 1);
            Caller->SetParam(0, v);
        } else if (VarIsEmpty(v) || VarIsNull(v)) {
            // An array declared without bounds holds no array yet.
            Caller->SetParam(0, VarArrayCreate({0, len - 1}, varVariant));
        } else {
            throw EVariantError(QStringLiteral("Variant is not an array"));
        }
        return Variant();
    }
    return Variant();
}

Variant TkwSysFunctions::CallMath(TObject *, TClass, const QString &MethodName, TkwMethodHelper *Caller)
{
    if (MethodName == QLatin1String("PI"))
        return M_PI;
    const double x = ParamFloat(Caller, 0);
    if (MethodName == QLatin1String("ROUND"))
        return Round(x);
    if (MethodName == QLatin1String("TRUNC"))
        return IntValue(Trunc64(x));
    if (MethodName == QLatin1String("INT"))
        return Int(x);
    if (MethodName == QLatin1String("FRAC"))
        return Frac(x);
    if (MethodName == QLatin1String("SQRT")) {
        if (x < 0)
            throw EInvalidOp(QString::fromLatin1(SFloatInvalid));
        return std::sqrt(x);
    }
    if (MethodName == QLatin1String("ABS"))
        return std::fabs(x);
    if (MethodName == QLatin1String("SIN"))
        return CheckedFloat(std::sin(x));
    if (MethodName == QLatin1String("COS"))
        return CheckedFloat(std::cos(x));
    if (MethodName == QLatin1String("ARCTAN"))
        return std::atan2(x, 1.0);
    if (MethodName == QLatin1String("TAN")) {
        const double c = std::cos(x);
        if (c == 0)
            throw EZeroDivide(QString::fromLatin1(SFloatZeroDivide));
        return CheckedFloat(std::sin(x) / c);
    }
    if (MethodName == QLatin1String("EXP"))
        return CheckedFloat(std::exp(x));
    if (MethodName == QLatin1String("LN")) {
        if (x < 0)
            throw EInvalidOp(QString::fromLatin1(SFloatInvalid));
        if (x == 0)
            throw EZeroDivide(QString::fromLatin1(SFloatZeroDivide));
        return std::log(x);
    }
    return Variant();
}

Variant TkwSysFunctions::CallOther(TObject *, TClass, const QString &MethodName, TkwMethodHelper *Caller)
{
    if (MethodName == QLatin1String("INC")) {
        Caller->SetParam(0, VarAdd(Caller->GetParam(0), Caller->GetParam(1)));
        return Variant();
    }
    if (MethodName == QLatin1String("DEC")) {
        Caller->SetParam(0, VarSub(Caller->GetParam(0), Caller->GetParam(1)));
        return Variant();
    }
    if (MethodName == QLatin1String("RAISEEXCEPTION"))
        throw Exception(ParamStr(Caller, 0));
    if (MethodName == QLatin1String("SHOWMESSAGE")) {
        ShowMessage(ParamStr(Caller, 0));
        return Variant();
    }
    if (MethodName == QLatin1String("RANDOMIZE")) {
        std::lock_guard<std::mutex> guard(RandomLock());
        RandomEngine().seed(quint64(QDateTime::currentMSecsSinceEpoch()));
        return Variant();
    }
    if (MethodName == QLatin1String("RANDOM")) {
        std::lock_guard<std::mutex> guard(RandomLock());
        return std::uniform_real_distribution<double>(0.0, 1.0)(RandomEngine());
    }
    if (MethodName == QLatin1String("VALIDINT")) {
        int v;
        return TryStrToInt(ParamStr(Caller, 0), v);
    }
    if (MethodName == QLatin1String("VALIDFLOAT")) {
        double v;
        return TryStrToFloat(ParamStr(Caller, 0), v);
    }
    if (MethodName == QLatin1String("VALIDDATE")) {
        const Variant p = Caller->GetParam(0);
        try {
            const QString s = VarType(p) == varDate ? DateToStr(p.AsDateTime()) : VarToStr(p);
            TDateTime v;
            return TryStrToDate(s, v);
        } catch (const Exception &) {
            return false;
        }
    }
    if (MethodName == QLatin1String("CREATEOLEOBJECT"))
        throw EOleSysError(QStringLiteral("Invalid class string"));
    if (MethodName == QLatin1String("VARARRAYCREATE")) {
        const Variant b = Caller->GetParam(0);
        if (!VarIsArray(b) || VarArrayDimCount(b) != 1)
            throw EVariantError(QStringLiteral("Variant is not an array"));
        QList<int> bounds;
        for (int i = VarArrayLowBound(b, 1); i <= VarArrayHighBound(b, 1); ++i)
            bounds.append(VarArrayGet(b, {i}).AsInteger());
        return VarArrayCreate(bounds, TVarType(ParamInt(Caller, 1)));
    }
    if (MethodName == QLatin1String("VARTOSTR"))
        return VarToStr(Caller->GetParam(0));
    if (MethodName == QLatin1String("VARTYPE"))
        return int(VarType(Caller->GetParam(0)));
    if (MethodName == QLatin1String("EXTRACTFILEPATH"))
        return ExtractFilePath(ParamStr(Caller, 0));
    return Variant();
}

void kwInitSysFunctions()
{
    kwAddRTTIModule(&kwNewModule<TkwSysFunctions>, true);
}
