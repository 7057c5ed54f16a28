#include "core/Usr.h"
#include "mainwin/fmDoc.h"
#include "platform/desktop/QtLanguage.h"

#include <QApplication>

#include <memory>

namespace {
MainWindowHost *createMainWindow() { return new fmDoc; }
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fenwar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Fenwar"));
    QtLanguage::install(app);

    const std::unique_ptr<MainWindowHost> window(
        Usr::Main(createMainWindow, QApplication::arguments().mid(1), QApplication::applicationFilePath()));
    return app.exec();
}
