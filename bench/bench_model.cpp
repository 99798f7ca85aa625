// SPDX-License-Identifier: MIT
#include "FakeEditorView.h"
#include "model/Document.h"
#include "model/Numbers.h"

#include <benchmark/benchmark.h>
#include <string>

using namespace qie;

namespace {

// A window that throws away everything it is shown, so that the figures are the document's
// own.
class NullView : public EditorView
{
public:
    void setCellPicture(int cell, CellPicture picture) override
    {
        benchmark::DoNotOptimize(cell);
        benchmark::DoNotOptimize(picture);
    }
    void setDataText(const std::string &text) override { benchmark::DoNotOptimize(text.data()); }
    void setWidthText(const std::string &text) override { benchmark::DoNotOptimize(text.data()); }
    void setCallsignText(const std::string &text) override
    {
        benchmark::DoNotOptimize(text.data());
    }
    void beep() override { }
    void setTextsPending(bool pending) override { benchmark::DoNotOptimize(pending); }
};

const AsciiCodePage kCodePage;

// A document shown in a NullView, callsign "CALLSIGN", at `width`.
struct Shown
{
    NullView view;
    Document document { kCodePage };
    explicit Shown(const char *width)
    {
        document.setView(&view);
        document.setCallsignText("CALLSIGN");
        document.setWidthText(width);
    }
};

Document::Lines fullLines()
{
    Document::Lines lines;
    lines[0] = "CALLSIGN";
    for (int r = 1; r < Document::kDataLines; ++r)
        lines[r] = "0123456789ABCDEFfedcba9876543210";
    return lines;
}

void allCellsOn(Document &model)
{
    Document::Lines lines;
    for (int r = 1; r < Document::kDataLines; ++r)
        lines[r] = std::string(Document::kDigitsPerRow, 'F');
    model.DecodeDataText(lines);
}

void BM_UpdateDataText(benchmark::State &state)
{
    Shown shown("16");
    Document &model = shown.document;
    allCellsOn(model);
    for (auto _ : state) {
        model.UpdateDataText();
        benchmark::DoNotOptimize(model.sendData().data());
    }
}
BENCHMARK(BM_UpdateDataText);

void BM_DecodeDataText(benchmark::State &state)
{
    Shown shown("16");
    Document &model = shown.document;
    const Document::Lines lines = fullLines();
    for (auto _ : state) {
        model.DecodeDataText(lines);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeDataText);

void BM_RefreshCells(benchmark::State &state)
{
    Shown shown("9");
    Document &model = shown.document;
    allCellsOn(model);
    for (auto _ : state) {
        model.RefreshCells();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RefreshCells);

void BM_LenientNumber(benchmark::State &state, const char *text)
{
    const std::string input = text;
    for (auto _ : state)
        benchmark::DoNotOptimize(LenientNumber(input));
}
BENCHMARK_CAPTURE(BM_LenientNumber, width, "16");
BENCHMARK_CAPTURE(BM_LenientNumber, blanks_exponent, " -1 2.5e 3 x");
BENCHMARK_CAPTURE(BM_LenientNumber, hex, "&HFFFF");
BENCHMARK_CAPTURE(BM_LenientNumber, long_text, "12345.678901234567890123456789");

void BM_StrictNumber(benchmark::State &state, const char *text)
{
    const std::string input = text;
    for (auto _ : state)
        benchmark::DoNotOptimize(StrictNumber(input));
}
BENCHMARK_CAPTURE(BM_StrictNumber, width, "16");
BENCHMARK_CAPTURE(BM_StrictNumber, fraction, " 0.5 ");
BENCHMARK_CAPTURE(BM_StrictNumber, rejected, "5a");
BENCHMARK_CAPTURE(BM_StrictNumber, long_text, "12345.678901234567890123456789");

void BM_RoundHalfEven(benchmark::State &state)
{
    double x = -40000.25;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RoundHalfEven(x));
        x = x > 40000 ? -40000.25 : x + 0.5;
    }
}
BENCHMARK(BM_RoundHalfEven);

} // namespace

BENCHMARK_MAIN();
