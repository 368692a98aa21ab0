#pragma once

#include <QString>

// Opens a data file for editing, modally: what a window needs of the data file editor without
// depending on the editor's window.
class DataFileEditor {
public:
    virtual ~DataFileEditor() = default;
    // Edits the named file; returns the name of the file opened or saved there last.
    virtual QString EditFile(const QString &name) = 0;
};
