// CMarkupMSXML on libxml2. Parsing runs with network access off, no DTD loading and no entity
// substitution; a document type declaration stops the parse at once, before its internal subset
// (where entity definitions would live) is read.
#include "core/CMarkupMSXML.h"

#include "platform/Log.h"

#include <libxml/parser.h>
#include <libxml/SAX2.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

namespace {

const xmlChar* X(const std::string& s)
{
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

std::string FromXml(const xmlChar* s)
{
    return s ? std::string(reinterpret_cast<const char*>(s)) : std::string();
}

// Takes ownership of a string libxml2 allocated.
std::string TakeXml(xmlChar* s)
{
    std::string out = FromXml(s);
    if (s) xmlFree(s);
    return out;
}

void InitLibxml()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

// Element name as written in the document, with its prefix when it has one.
std::string QualifiedName(const xmlNode* node)
{
    std::string name = FromXml(node->name);
    if (node->ns && node->ns->prefix) name = FromXml(node->ns->prefix) + ":" + name;
    return name;
}

// The first element after current (or the first child of parent without a current node) whose
// name equals tag; an empty tag accepts any element.
xmlNode* FindSiblingElement(xmlNode* parent, xmlNode* current, const std::string& tag)
{
    xmlNode* node = current ? current->next : (parent ? parent->children : nullptr);
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        if (tag.empty() || QualifiedName(node) == tag) return node;
    }
    return nullptr;
}

std::string DumpNode(xmlDoc* doc, xmlNode* node)
{
    xmlBufferPtr buf = xmlBufferCreate();
    if (!buf) return std::string();
    std::string out;
    if (xmlNodeDump(buf, doc, node, 0, 0) >= 0) {
        const int length = xmlBufferLength(buf);
        if (length > 0) out.assign(reinterpret_cast<const char*>(xmlBufferContent(buf)), static_cast<size_t>(length));
    }
    xmlBufferFree(buf);
    return out;
}

struct DtdRefusal {
    bool seen = false;
    int line = 0;
    int column = 0;
};

// Replaces the SAX handler's internal-subset step: any document type declaration ends the parse.
void RefuseDocumentType(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*)
{
    auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    auto* refusal = static_cast<DtdRefusal*>(ctxt->_private);
    if (refusal && !refusal->seen) {
        refusal->seen = true;
        refusal->line = xmlSAX2GetLineNumber(ctx);
        refusal->column = xmlSAX2GetColumnNumber(ctx);
    }
    xmlStopParser(ctxt);
}

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// Far above any catalogue; a larger file is refused before it is read into memory.
constexpr std::size_t kMaxDocumentBytes = 16u << 20;

bool ReadWholeFile(const std::string& path, std::string& out)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    if (static_cast<unsigned long long>(size) > kMaxDocumentBytes) {
        out.assign(kMaxDocumentBytes + 1, '\0'); // reported as too large by the caller
        return true;
    }
    out.resize(static_cast<std::size_t>(size));
    in.seekg(0, std::ios::beg);
    return static_cast<bool>(in.read(out.data(), size)) || size == 0;
}

struct CtxtFree {
    void operator()(xmlParserCtxt* c) const { xmlFreeParserCtxt(c); }
};

} // namespace

CMarkupMSXML::CMarkupMSXML()
{
    InitLibxml();
    CreateDocument();
}

CMarkupMSXML::~CMarkupMSXML()
{
    if (m_pDoc) xmlFreeDoc(m_pDoc);
}

bool CMarkupMSXML::CreateDocument()
{
    m_pChild = m_pMain = m_pParent = nullptr;
    if (m_pDoc) xmlFreeDoc(m_pDoc);
    m_pDoc = xmlNewDoc(BAD_CAST "1.0");
    if (!m_pDoc) {
        LogError("Unable to create an XML document");
        return false;
    }
    m_pParent = reinterpret_cast<xmlNode*>(m_pDoc);
    return true;
}

bool CMarkupMSXML::LoadFile(const std::string& path)
{
    return Parse(&path, nullptr);
}

bool CMarkupMSXML::SetDocumentText(const std::string& text)
{
    if (text.empty()) {
        ResetPos();
        return CreateDocument();
    }
    return Parse(nullptr, &text);
}

bool CMarkupMSXML::Parse(const std::string* path, const std::string* text)
{
    ResetPos();
    std::unique_ptr<xmlParserCtxt, CtxtFree> ctxt(xmlNewParserCtxt());
    if (!ctxt || !ctxt->sax) {
        CreateDocument();
        return ReadParseError("Unable to create an XML parser", 0, 0);
    }
    DtdRefusal refusal;
    ctxt->_private = &refusal;
    ctxt->sax->internalSubset = RefuseDocumentType;

    // Files are read here rather than by the parser, which would accept URLs and fetch them.
    std::string fileText;
    if (path) {
        if (!ReadWholeFile(*path, fileText)) {
            CreateDocument();
            return ReadParseError("The file cannot be read: " + *path, 0, 0);
        }
        text = &fileText;
    }
    if (text->size() > kMaxDocumentBytes) {
        CreateDocument();
        return ReadParseError("The document is too large", 0, 0);
    }
    xmlDoc* doc =
        xmlCtxtReadMemory(ctxt.get(), text->data(), static_cast<int>(text->size()), nullptr, nullptr, kParseOptions);
    if (doc && (refusal.seen || doc->intSubset || doc->extSubset)) {
        xmlFreeDoc(doc);
        doc = nullptr;
    }
    if (!doc) {
        CreateDocument();
        if (refusal.seen)
            return ReadParseError("A document type declaration (DTD) is not allowed", refusal.line, refusal.column);
        const xmlError* err = xmlCtxtGetLastError(ctxt.get());
        if (err && err->message) return ReadParseError(err->message, err->line, err->int2);
        return ReadParseError("The document cannot be parsed", 0, 0);
    }
    if (m_pDoc) xmlFreeDoc(m_pDoc);
    m_pDoc = doc;
    ResetPos();
    return true;
}

void CMarkupMSXML::ResetChildPos()
{
    m_pChild = nullptr;
}

void CMarkupMSXML::ResetMainPos()
{
    ResetChildPos();
    m_pMain = nullptr;
}

void CMarkupMSXML::ResetPos()
{
    ResetMainPos();
    m_pParent = reinterpret_cast<xmlNode*>(m_pDoc);
}

bool CMarkupMSXML::FindElement(const std::string& tag)
{
    if (!m_pParent) return false;
    xmlNode* found = FindSiblingElement(m_pParent, m_pMain, tag);
    if (!found) return false;
    m_pMain = found;
    m_pParent = found->parent;
    m_pChild = nullptr;
    return true;
}

bool CMarkupMSXML::FindChildElement(const std::string& tag)
{
    if (!m_pMain && m_pParent && !m_pParent->parent) FindElement();
    if (!m_pMain) return false;
    xmlNode* found = FindSiblingElement(m_pMain, m_pChild, tag);
    if (!found) return false;
    m_pChild = found;
    m_pMain = found->parent;
    m_pParent = m_pMain->parent;
    return true;
}

std::string CMarkupMSXML::GetAttribute(const std::string& name) const
{
    if (!m_pMain || m_pMain->type != XML_ELEMENT_NODE) return std::string();
    return TakeXml(xmlGetProp(m_pMain, X(name)));
}

std::string CMarkupMSXML::GetChildAttribute(const std::string& name) const
{
    if (!m_pChild || m_pChild->type != XML_ELEMENT_NODE) return std::string();
    return TakeXml(xmlGetProp(m_pChild, X(name)));
}

std::string CMarkupMSXML::GetChildText() const
{
    if (!m_pChild) return std::string();
    switch (m_pChild->type) {
    case XML_ELEMENT_NODE: return m_pChild->children ? TakeXml(xmlNodeGetContent(m_pChild)) : std::string();
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE: return FromXml(m_pChild->content);
    case XML_PI_NODE: return FromXml(m_pChild->name) + " " + FromXml(m_pChild->content);
    default: return std::string();
    }
}

std::string CMarkupMSXML::GetChildXml() const
{
    if (!m_pChild || !m_pDoc) return std::string();
    // Dump a copy in a document of its own, so namespaces declared on ancestors come along.
    xmlDoc* tmp = xmlNewDoc(BAD_CAST "1.0");
    if (!tmp) return std::string();
    std::string out;
    if (xmlNode* copy = xmlDocCopyNode(m_pChild, tmp, 1)) {
        if (copy->type == XML_ELEMENT_NODE)
            xmlDocSetRootElement(tmp, copy);
        else
            xmlAddChild(reinterpret_cast<xmlNode*>(tmp), copy);
        out = DumpNode(tmp, copy);
    }
    xmlFreeDoc(tmp);
    return out;
}

std::string CMarkupMSXML::GetDoc() const
{
    if (!m_pDoc) return std::string();
    std::string out;
    for (xmlNode* node = m_pDoc->children; node; node = node->next) {
        out += DumpNode(m_pDoc, node);
        out += "\n";
    }
    return out;
}

bool CMarkupMSXML::AddElement(const std::string& tag, const std::string& text)
{
    m_pChild = nullptr;
    if (!m_pDoc || !m_pParent || xmlValidateName(X(tag), 0) != 0) return false;
    const bool topLevel = m_pParent == reinterpret_cast<xmlNode*>(m_pDoc);
    if (topLevel && xmlDocGetRootElement(m_pDoc)) return false;
    xmlNode* node = xmlNewDocNode(m_pDoc, nullptr, X(tag), nullptr);
    if (!node) return false;
    if (!text.empty()) xmlNodeAddContent(node, X(text));
    if (topLevel)
        xmlDocSetRootElement(m_pDoc, node);
    else if (m_pMain && m_pMain->next)
        xmlAddPrevSibling(m_pMain->next, node);
    else
        xmlAddChild(m_pParent, node);
    m_pMain = node;
    return true;
}

bool CMarkupMSXML::SetAttribute(const std::string& name, const std::string& value)
{
    if (!m_pMain || m_pMain->type != XML_ELEMENT_NODE || xmlValidateName(X(name), 0) != 0) return false;
    return xmlSetProp(m_pMain, X(name), X(value)) != nullptr;
}

bool CMarkupMSXML::SetAttributeInt(const std::string& name, int value)
{
    return SetAttribute(name, std::to_string(value));
}

bool CMarkupMSXML::ReadParseError(const std::string& reason, int line, int column)
{
    m_strError.clear();
    std::string msg = reason;
    while (!msg.empty() && (msg.back() == '\n' || msg.back() == '\r')) msg.pop_back();
    CMarkupMSXML report;
    report.AddElement("error");
    report.SetAttribute("msg", msg);
    if (line > 0) {
        report.SetAttributeInt("line", line);
        report.SetAttributeInt("linepos", column);
    }
    m_strError = report.GetDoc();
    DebugTrace("%s", m_strError.c_str());
    return false;
}
