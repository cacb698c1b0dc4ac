#include "workbook/xlsx_reader.h"

#include <algorithm>
#include <unordered_map>

#include "workbook/xlsx_parts.h"
#include "workbook/xlsx_sheet.h"
#include "workbook/xlsx_zip.h"

namespace brelloquin::workbook {

namespace {

using xlsx::IsOfficeRelationship;
using xlsx::Relationship;

const Relationship* FindByType(const std::vector<Relationship>& relationships,
                               std::string_view kind) {
  const auto found = std::find_if(relationships.begin(), relationships.end(), [&](const auto& r) {
    return IsOfficeRelationship(r.type, kind);
  });
  return found == relationships.end() ? nullptr : &*found;
}

// OpenDocument packages name their kind in a first entry "mimetype".
bool IsOpenDocumentSpreadsheet(const xlsx::ZipArchive& archive) {
  auto part = archive.open("mimetype");
  if (!part) return false;
  constexpr std::string_view kType = "application/vnd.oasis.opendocument.spreadsheet";
  char head[kType.size()];
  std::size_t size = 0;
  while (size < sizeof head) {
    const std::size_t count = part->read(head + size, sizeof head - size);
    if (count == 0) break;
    size += count;
  }
  return std::string_view(head, size) == kType;
}

class XlsxReader final : public WorkbookReader {
 public:
  explicit XlsxReader(const QString& path) : archive_(path) {
    if (IsOpenDocumentSpreadsheet(archive_))
      throw WorkbookError(
          WorkbookError::Reason::Unsupported,
          QStringLiteral("The OpenDocument spreadsheet format (.ods) is not supported."));
    const auto packageRelationships = ReadRelationships(archive_, "");
    const Relationship* document = FindByType(packageRelationships, "officeDocument");
    workbookPart_ =
        document && archive_.has(document->target) ? document->target : "xl/workbook.xml";
    if (workbookPart_.ends_with(".bin") ||
        (!archive_.has(workbookPart_) && archive_.has("xl/workbook.bin")))
      throw WorkbookError(WorkbookError::Reason::Unsupported,
                          QStringLiteral("The binary .xlsb workbook format is not supported."));
    auto part = archive_.open(workbookPart_);
    const auto workbook = part ? xlsx::ReadWorkbookPart(*part) : xlsx::WorkbookPart();
    if (!workbook.isWorkbook)
      throw WorkbookError(
          WorkbookError::Reason::Unsupported,
          QStringLiteral("The file '%1' is not an Excel workbook: it holds no workbook part.")
              .arg(path));
    date1904_ = workbook.date1904;

    const auto relationships = ReadRelationships(archive_, workbookPart_);
    std::unordered_map<std::string_view, const Relationship*> byId;
    for (const auto& relationship : relationships) byId.emplace(relationship.id, &relationship);
    for (const auto& entry : workbook.sheets) {
      const auto found = byId.find(entry.relationshipId);
      // Chart, dialog and macro sheets are not tables; a sheet without a relationship is listed
      // and reported as damaged when it is read.
      if (found != byId.end() && !IsOfficeRelationship(found->second->type, "worksheet")) continue;
      sheets_.push_back({entry.name, entry.hidden});
      sheetParts_.push_back(found != byId.end() ? found->second->target : std::string());
    }
    const Relationship* strings = FindByType(relationships, "sharedStrings");
    sharedStringsPart_ = strings ? strings->target : "xl/sharedStrings.xml";
    const Relationship* styles = FindByType(relationships, "styles");
    stylesPart_ = styles ? styles->target : "xl/styles.xml";
  }

  const std::vector<SheetInfo>& sheets() const override { return sheets_; }

  using WorkbookReader::readSheet;
  SheetData readSheet(std::size_t index, const RowWindow& window) override {
    if (index >= sheets_.size())
      throw WorkbookError(WorkbookError::Reason::NoSuchSheet,
                          QStringLiteral("The workbook has no sheet number %1.").arg(index + 1));
    loadSharedParts(window.progress);
    auto part = sheetParts_[index].empty() ? std::nullopt : archive_.open(sheetParts_[index]);
    if (!part)
      throw WorkbookError(
          QStringLiteral("The workbook '%1' is damaged: the cells of sheet '%2' are missing.")
              .arg(archive_.path(), sheets_[index].name));
    return xlsx::ReadSheetPart(*part, {sharedStrings_, cellFormats_, date1904_, window});
  }

 private:
  // Shared strings and styles are read with the first sheet: listing sheets needs neither.
  void loadSharedParts(const std::function<void()>& progress) {
    if (sharedLoaded_) return;
    if (auto part = archive_.open(stylesPart_)) cellFormats_ = xlsx::ReadCellFormats(*part);
    if (auto part = archive_.open(sharedStringsPart_))
      sharedStrings_ =
          std::make_shared<const StringTable>(xlsx::ReadSharedStrings(*part, progress));
    sharedLoaded_ = true;
  }

  xlsx::ZipArchive archive_;
  std::string workbookPart_;
  std::vector<SheetInfo> sheets_;
  std::vector<std::string> sheetParts_;  // by sheet; empty when the workbook names none
  bool date1904_ = false;
  std::string sharedStringsPart_;
  std::string stylesPart_;
  bool sharedLoaded_ = false;
  SheetData::SharedStrings sharedStrings_;
  std::vector<NumberFormat> cellFormats_;
};

}  // namespace

std::unique_ptr<WorkbookReader> OpenXlsx(const QString& path) {
  return std::make_unique<XlsxReader>(path);
}

}  // namespace brelloquin::workbook
