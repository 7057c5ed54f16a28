#pragma once

#include <QByteArray>
#include <QTextFormat>

class ByteReader;
class ByteWriter;

// One QTextFormat in the page stream: its type and every property as a tagged value, written with our
// own primitives so that the bytes do not depend on Qt's stream versions. Object indices are never
// written (they belong to one document's object table). Reading checks sizes and nesting, skips values
// of kinds it does not know, and drops values of the wrong kind or out of range for the properties Qt
// uses as enums or sizes and those of the page model (TextProps.h).
class FormatCodec
{
public:
    static QByteArray encode(const QTextFormat &format);
    // False for damaged bytes.
    static bool decode(ByteReader &in, QTextFormat &format);

private:
    static bool writeValue(ByteWriter &out, const QVariant &value, int depth);
    static bool readValue(ByteReader &in, QVariant &value, int depth);
    static bool acceptable(int property, const QVariant &value);
};
