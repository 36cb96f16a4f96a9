#include "SampleSetFile.h"

#include "AtomicFile.h"
#include "BmpFile.h"
#include "core/OrnivalError.h"

#include <QFile>
#include <QSaveFile>

const SampleSetNames& userSampleSet()
{
    static const SampleSetNames names{QStringLiteral("ornival.ini"), QStringLiteral("blocs_couleurs.bmp")};
    return names;
}

const SampleSetNames& factorySampleSet()
{
    static const SampleSetNames names{QStringLiteral("ornival0.ini"), QStringLiteral("blocs_couleurs0.bmp")};
    return names;
}

QString sampleSetHeader()
{
    return QStringLiteral("[blocs de couleurs : pixo[0],pixo[1],pixo[2],pixno[0],pixno[1],pixo[2] ]");
}

QString TripleToText(const ColorTriple& c)
{
    return QStringLiteral("%1,%2,%3").arg(c.rgbtRed).arg(c.rgbtGreen).arg(c.rgbtBlue);
}

std::int64_t Number(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    int base = 10;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    } else if (i < text.size() && text[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i < text.size() && (text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == QLatin1Char('0')
               && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    // Only the low bits are ever kept, so the value may wrap: a number of any
    // length is read in one pass without overflow.
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            break;
        value = value * std::uint64_t(base) + std::uint64_t(digit);
    }
    // A minus sign counts only when the digits run to the end of the text.
    if (negative && i == text.size())
        value = 0 - value;
    return std::int64_t(value);
}

ColorTriple TextToTriple(const QString& input)
{
    QString line = input;
    qsizetype p = line.indexOf(QLatin1Char(',')) + 1;
    const std::int64_t red = Number(p > 0 ? line.left(p - 1) : QString());
    line = line.mid(p, 255);
    p = line.indexOf(QLatin1Char(',')) + 1;
    const std::int64_t green = Number(p > 0 ? line.left(p - 1) : QString());
    const std::int64_t blue = Number(line.mid(p, 255));
    return ColorTriple{std::uint8_t(blue & 0xFF), std::uint8_t(green & 0xFF), std::uint8_t(red & 0xFF)};
}

QStringList splitLines(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.append(QString::fromLatin1(bytes.constData() + start, i - start));
            const char pair = c == '\r' ? '\n' : '\r';
            i += (i + 1 < bytes.size() && bytes[i + 1] == pair) ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size())
        lines.append(QString::fromLatin1(bytes.constData() + start, bytes.size() - start));
    return lines;
}

void SaveSampleSet(Document& doc)
{
    const SampleSetNames& names = userSampleSet();
    doc.log.clear();
    doc.log.append(sampleSetHeader());
    for (const ColorTriple& c : doc.pixo)
        doc.log.append(TripleToText(c));
    for (const ColorTriple& c : doc.pixno)
        doc.log.append(TripleToText(c));
    QByteArray bytes;
    for (const QString& line : doc.log)
        bytes += line.toLatin1() + "\r\n";
    writeFileSafely(names.text, bytes);
    writeBmpFile(doc.stripPicture, names.picture);
}

QByteArray readSampleSetBytes(const QString& path)
{
    return readWholeFile(path, maxSampleSetFileBytes);
}

void loadSampleSetFiles(Document& doc, const SampleSetNames& names)
{
    doc.log.clear();
    readSampleSetText(doc, readSampleSetBytes(names.text));
    doc.stripPicture = readBmpFile(names.picture);
}

void readSampleSetText(Document& doc, const QByteArray& bytes)
{
    doc.log = splitLines(bytes);
    for (int i = 0; i < 6; ++i) {
        const qsizetype lineIndex = i + 1;
        const ColorTriple c = TextToTriple(lineIndex < doc.log.size() ? doc.log[lineIndex] : QString());
        if (i < 3)
            doc.pixo[std::size_t(i)] = c;
        else
            doc.pixno[std::size_t(i - 3)] = c;
    }
}

void LoadSampleSet(Document& doc)
{
    loadSampleSetFiles(doc, userSampleSet());
}

void LoadFactorySampleSet(Document& doc)
{
    loadSampleSetFiles(doc, factorySampleSet());
}
