// Copying a database-sized file: sys::copyFile beside cp of the same file, in the same run and on
// the same file system, so the figures say what the copy costs against the tool a user would
// compare it with.
//
// The page cache is not dropped between iterations (that takes root): the source was just written,
// so every iteration of both reads it from memory, and both are compared warm. copyFile flushes
// its copy to disk before it renames it into place and cp does not, so cp runs twice: alone, and
// followed by a flush of its copy, which is the like-for-like figure.
#include "system/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr qint64 sourceSize = qint64(1) << 30;

// The source and the copies, in $TMPDIR (or /tmp): one file system for both. Made once, before
// the first benchmark, and removed before the program ends.
struct Files {
    QTemporaryDir folder;
    QByteArray source;
    QByteArray target;
    QString error;
};

std::unique_ptr<Files>& files() {
    static std::unique_ptr<Files> instance;
    return instance;
}

// 1 GiB of data no file system can store sparse or compress away, flushed so that its write-back
// does not land on the first copy.
QString makeSource(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return QStringLiteral("cannot create the source");
    std::vector<quint64> buffer((size_t(4) << 20) / sizeof(quint64));
    quint64 x = 0x9E3779B97F4A7C15ull;
    bool ok = true;
    for (qint64 written = 0; ok && written < sourceSize;) {
        for (quint64& word : buffer) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            word = x;
        }
        const size_t bytes = buffer.size() * sizeof(quint64);
        ok = ::write(fd, buffer.data(), bytes) == ssize_t(bytes);
        written += qint64(bytes);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    return ok ? QString() : QStringLiteral("cannot write the source (disk full?)");
}

Files* prepared(benchmark::State& state) {
    auto& instance = files();
    if (!instance) {
        instance = std::make_unique<Files>();
        instance->source = QFile::encodeName(instance->folder.filePath("ORQ.FDB"));
        instance->target = QFile::encodeName(instance->folder.filePath("COPIA.FDB"));
        instance->error = instance->folder.isValid() ? makeSource(instance->source)
                                                     : QStringLiteral("no temporary folder");
    }
    if (!instance->error.isEmpty()) {
        state.SkipWithError(instance->error.toLocal8Bit().constData());
        return nullptr;
    }
    return instance.get();
}

bool runCp(const Files& f) {
    const char* argv[] = {"/bin/cp", f.source.constData(), f.target.constData(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool flushTarget(const Files& f) {
    const int fd = ::open(f.target.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

enum class Copier { CopyFile, Cp, CpAndFlush };

// Seconds per copy, the timed part only, by copier, for the summary.
std::map<Copier, double>& secondsPerCopy() {
    static std::map<Copier, double> seconds;
    return seconds;
}

void copyBenchmark(benchmark::State& state, Copier copier) {
    Files* f = prepared(state);
    if (!f)
        return;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        bool ok = false;
        switch (copier) {
        case Copier::CopyFile:
            ok =
                orq::sys::copyFile(QFile::decodeName(f->source), QFile::decodeName(f->target), true)
                    .ok();
            break;
        case Copier::Cp:
            ok = runCp(*f);
            break;
        case Copier::CpAndFlush:
            ok = runCp(*f) && flushTarget(*f);
            break;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        ::unlink(f->target.constData());
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("the copy failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * sourceSize);
    secondsPerCopy()[copier] = seconds / double(state.iterations());
}

void BM_CopyFile(benchmark::State& state) {
    copyBenchmark(state, Copier::CopyFile);
}
void BM_Cp(benchmark::State& state) {
    copyBenchmark(state, Copier::Cp);
}
void BM_CpAndFlush(benchmark::State& state) {
    copyBenchmark(state, Copier::CpAndFlush);
}
// A child process's work is no CPU time of ours: wall-clock time is what compares.
BENCHMARK(BM_CopyFile)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cp)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpAndFlush)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void printSummary() {
    const auto& seconds = secondsPerCopy();
    const auto of = [&](Copier copier) {
        const auto found = seconds.find(copier);
        return found == seconds.end() ? 0.0 : found->second;
    };
    const double copyFile = of(Copier::CopyFile), cp = of(Copier::Cp),
                 cpAndFlush = of(Copier::CpAndFlush);
    const auto mbps = [](double s) { return double(sourceSize) / 1e6 / s; };
    if (copyFile > 0)
        std::printf("copyFile: %.0f MB/s\n", mbps(copyFile));
    if (cp > 0)
        std::printf("cp: %.0f MB/s\n", mbps(cp));
    if (cpAndFlush > 0)
        std::printf("cp + fsync: %.0f MB/s\n", mbps(cpAndFlush));
    if (copyFile > 0 && cp > 0)
        std::printf("copyFile time / cp time: %.2f\n", copyFile / cp);
    if (copyFile > 0 && cpAndFlush > 0)
        std::printf("copyFile time / (cp + fsync) time: %.2f\n", copyFile / cpAndFlush);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    files().reset(); // the gigabyte goes before the program ends, not whenever statics go
    return 0;
}
