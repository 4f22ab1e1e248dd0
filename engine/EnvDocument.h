#pragma once

// An envelope document (.env) as a plain value: what the main window shows of it,
// read from and written to the block file of QmStream.

#include <QByteArray>
#include <QString>

#include <optional>

class QIODevice;

struct TEnvelopeDocument
{
    // The texts as rich text, as the file keeps them.
    std::optional<QByteArray> Destination;
    std::optional<QByteArray> Attention;
    // The names of the envelope definition and return address.
    std::optional<QString> Envelope;
    std::optional<QString> ReturnAddress;
    // Read only: the file held blocks of some other kind (they are skipped).
    bool Unknown = false;
};

// The whole document, or nothing when the file is not an envelope document (no
// signature). A damaged file throws ECompositeFileError before anything is returned.
std::optional<TEnvelopeDocument> ReadEnvelopeDocument(const QString &FileName);
std::optional<TEnvelopeDocument> ReadEnvelopeDocument(QIODevice &Device,
                                                      const QString &DisplayName = QString());

// Writes the blocks present, through a temporary file; throws ECompositeFileError.
void WriteEnvelopeDocument(const QString &FileName, const TEnvelopeDocument &Document);
