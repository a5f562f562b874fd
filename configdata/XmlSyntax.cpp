#include "configdata/XmlSyntax.h"

#include "common/TextFormat.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <new>
#include <random>

namespace {

// pugixml reads much that is not XML (a second root, text after the root,
// undefined entities, a bare "&", a repeated attribute, control characters)
// without a word, so expat checks every text first. The text is UTF-8
// whatever its declaration says: the file bytes were decoded before. Nothing
// outside the text is read (no external DTD, no external or parameter
// entity).
using ExpatParser = std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)>;

// Entity declarations are refused: expanding a few nested or repeated
// entities makes gigabytes of text ("billion laughs"), and pugixml, which
// does not expand them, would read something else than expat checked.
void XMLCALL RefuseEntityDeclaration(void* pParser, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                     const XML_Char*, const XML_Char*, const XML_Char*)
{
    XML_StopParser(static_cast<XML_Parser>(pParser), XML_FALSE);
}

// The parser for a text of nTextBytes, reset and set up; handlers get the
// parser, the caller's data is its user data. Making a parser costs a good
// part of checking a definition file, so each thread keeps one for small
// texts. A large text gets a parser of its own (in own), so that what it
// made the parser hold is given back.
XML_Parser PrepareExpatParser(std::size_t nTextBytes, ExpatParser& own)
{
    constexpr std::size_t kKeptParserTextBytes = 16 * 1024;
    // One secret hash salt for the process: expat would gather a new one
    // for every text, which also costs more than checking a definition file.
    static const unsigned long nHashSalt = std::random_device{}();
    thread_local ExpatParser kept(nullptr, &XML_ParserFree);
    ExpatParser& parser = nTextBytes <= kKeptParserTextBytes ? kept : own;
    if (!parser || !XML_ParserReset(parser.get(), "UTF-8"))
        parser.reset(XML_ParserCreate("UTF-8"));
    if (!parser)
        return nullptr;
    XML_SetHashSalt(parser.get(), nHashSalt);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    XML_UseParserAsHandlerArg(parser.get());
    XML_SetEntityDeclHandler(parser.get(), RefuseEntityDeclaration);
    return parser.get();
}

} // namespace

namespace XmlSyntax {

int CheckWellFormed(const std::string& text, std::string& strReason)
{
    ExpatParser own(nullptr, &XML_ParserFree);
    const XML_Parser parser = PrepareExpatParser(text.size(), own);
    if (!parser)
        throw std::bad_alloc();
    // Fed in pieces whose length an int holds.
    std::size_t nDone = 0;
    do {
        const std::size_t nPiece = std::min<std::size_t>(text.size() - nDone, INT_MAX);
        nDone += nPiece;
        if (XML_Parse(parser, text.data() + nDone - nPiece, static_cast<int>(nPiece), nDone == text.size()) !=
            XML_STATUS_OK) {
            const XML_Error error = XML_GetErrorCode(parser);
            strReason = FormatText("%s (line %llu, column %llu)",
                                   error == XML_ERROR_ABORTED ? "entity declarations are not supported"
                                                              : XML_ErrorString(error),
                                   static_cast<unsigned long long>(XML_GetCurrentLineNumber(parser)),
                                   static_cast<unsigned long long>(XML_GetCurrentColumnNumber(parser)) + 1);
            return error;
        }
    } while (nDone < text.size());
    return XML_ERROR_NONE;
}

bool IsXmlName(const std::string& strName)
{
    struct SElement {
        std::string strName;
        bool bAttributes = false;
    } element;
    const std::string text = "<" + strName + "/>";
    ExpatParser own(nullptr, &XML_ParserFree);
    const XML_Parser parser = PrepareExpatParser(text.size(), own);
    if (!parser || text.size() > INT_MAX)
        return false;
    XML_SetUserData(parser, &element);
    XML_SetStartElementHandler(parser, [](void* pParser, const XML_Char* szName, const XML_Char** ppAttributes) {
        auto& first = *static_cast<SElement*>(XML_GetUserData(static_cast<XML_Parser>(pParser)));
        if (first.strName.empty()) {
            first.strName = szName;
            first.bAttributes = ppAttributes[0] != nullptr;
        }
    });
    return XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE) == XML_STATUS_OK &&
           element.strName == strName && !element.bAttributes;
}

} // namespace XmlSyntax
