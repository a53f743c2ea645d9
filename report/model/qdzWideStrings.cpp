// Implementation of memo text as a list of wide lines.
#include "qdzWideStrings.h"

#include "platform/Classes.h"
#include "platform/CodePages.h"
#include "platform/Exceptions.h"
#include "platform/Filer.h"

STATION_PUBLISHED(TWideStrings) {}

// ---------------------------------------------------------------- TWideStrings

QString TWideStrings::Get(int Index) const
{
    if (Index < 0 || Index >= Count())
        return QString();
    return Item(Index).FString;
}

void TWideStrings::Put(int Index, const QString &S)
{
    if (Index < 0 || Index > Count())
        throw EListError(QStringLiteral("Wide String Out of Bounds"));
    if (Index == Count())
        Add(S);
    else
        Item(Index).FString = S;
}

TObject *TWideStrings::GetObject(int Index) const
{
    if (Index < 0 || Index >= Count())
        return nullptr;
    return Item(Index).FObject.Object;
}

TObjectRef TWideStrings::ObjectRef(int Index) const
{
    if (Index < 0 || Index >= Count())
        return {};
    return Item(Index).FObject;
}

void TWideStrings::PutObject(int Index, TObject *AObject)
{
    if (Index >= 0 && Index < Count())
        Item(Index).FObject = {AObject, LiveSerial(AObject)};
}

void TWideStrings::Spill()
{
    if (!FHasOne)
        return;
    FList.reserve(2);
    FList.append(std::move(FOne));
    FOne = TWideStringItem();
    FHasOne = false;
}

int TWideStrings::Add(const QString &S)
{
    return AddObject(S, nullptr);
}

int TWideStrings::AddObject(const QString &S, TObject *AObject)
{
    return AddRef(S, {AObject, LiveSerial(AObject)});
}

int TWideStrings::AddRef(const QString &S, const TObjectRef &Ref)
{
    if (Count() == 0) {
        FOne = {S, Ref};
        FHasOne = true;
        return 0;
    }
    Spill();
    FList.append({S, Ref});
    return Count() - 1;
}

void TWideStrings::AddStrings(const TWideStrings *List)
{
    const int N = List->Count();
    if (List == this) {
        for (int I = 0; I < N; ++I) {
            const TWideStringItem Copy = Item(I);
            AddRef(Copy.FString, Copy.FObject);
        }
        return;
    }
    for (int I = 0; I < N; ++I)
        AddRef(List->Item(I).FString, List->Item(I).FObject);
}

void TWideStrings::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    if (FHasOne) {
        FOne = TWideStringItem();
        FHasOne = false;
    } else {
        FList.removeAt(Index);
    }
}

void TWideStrings::Insert(int Index, const QString &S)
{
    if (Index < 0 || Index > Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    if (Count() == 0) {
        Add(S);
        return;
    }
    Spill();
    FList.insert(Index, TWideStringItem{S, nullptr});
}

void TWideStrings::Clear()
{
    FOne = TWideStringItem();
    FHasOne = false;
    FList.clear();
}

int TWideStrings::IndexOf(const QString &S) const
{
    for (int I = 0; I < Count(); ++I)
        if (Item(I).FString == S)
            return I;
    return -1;
}

void TWideStrings::Assign(TPersistent *Source)
{
    if (auto *Wide = dynamic_cast<TWideStrings *>(Source)) {
        if (Wide == this)
            return;
        Clear();
        AddStrings(Wide);
    } else if (auto *Strings = dynamic_cast<TStrings *>(Source)) {
        // QString lines are already wide: the system code page is no longer
        // involved.
        Clear();
        for (int I = 0; I < Strings->Count(); ++I)
            AddRef(Strings->Strings(I), Strings->ObjectRef(I));
    } else {
        TPersistent::Assign(Source);
    }
}

void TWideStrings::AssignTo(TPersistent *Dest)
{
    if (auto *Wide = dynamic_cast<TWideStrings *>(Dest)) {
        Wide->Assign(this);
    } else if (auto *Strings = dynamic_cast<TStrings *>(Dest)) {
        Strings->BeginUpdate();
        try {
            Strings->Clear();
            for (int I = 0; I < Count(); ++I)
                Strings->AddObject(Item(I).FString, TStrings::LiveObject(Item(I).FObject));
        } catch (...) {
            Strings->EndUpdate();
            throw;
        }
        Strings->EndUpdate();
    } else {
        TPersistent::AssignTo(Dest);
    }
}

QString TWideStrings::GetText() const
{
    QString Result;
    qsizetype Size = 0;
    for (int I = 0; I < Count(); ++I)
        Size += Item(I).FString.size() + 2;
    Result.reserve(Size);
    for (int I = 0; I < Count(); ++I) {
        Result += Item(I).FString;
        Result += QLatin1String("\r\n");
    }
    return Result;
}

const QChar *qdzLineEnd(const QChar *P, const QChar *End)
{
    const QChar LineSeparator(0x2028);
    while (P < End && P->unicode() != 0 && *P != QLatin1Char('\n') && *P != QLatin1Char('\r') && *P != LineSeparator)
        ++P;
    return P;
}

const QChar *qdzSkipLineBreak(const QChar *P, const QChar *End)
{
    if (P < End && *P == QLatin1Char('\r'))
        ++P;
    if (P < End && *P == QLatin1Char('\n'))
        ++P;
    if (P < End && *P == QChar(0x2028))
        ++P;
    return P;
}

void TWideStrings::SetText(const QString &Value)
{
    Clear();
    const QChar *P = Value.constData();
    const QChar *End = P + Value.size();
    // The text ends at its first zero character, as a zero-terminated one would.
    while (P < End && P->unicode() != 0) {
        const QChar *Start = P;
        P = qdzLineEnd(P, End);
        // A text of one line is shared, not copied, when its characters are its own.
        if (Start == Value.constData() && P == End && Value.isDetached())
            Add(Value);
        else
            Add(QString(Start, P - Start));
        P = qdzSkipLineBreak(P, End);
    }
}

void TWideStrings::LoadFromFile(const QString &FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

void TWideStrings::LoadFromStream(TStream *Stream)
{
    qint64 Size = Stream->Size() - Stream->Position();
    if (Size < 0)
        Size = 0;
    if (Size > 2) {
        unsigned char Mark[2];
        Stream->ReadBuffer(Mark, 2);
        if (Mark[0] == 0xFF && Mark[1] == 0xFE) {
            QByteArray Bytes(Size - 2, Qt::Uninitialized);
            Stream->ReadBuffer(Bytes.data(), Bytes.size());
            SetText(QString::fromUtf16(reinterpret_cast<const char16_t *>(Bytes.constData()),
                                       Bytes.size() / 2));
            return;
        }
        Stream->Seek(-2, soCurrent);
    }
    QByteArray Bytes(Size, Qt::Uninitialized);
    Stream->ReadBuffer(Bytes.data(), Bytes.size());
    SetText(CodePageToString(Bytes, CP_ACP));
}

void TWideStrings::SaveToFile(const QString &FileName)
{
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(&Stream);
}

void TWideStrings::SaveToStream(TStream *Stream)
{
    const QString Text = GetText();
    // UTF-16 little-endian code units, written byte by byte whatever the host.
    QByteArray Bytes(Text.size() * 2, Qt::Uninitialized);
    for (qsizetype I = 0; I < Text.size(); ++I) {
        const char16_t U = Text.at(I).unicode();
        Bytes[2 * I] = char(U & 0xFF);
        Bytes[2 * I + 1] = char(U >> 8);
    }
    Stream->WriteBuffer(Bytes.constData(), Bytes.size());
}

void TWideStrings::DefineProperties(TFiler *Filer)
{
    const bool HasData = Count() > 0;
    Filer->DefineProperty(QStringLiteral("Strings"), [this](TReader *R) { ReadData(R); }, nullptr, HasData);
    Filer->DefineProperty(QStringLiteral("UTF8"), [this](TReader *R) { ReadDataUTF8(R); },
                          [this](TWriter *W) { WriteDataUTF8(W); }, HasData);
}

void TWideStrings::ReadData(TReader *Reader)
{
    // 8-bit elements come in the filer's (system) code page, wide ones as they are.
    Clear();
    Reader->ReadListBegin();
    while (!Reader->EndOfList())
        Add(Reader->ReadString());
    Reader->ReadListEnd();
}

namespace {

// The "UTF8" list holds 8-bit strings whose bytes are UTF-8.
struct TUtf8Filer
{
    explicit TUtf8Filer(TFiler *F) : Filer(F), Saved(F->CodePage()) { Filer->SetCodePage(CP_UTF8); }
    ~TUtf8Filer() { Filer->SetCodePage(Saved); }
    TFiler *Filer;
    int Saved;
};

} // namespace

void TWideStrings::ReadDataUTF8(TReader *Reader)
{
    TUtf8Filer Utf8(Reader);
    Clear();
    Reader->ReadListBegin();
    while (!Reader->EndOfList())
        Add(Reader->ReadString());
    Reader->ReadListEnd();
}

void TWideStrings::WriteDataUTF8(TWriter *Writer)
{
    TUtf8Filer Utf8(Writer);
    Writer->WriteListBegin();
    for (int I = 0; I < Count(); ++I)
        Writer->WriteString(Item(I).FString);
    Writer->WriteListEnd();
}

// ---------------------------------------------------------------- charsets

int CharsetToCodePage(int Charset)
{
    switch (Charset) {
    case DEFAULT_CHARSET:
        return SystemCodePage();
    case MAC_CHARSET:
        return CP_MACCP;
    case OEM_CHARSET:
        return CP_OEMCP;
    default:
        break;
    }
    int CodePage = 0;
    if (!TranslateCharsetToCodePage(Charset, CodePage))
        throw EConvertError(QStringLiteral("Unknown charset %1").arg(Charset));
    return CodePage;
}

QString AnsiToWide(const QByteArray &S, int Charset, int CodePage)
{
    if (S.isEmpty())
        return QString();
    return CodePageToString(S, CodePage != 0 ? CodePage : CharsetToCodePage(Charset));
}

QByteArray WideToAnsi(const QString &S, int Charset, int CodePage)
{
    if (S.isEmpty())
        return QByteArray();
    return StringToCodePage(S, CodePage != 0 ? CodePage : CharsetToCodePage(Charset));
}

int CharsetToLCID(int Charset)
{
    switch (Charset) {
    case SHIFTJIS_CHARSET: return 1041;
    case HANGEUL_CHARSET: return 1042;
    case JOHAB_CHARSET: return 2066;
    case GB2312_CHARSET: return 2052;
    case CHINESEBIG5_CHARSET: return 3076;
    case GREEK_CHARSET: return 1032;
    case TURKISH_CHARSET: return 1055;
    case VIETNAMESE_CHARSET: return 1066;
    case HEBREW_CHARSET: return 1037;
    case ARABIC_CHARSET: return 13313;
    case BALTIC_CHARSET: return 1061;
    case RUSSIAN_CHARSET: return 1049;
    case THAI_CHARSET: return 1054;
    case EASTEUROPE_CHARSET: return 1029;
    default:
        // The station's own locale: Chinese (PRC), matching its GBK code page.
        return 2052;
    }
}
