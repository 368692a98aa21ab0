#pragma once

#include <QString>

// The folder of the program's executable, ending in the path separator.
QString ProgramFolder();

// Where the data folders live, ending in the separator. Run from the build tree that is the
// executable's folder. An installed program cannot write beside its executable, so there it is
// the user's application data folder, and the examples installed under
// <prefix>/share/kaldorium/examples are copied into it the first time a data folder is made.
QString DataRoot();

// A data folder ("DSIs", "DSOs", "WAVs", "DFTs") under DataRoot(), created when missing;
// ends in the separator.
QString DataFolder(const QString &name);

// The installed examples' folder (<prefix>/share/kaldorium/examples/), or an empty text when
// the program runs from its build tree.
QString InstalledExamplesFolder();
