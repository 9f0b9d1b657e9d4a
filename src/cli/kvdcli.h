#pragma once
// Shared by the document commands of korvel-cli: opening a document with a German message on
// standard error when it cannot be read.

#include "model/korveldoc.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace korvel::cli {

// Opens `path` into `doc`; on failure prints the reason and answers false.
bool OpenDocumentOrReport(CKorvelDoc& doc, const QString& path);

// Prints one message line on standard error.
void PrintLine(const QString& text);

// The arguments of the import commands: "DOCUMENT FILE... [--crs N]".
struct ImportArgs {
    QString document;
    QStringList files;
    bool haveCrs = false;
    int32_t crs = 0;
};
// Parses them; `choosable` says which systems --crs accepts. On a mistake prints `usage` or the
// reason and answers false (the command then ends with exit status 2).
bool ParseImportArgs(const QStringList& args, const char* usage, bool (*choosable)(int32_t), ImportArgs* out);

// Opens the import's document, or starts a new one when the file does not exist: in --crs, or
// without a system so that the first imported file decides it. --crs on an existing document
// of another system is refused with a message. False means exit status 2.
bool OpenImportDocument(CKorvelDoc& doc, const ImportArgs& args, bool* created);

// Ends an import command: saves the document when it `changed` (objects added, or newly
// created) and gives the exit status: 2 when saving failed, 1 when some file was refused,
// 0 otherwise.
int FinishImport(CKorvelDoc& doc, const QString& docPath, bool changed, bool anyFileFailed);

}  // namespace korvel::cli
