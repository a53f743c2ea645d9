x = -a + b - c * d / e \ f Mod g
y = a And b Or c Xor Not d
s = "a" & "b" & """"
b = (a = 1) Or (a <> 2) Or (a < 3) Or (a > 4) Or (a <= 5) Or (a >= 6)
b = a In [1, 3..5]
b = o Is TObject
n = 0x1F + 255 + 1.5E3
o = New TObject(1)
p = AddressOf Handler
t = <Total> + a[1, 2] + f() + g.h(1).k
