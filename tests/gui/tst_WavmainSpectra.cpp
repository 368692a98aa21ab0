#include "FakeSoundPlayer.h"
#include "FakeUiServices.h"
#include "GuiTestSupport.h"

#include "audio/WaveFile.h"
#include "audio/Wavmain.h"
#include "common/Random.h"
#include "signal/DesignedFilterSource.h"
#include "spectrum/Dftmain.h"
#include "spectrum/SpectrumAnalysis.h"
#include "spectrum/SpectrumWindows.h"
#include "tools/Fileedit.h"
#include "tools/FilterNetwork.h"
#include "widgets/NumberEdit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

namespace {

// A 16-bit PCM file whose channel c of frame i holds value(i, c).
QString WriteWav(const QString &path, std::uint32_t rate, int channels, std::uint32_t frames,
                 const std::function<double(int, int)> &value) {
    kaldorium::WaveFile w;
    w.formatTag = 1;
    w.channels = static_cast<std::uint16_t>(channels);
    w.sampleRate = rate;
    w.bitsPerSample = 16;
    w.blockAlign = static_cast<std::uint16_t>(2 * channels);
    w.byteRate = rate * w.blockAlign;
    w.CreateForWriting(QFile::encodeName(path).toStdString());
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            w.WriteValue(value(static_cast<int>(i), c));
        }
    }
    w.CloseFile();
    return path;
}

// 1000 Hz at 44100 Hz: bin 10 of a 441-sample DFT.
std::function<double(int, int)> ToneAt(double rate) {
    return [rate](int i, int) { return 0.5 * std::sin(6.283185307179586 * 1000.0 * i / rate); };
}

double Silence(int, int) {
    return 0.0;
}

QByteArray ReadBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void PutLe(QByteArray &bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

// A RIFF header of the stereo 16-bit 8000 Hz format for `dataBytes` of samples; `extra` chunks
// go between the format and the data.
QByteArray Header(std::uint32_t dataBytes, const QByteArray &extra = {}) {
    QByteArray h("RIFF");
    PutLe(h, 36 + static_cast<std::uint32_t>(extra.size()) + dataBytes, 4);
    h.append("WAVEfmt ");
    PutLe(h, 16, 4);
    PutLe(h, 1, 2);
    PutLe(h, 2, 2);
    PutLe(h, 8000, 4);
    PutLe(h, 32000, 4);
    PutLe(h, 4, 2);
    PutLe(h, 16, 2);
    h.append(extra);
    h.append("data");
    PutLe(h, dataBytes, 4);
    return h;
}

const char *const BusySet[] = {"GetInputFile",  "PlayInput",  "GetOutputFile", "PlayOutput",
                               "CopyInputFile", "CopyData",   "ModifyFile",    "SpeedUp",
                               "DFT_Input",     "DFT_Output", "FFT_Input",     "FFT_Output",
                               "fDFT",          "fFFT"};

} // namespace

// The WAV workbench's spectra and exports, driven as a user drives them.
class TestWavmainSpectra : public QObject {
    Q_OBJECT

private:
    FakeUiServices services;
    FakeSoundPlayer player;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DefaultDesignedFilterSource designedFilter;
    std::unique_ptr<TFileEditForm> editor;
    std::unique_ptr<TWAVMainForm> form;
    QTemporaryDir dir;
    QString tone44k, tone8k, longTone;

    template <typename T = QWidget> T *find(const char *name) {
        return control<T>(form.get(), name);
    }
    QString file(const char *name) { return dir.filePath(QString::fromLatin1(name)); }
    void click(const char *name) {
        QCoreApplication::processEvents();
        QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton);
    }
    void chooseInput(const QString &path) {
        services.openAnswers.enqueue(path);
        click("GetInputFile");
    }
    void chooseOutput(const QString &path) {
        services.saveAnswers.enqueue(path);
        click("GetOutputFile");
    }
    void chooseWindow(int item) {
        find<QGroupBox>("DFT_Window")->findChildren<QRadioButton *>().at(item)->click();
    }
    void setField(const char *name, const QString &value) {
        auto *field = find<QLineEdit>(name);
        field->selectAll();
        field->del();
        QTest::keyClicks(field, value);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(field, &out);
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
    // The idle set, also while the workbench is hidden.
    void checkIdle() {
        QVERIFY(!form->IsBusy());
        for (const char *name : {"iView", "oView", "bView", "fTest"}) {
            QVERIFY2(find(name)->isEnabled(), name);
        }
        for (const char *name : BusySet) {
            QVERIFY2(!find(name)->isHidden(), name);
        }
        QVERIFY(find<QLabel>("MessageLabel")->isHidden());
    }
    // Rows of the plot area (right of the labels, above the frequency axis) holding `colour`.
    QList<int> rowsOf(QRgb colour) {
        const QImage image = form->DisplayCanvas().Image();
        QList<int> rows;
        for (int y = 0; y < image.height() - 30; ++y) {
            for (int x = 31; x < image.width(); ++x) {
                if (image.pixel(x, y) == colour) {
                    rows << y;
                    break;
                }
            }
        }
        return rows;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        tone44k = WriteWav(file("tone44k.wav"), 44100, 2, 44100, ToneAt(44100));
        tone8k = WriteWav(file("tone8k.wav"), 8000, 1, 8000, ToneAt(8000));
        longTone = WriteWav(file("long.wav"), 44100, 2, 44100 * 30, ToneAt(44100));
    }
    void init() {
        services = FakeUiServices();
        network = kaldorium::FilterNetwork();
        editor = std::make_unique<TFileEditForm>(services);
        form = std::make_unique<TWAVMainForm>(services, player, noise, network, designedFilter,
                                              *editor);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        // Spectrum windows still open go with the workbench.
        form.reset();
        editor.reset();
    }

    // Each spectrum button opens a window owned by the workbench on its own file, with the
    // transform of the button and the weighting window chosen on the workbench.
    void spectrumButtonsOpenAWindowOnTheirFile_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("validOutput");
        QTest::addColumn<int>("N"); // 0: no window opens
        QTest::addColumn<QString>("title");
        QTest::newRow("DFT input, Hamming")
            << "DFT_Input" << 0 << true << 441 << "(KALDOR)  DFT_Spectral Analysis  [Hamming]";
        QTest::newRow("FFT input, No Window")
            << "FFT_Input" << 5 << true << 512 << "(KALDOR)  FFT_Spectral Analysis  [No Window]";
        QTest::newRow("DFT output, Bartlett")
            << "DFT_Output" << 4 << true << 80 << "(KALDOR)  DFT_Spectral Analysis  [Bartlett]";
        QTest::newRow("FFT output, Von Hann")
            << "FFT_Output" << 1 << true << 128 << "(KALDOR)  FFT_Spectral Analysis  [Von Hann]";
        QTest::newRow("DFT output not a WAVE file") << "DFT_Output" << 0 << false << 0 << "";
        QTest::newRow("FFT output not a WAVE file") << "FFT_Output" << 0 << false << 0 << "";
    }
    void spectrumButtonsOpenAWindowOnTheirFile() {
        QFETCH(QString, button);
        QFETCH(int, item);
        QFETCH(bool, validOutput);
        QFETCH(int, N);
        chooseInput(tone44k);
        QString output = tone8k;
        if (!validOutput) {
            output = file("junk.wav");
            QFile junk(output);
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write("not a wave file");
        }
        chooseOutput(output);
        chooseWindow(item);
        click(button.toLatin1().constData());
        checkIdle();
        if (N == 0) {
            QCOMPARE(form->Spectra().Count(), 0);
            QCOMPARE(messages(), QStringList{"DSP error: Not a valid WAV file"});
            return;
        }
        QVERIFY(messages().isEmpty());
        QCOMPARE(form->Spectra().Count(), 1);
        TDFTMainForm *window = form->Spectra().At(0);
        QCOMPARE(window->parent(), form.get());
        QVERIFY(window->isVisible());
        QVERIFY(window->IsReady());
        QTEST(window->windowTitle(), "title");
        QCOMPARE(window->Analysis().N, N);
        QCOMPARE(window->Analysis().fft, button.startsWith(QLatin1String("FFT")));
        QCOMPARE(control<NumberEdit>(window, "InputFile")->text(),
                 button.endsWith(QLatin1String("Input")) ? tone44k : tone8k);
    }

    // A seventh window releases the oldest; the others keep their own analyses.
    void sixWindowsAtMostEachWithItsAnalysis() {
        chooseInput(tone44k);
        QList<QPointer<TDFTMainForm>> opened;
        for (int i = 0; i < 7; ++i) {
            chooseWindow(i % 6);
            click(i % 2 ? "FFT_Input" : "DFT_Input");
            QCOMPARE(form->Spectra().Count(), std::min(i + 1, 6));
            opened << form->Spectra().At(form->Spectra().Count() - 1);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(opened[0].isNull());
        for (int i = 1; i < 7; ++i) {
            QVERIFY(!opened[i].isNull());
            QCOMPARE(form->Spectra().At(i - 1), opened[i].data());
            const kaldorium::SpectrumAnalysis &a = opened[i]->Analysis();
            QCOMPARE(a.fft, i % 2 == 1);
            QCOMPARE(static_cast<int>(a.kind), i % 6);
            QCOMPARE(a.N, i % 2 ? 512 : 441);
            QVERIFY(opened[i]->IsReady());
        }
        checkIdle();
        form->close();
        QCOMPARE(form->Spectra().Count(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (const auto &w : opened) {
            QVERIFY(w.isNull());
        }
    }

    // The spectra of input and filtered input: black spikes of the input up to the peak, red
    // ones of the high-passed input raised by the red trace's shift.
    void pairedSpectraDrawInputBlackAndFilteredRed_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("N");
        QTest::newRow("DFT") << "fDFT" << 441;
        QTest::newRow("FFT") << "fFFT" << 512;
    }
    void pairedSpectraDrawInputBlackAndFilteredRed() {
        QFETCH(QString, button);
        QFETCH(int, N);
        chooseInput(tone44k);
        click("HighPass");
        setField("sfFrequency", QStringLiteral("15000"));
        click(button.toLatin1().constData());
        checkIdle();
        QVERIFY(services.errors.isEmpty());
        QVERIFY(find<QLabel>("TimeScaleLabel")->isHidden());
        const kaldorium::PairedSpectrumAnalysis *paired = form->PairedSpectra();
        QVERIFY(paired != nullptr);
        QCOMPARE(paired->N, N);
        QCOMPARE(paired->blocks, 44100LL / N + 1);
        QCOMPARE(form->Scope().xMax, 22050.0);
        QCOMPARE(form->Scope().yMax, paired->peak);
        // The 1000 Hz bin of the input is the peak; the filter removes most of it.
        const std::size_t bin = static_cast<std::size_t>(std::lround(1000.0 * N / 44100));
        QCOMPARE(paired->peak, paired->input[bin]);
        QVERIFY(paired->output[bin] < 0.1 * paired->peak);

        // The red shift is set after the first drawing: draw again with it.
        setField("sSignal2Shift", QString::number(0.5 * paired->peak));
        click(button.toLatin1().constData());
        const QList<int> black = rowsOf(qRgb(0, 0, 0));
        const QList<int> red = rowsOf(qRgb(255, 0, 0));
        QVERIFY(!black.isEmpty() && !red.isEmpty());
        const int plotHeight = form->DisplayCanvas().Image().height() - 30;
        QVERIFY2(black.first() <= 2, "the input's spike reaches the top");
        // The red baseline sits at half the height, and nothing red lies below it.
        QVERIFY2(std::abs(red.last() - plotHeight / 2) <= 2,
                 qPrintable(QString::number(red.last())));
    }

    // Refusals and faults of the paired spectra end idle; a silent file is a flat line.
    void pairedSpectraRefuseOrFailIdle_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("useNetwork");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("errors");
        const QStringList none;
        const QStringList tooShort{"DSP Error: The file is too short for a spectrum"};
        QTest::newRow("DFT of no samples") << "fDFT" << 44100 << 0 << false << tooShort << none;
        QTest::newRow("FFT of no samples") << "fFFT" << 44100 << 0 << false << tooShort << none;
        QTest::newRow("DFT below 100 Hz") << "fDFT" << 50 << 100 << false << tooShort << none;
        QTest::newRow("FFT below 100 Hz") << "fFFT" << 50 << 100 << false << none << none;
        QTest::newRow("silent file") << "fDFT" << 44100 << 4410 << false << none << none;
        QTest::newRow("network dividing by zero") << "fFFT" << 44100 << 44100 << true << none
                                                  << QStringList{"Floating point division by zero"};
    }
    void pairedSpectraRefuseOrFailIdle() {
        QFETCH(QString, button);
        QFETCH(int, rate);
        QFETCH(int, frames);
        QFETCH(bool, useNetwork);
        chooseInput(WriteWav(file("refused.wav"), static_cast<std::uint32_t>(rate), 1,
                             static_cast<std::uint32_t>(frames), Silence));
        if (useNetwork) {
            // A network stage with Q = 0 divides by zero in its design.
            kaldorium::StageSetting stages[kaldorium::FilterNetwork::StageCount];
            stages[0] = {true, kaldorium::fkBandPass, 1000.0, 0.0, 1.0};
            network.ApplySettings(stages);
            click("NetworkFiltering");
        }
        click(button.toLatin1().constData());
        checkIdle();
        QTEST(messages(), "messages");
        QTEST(services.errors, "errors");
        for (const auto &s : services.shown) {
            if (s.kind == QLatin1String("message")) {
                QCOMPARE(s.icon, QMessageBox::Critical);
            }
        }
        if (messages().isEmpty() && services.errors.isEmpty()) {
            // Drawn: a silent file gives a flat line at 0 on a range of 0 … 1.
            QCOMPARE(form->PairedSpectra()->peak, 0.0);
            QCOMPARE(form->Scope().yMax, 1.0);
            const int plotHeight = form->DisplayCanvas().Image().height() - 30;
            for (int row : rowsOf(qRgb(255, 0, 0))) {
                QVERIFY(row >= plotHeight - 2);
            }
        }
    }

    // A copy has a fresh 44-byte header and the input's sample bytes, whatever other chunks the
    // input holds.
    void copyInputFileWritesAFreshHeaderAndTheSamples() {
        QByteArray samples;
        for (int i = 0; i < 40; ++i) {
            PutLe(samples, static_cast<std::uint32_t>(i * 977) & 0xffff, 2);
        }
        QByteArray list("LIST");
        PutLe(list, 4, 4);
        list.append("INFO");
        const QString input = file("with-list.wav");
        QFile in(input);
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write(Header(static_cast<std::uint32_t>(samples.size()), list) + samples);
        in.close();
        chooseInput(input);
        chooseOutput(file("copy.wav"));
        click("CopyInputFile");
        checkIdle();
        QVERIFY(messages().isEmpty());
        QCOMPARE(ReadBytes(file("copy.wav")),
                 Header(static_cast<std::uint32_t>(samples.size())) + samples);
    }

    // The samples as text: the header lines, then time and every channel per frame.
    void copyDataWritesTheSamplesAsText_data() {
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("firstFrames");
        QTest::newRow("mono") << 1
                              << "       0.000000\t      -1.000000\t\r\n"
                                 "       0.125000\t       0.000000\t\r\n";
        QTest::newRow("stereo") << 2
                                << "       0.000000\t      -1.000000\t       1.000000\t\r\n"
                                   "       0.125000\t       0.000000\t       0.000000\t\r\n";
    }
    void copyDataWritesTheSamplesAsText() {
        QFETCH(int, channels);
        QFETCH(QString, firstFrames);
        const QString input = WriteWav(file("frames.wav"), 8000, channels, 5000, [](int i, int c) {
            return (c == 0 ? 1.0 : -1.0) * (i % 3 - 1);
        });
        chooseInput(input);
        chooseOutput(file("samples.DSO"));
        click("CopyData");
        checkIdle();
        QVERIFY(messages().isEmpty());
        const QString text = QString::fromUtf8(ReadBytes(file("samples.DSO")));
        const QString rule = QString(93, QLatin1Char('=')) + QStringLiteral("\r\n");
        const QString header =
            QStringLiteral("Raw Samples form:") + input + QStringLiteral("\r\n") +
            QString(36, QLatin1Char('=')) + QStringLiteral("\r\n") +
            QStringLiteral("Channels=%1   Samples/Sec=8000   Bytes/Sample=%2   Total "
                           "Samples=5000, Seconds=0.625000\r\n")
                .arg(channels)
                .arg(2 * channels) +
            rule + QStringLiteral("Time(millisecs)\t\tChannel 1\t\tChannel 2\r\n") + rule;
        QVERIFY(text.startsWith(header + firstFrames));
        QCOMPARE(text.count(QStringLiteral("\r\n")), 6 + 5000);
    }

    // A copy that cannot be made is reported; the window ends idle.
    void exportFailuresAreReported_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("shrinks"); // the input loses its samples while being read
        QTest::addColumn<QString>("message");
        for (const char *button : {"CopyInputFile", "CopyData"}) {
            const QString missing = dir.filePath("no-such-folder/out.wav");
            QTest::addRow("%s into a missing folder", button)
                << button << missing << false
                << "DSP Error: Could not create the output file " + missing;
            QTest::addRow("%s onto a full disk", button)
                << button << "/dev/full" << false
                << "DSP Error: Could not write the output file /dev/full";
        }
        QTest::newRow("CopyData of an input cut while read")
            << "CopyData" << dir.filePath("out.txt") << true
            << "DSP Error: Could not read all the samples of the input file " +
                   dir.filePath("cut.wav");
    }
    void exportFailuresAreReported() {
        QFETCH(QString, button);
        QFETCH(QString, output);
        QFETCH(bool, shrinks);
        QString input = tone44k;
        if (shrinks) {
            input = WriteWav(file("cut.wav"), 8000, 2, 800000, Silence);
        }
        chooseInput(input);
        chooseOutput(output);
        QCoreApplication::processEvents();
        if (shrinks) {
            QTimer::singleShot(0, form.get(), [&] { QVERIFY(QFile::resize(input, 44 + 400)); });
        }
        QTest::mouseClick(find<QAbstractButton>(button.toLatin1().constData()), Qt::LeftButton);
        checkIdle();
        QFETCH(QString, message);
        QCOMPARE(messages(), QStringList{message});
        QCOMPARE(services.shown.last().icon, QMessageBox::Critical);
    }

    // Closing the workbench in the middle of a spectrum stops it and releases its windows; the
    // busy set holds until the action has returned.
    void closingMidSpectrumReleasesSafely_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("spectrum window") << "DFT_Input";
        QTest::newRow("spectra on the workbench") << "fDFT";
    }
    void closingMidSpectrumReleasesSafely() {
        QFETCH(QString, button);
        chooseInput(longTone);
        QCoreApplication::processEvents();
        QPointer<TDFTMainForm> window;
        bool busy = false, waiting = false, running = false;
        QTimer::singleShot(0, form.get(), [&] {
            busy = form->IsBusy() && find("fDFT")->isHidden() && !find("iView")->isEnabled();
            waiting = find<QLabel>("MessageLabel")->isVisible();
            if (form->Spectra().Count() == 1) {
                window = form->Spectra().At(0);
                running = window->IsAnalysing();
                waiting = true;
            } else {
                running = find<QLabel>("TimeScaleLabel")->isHidden();
            }
            form->close();
        });
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(find<QAbstractButton>(button.toLatin1().constData()), Qt::LeftButton);
        QVERIFY(busy);
        QVERIFY(waiting);
        QVERIFY(running);
        // The 30 s file would take much longer than being stopped.
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(form->Spectra().Count(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
        checkIdle();
        QVERIFY(services.errors.isEmpty());
        form->show();
        chooseInput(tone44k);
        click("DFT_Input");
        QCOMPARE(form->Spectra().Count(), 1);
        QVERIFY(form->Spectra().At(0)->IsReady());
    }
};

QTEST_MAIN(TestWavmainSpectra)
#include "tst_WavmainSpectra.moc"
