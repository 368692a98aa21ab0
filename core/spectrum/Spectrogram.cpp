#include "core/spectrum/Spectrogram.h"

#include "core/spectrum/PairedRealFFT.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cfenv>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kaldorium {

namespace {

constexpr int kBins = kMaxTransformLength / 2 + 1;
// Blocks transformed together; two batches alternate, one filled while the other is transformed.
constexpr int kJobsPerBatch = 128;
// Powers at or below this (−300 dB) are silence.
constexpr double kSilencePower = 1e-30;

double LevelOf(double power) {
    return power > kSilencePower ? 10.0 * std::log10(power) : kSilenceLevel;
}

// ⌈n/d⌉ for d > 0 and any n.
long long CeilDiv(long long n, long long d) {
    return n >= 0 ? (n + d - 1) / d : -((-n) / d);
}

struct Batch {
    const PairedRealFFT *fft = nullptr;
    int jobs = 0;
    // Runs of consecutive frames: overlapping blocks share their frames, each block adds at
    // most N. Block j starts at frames[offset[j]].
    std::array<double, kJobsPerBatch * kMaxTransformLength> frames{};
    std::array<int, kJobsPerBatch> offset{};
    // The run being extended: file frames [runFrame, runFrame + runLength) at frames[runBase].
    int runBase = 0;
    int runLength = 0;
    long long runFrame = 0;
    // (2/N)²·|X[k]|² of bins 0 … N/2 of each block.
    std::array<double, kJobsPerBatch * kBins> power{};
    std::array<int, kJobsPerBatch> column{};
    // The block is its column's last.
    std::array<bool, kJobsPerBatch> closes{};
};

// The powers of blocks 2·pair and 2·pair + 1 (or of the last block alone) from one FFT.
void TransformPair(Batch &batch, int pair) {
    const auto a = static_cast<std::size_t>(2 * pair);
    const double *x = batch.frames.data() + batch.offset[a];
    const double *y = a + 1 < static_cast<std::size_t>(batch.jobs)
                          ? batch.frames.data() + batch.offset[a + 1]
                          : nullptr;
    double *pa = batch.power.data() + a * kBins;
    batch.fft->Powers(x, y, pa, pa + kBins);
}

// Transforms the pairs of a batch on this thread and, with two threads, on a helper that lives
// as long as the worker. Each pair's powers land in its own place, so the result does not
// depend on which thread took it. The caller waits only for pairs the helper has taken, never
// for the helper to wake: on a busy machine a helper that is not scheduled costs nothing.
class PairWorker {
public:
    explicit PairWorker(bool withHelper) {
        if (withHelper) {
            helper = std::thread([this] { HelperLoop(); });
        }
    }

    ~PairWorker() {
        if (helper.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                quit = true;
            }
            wake.notify_one();
            helper.join();
        }
    }

    PairWorker(const PairWorker &) = delete;
    PairWorker &operator=(const PairWorker &) = delete;

    // Transforms `batch`; `meanwhile` runs first on this thread while the helper starts.
    template <typename Meanwhile> void Transform(Batch &batch, Meanwhile &&meanwhile) {
        const int pairs = (batch.jobs + 1) / 2;
        pairsDone.store(0);
        {
            std::lock_guard<std::mutex> lock(mutex);
            current = &batch;
            currentPairs = pairs;
            ++generation;
            claims.store(static_cast<std::uint64_t>(generation) << 32);
        }
        if (helper.joinable()) {
            wake.notify_one();
        }
        meanwhile();
        for (int p = Claim(generation, pairs); p >= 0; p = Claim(generation, pairs)) {
            TransformPair(batch, p);
            pairsDone.fetch_add(1);
        }
        if (helper.joinable()) {
            std::unique_lock<std::mutex> lock(mutex);
            done.wait(lock, [&] { return pairsDone.load() == pairs; });
            // The flags are per thread: a fault on the helper reaches the caller's check here.
            if (const int flags = helperFlags.exchange(0); flags != 0) {
                std::feraiseexcept(flags);
            }
        }
    }

private:
    // The next pair of batch `g`, or −1 when all are taken or the batch is no longer current.
    // A claim is the generation (high half) and the next pair (low half) in one word, so a
    // helper that wakes late can never take a pair of a batch being refilled.
    int Claim(std::uint32_t g, int pairs) {
        std::uint64_t word = claims.load();
        for (;;) {
            const auto pair = static_cast<int>(word & 0xFFFFFFFFu);
            if ((word >> 32) != g || pair >= pairs) {
                return -1;
            }
            if (claims.compare_exchange_weak(word, word + 1)) {
                return pair;
            }
        }
    }

    void HelperLoop() {
        std::unique_lock<std::mutex> lock(mutex);
        std::uint32_t seen = 0;
        for (;;) {
            wake.wait(lock, [&] { return quit || generation != seen; });
            if (quit) {
                return;
            }
            seen = generation;
            Batch *batch = current;
            const int pairs = currentPairs;
            lock.unlock();
            std::feclearexcept(FE_ALL_EXCEPT);
            for (int p = Claim(seen, pairs); p >= 0; p = Claim(seen, pairs)) {
                TransformPair(*batch, p);
                helperFlags.fetch_or(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW));
                if (pairsDone.fetch_add(1) + 1 == pairs) {
                    std::lock_guard<std::mutex> finished(mutex);
                    done.notify_one();
                }
            }
            lock.lock();
        }
    }

    std::thread helper;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    Batch *current = nullptr;
    int currentPairs = 0;
    std::uint32_t generation = 0;
    bool quit = false;
    std::atomic<std::uint64_t> claims{0};
    std::atomic<int> pairsDone{0};
    std::atomic<int> helperFlags{0};
};

} // namespace

int HopLength(int N, Overlap overlap) {
    const int shift = std::clamp(static_cast<int>(overlap), 0, 3);
    return std::max(N >> shift, 1);
}

struct Spectrogram::Work {
    std::array<Batch, 2> batches;
    PairedRealFFT fft;
    // The frame the source's next read gives (−1: unknown).
    long long sourceAt = -1;
    // The maximum power of each bin over the blocks of the column being combined.
    std::array<double, kBins> columnPower{};
    // Where the jobs stand: the column whose blocks are being handed out, and its blocks
    // next … last of the grid, or its own block at ownStart.
    int column = 0;
    bool columnOpen = false;
    long long next = 0;
    long long last = -1;
    long long ownStart = -1;
    std::unique_ptr<PairWorker> worker;
    int workerThreads = 0;
};

namespace {

// Adds the block of N frames from `start` on to the batch. A block that starts within the run
// of frames held, or right at its end, shares the frames it overlaps and reads only the rest;
// any other starts a new run. The source seeks only when what is read does not follow on.
void AddBlock(Batch &batch, Spectrogram::Work &w, FrameSource &source, int N, long long start) {
    const long long runEnd = batch.runFrame + batch.runLength;
    long long readFrom = start;
    int readTo = 0;
    if (batch.jobs > 0 && start >= batch.runFrame && start <= runEnd) {
        readFrom = runEnd;
        batch.runLength = static_cast<int>(std::max(runEnd, start + N) - batch.runFrame);
        readTo = batch.runBase + static_cast<int>(readFrom - batch.runFrame);
    } else {
        batch.runBase = batch.jobs > 0 ? batch.runBase + batch.runLength : 0;
        batch.runFrame = start;
        batch.runLength = N;
        readTo = batch.runBase;
    }
    const auto count = static_cast<int>(start + N - readFrom);
    if (count > 0) {
        if (w.sourceAt != readFrom) {
            source.Seek(readFrom);
        }
        source.Read(batch.frames.data() + readTo, count);
        w.sourceAt = readFrom + count;
    }
    batch.offset[static_cast<std::size_t>(batch.jobs)] =
        batch.runBase + static_cast<int>(start - batch.runFrame);
}

} // namespace

Spectrogram::Spectrogram() : work(std::make_unique<Work>()) {}
Spectrogram::~Spectrogram() = default;

void Spectrogram::HoldSettings(const SpectrogramSettings &settings) {
    held = settings;
    held.N = FFTLength(std::clamp(settings.N, 2, kMaxTransformLength));
    held.overlap = static_cast<Overlap>(std::clamp(static_cast<int>(settings.overlap), 0, 3));
    held.width = std::clamp(settings.width, 1, kMaxSpectrogramWidth);
    held.height = std::clamp(settings.height, 1, kMaxSpectrogramHeight);
    held.threads = std::clamp(settings.threads, 1, 2);
    const long long S = frameCount;
    held.toFrame = settings.toFrame < 0 ? S : std::min(settings.toFrame, S);
    held.fromFrame = std::max(settings.fromFrame, 0LL);
    if (held.fromFrame >= held.toFrame) {
        held.fromFrame = 0;
        held.toFrame = S;
    }
    const double nyquist = sampleRate / 2.0;
    const double lowest = held.logFrequency ? static_cast<double>(sampleRate) / held.N : 0.0;
    // !(a < b) also catches NaN, without raising the invalid flag through isless.
    held.toHz = std::isgreater(settings.toHz, 0.0) && std::isless(settings.toHz, nyquist)
                    ? settings.toHz
                    : nyquist;
    held.fromHz = std::isgreater(settings.fromHz, lowest) ? settings.fromHz : lowest;
    if (!std::isless(held.fromHz, held.toHz)) {
        held.fromHz = lowest;
        held.toHz = nyquist;
    }
}

SpectrogramOutcome Spectrogram::Start(FrameSource &frames_, const SpectrogramSettings &settings) {
    frames = &frames_;
    sampleRate = frames_.SampleRate();
    frameCount = std::max(frames_.FrameCount(), 0LL);
    HoldSettings(settings);
    const int N = held.N;
    hop = HopLength(N, held.overlap);
    columnsDone = 0;
    transforms = 0;
    maxPower = 0.0;
    levels.assign(static_cast<std::size_t>(held.width) * static_cast<std::size_t>(held.height),
                  static_cast<float>(kSilenceLevel));

    Work &w = *work;
    w.sourceAt = -1;
    w.columnPower.fill(0.0);
    w.column = 0;
    w.columnOpen = false;
    if (frameCount < N || sampleRate == 0) {
        gridBlocks = 0;
        columnsDone = held.width;
        rowFirst.clear();
        rowLast.clear();
        w.worker.reset();
        return SpectrogramOutcome::TooShort;
    }
    gridBlocks = (frameCount - N) / hop + 1;
    w.fft.Prepare(held.kind, N);
    PrepareRows();
    if (!w.worker || w.workerThreads != held.threads) {
        w.worker.reset();
        w.worker = std::make_unique<PairWorker>(held.threads > 1);
        w.workerThreads = held.threads;
    }
    return SpectrogramOutcome::Ready;
}

void Spectrogram::PrepareRows() {
    const int H = held.height;
    const int top = held.N / 2;
    const double binsPerHz = static_cast<double>(held.N) / sampleRate;
    const double from = held.fromHz;
    // Only the logarithmic axis divides by fromHz, which it holds above 0.
    const double ratio = held.logFrequency ? held.toHz / held.fromHz : 1.0;
    // The edge e(r) of rows r − 1 and r, in bins.
    auto edge = [&](int r) {
        const double part = static_cast<double>(r) / H;
        const double hz =
            held.logFrequency ? from * std::pow(ratio, part) : from + (held.toHz - from) * part;
        return hz * binsPerHz;
    };
    rowFirst.resize(static_cast<std::size_t>(H));
    rowLast.resize(static_cast<std::size_t>(H));
    // A bin on an edge belongs to the row above it; the top edge belongs to the top row. The
    // small allowance keeps a bin that lies on an edge from slipping by a rounding error.
    constexpr double kAllowance = 1e-9;
    double lower = edge(0);
    for (int r = 0; r < H; ++r) {
        const double upper = edge(r + 1);
        int first = static_cast<int>(std::ceil(lower - kAllowance));
        int last = r + 1 == H ? static_cast<int>(std::floor(upper + kAllowance))
                              : static_cast<int>(std::ceil(upper - kAllowance)) - 1;
        first = std::clamp(first, 0, top);
        last = std::clamp(last, 0, top);
        if (first > last) {
            const double middle =
                held.logFrequency ? std::sqrt(lower * upper) : 0.5 * (lower + upper);
            first = last = std::clamp(static_cast<int>(std::lround(middle)), 0, top);
        }
        rowFirst[static_cast<std::size_t>(r)] = first;
        rowLast[static_cast<std::size_t>(r)] = last;
        lower = upper;
    }
}

bool Spectrogram::NextJob(int lastColumn, long long &start, int &column, bool &closes) {
    Work &w = *work;
    const int N = held.N;
    if (!w.columnOpen) {
        if (w.column > lastColumn) {
            return false;
        }
        // The column's frames [a, b), and the grid blocks whose middle j·hop + N/2 lies there.
        const long long L = held.toFrame - held.fromFrame;
        const long long W = held.width;
        const long long a = held.fromFrame + L * w.column / W;
        const long long b = held.fromFrame + L * (w.column + 1) / W;
        w.next = std::max(CeilDiv(a - N / 2, hop), 0LL);
        w.last = std::min(CeilDiv(b - N / 2, hop) - 1, gridBlocks - 1);
        w.ownStart = -1;
        if (w.next > w.last) {
            w.ownStart = std::clamp((a + b) / 2 - N / 2, 0LL, frameCount - N);
        }
        w.columnOpen = true;
    }
    column = w.column;
    if (w.ownStart >= 0) {
        start = w.ownStart;
        closes = true;
    } else {
        start = w.next * hop;
        closes = w.next == w.last;
        ++w.next;
    }
    if (closes) {
        w.columnOpen = false;
        ++w.column;
    }
    return true;
}

int Spectrogram::Step(int count) {
    if (Finished() || count <= 0) {
        return columnsDone;
    }
    Work &w = *work;
    const int N = held.N;
    const int lastColumn = std::min(held.width - 1, columnsDone + count - 1);
    auto fill = [&](Batch &batch) {
        batch.fft = &w.fft;
        batch.jobs = 0;
        long long start = 0;
        int column = 0;
        bool closes = false;
        while (batch.jobs < kJobsPerBatch && NextJob(lastColumn, start, column, closes)) {
            const auto j = static_cast<std::size_t>(batch.jobs);
            AddBlock(batch, w, *frames, N, start);
            batch.column[j] = column;
            batch.closes[j] = closes;
            ++batch.jobs;
        }
    };

    int current = 0;
    fill(w.batches[0]);
    while (w.batches[static_cast<std::size_t>(current)].jobs > 0) {
        Batch &batch = w.batches[static_cast<std::size_t>(current)];
        w.worker->Transform(batch, [&] { fill(w.batches[static_cast<std::size_t>(1 - current)]); });
        for (int j = 0; j < batch.jobs; ++j) {
            const double *power = batch.power.data() + static_cast<std::size_t>(j) * kBins;
            for (int k = 0; k <= N / 2; ++k) {
                double &cell = w.columnPower[static_cast<std::size_t>(k)];
                cell = power[k] > cell ? power[k] : cell;
            }
            ++transforms;
            if (batch.closes[static_cast<std::size_t>(j)]) {
                FinishColumn(batch.column[static_cast<std::size_t>(j)]);
            }
        }
        current = 1 - current;
    }
    return columnsDone;
}

void Spectrogram::FinishColumn(int x) {
    Work &w = *work;
    const int top = held.N / 2;
    const double *power = w.columnPower.data();
    for (int k = 0; k <= top; ++k) {
        maxPower = power[k] > maxPower ? power[k] : maxPower;
    }
    const int H = held.height;
    const auto W = static_cast<std::size_t>(held.width);
    for (int r = 0; r < H; ++r) {
        const int first = rowFirst[static_cast<std::size_t>(r)];
        const int last = rowLast[static_cast<std::size_t>(r)];
        double p = power[first];
        for (int k = first + 1; k <= last; ++k) {
            p = power[k] > p ? power[k] : p;
        }
        levels[static_cast<std::size_t>(H - 1 - r) * W + static_cast<std::size_t>(x)] =
            static_cast<float>(LevelOf(p));
    }
    std::fill_n(w.columnPower.begin(), top + 1, 0.0);
    columnsDone = x + 1;
}

double Spectrogram::MaxLevel() const {
    return LevelOf(maxPower);
}

double Spectrogram::DefaultDbTop() const {
    return maxPower > kSilencePower ? LevelOf(maxPower) : 0.0;
}

double Spectrogram::SecondsAt(double x) const {
    if (sampleRate == 0) {
        return 0.0;
    }
    const auto L = static_cast<double>(held.toFrame - held.fromFrame);
    return (static_cast<double>(held.fromFrame) + L * x / held.width) / sampleRate;
}

double Spectrogram::FrequencyAt(double y) const {
    const double part = (held.height - y) / held.height;
    if (held.logFrequency) {
        return held.fromHz * std::pow(held.toHz / held.fromHz, part);
    }
    return held.fromHz + (held.toHz - held.fromHz) * part;
}

std::size_t Spectrogram::BufferBytes() const {
    return sizeof(*this) + sizeof(Work) + levels.capacity() * sizeof(float) +
           (rowFirst.capacity() + rowLast.capacity()) * sizeof(int);
}

void PaintSpectrogram(const Spectrogram &spectrogram, const LevelColours &colours,
                      std::uint32_t *pixels) {
    const std::vector<float> &levels = spectrogram.Levels();
    for (std::size_t i = 0; i < levels.size(); ++i) {
        pixels[i] = colours(static_cast<double>(levels[i]));
    }
}

} // namespace kaldorium
