{ block comment }
(* second
   block comment *)
BEGIN // line comment
  Begin x := 1 End;
  y := { inline } 2;
eNd.
