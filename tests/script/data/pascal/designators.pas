begin
  Memo1.Lines.Add('x');
  a[1, 2] := b.c[3];
  f;
  p := @Handler;
  t := <Total> + <Data."Sum[1]">;
  x.Begin := 1;
end.
