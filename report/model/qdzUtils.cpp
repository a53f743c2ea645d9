// Implementation of small shared routines of the report engine.
#include "qdzUtils.h"
#include "qdzClass.h"
#include "qdzClassEngine.h"
#include "qdzRes.h"

#include "platform/CodePages.h"
#include "platform/Exceptions.h"
#include "platform/Classes.h"
#include "platform/Component.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/ImgList.h"
#include "platform/SysUtils.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>
#include <zlib.h>

// ---------------------------------------------------------------- areas

TqdzRectArea::TqdzRectArea(const TqdzComponent *Component)
    : X(Component->AbsLeft()), Y(Component->AbsTop()), X1(Component->AbsLeft() + Component->Width()),
      Y1(Component->AbsTop() + Component->Height())
{
}

bool TqdzRectArea::InterceptX(const TqdzRectArea *Other) const
{
    return Other->X < X1 - 0.0001 && Other->X1 > X + 0.0001;
}

bool TqdzRectArea::InterceptY(const TqdzRectArea *Other) const
{
    return Other->Y < Y1 - 0.0001 && Other->Y1 > Y + 0.0001;
}

std::unique_ptr<TqdzRectArea> TqdzRectArea::Intersect(const TqdzRectArea *Other) const
{
    if (!InterceptX(Other))
        return nullptr;
    return std::make_unique<TqdzRectArea>(qMax(X, Other->X), qMax(Y, Other->Y), qMin(X1, Other->X1),
                                          qMin(Y1, Other->Y1));
}

TqdzRect qdzRect(double Left, double Top, double Right, double Bottom)
{
    return {Left, Top, Right, Bottom};
}

// ---------------------------------------------------------------- components

namespace {

// By class name, so that this unit needs neither the report classes nor the
// form classes.
bool InheritsFromName(const TObject *Object, const char *ClassName)
{
    for (TClass C = Object ? Object->ClassType() : nullptr; C; C = C->ClassParent())
        if (C->ClassName() == QLatin1String(ClassName))
            return true;
    return false;
}

TComponent *FindGlobalComponent(const QString &Name)
{
    // Forms and data modules belong to the application object.
    return GetApplication()->FindComponent(Name);
}

} // namespace

TComponent *FindComponentByPath(TComponent *Owner, const QString &Path)
{
    const QStringList Parts = Path.split(QLatin1Char('.'));
    if (Parts.size() == 1) {
        TComponent *Result = Owner ? Owner->FindComponent(Path) : nullptr;
        if (!Result && InheritsFromName(Owner, "TqdzReport") && Owner->Owner())
            Result = Owner->Owner()->FindComponent(Path);
        return Result;
    }
    if (Parts.size() > 3)
        return nullptr;
    TComponent *Result = FindGlobalComponent(Parts.at(0));
    for (int I = 1; Result && I < Parts.size(); ++I)
        Result = Result->FindComponent(Parts.at(I));
    return Result;
}

void GetReferenceName(TComponent *Owner, TComponent *Component, QString &Name)
{
    Name.clear();
    if (!Component)
        return;
    TComponent *Holder = Component->Owner();
    if (!Holder)
        return;
    if (Holder == Owner || (Owner && Holder == Owner->Owner())) {
        Name = Component->Name();
    } else if (InheritsFromName(Holder, "TCustomForm") || InheritsFromName(Holder, "TDataModule")) {
        Name = Holder->Name() + QLatin1Char('.') + Component->Name();
    } else if (InheritsFromName(Holder, "TCustomFrame") && Holder->Owner()) {
        Name = Holder->Owner()->Name() + QLatin1Char('.') + Holder->Name() + QLatin1Char('.')
               + Component->Name();
    }
}

// ---------------------------------------------------------------- files

QString GetTempFile(const QString &Dir)
{
    QString Path = Dir;
    if (Path.isEmpty() || !QFileInfo(Path).isDir())
        Path = QDir::tempPath();
    if (!Path.endsWith(QLatin1Char('/')))
        Path += QLatin1Char('/');
    QByteArray Templ = QFile::encodeName(Path + QStringLiteral("qdXXXXXX.tmp"));
    const int Fd = mkstemps(Templ.data(), 4);
    if (Fd < 0)
        throw EFCreateError(QStringLiteral("Cannot create a temporary file in %1").arg(Path));
    ::close(Fd);
    return QFile::decodeName(Templ);
}

QString GetModuleName()
{
    return QCoreApplication::applicationFilePath();
}

QString GetAppPath()
{
    QString Path = QFileInfo(GetModuleName()).absolutePath();
    if (!Path.endsWith(QLatin1Char('/')))
        Path += QLatin1Char('/');
    return Path;
}

// ---------------------------------------------------------------- streams

quint32 StreamCRC32(TStream *Stream)
{
    const qint64 Saved = Stream->Position();
    Stream->SetPosition(0);
    uLong Crc = crc32(0L, Z_NULL, 0);
    char Buffer[4096];
    qint64 Got;
    while ((Got = Stream->Read(Buffer, sizeof Buffer)) > 0)
        Crc = crc32(Crc, reinterpret_cast<const Bytef *>(Buffer), uInt(Got));
    Stream->SetPosition(Saved);
    return quint32(Crc);
}

void StreamToHex(TStream *Stream, QString &Text)
{
    QByteArray Bytes(Stream->Size(), Qt::Uninitialized);
    Stream->SetPosition(0);
    Stream->ReadBuffer(Bytes.data(), Bytes.size());
    Text = BinToHex(Bytes);
}

void HexToStream(const QString &Text, TStream *Stream)
{
    const QByteArray Bytes = HexToBin(Text);
    Stream->SetSize(Bytes.size());
    Stream->SetPosition(0);
    Stream->WriteBuffer(Bytes.constData(), Bytes.size());
    Stream->SetPosition(0);
}

// ---------------------------------------------------------------- text

void qdzSetCommaText(const QString &Text, TStrings *List, QChar Delimiter)
{
    List->Clear();
    qsizetype Start = 0;
    while (Start < Text.size()) {
        qsizetype End = Text.indexOf(Delimiter, Start);
        if (End < 0)
            End = Text.size();
        List->Add(Text.mid(Start, End - Start));
        Start = End + 1;
    }
}

double qdzStrToFloat(const QString &S)
{
    QString T;
    T.reserve(S.size());
    for (const QChar C : S) {
        if (C == QLatin1Char(',') || C == QLatin1Char('.'))
            T += FormatSettings.DecimalSeparator;
        else if (C != QLatin1Char(' '))
            T += C;
    }
    return StrToFloat(T);
}

QString qdzFloatToStr(double X)
{
    if (Frac(X) == 0)
        return FloatToStr(X);
    return Format(QStringLiteral("%2.2f"), {X});
}

// ---------------------------------------------------------------- expressions

void qdzGetBracketedExpression(const QString &Text, const QString &Open, const QString &Close,
                               QString &Expr, int &EndPos, int &StartPos)
{
    Expr.clear();
    EndPos = StartPos;
    const int Len = int(Text.size());
    if (Open.isEmpty() || Close.isEmpty() || StartPos < 1 || StartPos > Len
        || !QStringView(Text).mid(StartPos - 1).startsWith(Open))
        return;

    // One character at a time; at each position outside literals the
    // closing delimiter is tested before the opening one.
    int Depth = 0;
    bool InDouble = false, InSingle = false;
    while (EndPos <= Len) {
        const QStringView At = QStringView(Text).mid(EndPos - 1);
        if (!InDouble && !InSingle) {
            if (At.startsWith(Close))
                --Depth;
            if (At.startsWith(Open)) {
                if (Depth == 0)
                    StartPos = EndPos;
                ++Depth;
            }
        }
        const QChar C = At.front();
        if (C == QLatin1Char('"') && !InSingle)
            InDouble = !InDouble;
        else if (C == QLatin1Char('\'') && !InDouble)
            InSingle = !InSingle;
        if (Depth == 0)
            break;
        ++EndPos;
    }
    if (Depth != 0) {
        // Never closed: the text holds no expression here and is kept as
        // it is.
        EndPos = StartPos;
        return;
    }
    if (StartPos == EndPos)
        return;
    const int Count = EndPos - StartPos - int(Open.size());
    if (Count > 0)
        Expr = Text.mid(StartPos - 1 + Open.size(), Count);
    EndPos += int(Close.size()) - 1;
}

void qdzParsePageNumbers(const QString &Text, TStrings *List, int PageCount)
{
    List->Clear();
    QString S;
    for (const QChar C : Text)
        if (!C.isSpace())
            S += C;
    if (S.endsWith(QLatin1Char('-')))
        S += IntToStr(PageCount);
    S += QLatin1Char(',');

    QString Number;
    bool InRange = false;
    int RangeStart = 0;
    for (const QChar C : std::as_const(S)) {
        if (C == QLatin1Char('-')) {
            RangeStart = StrToInt(Number);
            InRange = true;
            Number.clear();
        } else if (C == QLatin1Char(',')) {
            if (InRange) {
                // Only pages that exist: a typed "1-2000000000" must not
                // list two billion entries.
                const int Last = qMin(StrToInt(Number), PageCount);
                for (int I = RangeStart; I <= Last; ++I)
                    List->Add(IntToStr(I));
            } else if (!Number.isEmpty()) {
                // A page beyond the report is dropped, as range ends are.
                const int Page = StrToInt(Number);
                if (Page <= PageCount)
                    List->Add(IntToStr(Page));
            }
            InRange = false;
            Number.clear();
        } else {
            Number += C;
        }
    }
}

// ---------------------------------------------------------------- messages

void qdzErrorMsg(const QString &Message, TStrings *Errors)
{
    // Only the windows layer shows anything: a program with the engine alone
    // must not create a widget, nor wait for a click nobody gives.
    if (auto show = qdzBuildFactories().ShowErrorMessage)
        show(Message);
    else if (Errors)
        Errors->Add(Message);
}

// ---------------------------------------------------------------- pictures

void FillImageList(TBitmap *Bitmap, int W, int H, TCustomImageList *ListA, TCustomImageList *ListB)
{
    if (!Bitmap || Bitmap->Empty() || W <= 0 || H <= 0)
        return;
    const QImage Image = Bitmap->ToImage();
    const TColor Transparent = Bitmap->TransparentColor();
    TBitmap Tile;
    for (int Y = 0; Y + H <= Image.height(); Y += H) {
        Tile.SetImage(Image.copy(0, Y, W, H));
        ListA->AddMasked(&Tile, Transparent);
        if (ListB) {
            Tile.SetImage(Image.copy(W, Y, W, H));
            ListB->AddMasked(&Tile, Transparent);
        }
    }
}

void DrawTransparentBitmap(TCanvas *Canvas, int X, int Y, TBitmap *Bitmap)
{
    if (!Bitmap || Bitmap->Empty())
        return;
    const QImage Image = Bitmap->ToImage();
    Canvas->DrawImageTransparent(Bounds(X, Y, Image.width(), Image.height()), Image, Image.rect(),
                                 Bitmap->TransparentColor());
}

void DrawGraphic(TCanvas *Canvas, const TRect &Rect, TGraphic *Graphic, bool IsPrinting,
                 bool HighQuality, bool Transparent, TColor TransparentColor)
{
    Canvas->Brush()->SetColor(clWhite);
    if (!Graphic || Graphic->Empty())
        return;
    // Vector pictures scale by themselves.
    if (InheritsFromName(Graphic, "TMetafile")) {
        Canvas->StretchDraw(Rect, Graphic);
        return;
    }
    const bool IsBitmap = dynamic_cast<TBitmap *>(Graphic) != nullptr;
    const int SavedMode = Canvas->StretchBltMode();
    const TCopyMode SavedCopy = Canvas->CopyMode();
    if (IsPrinting || (Transparent && !IsBitmap) || HighQuality) {
        const QImage Image = Graphic->ToImage();
        // Smooth scaling stands for the halftone stretch.
        Canvas->SetStretchBltMode(HALFTONE);
        Canvas->SetCopyMode(cmSrcCopy);
        if (Transparent)
            Canvas->DrawImageTransparent(Rect, Image, Image.rect(), TransparentColor);
        else
            Canvas->DrawImage(Rect, Image, Image.rect());
    } else {
        Graphic->SetTransparent(Transparent);
        if (IsBitmap && Transparent) {
            const QImage Image = Graphic->ToImage();
            Canvas->DrawImageTransparent(Rect, Image, Image.rect(), TransparentColor);
        } else {
            Canvas->StretchDraw(Rect, Graphic);
        }
    }
    Canvas->SetStretchBltMode(SavedMode);
    Canvas->SetCopyMode(SavedCopy);
}

// ---------------------------------------------------------------- help

bool HtmlHelp(QWidget *Window, const QString &Path)
{
    Q_UNUSED(Window);
    // No HTML Help viewer here: the desktop opens the help file, with the
    // topic as the address's fragment, when the file is there.
    const qsizetype Sep = Path.indexOf(QLatin1String("::"));
    const QString File = Sep < 0 ? Path : Path.left(Sep);
    if (File.isEmpty() || !QFileInfo(File).isFile())
        return false;
    QUrl Url = QUrl::fromLocalFile(File);
    if (Sep >= 0) {
        QString Topic = Path.mid(Sep + 2);
        while (Topic.startsWith(QLatin1Char('/')))
            Topic.remove(0, 1);
        if (!Topic.isEmpty())
            Url.setFragment(Topic);
    }
    return QDesktopServices::openUrl(Url);
}

// ---------------------------------------------------------------- gzip

namespace {

[[noreturn]] void DecompressError()
{
    throw EStreamError(qdzResources()->ResourceText(QStringLiteral("clDecompressError")));
}

void ReadExactly(TStream *Source, void *Buffer, qint64 Count)
{
    if (Source->Read(Buffer, Count) != Count)
        DecompressError();
}

} // namespace

void GunzipStream(TStream *Source, TStream *Dest, QString &FileName)
{
    FileName.clear();
    unsigned char Head[4];
    ReadExactly(Source, Head, 4);
    if (Head[0] != 31 || Head[1] != 139 || Head[2] != 8)
        DecompressError();
    unsigned char MTime[4];
    ReadExactly(Source, MTime, 4);
    unsigned char XflOs[2];
    ReadExactly(Source, XflOs, 2);
    if (Head[3] & 8) {
        QByteArray Name;
        char C;
        for (;;) {
            ReadExactly(Source, &C, 1);
            if (C == 0)
                break;
            Name += C;
        }
        FileName = CodePageToString(Name, CP_ACP);
    }

    // The deflate data between header and trailer, framed as a zlib stream
    // whose checksum is the one kept in MTIME.
    const qint64 Rest = Source->Size() - Source->Position() - 8;
    if (Rest <= 0)
        DecompressError();
    QByteArray Z;
    Z.resize(2 + Rest + 4);
    Z[0] = char(0x78);
    Z[1] = char(0xDA);
    ReadExactly(Source, Z.data() + 2, Rest);
    std::memcpy(Z.data() + 2 + Rest, MTime, 4);
    Source->Seek(8, soCurrent);

    z_stream Zs{};
    if (inflateInit(&Zs) != Z_OK)
        DecompressError();
    Zs.next_in = reinterpret_cast<Bytef *>(Z.data());
    Zs.avail_in = uInt(Z.size());
    // Everything is decompressed before Dest sees a byte, so a corrupt
    // stream leaves Dest as it was.
    QByteArray Result;
    std::vector<char> Out(65536);
    int Ret;
    do {
        Zs.next_out = reinterpret_cast<Bytef *>(Out.data());
        Zs.avail_out = uInt(Out.size());
        Ret = inflate(&Zs, Z_NO_FLUSH);
        const qint64 Have = qint64(Out.size()) - Zs.avail_out;
        // Z_BUF_ERROR here means the input ended before the data did.
        if ((Ret != Z_OK && Ret != Z_STREAM_END) || (Ret == Z_OK && Zs.avail_in == 0 && Have == 0)) {
            inflateEnd(&Zs);
            DecompressError();
        }
        Result.append(Out.data(), Have);
    } while (Ret != Z_STREAM_END);
    inflateEnd(&Zs);
    Dest->WriteBuffer(Result.constData(), Result.size());
}
