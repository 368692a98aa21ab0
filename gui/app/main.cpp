#include "app/KaldoriumApplication.h"
#include "app/UiServices.h"
#include "audio/SoundPlayer.h"
#include "audio/Wavmain.h"
#include "spectrum/Dftmain.h"
#include "tools/Analoguefiltersmain.h"
#include "tools/Digitalfiltersdesign.h"
#include "tools/Fileedit.h"
#include "tools/Filternetwork.h"
#include "tools/Graph.h"
#include "workbench/Dspmain.h"

#include "common/Random.h"
#include "tools/FilterNetwork.h"

#include <exception>

namespace {

// The spectrum window created at start is never shown (the WAV workbench opens its own), so it
// is given a player that plays nothing.
class SilentPlayer : public SoundPlayer {
public:
    void PlayAsync(const QString &) override {}
    bool TryPlayAsync(const QString &) override { return true; }
    void StopAll() override {}
};

} // namespace

int main(int argc, char **argv) {
    QtUiServices services;
    KaldoriumApplication application(argc, argv, services);
    try {
        // Program-wide models, handed to the windows that use them.
        kaldorium::NoiseGenerator noise;
        kaldorium::FilterNetwork network;

        // The windows, created in this order; all live until the program ends.
        TDSPMainForm mainForm(services, noise, network);
        TGraphForm graphForm(services);
        TAnalogueFiltersForm analogueForm(services);
        TDigitalFiltersForm digitalForm(services);
        TFileEditForm fileEditForm(services);
        TFilterNetworkForm networkForm(services);
        TWAVMainForm wavForm(services);
        SilentPlayer silent;
        TDFTMainForm dftForm(services, silent, fileEditForm);

        mainForm.SetToolWindows(
            {&graphForm, &analogueForm, &digitalForm, &fileEditForm, &networkForm, &wavForm});
        mainForm.show();
        return application.exec();
    } catch (const std::exception &e) {
        services.ShowError(nullptr, QString::fromStdString(e.what()));
    }
    return 1;
}
