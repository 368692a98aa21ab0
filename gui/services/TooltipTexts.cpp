#include "gui/services/Tooltips.h"

#include <cstring>

namespace {

// One sentence per control. An entry without a window class serves every window that has a
// control of that name (the two workbenches share their filter and trace controls); an entry
// with a class wins over it in that window.
struct Tip {
    const char *window;
    const char *control;
    const char *text;
};

constexpr const char *Any = "";

// clang-format off
const Tip Tips[] = {
    // The workbench: oscillator.
    {"TDSPMainForm", "soFrequency", "Oscillator frequency in Hz, above 0"},
    {Any, "oFrequencyI", "Step the oscillator frequency up or down by a step that fits its size"},
    {"TDSPMainForm", "soAmplitude", "Oscillator amplitude (peak), above 0"},
    {Any, "oAmplitudeI", "Step the amplitude up or down by a step that fits its size"},
    {"TDSPMainForm", "soSamples", "Samples per cycle N of the oscillator, a whole number of at least 10; sets the sampling period"},
    {Any, "oSamplesI", "Add or take one sample per cycle (not below 10)"},
    {"TDSPMainForm", "oT", "Sampling period Ts in seconds, 1/(f·N): set it through the frequency and the samples per cycle"},
    {"TDSPMainForm", "soDC_Offset", "DC offset added to the oscillator's signal, any number"},
    {Any, "oDC_OffsetI", "Add or take 1 from the DC offset"},
    {"TDSPMainForm", "soDutyCycle", "Duty cycle of the square wave in %, kept so both parts last at least one sampling period"},
    {Any, "oDutyCycleI", "Add or take 1 % from the duty cycle"},
    {Any, "SineWave", "Use a sine wave as the input signal"},
    {Any, "SquareWave", "Use a square wave (with the duty cycle below) as the input signal"},
    {Any, "SawTooth", "Use a sawtooth wave as the input signal"},
    {Any, "FSawTooth", "Use a sawtooth made with a deliberate fault, to show what a faulty generator does"},
    {Any, "Triangle", "Use a triangle wave as the input signal"},
    {Any, "FTriangle", "Use a triangle made with a deliberate fault, to show what a faulty generator does"},
    {Any, "FileData", "Play the samples of a data file (.DSI) as one cycle of the input signal"},
    {"TDSPMainForm", "InputFileName", "The data file whose samples form one cycle of the input"},
    {"TDSPMainForm", "GetInputFile", "Choose the data file (.DSI) the input plays"},
    {"TDSPMainForm", "EditInputFile", "Open the input data file in the data file editor"},
    {"TDSPMainForm", "oTest", "Run the input signal on the display (black trace); click again to stop"},
    {"TDSPMainForm", "oDFT", "Line spectrum of one cycle of the input by the direct DFT"},
    {"TDSPMainForm", "oFFT", "Line spectrum of the input by the FFT"},
    {"TDSPMainForm", "WaveFiles", "Open the WAV workbench to filter, transform and play WAVE files"},
    {Any, "AddNoise", "Add noise proportional to the signal, at the signal-to-noise ratio beside it"},
    {Any, "sSN_Ratio", "Signal-to-noise ratio as a plain amplitude ratio (not dB), above 0"},
    {Any, "NormalNoise", "Evenly distributed noise"},
    {Any, "GaussianNoise", "Noise with a normal (Gaussian) distribution"},
    {"TDSPMainForm", "Modulate", "Modulate a 700 kHz carrier with the input signal"},
    {"TDSPMainForm", "AM_Modulate", "Amplitude modulation, with the modulation factor in %"},
    {"TDSPMainForm", "FM_Modulate", "Frequency modulation (100 kHz deviation); not available"},
    {"TDSPMainForm", "sModulationFactor", "Amplitude modulation factor in %, 1 to 100: set it with the stepper"},
    {"TDSPMainForm", "ModulationFactorI", "Step the modulation factor between 1 and 100 %"},
    {Any, "Rectify", "Rectify the input signal before the filter"},
    {Any, "HalfRectify", "Half-wave rectification: negative samples become 0"},
    {Any, "FullRectify", "Full-wave rectification: every sample becomes its magnitude"},
    {"TDSPMainForm", "OutputToFile", "Write every sample of the next run to the output data file (at most 1,048,576 rows)"},
    {"TDSPMainForm", "OutputFileName", "The data file (.DSO) a run writes"},
    {"TDSPMainForm", "GetOutputFile", "Choose the data file (.DSO) a run writes"},
    {"TDSPMainForm", "EditOutputFile", "Open the output data file in the data file editor"},
    {"TDSPMainForm", "RMS_Field_Display1", "RMS of the input over the last whole cycles"},
    {"TDSPMainForm", "RMS_Field_Display2", "RMS of the filter's output over the last whole cycles"},
    {"TDSPMainForm", "Range_Field_Display1", "Peak-to-peak range of the input"},
    {"TDSPMainForm", "Range_Field_Display2", "Peak-to-peak range of the filter's output"},

    // The filter, on both workbenches.
    {Any, "sfFrequency", "Filter centre or corner frequency in Hz, above 0 and at most half the sampling rate"},
    {Any, "fFrequencyI", "Step the filter frequency up or down by a step that fits its size"},
    {Any, "sQfactor", "Filter quality factor Q, above 0 (bandwidth = frequency / Q)"},
    {Any, "QfactorI", "Step the quality factor up or down by a step that fits its size"},
    {Any, "sfAmplification", "Filter gain at its centre or in its pass band, as a plain factor above 0"},
    {Any, "fAmplificationI", "Step the filter gain up or down by a step that fits its size"},
    {Any, "fTest", "Run the input through the filter: input black, output red; click again to stop"},
    {Any, "RealTime", "Run tests, responses and views at the pace of the clock instead of as fast as the machine can"},
    {Any, "TimeStretch", "How fast simulated time passes in real time: 1× is the wall clock, 1/1000× lets you watch each sample drawn"},
    {Any, "ListenTo", "At 1× in real time, play the input or the output through the sound device as it is computed"},
    {Any, "SoundStatus", "Dropouts counted while listening (the machine too slow for the sound), or why nothing is heard"},
    {Any, "Clipping", "Lit while samples beyond ±1 are played: they are clipped for the speaker only, never in the data file"},
    {Any, "fDFT", "Line spectrum of the filter's output by the direct DFT"},
    {Any, "fFFT", "Line spectrum of the filter's output by the FFT"},
    {Any, "BandPass", "Second-order digital band pass"},
    {Any, "BandReject", "Second-order digital band reject (notch)"},
    {Any, "HighPass", "Second-order digital high pass"},
    {Any, "HighPass2", "Fourth-order digital high pass"},
    {Any, "LowPass", "Second-order digital low pass"},
    {Any, "LowPass2", "Fourth-order digital low pass"},
    {Any, "DesignedFilter", "The filter designed in the digital filter designer"},
    {Any, "NetworkFiltering", "The network of up to fourteen filter stages"},
    {Any, "Diffrentiate", "Digital differentiator"},
    {Any, "Integrate", "Digital integrator"},
    {Any, "Differentiator", "Digital differentiator"},
    {Any, "Integrator", "Digital integrator"},
    {Any, "DesignNetwork", "Design the filter network"},
    {"TDSPMainForm", "MakeBodePlot", "Gain and phase of the selected filter against frequency"},
    {"TDSPMainForm", "StepResponse", "Draw the selected filter's response to a unit step"},
    {"TDSPMainForm", "ImpulseResponse", "Draw the selected filter's response to a unit impulse"},
    {"TDSPMainForm", "DigitalFiltersDesign", "Open the digital filter designer"},
    {"TDSPMainForm", "AnalogueFiltersDesign", "Open the analogue active-filter calculator"},

    // The trace and time scales, on both workbenches.
    {Any, "sSignal1Scale", "Amplitude of the black trace (input) at the top of the display, above 0"},
    {Any, "Signal1ScaleI", "Step the black trace's scale up or down"},
    {Any, "Signal1ScaleM", "Multiply or divide the black trace's scale by 10"},
    {Any, "sSignal1Shift", "Shift of the black trace (input) up or down, in the signal's units"},
    {Any, "Signal1ShiftI", "Shift the black trace by a tenth of its scale"},
    {Any, "sSignal2Scale", "Amplitude of the red trace (output) at the top of the display, above 0"},
    {Any, "Signal2ScaleI", "Step the red trace's scale up or down"},
    {Any, "Signal2ScaleM", "Multiply or divide the red trace's scale by 10"},
    {Any, "sSignal2Shift", "Shift of the red trace (output) up or down, in the signal's units"},
    {Any, "Signal2ShiftI", "Shift the red trace by a tenth of its scale"},
    {Any, "CoupleScale", "Keep both traces at the same scale"},
    {"TDSPMainForm", "sTimeScale", "Time across the display in milliseconds, above 0"},
    {Any, "TimeScaleI", "Step the time across the display up or down"},
    {Any, "TimeScaleM", "Multiply or divide the time across the display by 10"},
    {Any, "ClickX", "Where the last click fell: time, or frequency on a spectrum"},
    {Any, "ClickY", "The trace's value at the cursor"},

    // The WAV workbench.
    {"TWAVMainForm", "InputFile", "The WAVE file to view, filter, transform and play (8- or 16-bit PCM)"},
    {"TWAVMainForm", "GetInputFile", "Choose the input WAVE file"},
    {"TWAVMainForm", "PlayInput", "Play the input file; click again to stop"},
    {"TWAVMainForm", "iView", "Sweep the input's channels across the display"},
    {"TWAVMainForm", "DFT_Input", "Spectrum of the input by the direct DFT, in a spectrum window"},
    {"TWAVMainForm", "FFT_Input", "Spectrum of the input by the FFT, in a spectrum window"},
    {"TWAVMainForm", "sFormat", "Format tag of the input (1 is uncompressed PCM)"},
    {"TWAVMainForm", "sChannels", "Channels of the input: 1 mono, 2 stereo"},
    {"TWAVMainForm", "sSampleRate", "Sample rate of the input in samples per second"},
    {"TWAVMainForm", "sBytesPerSec", "Bytes of audio per second of the input"},
    {"TWAVMainForm", "sBytesPerSample", "Bytes of one sample frame (all channels)"},
    {"TWAVMainForm", "sBitsPerChannel", "Bits of one channel's sample: 8 or 16"},
    {"TWAVMainForm", "sBytes", "Bytes of audio data in the input"},
    {"TWAVMainForm", "sSamples", "Sample frames in the input"},
    {"TWAVMainForm", "sSeconds", "Duration of the input in seconds"},
    {"TWAVMainForm", "sTs", "Sampling period of the input in seconds, 1 / sample rate"},
    {"TWAVMainForm", "Compressed", "Checked when the input is not plain PCM (such files are refused)"},
    {"TWAVMainForm", "bView", "Sweep the input (black) and the output (red) across the display together"},
    {"TWAVMainForm", "CopyInputFile", "Copy the input WAVE file to the output file unchanged"},
    {"TWAVMainForm", "CopyData", "Write the input's samples as numbers to a text file you name"},
    {"TWAVMainForm", "sSpeedFactor", "Factor for Speed Up and Slow Down, above 0"},
    {"TWAVMainForm", "SpeedUp", "Write the output at the sample rate times the factor: faster and higher"},
    {"TWAVMainForm", "SlowDown", "Write the output at the sample rate divided by the factor: slower and lower"},
    {"TWAVMainForm", "DFT_Window", "Window function of the block effects and spectra"},
    {"TWAVMainForm", "fTest", "Run the input through the filter on the display: input black, output red"},
    {"TWAVMainForm", "fDFT", "Spectra of the input and the filter's output by the direct DFT"},
    {"TWAVMainForm", "fFFT", "Spectra of the input and the filter's output by the FFT"},
    {"TWAVMainForm", "OutputFile", "The WAVE file the effects write"},
    {"TWAVMainForm", "GetOutputFile", "Choose the output WAVE file"},
    {"TWAVMainForm", "PlayOutput", "Play the output file; click again to stop"},
    {"TWAVMainForm", "oView", "Sweep the output's channels across the display"},
    {"TWAVMainForm", "DFT_Output", "Spectrum of the output by the direct DFT, in a spectrum window"},
    {"TWAVMainForm", "FFT_Output", "Spectrum of the output by the FFT, in a spectrum window"},
    {"TWAVMainForm", "ModifyFile", "Filter every sample of the input with the selected filter into the output"},
    {"TWAVMainForm", "FFT_Filtering", "Filter the input ideally in the frequency domain, block by block, into the output"},
    {"TWAVMainForm", "FrequencyShifter", "Move each block's spectrum by the number of bins in the box beside, dropping what leaves the band"},
    {"TWAVMainForm", "FrequencyShift", "Bins to shift or rotate by (a whole number, + moves down); the comb spacing for Robot"},
    {"TWAVMainForm", "FrequencyRotater", "Move each block's spectrum by the bins beside, wrapping what leaves the band"},
    {"TWAVMainForm", "Robot", "Clear a comb of bins in each block: from every s-th bin (box beside) clear Factor bins"},
    {"TWAVMainForm", "Retard", "Sample and hold: keep every k-th sample (box beside) and repeat it k times"},
    {"TWAVMainForm", "FrequencyShift2", "Bins Robot clears at each tooth of its comb, a whole number"},
    {"TWAVMainForm", "sTimeScale", "Time across the display in milliseconds, above 0"},
    {"TWAVMainForm", "EffectProgress", "How far the running effect has come"},

    // The spectrum window.
    {"TDFTMainForm", "sSampleRate", "Sample rate of the analysed file in samples per second"},
    {"TDFTMainForm", "sNumSamples", "Sample frames in the analysed file"},
    {"TDFTMainForm", "sMaxFrequency", "Highest frequency of the spectrum in Hz: half the sample rate"},
    {"TDFTMainForm", "sDFT_Samples", "Samples per transform block N; bins are sample rate / N apart"},
    {"TDFTMainForm", "InputFile", "The WAVE file analysed"},
    {"TDFTMainForm", "PlayInput", "Play the analysed file; click again to stop"},
    {"TDFTMainForm", "OutputToFile", "Write the spectrum as numbers to a DFT text file"},
    {"TDFTMainForm", "ViewDFTFile", "Open a DFT text file in the data file editor"},
    {"TDFTMainForm", "sSignal1Scale", "Amplitude at the top of the plot: the spectrum is normalised to 1"},
    {"TDFTMainForm", "sFrom_Sample", "First bin shown, a whole number from 1; at least 19 bins below the last"},
    {"TDFTMainForm", "From_SampleI", "Show one bin more or less at the low end"},
    {"TDFTMainForm", "sTo_Sample", "Last bin shown, a whole number up to N/2; at least 19 bins above the first"},
    {"TDFTMainForm", "To_SampleI", "Show one bin more or less at the high end"},
    {"TDFTMainForm", "WindowType", "Window function applied to each block before the transform"},
    {"TDFTMainForm", "Stop", "Stop the analysis"},
    {"TDFTMainForm", "ViewKind", "Spectrum of the whole file, or the spectrogram: how the spectrum changes in time"},
    {"TDFTMainForm", "DbRange", "Levels shown in the spectrogram, in dB below the top, 40 to 140"},
    {"TDFTMainForm", "DbTop", "Level in dB drawn brightest; empty takes the file's loudest"},
    {"TDFTMainForm", "Overlap", "How much neighbouring blocks of the spectrogram overlap: 0, 50, 75 or 87.5 %"},
    {"TDFTMainForm", "Channels", "The channel the spectrogram shows: left, right, their sum, or left and right side by side"},
    {"TDFTMainForm", "StopCalculation", "Stop computing the spectrogram"},
    {"TDFTMainForm", "ClickLevel", "Level in dB at the pointer on the spectrogram"},
    {"TWAVMainForm", "Spectrogram_Input", "Open the input's spectrogram in a spectrum window"},

    // The Bode plot and the designer's plots.
    {Any, "GainPlot", "Gain in dB against frequency: click for cursor 1, Shift+click for cursor 2"},
    {Any, "PhasePlot", "Phase in degrees against frequency: click for cursor 1, Shift+click for cursor 2"},
    {Any, "GainPlotScreen", "Gain in dB against frequency: click for cursor 1, Shift+click for cursor 2"},
    {Any, "PhasePlotScreen", "Phase in degrees against frequency: click for cursor 1, Shift+click for cursor 2"},
    {Any, "DelayPlot", "Group delay in ms against frequency: how long each frequency takes through the filter"},
    {Any, "ShowGroupDelay", "Show the filter's group delay under the phase"},
    {Any, "DelayX", "Frequency in Hz under the pointer on the group delay plot"},
    {Any, "DelayY", "Group delay in ms under the pointer"},
    {Any, "GainX", "Frequency in Hz under the pointer on the gain plot"},
    {Any, "GainY", "Gain in dB under the pointer"},
    {Any, "PhaseX", "Frequency in Hz under the pointer on the phase plot"},
    {Any, "PhaseY", "Phase in degrees under the pointer"},

    // The digital filter designer.
    {"TDigitalFiltersForm", "sTs", "Sampling period in seconds, taken from the workbench"},
    {"TDigitalFiltersForm", "sfFrequency", "Centre or corner frequency f0 in Hz, above 0 and below half the sampling rate"},
    {"TDigitalFiltersForm", "sQfactor", "Quality factor Q of the design, above 0"},
    {"TDigitalFiltersForm", "sfAmplification", "Gain A0 of the design, above 0"},
    {"TDigitalFiltersForm", "CalcFilter", "Find f0, A0, Q and the filter type from the 2nd-order coefficients"},
    {"TDigitalFiltersForm", "BodePlot", "Design the filter from the fields and draw its gain and phase"},
    {"TDigitalFiltersForm", "ShowAnalogue", "Draw the analogue prototype the bilinear design starts from over the Bode plot"},

    // The filter network.
    {"TFilterNetworkForm", "SetDesign", "Take the fourteen stages as the network filter of the workbenches"},
    {"TFilterNetworkForm", "NetworkPicture", "How the stages are connected: the chosen stages are drawn"},

    // The data file editor.
    {"TFileEditForm", "Memo1", "The data file's text: a header, then one sample per line"},
    {"TFileEditForm", "NewButton", "Start a new, empty data file"},
    {"TFileEditForm", "LoadButton", "Open a data file (.DSI, .DSO, .DFT or text)"},
    {"TFileEditForm", "SaveButton", "Save the text to a data file"},
    {"TFileEditForm", "CutButton", "Cut the selection to the clipboard"},
    {"TFileEditForm", "CopyButton", "Copy the selection to the clipboard"},
    {"TFileEditForm", "PasteButton", "Paste the clipboard at the cursor"},
    {"TFileEditForm", "UndoButton", "Undo the last change"},
    {"TFileEditForm", "SearchButton", "Find a text in the file"},
    {"TFileEditForm", "LoadProgress", "How much of a large file has been read"},
    {Any, "findText", "The text to find"},
    {Any, "findNextButton", "Find the next place the text occurs"},
    {Any, "findCancelButton", "Close the find box"},

    // The sampling lab.
    {"TSamplingForm", "Waveform", "The analogue signal: sine, square, triangle, sawtooth, two tones or a sweep"},
    {"TSamplingForm", "SignalFrequency", "Frequency of the analogue signal in Hz, 0 or more"},
    {"TSamplingForm", "SignalFrequencyI", "Step the signal frequency up or down"},
    {"TSamplingForm", "SecondFrequency", "Frequency of the second tone in Hz, 0 or more"},
    {"TSamplingForm", "SecondFrequencyI", "Step the second tone's frequency up or down"},
    {"TSamplingForm", "PassTime", "Seconds the sweep takes from 0 to its top frequency, above 0"},
    {"TSamplingForm", "Amplitude", "Peak amplitude of the analogue signal, any finite number"},
    {"TSamplingForm", "AntiAlias", "Low pass before the sampler: none, the analogue calculator's circuits, or ideal at fs/2"},
    {"TSamplingForm", "SampleRate", "Sample rate fs in Hz, above 0; the Nyquist frequency is fs/2"},
    {"TSamplingForm", "SampleRateI", "Step the sample rate up or down"},
    {"TSamplingForm", "Bits", "Bits of the quantiser, 1 to 24, or Exact for no quantisation"},
    {"TSamplingForm", "BitsI", "One bit more or less"},
    {"TSamplingForm", "Reconstruction", "How the samples become a signal again: zero-order hold, linear or sinc"},
    {"TSamplingForm", "Sweep", "Run the signal frequency from 0 to 2·fs and watch the alias fold back"},
    {"TSamplingForm", "SweepSeconds", "Seconds the sweep to 2·fs takes, above 0"},
    {"TSamplingForm", "SweepFrequency", "The signal frequency the sweep has reached, in Hz"},
    {"TSamplingForm", "Listen", "Hear the sweep as it runs"},
    {"TSamplingForm", "Play", "Play four seconds of the reconstructed signal"},
    {"TSamplingForm", "SaveWav", "Save the sampled and quantised signal as a 16-bit WAVE file"},
    {"TSamplingForm", "SendToWorkbench", "Use the samples as the workbench's input, from a data file"},
    {"TSamplingForm", "AliasFrequency", "The frequency the sampled signal is heard at after folding, in Hz"},
    {"TSamplingForm", "QuantisationSNR", "Signal-to-noise ratio of the quantiser in dB"},
    {"TSamplingForm", "AntiAliasAttenuation", "How much the anti-alias filter weakens the signal, in dB"},
    {"TSamplingForm", "TimePlot", "The analogue signal, its samples as stems and the reconstruction, against time"},
    {"TSamplingForm", "SpectrumPlot", "Lines of the analogue and the sampled signal, with images around k·fs and fs/2 marked"},
    {"TSamplingForm", "ErrorPlot", "The quantisation error against time"},

    // Poles and zeros, and the designer's fixed point.
    {"TPoleZeroForm", "ZPlane", "Poles × and zeros ○ in the z-plane; drag those of the designed filter to change it"},
    {"TPoleZeroForm", "PoleZeroTable", "Each pole and zero: real, imaginary, radius, angle in Hz, and f0 and Q of a pair"},
    {"TDigitalFiltersForm", "PoleZeroPlot", "Show the design's poles and zeros in the z-plane, where they can be dragged"},
    {"TDigitalFiltersForm", "CoefficientBits", "Round the coefficients to this many bits as a fixed-point filter would; the workbench runs the rounded one"},
    {"TDigitalFiltersForm", "ExportCoefficients", "Write the coefficients as a C header, a script or CSV, chosen by the file's suffix"},

    // The guide.
    {"HelpWindow", "BackButton", "Back to the page shown before"},
    {"HelpWindow", "ForwardButton", "Forward again to the page left with Back"},
    {"HelpWindow", "ContentsButton", "The guide's contents"},
    {"HelpWindow", "Browser", "The guide's page; links open other pages"},

    // The lesson pane.
    {Any, "LessonInstructions", "What the lesson asks you to do"},
    {Any, "CheckLesson", "Check your settings and results against the lesson's checks"},
    {Any, "LessonResults", "Each check of the lesson: passed, failed or skipped, with the value found"},
    {Any, "Image2", "The display: click for cursor 1, Shift+click for cursor 2, right click for the menu"},
};
// clang-format on

bool Is(const char *text, const char *other) {
    return std::strcmp(text, other) == 0;
}

bool EndsWith(const char *text, const char *end) {
    const std::size_t n = std::strlen(text);
    const std::size_t m = std::strlen(end);
    return n >= m && std::strcmp(text + n - m, end) == 0;
}

// The analogue calculator names a control by its circuit's prefix (L, H, B, R, NL, NH, NB, Diff,
// Int) and the part it holds (R1, C2, W0, F0 …); the sentence follows the part.
const char *AnalogueTip(const char *control) {
    if (std::strstr(control, "Graph") != nullptr || std::strstr(control, "Garph") != nullptr) {
        return "Gain and phase of this circuit against frequency";
    }
    static const char *const prefixes[] = {"Diff", "Int", "NL", "NH", "NB", "L", "H", "B", "R"};
    const char *part = nullptr;
    for (const char *prefix : prefixes) {
        if (std::strncmp(control, prefix, std::strlen(prefix)) == 0) {
            part = control + std::strlen(prefix);
            break;
        }
    }
    if (part == nullptr || *part == '\0') {
        return nullptr;
    }
    static const Tip parts[] = {
        {Any, "W0", "Angular frequency ω0 in krad/s, above 0 (f0 follows)"},
        {Any, "F0", "Frequency f0 in kHz, above 0 (ω0 follows)"},
        {Any, "Z", "Damping ζ = 1/(2Q), above 0"},
        {Any, "A0", "Gain A0 of the circuit (its magnitude at the centre or in the pass band)"},
        {Any, "B", "Bandwidth B in krad/s, above 0 (Q and ζ follow)"},
        {Any, "Q", "Quality factor Q = ω0/B, above 0 (B and ζ follow)"},
        {Any, "RF", "Feedback resistor Rf in kΩ: sets the gain with Rin"},
        {Any, "RIN", "Input resistor Rin in kΩ: sets the gain with Rf"},
        {Any, "R", "Resistor R in kΩ, above 0"},
        {Any, "C", "Capacitor C in nF, above 0"},
        {Any, "Transfer", "Calculate ω0, f0, ζ and A0 from the components"},
        {Any, "Components", "Calculate the components from ω0, ζ and A0"},
        {Any, "Multiply",
         "Multiply the resistors by the scale factor and divide the capacitors by it"},
        {Any, "Divide",
         "Divide the resistors by the scale factor and multiply the capacitors by it"},
        {Any, "Factor", "Scale factor for Multiply and Divide, above 0"},
    };
    for (const Tip &tip : parts) {
        if (Is(part, tip.control)) {
            return tip.text;
        }
    }
    if ((part[0] == 'R' || part[0] == 'C') && part[1] >= '1' && part[1] <= '9' && part[2] == 0) {
        return part[0] == 'R' ? "Resistor in kΩ, above 0 (its place is marked on the schematic)"
                              : "Capacitor in nF, above 0 (its place is marked on the schematic)";
    }
    return nullptr;
}

// The network names a stage's controls by the stage and the part (FA1_F, FA1_Use …).
const char *NetworkTip(const char *control) {
    static const Tip parts[] = {
        {Any, "_F", "Centre or corner frequency of this stage in Hz, above 0"},
        {Any, "_Q", "Quality factor Q of this stage, above 0"},
        {Any, "_A0", "Gain of this stage as a plain factor, above 0"},
        {Any, "_Use", "Include this stage in the network"},
        {Any, "_Type", "The kind of filter this stage is"},
    };
    for (const Tip &tip : parts) {
        if (EndsWith(control, tip.control)) {
            return tip.text;
        }
    }
    return nullptr;
}

// The designer's coefficients a0 … a6 (numerator) and b0 … b6 (denominator).
const char *CoefficientTip(const char *control) {
    if ((control[0] != 'a' && control[0] != 'b') || control[1] < '0' || control[1] > '6' ||
        control[2] != '\0') {
        return nullptr;
    }
    return control[0] == 'a'
               ? "Numerator coefficient of z to the power minus its index, any number"
               : "Denominator coefficient of z to the power minus its index, any number";
}

} // namespace

const char *TooltipText(const char *windowClass, const char *control) {
    const char *shared = nullptr;
    for (const Tip &tip : Tips) {
        if (std::strcmp(tip.control, control) != 0) {
            continue;
        }
        if (std::strcmp(tip.window, windowClass) == 0) {
            return tip.text;
        }
        if (tip.window[0] == '\0') {
            shared = tip.text;
        }
    }
    if (shared != nullptr) {
        return shared;
    }
    if (Is(windowClass, "TAnalogueFiltersForm")) {
        return AnalogueTip(control);
    }
    if (Is(windowClass, "TFilterNetworkForm")) {
        return NetworkTip(control);
    }
    if (Is(windowClass, "TDigitalFiltersForm")) {
        return CoefficientTip(control);
    }
    return nullptr;
}
