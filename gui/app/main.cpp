#include "app/KaldoriumApplication.h"
#include "app/UiServices.h"
#include "audio/QtSoundPlayer.h"
#include "audio/Wavmain.h"
#include "spectrum/Dftmain.h"
#include "tools/Analoguefiltersmain.h"
#include "tools/Digitalfiltersdesign.h"
#include "tools/Fileedit.h"
#include "tools/Filternetwork.h"
#include "tools/Graph.h"
#include "workbench/Dspmain.h"

#include "common/Random.h"
#include "tools/DigitalFilterDesign.h"
#include "tools/FilterNetwork.h"

#include <exception>

int main(int argc, char **argv) {
    QtUiServices services;
    KaldoriumApplication application(argc, argv, services);
    try {
        // Program-wide models, handed to the windows that use them.
        kaldorium::NoiseGenerator noise;
        kaldorium::FilterNetwork network;
        // The program's one coefficient set of the designed filter.
        kaldorium::DigitalFilterDesign design;
        QtSoundPlayer player;

        // The windows, created in this order; all live until the program ends.
        TDSPMainForm mainForm(services, noise, network, &design);
        design.SetWorkbench(&mainForm);
        TGraphForm graphForm(services, design, network);
        TAnalogueFiltersForm analogueForm(services, graphForm);
        TDigitalFiltersForm digitalForm(services, design);
        TFileEditForm fileEditForm(services);
        TFilterNetworkForm networkForm(services, network);
        TWAVMainForm wavForm(services, player, noise, network, design, fileEditForm, &networkForm);
        TDFTMainForm dftForm(services, player, fileEditForm);

        mainForm.SetToolWindows(
            {&graphForm, &analogueForm, &digitalForm, &fileEditForm, &networkForm, &wavForm});
        mainForm.show();
        return application.exec();
    } catch (const std::exception &e) {
        services.ShowError(nullptr, QString::fromStdString(e.what()));
    }
    return 1;
}
