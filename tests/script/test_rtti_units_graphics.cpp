// Scripts drawing through the graphics registration module: colours,
// enumerations, canvases of bitmaps, pictures and metafiles.
#include "Graphics.h"
#include "StdCtrls.h"
#include "kw_iclassesrtti.h"
#include "kw_igraphicsrtti.h"
#include "test_rtti_units_support.h"

namespace {

struct TGraphicsHost : TRttiHost
{
    TGraphicsHost()
    {
        AddModule<kw_iclassesrtti::TFunctions>();
        AddModule<kw_igraphicsrtti::TFunctions>();
    }
};

} // namespace

TEST(RttiGraphics, ColourConstantsAreTheClassLibrarys)
{
    TGraphicsHost h;
    int named = 0;
    GetColorValues([&](const QString &Name) {
        ++named;
        TColor c = 0;
        ASSERT_TRUE(IdentToColor(Name, c));
        TkwCustomVariable *v = h.S.Find(Name);
        ASSERT_NE(v, nullptr) << Name.toStdString();
        EXPECT_TRUE(v->IsReadOnly());
        EXPECT_EQ(v->GetValue().AsInteger(), int(c)) << Name.toStdString();
    });
    EXPECT_GT(named, 40);
    EXPECT_EQ(h.S.Find(QStringLiteral("clRed"))->GetValue().AsInteger(), 0x0000FF);

    TMemo memo(nullptr);
    h.S.AddClass(TMemo::StaticClass(), QStringLiteral("TPersistent"));
    h.S.AddObject(QStringLiteral("Memo1"), &memo);
    EXPECT_EQ(h.Pas(QStringLiteral("begin Memo1.Color := clBtnFace; Memo1.Font.Color := clRed end.")), QString());
    EXPECT_EQ(memo.Color(), clBtnFace);
    EXPECT_EQ(memo.Font()->Color(), clRed);
}

TEST(RttiGraphics, Enumerations)
{
    TGraphicsHost h;
    const std::pair<const char *, int> table[] = {
        {"fsBold", 1}, {"fsItalic", 2}, {"fsUnderline", 4}, {"fsStrikeout", 8}, {"fpDefault", 0}, {"fpFixed", 2},
        {"psSolid", 0}, {"psClear", 5}, {"psInsideFrame", 6}, {"pmBlack", 0}, {"pmCopy", 4}, {"pmXor", 14},
        {"pmNotXor", 15}, {"bsSolid", 0}, {"bsClear", 1}, {"bsDiagCross", 7}};
    for (const auto &[name, value] : table) {
        TkwCustomVariable *v = h.S.Find(QString::fromLatin1(name));
        ASSERT_NE(v, nullptr) << name;
        EXPECT_EQ(v->GetValue().AsInteger(), value) << name;
    }
    for (const char *cls : {"TFont", "TPen", "TBrush", "TCanvas", "TGraphic", "TPicture", "TMetafile",
                            "TMetafileCanvas", "TBitmap"})
        EXPECT_NE(h.S.FindClass(QString::fromLatin1(cls)), nullptr) << cls;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var F: TFont; P: TPen; B: TBrush;\r\n"
        "begin\r\n"
        "  F := TFont.Create; F.Style := fsItalic; Log(F.Style); F.Free;\r\n"
        "  P := TPen.Create; P.Style := psDot; Log(P.Style); Log(P.ClassName); P.Free;\r\n"
        "  B := TBrush.Create; B.Style := bsCross; Log(B.Style); B.Free;\r\n"
        "end.")),
        QStringLiteral("2|2|TPen|6"));
}

TEST(RttiGraphics, BitmapCanvasIsUsableAtOnce)
{
    TGraphicsHost h;
    const QString file = h.Path(QStringLiteral("b.bmp"));
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var B: TBitmap; C: TCanvas; P: TPicture;\r\n"
        "begin\r\n"
        "  B := TBitmap.Create; B.Width := 40; B.Height := 20;\r\n"
        "  Log(B.ClassName); Log(B.Width); Log(B.Height);\r\n"
        "  C := B.Canvas;\r\n"
        "  C.Brush.Color := clWhite; C.Pen.Color := clWhite; C.Rectangle(0, 0, 40, 20);\r\n"
        "  C.Brush.Color := clRed; C.Pen.Color := clBlue; C.Rectangle(2, 2, 10, 10);\r\n"
        "  Log(C.Pixels(5, 5)); Log(C.Pixels(2, 2)); Log(C.Pixels(10, 10));\r\n"
        "  C.Pixels(30, 15) := clLime; Log(C.Pixels(30, 15));\r\n"
        "  C.Pen.Color := clBlack; C.MoveTo(0, 19); C.LineTo(5, 19); Log(C.Pixels(4, 19)); Log(C.Pixels(5, 19));\r\n"
        "  Log(C.TextWidth('WW') > C.TextWidth('W')); Log(C.TextHeight('Wg') > 5);\r\n"
        "  C.Ellipse(12, 2, 20, 10); C.RoundRect(20, 2, 30, 10, 3, 3); C.TextOut(1, 1, 'x');\r\n"
        "  B.SaveToFile(%1);\r\n"
        "  P := TPicture.Create; P.LoadFromFile(%1); Log(P.Width); Log(P.Height);\r\n"
        "  P.Free; B.Free;\r\n"
        "end.").arg(Quoted(file))),
        QStringLiteral("TBitmap|40|20|255|16711680|16777215|65280|0|16777215|True|True|40|20"));
}

TEST(RttiGraphics, DrawAndStretchDrawGraphics)
{
    TGraphicsHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var Src, Dst: TBitmap;\r\n"
        "begin\r\n"
        "  Src := TBitmap.Create; Src.Width := 2; Src.Height := 2;\r\n"
        "  Src.Canvas.Brush.Color := clRed; Src.Canvas.Pen.Color := clRed; Src.Canvas.Rectangle(0, 0, 2, 2);\r\n"
        "  Dst := TBitmap.Create; Dst.Width := 20; Dst.Height := 20;\r\n"
        "  Dst.Canvas.Draw(1, 1, Src); Log(Dst.Canvas.Pixels(2, 2)); Log(Dst.Canvas.Pixels(3, 3));\r\n"
        "  Dst.Canvas.StretchDraw(10, 10, 20, 20, Src); Log(Dst.Canvas.Pixels(18, 18));\r\n"
        "  Src.Free; Dst.Free;\r\n"
        "end.")),
        QStringLiteral("255|16777215|255"));
}

TEST(RttiGraphics, GraphicCreateMakesTheNamedKind)
{
    TGraphicsHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var M: TMetafile; C: TMetafileCanvas; G: TGraphic;\r\n"
        "begin\r\n"
        "  M := TMetafile.Create; Log(M.ClassName); M.Width := 30; M.Height := 20;\r\n"
        "  C := TMetafileCanvas.Create(M, 0); C.Rectangle(0, 0, 10, 10); Log(C.ClassName); C.Free;\r\n"
        "  Log(M.Width); M.Free;\r\n"
        "end.")),
        QStringLiteral("TMetafile|TMetafileCanvas|30"));
    EXPECT_EQ(h.PasError(QStringLiteral("var G2: TGraphic; begin G2 := TGraphic.Create end.")),
              QStringLiteral("Cannot create an instance of the abstract class TGraphic"));
    TGraphicsHost h2;
    EXPECT_EQ(h2.PasError(QStringLiteral("var C2: TMetafileCanvas; begin C2 := TMetafileCanvas.Create(nil, 0) end.")),
              QStringLiteral("Parameter 'AMetafile' of Create must not be nil"));
}

TEST(RttiGraphics, PictureErrorsReachTheScript)
{
    TGraphicsHost h;
    const QString bad = h.Path(QStringLiteral("bad.png"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var P: TPicture;\r\n"
        "begin\r\n"
        "  P := TPicture.Create;\r\n"
        "  try P.LoadFromFile(%1) except Log('failed') end;\r\n"
        "  Log(P.Width); P.Free;\r\n"
        "end.").arg(Quoted(bad))),
        QStringLiteral("failed|0"));
}

TEST(RttiGraphics, CanvasWithoutDeviceAndEmptyPicture)
{
    TGraphicsHost h;
    const QString file = h.Path(QStringLiteral("empty.bmp"));
    EXPECT_EQ(h.Pas(QStringLiteral(
        "var C: TCanvas; P: TPicture;\r\n"
        "begin\r\n"
        "  C := TCanvas.Create; C.Rectangle(0, 0, 5, 5); C.MoveTo(1, 1); C.LineTo(3, 3); C.TextOut(0, 0, 'x');\r\n"
        "  Log(C.TextWidth('') = 0); Log(C.ClassName); C.Free;\r\n"
        "  P := TPicture.Create; Log(P.Width);\r\n"
        "  try P.SaveToFile(%1) except Log('nothing') end;\r\n"
        "  P.Free;\r\n"
        "end.").arg(Quoted(file))),
        QStringLiteral("True|TCanvas|0"));
}
