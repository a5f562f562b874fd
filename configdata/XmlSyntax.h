#pragma once
// Well-formedness checks by expat, made before pugixml reads a text.

#include <string>

namespace XmlSyntax {
// Expat's code for the UTF-8 text (XML_ERROR_NONE when it is well-formed);
// the reason names the line and column of the fault. Entity declarations are
// refused. Throws std::bad_alloc when no parser can be made.
int CheckWellFormed(const std::string& text, std::string& strReason);
// Whether the text is an XML name: expat must read "<name/>" as one element
// of exactly that name, without attributes.
bool IsXmlName(const std::string& strName);
} // namespace XmlSyntax
