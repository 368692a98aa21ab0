#pragma once

// The control finder moved into the window tests' driver; this name stays for older includes.
#include "tests/gui/FormDriver.h"
