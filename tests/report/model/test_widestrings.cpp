// TWideStrings: line splitting, text, bounds, streams with and without a
// byte-order mark, 8-bit lists; charset conversions.
#include "report/model/qdzWideStrings.h"

#include "platform/Classes.h"
#include "platform/Exceptions.h"
#include "platform/Filer.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

QStringList Lines(const TWideStrings &W)
{
    QStringList R;
    for (int I = 0; I < W.Count(); ++I)
        R << W.Get(I);
    return R;
}

QStringList Split(const QString &Text)
{
    TWideStrings W;
    W.SetText(Text);
    return Lines(W);
}

} // namespace

TEST(WideStrings, SetTextSplitsAtEveryBreak)
{
    const QString LS(QChar(0x2028));
    EXPECT_EQ(Split("a\r\nb"), QStringList({"a", "b"}));
    EXPECT_EQ(Split("a\r\rb"), QStringList({"a", "", "b"}));
    EXPECT_EQ(Split("a" + LS + "b"), QStringList({"a", "b"}));
    EXPECT_EQ(Split("a\nb\n"), QStringList({"a", "b"}));
    EXPECT_EQ(Split("a\n\n"), QStringList({"a", ""}));
    EXPECT_EQ(Split(""), QStringList());
    EXPECT_EQ(Split("\r\n"), QStringList({""}));
    EXPECT_EQ(Split("a\r\n" + LS + "b"), QStringList({"a", "b"}));   // CR LF then U+2028: one break
    EXPECT_EQ(Split("\n\r"), QStringList({"", ""}));
    EXPECT_EQ(Split(QString("ab") + QChar(0) + "cd"), QStringList({"ab"}));
    EXPECT_EQ(Split(QString::fromUtf8("规格\r\n重量")), QStringList({"规格", "重量"}));
    EXPECT_EQ(Split("one line"), QStringList({"one line"}));
    // A one-line text whose characters belong to someone else is copied.
    QChar Buffer[3] = {u'a', u'b', u'c'};
    TWideStrings List;
    List.SetText(QString::fromRawData(Buffer, 3));
    Buffer[0] = u'x';
    EXPECT_EQ(List.Get(0), "abc");
}

TEST(WideStrings, GetTextEndsEveryLine)
{
    TWideStrings W;
    W.Add("a");
    W.Add("b");
    EXPECT_EQ(W.GetText(), "a\r\nb\r\n");
    W.Clear();
    EXPECT_EQ(W.GetText(), "");
}

TEST(WideStrings, BoundsAndObjects)
{
    TWideStrings W;
    TObject Obj;
    EXPECT_EQ(W.Add("x"), 0);
    EXPECT_EQ(W.AddObject("y", &Obj), 1);
    EXPECT_EQ(W.GetObject(1), &Obj);
    EXPECT_EQ(W.GetObject(2), nullptr);
    EXPECT_EQ(W.GetObject(-1), nullptr);
    EXPECT_EQ(W.Get(5), "");
    W.PutObject(7, &Obj);   // ignored
    W.Put(2, "z");          // Count appends
    EXPECT_EQ(W.Count(), 3);
    W.Put(0, "X");
    EXPECT_EQ(W.Get(0), "X");
    try {
        W.Put(4, "w");
        ADD_FAILURE();
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message(), "Wide String Out of Bounds");
    }
    EXPECT_THROW(W.Put(-1, "w"), Exception);
    EXPECT_EQ(W.Count(), 3);
    EXPECT_EQ(W.IndexOf("y"), 1);
    EXPECT_EQ(W.IndexOf("Y"), -1);
    W.Delete(0);
    EXPECT_EQ(Lines(W), QStringList({"y", "z"}));
    EXPECT_THROW(W.Delete(2), EListError);
}

// One line is kept apart from a list of several: every edit that crosses
// between one and two lines keeps the lines, their order and their objects.
TEST(WideStrings, EditsAcrossOneAndTwoLines)
{
    TObject A, B;
    struct TCase
    {
        const char *Name;
        std::function<void(TWideStrings &)> Edit;
        QStringList Expected;
        TObject *Object0;
    };
    const TCase Cases[] = {
        {"add one", [&](TWideStrings &W) { W.AddObject("a", &A); }, {"a"}, &A},
        {"add two", [&](TWideStrings &W) { W.AddObject("a", &A); W.Add("b"); }, {"a", "b"}, &A},
        {"insert before one", [&](TWideStrings &W) { W.Add("b"); W.Insert(0, "a"); }, {"a", "b"}, nullptr},
        {"insert after one", [&](TWideStrings &W) { W.AddObject("a", &A); W.Insert(1, "b"); }, {"a", "b"}, &A},
        {"insert into none", [&](TWideStrings &W) { W.Insert(0, "a"); }, {"a"}, nullptr},
        {"delete the only", [&](TWideStrings &W) { W.Add("a"); W.Delete(0); }, {}, nullptr},
        {"delete to one, add", [&](TWideStrings &W) { W.Add("a"); W.AddObject("b", &B); W.Delete(0); W.Add("c"); },
         {"b", "c"}, &B},
        {"delete both, add", [&](TWideStrings &W) { W.Add("a"); W.Add("b"); W.Delete(1); W.Delete(0); W.Add("c"); },
         {"c"}, nullptr},
        {"put on one", [&](TWideStrings &W) { W.Add("a"); W.Put(0, "x"); W.PutObject(0, &B); }, {"x"}, &B},
        {"put appends second", [&](TWideStrings &W) { W.Add("a"); W.Put(1, "b"); }, {"a", "b"}, nullptr},
        {"self added to one", [&](TWideStrings &W) { W.AddObject("a", &A); W.AddStrings(&W); }, {"a", "a"}, &A},
        {"clear and add", [&](TWideStrings &W) { W.Add("a"); W.Add("b"); W.Clear(); W.Add("c"); }, {"c"}, nullptr},
        {"one line text then more", [&](TWideStrings &W) { W.SetText("a"); W.Add("b"); }, {"a", "b"}, nullptr},
    };
    for (const TCase &C : Cases) {
        SCOPED_TRACE(C.Name);
        TWideStrings W;
        C.Edit(W);
        EXPECT_EQ(Lines(W), C.Expected);
        EXPECT_EQ(W.GetObject(0), C.Object0);
        EXPECT_EQ(W.Get(W.Count()), "");
        EXPECT_EQ(W.IndexOf(C.Expected.value(0, "none")), C.Expected.isEmpty() ? -1 : 0);
        TWideStrings Copy;
        Copy.Assign(&W);
        EXPECT_EQ(Lines(Copy), C.Expected);
    }
    TWideStrings W;
    W.Add("a");
    EXPECT_THROW(W.Delete(1), EListError);
    EXPECT_THROW(W.Insert(2, "c"), EListError);
    EXPECT_EQ(Lines(W), QStringList({"a"}));
}

TEST(WideStrings, AssignBothWaysWithStringLists)
{
    TObject Obj;
    TStringList S;
    S.Add("one");
    S.AddObject(QString::fromUtf8("二"), &Obj);
    TWideStrings W;
    W.Add("old");
    W.Assign(&S);
    EXPECT_EQ(Lines(W), QStringList({"one", QString::fromUtf8("二")}));
    EXPECT_EQ(W.GetObject(1), &Obj);

    TWideStrings Copy;
    Copy.Assign(&W);
    EXPECT_EQ(Lines(Copy), Lines(W));
    Copy.AddStrings(&Copy);
    EXPECT_EQ(Copy.Count(), 4);

    TStringList Back;
    Back.Add("stale");
    W.Add("three");
    Back.Assign(&W);
    ASSERT_EQ(Back.Count(), 3);
    EXPECT_EQ(Back.Strings(1), QString::fromUtf8("二"));
    EXPECT_EQ(Back.Objects(1), &Obj);

    TPersistent Other;
    EXPECT_THROW(W.Assign(&Other), EConvertError);

    // An object freed since it was stored is not handed on as the new one
    // made at its address.
    alignas(TObject) unsigned char place[sizeof(TObject)];
    TWideStrings Kept;
    Kept.AddObject("gone", new (place) TObject);
    static_cast<TObject *>(static_cast<void *>(place))->~TObject();
    auto *now = new (place) TObject;
    Back.Assign(&Kept);
    EXPECT_EQ(Back.Objects(0), nullptr);
    now->~TObject();
}

TEST(WideStrings, LoadFromStreamByMark)
{
    TWideStrings W;
    // FF FE then UTF-16 LE.
    TStringStream Utf16(QByteArray("\xff\xfe" "a\0\r\0\n\0-N", 10));
    W.LoadFromStream(&Utf16);
    EXPECT_EQ(Lines(W), QStringList({"a", QString(QChar(0x4E2D))}));
    // No mark: 8-bit text in the system code page (GBK).
    TStringStream Gbk(QByteArray("\xd6\xd0\xce\xc4\r\nx"));
    W.LoadFromStream(&Gbk);
    EXPECT_EQ(Lines(W), QStringList({QString::fromUtf8("中文"), "x"}));
    // One byte, and a bare mark of two bytes, are read as 8-bit text.
    TStringStream One(QByteArray("z"));
    W.LoadFromStream(&One);
    EXPECT_EQ(Lines(W), QStringList({"z"}));
    // From the current position on.
    TStringStream Mid(QByteArray("skip\xff\xfe" "b\0", 8));
    Mid.SetPosition(4);
    W.LoadFromStream(&Mid);
    EXPECT_EQ(Lines(W), QStringList({"b"}));
}

TEST(WideStrings, SaveIsRawUtf16WithoutMark)
{
    TWideStrings W;
    W.Add(QString::fromUtf8("中"));
    TMemoryStream S;
    W.SaveToStream(&S);
    EXPECT_EQ(QByteArray(static_cast<const char *>(S.Memory()), int(S.Size())),
              QByteArray("\x2d\x4e\r\0\n\0", 6));

    QTemporaryDir Dir;
    const QString File = Dir.path() + "/w.txt";
    W.Add("second");
    W.SaveToFile(File);
    QFile F(File);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    const QByteArray Saved = F.readAll();
    F.close();
    EXPECT_EQ(Saved, QByteArray("\x2d\x4e\r\0\n\0s\0e\0c\0o\0n\0d\0\r\0\n\0", 22));
    // With a mark in front it reads back as it was.
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write("\xff\xfe" + Saved);
    F.close();
    TWideStrings Back;
    Back.LoadFromFile(File);
    EXPECT_EQ(Lines(Back), Lines(W));
    // Without one the bytes are 8-bit text, which ends at the first zero.
    TStringStream NoMark(Saved);
    Back.LoadFromStream(&NoMark);
    EXPECT_EQ(Lines(Back), QStringList({"-N"}));
}

TEST(Charsets, CodePagesAndLocales)
{
    EXPECT_EQ(CharsetToCodePage(DEFAULT_CHARSET), 936);
    EXPECT_EQ(CharsetToCodePage(GB2312_CHARSET), 936);
    EXPECT_EQ(CharsetToCodePage(ANSI_CHARSET), 1252);
    EXPECT_EQ(CharsetToCodePage(RUSSIAN_CHARSET), 1251);
    EXPECT_EQ(CharsetToCodePage(MAC_CHARSET), 2);
    EXPECT_EQ(CharsetToCodePage(OEM_CHARSET), 1);
    EXPECT_THROW(CharsetToCodePage(99), Exception);

    EXPECT_EQ(AnsiToWide("\xd6\xd0", GB2312_CHARSET), QString::fromUtf8("中"));
    EXPECT_EQ(AnsiToWide("\xe9", ANSI_CHARSET), QString::fromUtf8("é"));
    EXPECT_EQ(AnsiToWide("\xe9", GB2312_CHARSET, 1252), QString::fromUtf8("é"));
    EXPECT_EQ(AnsiToWide("", RUSSIAN_CHARSET), "");
    EXPECT_EQ(WideToAnsi(QString::fromUtf8("中"), DEFAULT_CHARSET), QByteArray("\xd6\xd0"));
    EXPECT_EQ(WideToAnsi(QString::fromUtf8("Ж"), RUSSIAN_CHARSET), QByteArray("\xc6"));
    EXPECT_EQ(WideToAnsi(QString::fromUtf8("中"), ANSI_CHARSET), QByteArray("?"));

    struct { int Charset, Lcid; } Table[] = {
        {128, 1041}, {129, 1042}, {130, 2066}, {134, 2052}, {136, 3076}, {161, 1032},
        {162, 1055}, {163, 1066}, {177, 1037}, {178, 13313}, {186, 1061}, {204, 1049},
        {222, 1054}, {238, 1029}};
    for (auto T : Table)
        EXPECT_EQ(CharsetToLCID(T.Charset), T.Lcid) << T.Charset;
    EXPECT_EQ(CharsetToLCID(0), 2052);
}

namespace {

QByteArray Defined(TPersistent *P)
{
    TMemoryStream S;
    TWriter W(&S);
    W.WriteDefinedProperties(P);
    return QByteArray(static_cast<const char *>(S.Memory()), int(S.Size()));
}

void ReadDefined(TPersistent *P, const QByteArray &Bytes)
{
    TStringStream S(Bytes);
    TReader R(&S);
    while (!R.EndOfStream())
        R.ReadProperty(P);
}

} // namespace

TEST(WideStrings, DefinedPropertiesStreamAsUtf8)
{
    TWideStrings Memo;
    EXPECT_TRUE(Defined(&Memo).isEmpty());   // no lines: neither property

    Memo.Add("a");
    Memo.Add(QString::fromUtf8("规格"));
    const QByteArray Bytes = Defined(&Memo);
    // "UTF8", a list, two short strings holding UTF-8 bytes, end of list.
    EXPECT_EQ(Bytes, QByteArray("\x04UTF8\x01\x06\x01" "a\x06\x06\xe8\xa7\x84\xe6\xa0\xbc\x00", 18));
    EXPECT_FALSE(Bytes.contains("Strings"));

    TWideStrings Back;
    Back.Add("old");
    ReadDefined(&Back, Bytes);
    EXPECT_EQ(Lines(Back), Lines(Memo));

    // Lines longer than 255 bytes take the long-string form.
    Memo.Clear();
    Memo.Add(QString(200, QChar(0x4E2D)));
    const QByteArray Long = Defined(&Memo);
    EXPECT_EQ(Long.mid(5, 2), QByteArray("\x01\x0c"));   // list, long string
    ReadDefined(&Back, Long);
    EXPECT_EQ(Lines(Back), Lines(Memo));
}

TEST(WideStrings, OlderStringsFormIsRead)
{
    // "Strings": a GBK short string and a wide string.
    QByteArray Bytes("\x07Strings\x01", 9);
    Bytes += QByteArray("\x06\x02\xd6\xd0", 4);
    Bytes += QByteArray("\x12\x01\x00\x00\x00\x87\x65", 7);   // vaWString, one UTF-16 unit
    Bytes += '\0';
    TWideStrings Memo;
    ReadDefined(&Memo, Bytes);
    EXPECT_EQ(Lines(Memo), QStringList({QString::fromUtf8("中"), QString(QChar(0x6587))}));
}
