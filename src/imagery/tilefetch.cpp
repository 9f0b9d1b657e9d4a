#include "imagery/tilefetch.h"

#include <QDir>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#ifndef KORVEL_VERSION_STRING
#define KORVEL_VERSION_STRING "0.0.0"
#endif

namespace korvel {
namespace {

// The system's proxy settings, except for the machine itself, which no proxy can reach on
// the user's behalf (local tile servers).
class CTileProxyFactory : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        const QString host = query.peerHostName();
        const QHostAddress address(host);
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || address.isLoopback()) {
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        }
        return systemProxyForQuery(query);
    }
};

QString ServerOf(const QUrl& url)
{
    return url.scheme() + QLatin1String("://") + url.host() + QLatin1Char(':') +
           QString::number(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
}

}  // namespace

QByteArray TileUserAgent() { return QByteArrayLiteral("Korvel/" KORVEL_VERSION_STRING); }

struct CTileFetcher::Job {
    TileKey key;
    QString server;
    QNetworkReply* reply = nullptr;
    std::unique_ptr<QSaveFile> file;
    // A child of the fetcher, deleted later: a job may end inside the timer's own signal.
    QTimer* timer = nullptr;
    qint64 received = 0;
};

CTileFetcher::CTileFetcher(TileServers servers, QString cacheRoot, QObject* parent)
    : QObject(parent), m_servers(std::move(servers)), m_strCacheRoot(std::move(cacheRoot)),
      m_pNetwork(new QNetworkAccessManager(this))
{
    m_pNetwork->setProxyFactory(new CTileProxyFactory);  // the manager owns it
    // Redirects are answers other than 200: a tile does not move, and following one could
    // lead from https to plain http.
    m_pNetwork->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

CTileFetcher::~CTileFetcher() { CancelAll(); }

void CTileFetcher::Request(const TileKey& key)
{
    if (IsPending(key)) return;
    const QUrl url(TileUrl(key, m_servers));
    if (!url.isValid() || url.host().isEmpty()) {
        // Nothing to download from: reported like a missing tile, after the caller returned.
        QTimer::singleShot(0, this, [this, key] { emit tileFinished(key, -2); });
        return;
    }
    const QString server = ServerOf(url);
    if (m_runningPerServer[server] >= m_nMaxPerServer) {
        m_waiting[server].push_back(key);
        return;
    }
    auto job = std::make_unique<Job>();
    job->key = key;
    job->server = server;
    Start(std::move(job));
}

bool CTileFetcher::IsPending(const TileKey& key) const
{
    for (const auto& job : m_running) {
        if (job->key == key) return true;
    }
    for (const auto& [server, keys] : m_waiting) {
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) return true;
    }
    return false;
}

int CTileFetcher::PendingCount() const
{
    size_t n = m_running.size();
    for (const auto& [server, keys] : m_waiting) n += keys.size();
    return int(n);
}

void CTileFetcher::CancelAll()
{
    m_waiting.clear();
    std::vector<std::unique_ptr<Job>> running = std::move(m_running);
    m_running.clear();
    m_runningPerServer.clear();
    for (auto& job : running) Drop(*job);
}

void CTileFetcher::Drop(Job& job)
{
    if (job.timer) {
        job.timer->stop();
        job.timer->deleteLater();
        job.timer = nullptr;
    }
    if (job.reply) {
        QObject::disconnect(job.reply, nullptr, this, nullptr);
        // A finished reply has nothing left to abort. One that carries the server's error
        // answer is aborted all the same (Qt then warns that it reports an error twice): left
        // alone it would keep receiving whatever body the server sends.
        if (!job.reply->isFinished()) job.reply->abort();
        job.reply->deleteLater();
        job.reply = nullptr;
    }
    // An uncommitted save file removes its temporary file.
    if (job.file) job.file->cancelWriting();
    job.file.reset();
}

void CTileFetcher::Start(std::unique_ptr<Job> owned)
{
    Job* job = owned.get();
    m_running.push_back(std::move(owned));
    ++m_runningPerServer[job->server];

    const QString folder = TileCacheFolder(job->key, m_strCacheRoot);
    job->file = std::make_unique<QSaveFile>(TileCacheFile(job->key, m_strCacheRoot));
    if (!QDir().mkpath(folder) || !job->file->open(QIODevice::WriteOnly)) {
        // Reported after the caller returned, like every other outcome.
        job->timer = new QTimer(this);
        job->timer->setSingleShot(true);
        connect(job->timer, &QTimer::timeout, this, [this, job] { Finish(job, -2); });
        job->timer->start(0);
        return;
    }

    QNetworkRequest request{QUrl(TileUrl(job->key, m_servers))};
    request.setHeader(QNetworkRequest::UserAgentHeader, TileUserAgent());
    // The tile servers were made for clients that send this with their GET.
    request.setRawHeader("Content-Type", "image/*");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // One request per connection at a time, so the limit per server is a limit of connections.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    job->reply = m_pNetwork->get(request);

    job->timer = new QTimer(this);
    job->timer->setSingleShot(true);
    connect(job->timer, &QTimer::timeout, this, [this, job] { Finish(job, -3); });
    job->timer->start(m_nConnectTimeoutMs);

    QNetworkReply* reply = job->reply;
    // Connected and the request written: from now on only a stall ends the wait.
    connect(reply, &QNetworkReply::requestSent, this, [this, job] { job->timer->start(m_nStallTimeoutMs); });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, job] { OnMetaData(job); });
    connect(reply, &QNetworkReply::readyRead, this, [this, job] { OnReadyRead(job); });
    connect(reply, &QNetworkReply::finished, this, [this, job] { OnFinished(job); });
}

void CTileFetcher::OnMetaData(Job* job)
{
    job->timer->start(m_nStallTimeoutMs);
    const QVariant status = job->reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() != 200) {
        Finish(job, -2);
        return;
    }
    const QVariant length = job->reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > m_nMaxBodyBytes) Finish(job, -2);
}

bool CTileFetcher::OnReadyRead(Job* job)
{
    job->timer->start(m_nStallTimeoutMs);
    const QVariant status = job->reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.toInt() != 200) {
        Finish(job, -2);
        return false;
    }
    const QByteArray chunk = job->reply->readAll();
    job->received += chunk.size();
    // Refused as soon as it is known to be too large, not after receiving all of it.
    if (job->received > m_nMaxBodyBytes || job->file->write(chunk) != chunk.size()) {
        Finish(job, -2);
        return false;
    }
    return true;
}

void CTileFetcher::OnFinished(Job* job)
{
    const QVariant status = job->reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (job->reply->error() != QNetworkReply::NoError) {
        // An answer of the server (404, 500, ...) is a missing tile; anything that ends the
        // exchange before a complete answer arrived is a network failure.
        const bool answered = status.isValid() && status.toInt() != 200;
        Finish(job, answered ? -2 : -3);
        return;
    }
    if (!OnReadyRead(job)) return;
    Finish(job, job->file->commit() ? 1 : -2);
}

std::unique_ptr<CTileFetcher::Job> CTileFetcher::TakeRunning(Job* job)
{
    const auto it = std::find_if(m_running.begin(), m_running.end(), [job](const auto& j) { return j.get() == job; });
    if (it == m_running.end()) return nullptr;
    std::unique_ptr<Job> owned = std::move(*it);
    m_running.erase(it);
    if (--m_runningPerServer[owned->server] <= 0) m_runningPerServer.erase(owned->server);
    return owned;
}

void CTileFetcher::Finish(Job* job, int result)
{
    std::unique_ptr<Job> owned = TakeRunning(job);
    if (!owned) return;
    if (result == 1) owned->file.reset();  // committed
    Drop(*owned);
    // The report may request, cancel or end the fetcher's work; the next waiting job starts
    // only if the fetcher is still there and was not cancelled.
    const QString server = owned->server;
    const QPointer<CTileFetcher> self(this);
    emit tileFinished(owned->key, result);
    if (self) StartWaiting(server);
}

void CTileFetcher::StartWaiting(const QString& server)
{
    auto it = m_waiting.find(server);
    while (it != m_waiting.end() && !it->second.empty() && m_runningPerServer[server] < m_nMaxPerServer) {
        auto job = std::make_unique<Job>();
        job->key = it->second.front();
        job->server = server;
        it->second.pop_front();
        Start(std::move(job));
        it = m_waiting.find(server);
    }
    if (it != m_waiting.end() && it->second.empty()) m_waiting.erase(it);
    if (m_runningPerServer[server] == 0) m_runningPerServer.erase(server);
}

}  // namespace korvel
