begin
  x := -a + b - c * d / e div f mod g;
  y := a and b or c xor not d;
  z := (a shl 2) shr 1;
  b := (a = 1) or (a <> 2) or (a < 3) or (a > 4) or (a <= 5) or (a >= 6);
  b := a in [1, 3..5];
  b := o is TObject;
end.
