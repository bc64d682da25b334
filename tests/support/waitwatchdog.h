#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// A bound on a wait that the test itself can't break off: a call that blocks until a server
// answers, say. Unless the object is destroyed first, the process ends after `bound` with a
// fatal message naming the test, its row and what it waited for, so that a hang fails with its
// cause, long before CTest's time-out.
class WaitWatchdog
{
public:
    WaitWatchdog(std::chrono::milliseconds bound, std::string what);
    ~WaitWatchdog();
    WaitWatchdog(const WaitWatchdog&) = delete;
    WaitWatchdog& operator=(const WaitWatchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    std::thread m_thread;
};
