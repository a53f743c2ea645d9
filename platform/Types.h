// Points, sizes and rectangles of the class library. A TRect holds left, top,
// right and bottom; right and bottom lie outside the rectangle.
#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint &, const TPoint &) = default;
    QPoint ToQPoint() const { return QPoint(X, Y); }
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize &, const TSize &) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TRect &, const TRect &) = default;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(const TPoint &P) const
    {
        return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom;
    }
    // QRect covering the same pixels.
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect &R)
    {
        return {R.left(), R.top(), R.left() + R.width(), R.top() + R.height()};
    }
};

inline TPoint Point(int X, int Y) { return {X, Y}; }
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return {Left, Top, Right, Bottom}; }
inline TRect Bounds(int Left, int Top, int Width, int Height)
{
    return {Left, Top, Left + Width, Top + Height};
}
// The class library's InflateRect / OffsetRect / IntersectRect on values.
inline void InflateRect(TRect &R, int DX, int DY)
{
    R.Left -= DX;
    R.Top -= DY;
    R.Right += DX;
    R.Bottom += DY;
}
inline void OffsetRect(TRect &R, int DX, int DY)
{
    R.Left += DX;
    R.Top += DY;
    R.Right += DX;
    R.Bottom += DY;
}
// False (and an all-zero result) when the two do not overlap.
inline bool IntersectRect(TRect &Dest, const TRect &A, const TRect &B)
{
    TRect r{A.Left > B.Left ? A.Left : B.Left, A.Top > B.Top ? A.Top : B.Top,
            A.Right < B.Right ? A.Right : B.Right, A.Bottom < B.Bottom ? A.Bottom : B.Bottom};
    if (r.IsEmpty()) {
        Dest = TRect{};
        return false;
    }
    Dest = r;
    return true;
}
inline bool PtInRect(const TRect &R, const TPoint &P) { return R.Contains(P); }
