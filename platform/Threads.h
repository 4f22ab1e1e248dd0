#pragma once

// Threads and their meeting points with the main (GUI) thread:
//
//   TClock           milliseconds, sleeps and event waits; replaceable so that
//                    tests drive time themselves (SetClock)
//   TEvent           an auto-reset event
//   Synchronize      runs a function on the main thread and waits for it
//   CheckSynchronize runs the calls that other threads queued (main thread only)
//   IsMainThread     whether the caller is the main thread
//   TThreadPriority  a worker's priority, as a nice level of its own thread
//
// Queued calls wake the Qt event loop when a QCoreApplication exists, so an
// application that runs its event loop needs nothing more.

#include <cstdint>
#include <functional>

// An auto-reset event: Set wakes one waiter (or the next one to come).
class TEvent
{
public:
    TEvent();
    ~TEvent();
    TEvent(const TEvent &) = delete;
    TEvent &operator=(const TEvent &) = delete;

    void Set();
    void Reset();
    // Waits at most Milliseconds of real time (0: only looks); true when the
    // event was set, which resets it.
    bool WaitFor(int64_t Milliseconds);

private:
    struct Private;
    Private *d;
};

class TClock
{
public:
    virtual ~TClock() = default;
    // A monotonic millisecond count.
    virtual int64_t Milliseconds() = 0;
    // Sleeps the calling thread; 0 only yields.
    virtual void Sleep(int64_t Milliseconds) = 0;
    // Waits for the event at most Milliseconds; a negative time waits without
    // a limit of its own but returns after at most a second of real time, so
    // that the caller can look at its own state again. True when the event
    // was set.
    virtual bool WaitFor(TEvent &Event, int64_t Milliseconds) = 0;
};

// The clock in use: the system's, unless a test set another.
TClock &Clock();
// Replaces the clock (nullptr: the system's again). Set it only while no
// thread uses the clock.
void SetClock(TClock *Value);

bool IsMainThread();

// Runs Method on the main thread and returns when it has run; on the main
// thread it runs at once. An exception thrown by Method is thrown again in the
// caller. While the call still waits in the queue, Cancelled is asked every
// 100 ms; when it answers true the call is dropped and Synchronize returns
// false.
bool Synchronize(const std::function<void()> &Method, const std::function<bool()> &Cancelled = {});

// Main thread only: runs every queued call. When none is queued, waits at
// most TimeoutMs for one. True when at least one call ran.
bool CheckSynchronize(int TimeoutMs = 0);

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The calling thread's system id.
int64_t CurrentThreadId();
// Sets a thread's nice level for the priority. Raising it above the present
// level needs privileges; without them it stays as it is.
void SetThreadPriority(int64_t ThreadId, TThreadPriority Priority);
