#include "gui/tools/Analoguefiltersmain.h"

#include <QStringList>

namespace {

// A resistor ('R') or a capacitor ('C') between two points.
void Part(SchematicPainter &p, char kind, QPointF a, QPointF b, const QString &label,
          bool otherSide = false) {
    if (kind == 'R') {
        p.Resistor(a, b, label, otherSide);
    } else {
        p.Capacitor(a, b, label, otherSide);
    }
}

// The amplifier's gain divider below a non-inverting amplifier: Rf from the inverting input
// to the output, Rin from the inverting input to ground.
void GainDivider(SchematicPainter &p, const SchematicPainter::OpAmpPins &amp, double outX) {
    const double x = amp.minus.x() - 18.0;
    const QPointF divider(x, 175.0);
    p.Wire({amp.minus, QPointF(x, amp.minus.y()), divider});
    p.Node(divider);
    p.Resistor(divider, QPointF(outX, divider.y()), QStringLiteral("Rf (kΩ)"));
    p.Wire({QPointF(outX, divider.y()), QPointF(outX, amp.out.y())});
    p.Resistor(divider, QPointF(x, 220.0), QStringLiteral("Rin (kΩ)"), true);
    p.Ground(QPointF(x, 220.0));
}

} // namespace

// Multiple feedback: kinds and labels of, in order, input → N, N → ground, N → inverting
// input, inverting input → output (inner loop), N → output (outer loop).
void TAnalogueFiltersForm::DrawMultipleFeedback(SchematicPainter &p, const char *kinds,
                                                const QString *labels) {
    const QPointF in(38, 130);
    const QPointF n(110, 130);
    const QPointF m(205, 130);
    const auto amp = p.OpAmp(235, 142);
    const double outX = 330;
    const QPointF out(outX, amp.out.y());

    p.Terminal(in, QStringLiteral("Vin"), true);
    Part(p, kinds[0], in, n, labels[0]);
    p.Node(n);
    Part(p, kinds[1], n, QPointF(n.x(), 185), labels[1]);
    p.Ground(QPointF(n.x(), 185));
    Part(p, kinds[2], n, m, labels[2]);
    p.Node(m);
    p.Wire({m, amp.minus});
    p.Wire({amp.plus, QPointF(220, amp.plus.y()), QPointF(220, 168)});
    p.Ground(QPointF(220, 168));

    // Inner loop from the inverting input, outer loop from N.
    p.Wire({m, QPointF(m.x(), 80)});
    Part(p, kinds[3], QPointF(m.x(), 80), QPointF(outX, 80), labels[3]);
    p.Wire({n, QPointF(n.x(), 30)});
    Part(p, kinds[4], QPointF(n.x(), 30), QPointF(outX, 30), labels[4]);
    p.Wire({QPointF(outX, 30), out});
    p.Node(QPointF(outX, 80));
    p.Wire({amp.out, out, QPointF(370, out.y())});
    p.Node(out);
    p.Terminal(QPointF(370, out.y()), QStringLiteral("Vout"), false);
}

// Sallen-Key: two parts in series to the non-inverting input, one from there to ground, one
// from their junction to the output.
void TAnalogueFiltersForm::DrawSallenKey(SchematicPainter &p, bool highPass) {
    const char series = highPass ? 'C' : 'R';
    const char shunt = highPass ? 'R' : 'C';
    const QStringList labels =
        highPass ? QStringList{QStringLiteral("C1 (nF)"), QStringLiteral("C2 (nF)"),
                               QStringLiteral("R3 (kΩ)"), QStringLiteral("R4 (kΩ)")}
                 : QStringList{QStringLiteral("R1 (kΩ)"), QStringLiteral("R2 (kΩ)"),
                               QStringLiteral("C3 (nF)"), QStringLiteral("C4 (nF)")};
    const QPointF in(38, 100);
    const QPointF n(100, 100);
    const QPointF pNode(180, 100);
    const auto amp = p.OpAmp(230, 112, true);
    const double outX = 310;

    p.Terminal(in, QStringLiteral("Vin"), true);
    Part(p, series, in, n, labels[0]);
    p.Node(n);
    Part(p, series, n, pNode, labels[1]);
    p.Node(pNode);
    p.Wire({pNode, amp.plus});
    Part(p, shunt, pNode, QPointF(pNode.x(), 150), labels[2], true);
    p.Ground(QPointF(pNode.x(), 150));
    p.Wire({n, QPointF(n.x(), 40)});
    Part(p, highPass ? 'R' : 'C', QPointF(n.x(), 40), QPointF(outX, 40), labels[3]);
    p.Wire({QPointF(outX, 40), QPointF(outX, amp.out.y())});
    GainDivider(p, amp, outX);
    p.Wire({amp.out, QPointF(350, amp.out.y())});
    p.Node(QPointF(outX, amp.out.y()));
    p.Terminal(QPointF(350, amp.out.y()), QStringLiteral("Vout"), false);
}

// R1 and C1 in series to the non-inverting input N; C2 and R2 from N to the output.
void TAnalogueFiltersForm::DrawNonInvertingBandPass(SchematicPainter &p) {
    const QPointF in(38, 112);
    const QPointF mid(95, 112);
    const QPointF n(170, 112);
    const auto amp = p.OpAmp(230, 124, true);
    const double outX = 310;

    p.Terminal(in, QStringLiteral("Vin"), true);
    p.Resistor(in, mid, QStringLiteral("R1 (kΩ)"));
    p.Capacitor(mid, n, QStringLiteral("C1 (nF)"));
    p.Node(n);
    p.Wire({n, amp.plus});
    p.Wire({n, QPointF(n.x(), 25)});
    p.Node(QPointF(n.x(), 68));
    p.Capacitor(QPointF(n.x(), 68), QPointF(outX, 68), QStringLiteral("C2 (nF)"));
    p.Resistor(QPointF(n.x(), 25), QPointF(outX, 25), QStringLiteral("R2 (kΩ)"));
    p.Wire({QPointF(outX, 25), QPointF(outX, amp.out.y())});
    p.Node(QPointF(outX, 68));
    GainDivider(p, amp, outX);
    p.Wire({amp.out, QPointF(350, amp.out.y())});
    p.Node(QPointF(outX, amp.out.y()));
    p.Terminal(QPointF(350, amp.out.y()), QStringLiteral("Vout"), false);
}

// A1 with gain R2/R1; its feedback R2 is shunted by C1 in series with the inductance
// L = R3·R4·C2 that A2 simulates, so the feedback vanishes at ω0 = 1/√(L·C1).
void TAnalogueFiltersForm::DrawBandReject(SchematicPainter &p) {
    const QPointF in(38, 172);
    const QPointF s(110, 172);
    const auto a1 = p.OpAmp(180, 184, false, QStringLiteral("A1"));
    const double outX = 425;
    const QPointF out(outX, a1.out.y());

    p.Terminal(in, QStringLiteral("Vin"), true);
    p.Resistor(in, s, QStringLiteral("R1 (kΩ)"));
    p.Node(s);
    p.Wire({s, a1.minus});
    p.Wire({a1.plus, QPointF(165, a1.plus.y()), QPointF(165, 205)});
    p.Ground(QPointF(165, 205));
    p.Wire({s, QPointF(s.x(), 30)});
    p.Node(QPointF(s.x(), 132));
    p.Resistor(QPointF(s.x(), 132), QPointF(outX, 132), QStringLiteral("R2 (kΩ)"));
    p.Node(QPointF(outX, 132));
    p.Wire({a1.out, out, QPointF(460, out.y())});
    p.Node(out);
    p.Terminal(QPointF(460, out.y()), QStringLiteral("Vout"), false);

    // The simulated inductor between X and the output line.
    const QPointF x(185, 30);
    p.Capacitor(QPointF(s.x(), 30), x, QStringLiteral("C1 (nF)"));
    p.Node(x);
    const auto a2 = p.OpAmp(255, 66, false, QStringLiteral("A2"));
    const QPointF q(305, 30);
    p.Resistor(x, q, QStringLiteral("R4 (kΩ)"));
    p.Wire({q, QPointF(q.x(), a2.out.y()), a2.out});
    p.Wire({a2.minus, QPointF(244, a2.minus.y()), QPointF(244, 42), QPointF(q.x(), 42)});
    p.Node(QPointF(q.x(), 42));
    const QPointF y(x.x(), a2.plus.y());
    p.Capacitor(x, y, QStringLiteral("C2 (nF)"), true);
    p.Node(y);
    p.Wire({y, a2.plus});
    p.Wire({y, QPointF(y.x(), 100), QPointF(330, 100)});
    p.Resistor(QPointF(330, 100), QPointF(400, 100), QStringLiteral("R3 (kΩ)"));
    p.Wire({QPointF(400, 100), QPointF(outX, 100), out});
    p.Node(QPointF(outX, 100));
    p.Text(QPointF(335, 52), QStringLiteral("L = R3·R4·C2"), Qt::AlignLeft | Qt::AlignVCenter,
           10.0);
}

// Differentiator: C in, R in the feedback; integrator: R in, C in the feedback.
void TAnalogueFiltersForm::DrawRc(SchematicPainter &p, bool differentiator) {
    const QPointF in(38, 100);
    const QPointF m(140, 100);
    const auto amp = p.OpAmp(170, 112);
    const double outX = 265;
    const QPointF out(outX, amp.out.y());
    const QString r = QStringLiteral("R (kΩ)");
    const QString c = QStringLiteral("C (nF)");

    p.Terminal(in, QStringLiteral("Vin"), true);
    Part(p, differentiator ? 'C' : 'R', in, m, differentiator ? c : r);
    p.Node(m);
    p.Wire({m, amp.minus});
    p.Wire({amp.plus, QPointF(155, amp.plus.y()), QPointF(155, 138)});
    p.Ground(QPointF(155, 138));
    p.Wire({m, QPointF(m.x(), 45)});
    Part(p, differentiator ? 'R' : 'C', QPointF(m.x(), 45), QPointF(outX, 45),
         differentiator ? r : c);
    p.Wire({QPointF(outX, 45), out});
    p.Wire({amp.out, QPointF(300, out.y())});
    p.Node(out);
    p.Terminal(QPointF(300, out.y()), QStringLiteral("Vout"), false);
}

SchematicView::Drawing TAnalogueFiltersForm::Formula(QString numerator, QString denominator,
                                                     QString secondNumerator,
                                                     QString secondDenominator,
                                                     QStringList legend) {
    return [=](SchematicPainter &p) {
        double right = p.Fraction(QPointF(8, 28), QStringLiteral("G(s) ="), numerator, denominator);
        if (!secondNumerator.isEmpty()) {
            p.Fraction(QPointF(right + 8, 28), QStringLiteral("="), secondNumerator,
                       secondDenominator);
        }
        double y = 62;
        for (const QString &line : legend) {
            p.Text(QPointF(8, y), line, Qt::AlignLeft | Qt::AlignVCenter, 10.0);
            y += 14;
        }
    };
}
