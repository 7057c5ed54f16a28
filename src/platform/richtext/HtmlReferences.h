#pragma once

class QString;

// Character references that end without ";", which browsers read and Qt's HTML import leaves as text:
// numeric ones ("&#65", "&#x41") and the named ones that older pages wrote so ("&copy", "&amp",
// "&eacute"). Each becomes a numeric reference that ends in ";", as browsers read it: in the text, a
// name is the longest such name the letters begin with ("&notit" is "¬it"); in an attribute value,
// a name followed by a letter, digit or "=" stays as it is ("?a=1&copy=2"). Comments, scripts and
// style sheets, and references that end in ";", are left to the import.
namespace HtmlReferences {

QString ended(const QString &html);

} // namespace HtmlReferences
