#include "app/custombar.h"

#include "app/commandids.h"
#include "strings/stringtable.h"
#include "survey/gpsbarwnd.h"

#include <QApplication>
#include <QEvent>
#include <QResizeEvent>
#include <QSettings>
#include <QVBoxLayout>

namespace korvel {
namespace {

// A panel that asks for the bar's remembered size, so a docked or floating bar opens at it.
class BarHolder : public QWidget {
public:
    explicit BarHolder(CCustomBar* bar) : QWidget(bar), m_bar(bar) {}
    QSize sizeHint() const override { return m_bar->barSize(); }

private:
    CCustomBar* m_bar;
};

}  // namespace

CCustomBar::CCustomBar(int barId, int titleId, QSize templateSize, QWidget* parent)
    : QDockWidget(parent),
      m_nBarId(barId),
      m_nTitleId(titleId),
      m_nWidth(templateSize.width()),
      m_nHeight(templateSize.height()),
      m_pHolder(new BarHolder(this))
{
    setObjectName(QStringLiteral("Bar%1").arg(barId));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    auto* layout = new QVBoxLayout(m_pHolder);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pHolder->setAutoFillBackground(true);
    m_pHolder->installEventFilter(this);
    setWidget(m_pHolder);
    ReadSystemColours();
    Retranslate();
}

CCustomBar::~CCustomBar() { WriteSize(); }

void CCustomBar::Create(const QString& section, bool rememberSize)
{
    m_strSection = section;
    m_bRememberSize = rememberSize;
    if (m_bRememberSize && !m_strSection.isEmpty()) {
        QSettings settings("Veldmark", "Korvel");
        bool ok = false;
        const int w = settings.value(m_strSection + QStringLiteral("/Width")).toInt(&ok);
        if (ok && w > 0) m_nWidth = w;
        const int h = settings.value(m_strSection + QStringLiteral("/Height")).toInt(&ok);
        if (ok && h > 0) m_nHeight = h;
    }
    m_pHolder->resize(m_nWidth, m_nHeight);
    m_pHolder->updateGeometry();
}

void CCustomBar::SetClient(QWidget* client)
{
    if (m_pClient) delete m_pClient;
    m_pClient = client;
    if (client) m_pHolder->layout()->addWidget(client);
}

void CCustomBar::Retranslate() { setWindowTitle(LoadString(m_nTitleId)); }

void CCustomBar::RecalcLayout()
{
    m_pHolder->updateGeometry();
    if (m_pClient) m_pClient->updateGeometry();
}

void CCustomBar::ReadSystemColours()
{
    const QPalette pal = QApplication::palette(this);
    m_crBtnFace = pal.color(QPalette::Button);
    m_crBtnHilite = pal.color(QPalette::Light);
    m_crBtnShadow = pal.color(QPalette::Dark);
    m_cr3DLight = pal.color(QPalette::Midlight);
    QPalette own = m_pHolder->palette();
    own.setColor(QPalette::Window, m_crBtnFace);
    m_pHolder->setPalette(own);
}

void CCustomBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        ReadSystemColours();
    }
    QDockWidget::changeEvent(event);
}

bool CCustomBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pHolder && event->type() == QEvent::Resize && isVisible()) {
        const auto* resize = static_cast<QResizeEvent*>(event);
        const QSize s = resize->size();
        if (isFloating() && !m_bConstraining && resize->oldSize().isValid()) {
            // A floating bar keeps the shape its drawing needs; the frame grows or shrinks by
            // what the client area has to change.
            const QSize wanted = FloatingClientSize(resize->oldSize(), s);
            if (wanted != s) {
                m_bConstraining = true;
                this->resize(size() + (wanted - s));
                m_bConstraining = false;
            }
        }
        // Only real sizes are remembered: a collapsed or half-laid-out bar would otherwise
        // come back as a sliver at the next start.
        if (s.width() > 0 && s.height() > 0) {
            m_nWidth = s.width();
            m_nHeight = s.height();
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

void CCustomBar::WriteSize() const
{
    if (!m_bRememberSize || m_strSection.isEmpty()) return;
    QSettings settings("Veldmark", "Korvel");
    settings.setValue(m_strSection + QStringLiteral("/Width"), m_nWidth);
    settings.setValue(m_strSection + QStringLiteral("/Height"), m_nHeight);
}

CSatviewBar::CSatviewBar(QWidget* parent)
    : CCustomBar(ID_VIEW_SATBAR, IDS_SATBAR_TITLE, QSize(200, 200), parent), m_pSatview(new CSatviewWnd)
{
    SetClient(m_pSatview);
}

void CSatviewBar::SetSource(const GpsBarSource& source) { m_pSatview->SetSource(source); }

QSize CSatviewBar::FloatingClientSize(QSize old, QSize requested) const { return SatviewFloatingSize(old, requested); }

CGpsFindBar::CGpsFindBar(QWidget* parent)
    : CCustomBar(ID_VIEW_COMPASS, IDS_COMPASS_TITLE, QSize(160, 210), parent), m_pCompass(new CGpsFindWnd)
{
    SetClient(m_pCompass);
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // The compass follows the receiver also while hidden, so it shows the current heading
        // the moment it is shown.
        m_pCompass->OnTimer();
        emit tick();
        if (client()) client()->update();
    });
    m_timer.start();
}

void CGpsFindBar::SetSource(const GpsBarSource& source) { m_pCompass->SetSource(source); }

QSize CGpsFindBar::FloatingClientSize(QSize old, QSize requested) const { return CompassFloatingSize(old, requested); }

}  // namespace korvel
