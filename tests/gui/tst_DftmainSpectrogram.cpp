#include "core/audio/WaveFile.h"
#include "core/spectrum/ColourMap.h"
#include "core/spectrum/Spectrogram.h"
#include "gui/spectrum/Dftmain.h"
#include "gui/tools/Fileedit.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/widgets/PlotImage.h"
#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/GuiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <functional>

using namespace kaldorium;

namespace {

constexpr double kTwoPi = 6.283185307179586;

// A 16-bit file whose channel c at time t holds signal(c, t).
QString WriteWave(const QString &path, std::uint32_t rate, int channels, double seconds,
                  const std::function<double(int, double)> &signal) {
    WaveFile file;
    file.SetPcmFormat(rate, channels, 16);
    file.CreateForWriting(path.toStdString());
    const auto frames = static_cast<long long>(std::llround(seconds * rate));
    for (long long k = 0; k < frames; ++k) {
        for (int c = 0; c < channels; ++c) {
            file.WriteValue(signal(c, static_cast<double>(k) / rate));
        }
    }
    file.CloseFile();
    return path;
}

// The frequency of the loudest row of picture column x.
double LoudestAt(const Spectrogram &picture, int x) {
    int best = 0;
    for (int y = 1; y < picture.Settings().height; ++y) {
        best = picture.Level(x, y) > picture.Level(x, best) ? y : best;
    }
    return picture.FrequencyAt(best + 0.5);
}

} // namespace

class TestDftmainSpectrogram : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString chirp, stereo, silent, tiny, tone, longFile;

    struct Window {
        FakeUiServices services;
        FakeSoundPlayer player;
        TFileEditForm editor{services};
        TDFTMainForm form{services, player, editor};
        Window() {
            form.show();
            (void)QTest::qWaitForWindowExposed(&form);
        }
        QString Text(const char *name) { return control<NumberEdit>(&form, name)->text(); }
        void Choose(const char *name, const QString &item) {
            auto *box = control<QComboBox>(&form, name);
            box->setCurrentIndex(box->findText(item));
        }
        void Type(const char *name, const QString &text) {
            NumberEdit *field = control<NumberEdit>(&form, name);
            field->setFocus();
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Backspace);
            QTest::keyClicks(field, text);
            QTest::keyClick(field, Qt::Key_Return);
        }
        PlotImage *Image() { return control<PlotImage>(&form, "Image2"); }
        // Right-clicks the picture and chooses `item` from the menu that opens.
        void FromMenu(const QString &item) {
            QVERIFY2(chooseFromMenu(Image(), form.PictureRect().center(), item), qPrintable(item));
        }
        void Wheel(QPoint at, int delta, Qt::KeyboardModifiers modifiers = {}) {
            QWheelEvent wheel(at, Image()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                              Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(Image(), &wheel);
        }
    };

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        // 100 Hz to 5 kHz in 2 s: f(t) = 100 + 2450·t, phase 2π(100·t + 1225·t²).
        chirp = WriteWave(dir.filePath("chirp.wav"), 22050, 1, 2.0, [](int, double t) {
            return 0.5 * std::sin(kTwoPi * (100.0 * t + 1225.0 * t * t));
        });
        stereo = WriteWave(dir.filePath("stereo.wav"), 22050, 2, 1.0, [](int c, double t) {
            return 0.4 * std::sin(kTwoPi * (c == 0 ? 440.0 : 3000.0) * t);
        });
        silent =
            WriteWave(dir.filePath("silent.wav"), 8000, 1, 1.0, [](int, double) { return 0.0; });
        tiny = WriteWave(dir.filePath("tiny.wav"), 44100, 1, 300.0 / 44100,
                         [](int, double t) { return std::sin(kTwoPi * 1000.0 * t); });
        // Bin 20 of 512 at 44.1 kHz, for 4 s.
        tone = WriteWave(dir.filePath("tone.wav"), 44100, 1, 4.0, [](int, double t) {
            return 0.25 * std::sin(kTwoPi * 44100.0 / 512.0 * 20.0 * t);
        });
        longFile = WriteWave(dir.filePath("long.wav"), 44100, 2, 40.0,
                             [](int, double t) { return 0.5 * std::sin(kTwoPi * 440.0 * t); });
    }

    // The chirp's loudest row follows the sweep across the picture, which fills the display at
    // one cell per pixel; the read-outs and cursors give time, frequency and level there.
    void chirpShowsInTheSpectrogramView() {
        Window w;
        w.Choose("ViewKind", "Spectrogram");
        QVERIFY(control<QWidget>(&w.form, "SpectrumBar")->isHidden());
        QVERIFY(!control<QWidget>(&w.form, "SpectrogramBar")->isHidden());
        QVERIFY(w.form.Analyse(chirp, true, 0));
        QVERIFY(w.form.SpectrogramReady());
        QVERIFY(w.services.errors.isEmpty());
        const Spectrogram &picture = w.form.SpectrogramPicture();
        const QRect area = w.form.PictureRect();
        QCOMPARE(picture.Settings().width, area.width());
        QCOMPARE(picture.Settings().height, area.height());
        QCOMPARE(w.Text("DbRange"), QStringLiteral("90"));
        // The file's maximum, to a tenth of a dB.
        QCOMPARE(w.Text("DbTop").toDouble(), std::round(picture.MaxLevel() * 10.0) / 10.0);
        const double binHz = 22050.0 / picture.Settings().N;
        for (int x = area.width() / 10; x < area.width() * 9 / 10; x += 37) {
            const double t = picture.SecondsAt(x + 0.5);
            QVERIFY2(std::fabs(LoudestAt(picture, x) - (100.0 + 2450.0 * t)) <= 1.5 * binHz,
                     qPrintable(QString::number(t)));
        }
        // At 1 s the chirp is at 2550 Hz, drawn in the top colour.
        const int x = static_cast<int>(area.width() / 2.0);
        int y = 0;
        while (picture.FrequencyAt(y + 0.5) > 2550.0) {
            ++y;
        }
        while (picture.Level(x, y + 1) > picture.Level(x, y)) {
            ++y;
        }
        const QPoint at(area.left() + x, area.top() + y);
        QTest::mouseMove(w.Image(), at);
        QVERIFY(std::fabs(w.Text("ClickX").section(' ', 0, 0).toDouble() - 1.0) < 0.01);
        QVERIFY(std::fabs(w.Text("ClickY").section(' ', 0, 0).toDouble() - 2550.0) < 1.5 * binHz);
        const double top = w.Text("DbTop").toDouble();
        QVERIFY(std::fabs(w.Text("ClickLevel").section(' ', 0, 0).toDouble() - top) < 1.5);
        const QRgb yellow = ColourStep(ColourMap::Viridis, kColourSteps - 1);
        QVERIFY(qGreen(w.form.DisplayCanvas().Image().pixel(at)) > qGreen(yellow) - 40);
        QTest::mouseClick(w.Image(), Qt::LeftButton, {}, at);
        const QString cursor = w.Image()->CursorText();
        QVERIFY2(cursor.startsWith("x1 = 1") || cursor.startsWith("x1 = 0.99"), qPrintable(cursor));
        QVERIFY(std::fabs(cursor.section("y1 = ", 1).toDouble() - 2550.0) < 1.5 * binHz);
        // A larger window is computed again at its own size once resizing rests.
        w.form.resize(w.form.width() + 150, w.form.height() + 60);
        QTRY_COMPARE(picture.Settings().width, w.form.PictureRect().width());
        QCOMPARE(picture.Settings().height, w.form.PictureRect().height());
        QVERIFY(w.form.PictureRect().width() > area.width());
    }

    // Level range and top repaint the colours; out of range values are held to their limits,
    // an empty top goes back to the file's maximum, and grey is a choice of the menu.
    void levelRangeAndColours() {
        Window w;
        w.Choose("ViewKind", "Spectrogram");
        QVERIFY(w.form.Analyse(chirp, true, 0));
        const QRect area = w.form.PictureRect();
        const Spectrogram &picture = w.form.SpectrogramPicture();
        const QString fileTop = w.Text("DbTop");
        // A cell some 40 dB below the top.
        const int x = picture.Settings().width / 2;
        int y = 0;
        while (double(picture.Level(x, y)) < fileTop.toDouble() - 45.0 ||
               double(picture.Level(x, y)) > fileTop.toDouble() - 35.0) {
            ++y;
        }
        auto cell = [&] {
            return w.form.DisplayCanvas().Image().pixel(area.left() + x, area.top() + y);
        };
        const QRgb before = cell();
        w.Type("DbRange", "500");
        QCOMPARE(w.Text("DbRange"), QStringLiteral("140"));
        QVERIFY(cell() != before);
        w.Type("DbRange", "3");
        QCOMPARE(w.Text("DbRange"), QStringLiteral("40"));
        QCOMPARE(cell(), ColourStep(ColourMap::Viridis, 0));
        w.Type("DbTop", "-100");
        QCOMPARE(w.Text("DbTop"), QStringLiteral("-100"));
        QCOMPARE(cell(), ColourStep(ColourMap::Viridis, kColourSteps - 1));
        w.Type("DbTop", "");
        QCOMPARE(w.Text("DbTop"), fileTop);
        w.FromMenu("Colours: Grey");
        const QRgb grey = cell();
        QCOMPARE(qRed(grey), qGreen(grey));
        QVERIFY(w.services.errors.isEmpty());
    }

    // A silent file draws the floor colour everywhere; a file shorter than one block says so.
    void silentAndShortFiles() {
        Window w;
        w.Choose("ViewKind", "Spectrogram");
        QVERIFY(w.form.Analyse(silent, false, 2));
        const QRect area = w.form.PictureRect();
        const QImage image = w.form.DisplayCanvas().Image();
        const QRgb floor = ColourStep(ColourMap::Viridis, 0);
        for (int y = area.top(); y <= area.bottom(); y += 7) {
            for (int x = area.left(); x <= area.right(); x += 7) {
                QCOMPARE(image.pixel(x, y), floor);
            }
        }
        QVERIFY(w.form.Analyse(tiny, false, 0));
        QVERIFY(!w.form.SpectrogramReady());
        auto *message = control<QLabel>(&w.form, "MessageLabel");
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(), QStringLiteral("The file is too short for a spectrogram"));
        QVERIFY(w.services.errors.isEmpty());
        w.Choose("ViewKind", "Spectrum");
        QVERIFY(w.form.IsReady());
        QVERIFY(!message->isVisible());
    }

    // The top level the spectrogram starts with is the averaged spectrum's peak in dB.
    void steadyToneMatchesTheSpectrumView() {
        Window w;
        QVERIFY(w.form.Analyse(tone, true, 0));
        const double peak = w.Text("sSignal1Scale").toDouble();
        QCOMPARE(w.Text("sDFT_Samples"), QStringLiteral("512"));
        w.Choose("ViewKind", "Spectrogram");
        QVERIFY(w.form.SpectrogramReady());
        QVERIFY(std::fabs(w.Text("DbTop").toDouble() - 20.0 * std::log10(peak)) < 0.1);
        QVERIFY(!control<QWidget>(&w.form, "ClickLevel")->isHidden());
        // Back to the spectrum: today's window, not analysed again.
        w.Choose("ViewKind", "Spectrum");
        QVERIFY(control<QWidget>(&w.form, "ClickLevel")->isHidden());
        QVERIFY(control<QWidget>(&w.form, "SpectrogramBar")->isHidden());
        QCOMPARE(w.Text("sSignal1Scale").toDouble(), peak);
        QCOMPARE(w.form.Scope().xMax, 256 * 44100.0 / 512);
    }

    // The channel chosen is the one shown; the sum shows both tones.
    void channels_data() {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QList<double>>("tones");
        QTest::newRow("left") << "Left" << QList<double>{440.0};
        QTest::newRow("right") << "Right" << QList<double>{3000.0};
        QTest::newRow("sum") << "Sum" << QList<double>{440.0, 3000.0};
    }
    void channels() {
        QFETCH(QString, channel);
        QFETCH(QList<double>, tones);
        Window w;
        w.Choose("ViewKind", "Spectrogram");
        w.Choose("Channels", channel);
        QVERIFY(w.form.Analyse(stereo, true, 3));
        const Spectrogram &picture = w.form.SpectrogramPicture();
        const int x = picture.Settings().width / 2;
        for (double f : {440.0, 3000.0}) {
            int y = 0;
            while (picture.FrequencyAt(y + 0.5) > f) {
                ++y;
            }
            const double level = double(std::max(picture.Level(x, y), picture.Level(x, y - 1)));
            QCOMPARE(level > picture.MaxLevel() - 10.0, tones.contains(f));
            QCOMPARE(level < picture.MaxLevel() - 40.0, !tones.contains(f));
        }
    }

    // "Side by Side" stacks the left and right channels in two panes sharing the time axis;
    // the read-outs follow the pane under the pointer and the data holds both. A mono file keeps
    // its one pane.
    void sideBySide() {
        Window w;
        w.Choose("ViewKind", "Spectrogram");
        w.Choose("Channels", "Side by Side");
        QVERIFY(w.form.Analyse(stereo, true, 3));
        QCOMPARE(w.form.SpectrogramPanes(), 2);
        const QRect upper = w.form.PaneRect(0);
        const QRect lower = w.form.PaneRect(1);
        QVERIFY(w.form.PictureRect().contains(upper) && w.form.PictureRect().contains(lower));
        QVERIFY(lower.top() > upper.bottom() + 1);
        QCOMPARE(lower.width(), upper.width());
        QCOMPARE(lower.height(), upper.height());
        const double binHz = 22050.0 / w.form.SpectrogramPane(0).Settings().N;
        for (int pane : {0, 1}) {
            const Spectrogram &picture = w.form.SpectrogramPane(pane);
            QCOMPARE(picture.Settings().height, upper.height());
            const int x = picture.Settings().width / 2;
            const double hz = pane == 0 ? 440.0 : 3000.0;
            QVERIFY(std::fabs(LoudestAt(picture, x) - hz) <= 1.5 * binHz);
            int y = 0;
            while (picture.FrequencyAt(y + 0.5) > hz) {
                ++y;
            }
            while (picture.Level(x, y + 1) > picture.Level(x, y)) {
                ++y;
            }
            const QRect rect = w.form.PaneRect(pane);
            QTest::mouseMove(w.Image(), QPoint(rect.left() + x, rect.top() + y));
            const double shown = w.Text("ClickY").section(' ', 0, 0).toDouble();
            QVERIFY2(std::fabs(shown - hz) <= 2 * binHz, qPrintable(w.Text("ClickY")));
            // A cursor placed in either pane reads that pane's frequency too.
            w.Image()->ClearCursors();
            QTest::mouseClick(w.Image(), Qt::LeftButton, {},
                              QPoint(rect.left() + x, rect.top() + y));
            const QString cursor = w.Image()->CursorText();
            QVERIFY2(std::fabs(cursor.section("y1 = ", 1).toDouble() - hz) <= 2 * binHz,
                     qPrintable(cursor));
        }
        // One colour means one level: the louder channel sets the top.
        const double top =
            std::max(w.form.SpectrogramPane(0).MaxLevel(), w.form.SpectrogramPane(1).MaxLevel());
        QCOMPARE(w.Text("DbTop").toDouble(), std::round(top * 10.0) / 10.0);
        const QString csv = dir.filePath("panes.csv");
        w.services.saveAnswers.enqueue(csv);
        w.FromMenu("Save Data As…");
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        const int width = w.form.SpectrogramPane(0).Settings().width;
        QCOMPARE(lines.size(), 2 * width + 2);
        QVERIFY(lines[1].startsWith("Left,") && lines[width + 1].startsWith("Right,"));

        QVERIFY(w.form.Analyse(chirp, true, 0));
        QCOMPARE(w.form.SpectrogramPanes(), 1);
        QCOMPARE(w.form.PaneRect(0), w.form.PictureRect());
        QCOMPARE(w.form.SpectrogramPicture().Settings().height, w.form.PictureRect().height());
    }

    // The wheel zooms into the time under the pointer (with Shift the frequency) and the part
    // shown is computed again at one cell per pixel; a drag moves it along; "Reset View" and Home
    // go back; the data export
    // writes the visible part.
    void zoomAndExportTheVisiblePart() {
        Window w;
        w.Choose("ViewKind", "Spectrogram");
        QVERIFY(w.form.Analyse(chirp, true, 0));
        const QRect area = w.form.PictureRect();
        const Spectrogram &picture = w.form.SpectrogramPicture();
        w.Wheel(area.center(), 120);
        QCOMPARE(picture.Settings().toFrame - picture.Settings().fromFrame, 22050LL);
        QVERIFY(std::abs(picture.Settings().fromFrame - 11025) < 100);
        QCOMPARE(picture.Settings().width, area.width());
        w.Wheel(area.center(), 120, Qt::ShiftModifier);
        QVERIFY(std::fabs(picture.Settings().toHz - picture.Settings().fromHz - 11025.0 / 2) < 50);
        const double binHz = 22050.0 / picture.Settings().N;
        for (int x = 5; x < picture.Settings().width; x += 53) {
            const double t = picture.SecondsAt(x + 0.5);
            const double f = 100.0 + 2450.0 * t;
            if (f > picture.Settings().fromHz + binHz && f < picture.Settings().toHz - binHz) {
                QVERIFY(std::fabs(LoudestAt(picture, x) - f) <= 1.5 * binHz);
            }
        }
        const QString csv = dir.filePath("zoomed.csv");
        w.services.saveAnswers.enqueue(csv);
        w.FromMenu("Save Data As…");
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), picture.Settings().width + 2);
        QVERIFY(lines[0].startsWith("Time (s) \\ Frequency (Hz),"));
        QCOMPARE(lines[1].count(','), picture.Settings().height);
        QVERIFY(std::fabs(lines[1].split(',')[0].toDouble() - 0.5) < 0.01);
        // Dragged left by a quarter of the picture, a later quarter second comes into sight; the
        // cursor of the press is not left behind.
        const long long before = picture.Settings().fromFrame;
        QTest::mousePress(w.Image(), Qt::LeftButton, {}, area.center());
        QTest::mouseMove(w.Image(), area.center() - QPoint(area.width() / 4, 0));
        QTest::mouseRelease(w.Image(), Qt::LeftButton, {},
                            area.center() - QPoint(area.width() / 4, 0));
        QVERIFY2(std::abs(picture.Settings().fromFrame - before - 5512) < 200,
                 qPrintable(QString::number(picture.Settings().fromFrame)));
        QCOMPARE(picture.Settings().toFrame - picture.Settings().fromFrame, 22050LL);
        QVERIFY(w.Image()->CursorText().isEmpty());
        QTest::keyClick(w.Image(), Qt::Key_Home);
        QCOMPARE(picture.Settings().toFrame, 44100LL);
        w.Wheel(area.center(), 120);
        w.FromMenu("Reset View");
        QCOMPARE(picture.Settings().fromFrame, 0LL);
        QCOMPARE(picture.Settings().toFrame, 44100LL);
        QCOMPARE(picture.Settings().toHz, 11025.0);
        // Ctrl zooms the frequency as on every plot, and a double click shows all again.
        w.Wheel(area.center(), 120, Qt::ControlModifier);
        QVERIFY(std::fabs(picture.Settings().toHz - picture.Settings().fromHz - 11025.0 / 2) < 50);
        QTest::mouseDClick(w.Image(), Qt::LeftButton, {}, area.center());
        QCOMPARE(picture.Settings().toHz, 11025.0);
        QCOMPARE(picture.Settings().toFrame, 44100LL);
        w.FromMenu("Logarithmic Frequency");
        QVERIFY(picture.Settings().logFrequency);
        QVERIFY(std::fabs(picture.Settings().fromHz - binHz) < 1e-9);
        w.services.saveAnswers.enqueue("/dev/full");
        w.FromMenu("Save Data As…");
        QCOMPARE(w.services.shown.last().text,
                 QStringLiteral("Could not write the data /dev/full"));
    }

    // A long computation keeps the window responsive: a second action is refused, the controls
    // wait, and Stop ends it with an empty picture.
    void stopsAndRefusesWhileBusy() {
        Window w;
        w.Choose("ViewKind", "Spectrogram");
        bool checked = false;
        QTimer::singleShot(0, [&] {
            QVERIFY(!w.form.Analyse(chirp, true, 0));
            QVERIFY(!control<QComboBox>(&w.form, "ViewKind")->isEnabled());
            QVERIFY(!control<QComboBox>(&w.form, "Overlap")->isEnabled());
            auto *stop = control<QPushButton>(&w.form, "StopCalculation");
            QVERIFY(stop->isVisible());
            QTest::mouseClick(stop, Qt::LeftButton);
            checked = true;
        });
        QVERIFY(w.form.Analyse(longFile, true, 0));
        QVERIFY(checked);
        QVERIFY(!w.form.SpectrogramReady());
        QVERIFY(!w.form.IsAnalysing());
        QVERIFY(control<QComboBox>(&w.form, "ViewKind")->isEnabled());
        QVERIFY(control<QPushButton>(&w.form, "StopCalculation")->isHidden());
        QVERIFY(control<QLabel>(&w.form, "MessageLabel")->isHidden());
        w.Choose("Overlap", "0 %");
        QVERIFY(w.form.SpectrogramReady());
        QCOMPARE(w.form.SpectrogramPicture().Hop(), 512);
    }
};

QTEST_MAIN(TestDftmainSpectrogram)
#include "tst_DftmainSpectrogram.moc"
