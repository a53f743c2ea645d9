procedure Bad; begin x := ; end;
begin end.
