// Channel and master volumes run from 0 (silent) to FULL_VOLUME.
#pragma once

constexpr int FULL_VOLUME = 255;
