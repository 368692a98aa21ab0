#include "app/KaldoriumApplication.h"
#include "app/UiServices.h"
#include "audio/Wavmain.h"
#include "spectrum/Dftmain.h"
#include "tools/Analoguefiltersmain.h"
#include "tools/Digitalfiltersdesign.h"
#include "tools/Fileedit.h"
#include "tools/Filternetwork.h"
#include "tools/Graph.h"
#include "workbench/Dspmain.h"

#include "common/Random.h"
#include "signal/DesignedFilterSource.h"
#include "tools/FilterNetwork.h"

#include <exception>

int main(int argc, char **argv) {
    QtUiServices services;
    KaldoriumApplication application(argc, argv, services);
    try {
        // Program-wide models, handed to the windows that use them.
        kaldorium::NoiseGenerator noise;
        kaldorium::FilterNetwork network;
        kaldorium::DefaultDesignedFilterSource designedFilter;

        // The windows, created in this order; all live until the program ends.
        TDSPMainForm mainForm(services, noise, network, &designedFilter);
        TGraphForm graphForm(services, designedFilter, network);
        TAnalogueFiltersForm analogueForm(services);
        TDigitalFiltersForm digitalForm(services);
        TFileEditForm fileEditForm(services);
        TFilterNetworkForm networkForm(services);
        TWAVMainForm wavForm(services);
        TDFTMainForm dftForm(services);

        mainForm.SetToolWindows(
            {&graphForm, &analogueForm, &digitalForm, &fileEditForm, &networkForm, &wavForm});
        mainForm.show();
        return application.exec();
    } catch (const std::exception &e) {
        services.ShowError(nullptr, QString::fromStdString(e.what()));
    }
    return 1;
}
