// Implementation of the report engine's XML tree.
#include "qdzXML.h"
#include "qdzUtils.h"

#include "platform/CodePages.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "platform/Variants.h"

#include <QFile>
#include <cstring>

namespace {

// Deeper nesting than any template or built report needs; a hostile file
// must not exhaust the stack of the recursive reader, writer or destructor.
constexpr int MaxDepth = 1000;

char AsciiLower(char C)
{
    return (C >= 'A' && C <= 'Z') ? char(C + 32) : C;
}

// First offset of Needle (lower-case) in S read in lower case, or -1;
// compared in place.
qsizetype IndexOfLowered(const QByteArray &S, const char *Needle)
{
    const qsizetype N = qsizetype(std::strlen(Needle));
    const char *P = S.constData();
    // A first character without a case is found by memchr.
    const bool Caseless = N > 0 && !(Needle[0] >= 'a' && Needle[0] <= 'z');
    for (qsizetype I = 0; I + N <= S.size(); ++I) {
        if (Caseless) {
            const auto *At = static_cast<const char *>(std::memchr(P + I, Needle[0], size_t(S.size() - N - I + 1)));
            if (!At)
                return -1;
            I = At - P;
        }
        qsizetype K = 0;
        while (K < N && AsciiLower(P[I + K]) == Needle[K])
            ++K;
        if (K == N)
            return I;
    }
    return -1;
}

bool StartsWithAt(const QByteArray &S, qsizetype Pos, const char *What)
{
    const qsizetype N = qsizetype(std::strlen(What));
    return Pos + N <= S.size() && std::memcmp(S.constData() + Pos, What, size_t(N)) == 0;
}

// Start of the value of attribute Name (case-insensitive, preceded by a
// blank or the start of Text, followed by '="'), or -1. NameStart receives
// the offset of the blank before the name (0 at the start of Text). Compared
// in place: Text may be a whole template line.
qsizetype FindAttribute(const QByteArray &Text, const QByteArray &Name, qsizetype &NameStart)
{
    const char *T = Text.constData();
    const qsizetype TLen = Text.size();
    const char *N = Name.constData();
    const qsizetype NLen = Name.size();
    // Text read as if it had one more blank in front: position I of that
    // text is Text[I - 1].
    const auto At = [T](qsizetype I) { return I == 0 ? ' ' : AsciiLower(T[I - 1]); };
    for (qsizetype I = 0; I + NLen + 3 <= TLen + 1; ++I) {
        if (At(I) != ' ')
            continue;
        qsizetype K = 0;
        while (K < NLen && At(I + 1 + K) == AsciiLower(N[K]))
            ++K;
        if (K == NLen && At(I + 1 + NLen) == '=' && At(I + 2 + NLen) == '"') {
            NameStart = I;
            return I + NLen + 2;
        }
    }
    return -1;
}

void AppendReference(QByteArray &Out, unsigned char C)
{
    Out += "&#";
    Out += QByteArray::number(int(C));
    Out += ';';
}

} // namespace

// ---------------------------------------------------------------- escaping

QByteArray StrToXML(const QByteArray &S)
{
    QByteArray Out;
    const qsizetype Len = S.size();
    Out.reserve(Len + (Len < 32 ? 16 : 256));
    const bool ShortValue = Len < 32;
    for (qsizetype I = 0; I < Len; ++I) {
        const char C = S[I];
        switch (C) {
        case '\n': case '\r': case '"': case '<': case '>':
            AppendReference(Out, static_cast<unsigned char>(C));
            break;
        case '&':
            if (StartsWithAt(S, I + 1, "quot;")) {
                Out += "&#34;";
                I += 5;
            } else if (!ShortValue || S.mid(I + 1, 1) == "#" || StartsWithAt(S, I + 1, "amp;")
                       || StartsWithAt(S, I + 1, "lt;") || StartsWithAt(S, I + 1, "gt;")) {
                // Short values keep a plain '&' readable, but never one that
                // would read back as a reference.
                Out += "&#38;";
            } else {
                Out += '&';
            }
            break;
        default:
            Out += C;
        }
    }
    return Out;
}

QByteArray Unescape(const QByteArray &S)
{
    const qsizetype Len = S.size();
    const char *P = S.constData();
    const char *Amp = Len > 1 ? static_cast<const char *>(std::memchr(P, '&', size_t(Len))) : nullptr;
    if (!Amp)
        return S;
    QByteArray Out;
    UnescapeInto(S, Out);
    return Out;
}

void UnescapeInto(const QByteArray &S, QByteArray &Out)
{
    const qsizetype Len = S.size();
    const char *P = S.constData();
    Out.resize(0);
    Out.reserve(Len);
    qsizetype I = 0;
    // The ';' that ends a character reference, found once for every
    // reference before it (-2: not searched yet, -1: there is none).
    qsizetype Semi = -2;
    while (I < Len) {
        // Plain bytes up to the next '&' in one step.
        const char *Next = static_cast<const char *>(std::memchr(P + I, '&', size_t(Len - I)));
        const qsizetype At = Next ? Next - P : Len;
        Out.append(P + I, At - I);
        I = At;
        if (I >= Len)
            break;
        if (I == Len - 1) {
            Out += '&';
            break;
        }
        if (P[I + 1] == '#' && Len - I >= 4) {
            if (Semi != -1 && Semi < I + 2)
                Semi = S.indexOf(';', I + 2);
            if (Semi >= 0) {
                const qsizetype DigitsAt = I + 2;
                const qsizetype DigitsLen = Semi - DigitsAt;
                const bool Hex = P[DigitsAt] == 'x' || P[DigitsAt] == 'X';
                bool Ok = DigitsLen > (Hex ? 1 : 0);
                long long Code = 0;
                for (qsizetype K = DigitsAt + (Hex ? 1 : 0); K < Semi && Ok; ++K) {
                    const char D = P[K];
                    int Digit = -1;
                    if (D >= '0' && D <= '9')
                        Digit = D - '0';
                    else if (Hex && ((D >= 'a' && D <= 'f') || (D >= 'A' && D <= 'F')))
                        Digit = (D | 0x20) - 'a' + 10;
                    Ok = Digit >= 0;
                    if (Code <= 0x10FFFF)
                        Code = Code * (Hex ? 16 : 10) + Digit;
                }
                // Quoted at most 40 long: a stray "&#" may run far to a ';'.
                const QString Quoted = QString::fromLatin1(P + DigitsAt, qMin<qsizetype>(DigitsLen, 40));
                if (!Ok)
                    throw EqdzInvalidReference(QStringLiteral("'%1' is not a valid integer value").arg(Quoted));
                // Surrogate halves are no characters and have no UTF-8 form.
                if (Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF))
                    throw EqdzInvalidReference(QStringLiteral("'%1' is not a valid character code").arg(Quoted));
                if (Code < 256) {
                    Out += char(Code);
                } else {
                    const char32_t Ucs = char32_t(Code);
                    Out += QString::fromUcs4(&Ucs, 1).toUtf8();
                }
                I = Semi + 1;
                continue;
            }
            // No ';' anywhere after it: not a reference.
        } else if (StartsWithAt(S, I + 1, "quot;")) {
            Out += '"';
            I += 6;
            continue;
        } else if (StartsWithAt(S, I + 1, "amp;")) {
            Out += '&';
            I += 5;
            continue;
        } else if (StartsWithAt(S, I + 1, "lt;")) {
            Out += '<';
            I += 4;
            continue;
        } else if (StartsWithAt(S, I + 1, "gt;")) {
            Out += '>';
            I += 4;
            continue;
        }
        Out += '&';
        ++I;
    }
}

QByteArray ValueToXML(const Variant &Value)
{
    switch (Value.VType() & varTypeMask) {
    case varBoolean:
        return Value.AsBoolean() ? QByteArray("1") : QByteArray("0");
    case varSmallint: case varInteger: case varByte: case varShortInt: case varWord:
    case varLongWord: case varInt64:
        return QByteArray::number(Value.AsInt64());
    case varSingle: case varDouble: case varCurrency:
        return FloatToStr(Value.AsDouble()).toLatin1();
    case varDate:
        return StrToXML(DateToStr(Value.AsDateTime()).toLatin1());
    case varString: case varOleStr: case varVariant:
        // 8-bit attribute text, as plain string attributes are read back.
        return StrToXML(StringToCodePage(Value.AsString(), CP_ACP));
    default:
        return QByteArray();
    }
}

// ---------------------------------------------------------------- items

TqdzXMLItem::~TqdzXMLItem()
{
    FreeChildren();
    if (FParent)
        FParent->FItems.removeOne(this);
}

void TqdzXMLItem::FreeChildren()
{
    // Detach first so that the children do not search this list one by one.
    const QList<TqdzXMLItem *> Children = std::move(FItems);
    FItems.clear();
    for (TqdzXMLItem *Child : Children) {
        Child->FParent = nullptr;
        delete Child;
    }
}

void TqdzXMLItem::Clear()
{
    FreeChildren();
    if (FUnloadable)
        FLoaded = false;
}

TqdzXMLItem *TqdzXMLItem::Add()
{
    auto *Item = new TqdzXMLItem;
    AddItem(Item);
    return Item;
}

void TqdzXMLItem::AddItem(TqdzXMLItem *Item)
{
    if (Item->FParent)
        Item->FParent->FItems.removeOne(Item);
    FItems.append(Item);
    Item->FParent = this;
}

void TqdzXMLItem::AdoptItems(const std::vector<TqdzXMLItem *> &Items)
{
    FItems.reserve(FItems.size() + qsizetype(Items.size()));
    for (TqdzXMLItem *Item : Items) {
        Item->FParent = this;
        FItems.append(Item);
    }
}

void TqdzXMLItem::InsertItem(int Index, TqdzXMLItem *Item)
{
    if (Item->FParent)
        Item->FParent->FItems.removeOne(Item);
    FItems.insert(qBound(0, Index, int(FItems.size())), Item);
    Item->FParent = this;
}

int TqdzXMLItem::IndexOf(const TqdzXMLItem *Item) const
{
    return int(FItems.indexOf(const_cast<TqdzXMLItem *>(Item)));
}

TqdzXMLItem *TqdzXMLItem::FindItem(const QByteArray &Name)
{
    for (TqdzXMLItem *Item : std::as_const(FItems))
        if (Item->FName.compare(Name, Qt::CaseInsensitive) == 0)
            return Item;
    TqdzXMLItem *Item = Add();
    Item->FName = Name;
    return Item;
}

QByteArray TqdzXMLItem::GetProp(const QByteArray &Name) const
{
    const QByteArray View = PropView(Name);
    if (View.isNull())
        return QByteArray();
    // A copy: the view would change with the text.
    return Unescape(QByteArray(View.constData(), View.size()));
}

QByteArray TqdzXMLItem::PropView(const QByteArray &Name) const
{
    qsizetype NameStart = 0;
    const qsizetype Start = FindAttribute(FText, Name, NameStart);
    if (Start < 0)
        return QByteArray();
    qsizetype End = FText.indexOf('"', Start);
    if (End < 0)
        End = FText.size();
    return QByteArray::fromRawData(FText.constData() + Start, End - Start);
}

void TqdzXMLItem::SetProp(const QByteArray &Name, const QByteArray &Value)
{
    qsizetype At = FText.size();
    qsizetype NameStart = 0;
    const qsizetype Start = FindAttribute(FText, Name, NameStart);
    if (Start >= 0) {
        qsizetype End = FText.indexOf('"', Start);
        End = End < 0 ? FText.size() : End + 1;
        FText.remove(NameStart, End - NameStart);
        At = NameStart;
    }
    QByteArray Pair = Name + "=\"" + StrToXML(Value) + '"';
    if (At == 0 || FText[At - 1] != ' ')
        Pair.prepend(' ');
    FText.insert(At, Pair);
}

// ---------------------------------------------------------------- reader

TqdzXMLReader::TqdzXMLReader(TStream *Stream)
    : FStream(Stream), FSize(quint64(Stream->Size())), FPosition(quint64(Stream->Position()))
{
}

TqdzXMLReader::~TqdzXMLReader()
{
    FStream->SetPosition(qint64(FPosition));
}

void TqdzXMLReader::SetPosition(quint64 Value)
{
    FPosition = Value;
    FBufPos = FBufLen = 0;
    FStream->SetPosition(qint64(Value));
}

bool TqdzXMLReader::FillBuffer()
{
    if (FPosition >= FSize)
        return false;
    FStream->SetPosition(qint64(FPosition));
    const quint64 Want = qMin<quint64>(BufferSize, FSize - FPosition);
    const qint64 Got = FStream->Read(FBuffer, qint64(Want));
    FBufPos = 0;
    FBufLen = Got > 0 ? int(Got) : 0;
    return FBufLen > 0;
}

void TqdzXMLReader::ReadTag(QByteArray &Name, QByteArray &Text)
{
    enum { BetweenTags, InTag, InComment } State = BetweenTags;
    int Dashes = 0;
    // Emptied, not cleared: the buffer is kept for the next tags.
    FTag.resize(0);
    for (;;) {
        if (FBufPos >= FBufLen && !FillBuffer()) {
            if (State == InTag)
                throw TqdzInvalidXMLException();
            Name.clear();
            Text.clear();
            return;
        }
        const char *Start = FBuffer + FBufPos;
        const int Avail = FBufLen - FBufPos;
        if (State == BetweenTags) {
            // Element text is skipped in one step up to the next '<'.
            const char *Lt = static_cast<const char *>(std::memchr(Start, '<', size_t(Avail)));
            const int Used = Lt ? int(Lt - Start) + 1 : Avail;
            FBufPos += Used;
            FPosition += quint64(Used);
            if (Lt) {
                State = InTag;
                FTag.resize(0);
            }
        } else if (State == InTag && FTag.size() >= 3) {
            // Past the comment check: collect up to the next '<' or '>' at once.
            const char *Gt = static_cast<const char *>(std::memchr(Start, '>', size_t(Avail)));
            int N = Gt ? int(Gt - Start) : Avail;
            if (const char *Lt = static_cast<const char *>(std::memchr(Start, '<', size_t(N))))
                N = int(Lt - Start);
            FTag.append(Start, N);
            FBufPos += N;
            FPosition += quint64(N);
            if (N < Avail) {
                ++FBufPos;
                ++FPosition;
                if (Start[N] == '<')
                    throw TqdzInvalidXMLException();
                break;
            }
        } else {
            const char C = FBuffer[FBufPos++];
            ++FPosition;
            if (State == InTag) {
                if (C == '>')
                    break;
                if (C == '<')
                    throw TqdzInvalidXMLException();
                FTag += C;
                if (FTag.size() == 3 && FTag == "!--") {
                    State = InComment;
                    Dashes = 0;
                    FTag.resize(0);
                }
            } else if (C == '-') {
                Dashes = Dashes == 2 ? 0 : Dashes + 1;
            } else if (C == '>' && Dashes == 2) {
                State = BetweenTags;
            } else {
                Dashes = 0;
            }
        }
    }
    // Blanks before '>' are no part of the attributes (kept, they would
    // change from one write and read to the next).
    while (FTag.endsWith(' '))
        FTag.chop(1);
    const qsizetype Space = FTag.indexOf(' ');
    Name = InternName(FTag.constData(), Space < 0 ? FTag.size() : Space);
    if (Space < 0)
        Text.clear();
    else
        Text = FTag.mid(Space); // keeps its leading blank, as items hold it
}

QByteArray TqdzXMLReader::InternName(const char *P, qsizetype N)
{
    if (N == 0)
        return QByteArray();
    for (const QByteArray &Known : FNames)
        if (Known.size() == N && Known.constData()[0] == P[0] && std::memcmp(Known.constData(), P, size_t(N)) == 0)
            return Known;
    QByteArray &Slot = FNames[FNextName];
    FNextName = (FNextName + 1) % NameCount;
    Slot = QByteArray(P, N);
    return Slot;
}

void TqdzXMLReader::ReadHeader()
{
    QByteArray Name, Text;
    ReadTag(Name, Text);
    if (!Name.startsWith("?xml"))
        throw TqdzInvalidXMLException();
    const qsizetype V = Text.indexOf("version=");
    FPlainStringAttributes = V >= 0 && Text.mid(V + 9, 3) == "1.0" && !Text.contains("standalone=");
}

bool TqdzXMLReader::ReadItem(TqdzXMLItem *Item, bool AllowUnloading)
{
    return ReadItemAt(Item, AllowUnloading, 0);
}

bool TqdzXMLReader::ReadItemAt(TqdzXMLItem *Item, bool AllowUnloading, int Depth)
{
    if (Depth > MaxDepth)
        throw TqdzInvalidXMLException();
    const quint64 Start = FPosition;
    QByteArray Name, Text;
    ReadTag(Name, Text);
    FLastName = Name;
    // An empty element: no children and no closing tag, but it may carry
    // the unloading marker like any other. Its '/' ends the attribute text,
    // or the name when there is no text; it goes before the item shares the
    // text, so that the text is not copied for it. A '/' anywhere else in a
    // name would not read back as written.
    const bool Closing = Name.startsWith('/');
    bool Empty = false;
    if (!Closing && !Name.isEmpty()) {
        if (Text.endsWith('/')) {
            Empty = true;
            Text.chop(1);
        } else if (Text.isEmpty() && Name.endsWith('/')) {
            Empty = true;
            Name.chop(1);
        }
    }
    if (Name.indexOf('/', Closing ? 1 : 0) >= 0)
        throw TqdzInvalidXMLException();
    Item->SetName(Name);
    Item->SetText(Text);
    // Where the root element belongs, a closing tag makes no document, and
    // a tag without a name is no element (neither would survive being
    // written and read again).
    if ((Depth == 0 && Name.startsWith('/')) || (Name.isEmpty() && !Text.isEmpty()))
        throw TqdzInvalidXMLException();
    if (Name.isEmpty() || Closing)
        return true;
    if (!Empty) {
        // The children are gathered first and handed over together, so that
        // the item's list is made once at its size.
        if (FChildren.size() <= size_t(Depth))
            FChildren.resize(size_t(Depth) + 1);
        try {
            for (;;) {
                // The closing tag is read into an item too; that one is kept
                // for the next element instead of being freed.
                std::unique_ptr<TqdzXMLItem> Child = FSpare ? std::move(FSpare) : std::make_unique<TqdzXMLItem>();
                if (ReadItemAt(Child.get(), AllowUnloading, Depth + 1)) {
                    Child->Clear();
                    Child->SetLoaded(true);
                    FSpare = std::move(Child);
                    break;
                }
                FChildren[size_t(Depth)].push_back(Child.release());
            }
        } catch (...) {
            // What was read before the error is kept.
            Item->AdoptItems(FChildren[size_t(Depth)]);
            FChildren[size_t(Depth)].clear();
            throw;
        }
        Item->AdoptItems(FChildren[size_t(Depth)]);
        FChildren[size_t(Depth)].clear();
        if (!FLastName.isEmpty()
            && (FLastName.size() != Name.size() + 1 || FLastName[0] != '/'
                || qstrnicmp(FLastName.constData() + 1, Name.constData(), Name.size()) != 0))
            throw TqdzInvalidXMLException();
    }
    const qsizetype Marker = IndexOfLowered(Text, " ld=\"0\"");
    if (Marker >= 0) {
        Text.remove(Marker, 7);
        Item->SetText(Text);
        if (AllowUnloading) {
            Item->Clear();
            Item->SetPosition(Start);
            Item->SetUnloadable(true);
            Item->SetLoaded(false);
        }
    }
    return false;
}

// ---------------------------------------------------------------- writer

TqdzXMLWriter::TqdzXMLWriter(TStream *Stream, TStream *SideStream, bool AutoIndent)
    : FStream(Stream), FSideStream(SideStream), FAutoIndent(AutoIndent)
{
}

TqdzXMLWriter::~TqdzXMLWriter() = default;

void TqdzXMLWriter::Flush()
{
    if (!FBuffer.isEmpty())
        FStream->WriteBuffer(FBuffer.constData(), FBuffer.size());
    FBuffer.resize(0); // the buffer is kept for what follows
}

void TqdzXMLWriter::WriteLn(const QByteArray &S)
{
    FBuffer += S;
    EndLine();
}

void TqdzXMLWriter::EndLine()
{
    if (FAutoIndent)
        FBuffer += "\r\n";
    if (FBuffer.size() > 4096)
        Flush();
}

void TqdzXMLWriter::WriteHeader()
{
    WriteLn("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
}

void TqdzXMLWriter::WriteRootItem(TqdzXMLItem *Item)
{
    // A document without a root element (an empty or cut-off one) is its
    // header alone; "</>" would not read back.
    if (Item->Name().isEmpty() && Item->Text().isEmpty() && Item->Count() == 0)
        return;
    WriteItem(Item, 0);
}

void TqdzXMLWriter::WriteItem(TqdzXMLItem *Item, int Level)
{
    bool Reloaded = false;
    if (Item->Unloadable() && !Item->Loaded() && FSideStream) {
        const QByteArray Name = Item->Name(), Text = Item->Text();
        {
            TqdzXMLReader Reader(FSideStream);
            Reader.SetPosition(Item->Position());
            Reader.ReadItem(Item, false);
        }
        Item->SetName(Name);
        Item->SetText(Text);
        Reloaded = true;
    }

    // Written piece by piece into the buffer: no line is put together first.
    const qsizetype Indent = FAutoIndent ? qsizetype(Level) * 2 : 0;
    const bool HasChildren = Item->GetCount() > 0;
    FBuffer.append(Indent, ' ');
    FBuffer += '<';
    FBuffer += Item->Name();
    if (!Item->Text().isEmpty() || Item->Unloadable()) {
        if (!Item->Text().startsWith(' '))
            FBuffer += ' ';
        FBuffer += Item->Text();
        if (Item->Unloadable())
            FBuffer += "ld=\"0\"";
    }
    FBuffer += HasChildren ? ">" : "/>";
    EndLine();
    if (HasChildren) {
        for (int I = 0; I < Item->GetCount(); ++I)
            WriteItem(Item->GetItems(I), Level + 1);
        FBuffer.append(Indent, ' ');
        FBuffer += "</";
        FBuffer += Item->Name();
        FBuffer += '>';
        EndLine();
    }
    if (Reloaded)
        Item->Clear();   // unloadable, so it is not loaded again
}

// ---------------------------------------------------------------- document

TqdzXMLDocument::TqdzXMLDocument() : FRoot(std::make_unique<TqdzXMLItem>()) {}

TqdzXMLDocument::~TqdzXMLDocument()
{
    DeleteTempFile();
}

void TqdzXMLDocument::Clear()
{
    FRoot->Clear();
    DeleteTempFile();
}

void TqdzXMLDocument::DeleteTempFile()
{
    if (FSideStream == FTempStream.get())
        FSideStream = nullptr;
    FTempStream.reset();
    if (FTempFileCreated)
        QFile::remove(FTempFileName);
    FTempFileCreated = false;
    FTempFileName.clear();
}

void TqdzXMLDocument::CreateTempFile()
{
    if (FTempStream)
        return;
    FTempFileName = GetTempFile(FTempDir);
    FTempFileCreated = true;
    FTempStream = std::make_unique<TFileStream>(FTempFileName, fmOpenReadWrite);
    FSideStream = FTempStream.get();
}

void TqdzXMLDocument::LoadFromStream(TStream *Stream, bool AllowPartialLoading)
{
    DeleteTempFile();
    FSideStream = nullptr;
    FRoot->Clear();
    FRoot->SetPosition(0);
    TqdzXMLReader Reader(Stream);
    Reader.ReadHeader();
    FPlainStringAttributes = Reader.PlainStringAttributes();
    Reader.ReadItem(FRoot.get(), AllowPartialLoading);
    FSideStream = AllowPartialLoading ? Stream : nullptr;
}

void TqdzXMLDocument::SaveToStream(TStream *Stream)
{
    TqdzXMLWriter Writer(Stream, FSideStream, FAutoIndent);
    Writer.WriteHeader();
    Writer.WriteRootItem(FRoot.get());
    Writer.Flush();
}

void TqdzXMLDocument::LoadItem(TqdzXMLItem *Item)
{
    if (!FSideStream || !Item->Unloadable() || Item->Loaded())
        return;
    const QByteArray Name = Item->Name(), Text = Item->Text();
    {
        TqdzXMLReader Reader(FSideStream);
        Reader.SetPosition(Item->Position());
        Reader.ReadItem(Item, false);
    }
    Item->SetName(Name);
    Item->SetText(Text);
    Item->SetLoaded(true);
}

void TqdzXMLDocument::LoadAllItems(TqdzXMLItem *Item)
{
    LoadItem(Item);
    for (int I = 0; I < Item->GetCount(); ++I)
        LoadAllItems(Item->GetItems(I));
}

void TqdzXMLDocument::UnloadItem(TqdzXMLItem *Item)
{
    if (!Item->Loaded() || !Item->Unloadable())
        return;
    if (FSideStream && FSideStream != FTempStream.get()) {
        // Partially loaded: bring everything back from the source stream
        // before the temporary file takes its place as side stream.
        LoadAllItems(FRoot.get());
        FSideStream = nullptr;
    } else {
        // Unloaded items inside it are written whole: the writer below
        // cannot read back from the stream it writes to.
        LoadAllItems(Item);
    }
    CreateTempFile();
    FSideStream->Seek(0, soFromEnd);
    Item->SetPosition(quint64(FSideStream->Position()));
    {
        TqdzXMLWriter Writer(FSideStream, nullptr, false);
        Writer.WriteItem(Item, 0);
        Writer.Flush();
    }
    Item->Clear();
}

QByteArray qdzAttrText(const char *Name, const QByteArray &Value)
{
    // Made for every attribute of every built object: one allocation.
    const qsizetype n = qsizetype(std::strlen(Name));
    QByteArray r;
    r.reserve(n + Value.size() + 4);
    r += ' ';
    r.append(Name, n);
    r += "=\"";
    r += Value;
    r += '"';
    return r;
}
