#include "app/capture/audio_cutter.h"

#include <algorithm>
#include <cassert>

#include "audio/volume.h"

AudioCutter::AudioCutter(const DecodedTrack& track, const FrameSchedule& schedule)
    : track_(track), schedule_(schedule) {
    // rate / fps rounded up; the carried remainder never adds more than that.
    const uint64_t longest =
        (uint64_t{track.sampleRate} * schedule.rate.seconds + schedule.rate.frames - 1) / schedule.rate.frames;
    buffer_.resize(static_cast<size_t>(longest) * TRACK_CHANNELS);
}

const int16_t* AudioCutter::cut(uint32_t n, int volume, size_t& frames) {
    const uint64_t first = frameFirstSample(schedule_, n, track_.sampleRate);
    const uint64_t end = frameFirstSample(schedule_, n + 1, track_.sampleRate);
    frames = static_cast<size_t>(end - first);
    assert(frames * TRACK_CHANNELS <= buffer_.size());

    const int32_t level = std::clamp(volume, 0, FULL_VOLUME);
    const uint64_t available = track_.frameCount();
    const size_t heard = first >= available ? 0 : static_cast<size_t>(std::min(end, available) - first);
    for (size_t i = 0; i < heard * TRACK_CHANNELS; ++i) {
        const int32_t sample = track_.samples[static_cast<size_t>(first) * TRACK_CHANNELS + i];
        buffer_[i] = static_cast<int16_t>(sample * level / FULL_VOLUME);
    }
    std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(heard * TRACK_CHANNELS),
              buffer_.begin() + static_cast<std::ptrdiff_t>(frames * TRACK_CHANNELS), int16_t{0});
    return buffer_.data();
}
