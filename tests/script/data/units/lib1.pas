uses 'lib2.pas';
procedure One;
begin
end;

begin
end.
