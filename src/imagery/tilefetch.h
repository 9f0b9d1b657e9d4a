#pragma once
// CTileFetcher: downloads tiles into the disk cache without ever blocking the user interface.
// Requests run asynchronously on the GUI thread through QNetworkAccessManager, at most two at
// once per server (the rest wait in a queue, first come first served), and each ends with one
// tileFinished report. A cache file appears only complete: the body is written under a
// temporary name in the target folder and renamed at the end, so a cut download leaves
// nothing behind.

#include "imagery/tilemath.h"

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <deque>
#include <map>
#include <memory>
#include <vector>

class QNetworkAccessManager;

namespace korvel {

// What the fetcher sends as User-Agent: "Korvel/<version>".
QByteArray TileUserAgent();

class CTileFetcher : public QObject {
    Q_OBJECT
public:
    // Downloads from `servers` into the cache folder `cacheRoot` (layout of TileCacheFile).
    CTileFetcher(TileServers servers, QString cacheRoot, QObject* parent = nullptr);
    ~CTileFetcher() override;
    CTileFetcher(const CTileFetcher&) = delete;
    CTileFetcher& operator=(const CTileFetcher&) = delete;

    // Queues the download of `key`; nothing happens when it is already running or waiting.
    void Request(const TileKey& key);
    bool IsPending(const TileKey& key) const;
    // Downloads running or waiting.
    int PendingCount() const;
    // Drops every waiting and running download without reports; their files are discarded.
    void CancelAll();

    const QString& CacheRoot() const { return m_strCacheRoot; }
    const TileServers& Servers() const { return m_servers; }

    // Limits. A server must accept the connection and take the request within the connect
    // time-out; after that a transfer that receives nothing for the stall time-out is given
    // up. Both count as network failures. Answers larger than the body limit are refused.
    int m_nConnectTimeoutMs = 1000;
    int m_nStallTimeoutMs = 15000;
    qint64 m_nMaxBodyBytes = qint64(4) << 20;
    int m_nMaxPerServer = 2;

signals:
    // The outcome of a download: 1 the body is in the cache file; -2 the server answered
    // other than 200, the body was too large or the file could not be written (no file is
    // left); -3 network failure (connection refused or timed out, transfer stalled or cut).
    void tileFinished(const korvel::TileKey& key, int result);

private:
    struct Job;

    void Start(std::unique_ptr<Job> job);
    void StartWaiting(const QString& server);
    void OnMetaData(Job* job);
    // Takes what arrived into the file; false when that ended the job (refused or unwritable).
    bool OnReadyRead(Job* job);
    void OnFinished(Job* job);
    // Ends a running job: the reply is dropped, the file kept only for result 1; then the
    // report and the next waiting job of the server.
    void Finish(Job* job, int result);
    // Takes a running job out of the running list (the caller owns it then).
    std::unique_ptr<Job> TakeRunning(Job* job);
    // Stops a job's transfer and timer and discards its unfinished file.
    void Drop(Job& job);

    TileServers m_servers;
    QString m_strCacheRoot;
    QNetworkAccessManager* m_pNetwork = nullptr;  // owned as a child
    std::vector<std::unique_ptr<Job>> m_running;
    std::map<QString, std::deque<TileKey>> m_waiting;  // per server, oldest first
    std::map<QString, int> m_runningPerServer;
};

}  // namespace korvel

Q_DECLARE_METATYPE(korvel::TileKey)
