// Kept apart from the rest of the document so the reader and writer build
// without the platform's file layer.
#include "util/file_io.h"
#include "util/xml_document.h"

bool XmlDocument::saveToFile(const std::string& path) const { return fileio::writeWholeFile(path, toBytes()); }
