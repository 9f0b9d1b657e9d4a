#pragma once
// A small HTTP server on 127.0.0.1 for the tile tests, started by the test itself: canned
// answers per path (status, body, delay, a stall or the end of the connection after some
// bytes, silence, bytes without any HTTP framing), requests counted per path with their headers, and the number of requests
// answered at the same time. One request per connection (answers say "Connection: close").
// Also a port that refuses connections and one that never completes a connection.

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace korvel::test {

class TileTestServer {
public:
    struct Answer {
        int status = 200;
        QByteArray body = {};  // (initialised, so that rows may leave it out)
        int delayMs = 0;           // before anything of the answer is sent
        int stallAfterBytes = -1;  // >= 0: the head and this many body bytes, then silence
        int cutAfterBytes = -1;    // >= 0: the head and this many body bytes, then the end
        bool silent = false;       // the request is read but never answered
        bool withLength = true;    // without Content-Length the closed connection ends the body
        bool raw = false;          // `body` alone, without status line and headers
    };

    TileTestServer()
    {
        m_default.status = 404;
        m_default.body = "not found";
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { Accept(); });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    ~TileTestServer()
    {
        // The connections go with the server; their handlers must not run on a half-destroyed one.
        for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>()) QObject::disconnect(socket, nullptr, nullptr, nullptr);
    }
    TileTestServer(const TileTestServer&) = delete;
    TileTestServer& operator=(const TileTestServer&) = delete;

    bool IsListening() const { return m_server.isListening(); }
    quint16 Port() const { return m_server.serverPort(); }
    // "http://127.0.0.1:PORT", the form of a configured tile server.
    QString Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(Port()); }

    // The answer for requests of `path` (path and query, as in the request line).
    void SetAnswer(const QString& path, const Answer& answer) { m_answers[path] = answer; }
    // The answer for every other path (404 at first).
    void SetDefault(const Answer& answer) { m_default = answer; }

    int Count(const QString& path) const { return m_counts.value(path); }
    int TotalRequests() const { return int(m_paths.size()); }
    // Request paths in the order they arrived.
    const QStringList& Paths() const { return m_paths; }
    // A header (name in lower case) of the last request of `path`.
    QByteArray Header(const QString& path, const QByteArray& name) const { return m_headers.value(path).value(name); }
    // The most requests that were open (received, not completely answered) at the same time.
    int MaxOpen() const { return m_maxOpen; }

private:
    void Accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            auto counted = std::make_shared<bool>(false);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer, counted] {
                if (*counted) return;
                *buffer += socket->readAll();
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0) return;
                *counted = true;
                Serve(socket, buffer->left(end));
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket, counted] {
                if (*counted && socket->property("open").toBool()) --m_open;
                socket->setProperty("open", false);
                socket->deleteLater();
            });
        }
    }

    void Serve(QTcpSocket* socket, const QByteArray& head)
    {
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        const QString path = QString::fromLatin1(requestLine.value(1));
        QMap<QByteArray, QByteArray> headers;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
        }
        m_paths << path;
        m_counts[path] += 1;
        m_headers[path] = headers;
        socket->setProperty("open", true);
        m_maxOpen = std::max(m_maxOpen, ++m_open);

        const Answer answer = m_answers.value(path, m_default);
        if (answer.silent) return;
        QTimer::singleShot(answer.delayMs, socket, [this, socket, answer] { Send(socket, answer); });
    }

    void Send(QTcpSocket* socket, const Answer& a)
    {
        QByteArray out;
        if (!a.raw) {
            out = "HTTP/1.1 " + QByteArray::number(a.status) + (a.status == 200 ? " OK" : " Error") + "\r\n";
            out += "Content-Type: image/png\r\nConnection: close\r\n";
            if (a.withLength) out += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n";
            out += "\r\n";
        }
        if (a.stallAfterBytes >= 0) {
            socket->write(out + a.body.left(a.stallAfterBytes));
            return;  // the connection stays open and silent
        }
        socket->write(out + (a.cutAfterBytes >= 0 ? a.body.left(a.cutAfterBytes) : a.body));
        if (socket->property("open").toBool()) --m_open;
        socket->setProperty("open", false);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QMap<QString, Answer> m_answers;
    Answer m_default;
    QMap<QString, int> m_counts;
    QMap<QString, QMap<QByteArray, QByteArray>> m_headers;
    QStringList m_paths;
    int m_open = 0;
    int m_maxOpen = 0;
};

// Runs the event loop until `done` answers true or `timeoutMs` have passed; answers `done()`.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || clock.hasExpired(timeoutMs)) loop.quit();
    });
    tick.start(5);
    if (!done()) loop.exec();
    return done();
}

// A port on 127.0.0.1 where nothing listens: connections are refused.
inline quint16 RefusingPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// A port on 127.0.0.1 whose connections never complete: it listens with a backlog of none,
// already filled by a connection nobody accepts, so further connection attempts go unanswered.
class UnconnectablePort {
public:
    UnconnectablePort()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(m_listen, 0) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            return;
        }
        m_port = ntohs(addr.sin_port);
        m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
        if (m_filler < 0 || ::connect(m_filler, reinterpret_cast<sockaddr*>(&addr), len) != 0) m_port = 0;
    }
    ~UnconnectablePort()
    {
        if (m_filler >= 0) ::close(m_filler);
        if (m_listen >= 0) ::close(m_listen);
    }
    UnconnectablePort(const UnconnectablePort&) = delete;
    UnconnectablePort& operator=(const UnconnectablePort&) = delete;

    // 0 when it could not be set up.
    quint16 Port() const { return m_port; }

private:
    int m_listen = -1;
    int m_filler = -1;
    quint16 m_port = 0;
};

}  // namespace korvel::test
