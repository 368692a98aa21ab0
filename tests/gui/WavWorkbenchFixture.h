#pragma once

#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/FormDriver.h"
#include "tests/gui/WaveWriter.h"

#include "core/audio/WaveFile.h"
#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/FilterNetwork.h"
#include "gui/audio/Wavmain.h"
#include "gui/tools/Fileedit.h"
#include "gui/tools/Filternetwork.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <memory>

// The WAV workbench with its collaborators (fake services and player, the network window, the
// editor), driven as a user drives it.
class WavWorkbenchFixture : public FormDriver {
protected:
    FakeUiServices services;
    FakeSoundPlayer player;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DefaultDesignedFilterSource designedFilter;
    std::unique_ptr<TFilterNetworkForm> networkForm;
    std::unique_ptr<TFileEditForm> editor;
    std::unique_ptr<TWAVMainForm> form;
    QTemporaryDir dir;

    // What any action hides while it runs; the idle window shows all of it.
    static QStringList BusySet() {
        return QStringLiteral("GetInputFile PlayInput GetOutputFile PlayOutput CopyInputFile "
                              "CopyData ModifyFile FFT_Filtering FrequencyShifter SpeedUp "
                              "SlowDown DFT_Input DFT_Output FFT_Input FFT_Output fDFT fFFT "
                              "FrequencyRotater Robot Retard")
            .split(QLatin1Char(' '));
    }

    // A fresh workbench, shown; without the network window when `withNetworkWindow` is false.
    void open(bool withNetworkWindow = true) {
        services = FakeUiServices();
        player = FakeSoundPlayer();
        network = kaldorium::FilterNetwork();
        networkForm =
            withNetworkWindow ? std::make_unique<TFilterNetworkForm>(services, network) : nullptr;
        editor = std::make_unique<TFileEditForm>(services);
        form = std::make_unique<TWAVMainForm>(services, player, noise, network, designedFilter,
                                              *editor, networkForm.get());
        root = form.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void close() {
        form.reset(); // with any spectrum windows still open
        editor.reset();
        networkForm.reset();
    }
    QString file(const char *name) { return dir.filePath(QString::fromLatin1(name)); }
    // A 16-bit stereo Tone at 8000 Hz: 8000 frames = 1000 ms unless given.
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
    // Runs exactly `chunks` chunks of the running view, without its timer.
    void stepChunks(int chunks) {
        find<QTimer>("viewTimer")->stop();
        for (int i = 0; i < chunks && form->IsViewRunning(); ++i) {
            form->ViewChunk();
        }
    }
    // The message boxes shown, as "title: text".
    QStringList messages() {
        QStringList out;
        for (const auto &s : services.shown) {
            if (s.kind == QLatin1String("message")) {
                out << s.title + QStringLiteral(": ") + s.text;
            }
        }
        return out;
    }
    // Shown in a shown window; not hidden by the program while the window itself is hidden.
    bool isShown(const QString &name) {
        return form->isVisible() ? find(name)->isVisible() : !find(name)->isHidden();
    }

    // The idle window as UpdateControls leaves it with nothing running: the view and test buttons
    // enabled with their own captions, every action shown (the FFT filter not for the
    // differentiator and integrator), no waiting text and no progress bar.
    void checkIdle() {
        QVERIFY(!form->IsBusy());
        for (const char *name : {"iView", "oView", "bView", "fTest"}) {
            QVERIFY2(enabled(name), name);
        }
        const bool derivative = find<QRadioButton>("Diffrentiate")->isChecked() ||
                                find<QRadioButton>("Integrate")->isChecked();
        for (const QString &name : BusySet()) {
            if (name != QLatin1String("FFT_Filtering") || !derivative) {
                QVERIFY2(isShown(name), qPrintable(name));
            }
        }
        QCOMPARE(caption("iView"), QStringLiteral("View"));
        QCOMPARE(caption("oView"), QStringLiteral("View"));
        QCOMPARE(caption("bView"), QStringLiteral("View Input && Output"));
        QCOMPARE(caption("fTest"), QStringLiteral("Test"));
        QVERIFY(find<QLabel>("MessageLabel")->isHidden());
        QVERIFY(find<QProgressBar>("EffectProgress")->isHidden());
    }
};
