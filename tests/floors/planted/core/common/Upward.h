#pragma once

// The floor check must refuse this: the lowest floor reaching up to the audio folder.
#include "core/audio/WaveFile.h"
