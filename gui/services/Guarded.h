#pragma once

#include "gui/services/UiServices.h"

#include <QString>
#include <exception>
#include <type_traits>
#include <utility>

// Wraps an event handler so that an error escaping it (a field text that is not a number, a
// floating-point fault) ends the handler and appears in the error display; the program goes on.
// Exceptions must not unwind through Qt's event code, so every handler is connected through this.
template <typename Handler> auto guarded(QWidget *window, UiServices &services, Handler &&handler) {
    return [window, &services, handler = std::forward<Handler>(handler)](auto &&...args) {
        try {
            // Qt hands over the signal's arguments; a handler that takes none ignores them.
            if constexpr (std::is_invocable_v<const Handler &, decltype(args)...>) {
                handler(std::forward<decltype(args)>(args)...);
            } else {
                handler();
            }
        } catch (const std::exception &e) {
            services.ShowError(window, QString::fromStdString(e.what()));
        } catch (...) {
            services.ShowError(window, QStringLiteral("Unknown error"));
        }
    };
}

// The same for a member-function handler with no arguments.
template <typename Window>
auto guarded(Window *window, UiServices &services, void (Window::*handler)()) {
    return guarded(window, services, [window, handler]() { (window->*handler)(); });
}
