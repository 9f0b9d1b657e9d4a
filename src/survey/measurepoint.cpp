#include "survey/measurepoint.h"

#include "crs/transform.h"
#include "gps/gpssettings.h"
#include "model/gpoint.h"
#include "model/gtext.h"
#include "model/korveldoc.h"
#include "model/reproject.h"
#include "strings/stringtable.h"
#include "survey/measurecontroller.h"
#include "survey/surveyhost.h"
#include "view/korvelview.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace korvel {

QString NextPointNumber(const QString& last)
{
    if (last.isEmpty()) return QStringLiteral("1");
    qsizetype start = last.size();
    while (start > 0 && last.at(start - 1) >= u'0' && last.at(start - 1) <= u'9') --start;
    if (start == last.size()) return last + QStringLiteral("1");
    // Incremented as a decimal text, so a run of any length (or beyond 64 bits) stays exact.
    QString digits = last.mid(start);
    qsizetype i = digits.size() - 1;
    for (; i >= 0; --i) {
        if (digits[i] == u'9') {
            digits[i] = u'0';
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
            break;
        }
    }
    if (i < 0) digits.prepend(u'1');
    while (digits.size() > 1 && digits.at(0) == u'0') digits.remove(0, 1);
    return last.left(start) + digits;
}

bool ParseCoordinate(const QString& text, double* value)
{
    QByteArray bytes = text.toLatin1();
    bytes.replace(',', '.');
    // std::from_chars reads '.' whatever the process locale (a German desktop sets LC_NUMERIC,
    // where strtod would stop at the point); it takes neither leading blanks nor a plus sign,
    // which the field has always accepted.
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    while (p != end && std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (p != end && *p == '+' && p + 1 != end && p[1] != '-') ++p;
    double v = 0.0;
    const auto [stop, ec] = std::from_chars(p, end, v, std::chars_format::general);
    if (ec != std::errc() || stop != end || !std::isfinite(v)) return false;
    // Text that is not Latin-1 was turned into '?' and fails above.
    *value = v;
    return true;
}

double HorizontalSpread(const std::vector<WorldPoint>& lonLat, std::int32_t docSys)
{
    if (lonLat.size() < 2) return 0.0;
    const bool metric = IsTransformable(docSys) && docSys != CRS_WGS84 && docSys != CRS_WEBMERCATOR;
    CoordTransform toMetric{1, CRS_WGS84, metric ? docSys : CRS_UTM_AUTO};
    std::vector<WorldPoint> pts;
    pts.reserve(lonLat.size());
    for (WorldPoint p : lonLat) {
        // The first point fixes the UTM zone for all others.
        if (!TransformPoint(&p, &toMetric)) return 0.0;
        pts.push_back(p);
    }
    WorldPoint mean;
    for (const WorldPoint& p : pts) {
        mean.x += p.x;
        mean.y += p.y;
    }
    mean.x /= double(pts.size());
    mean.y /= double(pts.size());
    double sum = 0.0;
    for (const WorldPoint& p : pts) sum += (p.x - mean.x) * (p.x - mean.x) + (p.y - mean.y) * (p.y - mean.y);
    return std::sqrt(sum / double(pts.size()));
}

bool CreateNumberedPoint(CKorvelView& view, SurveyHost* host, const WorldPoint& position,
                         const QString& number)
{
    CKorvelDoc* doc = view.GetDocument();
    if (!doc) return false;
    auto point = std::make_unique<GPoint>(position);
    point->SetInfo(QStringLiteral("PTNR"), number);
    auto label = std::make_unique<GText>(number);
    label->m_ptPos = position;
    label->SetFont(host ? host->LabelFont() : LogFont{}, &view);
    label->m_crColor = host ? host->LabelColor() : 0;
    std::vector<std::unique_ptr<GObj>> objects;
    objects.push_back(std::move(point));
    objects.push_back(std::move(label));
    if (host) host->AddToDocument(*doc, objects, QObject::tr("Punkt messen"));
    else AddObjectsDirectly(*doc, objects);
    if (objects[0]) return false;  // the document did not take the point
    doc->m_strLastPointNo = number;
    return true;
}

CMeasurePoint::CMeasurePoint(CKorvelView& view, SurveyHost* host, const WorldPoint* manualPosition,
                             QWidget* parent)
    : QDialog(parent), m_view(view), m_pHost(host), m_pDoc(view.GetDocument())
{
    setObjectName(QStringLiteral("dialog%1").arg(IDD_MEASURE_POINT));
    setWindowTitle(LoadString(IDS_MEASURE_POINT_TITLE));
    m_bManual = manualPosition != nullptr;
    if (manualPosition) m_position = *manualPosition;
    m_strPointNumber = NextPointNumber(m_pDoc ? m_pDoc->m_strLastPointNo : QString());
    m_bAutoNumber = view.GetHost() ? view.GetHost()->AutoNumbering() : false;

    auto* layout = new QVBoxLayout(this);
    m_pProgressText = new QLabel(QStringLiteral("Mittelung:"), this);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    layout->addWidget(m_pProgressText);
    layout->addWidget(m_pProgress);

    auto* grid = new QGridLayout;
    m_pXLabel = new QLabel(this);
    m_pYLabel = new QLabel(this);
    m_pX = new QLineEdit(this);
    m_pY = new QLineEdit(this);
    m_pNumberLabel = new QLabel(QStringLiteral("Punkt-Nr.:"), this);
    m_pNumber = new QLineEdit(this);
    m_pX->setReadOnly(true);
    m_pY->setReadOnly(true);
    grid->addWidget(m_pXLabel, 0, 0);
    grid->addWidget(m_pX, 0, 1);
    grid->addWidget(m_pYLabel, 1, 0);
    grid->addWidget(m_pY, 1, 1);
    grid->addWidget(m_pNumberLabel, 2, 0);
    grid->addWidget(m_pNumber, 2, 1);
    layout->addLayout(grid);
    m_pSpread = new QLabel(this);
    layout->addWidget(m_pSpread);
    m_pAutoNumber = new QCheckBox(tr("Automatisch nummerieren"), this);
    m_pAutoNumber->setEnabled(false);
    m_pAutoNumber->setChecked(m_bAutoNumber);
    layout->addWidget(m_pAutoNumber);

    auto* buttons = new QDialogButtonBox(this);
    m_pOk = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    m_pCancel = buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    m_pOk->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMeasurePoint::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMeasurePoint::reject);
    layout->addWidget(buttons);

    for (QWidget* w :
         {static_cast<QWidget*>(m_pXLabel), static_cast<QWidget*>(m_pYLabel), static_cast<QWidget*>(m_pX),
          static_cast<QWidget*>(m_pY), static_cast<QWidget*>(m_pNumberLabel),
          static_cast<QWidget*>(m_pNumber), static_cast<QWidget*>(m_pSpread)})
        w->setVisible(false);

    // Opening: the receiver settings, then the first sampling step at once.
    CGpsSettings* gps = host ? host->Gps() : nullptr;
    m_pPort = gps ? gps->port() : nullptr;
    m_nIntervalSeconds = gps ? std::uint32_t(std::max(0, gps->interval())) : 1;
    m_nSamplesWanted = m_bManual ? 0 : (gps ? std::uint32_t(std::max(0, gps->average())) : 1);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CMeasurePoint::SampleStep);
    SampleStep();
}

CMeasurePoint::~CMeasurePoint() = default;

QWidget* CMeasurePoint::control(int id) const
{
    switch (id) {
        case 1:
            return m_pOk;
        case 2:
            return m_pCancel;
        case 1010:
            return m_pProgress;
        case 1011:
            return m_pProgressText;
        case 1012:
            return m_pX;
        case 1013:
            return m_pY;
        case 1014:
            return m_pNumber;
        case 1015:
            return m_pNumberLabel;
        case 1016:
            return m_pXLabel;
        case 1017:
            return m_pYLabel;
        case 1029:
            return m_pAutoNumber;
        case 1030:
            return m_pSpread;
        default:
            return nullptr;
    }
}

int CMeasurePoint::timerInterval() const
{
    return m_timer.interval();
}

void CMeasurePoint::SampleStep()
{
    m_timer.stop();
    if (m_bDone) return;
    if (m_bManual) {
        m_nSampleCount = 1;
    } else {
        CGpsSettings* gps = m_pHost ? m_pHost->Gps() : nullptr;
        if (!gps || !m_pPort || !gps->manager().IsManaged(m_pPort) || !gps->IsFixUsable(m_pPort)) {
            m_timer.start(kRetryMs);
            return;
        }
        const GpsFix& fix = m_pPort->fix();
        if (fix.fixTime != m_nLastSampleTime) {
            WorldPoint p{fix.longitude, fix.latitude};
            CoordTransform toDoc{1, CRS_WGS84, m_pDoc ? m_pDoc->m_nCoordSys : CRS_LOCAL};
            // A local document keeps the degrees.
            TransformPoint(&p, &toDoc);
            if (m_nSampleCount == 0) {
                m_position = p;
            } else {
                m_position.x += p.x;
                m_position.y += p.y;
            }
            ++m_nSampleCount;
            m_nLastSampleTime = fix.fixTime;
            m_samples.push_back(WorldPoint{fix.longitude, fix.latitude});
            m_dWorstHdop = std::max(m_dWorstHdop, fix.hdop);
        }
    }
    if (m_nSampleCount == 0 || m_nSampleCount < m_nSamplesWanted) {
        m_pProgress->setValue(int(m_nSampleCount * 100 / m_nSamplesWanted));
        m_pProgressText->setText(QString::asprintf(LoadString(IDS_AVERAGING_PROGRESS).toUtf8().constData(),
                                                   m_nSampleCount, m_nSamplesWanted));
        m_timer.start(m_nIntervalSeconds == 0 ? 1000 : int(m_nIntervalSeconds) * 1000);
        return;
    }
    Finish();
}

void CMeasurePoint::Finish()
{
    m_bDone = true;
    m_timer.stop();
    m_pOk->setEnabled(true);
    m_position.x /= double(m_nSampleCount);
    m_position.y /= double(m_nSampleCount);
    m_pProgress->setVisible(false);
    m_pProgressText->setVisible(false);
    if (m_pDoc && m_pDoc->m_nCoordSys == CRS_LOCAL && AdoptWgs84(*m_pDoc) == CRS_WEBMERCATOR) {
        CoordTransform toMercator{1, CRS_WGS84, CRS_WEBMERCATOR};
        TransformPoint(&m_position, &toMercator);
    }
    if (!m_bManual) m_dSpread = HorizontalSpread(m_samples, m_pDoc ? m_pDoc->m_nCoordSys : CRS_LOCAL);
    ShowResult();
}

void CMeasurePoint::ShowResult()
{
    const std::int32_t sys = m_pDoc ? m_pDoc->m_nCoordSys : CRS_LOCAL;
    WorldPoint shown = m_position;
    if (sys == CRS_WEBMERCATOR) {
        CoordTransform toDegrees{1, CRS_WEBMERCATOR, CRS_WGS84};
        TransformPoint(&shown, &toDegrees);
    }
    const bool degrees = sys == CRS_LOCAL || sys == CRS_WGS84 || sys == CRS_WEBMERCATOR;
    const char* format = degrees ? "%.6lf" : "%.3lf";
    m_xText = QString::asprintf(format, shown.x);
    m_yText = QString::asprintf(format, shown.y);
    m_pXLabel->setText(LoadString(degrees ? IDS_LONGITUDE : IDS_EASTING));
    m_pYLabel->setText(LoadString(degrees ? IDS_LATITUDE : IDS_NORTHING));
    m_pX->setText(m_xText);
    m_pY->setText(m_yText);
    m_pNumber->setText(m_strPointNumber);
    for (QWidget* w : {static_cast<QWidget*>(m_pXLabel), static_cast<QWidget*>(m_pYLabel),
                       static_cast<QWidget*>(m_pX), static_cast<QWidget*>(m_pY),
                       static_cast<QWidget*>(m_pNumberLabel), static_cast<QWidget*>(m_pNumber)})
        w->setVisible(true);
    if (m_bManual) {
        m_pX->setReadOnly(false);
        m_pY->setReadOnly(false);
        m_pAutoNumber->setEnabled(true);
    } else {
        m_pSpread->setText(
            LoadString(IDS_SAMPLE_SPREAD)
                .arg(QString::asprintf("%.2lf", m_dSpread), QString::asprintf("%.1lf", m_dWorstHdop)));
        m_pSpread->setVisible(true);
    }
    m_pOk->setDefault(true);
    m_pOk->setFocus();
}

void CMeasurePoint::accept()
{
    if (!m_bDone) return;
    if (m_bManual) {
        double x = 0.0;
        double y = 0.0;
        const bool xOk = ParseCoordinate(m_pX->text(), &x);
        const bool yOk = ParseCoordinate(m_pY->text(), &y);
        if (!xOk) m_pX->setText(LoadString(IDS_INVALID_VALUE));
        if (!yOk) m_pY->setText(LoadString(IDS_INVALID_VALUE));
        if (!xOk || !yOk) return;
        if (m_pX->text() != m_xText || m_pY->text() != m_yText) {
            WorldPoint typed{x, y};
            if (m_pDoc && m_pDoc->m_nCoordSys == CRS_WEBMERCATOR) {
                // Degrees are typed in a web-mercator document.
                CoordTransform toMercator{1, CRS_WGS84, CRS_WEBMERCATOR};
                TransformPoint(&typed, &toMercator);
            }
            m_position = typed;
        }
    }
    m_strPointNumber = m_pNumber->text();
    m_bAutoNumber = m_pAutoNumber->isChecked();
    m_timer.stop();
    QDialog::accept();
}

void CMeasurePoint::reject()
{
    m_timer.stop();
    QDialog::reject();
}

bool CMeasurePoint::MeasureManually(CKorvelView& view, SurveyHost* host, const WorldPoint& position)
{
    CKorvelDoc* doc = view.GetDocument();
    if (!doc) return false;
    if (view.GetHost() && view.GetHost()->AutoNumbering()) {
        CMeasurePoint quiet(view, host, &position);
        return CreateNumberedPoint(view, host, quiet.position(), quiet.pointNumber());
    }
    CMeasurePoint dlg(view, host, &position, &view);
    if (dlg.exec() != QDialog::Accepted) return false;
    if (view.GetHost()) view.GetHost()->SetAutoNumbering(dlg.autoNumber());
    return CreateNumberedPoint(view, host, dlg.position(), dlg.pointNumber());
}

bool CMeasurePoint::MeasureWithGps(CKorvelView& view, SurveyHost* host)
{
    CMeasurePoint dlg(view, host, nullptr, &view);
    if (dlg.exec() != QDialog::Accepted) return false;
    if (!CreateNumberedPoint(view, host, dlg.position(), dlg.pointNumber())) return false;
    const WorldPoint at = dlg.position();
    view.SetView(&at, 0.0);
    return true;
}

}  // namespace korvel
