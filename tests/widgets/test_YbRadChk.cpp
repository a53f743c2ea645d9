// The suite's radio button: checking, read-only, glyphs, auto size, looks.
#include "TestFiles.h"
#include "YbRadChk.h"

#include "ExtCtrls.h"
#include "FormHarness.h"
#include "Forms.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <gtest/gtest.h>

using namespace FormHarness;

namespace {

class TClicks : public TObject
{
public:
    QStringList Log;
    void Click(TObject *Sender) { Log << static_cast<TComponent *>(Sender)->Name(); }
};

TColor At(const QImage &Img, int X, int Y)
{
    return QColorToColor(QColor::fromRgb(Img.pixel(X, Y)));
}

void SaveLook(const QImage &Img, const char *File)
{
    Img.scaled(Img.width() * 6, Img.height() * 6).save(TestFile(QString::fromLatin1(File)));
}

void Enter(TControl *C)
{
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(C->Widget(), &e);
}

struct TRadioForm {
    TForm Form{nullptr};
    TClicks Clicks;
    TRadioForm() { Form.SetBounds(0, 0, 400, 240); }
    TYbRadioButton *Add(TWinControl *Parent, const QString &Name, int L, int T, const QString &Caption)
    {
        auto *r = new TYbRadioButton(&Form);
        r->SetName(Name);
        r->SetBounds(L, T, 100, 17);
        r->SetParent(Parent);
        r->SetCaption(Caption);
        r->SetOnClick(TNotifyEvent(&Clicks, &TClicks::Click));
        return r;
    }
};

} // namespace

TEST(YbRadioButton, Defaults)
{
    TYbRadioButton r(nullptr);
    EXPECT_EQ(r.Alignment(), taRightJustify);
    EXPECT_EQ(r.AlignmentVertical(), avTop);
    EXPECT_TRUE(r.AutoSize());
    EXPECT_FALSE(r.Checked());
    EXPECT_EQ(r.Color(), clWindow);
    EXPECT_TRUE(r.ParentColor());
    EXPECT_FALSE(r.TabStop());
    EXPECT_EQ(r.TransparentColor(), clOlive);
    EXPECT_EQ(r.WinMaskColor(), clLime);
    EXPECT_EQ(r.FrameColor(), clBtnShadow);
    EXPECT_EQ(r.FrameControllerNotifications().ToInt(), 65535u);
    EXPECT_EQ(r.GlyphWidth(), 13);
    EXPECT_EQ(r.NumGlyphs(), 6);
    EXPECT_EQ(GetPropInfo(&r, QStringLiteral("AlignmentVertical"))->Default(), avTop);
    EXPECT_EQ(GetPropInfo(&r, QStringLiteral("TextShadowDepth"))->Default(), 2);
    EXPECT_NE(GetPropInfo(&r, QStringLiteral("Checked")), nullptr);
    EXPECT_NE(GetPropInfo(&r, QStringLiteral("FrameController")), nullptr);
}

TEST(YbRadioButton, CheckingUnchecksSiblingsOfTheSameParentOnly)
{
    TRadioForm f;
    auto *panel = new TPanel(&f.Form);
    panel->SetBounds(200, 10, 150, 100);
    panel->SetParent(&f.Form);
    TYbRadioButton *a = f.Add(&f.Form, "A", 10, 10, "A");
    TYbRadioButton *b = f.Add(&f.Form, "B", 10, 40, "B");
    TYbRadioButton *c = f.Add(&f.Form, "C", 10, 70, "C");
    TYbRadioButton *p = f.Add(panel, "P", 5, 5, "P");
    p->SetChecked(true);
    f.Clicks.Log.clear();
    ASSERT_TRUE(ShowAndActivate(&f.Form));

    Click(a);
    EXPECT_TRUE(a->Checked());
    EXPECT_TRUE(a->TabStop());
    Click(c);
    EXPECT_TRUE(c->Checked());
    EXPECT_FALSE(a->Checked());
    EXPECT_FALSE(a->TabStop());
    EXPECT_FALSE(b->Checked());
    EXPECT_TRUE(p->Checked());
    // A checked radio button clicked again fires nothing.
    Click(c);
    EXPECT_EQ(f.Clicks.Log, (QStringList{"A", "C"}));
    // Setting Checked in code fires Click too.
    b->SetChecked(true);
    EXPECT_FALSE(c->Checked());
    EXPECT_EQ(f.Clicks.Log.last(), "B");
}

TEST(YbRadioButton, ReadOnlySpreadsAndIgnoresClicks)
{
    TRadioForm f;
    TYbRadioButton *a = f.Add(&f.Form, "A", 10, 10, "A");
    TYbRadioButton *b = f.Add(&f.Form, "B", 10, 40, "B");
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    a->SetReadOnly(true);
    EXPECT_TRUE(b->ReadOnly());
    Click(a);
    Click(b);
    EXPECT_FALSE(a->Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_TRUE(f.Clicks.Log.isEmpty());
    b->SetReadOnly(false);
    EXPECT_FALSE(a->ReadOnly());
    Click(b);
    EXPECT_TRUE(b->Checked());
    // Space clicks the focused radio button.
    ASSERT_TRUE(Focus(a));
    Key(Qt::Key_Space);
    EXPECT_TRUE(a->Checked());
    EXPECT_FALSE(b->Checked());
}

TEST(YbRadioButton, CustomGlyphsFromStripAndImageList)
{
    TYbRadioButton r(nullptr);
    TBitmap strip;
    strip.SetSize(78, 15);
    r.SetCustomGlyphs(&strip);
    EXPECT_TRUE(r.UseCustomGlyphs());
    EXPECT_EQ(r.GlyphWidth(), 13);
    EXPECT_EQ(r.GlyphHeight(), 15);
    TBitmap none;
    r.SetCustomGlyphs(&none);
    EXPECT_FALSE(r.UseCustomGlyphs());
    EXPECT_EQ(r.GlyphWidth(), 13);

    TRadioForm f;
    TYbRadioButton *six = f.Add(&f.Form, "Six", 10, 10, "");
    TYbRadioButton *eight = f.Add(&f.Form, "Eight", 10, 60, "");
    const TColor colours[] = {clRed, clBlue, clGreen, clNavy, clGray, clSilver, clYellow, clFuchsia};
    TImageList list6(nullptr), list8(nullptr);
    for (TImageList *l : {&list6, &list8}) {
        l->SetWidth(16);
        l->SetHeight(16);
    }
    for (int i = 0; i < 8; ++i) {
        TBitmap cell;
        cell.SetSize(16, 16);
        cell.Canvas()->Brush()->SetColor(colours[i]);
        cell.Canvas()->FillRect(Rect(0, 0, 16, 16));
        if (i < 6)
            list6.AddMasked(&cell, clNone);
        list8.AddMasked(&cell, clNone);
    }
    six->SetCustomGlyphImages(&list6);
    eight->SetCustomGlyphImages(&list8);
    EXPECT_EQ(eight->GlyphWidth(), 16);
    six->SetHotTrack(true);
    eight->SetHotTrack(true);
    ASSERT_TRUE(ShowAndActivate(&f.Form));

    EXPECT_EQ(At(Grab(eight), 5, 8), clRed);
    eight->SetChecked(true);
    EXPECT_EQ(At(Grab(eight), 5, 8), clBlue);
    Enter(eight);
    Enter(six);
    EXPECT_EQ(eight->CustomGlyphIndex(), 7);
    EXPECT_EQ(At(Grab(eight), 5, 8), clFuchsia);
    EXPECT_EQ(six->CustomGlyphIndex(), 0);
    EXPECT_EQ(At(Grab(six), 5, 8), clRed);
    eight->SetEnabled(false);
    EXPECT_EQ(eight->CustomGlyphIndex(), 5);
    six->SetHotTrack(false);
    MouseDown(six, Point(5, 5));
    EXPECT_EQ(six->CustomGlyphIndex(), 2);
    MouseUp(six, Point(5, 5));
    EXPECT_EQ(six->CustomGlyphIndex(), 1);
    six->SetCustomGlyphImages(nullptr);
    EXPECT_FALSE(six->UseCustomGlyphs());
}

TEST(YbRadioButton, AutoSizeFollowsTheCaption)
{
    TRadioForm f;
    TYbRadioButton *r = f.Add(&f.Form, "R", 50, 10, "同一车");
    TBitmap probe;
    probe.SetSize(1, 1);
    probe.Canvas()->Font()->Assign(r->Font());
    const int w = probe.Canvas()->TextWidth(QStringLiteral("同一车"));
    EXPECT_EQ(r->Width(), w + 2 + 13 + 4);
    EXPECT_EQ(r->Left(), 50);
    EXPECT_GE(r->Height(), 15);
    // Glyph on the right: the right edge stays.
    const int right = r->Left() + r->Width();
    r->SetAlignment(taLeftJustify);
    r->SetCaption(QStringLiteral("分车"));
    EXPECT_EQ(r->Left() + r->Width(), right);
    r->SetAutoSize(false);
    r->SetBounds(0, 0, 200, 40);
    r->SetCaption(QStringLiteral("x"));
    EXPECT_EQ(r->Width(), 200);
}

TEST(YbRadioButton, Looks)
{
    TRadioForm f;
    TYbRadioButton *plain = f.Add(&f.Form, "Plain", 10, 10, "Plain");
    TYbRadioButton *hot = f.Add(&f.Form, "Hot", 10, 40, "Hot");
    TYbRadioButton *focus = f.Add(&f.Form, "Focus", 10, 70, "F");
    plain->SetChecked(true);
    hot->SetHotTrack(true);
    hot->SetFillColor(clWhite);
    hot->SetFrameColor(clBlack);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    ASSERT_TRUE(Focus(focus));

    QImage img = Grab(plain);
    SaveLook(img, "ybradio_plain_checked.png");
    // The classic glyph at the left: sunken ring, window inside, dot in the middle.
    EXPECT_EQ(At(img, 6, 1 + 6), clBlack);
    EXPECT_EQ(At(img, 6, 1 + 3), clWhite);
    EXPECT_EQ(At(img, 6, 1 + 0), RGB(128, 128, 128));
    EXPECT_EQ(At(img, 6, 1 + 12), clWhite);
    EXPECT_EQ(At(img, 0, 1), RGB(212, 208, 200)); // outside the circle: the face, in the form's colour

    img = Grab(hot);
    SaveLook(img, "ybradio_hot.png");
    EXPECT_EQ(At(img, 6, 1), clBlack);
    EXPECT_EQ(At(img, 6, 1 + 6), clWhite);
    hot->SetChecked(true);
    Enter(hot);
    img = Grab(hot);
    SaveLook(img, "ybradio_hot_checked_over.png");
    EXPECT_EQ(At(img, 6, 1 + 6), ColorToRGB(clHighlight));
    EXPECT_EQ(At(img, 6, 1 + 2), MixColors(clWhite, RGB(240, 155, 20), 190));
    EXPECT_EQ(At(img, 6, 1 + 1), RGB(240, 155, 20));
    EXPECT_EQ(At(img, 0, 1), RGB(212, 208, 200));
}

TEST(YbRadioButton, TransparentRightGlyphAndWordWrapAfterLoading)
{
    TRadioForm f;
    f.Form.SetColor(clRed);
    TYbRadioButton *r = f.Add(&f.Form, "R", 10, 10, "Right");
    r->SetParentColor(false);
    r->SetColor(clWhite);
    r->SetTransparent(true);
    r->SetAlignment(taLeftJustify);
    r->SetChecked(true);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    const QImage img = Grab(r);
    SaveLook(img, "ybradio_transparent_right.png");
    const int w = r->Width();
    // The parent shows around the glyph and behind the caption.
    EXPECT_EQ(At(img, w - 13, 1), clRed);
    EXPECT_EQ(At(img, 0, 0), clRed);
    // The glyph at the right edge, its dot in the middle.
    EXPECT_EQ(At(img, w - 7, 1 + 6), clBlack);
    EXPECT_EQ(At(img, w - 7, 1), RGB(128, 128, 128));

    TYbRadioButton tall(nullptr);
    tall.SetAutoSize(false);
    tall.SetBounds(0, 0, 100, 40);
    tall.Loaded();
    EXPECT_TRUE(tall.WordWrap());
    TYbRadioButton flat(nullptr);
    flat.SetAutoSize(false);
    flat.SetBounds(0, 0, 100, 17);
    flat.Loaded();
    EXPECT_FALSE(flat.WordWrap());
}
