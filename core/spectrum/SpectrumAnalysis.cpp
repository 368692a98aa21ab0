#include "core/spectrum/SpectrumAnalysis.h"

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#if defined(__x86_64__)
#include <immintrin.h>
#include <numbers>
#endif

// This file is compiled with -ffp-contract=off: a fused multiply-add rounds once where Horner's
// rule in ComputeDFT rounds twice, and the bins must stay identical to it.

namespace kaldorium {

namespace {

constexpr int kStride = kMaxTransformLength;
constexpr int kBins = MultiBinDFT::kBinsPerPass;

// One pass of Horner's rule over the block for kBins neighbouring bins with twiddles (wr, wi):
// re' = re·wr − im·wi + x[n].re, im' = re·wi + im·wr + x[n].im, from n = N−2 down to 0.
void HornerPass(int N, const double *xr, const double *xi, const double *wr, const double *wi,
                double *outRe, double *outIm) {
    double re[kBins];
    double im[kBins];
    for (int j = 0; j < kBins; ++j) {
        re[j] = xr[N - 1];
        im[j] = xi[N - 1];
    }
    for (int n = N - 2; n >= 0; --n) {
        for (int j = 0; j < kBins; ++j) {
            const double t = re[j] * wr[j] - im[j] * wi[j] + xr[n];
            im[j] = re[j] * wi[j] + im[j] * wr[j] + xi[n];
            re[j] = t;
        }
    }
    std::copy_n(re, kBins, outRe);
    std::copy_n(im, kBins, outIm);
}

#if defined(__x86_64__)
// The same pass in four 4-lane registers per part. Only plain multiplies, subtractions and
// additions, in the order of the scalar pass, so each lane rounds exactly as it does.
__attribute__((target("avx"))) void HornerPassAvx(int N, const double *xr, const double *xi,
                                                  const double *wr, const double *wi, double *outRe,
                                                  double *outIm) {
    constexpr int kLanes = 4;
    constexpr int kVectors = kBins / kLanes;
    __m256d re[kVectors];
    __m256d im[kVectors];
    __m256d vr[kVectors];
    __m256d vi[kVectors];
#pragma GCC unroll 4
    for (int v = 0; v < kVectors; ++v) {
        re[v] = _mm256_set1_pd(xr[N - 1]);
        im[v] = _mm256_set1_pd(xi[N - 1]);
        vr[v] = _mm256_loadu_pd(wr + kLanes * v);
        vi[v] = _mm256_loadu_pd(wi + kLanes * v);
    }
    for (int n = N - 2; n >= 0; --n) {
        const __m256d xrn = _mm256_broadcast_sd(xr + n);
        const __m256d xin = _mm256_broadcast_sd(xi + n);
#pragma GCC unroll 4
        for (int v = 0; v < kVectors; ++v) {
            const __m256d t = _mm256_add_pd(
                _mm256_sub_pd(_mm256_mul_pd(re[v], vr[v]), _mm256_mul_pd(im[v], vi[v])), xrn);
            im[v] = _mm256_add_pd(
                _mm256_add_pd(_mm256_mul_pd(re[v], vi[v]), _mm256_mul_pd(im[v], vr[v])), xin);
            re[v] = t;
        }
    }
#pragma GCC unroll 4
    for (int v = 0; v < kVectors; ++v) {
        _mm256_storeu_pd(outRe + kLanes * v, re[v]);
        _mm256_storeu_pd(outIm + kLanes * v, im[v]);
    }
}

using PassFunction = void (*)(int, const double *, const double *, const double *, const double *,
                              double *, double *);
PassFunction ChoosePass() {
    return __builtin_cpu_supports("avx") ? HornerPassAvx : HornerPass;
}
#else
using PassFunction = void (*)(int, const double *, const double *, const double *, const double *,
                              double *, double *);
PassFunction ChoosePass() {
    return HornerPass;
}
#endif

// Rows of N samples transformed together; two batches alternate, one read while the other is
// transformed.
constexpr int kRowsPerBatch = 32;

struct Batch {
    std::array<double, kRowsPerBatch * kStride> samples{};
    std::array<double, kRowsPerBatch * kStride> magnitudes{};
    int rows = 0;
};

// The magnitudes of one row, by the direct DFT or the FFT.
class RowTransform {
public:
    RowTransform(bool fft_, WindowKind kind_, int N_) : fft(fft_), kind(kind_), N(N_) {
        if (!fft) {
            dft.Prepare(kind, N);
        }
    }

    void operator()(const double *x, double *M) const {
        if (fft) {
            ComplexSample block[kMaxTransformLength];
            ComplexSample X[kMaxTransformLength];
            double P = 0.0;
            for (int n = 0; n < N; ++n) {
                block[n] = {x[n], 0.0};
            }
            ComputeFFT(kind, N, block, X, M, P);
        } else {
            dft.Transform(x, nullptr, M);
        }
    }

private:
    bool fft;
    WindowKind kind;
    int N;
    MultiBinDFT dft;
};

// Transforms the rows of a batch on this thread and, with two threads, on one helper that lives
// as long as the pipeline. Rows are handed out one at a time; each row's magnitudes land in its
// own place, so the caller sums them in block order whichever thread computed them.
class Pipeline {
public:
    Pipeline(const RowTransform &transform_, int threads) : transform(transform_) {
        if (threads > 1) {
            helper = std::thread([this] { HelperLoop(); });
        }
    }

    ~Pipeline() {
        if (helper.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                quit = true;
            }
            wake.notify_one();
            helper.join();
            // The flags are per thread: a fault on the helper reaches the caller's check here.
            if (helperFlags != 0) {
                std::feraiseexcept(helperFlags);
            }
        }
    }

    Pipeline(const Pipeline &) = delete;
    Pipeline &operator=(const Pipeline &) = delete;

    // Transforms every row of `batch`; `meanwhile` runs first on this thread while the helper
    // starts on the rows.
    template <typename Meanwhile> void Transform(Batch &batch, Meanwhile &&meanwhile) {
        nextRow.store(0);
        if (helper.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                current = &batch;
                ++generation;
            }
            wake.notify_one();
        }
        meanwhile();
        RunRows(batch);
        if (helper.joinable()) {
            std::unique_lock<std::mutex> lock(mutex);
            done.wait(lock, [this] { return finished == generation; });
        }
    }

private:
    void RunRows(Batch &batch) {
        for (int row = nextRow.fetch_add(1); row < batch.rows; row = nextRow.fetch_add(1)) {
            const auto offset = static_cast<std::size_t>(row) * kStride;
            transform(batch.samples.data() + offset, batch.magnitudes.data() + offset);
        }
    }

    void HelperLoop() {
        std::feclearexcept(FE_ALL_EXCEPT);
        std::unique_lock<std::mutex> lock(mutex);
        long long seen = 0;
        for (;;) {
            wake.wait(lock, [&] { return quit || generation != seen; });
            if (quit) {
                break;
            }
            seen = generation;
            Batch *batch = current;
            lock.unlock();
            RunRows(*batch);
            lock.lock();
            finished = seen;
            done.notify_one();
        }
        helperFlags = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    }

    const RowTransform &transform;
    std::thread helper;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    Batch *current = nullptr;
    long long generation = 0;
    long long finished = 0;
    bool quit = false;
    int helperFlags = 0;
    std::atomic<int> nextRow{0};
};

void Accumulate(int N, const double *M, double *sum) {
    for (int i = 0; i < N; ++i) {
        sum[i] += M[i];
    }
}

// magnitude[i] = 2/(N·B) × Σ M[i]; returns the largest, strictly greater, from 0.
double Average(int N, long long B, const double *sum, double *average) {
    const double factor = 2.0 / (static_cast<double>(N) * static_cast<double>(B));
    double peak = 0.0;
    for (int i = 0; i < N; ++i) {
        average[i] = factor * sum[i];
        if (std::isgreater(average[i], peak)) {
            peak = average[i];
        }
    }
    return peak;
}

} // namespace

int SpectrumBlockLength(long long sampleCount, std::uint32_t sampleRate, bool fft) {
    if (sampleCount <= 0) {
        return 0;
    }
    const long long perHundredth = sampleRate / 100;
    long long N = sampleCount < perHundredth ? sampleCount : perHundredth;
    N = std::min<long long>(N, kMaxTransformLength);
    if (fft) {
        return FFTLength(static_cast<int>(N));
    }
    return static_cast<int>(N);
}

long long SpectrumBlockCount(long long sampleCount, int N) {
    return N <= 0 ? 0 : sampleCount / N + 1;
}

int LimitFromBin(int value, int to) {
    value = std::min(value, to - 19);
    return value <= 0 ? 1 : value;
}

int LimitToBin(int value, int from, int N) {
    value = std::max(value, from + 19);
    return std::min(value, N / 2);
}

// ---------------------------------------------------------------------------------------------

struct MultiBinDFT::Tables {
    // Twiddles of the bins, padded to whole passes with bins that are computed and dropped.
    alignas(32) double wr[kMaxTransformLength + kBins] = {};
    alignas(32) double wi[kMaxTransformLength + kBins] = {};
    double weight[kMaxTransformLength] = {};
    PassFunction pass = ChoosePass();
};

MultiBinDFT::MultiBinDFT() : tables(std::make_unique<Tables>()) {}
MultiBinDFT::~MultiBinDFT() = default;

void MultiBinDFT::Prepare(WindowKind kind_, int N) {
    kind = kind_;
    length = std::clamp(N, 0, kMaxTransformLength);
    Tables &t = *tables;
    std::fill(std::begin(t.wr), std::end(t.wr), 0.0);
    std::fill(std::begin(t.wi), std::end(t.wi), 0.0);
    if (length < 2) {
        return;
    }
    for (int n = 0; n < length; ++n) {
        t.weight[n] = WindowWeight(kind, n, length);
    }
    // W_k = w₁^k with w₁ = cos(2π/N) − j·sin(2π/N), as a complex power in polar form: modulus
    // |w₁|^k, argument k·arg(w₁); W_0 = 1.
    const double c = std::cos(2 * std::numbers::pi / length);
    const double s = std::sin(2 * std::numbers::pi / length);
    const double modulus = std::sqrt(c * c + s * s);
    const double argument = std::atan2(-s, c);
    for (int k = 0; k < length; ++k) {
        double wr = 1.0;
        double wi = 0.0;
        if (k > 0) {
            const double r = std::pow(modulus, k);
            wr = r * std::cos(k * argument);
            wi = r * std::sin(k * argument);
        }
        t.wr[k] = wr;
        t.wi[k] = wi;
    }
}

void MultiBinDFT::Transform(const double *x, ComplexSample *X, double *M) const {
    const int N = length;
    if (N <= 0) {
        return;
    }
    if (N == 1) {
        // A lone sample is its own spectrum, unweighted.
        const ComplexSample only{x[0], 0.0};
        if (X != nullptr) {
            X[0] = only;
        }
        M[0] = std::sqrt(only.re * only.re + only.im * only.im);
        return;
    }
    const Tables &t = *tables;
    alignas(32) double xr[kMaxTransformLength];
    alignas(32) double xi[kMaxTransformLength];
    for (int n = 0; n < N; ++n) {
        xr[n] = x[n] * t.weight[n];
        xi[n] = 0.0 * t.weight[n];
    }
    alignas(32) double re[kBins];
    alignas(32) double im[kBins];
    for (int k0 = 0; k0 < N; k0 += kBins) {
        t.pass(N, xr, xi, t.wr + k0, t.wi + k0, re, im);
        const int count = std::min(kBins, N - k0);
        for (int j = 0; j < count; ++j) {
            if (X != nullptr) {
                X[k0 + j] = {re[j], im[j]};
            }
            M[k0 + j] = std::sqrt(re[j] * re[j] + im[j] * im[j]);
        }
    }
}

// ---------------------------------------------------------------------------------------------

struct SpectrumAnalysis::Work {
    Batch batches[2];
    std::array<double, kMaxTransformLength> sum{};
};

SpectrumAnalysis::SpectrumAnalysis() : work(std::make_unique<Work>()) {}
SpectrumAnalysis::~SpectrumAnalysis() = default;

AnalysisOutcome SpectrumAnalysis::Run(FrameSource &frames, bool fft_, WindowKind kind_,
                                      const Progress &progress) {
    fft = fft_;
    kind = kind_;
    channels = frames.Channels();
    sampleRate = frames.SampleRate();
    sampleCount = frames.FrameCount();
    N = SpectrumBlockLength(sampleCount, sampleRate, fft);
    blocks = 0;
    peak = 0.0;
    magnitudes.fill(0.0);
    if (N == 0) {
        return AnalysisOutcome::TooShort;
    }
    const long long total = SpectrumBlockCount(sampleCount, N);
    work->sum.fill(0.0);

    long long blocksRead = 0;
    auto fill = [&](Batch &batch) {
        batch.rows = 0;
        while (batch.rows < kRowsPerBatch && blocksRead < total) {
            double *row = batch.samples.data() + static_cast<std::size_t>(batch.rows) * kStride;
            frames.Read(row, N);
            ++batch.rows;
            ++blocksRead;
        }
    };

    const RowTransform transform(fft, kind, N);
    Pipeline pipeline(transform, threads);
    long long done = 0;
    int current = 0;
    fill(work->batches[current]);
    while (work->batches[current].rows > 0) {
        Batch &batch = work->batches[current];
        Batch &next = work->batches[1 - current];
        pipeline.Transform(batch, [&] { fill(next); });
        for (int row = 0; row < batch.rows; ++row) {
            Accumulate(N, batch.magnitudes.data() + static_cast<std::size_t>(row) * kStride,
                       work->sum.data());
            ++done;
            if (!Report(progress, done, total)) {
                return AnalysisOutcome::Stopped;
            }
        }
        current = 1 - current;
    }
    blocks = total;
    peak = Average(N, blocks, work->sum.data(), magnitudes.data());
    return AnalysisOutcome::Done;
}

// ---------------------------------------------------------------------------------------------

struct PairedSpectrumAnalysis::Work {
    Batch batches[2];
    std::array<double, kMaxTransformLength> inputSum{};
    std::array<double, kMaxTransformLength> outputSum{};
};

PairedSpectrumAnalysis::PairedSpectrumAnalysis() : work(std::make_unique<Work>()) {}
PairedSpectrumAnalysis::~PairedSpectrumAnalysis() = default;

AnalysisOutcome PairedSpectrumAnalysis::Run(FrameSource &frames, bool fft, WindowKind kind,
                                            SpectrumSampleChain &chain, const Progress &progress) {
    sampleRate = frames.SampleRate();
    sampleCount = frames.FrameCount();
    N = SpectrumBlockLength(sampleCount, sampleRate, fft);
    blocks = 0;
    peak = 0.0;
    input.fill(0.0);
    output.fill(0.0);
    if (N == 0) {
        return AnalysisOutcome::TooShort;
    }
    const long long total = SpectrumBlockCount(sampleCount, N);
    work->inputSum.fill(0.0);
    work->outputSum.fill(0.0);

    // Each block gives two rows: the conditioned input, then the filtered input. The chain runs
    // on this thread only, in sample order, padding zeros included.
    long long blocksRead = 0;
    auto fill = [&](Batch &batch) {
        batch.rows = 0;
        while (batch.rows < kRowsPerBatch && blocksRead < total) {
            double *a = batch.samples.data() + static_cast<std::size_t>(batch.rows) * kStride;
            double *c = a + kStride;
            frames.Read(a, N);
            for (int i = 0; i < N; ++i) {
                const double x = chain.Condition(a[i]);
                a[i] = x;
                c[i] = chain.Filter(x);
            }
            batch.rows += 2;
            ++blocksRead;
        }
    };

    const RowTransform transform(fft, kind, N);
    Pipeline pipeline(transform, threads);
    long long done = 0;
    int current = 0;
    fill(work->batches[current]);
    while (work->batches[current].rows > 0) {
        Batch &batch = work->batches[current];
        Batch &next = work->batches[1 - current];
        pipeline.Transform(batch, [&] { fill(next); });
        for (int row = 0; row < batch.rows; row += 2) {
            const double *M = batch.magnitudes.data() + static_cast<std::size_t>(row) * kStride;
            Accumulate(N, M, work->inputSum.data());
            Accumulate(N, M + kStride, work->outputSum.data());
            ++done;
            if (!Report(progress, done, total)) {
                return AnalysisOutcome::Stopped;
            }
        }
        current = 1 - current;
    }
    blocks = total;
    const double inputPeak = Average(N, blocks, work->inputSum.data(), input.data());
    const double outputPeak = Average(N, blocks, work->outputSum.data(), output.data());
    peak = std::isgreater(outputPeak, inputPeak) ? outputPeak : inputPeak;
    return AnalysisOutcome::Done;
}

} // namespace kaldorium
