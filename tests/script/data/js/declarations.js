var a, b = 2, m[3, 4];
function Swap(&x, y)
{
  var t = x;
  x = y; y = t;
}
function Twice(v) { return v * 2; }
Swap(a, b)
