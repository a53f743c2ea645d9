// Line (with arrow heads), picture, shape and subreport views.
#include "report/model/qdzClassViews.h"

#include "platform/ImgList.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzUtils.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

int qdzRoundPx(double Value);

namespace {

QByteArray Attr(const char *Name, const QByteArray &Value)
{
    return QByteArray(" ") + Name + "=\"" + Value + '"';
}

// The pen style a frame style draws with; the doubled and the patterned
// styles draw solid one-pixel lines.
TPenStyle PenStyleOf(TqdzFrameStyle Style)
{
    switch (Style) {
    case fsDash: return psDash;
    case fsDot: return psDot;
    case fsDashDot: return psDashDot;
    case fsDashDotDot: return psDashDotDot;
    default: return psSolid;
    }
}

} // namespace

// ------------------------------------------------------------ line views

STATION_PUBLISHED(TqdzCustomLineView) {}

TqdzCustomLineView::TqdzCustomLineView(TComponent *AOwner) : TqdzStretcheable(AOwner)
{
    SetFlags(Flags() & ~qdzFlagWriteFull);
    const int flags = DesignCreateFlags();
    if (flags > 0) {
        FDiagonal = true;
        FArrowEnd = flags == 2 || flags == 4;
        FArrowStart = flags == 3 || flags == 4;
    }
}

QString TqdzCustomLineView::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obLine"));
}

void TqdzCustomLineView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    TqdzFrame *f = Frame();
    if (!FDiagonal) {
        if (Height() >= Width()) {
            SetWidth(0);
            f->SetTyp(TqdzFrameTypes::FromInt(1u << ftLeft));
        } else {
            SetHeight(0);
            f->SetTyp(TqdzFrameTypes::FromInt(1u << ftTop));
        }
    }
    PrepareDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (!Canvas)
        return;
    if (!FDiagonal) {
        DrawFrame();
    } else {
        if (f->Color() == clTransparent || f->Width() == 0)
            return;
        TBrush *b = Canvas->Brush();
        if (Color() == clTransparent) {
            b->SetStyle(bsClear);
        } else {
            b->SetColor(Color());
            b->SetStyle(bsSolid);
        }
        TPen *pen = Canvas->Pen();
        pen->SetColor(f->Color());
        pen->SetWidth(1);
        pen->SetStyle(PenStyleOf(f->Style()));
        DrawThickLine(FX, FY, FX1, FY1, FFrameWidth);
    }
    if (FArrowStart)
        DrawArrow(FX1, FY1, FX, FY);
    if (FArrowEnd)
        DrawArrow(FX, FY, FX1, FY1);
}

void TqdzCustomLineView::DrawArrow(int X1, int Y1, int X2, int Y2)
{
    TCanvas *canvas = Canvas();
    if (!canvas)
        return;
    const double L = FArrowLength * ScaleX();
    const double W = FArrowWidth * ScaleX();
    double x = 0, y = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (std::abs(X2 - X1) <= 8) {
        x = X2;
        y = Y1 <= Y2 - L ? Y2 - L : Y2 + L;
        x1 = x - W;
        y1 = y;
        x2 = x + W;
        y2 = y;
    } else {
        const double k = double(Y2 - Y1) / (X2 - X1);
        const double b = (double(X2) * Y1 - double(X1) * Y2) / (X2 - X1);
        const double A = 1 + k * k;
        const double B = 2 * (k * (b - Y2) - X2);
        const double C = double(X2) * X2 + (b - Y2) * (b - Y2) - L * L;
        // A zero length gives a double root that rounding may push below
        // zero; a negative one has no root: no square root of a negative.
        const double root = std::sqrt(std::max(0.0, B * B - 4 * A * C));
        x = (-B + root) / (2 * A);
        if (x < std::min(X1, X2) || x > std::max(X1, X2))
            x = (-B - root) / (2 * A);
        y = k * x + b;
        if (Y1 == Y2) {
            x1 = x;
            y1 = y - W;
            x2 = x;
            y2 = y + W;
        } else {
            const double a = std::atan(k);
            x1 = x + W * std::sin(a);
            y1 = y - W * std::cos(a);
            x2 = x - W * std::sin(a);
            y2 = y + W * std::cos(a);
        }
    }
    for (double v : {x, y, x1, y1, x2, y2})
        if (!std::isfinite(v))
            return;
    const TPoint tip{X2, Y2};
    const TPoint w1{qdzRoundPx(x1), qdzRoundPx(y1)};
    const TPoint w2{qdzRoundPx(x2), qdzRoundPx(y2)};
    TPen *pen = canvas->Pen();
    pen->SetColor(Frame()->Color());
    pen->SetStyle(psSolid);
    if (FArrowSolid) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(Frame()->Color());
        pen->SetWidth(1);
        canvas->Polygon({tip, w1, w2, tip});
    } else {
        pen->SetWidth(std::max(1, std::min(FFrameWidth, std::max(1, std::max(std::abs(FDX), std::abs(FDY))))));
        canvas->Polyline({w1, tip, w2});
    }
}

STATION_PUBLISHED(TqdzLineView)
{
    using C = TqdzLineView;
    P.Prop("Diagonal", &C::Diagonal, &C::SetDiagonal).Default(false);
    P.Prop("ArrowEnd", &C::ArrowEnd, &C::SetArrowEnd).Default(false);
    P.Prop("ArrowStart", &C::ArrowStart, &C::SetArrowStart).Default(false);
    P.Prop("ArrowLength", &C::ArrowLength, &C::SetArrowLength).Default(20);
    P.Prop("ArrowWidth", &C::ArrowWidth, &C::SetArrowWidth).Default(5);
    P.Prop("ArrowSolid", &C::ArrowSolid, &C::SetArrowSolid).Default(false);
    P.Prop("Frame", &C::Frame, &C::SetFrame);
    P.Prop("TagStr", &C::TagStr, &C::SetTagStr);
}

TqdzLineView::TqdzLineView(TComponent *AOwner) : TqdzCustomLineView(AOwner) {}

// ---------------------------------------------------------- picture view

namespace {
TqdzPictureView::TAddPictureHook GAddPictureHook = nullptr;

quint16 U16(const QByteArray &B, int At)
{
    return quint16(quint8(B[At]) | (quint8(B[At + 1]) << 8));
}

quint32 U32(const QByteArray &B, int At)
{
    return quint32(U16(B, At)) | (quint32(U16(B, At + 2)) << 16);
}
} // namespace

STATION_PUBLISHED(TqdzPictureView)
{
    using C = TqdzPictureView;
    P.Prop("Picture", &C::Picture, &C::SetPicture).Stored(&C::PictureStored);
    P.Prop("AutoSize", &C::AutoSize, &C::SetAutoSize).Default(false);
    P.Prop("Center", &C::Center, &C::SetCenter).Default(false);
    P.Prop("Cursor", &C::Cursor, &C::SetCursor).Default(0);
    P.Prop("DataField", &C::DataField, &C::SetDataField);
    P.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    P.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    P.Prop("FileLink", &C::FileLink, &C::SetFileLink);
    P.Prop("Frame", &C::Frame, &C::SetFrame);
    P.Prop("HightQuality", &C::HightQuality, &C::SetHightQuality).Default(false);
    P.Prop("ImageIndex", &C::ImageIndex, &C::SetImageIndex).NoDefault().Stored(&C::IsImageIndexStored);
    P.Prop("KeepAspectRatio", &C::KeepAspectRatio, &C::SetKeepAspectRatio).Default(true);
    P.Prop("Stretched", &C::Stretched, &C::SetStretched).Default(true);
    P.Prop("TagStr", &C::TagStr, &C::SetTagStr);
    P.Prop("Transparent", &C::Transparent, &C::SetTransparent).Default(false);
    P.Prop("TransparentColor", &C::TransparentColor, &C::SetTransparentColor)
        .Type(TypeInfoTColor())
        .Default(clWhite);
    P.Prop("URL", &C::URL, &C::SetURL);
}

TqdzPictureView::TqdzPictureView(TComponent *AOwner)
    : TqdzView(AOwner), FPicture(std::make_unique<TPicture>())
{
    SetFlags(Flags() & ~qdzFlagWriteFull);
    SetColor(clTransparent);
    FPicture->SetOnChange(TNotifyEvent(this, &TqdzPictureView::PictureChanged));
}

TqdzPictureView::~TqdzPictureView()
{
    FPicture->SetOnChange(TNotifyEvent());
}

QString TqdzPictureView::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obPicture"));
}

void TqdzPictureView::SetAddPictureHook(TAddPictureHook Hook)
{
    GAddPictureHook = Hook;
}

void TqdzPictureView::SetPicture(TPicture *Value)
{
    FPicture->Assign(Value);
}

void TqdzPictureView::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    if (Value && FPicture->Graphic() && !FPicture->Graphic()->Empty()) {
        SetWidth(FPicture->Width());
        SetHeight(FPicture->Height());
    }
}

void TqdzPictureView::PictureChanged(TObject *)
{
    SetAutoSize(FAutoSize);
    FPictureChangedFlag = true;
}

void TqdzPictureView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    PrepareDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (!Canvas)
        return;
    DrawBackground();
    TRect r{FX, FY, FX1, FY1};
    TGraphic *g = FPicture->Graphic();
    const int pw = g ? g->Width() : 0, ph = g ? g->Height() : 0;
    if (g && !g->Empty() && pw > 0 && ph > 0) {
        if (FStretched) {
            if (FKeepAspectRatio) {
                const double kx = double(FDX) / pw, ky = double(FDY) / ph;
                if (ky <= kx)
                    r.Right = r.Left + qdzRoundPx(pw * ky);
                else
                    r.Bottom = r.Top + qdzRoundPx(ph * kx);
            }
            if (FCenter) {
                const int dx = (FDX - r.Width()) / 2, dy = (FDY - r.Height()) / 2;
                r = TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
            }
            DrawGraphic(Canvas, r, g, IsPrinting(), FHightQuality, FTransparent, FTransparentColor);
        } else {
            const int saved = Canvas->SaveDC();
            Canvas->IntersectClipRect(r);
            const int w = qdzRoundPx(pw * ScaleX), h = qdzRoundPx(ph * ScaleY);
            if (FCenter) {
                r.Left += (FDX - w) / 2;
                r.Top += (FDY - h) / 2;
            }
            r.Right = r.Left + w;
            r.Bottom = r.Top + h;
            DrawGraphic(Canvas, r, g, IsPrinting(), FHightQuality, FTransparent, FTransparentColor);
            Canvas->RestoreDC(saved);
        }
    } else if (IsDesigning()) {
        try {
            qdzResources()->ObjectImages()->Draw(Canvas, FX + 1, FY + 2, 3);
        } catch (const Exception &) {
            // No object images in this program: the empty frame shows alone.
        }
    }
    DrawFrame();
}

void TqdzPictureView::GetData()
{
    TqdzView::GetData();
    if (!FFileLink.isEmpty()) {
        QString name = FFileLink;
        ExpandBracketedText(name);
        if (!name.isEmpty() && QFileInfo(name).isFile())
            FPicture->LoadFromFile(name);
        else
            FPicture->SetGraphic(nullptr);
    } else if (IsDataField() && DataSet()->IsBlobField(DataField())) {
        TMemoryStream m;
        DataSet()->AssignBlobTo(DataField(), &m);
        LoadPictureFromStream(&m, true);
    }
}

quint32 TqdzPictureView::LoadPictureFromStream(TStream *Stream, bool ResetPosition)
{
    const qint64 start = ResetPosition ? 0 : Stream->Position();
    const qint64 size = Stream->Size();
    qint64 p = start;
    if (size - start >= 8) {
        QByteArray head(8, '\0');
        Stream->SetPosition(start);
        Stream->ReadBuffer(head.data(), 8);
        // A database blob header: 1, 256 and the length of what follows.
        if (U16(head, 0) == 1 && U16(head, 2) == 256 && qint64(U32(head, 4)) == size - start - 8)
            p = start + 8;
    }
    const qint64 rest = size - p;
    QByteArray b(int(std::clamp<qint64>(rest, 0, 100)), '\0');
    Stream->SetPosition(p);
    if (!b.isEmpty())
        Stream->ReadBuffer(b.data(), b.size());
    std::unique_ptr<TGraphic> g;
    if (rest >= 14 && U16(b, 0) == 19778)
        g = std::make_unique<TBitmap>();
    else if (rest >= 2 && quint8(b[0]) == 0xFF && quint8(b[1]) == 0xD8)
        g = std::make_unique<TJPEGImage>();
    else if (rest >= 8 && b.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)))
        g = std::make_unique<TPngImage>();
    else if (rest >= 22 && U32(b, 0) == 0x9AC6CDD7u)
        g = std::make_unique<TMetafile>();
    else if (rest >= 100 && U32(b, 40) == 0x464D4520u)
        g = std::make_unique<TMetafile>();
    else if (rest >= 6 && (U16(b, 2) == 0 || U16(b, 2) == 1))
        g = std::make_unique<TIcon>();
    if (!g) {
        FPicture->SetGraphic(nullptr);
        return qdzPictureUnknownFormat;
    }
    Stream->SetPosition(p);
    g->LoadFromStream(Stream);
    FPicture->SetGraphic(g.get());
    if (dynamic_cast<TPngImage *>(FPicture->Graphic()))
        PictureChanged(this);
    return 0;
}

QByteArray TqdzPictureView::DiffAttributes(TqdzComponent *DefaultObject)
{
    if (FPictureChangedFlag) {
        if (GAddPictureHook)
            FImageIndex = GAddPictureHook(this);
        FPictureChangedFlag = false;
    }
    QByteArray r = TqdzView::DiffAttributes(DefaultObject);
    r += Attr("ImageIndex", QByteArray::number(FImageIndex));
    if (FTransparent)
        r += Attr("Transparent", "1");
    if (FTransparentColor != clWhite)
        r += Attr("TransparentColor", QByteArray::number(qint32(FTransparentColor)));
    return r;
}

// ------------------------------------------------------------ shape view

STATION_PUBLISHED(TqdzShapeView)
{
    using C = TqdzShapeView;
    P.Prop("BrushStyle", &C::BrushStyle, &C::SetBrushStyle).Default(bsSolid);
    P.Prop("Color", &C::Color, &C::SetColor).Type(TypeInfoTColor()).Default(clTransparent);
    P.Prop("Curve", &C::Curve, &C::SetCurve).Default(0);
    P.Prop("Cursor", &C::Cursor, &C::SetCursor).Default(0);
    P.Prop("Frame", &C::Frame, &C::SetFrame);
    P.Prop("Shape", &C::Shape, &C::SetShape).Default(skRectangle);
    P.Prop("TagStr", &C::TagStr, &C::SetTagStr);
    P.Prop("URL", &C::URL, &C::SetURL);
}

TqdzShapeView::TqdzShapeView(TComponent *AOwner) : TqdzView(AOwner)
{
    SetFlags(Flags() & ~qdzFlagWriteFull);
    const int flags = DesignCreateFlags();
    if (flags >= 0)
        FShape = TqdzShapeKind(std::clamp(flags, int(skRectangle), int(skDiagonal2)));
}

QString TqdzShapeView::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obShape"));
}

void TqdzShapeView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    TqdzFrame *f = Frame();
    if (f->Style() != fsDouble) {
        PrepareDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
        DrawShape();
        return;
    }
    // The frame and the bounds come back whatever the drawing raises.
    struct Restore
    {
        TqdzShapeView *View;
        TqdzFrame Saved;
        double L, T, W, H;
        ~Restore()
        {
            View->Frame()->Assign(&Saved);
            View->SetBounds(L, T, W, H);
        }
    } restore{this, {}, Left(), Top(), Width(), Height()};
    restore.Saved.Assign(f);
    f->SetStyle(fsSolid);
    PrepareDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawShape();
    const double w = f->Width();
    switch (FShape) {
    case skTriangle:
        SetBounds(Left() + 4 * w, Top() + 4 * w, Width() - 8 * w, Height() - 6 * w);
        break;
    case skDiamond:
        SetBounds(Left() + 3 * w, Top() + 3 * w, Width() - 6 * w, Height() - 6 * w);
        break;
    case skDiagonal1:
    case skDiagonal2:
        SetLeft(Left() + 2 * w);
        break;
    default:
        SetBounds(Left() + 2 * w, Top() + 2 * w, Width() - 4 * w, Height() - 4 * w);
        break;
    }
    PrepareDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawShape();
}

void TqdzShapeView::DrawShape()
{
    TCanvas *c = Canvas();
    if (!c)
        return;
    TqdzFrame *f = Frame();
    const int limit = std::max({1, std::abs(FDX), std::abs(FDY)});
    TPen *pen = c->Pen();
    pen->SetColor(f->Color());
    pen->SetWidth(std::clamp(FFrameWidth, 1, limit));
    pen->SetStyle(f->Color() == clTransparent ? psClear : PenStyleOf(f->Style()));
    pen->SetMode(pmCopy);
    TBrush *b = c->Brush();
    auto figure = [&] {
        switch (FShape) {
        case skRectangle:
            c->Rectangle(FX, FY, FX1 + 1, FY1 + 1);
            break;
        case skRoundRectangle: {
            const int k = FCurve == 0 ? std::min(FDX, FDY) / 4 : qdzRoundPx(FCurve * ScaleX() * 10);
            c->RoundRect(FX, FY, FX1 + 1, FY1 + 1, k, k);
            break;
        }
        case skEllipse:
            c->Ellipse(FX, FY, FX1 + 1, FY1 + 1);
            break;
        case skTriangle:
            c->Polygon({{FX1, FY1}, {FX, FY1}, {FX + FDX / 2, FY}, {FX1, FY1}});
            break;
        case skDiamond:
            c->Polygon({{FX + FDX / 2, FY}, {FX1, FY + FDY / 2}, {FX + FDX / 2, FY1}, {FX, FY + FDY / 2}});
            break;
        case skDiagonal1:
            DrawThickLine(FX, FY1, FX1, FY, FFrameWidth);
            break;
        case skDiagonal2:
            DrawThickLine(FX, FY, FX1, FY1, FFrameWidth);
            break;
        }
    };
    if (BrushStyle() == bsSolid || BrushStyle() == bsClear) {
        if (Color() == clTransparent || BrushStyle() == bsClear) {
            b->SetStyle(bsClear);
        } else {
            b->SetColor(Color());
            b->SetStyle(bsSolid);
        }
        figure();
        return;
    }
    if (Color() != clTransparent) {
        b->SetColor(Color());
        b->SetStyle(bsSolid);
        figure();
    }
    b->SetColor(ColorToRGB(f->Color()));
    b->SetStyle(BrushStyle());
    figure();
}

QByteArray TqdzShapeView::DiffAttributes(TqdzComponent *DefaultObject)
{
    QByteArray r = TqdzView::DiffAttributes(DefaultObject);
    if (auto *d = dynamic_cast<TqdzShapeView *>(DefaultObject); d && FShape != d->FShape)
        r += Attr("Shape", QByteArray::number(int(FShape)));
    return r;
}

// ------------------------------------------------------------- subreport

STATION_PUBLISHED(TqdzSubreport)
{
    using C = TqdzSubreport;
    P.Prop("Page", &C::Page, &C::SetPage);
    P.Prop("PrintOnParent", &C::PrintOnParent, &C::SetPrintOnParent).Default(false);
}

TqdzSubreport::TqdzSubreport(TComponent *AOwner) : TqdzView(AOwner)
{
    SetFlags(Flags() & ~qdzFlagShowInPrepared);
    Frame()->SetTyp(TqdzFrameTypes::FromInt(15));
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetColor(0xC0C0C0);
}

TqdzSubreport::~TqdzSubreport()
{
    Unlink();
}

QString TqdzSubreport::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obSubRep"));
}

void TqdzSubreport::SetPage(TqdzReportPage *Value)
{
    // The link is kept on both sides rather than by free notification: a
    // report and its objects share one owner, which does not tell them of
    // each other's end while the report itself goes.
    if (FPage != Value) {
        Unlink();
        FPage = Value;
        if (Value)
            Value->FNamedBy.push_back(this);
    }
    if (Value)
        Value->SetSubReport(this);
}

// A page in the list is alive: it takes its subreports' links with it.
void TqdzSubreport::Unlink()
{
    if (!FPage)
        return;
    std::vector<TqdzSubreport *> &named = FPage->FNamedBy;
    named.erase(std::remove(named.begin(), named.end(), this), named.end());
    if (FPage->SubReport() == this)
        FPage->SetSubReport(nullptr);
    FPage = nullptr;
}

void TqdzSubreport::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    TqdzView::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (!Canvas)
        return;
    Canvas->Font()->Assign(Font());
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->TextOut(FX + 2, FY + 2, Name());
}
