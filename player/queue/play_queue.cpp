#include "queue/play_queue.h"

#include "console_text.h"

#include <utility>

namespace {

void runOnPlayerThread(const PlayQueue& queue, const std::function<void()>& work)
{
    if (queue.onPlayerThread) {
        queue.onPlayerThread(work);
    } else {
        work();
    }
}

void refuse(PlayQueue& queue, std::size_t index, const std::string& fault)
{
    queue.lastFault = fault;
    if (queue.refused[index]) {
        return;
    }
    queue.refused[index] = true;
    if (queue.log != nullptr) {
        queue.log->write(JsonLine("trackSkipped")
                             .number("index", index)
                             .name("name", queue.items[index].path)
                             .name("reason", fault));
    }
    if (queue.items.size() > 1) {
        reportSkipped(fault);
    }
}

// A track that ended before its end, the rest of it undecodable: what decoded has played.
void tellCutShort(PlayQueue& queue, std::size_t index, const TrackWindow& track)
{
    if (track.failure.empty() || queue.toldCutShort[index]) {
        return;
    }
    queue.toldCutShort[index] = true;
    writeText(stderr, "zelplay: " + track.failure + "; the track ended there\n");
    if (queue.log != nullptr) {
        queue.log->write(JsonLine("audioCutShort").number("index", index).text("reason", track.failure));
    }
}

} // namespace

PlayQueue makePlayQueue(const std::vector<std::string>& files, const AudioRequest& single)
{
    PlayQueue queue;
    if (single.source != AudioSource::file && single.source != AudioSource::none) {
        queue.items.push_back(single);
    }
    for (const std::string& path : files) {
        queue.items.push_back(AudioRequest{.source = AudioSource::file, .path = path, .rawPcmRate = 0});
    }
    queue.refused.assign(queue.items.size(), false);
    queue.toldCutShort.assign(queue.items.size(), false);
    return queue;
}

bool playQueueItem(PlayQueue& queue, std::size_t from, int step)
{
    for (std::size_t at = from; at < queue.items.size(); at += static_cast<std::size_t>(step)) {
        TrackWindow opened;
        std::string fault;
        bool ok = false;
        runOnPlayerThread(queue, [&] { ok = openAudio(queue.items[at], opened, fault); });
        if (!ok) {
            refuse(queue, at, fault);
            continue;
        }
        // The new track is open before the old one goes: a decoder closed and opened
        // again would take the process's Media Foundation down and up in between.
        TrackWindow previous = std::exchange(queue.track, std::move(opened));
        if (previous.stream.read) {
            tellCutShort(queue, queue.index, previous);
        }
        runOnPlayerThread(queue, [&] { closeTrackWindow(previous); });
        queue.index = at;
        return true;
    }
    return false;
}

bool queuePlaysFiles(const PlayQueue& queue)
{
    return !queue.items.empty() && queue.items.front().source == AudioSource::file;
}

void closePlayQueue(PlayQueue& queue)
{
    if (queue.track.stream.read) {
        tellCutShort(queue, queue.index, queue.track);
    }
    runOnPlayerThread(queue, [&] { closeTrackWindow(queue.track); });
}
