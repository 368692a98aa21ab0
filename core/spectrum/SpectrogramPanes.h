#pragma once

#include "core/spectrum/FrameSource.h"

#include <string>
#include <vector>

// Stereo spectrograms: which channel each pane shows, how the panes share the picture's rows, and
// the data of several panes in one CSV file.
namespace kaldorium {

class Spectrogram;

// The channel choice of a spectrogram view: one channel, the mean of all, or the left and right
// channels side by side in two panes that share the time axis.
enum class ChannelChoice : int {
    Left = 0,
    Right = 1,
    Sum = 2,
    SideBySide = 3,
};

// The channels of the panes from the top: one pane, or the left above the right for side by side
// on a recording with two or more channels. A mono recording shows its one channel in one pane
// whatever the choice, as a single channel would.
std::vector<FrameChannel> PaneChannels(ChannelChoice choice, int channels);

// "Left", "Right" or "Sum".
const char *ChannelName(FrameChannel channel);

// Rows [top, top + height) of a pane.
struct PaneRows {
    int top = 0;
    int height = 1;
};

// Stacks `panes` panes of equal height (at least one row each) in the rows [top, top + height),
// `gap` rows apart; a row the division leaves over stays empty below the last pane, so that
// every pane holds the same cells.
std::vector<PaneRows> StackPanes(int top, int height, int panes, int gap);

// The top of the level range a picture of several panes starts with: the loudest pane's
// DefaultDbTop, so one colour means one level in every pane.
double DefaultDbTop(const std::vector<const Spectrogram *> &panes);

// Writes the levels of several computed panes of the same time and frequency range as
// comma-separated text, lines ending in CR LF: a heading "Channel,Time (s) \ Frequency (Hz)"
// followed by the middle frequency of every row from the lowest up, then the columns of each pane
// in turn, each line starting with the pane's channel name (as WriteSpectrogramCsv writes the
// rest). False when the panes do not match or the file cannot be written completely.
bool WriteSpectrogramPanesCsv(const std::string &path,
                              const std::vector<const Spectrogram *> &panes,
                              const std::vector<FrameChannel> &channels);

} // namespace kaldorium
