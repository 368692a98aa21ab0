#include "core/workbench/WorkbenchSpectrum.h"

#include "core/signal/Canvas.h"
#include "core/signal/Oscilloscopeclass.h"
#include "core/workbench/DataFiles.h"

#include <algorithm>

namespace kaldorium {

namespace {

int BlockLength(int samplesPerCycle, TransformKind transform) {
    const int l = std::min(samplesPerCycle, kMaxTransformLength);
    return transform == TransformKind::FFT ? FFTLength(l) : l;
}

} // namespace

WorkbenchSpectrum::WorkbenchSpectrum(Kind kind_, TransformKind transform_, RunContext context_)
    : kind(kind_), transform(transform_),
      length(BlockLength(context_.settings.samplesPerCycle, transform_)),
      passes(kind_ == Kind::Input ? InputPasses : FilterPasses), context(context_),
      source(context_.noise), stage(context_.designer, context_.network) {}

void WorkbenchSpectrum::Step(int count) {
    WorkbenchSettings &s = context.settings;
    for (int i = 0; i < count && !SamplesDone(); ++i) {
        const int k = static_cast<int>(produced % length);
        // The synthetic waveforms make one period of L samples; the data file keeps its own N.
        const double sample = source.NextSample(s, length);
        x[k] = {sample, 0.0};
        if (kind == Kind::InputAndOutput) {
            // Ts_L = (1/f)/L
            const double tsBlock = (1.0 / s.frequency) / length;
            y[k] = {stage.ProcessKeyed(sample, s, tsBlock, s.frequency, s.waveform), 0.0};
        }
        ++produced;
    }
}

void WorkbenchSpectrum::Transform() {
    const bool fast = transform == TransformKind::FFT;
    auto transformBlock = [&](ComplexSample *samples, ComplexSample *spectrum, double *magnitude,
                              double &peak) {
        if (fast) {
            ComputeFFT(WindowKind::NoWindow, length, samples, spectrum, magnitude, peak);
        } else {
            ComputeDFT(WindowKind::NoWindow, length, samples, spectrum, magnitude, peak);
        }
    };
    transformBlock(x, inSpectrum, inMagnitude, inPeak);
    if (kind == Kind::InputAndOutput) {
        transformBlock(y, outSpectrum, outMagnitude, outPeak);
    }
}

void WorkbenchSpectrum::Plot(Oscilloscope &scope, Canvas *canvas) const {
    const WorkbenchSettings &s = context.settings;
    const double f = s.frequency;
    // A sine of amplitude A gives M[1] = A·L/2: K = 2/L shows it as A.
    const double k = 2.0 / length;
    const bool both = kind == Kind::InputAndOutput;
    const double peak = (both ? std::max(inPeak, outPeak) : inPeak) * k;
    scope.Bind(canvas, 0.0, f / k, 0.0, peak);
    const double black = s.signal1Shift;
    const double red = s.signal2Shift;
    scope.traceShift[0] = black;
    scope.traceShift[1] = red;
    for (int j = 0; j < length / 2; ++j) {
        const double bin = j;
        if (both) {
            scope.PlotPair((bin - 0.1) * f, black, red);
            scope.PlotPair(bin * f, inMagnitude[j] * k + black, outMagnitude[j] * k + red);
            scope.PlotPair((bin + 0.1) * f, black, red);
        } else {
            scope.PlotPoint((bin - 0.1) * f, black);
            scope.PlotPoint(bin * f, inMagnitude[j] * k + black);
            scope.PlotPoint((bin + 0.1) * f, black);
        }
    }
    canvas->TextOut(canvas->Width() / 2 - 20, canvas->Height() - 15, "Frequency (Hz)");
}

void WorkbenchSpectrum::WriteRows(DataFileWriter &writer) const {
    for (int k = 0; k < length; ++k) {
        if (kind == Kind::InputAndOutput) {
            writer.WriteFrequencyRow(k, x[k].re, inMagnitude[k], y[k].re, outMagnitude[k]);
        } else {
            writer.WriteFrequencyRow(k, x[k].re, inMagnitude[k]);
        }
    }
}

} // namespace kaldorium
