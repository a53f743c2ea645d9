// Tests of graphics imagelist (platform).
#include "ImgList.h"

#include <gtest/gtest.h>

namespace {

// A strip of N 4x4 cells: cell i has a fuchsia background and a 2x2 square
// of Colors[i] at (1, 1).
void Strip(TBitmap &B, std::initializer_list<TColor> Colors)
{
    B.SetSize(4 * int(Colors.size()), 4);
    B.Canvas()->Brush()->SetColor(clFuchsia);
    B.Canvas()->FillRect(Rect(0, 0, B.Width(), 4));
    int i = 0;
    for (TColor c : Colors) {
        B.Canvas()->Brush()->SetColor(c);
        B.Canvas()->FillRect(Rect(4 * i + 1, 1, 4 * i + 3, 3));
        ++i;
    }
}

TEST(ImageList, AddMaskedSplitsAStripAndDrawsTransparently)
{
    TImageList list(nullptr);
    EXPECT_EQ(list.Width(), 16);
    list.SetWidth(4);
    list.SetHeight(4);
    TBitmap strip;
    Strip(strip, {clRed, clLime, clBlue});
    EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
    EXPECT_EQ(list.Count(), 3);

    TBitmap target;
    target.SetSize(6, 6);
    target.Canvas()->Brush()->SetColor(clYellow);
    target.Canvas()->FillRect(Rect(0, 0, 6, 6));
    list.Draw(target.Canvas(), 1, 1, 1);
    EXPECT_EQ(target.Canvas()->Pixels(1, 1), clYellow); // masked out
    EXPECT_EQ(target.Canvas()->Pixels(2, 2), clLime);
    EXPECT_EQ(target.Canvas()->Pixels(3, 3), clLime);
    EXPECT_EQ(target.Canvas()->Pixels(4, 4), clYellow);
    // A bad index draws nothing; other operations raise.
    list.Draw(target.Canvas(), 0, 0, 7);
    EXPECT_EQ(target.Canvas()->Pixels(0, 0), clYellow);
    EXPECT_THROW(list.Delete(3), EInvalidOperation);

    // Disabled: grey, still transparent.
    list.Draw(target.Canvas(), 1, 1, 2, false);
    const TColor g = target.Canvas()->Pixels(2, 2);
    EXPECT_EQ(GetRValue(g), GetGValue(g));
    EXPECT_EQ(GetGValue(g), GetBValue(g));
    EXPECT_EQ(target.Canvas()->Pixels(1, 1), clYellow);

    // The background colour, when set, fills behind the image.
    list.SetBkColor(clWhite);
    list.Draw(target.Canvas(), 1, 1, 0);
    EXPECT_EQ(target.Canvas()->Pixels(1, 1), clWhite);
    EXPECT_EQ(target.Canvas()->Pixels(2, 2), clRed);

    TBitmap one;
    list.GetBitmap(2, &one);
    EXPECT_EQ(one.Width(), 4);
    EXPECT_EQ(one.Canvas()->Pixels(1, 1), clBlue);
    EXPECT_EQ(one.Canvas()->Pixels(0, 0), clWhite);

    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    list.Move(1, 0);
    EXPECT_EQ(QColorToColor(QColor::fromRgb(list.GetImage(0).pixel(1, 1))), clBlue);
    list.SetWidth(8); // a new size empties the list
    EXPECT_EQ(list.Count(), 0);
}

TEST(ImageList, AddWithAMaskBitmapAndTheBitmapsOwnColour)
{
    TImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    TBitmap img;
    Strip(img, {clRed});
    TBitmap mask;
    mask.SetSize(4, 4); // white: all transparent...
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(Rect(0, 0, 2, 4)); // ...but the left half
    EXPECT_EQ(list.Add(&img, &mask), 0);
    const QImage cell = list.GetImage(0);
    EXPECT_EQ(qAlpha(cell.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(cell.pixel(3, 0)), 0);
    // clDefault: the bitmap's transparent colour (its bottom-left pixel).
    EXPECT_EQ(list.AddMasked(&img, clDefault), 1);
    EXPECT_EQ(qAlpha(list.GetImage(1).pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(list.GetImage(1).pixel(1, 1)), 255);
    // Without Masked nothing is transparent.
    list.SetMasked(false);
    list.AddMasked(&img, clFuchsia);
    EXPECT_EQ(qAlpha(list.GetImage(2).pixel(0, 0)), 255);
    TBitmap empty;
    EXPECT_EQ(list.Add(&empty, nullptr), -1);
    EXPECT_NE(TImageList::StaticClass()->FindProp(u"Width"), nullptr);
    EXPECT_NE(TImageList::StaticClass()->FindProp(u"BkColor"), nullptr);
}

} // namespace
