// The program timed from outside, as a user meets it: start to the first painted frame, a
// header click to the repaint, a typed letter to the repaint, and the peak memory, with a root
// whose catalogue has many lines. Every figure is read off the X server (the window's pixels,
// polled) and /proc; keys and clicks go in through XTest. Beside each, a floor measured the
// same way in the same run: `cat` of the catalogue plus the start of an empty Qt window.
//
// window_timing PROGRAM EMPTY_WINDOW OUT.json [LINES] [RUNS]
// Needs an X display (scripts/bench.sh runs it under Xvfb, without a window manager).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "window_timing: %s\n", what.c_str());
    std::exit(1);
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Catalogue lines as a scan writes them (Windows-1252, CR LF), in a scrambled order so a sort
// by name moves every row. Names are BASE_ and seven digits: "0" keeps every line, "0012" a few
// hundred.
void writeCatalogue(const fs::path& file, int lines) {
    std::ofstream out(file, std::ios::binary);
    char line[128];
    for (int i = 0; i < lines; ++i) {
        const int n = int((long long)i * 7919 % lines);
        const int length = std::snprintf(
            line, sizeof line, "BASE_%07d,%02d/%02d/20%02d 1%d:0%d:1%d,\"%d,%02d\"\r\n", n,
            1 + n % 28, 1 + n % 12, 10 + n % 15, n % 10, n % 10, n % 7, n % 90000, n % 100);
        out.write(line, length);
    }
    if (!out)
        fail("cannot write " + file.string());
}

pid_t start(const std::vector<std::string>& command, bool quiet) {
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        if (quiet) {
            const int null = ::open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
        }
        std::vector<char*> argv;
        for (const std::string& arg : command)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

class XServer {
public:
    XServer() : m_display(XOpenDisplay(nullptr)) {
        if (!m_display)
            fail("no X display (run under xvfb-run)");
        int event, error, major, minor;
        if (!XTestQueryExtension(m_display, &event, &error, &major, &minor))
            fail("the X server has no XTEST");
        m_pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
    }
    ~XServer() { XCloseDisplay(m_display); }

    // The viewable top-level window of this process, if it has one yet.
    std::optional<Window> windowOf(pid_t pid) {
        Window rootWindow, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, DefaultRootWindow(m_display), &rootWindow, &parent, &children,
                        &count))
            return std::nullopt;
        std::optional<Window> found;
        for (unsigned i = 0; i < count && !found; ++i) {
            Atom type;
            int format;
            unsigned long items, after;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(m_display, children[i], m_pidAtom, 0, 1, False, XA_CARDINAL,
                                   &type, &format, &items, &after, &data) == Success &&
                data && items == 1 && pid_t(*reinterpret_cast<unsigned long*>(data)) == pid) {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(m_display, children[i], &attributes) &&
                    attributes.map_state == IsViewable)
                    found = children[i];
            }
            if (data)
                XFree(data);
        }
        if (children)
            XFree(children);
        return found;
    }

    // The pixels of a rectangle of the window; empty when it cannot be read (not yet mapped).
    std::vector<unsigned long> pixels(Window window, int x, int y, int width, int height) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(m_display, window, &attributes))
            return {};
        width = std::min(width, attributes.width - x);
        height = std::min(height, attributes.height - y);
        if (width <= 0 || height <= 0)
            return {};
        XImage* image = XGetImage(m_display, window, x, y, unsigned(width), unsigned(height),
                                  AllPlanes, ZPixmap);
        if (!image)
            return {};
        std::vector<unsigned long> out;
        out.reserve(size_t(width) * size_t(height));
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                out.push_back(XGetPixel(image, column, row));
        XDestroyImage(image);
        return out;
    }

    std::vector<unsigned long> pixels(Window window) {
        return pixels(window, 0, 0, 1 << 14, 1 << 14);
    }

    void click(Window window, int x, int y) {
        moveTo(window, x, y);
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XFlush(m_display);
    }

    void moveTo(Window window, int x, int y) {
        int screenX, screenY;
        Window child;
        XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), x, y, &screenX,
                              &screenY, &child);
        XTestFakeMotionEvent(m_display, DefaultScreen(m_display), screenX, screenY, CurrentTime);
        XFlush(m_display);
    }

    void type(char letter) {
        const char name[2] = {letter, 0};
        const KeyCode code = XKeysymToKeycode(m_display, XStringToKeysym(name));
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        XFlush(m_display);
    }

private:
    ::Display* m_display;
    Atom m_pidAtom;
};

bool uniform(const std::vector<unsigned long>& pixels) {
    return std::adjacent_find(pixels.begin(), pixels.end(), std::not_equal_to<>()) == pixels.end();
}

// Polls until the condition holds; the time it took, or a failure after the limit.
double waitFor(Clock::time_point since, const std::function<bool()>& condition, const char* what,
               double limitMs = 20000) {
    while (!condition()) {
        if (msSince(since) > limitMs)
            fail(std::string("timed out waiting for ") + what);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return msSince(since);
}

// Waits until the window's pixels stop changing for a while: whatever it does after start-up
// (a late layout, the focus frame) must not count as the answer to the next key or click.
void settle(XServer& x, Window window) {
    auto last = x.pixels(window);
    auto stableSince = Clock::now();
    const auto begun = Clock::now();
    while (msSince(stableSince) < 300 && msSince(begun) < 10000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        auto now = x.pixels(window);
        if (now != last) {
            last = std::move(now);
            stableSince = Clock::now();
        }
    }
}

long peakKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Starts a program and times it to its first painted frame: a viewable window whose pixels
// are not all one colour.
struct Started {
    pid_t pid;
    Window window;
    double ms;
};

Started startToFirstFrame(XServer& x, const std::vector<std::string>& command) {
    const auto t0 = Clock::now();
    const pid_t pid = start(command, true);
    Window window = 0;
    const double ms = waitFor(
        t0,
        [&] {
            if (!window) {
                if (auto found = x.windowOf(pid))
                    window = *found;
                else
                    return false;
            }
            const auto pixels = x.pixels(window);
            return !pixels.empty() && !uniform(pixels);
        },
        "the first frame");
    return {pid, window, ms};
}

double timedRun(const std::vector<std::string>& command) {
    const auto t0 = Clock::now();
    const pid_t pid = start(command, false);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("command failed: " + command[0]);
    return msSince(t0);
}

// Time from an input to the first change of the window's pixels.
double toRepaint(XServer& x, Window window, const std::function<void()>& input, const char* what) {
    const auto before = x.pixels(window);
    const auto t0 = Clock::now();
    input();
    return waitFor(
        t0, [&] { return x.pixels(window) != before; }, what);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        fail("usage: window_timing PROGRAM EMPTY_WINDOW OUT.json [LINES] [RUNS]");
    const fs::path program = fs::absolute(argv[1]);
    const fs::path emptyWindow = fs::absolute(argv[2]);
    const std::string out = argv[3];
    const int lines = argc > 4 ? std::atoi(argv[4]) : 100000;
    const int runs = argc > 5 ? std::atoi(argv[5]) : 5;

    // The program finds its own files beside itself: it gets a folder of its own.
    char pattern[] = "/tmp/window_timing.XXXXXX";
    if (!mkdtemp(pattern))
        fail("mkdtemp");
    const fs::path work = pattern;
    const fs::path folder = work / "program";
    const fs::path root = work / "root";
    fs::create_directories(folder);
    fs::create_directories(root / "ORQ_DADOS");
    fs::copy_file(program, folder / "ORQDados");
    writeCatalogue(root / "ORQDados.csv", lines);
    const std::vector<std::string> command{(folder / "ORQDados").string(), root.string()};

    XServer x;
    std::map<std::string, std::vector<double>> figures;
    for (int run = 0; run < runs; ++run) {
        // The floor first: reading the catalogue, and a Qt window that shows nothing.
        const double cat =
            timedRun({"/bin/sh", "-c", "cat \"$0\" >/dev/null", (root / "ORQDados.csv").string()});
        const Started empty = startToFirstFrame(x, {emptyWindow.string()});
        settle(x, empty.window);
        const long emptyPeak = peakKiB(empty.pid);
        stop(empty.pid);
        figures["floor"].push_back(cat + empty.ms);
        figures["memoryFloor"].push_back(emptyPeak / 1024.0);

        const Started window = startToFirstFrame(x, command);
        figures["start"].push_back(window.ms);
        settle(x, window.window);
        // The "Nome" header: the list starts below the root box and the filter box.
        figures["header"].push_back(toRepaint(
            x, window.window, [&] { x.click(window.window, 60, 88); }, "the sorted list"));
        settle(x, window.window);
        // Keys go to the window under the pointer (no window manager): the filter box has the
        // focus from start-up on.
        x.moveTo(window.window, 300, 300);
        figures["key1"].push_back(toRepaint(
            x, window.window, [&] { x.type('0'); }, "the first letter"));
        settle(x, window.window);
        for (char letter : {'0', '1'}) {
            x.type(letter);
            settle(x, window.window);
        }
        figures["key4"].push_back(toRepaint(
            x, window.window, [&] { x.type('2'); }, "the fourth letter"));
        settle(x, window.window);
        figures["memory"].push_back(peakKiB(window.pid) / 1024.0);
        stop(window.pid);
    }
    fs::remove_all(work);

    const std::string n = std::to_string(lines);
    const std::vector<std::tuple<std::string, std::string, const char*>> rows{
        {"BM_StartToFirstFrame/lines:" + n, "start", "ms"},
        {"BM_StartToFirstFrameFloor/lines:" + n, "floor", "ms"},
        {"BM_HeaderClickRepaint/lines:" + n, "header", "ms"},
        {"BM_HeaderClickRepaintFloor/lines:" + n, "floor", "ms"},
        {"BM_KeystrokeRepaint/lines:" + n + "/letter:1", "key1", "ms"},
        {"BM_KeystrokeRepaint/lines:" + n + "/letter:4", "key4", "ms"},
        {"BM_PeakMemory/rows:" + n, "memory", "MB"},
        {"BM_PeakMemoryFloor/rows:" + n, "memoryFloor", "MB"},
    };
    std::ostringstream json;
    json << "{\"context\": {\"runs\": " << runs << "}, \"benchmarks\": [\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& [name, key, unit] = rows[i];
        json << "  {\"name\": \"" << name
             << "\", \"run_type\": \"iteration\", \"real_time\": " << median(figures[key])
             << ", \"time_unit\": \"ms\", \"unit\": \"" << unit << "\"}"
             << (i + 1 < rows.size() ? ",\n" : "\n");
    }
    json << "]}\n";
    std::ofstream(out) << json.str();
    std::fputs(json.str().c_str(), stdout);
    return 0;
}
