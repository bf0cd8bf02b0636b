#include "core/uMultiNotifier.h"

#include "platform/rtl/Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace core {
namespace {

// A listener whose reaction to the next event a test can script.
class Listener {
public:
    Listener(std::string name, std::string& log) : name_(std::move(name)), log_(log) {}

    void HandleEvent(const std::shared_ptr<IEvent>& event) {
        log_ += name_;
        lastSender_ = event->GetSender();
        if (onEvent) onEvent();
    }
    void OtherHandler(const std::shared_ptr<IEvent>&) { log_ += name_ + "'"; }

    TEventHandler Handler() { return TEventHandler::Of<&Listener::HandleEvent>(this); }

    std::function<void()> onEvent;
    void* lastSender_ = nullptr;

private:
    std::string name_;
    std::string& log_;
};

class MultiNotifierTest : public testing::Test {
protected:
    int owner_ = 0;
    TMultiNotifier notifier_{&owner_};
    std::string log_;
    Listener a_{"A", log_}, b_{"B", log_}, c_{"C", log_};

    void AddAll() {
        for (Listener* l : {&a_, &b_, &c_})
            notifier_.AddHandler(l->Handler());
    }
    std::string Deliver() {
        log_.clear();
        notifier_.Notify();
        return log_;
    }
};

TEST_F(MultiNotifierTest, CallsHandlersInRegistrationOrderWithTheOwnerAsSender) {
    AddAll();
    EXPECT_EQ(Deliver(), "ABC");
    EXPECT_EQ(c_.lastSender_, &owner_);
}

TEST_F(MultiNotifierTest, HandlerIdentityIsObjectAndMethod) {
    notifier_.AddHandler(a_.Handler());
    notifier_.AddHandler(b_.Handler());
    notifier_.AddHandler(a_.Handler());
    notifier_.AddHandler(TEventHandler::Of<&Listener::OtherHandler>(&a_));
    EXPECT_EQ(Deliver(), "ABAA'");

    notifier_.RemoveHandler(a_.Handler()); // both registrations, not the other method
    EXPECT_EQ(Deliver(), "BA'");
    notifier_.RemoveHandler(c_.Handler()); // never added: nothing happens
    EXPECT_EQ(Deliver(), "BA'");
}

TEST_F(MultiNotifierTest, HandlerThatRemovesItselfIsCalledOnceAndSkipsNobody) {
    AddAll();
    b_.onEvent = [&] { notifier_.RemoveHandler(b_.Handler()); };
    EXPECT_EQ(Deliver(), "ABC");
    EXPECT_EQ(Deliver(), "AC");
}

TEST_F(MultiNotifierTest, HandlerAddedDuringDeliveryIsFirstCalledByTheNext) {
    notifier_.AddHandler(a_.Handler());
    a_.onEvent = [&] {
        a_.onEvent = nullptr;
        for (int i = 0; i < 100; ++i) // enough to move the entries' storage
            notifier_.AddHandler(b_.Handler());
    };
    EXPECT_EQ(Deliver(), "A");
    EXPECT_EQ(Deliver(), "A" + std::string(100, 'B'));
}

TEST_F(MultiNotifierTest, NestedDeliveryKeepsTheOuterOneWhole) {
    // A removes itself and notifies again; the inner delivery must not purge A from under the outer
    // loop, which would make it skip B and read past the end.
    AddAll();
    a_.onEvent = [&] {
        a_.onEvent = nullptr;
        notifier_.RemoveHandler(a_.Handler());
        notifier_.Notify();
    };
    EXPECT_EQ(Deliver(), "ABCBC");
    EXPECT_EQ(Deliver(), "BC");
}

TEST_F(MultiNotifierTest, RemovalInsideNestedDeliveryStopsLaterCallsOfTheOuterOne) {
    AddAll();
    a_.onEvent = [&] {
        a_.onEvent = nullptr;
        notifier_.Notify();
    };
    b_.onEvent = [&] { notifier_.RemoveHandler(c_.Handler()); };
    EXPECT_EQ(Deliver(), "AABB"); // outer A, inner A B, outer B; C was removed by the inner B
    EXPECT_EQ(Deliver(), "AB");
}

TEST_F(MultiNotifierTest, HandlerThatRaisesLeavesTheNotifierUsable) {
    AddAll();
    b_.onEvent = [&] {
        notifier_.RemoveHandler(b_.Handler());
        throw rtl::Exception("boom");
    };
    EXPECT_THROW(notifier_.Notify(), rtl::Exception);
    EXPECT_EQ(log_, "AB");
    EXPECT_EQ(Deliver(), "AC");
    notifier_.RemoveHandler(a_.Handler()); // not inside a delivery any more: removed at once
    EXPECT_EQ(Deliver(), "C");
}

// The shape of the debugger's output message: an interface extending IEvent and an event class
// deriving from TEvent and that interface.
class IMessageEvent : public virtual IEvent {
public:
    virtual std::string GetText() const = 0;
};

class TMessageEvent : public TEvent, public IMessageEvent {
public:
    TMessageEvent(void* sender, std::string text) : TEvent(sender), text_(std::move(text)) {}
    std::string GetText() const override { return text_; }

private:
    std::string text_;
};

class MessageListener {
public:
    void HandleEvent(const std::shared_ptr<IEvent>& event) {
        auto message = std::dynamic_pointer_cast<IMessageEvent>(event);
        ASSERT_TRUE(message);
        text = message->GetText();
        sender = message->GetSender();
    }
    std::string text;
    void* sender = nullptr;
};

TEST_F(MultiNotifierTest, DeliversRicherEventsDerivedFromTEvent) {
    MessageListener listener;
    notifier_.AddHandler(TEventHandler::Of<&MessageListener::HandleEvent>(&listener));
    notifier_.NotifyEvent(std::make_shared<TMessageEvent>(&owner_, "Debugging started"));
    EXPECT_EQ(listener.text, "Debugging started");
    EXPECT_EQ(listener.sender, &owner_);
}

TEST_F(MultiNotifierTest, MissingSenderHandlerOrEventIsAnAssertion) {
    EXPECT_THROW(TMultiNotifier(nullptr), rtl::EAssertionFailed);
    EXPECT_THROW(notifier_.AddHandler(TEventHandler()), rtl::EAssertionFailed);
    EXPECT_THROW(notifier_.NotifyEvent(nullptr), rtl::EAssertionFailed);
}

} // namespace
} // namespace core
