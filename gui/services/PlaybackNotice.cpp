#include "gui/services/PlaybackNotice.h"

#include "gui/services/SoundPlayer.h"
#include "gui/services/UiServices.h"

bool PlaybackNotice::Check(const SoundPlayer &player, UiServices &services, QWidget *parent) {
    const QString problem = player.PlaybackError();
    if (problem.isEmpty()) {
        return false;
    }
    if (!told.contains(problem)) {
        told.append(problem);
        services.Message(parent, QMessageBox::Information, QStringLiteral("KALDOR Information"),
                         problem, QMessageBox::Ok);
    }
    return true;
}
