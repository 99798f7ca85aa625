// SPDX-License-Identifier: MIT
// A stroke across 128 cells, from the mouse events to the last data text and the undo step.
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "ui/CellGrid.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QMouseEvent>
#include <benchmark/benchmark.h>

namespace {

void send(qie::CellGrid *grid, QEvent::Type type, int cell, Qt::MouseButton button,
          Qt::MouseButtons buttons)
{
    const QPointF at = grid->cellRect(cell).center();
    QMouseEvent event(type, at, grid->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(grid, &event);
}

// Rows 0 and 1 of the upper band, there and back: 128 cells. `step` cells per pointer report:
// 1 is a slow drag (a report on every cell, each rewriting the data text), 64 a fast one
// (each report fills a line of 64 cells). Strokes alternate between painting and erasing.
void stroke(benchmark::State &state, bool shown)
{
    qie::test::FakeDialogService dialogs;
    qie::test::FakeCommControl port;
    qie::Form1 form(dialogs, port);
    if (shown) {
        form.show();
        QCoreApplication::processEvents();
    }
    auto *grid = form.findChild<qie::CellGrid *>(QStringLiteral("picField"));
    const int step = static_cast<int>(state.range(0));
    QList<int> path;
    for (int x = 0; x < 64; x += step)
        path << x;
    path << 63;
    for (int x = 63; x >= 0; x -= step)
        path << 64 + x;
    path << 64;
    for (auto _ : state) {
        const QString before = form.dataText();
        send(grid, QEvent::MouseButtonPress, path.first(), Qt::LeftButton, Qt::LeftButton);
        for (int n : path)
            send(grid, QEvent::MouseMove, n, Qt::NoButton, Qt::LeftButton);
        send(grid, QEvent::MouseButtonRelease, path.last(), Qt::LeftButton, Qt::NoButton);
        if (shown)
            QCoreApplication::processEvents();
        if (form.dataText() == before)
            state.SkipWithError("the stroke did not change the data text");
    }
    state.counters["reports"] = static_cast<double>(path.size());
}

void BM_Stroke128(benchmark::State &state)
{
    stroke(state, false);
}
BENCHMARK(BM_Stroke128)->Arg(1)->Arg(64)->Unit(benchmark::kMicrosecond);

// The same with the repaint of what changed, on a shown window.
void BM_Stroke128AndPaint(benchmark::State &state)
{
    stroke(state, true);
}
BENCHMARK(BM_Stroke128AndPaint)->Arg(1)->Arg(64)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
