#include "platform/RtfCodePage.h"

#include "platform/Windows1252.h"

#include <QHash>
#include <cerrno>
#include <iconv.h>

namespace {

const char *IconvName(int codePage)
{
    switch (codePage) {
    case 437: return "CP437";
    case 850: return "CP850";
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 10000: return "MACINTOSH";
    default: return nullptr;
    }
}

QString DecodeIconv(const QByteArray &bytes, const char *name)
{
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return DecodeWindows1252(bytes);
    QString out;
    QByteArray in = bytes;
    char *inPtr = in.data();
    size_t inLeft = static_cast<size_t>(in.size());
    QByteArray buffer(static_cast<qsizetype>(inLeft * 4 + 8), '\0');
    while (inLeft > 0) {
        char *outPtr = buffer.data();
        size_t outLeft = static_cast<size_t>(buffer.size());
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.constData()),
                                      (buffer.size() - static_cast<qsizetype>(outLeft)) / 2));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // An invalid or cut-off sequence: one replacement for its first byte.
            out.append(QChar(QChar::ReplacementCharacter));
            ++inPtr;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

namespace RtfCodePage {

QString Decode(const QByteArray &bytes, int codePage)
{
    if (codePage == 1252 || codePage == 0)
        return DecodeWindows1252(bytes);
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return QString::fromLatin1(bytes);
    const char *name = IconvName(codePage);
    return name ? DecodeIconv(bytes, name) : DecodeWindows1252(bytes);
}

int OfCharset(int charset)
{
    switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    default: return 0;
    }
}

bool IsDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

} // namespace RtfCodePage
