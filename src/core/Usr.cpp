#include "core/Usr.h"

#include "core/SiteTemplate.h"
#include "core/TemplateDb.h"
#include "core/sbWait.h"
#include "core/yIni.h"
#include "core/zClt.h"
#include "platform/desktop/Clock.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/Launcher.h"
#include "platform/text/NumberText.h"
#include "platform/desktop/Prompt.h"
#include "platform/desktop/RandomSource.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QSysInfo>
#include <QWidget>

Usr::State &Usr::st()
{
    static State state;
    return state;
}

MainWindowHost *Usr::Main(MainWindowFactory createMainWindow, const QStringList &arguments,
                          const QString &programPath)
{
    State &state = st();
    sbWait::cMsg(QStringLiteral("Fenwar 起動中です・・・"));
    RandomSource::current().seed(std::uint32_t(Clock::current().now().toMSecsSinceEpoch()));
    state.runTime = true;
    state.programPath = QFileInfo(programPath).absoluteFilePath();
    state.baseName = ProgramBaseName(programPath);

    yIni &ini = yIni::instance();
    ini.W_UserData();
    ini.F_ChkSb(state.userData, {QStringLiteral("Wrk"), QStringLiteral("Dbs")});
    TemplateDb::install(state.userData);
    SiteTemplate::install(state.userData);
    ini.GetTxt(state.userData + QStringLiteral("User.xml"));
    state.workFolder = state.userData + QStringLiteral("Wrk/");
    W_GtWa();
    state.pcName = FsGtPcNm();

    MainWindowHost *host = createMainWindow();
    state.mainWindow = host->widget();
    Prompt::setParentWindow(state.mainWindow);

    QString path;
    int pageNo = 0;
    SplitCommandLine(CommandLineText(arguments), path, pageNo);
    // The database is remembered in the recent list: keep it independent of
    // the folder the program was started from.
    path = zClt::instance().FbExFile(path, false) ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : QString();
    host->SetDBNo(path, pageNo);
    host->widget()->show();
    sbWait::cEnd();
    return host;
}

QString Usr::ProgramBaseName(const QString &programPath)
{
    QString name = QFileInfo(programPath).completeBaseName();
    if (name.right(3).toLower() == QLatin1String("_dv"))
        name.chop(3);
    return name;
}

QString Usr::CommandLineText(const QStringList &arguments)
{
    QStringList parts;
    for (const QString &argument : arguments)
        parts << (argument.contains(QLatin1Char(' ')) ? QLatin1Char('"') + argument + QLatin1Char('"') : argument);
    return parts.join(QLatin1Char(' '));
}

void Usr::SplitCommandLine(const QString &text, QString &path, int &pageNo)
{
    QString rest;
    const int quote = text.lastIndexOf(QLatin1Char('"'));
    if (quote < 0) {
        const int blank = text.indexOf(QLatin1Char(' '));
        path = blank < 0 ? text : text.left(blank);
        rest = blank < 0 ? QString() : text.mid(blank + 1);
    } else {
        rest = text.mid(quote + 1);
        path = text.left(quote);
        path.remove(QLatin1Char('"'));
    }
    // Blanks only: tabs and other white space belong to the text.
    static const QRegularExpression outerBlanks(QStringLiteral("^ +| +$"));
    path.remove(outerBlanks);
    rest.remove(outerBlanks);
    pageNo = NumberText::roundInt32(NumberText::leading(rest));
}

QString Usr::FsGtPcNm()
{
    return QSysInfo::machineHostName();
}

void Usr::W_GtWa()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const double twipsX = 1440.0 / screen->logicalDotsPerInchX();
    const double twipsY = 1440.0 / screen->logicalDotsPerInchY();
    State &state = st();
    state.waLeft = NumberText::roundInt32(area.left() * twipsX);
    state.waTop = NumberText::roundInt32(area.top() * twipsY);
    state.waWidth = NumberText::roundInt32(area.width() * twipsX);
    state.waHeight = NumberText::roundInt32(area.height() * twipsY);
}

void Usr::W_FitWa(int &left, int &top, int &width, int &height)
{
    const State &state = st();
    // Sums in 64 bits: positions come from a hand-editable settings file.
    const qint64 right = qint64(state.waLeft) + state.waWidth;
    const qint64 bottom = qint64(state.waTop) + state.waHeight;
    if (left < state.waLeft)
        left = state.waLeft;
    if (top < state.waTop)
        top = state.waTop;
    if (qint64(left) + width > right) {
        left = state.waLeft;
        if (width > state.waWidth)
            width = state.waWidth;
    }
    if (qint64(top) + height > bottom) {
        top = state.waTop;
        if (height > state.waHeight)
            height = state.waHeight;
    }
}

bool Usr::W_SetExt(const QString &progId, const QString &programPath, const QString &extension)
{
    if (!QFileInfo(programPath).isFile()) {
        Prompt::current().message(programPath + QStringLiteral(" Not Found"));
        return false;
    }
    static const QRegularExpression safeName(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]*$"));
    const QString mimeType = QStringLiteral("application/x-") + extension.toLower();
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    bool ok = safeName.match(progId).hasMatch() && safeName.match(extension).hasMatch()
              && DesktopEntry::writeMimeType(dataHome + QStringLiteral("/mime/packages/") + progId
                                                 + QStringLiteral(".xml"),
                                             mimeType, extension)
              && DesktopEntry::writeLauncher(applications + QLatin1Char('/') + progId + QStringLiteral(".desktop"),
                                             QFileInfo(programPath).absoluteFilePath(), mimeType);
    if (ok) {
        Launcher &launcher = Launcher::current();
        launcher.run(QStringLiteral("update-mime-database"), {dataHome + QStringLiteral("/mime")}, QString(), 60000);
        ok = launcher.run(QStringLiteral("xdg-mime"),
                          {QStringLiteral("default"), progId + QStringLiteral(".desktop"), mimeType}, QString(),
                          60000)
             == 0;
        launcher.run(QStringLiteral("update-desktop-database"), {applications}, QString(), 60000);
    }
    if (!ok)
        Prompt::current().message(QStringLiteral("拡張子(*.txdb)の関連付けできませんでした\n")
                                  + QStringLiteral("OS がVista以降で UACを有効にしている場合は、管理者として実行して下さい"));
    return ok;
}
