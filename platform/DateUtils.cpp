// Dates and times of the run-time library: TDateTime arithmetic, FormatDateTime
// and the readers of date and time text.
#include "SysUtils.h"

#include <QDateTime>
#include <cmath>

namespace {

// Day number of 1899-12-30 counted from 0001-01-01 as day 1.
constexpr int DateDelta = 693594;
constexpr int MaxDayNumber = 3652059; // 9999-12-31
constexpr qint64 MSecsPerDayInt = 86400000;

// A date-time split into the day number (0001-01-01 = 1) and the
// milliseconds of the day; a time that rounds to midnight moves to the next day.
struct TTimeStamp
{
    qint64 Date = 0;
    int Time = 0;
};

bool ToTimeStamp(TDateTime DateTime, TTimeStamp &T)
{
    if (!std::isfinite(DateTime) || DateTime <= -double(DateDelta + 1) ||
        DateTime >= double(MaxDayNumber - DateDelta + 2))
        return false;
    const double whole = std::trunc(DateTime);
    qint64 ms = std::llround(std::fabs(DateTime - whole) * MSecsPerDay);
    T.Date = qint64(whole) + DateDelta;
    if (ms >= MSecsPerDayInt) {
        ms -= MSecsPerDayInt;
        ++T.Date;
    }
    T.Time = int(ms);
    return true;
}

void DecodeDayNumber(qint64 Days, int &Year, int &Month, int &Day)
{
    Year = Month = Day = 0;
    if (Days <= 0 || Days > MaxDayNumber)
        return;
    constexpr int D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;
    int T = int(Days - 1);
    int Y = 1;
    while (T >= D400) {
        T -= D400;
        Y += 400;
    }
    int I = T / D100, D = T % D100;
    if (I == 4) {
        --I;
        D += D100;
    }
    Y += I * 100;
    I = D / D4;
    D %= D4;
    Y += I * 4;
    I = D / D1;
    D %= D1;
    if (I == 4) {
        --I;
        D += D1;
    }
    Y += I;
    const int leap = IsLeapYear(Y) ? 1 : 0;
    int M = 1;
    while (D >= MonthDays[leap][M]) {
        D -= MonthDays[leap][M];
        ++M;
    }
    Year = Y;
    Month = M;
    Day = D + 1;
}

struct TDecoded
{
    int Year = 0, Month = 0, Day = 0, DOW = 0;
    int Hour = 0, Min = 0, Sec = 0, MSec = 0;
};

TDecoded DecodeAll(TDateTime DateTime)
{
    TDecoded R;
    TTimeStamp T;
    if (!ToTimeStamp(DateTime, T))
        return R;
    DecodeDayNumber(T.Date, R.Year, R.Month, R.Day);
    R.DOW = int(((T.Date % 7) + 7) % 7) + 1;
    R.Hour = T.Time / 3600000;
    R.Min = T.Time / 60000 % 60;
    R.Sec = T.Time / 1000 % 60;
    R.MSec = T.Time % 1000;
    return R;
}

void AppendNumber(QString &S, int V, int MinDigits)
{
    QString n = QString::number(V);
    if (n.size() < MinDigits)
        S += QString(MinDigits - n.size(), QLatin1Char('0'));
    S += n;
}

char16_t Upper(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 'a' && u <= 'z' ? char16_t(u - 32) : u;
}

bool MatchAt(QStringView F, qsizetype i, QLatin1StringView What)
{
    return F.mid(i).startsWith(What, Qt::CaseInsensitive);
}

// Is the first 'a' after an hour specifier, before the next one and outside
// quotes, an AM/PM marker? As the class library decides it, another 'a'
// (a literal letter) ends the search too.
bool Use12HourClock(QStringView F, qsizetype i)
{
    for (; i < F.size(); ++i) {
        const char16_t u = Upper(F[i]);
        if (u == '"' || u == '\'') {
            const QChar q = F[i++];
            while (i < F.size() && F[i] != q)
                ++i;
        } else if (u == 'A') {
            return MatchAt(F, i, QLatin1StringView("am/pm")) || MatchAt(F, i, QLatin1StringView("a/p")) ||
                   MatchAt(F, i, QLatin1StringView("ampm"));
        } else if (u == 'H') {
            return false;
        }
    }
    return false;
}

void AppendDateTime(QString &Out, QStringView F, const TDecoded &V, int Level, const TFormatSettings &FS)
{
    if (Level >= 2)
        return; // a format that names itself stops here
    char16_t lastToken = 0;
    const qsizetype n = F.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar starter = F[i];
        char16_t token = Upper(starter);
        const bool letter = token >= 'A' && token <= 'Z';
        if (letter) {
            if (token == 'M' && lastToken == 'H')
                token = 'N';
            lastToken = token;
        }
        qsizetype count = 1;
        auto getCount = [&]() {
            while (i + count < n && F[i + count] == starter)
                ++count;
        };
        switch (token) {
        case 'Y':
            getCount();
            if (count <= 2)
                AppendNumber(Out, V.Year % 100, 2);
            else
                AppendNumber(Out, V.Year, 4);
            break;
        case 'E':
            getCount();
            AppendNumber(Out, V.Year, count >= 2 ? 2 : 0);
            break;
        case 'M':
            getCount();
            if (count <= 2)
                AppendNumber(Out, V.Month, int(count));
            else if (V.Month >= 1 && V.Month <= 12)
                Out += count == 3 ? FS.ShortMonthNames[V.Month - 1] : FS.LongMonthNames[V.Month - 1];
            break;
        case 'D':
            getCount();
            if (count <= 2)
                AppendNumber(Out, V.Day, int(count));
            else if (count <= 4) {
                if (V.DOW >= 1)
                    Out += count == 3 ? FS.ShortDayNames[V.DOW - 1] : FS.LongDayNames[V.DOW - 1];
            } else if (count == 5)
                AppendDateTime(Out, FS.ShortDateFormat, V, Level + 1, FS);
            else
                AppendDateTime(Out, FS.LongDateFormat, V, Level + 1, FS);
            break;
        case 'H': {
            getCount();
            int h = V.Hour;
            if (Use12HourClock(F, i + count)) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            AppendNumber(Out, h, count >= 2 ? 2 : 0);
            break;
        }
        case 'N':
            getCount();
            AppendNumber(Out, V.Min, count >= 2 ? 2 : 0);
            break;
        case 'S':
            getCount();
            AppendNumber(Out, V.Sec, count >= 2 ? 2 : 0);
            break;
        case 'Z':
            getCount();
            AppendNumber(Out, V.MSec, count >= 3 ? 3 : 0);
            break;
        case 'T':
            getCount();
            AppendDateTime(Out, count == 1 ? FS.ShortTimeFormat : FS.LongTimeFormat, V, Level + 1, FS);
            break;
        case 'C':
            getCount();
            AppendDateTime(Out, FS.ShortDateFormat, V, Level + 1, FS);
            if (V.Hour || V.Min || V.Sec || V.MSec) {
                Out += QLatin1Char(' ');
                AppendDateTime(Out, FS.LongTimeFormat, V, Level + 1, FS);
            }
            break;
        case 'A':
            if (MatchAt(F, i, QLatin1StringView("am/pm"))) {
                Out += F.mid(V.Hour >= 12 ? i + 3 : i, 2);
                count = 5;
            } else if (MatchAt(F, i, QLatin1StringView("a/p"))) {
                Out += F[V.Hour >= 12 ? i + 2 : i];
                count = 3;
            } else if (MatchAt(F, i, QLatin1StringView("ampm"))) {
                Out += V.Hour >= 12 ? FS.TimePMString : FS.TimeAMString;
                count = 4;
            } else {
                Out += starter;
            }
            break;
        case '/':
            Out += FS.DateSeparator;
            break;
        case ':':
            Out += FS.TimeSeparator;
            break;
        case '"':
        case '\'': {
            qsizetype j = i + 1;
            while (j < n && F[j] != starter)
                Out += F[j++];
            count = j - i + (j < n ? 1 : 0);
            break;
        }
        default:
            Out += starter;
            break;
        }
        i += count;
    }
}

// ---------------------------------------------------------------- reading

struct TScanner
{
    const QString &S;
    qsizetype Pos = 0;
    const TFormatSettings &FS;

    bool AtEnd() const { return Pos >= S.size(); }
    void Blanks()
    {
        while (Pos < S.size() && S[Pos] == QLatin1Char(' '))
            ++Pos;
    }
    bool Number(int &N, int &Digits)
    {
        Blanks();
        qsizetype i = Pos;
        int v = 0;
        while (i < S.size() && S[i].unicode() >= '0' && S[i].unicode() <= '9' && v < 1000) {
            v = v * 10 + (S[i].unicode() - '0');
            ++i;
        }
        if (i == Pos)
            return false;
        Digits = int(i - Pos);
        Pos = i;
        N = v;
        return true;
    }
    bool Char(QChar C)
    {
        Blanks();
        if (Pos < S.size() && S[Pos] == C) {
            ++Pos;
            return true;
        }
        return false;
    }
    bool Text(const QString &T)
    {
        Blanks();
        if (!T.isEmpty() && QStringView(S).mid(Pos).startsWith(T, Qt::CaseInsensitive)) {
            Pos += T.size();
            return true;
        }
        return false;
    }
};

enum TDateOrder { doMDY, doDMY, doYMD };

TDateOrder GetDateOrder(const QString &Format)
{
    for (QChar c : Format) {
        switch (Upper(c)) {
        case 'E':
        case 'Y':
            return doYMD;
        case 'M':
            return doMDY;
        case 'D':
            return doDMY;
        default:
            break;
        }
    }
    return doMDY;
}

int CurrentYear()
{
    return QDate::currentDate().year();
}

bool ScanDate(TScanner &Sc, TDateTime &Date)
{
    const TDateOrder order = GetDateOrder(Sc.FS.ShortDateFormat);
    int n1, n2, n3, l1, l2, l3 = 0;
    if (!(Sc.Number(n1, l1) && Sc.Char(Sc.FS.DateSeparator) && Sc.Number(n2, l2)))
        return false;
    int y, m, d, yearDigits = 4;
    if (Sc.Char(Sc.FS.DateSeparator)) {
        if (!Sc.Number(n3, l3))
            return false;
        switch (order) {
        case doMDY: y = n3; yearDigits = l3; m = n1; d = n2; break;
        case doDMY: y = n3; yearDigits = l3; m = n2; d = n1; break;
        default: y = n1; yearDigits = l1; m = n2; d = n3; break;
        }
        if (yearDigits <= 2) {
            const int window = Sc.FS.TwoDigitYearCenturyWindow;
            const int base = CurrentYear() - window;
            y += base / 100 * 100;
            if (window > 0 && y < base)
                y += 100;
        }
    } else {
        y = CurrentYear();
        if (order == doDMY) {
            d = n1;
            m = n2;
        } else {
            m = n1;
            d = n2;
        }
    }
    Sc.Char(Sc.FS.DateSeparator);
    Sc.Blanks();
    return TryEncodeDate(y, m, d, Date);
}

bool ScanTime(TScanner &Sc, TDateTime &Time)
{
    const TFormatSettings &FS = Sc.FS;
    auto scanAmPm = [&]() -> int {
        if (Sc.Text(FS.TimeAMString) || Sc.Text(QStringLiteral("AM")))
            return 0;
        if (Sc.Text(FS.TimePMString) || Sc.Text(QStringLiteral("PM")))
            return 12;
        return -1;
    };
    int baseHour = scanAmPm();
    if (baseHour >= 0)
        Sc.Blanks();
    int hour, min = 0, sec = 0, msec = 0, digits;
    if (!Sc.Number(hour, digits))
        return false;
    if (Sc.Char(FS.TimeSeparator)) {
        if (!Sc.Number(min, digits))
            return false;
        if (Sc.Char(FS.TimeSeparator)) {
            if (!Sc.Number(sec, digits))
                return false;
            if (Sc.Char(FS.DecimalSeparator) && !Sc.Number(msec, digits))
                return false;
        }
    }
    if (baseHour < 0)
        baseHour = scanAmPm();
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12)
            return false;
        if (hour == 12)
            hour = 0;
        hour += baseHour;
    }
    Sc.Blanks();
    return TryEncodeTime(hour, min, sec, msec, Time);
}

} // namespace

const int MonthDays[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

bool IsLeapYear(int Year)
{
    return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

int DaysInAMonth(int Year, int Month)
{
    if (Month < 1 || Month > 12)
        return 0;
    return MonthDays[IsLeapYear(Year) ? 1 : 0][Month];
}

int DaysInMonth(int Year, int Month)
{
    return DaysInAMonth(Year, Month);
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime &Date)
{
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12)
        return false;
    const int leap = IsLeapYear(Year) ? 1 : 0;
    if (Day < 1 || Day > MonthDays[leap][Month])
        return false;
    int days = Day;
    for (int m = 1; m < Month; ++m)
        days += MonthDays[leap][m];
    const int I = Year - 1;
    Date = double(I * 365 + I / 4 - I / 100 + I / 400 + days - DateDelta);
    return true;
}

TDateTime EncodeDate(int Year, int Month, int Day)
{
    TDateTime d;
    if (!TryEncodeDate(Year, Month, Day, d))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return d;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime &Time)
{
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
        return false;
    Time = double(qint64(Hour) * 3600000 + Min * 60000 + Sec * 1000 + MSec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec)
{
    TDateTime t;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, t))
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return t;
}

void DecodeDate(TDateTime Date, int &Year, int &Month, int &Day)
{
    const TDecoded v = DecodeAll(Date);
    Year = v.Year;
    Month = v.Month;
    Day = v.Day;
}

void DecodeDate(TDateTime Date, quint16 &Year, quint16 &Month, quint16 &Day)
{
    const TDecoded v = DecodeAll(Date);
    Year = quint16(v.Year);
    Month = quint16(v.Month);
    Day = quint16(v.Day);
}

void DecodeTime(TDateTime Time, int &Hour, int &Min, int &Sec, int &MSec)
{
    const TDecoded v = DecodeAll(Time);
    Hour = v.Hour;
    Min = v.Min;
    Sec = v.Sec;
    MSec = v.MSec;
}

void DecodeTime(TDateTime Time, quint16 &Hour, quint16 &Min, quint16 &Sec, quint16 &MSec)
{
    const TDecoded v = DecodeAll(Time);
    Hour = quint16(v.Hour);
    Min = quint16(v.Min);
    Sec = quint16(v.Sec);
    MSec = quint16(v.MSec);
}

TDateTime Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

TDateTime Date()
{
    const QDate d = QDate::currentDate();
    return EncodeDate(d.year(), d.month(), d.day());
}

TDateTime Time()
{
    const QTime t = QTime::currentTime();
    return EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

int DayOfWeek(TDateTime Date)
{
    if (!std::isfinite(Date) || std::fabs(Date) > 1e9)
        return 0;
    const qint64 days = qint64(std::trunc(Date)) + DateDelta;
    return int(((days % 7) + 7) % 7) + 1;
}

TDateTime DateOf(TDateTime Value)
{
    return std::trunc(Value);
}

TDateTime TimeOf(TDateTime Value)
{
    return Value - std::trunc(Value);
}

TDateTime IncDay(TDateTime Value, int NumberOfDays)
{
    return Value + NumberOfDays;
}

QString FormatDateTime(const QString &Format, TDateTime DateTime)
{
    QString out;
    const TDecoded v = DecodeAll(DateTime);
    AppendDateTime(out, Format.isEmpty() ? QStringView(u"c") : QStringView(Format), v, 0, FormatSettings);
    return out;
}

QString DateToStr(TDateTime Date)
{
    return FormatDateTime(QStringLiteral("ddddd"), Date);
}

QString TimeToStr(TDateTime Time)
{
    return FormatDateTime(QStringLiteral("tt"), Time);
}

QString DateTimeToStr(TDateTime DateTime)
{
    return FormatDateTime(QStringLiteral("c"), DateTime);
}

bool TryStrToDate(const QString &S, TDateTime &Value)
{
    TScanner sc{S, 0, FormatSettings};
    TDateTime d;
    if (!ScanDate(sc, d) || !sc.AtEnd())
        return false;
    Value = d;
    return true;
}

bool TryStrToTime(const QString &S, TDateTime &Value)
{
    TScanner sc{S, 0, FormatSettings};
    TDateTime t;
    if (!ScanTime(sc, t) || !sc.AtEnd())
        return false;
    Value = t;
    return true;
}

bool TryStrToDateTime(const QString &S, TDateTime &Value)
{
    TScanner sc{S, 0, FormatSettings};
    TDateTime d, t = 0;
    if (ScanDate(sc, d)) {
        // Text after the time is refused, not ignored.
        if (sc.AtEnd() || (ScanTime(sc, t) && sc.AtEnd())) {
            Value = d >= 0 ? d + t : d - t;
            return true;
        }
    }
    return TryStrToTime(S, Value);
}

TDateTime StrToDate(const QString &S)
{
    TDateTime v;
    if (!TryStrToDate(S, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(S));
    return v;
}

TDateTime StrToTime(const QString &S)
{
    TDateTime v;
    if (!TryStrToTime(S, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(S));
    return v;
}

TDateTime StrToDateTime(const QString &S)
{
    TDateTime v;
    if (!TryStrToDateTime(S, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(S));
    return v;
}
