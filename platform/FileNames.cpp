#include "platform/FileNames.h"

#include <QUrl>

namespace {

constexpr char16_t kRawByteBase = 0xDC00;

bool IsRawByte(char16_t c)
{
    return c >= kRawByteBase + 0x80 && c <= kRawByteBase + 0xFF;
}

// The length of the well-formed UTF-8 character at i, or 0.
int Utf8CharLength(const QByteArray &b, qsizetype i, char32_t &code)
{
    const auto at = [&b](qsizetype k) { return static_cast<unsigned char>(b[k]); };
    const unsigned char c = at(i);
    if (c < 0x80) {
        code = c;
        return 1;
    }
    int length = 0;
    char32_t min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        code = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        code = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        code = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > b.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (at(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode are not UTF-8.
    if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

QString DecodeFileName(const QByteArray &Bytes)
{
    QString name;
    name.reserve(Bytes.size());
    for (qsizetype i = 0; i < Bytes.size();) {
        char32_t code = 0;
        const int length = Utf8CharLength(Bytes, i, code);
        if (length == 0) {
            name.append(QChar(char16_t(kRawByteBase + static_cast<unsigned char>(Bytes[i]))));
            ++i;
            continue;
        }
        const char32_t units[] = {code};
        name.append(QString::fromUcs4(units, 1));
        i += length;
    }
    return name;
}

QByteArray EncodeFileName(const QString &Name)
{
    QByteArray bytes;
    bytes.reserve(Name.size());
    qsizetype plain = 0; // start of the text not yet encoded
    for (qsizetype i = 0; i < Name.size(); ++i) {
        const char16_t c = Name[i].unicode();
        // A raw byte stands alone: the low half of a pair is a character's.
        if (!IsRawByte(c) || (i > 0 && Name[i - 1].isHighSurrogate()))
            continue;
        bytes += QStringView(Name).sliced(plain, i - plain).toUtf8();
        bytes += char(c - kRawByteBase);
        plain = i + 1;
    }
    bytes += QStringView(Name).sliced(plain).toUtf8();
    return bytes;
}

bool HasRawFileNameBytes(const QString &Name)
{
    for (qsizetype i = 0; i < Name.size(); ++i) {
        if (IsRawByte(Name[i].unicode()) && !(i > 0 && Name[i - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

QString LocalFileName(const QUrl &Url)
{
    if (!Url.isLocalFile() || !Url.host().isEmpty())
        return Url.toLocalFile();
    return DecodeFileName(QByteArray::fromPercentEncoding(Url.path(QUrl::FullyEncoded).toLatin1()));
}
