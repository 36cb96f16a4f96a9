// The start-up with each file missing or damaged, a whole use by buttons and
// keys, what each failure shows (the state left as it was), and the boxes and
// dialogs of the window.
#include "UiTestSupport.h"

#include "files/BmpFile.h"

#include <QBuffer>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QImageWriter>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

namespace {

int blackPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == 0;
    return n;
}

} // namespace

// The steps after a failing one are skipped, the window opens all the same,
// the strip is never a picture of nothing and the arrow's places are known.
TEST_F(WindowTest, StartUpOpensWithWhatTheFolderHolds)
{
    const struct {
        const char* name;
        QString missing, damaged;
        QString error;  // ending in '#': the decoder's number follows
        bool photo, samples, strip, arrow;
    } folders[] = {
        {"everything", {}, {}, {}, true, true, true, true},
        {"no photo", "vol de cigognes.jpg", {}, {}, false, true, true, true},
        {"damaged photo", {}, "vol de cigognes.jpg", "Erreur JPEG #", false, false, false, false},
        {"no sample text", "ornival.ini", {}, "Impossible d'ouvrir le fichier ornival.ini.", true, false, false, false},
        {"no strip", "blocs_couleurs.bmp", {}, "Impossible d'ouvrir le fichier blocs_couleurs.bmp.", true, true, false, false},
        {"damaged strip", {}, "blocs_couleurs.bmp", "Image bitmap incorrecte.", true, true, false, false},
        {"no arrow", "fleche.bmp", {}, "Impossible d'ouvrir le fichier fleche.bmp.", true, true, true, false},
        {"empty", "*", {}, "Impossible d'ouvrir le fichier ornival.ini.", false, false, false, false},
    };
    for (const auto& f : folders) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(QDir::setCurrent(folder.path()) && QDir().mkdir(f.name) && QDir::setCurrent(f.name));
        QStringList files = allStartFiles;
        files.removeAll(f.missing);
        files.removeAll(f.damaged);
        seed(f.missing == "*" ? QStringList() : files);
        if (!f.damaged.isEmpty())
            writeFile(f.damaged, f.damaged.endsWith(".jpg") ? QByteArray("\xFF\xD8\xFF\xE0 not a photo", 18) : "BM not a picture");
        open();
        if (f.error.isEmpty()) {
            EXPECT_TRUE(messages.empty());
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].kind, MessageKind::Error);
            EXPECT_EQ(messages[0].text.left(f.error.endsWith('#') ? f.error.size() : -1), f.error);
            EXPECT_TRUE(messages[0].text.endsWith('.'));
            messages.clear();
        }
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->doc.workflowStep, 1);
        EXPECT_EQ(w->Panel_fleche->pos(), QPoint(816, 5));
        EXPECT_EQ(w->doc.arrowPoints[2], (TPoint{775, 124}));
        EXPECT_EQ(w->doc.arrowPoints[6], (TPoint{770, 464}));
        EXPECT_EQ(w->Image1->image().size(), f.photo ? QSize(800, 600) : QSize(0, 0));
        EXPECT_EQ(w->doc.log.size(), f.samples ? 7 : 0);
        EXPECT_EQ(w->doc.pixno[0], (f.samples ? ColorTriple{190, 100, 41} : ColorTriple{}));
        EXPECT_EQ(w->Image2->image().size(), QSize(191, 31));
        EXPECT_EQ(w->Image2->image() == readBmpFile(ORNIVAL_SOURCE_DIR "/data/blocs_couleurs0.bmp"), f.strip);
        EXPECT_EQ(w->img_fleche->image().isNull(), !f.arrow);
        EXPECT_EQ(text("edit_seuil"), "auto");
    }
}

TEST_F(WindowTest, WholeUseByButtonsAndKeys)
{
    seed();
    open();
    const QImage photo = w->Image1->image();
    QFile::remove("ornival.ini");
    click("creer_bmp");  // the birds turn black, the set is saved, the arrow points at the count
    EXPECT_GT(blackPixels(w->Image1->image()), 1000);
    EXPECT_TRUE(QFile::exists("ornival.ini"));
    EXPECT_EQ(w->Panel_fleche->pos(), QPoint(816, 190));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the wait cursor is gone

    // Count: within 5 % of the flock's 86 birds, the fields add up, the arrow
    // points at the curve and the field holds the threshold found.
    click("Ornival1");
    const int total = w->nbtotal->text().toInt();
    EXPECT_NEAR(total, 86, 86 * 0.05);
    EXPECT_EQ(total, field(1) + 2 * field(2) + 3 * field(3) + 4 * field(4) + 6 * field(6));
    EXPECT_EQ(text("edit_seuil").toInt(), w->doc.twoBirdThreshold);
    EXPECT_EQ(w->edit_taille_mini->toolTip(), w->control("Label_taille_mini")->toolTip());  // no size chosen with "3"
    EXPECT_EQ(w->Panel_fleche->pos(), QPoint(775, 223));
    EXPECT_TRUE(w->Label3->isVisible() && w->Label4->isVisible());
    EXPECT_EQ(w->Image4->image(), w->doc.correctionBar);

    // The curve shows the panel through its white pixels; "Lisser" redraws it and back.
    const QImage curve = w->Image3->image();
    const QImage shown = w->grab(QRect(w->Image3->mapTo(w.get(), QPoint()), curve.size())).toImage();
    for (int y = 22; y < 168; y += 2)  // below the panel's caption and button, within its frame
        for (int x = 2; x < 210; x += 2)
            ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFF, (curve.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? 0xF0F0F0 : curve.pixel(x, y) & 0xFFFFFF);
    click("Lisser");
    EXPECT_NE(w->Image3->image(), curve);
    click("Lisser");
    EXPECT_EQ(w->Image3->image(), curve);

    // A click on the curve picks a threshold: label, field and arrow.
    QTest::mouseClick(w->Image3, Qt::LeftButton, {}, QPoint(120, 90));
    const QString picked = text("edit_seuil");
    EXPECT_EQ(w->Label5->text(), "seuil | " + picked);
    EXPECT_EQ(w->Label5->pos(), QPoint(95, 70));
    EXPECT_EQ(w->Panel_fleche->pos(), QPoint(816, 436));

    // Enter or the keypad's Enter released in either count field counts again; another key does not.
    const struct {
        KeyUpEdit* field;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int lines;
    } keys[] = {{w->edit_seuil, Qt::Key_A, {}, 0},          {w->edit_seuil, Qt::Key_Backspace, {}, 0},
                {w->edit_seuil, Qt::Key_Return, {}, 4},     {w->edit_taille_mini, Qt::Key_Enter, Qt::KeypadModifier, 4}};
    for (const auto& key : keys) {
        const qsizetype lines = w->doc.log.size();
        QTest::keyClick(key.field, key.key, key.modifiers);
        EXPECT_EQ(w->doc.log.size(), lines + key.lines) << key.key;
    }
    EXPECT_EQ(w->doc.twoBirdThreshold, picked.toInt());
    EXPECT_EQ(w->Panel_fleche->pos(), QPoint(770, 464));

    // The corrections box's overlay button: frames without black, then black
    // again; the separation box's one: the bare photo, then the black.
    const int withBlack = blackPixels(w->Image1->image());
    click("voir_enlever_le_noir");
    EXPECT_LT(blackPixels(w->Image1->image()), withBlack / 2);
    click("voir_enlever_le_noir");
    EXPECT_EQ(blackPixels(w->Image1->image()), withBlack);
    click("voir_enlever_le_noir1");
    EXPECT_EQ(w->Image1->image(), photo);
    click("voir_enlever_le_noir1");
    EXPECT_EQ(blackPixels(w->Image1->image()), withBlack);

    // Save and load the working bitmap: step 2, the arrow stays, a recount gives the same total.
    click("Sauve_bmp");
    click("charge_bmp");
    EXPECT_EQ(w->doc.workflowStep, 2);
    EXPECT_EQ(w->Panel_fleche->pos(), QPoint(770, 464));
    const QString shownTotal = w->nbtotal->text();
    click("Ornival2");
    EXPECT_EQ(w->nbtotal->text(), shownTotal);

    // The log shows once "Total : " is clicked and follows the document's log,
    // keeping its scroll place while no line comes.
    EXPECT_FALSE(w->Memo1->isVisible());
    QTest::mouseClick(w->Total, Qt::LeftButton);
    EXPECT_EQ(w->Memo1->toPlainText(), w->doc.log.join('\n'));
    QScrollBar* bar = w->Memo1->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 1);
    bar->setValue(bar->maximum() / 2);
    click("Lisser");
    EXPECT_EQ(bar->value(), bar->maximum() / 2);
    click("reintialiser");  // the factory set back in the strip and the log
    EXPECT_EQ(w->doc.log.size(), 7);
    EXPECT_EQ(w->Memo1->toPlainText(), w->doc.log.join('\n'));

    choose(QDir::current().absoluteFilePath("vol de cigognes.jpg"));  // a new photo: step 1, "auto", no black
    EXPECT_EQ(w->doc.workflowStep, 1);
    EXPECT_EQ(text("edit_seuil"), "auto");
    EXPECT_EQ(w->Panel_fleche->pos(), QPoint(775, 124));
    EXPECT_EQ(blackPixels(w->Image1->image()), 0);
    EXPECT_TRUE(messages.empty());
    click("Fermer2");
    EXPECT_FALSE(w->isVisible());
}

TEST_F(WindowTest, FailuresShowTheirMessageAndLeaveTheWindowAsItWas)
{
    seed();
    open();
    writeFile("bad.jpg", "not a jpeg at all");
    QImage small(16, 16, QImage::Format_RGB32);  // its frame header rewritten to 8193 x 8192
    small.fill(Qt::gray);
    QByteArray huge;
    QBuffer buffer(&huge);
    ASSERT_TRUE(small.save(&buffer, "JPG"));
    writeFile("huge.jpg", huge.replace(huge.indexOf("\xFF\xC0") + 5, 4, QByteArray("\x20\x00\x20\x01", 4)));
    const struct {
        const char* what;
        std::function<void()> act;
        MessageKind kind;
        QString text;  // empty: none
        int step;      // 0: before the separation; 3: after the count
        bool photoKept = true;
    } failures[] = {
        {"no working bitmap", [&] { click("charge_bmp"); }, MessageKind::Error, "Impossible d'ouvrir le fichier vol de cigognes.bmp.", 0},
        {"damaged working bitmap", [&] { writeFile("vol de cigognes.bmp", "BM damaged"), click("charge_bmp"); }, MessageKind::Error,
         "Image bitmap incorrecte.", 0},
        {"count too early", [&] { click("Ornival1"); }, MessageKind::Plain, "Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp", 0},
        {"set not saved", [&] { QFile::remove("ornival.ini"), QDir().mkdir("ornival.ini"), click("creer_bmp"); }, MessageKind::Error,
         "Impossible de créer le fichier ornival.ini.", 0, false},  // the birds are black before the save
        {"cancelled dialog", [&] { choose({}); }, MessageKind::Plain, {}, 3},
        {"damaged photo", [&] { choose(folder.filePath("bad.jpg")); }, MessageKind::Plain, "Mauvais Format", 3},
        {"photo over the cap", [&] { choose(folder.filePath("huge.jpg")); }, MessageKind::Plain,
         "Photo trop grande : 8193 x 8192 pixels (67108864 pixels au plus)", 3},
        {"threshold Auto", [&] { w->edit_seuil->setText("Auto"), click("Ornival2"); }, MessageKind::Error,
         "'Auto' n'est pas une valeur entière correcte.", 3},
        {"threshold 12a", [&] { w->edit_seuil->setText("12a"), click("Ornival2"); }, MessageKind::Error,
         "'12a' n'est pas une valeur entière correcte.", 3},
        {"minimum size 2", [&] { w->edit_taille_mini->setText("2"), click("Ornival2"); }, MessageKind::Error,
         "'2' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto.", 3},
        {"minimum size abc", [&] { w->edit_taille_mini->setText("abc"), click("Ornival2"); }, MessageKind::Error,
         "'abc' n'est pas une valeur entière correcte.", 3},
        {"bitmap not saved", [&] { w->doc.photoFileName = folder.filePath("pas de dossier/photo.jpg"), click("Sauve_bmp"); },
         MessageKind::Error, "Impossible de créer le fichier " + folder.filePath("pas de dossier/photo.bmp") + ".", 3},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.what);
        if (f.step == 3 && w->doc.workflowStep == 1) {
            QDir().rmdir("ornival.ini");
            click("creer_bmp");
            click("Ornival1");
        }
        const QImage shown = w->Image1->image();
        const QString threshold = text("edit_seuil"), total = w->nbtotal->text(), fileName = w->doc.photoFileName;
        const qsizetype logSize = w->doc.log.size();
        const QPoint arrow = w->Panel_fleche->pos();
        f.act();
        if (f.text.isEmpty()) {
            EXPECT_TRUE(messages.empty());
        } else {
            expectOneMessage(f.kind, f.text);
        }
        EXPECT_EQ(w->Image1->image() == shown, f.photoKept);
        EXPECT_EQ(w->doc.workflowStep, std::max(f.step, 1));
        EXPECT_EQ(w->doc.minGroupSize, 3);
        EXPECT_EQ(w->nbtotal->text(), total);
        EXPECT_EQ(w->doc.log.size(), logSize);
        EXPECT_EQ(w->Panel_fleche->pos(), arrow);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        w->edit_seuil->setText(threshold);
        w->edit_taille_mini->setText("3");
        w->doc.photoFileName = fileName;
    }
}

// When a count from Enter in the threshold field shows a box, the Enter that
// closes it releases in the field and must not count again.
TEST_F(WindowTest, EnterThatClosesAMessageBoxDoesNotBringItBack)
{
    seed();
    open();
    messagePresenter() = [this](QWidget* parent, MessageKind kind, const QString& text) {
        messages.push_back({kind, text});
        const std::unique_ptr<QMessageBox> box = makeMessageBox(parent, kind, text);
        QTimer::singleShot(0, box.get(), [&box] { QTest::keyPress(box.get(), Qt::Key_Return); });
        box->exec();
    };
    for (const auto& [typed, kind, message] :
         {std::tuple{"auto", MessageKind::Plain, "Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp"},
          std::tuple{"abc", MessageKind::Error, "'abc' n'est pas une valeur entière correcte."}}) {
        SCOPED_TRACE(typed);
        if (typed == std::string("abc"))
            click("creer_bmp");
        w->edit_seuil->setText(typed);
        QTest::keyPress(w->edit_seuil, Qt::Key_Return);
        QTest::keyRelease(w->edit_seuil, Qt::Key_Return);  // counts: the box shows and Enter closes it
        QTest::keyRelease(w->edit_seuil, Qt::Key_Return);  // that Enter's release
        expectOneMessage(kind, QString::fromUtf8(message));
    }
}

// Forty birds among three hundred specks: "auto" in "Taille mini" drops the
// specks, and the field's hint and the log say which size was chosen.
TEST_F(WindowTest, AutomaticMinimumSizeCountsASpeckledPhotoRight)
{
    seed();
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(Qt::white);
    for (int b = 0; b < 40; ++b)
        for (int i = 0; i < 9 * (7 + b % 3); ++i)
            photo.setPixel(12 + 40 * (b % 9) + i % 9, 12 + 60 * (b / 9) + i / 9, 0);
    for (int s = 0; s < 300; ++s)
        for (int i = 0; i < 3 + s % 5; ++i)
            photo.setPixel(6 + (s * 37) % 385 + i % 3, 40 + 60 * ((s * 7) % 4) + 4 * (s % 5) + i / 3, 0);
    ASSERT_TRUE(photo.save("points.jpg", "JPG", 100));
    writeFile("ornival.ini", "[blocs]\r\n0,0,0\r\n0,0,0\r\n0,0,0\r\n255,255,255\r\n255,255,255\r\n255,255,255\r\n");
    open();
    choose(QDir::current().absoluteFilePath("points.jpg"));
    click("creer_bmp");
    click("Ornival1");
    ASSERT_GT(w->doc.groupCount, 300) << "the specks count as birds with the minimum of 3";
    w->edit_seuil->setText("auto");
    w->edit_taille_mini->setText("auto");
    click("Ornival2");
    EXPECT_EQ(w->nbtotal->text(), "40");
    const QString chosen = QString::number(w->doc.minGroupSize);
    EXPECT_GT(w->doc.minGroupSize, 7);
    EXPECT_TRUE(w->edit_taille_mini->toolTip().endsWith("\nTaille mini choisie : " + chosen + " pixels."));
    EXPECT_TRUE(w->doc.log.contains("taille mini auto : " + chosen));
}

TEST_F(WindowTest, HelpOpensThePageBesideTheProgramAndAFailureIsNotReported)
{
    seed();
    writeFile("aide.html", "<html></html>");
    open();
    w->urlOpener = [this](const QUrl& url) { return openedUrls << url, false; };
    click("Aide");
    EXPECT_EQ(openedUrls, QList<QUrl>{QUrl::fromLocalFile(QDir::current().absoluteFilePath("aide.html"))});
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, ErrorBoxAddsAFullStopWhenTheLastCharacterSortsAfterOne)
{
    for (const auto& [text, shown] : {std::pair{"Image bitmap incorrecte", "Image bitmap incorrecte."}, {"Erreur JPEG #42", "Erreur JPEG #42."},
                                      {"a/", "a/."}, {"fini.", "fini."}, {"a-", "a-"}, {"ouvert !", "ouvert !"}, {"", ""}}) {
        EXPECT_FALSE(guarded(nullptr, [&] { throw std::runtime_error(text); }));
        expectOneMessage(MessageKind::Error, QString::fromUtf8(shown));
    }
    EXPECT_TRUE(guarded(nullptr, [] {}));
    EXPECT_TRUE(messages.empty());
    for (const MessageKind kind : {MessageKind::Plain, MessageKind::Error}) {
        const std::unique_ptr<QMessageBox> box = makeMessageBox(nullptr, kind, "Mauvais Format");
        EXPECT_EQ(box->windowTitle(), "Ornival d'oiseaux");
        EXPECT_EQ(box->text(), "Mauvais Format");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->icon(), kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    }
}

// The open dialog: one filter, Qt's texts in French when their translations
// are installed (else in English), every column whole, a preview of a picture
// of at most 8000 x 8000, and what the chooser answers when it closes.
TEST_F(WindowTest, OpenDialogInFrenchWithReadableColumnsAndAPreview)
{
    for (const auto& [translations, cancel] : {std::pair{QString("/nowhere"), "Cancel"},
                                               {QLibraryInfo::path(QLibraryInfo::TranslationsPath), "Annuler"}}) {
        SCOPED_TRACE(cancel);
        const std::unique_ptr<QTranslator> translator(installQtFrenchTexts(translations));
        EXPECT_EQ(translator != nullptr, cancel == std::string("Annuler"));
        const std::unique_ptr<QFileDialog> dialog = makePhotoDialog(nullptr);
        EXPECT_EQ(dialog->nameFilters(), QStringList{"Fichier image JPG (*.jpg)"});
        EXPECT_EQ(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(), cancel);
        dialog->show();
        const QHeaderView* header = dialog->findChild<QTreeView*>()->header();
        int columns = 0;
        for (int section = 0; section < 4; ++section) {
            EXPECT_GE(header->sectionSize(section), header->sectionSizeHint(section)) << section;
            columns += header->sectionSize(section);
        }
        EXPECT_LE(columns, header->width());
    }
    const std::unique_ptr<QFileDialog> dialog = makePhotoDialog(nullptr);
    const QLabel* preview = dialog->findChild<QLabel*>("preview");
    for (const auto& [size, shown] : {std::pair{QSize(8000, 100), true}, {QSize(8001, 100), false}, {QSize(100, 8000), true},
                                      {QSize(100, 8001), false}, {QSize(0, 0), false}}) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        writeFile("p.jpg", "not a picture");
        ASSERT_TRUE(picture.isNull() || picture.save("p.jpg"));
        emit dialog->currentChanged(folder.filePath("p.jpg"));
        EXPECT_EQ(!preview->pixmap().isNull(), shown);
    }
    seed();
    open();
    for (const auto& [typed, chosen] : {std::pair{"vol de cigognes.jpg", true}, {"", false}}) {
        QTimer::singleShot(0, [typed = QString(typed)] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QFileDialog*>(top); dialog && dialog->isVisible()) {
                    dialog->selectFile(typed);
                    typed.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
                }
        });
        EXPECT_EQ(w->photoChooser(w.get()), chosen ? folder.filePath(typed) : QString()) << typed;
    }
}
