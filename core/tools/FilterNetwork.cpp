#include "core/tools/FilterNetwork.h"

#include "core/common/NumberText.h"

#include <cmath>
#include <initializer_list>

namespace kaldorium {

namespace {

// Filter::FrequencyResponse of a stage of a second- or fourth-order kind already designed for
// the period, with the same operations in the same order, for cos θ and sin θ given: gain·N/D
// with N = Σ num[i]·e^(−j·i·θ), D = Σ den[i]·e^(−j·i·θ), the powers of e^(−jθ) by rotation.
template <int Order>
void RationalResponse(const Filter &f, double cosine, double sine, double &re, double &im) {
    const double zRe = cosine;
    const double zIm = -sine;
    double pRe = 1.0;
    double pIm = 0.0;
    double nRe = 0.0;
    double nIm = 0.0;
    double dRe = 0.0;
    double dIm = 0.0;
    for (int i = 0; i <= Order; ++i) {
        nRe += f.num[i] * pRe;
        nIm += f.num[i] * pIm;
        dRe += f.den[i] * pRe;
        dIm += f.den[i] * pIm;
        const double next = pRe * zRe - pIm * zIm;
        pIm = pRe * zIm + pIm * zRe;
        pRe = next;
    }
    const double gRe = f.gain * nRe;
    const double gIm = f.gain * nIm;
    const double d2 = dRe * dRe + dIm * dIm;
    re = (gRe * dRe + gIm * dIm) / d2;
    im = (dRe * gIm - gRe * dIm) / d2;
}

// One stage's response at ω for period ts, its cos θ and sin θ from `angle`.
inline void StageResponse(Filter &f, double omega, double ts, Filter::Angle &angle, double &re,
                          double &im) {
    if (ts == f.ts && f.type >= fkBandPass && f.type <= fkLowPass4th) {
        angle.Set(omega * f.ts);
        if (f.type >= fkHighPass4th) {
            RationalResponse<4>(f, angle.cosine, angle.sine, re, im);
        } else {
            RationalResponse<2>(f, angle.cosine, angle.sine, re, im);
        }
        return;
    }
    f.FrequencyResponse(ts, omega, angle, re, im);
}

} // namespace

FilterNetwork::FilterNetwork() {
    SetInitialState();
}

void FilterNetwork::SetInitialState() {
    for (Filter &stage : stages) {
        stage.Configure(fkAllPass, 1.0, 1.0, 1.0, 1.0);
    }
    for (int branch = 2; branch <= 4; ++branch) {
        stages[StageIndex(branch, 0)].Configure(fkAllPass, 1.0, 1.0, 0.0, 1.0);
    }
    modified = false;
}

inline double FilterNetwork::Corrected(int stage, double x, double ts, double omegaRef) {
    Filter &f = stages[stage];
    // The common case — a filtering stage already designed for this period — is the stage's own
    // step with its parameters unchanged, done here without the call and its parameter checks;
    // everything else goes through ProcessStored.
    if (ts == f.ts) {
        switch (f.type) {
        case fkAllPass:
            return x * f.gain;
        case fkHighPass4th:
        case fkLowPass4th: {
            // y = n0·x + n1·x1 + n2·x2 + n3·x3 + n4·x4 − d1·y1 − d2·y2 − d3·y3 − d4·y4
            double *xh = f.xHist;
            double *yh = f.yHist;
            const double y = f.num[0] * x + f.num[1] * xh[1] + f.num[2] * xh[2] + f.num[3] * xh[3] +
                             f.num[4] * xh[4] - f.den[1] * yh[1] - f.den[2] * yh[2] -
                             f.den[3] * yh[3] - f.den[4] * yh[4];
            yh[4] = yh[3];
            yh[3] = yh[2];
            xh[4] = xh[3];
            xh[3] = xh[2];
            yh[2] = yh[1];
            yh[1] = y;
            xh[2] = xh[1];
            xh[1] = x;
            return y * f.gain;
        }
        case fkDifferentiator:
        case fkIntegrator:
        case fkDesigned:
            return StoredStep(stage, x, ts, omegaRef);
        default: {
            // y = n0·x + n1·x1 + n2·x2 − d1·y1 − d2·y2
            double *xh = f.xHist;
            double *yh = f.yHist;
            const double y = f.num[0] * x + f.num[1] * xh[1] + f.num[2] * xh[2] - f.den[1] * yh[1] -
                             f.den[2] * yh[2];
            yh[2] = yh[1];
            yh[1] = y;
            xh[2] = xh[1];
            xh[1] = x;
            return y * f.gain;
        }
        }
    }
    return StoredStep(stage, x, ts, omegaRef);
}

double FilterNetwork::StoredStep(int stage, double x, double ts, double omegaRef) {
    const Filter &f = stages[stage];
    const double y = stages[stage].ProcessStored(x, ts);
    switch (f.type) {
    case fkDifferentiator:
        return y / omegaRef;
    case fkIntegrator:
        return y * omegaRef;
    default:
        return y;
    }
}

double FilterNetwork::ProcessSample(double x, double ts, double omegaRef) {
    const double u = Corrected(InputStage, x, ts, omegaRef);
    double branch[4] = {u, u, u, u};
    for (int column = 0; column < 3; ++column) {
        for (int k = 0; k < 4; ++k) {
            branch[k] = Corrected(StageIndex(k + 1, column), branch[k], ts, omegaRef);
        }
    }
    const double sum = branch[0] + branch[1] + branch[2] + branch[3];
    return Corrected(OutputStage, sum, ts, omegaRef);
}

void FilterNetwork::ClearStages() {
    for (Filter &stage : stages) {
        stage.ProcessStored(0.0, 1.0);
        // A stage already at 1 s (or an integrator, which keeps its sum) is not redesigned by
        // the step above.
        for (int i = 0; i < 7; ++i) {
            stage.xHist[i] = 0.0;
            stage.yHist[i] = 0.0;
        }
    }
}

void FilterNetwork::FrequencyResponse(double omega, double ts, double &magnitude, double &phase) {
    double sRe = 0.0;
    double sIm = 0.0;
    Response(omega, ts, sRe, sIm);
    magnitude = std::sqrt(sRe * sRe + sIm * sIm);
    phase = (sRe == 0.0 && sIm == 0.0) ? 0.0 : std::atan2(sIm, sRe);
}

void FilterNetwork::Response(double omega, double ts, double &sRe, double &sIm) {
    // H = (Σ_k A_k·B_k·C_k) · H_input · H_output. The stages share one θ = ω·Ts, so its cosine
    // and sine are computed once.
    Filter::Angle angle;
    sRe = 0.0;
    sIm = 0.0;
    for (int k = 1; k <= 4; ++k) {
        double pRe = 1.0;
        double pIm = 0.0;
        for (int column = 0; column < 3; ++column) {
            double re = 0.0;
            double im = 0.0;
            StageResponse(stages[StageIndex(k, column)], omega, ts, angle, re, im);
            const double nextRe = pRe * re - pIm * im;
            pIm = pRe * im + pIm * re;
            pRe = nextRe;
        }
        sRe += pRe;
        sIm += pIm;
    }
    for (int stage : {InputStage, OutputStage}) {
        double re = 0.0;
        double im = 0.0;
        StageResponse(stages[stage], omega, ts, angle, re, im);
        const double nextRe = sRe * re - sIm * im;
        sIm = sRe * im + sIm * re;
        sRe = nextRe;
    }
}

void FilterNetwork::ApplySettings(const StageSetting (&settings)[StageCount]) {
    for (Filter &stage : stages) {
        stage.Configure(fkAllPass, 1.0, 1.0, 1.0, 1.0);
    }
    bool branchUsed[5] = {};
    for (int i = 0; i < StageCount; ++i) {
        const StageSetting &s = settings[i];
        if (!s.use) {
            continue;
        }
        // The period 1 s is a placeholder: the first sample at the real period redesigns.
        stages[i].Configure(s.kind, s.frequency, s.q, s.amplification, 1.0);
        if (i != InputStage && i != OutputStage) {
            branchUsed[(i + 2) / 3] = true;
        }
    }
    bool otherBranchUsed = false;
    for (int k = 2; k <= 4; ++k) {
        if (!branchUsed[k]) {
            stages[StageIndex(k, 0)].Configure(fkAllPass, 1.0, 1.0, 0.0, 1.0);
        } else {
            otherBranchUsed = true;
        }
    }
    if (!branchUsed[1] && otherBranchUsed) {
        stages[StageIndex(1, 0)].Configure(fkAllPass, 1.0, 1.0, 0.0, 1.0);
    }
    modified = false;
}

void FilterNetwork::ReadSettings(const StageTexts (&texts)[StageCount],
                                 StageSetting (&settings)[StageCount]) {
    static constexpr int readingOrder[StageCount] = {InputStage, OutputStage, 1,  4, 7, 10, 2,
                                                     5,          8,           11, 3, 6, 9,  12};
    for (int stage : readingOrder) {
        const StageTexts &t = texts[stage];
        StageSetting &s = settings[stage];
        s = StageSetting{};
        if (!t.use) {
            continue;
        }
        s.use = true;
        s.kind = t.kind;
        s.amplification = ParseDouble(t.amplification);
        s.q = ParseDouble(t.q);
        s.frequency = ParseDouble(t.frequency);
    }
}

void FilterNetwork::ApplyTexts(const StageTexts (&texts)[StageCount]) {
    StageSetting settings[StageCount];
    ReadSettings(texts, settings);
    ApplySettings(settings);
}

} // namespace kaldorium
