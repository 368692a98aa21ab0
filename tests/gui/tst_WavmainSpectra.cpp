#include "tests/gui/WavWorkbenchFixture.h"

#include "core/spectrum/SpectrumAnalysis.h"
#include "gui/spectrum/Dftmain.h"
#include "gui/spectrum/SpectrumWindows.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QQueue>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <numbers>

namespace {

// 1000 Hz at 44100 Hz lies on bin 10 of a 441-sample DFT.
double Tone1k(int i, int) {
    return 0.5 * std::sin(2 * std::numbers::pi * 1000.0 * i / 44100);
}

QByteArray ReadBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The WAV workbench's spectra and exports, driven as a user drives them.
class TestWavmainSpectra : public QObject, WavWorkbenchFixture {
    Q_OBJECT

    // Clicks as a user does; `meanwhile` runs at the first window messages the action lets run.
    void click(const QString &name, const std::function<void()> &meanwhile = {}) {
        QCoreApplication::processEvents();
        if (meanwhile) {
            QTimer::singleShot(0, form.get(), meanwhile);
        }
        QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton);
    }
    void choose(const QString &path, QQueue<QString> &answers, const char *button) {
        answers.enqueue(path);
        click(QString::fromLatin1(button));
    }
    // The message boxes, with a mark on those without the error icon (this file's own form).
    QStringList messages() {
        QStringList out;
        for (const auto &s : services.shown) {
            if (s.kind == QLatin1String("message")) {
                const bool errorIcon = s.icon == QMessageBox::Critical;
                out << s.title + QStringLiteral(": ") + s.text + (errorIcon ? "" : " (no icon)");
            }
        }
        return out;
    }
    // The lowest and highest rows of the plot area holding `colour` (-1 when none).
    std::pair<int, int> rowsOf(QRgb colour) {
        const QImage image = form->DisplayCanvas().Image();
        std::pair<int, int> rows{-1, -1};
        for (int y = 0; y < image.height() - 30; ++y) {
            for (int x = 31; x < image.width(); ++x) {
                if (image.pixel(x, y) == colour) {
                    rows = {rows.first < 0 ? y : rows.first, y};
                    break;
                }
            }
        }
        return rows;
    }

private slots:
    void init() { open(false); }
    void cleanup() { close(); }

    // Each button opens a window owned by the workbench on its own file, with its transform and
    // the weighting window chosen here; a seventh window releases the oldest, and the others
    // keep their own analyses. An output that is not a WAVE file opens none.
    void spectrumWindowsOnInputAndOutput() {
        const QString input = WriteWav(file("in.wav"), 44100, 2, 16, 4410, Tone1k);
        const QString output = WriteWav(file("out.wav"), 8000, 1, 16, 800, Tone1k);
        choose(input, services.openAnswers, "GetInputFile");
        choose(output, services.saveAnswers, "GetOutputFile");
        const struct {
            const char *button;
            int item, N;
            const char *title;
        } opened[] = {{"DFT_Input", 0, 441, "DFT_Spectral Analysis  [Hamming]"},
                      {"FFT_Input", 5, 512, "FFT_Spectral Analysis  [No Window]"},
                      {"DFT_Output", 4, 80, "DFT_Spectral Analysis  [Bartlett]"},
                      {"FFT_Output", 1, 128, "FFT_Spectral Analysis  [Von Hann]"},
                      {"DFT_Input", 2, 441, "DFT_Spectral Analysis  [Blackman]"},
                      {"FFT_Input", 3, 512, "FFT_Spectral Analysis  [Blackman_Harris]"},
                      {"DFT_Output", 5, 80, "DFT_Spectral Analysis  [No Window]"}};
        QList<QPointer<TDFTMainForm>> windows;
        auto check = [&](int i, TDFTMainForm *w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("(KALDOR)  ") + opened[i].title);
            QCOMPARE(w->Analysis().N, opened[i].N);
            QCOMPARE(control<NumberEdit>(w, "InputFile")->text(),
                     QByteArray(opened[i].button).endsWith("Input") ? input : output);
            QVERIFY(w->IsReady() && w->isVisible() && w->parent() == form.get());
        };
        for (int i = 0; i < 7; ++i) {
            find<QGroupBox>("DFT_Window")
                ->findChildren<QRadioButton *>()
                .at(opened[i].item)
                ->click();
            click(QString::fromLatin1(opened[i].button));
            checkIdle();
            windows << form->Spectra().At(std::min(i, 5));
            check(i, windows.last());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(windows[0].isNull());
        for (int i = 1; i < 7; ++i) {
            QCOMPARE(form->Spectra().At(i - 1), windows[i].data());
            check(i, windows[i]);
        }
        QFile junk(file("junk.wav"));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a wave file") > 0);
        junk.close();
        choose(junk.fileName(), services.saveAnswers, "GetOutputFile");
        click("FFT_Output");
        QCOMPARE(messages(), QStringList{"DSP error: Not a valid WAV file"});
        QCOMPARE(form->Spectra().At(5), windows[6].data());
    }

    // "Spectrogram" opens a spectrum window showing the input's spectrogram.
    void spectrogramOfTheInput() {
        const QString input = WriteWav(file("in.wav"), 44100, 2, 16, 44100, Tone);
        choose(input, services.openAnswers, "GetInputFile");
        click("Spectrogram_Input");
        checkIdle();
        QCOMPARE(form->Spectra().Count(), 1);
        TDFTMainForm *w = form->Spectra().At(0);
        QVERIFY(w->isVisible() && w->parent() == form.get());
        QCOMPARE(w->CurrentView(), TDFTMainForm::View::Spectrogram);
        QVERIFY(w->SpectrogramReady());
        QCOMPARE(control<NumberEdit>(w, "InputFile")->text(), input);
    }

    // The spectra of input and filtered input on the display: the input black up to the peak,
    // the high-passed input red, both raised by their trace shifts; refusals and faults end
    // idle and are shown afterwards.
    void pairedSpectra_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("useNetwork");
        QTest::addColumn<int>("N"); // 0: nothing drawn
        QTest::addColumn<QStringList>("shown");
        const QStringList none, tooShort{"DSP Error: The file is too short for a spectrum"};
        QTest::newRow("DFT of a tone") << "fDFT" << 44100 << 44100 << false << 441 << none;
        QTest::newRow("FFT of a tone") << "fFFT" << 44100 << 44100 << false << 512 << none;
        QTest::newRow("silent file") << "fDFT" << 44100 << -4410 << false << 441 << none;
        QTest::newRow("DFT of no samples") << "fDFT" << 44100 << 0 << false << 0 << tooShort;
        QTest::newRow("FFT of no samples") << "fFFT" << 44100 << 0 << false << 0 << tooShort;
        QTest::newRow("DFT below 100 Hz") << "fDFT" << 50 << 100 << false << 0 << tooShort;
        QTest::newRow("network dividing by zero")
            << "fFFT" << 44100 << 44100 << true << 0
            << QStringList{"error: Floating point division by zero"};
    }
    void pairedSpectra() {
        QFETCH(QString, button);
        QFETCH(int, rate);
        QFETCH(int, frames);
        QFETCH(bool, useNetwork);
        QFETCH(int, N);
        const QString input =
            WriteWav(file("paired.wav"), static_cast<std::uint32_t>(rate), 2, 16,
                     static_cast<std::uint32_t>(std::abs(frames)),
                     [frames](int i, int c) { return frames > 0 ? Tone1k(i, c) : 0; });
        choose(input, services.openAnswers, "GetInputFile");
        click("HighPass");
        setField("sfFrequency", QStringLiteral("15000"));
        setField("sSignal2Shift", QStringLiteral("0.1"));
        if (useNetwork) {
            kaldorium::StageSetting stages[kaldorium::FilterNetwork::StageCount];
            stages[0] = {true, kaldorium::fkBandPass, 1000.0, 0.0, 1.0}; // Q = 0
            network.ApplySettings(stages);
            click("NetworkFiltering");
        }
        click(button);
        checkIdle();
        QStringList shown = messages();
        for (const QString &e : services.errors) {
            shown << QStringLiteral("error: ") + e;
        }
        QTEST(shown, "shown");
        if (N == 0) {
            return;
        }
        QVERIFY(find<QLabel>("TimeScaleLabel")->isHidden());
        const kaldorium::PairedSpectrumAnalysis &paired = *form->PairedSpectra();
        QCOMPARE(paired.N, N);
        QCOMPARE(paired.blocks, std::abs(frames) / N + 1);
        QCOMPARE(form->Scope().xMax, 22050.0);
        QCOMPARE(form->Scope().yMax, paired.peak > 0 ? paired.peak : 1.0);
        const int plotHeight = form->DisplayCanvas().Image().height() - 30;
        // The red baseline at its shift, the red spikes small; the black spike reaches the top.
        const auto red = rowsOf(qRgb(255, 0, 0));
        QVERIFY(std::abs(red.second - std::lround((1 - 0.1 / form->Scope().yMax) * plotHeight)) <=
                2);
        const auto black = rowsOf(qRgb(0, 0, 0));
        if (frames > 0) {
            QVERIFY(black.first >= 0 && black.first <= 2);
            QVERIFY(red.first > plotHeight / 2);
        } else {
            QCOMPARE(paired.peak, 0.0);
            QCOMPARE(black.first, -1); // flat at 0, the bottom edge
        }
        // The cursors measure this picture in hertz, not as time.
        auto *plot = find<PlotImage>("Image2");
        QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseClick(plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 100));
        QVERIFY(plot->CursorText().contains(QStringLiteral("1/Δx")));
        QVERIFY(!plot->CursorText().contains(QStringLiteral(" Hz")));
    }

    // The copies: a fresh 44-byte header and the sample bytes whatever other chunks the input
    // holds; the samples as text. Every failure is reported, and the window ends idle.
    void exports_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QByteArray>("holds"); // what the output holds
        QTest::addColumn<QString>("message");
        QVERIFY(dir.isValid());
        // ±1 and 0 read back exactly.
        auto levels = [](int i, int c) { return (c == 0 ? 1.0 : -1.0) * (i % 3 - 1); };
        const QString plain = WriteWav(file("plain.wav"), 8000, 2, 16, 5000, levels);
        // The same with a LIST chunk before the samples: the RIFF size grows by 12.
        QByteArray listed = ReadBytes(plain);
        listed.insert(36, QByteArray("LIST\x04\0\0\0INFO", 12));
        listed[4] = static_cast<char>(listed[4] + 12);
        const QString withList = file("list.wav");
        QFile f(withList);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(listed) == listed.size());
        f.close();
        // The text's layout is the exporter's; here: the input named and its frames, ±1 exact.
        const QByteArray text = "Raw Samples form:" + withList.toUtf8() + "\r\n";
        const QByteArray frames = "Channel 2\r\n" + QByteArray(93, '=') +
                                  "\r\n       0.000000\t      -1.000000\t       1.000000\t\r\n"
                                  "       0.125000\t       0.000000\t       0.000000\t\r\n";
        QTest::newRow("copy") << "CopyInputFile" << withList << file("copy.wav") << ReadBytes(plain)
                              << "";
        QTest::newRow("samples") << "CopyData" << withList << file("samples.txt") << text << "";
        QTest::newRow("frames") << "CopyData" << plain << file("frames.txt") << frames << "";
        for (const char *button : {"CopyInputFile", "CopyData"}) {
            const QString missing = file("no-such-folder/out.wav");
            QTest::addRow("%s into a missing folder", button)
                << button << plain << missing << QByteArray()
                << "Could not create the output file " + missing;
            QTest::addRow("%s onto a full disk", button)
                << button << plain << "/dev/full" << QByteArray()
                << "Could not write the output file /dev/full";
        }
        QTest::newRow("CopyData of an input cut while read")
            << "CopyData"
            << "" << file("cut.txt") << QByteArray()
            << "Could not read all the samples of the input file " + file("cut.wav");
    }
    void exports() {
        QFETCH(QString, button);
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(QByteArray, holds);
        QFETCH(QString, message);
        const bool cut = input.isEmpty();
        if (cut) {
            input = WriteWav(file("cut.wav"), 8000, 2, 16, 800000, Tone1k);
        }
        choose(input, services.openAnswers, "GetInputFile");
        if (button == QLatin1String("CopyData")) {
            services.saveAnswers.enqueue(output); // the text file's own dialog
        } else {
            choose(output, services.saveAnswers, "GetOutputFile");
        }
        click(button, [&] {
            if (cut) {
                QVERIFY(QFile::resize(input, 44 + 400));
            }
        });
        checkIdle();
        QCOMPARE(messages(),
                 message.isEmpty() ? QStringList() : QStringList{"DSP Error: " + message});
        QVERIFY(holds.isEmpty() || ReadBytes(output).contains(holds)); // never read /dev/full
    }

    // "Copy Samples" writes to a text file of its own, never over the input, and over a WAVE
    // file only when the user agrees.
    void copySamplesAsksForItsTextFile_data() {
        QTest::addColumn<QString>("chosen"); // the answer to the text file's dialog
        QTest::addColumn<int>("answer");     // to the question, when asked
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("written");
        const QString replace = "KALDOR Warning: " + file("out.wav") +
                                " is a WAVE file.\nReplace it with the samples as text? (no icon)";
        QTest::newRow("text file") << file("in.txt") << 0 << "" << true;
        QTest::newRow("cancelled") << "" << 0 << "" << false;
        QTest::newRow("WAVE kept") << file("out.wav") << int(QMessageBox::No) << replace << false;
        QTest::newRow("WAVE replaced")
            << file("out.wav") << int(QMessageBox::Yes) << replace << true;
        QTest::newRow("the input itself")
            << file("in.wav") << 0
            << "DSP Error: The samples must not be written over the Input File" << false;
    }
    void copySamplesAsksForItsTextFile() {
        QFETCH(QString, chosen);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        QFETCH(bool, written);
        const QString in = WriteWav(file("in.wav"), 8000, 1, 16, 100, Tone1k);
        const QByteArray wave = ReadBytes(WriteWav(file("out.wav"), 8000, 1, 16, 50, Tone1k));
        const QByteArray input = ReadBytes(in);
        choose(in, services.openAnswers, "GetInputFile");
        choose(file("out.wav"), services.saveAnswers, "GetOutputFile");
        services.saveAnswers.enqueue(chosen);
        if (answer != 0) {
            services.messageAnswers.enqueue(static_cast<QMessageBox::StandardButton>(answer));
        }
        click(QStringLiteral("CopyData"));
        checkIdle();
        const FakeUiServices::Shown &dialog = services.shown[2];
        QCOMPARE(dialog.kind, QStringLiteral("save"));
        QCOMPARE(dialog.title, QStringLiteral("Please Specify The Samples Text File"));
        QVERIFY(dialog.text.endsWith(QStringLiteral("/WAVs/in.txt")));
        QVERIFY(dialog.filter.startsWith(QStringLiteral("Text Files (*.txt")));
        QCOMPARE(messages(), shown.isEmpty() ? QStringList() : QStringList{shown});
        QCOMPARE(ReadBytes(in), input);
        QCOMPARE(ReadBytes(file("out.wav")) == wave, chosen != file("out.wav") || !written);
        if (written) {
            QVERIFY(ReadBytes(chosen).startsWith("Raw Samples form:" + in.toUtf8()));
        }
    }

    // Closing the workbench in the middle of a spectrum stops it and releases the windows; the
    // busy set holds until the action has returned.
    void closingMidSpectrumReleasesSafely_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("spectrum window") << "DFT_Input";
        QTest::newRow("spectra on the workbench") << "fDFT";
    }
    void closingMidSpectrumReleasesSafely() {
        QFETCH(QString, button);
        choose(WriteWav(file("long.wav"), 44100, 2, 16, 44100 * 30, Tone1k), services.openAnswers,
               "GetInputFile");
        QPointer<TDFTMainForm> window;
        bool busy = false, running = false;
        QElapsedTimer clock;
        clock.start();
        click(button, [&] {
            busy = form->IsBusy() && find("fDFT")->isHidden() && !find("iView")->isEnabled();
            window = form->Spectra().Count() == 1 ? form->Spectra().At(0) : nullptr;
            running = window ? window->IsAnalysing() : find("MessageLabel")->isVisible();
            form->close();
        });
        QVERIFY(busy && running);
        QVERIFY(clock.elapsed() < 3000); // stopped long before the end of the 30 s file
        QCOMPARE(form->Spectra().Count(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
        checkIdle();
        QVERIFY(services.errors.isEmpty());
    }
};

QTEST_MAIN(TestWavmainSpectra)
#include "tst_WavmainSpectra.moc"
