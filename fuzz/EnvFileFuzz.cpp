// Reads arbitrary bytes as an envelope file the way the main window does.
#include "engine/EnvDocument.h"
#include "engine/QmStream.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    try {
        (void)ReadEnvelopeDocument(device, QStringLiteral("fuzz.env"));
    } catch (const ECompositeFileError &) {
    }
    return 0;
}
