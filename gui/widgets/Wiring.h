#pragma once

#include "gui/services/Guarded.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/Stepper.h"

#include <QAbstractButton>
#include <functional>
#include <type_traits>

// Connects a window's controls to its handlers, every one through `guarded`: an error escaping a
// handler ends it and shows in the error display. A handler is a member function of the window
// or a lambda; a stepper's handler takes the direction (up).
//
//     Wiring<TWAVMainForm> wire(this, services);
//     wire.OnClick(PlayInput, &TWAVMainForm::PlayInputClick);
//     wire.OnAccepted(filter.sQfactor, [this] { sQfactorExit(); });
//     wire.OnStep(filter.QfactorI, &TWAVMainForm::QfactorIClick);
template <typename Form> class Wiring {
public:
    Wiring(Form *form_, UiServices &services_) : form(form_), services(services_) {}

    template <typename Handler> void OnClick(QAbstractButton *button, Handler handler) {
        QObject::connect(button, &QAbstractButton::clicked, form, Guard(handler));
    }
    template <typename Handler> void OnAccepted(NumberEdit *edit, Handler handler) {
        QObject::connect(edit, &NumberEdit::accepted, form, Guard(handler));
    }
    template <typename Handler> void OnStep(Stepper *stepper, Handler handler) {
        QObject::connect(stepper, &Stepper::clicked, form, Guard(handler));
    }

private:
    template <typename Handler> auto Guard(Handler handler) {
        if constexpr (!std::is_member_function_pointer_v<Handler>) {
            return guarded(form, services, std::move(handler));
        } else if constexpr (std::is_invocable_v<Handler, Form *, bool>) {
            return guarded(form, services,
                           [f = form, handler](bool up) { std::invoke(handler, f, up); });
        } else {
            return guarded(form, services, [f = form, handler] { std::invoke(handler, f); });
        }
    }

    Form *form;
    UiServices &services;
};
