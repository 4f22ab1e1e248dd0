// A stored printer-setup block: any bytes, made to pass the record's own size
// and signature checks, merged over a printer's defaults and turned into the
// page geometry and job options.
#include "platform/CupsSpooler.h"
#include "platform/DevMode.h"
#include "platform/Spooler.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

PrinterCaps FuzzCaps()
{
    PrinterCaps caps;
    const char *media[] = {"na_letter_8.5x11in", "na_number-10_4.125x9.5in", "om_odd_123x45mm", "x"};
    for (const char *m : media) {
        SpoolerPaper p;
        p.keyword = QString::fromLatin1(m);
        p.width = 10000;
        p.length = 20000;
        p.left = p.top = p.right = p.bottom = 500;
        caps.papers.append(p);
    }
    caps.bins = {SpoolerBin{0, QStringLiteral("top"), {}}, SpoolerBin{0, QStringLiteral("tray-9"), {}}};
    caps.resolutions = {{300, 300}, {1200, 600}};
    caps.qualities = {DMRES_DRAFT};
    caps.color = caps.duplex = true;
    NumberPapersAndBins(caps);
    return caps;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const PrinterCaps caps = FuzzCaps();
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    DevMode stored;
    if (!stored.FromBytes(bytes)) {
        // Give the fields a chance: keep the bytes, fix the signature.
        bytes = bytes.leftJustified(DevMode::TotalSize, '\0', true);
        const DevMode blank;
        std::memcpy(bytes.data() + DevMode::OffSize, blank.Data() + DevMode::OffSize, 4);
        std::memcpy(bytes.data() + DevMode::OffMagic, blank.Data() + DevMode::OffMagic, 10);
        if (!stored.FromBytes(bytes))
            return 0;
    }
    DevMode current;
    FillDefaultDevMode(QStringLiteral("Fuzz"), caps, current);
    MergeDevModeWithCaps(caps, stored, current);
    const DeviceValues values = DeviceValuesFor(GeometryFor(caps, current));
    (void)values;
    (void)DeviceValuesFor(GeometryFor(caps, stored));
    (void)CupsSpooler::JobOptions(caps, stored);
    (void)stored.DeviceName();
    (void)stored.MediaKeyword();
    return 0;
}
