#pragma once
// The demo: a small map of a field near 9.0° E, 50.0° N (measured corner points with their
// numbers, the field as an area, a hedge as a line and two labels) to go with the recorded
// walk round the same field that the demo receiver replays.

#include <QString>

namespace korvel {

class CKorvelDoc;

// Fills an empty document (system 900913) with the demo objects. Labels are laid out for a
// view of `viewWidth` x `viewHeight` pixels showing the whole field.
bool BuildDemoDocument(CKorvelDoc& doc, int viewWidth = 900, int viewHeight = 600);

// Writes the demo document to `path` (how resources/demo/demo.kvd is made).
bool WriteDemoDocument(const QString& path);

// The folder with the demo files (demo.kvd, walk.nmea): installed beside the program, in the
// configured data folder, or in the source tree; empty when none has them.
QString FindDemoFolder();

}  // namespace korvel
