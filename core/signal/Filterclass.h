#pragma once

#include <bit>
#include <cstdint>

namespace kaldorium {

class DesignedFilterSource;

// The integer code of a filter kind, shared by the workbench, the Bode plot, the designer, the
// analogue calculator and the filter network.
using FilterKind = int;

inline constexpr FilterKind fkBandPass = 0;
inline constexpr FilterKind fkBandReject = 1;
inline constexpr FilterKind fkHighPass = 2;
inline constexpr FilterKind fkLowPass = 3;
inline constexpr FilterKind fkHighPass4th = 4; // two identical high-pass sections
inline constexpr FilterKind fkLowPass4th = 5;  // two identical low-pass sections
inline constexpr FilterKind fkDifferentiator = 6;
inline constexpr FilterKind fkIntegrator = 7;
inline constexpr FilterKind fkAllPass = 8; // gain stage: A0 × input
inline constexpr FilterKind fkDesigned = 9;
// Analogue circuits, evaluated only by the Bode plot; never given to a Filter.
inline constexpr FilterKind fkAnalogueBandPass = 10;
inline constexpr FilterKind fkAnalogueBandReject = 11;
inline constexpr FilterKind fkAnalogueHighPass = 12;
inline constexpr FilterKind fkAnalogueLowPass = 13;
inline constexpr FilterKind fkAnalogueBandPassNonInverting = 16;
inline constexpr FilterKind fkAnalogueHighPassNonInverting = 17;
inline constexpr FilterKind fkAnalogueLowPassNonInverting = 18;
// Routed through the filter network by the caller.
inline constexpr FilterKind fkNetwork = 19;

// N = Σ num[i]·z^i and D = Σ den[i]·z^i for i = 0 … order, with z = cos θ − j·sin θ = e^(−jθ) and
// its powers by rotation: the response of a coefficient set at one angle, in one place so that
// the Bode plots, the designer and the filters agree bit for bit.
struct ComplexRatio {
    double nRe = 0.0;
    double nIm = 0.0;
    double dRe = 0.0;
    double dIm = 0.0;
};
inline ComplexRatio RatioAtAngle(const double *num, const double *den, int order, double cosine,
                                 double sine) {
    const double zRe = cosine;
    const double zIm = -sine;
    double pRe = 1.0;
    double pIm = 0.0;
    ComplexRatio r;
    for (int i = 0; i <= order; ++i) {
        r.nRe += num[i] * pRe;
        r.nIm += num[i] * pIm;
        r.dRe += den[i] * pRe;
        r.dIm += den[i] * pIm;
        const double next = pRe * zRe - pIm * zIm;
        pIm = pRe * zIm + pIm * zRe;
        pRe = next;
    }
    return r;
}

// One digital filter of one kind: its design parameters, the difference-equation coefficients
// derived from them and the history of the running recursion. The second-order kinds are
// analogue prototypes carried over by the bilinear transform with pre-warping, so f0 is exact.
// A value object: it owns nothing and allocates nothing.
class Filter {
public:
    // Gain stage (kind 8); for arrays of filters.
    Filter();
    // Designs for f0 = Q = A0 = Ts = 1. A designed filter (kind 9) reads its coefficients from
    // `designer`; without one it passes its input unchanged (a = b = 1, 0, …, 0).
    explicit Filter(FilterKind kind, DesignedFilterSource *designer = nullptr);

    // Sets the kind, then designs.
    void Configure(FilterKind kind, double newF0, double newQ, double newA0, double newTs);

    // Stores the parameters, clears coefficients and history and computes the coefficients.
    // Divides by Ts and Q: a zero there leaves the floating-point flags for the caller's check.
    // A designed filter whose designer has b0 = 0 throws FloatingPointError.
    void Design(double newF0, double newQ, double newA0, double newTs);

    // One sample through the filter. A change of f0, Q or Ts (exact comparison) redesigns and
    // clears the history first; a change of A0 only rescales.
    // The second-order kinds with unchanged parameters, the case of every sample but the first,
    // are stepped here inline; the rest in ProcessChanged.
    double Process(double newF0, double newQ, double newA0, double newTs, double x) {
        if (type >= fkBandPass && type <= fkLowPass && newF0 == f0 && newQ == q && newTs == ts &&
            newA0 == amplification) {
            // y = n0·x + n1·x1 + n2·x2 − d1·y1 − d2·y2
            const double y = num[0] * x + num[1] * xHist[1] + num[2] * xHist[2] -
                             den[1] * yHist[1] - den[2] * yHist[2];
            yHist[2] = yHist[1];
            yHist[1] = y;
            xHist[2] = xHist[1];
            xHist[1] = x;
            return y * gain;
        }
        return ProcessChanged(newF0, newQ, newA0, newTs, x);
    }
    double ProcessChanged(double newF0, double newQ, double newA0, double newTs, double x);
    // Process for each of n samples, in → out (they may be the same array), with the same
    // results bit for bit; a second-order kind runs its recursion in registers.
    void ProcessBlock(double newF0, double newQ, double newA0, double newTs, const double *in,
                      double *out, int n);

    // Process with the stored f0, Q and A0.
    double ProcessStored(double x, double newTs);

    // Trapezoidal integrator step; 0.0 unless the kind is 7.
    double Integrate(bool restart, double x, double newTs);

    // Backward-difference step; 0.0 unless the kind is 6.
    double Differentiate(double x, double newTs);

    // Complex response at omega (rad/s), gain included. A Ts other than the stored one
    // redesigns first.
    void FrequencyResponse(double newTs, double omega, double &re, double &im);

    // The same, taking cos θ and sin θ (θ = omega·Ts) from `angle`, which computes them only for
    // an angle it does not hold already: filters evaluated at one angle share them.
    struct Angle {
        // Makes cosine and sine those of theta (inline: every stage of a network asks).
        void Set(double theta) {
            const auto thetaBits = std::bit_cast<unsigned long long>(theta);
            if (!known || thetaBits != bits) {
                Compute(theta, thetaBits);
            }
        }
        double cosine = 1.0;
        double sine = 0.0;

    private:
        void Compute(double theta, unsigned long long thetaBits);
        unsigned long long bits = 0; // theta's bits
        bool known = false;
    };
    void FrequencyResponse(double newTs, double omega, Angle &angle, double &re, double &im);

    double omega0 = 0.0;      // 2π·f0, rad/s
    double gain = 1.0;        // applied to the recursion's output; equals amplification
    double omegaWarped = 0.0; // ωa = (2/Ts)·tan(omega0·Ts/2)
    double bandwidth = 0.0;   // k = ωa/Q
    double num[7] = {};       // feed-forward coefficients
    double den[7] = {};       // feedback coefficients, den[0] = 1 after a design
    double xHist[7] = {};     // xHist[k]: input k samples ago
    double yHist[7] = {};     // yHist[k]: output (before gain) k samples ago
    double f0 = 1.0;          // Hz
    double q = 1.0;
    double amplification = 1.0; // A0
    double ts = 1.0;            // s
    FilterKind type = fkAllPass;

    // Coefficient source of kind 9; not owned.
    DesignedFilterSource *designer = nullptr;

private:
    // Kind 9: takes the designer's present set (normalised to b0 = 1), history untouched.
    void LoadDesigned();
    // The designer's Revision when its set was taken.
    std::uint64_t designedRevision = 0;
};

// out = p·q for coefficient sequences of degrees degP and degQ (arrays of 7). The product is
// formed locally, so out may be p or q. Terms beyond degree 6 are dropped.
void MultiplyPolynomials(double *out, const double *p, const double *q, int degP, int degQ);

} // namespace kaldorium
