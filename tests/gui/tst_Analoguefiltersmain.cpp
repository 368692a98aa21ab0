#include "tests/gui/FakeUiServices.h"
#include "tests/gui/FormDriver.h"

#include "core/signal/DesignedFilterSource.h"
#include "core/tools/FilterNetwork.h"
#include "gui/tools/Analoguefiltersmain.h"
#include "gui/tools/Graph.h"
#include "gui/widgets/NumberEdit.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>

// The calculator driven as a student drives it: choosing tabs, typing, clicking.
class TestAnaloguefiltersmain : public QObject, FormDriver {
    Q_OBJECT

private:
    FakeUiServices services;
    kaldorium::DefaultDesignedFilterSource designed;
    kaldorium::FilterNetwork network;
    std::unique_ptr<TGraphForm> graph;
    std::unique_ptr<TAnalogueFiltersForm> form;

    QLineEdit *edit(const QString &name) { return find<QLineEdit>(name); }
    QString text(const QString &name) { return edit(name)->text(); }
    double value(const QString &name) { return text(name).toDouble(); }
    // Programmatic texts, as the program writes them: no key release, no linked update.
    void set(const QString &name, const QString &value) { edit(name)->setText(value); }
    void setAll(const QStringList &namesAndValues) {
        for (int i = 0; i + 1 < namesAndValues.size(); i += 2) {
            set(namesAndValues[i], namesAndValues[i + 1]);
        }
    }
    // Typing, key by key, into a field emptied first.
    void type(const QString &name, const QString &keys) {
        QLineEdit *e = edit(name);
        e->clear();
        QTest::keyClicks(e, keys);
    }
    void openTab(const char *tab) {
        auto *tabs = find<QTabWidget>("PageControl1");
        tabs->setCurrentWidget(find<QWidget>(tab));
    }
    // The text of the label that names a field (its buddy), without a closing colon.
    QString Label(const QString &field) {
        for (QLabel *l : form->findChildren<QLabel *>()) {
            if (l->buddy() == edit(field)) {
                return l->text().endsWith(':') ? l->text().chopped(1) : l->text();
            }
        }
        return QString();
    }
    // Clicks a Bode button; returns whether the Bode window came up modally (and closes it).
    bool clickBode(const QString &name) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            opened = modal == graph.get();
            if (modal != nullptr) {
                modal->close();
            }
        });
        click(name);
        QTest::qWait(1);
        return opened;
    }

private slots:
    void init() {
        services = FakeUiServices();
        graph = std::make_unique<TGraphForm>(services, designed, network);
        form = std::make_unique<TAnalogueFiltersForm>(services, *graph);
        root = form.get();
        settleBeforeClick = false;
        form->show();
    }
    void cleanup() {
        form.reset();
        graph.reset();
    }

    void tabsHoldTheirControls_data() {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("factor");
        const char *rows[][5] = {
            {"LowPass_Tab", "&Low Pass (Inv.)", "LR1 LC2 LR3 LR4 LC5 LW0 LF0 LZ LA0",
             "LTransfer LComponents LMultiply LDivide LPFGraph", "LFactor"},
            {"HighPass_Tab", "&High Pass (Inv.)", "HC1 HR2 HC3 HC4 HR5 HW0 HF0 HZ HA0",
             "HTransfer HComponents HMultiply HDivide HPFGarph", "HFactor"},
            {"BandPass_Tab", "&Band Pass (Inv.)", "BR1 BR2 BC3 BC4 BR5 BW0 BF0 BB BQ BZ BA0",
             "BTransfer BComponents BMultiply BDivide BPFGraph", "BFactor"},
            {"BandReject_Tab", "band&Reject (Inv.)", "RR1 RR2 RC1 RC2 RR3 RR4 RW0 RF0 RB RQ RZ RA0",
             "RTransfer RComponents RMultiply RDivide BRFGraph", "RFactor"},
            {"NLowPass_Tab", "L&Ow Pass (Non-Inv.)",
             "NLR1 NLR2 NLC3 NLC4 NLRIN NLRF NLW0 NLF0 NLZ NLA0",
             "NLTransfer NLComponents NLMultiply NLDivide NLPFGraph", "NLFactor"},
            {"NHighPass_Tab", "hi&Gh Pass (Non-Inv.)",
             "NHC1 NHC2 NHR3 NHR4 NHRIN NHRF NHW0 NHF0 NHZ NHA0",
             "NHTransfer NHComponents NHMultiply NHDivide NHPFGraph", "NHFactor"},
            {"NBandPass_Tab", "ba&Nd Pass (Non-Inv.)",
             "NBR1 NBR2 NBC1 NBC2 NBRIN NBRF NBW0 NBF0 NBB NBQ NBZ NBA0",
             "NBTransfer NBComponents NBMultiply NBDivide", "NBFactor"},
            {"Differentiator", "Differentiator", "DiffR DiffC DiffW0 DiffF0",
             "DiffTransfer DiffComponents", ""},
            {"Integrator", "Integrator", "IntR IntC IntW0 IntF0", "IntTransfer IntComponents", ""},
        };
        for (const auto &r : rows) {
            QTest::newRow(r[0]) << r[0] << r[1] << r[2] << r[3] << r[4];
        }
    }
    void tabsHoldTheirControls() {
        QFETCH(QString, tab);
        QFETCH(QString, caption);
        QFETCH(QString, edits);
        QFETCH(QString, buttons);
        QFETCH(QString, factor);
        QCOMPARE(form->windowTitle(),
                 QStringLiteral("(KALDOR) Analog 2nd Order Active Filters Design"));
        auto *tabs = find<QTabWidget>("PageControl1");
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("LowPass_Tab"));
        QWidget *page = find<QWidget>(tab.toLatin1().constData());
        QCOMPARE(tabs->tabText(tabs->indexOf(page)), caption);
        tabs->setCurrentWidget(page);
        for (const QString &name : edits.split(' ')) {
            QLineEdit *e = page->findChild<QLineEdit *>(name);
            QVERIFY2(e != nullptr && e->isVisible(), qPrintable(name));
            QVERIFY2(e->text().isEmpty(), qPrintable(name));
        }
        const QStringList captions{"Calculate &Transfer Function", "Calculate &Components",
                                   "&Multiply", "&Divide", "&Bode Plot"};
        const QStringList names = buttons.split(' ');
        for (int i = 0; i < names.size(); ++i) {
            auto *b = page->findChild<QPushButton *>(names[i]);
            QVERIFY2(b != nullptr && b->isVisible(), qPrintable(names[i]));
            QCOMPARE(b->text(), captions[i]);
        }
        if (!factor.isEmpty()) {
            QCOMPARE(page->findChild<QLineEdit *>(factor)->text(), QStringLiteral("1"));
            bool units = false;
            for (QLabel *l : page->findChildren<QLabel *>()) {
                units |= l->text() == QStringLiteral("Resistors Kilo Ohms  Capacitors Nano Farads");
            }
            QVERIFY(units);
        }
    }

    void nonInvertingBandPassAndRcBodeButtons() {
        openTab("NBandPass_Tab");
        QVERIFY(find<QPushButton>("NBPFGraph")->isHidden());
        QVERIFY(!find<QLineEdit>("NBA0")->isEnabled());
        setAll({"NBW0", "10", "NBB", "5"});
        click("NBComponents");
        QVERIFY(!find<QPushButton>("NBPFGraph")->isHidden());
        click("NBTransfer");
        QVERIFY(!find<QPushButton>("NBPFGraph")->isHidden());
        for (const char *tab : {"Differentiator", "Integrator"}) {
            openTab(tab);
            const QString prefix = tab[0] == 'D' ? "Diff" : "Int";
            set(prefix + "W0", "1");
            click(prefix + "Components");
            click(prefix + "Transfer");
            QVERIFY(find<QPushButton>(tab[0] == 'D' ? "DiffGraph" : "IntGraph")->isHidden());
        }
        QCOMPARE(text("DiffC"), QStringLiteral("1.0000000E+0000"));
        QCOMPARE(text("DiffR"), QStringLiteral("1.0000000E+0003"));
        QCOMPARE(text("IntW0"), QStringLiteral("1.0000000E+0000"));
        QCOMPARE(text("IntF0"), QStringLiteral("1.5915494E-0001"));
    }

    // Components from the parameters, then the transfer function from those components, gives
    // the parameters back; the Bode window then gets them with the tab's kind and title.
    void designRoundTripAndBodeHandOff_data() {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("inputs");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("bode");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        struct Row {
            const char *name, *tab, *prefix, *inputs, *expected, *bode;
            int kind;
            const char *title;
        };
        const Row rows[] = {
            {"low pass", "LowPass_Tab", "L", "LW0 1 LA0 1 LZ 0.7071",
             "LR1 5.0000000E+0002 LR4 500 LR3 30 LW0 1 LZ 0.7071 LA0 1 LF0 0.15915494", "LPFGraph",
             13, "Analogue Low Pass (inverting) 2nd Order Filter"},
            {"low pass rescaled", "LowPass_Tab", "L", "LW0 0.1 LA0 1 LZ 0.7071",
             "LR1 1.0000000E+0002 LR3 6 LR4 100 LW0 0.1 LZ 0.7071", "LPFGraph", 13,
             "Analogue Low Pass (inverting) 2nd Order Filter"},
            {"high pass", "HighPass_Tab", "H", "HW0 2 HA0 3 HZ 0.3",
             "HC1 1.5000000E+0002 HW0 2 HZ 0.3 HA0 3", "HPFGarph", 12,
             "Analogue High Pass (inverting) 2nd Order Filter"},
            {"band pass", "BandPass_Tab", "B", "BW0 5 BA0 2 BB 1",
             "BR2 1.0000000E+0001 BW0 5 BB 1 BA0 2 BZ 0.1 BQ 5", "BPFGraph", 10,
             "Analogue Band Pass (inverting) 2nd Order Filter"},
            {"band reject", "BandReject_Tab", "R", "RW0 2 RA0 2 RB 0.4",
             "RR2 2.0000000E+0002 RR3 100 RW0 2 RB 0.4 RQ 5 RZ 0.1 RA0 2", "BRFGraph", 11,
             "Analogue Band Reject (inverting) 2nd Order Filter"},
            {"non-inverting low pass, gain guarded", "NLowPass_Tab", "NL", "NLW0 10 NLA0 1 NLZ 0.5",
             "NLA0 2.0000000E+0000 NLR1 10 NLR2 10 NLRIN 10 NLRF 10 NLZ 0.5 NLW0 10", "NLPFGraph",
             18, "Analogue Low Pass (Non-Inverting) 2nd Order Filter"},
            {"non-inverting high pass", "NHighPass_Tab", "NH", "NHW0 3 NHA0 1.5 NHZ 0.6",
             "NHRF 5.0000000E+0000 NHA0 1.5 NHZ 0.6 NHW0 3", "NHPFGraph", 17,
             "Analogue High Pass (Non-Inverting) 2nd Order Filter"},
            {"non-inverting band pass, B = 3 ω0", "NBandPass_Tab", "NB", "NBW0 10 NBB 30",
             "NBRIN 1.0000000E+0001 NBB 19.9 NBW0 10 NBQ 0.50251256", "NBPFGraph", 16,
             "Analogue Band Pass (Non-Inverting) 2nd Order Filter"},
        };
        for (const Row &r : rows) {
            QTest::newRow(r.name) << r.tab << r.prefix << r.inputs << r.expected << r.bode << r.kind
                                  << r.title;
        }
    }
    void designRoundTripAndBodeHandOff() {
        QFETCH(QString, tab);
        QFETCH(QString, prefix);
        QFETCH(QString, inputs);
        QFETCH(QString, bode);
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QString, expected);
        openTab(tab.toLatin1().constData());
        setAll(inputs.split(' '));
        click(prefix + "Components");
        click(prefix + "Transfer");
        QCOMPARE(services.errors, QStringList());
        // Components pass through 8-digit texts, so the parameters come back to within that.
        static const QRegularExpression format(QStringLiteral("^-?\\d\\.\\d{7}E[+-]\\d{4}$"));
        const QStringList pairs = expected.split(' ');
        QCOMPARE(text(pairs[0]), pairs[1]);
        for (int i = 0; i + 1 < pairs.size(); i += 2) {
            QVERIFY2(format.match(text(pairs[i])).hasMatch(), qPrintable(text(pairs[i])));
            QVERIFY2(qAbs(value(pairs[i]) / pairs[i + 1].toDouble() - 1.0) < 2e-7,
                     qPrintable(pairs[i] + " " + text(pairs[i])));
        }
        graph->ts = 0.125;
        QVERIFY(clickBode(bode));
        QCOMPARE(graph->type, kind);
        QCOMPARE(graph->titleName, title);
        QCOMPARE(graph->omega0, value(prefix + "W0") * 1000.0);
        QCOMPARE(graph->amplification, value(prefix + "A0"));
        QCOMPARE(graph->damping, value(prefix + "Z"));
        QCOMPARE(graph->ts, 0.125);
    }

    // A text that is no number, or a formula's fault, is reported and nothing is written; the
    // Bode window does not open for ω0 or A0 of 0 or below (it takes their logarithms).
    void failuresWriteNothing_data() {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("inputs");
        QTest::addColumn<QString>("untouched");
        QTest::addColumn<QString>("error");
        const QString notANumber = QStringLiteral("%1 is not a valid floating point value");
        const QString divide = QStringLiteral("Floating point division by zero");
        const char *rows[][5] = {
            {"LowPass_Tab", "LComponents", "LW0  LA0 1", "LR1", "ω₀ (krad/s): ''"},
            {"LowPass_Tab", "LTransfer", "LR1 1 LC2 1 LR3 1% LR4 1 LC5 1", "LW0", "R3 (kΩ): '1%'"},
            {"NBandPass_Tab", "NBTransfer", "NBR1 10 NBR2 10 NBC1 10 NBC2 10 NBRIN 10 NBRF 0",
             "NBW0", nullptr},
            {"NBandPass_Tab", "NBComponents", "NBW0 10 NBB 0", "NBR1", nullptr},
            {"NLowPass_Tab", "NLComponents", "NLW0 10 NLA0 3 NLZ 0", "NLR1", nullptr},
            {"LowPass_Tab", "LPFGraph", "LW0 0 LA0 1 LZ 0.5", "LR1", nullptr},
            {"LowPass_Tab", "LPFGraph", "LW0 1 LA0 -2 LZ 0.5", "LR1", "invalid"},
            {"LowPass_Tab", "LPFGraph", "LW0 1 LZ 0.5", "LA0", "A₀: '7%'"},
        };
        for (const auto &r : rows) {
            const QString error = r[4] == nullptr ? divide
                                  : QString::fromLatin1(r[4]) == "invalid"
                                      ? QStringLiteral("Invalid floating point operation")
                                      : notANumber.arg(QString::fromUtf8(r[4]));
            QTest::newRow(qPrintable(QString::fromLatin1(r[1]) + " " + r[2]))
                << r[0] << r[1] << r[2] << r[3] << error;
        }
    }
    void failuresWriteNothing() {
        QFETCH(QString, tab);
        QFETCH(QString, button);
        QFETCH(QString, inputs);
        QFETCH(QString, untouched);
        QFETCH(QString, error);
        openTab(tab.toLatin1().constData());
        set(untouched, untouched == "LA0" ? "7%" : "7");
        setAll(inputs.split(' '));
        graph->type = 3;
        QVERIFY(!clickBode(button));
        QCOMPARE(services.errors, QStringList{error});
        QCOMPARE(text(untouched), untouched == "LA0" ? "7%" : "7");
        QCOMPARE(graph->type, 3);
    }

    // Every field a button reads, left empty, is named by its label in the message; the f₀
    // fields and the Q of the band tabs are only written.
    void anEmptyFieldIsNamedByItsLabel() {
        auto *tabs = find<QTabWidget>("PageControl1");
        QStringList named;
        QStringList misnamed;
        for (int t = 0; t < tabs->count(); ++t) {
            QWidget *page = tabs->widget(t);
            tabs->setCurrentWidget(page);
            const QList<NumberEdit *> fields = page->findChildren<NumberEdit *>();
            for (NumberEdit *empty : fields) {
                for (QPushButton *button : page->findChildren<QPushButton *>()) {
                    for (NumberEdit *f : fields) {
                        f->setText(f == empty ? QString() : QStringLiteral("1"));
                    }
                    services.errors.clear();
                    QTimer::singleShot(0, [] {
                        if (QWidget *modal = QApplication::activeModalWidget()) {
                            modal->close();
                        }
                    });
                    button->click();
                    QTest::qWait(1);
                    const QString expected =
                        Label(empty->objectName()) + ": '' is not a valid floating point value";
                    for (const QString &error : services.errors) {
                        if (error == expected && !Label(empty->objectName()).isEmpty()) {
                            named << empty->objectName();
                        } else if (error.contains(QStringLiteral("''"))) {
                            misnamed << button->objectName() + " " + error;
                        }
                    }
                }
            }
        }
        QCOMPARE(misnamed, QStringList());
        named.removeDuplicates();
        QStringList unread;
        for (NumberEdit *f : form->findChildren<NumberEdit *>()) {
            if (!named.contains(f->objectName())) {
                unread << f->objectName();
            }
        }
        unread.sort();
        QCOMPARE(unread, (QStringList{"BF0", "BQ", "DiffF0", "HF0", "IntF0", "LF0", "NBF0", "NBQ",
                                      "NHF0", "NLF0", "RF0", "RQ"}));
    }

    void multiplyAndDivideScaleTheFrequencyParts_data() {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("resistors");
        QTest::addColumn<QStringList>("capacitors");
        QTest::addColumn<QStringList>("untouched");
        QTest::newRow("low pass") << "LowPass_Tab"
                                  << "L" << QStringList{"LR1", "LR3", "LR4"}
                                  << QStringList{"LC2", "LC5"} << QStringList{};
        QTest::newRow("band reject") << "BandReject_Tab"
                                     << "R" << QStringList{"RR1", "RR2", "RR3", "RR4"}
                                     << QStringList{"RC1", "RC2"} << QStringList{};
        QTest::newRow("non-inverting high pass")
            << "NHighPass_Tab"
            << "NH" << QStringList{"NHR3", "NHR4"} << QStringList{"NHC1", "NHC2"}
            << QStringList{"NHRIN", "NHRF"};
    }
    void multiplyAndDivideScaleTheFrequencyParts() {
        QFETCH(QString, tab);
        QFETCH(QString, prefix);
        QFETCH(QStringList, resistors);
        QFETCH(QStringList, capacitors);
        QFETCH(QStringList, untouched);
        openTab(tab.toLatin1().constData());
        for (const QStringList &names : {resistors, capacitors, untouched}) {
            for (const QString &n : names) {
                set(n, "2");
            }
        }
        set(prefix + "Factor", "10");
        click(prefix + "Multiply");
        for (const QString &n : resistors) {
            QCOMPARE(text(n), QStringLiteral("2.0000000E+0001"));
        }
        for (const QString &n : capacitors) {
            QCOMPARE(text(n), QStringLiteral("2.0000000E-0001"));
        }
        for (const QString &n : untouched) {
            QCOMPARE(text(n), QStringLiteral("2"));
        }
        click(prefix + "Divide");
        for (const QString &n : resistors + capacitors) {
            QCOMPARE(text(n), QStringLiteral("2.0000000E+0000"));
        }
        // A factor of 0 or below is refused; a bad component text stops everything.
        for (const char *factor : {"0", "-1"}) {
            set(prefix + "Factor", factor);
            click(prefix + "Multiply");
            QCOMPARE(services.shown.last().title, QStringLiteral("DSP Error"));
            QCOMPARE(services.shown.last().text,
                     QStringLiteral("The scale factor must be greater than 0"));
            QCOMPARE(services.shown.last().icon, QMessageBox::Critical);
            QCOMPARE(text(resistors.first()), QStringLiteral("2.0000000E+0000"));
        }
        set(prefix + "Factor", "10");
        set(capacitors.last(), "-");
        click(prefix + "Divide");
        QCOMPARE(services.errors, QStringList{Label(capacitors.last()) +
                                              ": '-' is not a valid floating point value"});
        QCOMPARE(text(resistors.first()), QStringLiteral("2.0000000E+0000"));
    }

    void linkedFieldsFollowKeyReleases() {
        // The first keystroke's change comes before the release that sets the flag.
        QTest::keyClicks(edit("LW0"), "6");
        QCOMPARE(text("LF0"), QString());
        QTest::keyClicks(edit("LW0"), "2");
        QCOMPARE(text("LF0"), QStringLiteral("9.8676065E+0000"));
        // The flag left set by the last release is consumed by the next program write.
        set("LW0", "1");
        QCOMPARE(text("LF0"), QStringLiteral("1.5915494E-0001"));
        set("LW0", "2");
        QCOMPARE(text("LF0"), QStringLiteral("1.5915494E-0001"));

        openTab("BandPass_Tab");
        set("BW0", "10");
        type("BQ", "5");
        QTest::keyClicks(edit("BQ"), "0");
        QCOMPARE(text("BZ"), QStringLiteral("1.0000000E-0002"));
        QCOMPARE(text("BB"), QStringLiteral("2.0000000E-0001"));
        type("BZ", "0");
        QTest::keyClicks(edit("BZ"), ".");
        QTest::keyClicks(edit("BZ"), "5");
        QCOMPARE(text("BQ"), QStringLiteral("1.0000000E+0000"));
        QCOMPARE(text("BB"), QStringLiteral("1.0000000E+0001"));
        // Texts still being typed, or ω0 = 0, update nothing and report nothing.
        type("BB", "3");
        QTest::keyClicks(edit("BB"), "\b");
        QTest::keyClicks(edit("BB"), "-");
        QCOMPARE(text("BQ"), QStringLiteral("1.0000000E+0000"));
        set("BW0", "0");
        type("BB", "4");
        QTest::keyClicks(edit("BB"), "4");
        QCOMPARE(text("BZ"), QStringLiteral("0.5"));
        QCOMPARE(services.errors, QStringList());
    }

    void keyFilterKeepsOnlyNumberCharacters_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("kept");
        QTest::newRow("letters") << "1a2bE3"
                                 << "123";
        QTest::newRow("signs") << "-1.5%'"
                               << "-1.5%'";
        QTest::newRow("blank and plus") << "1 +2"
                                        << "12";
    }
    void keyFilterKeepsOnlyNumberCharacters() {
        QFETCH(QString, keys);
        QFETCH(QString, kept);
        for (const char *name : {"LR1", "NBRF", "IntC", "LFactor"}) {
            type(name, keys);
            QCOMPARE(text(name), kept);
        }
    }
};

QTEST_MAIN(TestAnaloguefiltersmain)
#include "tst_Analoguefiltersmain.moc"
