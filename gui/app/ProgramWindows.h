#pragma once

#include "audio/QtSoundPlayer.h"
#include "audio/Wavmain.h"
#include "common/Random.h"
#include "spectrum/Dftmain.h"
#include "tools/Analoguefiltersmain.h"
#include "tools/DigitalFilterDesign.h"
#include "tools/Digitalfiltersdesign.h"
#include "tools/Fileedit.h"
#include "tools/FilterNetwork.h"
#include "tools/Filternetwork.h"
#include "tools/Graph.h"
#include "workbench/Dspmain.h"

class UiServices;

// The program-wide models and every window, created in this order and wired to each other; all
// live as long as this object.
struct ProgramWindows {
    explicit ProgramWindows(UiServices &services);

    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    // The program's one coefficient set of the designed filter.
    kaldorium::DigitalFilterDesign design;
    QtSoundPlayer player;

    TDSPMainForm mainForm;
    TGraphForm graphForm;
    TAnalogueFiltersForm analogueForm;
    TDigitalFiltersForm digitalForm;
    TFileEditForm fileEditForm;
    TFilterNetworkForm networkForm;
    TWAVMainForm wavForm;
    TDFTMainForm dftForm;
};
