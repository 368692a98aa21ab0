#include "core/signal/Filterclass.h"

#include "core/common/Errors.h"
#include "core/signal/DesignedFilterSource.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace kaldorium {

Filter::Filter() : Filter(fkAllPass) {}

Filter::Filter(FilterKind kind, DesignedFilterSource *source) : type(kind), designer(source) {
    Design(1.0, 1.0, 1.0, 1.0);
}

void Filter::Configure(FilterKind kind, double newF0, double newQ, double newA0, double newTs) {
    type = kind;
    Design(newF0, newQ, newA0, newTs);
}

void Filter::Design(double newF0, double newQ, double newA0, double newTs) {
    f0 = newF0;
    q = newQ;
    amplification = newA0;
    ts = newTs;
    gain = newA0;
    for (int i = 0; i < 7; ++i) {
        num[i] = 0.0;
        den[i] = 0.0;
        xHist[i] = 0.0;
        yHist[i] = 0.0;
    }

    // ωa = (2/Ts)·tan(ω0·Ts/2), k = ωa/Q, W = ωa²·Ts²
    omega0 = f0 * 2 * std::numbers::pi;
    omegaWarped = (2.0 / ts) * std::tan(omega0 * ts * 0.5);
    bandwidth = omegaWarped / q;
    const double w = omegaWarped * omegaWarped * ts * ts;
    const double tk2 = 2.0 * ts * bandwidth;

    if (type == fkDesigned) {
        LoadDesigned();
        return;
    }

    // Bilinear image of s² + k·s + ωa², multiplied by Ts²·(1 + z⁻¹)²:
    // den = (4 + 2·Ts·k + W, 2·W − 8, 4 − 2·Ts·k + W)
    den[0] = 4.0 + tk2 + w;
    den[1] = 2.0 * w - 8.0;
    den[2] = 4.0 - tk2 + w;
    switch (type) {
    case fkBandReject: // s² + ωa²
        num[0] = 4.0 + w;
        num[1] = 2.0 * w - 8.0;
        num[2] = 4.0 + w;
        break;
    case fkHighPass: // s²
    case fkHighPass4th:
        num[0] = 4.0;
        num[1] = -8.0;
        num[2] = 4.0;
        break;
    case fkLowPass: // ωa²
    case fkLowPass4th:
        num[0] = w;
        num[1] = 2.0 * w;
        num[2] = w;
        break;
    case fkDifferentiator:
    case fkIntegrator:
        // Not used by their steps; kept finite.
        for (int i = 0; i < 3; ++i) {
            num[i] = 1.0;
            den[i] = 1.0;
        }
        break;
    default: // band pass k·s; also every code without a design of its own
        num[0] = tk2;
        num[1] = 0.0;
        num[2] = -tk2;
        break;
    }
    if (type == fkHighPass4th || type == fkLowPass4th) {
        // Two identical sections in series.
        MultiplyPolynomials(num, num, num, 2, 2);
        MultiplyPolynomials(den, den, den, 2, 2);
    }

    const double d0 = den[0];
    for (int i = 1; i < 7; ++i) {
        num[i] = num[i] / d0;
        den[i] = den[i] / d0;
    }
    num[0] = num[0] / d0;
    den[0] = 1.0;
}

void Filter::LoadDesigned() {
    // The designer's set is taken as it is, normalised to b0 = 1 but not scaled by A0.
    static constexpr double passThrough[7] = {1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    const double *a = passThrough;
    const double *b = passThrough;
    if (designer != nullptr) {
        designer->Recompute();
        a = designer->A();
        b = designer->B();
        designedRevision = designer->Revision();
    }
    const double b0 = b[0];
    // A typed set with b0 = 0 has no difference equation: refused here, where it would be
    // divided by, rather than run as infinities.
    if (b0 == 0.0) {
        throw FloatingPointError::DivisionByZero();
    }
    num[0] = a[0] / b0;
    for (int i = 1; i < 7; ++i) {
        den[i] = b[i] / b0;
        num[i] = a[i] / b0;
    }
    den[0] = 1.0;
}

double Filter::ProcessChanged(double newF0, double newQ, double newA0, double newTs, double x) {
    if (type == fkIntegrator) {
        return Integrate(false, x, newTs);
    }
    if (type == fkDifferentiator) {
        return Differentiate(x, newTs);
    }
    if (newA0 != amplification) {
        amplification = newA0;
        gain = newA0;
    }
    if (type == fkAllPass) {
        return x * gain;
    }
    if (newF0 != f0 || newQ != q || newTs != ts) {
        Design(newF0, newQ, newA0, newTs);
    } else if (type == fkDesigned && designer != nullptr &&
               designer->Revision() != designedRevision) {
        // The set was changed while running (a pole dragged): the run goes on with the new one.
        LoadDesigned();
    }

    double y;
    if (type == fkDesigned) {
        // y = num0·x + Σ (num[i]·x[n−i] − den[i]·y[n−i]), i = 1..6, returned without gain
        xHist[0] = x;
        double sum = num[0] * x;
        for (int i = 1; i < 7; ++i) {
            sum += num[i] * xHist[i] - den[i] * yHist[i];
        }
        yHist[0] = sum;
        for (int k = 6; k >= 1; --k) {
            yHist[k] = yHist[k - 1];
            xHist[k] = xHist[k - 1];
        }
        return yHist[0];
    }
    if (type == fkHighPass4th || type == fkLowPass4th) {
        // y = n0·x + n1·x1 + n2·x2 + n3·x3 + n4·x4 − d1·y1 − d2·y2 − d3·y3 − d4·y4
        y = num[0] * x + num[1] * xHist[1] + num[2] * xHist[2] + num[3] * xHist[3] +
            num[4] * xHist[4] - den[1] * yHist[1] - den[2] * yHist[2] - den[3] * yHist[3] -
            den[4] * yHist[4];
        yHist[4] = yHist[3];
        yHist[3] = yHist[2];
        xHist[4] = xHist[3];
        xHist[3] = xHist[2];
    } else {
        // y = n0·x + n1·x1 + n2·x2 − d1·y1 − d2·y2
        y = num[0] * x + num[1] * xHist[1] + num[2] * xHist[2] - den[1] * yHist[1] -
            den[2] * yHist[2];
    }
    yHist[2] = yHist[1];
    yHist[1] = y;
    xHist[2] = xHist[1];
    xHist[1] = x;
    return y * gain;
}

void Filter::ProcessBlock(double newF0, double newQ, double newA0, double newTs, const double *in,
                          double *out, int n) {
    if (n <= 0) {
        return;
    }
    // The first sample takes any change of the parameters (a redesign, a new gain).
    out[0] = Process(newF0, newQ, newA0, newTs, in[0]);
    const bool secondOrder = type >= fkBandPass && type <= fkLowPass;
    if (!secondOrder || newF0 != f0 || newQ != q || newTs != ts || newA0 != amplification) {
        for (int i = 1; i < n; ++i) {
            out[i] = Process(newF0, newQ, newA0, newTs, in[i]);
        }
        return;
    }
    const double n0 = num[0], n1 = num[1], n2 = num[2], d1 = den[1], d2 = den[2], g = gain;
    double x1 = xHist[1], x2 = xHist[2], y1 = yHist[1], y2 = yHist[2];
    for (int i = 1; i < n; ++i) {
        const double x = in[i];
        // As Process: y = n0·x + n1·x1 + n2·x2 − d1·y1 − d2·y2, in the same order.
        const double y = n0 * x + n1 * x1 + n2 * x2 - d1 * y1 - d2 * y2;
        y2 = y1;
        y1 = y;
        x2 = x1;
        x1 = x;
        out[i] = y * g;
    }
    xHist[1] = x1;
    xHist[2] = x2;
    yHist[1] = y1;
    yHist[2] = y2;
}

double Filter::ProcessStored(double x, double newTs) {
    return Process(f0, q, amplification, newTs, x);
}

double Filter::Integrate(bool restart, double x, double newTs) {
    if (type != fkIntegrator) {
        return 0.0;
    }
    if (newTs != ts || restart) {
        ts = newTs;
        xHist[1] = 0.0;
        yHist[1] = 0.0;
    }
    // y = (x + x1)·Ts/2 + y1
    const double y = (x + xHist[1]) * ts * 0.5 + yHist[1];
    yHist[1] = y;
    xHist[1] = x;
    return y;
}

double Filter::Differentiate(double x, double newTs) {
    if (type != fkDifferentiator) {
        return 0.0;
    }
    if (newTs != ts) {
        ts = newTs;
        xHist[1] = 0.0;
    }
    // y = (x − x1)/Ts
    const double y = (x - xHist[1]) / ts;
    xHist[1] = x;
    return y;
}

void Filter::Angle::Compute(double theta, unsigned long long thetaBits) {
    cosine = std::cos(theta);
    sine = std::sin(theta);
    bits = thetaBits;
    known = true;
}

void Filter::FrequencyResponse(double newTs, double omega, double &re, double &im) {
    Angle angle;
    FrequencyResponse(newTs, omega, angle, re, im);
}

void Filter::FrequencyResponse(double newTs, double omega, Angle &angle, double &re, double &im) {
    if (newTs != ts) {
        Design(f0, q, amplification, newTs);
    }
    const double theta = omega * ts;
    double nRe = 1.0;
    double nIm = 0.0;
    double dRe = 1.0;
    double dIm = 0.0;
    if (type >= fkBandPass && type <= fkLowPass4th) {
        const int order = type >= fkHighPass4th ? 4 : 2;
        angle.Set(theta);
        const ComplexRatio r = RatioAtAngle(num, den, order, angle.cosine, angle.sine);
        nRe = r.nRe;
        nIm = r.nIm;
        dRe = r.dRe;
        dIm = r.dIm;
    } else if (type == fkDifferentiator) {
        // The backward difference it runs: N = (1 − e^(−jθ))/Ts = ((1 − cos θ) + j·sin θ)/Ts
        angle.Set(theta);
        nRe = (1.0 - angle.cosine) / ts;
        nIm = angle.sine / ts;
    } else if (type == fkIntegrator) {
        // N = (Ts/2)·((cos θ + 1) + j·sin θ), D = (cos θ − 1) + j·sin θ
        angle.Set(theta);
        nRe = ts * 0.5 * (angle.cosine + 1.0);
        nIm = ts * 0.5 * angle.sine;
        dRe = angle.cosine - 1.0;
        dIm = angle.sine;
    }
    // gain·N/D = gN·conj(D)/|D|²
    const double gRe = gain * nRe;
    const double gIm = gain * nIm;
    const double d2 = dRe * dRe + dIm * dIm;
    re = (gRe * dRe + gIm * dIm) / d2;
    im = (dRe * gIm - gRe * dIm) / d2;
}

void MultiplyPolynomials(double *out, const double *p, const double *q, int degP, int degQ) {
    degP = std::clamp(degP, -1, 6);
    degQ = std::clamp(degQ, -1, 6);
    double product[7] = {};
    for (int i = 0; i <= degP; ++i) {
        for (int j = 0; j <= degQ && i + j <= 6; ++j) {
            product[i + j] += p[i] * q[j];
        }
    }
    for (int i = 0; i < 7; ++i) {
        out[i] = product[i];
    }
}

} // namespace kaldorium
