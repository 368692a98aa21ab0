#pragma once

#include "core/common/Random.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"
#include "core/tools/FixedPoint.h"
#include "gui/app/LessonController.h"
#include "gui/audio/Wavmain.h"
#include "gui/services/HelpWindow.h"
#include "gui/services/QtAudioStream.h"
#include "gui/services/QtSoundPlayer.h"
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

// The program-wide models and every window, created in this order and wired to each other; all
// live as long as this object.
struct ProgramWindows {
    explicit ProgramWindows(UiServices &services);
    // The pole-zero window's sources and its item in the Tools menu.
    void ConnectPoleZeroForm();

    // Every window above, the workbench first.
    QList<QWidget *> AllWindows();

    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    // The program's one coefficient set of the designed filter.
    kaldorium::DigitalFilterDesign design;
    // The set as the workbench runs it: rounded to the designer's coefficient bits.
    kaldorium::QuantisedFilterSource quantised{design};
    QtSoundPlayer player;
    // The live sound of real-time runs, shared by the two workbenches.
    QtAudioStream audio;

    TDSPMainForm mainForm;
    TGraphForm graphForm;
    TAnalogueFiltersForm analogueForm;
    TDigitalFiltersForm digitalForm;
    TFileEditForm fileEditForm;
    TFilterNetworkForm networkForm;
    TWAVMainForm wavForm;
    TDFTMainForm dftForm;
    TSamplingForm samplingForm;
    TPoleZeroForm poleZeroForm;
    // The File menu's lesson items and the lesson pane, over all the windows above.
    LessonController lessons;
    // The user guide; F1 in any window opens its page.
    HelpWindow help;

private:
    // The sampling lab: its Tools item and what it takes from the calculator and the workbench.
    void AddSamplingLab();
    // The View menu's items on the main window: the projector view of every plot.
    void AddViewItems();
};
