#pragma once

#include <QByteArray>
#include <QGuiApplication>

// The offscreen application every fuzz target needs for fonts and images; made once.
inline void startFuzzApp()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}
