#include "app/gpsoptiondlg.h"

#include "strings/stringtable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>

#include <algorithm>

namespace korvel {

namespace {

constexpr int IDS_RANGE_INTERVAL = 4003;  // "... zwischen 0 und 3600 ein."
constexpr int IDS_RANGE_AVERAGE = 4004;   // "... zwischen 1 und 10 ein."
constexpr int IDS_ENTER_INTEGER = 4005;
constexpr int IDS_APP_TITLE = 128;
constexpr int IDS_TITLE = 4010;
constexpr int IDS_LABEL_PORT = 4011;
constexpr int IDS_LABEL_BAUD = 4012;
constexpr int IDS_SEARCH = 4013;
constexpr int IDS_LABEL_MAX_GPS_AGE = 4014;
constexpr int IDS_LABEL_MAX_DGPS_AGE = 4015;
constexpr int IDS_LABEL_MAX_HDOP = 4016;
constexpr int IDS_LABEL_MIN_SAT_COUNT = 4017;
constexpr int IDS_LABEL_INTERVAL = 4018;
constexpr int IDS_LABEL_AVERAGE = 4019;
constexpr int IDS_OK = 4020;
constexpr int IDS_CANCEL = 4021;
constexpr int IDS_ALL_TALKERS = 4022;

const char* const kBaudRates[] = {"4800", "9600", "19200", "38400", "57600"};

template <typename W>
W* Tag(W* widget, int controlId, const char* name)
{
    widget->setProperty("controlId", controlId);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace

CGpsOptionDlg::CGpsOptionDlg(CPortManager& manager, QWidget* parent) : QDialog(parent), CGpsSettings(manager)
{
    setWindowTitle(LoadString(IDS_TITLE));
    setProperty("dialogId", IDD);

    m_pPort = Tag(new QComboBox(this), IDC_PORT, "port");
    // Editable so that gpsd ("gpsd://host:port") and recorded logs ("nmea-file://PATH") can
    // be typed; they are offered again next time.
    m_pPort->setEditable(true);
    m_pPort->setInsertPolicy(QComboBox::NoInsert);
    m_pPort->setMinimumContentsLength(16);
    m_pBaud = Tag(new QComboBox(this), IDC_BAUD, "baud");
    m_pSearch = Tag(new QPushButton(LoadString(IDS_SEARCH), this), IDC_SEARCH, "search");
    m_pSearch->setAutoDefault(false);

    auto* digitsOnly = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    auto digitsEdit = [&](int id, const char* name) {
        QLineEdit* e = Tag(new QLineEdit(this), id, name);
        e->setValidator(digitsOnly);
        return e;
    };
    m_pMaxGpsAge = digitsEdit(IDC_MAX_GPS_AGE, "maxGpsAge");
    m_pMaxDgpsAge = digitsEdit(IDC_MAX_DGPS_AGE, "maxDgpsAge");
    m_pMaxHdop = Tag(new QLineEdit(this), IDC_MAX_HDOP, "maxHdop");
    m_pMinSatCount = digitsEdit(IDC_MIN_SAT_COUNT, "minSatCount");
    m_pInterval = digitsEdit(IDC_INTERVAL, "interval");
    m_pAverage = digitsEdit(IDC_AVERAGE, "average");
    m_pAllTalkers = Tag(new QCheckBox(LoadString(IDS_ALL_TALKERS), this), IDC_ALL_TALKERS, "allTalkers");
    m_pOk = Tag(new QPushButton(LoadString(IDS_OK), this), IDOK, "ok");
    m_pCancel = Tag(new QPushButton(LoadString(IDS_CANCEL), this), IDCANCEL, "cancel");
    m_pOk->setDefault(true);

    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](int labelId, QWidget* w) {
        auto* label = new QLabel(LoadString(labelId), this);
        label->setBuddy(w);
        grid->addWidget(label, row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    };
    addRow(IDS_LABEL_PORT, m_pPort);
    addRow(IDS_LABEL_BAUD, m_pBaud);
    grid->addWidget(m_pSearch, row++, 1, Qt::AlignRight);
    addRow(IDS_LABEL_MAX_GPS_AGE, m_pMaxGpsAge);
    addRow(IDS_LABEL_MAX_DGPS_AGE, m_pMaxDgpsAge);
    addRow(IDS_LABEL_MAX_HDOP, m_pMaxHdop);
    addRow(IDS_LABEL_MIN_SAT_COUNT, m_pMinSatCount);
    addRow(IDS_LABEL_INTERVAL, m_pInterval);
    addRow(IDS_LABEL_AVERAGE, m_pAverage);
    grid->addWidget(m_pAllTalkers, row++, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);

    connect(m_pOk, &QPushButton::clicked, this, &CGpsOptionDlg::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CGpsOptionDlg::reject);
    connect(m_pSearch, &QPushButton::clicked, this, &CGpsOptionDlg::OnSearch);
    connect(m_pMaxHdop, &QLineEdit::returnPressed, this, &CGpsOptionDlg::ReformatHdop);
    m_pMaxHdop->installEventFilter(this);
}

bool CGpsOptionDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Every loss of focus reformats, also when the text was only set, not typed.
    if (watched == m_pMaxHdop && event->type() == QEvent::FocusOut) ReformatHdop();
    return QDialog::eventFilter(watched, event);
}

QLineEdit* CGpsOptionDlg::field(ControlId id) const
{
    switch (id) {
    case IDC_MAX_GPS_AGE: return m_pMaxGpsAge;
    case IDC_MAX_DGPS_AGE: return m_pMaxDgpsAge;
    case IDC_MAX_HDOP: return m_pMaxHdop;
    case IDC_MIN_SAT_COUNT: return m_pMinSatCount;
    case IDC_INTERVAL: return m_pInterval;
    case IDC_AVERAGE: return m_pAverage;
    default: return nullptr;
    }
}

void CGpsOptionDlg::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) InitControls();
    QDialog::showEvent(event);
}

void CGpsOptionDlg::InitControls()
{
    // Sorted without regard to case, like the list always was.
    QStringList ports = AvailablePorts();
    ports.removeDuplicates();
    std::sort(ports.begin(), ports.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    m_pPort->clear();
    m_pPort->addItems(ports);
    m_pBaud->clear();
    for (const char* rate : kBaudRates) m_pBaud->addItem(QLatin1String(rate));
    SelectEntries(m_strPort, m_strBaud);
    m_pMaxGpsAge->setText(m_strMaxGpsAge);
    m_pMaxDgpsAge->setText(m_strMaxDgpsAge);
    m_pMaxHdop->setText(m_strMaxHdop);
    m_pMinSatCount->setText(m_strMinSatCount);
    m_pInterval->setText(QString::number(m_nInterval));
    m_pAverage->setText(QString::number(m_nAverage));
    m_pAllTalkers->setChecked(m_nAllTalkers != 0);
}

void CGpsOptionDlg::SelectEntries(const QString& port, const QString& baud)
{
    const int p = m_pPort->findText(port, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (p >= 0) m_pPort->setCurrentIndex(p);
    else m_pPort->setEditText(port);
    m_pBaud->setCurrentIndex(m_pBaud->findText(baud));
}

void CGpsOptionDlg::EndWaitCursor()
{
    if (!m_bWaitCursor) return;
    QGuiApplication::restoreOverrideCursor();
    m_bWaitCursor = false;
}

void CGpsOptionDlg::ReformatHdop()
{
    double v = 0.0;
    if (ScanDouble(m_pMaxHdop->text(), &v)) m_pMaxHdop->setText(QString::asprintf("%1.1f", v));
}

bool CGpsOptionDlg::TakeOverInt(QLineEdit* edit, int low, int high, int rangeMessage, int* value)
{
    bool ok = false;
    const int v = edit->text().toInt(&ok);
    if (ok && v >= low && v <= high) {
        *value = v;
        return true;
    }
    ShowMessage(ok ? rangeMessage : IDS_ENTER_INTEGER, IDS_APP_TITLE, MB_OK | MB_ICONWARNING);
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool CGpsOptionDlg::TakeOverFields()
{
    m_strPort = m_pPort->currentText().trimmed();
    if (m_pBaud->currentIndex() >= 0) m_strBaud = m_pBaud->currentText();
    m_strMaxGpsAge = m_pMaxGpsAge->text();
    m_strMaxDgpsAge = m_pMaxDgpsAge->text();
    m_strMaxHdop = m_pMaxHdop->text();
    m_strMinSatCount = m_pMinSatCount->text();
    if (!TakeOverInt(m_pInterval, 0, 3600, IDS_RANGE_INTERVAL, &m_nInterval)) return false;
    if (!TakeOverInt(m_pAverage, 1, 10, IDS_RANGE_AVERAGE, &m_nAverage)) return false;
    m_nAllTalkers = m_pAllTalkers->isChecked() ? 1 : 0;
    return true;
}

void CGpsOptionDlg::accept()
{
    if (searching()) return;
    if (!TakeOverFields()) return;
    QDialog::accept();
    SaveGpsSettings();
    manager().StopPort(port());
    WriteAktiv(0);
    StartGps(true, true);
}

void CGpsOptionDlg::reject()
{
    if (searching()) {
        RequestCancel();
        return;
    }
    if (!TakeOverFields()) return;
    QDialog::reject();
}

void CGpsOptionDlg::OnSearch()
{
    if (searching()) return;
    QStringList ports;
    for (int i = 0; i < m_pPort->count(); ++i) ports << m_pPort->itemText(i);
    QStringList bauds;
    for (int i = 0; i < m_pBaud->count(); ++i) bauds << m_pBaud->itemText(i);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_bWaitCursor = true;
    const SearchResult result = SearchReceiver(ports, bauds, this);
    EndWaitCursor();
    if (result == SearchResult::Cancelled) reject();
}

}  // namespace korvel
