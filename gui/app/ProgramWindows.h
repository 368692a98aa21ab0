#pragma once

#include "core/common/Random.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/FixedPoint.h"
#include "gui/app/LessonController.h"
#include "gui/audio/Wavmain.h"
#include "gui/services/DataFileEditor.h"
#include "gui/services/DeferredWindow.h"
#include "gui/services/HelpWindow.h"
#include "gui/services/Media.h"
#include "gui/spectrum/Dftmain.h"
#include "gui/tools/Analoguefiltersmain.h"
#include "gui/tools/Digitalfiltersdesign.h"
#include "gui/tools/Fileedit.h"
#include "gui/tools/Filternetwork.h"
#include "gui/tools/Graph.h"
#include "gui/tools/Polezero.h"
#include "gui/tools/Samplinglab.h"
#include "gui/workbench/Dspmain.h"

class UiServices;

// The program-wide models and every window, wired to each other; all live as long as this
// object. The models and the workbench are made at start; every other window is built the first
// time it is opened or looked into (Get), and then stays.
struct ProgramWindows {
    explicit ProgramWindows(UiServices &services);

    // Every window, the workbench first; the ones not built yet are built.
    QList<QWidget *> AllWindows();

    UiServices &services;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    // The program's one coefficient set of the designed filter.
    kaldorium::DigitalFilterDesign design;
    // The set as the workbench runs it: rounded to the designer's coefficient bits.
    kaldorium::QuantisedFilterSource quantised{design};
    // Sound loads its libraries when the first sound plays.
    DeferredSoundPlayer player;
    // The live sound of real-time runs, shared by the two workbenches.
    DeferredAudioStream audio;

    TDSPMainForm mainForm;
    DeferredWindow<TGraphForm> graphForm;
    DeferredWindow<TAnalogueFiltersForm> analogueForm;
    DeferredWindow<TDigitalFiltersForm> digitalForm;
    DeferredWindow<TFileEditForm> fileEditForm;
    DeferredWindow<TFilterNetworkForm> networkForm;
    DeferredWindow<TWAVMainForm> wavForm;
    DeferredWindow<TDFTMainForm> dftForm;
    DeferredWindow<TSamplingForm> samplingForm;
    DeferredWindow<TPoleZeroForm> poleZeroForm;
    // The data file editor for the windows that open files in it, built when first used.
    class EditorOnDemand : public DataFileEditor {
    public:
        explicit EditorOnDemand(DeferredWindow<TFileEditForm> &form_) : form(form_) {}
        QString EditFile(const QString &name) override { return form.Get().EditFile(name); }

    private:
        DeferredWindow<TFileEditForm> &form;
    } editor{fileEditForm};
    // The File menu's lesson items and the lesson pane, over all the windows above.
    LessonController lessons;
    // The user guide; F1 in any window opens its page.
    HelpWindow help;

private:
    // What each window is given when it is built.
    void WireDigitalForm(TDigitalFiltersForm &form);
    void WirePoleZeroForm(TPoleZeroForm &form);
    void WireSamplingForm(TSamplingForm &form);
    // The Tools menu's items of the windows the workbench does not open itself.
    void AddToolItems();
    // The View menu's items on the main window: the projector view of every plot.
    void AddViewItems();
};
