#pragma once
// The plain-text files of the ZENTO handheld devices: position files (*.geo, one measured area
// or line) and marker files (*.pos, marked points). Both are Windows-1252 text with CR LF line
// ends made of bracketed sections. The reader yields plain records (positions in WGS84 degrees
// with name/value texts) and the writer takes plain values; turning them into map objects is
// the import's and export's business.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

class QIODevice;

namespace korvel {

// One text attribute read from or written to a handheld file. Attributes from these files
// always have the free-text format (0xFFFF).
struct ZentoInfo {
    QString name;
    QString value;

    friend bool operator==(const ZentoInfo&, const ZentoInfo&) = default;
};

// One position read from a file: x = longitude, y = latitude in WGS84 degrees (0 unless read),
// and its own attributes ("Info1", "Info2", ...) in the order read.
struct CZentoPoint {
    double x = 0.0;
    double y = 0.0;
    std::vector<ZentoInfo> infos;
};

enum class ZentoMode { Points, Line, Area };

enum class ZentoFileKind {
    Unknown,
    Position,  // first line "[Positionsdatei]"
    Marker,    // first line "[Markierungsdatei]"
    Raster,    // first line "[Rasterdatei]": recognised, but not a format we read
};

// What a file holds.
struct ZentoContent {
    ZentoMode mode = ZentoMode::Area;
    std::vector<ZentoInfo> description;
    std::vector<CZentoPoint> positions;
};

// The kind of file whose first line (without its line end) is `firstLine`. Compared whole,
// ignoring case: a trailing space makes it Unknown.
ZentoFileKind ZentoKindFromFirstLine(const QByteArray& firstLine);
// Reads the first line of `device` and tells the kind.
ZentoFileKind ReadZentoKind(QIODevice& device);

// Reads a whole position or marker file (from its start, whatever the device's position).
// Never fails: unreadable numbers stay 0, malformed lines are skipped, missing sections give
// empty lists.
ZentoContent ReadZentoFile(QIODevice& device, ZentoFileKind kind);

// Writes handheld files line by line, exactly in the order of the layout.
class CZentoWriter {
public:
    // Characters that are cut: names and values of description lines and marker values.
    static constexpr int kMaxTextLength = 20;

    explicit CZentoWriter(QIODevice& device) : m_device(device) {}

    // The position-file header: sections up to "[Positionen]". Date, time and identifier come
    // from `now` (one clock reading per file, local time). Description lines: for each of
    // `names` the first attribute of `source` with that name (ignoring case), in the order of
    // `names`; without a source the single line "<ID>Alle".
    void WritePositionFileHeader(const QDateTime& now, const std::vector<ZentoInfo>* source,
                                 const QStringList& names);
    // The marker-file header: the same without the measuring-mode section.
    void WriteMarkerFileHeader(const QDateTime& now, const std::vector<ZentoInfo>* source,
                               const QStringList& names);
    // "lon lat 0" with nine decimals (degrees).
    void WritePositionLine(double lon, double lat);
    // A position line followed by each value in double quotes (an empty value for a missing
    // attribute gives "").
    void WriteMarkerLine(double lon, double lat, const QStringList& values);

    // False once any write has failed.
    bool Ok() const { return m_ok; }

private:
    void WriteHeader(const char* firstLine, bool withMode, const QDateTime& now,
                     const std::vector<ZentoInfo>* source, const QStringList& names);
    void Line(const QByteArray& text);
    void Line(const QString& text);

    QIODevice& m_device;
    bool m_ok = true;
};

}  // namespace korvel
