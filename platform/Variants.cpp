// Implementation of the class library's Variant.
#include "Variants.h"
#include "Exceptions.h"
#include "SysUtils.h"
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

struct TVarArrayData
{
    TVarType ElemType = varVariant;
    int DimCount = 0;
    int Low[3] = {0, 0, 0};
    int Count[3] = {0, 0, 0};
    std::vector<Variant> Items;
};

namespace {

// Guards against absurd bounds turning into an allocation failure.
constexpr qint64 MaxArrayElements = qint64(1) << 24;
constexpr qint64 CurrencyScale = 10000;
constexpr double MaxCurrency = 922337203685477.5807;

[[noreturn]] void InvalidOp()
{
    throw EVariantError(QStringLiteral("Invalid variant operation"));
}

[[noreturn]] void InvalidCast()
{
    throw EVariantError(QStringLiteral("Invalid variant type conversion"));
}

[[noreturn]] void CastError(TVarType From, TVarType To)
{
    throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                            .arg(VarTypeAsText(From), VarTypeAsText(To)));
}

[[noreturn]] void OverflowError(TVarType From, TVarType To)
{
    throw EVariantError(QStringLiteral("Overflow while converting variant of type (%1) into type (%2)")
                            .arg(VarTypeAsText(From), VarTypeAsText(To)));
}

[[noreturn]] void BadIndex()
{
    throw EVariantError(QStringLiteral("Variant or safe array index out of bounds"));
}

[[noreturn]] void NotArray()
{
    throw EVariantError(QStringLiteral("Variant is not an array"));
}

[[noreturn]] void ArrayCreateError()
{
    throw EVariantError(QStringLiteral("Error creating variant or safe array"));
}

[[noreturn]] void IntDivByZero()
{
    throw EDivByZero(QStringLiteral("Division by zero"));
}

double CheckFloat(double v)
{
    if (std::isnan(v))
        throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    if (std::isinf(v))
        throw EOverflow(QStringLiteral("Floating point overflow"));
    return v;
}

// Rounds halves to the even neighbour (the FPU's default mode).
double RoundEven(double v)
{
    return std::nearbyint(v);
}

bool IsIntType(TVarType t)
{
    switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64:
        return true;
    default:
        return false;
    }
}

bool IsStrType(TVarType t)
{
    return t == varString || t == varOleStr;
}

bool IsBoolWord(const QString &s, bool &v)
{
    if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        v = true;
        return true;
    }
    if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        v = false;
        return true;
    }
    return false;
}

QString CurrencyToStr(qint64 c)
{
    const bool neg = c < 0;
    // Work on the magnitude without overflowing at the lowest value.
    quint64 m = neg ? quint64(0) - quint64(c) : quint64(c);
    QString s = QString::number(m / CurrencyScale);
    quint64 frac = m % CurrencyScale;
    if (frac) {
        QString f = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        s += FormatSettings.DecimalSeparator;
        s += f;
    }
    return neg ? QLatin1Char('-') + s : s;
}

// Currency (scaled by 10000) rounded to a whole number, halves to even.
qint64 CurrencyRound(qint64 c)
{
    qint64 q = c / CurrencyScale, r = c % CurrencyScale;
    if (r > CurrencyScale / 2 || (r == CurrencyScale / 2 && (q & 1)))
        ++q;
    else if (r < -CurrencyScale / 2 || (r == -CurrencyScale / 2 && (q & 1)))
        --q;
    return q;
}

qint64 DoubleToCurrency(double v, TVarType From)
{
    if (!std::isfinite(v) || std::fabs(v) > MaxCurrency)
        OverflowError(From, varCurrency);
    // Whole part and fraction apart: scaling the whole value first would lose
    // the last digits of large amounts.
    const double whole = std::trunc(v);
    qint64 c;
    if (__builtin_mul_overflow(qint64(whole), CurrencyScale, &c)
        || __builtin_add_overflow(c, qint64(RoundEven((v - whole) * double(CurrencyScale))), &c))
        OverflowError(From, varCurrency);
    return c;
}

constexpr qint64 DaysFrom1899ToEpochJulian = 2415019; // QDate(1899,12,30).toJulianDay()

} // namespace

// The one place that reads and writes Variant's private fields.
struct TVarAccess
{
    static Variant Make(TVarType t, qint64 i)
    {
        Variant v;
        v.FType = t;
        v.FValue.I = i;
        return v;
    }
    static Variant MakeD(TVarType t, double d)
    {
        Variant v;
        v.FType = t;
        v.FValue.D = d;
        return v;
    }
    static Variant MakeS(TVarType t, const QString &s)
    {
        Variant v(s);
        v.FType = t;
        return v;
    }
    static Variant MakeArray(std::shared_ptr<TVarArrayData> a)
    {
        Variant v;
        v.FType = varArray | a->ElemType;
        v.FArray = std::move(a);
        return v;
    }
    static qint64 I(const Variant &v) { return v.FValue.I; }
    static double D(const Variant &v) { return v.FValue.D; }
    static TObject *O(const Variant &v) { return v.FValue.O; }
    static const QString &S(const Variant &v) { return v.FStr; }
    static QString &SW(Variant &v) { return v.FStr; }
    static const TVarArrayData *Arr(const Variant &v) { return v.FArray.get(); }
    // The array data for writing: a private copy when it is shared.
    static TVarArrayData *ArrW(Variant &v)
    {
        if (v.FArray.use_count() > 1)
            v.FArray = std::make_shared<TVarArrayData>(*v.FArray);
        return v.FArray.get();
    }
};

using A = TVarAccess;

namespace {

bool IsArr(const Variant &v) { return (v.VType() & varArray) != 0; }

// String to integer: whole numbers first, then rounded reals, then the words
// True and False.
qint64 StrToIntValue(const QString &s, TVarType To)
{
    qint64 i;
    if (TryStrToInt64(s, i))
        return i;
    double d;
    if (TryStrToFloat(s, d)) {
        d = RoundEven(d);
        if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
            OverflowError(varString, To);
        return qint64(d);
    }
    bool b;
    if (IsBoolWord(s, b))
        return b ? -1 : 0;
    CastError(varString, To);
}

double StrToDoubleValue(const QString &s, TVarType From, TVarType To)
{
    double d;
    if (TryStrToFloat(s, d))
        return d;
    bool b;
    if (IsBoolWord(s, b))
        return b ? -1.0 : 0.0;
    CastError(From, To);
}

// Any scalar to a 64-bit integer, range-checked against [Min, Max].
qint64 ToIntRange(const Variant &v, TVarType To, qint64 Min, qint64 Max)
{
    const TVarType t = v.VType();
    qint64 r = 0;
    if (IsArr(v))
        InvalidCast();
    switch (t) {
    case varEmpty:
        return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64:
        r = A::I(v);
        break;
    case varBoolean:
        r = A::I(v) ? -1 : 0;
        break;
    case varSingle: case varDouble: case varDate: {
        double d = RoundEven(A::D(v));
        if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
            OverflowError(t, To);
        r = qint64(d);
        break;
    }
    case varCurrency:
        r = CurrencyRound(A::I(v));
        break;
    case varString: case varOleStr:
        r = StrToIntValue(A::S(v), To);
        if (r < Min || r > Max)
            OverflowError(t, To);
        return r;
    default:
        CastError(t, To);
    }
    if (r < Min || r > Max)
        OverflowError(t, To);
    return r;
}

double ToDoubleValue(const Variant &v, TVarType To = varDouble)
{
    const TVarType t = v.VType();
    if (IsArr(v))
        InvalidCast();
    switch (t) {
    case varEmpty:
        return 0.0;
    case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64:
        return double(A::I(v));
    case varBoolean:
        return A::I(v) ? -1.0 : 0.0;
    case varSingle: case varDouble: case varDate:
        return A::D(v);
    case varCurrency:
        return double(A::I(v)) / double(CurrencyScale);
    case varString: case varOleStr:
        return StrToDoubleValue(A::S(v), t, To);
    default:
        CastError(t, To);
    }
}

bool ToBoolValue(const Variant &v)
{
    const TVarType t = v.VType();
    if (IsArr(v))
        InvalidCast();
    switch (t) {
    case varEmpty:
        return false;
    case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64: case varCurrency: case varBoolean:
        return A::I(v) != 0;
    case varSingle: case varDouble: case varDate:
        return A::D(v) != 0.0;
    case varString: case varOleStr: {
        bool b;
        if (IsBoolWord(A::S(v), b))
            return b;
        double d;
        if (TryStrToFloat(A::S(v), d))
            return d != 0.0;
        CastError(t, varBoolean);
    }
    default:
        CastError(t, varBoolean);
    }
}

TDateTime ToDateValue(const Variant &v)
{
    const TVarType t = v.VType();
    if (IsStrType(t) && !IsArr(v)) {
        double d;
        if (TryStrToDateTime(A::S(v), d))
            return d;
        CastError(t, varDate);
    }
    return ToDoubleValue(v, varDate);
}

QString ToStrValue(const Variant &v, TVarType To)
{
    const TVarType t = v.VType();
    if (IsArr(v))
        InvalidCast();
    switch (t) {
    case varEmpty:
        return QString();
    case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64:
        return QString::number(A::I(v));
    case varBoolean:
        return A::I(v) ? QStringLiteral("True") : QStringLiteral("False");
    case varSingle: case varDouble:
        return FloatToStr(A::D(v));
    case varCurrency:
        return CurrencyToStr(A::I(v));
    case varDate:
        return DateTimeToStr(A::D(v));
    case varString: case varOleStr:
        return A::S(v);
    default:
        CastError(t, To);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and conversion

Variant Variant::FromDate(TDateTime v)
{
    return A::MakeD(varDate, v);
}

Variant Variant::FromCurrency(double v)
{
    return A::Make(varCurrency, DoubleToCurrency(v, varDouble));
}

Variant Variant::FromOleStr(const QString &v)
{
    return A::MakeS(varOleStr, v);
}

Variant Null()
{
    return A::Make(varNull, 0);
}

Variant Unassigned()
{
    return Variant();
}

int Variant::ToInteger() const
{
    return int(ToIntRange(*this, varInteger, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

qint64 Variant::ToInt64() const
{
    return ToIntRange(*this, varInt64, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

double Variant::AsDouble() const
{
    return ToDoubleValue(*this);
}

bool Variant::ToBoolean() const
{
    return ToBoolValue(*this);
}

QString Variant::AsString() const
{
    return ToStrValue(*this, varString);
}

TDateTime Variant::AsDateTime() const
{
    return ToDateValue(*this);
}

TObject *Variant::AsObject() const
{
    switch (FType) {
    case varObject:
        return FValue.O;
    case varEmpty: case varNull:
        return nullptr;
    default:
        // The scripts' nil is the integer 0; any other number is no object.
        if (IsIntType(FType) && FValue.I == 0)
            return nullptr;
        if (IsArr(*this))
            InvalidCast();
        CastError(FType, varObject);
    }
}

TVarType VarType(const Variant &V)
{
    return V.VType();
}

QString VarTypeAsText(TVarType VarType)
{
    QString prefix;
    if (VarType & varByRef)
        prefix += QStringLiteral("Ref to ");
    if (VarType & varArray)
        prefix += QStringLiteral("Array ");
    const TVarType t = VarType & varTypeMask;
    static const char *const names[] = {
        "Empty", "Null", "Smallint", "Integer", "Single", "Double", "Currency", "Date",
        "OleStr", "Dispatch", "Error", "Boolean", "Variant", "Unknown", "Decimal", "$0F",
        "ShortInt", "Byte", "Word", "LongWord", "Int64"};
    if (t < sizeof(names) / sizeof(names[0]))
        return prefix + QLatin1String(names[t]);
    switch (t) {
    case varStrArg: return prefix + QStringLiteral("StrArg");
    case varString: return prefix + QStringLiteral("String");
    case varAny: return prefix + QStringLiteral("Any");
    case varObject: return prefix + QStringLiteral("Object");
    default:
        return prefix + QLatin1Char('$') + QString::number(t, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    }
}

bool VarIsEmpty(const Variant &V) { return V.VType() == varEmpty; }
bool VarIsNull(const Variant &V) { return V.VType() == varNull; }
bool VarIsArray(const Variant &V) { return IsArr(V); }
bool VarIsStr(const Variant &V) { return IsStrType(V.VType()); }
bool VarIsObject(const Variant &V) { return V.VType() == varObject; }

bool VarIsNumeric(const Variant &V)
{
    const TVarType t = V.VType();
    return IsIntType(t) || t == varBoolean || t == varSingle || t == varDouble || t == varCurrency;
}

QString VarToStr(const Variant &V)
{
    return VarToStrDef(V, QString());
}

QString VarToStrDef(const Variant &V, const QString &Default)
{
    if (VarIsNull(V))
        return Default;
    return ToStrValue(V, varString);
}

TDateTime VarToDateTime(const Variant &V)
{
    return ToDateValue(V);
}

Variant VarAsType(const Variant &V, TVarType Type)
{
    const TVarType from = V.VType();
    if (Type == from)
        return V;
    if ((Type & varArray) || IsArr(V))
        InvalidCast();
    switch (Type) {
    case varEmpty:
        return Variant();
    case varNull:
        return Null();
    default:
        break;
    }
    // Null converts to nothing else; a nil object only to the nil integer.
    if (from == varNull)
        CastError(from, Type);
    switch (Type) {
    case varSmallint:
        return A::Make(Type, ToIntRange(V, Type, -32768, 32767));
    case varInteger:
        return A::Make(Type, ToIntRange(V, Type, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    case varShortInt:
        return A::Make(Type, ToIntRange(V, Type, -128, 127));
    case varByte:
        return A::Make(Type, ToIntRange(V, Type, 0, 255));
    case varWord:
        return A::Make(Type, ToIntRange(V, Type, 0, 65535));
    case varLongWord:
        return A::Make(Type, ToIntRange(V, Type, 0, 4294967295LL));
    case varInt64:
        return A::Make(Type, ToIntRange(V, Type, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()));
    case varSingle: {
        double d = ToDoubleValue(V, Type);
        if (!std::isfinite(d) || std::fabs(d) > double(FLT_MAX))
            OverflowError(from, Type);
        return A::MakeD(Type, double(float(d)));
    }
    case varDouble:
        return A::MakeD(Type, ToDoubleValue(V, Type));
    case varDate:
        return A::MakeD(Type, ToDateValue(V));
    case varCurrency:
        if (IsIntType(from)) {
            qint64 i = A::I(V), c;
            if (__builtin_mul_overflow(i, CurrencyScale, &c))
                OverflowError(from, Type);
            return A::Make(Type, c);
        }
        return A::Make(Type, DoubleToCurrency(ToDoubleValue(V, Type), from));
    case varBoolean:
        return A::Make(Type, ToBoolValue(V) ? 1 : 0);
    case varString: case varOleStr:
        return A::MakeS(Type, ToStrValue(V, Type));
    case varObject:
        // The reference as it is: its object may be gone.
        return V.VType() == varObject ? V : Variant(V.AsObject());
    default:
        InvalidCast();
    }
}

// ---------------------------------------------------------------------------
// Arrays

namespace {

const TVarArrayData &ArrayOf(const Variant &V)
{
    if (!IsArr(V))
        NotArray();
    return *A::Arr(V);
}

bool ValidElemType(TVarType t)
{
    switch (t) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varDate: case varOleStr: case varBoolean: case varVariant: case varShortInt:
    case varByte: case varWord: case varLongWord: case varInt64: case varString:
        return true;
    default:
        return false;
    }
}

Variant DefaultElement(TVarType t)
{
    return t == varVariant ? Variant() : VarAsType(Variant(), t);
}

qsizetype Offset(const TVarArrayData &a, const int *idx, qsizetype n)
{
    if (n != a.DimCount)
        BadIndex();
    qsizetype off = 0;
    for (int d = a.DimCount - 1; d >= 0; --d) {
        const qint64 i = qint64(idx[d]) - a.Low[d];
        if (i < 0 || i >= a.Count[d])
            BadIndex();
        off = off * a.Count[d] + qsizetype(i);
    }
    return off;
}

const Variant &ArrayItem(const Variant &V, const int *idx, qsizetype n)
{
    const TVarArrayData &a = ArrayOf(V);
    return a.Items[size_t(Offset(a, idx, n))];
}

Variant ArrayGet(const Variant &V, const int *idx, qsizetype n)
{
    return ArrayItem(V, idx, n);
}

void ArrayPut(Variant &V, const Variant &Value, const int *idx, qsizetype n)
{
    const TVarArrayData &ra = ArrayOf(V);
    const qsizetype off = Offset(ra, idx, n);
    // An Integer into Integer or Variant elements needs no conversion.
    if (Value.VType() == varInteger && (ra.ElemType == varInteger || ra.ElemType == varVariant)) {
        A::ArrW(V)->Items[size_t(off)].SetInteger(Value.AsInteger());
        return;
    }
    // Convert before detaching, so a failed conversion leaves V untouched.
    Variant item = ra.ElemType == varVariant ? Value : VarAsType(Value, ra.ElemType);
    A::ArrW(V)->Items[size_t(off)] = std::move(item);
}

} // namespace

Variant VarArrayCreate(const QList<int> &Bounds, TVarType Type)
{
    if (Bounds.isEmpty() || Bounds.size() % 2 || Bounds.size() > 6 || !ValidElemType(Type))
        ArrayCreateError();
    auto a = std::make_shared<TVarArrayData>();
    a->ElemType = Type;
    a->DimCount = int(Bounds.size() / 2);
    qint64 total = 1;
    for (int d = 0; d < a->DimCount; ++d) {
        const qint64 lo = Bounds[2 * d], hi = Bounds[2 * d + 1];
        const qint64 count = hi - lo + 1;
        if (count < 0)
            ArrayCreateError();
        total *= count;
        if (total > MaxArrayElements)
            ArrayCreateError();
        a->Low[d] = int(lo);
        a->Count[d] = int(count);
    }
    a->Items.assign(size_t(total), DefaultElement(Type));
    return A::MakeArray(std::move(a));
}

Variant VarArrayOf(const QList<Variant> &Values)
{
    Variant r = VarArrayCreate({0, int(Values.size()) - 1}, varVariant);
    TVarArrayData *a = A::ArrW(r);
    for (qsizetype i = 0; i < Values.size(); ++i)
        a->Items[size_t(i)] = Values[i];
    return r;
}

int VarArrayDimCount(const Variant &A)
{
    return IsArr(A) ? TVarAccess::Arr(A)->DimCount : 0;
}

int VarArrayLowBound(const Variant &A, int Dim)
{
    const TVarArrayData &a = ArrayOf(A);
    if (Dim < 1 || Dim > a.DimCount)
        BadIndex();
    return a.Low[Dim - 1];
}

int VarArrayHighBound(const Variant &A, int Dim)
{
    const TVarArrayData &a = ArrayOf(A);
    if (Dim < 1 || Dim > a.DimCount)
        BadIndex();
    return a.Low[Dim - 1] + a.Count[Dim - 1] - 1;
}

void VarArrayRedim(Variant &A, int HighBound)
{
    const TVarArrayData &ra = ArrayOf(A);
    const int last = ra.DimCount - 1;
    const qint64 count = qint64(HighBound) - ra.Low[last] + 1;
    if (count < 0)
        ArrayCreateError();
    qint64 slice = 1; // elements per index of the last dimension
    for (int d = 0; d < last; ++d)
        slice *= ra.Count[d];
    if (slice * count > MaxArrayElements)
        ArrayCreateError();
    // The last dimension varies slowest, so its elements stay in place.
    TVarArrayData *a = TVarAccess::ArrW(A);
    a->Items.resize(size_t(slice * count), DefaultElement(a->ElemType));
    a->Count[last] = int(count);
}

Variant VarArrayGet(const Variant &A, std::initializer_list<int> Indices)
{
    return ArrayGet(A, Indices.begin(), qsizetype(Indices.size()));
}

Variant VarArrayGet(const Variant &A, const QList<int> &Indices)
{
    return ArrayGet(A, Indices.constData(), Indices.size());
}

void VarArrayPut(Variant &A, const Variant &Value, std::initializer_list<int> Indices)
{
    ArrayPut(A, Value, Indices.begin(), qsizetype(Indices.size()));
}

void VarArrayPut(Variant &A, const Variant &Value, const QList<int> &Indices)
{
    ArrayPut(A, Value, Indices.constData(), Indices.size());
}

Variant VarArrayGet(const Variant &A, const int *Indices, int Count)
{
    return ArrayGet(A, Indices, Count);
}

const Variant &VarArrayItem(const Variant &A, const int *Indices, int Count)
{
    return ArrayItem(A, Indices, Count);
}

void Variant::Replace(Variant &&Value)
{
    *this = std::move(Value);
}

void Variant::CopyPayload(const Variant &Other)
{
    FStr = Other.FStr;
    FArray = Other.FArray;
}

const Variant *VarArrayItemPtr(const Variant &A, const int *Indices, int Count)
{
    const TVarArrayData *a = IsArr(A) ? A::Arr(A) : nullptr;
    if (!a || a->DimCount != Count)
        return nullptr;
    qsizetype off = 0;
    for (int d = Count - 1; d >= 0; --d) {
        const qint64 i = qint64(Indices[d]) - a->Low[d];
        if (i < 0 || i >= a->Count[d])
            return nullptr;
        off = off * a->Count[d] + qsizetype(i);
    }
    return &a->Items[size_t(off)];
}

void VarArrayPut(Variant &A, const Variant &Value, const int *Indices, int Count)
{
    ArrayPut(A, Value, Indices, Count);
}

const QString *VarStrData(const Variant &V)
{
    return IsStrType(V.VType()) ? &A::S(V) : nullptr;
}

bool VarStrAppend(Variant &V, const QString &Tail)
{
    if (!IsStrType(V.VType()))
        return false;
    A::SW(V).append(Tail);
    return true;
}

// ---------------------------------------------------------------------------
// Arithmetic

namespace {

// Operand classes after Empty, Null and strings have been dealt with.
enum class TNum { Int, Int64, Float, Currency, Date, Bool };

TNum NumClass(const Variant &v)
{
    switch (v.VType()) {
    case varInt64: return TNum::Int64;
    case varSingle: case varDouble: return TNum::Float;
    case varCurrency: return TNum::Currency;
    case varDate: return TNum::Date;
    case varBoolean: return TNum::Bool;
    default: return TNum::Int;
    }
}

// Integer result: Integer when both operands were 32-bit and it fits,
// else Int64.
Variant IntResult(qint64 r, bool wide)
{
    if (!wide && r >= std::numeric_limits<int>::min() && r <= std::numeric_limits<int>::max())
        return A::Make(varInteger, r);
    return A::Make(varInt64, r);
}

Variant FloatResult(double d, TVarType t = varDouble)
{
    return A::MakeD(t, CheckFloat(d));
}

// Rejects arrays and objects: they take part in no arithmetic.
void CheckOperand(const Variant &v)
{
    if (IsArr(v))
        InvalidOp();
    switch (v.VType()) {
    case varEmpty: case varNull: case varSmallint: case varInteger: case varSingle:
    case varDouble: case varCurrency: case varDate: case varOleStr: case varBoolean:
    case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
    case varString:
        return;
    default:
        InvalidOp();
    }
}

// Replaces Empty by the neutral value of the other side.
Variant FillEmpty(const Variant &other, TVarOp op)
{
    if (IsStrType(other.VType()) && op == opAdd)
        return A::MakeS(varString, QString());
    if (other.VType() == varBoolean && (op == opAnd || op == opOr || op == opXor))
        return Variant(false);
    return Variant(0);
}

// The operands of a binary operator: false when a Null makes the result
// Null; an Empty side takes the neutral value of the other side.
bool PrepareOperands(const Variant &l0, const Variant &r0, TVarOp op, Variant &l, Variant &r)
{
    CheckOperand(l0);
    CheckOperand(r0);
    if (VarIsNull(l0) || VarIsNull(r0))
        return false;
    l = l0;
    r = r0;
    if (VarIsEmpty(l) && VarIsEmpty(r)) {
        l = Variant(0);
        r = Variant(0);
    } else if (VarIsEmpty(l)) {
        l = FillEmpty(r, op);
    } else if (VarIsEmpty(r)) {
        r = FillEmpty(l, op);
    }
    return true;
}

// A string on one side of arithmetic becomes a Date next to a Date, else a Double.
Variant StrToNumber(const Variant &s, const Variant &other)
{
    if (other.VType() == varDate) {
        double d;
        if (TryStrToFloat(A::S(s), d) || TryStrToDateTime(A::S(s), d))
            return Variant::FromDate(d);
        CastError(s.VType(), varDate);
    }
    return Variant(StrToDoubleValue(A::S(s), s.VType(), varDouble));
}

Variant Arith(const Variant &l0, const Variant &r0, TVarOp op)
{
    // Fast path for the common case of two Integers in + - * div mod.
    if (l0.VType() == varInteger && r0.VType() == varInteger) {
        const qint64 a = A::I(l0), b = A::I(r0);
        if (op <= opMultiply)
            return IntResult(op == opAdd ? a + b : op == opSubtract ? a - b : a * b, false);
        if (op == opModulus || op == opIntDivide) {
            if (b == 0)
                IntDivByZero();
            // 32-bit operands: the quotient cannot leave 64 bits.
            return IntResult(op == opModulus ? a % b : a / b, false);
        }
    }
    Variant l, r;
    if (!PrepareOperands(l0, r0, op, l, r))
        return Null();
    const bool ls = VarIsStr(l), rs = VarIsStr(r);
    if (ls && rs) {
        if (op == opAdd) {
            const TVarType t = (l.VType() == varOleStr && r.VType() == varOleStr) ? varOleStr : varString;
            return A::MakeS(t, A::S(l) + A::S(r));
        }
        l = Variant(StrToDoubleValue(A::S(l), l.VType(), varDouble));
        r = Variant(StrToDoubleValue(A::S(r), r.VType(), varDouble));
    } else if (ls) {
        l = StrToNumber(l, r);
    } else if (rs) {
        r = StrToNumber(r, l);
    }

    TNum lc = NumClass(l), rc = NumClass(r);
    // Booleans count as the integers -1 and 0.
    if (lc == TNum::Bool) {
        l = Variant(A::I(l) ? -1 : 0);
        lc = TNum::Int;
    }
    if (rc == TNum::Bool) {
        r = Variant(A::I(r) ? -1 : 0);
        rc = TNum::Int;
    }

    if (op == opDivide) {
        const double b = ToDoubleValue(r);
        if (b == 0.0)
            throw EZeroDivide(QStringLiteral("Floating point division by zero"));
        return FloatResult(ToDoubleValue(l) / b);
    }

    if (op == opIntDivide || op == opModulus) {
        const qint64 a = l.AsInt64(), b = r.AsInt64();
        if (b == 0)
            IntDivByZero();
        const bool wide = lc == TNum::Int64 || rc == TNum::Int64;
        if (op == opModulus)
            return IntResult(b == -1 ? 0 : a % b, wide);
        if (a == std::numeric_limits<qint64>::min() && b == -1)
            return FloatResult(-double(a));
        return IntResult(a / b, wide);
    }

    const bool isInt = (lc == TNum::Int || lc == TNum::Int64) && (rc == TNum::Int || rc == TNum::Int64);
    if (isInt) {
        const qint64 a = A::I(l), b = A::I(r);
        qint64 res;
        bool ovf;
        switch (op) {
        case opAdd: ovf = __builtin_add_overflow(a, b, &res); break;
        case opSubtract: ovf = __builtin_sub_overflow(a, b, &res); break;
        default: ovf = __builtin_mul_overflow(a, b, &res); break;
        }
        if (ovf) {
            const double x = double(a), y = double(b);
            return FloatResult(op == opAdd ? x + y : op == opSubtract ? x - y : x * y);
        }
        return IntResult(res, lc == TNum::Int64 || rc == TNum::Int64);
    }

    const double x = ToDoubleValue(l), y = ToDoubleValue(r);
    const double fres = op == opAdd ? x + y : op == opSubtract ? x - y : x * y;

    // A Date moved by a number stays a Date; the distance of two Dates is days.
    if ((lc == TNum::Date) != (rc == TNum::Date) && (op == opAdd || op == opSubtract))
        return FloatResult(fres, varDate);
    if (lc == TNum::Date && rc == TNum::Date && op == opAdd)
        return FloatResult(fres, varDate);

    const bool curOk = (lc == TNum::Currency || rc == TNum::Currency)
        && lc != TNum::Float && rc != TNum::Float && lc != TNum::Date && rc != TNum::Date;
    if (curOk) {
        // Exact scaled arithmetic; a result beyond Currency's range gives a Double.
        auto scaled = [](const Variant &v, qint64 &out) {
            if (v.VType() == varCurrency) {
                out = A::I(v);
                return true;
            }
            return !__builtin_mul_overflow(A::I(v), CurrencyScale, &out);
        };
        qint64 a, b, res;
        if (scaled(l, a) && scaled(r, b)) {
            bool ovf = true;
            if (op == opAdd)
                ovf = __builtin_add_overflow(a, b, &res);
            else if (op == opSubtract)
                ovf = __builtin_sub_overflow(a, b, &res);
            else {
                __int128 p = __int128(a) * b;
                __int128 q = p / CurrencyScale, rem = p % CurrencyScale;
                if (rem * 2 > CurrencyScale || (rem * 2 == CurrencyScale && (q & 1)))
                    ++q;
                else if (rem * 2 < -CurrencyScale || (rem * 2 == -CurrencyScale && (q & 1)))
                    --q;
                ovf = q > std::numeric_limits<qint64>::max() || q < std::numeric_limits<qint64>::min();
                res = qint64(q);
            }
            if (!ovf)
                return A::Make(varCurrency, res);
        }
    }
    return FloatResult(fres);
}

// and/or/xor/shl/shr operand: Booleans stay Boolean (for the logical forms),
// everything else becomes an integer.
struct TLogicOperand
{
    bool IsBool = false;
    bool B = false;
    qint64 I = 0;
    bool Wide = false;
};

TLogicOperand LogicOperand(const Variant &v, bool otherIsBool)
{
    TLogicOperand o;
    const TVarType t = v.VType();
    if (t == varBoolean) {
        o.IsBool = true;
        o.B = A::I(v) != 0;
        o.I = o.B ? -1 : 0;
        return o;
    }
    if (IsStrType(t)) {
        bool b;
        if (IsBoolWord(A::S(v), b) || otherIsBool) {
            o.IsBool = true;
            o.B = IsBoolWord(A::S(v), b) ? b : v.AsBoolean();
            o.I = o.B ? -1 : 0;
            return o;
        }
        o.I = ToIntRange(v, varInteger, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
        o.Wide = o.I < std::numeric_limits<int>::min() || o.I > std::numeric_limits<int>::max();
        return o;
    }
    o.I = v.AsInt64();
    o.Wide = t == varInt64;
    return o;
}

Variant Logic(const Variant &l0, const Variant &r0, TVarOp op)
{
    Variant l, r;
    if (!PrepareOperands(l0, r0, op, l, r))
        return Null();
    const bool logical = op == opAnd || op == opOr || op == opXor;
    const TLogicOperand a = LogicOperand(l, logical && r.VType() == varBoolean);
    const TLogicOperand b = LogicOperand(r, logical && l.VType() == varBoolean);
    const bool wide = a.Wide || b.Wide;
    switch (op) {
    case opAnd:
        if (a.IsBool && b.IsBool)
            return Variant(a.B && b.B);
        return IntResult(a.I & b.I, wide);
    case opOr:
        if (a.IsBool && b.IsBool)
            return Variant(a.B || b.B);
        return IntResult(a.I | b.I, wide);
    case opXor:
        if (a.IsBool && b.IsBool)
            return Variant(a.B != b.B);
        return IntResult(a.I ^ b.I, wide);
    case opShiftLeft: {
        // Shifting left is multiplying by a power of two, promoted like "*".
        if (b.I < 0)
            InvalidOp();
        if (a.I == 0)
            return IntResult(0, a.Wide);
        if (b.I >= 63)
            return FloatResult(std::ldexp(double(a.I), int(std::min<qint64>(b.I, 4096))));
        const qint64 res = qint64(quint64(a.I) << b.I);
        if ((res >> b.I) != a.I)
            return FloatResult(std::ldexp(double(a.I), int(b.I)));
        return IntResult(res, a.Wide);
    }
    case opShiftRight: {
        // Logical shift of the operand's own width.
        if (b.I < 0)
            InvalidOp();
        if (b.I == 0)
            return IntResult(a.I, a.Wide);
        if (!a.Wide && a.I >= std::numeric_limits<int>::min() && a.I <= std::numeric_limits<int>::max())
            return IntResult(b.I >= 32 ? 0 : qint64(quint32(qint32(a.I)) >> b.I), false);
        return IntResult(b.I >= 64 ? 0 : qint64(quint64(a.I) >> b.I), true);
    }
    default:
        InvalidOp();
    }
}

} // namespace

Variant VarAdd(const Variant &L, const Variant &R) { return Arith(L, R, opAdd); }
Variant VarSub(const Variant &L, const Variant &R) { return Arith(L, R, opSubtract); }
Variant VarMul(const Variant &L, const Variant &R) { return Arith(L, R, opMultiply); }
Variant VarDiv(const Variant &L, const Variant &R) { return Arith(L, R, opDivide); }
Variant VarIntDiv(const Variant &L, const Variant &R) { return Arith(L, R, opIntDivide); }
Variant VarMod(const Variant &L, const Variant &R) { return Arith(L, R, opModulus); }
Variant VarAnd(const Variant &L, const Variant &R) { return Logic(L, R, opAnd); }
Variant VarOr(const Variant &L, const Variant &R) { return Logic(L, R, opOr); }
Variant VarXor(const Variant &L, const Variant &R) { return Logic(L, R, opXor); }
Variant VarShl(const Variant &L, const Variant &R) { return Logic(L, R, opShiftLeft); }
Variant VarShr(const Variant &L, const Variant &R) { return Logic(L, R, opShiftRight); }

Variant VarNeg(const Variant &V)
{
    CheckOperand(V);
    const TVarType t = V.VType();
    switch (t) {
    case varNull:
        return V;
    case varEmpty:
        return Variant(0);
    case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord:
        return IntResult(-A::I(V), false);
    case varInt64:
        if (A::I(V) == std::numeric_limits<qint64>::min())
            return FloatResult(-double(A::I(V)));
        return A::Make(varInt64, -A::I(V));
    case varBoolean:
        return Variant(A::I(V) ? 1 : 0);
    case varSingle: case varDouble:
        return FloatResult(-A::D(V));
    case varDate:
        return FloatResult(-A::D(V), varDate);
    case varCurrency:
        if (A::I(V) == std::numeric_limits<qint64>::min())
            return FloatResult(-double(A::I(V)) / double(CurrencyScale));
        return A::Make(varCurrency, -A::I(V));
    default: // strings
        return FloatResult(-StrToDoubleValue(A::S(V), t, varDouble));
    }
}

Variant VarNot(const Variant &V)
{
    CheckOperand(V);
    if (VarIsNull(V))
        return V;
    if (VarIsEmpty(V))
        return Variant(-1);
    const TLogicOperand o = LogicOperand(V, false);
    if (o.IsBool)
        return Variant(!o.B);
    return IntResult(~o.I, o.Wide);
}

Variant VarOp(const Variant &L, const Variant &R, TVarOp Op)
{
    switch (Op) {
    case opAdd: case opSubtract: case opMultiply: case opDivide: case opIntDivide: case opModulus:
        return Arith(L, R, Op);
    case opAnd: case opOr: case opXor: case opShiftLeft: case opShiftRight:
        return Logic(L, R, Op);
    default:
        return Variant(VarCompare(L, R, Op));
    }
}

// ---------------------------------------------------------------------------
// Comparison

namespace {

template <class T>
TVariantRelationship Rel(T a, T b)
{
    return a < b ? vrLessThan : b < a ? vrGreaterThan : vrEqual;
}

// Object references: equal only to themselves (a freed object is not the one
// made later at its address), and a nil one to Empty and 0.
TVariantRelationship CompareObject(const Variant &obj, const Variant &other)
{
    TObject *o = A::O(obj);
    if (other.VType() == varObject)
        return o == A::O(other) && obj.ObjectSerial() == other.ObjectSerial() ? vrEqual : vrNotEqual;
    if (VarIsEmpty(other) || (IsIntType(other.VType()) && A::I(other) == 0))
        return o == nullptr ? vrEqual : vrNotEqual;
    return vrNotEqual;
}

TVariantRelationship Compare(const Variant &l0, const Variant &r0)
{
    if (IsArr(l0) || IsArr(r0))
        InvalidOp();
    const TVarType lt = l0.VType(), rt = r0.VType();
    if (lt == varNull || rt == varNull)
        return lt == rt ? vrEqual : vrNotEqual;
    if (lt == varObject)
        return CompareObject(l0, r0);
    if (rt == varObject)
        return CompareObject(r0, l0);
    CheckOperand(l0);
    CheckOperand(r0);
    if (lt == varEmpty && rt == varEmpty)
        return vrEqual;

    Variant l = l0, r = r0;
    if (lt == varEmpty)
        l = IsStrType(rt) ? Variant(QString()) : rt == varBoolean ? Variant(false) : Variant(0);
    if (rt == varEmpty)
        r = IsStrType(lt) ? Variant(QString()) : lt == varBoolean ? Variant(false) : Variant(0);

    const bool ls = VarIsStr(l), rs = VarIsStr(r);
    if (ls && rs) {
        const int c = QString::compare(A::S(l), A::S(r), Qt::CaseSensitive);
        return c < 0 ? vrLessThan : c > 0 ? vrGreaterThan : vrEqual;
    }
    // Booleans against Booleans (or their words) compare False < True.
    if ((l.VType() == varBoolean && (r.VType() == varBoolean || rs))
        || (r.VType() == varBoolean && ls))
        return Rel(int(l.AsBoolean()), int(r.AsBoolean()));
    if (ls)
        l = StrToNumber(l, r);
    if (rs)
        r = StrToNumber(r, l);
    if (l.VType() == varBoolean)
        l = Variant(A::I(l) ? -1 : 0);
    if (r.VType() == varBoolean)
        r = Variant(A::I(r) ? -1 : 0);
    if (IsIntType(l.VType()) && IsIntType(r.VType()))
        return Rel(A::I(l), A::I(r));
    if (l.VType() == varCurrency && r.VType() == varCurrency)
        return Rel(A::I(l), A::I(r));
    return Rel(ToDoubleValue(l), ToDoubleValue(r));
}

} // namespace

TVariantRelationship VarCompareValue(const Variant &L, const Variant &R)
{
    return Compare(L, R);
}

bool VarCompare(const Variant &L, const Variant &R, TVarOp Op)
{
    if (L.VType() == varInteger && R.VType() == varInteger) {
        const qint64 a = A::I(L), b = A::I(R);
        switch (Op) {
        case opCmpEQ: return a == b;
        case opCmpNE: return a != b;
        case opCmpLT: return a < b;
        case opCmpLE: return a <= b;
        case opCmpGT: return a > b;
        case opCmpGE: return a >= b;
        default: InvalidOp();
        }
    }
    const TVariantRelationship rel = Compare(L, R);
    switch (Op) {
    case opCmpEQ:
        return rel == vrEqual;
    case opCmpNE:
        return rel != vrEqual;
    default:
        break;
    }
    if (VarIsNull(L) || VarIsNull(R))
        return false;
    if (VarIsObject(L) || VarIsObject(R)) // objects have no order
        InvalidOp();
    switch (Op) {
    case opCmpLT: return rel == vrLessThan;
    case opCmpLE: return rel != vrGreaterThan;
    case opCmpGT: return rel == vrGreaterThan;
    case opCmpGE: return rel != vrLessThan;
    default: InvalidOp();
    }
}

// ---------------------------------------------------------------------------
// QVariant

namespace {

TDateTime QDateToDateTime(const QDate &d, const QTime &t)
{
    const double days = double(d.toJulianDay() - DaysFrom1899ToEpochJulian);
    const double frac = t.isValid() ? t.msecsSinceStartOfDay() / 86400000.0 : 0.0;
    // Before 1899-12-30 the fraction still counts forward from midnight.
    return days < 0 ? days - frac : days + frac;
}

QDateTime DateTimeToQDateTime(TDateTime v)
{
    // Far beyond any calendar date: refuse rather than compute garbage.
    if (!(std::fabs(v) < 1e9))
        InvalidCast();
    const double whole = std::trunc(v);
    const double frac = std::fabs(v - whole);
    qint64 ms = qint64(std::llround(frac * 86400000.0));
    QDate d = QDate::fromJulianDay(qint64(whole) + DaysFrom1899ToEpochJulian);
    if (ms >= 86400000) {
        ms -= 86400000;
        d = d.addDays(1);
    }
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

} // namespace

Variant Variant::FromQVariant(const QVariant &v)
{
    if (!v.isValid())
        return Variant();
    const int id = v.typeId();
    if (id == QMetaType::Nullptr || v.isNull())
        return Null();
    switch (id) {
    case QMetaType::Bool: return Variant(v.toBool());
    case QMetaType::Int: return Variant(v.toInt());
    case QMetaType::UInt: return Variant(v.toUInt());
    case QMetaType::Short: return A::Make(varSmallint, v.value<short>());
    case QMetaType::UShort: return A::Make(varWord, v.value<ushort>());
    case QMetaType::SChar: return A::Make(varShortInt, v.value<signed char>());
    case QMetaType::UChar: return A::Make(varByte, v.value<uchar>());
    case QMetaType::Long: case QMetaType::LongLong: return Variant(qint64(v.toLongLong()));
    case QMetaType::ULong: case QMetaType::ULongLong: {
        const qulonglong u = v.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
            return Variant(double(u));
        return Variant(qint64(u));
    }
    case QMetaType::Float: return Variant(v.toFloat());
    case QMetaType::Double: return Variant(v.toDouble());
    case QMetaType::QString: return Variant(v.toString());
    case QMetaType::QChar: return Variant(v.toChar());
    // An invalid date or time is what a database gives for a missing one.
    case QMetaType::QDate: {
        const QDate d = v.toDate();
        return d.isValid() ? FromDate(QDateToDateTime(d, QTime())) : Null();
    }
    case QMetaType::QTime: {
        const QTime t = v.toTime();
        return t.isValid() ? FromDate(t.msecsSinceStartOfDay() / 86400000.0) : Null();
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.isValid() ? FromDate(QDateToDateTime(dt.date(), dt.time())) : Null();
    }
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        Variant r = VarArrayCreate({0, int(b.size()) - 1}, varByte);
        TVarArrayData *a = A::ArrW(r);
        for (qsizetype i = 0; i < b.size(); ++i)
            a->Items[size_t(i)] = A::Make(varByte, uchar(b[i]));
        return r;
    }
    case QMetaType::QVariantList: {
        const QVariantList list = v.toList();
        QList<Variant> items;
        items.reserve(list.size());
        for (const QVariant &x : list)
            items.append(FromQVariant(x));
        return VarArrayOf(items);
    }
    default:
        if (v.canConvert<QString>())
            return Variant(v.toString());
        InvalidCast();
    }
}

QVariant Variant::ToQVariant() const
{
    if (IsArr(*this)) {
        const TVarArrayData &a = *FArray;
        if (a.DimCount != 1)
            InvalidCast();
        if (a.ElemType == varByte) {
            QByteArray b;
            b.reserve(qsizetype(a.Items.size()));
            for (const Variant &x : a.Items)
                b.append(char(uchar(A::I(x))));
            return b;
        }
        QVariantList list;
        list.reserve(qsizetype(a.Items.size()));
        for (const Variant &x : a.Items)
            list.append(x.ToQVariant());
        return list;
    }
    switch (FType) {
    case varEmpty: return QVariant();
    case varNull: return QVariant::fromValue(nullptr);
    case varSmallint: return QVariant::fromValue(short(FValue.I));
    case varInteger: return QVariant(int(FValue.I));
    case varShortInt: return QVariant::fromValue(static_cast<signed char>(FValue.I));
    case varByte: return QVariant::fromValue(uchar(FValue.I));
    case varWord: return QVariant::fromValue(ushort(FValue.I));
    case varLongWord: return QVariant(uint(FValue.I));
    case varInt64: return QVariant(qlonglong(FValue.I));
    case varSingle: return QVariant(float(FValue.D));
    case varDouble: return QVariant(FValue.D);
    case varCurrency: return QVariant(double(FValue.I) / double(CurrencyScale));
    case varDate: return QVariant(DateTimeToQDateTime(FValue.D));
    case varBoolean: return QVariant(FValue.I != 0);
    case varString: case varOleStr: return QVariant(FStr);
    default: // object references have no meaning outside the process
        InvalidCast();
    }
}
