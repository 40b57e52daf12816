#pragma once
// The thread that opens and closes the player's tracks, for the whole run: a thread of
// the player's own that never calls the plug-in, as Windows' decoders want (see
// media_foundation_reader.h), and that answers at once whatever the player's window
// or the plug-in's threads are doing, so that the next track of a queue opens in the
// middle of a start without waiting on anyone's message loop.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class TrackThread {
public:
    TrackThread() = default;
    TrackThread(const TrackThread&) = delete;
    TrackThread& operator=(const TrackThread&) = delete;
    ~TrackThread();

    // Runs `work` there and returns when it is done; one caller at a time.
    void run(const std::function<void()>& work);

private:
    void serve();

    std::mutex callers_;
    std::mutex lock_;
    std::condition_variable changed_;
    const std::function<void()>* work_ = nullptr;
    bool quit_ = false;
    std::thread thread_;
};
