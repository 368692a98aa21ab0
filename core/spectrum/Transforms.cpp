#include "spectrum/Transforms.h"

#include <climits>
#include <cmath>

namespace kaldorium {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// M[k] = √(Re² + Im²); P = the largest M[k], strictly greater, starting from 0, over all N bins.
void Magnitudes(int N, const Complex *X, double *M, double &P) {
    P = 0.0;
    for (int k = 0; k < N; ++k) {
        M[k] = std::sqrt(X[k].re * X[k].re + X[k].im * X[k].im);
        // isgreater keeps a NaN bin from raising the invalid-operation flag of a guarded caller.
        if (std::isgreater(M[k], P)) {
            P = M[k];
        }
    }
}

bool IsPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

void DirectTransform(WindowKind kind, int N, Complex *x, Complex *X, double *M, double &P,
                     bool conjugate) {
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
    const double c = std::cos(kTwoPi / N);
    const double s = std::sin(kTwoPi / N);
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

void FastTransform(WindowKind kind, int N, const Complex *x, Complex *X, double *M, double &P,
                   bool conjugate) {
    P = 0.0;
    if (!IsPowerOfTwo(N)) {
        // The bit-reversed load would reach past the block; nothing is transformed.
        for (int k = 0; k < N; ++k) {
            X[k] = Complex{};
            M[k] = 0.0;
        }
        return;
    }
    int m = 0;
    while ((1 << m) < N) {
        ++m;
    }

    // Bit-reversed load: X[r] = w(i)·x[i] (or w(i)·conj(x[i])), r being i with its m low bits
    // reversed.
    for (int i = 0; i < N; ++i) {
        int r = 0;
        for (int b = 0; b < m; ++b) {
            r |= ((i >> b) & 1) << (m - 1 - b);
        }
        const double w = WindowWeight(kind, i, N);
        X[r].re = w * x[i].re;
        X[r].im = w * (conjugate ? -x[i].im : x[i].im);
    }

    // Butterflies of span L = 2^s: u = t·X[a+half], X[a+half] = X[a] − u, X[a] = X[a] + u, with
    // the twiddle t = cos θ − j·sin θ, θ = (N/L)·2π·k/N, computed afresh for each k.
    for (int s = 1; s <= m; ++s) {
        const int L = 1 << s;
        const int half = L / 2;
        const int stride = N / L;
        for (int k = 0; k < half; ++k) {
            const double theta = stride * kTwoPi * k / N;
            const double tr = std::cos(theta);
            const double ti = -std::sin(theta);
            for (int a = k; a < N - 1; a += L) {
                Complex &lo = X[a];
                Complex &hi = X[a + half];
                const double ur = tr * hi.re - ti * hi.im;
                const double ui = ti * hi.re + tr * hi.im;
                hi.re = lo.re - ur;
                hi.im = lo.im - ui;
                lo.re += ur;
                lo.im += ui;
            }
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
    const double g = kTwoPi * n / span;
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

void ComputeDFT(WindowKind kind, int N, Complex *x, Complex *X, double *M, double &P) {
    DirectTransform(kind, N, x, X, M, P, false);
}

void ComputeConjugateDFT(WindowKind kind, int N, Complex *x, Complex *X, double *M, double &P) {
    DirectTransform(kind, N, x, X, M, P, true);
}

void ComputeFFT(WindowKind kind, int N, const Complex *x, Complex *X, double *M, double &P) {
    FastTransform(kind, N, x, X, M, P, false);
}

void ComputeConjugateFFT(WindowKind kind, int N, const Complex *x, Complex *X, double *M,
                         double &P) {
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
