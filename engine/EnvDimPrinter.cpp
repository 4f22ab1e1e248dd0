#include "engine/EnvDim.h"

#include "platform/Exception.h"

// Stands in until the printer object is linked in.
TEnvelopePrinter &DefaultEnvelopePrinter()
{
    throw Exception(QStringLiteral("No printer object is available."));
}
