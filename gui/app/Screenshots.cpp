// Renders every window of the program in a typical state into PNG pictures for the README:
//
//     kaldorium_screenshots <folder>
//
// The windows are made with the program's own models and services as main() makes them, driven
// as a user drives them (fields typed, buttons clicked) and saved as they show on the screen.
// Run it on a display (scripts/screenshots uses a virtual one); it is not installed.

#include "gui/app/KaldoriumApplication.h"
#include "gui/app/ProgramWindows.h"
#include "gui/services/MessagePump.h"
#include "gui/services/ProgramFolder.h"
#include "gui/services/UiServices.h"
#include "gui/widgets/PlotImage.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QQueue>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <functional>
#include <stdexcept>

namespace {

// Dialogs answered from a script: file dialogs take the next queued name (none: cancelled),
// messages and errors are printed.
class ScriptedServices : public UiServices {
public:
    QString OpenFileName(QWidget *, const QString &, const QString &, const QString &) override {
        return openAnswers.isEmpty() ? QString() : openAnswers.dequeue();
    }
    QString SaveFileName(QWidget *, const QString &, const QString &, const QString &,
                         const QString &) override {
        return QString();
    }
    QMessageBox::StandardButton Message(QWidget *, QMessageBox::Icon, const QString &title,
                                        const QString &text,
                                        QMessageBox::StandardButtons) override {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
        return QMessageBox::Ok;
    }
    void ShowError(QWidget *, const QString &text) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
        ++errors;
    }

    QQueue<QString> openAnswers;
    int errors = 0;
};

// Lets the windows work for a while (timers, repaints).
void Wait(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        PumpMessages(20);
    }
}

template <typename T = QWidget> T *Find(QWidget *window, const char *name) {
    T *control = window->findChild<T *>(QString::fromLatin1(name));
    if (control == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return control;
}

void Click(QAbstractButton *button) {
    PumpMessages();
    button->click();
}

void Click(QWidget *window, const char *name) {
    Click(Find<QAbstractButton>(window, name));
}

// Puts a value into a field in place of its text and presses Enter there.
void Enter(QWidget *window, const char *name, const QString &value) {
    auto *field = Find<QLineEdit>(window, name);
    field->setFocus();
    field->setText(value);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(field, &release);
}

// Saves the window as shown, scaled down until the file stays below 300 kB.
bool Save(QWidget *window, const QString &folder, const char *name) {
    Wait(200);
    const QImage shot = window->grab().toImage();
    const QString path = QDir(folder).filePath(QString::fromLatin1(name));
    QImage image = shot;
    for (double scale = 0.9; image.save(path, "PNG"); scale -= 0.1) {
        const qint64 bytes = QFileInfo(path).size();
        if (bytes < 300 * 1024 || scale < 0.3) {
            std::printf("%s  %dx%d  %lld bytes\n", qPrintable(path), image.width(), image.height(),
                        static_cast<long long>(bytes));
            return bytes < 300 * 1024;
        }
        image =
            shot.scaledToWidth(static_cast<int>(shot.width() * scale), Qt::SmoothTransformation);
    }
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// Opens a modal window with `open`, runs `action` once it is up and `ready` says so, then
// closes it.
void WhileModal(QDialog &dialog, const std::function<void()> &open,
                const std::function<bool()> &ready, const std::function<void()> &action) {
    bool done = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done || QApplication::activeModalWidget() != &dialog || !ready()) {
            return;
        }
        done = true;
        poll.stop();
        action();
        dialog.close();
    });
    poll.start(50);
    open();
}

// The workbench running, and the Bode plots of its band pass.
bool ShootWorkbenchAndBode(ProgramWindows &windows, const QString &folder) {
    bool ok = true;
    TDSPMainForm &mainForm = windows.mainForm;
    TGraphForm &graphForm = windows.graphForm.Get();
    // The workbench: a band pass test at its centre frequency, a few sweeps drawn.
    mainForm.show();
    Wait(300);
    Click(&mainForm, "fTest");
    Wait(1500);
    ok &= Save(&mainForm, folder, "workbench.png");
    if (mainForm.IsRunning()) {
        Click(&mainForm, "fTest");
    }

    // The Bode plot of the workbench's band pass.
    WhileModal(
        graphForm, [&] { Click(&mainForm, "MakeBodePlot"); },
        [&] { return graphForm.LastPlotMilliseconds() > 0.0; },
        [&] { ok &= Save(&graphForm, folder, "bode.png"); });

    // The same band pass held, run again at Q 2, zoomed about 2 kHz, with its group delay.
    auto *gainPlot = graphForm.findChild<PlotImage *>(QStringLiteral("GainPlot"));
    auto plotted = [&] { return gainPlot->isVisible(); };
    WhileModal(
        graphForm, [&] { Click(&mainForm, "MakeBodePlot"); }, plotted,
        [&] { gainPlot->HoldTraces(); });
    Enter(&mainForm, "sQfactor", QStringLiteral("2"));
    WhileModal(
        graphForm, [&] { Click(&mainForm, "MakeBodePlot"); }, plotted,
        [&] {
            Click(&graphForm, "ShowGroupDelay");
            Wait(200);
            gainPlot->ZoomAt(QPoint(gainPlot->width() * 3 / 4, 100), 3.0, false);
            Wait(200);
            ok &= Save(&graphForm, folder, "bode-zoom-held.png");
            Click(&graphForm, "ShowGroupDelay");
            gainPlot->ClearHeld();
        });
    Enter(&mainForm, "sQfactor", QStringLiteral("10"));
    return ok;
}

// The designer, the filter network and the analogue calculator.
bool ShootDesignTools(ProgramWindows &windows, const QString &folder) {
    bool ok = true;
    TDSPMainForm &mainForm = windows.mainForm;
    TAnalogueFiltersForm &analogueForm = windows.analogueForm.Get();
    TDigitalFiltersForm &digitalForm = windows.digitalForm.Get();
    TFilterNetworkForm &networkForm = windows.networkForm.Get();
    // The designer: a low pass near the upper end with its analogue prototype, which the
    // digital set meets at f0 and leaves towards Nyquist.
    WhileModal(
        digitalForm, [&] { Click(&mainForm, "DigitalFiltersDesign"); }, [] { return true; },
        [&] {
            Click(&digitalForm, "ShowAnalogue");
            for (QAbstractButton *radio : digitalForm.findChildren<QAbstractButton *>()) {
                if (radio->text() == QLatin1String("Low Pass")) {
                    Click(radio);
                }
            }
            Enter(&digitalForm, "sfFrequency", QStringLiteral("5000"));
            Enter(&digitalForm, "sQfactor", QStringLiteral("2"));
            Enter(&digitalForm, "sfAmplification", QStringLiteral("1"));
            Find(&digitalForm, "BodePlot")->setFocus();
            Click(&digitalForm, "BodePlot");
            ok &= Save(&digitalForm, folder, "designer.png");
        });

    // The filter network: a band pass in the first branch, a high pass and a low pass in
    // series in the second.
    WhileModal(
        networkForm, [&] { Click(&mainForm, "DesignNetwork"); }, [] { return true; },
        [&] {
            const struct {
                const char *prefix;
                int type;
            } used[] = {{"FA1", 0}, {"FA2", 2}, {"FB2", 3}};
            for (const auto &stage : used) {
                const QByteArray prefix(stage.prefix);
                Find<QComboBox>(&networkForm, (prefix + "_Type").constData())
                    ->setCurrentIndex(stage.type);
                Click(&networkForm, (prefix + "_Use").constData());
            }
            Find(&networkForm, "SetDesign")->setFocus();
            ok &= Save(&networkForm, folder, "network.png");
        });

    // The analogue calculator: the components of a band pass.
    WhileModal(
        analogueForm, [&] { Click(&mainForm, "AnalogueFiltersDesign"); }, [] { return true; },
        [&] {
            auto *tabs = Find<QTabWidget>(&analogueForm, "PageControl1");
            tabs->setCurrentWidget(Find(&analogueForm, "BandPass_Tab"));
            Enter(&analogueForm, "BW0", QStringLiteral("10"));
            Enter(&analogueForm, "BQ", QStringLiteral("5"));
            Enter(&analogueForm, "BA0", QStringLiteral("2"));
            Find(&analogueForm, "BComponents")->setFocus();
            Click(&analogueForm, "BComponents");
            ok &= Save(&analogueForm, folder, "analogue.png");
        });
    return ok;
}

// The WAV workbench, and the spectrum window and spectrogram on its example files.
bool ShootWavAndSpectra(ProgramWindows &windows, ScriptedServices &services,
                        const QString &folder) {
    bool ok = true;
    TDSPMainForm &mainForm = windows.mainForm;
    TWAVMainForm &wavForm = windows.wavForm.Get();
    TDFTMainForm *dftForm = &windows.dftForm.Get();
    // The WAV workbench with an example file and its view. The example files are named
    // from the program's folder, as a user sees them there.
    QDir::setCurrent(DataRoot());
    const QString chord = QStringLiteral("WAVs/Chord-16bit-stereo.wav");
    if (!QFileInfo::exists(chord)) {
        throw std::runtime_error("no example files in " + DataRoot().toStdString() + "WAVs");
    }
    Click(&mainForm, "WaveFiles");
    Wait(300);
    services.openAnswers.enqueue(chord);
    Click(&wavForm, "GetInputFile");
    Enter(&wavForm, "sTimeScale", QStringLiteral("25"));
    Click(&wavForm, "iView");
    // The view steps by hand, chunk by chunk, until it has nearly filled its first 25 ms
    // page (two chunks); then it is stopped.
    Find<QTimer>(&wavForm, "viewTimer")->stop();
    while (wavForm.IsViewRunning() && wavForm.ViewSamples() < 1000) {
        wavForm.ViewChunk();
    }
    // Stopped, the view keeps its traces and the window shows its idle controls.
    if (wavForm.IsViewRunning()) {
        Click(&wavForm, "iView");
    }
    Wait(100);
    ok &= Save(&wavForm, folder, "wav.png");
    wavForm.close();

    // The spectrum window on the same file, Hamming-weighted.
    dftForm->show();
    Wait(300);
    ok &= dftForm->Analyse(chord, true, 0);
    // The bins up to about 2.8 kHz, where the chord's partials lie.
    Enter(dftForm, "sTo_Sample", QStringLiteral("32"));
    ok &= Save(dftForm, folder, "spectrum.png");
    // Its spectrogram view on the speech-like example, whose formants move in time.
    Find<QComboBox>(dftForm, "ViewKind")->setCurrentIndex(1);
    ok &= dftForm->Analyse(QStringLiteral("WAVs/SpeechLike-16bit-mono.wav"), true, 0);
    Wait(200);
    ok &= Save(dftForm, folder, "spectrogram.png");
    dftForm->close();
    Wait(200);
    return ok;
}

// The data file editor, the sampling lab, and the poles and zeros of a rounded design.
bool ShootEditorAndLabs(ProgramWindows &windows, const QString &folder) {
    bool ok = true;
    TDSPMainForm &mainForm = windows.mainForm;
    TDigitalFiltersForm &digitalForm = windows.digitalForm.Get();
    // The data file editor on an example input file.
    TFileEditForm &editor = windows.fileEditForm.Get();
    editor.SetFileName(
        QDir(DataFolder(QStringLiteral("DSIs"))).filePath(QStringLiteral("DampedOscillation.DSI")));
    editor.show();
    Wait(500);
    ok &= Save(&editor, folder, "editor.png");
    editor.close();
    Wait(200);

    // The sampling lab from the Tools menu: 7 kHz sampled at 8 kHz with 4 bits folds to
    // 1 kHz, the ideal anti-alias filter shown beside.
    mainForm.findChild<QAction *>(QStringLiteral("SamplingLabItem"))->trigger();
    TSamplingForm &lab = windows.samplingForm.Get();
    Wait(300);
    Enter(&lab, "SignalFrequency", QStringLiteral("7000"));
    Enter(&lab, "Bits", QStringLiteral("4"));
    ok &= Save(&lab, folder, "samplinglab.png");
    lab.close();
    Wait(200);
    // Poles and zeros of the designed filter, a 4th-order low pass rounded to 8 bits: the
    // rounded poles (hollow) have left the exact ones.
    Click(&mainForm, "DesignedFilter");
    TPoleZeroForm &poleZeroForm = windows.poleZeroForm.Get();
    WhileModal(
        digitalForm, [&] { Click(&mainForm, "DigitalFiltersDesign"); }, [] { return true; },
        [&] {
            for (QAbstractButton *radio : digitalForm.findChildren<QAbstractButton *>()) {
                if (radio->text() == QLatin1String("Low Pass") ||
                    radio->text() == QLatin1String("4th")) {
                    Click(radio);
                }
            }
            Enter(&digitalForm, "sfFrequency", QStringLiteral("1500"));
            Enter(&digitalForm, "sQfactor", QStringLiteral("3"));
            Find<QComboBox>(&digitalForm, "CoefficientBits")->setCurrentIndex(1);
            Find(&digitalForm, "BodePlot")->setFocus();
            Click(&digitalForm, "BodePlot");
            ok &= Save(&digitalForm, folder, "designer-rounded.png");
            Click(&digitalForm, "PoleZeroPlot");
            Wait(300);
            ok &= Save(&poleZeroForm, folder, "polezero.png");
            poleZeroForm.close();
        });
    return ok;
}

} // namespace

int main(int argc, char **argv) {
    ScriptedServices services;
    KaldoriumApplication application(argc, argv, services);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kaldorium_screenshots <folder>\n");
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(folder);
    bool ok = true;
    try {
        ProgramWindows windows(services);
        ok &= ShootWorkbenchAndBode(windows, folder);
        ok &= ShootDesignTools(windows, folder);
        ok &= ShootWavAndSpectra(windows, services, folder);
        ok &= ShootEditorAndLabs(windows, folder);
        windows.mainForm.close();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    if (services.errors > 0) {
        std::fprintf(stderr, "%d error(s) shown\n", services.errors);
        ok = false;
    }
    return ok ? 0 : 1;
}
