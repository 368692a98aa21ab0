#pragma once

// Inside the pole-zero window's own sources only (see Polezero.h).

#include "core/tools/DesignSections.h"
#include "core/tools/PoleZero.h"
#include "gui/tools/Polezero.h"

struct TPoleZeroForm::Roots {
    kaldorium::DesignEditor editor;
    kaldorium::PoleZeroMap map;
    kaldorium::PoleZeroMap quantisedMap;
    kaldorium::RootHandle dragged;
};
