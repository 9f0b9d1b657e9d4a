#pragma once
// World files: the six numbers that place a raster image in world coordinates, in a text file
// beside the image whose extension is derived from the image's (".tif" -> ".tfW").

#include <QByteArrayView>
#include <QString>

namespace korvel {

// The six numbers in file order: A pixel width, D and B rotation terms, E pixel height
// (negative for north-up images), C and F the world x and y of the centre of the upper-left
// pixel (document units).
struct WorldFileValues {
    double a = 0;
    double d = 0;
    double b = 0;
    double e = 0;
    double c = 0;
    double f = 0;
};

// The world-file name for `imagePath`: in the extension (the dot being character 0) character
// 2 becomes character 3 and character 3 becomes "W" (".tif" -> ".tfW", ".jpg" -> ".jgW").
// Empty when the extension has fewer than three characters after the dot.
QString WorldFilePath(const QString& imagePath);

// `path` when it exists, otherwise a file in the same folder whose name differs only in letter
// case (".tfw" and ".TFW" for ".tfW"); empty when there is none.
QString FindIgnoringCase(const QString& path);

// Reads the first six lines of `text`, each as one number (leading blanks skipped, the longest
// number at the start of the line taken, 0 where a line holds none). False when there are
// fewer than six lines, or when the numbers cannot place an image: a pixel width or height of
// 0, or a value that is not finite.
bool ParseWorldFile(QByteArrayView text, WorldFileValues* values);

}  // namespace korvel
