program Demo;
const
  Max = 10;
  Name = 'abc';
var
  a, b: Integer;
  s: String = 'x';
  m: array[0..Max, 5] of Integer;
  d: array of Variant;

procedure Swap(var x, y: Integer; const z: Integer);
var t: Integer;
begin
  t := x; x := y; y := t
end;

function Twice(v: Integer): Integer;
begin
  Result := v * 2;
end;

begin
  Swap(a, b, 1);
end.
