#include "FakeSoundPlayer.h"
#include "FakeUiServices.h"
#include "GuiTestSupport.h"

#include "audio/QtSoundPlayer.h"
#include "audio/WaveFile.h"
#include "audio/Wavmain.h"
#include "common/Random.h"
#include "signal/DesignedFilterSource.h"
#include "tools/Fileedit.h"
#include "tools/FilterNetwork.h"
#include "tools/Filternetwork.h"
#include "widgets/NumberEdit.h"
#include "widgets/PlotImage.h"
#include "widgets/Stepper.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>
#include <stdexcept>

namespace {

// A PCM file whose channel c of frame i holds value(i, c); format tag and bits as given.
QString WriteWav(const QString &path, std::uint32_t rate, int channels, int bits,
                 std::uint32_t frames, const std::function<double(int, int)> &value,
                 std::uint16_t formatTag = 1) {
    kaldorium::WaveFile w;
    w.formatTag = formatTag;
    w.channels = static_cast<std::uint16_t>(channels);
    w.sampleRate = rate;
    w.bitsPerSample = static_cast<std::uint16_t>(bits);
    w.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    w.byteRate = rate * w.blockAlign;
    w.CreateForWriting(QFile::encodeName(path).toStdString());
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            if (bits == 8 || bits == 16) {
                w.WriteValue(value(static_cast<int>(i), c));
            } else {
                const char zeros[4] = {};
                w.WriteBytes(zeros, static_cast<std::size_t>(bits / 8));
            }
        }
    }
    w.CloseFile();
    return path;
}

double Tone(int i, int c) {
    return 0.5 * std::sin(0.05 * i + c);
}

const char *const BusySet[] = {"GetInputFile", "PlayInput",     "GetOutputFile",
                               "PlayOutput",   "CopyInputFile", "CopyData",
                               "ModifyFile",   "FFT_Filtering", "FrequencyShifter",
                               "SpeedUp",      "SlowDown",      "DFT_Input",
                               "DFT_Output",   "FFT_Input",     "FFT_Output",
                               "fDFT",         "fFFT",          "FrequencyRotater",
                               "Robot",        "Retard"};
const char *const Effects[] = {"CopyInputFile", "CopyData", "ModifyFile",       "FFT_Filtering",
                               "SpeedUp",       "SlowDown", "FrequencyShifter", "FrequencyRotater",
                               "Robot",         "Retard"};

} // namespace

// The WAV workbench driven as a user drives it.
class TestWavmain : public QObject {
    Q_OBJECT

private:
    FakeUiServices services;
    FakeSoundPlayer player;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DefaultDesignedFilterSource designedFilter;
    std::unique_ptr<TFilterNetworkForm> networkForm;
    std::unique_ptr<TFileEditForm> editor;
    std::unique_ptr<TWAVMainForm> form;
    QTemporaryDir dir;

    template <typename T = QWidget> T *find(const char *name) {
        return control<T>(form.get(), name);
    }
    QString text(const char *name) { return find<QLineEdit>(name)->text(); }
    QString caption(const char *name) { return find<QAbstractButton>(name)->text(); }
    bool visible(const char *name) { return find<QWidget>(name)->isVisible(); }
    bool enabled(const char *name) { return find<QWidget>(name)->isEnabled(); }
    // Clicks as a user does, on the control where the laid-out window shows it.
    void click(const char *name) {
        QCoreApplication::processEvents();
        QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton);
    }
    QString file(const char *name) { return dir.filePath(QString::fromLatin1(name)); }
    // A 16-bit stereo tone at 8000 Hz: 8000 frames = 1000 ms unless given.
    QString tone(const char *name = "tone.wav", std::uint32_t frames = 8000) {
        return WriteWav(file(name), 8000, 2, 16, frames, Tone);
    }
    void chooseInput(const QString &path) {
        services.openAnswers.enqueue(path);
        click("GetInputFile");
    }
    void chooseOutput(const QString &path) {
        services.saveAnswers.enqueue(path);
        click("GetOutputFile");
    }
    void type(const char *name, const QString &value) {
        auto *field = find<QLineEdit>(name);
        field->selectAll();
        field->del();
        QTest::keyClicks(field, value);
    }
    void leave(const char *name) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(find<QLineEdit>(name), &out);
    }
    void step(const char *name, bool up) {
        auto *stepper = find<Stepper>(name);
        QTest::mouseClick(up ? stepper->UpButton() : stepper->DownButton(), Qt::LeftButton);
    }
    // Runs exactly `chunks` chunks of the running view, without its timer.
    void stepChunks(int chunks) {
        find<QTimer>("viewTimer")->stop();
        for (int i = 0; i < chunks && form->IsViewRunning(); ++i) {
            form->ViewChunk();
        }
    }
    QStringList messages() {
        QStringList out;
        for (const auto &s : services.shown) {
            if (s.kind == QLatin1String("message")) {
                out << s.title + QStringLiteral(": ") + s.text;
            }
        }
        return out;
    }
    void checkIdle() {
        for (const char *name : {"iView", "oView", "bView", "fTest"}) {
            QVERIFY2(enabled(name), name);
        }
        for (const char *name : BusySet) {
            QVERIFY2(visible(name), name);
        }
        QCOMPARE(caption("iView"), QStringLiteral("View"));
        QCOMPARE(caption("oView"), QStringLiteral("View"));
        QCOMPARE(caption("bView"), QStringLiteral("View Input && Output"));
        QCOMPARE(caption("fTest"), QStringLiteral("Test"));
        QVERIFY(!form->IsBusy());
    }

private slots:
    void init() {
        services = FakeUiServices();
        player = FakeSoundPlayer();
        network = kaldorium::FilterNetwork();
        networkForm = std::make_unique<TFilterNetworkForm>(services, network);
        editor = std::make_unique<TFileEditForm>(services);
        form = std::make_unique<TWAVMainForm>(services, player, noise, network, designedFilter,
                                              *editor, networkForm.get());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        editor.reset();
        networkForm.reset();
    }

    void windowHasTitleControlsAndDefaults() {
        QCOMPARE(form->windowTitle(), QStringLiteral("(KALDOR) WAV Files Processing"));
        const struct {
            const char *name;
            const char *caption;
        } captions[] = {{"GetInputFile", "File"},
                        {"PlayInput", "Play"},
                        {"iView", "View"},
                        {"DFT_Input", "DFT"},
                        {"FFT_Input", "FFT"},
                        {"Compressed", "Compressed"},
                        {"CopyInputFile", "Copy WAV File"},
                        {"CopyData", "Copy Samples"},
                        {"bView", "View Input && Output"},
                        {"BandPass", "BandPass 2nd Order"},
                        {"BandReject", "BandReject 2nd Order"},
                        {"HighPass", "HighPass 2nd Order"},
                        {"LowPass", "LowPass 2nd Order"},
                        {"HighPass2", "HighPass 4th Order"},
                        {"LowPass2", "LowPass 4th Order"},
                        {"Diffrentiate", "Differentiator"},
                        {"Integrate", "Integrator"},
                        {"NetworkFiltering", "Filter Network"},
                        {"fTest", "Test"},
                        {"GetOutputFile", "File"},
                        {"PlayOutput", "Play"},
                        {"oView", "View"},
                        {"DFT_Output", "DFT"},
                        {"FFT_Output", "FFT"},
                        {"fDFT", "DFT"},
                        {"fFFT", "FFT"},
                        {"Rectify", "Rectify Input Signal"},
                        {"HalfRectify", "Half"},
                        {"FullRectify", "Full"},
                        {"AddNoise", "Add Noise"},
                        {"NormalNoise", "Normal"},
                        {"GaussianNoise", "Gaussian"},
                        {"ModifyFile", "Filter Input File"},
                        {"FFT_Filtering", "FFT Filter Input File"},
                        {"FrequencyShifter", "Frequency Shift"},
                        {"FrequencyRotater", "Frequency Rotate"},
                        {"CoupleScale", "Couple The Scales"}};
        for (const auto &c : captions) {
            QCOMPARE(caption(c.name), QString::fromLatin1(c.caption));
        }
        const struct {
            const char *name;
            const char *text;
        } fields[] = {{"sfFrequency", "1000"},
                      {"sQfactor", "1"},
                      {"sfAmplification", "1"},
                      {"sSN_Ratio", "100"},
                      {"sSpeedFactor", "2"},
                      {"FrequencyShift", "4"},
                      {"FrequencyShift2", "3"},
                      {"sTimeScale", "1500"},
                      {"sSignal1Scale", "1"},
                      {"sSignal2Scale", "1"},
                      {"sSignal1Shift", "0"},
                      {"sSignal2Shift", "0"},
                      {"sTs", "0.5"}};
        for (const auto &f : fields) {
            QCOMPARE(text(f.name), QString::fromLatin1(f.text));
        }
        for (const char *name :
             {"SpeedUp",         "SlowDown",        "Robot",         "Retard",
              "sFormat",         "sChannels",       "sSampleRate",   "sBytesPerSec",
              "sBytesPerSample", "sBitsPerChannel", "sBytes",        "sSamples",
              "sSeconds",        "Image2",          "Label1",        "Label2",
              "Label3",          "fFrequencyI",     "QfactorI",      "fAmplificationI",
              "TimeScaleI",      "TimeScaleM",      "Signal1ScaleI", "Signal1ScaleM",
              "Signal1ShiftI",   "Signal2ScaleI",   "Signal2ScaleM", "Signal2ShiftI",
              "ClickX",          "ClickY",          "Panel2",        "Panel4",
              "InputFile",       "OutputFile"}) {
            QVERIFY2(find<QWidget>(name) != nullptr, name);
        }
        QCOMPARE(find<QGroupBox>("OscillatorSpecs")->title(),
                 QStringLiteral("WAV File Specifications"));
        QCOMPARE(find<QGroupBox>("Filter_Specs")->title(), QStringLiteral("Filter Specifications"));
        QCOMPARE(find<QGroupBox>("DFT_Window")->title(), QStringLiteral("FT_Window"));
        const auto items = find<QGroupBox>("DFT_Window")->findChildren<QRadioButton *>();
        QCOMPARE(items.size(), 6);
        QCOMPARE(items[5]->text(), QStringLiteral("No Window"));
        QVERIFY(items[5]->isChecked());
        QCOMPARE(find<QLabel>("MessageLabel")->text(),
                 QStringLiteral("Please Wait Calculating The Graph"));
        for (const char *name : {"DesignNetwork", "RectifyGroup", "NoiseGroup", "sSN_Ratio",
                                 "sSN_Label", "MessageLabel"}) {
            QVERIFY2(!visible(name), name);
        }
        QVERIFY(find<QRadioButton>("BandPass")->isChecked());
        QVERIFY(find<QRadioButton>("HalfRectify")->isChecked());
        QVERIFY(find<QRadioButton>("NormalNoise")->isChecked());
        QCOMPARE(find<QTimer>("Timer1")->interval(), 500);
        QVERIFY(!find<QTimer>("Timer1")->isActive());
        QCOMPARE(form->Settings().snRatio, 100.0);
        QCOMPARE(form->Settings().samplingPeriod, 0.5);
        checkIdle();
    }

    void choosingAnInputFillsTheFormat() {
        chooseInput(tone("format.wav", 12345));
        const auto &asked = services.shown.first();
        QCOMPARE(asked.title, QStringLiteral("Please Specify The Input File"));
        QVERIFY(asked.text.endsWith(QStringLiteral("/WAVs/")));
        QVERIFY(asked.filter.contains(QStringLiteral("*.WAV *.wav")));
        const struct {
            const char *name;
            const char *text;
        } rows[] = {{"sFormat", "1"},          {"sChannels", "2"},       {"sSampleRate", "8000"},
                    {"sBytesPerSec", "32000"}, {"sBytesPerSample", "4"}, {"sBitsPerChannel", "16"},
                    {"sBytes", "49380"},       {"sSamples", "12345"},    {"sSeconds", "1.543125"},
                    {"sTs", "1.25000E-4"}};
        for (const auto &r : rows) {
            QCOMPARE(text(r.name), QString::fromLatin1(r.text));
        }
        QVERIFY(!find<QCheckBox>("Compressed")->isChecked());
        QCOMPARE(form->Settings().samplingPeriod, 1.0 / 8000);
        QVERIFY(messages().isEmpty());
        // fo is cut to half the new sampling rate.
        type("sfFrequency", QStringLiteral("3500"));
        leave("sfFrequency");
        chooseInput(WriteWav(file("slow.wav"), 4000, 1, 8, 100, Tone));
        QCOMPARE(text("sfFrequency"), QStringLiteral("2000"));
        QCOMPARE(form->Settings().filterFrequency, 2000.0);
        QCOMPARE(text("sTs"), QStringLiteral("2.50000E-4"));
    }

    void filesTheReaderCannotConvertAreRefused_data() {
        QTest::addColumn<int>("formatTag");
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("compressed");
        QTest::newRow("IEEE float") << 3 << 32 << true;
        QTest::newRow("24-bit PCM") << 1 << 24 << false;
    }
    void filesTheReaderCannotConvertAreRefused() {
        QFETCH(int, formatTag);
        QFETCH(int, bits);
        QFETCH(bool, compressed);
        chooseInput(WriteWav(file("odd.wav"), 8000, 1, bits, 10, Tone,
                             static_cast<std::uint16_t>(formatTag)));
        QCOMPARE(text("sFormat"), QString::number(formatTag));
        QCOMPARE(text("sBitsPerChannel"), QString::number(bits));
        QCOMPARE(find<QCheckBox>("Compressed")->isChecked(), compressed);
        QCOMPARE(messages(), QStringList{"DSP Error: Input File name is not a valid WAV File"});
        // Not accepted: a view asks for the input again, and a cancelled dialog is refused too.
        click("iView");
        QCOMPARE(services.Kinds().count(QStringLiteral("open")), 2);
        QCOMPARE(messages().size(), 2);
        QVERIFY(!form->IsViewRunning());
    }

    void inputAndOutputMustNotBeTheSameFile() {
        const QString path = tone();
        chooseOutput(file("out.wav"));
        QCOMPARE(text("OutputFile"), file("out.wav"));
        QCOMPARE(services.shown.last().title, QStringLiteral("Please Specify The Output File"));
        // The same file by another name: a symbolic link.
        QFile::link(path, file("link.wav"));
        chooseOutput(file("link.wav"));
        chooseInput(path);
        QVERIFY(text("OutputFile").isEmpty());
        chooseOutput(QDir::current().relativeFilePath(path));
        QCOMPARE(messages(), QStringList{"DSP Error: Output File must not be same as Input File"});
        QVERIFY(text("OutputFile").isEmpty());
    }

    void shortFileIsDrawnOnceLongFileRepeats() {
        chooseInput(tone()); // 1000 ms
        click("iView");
        QCOMPARE(caption("iView"), QStringLiteral("Stop"));
        QVERIFY(visible("TimeScaleLabel"));
        QTRY_COMPARE(caption("iView"), QStringLiteral("View"));
        checkIdle();
        const QImage image = form->DisplayCanvas().Image();
        int black = 0, red = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                black += image.pixel(x, y) == qRgb(0, 0, 0);
                red += image.pixel(x, y) == qRgb(255, 0, 0);
            }
        }
        QVERIFY(black > 500);
        QVERIFY(red > 500);

        type("sTimeScale", QStringLiteral("500"));
        leave("sTimeScale");
        click("fTest");
        stepChunks(40); // 20080 frames: two and a half passes
        QVERIFY(form->IsViewRunning());
        QCOMPARE(form->ViewSamples(), 40LL * 502);
        click("fTest");
        checkIdle();
    }

    void everyLoopHasItsBusySet_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("resting");
        QTest::newRow("input view") << "iView"
                                    << "View";
        QTest::newRow("output view") << "oView"
                                     << "View";
        QTest::newRow("joint view") << "bView"
                                    << "View Input && Output";
        QTest::newRow("test") << "fTest"
                              << "Test";
    }
    void everyLoopHasItsBusySet() {
        QFETCH(QString, button);
        QFETCH(QString, resting);
        chooseInput(tone("in.wav", 80000));
        chooseOutput(tone("out.wav", 80000));
        const QByteArray name = button.toLatin1();
        click(name.constData());
        QCOMPARE(caption(name.constData()), QStringLiteral("Stop"));
        for (const char *other : {"iView", "oView", "bView", "fTest"}) {
            QCOMPARE(enabled(other), button == QLatin1String(other));
        }
        for (const char *hidden :
             {"DFT_Input", "DFT_Output", "FFT_Input", "FFT_Output", "fDFT", "fFFT", "ModifyFile",
              "FFT_Filtering", "FrequencyShifter", "FrequencyRotater", "Robot", "Retard",
              "CopyInputFile", "CopyData", "SpeedUp", "SlowDown"}) {
            QVERIFY2(!visible(hidden), hidden);
        }
        QVERIFY(visible("GetInputFile"));
        // A block action that arrives meanwhile is refused.
        {
            TWAVMainForm::BlockAction second(*form);
            QVERIFY(!second.Entered());
        }
        stepChunks(3);
        QCOMPARE(form->ViewSamples(), 3LL * 502);
        click(name.constData());
        QCOMPARE(caption(name.constData()), resting);
        checkIdle();
    }

    void blockActionHidesEverythingAndRestoresOnAnyExit() {
        chooseInput(tone());
        try {
            TWAVMainForm::BlockAction action(*form);
            QVERIFY(action.Entered());
            QVERIFY(form->IsBusy());
            for (const char *name : BusySet) {
                QVERIFY2(!visible(name), name);
            }
            for (const char *name : {"iView", "oView", "bView", "fTest"}) {
                QVERIFY2(!enabled(name), name);
            }
            TWAVMainForm::BlockAction second(*form);
            QVERIFY(!second.Entered());
            // A view click that arrives while the action runs is refused.
            QMetaObject::invokeMethod(find<QPushButton>("iView"), "click");
            QVERIFY(!form->IsViewRunning());
            QVERIFY(action.ProcessMessages());
            throw std::runtime_error("failed block");
        } catch (const std::runtime_error &) {
        }
        checkIdle();
        // With the differentiator chosen, FFT_Filtering stays hidden afterwards.
        click("Diffrentiate");
        { TWAVMainForm::BlockAction action(*form); }
        QVERIFY(!visible("FFT_Filtering"));
        QVERIFY(visible("ModifyFile"));
    }

    void monoInputShowsZeroAsTheRedTrace() {
        chooseInput(WriteWav(file("mono.wav"), 8000, 1, 16, 80000, Tone));
        type("sSignal2Shift", QStringLiteral("0.5"));
        leave("sSignal2Shift");
        click("iView");
        stepChunks(1);
        click("iView");
        // Red only on the row of 0 + shift (a 2-pixel pen), top of the plot at 1.
        const QImage image = form->DisplayCanvas().Image();
        const int plotHeight = image.height() - 30;
        const int row = static_cast<int>((1 - (0.5 + 1) / 2) * plotHeight);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 31; x < image.width(); ++x) {
                if (image.pixel(x, y) == qRgb(255, 0, 0)) {
                    QVERIFY2(std::abs(y - row) <= 1, qPrintable(QString::number(y)));
                }
            }
        }
    }

    void anotherInputSwitchesTheRunningLoop() {
        chooseInput(tone("first.wav", 80000));
        click("fTest");
        stepChunks(4);
        const QString second = WriteWav(file("second.wav"), 4000, 1, 16, 40000, Tone);
        chooseInput(second);
        QVERIFY(form->IsViewRunning());
        QCOMPARE(caption("fTest"), QStringLiteral("Stop"));
        stepChunks(1);
        // The loop started the new file from t = 0 at its own Ts.
        QCOMPARE(form->Settings().samplingPeriod, 1.0 / 4000);
        QCOMPARE(form->Scope().xMax, 1500.0);
        QCOMPARE(form->ViewSamples(), 5LL * 502);
        QCOMPARE(form->Settings().inputFileName, QFile::encodeName(second).toStdString());
        click("fTest");
    }

    void jointViewRefusesDifferentSamplingPeriods() {
        chooseInput(tone());
        chooseOutput(WriteWav(file("other-rate.wav"), 4000, 2, 16, 100, Tone));
        click("bView");
        QTRY_VERIFY(!form->IsViewRunning());
        QCOMPARE(messages(),
                 QStringList{"KALDOR Warning: The Input and Output Files are not comparable"});
        checkIdle();
        // An output that is not a WAVE file is refused before the view starts.
        QFile junk(file("junk.wav"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a wave file");
        junk.close();
        chooseOutput(file("junk.wav"));
        click("oView");
        QVERIFY(!form->IsViewRunning());
        QCOMPARE(messages().last(), QStringLiteral("DSP error: Not a valid WAV file"));
    }

    void activationStopsTheInputViewAndTestOnly() {
        chooseInput(tone("in.wav", 80000));
        chooseOutput(tone("out.wav", 80000));
        for (const char *name : {"iView", "fTest", "oView"}) {
            click(name);
            QEvent activate(QEvent::WindowActivate);
            QApplication::sendEvent(form.get(), &activate);
            QCOMPARE(form->IsViewRunning(), QByteArray(name) == "oView");
        }
        click("oView");
        checkIdle();
    }

    void errorInTheLoopEndsItIdle() {
        chooseInput(tone("in.wav", 80000));
        // A network stage with Q = 0 divides by zero in its design.
        kaldorium::StageSetting stages[kaldorium::FilterNetwork::StageCount];
        stages[0] = {true, kaldorium::fkBandPass, 1000.0, 0.0, 1.0};
        network.ApplySettings(stages);
        click("NetworkFiltering");
        click("fTest");
        QTRY_VERIFY(!form->IsViewRunning());
        QCOMPARE(services.errors, QStringList{"Floating point division by zero"});
        checkIdle();
    }

    void closingMidViewStopsItAndShowsTheMainWindow() {
        chooseInput(tone("in.wav", 80000));
        QSignalSpy closed(form.get(), &TWAVMainForm::closed);
        click("iView");
        QTRY_VERIFY(form->ViewSamples() > 0);
        form->close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!form->IsViewRunning());
        QTest::qWait(20);
        QVERIFY(!form->IsViewRunning());
        // Closed during a block action: the action ends at its next message check.
        form->show();
        checkIdle();
        TWAVMainForm::BlockAction action(*form);
        QTimer::singleShot(0, form.get(), [this] { form->close(); });
        int blocks = 0;
        while (action.ProcessMessages() && blocks < 1000) {
            ++blocks;
        }
        QVERIFY(blocks < 1000);
    }

    void playingHidesWhatDisturbsItUntilTheSoundEnds() {
        const QString in = tone("long.wav", 80000);
        chooseInput(in);
        click("PlayInput");
        QCOMPARE(caption("PlayInput"), QStringLiteral("Stop"));
        QCOMPARE(player.calls, QStringList{"play " + in});
        QVERIFY(find<QTimer>("Timer1")->isActive());
        for (const char *name : {"GetInputFile", "GetOutputFile", "PlayOutput"}) {
            QVERIFY2(!visible(name), name);
        }
        for (const char *name : Effects) {
            QVERIFY2(!visible(name), name);
        }
        QVERIFY(visible("DFT_Input"));
        // Views run alongside playback.
        click("iView");
        QVERIFY(form->IsViewRunning());
        QTest::qWait(600); // one poll while the sound still plays
        QCOMPARE(caption("PlayInput"), QStringLiteral("Stop"));
        player.FinishSound();
        QTRY_COMPARE_WITH_TIMEOUT(caption("PlayInput"), QStringLiteral("Play"), 2000);
        QCOMPARE(player.calls.mid(player.calls.size() - 2), (QStringList{"try " + in, "stop"}));
        QVERIFY(!find<QTimer>("Timer1")->isActive());
        QVERIFY(visible("GetInputFile"));
        QVERIFY(!visible("ModifyFile")); // the view still runs
        click("iView");
        checkIdle();
        // The output plays only when it is a valid WAVE file; "Stop" stops it at once.
        chooseOutput(tone("out.wav"));
        click("PlayOutput");
        QVERIFY(!visible("PlayInput"));
        click("PlayOutput");
        QCOMPARE(player.calls.last(), QStringLiteral("stop"));
        checkIdle();
    }

    void realSoundEndsByItself() {
        // Through the real playback service (no sound device needed), and the end is noticed
        // even though the file was renamed while it played.
        QtSoundPlayer real;
        TWAVMainForm window(services, real, noise, network, designedFilter, *editor);
        window.show();
        const QString path = WriteWav(file("short.wav"), 8000, 1, 16, 2400, Tone);
        services.openAnswers.enqueue(path);
        QTest::mouseClick(control<QPushButton>(&window, "GetInputFile"), Qt::LeftButton);
        auto *play = control<QPushButton>(&window, "PlayInput");
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(play, Qt::LeftButton);
        QCOMPARE(play->text(), QStringLiteral("Stop"));
        QVERIFY(QFile::rename(path, file("renamed.wav")));
        QTRY_COMPARE_WITH_TIMEOUT(play->text(), QStringLiteral("Play"), 15000);
        qInfo("0.3 s sound ended after %lld ms", static_cast<long long>(clock.elapsed()));
        QVERIFY(!real.StillPlaying());
    }

    void fieldsAndSteppers_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");   // typed and left, when not empty
        QTest::addColumn<QString>("stepper"); // then clicked, when not empty
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fo above fs/2 is cut") << "sfFrequency"
                                              << "30000"
                                              << "" << true << "4000";
        QTest::newRow("fo 0 refused") << "sfFrequency"
                                      << "0"
                                      << "" << true << "1000";
        QTest::newRow("fo empty") << "sfFrequency"
                                  << ""
                                  << "" << true << "1";
        QTest::newRow("fo key filter") << "sfFrequency"
                                       << "12a.5"
                                       << "" << true << "12.5";
        QTest::newRow("fo up") << "sfFrequency"
                               << "1000"
                               << "fFrequencyI" << true << "1100";
        QTest::newRow("fo down from 100") << "sfFrequency"
                                          << "100"
                                          << "fFrequencyI" << false << "90";
        QTest::newRow("fo up to fs/2") << "sfFrequency"
                                       << "3950"
                                       << "fFrequencyI" << true << "4000";
        QTest::newRow("Q down") << "sQfactor"
                                << "1"
                                << "QfactorI" << false << "0.9";
        QTest::newRow("Q refused") << "sQfactor"
                                   << "-2"
                                   << "" << true << "1";
        QTest::newRow("A down to 0") << "sfAmplification"
                                     << "0.01"
                                     << "fAmplificationI" << false << "0.009";
        QTest::newRow("S/N refused") << "sSN_Ratio"
                                     << "0"
                                     << "" << true << "100";
        QTest::newRow("speed factor") << "sSpeedFactor"
                                      << ""
                                      << "" << true << "1";
        QTest::newRow("time up ×10") << "sTimeScale"
                                     << "1500"
                                     << "TimeScaleM" << true << "15000";
        QTest::newRow("time down") << "sTimeScale"
                                   << "1500"
                                   << "TimeScaleI" << false << "1499";
        QTest::newRow("scale ×0.1") << "sSignal1Scale"
                                    << "5"
                                    << "Signal1ScaleM" << false << "0.5";
        QTest::newRow("shift up") << "sSignal2Shift"
                                  << "0"
                                  << "Signal2ShiftI" << true << "0.1000";
        QTest::newRow("shift any") << "sSignal1Shift"
                                   << "-7"
                                   << "" << true << "-7";
    }
    void fieldsAndSteppers() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, stepper);
        QFETCH(bool, up);
        QFETCH(QString, expected);
        chooseInput(tone()); // Ts = 1/8000
        const QByteArray f = field.toLatin1();
        type(f.constData(), typed);
        QTest::keyClick(find<QLineEdit>(f.constData()), Qt::Key_Return); // Enter leaves it
        if (!stepper.isEmpty()) {
            step(stepper.toLatin1().constData(), up);
        }
        QCOMPARE(text(f.constData()), expected);
    }

    void coupledScalesAndOptions() {
        type("sSignal1Scale", QStringLiteral("5"));
        leave("sSignal1Scale");
        QCOMPARE(text("sSignal2Scale"), QStringLiteral("1"));
        click("CoupleScale");
        QCOMPARE(text("sSignal2Scale"), QStringLiteral("5"));
        step("Signal2ScaleM", true);
        QCOMPARE(text("sSignal1Scale"), QStringLiteral("50"));
        QCOMPARE(form->Settings().signal1Scale, 50.0);

        click("Rectify");
        QVERIFY(visible("RectifyGroup"));
        click("FullRectify");
        QVERIFY(form->Settings().rectify && !form->Settings().halfRectify);
        type("sSN_Ratio", QStringLiteral("20"));
        click("AddNoise");
        QVERIFY(visible("NoiseGroup") && visible("sSN_Ratio") && visible("sSN_Label"));
        QCOMPARE(form->Settings().snRatio, 20.0);

        click("NetworkFiltering");
        QCOMPARE(form->Settings().filterKind, 19);
        QVERIFY(visible("DesignNetwork"));
        QVERIFY(!visible("sfFrequency") && !visible("Label3") && !visible("fFrequencyI"));
        bool wasModal = false;
        QTimer::singleShot(100, [&] {
            wasModal = QApplication::activeModalWidget() == networkForm.get();
            networkForm->close();
        });
        click("DesignNetwork");
        QVERIFY(wasModal);
        click("Integrate");
        QCOMPARE(form->Settings().filterKind, 7);
        QVERIFY(!visible("DesignNetwork") && !visible("FFT_Filtering"));
        click("LowPass2");
        QCOMPARE(form->Settings().filterKind, 5);
        QVERIFY(visible("sfFrequency") && visible("FFT_Filtering"));

        auto *image = find<PlotImage>("Image2");
        QTest::mouseMove(image, QPoint(30, 0));
        QTRY_COMPARE(text("ClickX"), QStringLiteral("0"));
        QCOMPARE(text("ClickY"), QStringLiteral("1"));
    }

    // Test through a 2nd-order filter on 60 s of 16-bit stereo at 44.1 kHz, display drawing.
    void testThroughputWithTheDisplay() {
        chooseInput(WriteWav(file("long.wav"), 44100, 2, 16, 60 * 44100, Tone));
        click("fTest");
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2000) {
            QCoreApplication::processEvents();
        }
        const double frames = static_cast<double>(form->ViewSamples());
        const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        click("fTest");
        qInfo("WAV Test with the display: %.2f M frames/s", frames / seconds / 1e6);
        QVERIFY(frames > 0);
    }
};

QTEST_MAIN(TestWavmain)
#include "tst_Wavmain.moc"
