#pragma once

#include "tests/gui/FakeUiServices.h"
#include "tests/gui/FormDriver.h"

#include "core/common/Random.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"
#include "gui/workbench/Dspmain.h"

#include <QFile>
#include <QTest>
#include <QTimer>

#include <memory>

// The workbench window alone with fake services, driven as a user drives it.
class DspmainFixture : public FormDriver {
protected:
    FakeUiServices services;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    std::unique_ptr<TDSPMainForm> form;

    // A fresh window, shown; with `design` linked to it as the program links its designer, and
    // its sound going to `stream` when given.
    void open(kaldorium::DigitalFilterDesign *design = nullptr, AudioStream *stream = nullptr) {
        services = FakeUiServices();
        network = kaldorium::FilterNetwork();
        form = std::make_unique<TDSPMainForm>(services, noise, network, design);
        root = form.get();
        settleBeforeClick = false;
        if (stream != nullptr) {
            form->SetAudioStream(stream);
        }
        if (design != nullptr) {
            design->SetWorkbench(form.get());
            design->FormActivate();
        }
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    // The lines of a data file the window wrote (empty when it cannot be read).
    static QList<QByteArray> Lines(const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
    }
    // Runs exactly `chunks` chunks of the current run, without the timer.
    void stepChunks(int chunks) {
        find<QTimer>("runTimer")->stop();
        for (int i = 0; i < chunks; ++i) {
            form->RunChunk();
        }
    }
};
