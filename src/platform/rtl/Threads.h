// Threads, calls synchronised onto the main thread, stack checks and the steady clock.
#pragma once

#include "platform/rtl/Exception.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace rtl {

RTL_DECLARE_EXCEPTION(EThread, Exception);

inline constexpr uint32_t kInfinite = 0xFFFFFFFF; // a wait without a time limit

// Milliseconds of a steady clock (never goes back); only differences have a meaning.
uint64_t GetTickCount();
void Sleep(uint32_t milliseconds);

// Bytes of the calling thread's stack between the caller's frame and the stack's end, and the
// stack's whole size. Deeply recursive code checks these to fail cleanly instead of overflowing.
std::size_t StackSpaceLeft();
std::size_t StackSize();

// The UI thread: the process's first thread until SetMainThread names the calling thread instead.
void SetMainThread();
bool IsMainThread();

// Runs `fn` on the UI thread and waits until it has run; an exception it throws is raised again in
// the caller. On the UI thread itself `fn` simply runs. The UI thread serves these calls in
// CheckSynchronize.
void Synchronize(const std::function<void()>& fn);
// Runs `fn` on the UI thread later, in order with the Synchronize calls, without waiting for it. On
// the UI thread itself `fn` simply runs. Nobody waits to receive what it throws: the error goes to
// the handler of SetQueuedErrorHandler, or without one is raised by the CheckSynchronize that ran
// it, after the other calls it took.
void Queue(std::function<void()> fn);
// The application's place for errors of queued calls (an empty function removes it).
void SetQueuedErrorHandler(std::function<void(std::exception_ptr)> handler);
// Runs the calls waiting for the UI thread, after waiting up to `timeoutMs` for the first one.
// Returns whether any ran. Raises EThread when called on another thread.
bool CheckSynchronize(uint32_t timeoutMs = 0);
// Called, on the calling thread, whenever a call starts waiting for the UI thread, so that an event
// loop can wake up and call CheckSynchronize. An empty function removes the hook.
void SetSynchronizeWakeup(std::function<void()> wakeup);

// A thread object: created suspended, started once by Start (or Resume), runs Execute. An exception
// that escapes Execute ends the thread and is kept as FatalException. After Execute, OnTerminate
// runs on the UI thread. Destroying a started thread sets Terminated and waits for it to end.
class TThread {
public:
    TThread() = default;
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start(); // raises EThread when the thread was started before
    void Resume() { Start(); }
    // Asks Execute to finish; it must look at Terminated.
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    bool Finished() const { return finished_; }
    // Waits until the thread has ended (on the UI thread, serving Synchronize meanwhile) and returns
    // ReturnValue. Raises EThread when called on the thread itself or before Start.
    int WaitFor();

    int ReturnValue() const { return returnValue_; }
    std::exception_ptr FatalException() const { return fatalException_; }
    std::thread::id ThreadId() const { return thread_.get_id(); }

    std::function<void(TThread&)> OnTerminate;

protected:
    virtual void Execute() = 0;
    void SetReturnValue(int value) { returnValue_ = value; }
    // Runs fn on the UI thread (see rtl::Synchronize).
    void Synchronize(const std::function<void()>& fn) { rtl::Synchronize(fn); }

    // Called by the destructor of a derived class whose Execute uses its members, so that the thread
    // stops before they are destroyed.
    void TerminateAndWait();

private:
    void Run();

    std::thread thread_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<int> returnValue_{0};
    std::exception_ptr fatalException_;
    std::mutex mutex_;
    std::condition_variable finishedCv_;
};

enum TWaitResult { wrSignaled, wrTimeout };

// An event that threads wait on. A manual-reset event stays signalled until ResetEvent; an
// auto-reset one lets exactly one waiter through and resets itself.
class TEvent {
public:
    explicit TEvent(bool manualReset = true, bool initialState = false)
        : manualReset_(manualReset), signaled_(initialState) {}

    void SetEvent();
    void ResetEvent();
    TWaitResult WaitFor(uint32_t timeoutMs = kInfinite);

private:
    const bool manualReset_;
    bool signaled_;
    std::mutex mutex_;
    std::condition_variable cv_;
};

// A lock the owning thread may take again. lock/unlock make it usable with the standard guards.
class TCriticalSection {
public:
    using Guard = std::lock_guard<TCriticalSection>;

    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    bool TryEnter() { return mutex_.try_lock(); }

    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    std::recursive_mutex mutex_;
};

} // namespace rtl
