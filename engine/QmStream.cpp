#include "engine/QmStream.h"

#include "platform/AtomicSave.h"
#include "platform/RegularFile.h"
#include "platform/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace {

const char *const WarningLine = "*** DO NOT TRY TO EDIT THIS FILE!!! ***";
const QByteArrayView LineEnd("\r\n", 2);

// Files from Windows hold the ANSI code page; ours hold UTF-8.
QString DecodeText(const QByteArray &Bytes)
{
    return DecodeUtf8OrWindows1252(Bytes);
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

TCompositeFileStream::TCompositeFileStream(const QString &FileName, TCompositeFileMode Mode)
    : m_fileName(FileName), m_writing(Mode == TCompositeFileMode::fmCreate)
{
    if (m_writing) {
        auto file = std::make_unique<AtomicSaveFile>(FileName);
        if (!file->open(QIODevice::WriteOnly))
            throw ECompositeFileError(file->errorString());
        m_file = std::move(file);
    } else {
        // A folder, pipe or device would hang the reader or never end.
        auto file = std::make_unique<QFile>(FileName);
        QString error;
        if (!OpenRegularFile(*file, kMaxDocumentBytes, error))
            throw ECompositeFileError(error);
        m_file = std::move(file);
    }
    m_device = m_file.get();
}

TCompositeFileStream::TCompositeFileStream(QIODevice &Device, TCompositeFileMode Mode,
                                           const QString &DisplayName)
    : m_fileName(DisplayName), m_device(&Device), m_writing(Mode == TCompositeFileMode::fmCreate)
{}

// An uncommitted save discards its temporary file, leaving the old file as it was.
TCompositeFileStream::~TCompositeFileStream() = default;

qint64 TCompositeFileStream::Position() const
{
    return m_device->pos();
}

qint64 TCompositeFileStream::Size() const
{
    return m_device->size();
}

void TCompositeFileStream::Damaged(const QString &Why) const
{
    throw ECompositeFileError(QStringLiteral("The file \"%1\" is damaged: %2.").arg(m_fileName, Why));
}

void TCompositeFileStream::ReadFailed() const
{
    const QString why = m_device->errorString();
    throw ECompositeFileError(QStringLiteral("Cannot read file \"%1\". %2").arg(m_fileName, why));
}

void TCompositeFileStream::WriteFailed() const
{
    // The save helper says why in words; other devices give their own reason.
    if (dynamic_cast<const AtomicSaveFile *>(m_device))
        throw ECompositeFileError(m_device->errorString());
    throw ECompositeFileError(
        QStringLiteral("Cannot write to file \"%1\". %2").arg(m_fileName, m_device->errorString()));
}

void TCompositeFileStream::RequireReadable() const
{
    if (m_writing || !m_device->isReadable())
        throw ECompositeFileError(QStringLiteral("File \"%1\" is not open for reading.").arg(m_fileName));
}

void TCompositeFileStream::RequireWritable() const
{
    if (!m_writing || !m_device->isWritable() || m_committed)
        throw ECompositeFileError(QStringLiteral("File \"%1\" is not open for writing.").arg(m_fileName));
}

bool TCompositeFileStream::ReadLineBytes(QByteArray &Line, qint64 Limit)
{
    RequireReadable();
    Line.clear();
    m_lineEnded = false;
    bool afterCr = false;
    char c;
    while (m_device->getChar(&c)) {
        if (c == '\r') {
            afterCr = true;
        } else if (c == '\n') {
            if (afterCr) {
                m_lineEnded = true;
                return true;
            }
        } else {
            afterCr = false;
            if (Line.size() >= Limit)
                return false;
            Line.append(c);
        }
    }
    if (!m_device->atEnd())
        ReadFailed();
    return true;
}

QByteArray TCompositeFileStream::ReadRawLine()
{
    QByteArray line;
    if (!ReadLineBytes(line, MaxLineLength))
        Damaged(QStringLiteral("a line is longer than %1 bytes").arg(MaxLineLength));
    return line;
}

QString TCompositeFileStream::ReadLine()
{
    return DecodeText(ReadRawLine());
}

bool TCompositeFileStream::IsValidFile()
{
    RequireReadable();
    m_pendingSize = 0;
    if (!m_device->seek(0))
        ReadFailed();
    m_endsInsideSignature = false;
    QByteArray first;
    const QByteArray signature = GetSignature().toLatin1();
    // A text file with one endless line is simply not ours.
    if (!ReadLineBytes(first, MaxLineLength) || first != signature) {
        m_endsInsideSignature =
            !m_lineEnded && first.size() < signature.size() && signature.startsWith(first);
        return false;
    }
    ReadRawLine(); // the warning line, whatever it holds
    return true;
}

bool TCompositeFileStream::EndOfFile() const
{
    return Position() >= Size();
}

QString TCompositeFileStream::ReadBlockHeader()
{
    // Unread data of the previous block is never taken for headers.
    SkipBlock();
    QByteArray line;
    if (!ReadLineBytes(line, MaxLineLength))
        Damaged(QStringLiteral("a block header is longer than %1 bytes").arg(MaxLineLength));
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return DecodeText(line); // a line of its own: an unknown block of size 0

    if (!line.startsWith('['))
        Damaged(QStringLiteral("a block header does not begin with \"[\""));
    if (!line.endsWith(']') || line.size() < eq + 2)
        Damaged(QStringLiteral("a block header has no closing \"]\""));
    const QString name = DecodeText(line.mid(1, eq - 1));
    const QByteArray sizeText = line.mid(eq + 1, line.size() - eq - 2);
    // A size that is no number at all makes the header an unknown block of no
    // size, for the caller to report and read past; a signed one is damage.
    const bool signedNumber = (sizeText.startsWith('-') || sizeText.startsWith('+')) && sizeText.size() > 1
                              && std::all_of(sizeText.begin() + 1, sizeText.end(), IsAsciiDigit);
    if (signedNumber)
        Damaged(QStringLiteral("the size of block \"%1\" is not a number").arg(name));
    if (sizeText.isEmpty() || !std::all_of(sizeText.begin(), sizeText.end(), IsAsciiDigit))
        return QString();
    qint64 size = 0;
    for (char c : sizeText) {
        size = size * 10 + (c - '0');
        if (size > std::numeric_limits<qint32>::max())
            Damaged(QStringLiteral("the size of block \"%1\" is too large").arg(name));
    }
    const qint64 left = Size() - Position();
    if (size > left)
        Damaged(QStringLiteral("block \"%1\" needs %2 bytes, but only %3 are left")
                    .arg(name)
                    .arg(size)
                    .arg(left));
    m_pendingSize = static_cast<int>(size);
    return name;
}

void TCompositeFileStream::ReadBlock(QIODevice &Dest)
{
    RequireReadable();
    qint64 left = m_pendingSize;
    m_pendingSize = 0;
    char buffer[65536];
    while (left > 0) {
        const qint64 chunk = std::min<qint64>(left, sizeof buffer);
        if (m_device->read(buffer, chunk) != chunk)
            Damaged(QStringLiteral("the file ends inside a block"));
        if (Dest.write(buffer, chunk) != chunk)
            throw ECompositeFileError(
                QStringLiteral("Cannot copy data from file \"%1\". %2").arg(m_fileName, Dest.errorString()));
        left -= chunk;
    }
}

QByteArray TCompositeFileStream::ReadBlock()
{
    RequireReadable();
    const qint64 size = m_pendingSize;
    m_pendingSize = 0;
    if (size <= 0)
        return {};
    // The header check bounded size by the bytes left in the file.
    QByteArray data = m_device->read(size);
    if (data.size() != size)
        Damaged(QStringLiteral("the file ends inside a block"));
    return data;
}

void TCompositeFileStream::SkipBlock()
{
    RequireReadable();
    const qint64 size = m_pendingSize;
    m_pendingSize = 0;
    if (size <= 0)
        return;
    const qint64 target = Position() + size;
    if (target > Size())
        Damaged(QStringLiteral("the file ends inside a block"));
    if (!m_device->seek(target))
        ReadFailed();
}

void TCompositeFileStream::WriteBytes(QByteArrayView Bytes)
{
    RequireWritable();
    if (Bytes.isEmpty())
        return;
    if (m_device->write(Bytes.data(), Bytes.size()) != Bytes.size())
        WriteFailed();
}

void TCompositeFileStream::WriteFileHeader()
{
    RequireWritable();
    if (!m_device->seek(0))
        WriteFailed();
    WriteBytes(GetSignature().toLatin1());
    WriteBytes(LineEnd);
    WriteBytes(WarningLine);
    WriteBytes(LineEnd);
}

void TCompositeFileStream::WriteBlockHeader(const QString &Name, qint64 Size)
{
    if (Size < 0 || Size > std::numeric_limits<qint32>::max())
        throw ECompositeFileError(
            QStringLiteral("Block \"%1\" is too large to be saved (%2 bytes).").arg(Name).arg(Size));
    QByteArray line;
    line += '[';
    line += Name.toUtf8();
    line += '=';
    line += QByteArray::number(Size);
    line += ']';
    line += LineEnd;
    WriteBytes(line);
}

void TCompositeFileStream::WriteBlock(const QString &Name, QByteArrayView Data)
{
    WriteBlockHeader(Name, Data.size());
    WriteBytes(Data);
}

void TCompositeFileStream::WriteBlock(const QString &Name, QIODevice &Source)
{
    RequireWritable();
    if (!Source.isSequential()) {
        if (Source.size() > std::numeric_limits<qint32>::max())
            throw ECompositeFileError(QStringLiteral("Block \"%1\" is too large to be saved (%2 bytes).")
                                          .arg(Name)
                                          .arg(Source.size()));
        if (!Source.seek(0))
            throw ECompositeFileError(
                QStringLiteral("Cannot read the data of block \"%1\". %2").arg(Name, Source.errorString()));
    }
    const QByteArray data = Source.readAll();
    if (!Source.isSequential() && data.size() != Source.size())
        throw ECompositeFileError(
            QStringLiteral("Cannot read the data of block \"%1\". %2").arg(Name, Source.errorString()));
    WriteBlock(Name, data);
}

void TCompositeFileStream::WriteLine(const QString &S)
{
    // UTF-8 never uses the bytes 13 and 10 inside a character.
    QByteArray bytes = S.toUtf8();
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    bytes += LineEnd;
    WriteBytes(bytes);
}

void TCompositeFileStream::Commit()
{
    RequireWritable();
    m_committed = true;
    if (auto *save = dynamic_cast<AtomicSaveFile *>(m_file.get())) {
        if (!save->commit())
            throw ECompositeFileError(save->errorString());
    }
}

QString TCompositeStampFileStream::GetSignature() const
{
    return QStringLiteral("[Morvane_Software_Plikora_Envelope]");
}
