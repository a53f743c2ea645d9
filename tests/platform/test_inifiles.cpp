// Tests of inifiles (platform).
#include "CodePages.h"
#include "IniFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Path(const char *name = "test.ini") const { return dir.filePath(QString::fromLatin1(name)); }
    static void Put(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray Get(const QString &file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        return f.readAll();
    }
    static QStringList Lines(TStrings *s)
    {
        QStringList out;
        for (int i = 0; i < s->Count(); ++i)
            out << s->Strings(i);
        return out;
    }
};

TEST_F(IniFileTest, WritingBuildsTheFileLineByLine)
{
    TIniFile ini(Path());
    ini.WriteString("Main", "Port", "COM1");
    EXPECT_EQ(Get(Path()), QByteArray("[Main]\r\nPort=COM1\r\n"));
    ini.WriteString("Main", "Baud", "2400");
    EXPECT_EQ(Get(Path()), QByteArray("[Main]\r\nPort=COM1\r\nBaud=2400\r\n"));
    ini.WriteString("Other", "X", "1");
    EXPECT_EQ(Get(Path()), QByteArray("[Main]\r\nPort=COM1\r\nBaud=2400\r\n\r\n[Other]\r\nX=1\r\n"));
    // Replacing a value keeps the key's spelling in the file.
    ini.WriteString("MAIN", "port", "COM2");
    EXPECT_EQ(Get(Path()), QByteArray("[Main]\r\nPort=COM2\r\nBaud=2400\r\n\r\n[Other]\r\nX=1\r\n"));
    // A new key goes after the section's last line, before the blank line.
    ini.WriteString("main", "Parity", "N");
    EXPECT_EQ(Get(Path()),
              QByteArray("[Main]\r\nPort=COM2\r\nBaud=2400\r\nParity=N\r\n\r\n[Other]\r\nX=1\r\n"));
}

TEST_F(IniFileTest, OtherBytesOfTheFileStayAsTheyAre)
{
    // LF line ends, comments, odd spacing, a last line without a line end.
    const QByteArray before = "; settings\n[Scale]\n  Port =  COM3 \n;old=1\nRate=9600\n\n[Db]\nPath=x.db";
    Put(Path(), before);
    TIniFile ini(Path());
    ini.WriteString("scale", "rate", "2400");
    EXPECT_EQ(Get(Path()), QByteArray("; settings\n[Scale]\n  Port =  COM3 \n;old=1\nRate=2400\n\n[Db]\nPath=x.db"));
    ini.WriteString("Db", "User", "sa");
    EXPECT_EQ(Get(Path()),
              QByteArray("; settings\n[Scale]\n  Port =  COM3 \n;old=1\nRate=2400\n\n[Db]\nPath=x.db\nUser=sa\n"));
    ini.DeleteKey("SCALE", "Port");
    EXPECT_EQ(Get(Path()), QByteArray("; settings\n[Scale]\n;old=1\nRate=2400\n\n[Db]\nPath=x.db\nUser=sa\n"));
    ini.EraseSection("scale");
    EXPECT_EQ(Get(Path()), QByteArray("; settings\n[Db]\nPath=x.db\nUser=sa\n"));
    // Missing sections and keys leave the file alone.
    ini.DeleteKey("Db", "Nope");
    ini.EraseSection("Nope");
    EXPECT_EQ(Get(Path()), QByteArray("; settings\n[Db]\nPath=x.db\nUser=sa\n"));
}

TEST_F(IniFileTest, ReadsIgnoreCaseBlanksAndQuotes)
{
    Put(Path(), "[Main]\r\n Name = \"  quoted  \" \r\nSingle='a'\r\nHalf=\"b\r\nEmpty=\r\nNoEquals\r\n;Comment=1\r\n"
                "[main]\r\nName=second section\r\n");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("MAIN", "name", "d"), "  quoted  ");
    EXPECT_EQ(ini.ReadString("Main", "Single", "d"), "a");
    EXPECT_EQ(ini.ReadString("Main", "Half", "d"), "\"b");
    EXPECT_EQ(ini.ReadString("Main", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadString("Main", "NoEquals", "d"), "d");
    EXPECT_EQ(ini.ReadString("Main", ";Comment", "d"), "d");
    EXPECT_EQ(ini.ReadString("Nope", "Name", "d"), "d");

    TStringList list;
    ini.ReadSection("main", &list);
    EXPECT_EQ(Lines(&list), QStringList({"Name", "Single", "Half", "Empty"}));
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(&list), QStringList({"Main"}));
    ini.ReadSectionValues("Main", &list);
    EXPECT_EQ(Lines(&list), QStringList({"Name=  quoted  ", "Single=a", "Half=\"b", "Empty="}));
    EXPECT_TRUE(ini.ValueExists("MAIN", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("Main", "NoEquals"));
}

TEST_F(IniFileTest, ByteOrderMarkIsNotPartOfTheFirstSection)
{
    Put(Path(), "\xEF\xBB\xBF[Main]\r\nA=1\r\n");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Main", "A", ""), "1");
    ini.WriteString("Main", "B", "2");
    EXPECT_EQ(Get(Path()), QByteArray("\xEF\xBB\xBF[Main]\r\nA=1\r\nB=2\r\n"));
    TMemIniFile mem(Path());
    EXPECT_EQ(mem.ReadString("main", "b", ""), "2");
}

TEST_F(IniFileTest, SectionWithoutKeysDoesNotExist)
{
    Put(Path(), "[Empty]\r\n[Full]\r\nA=1\r\n");
    TIniFile ini(Path());
    EXPECT_FALSE(ini.SectionExists("Empty"));
    EXPECT_TRUE(ini.SectionExists("FULL"));
    EXPECT_FALSE(ini.SectionExists("Missing"));
    TIniFile missing(Path("none.ini"));
    EXPECT_EQ(missing.ReadString("A", "B", "dflt"), "dflt");
    EXPECT_FALSE(QFile::exists(Path("none.ini")));
}

TEST_F(IniFileTest, GbkFilesAreReadAndWrittenInGbk)
{
    const QString caption = QString::fromUtf8("过总榜");
    Put(Path(), "[" + StringToCodePage(QString::fromUtf8("称重"), 936) + "]\r\nTitle="
                    + StringToCodePage(caption, 936) + "\r\n");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString(QString::fromUtf8("称重"), "Title", ""), caption);
    ini.WriteString(QString::fromUtf8("称重"), "Unit", QString::fromUtf8("公斤"));
    EXPECT_EQ(Get(Path()), "[" + StringToCodePage(QString::fromUtf8("称重"), 936) + "]\r\nTitle="
                               + StringToCodePage(caption, 936) + "\r\nUnit="
                               + StringToCodePage(QString::fromUtf8("公斤"), 936) + "\r\n");
    // A new file is UTF-8.
    TIniFile fresh(Path("new.ini"));
    fresh.WriteString("A", "B", caption);
    EXPECT_EQ(Get(Path("new.ini")), "[A]\r\nB=" + caption.toUtf8() + "\r\n");
    EXPECT_EQ(fresh.ReadString("a", "b", ""), caption);
}

TEST_F(IniFileTest, TypedReadsFallBackToTheDefault)
{
    Put(Path(), "[T]\r\nHex=0x1F\r\nDollar=$10\r\nNeg=-5\r\nText=abc\r\nBig=99999999999\r\nTrue=True\r\n"
                "One=1\r\nZero=0\r\nTwo=2\r\nF=1.5\r\nBadF=1,5x\r\nD=2024-03-05\r\nBadD=2024-13-45\r\n"
                "DT=2024-03-05 10:20:30\r\nTm=10:20:30\r\n");
    TIniFile ini(Path());
    struct { const char *key; int dflt; int want; } ints[] = {
        {"Hex", 0, 31}, {"Dollar", 0, 16}, {"Neg", 0, -5}, {"Text", 7, 7}, {"Big", 7, 7}, {"Missing", 9, 9}};
    for (const auto &c : ints)
        EXPECT_EQ(ini.ReadInteger("T", c.key, c.dflt), c.want) << c.key;
    EXPECT_TRUE(ini.ReadBool("T", "One", false));
    EXPECT_FALSE(ini.ReadBool("T", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("T", "Two", false));
    // "True" is no integer: the default holds.
    EXPECT_FALSE(ini.ReadBool("T", "True", false));
    EXPECT_TRUE(ini.ReadBool("T", "True", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("T", "F", 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("T", "BadF", 2.5), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadDate("T", "D", 0), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(ini.ReadDate("T", "BadD", 1.0), 1.0);
    EXPECT_DOUBLE_EQ(ini.ReadDate("T", "Text", 1.0), 1.0);
    EXPECT_NEAR(ini.ReadDateTime("T", "DT", 0), EncodeDate(2024, 3, 5) + EncodeTime(10, 20, 30, 0), 1e-9);
    EXPECT_NEAR(ini.ReadTime("T", "Tm", 0), EncodeTime(10, 20, 30, 0), 1e-9);
    EXPECT_DOUBLE_EQ(ini.ReadTime("T", "Text", 3.0), 3.0);
}

TEST_F(IniFileTest, TypedWritesUseTheProgramFormats)
{
    TIniFile ini(Path());
    ini.WriteInteger("W", "I", -42);
    ini.WriteBool("W", "B", true);
    ini.WriteBool("W", "C", false);
    ini.WriteFloat("W", "F", 0.1);
    ini.WriteDate("W", "D", EncodeDate(2024, 3, 5));
    ini.WriteTime("W", "T", EncodeTime(7, 8, 9, 0));
    EXPECT_EQ(Get(Path()), QByteArray("[W]\r\nI=-42\r\nB=1\r\nC=0\r\nF=0.1\r\nD=2024-03-05\r\nT=07:08:09\r\n"));
}

TEST_F(IniFileTest, BinaryStreamsTravelAsHex)
{
    TIniFile ini(Path());
    TMemoryStream src;
    const QByteArray bytes("\x00\x01\xAB\xFF", 4);
    src.WriteBuffer(bytes.constData(), bytes.size());
    ini.WriteBinaryStream("Bin", "Data", &src);
    EXPECT_EQ(Get(Path()), QByteArray("[Bin]\r\nData=0001ABFF\r\n"));
    TMemoryStream dst;
    dst.WriteBuffer("xy", 2);
    EXPECT_EQ(ini.ReadBinaryStream("Bin", "Data", &dst), 4);
    EXPECT_EQ(dst.Position(), 2);
    EXPECT_EQ(dst.Size(), 6);
    EXPECT_EQ(QByteArray(static_cast<const char *>(dst.Memory()) + 2, 4), bytes);
    EXPECT_EQ(ini.ReadBinaryStream("Bin", "Missing", &dst), 0);
}

TEST_F(IniFileTest, WriteFailureRaises)
{
    TIniFile ini(dir.filePath("no/such/dir/x.ini"));
    EXPECT_THROW(ini.WriteString("A", "B", "C"), EIniFileException);
}

TEST_F(IniFileTest, MemIniFileKeepsEverythingInMemoryUntilUpdateFile)
{
    Put(Path(), "; dropped\r\nbefore=section\r\n[A]\r\n k = v \r\nx=1\r\n[Empty]\r\n[a]\r\ny=2\r\n");
    {
        TMemIniFile ini(Path());
        EXPECT_EQ(ini.ReadString("a", "K", ""), "v");
        EXPECT_EQ(ini.ReadString("A", "y", ""), "2");
        TStringList list;
        ini.ReadSections(&list);
        EXPECT_EQ(Lines(&list), QStringList({"A", "Empty"}));
        EXPECT_FALSE(ini.SectionExists("Empty"));
        ini.GetStrings(&list);
        EXPECT_EQ(Lines(&list), QStringList({"[A]", "k=v", "x=1", "y=2", "", "[Empty]", ""}));
        ini.WriteString("B", "z", "3");
        ini.DeleteKey("A", "x");
        // Destroyed without UpdateFile: the file is unchanged.
    }
    EXPECT_EQ(Get(Path()), QByteArray("; dropped\r\nbefore=section\r\n[A]\r\n k = v \r\nx=1\r\n[Empty]\r\n[a]\r\ny=2\r\n"));
    TMemIniFile ini(Path());
    ini.WriteString("B", "z", "3");
    ini.EraseSection("Empty");
    ini.UpdateFile();
    EXPECT_EQ(Get(Path()), QByteArray("[A]\r\nk=v\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n\r\n"));
}

TEST_F(IniFileTest, MemIniFileSetStringsReplacesTheContent)
{
    TMemIniFile ini(Path("absent.ini"));
    TStringList src;
    src.SetText("[S]\r\na=1\r\nb=2\r\n[T]\r\n");
    ini.WriteString("Old", "k", "v");
    ini.SetStrings(&src);
    TStringList list;
    ini.ReadSectionValues("s", &list);
    EXPECT_EQ(Lines(&list), QStringList({"a=1", "b=2"}));
    EXPECT_EQ(ini.ReadString("Old", "k", "gone"), "gone");
    ini.ReadSection("S", &list);
    EXPECT_EQ(Lines(&list), QStringList({"a", "b"}));
    ini.Clear();
    ini.GetStrings(&list);
    EXPECT_EQ(list.Count(), 0);
}

// Both kinds read a malformed header alike; what follows it is that section's.
TEST_F(IniFileTest, SectionHeadersReadAlikeInBothKinds)
{
    const struct { const char *line; const char *name; } cases[] = {
        {"[A] i]a", "A"},         // text after the closing bracket is ignored
        {"[Scale] ; port", "Scale"},
        {"[x]y]", "x]y"},         // a line ending in ']' keeps the inner brackets
        {"[a[b]", "a[b"},
        {"[Open", "Open"},        // no closing bracket: up to the line's end
        {"  [ Sp ]  ", "Sp"},
        {"[]", ""},
        {"[", ""},
    };
    for (const auto &c : cases) {
        Put(Path(), QByteArray("[Before]\r\nk=0\r\n") + c.line + "\r\nk=1\r\n");
        TIniFile file(Path());
        TMemIniFile mem(Path());
        for (TCustomIniFile *ini : {static_cast<TCustomIniFile *>(&file), static_cast<TCustomIniFile *>(&mem)}) {
            TStringList list;
            ini->ReadSections(&list);
            EXPECT_EQ(Lines(&list), QStringList({"Before", c.name})) << c.line << ' ' << ini->ClassName().toStdString();
            EXPECT_EQ(ini->ReadString(c.name, "k", "d"), "1") << c.line << ' ' << ini->ClassName().toStdString();
            EXPECT_EQ(ini->ReadString("Before", "k", "d"), "0") << c.line << ' ' << ini->ClassName().toStdString();
        }
        // The write lands in that section; the other one keeps its value.
        file.WriteString(c.name, "k", "2");
        EXPECT_EQ(Get(Path()), QByteArray("[Before]\r\nk=0\r\n") + c.line + "\r\nk=2\r\n") << c.line;
    }
}

TEST_F(IniFileTest, SectionNamesWithBracketsReadBackAsWritten)
{
    TIniFile file(Path());
    file.WriteString("x]y", "k", "1");
    file.WriteString("x]y", "k", "2");
    EXPECT_EQ(Get(Path()), QByteArray("[x]y]\r\nk=2\r\n"));
    TMemIniFile mem(Path());
    EXPECT_EQ(mem.ReadString("X]Y", "k", "d"), "2");
    mem.WriteString("a[b]", "k", "3");
    mem.UpdateFile();
    TIniFile again(Path());
    EXPECT_EQ(again.ReadString("a[b]", "k", "d"), "3");
    EXPECT_EQ(again.ReadString("x]y", "k", "d"), "2");
}

// GBK bytes of "通" are valid UTF-8 too: once a write drops the last bytes that
// are not, the file must not turn into a UTF-8 file that reads otherwise.
TEST_F(IniFileTest, GbkFileKeepsItsTextWhenTheLastNonUtf8BytesGo)
{
    const QString tong = QString::fromUtf8("通");
    const QByteArray name = "[A]\r\nName=" + StringToCodePage(tong, 936) + "\r\n";
    const QByteArray old = "Old=" + StringToCodePage(QString::fromUtf8("称重"), 936) + "\r\n";
    const QByteArray gbk = name + old + "[B]\r\nx=1\r\n";
    const QByteArray utf8Name = "[A]\r\nName=" + tong.toUtf8() + "\r\n";
    const struct { const char *what; QByteArray file; void (*op)(TCustomIniFile &); QByteArray want; } cases[] = {
        {"WriteString", gbk, [](TCustomIniFile &i) { i.WriteString("a", "old", "kg"); },
         utf8Name + "Old=kg\r\n[B]\r\nx=1\r\n"},
        {"DeleteKey", gbk, [](TCustomIniFile &i) { i.DeleteKey("A", "Old"); }, utf8Name + "[B]\r\nx=1\r\n"},
        {"EraseSection", name + "[B]\r\n" + old, [](TCustomIniFile &i) { i.EraseSection("b"); }, utf8Name},
    };
    for (const auto &c : cases) {
        Put(Path(), c.file);
        TIniFile file(Path());
        c.op(file);
        EXPECT_EQ(Get(Path()), c.want) << c.what;
        EXPECT_EQ(file.ReadString("A", "Name", "d"), tong) << c.what;
    }
    // The in-memory kind, when it writes the file out.
    Put(Path(), gbk);
    {
        TMemIniFile mem(Path());
        mem.DeleteKey("A", "Old");
        mem.UpdateFile();
        mem.WriteString("A", "More", QString::fromUtf8("公斤"));
        mem.UpdateFile();
    }
    EXPECT_EQ(Get(Path()), "[A]\r\nName=" + tong.toUtf8() + "\r\nMore=" + QString::fromUtf8("公斤").toUtf8()
                               + "\r\n\r\n[B]\r\nx=1\r\n\r\n");
    EXPECT_EQ(TMemIniFile(Path()).ReadString("A", "Name", "d"), tong);
}

// Scripts tell the kinds of INI object apart by class.
TEST_F(IniFileTest, ClassesAreKnownByName)
{
    TIniFile file(Path());
    TMemIniFile mem(Path());
    EXPECT_EQ(file.ClassName(), "TIniFile");
    EXPECT_EQ(mem.ClassName(), "TMemIniFile");
    EXPECT_TRUE(file.InheritsFrom(TCustomIniFile::StaticClass()));
    EXPECT_TRUE(mem.InheritsFrom(TCustomIniFile::StaticClass()));
    EXPECT_FALSE(mem.InheritsFrom(TIniFile::StaticClass()));
    // An INI file needs its file name: it cannot be made by class alone.
    EXPECT_TRUE(TIniFile::StaticClass()->IsAbstract());
}

} // namespace
