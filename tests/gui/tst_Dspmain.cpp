#include "tests/gui/DspmainFixture.h"
#include "tests/gui/FakeSoundPlayer.h"

#include "core/common/NumberText.h"
#include "gui/audio/Wavmain.h"
#include "gui/tools/Analoguefiltersmain.h"
#include "gui/tools/Digitalfiltersdesign.h"
#include "gui/tools/Fileedit.h"
#include "gui/tools/Filternetwork.h"
#include "gui/tools/Graph.h"
#include "gui/widgets/PlotImage.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <numbers>

// The workbench window: its controls, its display read-out and the tool windows it opens.
class TestDspmain : public QObject, DspmainFixture {
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { form.reset(); }

    void windowHasTitleSizeAndEveryControl() {
        QCOMPARE(form->windowTitle(), QStringLiteral("Kaldorium (KALDOR)"));
        QCOMPARE(form->size(), QSize(867, 700));
        for (const QString &name :
             QStringLiteral(
                 "Panel1 Panel2 Panel3 Panel4 OscillatorSpecs Filter_Specs soFrequency "
                 "oFrequencyI soAmplitude oAmplitudeI soSamples oSamplesI oT soDC_Offset "
                 "oDC_OffsetI DutyCycleLabel soDutyCycle oDutyCycleI InputFileLabel "
                 "InputFileName GetInputFile EditInputFile oTest oDFT oFFT WaveFiles AddNoise "
                 "sSN_Label sSN_Ratio NoiseGroup NormalNoise GaussianNoise Range_Field_Display1 "
                 "RMS_Field_Display1 SineWave SquareWave SawTooth FSawTooth Triangle FTriangle "
                 "FileData Modulate Modulate_Group AM_Modulate FM_Modulate "
                 "ModulationFactorLabel sModulationFactor ModulationFactorI Label1 Label2 "
                 "Label3 sfFrequency fFrequencyI sQfactor QfactorI sfAmplification "
                 "fAmplificationI MakeBodePlot StepResponse ImpulseResponse "
                 "DigitalFiltersDesign AnalogueFiltersDesign Rectify RectifyGroup HalfRectify "
                 "FullRectify OutputToFile OutputFileLabel OutputFileName GetOutputFile "
                 "EditOutputFile fTest fDFT fFFT BandPass BandReject HighPass HighPass2 LowPass "
                 "LowPass2 DesignedFilter NetworkFiltering DesignNetwork Diffrentiate Integrate "
                 "Range_Field_Display2 RMS_Field_Display2 sSignal1Scale Signal1ScaleM "
                 "Signal1ScaleI sSignal1Shift Signal1ShiftI CoupleScale sSignal2Scale "
                 "Signal2ScaleM Signal2ScaleI sSignal2Shift Signal2ShiftI sTimeScale TimeScaleM "
                 "TimeScaleI TimeScaleLabel ClickX ClickY Image2")
                 .split(QLatin1Char(' '))) {
            QVERIFY2(form->findChild<QObject *>(name) != nullptr, qPrintable(name));
        }
        QCOMPARE(find<QGroupBox>("OscillatorSpecs")->title(),
                 QStringLiteral("Oscillator Specifications"));
        QCOMPARE(find<QLabel>("TimeScaleLabel")->text(), QStringLiteral("Time (milliseconds)"));
        QVERIFY(find<QLabel>("TimeScaleLabel")->font().bold());
        QVERIFY(find<QRadioButton>("SineWave")->isChecked());
        QVERIFY(find<QRadioButton>("BandPass")->isChecked());
        QVERIFY(find<QCheckBox>("CoupleScale")->isChecked());
        QVERIFY(!find<QRadioButton>("FM_Modulate")->isEnabled());
    }

    void hiddenAtStartAndFieldDefaults() {
        for (const char *name :
             {"DutyCycleLabel", "soDutyCycle", "oDutyCycleI", "InputFileLabel", "InputFileName",
              "GetInputFile", "EditInputFile", "sSN_Ratio", "NoiseGroup", "Modulate_Group",
              "sModulationFactor", "ModulationFactorI", "RectifyGroup", "OutputFileName",
              "GetOutputFile", "EditOutputFile", "DesignNetwork"}) {
            QVERIFY2(!find<QWidget>(name)->isVisible(), name);
        }
        QCOMPARE(text("soFrequency"), QStringLiteral("2000"));
        QCOMPARE(text("soSamples"), QStringLiteral("20"));
        QCOMPARE(text("oT"), QStringLiteral("0.000025"));
        QCOMPARE(text("RMS_Field_Display1"), QStringLiteral("0"));
        const auto &s = form->Settings();
        QCOMPARE(s.frequency, 2000.0);
        QCOMPARE(s.samplesPerCycle, 20);
        QCOMPARE(s.samplingPeriod, 0.000025);
        QCOMPARE(s.qFactor, 10.0);
        QCOMPARE(s.amplification, 2.0);
        QCOMPARE(s.waveformName, std::string("Sine Wave"));
        QCOMPARE(s.filterName, std::string("Band Pass"));
    }

    // The display's data out names its columns with their units.
    void dataOutNamesTimeInputAndOutput() {
        click("fTest");
        find<QTimer>("runTimer")->stop();
        form->RunChunk();
        click("fTest");
        const QStringList lines =
            find<PlotImage>("Image2")->DataText().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.first(), QStringLiteral("time (ms),input,output"));
        QVERIFY(lines.size() > 100);
    }

    void mouseOverDisplayShowsValueCoordinates() {
        auto *image = find<PlotImage>("Image2");
        QTest::mouseMove(image, QPoint(30, 0));
        QTRY_COMPARE(text("ClickX"), QStringLiteral("0"));
        QCOMPARE(text("ClickY"), QStringLiteral("1"));
        QTest::mouseMove(image, QPoint(image->width() - 1, image->height() - 30));
        const double plotWidth = image->width() - 30;
        // Six significant digits.
        QTRY_COMPARE(text("ClickX"), QString::fromStdString(kaldorium::FormatGeneral(
                                         (plotWidth - 1) * 5.0 / plotWidth, 6)));
        QCOMPARE(text("ClickY"), QStringLiteral("-1"));
    }

    void toolButtonsOpenTheirWindowsModally() {
        kaldorium::DigitalFilterDesign design;
        TGraphForm graph(services, design, network);
        TDigitalFiltersForm digital(services, design);
        TAnalogueFiltersForm analogue(services, graph);
        TFilterNetworkForm networkForm(services, network);
        FakeSoundPlayer player;
        TFileEditForm editor(services);
        TWAVMainForm wav(services, player, noise, network, design, editor, &networkForm);
        form->SetToolWindows({&graph, &analogue, &digital, nullptr, &networkForm, &wav});
        const struct {
            const char *button;
            QDialog *window;
        } cases[] = {{"MakeBodePlot", &graph},
                     {"DigitalFiltersDesign", &digital},
                     {"AnalogueFiltersDesign", &analogue}};
        for (const auto &c : cases) {
            const auto modal = AnswerModal();
            click(c.button);
            QVERIFY2(modal->window == c.window, c.button);
        }
        // The Bode window gets the filter's inputs; for the differentiator ω0 is the
        // oscillator's angular frequency, not fc's.
        type("sfFrequency", QStringLiteral("1000"));
        leave("sfFrequency");
        click("LowPass2");
        double axisEnd = 0.0;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(!control<QLabel>(&graph, "MessageLabel")->isVisible());
            axisEnd = std::pow(10.0, graph.GainScope().xMax);
            graph.close();
        });
        click("MakeBodePlot");
        // A digital filter's response ends at the Nyquist frequency, 0.5/Ts.
        QCOMPARE(axisEnd, 20000.0);
        QCOMPARE(graph.omega0, 2 * std::numbers::pi * 1000);
        QCOMPARE(graph.damping, 0.05);
        QCOMPARE(graph.amplification, 2.0);
        QCOMPARE(graph.ts, 0.000025);
        QCOMPARE(graph.type, 5);
        QCOMPARE(graph.titleName, QStringLiteral("Digital Low Pass Filter (4th Order)"));
        click("Diffrentiate");
        QTimer::singleShot(0, [&] { graph.close(); });
        click("MakeBodePlot");
        QCOMPARE(graph.omega0, 2 * std::numbers::pi * 2000);
        QCOMPARE(graph.titleName, QStringLiteral("Differentiator"));

        click("WaveFiles");
        QVERIFY(!form->isVisible());
        QVERIFY(wav.isVisible());
        wav.close();
        QVERIFY(form->isVisible());
    }

    void editButtonsHandNamesToTheEditorAndBack() {
        TFileEditForm editor(services);
        form->SetToolWindows({nullptr, nullptr, nullptr, &editor, nullptr, nullptr});
        // Closes the editor whenever it is shown modally.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() == &editor) {
                editor.close();
            }
        });
        closer.start(10);

        // No name: the editor gets "*.DSI", whose open dialog is cancelled; the field stays empty.
        click("FileData"); // opens the input dialog at once (cancelled: no answer queued)
        click("EditInputFile");
        QVERIFY(text("InputFileName").isEmpty());
        QCOMPARE(services.Kinds().count(QStringLiteral("open")), 2);

        // "*.DSO": the file chosen in the editor's open dialog comes back into the name field.
        const QString chosen = QStringLiteral(KALDORIUM_TEST_DATA "/dsi/three.DSI");
        services.openAnswers.enqueue(chosen);
        click("EditOutputFile");
        QCOMPARE(text("OutputFileName"), chosen);
        // A name given goes to the editor and comes back unchanged.
        click("EditOutputFile");
        QCOMPARE(text("OutputFileName"), chosen);
        QCOMPARE(editor.FileName(), chosen);
    }
};

QTEST_MAIN(TestDspmain)
#include "tst_Dspmain.moc"
