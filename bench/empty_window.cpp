// The floor of the window timings: a Qt window with one line of text and nothing else.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("ORQDados"));
    label.resize(599, 433);
    label.show();
    return app.exec();
}
