#pragma once

// The envelope document file: a signature line, a warning line, then named blocks,
// each a "[Name=Size]" header line followed by Size raw bytes (or, for a block of
// size 0, by one text line by the block's convention). Lines end in CR LF.

#include "platform/Exception.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QIODevice;

// Every failure of an envelope file: cannot open or create, damaged contents, write error.
class ECompositeFileError : public Exception
{
public:
    using Exception::Exception;
};

enum class TCompositeFileMode {
    fmOpenRead, // read an existing file
    fmCreate    // write a new file; it replaces the old one only on Commit()
};

class TCompositeFileStream
{
public:
    // Longest line accepted; a longer one means the file is not what it claims to be.
    static constexpr qint64 MaxLineLength = 65536;

    TCompositeFileStream(const QString &FileName, TCompositeFileMode Mode);
    // Works on an open device that the caller keeps (tests, fuzzing).
    TCompositeFileStream(QIODevice &Device, TCompositeFileMode Mode, const QString &DisplayName = QString());
    virtual ~TCompositeFileStream();

    TCompositeFileStream(const TCompositeFileStream &) = delete;
    TCompositeFileStream &operator=(const TCompositeFileStream &) = delete;

    virtual QString GetSignature() const = 0;

    QString FileName() const { return m_fileName; }
    qint64 Position() const;
    qint64 Size() const;
    int PendingSize() const { return m_pendingSize; }

    bool IsValidFile();
    // After IsValidFile found no signature: the file ended inside its first line,
    // and all it holds is the start of the signature (nothing at all included).
    bool EndsInsideSignature() const { return m_endsInsideSignature; }
    bool EndOfFile() const;

    // One line: CR LF ends it, a lone CR or LF is dropped. UTF-8 when valid, else Windows-1252.
    QString ReadLine();
    QByteArray ReadRawLine();
    // Whether the last line read (a header included) ended with CR LF rather than
    // with the file.
    bool LineEnded() const { return m_lineEnded; }

    // Reads the next header; unread bytes of the previous block are skipped first.
    // A header whose size is no number gives an empty name and size 0 (an unknown
    // block); any other malformed or an oversized header throws ECompositeFileError.
    QString ReadBlockHeader();
    void ReadBlock(QIODevice &Dest);
    QByteArray ReadBlock();
    void SkipBlock();

    void WriteFileHeader();
    void WriteBlockHeader(const QString &Name, qint64 Size);
    void WriteBlock(const QString &Name, QByteArrayView Data);
    // Writes the whole of Source, from its start.
    void WriteBlock(const QString &Name, QIODevice &Source);
    // CR and LF inside S become spaces, so the text stays one line.
    void WriteLine(const QString &S);

    // Puts a file opened with fmCreate in place of the old one; until then nothing on disk changes.
    void Commit();

    // Throws "The file "x" is damaged: <Why>."
    [[noreturn]] void Damaged(const QString &Why) const;

private:
    [[noreturn]] void ReadFailed() const;
    [[noreturn]] void WriteFailed() const;
    bool ReadLineBytes(QByteArray &Line, qint64 Limit);
    void WriteBytes(QByteArrayView Bytes);
    void RequireWritable() const;
    void RequireReadable() const;

    QString m_fileName;
    std::unique_ptr<QIODevice> m_file;
    QIODevice *m_device = nullptr;
    bool m_writing = false;
    bool m_committed = false;
    int m_pendingSize = 0;
    bool m_lineEnded = false;
    bool m_endsInsideSignature = false;
};

class TCompositeStampFileStream : public TCompositeFileStream
{
public:
    using TCompositeFileStream::TCompositeFileStream;
    QString GetSignature() const override;
};
