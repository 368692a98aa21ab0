#include "core/spectrum/SpectrogramExport.h"

#include "core/common/NumberText.h"
#include "core/spectrum/Spectrogram.h"
#include "core/spectrum/SpectrogramPanes.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace kaldorium {

namespace {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

} // namespace

namespace {

// The heading: `first` followed by the middle frequency of every row from the lowest up.
std::string Heading(std::string first, const Spectrogram &spectrogram) {
    for (int y = spectrogram.Settings().height - 1; y >= 0; --y) {
        first += ',';
        first += FormatGeneral(spectrogram.FrequencyAt(y + 0.5), 9);
    }
    first += "\r\n";
    return first;
}

// One line per column: `prefix`, the time of the column's middle and its levels.
bool WriteColumns(std::FILE *file, const Spectrogram &spectrogram, const std::string &prefix) {
    const int W = spectrogram.Settings().width;
    const int H = spectrogram.Settings().height;
    bool ok = true;
    std::string line;
    for (int x = 0; x < W && ok; ++x) {
        line = prefix;
        line += FormatGeneral(spectrogram.SecondsAt(x + 0.5), 9);
        for (int y = H - 1; y >= 0; --y) {
            line += ',';
            line += FormatDecimals(static_cast<double>(spectrogram.Level(x, y)), 2);
        }
        line += "\r\n";
        ok = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    }
    return ok;
}

} // namespace

bool WriteSpectrogramCsv(const std::string &path, const Spectrogram &spectrogram) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
    }
    const std::string heading = Heading("Time (s) \\ Frequency (Hz)", spectrogram);
    bool ok = std::fwrite(heading.data(), 1, heading.size(), file.get()) == heading.size();
    ok = ok && WriteColumns(file.get(), spectrogram, std::string());
    return std::fclose(file.release()) == 0 && ok;
}

bool WriteSpectrogramPanesCsv(const std::string &path,
                              const std::vector<const Spectrogram *> &panes,
                              const std::vector<FrameChannel> &channels) {
    if (panes.empty() || panes.size() != channels.size() ||
        std::find(panes.begin(), panes.end(), nullptr) != panes.end()) {
        return false;
    }
    const SpectrogramSettings &first = panes.front()->Settings();
    for (const Spectrogram *pane : panes) {
        // One heading serves every pane only when their rows and columns are the same.
        if (pane->Settings().width != first.width || pane->Settings().height != first.height) {
            return false;
        }
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
    }
    const std::string heading = Heading("Channel,Time (s) \\ Frequency (Hz)", *panes.front());
    bool ok = std::fwrite(heading.data(), 1, heading.size(), file.get()) == heading.size();
    for (std::size_t i = 0; i < panes.size() && ok; ++i) {
        std::string prefix = ChannelName(channels[i]);
        prefix += ',';
        ok = WriteColumns(file.get(), *panes[i], prefix);
    }
    return std::fclose(file.release()) == 0 && ok;
}

} // namespace kaldorium
