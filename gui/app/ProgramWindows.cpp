#include "app/ProgramWindows.h"

ProgramWindows::ProgramWindows(UiServices &services)
    : mainForm(services, noise, network, &design), graphForm(services, design, network),
      analogueForm(services, graphForm), digitalForm(services, design), fileEditForm(services),
      networkForm(services, network),
      wavForm(services, player, noise, network, design, fileEditForm, &networkForm),
      dftForm(services, player, fileEditForm) {
    design.SetWorkbench(&mainForm);
    mainForm.SetToolWindows(
        {&graphForm, &analogueForm, &digitalForm, &fileEditForm, &networkForm, &wavForm});
}
