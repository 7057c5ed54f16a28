#pragma once

#include <QString>

// The Symbol font of Windows and PostScript: its codes are Greek letters, arrows and mathematical
// signs, not the Latin letters of those bytes. Word files write them as bytes under the font (RTF) or
// as the private-use codes U+F020-U+F0FF that Windows gives a symbol font's characters (.docx).
namespace SymbolFont {

// Whether `family` is the Symbol font.
bool isSymbol(const QString &family);

// The Unicode character that the Symbol font shows at `code` (0x20-0xFF, or its private-use form
// U+F020-U+F0FF); 0 where the font has no character of its own there.
char16_t letter(char32_t code);

} // namespace SymbolFont
