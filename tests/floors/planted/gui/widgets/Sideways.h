#pragma once

// The floor check must refuse this too: the shared widgets reaching up to a window.
#include "gui/workbench/Dspmain.h"
