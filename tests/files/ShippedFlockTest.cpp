#include "FilesTestSupport.h"

#include "core/Count.h"
#include "core/Separation.h"
#include "files/PhotoFile.h"
#include "files/SampleSetFile.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace filestest;

// With the factory samples, "Séparer" then "Compter" on the default flock
// counts within 5 % of its true number of birds.
TEST(ShippedFlock, DefaultPhotoCountsWithinFivePercent)
{
    const QDir data(QStringLiteral(ORNIVAL_SOURCE_DIR "/data"));
    if (!data.exists("vol de cigognes.jpg"))
        GTEST_SKIP() << "no shipped data";
    Document doc;
    InitArrowPoints(doc);
    ASSERT_FALSE(loadPhoto(doc, data.filePath("vol de cigognes.jpg")).failureMessage);
    const QStringList lines = splitLines(readFile(data.filePath("ornival0.ini")));
    ASSERT_EQ(lines.size(), 7);
    for (int i = 0; i < 3; ++i) {
        doc.pixo[std::size_t(i)] = TextToTriple(lines[i + 1]);
        doc.pixno[std::size_t(i)] = TextToTriple(lines[i + 4]);
    }
    separateBirds(doc, [] {});
    countBirds(doc, "auto");
    const int truth = splitLines(readFile(data.filePath("vol de cigognes.txt"))).first().toInt();
    const int counted = doc.totalText.toInt();
    RecordProperty("truth", truth);
    RecordProperty("counted", counted);
    std::printf("truth %d, counted %d, groups %d, threshold %d\n", truth, counted, doc.groupCount, doc.twoBirdThreshold);
    EXPECT_LE(std::abs(counted - truth) * 100, 5 * truth) << "truth " << truth << ", counted " << counted;
}
