// Implementation of the script engine's own small XML tree.
#include "kw_ixml.h"
#include "Classes.h"
#include "Exceptions.h"
#include <algorithm>
#include <functional>

// --- escaping ----------------------------------------------------------------

QString kwStrToXML(const QString &S)
{
    QString r;
    r.reserve(S.size() + 8);
    const int n = int(S.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = S[i];
        switch (c.unicode()) {
        case 10: r += QLatin1String("&#10;"); break;
        case 13: r += QLatin1String("&#13;"); break;
        case '"': r += QLatin1String("&#34;"); break;
        case '<': r += QLatin1String("&#60;"); break;
        case '>': r += QLatin1String("&#62;"); break;
        case '&':
            // A bare ampersand reads back unchanged, but one that starts an
            // escape the reader decodes must be escaped itself.
            if ((i + 1 < n && S[i + 1] == QLatin1Char('#')) ||
                QStringView(S).mid(i + 1, 5) == QLatin1String("quot;"))
                r += QLatin1String("&#38;");
            else
                r += c;
            break;
        default: r += c;
        }
    }
    return r;
}

QString kwXMLToStr(const QString &S)
{
    if (!S.contains(QLatin1Char('&')))
        return S;
    QString r;
    r.reserve(S.size());
    const int n = int(S.size());
    int i = 0;
    while (i < n) {
        const QChar c = S[i];
        if (c == QLatin1Char('&')) {
            if (i + 1 < n && S[i + 1] == QLatin1Char('#')) {
                const bool hex = i + 2 < n && (S[i + 2] == QLatin1Char('x') || S[i + 2] == QLatin1Char('X'));
                const int first = i + (hex ? 3 : 2);
                int j = first;
                qint64 code = 0;
                for (; j < n && j - i < 10; ++j) {
                    const char16_t d = S[j].unicode();
                    int digit = -1;
                    if (d >= '0' && d <= '9')
                        digit = d - '0';
                    else if (hex && ((d >= 'a' && d <= 'f') || (d >= 'A' && d <= 'F')))
                        digit = (d | 0x20) - 'a' + 10;
                    if (digit < 0)
                        break;
                    code = code * (hex ? 16 : 10) + digit;
                }
                if (j > first && j < n && S[j] == QLatin1Char(';') && code <= 0x10FFFF
                    && (code < 0xD800 || code > 0xDFFF)) {
                    if (code > 0xFFFF) {
                        const char32_t cp = char32_t(code);
                        r += QString::fromUcs4(&cp, 1);
                    } else {
                        r += QChar(char16_t(code));
                    }
                    i = j + 1;
                    continue;
                }
            } else if (QStringView(S).mid(i + 1, 5) == QLatin1String("quot;")) {
                r += QLatin1Char('"');
                i += 6;
                continue;
            }
        }
        r += c;
        ++i;
    }
    return r;
}

// --- TkwXMLItem --------------------------------------------------------------

TkwXMLItem::~TkwXMLItem()
{
    Clear();
    Detach();
}

void TkwXMLItem::Detach()
{
    if (!FParent)
        return;
    auto &list = FParent->FItems;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end())
        list.erase(it);
    FParent = nullptr;
}

TkwXMLItem *TkwXMLItem::Add()
{
    auto *item = new TkwXMLItem;
    AddItem(item);
    return item;
}

void TkwXMLItem::AddItem(TkwXMLItem *Item)
{
    Item->Detach();
    FItems.push_back(Item);
    Item->FParent = this;
}

void TkwXMLItem::InsertItem(int Index, TkwXMLItem *Item)
{
    AddItem(Item);
    auto &list = FItems;
    if (Index < 0 || Index >= int(list.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    list.pop_back();
    list.insert(list.begin() + Index, Item);
}

int TkwXMLItem::Find(const QString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->FName.compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TkwXMLItem *TkwXMLItem::FindItem(const QString &Name)
{
    const int i = Find(Name);
    if (i >= 0)
        return Items(i);
    TkwXMLItem *item = Add();
    item->FName = Name;
    return item;
}

TkwXMLItem *TkwXMLItem::Root()
{
    TkwXMLItem *r = this;
    while (r->FParent)
        r = r->FParent;
    return r;
}

static inline char16_t AsciiUpper(char16_t c)
{
    return (c >= 'a' && c <= 'z') ? char16_t(c - 32) : c;
}

int TkwXMLItem::FindAttr(const QString &Name, int &ValueStart) const
{
    // The attribute is " NAME=\"" in the upper-cased text with a blank in front.
    const int n = int(FText.size()), m = int(Name.size());
    const QChar *t = FText.constData();
    const QChar *nm = Name.constData();
    for (int i = 0; i + m + 2 <= n; ++i) {
        if (i > 0 && t[i - 1] != QLatin1Char(' '))
            continue;
        int k = 0;
        while (k < m && AsciiUpper(t[i + k].unicode()) == AsciiUpper(nm[k].unicode()))
            ++k;
        if (k == m && t[i + m] == QLatin1Char('=') && t[i + m + 1] == QLatin1Char('"')) {
            ValueStart = i + m + 2;
            return i;
        }
    }
    return -1;
}

QString TkwXMLItem::Prop(const QString &Name) const
{
    int vs = 0;
    if (FindAttr(Name, vs) < 0)
        return QString();
    int ve = int(FText.indexOf(QLatin1Char('"'), vs));
    if (ve < 0)
        ve = int(FText.size());
    return kwXMLToStr(FText.mid(vs, ve - vs));
}

void TkwXMLItem::SetProp(const QString &Name, const QString &Value)
{
    const QString attr = Name + QLatin1String("=\"") + kwStrToXML(Value) + QLatin1Char('"');
    int vs = 0;
    const int at = FindAttr(Name, vs);
    if (at >= 0) {
        int ve = int(FText.indexOf(QLatin1Char('"'), vs));
        ve = ve < 0 ? int(FText.size()) : ve + 1;
        FText.replace(at, ve - at, attr);
    } else {
        if (!FText.endsWith(QLatin1Char(' ')))
            FText += QLatin1Char(' ');
        FText += attr;
    }
}

void TkwXMLItem::Clear()
{
    if (FItems.empty())
        return;
    // Flattened, so that a deep tree does not recurse once per level.
    std::vector<TkwXMLItem *> all;
    all.swap(FItems);
    for (size_t i = 0; i < all.size(); ++i) {
        TkwXMLItem *c = all[i];
        c->FParent = nullptr;
        if (!c->FItems.empty()) {
            all.insert(all.end(), c->FItems.begin(), c->FItems.end());
            c->FItems.clear();
        }
    }
    for (TkwXMLItem *c : all)
        delete c;
}

void TkwXMLItem::Assign(TkwXMLItem *Source)
{
    if (Source == this)
        return;
    Clear();
    std::vector<std::pair<TkwXMLItem *, TkwXMLItem *>> work{{Source, this}};
    while (!work.empty()) {
        auto [src, dst] = work.back();
        work.pop_back();
        dst->FName = src->FName;
        dst->FText = src->FText;
        dst->FData = src->FData;
        for (int i = 0; i < src->Count(); ++i)
            work.emplace_back(src->Items(i), dst->Add());
    }
}

// --- TkwXMLReader ------------------------------------------------------------

static const qint64 kwXMLBlock = 4096;

TkwXMLReader::TkwXMLReader(TStream *Stream) : FStream(Stream), FFromStream(true) {}

TkwXMLReader::TkwXMLReader(const QByteArray &Bytes) : FBuffer(Bytes) {}

void TkwXMLReader::RaiseFormatError()
{
    throw EReadError(QStringLiteral("Invalid file format"));
}

int TkwXMLReader::NextByte()
{
    if (FBufPos >= FBuffer.size()) {
        if (!FFromStream)
            return -1;
        FBuffer.resize(kwXMLBlock);
        const qint64 got = FStream->Read(FBuffer.data(), kwXMLBlock);
        FBuffer.resize(got > 0 ? got : 0);
        FBufPos = 0;
        if (FBuffer.isEmpty())
            return -1;
    }
    return uchar(FBuffer[FBufPos++]);
}

// The next tag's text between "<" and ">", comments skipped. False at the end
// of the input before any "<".
bool TkwXMLReader::ReadTag(QByteArray &Tag)
{
    for (;;) {
        int c;
        do {
            c = NextByte();
            if (c < 0)
                return false;
        } while (c != '<');
        Tag.clear();
        for (;;) {
            c = NextByte();
            if (c < 0 || c == '<')
                RaiseFormatError();
            if (c == '>')
                break;
            Tag.append(char(c));
            if (Tag.size() == 3 && Tag == "!--")
                break;
        }
        if (Tag != "!--")
            return true;
        // A comment runs to "-->", whatever it holds.
        int dashes = 0;
        for (;;) {
            c = NextByte();
            if (c < 0)
                RaiseFormatError();
            if (c == '>' && dashes >= 2)
                break;
            dashes = c == '-' ? dashes + 1 : 0;
        }
    }
}

void TkwXMLReader::ReadRootItem(TkwXMLItem *Root)
{
    QByteArray tag;
    if (!ReadTag(tag) || !tag.startsWith("?xml"))
        RaiseFormatError();
    std::vector<TkwXMLItem *> open;
    bool rootRead = false;
    for (;;) {
        if (!ReadTag(tag))
            RaiseFormatError();
        while (!tag.isEmpty() && uchar(tag.back()) <= ' ')
            tag.chop(1);
        qsizetype blank = 0;
        while (blank < tag.size() && uchar(tag[blank]) > ' ')
            ++blank;
        QString name = QString::fromUtf8(tag.constData(), blank);
        QString attrs = blank < tag.size() ? QString::fromUtf8(tag.constData() + blank + 1, tag.size() - blank - 1) : QString();
        if (name.startsWith(QLatin1Char('/'))) {
            if (open.empty() || name.mid(1).compare(open.back()->Name(), Qt::CaseInsensitive) != 0)
                RaiseFormatError();
            open.pop_back();
            if (open.empty())
                break;
            continue;
        }
        bool empty = false;
        if (name.endsWith(QLatin1Char('/'))) {
            name.chop(1);
            empty = true;
        } else if (attrs.endsWith(QLatin1Char('/'))) {
            attrs.chop(1);
            while (attrs.endsWith(QLatin1Char(' ')))
                attrs.chop(1);
            empty = true;
        }
        TkwXMLItem *item = rootRead ? open.back()->Add() : Root;
        rootRead = true;
        item->SetName(name);
        item->SetText(attrs);
        if (!empty)
            open.push_back(item);
        else if (item == Root)
            break;
    }
    // Give back what was read ahead of the last byte used.
    if (FFromStream && FBufPos < FBuffer.size())
        FStream->Seek(FBufPos - FBuffer.size(), soCurrent);
}

// --- TkwXMLWriter ------------------------------------------------------------

// Produces the text in pieces; Sink receives each piece.
static void WriteItems(TkwXMLItem *Root, bool AutoIndent, const std::function<void(QString &)> &Sink)
{
    QString out;
    const QLatin1String eol = AutoIndent ? QLatin1String("\r\n") : QLatin1String("");
    out += QLatin1String("<?xml version=\"1.0\"?>");
    out += eol;
    struct Step { TkwXMLItem *Item; int Level; bool Closing; };
    std::vector<Step> work{{Root, 0, false}};
    while (!work.empty()) {
        const Step s = work.back();
        work.pop_back();
        if (AutoIndent)
            out += QString(s.Level * 2, QLatin1Char(' '));
        if (s.Closing) {
            out += QLatin1String("</") + s.Item->Name() + QLatin1Char('>') + eol;
        } else {
            out += QLatin1Char('<') + s.Item->Name();
            const QString text = s.Item->Text();
            if (!text.isEmpty() && !text.startsWith(QLatin1Char(' ')))
                out += QLatin1Char(' ');
            out += text;
            if (s.Item->Count() == 0) {
                out += QLatin1String("/>") + eol;
            } else {
                out += QLatin1Char('>') + eol;
                work.push_back({s.Item, s.Level, true});
                for (int i = s.Item->Count() - 1; i >= 0; --i)
                    work.push_back({s.Item->Items(i), s.Level + 1, false});
            }
        }
        if (out.size() >= kwXMLBlock) {
            Sink(out);
            out.clear();
        }
    }
    if (!out.isEmpty())
        Sink(out);
}

void TkwXMLWriter::WriteRootItem(TkwXMLItem *Root)
{
    WriteItems(Root, FAutoIndent, [this](QString &piece) {
        const QByteArray bytes = piece.toUtf8();
        FStream->WriteBuffer(bytes.constData(), bytes.size());
    });
}

QString TkwXMLWriter::ItemToText(TkwXMLItem *Root, bool AutoIndent)
{
    QString all;
    WriteItems(Root, AutoIndent, [&all](QString &piece) { all += piece; });
    return all;
}

// --- TkwXMLDocument ----------------------------------------------------------

TkwXMLDocument::TkwXMLDocument() : FRoot(std::make_unique<TkwXMLItem>()) {}

TkwXMLDocument::~TkwXMLDocument() = default;

void TkwXMLDocument::LoadFromStream(TStream *Stream)
{
    FRoot->Clear();
    TkwXMLReader reader(Stream);
    reader.ReadRootItem(FRoot.get());
}

void TkwXMLDocument::SaveToStream(TStream *Stream)
{
    TkwXMLWriter writer(Stream);
    writer.SetAutoIndent(FAutoIndent);
    writer.WriteRootItem(FRoot.get());
}

void TkwXMLDocument::LoadFromFile(const QString &FileName)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TkwXMLDocument::SaveToFile(const QString &FileName)
{
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

void TkwXMLDocument::LoadFromString(const QString &Text)
{
    FRoot->Clear();
    TkwXMLReader reader(Text.toUtf8());
    reader.ReadRootItem(FRoot.get());
}

QString TkwXMLDocument::SaveToString()
{
    return TkwXMLWriter::ItemToText(FRoot.get(), FAutoIndent);
}

// Class references, so that scripts can name and create these classes.
STATION_PUBLISHED(TkwXMLItem) {}
STATION_PUBLISHED(TkwXMLDocument) {}
