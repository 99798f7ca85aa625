// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "WindowBenchmarks.h"
#include "common/Settings.h"
#include "ui/Form1.h"
#include "ui/ReceiveArea.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextCursor>
#include <benchmark/benchmark.h>
#include <chrono>

using namespace qie;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kChunkBytes = 64;
constexpr int kMegabyte = 1 << 20;
constexpr int kChunksPerMegabyte = kMegabyte / kChunkBytes;
constexpr int kTotalMegabytes = 10;

// 62 printable characters and CR LF: one line per chunk, as a chatty device would send.
QString chunkText(int i)
{
    QString text = QStringLiteral("%1 ").arg(i, 8, 10, QLatin1Char('0'));
    while (text.size() < kChunkBytes - 2)
        text += QLatin1Char(char('a' + text.size() % 26));
    return text + QStringLiteral("\r\n");
}

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// Each chunk as the window receives it: appended, then the event loop runs (layout and
// painting of a shown window) before the next one arrives.
void BM_AppendReceived(benchmark::State &state)
{
    for (auto _ : state) {
        test::FakeDialogService dialogs;
        test::FakeCommControl port;
        Form1 form(dialogs, port);
        form.show();
        QCoreApplication::processEvents();
        auto *area = form.findChild<ReceiveArea *>(QStringLiteral("txtReceiveData"));

        Clock::duration first {};
        Clock::duration last {};
        const Clock::time_point start = Clock::now();
        for (int mb = 0; mb < kTotalMegabytes; ++mb) {
            const Clock::time_point mbStart = Clock::now();
            for (int i = 0; i < kChunksPerMegabyte; ++i) {
                area->appendBytes(chunkText(mb * kChunksPerMegabyte + i).toLatin1());
                QCoreApplication::processEvents();
            }
            const Clock::duration spent = Clock::now() - mbStart;
            if (mb == 0)
                first = spent;
            if (mb == kTotalMegabytes - 1)
                last = spent;
        }
        const Clock::duration total = Clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(total).count());

        if (area->document()->characterCount() > ReceiveArea::kHistoryChars * 9 / 8)
            state.SkipWithError("the history outgrew its bound");
        state.counters["first_MB_us_per_chunk"] = microseconds(first) / kChunksPerMegabyte;
        state.counters["last_MB_us_per_chunk"] = microseconds(last) / kChunksPerMegabyte;
        state.counters["last_over_first"] = microseconds(last) / microseconds(first);
        state.counters["total_s"] = std::chrono::duration<double>(total).count();
    }
}
BENCHMARK(BM_AppendReceived)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// What timestamps cost on the receive path: the same 1 MB of 64-byte lines into the area,
// without stamps (0) and with them (1); the counter is the mean time per chunk.
void BM_AppendStamped(benchmark::State &state)
{
    constexpr int kMegabytes = 1;
    const QTemporaryDir settings;
    Settings::useFile(settings.filePath(QStringLiteral("bench.ini")));
    for (auto _ : state) {
        ReceiveArea area;
        area.resize(600, 300);
        area.show();
        area.setTimestamps(state.range(0) != 0);
        QCoreApplication::processEvents();
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < kMegabytes * kChunksPerMegabyte; ++i) {
            area.appendBytes(chunkText(i).toLatin1());
            QCoreApplication::processEvents();
        }
        const Clock::duration total = Clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(total).count());
        state.counters["us_per_chunk"] = microseconds(total) / (kMegabytes * kChunksPerMegabyte);
    }
    Settings::useFile(QString());
}
BENCHMARK(BM_AppendStamped)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The yardstick: setting the whole text again for every chunk. Doing that for all 16384
// chunks of the first megabyte takes many minutes, so the cost is sampled at 16 sizes spread
// evenly over the first megabyte; their mean is the mean cost per chunk over that megabyte.
void BM_SetWholeTextFirstMegabyte(benchmark::State &state)
{
    constexpr int kSamples = 16;
    constexpr int kRepeats = 4;
    for (auto _ : state) {
        QPlainTextEdit area;
        area.setReadOnly(true);
        area.show();
        QString text;
        Clock::duration sampled {};
        for (int sample = 0; sample < kSamples; ++sample) {
            while (text.size() < qsizetype(sample) * (kMegabyte / kSamples))
                text += chunkText(int(text.size() / kChunkBytes));
            for (int r = 0; r < kRepeats; ++r) {
                const QString next = text + chunkText(r);
                const Clock::time_point t0 = Clock::now();
                area.setPlainText(next);
                QTextCursor cursor = area.textCursor();
                cursor.movePosition(QTextCursor::End);
                area.setTextCursor(cursor);
                area.ensureCursorVisible();
                QCoreApplication::processEvents();
                sampled += Clock::now() - t0;
            }
        }
        const double perChunk = microseconds(sampled) / (kSamples * kRepeats);
        state.SetIterationTime(perChunk * kChunksPerMegabyte / 1e6);
        state.counters["first_MB_us_per_chunk"] = perChunk;
        state.counters["first_MB_total_s"] = perChunk * kChunksPerMegabyte / 1e6;
    }
}
BENCHMARK(BM_SetWholeTextFirstMegabyte)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The shapes a device may send, as 64-byte chunks: lines of 62 characters and CR LF, "OK"
// lines, and a run without any line end.
enum Shape { Lines, OkLines, NoLineEnds };

QByteArray shapeChunk(Shape shape, int i)
{
    switch (shape) {
    case Lines:
        return chunkText(i).toLatin1();
    case OkLines:
        return QByteArray("OK\r\n").repeated(kChunkBytes / 4);
    case NoLineEnds:
        break;
    }
    return QByteArray(kChunkBytes, char('a' + i % 26));
}

// Append cost per 64-byte chunk into the received-data area, shown, the event loop run after
// each chunk as in the window: an area that never holds more than 2048 chunks (128 KiB, it is
// cleared then) against one whose history has been full for a while (4 MiB appended first).
// The two take turns, 256 chunks each, so that other work on the machine weighs on both
// alike. The bound must not make a full history dearer, nor a long line.
void BM_AreaAppendFullVsEmpty(benchmark::State &state)
{
    const auto shape = Shape(state.range(0));
    constexpr int kTurn = 256;
    constexpr int kTurns = 32;
    constexpr int kEmptyChunks = 2048;
    constexpr int kFill = 4 * kMegabyte / kChunkBytes;
    for (auto _ : state) {
        ReceiveArea empty;
        ReceiveArea full;
        for (ReceiveArea *area : { &empty, &full }) {
            area->resize(290, 169);
            area->show();
        }
        for (int i = 0; i < kFill; ++i)
            full.appendBytes(shapeChunk(shape, i));
        QCoreApplication::processEvents();
        Clock::duration emptyTime {};
        Clock::duration fullTime {};
        int next = kFill;
        for (int turn = 0; turn < kTurns; ++turn) {
            if (turn * kTurn % kEmptyChunks == 0)
                empty.clearReceived();
            for (auto [area, spent] : { std::pair { &empty, &emptyTime }, { &full, &fullTime } }) {
                const Clock::time_point t0 = Clock::now();
                for (int i = 0; i < kTurn; ++i) {
                    area->appendBytes(shapeChunk(shape, next++));
                    QCoreApplication::processEvents();
                }
                *spent += Clock::now() - t0;
            }
        }
        state.SetIterationTime(std::chrono::duration<double>(emptyTime + fullTime).count());
        if (full.toPlainText().size() > ReceiveArea::kHistoryChars * 9 / 8)
            state.SkipWithError("the history outgrew its bound");
        constexpr int kMeasured = kTurn * kTurns;
        state.counters["empty_us_per_chunk"] = microseconds(emptyTime) / kMeasured;
        state.counters["full_us_per_chunk"] = microseconds(fullTime) / kMeasured;
        state.counters["full_over_empty"] = microseconds(fullTime) / microseconds(emptyTime);
    }
}
BENCHMARK(BM_AreaAppendFullVsEmpty)
    ->ArgName("shape")
    ->Arg(Lines)
    ->Arg(OkLines)
    ->Arg(NoLineEnds)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return qie::bench::runWindowBenchmarks(argc, argv);
}
