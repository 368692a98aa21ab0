#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every control of every window explains itself in one short sentence: what it sets or does,
// with the unit and the accepted range. The sentences live in one table (TooltipTexts.cpp), looked
// up by the window's class and the control's object name, so a window's layout code stays about
// layout. The application gives a window its tooltips when the window is shown; a control that
// already has a tooltip of its own keeps it.

// Sets the tooltip of each control in the window (and its child windows) that has none yet.
void ApplyTooltips(QWidget *window);

// A control: a button, field, list, stepper, slider, table or plot that the user works with and
// that carries an object name (the parts inside a stepper or a list are the stepper's and the
// list's).
bool IsControl(const QWidget *widget);

// The object names of the window's controls that have no tooltip, each once, sorted.
QStringList ControlsWithoutTooltip(const QWidget *window);

// The control's sentence followed by a value it shows in full ("…; now 0.000025"), for fields
// whose numbers may be longer than the field is wide; the value alone when there is no sentence.
QString TooltipWithValue(const QWidget *control, const QString &value);

// The table's sentence for a control of a window of the given class, or null.
const char *TooltipText(const char *windowClass, const char *control);
