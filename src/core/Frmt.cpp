#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "platform/text/NumberText.h"

#include <QStringList>

#include <cmath>
#include <limits>

namespace {

constexpr int FieldCount = 14;
const QString LspName = QStringLiteral("USR_LSP");
const QString FormatName = QStringLiteral("USR_FORMAT_");
const QChar FieldSeparator = QLatin1Char('|');
const QChar LineEnd = QChar(13);

// Rounds half to even, like the stored values were always converted.
bool toInteger(double value, double low, double high, qint64 &out)
{
    const double rounded = std::rint(value);
    if (!std::isfinite(rounded) || rounded < low || rounded > high)
        return false;
    out = qint64(rounded);
    return true;
}

QString factorText(float factor)
{
    return QString::number(double(factor), 'g', 7);
}

// The number fields of a record in stored order (fields 1 to 13).
int *numberField(UsrFmt &f, int i)
{
    int *const fields[] = {&f.fontSize, &f.textColor, &f.backColor, &f.bold, &f.alignment, &f.head2,
                           &f.head3, &f.head4, &f.dist1, &f.dist2, &f.dist3, &f.dist4, &f.dist5};
    return fields[i - 1];
}

} // namespace

FrmtState &Frmt::st()
{
    return Usr::st().frmt;
}

UsrFmt Frmt::DefaultFmt(int index)
{
    struct Row { int size; qint32 color; int bold; int align; int d1, d2, d3; };
    static const Row rows[8] = {
        {14, 5266053, 1, 0, 160, 180, 160}, {12, 5072980, 1, 0, 160, 140, 120},
        {11, 5652282, 1, 0, 160, 100, 80},  {10, 0, 0, 0, 60, 0, 0},
        {10, 0, 1, 0, 60, 0, 0},            {9, 8421504, 0, 0, 60, 0, 0},
        {9, 5652282, 0, 1, 0, 0, 0},        {9, 5652282, 0, 1, 0, 0, 0},
    };
    const Row &r = rows[qBound(0, index, 7)];
    UsrFmt f;
    f.fontName = QStringLiteral("ＭＳ Ｐゴシック");
    f.fontSize = r.size;
    f.textColor = r.color;
    f.backColor = 16777215;
    f.bold = r.bold;
    f.alignment = r.align;
    f.dist1 = r.d1;
    f.dist2 = r.d2;
    f.dist3 = r.d3;
    return f;
}

bool Frmt::ParseRecord(const QString &text, UsrFmt &record)
{
    const QStringList fields = text.split(FieldSeparator);
    if (text.isEmpty() || fields.size() != FieldCount)
        return false;
    UsrFmt f;
    f.fontName = fields[0];
    for (int i = 1; i < FieldCount; ++i) {
        const bool wide = i == 2 || i == 3;
        const double low = wide ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint16>::min();
        const double high = wide ? std::numeric_limits<qint32>::max() : std::numeric_limits<qint16>::max();
        qint64 value = 0;
        if (i == 8 && fields[i] == QLatin1String("32"))
            value = 7936;
        else if (!toInteger(NumberText::leading(fields[i]), low, high, value))
            return false;
        *numberField(f, i) = int(value);
    }
    record = f;
    return true;
}

QString Frmt::RecordText(const UsrFmt &f)
{
    const QList<qint64> numbers = {f.fontSize, f.textColor, f.backColor, f.bold, f.alignment,
                                   f.head2, f.head3, f.head4, f.dist1, f.dist2, f.dist3, f.dist4, f.dist5};
    QStringList fields{f.fontName};
    for (qint64 n : numbers)
        fields << QString::number(n);
    return fields.join(FieldSeparator);
}

void Frmt::ParseFmt(const QString &text, int index)
{
    if (index < 0 || index > 7)
        return;
    UsrFmt record;
    // A damaged record (wrong field count, a number too large for its field)
    // costs only that record, never the whole database.
    st().usrFmt[index] = ParseRecord(text, record) ? record : DefaultFmt(index);
}

QString Frmt::FmtToText(int index)
{
    return (index < 0 || index > 7) ? QString() : RecordText(st().usrFmt[index]);
}

void Frmt::TagLine(QString &text, const QString &name, const QString &value)
{
    text += QLatin1Char('<') + name + QLatin1Char('>') + value + QLatin1String("</") + name
            + QLatin1Char('>') + LineEnd;
}

void Frmt::ReadDmFmt(const QString &text)
{
    const QString lsp = zClt::instance().TsBtwn(text, QLatin1Char('<') + LspName + QLatin1Char('>'),
                                QLatin1String("</") + LspName + QLatin1Char('>'));
    const double factor = NumberText::leading(lsp);
    st().lineFactor = (factor >= 1.0 && factor <= 2.0) ? float(factor) : 1.2f;
    for (int i = 0; i < 8; ++i) {
        const QString name = FormatName + QString::number(i);
        ParseFmt(zClt::instance().TsBtwn(text, QLatin1Char('<') + name + QLatin1Char('>'),
                         QLatin1String("</") + name + QLatin1Char('>')),
                 i);
    }
}

QString Frmt::DmFmtText()
{
    QString text;
    TagLine(text, LspName, factorText(st().lineFactor));
    for (int i = 0; i < 8; ++i)
        TagLine(text, FormatName + QString::number(i), FmtToText(i));
    return text;
}

QString Frmt::DefaultDmFmt()
{
    QString text;
    TagLine(text, LspName, factorText(1.2f));
    for (int i = 0; i < 8; ++i)
        TagLine(text, FormatName + QString::number(i), RecordText(DefaultFmt(i)));
    return text;
}

bool Frmt::LoadFmt()
{
    Recordset rs;
    if (!zSvr::instance().R_Rset(QStringLiteral("Select DmFmt From kaUsr"), rs, Recordset::ForwardOnly))
        return false;
    const QString text = rs.eof() ? QString() : rs.value(0).toString();
    rs.close();
    ReadDmFmt(text);
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("TX_FORMAT"));
    st().usrDtp = ini.vGtVal(QStringLiteral("USR_DTP"), true).toBool();
    st().usrEntShift = ini.vGtVal(QStringLiteral("USR_ENT_SHIFT"), true).toBool();
    return true;
}

void Frmt::SaveFmt()
{
    // Bound, so that a font name with a quote or "?" is stored as it stands.
    zSvr::instance().D_ExeSq(QStringLiteral("Update kaUsr Set DmFmt='?'"), QVariantList{DmFmtText()});
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("TX_FORMAT"));
    ini.SetVal(QStringLiteral("USR_DTP"), st().usrDtp);
    ini.SetVal(QStringLiteral("USR_ENT_SHIFT"), st().usrEntShift);
    ini.SetGtx();
}
