// Implementation of the script compiler's messages.
#include "kw_iconst.h"

// Initialised ahead of ordinary static objects, so that start-up code of any
// other unit may read or replace these texts.
#define KW_MESSAGE(Name, Text) QString Name __attribute__((init_priority(200))) = QStringLiteral(Text);

KW_MESSAGE(SLangNotFound, "Language '%s' not found")
KW_MESSAGE(SInvalidLanguage, "Invalid language definition")
KW_MESSAGE(SIdRedeclared, "Identifier redeclared: ")
KW_MESSAGE(SUnknownType, "Unknown type: ")
KW_MESSAGE(SIncompatibleTypes, "Incompatible types")
KW_MESSAGE(SIdUndeclared, "Undeclared identifier: ")
KW_MESSAGE(SClassRequired, "Class type required")
KW_MESSAGE(SIndexRequired, "Index required")
KW_MESSAGE(SStringError, "Strings doesn't have properties or methods")
KW_MESSAGE(SClassError, "Class %s does not have a default property")
KW_MESSAGE(SArrayRequired, "Array type required")
KW_MESSAGE(SArrayDimensions, "Arrays may have at most 3 dimensions")
KW_MESSAGE(SVarRequired, "Variable required")
KW_MESSAGE(SNotEnoughParams, "Not enough actual parameters")
KW_MESSAGE(STooManyParams, "Too many actual parameters")
KW_MESSAGE(SLeftCantAssigned, "Left side cannot be assigned to")
KW_MESSAGE(SForError, "For loop variable must be numeric variable")
KW_MESSAGE(SEventError, "Event handler must be a procedure")
KW_MESSAGE(SNestingTooDeep, "Nesting too deep")
