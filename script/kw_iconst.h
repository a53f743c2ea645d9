// Messages of the script compiler. They are variables, not constants: a host
// may replace them with texts in its own language (the report engine copies
// its string table's texts into them when it loads the table).
#pragma once
#include <QString>

extern QString SLangNotFound;      // "Language '%s' not found"
extern QString SInvalidLanguage;   // "Invalid language definition"
extern QString SIdRedeclared;      // "Identifier redeclared: "
extern QString SUnknownType;       // "Unknown type: "
extern QString SIncompatibleTypes; // "Incompatible types"
extern QString SIdUndeclared;      // "Undeclared identifier: "
extern QString SClassRequired;     // "Class type required"
extern QString SIndexRequired;     // "Index required"
extern QString SStringError;       // "Strings doesn't have properties or methods"
extern QString SClassError;        // "Class %s does not have a default property"
extern QString SArrayRequired;     // "Array type required"
extern QString SVarRequired;       // "Variable required"
extern QString SNotEnoughParams;   // "Not enough actual parameters"
extern QString STooManyParams;     // "Too many actual parameters"
extern QString SLeftCantAssigned;  // "Left side cannot be assigned to"
extern QString SForError;          // "For loop variable must be numeric variable"
extern QString SEventError;        // "Event handler must be a procedure"
extern QString SArrayDimensions;   // "Arrays may have at most 3 dimensions"

// Raised as a syntax error when a script nests deeper than the parser allows.
extern QString SNestingTooDeep;    // "Nesting too deep"
