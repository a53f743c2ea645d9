procedure Two; begin end;
begin end.
