#include "tests/gui/WavWorkbenchFixture.h"

#include "core/audio/WavEffects.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

struct Wav {
    bool valid = false; // opened, and its header holds what the file holds
    std::uint32_t rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples; // interleaved
    std::size_t Frames() const { return channels == 0 ? 0 : samples.size() / channels; }
};

Wav ReadWav(const QString &path) {
    kaldorium::WaveFile r;
    Wav w;
    if (!r.OpenForReading(QFile::encodeName(path).toStdString())) {
        return w;
    }
    w.valid = QFile(path).size() == 44 + static_cast<qint64>(r.dataBytes);
    w.rate = r.sampleRate;
    w.channels = r.channels;
    std::int16_t s = 0;
    for (std::uint32_t i = 0; i < r.dataBytes / 2 && r.ReadWordSample(s); ++i) {
        w.samples.push_back(s);
    }
    return w;
}

QByteArray Contents(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// The effects of the WAV workbench, started as a user starts them.
class TestWavmainEffects : public QObject, WavWorkbenchFixture {
    Q_OBJECT

    QProgressBar *bar() { return find<QProgressBar>("EffectProgress"); }
    void chooseFiles(const QString &input, const QString &output) {
        chooseInput(input);
        chooseOutput(output);
        services.shown.clear();
    }
    void typeAndLeave(const char *name, const QString &value) {
        type(name, value);
        leave(name);
    }
    // Everything shown, error or not, as "kind title: text" (this file's own form, which also
    // marks a box without the error icon).
    QStringList messages() {
        QStringList out;
        for (const auto &s : services.shown) {
            out << s.kind + QStringLiteral(" ") + s.title + QStringLiteral(": ") + s.text;
            if (s.icon != QMessageBox::Critical) {
                out << QStringLiteral("(not an error icon)");
            }
        }
        return out;
    }

private slots:
    void init() { open(); }
    void cleanup() { close(); }

    // Every button writes a file in the input's format at once viewable; the speed effects copy
    // the data unchanged, the others carry the result from channel 1 on both channels.
    void everyEffectWritesItsFile_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("factor");
        QTest::addColumn<QString>("shift");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("rateOut");
        QTest::addColumn<int>("framesOut");
        QTest::addColumn<QString>("shiftAfter");
        // At 22050 Hz N = 256: a shift is cut to ±127 bins and shown so.
        const struct {
            const char *tag, *button, *factor, *shift;
            int frames, rateOut, framesOut;
            const char *shiftAfter;
        } rows[] = {{"speed up x2", "SpeedUp", "2", "4", 1000, 44100, 1000, "4"},
                    {"slow down x3", "SlowDown", "3", "4", 1000, 7350, 1000, "4"},
                    {"filter", "ModifyFile", "2", "4", 1000, 22050, 1000, "4"},
                    {"fft filter", "FFT_Filtering", "2", "4", 1000, 22050, 1000, "4"},
                    {"shift", "FrequencyShifter", "2", "4", 1000, 22050, 1000, "4"},
                    {"shift cut", "FrequencyShifter", "2", "900", 1000, 22050, 1000, "127"},
                    {"rotate cut", "FrequencyRotater", "2", "-900", 1000, 22050, 1000, "-127"},
                    {"robot", "Robot", "2", "4", 1000, 22050, 1000, "4"},
                    {"retard 4 of 10", "Retard", "2", "4", 10, 22050, 8, "4"}};
        for (const auto &r : rows) {
            QTest::newRow(r.tag) << r.button << r.factor << r.shift << r.frames << r.rateOut
                                 << r.framesOut << r.shiftAfter;
        }
    }
    void everyEffectWritesItsFile() {
        QFETCH(QString, button);
        QFETCH(QString, factor);
        QFETCH(QString, shift);
        QFETCH(int, frames);
        QFETCH(int, rateOut);
        QFETCH(int, framesOut);
        QFETCH(QString, shiftAfter);
        const QString in =
            WriteWav(file("in.wav"), 22050, 2, 16, static_cast<std::uint32_t>(frames), Tone);
        chooseFiles(in, file("out.wav"));
        typeAndLeave("sSpeedFactor", factor);
        typeAndLeave("FrequencyShift", shift);
        click(button);
        QCOMPARE(messages(), QStringList());
        checkIdle();
        QCOMPARE(find<QLineEdit>("FrequencyShift")->text(), shiftAfter);

        const Wav input = ReadWav(in);
        const Wav output = ReadWav(file("out.wav"));
        QVERIFY(output.valid);
        QCOMPARE(output.rate, static_cast<std::uint32_t>(rateOut));
        QCOMPARE(output.channels, 2);
        QCOMPARE(output.Frames(), static_cast<std::size_t>(framesOut));
        if (button == QLatin1String("SpeedUp") || button == QLatin1String("SlowDown")) {
            QVERIFY(output.samples == input.samples);
        } else {
            for (std::size_t n = 0; n < output.Frames(); ++n) {
                QCOMPARE(output.samples[2 * n + 1], output.samples[2 * n]);
            }
        }
        // The output is closed and valid: it can be viewed (and so played) at once.
        click(QStringLiteral("oView"));
        QVERIFY(form->IsViewRunning());
        click(QStringLiteral("oView"));
        QCOMPARE(messages(), QStringList());
    }

    // A parameter that cannot be used is refused before any file is created.
    void refusalsLeaveThePreviousOutput_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        const char *const rate = kaldorium::WavEffects::kRateText;
        const struct {
            const char *tag, *button, *field, *value, *text;
        } rows[] = {
            {"shift not whole", "FrequencyShifter", "FrequencyShift", "4.5",
             "Frequency Shift: '4.5' is not a valid integer value"},
            {"shift beyond int", "FrequencyRotater", "FrequencyShift", "99999999999",
             "Frequency Shift: '99999999999' is not a valid integer value"},
            {"shift2 not whole", "Robot", "FrequencyShift2", "3%",
             "Factor: '3%' is not a valid integer value"},
            {"retard not whole", "Retard", "FrequencyShift", "-",
             "Frequency Shift: '-' is not a valid integer value"},
            // The Factor box holds 3 meanwhile: the message names the box that is wrong.
            {"robot step 0", "Robot", "FrequencyShift", "0", kaldorium::WavEffects::kRobotStepText},
            {"retard 0", "Retard", "FrequencyShift", "0", kaldorium::WavEffects::kRetardFactorText},
            {"rate above 32 bits", "SpeedUp", "sSpeedFactor", "1000000", rate},
            {"rate below 1", "SlowDown", "sSpeedFactor", "30000", rate}};
        for (const auto &r : rows) {
            QTest::newRow(r.tag) << r.button << r.field << r.value << r.text;
        }
    }
    void refusalsLeaveThePreviousOutput() {
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, text);
        QFile previous(file("out.wav"));
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("previous output");
        previous.close();
        chooseFiles(WriteWav(file("in.wav"), 22050, 2, 16, 1000, Tone), file("out.wav"));
        typeAndLeave(qPrintable(field), value);
        click(button);
        QCOMPARE(messages(), QStringList{"message DSP Error: " + text});
        QCOMPARE(Contents(file("out.wav")), QByteArray("previous output"));
        checkIdle();
    }

    // A file failure and a non-finite value end the effect idle, then show what went wrong; the
    // output holds a valid header, also after a stop.
    void errorsEndIdleAndAreShown_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("shown");
        const struct {
            const char *tag, *button, *fault, *shown;
        } rows[] = {
            {"input damaged", "FFT_Filtering", "damaged", "message DSP Error: Couldn't open file"},
            {"input cut part-way", "ModifyFile", "cut", "message DSP Error: Couldn't read samples"},
            {"speed copy cut part-way", "SlowDown", "cut",
             "message DSP Error: Couldn't read samples"},
            {"unstable network", "ModifyFile", "unstable",
             "error : Floating point division by zero"},
            // A stop: closing the window ends the effect at its next message check, silently.
            {"window closed", "Retard", "close", ""}};
        for (const auto &r : rows) {
            QTest::newRow(r.tag) << r.button << r.fault << r.shown;
        }
    }
    void errorsEndIdleAndAreShown() {
        QFETCH(QString, button);
        QFETCH(QString, fault);
        QFETCH(QString, shown);
        const QString in = WriteWav(file("in.wav"), 8000, 2, 16, 200000, Tone);
        chooseFiles(in, file("out.wav"));
        if (fault == QLatin1String("damaged")) {
            QFile f(in);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.write("JUNK");
            f.close();
        } else if (fault == QLatin1String("cut")) {
            connect(bar(), &QProgressBar::valueChanged, this, [in] { QFile::resize(in, 100000); });
        } else if (fault == QLatin1String("close")) {
            connect(bar(), &QProgressBar::valueChanged, form.get(), [this] { form->close(); });
        } else {
            // A network stage with Q = 0 divides by zero in its design.
            kaldorium::StageSetting stages[kaldorium::FilterNetwork::StageCount];
            stages[0] = {true, kaldorium::fkBandPass, 1000.0, 0.0, 1.0};
            network.ApplySettings(stages);
            click(QStringLiteral("NetworkFiltering"));
        }
        click(button);
        QCOMPARE(messages(), shown.isEmpty() ? QStringList() : QStringList{shown});
        form->show();
        checkIdle();
        if (fault != QLatin1String("damaged")) {
            const Wav output = ReadWav(file("out.wav"));
            QVERIFY(output.valid);
            QVERIFY(output.Frames() < 200000);
        }
    }

    // The bar repaints the moment its value changes, so it takes a value as often as messages
    // run (every 50 ms), not at every report: the first and the last, and few between.
    void progressBarTakesAValueAsOftenAsMessagesRun() {
        chooseFiles(WriteWav(file("long.wav"), 44100, 1, 16, 44100 * 20, Tone), file("out.wav"));
        QList<int> values;
        connect(bar(), &QProgressBar::valueChanged, this, [&](int v) { values << v; });
        QElapsedTimer running;
        running.start();
        click(QStringLiteral("ModifyFile"));
        const qint64 elapsed = running.elapsed();
        QCOMPARE(messages(), QStringList());
        QVERIFY(values.size() >= 2);
        QCOMPARE(values.last(), 100);
        QVERIFY2(values.size() <= 2 + elapsed / 50,
                 qPrintable(QStringLiteral("%1 values in %2 ms").arg(values.size()).arg(elapsed)));
    }

    // While an effect runs the window repaints, the bar shows how far it is, and every other
    // action is refused; at the end the bar has reached 100 and is gone.
    void busyEffectRefusesOtherActions() {
        chooseFiles(WriteWav(file("in.wav"), 8000, 2, 16, 100000, Tone), file("out.wav"));
        QList<int> values;
        bool checked = false;
        connect(bar(), &QProgressBar::valueChanged, this, [&](int v) {
            values << v;
            if (values.size() > 1) {
                return;
            }
            // Runs at the effect's first message check, which follows its first report.
            QTimer::singleShot(0, this, [&] {
                checked = true;
                QVERIFY(form->IsBusy());
                QVERIFY(bar()->isVisible());
                for (const QString &name : BusySet()) {
                    QVERIFY2(!find(qPrintable(name))->isVisible(), qPrintable(name));
                }
                // The bar lies where no other control is.
                const QRect place(bar()->mapTo(form.get(), QPoint(0, 0)), bar()->size());
                for (QWidget *w : form->findChildren<QWidget *>()) {
                    if (w != bar() && w->isVisible() && w->parentWidget() != bar() &&
                        (qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
                         qobject_cast<QLabel *>(w))) {
                        const QRect other(w->mapTo(form.get(), QPoint(0, 0)), w->size());
                        QVERIFY2(!place.intersects(other), qPrintable(w->objectName()));
                    }
                }
                // Clicks that arrive now do nothing: no second effect, no view, no dialog.
                for (const char *name : {"SpeedUp", "Retard", "iView", "GetOutputFile"}) {
                    QMetaObject::invokeMethod(find<QAbstractButton>(name), "click");
                }
                QVERIFY(!form->IsViewRunning());
            });
        });
        click(QStringLiteral("FFT_Filtering"));
        QVERIFY(checked);
        QCOMPARE(messages(), QStringList());
        QVERIFY(!values.isEmpty());
        QCOMPARE(values.first(), 0);
        QCOMPARE(values.last(), 100);
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        checkIdle();
        const Wav output = ReadWav(file("out.wav"));
        QCOMPARE(output.rate, 8000u);
        QCOMPARE(output.Frames(), std::size_t{100000});
    }
};

QTEST_MAIN(TestWavmainEffects)
#include "tst_WavmainEffects.moc"
