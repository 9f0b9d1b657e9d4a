// Text widths added up from character pairs must equal shaping the whole line, to the 1/64
// pixel, whatever the font: kerning pairs, ligatures, umlauts, spaces, long lines, and
// characters outside Latin-1 that are shaped as a whole.
#include "view/textwidths.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(TextWidths, EqualToShapingTheWholeLine)
{
    const QString lines[] = {
        QStringLiteral("Nr. 17"),
        QStringLiteral("Nr. 11"),  // "r." and "11" are kerning pairs in Arial-metric faces
        QStringLiteral("Nr. 1000000"),
        QStringLiteral("1111111"),
        QStringLiteral("AVATAR Tä Yo LT-Wert"),
        QString::fromUtf8("Grenzstein Müller-Lüdenscheid ÄÖÜäöüß"),
        QStringLiteral("Effizienz, Pfiff, offline"),  // ligatures in some faces
        QString::fromUtf8("12,5 m² ± 0,3° «Zitat» ¿?"),
        QStringLiteral(" "),
        QStringLiteral("  zwei  Leerzeichen "),
        QString(),
        QString::fromUtf8("Ω 5 → 7 € 12"),           // beyond Latin-1
        QString::fromUtf8("Grenz\u00ADstein a\tb"),  // soft hyphen, tab
        QString::fromUtf8("Flurstück 4711/2, ").repeated(40),
    };
    struct Face {
        const char* family;
        bool italic;
        bool bold;
    } faces[] = {{"Arial", false, false},      {"Arial", true, false},
                 {"Arial", false, true},       {"DejaVu Sans", false, false},
                 {"DejaVu Serif", true, true}, {"Liberation Mono", false, false}};
    for (const Face& face : faces) {
        for (const int pixels : {7, 13, 16, 40}) {
            QFont font;
            font.setFamilies(QStringList{QString::fromLatin1(face.family)});
            font.setPixelSize(pixels);
            font.setItalic(face.italic);
            font.setBold(face.bold);
            TextWidths widths(font, nullptr);
            for (const QString& line : lines) {
                // Twice: the second time every pair is known.
                EXPECT_EQ(widths.Width(line), widths.ShapedWidth(line))
                    << face.family << " " << pixels << " " << line.left(30).toStdString();
                EXPECT_EQ(widths.Width(line), widths.ShapedWidth(line))
                    << face.family << " " << pixels << " " << line.left(30).toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace korvel
