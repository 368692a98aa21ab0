#include "core/spectrum/PairedRealFFT.h"

#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>
#include <numbers>
#endif

namespace kaldorium {

namespace {

// The butterflies of half-span h over every group of 2h: with t the twiddle of k,
// u = t·x[g+k+h], x[g+k+h] = x[g+k] − u, x[g+k] = x[g+k] + u.
void Stage(int N, int h, double *re, double *im, const double *wr, const double *wi) {
    for (int g = 0; g < N; g += 2 * h) {
        double *ar = re + g;
        double *ai = im + g;
        double *br = ar + h;
        double *bi = ai + h;
        for (int k = 0; k < h; ++k) {
            const double ur = wr[k] * br[k] - wi[k] * bi[k];
            const double ui = wr[k] * bi[k] + wi[k] * br[k];
            br[k] = ar[k] - ur;
            bi[k] = ai[k] - ui;
            ar[k] += ur;
            ai[k] += ui;
        }
    }
}

// The stages of half-spans 1 and 2 together, over every group of four: their twiddles are 1 and
// −j, so they need no multiplication.
void FirstStages(int N, double *re, double *im) {
    for (int g = 0; g < N; g += 4) {
        const double r0 = re[g] + re[g + 1];
        const double i0 = im[g] + im[g + 1];
        const double r1 = re[g] - re[g + 1];
        const double i1 = im[g] - im[g + 1];
        const double r2 = re[g + 2] + re[g + 3];
        const double i2 = im[g + 2] + im[g + 3];
        // −j·(x[g+2] − x[g+3])
        const double r3 = im[g + 2] - im[g + 3];
        const double i3 = re[g + 3] - re[g + 2];
        re[g] = r0 + r2;
        im[g] = i0 + i2;
        re[g + 2] = r0 - r2;
        im[g + 2] = i0 - i2;
        re[g + 1] = r1 + r3;
        im[g + 1] = i1 + i3;
        re[g + 3] = r1 - r3;
        im[g + 3] = i1 - i3;
    }
}

#if defined(__x86_64__)
// The same for h a multiple of 4, four butterflies at a time.
__attribute__((target("avx"))) void StageAvx(int N, int h, double *re, double *im, const double *wr,
                                             const double *wi) {
    for (int g = 0; g < N; g += 2 * h) {
        double *ar = re + g;
        double *ai = im + g;
        double *br = ar + h;
        double *bi = ai + h;
        for (int k = 0; k < h; k += 4) {
            const __m256d tr = _mm256_loadu_pd(wr + k);
            const __m256d ti = _mm256_loadu_pd(wi + k);
            const __m256d xr = _mm256_loadu_pd(br + k);
            const __m256d xi = _mm256_loadu_pd(bi + k);
            const __m256d ur = _mm256_sub_pd(_mm256_mul_pd(tr, xr), _mm256_mul_pd(ti, xi));
            const __m256d ui = _mm256_add_pd(_mm256_mul_pd(tr, xi), _mm256_mul_pd(ti, xr));
            const __m256d pr = _mm256_loadu_pd(ar + k);
            const __m256d pi = _mm256_loadu_pd(ai + k);
            _mm256_storeu_pd(br + k, _mm256_sub_pd(pr, ur));
            _mm256_storeu_pd(bi + k, _mm256_sub_pd(pi, ui));
            _mm256_storeu_pd(ar + k, _mm256_add_pd(pr, ur));
            _mm256_storeu_pd(ai + k, _mm256_add_pd(pi, ui));
        }
    }
}
#endif

} // namespace

void PairedRealFFT::Prepare(WindowKind kind, int N) {
    length = 0;
    if (N < 2 || N > kMaxTransformLength || (N & (N - 1)) != 0) {
        return;
    }
    length = N;
    for (int n = 0; n < N; ++n) {
        weight[static_cast<std::size_t>(n)] = WindowWeight(kind, n, N);
    }
    for (int h = 1; h < N; h *= 2) {
        for (int k = 0; k < h; ++k) {
            // e^(−jπk/h) = cos θ − j·sin θ with θ = 2π·k/(2h)
            const double theta = 2 * std::numbers::pi * k / (2 * h);
            twiddleRe[static_cast<std::size_t>(h + k)] = std::cos(theta);
            twiddleIm[static_cast<std::size_t>(h + k)] = -std::sin(theta);
        }
    }
    int bits = 0;
    while ((1 << bits) < N) {
        ++bits;
    }
    for (int i = 0; i < N; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b) {
            r |= ((i >> b) & 1) << (bits - 1 - b);
        }
        reversed[static_cast<std::size_t>(i)] = r;
    }
    stage = Stage;
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx")) {
        stage = StageAvx;
    }
#endif
}

// With Z the transform of z = a + j·b: A[k] = (Z[k] + conj Z[N−k])/2 and
// B[k] = (Z[k] − conj Z[N−k])/(2j), so (2/N)²·|A[k]|² = ((Zr[k] + Zr[N−k])² + (Zi[k] −
// Zi[N−k])²)/N² and (2/N)²·|B[k]|² = ((Zi[k] + Zi[N−k])² + (Zr[k] − Zr[N−k])²)/N².
void PairedRealFFT::Powers(const double *a, const double *b, double *pa, double *pb) const {
    const int N = length;
    if (N == 0) {
        return;
    }
    alignas(32) double re[kMaxTransformLength];
    alignas(32) double im[kMaxTransformLength];
    for (int n = 0; n < N; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const auto r = static_cast<std::size_t>(reversed[i]);
        re[r] = weight[i] * a[n];
        im[r] = b != nullptr ? weight[i] * b[n] : 0.0;
    }
    if (N == 2) {
        Stage(N, 1, re, im, twiddleRe.data() + 1, twiddleIm.data() + 1);
    } else {
        FirstStages(N, re, im);
    }
    for (int h = 4; h < N; h *= 2) {
        stage(N, h, re, im, twiddleRe.data() + h, twiddleIm.data() + h);
    }
    const double norm = 1.0 / (static_cast<double>(N) * static_cast<double>(N));
    for (int k = 0; k <= N / 2; ++k) {
        const int m = (N - k) & (N - 1);
        const double ar = re[k] + re[m];
        const double ai = im[k] - im[m];
        pa[k] = (ar * ar + ai * ai) * norm;
        if (b != nullptr) {
            const double br = im[k] + im[m];
            const double bi = re[k] - re[m];
            pb[k] = (br * br + bi * bi) * norm;
        }
    }
}

} // namespace kaldorium
