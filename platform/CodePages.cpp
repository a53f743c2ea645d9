// Implementation of 8-bit text at the program's byte boundaries.
#include "CodePages.h"
#include "Exceptions.h"
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <utility>

namespace {

const char *IconvName(int CodePage)
{
    switch (CodePage) {
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 1361: return "JOHAB";
    case 10008: return "EUC-CN";
    default: return nullptr;
    }
}

int Resolve(int CodePage)
{
    switch (CodePage) {
    case CP_ACP:
    case CP_OEMCP:
        return SystemCodePage();
    case CP_MACCP:
        return 10008;
    default:
        return CodePage;
    }
}

const char *Utf16Name()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

// Open conversion descriptors are kept for the life of the thread: opening
// one costs far more than a short conversion.
class IconvCache
{
public:
    ~IconvCache()
    {
        for (auto &Entry : FOpen)
            iconv_close(Entry.second);
    }
    iconv_t Get(int CodePage, bool ToBytes)
    {
        const auto Key = std::make_pair(CodePage, ToBytes);
        auto It = FOpen.find(Key);
        if (It != FOpen.end()) {
            iconv(It->second, nullptr, nullptr, nullptr, nullptr);  // reset shift state
            return It->second;
        }
        const char *Name = IconvName(CodePage);
        iconv_t Cd = ToBytes ? iconv_open(Name, Utf16Name()) : iconv_open(Utf16Name(), Name);
        if (Cd == reinterpret_cast<iconv_t>(-1))
            throw EConvertError(QStringLiteral("Code page %1 is not available").arg(CodePage));
        FOpen.emplace(Key, Cd);
        return Cd;
    }

private:
    std::map<std::pair<int, bool>, iconv_t> FOpen;
};

iconv_t Descriptor(int CodePage, bool ToBytes)
{
    thread_local IconvCache Cache;
    return Cache.Get(CodePage, ToBytes);
}

void RequireSupported(int CodePage)
{
    if (!IsCodePageSupported(CodePage))
        throw EConvertError(QStringLiteral("Code page %1 is not supported").arg(CodePage));
}

QByteArray EncodeSymbol(const QString &S)
{
    QByteArray Out;
    Out.reserve(S.size());
    for (QChar C : S) {
        const char16_t U = C.unicode();
        if (U >= 0xF000 && U <= 0xF0FF)
            Out.append(char(U & 0xFF));
        else if (U < 0x80)
            Out.append(char(U));
        else
            Out.append('?');
    }
    return Out;
}

QString DecodeSymbol(const QByteArray &Bytes)
{
    QString Out;
    Out.reserve(Bytes.size());
    for (char B : Bytes)
        Out.append(QChar(char16_t(0xF000 | quint8(B))));
    return Out;
}

} // namespace

int SystemCodePage()
{
    return 936;
}

bool IsCodePageSupported(int CodePage)
{
    const int Cp = Resolve(CodePage);
    return Cp == CP_UTF8 || Cp == CP_SYMBOL || IconvName(Cp) != nullptr;
}

QByteArray StringToCodePage(const QString &S, int CodePage)
{
    RequireSupported(CodePage);
    const int Cp = Resolve(CodePage);
    if (S.isEmpty())
        return QByteArray();
    if (Cp == CP_UTF8)
        return S.toUtf8();
    if (Cp == CP_SYMBOL)
        return EncodeSymbol(S);

    iconv_t Cd = Descriptor(Cp, true);
    const char16_t *Units = reinterpret_cast<const char16_t *>(S.utf16());
    const size_t UnitCount = size_t(S.size());
    char *In = const_cast<char *>(reinterpret_cast<const char *>(Units));
    size_t InLeft = UnitCount * 2;
    QByteArray Out;
    Out.resize(qsizetype(UnitCount * 2 + 16));
    size_t Done = 0;
    while (true) {
        char *OutPtr = Out.data() + Done;
        size_t OutLeft = size_t(Out.size()) - Done;
        const size_t R = iconv(Cd, &In, &InLeft, &OutPtr, &OutLeft);
        Done = size_t(OutPtr - Out.data());
        if (R != size_t(-1))
            break;
        if (errno == E2BIG) {
            Out.resize(Out.size() * 2 + 16);
            continue;
        }
        // A character the code page lacks, or a broken surrogate: one '?'.
        size_t Skip = 2;
        const size_t At = (UnitCount * 2 - InLeft) / 2;
        if (errno == EILSEQ && QChar::isHighSurrogate(Units[At]) && At + 1 < UnitCount
            && QChar::isLowSurrogate(Units[At + 1]))
            Skip = 4;
        if (errno != EILSEQ && errno != EINVAL)
            Skip = InLeft;  // unexpected failure: give up on the rest
        if (size_t(Out.size()) - Done < 1)
            Out.resize(Out.size() * 2 + 16);
        Out[qsizetype(Done++)] = '?';
        In += std::min(Skip, InLeft);
        InLeft -= std::min(Skip, InLeft);
        if (InLeft == 0)
            break;
    }
    Out.resize(qsizetype(Done));
    return Out;
}

namespace {

// Code pages whose bytes 0..127 are ASCII (in Japanese and Johab code pages
// some of them are not).
bool AsciiCompatible(int Cp)
{
    switch (Cp) {
    case 874: case 936: case 949: case 950: case 1250: case 1251: case 1252: case 1253: case 1254:
    case 1255: case 1256: case 1257: case 1258: case 10008:
        return true;
    default:
        return false;
    }
}

} // namespace

QString CodePageToString(const QByteArray &Bytes, int CodePage)
{
    RequireSupported(CodePage);
    const int Cp = Resolve(CodePage);
    if (Bytes.isEmpty())
        return QString();
    if (Cp == CP_UTF8)
        return QString::fromUtf8(Bytes);
    if (Cp == CP_SYMBOL)
        return DecodeSymbol(Bytes);
    // Plain ASCII reads the same in these code pages: no converter needed.
    if (AsciiCompatible(Cp)
        && std::all_of(Bytes.cbegin(), Bytes.cend(), [](char C) { return static_cast<unsigned char>(C) < 0x80; }))
        return QString::fromLatin1(Bytes);

    iconv_t Cd = Descriptor(Cp, false);
    char *In = const_cast<char *>(Bytes.constData());
    size_t InLeft = size_t(Bytes.size());
    QString Out;
    Out.resize(Bytes.size() + 8);
    size_t Done = 0;  // in bytes of UTF-16
    while (true) {
        char *Base = reinterpret_cast<char *>(Out.data());
        char *OutPtr = Base + Done;
        size_t OutLeft = size_t(Out.size()) * 2 - Done;
        const size_t R = iconv(Cd, &In, &InLeft, &OutPtr, &OutLeft);
        Done = size_t(OutPtr - Base);
        if (R != size_t(-1))
            break;
        if (errno == E2BIG) {
            Out.resize(Out.size() * 2 + 8);
            continue;
        }
        // A byte that starts no valid character, or a character cut off at
        // the end: one '?' and go on with the next byte.
        if (OutLeft < 2)
            Out.resize(Out.size() * 2 + 8);
        Out[qsizetype(Done / 2)] = QLatin1Char('?');
        Done += 2;
        if (errno != EILSEQ && errno != EINVAL)
            InLeft = 0;
        else {
            ++In;
            --InLeft;
        }
        if (InLeft == 0)
            break;
    }
    Out.resize(qsizetype(Done / 2));
    return Out;
}

bool TranslateCharsetToCodePage(int Charset, int &CodePage)
{
    static const std::pair<int, int> Table[] = {
        {0, 1252},   // ANSI
        {2, 42},     // SYMBOL
        {128, 932},  // SHIFTJIS
        {129, 949},  // HANGEUL
        {130, 1361}, // JOHAB
        {134, 936},  // GB2312
        {136, 950},  // CHINESEBIG5
        {161, 1253}, // GREEK
        {162, 1254}, // TURKISH
        {163, 1258}, // VIETNAMESE
        {177, 1255}, // HEBREW
        {178, 1256}, // ARABIC
        {186, 1257}, // BALTIC
        {204, 1251}, // RUSSIAN
        {222, 874},  // THAI
        {238, 1250}, // EASTEUROPE
    };
    for (const auto &Entry : Table)
        if (Entry.first == Charset) {
            CodePage = Entry.second;
            return true;
        }
    return false;
}
