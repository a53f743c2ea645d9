// Implementation of the report template format.
#include "qdzXMLSerializer.h"

#include "platform/CodePages.h"
#include "platform/Graphics.h"
#include "platform/SysUtils.h"
#include "platform/Variants.h"
#include "qdzClass.h"
#include "qdzRes.h"
#include "qdzUtils.h"
#include "qdzWideStrings.h"
#include "qdzXML.h"

#include <QVarLengthArray>
#include <QtEndian>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// A plain decimal such as "-12.5" or "3,75" read straight from the bytes,
// as qdzStrToFloat reads it (either separator, correctly rounded); False
// for anything else, which takes the general way.
bool PlainDecimal(const QByteArray &V, double &Out)
{
    const qsizetype n = V.size();
    if (n == 0 || n > 64)
        return false;
    const char *p = V.constData();
    char buf[72];
    int b = 0;
    int digits = 0;
    bool separator = false;
    qsizetype i = 0;
    const bool negative = p[0] == '-';
    if (negative)
        i = 1;
    for (; i < n; ++i) {
        const char c = p[i];
        if (c >= '0' && c <= '9') {
            buf[b++] = c;
            ++digits;
        } else if ((c == '.' || c == ',') && !separator) {
            separator = true;
            buf[b++] = '.';
        } else {
            return false;
        }
    }
    if (digits == 0 || buf[0] == '.' || buf[b - 1] == '.')
        return false;
    // Up to 15 digits with at most 15 after the separator: the digits as a
    // whole number and the power of ten are both exact doubles, so one
    // division is correctly rounded, the same as the full conversion.
    if (digits <= 15) {
        static constexpr double Pow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        qint64 m = 0;
        int scale = 0;
        bool after = false;
        for (int k = 0; k < b; ++k) {
            if (buf[k] == '.') {
                after = true;
                continue;
            }
            m = m * 10 + (buf[k] - '0');
            scale += after;
        }
        const double v = double(m) / Pow10[scale];
        Out = negative ? -v : v;
        return true;
    }
    double v = 0;
    const auto r = std::from_chars(buf, buf + b, v);
    if (r.ec != std::errc() || r.ptr != buf + b)
        return false;
    Out = negative ? -v : v;
    return true;
}

QString WithoutTrailingBreak(QString S)
{
    if (S.endsWith(QLatin1String("\r\n")))
        S.chop(2);
    return S;
}

// Texts are written without their last line's break; it goes back on when
// read, or a text whose last line is empty would lose that line each time.
QString WithTrailingBreak(QString S)
{
    if (!S.isEmpty())
        S += QLatin1String("\r\n");
    return S;
}

// The same for a memo's lines: a text without a break is one line either
// way, and kept as it is it is shared rather than copied.
QString WithTrailingBreakIfLines(QString S)
{
    const bool lines = std::any_of(S.cbegin(), S.cend(), [](QChar C) {
        return C == QLatin1Char('\r') || C == QLatin1Char('\n') || C.unicode() == 0x2028;
    });
    if (lines)
        return WithTrailingBreak(std::move(S));
    return S;
}

// Short Latin-1 attribute values widened on the stack, for the parsers that
// read UTF-16: no heap string per number or enumeration name.
class TLatin1Wide
{
public:
    explicit TLatin1Wide(const QByteArray &Bytes) : FBuffer(Bytes.size())
    {
        for (qsizetype i = 0; i < Bytes.size(); ++i)
            FBuffer[i] = static_cast<unsigned char>(Bytes[i]);
    }
    QStringView View() const { return QStringView(FBuffer.constData(), FBuffer.size()); }

private:
    QVarLengthArray<char16_t, 64> FBuffer;
};

template<size_t N>
bool SameAttrName(const QByteArray &A, const char (&B)[N])
{
    return A.size() == qsizetype(N - 1) && qstrnicmp(A.constData(), B, N - 1) == 0;
}

// Short names compared in place; the slot looked at first mostly matches.
inline bool SameBytes(const char *A, const char *B, qsizetype N)
{
    for (qsizetype i = 0; i < N; ++i)
        if (A[i] != B[i])
            return false;
    return true;
}

// Elements in the tree of Item, Item included: each may make a named object.
qsizetype CountItems(const TqdzXMLItem *Item)
{
    qsizetype n = 1;
    for (int i = 0; i < Item->Count(); ++i)
        n += CountItems(Item->GetItems(i));
    return n;
}

bool IsComponentClass(PPropInfo Prop)
{
    TClass c = Prop->PropType()->ClassType();
    return c && c->InheritsFrom(TComponent::StaticClass());
}

// Whether the accessors of Prop may be used on Obj.
bool HasProp(TObject *Obj, PPropInfo Prop)
{
    return Obj && Obj->InheritsFrom(Prop->DeclaringClass());
}

bool SameVariant(const Variant &A, const Variant &B)
{
    if (A.VType() != B.VType())
        return false;
    try {
        return VarCompareValue(A, B) == vrEqual;
    } catch (const Exception &) {
        return false;
    }
}

// Sets the writing flag of a report object for the time it is written.
class TWritingScope
{
public:
    explicit TWritingScope(TPersistent *Obj) : FComp(dynamic_cast<TqdzComponent *>(Obj))
    {
        if (FComp) {
            FWas = FComp->IsWriting();
            FComp->SetIsWriting(true);
        }
    }
    ~TWritingScope()
    {
        if (FComp)
            FComp->SetIsWriting(FWas);
    }
    TWritingScope(const TWritingScope &) = delete;
    TWritingScope &operator=(const TWritingScope &) = delete;

private:
    TqdzComponent *FComp;
    bool FWas = false;
};

void WriteRawLongString(TWriter *Writer, const QByteArray &S)
{
    Writer->WriteValue(vaLString);
    quint8 len[4];
    qToLittleEndian(qint32(S.size()), len);
    Writer->Stream()->WriteBuffer(len, 4);
    Writer->Stream()->WriteBuffer(S.constData(), S.size());
}

QByteArray ReadRawString(TReader *Reader)
{
    TStream *s = Reader->Stream();
    qint64 len = 0;
    switch (Reader->NextValue()) {
    case vaString: {
        Reader->ReadValue();
        quint8 b;
        s->ReadBuffer(&b, 1);
        len = b;
        break;
    }
    case vaLString: {
        Reader->ReadValue();
        quint8 b[4];
        s->ReadBuffer(b, 4);
        len = qFromLittleEndian<qint32>(b);
        break;
    }
    default:
        return StringToCodePage(Reader->ReadString(), CP_ACP);
    }
    if (len < 0 || len > s->Size() - s->Position())
        throw EReadError(QStringLiteral("Stream read error"));
    QByteArray bytes(qsizetype(len), '\0');
    s->ReadBuffer(bytes.data(), len);
    return bytes;
}

} // namespace

// ------------------------------------------------------------- construction

TqdzXMLSerializer::TqdzXMLSerializer(TStream *Stream) : FErrors(std::make_unique<TStringList>()), FStream(Stream)
{
    FErrors->SetSorted(true);
    FErrors->SetDuplicates(dupIgnore);
}

TqdzXMLSerializer::~TqdzXMLSerializer() = default;

void TqdzXMLSerializer::AddError(const QString &Message)
{
    FErrors->Add(Message);
}

QByteArray TqdzXMLSerializer::EncodeString(const QString &S) const
{
    return StrToXML(StringToCodePage(S, CP_ACP));
}

QString TqdzXMLSerializer::DecodeString(const QByteArray &Value) const
{
    return FPlainStringAttributes ? CodePageToString(Value, CP_ACP) : QString::fromUtf8(Value);
}

TClass TqdzXMLSerializer::FindComponentClass(const QByteArray &Name)
{
    // Sibling elements mostly name one class.
    if (FLastClass && Name == FLastClassName)
        return FLastClass;
    // Only the report's own object classes may be made from an element.
    TClass c = GetClass(QString::fromLatin1(Name));
    if (!c || !c->InheritsFrom(TqdzComponent::StaticClass()) || c->IsAbstract())
        return nullptr;
    FLastClassName = QByteArray(Name.constData(), Name.size()); // Name may be a view
    FLastClass = c;
    return c;
}

TComponent *TqdzXMLSerializer::FindReference(const QString &Name)
{
    TComponent *c = nullptr;
    if (FTreeNamesOn) {
        auto It = FTreeNames.find(Name);
        c = It == FTreeNames.end() ? nullptr : It->second;
    } else if (auto *o = dynamic_cast<TqdzComponent *>(FOwner)) {
        c = o->FindObject(Name);
    }
    if (!c)
        c = FindComponentByPath(FOwner, Name);
    return c;
}

void TqdzXMLSerializer::FindInstance(TReader *, const QString &Name, TComponent *&Instance)
{
    Instance = FindReference(Name);
}

// ------------------------------------------------------------------ reading

void TqdzXMLSerializer::ReadTemplateRoot(TqdzComponent *RootObject, TqdzXMLItem *Item)
{
    if (!FOwner)
        FOwner = RootObject;
    std::unique_ptr<TqdzXMLDocument> doc;
    if (!Item) {
        doc = std::make_unique<TqdzXMLDocument>();
        doc->LoadFromStream(FStream);
        FPlainStringAttributes = doc->PlainStringAttributes();
        Item = doc->Root();
    }
    FLoaded.clear();
    FLoadedSet.clear();
    FLoadedIndexed = false;
    if (FOwner->InheritsFrom(TqdzReport::StaticClass()))
        static_cast<TqdzReport *>(FOwner)->ReserveNames(CountItems(Item));
    try {
        ReadObjectElement(nullptr, RootObject, Item);
    } catch (...) {
        FinishLoading();
        throw;
    }
    FinishLoading();
}

void TqdzXMLSerializer::FinishLoading()
{
    ResolveFixups();
    const std::vector<TqdzComponent *> loaded = std::move(FLoaded);
    FLoaded.clear();
    FLoadedSet.clear();
    FLoadedIndexed = false;
    for (TqdzComponent *c : loaded)
        c->SetIsLoading(false);
    for (TqdzComponent *c : loaded) {
        if (c->InheritsFrom(TqdzReport::StaticClass()))
            continue;
        try {
            c->Loaded();
        } catch (const Exception &e) {
            AddError(e.Message());
        }
    }
}

void TqdzXMLSerializer::ReadObjectElement(TqdzComponent *Parent, TqdzComponent *RootObject, TqdzXMLItem *Item)
{
    const QByteArray &elementName = Item->Name();
    const bool inherited = SameAttrName(elementName, "inherited");
    TClass cls = nullptr;
    if (!inherited) {
        cls = FindComponentClass(elementName);
        if (!cls) {
            AddError(qdzResources()->ResourceText(QStringLiteral("xrCantFindClass")) + QLatin1Char(' ')
                     + QString::fromLatin1(elementName));
            return;
        }
    }

    TqdzComponent *obj = nullptr;
    bool fresh = false;
    QByteArray nameBytes;
    QString name;
    if (Parent) {
        // A report stands only at the root: one inside a page would take
        // its objects' names for the outer report's.
        if (cls && cls->InheritsFrom(TqdzReport::StaticClass())) {
            AddError(qdzResources()->ResourceText(QStringLiteral("xrCantFindClass")) + QLatin1Char(' ')
                     + QString::fromLatin1(elementName));
            return;
        }
        static const QByteArray NameAttr("Name");
        try {
            nameBytes = Item->PropView(NameAttr);
            name = DecodeString(Unescape(nameBytes));
        } catch (const Exception &) {
            // Said when the attribute itself is read.
            nameBytes.clear();
            name.clear();
        }
        if (FOwner && FOwner->InheritsFrom(TqdzReport::StaticClass()))
            obj = dynamic_cast<TqdzComponent *>(static_cast<TqdzReport *>(FOwner)->FindOwnedComponent(name));
        else if (FOwner && !name.isEmpty())
            obj = dynamic_cast<TqdzComponent *>(FOwner->FindComponent(name));
        if (!obj) {
            if (inherited) {
                // Nothing of the ancestor report carries this name: there is
                // nothing to apply the element to.
                AddError(QStringLiteral("Cannot find inherited object %1").arg(name));
                return;
            }
            try {
                obj = static_cast<TqdzComponent *>(cls->Create(Parent));
            } catch (const Exception &e) {
                AddError(e.Message());
                return;
            }
            fresh = true;
        }
    } else {
        obj = RootObject;
    }

    obj->SetIsLoading(true);
    AddLoaded(obj, fresh);
    struct TReadingGuard
    {
        std::vector<TqdzComponent *> &Reading;
        size_t Depth;
        ~TReadingGuard() { Reading.resize(Depth); }
    } guard{FReading, FReading.size()};
    FReading.push_back(obj);
    {
        // The name's bytes are a view into this element's text: good only
        // while that text is read.
        struct TNameScope
        {
            TqdzXMLSerializer *S;
            ~TNameScope()
            {
                S->FNameBytes.clear();
                S->FNameDecoded.clear();
            }
        } scope{this};
        FNameBytes = nameBytes;
        FNameDecoded = name;
        ReadObjectAttributes(obj, Item->Text());
    }
    for (int i = 0; i < Item->Count(); ++i) {
        // An attribute setter may have freed the object (see ForgetObject).
        if (!FReading[guard.Depth])
            return;
        ReadObjectElement(obj, RootObject, Item->GetItems(i));
    }
}

void TqdzXMLSerializer::AddLoaded(TqdzComponent *Obj, bool Fresh)
{
    // A fresh object cannot be listed yet: a freed one left the list.
    if (!Fresh && !FLoaded.empty()) {
        IndexLoaded();
        if (FLoadedSet.contains(Obj))
            return;
    }
    FLoaded.push_back(Obj);
    if (FLoadedIndexed)
        FLoadedSet.insert(Obj);
}

void TqdzXMLSerializer::IndexLoaded()
{
    if (FLoadedIndexed)
        return;
    FLoadedSet.reserve(qsizetype(FLoaded.size()));
    for (TqdzComponent *c : FLoaded)
        FLoadedSet.insert(c);
    FLoadedIndexed = true;
}

namespace {

// Calls Each(name, value) for the attributes of Text in order; name and
// value are views into Text.
template<class F>
void ForEachAttribute(const QByteArray &Text, F &&Each)
{
    // One pass over the text; names and values are views into Text.
    const char *const base = Text.constData();
    const char *const end = base + Text.size();
    const char *p = base;
    while (p < end) {
        while (p < end && *p == ' ')
            ++p;
        // Names are short and the value's quote mostly follows the '=':
        // stepped over in place; a value may be long.
        const char *eq = p;
        while (eq < end && *eq != '=')
            ++eq;
        if (eq == end)
            break;
        const char *nameEnd = eq;
        while (nameEnd > p && nameEnd[-1] == ' ')
            --nameEnd;
        if (nameEnd == p)
            break;
        const char *q1 = eq + 1;
        while (q1 < end && *q1 != '"')
            ++q1;
        if (q1 == end)
            break;
        const char *q2 = static_cast<const char *>(std::memchr(q1 + 1, '"', size_t(end - q1 - 1)));
        if (!q2)
            break;
        // A bare word before the name (a class name in a built page's
        // text) is no attribute: skip it.
        const char *name = nameEnd;
        while (name > p && name[-1] != ' ')
            --name;
        p = q2 + 1;
        Each(QByteArray::fromRawData(name, nameEnd - name), QByteArray::fromRawData(q1 + 1, q2 - q1 - 1));
    }
}

} // namespace

namespace {

QString ObjectName(TPersistent *Obj)
{
    auto *c = dynamic_cast<TComponent *>(Obj);
    return c && !c->Name().isEmpty() ? c->Name() : Obj->ClassName();
}

} // namespace

void TqdzXMLSerializer::ReadObjectAttributes(TPersistent *Obj, const QByteArray &Text)
{
    TPersistent *savedRoot = FCurrentRoot;
    FCurrentRoot = Obj;
    ForEachAttribute(Text, [this, Obj](const QByteArray &Name, const QByteArray &Value) {
        try {
            ReadAttribute(Obj, Name, Value);
        } catch (const EInvalidGraphic &e) {
            // Unlike an attribute the reader does not know, picture data
            // that cannot be decoded is a loss the template did not ask for.
            AddError(QStringLiteral("%1: %2").arg(ObjectName(Obj), e.Message()));
        } catch (const EqdzInvalidReference &e) {
            // So is a value the document itself garbled (a script lost whole).
            AddReferenceError(Obj, Name, e);
        } catch (const Exception &) {
            // An attribute that cannot be applied is skipped.
        }
    });
    FCurrentRoot = savedRoot;
}

void TqdzXMLSerializer::AddReferenceError(TPersistent *Obj, const QByteArray &Name, const Exception &E)
{
    AddError(QStringLiteral("%1.%2: %3").arg(ObjectName(Obj), QString::fromLatin1(Name), E.Message()));
}

void TqdzXMLSerializer::SplitObjectText(const QByteArray &Text, TSplitText &Split)
{
    Split.Text = Text;
    Split.Attributes.clear();
    const qsizetype space = Split.Text.indexOf(' ');
    Split.ClassName = space < 0 ? Split.Text : Split.Text.left(space);
    if (space < 0)
        return;
    const QByteArray &all = Split.Text;
    // Views into the list's own copy of the text.
    const QByteArray attributes = QByteArray::fromRawData(all.constData() + space + 1, all.size() - space - 1);
    ForEachAttribute(attributes, [&Split](const QByteArray &Name, const QByteArray &Value) {
        Split.Attributes.emplace_back(Name, Value);
    });
}

TqdzComponent *TqdzXMLSerializer::ReadObjectFromSplit(TComponent *Owner, const TSplitText &Base,
                                                      const QByteArray &More, bool SkipFixups)
{
    TqdzComponent *obj = CreateForRead(Owner, Base.ClassName);
    if (!obj)
        return nullptr;
    TPersistent *savedRoot = FCurrentRoot;
    FCurrentRoot = obj;
    for (const auto &[name, value] : Base.Attributes) {
        try {
            ReadAttribute(obj, name, value);
        } catch (const EInvalidGraphic &e) {
            AddError(QStringLiteral("%1: %2").arg(ObjectName(obj), e.Message()));
        } catch (const EqdzInvalidReference &e) {
            AddReferenceError(obj, name, e);
        } catch (const Exception &) {
            // An attribute that cannot be applied is skipped.
        }
    }
    FCurrentRoot = savedRoot;
    ReadObjectAttributes(obj, More);
    obj->SetIsLoading(false);
    if (!SkipFixups)
        ResolveFixups();
    return obj;
}

TqdzXMLSerializer::TAttrSlot &TqdzXMLSerializer::FindSlot(TClass Class, const QByteArray &Name)
{
    if (Class != FSlotsClass || !FSlots) {
        FSlots = &FPropSlots[Class];
        FSlotsClass = Class;
    }
    std::vector<TAttrSlot> &entries = FSlots->Slots;
    const size_t n = entries.size();
    for (size_t k = 0, i = FSlots->Cursor; k < n; ++k, ++i) {
        if (i >= n)
            i = 0;
        const QByteArray &s = entries[i].Name;
        if (s.size() == Name.size() && SameBytes(s.constData(), Name.constData(), s.size())) {
            FSlots->Cursor = i + 1;
            return entries[i];
        }
    }
    if (n < MaxPropSlots) {
        // Room for all: a slot handed out stays where it is.
        if (entries.capacity() < MaxPropSlots)
            entries.reserve(MaxPropSlots);
        // The name may be a view into element text: the slot keeps a copy.
        entries.push_back({QByteArray(Name.constData(), Name.size()), Class->FindProp(QString::fromLatin1(Name))});
        FSlots->Cursor = n + 1;
        return entries.back();
    }
    auto &names = FPropCache[Class];
    const std::string key(Name.constData(), size_t(Name.size()));
    auto it = names.find(key);
    if (it == names.end())
        it = names.emplace(key, TAttrSlot{QByteArray(Name.constData(), Name.size()),
                                          Class->FindProp(QString::fromLatin1(Name))}).first;
    return it->second;
}

// Decided on the first object of a class, from its class alone (the class
// registry and the casts answer the same for every object of the class).
TqdzXMLSerializer::TAttrAction TqdzXMLSerializer::ResolveAction(TPersistent *Obj, const QByteArray &Name,
                                                                PPropInfo Prop)
{
    if (Name.size() == 1) {
        const char c = Name[0];
        if ((c == 'l' || c == 't' || c == 'w' || c == 'h') && Obj->InheritsFrom(TqdzComponent::StaticClass()))
            return c == 'l' ? TAttrAction::Left
                 : c == 't' ? TAttrAction::Top
                 : c == 'w' ? TAttrAction::Width
                            : TAttrAction::Height;
        if ((c == 'u' || c == 'x') && Obj->InheritsFrom(TqdzCustomMemoView::StaticClass()))
            return c == 'u' ? TAttrAction::MemoUtf8 : TAttrAction::MemoAnsi;
    }
    if (SameAttrName(Name, "Text")) {
        if (Obj->InheritsFrom(TqdzCustomMemoView::StaticClass()))
            return TAttrAction::MemoText;
        if (dynamic_cast<TStrings *>(Obj))
            return TAttrAction::StringsText;
        if (dynamic_cast<TWideStrings *>(Obj))
            return TAttrAction::WideText;
    } else if (SameAttrName(Name, "PropData")) {
        return TAttrAction::PropData;
    } else if (SameAttrName(Name, "Name") && Obj->InheritsFrom(TqdzReport::StaticClass())) {
        return TAttrAction::Skip;
    }
    return Prop && Prop->IsWritable() ? TAttrAction::Prop : TAttrAction::Skip;
}

void TqdzXMLSerializer::ReadAttribute(TPersistent *Obj, const QByteArray &Name, const QByteArray &Value)
{
    TPersistent *obj = Obj;
    const char *const name = Name.constData();
    const qsizetype n = Name.size();
    qsizetype start = 0;
    for (;;) {
        // Names are a few bytes long: stepped over in place.
        const char *dot = name + start;
        while (dot < name + n && *dot != '.')
            ++dot;
        if (dot == name + n)
            break;
        PPropInfo p = FindProp(obj->ClassType(), QByteArray::fromRawData(name + start, dot - (name + start)));
        if (!p)
            break;
        // Only nested objects are walked into; a path never reaches through
        // a reference into another component.
        if (p->Kind() != tkClass || IsComponentClass(p))
            return;
        // By the class registry: fonts and frames are walked into for
        // almost every attribute of a stored template object.
        TObject *next = p->GetObject(obj);
        if (!next || !next->InheritsFrom(TPersistent::StaticClass()) || next->InheritsFrom(TComponent::StaticClass()))
            return;
        obj = static_cast<TPersistent *>(next);
        start = dot - name + 1;
    }
    const QByteArray last = start ? QByteArray::fromRawData(name + start, n - start) : Name;

    // The slot's action, taken out of it: applying the value may read
    // more attributes.
    TAttrSlot &slot = FindSlot(obj->ClassType(), last);
    if (slot.Action == TAttrAction::Unresolved)
        slot.Action = ResolveAction(obj, last, slot.Prop);
    const TAttrAction action = slot.Action;
    PPropInfo p = slot.Prop;
    switch (action) {
    case TAttrAction::Left:
    case TAttrAction::Top:
    case TAttrAction::Width:
    case TAttrAction::Height: {
        auto *comp = static_cast<TqdzComponent *>(obj);
        double v;
        if (!PlainDecimal(Value, v))
            v = qdzStrToFloat(QString::fromLatin1(Unescape(Value)));
        switch (action) {
        case TAttrAction::Left: comp->SetLeft(v); break;
        case TAttrAction::Top: comp->SetTop(v); break;
        case TAttrAction::Width: comp->SetWidth(v); break;
        default: comp->SetHeight(v); break;
        }
        return;
    }
    case TAttrAction::MemoUtf8:
    case TAttrAction::MemoAnsi: {
        const QByteArray bytes = Unescape(Value);
        static_cast<TqdzCustomMemoView *>(obj)->SetText(
            action == TAttrAction::MemoUtf8 ? QString::fromUtf8(bytes) : CodePageToString(bytes, CP_ACP));
        return;
    }
    case TAttrAction::MemoText:
        UnescapeInto(Value, FUnescaped);
        static_cast<TqdzCustomMemoView *>(obj)->SetText(WithTrailingBreakIfLines(QString::fromUtf8(FUnescaped)));
        return;
    case TAttrAction::StringsText:
        dynamic_cast<TStrings *>(obj)->SetText(WithTrailingBreak(DecodeString(Unescape(Value))));
        return;
    case TAttrAction::WideText:
        dynamic_cast<TWideStrings *>(obj)->SetText(CodePageToString(Unescape(Value), CP_ACP));
        return;
    case TAttrAction::PropData:
        ReadPropData(obj, Value);
        return;
    case TAttrAction::Prop:
        break;
    default:
        return;
    }

    switch (p->Kind()) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkSet: {
        qint64 v;
        if (!TryStrToInt64(TLatin1Wide(Value).View(), v))
            v = StrToInt64(QString::fromLatin1(Value)); // raises the conversion error
        p->SetOrd(obj, v);
        break;
    }
    case tkEnumeration: {
        const TLatin1Wide wide(Unescape(Value));
        const QStringView s = wide.View();
        qint64 v;
        if (!TryStrToInt64(s, v)) {
            v = GetEnumValue(p->PropType(), s);
            if (v < 0)
                return;
        }
        // A value outside the enumeration is skipped like any other that
        // does not convert.
        if (v < p->PropType()->MinValue || v > p->PropType()->MaxValue)
            return;
        p->SetOrd(obj, v);
        break;
    }
    case tkFloat: {
        double v;
        if (!PlainDecimal(Value, v))
            v = qdzStrToFloat(QString::fromLatin1(Unescape(Value)));
        p->SetFloat(obj, v);
        break;
    }
    case tkString:
    case tkLString:
    case tkWString:
        // The element's name was decoded when the object was looked up.
        if (Value.constData() == FNameBytes.constData() && Value.size() == FNameBytes.size() && !Value.isNull())
            p->SetStr(obj, FNameDecoded);
        else
            p->SetStr(obj, DecodeString(Unescape(Value)));
        break;
    case tkClass:
        if (IsComponentClass(p))
            FFixups.push_back({obj, p, DecodeString(Unescape(Value)), FCurrentRoot});
        break;
    case tkVariant:
        p->SetVariant(obj, Variant(CodePageToString(Unescape(Value), CP_ACP)));
        break;
    default:
        break;
    }
}

void TqdzXMLSerializer::ReadPropData(TPersistent *Obj, const QByteArray &Value)
{
    // A reader of its own for each PropData: defined data may hold objects
    // whose attributes carry PropData again (collections).
    ReadDefinedData(Obj, HexToBin(QString::fromLatin1(Value)));
}

void TqdzXMLSerializer::ReadDefinedData(TPersistent *Obj, const QByteArray &bytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.constData(), bytes.size());
    stream.SetPosition(0);
    TReader reader(&stream);
    reader.SetRoot(FOwner);
    reader.SetOnFindComponentInstance(TFindComponentInstanceEvent(this, &TqdzXMLSerializer::FindInstance));
    while (stream.Position() < stream.Size()) {
        const qint64 before = stream.Position();
        reader.ReadProperty(Obj);
        if (stream.Position() <= before)
            break;
    }
    reader.FixupReferences();
}

void TqdzXMLSerializer::ResolveFixups()
{
    const std::vector<TFixupItem> fixups = std::move(FFixups);
    FFixups.clear();
    // Each reference looked up by a walk of the tree would cost the square
    // of a large template: the names are taken once. Setting a reference
    // neither names nor moves objects, so the table holds throughout.
    auto *owner = dynamic_cast<TqdzComponent *>(FOwner);
    FTreeNamesOn = owner && fixups.size() > 16;
    struct TNamesOff
    {
        TqdzXMLSerializer *S;
        ~TNamesOff()
        {
            S->FTreeNamesOn = false;
            S->FTreeNames.clear();
        }
    } namesOff{this};
    if (FTreeNamesOn) {
        // Depth first, parents before children, as FindObject looks.
        std::vector<std::pair<TqdzComponent *, int>> path{{owner, 0}};
        while (!path.empty()) {
            auto &[parent, next] = path.back();
            TList *children = parent->Objects();
            if (next >= children->Count()) {
                path.pop_back();
                continue;
            }
            auto *c = static_cast<TqdzComponent *>(children->Items(next++));
            if (!c->Name().isEmpty())
                FTreeNames.emplace(c->Name(), c);
            path.push_back({c, 0});
        }
    }
    for (const TFixupItem &f : fixups) {
        try {
            if (TComponent *c = FindReference(f.Value))
                f.Prop->SetObject(f.Obj, c);
            else if (SameText(f.Value, QStringLiteral("nil")))
                f.Prop->SetObject(f.Obj, nullptr);
        } catch (const Exception &e) {
            AddError(e.Message());
        }
    }
}

void TqdzXMLSerializer::ForgetObject(TPersistent *Obj)
{
    FFixups.erase(std::remove_if(FFixups.begin(), FFixups.end(),
                                 [Obj](const TFixupItem &f) { return f.Obj == Obj || f.Root == Obj; }),
                  FFixups.end());
    auto *c = dynamic_cast<TqdzComponent *>(Obj);
    if (!c)
        return;
    for (TqdzComponent *&r : FReading)
        if (r == c)
            r = nullptr;
    if (FLoaded.empty())
        return;
    IndexLoaded();
    if (FLoadedSet.remove(c))
        FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), c), FLoaded.end());
}

TqdzComponent *TqdzXMLSerializer::CreateForRead(TComponent *Owner, const QByteArray &ClassName)
{
    TClass cls = FindComponentClass(ClassName);
    if (!cls) {
        AddError(qdzResources()->ResourceText(QStringLiteral("xrCantFindClass")) + QLatin1Char(' ')
                 + QString::fromLatin1(ClassName));
        return nullptr;
    }
    TqdzComponent *obj;
    try {
        obj = static_cast<TqdzComponent *>(cls->Create(Owner));
    } catch (const Exception &e) {
        AddError(e.Message());
        return nullptr;
    }
    obj->SetIsLoading(true);
    return obj;
}

TqdzComponent *TqdzXMLSerializer::ReadObjectFromItem(TComponent *Owner, const QByteArray &Text, bool SkipFixups)
{
    const qsizetype space = Text.indexOf(' ');
    const QByteArray className = space < 0 ? Text : Text.left(space);
    const QByteArray attributes = space < 0 ? QByteArray() : Text.mid(space + 1);
    TqdzComponent *obj = CreateForRead(Owner, className);
    if (!obj)
        return nullptr;
    ReadObjectAttributes(obj, attributes);
    obj->SetIsLoading(false);
    if (!SkipFixups)
        ResolveFixups();
    return obj;
}

// ------------------------------------------------------------------ writing

QByteArray TqdzXMLSerializer::DefinedData(TPersistent *Obj, TPersistent *Ancestor)
{
    TWritingScope writing(Obj);
    TMemoryStream ms;
    TWriter writer(&ms);
    writer.SetRoot(FOwner);
    writer.SetAncestor(Ancestor);
    writer.WriteDefinedProperties(Obj);
    if (ms.Size() == 0)
        return QByteArray();
    return QByteArray(static_cast<const char *>(ms.Memory()), qsizetype(ms.Size()));
}

QByteArray TqdzXMLSerializer::WriteObjectAttributes(TPersistent *Obj, const QByteArray &Prefix,
                                                    TPersistent *Ancestor)
{
    QByteArray result;
    if (!Obj)
        return result;
    // A nested object that leads back to one being written is left out.
    if (std::find(FWritePath.begin(), FWritePath.end(), Obj) != FWritePath.end())
        return result;
    FWritePath.push_back(Obj);
    struct PathPop
    {
        std::vector<TPersistent *> &Path;
        ~PathPop() { Path.pop_back(); }
    } pathPop{FWritePath};

    TWritingScope writing(Obj);
    auto *comp = dynamic_cast<TqdzComponent *>(Obj);
    if (!Ancestor && FOnGetAncestor && comp)
        FOnGetAncestor(comp->Name(), Ancestor);

    auto append = [&](const QString &PropName, const QByteArray &Text) {
        result += ' ';
        result += Prefix;
        result += PropName.toLatin1();
        result += "=\"";
        result += Text;
        result += '"';
    };

    for (PPropInfo p : Obj->ClassType()->Properties()) {
        // Values without a setter could not be read back; nested objects
        // are written through their own properties.
        if (p->Kind() == tkMethod || (!p->IsWritable() && p->Kind() != tkClass) || !p->IsStored(Obj))
            continue;
        TPersistent *anc = HasProp(Ancestor, p) ? Ancestor : nullptr;
        bool isDefault = false;
        QByteArray text;
        switch (p->Kind()) {
        case tkInteger:
        case tkChar:
        case tkWChar:
        case tkEnumeration:
        case tkSet: {
            const qint64 v = p->GetOrd(Obj);
            isDefault = anc ? v == p->GetOrd(anc) : (p->HasDefault() && v == p->Default());
            text = p->Kind() == tkEnumeration ? GetEnumName(p->PropType(), v).toLatin1() : QByteArray::number(v);
            break;
        }
        case tkFloat: {
            const double v = p->GetFloat(Obj);
            isDefault = anc && std::abs(v - p->GetFloat(anc)) < 0.000001;
            text = FloatToStr(v).toLatin1();
            break;
        }
        case tkString:
        case tkLString:
        case tkWString: {
            const QString v = p->GetStr(Obj);
            isDefault = anc ? v == p->GetStr(anc) : v.isEmpty();
            text = EncodeString(v);
            break;
        }
        case tkVariant: {
            Variant v;
            p->GetVariant(Obj, v);
            if (anc) {
                Variant a;
                p->GetVariant(anc, a);
                isDefault = SameVariant(v, a);
            }
            try {
                text = EncodeString(VarToStr(v));
            } catch (const Exception &) {
                continue;
            }
            break;
        }
        case tkClass: {
            TObject *o = p->GetObject(Obj);
            TObject *ao = anc ? p->GetObject(anc) : nullptr;
            if (IsComponentClass(p) || dynamic_cast<TComponent *>(o)) {
                auto *c = dynamic_cast<TComponent *>(o);
                auto *ac = dynamic_cast<TComponent *>(ao);
                if (c) {
                    QString refName;
                    GetReferenceName(FOwner, c, refName);
                    text = EncodeString(refName);
                    isDefault = ac && StationRtti::SameName(c->Name(), ac->Name());
                } else {
                    text = "nil";
                    isDefault = !ac;
                }
                break;
            }
            if (auto *list = dynamic_cast<TStrings *>(o)) {
                auto *alist = dynamic_cast<TStrings *>(ao);
                const QString t = list->Text();
                if (!FSerializeDefaultValues && alist && alist->Text() == t)
                    continue;
                append(p->Name() + QStringLiteral(".Text"), StrToXML(StringToCodePage(WithoutTrailingBreak(t), CP_ACP)));
                continue;
            }
            if (dynamic_cast<TWideStrings *>(o))
                continue;
            if (auto *nested = dynamic_cast<TPersistent *>(o))
                result += WriteObjectAttributes(nested, Prefix + p->Name().toLatin1() + '.',
                                                dynamic_cast<TPersistent *>(ao));
            continue;
        }
        default:
            continue;
        }
        if (!isDefault || FSerializeDefaultValues)
            append(p->Name(), text);
    }

    if (auto *memo = dynamic_cast<TqdzCustomMemoView *>(Obj)) {
        auto *amemo = dynamic_cast<TqdzCustomMemoView *>(Ancestor);
        const QString t = memo->Text();
        if (FSerializeDefaultValues || !amemo || amemo->Text() != t)
            append(QStringLiteral("Text"), StrToXML(WithoutTrailingBreak(t).toUtf8()));
    }

    const QByteArray data = DefinedData(Obj, Ancestor);
    // Compared by the bytes themselves: equal checksums do not make equal data.
    if (!data.isEmpty() && !(Ancestor && DefinedData(Ancestor, nullptr) == data))
        append(QStringLiteral("PropData"), BinToHex(data).toLatin1());
    return result;
}

void TqdzXMLSerializer::WriteObjectElement(TqdzComponent *Obj, TqdzXMLItem *Item, bool IsRoot, bool SaveChildren,
                                           bool KeepAncestors)
{
    Item->SetName(Obj->IsAncestor() && !KeepAncestors ? QByteArray("inherited") : Obj->ClassName().toLatin1());
    QByteArray text = WriteObjectAttributes(Obj);
    if (IsRoot) {
        if (text.startsWith(' '))
            text.remove(0, 1);
    } else {
        text = "Name=\"" + EncodeString(Obj->Name()) + '"' + text;
    }
    Item->SetText(text);
    if (!SaveChildren)
        return;
    TList *children = Obj->Objects();
    for (int i = 0; i < children->Count(); ++i)
        WriteObjectElement(static_cast<TqdzComponent *>(children->Items(i)), Item->Add(), false, true,
                           KeepAncestors);
}

void TqdzXMLSerializer::WriteTemplateRoot(TqdzComponent *RootObject, bool SaveChildren, bool KeepAncestors,
                                          TqdzXMLItem *Item)
{
    if (!FOwner)
        FOwner = RootObject;
    if (Item) {
        WriteObjectElement(RootObject, Item, true, SaveChildren, KeepAncestors);
        return;
    }
    TqdzXMLDocument doc;
    doc.SetAutoIndent(true);
    WriteObjectElement(RootObject, doc.Root(), true, SaveChildren, KeepAncestors);
    doc.SaveToStream(FStream);
}

QByteArray TqdzXMLSerializer::WriteObjectToItem(TPersistent *Obj)
{
    return Obj->ClassName().toLatin1() + WriteObjectAttributes(Obj);
}

void TqdzXMLSerializer::WriteObjectToStream(TPersistent *Obj)
{
    const QByteArray s = '<' + WriteObjectToItem(Obj) + "/>";
    FStream->WriteBuffer(s.constData(), s.size());
}

// ---------------------------------------------------------- 7-bit escaping

QString qdzToSafeText(const QString &S)
{
    QString r;
    r.reserve(S.size());
    for (QChar c : S) {
        if (c.unicode() >= 128) {
            r += QChar(1);
            r += QChar(char16_t(c.unicode() - 128));
        } else {
            r += c;
        }
    }
    return r;
}

QString qdzFromSafeText(const QString &S)
{
    QString r;
    r.reserve(S.size());
    for (qsizetype i = 0; i < S.size(); ++i) {
        if (S[i].unicode() == 1 && i + 1 < S.size()) {
            r += QChar(char16_t(S[i + 1].unicode() + 128));
            ++i;
        } else {
            r += S[i];
        }
    }
    return r;
}

namespace {

void RewriteStrings(TPersistent *Obj, QString (*Convert)(const QString &))
{
    if (!Obj)
        return;
    for (PPropInfo p : Obj->ClassType()->Properties()) {
        if (!p->IsWritable())
            continue;
        switch (p->Kind()) {
        case tkString:
        case tkLString:
        case tkWString:
            p->SetStr(Obj, Convert(p->GetStr(Obj)));
            break;
        case tkVariant: {
            Variant v;
            p->GetVariant(Obj, v);
            if (VarIsStr(v))
                p->SetVariant(Obj, Variant(Convert(v.AsString())));
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

void StringsToSafeText(TPersistent *Obj)
{
    RewriteStrings(Obj, &qdzToSafeText);
}

void StringsFromSafeText(TPersistent *Obj)
{
    RewriteStrings(Obj, &qdzFromSafeText);
}

// -------------------------------------------------------------- collections

void WriteCollection(TCollection *Collection, TWriter *Writer, TqdzComponent *Owner)
{
    if (Owner && Owner->IsWriting()) {
        TqdzReport *report = Owner->GetReport();
        TqdzXMLSerializer serializer(nullptr);
        serializer.SetOwner(report ? static_cast<TComponent *>(report) : Owner);
        Writer->WriteListBegin();
        for (int i = 0; i < Collection->Count(); ++i) {
            Writer->WriteListBegin();
            WriteRawLongString(Writer, serializer.WriteObjectAttributes(Collection->Items(i)));
            Writer->WriteListEnd();
        }
        Writer->WriteListEnd();
        return;
    }
    for (int i = 0; i < Collection->Count(); ++i)
        StringsToSafeText(Collection->Items(i));
    try {
        Writer->WriteCollection(Collection);
    } catch (...) {
        for (int i = 0; i < Collection->Count(); ++i)
            StringsFromSafeText(Collection->Items(i));
        throw;
    }
    for (int i = 0; i < Collection->Count(); ++i)
        StringsFromSafeText(Collection->Items(i));
}

void ReadCollection(TCollection *Collection, TReader *Reader, TqdzComponent *Owner)
{
    if (Reader->NextValue() == vaCollection) {
        Reader->ReadValue();
        Reader->ReadCollection(Collection);
        for (int i = 0; i < Collection->Count(); ++i)
            StringsFromSafeText(Collection->Items(i));
        return;
    }
    TqdzReport *report = Owner ? Owner->GetReport() : nullptr;
    TqdzXMLSerializer *serializer = report ? report->XMLSerializer() : nullptr;
    std::unique_ptr<TqdzXMLSerializer> temporary;
    if (!serializer) {
        temporary = std::make_unique<TqdzXMLSerializer>(nullptr);
        temporary->SetOwner(report ? static_cast<TComponent *>(report) : Owner);
        serializer = temporary.get();
    }
    Reader->ReadListBegin();
    // Items about to be freed must not keep pending references.
    for (int i = 0; i < Collection->Count(); ++i)
        serializer->ForgetObject(Collection->Items(i));
    Collection->Clear();
    while (!Reader->EndOfList()) {
        Reader->ReadListBegin();
        while (!Reader->EndOfList()) {
            const QByteArray text = ReadRawString(Reader);
            serializer->ReadObjectAttributes(Collection->Add(), text);
        }
        Reader->ReadListEnd();
    }
    Reader->ReadListEnd();
    if (temporary)
        temporary->ResolveFixups();
}
