#pragma once

#include "launch/ProductIni.h"
#include "system/TextList.h"

#include <QDialog>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace orq {

class ORQListViewWidget;
class TORQListView;
class ListRow;

// The program's one window. A dialog, because only a dialog gives the default-button and Escape
// behaviour the window relies on. Its handlers are thin: the rules live in catalogue/, launch/
// and listview/.
class TForm1 : public QDialog {
    Q_OBJECT

public:
    // Where the program's own files lie: the known roots, the product's connection file and the
    // product itself. Defaults to the folder of the running program.
    struct Places {
        QString programFolder;
        static Places ofRunningProgram();
    };

    explicit TForm1(const QStringList& arguments, const Places& places = Places::ofRunningProgram(),
                    QWidget* parent = nullptr);
    ~TForm1() override;

    const QString& currentBaseName() const { return iniFolderName; }
    const QStringList& catalogue() const { return dataBases.lines; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void FormCreate(const QStringList& arguments);
    void FormShow();

    // Catalogue
    void ScanDataBases();
    void LoadDataBases();
    void ShowDataBases(const QStringList& lines);
    void btnAtualizarClick();
    void Edit1Change();

    // Roots
    void loadHosts();
    void refreshRootList();
    void ComboBox1Select();
    void ComboBox1Exit();

    // Entering a base
    void ReadIniFolderName();
    bool EnterSelectedBase();
    bool LaunchProduct();
    void btnEntrarClick();
    void btnUltimaBaseClick();
    void btnCancelarClick();

    // Window
    void ShowEnterButton();
    void SetControlsEnabled(bool enabled);
    bool FormKeyDown(QKeyEvent* event);
    bool handleDialogKey(QKeyEvent* event);
    void moveSelection(bool up);
    void notYetAvailable();
    TORQListView& list() const;
    ListRow* findRowByCaption(const QString& caption) const;

    Places places;
    ProductIni ini;

    sys::TextList dataBases;
    QStringList dataBaseItem;
    sys::TextList hosts;
    sys::TextList dataBasesFiltered;
    QString iniFolderName;

    QFrame* Panel1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* btnAtualizar = nullptr;
    ORQListViewWidget* ORQListView1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Panel2Caption = nullptr;
    QToolButton* btnOpcoes = nullptr;
    QPushButton* btnEntrar = nullptr;
    QPushButton* btnUltimaBase = nullptr;
    QPushButton* btnCancelar = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* mnNovaBase = nullptr;
    QAction* mnCopiar = nullptr;
    QAction* mnEnviar = nullptr;
    QAction* mnTestarOrqdef = nullptr;
    QAction* mnRenomearPastasParaUF = nullptr;
    bool shownOnce = false;
};

} // namespace orq
