// orqlistdemo [--rows N]: a window with one TORQListView over N generated rows (10 000 unless
// told), a city, a date and a number each. A first click on a header sorts by it, a second
// groups by it, a third shows the flat list again; typing in the list searches the sorted
// column; the box above calls Filtrar on every keystroke.

#include "listview/ORQListViewWidget.h"
#include "system/ErrorDisplay.h"
#include "system/Locale.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdint>
#include <cstdio>

namespace {

constexpr const char16_t* kCities[] = {
    u"Aracaju",     u"Belém",    u"Belo Horizonte", u"Boa Vista",      u"Brasília", u"Campo Grande",
    u"Cuiabá",      u"Curitiba", u"Florianópolis",  u"Fortaleza",      u"Goiânia",  u"João Pessoa",
    u"Macapá",      u"Maceió",   u"Manaus",         u"Natal",          u"Palmas",   u"Porto Alegre",
    u"Porto Velho", u"Recife",   u"Rio Branco",     u"Rio de Janeiro", u"Salvador", u"São Luís",
    u"São Paulo",   u"Teresina", u"Vitória"};

// Rows in a scrambled but repeatable order.
void fill(orq::TORQListView& list, int rows) {
    std::uint32_t seed = 2026;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    list.BeginUpdateORQ(rows);
    list.clearRows();
    for (int i = 0; i < rows; ++i) {
        const std::uint32_t r = next();
        orq::ListRow& row = list.addRow();
        row.setCaption(QString::fromUtf16(kCities[r % std::size(kCities)]));
        row.appendSubItem(QString::asprintf("%02u/%02u/%04u", 1 + (r / 27) % 28, 1 + (r / 756) % 12,
                                            2000 + (r / 9072) % 27));
        row.appendSubItem(QString::number(next() % 1000000));
    }
    list.EndUpdateORQ();
}

} // namespace

int main(int argc, char** argv) {
    // Without a screen there is nothing to show: say so instead of letting the toolkit abort.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("orqlistdemo: no display (set DISPLAY, or QT_QPA_PLATFORM=offscreen)\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orqlistdemo"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TORQListView sobre dados gerados"));
    parser.addHelpOption();
    const QCommandLineOption rowsOption(QStringLiteral("rows"),
                                        QStringLiteral("Número de linhas (10000)."),
                                        QStringLiteral("N"), QStringLiteral("10000"));
    parser.addOption(rowsOption);
    parser.process(app);
    bool ok = false;
    const int rows = parser.value(rowsOption).toInt(&ok);
    if (!ok || rows < 0) {
        std::fprintf(stderr, "orqlistdemo: --rows wants a whole number, not \"%s\"\n",
                     qPrintable(parser.value(rowsOption)));
        return 2;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("TORQListView"));
    auto* layout = new QVBoxLayout(&window);
    auto* filterRow = new QHBoxLayout;
    auto* filterLabel = new QLabel(QStringLiteral("&Filtrar:"), &window);
    auto* filter = new QLineEdit(&window);
    filter->setObjectName(QStringLiteral("filtro"));
    filter->setAccessibleName(QStringLiteral("Filtrar"));
    filter->setClearButtonEnabled(true);
    filterLabel->setBuddy(filter);
    auto* count = new QLabel(&window);
    count->setObjectName(QStringLiteral("contagem"));
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(filter, 1);
    filterRow->addWidget(count);
    layout->addLayout(filterRow);

    auto* widget = new orq::ORQListViewWidget(&window);
    widget->setObjectName(QStringLiteral("ORQListView1"));
    widget->setAccessibleName(QStringLiteral("Lista"));
    layout->addWidget(widget, 1);
    orq::TORQListView& list = widget->view();
    list.addColumn(QStringLiteral("Cidade"), 220);
    list.addColumn(QStringLiteral("Data"), 110, Qt::AlignHCenter);
    list.addColumn(QStringLiteral("Número"), 100, Qt::AlignRight);
    list.setORQOrdenarColumnClick(true);
    list.setORQAgruparColumnClick(true);
    list.setDesabilitarBusca(false);

    const auto showCount = [&] {
        count->setText(QStringLiteral("%1 linhas, %2 grupos")
                           .arg(list.rowCount())
                           .arg(list.groupView() ? widget->listModel().groupRowCount() : 0));
    };
    QObject::connect(&widget->listModel(), &QAbstractItemModel::modelReset, count, showCount);
    QObject::connect(&widget->listModel(), &QAbstractItemModel::rowsInserted, count, showCount);
    QObject::connect(filter, &QLineEdit::textChanged, widget,
                     [&](const QString& text) { orq::guarded([&] { list.Filtrar(text); }); });

    fill(list, rows);
    showCount();
    window.resize(560, 520);
    window.show();
    widget->setFocus();
    return app.exec();
}
