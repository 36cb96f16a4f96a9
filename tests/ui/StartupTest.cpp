// The start-up in a folder with and without each of its files: the steps after
// a failing one are skipped, the window opens all the same, and the arrow's
// places are always known.
#include "UiTestSupport.h"

#include "files/BmpFile.h"

using namespace uitest;

namespace {

struct Folder {
    const char* name;
    QStringList missing;
    QString damaged;            // a file written with bytes that are no picture
    QString expectedError;      // empty: no message
    bool photoLoaded;
    bool samplesLoaded;
    bool stripFromFile;
    bool arrowPicture;
};

class Startup : public WindowTest, public ::testing::WithParamInterface<Folder> {};

void PrintTo(const Folder& f, std::ostream* os)
{
    *os << f.name;
}

} // namespace

TEST_P(Startup, OpensWithWhatTheFolderHolds)
{
    const Folder& f = GetParam();
    QStringList files = allStartFiles();
    for (const QString& m : f.missing)
        files.removeAll(m);
    if (!f.damaged.isEmpty())
        files.removeAll(f.damaged);
    seed(files);
    if (!f.damaged.isEmpty()) {
        QFile file(f.damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(f.damaged.endsWith(QLatin1String(".jpg")) ? QByteArray("\xFF\xD8\xFF\xE0 not a photo", 18)
                                                             : QByteArray("BM not a picture"));
    }
    Tornvl& w = open();

    if (f.expectedError.isEmpty()) {
        EXPECT_TRUE(messages.empty());
    } else {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].kind, MessageKind::Error);
        if (f.expectedError.endsWith(QLatin1Char('#'))) {  // the decoder's number follows
            EXPECT_TRUE(messages[0].text.startsWith(f.expectedError)) << messages[0].text.toStdString();
            EXPECT_TRUE(messages[0].text.endsWith(QLatin1Char('.')));
        } else {
            EXPECT_EQ(messages[0].text, f.expectedError);
        }
    }
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.doc.workflowStep, 1);
    EXPECT_EQ(w.Panel_fleche->pos(), QPoint(816, 5));
    // The arrow's places are filled whatever failed.
    EXPECT_EQ(w.doc.arrowPoints[2], (TPoint{775, 124}));
    EXPECT_EQ(w.doc.arrowPoints[6], (TPoint{770, 464}));

    EXPECT_EQ(w.doc.photoWidth, f.photoLoaded ? 800 : 0);
    EXPECT_EQ(w.Image1->image().size(), f.photoLoaded ? QSize(800, 600) : QSize(0, 0));
    if (f.samplesLoaded) {
        EXPECT_EQ(w.doc.log.size(), 7);
        EXPECT_EQ(w.doc.pixno[0], (ColorTriple{190, 100, 41}));
    } else {
        EXPECT_EQ(w.doc.pixo[0], ColorTriple{});
    }
    // The strip is never a picture of nothing: a blank one stands in.
    EXPECT_EQ(w.Image2->image().size(), QSize(191, 31));
    if (f.stripFromFile) {
        EXPECT_EQ(w.Image2->image(), readBmpFile(uitest::dataDir() + "/blocs_couleurs0.bmp"));
    }
    EXPECT_EQ(w.img_fleche->image().isNull(), !f.arrowPicture);
    EXPECT_EQ(qobject_cast<QLineEdit*>(w.control("edit_seuil"))->text(), QStringLiteral("auto"));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, Startup,
    ::testing::Values(
        Folder{"everything", {}, {}, {}, true, true, true, true},
        Folder{"no_photo", {"vol de cigognes.jpg"}, {}, {}, false, true, true, true},
        Folder{"damaged_photo", {}, "vol de cigognes.jpg", "Erreur JPEG #", false, false, false, false},
        Folder{"no_sample_text", {"ornival.ini"}, {}, "Impossible d'ouvrir le fichier ornival.ini.", true, false,
               false, false},
        Folder{"no_strip_picture", {"blocs_couleurs.bmp"}, {}, "Impossible d'ouvrir le fichier blocs_couleurs.bmp.",
               true, true, false, false},
        Folder{"damaged_strip_picture", {}, "blocs_couleurs.bmp", "Image bitmap incorrecte.", true, true, false,
               false},
        Folder{"no_arrow", {"fleche.bmp"}, {}, "Impossible d'ouvrir le fichier fleche.bmp.", true, true, true, false},
        Folder{"empty_folder", allStartFiles(), {}, "Impossible d'ouvrir le fichier ornival.ini.", false, false,
               false, false}),
    [](const ::testing::TestParamInfo<Folder>& info) { return std::string(info.param.name); });
