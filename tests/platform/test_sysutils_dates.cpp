// TDateTime encoding and decoding, FormatDateTime and the date and time readers.
#include "SysUtils.h"
#include <gtest/gtest.h>
#include <QDate>
#include <cmath>

namespace {

struct SettingsGuard
{
    TFormatSettings Saved = FormatSettings;
    ~SettingsGuard() { FormatSettings = Saved; }
};

struct YMD
{
    int Y, M, D;
};

YMD Decoded(TDateTime T)
{
    YMD r{};
    DecodeDate(T, r.Y, r.M, r.D);
    return r;
}

} // namespace

TEST(SysUtilsDates, EncodeDateValues)
{
    struct Case
    {
        int Y, M, D;
        double Value;
    };
    const Case cases[] = {
        {1899, 12, 30, 0},    {1899, 12, 31, 1},     {1900, 1, 1, 2},      {1899, 12, 29, -1},
        {2024, 3, 9, 45360},  {2024, 1, 1, 45292},   {2000, 2, 29, 36585}, {1, 1, 1, -693593},
        {9999, 12, 31, 2958465}, {1900, 3, 1, 61},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(EncodeDate(c.Y, c.M, c.D), c.Value) << c.Y << "-" << c.M << "-" << c.D;
        const YMD back = Decoded(c.Value);
        EXPECT_EQ(back.Y, c.Y);
        EXPECT_EQ(back.M, c.M);
        EXPECT_EQ(back.D, c.D);
    }
}

TEST(SysUtilsDates, InvalidPartsRaise)
{
    const YMD bad[] = {{2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1}, {2024, 0, 1}, {0, 1, 1},
                       {10000, 1, 1}, {2024, 4, 31}, {2024, 1, 0}, {-1, 1, 1}};
    for (const auto &b : bad) {
        TDateTime d = 123;
        EXPECT_FALSE(TryEncodeDate(b.Y, b.M, b.D, d));
        EXPECT_EQ(d, 123);
        try {
            EncodeDate(b.Y, b.M, b.D);
            ADD_FAILURE() << "no error for " << b.Y << "-" << b.M << "-" << b.D;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Invalid argument to date encode"));
        }
    }
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));

    struct TimeCase
    {
        int H, N, S, MS;
    };
    const TimeCase badTimes[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
    for (const auto &t : badTimes) {
        try {
            EncodeTime(t.H, t.N, t.S, t.MS);
            ADD_FAILURE() << "no error for " << t.H << ":" << t.N << ":" << t.S << "." << t.MS;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Invalid argument to time encode"));
        }
    }
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_NEAR(EncodeTime(23, 59, 59, 999), 1 - 1 / MSecsPerDay, 1e-15);
}

TEST(SysUtilsDates, NegativeValuesKeepTheTimeAbsolute)
{
    const YMD d = Decoded(-1.25);
    EXPECT_EQ(d.Y, 1899);
    EXPECT_EQ(d.M, 12);
    EXPECT_EQ(d.D, 29);
    int h, n, s, ms;
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(n, 0);
    // -0.5 is 1899-12-30 noon, like +0.5.
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn"), -0.5), QStringLiteral("1899-12-30 12:00"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn"), -1.25), QStringLiteral("1899-12-29 06:00"));
    EXPECT_EQ(StrToDateTime(QStringLiteral("1899-12-29 06:00")), -1.25);
}

TEST(SysUtilsDates, DecodeTimeRoundsToTheMillisecond)
{
    int h, n, s, ms;
    DecodeTime(EncodeTime(23, 59, 59, 999) + 0.4 / MSecsPerDay, h, n, s, ms);
    EXPECT_EQ(h, 23);
    EXPECT_EQ(n, 59);
    EXPECT_EQ(s, 59);
    EXPECT_EQ(ms, 999);
    DecodeTime(EncodeTime(10, 20, 30, 405), h, n, s, ms);
    EXPECT_EQ(h, 10);
    EXPECT_EQ(n, 20);
    EXPECT_EQ(s, 30);
    EXPECT_EQ(ms, 405);
    // A time that rounds up to midnight is the start of the next day, never 24:00.
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz"), 0.9999999999),
              QStringLiteral("1899-12-31 00:00:00.000"));
    quint16 y, m, d;
    DecodeDate(EncodeDate(2024, 3, 9), y, m, d);
    EXPECT_EQ(y, 2024);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(d, 9);
    // Outside 0001..9999 there is no date.
    const YMD out = Decoded(3e6);
    EXPECT_EQ(out.Y, 0);
    EXPECT_EQ(Decoded(std::nan("")).Y, 0);
}

TEST(SysUtilsDates, CalendarRules)
{
    EXPECT_EQ(DayOfWeek(0), 7); // 1899-12-30 was a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 9) + 0.9), 7);
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 10)), 1);
    EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);
    EXPECT_EQ(DayOfWeek(-1), 6);
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2024, 12), 31);
    EXPECT_EQ(DaysInMonth(2024, 4), 30);
    EXPECT_EQ(DaysInMonth(2024, 13), 0);
    EXPECT_EQ(DaysInAMonth(2024, 0), 0);
    EXPECT_EQ(MonthDays[1][2], 29);
    EXPECT_EQ(DateOf(45360.75), 45360);
    EXPECT_EQ(TimeOf(45360.75), 0.75);
    EXPECT_EQ(IncDay(45360.5, 3), 45363.5);
    EXPECT_EQ(IncDay(45360.5), 45361.5);
}

TEST(SysUtilsDates, ClockFunctionsAgree)
{
    const QDate before = QDate::currentDate();
    const TDateTime now = Now(), today = Date(), time = Time();
    if (QDate::currentDate() != before)
        GTEST_SKIP() << "midnight passed during the test";
    EXPECT_EQ(today, EncodeDate(before.year(), before.month(), before.day()));
    EXPECT_GE(now, today);
    EXPECT_LT(now, today + 1);
    EXPECT_GE(time, 0);
    EXPECT_LT(time, 1);
    EXPECT_NEAR(time, now - today, 5.0 / 86400);
}

TEST(SysUtilsFormatDateTime, Specifiers)
{
    const TDateTime dt = EncodeDate(2024, 3, 9) + EncodeTime(7, 5, 3, 4);
    const TDateTime evening = EncodeDate(2024, 3, 9) + EncodeTime(19, 30, 0, 0);
    struct Case
    {
        const char *Fmt;
        TDateTime Value;
        const char *Text;
    };
    const Case cases[] = {
        {"yyyy-mm-dd hh:nn", EncodeDate(2024, 3, 9) + 0.5, "2024-03-09 12:00"},
        {"d/m/yy", dt, "9-3-24"},
        {"dd mm yyyy", dt, "09 03 2024"},
        {"DD MM YYYY", dt, "09 03 2024"},
        {"ddd dddd", dt, "Sat Saturday"},
        {"mmm mmmm", dt, "Mar March"},
        {"ddddd", dt, "2024-03-09"},
        {"dddddd", dt, "Saturday, March 9, 2024"},
        {"h:n:s", dt, "7:5:3"},
        {"hh:nn:ss.zzz", dt, "07:05:03.004"},
        {"z", dt, "4"},
        {"hh:mm", dt, "07:05"},
        {"h \"x\" m", dt, "7 x 5"},
        {"mm", dt, "03"},
        {"h:mm am/pm", dt, "7:05 am"},
        {"h:mm am/pm", evening, "7:30 pm"},
        {"h:mm AM/PM", evening, "7:30 PM"},
        {"h a/p", dt, "7 a"},
        {"h A/P", evening, "7 P"},
        {"hh ampm", dt, "07 AM"},
        {"h am/pm", EncodeDate(2024, 3, 9) + 0.5, "12 pm"},
        {"h am/pm", EncodeDate(2024, 3, 9), "12 am"},
        {"hh", evening, "19"},
        {"hh' 'am/pm h", evening, "07 pm 19"},
        {"h 'a' am/pm", evening, "7 a pm"},
        {"h a am/pm", evening, "19 a pm"},
        {"t", dt, "07:05"},
        {"tt", dt, "07:05:03"},
        {"c", dt, "2024-03-09 07:05:03"},
        {"c", EncodeDate(2024, 3, 9), "2024-03-09"},
        {"", dt, "2024-03-09 07:05:03"},
        {"\"Date:\" yyyy", dt, "Date: 2024"},
        {"'mm' mm", dt, "mm 03"},
        {"yyyy/mm/dd hh:nn", dt, "2024-03-09 07:05"},
        {"yy", EncodeDate(2005, 1, 1), "05"},
        {"e", dt, "2024"},
        {"x#q", dt, "x#q"},
        {"\"unterminated", dt, "unterminated"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromLatin1(c.Fmt), c.Value), QString::fromLatin1(c.Text)) << c.Fmt;
}

TEST(SysUtilsFormatDateTime, ConversionsUseSettings)
{
    const TDateTime dt = EncodeDate(2024, 3, 9) + EncodeTime(7, 5, 3, 0);
    EXPECT_EQ(DateToStr(dt), QStringLiteral("2024-03-09"));
    EXPECT_EQ(TimeToStr(dt), QStringLiteral("07:05:03"));
    EXPECT_EQ(DateTimeToStr(dt), QStringLiteral("2024-03-09 07:05:03"));
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 9)), QStringLiteral("2024-03-09"));

    SettingsGuard guard;
    FormatSettings.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    FormatSettings.DateSeparator = QLatin1Char('.');
    FormatSettings.LongTimeFormat = QStringLiteral("h:nn:ss ampm");
    FormatSettings.TimeAMString = QStringLiteral("vorm.");
    EXPECT_EQ(DateToStr(dt), QStringLiteral("09.03.2024"));
    EXPECT_EQ(TimeToStr(dt), QStringLiteral("7:05:03 vorm."));
    EXPECT_EQ(StrToDate(QStringLiteral("09.03.2024")), EncodeDate(2024, 3, 9));
    EXPECT_THROW(StrToDate(QStringLiteral("2024-03-09")), EConvertError);
    // A format that names itself stops instead of recursing.
    FormatSettings.ShortDateFormat = QStringLiteral("ddddd");
    EXPECT_EQ(DateToStr(dt), QString());
}

TEST(SysUtilsStrToDate, Dates)
{
    struct Case
    {
        const char *Text;
        TDateTime Value;
    };
    const Case cases[] = {
        {"2024-03-09", EncodeDate(2024, 3, 9)},
        {" 2024-3-9", EncodeDate(2024, 3, 9)},
        {"2024 - 03 - 09 ", EncodeDate(2024, 3, 9)},
        {"1899-12-30", 0},
        {"24-03-09", EncodeDate(2024, 3, 9)},
        {"0001-01-01", -693593},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(StrToDate(QString::fromLatin1(c.Text)), c.Value) << c.Text;
        TDateTime v = -7;
        EXPECT_TRUE(TryStrToDate(QString::fromLatin1(c.Text), v)) << c.Text;
        EXPECT_EQ(v, c.Value) << c.Text;
    }
    const int year = QDate::currentDate().year();
    EXPECT_EQ(StrToDate(QStringLiteral("03-09")), EncodeDate(year, 3, 9));

    const char *bad[] = {"2024-02-30", "2024/03/09", "2024-03-09x", "", "2024", "2024-", "2024-13-01",
                         "20240-03-09", "2024-03-09 12:00"};
    for (const char *b : bad) {
        const QString s = QString::fromLatin1(b);
        TDateTime v = -7;
        EXPECT_FALSE(TryStrToDate(s, v)) << b;
        EXPECT_EQ(v, -7) << b;
        try {
            StrToDate(s);
            ADD_FAILURE() << "no error for " << b;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid date").arg(s));
        }
    }
}

TEST(SysUtilsStrToDate, Times)
{
    struct Case
    {
        const char *Text;
        TDateTime Value;
    };
    const Case cases[] = {
        {"12:30", EncodeTime(12, 30, 0, 0)},
        {"12:30:15.250", EncodeTime(12, 30, 15, 250)},
        {"7 PM", EncodeTime(19, 0, 0, 0)},
        {"7pm", EncodeTime(19, 0, 0, 0)},
        {"12 AM", 0},
        {"12:00 PM", 0.5},
        {"PM 3:00", EncodeTime(15, 0, 0, 0)},
        {"8", EncodeTime(8, 0, 0, 0)},
        {" 23:59:59 ", EncodeTime(23, 59, 59, 0)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(StrToTime(QString::fromLatin1(c.Text)), c.Value) << c.Text;

    const char *bad[] = {"25:00", "13 PM", "0 AM", "12:", "", "12:60", "12:30x", "a12"};
    for (const char *b : bad) {
        const QString s = QString::fromLatin1(b);
        TDateTime v = -7;
        EXPECT_FALSE(TryStrToTime(s, v)) << b;
        try {
            StrToTime(s);
            ADD_FAILURE() << "no error for " << b;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid time").arg(s));
        }
    }
}

TEST(SysUtilsStrToDate, DateTimes)
{
    EXPECT_EQ(StrToDateTime(QStringLiteral("2024-03-09 12:00")), 45360.5);
    EXPECT_EQ(StrToDateTime(QStringLiteral("2024-03-09")), 45360);
    EXPECT_EQ(StrToDateTime(QStringLiteral("12:00")), 0.5);
    EXPECT_EQ(StrToDateTime(DateTimeToStr(45360.25)), 45360.25);
    const char *bad[] = {"2024-03-09 12:00 junk", "2024-03-09 25:00", "x", ""};
    for (const char *b : bad) {
        const QString s = QString::fromLatin1(b);
        try {
            StrToDateTime(s);
            ADD_FAILURE() << "no error for " << b;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid date and time").arg(s));
        }
    }
}
