#include "engine/EnvDocument.h"

#include "engine/QmStream.h"

namespace {

std::optional<TEnvelopeDocument> ReadFrom(TCompositeFileStream &Stream)
{
    if (!Stream.IsValidFile())
        return std::nullopt;
    TEnvelopeDocument doc;
    while (!Stream.EndOfFile()) {
        const QString block = Stream.ReadBlockHeader();
        if (block == QLatin1String("Destination"))
            doc.Destination = Stream.ReadBlock();
        else if (block == QLatin1String("Attention"))
            doc.Attention = Stream.ReadBlock();
        else if (block == QLatin1String("Envelope"))
            doc.Envelope = Stream.ReadLine();
        else if (block == QLatin1String("ReturnAddress"))
            doc.ReturnAddress = Stream.ReadLine();
        else
            doc.Unknown = true; // its bytes are skipped with the next header
    }
    return doc;
}

} // namespace

std::optional<TEnvelopeDocument> ReadEnvelopeDocument(const QString &FileName)
{
    TCompositeStampFileStream stream(FileName, TCompositeFileMode::fmOpenRead);
    return ReadFrom(stream);
}

std::optional<TEnvelopeDocument> ReadEnvelopeDocument(QIODevice &Device, const QString &DisplayName)
{
    TCompositeStampFileStream stream(Device, TCompositeFileMode::fmOpenRead, DisplayName);
    return ReadFrom(stream);
}

void WriteEnvelopeDocument(const QString &FileName, const TEnvelopeDocument &Document)
{
    TCompositeStampFileStream stream(FileName, TCompositeFileMode::fmCreate);
    stream.WriteFileHeader();
    if (Document.Destination)
        stream.WriteBlock(QStringLiteral("Destination"), *Document.Destination);
    if (Document.Attention)
        stream.WriteBlock(QStringLiteral("Attention"), *Document.Attention);
    if (Document.Envelope) {
        stream.WriteBlockHeader(QStringLiteral("Envelope"), 0);
        stream.WriteLine(*Document.Envelope);
    }
    if (Document.ReturnAddress) {
        stream.WriteBlockHeader(QStringLiteral("ReturnAddress"), 0);
        stream.WriteLine(*Document.ReturnAddress);
    }
    stream.Commit();
}
