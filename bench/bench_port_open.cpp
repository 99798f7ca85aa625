// SPDX-License-Identifier: MIT
// The cost of the other-holder check at Open: opening and closing a pseudo-terminal port with
// no extra descriptors in other processes, and with 100 processes holding 1000 descriptors of
// /dev/null each (100k); and the descriptor scan alone. Linux; raises its own descriptor limit
// for the helper processes (as root, or within the hard limit).
//
//   build/bench/bench_port_open --benchmark_repetitions=5 --benchmark_report_aggregates_only

#include "serial/PortHolders.h"
#include "serial/SerialPortControl.h"

#include <QCoreApplication>
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

constexpr int kDescriptorsPerProcess = 1000;

// Processes that each hold kDescriptorsPerProcess descriptors and wait to be killed.
class Holders
{
public:
    explicit Holders(int processes)
    {
        for (int i = 0; i < processes; ++i) {
            int ready[2];
            if (::pipe(ready) != 0)
                break;
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(ready[0]);
                rlimit limit { kDescriptorsPerProcess + 64, kDescriptorsPerProcess + 64 };
                ::setrlimit(RLIMIT_NOFILE, &limit);
                int opened = 0;
                while (opened < kDescriptorsPerProcess && ::open("/dev/null", O_RDONLY) >= 0)
                    ++opened;
                const char done = opened == kDescriptorsPerProcess ? 1 : 0;
                [[maybe_unused]] const auto n = ::write(ready[1], &done, 1);
                ::pause();
                ::_exit(0);
            }
            ::close(ready[1]);
            char done = 0;
            if (::read(ready[0], &done, 1) == 1 && done == 1)
                m_held += kDescriptorsPerProcess;
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

private:
    std::vector<pid_t> m_pids;
    long m_held = 0;
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
