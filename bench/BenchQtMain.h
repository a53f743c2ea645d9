// The main() body of benchmarks that need a Qt application (offscreen unless the caller chose a platform).
#pragma once
#include <benchmark/benchmark.h>

#include <cstdlib>

// Runs the registered benchmarks under an application object of type App
// (QCoreApplication, QGuiApplication or QApplication), after Setup has run
// with the application in place; returns the process exit code.
template<class App>
int benchRunWithQtApp(int argc, char **argv, void (*Setup)() = nullptr)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    App app(argc, argv);
    if (Setup)
        Setup();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
