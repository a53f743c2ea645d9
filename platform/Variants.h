// The class library's Variant: a tagged value with the library's type codes,
// conversion, arithmetic and comparison rules. The script engine evaluates
// every expression on these; the report layer and the database layer pass
// field and variable values as Variants.
//
// Rules worth knowing (the tests pin each of them):
// - Null propagates through arithmetic, logic and negation (Null + 1 is Null).
//   "=" is True only when both sides are Null; "<>" is its negation; the four
//   ordering comparisons are False whenever a side is Null.
// - Empty (Unassigned) acts as 0 in arithmetic, as '' next to a string in "+",
//   as False next to a Boolean in and/or/xor; Empty = Empty is True.
// - string + string concatenates; any other pairing of a string with a number
//   converts the string to a number (raising EVariantError when it cannot).
// - Integer arithmetic that leaves 32 bits gives Int64, and Int64 arithmetic
//   that leaves 64 bits gives Double; nothing wraps silently.
// - "/" always gives a Double; a zero divisor raises EZeroDivide, div and mod
//   by zero raise EDivByZero; results are never infinite or NaN.
// - An object reference is its own kind (varObject), never an integer: it
//   converts to nothing else, compares only for (in)equality, and equals the
//   integer 0 or Empty only when it is nil. It keeps the serial of the object
//   it was made from, so a user can tell whether that object still lives
//   (ObjectIsLive) without touching it.
#pragma once
#include "Object.h"
#include <QList>
#include <QString>
#include <QVariant>
#include <initializer_list>
#include <memory>
#include <type_traits>

using TVarType = quint16;
using TDateTime = double;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varStrArg = 0x0048;
constexpr TVarType varString = 0x0100;
constexpr TVarType varAny = 0x0101;
// Object reference (a TObject pointer); sits in the range the library leaves
// to user-defined variant types, so it collides with none of the codes above.
constexpr TVarType varObject = 0x0110;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// Operator codes of the generic entry points VarOp and VarCompare.
enum TVarOp {
    opAdd, opSubtract, opMultiply, opDivide, opIntDivide, opModulus,
    opShiftLeft, opShiftRight, opAnd, opOr, opXor,
    opCmpEQ, opCmpNE, opCmpLT, opCmpLE, opCmpGT, opCmpGE
};

struct TVarArrayData;

class Variant
{
public:
    Variant() noexcept : FType(varEmpty) { FValue.I = 0; }
    Variant(bool v) : FType(varBoolean) { FValue.I = v ? 1 : 0; }
    Variant(int v) : FType(varInteger) { FValue.I = v; }
    Variant(unsigned int v) : FType(varLongWord) { FValue.I = v; }
    Variant(long v) : FType(varInt64) { FValue.I = v; }
    Variant(long long v) : FType(varInt64) { FValue.I = v; }
    Variant(float v) : FType(varSingle) { FValue.D = v; }
    Variant(double v) : FType(varDouble) { FValue.D = v; }
    Variant(const QString &v) : FType(varString), FStr(v) { FValue.I = 0; }
    Variant(QString &&v) : FType(varString), FStr(std::move(v)) { FValue.I = 0; }
    Variant(const char *v) : FType(varString), FStr(QString::fromUtf8(v)) { FValue.I = 0; }
    Variant(QChar v) : FType(varString), FStr(v) { FValue.I = 0; }
    // v must be alive (its serial is read); a pointer kept since it was
    // alive comes with the serial it had then.
    Variant(TObject *v) : FType(varObject), FSerial(v ? v->Serial() : 0) { FValue.O = v; }
    Variant(TObject *v, quint64 Serial) : FType(varObject), FSerial(v ? Serial : 0) { FValue.O = v; }
    template <class T>
        requires std::is_base_of_v<TObject, T>
    Variant(T *v) : Variant(static_cast<TObject *>(v)) {}
    // No silent pointer-to-Boolean or char-to-Integer conversions.
    template <class T>
        requires(!std::is_base_of_v<TObject, T>)
    Variant(T *) = delete;
    Variant(std::nullptr_t) = delete;
    Variant(char) = delete;

    // A scalar copies its tag and value alone; text and arrays out of line.
    [[gnu::always_inline]] Variant(const Variant &Other)
        : FType(Other.FType), FSerial(Other.FSerial), FValue(Other.FValue)
    {
        if (!Other.IsScalar())
            CopyPayload(Other);
    }
    Variant(Variant &&) noexcept = default;
    // Scalars over scalars copy the tag and the value alone: the script
    // engine assigns numbers all the time.
    Variant &operator=(const Variant &Other)
    {
        if (!IsScalar() || !Other.IsScalar()) {
            FStr = Other.FStr;
            FArray = Other.FArray;
        }
        FType = Other.FType;
        FSerial = Other.FSerial;
        FValue = Other.FValue;
        return *this;
    }
    Variant &operator=(Variant &&Other) noexcept
    {
        if (!IsScalar() || !Other.IsScalar()) {
            FStr = std::move(Other.FStr);
            FArray = std::move(Other.FArray);
        }
        FType = Other.FType;
        FSerial = Other.FSerial;
        FValue = Other.FValue;
        return *this;
    }
    ~Variant() = default;
    // Assigns an Integer; only the tag and the value change when no text or
    // array is attached.
    void SetInteger(int v)
    {
        if (IsScalar()) {
            FType = varInteger;
            FValue.I = v;
        } else {
            Replace(Variant(v));
        }
    }

    // The same for an Int64.
    void SetInt64(qint64 v)
    {
        if (IsScalar()) {
            FType = varInt64;
            FValue.I = v;
        } else {
            Replace(Variant(v));
        }
    }

    // Makes the value Empty; only the tag changes when no text or array is
    // attached.
    void Clear()
    {
        if (IsScalar()) {
            FType = varEmpty;
            FValue.I = 0;
        } else {
            Replace(Variant());
        }
    }

    static Variant FromDate(TDateTime v);
    static Variant FromCurrency(double v); // rounded to 4 decimals
    static Variant FromOleStr(const QString &v);
    static Variant FromQVariant(const QVariant &v);

    TVarType VType() const { return FType; }

    // Conversions with the library's rules; raise EVariantError when impossible
    // (Null converts to nothing but itself: use VarToStr for Null -> '').
    int AsInteger() const { return FType == varInteger ? int(FValue.I) : ToInteger(); }
    qint64 AsInt64() const { return FType == varInteger || FType == varInt64 ? FValue.I : ToInt64(); }
    double AsDouble() const;
    bool AsBoolean() const { return FType == varBoolean ? FValue.I != 0 : ToBoolean(); }
    QString AsString() const;
    TDateTime AsDateTime() const;
    // nil for Empty, Null and the integer 0 (the scripts' nil); raises for
    // any other non-object value.
    TObject *AsObject() const;
    // The serial of the object an object reference was made from; 0 for any
    // other value.
    quint64 ObjectSerial() const { return FType == varObject ? FSerial : 0; }
    // Empty -> invalid QVariant, Null -> a null QVariant, byte arrays ->
    // QByteArray, other one-dimensional arrays -> QVariantList.
    QVariant ToQVariant() const;

    // Neither text nor array elements attached: copies are plain.
    bool IsScalar() const { return FStr.isNull() && !FArray; }

private:
    friend struct TVarAccess;
    // The assignment out of line, so the scalar paths above stay small.
    void Replace(Variant &&Value);
    void CopyPayload(const Variant &Other);
    int ToInteger() const;
    qint64 ToInt64() const;
    bool ToBoolean() const;
    TVarType FType;
    quint64 FSerial = 0; // varObject: the object's serial
    union {
        qint64 I;   // integers, Boolean (0/1), Currency (value * 10000)
        double D;   // Single, Double, Date
        TObject *O; // varObject
    } FValue;
    QString FStr;
    std::shared_ptr<TVarArrayData> FArray; // shared until written (copy on write)
};

Variant Null();
Variant Unassigned();

TVarType VarType(const Variant &V);
QString VarTypeAsText(TVarType VarType);
bool VarIsEmpty(const Variant &V);
bool VarIsNull(const Variant &V);
bool VarIsArray(const Variant &V);
// Ordinal (including Boolean, as the library counts it) or floating; not Date.
bool VarIsNumeric(const Variant &V);
bool VarIsStr(const Variant &V);
bool VarIsObject(const Variant &V);

QString VarToStr(const Variant &V);
QString VarToStrDef(const Variant &V, const QString &Default);
TDateTime VarToDateTime(const Variant &V);
Variant VarAsType(const Variant &V, TVarType VarType);

// Arrays: Bounds holds a (low, high) pair per dimension, 1 to 3 dimensions;
// an empty dimension (high = low - 1) is allowed. Dimensions count from 1.
Variant VarArrayCreate(const QList<int> &Bounds, TVarType VarType);
Variant VarArrayOf(const QList<Variant> &Values);
int VarArrayDimCount(const Variant &A);
int VarArrayLowBound(const Variant &A, int Dim);
int VarArrayHighBound(const Variant &A, int Dim);
// Changes the high bound of the last dimension, keeping the elements that stay.
void VarArrayRedim(Variant &A, int HighBound);
Variant VarArrayGet(const Variant &A, std::initializer_list<int> Indices);
Variant VarArrayGet(const Variant &A, const QList<int> &Indices);
Variant VarArrayGet(const Variant &A, const int *Indices, int Count);
// The element itself, valid until A changes; raises as VarArrayGet does.
const Variant &VarArrayItem(const Variant &A, const int *Indices, int Count);
// The same without raising: nil when A is no array of Count dimensions or an
// index is out of range.
const Variant *VarArrayItemPtr(const Variant &A, const int *Indices, int Count);
// Typed arrays convert Value to their element type. The elements are copied
// first only when another Variant shares them.
void VarArrayPut(Variant &A, const Variant &Value, std::initializer_list<int> Indices);
void VarArrayPut(Variant &A, const Variant &Value, const QList<int> &Indices);
void VarArrayPut(Variant &A, const Variant &Value, const int *Indices, int Count);

// The text of a string Variant (String or OleStr) as it is stored; nil for
// any other kind.
const QString *VarStrData(const Variant &V);
// Appends Tail to the string Variant V in place (amortised: the text grows
// without being copied when V alone holds it); False, and V unchanged, when
// V is no string.
bool VarStrAppend(Variant &V, const QString &Tail);

Variant VarAdd(const Variant &L, const Variant &R);
Variant VarSub(const Variant &L, const Variant &R);
Variant VarMul(const Variant &L, const Variant &R);
Variant VarDiv(const Variant &L, const Variant &R); // "/", always Double
Variant VarIntDiv(const Variant &L, const Variant &R); // "div"
Variant VarMod(const Variant &L, const Variant &R);
Variant VarAnd(const Variant &L, const Variant &R);
Variant VarOr(const Variant &L, const Variant &R);
Variant VarXor(const Variant &L, const Variant &R);
Variant VarShl(const Variant &L, const Variant &R);
Variant VarShr(const Variant &L, const Variant &R);
Variant VarNeg(const Variant &V);
Variant VarNot(const Variant &V);
// Arithmetic and logic by code (opAdd .. opXor); a comparison code gives a
// Boolean Variant.
Variant VarOp(const Variant &L, const Variant &R, TVarOp Op);

// One of the six comparisons (opCmpEQ .. opCmpGE) with the Null rules above.
bool VarCompare(const Variant &L, const Variant &R, TVarOp Op);
// vrNotEqual when the values have no order (Null against a value, objects).
TVariantRelationship VarCompareValue(const Variant &L, const Variant &R);

inline Variant operator+(const Variant &L, const Variant &R) { return VarAdd(L, R); }
inline Variant operator-(const Variant &L, const Variant &R) { return VarSub(L, R); }
inline Variant operator*(const Variant &L, const Variant &R) { return VarMul(L, R); }
inline Variant operator/(const Variant &L, const Variant &R) { return VarDiv(L, R); }
inline Variant operator%(const Variant &L, const Variant &R) { return VarMod(L, R); }
inline Variant operator-(const Variant &V) { return VarNeg(V); }
