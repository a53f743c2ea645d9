begin
  if a then b := 1 else b := 2;
  if a then
  begin
    c;
  end;
  case x of
    1: y := 1;
    2, 3..4: y := 2;
  else
    y := 0;
  end;
  repeat
    i := i + 1;
  until i > 10;
  while i > 0 do i := i - 1;
  for i := 1 to 10 do s := s + i;
  for i := 10 downto 1 do
    if i = 5 then break else continue;
  try
    a := 1;
  finally
    b := 2;
  end;
  try
    exit;
  except
    c := 3;
  end;
  with Memo1, Font do Color := 0;
  ;;
end.
