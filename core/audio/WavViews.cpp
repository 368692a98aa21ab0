#include "core/audio/WavViews.h"

#include "core/common/Random.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/tools/FilterNetwork.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <system_error>

namespace kaldorium {

namespace {} // namespace

bool IsConvertiblePcm(const WaveFile &file) {
    return PcmRefusal(file) == nullptr;
}

const char *PcmRefusal(const WaveFile &file) {
    if (file.formatTag != 1 || (file.bitsPerSample != 8 && file.bitsPerSample != 16)) {
        return kOnlyPcmText;
    }
    if (file.channels < 1 || file.blockAlign < 1 || file.sampleRate < 1) {
        return kDamagedFormatText;
    }
    return nullptr;
}

std::uint32_t SampleFrames(const WaveFile &file) {
    return file.blockAlign == 0 ? 0u : file.dataBytes / file.blockAlign;
}

double DurationSeconds(const WaveFile &file) {
    return file.byteRate == 0
               ? 0.0
               : static_cast<double>(file.dataBytes) / static_cast<double>(file.byteRate);
}

bool SameFile(const std::string &a, const std::string &b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    if (a == b) {
        return true;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) {
        const bool same = fs::equivalent(a, b, error);
        return !error && same;
    }
    const fs::path left = fs::weakly_canonical(fs::absolute(a, error), error);
    const fs::path right = fs::weakly_canonical(fs::absolute(b, error), error);
    return !error && left == right;
}

// ---------------------------------------------------------------------------------------------

WavFilterChain::WavFilterChain(const WavSettings &settings_, NoiseGenerator &noise_,
                               FilterNetwork &network_)
    : settings(settings_), noise(noise_),
      network(network_), filters{Filter(fkBandPass),       Filter(fkBandReject),
                                 Filter(fkHighPass),       Filter(fkLowPass),
                                 Filter(fkHighPass4th),    Filter(fkLowPass4th),
                                 Filter(fkDifferentiator), Filter(fkIntegrator)} {}

double WavFilterChain::Condition(double x) {
    return ConditionSample(x, settings, noise);
}

double WavFilterChain::Filtered(double x) {
    const double ts = settings.samplingPeriod;
    switch (settings.filterKind) {
    case fkDifferentiator:
        // Unit gain at half the sampling rate: y = (x − x1)/Ts · Ts/π
        return filters[fkDifferentiator].Differentiate(x, ts) * ts / std::numbers::pi;
    case fkIntegrator:
        return filters[fkIntegrator].Integrate(false, x, ts) * std::numbers::pi / ts;
    case fkNetwork:
        return network.ProcessSample(x, ts, std::numbers::pi / ts);
    case fkBandPass:
    case fkBandReject:
    case fkHighPass:
    case fkLowPass:
    case fkHighPass4th:
    case fkLowPass4th:
        return filters[settings.filterKind].Process(settings.filterFrequency, settings.qFactor,
                                                    settings.amplification, ts, x);
    default:
        return filters[fkBandPass].Process(settings.filterFrequency, settings.qFactor,
                                           settings.amplification, ts, x);
    }
}

// ---------------------------------------------------------------------------------------------

WavView::WavView(Kind kind_, const WavSettings &settings_, NoiseGenerator &noise,
                 FilterNetwork &network, Oscilloscope &scope_)
    : kind(kind_), settings(settings_), scope(scope_), chain(settings_, noise, network) {
    if (kind == Kind::Test) {
        network.ClearStages();
    }
}

void WavView::Close() {
    primary.CloseFile();
    secondary.CloseFile();
}

bool WavView::Finish(End reason) {
    ended = reason;
    Close();
    return false;
}

void WavView::StartPage() {
    time = 0.0;
    frame = 0;
    scope.sweepOffset = 0.0;
    scope.SetRanges(0.0, settings.timeScale, -1.0, 1.0);
}

bool WavView::OpenInput() {
    openedName = settings.inputFileName;
    if (!primary.OpenForReading(openedName) || !IsConvertiblePcm(primary)) {
        return false;
    }
    frames = SampleFrames(primary);
    durationMs = DurationSeconds(primary) * 1000.0;
    return frames > 0;
}

bool WavView::Open() {
    opened = true;
    switch (kind) {
    case Kind::Input:
    case Kind::Test:
        if (!OpenInput()) {
            return Finish(End::CannotOpen);
        }
        break;
    case Kind::Output:
        if (!primary.OpenForReading(settings.outputFileName) || !IsConvertiblePcm(primary) ||
            SampleFrames(primary) == 0) {
            return Finish(End::CannotOpen);
        }
        frames = SampleFrames(primary);
        durationMs = DurationSeconds(primary) * 1000.0;
        outputTs = 1.0 / primary.sampleRate;
        break;
    case Kind::Joint:
        if (!primary.OpenForReading(settings.inputFileName) || !IsConvertiblePcm(primary) ||
            !secondary.OpenForReading(settings.outputFileName) || !IsConvertiblePcm(secondary)) {
            return Finish(End::CannotOpen);
        }
        if (1.0 / primary.sampleRate != 1.0 / secondary.sampleRate) {
            return Finish(End::NotComparable);
        }
        frames = std::min(SampleFrames(primary), SampleFrames(secondary));
        durationMs = std::min(DurationSeconds(primary), DurationSeconds(secondary)) * 1000.0;
        if (frames == 0) {
            return Finish(End::CannotOpen);
        }
        break;
    }
    StartPage();
    return true;
}

bool WavView::Rewind() {
    if (!(durationMs > settings.timeScale)) {
        return Finish(End::Finished);
    }
    if (!primary.RewindToSamples() || (kind == Kind::Joint && !secondary.RewindToSamples())) {
        return Finish(End::CannotOpen);
    }
    ++rewinds;
    StartPage();
    return true;
}

double WavView::Read(WaveFile &file) {
    // A damaged file may end before its sample count: such samples read as silence.
    double v = 0.0;
    if (!file.ReadValue(v)) {
        v = 0.0;
    }
    return v;
}

void WavView::Skip(WaveFile &file, int values) {
    for (int i = 0; i < values; ++i) {
        Read(file);
    }
}

bool WavView::Step(int count) {
    if (ended != End::Running) {
        return false;
    }
    if (!opened) {
        if (!Open()) {
            return false;
        }
    } else if ((kind == Kind::Input || kind == Kind::Test) &&
               settings.inputFileName != openedName) {
        // Another input was chosen: the loop goes on with it from its start.
        if (!OpenInput()) {
            return Finish(End::CannotOpen);
        }
        StartPage();
    }

    const int channels1 = primary.channels;
    const int channels2 = secondary.channels;
    for (int i = 0; i < count; ++i) {
        if (frame >= frames && !Rewind()) {
            return false;
        }
        const WavSettings &s = settings;
        double v1 = 0.0;
        double v2 = 0.0;
        double ts = s.samplingPeriod;
        switch (kind) {
        case Kind::Input:
            v1 = chain.Condition(Read(primary));
            v2 = chain.Condition(channels1 >= 2 ? Read(primary) : 0.0);
            Skip(primary, channels1 - 2);
            break;
        case Kind::Output:
            v1 = Read(primary);
            v2 = channels1 >= 2 ? Read(primary) : 0.0;
            Skip(primary, channels1 - 2);
            ts = outputTs;
            break;
        case Kind::Joint:
            v1 = Read(primary);
            Skip(primary, channels1 - 1);
            v2 = Read(secondary);
            Skip(secondary, channels2 - 1);
            break;
        case Kind::Test:
            v1 = chain.Condition(Read(primary));
            Skip(primary, channels1 - 1);
            v2 = chain.Filtered(v1);
            break;
        }
        trace1 = v1;
        trace2 = v2;
        scope.traceShift[0] = s.signal1Shift;
        scope.traceShift[1] = s.signal2Shift;
        scope.PlotSweep(time, v1 + s.signal1Shift, v2 + s.signal2Shift, 0.0, s.timeScale,
                        s.signal1Scale, s.signal2Scale);
        time += ts * 1000.0;
        ++frame;
        ++samples;
    }
    return true;
}

} // namespace kaldorium
