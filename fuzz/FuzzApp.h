#pragma once

#include <QByteArray>
#include <QGuiApplication>

// fontconfig keeps its caches to the end of the process, which LeakSanitizer reports as a leak (and the
// fuzzer then as a crash): they are no leak of ours.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// The offscreen application every fuzz target needs for fonts and images; made once.
inline void startFuzzApp()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}
