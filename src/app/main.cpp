#include "mainwin/fmDoc.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fenwar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Fenwar"));

    fmDoc window;
    Usr::st().mainWindow = &window;
    const QStringList args = QApplication::arguments().mid(1);
    window.SetDBNo(args.value(0), args.value(1).toInt());
    window.show();
    return app.exec();
}
