#include <gtest/gtest.h>

#include <QDirIterator>
#include <stdexcept>

#include "engine/xlsx/xml_events.h"

namespace brelloquin::workbook::xlsx::testing {
namespace {

constexpr std::string_view kError = "error: ";

// Every construct the scanner reads, behind namespaces declared, shadowed and undeclared.
constexpr std::string_view kRichPart =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone='yes'?>\r\n"
    "<!-- <c> & ]]> - -->\n<?app data?>\n"
    "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://purl.oclc.org/ooxml/officeDocument/relationships\" xmlns=\"urn:other\">"
    "<x:sheetData><x:row r='1' spans=\"1:4\">"
    "<x:c r=\"A1\" t=\"inlineStr\"><x:is><x:t xml:space=\"preserve\">a &lt;b&gt; &amp; "
    "&quot;&apos; &#10;&#x1F600;&#233; \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 ]] > "
    "</x:t></x:is></x:c>"
    "<x:c r=\"B1\"><x:v><![CDATA[1<2]]]]><![CDATA[>\r\n]]>3<!-- - -->4<?p?></x:v></x:c>"
    "<c r=\"C1\" />"
    "<x:c\n r = \"D1\"\tt=\"s\" r:id='rId1'><x:v>7</x:v ></x:c></x:row>"
    "<y:row xmlns:y=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:x=\"urn:shadow\" x:a=\"1\" a=\"&#9;tab&#13;&#10;\r\n line\ttab\rcr\">"
    "<x:c/><y:c r='A2'><y:v>&#x35;</y:v></y:c></y:row>"
    "<x:row xmlns=\"\"><c/></x:row></x:sheetData>lines\r\nand\rends\r</x:worksheet>\n"
    "<!-- after --> <?pi after?>\n";

// Plain tags, as cells are written, beside tags that only look plain at first: a default
// namespace declared and undeclared, names alike in length and last letter, quotes and '>' in
// values, white space, references and non-ASCII bytes in tags.
constexpr std::string_view kPlainAndAlmostPlain =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<row r=\"1\"><c r=\"A1\" s=\"3\" t=\"s\"><v>0</v></c><c r='B1'/><c/>"
    "<c ab=\"1\" cb=\"2\" b='a\"b' d=\"x>y\"><v>1</v></c></row>"
    "<row r=\"2\" xmlns=\"urn:other\"><c r=\"A2\"><v>2</v></c><c xmlns=\"\" r=\"B2\"/></row>"
    "<row r=\"3\"><c r=\"A3\" ><v>3</v></c><c\tr=\"B3\"/><c r = \"C3\"/><c r=\"D3\" />"
    "<c r=\"E&#51;\" t=\"a\tb\"/><c r=\"\xC3\xA9\"/><c \xC3\xA9=\"1\"/><c\xC3\xA9 r=\"F3\"/></row>"
    "</worksheet>";

// Both parts, wherever the chunks split them.
TEST(XlsxScan, GivesExpatsEventsWhereverTheChunksSplitThePart) {
  for (const std::string_view part : {kRichPart, kPlainAndAlmostPlain}) {
    const std::string expected = Events(Parser::Expat, part);
    ASSERT_FALSE(expected.starts_with(kError)) << expected;
    for (std::size_t chunk = 1; chunk <= part.size(); ++chunk)
      ASSERT_EQ(Events(Parser::Scanner, part, chunk), expected) << "chunk " << chunk;
  }
}

std::string ReadPart(ZipPart& part) {
  std::string bytes;
  char buffer[4096];
  while (const std::size_t count = part.read(buffer, sizeof buffer)) bytes.append(buffer, count);
  return bytes;
}

// The worksheets and shared strings of the fixtures and of the corpus workbooks.
TEST(XlsxScan, GivesExpatsEventsForRealParts) {
  QStringList files;
  for (const char* folder : {BRELLOQUIN_SOURCE_DIR "/tests/fixtures", BRELLOQUIN_CORPUS_DIR}) {
    QDirIterator it(QString::fromUtf8(folder), {"*.xlsx", "*.xlsm"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
  }
  int parts = 0;
  for (const QString& file : files) {
    std::optional<ZipArchive> archive;
    try {
      archive.emplace(file);
    } catch (const WorkbookError&) {
      continue;  // not a zip at all
    }
    std::vector<std::string> names = {"xl/sharedStrings.xml"};
    for (int i = 1; i <= 20; ++i)
      names.push_back("xl/worksheets/sheet" + std::to_string(i) + ".xml");
    for (const std::string& name : names) {
      std::string bytes;
      try {
        auto part = archive->open(name);
        if (!part) continue;
        bytes = ReadPart(*part);
      } catch (const WorkbookError&) {
        continue;  // damaged deflate data
      }
      SCOPED_TRACE(file.toStdString() + " " + name);
      EXPECT_EQ(Events(Parser::Scanner, bytes), Events(Parser::Expat, bytes));
      EXPECT_EQ(Events(Parser::Scanner, bytes, 7), Events(Parser::Expat, bytes));
      ++parts;
    }
  }
  EXPECT_GT(parts, 30);
}

// Parts in another encoding, or with a declaration the scanner does not read, go to expat.
TEST(XlsxScan, OtherEncodingsAndDeclarationsAreExpats) {
  const std::string utf16 =
      std::string("\xFF\xFE", 2) + std::string("<\0a\0>\0\xE9\0<\0/\0a\0>\0", 16);
  const std::string latin1 = "<?xml version='1.0' encoding='ISO-8859-1'?><a b='\xE9'>\xE9</a>";
  for (const std::string& part :
       {utf16, latin1, std::string("<?xml version='1.0' encoding='utf-8' other='x'?><a/>"),
        std::string("<?xml version='2.0'?><a/>"), std::string("<?xml?><a/>")}) {
    SCOPED_TRACE(part);
    for (std::size_t chunk : {std::size_t{1}, std::size_t{5}, kScanChunk})
      EXPECT_EQ(Events(Parser::Scanner, part, chunk), Events(Parser::Expat, part));
  }
  EXPECT_EQ(Events(Parser::Scanner, latin1), "<0:a 0:b=\xC3\xA9>[\xC3\xA9]</>");
}

// Each is refused by expat too; the scanner names the part and the line.
TEST(XlsxScan, MalformedPartsAreErrorsNamingThePart) {
  const std::string_view parts[] = {
      // truncated or unclosed
      "", "<!-- only a comment -->", "<a>", "<a><b></b>", "<a", "<a b='1'", "<a><!-- x", "<a>&am",
      "<a><![CDATA[x", "<?xml version='1.0'",
      // mismatched end tags
      "<a></b>", "<a></ab>", "<a><b></a></b>", "</a>", "<a></ a>",
      // entities and references
      "<a>&foo;</a>", "<a>&amp</a>", "<a>& </a>", "<a>&#0;</a>", "<a>&#xD800;</a>",
      "<a>&#xFFFE;</a>", "<a>&#x110000;</a>", "<a>&#;</a>", "<a>&#x;</a>", "<a>&#X41;</a>",
      "<a b='&lt'/>",
      // UTF-8 and characters XML does not allow
      "<a>\xC3</a>", "<a>\xC3(</a>", "<a>\xC0\x80</a>", "<a>\xED\xA0\x80</a>",
      "<a>\xEF\xBF\xBE</a>", "<a>\xF4\x90\x80\x80</a>", "<a>\xFF</a>", "<a b='\xE2\x82'/>",
      "<\xC3\xA9\xFF/>", "<a>\x01</a>", "<a b='\x1F'/>", "<a><!--\x02--></a>",
      // attributes
      "<a b=1/>", "<a b/>", "<a b='1'c='2'/>", "<a b='1\"/>", "<a b='<'/>", "<a b='1' b='2'/>",
      "<a b='1' c='2' b='3'></a>", "<a b='1'/ >", "<a xmlns='u' xmlns='v'/>",
      "<a xmlns:p='u' xmlns:q='u' p:x='1' q:x='2'/>", "<a xmlns:p='u' xmlns:p='v'/>", "<a / >",
      // names and namespaces
      "<p:a/>", "<a p:b='1'/>", "<a:b:c xmlns:a='u'/>", "<:a/>", "<a b:='1'/>", "<1a/>",
      "<a xmlns:p=''/>", "<a xmlns:xml='u'/>", "<a xmlns:xmlns='u'/>",
      "<a xmlns='http://www.w3.org/2000/xmlns/'/>", "<a\xC3\x97/>",
      // markup in the wrong place
      "x<a/>", "<a/>x", "<a/><b/>", "<a/>&amp;", "<![CDATA[x]]><a/>", "<a>]]></a>",
      "<a><!-- a--b --></a>", "<a><!-- ---></a>", "<a><?xml version='1.0'?></a>", "<?XML x?><a/>",
      "<? pi?><a/>", "<?a:b?><a/>", "<a><!DOCTYPE a></a>", "<a><!foo></a>",
      " <?xml version='1.0'?><a/>"};
  for (const std::string_view part : parts) {
    SCOPED_TRACE(std::string(part));
    ASSERT_TRUE(Events(Parser::Expat, part).starts_with(kError));
    for (std::size_t chunk : {std::size_t{1}, std::size_t{4}, kScanChunk}) {
      const std::string scanned = Events(Parser::Scanner, part, chunk);
      EXPECT_TRUE(scanned.starts_with(
          "error: The workbook 'memory.xlsx' is damaged: its part 'xl/worksheets/sheet1.xml' is "
          "not well-formed XML (line "))
          << scanned;
    }
  }
  EXPECT_NE(Events(Parser::Scanner, "<a>\r\n\n<b></a>", 2).find("(line 3: mismatched tag)"),
            std::string::npos);
}

TEST(XlsxScan, RefusesWhatExpatIsStoppedFor) {
  std::string deep;
  for (std::size_t i = 0; i <= kMaxXmlDepth; ++i) deep += "<a>";
  const std::string doctype = "<?xml version='1.0'?><!-- c --><!DOCTYPE a [<!ENTITY e 'x'>]><a/>";
  for (const auto& [part, reason] : {std::pair{deep, kTooDeep}, std::pair{doctype, kHasDoctype}}) {
    const std::string expected = Events(Parser::Expat, part);
    EXPECT_TRUE(
        expected.ends_with(std::string("its part 'xl/worksheets/sheet1.xml' ") + reason + "."))
        << expected;
    for (std::size_t chunk : {std::size_t{3}, kScanChunk})
      EXPECT_EQ(Events(Parser::Scanner, part, chunk), expected);
  }
  // A tag is held whole while it is read, up to a bound; character data streams at any length.
  std::string tag = "<a b='";
  tag.resize(65 << 20, 'x');
  EXPECT_TRUE(Events(Parser::Scanner, tag).ends_with(std::string(kTokenTooLarge) + "."));
  std::string text = "<a>";
  text.resize(65 << 20, 'x');
  EXPECT_TRUE(Events(Parser::Scanner, text + "</a>").ends_with("x]</>"));
}

TEST(XlsxScan, HandlerExceptionsComeThroughUnchanged) {
  struct Throwing : XmlHandler {
    std::uint8_t startElement(const XmlName&, XmlAttributes) override {
      throw std::length_error("handler");
    }
    void endElement(std::uint8_t) override {}
  } handler;
  MemoryPart part("<a/>");
  EXPECT_THROW(ScanXml(part, handler), std::length_error);
}

}  // namespace
}  // namespace brelloquin::workbook::xlsx::testing
