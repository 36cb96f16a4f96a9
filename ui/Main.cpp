#include "Main.h"

#include "Dialogs.h"
#include "Layout.h"
#include "core/Canvas.h"
#include "core/Classification.h"
#include "core/Count.h"
#include "core/Groups.h"
#include "core/Overlay.h"
#include "core/SampleStrip.h"
#include "core/Separation.h"
#include "core/SizeCurve.h"
#include "files/BmpFile.h"
#include "files/HelpPage.h"
#include "files/PhotoFile.h"
#include "files/SampleSetFile.h"
#include "files/WorkBitmapFile.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QHeaderView>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeView>
#include <QStyleOptionFrame>

namespace {

QFont controlFont(const ControlFont& f)
{
    QFont font(uiFontFamily());
    font.setPixelSize(f.pixelSize);
    font.setBold(f.bold);
    font.setUnderline(f.underline);
    return font;
}

MouseButton mouseButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton:
        return MouseButton::Right;
    case Qt::MiddleButton:
        return MouseButton::Middle;
    default:
        return MouseButton::Left;
    }
}

bool isHandledButton(Qt::MouseButton button)
{
    return button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
}

// A count field shows every digit: a text wider than the field's place in the
// layout widens it, a bin's field leftwards (its right edge stays; any 32-bit
// count fits within the narrowest bin), the total rightwards.
void fitFieldToText(QLineEdit* field, bool growLeftwards)
{
    const ControlEntry* entry = findControl(field->objectName());
    QStyleOptionFrame option;
    option.initFrom(field);
    option.rect = QRect(0, 0, entry->width, entry->height);
    option.lineWidth = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field) : 0;
    const QRect contents = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
    // The field keeps 2 pixels on each side of its text, 1 for the cursor, and
    // room for the font's overhanging glyphs.
    const QFontMetrics metrics = field->fontMetrics();
    const int text = metrics.horizontalAdvance(field->text()) + 1 + std::max(0, -metrics.minLeftBearing())
        + std::max(0, -metrics.minRightBearing());
    const int needed = text + 4 + entry->width - contents.width();
    const int width = std::max(entry->width, needed);
    const int left = growLeftwards ? entry->left + entry->width - width : entry->left;
    field->setGeometry(left, entry->top, width, entry->height);
}

} // namespace

Tornvl::Tornvl(QWidget* parent) : QWidget(parent), drag_(std::make_unique<InWindowDrag>(this))
{
    setObjectName(QStringLiteral("ornvl"));
    setWindowTitle(QStringLiteral("Ornival d'oiseaux"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQRgb(clBtnFace));
    setPalette(pal);
    setFont(controlFont({}));
    resize(windowOuterWidth - frameWidth, windowOuterHeight - frameHeight);
    setMinimumSize(windowMinOuterWidth - frameWidth, windowMinOuterHeight - frameHeight);
    setMaximumSize(windowMaxOuterWidth - frameWidth, windowMaxOuterHeight - frameHeight);

    photoChooser = [](QWidget* parent) {
        const std::unique_ptr<QFileDialog> dialog = makePhotoDialog(parent);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return QString();
        return dialog->selectedFiles().constFirst();
    };
    urlOpener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    buildControls();
    wireEvents();
    FormCreate();
    refresh();
}

Tornvl::~Tornvl() = default;

void Tornvl::buildControls()
{
    for (const ControlEntry& entry : controlTable()) {
        QWidget* parent = entry.parent.isEmpty() ? this : controls_.value(entry.parent);
        QWidget* w = nullptr;
        switch (entry.kind) {
        case ControlKind::Panel: {
            auto* panel = new QFrame(parent);
            panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
            panel->setLineWidth(1);
            w = panel;
            break;
        }
        case ControlKind::Picture:
            if (entry.name == QLatin1String("Image1"))
                w = new PhotoView(parent);
            else
                w = new Picture(parent);
            break;
        case ControlKind::Edit: {
            const bool counts = entry.name == QLatin1String("edit_seuil") || entry.name == QLatin1String("edit_taille_mini");
            QLineEdit* edit = counts ? new KeyUpEdit(parent) : new QLineEdit(parent);
            edit->setText(entry.caption);
            edit->setFrame(entry.frame);
            edit->setTextMargins(0, 0, 0, 0);
            w = edit;
            break;
        }
        case ControlKind::Button:
            w = new QPushButton(entry.caption, parent);
            break;
        case ControlKind::GroupBox:
            w = new QGroupBox(entry.caption, parent);
            break;
        case ControlKind::Label: {
            QLabel* label = entry.name == QLatin1String("Total") ? new ClickLabel(entry.caption, parent)
                                                                : new QLabel(entry.caption, parent);
            label->setWordWrap(entry.wordWrap);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            w = label;
            break;
        }
        case ControlKind::Memo: {
            auto* memo = new QPlainTextEdit(parent);
            memo->setReadOnly(false);
            memo->setLineWrapMode(QPlainTextEdit::NoWrap);
            memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            w = memo;
            break;
        }
        }
        w->setObjectName(entry.name);
        w->setGeometry(entry.left, entry.top, entry.width, entry.height);
        w->setFont(controlFont(entry.font));
        const QStringList hint = effectiveHint(entry);
        if (!hint.isEmpty())
            w->setToolTip(hint.join(QLatin1Char('\n')));
        if (entry.kind == ControlKind::Edit || entry.kind == ControlKind::Button || entry.kind == ControlKind::Memo)
            w->setFocusPolicy(Qt::StrongFocus);
        else
            w->setFocusPolicy(Qt::NoFocus);
        w->setVisible(entry.visible);
        controls_.insert(entry.name, w);
    }
    const QStringList& order = tabOrder();
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(controls_.value(order[i - 1]), controls_.value(order[i]));

    auto picture = [&](const char* name) { return static_cast<Picture*>(controls_.value(QLatin1String(name))); };
    auto edit = [&](const char* name) { return static_cast<QLineEdit*>(controls_.value(QLatin1String(name))); };
    auto label = [&](const char* name) { return static_cast<QLabel*>(controls_.value(QLatin1String(name))); };
    Image1 = static_cast<PhotoView*>(controls_.value(QStringLiteral("Image1")));
    Image1->setSource(&doc.displayedPhoto);
    Image2 = picture("Image2");
    Image3 = picture("Image3");
    Image4 = picture("Image4");
    img_fleche = picture("img_fleche");
    Panel_fleche = controls_.value(QStringLiteral("Panel_fleche"));
    for (int bin : {0, 1, 2, 3, 4, 6})
        binFields[bin] = edit(qPrintable(QStringLiteral("Edit%1").arg(bin)));
    nbtotal = edit("nbtotal");
    nbtotal->setAlignment(Qt::AlignLeft);
    Edit9 = edit("Edit9");
    edit_seuil = static_cast<KeyUpEdit*>(edit("edit_seuil"));
    edit_taille_mini = static_cast<KeyUpEdit*>(edit("edit_taille_mini"));
    Label3 = label("Label3");
    Label4 = label("Label4");
    Label5 = label("Label5");
    Total = static_cast<ClickLabel*>(label("Total"));
    Memo1 = static_cast<QPlainTextEdit*>(controls_.value(QStringLiteral("Memo1")));

    Image1->setCursor(Qt::PointingHandCursor);
    Panel_fleche->raise();
}

void Tornvl::wireEvents()
{
    auto button = [&](const char* name, void (Tornvl::*handler)()) {
        QObject::connect(static_cast<QPushButton*>(controls_.value(QLatin1String(name))), &QPushButton::clicked, this,
                         [this, handler] { (this->*handler)(); });
    };
    button("Charger", &Tornvl::ChargerClick);
    button("creer_bmp", &Tornvl::creer_bmpClick);
    button("voir_enlever_le_noir1", &Tornvl::voir_enlever_le_noir1Click);
    button("Sauve_bmp", &Tornvl::Sauve_bmpClick);
    button("charge_bmp", &Tornvl::charge_bmpClick);
    button("reintialiser", &Tornvl::reintialiserClick);
    button("Ornival1", &Tornvl::OrnivalClick);
    button("Ornival2", &Tornvl::OrnivalClick);
    button("Lisser", &Tornvl::LisserClick);
    button("voir_enlever_le_noir", &Tornvl::voir_enlever_le_noirClick);
    button("Aide", &Tornvl::AideClick);
    button("Fermer2", &Tornvl::FermerClick);
    edit_seuil->onKeyUp = [this](int key) { edit_seuilKeyUp(key); };
    edit_taille_mini->onKeyUp = [this](int key) { edit_seuilKeyUp(key); };
    Total->onClick = [this] { TotalClick(); };

    Image1->mouse.onPress = [this](QMouseEvent* e, QPoint pixel) {
        if (isHandledButton(e->button()))
            Image1MouseDown(mouseButton(e->button()), pixel.x(), pixel.y(), e->globalPosition().toPoint());
    };
    Image1->mouse.onMove = [this](QMouseEvent* e) {
        drag_->move(e->globalPosition().toPoint(), e->buttons() & Qt::LeftButton);
    };
    Image1->mouse.onRelease = [this](QMouseEvent* e) {
        Image1MouseUp();
        if (e->button() == Qt::LeftButton)
            drag_->release(e->globalPosition().toPoint());
    };
    Image2->mouse.onPress = [this](QMouseEvent* e, QPoint pixel) {
        if (isHandledButton(e->button()))
            Image2MouseDown(pixel.x(), pixel.y());
    };
    Image3->mouse.onPress = [this](QMouseEvent* e, QPoint pixel) {
        if (isHandledButton(e->button()))
            Image3MouseDown(pixel.x(), pixel.y());
    };

    drag_->addTarget({Image2, [](QPoint) { return true; }, [this](QPoint p) { Image2DragDrop(p.x(), p.y()); }});
    drag_->addTarget({Image4, [this](QPoint) { return Image4DragOver(); },
                      [this](QPoint p) { Image4DragDrop(p.x(), p.y()); }});
}

void Tornvl::handle(const std::function<void()>& work)
{
    guarded(this, work);
    refresh();
}

void Tornvl::FormCreate()
{
    // The strip shows a blank picture until its file has been read, so that
    // drops and clicks show what they do even when the file is missing.
    doc.stripPicture = blankStripPicture();
    guarded(this, [&] {
        doc.workBitmap = newWorkBitmap(0, 0);
        doc.photoJpeg = QImage();
        loadDefaultPhoto(doc);
        edit_seuil->setText(QStringLiteral("auto"));
        std::fill(doc.movedGroups.begin(), doc.movedGroups.end(), 0);
        doc.workflowStep = 1;
        LoadSampleSet(doc);
        if (doc.stripPicture.isNull())
            doc.stripPicture = blankStripPicture();
        img_fleche->setImage(readBmpFile(QStringLiteral("fleche.bmp")));
    });
    if (doc.stripPicture.isNull())
        doc.stripPicture = blankStripPicture();
    // Whatever failed above, the arrow's places are known, so a later move
    // never sends it to the window's corner.
    InitArrowPoints(doc);
}

void Tornvl::ChargerClick()
{
    const QString path = photoChooser(this);
    if (path.isEmpty())
        return;
    handle([&] {
        const PhotoLoadOutcome outcome = loadPhoto(doc, path);
        if (outcome.failureMessage) {
            showPlainMessage(this, *outcome.failureMessage);
            return;
        }
        edit_seuil->setText(QStringLiteral("auto"));
        Image1->showWholePhoto();
    });
}

void Tornvl::creer_bmpClick()
{
    handle([&] {
        const WaitCursor wait;
        separateBirds(doc, [&] { SaveSampleSet(doc); });
    });
}

void Tornvl::voir_enlever_le_noir1Click()
{
    handle([&] { toggleBlackOverlay(doc); });
}

void Tornvl::Sauve_bmpClick()
{
    handle([&] { saveWorkBitmap(doc); });
}

void Tornvl::charge_bmpClick()
{
    handle([&] { loadWorkBitmap(doc); });
}

void Tornvl::reintialiserClick()
{
    handle([&] {
        LoadFactorySampleSet(doc);
        if (doc.stripPicture.isNull())
            doc.stripPicture = blankStripPicture();
    });
}

void Tornvl::OrnivalClick()
{
    handle([&] {
        const CountOutcome outcome = countBirds(doc, edit_seuil->text(), edit_taille_mini->text());
        if (outcome.message)
            showPlainMessage(this, *outcome.message);
        if (outcome.thresholdText) {
            edit_seuil->setText(*outcome.thresholdText);
            QStringList hint = minimumSizeFieldHint();
            if (edit_taille_mini->text() == QLatin1String("auto"))
                hint << QStringLiteral("Taille mini choisie : %1 pixels.").arg(outcome.minGroupSize);
            edit_taille_mini->setToolTip(hint.join(QLatin1Char('\n')));
        }
    });
}

void Tornvl::edit_seuilKeyUp(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        OrnivalClick();
}

void Tornvl::LisserClick()
{
    handle([&] { toggleCurveSmoothing(doc); });
}

void Tornvl::Image3MouseDown(int X, int Y)
{
    handle([&] {
        const std::optional<ThresholdPick> pick = pickThreshold(doc, X, Y);
        if (!pick)
            return;
        Label5->setText(pick->labelText);
        Label5->adjustSize();
        Label5->move(pick->labelPosition.X, pick->labelPosition.Y);
        edit_seuil->setText(pick->fieldText);
    });
}

void Tornvl::voir_enlever_le_noirClick()
{
    handle([&] { toggleBlackOverlayWithFrames(doc); });
}

void Tornvl::TotalClick()
{
    Memo1->show();
}

void Tornvl::AideClick()
{
    const QUrl url = helpPageUrl();
    if (!url.isEmpty())
        urlOpener(url);  // a failure to open the page is not reported
}

void Tornvl::FermerClick()
{
    close();
}

void Tornvl::Image1MouseDown(MouseButton button, int X, int Y, QPoint global)
{
    handle([&] {
        const PhotoPress press = pressOnPhoto(doc, button, X, Y);
        if (press.sizeTag) {
            // The tag stands by the pointer, wherever the zoom shows the pixel.
            const QPoint shift = Image1->mapFromGlobal(global) - QPoint(X, Y);
            Edit9->setText(press.sizeTag->text);
            Edit9->move(press.sizeTag->position.X + shift.x(), press.sizeTag->position.Y + shift.y());
            Edit9->show();
            Edit9->raise();
        }
        if (press.mayStartDrag)
            drag_->arm(global);
    });
}

void Tornvl::Image1MouseUp()
{
    Edit9->hide();
}

void Tornvl::Image2MouseDown(int X, int Y)
{
    handle([&] { clickOnStrip(doc, X, Y); });
}

void Tornvl::Image2DragDrop(int X, int Y)
{
    handle([&] { dropSampleOnStrip(doc, X, Y); });
}

bool Tornvl::Image4DragOver() const
{
    return correctionBarAccepts(doc);
}

void Tornvl::Image4DragDrop(int X, int Y)
{
    handle([&] { dropGroupOnBar(doc, X, Y); });
}

void Tornvl::refresh()
{
    Image1->photoChanged();
    Image2->setImage(doc.stripPicture);
    Image3->setImage(doc.curvePicture, true);
    Image4->setImage(doc.correctionBar);
    for (int bin : {0, 1, 2, 3, 4, 6}) {
        if (binFields[bin]->text() != doc.binFieldTexts[std::size_t(bin)]) {
            binFields[bin]->setText(doc.binFieldTexts[std::size_t(bin)]);
            fitFieldToText(binFields[bin], true);
        }
    }
    if (nbtotal->text() != doc.totalText) {
        nbtotal->setText(doc.totalText);
        fitFieldToText(nbtotal, false);
    }
    Label3->setVisible(doc.correctionHintsShown);
    Label4->setVisible(doc.correctionHintsShown);
    Panel_fleche->move(doc.arrowPosition.X, doc.arrowPosition.Y);
    showLog();
}

void Tornvl::showLog()
{
    // The log only grows between the separations and sample-set loads that
    // replace it, so new lines are appended rather than the whole text set again.
    const qsizetype shown = shownLog_.size();
    const bool grows = doc.log.size() >= shown && std::equal(shownLog_.begin(), shownLog_.end(), doc.log.begin());
    if (grows) {
        for (qsizetype i = shown; i < doc.log.size(); ++i)
            Memo1->appendPlainText(doc.log[i]);
    } else {
        Memo1->setPlainText(doc.log.join(QLatin1Char('\n')));
    }
    shownLog_ = doc.log;
}

void Tornvl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(windowOuterWidth / 2, windowOuterHeight / 2));
    }
}

void Tornvl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && drag_->isDragging()) {
        drag_->cancel();
        return;
    }
    if (Image1->zoomKey(event->key()))
        return;
    QWidget::keyPressEvent(event);
}

void sizePhotoDialog(QFileDialog& dialog)
{
    // Qt's default size cuts the columns of the detail view ("58....KiB") and
    // the places on the left: room for a whole line of each, preview beside.
    const QFontMetrics metrics = dialog.fontMetrics();
    auto room = [&](const QString& sample) { return metrics.horizontalAdvance(sample) + 24; };
    int sizeColumn = room(QStringLiteral("999,99 Kio"));
    int typeColumn = room(QStringLiteral("Fichier jpeg"));
    int dateColumn = room(QStringLiteral("31 déc. 2026 23:59:59"));
    const int nameColumn = room(QStringLiteral("vol de cigognes en automne 2026.jpg"));
    const int places = room(QStringLiteral("Ordinateur")) + 24;
    if (auto* view = dialog.findChild<QTreeView*>()) {
        QHeaderView* header = view->header();
        // Each column at least as wide as its title.
        sizeColumn = std::max(sizeColumn, header->sectionSizeHint(1));
        typeColumn = std::max(typeColumn, header->sectionSizeHint(2));
        dateColumn = std::max(dateColumn, header->sectionSizeHint(3));
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->resizeSection(1, sizeColumn);
        header->resizeSection(2, typeColumn);
        header->resizeSection(3, dateColumn);
    }
    if (auto* splitter = dialog.findChild<QSplitter*>())
        splitter->setSizes({places, nameColumn + sizeColumn + typeColumn + dateColumn + 24});
    dialog.resize(places + nameColumn + sizeColumn + typeColumn + dateColumn + 300, 520);
}

std::unique_ptr<QFileDialog> makePhotoDialog(QWidget* parent)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);  // the preview needs Qt's own dialog
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(QStringLiteral("Fichier image JPG (*.jpg)"));
    dialog->setWindowTitle(QStringLiteral("Ouvrir"));

    auto* preview = new QLabel(dialog.get());
    preview->setObjectName(QStringLiteral("preview"));
    preview->setFixedSize(200, 150);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    if (auto* layout = qobject_cast<QGridLayout*>(dialog->layout()))
        layout->addWidget(preview, 0, layout->columnCount(), layout->rowCount(), 1);
    sizePhotoDialog(*dialog);
    QObject::connect(dialog.get(), &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        QImageReader reader(path);
        const QSize size = reader.size();
        if (!size.isValid() || size.width() > 8000 || size.height() > 8000) {
            preview->clear();
            return;
        }
        reader.setScaledSize(size.scaled(preview->size() - QSize(4, 4), Qt::KeepAspectRatio));
        const QImage image = reader.read();
        if (image.isNull())
            preview->clear();
        else
            preview->setPixmap(QPixmap::fromImage(image));
    });
    return dialog;
}

QUrl helpPageUrl()
{
    const QString page = helpPagePath();
    if (page.isEmpty())
        return {};
    return QUrl::fromLocalFile(page);
}
