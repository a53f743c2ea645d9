Dim a, b As Integer, c = 5
Dim m[3, 4] As Decimal

Sub Swap(ByRef x, ByVal y As Integer, z)
  Dim t
  t = x : x = y : y = t
End Sub

Function Twice(v) As Integer
  Return v * 2
End Function

Swap(a, b, 1)
