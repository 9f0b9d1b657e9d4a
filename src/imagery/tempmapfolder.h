#pragma once
// The folder of the raster images' bitmap copies: <local data>/Korvel/tmpmaps. Every loaded
// image keeps its decoded picture there as a file for its lifetime; the program empties the
// folder at start-up in case an earlier run ended without cleaning up.

#include <QString>

namespace korvel {

// The folder (not created here).
QString TempMapFolder();
// Replaces the folder for this process (tests, benchmarks); an empty string restores the usual
// one.
void SetTempMapFolder(const QString& folder);
// Creates the folder with all missing parents; false when that fails.
bool MakeTempMapFolder();

}  // namespace korvel
