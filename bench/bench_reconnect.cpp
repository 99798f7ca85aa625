// SPDX-License-Identifier: MIT
#include "FakeDialogService.h"
#include "PseudoTerminal.h"
#include "WindowBenchmarks.h"
#include "common/Settings.h"
#include "serial/SerialPortControl.h"
#include "ui/Form1.h"
#include "ui/PortPicker.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <memory>

using namespace qie;

namespace {

// Reconnect latency: a device behind a link (as /dev/serial/by-id names an adapter) is lost
// while open and comes back as a new pseudo-terminal; the time from the link pointing at it
// again to the port being open, with the program's own timer. Each iteration waits a random
// part of the watch's interval after the loss, as a real unplug would.
void BM_ReconnectLatency(benchmark::State &state)
{
    const QTemporaryDir dir;
    Settings::useFile(dir.filePath(QStringLiteral("bench.ini")));
    const QString link = dir.filePath(QStringLiteral("ttyQIE"));
    qputenv("QIE_COM1", link.toLocal8Bit());
    auto device = std::make_unique<test::PseudoTerminal>();
    QFile::link(device->slavePath, link);
    test::FakeDialogService dialogs;
    SerialPortControl port;
    Form1 form(dialogs, port);
    form.findChild<PortPicker *>()->setReconnectEnabled(true);
    form.Command1_Click();
    double worstMs = 0;
    double sumMs = 0;
    int count = 0;
    for (auto _ : state) {
        if (!port.portOpen()) {
            state.SkipWithError("the port did not open");
            break;
        }
        device->hangUp();
        QFile::remove(link);
        for (QElapsedTimer lost; !lost.isValid() || (port.portOpen() && lost.elapsed() < 5000);) {
            if (!lost.isValid())
                lost.start();
            QTest::qWait(1);
        }
        QTest::qWait(37 * count % 250);
        device = std::make_unique<test::PseudoTerminal>();
        QElapsedTimer back;
        back.start();
        QFile::link(device->slavePath, link);
        while (!port.portOpen() && back.elapsed() < 5000)
            QTest::qWait(1);
        const double ms = double(back.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000);
        worstMs = std::max(worstMs, ms);
        sumMs += ms;
        ++count;
    }
    state.counters["mean_ms"] = count ? sumMs / count : 0;
    state.counters["worst_ms"] = worstMs;
    qunsetenv("QIE_COM1");
    Settings::useFile(QString());
}
BENCHMARK(BM_ReconnectLatency)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return qie::bench::runWindowBenchmarks(argc, argv);
}
