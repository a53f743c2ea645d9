/* block
   comment */
// line comment
IF (a) x = 1;   // keywords ignore case in JScript
Var y = /* inline */ 2
