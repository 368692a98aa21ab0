#include "gui/tools/Analoguefiltersmain.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "gui/services/UiServices.h"
#include "gui/tools/Graph.h"
#include "gui/widgets/NumberEdit.h"

#include <QPushButton>
#include <QTabWidget>
#include <cmath>
#include <numbers>
#include <string>

using namespace kaldorium;

namespace {

// Field units: kΩ, nF, krad/s and kHz.
constexpr double kilo = 1e3;
constexpr double nano = 1e-9;

// A field's number. A text that is none is reported with the field's label (its accessible
// name), since a tab holds a dozen fields: "ω₀ (krad/s): '' is not a valid floating point value".
double Read(const NumberEdit *edit) {
    const std::string text = edit->text().toStdString();
    double value = 0.0;
    if (!TryParseDouble(text, value)) {
        throw ConversionError(edit->accessibleName().toStdString() + ": " +
                              ConversionError::NotAFloat(text).what());
    }
    return value;
}
double ReadKilo(const NumberEdit *edit) {
    return Read(edit) * kilo;
}
double ReadNano(const NumberEdit *edit) {
    return Read(edit) * nano;
}
bool TryRead(const NumberEdit *edit, double &value) {
    return TryParseDouble(edit->text().toStdString(), value);
}

// The texts of one handler: every value is converted to its field's unit first, then the
// floating-point flags are checked, and only then is anything written, in the order added.
class FieldWrites {
public:
    FieldWrites &Plain(NumberEdit *edit, double value) {
        writes.push_back({edit, value});
        return *this;
    }
    FieldWrites &Kilo(NumberEdit *edit, double si) { return Plain(edit, si / kilo); }
    FieldWrites &Nano(NumberEdit *edit, double si) { return Plain(edit, si / nano); }
    // f0 = ω0/2π, from ω0 in rad/s into kHz.
    FieldWrites &Frequency(NumberEdit *edit, double omega0) {
        return Plain(edit, omega0 / (2 * std::numbers::pi) / kilo);
    }
    void Commit() {
        CheckFloatingPoint(writes);
        for (const auto &[edit, value] : writes) {
            edit->setText(QString::fromStdString(FormatExponent(value)));
        }
    }

private:
    std::vector<std::pair<NumberEdit *, double>> writes;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Components → transfer function

void TAnalogueFiltersForm::LTransferClick() {
    FloatingPointGuard guard;
    const InvertingLowPass c{ReadKilo(LR1), ReadNano(LC2), ReadKilo(LR3), ReadKilo(LR4),
                             ReadNano(LC5)};
    const FilterParameters p = Transfer(c);
    FieldWrites()
        .Kilo(LW0, p.omega0)
        .Frequency(LF0, p.omega0)
        .Plain(LZ, p.zeta)
        .Plain(LA0, p.a0)
        .Commit();
}

void TAnalogueFiltersForm::HTransferClick() {
    FloatingPointGuard guard;
    const InvertingHighPass c{ReadNano(HC1), ReadKilo(HR2), ReadNano(HC3), ReadNano(HC4),
                              ReadKilo(HR5)};
    const FilterParameters p = Transfer(c);
    FieldWrites()
        .Kilo(HW0, p.omega0)
        .Frequency(HF0, p.omega0)
        .Plain(HZ, p.zeta)
        .Plain(HA0, p.a0)
        .Commit();
}

void TAnalogueFiltersForm::BTransferClick() {
    FloatingPointGuard guard;
    const InvertingBandPass c{ReadKilo(BR1), ReadKilo(BR2), ReadNano(BC3), ReadNano(BC4),
                              ReadKilo(BR5)};
    const FilterParameters p = Transfer(c);
    FieldWrites()
        .Plain(BA0, p.a0)
        .Kilo(BW0, p.omega0)
        .Kilo(BB, p.bandwidth)
        .Frequency(BF0, p.omega0)
        .Plain(BZ, p.zeta)
        .Plain(BQ, p.q)
        .Commit();
}

void TAnalogueFiltersForm::RTransferClick() {
    FloatingPointGuard guard;
    const InvertingBandReject c{ReadKilo(RR1), ReadKilo(RR2), ReadNano(RC1),
                                ReadNano(RC2), ReadKilo(RR3), ReadKilo(RR4)};
    const FilterParameters p = Transfer(c);
    FieldWrites()
        .Plain(RA0, p.a0)
        .Kilo(RW0, p.omega0)
        .Kilo(RB, p.bandwidth)
        .Frequency(RF0, p.omega0)
        .Plain(RZ, p.zeta)
        .Plain(RQ, p.q)
        .Commit();
}

void TAnalogueFiltersForm::NLTransferClick() {
    FloatingPointGuard guard;
    NonInvertingLowPass c{};
    c.rin = ReadKilo(NLRIN);
    c.rf = ReadKilo(NLRF);
    c.r1 = ReadKilo(NLR1);
    c.r2 = ReadKilo(NLR2);
    c.c3 = ReadNano(NLC3);
    c.c4 = ReadNano(NLC4);
    const Design<NonInvertingLowPass> d = Transfer(c);
    const FilterParameters &p = d.parameters;
    FieldWrites()
        .Kilo(NLW0, p.omega0)
        .Frequency(NLF0, p.omega0)
        .Plain(NLZ, p.zeta)
        .Plain(NLA0, p.a0)
        .Kilo(NLRF, d.components.rf)
        .Kilo(NLRIN, d.components.rin)
        .Commit();
}

void TAnalogueFiltersForm::NHTransferClick() {
    FloatingPointGuard guard;
    NonInvertingHighPass c{};
    c.rin = ReadKilo(NHRIN);
    c.rf = ReadKilo(NHRF);
    c.r3 = ReadKilo(NHR3);
    c.r4 = ReadKilo(NHR4);
    c.c1 = ReadNano(NHC1);
    c.c2 = ReadNano(NHC2);
    const Design<NonInvertingHighPass> d = Transfer(c);
    const FilterParameters &p = d.parameters;
    FieldWrites()
        .Kilo(NHW0, p.omega0)
        .Frequency(NHF0, p.omega0)
        .Plain(NHZ, p.zeta)
        .Plain(NHA0, p.a0)
        .Kilo(NHRF, d.components.rf)
        .Kilo(NHRIN, d.components.rin)
        .Commit();
}

void TAnalogueFiltersForm::NBTransferClick() {
    FloatingPointGuard guard;
    NonInvertingBandPass c{};
    c.rin = ReadKilo(NBRIN);
    c.rf = ReadKilo(NBRF);
    c.r1 = ReadKilo(NBR1);
    c.r2 = ReadKilo(NBR2);
    c.c1 = ReadNano(NBC1);
    c.c2 = ReadNano(NBC2);
    const Design<NonInvertingBandPass> d = Transfer(c);
    const FilterParameters &p = d.parameters;
    FieldWrites()
        .Plain(NBA0, p.a0)
        .Kilo(NBW0, p.omega0)
        .Frequency(NBF0, p.omega0)
        .Kilo(NBB, p.bandwidth)
        .Plain(NBQ, p.q)
        .Plain(NBZ, p.zeta)
        .Kilo(NBRIN, d.components.rin)
        .Kilo(NBRF, d.components.rf)
        .Commit();
}

void TAnalogueFiltersForm::DiffTransferClick() {
    FloatingPointGuard guard;
    const RcPair c{ReadKilo(DiffR), ReadNano(DiffC)};
    const double omega0 = RcOmega0(c);
    FieldWrites().Kilo(DiffW0, omega0).Frequency(DiffF0, omega0).Commit();
}

void TAnalogueFiltersForm::IntTransferClick() {
    FloatingPointGuard guard;
    const RcPair c{ReadKilo(IntR), ReadNano(IntC)};
    const double omega0 = RcOmega0(c);
    FieldWrites().Kilo(IntW0, omega0).Frequency(IntF0, omega0).Commit();
}

// ---------------------------------------------------------------------------------------------
// Transfer function → components

void TAnalogueFiltersForm::LComponentsClick() {
    FloatingPointGuard guard;
    const double omega0 = ReadKilo(LW0);
    const double a0 = Read(LA0);
    const double zeta = Read(LZ);
    const InvertingLowPass c = DesignInvertingLowPass(omega0, a0, zeta).components;
    FieldWrites()
        .Kilo(LR1, c.r1)
        .Nano(LC2, c.c2)
        .Kilo(LR3, c.r3)
        .Kilo(LR4, c.r4)
        .Nano(LC5, c.c5)
        .Frequency(LF0, omega0)
        .Commit();
}

void TAnalogueFiltersForm::HComponentsClick() {
    FloatingPointGuard guard;
    const double omega0 = ReadKilo(HW0);
    const double a0 = Read(HA0);
    const double zeta = Read(HZ);
    const InvertingHighPass c = DesignInvertingHighPass(omega0, a0, zeta).components;
    FieldWrites()
        .Nano(HC1, c.c1)
        .Kilo(HR2, c.r2)
        .Nano(HC3, c.c3)
        .Nano(HC4, c.c4)
        .Kilo(HR5, c.r5)
        .Frequency(HF0, omega0)
        .Commit();
}

void TAnalogueFiltersForm::BComponentsClick() {
    FloatingPointGuard guard;
    const double omega0 = ReadKilo(BW0);
    const double a0 = Read(BA0);
    const double bandwidth = ReadKilo(BB);
    const Design<InvertingBandPass> d = DesignInvertingBandPass(omega0, a0, bandwidth);
    const InvertingBandPass &c = d.components;
    FieldWrites()
        .Kilo(BR1, c.r1)
        .Kilo(BR2, c.r2)
        .Nano(BC3, c.c3)
        .Nano(BC4, c.c4)
        .Kilo(BR5, c.r5)
        .Frequency(BF0, omega0)
        .Plain(BZ, d.parameters.zeta)
        .Plain(BQ, d.parameters.q)
        .Commit();
}

void TAnalogueFiltersForm::RComponentsClick() {
    FloatingPointGuard guard;
    const double omega0 = ReadKilo(RW0);
    const double a0 = Read(RA0);
    const double bandwidth = ReadKilo(RB);
    const Design<InvertingBandReject> d = DesignInvertingBandReject(omega0, a0, bandwidth);
    const InvertingBandReject &c = d.components;
    FieldWrites()
        .Kilo(RR1, c.r1)
        .Kilo(RR2, c.r2)
        .Nano(RC1, c.c1)
        .Nano(RC2, c.c2)
        .Kilo(RR3, c.r3)
        .Kilo(RR4, c.r4)
        .Frequency(RF0, omega0)
        .Plain(RZ, d.parameters.zeta)
        .Plain(RQ, d.parameters.q)
        .Commit();
}

void TAnalogueFiltersForm::NLComponentsClick() {
    FloatingPointGuard guard;
    const double omega0 = ReadKilo(NLW0);
    const double a0 = Read(NLA0);
    const double zeta = Read(NLZ);
    const Design<NonInvertingLowPass> d = DesignNonInvertingLowPass(omega0, a0, zeta);
    const NonInvertingLowPass &c = d.components;
    FieldWrites()
        .Kilo(NLRIN, c.rin)
        .Kilo(NLRF, c.rf)
        .Kilo(NLR1, c.r1)
        .Kilo(NLR2, c.r2)
        .Nano(NLC3, c.c3)
        .Nano(NLC4, c.c4)
        .Frequency(NLF0, omega0)
        .Plain(NLA0, d.parameters.a0)
        .Commit();
}

void TAnalogueFiltersForm::NHComponentsClick() {
    FloatingPointGuard guard;
    const double omega0 = ReadKilo(NHW0);
    const double a0 = Read(NHA0);
    const double zeta = Read(NHZ);
    const Design<NonInvertingHighPass> d = DesignNonInvertingHighPass(omega0, a0, zeta);
    const NonInvertingHighPass &c = d.components;
    FieldWrites()
        .Kilo(NHRIN, c.rin)
        .Kilo(NHRF, c.rf)
        .Kilo(NHR3, c.r3)
        .Kilo(NHR4, c.r4)
        .Nano(NHC1, c.c1)
        .Nano(NHC2, c.c2)
        .Frequency(NHF0, omega0)
        .Plain(NHA0, d.parameters.a0)
        .Commit();
}

void TAnalogueFiltersForm::NBComponentsClick() {
    FloatingPointGuard guard;
    const double omega0 = ReadKilo(NBW0);
    const double bandwidth = ReadKilo(NBB);
    const Design<NonInvertingBandPass> d = DesignNonInvertingBandPass(omega0, bandwidth);
    const NonInvertingBandPass &c = d.components;
    const FilterParameters &p = d.parameters;
    FieldWrites()
        .Plain(NBA0, p.a0)
        .Kilo(NBRF, c.rf)
        .Kilo(NBRIN, c.rin)
        .Kilo(NBR1, c.r1)
        .Kilo(NBR2, c.r2)
        .Nano(NBC1, c.c1)
        .Nano(NBC2, c.c2)
        .Frequency(NBF0, omega0)
        .Plain(NBQ, p.q)
        .Plain(NBZ, p.zeta)
        .Kilo(NBB, p.bandwidth)
        .Commit();
}

void TAnalogueFiltersForm::DiffComponentsClick() {
    FloatingPointGuard guard;
    const RcPair c = DesignRc(ReadKilo(DiffW0));
    FieldWrites().Kilo(DiffR, c.r).Nano(DiffC, c.c).Commit();
}

void TAnalogueFiltersForm::IntComponentsClick() {
    FloatingPointGuard guard;
    const RcPair c = DesignRc(ReadKilo(IntW0));
    FieldWrites().Kilo(IntR, c.r).Nano(IntC, c.c).Commit();
}

// ---------------------------------------------------------------------------------------------
// Multiply and Divide

void TAnalogueFiltersForm::Scale(NumberEdit *factorEdit,
                                 std::initializer_list<NumberEdit *> resistors,
                                 std::initializer_list<NumberEdit *> capacitors,
                                 ScaleDirection direction) {
    FloatingPointGuard guard;
    // Everything is read before anything is written, so a bad text changes nothing.
    const double factor = Read(factorEdit);
    std::vector<double> r;
    std::vector<double> c;
    for (NumberEdit *e : resistors) {
        r.push_back(Read(e));
    }
    for (NumberEdit *e : capacitors) {
        c.push_back(Read(e));
    }
    if (!ScaleComponents(r, c, factor, direction)) {
        services.ReportError(this, QStringLiteral("The scale factor must be greater than 0"));
        return;
    }
    FieldWrites writes;
    std::size_t i = 0;
    for (NumberEdit *e : resistors) {
        writes.Plain(e, r[i++]);
    }
    i = 0;
    for (NumberEdit *e : capacitors) {
        writes.Plain(e, c[i++]);
    }
    writes.Commit();
}

void TAnalogueFiltersForm::LMultiplyClick() {
    Scale(LFactor, {LR1, LR3, LR4}, {LC2, LC5}, ScaleDirection::Multiply);
}
void TAnalogueFiltersForm::HMultiplyClick() {
    Scale(HFactor, {HR2, HR5}, {HC1, HC3, HC4}, ScaleDirection::Multiply);
}
void TAnalogueFiltersForm::BMultiplyClick() {
    Scale(BFactor, {BR1, BR2, BR5}, {BC3, BC4}, ScaleDirection::Multiply);
}
void TAnalogueFiltersForm::RMultiplyClick() {
    Scale(RFactor, {RR1, RR2, RR3, RR4}, {RC1, RC2}, ScaleDirection::Multiply);
}
// The gain resistors Rin and Rf keep the gain and are left alone.
void TAnalogueFiltersForm::NLMultiplyClick() {
    Scale(NLFactor, {NLR1, NLR2}, {NLC3, NLC4}, ScaleDirection::Multiply);
}
void TAnalogueFiltersForm::NHMultiplyClick() {
    Scale(NHFactor, {NHR3, NHR4}, {NHC1, NHC2}, ScaleDirection::Multiply);
}
void TAnalogueFiltersForm::NBMultiplyClick() {
    Scale(NBFactor, {NBR1, NBR2}, {NBC1, NBC2}, ScaleDirection::Multiply);
}
void TAnalogueFiltersForm::LDivideClick() {
    Scale(LFactor, {LR1, LR3, LR4}, {LC2, LC5}, ScaleDirection::Divide);
}
void TAnalogueFiltersForm::HDivideClick() {
    Scale(HFactor, {HR2, HR5}, {HC1, HC3, HC4}, ScaleDirection::Divide);
}
void TAnalogueFiltersForm::BDivideClick() {
    Scale(BFactor, {BR1, BR2, BR5}, {BC3, BC4}, ScaleDirection::Divide);
}
void TAnalogueFiltersForm::RDivideClick() {
    Scale(RFactor, {RR1, RR2, RR3, RR4}, {RC1, RC2}, ScaleDirection::Divide);
}
void TAnalogueFiltersForm::NLDivideClick() {
    Scale(NLFactor, {NLR1, NLR2}, {NLC3, NLC4}, ScaleDirection::Divide);
}
void TAnalogueFiltersForm::NHDivideClick() {
    Scale(NHFactor, {NHR3, NHR4}, {NHC1, NHC2}, ScaleDirection::Divide);
}
void TAnalogueFiltersForm::NBDivideClick() {
    Scale(NBFactor, {NBR1, NBR2}, {NBC1, NBC2}, ScaleDirection::Divide);
}

// ---------------------------------------------------------------------------------------------
// Linked fields. An update never reports anything: a text the student is still typing ("",
// "-", ".") or a companion that cannot be computed simply leaves the companions as they are.

void TAnalogueFiltersForm::RW0KeyUp() {
    linkedFlag.Set();
}

void TAnalogueFiltersForm::W0Change(NumberEdit *w0, NumberEdit *f0) {
    double omega0 = 0.0;
    if (!linkedFlag.Consume() || !TryRead(w0, omega0)) {
        return;
    }
    ClearFloatingPointFlags();
    try {
        FieldWrites().Plain(f0, omega0 / (2 * std::numbers::pi)).Commit();
    } catch (const FloatingPointError &) {
    }
}

void TAnalogueFiltersForm::F0Change(NumberEdit *f0, NumberEdit *w0) {
    double frequency = 0.0;
    if (!linkedFlag.Consume() || !TryRead(f0, frequency)) {
        return;
    }
    ClearFloatingPointFlags();
    try {
        FieldWrites().Plain(w0, 2 * std::numbers::pi * frequency).Commit();
    } catch (const FloatingPointError &) {
    }
}

void TAnalogueFiltersForm::BandChange(BandField changed, NumberEdit *w0, NumberEdit *b,
                                      NumberEdit *q, NumberEdit *z) {
    if (!linkedFlag.Consume()) {
        return;
    }
    NumberEdit *source = changed == BandField::Bandwidth ? b
                         : changed == BandField::Quality ? q
                                                         : z;
    double value = 0.0;
    double omega0 = 0.0;
    if (!TryRead(source, value) || !TryRead(w0, omega0)) {
        return;
    }
    ClearFloatingPointFlags();
    try {
        switch (changed) {
        case BandField::Bandwidth:
            if (const auto link = LinkBandwidth(value, omega0)) {
                FieldWrites().Plain(z, link->zeta).Plain(q, link->q).Commit();
            }
            break;
        case BandField::Quality: {
            const BandLink link = LinkQuality(value, omega0);
            FieldWrites().Plain(z, link.zeta).Plain(b, link.bandwidth).Commit();
            break;
        }
        case BandField::Damping: {
            const BandLink link = LinkDamping(value, omega0);
            FieldWrites().Plain(q, link.q).Plain(b, link.bandwidth).Commit();
            break;
        }
        }
    } catch (const FloatingPointError &) {
    }
}

void TAnalogueFiltersForm::LW0Change() {
    W0Change(LW0, LF0);
}
void TAnalogueFiltersForm::LF0Change() {
    F0Change(LF0, LW0);
}
void TAnalogueFiltersForm::HW0Change() {
    W0Change(HW0, HF0);
}
void TAnalogueFiltersForm::HF0Change() {
    F0Change(HF0, HW0);
}
void TAnalogueFiltersForm::BW0Change() {
    W0Change(BW0, BF0);
}
void TAnalogueFiltersForm::BF0Change() {
    F0Change(BF0, BW0);
}
void TAnalogueFiltersForm::RW0Change() {
    W0Change(RW0, RF0);
}
void TAnalogueFiltersForm::RF0Change() {
    F0Change(RF0, RW0);
}
void TAnalogueFiltersForm::NLW0Change() {
    W0Change(NLW0, NLF0);
}
void TAnalogueFiltersForm::NLF0Change() {
    F0Change(NLF0, NLW0);
}
void TAnalogueFiltersForm::NHW0Change() {
    W0Change(NHW0, NHF0);
}
void TAnalogueFiltersForm::NHF0Change() {
    F0Change(NHF0, NHW0);
}
void TAnalogueFiltersForm::NBW0Change() {
    W0Change(NBW0, NBF0);
}
void TAnalogueFiltersForm::NBF0Change() {
    F0Change(NBF0, NBW0);
}
void TAnalogueFiltersForm::DiffW0Change() {
    W0Change(DiffW0, DiffF0);
}
void TAnalogueFiltersForm::DiffF0Change() {
    F0Change(DiffF0, DiffW0);
}
void TAnalogueFiltersForm::IntW0Change() {
    W0Change(IntW0, IntF0);
}
void TAnalogueFiltersForm::IntF0Change() {
    F0Change(IntF0, IntW0);
}
void TAnalogueFiltersForm::BBChange() {
    BandChange(BandField::Bandwidth, BW0, BB, BQ, BZ);
}
void TAnalogueFiltersForm::BQChange() {
    BandChange(BandField::Quality, BW0, BB, BQ, BZ);
}
void TAnalogueFiltersForm::BZChange() {
    BandChange(BandField::Damping, BW0, BB, BQ, BZ);
}
void TAnalogueFiltersForm::RBChange() {
    BandChange(BandField::Bandwidth, RW0, RB, RQ, RZ);
}
void TAnalogueFiltersForm::RQChange() {
    BandChange(BandField::Quality, RW0, RB, RQ, RZ);
}
void TAnalogueFiltersForm::RZChange() {
    BandChange(BandField::Damping, RW0, RB, RQ, RZ);
}
void TAnalogueFiltersForm::NBBChange() {
    BandChange(BandField::Bandwidth, NBW0, NBB, NBQ, NBZ);
}
void TAnalogueFiltersForm::NBQChange() {
    BandChange(BandField::Quality, NBW0, NBB, NBQ, NBZ);
}
void TAnalogueFiltersForm::NBZChange() {
    BandChange(BandField::Damping, NBW0, NBB, NBQ, NBZ);
}

void TAnalogueFiltersForm::NBA0Change() {
    double a0 = 0.0;
    NBPFGraph->setVisible(TryRead(NBA0, a0) && a0 > 0.0);
}

// ---------------------------------------------------------------------------------------------
// Bode plot

void TAnalogueFiltersForm::LPFGraphClick() {
    struct Hand {
        QWidget *tab;
        int kind;
        const char *title;
        NumberEdit *w0, *a0, *z;
    };
    const Hand hands[] = {
        {BandPass_Tab, 10, "Analogue Band Pass (inverting) 2nd Order Filter", BW0, BA0, BZ},
        {BandReject_Tab, 11, "Analogue Band Reject (inverting) 2nd Order Filter", RW0, RA0, RZ},
        {HighPass_Tab, 12, "Analogue High Pass (inverting) 2nd Order Filter", HW0, HA0, HZ},
        {LowPass_Tab, 13, "Analogue Low Pass (inverting) 2nd Order Filter", LW0, LA0, LZ},
        {NBandPass_Tab, 16, "Analogue Band Pass (Non-Inverting) 2nd Order Filter", NBW0, NBA0, NBZ},
        {NHighPass_Tab, 17, "Analogue High Pass (Non-Inverting) 2nd Order Filter", NHW0, NHA0, NHZ},
        {NLowPass_Tab, 18, "Analogue Low Pass (Non-Inverting) 2nd Order Filter", NLW0, NLA0, NLZ},
    };
    for (const Hand &h : hands) {
        if (PageControl1->currentWidget() != h.tab) {
            continue;
        }
        FloatingPointGuard guard;
        const double omega0 = ReadKilo(h.w0);
        const double a0 = Read(h.a0);
        const double zeta = Read(h.z);
        // The plot takes log10 of A0 and of the frequencies ω0 scales: 0 or below stops here,
        // with the fault the plot would have raised.
        const double logs = std::log10(omega0) + std::log10(a0);
        CheckFloatingPoint(logs);
        graph.omega0 = omega0;
        graph.amplification = a0;
        graph.damping = zeta;
        graph.titleName = QString::fromLatin1(h.title);
        graph.type = h.kind;
        graph.exec();
        return;
    }
}
