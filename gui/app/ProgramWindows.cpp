#include "gui/app/ProgramWindows.h"

#include "gui/app/HelpMenu.h"
#include "gui/services/Tooltips.h"
#include "gui/widgets/ProjectorView.h"

#include <QAction>
#include <QMenu>

ProgramWindows::ProgramWindows(UiServices &services)
    : mainForm(services, noise, network, &quantised), graphForm(services, design, network),
      analogueForm(services, graphForm), digitalForm(services, design), fileEditForm(services),
      networkForm(services, network),
      wavForm(services, player, noise, network, design, fileEditForm, &networkForm),
      dftForm(services, player, fileEditForm), samplingForm(services, player),
      poleZeroForm(services, design, network), lessons(*this, services), help(services) {
    design.SetWorkbench(&mainForm);
    mainForm.SetAudioStream(&audio);
    wavForm.SetAudioStream(&audio);
    mainForm.SetToolWindows(
        {&graphForm, &analogueForm, &digitalForm, &fileEditForm, &networkForm, &wavForm});
    AddSamplingLab();
    ConnectPoleZeroForm();
    AddViewItems();
    help.InstallHelpKey();
    AddHelpItems(mainForm.HelpMenu, help, &mainForm);
    for (QWidget *window : AllWindows()) {
        ApplyTooltips(window);
    }
}

QList<QWidget *> ProgramWindows::AllWindows() {
    QList<QWidget *> all{&mainForm,    &graphForm, &analogueForm, &digitalForm,  &fileEditForm,
                         &networkForm, &wavForm,   &dftForm,      &samplingForm, &poleZeroForm};
    // The lesson pane is a part of the main window.
    all.append(&help);
    return all;
}

void ProgramWindows::AddSamplingLab() {
    samplingForm.circuitSource = [this](kaldorium::SamplingSettings &settings) {
        if (settings.antiAlias == kaldorium::AntiAliasKind::InvertingLowPass) {
            settings.invertingLowPass = analogueForm.InvertingLowPassComponents();
        } else {
            settings.nonInvertingLowPass = analogueForm.NonInvertingLowPassComponents();
        }
    };
    samplingForm.sendToWorkbench = [this](const QString &path, double frequency) {
        mainForm.UseDataFileWaveform(path, frequency);
    };
    QAction *item =
        mainForm.ToolsMenu->addAction(QStringLiteral("Sampling Lab"), &samplingForm, [this] {
            samplingForm.show();
            samplingForm.raise();
            samplingForm.activateWindow();
        });
    item->setObjectName(QStringLiteral("SamplingLabItem"));
}

void ProgramWindows::ConnectPoleZeroForm() {
    digitalForm.SetQuantisedSource(&quantised);
    digitalForm.SetPoleZeroForm(&poleZeroForm);
    poleZeroForm.SetQuantisedSource(&quantised);
    poleZeroForm.SetWorkbench([this] {
        const kaldorium::WorkbenchSettings &s = mainForm.Settings();
        PoleZeroWorkbench w;
        w.kind = mainForm.CurrentFilterKind();
        w.f0 = s.filterFrequency;
        w.q = s.qFactor;
        w.a0 = s.amplification;
        w.ts = s.samplingPeriod;
        w.oscillatorHz = s.frequency;
        w.name = s.filterName;
        return w;
    });
    QAction *item =
        mainForm.ToolsMenu->addAction(QStringLiteral("Poles and Zeros"), &poleZeroForm, [this] {
            // From the menu it stands on its own.
            if (poleZeroForm.parentWidget() != nullptr) {
                poleZeroForm.setParent(nullptr, poleZeroForm.windowFlags());
            }
            poleZeroForm.show();
            poleZeroForm.raise();
            poleZeroForm.activateWindow();
        });
    item->setObjectName(QStringLiteral("PoleZeroItem"));
}

void ProgramWindows::AddViewItems() {
    QAction *projector = mainForm.ViewMenu->addAction(QStringLiteral("Projector View"));
    projector->setObjectName(QStringLiteral("ProjectorView"));
    projector->setCheckable(true);
    projector->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    QObject::connect(projector, &QAction::toggled, [](bool on) { projector::SetEnabled(on); });
}
