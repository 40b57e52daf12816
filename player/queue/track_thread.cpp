#include "queue/track_thread.h"

TrackThread::~TrackThread()
{
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> held(lock_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void TrackThread::run(const std::function<void()>& work)
{
    std::lock_guard<std::mutex> caller(callers_);
    // Started by the first track: a run without music has no thread for it.
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { serve(); });
    }
    std::unique_lock<std::mutex> held(lock_);
    work_ = &work;
    changed_.notify_all();
    changed_.wait(held, [this] { return work_ == nullptr; });
}

void TrackThread::serve()
{
    std::unique_lock<std::mutex> held(lock_);
    while (true) {
        changed_.wait(held, [this] { return quit_ || work_ != nullptr; });
        if (work_ != nullptr) {
            (*work_)();
            work_ = nullptr;
            changed_.notify_all();
            continue;
        }
        return;
    }
}
