#pragma once
// A streaming XML scanner for the large parts of a workbook, worksheets and shared strings. It
// hands an XmlHandler what ParseXml would, several times faster than expat, because it reads
// only what workbook parts are written in: UTF-8, namespaces, the predefined entities and
// character references, and no document type.

#include <cstddef>

namespace brelloquin::workbook::xlsx {

class PartReader;
class XmlHandler;

// Bytes inflated per read: a chunk is scanned while it is still in the processor's cache.
inline constexpr std::size_t kScanChunk = 64 * 1024;

// Scans the part into the handler, `chunk` bytes at a time. A part in UTF-16, or starting with
// an XML declaration the scanner does not read (another encoding), goes to ParseXml whole.
// Throws WorkbookError naming the part where ParseXml would: when the part is not well-formed
// XML, declares a document type or nests too deeply. Exceptions thrown by the handler come
// through unchanged.
void ScanXml(PartReader& part, XmlHandler& handler, std::size_t chunk = kScanChunk);

}  // namespace brelloquin::workbook::xlsx
