// The sample-set text reader on any bytes: it never fails, and the log holds
// the file's lines.
#include "files/SampleSetFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    Document doc;
    readSampleSetText(doc, bytes);
    // Every line end is at least one byte, so there are never more lines than bytes.
    if (qsizetype(doc.log.size()) > qsizetype(size))
        std::abort();
    for (const QString& line : doc.log) {
        const ColorTriple c = TextToTriple(line);
        if (QString::fromLatin1(TripleToText(c).toLatin1()) != TripleToText(c))
            std::abort();
    }
    return 0;
}
