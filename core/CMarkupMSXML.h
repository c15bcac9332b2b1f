// One XML document with a position in it (parent level, current element, current child element)
// and the few navigation, reading and writing steps the file-type catalogue needs. Built on
// libxml2; texts are UTF-8. Documents with a DTD are refused and entities are never expanded or
// fetched, so a catalogue file cannot make the parser read other files or blow up in memory.
// A wrapper is used by one thread at a time.
#pragma once

#include <string>

struct _xmlDoc;
struct _xmlNode;

class CMarkupMSXML {
public:
    CMarkupMSXML();
    virtual ~CMarkupMSXML();
    CMarkupMSXML(const CMarkupMSXML&) = delete;
    CMarkupMSXML& operator=(const CMarkupMSXML&) = delete;

    // Replace the document by the file's or the text's contents, then reset the position. On a parse
    // error the answer is false, the document is left empty and GetError describes the failure.
    // An empty text makes a new empty document and answers true.
    bool LoadFile(const std::string& path);
    bool SetDocumentText(const std::string& text);

    void ResetChildPos();
    void ResetMainPos();
    void ResetPos();

    // The next element after the current one at the current level (any element for an empty tag);
    // it becomes the current element and the current child is forgotten. False changes nothing.
    bool FindElement(const std::string& tag = std::string());
    // The next child element of the current element after the current child; at the top level with
    // no current element, the first top-level element is made current first.
    bool FindChildElement(const std::string& tag = std::string());

    // Empty texts when the position or the attribute is missing.
    std::string GetAttribute(const std::string& name) const;
    std::string GetChildAttribute(const std::string& name) const;
    std::string GetChildText() const;
    // The markup of the current child element, for loading into a second wrapper.
    std::string GetChildXml() const;
    // The whole document as markup (empty for an empty document).
    std::string GetDoc() const;

    // Inserts a new element after the current element at the current level and makes it current.
    // False when that would give the document a second top-level element.
    bool AddElement(const std::string& tag, const std::string& text = std::string());
    bool SetAttribute(const std::string& name, const std::string& value);
    bool SetAttributeInt(const std::string& name, int value);

    // The last parse error as a small document: <error msg="..." line="..." linepos="..."/>.
    const std::string& GetError() const { return m_strError; }

private:
    bool CreateDocument();
    bool Parse(const std::string* path, const std::string* text);
    bool ReadParseError(const std::string& reason, int line, int column);

    _xmlDoc* m_pDoc = nullptr;     // owned
    _xmlNode* m_pParent = nullptr; // node whose children form the current level
    _xmlNode* m_pMain = nullptr;   // current element, a child of m_pParent
    _xmlNode* m_pChild = nullptr;  // current child element, a child of m_pMain
    std::string m_strError;
};
