#pragma once

#include "core/spectrum/ColourMap.h"
#include "core/spectrum/FrameSource.h"
#include "core/spectrum/Transforms.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The spectrogram: levels in dB over time and frequency as a picture of W × H cells. Blocks of N
// frames, hop frames apart, are weighted with a window and transformed by the FFT; the level of
// bin k of a block is 20·log10((2/N)·|X[k]|), the scale of the averaged spectrum, so a steady
// tone's level here is its averaged level there. The memory held depends on the picture and on
// N, never on the recording's length.
namespace kaldorium {

// Overlap of consecutive blocks: 0, 50, 75 or 87.5 % of N.
enum class Overlap : int {
    None = 0,
    Half = 1,
    ThreeQuarters = 2,
    SevenEighths = 3,
};

// Frames from one block's start to the next: N, N/2, N/4 or N/8, at least 1.
int HopLength(int N, Overlap overlap);

struct SpectrogramSettings {
    // Block length: a power of two, 2 … 1024 (others are raised to the next one).
    int N = 512;
    WindowKind kind = WindowKind::Hamming;
    Overlap overlap = Overlap::ThreeQuarters;
    // The time shown: frames [fromFrame, toFrame); toFrame < 0, or beyond S, means S. A range
    // that is empty after that shows the whole recording.
    long long fromFrame = 0;
    long long toFrame = -1;
    // The frequencies shown, Hz; toHz ≤ 0, or beyond fs/2, means fs/2. A range that is empty
    // after that shows 0 … fs/2. The logarithmic axis starts at bin 1 (fs/N) at the lowest.
    double fromHz = 0.0;
    double toHz = -1.0;
    bool logFrequency = false;
    // Cells of the picture, 1 … kMaxSpectrogramWidth across and 1 … kMaxSpectrogramHeight up.
    int width = 1200;
    int height = 400;
    // 1 or 2: blocks are transformed on this many threads; the levels do not depend on it.
    int threads = 2;
};

inline constexpr int kMaxSpectrogramWidth = 8192;
inline constexpr int kMaxSpectrogramHeight = 4096;

enum class SpectrogramOutcome {
    Ready,
    // The recording holds fewer frames than one block (or has no sample rate): no picture.
    TooShort,
};

// Computes the picture column by column, left to right, in steps the caller drives.
//
// Column x covers frames [from + L·x/W, from + L·(x+1)/W) of the time range (L frames long).
// The blocks of the hop grid (starts 0, hop, 2·hop, … while a whole block fits) belong to the
// column that holds their middle frame. A column holding none, as when zoomed in, gets one block
// of its own, centred on the column's middle frame, so every column shows a block of its own
// time and none is a stretched copy of its neighbour. Row r, counted from the bottom, covers
// the frequencies [e(r), e(r+1)) of its edges, equally spaced or in equal ratios; it takes the
// bins whose frequency k·fs/N lies there, or the nearest bin when none does.
//
// Several blocks in one column, and several bins in one row, combine by their maximum power:
// an averaged cell would hide a click among the eighty blocks a column of a long recording
// holds, and a thin line among the bins of a high row of the logarithmic axis. For a steady
// signal the maximum is its level.
class Spectrogram {
public:
    Spectrogram();
    ~Spectrogram();
    Spectrogram(const Spectrogram &) = delete;
    Spectrogram &operator=(const Spectrogram &) = delete;

    // Holds the settings to their limits (see Settings()), fills the picture with silence and
    // positions nothing yet. The source must stay alive until the picture is finished or
    // Start is called again.
    SpectrogramOutcome Start(FrameSource &frames, const SpectrogramSettings &settings);
    // Computes up to `count` further columns; returns the columns done so far.
    int Step(int count);

    bool Finished() const { return columnsDone >= held.width; }
    int ColumnsDone() const { return columnsDone; }
    // The settings in use, after holding.
    const SpectrogramSettings &Settings() const { return held; }
    std::uint32_t SampleRate() const { return sampleRate; }
    long long FrameCount() const { return frameCount; }
    int Hop() const { return hop; }

    // Level in dB of cell (x, y), y = 0 being the top row (the highest frequencies); cells of
    // columns not yet computed hold kSilenceLevel.
    float Level(int x, int y) const {
        return levels[static_cast<std::size_t>(y) * static_cast<std::size_t>(held.width) +
                      static_cast<std::size_t>(x)];
    }
    // All cells, row after row from the top, width cells each.
    const std::vector<float> &Levels() const { return levels; }

    // The largest level of any bin 0 … N/2 of any block transformed since Start; kSilenceLevel
    // before that. Over the whole recording it is the recording's maximum level.
    double MaxLevel() const;
    // The top of the level range a picture starts with: MaxLevel, or 0 dB when nothing was
    // louder than silence (so that silence shows in the lowest colour).
    double DefaultDbTop() const;
    // Blocks transformed since Start.
    long long Transforms() const { return transforms; }

    // The axes, for cursors and exports. x runs 0 … width from the left edge, y 0 … height from
    // the top edge; a cell's middle is at x + 0.5, y + 0.5.
    double SecondsAt(double x) const;
    double FrequencyAt(double y) const;

    // Bytes of every buffer the object holds.
    std::size_t BufferBytes() const;

    struct Work;

private:
    void HoldSettings(const SpectrogramSettings &settings);
    void PrepareRows();
    bool NextJob(int lastColumn, long long &start, int &column, bool &closes);
    void FinishColumn(int x);

    SpectrogramSettings held;
    FrameSource *frames = nullptr;
    std::uint32_t sampleRate = 0;
    long long frameCount = 0;
    int hop = 1;
    long long gridBlocks = 0;
    int columnsDone = 0;
    long long transforms = 0;
    double maxPower = 0.0;
    std::vector<float> levels;
    // The bins of row r (from the bottom): rowFirst[r] … rowLast[r].
    std::vector<int> rowFirst;
    std::vector<int> rowLast;
    std::unique_ptr<Work> work;
};

// Paints the cells into `pixels` (width × height words, rows from the top) in their colours.
void PaintSpectrogram(const Spectrogram &spectrogram, const LevelColours &colours,
                      std::uint32_t *pixels);

} // namespace kaldorium
