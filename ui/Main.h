#pragma once

#include "Controls.h"
#include "InWindowDrag.h"
#include "Picture.h"
#include "PhotoView.h"
#include "core/Corrections.h"
#include "core/Document.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QHash>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

// The main window: the controls of the layout table, the one document state,
// and one handler per event. A handler calls one operation of core/ or files/
// and then shows what changed (refresh()).
class Tornvl : public QWidget {
public:
    explicit Tornvl(QWidget* parent = nullptr);
    ~Tornvl() override;

    Document doc;

    // Replaceable for tests: the open dialog (an empty result is a cancel) and
    // the service that opens the help page in the browser.
    std::function<QString(QWidget* parent)> photoChooser;
    std::function<bool(const QUrl&)> urlOpener;

    // The control of the layout table with this name.
    QWidget* control(const QString& name) const { return controls_.value(name); }
    InWindowDrag& drag() { return *drag_; }

    // Event handlers.
    void FormCreate();
    void ChargerClick();
    void creer_bmpClick();
    void voir_enlever_le_noir1Click();
    void Sauve_bmpClick();
    void charge_bmpClick();
    void reintialiserClick();
    void OrnivalClick();
    void edit_seuilKeyUp(int key);
    void LisserClick();
    void Image3MouseDown(int X, int Y);
    void voir_enlever_le_noirClick();
    void TotalClick();
    void AideClick();
    void FermerClick();
    void Image1MouseDown(MouseButton button, int X, int Y, QPoint global);
    void Image1MouseUp();
    void Image2MouseDown(int X, int Y);
    void Image2DragDrop(int X, int Y);
    bool Image4DragOver() const;
    void Image4DragDrop(int X, int Y);

    // Shows the document in the controls: pictures, count fields, total, log,
    // correction hints and the step arrow.
    void refresh();

    PhotoView* Image1 = nullptr;
    Picture* Image2 = nullptr;
    Picture* Image3 = nullptr;
    Picture* Image4 = nullptr;
    Picture* img_fleche = nullptr;
    QWidget* Panel_fleche = nullptr;
    QLineEdit* binFields[7] = {};  // Edit0..Edit4, Edit6 at their bin's index
    QLineEdit* nbtotal = nullptr;
    QLineEdit* Edit9 = nullptr;
    KeyUpEdit* edit_seuil = nullptr;
    KeyUpEdit* edit_taille_mini = nullptr;  // "Taille mini": Enter counts as in edit_seuil
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    ClickLabel* Total = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    // Escape abandons a drag under way; "+", "-" and "0" zoom the photo.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void wireEvents();
    // Runs a handler's work under the standard error box, then refresh().
    void handle(const std::function<void()>& work);
    void showLog();

    QHash<QString, QWidget*> controls_;
    std::unique_ptr<InWindowDrag> drag_;
    QStringList shownLog_;
    bool centred_ = false;
};

// The open dialog of "Charger un fichier jpg": its one filter, and a preview of
// the picture under the cursor.
std::unique_ptr<QFileDialog> makePhotoDialog(QWidget* parent);
// Sizes the open dialog and the columns of its detail view so that a file's
// name, size, type and date and the places on the left read whole.
void sizePhotoDialog(QFileDialog& dialog);

// The help page's address: "aide.html" in the current folder, else the shipped
// copy; empty when there is none.
QUrl helpPageUrl();
