#pragma once
// An event slot: a plain code pointer plus the object it belongs to. Slots are copied
// freely, compared to empty, and chained by whoever replaces one: the new owner keeps
// the slot it found and calls it itself. Every layer uses this one type.

namespace lumen {

// Which mouse button an event is about, in every layer.
enum class MouseButton { Left, Right, Middle };

template <class... Args>
struct Callback {
    using Code = void (*)(void* data, Args... args);

    Code code = nullptr;
    void* data = nullptr;

    explicit operator bool() const { return code != nullptr; }
    bool operator==(const Callback&) const = default;
    void operator()(Args... args) const {
        if (code != nullptr) {
            code(data, args...);
        }
    }

    // A slot that calls `(object->*Method)(args...)`.
    template <auto Method, class T>
    static Callback Of(T* object) {
        return Callback{[](void* d, Args... a) { (static_cast<T*>(d)->*Method)(a...); }, object};
    }
};

}  // namespace lumen
