#pragma once

#include <QString>
#include <QStringList>

// The folder of the program's executable, ending in the path separator.
QString ProgramFolder();

// Where the program keeps its data folders and where their first contents come from.
struct DataLayout {
    // The data folders' parent, ending in the separator.
    QString root;
    // The installed examples (<prefix>/share/kaldorium/examples/), or empty from the build tree.
    QString examples;
    // Where an earlier version kept the data folders, to be moved into `root`; may be empty.
    QString oldRoot;
};

// The layout of a program whose executable is in `programFolder`. Run from the build tree the
// data folders are beside the executable. An installed program (one with examples under
// ../share/kaldorium) cannot write there: it keeps them under `documents`/Kaldorium, where a
// student finds them, and moves those an earlier version kept in `oldAppData`.
DataLayout DataLayoutFor(const QString &programFolder, const QString &documents,
                         const QString &oldAppData);
// The layout of the running program.
DataLayout CurrentDataLayout();

// The data folders every layout has.
QStringList DataFolderNames();

// Readies the data folders of a layout: first moves the files of an earlier version's folder
// into the root (a file whose name is taken keeps both: the moved one gets " (moved)" in its
// name, unless the two are the same), then creates the missing data folders and fills each new
// one from the examples. Returns the problems met, one text each; a file that could not be
// moved stays where it was and is tried again next time.
QStringList PrepareDataFolders(const DataLayout &layout);

// The running program's data root, ending in the separator.
QString DataRoot();

// A data folder ("DSIs", "DSOs", "WAVs", "DFTs") under DataRoot(), created (and filled from the
// examples) when missing; ends in the separator.
QString DataFolder(const QString &name);

// The installed examples' folder, or an empty text when the program runs from its build tree.
QString InstalledExamplesFolder();
