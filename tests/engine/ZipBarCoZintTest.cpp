// Checks the bar patterns against an independent encoder: the zint program.
#include "engine/ZipBarCo.h"
#include "support/RecordingBarCodeCanvas.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// zint's dump: one text line per row, hexadecimal nibbles, most significant
// bit first. POSTNET has a bar on every other module; row 0 holds the tall parts.
QStringList runZint(const QStringList &arguments, const QStringList &inputs)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("in.txt")));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(inputs.join(QLatin1Char('\n')).toLatin1() + '\n');
    file.close();
    QProcess zint;
    zint.start(QStringLiteral("zint"), arguments
                                           + QStringList{QStringLiteral("--dump"), QStringLiteral("--batch"),
                                                         QStringLiteral("-i"), file.fileName()});
    zint.waitForFinished(60000);
    return QString::fromLatin1(zint.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString rowBits(const QString &row)
{
    QString bits;
    for (QChar c : row) {
        bool ok = false;
        const int nibble = QString(c).toInt(&ok, 16);
        if (!ok)
            continue;
        for (int bit = 3; bit >= 0; --bit)
            bits += (nibble >> bit) & 1 ? QLatin1Char('1') : QLatin1Char('0');
    }
    return bits;
}

QString zintPattern(const QString &tallRow, const QString &allRow)
{
    const QString tall = rowBits(tallRow);
    const QString all = rowBits(allRow);
    QString pattern;
    for (int i = 0; i < all.size(); ++i) {
        if (all.at(i) == QLatin1Char('1'))
            pattern += tall.at(i);
    }
    return pattern;
}

QString randomDigits(QRandomGenerator &random, int count)
{
    QString digits;
    for (int i = 0; i < count; ++i)
        digits += QLatin1Char(static_cast<char>('0' + random.bounded(10)));
    return digits;
}

} // namespace

TEST(ZipBarCoAgainstZint, PostnetPatterns)
{
    if (QStandardPaths::findExecutable(QStringLiteral("zint")).isEmpty())
        GTEST_SKIP() << "zint is not installed";
    QRandomGenerator random(20041208);
    QStringList inputs;
    QList<QStringList> addresses;
    for (int i = 0; i < 300; ++i) {
        const int kind = i % 3;
        const QString zip = randomDigits(random, 5);
        const QString plus4 = randomDigits(random, 4);
        const QString point = randomDigits(random, 2);
        if (kind == 0) {
            inputs << zip;
            addresses << QStringList{QStringLiteral("1 Main St"), QStringLiteral("Town ST ") + zip};
        } else if (kind == 1) {
            inputs << zip + plus4;
            addresses << QStringList{QStringLiteral("Main St"),
                                     QStringLiteral("Town ST ") + zip + '-' + plus4};
        } else {
            inputs << zip + plus4 + point;
            addresses << QStringList{QString::number(random.bounded(1, 99)) + point
                                         + QStringLiteral(" Main St"),
                                     QStringLiteral("Town ST ") + zip + '-' + plus4};
        }
    }
    const QStringList rows = runZint({QStringLiteral("-b"), QStringLiteral("POSTNET")}, inputs);
    ASSERT_EQ(rows.size(), 2 * inputs.size());
    for (int i = 0; i < inputs.size(); ++i) {
        QString digits;
        BuildZipDigits(addresses.at(i), digits);
        EXPECT_EQ(digits.left(digits.size() - 1), inputs.at(i));
        QString pattern;
        DigitsToBars(digits, pattern);
        EXPECT_EQ(pattern, zintPattern(rows.at(2 * i), rows.at(2 * i + 1))) << inputs.at(i).toStdString();
    }
}

TEST(ZipBarCoAgainstZint, FacingMarkA)
{
    if (QStandardPaths::findExecutable(QStringLiteral("zint")).isEmpty())
        GTEST_SKIP() << "zint is not installed";
    const QStringList rows = runZint({QStringLiteral("-b"), QStringLiteral("FIM")}, {QStringLiteral("A")});
    ASSERT_FALSE(rows.isEmpty());
    // zint's modules are 1/32 inch: draw at 32 pixels per inch and compare positions.
    const QString bits = rowBits(rows.first());
    QList<int> expected;
    for (int i = 0; i < bits.size(); ++i) {
        if (bits.at(i) == QLatin1Char('1'))
            expected << i;
    }
    RecordingBarCodeCanvas canvas(32, 32);
    DrawFacingMark(canvas, 0, 0);
    QList<int> drawn;
    for (const auto &line : canvas.lines)
        drawn << line.x1;
    EXPECT_EQ(drawn, expected);
}
