#include "app/uFormPrincipal.h"

#include "catalogue/BaseScan.h"
#include "session/CatalogueView.h"
#include "catalogue/Roots.h"
#include "launch/ProductLauncher.h"
#include "listview/ORQListViewWidget.h"
#include "listview/uTORQListView.h"
#include "system/ErrorDisplay.h"
#include "system/FileSystem.h"
#include "system/MessageBox.h"
#include "system/Paths.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
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
    : QDialog(parent), places(where), ini(where.programFolder + QStringLiteral("/orqcon.ini")) {
    buildControls();
    FormCreate(arguments);
}

TForm1::~TForm1() = default;

void TForm1::buildControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(applicationTitle());
    setSizeGripEnabled(true);
    // A dialog gets no minimise or maximise box by default; this one is the main window.
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    const double scale = designScale(fontMetrics());
    resize(int(599 * scale), int(433 * std::min(scale, 1.3)));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(6);

    Panel1 = makePanel(this, "Panel1", 70);
    Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setPlaceholderText(QStringLiteral("Filtro"));
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
    btnAtualizar = makeButton(Panel1, "btnAtualizar", QStringLiteral("Atualizar"), scale);
    auto* top = new QGridLayout(Panel1);
    top->setContentsMargins(10, 6, 10, 8);
    top->setHorizontalSpacing(6);
    top->setVerticalSpacing(4);
    top->addWidget(ComboBox1, 0, 0);
    top->addWidget(btnAtualizar, 0, 1);
    top->addWidget(Edit1, 1, 0, 1, 2);

    ORQListView1 = new ORQListViewWidget(this);
    ORQListView1->setObjectName(QStringLiteral("ORQListView1"));
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
        if (!iniFolderName.isEmpty() && row.caption() == iniFolderName)
            return palette().color(QPalette::Highlight);
        return std::nullopt;
    });

    Panel2 = makePanel(this, "Panel2", 41);
    Panel2Caption = new QLabel(Panel2);
    Panel2Caption->setObjectName(QStringLiteral("Panel2Caption"));
    Panel2Caption->setAlignment(Qt::AlignCenter);
    btnOpcoes = new QToolButton(Panel2);
    btnOpcoes->setObjectName(QStringLiteral("btnOpcoes"));
    btnOpcoes->setText(QStringLiteral("Opções"));
    btnOpcoes->setMinimumSize(int(kButtonWidth * scale), kButtonHeight);
    btnOpcoes->setPopupMode(QToolButton::MenuButtonPopup);
    btnOpcoes->setToolButtonStyle(Qt::ToolButtonTextOnly);
    btnOpcoes->setFocusPolicy(Qt::StrongFocus);
    btnEntrar = makeButton(Panel2, "btnEntrar", QStringLiteral("Entrar"), scale);
    btnEntrar->setVisible(false);
    btnUltimaBase = makeButton(Panel2, "btnUltimaBase", QStringLiteral("Ultima Base"), scale);
    btnUltimaBase->setDefault(true);
    btnCancelar = makeButton(Panel2, "btnCancelar", QStringLiteral("Cancelar"), scale);
    // The row count sits in the middle of the panel, between the menu button and the commands.
    auto* bottom = new QHBoxLayout(Panel2);
    bottom->setContentsMargins(12, 6, 8, 6);
    bottom->addWidget(btnOpcoes);
    bottom->addWidget(Panel2Caption, 1);
    bottom->addWidget(btnEntrar);
    bottom->addWidget(btnUltimaBase);
    bottom->addWidget(btnCancelar);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto addItem = [this](const char* name, const QString& caption, const char* shortcut) {
        QAction* action = PopupMenu1->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        // Shown beside the caption only: the window's key handling decides what Ctrl does.
        action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, &TForm1::notYetAvailable);
        return action;
    };
    mnNovaBase = addItem("mnNovaBase", QStringLiteral("Nova Base"), "Ctrl+N");
    mnCopiar = addItem("mnCopiar", QStringLiteral("Copiar para mim"), "Ctrl+C");
    mnEnviar = addItem("mnEnviar", QStringLiteral("Enviar para servidor"), "Ctrl+E");
    mnTestarOrqdef = addItem("mnTestarOrqdef", QStringLiteral("Testar ORQDEF em todas"), "Ctrl+S");
    mnRenomearPastasParaUF =
        addItem("mnRenomearPastasParaUF", QStringLiteral("Renomear Pastas para UF"), "Ctrl+U");
    btnOpcoes->setMenu(PopupMenu1);

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
        loadHosts();
        refreshRootList();
        ComboBox1->setEditText(startupRoot(arguments, hosts.lines));
        ReadIniFolderName();
        LoadDataBases();
        ShowDataBases(dataBases.lines);
    });
}

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shownOnce) {
        shownOnce = true;
        FormShow();
    }
}

void TForm1::FormShow() {
    TORQListView& view = list();
    ListRow* current = findRowByCaption(iniFolderName);
    if (current) {
        view.setSelectedRow(current);
        current->makeVisible();
    } else {
        view.clearSelection();
    }
    Edit1->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------------------------
// Catalogue

void TForm1::ScanDataBases() {
    const QString root = ComboBox1->currentText();
    dataBases.lines = scanBaseLines(root, sys::RegionalSettings::user());
    dataBaseItem = QStringList(3);
    dataBases.saveToFile(catalogueFilePath(root));
    ShowDataBases(dataBases.lines);
    // Only the keyboard focus mark: selection and scroll position stay as they are.
    if (ListRow* current = findRowByCaption(iniFolderName))
        list().setFocusedRow(current);
}

void TForm1::LoadDataBases() {
    const QString path = catalogueFilePath(ComboBox1->currentText());
    if (sys::fileExists(path))
        dataBases.loadFromFile(path);
    else
        ScanDataBases();
}

void TForm1::ShowDataBases(const QStringList& lines) {
    showCatalogueLines(list(), lines, dataBases.lines.size(), dataBaseItem);
    Panel2Caption->setText(QString::number(list().rowCount()));
}

void TForm1::btnAtualizarClick() {
    ScanDataBases();
    if (!Edit1->text().isEmpty())
        Edit1Change();
}

void TForm1::Edit1Change() {
    ShowEnterButton();
    if (Edit1->text().isEmpty()) {
        ShowDataBases(dataBases.lines);
        return;
    }
    dataBasesFiltered.lines = filterCatalogueLines(dataBases.lines, Edit1->text());
    ShowDataBases(dataBasesFiltered.lines);
}

// ---------------------------------------------------------------------------------------------
// Roots

void TForm1::loadHosts() {
    const QString path = hostsFilePath(places.programFolder);
    if (sys::fileExists(path))
        hosts.loadFromFile(path);
}

void TForm1::refreshRootList() {
    const QString text = ComboBox1->currentText();
    ComboBox1->clear();
    ComboBox1->addItems(hosts.lines);
    ComboBox1->setMaxVisibleItems(std::max<int>(1, int(hosts.lines.size())));
    ComboBox1->setEditText(text);
}

void TForm1::ComboBox1Select() {
    LoadDataBases();
    ShowDataBases(dataBases.lines);
    Edit1->setFocus(Qt::OtherFocusReason);
    const bool server = isServerRoot(ComboBox1->currentText());
    btnAtualizar->setEnabled(!server);
    mnCopiar->setEnabled(!btnAtualizar->isEnabled());
}

void TForm1::ComboBox1Exit() {
    const QString root = ComboBox1->currentText();
    if (isKnownRoot(hosts.lines, root, sys::RegionalSettings::user()))
        return;
    ComboBox1Select();
    if (list().rowCount() < 1)
        return;
    hosts.lines.append(root);
    hosts.saveToFile(hostsFilePath(places.programFolder));
    refreshRootList();
}

// ---------------------------------------------------------------------------------------------
// Entering a base

void TForm1::ReadIniFolderName() {
    iniFolderName = ini.currentBaseName();
}

bool TForm1::EnterSelectedBase() {
    TORQListView& view = list();
    if (!view.selectedRow()) {
        ListRow* row = findRowByCaption(iniFolderName);
        if (!row && view.rowCount() > 0)
            row = &view.row(0);
        if (row)
            view.setSelectedRow(row);
    }
    ListRow* chosen = view.selectedRow();
    if (!chosen)
        throw Error(QStringLiteral("Selecione um Item"));
    writeEnteredBase(ini, ComboBox1->currentText(), chosen->caption());
    return LaunchProduct();
}

bool TForm1::LaunchProduct() {
    // The product beside our own program comes first, then PATH.
    const auto failure = launchProduct(QStringLiteral("ORQ7.exe"), places.programFolder);
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
    close();
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

void TForm1::notYetAvailable() {
    sys::messageBox({QStringLiteral("Função ainda não disponível nesta versão."),
                     applicationTitle(), sys::MessageIcon::None, sys::MessageButtons::Ok},
                    this);
}

TORQListView& TForm1::list() const {
    return ORQListView1->view();
}

ListRow* TForm1::findRowByCaption(const QString& caption) const {
    TORQListView& view = list();
    for (int i = 0; i < view.rowCount(); ++i) {
        ListRow* row = &view.row(i);
        if (row->caption().compare(caption, Qt::CaseInsensitive) == 0)
            return row;
    }
    return nullptr;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        // Only the first delivery, to the focused control: a key the control ignores travels on
        // to its parents and must not be handled twice. The window's own focus widget, not the
        // application's: without a window manager the window is never active, yet has the keys.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget != focusWidget() || widget->window() != this)
            return false;
        bool consumed = false;
        guarded([&] { consumed = handleDialogKey(static_cast<QKeyEvent*>(event)); });
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

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape were decided in the key filter; the dialog must not act on them again.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

// The dialog's own navigation comes first: Enter clicks the focused or default button, Escape
// clicks Cancelar, arrows move between buttons. Whatever it leaves goes to FormKeyDown.
bool TForm1::handleDialogKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    auto* focusedButton = qobject_cast<QAbstractButton*>(focusWidget());
    auto usable = [](QAbstractButton* button) {
        return button && button->isEnabled() && button->isVisible();
    };
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers == Qt::NoModifier) {
            QAbstractButton* target = focusedButton
                                          ? focusedButton
                                          : (btnEntrar->isDefault() ? btnEntrar : btnUltimaBase);
            if (usable(target)) {
                target->click();
                return true;
            }
        }
        break;
    case Qt::Key_Escape:
        if (modifiers == Qt::NoModifier && usable(btnCancelar)) {
            btnCancelar->click();
            return true;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Left:
    case Qt::Key_Down:
    case Qt::Key_Right:
        if (focusedButton) {
            const bool forward = event->key() == Qt::Key_Down || event->key() == Qt::Key_Right;
            focusNextPrevChild(forward);
            return true;
        }
        break;
    default:
        break;
    }
    return FormKeyDown(event);
}

bool TForm1::FormKeyDown(QKeyEvent* event) {
    QWidget* focus = focusWidget();
    const bool inFilter = focus == Edit1;
    const bool inRootBox = focus && (focus == ComboBox1 || ComboBox1->isAncestorOf(focus));
    const bool inList = focus && (focus == ORQListView1 || ORQListView1->isAncestorOf(focus));

    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) &&
        (inList || inFilter || inRootBox)) {
        moveSelection(event->key() == Qt::Key_Up);
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
        default:
            break;
        }
        if (item && item->isEnabled())
            item->trigger();
        return false;
    }
    if (!inFilter && !inRootBox) {
        Edit1->setFocus(Qt::OtherFocusReason);
        const QString typed = event->text();
        if (typed.size() == 1 && typed[0].unicode() >= 32 && typed[0].unicode() <= 126) {
            Edit1->setText(Edit1->text() + typed);
            Edit1->setCursorPosition(int(Edit1->text().size()));
            // The control the key was meant for would otherwise run a type-ahead search of its
            // own; the character has gone to the filter instead.
            return true;
        }
    }
    return false;
}

void TForm1::moveSelection(bool up) {
    TORQListView& view = list();
    if (view.rowCount() == 0)
        return;
    if (!view.selectedRow())
        view.setSelectedRow(&view.row(0));
    const int index = view.selectedRow()->index();
    const int next = up ? index - 1 : index + 1;
    if (next < 0 || next >= view.rowCount())
        return;
    ListRow* row = &view.row(next);
    view.setSelectedRow(row);
    row->makeVisible();
}

} // namespace orq
