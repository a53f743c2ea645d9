if (a) b = 1; else b = 2;
if (a) { c(); }
switch (x)
{
  case 1: y = 1;
  case 2, 3..4: { y = 2; break; }
  default: y = 0;
}
do i++; while (i < 10);
while (i > 0) i -= 1;
for (i = 0; i < 10; i++) s += i
for (var k = 0; k < 3; ) s *= 2;
try { a = 1; } finally { b = 2; }
try return; except c /= 3;
with (Memo1) Text = "x";
delete o;
continue
{ x = 1 }
