// The front half of the sound layer, the page's and the desktop's alike, on
// an output the test scripts: what each public call hands the output, and
// the positions it answers from what the output says was heard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/sound_backend.h"
#include "audio/sound_system.h"
#include "audio/stream_music_player.h"
#include "audio/volume.h"
#include "tests/audio/audio_fixtures.h"

using namespace sound_internal;

namespace {

constexpr int RATE = 44100;
constexpr int CHANNELS = 4;
constexpr int64_t ONE_SECOND = RATE;

// A stream as the scripted output keeps it; the front half only ever hands
// the pointer back.
struct ScriptedStream {
    char name;
    int64_t heard = 0;  // what heardSince() answers
};

struct ScriptedOutput {
    std::vector<std::string> calls;
    const char* startRefusal = nullptr;
    const char* openRefusal = nullptr;
    char nextName = 'A';
    int watches = 0;
};
ScriptedOutput scripted;

ScriptedStream& scriptedOf(OutputStream& stream) { return reinterpret_cast<ScriptedStream&>(stream); }

void say(const std::string& call) { scripted.calls.push_back(call); }
std::string nameOf(OutputStream& stream) { return std::string(1, scriptedOf(stream).name); }

const char* startScripted(int, int) { return scripted.startRefusal; }
void stopScripted() { say("stop output"); }
const char* openScripted(Mp3File&, OutputStream*& opened) {
    if (scripted.openRefusal != nullptr)
        return scripted.openRefusal;
    opened = reinterpret_cast<OutputStream*>(new ScriptedStream{scripted.nextName++});
    return nullptr;
}
void closeScripted(OutputStream* stream) {
    say("close " + nameOf(*stream));
    delete &scriptedOf(*stream);
}
void playScripted(OutputStream& stream, int channel) { say("play " + nameOf(stream) + " " + std::to_string(channel)); }
void stopStreamScripted(OutputStream& stream) { say("stop " + nameOf(stream)); }
void moveScripted(OutputStream& stream, int64_t frame) {
    say("move " + nameOf(stream) + " " + std::to_string(frame));
    scriptedOf(stream).heard = 0;
}
int64_t heardScripted(OutputStream& stream) { return scriptedOf(stream).heard; }
void watchScripted() { ++scripted.watches; }
void channelScripted(int channel, int volume) {
    say("channel " + std::to_string(channel) + " " + std::to_string(volume));
}
void masterScripted(int volume) { say("master " + std::to_string(volume)); }

constexpr SoundBackend scriptedBackend() {
    SoundBackend backend{};
    backend.start = startScripted;
    backend.stop = stopScripted;
    backend.openStream = openScripted;
    backend.closeStream = closeScripted;
    backend.play = playScripted;
    backend.stopStream = stopStreamScripted;
    backend.move = moveScripted;
    backend.heardSince = heardScripted;
    backend.watch = watchScripted;
    backend.setChannelVolume = channelScripted;
    backend.setMasterVolume = masterScripted;
    return backend;
}
constexpr SoundBackend SCRIPTED_BACKEND = scriptedBackend();

class SoundFront : public ::testing::Test {
protected:
    void SetUp() override {
        scripted = ScriptedOutput{};
        soundSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
    }
    void TearDown() override {
        soundClose();
        soundSetMasterVolume(FULL_VOLUME);
    }

    // Starts the output and forgets the master volume it is handed.
    static void start() {
        ASSERT_TRUE(startSoundOn(RATE, CHANNELS, 0, SCRIPTED_BACKEND));
        calls();
    }
    static SoundStream* open() { return soundStreamOpen(sweepTrack().c_str(), 0, 0); }
    // What the output of the stream opened index-th says was heard.
    static void hear(int index, int64_t frames) { scriptedOf(registeredStream(index)).heard = frames; }
    // The calls the output got since the last look.
    static std::vector<std::string> calls() {
        std::vector<std::string> made;
        made.swap(scripted.calls);
        return made;
    }
};

using Calls = std::vector<std::string>;

TEST_F(SoundFront, AStopFreezesThePositionAndTheNextPlayMovesBackThereFirst) {
    start();
    SoundStream* a = open();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(soundStreamPlay(0, a), 0);
    hear(0, ONE_SECOND);
    EXPECT_EQ(soundStreamTimeMs(a), 1000u);
    EXPECT_TRUE(soundStreamStop(a));
    hear(0, 3 * ONE_SECOND);
    EXPECT_EQ(soundStreamTimeMs(a), 1000u) << "a stopped stream reads where it was heard";
    EXPECT_EQ(calls(), (Calls{"play A 0", "stop A"}));

    // The output went on past the frozen position: it is told to go back.
    soundStreamPlay(2, a);
    EXPECT_EQ(calls(), (Calls{"move A 44100", "play A 2"}));
    EXPECT_EQ(soundStreamTimeMs(a), 1000u);
    hear(0, ONE_SECOND / 2);
    EXPECT_EQ(soundStreamTimeMs(a), 1500u);
    EXPECT_GE(scripted.watches, 4) << "the output watches itself before each read";
}

TEST_F(SoundFront, ThePositionNeverGoesBackWhilePlayingButAMoveSetsItAnew) {
    start();
    SoundStream* a = open();
    soundStreamPlay(0, a);
    hear(0, 2 * ONE_SECOND);
    EXPECT_EQ(soundStreamTimeMs(a), 2000u);
    hear(0, ONE_SECOND);
    EXPECT_EQ(soundStreamTimeMs(a), 2000u);
    EXPECT_TRUE(soundStreamSetPosition(a, 500));
    EXPECT_EQ(soundStreamTimeMs(a), 500u);
    hear(0, ONE_SECOND / 10);
    EXPECT_EQ(soundStreamTimeMs(a), 600u);
    // A position set in ms reads back as that ms: the frame is rounded up.
    EXPECT_TRUE(soundStreamSetPosition(a, 7));
    EXPECT_EQ(soundStreamTimeMs(a), 7u);
    EXPECT_EQ(calls(), (Calls{"play A 0", "move A 22050", "move A 309"}));
}

TEST_F(SoundFront, AMoveWhileStoppedIsWhereThePlayStartsWithNoSecondMove) {
    start();
    SoundStream* a = open();
    soundStreamPlay(0, a);
    hear(0, ONE_SECOND);
    soundStreamStop(a);
    soundStreamSetPosition(a, 2000);
    EXPECT_EQ(soundStreamTimeMs(a), 2000u);
    soundStreamPlay(0, a);
    EXPECT_EQ(calls(), (Calls{"play A 0", "stop A", "move A 88200", "play A 0"}));
    EXPECT_EQ(soundStreamTimeMs(a), 2000u);
}

TEST_F(SoundFront, APlayStopsWhatPlaysOnItsChannelAndTheStreamItself) {
    start();
    SoundStream* a = open();
    SoundStream* b = open();
    soundStreamPlay(1, a);
    hear(0, ONE_SECOND);
    soundStreamPlay(1, b);
    EXPECT_EQ(calls(), (Calls{"play A 1", "stop A", "play B 1"}));
    EXPECT_EQ(soundStreamTimeMs(a), 1000u);

    // Another channel leaves B alone; playing B again restarts it where it was heard.
    soundStreamPlay(2, a);
    hear(1, ONE_SECOND / 2);
    soundStreamPlay(1, b);
    EXPECT_EQ(calls(), (Calls{"move A 44100", "play A 2", "stop B", "move B 22050", "play B 1"}));
    EXPECT_EQ(soundStreamTimeMs(b), 500u);
    EXPECT_EQ(soundStreamPlay(CHANNELS, a), -1);
    EXPECT_EQ(soundStreamPlay(-1, a), -1);
    EXPECT_TRUE(calls().empty()) << "a channel that does not exist changes nothing";
}

TEST_F(SoundFront, VolumesReadBackAsSetAndTheOutputGetsEachChange) {
    soundSetMasterVolume(100);
    EXPECT_EQ(soundChannelVolume(0), -1) << "no channels before the output starts";
    ASSERT_TRUE(startSoundOn(RATE, CHANNELS, 0, SCRIPTED_BACKEND));
    EXPECT_EQ(soundChannelVolume(CHANNELS - 1), FULL_VOLUME);
    EXPECT_TRUE(soundSetChannelVolume(3, 300));
    EXPECT_EQ(soundChannelVolume(3), 300);
    EXPECT_FALSE(soundSetChannelVolume(CHANNELS, 10));
    soundSetMasterVolume(-5);
    EXPECT_EQ(soundMasterVolume(), -5);
    EXPECT_EQ(calls(), (Calls{"master 100", "channel 3 300", "master -5"}));

    soundClose();
    EXPECT_EQ(soundChannelVolume(3), -1);
    EXPECT_EQ(soundMasterVolume(), -5) << "the master volume is the process's";
}

TEST_F(SoundFront, CloseStopsTheOutputBeforeItsStreamsAndLeavesDeadHandlesHarmless) {
    start();
    SoundStream* a = open();
    SoundStream* b = open();
    soundStreamPlay(0, a);
    calls();
    soundClose();
    EXPECT_EQ(calls(), (Calls{"stop output", "close A", "close B"}));
    EXPECT_EQ(soundStreamPlay(0, b), -1);
    EXPECT_FALSE(soundStreamStop(a));
    EXPECT_FALSE(soundStreamSetPosition(a, 10));
    EXPECT_EQ(soundStreamTimeMs(a), 0u);
    EXPECT_TRUE(calls().empty());
}

TEST_F(SoundFront, WhatTheOutputRefusesIsTheLastErrorAndLeavesNothingOpen) {
    scripted.startRefusal = "no output here";
    EXPECT_FALSE(startSoundOn(RATE, CHANNELS, 0, SCRIPTED_BACKEND));
    EXPECT_STREQ(soundLastError(), "no output here");
    EXPECT_EQ(soundChannelVolume(0), -1);

    scripted.startRefusal = nullptr;
    start();
    scripted.openRefusal = NO_MP3_DATA;
    EXPECT_EQ(open(), nullptr);
    EXPECT_STREQ(soundLastError(), NO_MP3_DATA);
    EXPECT_EQ(registeredCount(), 0);
    // The file is checked before the output sees it.
    scripted.openRefusal = nullptr;
    EXPECT_EQ(soundStreamOpen(textFile().c_str(), 0, 0), nullptr);
    EXPECT_STREQ(soundLastError(), NO_MP3_DATA);
    EXPECT_NE(open(), nullptr);
    EXPECT_EQ(registeredCount(), 1);
}

}  // namespace
