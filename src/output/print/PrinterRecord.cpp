#include "output/print/PrinterRecord.h"

#include "platform/richtext/PageSetup.h"
#include "platform/text/SystemCodec.h"

#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QSaveFile>
#include <QtEndian>

namespace {

constexpr int NameBytes = 32;

// Paper sources of the stored record (bin numbers of the original platform) and Qt's, in pairs.
constexpr int Sources[][2] = {
    {1, QPrinter::OnlyOne}, {2, QPrinter::Lower}, {3, QPrinter::Middle}, {4, QPrinter::Manual},
    {5, QPrinter::Envelope}, {6, QPrinter::EnvelopeManual}, {7, QPrinter::Auto}, {8, QPrinter::Tractor},
    {9, QPrinter::SmallFormat}, {10, QPrinter::LargeFormat}, {11, QPrinter::LargeCapacity},
    {14, QPrinter::Cassette}, {15, QPrinter::FormSource}};

} // namespace

bool PrinterRecord::setBytes(const QByteArray &bytes)
{
    if (bytes.size() != Size)
        return false;
    m_bytes = bytes;
    return true;
}

int PrinterRecord::value16(int offset) const
{
    return qFromLittleEndian<qint16>(m_bytes.constData() + offset);
}

void PrinterRecord::setValue16(int offset, int value)
{
    qToLittleEndian<qint16>(qint16(value), m_bytes.data() + offset);
}

quint32 PrinterRecord::fields() const
{
    return qFromLittleEndian<quint32>(m_bytes.constData() + Fields);
}

void PrinterRecord::setFields(quint32 fields)
{
    qToLittleEndian<quint32>(fields, m_bytes.data() + Fields);
}

QString PrinterRecord::deviceName() const
{
    QByteArray name = m_bytes.left(NameBytes);
    const int nul = name.indexOf('\0');
    if (nul >= 0)
        name.truncate(nul);
    return SystemCodec::toUnicode(name).trimmed();
}

void PrinterRecord::setDeviceName(const QString &name)
{
    QByteArray bytes = SystemCodec::fromUnicode(name);
    // Never cut a double-byte character in half: drop whole characters from the end.
    for (QString cut = name; bytes.size() > NameBytes; ) {
        cut.chop(1);
        bytes = SystemCodec::fromUnicode(cut);
    }
    bytes.append(QByteArray(NameBytes - bytes.size(), ' '));
    m_bytes.replace(DeviceName, NameBytes, bytes);
}

int PrinterRecord::twipsToTenthMm(int twips)
{
    return qRound(twips * 254.0 / 1440.0);
}

void PrinterRecord::setDocumentPaper(int paperCode, const PageSetup &setup)
{
    setValue16(PaperSize, paperCode);
    const bool user = paperCode == UserPaper;
    setValue16(PaperWidth, user ? twipsToTenthMm(setup.width) : 0);
    setValue16(PaperLength, user ? twipsToTenthMm(setup.height) : 0);
    setValue16(Orientation, setup.landscape ? 2 : 1);
}

void PrinterRecord::GetPrnDm(const QPrinter &printer)
{
    setValue16(SpecVersion, 0);
    setValue16(DriverVersion, 0);
    setValue16(RecordSize, Size);
    setValue16(DriverExtra, 0);
    setFields(0);
    setDeviceName(printer.printerName());
    const QPageLayout layout = printer.pageLayout();
    const int code = layout.pageSize().windowsId();
    if (code != UserPaper && code > 0) {
        addField(FieldPaperSize);
        setValue16(PaperSize, code);
        setValue16(PaperWidth, 0);
        setValue16(PaperLength, 0);
    } else {
        addField(FieldPaperSize | FieldPaperLength | FieldPaperWidth);
        const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
        setValue16(PaperSize, UserPaper);
        setValue16(PaperWidth, qRound(mm.width() * 10));
        setValue16(PaperLength, qRound(mm.height() * 10));
    }
    for (const auto &source : Sources) {
        if (source[1] == printer.paperSource()) {
            setValue16(DefaultSource, source[0]);
            addField(FieldDefaultSource);
            break;
        }
    }
    if (printer.resolution() > 0) {
        setValue16(PrintQuality, printer.resolution());
        addField(FieldPrintQuality);
    }
    setValue16(Color, printer.colorMode() == QPrinter::Color ? 2 : 1);
    addField(FieldColor);
    setValue16(Duplex, printer.duplex() == QPrinter::DuplexShortSide ? 3
                       : printer.duplex() == QPrinter::DuplexNone ? 1 : 2);
    addField(FieldDuplex);
    setValue16(Orientation, layout.orientation() == QPageLayout::Landscape ? 2 : 1);
    addField(FieldOrientation);
    // Qt offers no scale of its printers: the scale stays as it was, without its field.
}

void PrinterRecord::PutPrnDm(QPrinter &printer, int paperCode, const PageSetup &setup) const
{
    QPageSize size;
    if (paperCode != UserPaper)
        size = QPageSize(QPageSize::id(paperCode));
    if (!size.isValid()) {
        const int shortSide = setup.landscape ? setup.height : setup.width;
        const int longSide = setup.landscape ? setup.width : setup.height;
        size = QPageSize(QSizeF(qMax(1, shortSide) / 20.0, qMax(1, longSide) / 20.0), QPageSize::Point,
                         QString(), QPageSize::ExactMatch);
    }
    printer.setPageLayout(QPageLayout(size, setup.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF()));
    const int source = value16(DefaultSource);
    for (const auto &pair : Sources) {
        if (pair[0] == source)
            printer.setPaperSource(QPrinter::PaperSource(pair[1]));
    }
    if (value16(PrintQuality) > 0)
        printer.setResolution(value16(PrintQuality));
    if (value16(Color) == 1 || value16(Color) == 2)
        printer.setColorMode(value16(Color) == 2 ? QPrinter::Color : QPrinter::GrayScale);
    const int duplex = value16(Duplex);
    if (duplex >= 1 && duplex <= 3)
        printer.setDuplex(duplex == 1 ? QPrinter::DuplexNone
                          : duplex == 2 ? QPrinter::DuplexLongSide : QPrinter::DuplexShortSide);
}

bool PrinterRecord::read(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || in.size() != Size)
        return false;
    return setBytes(in.read(Size));
}

bool PrinterRecord::write(const QString &file) const
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(m_bytes) != Size) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
