// A folder of the test process's own for the pictures, PDFs and logs its
// tests write, so nothing is left loose in the system's temporary folder.
#pragma once
#include <QString>

// Path of Name inside the folder, made on first use. The folder goes when
// the process ends with every test passed; after a failure it is kept and
// named on standard error.
QString TestFile(const QString &Name);

// Before anything loads fonts or opens an ODBC connection: the station's
// font configuration (unless FONTCONFIG_FILE names one already), and ODBC
// drivers registered as on this machine but without their own log files.
void PrepareTestEnvironment();
