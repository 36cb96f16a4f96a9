// A whole use by button presses, and what each button shows when it fails.
#include "UiTestSupport.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

using namespace uitest;

namespace {

int blackPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == 0;
    return n;
}

class Workflow : public WindowTest {
protected:
    void choose(const QString& photo)
    {
        window->photoChooser = [photo](QWidget*) { return photo; };
        click("Charger");
    }
    // The total the count fields give by the program's rule.
    int totalOfFields() const
    {
        return window->binFields[1]->text().toInt() + 2 * window->binFields[2]->text().toInt()
            + 3 * window->binFields[3]->text().toInt() + 4 * window->binFields[4]->text().toInt()
            + 6 * window->binFields[6]->text().toInt();
    }
    void expectOneMessage(MessageKind kind, const QString& text)
    {
        ASSERT_EQ(messages.size(), 1u) << text.toStdString();
        EXPECT_EQ(messages[0].kind, kind);
        EXPECT_EQ(messages[0].text, text);
        messages.clear();
    }
};

} // namespace

TEST_F(Workflow, WholeUseByButtons)
{
    seed(allStartFiles());
    Tornvl& w = open();
    const QImage photo = w.Image1->image();
    EXPECT_EQ(blackPixels(photo), 0);

    // A count before any separation is refused and changes nothing.
    click("Ornival1");
    expectOneMessage(MessageKind::Plain, "Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp");
    EXPECT_EQ(w.Panel_fleche->pos(), QPoint(816, 5));

    // Separation: the birds turn black, the set is saved, the arrow points at the count.
    QFile::remove("ornival.ini");
    click("creer_bmp");
    EXPECT_GT(blackPixels(w.Image1->image()), 1000);
    EXPECT_TRUE(QFile::exists("ornival.ini"));
    EXPECT_EQ(w.Panel_fleche->pos(), QPoint(816, 190));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the wait cursor is gone

    // Count: within 5 % of the flock's 86 birds, the fields add up, the arrow
    // points at the curve and the field holds the threshold found.
    click("Ornival1");
    const int total = w.nbtotal->text().toInt();
    EXPECT_NEAR(total, 86, 86 * 0.05);
    EXPECT_EQ(total, totalOfFields());
    EXPECT_EQ(fieldText("edit_seuil").toInt(), w.doc.twoBirdThreshold);
    EXPECT_EQ(w.Panel_fleche->pos(), QPoint(775, 223));
    EXPECT_TRUE(w.Label3->isVisible());
    EXPECT_TRUE(w.Label4->isVisible());
    EXPECT_EQ(w.Image4->image().size(), QSize(800, 100));
    const QImage lightCurve = w.Image3->image();
    EXPECT_EQ(lightCurve.size(), QSize(214, 172));

    // "Lisser" redraws the curve with the strong smoothing and back.
    click("Lisser");
    EXPECT_NE(w.Image3->image(), lightCurve);
    click("Lisser");
    EXPECT_EQ(w.Image3->image(), lightCurve);

    // A click on the curve picks a threshold: label, field and arrow.
    QTest::mouseClick(w.Image3, Qt::LeftButton, {}, QPoint(120, 90));
    const QString picked = fieldText("edit_seuil");
    EXPECT_EQ(w.Label5->text(), QStringLiteral("seuil | ") + picked);
    EXPECT_EQ(w.Label5->pos(), QPoint(95, 70));
    EXPECT_EQ(w.Panel_fleche->pos(), QPoint(816, 436));

    // Enter released in the field counts again with it; another key does nothing.
    const qsizetype logBeforeEnter = w.doc.log.size();
    QTest::keyClick(w.edit_seuil, Qt::Key_A);
    QTest::keyClick(w.edit_seuil, Qt::Key_Backspace);
    EXPECT_EQ(w.doc.log.size(), logBeforeEnter);
    QTest::keyClick(w.edit_seuil, Qt::Key_Return);
    EXPECT_EQ(w.doc.log.size(), logBeforeEnter + 4);
    EXPECT_EQ(w.doc.twoBirdThreshold, picked.toInt());
    EXPECT_EQ(w.Panel_fleche->pos(), QPoint(770, 464));
    EXPECT_EQ(w.nbtotal->text().toInt(), totalOfFields());

    // The corrections box's overlay button: frames without black, then black again.
    const int withBlack = blackPixels(w.Image1->image());
    click("voir_enlever_le_noir");
    EXPECT_LT(blackPixels(w.Image1->image()), withBlack / 2);
    click("voir_enlever_le_noir");
    EXPECT_EQ(blackPixels(w.Image1->image()), withBlack);
    // The separation box's one: the bare photo, then the black without frames.
    click("voir_enlever_le_noir1");
    EXPECT_EQ(w.Image1->image(), photo);
    click("voir_enlever_le_noir1");
    EXPECT_EQ(blackPixels(w.Image1->image()), withBlack);

    // Save and load the working bitmap: step 2, the arrow stays, a recount
    // gives the same total.
    click("Sauve_bmp");
    EXPECT_TRUE(QFile::exists("vol de cigognes.bmp"));
    click("charge_bmp");
    EXPECT_EQ(w.doc.workflowStep, 2);
    EXPECT_EQ(w.Panel_fleche->pos(), QPoint(770, 464));
    const QString shownTotal = w.nbtotal->text();
    click("Ornival2");
    EXPECT_EQ(w.nbtotal->text(), shownTotal);

    // The log shows once "Total : " is clicked, and follows the document's log.
    EXPECT_FALSE(w.Memo1->isVisible());
    QTest::mouseClick(w.Total, Qt::LeftButton);
    EXPECT_TRUE(w.Memo1->isVisible());
    EXPECT_EQ(w.Memo1->toPlainText(), w.doc.log.join(QLatin1Char('\n')));
    // "réintialiser" brings the factory set back into the strip and the log.
    click("reintialiser");
    EXPECT_EQ(w.doc.log.size(), 7);
    EXPECT_EQ(w.Memo1->toPlainText(), w.doc.log.join(QLatin1Char('\n')));

    // A new photo: step 1, "auto", no black.
    choose(QDir::current().absoluteFilePath("vol de cigognes.jpg"));
    EXPECT_EQ(w.doc.workflowStep, 1);
    EXPECT_EQ(fieldText("edit_seuil"), QStringLiteral("auto"));
    EXPECT_EQ(w.Panel_fleche->pos(), QPoint(775, 124));
    EXPECT_EQ(blackPixels(w.Image1->image()), 0);

    EXPECT_TRUE(messages.empty());
    click("Fermer2");
    EXPECT_FALSE(w.isVisible());
}

TEST_F(Workflow, FailuresShowTheirMessageAndLeaveTheWindowAsItWas)
{
    seed(allStartFiles());
    Tornvl& w = open();
    // Before a count: the working bitmap's files.
    click("charge_bmp");
    expectOneMessage(MessageKind::Error, "Impossible d'ouvrir le fichier vol de cigognes.bmp.");
    QFile bad("vol de cigognes.bmp");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BM damaged");
    bad.close();
    click("charge_bmp");
    expectOneMessage(MessageKind::Error, "Image bitmap incorrecte.");
    EXPECT_EQ(w.doc.workflowStep, 1);

    separateAndCount();
    const QImage shown = w.Image1->image();
    const QString threshold = fieldText("edit_seuil");
    const QString total = w.nbtotal->text();
    const qsizetype logSize = w.doc.log.size();
    auto unchanged = [&] {
        EXPECT_EQ(w.Image1->image(), shown);
        EXPECT_EQ(w.doc.workflowStep, 3);
        EXPECT_EQ(fieldText("edit_seuil"), threshold);
        EXPECT_EQ(w.nbtotal->text(), total);
        EXPECT_EQ(w.doc.log.size(), logSize);
        EXPECT_EQ(w.Panel_fleche->pos(), QPoint(775, 223));
    };
    // A cancelled open dialog, then a damaged photo.
    choose(QString());
    EXPECT_TRUE(messages.empty());
    unchanged();
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a jpeg at all");
    bad.close();
    choose(QDir::current().absoluteFilePath(bad.fileName()));
    expectOneMessage(MessageKind::Plain, "Mauvais Format");
    w.doc.photoFileName = QStringLiteral("vol de cigognes.jpg");
    unchanged();
    // Bad threshold texts go to the error box.
    for (const char* text : {"Auto", "12a"}) {
        w.edit_seuil->setText(QString::fromUtf8(text));
        click("Ornival2");
        expectOneMessage(MessageKind::Error, QStringLiteral("'%1' n'est pas une valeur entière correcte.").arg(text));
        w.edit_seuil->setText(threshold);
        unchanged();
    }
    // Bad minimum sizes too.
    for (const auto& [text, error] :
         {std::pair{"2", "'2' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto."},
          std::pair{"abc", "'abc' n'est pas une valeur entière correcte."}}) {
        w.edit_taille_mini->setText(QString::fromUtf8(text));
        click("Ornival2");
        expectOneMessage(MessageKind::Error, QString::fromUtf8(error));
        EXPECT_EQ(w.doc.minGroupSize, 3);
        unchanged();
    }
    w.edit_taille_mini->setText("3");
    // A working bitmap that cannot be saved.
    w.doc.photoFileName = folder.filePath("pas de dossier/photo.jpg");
    click("Sauve_bmp");
    expectOneMessage(MessageKind::Error,
                     QStringLiteral("Impossible de créer le fichier %1.").arg(folder.filePath("pas de dossier/photo.bmp")));
}

// Enter released in the threshold field counts; when the count shows a box,
// the Enter that closes it releases in the field and must not count again.
TEST_F(Workflow, EnterThatClosesAMessageBoxDoesNotBringItBack)
{
    seed(allStartFiles());
    Tornvl& w = open();
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
        w.edit_seuil->setText(QString::fromUtf8(typed));
        QTest::keyPress(w.edit_seuil, Qt::Key_Return);
        QTest::keyRelease(w.edit_seuil, Qt::Key_Return);  // counts: the box shows and Enter closes it
        QTest::keyRelease(w.edit_seuil, Qt::Key_Return);  // that Enter's release
        expectOneMessage(kind, QString::fromUtf8(message));
    }
}

// Forty birds among three hundred specks: with "auto" in "Taille mini" and
// Enter in that field the count drops the specks, and the field's hint and
// the log say which size was chosen.
TEST_F(Workflow, AutomaticMinimumSizeCountsASpeckledPhotoRight)
{
    seed(allStartFiles());
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(Qt::white);
    for (int b = 0; b < 40; ++b)
        for (int i = 0; i < 9; ++i)
            for (int j = 0; j < 7 + b % 3; ++j)
                photo.setPixel(12 + 40 * (b % 9) + i, 12 + 60 * (b / 9) + j, qRgb(0, 0, 0));
    for (int s = 0; s < 300; ++s)
        for (int i = 0; i < 3 + s % 5; ++i)
            photo.setPixel(6 + (s * 37) % 385 + i % 3, 40 + 60 * ((s * 7) % 4) + 4 * (s % 5) + i / 3, qRgb(0, 0, 0));
    ASSERT_TRUE(photo.save("points.jpg", "JPG", 100));
    QFile ini("ornival.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[blocs]\r\n0,0,0\r\n0,0,0\r\n0,0,0\r\n255,255,255\r\n255,255,255\r\n255,255,255\r\n");
    ini.close();
    Tornvl& w = open();
    choose(QDir::current().absoluteFilePath("points.jpg"));
    separateAndCount();
    ASSERT_GT(w.doc.groupCount, 300) << "the specks count as birds with the minimum of 3";
    w.edit_seuil->setText("auto");  // the first count left its threshold in its field
    w.edit_taille_mini->setText("auto");
    QTest::keyClick(w.edit_taille_mini, Qt::Key_Return);
    EXPECT_EQ(w.nbtotal->text(), "40");
    EXPECT_EQ(w.edit_taille_mini->text(), "auto");
    const QString chosen = QString::number(w.doc.minGroupSize);
    EXPECT_GT(w.doc.minGroupSize, 7);
    EXPECT_TRUE(w.edit_taille_mini->toolTip().endsWith(QStringLiteral("Taille mini choisie : %1 pixels.").arg(chosen)));
    EXPECT_TRUE(w.doc.log.contains(QStringLiteral("taille mini auto : ") + chosen));
}

TEST_F(Workflow, SeparationThatCannotSaveItsSetShowsTheErrorAndRestoresTheCursor)
{
    seed(allStartFiles());
    Tornvl& w = open();
    QFile::remove("ornival.ini");
    ASSERT_TRUE(QDir().mkdir("ornival.ini"));  // a folder in the file's place
    click("creer_bmp");
    expectOneMessage(MessageKind::Error, "Impossible de créer le fichier ornival.ini.");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(w.doc.workflowStep, 1);
}

TEST_F(Workflow, HelpOpensThePageBesideTheProgramAndAFailureIsNotReported)
{
    seed(allStartFiles());
    QFile page("aide.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html></html>");
    page.close();
    Tornvl& w = open();
    w.urlOpener = [this](const QUrl& url) {
        openedUrls << url;
        return false;
    };
    click("Aide");
    EXPECT_EQ(openedUrls, QList<QUrl>{QUrl::fromLocalFile(QDir::current().absoluteFilePath("aide.html"))});
    EXPECT_TRUE(messages.empty());
}

TEST_F(Workflow, AnErrorThatNoHandlerCatchesGoesToTheErrorBoxAndTheProgramGoesOn)
{
    seed(allStartFiles());
    Tornvl& w = open();
    EXPECT_FALSE(guarded(&w, [] { throw std::runtime_error("panne"); }));
    expectOneMessage(MessageKind::Error, "panne.");
    EXPECT_TRUE(guarded(&w, [] {}));
    EXPECT_TRUE(w.isVisible());
}

TEST(MessageBoxes, ErrorTextGetsAFullStopWhenItsLastCharacterSortsAfterOne)
{
    const std::pair<const char*, const char*> rows[] = {{"Image bitmap incorrecte", "Image bitmap incorrecte."},
                                                        {"Erreur JPEG #42", "Erreur JPEG #42."},
                                                        {"a/", "a/."},
                                                        {"fini.", "fini."},
                                                        {"a-", "a-"},
                                                        {"ouvert !", "ouvert !"},
                                                        {"", ""}};
    for (const auto& [text, shown] : rows)
        EXPECT_EQ(withFullStop(QString::fromUtf8(text)), QString::fromUtf8(shown));
    for (const MessageKind kind : {MessageKind::Plain, MessageKind::Error}) {
        const std::unique_ptr<QMessageBox> box = makeMessageBox(nullptr, kind, QStringLiteral("Mauvais Format"));
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Ornival d'oiseaux"));
        EXPECT_EQ(box->text(), QStringLiteral("Mauvais Format"));
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->icon(), kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    }
}

// Qt's own texts are French when their translations are installed; without
// them the program goes on with Qt's English ones. The open dialog shows every
// column of its detail view whole.
TEST(QtTexts, OpenDialogInFrenchWithReadableColumns)
{
    struct Row {
        const char* name;
        QString folder;
        const char* cancel;
    };
    const Row rows[] = {{"missing", QStringLiteral("/nowhere"), "Cancel"},
                        {"installed", QLibraryInfo::path(QLibraryInfo::TranslationsPath), "Annuler"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::unique_ptr<QTranslator> translator(installQtFrenchTexts(row.folder));
        EXPECT_EQ(translator != nullptr, row.name == std::string("installed"));
        const std::unique_ptr<QFileDialog> dialog = makePhotoDialog(nullptr);
        EXPECT_EQ(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8(row.cancel));
        dialog->show();
        const QHeaderView* header = dialog->findChild<QTreeView*>()->header();
        int columns = 0;
        for (int section = 0; section < 4; ++section) {
            EXPECT_GE(header->sectionSize(section), header->sectionSizeHint(section)) << section;
            columns += header->sectionSize(section);
        }
        EXPECT_LE(columns, header->width());
    }
}
