#include "core/spectrum/Transforms.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

using namespace kaldorium;

namespace {

using LongComplex = std::complex<long double>;

// The window formulas of the window lists, evaluated independently in long double.
long double ReferenceWeight(int kind, int n, int N) {
    if (N == 1 || kind < 0 || kind > 4) {
        return 1.0L;
    }
    const long double g = 2 * std::numbers::pi_v<long double> * n / (N - 1);
    switch (kind) {
    case 0:
        return 0.54L - 0.46L * std::cos(g);
    case 1:
        return 0.5L - 0.5L * std::cos(g);
    case 2:
        return 0.42L - 0.5L * std::cos(g) + 0.08L * std::cos(2 * g);
    case 3:
        return 0.35875L - 0.48829L * std::cos(g) + 0.14128L * std::cos(2 * g) -
               0.01168L * std::cos(3 * g);
    default:
        return n <= (N - 1) / 2 ? 2.0L * n / (N - 1) : 2.0L - 2.0L * n / (N - 1);
    }
}

// X[k] = Σ w(n)·x[n]·e^(−j2πkn/N), summed term by term with the angle 2π·(kn mod N)/N.
std::vector<LongComplex> ReferenceDFT(int kind, const std::vector<ComplexSample> &x,
                                      bool conjugate) {
    const auto N = x.size();
    std::vector<long double> cosine(N), sine(N), re(N), im(N);
    for (std::size_t n = 0; n < N; ++n) {
        cosine[n] = std::cos(2 * std::numbers::pi_v<long double> * static_cast<long double>(n) /
                             static_cast<long double>(N));
        sine[n] = std::sin(2 * std::numbers::pi_v<long double> * static_cast<long double>(n) /
                           static_cast<long double>(N));
        const long double w = ReferenceWeight(kind, static_cast<int>(n), static_cast<int>(N));
        re[n] = w * x[n].re;
        im[n] = w * (conjugate ? -x[n].im : x[n].im);
    }
    std::vector<LongComplex> X(N);
    for (std::size_t k = 0; k < N; ++k) {
        long double sumRe = 0;
        long double sumIm = 0;
        std::size_t i = 0; // k·n mod N
        for (std::size_t n = 0; n < N; ++n) {
            // (re + j·im)·(cos − j·sin)
            sumRe += re[n] * cosine[i] + im[n] * sine[i];
            sumIm += im[n] * cosine[i] - re[n] * sine[i];
            i += k;
            if (i >= N) {
                i -= N;
            }
        }
        X[k] = {sumRe, sumIm};
    }
    return X;
}

std::vector<ComplexSample> RandomBlock(int N, bool real, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<ComplexSample> x(static_cast<std::size_t>(N));
    for (ComplexSample &c : x) {
        c.re = value(generator);
        c.im = real ? 0.0 : value(generator);
    }
    return x;
}

bool SameBits(const std::vector<ComplexSample> &a, const std::vector<ComplexSample> &b) {
    return std::memcmp(a.data(), b.data(), a.size() * sizeof(ComplexSample)) == 0;
}

// Checks X, M and P against the reference, with an error bound scaled by Σ|x|.
void ExpectSpectrum(const std::vector<LongComplex> &expected, const std::vector<ComplexSample> &X,
                    const std::vector<double> &M, double P, double scale, double tolerance) {
    long double peak = 0;
    for (std::size_t k = 0; k < expected.size(); ++k) {
        SCOPED_TRACE(::testing::Message() << "bin " << k);
        EXPECT_NEAR(X[k].re, static_cast<double>(expected[k].real()), tolerance * scale);
        EXPECT_NEAR(X[k].im, static_cast<double>(expected[k].imag()), tolerance * scale);
        EXPECT_NEAR(M[k], static_cast<double>(std::abs(expected[k])), tolerance * scale);
        peak = std::max(peak, std::abs(expected[k]));
    }
    EXPECT_NEAR(P, static_cast<double>(peak), tolerance * scale);
}

double SumOfMagnitudes(const std::vector<ComplexSample> &x) {
    double sum = 0.0;
    for (const ComplexSample &c : x) {
        sum += std::hypot(c.re, c.im);
    }
    return std::max(sum, 1.0);
}

} // namespace

// Every window kind against the long-double reference, for real and complex blocks, plain and
// conjugate.
class DirectAgainstReference : public ::testing::TestWithParam<std::tuple<int, int>> {};
class FastAgainstReference : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(DirectAgainstReference, MatchesAndLeavesWindowedInput) {
    const auto [kind, N] = GetParam();
    for (const bool real : {true, false}) {
        for (const bool conjugate : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "real " << real << " conjugate " << conjugate);
            const std::vector<ComplexSample> original =
                RandomBlock(N, real, static_cast<unsigned>(N * 7 + kind));
            std::vector<ComplexSample> x = original;
            // A lone sample is copied as it is, conjugate variant or not.
            const bool conjugated = conjugate && N > 1;
            const auto expected = ReferenceDFT(kind, x, conjugated);
            const double scale = SumOfMagnitudes(x);
            std::vector<ComplexSample> X(x.size());
            std::vector<double> M(x.size());
            double P = -1.0;
            (conjugate ? ComputeConjugateDFT : ComputeDFT)(static_cast<WindowKind>(kind), N,
                                                           x.data(), X.data(), M.data(), P);
            // The twiddle W = w₁^k carries an angle error of a few ulp that Horner's rule
            // multiplies by up to N − 1: the error grows in proportion to N.
            ExpectSpectrum(expected, X, M, P, scale, 1e-14 * N);

            // The windowed (and conjugated) samples are left in the input.
            for (std::size_t n = 0; n < x.size(); ++n) {
                const auto w = static_cast<double>(ReferenceWeight(kind, static_cast<int>(n), N));
                EXPECT_NEAR(x[n].re, w * original[n].re, 1e-15);
                EXPECT_NEAR(x[n].im, w * (conjugated ? -original[n].im : original[n].im), 1e-15);
            }
            if (kind == 5 && !conjugate) {
                EXPECT_TRUE(SameBits(x, original));
            }
        }
    }
}

TEST_P(FastAgainstReference, MatchesAndKeepsInput) {
    const auto [kind, N] = GetParam();
    for (const bool real : {true, false}) {
        for (const bool conjugate : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "real " << real << " conjugate " << conjugate);
            const std::vector<ComplexSample> x =
                RandomBlock(N, real, static_cast<unsigned>(N + kind));
            const std::vector<ComplexSample> original = x;
            const auto expected = ReferenceDFT(kind, x, conjugate);
            std::vector<ComplexSample> X(x.size());
            std::vector<double> M(x.size());
            double P = -1.0;
            (conjugate ? ComputeConjugateFFT : ComputeFFT)(static_cast<WindowKind>(kind), N,
                                                           x.data(), X.data(), M.data(), P);
            ExpectSpectrum(expected, X, M, P, SumOfMagnitudes(x), 1e-14);
            EXPECT_TRUE(SameBits(x, original));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(KindsAndLengths, DirectAgainstReference,
                         ::testing::Combine(::testing::Range(0, 6),
                                            ::testing::Values(1, 2, 3, 4, 5, 8, 31, 64, 100, 441,
                                                              1000, 1023, 1024)));
INSTANTIATE_TEST_SUITE_P(KindsAndLengths, FastAgainstReference,
                         ::testing::Combine(::testing::Range(0, 6),
                                            ::testing::Values(1, 2, 4, 8, 16, 32, 64, 128, 256, 512,
                                                              1024)));

TEST(Transforms, OutOfRangeKindsWeighAsNoWindow) {
    for (const int kind : {-1, 6, 99}) {
        for (int n = 0; n < 7; ++n) {
            EXPECT_EQ(WindowWeight(static_cast<WindowKind>(kind), n, 7), 1.0);
        }
    }
}

// Worked by hand at N = 5 (g = 0, π/2, π, 3π/2, 2π): every window ends at its end value and
// reaches 1 in the middle.
TEST(Transforms, WindowWeightsOfFiveSamples) {
    const std::array<std::array<double, 5>, 6> expected = {{
        {0.08, 0.54, 1.0, 0.54, 0.08},
        {0.0, 0.5, 1.0, 0.5, 0.0},
        {0.0, 0.34, 1.0, 0.34, 0.0},
        {0.00006, 0.21747, 1.0, 0.21747, 0.00006},
        {0.0, 0.5, 1.0, 0.5, 0.0},
        {1.0, 1.0, 1.0, 1.0, 1.0},
    }};
    for (int kind = 0; kind < 6; ++kind) {
        for (int n = 0; n < 5; ++n) {
            SCOPED_TRACE(::testing::Message() << "kind " << kind << " n " << n);
            EXPECT_NEAR(WindowWeight(static_cast<WindowKind>(kind), n, 5),
                        expected[static_cast<std::size_t>(kind)][static_cast<std::size_t>(n)],
                        1e-15);
        }
    }
}

TEST(Transforms, BartlettOfFourSamplesFallsAfterTheIntegerMiddle) {
    // (N−1)/2 = 1, so n = 2 already lies on the falling side: 2 − 4/3.
    EXPECT_EQ(WindowWeight(WindowKind::Bartlett, 0, 4), 0.0);
    EXPECT_DOUBLE_EQ(WindowWeight(WindowKind::Bartlett, 1, 4), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(WindowWeight(WindowKind::Bartlett, 2, 4), 2.0 / 3.0);
    EXPECT_EQ(WindowWeight(WindowKind::Bartlett, 3, 4), 0.0);
}

TEST(Transforms, SingleSampleIsCopiedUnwindowed) {
    for (int kind = 0; kind < 6; ++kind) {
        for (const bool conjugate : {false, true}) {
            ComplexSample x[1] = {{3.0, -4.0}};
            ComplexSample X[1];
            double M[1];
            double P = -1.0;
            (conjugate ? ComputeConjugateDFT : ComputeDFT)(static_cast<WindowKind>(kind), 1, x, X,
                                                           M, P);
            EXPECT_EQ(X[0].re, 3.0);
            EXPECT_EQ(X[0].im, -4.0);
            EXPECT_EQ(M[0], 5.0);
            EXPECT_EQ(P, 5.0);
        }
    }
}

TEST(Transforms, ZerosGiveZeros) {
    for (int kind = 0; kind < 6; ++kind) {
        std::vector<ComplexSample> x(64), X(64, ComplexSample{9.0, 9.0});
        std::vector<double> M(64, 9.0);
        double P = 9.0;
        ComputeDFT(static_cast<WindowKind>(kind), 64, x.data(), X.data(), M.data(), P);
        EXPECT_EQ(P, 0.0);
        for (int k = 0; k < 64; ++k) {
            EXPECT_EQ(M[static_cast<std::size_t>(k)], 0.0);
        }
        P = 9.0;
        ComputeFFT(static_cast<WindowKind>(kind), 64, x.data(), X.data(), M.data(), P);
        EXPECT_EQ(P, 0.0);
        for (int k = 0; k < 64; ++k) {
            EXPECT_EQ(X[static_cast<std::size_t>(k)].re, 0.0);
            EXPECT_EQ(X[static_cast<std::size_t>(k)].im, 0.0);
        }
    }
}

TEST(Transforms, RealBlockOfEightHasConjugateSymmetryAndBothTransformsAgree) {
    std::vector<ComplexSample> x = RandomBlock(8, true, 8);
    std::vector<ComplexSample> Xd(8), Xf(8);
    std::vector<double> M(8);
    double P = 0.0;
    ComputeFFT(WindowKind::NoWindow, 8, x.data(), Xf.data(), M.data(), P);
    ComputeDFT(WindowKind::NoWindow, 8, x.data(), Xd.data(), M.data(), P);
    for (int k = 0; k < 8; ++k) {
        const auto i = static_cast<std::size_t>(k);
        EXPECT_NEAR(Xd[i].re, Xf[i].re, 1e-14);
        EXPECT_NEAR(Xd[i].im, Xf[i].im, 1e-14);
        if (k > 0) {
            const auto mirror = static_cast<std::size_t>(8 - k);
            EXPECT_NEAR(Xf[mirror].re, Xf[i].re, 1e-15);
            EXPECT_NEAR(Xf[mirror].im, -Xf[i].im, 1e-15);
        }
    }
}

TEST(Transforms, ConstantBlockHasOnlyTheZeroBin) {
    for (const bool fast : {false, true}) {
        std::vector<ComplexSample> x(8, ComplexSample{0.75, 0.0}), X(8);
        std::vector<double> M(8);
        double P = 0.0;
        if (fast) {
            ComputeFFT(WindowKind::NoWindow, 8, x.data(), X.data(), M.data(), P);
        } else {
            ComputeDFT(WindowKind::NoWindow, 8, x.data(), X.data(), M.data(), P);
        }
        EXPECT_NEAR(X[0].re, 6.0, 1e-15);
        EXPECT_NEAR(P, 6.0, 1e-15);
        for (std::size_t k = 1; k < 8; ++k) {
            EXPECT_NEAR(M[k], 0.0, 1e-14);
        }
    }
}

// The callers' inverse: the conjugate FFT of a spectrum is N·conj(IDFT), so a forward transform
// followed by it gives back N·conj(x).
TEST(Transforms, ConjugateTransformOfASpectrumIsTheScaledInverse) {
    const std::vector<ComplexSample> x = RandomBlock(256, false, 11);
    std::vector<ComplexSample> X(256), y(256);
    std::vector<double> M(256);
    double P = 0.0;
    ComputeFFT(WindowKind::NoWindow, 256, x.data(), X.data(), M.data(), P);
    ComputeConjugateFFT(WindowKind::NoWindow, 256, X.data(), y.data(), M.data(), P);
    for (std::size_t n = 0; n < 256; ++n) {
        EXPECT_NEAR(y[n].re, 256.0 * x[n].re, 1e-11);
        EXPECT_NEAR(y[n].im, -256.0 * x[n].im, 1e-11);
    }
}

// A complex exponential turning backwards at 3 cycles per block lands in bin N − 3: the peak is
// looked for in the upper half too.
TEST(Transforms, PeakIsSearchedOverAllBins) {
    std::vector<ComplexSample> x(16), X(16);
    for (int n = 0; n < 16; ++n) {
        x[static_cast<std::size_t>(n)] = {std::cos(-2 * M_PI * 3 * n / 16),
                                          std::sin(-2 * M_PI * 3 * n / 16)};
    }
    std::vector<double> M(16);
    double P = 0.0;
    ComputeFFT(WindowKind::NoWindow, 16, x.data(), X.data(), M.data(), P);
    EXPECT_NEAR(M[13], 16.0, 1e-12);
    EXPECT_EQ(P, M[13]);
}

TEST(Transforms, FastTransformOfAnotherLengthTouchesNothingOutside) {
    std::vector<ComplexSample> x(12, ComplexSample{1.0, 1.0}), X(13, ComplexSample{5.0, 5.0});
    std::vector<double> M(13, 5.0);
    double P = 5.0;
    ComputeFFT(WindowKind::NoWindow, 12, x.data(), X.data(), M.data(), P);
    EXPECT_EQ(P, 0.0);
    EXPECT_EQ(M[11], 0.0);
    EXPECT_EQ(X[12].re, 5.0);
}

TEST(Transforms, FFTLengthRoundsUpToAPowerOfTwoOfAtLeastTwo) {
    const std::array<std::array<int, 2>, 9> cases = {{{0, 2},
                                                      {1, 2},
                                                      {2, 2},
                                                      {3, 4},
                                                      {441, 512},
                                                      {512, 512},
                                                      {513, 1024},
                                                      {1024, 1024},
                                                      {1025, 2048}}};
    for (const auto &[n, length] : cases) {
        EXPECT_EQ(FFTLength(n), length) << "n = " << n;
    }
}

namespace {

// The radix-2 FFT step by step, each twiddle taken from cos and sin afresh at its own angle
// (N/L)·2π·k/N, each weight from WindowWeight: the results the fast transform must reproduce
// bit for bit.
void PlainFFT(int kind, int N, const std::vector<ComplexSample> &x, bool conjugate,
              std::vector<ComplexSample> &X, std::vector<double> &M, double &P) {
    int m = 0;
    while ((1 << m) < N) {
        ++m;
    }
    X.assign(static_cast<std::size_t>(N), ComplexSample{});
    M.assign(static_cast<std::size_t>(N), 0.0);
    for (int i = 0; i < N; ++i) {
        int r = 0;
        for (int b = 0; b < m; ++b) {
            r |= ((i >> b) & 1) << (m - 1 - b);
        }
        const double w = WindowWeight(static_cast<WindowKind>(kind), i, N);
        const auto ui = static_cast<std::size_t>(i);
        X[static_cast<std::size_t>(r)] = {w * x[ui].re, w * (conjugate ? -x[ui].im : x[ui].im)};
    }
    for (int s = 1; s <= m; ++s) {
        const int L = 1 << s;
        const int half = L / 2;
        for (int k = 0; k < half; ++k) {
            const double theta = (N / L) * 2 * std::numbers::pi * k / N;
            const double tr = std::cos(theta);
            const double ti = -std::sin(theta);
            for (int a = k; a < N - 1; a += L) {
                ComplexSample &lo = X[static_cast<std::size_t>(a)];
                ComplexSample &hi = X[static_cast<std::size_t>(a + half)];
                const double ur = tr * hi.re - ti * hi.im;
                const double ui = ti * hi.re + tr * hi.im;
                hi = {lo.re - ur, lo.im - ui};
                lo = {lo.re + ur, lo.im + ui};
            }
        }
    }
    P = 0.0;
    for (std::size_t k = 0; k < X.size(); ++k) {
        M[k] = std::sqrt(X[k].re * X[k].re + X[k].im * X[k].im);
        P = M[k] > P ? M[k] : P;
    }
}

} // namespace

class FastIsBitIdentical : public ::testing::TestWithParam<int> {};

TEST_P(FastIsBitIdentical, ToTheStepByStepTransform) {
    const int kind = GetParam();
    for (int N = 2; N <= 2048; N *= 2) {
        for (const bool conjugate : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "N " << N << " conjugate " << conjugate);
            const std::vector<ComplexSample> x =
                RandomBlock(N, false, static_cast<unsigned>(N + kind));
            std::vector<ComplexSample> expected;
            std::vector<double> expectedM;
            double expectedP = 0.0;
            PlainFFT(kind, N, x, conjugate, expected, expectedM, expectedP);
            std::vector<ComplexSample> X(x.size());
            std::vector<double> M(x.size());
            double P = -1.0;
            (conjugate ? ComputeConjugateFFT : ComputeFFT)(static_cast<WindowKind>(kind), N,
                                                           x.data(), X.data(), M.data(), P);
            EXPECT_TRUE(SameBits(X, expected));
            EXPECT_EQ(std::memcmp(M.data(), expectedM.data(), M.size() * sizeof(double)), 0);
            EXPECT_EQ(std::memcmp(&P, &expectedP, sizeof P), 0);
            // Without magnitudes the spectrum is the same.
            (conjugate ? ComputeConjugateFFT : ComputeFFT)(static_cast<WindowKind>(kind), N,
                                                           x.data(), X.data(), nullptr, P);
            EXPECT_TRUE(SameBits(X, expected));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, FastIsBitIdentical, ::testing::Range(0, 7));
