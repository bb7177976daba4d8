// The one file the web page streams in, the music, as far as it has
// arrived: the web sound layer decodes a stream only while enough of its
// file lies ahead of the decoder, and a move waits until the bytes at its
// target are in, so that a half-downloaded file never reads as the track's
// end. Until the page reports a first part, every file counts as complete.
#pragma once

#include <cstdint>

namespace sound_input {

// bytes of the file are in; complete once the download has ended.
void streamedBytesIn(int64_t bytes, bool complete);
// Whether a playing stream has run out of sound and waits for the file.
bool waitingForInput();

}  // namespace sound_input
