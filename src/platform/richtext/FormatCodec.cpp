#include "platform/richtext/FormatCodec.h"

#include "platform/richtext/ByteReader.h"
#include "platform/richtext/ByteWriter.h"
#include "platform/richtext/TextProps.h"

#include <QBrush>
#include <QColor>
#include <QPen>
#include <QTextLength>
#include <QTextOption>

#include <cmath>

namespace {

enum Kind : quint8 {
    Bool = 1, Int, UInt, LongLong, ULongLong, Double, Float, String, StringList, Bytes, Color, Brush,
    Pen, Length, Tab, List, Map
};

constexpr int MaxDepth = 4;
constexpr double MaxMagnitude = 1e6;     // any length Qt lays out; larger values stall the layout
constexpr int LastPatternBrush = Qt::DiagCrossPattern;

struct Range {
    int property;
    Kind kind;
    qint64 min;
    qint64 max;
};

// Properties whose values Qt casts to enums or uses as sizes, and those of the page model.
const Range ranges[] = {
    {QTextFormat::ObjectType, Int, 0, TextProps::TextFrameObject},
    {QTextFormat::FontWeight, Int, 1, 1000},
    {QTextFormat::FontPixelSize, Int, 1, 2000},
    {QTextFormat::FontPointSize, Double, 0, 1638},
    {QTextFormat::FontStretch, Int, 0, 4000},
    {QTextFormat::FontCapitalization, Int, 0, 4},
    {QTextFormat::FontStyleHint, Int, 0, 8},
    {QTextFormat::FontStyleStrategy, Int, 0, 0xFFFF},
    {QTextFormat::FontHintingPreference, Int, 0, 3},
    {QTextFormat::FontLetterSpacingType, Int, 0, 1},
    {QTextFormat::TextUnderlineStyle, Int, 0, 7},
    {QTextFormat::TextVerticalAlignment, Int, 0, 6},
    {QTextFormat::LayoutDirection, Int, 0, 2},
    {QTextFormat::LineHeightType, Int, 0, 4},
    {QTextFormat::PageBreakPolicy, Int, 0, 3},
    {QTextFormat::BlockIndent, Int, 0, 1000},
    {QTextFormat::HeadingLevel, Int, 0, 6},
    {QTextFormat::BlockMarker, Int, 0, 2},
    {QTextFormat::ListStyle, Int, -8, 0},
    {QTextFormat::ListIndent, Int, 0, 1000},
    {QTextFormat::FrameBorderStyle, Int, 0, 10},
    {QTextFormat::TableCellTopBorderStyle, Int, 0, 10},
    {QTextFormat::TableCellBottomBorderStyle, Int, 0, 10},
    {QTextFormat::TableCellLeftBorderStyle, Int, 0, 10},
    {QTextFormat::TableCellRightBorderStyle, Int, 0, 10},
    {QTextFormat::CssFloat, Int, 0, 2},
    {QTextFormat::TableColumns, Int, 0, 1000},
    {QTextFormat::TableHeaderRowCount, Int, 0, 10000},
    {QTextFormat::ImageQuality, Int, 0, 100},
    {QTextFormat::FontFamilies, StringList, 0, 0},
    {QTextFormat::ForegroundBrush, Brush, 0, 0},
    {QTextFormat::BackgroundBrush, Brush, 0, 0},
    {TextProps::FieldId, Int, INT_MIN, INT_MAX},
    {TextProps::FieldType, Int, INT_MIN, INT_MAX},
    {TextProps::FieldData, String, 0, 0},
    {TextProps::FieldAttrs, Int, INT_MIN, INT_MAX},
    {TextProps::ObjectId, Int, INT_MIN, INT_MAX},
    {TextProps::PictureLayout, Int, INT_MIN, INT_MAX},
    {TextProps::PictureScale, Int, INT_MIN, INT_MAX},
    {TextProps::PictureFile, String, 0, 0},
    {TextProps::PictureStored, Bool, 0, 0},
    {TextProps::PictureAlt, String, 0, 0},
    {TextProps::FrameBackground, Int, INT_MIN, INT_MAX},
    {TextProps::CellAttr, Map, 0, 0},
};

Kind kindOf(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Bool: return Bool;
    case QMetaType::Int: return Int;
    case QMetaType::UInt: return UInt;
    case QMetaType::LongLong: return LongLong;
    case QMetaType::ULongLong: return ULongLong;
    case QMetaType::Double: return Double;
    case QMetaType::Float: return Float;
    case QMetaType::QString: return String;
    case QMetaType::QStringList: return StringList;
    case QMetaType::QByteArray: return Bytes;
    case QMetaType::QColor: return Color;
    case QMetaType::QBrush: return Brush;
    case QMetaType::QPen: return Pen;
    case QMetaType::QTextLength: return Length;
    case QMetaType::QVariantList: return List;
    case QMetaType::QVariantMap: return Map;
    default:
        return value.userType() == qMetaTypeId<QTextOption::Tab>() ? Tab : Kind(0);
    }
}

bool sane(double value)
{
    return std::isfinite(value) && std::fabs(value) <= MaxMagnitude;
}

void writeColor(ByteWriter &out, const QColor &color)
{
    out.u8(color.isValid() ? 1 : 0);
    if (!color.isValid())
        return;
    const QRgba64 rgba = color.rgba64();
    out.u16(rgba.red());
    out.u16(rgba.green());
    out.u16(rgba.blue());
    out.u16(rgba.alpha());
}

QColor readColor(ByteReader &in)
{
    const quint8 valid = in.u8();
    if (valid > 1)
        in.fail();
    if (valid != 1)
        return QColor();
    const quint16 r = in.u16(), g = in.u16(), b = in.u16(), a = in.u16();
    return QColor(QRgba64::fromRgba64(r, g, b, a));
}

void writeBrush(ByteWriter &out, const QBrush &brush)
{
    // Gradients and textures have no place in a page; they keep their colour.
    const int style = brush.style() <= LastPatternBrush ? brush.style() : Qt::SolidPattern;
    out.u8(quint8(style));
    writeColor(out, brush.color());
}

QBrush readBrush(ByteReader &in)
{
    const quint8 style = in.u8();
    const QColor color = readColor(in);
    if (style > LastPatternBrush) {
        in.fail();
        return QBrush();
    }
    return QBrush(color, Qt::BrushStyle(style));
}

const Qt::PenCapStyle caps[] = {Qt::FlatCap, Qt::SquareCap, Qt::RoundCap};
const Qt::PenJoinStyle joins[] = {Qt::MiterJoin, Qt::BevelJoin, Qt::RoundJoin, Qt::SvgMiterJoin};

template <typename T, int N>
quint8 indexIn(const T (&values)[N], T value)
{
    for (int i = 0; i < N; ++i) {
        if (values[i] == value)
            return quint8(i);
    }
    return 0;
}

} // namespace

QByteArray FormatCodec::encode(const QTextFormat &format)
{
    ByteWriter props;
    int count = 0;
    const QMap<int, QVariant> properties = format.properties();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        if (it.key() == QTextFormat::ObjectIndex || it.key() < 0)
            continue;
        ByteWriter value;
        if (!writeValue(value, it.value(), 0))
            continue; // a kind of value no page holds
        // A length beyond any layout (pasted or read from another program's file) would make the reader
        // refuse the whole page: the property is left out, as the reader leaves out values out of range.
        ByteReader written(value.data());
        QVariant back;
        if (!readValue(written, back, 0))
            continue;
        props.varUInt(quint64(it.key()));
        props.raw(value.data());
        ++count;
    }
    ByteWriter out;
    out.varInt(format.type());
    out.varUInt(quint64(count));
    out.raw(props.data());
    return out.take();
}

bool FormatCodec::decode(ByteReader &in, QTextFormat &format)
{
    const int type = in.intIn(QTextFormat::BlockFormat, QTextFormat::FrameFormat);
    if (!in.ok() || type == 4) // 4 is no format type
        return false;
    format = QTextFormat(type);
    const int count = in.count(3);
    qint64 previous = -1;
    for (int i = 0; i < count && in.ok(); ++i) {
        const quint64 id = in.varUInt();
        if (id > quint64(INT_MAX) || qint64(id) <= previous)
            return false;
        previous = qint64(id);
        QVariant value;
        if (!readValue(in, value, 0))
            return false;
        if (!value.isValid() || id == QTextFormat::ObjectIndex)
            continue; // a newer kind of value, or an index into another document's objects
        // A value out of its range is dropped, not the page: the property then has its default.
        if (acceptable(int(id), value))
            format.setProperty(int(id), value);
    }
    return in.ok();
}

bool FormatCodec::acceptable(int property, const QVariant &value)
{
    const Kind kind = kindOf(value);
    if (kind == Double && !sane(value.toDouble()))
        return false;
    if (kind == Float && !sane(value.toFloat()))
        return false;
    for (const Range &range : ranges) {
        if (range.property != property)
            continue;
        if (range.kind != kind)
            return false;
        if (kind == Int || kind == Double)
            return value.toDouble() >= double(range.min) && value.toDouble() <= double(range.max);
        return true;
    }
    return true;
}

bool FormatCodec::writeValue(ByteWriter &out, const QVariant &value, int depth)
{
    const Kind kind = kindOf(value);
    ByteWriter p;
    switch (kind) {
    case Bool: p.u8(value.toBool() ? 1 : 0); break;
    case Int: p.varInt(value.toInt()); break;
    case UInt: p.varUInt(value.toUInt()); break;
    case LongLong: p.varInt(value.toLongLong()); break;
    case ULongLong: p.varUInt(value.toULongLong()); break;
    case Double: p.f64(value.toDouble()); break;
    case Float: p.f32(value.toFloat()); break;
    case String: p.string(value.toString()); break;
    case StringList: {
        const QStringList list = value.toStringList();
        p.varUInt(quint64(list.size()));
        for (const QString &s : list)
            p.string(s);
        break;
    }
    case Bytes: p.bytes(value.toByteArray()); break;
    case Color: writeColor(p, value.value<QColor>()); break;
    case Brush: writeBrush(p, value.value<QBrush>()); break;
    case Pen: {
        const QPen pen = value.value<QPen>();
        const int style = pen.style() <= Qt::DashDotDotLine ? pen.style() : Qt::SolidLine;
        p.u8(quint8(style));
        p.f64(pen.widthF());
        writeBrush(p, pen.brush());
        p.u8(indexIn(caps, pen.capStyle()));
        p.u8(indexIn(joins, pen.joinStyle()));
        p.u8(pen.isCosmetic() ? 1 : 0);
        break;
    }
    case Length: {
        const QTextLength length = value.value<QTextLength>();
        p.u8(quint8(length.type()));
        p.f64(length.rawValue());
        break;
    }
    case Tab: {
        const QTextOption::Tab tab = value.value<QTextOption::Tab>();
        p.f64(tab.position);
        p.u8(quint8(tab.type));
        p.u16(tab.delimiter.unicode());
        break;
    }
    case List: {
        if (depth >= MaxDepth)
            return false;
        const QVariantList list = value.toList();
        ByteWriter items;
        int n = 0;
        for (const QVariant &item : list)
            n += writeValue(items, item, depth + 1) ? 1 : 0;
        p.varUInt(quint64(n));
        p.raw(items.data());
        break;
    }
    case Map: {
        if (depth >= MaxDepth)
            return false;
        const QVariantMap map = value.toMap();
        ByteWriter items;
        int n = 0;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            ByteWriter item;
            if (!writeValue(item, it.value(), depth + 1))
                continue;
            items.string(it.key());
            items.raw(item.data());
            ++n;
        }
        p.varUInt(quint64(n));
        p.raw(items.data());
        break;
    }
    default:
        return false;
    }
    out.tagged(kind, p.data());
    return true;
}

bool FormatCodec::readValue(ByteReader &outer, QVariant &value, int depth)
{
    const quint8 kind = outer.u8();
    ByteReader in = outer.sub();
    if (!outer.ok())
        return false;
    value = QVariant();
    switch (kind) {
    case Bool: {
        const quint8 b = in.u8();
        if (b > 1)
            return false;
        value = bool(b);
        break;
    }
    case Int: value = in.intIn(INT_MIN, INT_MAX); break;
    case UInt: {
        const quint64 v = in.varUInt();
        if (v > UINT_MAX)
            return false;
        value = uint(v);
        break;
    }
    case LongLong: value = in.varInt(); break;
    case ULongLong: value = in.varUInt(); break;
    case Double: value = in.f64(); break;
    case Float: value = in.f32(); break;
    case String: value = in.string(); break;
    case StringList: {
        const int n = in.count(1);
        QStringList list;
        for (int i = 0; i < n && in.ok(); ++i)
            list.append(in.string());
        value = list;
        break;
    }
    case Bytes: value = in.bytes(); break;
    case Color: value = readColor(in); break;
    case Brush: value = readBrush(in); break;
    case Pen: {
        const quint8 style = in.u8();
        const double width = in.f64();
        QPen pen(readBrush(in), width);
        const quint8 cap = in.u8(), join = in.u8(), cosmetic = in.u8();
        if (style > Qt::DashDotDotLine || !sane(width) || width < 0 || cap >= std::size(caps)
            || join >= std::size(joins) || cosmetic > 1)
            return false;
        pen.setStyle(Qt::PenStyle(style));
        pen.setCapStyle(caps[cap]);
        pen.setJoinStyle(joins[join]);
        pen.setCosmetic(cosmetic);
        value = pen;
        break;
    }
    case Length: {
        const quint8 type = in.u8();
        const double raw = in.f64();
        if (type > QTextLength::PercentageLength || !sane(raw))
            return false;
        value = QVariant::fromValue(QTextLength(QTextLength::Type(type), raw));
        break;
    }
    case Tab: {
        const double position = in.f64();
        const quint8 type = in.u8();
        const quint16 delimiter = in.u16();
        if (!sane(position) || type > QTextOption::DelimiterTab)
            return false;
        value = QVariant::fromValue(QTextOption::Tab(position, QTextOption::TabType(type), QChar(delimiter)));
        break;
    }
    case List: {
        const int n = in.count(2);
        if (depth >= MaxDepth)
            return false;
        QVariantList list;
        for (int i = 0; i < n && in.ok(); ++i) {
            QVariant item;
            if (!readValue(in, item, depth + 1))
                return false;
            if (item.isValid())
                list.append(item);
        }
        value = list;
        break;
    }
    case Map: {
        const int n = in.count(3);
        if (depth >= MaxDepth)
            return false;
        QVariantMap map;
        for (int i = 0; i < n && in.ok(); ++i) {
            const QString key = in.string();
            QVariant item;
            if (!readValue(in, item, depth + 1))
                return false;
            if (item.isValid())
                map.insert(key, item);
        }
        value = map;
        break;
    }
    default:
        return true; // written by a newer version: skipped whole
    }
    if (!in.ok())
        return false;
    const Kind read = kindOf(value);
    return !((read == Double || read == Float) && !sane(value.toDouble()));
}
