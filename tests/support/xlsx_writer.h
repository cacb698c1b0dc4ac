#pragma once
// Writes small .xlsx workbooks for the tests, so a case states its cells where it is tested
// instead of in a committed fixture.

#include <zip.h>

#include <QString>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace brelloquin::testing {

// A number shown through a number format ("yyyy-mm-dd", "[h]:mm:ss", ...).
struct Formatted {
  double value;
  QString format;
};

// A cell element written as given: with its own reference, or damaged on purpose.
struct RawCell {
  QString xml;
};

// An empty cell, a number, a text (written inline), a Boolean, a formatted number or a raw cell.
using XlsxValue = std::variant<std::monostate, double, QString, bool, Formatted, RawCell>;
using XlsxRow = std::vector<XlsxValue>;

struct XlsxSheet {
  QString name;
  std::vector<XlsxRow> rows;
};

inline QString ColumnLetters(std::size_t column) {
  QString letters;
  for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26)
    letters.prepend(QChar(u'A' + static_cast<char16_t>((n - 1) % 26)));
  return letters;
}

inline QString XmlEscaped(const QString& text) { return text.toHtmlEscaped(); }

// Writes the workbook; false when the file could not be written.
inline bool WriteXlsx(const QString& path, const std::vector<XlsxSheet>& sheets,
                      bool date1904 = false) {
  std::map<QString, int> formats;  // format code -> style index
  QString sheetsXml, relsXml, typesXml;
  std::vector<std::string> parts(sheets.size());
  for (std::size_t s = 0; s < sheets.size(); ++s) {
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>");
    for (std::size_t r = 0; r < sheets[s].rows.size(); ++r) {
      xml += QStringLiteral("<row r=\"%1\">").arg(r + 1);
      for (std::size_t c = 0; c < sheets[s].rows[r].size(); ++c) {
        const XlsxValue& value = sheets[s].rows[r][c];
        const QString ref = ColumnLetters(c) + QString::number(r + 1);
        if (const auto* number = std::get_if<double>(&value)) {
          xml += QStringLiteral("<c r=\"%1\"><v>%2</v></c>")
                     .arg(ref, QString::number(*number, 'g', 17));
        } else if (const auto* text = std::get_if<QString>(&value)) {
          xml += QStringLiteral(
                     "<c r=\"%1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">%2</t></is></c>")
                     .arg(ref, XmlEscaped(*text));
        } else if (const auto* boolean = std::get_if<bool>(&value)) {
          xml += QStringLiteral("<c r=\"%1\" t=\"b\"><v>%2</v></c>").arg(ref).arg(*boolean ? 1 : 0);
        } else if (const auto* raw = std::get_if<RawCell>(&value)) {
          xml += raw->xml;
        } else if (const auto* formatted = std::get_if<Formatted>(&value)) {
          const int style = formats.emplace(formatted->format, static_cast<int>(formats.size()) + 1)
                                .first->second;
          xml += QStringLiteral("<c r=\"%1\" s=\"%2\"><v>%3</v></c>")
                     .arg(ref)
                     .arg(style)
                     .arg(QString::number(formatted->value, 'g', 17));
        }
      }
      xml += QStringLiteral("</row>");
    }
    xml += QStringLiteral("</sheetData></worksheet>");
    parts[s] = xml.toStdString();
    sheetsXml += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"/>")
                     .arg(XmlEscaped(sheets[s].name))
                     .arg(s + 1);
    relsXml +=
        QStringLiteral(
            "<Relationship Id=\"rId%1\" Type=\"http://schemas.openxmlformats.org/"
            "officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet%1.xml\"/>")
            .arg(s + 1);
    typesXml += QStringLiteral(
                    "<Override PartName=\"/xl/worksheets/sheet%1.xml\" ContentType=\"application/"
                    "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>")
                    .arg(s + 1);
  }
  QString numFmts, xfs = QStringLiteral("<xf numFmtId=\"0\"/>");
  for (const auto& [code, style] : formats) {
    numFmts += QStringLiteral("<numFmt numFmtId=\"%1\" formatCode=\"%2\"/>")
                   .arg(163 + style)
                   .arg(XmlEscaped(code));
  }
  std::vector<QString> byStyle(formats.size());
  for (const auto& [code, style] : formats)
    byStyle[static_cast<std::size_t>(style - 1)] =
        QStringLiteral("<xf numFmtId=\"%1\" applyNumberFormat=\"1\"/>").arg(163 + style);
  for (const QString& xf : byStyle) xfs += xf;
  const std::string styles =
      QStringLiteral(
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<styleSheet "
          "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts>%1</"
          "numFmts><cellXfs>%2</cellXfs></styleSheet>")
          .arg(numFmts, xfs)
          .toStdString();
  const std::string workbook =
      QStringLiteral(
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workbook "
          "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
          "<workbookPr date1904=\"%1\"/><sheets>%2</sheets></workbook>")
          .arg(date1904 ? 1 : 0)
          .arg(sheetsXml)
          .toStdString();
  const std::string workbookRels =
      QStringLiteral(
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
          "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">%1"
          "<Relationship Id=\"rIdS\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
          "2006/relationships/styles\" Target=\"styles.xml\"/></Relationships>")
          .arg(relsXml)
          .toStdString();
  const std::string rootRels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
      "Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  const std::string contentTypes =
      QStringLiteral(
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Types "
          "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
          "Extension=\"rels\" ContentType=\"application/"
          "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
          "ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" "
          "ContentType=\"application/"
          "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>%1<Override "
          "PartName=\"/xl/styles.xml\" ContentType=\"application/"
          "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/></Types>")
          .arg(typesXml)
          .toStdString();

  int error = 0;
  zip_t* archive = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) return false;
  // zip_close reads the buffers, so they must live until then.
  std::vector<std::pair<std::string, const std::string*>> entries{
      {"[Content_Types].xml", &contentTypes},
      {"_rels/.rels", &rootRels},
      {"xl/workbook.xml", &workbook},
      {"xl/_rels/workbook.xml.rels", &workbookRels},
      {"xl/styles.xml", &styles}};
  for (std::size_t s = 0; s < parts.size(); ++s)
    entries.emplace_back("xl/worksheets/sheet" + std::to_string(s + 1) + ".xml", &parts[s]);
  for (const auto& [name, data] : entries) {
    zip_source_t* source = zip_source_buffer(archive, data->data(), data->size(), 0);
    if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      return false;
    }
  }
  return zip_close(archive) == 0;
}

}  // namespace brelloquin::testing
