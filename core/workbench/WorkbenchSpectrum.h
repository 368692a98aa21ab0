#pragma once

#include "core/signal/Oscillatorclass.h"
#include "core/spectrum/Transforms.h"
#include "core/workbench/FilterStage.h"
#include "core/workbench/Runs.h"

namespace kaldorium {

class Canvas;
class DataFileWriter;
class Oscilloscope;

// The line spectrum of the workbench's input (and of the filter's output): blocks of L samples
// holding exactly one oscillator period, so bin j is the j-th harmonic j·f. The source is run for
// a number of passes so that the filter has settled; the last block is transformed without a
// window and drawn as one narrow spike per harmonic.
class WorkbenchSpectrum {
public:
    enum class Kind { Input, InputAndOutput };

    static constexpr int InputPasses = 20;
    static constexpr int FilterPasses = 100;

    // L = N, at most 1024; for the fast transform the next power of two.
    WorkbenchSpectrum(Kind kind, TransformKind transform, RunContext context);

    // Produces the next `count` samples of the passes (fewer at the end).
    void Step(int count);
    bool SamplesDone() const { return produced >= passes * length; }

    // Transforms the last block into the spectra, magnitudes and peaks.
    void Transform();

    // Binds the display to 0 … f·L/2 and 0 … the peak × 2/L and draws the spikes at the current
    // frequency and shifts, input black (and output red), then the axis caption.
    void Plot(Oscilloscope &scope, Canvas *canvas) const;

    // The frequency-domain rows of bins 0 … L−1 into an open output file.
    void WriteRows(DataFileWriter &writer) const;

    Kind kind;
    TransformKind transform;
    int length; // L
    int passes; // 20 or 100
    long long produced = 0;

    ComplexSample x[kMaxTransformLength] = {};
    ComplexSample y[kMaxTransformLength] = {};
    ComplexSample inSpectrum[kMaxTransformLength] = {};
    ComplexSample outSpectrum[kMaxTransformLength] = {};
    double inMagnitude[kMaxTransformLength] = {};
    double outMagnitude[kMaxTransformLength] = {};
    double inPeak = 0.0;
    double outPeak = 0.0;

private:
    RunContext context;
    InputSignalSource source;
    FilterStage stage;
};

} // namespace kaldorium
