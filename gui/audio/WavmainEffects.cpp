#include "audio/Wavmain.h"

// The file-to-file effects. Each runs as a block action (see TWAVMainForm::BlockAction); they
// are filled in by the effects work.

void TWAVMainForm::SpeedUpClick() {}

void TWAVMainForm::SlowDownClick() {}

void TWAVMainForm::ModifyFileClick() {}

void TWAVMainForm::FFT_FilteringClick() {}

void TWAVMainForm::FrequencyShifterClick() {}

void TWAVMainForm::FrequencyRotaterClick() {}

void TWAVMainForm::RobotClick() {}

void TWAVMainForm::RetardClick() {}
