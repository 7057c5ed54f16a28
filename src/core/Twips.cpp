#include "core/Twips.h"

#include "core/Usr.h"
#include "core/yIni.h"

void Twips::readPlace(QWidget &window)
{
    yIni &ini = yIni::instance();
    int left = ini.vGtVal(QStringLiteral("Left"), 0).toInt();
    int top = ini.vGtVal(QStringLiteral("Top"), 0).toInt();
    int width = ini.vGtVal(QStringLiteral("Width"), 0).toInt();
    int height = ini.vGtVal(QStringLiteral("Height"), 0).toInt();
    if (width <= 0 || height <= 0)
        return;
    if (Usr::st().waWidth <= 0 || Usr::st().waHeight <= 0)
        Usr::W_GtWa();
    if (Usr::st().waWidth > 0 && Usr::st().waHeight > 0)
        Usr::W_FitWa(left, top, width, height);
    window.setGeometry(toPx(window, left, true), toPx(window, top, false), toPx(window, width, true),
                       toPx(window, height, false));
}

void Twips::writePlace(const QWidget &window)
{
    yIni &ini = yIni::instance();
    const QRect r = window.geometry();
    ini.SetVal(QStringLiteral("Left"), fromPx(window, r.x(), true));
    ini.SetVal(QStringLiteral("Top"), fromPx(window, r.y(), false));
    ini.SetVal(QStringLiteral("Width"), fromPx(window, r.width(), true));
    ini.SetVal(QStringLiteral("Height"), fromPx(window, r.height(), false));
}
