#include "platform/Threads.h"

#include <QCoreApplication>
#include <QThread>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

// ---------------------------------------------------------------- event

struct TEvent::Private
{
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Signalled = false;
};

TEvent::TEvent() : d(new Private) {}

TEvent::~TEvent()
{
    delete d;
}

void TEvent::Set()
{
    {
        std::lock_guard lock(d->Mutex);
        d->Signalled = true;
    }
    d->Changed.notify_one();
}

void TEvent::Reset()
{
    std::lock_guard lock(d->Mutex);
    d->Signalled = false;
}

bool TEvent::WaitFor(int64_t Milliseconds)
{
    std::unique_lock lock(d->Mutex);
    if (!d->Signalled && Milliseconds > 0)
        d->Changed.wait_for(lock, std::chrono::milliseconds(Milliseconds), [this] { return d->Signalled; });
    const bool result = d->Signalled;
    d->Signalled = false;
    return result;
}

// ---------------------------------------------------------------- clock

namespace {

class TSystemClock : public TClock
{
public:
    int64_t Milliseconds() override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void Sleep(int64_t Milliseconds) override
    {
        if (Milliseconds <= 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
    }
    bool WaitFor(TEvent &Event, int64_t Milliseconds) override
    {
        return Event.WaitFor(Milliseconds < 0 ? 1000 : Milliseconds);
    }
};

TSystemClock SystemClock;
std::atomic<TClock *> CurrentClock{nullptr};

} // namespace

TClock &Clock()
{
    TClock *clock = CurrentClock.load();
    return clock ? *clock : SystemClock;
}

void SetClock(TClock *Value)
{
    CurrentClock.store(Value);
}

// ---------------------------------------------------------------- main thread

bool IsMainThread()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        return QThread::currentThread() == app->thread();
    // Without an application the process's first thread is the main one.
    return gettid() == getpid();
}

namespace {

struct TSyncCall
{
    enum State { Pending, Running, Finished };
    std::function<void()> Method;
    State CallState = Pending;
    std::exception_ptr Failure;
};

// Never freed: worker threads may still queue calls while the program ends.
struct TSyncQueue
{
    std::mutex Mutex;
    std::condition_variable Queued;
    std::condition_variable Finished;
    std::deque<std::shared_ptr<TSyncCall>> Calls;
};

TSyncQueue &SyncQueue()
{
    static TSyncQueue *queue = new TSyncQueue;
    return *queue;
}

void WakeMainThread()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { CheckSynchronize(); }, Qt::QueuedConnection);
}

} // namespace

bool Synchronize(const std::function<void()> &Method, const std::function<bool()> &Cancelled)
{
    if (IsMainThread()) {
        Method();
        return true;
    }
    TSyncQueue &queue = SyncQueue();
    auto call = std::make_shared<TSyncCall>();
    call->Method = Method;
    {
        std::lock_guard lock(queue.Mutex);
        queue.Calls.push_back(call);
    }
    queue.Queued.notify_all();
    WakeMainThread();
    std::unique_lock lock(queue.Mutex);
    while (call->CallState != TSyncCall::Finished) {
        queue.Finished.wait_for(lock, std::chrono::milliseconds(100));
        if (call->CallState == TSyncCall::Pending && Cancelled && Cancelled()) {
            queue.Calls.erase(std::remove(queue.Calls.begin(), queue.Calls.end(), call), queue.Calls.end());
            return false;
        }
    }
    if (call->Failure)
        std::rethrow_exception(call->Failure);
    return true;
}

bool CheckSynchronize(int TimeoutMs)
{
    if (!IsMainThread())
        return false;
    TSyncQueue &queue = SyncQueue();
    size_t count = 0;
    {
        std::unique_lock lock(queue.Mutex);
        if (queue.Calls.empty() && TimeoutMs > 0)
            queue.Queued.wait_for(lock, std::chrono::milliseconds(TimeoutMs),
                                  [&] { return !queue.Calls.empty(); });
        count = queue.Calls.size();
    }
    // One call at a time, and only as many as were queued: a call may wait for
    // a later one (stopping another painter), which must stay in the queue to
    // be run by a nested CheckSynchronize or cancelled by its thread.
    bool ran = false;
    for (; count > 0; --count) {
        std::shared_ptr<TSyncCall> call;
        {
            std::lock_guard lock(queue.Mutex);
            if (queue.Calls.empty())
                break;
            call = queue.Calls.front();
            queue.Calls.pop_front();
            call->CallState = TSyncCall::Running;
        }
        try {
            call->Method();
        } catch (...) {
            call->Failure = std::current_exception();
        }
        {
            std::lock_guard lock(queue.Mutex);
            call->CallState = TSyncCall::Finished;
        }
        queue.Finished.notify_all();
        ran = true;
    }
    return ran;
}

int64_t CurrentThreadId()
{
    return gettid();
}

void SetThreadPriority(int64_t ThreadId, TThreadPriority Priority)
{
    static constexpr int NiceLevels[] = {19, 10, 5, 0, -5, -10, -15};
    // Fails without privileges for levels below the present one; that is fine.
    (void)setpriority(PRIO_PROCESS, id_t(ThreadId), NiceLevels[Priority]);
}
