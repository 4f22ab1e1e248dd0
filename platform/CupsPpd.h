#pragma once

#include "platform/Spooler.h"

#include <cups/cups.h>

// Replaces the lists of `caps` with the driver's own from the printer
// description (PPD) the scheduler keeps for a queue: papers, trays and
// resolutions under the driver's names, with the option keywords a job must
// carry. False, and `caps` unchanged, for a queue without one (driverless).
bool ReadPrinterDescription(const cups_dest_t &dest, PrinterCaps &caps);
// The same from a description in a file, with the given options marked on top; false for
// one that lists more page sizes than any driver has (over 1,000).
bool ReadPrinterDescriptionFile(const QString &fileName, int numOptions, cups_option_t *options,
                                PrinterCaps &caps);

// The media-source keyword the scheduler gives an InputSlot choice.
QString SourceForInputSlot(const QString &choice);
