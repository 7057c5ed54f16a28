#pragma once

#include <QByteArray>
#include <QString>

class QPrinter;
struct PageSetup;

// The printer settings kept between runs: a fixed 146-byte little-endian record laid out like the
// device-mode block of the print dialogs of the original platform (texts in the system code page,
// 32 bytes, space-padded). Fields the program never sets keep what the record last held. The file
// "Page.prndt" holds exactly these bytes.
class PrinterRecord
{
public:
    static constexpr int Size = 146;
    enum Offset {
        DeviceName = 0, SpecVersion = 32, DriverVersion = 34, RecordSize = 36, DriverExtra = 38, Fields = 40,
        Orientation = 44, PaperSize = 46, PaperLength = 48, PaperWidth = 50, Scale = 52, Copies = 54,
        DefaultSource = 56, PrintQuality = 58, Color = 60, Duplex = 62, YResolution = 64, TTOption = 66,
        Collate = 68, FormName = 70, LogPixels = 102, BitsPerPel = 104, PelsWidth = 106
    };
    enum Field {
        FieldOrientation = 0x1, FieldPaperSize = 0x2, FieldPaperLength = 0x4, FieldPaperWidth = 0x8,
        FieldScale = 0x10, FieldDefaultSource = 0x200, FieldPrintQuality = 0x400, FieldColor = 0x800,
        FieldDuplex = 0x1000
    };
    static constexpr int UserPaper = 256;

    PrinterRecord() : m_bytes(Size, '\0') {}

    const QByteArray &bytes() const { return m_bytes; }
    // False (record unchanged) for anything but exactly 146 bytes.
    bool setBytes(const QByteArray &bytes);

    int value16(int offset) const;
    void setValue16(int offset, int value);
    quint32 fields() const;
    void setFields(quint32 fields);
    void addField(quint32 flag) { setFields(fields() | flag); }
    // The device name without its padding.
    QString deviceName() const;
    // Cut to 32 bytes on a character boundary, padded with spaces.
    void setDeviceName(const QString &name);

    // The paper code and size and the orientation of a document (tenths of a millimetre for a
    // user-defined size, 0 otherwise).
    void setDocumentPaper(int paperCode, const PageSetup &setup);
    static int twipsToTenthMm(int twips);

    // Fills the record from a printer (what Qt cannot tell, such as the scale, is left out of the
    // fields) and applies it with the document's paper to a printer.
    void GetPrnDm(const QPrinter &printer);
    void PutPrnDm(QPrinter &printer, int paperCode, const PageSetup &setup) const;

    // The file: exactly the record's bytes. read() fails on a missing file or one that is not 146
    // bytes long, leaving the record as it was; write() replaces the file whole or not at all.
    bool read(const QString &file);
    bool write(const QString &file) const;

private:
    QByteArray m_bytes;
};
