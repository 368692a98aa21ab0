#pragma once

#include "signal/Filterclass.h"

namespace kaldorium {

// The settings of one stage as the network window holds them.
struct StageSetting {
    bool use = false;
    int kind = fkAllPass; // 0 … 8, passed unchanged as the Filter's kind
    double frequency = 1000.0;
    double q = 1.0;
    double amplification = 1.0;
};

// Fourteen filter stages: an input stage, four parallel branches of three stages in series, and an
// output stage after the sum of the branches. One object for the whole program.
class FilterNetwork {
public:
    static constexpr int StageCount = 14;
    static constexpr int InputStage = 0;
    static constexpr int OutputStage = 13;
    // Branch k (1 … 4) has its stages A, B, C at 3k − 2, 3k − 1, 3k.
    static constexpr int StageIndex(int branch, int column) { return 3 * branch - 2 + column; }

    // All stages gain stages with period 1 s; branch 1 a gain of 1, branches 2 to 4 a gain of 0,
    // so the network passes its input unchanged.
    FilterNetwork();

    // One sample through the network; differentiator and integrator stages are normalised to unit
    // gain at ωref.
    double ProcessSample(double x, double ts, double omegaRef);

    // Steps every stage once with (0, 1 s) so that the next run starts from cleared histories.
    void ClearStages();

    // Magnitude and phase (radians) of the whole network at ω for period Ts.
    void FrequencyResponse(double omega, double ts, double &magnitude, double &phase);

    // Configures the stages from the window's fourteen settings (indexed like the stages).
    void ApplySettings(const StageSetting (&settings)[StageCount]);

    Filter stages[StageCount];
    bool modified = false;

private:
    double Corrected(int stage, double x, double ts, double omegaRef);
    void SetInitialState();
};

} // namespace kaldorium
