#include "engine/EnvDocument.h"

#include "engine/QmStream.h"

namespace {

// A document cut short must not pass for a whole one: every line of a document
// ends with CR LF, and it holds at least one block.
std::optional<TEnvelopeDocument> ReadFrom(TCompositeFileStream &Stream)
{
    if (!Stream.IsValidFile()) {
        if (Stream.EndsInsideSignature())
            Stream.Damaged(QStringLiteral("it ends inside its first line"));
        return std::nullopt;
    }
    const auto nameLine = [&Stream](const QString &block) {
        QString line = Stream.ReadLine();
        if (!Stream.LineEnded())
            Stream.Damaged(QStringLiteral("it ends inside block \"%1\"").arg(block));
        return line;
    };
    TEnvelopeDocument doc;
    bool anyBlock = false;
    while (!Stream.EndOfFile()) {
        const QString block = Stream.ReadBlockHeader();
        if (!Stream.LineEnded())
            Stream.Damaged(QStringLiteral("it ends inside a block header"));
        anyBlock = true;
        if (block == QLatin1String("Destination"))
            doc.Destination = Stream.ReadBlock();
        else if (block == QLatin1String("Attention"))
            doc.Attention = Stream.ReadBlock();
        else if (block == QLatin1String("Envelope"))
            doc.Envelope = nameLine(block);
        else if (block == QLatin1String("ReturnAddress"))
            doc.ReturnAddress = nameLine(block);
        else {
            doc.Unknown = true;
            Stream.SkipBlock(); // now, so that the end of the file is seen after it
        }
    }
    if (!anyBlock)
        Stream.Damaged(QStringLiteral("it ends before its first block"));
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
