#include "tests/gui/WavWorkbenchFixture.h"

#include "gui/services/Media.h"
#include "gui/widgets/PlotImage.h"

#include <QAudioDevice>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QMediaDevices>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

namespace {

// What playback hides besides the file choices.
const char *const Effects[] = {"CopyInputFile", "CopyData", "ModifyFile",       "FFT_Filtering",
                               "SpeedUp",       "SlowDown", "FrequencyShifter", "FrequencyRotater",
                               "Robot",         "Retard"};

} // namespace

// The WAV workbench: its controls, the files it accepts or refuses, and playback.
class TestWavmain : public QObject, WavWorkbenchFixture {
    Q_OBJECT

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    void windowHasTitleControlsAndDefaults() {
        QCOMPARE(form->windowTitle(), QStringLiteral("(KALDOR) WAV Files Processing"));
        // name=caption, separated by "|".
        for (const QString &pair :
             QStringLiteral(
                 "GetInputFile=File|PlayInput=Play|iView=View|DFT_Input=DFT|FFT_Input=FFT|"
                 "Compressed=Compressed|CopyInputFile=Copy WAV File|CopyData=Copy Samples|"
                 "bView=View Input && Output|BandPass=BandPass 2nd Order|"
                 "BandReject=BandReject 2nd Order|HighPass=HighPass 2nd Order|"
                 "LowPass=LowPass 2nd Order|HighPass2=HighPass 4th Order|"
                 "LowPass2=LowPass 4th Order|Diffrentiate=Differentiator|"
                 "Integrate=Integrator|NetworkFiltering=Filter Network|fTest=Test|"
                 "GetOutputFile=File|PlayOutput=Play|oView=View|DFT_Output=DFT|"
                 "FFT_Output=FFT|fDFT=DFT|fFFT=FFT|Rectify=Rectify Input Signal|"
                 "HalfRectify=Half|FullRectify=Full|AddNoise=Add Noise|NormalNoise=Normal|"
                 "GaussianNoise=Gaussian|ModifyFile=Filter Input File|"
                 "FFT_Filtering=FFT Filter Input File|FrequencyShifter=Frequency Shift|"
                 "FrequencyRotater=Frequency Rotate|CoupleScale=Couple The Scales")
                 .split(QLatin1Char('|'))) {
            const QStringList c = pair.split(QLatin1Char('='));
            QCOMPARE(caption(qPrintable(c[0])), c[1]);
        }
        for (const QString &pair :
             QStringLiteral(
                 "sfFrequency=1000|sQfactor=1|sfAmplification=1|sSN_Ratio=100|"
                 "sSpeedFactor=2|FrequencyShift=4|FrequencyShift2=3|sTimeScale=1500|"
                 "sSignal1Scale=1|sSignal2Scale=1|sSignal1Shift=0|sSignal2Shift=0|sTs=0.5")
                 .split(QLatin1Char('|'))) {
            const QStringList f = pair.split(QLatin1Char('='));
            QCOMPARE(text(qPrintable(f[0])), f[1]);
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

    void theWindowGrowsAndTheDisplayWithIt() {
        QVERIFY(form->windowFlags() & Qt::WindowMaximizeButtonHint);
        auto *display = find<PlotImage>("Image2");
        const QSize before = display->size();
        form->resize(form->width() + 200, form->height() + 150);
        QTRY_COMPARE(display->width(), before.width() + 200);
        QCOMPARE(display->height(), before.height() + 150);
        // The grid is drawn again at the new size.
        QCOMPARE(display->Canvas().Width(), display->width());
        QCOMPARE(form->Scope().width, display->width());
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

    // Every format read-out shows its whole text, and the duration a sensible number of digits.
    void formatReadOutsShowTheirWholeText_data() {
        QTest::addColumn<quint32>("rate");
        QTest::addColumn<quint32>("frames");
        QTest::addColumn<QString>("seconds");
        QTest::newRow("20/21 s") << 21000u << 20000u << "0.952381";
        QTest::newRow("largest rate") << 4294967295u << 20000u << "4.656613E-6";
        QTest::newRow("one sample") << 44100u << 1u << "2.267574E-5";
    }

    void formatReadOutsShowTheirWholeText() {
        QFETCH(quint32, rate);
        QFETCH(quint32, frames);
        // Mono 8-bit: the byte rate equals the sample rate.
        chooseInput(WriteWav(file("format.wav"), rate, 1, 8, frames, Tone));
        QTEST(text("sSeconds"), "seconds");
        for (const char *name :
             {"sFormat", "sChannels", "sSampleRate", "sBytesPerSec", "sBytesPerSample",
              "sBitsPerChannel", "sBytes", "sSamples", "sSeconds", "sTs"}) {
            const auto *field = find<QLineEdit>(name);
            const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
            // Inside the frame and the line edit's own margin of 2 pixels on either side.
            const int room = field->width() - 2 * frame - 4;
            QVERIFY2(field->fontMetrics().horizontalAdvance(field->text()) <= room,
                     qPrintable(QStringLiteral("%1 cuts \"%2\"").arg(name, field->text())));
        }
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
        QCOMPARE(messages(), QStringList{"DSP Error: Input File name is not a valid WAV File\n"
                                         "Only 8- and 16-bit PCM WAVE files can be read"});
        // Not accepted: a view asks for the input again, and a cancelled dialog is refused too.
        click("iView");
        QCOMPARE(services.Kinds().count(QStringLiteral("open")), 2);
        QCOMPARE(messages().size(), 2);
        QCOMPARE(messages().last(),
                 QStringLiteral("DSP Error: Input File name is not a valid WAV File"));
        QVERIFY(!form->IsViewRunning());
    }

    // A file whose format cannot be read leaves no read-out of the file accepted before it.
    void unreadableInputClearsTheFormat() {
        chooseInput(tone());
        QFile junk(file("junk.wav"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("RIFF not a wave file at all");
        junk.close();
        chooseInput(file("junk.wav"));
        QCOMPARE(messages(), QStringList{"DSP Error: Input File name is not a valid WAV File\n"
                                         "Couldn't find RIFF, WAVE, or fmt"});
        QCOMPARE(text("InputFile"), file("junk.wav"));
        for (const char *name :
             {"sFormat", "sChannels", "sSampleRate", "sBytesPerSec", "sBytesPerSample",
              "sBitsPerChannel", "sBytes", "sSamples", "sSeconds", "sTs"}) {
            QVERIFY2(text(name).isEmpty(), name);
        }
        click("PlayInput"); // asks for the input again; cancelled
        QVERIFY(player.calls.isEmpty());
    }

    void inputAndOutputMustNotBeTheSameFile() {
        const QString path = tone();
        chooseOutput(file("out.wav"));
        QCOMPARE(text("OutputFile"), file("out.wav"));
        QCOMPARE(services.shown.last().title, QStringLiteral("Please Specify The Output File"));
        // The output is a WAVE file: the dialog opens filtered to them.
        QVERIFY(services.shown.last().filter.startsWith(QStringLiteral("WAVs (*.WAV *.wav);;")));
        // The same file by another name: a symbolic link.
        QFile::link(path, file("link.wav"));
        chooseOutput(file("link.wav"));
        chooseInput(path);
        QVERIFY(text("OutputFile").isEmpty());
        chooseOutput(QDir::current().relativeFilePath(path));
        QCOMPARE(messages(), QStringList{"DSP Error: Output File must not be same as Input File"});
        QVERIFY(text("OutputFile").isEmpty());
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

    // Without an audio output the user is told once per window session, and Play comes back;
    // a problem the backend reports while the sound plays is told the same way.
    void playbackProblemsAreToldOnce() {
        const QString noDevice =
            QStringLiteral("KALDOR Information: No audio output device is available");
        chooseInput(tone());
        chooseOutput(tone("out.wav"));
        player.noDevice = true;
        click("PlayInput");
        QCOMPARE(caption("PlayInput"), QStringLiteral("Play"));
        QVERIFY(!find<QTimer>("Timer1")->isActive());
        checkIdle();
        QCOMPARE(messages(), QStringList{noDevice});
        QCOMPARE(services.shown.last().icon, QMessageBox::Information);
        click("PlayOutput");
        click("PlayInput");
        QCOMPARE(caption("PlayOutput"), QStringLiteral("Play"));
        QCOMPARE(messages().size(), 1);
        // A new session of the window tells it again.
        form->close();
        form->show();
        click("PlayInput");
        QCOMPARE(messages(), (QStringList{noDevice, noDevice}));

        player.noDevice = false;
        click("PlayInput");
        QCOMPARE(caption("PlayInput"), QStringLiteral("Stop"));
        player.Fail(QStringLiteral("Could not open the audio device"));
        QTRY_COMPARE_WITH_TIMEOUT(caption("PlayInput"), QStringLiteral("Play"), 2000);
        QCOMPARE(messages().last(),
                 QStringLiteral("KALDOR Information: Could not open the audio device"));
        checkIdle();
    }

    // The real playback service on a machine without an audio output: the message, then Play,
    // neither a hang nor a crash.
    void realPlayerWithoutADeviceSaysSo() {
        if (!QMediaDevices::audioOutputs().isEmpty()) {
            QSKIP("this machine has an audio output device");
        }
        // The program's player, which loads the real one from the media module.
        DeferredSoundPlayer real;
        TWAVMainForm window(services, real, noise, network, designedFilter, *editor);
        window.show();
        services.openAnswers.enqueue(tone());
        QTest::mouseClick(control<QPushButton>(&window, "GetInputFile"), Qt::LeftButton);
        auto *play = control<QPushButton>(&window, "PlayInput");
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(play, Qt::LeftButton);
            QCOMPARE(play->text(), QStringLiteral("Play"));
        }
        QCOMPARE(messages(), QStringList{QStringLiteral(
                                 "KALDOR Information: No audio output device is available")});
        QCOMPARE(real.PlaybackError(), QString::fromLatin1(SoundPlayer::kNoOutputDevice));
    }

    void realSoundEndsByItself() {
        if (QMediaDevices::audioOutputs().isEmpty()) {
            QSKIP("no audio output device: nothing plays");
        }
        // Through the real playback service, and the end is noticed even though the file was
        // renamed while it played.
        DeferredSoundPlayer real;
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
        QVERIFY(real.PlaybackError().isEmpty());
    }
};

QTEST_MAIN(TestWavmain)
#include "tst_Wavmain.moc"
