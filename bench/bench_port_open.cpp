// SPDX-License-Identifier: MIT
// The cost of the other-holder check at Open: opening and closing a pseudo-terminal port with
// no extra descriptors in other processes, and with 100 processes holding 1000 descriptors of
// /dev/null each (100k); the descriptor scan alone; and the scan finding a holder of the port
// among 20 processes of 20000 descriptors each (400k), the port the last descriptor of the last
// one. Linux; each helper process raises its own descriptor limit as far as the hard limit
// allows (root: up to fs.nr_open), and the counter descriptors_held says what it could open.
//
//   build/bench/bench_port_open --benchmark_repetitions=5 --benchmark_report_aggregates_only

#include "serial/PortHolders.h"
#include "serial/SerialPortControl.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace qie;

namespace {

// Processes that each hold `perProcess` descriptors of /dev/null, or as many as their limit
// allows, and wait to be killed; the last one then opens `device` too, when one is named.
class Holders
{
public:
    explicit Holders(int processes, int perProcess = 1000, const char *device = nullptr)
    {
        for (int i = 0; i < processes; ++i) {
            int ready[2];
            if (::pipe(ready) != 0)
                break;
            const bool holdsDevice = device && i == processes - 1;
            const pid_t pid = ::fork();
            if (pid == 0) {
                // Nothing of the parent's stays open here: a pseudo-terminal's master side held
                // by the holder would make it the port's device side, which the scan passes over.
                for (int fd = 3; fd < 1024; ++fd) {
                    if (fd != ready[1])
                        ::close(fd);
                }
                rlimit limit {};
                ::getrlimit(RLIMIT_NOFILE, &limit);
                const rlim_t wanted = rlim_t(perProcess) + 64;
                rlimit raised { wanted, std::max(wanted, limit.rlim_max) };
                if (::setrlimit(RLIMIT_NOFILE, &raised) != 0) {
                    limit.rlim_cur = limit.rlim_max;
                    ::setrlimit(RLIMIT_NOFILE, &limit);
                }
                int opened = 0;
                int last = -1;
                for (int fd; opened < perProcess && (fd = ::open("/dev/null", O_RDONLY)) >= 0;) {
                    last = fd;
                    ++opened;
                }
                // At the limit, the last /dev/null makes room for the port.
                if (holdsDevice && opened < perProcess && last >= 0) {
                    ::close(last);
                    --opened;
                }
                if (holdsDevice && ::open(device, O_RDWR | O_NOCTTY) < 0)
                    opened = -1;
                [[maybe_unused]] const auto n = ::write(ready[1], &opened, sizeof opened);
                ::pause();
                ::_exit(0);
            }
            ::close(ready[1]);
            int opened = 0;
            if (::read(ready[0], &opened, sizeof opened) == sizeof opened && opened > 0)
                m_held += opened;
            if (holdsDevice)
                m_deviceHeld = opened >= 0;
            ::close(ready[0]);
            m_pids.push_back(pid);
        }
    }
    ~Holders()
    {
        for (const pid_t pid : m_pids)
            ::kill(pid, SIGKILL);
        for (const pid_t pid : m_pids)
            ::waitpid(pid, nullptr, 0);
    }
    Holders(const Holders &) = delete;
    Holders &operator=(const Holders &) = delete;

    long held() const { return m_held; }
    bool deviceHeld() const { return m_deviceHeld; }

private:
    std::vector<pid_t> m_pids;
    long m_held = 0;
    bool m_deviceHeld = false;
};

struct PseudoTerminal
{
    int master = -1;
    QString slave;
    PseudoTerminal()
    {
        int s = -1;
        if (::openpty(&master, &s, nullptr, nullptr, nullptr) == 0) {
            slave = QString::fromLocal8Bit(::ptsname(master));
            ::close(s);
            ::fcntl(master, F_SETFD, FD_CLOEXEC);
        }
    }
    ~PseudoTerminal() { ::close(master); }
};

// Open and Close of port 1, as the window does them (the close drains nothing).
void BM_OpenClose(benchmark::State &state)
{
    const Holders holders(int(state.range(0)));
    PseudoTerminal device;
    qputenv("QIE_COM1", device.slave.toLocal8Bit());
    SerialPortControl port;
    port.setCommPort(1);
    for (auto _ : state) {
        if (port.setPortOpen(true)) {
            state.SkipWithError("the port did not open");
            break;
        }
        port.setPortOpen(false);
    }
    state.counters["descriptors_held"] = double(holders.held());
}
BENCHMARK(BM_OpenClose)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// The scan alone, with a budget it never reaches: what a full look at every descriptor costs.
void BM_HolderScan(benchmark::State &state)
{
    const Holders holders(int(state.range(0)));
    PseudoTerminal device;
    for (auto _ : state)
        benchmark::DoNotOptimize(PortHolders::find(device.slave, std::chrono::seconds(60)));
    state.counters["descriptors_held"] = double(holders.held());
}
BENCHMARK(BM_HolderScan)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// A holder found behind range(0) processes of range(1) descriptors each, with the budget
// range(2) in milliseconds (0: the scan's own): found is 1 when every look found it, complete 1
// when no look ran out of time.
void BM_HolderFound(benchmark::State &state)
{
    PseudoTerminal device;
    const QByteArray slave = device.slave.toLocal8Bit();
    const Holders holders(int(state.range(0)), int(state.range(1)), slave.constData());
    if (!holders.deviceHeld()) {
        state.SkipWithError("the holder could not open the port");
        return;
    }
    bool found = true;
    bool complete = true;
    for (auto _ : state) {
        const PortHolders::Look look = state.range(2) > 0
            ? PortHolders::find(device.slave, std::chrono::milliseconds(state.range(2)))
            : PortHolders::find(device.slave);
        found = found && look.holder.has_value();
        complete = complete && look.complete;
    }
    state.counters["descriptors_held"] = double(holders.held());
    state.counters["found"] = found ? 1 : 0;
    state.counters["complete"] = complete ? 1 : 0;
}
BENCHMARK(BM_HolderFound)
    ->Args({ 20, 20000, 0 })
    ->Args({ 20, 20000, 60000 })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
