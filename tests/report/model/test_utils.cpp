// Small shared routines: bracketed expressions, page ranges, numbers, hex,
// CRC-32, temporary files, the gzip reader and help.
#include "report/model/qdzClass.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzUtils.h"

#include "platform/Classes.h"
#include "platform/Component.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/ImgList.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

struct TFound
{
    QString Expr;
    int Start;
    int End;
};

TFound Find(const QString &Text, int Start, const QString &Open = "[", const QString &Close = "]")
{
    TFound F{QString(), Start, 0};
    qdzGetBracketedExpression(Text, Open, Close, F.Expr, F.End, F.Start);
    return F;
}

QStringList Pages(const QString &Text, int PageCount)
{
    TStringList List;
    qdzParsePageNumbers(Text, &List, PageCount);
    QStringList R;
    for (int I = 0; I < List.Count(); ++I)
        R << List.Strings(I);
    return R;
}

// A gzip member in the engine's convention: MTIME holds the Adler-32 of the
// data, most significant byte first.
QByteArray EngineGzip(const QByteArray &Data, const QByteArray &FileName = QByteArray())
{
    z_stream Zs{};
    deflateInit2(&Zs, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    QByteArray Raw(int(deflateBound(&Zs, uLong(Data.size()))), Qt::Uninitialized);
    Zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(Data.constData()));
    Zs.avail_in = uInt(Data.size());
    Zs.next_out = reinterpret_cast<Bytef *>(Raw.data());
    Zs.avail_out = uInt(Raw.size());
    deflate(&Zs, Z_FINISH);
    Raw.resize(int(Zs.total_out));
    deflateEnd(&Zs);
    const uLong Adler = adler32(adler32(0, nullptr, 0),
                                reinterpret_cast<const Bytef *>(Data.constData()), uInt(Data.size()));
    const uLong Crc = crc32(crc32(0, nullptr, 0),
                            reinterpret_cast<const Bytef *>(Data.constData()), uInt(Data.size()));
    QByteArray G;
    G += char(31);
    G += char(139);
    G += char(8);
    G += char(FileName.isEmpty() ? 0 : 8);
    for (int Shift = 24; Shift >= 0; Shift -= 8)
        G += char((Adler >> Shift) & 0xFF);
    G += char(2);
    G += char(0);
    if (!FileName.isEmpty())
        G += FileName + '\0';
    G += Raw;
    for (int Shift = 0; Shift < 32; Shift += 8)
        G += char((Crc >> Shift) & 0xFF);
    for (int Shift = 0; Shift < 32; Shift += 8)
        G += char((Data.size() >> Shift) & 0xFF);
    return G;
}

} // namespace

TEST(BracketedExpression, FindsNestedAndQuoted)
{
    struct Case { QString Text; int Start; QString Expr; int ExpStart, ExpEnd; } Cases[] = {
        {"[a]", 1, "a", 1, 3},
        {"x [Sum(<Qty>)] y", 3, "Sum(<Qty>)", 3, 14},
        {"[a[\"x]\"]b]", 1, "a[\"x]\"]b", 1, 10},       // bracket inside a literal does not close
        {"[a['x]']b]", 1, "a['x]']b", 1, 10},
        {"[\"it's\"]", 1, "\"it's\"", 1, 8},              // apostrophe inside a double-quoted literal
        {"[[a][b]]tail", 1, "[a][b]", 1, 8},
        {"[]", 1, "", 1, 2},
        {"no [ here", 1, "", 1, 1},                        // StartPos not at an opening delimiter
        {"规格 [kg", 4, "", 4, 4},                          // never closed: nothing found
        {"[a[b]", 1, "", 1, 1},
        {"[\"]", 1, "", 1, 1},                              // closing one inside an open literal
        {"", 1, "", 1, 1},
    };
    for (const Case &C : Cases) {
        const TFound F = Find(C.Text, C.Start);
        EXPECT_EQ(F.Expr, C.Expr) << C.Text.toStdString();
        EXPECT_EQ(F.Start, C.ExpStart) << C.Text.toStdString();
        EXPECT_EQ(F.End, C.ExpEnd) << C.Text.toStdString();
    }
}

TEST(BracketedExpression, MultiCharacterDelimiters)
{
    TFound F = Find("ab<%x + <%y%>%>cd", 3, "<%", "%>");
    EXPECT_EQ(F.Expr, "x + <%y%>");
    EXPECT_EQ(F.Start, 3);
    EXPECT_EQ(F.End, 15);   // last character of the closing "%>"
    F = Find("<%open", 1, "<%", "%>");
    EXPECT_EQ(F.Start, F.End);
    // The text is stepped one character at a time: the "%>" that overlaps
    // the opening "<%" closes it, an empty expression.
    F = Find("<%>x", 1, "<%", "%>");
    EXPECT_EQ(F.Expr, "");
    EXPECT_EQ(F.Start, 1);
    EXPECT_EQ(F.End, 3);
    // The closing delimiter is tested first: equal delimiters never open.
    F = Find("|a|", 1, "|", "|");
    EXPECT_EQ(F.Start, F.End);
    EXPECT_EQ(F.Expr, "");
}

TEST(BracketedExpression, FuzzNeverCrashesOrReadsOutside)
{
    const QString Alphabet = QStringLiteral("[]\"'ab<%>规 ");
    QRandomGenerator Rng(12345);
    // A fixed number of runs: the same inputs on any machine.
    for (int Run = 0; Run < 100000; ++Run) {
        QString Text;
        const int Len = int(Rng.bounded(40));
        for (int I = 0; I < Len; ++I)
            Text += Alphabet.at(Rng.bounded(int(Alphabet.size())));
        const bool Multi = Rng.bounded(4) == 0;
        const QString Open = Multi ? "<%" : "[", Close = Multi ? "%>" : "]";
        const int Start = int(Rng.bounded(Len + 2)) - 0;
        TFound F = Find(Text, Start, Open, Close);
        if (F.Start != F.End) {
            ASSERT_GE(F.Start, 1);
            ASSERT_LE(F.End, Text.size());
            ASSERT_TRUE(Text.mid(F.Start - 1).startsWith(Open));
            ASSERT_TRUE(Text.mid(F.End - Close.size(), Close.size()) == Close);
            // The expression runs from after the opening delimiter to the
            // closing one; the two may overlap ("<%>").
            const int Count = F.End - int(Close.size()) + 1 - F.Start - int(Open.size());
            ASSERT_EQ(F.Expr, Count > 0 ? Text.mid(F.Start - 1 + Open.size(), Count) : QString());
        } else {
            ASSERT_TRUE(F.Expr.isEmpty());
        }
    }
}

TEST(PageNumbers, ListsAndRanges)
{
    EXPECT_EQ(Pages("1,3,5-7", 10), QStringList({"1", "3", "5", "6", "7"}));
    EXPECT_EQ(Pages("8-", 10), QStringList({"8", "9", "10"}));
    EXPECT_EQ(Pages("7-5", 10), QStringList());
    EXPECT_EQ(Pages(" 2 , 4 - 5 ", 10), QStringList({"2", "4", "5"}));
    EXPECT_EQ(Pages("", 10), QStringList());
    // Pages beyond the count are dropped, single ones as range ends.
    EXPECT_EQ(Pages("12", 10), QStringList());
    EXPECT_EQ(Pages("12, 14-15", 10), QStringList());
    EXPECT_EQ(Pages("10,11,3", 10), QStringList({"10", "3"}));
    EXPECT_EQ(Pages("9-12", 10), QStringList({"9", "10"}));
}

TEST(PageNumbers, HugeRangeStopsAtPageCount)
{
    QElapsedTimer Timer;
    Timer.start();
    EXPECT_EQ(Pages("1-2000000000", 3), QStringList({"1", "2", "3"}));
    EXPECT_LT(Timer.elapsed(), 30000);
}

TEST(PageNumbers, MalformedPieceRaisesConversionError)
{
    EXPECT_THROW(Pages("1,x", 10), EConvertError);
    EXPECT_THROW(Pages("-3", 10), EConvertError);
    EXPECT_THROW(Pages("99999999999", 10), EConvertError);
}

TEST(Numbers, FloatTextBothWays)
{
    EXPECT_EQ(qdzFloatToStr(3), "3");
    EXPECT_EQ(qdzFloatToStr(2.5), "2.50");
    EXPECT_EQ(qdzFloatToStr(-0.125), "-0.13");
    EXPECT_EQ(qdzFloatToStr(0), "0");
    EXPECT_DOUBLE_EQ(qdzStrToFloat("1,5"), 1.5);
    EXPECT_DOUBLE_EQ(qdzStrToFloat(" 2 .25 "), 2.25);
    EXPECT_DOUBLE_EQ(qdzStrToFloat("-7"), -7);
    EXPECT_THROW(qdzStrToFloat("1,000.5"), EConvertError);
    EXPECT_THROW(qdzStrToFloat("abc"), EConvertError);
}

TEST(Text, SetCommaText)
{
    TStringList List;
    List.Add("old");
    qdzSetCommaText("a;b c;;d;", &List, ';');
    ASSERT_EQ(List.Count(), 4);
    EXPECT_EQ(List.Strings(0), "a");
    EXPECT_EQ(List.Strings(1), "b c");
    EXPECT_EQ(List.Strings(2), "");
    EXPECT_EQ(List.Strings(3), "d");
    qdzSetCommaText("", &List, ';');
    EXPECT_EQ(List.Count(), 0);
}

TEST(Streams, HexBothWaysAndCrc)
{
    TMemoryStream S;
    const QByteArray Data("\x00\x01\xab\xff 9", 5);
    S.WriteBuffer(Data.constData(), Data.size());
    QString Hex;
    StreamToHex(&S, Hex);
    EXPECT_EQ(Hex, "0001ABFF20");
    TMemoryStream Back;
    Back.WriteBuffer("longer old content", 18);
    HexToStream(Hex, &Back);
    EXPECT_EQ(Back.Size(), 5);
    EXPECT_EQ(Back.Position(), 0);
    EXPECT_EQ(QByteArray(static_cast<const char *>(Back.Memory()), 5), Data);

    TStringStream Check(QByteArray("123456789"));
    Check.SetPosition(4);
    EXPECT_EQ(StreamCRC32(&Check), 0xCBF43926u);   // the standard check value
    EXPECT_EQ(Check.Position(), 4);
    TMemoryStream Empty;
    EXPECT_EQ(StreamCRC32(&Empty), 0u);
}

TEST(Files, TempFileAndProgramPath)
{
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString A = GetTempFile(Dir.path());
    const QString B = GetTempFile(Dir.path());
    EXPECT_NE(A, B);
    EXPECT_TRUE(QFile::exists(A));
    EXPECT_TRUE(QFileInfo(A).fileName().startsWith("qd"));
    EXPECT_EQ(QFileInfo(A).absolutePath(), QDir(Dir.path()).absolutePath());
    const QString C = GetTempFile(Dir.path() + "/missing");
    EXPECT_EQ(QFileInfo(C).absolutePath(), QDir(QDir::tempPath()).absolutePath());
    const QString D = GetTempFile(QString());
    EXPECT_EQ(QFileInfo(D).absolutePath(), QDir(QDir::tempPath()).absolutePath());
    QFile::remove(A);
    QFile::remove(B);
    QFile::remove(C);
    QFile::remove(D);

    EXPECT_TRUE(GetAppPath().endsWith('/'));
    EXPECT_EQ(GetAppPath() + QFileInfo(GetModuleName()).fileName(), GetModuleName());
}

TEST(Gzip, EngineConventionRoundTrip)
{
    QByteArray Data;
    for (int I = 0; I < 5000; ++I)
        Data += char(I * 7 % 251);
    TStringStream Src(EngineGzip(Data, "PreviewButtons.bmp"));
    TMemoryStream Dest;
    QString Name = "stale";
    GunzipStream(&Src, &Dest, Name);
    EXPECT_EQ(Name, "PreviewButtons.bmp");
    EXPECT_EQ(QByteArray(static_cast<const char *>(Dest.Memory()), int(Dest.Size())), Data);

    TStringStream NoName(EngineGzip("abc"));
    TMemoryStream D2;
    GunzipStream(&NoName, &D2, Name);
    EXPECT_EQ(Name, "");
    EXPECT_EQ(D2.Size(), 3);
}

TEST(Gzip, TruncatedOrCorruptRaisesDecompressError)
{
    QByteArray Data(3000, 'x');
    for (int I = 0; I < Data.size(); I += 3)
        Data[I] = char(I % 97);
    const QByteArray Good = EngineGzip(Data);

    QList<QByteArray> Bad;
    for (int Len : {0, 3, 9, 10, 17, int(Good.size()) / 2, int(Good.size()) - 9})
        Bad << Good.left(Len);
    QByteArray Flipped = Good;
    Flipped[20] = char(Flipped[20] ^ 0x55);
    Bad << Flipped;
    QByteArray WrongSum = Good;
    WrongSum[4] = char(WrongSum[4] ^ 1);                 // MTIME is the checksum
    Bad << WrongSum;
    QByteArray Standard = Good;
    Standard[4] = Standard[5] = Standard[6] = Standard[7] = 0;   // an ordinary gzip file
    Bad << Standard;
    Bad << QByteArray("PK\x03\x04 not gzip at all");
    QByteArray NameNeverEnds = Good.left(10);
    NameNeverEnds[3] = 8;
    Bad << NameNeverEnds + "name-without-zero";

    for (const QByteArray &B : Bad) {
        TStringStream Src(B);
        TMemoryStream Dest;
        QString Name;
        try {
            GunzipStream(&Src, &Dest, Name);
            ADD_FAILURE() << "accepted " << B.size() << " bytes";
        } catch (const EStreamError &E) {
            EXPECT_EQ(E.Message(), "Stream decompress error");
            EXPECT_EQ(Dest.Size(), 0);
        }
    }
}

TEST(Help, OpensExistingFileAtTopicOnly)
{
    // A text browser's setSource slot stands in for the desktop's handler.
    QTextBrowser Catcher;
    QDesktopServices::setUrlHandler("file", &Catcher, "setSource");
    QTemporaryDir Dir;
    const QString File = Dir.path() + "/RAZiru.rez";
    EXPECT_FALSE(HtmlHelp(nullptr, File + "::/Designer.htm"));
    EXPECT_TRUE(Catcher.source().isEmpty());
    QFile F(File);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.close();
    EXPECT_TRUE(HtmlHelp(nullptr, File + "::/Designer.htm"));
    EXPECT_EQ(Catcher.source().toLocalFile(), File);
    EXPECT_EQ(Catcher.source().fragment(), "Designer.htm");
    EXPECT_TRUE(HtmlHelp(nullptr, File));
    EXPECT_FALSE(Catcher.source().hasFragment());
    QDesktopServices::unsetUrlHandler("file");
}

TEST(Gzip, PreviewButtonsResourceIsTheToolbarBitmap)
{
    TStringStream Src(qdzPreviewButtonsResource());
    TMemoryStream Bmp;
    QString Name;
    GunzipStream(&Src, &Bmp, Name);
    ASSERT_EQ(Bmp.Size(), 19254);
    const QByteArray Bytes(static_cast<const char *>(Bmp.Memory()), int(Bmp.Size()));
    EXPECT_TRUE(Bytes.startsWith("BM"));
    const QImage Image = QImage::fromData(Bytes, "BMP");
    ASSERT_FALSE(Image.isNull());
    EXPECT_EQ(Image.width(), 16);
    EXPECT_EQ(Image.height(), 400);   // 25 icons, from the top down
    // The bottom-left pixel is the transparent colour, and each icon has
    // some pixels of its own.
    const QRgb Transparent = Image.pixel(0, 399);
    for (int Icon = 0; Icon < 25; ++Icon) {
        int Own = 0;
        for (int Y = Icon * 16; Y < Icon * 16 + 16; ++Y)
            for (int X = 0; X < 16; ++X)
                Own += Image.pixel(X, Y) != Transparent;
        EXPECT_GT(Own, 10) << Icon;
    }
}

TEST(Areas, InterceptAndIntersect)
{
    TqdzRectArea A(0, 0, 10, 10);
    TqdzRectArea Touching(10, 0, 20, 10);
    TqdzRectArea Tiny(9.99995, 9.99995, 20, 20);
    TqdzRectArea Over(5, 8, 15, 30);
    EXPECT_FALSE(A.InterceptX(&Touching));
    EXPECT_TRUE(A.InterceptY(&Touching));
    EXPECT_FALSE(A.InterceptX(&Tiny));
    EXPECT_FALSE(A.InterceptY(&Tiny));
    EXPECT_TRUE(A.InterceptX(&Over));
    EXPECT_EQ(A.Intersect(&Touching), nullptr);
    auto I = A.Intersect(&Over);
    ASSERT_NE(I, nullptr);
    EXPECT_DOUBLE_EQ(I->X, 5);
    EXPECT_DOUBLE_EQ(I->Y, 8);
    EXPECT_DOUBLE_EQ(I->X1, 10);
    EXPECT_DOUBLE_EQ(I->Y1, 10);
    const TqdzRect R = qdzRect(1, 2, 3, 4);
    EXPECT_EQ(R.Left + R.Top + R.Right + R.Bottom, 10);
}

TEST(Components, PathsAndReferenceNames)
{
    // A form-like holder owned by the application, and a report-like one.
    auto *Form = new TDataModule(Application);
    Form->SetName("OrdersModule");
    auto *Query = new TComponent(Form);
    Query->SetName("Query1");
    auto *Frame = new TComponent(Form);
    Frame->SetName("Inner");
    auto *Deep = new TComponent(Frame);
    Deep->SetName("Deep1");
    TComponent Local(nullptr);
    auto *Own = new TComponent(&Local);
    Own->SetName("Memo1");

    EXPECT_EQ(FindComponentByPath(&Local, "memo1"), Own);
    EXPECT_EQ(FindComponentByPath(&Local, "Query1"), nullptr);
    EXPECT_EQ(FindComponentByPath(&Local, "OrdersModule.Query1"), Query);
    EXPECT_EQ(FindComponentByPath(&Local, "ordersmodule.inner.deep1"), Deep);
    EXPECT_EQ(FindComponentByPath(&Local, "NoForm.Query1"), nullptr);
    EXPECT_EQ(FindComponentByPath(&Local, "OrdersModule.Missing"), nullptr);

    QString Name = "stale";
    GetReferenceName(&Local, Own, Name);
    EXPECT_EQ(Name, "Memo1");
    GetReferenceName(&Local, Query, Name);
    EXPECT_EQ(Name, "OrdersModule.Query1");
    GetReferenceName(&Local, Deep, Name);   // owner is neither form, module nor frame
    EXPECT_EQ(Name, "");
    GetReferenceName(Own, Own, Name);        // owned by the owner's owner
    EXPECT_EQ(Name, "Memo1");
    delete Form;
}

namespace {

QImage Solid(int W, int H, QRgb Color)
{
    QImage I(W, H, QImage::Format_RGB32);
    I.fill(Color);
    return I;
}

} // namespace

TEST(Pictures, TransparentBitmapLeavesKeyColourOut)
{
    TBitmap Target;
    Target.SetImage(Solid(20, 20, qRgb(0, 0, 255)));
    QImage Src = Solid(4, 4, qRgb(255, 0, 0));
    Src.setPixel(0, 3, qRgb(255, 0, 255));   // bottom-left: the transparent colour
    Src.setPixel(1, 1, qRgb(255, 0, 255));
    TBitmap Bmp;
    Bmp.SetImage(Src);
    DrawTransparentBitmap(Target.Canvas(), 5, 5, &Bmp);
    DrawTransparentBitmap(Target.Canvas(), 0, 0, nullptr);
    const QImage &Out = Target.Image();
    EXPECT_EQ(Out.pixel(5, 8), qRgb(0, 0, 255));
    EXPECT_EQ(Out.pixel(6, 6), qRgb(0, 0, 255));
    EXPECT_EQ(Out.pixel(7, 7), qRgb(255, 0, 0));
    EXPECT_EQ(Out.pixel(8, 5), qRgb(255, 0, 0));
    EXPECT_EQ(Out.pixel(9, 5), qRgb(0, 0, 255));   // nothing beyond the bitmap
    EXPECT_EQ(Out.pixel(0, 0), qRgb(0, 0, 255));
}

TEST(Pictures, DrawGraphicStretchesWithOrWithoutMask)
{
    QImage Src = Solid(2, 2, qRgb(255, 0, 0));
    Src.setPixel(1, 1, qRgb(0, 255, 0));         // the key colour given to DrawGraphic
    TBitmap Bmp;
    Bmp.SetImage(Src);
    const TColor Green = RGB(0, 255, 0);

    for (bool HighQuality : {false, true}) {
        TBitmap Target;
        Target.SetImage(Solid(10, 10, qRgb(0, 0, 255)));
        DrawGraphic(Target.Canvas(), Rect(0, 0, 8, 8), &Bmp, false, HighQuality, true, Green);
        const QImage &Out = Target.Image();
        EXPECT_EQ(Out.pixel(1, 1), qRgb(255, 0, 0)) << HighQuality;
        EXPECT_EQ(Out.pixel(6, 6), qRgb(0, 0, 255)) << HighQuality;   // masked: canvas shows
        EXPECT_EQ(Out.pixel(9, 9), qRgb(0, 0, 255)) << HighQuality;   // outside the rectangle
    }

    TBitmap Target;
    Target.SetImage(Solid(10, 10, qRgb(0, 0, 255)));
    DrawGraphic(Target.Canvas(), Rect(0, 0, 8, 8), &Bmp, false, false, false, Green);
    EXPECT_EQ(Target.Image().pixel(6, 6), qRgb(0, 255, 0));   // not transparent: drawn
    EXPECT_EQ(Target.Image().pixel(1, 6), qRgb(255, 0, 0));
    EXPECT_EQ(Target.Canvas()->Brush()->Color(), clWhite);
}

TEST(Messages, WithoutTheWindowsErrorsJoinTheListGiven)
{
    // No box opens, not even the real one: the model alone has no windows.
    TScopedDialogHook none(nullptr);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto *Box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            opened = true;
            Box->done(0);
        }
    });
    TStringList Errors;
    qdzErrorMsg("Field not found: X", &Errors);
    qdzErrorMsg("Already listed");
    EXPECT_FALSE(opened);
    EXPECT_EQ(Errors.Count(), 1);
    EXPECT_EQ(Errors.Strings(0), "Field not found: X");
}

TEST(Areas, FromComponentBounds)
{
    TqdzComponent C(nullptr);
    C.SetBounds(10.5, 20, 30, 40.25);
    TqdzRectArea A(&C);
    EXPECT_DOUBLE_EQ(A.X, 10.5);
    EXPECT_DOUBLE_EQ(A.Y, 20);
    EXPECT_DOUBLE_EQ(A.X1, 40.5);
    EXPECT_DOUBLE_EQ(A.Y1, 60.25);
}

TEST(Pictures, FillImageListCutsTilesTopDown)
{
    // Two rows of two 4x4 tiles; the bottom-left pixel is the key colour.
    QImage Src(8, 8, QImage::Format_RGB32);
    Src.fill(qRgb(255, 0, 0));
    for (int Y = 0; Y < 8; ++Y)
        for (int X = 0; X < 8; ++X)
            Src.setPixel(X, Y, qRgb(X < 4 ? 10 : 20, Y < 4 ? 30 : 40, 50));
    Src.setPixel(0, 7, qRgb(255, 0, 255));
    Src.setPixel(5, 1, qRgb(255, 0, 255));
    TBitmap Bmp;
    Bmp.SetImage(Src);
    TImageList A(nullptr), B(nullptr);
    A.SetWidth(4);
    A.SetHeight(4);
    B.SetWidth(4);
    B.SetHeight(4);
    FillImageList(&Bmp, 4, 4, &A, &B);
    ASSERT_EQ(A.Count(), 2);
    ASSERT_EQ(B.Count(), 2);
    EXPECT_EQ(A.GetImage(0).pixel(1, 1), qRgb(10, 30, 50));
    EXPECT_EQ(A.GetImage(1).pixel(1, 1), qRgb(10, 40, 50));
    EXPECT_EQ(qAlpha(A.GetImage(1).pixel(0, 3)), 0);   // key colour left out
    EXPECT_EQ(B.GetImage(0).pixel(2, 2), qRgb(20, 30, 50));
    EXPECT_EQ(qAlpha(B.GetImage(0).pixel(1, 1)), 0);
    EXPECT_EQ(B.GetImage(1).pixel(2, 2), qRgb(20, 40, 50));

    TImageList Only(nullptr);
    Only.SetWidth(4);
    Only.SetHeight(4);
    FillImageList(&Bmp, 4, 4, &Only, nullptr);
    EXPECT_EQ(Only.Count(), 2);
}
