#pragma once

#include "core/signal/DesignedFilterSource.h"
#include "core/signal/Filterclass.h"
#include "core/signal/Oscilloscopeclass.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kaldorium {

class Canvas;

// Gain in dB and phase in degrees (−180 … 180) of a response at one frequency.
struct GainPhase {
    double gainDb = 0.0;
    double phaseDeg = 0.0;
};

// The analogue prototype H(s) that a designed set of `designType` (0 band pass, 1 band reject,
// 2 high pass, 3 low pass; any other code reads as band pass) and `order` (2, 4 or 6) starts
// from, at `frequencyHz`: with ω0 = 2π·f0 the second-order section — band pass (ω0/Q)·s, band
// reject s² + ω0², high pass s², low pass ω0², each over s² + (ω0/Q)·s + ω0² — taken order/2
// times in series and scaled once by A0. The bilinear design pre-warps its frequency axis so
// that it meets this curve at f0 exactly; towards the Nyquist frequency the two part. A zero
// magnitude reads −∞ dB with phase 0.
GainPhase AnaloguePrototypeResponse(int designType, int order, double f0, double q, double a0,
                                    double frequencyHz);

// What the designer reads from the workbench: its filter kind and the texts of four of its fields.
class DesignerWorkbench {
public:
    virtual ~DesignerWorkbench() = default;

    virtual FilterKind CurrentFilterKind() const = 0;
    virtual std::string SamplingPeriodText() const = 0;  // oT
    virtual std::string FilterFrequencyText() const = 0; // sfFrequency
    virtual std::string QfactorText() const = 0;         // sQfactor
    virtual std::string AmplificationText() const = 0;   // sfAmplification
};

// Told which parts of the design changed, so that a window shows them.
class DesignView {
public:
    virtual ~DesignView() = default;
    virtual void DesignChanged(unsigned parts) = 0;
};

// The digital filter designer: the program's one coefficient set Y(Z)/X(Z) = (a0 + a1·Z⁻¹ + … +
// a6·Z⁻⁶)/(b0 + b1·Z⁻¹ + … + b6·Z⁻⁶), computed from a type, an order, f0, Q and A0 or typed by
// hand, analysed back for second order, and its Bode diagram. The state of the designer window
// (radio-group selections, field texts) lives here so that the rules run without a window; the
// window passes the texts the user typed to the handlers and shows what they changed.
class DigitalFilterDesign : public DesignedFilterSource {
public:
    // Parts named to DesignView::DesignChanged.
    enum Part : unsigned {
        Coefficients = 1,   // a, b and their texts
        SamplingPeriod = 2, // sTs
        Frequency = 4,      // sfFrequency
        Qfactor = 8,        // sQfactor
        Amplification = 16, // sfAmplification
        Selection = 32,     // the two radio groups, and with the order what is shown
        Plots = 64,         // the two canvases were drawn on
    };

    static constexpr int UnknownType = 4; // designType of coefficients typed by hand
    static constexpr int BodePoints = 10000;

    DigitalFilterDesign();

    // Where the workbench's kind and field texts come from; without one, the workbench's start-up
    // values (band pass, Ts 0.000025, 2000 Hz, Q 10, A0 2).
    void SetWorkbench(const DesignerWorkbench *source) { workbench = source; }
    void SetView(DesignView *shown) { view = shown; }
    // The gain and phase canvases; nullptr: nothing is drawn.
    void AttachPlots(Canvas *gainCanvas, Canvas *phaseCanvas);

    // DesignedFilterSource
    void Recompute() override;
    const double *A() const override { return a; }
    const double *B() const override { return b; }
    int DesignType() const override { return designType; }
    DesignParameters Parameters() const override { return {designType, f0, q, amplification}; }

    // Handlers of the designer window; the texts are what the fields hold at the moment.
    void FormActivate();
    void CalcFilterClick();
    void BodePlotClick();
    void fFrequencyIClick(bool up, const std::string &fieldText);
    void QfactorIClick(bool up, const std::string &fieldText);
    void fAmplificationIClick(bool up, const std::string &fieldText);
    void sfFrequencyExit(const std::string &fieldText);
    void sQfactorExit(const std::string &fieldText);
    void sfAmplificationExit(const std::string &fieldText);
    void a0Exit(const std::array<std::string, 7> &aTexts, const std::array<std::string, 7> &bTexts);
    void a0KeyUp();
    // A set given from outside (a pole or zero dragged): taken as a set typed by hand.
    void SetCoefficients(const double (&newA)[7], const double (&newB)[7]);

    // A selection of a radio-group item, by the user or by code: when it changes the selection,
    // the group's click handler runs.
    void SelectFilterType(int index);
    void SelectFilterOrder(int index);

    // The Bode computation alone (BodePlotClick computes, then draws).
    void ComputeBode();
    // Draws the computed Bode diagram again, if one is on the plots (an overlay changed).
    void RedrawBode();
    // Draws the plots again as they stand (the canvases were resized): the Bode diagram, zoomed
    // or not, or the empty grids.
    void RedrawPlots();
    // Shows the Bode diagram over the ranges given (a zoom; x in log10 of Hz, the same for
    // both plots): over a part of the frequency axis the response is computed afresh at
    // BodePoints frequencies spaced evenly in log frequency, so a zoom shows detail rather than
    // stretched points. The extremes and the half power points stay those of the whole
    // diagram; the whole diagram's own ranges show it exactly as BodePlotClick drew it.
    void ZoomBode(const PlotRanges &gainRanges, const PlotRanges &phaseRanges);
    bool BodeZoomed() const { return bodeZoom.has_value(); }
    // Gain in dB and phase in degrees of the set a over b at θ = ω·T.
    static GainPhase ResponseAt(const double *a, const double *b, double theta);

    // What the designer window's fields show.
    struct FieldTexts {
        std::string sTs = "sTs";
        std::string sfFrequency = "2000";
        std::string sQfactor = "10";
        std::string sfAmplification = "2";
        std::array<std::string, 7> a{"0", "0", "0", "0", "0", "0", "0"};
        std::array<std::string, 7> b{"0", "0", "0", "0", "0", "0", "0"};
    };

    double f0 = 2000.0;
    double q = 10.0;
    double amplification = 2.0;
    double ts = 0.000025;
    int designType = 0;
    int order = 2;
    double num2nd[3] = {};
    double den2nd[3] = {};
    double a[7] = {};
    double b[7] = {};
    bool firstActivation = true;
    bool ready = false;
    int filterTypeIndex = 0;
    int filterOrderIndex = 0;
    FieldTexts texts;

    std::array<double, BodePoints> frequency{}; // rad/s
    std::array<double, BodePoints> gainDb{};
    std::array<double, BodePoints> phaseDeg{};
    double gainMin = 0.0;
    double gainMax = 0.0;
    double phaseMin = 0.0; // rad
    double phaseMax = 0.0; // rad
    // The half power points of the computed response, rad/s, ascending.
    std::vector<double> halfPower;
    // The plots show the computed Bode diagram (not the empty grids).
    bool bodeShown = false;

    Oscilloscope gainPlot;
    Oscilloscope phasePlot;

private:
    void FilterTypeClick();
    void FilterOrderClick();
    void ClearPlots();
    void DrawBode();
    void DrawBodeOver(const PlotRanges &gainRanges, const PlotRanges &phaseRanges);
    // The whole diagram's axes, as BodePlotClick draws them.
    PlotRanges WholeGainRanges() const;
    PlotRanges WholePhaseRanges() const;
    void Notify(unsigned parts);
    const DesignerWorkbench &Workbench() const;
    // The stepped value of a field: the fine step of base S and threshold L, none for a value
    // that is not positive (the clamp that follows decides).
    static double SteppedValue(const std::string &fieldText, bool up, double baseStep,
                               double threshold);

    const DesignerWorkbench *workbench = nullptr;
    DesignView *view = nullptr;
    Canvas *gainCanvas = nullptr;
    Canvas *phaseCanvas = nullptr;
    // The ranges shown while the diagram is zoomed; the arrays then hold the zoomed points.
    std::optional<std::pair<PlotRanges, PlotRanges>> bodeZoom;
    bool arraysZoomed = false;
    double bodeOmegaStart = 0.0; // rad/s, the whole diagram's first point
};

} // namespace kaldorium
