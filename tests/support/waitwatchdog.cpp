#include "waitwatchdog.h"

#include <QtGlobal>

WaitWatchdog::WaitWatchdog(std::chrono::milliseconds bound, std::string what)
{
    m_thread = std::thread([this, bound, what = std::move(what)] {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_ended.wait_for(lock, bound, [this] { return m_done; }))
            qFatal("Waited %lld ms for %s", static_cast<long long>(bound.count()), what.c_str());
    });
}

WaitWatchdog::~WaitWatchdog()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_ended.notify_one();
    m_thread.join();
}
