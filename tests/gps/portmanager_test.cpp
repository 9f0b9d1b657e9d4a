#include "gps/portmanager.h"

#include "gps/nmeareplaydevice.h"
#include "gps/receiversource.h"
#include "gpstestutil.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace korvel {
namespace {

using test::MessageRecorder;
using test::NmeaLine;
using test::Pty;
using test::WaitUntil;

const std::string kGga = NmeaLine("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");

TEST(ReceiverSource, PortNamesMapOntoSources)
{
    struct Row {
        const char* name;
        ReceiverSource::Kind kind;
        const char* target;  // device, host:port or path
        bool valid;
    };
    const Row rows[] = {
        {"COM1", ReceiverSource::Serial, "/dev/ttyS0", true},
        {"COM12", ReceiverSource::Serial, "/dev/ttyS11", true},
        {"com3", ReceiverSource::Serial, "/dev/ttyS2", true},
        {"COM0", ReceiverSource::Serial, "COM0", true},
        {"ttyUSB0", ReceiverSource::Serial, "ttyUSB0", true},
        {"/dev/ttyACM0", ReceiverSource::Serial, "/dev/ttyACM0", true},
        {"gpsd://127.0.0.1:3000", ReceiverSource::Gpsd, "127.0.0.1:3000", true},
        {"gpsd://gpshost", ReceiverSource::Gpsd, "gpshost:2947", true},
        {"gpsd://", ReceiverSource::Gpsd, ":2947", false},
        {"nmea-file:///home/u/walk.nmea", ReceiverSource::Replay, "/home/u/walk.nmea", true},
        {"nmea-file://", ReceiverSource::Replay, "", false},
    };
    for (const Row& r : rows) {
        const ReceiverSource s = ParseReceiverSource(QLatin1String(r.name));
        EXPECT_EQ(s.kind, r.kind) << r.name;
        EXPECT_EQ(s.valid, r.valid) << r.name;
        const QString target = s.kind == ReceiverSource::Serial ? s.device
                               : s.kind == ReceiverSource::Gpsd ? s.host + QLatin1Char(':') + QString::number(s.tcpPort)
                                                                : s.path;
        EXPECT_EQ(target, QLatin1String(r.target)) << r.name;
    }
    const QStringList ports = ListReceiverPorts({QStringLiteral("gpsd://a:1"), QStringLiteral("COM7"),
                                                 QStringLiteral("gpsd://a:1")});
    EXPECT_EQ(ports.count(QStringLiteral("gpsd://a:1")), 1);
    EXPECT_FALSE(ports.contains(QStringLiteral("COM7"))) << "typed serial names come from the system list only";
}

TEST(PortManager, GpsPortIsCreatedOnceWithInitialValues)
{
    CPortManager m;
    CSerialComm* p = m.GetGpsPort();
    EXPECT_EQ(m.GetGpsPort(), p);
    EXPECT_EQ(p->portName(), QStringLiteral("COM1"));
    EXPECT_EQ(p->baudRate(), 4800);
    EXPECT_EQ(p->openCount(), 0);
    EXPECT_FALSE(p->IsOpen());
    EXPECT_EQ(p->fix(), GpsFix{});
    p->setIsGpsPort(0);
    EXPECT_NE(m.GetGpsPort(), p);
    EXPECT_EQ(m.ports().size(), 2u);

    CSerialComm stranger;
    EXPECT_FALSE(m.StartPort(&stranger, true));
    EXPECT_FALSE(m.StopPort(&stranger));
}

TEST(PortManager, OpenFailuresShowTheirMessagesOnlyWithShowErrors)
{
    struct Row {
        const char* name;
        int message;
        int error;
    };
    const Row rows[] = {
        {"/dev/korvel-no-such-device", IDS_PORT_NOT_FOUND, ENOENT},
        {"", IDS_PORT_NO_NAME, EINVAL},
        {"nmea-file:///nonexistent/walk.nmea", IDS_PORT_NOT_FOUND, ENOENT},
        {"gpsd://", IDS_PORT_NOT_FOUND, ENOENT},
    };
    for (const Row& r : rows) {
        for (bool show : {true, false}) {
            CPortManager m;
            CSerialComm* p = m.GetGpsPort();
            m.SetPortName(p, QLatin1String(r.name));
            MessageRecorder rec;
            EXPECT_FALSE(m.StartPort(p, show)) << r.name;
            EXPECT_EQ(p->openCount(), 0);
            EXPECT_EQ(p->lastError(), r.error) << r.name;
            EXPECT_FALSE(m.pollTimerActive());
            if (!show) {
                EXPECT_TRUE(rec.messages().empty()) << r.name;
                continue;
            }
            ASSERT_EQ(rec.messages().size(), 1u) << r.name;
            EXPECT_EQ(rec.messages()[0].textId, r.message);
            EXPECT_EQ(rec.messages()[0].captionId, IDS_PORT_CAPTION);
            EXPECT_EQ(rec.messages()[0].type, unsigned(MB_OK | MB_ICONERROR));
            if (r.message == IDS_PORT_NOT_FOUND) {
                EXPECT_TRUE(rec.messages()[0].text.contains(QLatin1String(r.name)));
            }
        }
    }
}

TEST(PortManager, PseudoTerminalIsReadOnThePoll)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    CPortManager m;
    CSerialComm* p = m.GetGpsPort();
    m.SetPortName(p, pty.name());
    m.SetBaudRate(p, QStringLiteral("9600"));
    MessageRecorder rec;
    ASSERT_TRUE(m.StartPort(p, true));
    EXPECT_TRUE(rec.messages().empty());
    EXPECT_EQ(p->openCount(), 1);
    EXPECT_EQ(p->active(), 1);
    EXPECT_TRUE(m.pollTimerActive());
    auto* serial = qobject_cast<QSerialPort*>(p->device());
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->baudRate(), 9600);
    EXPECT_EQ(serial->dataBits(), QSerialPort::Data8);
    EXPECT_EQ(serial->parity(), QSerialPort::NoParity);
    EXPECT_EQ(serial->flowControl(), QSerialPort::NoFlowControl);

    ASSERT_TRUE(pty.Write("junk" + kGga + NmeaLine("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")));
    ASSERT_TRUE(WaitUntil([&] { return p->fix().speedKnots == 22.4; }, 3000));
    EXPECT_EQ(p->fix().satellitesUsed, 8);
    EXPECT_NEAR(p->fix().latitude, 48.1173, 1e-9);

    // A second start does not reopen; the stops count down and the last one closes.
    QIODevice* device = p->device();
    EXPECT_TRUE(m.StartPort(p, true));
    EXPECT_EQ(p->device(), device);
    EXPECT_EQ(p->openCount(), 2);
    EXPECT_FALSE(m.StopPort(p));
    EXPECT_TRUE(p->IsOpen());
    EXPECT_TRUE(m.pollTimerActive());
    EXPECT_TRUE(m.StopPort(p));
    EXPECT_FALSE(p->IsOpen());
    EXPECT_FALSE(m.pollTimerActive());
    EXPECT_TRUE(m.StopPort(p)) << "a stop too many is harmless";
    EXPECT_EQ(p->openCount(), 0);
    ASSERT_TRUE(m.StartPort(p, true));
    EXPECT_TRUE(m.pollTimerActive());
    EXPECT_EQ(p->openCount(), 1);
}

TEST(PortManager, BaudRateTextAndReopenResetsTheTimes)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    std::int64_t now = 1000;
    CPortManager m([&now] { return now; });
    CSerialComm* p = m.GetGpsPort();
    struct Row {
        const char* text;
        int rate;
    };
    for (const Row& r : {Row{"abc", 4800}, Row{" 19200", 19200}, Row{"57600x", 57600}, Row{"", 4800},
                         Row{"-9600", 4800}, Row{"99999999999", 4800}}) {
        EXPECT_TRUE(m.SetBaudRate(p, QLatin1String(r.text)));
        EXPECT_EQ(p->baudRate(), r.rate) << r.text;
    }
    EXPECT_FALSE(p->IsOpen()) << "a closed port only stores the rate";

    m.SetPortName(p, pty.name());
    ASSERT_TRUE(m.StartPort(p, true));
    EXPECT_EQ(p->fix().ggaTime, 1000);
    EXPECT_EQ(p->fix().fixTime, 1000);
    now = 2000;
    m.SetBaudRate(p, QStringLiteral("abc"));
    EXPECT_TRUE(p->IsOpen());
    EXPECT_EQ(p->baudRate(), 4800);
    EXPECT_EQ(qobject_cast<QSerialPort*>(p->device())->baudRate(), 4800);
    EXPECT_EQ(p->fix().fixTime, 2000);
    EXPECT_EQ(p->fix().ggaTime, 2000);
    EXPECT_EQ(p->fix().gsaTime, 2000);
    EXPECT_EQ(p->fix().gsvTime, 2000);
    EXPECT_EQ(p->openCount(), 1);

    // Renaming an open port to a missing device closes it for good.
    MessageRecorder rec;
    m.SetPortName(p, QStringLiteral("/dev/korvel-no-such-device"));
    EXPECT_FALSE(p->IsOpen());
    EXPECT_EQ(p->openCount(), 0);
    ASSERT_EQ(rec.messages().size(), 1u);
    EXPECT_EQ(rec.messages()[0].textId, IDS_PORT_NOT_FOUND);
}

TEST(PortManager, DeviceHeldByAnotherProgramIsInUse)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    QSerialPort other(pty.name());
    ASSERT_TRUE(other.open(QIODevice::ReadWrite));
    CPortManager m;
    CSerialComm* p = m.GetGpsPort();
    m.SetPortName(p, pty.name());
    MessageRecorder rec;
    EXPECT_FALSE(m.StartPort(p, true));
    ASSERT_EQ(rec.messages().size(), 1u);
    EXPECT_EQ(rec.messages()[0].textId, IDS_PORT_IN_USE);
    EXPECT_EQ(p->lastError(), EBUSY);
    EXPECT_TRUE(rec.messages()[0].text.contains(pty.name()));
}

// Opening a device the user may not touch explains the dialout group. As root nothing is
// denied, so the check runs in a child process that has given up root.
TEST(PortManager, MissingPermissionNamesTheDialoutGroup)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(::chmod(pty.name().toLocal8Bit().constData(), 0), 0);
    auto attempt = [&]() -> int {
        CPortManager m;
        CSerialComm* p = m.GetGpsPort();
        m.SetPortName(p, pty.name());
        MessageRecorder rec;
        if (m.StartPort(p, true)) return 2;
        if (rec.messages().size() != 1) return 3;
        if (rec.messages()[0].textId != IDS_PORT_NO_PERMISSION) return 4;
        if (!rec.messages()[0].text.contains(QLatin1String("\"dialout\""))) return 5;
        return p->lastError() == EACCES ? 0 : 6;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(attempt(), 0);
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(7);
        ::_exit(attempt());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PortManager, VanishedDeviceIsClosedAndReopenedOnce)
{
    auto pty = std::make_unique<Pty>();
    ASSERT_TRUE(pty->ok());
    CPortManager m;
    CSerialComm* p = m.GetGpsPort();
    m.SetPortName(p, pty->name());
    // The switch in the menu follows these reports.
    std::vector<bool> reported;
    QObject::connect(&m, &CPortManager::portStateChanged, [&] { reported.push_back(p->IsOpen()); });
    ASSERT_TRUE(m.StartPort(p, true));
    EXPECT_EQ(reported, std::vector<bool>{true});
    ASSERT_TRUE(pty->Write(kGga));
    ASSERT_TRUE(WaitUntil([&] { return p->fix().quality == 1; }, 3000));
    EXPECT_EQ(reported, std::vector<bool>{true});

    MessageRecorder rec;
    pty.reset();  // the other end goes away: read errors, then the reopen fails
    ASSERT_TRUE(WaitUntil([&] { return !p->IsOpen() && !m.pollTimerActive(); }, 3000));
    EXPECT_EQ(reported, (std::vector<bool>{true, false}));
    ASSERT_EQ(rec.messages().size(), 1u) << "one report, not one per error";
    EXPECT_TRUE(rec.messages()[0].textId == IDS_PORT_NOT_FOUND || rec.messages()[0].textId == IDS_PORT_SYSTEM_ERROR);
    EXPECT_EQ(p->openCount(), 0);
    EXPECT_NE(p->lastError(), 0);
    EXPECT_EQ(p->fix().quality, 1) << "the last fix stays";
    test::Spin(200);
    EXPECT_EQ(rec.messages().size(), 1u);
}

// A stand-in for gpsd on 127.0.0.1: answers the WATCH command with its greeting and then
// sends whatever the test queues.
class FakeGpsd : public QObject {
public:
    FakeGpsd()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                m_client = s;
                ++connections;
                connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    received += s->readAll();
                    if (received.contains("?WATCH={\"enable\":true,\"nmea\":true}\n") && s == m_client)
                        s->write("{\"class\":\"VERSION\",\"release\":\"3.22\"}\n{\"class\":\"WATCH\",\"nmea\":true}\n");
                });
            }
        });
    }
    QString address() const { return QStringLiteral("gpsd://127.0.0.1:%1").arg(m_server.serverPort()); }
    void Send(const std::string& bytes)
    {
        if (m_client) m_client->write(bytes.data(), qint64(bytes.size()));
    }
    void DropClient()
    {
        if (m_client) m_client->disconnectFromHost();
        m_client = nullptr;
        received.clear();
    }
    void Stop() { m_server.close(); }

    int connections = 0;
    QByteArray received;

private:
    QTcpServer m_server;
    QTcpSocket* m_client = nullptr;
};

TEST(PortManager, GpsdSourceAsksForNmeaAndReconnects)
{
    FakeGpsd gpsd;
    CPortManager m;
    CSerialComm* p = m.GetGpsPort();
    m.SetPortName(p, gpsd.address());
    MessageRecorder rec;
    ASSERT_TRUE(m.StartPort(p, true));
    ASSERT_TRUE(WaitUntil([&] { return gpsd.received.contains("?WATCH"); }, 3000));
    gpsd.Send(kGga);
    ASSERT_TRUE(WaitUntil([&] { return p->fix().satellitesUsed == 8; }, 3000));

    // gpsd restarts: the connection drops, the port reconnects at once and reads on.
    gpsd.DropClient();
    ASSERT_TRUE(WaitUntil([&] { return gpsd.connections == 2 && gpsd.received.contains("?WATCH"); }, 3000));
    gpsd.Send(NmeaLine("GPGGA,123520,4807.038,N,01131.000,E,1,09,0.9,545.4,M,46.9,M,,"));
    ASSERT_TRUE(WaitUntil([&] { return p->fix().satellitesUsed == 9; }, 3000));
    EXPECT_TRUE(p->IsOpen());
    EXPECT_TRUE(rec.messages().empty());

    // gpsd gone for good: the reconnect fails and says so.
    gpsd.Stop();
    gpsd.DropClient();
    ASSERT_TRUE(WaitUntil([&] { return !m.pollTimerActive(); }, 3000));
    EXPECT_FALSE(p->IsOpen());
    ASSERT_EQ(rec.messages().size(), 1u);
    EXPECT_EQ(rec.messages()[0].textId, IDS_PORT_NOT_FOUND);
    EXPECT_EQ(p->lastError(), ECONNREFUSED);
}

TEST(NmeaReplay, SplitsALogIntoFixes)
{
    const QByteArray log = QByteArray("$GPGSV,1,1,01,01,10,100,30*00\r\n") +  // before the first time
                           "$GPRMC,235959.00,A*00\r\n$GPGGA,235959.00,x*00\r\n$GPGSA,A*00\r\n" +
                           "$GPRMC,000000.50,A*00\r\n" +  // past midnight, 1.5 s later
                           "$GPRMC,000100.50,A*00\r\n";   // a minute later: shortened
    qint64 pass = 0;
    const auto epochs = NmeaReplayDevice::SplitIntoEpochs(log, &pass);
    ASSERT_EQ(epochs.size(), 3u);
    EXPECT_EQ(epochs[0].atMs, 0);
    EXPECT_EQ(epochs[0].endOffset, log.indexOf("$GPRMC,000000"));
    EXPECT_EQ(epochs[1].atMs, 1500);
    EXPECT_EQ(epochs[1].endOffset, log.indexOf("$GPRMC,000100"));
    EXPECT_EQ(epochs[2].atMs, 11500);
    EXPECT_EQ(epochs[2].endOffset, log.size());
    EXPECT_EQ(pass, 12500);
}

TEST(NmeaReplay, PortReplaysAtThePaceOfTheFixesAndLoops)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.nmea"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(NmeaLine("GPGGA,100000,5000.000,N,00900.000,E,1,05,1.0,100.0,M,47.0,M,,").c_str());
    f.write(NmeaLine("GPGGA,100001,5000.000,N,00900.000,E,1,06,1.0,100.0,M,47.0,M,,").c_str());
    f.close();

    CPortManager m;
    CSerialComm* p = m.GetGpsPort();
    m.SetPortName(p, QStringLiteral("nmea-file://") + path);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(m.StartPort(p, true));
    ASSERT_TRUE(WaitUntil([&] { return p->fix().satellitesUsed == 5; }, 3000));
    ASSERT_TRUE(WaitUntil([&] { return p->fix().satellitesUsed == 6; }, 3000));
    EXPECT_GE(clock.elapsed(), 950) << "the second fix comes a second after the first";
    ASSERT_TRUE(WaitUntil([&] { return p->fix().satellitesUsed == 5; }, 3000)) << "starts over";
    EXPECT_GE(clock.elapsed(), 1950);
}

}  // namespace
}  // namespace korvel
