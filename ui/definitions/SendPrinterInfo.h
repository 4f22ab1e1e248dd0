#pragma once

// The Send button of the definitions manager: a local web page that carries the
// envelope definitions as hidden form inputs, opened in the browser. The
// program sends nothing itself; the page's form belongs to the template beside
// the program.

#include "engine/DescribedList.h"
#include "engine/EnvDim.h"

#include <QString>
#include <QStringList>

// Appends <input type="hidden" name="Name" value="Value"> to Inputs, both escaped
// for HTML.
void AddHiddenInput(QString &Inputs, const QString &Name, const QString &Value);

// The hidden inputs of the definitions as they are now, edits not yet saved included.
QString PrinterInfoInputs(const TDescribedList<TEnvelopeData> &List);

// Each template line with its first "xxxxx" replaced by Inputs.
QStringList FillPrinterInfoTemplate(const QStringList &Lines, const QString &Inputs);

// Fills the template "sendprinterinfo.htm" beside the program and writes the page
// into a private folder of this user; returns the page's path. Throws Exception
// with the reason when the template cannot be read or the page written.
QString WritePrinterInfoPage(const QString &Inputs);

// The button's work: the page of the definitions, opened as a file URL through
// the URL opener.
void SendPrinterInfo(const TDescribedList<TEnvelopeData> &List);
