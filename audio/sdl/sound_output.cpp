// The output's two consumers and the watch that hands the streams between
// them: the device's callback while the device plays, and the output
// thread's silent pace, which calls the consumer by the clock as a device
// would, while there is no device, it is lost, or its callbacks are late.
//
// The hand-over, both ways: which thread does what, and the ordering each
// side needs.
//   - Device to silent pace (detach(), output thread): store detached, then
//     wait until inCallback reads clear. The callback stores inCallback,
//     then loads detached. All four are seq_cst: each side stores its flag
//     and then loads the other's, and only a single total order keeps both
//     from missing the other's store (with acquire and release each load
//     could pass its own side's store). Once the watch reads inCallback
//     clear no callback consumes any more, and that load acquires what the
//     last one left in the streams.
//   - Silent pace to device (attach(), output thread): the silent pace runs
//     on this thread only, so it has stopped when the watch decides. The
//     watch sets fadeInNext, then stores detached clear (seq_cst, so a
//     release too); the callback's load of it acquires the streams'
//     consumer state and fadeInNext, and from then on the callback owns them.
//   - The callback stamps every run in lastCallback, attached or not; relaxed,
//     as the watch reads only the time from it.
//   - Nothing on the callback's path locks, allocates or logs; the watch's
//     messages are written from the output thread.
#include "audio/sdl/sdl_sound_internal.h"
#include "base/program_message.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace sound_internal {

namespace {

constexpr auto DETACH_POLL = std::chrono::milliseconds(1);

uint64_t dueAt(const SilentPace& pace) {
    return pace.anchor + framesToTicks(static_cast<int64_t>(pace.periods) * output.periodFrames);
}

std::chrono::nanoseconds ticksToDuration(uint64_t ticks) {
    using Seconds = std::chrono::duration<double>;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        Seconds(static_cast<double>(ticks) / static_cast<double>(output.counterFrequency)));
}

bool longerThan(uint64_t from, uint64_t to, int ms) { return to > from && to - from > msToTicks(ms); }

// Stops the callback from consuming and waits out one in progress.
void detach() {
    output.detached.store(true);
    while (output.inCallback.load())
        std::this_thread::sleep_for(DETACH_POLL);
}

// The silent pace goes on from the device's last period, so the position
// neither jumps nor loses the time the device was late.
void detachLate(Watch& watch, uint64_t now) {
    detach();
    const uint64_t lastPeriod = std::max(output.lastCallback.load(std::memory_order_relaxed), watch.graceFrom);
    watch.pace = SilentPace{lastPeriod, 1};
    watch.detachedAt = now;
    watch.state = DeviceState::STALLED;
}

void attach(Watch& watch) {
    output.fadeInNext = true;
    output.detached.store(false);
    watch.state = DeviceState::ATTACHED;
    if (watch.replacing) {
        watch.replacing = false;
        programMessage("audio device back; playing with sound");
    }
}

void loseDevice(Watch& watch, uint64_t now) {
    if (watch.state == DeviceState::ATTACHED)
        detachLate(watch, now);
    output.calls->close(output.device);
    output.device = 0;
    watch.state = DeviceState::LOST;
    watch.reopenAt = now + msToTicks(REOPEN_INTERVAL_MS);
    // Once until sound is back, however often a replacement fails.
    if (!watch.replacing)
        programMessage("audio device lost; playing in silence");
    watch.replacing = true;
}

// The replacement plays with the period the output already runs on; it
// is attached once it calls back.
void reopen(Watch& watch, uint64_t now) {
    int periodFrames = output.periodFrames;
    output.device = output.calls->open(periodFrames, false);
    if (output.device == 0) {
        watch.reopenAt = now + msToTicks(REOPEN_INTERVAL_MS);
        return;
    }
    watch.state = DeviceState::STALLED;
    watch.detachedAt = now;
}

void runSilentPace(Watch& watch, uint64_t now) {
    while (dueAt(watch.pace) <= now) {
        consumeAll(output.silentBuffer.data(), output.periodFrames, dueAt(watch.pace));
        ++watch.pace.periods;
    }
}

void runOutput() {
    for (;;) {
        const uint64_t due = turnOutput(clockNow());
        std::unique_lock<std::mutex> lock(output.wakeMutex);
        const uint64_t current = clockNow();
        const auto wait = due > current ? ticksToDuration(due - current) : std::chrono::nanoseconds(0);
        if (output.wake.wait_for(lock, wait, [] { return output.quit; }))
            return;
    }
}

}  // namespace

void deviceCallback(void*, Uint8* bytes, int length) {
    const uint64_t stamp = clockNow();
    output.inCallback.store(true);
    if (output.detached.load()) {
        std::memset(bytes, 0, static_cast<size_t>(length));
    } else {
        int16_t* out = reinterpret_cast<int16_t*>(bytes);
        consumeAll(out, length / SAMPLE_FRAME_BYTES, stamp);
        if (output.fadeInNext) {
            fadeIn(out, length / SAMPLE_FRAME_BYTES);
            output.fadeInNext = false;
        }
    }
    output.lastCallback.store(stamp, std::memory_order_relaxed);
    output.inCallback.store(false);
}

uint64_t turnOutput(uint64_t now) {
    Watch& watch = output.watch;
    // A turn this late means the whole process was stopped (a suspended job,
    // a debugger, a frozen machine), the device's callbacks with it: the
    // device is not judged on that time, and the show goes on from where it
    // stood, sound and picture together.
    if (longerThan(watch.due, now, STALL_LIMIT_MS)) {
        watch.graceFrom = now;
        watch.pace = SilentPace{now, 0};
    }
    if (watch.state == DeviceState::ATTACHED) {
        if (!output.calls->playing(output.device))
            loseDevice(watch, now);
        else if (longerThan(std::max(output.lastCallback.load(std::memory_order_relaxed), watch.graceFrom), now,
                            STALL_LIMIT_MS))
            detachLate(watch, now);
    }
    if (watch.state != DeviceState::ATTACHED)
        runSilentPace(watch, now);
    if (watch.state == DeviceState::STALLED) {
        if (!output.calls->playing(output.device))
            loseDevice(watch, now);
        else if (output.lastCallback.load(std::memory_order_relaxed) > watch.detachedAt)
            attach(watch);
    } else if (watch.state == DeviceState::LOST && now >= watch.reopenAt) {
        reopen(watch, now);
    }
    watch.due = now + msToTicks(WATCH_INTERVAL_MS);
    if (watch.state != DeviceState::ATTACHED)
        watch.due = std::min(watch.due, dueAt(watch.pace));
    return watch.due;
}

bool startOutput(bool ownThread) {
    Watch& watch = output.watch;
    watch = Watch{};
    output.device = output.calls->open(output.periodFrames, true);
    if (output.device == 0) {
        programMessage("no audio device (%s); playing in silence", SDL_GetError());
        watch.state = DeviceState::ABSENT;
    } else {
        watch.state = DeviceState::ATTACHED;
        output.detached.store(false);
    }
    output.silentBuffer.assign(static_cast<size_t>(output.periodFrames * OUTPUT_CHANNELS), 0);
    // The device's first period is awaited from now: opening may take longer
    // than a stall on a loaded machine, and that is no stall.
    const uint64_t start = clockNow();
    watch.due = start;
    watch.graceFrom = start;
    watch.pace = SilentPace{start, 0};
    output.quit = false;
    if (!ownThread)
        return true;
    try {
        output.thread = std::thread(runOutput);
    } catch (const std::system_error&) {
        stopOutput();
        return false;
    }
    return true;
}

void stopOutput() {
    {
        std::lock_guard<std::mutex> lock(output.wakeMutex);
        output.quit = true;
    }
    output.wake.notify_all();
    if (output.thread.joinable())
        output.thread.join();
    if (output.device != 0) {
        output.calls->close(output.device);
        output.device = 0;
    }
    output.calls->release();
    output.detached.store(true);
}

}  // namespace sound_internal
