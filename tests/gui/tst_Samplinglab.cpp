#include "core/audio/WaveFile.h"
#include "core/common/Errors.h"
#include "core/common/Random.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/SamplingLab.h"
#include "gui/tools/Samplinglab.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/Stepper.h"
#include "gui/workbench/Dspmain.h"
#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/GuiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <vector>

using namespace kaldorium;

namespace {

// Types a value into a field as a user does and presses Enter.
void Type(QWidget *window, const char *name, const QString &text) {
    auto *field = control<QLineEdit>(window, name);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

QString Text(QWidget *window, const char *name) {
    return control<QLineEdit>(window, name)->text();
}

// Chooses the item `index` of a choice with the arrow keys.
void Choose(QWidget *window, const char *name, int index) {
    auto *box = control<QComboBox>(window, name);
    box->setFocus();
    const int steps = index - box->currentIndex();
    for (int i = 0; i < std::abs(steps); ++i) {
        QTest::keyClick(box, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
}

// Pixels of a plot's picture near the colour.
int CountColour(QWidget *window, const char *plot, QColor colour) {
    const QImage image = control<PlotImage>(window, plot)->Canvas().Image();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                         std::abs(c.blue() - colour.blue()) <
                     60;
        }
    }
    return count;
}

std::vector<double> ReadWave(const QString &path, WaveFile &file) {
    std::vector<double> values;
    if (!file.OpenForReading(path.toStdString())) {
        return values;
    }
    double v = 0.0;
    for (std::uint32_t i = 0; i < file.dataBytes / 2 && file.ReadValue(v); ++i) {
        values.push_back(v);
    }
    file.CloseFile();
    return values;
}

} // namespace

class TestSamplinglab : public QObject {
    Q_OBJECT

private slots:
    void init() {
        services = std::make_unique<FakeUiServices>();
        player = std::make_unique<FakeSoundPlayer>();
        form = std::make_unique<TSamplingForm>(*services, *player);
        now = 0.0;
        form->clock = [this] { return now; };
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void readoutsFollowTheFields() {
        QWidget *w = form.get();
        Type(w, "SignalFrequency", QStringLiteral("7000"));
        QCOMPARE(Text(w, "AliasFrequency"), QStringLiteral("7000 Hz → 1000 Hz"));
        Type(w, "SampleRate", QStringLiteral("12000"));
        QCOMPARE(Text(w, "AliasFrequency"), QStringLiteral("7000 Hz → 5000 Hz"));
        // The stepper moves the rate by a thousand.
        QTest::mouseClick(control<Stepper>(w, "SampleRateI")->DownButton(), Qt::LeftButton);
        QCOMPARE(Text(w, "SampleRate"), QStringLiteral("11000"));
        QCOMPARE(Text(w, "AliasFrequency"), QStringLiteral("7000 Hz → 4000 Hz"));

        Type(w, "Bits", QStringLiteral("8"));
        QVERIFY2(Text(w, "QuantisationSNR").endsWith(QStringLiteral("(6.02·b + 1.76 = 49.92 dB)")),
                 qPrintable(Text(w, "QuantisationSNR")));
        // Above the highest number of bits comes Exact.
        Type(w, "Bits", QStringLiteral("24"));
        QTest::mouseClick(control<Stepper>(w, "BitsI")->UpButton(), Qt::LeftButton);
        QCOMPARE(Text(w, "Bits"), QStringLiteral("Exact"));
        QCOMPARE(Text(w, "QuantisationSNR"), QStringLiteral("Exact: no quantisation"));
        Type(w, "Bits", QStringLiteral("exact"));
        QCOMPARE(form->Signal().Settings().bits, ExactBits);

        QCOMPARE(Text(w, "AntiAliasAttenuation"), QStringLiteral("No anti-alias filter"));
        Choose(w, "AntiAlias", static_cast<int>(AntiAliasKind::Ideal));
        QCOMPARE(Text(w, "AntiAliasAttenuation"), QStringLiteral("Blocked at 7000 Hz"));
        QVERIFY(services->errors.isEmpty());
    }

    void refusedValuesKeepTheSettings() {
        QWidget *w = form.get();
        Type(w, "SampleRate", QStringLiteral("-5"));
        QCOMPARE(services->errors.size(), 1);
        QCOMPARE(Text(w, "SampleRate"), QStringLiteral("8000"));
        QCOMPARE(form->Signal().Settings().sampleRate, 8000.0);
        Type(w, "Bits", QStringLiteral("many"));
        QCOMPARE(services->errors.size(), 2);
        QCOMPARE(form->Signal().Settings().bits, 16);
    }

    // The low passes take the calculator's components as they are when chosen.
    void circuitsComeFromTheCalculator() {
        QWidget *w = form.get();
        InvertingLowPass given = DefaultInvertingLowPass();
        given.r1 *= 2.0;
        form->circuitSource = [&](SamplingSettings &s) { s.invertingLowPass = given; };
        Choose(w, "AntiAlias", static_cast<int>(AntiAliasKind::InvertingLowPass));
        QCOMPARE(form->Signal().Settings().invertingLowPass.r1, given.r1);
        QCOMPARE(Text(w, "AntiAliasAttenuation"),
                 QString::fromStdString(AttenuationText(form->Signal())));
        QVERIFY(Text(w, "AntiAliasAttenuation").endsWith(QStringLiteral("dB at 1000 Hz")));
        // A calculator field without a number refuses the choice.
        form->circuitSource = [](SamplingSettings &) { throw ConversionError("R1: 'x'"); };
        Choose(w, "AntiAlias", static_cast<int>(AntiAliasKind::NonInvertingLowPass));
        QCOMPARE(services->errors.size(), 1);
        QCOMPARE(form->Signal().Settings().antiAlias, AntiAliasKind::InvertingLowPass);
        QCOMPARE(control<QComboBox>(w, "AntiAlias")->currentIndex(),
                 static_cast<int>(AntiAliasKind::InvertingLowPass));
    }

    void theThreePlotsAreDrawn() {
        QWidget *w = form.get();
        Type(w, "SignalFrequency", QStringLiteral("7000"));
        Type(w, "Bits", QStringLiteral("3"));
        QVERIFY(CountColour(w, "TimePlot", Qt::red) > 100);
        QVERIFY(CountColour(w, "TimePlot", QColor(0, 0, 200)) > 50);
        QVERIFY(CountColour(w, "SpectrumPlot", Qt::red) > 50);
        QVERIFY(CountColour(w, "ErrorPlot", Qt::black) > 100);
        // The fold is labelled at its alias.
        const SamplingSpectrum &s = form->Spectrum();
        QVERIFY(!s.continuous.empty() && s.continuous.front().folded);
    }

    void sweepRunsToTwiceTheRateAndEndsIdle() {
        QWidget *w = form.get();
        Type(w, "SweepSeconds", QStringLiteral("0.5"));
        control<QCheckBox>(w, "Listen")->setChecked(true);
        auto *sweep = control<QPushButton>(w, "Sweep");
        QTest::mouseClick(sweep, Qt::LeftButton);
        QVERIFY(form->Sweeping());
        QCOMPARE(sweep->text(), QStringLiteral("Stop"));
        QVERIFY(!control<QGroupBox>(w, "SamplerGroup")->isEnabled());
        QCOMPARE(player->calls, QStringList{QStringLiteral("play ") + form->SoundFile()});
        // The sound is the whole sweep at the device's rate.
        WaveFile file;
        QCOMPARE(ReadWave(form->SoundFile(), file).size(), std::size_t{22050});
        QCOMPARE(file.sampleRate, 44100u);

        now = 0.25;
        QTRY_VERIFY(std::abs(form->Signal().Settings().signalFrequency - 8000.0) < 200.0);
        QVERIFY(Text(w, "AliasFrequency").contains(QStringLiteral("→")));
        now = 0.6;
        QTRY_VERIFY(!form->Sweeping());
        QCOMPARE(sweep->text(), QStringLiteral("Sweep"));
        QVERIFY(control<QGroupBox>(w, "SamplerGroup")->isEnabled());
        QCOMPARE(form->Signal().Settings().signalFrequency, 1000.0);
        QCOMPARE(player->calls.last(), QStringLiteral("stop"));
    }

    void playAndSaveWav() {
        QWidget *w = form.get();
        auto *play = control<QPushButton>(w, "Play");
        QTest::mouseClick(play, Qt::LeftButton);
        QCOMPARE(play->text(), QStringLiteral("Stop"));
        WaveFile heard;
        QCOMPARE(ReadWave(form->SoundFile(), heard).size(),
                 static_cast<std::size_t>(TSamplingForm::PlaySeconds * 44100));
        player->FinishSound();
        QTRY_COMPARE(play->text(), QStringLiteral("Play"));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lab.wav"));
        Type(w, "Bits", QStringLiteral("4"));
        services->saveAnswers << path;
        QTest::mouseClick(control<QPushButton>(w, "SaveWav"), Qt::LeftButton);
        WaveFile file;
        const std::vector<double> values = ReadWave(path, file);
        QCOMPARE(file.sampleRate, 8000u);
        QCOMPARE(file.bitsPerSample, std::uint16_t{16});
        QCOMPARE(values.size(), std::size_t{32000});
        for (long long n : {1LL, 3LL, 777LL}) {
            QVERIFY(std::abs(values[n] - form->Signal().QuantisedSample(n)) < 1e-4);
        }
        // A rate no WAVE file holds is told, not written.
        Type(w, "SampleRate", QStringLiteral("0.2"));
        services->saveAnswers << dir.filePath(QStringLiteral("slow.wav"));
        QTest::mouseClick(control<QPushButton>(w, "SaveWav"), Qt::LeftButton);
        QCOMPARE(services->errors.size(), 1);
    }

    // Send to Workbench wired to the main window as the program wires it.
    void sendToWorkbench() {
        FakeUiServices mainServices;
        NoiseGenerator noise;
        FilterNetwork network;
        TDSPMainForm main(mainServices, noise, network);
        form->sendToWorkbench = [&](const QString &path, double frequency) {
            main.UseDataFileWaveform(path, frequency);
        };
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lab.DSI"));
        services->saveAnswers << path;
        QTest::mouseClick(control<QPushButton>(form.get(), "SendToWorkbench"), Qt::LeftButton);
        QVERIFY(QFile::exists(path));
        QVERIFY(control<QRadioButton>(&main, "FileData")->isChecked());
        QCOMPARE(main.Settings().inputFileName, path.toStdString());
        // 1 kHz at 8 kHz repeats after 8 samples: the workbench plays a period of N at fs/N.
        std::array<double, 1024> values{};
        const int count = WorkbenchValues(form->Signal(), values);
        QCOMPARE(main.Settings().frequency, 8000.0 / count);
    }

private:
    std::unique_ptr<FakeUiServices> services;
    std::unique_ptr<FakeSoundPlayer> player;
    std::unique_ptr<TSamplingForm> form;
    double now = 0.0;
};

QTEST_MAIN(TestSamplinglab)
#include "tst_Samplinglab.moc"
