#include "core/spectrum/SpectrogramPanes.h"

#include "core/spectrum/ColourMap.h"
#include "core/spectrum/Spectrogram.h"

#include <algorithm>

namespace kaldorium {

std::vector<FrameChannel> PaneChannels(ChannelChoice choice, int channels) {
    switch (choice) {
    case ChannelChoice::Right:
        return {FrameChannel::Right};
    case ChannelChoice::Sum:
        return {FrameChannel::Sum};
    case ChannelChoice::SideBySide:
        if (channels >= 2) {
            return {FrameChannel::Left, FrameChannel::Right};
        }
        return {FrameChannel::Left};
    case ChannelChoice::Left:
        break;
    }
    return {FrameChannel::Left};
}

const char *ChannelName(FrameChannel channel) {
    switch (channel) {
    case FrameChannel::Right:
        return "Right";
    case FrameChannel::Sum:
        return "Sum";
    case FrameChannel::Left:
        break;
    }
    return "Left";
}

std::vector<PaneRows> StackPanes(int top, int height, int panes, int gap) {
    panes = std::max(panes, 1);
    gap = std::max(gap, 0);
    const int each = std::max((height - gap * (panes - 1)) / panes, 1);
    std::vector<PaneRows> rows(static_cast<std::size_t>(panes));
    for (int i = 0; i < panes; ++i) {
        rows[static_cast<std::size_t>(i)].top = top + i * (each + gap);
        rows[static_cast<std::size_t>(i)].height = each;
    }
    return rows;
}

double DefaultDbTop(const std::vector<const Spectrogram *> &panes) {
    bool any = false;
    double top = 0.0;
    for (const Spectrogram *pane : panes) {
        if (pane != nullptr && pane->MaxLevel() > kSilenceLevel) {
            top = any ? std::max(top, pane->DefaultDbTop()) : pane->DefaultDbTop();
            any = true;
        }
    }
    return top;
}

} // namespace kaldorium
