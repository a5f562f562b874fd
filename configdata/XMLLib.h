#pragma once
// CXMLLib: one XML document (pugixml) with loading, parsing, the root check,
// text and byte output, saving, and small accessors for a child element's text
// or an attribute as text or as a checked number. The product definition and
// configuration file readers derive from it.
//
// Texts inside the tool are UTF-8. File bytes are taken as Windows-1252 text,
// except that a file declaring UTF-8 (or starting with a UTF-8 byte order
// mark) is read as UTF-8, as long as its bytes are valid UTF-8. Only
// well-formed XML without entity declarations is read; anything else fails
// as a parser error.

#include "common/FluxaTypes.h"
#include "configdata/XmlText.h"

#include <pugixml.hpp>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class CXMLLib {
public:
    CXMLLib();
    virtual ~CXMLLib();
    CXMLLib(const CXMLLib&) = delete;
    CXMLLib& operator=(const CXMLLib&) = delete;

    virtual int LoadFromFile(const std::string& strPath, std::string& strError);
    virtual int ParseString(const std::string& strText, std::string& strError);
    virtual int CheckDocument(std::string& strError);
    virtual int IsDocumentValid(std::string& strError);
    // Mode 1 writes the bytes unchanged; any other mode writes each line feed
    // as carriage return plus line feed.
    virtual int SaveToFile(const std::string& strPath, const int& nMode, std::string& strError);
    virtual int GetXmlText(std::string& strOut, std::string& strError);
    // strName is a path expression (XPath) relative to node.
    virtual int NodeExists(const pugi::xml_node& node, const std::string& strName, BOOL& bExists, std::string& strError);
    virtual int AttributeExists(const pugi::xml_node& node, const std::string& strName, BOOL& bExists,
                                std::string& strError);
    virtual int GetChildText(const pugi::xml_node& node, const std::string& strName, std::string& strOut,
                             std::string& strError);
    virtual int GetChildValueAsDouble(const pugi::xml_node& node, const std::string& strName, double& dOut,
                                      const double& dMin, const double& dMax, std::string& strError);
    virtual int GetChildValueAsDWORD(const pugi::xml_node& node, const std::string& strName, DWORD& dwOut,
                                     const DWORD& dwMin, const DWORD& dwMax, std::string& strError);
    virtual int GetChildValueAsBYTE(const pugi::xml_node& node, const std::string& strName, BYTE& byOut,
                                    const BYTE& byMin, const BYTE& byMax, std::string& strError);
    virtual int GetChildValueAsBOOL(const pugi::xml_node& node, const std::string& strName, BOOL& bOut,
                                    std::string& strError);
    virtual int GetChildValueAsLong(const pugi::xml_node& node, const std::string& strName, LONG& lOut,
                                    const LONG& lMin, const LONG& lMax, std::string& strError);
    virtual int GetAttribute(const pugi::xml_node& node, const std::string& strName, std::string& strOut,
                             std::string& strError);
    virtual int GetAttributeAsDouble(const pugi::xml_node& node, const std::string& strName, double& dOut,
                                     const double& dMin, const double& dMax, std::string& strError);
    virtual int GetAttributeAsBYTE(const pugi::xml_node& node, const std::string& strName, BYTE& byOut,
                                   const BYTE& byMin, const BYTE& byMax, std::string& strError);
    virtual int GetAttributeAsDWORD(const pugi::xml_node& node, const std::string& strName, DWORD& dwOut,
                                    const DWORD& dwMin, const DWORD& dwMax, std::string& strError);
    virtual int GetAttributeAsLong(const pugi::xml_node& node, const std::string& strName, LONG& lOut,
                                   const LONG& lMin, const LONG& lMax, std::string& strError);
    virtual int CheckRootElement(std::string& strError);
    virtual int GetParseError(int& nCode, std::string& strReason);
    // The document's XML text as file bytes: UTF-8 when it is declared so;
    // ISO-8859-1 with character references when it declares ISO-8859-1 or
    // Windows-1252; otherwise (no or another encoding) ASCII with character
    // references, which every reader, this one too, reads alike. A name
    // those bytes cannot hold is refused (CheckWritableName).
    virtual int GetXmlBytes(std::vector<BYTE>& bytes, int& nLength, std::string& strError);
    virtual int ReportNotFound(const std::string& strName, int& nResult, std::string& strError);

    // The root element of the last successful parse (empty otherwise).
    pugi::xml_node GetRoot() const { return m_pRoot; }
    std::string GetFileName() const { return m_strFileName; }

    // The node's name: the element name, "#text" or "#cdata-section".
    static std::string GetNodeName(const pugi::xml_node& node);
    // The concatenated character data below the node, as it stands.
    static std::string GetNodeText(const pugi::xml_node& node);
    // The element children in order (text between them is not a setting).
    static std::vector<pugi::xml_node> GetChildElements(const pugi::xml_node& node);

protected:
    // The readers' shared pieces: element names compare without regard to
    // case; the root check also refuses a root without child nodes, naming
    // the file (-1002).
    static bool IsNamed(const pugi::xml_node& node, const char* szName);
    int CheckRootHasChildItems(std::string& strError);

    // Replaces the file's content with the bytes; a failed write leaves the
    // old file as it was. -1001 when the file cannot be created, -1004
    // (-1003 for memory) when writing fails.
    static int WriteBytesToFile(const std::string& strPath, const std::string& bytes, std::string& strError);

    // The parser's code (0 after success) and reason of the last parse.
    struct SParseError {
        int nCode = 0;
        std::string strReason;
    };

    std::unique_ptr<pugi::xml_document> m_pDocument;
    pugi::xml_node m_pRoot;
    SParseError m_pParseError;
    std::string m_strFileName;

private:
    int SelectNodeText(const pugi::xml_node& node, const std::string& strName, std::string& strOut,
                       std::string& strError);
    template <class T>
    int GetCheckedValue(bool bAttribute, const pugi::xml_node& node, const std::string& strName, T& out, const T& min,
                        const T& max, std::string& strError);
    // The messages show the numbers as the tool's 32-bit "%d" does.
    static int ReportChildOutOfRange(int nMin, int nMax, int nValue, const std::string& strName, std::string& strError);
    static int ReportAttributeOutOfRange(int nMin, int nMax, int nValue, const std::string& strName,
                                         std::string& strError);
};
