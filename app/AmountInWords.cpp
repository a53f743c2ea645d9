// Currency amounts in ten-thousandths from decimal text, and the Chinese
// capital money words of the delivery note's total.
#include "AmountInWords.h"
#include "Exceptions.h"
#include <limits>

namespace {

enum class TParse { Ok, Invalid, TooLarge };

// Decimal text, with an optional exponent as FloatToStr writes very large and
// very small values ("1.5E-5"), to ten-thousandths without a detour through
// binary floating point.
TParse ParseCurrency(const QString &Text, qint64 &Result)
{
    const QString s = Text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        negative = s[i++] == QLatin1Char('-');
    QString digits;
    int intDigits = 0;
    bool any = false;
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
        digits += s[i++];
        ++intDigits;
        any = true;
    }
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
            digits += s[i++];
            any = true;
        }
    }
    if (!any)
        return TParse::Invalid;
    qint64 exponent = 0;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
            expNegative = s[i++] == QLatin1Char('-');
        bool expAny = false;
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
            if (exponent < 100000)
                exponent = exponent * 10 + s[i].digitValue();
            ++i;
            expAny = true;
        }
        if (!expAny)
            return TParse::Invalid;
        if (expNegative)
            exponent = -exponent;
    }
    if (i != s.size())
        return TParse::Invalid;

    // Digits up to four places after the point are whole ten-thousandths; the
    // next digit rounds.
    const qint64 point = intDigits + exponent + 4;
    qint64 value = 0;
    const qint64 limit = std::numeric_limits<qint64>::max();
    for (qint64 k = 0; k < point; ++k) {
        const int d = k < digits.size() ? digits[int(k)].digitValue() : 0;
        if (k >= digits.size() && value == 0)
            break;
        if (value > (limit - d) / 10)
            return TParse::TooLarge;
        value = value * 10 + d;
    }
    if (point >= 0 && point < digits.size() && digits[int(point)].digitValue() >= 5) {
        if (value == limit)
            return TParse::TooLarge;
        ++value;
    }
    Result = negative ? -value : value;
    return TParse::Ok;
}

} // namespace

bool TryTextToCurrency(const QString &Text, qint64 &TenThousandths)
{
    return ParseCurrency(Text, TenThousandths) == TParse::Ok;
}

QString CurrencyToText(qint64 TenThousandths)
{
    const bool negative = TenThousandths < 0;
    const quint64 a = negative ? quint64(0) - quint64(TenThousandths) : quint64(TenThousandths);
    QString frac = QString::number(a % 10000).rightJustified(4, QLatin1Char('0'));
    while (frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    QString r = QString::number(a / 10000);
    if (!frac.isEmpty())
        r += QLatin1Char('.') + frac;
    return negative && a != 0 ? QLatin1Char('-') + r : r;
}

qint64 RoundCurrencyToFen(qint64 TenThousandths)
{
    const qint64 rest = TenThousandths % 100;
    qint64 r = TenThousandths - rest;
    if (rest >= 50)
        r += 100;
    else if (rest <= -50)
        r -= 100;
    return r;
}

QString CurrencyToFixed2(qint64 TenThousandths)
{
    const qint64 fen = RoundCurrencyToFen(TenThousandths) / 100;
    const bool negative = fen < 0;
    const quint64 a = negative ? quint64(0) - quint64(fen) : quint64(fen);
    const QString r = QString::number(a / 100) + QLatin1Char('.') +
                      QString::number(a % 100).rightJustified(2, QLatin1Char('0'));
    return negative ? QLatin1Char('-') + r : r;
}

QString AmountInWords(qint64 TenThousandths)
{
    static const QString digitWords = QStringLiteral("零壹贰叁肆伍陆柒捌玖");
    static const QString placeUnits = QStringLiteral("拾佰仟万拾佰仟亿");
    static const QString moneyUnits = QStringLiteral("分角元");

    // Whole fen, the rest toward zero: amounts below one fen are zero, never
    // a negative figure.
    const qint64 fen = TenThousandths / 100;
    const bool negative = fen < 0;
    const QString s = QString::number(negative ? quint64(0) - quint64(fen) : quint64(fen));
    QString r;
    if (negative)
        r += QStringLiteral("负");
    const int signLength = r.size();
    const int L = s.size();
    int z = 0;
    for (int i = 0; i < L; ++i) {
        const int d = s[i].digitValue();
        const int place = L - 1 - i;
        if (d != 0) {
            if ((z >= 1 && place >= 2 && (place - 1) % 4 != 0) || (z >= 4 && place >= 2))
                r += digitWords[0];
            r += digitWords[d];
            z = 0;
        } else {
            if (place >= 6 && (place - 2) % 4 == 0 && (place >= 8 || z < 3))
                r += placeUnits[(place - 3) % 8];
            ++z;
            if (place == 1 && L >= 2 && s[L - 1] != QLatin1Char('0'))
                r += digitWords[0];
        }
        if (d != 0 || place == 2)
            r += place < 3 ? moneyUnits[place] : placeUnits[(place - 3) % 8];
    }
    if (r.size() == signLength)
        r += QStringLiteral("零元整");
    else if (s[L - 1] == QLatin1Char('0'))
        r += QStringLiteral("整");
    return r;
}

QString AmountInWords(const QString &Amount)
{
    qint64 v = 0;
    switch (ParseCurrency(Amount, v)) {
    case TParse::Ok:
        return AmountInWords(v);
    case TParse::TooLarge:
        throw Exception(QStringLiteral("数值过大!"));
    case TParse::Invalid:
        break;
    }
    throw EConvertError(QStringLiteral("'%1' 不是有效的金额!").arg(Amount));
}
