// Thin lines whose end points lie far outside the device: drawn where they cross it, at no cost
// for the part outside.
#include "platform/Graphics.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>

TEST(CanvasFarLines, OnlyThePartOnTheDeviceIsStepped)
{
    QImage img(100, 50, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    QElapsedTimer t;
    t.start();
    c.Pen()->SetColor(clBlack);
    c.MoveTo(-1000000000, 10);
    c.LineTo(1000000000, 10);
    c.Pen()->SetStyle(psDot);
    c.Polyline({{50, -1000000000}, {50, 1000000000}});
    c.Release();
    EXPECT_LT(t.elapsed(), 30000); // stepping the whole line takes far longer
    for (int x = 0; x < 100; ++x)
        EXPECT_EQ(img.pixel(x, 10) & 0xFFFFFF, 0u) << x;
    int dots = 0;
    for (int y = 0; y < 50; ++y)
        dots += (img.pixel(50, y) & 0xFFFFFF) == 0;
    EXPECT_GT(dots, 15);
    EXPECT_LT(dots, 35);
    // A line within the device is stepped exactly as before: end point left out.
    QImage img2(20, 20, QImage::Format_RGB32);
    img2.fill(Qt::white);
    TCanvas c2(&img2);
    c2.MoveTo(2, 3);
    c2.LineTo(12, 3);
    c2.Release();
    EXPECT_EQ(img2.pixel(2, 3) & 0xFFFFFF, 0u);
    EXPECT_EQ(img2.pixel(11, 3) & 0xFFFFFF, 0u);
    EXPECT_EQ(img2.pixel(12, 3) & 0xFFFFFF, 0xFFFFFFu);
}
