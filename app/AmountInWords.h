// Money amounts as whole ten-thousandths (the four-decimal currency of the
// station's totals) and their Chinese capital words for the delivery note.
#pragma once
#include <QString>
#include <QtGlobal>

// Parses decimal text ("12.34", "-0.5", " 3 "): sign, digits, an optional
// point and decimals, rounded half away from zero to four decimals. False for
// anything else and for amounts beyond the currency range.
bool TryTextToCurrency(const QString &Text, qint64 &TenThousandths);
// Four-decimal text without trailing zeros: 37950 -> "3.795", 10000 -> "1".
QString CurrencyToText(qint64 TenThousandths);
// Rounded half away from zero to whole fen (hundredths).
qint64 RoundCurrencyToFen(qint64 TenThousandths);
// The printed figure: two decimals, rounded half away from zero ("3.80").
QString CurrencyToFixed2(qint64 TenThousandths);

// The amount in capital money words; the part below one fen is dropped.
// 1.00 -> 壹元整, 10.05 -> 壹拾元零伍分, -12.34 -> 负壹拾贰元叁角肆分.
QString AmountInWords(qint64 TenThousandths);
// The same for decimal text; text that is not an amount raises EConvertError,
// an amount beyond the currency range raises Exception "数值过大!".
QString AmountInWords(const QString &Amount);
