#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>

// A window another window opens: handed over as it is, or built by its owner the first time it
// is asked for. Empty, it opens nothing.
template <class T> class WindowRef {
public:
    WindowRef() = default;
    WindowRef(std::nullptr_t) {}
    WindowRef(T *window) {
        if (window != nullptr) {
            get = [window] { return window; };
        }
    }
    explicit WindowRef(std::function<T *()> build) : get(std::move(build)) {}

    // The window, built now if it is not yet; null when there is none.
    T *operator()() const { return get ? get() : nullptr; }
    explicit operator bool() const { return static_cast<bool>(get); }

private:
    std::function<T *()> get;
};

// A window built the first time it is needed, not when its owner starts: the program starts
// sooner and keeps no widgets nobody opened. What the owner wires to the window (tooltips,
// other windows, callbacks) goes into `ready`, run once right after building.
template <class T> class DeferredWindow {
public:
    using Build = std::function<std::unique_ptr<T>()>;
    using Ready = std::function<void(T &)>;

    explicit DeferredWindow(Build build_, Ready ready_ = {})
        : build(std::move(build_)), ready(std::move(ready_)) {}

    T &Get() {
        if (!window) {
            window = build();
            if (ready) {
                ready(*window);
            }
        }
        return *window;
    }
    // The window if it has been built, null otherwise; builds nothing.
    T *Built() const { return window.get(); }
    WindowRef<T> Ref() {
        return WindowRef<T>(std::function<T *()>([this] { return &Get(); }));
    }

private:
    Build build;
    Ready ready;
    std::unique_ptr<T> window;
};
