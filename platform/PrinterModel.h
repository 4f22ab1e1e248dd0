#pragma once

#include <QString>

// The print system's make and model text of a printer queue ("printer-make-and-model"),
// empty for a printer the print system does not know (the built-in PDF printer).
QString PrinterMakeAndModel(const QString &printer);
