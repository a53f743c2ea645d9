// The binary property format: exact bytes written, values read back,
// published and defined properties, collections, 80-bit extended floats.
#include "Collection.h"
#include "Component.h"
#include "Filer.h"
#include "Font.h"
#include "Streams.h"
#include "Variants.h"
#include <gtest/gtest.h>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

namespace {

QByteArray Bytes(TMemoryStream &s)
{
    return QByteArray(static_cast<const char *>(s.Memory()), qsizetype(s.Size()));
}

QByteArray Hex(const char *h)
{
    return QByteArray::fromHex(QByteArray(h).replace(' ', ""));
}

template<class F>
QByteArray Written(F &&f)
{
    TMemoryStream s;
    TWriter w(&s);
    f(w);
    return Bytes(s);
}

// Reads back what Written produced.
struct ReadBack
{
    TMemoryStream Stream;
    TReader Reader{&Stream};
    explicit ReadBack(const QByteArray &b)
    {
        Stream.WriteBuffer(b.constData(), b.size());
        Stream.SetPosition(0);
    }
};

} // namespace

// ---------------------------------------------------------------------------
// 80-bit extended

TEST(Filer, ExtendedKnownBytes)
{
    struct Case
    {
        double Value;
        const char *Bytes;
    };
    const Case cases[] = {
        {0.0, "00000000000000000000"},
        {1.0, "0000000000000080FF3F"},
        {-2.5, "00000000000000A000C0"},
        {0.1, "00D0CCCCCCCCCCCCFB3F"},
        {65536.0, "0000000000000080 0F40"},
        {INFINITY, "0000000000000080FF7F"},
        {-INFINITY, "0000000000000080FFFF"},
        {DBL_MAX, "00F8FFFFFFFFFFFFFE43"},
        {4.9406564584124654e-324, "0000000000000080CD3B"}, // smallest subnormal double: 2^-1074
    };
    for (const Case &c : cases) {
        quint8 buf[10];
        DoubleToExtended(c.Value, buf);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(buf), 10).toHex().toUpper(),
                  Hex(c.Bytes).toHex().toUpper())
            << c.Value;
        EXPECT_EQ(ExtendedToDouble(buf), c.Value);
    }
    quint8 negZero[10];
    DoubleToExtended(-0.0, negZero);
    EXPECT_EQ(negZero[9], 0x80);
    EXPECT_TRUE(std::signbit(ExtendedToDouble(negZero)));
    quint8 nan[10];
    DoubleToExtended(NAN, nan);
    EXPECT_TRUE(std::isnan(ExtendedToDouble(nan)));
}

TEST(Filer, ExtendedRoundTripsEveryDoubleExactly)
{
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 200000; ++i) {
        quint64 bits = rng();
        double d;
        std::memcpy(&d, &bits, 8);
        if (std::isnan(d))
            continue;
        quint8 buf[10];
        DoubleToExtended(d, buf);
        const double back = ExtendedToDouble(buf);
        ASSERT_EQ(std::memcmp(&back, &d, 8), 0) << bits;
    }
}

TEST(Filer, ExtendedToDoubleRoundsLikeTheFpu)
{
    if (LDBL_MANT_DIG != 64 || sizeof(long double) < 10)
        GTEST_SKIP() << "no 80-bit long double here to compare with";
    std::mt19937_64 rng(777);
    std::uniform_int_distribution<int> expDist(0, 0x7FFE);
    for (int i = 0; i < 200000; ++i) {
        quint8 buf[10];
        quint64 m = rng() | (quint64(1) << 63);
        int e = expDist(rng);
        // Bias towards the edges of the double range: overflow, subnormals, ties.
        if (i % 4 == 0)
            e = 16383 - 1022 - int(rng() % 70);
        else if (i % 4 == 1)
            e = 16383 + 1020 + int(rng() % 6);
        if (i % 8 == 2)
            m = (m & ~quint64(0x7FF)) | 0x400; // exact half
        if (e == 0)
            m &= ~(quint64(1) << 63); // the extended's own subnormals
        const quint16 se = quint16(e | ((rng() & 1) << 15));
        std::memcpy(buf, &m, 8);
        std::memcpy(buf + 8, &se, 2);
        long double ld = 0;
        std::memcpy(&ld, buf, 10);
        const double expected = double(ld);
        const double got = ExtendedToDouble(buf);
        ASSERT_EQ(std::memcmp(&expected, &got, 8), 0) << "exp " << e << " mant " << m;
    }
}

// ---------------------------------------------------------------------------
// Values

TEST(Filer, IntegersTakeTheSmallestTag)
{
    struct Case
    {
        qint64 Value;
        const char *Bytes;
    };
    const Case cases[] = {
        {0, "0200"},
        {-1, "02FF"},
        {127, "027F"},
        {-128, "0280"},
        {128, "038000"},
        {-129, "037FFF"},
        {32767, "03FF7F"},
        {32768, "0400800000"},
        {-32769, "04FF7FFFFF"},
        {2147483647, "04FFFFFF7F"},
        {-2147483648LL, "0400000080"},
        {2147483648LL, "130000008000000000"},
        {-2147483649LL, "13FFFFFF7FFFFFFFFF"},
    };
    for (const Case &c : cases) {
        const QByteArray b = Written([&](TWriter &w) { w.WriteInteger(c.Value); });
        EXPECT_EQ(b.toHex().toUpper(), Hex(c.Bytes).toHex().toUpper()) << c.Value;
        ReadBack r(b);
        EXPECT_EQ(r.Reader.ReadInt64(), c.Value);
        EXPECT_TRUE(r.Reader.EndOfStream());
    }
}

TEST(Filer, StringsIdentsAndOtherTags)
{
    EXPECT_EQ(Written([](TWriter &w) { w.WriteString(QStringLiteral("abc")); }), Hex("0603616263"));
    // 8-bit strings are in the system code page (GBK here).
    EXPECT_EQ(Written([](TWriter &w) { w.WriteString(QStringLiteral("称重")); }), Hex("0604B3C6D6D8"));
    const QString longText(300, QLatin1Char('x'));
    const QByteArray longBytes = Written([&](TWriter &w) { w.WriteString(longText); });
    EXPECT_EQ(longBytes.left(5), Hex("0C2C010000"));
    EXPECT_EQ(longBytes.size(), 5 + 300);
    EXPECT_EQ(Written([](TWriter &w) { w.WriteLongString(QStringLiteral("ab")); }), Hex("0C020000006162"));
    // Wide strings: UTF-8 when shorter, else UTF-16.
    EXPECT_EQ(Written([](TWriter &w) { w.WriteWideString(QStringLiteral("ab")); }), Hex("14020000006162"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteWideString(QStringLiteral("称重")); }), Hex("1202000000F079CD91"));
    EXPECT_EQ(Written([](TWriter &w) {
                  w.WriteIdent(QStringLiteral("poLandscape"));
                  w.WriteIdent(QStringLiteral("false"));
                  w.WriteIdent(QStringLiteral("TRUE"));
                  w.WriteIdent(QStringLiteral("nil"));
                  w.WriteIdent(QStringLiteral("Null"));
              }),
              Hex("070B706F4C616E647363617065 08 09 0D 00"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteBoolean(true); w.WriteBoolean(false); }), Hex("0908"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteFloat(1.0); }), Hex("050000000000000080FF3F"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteSingle(1.5f); }), Hex("0F0000C03F"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteCurrency(1.25); }), Hex("10D430000000000000"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteDate(2.0); }), Hex("110000000000000040"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteBinary(QByteArray("\x01\x02", 2)); }), Hex("0A020000000102"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteSet(TypeInfoOf<TFontStyles>(), 5); }),
              Hex("0B 066673426F6C64 0B6673556E6465726C696E65 00"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteChar('A'); }), Hex("060141"));
    EXPECT_EQ(Written([](TWriter &w) { w.WriteStr(QStringLiteral("Name")); }), Hex("044E616D65"));

    // Everything reads back.
    const QByteArray all = Written([&](TWriter &w) {
        w.WriteListBegin();
        w.WriteString(QStringLiteral("称重"));
        w.WriteString(longText);
        w.WriteWideString(QStringLiteral("称重"));
        w.WriteWideString(QStringLiteral("ab"));
        w.WriteIdent(QStringLiteral("poLandscape"));
        w.WriteBoolean(true);
        w.WriteFloat(0.1);
        w.WriteSingle(1.5f);
        w.WriteCurrency(-3.0001);
        w.WriteDate(45000.5);
        w.WriteBinary(QByteArray("\0\xFF", 2));
        w.WriteSet(TypeInfoOf<TFontStyles>(), 9);
        w.WriteChar('z');
        w.WriteWideChar(QChar(0x79F0));
        w.WriteListEnd();
    });
    ReadBack r(all);
    TReader &rd = r.Reader;
    EXPECT_EQ(rd.NextValue(), vaList);
    rd.ReadListBegin();
    EXPECT_FALSE(rd.EndOfList());
    EXPECT_EQ(rd.ReadString(), "称重");
    EXPECT_EQ(rd.ReadString(), longText);
    EXPECT_EQ(rd.ReadWideString(), "称重");
    EXPECT_EQ(rd.ReadString(), "ab");
    EXPECT_EQ(rd.ReadIdent(), "poLandscape");
    EXPECT_TRUE(rd.ReadBoolean());
    EXPECT_EQ(rd.ReadFloat(), 0.1);
    EXPECT_EQ(rd.ReadFloat(), 1.5);
    EXPECT_EQ(rd.ReadCurrency(), -3.0001);
    EXPECT_EQ(rd.ReadDate(), 45000.5);
    EXPECT_EQ(rd.ReadBinary(), QByteArray("\0\xFF", 2));
    EXPECT_EQ(rd.ReadSet(TypeInfoOf<TFontStyles>()), 9u);
    EXPECT_EQ(rd.ReadChar(), 'z');
    EXPECT_EQ(rd.ReadWideChar(), QChar(0x79F0));
    EXPECT_TRUE(rd.EndOfList());
    rd.ReadListEnd();
    EXPECT_TRUE(rd.EndOfStream());
}

TEST(Filer, ReaderErrors)
{
    {
        ReadBack r(Hex("0603616263"));
        try {
            r.Reader.ReadInteger();
            FAIL();
        } catch (const EReadError &e) {
            EXPECT_EQ(e.Message(), "Invalid property value");
        }
        // The value is still there to be read as what it is.
        EXPECT_EQ(r.Reader.ReadString(), "abc");
    }
    {
        ReadBack r(Hex("0603616263"));
        EXPECT_THROW(r.Reader.ReadListBegin(), EReadError);
        // A failed check skips the value.
        EXPECT_TRUE(r.Reader.EndOfStream());
    }
    {
        // Truncated values and lengths beyond the data.
        ReadBack r(Hex("0400"));
        try {
            r.Reader.ReadInteger();
            FAIL();
        } catch (const EReadError &e) {
            EXPECT_EQ(e.Message(), "Stream read error");
        }
        ReadBack r2(Hex("0CFFFFFF7F41"));
        EXPECT_THROW(r2.Reader.ReadString(), EReadError);
        ReadBack r3(Hex("0A100000000102"));
        EXPECT_THROW(r3.Reader.ReadBinary(), EReadError);
        ReadBack r4(Hex(""));
        EXPECT_THROW(r4.Reader.NextValue(), EReadError);
    }
    {
        ReadBack r(Hex("0B 0466734F6B 00"));
        EXPECT_THROW(r.Reader.ReadSet(TypeInfoOf<TFontStyles>()), EReadError);
        EXPECT_TRUE(r.Reader.EndOfStream());
        ReadBack r2(Hex("FF"));
        EXPECT_THROW(r2.Reader.SkipValue(), EReadError);
        ReadBack r3(Hex("0A"));
        EXPECT_THROW(r3.Reader.ReadBoolean(), EReadError);
    }
    {
        // Absurd nesting is an error, not a stack overflow.
        ReadBack r(QByteArray(100000, '\x01'));
        try {
            r.Reader.SkipValue();
            FAIL();
        } catch (const EReadError &e) {
            EXPECT_EQ(e.Message(), "Invalid stream format");
        }
    }
    {
        // SkipValue passes over every kind, nested lists and collections included.
        const QByteArray b = Written([](TWriter &w) {
            w.WriteListBegin();
            w.WriteInteger(70000);
            w.WriteWideString(QStringLiteral("称重"));
            w.WriteSet(TypeInfoOf<TFontStyles>(), 3);
            w.WriteListBegin();
            w.WriteFloat(2.0);
            w.WriteListEnd();
            w.WriteValue(vaCollection);
            w.WriteListBegin();
            w.WriteStr(QStringLiteral("Value"));
            w.WriteInteger(1);
            w.WriteListEnd();
            w.WriteListEnd();
            w.WriteListEnd();
            w.WriteInteger(5);
        });
        ReadBack r(b);
        r.Reader.SkipValue();
        EXPECT_EQ(r.Reader.ReadInteger(), 5);
    }
}

// ---------------------------------------------------------------------------
// Defined properties: the example of a report storing its datasets.

namespace {

class TFilerReport : public TPersistent
{
public:
    QStringList Datasets;
    QByteArray Blob;
    int ReadCalls = 0;

protected:
    void DefineProperties(TFiler *Filer) override
    {
        Filer->DefineProperty(
            QStringLiteral("Datasets"),
            [this](TReader *R) {
                ++ReadCalls;
                Datasets.clear();
                R->ReadListBegin();
                while (!R->EndOfList()) {
                    R->ReadListBegin();
                    Datasets << R->ReadString();
                    R->ReadListEnd();
                }
                R->ReadListEnd();
            },
            [this](TWriter *W) {
                W->WriteListBegin();
                for (const QString &d : Datasets) {
                    W->WriteListBegin();
                    W->WriteLongString(d);
                    W->WriteListEnd();
                }
                W->WriteListEnd();
            },
            !Datasets.isEmpty());
        Filer->DefineBinaryProperty(
            QStringLiteral("Blob"),
            [this](TStream *S) {
                Blob.resize(qsizetype(S->Size()));
                S->ReadBuffer(Blob.data(), S->Size());
            },
            [this](TStream *S) { S->WriteBuffer(Blob.constData(), Blob.size()); }, !Blob.isEmpty());
    }
};

} // namespace

TEST(Filer, DefinedPropertyBytesAndReadingBack)
{
    TFilerReport report;
    report.Datasets << QStringLiteral("Name=\"qdzUserDataSet1\"");
    TMemoryStream s;
    {
        TWriter w(&s);
        w.WriteDefinedProperties(&report);
    }
    QByteArray expected = Hex("08") + "Datasets" + Hex("01 01 0C 16000000") + "Name=\"qdzUserDataSet1\"" + Hex("00 00");
    EXPECT_EQ(Bytes(s), expected);
    EXPECT_TRUE(Bytes(s).startsWith(Hex("08") + "Datasets" + Hex("01010C")));

    // Read back until the bytes are used up; names match without regard to case.
    QByteArray lower = expected;
    lower.replace("Datasets", "DATASETS");
    for (const QByteArray &b : {expected, lower}) {
        TFilerReport copy;
        ReadBack r(b);
        while (!r.Reader.EndOfStream())
            r.Reader.ReadProperty(&copy);
        EXPECT_EQ(copy.Datasets, report.Datasets);
        EXPECT_EQ(copy.ReadCalls, 1);
    }

    // Nothing is written without data; binary properties carry a size.
    TFilerReport empty;
    EXPECT_TRUE(Written([&](TWriter &w) { w.WriteDefinedProperties(&empty); }).isEmpty());
    empty.Blob = QByteArray("\x01\x02\x03", 3);
    const QByteArray blob = Written([&](TWriter &w) { w.WriteDefinedProperties(&empty); });
    EXPECT_EQ(blob, Hex("04") + "Blob" + Hex("0A03000000010203"));
    TFilerReport copy;
    ReadBack r(blob);
    r.Reader.ReadProperty(&copy);
    EXPECT_EQ(copy.Blob, empty.Blob);
}

TEST(Filer, UnknownPropertiesRaiseOrAreSkippedByOnError)
{
    const QByteArray b = Hex("05") + "Bogus" + Hex("0405000000") + Hex("08") + "Datasets" + Hex("01 01 06 01 41 00 00");
    {
        TFilerReport copy;
        ReadBack r(b);
        try {
            r.Reader.ReadProperty(&copy);
            FAIL();
        } catch (const EReadError &e) {
            EXPECT_EQ(e.Message(), "Error reading TPersistent.Bogus: Property Bogus does not exist");
        }
        // The unknown value was skipped; the next property reads.
        r.Reader.ReadProperty(&copy);
        EXPECT_EQ(copy.Datasets, QStringList{"A"});
    }
    {
        struct Handler : TObject
        {
            QStringList Messages;
            void OnError(TReader *, const QString &Message, bool &Handled)
            {
                Messages << Message;
                Handled = true;
            }
        } handler;
        TFilerReport copy;
        ReadBack r(b);
        r.Reader.SetOnError(TReaderError(&handler, &Handler::OnError));
        while (!r.Reader.EndOfStream())
            r.Reader.ReadProperty(&copy);
        EXPECT_EQ(handler.Messages, QStringList{"Error reading TPersistent.Bogus: Property Bogus does not exist"});
        EXPECT_EQ(copy.Datasets, QStringList{"A"});
    }
}

// ---------------------------------------------------------------------------
// Published properties and collections

STATION_DECLARE_ENUM(TFilerKind, fkPlain, fkBold, fkBoxed)

class TFilerItem : public TCollectionItem
{
    STATION_CLASS(TFilerItem, TCollectionItem)
public:
    explicit TFilerItem(TCollection *Collection) : TCollectionItem(Collection) {}
    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &V) { FCaption = V; }
    int Width() const { return FWidth; }
    void SetWidth(int V) { FWidth = V; }

private:
    QString FCaption;
    int FWidth = 50;
};

STATION_PUBLISHED(TFilerItem)
{
    P.Prop("Caption", &TFilerItem::Caption, &TFilerItem::SetCaption);
    P.Prop("Width", &TFilerItem::Width, &TFilerItem::SetWidth).Default(50);
}

class TFilerThing : public TComponent
{
    STATION_CLASS(TFilerThing, TComponent)
public:
    explicit TFilerThing(TComponent *AOwner)
        : TComponent(AOwner), FFont(std::make_unique<TFont>()), FItems(std::make_unique<TCollection>(TFilerItem::StaticClass()))
    {
    }
    TFilerKind Kind() const { return FKind; }
    void SetKind(TFilerKind V) { FKind = V; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool V) { FEnabled = V; }
    double Left() const { return FLeft; }
    void SetLeft(double V) { FLeft = V; }
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *V) { FFont->Assign(V); }
    TCollection *Items() const { return FItems.get(); }
    void SetItems(TCollection *V) { FItems->Assign(V); }
    TComponent *Link() const { return FLink; }
    void SetLink(TComponent *V) { FLink = V; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 V) { FBig = V; }

private:
    TFilerKind FKind = fkPlain;
    bool FEnabled = true;
    double FLeft = 0;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TCollection> FItems;
    TComponent *FLink = nullptr;
    qint64 FBig = 0;
};

STATION_PUBLISHED(TFilerThing)
{
    P.Prop("Kind", &TFilerThing::Kind, &TFilerThing::SetKind).Default(fkPlain);
    P.Prop("Enabled", &TFilerThing::Enabled, &TFilerThing::SetEnabled).Default(true);
    P.Prop("Left", &TFilerThing::Left, &TFilerThing::SetLeft);
    P.Prop("Font", &TFilerThing::Font, &TFilerThing::SetFont);
    P.Prop("Items", &TFilerThing::Items, &TFilerThing::SetItems);
    P.Prop("Link", &TFilerThing::Link, &TFilerThing::SetLink);
    P.Prop("Big", &TFilerThing::Big, &TFilerThing::SetBig);
}

TEST(Filer, PublishedPropertiesWrittenWhenNotDefault)
{
    TFilerThing defaults(nullptr);
    // Font's Charset, Color, Height, Name and Style have no declared default.
    const QByteArray fontPart = Hex("0C") + "Font.Charset" + Hex("0201") + Hex("0A") + "Font.Color" + Hex("0200")
                                + Hex("0B") + "Font.Height" + Hex("02F3") + Hex("09") + "Font.Name" + Hex("0605")
                                + "Arial" + Hex("0A") + "Font.Style" + Hex("0B00");
    const QByteArray itemsPart = Hex("05") + "Items" + Hex("0E00");
    EXPECT_EQ(Written([&](TWriter &w) { w.WriteProperties(&defaults); }), fontPart + itemsPart);

    TComponent root(nullptr);
    root.SetName(QStringLiteral("Form1"));
    auto *thing = new TFilerThing(&root);
    thing->SetName(QStringLiteral("Thing1"));
    auto *other = new TComponent(&root);
    other->SetName(QStringLiteral("Other"));
    thing->SetTag(-2);
    thing->SetKind(fkBoxed);
    thing->SetEnabled(false);
    thing->SetLeft(1.5);
    thing->Font()->SetStyle({fsBold});
    thing->SetLink(other);
    thing->SetBig(qint64(1) << 40);
    auto *item = static_cast<TFilerItem *>(thing->Items()->Add());
    item->SetCaption(QStringLiteral("重量"));
    static_cast<TFilerItem *>(thing->Items()->Add())->SetWidth(80);

    TMemoryStream s;
    {
        TWriter w(&s);
        w.SetRoot(&root);
        w.WriteProperties(thing);
    }
    const QByteArray b = Bytes(s);
    const QByteArray expected =
        Hex("03") + "Tag" + Hex("02FE") + Hex("04") + "Kind" + Hex("0707") + "fkBoxed" + Hex("07") + "Enabled"
        + Hex("08") + Hex("04") + "Left" + Hex("05 000000000000 00C0 FF3F") + fontPart.left(fontPart.size() - 2)
        + Hex("0B 06 667342 6F6C64 00") + Hex("05") + "Items" + Hex("0E") + Hex("01") + Hex("07") + "Caption"
        + Hex("0604D6D8C1BF") + Hex("00") + Hex("01") + Hex("05") + "Width" + Hex("0250") + Hex("00") + Hex("00")
        + Hex("04") + "Link" + Hex("07 05") + "Other" + Hex("03") + "Big" + Hex("13 0000000000010000");
    EXPECT_EQ(b.toHex(' '), expected.toHex(' '));

    // Reading into a fresh object gives the same values.
    TComponent root2(nullptr);
    root2.SetName(QStringLiteral("Form1"));
    auto *other2 = new TComponent(&root2);
    other2->SetName(QStringLiteral("Other"));
    auto *copy = new TFilerThing(&root2);
    ReadBack r(b);
    r.Reader.SetRoot(&root2);
    while (!r.Reader.EndOfStream())
        r.Reader.ReadProperty(copy);
    EXPECT_EQ(copy->Tag(), -2);
    EXPECT_EQ(copy->Kind(), fkBoxed);
    EXPECT_FALSE(copy->Enabled());
    EXPECT_EQ(copy->Left(), 1.5);
    EXPECT_EQ(copy->Font()->Style(), TFontStyles{fsBold});
    EXPECT_EQ(copy->Link(), other2);
    EXPECT_EQ(copy->Big(), qint64(1) << 40);
    ASSERT_EQ(copy->Items()->Count(), 2);
    EXPECT_EQ(static_cast<TFilerItem *>(copy->Items()->Items(0))->Caption(), "重量");
    EXPECT_EQ(static_cast<TFilerItem *>(copy->Items()->Items(0))->Width(), 50);
    EXPECT_EQ(static_cast<TFilerItem *>(copy->Items()->Items(1))->Width(), 80);
}

TEST(Filer, CollectionRoundTripReplacesItems)
{
    TCollection source(TFilerItem::StaticClass());
    for (int i = 0; i < 3; ++i) {
        auto *it = static_cast<TFilerItem *>(source.Add());
        it->SetCaption(QStringLiteral("c%1").arg(i));
        it->SetWidth(10 * i);
    }
    const QByteArray b = Written([&](TWriter &w) { w.WriteCollection(&source); });
    EXPECT_EQ(b.left(2), Hex("0E01"));
    EXPECT_EQ(b.right(2), Hex("0000"));

    TCollection target(TFilerItem::StaticClass());
    static_cast<TFilerItem *>(target.Add())->SetCaption(QStringLiteral("old"));
    ReadBack r(b);
    EXPECT_EQ(r.Reader.ReadValue(), vaCollection);
    r.Reader.ReadCollection(&target);
    EXPECT_TRUE(r.Reader.EndOfStream());
    ASSERT_EQ(target.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        auto *it = static_cast<TFilerItem *>(target.Items(i));
        EXPECT_EQ(it->Caption(), QStringLiteral("c%1").arg(i));
        EXPECT_EQ(it->Width(), 10 * i);
    }

    // Items may carry an index before their list; an empty collection reads
    // as no items and leaves the collection alone.
    const QByteArray indexed = Hex("0E 0200 01 07") + "Caption" + Hex("060178 00 00");
    ReadBack r2(indexed);
    r2.Reader.ReadValue();
    r2.Reader.ReadCollection(&target);
    ASSERT_EQ(target.Count(), 1);
    EXPECT_EQ(static_cast<TFilerItem *>(target.Items(0))->Caption(), "x");
    ReadBack r3(Hex("0E00"));
    r3.Reader.ReadValue();
    r3.Reader.ReadCollection(&target);
    EXPECT_EQ(target.Count(), 1);
}

TEST(Filer, ComponentReferencesResolveLater)
{
    TComponent root(nullptr);
    root.SetName(QStringLiteral("Form1"));
    auto *thing = new TFilerThing(&root);
    const QByteArray b = Hex("04") + "Link" + Hex("0705") + "Later";
    ReadBack r(b);
    r.Reader.SetRoot(&root);
    r.Reader.ReadProperty(thing);
    EXPECT_EQ(thing->Link(), nullptr);
    auto *later = new TComponent(&root);
    later->SetName(QStringLiteral("later"));
    r.Reader.FixupReferences();
    EXPECT_EQ(thing->Link(), later);

    // "Owner" names the root; nil clears.
    ReadBack r2(Hex("04") + "Link" + Hex("0705") + "Owner" + Hex("04") + "Link" + Hex("0D"));
    r2.Reader.SetRoot(&root);
    r2.Reader.ReadProperty(thing);
    EXPECT_EQ(thing->Link(), &root);
    r2.Reader.ReadProperty(thing);
    EXPECT_EQ(thing->Link(), nullptr);

    // Out-of-range enumeration values and unknown identifiers are refused.
    ReadBack r3(Hex("04") + "Kind" + Hex("0706") + "fkNone");
    EXPECT_THROW(r3.Reader.ReadProperty(thing), EReadError);
    EXPECT_EQ(thing->Kind(), fkPlain);
}
