#pragma once

#include "editor/EditorServices.h"

// The main window's editor services: page documents to and from their stored
// bytes. Work of later parts of the program (outputs, file import) keeps the
// harmless defaults of the base class.
class PageServices : public EditorServices
{
public:
    bool loadBytes(RichTextEdit &edit, const QByteArray &bytes, int format, bool atCaret) override;
    QByteArray saveBytes(RichTextEdit &edit, int format) override;
};
