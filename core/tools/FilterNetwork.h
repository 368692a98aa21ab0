#pragma once

#include "core/signal/Filterclass.h"

#include <string>

namespace kaldorium {

// The settings of one stage as the network window holds them.
struct StageSetting {
    bool use = false;
    int kind = fkAllPass; // 0 … 8, passed unchanged as the Filter's kind
    double frequency = 1000.0;
    double q = 1.0;
    double amplification = 1.0;
};

// The texts of one stage as the window's controls hold them, before conversion.
struct StageTexts {
    bool use = false;
    int kind = fkAllPass;
    std::string frequency = "1000";
    std::string q = "1";
    std::string amplification = "1";
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

    // Steps every stage once with (0, 1 s) and clears every history, so that the next run starts
    // from cleared stages whatever period they had.
    void ClearStages();

    // Magnitude and phase (radians) of the whole network at ω for period Ts.
    void FrequencyResponse(double omega, double ts, double &magnitude, double &phase);
    // The same as a complex number.
    void Response(double omega, double ts, double &re, double &im);

    // Configures the stages from the window's fourteen settings (indexed like the stages).
    void ApplySettings(const StageSetting (&settings)[StageCount]);

    // Converts the texts of every used stage, stage by stage in the order InputFilter,
    // OutputFilter, FA1 … FA4, FB1 … FB4, FC1 … FC4 and within a stage amplification, Q,
    // frequency; the first text that is not a number throws ConversionError. Stages not used
    // keep the defaults of StageSetting.
    static void ReadSettings(const StageTexts (&texts)[StageCount],
                             StageSetting (&settings)[StageCount]);

    // ReadSettings, then ApplySettings: a design is applied whole or, on a bad text, not at all
    // (the stages and `modified` stay as they were).
    void ApplyTexts(const StageTexts (&texts)[StageCount]);

    Filter stages[StageCount];
    bool modified = false;

private:
    // One stage's step, with the differentiator and integrator normalised to unit gain at ωref.
    double Corrected(int stage, double x, double ts, double omegaRef);
    double StoredStep(int stage, double x, double ts, double omegaRef);
    void SetInitialState();
};

} // namespace kaldorium
