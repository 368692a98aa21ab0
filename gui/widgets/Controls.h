#pragma once

#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <initializer_list>

// The control factories of the windows: each control gets its member's name as objectName, so
// tests and people find it with findChild.
namespace controls {

inline QPushButton *Button(QWidget *parent, const char *name, const char *caption) {
    auto *b = named<QPushButton>(parent, name);
    b->setText(QString::fromLatin1(caption));
    b->setAutoDefault(false);
    return b;
}

// A numeric field of the workbenches' width; `keyFilter` lets only number characters in.
inline NumberEdit *NumberField(QWidget *parent, const char *name, const char *text,
                               bool keyFilter) {
    auto *edit = named<NumberEdit>(parent, name);
    edit->setText(QString::fromLatin1(text));
    edit->SetKeyFilter(keyFilter);
    edit->setFixedWidth(58);
    return edit;
}

// A field that only shows a value, `width` pixels wide.
inline NumberEdit *ReadOut(QWidget *parent, const char *name, int width) {
    auto *edit = named<NumberEdit>(parent, name);
    edit->setReadOnly(true);
    edit->setFixedWidth(width);
    return edit;
}

inline QRadioButton *Radio(QWidget *parent, const char *name, const char *caption) {
    auto *r = named<QRadioButton>(parent, name);
    r->setText(QString::fromLatin1(caption));
    return r;
}

inline QCheckBox *Check(QWidget *parent, const char *name, const char *caption) {
    auto *c = named<QCheckBox>(parent, name);
    c->setText(QString::fromLatin1(caption));
    return c;
}

// A row of widgets with no margins, as one grid cell.
inline QHBoxLayout *Row(std::initializer_list<QWidget *> widgets, int spacing = 2) {
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    for (QWidget *w : widgets) {
        row->addWidget(w);
    }
    return row;
}

} // namespace controls
