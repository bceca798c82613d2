#include "system/WindowLookup.h"

#include <QByteArray>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace orq::sys {

namespace {

// Xlib keeps its error handlers for the whole process, and a GUI toolkit in the same process
// has its own installed. While we ask, ours take over for our connection only: everything that
// happens on any other connection goes on to whoever handled it before. The lock keeps two
// lookups from swapping the handlers under each other.
std::mutex lookupLock;
Display* asking = nullptr;
XErrorHandler previousErrorHandler = nullptr;
XIOErrorHandler previousIOErrorHandler = nullptr;

// A window may vanish between being listed and being read (BadWindow); such a window simply
// is not there. Xlib's default handler would end the process instead.
int ignoreOurErrors(Display* display, XErrorEvent* event) {
    if (display == asking || previousErrorHandler == nullptr)
        return 0;
    return previousErrorHandler(display, event);
}

// The default one prints a fatal-error notice for a lost connection; for ours, losing the server
// only means there are no windows to find.
int quietOnOurs(Display* display) {
    if (display == asking || previousIOErrorHandler == nullptr)
        return 0;
    return previousIOErrorHandler(display);
}

// Called instead of exit() when our connection breaks. Returning leaves the connection marked
// broken: every later request on it fails at once, and it can still be closed.
void connectionLost(Display*, void* lost) {
    *static_cast<bool*>(lost) = true;
}

// One connection per lookup: a server that went away since the last call costs nothing to
// notice, and no connection is left open between the calls. Xlib offers no way to survive the
// server breaking off inside XOpenDisplay itself; from the moment it returns, nothing ends us.
class Connection {
public:
    Connection() : m_guard(lookupLock), m_display(XOpenDisplay(nullptr)) {
        if (m_display == nullptr)
            return;
        XSetIOErrorExitHandler(m_display, connectionLost, &m_lost);
        asking = m_display;
        previousErrorHandler = XSetErrorHandler(ignoreOurErrors);
        previousIOErrorHandler = XSetIOErrorHandler(quietOnOurs);
    }
    ~Connection() {
        if (m_display == nullptr)
            return;
        // The handlers stay ours until the connection is closed: closing syncs with the server,
        // which may be the moment its loss shows.
        XCloseDisplay(m_display);
        XSetIOErrorHandler(previousIOErrorHandler);
        XSetErrorHandler(previousErrorHandler);
        asking = nullptr;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* display() const { return m_display; }
    bool usable() const { return m_display != nullptr && !m_lost; }

private:
    std::lock_guard<std::mutex> m_guard;
    Display* m_display;
    bool m_lost = false;
};

struct Atoms {
    Atom clientList = None;
    Atom wmCheck = None;
    Atom netWmName = None;
    Atom utf8String = None;
};

Atoms internAtoms(Display* display) {
    // Only atoms the server already knows: a property named by an atom nobody created cannot be
    // set on any window, and asking must not leave new atoms behind.
    char* names[] = {const_cast<char*>("_NET_CLIENT_LIST"),
                     const_cast<char*>("_NET_SUPPORTING_WM_CHECK"),
                     const_cast<char*>("_NET_WM_NAME"), const_cast<char*>("UTF8_STRING")};
    Atom atoms[4] = {None, None, None, None};
    // Unknown ones come back as None, and the rest are filled in all the same.
    XInternAtoms(display, names, 4, True, atoms);
    return Atoms{atoms[0], atoms[1], atoms[2], atoms[3]};
}

// A property's whole value when it has the given type and format, else nothing. Items of
// format 32 come as longs, whatever the size of a long.
std::optional<QByteArray> property(Display* display, Window window, Atom name, Atom type,
                                   int format) {
    if (name == None || type == None)
        return std::nullopt;
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    // Far more than any title or client list; the server sends only what there is.
    constexpr long MaxLongs = 1L << 22;
    const int status = XGetWindowProperty(display, window, name, 0, MaxLongs, False, type,
                                          &actualType, &actualFormat, &count, &remaining, &data);
    std::optional<QByteArray> value;
    if (status == Success && actualType == type && actualFormat == format && data != nullptr) {
        const qsizetype itemSize = format == 32 ? qsizetype(sizeof(long)) : format / 8;
        value = QByteArray(reinterpret_cast<const char*>(data), qsizetype(count) * itemSize);
    }
    if (data != nullptr)
        XFree(data);
    return value;
}

std::vector<Window> windowList(const QByteArray& longs) {
    std::vector<Window> windows(std::size_t(longs.size()) / sizeof(long));
    for (std::size_t i = 0; i < windows.size(); ++i) {
        long item = 0;
        std::memcpy(&item, longs.constData() + i * sizeof(long), sizeof(long));
        windows[i] = Window(static_cast<unsigned long>(item) & 0xFFFFFFFFUL);
    }
    return windows;
}

std::optional<Window> singleWindow(Display* display, Window window, Atom name) {
    const std::optional<QByteArray> value = property(display, window, name, XA_WINDOW, 32);
    if (!value || value->size() != qsizetype(sizeof(long)))
        return std::nullopt;
    return windowList(*value).front();
}

// A window manager that keeps to the desktop conventions names a window of its own on the root,
// and that window names itself. A manager that has died leaves the root's entry behind, but its
// window is gone with it, and so is the client list it kept.
bool windowManagerRunning(Display* display, Window root, const Atoms& atoms) {
    const std::optional<Window> check = singleWindow(display, root, atoms.wmCheck);
    return check && singleWindow(display, *check, atoms.wmCheck) == check;
}

std::vector<Window> topLevelWindows(Display* display, Window root, const Atoms& atoms) {
    // Under a window manager the root's children are its frames; the programs' own windows,
    // which carry the titles, are the clients it lists.
    if (windowManagerRunning(display, root, atoms)) {
        const std::optional<QByteArray> clients =
            property(display, root, atoms.clientList, XA_WINDOW, 32);
        if (clients)
            return windowList(*clients);
    }
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> windows;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) != 0 &&
        children != nullptr)
        windows.assign(children, children + count);
    if (children != nullptr)
        XFree(children);
    return windows;
}

std::optional<QString> wmName(Display* display, Window window, const Atoms& atoms) {
    XTextProperty text{};
    if (XGetWMName(display, window, &text) == 0 || text.value == nullptr)
        return std::nullopt;
    std::optional<QString> name;
    const auto bytes = reinterpret_cast<const char*>(text.value);
    if (text.format != 8) {
        // Not text of any kind we could compare.
    } else if (text.encoding == XA_STRING) {
        // The old encoding of WM_NAME is Latin-1 by definition, whatever our locale says.
        name = QString::fromLatin1(bytes, qsizetype(text.nitems));
    } else if (text.encoding == atoms.utf8String && atoms.utf8String != None) {
        name = QString::fromUtf8(bytes, qsizetype(text.nitems));
    } else {
        // Compound text, or whatever else Xlib can turn into text.
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display, &text, &list, &count) >= Success && count > 0) {
            name = QString::fromUtf8(list[0]);
        } else {
            if (list != nullptr)
                XFreeStringList(list);
            list = nullptr;
            count = 0;
            if (XmbTextPropertyToTextList(display, &text, &list, &count) >= Success && count > 0)
                name = QString::fromLocal8Bit(list[0]);
        }
        if (list != nullptr)
            XFreeStringList(list);
    }
    XFree(text.value);
    return name;
}

std::optional<QString> title(Display* display, Window window, const Atoms& atoms) {
    if (const std::optional<QByteArray> utf8 =
            property(display, window, atoms.netWmName, atoms.utf8String, 8))
        return QString::fromUtf8(*utf8);
    return wmName(display, window, atoms);
}

// Shown: mapped itself and every window it lies in mapped too.
bool isViewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

} // namespace

bool topLevelWindowExists(const QString& wanted) {
    // Xlib would fall back to a display of its own choosing when given none.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    const Connection connection;
    if (!connection.usable())
        return false;
    Display* display = connection.display();
    const Atoms atoms = internAtoms(display);
    for (int screen = 0; screen < ScreenCount(display) && connection.usable(); ++screen) {
        const Window root = RootWindow(display, screen);
        for (const Window window : topLevelWindows(display, root, atoms)) {
            if (!connection.usable())
                return false;
            if (title(display, window, atoms) == wanted && isViewable(display, window))
                return true;
        }
    }
    return false;
}

bool displayReachable() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    const Connection connection;
    return connection.usable();
}

} // namespace orq::sys
