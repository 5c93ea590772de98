// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Feeds a million result rows through the main window's scan host from a
// worker thread while the window's event loop runs, and reports how long the
// loop was kept from turning at worst. Also times re-marking the full list and
// closing the window in the middle of a scan.
#include "engine/WorkerThreads.h"
#include "tests/support/FuseMount.h"
#include "ui/RadioGroup.h"
#include "ui/ResultModel.h"
#include "ui/Unit1.h"
#include "ui/UserDialogs.h"
#include "ui/WindowScanHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

class QuietDialogs : public UserDialogs
{
public:
    std::function<void()> onBox;
    QByteArray folder;
    QByteArray pickFolder(QWidget *, const QString &) override { return folder; }
    void messageBox(QWidget *, const QString &, const QString &) override
    {
        if (onBox)
            onBox();
    }
    void information(QWidget *, const QString &) override { }
    bool confirm(QWidget *, const QString &) override { return false; }
};

qint64 ThreadCpuNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Measures the longest pause between turns of the event loop with a 1 ms
// timer: as wall time, and as the window thread's own CPU time within the
// pause (on a busy machine the difference is time the system gave elsewhere).
class LoopWatch
{
public:
    LoopWatch()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed(), cpu = ThreadCpuNs();
            worstNs_ = std::max(worstNs_, now - lastNs_);
            worstCpuNs_ = std::max(worstCpuNs_, cpu - lastCpuNs_);
            if (now - lastNs_ > 16'000'000)
                ++framesMissed_;
            lastNs_ = now;
            lastCpuNs_ = cpu;
        });
        clock_.start();
        lastCpuNs_ = ThreadCpuNs();
        timer_.start(1);
    }
    double worstMs() const { return double(worstNs_) / 1e6; }
    double worstCpuMs() const { return double(worstCpuNs_) / 1e6; }
    int framesMissed() const { return framesMissed_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0, worstNs_ = 0;
    qint64 lastCpuNs_ = 0, worstCpuNs_ = 0;
    int framesMissed_ = 0;
};

ResultRow MakeRow(int i)
{
    ResultRow row;
    row.path = "/home/user/Pictures/holiday-" + std::to_string(i / 1000) + "/IMG_" + std::to_string(i) + ".jpg";
    row.group = i / 2 + 1;
    row.checked = i % 2 == 0;
    row.identity = {1, std::uint64_t(i + 1), 1048576, 1689338096LL * 1000000000};
    return row;
}

void BenchAppend(int rowCount)
{
    QuietDialogs dialogs;
    TForm1 form(dialogs);
    form.show();
    auto *view = form.findChild<QTableView *>(QStringLiteral("ListView2"));
    QTimer follow; // keep the view painting the newest rows
    QObject::connect(&follow, &QTimer::timeout, view, &QTableView::scrollToBottom);
    follow.start(100);

    WindowScanHost &host = form.scanHost();
    QElapsedTimer clock;
    qint64 summaryMs = 0, feedMs = 0;
    dialogs.onBox = [&] {
        summaryMs = clock.elapsed();
        QCoreApplication::quit();
    };
    LoopWatch watch;
    clock.start();
    WorkerPool worker; // the scan's stand-in, started as every thread is
    worker.start([&] {
        host.setProgressPosition(1);
        host.setProgressMaximum(rowCount);
        for (int i = 0; i < rowCount; ++i) {
            host.addResultRow(MakeRow(i));
            if (i % 1000 == 0) {
                host.setProgressPosition(host.progressPosition() + 1000);
                host.setElapsedText("00:00:0" + std::to_string(i / 200000) + ":12");
            }
        }
        feedMs = clock.elapsed();
        host.showSummary({rowCount / 2, 0, 0});
    });
    QApplication::exec();
    worker.join();
    std::printf("append: %d rows in the list, worker fed them in %lld ms, summary after %lld ms\n",
                form.resultModel().rowCount(), feedMs, summaryMs);
    std::printf("append: worst event-loop blockage %.1f ms (window thread busy %.1f ms of it), "
                "%d turns later than 16 ms\n",
                watch.worstMs(), watch.worstCpuMs(), watch.framesMissed());

    // Both ways, as a user switches; the window thread's own CPU time beside
    // the wall time, which a busy machine stretches.
    for (const char *item : {"RadioGroup1Item1", "RadioGroup1Item0"}) {
        QElapsedTimer remark;
        remark.start();
        const qint64 cpuFrom = ThreadCpuNs();
        form.findChild<QAbstractButton *>(QLatin1String(item))->click();
        std::printf("re-mark of %d rows: %lld ms (window thread %.1f ms); %lld checked, %lld bytes\n", rowCount,
                    remark.elapsed(), double(ThreadCpuNs() - cpuFrom) / 1e6,
                    static_cast<long long>(form.resultModel().checkedTotal().files),
                    static_cast<long long>(form.resultModel().checkedTotal().bytes));
    }
    QElapsedTimer emptying;
    emptying.start();
    form.resultModel().clear();
    std::printf("emptying the list: %lld ms\n", emptying.elapsed());
}

// Two 16 GiB copies behind a mount that waits 5 ms before every call, as a
// share does: their reading outlasts any bench, and their holes stay hidden.
void BenchCloseDuringScan()
{
    if (const std::string &why = FuseMount::unavailable(); !why.empty()) {
        std::printf("closing during a scan: skipped, %s\n", why.c_str());
        return;
    }
    namespace fs = std::filesystem;
    std::string root = (fs::temp_directory_path() / "varnok-bench-XXXXXX").string();
    if (!::mkdtemp(root.data()))
        return;
    fs::create_directories(root + "/src");
    fs::create_directories(root + "/mnt");
    for (const char *name : {"/src/a.bin", "/src/b.bin"}) {
        const int fd = ::open((root + name).c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0 && ::ftruncate(fd, off_t(16) << 30) == 0)
            ::close(fd);
    }
    {
        FuseMount::Options options;
        options.latencyMs = 5;
        FuseMount mount(root + "/src", root + "/mnt", options);
        if (!mount.mounted()) {
            std::printf("closing during a scan: skipped, the mount failed\n");
        } else {
            QuietDialogs dialogs;
            dialogs.folder = QByteArray::fromStdString(mount.path());
            auto form = std::make_unique<TForm1>(dialogs);
            form->show();
            form->PNGButton13Click();
            form->PNGButton10Click();
            auto *bar = form->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
            while (bar->maximum() != 2) // the contents are being compared now
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
            QElapsedTimer clock;
            clock.start();
            form->close();
            form.reset();
            std::printf("closing during a scan of two 16 GiB files, 5 ms a call: %lld ms\n", clock.elapsed());
        }
    }
    fs::remove_all(root);
}

// Resident memory now, in MiB.
double ResidentMiB()
{
    long pages = 0, resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// Scans a folder through the window, as a user would, and tells the memory
// the process peaked at and holds with the rows listed.
void BenchScan(const char *folder)
{
    QuietDialogs dialogs;
    dialogs.folder = folder;
    TForm1 form(dialogs);
    form.show();
    QElapsedTimer clock;
    // The job lets go of its records after the summary: give it a moment.
    dialogs.onBox = [] { QTimer::singleShot(1000, [] { QCoreApplication::quit(); }); };
    clock.start();
    form.PNGButton13Click();
    form.PNGButton10Click();
    QApplication::exec();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("scan: %d rows after %lld ms; peak %.1f MiB, holding %.1f MiB with the rows listed\n",
                form.resultModel().rowCount(), clock.elapsed(), double(usage.ru_maxrss) / 1024, ResidentMiB());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 2 && std::strcmp(argv[1], "--scan") == 0) {
        BenchScan(argv[2]);
        return 0;
    }
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    BenchAppend(rows);
    BenchCloseDuringScan();
    return 0;
}
