#include "app/uFormPrincipal.h"
#include "session/CommandLine.h"
#include "system/ErrorDisplay.h"
#include "system/WindowLookup.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

namespace {

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

// Qt ends the process when it cannot open the window system it was asked for; a user who starts
// the program without a screen deserves a sentence instead. Another platform named in
// QT_QPA_PLATFORM (offscreen, wayland) is left to Qt.
bool noScreen() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")))
        return false;
    if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return false;
    return !orq::sys::displayReachable();
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const orq::CommandLine commandLine =
        orq::parseCommandLine(arguments, QStringLiteral(ORQ_VERSION));
    if (commandLine.action != orq::CommandLine::Action::Run) {
        print(commandLine.action == orq::CommandLine::Action::Error ? stderr : stdout,
              commandLine.text);
        return commandLine.exitStatus();
    }
    if (noScreen()) {
        const QString display = qEnvironmentVariable("DISPLAY");
        print(stderr, QStringLiteral("ORQDados: nenhuma tela disponível (%1); o ORQDados precisa "
                                     "de uma sessão gráfica.\n")
                          .arg(display.isEmpty()
                                   ? QStringLiteral("DISPLAY não está definido")
                                   : QStringLiteral("a tela \"%1\" não responde").arg(display)));
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(orq::applicationTitle());
    QApplication::setApplicationDisplayName(orq::applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(ORQ_VERSION));
    // The names scripts/install.sh registers: the desktop entry the window belongs to, and its
    // icon in the user's icon theme folders (none when the program was not installed).
    QGuiApplication::setDesktopFileName(QStringLiteral("orqdados"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("orqdados")));

    orq::TForm1 form(commandLine.roots);
    form.show();
    return app.exec();
}
