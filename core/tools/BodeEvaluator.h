#pragma once

#include "core/tools/BodeResponse.h"
#include "core/tools/FilterNetwork.h"

#include <bit>
#include <cmath>

namespace kaldorium {

class DesignedFilterSource;

// The formulas a Bode plot evaluates, one per kind of filter, behind one evaluator.
namespace bode {

enum class Formula {
    Digital,
    Digital4th,
    AnalogueLowPass,
    AnalogueHighPass,
    AnalogueBandPass,
    AnalogueBandReject,
    AnalogueLowPass4th,
    AnalogueHighPass4th,
    Differentiator,
    Integrator,
    Designed,
    Network,
};

struct Point {
    double gain;  // dB
    double phase; // rad
};

// Second-order digital coefficients of the bilinear transform with pre-warping.
struct Biquad {
    double num[3];
    double den[3];
};

// cos θ and sin θ of one point: the response and its delay share them.
struct Turn {
    double cs = 1.0;
    double sn = 0.0;
};

// One filter's gain and phase at any angular frequency: the sweep and the refinement of its
// half power points evaluate the same formula.
class Evaluator {
public:
    Evaluator(Formula f, const BodeInputs &inputs, const DesignedFilterSource &designed,
              FilterNetwork &filterNetwork);

    // Gain and phase at ω.
    Point At(double omega) const;

    // −dφ/dω, s.
    double DelayAt(double omega) const;

private:
    // cos θ and sin θ; the last pair is kept, since the sweep asks for the gain and then the
    // delay at each point.
    Turn TurnAt(double theta) const {
        const auto bits = std::bit_cast<unsigned long long>(theta);
        if (!turnKnown || bits != lastTheta) {
            lastTurn = {std::cos(theta), std::sin(theta)};
            lastTheta = bits;
            turnKnown = true;
        }
        return lastTurn;
    }
    // The network's response at ω; the last one is kept, since the sweep asks for the gain and
    // then the delay (the response around ω) at each point.
    void NetworkAt(double omega, double &magnitude, double &phase) const {
        const auto bits = std::bit_cast<unsigned long long>(omega);
        if (!lastKnown || bits != lastOmega) {
            network->Response(omega, in.ts, lastRe, lastIm);
            // As FilterNetwork::FrequencyResponse gives them.
            lastMagnitude = std::sqrt(lastRe * lastRe + lastIm * lastIm);
            lastPhase = (lastRe == 0.0 && lastIm == 0.0) ? 0.0 : std::atan2(lastIm, lastRe);
            lastOmega = bits;
            lastKnown = true;
        }
        magnitude = lastMagnitude;
        phase = lastPhase;
    }

    Formula formula;
    const BodeInputs &in;
    Biquad biquad{};
    const double *a;
    const double *b;
    FilterNetwork *network;
    mutable unsigned long long lastTheta = 0;
    mutable bool turnKnown = false;
    mutable Turn lastTurn;
    mutable unsigned long long lastOmega = 0;
    mutable bool lastKnown = false;
    mutable double lastRe = 0.0;
    mutable double lastIm = 0.0;
    mutable double lastMagnitude = 0.0;
    mutable double lastPhase = 0.0;
};

} // namespace bode

} // namespace kaldorium
