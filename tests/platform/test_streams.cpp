// Tests of streams (platform).
#include "Classes.h"
#include "CodePages.h"
#include "Exceptions.h"
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace {

QByteArray FileBytes(const QString &Name)
{
    QFile F(Name);
    EXPECT_TRUE(F.open(QIODevice::ReadOnly)) << Name.toStdString();
    return F.readAll();
}

void WriteFile(const QString &Name, const QByteArray &Bytes)
{
    QFile F(Name);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
    F.write(Bytes);
}

} // namespace

TEST(Streams, SeekOriginsOnMemoryAndFileStreams)
{
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Name = Dir.filePath(QStringLiteral("seek.bin"));
    std::function<std::unique_ptr<TStream>()> Makers[] = {
        [] { return std::make_unique<TMemoryStream>(); },
        [&] { return std::make_unique<TFileStream>(Name, fmCreate); },
    };
    for (auto &Make : Makers) {
        auto S = Make();
        S->WriteBuffer("0123456789", 10);
        EXPECT_EQ(S->Position(), 10);
        EXPECT_EQ(S->Size(), 10);
        const struct
        {
            qint64 Offset;
            TSeekOrigin Origin;
            qint64 Result;
        } Cases[] = {
            {3, soFromBeginning, 3}, {2, soFromCurrent, 5}, {-1, soFromEnd, 9}, {-4, soCurrent, 5},
            {0, soEnd, 10},          {0, soBeginning, 0},   {12, soBeginning, 12},
        };
        for (const auto &Case : Cases)
            EXPECT_EQ(S->Seek(Case.Offset, Case.Origin), Case.Result) << Case.Offset << " " << Case.Origin;
        EXPECT_EQ(S->Position(), 12);
        char C = 0;
        EXPECT_EQ(S->Read(&C, 1), 0);  // past the end: nothing
        S->SetPosition(4);
        EXPECT_EQ(S->Read(&C, 1), 1);
        EXPECT_EQ(C, '4');
        EXPECT_EQ(S->Seek(0, static_cast<TSeekOrigin>(7)), 5);  // unknown origin: no move
    }
}

TEST(Streams, ReadStopsAtTheEndAndReadBufferRaises)
{
    TMemoryStream S;
    S.WriteBuffer("abcdef", 6);
    S.SetPosition(2);
    char Buf[16] = {};
    EXPECT_EQ(S.Read(Buf, 10), 4);
    EXPECT_EQ(QByteArray(Buf, 4), QByteArray("cdef"));
    EXPECT_EQ(S.Read(Buf, 10), 0);
    EXPECT_EQ(S.Read(Buf, -1), 0);

    S.SetPosition(3);
    try {
        S.ReadBuffer(Buf, 4);
        FAIL() << "no exception";
    } catch (const EReadError &E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Stream read error"));
    }
    S.SetPosition(0);
    EXPECT_NO_THROW(S.ReadBuffer(Buf, 6));
    EXPECT_NO_THROW(S.ReadBuffer(Buf, 0));
    S.SetPosition(-5);
    EXPECT_EQ(S.Read(Buf, 1), 0);
    EXPECT_EQ(S.Write("x", 1), 0);
}

TEST(Streams, MemoryStreamGrowsSizesAndClears)
{
    TMemoryStream S;
    S.SetPosition(4);
    S.WriteBuffer("xy", 2);  // the gap is zero-filled
    EXPECT_EQ(S.Size(), 6);
    EXPECT_EQ(QByteArray(static_cast<const char *>(S.Memory()), 6), QByteArray("\0\0\0\0xy", 6));
    S.SetPosition(1);
    S.WriteBuffer("A", 1);  // overwriting in the middle keeps the rest
    EXPECT_EQ(S.Size(), 6);
    S.SetSize(3);
    EXPECT_EQ(S.Position(), 2);
    S.SetPosition(3);
    S.SetSize(2);
    EXPECT_EQ(S.Position(), 2);
    S.SetSize(8);
    EXPECT_EQ(QByteArray(static_cast<const char *>(S.Memory()), 8), QByteArray("\0A\0\0\0\0\0\0", 8));
    S.Clear();
    EXPECT_EQ(S.Size(), 0);
    EXPECT_EQ(S.Position(), 0);
    try {
        S.SetSize(-1);
        FAIL() << "no exception";
    } catch (const EStreamError &E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Out of memory while expanding memory stream"));
    }
}

TEST(Streams, CopyFrom)
{
    TStringStream Source(QByteArray("hello world"));
    TMemoryStream Dest;
    Source.SetPosition(6);
    EXPECT_EQ(Dest.CopyFrom(&Source, 3), 3);
    EXPECT_EQ(Source.Position(), 9);
    Source.SetPosition(8);
    EXPECT_EQ(Dest.CopyFrom(&Source, 0), 11);  // 0 copies everything from the start
    EXPECT_EQ(QByteArray(static_cast<const char *>(Dest.Memory()), int(Dest.Size())),
              QByteArray("worhello world"));
    Source.SetPosition(9);
    EXPECT_THROW(Dest.CopyFrom(&Source, 5), EReadError);

    // Large enough to need several rounds of the copy buffer.
    QByteArray Big(200000, '\0');
    for (int I = 0; I < Big.size(); ++I)
        Big[I] = char(I * 7);
    TStringStream BigSource(Big);
    TStringStream BigDest;
    EXPECT_EQ(BigDest.CopyFrom(&BigSource, 0), Big.size());
    EXPECT_EQ(BigDest.DataString(), Big);
}

TEST(Streams, StringStreamBytesAndText)
{
    TStringStream S(QByteArray("abc"));
    EXPECT_EQ(S.Position(), 0);
    EXPECT_EQ(S.ReadString(2), QByteArray("ab"));
    EXPECT_EQ(S.ReadString(5), QByteArray("c"));
    EXPECT_EQ(S.ReadString(5), QByteArray());
    S.SetPosition(1);
    S.WriteString("XY");
    EXPECT_EQ(S.DataString(), QByteArray("aXY"));
    S.WriteString("Z");
    EXPECT_EQ(S.DataString(), QByteArray("aXYZ"));
    S.SetPosition(1);
    S.WriteString("q");  // writing in the middle does not cut the rest
    EXPECT_EQ(S.DataString(), QByteArray("aqYZ"));

    EXPECT_EQ(TStringStream(QStringLiteral("中"), CP_UTF8).DataString(), QByteArray("\xE4\xB8\xAD"));
    EXPECT_EQ(TStringStream(QStringLiteral("中"), 936).DataString(), QByteArray("\xD6\xD0"));
    EXPECT_EQ(TStringStream(QStringLiteral("é"), 1252).DataString(), QByteArray("\xE9"));
}

TEST(Streams, FileStreamModesAndErrors)
{
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Name = Dir.filePath(QStringLiteral("data.bin"));
    {
        TFileStream F(Name, fmCreate);
        F.WriteBuffer("abcdef", 6);
        EXPECT_EQ(F.FileName(), Name);
    }
    {
        TFileStream F(Name, fmOpenRead | fmShareDenyNone);
        EXPECT_EQ(F.Size(), 6);
        char Buf[8];
        EXPECT_EQ(F.Read(Buf, 8), 6);
        EXPECT_EQ(F.Write("x", 1), 0);  // opened for reading only
        EXPECT_THROW(F.WriteBuffer("x", 1), EWriteError);
    }
    {
        TFileStream F(Name, fmOpenWrite | fmShareExclusive);  // keeps the content
        F.SetPosition(2);
        F.WriteBuffer("ZZ", 2);
    }
    EXPECT_EQ(FileBytes(Name), QByteArray("abZZef"));
    {
        TFileStream F(Name, fmOpenReadWrite);
        F.SetSize(3);
        EXPECT_EQ(F.Size(), 3);
        F.Seek(0, soEnd);
        F.WriteBuffer("!", 1);
    }
    EXPECT_EQ(FileBytes(Name), QByteArray("abZ!"));
    {
        TFileStream F(Name, fmCreate);  // truncates
        EXPECT_EQ(F.Size(), 0);
    }

    const QString Missing = Dir.filePath(QStringLiteral("missing.txt"));
    try {
        TFileStream F(Missing, fmOpenRead);
        FAIL() << "no exception";
    } catch (const EFOpenError &E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(Missing));
    }
    const QString NoDir = Dir.filePath(QStringLiteral("nodir/new.txt"));
    try {
        TFileStream F(NoDir, fmCreate);
        FAIL() << "no exception";
    } catch (const EFCreateError &E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(NoDir));
    }
    try {
        TFileStream F(Dir.path(), fmOpenRead);
        FAIL() << "no exception";
    } catch (const EFOpenError &E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Cannot open file \"%1\". Is a directory").arg(Dir.path()));
    }
    // A relative name is shown as the full path.
    const QString Cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Dir.path()));
    try {
        TFileStream F(QStringLiteral("rel.txt"), fmOpenRead);
        FAIL() << "no exception";
    } catch (const EFOpenError &E) {
        EXPECT_TRUE(E.Message().startsWith(QStringLiteral("Cannot open file \"%1/rel.txt\".").arg(QDir::currentPath())))
            << E.Message().toStdString();
    }
    QDir::setCurrent(Cwd);
}

TEST(Streams, MemoryStreamFilesAndStreams)
{
    QTemporaryDir Dir;
    const QString Name = Dir.filePath(QStringLiteral("m.bin"));
    TMemoryStream S;
    S.WriteBuffer("payload", 7);
    S.SetPosition(3);
    S.SaveToFile(Name);  // the whole content, whatever the position
    EXPECT_EQ(FileBytes(Name), QByteArray("payload"));

    TMemoryStream T;
    T.WriteBuffer("older and longer", 16);
    T.SetPosition(0);
    T.LoadFromFile(Name);
    EXPECT_EQ(T.Size(), 7);
    EXPECT_EQ(T.Position(), 0);
    TStringStream Src(QByteArray("from stream"));
    Src.SetPosition(5);
    T.LoadFromStream(&Src);  // reads Src from its start
    EXPECT_EQ(QByteArray(static_cast<const char *>(T.Memory()), int(T.Size())), QByteArray("from stream"));
    TStringStream Out;
    T.SaveToStream(&Out);
    EXPECT_EQ(Out.DataString(), QByteArray("from stream"));
    EXPECT_THROW(T.LoadFromFile(Dir.filePath(QStringLiteral("none"))), EFOpenError);
}

// --- String lists through streams and files ------------------------------------

TEST(StringListFiles, Utf8WithAndWithoutByteOrderMark)
{
    QTemporaryDir Dir;
    const QString Name = Dir.filePath(QStringLiteral("lines.txt"));
    const struct
    {
        QByteArray Bytes;
        QStringList Lines;
    } Cases[] = {
        {QByteArray(), {}},
        {QByteArray("a\r\nb\r\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QByteArray("\xEF\xBB\xBF\xE4\xB8\xAD\nx"), {QStringLiteral("中"), QStringLiteral("x")}},
        {QByteArray("\xFF\xFE" "a\0\r\0\n\0-N", 10), {QStringLiteral("a"), QStringLiteral("中")}},
        {QByteArray("\xFE\xFF\0a", 4), {QStringLiteral("a")}},
    };
    for (const auto &Case : Cases) {
        WriteFile(Name, Case.Bytes);
        TStringList L;
        L.LoadFromFile(Name);
        QStringList Got;
        for (int I = 0; I < L.Count(); ++I)
            Got << L.Strings(I);
        EXPECT_EQ(Got, Case.Lines) << Case.Bytes.toHex().toStdString();
    }
    TStringList L;
    L.Add(QStringLiteral("中"));
    L.Add(QString());
    L.SaveToFile(Name);
    EXPECT_EQ(FileBytes(Name), QByteArray("\xE4\xB8\xAD\r\n\r\n"));
}

TEST(StringListFiles, GbkOneValueFiles)
{
    QTemporaryDir Dir;
    const QString Name = Dir.filePath(QStringLiteral("usertmp.txt"));
    TStringList L;
    L.Add(QStringLiteral("用户名或密码输入错误"));
    L.Add(QStringLiteral("abc"));
    L.SaveToFile(Name, 936);
    EXPECT_EQ(FileBytes(Name),
              QByteArray::fromHex("d3c3bba7c3fbbbf2c3dcc2ebcae4c8ebb4edcef3") + QByteArray("\r\nabc\r\n"));
    TStringList M;
    M.LoadFromFile(Name, 936);
    EXPECT_TRUE(M.Equals(&L));

    WriteFile(Name, QByteArray("\xD6\xD0\xCE\xC4"));  // no line break at all
    M.LoadFromFile(Name, CP_ACP);
    ASSERT_EQ(M.Count(), 1);
    EXPECT_EQ(M.Strings(0), QStringLiteral("中文"));

    // The code-page stream overloads read from the position on.
    TStringStream S(QByteArray("skip\xD6\xD0\r\n"));
    S.SetPosition(4);
    M.LoadFromStream(&S, 936);
    EXPECT_EQ(M.CommaText(), QStringLiteral("中"));
    TStringStream Out;
    M.SaveToStream(&Out, 936);
    EXPECT_EQ(Out.DataString(), QByteArray("\xD6\xD0\r\n"));

    try {
        M.LoadFromFile(Dir.filePath(QStringLiteral("absent.txt")), 936);
        FAIL() << "no exception";
    } catch (const EFOpenError &E) {
        EXPECT_TRUE(E.Message().startsWith(QStringLiteral("Cannot open file \""))) << E.Message().toStdString();
    }
    EXPECT_EQ(M.CommaText(), QStringLiteral("中"));  // a failed load leaves the list alone
}
