// SPDX-License-Identifier: MIT
// One click on a cell, from the mouse events to the new data text being set.
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "WindowBenchmarks.h"
#include "ui/CellGrid.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QMouseEvent>
#include <benchmark/benchmark.h>

namespace {

void click(qie::CellGrid *grid, int n)
{
    const QPointF at = grid->cellRect(n).center();
    const QPointF global = grid->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(grid, &press);
    QCoreApplication::sendEvent(grid, &release);
}

// The click itself: model, cell picture, data text; painting is left to the event loop.
void BM_ClickCell(benchmark::State &state)
{
    qie::test::FakeDialogService dialogs;
    qie::test::FakeCommControl port;
    qie::Form1 form(dialogs, port);
    auto *grid = form.findChild<qie::CellGrid *>(QStringLiteral("picField"));
    int n = 0;
    for (auto _ : state) {
        const QString before = form.dataText();
        click(grid, n);
        if (form.dataText() == before)
            state.SkipWithError("the click did not change the data text");
        n = (n + 37) % qie::CellGrid::kCellCount;
    }
}
BENCHMARK(BM_ClickCell);

// The click and the repaint of what it changed (one cell, the data text), on a shown window.
void BM_ClickCellAndPaint(benchmark::State &state)
{
    qie::test::FakeDialogService dialogs;
    qie::test::FakeCommControl port;
    qie::Form1 form(dialogs, port);
    form.show();
    QCoreApplication::processEvents();
    auto *grid = form.findChild<qie::CellGrid *>(QStringLiteral("picField"));
    int n = 0;
    for (auto _ : state) {
        click(grid, n);
        QCoreApplication::processEvents();
        n = (n + 37) % qie::CellGrid::kCellCount;
    }
}
BENCHMARK(BM_ClickCellAndPaint);

} // namespace

int main(int argc, char **argv)
{
    return qie::bench::runWindowBenchmarks(argc, argv);
}
