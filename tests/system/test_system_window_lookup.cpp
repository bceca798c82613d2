#include "system/WindowLookup.h"

#include "TestSupport.h"

#include "catalogue/ProductFiles.h"

#include <QProcess>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Last: Xlib defines macros (None, Status, Bool) that Qt's headers must not see.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace orqtest;
using orq::sys::topLevelWindowExists;

namespace {

const QString WaitTitle = QStringLiteral("Aguarde...");

// The stand-in product as built, beside the test programs.
QString builtStandIn() {
    const QString folder = qEnvironmentVariable("ORQ_TEST_BIN");
    return (folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder) + u'/' +
           orq::product::Program;
}

// Windows the test shows on a connection of its own, as another program would. Every change is
// synced, so the server has it before the lookup asks.
class TestWindows {
public:
    explicit TestWindows(const QByteArray& display) : m_display(XOpenDisplay(display.constData())) {
        if (m_display == nullptr)
            qFatal("cannot open the X display %s", display.constData());
    }
    ~TestWindows() { XCloseDisplay(m_display); }
    TestWindows(const TestWindows&) = delete;
    TestWindows& operator=(const TestWindows&) = delete;

    Display* display() const { return m_display; }
    Window root() const { return DefaultRootWindow(m_display); }
    Atom atom(const char* name) const { return XInternAtom(m_display, name, False); }

    Window create(Window parent = 0) {
        const Window window =
            XCreateSimpleWindow(m_display, parent == 0 ? root() : parent, 10, 10, 120, 60, 0, 0, 0);
        sync();
        return window;
    }
    void setNetWmName(Window window, const QString& title) {
        const QByteArray utf8 = title.toUtf8();
        XChangeProperty(m_display, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.constData()),
                        int(utf8.size()));
        sync();
    }
    // WM_NAME exactly as given: the bytes and what the property says they are.
    void setWmName(Window window, const QByteArray& bytes, Atom encoding) {
        XChangeProperty(m_display, window, XA_WM_NAME, encoding, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(bytes.constData()),
                        int(bytes.size()));
        sync();
    }
    // WM_NAME in compound text, the form older toolkits write titles beyond Latin-1 in.
    bool setCompoundWmName(Window window, const QString& title) {
        QByteArray utf8 = title.toUtf8();
        char* list[] = {utf8.data()};
        XTextProperty text{};
        if (Xutf8TextListToTextProperty(m_display, list, 1, XCompoundTextStyle, &text) != Success)
            return false;
        const bool compound = text.encoding == atom("COMPOUND_TEXT");
        XSetWMName(m_display, window, &text);
        XFree(text.value);
        sync();
        return compound;
    }
    void map(Window window) {
        XMapWindow(m_display, window);
        sync();
    }
    void unmap(Window window) {
        XUnmapWindow(m_display, window);
        sync();
    }
    void destroy(Window window) {
        XDestroyWindow(m_display, window);
        sync();
    }
    // What a window manager that keeps to the desktop conventions leaves on the root: a window
    // of its own that names itself, and the list of the windows it manages.
    Window actAsWindowManager(const std::vector<Window>& clients) {
        const Window check = create();
        setWindowProperty(check, "_NET_SUPPORTING_WM_CHECK", {check});
        setWindowProperty(root(), "_NET_SUPPORTING_WM_CHECK", {check});
        setWindowProperty(root(), "_NET_CLIENT_LIST", clients);
        return check;
    }

private:
    void setWindowProperty(Window window, const char* name, const std::vector<Window>& windows) {
        std::vector<long> items(windows.begin(), windows.end());
        XChangeProperty(m_display, window, atom(name), XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(items.data()), int(items.size()));
        sync();
    }
    void sync() { XSync(m_display, False); }

    Display* m_display;
};

// Stands between an X server and its clients as a display of its own and breaks a connection
// off at a chosen point: once the client has sent the given number of requests after the
// connection setup, it finds the connection closed when it sends the next one. The server is
// left unharmed, so each connection through it starts afresh.
class BreakingProxy {
public:
    explicit BreakingProxy(const QString& serverSocket)
        : m_server(QFile::encodeName(serverSocket)) {
        if (::pipe2(m_stop, O_CLOEXEC) != 0)
            qFatal("cannot make a pipe: %s", std::strerror(errno));
        claimDisplay();
        m_thread = std::thread([this] { serve(); });
    }
    ~BreakingProxy() {
        const char stop = 1;
        while (::write(m_stop[1], &stop, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
        ::close(m_listener);
        ::close(m_stop[0]);
        ::close(m_stop[1]);
        ::unlink(m_lock.constData());
    }
    BreakingProxy(const BreakingProxy&) = delete;
    BreakingProxy& operator=(const BreakingProxy&) = delete;

    // The value for DISPLAY, ":N".
    QByteArray display() const { return m_display; }
    // Negative: never.
    void breakAfter(int requests) { m_limit = requests; }
    int connectionsEnded() const { return m_ended; }
    // On the connection open now, or the last one.
    int requestsSeen() const { return m_seen; }
    // Whether the last connection that ended was broken off.
    bool broke() const { return m_broke; }

private:
    // A display number is taken the way X servers take one: its lock file, made exclusively,
    // then its socket. Clients on Linux try the abstract socket of that name first, so that one
    // is all the proxy needs and it leaves no file behind.
    void claimDisplay() {
        for (int number = 600; number < 1000; ++number) {
            const QByteArray lock = "/tmp/.X" + QByteArray::number(number) + "-lock";
            int fd = ::open(lock.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0444);
            if (fd < 0 && removeStaleLock(lock))
                fd = ::open(lock.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0444);
            if (fd < 0)
                continue;
            const QByteArray pid = QByteArray::number(::getpid()).rightJustified(10) + '\n';
            const bool written =
                ::write(fd, pid.constData(), std::size_t(pid.size())) == pid.size();
            ::close(fd);
            const QByteArray name =
                QByteArray(1, '\0') + "/tmp/.X11-unix/X" + QByteArray::number(number);
            m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
            const auto length =
                socklen_t(offsetof(sockaddr_un, sun_path) + std::size_t(name.size()));
            if (written && m_listener >= 0 &&
                ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
                ::listen(m_listener, 4) == 0) {
                m_lock = lock;
                m_display = ':' + QByteArray::number(number);
                return;
            }
            ::close(m_listener);
            ::unlink(lock.constData());
        }
        qFatal("no free display number for the proxy");
    }

    // A lock whose process is gone holds nothing, as X servers see it too.
    static bool removeStaleLock(const QByteArray& lock) {
        bool number = false;
        const pid_t owner = pid_t(readBytes(QFile::decodeName(lock)).trimmed().toInt(&number));
        if (!number || owner <= 0 || ::kill(owner, 0) == 0 || errno != ESRCH)
            return false;
        return ::unlink(lock.constData()) == 0;
    }

    static sockaddr_un socketAddress(const QByteArray& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (std::size_t(path.size()) >= sizeof address.sun_path)
            qFatal("socket path too long: %s", path.constData());
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        return address;
    }

    static bool sendAll(int fd, const char* data, qsizetype size) {
        while (size > 0) {
            const ssize_t n = ::send(fd, data, std::size_t(size), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            size -= n;
        }
        return true;
    }

    static quint32 number(const QByteArray& bytes, qsizetype at, int size, bool msbFirst) {
        quint32 value = 0;
        for (int i = 0; i < size; ++i) {
            const quint32 byte = uchar(bytes[at + (msbFirst ? i : size - 1 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }

    // The size of the connection setup or request that begins the bytes, or 0 while it is not
    // all there yet.
    static qsizetype unitSize(const QByteArray& bytes, bool setup, bool msbFirst) {
        const auto padded = [](quint32 n) { return qsizetype((n + 3) & ~3U); };
        if (setup) {
            if (bytes.size() < 12)
                return 0;
            const bool msb = bytes[0] == 'B';
            const qsizetype size =
                12 + padded(number(bytes, 6, 2, msb)) + padded(number(bytes, 8, 2, msb));
            return bytes.size() >= size ? size : 0;
        }
        if (bytes.size() < 4)
            return 0;
        qsizetype size = qsizetype(number(bytes, 2, 2, msbFirst)) * 4;
        // A length of 0 announces a big request, whose length follows in 4 bytes.
        if (size == 0) {
            if (bytes.size() < 8)
                return 0;
            size = qsizetype(number(bytes, 4, 4, msbFirst)) * 4;
        }
        return size >= 4 && bytes.size() >= size ? size : 0;
    }

    void serve() {
        for (;;) {
            pollfd entries[2] = {{m_listener, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
            if (::poll(entries, 2, -1) < 0)
                continue;
            if (entries[1].revents != 0)
                return;
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const sockaddr_un address = socketAddress(m_server);
            const bool connected =
                server >= 0 &&
                ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            bool broke = false;
            m_seen = 0;
            const bool stopped = connected && relay(client, server, broke);
            ::close(client);
            if (server >= 0)
                ::close(server);
            m_broke = broke;
            ++m_ended;
            if (stopped)
                return;
        }
    }

    // Returns true when told to stop.
    bool relay(int client, int server, bool& broke) {
        const int limit = m_limit;
        int seen = 0;
        QByteArray pending;
        bool setup = true;
        bool msbFirst = false;
        char buffer[65536];
        for (;;) {
            pollfd entries[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
            if (::poll(entries, 3, -1) < 0)
                continue;
            if (entries[2].revents != 0)
                return true;
            if (entries[1].revents != 0) {
                const ssize_t n = ::read(server, buffer, sizeof buffer);
                if (n <= 0 || !sendAll(client, buffer, n))
                    return false;
            }
            if (entries[0].revents != 0) {
                const ssize_t n = ::read(client, buffer, sizeof buffer);
                if (n <= 0)
                    return false;
                pending.append(buffer, n);
                while (const qsizetype size = unitSize(pending, setup, msbFirst)) {
                    if (setup) {
                        msbFirst = pending[0] == 'B';
                        setup = false;
                    } else if (limit >= 0 && seen >= limit) {
                        broke = true;
                        return false;
                    } else {
                        m_seen = ++seen;
                    }
                    if (!sendAll(server, pending.constData(), size))
                        return false;
                    pending.remove(0, size);
                }
            }
        }
    }

    QByteArray m_server;
    QByteArray m_lock;
    QByteArray m_display;
    int m_listener = -1;
    int m_stop[2] = {-1, -1};
    std::atomic<int> m_limit{-1};
    std::atomic<int> m_seen{0};
    std::atomic<bool> m_broke{false};
    std::atomic<int> m_ended{0};
    std::thread m_thread;
};

} // namespace

class WindowLookupTest : public QObject {
    Q_OBJECT

private slots:
    void noDisplayMeansNoWindow_data();
    void noDisplayMeansNoWindow();
    void matchesTheExactTitle_data();
    void matchesTheExactTitle();
    void countsOnlyShownTopLevelWindows_data();
    void countsOnlyShownTopLevelWindows();
    void looksAtTheClientsOfARunningWindowManager_data();
    void looksAtTheClientsOfARunningWindowManager();
    void seesTheStandInsWaitWindow_data();
    void seesTheStandInsWaitWindow();
    void survivesTheServerBreakingOffAtAnyPoint_data();
    void survivesTheServerBreakingOffAtAnyPoint();
};

void WindowLookupTest::noDisplayMeansNoWindow_data() {
    QTest::addColumn<QString>("display");
    QTest::newRow("DISPLAY unset") << "unset";
    QTest::newRow("DISPLAY empty") << "empty";
    QTest::newRow("server gone") << "gone";
    QTest::newRow("no display by that name") << "bogus";
}

void WindowLookupTest::noDisplayMeansNoWindow() {
    QFETCH(QString, display);

    // A server with the window shown, so that only how it is reached makes the difference.
    XvfbServer server;
    QVERIFY(server.ok());
    const QByteArray name = server.display();
    auto windows = std::make_unique<TestWindows>(name);
    const Window window = windows->create();
    windows->setNetWmName(window, WaitTitle);
    windows->map(window);
    {
        const ScopedEnvironment reachable("DISPLAY", name);
        QVERIFY(topLevelWindowExists(WaitTitle));
    }

    QByteArray value;
    if (display == u"empty")
        value = "";
    else if (display == u"gone") {
        // Our own connection goes first: Xlib would end the test when the server left under it.
        windows.reset();
        server.stop();
        value = name;
    } else if (display == u"bogus")
        value = "/nonexistent/orq-x-socket";
    const ScopedEnvironment environment("DISPLAY", value);
    QVERIFY(!topLevelWindowExists(WaitTitle));
}

void WindowLookupTest::matchesTheExactTitle_data() {
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<bool>("found");

    const QString accented = QStringLiteral("Conexão – 数据 ✓");
    QTest::newRow("same title") << "net" << WaitTitle << WaitTitle << true;
    QTest::newRow("shorter title asked") << "net" << WaitTitle << "Aguarde" << false;
    QTest::newRow("longer title asked") << "net" << WaitTitle << "Aguarde...." << false;
    QTest::newRow("other letter case") << "net" << WaitTitle << "AGUARDE..." << false;
    QTest::newRow("blank after it") << "net" << WaitTitle << "Aguarde... " << false;
    QTest::newRow("beyond Latin-1 in _NET_WM_NAME") << "net" << accented << accented << true;
    QTest::newRow("accent missing") << "net" << QStringLiteral("Conexão") << "Conexao" << false;
    QTest::newRow("WM_NAME only") << "string" << WaitTitle << WaitTitle << true;
    QTest::newRow("WM_NAME is Latin-1")
        << "string" << QStringLiteral("Ação...") << QStringLiteral("Ação...") << true;
    // These Latin-1 bytes also read as UTF-8, as "Aç": only reading them as Latin-1 finds it.
    QTest::newRow("WM_NAME is not UTF-8")
        << "string" << QStringLiteral("AÃ§") << QStringLiteral("AÃ§") << true;
    QTest::newRow("WM_NAME in UTF8_STRING") << "utf8" << accented << accented << true;
    QTest::newRow("WM_NAME in compound text") << "compound" << accented << accented << true;
    QTest::newRow("_NET_WM_NAME comes first") << "net+string" << WaitTitle << WaitTitle << true;
    QTest::newRow("WM_NAME behind _NET_WM_NAME is not the title")
        << "net+string" << WaitTitle << "Outro" << false;
    QTest::newRow("untitled window") << "none" << QString() << "" << false;
}

void WindowLookupTest::matchesTheExactTitle() {
    QFETCH(QString, written);
    QFETCH(QString, title);
    QFETCH(QString, wanted);
    QFETCH(bool, found);

    XvfbServer server;
    QVERIFY(server.ok());
    const ScopedEnvironment display("DISPLAY", server.display());
    TestWindows windows(server.display());
    // Other windows around it, before and after, as on any desktop.
    const Window before = windows.create();
    windows.setNetWmName(before, QStringLiteral("Outra janela"));
    windows.map(before);
    const Window window = windows.create();
    windows.map(windows.create());

    if (written == u"net" || written == u"net+string")
        windows.setNetWmName(window, title);
    if (written == u"string")
        windows.setWmName(window, title.toLatin1(), XA_STRING);
    if (written == u"net+string")
        windows.setWmName(window, "Outro", XA_STRING);
    if (written == u"utf8")
        windows.setWmName(window, title.toUtf8(), windows.atom("UTF8_STRING"));
    if (written == u"compound")
        QVERIFY(windows.setCompoundWmName(window, title));
    windows.map(window);

    QCOMPARE(topLevelWindowExists(wanted), found);
}

void WindowLookupTest::countsOnlyShownTopLevelWindows_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("found");

    QTest::newRow("shown") << "shown" << true;
    QTest::newRow("never shown") << "unmapped" << false;
    QTest::newRow("hidden again") << "hidden" << false;
    QTest::newRow("closed") << "destroyed" << false;
    QTest::newRow("shown again after hiding") << "shown again" << true;
    QTest::newRow("inside another window") << "subwindow" << false;
}

void WindowLookupTest::countsOnlyShownTopLevelWindows() {
    QFETCH(QString, state);
    QFETCH(bool, found);

    XvfbServer server;
    QVERIFY(server.ok());
    const ScopedEnvironment display("DISPLAY", server.display());
    TestWindows windows(server.display());

    const Window parent = state == u"subwindow" ? windows.create() : 0;
    if (parent != 0)
        windows.map(parent);
    const Window window = windows.create(parent);
    windows.setNetWmName(window, WaitTitle);
    if (state != u"unmapped")
        windows.map(window);
    if (state == u"hidden" || state == u"shown again") {
        QVERIFY(topLevelWindowExists(WaitTitle));
        windows.unmap(window);
    }
    if (state == u"shown again") {
        QVERIFY(!topLevelWindowExists(WaitTitle));
        windows.map(window);
    }
    if (state == u"destroyed") {
        QVERIFY(topLevelWindowExists(WaitTitle));
        windows.destroy(window);
    }

    QCOMPARE(topLevelWindowExists(WaitTitle), found);
}

void WindowLookupTest::looksAtTheClientsOfARunningWindowManager_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("found");

    QTest::newRow("client shown in its frame") << "shown" << true;
    QTest::newRow("frame hidden (minimised)") << "frame hidden" << false;
    QTest::newRow("client not shown in a shown frame") << "client hidden" << false;
    // A manager that died leaves its entries on the root: the windows are then the root's
    // children again, a titled one among them.
    QTest::newRow("manager gone, its list left behind") << "manager gone" << true;
}

void WindowLookupTest::looksAtTheClientsOfARunningWindowManager() {
    QFETCH(QString, situation);
    QFETCH(bool, found);

    XvfbServer server;
    QVERIFY(server.ok());
    const ScopedEnvironment display("DISPLAY", server.display());
    TestWindows windows(server.display());

    // The manager puts each client into a frame of its own; the title stays on the client.
    const Window otherFrame = windows.create();
    const Window otherClient = windows.create(otherFrame);
    windows.setNetWmName(otherClient, QStringLiteral("Outra janela"));
    const Window frame = windows.create();
    const Window client = windows.create(frame);
    windows.setNetWmName(client, WaitTitle);
    for (const Window window : {otherClient, otherFrame, frame})
        windows.map(window);
    if (situation != u"client hidden")
        windows.map(client);
    const Window manager = windows.actAsWindowManager({otherClient, client});

    if (situation == u"frame hidden")
        windows.unmap(frame);
    if (situation == u"manager gone") {
        QVERIFY(topLevelWindowExists(WaitTitle));
        windows.destroy(manager);
        windows.destroy(frame);
        const Window unmanaged = windows.create();
        windows.setNetWmName(unmanaged, WaitTitle);
        windows.map(unmanaged);
    }

    QCOMPARE(topLevelWindowExists(WaitTitle), found);
}

void WindowLookupTest::seesTheStandInsWaitWindow_data() {
    QTest::addColumn<bool>("exitAfter");
    QTest::newRow("then ends (ORQ7_EXIT)") << true;
    QTest::newRow("then shows its main window") << false;
}

void WindowLookupTest::seesTheStandInsWaitWindow() {
    QFETCH(bool, exitAfter);

    XvfbServer server;
    QVERIFY(server.ok());
    const ScopedEnvironment display("DISPLAY", server.display());
    TempFolder folder;
    const QString log = folder.file(QStringLiteral("orq7.log"));

    QProcess product;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The tests themselves run on the offscreen platform; the product must show real windows.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(server.display()));
    environment.insert(QStringLiteral("ORQ7_AGUARDE_MS"), QStringLiteral("3000"));
    environment.insert(QStringLiteral("ORQ7_LOG"), log);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    // libxkbcommon hands strndup atom names that are not NUL-terminated, which is allowed; the
    // strict string checks of a sanitizer build would stop the product for it at start.
    const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
    if (!asan.isEmpty())
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           asan + QStringLiteral(":strict_string_checks=0"));
    if (exitAfter)
        environment.insert(QStringLiteral("ORQ7_EXIT"), QStringLiteral("1"));
    else
        environment.remove(QStringLiteral("ORQ7_EXIT"));
    product.setProcessEnvironment(environment);
    product.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A copy of its own name: a test that ends every ORQ7.exe of ours must not end this one.
    const QString copy = folder.file(QStringLiteral("Orq7Wait%1.exe").arg(::getpid()));
    QVERIFY(QFile::copy(builtStandIn(), copy));
    product.start(copy, QStringList());
    QVERIFY(product.waitForStarted());
    const auto end = qScopeGuard([&] {
        product.kill();
        product.waitForFinished();
    });

    QTRY_VERIFY_WITH_TIMEOUT(topLevelWindowExists(WaitTitle), 60000);
    // It logged its start before showing anything.
    QCOMPARE(standInLog(log).size(), 1);
    QVERIFY(!topLevelWindowExists(QStringLiteral("ORQ7")));

    QTRY_VERIFY_WITH_TIMEOUT(!topLevelWindowExists(WaitTitle), 60000);
    if (exitAfter) {
        QVERIFY(product.state() == QProcess::NotRunning || product.waitForFinished(60000));
        QCOMPARE(product.exitStatus(), QProcess::NormalExit);
        QCOMPARE(product.exitCode(), 0);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(topLevelWindowExists(QStringLiteral("ORQ7")), 60000);
        QCOMPARE(product.state(), QProcess::Running);
        QVERIFY(!topLevelWindowExists(WaitTitle));
    }
    QCOMPARE(standInLog(log).size(), 1);
}

void WindowLookupTest::survivesTheServerBreakingOffAtAnyPoint_data() {
    QTest::addColumn<bool>("windowManager");
    QTest::newRow("root's children") << false;
    QTest::newRow("window manager's clients") << true;
}

void WindowLookupTest::survivesTheServerBreakingOffAtAnyPoint() {
    QFETCH(bool, windowManager);

    XvfbServer server;
    QVERIFY(server.ok());
    TestWindows windows(server.display());
    std::vector<Window> shown;
    for (const QString& title : {QStringLiteral("Outra"), QString(), WaitTitle}) {
        const Window window = windows.create();
        if (!title.isNull())
            windows.setNetWmName(window, title);
        windows.map(window);
        shown.push_back(window);
    }
    if (windowManager)
        windows.actAsWindowManager(shown);

    BreakingProxy proxy(server.socketPath());
    const ScopedEnvironment display("DISPLAY", proxy.display());

    // Losing the server within XOpenDisplay ends any Xlib program, and there is nothing to be
    // done about it: the breaks start with the first request after it.
    Display* opened = XOpenDisplay(proxy.display().constData());
    QVERIFY(opened != nullptr);
    const int opening = proxy.requestsSeen();
    XCloseDisplay(opened);
    QTRY_COMPARE(proxy.connectionsEnded(), 1);
    QVERIFY(!proxy.broke());

    int breaks = 0;
    bool completed = false;
    for (int limit = opening; limit < opening + 1000 && !completed; ++limit) {
        proxy.breakAfter(limit);
        const int before = proxy.connectionsEnded();
        const bool found = topLevelWindowExists(WaitTitle);
        QTRY_COMPARE(proxy.connectionsEnded(), before + 1);
        if (proxy.broke()) {
            ++breaks;
        } else {
            // Nothing broke off: the whole lookup ran, and found the window.
            QVERIFY(found);
            completed = true;
        }
    }
    QVERIFY(completed);
    QVERIFY(breaks > 0);

    // And the server itself never noticed.
    const ScopedEnvironment direct("DISPLAY", server.display());
    QVERIFY(topLevelWindowExists(WaitTitle));
}

QTEST_GUILESS_MAIN(WindowLookupTest)
#include "test_system_window_lookup.moc"
