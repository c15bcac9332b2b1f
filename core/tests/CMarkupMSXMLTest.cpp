// CMarkupMSXML: navigation, reading, writing, parse errors, and refusal of DTDs and entities.
#include "core/CMarkupMSXML.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr const char* kCatalogueLike =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- a comment before the root -->\n"
    "<Root RootName=\"All types\" Selected=\"2\">\n"
    "  <FileCategory Description=\"Pictures\" iconIndex=\"1\">\n"
    "    <Selected>2</Selected>\n"
    "    <FileType Description=\"JPEG\"><Extention>.jpg</Extention><Selected>1</Selected></FileType>\n"
    "  </FileCategory>\n"
    "  <FileCategory Description=\"Caf\xC3\xA9 &amp; more\"/>\n"
    "</Root>\n";

TEST(CMarkupMSXML, WalksCategoriesAndReadsAttributes)
{
    CMarkupMSXML xml;
    ASSERT_TRUE(xml.SetDocumentText(kCatalogueLike));
    // The first child of the root is found without finding the root first.
    ASSERT_TRUE(xml.FindChildElement("FileCategory"));
    EXPECT_EQ(xml.GetAttribute("RootName"), "All types");
    EXPECT_EQ(xml.GetChildAttribute("Description"), "Pictures");
    EXPECT_EQ(xml.GetChildAttribute("iconIndex"), "1");
    EXPECT_EQ(xml.GetChildAttribute("Missing"), "");
    ASSERT_TRUE(xml.FindChildElement("FileCategory"));
    EXPECT_EQ(xml.GetChildAttribute("Description"), "Caf\xC3\xA9 & more");
    EXPECT_FALSE(xml.FindChildElement("FileCategory"));
    // After the last one the position stays on it.
    EXPECT_EQ(xml.GetChildAttribute("Description"), "Caf\xC3\xA9 & more");
    xml.ResetChildPos();
    ASSERT_TRUE(xml.FindChildElement());
    EXPECT_EQ(xml.GetChildAttribute("Description"), "Pictures");
}

TEST(CMarkupMSXML, FindElementWalksTheTopLevelAndKeepsTheLastFound)
{
    CMarkupMSXML xml;
    ASSERT_TRUE(xml.SetDocumentText("<?pi data?><!--c--><a x=\"1\"/><!--after-->"));
    ASSERT_TRUE(xml.FindElement());
    EXPECT_EQ(xml.GetAttribute("x"), "1");
    EXPECT_FALSE(xml.FindElement());
    EXPECT_EQ(xml.GetAttribute("x"), "1");
    xml.ResetPos();
    EXPECT_FALSE(xml.FindElement("b"));
    EXPECT_EQ(xml.GetAttribute("x"), "");
}

TEST(CMarkupMSXML, ChildXmlLoadsIntoASecondWrapper)
{
    CMarkupMSXML xml;
    ASSERT_TRUE(xml.SetDocumentText(kCatalogueLike));
    ASSERT_TRUE(xml.FindChildElement("FileCategory"));
    CMarkupMSXML category;
    ASSERT_TRUE(category.SetDocumentText(xml.GetChildXml()));
    ASSERT_TRUE(category.FindChildElement("Selected"));
    EXPECT_EQ(category.GetChildText(), "2");
    ASSERT_TRUE(category.FindChildElement("FileType"));
    CMarkupMSXML type;
    ASSERT_TRUE(type.SetDocumentText(category.GetChildXml()));
    ASSERT_TRUE(type.FindChildElement("Extention"));
    EXPECT_EQ(type.GetChildText(), ".jpg");
}

TEST(CMarkupMSXML, ChildTextJoinsNestedTextAndCdata)
{
    CMarkupMSXML xml;
    ASSERT_TRUE(xml.SetDocumentText("<r><c>a<b>b</b><![CDATA[<c>]]></c><e/></r>"));
    ASSERT_TRUE(xml.FindChildElement("c"));
    EXPECT_EQ(xml.GetChildText(), "ab<c>");
    ASSERT_TRUE(xml.FindChildElement("e"));
    EXPECT_EQ(xml.GetChildText(), "");
    EXPECT_EQ(xml.GetChildXml(), "<e/>");
}

TEST(CMarkupMSXML, ChildXmlCarriesNamespacesDeclaredAbove)
{
    CMarkupMSXML xml;
    ASSERT_TRUE(xml.SetDocumentText("<r xmlns:p=\"urn:x\"><p:c p:a=\"1\"/></r>"));
    ASSERT_TRUE(xml.FindChildElement("p:c"));
    CMarkupMSXML inner;
    EXPECT_TRUE(inner.SetDocumentText(xml.GetChildXml())) << xml.GetChildXml();
}

TEST(CMarkupMSXML, EmptyTextGivesAnEmptyDocument)
{
    CMarkupMSXML xml;
    ASSERT_TRUE(xml.SetDocumentText("<r><c/></r>"));
    ASSERT_TRUE(xml.SetDocumentText(""));
    EXPECT_EQ(xml.GetDoc(), "");
    EXPECT_FALSE(xml.FindElement());
    EXPECT_FALSE(xml.FindChildElement());
    EXPECT_EQ(xml.GetChildText(), "");
    EXPECT_EQ(xml.GetChildXml(), "");
    EXPECT_FALSE(xml.SetAttribute("a", "b"));
}

TEST(CMarkupMSXML, BuildsADocument)
{
    CMarkupMSXML xml;
    EXPECT_FALSE(xml.SetAttribute("a", "1")); // no current element yet
    ASSERT_TRUE(xml.AddElement("error", "oops <here>"));
    EXPECT_TRUE(xml.SetAttribute("msg", "a \"quoted\" & <text>"));
    EXPECT_TRUE(xml.SetAttributeInt("line", -5));
    EXPECT_TRUE(xml.SetAttributeInt("line", 12)); // replaces
    EXPECT_FALSE(xml.SetAttribute("bad name", "x"));
    EXPECT_FALSE(xml.AddElement("second")); // one top-level element only
    EXPECT_FALSE(xml.AddElement("1bad"));

    CMarkupMSXML back;
    ASSERT_TRUE(back.SetDocumentText(xml.GetDoc())) << xml.GetDoc();
    ASSERT_TRUE(back.FindElement("error"));
    EXPECT_EQ(back.GetAttribute("msg"), "a \"quoted\" & <text>");
    EXPECT_EQ(back.GetAttribute("line"), "12");

    CMarkupMSXML negative;
    ASSERT_TRUE(negative.AddElement("n"));
    ASSERT_TRUE(negative.SetAttributeInt("v", -5));
    EXPECT_EQ(negative.GetAttribute("v"), "-5");
}

// The error text is itself a document: <error msg=".." line=".." linepos=".."/>.
void ExpectErrorDocument(const CMarkupMSXML& failed, bool withPosition)
{
    CMarkupMSXML err;
    ASSERT_TRUE(err.SetDocumentText(failed.GetError())) << failed.GetError();
    ASSERT_TRUE(err.FindElement("error"));
    EXPECT_NE(err.GetAttribute("msg"), "");
    EXPECT_NE(err.GetAttribute("msg").back(), '\n');
    if (withPosition) {
        EXPECT_NE(err.GetAttribute("line"), "");
        EXPECT_NE(err.GetAttribute("linepos"), "");
    }
}

TEST(CMarkupMSXML, SyntaxErrorsLeaveAnErrorTextAndAnEmptyDocument)
{
    const char* broken[] = {"<r><c></r>", "<r>", "not xml", "<r a=\"1\" a=\"2\"/>", "<r/><r/>", "<r>&undefined;</r>"};
    for (const char* text : broken) {
        SCOPED_TRACE(text);
        CMarkupMSXML xml;
        EXPECT_FALSE(xml.SetDocumentText(text));
        ExpectErrorDocument(xml, true);
        EXPECT_FALSE(xml.FindElement());
    }
    CMarkupMSXML xml;
    ASSERT_FALSE(xml.SetDocumentText("<r>\n  <c>\n</r>"));
    CMarkupMSXML err;
    ASSERT_TRUE(err.SetDocumentText(xml.GetError()));
    ASSERT_TRUE(err.FindElement("error"));
    EXPECT_EQ(err.GetAttribute("line"), "3");
}

TEST(CMarkupMSXML, DocumentsWithADtdAreRefused)
{
    testsupport::TempDir dir;
    const auto secret = dir / "secret.txt";
    std::ofstream(secret) << "TOP-SECRET";
    const std::string external = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + secret.string() +
                                 "\">]>\n<r a=\"&x;\">&x;</r>";
    const char* laughs =
        "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
        "<r>&d;&d;&d;&d;</r>";
    const std::string plain = "<!DOCTYPE r SYSTEM \"" + secret.string() + "\"><r/>";
    for (const std::string& text : {external, std::string(laughs), plain}) {
        SCOPED_TRACE(text);
        CMarkupMSXML xml;
        EXPECT_FALSE(xml.SetDocumentText(text));
        EXPECT_NE(xml.GetError().find("DTD"), std::string::npos) << xml.GetError();
        EXPECT_EQ(xml.GetError().find("TOP-SECRET"), std::string::npos);
        ExpectErrorDocument(xml, true);
        EXPECT_FALSE(xml.FindElement());

        const auto file = dir / "dtd.xml";
        std::ofstream(file, std::ios::trunc) << text;
        EXPECT_FALSE(xml.LoadFile(file.string()));
        EXPECT_NE(xml.GetError().find("DTD"), std::string::npos);
    }
}

TEST(CMarkupMSXML, LoadsFilesAndReportsMissingOnes)
{
    testsupport::TempDir dir;
    const auto file = dir / "doc.xml";
    std::ofstream(file) << kCatalogueLike;
    CMarkupMSXML xml;
    ASSERT_TRUE(xml.LoadFile(file.string()));
    ASSERT_TRUE(xml.FindElement());
    EXPECT_EQ(xml.GetAttribute("Selected"), "2");

    EXPECT_FALSE(xml.LoadFile((dir / "missing.xml").string()));
    ExpectErrorDocument(xml, false);
    EXPECT_FALSE(xml.FindElement());
    EXPECT_FALSE(xml.LoadFile("http://127.0.0.1:9/none.xml"));
    EXPECT_FALSE(xml.LoadFile(dir.path().string()));
}

} // namespace
