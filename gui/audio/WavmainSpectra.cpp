#include "audio/Wavmain.h"

// The spectra of the files, the averaged spectra of input and filtered input, and the exports.
// Each runs as a block action (see TWAVMainForm::BlockAction); they are filled in by the spectra
// and exports work.

void TWAVMainForm::DFT_InputClick() {}

void TWAVMainForm::FFT_InputClick() {}

void TWAVMainForm::DFT_OutputClick() {}

void TWAVMainForm::FFT_OutputClick() {}

void TWAVMainForm::fDFTClick() {}

void TWAVMainForm::fFFTClick() {}

void TWAVMainForm::CopyInputFileClick() {}

void TWAVMainForm::CopyDataClick() {}
