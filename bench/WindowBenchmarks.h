// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

namespace qie::bench {

// The main of a benchmark that needs the editor window: an application on the headless
// display unless another one is asked for, and the benchmarks the command line selects.
inline int runWindowBenchmarks(int argc, char **argv)
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

} // namespace qie::bench
