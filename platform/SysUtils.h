// The run-time library: strings, numbers, formatting, dates and file names,
// with the class library's names and rules, written over QString.
// Numbers are never formatted through printf or the C locale: the program's
// fixed FormatSettings decide separators and names.
#pragma once
#include "Exceptions.h"
#include <QByteArray>
#include <QChar>
#include <QString>
#include <initializer_list>
#include <vector>
#include <cstddef>
#include <type_traits>

class TObject;
class Variant;

// ---------------------------------------------------------------- settings

struct TFormatSettings
{
    // CurrencyFormat: 0 '$1', 1 '1$', 2 '$ 1', 3 '1 $'.
    int CurrencyFormat = 0;
    // NegCurrFormat 0..15: '($1)' '-$1' '$-1' '$1-' '(1$)' '-1$' '1-$' '1$-'
    // '-1 $' '-$ 1' '1 $-' '$ 1-' '$ -1' '1- $' '($ 1)' '(1 $)'.
    int NegCurrFormat = 0;
    QChar ThousandSeparator = QLatin1Char(',');
    QChar DecimalSeparator = QLatin1Char('.');
    int CurrencyDecimals = 2;
    QChar DateSeparator = QLatin1Char('-');
    QChar TimeSeparator = QLatin1Char(':');
    QChar ListSeparator = QLatin1Char(',');
    QString CurrencyString = QStringLiteral("$");
    QString ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    QString LongDateFormat = QStringLiteral("dddd, mmmm d, yyyy");
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QString ShortMonthNames[12] = {
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    QString LongMonthNames[12] = {
        QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
        QStringLiteral("April"), QStringLiteral("May"), QStringLiteral("June"),
        QStringLiteral("July"), QStringLiteral("August"), QStringLiteral("September"),
        QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};
    // Day names start with Sunday, as DayOfWeek counts.
    QString ShortDayNames[7] = {
        QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
        QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat")};
    QString LongDayNames[7] = {
        QStringLiteral("Sunday"), QStringLiteral("Monday"), QStringLiteral("Tuesday"),
        QStringLiteral("Wednesday"), QStringLiteral("Thursday"), QStringLiteral("Friday"),
        QStringLiteral("Saturday")};
    // Two-digit years read by StrToDate fall within this many years before today.
    int TwoDigitYearCenturyWindow = 50;
};

// The program's one set of settings, never taken from the OS locale.
// Tests may change it and must restore it.
extern TFormatSettings FormatSettings;

// ---------------------------------------------------------------- strings

QString Copy(const QString &S, int Index, int Count);
int Pos(const QString &Substr, const QString &S);
int PosEx(const QString &Substr, const QString &S, int Offset = 1);
void Insert(const QString &Source, QString &S, int Index);
void Delete(QString &S, int Index, int Count);
QString Trim(const QString &S);
QString TrimLeft(const QString &S);
QString TrimRight(const QString &S);
QString UpperCase(const QString &S);
QString LowerCase(const QString &S);
QString AnsiUpperCase(const QString &S);
QString AnsiLowerCase(const QString &S);
int CompareStr(const QString &S1, const QString &S2);
int CompareText(const QString &S1, const QString &S2);
bool SameText(const QString &S1, const QString &S2);
int AnsiCompareText(const QString &S1, const QString &S2);
bool AnsiSameText(const QString &S1, const QString &S2);
QString QuotedStr(const QString &S);
QString AnsiQuotedStr(const QString &S, QChar Quote);
QString AnsiDequotedStr(const QString &S, QChar Quote);

enum TReplaceFlag : unsigned { rfReplaceAll = 0x1, rfIgnoreCase = 0x2 };
using TReplaceFlags = unsigned;
QString StringReplace(const QString &S, const QString &OldPattern, const QString &NewPattern,
                      TReplaceFlags Flags);
QString StringOfChar(QChar Ch, int Count);
// Two upper-case hexadecimal digits per byte.
QString BinToHex(const QByteArray &Buffer);
// Reads pairs of hexadecimal digits (either case) up to the first pair that is
// not one; an odd last digit is ignored.
QByteArray HexToBin(const QString &Text);
bool IsValidIdent(const QString &Ident, bool AllowDots = false);
// Applies an edit mask ("mask;save;blank") to Value and returns the text
// with the mask's literals in place. Mask characters L l A a C c 0 9 # take
// one character of Value each (a space once Value runs out); '\\' makes the
// next character a literal, ':' and '/' are the time and date separators,
// '_' is a space, and the directives '!', '>', '<' take no place. When the
// second field is '0' the literals are inserted between Value's characters;
// otherwise Value is taken to hold them already, and a literal missing at its
// place is put in. With '!' the characters are aligned to the right end and
// the missing ones are blank at the start.
QString FormatMaskText(const QString &EditMask, const QString &Value);

// ---------------------------------------------------------------- integers

QString IntToStr(qint64 Value);
// Upper-case hexadecimal, at least Digits digits; negative values in the
// two's complement of their own width (32 bits for int, 64 for qint64).
QString IntToHex64(quint64 Bits, int Digits);
template <typename T>
    requires std::is_integral_v<T>
QString IntToHex(T Value, int Digits)
{
    if constexpr (sizeof(T) <= 4)
        return IntToHex64(static_cast<quint32>(Value), Digits);
    else
        return IntToHex64(static_cast<quint64>(Value), Digits);
}
// Leading blanks, a sign and the hexadecimal prefixes '$', 'x' and '0x' are
// accepted; anything after the digits is an error.
int StrToInt(const QString &S);
int StrToIntDef(const QString &S, int Default);
bool TryStrToInt(const QString &S, int &Value);
qint64 StrToInt64(const QString &S);
qint64 StrToInt64Def(const QString &S, qint64 Default);
bool TryStrToInt64(const QString &S, qint64 &Value);
bool TryStrToInt64(QStringView S, qint64 &Value);
QString BoolToStr(bool B, bool UseBoolStrs = false);
bool StrToBool(const QString &S);
bool TryStrToBool(const QString &S, bool &Value);

// ---------------------------------------------------------------- floats

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

double StrToFloat(const QString &S);
double StrToFloatDef(const QString &S, double Default);
bool TryStrToFloat(const QString &S, double &Value);
// General format, 15 significant digits: '0.3', '1E20', '1E-5'.
QString FloatToStr(double Value);
QString FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits);
// Picture format: '#' '0' '.' ',' 'E+' 'E-', up to three sections
// 'positive;negative;zero', literals in single or double quotes.
QString FormatFloat(const QString &Format, double Value);
// Currency values keep at most four decimals.
QString CurrToStr(double Value);
QString FormatCurr(const QString &Format, double Value);

// ---------------------------------------------------------------- numbers

// Halves go to the even neighbour: Round(2.5) = 2, Round(3.5) = 4.
// A result outside the target range raises instead of wrapping.
int Round(double X);
qint64 Round64(double X);
int Trunc(double X);
qint64 Trunc64(double X);
double Int(double X);
double Frac(double X);
// A * B / C with a 64-bit intermediate, halves away from zero; -1 when C is 0
// or the result does not fit.
int MulDiv(int A, int B, int C);

// ---------------------------------------------------------------- Format

enum TVarRecType : unsigned char {
    vtInteger = 0, vtBoolean = 1, vtChar = 2, vtExtended = 3, vtString = 4, vtPointer = 5,
    vtPChar = 6, vtObject = 7, vtClass = 8, vtWideChar = 9, vtPWideChar = 10,
    vtAnsiString = 11, vtCurrency = 12, vtVariant = 13, vtInterface = 14,
    vtWideString = 15, vtInt64 = 16, vtUnicodeString = 17
};

// One element of an "array of const" argument list.
struct TVarRec
{
    using enum TVarRecType;

    TVarRec(int V) : VType(vtInteger) { VInteger = V; }
    TVarRec(unsigned V) : VType(vtInt64) { VInt64 = V; }
    TVarRec(long V) : VType(vtInt64) { VInt64 = V; }
    TVarRec(unsigned long V) : VType(vtInt64) { VInt64 = static_cast<qint64>(V); }
    TVarRec(long long V) : VType(vtInt64) { VInt64 = V; }
    TVarRec(unsigned long long V) : VType(vtInt64) { VInt64 = static_cast<qint64>(V); }
    TVarRec(double V) : VType(vtExtended) { VExtended = V; }
    TVarRec(bool V) : VType(vtBoolean) { VBoolean = V; }
    TVarRec(char V) : VType(vtChar), VString(QChar::fromLatin1(V)) {}
    TVarRec(QChar V) : VType(vtWideChar), VString(V) {}
    TVarRec(const QString &V) : VType(vtUnicodeString), VString(V) {}
    TVarRec(const char *V) : VType(vtAnsiString), VString(QString::fromUtf8(V)) {}
    TVarRec(const void *V) : VType(vtPointer) { VPointer = V; }
    TVarRec(std::nullptr_t) : VType(vtPointer) { VPointer = nullptr; }
    TVarRec(const TObject *V) : VType(vtObject) { VObject = V; }
    // A Currency value (the class library's fixed four-decimal type).
    static TVarRec Currency(double V)
    {
        TVarRec R(V);
        R.VType = vtCurrency;
        return R;
    }
    // A Variant argument; VPointer refers to it, so it must outlive the call.
    static TVarRec FromVariant(const Variant *V)
    {
        TVarRec R(static_cast<const void *>(V));
        R.VType = vtVariant;
        return R;
    }

    TVarRecType VType;
    union {
        int VInteger;
        qint64 VInt64;
        double VExtended; // also vtCurrency
        bool VBoolean;
        const void *VPointer;
        const TObject *VObject;
    };
    QString VString; // strings and characters
};

// The class library's Format: '%' [index ':'] ['-'] [width] ['.' precision] type,
// '*' takes width or precision from the arguments, types d u e f g n m p s x
// in either case, '%%' is a percent sign. A Variant argument serves '%s' with
// its text (Unassigned gives ''). A wrong or missing argument raises
// EConvertError "Format '<Fmt>' invalid or incompatible with argument".
QString Format(const QString &Fmt, std::initializer_list<TVarRec> Args);
QString Format(const QString &Fmt, const std::vector<TVarRec> &Args);

// ---------------------------------------------------------------- dates

// Days since 1899-12-30; the fraction is the time of day. A negative value
// counts its whole days backwards and its fraction, taken absolute, is still
// the time of day: -1.25 is 1899-12-29 06:00.
using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;
// Days per month, by [IsLeapYear][Month] with Month 1..12 (index 0 unused).
extern const int MonthDays[2][13];

bool IsLeapYear(int Year);
// 0 for a month outside 1..12.
int DaysInAMonth(int Year, int Month);
int DaysInMonth(int Year, int Month);
TDateTime EncodeDate(int Year, int Month, int Day);
bool TryEncodeDate(int Year, int Month, int Day, TDateTime &Date);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime &Time);
// Dates outside 0001-01-01..9999-12-31 decode to zeros.
void DecodeDate(TDateTime Date, int &Year, int &Month, int &Day);
void DecodeDate(TDateTime Date, quint16 &Year, quint16 &Month, quint16 &Day);
void DecodeTime(TDateTime Time, int &Hour, int &Min, int &Sec, int &MSec);
void DecodeTime(TDateTime Time, quint16 &Hour, quint16 &Min, quint16 &Sec, quint16 &MSec);
TDateTime Date();
TDateTime Time();
TDateTime Now();
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime Date);
TDateTime DateOf(TDateTime Value);
TDateTime TimeOf(TDateTime Value);
TDateTime IncDay(TDateTime Value, int NumberOfDays = 1);

QString FormatDateTime(const QString &Format, TDateTime DateTime);
QString DateToStr(TDateTime Date);
QString TimeToStr(TDateTime Time);
QString DateTimeToStr(TDateTime DateTime);
// Read with the order of ShortDateFormat and the DateSeparator; the time
// with the TimeSeparator and an optional AM/PM marker.
TDateTime StrToDate(const QString &S);
TDateTime StrToTime(const QString &S);
TDateTime StrToDateTime(const QString &S);
bool TryStrToDate(const QString &S, TDateTime &Value);
bool TryStrToTime(const QString &S, TDateTime &Value);
bool TryStrToDateTime(const QString &S, TDateTime &Value);

// ---------------------------------------------------------------- files

// '/' is the one path delimiter.
QString ExtractFilePath(const QString &FileName);
QString ExtractFileDir(const QString &FileName);
QString ExtractFileName(const QString &FileName);
QString ExtractFileExt(const QString &FileName);
QString ChangeFileExt(const QString &FileName, const QString &Extension);
QString IncludeTrailingPathDelimiter(const QString &S);
QString ExcludeTrailingPathDelimiter(const QString &S);
bool FileExists(const QString &FileName);
bool DirectoryExists(const QString &Directory);
bool DeleteFile(const QString &FileName);
QString ExpandFileName(const QString &FileName);
QString SysErrorMessage(int ErrorCode);
