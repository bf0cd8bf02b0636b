#include "platform/rtl/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

using rtl::TThread;

// A thread that runs a function; its destructor stops it before the function goes.
class FunctionThread : public TThread {
public:
    explicit FunctionThread(std::function<void(FunctionThread&)> body) : body_(std::move(body)) {}
    ~FunctionThread() override { TerminateAndWait(); }

    using TThread::SetReturnValue;
    using TThread::Synchronize;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(FunctionThread&)> body_;
};

// Each test makes the test thread the UI thread, as the program's main loop does.
class ThreadsTest : public testing::Test {
protected:
    void SetUp() override { rtl::SetMainThread(); }
    void TearDown() override {
        rtl::SetSynchronizeWakeup(nullptr);
        rtl::SetQueuedErrorHandler(nullptr);
    }
};

TEST_F(ThreadsTest, SynchronizeRunsOnTheMainThreadAndBlocksTheCaller) {
    const std::thread::id mainId = std::this_thread::get_id();
    std::vector<std::string> order;
    FunctionThread thread([&](FunctionThread& self) {
        std::thread::id ranOn;
        self.Synchronize([&] {
            ranOn = std::this_thread::get_id();
            order.push_back("call");
        });
        order.push_back(ranOn == mainId ? "back, ran on main" : "back, ran elsewhere");
        self.SetReturnValue(7);
    });
    thread.Start();
    // Serve until the thread has come back from its call; nothing runs before it is served.
    while (!thread.Finished())
        rtl::CheckSynchronize(10);
    EXPECT_EQ(thread.WaitFor(), 7);
    EXPECT_EQ(order, (std::vector<std::string>{"call", "back, ran on main"}));
    EXPECT_FALSE(thread.FatalException());
}

TEST_F(ThreadsTest, SynchronizeOnTheMainThreadRunsDirectly) {
    int calls = 0;
    rtl::Synchronize([&] { ++calls; });
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(rtl::CheckSynchronize(0));
}

// Queued calls do not hold the thread up, run on the UI thread in order with synchronised ones, and
// a failing one neither stops the others nor reaches the thread.
TEST_F(ThreadsTest, QueuedCallsRunInOrderWithoutWaiting) {
    const std::thread::id mainId = std::this_thread::get_id();
    std::vector<std::string> order;
    bool allOnMain = true;
    FunctionThread thread([&](FunctionThread& self) {
        rtl::Queue([&] {
            allOnMain = allOnMain && std::this_thread::get_id() == mainId;
            order.push_back("queued 1");
        });
        rtl::Queue([] { throw rtl::EConversionError("queued failure"); });
        rtl::Queue([&] { order.push_back("queued 2"); });
        self.Synchronize([&] { order.push_back("synchronised"); });
        order.push_back("thread goes on");
    });
    thread.Start();
    std::string failure;
    while (!thread.Finished()) {
        try {
            rtl::CheckSynchronize(10);
        } catch (const rtl::EConversionError& e) {
            failure = e.Message();
        }
    }
    thread.WaitFor();
    EXPECT_EQ(order, (std::vector<std::string>{"queued 1", "queued 2", "synchronised", "thread goes on"}));
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(failure, "queued failure") << "raised on the UI thread, after the calls queued with it";
    EXPECT_FALSE(thread.FatalException());

    int calls = 0;
    rtl::Queue([&] { ++calls; });
    EXPECT_EQ(calls, 1) << "on the UI thread a queued call runs at once";
}

TEST_F(ThreadsTest, TheApplicationTakesTheErrorsOfQueuedCalls) {
    std::vector<std::string> handled;
    rtl::SetQueuedErrorHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const rtl::Exception& e) {
            handled.push_back(e.Message());
        }
    });
    int wakeups = 0;
    rtl::SetSynchronizeWakeup([&] { ++wakeups; });
    FunctionThread thread([](FunctionThread&) {
        rtl::Queue([] { throw rtl::EConversionError("first"); });
        rtl::Queue([] { throw rtl::EConversionError("second"); });
    });
    thread.Start();
    while (!thread.Finished())
        rtl::CheckSynchronize(10); // raises nothing: the handler took both
    thread.WaitFor();
    rtl::CheckSynchronize(0);
    EXPECT_EQ(handled, (std::vector<std::string>{"first", "second"}));
    EXPECT_GE(wakeups, 1);
    EXPECT_LE(wakeups, 2) << "a call queued behind one not yet served does not wake the UI thread again";
}

TEST_F(ThreadsTest, ExceptionsReachTheCallingThread) {
    std::string caught;
    FunctionThread thread([&](FunctionThread& self) {
        try {
            self.Synchronize([] { throw rtl::EConversionError("bad value"); });
        } catch (const rtl::EConversionError& e) {
            caught = e.Message();
        }
        throw std::runtime_error("thread failed");
    });
    thread.Start();
    thread.WaitFor(); // serves the call while waiting
    EXPECT_EQ(caught, "bad value");
    ASSERT_TRUE(thread.FatalException());
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::runtime_error);
}

TEST_F(ThreadsTest, WakeupHookAndOnTerminate) {
    std::atomic<int> wakeups = 0;
    rtl::SetSynchronizeWakeup([&] { ++wakeups; });
    bool terminatedOnMain = false;
    FunctionThread thread([](FunctionThread& self) { self.Synchronize([] {}); });
    thread.OnTerminate = [&](TThread&) { terminatedOnMain = rtl::IsMainThread(); };
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(wakeups, 2); // the call and OnTerminate
    EXPECT_TRUE(terminatedOnMain);
}

TEST_F(ThreadsTest, TerminateStopsALoopingThread) {
    rtl::TEvent started;
    FunctionThread thread([&](FunctionThread& self) {
        started.SetEvent();
        while (!self.Terminated())
            rtl::Sleep(1);
    });
    EXPECT_FALSE(thread.Terminated());
    thread.Start();
    ASSERT_EQ(started.WaitFor(5000), rtl::wrSignaled);
    thread.Terminate();
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    EXPECT_THROW(thread.Start(), rtl::EThread);
}

TEST_F(ThreadsTest, MisuseRaises) {
    FunctionThread idle([](FunctionThread&) {});
    EXPECT_THROW(idle.WaitFor(), rtl::EThread); // never started

    std::atomic<int> errors = 0;
    FunctionThread worker([&](FunctionThread& self) {
        try {
            rtl::CheckSynchronize(0); // only the main thread serves calls
        } catch (const rtl::EThread&) {
            ++errors;
        }
        try {
            self.WaitFor();
        } catch (const rtl::EThread&) {
            ++errors;
        }
    });
    worker.Start();
    worker.WaitFor();
    EXPECT_EQ(errors, 2);
}

TEST_F(ThreadsTest, DestroyingARunningThreadWaitsForIt) {
    std::atomic<bool> finished = false;
    {
        FunctionThread thread([&](FunctionThread& self) {
            while (!self.Terminated())
                rtl::Sleep(1);
            self.Synchronize([] {}); // served while the destructor waits
            finished = true;
        });
        thread.Start();
    }
    EXPECT_TRUE(finished);
}

TEST(EventTest, ManualAndAutoReset) {
    rtl::TEvent manual(true, false);
    EXPECT_EQ(manual.WaitFor(0), rtl::wrTimeout);
    manual.SetEvent();
    EXPECT_EQ(manual.WaitFor(0), rtl::wrSignaled);
    EXPECT_EQ(manual.WaitFor(0), rtl::wrSignaled); // stays set
    manual.ResetEvent();
    EXPECT_EQ(manual.WaitFor(0), rtl::wrTimeout);

    rtl::TEvent automatic(false, true);
    EXPECT_EQ(automatic.WaitFor(0), rtl::wrSignaled);
    EXPECT_EQ(automatic.WaitFor(0), rtl::wrTimeout); // reset by the first waiter

    const uint64_t before = rtl::GetTickCount();
    EXPECT_EQ(automatic.WaitFor(30), rtl::wrTimeout);
    EXPECT_GE(rtl::GetTickCount() - before, 30u);
}

TEST(EventTest, WakesAWaitingThread) {
    rtl::TEvent go(false, false);
    std::atomic<int> passed = 0;
    std::thread waiter([&] {
        if (go.WaitFor(rtl::kInfinite) == rtl::wrSignaled) ++passed;
    });
    rtl::Sleep(10);
    EXPECT_EQ(passed, 0);
    go.SetEvent();
    waiter.join();
    EXPECT_EQ(passed, 1);
}

TEST(CriticalSectionTest, ExcludesOtherThreadsAndIsReentrant) {
    rtl::TCriticalSection cs;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                rtl::TCriticalSection::Guard outer(cs);
                cs.Enter(); // the owner may enter again
                ++counter;
                cs.Leave();
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 40000);

    cs.Enter();
    bool otherGotIn = true;
    std::thread([&] { otherGotIn = cs.TryEnter(); }).join();
    cs.Leave();
    EXPECT_FALSE(otherGotIn);
}

TEST(TickCountTest, SleepAdvancesTheTickCount) {
    const uint64_t before = rtl::GetTickCount();
    rtl::Sleep(20);
    const uint64_t elapsed = rtl::GetTickCount() - before;
    EXPECT_GE(elapsed, 20u);
    EXPECT_LT(elapsed, 5000u);
}

} // namespace
