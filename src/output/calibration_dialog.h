// The command "Print calibration...": the dialog "PRINTCALIBRATION" for the
// printer chosen in the print dialog (the default printer until one is
// chosen), which shows, checks and saves that printer's calibration and
// prints the test sheet.
#ifndef SCRIVELANDER_CALIBRATION_DIALOG_H
#define SCRIVELANDER_CALIBRATION_DIALOG_H

void OnPrintCalibration();

#endif
