#pragma once

#include "session/BaseChooser.h"

#include <QWidget>

class QAction;
class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace orq {

class ORQListViewWidget;
class RenameBatch;
class TORQListView;

// The program's one window: the widgets, their wiring and the routing of keys. What the handlers
// work on (roots, catalogue, current base) lives in BaseChooser, which reads nothing from the
// widgets: each handler hands it the root box text at the moment it runs.
class TForm1 : public QWidget {
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

    const QString& currentBaseName() const { return chooser->currentBaseName(); }
    const QStringList& catalogue() const { return chooser->catalogue(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void FormCreate(const QStringList& arguments);
    void FormShow();

    // Catalogue
    void btnAtualizarClick();
    void Edit1Change();

    // Roots
    void refreshRootList();
    void ComboBox1Select();
    void ComboBox1Exit();

    // Entering a base
    bool EnterSelectedBase();
    bool LaunchProduct();
    void btnEntrarClick();
    void btnUltimaBaseClick();
    void btnCancelarClick();

    // Copy commands
    void Button3Click();
    void Button5Click();
    void mnEnviarClick();
    void mnSobreClick();
    bool ShellCopyFile(const QString& source, const QString& target, bool failIfExists);

    // State suffixes
    void mnRenomearPastasParaUFClick();
    void renameBatchFinished();
    bool listMustStay() const;

    // Testing every base
    void Button7Click();
    void waitKeepingWindowAlive(int ms);
    bool filterWhileTesting(QObject* watched, QEvent* event);

    // Window
    void ShowEnterButton();
    void SetControlsEnabled(bool enabled);
    bool dialogKey(QKeyEvent* event);
    bool FormKeyDown(QKeyEvent* event);
    QString root() const;

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
    QAction* mnSobre = nullptr;

    BaseChooser* chooser = nullptr;
    RenameBatch* renameBatch = nullptr;
    bool shownOnce = false;
    // While "Testar ORQDEF em todas" runs, the list must stay as it was when it started: input
    // that could change it is held back, and Escape or Cancelar ask the run to stop.
    struct {
        bool running = false;
        bool stopRequested = false;
    } testRun;
};

} // namespace orq
