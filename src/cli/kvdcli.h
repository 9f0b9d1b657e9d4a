#pragma once
// Shared by the document commands of korvel-cli: opening a document with a German message on
// standard error when it cannot be read.

#include "model/korveldoc.h"

#include <QString>

namespace korvel::cli {

// Opens `path` into `doc`; on failure prints the reason and answers false.
bool OpenDocumentOrReport(CKorvelDoc& doc, const QString& path);

}  // namespace korvel::cli
