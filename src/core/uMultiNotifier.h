// Events and a notifier that passes each event to many handlers.
#pragma once

#include <memory>
#include <vector>

namespace core {

// A notification and the object that sent it. Interfaces that extend IEvent inherit it virtually,
// so that an event class can derive from TEvent and from such an interface at once.
class IEvent {
public:
    virtual ~IEvent() = default;
    virtual void* GetSender() const = 0;
};

class TEvent : public virtual IEvent {
public:
    explicit TEvent(void* sender) : sender_(sender) {}
    void* GetSender() const override { return sender_; }

private:
    void* sender_;
};

namespace detail {
template <class Method>
struct EventMethodClass;
template <class C>
struct EventMethodClass<void (C::*)(const std::shared_ptr<IEvent>&)> {
    using Type = C;
};
} // namespace detail

// A method of an object that receives events. Two handlers are equal when they name the same method
// of the same object, which is what RemoveHandler looks for.
class TEventHandler {
public:
    TEventHandler() = default;

    // TEventHandler::Of<&TFoo::HandleEvent>(foo)
    template <auto Method>
    static TEventHandler Of(typename detail::EventMethodClass<decltype(Method)>::Type* object) {
        using Class = typename detail::EventMethodClass<decltype(Method)>::Type;
        return TEventHandler(object, &Invoke<Class, Method>);
    }

    explicit operator bool() const { return code_ != nullptr; }
    void operator()(const std::shared_ptr<IEvent>& event) const { code_(object_, event); }
    friend bool operator==(const TEventHandler&, const TEventHandler&) = default;

private:
    using Code = void (*)(void* object, const std::shared_ptr<IEvent>& event);

    TEventHandler(void* object, Code code) : object_(object), code_(code) {}

    template <class Class, auto Method>
    static void Invoke(void* object, const std::shared_ptr<IEvent>& event) {
        (static_cast<Class*>(object)->*Method)(event);
    }

    void* object_ = nullptr;
    Code code_ = nullptr;
};

// Broadcasts events to registered handlers. Handlers may add or remove handlers, and notify again,
// while a delivery runs: removed entries are only marked until the outermost delivery ends, and
// entries added during a delivery are first called by the next one.
class TMultiNotifier {
public:
    explicit TMultiNotifier(void* sender);
    TMultiNotifier(const TMultiNotifier&) = delete;
    TMultiNotifier& operator=(const TMultiNotifier&) = delete;

    // Adding a handler twice registers it twice.
    void AddHandler(const TEventHandler& handler);
    // Removes every registration of the handler.
    void RemoveHandler(const TEventHandler& handler);
    // Delivers a new TEvent whose sender is this notifier's sender.
    void Notify();
    void NotifyEvent(std::shared_ptr<IEvent> event);

private:
    struct TEventHandlerHolder {
        TEventHandler handler;
        bool removed = false;
    };

    void PurgeRemoved();

    void* sender_;
    std::vector<TEventHandlerHolder> entries_;
    int depth_ = 0; // nesting of deliveries in progress
};

} // namespace core
