#include "platform/rtl/Threads.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <pthread.h>

namespace rtl {

namespace {

// A process-wide object initialised before main, so on the process's first thread.
std::atomic<std::thread::id> mainThreadId{std::this_thread::get_id()};

struct SyncCall {
    const std::function<void()>* fn = nullptr;
    std::exception_ptr error;
    bool done = false;
    // Set for a queued call: nobody waits for it, so the queue owns the call and its function.
    std::unique_ptr<std::function<void()>> owned;
};

struct SyncQueue {
    std::mutex mutex;
    std::condition_variable queued; // a call arrived, or a thread ended (`poked`)
    std::condition_variable done;
    std::deque<SyncCall*> calls;
    bool poked = false;
    std::function<void()> wakeup;
    std::function<void(std::exception_ptr)> queuedErrorHandler;
};

SyncQueue& Calls() {
    static SyncQueue queue;
    return queue;
}

// Lets a UI thread that waits in CheckSynchronize look at its own condition again.
void PokeMainThread() {
    SyncQueue& q = Calls();
    {
        std::lock_guard lock(q.mutex);
        q.poked = true;
    }
    q.queued.notify_all();
}

// The calling thread's stack bounds, read once per thread.
struct StackBounds {
    const char* low = nullptr;
    std::size_t size = 0;
};

const StackBounds& ThreadStack() {
    thread_local const StackBounds bounds = [] {
        StackBounds result;
        pthread_attr_t attributes;
        void* address = nullptr;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstack(&attributes, &address, &result.size);
            pthread_attr_destroy(&attributes);
        }
        result.low = static_cast<const char*>(address);
        return result;
    }();
    return bounds;
}

} // namespace

std::size_t StackSpaceLeft() {
    const StackBounds& stack = ThreadStack();
    // The frame address, not a local's: a sanitizer may keep locals on a heap of its own.
    const char* frame = static_cast<const char*>(__builtin_frame_address(0));
    // The stack grows down; where the bounds are unknown there is no limit to report.
    if (!stack.low || frame < stack.low || frame > stack.low + stack.size) return SIZE_MAX;
    return static_cast<std::size_t>(frame - stack.low);
}

std::size_t StackSize() {
    return ThreadStack().size;
}

uint64_t GetTickCount() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SetMainThread() {
    mainThreadId = std::this_thread::get_id();
}

bool IsMainThread() {
    return std::this_thread::get_id() == mainThreadId.load();
}

namespace {

// Hands a call to the UI thread. Only the first of a batch wakes it: it takes every call waiting, so
// a stream of queued messages costs one wake-up per batch, not one each.
void Post(SyncCall* call) {
    SyncQueue& q = Calls();
    std::function<void()> wakeup;
    {
        std::lock_guard lock(q.mutex);
        const bool wasEmpty = q.calls.empty();
        q.calls.push_back(call);
        if (!wasEmpty) return;
        wakeup = q.wakeup;
    }
    q.queued.notify_all();
    if (wakeup) wakeup();
}

// Whether the application took the error of a queued call.
bool HandleQueuedError(std::exception_ptr error) {
    std::function<void(std::exception_ptr)> handler;
    {
        SyncQueue& q = Calls();
        std::lock_guard lock(q.mutex);
        handler = q.queuedErrorHandler;
    }
    if (!handler) return false;
    handler(error);
    return true;
}

} // namespace

void Synchronize(const std::function<void()>& fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    SyncQueue& q = Calls();
    SyncCall call;
    call.fn = &fn;
    Post(&call);
    {
        std::unique_lock lock(q.mutex);
        q.done.wait(lock, [&] { return call.done; });
    }
    if (call.error) std::rethrow_exception(call.error);
}

void Queue(std::function<void()> fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    auto call = std::make_unique<SyncCall>();
    call->owned = std::make_unique<std::function<void()>>(std::move(fn));
    call->fn = call->owned.get();
    Post(call.release());
}

bool CheckSynchronize(uint32_t timeoutMs) {
    if (!IsMainThread()) throw EThread("CheckSynchronize called from a thread that is not the main thread");
    SyncQueue& q = Calls();
    std::unique_lock lock(q.mutex);
    const auto ready = [&] { return !q.calls.empty() || q.poked; };
    if (timeoutMs == kInfinite)
        q.queued.wait(lock, ready);
    else if (timeoutMs > 0)
        q.queued.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    q.poked = false;
    if (q.calls.empty()) return false;

    std::deque<SyncCall*> pending;
    pending.swap(q.calls);
    lock.unlock();
    std::exception_ptr queuedError;
    for (SyncCall* call : pending) {
        if (call->owned) {
            const std::unique_ptr<SyncCall> queued(call);
            try {
                (*call->fn)();
            } catch (...) {
                if (!HandleQueuedError(std::current_exception()) && !queuedError)
                    queuedError = std::current_exception();
            }
            continue;
        }
        try {
            (*call->fn)();
        } catch (...) {
            call->error = std::current_exception();
        }
        {
            std::lock_guard doneLock(q.mutex);
            call->done = true;
        }
        q.done.notify_all();
    }
    if (queuedError) std::rethrow_exception(queuedError);
    return true;
}

void SetQueuedErrorHandler(std::function<void(std::exception_ptr)> handler) {
    SyncQueue& q = Calls();
    std::lock_guard lock(q.mutex);
    q.queuedErrorHandler = std::move(handler);
}

void SetSynchronizeWakeup(std::function<void()> wakeup) {
    SyncQueue& q = Calls();
    std::lock_guard lock(q.mutex);
    q.wakeup = std::move(wakeup);
}

TThread::~TThread() {
    TerminateAndWait();
}

void TThread::Start() {
    std::lock_guard lock(mutex_);
    if (thread_.joinable() || finished_) throw EThread("Thread already started");
    thread_ = std::thread([this] { Run(); });
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        fatalException_ = std::current_exception();
    }
    if (OnTerminate) {
        try {
            rtl::Synchronize([this] { OnTerminate(*this); });
        } catch (...) {
            if (!fatalException_) fatalException_ = std::current_exception();
        }
    }
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    finishedCv_.notify_all();
    PokeMainThread();
}

int TThread::WaitFor() {
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable() && !finished_) throw EThread("Thread not started");
        if (std::this_thread::get_id() == thread_.get_id()) throw EThread("Thread cannot wait for itself");
    }
    if (IsMainThread()) {
        while (!finished_)
            CheckSynchronize(kInfinite);
    } else {
        std::unique_lock lock(mutex_);
        finishedCv_.wait(lock, [this] { return finished_.load(); });
    }
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) thread_.join();
    return returnValue_;
}

void TThread::TerminateAndWait() {
    bool started;
    {
        std::lock_guard lock(mutex_);
        started = thread_.joinable();
    }
    if (!started) return;
    Terminate();
    WaitFor();
}

void TEvent::SetEvent() {
    {
        std::lock_guard lock(mutex_);
        signaled_ = true;
    }
    if (manualReset_)
        cv_.notify_all();
    else
        cv_.notify_one();
}

void TEvent::ResetEvent() {
    std::lock_guard lock(mutex_);
    signaled_ = false;
}

TWaitResult TEvent::WaitFor(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto signaled = [this] { return signaled_; };
    if (timeoutMs == kInfinite)
        cv_.wait(lock, signaled);
    else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), signaled))
        return wrTimeout;
    if (!manualReset_) signaled_ = false;
    return wrSignaled;
}

} // namespace rtl
