#include "foundation/QmStrings.h"

namespace {

bool isBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20;
}

} // namespace

void BoolToYesNo(bool value, QString &result)
{
    result = value ? QStringLiteral("Yes") : QStringLiteral("No");
}

bool HasNoAsciiLetter(const QString &text)
{
    for (QChar c : text) {
        if (IsLetterChar(c))
            return false;
    }
    return true;
}

bool IsDigitChar(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool IsLetterChar(QChar c)
{
    char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool IsInvalidFileNameChar(QChar c)
{
    switch (c.unicode()) {
    // clang-format off
    case 0x22: case 0x23: case 0x24: case 0x25: case 0x27: case 0x2A: case 0x2C:
    case 0x2F: case 0x3A: case 0x3B: case 0x3C: case 0x3E: case 0x3F: case 0x40:
    case 0x5B: case 0x5C: case 0x5D: case 0x7B: case 0x7C: case 0x7D:
        return true;
    default:
        return false;
        // clang-format on
    }
}

bool IsAllDigits(const QString &text)
{
    for (QChar c : text) {
        if (!IsDigitChar(c))
            return false;
    }
    return true;
}

int DigitValue(QChar c)
{
    return IsDigitChar(c) ? c.unicode() - '0' : 0;
}

void TrimRightStr(const QString &text, QString &result)
{
    qsizetype end = text.size();
    while (end > 0 && isBlankOrControl(text.at(end - 1)))
        --end;
    result = text.left(end);
}

QString TrimBlanksAndControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlankOrControl(text.at(begin)))
        ++begin;
    while (end > begin && isBlankOrControl(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

void RemoveInvalidFileNameChars(QString &text)
{
    text.removeIf(IsInvalidFileNameChar);
}

void AppendBackslash(QString &path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path.append(QLatin1Char('/'));
}

void DoubleAmpersands(const QString &text, QString &result)
{
    result = text;
    result.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

int LastCharPos(QChar c, const QString &text)
{
    return static_cast<int>(text.lastIndexOf(c)) + 1;
}
