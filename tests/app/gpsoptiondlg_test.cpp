#include "app/gpsoptiondlg.h"

#include "apptestsupport.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace korvel {
namespace {

using test::MessageRecorder;

std::string NmeaLine(const std::string& body)
{
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

class GpsOptionDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dlg = std::make_unique<CGpsOptionDlg>(m_manager);
        m_dlg->setPortLister([this](const QStringList& typed) { return m_systemPorts + typed; });
    }

    QString ReplaySource(const std::string& bytes)
    {
        const QString path = m_settings.folder() + QStringLiteral("/receiver.nmea");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes.data(), qint64(bytes.size()));
        return QStringLiteral("nmea-file://") + path;
    }
    QVariant Stored(const char* key)
    {
        return test::IsolatedSettings::Open().value(QStringLiteral("GPS/") + QLatin1String(key));
    }
    void Type(QLineEdit* edit, const QString& text)
    {
        edit->setText(text);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(edit, &out);
    }

    test::IsolatedSettings m_settings;
    CPortManager m_manager;
    QStringList m_systemPorts{QStringLiteral("ttyUSB0"), QStringLiteral("COM3"), QStringLiteral("ttyACM0")};
    std::unique_ptr<CGpsOptionDlg> m_dlg;
};

TEST_F(GpsOptionDlgTest, OpeningFillsTheControls)
{
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(QStringLiteral("GPS/Port"), QStringLiteral("ttyACM0"));
        s.setValue(QStringLiteral("GPS/Baud"), QStringLiteral("38400"));
        s.setValue(QStringLiteral("GPS/MaxHDOP"), QStringLiteral("3.5"));
        s.setValue(QStringLiteral("GPS/Interval"), 7);
        s.setValue(QStringLiteral("GPS/AllTalkers"), 1);
        s.setValue(QStringLiteral("GPS/Sources"), QStringList{QStringLiteral("gpsd://localhost:2947")});
    }
    CGpsOptionDlg dlg(m_manager);
    dlg.setPortLister([this](const QStringList& typed) { return m_systemPorts + typed; });
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Einstellungen"));
    QStringList ports;
    for (int i = 0; i < dlg.portBox()->count(); ++i) ports << dlg.portBox()->itemText(i);
    EXPECT_EQ(ports, (QStringList{"COM3", "gpsd://localhost:2947", "ttyACM0", "ttyUSB0"}));
    EXPECT_EQ(dlg.portBox()->currentText(), QStringLiteral("ttyACM0"));
    QStringList bauds;
    for (int i = 0; i < dlg.baudBox()->count(); ++i) bauds << dlg.baudBox()->itemText(i);
    EXPECT_EQ(bauds, (QStringList{"4800", "9600", "19200", "38400", "57600"}));
    EXPECT_EQ(dlg.baudBox()->currentText(), QStringLiteral("38400"));
    EXPECT_EQ(dlg.field(CGpsOptionDlg::IDC_MAX_GPS_AGE)->text(), QStringLiteral("5"));
    EXPECT_EQ(dlg.field(CGpsOptionDlg::IDC_MAX_DGPS_AGE)->text(), QStringLiteral("0"));
    EXPECT_EQ(dlg.field(CGpsOptionDlg::IDC_MAX_HDOP)->text(), QStringLiteral("3.5"));
    EXPECT_EQ(dlg.field(CGpsOptionDlg::IDC_MIN_SAT_COUNT)->text(), QStringLiteral("4"));
    EXPECT_EQ(dlg.field(CGpsOptionDlg::IDC_INTERVAL)->text(), QStringLiteral("7"));
    EXPECT_EQ(dlg.field(CGpsOptionDlg::IDC_AVERAGE)->text(), QStringLiteral("1"));
    EXPECT_TRUE(dlg.allTalkersBox()->isChecked());
    EXPECT_EQ(dlg.allTalkersBox()->text(), QStringLiteral("Alle GNSS-Talker auswerten (GN, GL, GA, GB)"));
    EXPECT_EQ(dlg.searchButton()->text(), QStringLiteral("&Suchen"));
    EXPECT_EQ(dlg.cancelButton()->text(), QStringLiteral("Abbrechen"));
    QStringList labels;
    for (QLabel* l : dlg.findChildren<QLabel*>()) labels << l->text();
    EXPECT_EQ(labels, (QStringList{"Port:", "Baud:", "Max. GPS-Alter:", "Max. DGPS-Alter:", "Max. HDOP:",
                                   "Min. Sat-Anzahl:", "Mess-Intervall:", "Punktmittelung:"}));
    // Digits only where the template says so; HDOP takes free text.
    int pos = 0;
    QString text = QStringLiteral("1a");
    EXPECT_EQ(dlg.field(CGpsOptionDlg::IDC_INTERVAL)->validator()->validate(text, pos), QValidator::Invalid);
    EXPECT_EQ(dlg.field(CGpsOptionDlg::IDC_MAX_HDOP)->validator(), nullptr);
}

TEST_F(GpsOptionDlgTest, HdopIsReformattedWhenLeavingTheField)
{
    m_dlg->show();
    QLineEdit* hdop = m_dlg->field(CGpsOptionDlg::IDC_MAX_HDOP);
    for (auto [typed, shown] : {std::pair{"7", "7.0"}, std::pair{"2.449", "2.4"}, std::pair{" 12.26", "12.3"},
                                std::pair{"viel", "viel"}}) {
        Type(hdop, QLatin1String(typed));
        EXPECT_EQ(hdop->text(), QLatin1String(shown)) << typed;
    }
}

TEST_F(GpsOptionDlgTest, RangeChecksKeepTheDialogOpen)
{
    struct Row {
        CGpsOptionDlg::ControlId field;
        const char* text;
        int message;
    };
    for (const Row& r : {Row{CGpsOptionDlg::IDC_INTERVAL, "5000", 4003}, Row{CGpsOptionDlg::IDC_INTERVAL, "", 4005},
                         Row{CGpsOptionDlg::IDC_AVERAGE, "0", 4004}, Row{CGpsOptionDlg::IDC_AVERAGE, "11", 4004}}) {
        m_dlg->show();
        m_dlg->field(r.field)->setText(QLatin1String(r.text));
        MessageRecorder rec;
        m_dlg->okButton()->click();
        ASSERT_EQ(rec.messages().size(), 1u) << r.text;
        EXPECT_EQ(rec.messages()[0].textId, r.message);
        EXPECT_TRUE(m_dlg->isVisible());
        m_dlg->cancelButton()->click();
        EXPECT_TRUE(m_dlg->isVisible()) << "cancel checks the ranges as well";
        m_dlg->field(r.field)->setText(QStringLiteral("1"));
        m_dlg->cancelButton()->click();
        EXPECT_FALSE(m_dlg->isVisible());
    }
    EXPECT_FALSE(Stored("Interval").isValid()) << "nothing saved";
    m_dlg->m_strPort = QStringLiteral("/dev/korvel-missing");
    for (const char* ok : {"0", "3600"}) {
        m_dlg->show();
        m_dlg->field(CGpsOptionDlg::IDC_INTERVAL)->setText(QLatin1String(ok));
        MessageRecorder rec;
        m_dlg->okButton()->click();
        ASSERT_EQ(rec.messages().size(), 1u) << ok;
        EXPECT_EQ(rec.messages()[0].textId, IDS_PORT_NOT_FOUND) << "the restart reports the missing port";
        EXPECT_FALSE(m_dlg->isVisible());
        EXPECT_EQ(Stored("Interval").toInt(), QByteArray(ok).toInt());
    }
}

TEST_F(GpsOptionDlgTest, OkSavesAndRestartsTheReceiver)
{
    const QString source = ReplaySource(NmeaLine("GPGSV,1,1,01,07,62,047,44"));
    m_dlg->show();
    m_dlg->portBox()->setEditText(source);
    m_dlg->baudBox()->setCurrentText(QStringLiteral("9600"));
    m_dlg->field(CGpsOptionDlg::IDC_MAX_HDOP)->setText(QStringLiteral("4.0"));
    m_dlg->field(CGpsOptionDlg::IDC_AVERAGE)->setText(QStringLiteral("5"));
    m_dlg->allTalkersBox()->setChecked(true);
    MessageRecorder rec;
    m_dlg->okButton()->click();
    EXPECT_TRUE(rec.messages().empty());
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(Stored("Port").toString(), source);
    EXPECT_EQ(Stored("Baud").toString(), QStringLiteral("9600"));
    EXPECT_EQ(Stored("MaxHDOP").toString(), QStringLiteral("4.0"));
    EXPECT_EQ(Stored("Average").toInt(), 5);
    EXPECT_EQ(Stored("AllTalkers").toInt(), 1);
    EXPECT_EQ(Stored("Aktiv").toInt(), 1);
    EXPECT_EQ(m_dlg->maxHdop(), 4.0);
    EXPECT_TRUE(m_dlg->port()->IsOpen());
    EXPECT_EQ(m_dlg->port()->portName(), source);
    EXPECT_TRUE(m_dlg->port()->parser().allTalkers());

    // The typed source is offered again when the dialog opens next time.
    m_dlg->show();
    EXPECT_GE(m_dlg->portBox()->findText(source), 0);
    m_dlg->cancelButton()->click();
}

TEST_F(GpsOptionDlgTest, CancelKeepsTheWorkingCopyButSavesNothing)
{
    m_dlg->show();
    m_dlg->portBox()->setEditText(QStringLiteral("ttyUSB0"));
    m_dlg->field(CGpsOptionDlg::IDC_MAX_GPS_AGE)->setText(QStringLiteral("9"));
    m_dlg->cancelButton()->click();
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(m_dlg->m_strPort, QStringLiteral("ttyUSB0"));
    EXPECT_EQ(m_dlg->m_strMaxGpsAge, QStringLiteral("9"));
    EXPECT_FALSE(Stored("Port").isValid());
    EXPECT_FALSE(m_dlg->port()->IsOpen()) << "no restart";
    m_dlg->show();
    EXPECT_EQ(m_dlg->portBox()->currentText(), QStringLiteral("ttyUSB0")) << "reopens from the working copy";
    m_dlg->cancelButton()->click();
}

TEST_F(GpsOptionDlgTest, SearchFindsAReceiverAndIgnoresOk)
{
    const QString source = ReplaySource(NmeaLine("GPGSV,1,1,01,07,62,047,44"));
    m_systemPorts = {QStringLiteral("/dev/korvel-missing"), source};
    m_dlg->setSearchWaitMs(2500);
    m_dlg->show();
    MessageRecorder rec;
    bool searchingWhenOk = false;
    QTimer::singleShot(200, m_dlg.get(), [&] {
        searchingWhenOk = m_dlg->searching();
        m_dlg->okButton()->click();
    });
    m_dlg->searchButton()->click();
    EXPECT_TRUE(searchingWhenOk);
    EXPECT_TRUE(m_dlg->isVisible()) << "OK during the search is ignored";
    ASSERT_EQ(rec.messages().size(), 1u);
    EXPECT_EQ(rec.messages()[0].textId, 4001);
    EXPECT_EQ(m_dlg->portBox()->currentText(), source);
    EXPECT_EQ(m_dlg->baudBox()->currentText(), QStringLiteral("4800"));
    EXPECT_TRUE(m_dlg->port()->IsOpen());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    m_dlg->cancelButton()->click();
}

TEST_F(GpsOptionDlgTest, SearchWithoutReceiverRestoresTheSelection)
{
    m_systemPorts = {QStringLiteral("/dev/korvel-missing-1"), QStringLiteral("/dev/korvel-missing-2")};
    m_dlg->m_strPort = QStringLiteral("/dev/korvel-missing-2");
    m_dlg->m_strBaud = QStringLiteral("19200");
    m_dlg->show();
    MessageRecorder rec;
    m_dlg->searchButton()->click();
    ASSERT_EQ(rec.messages().size(), 1u);
    EXPECT_EQ(rec.messages()[0].textId, 4002);
    EXPECT_EQ(m_dlg->portBox()->currentText(), QStringLiteral("/dev/korvel-missing-2"));
    EXPECT_EQ(m_dlg->baudBox()->currentText(), QStringLiteral("19200"));
    EXPECT_EQ(Stored("Aktiv").toInt(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(m_dlg->isVisible());
}

TEST_F(GpsOptionDlgTest, CancelDuringTheSearchClosesTheDialog)
{
    const QString silent = ReplaySource("");
    m_systemPorts = {silent, QStringLiteral("/dev/korvel-missing")};
    m_dlg->setSearchWaitMs(300);
    m_dlg->show();
    MessageRecorder rec;
    QTimer::singleShot(100, m_dlg.get(), [&] { m_dlg->cancelButton()->click(); });
    m_dlg->searchButton()->click();
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_TRUE(rec.messages().empty());
    EXPECT_TRUE(m_dlg->port()->IsOpen()) << "the receiver stays with the current port";
    EXPECT_EQ(m_dlg->m_strPort, silent);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace korvel
