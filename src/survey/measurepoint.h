#pragma once
// CMeasurePoint: the dialog "Punkt messen" that creates one numbered point with its number
// label in the view's document. In GPS mode it waits for fixes that pass the quality filter,
// averages the configured number of them (one per interval, a repeated fix time is not
// counted) in the document's system and offers the result with the next point number; once
// done it also shows how far the samples spread and the worst HDOP seen. In manual mode (the
// point tool) the position is the clicked one and the user may type other coordinates.

#include "crs/worldpoint.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace korvel {

class CKorvelDoc;
class CKorvelView;
class CSerialComm;
class SurveyHost;

inline constexpr int IDD_MEASURE_POINT = 141;
inline constexpr int IDS_MEASURE_POINT_TITLE = 4101;  // "Punkt messen"
inline constexpr int IDS_AVERAGING_PROGRESS = 4202;   // "Mittelung: Punkt %u von %u"
inline constexpr int IDS_SAMPLE_SPREAD = 4204;        // "Streuung: %1 m, HDOP höchstens %2"
inline constexpr int IDS_LONGITUDE = 150;             // "Longitude:"
inline constexpr int IDS_LATITUDE = 151;              // "Latitude:"
inline constexpr int IDS_EASTING = 152;               // "Rechts:"
inline constexpr int IDS_NORTHING = 153;              // "Hoch:"
inline constexpr int IDS_INVALID_VALUE = 154;         // "Wert ungültig!"

// The number after `last`: "1" for an empty one, `last` + "1" when it does not end in digits,
// else the trailing digits incremented and written without leading zeros (P09 → P10).
QString NextPointNumber(const QString& last);

// A typed coordinate: commas count as decimal points, and the text must be one number with
// nothing behind it. False for anything else (and for values that are not finite).
bool ParseCoordinate(const QString& text, double* value);

// The horizontal spread of positions (WGS84 degrees): the root mean square distance from
// their mean, in metres of the document's system `docSys`, or of UTM for documents in degrees,
// web mercator or a local system. 0 for fewer than two positions.
double HorizontalSpread(const std::vector<WorldPoint>& lonLat, std::int32_t docSys);

// Creates the point with attribute "PTNR" and its number label in the view's document and
// makes `number` the document's last point number. False when the point could not be added.
bool CreateNumberedPoint(CKorvelView& view, SurveyHost* host, const WorldPoint& position,
                         const QString& number);

class CMeasurePoint : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRetryMs = 100;

    // GPS mode when `manualPosition` is null, else manual mode at that world position.
    CMeasurePoint(CKorvelView& view, SurveyHost* host, const WorldPoint* manualPosition = nullptr,
                  QWidget* parent = nullptr);
    ~CMeasurePoint() override;

    // The point tool's click: with automatic numbering on the point is created at once,
    // otherwise the dialog runs and its check box becomes the host view's flag after OK.
    static bool MeasureManually(CKorvelView& view, SurveyHost* host, const WorldPoint& position);
    // "Punkt messen": runs the dialog in GPS mode. True when a point was created.
    static bool MeasureWithGps(CKorvelView& view, SurveyHost* host);

    // The sampling step (the dialog's timer); public for the tests.
    void SampleStep();

    bool done() const { return m_bDone; }
    bool manual() const { return m_bManual; }
    std::uint32_t sampleCount() const { return m_nSampleCount; }
    std::uint32_t samplesWanted() const { return m_nSamplesWanted; }
    const WorldPoint& position() const { return m_position; }
    const QString& pointNumber() const { return m_strPointNumber; }
    bool autoNumber() const { return m_bAutoNumber; }
    int timerInterval() const;
    bool timerActive() const { return m_timer.isActive(); }
    // The spread of the averaged samples (metres) and the worst HDOP seen; valid once done.
    double spread() const { return m_dSpread; }
    double worstHdop() const { return m_dWorstHdop; }

    // The controls, by their resource numbers: 1010 progress, 1011 progress text, 1012/1013
    // coordinates, 1014 number, 1015/1016/1017 labels, 1029 check box, 1 OK, 2 Abbrechen,
    // 1030 the spread line.
    QWidget* control(int id) const;

public slots:
    void accept() override;
    void reject() override;

private:
    void Finish();
    void ShowResult();

    CKorvelView& m_view;
    SurveyHost* m_pHost;
    CKorvelDoc* m_pDoc;
    WorldPoint m_position;
    QString m_strPointNumber;
    QString m_xText;
    QString m_yText;
    CSerialComm* m_pPort = nullptr;
    std::uint32_t m_nSampleCount = 0;
    std::uint32_t m_nSamplesWanted = 0;
    std::uint32_t m_nIntervalSeconds = 0;
    std::int64_t m_nLastSampleTime = 0;
    bool m_bAutoNumber = false;
    bool m_bManual = false;
    bool m_bDone = false;
    bool m_bCreated = false;
    std::vector<WorldPoint> m_samples;  // counted fixes, WGS84 degrees
    double m_dWorstHdop = 0.0;
    double m_dSpread = 0.0;
    QTimer m_timer;

    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pProgressText = nullptr;
    QLabel* m_pXLabel = nullptr;
    QLabel* m_pYLabel = nullptr;
    QLineEdit* m_pX = nullptr;
    QLineEdit* m_pY = nullptr;
    QLabel* m_pNumberLabel = nullptr;
    QLineEdit* m_pNumber = nullptr;
    QCheckBox* m_pAutoNumber = nullptr;
    QLabel* m_pSpread = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
};

}  // namespace korvel
