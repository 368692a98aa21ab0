#pragma once

#include <QStringList>

#include <functional>

class DataFileEditor;
class UiServices;
class QWidget;

// Opens the files named on the command line (or handed over by the desktop), one after another:
// the text data files (.DSI, .DSO, .DFT, .TXT) in the data file editor, which reports a file it
// cannot read; a lesson (.klesson) through `openLesson`, which reports what it refuses. A file of
// any other kind is reported and left alone.
void OpenArguments(const QStringList &files, DataFileEditor &editor, UiServices &services,
                   QWidget *parent, const std::function<void(const QString &)> &openLesson = {});

// The file arguments of the program's command line (everything after the program's name).
QStringList FileArguments(const QStringList &arguments);
