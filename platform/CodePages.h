// 8-bit text at the program's byte boundaries (one-value files, password
// digests, resource tables, font charsets) converted to and from QString.
#pragma once
#include <QByteArray>
#include <QString>

constexpr int CP_ACP = 0;      // the system's ANSI code page
constexpr int CP_OEMCP = 1;    // the system's OEM code page
constexpr int CP_MACCP = 2;    // the system's Macintosh code page
constexpr int CP_SYMBOL = 42;  // symbol fonts: bytes map to U+F000..U+F0FF
constexpr int CP_UTF8 = 65001;

// This station runs on a Chinese system: ANSI and OEM are GBK (936), the
// Macintosh code page is Simplified Chinese (10008, read as EUC-CN).
int SystemCodePage();

// Code pages known here: 0, 1, 2, 42, 874, 932, 936, 949, 950, 1250-1258,
// 1361, 10008, 65001.
bool IsCodePageSupported(int CodePage);

// Characters that have no form in the code page become '?', as do bytes that
// do not decode. An unknown code page raises EConvertError.
QByteArray StringToCodePage(const QString &S, int CodePage);
QString CodePageToString(const QByteArray &Bytes, int CodePage);

// The system's table from a font charset (ANSI_CHARSET 0, GB2312_CHARSET 134,
// ...) to its code page. False for charsets outside the table, including
// DEFAULT_CHARSET, MAC_CHARSET and OEM_CHARSET, which callers decide.
bool TranslateCharsetToCodePage(int Charset, int &CodePage);
