#pragma once

#include <QString>

// The folder of the program's executable, ending in the path separator.
QString ProgramFolder();

// A data folder beside the executable ("DSIs", "DSOs", "WAVs", "DFTs"), created when missing;
// ends in the separator.
QString DataFolder(const QString &name);
