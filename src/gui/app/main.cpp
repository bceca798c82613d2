#include "app/uFormPrincipal.h"
#include "system/ErrorDisplay.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(orq::applicationTitle());
    QApplication::setApplicationDisplayName(orq::applicationTitle());

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst(); // the program itself
    orq::TForm1 form(arguments);
    form.show();
    return app.exec();
}
