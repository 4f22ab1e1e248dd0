// Reads arbitrary bytes as an envelope file the way the main window does.
#include "engine/QmStream.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    TCompositeStampFileStream stream(device, TCompositeFileMode::fmOpenRead, QStringLiteral("fuzz.env"));
    try {
        if (!stream.IsValidFile())
            return 0;
        while (!stream.EndOfFile()) {
            const QString name = stream.ReadBlockHeader();
            if (name == QLatin1String("Destination") || name == QLatin1String("Attention")) {
                QBuffer dest;
                dest.open(QIODevice::WriteOnly);
                stream.ReadBlock(dest);
            } else if (name == QLatin1String("Envelope") || name == QLatin1String("ReturnAddress")) {
                (void)stream.ReadLine();
            }
        }
    } catch (const ECompositeFileError &) {
    }
    return 0;
}
