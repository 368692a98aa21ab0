#include "core/spectrum/Transforms.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <mutex>

#ifdef __SSE2__
#include <emmintrin.h>
#include <numbers>
#endif

namespace kaldorium {

namespace {

// M[k] = √(Re² + Im²); P = the largest M[k], strictly greater, starting from 0, over all N bins.
void Magnitudes(int N, const ComplexSample *X, double *M, double &P) {
    P = 0.0;
    if (M == nullptr) {
        return;
    }
    int k = 0;
#ifdef __SSE2__
    // Two bins at a time, each with the same products, sum and correctly rounded root.
    for (; k + 1 < N; k += 2) {
        const __m128d a = _mm_loadu_pd(&X[k].re);
        const __m128d b = _mm_loadu_pd(&X[k + 1].re);
        const __m128d squaresA = _mm_mul_pd(a, a);
        const __m128d squaresB = _mm_mul_pd(b, b);
        const __m128d sums =
            _mm_add_pd(_mm_unpacklo_pd(squaresA, squaresB), _mm_unpackhi_pd(squaresA, squaresB));
        _mm_storeu_pd(M + k, _mm_sqrt_pd(sums));
    }
#endif
    for (; k < N; ++k) {
        M[k] = std::sqrt(X[k].re * X[k].re + X[k].im * X[k].im);
    }
    P = 0.0;
    for (k = 0; k < N; ++k) {
        // isgreater keeps a NaN bin from raising the invalid-operation flag of a guarded caller.
        if (std::isgreater(M[k], P)) {
            P = M[k];
        }
    }
}

bool IsPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// For every power of two N from 2 to kMaxTransformLength: the twiddles cos θ and −sin θ with
// θ = 2π·j/N for j = 0 … N/2 − 1, and the bit reversal of every index. The butterflies of span L
// use j = (N/L)·k; since N/L is a power of two, (N/L)·2π·k/N rounds to the same double as
// 2π·(N/L·k)/N, so the table holds exactly what cos and sin give for each butterfly.
class FastTables {
public:
    FastTables() {
        for (int m = 1; (1 << m) <= kMaxTransformLength; ++m) {
            const int N = 1 << m;
            ComplexSample *row = Twiddles(N);
            for (int j = 0; j < N / 2; ++j) {
                const double theta = 1 * 2 * std::numbers::pi * j / N;
                row[j] = ComplexSample{std::cos(theta), -std::sin(theta)};
            }
            int *order = Reversed(N);
            for (int i = 0; i < N; ++i) {
                int r = 0;
                for (int b = 0; b < m; ++b) {
                    r |= ((i >> b) & 1) << (m - 1 - b);
                }
                order[i] = r;
            }
        }
    }

    // The tables of length N start at offset N − 2 (N/2 − 1 for the twiddles): 2 + 4 + … + N/2.
    ComplexSample *Twiddles(int N) { return twiddles + (N / 2 - 1); }
    int *Reversed(int N) { return reversed + (N - 2); }

    // WindowWeight(kind, n, N) for n = 0 … N − 1 of a weighted kind (Hamming to Bartlett),
    // computed by it on first use of the kind and length, so every weight is the same double.
    const double *Weights(WindowKind kind, int N) {
        const int k = static_cast<int>(kind);
        int m = 0;
        while ((2 << m) < N) {
            ++m;
        }
        std::once_flag &once = weightsReady[k][m];
        double *row = weights + static_cast<std::ptrdiff_t>(k) * WeightRow + (N - 2);
        std::call_once(once, [&] {
            for (int n = 0; n < N; ++n) {
                row[n] = WindowWeight(kind, n, N);
            }
        });
        return row;
    }

private:
    static constexpr int WeightedKinds = 5;
    static constexpr int Lengths = 10; // 2 … kMaxTransformLength
    static constexpr int WeightRow = 2 * kMaxTransformLength - 2;

    ComplexSample twiddles[kMaxTransformLength - 1];
    int reversed[2 * kMaxTransformLength - 2];
    double weights[WeightedKinds * WeightRow] = {};
    std::once_flag weightsReady[WeightedKinds][Lengths];
};

FastTables &Tables() {
    static FastTables tables;
    return tables;
}

// u = t·X[a+half], X[a+half] = X[a] − u, X[a] = X[a] + u for a = k, k+L, … while a < N − 1, with
// u = (tr·xr − ti·xi, ti·xr + tr·xi). The packed form does the same IEEE operations on the same
// operands (−(ti·xi) added is ti·xi subtracted), so both forms give the same bits.
void Butterflies(ComplexSample *X, int N, int k, int L, int half, double tr, double ti) {
#ifdef __SSE2__
    const __m128d t1 = _mm_set1_pd(tr);
    const __m128d t2 = _mm_set1_pd(ti);
    const __m128d negateLow = _mm_set_pd(0.0, -0.0);
    for (int a = k; a < N - 1; a += L) {
        double *lo = &X[a].re;
        double *hi = &X[a + half].re;
        const __m128d l = _mm_loadu_pd(lo);
        const __m128d h = _mm_loadu_pd(hi);
        const __m128d p1 = _mm_mul_pd(t1, h);                        // tr·xr, tr·xi
        const __m128d p2 = _mm_mul_pd(t2, _mm_shuffle_pd(h, h, 1));  // ti·xi, ti·xr
        const __m128d u = _mm_add_pd(p1, _mm_xor_pd(p2, negateLow)); // ur, ui
        _mm_storeu_pd(hi, _mm_sub_pd(l, u));
        _mm_storeu_pd(lo, _mm_add_pd(l, u));
    }
#else
    for (int a = k; a < N - 1; a += L) {
        const ComplexSample lo = X[a];
        const ComplexSample hi = X[a + half];
        const double ur = tr * hi.re - ti * hi.im;
        const double ui = ti * hi.re + tr * hi.im;
        X[a + half] = ComplexSample{lo.re - ur, lo.im - ui};
        X[a] = ComplexSample{lo.re + ur, lo.im + ui};
    }
#endif
}

// The butterflies of one stage with the twiddle of k at twiddle[stride·k], for every group of L
// in turn: each butterfly has the operands it has in Butterflies, only the order differs.
void GroupedButterflies(ComplexSample *X, int N, int L, int half, const ComplexSample *twiddle,
                        int stride) {
#ifdef __SSE2__
    const __m128d negateLow = _mm_set_pd(0.0, -0.0);
    for (int g = 0; g < N; g += L) {
        double *lo = &X[g].re;
        double *hi = &X[g + half].re;
        for (int k = 0; k < half; ++k, lo += 2, hi += 2) {
            const ComplexSample t = twiddle[stride * k];
            const __m128d l = _mm_loadu_pd(lo);
            const __m128d h = _mm_loadu_pd(hi);
            const __m128d p1 = _mm_mul_pd(_mm_set1_pd(t.re), h);
            const __m128d p2 = _mm_mul_pd(_mm_set1_pd(t.im), _mm_shuffle_pd(h, h, 1));
            const __m128d u = _mm_add_pd(p1, _mm_xor_pd(p2, negateLow));
            _mm_storeu_pd(hi, _mm_sub_pd(l, u));
            _mm_storeu_pd(lo, _mm_add_pd(l, u));
        }
    }
#else
    for (int g = 0; g < N; g += L) {
        for (int k = 0; k < half; ++k) {
            const ComplexSample t = twiddle[stride * k];
            const ComplexSample lo = X[g + k];
            const ComplexSample hi = X[g + k + half];
            const double ur = t.re * hi.re - t.im * hi.im;
            const double ui = t.im * hi.re + t.re * hi.im;
            X[g + k + half] = ComplexSample{lo.re - ur, lo.im - ui};
            X[g + k] = ComplexSample{lo.re + ur, lo.im + ui};
        }
    }
#endif
}

void DirectTransform(WindowKind kind, int N, ComplexSample *x, ComplexSample *X, double *M,
                     double &P, bool conjugate) {
    P = 0.0;
    if (N <= 0) {
        return;
    }
    if (N == 1) {
        X[0] = x[0];
        M[0] = std::sqrt(X[0].re * X[0].re + X[0].im * X[0].im);
        P = M[0];
        return;
    }
    for (int n = 0; n < N; ++n) {
        if (conjugate) {
            x[n].im = -x[n].im;
        }
        const double w = WindowWeight(kind, n, N);
        x[n].re *= w;
        x[n].im *= w;
    }

    // w₁ = cos(2π/N) − j·sin(2π/N); the twiddle of bin k is w₁^k, taken as a complex power in polar
    // form: modulus |w₁|^k, argument k·arg(w₁).
    const double c = std::cos(2 * std::numbers::pi / N);
    const double s = std::sin(2 * std::numbers::pi / N);
    const double modulus = std::sqrt(c * c + s * s);
    const double argument = std::atan2(-s, c);

    for (int k = 0; k < N; ++k) {
        double wr = 1.0;
        double wi = 0.0;
        if (k > 0) {
            const double r = std::pow(modulus, k);
            wr = r * std::cos(k * argument);
            wi = r * std::sin(k * argument);
        }
        // Horner's rule from the top: X[k] = (…(x[N−1]·W + x[N−2])·W + …)·W + x[0]
        //                                  = Σ x[n]·W^n = Σ x[n]·e^(−j2πkn/N)
        double re = x[N - 1].re;
        double im = x[N - 1].im;
        for (int n = N - 2; n >= 0; --n) {
            const double t = re * wr - im * wi + x[n].re;
            im = re * wi + im * wr + x[n].im;
            re = t;
        }
        X[k].re = re;
        X[k].im = im;
    }
    Magnitudes(N, X, M, P);
}

void FastTransform(WindowKind kind, int N, const ComplexSample *x, ComplexSample *X, double *M,
                   double &P, bool conjugate) {
    P = 0.0;
    if (!IsPowerOfTwo(N)) {
        // The bit-reversed load would reach past the block; nothing is transformed.
        for (int k = 0; k < N; ++k) {
            X[k] = ComplexSample{};
            if (M != nullptr) {
                M[k] = 0.0;
            }
        }
        return;
    }
    int m = 0;
    while ((1 << m) < N) {
        ++m;
    }
    const bool tabled = N >= 2 && N <= kMaxTransformLength;
    const ComplexSample *twiddle = tabled ? Tables().Twiddles(N) : nullptr;
    const int *reversed = tabled ? Tables().Reversed(N) : nullptr;

    // Bit-reversed load: X[r] = w(i)·x[i] (or w(i)·conj(x[i])), r being i with its m low bits
    // reversed. A weight of exactly 1 changes nothing and is not multiplied.
    const bool weighted = kind >= WindowKind::Hamming && kind <= WindowKind::Bartlett;
    const double *weight = weighted && tabled ? Tables().Weights(kind, N) : nullptr;
    for (int i = 0; i < N; ++i) {
        int r = 0;
        if (tabled) {
            r = reversed[i];
        } else {
            for (int b = 0; b < m; ++b) {
                r |= ((i >> b) & 1) << (m - 1 - b);
            }
        }
        const double im = conjugate ? -x[i].im : x[i].im;
        if (weighted) {
            const double w = weight != nullptr ? weight[i] : WindowWeight(kind, i, N);
            X[r].re = w * x[i].re;
            X[r].im = w * im;
        } else {
            X[r].re = x[i].re;
            X[r].im = im;
        }
    }

    // Butterflies of span L = 2^s: u = t·X[a+half], X[a+half] = X[a] − u, X[a] = X[a] + u, with
    // the twiddle t = cos θ − j·sin θ, θ = (N/L)·2π·k/N.
    for (int s = 1; s <= m; ++s) {
        const int L = 1 << s;
        const int half = L / 2;
        const int stride = N / L;
        if (tabled && half >= 4) {
            // The same butterflies group by group, so that memory is walked in order.
            GroupedButterflies(X, N, L, half, twiddle, stride);
            continue;
        }
        for (int k = 0; k < half; ++k) {
            double tr = 0.0;
            double ti = 0.0;
            if (tabled) {
                tr = twiddle[stride * k].re;
                ti = twiddle[stride * k].im;
            } else {
                const double theta = stride * 2 * std::numbers::pi * k / N;
                tr = std::cos(theta);
                ti = -std::sin(theta);
            }
            Butterflies(X, N, k, L, half, tr, ti);
        }
    }
    Magnitudes(N, X, M, P);
}

} // namespace

double WindowWeight(WindowKind kind, int n, int N) {
    if (N <= 1) {
        // Every formula divides by N − 1; a lone sample is the middle of its window.
        return 1.0;
    }
    const double span = N - 1;
    // g = 2π·n/(N−1)
    const double g = 2 * std::numbers::pi * n / span;
    switch (kind) {
    case WindowKind::Hamming:
        return 0.54 - 0.46 * std::cos(g);
    case WindowKind::VonHann:
        return 0.5 - 0.5 * std::cos(g);
    case WindowKind::Blackman:
        return 0.42 - 0.5 * std::cos(g) + 0.08 * std::cos(2.0 * g);
    case WindowKind::BlackmanHarris:
        return 0.35875 - 0.48829 * std::cos(g) + 0.14128 * std::cos(2.0 * g) -
               0.01168 * std::cos(3.0 * g);
    case WindowKind::Bartlett:
        // Rising to the middle sample (N−1)/2 in integer division, falling after it.
        return n <= (N - 1) / 2 ? 2.0 * n / span : 2.0 - 2.0 * n / span;
    default:
        return 1.0;
    }
}

void ComputeDFT(WindowKind kind, int N, ComplexSample *x, ComplexSample *X, double *M, double &P) {
    DirectTransform(kind, N, x, X, M, P, false);
}

void ComputeConjugateDFT(WindowKind kind, int N, ComplexSample *x, ComplexSample *X, double *M,
                         double &P) {
    DirectTransform(kind, N, x, X, M, P, true);
}

void ComputeFFT(WindowKind kind, int N, const ComplexSample *x, ComplexSample *X, double *M,
                double &P) {
    FastTransform(kind, N, x, X, M, P, false);
}

void ComputeConjugateFFT(WindowKind kind, int N, const ComplexSample *x, ComplexSample *X,
                         double *M, double &P) {
    FastTransform(kind, N, x, X, M, P, true);
}

int FFTLength(int n) {
    int length = 2;
    while (length < n && length <= INT_MAX / 2) {
        length *= 2;
    }
    return length;
}

} // namespace kaldorium
