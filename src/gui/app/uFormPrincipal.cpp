#include "app/uFormPrincipal.h"

#include "catalogue/BaseScan.h"
#include "catalogue/ProductFiles.h"
#include "catalogue/Roots.h"
#include "launch/TestEveryBase.h"
#include "listview/ORQListViewWidget.h"
#include "listview/uTORQListView.h"
#include "maintenance/BaseCopy.h"
#include "maintenance/RenameBatch.h"
#include "system/ErrorDisplay.h"
#include "system/MessageBox.h"
#include "system/Paths.h"
#include "system/Process.h"
#include "system/ShellCopyFile.h"
#include "system/WindowLookup.h"
#include "system/WorkerWait.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSizeGrip>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace orq {

namespace {

// Sizes as designed for an 8-point font; larger fonts scale them (see designScale).
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, double scale) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumSize(int(kButtonWidth * scale), kButtonHeight);
    return button;
}

QFrame* makePanel(QWidget* parent, const char* name, int height) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setMinimumHeight(height);
    panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return panel;
}

// The window was drawn for a small 8-point font in which a date and time fits the 115-pixel
// "Data/Hora" column. Widths grow with the font actually in use so no text is cut.
double designScale(const QFontMetrics& metrics) {
    const int designedWidth = 103; // "05/03/2013 14:07:09" in the designed font
    return std::max(1.0, metrics.horizontalAdvance(QStringLiteral("05/03/2013 14:07:09")) /
                             double(designedWidth));
}

} // namespace

TForm1::Places TForm1::Places::ofRunningProgram() {
    return {sys::programFolder()};
}

TForm1::TForm1(const QStringList& arguments, const Places& where, QWidget* parent)
    : QWidget(parent) {
    buildControls();
    chooser = new BaseChooser(ORQListView1->view(), where.programFolder,
                              sys::RegionalSettings::user(), this);
    connect(chooser, &BaseChooser::rowsShown, Panel2Caption,
            [this](int count) { Panel2Caption->setText(QString::number(count)); });
    connect(chooser, &BaseChooser::notice, this,
            [](const QString& message) { showErrorText(message); });
    // A root of many bases, or one on a slow share, takes seconds to read: the window keeps
    // painting and, after a moment, shows how far the reading got, with a way out.
    chooser->setScanRunner(
        [this](const QString& root, ScanProgress& progress, const std::function<BaseScan()>& scan) {
            BaseScan result;
            sys::waitForWorker(this,
                               {QStringLiteral("ScanProgress"), QStringLiteral("Atualizar"),
                                [&] {
                                    return QStringLiteral("Lendo as pastas de %1\n%2 pastas lidas")
                                        .arg(root, QLocale().toString(progress.folders.load()));
                                },
                                [] { return -1; }, [&] { progress.stop = true; }},
                               [&] { result = scan(); });
            return result;
        });
    renameBatch = new RenameBatch(
        ORQListView1->view(), where.programFolder + u'/' + product::ConnectionFile,
        [](const QString& message) {
            // A drag or a held button would keep the box from taking the mouse.
            if (QWidget* grabber = QWidget::mouseGrabber())
                grabber->releaseMouse();
            sys::messageBox({message, QStringLiteral("Erro"), sys::MessageIcon::Error,
                             sys::MessageButtons::Ok});
        },
        this);
    connect(renameBatch, &RenameBatch::progress, this, [this](int done, int total) {
        Panel2Caption->setText(QStringLiteral("Renomeando %1 de %2").arg(done).arg(total));
    });
    connect(renameBatch, &RenameBatch::finished, this,
            [this] { guarded([&] { renameBatchFinished(); }); });
    FormCreate(arguments);
}

TForm1::~TForm1() {
    // QWidget's own destructor closes the window after this object's part is gone, and closing
    // lays the list out once more: nothing may call back into the window from there.
    qApp->removeEventFilter(this);
    ORQListView1->setRowColour({});
}

void TForm1::buildControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(applicationTitle());
    setWindowFlags(Qt::Window);
    const double scale = designScale(fontMetrics());
    resize(int(599 * scale), int(433 * std::min(scale, 1.3)));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(6);

    Panel1 = makePanel(this, "Panel1", 70);
    Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    Panel1->setAccessibleName(QStringLiteral("Raiz e filtro"));
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setPlaceholderText(QStringLiteral("Filtro"));
    Edit1->setAccessibleName(QStringLiteral("Filtro"));
    Edit1->setAccessibleDescription(
        QStringLiteral("Digite parte do nome, da data ou do tamanho para filtrar a lista"));
    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // When its edit finishes (the box loses the focus), a Qt combo box looks the typed text up
    // among its items, letter case ignored, takes over that item's text and reports it as
    // activated, as if picked. Leaving the box is ComboBox1Exit's alone: a known root typed by
    // hand must not be reopened, nor its text changed.
    disconnect(ComboBox1->lineEdit(), &QLineEdit::editingFinished, ComboBox1, nullptr);
    ComboBox1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ComboBox1->setEditText(defaultRoot());
    ComboBox1->setAccessibleName(QStringLiteral("Raiz"));
    ComboBox1->setAccessibleDescription(
        QStringLiteral("Pasta ou compartilhamento que contém ORQ_DADOS"));
    // On Linux the box's own name is its text; the edit inside it, which has the focus, is what a
    // screen reader announces.
    ComboBox1->lineEdit()->setAccessibleName(QStringLiteral("Raiz"));
    btnAtualizar = makeButton(Panel1, "btnAtualizar", QStringLiteral("&Atualizar"), scale);
    btnAtualizar->setAccessibleName(QStringLiteral("Atualizar"));
    btnAtualizar->setAccessibleDescription(QStringLiteral("Lê de novo as pastas da raiz"));
    auto* top = new QGridLayout(Panel1);
    top->setContentsMargins(10, 6, 10, 8);
    top->setHorizontalSpacing(6);
    top->setVerticalSpacing(4);
    top->addWidget(ComboBox1, 0, 0);
    top->addWidget(btnAtualizar, 0, 1);
    top->addWidget(Edit1, 1, 0, 1, 2);

    ORQListView1 = new ORQListViewWidget(this);
    ORQListView1->setObjectName(QStringLiteral("ORQListView1"));
    // A screen reader reads the column headers from the list's model along with each cell.
    ORQListView1->setAccessibleName(QStringLiteral("Bases"));
    ORQListView1->setAccessibleDescription(
        QStringLiteral("Bases da raiz; Enter entra na base selecionada"));
    TORQListView& view = ORQListView1->view();
    view.addColumn(QStringLiteral("Nome"), int(356 * scale), Qt::AlignLeft);
    view.addColumn(QStringLiteral("Data/Hora"), int(115 * scale), Qt::AlignHCenter);
    view.addColumn(QStringLiteral("Tamanho"), int(86 * scale), Qt::AlignRight);
    view.setORQAgruparColumnClick(false);
    view.setORQOrdenarColumnClick(true);
    view.setDesabilitarBusca(true);
    view.setAlign(ListStore::Align::Client);
    // The current base is drawn in the highlight colour; the match is exact, letter case
    // included, while the searches for it ignore case.
    ORQListView1->setRowColour([this](const ListRow& row) -> std::optional<QColor> {
        const QString& current = chooser->currentBaseName();
        if (!current.isEmpty() && row.caption() == current)
            return palette().color(QPalette::Highlight);
        return std::nullopt;
    });

    Panel2 = makePanel(this, "Panel2", 41);
    Panel2Caption = new QLabel(Panel2);
    Panel2Caption->setObjectName(QStringLiteral("Panel2Caption"));
    Panel2Caption->setAlignment(Qt::AlignCenter);
    // Its name is its text, the row count or the progress of a batch: a fixed name would hide
    // that text from a screen reader, and a label left without one announces each change.
    Panel2Caption->setAccessibleDescription(QStringLiteral("Bases listadas ou andamento"));
    Panel2->setAccessibleName(QStringLiteral("Comandos"));
    btnOpcoes = new QToolButton(Panel2);
    btnOpcoes->setObjectName(QStringLiteral("btnOpcoes"));
    btnOpcoes->setText(QStringLiteral("&Opções"));
    btnOpcoes->setAccessibleName(QStringLiteral("Opções"));
    btnOpcoes->setMinimumSize(int(kButtonWidth * scale), kButtonHeight);
    btnOpcoes->setPopupMode(QToolButton::MenuButtonPopup);
    btnOpcoes->setToolButtonStyle(Qt::ToolButtonTextOnly);
    btnOpcoes->setFocusPolicy(Qt::StrongFocus);
    btnEntrar = makeButton(Panel2, "btnEntrar", QStringLiteral("&Entrar"), scale);
    btnEntrar->setAccessibleName(QStringLiteral("Entrar"));
    btnEntrar->setAccessibleDescription(QStringLiteral("Inicia o ORQ na base selecionada"));
    btnEntrar->setVisible(false);
    btnUltimaBase = makeButton(Panel2, "btnUltimaBase", QStringLiteral("&Ultima Base"), scale);
    // Spelt right for the speech synthesiser; the caption keeps the product's spelling.
    btnUltimaBase->setAccessibleName(QStringLiteral("Última Base"));
    btnUltimaBase->setAccessibleDescription(
        QStringLiteral("Inicia o ORQ na base gravada em orqcon.ini"));
    btnUltimaBase->setDefault(true);
    btnCancelar = makeButton(Panel2, "btnCancelar", QStringLiteral("&Cancelar"), scale);
    btnCancelar->setAccessibleName(QStringLiteral("Cancelar"));
    // The row count sits in the middle of the panel, between the menu button and the commands.
    auto* bottom = new QHBoxLayout(Panel2);
    bottom->setContentsMargins(12, 6, 8, 6);
    bottom->addWidget(btnOpcoes);
    bottom->addWidget(Panel2Caption, 1);
    bottom->addWidget(btnEntrar);
    bottom->addWidget(btnUltimaBase);
    bottom->addWidget(btnCancelar);
    auto* grip = new QSizeGrip(Panel2);
    grip->setAccessibleName(QStringLiteral("Redimensionar janela"));
    bottom->addWidget(grip, 0, Qt::AlignBottom | Qt::AlignRight);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->setAccessibleName(QStringLiteral("Opções"));
    auto addItem = [this](const char* name, const QString& caption, const char* shortcut,
                          void (TForm1::*handler)()) {
        QAction* action = PopupMenu1->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        // Shown beside the caption only: the window's key handling decides what Ctrl does.
        action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
        return action;
    };
    mnNovaBase =
        addItem("mnNovaBase", QStringLiteral("Nova Base"), "Ctrl+N", &TForm1::Button3Click);
    mnCopiar =
        addItem("mnCopiar", QStringLiteral("Copiar para mim"), "Ctrl+C", &TForm1::Button5Click);
    mnEnviar = addItem("mnEnviar", QStringLiteral("Enviar para servidor"), "Ctrl+E",
                       &TForm1::mnEnviarClick);
    mnTestarOrqdef = addItem("mnTestarOrqdef", QStringLiteral("Testar ORQDEF em todas"), "Ctrl+S",
                             &TForm1::Button7Click);
    mnRenomearPastasParaUF =
        addItem("mnRenomearPastasParaUF", QStringLiteral("Renomear Pastas para UF"), "Ctrl+U",
                &TForm1::mnRenomearPastasParaUFClick);
    PopupMenu1->addSeparator();
    mnSobre = PopupMenu1->addAction(QStringLiteral("&Sobre o ORQDados"));
    mnSobre->setObjectName(QStringLiteral("mnSobre"));
    connect(mnSobre, &QAction::triggered, this, [this] { mnSobreClick(); });
    btnOpcoes->setMenu(PopupMenu1);
    // The button's face opens the menu as its arrow does, so its mnemonic (Alt+O) reaches every
    // command of the menu from the keyboard.
    connect(btnOpcoes, &QToolButton::clicked, btnOpcoes, &QToolButton::showMenu);

    layout->addWidget(Panel1);
    layout->addWidget(ORQListView1, 1);
    layout->addWidget(Panel2);

    setTabOrder(Edit1, ComboBox1);
    setTabOrder(ComboBox1, btnAtualizar);
    setTabOrder(btnAtualizar, btnOpcoes);
    setTabOrder(btnOpcoes, btnUltimaBase);
    setTabOrder(btnUltimaBase, btnEntrar);
    setTabOrder(btnEntrar, btnCancelar);
    setTabOrder(btnCancelar, ORQListView1);

    connect(btnAtualizar, &QPushButton::clicked, this,
            [this] { guarded([&] { btnAtualizarClick(); }); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { guarded([&] { Edit1Change(); }); });
    connect(ComboBox1, &QComboBox::activated, this,
            [this] { guarded([&] { ComboBox1Select(); }); });
    connect(btnEntrar, &QPushButton::clicked, this, [this] { guarded([&] { btnEntrarClick(); }); });
    connect(btnUltimaBase, &QPushButton::clicked, this,
            [this] { guarded([&] { btnUltimaBaseClick(); }); });
    connect(btnCancelar, &QPushButton::clicked, this, [this] { btnCancelarClick(); });
    connect(ORQListView1, &ORQListViewWidget::rowDoubleClicked, this,
            [this] { guarded([&] { btnEntrarClick(); }); });

    // Keys reach the window before the focused control; the root box reports when it is left
    // and the list when it is entered. The application filter alone sees all of these: a filter
    // on the root box or the list as well would hand their keys and focus changes over twice
    // (a Ctrl shortcut run twice, a new root opened and its error shown twice).
    qApp->installEventFilter(this);
}

// ---------------------------------------------------------------------------------------------
// Creation and first display

void TForm1::FormCreate(const QStringList& arguments) {
    // Each step needs the one before; the first failure is shown and the window opens as it is.
    guarded([&] {
        chooser->loadHosts();
        refreshRootList();
        ComboBox1->setEditText(chooser->startupRoot(arguments));
        chooser->ReadIniFolderName();
        chooser->open(root());
    });
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce) {
        shownOnce = true;
        FormShow();
    }
}

void TForm1::FormShow() {
    chooser->selectCurrentBase();
    Edit1->setFocus(Qt::OtherFocusReason);
}

QString TForm1::root() const {
    return ComboBox1->currentText();
}

// ---------------------------------------------------------------------------------------------
// Catalogue

void TForm1::btnAtualizarClick() {
    chooser->refresh(root(), Edit1->text());
    // A rescan that re-applies the filter is a change of the filter's result.
    if (!Edit1->text().isEmpty())
        ShowEnterButton();
}

void TForm1::Edit1Change() {
    ShowEnterButton();
    chooser->filter(Edit1->text());
}

// ---------------------------------------------------------------------------------------------
// Roots

void TForm1::refreshRootList() {
    const QString text = ComboBox1->currentText();
    const QStringList& roots = chooser->knownRoots();
    ComboBox1->clear();
    ComboBox1->addItems(roots);
    ComboBox1->setMaxVisibleItems(std::max<int>(1, int(roots.size())));
    ComboBox1->setEditText(text);
}

void TForm1::ComboBox1Select() {
    chooser->open(root());
    Edit1->setFocus(Qt::OtherFocusReason);
    btnAtualizar->setEnabled(!chooser->isServerRoot(root()));
    mnCopiar->setEnabled(!btnAtualizar->isEnabled());
}

void TForm1::ComboBox1Exit() {
    // Disabling the controls for a batch takes the focus out of the box; that is no leaving.
    if (listMustStay())
        return;
    const QString typed = root();
    if (chooser->isKnownRoot(typed))
        return;
    ComboBox1Select();
    if (chooser->list().rowCount() < 1)
        return;
    chooser->rememberRoot(typed);
    refreshRootList();
}

// ---------------------------------------------------------------------------------------------
// Entering a base

bool TForm1::EnterSelectedBase() {
    chooser->EnterSelectedBase(root());
    return LaunchProduct();
}

bool TForm1::LaunchProduct() {
    const auto failure = chooser->launchProduct();
    if (!failure)
        return true;
    showErrorText(*failure);
    return false;
}

void TForm1::btnEntrarClick() {
    if (!btnEntrar->isEnabled())
        return;
    if (EnterSelectedBase())
        close();
}

void TForm1::btnUltimaBaseClick() {
    if (LaunchProduct())
        close();
}

void TForm1::btnCancelarClick() {
    if (testRun.running) {
        testRun.stopRequested = true;
        return;
    }
    close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The product of the base being tested must still be ended: the run stops after it.
    if (testRun.running) {
        testRun.stopRequested = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Copy commands

void TForm1::Button3Click() {
    if (listMustStay())
        return;
    const QString source = chooser->selectedOrFirstRow().caption();
    if (sys::messageBox({QStringLiteral("Copiar ") + source + u'?', QStringLiteral("Nova Base"),
                         sys::MessageIcon::Question, sys::MessageButtons::YesNo},
                        this) != sys::MessageResult::Yes)
        return;
    const std::optional<QString> name =
        sys::inputText({QStringLiteral("Nova Base"), QStringLiteral("Nome"), 255}, this);
    if (!name)
        return;
    createNewBase(root(), source, *name, [this](const QString& from, const QString& to, bool keep) {
        return ShellCopyFile(from, to, keep);
    });
    btnAtualizarClick();
    chooser->list().setFocusedRow(chooser->findRowByCaption(*name));
}

void TForm1::Button5Click() {
    if (listMustStay())
        return;
    const QString name = chooser->selectedOrFirstRow().caption();
    if (sys::messageBox({QStringLiteral("Copiar base selecionada para seu computador?"),
                         QStringLiteral("Copiar Base"), sys::MessageIcon::Question,
                         sys::MessageButtons::YesNo},
                        this) != sys::MessageResult::Yes)
        return;
    const bool copied =
        fetchBase(root(), chooser->programFolder(), name, QDateTime::currentDateTime(),
                  [this](const QString& from, const QString& to, bool keep) {
                      return ShellCopyFile(from, to, keep);
                  });
    if (!copied)
        return;
    // Back to the first known root, where the local bases are normally listed; with no root
    // known, the program's own folder is the root the base was copied into.
    ComboBox1->setEditText(ComboBox1->count() > 0 ? ComboBox1->itemText(0)
                                                  : chooser->programFolder());
    btnAtualizarClick();
    ListRow* row = chooser->findRowByCaption(name);
    chooser->list().setSelectedRow(row);
    if (row)
        row->makeVisible();
}

void TForm1::mnEnviarClick() {
    sys::messageBox({QStringLiteral("Funcionalidade em Desenvolvimento"), applicationTitle(),
                     sys::MessageIcon::None, sys::MessageButtons::Ok},
                    this);
}

void TForm1::mnSobreClick() {
    sys::messageBox({QStringLiteral("%1 versão %2\n\n"
                                    "Lista as bases de uma raiz do ORQ, grava a escolhida em "
                                    "orqcon.ini e inicia o ORQ7.exe.\n\n"
                                    "Pasta do programa: %3\nQt %4")
                         .arg(applicationTitle(), QStringLiteral(ORQ_VERSION),
                              QDir::toNativeSeparators(chooser->programFolder()),
                              QString::fromLatin1(qVersion())),
                     QStringLiteral("Sobre o ORQDados"), sys::MessageIcon::Information,
                     sys::MessageButtons::Ok},
                    this);
}

bool TForm1::ShellCopyFile(const QString& source, const QString& target, bool failIfExists) {
    return sys::ShellCopyFile(this, source, target, failIfExists);
}

// ---------------------------------------------------------------------------------------------
// State suffixes

// Running workers hold rows of the list and the batch resumes by row index: nothing may refill,
// re-sort or refilter the list until the last worker has ended.
bool TForm1::listMustStay() const {
    return renameBatch->running() || testRun.running;
}

void TForm1::mnRenomearPastasParaUFClick() {
    if (listMustStay())
        return;
    if (sys::messageBox({QStringLiteral("É necessário manter o ORQ e o IBExpert fechados. Deseja "
                                        "Continuar?"),
                         mnRenomearPastasParaUF->text(), sys::MessageIcon::Question,
                         sys::MessageButtons::YesNo},
                        this) != sys::MessageResult::Yes)
        return;
    SetControlsEnabled(false);
    chooser->list().setORQOrdenarColumnClick(false);
    renameBatch->start();
    if (renameBatch->running())
        Panel2Caption->setText(
            QStringLiteral("Renomeando 0 de %1").arg(renameBatch->rowsToRename()));
}

void TForm1::renameBatchFinished() {
    chooser->list().setORQOrdenarColumnClick(true);
    // Enabled again even when the rescan fails, or the window would stay locked.
    struct Enable {
        TForm1* form;
        ~Enable() { form->SetControlsEnabled(true); }
    } enable{this};
    btnAtualizarClick();
}

// ---------------------------------------------------------------------------------------------
// Testing every base

void TForm1::Button7Click() {
    if (listMustStay())
        return;
    TORQListView& view = chooser->list();
    const int start = TestEveryBase::startRow(view, chooser->findCurrentBaseRow());
    const int count = view.rowCount();
    testRun = {true, false};
    struct Restore {
        TForm1* form;
        int count;
        ~Restore() {
            form->testRun.running = false;
            form->Panel2Caption->setText(QString::number(count));
        }
    } restore{this, count};

    TestEveryBase::Steps steps;
    steps.select = [&](int row) {
        ListRow* selected = &view.row(row);
        view.setSelectedRow(selected);
        selected->makeVisible();
    };
    steps.enter = [this] { return EnterSelectedBase(); };
    steps.wait = [this](int ms) { waitKeepingWindowAlive(ms); };
    steps.waitWindowOpen = [] { return sys::topLevelWindowExists(QStringLiteral("Aguarde...")); };
    steps.endProduct = [] { sys::KillProcessByName(product::Program); };
    steps.stopRequested = [this] { return testRun.stopRequested; };
    steps.progress = [this](int number, int total) {
        Panel2Caption->setText(QStringLiteral("Testando %1 de %2").arg(number).arg(total));
        // Painted now: the product may take the screen before the next event loop turn.
        Panel2Caption->repaint();
    };
    TestEveryBase::run(start, count, steps);
}

void TForm1::waitKeepingWindowAlive(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// While a test run waits, the window paints and answers only Escape and Cancelar; everything
// else that could change the list or start a command is held back.
bool TForm1::filterWhileTesting(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            testRun.stopRequested = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return true;
    // A mnemonic (Alt+letter) clicks its button without a key or mouse event on it.
    case QEvent::Shortcut:
        return widget != btnCancelar;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return widget != btnCancelar;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Window

void TForm1::ShowEnterButton() {
    btnEntrar->setVisible(true);
    btnUltimaBase->setDefault(false);
    btnEntrar->setDefault(true);
}

void TForm1::SetControlsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             ComboBox1, Edit1, btnAtualizar, btnOpcoes, btnEntrar, btnUltimaBase, btnCancelar})
        control->setEnabled(enabled);
}

// Keys are routed here, and only here. The window must see every key before the focused control
// does (typing anywhere filters, Up and Down move the list from the edit boxes), and its button
// navigation must come before that: Enter clicks the focused or the default button, Escape clicks
// Cancelar, arrows move between buttons. Qt's dialog class would act on Enter and Escape only
// after the focused control had passed the key on, and would close on Escape even while Cancelar
// is disabled, so the window is a plain widget and does the navigation itself.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (testRun.running && filterWhileTesting(watched, event))
        return true;
    switch (event->type()) {
    case QEvent::KeyPress: {
        // Only the first delivery, to the focused control: a key the control ignores travels on
        // to its parents and must not be handled twice. The window's own focus widget, not the
        // application's: without a window manager the window is never active, yet has the keys.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget != focusWidget() || widget->window() != this)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        bool consumed = false;
        guarded([&] { consumed = dialogKey(key) || FormKeyDown(key); });
        return consumed;
    }
    case QEvent::FocusOut:
        if (watched == ComboBox1) {
            // Opening the drop-down list or switching to another window is not leaving the box.
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                guarded([&] { ComboBox1Exit(); });
        }
        return false;
    case QEvent::FocusIn:
        if (watched == ORQListView1)
            ShowEnterButton();
        return false;
    default:
        return false;
    }
}

// The button navigation; true when it took the key.
bool TForm1::dialogKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    auto* focusedButton = qobject_cast<QAbstractButton*>(focusWidget());
    auto clickIfUsable = [](QAbstractButton* button) {
        if (!button || !button->isEnabled() || !button->isVisible())
            return false;
        button->click();
        return true;
    };
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers != Qt::NoModifier)
            return false;
        if (focusedButton)
            return clickIfUsable(focusedButton);
        return clickIfUsable(btnEntrar->isDefault() ? btnEntrar : btnUltimaBase);
    case Qt::Key_Escape:
        return modifiers == Qt::NoModifier && clickIfUsable(btnCancelar);
    case Qt::Key_Up:
    case Qt::Key_Left:
    case Qt::Key_Down:
    case Qt::Key_Right:
        if (!focusedButton)
            return false;
        focusNextPrevChild(event->key() == Qt::Key_Down || event->key() == Qt::Key_Right);
        return true;
    default:
        return false;
    }
}

// The window's own keys; true when the focused control must not see the key.
bool TForm1::FormKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        return false;
    QWidget* focus = focusWidget();
    const bool inFilter = focus == Edit1;
    const bool inRootBox = focus && (focus == ComboBox1 || ComboBox1->isAncestorOf(focus));
    const bool inList = focus && (focus == ORQListView1 || ORQListView1->isAncestorOf(focus));

    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) &&
        (inList || inFilter || inRootBox)) {
        chooser->moveSelection(event->key() == Qt::Key_Up);
        ShowEnterButton();
        return true;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        QAction* item = nullptr;
        switch (event->key()) {
        case Qt::Key_N:
            item = mnNovaBase;
            break;
        case Qt::Key_C:
            item = mnCopiar;
            break;
        case Qt::Key_E:
            item = mnEnviar;
            break;
        case Qt::Key_S:
            item = mnTestarOrqdef;
            break;
        case Qt::Key_U:
            // The menu shows Ctrl+U beside the item; a shortcut shown must work.
            item = mnRenomearPastasParaUF;
            break;
        default:
            break;
        }
        if (item && item->isEnabled())
            item->trigger();
        return false;
    }
    // Alt with a letter is a button's mnemonic, which Qt has run before the key gets here, or a
    // mistyped one (the button hidden, no such letter): neither is a letter for the filter or
    // the root box, though a Qt edit box would insert it. Alt alone still goes on below.
    const QString text = event->text();
    if ((event->modifiers() & Qt::AltModifier) && !text.isEmpty() && text[0].isPrint())
        return true;
    // A disabled filter box takes no typing: the batch that disabled it needs the list as it is.
    if (!inFilter && !inRootBox && Edit1->isEnabled()) {
        Edit1->setFocus(Qt::OtherFocusReason);
        if (text.size() == 1 && text[0].unicode() >= 32 && text[0].unicode() <= 126) {
            Edit1->setText(Edit1->text() + text);
            Edit1->setCursorPosition(int(Edit1->text().size()));
            // The control the key was meant for would otherwise run a type-ahead search of its
            // own; the character has gone to the filter instead.
            return true;
        }
    }
    return false;
}

} // namespace orq
