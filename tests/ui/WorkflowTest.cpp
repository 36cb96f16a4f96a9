// The start-up with each file missing or damaged, a whole use, what each failure
// shows (the state left as it was), and the window's boxes and dialogs.
#include "UiTestSupport.h"

#include "files/BmpFile.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

// The steps after a failing one are skipped, the window opens all the same,
// the strip is never a picture of nothing and the arrow's places are known.
TEST_F(WindowTest, StartUpOpensWithWhatTheFolderHolds)
{
    const struct {
        QString missing, damaged, error;  // an error ending in '#': the decoder's number follows
        bool photo, samples, strip, arrow;
    } folders[] = {{{}, {}, {}, true, true, true, true},
                   {"vol de cigognes.jpg", {}, {}, false, true, true, true},
                   {{}, "vol de cigognes.jpg", "Erreur JPEG #", false, false, false, false},
                   {"ornival.ini", {}, "Impossible d'ouvrir le fichier ornival.ini.", true, false, false, false},
                   {"blocs_couleurs.bmp", {}, "Impossible d'ouvrir le fichier blocs_couleurs.bmp.", true, true, false, false},
                   {{}, "blocs_couleurs.bmp", "Image bitmap incorrecte.", true, true, false, false},
                   {"fleche.bmp", {}, "Impossible d'ouvrir le fichier fleche.bmp.", true, true, true, false}};
    for (const auto& f : folders) {
        SCOPED_TRACE((f.missing + f.damaged).toStdString());
        const QString name = QString::number(&f - folders);
        ASSERT_TRUE(QDir::setCurrent(folder.path()) && QDir().mkdir(name) && QDir::setCurrent(name));
        QStringList files = shipped;
        files.removeAll(f.missing);
        files.removeAll(f.damaged);
        seed(files);
        if (!f.damaged.isEmpty())
            writeFile(f.damaged, f.damaged.endsWith(".jpg") ? QByteArray("\xFF\xD8\xFF\xE0 not a photo", 18) : "BM not a picture");
        open();
        ASSERT_EQ(messages.size(), f.error.isEmpty() ? 0u : 1u);
        EXPECT_TRUE(f.error.isEmpty() || (messages[0].first == MessageKind::Error && messages[0].second.endsWith('.')
                                          && messages[0].second.left(f.error.endsWith('#') ? f.error.size() : -1) == f.error));
        messages.clear();
        EXPECT_EQ(w->Panel_fleche->pos(), QPoint(816, 5));
        EXPECT_EQ(w->doc.arrowPoints[6], (TPoint{770, 464}));
        EXPECT_EQ(w->Image1->image().size(), f.photo ? QSize(800, 600) : QSize(0, 0));
        EXPECT_EQ(w->doc.log.size(), f.samples ? 7 : 0);
        EXPECT_EQ(w->doc.pixno[0], (f.samples ? ColorTriple{190, 100, 41} : ColorTriple{}));
        EXPECT_EQ(w->Image2->image().size(), QSize(191, 31));
        EXPECT_EQ(w->Image2->image() == readBmpFile(ORNIVAL_SOURCE_DIR "/data/blocs_couleurs0.bmp"), f.strip);
        EXPECT_EQ(w->img_fleche->image().isNull(), !f.arrow);
        EXPECT_EQ(w->edit_seuil->text(), "auto");
    }
}

// Each button and key does its step; the arrow points at the next one.
TEST_F(WindowTest, WholeUseByButtonsAndKeys)
{
    seed();
    writeFile("aide.html", "<html></html>");
    open();
    const QImage photo = w->Image1->image();
    click("creer_bmp");
    EXPECT_EQ(w->Panel_fleche->pos(), QPoint(816, 190));
    click("Ornival1");  // within 5 % of the flock's 86 birds, the fields add up, the threshold in its field
    EXPECT_NEAR(w->nbtotal->text().toInt(), 86, 86 * 0.05);
    EXPECT_EQ(w->nbtotal->text().toInt(), field(1) + 2 * field(2) + 3 * field(3) + 4 * field(4) + 6 * field(6));
    EXPECT_EQ(w->edit_seuil->text().toInt(), w->doc.twoBirdThreshold);
    EXPECT_EQ(w->edit_taille_mini->toolTip(), w->control("Label_taille_mini")->toolTip());  // no size chosen with "3"
    EXPECT_TRUE(w->Label3->isVisible() && w->Label4->isVisible());

    // The curve shows the panel through its white pixels (below its caption and
    // button, within its frame); "Lisser" redraws it and back; a click picks a threshold.
    const QImage curve = w->Image3->image();
    const QImage shown = w->grab(QRect(w->Image3->mapTo(w.get(), QPoint()), curve.size())).toImage();
    for (int y = 22; y < 168; y += 2)
        for (int x = 2; x < 210; x += 2)
            ASSERT_EQ(shown.pixel(x, y), (curve.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? 0xFFF0F0F0 : curve.pixel(x, y)) << x << "," << y;
    const QImage strip = w->grab(QRect(w->Image2->mapTo(w.get(), QPoint()), QSize(191, 31))).toImage();  // its white shows
    EXPECT_EQ(strip.convertToFormat(QImage::Format_RGB32), w->Image2->image().convertToFormat(QImage::Format_RGB32));
    click("Lisser");
    EXPECT_NE(w->Image3->image(), curve);
    click("Lisser");
    EXPECT_EQ(w->Image3->image(), curve);
    QTest::mouseClick(w->Image3, Qt::LeftButton, {}, QPoint(120, 90));
    const QString picked = w->edit_seuil->text();
    EXPECT_EQ(w->Label5->text(), "seuil | " + picked);
    EXPECT_EQ(w->Label5->pos(), QPoint(95, 70));

    // Enter or the keypad's Enter released in either count field counts again; another key does not.
    const std::tuple<KeyUpEdit*, Qt::Key, Qt::KeyboardModifiers, int> keys[] = {
        {w->edit_seuil, Qt::Key_Left, {}, 0}, {w->edit_seuil, Qt::Key_Return, {}, 4}, {w->edit_taille_mini, Qt::Key_Enter, Qt::KeypadModifier, 4}};
    for (const auto& [edit, key, modifiers, lines] : keys) {
        const qsizetype before = w->doc.log.size();
        QTest::keyClick(edit, key, modifiers);
        EXPECT_EQ(w->doc.log.size(), before + lines) << key;
    }
    EXPECT_EQ(w->doc.twoBirdThreshold, picked.toInt());
    EXPECT_EQ(w->Panel_fleche->pos(), QPoint(770, 464));
    w->edit_taille_mini->setText("auto");  // the hint and the log say which size was chosen
    click("Ornival2");
    const QString chosen = QString::number(w->doc.minGroupSize);
    EXPECT_TRUE(w->edit_taille_mini->toolTip().endsWith("\nTaille mini choisie : " + chosen + " pixels."));
    EXPECT_TRUE(w->doc.log.contains("taille mini auto : " + chosen));

    // The overlay buttons: the frames without black, the bare photo, and back.
    const QImage counted = w->Image1->image();
    click("voir_enlever_le_noir");
    EXPECT_NE(w->Image1->image(), counted);
    click("voir_enlever_le_noir");
    EXPECT_EQ(w->Image1->image(), counted);
    click("voir_enlever_le_noir1");
    EXPECT_EQ(w->Image1->image(), photo);
    click("voir_enlever_le_noir1");
    EXPECT_NE(w->Image1->image(), photo);

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
    w->doc.log = QStringList(7, "autre");  // replaced by as many other lines
    w->refresh();
    EXPECT_EQ(w->Memo1->toPlainText(), w->doc.log.join('\n'));

    w->urlOpener = [this](const QUrl& url) { return openedUrls << url, false; };
    click("Aide");  // the page beside the program; a failure to open it is not reported
    EXPECT_EQ(openedUrls, QList<QUrl>{QUrl::fromLocalFile(QDir::current().absoluteFilePath("aide.html"))});
    EXPECT_TRUE(messages.empty());
    click("Fermer2");
    EXPECT_FALSE(w->isVisible());
}

// Every refusal shows its message and leaves the photo, the step, the fields,
// the log and the arrow as they were.
TEST_F(WindowTest, FailuresShowTheirMessageAndLeaveTheWindowAsItWas)
{
    seed();
    open();
    const struct {
        std::function<void()> act;
        MessageKind kind;
        QString text;  // empty: none
        int step;      // 1: before the separation; 3: after the count
        bool photoKept = true;
    } failures[] = {
        {[&] { click("charge_bmp"); }, MessageKind::Error, "Impossible d'ouvrir le fichier vol de cigognes.bmp.", 1},
        {[&] { writeFile("vol de cigognes.bmp", "BM damaged"), click("charge_bmp"); }, MessageKind::Error, "Image bitmap incorrecte.", 1},
        {[&] { click("Ornival1"); }, MessageKind::Plain, "Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp", 1},
        {[&] { QFile::remove("ornival.ini"), QDir().mkdir("ornival.ini"), click("creer_bmp"); }, MessageKind::Error,
         "Impossible de créer le fichier ornival.ini.", 1, false},  // the birds are black before the save
        {[&] { choose({}); }, MessageKind::Plain, {}, 3},
        {[&] { choose(ORNIVAL_CORPUS_DIR "/jpeg/not a jpeg.jpg"); }, MessageKind::Plain, "Mauvais Format", 3},
        {[&] { choose(ORNIVAL_CORPUS_DIR "/jpeg/declares 65500x65500.jpg"); }, MessageKind::Plain,
         "Photo trop grande : 65500 x 65500 pixels (67108864 pixels au plus)", 3},
        {[&] { w->edit_seuil->setText("Auto"), click("Ornival2"); }, MessageKind::Error, "'Auto' n'est pas une valeur entière correcte.", 3},
        {[&] { w->edit_taille_mini->setText("2"), click("Ornival2"); }, MessageKind::Error,
         "'2' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto.", 3},
        {[&] { w->doc.photoFileName = folder.filePath("pas de dossier/photo.jpg"), click("Sauve_bmp"); }, MessageKind::Error,
         "Impossible de créer le fichier " + folder.filePath("pas de dossier/photo.bmp") + ".", 3},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.text.toStdString());
        if (f.step == 3 && w->doc.workflowStep == 1) {
            QDir().rmdir("ornival.ini");
            click("creer_bmp");
            click("Ornival1");
        }
        const QImage shown = w->Image1->image();
        const QString threshold = w->edit_seuil->text(), total = w->nbtotal->text(), fileName = w->doc.photoFileName;
        const QStringList log = w->doc.log;
        const QPoint arrow = w->Panel_fleche->pos();
        f.act();
        EXPECT_EQ(takeMessages(), (f.text.isEmpty() ? Messages() : Messages{{f.kind, f.text}}));
        EXPECT_EQ(w->Image1->image() == shown, f.photoKept);
        EXPECT_EQ(w->doc.workflowStep, f.step);
        EXPECT_EQ(w->doc.minGroupSize, 3);
        EXPECT_EQ(w->nbtotal->text(), total);
        EXPECT_EQ(w->doc.log, log);
        EXPECT_EQ(w->Panel_fleche->pos(), arrow);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        w->edit_seuil->setText(threshold);
        w->edit_taille_mini->setText("3");
        w->doc.photoFileName = fileName;
    }
}

// An error box adds a full stop when the last character sorts after one. When
// a count from Enter in the threshold field shows a box, the Enter that closes
// it releases in the field and must not count again.
TEST_F(WindowTest, MessageBoxes)
{
    for (const auto& [text, shown] : {std::pair{"Image bitmap incorrecte", "Image bitmap incorrecte."}, {"Erreur #42", "Erreur #42."},
                                      {"a/", "a/."}, {"fini.", "fini."}, {"a-", "a-"}, {"ouvert !", "ouvert !"}, {"", ""}}) {
        EXPECT_FALSE(guarded(nullptr, [&] { throw std::runtime_error(text); }));
        EXPECT_EQ(takeMessages(), (Messages{{MessageKind::Error, shown}}));
    }
    EXPECT_TRUE(guarded(nullptr, [] {}));
    EXPECT_TRUE(messages.empty());
    for (const MessageKind kind : {MessageKind::Plain, MessageKind::Error}) {
        const std::unique_ptr<QMessageBox> box = makeMessageBox(nullptr, kind, "Mauvais Format");
        EXPECT_EQ(box->windowTitle() + box->text(), "Ornival d'oiseauxMauvais Format");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->icon(), kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    }
    seed();
    open();
    messagePresenter() = [this](QWidget* parent, MessageKind kind, const QString& text) {
        messages.push_back({kind, text});
        const std::unique_ptr<QMessageBox> box = makeMessageBox(parent, kind, text);
        QTimer::singleShot(0, box.get(), [&box] { QTest::keyPress(box.get(), Qt::Key_Return); });
        box->exec();
    };
    QTest::keyPress(w->edit_seuil, Qt::Key_Return);
    QTest::keyRelease(w->edit_seuil, Qt::Key_Return);  // counts: the box shows and Enter closes it
    QTest::keyRelease(w->edit_seuil, Qt::Key_Return);  // that Enter's release
    EXPECT_EQ(takeMessages(), (Messages{{MessageKind::Plain, "Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp"}}));
}

// The open dialog: one filter, Qt's texts in French when their translations are
// installed (else in English), every column whole, a preview of a picture of at
// most 8000 x 8000, and what the chooser answers when it closes.
TEST_F(WindowTest, OpenDialogInFrenchWithReadableColumnsAndAPreview)
{
    for (const char* cancel : {"Cancel", "Annuler"}) {
        const QString translations = *cancel == 'C' ? "/nowhere" : QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        const std::unique_ptr<QTranslator> translator(installQtFrenchTexts(translations));
        EXPECT_EQ(translator == nullptr, *cancel == 'C');
        const std::unique_ptr<QFileDialog> dialog = makePhotoDialog(nullptr);
        EXPECT_EQ(dialog->nameFilters(), QStringList{"Fichier image JPG (*.jpg)"});
        EXPECT_EQ(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(), cancel);
        dialog->show();
        const QHeaderView* header = dialog->findChild<QTreeView*>()->header();
        for (int section = 0; section < 4; ++section)
            EXPECT_GE(header->sectionSize(section), header->sectionSizeHint(section)) << cancel << section;
        const int date = header->sectionSize(3), name = header->sectionSize(0);
        dialog->resize(dialog->width() + 100, dialog->height());  // the spare room goes to the name
        QApplication::processEvents();
        EXPECT_EQ(header->sectionSize(3), date);
        EXPECT_GT(header->sectionSize(0), name);
    }
    const std::unique_ptr<QFileDialog> dialog = makePhotoDialog(nullptr);
    for (const auto& [size, shown] : {std::pair{QSize(8000, 100), true}, {QSize(8001, 100), false}, {QSize(100, 8000), true},
                                      {QSize(100, 8001), false}, {QSize(0, 0), false}}) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        writeFile("p.jpg", "not a picture");
        ASSERT_TRUE(picture.isNull() || picture.save("p.jpg"));
        emit dialog->currentChanged(folder.filePath("p.jpg"));
        EXPECT_EQ(dialog->findChild<QLabel*>("preview")->pixmap().isNull(), !shown) << size.width() << " x " << size.height();
    }
    seed();
    open();
    for (const QString typed : {"vol de cigognes.jpg", ""}) {
        QTimer::singleShot(0, [typed] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QFileDialog*>(top); dialog && dialog->isVisible()) {
                    dialog->selectFile(typed);
                    typed.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
                }
        });
        EXPECT_EQ(w->photoChooser(w.get()), typed.isEmpty() ? QString() : folder.filePath(typed)) << typed.toStdString();
    }
}
